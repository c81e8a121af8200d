// DownloadMgr: the channel manager's COM class that fetches one file over HTTP into a local
// path, politely and resumably, and keeps the machine's historical bandwidth in the registry
// ("Software\Tessary\DownloadMgr", "HistoricalBandwidth") so that later downloads can pace
// themselves against it.
#pragma once
#include <windows.h>

#include <optional>

#include "ZULMan.h"
#include "common/ComObject.h"
#include "transfer/HistoricalBandwidth.h"
#include "common/ProductKeys.h"

namespace DownloadKeys {
inline constexpr auto& kDownloadMgr = ProductKeys::kDownloadMgr;
constexpr char kHistoricalBandwidth[] = "HistoricalBandwidth";
}  // namespace DownloadKeys

class DownloadMgr final : public ComObject<I_DownloadMgr> {
public:
    // Fetches url into localpath (its directories are made; an existing file is kept, so that
    // bResume continues it). S_OK with DLMGR_ERROR_SUCCESS; S_FALSE with
    // DLMGR_ERROR_FILE_OPEN_FAILED when the file cannot be opened, or
    // DLMGR_ERROR_FILE_DOWNLOAD_FAILED when the transfer fails (the partial file stays).
    STDMETHODIMP DownloadFile(char* url, char* localpath, LONG bCache, LONG bResume, DLMgrError* ret) override;

private:
    // Reads the stored history into the members; nullopt when the value cannot be read.
    std::optional<BandwidthHistory> ReadHistory();
    // Blends a transfer's measured pair into the stored history (ignored unless usable).
    void UpdateHistory(const BandwidthHistory& measured);

    double m_dHistMean = 0.0;
    double m_dHistVariation = kUnknownBandwidthVariation;
};
