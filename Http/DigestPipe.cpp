#include "Http/DigestPipe.h"

#include <algorithm>
#include <cstring>

namespace {

// Holds an SRW lock exclusively for a scope.
class SrwHold {
public:
    explicit SrwHold(SRWLOCK& lock) : m_lock(lock) { AcquireSRWLockExclusive(&m_lock); }
    ~SrwHold() { ReleaseSRWLockExclusive(&m_lock); }
    SrwHold(const SrwHold&) = delete;
    SrwHold& operator=(const SrwHold&) = delete;

private:
    SRWLOCK& m_lock;
};

}  // namespace

DigestPipe::DigestPipe(unsigned kinds, size_t ringBytes)
    : m_digester(kinds),
      m_ringBytes(ringBytes),
      m_batchBytes(std::max<size_t>(1, std::min(kPieceBytes, ringBytes / 2))) {
    if (!IsWanted())
        return;
    m_ring.reset(new char[m_ringBytes]);
    StartThread();
}

DigestPipe::~DigestPipe() {
    {
        SrwHold hold(m_lock);
        m_quit = true;
        m_cancelled = true;
    }
    WakeAllConditionVariable(&m_changed);
    StopThread(INFINITE);
}

bool DigestPipe::Feed(const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    SrwHold hold(m_lock);
    m_flushing = false;
    while (size > 0) {
        if (m_cancelled)
            return false;
        if (m_pending == m_ringBytes) {
            ++m_fullWaits;
            SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
            continue;
        }
        // Up to the ring's end or its first byte still waiting, whichever comes first.
        const size_t room = std::min(m_ringBytes - m_pending, m_ringBytes - m_head);
        const size_t piece = std::min(room, size);
        memcpy(m_ring.get() + m_head, bytes, piece);
        m_head = (m_head + piece) % m_ringBytes;
        const bool batchGathered = m_pending < m_batchBytes && m_pending + piece >= m_batchBytes;
        m_pending += piece;
        m_fed += piece;
        bytes += piece;
        size -= piece;
        if (batchGathered)
            WakeAllConditionVariable(&m_changed);
    }
    return true;
}

void DigestPipe::Reset() {
    SrwHold hold(m_lock);
    m_pending = 0;
    ++m_generation;
    while (m_hashing)
        SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
    m_digester.Reset();
    m_fed = 0;
}

DWORD DigestPipe::FeedFileStart(const std::wstring& path,
                                uint64_t length,
                                const std::function<bool()>& keepGoing) {
    const DWORD error = m_digester.FeedFileStart(path, length, keepGoing);
    if (error == ERROR_SUCCESS)
        m_fed += length;
    return error;
}

bool DigestPipe::WaitIdle() {
    if (!m_flushing) {
        m_flushing = true;
        WakeAllConditionVariable(&m_changed);
    }
    while (!m_cancelled && (m_pending > 0 || m_hashing))
        SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
    return !m_cancelled;
}

bool DigestPipe::Drain() {
    if (!IsWanted())
        return true;
    SrwHold hold(m_lock);
    return WaitIdle();
}

void DigestPipe::Cancel() {
    {
        SrwHold hold(m_lock);
        m_cancelled = true;
    }
    WakeAllConditionVariable(&m_changed);
}

FileDigests DigestPipe::Finish() {
    SrwHold hold(m_lock);
    if (!WaitIdle())
        return FileDigests();
    return m_digester.Finish();
}

void DigestPipe::Run() {
    SrwHold hold(m_lock);
    for (;;) {
        while (!m_quit && (m_cancelled || m_pending == 0 || (m_pending < m_batchBytes && !m_flushing)))
            SleepConditionVariableSRW(&m_changed, &m_lock, INFINITE, 0);
        if (m_quit)
            return;
        const size_t tail = (m_head + m_ringBytes - m_pending) % m_ringBytes;
        const size_t piece = std::min({m_pending, m_ringBytes - tail, kPieceBytes});
        const unsigned generation = m_generation;
        m_hashing = true;
        // The writer never fills bytes still counted as pending, so this piece stays put
        // while it is hashed outside the lock.
        ReleaseSRWLockExclusive(&m_lock);
        m_digester.Update(m_ring.get() + tail, piece);
        AcquireSRWLockExclusive(&m_lock);
        m_hashing = false;
        ++m_piecesHashed;
        if (generation == m_generation)
            m_pending -= piece;
        WakeAllConditionVariable(&m_changed);
    }
}
