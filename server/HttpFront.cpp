#include "server/HttpFront.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "server/Catalogue.h"
#include "server/FileRange.h"

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
using tcp = net::ip::tcp;

namespace {

constexpr auto kIdleTimeout = std::chrono::seconds(30);
constexpr auto kLingerTimeout = std::chrono::seconds(2);
constexpr size_t kLingerBytes = 4 * kCheckinBodyLimit;
constexpr std::string_view kFilesPrefix = "/files/";
constexpr std::string_view kServerName = "zulserver";

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

class AccessLog {
public:
    explicit AccessLog(const std::string& path) : m_file(path.empty() ? nullptr : std::fopen(path.c_str(), "a")) {}
    ~AccessLog() {
        if (m_file) std::fclose(m_file);
    }
    void Write(const std::string& line) {
        if (!m_file) return;
        std::lock_guard lock(m_mutex);
        std::fprintf(m_file, "%lld %s\n", static_cast<long long>(Now()), line.c_str());
        std::fflush(m_file);
    }

private:
    std::FILE* m_file;
    std::mutex m_mutex;
};

struct Context {
    const FrontSettings& settings;
    CheckinService& service;
    Store& store;
    Metrics& metrics;
    AccessLog log;
    std::atomic<int> inFlight{0};  // check-ins handed to the store and not yet answered
};

http::response<http::string_body> TextResponse(http::status status, unsigned version, bool keepAlive, std::string body,
                                               const char* type = "text/plain") {
    http::response<http::string_body> response{status, version};
    response.set(http::field::server, kServerName);
    response.set(http::field::content_type, type);
    response.keep_alive(keepAlive);
    response.body() = std::move(body);
    response.prepare_payload();
    return response;
}

http::message_generator FileResponse(const Context& context, const http::request<http::string_body>& request,
                                     std::string_view name);

// A file request, answered and written to the access log with its status and range.
http::message_generator LoggedFileResponse(Context& context, const http::request<http::string_body>& request,
                                           std::string_view name) {
    const std::string range(request[http::field::range]);
    http::message_generator response = FileResponse(context, request, name);
    context.log.Write(std::string(http::to_string(request.method())) + " " + std::string(kFilesPrefix) + std::string(name) +
                      (range.empty() ? "" : " (" + range + ")"));
    return response;
}

http::message_generator FileResponse(const Context& context, const http::request<http::string_body>& request,
                                     std::string_view name) {
    const unsigned version = request.version();
    const bool keepAlive = request.keep_alive();
    if (ArchiveFileName(name) != name || IsWebUrl(name))
        return TextResponse(http::status::not_found, version, keepAlive, "no such file\n");
    beast::error_code ec;
    http::file_body::value_type file;
    file.open((context.settings.filesDir + "/" + std::string(name)).c_str(), beast::file_mode::scan, ec);
    if (ec) return TextResponse(http::status::not_found, version, keepAlive, "no such file\n");
    const uint64_t size = file.size();
    const ByteRange range = ParseRange(request[http::field::range], size);
    if (range.kind == ByteRange::Unsatisfiable) {
        auto response = TextResponse(http::status::range_not_satisfiable, version, keepAlive, "");
        response.set(http::field::content_range, "bytes */" + std::to_string(size));
        response.prepare_payload();
        return response;
    }
    if (range.kind == ByteRange::Part) {
        std::string part(range.last - range.first + 1, '\0');
        file.file().seek(range.first, ec);
        size_t done = 0;
        while (!ec && done < part.size()) {
            const size_t read = file.file().read(part.data() + done, part.size() - done, ec);
            if (read == 0) break;
            done += read;
        }
        if (ec || done != part.size()) return TextResponse(http::status::internal_server_error, version, keepAlive, "read failed\n");
        auto response = TextResponse(http::status::partial_content, version, keepAlive, std::move(part), "application/octet-stream");
        response.set(http::field::content_range,
                     "bytes " + std::to_string(range.first) + "-" + std::to_string(range.last) + "/" + std::to_string(size));
        response.set(http::field::accept_ranges, "bytes");
        if (request.method() == http::verb::head) response.body().clear();
        return response;
    }
    // The whole file's headers, the same for HEAD and GET.
    auto wholeFile = [&](auto response) {
        response.set(http::field::server, kServerName);
        response.set(http::field::content_type, "application/octet-stream");
        response.set(http::field::accept_ranges, "bytes");
        response.content_length(size);
        response.keep_alive(keepAlive);
        return response;
    };
    if (request.method() == http::verb::head)
        return wholeFile(http::response<http::empty_body>{http::status::ok, version});
    return wholeFile(http::response<http::file_body>{std::piecewise_construct, std::make_tuple(std::move(file)),
                                                     std::make_tuple(http::status::ok, version)});
}

// The address clients reached this server by: the Host header, with the port the connection
// came in on when the header names none (some clients leave a non-default port out).
std::string ReachedHost(std::string_view header, unsigned short localPort) {
    const size_t bracket = header.rfind(']');
    const size_t colon = header.rfind(':');
    const bool hasPort = colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket);
    if (header.empty() || hasPort || localPort == 80) return std::string(header);
    return std::string(header) + ":" + std::to_string(localPort);
}

http::message_generator Handle(Context& context, const http::request<http::string_body>& request) {
    const unsigned version = request.version();
    const bool keepAlive = request.keep_alive();
    const std::string_view target(request.target().data(), request.target().size());
    const http::verb method = request.method();
    const bool get = method == http::verb::get || method == http::verb::head;

    if (target == kCheckinPath) {  // a POST is answered by CheckinResponse
        context.log.Write("400 wrong method for the check-in path");
        context.metrics.CountCheckin(CheckinOutcome::BadRequest, 0);
        return TextResponse(http::status::bad_request, version, keepAlive, "check-in needs POST\n");
    }
    if (get && target == "/metrics")
        return TextResponse(http::status::ok, version, keepAlive, context.metrics.Text(), "text/plain; version=0.0.4");
    if (get && target == "/healthz") {
        const bool healthy = context.store.Healthy();
        return TextResponse(healthy ? http::status::ok : http::status::service_unavailable, version, keepAlive,
                            healthy ? "ok\n" : "store unavailable\n");
    }
    if (get && !context.settings.filesDir.empty() && target.substr(0, kFilesPrefix.size()) == kFilesPrefix)
        return LoggedFileResponse(context, request, target.substr(kFilesPrefix.size()));
    context.log.Write(std::string(http::to_string(method)) + " 400 unknown path");
    return TextResponse(http::status::bad_request, version, keepAlive, "unknown path\n");
}

bool IsCheckin(const http::request<http::string_body>& request) {
    return request.method() == http::verb::post && std::string_view(request.target().data(), request.target().size()) == kCheckinPath;
}

http::message_generator CheckinResponse(Context& context, const http::request<http::string_body>& request, const CheckinReply& reply) {
    context.log.Write("POST " + std::string(kCheckinPath) + " (Host: " + std::string(request[http::field::host]) + ") " +
                      std::to_string(reply.status) + " items=" + std::to_string(reply.items) +
                      " channels=" + std::to_string(reply.channels));
    auto response = TextResponse(static_cast<http::status>(reply.status), request.version(), request.keep_alive(), reply.body);
    if (!reply.signature.empty()) response.set("X-ZUL-Signature", reply.signature);
    return response;
}

class Session : public std::enable_shared_from_this<Session> {
public:
    Session(tcp::socket&& socket, Context& context) : m_stream(std::move(socket)), m_context(context) {
        beast::error_code ignored;
        m_localPort = m_stream.socket().local_endpoint(ignored).port();
    }

    void Start() {
        net::dispatch(m_stream.get_executor(), beast::bind_front_handler(&Session::Read, shared_from_this()));
    }

private:
    void Read() {
        m_parser.emplace();
        m_parser->body_limit(kCheckinBodyLimit);
        m_stream.expires_after(kIdleTimeout);
        http::async_read(m_stream, m_buffer, *m_parser, beast::bind_front_handler(&Session::OnRead, shared_from_this()));
    }

    void OnRead(beast::error_code ec, size_t) {
        if (ec == http::error::end_of_stream || ec == beast::error::timeout || ec == net::error::operation_aborted ||
            ec == net::error::connection_reset)
            return Close();
        if (ec) {  // unreadable request, or a body over the limit: refused, connection closed
            const bool tooLarge = ec == http::error::body_limit;
            m_context.log.Write(std::string("400 ") + (tooLarge ? "request body over 1 MiB" : "malformed request"));
            if (tooLarge) m_context.metrics.CountCheckin(CheckinOutcome::BadRequest, 0);
            Send(TextResponse(http::status::bad_request, 11, false,
                              tooLarge ? "request body over 1 MiB\n" : "malformed HTTP request\n"));
            return;
        }
        if (IsCheckin(m_parser->get())) return Checkin();
        Send(Handle(m_context, m_parser->get()));
    }

    // The check-in is recorded without holding this thread; its answer is written on the
    // session's strand when the store is done.
    void Checkin() {
        const http::request<http::string_body>& request = m_parser->get();
        const std::string host = ReachedHost(request[http::field::host], m_localPort);
        ++m_context.inFlight;
        m_context.service.CheckinAsync(request.body(), host, Now(), [self = shared_from_this()](CheckinReply reply) {
            net::post(self->m_stream.get_executor(), [self, reply = std::move(reply)] {
                self->Send(CheckinResponse(self->m_context, self->m_parser->get(), reply));
            });
            --self->m_context.inFlight;
        });
    }

    void Send(http::message_generator&& message) {
        const bool keepAlive = message.keep_alive();
        beast::async_write(m_stream, std::move(message),
                           beast::bind_front_handler(&Session::OnWrite, shared_from_this(), keepAlive));
    }

    void OnWrite(bool keepAlive, beast::error_code ec, size_t) {
        if (ec || !keepAlive) return Close();
        Read();
    }

    // Ends the connection after the answer; what the client still sends (the rest of a refused
    // body) is read and dropped for a short while, so that it reads the answer instead of a reset.
    void Close() {
        beast::error_code ignored;
        m_stream.socket().shutdown(tcp::socket::shutdown_send, ignored);
        m_stream.expires_after(kLingerTimeout);
        Drain(0);
    }

    void Drain(size_t drained) {
        if (drained > kLingerBytes) return;
        m_stream.async_read_some(net::buffer(m_discard), [self = shared_from_this(), drained](beast::error_code ec, size_t read) {
            if (!ec) self->Drain(drained + read);
        });
    }

    beast::tcp_stream m_stream;
    beast::flat_buffer m_buffer;
    std::optional<http::request_parser<http::string_body>> m_parser;
    std::array<char, 16384> m_discard;
    Context& m_context;
    unsigned short m_localPort = 0;
};

class Listener : public std::enable_shared_from_this<Listener> {
public:
    Listener(net::io_context& io, tcp::acceptor& acceptor, Context& context) : m_io(io), m_acceptor(acceptor), m_context(context) {}
    void Accept() {
        m_acceptor.async_accept(net::make_strand(m_io), beast::bind_front_handler(&Listener::OnAccept, shared_from_this()));
    }

private:
    void OnAccept(beast::error_code ec, tcp::socket socket) {
        if (ec == net::error::operation_aborted) return;
        if (!ec) std::make_shared<Session>(std::move(socket), m_context)->Start();
        Accept();
    }
    net::io_context& m_io;
    tcp::acceptor& m_acceptor;
    Context& m_context;
};

}  // namespace

int RunFront(const FrontSettings& settings, CheckinService& service, Store& store, Metrics& metrics) {
    const int threads = settings.threads > 0 ? settings.threads : 1;
    net::io_context io(threads);
    tcp::acceptor acceptor(io);
    try {
        tcp::resolver resolver(io);
        const tcp::endpoint endpoint = *resolver.resolve(settings.host, settings.port, tcp::resolver::numeric_service).begin();
        acceptor.open(endpoint.protocol());
        acceptor.set_option(net::socket_base::reuse_address(true));
        acceptor.bind(endpoint);
        acceptor.listen(net::socket_base::max_listen_connections);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zulserver: cannot listen on %s:%s: %s\n", settings.host.c_str(), settings.port.c_str(), e.what());
        return 1;
    }
    Context context{settings, service, store, metrics, AccessLog(settings.accessLog)};
    std::make_shared<Listener>(io, acceptor, context)->Accept();
    net::signal_set signals(io, SIGINT, SIGTERM);
    signals.async_wait([&](beast::error_code, int) { io.stop(); });

    const tcp::endpoint bound = acceptor.local_endpoint();
    const std::string address = bound.address().is_v6() ? "[" + bound.address().to_string() + "]" : bound.address().to_string();
    std::printf("zulserver: listening on %s:%u\n", address.c_str(), static_cast<unsigned>(bound.port()));
    std::fflush(stdout);

    std::vector<std::thread> pool;
    for (int i = 1; i < threads; ++i) pool.emplace_back([&io] { io.run(); });
    io.run();
    for (std::thread& thread : pool) thread.join();
    // Check-ins still being recorded post their answers to this io_context: wait for them.
    while (context.inFlight > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 0;
}
