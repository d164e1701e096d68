#include "app/RunLog.h"

#include <windows.h>

#include <share.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "Runtime/CommonUtils.h"

namespace {

constexpr wchar_t kLogPrefix[] = L"TarnisSetup-";
constexpr wchar_t kLogSuffix[] = L".log";
constexpr int kDefaultDpi = 96;

// Our logs in the folder, oldest first: the names begin with the start time.
std::vector<std::wstring> LogsIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found = {};
    HANDLE search = FindFirstFileW((folder + L"\\" + kLogPrefix + L"*" + kLogSuffix).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring FileVersion() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    std::vector<BYTE> data(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoW(path, 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info)
        return L"?";
    return FormatString(L"%u.%u.%u.%u", HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                        HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS));
}

// GetVersionEx answers with the version the manifest declares support for; the kernel tells the truth.
std::wstring WindowsVersion() {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    auto rtlGetVersion = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW version = {sizeof(version)};
    if (!rtlGetVersion || rtlGetVersion(&version) != 0)
        return L"?";
    return FormatString(L"%lu.%lu.%lu", version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber);
}

int DisplayScalePercent() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : kDefaultDpi;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi * 100 / kDefaultDpi;
}

const wchar_t* Elevation() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return L"unknown";
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    const BOOL ok = GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size);
    CloseHandle(token);
    return !ok ? L"unknown" : elevation.TokenIsElevated ? L"elevated" : L"not elevated";
}

}  // namespace

bool CRunLog::Open(const std::wstring& folder) {
    Close();
    if (!CreateDir(folder))
        return false;
    std::vector<std::wstring> logs = LogsIn(folder);
    for (size_t i = 0; i + kKeptLogs <= logs.size(); ++i)
        DeleteFileW((folder + L"\\" + logs[i]).c_str());
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    const std::wstring path =
        folder + L"\\" +
        FormatString(L"%s%04u%02u%02u-%02u%02u%02u-%lu%s", kLogPrefix, now.wYear, now.wMonth, now.wDay, now.wHour,
                     now.wMinute, now.wSecond, GetCurrentProcessId(), kLogSuffix);
    // Support may read the log while the installer still runs.
    m_file = _wfsopen(path.c_str(), L"wb", _SH_DENYWR);
    if (!m_file)
        return false;
    m_path = path;
    FileLogger& sink = FileLogger::Instance();
    auto options = std::make_unique<LogOptions>();
    options->flags = LogOptions::kTime | LogOptions::kProcessId | LogOptions::kThreadId;
    options->newline = true;
    sink.SetOptions(std::move(options));
    sink.SetStream(m_file);
    return true;
}

void CRunLog::Close() {
    if (!m_file)
        return;
    FileLogger::Instance().SetStream(nullptr);
    fclose(m_file);
    m_file = nullptr;
}

void CRunLog::LogStart(const std::wstring& commandLine) {
    Line(L"start: TarnisSetup %s, command line \"%s\", Windows %s, display scale %d%%, %s", FileVersion().c_str(),
         commandLine.c_str(), WindowsVersion().c_str(), DisplayScalePercent(), Elevation());
}
