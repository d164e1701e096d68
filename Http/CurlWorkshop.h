#pragma once
// A worker thread that owns one libcurl multi handle and runs every transfer handed to it. With
// nothing left to do the thread ends at once (under Wine each thread keeps a megabyte resident, and
// one that lingered would keep it through the next step of an install: the download behind the
// manifest, the signature check behind the download) and the next hand-over starts a new one.
// AddTransfer/RemoveTransfer: UI thread (they queue changes under the lock and start the thread
// again); Init/Shutdown: the owner, while the thread is not running; Run: the worker thread.
#include <curl/curl.h>

#include <deque>
#include <vector>

#include "Http/CurlBase.h"
#include "Runtime/Lock.h"
#include "Runtime/RefPtr.h"
#include "Runtime/SimpleThread.h"

class CCurlWorkshop : public CSimpleThread {
public:
    CCurlWorkshop();
    ~CCurlWorkshop() override;

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
    // False when the thread is to end: nothing is left to do.
    bool WaitForWork();
    // Under the lock: true when the worker's thread has ended and must be started again.
    bool NeedsRestartLocked();
    void StartAgain();
    static void PostEvents(const EventList& events);

    CURLM* m_multi = nullptr;
    TransferList m_pendingAdditions;
    TransferList m_running;
    TransferList m_pendingRemovals;
    CLock m_lock;
    // Set by the worker as its thread ends for want of work; cleared by the hand-over that starts it again.
    bool m_asleep = false;
};
