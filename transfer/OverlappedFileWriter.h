// C_OverlappedFileWriter: writes a stream of chunks into a file on a thread of its own, so that
// the next chunk can be read while the previous one is being written. The chunks pass through a
// small ring of buffers: the caller fills a free one and queues it, the thread writes the queued
// ones in order and frees them again.
//
// One object serves one download. Finish (also run by the destructor) writes everything queued
// and ends the thread, so no path leaves the thread running or a queued chunk unwritten. After
// the first failed write nothing more is written; the failure shows at the next NextBuffer and
// at Finish.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>

#include "common/Handles.h"

class C_OverlappedFileWriter {
public:
    // Three buffers: one being read into, one being written, one queued between the two.
    static constexpr unsigned kBufferCount = 3;

    C_OverlappedFileWriter() = default;
    ~C_OverlappedFileWriter() { Finish(); }
    C_OverlappedFileWriter(const C_OverlappedFileWriter&) = delete;
    C_OverlappedFileWriter& operator=(const C_OverlappedFileWriter&) = delete;

    // Allocates the buffers of chunkSize bytes each and starts the thread that writes to file at
    // its current position. False, with nothing started, when the memory or the thread cannot be
    // had; the caller then writes by itself.
    bool Start(HANDLE file, DWORD chunkSize);
    bool running() const { return static_cast<bool>(m_hThread); }

    // The next free buffer (chunkSize bytes), waiting while every buffer is queued; nullptr
    // once a write has failed.
    BYTE* NextBuffer();
    // Queues the first count bytes (1..chunkSize) of the buffer NextBuffer handed out last.
    void Queue(DWORD count);
    // Writes everything queued, ends the thread and answers the error of the failed write
    // (ERROR_SUCCESS when every write succeeded). Does nothing more when not running.
    DWORD Finish();

    // Bytes of the chunks written completely so far.
    uint64_t written() const { return m_cbWritten.load(); }
    DWORD error() const { return m_dwError.load(); }

private:
    static DWORD WINAPI ThreadMain(void* self);
    void WriteQueued();
    // Takes a free buffer unless one is held already, waiting while none is free.
    void TakeFreeBuffer();
    // Queues the held buffer with count bytes (0: the end).
    void Pass(DWORD count);
    BYTE* Buffer(unsigned index) const { return m_pBuffers.get() + size_t{index} * m_cbChunk; }

    HANDLE m_hFile = nullptr;
    DWORD m_cbChunk = 0;
    std::unique_ptr<BYTE[]> m_pBuffers;
    // Bytes queued in each buffer; 0 asks the thread to end.
    DWORD m_cbQueued[kBufferCount] = {};
    // Free and queued buffers, guarded by m_lock; each side walks the ring in the same order.
    // Slim locks and condition variables wait without a kernel object per hand-off.
    SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_freed = CONDITION_VARIABLE_INIT;
    CONDITION_VARIABLE m_queued = CONDITION_VARIABLE_INIT;
    unsigned m_nFree = 0;
    unsigned m_nQueued = 0;
    unsigned m_nFill = 0;  // the caller's next buffer
    bool m_bHolding = false;  // the caller holds buffer m_nFill
    unsigned m_nWrite = 0;  // the thread's next buffer
    UniqueHandle m_hThread;
    std::atomic<uint64_t> m_cbWritten{0};
    std::atomic<DWORD> m_dwError{ERROR_SUCCESS};
};
