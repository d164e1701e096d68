#pragma once
// What the stand-in programs leave behind for the tests: "<name>.cmdline.txt" with one UTF-8 line
// appended per start (the raw command line, or what the program chose to record), in the folder
// named by ZORVA_STUB_RECORD_DIR, else beside the program. Any thread, any process.
#include <windows.h>

#include <string>
#include <vector>

namespace StubRecord {

constexpr wchar_t kDirVariable[] = L"ZORVA_STUB_RECORD_DIR";

inline std::wstring PathIn(const std::wstring& folder, const std::wstring& name) {
    return folder + L"\\" + name + L".cmdline.txt";
}

inline std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, n);
    size_t slash = folder.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash);
}

inline std::wstring RecordFolder() {
    wchar_t dir[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(kDirVariable, dir, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(dir, n) : ProgramFolder();
}

// One write per line, so that records of processes running at once do not interleave.
inline bool AppendLineIn(const std::wstring& folder, const std::wstring& name, const std::wstring& line) {
    std::string bytes;
    if (!line.empty()) {
        int n = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0,
                                    nullptr, nullptr);
        bytes.resize(static_cast<size_t>(n));
        WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &bytes[0], n, nullptr,
                            nullptr);
    }
    bytes += '\n';
    HANDLE file = CreateFileW(PathIn(folder, name).c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

inline bool AppendLine(const std::wstring& name, const std::wstring& line) {
    return AppendLineIn(RecordFolder(), name, line);
}

// The recorded lines, oldest first; empty when the program never ran.
inline std::vector<std::wstring> Read(const std::wstring& path) {
    std::vector<std::wstring> lines;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return lines;
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0)
        bytes.append(chunk, got);
    CloseHandle(file);
    size_t start = 0;
    for (size_t end; (end = bytes.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string text = bytes.substr(start, end - start);
        std::wstring wide(text.size(), L'\0');
        int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                                    static_cast<int>(wide.size()));
        wide.resize(static_cast<size_t>(n > 0 ? n : 0));
        lines.push_back(wide);
    }
    return lines;
}

}  // namespace StubRecord
