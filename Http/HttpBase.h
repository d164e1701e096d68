#pragma once
// A request: what its transfer should fetch, how often it has been tried, what went wrong.
// Each start creates a fresh transfer whose listener is the request's manager.
// UI thread only.
// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>

#include <curl/curl.h>

#include <cstdint>
#include <string>

#include "Http/CurlBase.h"
#include "Http/HttpResult.h"
#include "Runtime/ProtoValue.h"
#include "Runtime/RefPtr.h"

class CCurlWorkshop;
class CHttpMgr;

// Which of the two engines a request belongs to.
enum class HttpEngine { kCommand, kDownload };

class CHttpBase {
public:
    static constexpr int kMethodGet = 1;
    static constexpr int kMethodPost = 2;
    static constexpr int kDefaultMaxRetries = 2;
    // Name lookup and connection together; a lookup runs on libcurl's own resolver thread.
    static constexpr int kDefaultConnectTimeoutS = 30;
    static constexpr int kMaxRedirects = 5;
    // A transfer slower than this for this long is a transport error, so a connection that
    // goes silent without closing ends and is retried instead of hanging for ever.
    static constexpr long kLowSpeedLimitBytesPerS = 1;
    static constexpr long kLowSpeedTimeS = 30;

    explicit CHttpBase(HttpEngine engine);
    virtual ~CHttpBase();
    CHttpBase(const CHttpBase&) = delete;
    CHttpBase& operator=(const CHttpBase&) = delete;

    virtual bool Prepare();
    virtual bool Start();
    virtual bool Stop();
    virtual void Done(CURLcode result) = 0;
    virtual void OnHttpCode(int status) = 0;
    virtual void OnTimer() {}
    virtual void OnReceived(uint64_t bytes) {}

    // Hands the request to its engine's manager; false when that engine is not running.
    bool Send();

    // What its manager changes while the request is in the manager's list.
    void AssignId(uint64_t id) { m_id = id; }
    bool IsScheduled() const { return m_scheduled; }
    void SetScheduled(bool scheduled) { m_scheduled = scheduled; }
    bool IsRetryWaiting() const { return m_retryWaiting; }
    // Ends the wait of a retry whose delay has passed at tick `now`; true when it did.
    bool ReleaseRetry(DWORD now, DWORD delayMs);
    // Its engine stops: the request forgets the manager and worker without calling them.
    void Detach();

    void SetUrl(const std::wstring& url) { m_url = url; }
    const std::wstring& Url() const { return m_url; }
    void SetMethod(int method) { m_method = method; }
    int Method() const { return m_method; }
    void SetMaxRetries(int retries) { m_maxRetries = retries; }
    void SetConnectTimeout(int seconds) { m_connectTimeoutS = seconds; }
    // PEM certificates of the only CAs trusted for HTTPS; empty leaves it to the system's store.
    void SetCaCertificates(std::string pem) { m_caCertificates = std::move(pem); }
    bool IsRunning() const { return m_running; }
    uint64_t Id() const { return m_id; }
    int Attempts() const { return m_attempts; }
    CCurlBase* Transfer() const { return m_transfer.get(); }
    // The engine's manager and worker from the latest Send, until the request leaves the
    // manager's list (Stop, or the engine stopping); null otherwise.
    CHttpMgr* Manager() const { return m_manager; }
    CCurlWorkshop* Worker() const { return m_worker; }

    // Shortens the silence that aborts a transfer; 0 restores the product's value.
    static void SetLowSpeedTimeForTesting(long seconds);

protected:
    void SetTransfer(CRefPtr<CCurlBase> transfer) { m_transfer = std::move(transfer); }
    // Drops the transfer: inactive, streams closed, reference released.
    void ReleaseTransfer();
    void SetError(int type, int64_t code) { SetHttpError(m_errors, type, code); }
    // The result pair of the record, which is then emptied.
    HttpResult TakeResult();
    bool ShouldRetry(const HttpResult& result) const;
    // Waits out the retry delay, then the manager starts the request again.
    void RetryLater();
    void ResetAttempts() { m_attempts = 0; }
    uint64_t RangeStart() const { return m_rangeStart; }
    void SetRangeStart(uint64_t start) { m_rangeStart = start; }

private:
    void PrepareTls(CURL* easy);

    CRefPtr<CCurlBase> m_transfer;
    CHttpMgr* m_manager = nullptr;
    CCurlWorkshop* m_worker = nullptr;
    HttpEngine m_engine;
    bool m_running = false;
    std::wstring m_url;
    uint64_t m_id = 0;
    int m_method = kMethodGet;
    uint64_t m_rangeStart = 0;
    int m_attempts = 0;
    bool m_scheduled = false;
    ProtoValue m_errors;
    int m_maxRetries = kDefaultMaxRetries;
    int m_connectTimeoutS = kDefaultConnectTimeoutS;
    std::string m_caCertificates;
    bool m_retryWaiting = false;
    DWORD m_retryTick = 0;
};
