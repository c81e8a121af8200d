// Fetching a file set whose FileSet block names the archive's SHA-256: DownloadFileSet with the
// archive hashed after the download or copy and before anything is recorded.
#pragma once
#include <windows.h>

#include "ZULMan.h"
#include "common/CryptoText.h"

// As I_ZULManager::DownloadFileSet (without a name). An archive whose digest is not expected is
// deleted and nothing is recorded (S_FALSE, ZULERR_FILE_DOWNLOAD_FAILED, "sha256 mismatch" in
// the diagnostic log). A stored archive whose recorded digest differs from expected is hashed
// again before use, and fetched anew when it does not match. The digest checked is recorded as
// the record's "SHA256".
HRESULT DownloadCheckedFileSet(char* guid, char* sourceurl, const Sha256Digest& expected, ZULError* ret);
