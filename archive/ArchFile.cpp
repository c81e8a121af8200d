#include "archive/ArchFile.h"

#include <climits>
#include <cstring>
#include <new>

#include "archive/MemoryPath.h"
#include "archive/WidePath.h"

namespace {

DWORD Disposition(int flags, const char* name) {
    const bool create = flags & C_ArchFile::kCreate;
    if (!create) return OPEN_EXISTING;
    if (flags & C_ArchFile::kExclusive) return CREATE_NEW;
    if (flags & C_ArchFile::kTruncate) return WideFileExists(name) ? TRUNCATE_EXISTING : CREATE_ALWAYS;
    return OPEN_ALWAYS;
}

DWORD Access(int flags) {
    switch (flags & C_ArchFile::kAccessMask) {
    case C_ArchFile::kWriteOnly: return GENERIC_WRITE;
    case C_ArchFile::kReadWrite: return GENERIC_READ | GENERIC_WRITE;
    default: return GENERIC_READ;
    }
}

}  // namespace

bool C_ArchFile::Open(const char* name, int flags) {
    uint64_t address = 0;
    uint32_t size = 0;
    if (ParseMemoryPath(name, &address, &size) && static_cast<uintptr_t>(address) == address) {
        if (!OpenMemory(reinterpret_cast<void*>(static_cast<uintptr_t>(address)), size)) return false;
        m_sName = name;
        return true;
    }
    return OpenDisk(name, flags);
}

bool C_ArchFile::OpenDisk(const char* name, int flags) {
    Close();
    if (!name) return false;
    const std::wstring path = ToWidePath(name);
    if (path.empty()) return false;
    const DWORD access = Access(flags);
    const DWORD share = access == GENERIC_READ ? FILE_SHARE_READ : 0;
    UniqueHandle file(CreateFileW(path.c_str(), access, share, nullptr, Disposition(flags, name),
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    if ((flags & kAppend) && SetFilePointer(file.get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
        GetLastError() != NO_ERROR)
        return false;
    m_hFile = std::move(file);
    m_kind = Kind::Disk;
    m_sName = name;
    return true;
}

bool C_ArchFile::OpenMemory(void* address, size_t size) {
    Close();
    m_kind = Kind::Memory;
    m_pBlock = static_cast<unsigned char*>(address);
    m_nSize = size;
    m_nPosition = 0;
    return true;
}

void C_ArchFile::OpenSink(ByteSink* sink) {
    Close();
    m_kind = Kind::Sink;
    m_pSink = sink;
}

UINT C_ArchFile::Transfer(void* to, const void* from, UINT count) {
    if (count) std::memcpy(to, from, count);
    m_nPosition += count;
    return count;
}

UINT C_ArchFile::Read(void* buffer, UINT count) {
    if (m_kind == Kind::Memory) {
        const size_t left = m_nPosition < m_nSize ? m_nSize - m_nPosition : 0;
        return Transfer(buffer, m_pBlock + m_nPosition, static_cast<UINT>(count < left ? count : left));
    }
    DWORD done = 0;
    if (m_kind != Kind::Disk || !ReadFile(m_hFile.get(), buffer, count, &done, nullptr)) return static_cast<UINT>(-1);
    return done;
}

UINT C_ArchFile::Write(const void* buffer, UINT count) {
    if (m_kind == Kind::Memory) {
        const size_t left = m_nPosition < m_nSize ? m_nSize - m_nPosition : 0;
        const UINT done = Transfer(m_pBlock + m_nPosition, buffer, static_cast<UINT>(count < left ? count : left));
        m_nBytesWritten += done;
        return done;
    }
    if (m_kind == Kind::Sink) {
        if (!m_pSink->Put(buffer, count)) return static_cast<UINT>(-1);
        m_nBytesWritten += count;
        return count;
    }
    DWORD done = 0;
    if (m_kind != Kind::Disk || !WriteFile(m_hFile.get(), buffer, count, &done, nullptr)) return static_cast<UINT>(-1);
    m_nBytesWritten += done;
    return done;
}

// Positions stay inside the block (the end itself included), so that no later transfer can
// reach outside it.
long C_ArchFile::SeekMemory(long offset, int origin) {
    size_t position = 0;
    switch (origin) {
    case FILE_BEGIN:
        if (offset < 0 || static_cast<size_t>(offset) >= m_nSize) return -1;
        position = static_cast<size_t>(offset);
        break;
    case FILE_CURRENT:
        if (offset < 0 || static_cast<size_t>(offset) >= m_nSize ||
            static_cast<size_t>(offset) > m_nSize - m_nPosition)
            return -1;
        position = m_nPosition + static_cast<size_t>(offset);
        break;
    case FILE_END:
        if (offset > 0 || static_cast<size_t>(-static_cast<long long>(offset)) > m_nSize) return -1;
        position = m_nSize - static_cast<size_t>(-static_cast<long long>(offset));
        break;
    default:
        return -1;
    }
    if (position > static_cast<size_t>(LONG_MAX)) return -1;
    m_nPosition = position;
    return static_cast<long>(position);
}

long C_ArchFile::SeekDisk(long offset, int origin) {
    if (origin != FILE_BEGIN && origin != FILE_CURRENT && origin != FILE_END) return -1;
    LARGE_INTEGER move;
    move.QuadPart = offset;
    LARGE_INTEGER position;
    if (!SetFilePointerEx(m_hFile.get(), move, &position, static_cast<DWORD>(origin)) ||
        position.QuadPart > LONG_MAX)
        return -1;
    return static_cast<long>(position.QuadPart);
}

long C_ArchFile::Seek(long offset, int origin) {
    switch (m_kind) {
    case Kind::Memory: return SeekMemory(offset, origin);
    case Kind::Disk: return SeekDisk(offset, origin);
    default: return -1;
    }
}

bool C_ArchFile::SetTimes(const FILETIME& time) {
    switch (m_kind) {
    case Kind::Memory: return true;
    case Kind::Disk: return SetFileTime(m_hFile.get(), &time, nullptr, &time) != FALSE;
    default: return false;
    }
}

int C_ArchFile::Close() {
    int result = 0;
    if (m_kind == Kind::Disk && !CloseHandle(m_hFile.release())) result = -1;
    m_kind = Kind::None;
    m_pBlock = nullptr;
    m_pSink = nullptr;
    m_nSize = m_nPosition = 0;
    m_sName.clear();
    if (m_ppCloseWatch && *m_ppCloseWatch == this) *m_ppCloseWatch = nullptr;
    m_ppCloseWatch = nullptr;
    return result;
}

INT_PTR DIAMONDAPI C_ArchFile::FdiOpen(char* name, int flags, int /*mode*/) {
    std::unique_ptr<C_ArchFile> file(new (std::nothrow) C_ArchFile);
    if (!file || !file->Open(name, flags)) return -1;
    return ToHandle(std::move(file));
}

// The decoder may hand back handles it never got from FdiOpen (0 or -1, for a cabinet it failed
// to open); those are refused instead of being dereferenced.
UINT DIAMONDAPI C_ArchFile::FdiRead(INT_PTR handle, void* buffer, UINT count) {
    C_ArchFile* file = FromHandle(handle);
    return file ? file->Read(buffer, count) : static_cast<UINT>(-1);
}

UINT DIAMONDAPI C_ArchFile::FdiWrite(INT_PTR handle, void* buffer, UINT count) {
    C_ArchFile* file = FromHandle(handle);
    return file ? file->Write(buffer, count) : static_cast<UINT>(-1);
}

int DIAMONDAPI C_ArchFile::FdiClose(INT_PTR handle) {
    std::unique_ptr<C_ArchFile> file(FromHandle(handle));
    return file ? file->Close() : -1;
}

LONG DIAMONDAPI C_ArchFile::FdiSeek(INT_PTR handle, LONG offset, int origin) {
    C_ArchFile* file = FromHandle(handle);
    return file ? file->Seek(offset, origin) : -1;
}
