// C_ArchFile: a file the Cabinet decoder reads or writes through its file callbacks, either a
// disk file or a block of memory named by a memory pseudo-path. The decoder's file handle is the
// address of the object; closing the handle destroys the object.
#pragma once
#include <windows.h>
#include <fdi.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/Handles.h"

class C_ArchFile {
public:
    // Open flags in the numbering the decoder uses for its open callback.
    static constexpr int kWriteOnly = 0x0001;
    static constexpr int kReadWrite = 0x0002;
    static constexpr int kAppend = 0x0008;
    static constexpr int kCreate = 0x0100;
    static constexpr int kTruncate = 0x0200;
    static constexpr int kExclusive = 0x0400;
    static constexpr int kBinary = 0x8000;
    static constexpr int kAccessMask = 0x0003;

    enum class Kind { None, Disk, Memory, Sink };

    // Takes written bytes somewhere else (a member handed to another thread, say); false when
    // they cannot be taken, which fails the write.
    class ByteSink {
    public:
        virtual bool Put(const void* data, size_t size) = 0;

    protected:
        ~ByteSink() = default;
    };

    C_ArchFile() = default;
    ~C_ArchFile() { Close(); }
    C_ArchFile(const C_ArchFile&) = delete;
    C_ArchFile& operator=(const C_ArchFile&) = delete;

    // A memory pseudo-path opens the block it names; any other name is a disk file.
    bool Open(const char* name, int flags);
    // A disk file, never a memory block, whatever the name looks like.
    bool OpenDisk(const char* name, int flags);
    bool OpenMemory(void* address, size_t size);
    // Written bytes go to sink (which must outlive the object); nothing can be read or sought.
    void OpenSink(ByteSink* sink);

    // Bytes moved, or (UINT)-1 when a disk transfer fails. Memory transfers stop at the end of
    // the block.
    UINT Read(void* buffer, UINT count);
    UINT Write(const void* buffer, UINT count);
    // origin: 0 start, 1 current, 2 end. The new position, or -1.
    long Seek(long offset, int origin);
    // Creation and last-write time of a disk file (memory blocks succeed, closed objects fail).
    bool SetTimes(const FILETIME& time);
    // 0, or -1 when closing the disk handle fails.
    int Close();

    Kind kind() const { return m_kind; }
    const std::string& name() const { return m_sName; }
    uint64_t bytesWritten() const { return m_nBytesWritten; }

    // Lets an owner learn that the decoder closed this object: *slot is cleared on Close while
    // it still points here.
    void WatchClose(C_ArchFile** slot) { m_ppCloseWatch = slot; }

    // The decoder's handle for an object (which it then owns) and back; 0 and -1 are no object.
    static INT_PTR ToHandle(std::unique_ptr<C_ArchFile> file) { return reinterpret_cast<INT_PTR>(file.release()); }
    static C_ArchFile* FromHandle(INT_PTR handle) {
        return handle == 0 || handle == -1 ? nullptr : reinterpret_cast<C_ArchFile*>(handle);
    }

    // The decoder's file callbacks.
    static INT_PTR DIAMONDAPI FdiOpen(char* name, int flags, int mode);
    static UINT DIAMONDAPI FdiRead(INT_PTR handle, void* buffer, UINT count);
    static UINT DIAMONDAPI FdiWrite(INT_PTR handle, void* buffer, UINT count);
    static int DIAMONDAPI FdiClose(INT_PTR handle);
    static LONG DIAMONDAPI FdiSeek(INT_PTR handle, LONG offset, int origin);

private:
    UINT Transfer(void* to, const void* from, UINT count);
    long SeekMemory(long offset, int origin);
    long SeekDisk(long offset, int origin);

    Kind m_kind = Kind::None;
    UniqueHandle m_hFile;
    unsigned char* m_pBlock = nullptr;
    size_t m_nSize = 0;
    size_t m_nPosition = 0;
    ByteSink* m_pSink = nullptr;
    uint64_t m_nBytesWritten = 0;
    std::string m_sName;
    C_ArchFile** m_ppCloseWatch = nullptr;
};
