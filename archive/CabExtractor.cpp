#include "archive/CabExtractor.h"

#include <cstdlib>
#include <memory>
#include <new>

#include "archive/ArchFile.h"
#include "archive/CabinetDirectory.h"
#include "archive/MemberPath.h"
#include "archive/MemoryPath.h"

namespace {

// Answers to the decoder's notifications.
constexpr INT_PTR kContinue = 0;
constexpr INT_PTR kAbort = -1;
constexpr INT_PTR kCloseDone = TRUE;

// Longest target path, within what the wide file API takes with its long-path prefix.
constexpr size_t kMaxTargetPathLength = 32000;

// The cabinet's MS-DOS date and time, read as local time, as a file time.
bool CabinetTime(USHORT date, USHORT time, FILETIME* result) {
    FILETIME local;
    return DosDateTimeToFileTime(date, time, &local) && LocalFileTimeToFileTime(&local, result);
}

std::string StripOneTrailingSeparator(const char* directory) {
    std::string result(directory);
    if (!result.empty() && (result.back() == '\\' || result.back() == '/')) result.pop_back();
    return result;
}

}  // namespace

void C_CabExtractor::FreeReceived() {
    std::free(m_pReceived);
    m_pReceived = nullptr;
    m_nReceivedSize = 0;
}

void C_CabExtractor::Reset() {
    DropUnfinishedTarget();
    FreeReceived();
    m_decoder.Destroy();
    m_pfnSelect = nullptr;
    m_pfnReceive = nullptr;
    m_pvContext = nullptr;
    m_error = {};
    m_cabinetInfo = {};
    m_bIsCabinet = false;
    m_bInMemory = false;
    m_pCabinet = nullptr;
    m_nCabinetSize = 0;
    m_mode = Mode::ToDirectory;
    m_sTargetDir.clear();
    m_bMemberFailed = false;
    m_bAborted = false;
}

bool C_CabExtractor::OpenMemory(const void* address, size_t size) {
    Reset();
    m_pCabinet = address;
    m_nCabinetSize = size;
    // The decoder names the block with a 32-bit size, and never sees a cabinet whose
    // directory is inconsistent.
    if (!address || size == 0 || size > UINT32_MAX ||
        !CheckCabinetDirectory(static_cast<const unsigned char*>(address), size) || !m_decoder.Create(&m_error)) {
        Reset();
        return false;
    }
    C_ArchFile probe;
    probe.OpenMemory(const_cast<void*>(address), size);
    m_bIsCabinet = m_decoder.IsCabinet(reinterpret_cast<INT_PTR>(&probe), &m_cabinetInfo);
    if (!m_bIsCabinet) {
        Reset();
        return false;
    }
    m_bInMemory = true;
    return true;
}

void C_CabExtractor::SetCallbacks(SelectCallback select, ReceiveCallback receive, void* context) {
    m_pfnSelect = select;
    m_pfnReceive = receive;
    m_pvContext = context;
}

bool C_CabExtractor::ExtractToDir(const char* directory) {
    if (!directory) return false;
    m_sTargetDir = StripOneTrailingSeparator(directory);
    // An empty directory would put members relative to wherever the process stands.
    if (m_sTargetDir.empty()) return false;
    return Extract(Mode::ToDirectory);
}

bool C_CabExtractor::ExtractToMemory() { return Extract(Mode::ToMemory); }

bool C_CabExtractor::Extract(Mode mode) {
    if (!m_bIsCabinet) return false;
    m_mode = mode;
    m_bMemberFailed = false;
    m_bAborted = false;
    m_nNotPlacedSeen = 0;
    if (mode == Mode::ToDirectory && !m_writer.Start()) return false;
    char name[kMemoryPathBufferSize];
    FormatMemoryPath(reinterpret_cast<uintptr_t>(m_pCabinet), static_cast<uint32_t>(m_nCabinetSize), name);
    const bool copied = m_decoder.CopyFromMemory(m_pCabinet, m_nCabinetSize, name, Notify, this);
    // A member whose close notification never came was cut off by a decoder failure.
    if (m_bTargetOpen) {
        DropUnfinishedTarget();
        m_bMemberFailed = true;
    }
    if (mode == Mode::ToDirectory) {
        const C_MemberDiskWriter::Outcome written = m_writer.Stop();
        if (written.failed || written.notPlaced > 0) m_bMemberFailed = true;
    }
    return copied && !m_bMemberFailed && !m_bAborted;
}

INT_PTR DIAMONDAPI C_CabExtractor::Notify(FDINOTIFICATIONTYPE type, PFDINOTIFICATION info) {
    auto* self = static_cast<C_CabExtractor*>(info->pv);
    switch (type) {
    case fdintCOPY_FILE: return self->OnCopyFile(*info);
    case fdintCLOSE_FILE_INFO: return self->OnCloseFile(*info);
    // Members continued from an earlier cabinet are not supported.
    case fdintPARTIAL_FILE: return kAbort;
    // Nor are members continued into a later one: the next cabinet's name comes from the
    // cabinet itself and must not be opened (the decoder would also retry a missing one forever).
    case fdintNEXT_CABINET: return kAbort;
    default: return kContinue;
    }
}

INT_PTR C_CabExtractor::OnCopyFile(const FDINOTIFICATION& info) {
    // Some decoders ignore the answer to a close notification: an abort asked for there
    // takes effect here at the latest.
    if (m_bAborted) return kAbort;
    if (m_pfnSelect) {
        const int choice = m_pfnSelect(m_pvContext, info.psz1);
        if (choice == kSelectSkip) return kContinue;
        if (choice == kSelectAbort) return kAbort;
    }
    m_nExpectedSize = static_cast<uint32_t>(info.cb);
    return m_mode == Mode::ToDirectory ? OpenDiskTarget(info.psz1) : OpenMemoryTarget(m_nExpectedSize);
}

INT_PTR C_CabExtractor::OpenDiskTarget(const char* name) {
    // A member that could not be created or written ends the extraction.
    if (m_writer.failed()) return kAbort;
    std::string target;
    if (!JoinMemberPath(m_sTargetDir, name, &target) || target.size() > kMaxTargetPathLength) {
        // Never written; the other members still are.
        m_bMemberFailed = true;
        return kContinue;
    }
    std::unique_ptr<C_ArchFile> file(new (std::nothrow) C_ArchFile);
    if (!file) return kAbort;
    m_writer.BeginMember(target);
    m_sTargetPath = std::move(target);
    file->OpenSink(&m_writer);
    m_pTarget = file.get();
    m_pTarget->WatchClose(&m_pTarget);
    m_bTargetOpen = true;
    return C_ArchFile::ToHandle(std::move(file));
}

INT_PTR C_CabExtractor::OpenMemoryTarget(uint32_t size) {
    // Only the last member's block is kept when no callback takes them.
    FreeReceived();
    m_pReceived = std::malloc(size ? size : 1);
    std::unique_ptr<C_ArchFile> file(m_pReceived ? new (std::nothrow) C_ArchFile : nullptr);
    if (!file) {
        FreeReceived();
        return kAbort;
    }
    m_nReceivedSize = size;
    file->OpenMemory(m_pReceived, size);
    m_pTarget = file.get();
    m_pTarget->WatchClose(&m_pTarget);
    m_bTargetOpen = true;
    return C_ArchFile::ToHandle(std::move(file));
}

INT_PTR C_CabExtractor::OnCloseFile(const FDINOTIFICATION& info) {
    m_bTargetOpen = false;
    // The handle in the notification is the object handed out for this member (m_pTarget),
    // unless the decoder has closed that already.
    std::unique_ptr<C_ArchFile> file(info.hf == reinterpret_cast<INT_PTR>(m_pTarget) ? m_pTarget : nullptr);
    // The decoder reports the close of a member whose data failed to decode too: such a member
    // is incomplete and must not replace anything.
    const bool complete = file && file->bytesWritten() == m_nExpectedSize;
    file.reset();
    if (!complete) {
        DropUnfinishedTarget();
        m_bMemberFailed = true;
        return kCloseDone;
    }
    return m_mode == Mode::ToDirectory ? FinishDiskTarget(info) : FinishMemoryTarget();
}

INT_PTR C_CabExtractor::FinishDiskTarget(const FDINOTIFICATION& info) {
    FILETIME time;
    const bool dated = CabinetTime(info.date, info.time, &time);
    m_writer.PlaceMember(dated ? &time : nullptr);
    if (!m_pfnReceive) return kCloseDone;
    // The callback is told of a member once it is in place.
    const unsigned notPlacedBefore = m_nNotPlacedSeen;
    const C_MemberDiskWriter::Outcome written = m_writer.Wait();
    m_nNotPlacedSeen = written.notPlaced;
    if (written.failed) return kAbort;
    if (written.notPlaced != notPlacedBefore) {
        m_bMemberFailed = true;
        return kCloseDone;
    }
    return AnswerReceive(m_pfnReceive(m_pvContext, m_sTargetPath.c_str(), nullptr, 0));
}

INT_PTR C_CabExtractor::FinishMemoryTarget() {
    if (!m_pfnReceive) return kCloseDone;
    const int answer = m_pfnReceive(m_pvContext, nullptr, m_pReceived, m_nReceivedSize);
    if (!(answer & kReceiveKeepData)) std::free(m_pReceived);
    m_pReceived = nullptr;
    m_nReceivedSize = 0;
    return AnswerReceive(answer);
}

INT_PTR C_CabExtractor::AnswerReceive(int answer) {
    if (!(answer & kReceiveAbort)) return kCloseDone;
    m_bAborted = true;
    return kAbort;
}

// Removes what is left of a member that was not finished: its file object (unless the decoder
// already closed it), what was written of it, or its partial block.
void C_CabExtractor::DropUnfinishedTarget() {
    if (m_pTarget) {
        std::unique_ptr<C_ArchFile> file(m_pTarget);
        file->Close();
        m_pTarget = nullptr;
    }
    if (m_mode == Mode::ToDirectory) m_writer.DiscardMember();
    if (m_mode == Mode::ToMemory) FreeReceived();
    m_bTargetOpen = false;
}
