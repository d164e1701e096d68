// Stand-in for the installation package "zvinstaller.exe". Accepts only
//   "<path>" /S "/unpack=DIR" /launch=off
// records its command line (and its current folder in "zvinstaller.cwd"), works for a moment
// (ZORVA_STUB_INSTALL_MS, default 1500 ms), creates DIR
// and leaves the launcher stand-in it carries there as "ZorvaLauncher.exe".
// Exit codes: 0 installed, 2 unexpected arguments, 3 folder not created, 4 launcher not written.
// A package that fails: ZORVA_STUB_EXIT_CODE=N ends with N after installing; ZORVA_STUB_NO_LAUNCHER=1
// ends with 0 but leaves no launcher.
#include <windows.h>

#include <shellapi.h>
#include <shlobj.h>

#include <string>

#include "tests/app/stubs/StubRecord.h"

namespace {

constexpr int kLauncherResource = 1;
constexpr DWORD kDefaultWorkMs = 1500;
constexpr wchar_t kUnpackSwitch[] = L"/unpack=";

DWORD NumberFromEnvironment(const wchar_t* name, DWORD otherwise) {
    wchar_t text[32] = {};
    DWORD n = GetEnvironmentVariableW(name, text, 32);
    return n > 0 && n < 32 ? wcstoul(text, nullptr, 10) : otherwise;
}

// The folder from the unpack switch, or empty when the arguments are not the expected three.
std::wstring UnpackFolder() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring folder;
    const size_t prefix = wcslen(kUnpackSwitch);
    if (argv && argc == 4 && wcscmp(argv[1], L"/S") == 0 && wcsncmp(argv[2], kUnpackSwitch, prefix) == 0 &&
        wcscmp(argv[3], L"/launch=off") == 0)
        folder = argv[2] + prefix;
    LocalFree(argv);
    return folder;
}

bool WriteLauncher(const std::wstring& path) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(kLauncherResource), MAKEINTRESOURCEW(10));
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes)
        return false;
    const DWORD size = SizeofResource(nullptr, found);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes, size, &written, nullptr);
    CloseHandle(file);
    return ok && written == size;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    StubRecord::AppendLine(L"zvinstaller", GetCommandLineW());
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    StubRecord::AppendLine(L"zvinstaller.cwd", current);
    const std::wstring folder = UnpackFolder();
    if (folder.empty())
        return 2;
    // A real package takes its time; the installer must wait for it rather than race it.
    Sleep(NumberFromEnvironment(L"ZORVA_STUB_INSTALL_MS", kDefaultWorkMs));
    const int made = SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS)
        return 3;
    if (NumberFromEnvironment(L"ZORVA_STUB_NO_LAUNCHER", 0) != 0)
        return 0;
    if (!WriteLauncher(folder + L"\\ZorvaLauncher.exe"))
        return 4;
    return static_cast<int>(NumberFromEnvironment(L"ZORVA_STUB_EXIT_CODE", 0));
}
