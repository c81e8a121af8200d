// The writer thread of fast file downloads: order, draining on every ending, and a failed write
// in the middle of a stream (a pipe whose reading end is closed), alone and inside the engine.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "common/Handles.h"
#include "transfer/HttpTransfer.h"
#include "transfer/OverlappedFileWriter.h"
#include "transfer_test_support.h"

using namespace transfertest;

namespace {

constexpr DWORD kChunk = 4096;

// Queues bytes [first, first + count) of the pattern; false when no buffer is given.
bool QueuePattern(C_OverlappedFileWriter& writer, size_t first, DWORD count) {
    BYTE* buffer = writer.NextBuffer();
    if (!buffer) return false;
    const std::vector<uint8_t> bytes = Pattern(first, count);
    std::memcpy(buffer, bytes.data(), count);
    writer.Queue(count);
    return true;
}

struct Pipe {
    UniqueHandle read;
    UniqueHandle write;
    Pipe() {
        HANDLE r = nullptr, w = nullptr;
        EXPECT_TRUE(CreatePipe(&r, &w, nullptr, 0));
        read.reset(r);
        write.reset(w);
    }
};

// Reads exactly count bytes from the pipe.
std::vector<uint8_t> ReadPipe(HANDLE pipe, size_t count) {
    std::vector<uint8_t> bytes(count);
    size_t done = 0;
    while (done < count) {
        DWORD got = 0;
        if (!ReadFile(pipe, bytes.data() + done, static_cast<DWORD>(count - done), &got, nullptr) || got == 0)
            break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

HANDLE g_cancel = nullptr;

int CancelAtOnce(C_HttpTransfer*) {
    SetEvent(g_cancel);
    return 0;
}

}  // namespace

TEST(OverlappedFileWriter, WritesEveryQueuedChunkInOrderOnEveryEnding) {
    // Chunks of every size from 1 byte to a whole buffer, more of them than there are buffers.
    const DWORD sizes[] = {kChunk, 1, 1000, kChunk - 1, kChunk, 7, kChunk, 2048};
    size_t total = 0;
    ScratchFile finished("writer-finished.bin");
    {
        C_OverlappedFileWriter writer;
        ASSERT_TRUE(writer.Start(finished.handle(), kChunk));
        for (DWORD size : sizes) {
            ASSERT_TRUE(QueuePattern(writer, total, size));
            total += size;
        }
        // A buffer taken but never queued (the read that found the end) does not hold up Finish.
        ASSERT_NE(writer.NextBuffer(), nullptr);
        EXPECT_EQ(writer.Finish(), static_cast<DWORD>(ERROR_SUCCESS));
        EXPECT_EQ(writer.written(), total);
        EXPECT_FALSE(writer.running());
        EXPECT_EQ(writer.NextBuffer(), nullptr);
        EXPECT_EQ(writer.Finish(), static_cast<DWORD>(ERROR_SUCCESS));
    }
    EXPECT_EQ(finished.Contents(), Pattern(0, total));

    // Left without Finish: the destructor writes what was queued before the thread ends.
    ScratchFile abandoned("writer-abandoned.bin");
    {
        C_OverlappedFileWriter writer;
        ASSERT_TRUE(writer.Start(abandoned.handle(), kChunk));
        for (size_t i = 0; i < 5; ++i) ASSERT_TRUE(QueuePattern(writer, i * kChunk, kChunk));
    }
    EXPECT_EQ(abandoned.Contents(), Pattern(0, 5 * kChunk));
}

TEST(OverlappedFileWriter, AFailedWriteStopsTheWritesAndShowsAtTheNextBufferAndAtFinish) {
    Pipe pipe;
    C_OverlappedFileWriter writer;
    ASSERT_TRUE(writer.Start(pipe.write.get(), kChunk));
    ASSERT_TRUE(QueuePattern(writer, 0, kChunk));
    EXPECT_EQ(ReadPipe(pipe.read.get(), kChunk), Pattern(0, kChunk));
    pipe.read.reset();  // every later write fails

    // The failure shows once the failed chunk's buffer comes back: within a round of the ring.
    int accepted = 0;
    while (accepted <= static_cast<int>(C_OverlappedFileWriter::kBufferCount) &&
           QueuePattern(writer, (accepted + 1) * size_t{kChunk}, kChunk))
        ++accepted;
    EXPECT_GE(accepted, 1);
    EXPECT_LE(accepted, static_cast<int>(C_OverlappedFileWriter::kBufferCount));
    EXPECT_NE(writer.error(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(writer.Finish(), writer.error());
    EXPECT_EQ(writer.written(), kChunk);
}

TEST(HttpTransferEngine, AFastDownloadCancelledWhileWritingKeepsEveryCountedByte) {
    g_cancel = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(g_cancel, nullptr);
    ScratchFile file("fast-cancel.bin");
    const std::string url = NginxUrl("/data.bin");
    C_HttpTransfer t;
    t.request.m_pszUrl = url.c_str();
    t.request.m_hFile = file.handle();
    t.request.m_cbChunk = 65536;
    t.request.m_hCancelEvent = g_cancel;
    t.request.m_pfnProgress = CancelAtOnce;
    EXPECT_EQ(t.Transfer(), TRANSFER_CANCELLED);
    EXPECT_GT(t.report.m_cbDone, 0u);
    EXPECT_LE(t.report.m_cbDone, 65536u);
    EXPECT_EQ(file.Contents(), Pattern(0, t.report.m_cbDone));
    CloseHandle(g_cancel);
}

TEST(HttpTransferEngine, AWriteFailingMidDownloadEndsWithTheWriteFailureAndCountsWhatWasWritten) {
    constexpr DWORD kReadSize = 16384;
    constexpr size_t kTaken = 3 * kReadSize;  // of the 300000 bytes of data.bin
    Pipe pipe;
    std::vector<uint8_t> taken;
    std::thread reader([&] {
        taken = ReadPipe(pipe.read.get(), kTaken);
        pipe.read.reset();
    });
    const std::string url = NginxUrl("/data.bin");
    C_HttpTransfer t;
    t.request.m_pszUrl = url.c_str();
    t.request.m_hFile = pipe.write.get();
    t.request.m_cbChunk = kReadSize;
    const unsigned result = t.Transfer();
    reader.join();
    EXPECT_EQ(result, TRANSFER_WRITE_FAILED);
    EXPECT_NE(t.report.m_dwLastError, 0u);
    EXPECT_EQ(taken, Pattern(0, kTaken));
    // Only chunks that went into the pipe whole count: at least the three read from it, never all.
    EXPECT_GE(t.report.m_cbDone, kTaken);
    EXPECT_LT(t.report.m_cbDone, 300000u);
}
