#include "Http/CurlWorkshop.h"

#include <algorithm>

#include "Http/CurlEvents.h"
#include "Runtime/AutoLock.h"
#include "Runtime/FileLogger.h"

namespace {

constexpr const wchar_t* kSource = L".\\Http\\CurlWorkshop";
constexpr long kSelectWaitUs = 5000;
constexpr DWORD kIdleSleepMs = 1;

template <class List>
typename List::iterator Find(List& list, const CRefPtr<CCurlBase>& transfer) {
    return std::find(list.begin(), list.end(), transfer);
}

}  // namespace

CCurlWorkshop::CCurlWorkshop() = default;

CCurlWorkshop::~CCurlWorkshop() {
    if (m_multi)
        curl_multi_cleanup(m_multi);
}

void CCurlWorkshop::Init() {
    CAutoLock hold(m_lock);
    if (!m_multi)
        m_multi = curl_multi_init();
    FileLogger::Instance().Log(kLogInfo, __LINE__, kSource, L"CCurlWorkshop::Init() %x",
                               static_cast<unsigned>(reinterpret_cast<uintptr_t>(m_multi)));
}

bool CCurlWorkshop::AddTransfer(const CRefPtr<CCurlBase>& transfer) {
    bool asleep;
    {
        CAutoLock hold(m_lock);
        if (!m_multi)
            return false;
        m_pendingAdditions.push_back(transfer);
        auto removal = Find(m_pendingRemovals, transfer);
        if (removal != m_pendingRemovals.end())
            m_pendingRemovals.erase(removal);
        asleep = NeedsRestartLocked();
    }
    if (asleep)
        StartAgain();
    return true;
}

bool CCurlWorkshop::RemoveTransfer(const CRefPtr<CCurlBase>& transfer) {
    bool asleep;
    {
        CAutoLock hold(m_lock);
        if (!m_multi)
            return false;
        m_pendingRemovals.push_back(transfer);
        asleep = NeedsRestartLocked();
    }
    if (asleep)
        StartAgain();
    return true;
}

bool CCurlWorkshop::NeedsRestartLocked() {
    const bool asleep = m_asleep;
    m_asleep = false;
    return asleep;
}

void CCurlWorkshop::StartAgain() {
    // The ended thread has left its loop and only has to return; outside the lock, which it may
    // still be leaving.
    DestroyThread(INFINITE);
    StartThread();
}

void CCurlWorkshop::Run() {
    while (!IsStopping()) {
        int performing = PerformStep();
        int finished = CompletionStep();
        if (performing == 0 && finished == 0) {
            if (IsStopping() || !WaitForWork())
                break;
        }
    }
}

bool CCurlWorkshop::HasTransfers() {
    CAutoLock hold(m_lock);
    return HasTransfersLocked();
}

bool CCurlWorkshop::HasTransfersLocked() const {
    return !m_pendingAdditions.empty() || !m_running.empty() || !m_pendingRemovals.empty();
}

bool CCurlWorkshop::WaitForWork() {
    if (HasTransfers()) {
        Sleep(kIdleSleepMs);
        return true;
    }
    CAutoLock hold(m_lock);
    // Decided under the lock, so that a hand-over either finds the worker awake or starts it again.
    m_asleep = !HasTransfersLocked();
    return !m_asleep;
}

int CCurlWorkshop::PerformStep() {
    if (IsStopping())
        return 0;
    RunBeforeStartWork();
    EventList events;
    ApplyPendingChanges(events);
    PostEvents(events);
    WaitForSockets();
    int running = 0;
    int anyRunning = 0;
    CURLMcode code;
    do {
        code = curl_multi_perform(m_multi, &running);
        if (running > 0)
            anyRunning = 1;
    } while (code == CURLM_CALL_MULTI_PERFORM);
    return anyRunning;
}

void CCurlWorkshop::WaitForSockets() {
    for (;;) {
        fd_set readSet, writeSet, errorSet;
        FD_ZERO(&readSet);
        FD_ZERO(&writeSet);
        FD_ZERO(&errorSet);
        int highest = -1;
        curl_multi_fdset(m_multi, &readSet, &writeSet, &errorSet, &highest);
        if (highest < 0)
            return;
        timeval wait = {0, kSelectWaitUs};
        if (select(highest + 1, &readSet, &writeSet, &errorSet, &wait) != SOCKET_ERROR ||
            WSAGetLastError() != WSAEINTR)
            return;
    }
}

int CCurlWorkshop::CompletionStep() {
    int count = 0;
    EventList events;
    CURLMsg* message;
    int left = 0;
    while (!IsStopping() && (message = curl_multi_info_read(m_multi, &left)) != nullptr) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CAutoLock hold(m_lock);
        ++count;
        auto found =
            std::find_if(m_running.begin(), m_running.end(), [&](const CRefPtr<CCurlBase>& transfer) {
                return transfer->EasyHandle() == message->easy_handle;
            });
        if (found != m_running.end()) {
            CRefPtr<CCurlBase> transfer = *found;
            CURLcode result = message->data.result;
            // The message lives in the multi handle only until the handle is removed. A transfer
            // its request dropped (its callbacks made libcurl give up) reports no completion.
            const auto kind = transfer->IsActive() ? PendingEvent::kDone : PendingEvent::kRemoved;
            events.push_back({kind, transfer, result});
            RemoveLocked(transfer);
        }
    }
    for (const PendingEvent& event : events) {
        if (event.kind == PendingEvent::kDone)
            event.transfer->RunAfterLastWrite();
    }
    PostEvents(events);
    return count;
}

void CCurlWorkshop::RunBeforeStartWork() {
    TransferList waiting;
    {
        CAutoLock hold(m_lock);
        for (const auto& transfer : m_pendingAdditions) {
            if (!transfer->HasRunBeforeStart())
                waiting.push_back(transfer);
        }
    }
    // Outside the lock: the UI thread may withdraw a transfer (or stop the engine) meanwhile,
    // and the work then ends at its next piece.
    for (const auto& transfer : waiting)
        transfer->RunBeforeStart([&] { return transfer->IsActive() && !IsStopping(); });
}

void CCurlWorkshop::ApplyPendingChanges(EventList& events) {
    CAutoLock hold(m_lock);
    for (const auto& transfer : m_pendingAdditions) {
        if (!transfer->IsActive())
            m_pendingRemovals.push_back(transfer);
    }
    for (const auto& transfer : m_running) {
        if (!transfer->IsActive())
            m_pendingRemovals.push_back(transfer);
    }
    for (size_t n = m_pendingRemovals.size(); n > 0; --n) {
        CRefPtr<CCurlBase> transfer = m_pendingRemovals.front();
        RemoveLocked(transfer);
        events.push_back({PendingEvent::kRemoved, transfer, CURLE_OK});
        m_pendingRemovals.pop_front();
    }
    for (size_t n = m_pendingAdditions.size(); n > 0; --n) {
        CRefPtr<CCurlBase> transfer = m_pendingAdditions.front();
        m_pendingAdditions.pop_front();
        if (!transfer->HasRunBeforeStart()) {
            // Handed over after this turn's before-start work: the next turn starts it.
            m_pendingAdditions.push_back(transfer);
            continue;
        }
        if (transfer->BeforeStartResult() != CURLE_OK || transfer->NothingToFetch()) {
            events.push_back({PendingEvent::kDone, transfer, transfer->BeforeStartResult()});
            continue;
        }
        if (transfer->EasyHandle() && curl_multi_add_handle(m_multi, transfer->EasyHandle()) == CURLM_OK) {
            events.push_back({PendingEvent::kStarted, transfer, CURLE_OK});
            m_running.push_back(transfer);
        }
    }
}

void CCurlWorkshop::RemoveLocked(const CRefPtr<CCurlBase>& transfer) {
    if (!transfer->EasyHandle())
        return;
    auto running = Find(m_running, transfer);
    if (running != m_running.end()) {
        curl_multi_remove_handle(m_multi, transfer->EasyHandle());
        transfer->CleanupHandle();
        m_running.erase(running);
        return;
    }
    auto pending = Find(m_pendingAdditions, transfer);
    if (pending != m_pendingAdditions.end())
        m_pendingAdditions.erase(pending);
}

void CCurlWorkshop::PostEvents(const EventList& events) {
    for (const PendingEvent& event : events) {
        switch (event.kind) {
            case PendingEvent::kStarted:
                CurlEvents::PostTransferStarted(event.transfer);
                break;
            case PendingEvent::kRemoved:
                CurlEvents::PostTransferRemoved(event.transfer);
                break;
            case PendingEvent::kDone:
                CurlEvents::PostTransferDone(event.transfer, event.result);
                break;
        }
    }
}

void CCurlWorkshop::Shutdown() {
    CAutoLock hold(m_lock);
    for (const auto& transfer : m_running) {
        if (transfer->EasyHandle()) {
            curl_multi_remove_handle(m_multi, transfer->EasyHandle());
            transfer->CleanupHandle();
        }
    }
    if (m_multi)
        curl_multi_cleanup(m_multi);
    m_multi = nullptr;
    m_pendingAdditions.clear();
    m_running.clear();
    m_pendingRemovals.clear();
}
