#pragma once
// A worker thread that owns one libcurl multi handle and runs every transfer handed to it. With
// nothing to do for a while the thread ends (under Wine each thread keeps a megabyte resident) and
// the next hand-over starts a new one.
// AddTransfer/RemoveTransfer: UI thread (they queue changes under the lock and start the thread
// again); Init/Shutdown: the owner, while the thread is not running; Run: the worker thread.
#include <curl/curl.h>

#include <deque>
#include <vector>

#include "Http/CurlBase.h"
#include "Runtime/Lock.h"
#include "Runtime/RefPtr.h"
#include "Runtime/ScopedHandle.h"
#include "Runtime/SimpleThread.h"

class CCurlWorkshop : public CSimpleThread {
public:
    static constexpr DWORD kIdleExitMs = 1000;

    CCurlWorkshop();
    ~CCurlWorkshop() override;

    bool StopThread(DWORD timeoutMs) override;
    void Init();
    bool AddTransfer(const CRefPtr<CCurlBase>& transfer);
    bool RemoveTransfer(const CRefPtr<CCurlBase>& transfer);
    void Run() override;
    void Shutdown();

private:
    using TransferList = std::deque<CRefPtr<CCurlBase>>;
    // Events are posted after the lock is left: no code holds this lock and the queue's.
    struct PendingEvent {
        enum Kind { kStarted, kRemoved, kDone } kind;
        CRefPtr<CCurlBase> transfer;
        CURLcode result;
    };
    using EventList = std::vector<PendingEvent>;

    int PerformStep();
    int CompletionStep();
    void RunBeforeStartWork();
    void ApplyPendingChanges(EventList& events);
    void WaitForSockets();
    void RemoveLocked(const CRefPtr<CCurlBase>& transfer);
    bool HasTransfers();
    bool HasTransfersLocked() const;
    // False when the thread is to end: nothing was handed over for kIdleExitMs.
    bool WaitForWork();
    // Under the lock: wakes the worker; true when its thread has ended and must be started again.
    bool WakeLocked();
    void StartAgain();
    static void PostEvents(const EventList& events);

    CURLM* m_multi = nullptr;
    TransferList m_pendingAdditions;
    TransferList m_running;
    TransferList m_pendingRemovals;
    CLock m_lock;
    // Signalled by every change of the lists, so that an idle worker can wait for work
    // instead of waking a thousand times a second.
    CScopedHandle m_wake;
    // Set by the worker as its thread ends for want of work; cleared by the hand-over that starts it again.
    bool m_asleep = false;
};
