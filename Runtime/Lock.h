#pragma once
// A critical section with a lock-depth counter; re-entrant on one thread.
// Any thread. Use through CAutoLock so every Lock has its Unlock.
#include <windows.h>

class CLock {
public:
    CLock();
    ~CLock();
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

    void Lock();
    void Unlock();
    // Depth of the current holder; only meaningful to the thread holding the lock.
    int Depth() const { return m_depth; }

private:
    CRITICAL_SECTION m_section;
    int m_depth = 0;
};
