#include "transfer/OverlappedFileWriter.h"

#include <cstdint>
#include <new>

bool C_OverlappedFileWriter::Start(HANDLE file, DWORD chunkSize) {
    // The ring's size must not wrap around on a 32-bit system.
    if (running() || chunkSize == 0 || chunkSize > SIZE_MAX / kBufferCount) return false;
    m_pBuffers.reset(new (std::nothrow) BYTE[size_t{kBufferCount} * chunkSize]);
    if (!m_pBuffers) return false;
    m_hFile = file;
    m_cbChunk = chunkSize;
    m_nFree = kBufferCount;
    m_nQueued = 0;
    m_nFill = m_nWrite = 0;
    m_bHolding = false;
    m_cbWritten = 0;
    m_dwError = ERROR_SUCCESS;
    m_hThread.reset(CreateThread(nullptr, 0, &C_OverlappedFileWriter::ThreadMain, this, 0, nullptr));
    if (!running()) m_pBuffers.reset();
    return running();
}

void C_OverlappedFileWriter::TakeFreeBuffer() {
    if (m_bHolding) return;
    AcquireSRWLockExclusive(&m_lock);
    while (m_nFree == 0) SleepConditionVariableSRW(&m_freed, &m_lock, INFINITE, 0);
    --m_nFree;
    ReleaseSRWLockExclusive(&m_lock);
    m_bHolding = true;
}

BYTE* C_OverlappedFileWriter::NextBuffer() {
    if (!running()) return nullptr;
    TakeFreeBuffer();
    return error() == ERROR_SUCCESS ? Buffer(m_nFill) : nullptr;
}

void C_OverlappedFileWriter::Queue(DWORD count) {
    if (!m_bHolding || count == 0 || count > m_cbChunk) return;
    Pass(count);
}

void C_OverlappedFileWriter::Pass(DWORD count) {
    m_cbQueued[m_nFill] = count;
    m_nFill = (m_nFill + 1) % kBufferCount;
    m_bHolding = false;
    AcquireSRWLockExclusive(&m_lock);
    ++m_nQueued;
    ReleaseSRWLockExclusive(&m_lock);
    WakeConditionVariable(&m_queued);
}

DWORD C_OverlappedFileWriter::Finish() {
    if (!running()) return error();
    TakeFreeBuffer();
    Pass(0);  // behind every queued chunk: the thread ends after writing them
    WaitForSingleObject(m_hThread.get(), INFINITE);
    m_hThread.reset();
    m_pBuffers.reset();
    return error();
}

DWORD WINAPI C_OverlappedFileWriter::ThreadMain(void* self) {
    static_cast<C_OverlappedFileWriter*>(self)->WriteQueued();
    return 0;
}

void C_OverlappedFileWriter::WriteQueued() {
    for (;;) {
        AcquireSRWLockExclusive(&m_lock);
        while (m_nQueued == 0) SleepConditionVariableSRW(&m_queued, &m_lock, INFINITE, 0);
        ReleaseSRWLockExclusive(&m_lock);
        const DWORD count = m_cbQueued[m_nWrite];
        if (count == 0) return;
        // After a failure the chunks are only passed back, so that the caller never waits.
        if (error() == ERROR_SUCCESS) {
            DWORD done = 0;
            if (WriteFile(m_hFile, Buffer(m_nWrite), count, &done, nullptr) && done == count) {
                m_cbWritten += count;
            } else {
                const DWORD failure = GetLastError();
                m_dwError = failure != ERROR_SUCCESS ? failure : ERROR_WRITE_FAULT;
            }
        }
        m_nWrite = (m_nWrite + 1) % kBufferCount;
        AcquireSRWLockExclusive(&m_lock);
        --m_nQueued;
        ++m_nFree;
        ReleaseSRWLockExclusive(&m_lock);
        WakeConditionVariable(&m_freed);
    }
}
