#include "Runtime/CommonUtils.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "Runtime/FileLogger.h"
#include "Runtime/TraceLogger.h"

namespace {

constexpr size_t kModulePathChars = 512;
constexpr size_t kSizeTextChars = 259;
constexpr UINT kBrowseFlags = 0x51;

bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int CALLBACK BrowseCallback(HWND hwnd, UINT message, LPARAM lparam, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        const wchar_t* initial = reinterpret_cast<const wchar_t*>(data);
        wchar_t current[MAX_PATH] = {};
        if (!initial || !*initial) {
            GetCurrentDirectoryW(MAX_PATH, current);
            initial = current;
        }
        SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(initial));
    } else if (message == BFFM_SELCHANGED) {
        wchar_t path[MAX_PATH] = {};
        if (SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(lparam), path))
            SendMessageW(hwnd, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
    }
    return 0;
}

std::pair<int, DWORD> StartProcess(const std::wstring& application, const std::wstring& commandLine,
                                   PROCESS_INFORMATION& info) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
    writable.push_back(L'\0');
    if (!CreateProcessW(application.empty() ? nullptr : application.c_str(), writable.data(), nullptr, nullptr,
                        FALSE, 0, nullptr, nullptr, &startup, &info))
        return {1, GetLastError()};
    return {0, 0};
}

}  // namespace

std::wstring FormatFileSize(uint64_t bytes) {
    static const wchar_t* const kUnits[] = {L"%.0fB", L"%.2fKB", L"%.2fMB", L"%.2fGB", L"%.2fTB"};
    static wchar_t text[kSizeTextChars];
    size_t unit = 0;
    double divisor = 1;
    const double value = static_cast<double>(bytes);
    // The unit changes at 1000 of the current one, while each unit is 1024 of the previous.
    while (value >= divisor * 1000 && unit + 1 < sizeof(kUnits) / sizeof(kUnits[0])) {
        divisor *= 1024;
        ++unit;
    }
    _snwprintf(text, kSizeTextChars - 1, kUnits[unit], value / divisor);
    text[kSizeTextChars - 1] = L'\0';
    return text;
}

std::wstring GetModuleDir() {
    static std::wstring dir;
    if (dir.empty()) {
        wchar_t path[kModulePathChars] = {};
        DWORD n = GetModuleFileNameW(nullptr, path, kModulePathChars);
        if (n == 0 || n >= kModulePathChars)
            return std::wstring();
        PathRemoveFileSpecW(path);
        dir = path;
    }
    return dir;
}

int64_t GetFileSize(const std::wstring& path) {
    if (FILE* file = _wfopen(path.c_str(), L"r")) {
        int64_t size = -1;
        if (_fseeki64(file, 0, SEEK_END) == 0)
            size = _ftelli64(file);
        fclose(file);
        if (size >= 0)
            return size;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return -1;
    FindClose(search);
    return (static_cast<int64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
}

std::wstring BrowseForFolder(HWND owner, const std::wstring& initial) {
    BROWSEINFOW info = {};
    info.hwndOwner = owner;
    info.lpszTitle = L"选择文件夹";
    info.ulFlags = kBrowseFlags;
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(initial.c_str());
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
    if (!item)
        return std::wstring();
    wchar_t path[MAX_PATH] = {};
    std::wstring result;
    if (SHGetPathFromIDListW(item, path)) {
        result = path;
        if (!result.empty() && result.back() != L'\\')
            result += L'\\';
    }
    CoTaskMemFree(item);
    return result;
}

DWORD RunProcess(const std::wstring& application, const std::wstring& commandLine, PROCESS_INFORMATION* info) {
    PROCESS_INFORMATION started = {};
    auto result = StartProcess(application, commandLine, started);
    if (result.first)
        return result.second;
    CloseHandle(started.hProcess);
    CloseHandle(started.hThread);
    started.hProcess = nullptr;
    started.hThread = nullptr;
    if (info)
        *info = started;
    return 0;
}

std::pair<int, DWORD> RunProcessEx(const std::wstring& application, const std::wstring& commandLine,
                                   PROCESS_INFORMATION* info) {
    PROCESS_INFORMATION started = {};
    auto result = StartProcess(application, commandLine, started);
    if (result.first)
        return result;
    if (info) {
        *info = started;
    } else {
        CloseHandle(started.hProcess);
        CloseHandle(started.hThread);
    }
    return result;
}

bool CreateDir(const std::wstring& path) {
    if (PathExists(path))
        return true;
    int result = SHCreateDirectoryExW(nullptr, path.c_str(), nullptr);
    if (result == ERROR_SUCCESS)
        return true;
    FileLogger::Instance().Log(2, __LINE__, L".\\Runtime\\CommonUtils", L"CreateDir：%s ret：%d", path.c_str(), result);
    TraceLogger::Instance().Log(2, L"CreateDir：%s ret：%d", path.c_str(), result);
    return false;
}

bool DeleteFileOnce(const std::wstring& path) {
    if (!PathExists(path))
        return true;
    return DeleteFileW(path.c_str()) != FALSE;
}

bool MoveFileOnce(const std::wstring& source, const std::wstring& target) {
    if (!PathExists(source))
        return false;
    return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

std::wstring FormatString(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int length = _vscwprintf(format, measure);
    va_end(measure);
    std::wstring out;
    if (length > 0) {
        std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
        int n = _vsnwprintf(buffer.data(), buffer.size(), format, args);
        if (n > 0)
            out.assign(buffer.data(), static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

int FormatString(wchar_t* buffer, size_t capacity, const wchar_t* format, ...) {
    if (!buffer || capacity == 0)
        return -1;
    if (capacity > kFormatBufferMax)
        capacity = kFormatBufferMax;
    va_list args;
    va_start(args, format);
    int n = _vsnwprintf(buffer, capacity - 1, format, args);
    va_end(args);
    // Text that does not fit is cut, and always terminated.
    buffer[capacity - 1] = L'\0';
    return n;
}
