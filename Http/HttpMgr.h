#pragma once
// Scheduler of one engine's requests: starts them in order while fewer than kMaxRunning
// run, releases retries after their delay, and routes each transfer event to the request
// that owns the transfer. It listens to every transfer its requests create.
// UI thread only.
// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>

#include <cstdint>
#include <vector>

#include "Http/CurlListener.h"

class CHttpBase;

class CHttpMgr : public CurlListener {
public:
    static constexpr int kMaxRunning = 10;
    static constexpr DWORD kRetryDelayMs = 500;

    CHttpMgr() = default;
    virtual ~CHttpMgr();
    CHttpMgr(const CHttpMgr&) = delete;
    CHttpMgr& operator=(const CHttpMgr&) = delete;

    void OnTransferDone(CCurlBase* transfer, CURLcode result) override;
    void OnBodyReceived(CCurlBase* transfer, unsigned bytes) override;
    void OnBodySent(CCurlBase* transfer, unsigned bytes) override {}
    void OnResponseCode(CCurlBase* transfer, int status) override;
    void OnTransferRemoved(CCurlBase* transfer, int unused) override {}
    void OnTransferStarted(CCurlBase* transfer, int unused) override {}
    virtual uint64_t AddTask(CHttpBase* request);
    virtual bool RemoveTask(CHttpBase* request);

    void Schedule();
    // Lets every request go (no manager, no worker); used when the engine shuts down.
    bool DetachAll();
    // Releases the requests whose retry delay has passed at tick `now`, then schedules.
    void CheckRetries(DWORD now);
    // Gives each running request its once-a-second tick.
    void TickRunning();

    int RunningCount() const { return m_running; }
    size_t TaskCount() const { return m_requests.size(); }

private:
    CHttpBase* FindRequest(CCurlBase* transfer) const;
    bool Contains(CHttpBase* request) const;

    std::vector<CHttpBase*> m_requests;
    int m_running = 0;
};
