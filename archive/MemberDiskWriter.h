// C_MemberDiskWriter: places extracted members on disk (through C_MemberFile) on a thread of its
// own, in the order they are handed over, so that decoding the next data overlaps the file
// system's work on the last: creating, dating, closing and naming a file is most of a small
// member's cost. At most kMaxQueuedBytes wait to be written; the decoder waits beyond that. A
// process that may run on one processor only carries each step out at once instead.
#pragma once
#include <windows.h>

#include <cstddef>
#include <deque>
#include <string>
#include <thread>
#include <vector>

#include "archive/ArchFile.h"
#include "archive/MemberFile.h"

class C_MemberDiskWriter final : public C_ArchFile::ByteSink {
public:
    static constexpr size_t kMaxQueuedBytes = 2u << 20;

    C_MemberDiskWriter();
    ~C_MemberDiskWriter();
    C_MemberDiskWriter(const C_MemberDiskWriter&) = delete;
    C_MemberDiskWriter& operator=(const C_MemberDiskWriter&) = delete;

    // Starts the thread; false when it cannot be made.
    bool Start();
    // The next member goes to target (a full path).
    void BeginMember(const std::string& target);
    // The member's next bytes (copied). False once a member could not be created or written:
    // nothing after it is written, and the extraction should end.
    bool Put(const void* data, size_t size) override;
    // The member is complete: dated with *time (when given) and put in place.
    void PlaceMember(const FILETIME* time);
    // The member is not complete: what was written of it is deleted.
    void DiscardMember();

    struct Outcome {
        bool failed = false;        // a member could not be created or written: the rest was not
        unsigned notPlaced = 0;     // complete members that could not be put in place
    };
    // Waits until everything handed over is done.
    Outcome Wait();
    // Waits, then ends the thread.
    Outcome Stop();
    bool failed() const;

private:
    struct Step {
        enum class Kind { Begin, Bytes, Place, Discard };
        Kind kind = Kind::Discard;
        std::string target;
        std::vector<unsigned char> bytes;
        FILETIME time{};
        bool dated = false;
    };

    void Hand(Step step);
    void WakeWorker(bool now);
    void Run();
    void Carry(Step& step);
    void Fail();

    // Slim lock and condition variable: they wait without a round trip to the system's
    // server, which event-based waits would take on every hand-over.
    // Each side is woken only while it waits, and the thread only once enough has gathered.
    mutable SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_workAvailable = CONDITION_VARIABLE_INIT;
    CONDITION_VARIABLE m_progress = CONDITION_VARIABLE_INIT;
    std::deque<Step> m_steps;
    size_t m_nQueuedBytes = 0;
    size_t m_nBytesSinceWake = 0;
    size_t m_nStepsSinceWake = 0;
    bool m_bWorkerWaiting = false;
    bool m_bProducerWaiting = false;
    bool m_bBusy = false;      // the thread is carrying out a step
    bool m_bStopping = false;
    bool m_bFailed = false;
    unsigned m_nNotPlaced = 0;
    std::thread m_thread;
    // Steps are carried out at once, on the caller's thread (a single processor).
    bool m_bInline = false;
    std::vector<std::vector<unsigned char>> m_spareBuffers;

    // Used by the thread only.
    C_MemberFile m_current;
    std::string m_sLastParentMade;
};
