// One HTTP exchange over WinInet: a GET streamed into an open file (resumable with a byte range)
// or a POST whose answer is collected in memory. Optionally polite: it measures its own rate and
// pauses between reads. When a request cannot be sent and Netscape is the default browser, the
// exchange is tried once more through Netscape's proxy.
//
// The caller creates the object for one exchange, fills `request`, calls Transfer() and reads
// `report`; Close() (or destruction) releases everything. A fast (not polite)
// download into a file writes on a thread of its own while it reads the next chunk; that thread
// lives only within Transfer(). Everything else runs on the caller's thread alone.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "transfer/InternetHandle.h"
#include "transfer/ReadSizeGovernor.h"
#include "transfer/TransferEnvironment.h"
#include "transfer/TransferRateMeter.h"
#include "transfer/TransferResult.h"
#include "transfer/UrlSplit.h"

class C_HttpTransfer;
class C_OverlappedFileWriter;
// Called after every non-empty chunk; the result is ignored.
using TransferProgressFn = int (*)(C_HttpTransfer* transfer);

// Size of each read when the caller sets none. Every read of the Internet library costs a fixed
// round trip that small reads cannot amortise, so downloads into a file read up to a megabyte at
// a time (each read fills one buffer of the writer thread's ring): fast ones always, polite ones
// starting at the small size and growing while reads come quickly (C_ReadSizeGovernor), so that
// the meter and the throttle still see a read every few milliseconds on a slow link. Answers
// collected in memory read 256 KiB at a time (polite ones 4 KiB), also the headroom of their buffer.
constexpr uint32_t kDefaultChunkSize = 4096;
constexpr uint32_t kFastChunkSize = 256 * 1024;
constexpr uint32_t kFastFileChunkSize = 1024 * 1024;
constexpr uint32_t kAssumedContentLength = 32768;  // expected size when the answer names none
constexpr uint32_t kResumeRangeEnd = 2147483647;
// Largest answer collected in memory; a larger one ends with TRANSFER_OUT_OF_MEMORY.
constexpr uint64_t kMaxMemoryBody = 64ull * 1024 * 1024;
// Redirects an https exchange follows itself (only to https addresses).
constexpr int kMaxSecureRedirects = 5;
// Longest answer header kept for the caller (request.m_pszAnswerHeader).
constexpr DWORD kMaxAnswerHeader = 4096;

class C_HttpTransfer {
public:
    C_HttpTransfer();
    ~C_HttpTransfer();
    C_HttpTransfer(const C_HttpTransfer&) = delete;
    C_HttpTransfer& operator=(const C_HttpTransfer&) = delete;

    // Frees the chunk and memory buffers and selects memory mode. Answers 0.
    unsigned SetToMemory(bool toMemory);
    // Closes connection and root handle and replaces the proxy ("host:port"); no host clears it.
    // TRANSFER_OUT_OF_MEMORY when the text cannot be built.
    unsigned SetProxy(const char* host, int port);
    // Runs the exchange; a TransferResult.
    unsigned Transfer();
    // The collected answer (owned by the object, followed by a 0 byte) and its length.
    // TRANSFER_NOT_MEMORY_MODE when not in memory mode or length is missing.
    unsigned GetMemoryResult(const char** data, DWORD* length) const;
    // Closes every handle and frees every buffer.
    void Close();

    const C_TransferRateMeter& meter() const { return m_meter; }
    const char* proxy() const { return m_pszProxy.empty() ? nullptr : m_pszProxy.c_str(); }

    // What the caller sets before Transfer().
    struct Request {
        const char* m_pszUrl = nullptr;
        DWORD m_nPortOverride = 0;
        HANDLE m_hFile = nullptr;  // none or INVALID_HANDLE_VALUE: nothing is written
        bool m_bUseCache = true;
        bool m_bKeepConnection = true;
        bool m_bPost = false;
        const void* m_pBody = nullptr;
        DWORD m_cbBody = 0;
        bool m_bResume = false;
        bool m_bPolite = false;
        HANDLE m_hCancelEvent = nullptr;
        TransferProgressFn m_pfnProgress = nullptr;
        double m_dHistMean = 0.0;
        double m_dHistVariation = 99999.0;
        DWORD m_cbChunk = 0;  // 0 = by mode (see kDefaultChunkSize); the transfer then stores its choice
        // The name (without ":") of an answer header to keep in report.m_sAnswerHeader.
        const char* m_pszAnswerHeader = nullptr;
    } request;

    // What the transfer reports, during (for the progress callback) and after Transfer().
    struct Report {
        double m_dMeasuredMean = 0.0;
        double m_dMeasuredVariation = 0.0;
        bool m_bProxyRetried = false;
        DWORD m_cbExpected = 0;
        DWORD m_cbDone = 0;
        DWORD m_cbLastRead = 0;
        DWORD m_nRangeStart = 0;
        DWORD m_nRangeEnd = 0;
        bool m_bRangeGiven = false;
        DWORD m_dwStatus = 0;
        DWORD m_dwLastError = 0;
        bool m_bAnswerHeaderFound = false;
        std::string m_sAnswerHeader;
    } report;

private:
    unsigned FollowSecureRedirects();
    unsigned RunExchange(const std::string& url, std::string& location);
    unsigned ReadRedirect(const UrlParts& url, std::string& location);
    void ReadAnswerHeader();
    unsigned PrepareResume(std::string& rangeHeader);
    unsigned OpenRoot();
    unsigned Connect(const std::string& host, uint32_t port);
    unsigned OpenRequest(const UrlParts& url, const std::string& rangeHeader);
    unsigned AddHeader(const std::string& header);
    unsigned ReadStatus();
    unsigned ReadAnswerHeaders();
    unsigned ReadPartialAnswer(bool& fromStart);
    void ReadTransferEncoding();
    unsigned ReadContentLength();
    unsigned PositionFile(uint32_t offset, bool truncate);
    unsigned PrepareBuffers(C_OverlappedFileWriter& writer);
    unsigned GrowMemoryBuffer();
    unsigned ReadBody();
    unsigned ReadChunks(C_OverlappedFileWriter& writer);
    unsigned NextTarget(C_OverlappedFileWriter& writer, BYTE*& target);
    unsigned WriteChunk(const BYTE* data, DWORD count);
    bool TryProxyFallback();
    unsigned Finish(unsigned result);
    void CloseHandles();
    void FreeMemoryBuffer();
    bool HasFile() const { return request.m_hFile && request.m_hFile != INVALID_HANDLE_VALUE; }
    RateMeterBinding MeterBinding();

    std::string m_pszConnHost;
    DWORD m_nConnPort = 0;
    std::string m_pszProxy;
    bool m_bToMemory = false;
    DWORD m_cbMemCapacity = 0;
    std::unique_ptr<BYTE[]> m_pChunk;
    std::unique_ptr<BYTE[]> m_pMemory;
    UniqueInternetHandle m_hRoot;
    UniqueInternetHandle m_hConnection;
    UniqueInternetHandle m_hRequest;

    // Per exchange: the resume start asked for; the body size the answer announced (a body that
    // ends short of it is a failed read); whether the body is left unread (a resume answered
    // with "range not satisfiable": the file is complete); the body bytes received.
    uint32_t m_nResumeStart = 0;
    bool m_bAnnounced = false;
    uint64_t m_cbAnnounced = 0;
    bool m_bSkipBody = false;
    uint64_t m_cbReceived = 0;

    C_TransferEnvironment m_env;
    C_TransferRateMeter m_meter;
    // The size of each read: fixed, or governed by how fast reads come (polite downloads).
    C_ReadSizeGovernor m_readSize{kDefaultChunkSize, kDefaultChunkSize};
    bool m_bGovernedReads = false;
};
