#include "app/LauncherHandoff.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "Runtime/CommonUtils.h"
#include "app/FileOwner.h"

namespace {

constexpr wchar_t kIniRecordFile[] = L"ZorvaLaucher.ini";
constexpr wchar_t kIniSection[] = L"ZorvaNet-Launcher";
constexpr wchar_t kIniKey[] = L"InstallPath";
constexpr DWORD kIniValueChars = 2048;
constexpr wchar_t kRegistryKey[] = L"SOFTWARE\\ZorvaLauncher";
constexpr wchar_t kRegistryValue[] = L"InstPath";
// The value is read into 4096 bytes; two are kept back for the terminator that a value need not have.
constexpr DWORD kInstPathBufferBytes = 4096;
constexpr DWORD kInstPathReadBytes = kInstPathBufferBytes - sizeof(wchar_t);
constexpr wchar_t kInstalledMarker[] = L"zvmain.dll";
constexpr wchar_t kDefaultFolderBelowRoot[] = L"Zorva网络\\ZorvaTarnis";

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty() || folder.back() == L'\\')
        return folder + name;
    return folder + L'\\' + name;
}

bool Exists(const std::wstring& path) {
    return !path.empty() && PathFileExistsW(path.c_str());
}

// A relative path would be looked up in the current folder, which may be the download folder.
bool IsAbsoluteExisting(const std::wstring& path) {
    return Exists(path) && !PathIsRelativeW(path.c_str());
}

std::wstring CommonAppDataFolder() {
    std::wstring folder;
    HRESULT com = CoInitialize(nullptr);
    LPITEMIDLIST item = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_COMMON_APPDATA, &item)) && item) {
        wchar_t path[MAX_PATH] = {};
        if (SHGetPathFromIDListW(item, path))
            folder = path;
        CoTaskMemFree(item);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return folder;
}

class CRegKey {
public:
    ~CRegKey() {
        if (m_key)
            RegCloseKey(m_key);
    }
    HKEY* Receive() { return &m_key; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// One argument in quotes, as programs split their command lines: backslashes are literal except
// before a quote, so a run of them before a quote (the closing one included) is doubled and an
// inner quote is escaped.
std::wstring QuoteArgument(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        quoted += c;
        backslashes = 0;
    }
    quoted.append(2 * backslashes, L'\\');
    return quoted + L'"';
}

}  // namespace

HandoffPlaces MachinePlaces() {
    HandoffPlaces places;
    places.moduleDir = GetModuleDir();
    places.commonAppData = CommonAppDataFolder();
    places.registryRoot = HKEY_LOCAL_MACHINE;
    places.registryKey = kRegistryKey;
    places.driveRoots = {L"D:\\", L"C:\\", L"E:\\"};
    places.isTrustedRecord = &IsOwnedByTrustedAccount;
    return places;
}

std::wstring LauncherArguments(int launchId) {
    return L"-i " + QuoteArgument(std::to_wstring(launchId)) + L" -d";
}

std::wstring LauncherCommandLine(const std::wstring& launcher, int launchId) {
    return QuoteArgument(launcher) + L" " + LauncherArguments(launchId);
}

std::wstring InstallerCommandLine(const std::wstring& package, const std::wstring& installDir) {
    return QuoteArgument(package) + L" /S " + QuoteArgument(L"/unpack=" + installDir) + L" /launch=off";
}

std::wstring PickedFolder(const std::wstring& picked) {
    if (picked.empty() || picked.back() != L'\\' || PathIsRootW(picked.c_str()))
        return picked;
    return picked.substr(0, picked.size() - 1);
}

CLauncherHandoff::CLauncherHandoff(HandoffPlaces places) : m_places(std::move(places)) {}

CLauncherHandoff::~CLauncherHandoff() = default;

bool CLauncherHandoff::DetectEnvironment(int contextLaunchId) {
    if (contextLaunchId != 0)
        m_launchId = contextLaunchId;
    if (FindLauncher() && StartLauncher(m_launcherPath, LauncherArguments(m_launchId)))
        return true;
    // A launcher that cannot be started counts as none: the normal install runs.
    const std::wstring& moduleDir = m_places.moduleDir;
    if (!moduleDir.empty() && Exists(JoinPath(moduleDir, kInstalledMarker))) {
        m_moduleFolderInstall = true;
        m_packageFolder = moduleDir;
        m_packagePresent = Exists(JoinPath(moduleDir, kPackageExe));
    } else {
        m_packageFolder = DefaultInstallDir();
    }
    return false;
}

bool CLauncherHandoff::FindLauncher() {
    m_launcherPath.clear();
    if (m_places.commonAppData.empty())
        return false;
    return ReadIniRecord() || ReadRegistryRecord();
}

// Standard users may create files in the all-users folder, so the record counts only when an
// administrator, the system or the system's installer service wrote it.
bool CLauncherHandoff::ReadIniRecord() {
    const std::wstring ini = JoinPath(m_places.commonAppData, kIniRecordFile);
    if (!Exists(ini) || !m_places.isTrustedRecord || !m_places.isTrustedRecord(ini))
        return false;
    wchar_t value[kIniValueChars] = {};
    GetPrivateProfileStringW(kIniSection, kIniKey, L"", value, kIniValueChars, ini.c_str());
    if (!IsAbsoluteExisting(value))
        return false;
    m_launcherPath = value;
    return true;
}

bool CLauncherHandoff::ReadRegistryRecord() {
    CRegKey key;
    if (RegOpenKeyExW(m_places.registryRoot, m_places.registryKey.c_str(), 0, KEY_READ, key.Receive()) !=
        ERROR_SUCCESS)
        return false;
    wchar_t value[kInstPathBufferBytes / sizeof(wchar_t)] = {};
    DWORD type = 0;
    DWORD bytes = kInstPathReadBytes;
    if (RegQueryValueExW(key.Get(), kRegistryValue, nullptr, &type, reinterpret_cast<BYTE*>(value), &bytes) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    value[bytes / sizeof(wchar_t)] = L'\0';
    // The folder is taken even when its launcher is gone: the folder page then offers it.
    m_installDir = value;
    const std::wstring launcher = JoinPath(m_installDir, kLauncherExe);
    if (!IsAbsoluteExisting(launcher))
        return false;
    m_launcherPath = launcher;
    return true;
}

std::wstring CLauncherHandoff::DefaultInstallDir() const {
    for (const std::wstring& root : m_places.driveRoots) {
        if (!Exists(root))
            continue;
        std::wstring dir = JoinPath(root, kDefaultFolderBelowRoot);
        return dir.size() < MAX_PATH ? dir : std::wstring();
    }
    return std::wstring();
}

std::wstring CLauncherHandoff::PackageFile() const {
    return JoinPath(m_packageFolder, kPackageExe);
}

bool CLauncherHandoff::RunInstaller() {
    m_packagePath = PackageFile();
    PROCESS_INFORMATION info = {};
    const bool failed =
        RunProcessEx(m_packagePath, InstallerCommandLine(m_packagePath, m_installDir), &info).first;
    // The process has its own hold on its image now.
    m_heldPackage.Reset();
    if (failed)
        return false;
    m_installerProcess.Reset(info.hProcess);
    m_installerThread.Reset(info.hThread);
    return true;
}

bool CLauncherHandoff::RunLauncher() {
    if (!m_installerProcess.IsValid())
        return false;
    // The window does not repaint meanwhile; the package has had the ten-second animation to work.
    WaitForSingleObject(m_installerProcess.Get(), INFINITE);
    m_installerProcess.Reset();
    m_installerThread.Reset();
    const std::wstring launcher = JoinPath(m_installDir, kLauncherExe);
    const bool started =
        StartLauncher(launcher, m_launchId > 0 ? LauncherArguments(m_launchId) : std::wstring());
    // A package that came with the executable belongs to it and stays.
    if (!m_moduleFolderInstall)
        DeleteFileW(m_packagePath.c_str());
    return started;
}

// The installer runs elevated; the launcher, and every game it starts, should not. The shell reports
// success for any file it accepts and complains about the rest in a box of its own, so only a program
// that can run goes through it; anything else fails below as it always did.
bool CLauncherHandoff::StartLauncher(const std::wstring& launcher, const std::wstring& arguments) {
    DWORD binaryType = 0;
    if (m_places.startAsUser && GetBinaryTypeW(launcher.c_str(), &binaryType)) {
        std::wstring folder = launcher.substr(0, launcher.find_last_of(L'\\'));
        if (m_places.startAsUser(launcher, arguments, folder))
            return true;
    }
    const std::wstring commandLine =
        arguments.empty() ? std::wstring() : QuoteArgument(launcher) + L" " + arguments;
    return RunProcess(launcher, commandLine) == 0;
}

FreeSpace CLauncherHandoff::UpdateFreeSpace() const {
    FreeSpace space;
    if (m_installDir.size() >= 2) {
        const std::wstring root = m_installDir.substr(0, 2);
        ULARGE_INTEGER available = {};
        if (GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr))
            space.bytes = available.QuadPart;
    }
    space.text = FormatFileSize(space.bytes);
    space.enough = space.bytes >= kMinFreeSpace;
    return space;
}
