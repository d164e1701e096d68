#pragma once
// One HTTP transfer over one libcurl easy handle, shared by the UI thread (the request that
// prepares and drops it) and a worker (which runs it); reference-counted, always held
// through CRefPtr. The request prepares it before handing it over and then touches only
// the locked parts: streams and response headers. libcurl's callbacks run on the worker.
// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Http/CurlListener.h"
#include "Http/IBaseStream.h"
#include "Http/OBaseStream.h"
#include "Runtime/Lock.h"
#include "Runtime/ProtoValue.h"
#include "Runtime/RefThreadSafeBase.h"

class CCurlBase : public CRefThreadSafeBase<CCurlBase> {
public:
    static constexpr int kNoStatus = 700;
    static constexpr DWORD kProgressIntervalMs = 100;

    explicit CCurlBase(CurlListener* listener);
    ~CCurlBase() override;

    // Worker thread, from libcurl's callbacks; each returns the bytes consumed or supplied.
    virtual size_t OnRecieveHeader(const char* data, size_t length) = 0;
    virtual size_t OnRecieveBody(const char* data, size_t length) = 0;
    virtual size_t OnSendBody(char* buffer, size_t capacity) = 0;
    // UI thread: closes both streams; no callback touches them afterwards.
    virtual void CloseStreams() = 0;

    // libcurl's callbacks, registered with the transfer itself as user data.
    static size_t HeaderCallback(char* data, size_t size, size_t count, void* transfer);
    static size_t WriteCallback(char* data, size_t size, size_t count, void* transfer);
    static size_t ReadCallback(char* buffer, size_t size, size_t count, void* transfer);

    // UI thread, before the transfer is handed to a worker: a fresh or reset easy handle,
    // with the per-run state cleared.
    CURL* PrepareHandle();
    CURL* EasyHandle() const { return m_easy; }
    // Worker thread: the handle has left the multi handle for good.
    void CleanupHandle();

    // Worker thread, once, before the handle joins the multi handle and outside the worker's
    // lock: the output's work that must precede its first byte (a resumed download hashes
    // what its file already holds; the system proxy for the URL, which an auto-config script
    // may take seconds to name). Gives up as soon as `keepGoing` turns false.
    void RunBeforeStart(const std::function<bool()>& keepGoing);
    bool HasRunBeforeStart() const { return m_ranBeforeStart; }
    // Worker thread, once the transfer has ended and before its end is posted, outside the
    // worker's lock: the output finishes its work on what was written (the digests).
    void RunAfterLastWrite();
    // CURLE_OK, or why the transfer cannot start (the worker reports it as the result).
    CURLcode BeforeStartResult() const { return m_beforeStartResult; }
    // Nothing to fetch (the file is already whole): the worker runs the before-start work
    // and reports the transfer done without libcurl. Set before the transfer is handed over.
    void SetNothingToFetch(bool on) { m_nothingToFetch = on; }
    bool NothingToFetch() const { return m_nothingToFetch; }
    // The URL the request asked for, set while preparing; the proxy is chosen for it.
    void SetTargetUrl(const std::string& url) { m_targetUrl = url; }

    CurlListener* Listener() const { return m_listener; }
    bool IsActive() const { return m_active.load(std::memory_order_acquire); }
    void SetActive(bool active) { m_active.store(active, std::memory_order_release); }
    void SetProgressReporting(bool on) { m_progressReporting = on; }
    void SetResumeRequested(bool on) { m_resumeRequested = on; }
    bool ResumeRequested() const { return m_resumeRequested; }
    void SetUploadSize(uint64_t size) { m_uploadSize = size; }
    int HttpCode() const { return m_httpCode.load(std::memory_order_acquire); }

    // Streams are owned by the transfer; set them before the transfer is handed over.
    void SetOutput(std::unique_ptr<OBaseStream> output) { m_output = std::move(output); }
    void SetInput(std::unique_ptr<IBaseStream> input) { m_input = std::move(input); }
    IBaseStream* Input() const { return m_input.get(); }
    // Held while a stream is used, closed, or read by the UI thread after the transfer.
    CLock& StreamLock() { return m_streamLock; }

    // Any thread: a response header by name (case-insensitive), empty when absent, and a
    // copy of all of them.
    std::wstring ResponseHeader(const std::wstring& name);
    ProtoValue ResponseHeaders();
    // Header names are stored in one spelling: "content-length" is "Content-Length".
    static std::wstring CanonicalHeaderName(const std::wstring& name);

protected:
    void SetHeader(const std::wstring& name, const std::wstring& value);
    void ForgetHeader(const std::wstring& name);
    void SetHttpCode(int status) { m_httpCode.store(status, std::memory_order_release); }
    OBaseStream* Output() const { return m_output.get(); }
    bool StreamsClosed() const { return m_streamsClosed; }
    void MarkStreamsClosed() { m_streamsClosed = true; }
    uint64_t UploadSize() const { return m_uploadSize; }
    uint64_t Uploaded() const { return m_uploaded; }
    void AddUploaded(uint64_t bytes) { m_uploaded += bytes; }

private:
    bool ProgressDue();
    // Empty for a direct connection.
    void UseProxy(const std::string& proxy);

    CURL* m_easy = nullptr;
    CurlListener* m_listener;
    std::string m_targetUrl;
    std::atomic<bool> m_active{true};
    bool m_progressReporting = false;
    uint64_t m_bytesSinceReport = 0;
    DWORD m_lastReportTick = 0;
    ProtoValue m_headers;
    std::atomic<int> m_httpCode{kNoStatus};
    uint64_t m_uploadSize = 0;
    uint64_t m_uploaded = 0;
    bool m_resumeRequested = false;
    std::unique_ptr<OBaseStream> m_output;
    std::unique_ptr<IBaseStream> m_input;
    CLock m_streamLock;
    bool m_streamsClosed = false;
    bool m_nothingToFetch = false;
    // Worker thread only.
    bool m_ranBeforeStart = false;
    CURLcode m_beforeStartResult = CURLE_OK;
};
