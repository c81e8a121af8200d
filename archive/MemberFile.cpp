#include "archive/MemberFile.h"

#include "archive/WidePath.h"
#include "common/PathHelpers.h"

namespace {

constexpr char kTempSuffix[] = ".tmp";
constexpr size_t kTempSuffixLength = sizeof(kTempSuffix) - 1;
// Longest file name component the file systems accept.
constexpr size_t kMaxComponentLength = 255;
constexpr int kTempOpenFlags = C_ArchFile::kBinary | C_ArchFile::kCreate | C_ArchFile::kTruncate |
                               C_ArchFile::kWriteOnly;
// Creates the file only when nothing of that name exists.
constexpr int kNewFileOpenFlags = C_ArchFile::kBinary | C_ArchFile::kCreate | C_ArchFile::kExclusive |
                                  C_ArchFile::kWriteOnly;

size_t LastSeparator(const std::string& path) { return path.find_last_of("\\/"); }

// target + ".tmp"; when that would make the last component too long for the file system, the
// component is shortened first so that the ".tmp" file can still be made.
std::string TempPathFor(const std::string& target) {
    const size_t separator = LastSeparator(target);
    const size_t componentStart = separator == std::string::npos ? 0 : separator + 1;
    std::string temp = target;
    if (temp.size() - componentStart + kTempSuffixLength > kMaxComponentLength)
        temp.resize(componentStart + kMaxComponentLength - kTempSuffixLength);
    return temp + kTempSuffix;
}

// Creates the directories that will hold path (a file path), unless they are those made last:
// members of one directory usually follow each other.
void CreateParentDirectories(const std::string& path, std::string& lastMade) {
    const size_t separator = LastSeparator(path);
    if (separator == std::string::npos || separator == 0) return;
    if (lastMade.size() == separator && path.compare(0, separator, lastMade) == 0) return;
    lastMade = path.substr(0, separator);
    if (!CreateDirectoryTree(lastMade.c_str(), false)) lastMade.clear();
}

}  // namespace

bool C_MemberFile::Create(const std::string& target, std::string& lastParentMade) {
    Discard();
    CreateParentDirectories(target, lastParentMade);
    // Writing a free name in place takes one file-system lookup instead of three (temporary
    // name, rename, target), which is most of a small member's cost.
    m_bInPlace = m_file.OpenDisk(target.c_str(), kNewFileOpenFlags);
    m_sUnfinished = m_bInPlace ? target : TempPathFor(target);
    if (!m_bInPlace && !m_file.OpenDisk(m_sUnfinished.c_str(), kTempOpenFlags)) {
        m_sUnfinished.clear();  // not ours to delete
        return false;
    }
    m_sTarget = target;
    return true;
}

bool C_MemberFile::Write(const void* data, size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const UINT chunk = size > 0x40000000u ? 0x40000000u : static_cast<UINT>(size);
        if (m_file.Write(bytes, chunk) != chunk) return false;
        bytes += chunk;
        size -= chunk;
    }
    return true;
}

bool C_MemberFile::Place(const FILETIME* time) {
    if (!isOpen()) return false;
    if (time) m_file.SetTimes(*time);
    const bool closed = m_file.Close() == 0;
    // A read-only file is not made writable: it stays, and the new copy is discarded.
    const bool placed = closed && (m_bInPlace || WideReplaceFile(m_sUnfinished.c_str(), m_sTarget.c_str()));
    if (!placed) WideDeleteFile(m_sUnfinished.c_str());
    m_sUnfinished.clear();
    m_sTarget.clear();
    m_bInPlace = false;
    return placed;
}

void C_MemberFile::Discard() {
    m_file.Close();
    if (!m_sUnfinished.empty()) WideDeleteFile(m_sUnfinished.c_str());
    m_sUnfinished.clear();
    m_sTarget.clear();
    m_bInPlace = false;
}
