#include "Updater/Updater.h"

#include <cwctype>

#include "Http/HttpLog.h"
#include "Http/SystemProxy.h"
#include "Runtime/CommonUtils.h"
#include "Runtime/StringConv.h"
#include "Updater/UpdateEndpoints.h"
#include "Updater/UpdateRecord.h"

namespace {

constexpr wchar_t kSource[] = L".\\Updater\\Updater";
constexpr wchar_t kRecordName[] = L"zvinstall.ini";
constexpr wchar_t kPackageName[] = L"zvinstaller.exe";
constexpr wchar_t kPartialSuffix[] = L".yw";
constexpr wchar_t kFailedMessage[] = L"安装失败";
constexpr wchar_t kHelperClassFormat[] = L"_UPDATE_MODULE_HELPER_WINDOW_ZORVA%d";
constexpr UINT kFirstQuietMessage = WM_USER + 1003;
constexpr UINT kLastQuietMessage = WM_USER + 1008;
constexpr wchar_t kByteOrderMark = 0xFEFF;

int g_helperWindows = 0;

bool SameDigest(const std::wstring& expected, const std::string& actual) {
    if (actual.empty() || expected.size() != actual.size())
        return false;
    for (size_t i = 0; i < expected.size(); ++i)
        if (std::towlower(expected[i]) != static_cast<wchar_t>(actual[i]))
            return false;
    return true;
}

HMODULE ExecutableModule() {
    return GetModuleHandleW(nullptr);
}

// One line for the run log, which support reads.
template <class... Args>
void Note(int line, const wchar_t* format, Args... args) {
    FileLogger::Instance().Log(kLogInfo, line, kSource, format, args...);
}

const wchar_t* DigestVerdict(const std::wstring& expected, const std::string& actual) {
    return expected.empty() ? L"not checked" : SameDigest(expected, actual) ? L"match" : L"MISMATCH";
}

uint64_t BytesPerSecond(uint64_t bytes, DWORD ms) {
    return ms == 0 ? bytes : bytes * 1000 / ms;
}

}  // namespace

Updater::Updater(const std::wstring& folder, int, IGameEventListener* listener, int)
    : Updater(folder,
              listener,
              {ManifestPrimaryUrl(), ManifestFallbackUrl()},
              PinnedSignerKeys(),
              ServerCaCertificates(),
              UnsignedPackagesPolicy()) {}

Updater::Updater(const std::wstring& folder,
                 IGameEventListener* listener,
                 std::vector<std::wstring> endpoints,
                 std::vector<std::string> signerPins,
                 std::string serverCa,
                 UnsignedPackages withoutPins)
    : m_progress(ProtoValue::kMap),
      m_endpoints(std::move(endpoints)),
      m_folder(folder),
      m_listener(listener),
      m_signerPins(std::move(signerPins)),
      m_withoutPins(withoutPins) {
    m_manifest.SetCaCertificates(serverCa);
    m_download.SetCaCertificates(std::move(serverCa));
}

Updater::~Updater() {
    Stop();
}

bool Updater::Start() {
    CreateHelperWindow();
    if (!CreateDir(m_folder))
        return false;
    FetchManifest();
    return true;
}

void Updater::Stop() {
    m_manifest.Stop();
    m_download.Stop();
    m_packageCheck.Cancel();
    m_verifiedPackage.Reset();
    m_responseText.clear();
    m_running = false;
    DestroyHelperWindow();
}

void Updater::CreateHelperWindow() {
    m_helperClass = FormatString(kHelperClassFormat, ++g_helperWindows);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = &Updater::HelperProc;
    wc.hInstance = ExecutableModule();
    wc.lpszClassName = m_helperClass.c_str();
    if (!RegisterClassW(&wc)) {
        const DWORD error = GetLastError();
        HttpLog::FileAndConsole(kLogError, __LINE__, kSource, L"[UM]regclass %d", static_cast<int>(error));
        HttpLog::FileAndConsole(kLogError, __LINE__, kSource, L"[UM]rcls %d:%d", 1, static_cast<int>(error));
        return;
    }
    m_helperWindow = CreateWindowExW(0, m_helperClass.c_str(), L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     ExecutableModule(), nullptr);
    if (!m_helperWindow) {
        const DWORD error = GetLastError();
        UnregisterClassW(m_helperClass.c_str(), ExecutableModule());
        HttpLog::FileAndConsole(kLogError, __LINE__, kSource, L"[UM]unregclass %d", static_cast<int>(error));
        HttpLog::FileAndConsole(kLogError, __LINE__, kSource, L"[UM]urcls %d:%d", 1, static_cast<int>(error));
        return;
    }
    SetWindowLongPtrW(m_helperWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void Updater::DestroyHelperWindow() {
    if (!m_helperWindow)
        return;
    // Messages still queued for the window die with it; nothing reaches a stopped module.
    SetWindowLongPtrW(m_helperWindow, GWLP_USERDATA, 0);
    DestroyWindow(m_helperWindow);
    m_helperWindow = nullptr;
    UnregisterClassW(m_helperClass.c_str(), ExecutableModule());
}

Updater* Updater::FromWindow(HWND hwnd) {
    return hwnd ? reinterpret_cast<Updater*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)) : nullptr;
}

LRESULT CALLBACK Updater::HelperProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    Updater* self = FromWindow(hwnd);
    switch (message) {
        case kManifestResultMessage:
            if (self)
                self->HandleManifestResult(static_cast<int>(wparam), static_cast<int>(lparam));
            return 0;
        case kProgressMessage:
            if (self)
                self->HandleProgress();
            return 0;
        case kPackageResultMessage:
            if (self)
                self->HandlePackageResult(static_cast<int>(wparam), static_cast<int>(lparam));
            return 0;
        case WM_TIMER:
            return 0;
        default:
            if (message >= kFirstQuietMessage && message <= kLastQuietMessage)
                return 0;
            return DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

void Updater::PostToHelper(UINT message, WPARAM wparam, LPARAM lparam) {
    if (!PostMessageW(m_helperWindow, message, wparam, lparam)) {
        const DWORD error = GetLastError();
        HttpLog::FileAndConsole(kLogError, __LINE__, kSource, L"[UM] post_message failed:%u",
                                static_cast<unsigned>(error));
        HttpLog::FileAndConsole(kLogError, __LINE__, kSource, L"[UM] post message failed:%u",
                                static_cast<unsigned>(error));
    }
}

void Updater::FetchManifest() {
    const std::wstring url =
        m_nextEndpoint < m_endpoints.size() ? m_endpoints[m_nextEndpoint] : std::wstring();
    ++m_nextEndpoint;
    if (m_manifest.IsRunning())
        return;
    m_manifest.SetUrl(url);
    m_manifest.SetCallback(&Updater::OnManifestDone, m_helperWindow);
    m_manifestStartTick = GetTickCount();
    m_manifest.Send();
}

void Updater::RetryManifest() {
    m_nextEndpoint = 0;
    FetchManifest();
}

void Updater::OnManifestDone(void* user, const std::string& body, int errorType, int errorCode) {
    Updater* self = FromWindow(static_cast<HWND>(user));
    if (!self)
        return;
    self->m_responseText = Utf8ToWide(body);
    // Windows editors save text with a byte-order mark; the record carries its own.
    if (!self->m_responseText.empty() && self->m_responseText.front() == kByteOrderMark)
        self->m_responseText.erase(0, 1);
    self->PostToHelper(kManifestResultMessage, static_cast<WPARAM>(errorType),
                       static_cast<LPARAM>(errorCode));
}

void Updater::HandleManifestResult(int errorType, int errorCode) {
    m_manifest.Stop();
    Note(__LINE__, L"manifest %s: result (%d, %d) after %lu ms", m_manifest.Url().c_str(), errorType, errorCode,
         GetTickCount() - m_manifestStartTick);
    std::optional<ManifestInfo> info;
    if (errorType == 0) {
        info = UpdateRecord::Replace(m_folder + L"\\" + kRecordName, m_responseText);
        if (!info) {
            errorType = kHttpErrorUser;
            errorCode = kErrorNoPackageUrl;
        }
    }
    if (errorType != 0) {
        if (m_nextEndpoint < m_endpoints.size()) {
            FetchManifest();
            return;
        }
        m_listener->OnManifestResult(errorType, errorCode, std::wstring());
        return;
    }
    m_packageUrls.assign(1, info->url);
    m_packageUrls.insert(m_packageUrls.end(), info->mirrors.begin(), info->mirrors.end());
    m_packageUrlIndex = 0;
    m_packageSize = info->size;
    // SHA-256 decides when the manifest carries it: MD5 then proves nothing more and would
    // only cost hashing time; it stays in manifests for installers already in the field.
    m_packageSha256 = info->sha256;
    m_packageMd5 = m_packageSha256.empty() ? info->md5 : std::wstring();
    Note(__LINE__, L"manifest keys: Url host %s, %u mirrors, Size %s, Version %s, digests%s%s",
         UrlHost(info->url).c_str(), static_cast<unsigned>(info->mirrors.size()), info->size.c_str(), info->version.c_str(),
         info->md5.empty() ? L"" : L" Md5", info->sha256.empty() ? L"" : L" Sha256");
    StartPackageDownload();
    m_listener->OnManifestResult(0, errorCode, info->version);
}

void Updater::StartPackageDownload() {
    if (!CreateDir(m_folder))
        return;
    m_packagePath = m_folder + L"\\" + kPackageName;
    m_running = true;
    m_download.SetDoneCallback(&Updater::OnDownloadDone);
    m_download.SetProgressCallback(&Updater::OnDownloadProgress);
    SubmitDownload();
}

bool Updater::SubmitDownload() {
    if (m_download.IsRunning())
        return false;
    const int64_t expected = UpdateRecord::ParseSize(m_packageSize);
    // Hashed by the download engine as the bytes arrive: the UI thread never reads the package.
    m_download.SetDigests((m_packageMd5.empty() ? 0 : kDigestMd5) |
                          (m_packageSha256.empty() ? 0 : kDigestSha256));
    const std::wstring& url = m_packageUrls.empty() ? std::wstring() : m_packageUrls[m_packageUrlIndex];
    const int64_t present = GetFileSize(m_packagePath + kPartialSuffix);
    m_attemptStartBytes = present > 0 ? static_cast<uint64_t>(present) : 0;
    m_attemptStartTick = GetTickCount();
    Note(__LINE__, L"download %s from byte %llu", url.c_str(), m_attemptStartBytes);
    return m_download.Download(url, m_packagePath + kPartialSuffix,
                               expected > 0 ? static_cast<uint64_t>(expected) : 0, m_helperWindow);
}

bool Updater::ResubmitDownload() {
    if (m_packagePath.empty() || m_download.IsRunning())
        return false;
    m_running = true;
    return SubmitDownload();
}

void Updater::OnDownloadProgress(void* user, uint64_t total, uint64_t done, uint32_t speed) {
    Updater* self = FromWindow(static_cast<HWND>(user));
    if (!self)
        return;
    ProtoValue& process = self->m_progress[L"process"];
    process[L"total"] = static_cast<int64_t>(total);
    process[L"complete"] = static_cast<int64_t>(done);
    process[L"speed"] = static_cast<int64_t>(speed);
    self->PostToHelper(kProgressMessage, 0, 0);
}

void Updater::HandleProgress() {
    if (!m_running)
        return;
    if (m_progress.hasKey(L"process")) {
        ProtoValue& process = m_progress[L"process"];
        m_listener->OnProgress(static_cast<uint64_t>(process[L"total"].integer()),
                               static_cast<uint64_t>(process[L"complete"].integer()),
                               static_cast<uint64_t>(process[L"speed"].integer()));
    }
    m_progress = ProtoValue(ProtoValue::kMap);
}

void Updater::OnDownloadDone(void* user, int errorType, int errorCode) {
    Updater* self = FromWindow(static_cast<HWND>(user));
    if (!self)
        return;
    self->PostToHelper(kPackageResultMessage, static_cast<WPARAM>(errorType), static_cast<LPARAM>(errorCode));
}

HttpResult Updater::InstallPartialFile() {
    const std::wstring partial = m_packagePath + kPartialSuffix;
    // The package runs with administrator rights: a corrupted or substituted download must
    // never be put where it would be started. The partial file goes, so the retry starts over.
    const FileDigests& digests = m_download.Digests();
    Note(__LINE__, L"package digests: Md5 %s, Sha256 %s", DigestVerdict(m_packageMd5, digests.md5),
         DigestVerdict(m_packageSha256, digests.sha256));
    if ((!m_packageMd5.empty() && !SameDigest(m_packageMd5, digests.md5)) ||
        (!m_packageSha256.empty() && !SameDigest(m_packageSha256, digests.sha256))) {
        DeleteFileOnce(partial);
        return {kHttpErrorUser, kErrorDigestMismatch};
    }
    if (!DeleteFileOnce(m_packagePath) || !MoveFileOnce(partial, m_packagePath))
        return {kHttpErrorUser, -1};
    return {};
}

void Updater::MoveToNextMirror() {
    if (m_packageUrls.size() < 2)
        return;
    m_packageUrlIndex = (m_packageUrlIndex + 1) % m_packageUrls.size();
    // Only a digest proves that the pieces from two servers make one package.
    if (m_packageMd5.empty() && m_packageSha256.empty())
        DeleteFileOnce(m_packagePath + kPartialSuffix);
}

void Updater::HandlePackageResult(int errorType, int errorCode) {
    if (!m_running)
        return;
    m_download.Stop();
    m_running = false;
    const int64_t present = GetFileSize(m_packagePath + kPartialSuffix);
    const uint64_t bytes =
        present > static_cast<int64_t>(m_attemptStartBytes) ? present - m_attemptStartBytes : 0;
    const DWORD ms = GetTickCount() - m_attemptStartTick;
    Note(__LINE__, L"download ended: result (%d, %d), %llu bytes in %lu ms, %llu bytes/s average", errorType,
         errorCode, bytes, ms, BytesPerSecond(bytes, ms));
    HttpResult result{errorType, errorCode};
    std::wstring message;
    if (errorType == 0) {
        result = InstallPartialFile();
        if (result.type == kHttpErrorOk) {
            // The signature check reads the whole package: off the UI thread, reported when done.
            m_packageCheck.Start(m_packagePath, m_signerPins, m_withoutPins,
                                 [this](const TrustResult& trust, CScopedHandle file) {
                                     HandlePackageChecked(trust, std::move(file));
                                 });
            return;
        }
        if (result.code == kErrorDigestMismatch)
            message = kFailedMessage;
    } else {
        message = kFailedMessage;
        // A partial file with data stays, so that the next submission resumes it.
        const std::wstring partial = m_packagePath + kPartialSuffix;
        if (GetFileSize(partial) <= 0)
            DeleteFileOnce(partial);
    }
    if (result.type != 0)
        MoveToNextMirror();
    m_listener->OnDownloadResult(result.type, result.code, message);
}

void Updater::HandlePackageChecked(const TrustResult& trust, CScopedHandle package) {
    if (trust.Accepted()) {
        m_verifiedPackage = std::move(package);
        m_listener->OnDownloadResult(kHttpErrorOk, 0, std::wstring());
        return;
    }
    HttpLog::FileAndConsole(kLogError, __LINE__, kSource, L"[UM]package refused: verdict %d status 0x%08x",
                            static_cast<int>(trust.verdict), static_cast<unsigned>(trust.status));
    // Never run, never resumed: the next download starts from nothing, from the next mirror.
    package.Reset();
    DeleteFileOnce(m_packagePath);
    MoveToNextMirror();
    m_listener->OnDownloadResult(kHttpErrorUser, kErrorUntrustedPackage, kFailedMessage);
}
