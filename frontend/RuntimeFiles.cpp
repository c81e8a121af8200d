#include "frontend/RuntimeFiles.h"

#include <windows.h>

#include <array>

#include "common/FileVersion.h"
#include "common/JoinedPath.h"
#include "common/PathHelpers.h"
#include "common/SelfRegistration.h"

namespace {

constexpr const char* kRuntimeFiles[] = {"comctl32.ocx", "comdlg32.ocx", "msvbvm60.dll", "mswinsck.ocx"};

using Version = std::array<unsigned, 4>;

bool ReadVersion(const std::string& path, Version& out) {
    char text[64];
    int major = 0, minor = 0, build = 0, revision = 0;
    if (!GetFileVersionText(path.c_str(), text, &major, &minor, &build, &revision)) return false;
    out = {static_cast<unsigned>(major), static_cast<unsigned>(minor), static_cast<unsigned>(build),
           static_cast<unsigned>(revision)};
    return true;
}

}  // namespace

ZULError InstallRuntimeFiles(const std::string& installDir) {
    char systemDir[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(systemDir, sizeof systemDir);
    if (length == 0 || length >= sizeof systemDir) return ZULERR_FAILED;
    for (const char* file : kRuntimeFiles) {
        std::string source, target;
        if (!JoinedPath(installDir, file, source) || !JoinedPath(systemDir, file, target)) return ZULERR_OUT_OF_MEMORY;
        if (!FileExists(source.c_str())) continue;
        if (FileExists(target.c_str())) {
            Version sourceVersion, targetVersion;
            if (!ReadVersion(source, sourceVersion) || !ReadVersion(target, targetVersion)) return ZULERR_FAILED;
            if (targetVersion >= sourceVersion) {
                DeleteFileA(source.c_str());
                continue;
            }
        }
        if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) return ZULERR_FILE_COPY_FAILED;
        if (FAILED(RegisterFile(target.c_str()))) return ZULERR_FAILED;
        DeleteFileA(source.c_str());
    }
    return ZULERR_SUCCESS;
}
