#include "Http/HttpCommand.h"

#include <memory>

#include "Http/CurlHttp.h"
#include "Http/HttpLog.h"
#include "Http/HttpMgr.h"
#include "Http/IBufferStream.h"
#include "Http/OBufferStream.h"
#include "Runtime/AutoLock.h"

namespace {
constexpr const wchar_t* kSource = L".\\Http\\HttpCommand";
long g_overallTimeoutS = CHttpCommand::kOverallTimeoutS;
}  // namespace

CHttpCommand::CHttpCommand() : CHttpBase(HttpEngine::kCommand) {}

void CHttpCommand::SetOverallTimeoutForTesting(long seconds) {
    g_overallTimeoutS = seconds > 0 ? seconds : kOverallTimeoutS;
}

bool CHttpCommand::Prepare() {
    CHttpBase::Prepare();
    if (Transfer() && Transfer()->EasyHandle())
        curl_easy_setopt(Transfer()->EasyHandle(), CURLOPT_TIMEOUT, g_overallTimeoutS);
    return true;
}

bool CHttpCommand::Start() {
    TraceLogger::Instance().Log(kLogInfo, L"CHttpCommand::Start");
    if (IsRunning())
        return false;
    ReleaseTransfer();
    CRefPtr<CCurlBase> transfer(new CCurlHttp(Manager()));
    auto body = std::make_unique<OBufferStream>();
    m_body = body.get();
    transfer->SetOutput(std::move(body));
    if (Method() == kMethodPost && !m_postBody.empty())
        transfer->SetInput(std::make_unique<IBufferStream>(m_postBody.data(), m_postBody.size()));
    SetTransfer(transfer);
    return CHttpBase::Start();
}

void CHttpCommand::OnHttpCode(int status) {
    SetError(kHttpErrorHttp, status);
}

void CHttpCommand::Done(CURLcode result) {
    if (!IsRunning())
        return;
    SetError(kHttpErrorCurl, result);
    std::string response;
    {
        CAutoLock hold(Transfer()->StreamLock());
        if (m_body->ErrorType() != 0 || m_body->ErrorCode() != 0)
            SetError(m_body->ErrorType(), m_body->ErrorCode());
        if (m_body->Data())
            response.assign(m_body->Data(), m_body->Length());
    }
    Stop();
    m_body = nullptr;
    HttpResult outcome = TakeResult();
    if (ShouldRetry(outcome)) {
        HttpLog::TraceAndFile(kLogInfo, kLogInfo, __LINE__, kSource,
                              L"CHttpCommand::Done() 重试.... code:%d errtype:%d  url:%s ", outcome.code,
                              outcome.type, Url().c_str());
        RetryLater();
        return;
    }
    if (outcome.type != kHttpErrorOk) {
        HttpLog::TraceAndFile(kLogInfo, kLogInfo, __LINE__, kSource,
                              L"CHttpCommand::Done()  code:%d errtype:%d  url:%s ", outcome.code,
                              outcome.type, Url().c_str());
    }
    ResetAttempts();
    if (m_callback)
        m_callback(m_user, response, outcome.type, outcome.code);
}
