#include "Http/CurlHttp.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "Http/CurlEvents.h"
#include "Http/HttpLog.h"
#include "Runtime/AutoLock.h"
#include "Runtime/StringConv.h"

namespace {

constexpr const wchar_t* kSource = L".\\Http\\CurlHttp";
constexpr CURLcode kNoHandleResult = static_cast<CURLcode>(89);
constexpr size_t kLoggedBodyBytes = 1000;

bool IsInterim(int status) {
    return status >= 100 && status <= 199;
}
bool IsRedirect(int status) {
    return status >= 300 && status <= 399;
}
bool IsAcceptable(int status) {
    return status >= 100 && status <= 399;
}

std::wstring Trim(const std::wstring& text) {
    const wchar_t* space = L" \t\r\n";
    size_t first = text.find_first_not_of(space);
    if (first == std::wstring::npos)
        return std::wstring();
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

}  // namespace

CCurlHttp::CCurlHttp(CurlListener* listener) : CCurlBase(listener) {}

CCurlHttp::~CCurlHttp() {
    CloseStreams();
}

size_t CCurlHttp::OnRecieveHeader(const char* data, size_t length) {
    int status = HttpCode();
    // A status line begins a new response of the chain: its framing is not the previous one's.
    if (length >= 5 && memcmp(data, "HTTP/", 5) == 0) {
        ForgetHeader(L"Content-Length");
        ForgetHeader(L"Content-Range");
    }
    // Interim responses and redirects are followed by another response whose status counts.
    if (status == kNoStatus || IsRedirect(status) || IsInterim(status)) {
        long code = status;
        CURLcode query =
            EasyHandle() ? curl_easy_getinfo(EasyHandle(), CURLINFO_RESPONSE_CODE, &code) : kNoHandleResult;
        if (query == CURLE_OK)
            status = static_cast<int>(code);
        SetHttpCode(status);
        if (query != CURLE_OK || !IsAcceptable(status)) {
            HttpLog::FileAndConsole(kLogError, __LINE__, kSource,
                                    L"CCurlHttp::OnRecieveHeader HTTP error code:%d httpcode:%d ",
                                    static_cast<int>(query), status);
        }
        if (status == 200 && ResumeRequested()) {
            FileLogger::Instance().Log(kLogInfo, __LINE__, kSource,
                                       L"httpcode==200 不支持断点续传，清空文件");
            ClearOutputForFullBody();
        }
    }
    CRefPtr<CCurlBase> self(this);
    if (!IsAcceptable(status)) {
        CurlEvents::PostResponseCode(self, status);
        return length;
    }
    if ((length == 2 && memcmp(data, "\r\n", 2) == 0) || (length == 1 && data[0] == '\n')) {
        CurlEvents::PostResponseCode(self, status);
        return length;
    }
    ParseHeaderLine(data, length);
    return length;
}

void CCurlHttp::ParseHeaderLine(const char* data, size_t length) {
    const char* colon = static_cast<const char*>(memchr(data, ':', length));
    if (!colon || colon == data)
        return;
    std::wstring name = Trim(AnsiToWide(std::string(data, colon)));
    std::wstring value = Trim(AnsiToWide(std::string(colon + 1, data + length)));
    if (!name.empty())
        SetHeader(name, value);
}

void CCurlHttp::ClearOutputForFullBody() {
    CAutoLock hold(StreamLock());
    if (!StreamsClosed() && Output())
        Output()->Clear();
}

size_t CCurlHttp::OnRecieveBody(const char* data, size_t length) {
    int status = HttpCode();
    if (!IsAcceptable(status)) {
        std::wstring text = AnsiToWide(std::string(data, std::min(length, kLoggedBodyBytes)));
        FileLogger::Instance().Log(kLogError, __LINE__, kSource,
                                   L"CCurlHttp::OnRecieveBody HTTP error  httpcode:%d %s", status,
                                   text.c_str());
        return 0;
    }
    int written;
    int errorCode;
    {
        CAutoLock hold(StreamLock());
        if (StreamsClosed() || !Output())
            return 0;
        written = Output()->Write(data, static_cast<unsigned>(length));
        errorCode = Output()->ErrorCode();
    }
    if (written < 0) {
        HttpLog::FileAndConsole(kLogError, __LINE__, kSource,
                                L"CCurlHttp::OnRecieveBody  Write file error %d", errorCode);
        return 0;
    }
    return static_cast<size_t>(written);
}

size_t CCurlHttp::OnSendBody(char* buffer, size_t capacity) {
    uint64_t size = UploadSize();
    if (size == 0 || Uploaded() >= size)
        return 0;
    unsigned count = static_cast<unsigned>(std::min<uint64_t>(size - Uploaded(), capacity));
    int read;
    {
        CAutoLock hold(StreamLock());
        if (StreamsClosed() || !Input())
            return 0;
        read = Input()->Read(buffer, count);
    }
    if (read < 0) {
        HttpLog::FileAndConsole(kLogError, __LINE__, kSource, L"CCurlHttp::OnSendBody  Read file error %d",
                                errno);
        return 0;
    }
    AddUploaded(static_cast<uint64_t>(read));
    return static_cast<size_t>(read);
}

void CCurlHttp::CloseStreams() {
    CAutoLock hold(StreamLock());
    if (Output())
        Output()->Close();
    if (Input())
        Input()->Close();
    MarkStreamsClosed();
}
