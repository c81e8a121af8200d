// C_HttpTransfer: reading the answer — status, range and length headers, the buffers and the
// read loop with progress, cancel and the polite throttle (writes of fast file downloads run on
// a writer thread, see OverlappedFileWriter.h).
#include "transfer/HttpTransfer.h"

#include <wininet.h>

#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "transfer/HttpHeaderText.h"
#include "transfer/OverlappedFileWriter.h"

namespace {

constexpr DWORD kContentRangeBuffer = 80;
constexpr DWORD kHeaderTextBuffer = 64;
constexpr char kChunked[] = "chunked";

// Statuses whose answer carries no body whatever its headers say.
bool HasNoBody(DWORD status) {
    return (status >= 100 && status < 200) || status == 204 || status == 304;
}

// A header as text; false with the system error when it is absent or does not fit.
bool QueryHeaderText(HINTERNET request, DWORD query, char* buffer, DWORD size, DWORD& error) {
    DWORD length = size - 1;
    if (HttpQueryInfoA(request, query, buffer, &length, nullptr)) {
        buffer[length < size ? length : size - 1] = '\0';
        return true;
    }
    error = GetLastError();
    return false;
}

}  // namespace

RateMeterBinding C_HttpTransfer::MeterBinding() {
    return {request.m_bPolite, request.m_dHistMean, request.m_dHistVariation, report.m_dMeasuredMean, report.m_dMeasuredVariation};
}

unsigned C_HttpTransfer::ReadStatus() {
    DWORD status = 0;
    DWORD size = sizeof(status);
    if (!HttpQueryInfoA(m_hRequest.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                        nullptr)) {
        report.m_dwLastError = GetLastError();
        return TRANSFER_STATUS_FAILED;
    }
    report.m_dwStatus = status;
    return IsErrorStatus(status) ? TRANSFER_HTTP_ERROR : TRANSFER_OK;
}

unsigned C_HttpTransfer::ReadRedirect(const UrlParts& url, std::string& location) {
    const DWORD status = report.m_dwStatus;
    if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308) return TRANSFER_OK;
    char text[INTERNET_MAX_URL_LENGTH + 1] = {};
    DWORD error = 0;
    if (!QueryHeaderText(m_hRequest.get(), HTTP_QUERY_LOCATION, text, sizeof(text), error) || !text[0]) {
        // A redirect without a place to go: refused like one that leaves https.
        location = "-";
        return TRANSFER_OK;
    }
    // A location on the same server keeps its scheme, host and port.
    location = text[0] == '/' ? "https://" + url.host + ":" + std::to_string(url.port) + text : std::string(text);
    return TRANSFER_OK;
}

void C_HttpTransfer::ReadAnswerHeader() {
    if (!request.m_pszAnswerHeader) return;
    // The buffer names the header on the way in and holds its value on the way out.
    std::string buffer(request.m_pszAnswerHeader);
    buffer.resize(kMaxAnswerHeader + 1, '\0');
    DWORD length = kMaxAnswerHeader;
    if (!HttpQueryInfoA(m_hRequest.get(), HTTP_QUERY_CUSTOM, buffer.data(), &length, nullptr)) return;
    buffer.resize(length < kMaxAnswerHeader ? length : kMaxAnswerHeader);
    report.m_bAnswerHeaderFound = true;
    report.m_sAnswerHeader = std::move(buffer);
}

unsigned C_HttpTransfer::ReadAnswerHeaders() {
    m_bAnnounced = false;
    m_cbAnnounced = 0;
    m_bSkipBody = false;
    m_cbReceived = 0;

    bool readLength = true;
    if (request.m_bResume) {
        if (report.m_dwStatus == kStatusPartialContent) {
            if (unsigned result = ReadPartialAnswer(readLength)) return result;
        } else if (report.m_dwStatus == kStatusRangeNotSatisfiable) {
            // Nothing lies past the end of the file: it is complete, and the error page that
            // comes with the answer must not be written into it.
            m_bSkipBody = true;
            report.m_cbDone = m_nResumeStart;
            readLength = false;
        } else {
            // The whole body comes: it replaces the file from its start.
            if (unsigned result = PositionFile(0, true)) return result;
        }
    }
    if (readLength) {
        if (unsigned result = ReadContentLength()) return result;
        report.m_cbDone = 0;
    }
    if (HasNoBody(report.m_dwStatus)) m_bAnnounced = false;
    ReadTransferEncoding();
    return TRANSFER_OK;
}

unsigned C_HttpTransfer::ReadPartialAnswer(bool& fromStart) {
    char text[kContentRangeBuffer] = {};
    DWORD error = 0;
    ContentRange range;
    if (!QueryHeaderText(m_hRequest.get(), HTTP_QUERY_CONTENT_RANGE, text, sizeof(text), error)) {
        if (error != ERROR_HTTP_HEADER_NOT_FOUND) {
            report.m_dwLastError = error;
            return TRANSFER_RANGE_FAILED;
        }
        range.first = 0;  // no range named: the body starts the file anew
    } else if (!ParseContentRange(text, range)) {
        return TRANSFER_BAD_RANGE;
    }
    // The server may start earlier than asked (the overlap is written again), never later:
    // that would leave a hole in the file.
    if (range.first > m_nResumeStart) return TRANSFER_BAD_RANGE;
    if (unsigned result = PositionFile(range.first, false)) return result;
    fromStart = range.first == 0;
    if (fromStart) return TRANSFER_OK;

    report.m_cbDone = range.first;
    report.m_nRangeEnd = report.m_cbExpected = range.last;
    m_bAnnounced = true;
    m_cbAnnounced = uint64_t{range.last} - range.first + 1;
    return TRANSFER_OK;
}

unsigned C_HttpTransfer::ReadContentLength() {
    char text[kHeaderTextBuffer] = {};
    DWORD error = 0;
    report.m_cbExpected = kAssumedContentLength;
    if (!QueryHeaderText(m_hRequest.get(), HTTP_QUERY_CONTENT_LENGTH, text, sizeof(text), error)) {
        if (error == ERROR_HTTP_HEADER_NOT_FOUND) return TRANSFER_OK;
        report.m_dwLastError = error;
        return TRANSFER_LENGTH_FAILED;
    }
    uint64_t length = 0;
    if (!ParseContentLength(text, length)) return TRANSFER_OK;  // unreadable: as if absent
    report.m_cbExpected = length > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(length);
    m_bAnnounced = true;
    m_cbAnnounced = length;
    return TRANSFER_OK;
}

// A chunked body ends with its last chunk, whatever length a header names.
void C_HttpTransfer::ReadTransferEncoding() {
    char text[kHeaderTextBuffer] = {};
    DWORD error = 0;
    if (QueryHeaderText(m_hRequest.get(), HTTP_QUERY_TRANSFER_ENCODING, text, sizeof(text), error)) {
        CharLowerA(text);
        if (std::strstr(text, kChunked)) m_bAnnounced = false;
    }
}

unsigned C_HttpTransfer::PositionFile(uint32_t offset, bool truncate) {
    // With the high part given, the low part counts as an unsigned 32-bit offset.
    LONG high = 0;
    SetLastError(NO_ERROR);
    if ((SetFilePointer(request.m_hFile, static_cast<LONG>(offset), &high, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
         GetLastError() != NO_ERROR) ||
        (truncate && !SetEndOfFile(request.m_hFile))) {
        report.m_dwLastError = GetLastError();
        return TRANSFER_SEEK_FAILED;
    }
    return TRANSFER_OK;
}

unsigned C_HttpTransfer::PrepareBuffers(C_OverlappedFileWriter& writer) {
    // Downloads into a file read the next chunk while the last one is written; when the writer
    // cannot start, the chunks are written here, one after the other with the reads. A polite
    // one sizes its reads by how fast they come (up to a whole chunk), unless the caller chose.
    const bool toFile = !m_bToMemory && HasFile();
    m_bGovernedReads = toFile && request.m_bPolite && request.m_cbChunk == 0;
    if (request.m_cbChunk == 0)
        request.m_cbChunk = toFile ? kFastFileChunkSize : request.m_bPolite ? kDefaultChunkSize : kFastChunkSize;
    m_readSize = C_ReadSizeGovernor(m_bGovernedReads ? kDefaultChunkSize : request.m_cbChunk, request.m_cbChunk);
    const bool overlapped = toFile && writer.Start(request.m_hFile, request.m_cbChunk);
    if (!m_bToMemory && !overlapped) {
        m_pChunk.reset(new (std::nothrow) BYTE[request.m_cbChunk]);
        if (!m_pChunk) {
            report.m_dwLastError = ERROR_NOT_ENOUGH_MEMORY;
            return TRANSFER_OUT_OF_MEMORY;
        }
    }
    m_env.SetCancelEvent(request.m_hCancelEvent);
    m_meter.Begin(MeterBinding(), report.m_cbDone);
    return TRANSFER_OK;
}

// Before every read in memory mode: the expected size doubles until it covers what arrived, and
// the buffer must hold a chunk beyond it plus the closing 0 byte.
unsigned C_HttpTransfer::GrowMemoryBuffer() {
    uint64_t expected = report.m_cbExpected;
    while (expected < report.m_cbDone) expected = expected ? expected * 2 : report.m_cbDone;
    if (expected > kMaxMemoryBody) {
        report.m_dwLastError = ERROR_NOT_ENOUGH_MEMORY;
        return TRANSFER_OUT_OF_MEMORY;
    }
    const uint64_t needed = uint64_t{request.m_cbChunk} + expected + 1;
    if (needed > 0xFFFFFFFFu) {  // the capacity is a 32-bit count, as on a 32-bit system
        report.m_dwLastError = ERROR_NOT_ENOUGH_MEMORY;
        return TRANSFER_OUT_OF_MEMORY;
    }
    report.m_cbExpected = static_cast<DWORD>(expected);
    if (needed <= m_cbMemCapacity) return TRANSFER_OK;

    std::unique_ptr<BYTE[]> grown(new (std::nothrow) BYTE[static_cast<size_t>(needed)]);
    if (!grown) {
        report.m_dwLastError = ERROR_NOT_ENOUGH_MEMORY;
        return TRANSFER_OUT_OF_MEMORY;
    }
    if (m_pMemory && report.m_cbDone) std::memcpy(grown.get(), m_pMemory.get(), report.m_cbDone);
    m_pMemory = std::move(grown);
    m_cbMemCapacity = static_cast<DWORD>(needed);
    return TRANSFER_OK;
}

unsigned C_HttpTransfer::WriteChunk(const BYTE* data, DWORD count) {
    DWORD written = 0;
    if (!WriteFile(request.m_hFile, data, count, &written, nullptr) || written != count) {
        report.m_dwLastError = GetLastError();
        return TRANSFER_WRITE_FAILED;
    }
    return TRANSFER_OK;
}

unsigned C_HttpTransfer::ReadBody() {
    if (unsigned result = ReadAnswerHeaders()) return result;
    if (m_bSkipBody) {
        report.m_cbExpected = report.m_cbDone;
        return TRANSFER_OK;
    }
    const DWORD firstByte = report.m_cbDone;
    C_OverlappedFileWriter writer;
    if (unsigned result = PrepareBuffers(writer)) return result;
    unsigned result = ReadChunks(writer);
    // Whatever ended the reads, everything handed over is written before the answer. A failed
    // write comes first, as it would have stopped the reads had it happened at once; the count
    // then names the bytes that reached the file.
    if (writer.Finish() != ERROR_SUCCESS) {
        report.m_dwLastError = writer.error();
        report.m_cbDone = static_cast<DWORD>(firstByte + writer.written());
        return TRANSFER_WRITE_FAILED;
    }
    if (result) return result;

    if (m_bAnnounced && m_cbReceived < m_cbAnnounced) {
        report.m_dwLastError = ERROR_INTERNET_CONNECTION_ABORTED;
        return TRANSFER_READ_FAILED;
    }
    report.m_cbExpected = report.m_cbDone;
    if (m_bToMemory) m_pMemory[report.m_cbDone] = 0;
    return TRANSFER_OK;
}

// Where the next read goes: the memory buffer, a free buffer of the writer or the chunk buffer.
unsigned C_HttpTransfer::NextTarget(C_OverlappedFileWriter& writer, BYTE*& target) {
    if (m_bToMemory) {
        if (unsigned result = GrowMemoryBuffer()) return result;
        target = m_pMemory.get() + report.m_cbDone;
    } else if (writer.running()) {
        target = writer.NextBuffer();
        if (!target) return TRANSFER_WRITE_FAILED;  // the writer's error is taken up by ReadBody
    } else {
        target = m_pChunk.get();
    }
    return TRANSFER_OK;
}

unsigned C_HttpTransfer::ReadChunks(C_OverlappedFileWriter& writer) {
    for (;;) {
        BYTE* target = nullptr;
        if (unsigned result = NextTarget(writer, target)) return result;
        DWORD count = 0;
        if (m_bGovernedReads && m_meter.state() == C_TransferRateMeter::State::Throttling)
            m_readSize.AimAt(m_meter.mean() * m_meter.factor());
        const DWORD asked = m_readSize.size();
        const double readStart = m_bGovernedReads ? m_env.Now() : 0.0;
        if (!InternetReadFile(m_hRequest.get(), target, asked, &count)) {
            report.m_dwLastError = GetLastError();
            return TRANSFER_READ_FAILED;
        }
        // Only full-speed reads tell the link's speed: while throttled, data waits in the buffers.
        if (m_bGovernedReads && m_meter.state() == C_TransferRateMeter::State::Measuring)
            m_readSize.Record(count, m_env.Now() - readStart);
        report.m_cbLastRead = count;
        if (count == 0) return TRANSFER_OK;
        if (writer.running()) {
            writer.Queue(count);
        } else if (HasFile()) {
            if (unsigned result = WriteChunk(target, count)) return result;
        }
        report.m_cbDone += count;
        m_cbReceived += count;
        m_meter.TakeSample(MeterBinding(), report.m_cbDone);
        if (request.m_pfnProgress) request.m_pfnProgress(this);
        if (request.m_hCancelEvent && WaitForSingleObject(request.m_hCancelEvent, 0) == WAIT_OBJECT_0) return TRANSFER_CANCELLED;
        m_meter.Throttle(MeterBinding(), report.m_cbDone, count);
    }
}
