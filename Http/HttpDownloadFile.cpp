#include "Http/HttpDownloadFile.h"

#include <memory>
#include <numeric>

#include "Http/CurlHttp.h"
#include "Http/DownloadWriteFile.h"
#include "Http/HttpLog.h"
#include "Http/HttpMgr.h"
#include "Http/HttpNumbers.h"
#include "Runtime/AutoLock.h"
#include "Runtime/CommonUtils.h"

namespace {

constexpr const wchar_t* kSource = L".\\Http\\HttpDownloadFile";

// The answers that carry the file: the whole of it, or the part asked for.
bool DeliversFile(int status) {
    return status == 200 || status == 206;
}

// A failed request leaves the system's own buffer, which still works.
int AskForReceiveWindow(void*, curl_socket_t socket, curlsocktype purpose) {
    if (purpose == CURLSOCKTYPE_IPCXN) {
        const int bytes = CHttpDownloadFile::kReceiveWindowBytes;
        setsockopt(socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes), sizeof(bytes));
    }
    return CURL_SOCKOPT_OK;
}

}  // namespace

CHttpDownloadFile::CHttpDownloadFile() : CHttpBase(HttpEngine::kDownload) {}

CHttpDownloadFile::~CHttpDownloadFile() = default;

bool CHttpDownloadFile::Download(const std::wstring& url,
                                 const std::wstring& localPath,
                                 uint64_t expectedSize,
                                 void* user) {
    if (IsRunning())
        return false;
    SetUrl(url);
    m_localPath = localPath;
    m_expectedSize = expectedSize;
    m_user = user;
    m_digests = FileDigests();
    return Send();
}

void CHttpDownloadFile::ReportDone(int type, int code) {
    if (m_doneCallback)
        m_doneCallback(m_user, type, code);
}

bool CHttpDownloadFile::Prepare() {
    CHttpBase::Prepare();
    if (Transfer() && Transfer()->EasyHandle()) {
        curl_easy_setopt(Transfer()->EasyHandle(), CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
        curl_easy_setopt(Transfer()->EasyHandle(), CURLOPT_SOCKOPTFUNCTION, &AskForReceiveWindow);
    }
    return true;
}

bool CHttpDownloadFile::Start() {
    if (IsRunning())
        return false;
    ReleaseTransfer();
    m_sink = nullptr;
    CRefPtr<CCurlBase> transfer(new CCurlHttp(Manager()));
    transfer->SetProgressReporting(true);
    SetTransfer(transfer);
    auto sink = std::make_unique<DownloadWriteFile>();
    if (!sink->Open(m_localPath)) {
        HttpResult failure{sink->ErrorType(), sink->ErrorCode()};
        sink.reset();
        ReportDone(failure.type, failure.code);
        return false;
    }
    // Whatever the server sends, the file never grows past the size the caller expects.
    sink->SetSizeLimit(m_expectedSize);
    sink->SetDigests(m_digestKinds);
    DownloadWriteFile* file = sink.get();
    m_sink = file;
    m_digests = FileDigests();
    m_wholeOnDisk = false;
    transfer->SetOutput(std::move(sink));
    FileLogger::Instance().Log(kLogInfo, __LINE__, kSource, L"CHttpDownloadFile::Start() localPath:%s",
                               m_localPath.c_str());
    m_finalStatus = CCurlBase::kNoStatus;

    int64_t measured = GetFileSize(m_localPath);
    if (measured < 0) {
        FileLogger::Instance().Log(kLogInfo, __LINE__, kSource, L"无需断点下载 %s ", m_localPath.c_str());
        measured = 0;
    }
    const uint64_t size = static_cast<uint64_t>(measured);
    const long long shown = static_cast<long long>(size);
    if (m_expectedSize != 0 && size > m_expectedSize) {
        HttpLog::TraceAndFile(kLogError, kLogError, __LINE__, kSource,
                              L"%s文件大小(%lld)大于预期(%lld)大小  ", m_localPath.c_str(), shown,
                              static_cast<long long>(m_expectedSize));
    }
    if (m_expectedSize == 0 || size > m_expectedSize) {
        transfer->SetResumeRequested(false);
        file->Clear();
        SetRangeStart(0);
        return CHttpBase::Start();
    }
    if (size == m_expectedSize) {
        HttpLog::TraceAndFile(kLogError, kLogInfo, __LINE__, kSource,
                              L"文件大小等于预计大小，下载已完成 %s pos:%lld", m_localPath.c_str(), shown);
        if (m_digestKinds == 0) {
            ReportDone(kHttpErrorOk, 0);
            return false;
        }
        // Its digests still have to be read off the file, which is the worker's job.
        m_wholeOnDisk = true;
        transfer->SetNothingToFetch(true);
        return CHttpBase::Start();
    }
    if (size > 0) {
        HttpLog::TraceAndFile(kLogError, kLogInfo, __LINE__, kSource, L"开始断点下载 %s pos:%lld",
                              m_localPath.c_str(), shown);
        transfer->SetResumeRequested(true);
        SetRangeStart(size);
        return CHttpBase::Start();
    }
    HttpLog::TraceAndFile(kLogError, kLogInfo, __LINE__, kSource, L"非断点 %s pos:%lld", m_localPath.c_str(),
                          0LL);
    transfer->SetResumeRequested(false);
    SetRangeStart(0);
    return CHttpBase::Start();
}

bool CHttpDownloadFile::Stop() {
    m_receivedThisAttempt = 0;
    m_sinceLastTick = 0;
    m_contentLength = 0;
    m_sink = nullptr;
    return CHttpBase::Stop();
}

void CHttpDownloadFile::OnHttpCode(int status) {
    m_finalStatus = status;
    if (!IsFinalStatus(status))
        return;
    SetError(kHttpErrorHttp, status);
    if (!DeliversFile(status) || !Transfer())
        return;
    if (status == 200) {
        NoteRangeIgnored();
    } else if (!RangeStartsWhereAsked()) {
        FailMisplacedRange();
        return;
    }
    uint64_t total = 0;
    if (!CheckAnnouncedLength(total))
        return;
    if (m_progressCallback)
        m_progressCallback(m_user, total, RangeStart(), 0);
}

bool CHttpDownloadFile::IsFinalStatus(int status) {
    if (status >= 300 && status <= 399) {
        ConsoleLogger::Instance().Log(kLogInfo, __LINE__, kSource, L"重定向中... url:%s", Url().c_str());
        FileLogger::Instance().Log(kLogInfo, __LINE__, kSource, L"重定向中...  url:%s", Url().c_str());
        return false;
    }
    // An interim response (100 Continue, 103 Early Hints) says nothing about the body.
    return status < 100 || status > 199;
}

void CHttpDownloadFile::NoteRangeIgnored() {
    if (!Transfer()->ResumeRequested())
        return;
    // The transfer has emptied the file: the whole body follows from its first byte.
    HttpLog::FileAndConsole(kLogInfo, __LINE__, kSource, L"不支持断点续传 url:%s", Url().c_str());
    SetRangeStart(0);
}

void CHttpDownloadFile::FailMisplacedRange() {
    // Bytes from elsewhere in the file may already have been appended: start over.
    Stop();
    DownloadWriteFile::Truncate(m_localPath, 0);
    FailLengthMismatch(0);
}

bool CHttpDownloadFile::CheckAnnouncedLength(uint64_t& total) {
    std::wstring header = Transfer()->ResponseHeader(L"Content-Length");
    if (header.empty())
        return false;
    uint64_t length = 0;
    if (!HttpNumbers::ParseLength(header, length) ||
        (length != 0 && !HttpNumbers::AddLengths(RangeStart(), length, total))) {
        FailLengthMismatch(~0ULL);
        return false;
    }
    if (length == 0)
        return false;
    m_contentLength = length;
    if (m_expectedSize != 0 && total != m_expectedSize) {
        FailLengthMismatch(total);
        return false;
    }
    return true;
}

bool CHttpDownloadFile::RangeStartsWhereAsked() {
    uint64_t start = 0;
    return HttpNumbers::ParseRangeStart(Transfer()->ResponseHeader(L"Content-Range"), start) &&
           start == RangeStart();
}

void CHttpDownloadFile::FailLengthMismatch(uint64_t announced) {
    HttpLog::TraceAndFile(kLogError, kLogError, __LINE__, kSource, L"长度不一致 预期值:%lld 实际值:%lld",
                          static_cast<long long>(m_expectedSize), static_cast<long long>(announced));
    Stop();
    ReportDone(kHttpErrorUser, kHttpErrorLengthMismatch);
}

void CHttpDownloadFile::OnReceived(uint64_t bytes) {
    m_sinceLastTick += static_cast<uint32_t>(bytes);
}

void CHttpDownloadFile::OnTimer() {
    if (!m_progressCallback || m_contentLength == 0)
        return;
    m_speedSamples.push_back(m_sinceLastTick);
    m_receivedThisAttempt += m_sinceLastTick;
    m_sinceLastTick = 0;
    if (m_speedSamples.size() > kSpeedSamples)
        m_speedSamples.pop_front();
    // Always divided by the full window, so the speed ramps up over the first ten seconds.
    uint64_t sum = std::accumulate(m_speedSamples.begin(), m_speedSamples.end(), uint64_t{0});
    uint32_t speed = static_cast<uint32_t>(sum / kSpeedSamples);
    m_progressCallback(m_user, RangeStart() + m_contentLength, RangeStart() + m_receivedThisAttempt, speed);
}

HttpResult CHttpDownloadFile::CheckWhole(HttpResult result) {
    if (result.type != kHttpErrorOk)
        return result;
    // libcurl is content with a response it did not follow (a 3xx without Location) or one
    // without a body (204); neither is the file, and what it wrote is taken back.
    if (!m_wholeOnDisk && !DeliversFile(m_finalStatus)) {
        DownloadWriteFile::Truncate(m_localPath, RangeStart());
        return {kHttpErrorHttp, m_finalStatus};
    }
    if (m_expectedSize != 0 && GetFileSize(m_localPath) != static_cast<int64_t>(m_expectedSize))
        return {kHttpErrorUser, kHttpErrorLengthMismatch};
    return result;
}

void CHttpDownloadFile::Done(CURLcode result) {
    if (!IsRunning())
        return;
    FileDigests digests;
    HttpResult fileError;
    if (m_sink) {
        // The worker has let the transfer go: nothing writes the file any more. Closing the
        // file forgets its error, so both are taken first.
        CAutoLock hold(Transfer()->StreamLock());
        digests = m_sink->FinishDigests();
        fileError = {m_sink->ErrorType(), m_sink->ErrorCode()};
    }
    Stop();
    SetError(kHttpErrorCurl, result);
    // The file's own failure (a full disk, a body longer than the file) says more than the
    // write error libcurl saw; neither is retried here.
    if (result != CURLE_OK && fileError.type != kHttpErrorOk)
        SetError(fileError.type, fileError.code);
    if (fileError.type == kHttpErrorUser && fileError.code == kHttpErrorLengthMismatch) {
        // What the over-long body wrote is not the file's; it might even fill the file to the
        // expected size, which the next attempt would take for a finished download.
        DownloadWriteFile::Truncate(m_localPath, RangeStart());
    }
    HttpResult outcome = CheckWhole(TakeResult());
    if (outcome.type == kHttpErrorOk)
        m_digests = digests;
    if (ShouldRetry(outcome)) {
        HttpLog::TraceAndFile(kLogError, kLogInfo, __LINE__, kSource,
                              L"CHttpDownloadFile::Done() 重试.... code:%d errtype:%d  url:%s ", outcome.code,
                              outcome.type, Url().c_str());
        RetryLater();
        return;
    }
    if (outcome.type != kHttpErrorOk) {
        HttpLog::TraceAndFile(kLogError, kLogInfo, __LINE__, kSource,
                              L"CHttpDownloadFile::Done()  code:%d errtype:%d  url:%s ", outcome.code,
                              outcome.type, Url().c_str());
    }
    ReportDone(outcome.type, outcome.code);
}
