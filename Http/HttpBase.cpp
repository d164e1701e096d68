#include "Http/HttpBase.h"

#include <string>
#include <utility>

#include "Http/CurlWorkshop.h"
#include "Http/HttpClock.h"
#include "Http/HttpEngines.h"
#include "Http/HttpMgr.h"
#include "Runtime/StringConv.h"

namespace {
long g_lowSpeedTimeS = CHttpBase::kLowSpeedTimeS;
}  // namespace

void CHttpBase::SetLowSpeedTimeForTesting(long seconds) {
    g_lowSpeedTimeS = seconds > 0 ? seconds : kLowSpeedTimeS;
}

CHttpBase::CHttpBase(HttpEngine engine) : m_engine(engine), m_errors(ProtoValue::kMap) {}

CHttpBase::~CHttpBase() {
    CHttpBase::Stop();
}

bool CHttpBase::Send() {
    CHttpMgr* manager = HttpEngines::Manager(m_engine);
    if (!manager)
        return false;
    m_manager = manager;
    m_worker = HttpEngines::Worker(m_engine);
    manager->AddTask(this);
    return true;
}

bool CHttpBase::Prepare() {
    if (!m_transfer)
        return true;
    CURL* easy = m_transfer->PrepareHandle();
    if (!easy)
        return true;
    std::string url = WideToAnsi(m_url);
    m_transfer->SetTargetUrl(url);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CCurlBase::HeaderCallback);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, m_transfer.get());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CCurlBase::WriteCallback);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, m_transfer.get());
    curl_easy_setopt(easy, CURLOPT_READFUNCTION, &CCurlBase::ReadCallback);
    curl_easy_setopt(easy, CURLOPT_READDATA, m_transfer.get());
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, static_cast<long>(kMaxRedirects));
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, static_cast<long>(m_connectTimeoutS));
    if (m_method == kMethodPost) {
        IBaseStream* input = m_transfer->Input();
        long size = input ? static_cast<long>(input->Size()) : 0;
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, size);
        m_transfer->SetUploadSize(static_cast<uint64_t>(size));
    } else if (m_rangeStart != 0) {
        std::string range = std::to_string(m_rangeStart) + "-";
        curl_easy_setopt(easy, CURLOPT_RANGE, range.c_str());
    }
    PrepareTls(easy);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedLimitBytesPerS);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, g_lowSpeedTimeS);
    // Removing a transfer whose name lookup is still pending would otherwise join libcurl's
    // resolver thread, holding the worker (and an engine shutdown, on the UI thread) until the
    // lookup gives up; with this the thread is left to finish and free itself.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    return true;
}

void CHttpBase::PrepareTls(CURL* easy) {
    // The server's certificate and name are always checked, whatever else is configured.
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!m_caCertificates.empty()) {
        curl_blob blob{m_caCertificates.data(), m_caCertificates.size(), CURL_BLOB_COPY};
        curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob);
        // Our own CA need not publish revocation lists: a revoked certificate still fails, an
        // unknown status does not.
        curl_easy_setopt(easy, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
    }
    // What was asked for over HTTPS is never handed over in plain text by a redirect.
    if (_wcsnicmp(m_url.c_str(), L"https://", 8) == 0)
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "https");
}

bool CHttpBase::Start() {
    if (m_running)
        return false;
    ++m_attempts;
    m_running = true;
    Prepare();
    if (m_transfer && m_worker)
        m_worker->AddTransfer(m_transfer);
    return true;
}

bool CHttpBase::Stop() {
    if (m_running) {
        m_running = false;
        if (m_transfer && m_worker)
            m_worker->RemoveTransfer(m_transfer);
    }
    ReleaseTransfer();
    // Cleared first: the manager's scheduling may send this request again from inside.
    CHttpMgr* manager = std::exchange(m_manager, nullptr);
    m_worker = nullptr;
    if (manager)
        manager->RemoveTask(this);
    return true;
}

bool CHttpBase::ReleaseRetry(DWORD now, DWORD delayMs) {
    // The unsigned difference stays right across the wrap of the tick count.
    if (!m_retryWaiting || now - m_retryTick <= delayMs)
        return false;
    m_retryWaiting = false;
    return true;
}

void CHttpBase::Detach() {
    m_manager = nullptr;
    m_worker = nullptr;
    m_scheduled = false;
}

void CHttpBase::ReleaseTransfer() {
    if (!m_transfer)
        return;
    m_transfer->SetActive(false);
    m_transfer->CloseStreams();
    m_transfer.reset();
}

HttpResult CHttpBase::TakeResult() {
    HttpResult result = HttpResultFromRecord(m_errors);
    m_errors = ProtoValue(ProtoValue::kMap);
    return result;
}

bool CHttpBase::ShouldRetry(const HttpResult& result) const {
    return m_attempts <= m_maxRetries && result.type == kHttpErrorCurl && result.code != 0;
}

void CHttpBase::RetryLater() {
    m_retryWaiting = true;
    m_retryTick = HttpTickCount();
    Send();
}
