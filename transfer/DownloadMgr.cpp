#include "transfer/DownloadMgr.h"

#include "common/Handles.h"
#include "common/PathHelpers.h"
#include "common/RegistryHelpers.h"
#include "transfer/HttpTransfer.h"

namespace {

HRESULT Answer(DLMgrError* ret, DLMgrError code) {
    if (ret) *ret = code;
    return code == DLMGR_ERROR_SUCCESS ? S_OK : S_FALSE;
}

// Opens the target for writing, shared for reading, creating it when missing and keeping what
// it holds; the position is its start.
UniqueHandle OpenTarget(const char* localpath) {
    return UniqueHandle(CreateFileA(localpath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

STDMETHODIMP DownloadMgr::DownloadFile(char* url, char* localpath, LONG bCache, LONG bResume, DLMgrError* ret) {
    if (!localpath || !*localpath) return Answer(ret, DLMGR_ERROR_FILE_OPEN_FAILED);
    // A failure here shows when the file is opened.
    CreateDirectoryTree(localpath, true);
    UniqueHandle file = OpenTarget(localpath);
    if (!file) return Answer(ret, DLMGR_ERROR_FILE_OPEN_FAILED);
    // A download that does not continue the file replaces it: old bytes past the end of the new
    // body would otherwise stay behind, and a later resume would count them as received.
    if (!bResume && !SetEndOfFile(file.get())) return Answer(ret, DLMGR_ERROR_FILE_OPEN_FAILED);

    C_HttpTransfer transfer;
    if (ReadHistory()) {
        transfer.request.m_dHistMean = m_dHistMean;
        transfer.request.m_dHistVariation = m_dHistVariation;
    }
    transfer.request.m_pszUrl = url;
    transfer.request.m_hFile = file.get();
    transfer.request.m_bPolite = true;
    transfer.request.m_bUseCache = bCache != 0;
    transfer.request.m_bResume = bResume != 0;
    const unsigned result = transfer.Transfer();
    const BandwidthHistory measured{transfer.report.m_dMeasuredMean, transfer.report.m_dMeasuredVariation};
    transfer.Close();
    file.reset();

    if (result != TRANSFER_OK) return Answer(ret, DLMGR_ERROR_FILE_DOWNLOAD_FAILED);
    UpdateHistory(measured);
    return Answer(ret, DLMGR_ERROR_SUCCESS);
}

std::optional<BandwidthHistory> DownloadMgr::ReadHistory() {
    char text[kHistoryTextSize] = {};
    if (RegReadValue(HKEY_LOCAL_MACHINE, DownloadKeys::kDownloadMgr, DownloadKeys::kHistoricalBandwidth, text,
                     sizeof text) != ERROR_SUCCESS)
        return std::nullopt;
    const BandwidthHistory history = ParseBandwidthHistory(text);
    m_dHistMean = history.mean;
    m_dHistVariation = history.variation;
    return history;
}

void DownloadMgr::UpdateHistory(const BandwidthHistory& measured) {
    if (!IsUsableMeasurement(measured)) return;
    const BandwidthHistory updated = BlendBandwidthHistory(ReadHistory(), measured);
    // A failed write never fails the download.
    RegWriteString(HKEY_LOCAL_MACHINE, DownloadKeys::kDownloadMgr, DownloadKeys::kHistoricalBandwidth,
                   FormatBandwidthHistory(updated).c_str());
}
