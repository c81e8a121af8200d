// C_HttpTransfer: setting up and sending the request, the proxy fallback and the release of
// handles per ending. Reading the answer is in HttpTransferAnswer.cpp.
#include "transfer/HttpTransfer.h"

#include <wininet.h>

#include <cstdio>
#include <new>

#include "common/RegistryHelpers.h"
#include "transfer/NetscapePrefsText.h"
#include "transfer/NetscapeProbe.h"
#include "transfer/UrlSplit.h"

namespace {

constexpr char kNetscapeAgent[] = "Mozilla/4.04 [en] (Win98; U)";
constexpr char kDefaultAgent[] = "Tessary Agent";
constexpr char kInternetSettingsKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr char kUserAgentValue[] = "User Agent";
constexpr DWORD kUserAgentMax = 100;
constexpr char kHttpVersion11[] = "HTTP/1.1";
constexpr char kAcceptRangesHeader[] = "Accept-Ranges: bytes\r\n";
constexpr char kFormContentType[] = "Content-Type: application/x-www-form-urlencoded\r\n";

std::string BuildUserAgent() {
    if (IsNetscapeDefault()) return kNetscapeAgent;
    char agent[kUserAgentMax + 1] = {};
    if (RegReadValue(HKEY_LOCAL_MACHINE, kInternetSettingsKey, kUserAgentValue, agent, kUserAgentMax) ==
            ERROR_SUCCESS &&
        agent[0])
        return agent;
    return kDefaultAgent;
}

}  // namespace

C_HttpTransfer::C_HttpTransfer() : m_meter(m_env) {}

C_HttpTransfer::~C_HttpTransfer() { Close(); }

unsigned C_HttpTransfer::SetToMemory(bool toMemory) {
    m_pChunk.reset();
    FreeMemoryBuffer();
    m_bToMemory = toMemory;
    return TRANSFER_OK;
}

unsigned C_HttpTransfer::SetProxy(const char* host, int port) {
    CloseHandles();
    m_pszProxy.clear();
    if (!host) return TRANSFER_OK;
    try {
        m_pszProxy = std::string(host) + ":" + std::to_string(port);
    } catch (const std::bad_alloc&) {
        return TRANSFER_OUT_OF_MEMORY;
    }
    return TRANSFER_OK;
}

unsigned C_HttpTransfer::GetMemoryResult(const char** data, DWORD* length) const {
    if (!m_bToMemory || !length) return TRANSFER_NOT_MEMORY_MODE;
    // Without a buffer (nothing collected, or freed by a failure) the length is 0 as well.
    const BYTE* buffer = m_pMemory.get();
    if (data) *data = reinterpret_cast<const char*>(buffer);
    *length = buffer ? report.m_cbExpected : 0;
    return TRANSFER_OK;
}

void C_HttpTransfer::Close() {
    CloseHandles();
    FreeMemoryBuffer();
    m_pChunk.reset();
    m_pszProxy.clear();
}

void C_HttpTransfer::CloseHandles() {
    m_hRequest.reset();
    m_hConnection.reset();
    m_hRoot.reset();
    m_pszConnHost.clear();
    m_nConnPort = 0;
}

void C_HttpTransfer::FreeMemoryBuffer() {
    m_pMemory.reset();
    m_cbMemCapacity = 0;
}

unsigned C_HttpTransfer::Transfer() {
    report.m_bProxyRetried = false;
    report.m_bAnswerHeaderFound = false;
    report.m_sAnswerHeader.clear();
    if (!request.m_pszUrl) return TRANSFER_BAD_URL;
    unsigned result = FollowSecureRedirects();
    if (result == TRANSFER_SEND_FAILED && TryProxyFallback()) result = FollowSecureRedirects();
    m_pChunk.reset();
    report.m_bRangeGiven = false;
    return result;
}

// An https exchange never follows a redirect on its own: the system would follow one to plain
// http as well. It follows those that stay on https here, and refuses any other.
unsigned C_HttpTransfer::FollowSecureRedirects() {
    std::string url = request.m_pszUrl;
    for (int hop = 0;; ++hop) {
        std::string location;
        const unsigned result = RunExchange(url, location);
        if (location.empty()) return result;
        if (!IsSecureUrl(location.c_str())) return TRANSFER_INSECURE_REDIRECT;
        if (hop == kMaxSecureRedirects) return TRANSFER_TOO_MANY_REDIRECTS;
        url = location;
    }
}

unsigned C_HttpTransfer::RunExchange(const std::string& target, std::string& location) {
    UrlParts url;
    if (!SplitUrl(target.c_str(), url)) return TRANSFER_BAD_URL;
    if (request.m_nPortOverride) {
        if (request.m_nPortOverride > kMaxTcpPort) return TRANSFER_BAD_URL;
        url.port = request.m_nPortOverride;
    }
    std::string rangeHeader;
    if (request.m_bResume) {
        if (unsigned result = PrepareResume(rangeHeader)) return result;
    }
    if (unsigned result = OpenRoot()) return Finish(result);
    if (unsigned result = Connect(url.host, url.port)) return Finish(result);
    if (unsigned result = OpenRequest(url, rangeHeader)) return Finish(result);

    if (!HttpSendRequestA(m_hRequest.get(), nullptr, 0, const_cast<void*>(request.m_pBody), request.m_cbBody)) {
        report.m_dwLastError = GetLastError();
        return Finish(TRANSFER_SEND_FAILED);
    }
    if (unsigned result = ReadStatus()) return Finish(result);
    if (url.secure) {
        if (unsigned result = ReadRedirect(url, location)) return Finish(result);
        if (!location.empty()) return Finish(TRANSFER_OK);
    }
    ReadAnswerHeader();
    return Finish(ReadBody());
}

unsigned C_HttpTransfer::PrepareResume(std::string& rangeHeader) {
    if (!HasFile()) return TRANSFER_RESUME_NO_FILE;
    if (request.m_bPost) return TRANSFER_RESUME_WITH_POST;
    if (m_bToMemory) return TRANSFER_RESUME_TO_MEMORY;
    if (!report.m_bRangeGiven) {
        DWORD high = 0;
        SetLastError(NO_ERROR);
        const DWORD size = GetFileSize(request.m_hFile, &high);
        if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
            report.m_dwLastError = GetLastError();
            return TRANSFER_FILE_SIZE_FAILED;
        }
        // A range can only start inside the 31-bit span that the request can name.
        if (high != 0 || size > kResumeRangeEnd) {
            report.m_dwLastError = ERROR_FILE_TOO_LARGE;
            return TRANSFER_FILE_SIZE_FAILED;
        }
        report.m_nRangeStart = size;
        report.m_nRangeEnd = kResumeRangeEnd;
    }
    m_nResumeStart = report.m_nRangeStart;
    char header[64];
    std::snprintf(header, sizeof(header), "Range: bytes=%lu-%lu\r\n",
                  static_cast<unsigned long>(report.m_nRangeStart), static_cast<unsigned long>(report.m_nRangeEnd));
    rangeHeader = header;
    return TRANSFER_OK;
}

unsigned C_HttpTransfer::OpenRoot() {
    if (m_hRoot) return TRANSFER_OK;
    const std::string agent = BuildUserAgent();
    const bool named = !m_pszProxy.empty();
    m_hRoot.reset(InternetOpenA(agent.c_str(), named ? INTERNET_OPEN_TYPE_PROXY : INTERNET_OPEN_TYPE_PRECONFIG,
                                named ? m_pszProxy.c_str() : nullptr, nullptr, 0));
    if (!m_hRoot) {
        report.m_dwLastError = GetLastError();
        return TRANSFER_OPEN_FAILED;
    }
    return TRANSFER_OK;
}

unsigned C_HttpTransfer::Connect(const std::string& host, uint32_t port) {
    if (request.m_bKeepConnection) {
        if (m_hConnection && (lstrcmpiA(m_pszConnHost.c_str(), host.c_str()) != 0 || m_nConnPort != port))
            m_hConnection.reset();
        m_pszConnHost = host;
        m_nConnPort = port;
    } else {
        m_hConnection.reset();
    }
    if (m_hConnection) return TRANSFER_OK;
    m_hConnection.reset(InternetConnectA(m_hRoot.get(), host.c_str(), static_cast<INTERNET_PORT>(port),
                                         nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!m_hConnection) {
        report.m_dwLastError = GetLastError();
        return TRANSFER_CONNECT_FAILED;
    }
    return TRANSFER_OK;
}

unsigned C_HttpTransfer::OpenRequest(const UrlParts& url, const std::string& rangeHeader) {
    const std::string& path = url.path;
    const std::string& host = url.host;
    DWORD flags = INTERNET_FLAG_KEEP_CONNECTION;
    // TLS with the system's certificate checks, none of them switched off; redirects are
    // followed by FollowSecureRedirects, which keeps them on https.
    if (url.secure) flags |= INTERNET_FLAG_SECURE | INTERNET_FLAG_NO_AUTO_REDIRECT;
    if (!request.m_bUseCache) flags |= INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
    // A body that goes into a file is kept there: a second copy in the Internet cache would double
    // the disk writes and the space of every file set (the cache may still answer a request).
    else if (HasFile()) flags |= INTERNET_FLAG_NO_CACHE_WRITE;
    m_hRequest.reset(HttpOpenRequestA(m_hConnection.get(), request.m_bPost ? "POST" : "GET", path.c_str(),
                                      request.m_bResume ? kHttpVersion11 : nullptr, nullptr, nullptr, flags, 0));
    if (!m_hRequest) {
        report.m_dwLastError = GetLastError();
        return TRANSFER_REQUEST_FAILED;
    }
    if (request.m_bResume) {
        if (unsigned result = AddHeader(kAcceptRangesHeader)) return result;
        if (unsigned result = AddHeader(rangeHeader)) return result;
    }
    if (request.m_bPost) {
        if (unsigned result = AddHeader(kFormContentType)) return result;
    }
    return AddHeader("Host: " + host + "\r\n");
}

unsigned C_HttpTransfer::AddHeader(const std::string& header) {
    if (!HttpAddRequestHeadersA(m_hRequest.get(), header.c_str(), static_cast<DWORD>(header.size()),
                                HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE)) {
        report.m_dwLastError = GetLastError();
        return TRANSFER_ADD_HEADER_FAILED;
    }
    return TRANSFER_OK;
}

bool C_HttpTransfer::TryProxyFallback() {
    if (report.m_bProxyRetried || !IsNetscapeDefault()) return false;
    unsigned type = 0;
    char host[kNetscapeTextMax + 1] = {};
    unsigned short port = 0;
    ReadNetscapeProxy(&type, host, &port);
    if (type == kNetscapeProxyAutoConfig) {
        // The configuration URL now sits in the system's settings; a fresh root handle reads them.
        report.m_bProxyRetried = true;
        CloseHandles();
        return true;
    }
    if (type == kNetscapeProxyManual && host[0]) {
        report.m_bProxyRetried = true;
        return SetProxy(host, port) == TRANSFER_OK;
    }
    return false;
}

unsigned C_HttpTransfer::Finish(unsigned result) {
    switch (result) {
    case TRANSFER_OUT_OF_MEMORY:
    case TRANSFER_OPEN_FAILED:
    case TRANSFER_CONNECT_FAILED:
    case TRANSFER_READ_FAILED:
    case TRANSFER_CANCELLED:
        CloseHandles();
        FreeMemoryBuffer();
        break;
    default:
        // Root handle and connection stay for the next exchange of this object.
        m_hRequest.reset();
        break;
    }
    return result;
}
