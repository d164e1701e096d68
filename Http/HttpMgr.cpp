#include "Http/HttpMgr.h"

#include <algorithm>

#include "Http/HttpBase.h"
#include "Http/HttpClock.h"
#include "Http/HttpLog.h"

namespace {

constexpr const wchar_t* kSource = L".\\Http\\HttpMgr";
// Shared by both managers, so ids stay unique across engines.
uint32_t g_sequence = 0;

}  // namespace

CHttpMgr::~CHttpMgr() = default;

CHttpBase* CHttpMgr::FindRequest(CCurlBase* transfer) const {
    for (CHttpBase* request : m_requests) {
        if (request->Transfer() && request->Transfer() == transfer)
            return request;
    }
    return nullptr;
}

bool CHttpMgr::Contains(CHttpBase* request) const {
    return std::find(m_requests.begin(), m_requests.end(), request) != m_requests.end();
}

void CHttpMgr::OnTransferDone(CCurlBase* transfer, CURLcode result) {
    if (CHttpBase* request = FindRequest(transfer))
        request->Done(result);
}

void CHttpMgr::OnBodyReceived(CCurlBase* transfer, unsigned bytes) {
    if (CHttpBase* request = FindRequest(transfer))
        request->OnReceived(static_cast<uint64_t>(bytes));
}

void CHttpMgr::OnResponseCode(CCurlBase* transfer, int status) {
    if (CHttpBase* request = FindRequest(transfer)) {
        FileLogger::Instance().Log(kLogInfo, __LINE__, kSource, L"HTTP %d from %s", status, request->Url().c_str());
        request->OnHttpCode(status);
    }
}

uint64_t CHttpMgr::AddTask(CHttpBase* request) {
    if (Contains(request)) {
        HttpLog::FileAndConsole(kLogInfo, __LINE__, kSource, L"http请求重复添加 url:%s",
                                request->Url().c_str());
        return request->Id();
    }
    ++g_sequence;
    request->AssignId((static_cast<uint64_t>(HttpTickCount()) << 32) | g_sequence);
    m_requests.push_back(request);
    if (!request->IsRetryWaiting())
        Schedule();
    return request->Id();
}

bool CHttpMgr::RemoveTask(CHttpBase* request) {
    bool wasScheduled = request->IsScheduled();
    m_requests.erase(std::remove(m_requests.begin(), m_requests.end(), request), m_requests.end());
    request->SetScheduled(false);
    if (wasScheduled) {
        --m_running;
        Schedule();
    }
    return true;
}

void CHttpMgr::Schedule() {
    int total = static_cast<int>(m_requests.size());
    if (m_running > kMaxRunning || m_running > total) {
        HttpLog::FileAndConsole(
            kLogInfo, __LINE__, kSource,
            L"CHttpMgr::Schedule() 正在运行的任务数计算出错，重新计算中 running:%d max:%d total:%d",
            m_running, kMaxRunning, total);
        m_running = static_cast<int>(std::count_if(
            m_requests.begin(), m_requests.end(), [](CHttpBase* request) { return request->IsScheduled(); }));
    }
    HttpLog::FileAndConsole(kLogInfo, __LINE__, kSource,
                            L"CHttpMgr::Schedule() 调度任务 running:%d max:%d total:%d", m_running,
                            kMaxRunning, total);
    if (m_running >= kMaxRunning) {
        HttpLog::FileAndConsole(kLogInfo, __LINE__, kSource,
                                L"CHttpMgr::Schedule() 任务数超标 running:%d max:%d total:%d", m_running,
                                kMaxRunning, total);
        return;
    }
    // Start may call back into the caller, who may stop or send requests: the list can
    // change under the walk, so it goes by index and never touches a request that was
    // let go from inside its own Start.
    for (size_t i = 0; i < m_requests.size() && m_running < kMaxRunning;) {
        CHttpBase* request = m_requests[i];
        if (!request->IsScheduled() && !request->IsRunning()) {
            if (request->Start()) {
                if (!request->IsRetryWaiting() && !request->IsScheduled()) {
                    request->SetScheduled(true);
                    ++m_running;
                }
            } else if (i >= m_requests.size() || m_requests[i] != request) {
                continue;
            }
        }
        ++i;
    }
}

bool CHttpMgr::DetachAll() {
    for (CHttpBase* request : m_requests)
        request->Detach();
    m_requests.clear();
    m_running = 0;
    return true;
}

void CHttpMgr::CheckRetries(DWORD now) {
    bool released = false;
    for (CHttpBase* request : m_requests) {
        if (request->ReleaseRetry(now, kRetryDelayMs))
            released = true;
    }
    if (released)
        Schedule();
}

void CHttpMgr::TickRunning() {
    // A progress callback may stop or delete requests: walk by index, re-checking bounds.
    for (size_t i = 0; i < m_requests.size(); ++i) {
        CHttpBase* request = m_requests[i];
        if (request->IsRunning())
            request->OnTimer();
    }
}
