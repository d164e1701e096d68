#include "Http/CurlBase.h"

#include <cwctype>

#include "Http/CurlEvents.h"
#include "Http/SystemProxy.h"
#include "Runtime/AutoLock.h"
#include "Runtime/RefPtr.h"

namespace {

// The transfer behind libcurl's user pointer, or null once its request has dropped it;
// returning 0 to libcurl then aborts the transfer.
CCurlBase* ActiveTransfer(void* user) {
    auto* transfer = static_cast<CCurlBase*>(user);
    return transfer && transfer->IsActive() ? transfer : nullptr;
}

}  // namespace

CCurlBase::CCurlBase(CurlListener* listener) : m_listener(listener), m_headers(ProtoValue::kMap) {}

CCurlBase::~CCurlBase() {
    CleanupHandle();
}

CURL* CCurlBase::PrepareHandle() {
    if (m_easy)
        curl_easy_reset(m_easy);
    else
        m_easy = curl_easy_init();
    m_uploadSize = 0;
    m_uploaded = 0;
    SetHttpCode(kNoStatus);
    CAutoLock hold(m_streamLock);
    m_headers = ProtoValue(ProtoValue::kMap);
    return m_easy;
}

void CCurlBase::UseProxy(const std::string& proxy) {
    if (m_easy) {
        // An empty proxy also keeps libcurl from taking one from the environment.
        curl_easy_setopt(m_easy, CURLOPT_PROXY, proxy.c_str());
        if (!proxy.empty()) {
            // A proxy asking for credentials gets the user's Windows logon (NTLM or Negotiate
            // through SSPI); one that accepts nothing else answers 407, which the request reports.
            curl_easy_setopt(m_easy, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
            curl_easy_setopt(m_easy, CURLOPT_PROXYUSERPWD, ":");
        }
    }
}

void CCurlBase::CleanupHandle() {
    if (m_easy)
        curl_easy_cleanup(m_easy);
    m_easy = nullptr;
}

void CCurlBase::RunBeforeStart(const std::function<bool()>& keepGoing) {
    m_ranBeforeStart = true;
    // The output is set before the hand-over and replaced never, so it needs no lock here.
    if (m_output && !m_output->BeforeFirstWrite(keepGoing)) {
        m_beforeStartResult = keepGoing() ? CURLE_READ_ERROR : CURLE_ABORTED_BY_CALLBACK;
        return;
    }
    if (m_easy && !m_nothingToFetch && keepGoing())
        UseProxy(CSystemProxy::Instance().ProxyFor(m_targetUrl));
}

void CCurlBase::RunAfterLastWrite() {
    // The output is never replaced once handed over; the UI thread closing it meanwhile
    // only cuts the wait short.
    if (m_output && IsActive())
        m_output->AfterLastWrite();
}

bool CCurlBase::ProgressDue() {
    if (!m_progressReporting)
        return false;
    DWORD now = GetTickCount();
    if (now - m_lastReportTick <= kProgressIntervalMs)
        return false;
    m_lastReportTick = now;
    return true;
}

size_t CCurlBase::HeaderCallback(char* data, size_t size, size_t count, void* user) {
    CCurlBase* transfer = ActiveTransfer(user);
    if (!transfer)
        return 0;
    CRefPtr<CCurlBase> hold(transfer);
    return transfer->OnRecieveHeader(data, size * count);
}

size_t CCurlBase::WriteCallback(char* data, size_t size, size_t count, void* user) {
    CCurlBase* transfer = ActiveTransfer(user);
    if (!transfer)
        return 0;
    CRefPtr<CCurlBase> hold(transfer);
    size_t consumed = transfer->OnRecieveBody(data, size * count);
    transfer->m_bytesSinceReport += consumed;
    if (transfer->ProgressDue()) {
        CurlEvents::PostBodyReceived(hold, static_cast<unsigned>(transfer->m_bytesSinceReport));
        transfer->m_bytesSinceReport = 0;
    }
    return consumed;
}

size_t CCurlBase::ReadCallback(char* buffer, size_t size, size_t count, void* user) {
    CCurlBase* transfer = ActiveTransfer(user);
    if (!transfer)
        return 0;
    CRefPtr<CCurlBase> hold(transfer);
    size_t supplied = transfer->OnSendBody(buffer, size * count);
    if (transfer->ProgressDue())
        CurlEvents::PostBodySent(hold, static_cast<unsigned>(supplied));
    return supplied;
}

std::wstring CCurlBase::CanonicalHeaderName(const std::wstring& name) {
    std::wstring out = name;
    bool wordStart = true;
    for (wchar_t& c : out) {
        c = wordStart ? towupper(c) : towlower(c);
        wordStart = c == L'-';
    }
    return out;
}

void CCurlBase::SetHeader(const std::wstring& name, const std::wstring& value) {
    CAutoLock hold(m_streamLock);
    m_headers[CanonicalHeaderName(name)] = ProtoValue(value);
}

void CCurlBase::ForgetHeader(const std::wstring& name) {
    CAutoLock hold(m_streamLock);
    std::wstring key = CanonicalHeaderName(name);
    if (m_headers.hasKey(key))
        m_headers[key].clear();
}

std::wstring CCurlBase::ResponseHeader(const std::wstring& name) {
    CAutoLock hold(m_streamLock);
    std::wstring key = CanonicalHeaderName(name);
    if (!m_headers.hasKey(key) || m_headers[key].kind() != ProtoValue::kWide)
        return std::wstring();
    return m_headers[key].string();
}

ProtoValue CCurlBase::ResponseHeaders() {
    CAutoLock hold(m_streamLock);
    return m_headers;
}
