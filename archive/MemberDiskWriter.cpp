#include "archive/MemberDiskWriter.h"

#include <new>
#include <utility>

namespace {

// Bytes of one member gather into steps of up to this size: fewer hand-overs and writes.
constexpr size_t kBytesPerStep = 256u << 10;
// The thread is woken once this much has gathered (or when the extraction waits for it): each
// wake-up is a round trip through the system, which would cost more than a small member's work.
constexpr size_t kWakeBytes = 256u << 10;
constexpr size_t kWakeSteps = 32;
// Buffers of written steps kept for reuse: enough for a full queue.
constexpr size_t kSpareBuffers = C_MemberDiskWriter::kMaxQueuedBytes / kBytesPerStep + 2;

class ExclusiveLock {
public:
    explicit ExclusiveLock(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockExclusive(&m_lock); }
    ~ExclusiveLock() { ReleaseSRWLockExclusive(&m_lock); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

private:
    SRWLOCK& m_lock;
};

// Processors this process may run on.
unsigned UsableProcessors() {
    DWORD_PTR process = 0, system = 0;
    if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) return 1;
    unsigned count = 0;
    for (; process; process &= process - 1) ++count;
    return count;
}

}  // namespace

C_MemberDiskWriter::C_MemberDiskWriter() = default;

C_MemberDiskWriter::~C_MemberDiskWriter() { Stop(); }

bool C_MemberDiskWriter::Start() {
    if (m_thread.joinable() || m_bInline) return true;
    m_bFailed = false;
    m_nNotPlaced = 0;
    m_bStopping = false;
    m_sLastParentMade.clear();
    // On one processor the hand-overs would only add to the work.
    if (UsableProcessors() < 2) {
        m_bInline = true;
        return true;
    }
    try {
        // Kept for reuse without growing on the thread.
        m_spareBuffers.reserve(kSpareBuffers);
        m_thread = std::thread([this] { Run(); });
    } catch (...) {
        return false;
    }
    return true;
}

void C_MemberDiskWriter::BeginMember(const std::string& target) { Hand(Step{Step::Kind::Begin, target, {}, {}, false}); }

bool C_MemberDiskWriter::Put(const void* data, size_t size) {
    if (m_bInline) {
        if (!m_bFailed && m_current.isOpen() && !m_current.Write(data, size)) Fail();
        return !m_bFailed;
    }
    if (!m_thread.joinable()) return false;
    ExclusiveLock hold(m_lock);
    while (!m_bFailed && m_nQueuedBytes > 0 && m_nQueuedBytes + size > kMaxQueuedBytes) {
        WakeWorker(true);
        m_bProducerWaiting = true;
        SleepConditionVariableSRW(&m_progress, &m_lock, INFINITE, 0);
        m_bProducerWaiting = false;
    }
    if (m_bFailed) return false;
    if (size == 0) return true;
    const auto* bytes = static_cast<const unsigned char*>(data);
    // Out of memory fails the write (and so the extraction) instead of unwinding into the decoder.
    try {
        if (m_steps.empty() || m_steps.back().kind != Step::Kind::Bytes ||
            m_steps.back().bytes.size() + size > kBytesPerStep) {
            m_steps.push_back(Step{Step::Kind::Bytes, {}, {}, {}, false});
            if (!m_spareBuffers.empty()) {
                m_steps.back().bytes.swap(m_spareBuffers.back());
                m_spareBuffers.pop_back();
            }
            m_steps.back().bytes.reserve(size > kBytesPerStep ? size : kBytesPerStep);
            ++m_nStepsSinceWake;
        }
        std::vector<unsigned char>& gathered = m_steps.back().bytes;
        gathered.insert(gathered.end(), bytes, bytes + size);
    } catch (const std::bad_alloc&) {
        m_bFailed = true;
        return false;
    }
    m_nQueuedBytes += size;
    m_nBytesSinceWake += size;
    WakeWorker(false);
    return true;
}

void C_MemberDiskWriter::PlaceMember(const FILETIME* time) {
    Step step{Step::Kind::Place, {}, {}, {}, time != nullptr};
    if (time) step.time = *time;
    Hand(std::move(step));
}

void C_MemberDiskWriter::DiscardMember() { Hand(Step{Step::Kind::Discard, {}, {}, {}, false}); }

// Steps handed over while no thread runs (a member dropped when the extractor is reset) are
// dropped: there is nothing to carry them out on.
void C_MemberDiskWriter::Hand(Step step) {
    if (m_bInline) {
        Carry(step);
        return;
    }
    if (!m_thread.joinable()) return;
    ExclusiveLock hold(m_lock);
    try {
        m_steps.push_back(std::move(step));
    } catch (const std::bad_alloc&) {
        m_bFailed = true;
        return;
    }
    ++m_nStepsSinceWake;
    WakeWorker(false);
}

// Called with the lock held.
void C_MemberDiskWriter::WakeWorker(bool now) {
    if (!m_bWorkerWaiting) return;
    if (!now && m_nBytesSinceWake < kWakeBytes && m_nStepsSinceWake < kWakeSteps) return;
    m_nBytesSinceWake = 0;
    m_nStepsSinceWake = 0;
    WakeConditionVariable(&m_workAvailable);
}

C_MemberDiskWriter::Outcome C_MemberDiskWriter::Wait() {
    ExclusiveLock hold(m_lock);
    while (m_thread.joinable() && (!m_steps.empty() || m_bBusy)) {
        WakeWorker(true);
        m_bProducerWaiting = true;
        SleepConditionVariableSRW(&m_progress, &m_lock, INFINITE, 0);
        m_bProducerWaiting = false;
    }
    return Outcome{m_bFailed, m_nNotPlaced};
}

C_MemberDiskWriter::Outcome C_MemberDiskWriter::Stop() {
    const Outcome outcome = Wait();
    if (m_thread.joinable()) {
        {
            ExclusiveLock hold(m_lock);
            m_bStopping = true;
            WakeWorker(true);
        }
        m_thread.join();
    }
    m_current.Discard();
    m_bInline = false;
    m_spareBuffers.clear();
    return outcome;
}

bool C_MemberDiskWriter::failed() const {
    ExclusiveLock hold(m_lock);
    return m_bFailed;
}

void C_MemberDiskWriter::Run() {
    Step step;
    for (;;) {
        {
            ExclusiveLock hold(m_lock);
            m_bBusy = false;
            if (step.kind == Step::Kind::Bytes && m_spareBuffers.size() < kSpareBuffers) {
                step.bytes.clear();
                m_spareBuffers.push_back(std::move(step.bytes));
            }
            if (m_bProducerWaiting) WakeConditionVariable(&m_progress);
            while (m_steps.empty() && !m_bStopping) {
                m_bWorkerWaiting = true;
                SleepConditionVariableSRW(&m_workAvailable, &m_lock, INFINITE, 0);
                m_bWorkerWaiting = false;
            }
            if (m_steps.empty()) return;
            step = std::move(m_steps.front());
            m_steps.pop_front();
            m_nQueuedBytes -= step.bytes.size();
            m_bBusy = true;
        }
        try {
            Carry(step);
        } catch (const std::bad_alloc&) {
            Fail();
        }
    }
}

// After a failure nothing more is created or written; what was begun is deleted.
void C_MemberDiskWriter::Carry(Step& step) {
    bool failed;
    {
        ExclusiveLock hold(m_lock);
        failed = m_bFailed;
    }
    bool ok = true;
    switch (step.kind) {
    case Step::Kind::Begin: ok = failed || m_current.Create(step.target, m_sLastParentMade); break;
    case Step::Kind::Bytes:
        ok = failed || !m_current.isOpen() || m_current.Write(step.bytes.data(), step.bytes.size());
        break;
    case Step::Kind::Place:
        if (!failed && m_current.isOpen() && !m_current.Place(step.dated ? &step.time : nullptr)) {
            ExclusiveLock hold(m_lock);
            ++m_nNotPlaced;
        }
        break;
    case Step::Kind::Discard: m_current.Discard(); break;
    }
    if (!ok) Fail();
}

void C_MemberDiskWriter::Fail() {
    m_current.Discard();
    ExclusiveLock hold(m_lock);
    m_bFailed = true;
}
