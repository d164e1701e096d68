#include "app/LauncherHandoff.h"

#include <shlobj.h>
#include <shlwapi.h>

#include "Runtime/CommonUtils.h"
#include "Runtime/FileLogger.h"
#include "app/FileOwner.h"
#include "app/RestrictedStart.h"

namespace {

constexpr wchar_t kSource[] = L".\\app\\LauncherHandoff";
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
constexpr DWORD kCopyChunk = 1 << 20;

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

// The path straight from the shell: an item list would need COM, and the shell parsing the path back
// into one, before the first frame (about 3 ms under Wine).
std::wstring CommonAppDataFolder() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::wstring();
    return path;
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

// FileIdInfo, declared only for newer targets than ours.
constexpr auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);
struct FileIdentity {
    ULONGLONG volumeSerial;
    BYTE fileId[16];
};
constexpr UINT kRefusedImageExitCode = 2010;
constexpr DWORD kTerminateWaitMs = 5000;

// The volume and file id of an open file; false when the file system has none to give.
bool IdentityOf(HANDLE file, FileIdentity& identity) {
    if (GetFileInformationByHandleEx(file, kFileIdInfo, &identity, sizeof(identity)))
        return true;
    // Before Windows 8 only the 64-bit index is known.
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(file, &info))
        return false;
    identity = {};
    identity.volumeSerial = info.dwVolumeSerialNumber;
    memcpy(identity.fileId, &info.nFileIndexLow, sizeof(info.nFileIndexLow));
    memcpy(identity.fileId + sizeof(info.nFileIndexLow), &info.nFileIndexHigh, sizeof(info.nFileIndexHigh));
    return true;
}

// The started (suspended) process's image is the file open in `checked`.
bool IsImageOf(HANDLE process, HANDLE checked) {
    wchar_t image[MAX_PATH * 2] = {};
    DWORD length = ARRAYSIZE(image);
    if (!checked || !QueryFullProcessImageNameW(process, 0, image, &length))
        return false;
    CScopedHandle file(CreateFileW(image, FILE_READ_ATTRIBUTES,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    FileIdentity started = {};
    FileIdentity held = {};
    return file.IsValid() && IdentityOf(file.Get(), started) && IdentityOf(checked, held) &&
           started.volumeSerial == held.volumeSerial &&
           memcmp(started.fileId, held.fileId, sizeof(held.fileId)) == 0;
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

CLauncherHandoff::CLauncherHandoff(HandoffPlaces places)
    : m_places(std::move(places)), m_workFolder(m_places.commonAppData) {}

CLauncherHandoff::~CLauncherHandoff() = default;

bool CLauncherHandoff::DetectEnvironment(int contextLaunchId) {
    if (contextLaunchId != 0)
        m_launchId = contextLaunchId;
    // Also for a hand-over: the run's log lives there.
    m_workFolder.Open();
    if (FindLauncher() && StartLauncher(m_launcherPath, LauncherArguments(m_launchId)))
        return true;
    // A launcher that cannot be started counts as none: the normal install runs.
    const std::wstring& moduleDir = m_places.moduleDir;
    if (!moduleDir.empty() && Exists(JoinPath(moduleDir, kInstalledMarker))) {
        m_moduleFolderInstall = true;
        m_packagePresent = Exists(PackageBeside());
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
    return PackageFolder().empty() ? std::wstring() : JoinPath(PackageFolder(), kPackageExe);
}

std::wstring CLauncherHandoff::PackageBeside() const {
    return JoinPath(m_places.moduleDir, kPackageExe);
}

bool CLauncherHandoff::CopyPackageBeside() const {
    if (PackageFolder().empty())
        return false;
    CScopedHandle source(CreateFileW(PackageBeside().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source.IsValid())
        return false;
    const std::wstring target = PackageFile();
    CScopedHandle copy(CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!copy.IsValid())
        return false;
    std::vector<char> buffer(kCopyChunk);
    bool whole = true;
    for (;;) {
        DWORD got = 0;
        DWORD written = 0;
        if (!ReadFile(source.Get(), buffer.data(), kCopyChunk, &got, nullptr)) {
            whole = false;
            break;
        }
        if (got == 0)
            break;
        if (!WriteFile(copy.Get(), buffer.data(), got, &written, nullptr) || written != got) {
            whole = false;
            break;
        }
    }
    copy.Reset();
    if (!whole)
        DeleteFileW(target.c_str());
    return whole;
}

InstallerStart CLauncherHandoff::RunInstaller() {
    m_packagePath = PackageFile();
    // The process keeps its own hold on its image; the checked file is ours to close either way.
    const CScopedHandle checked = std::move(m_heldPackage);
    std::wstring commandLine = InstallerCommandLine(m_packagePath, m_installDir);
    STARTUPINFOW startup = {sizeof(startup)};
    PROCESS_INFORMATION info = {};
    // Suspended: none of the package's code runs before its image is known to be the checked file.
    if (m_packagePath.empty() ||
        !CreateProcessW(m_packagePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, PackageFolder().c_str(), &startup, &info))
        return InstallerStart::kFailed;
    CScopedHandle process(info.hProcess);
    CScopedHandle thread(info.hThread);
    if (!IsImageOf(process.Get(), checked.Get())) {
        TerminateProcess(process.Get(), kRefusedImageExitCode);
        WaitForSingleObject(process.Get(), kTerminateWaitMs);
        return InstallerStart::kNotTheCheckedFile;
    }
    ResumeThread(thread.Get());
    m_installerProcess = std::move(process);
    m_installerThread = std::move(thread);
    return InstallerStart::kStarted;
}

InstallOutcome CLauncherHandoff::RunLauncher() {
    InstallOutcome outcome;
    if (!m_installerProcess.IsValid())
        return outcome;
    WaitForSingleObject(m_installerProcess.Get(), INFINITE);
    outcome.packageRan = true;
    GetExitCodeProcess(m_installerProcess.Get(), &outcome.packageExitCode);
    m_installerProcess.Reset();
    m_installerThread.Reset();
    const std::wstring launcher = JoinPath(m_installDir, kLauncherExe);
    const DWORD attributes = GetFileAttributesW(launcher.c_str());
    outcome.launcherLeft = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    FileLogger::Instance().Log(kLogInfo, __LINE__, kSource, L"package ended with exit code %lu; %s",
                               outcome.packageExitCode,
                               outcome.launcherLeft ? L"launcher in the install folder" : L"NO launcher in the install folder");
    if (outcome.Installed())
        outcome.launcherStarted =
            StartLauncher(launcher, m_launchId > 0 ? LauncherArguments(m_launchId) : std::wstring());
    // Downloaded or copied, the package in the work folder has served; one beside the executable
    // was never touched.
    DeleteFileW(m_packagePath.c_str());
    return outcome;
}

// The installer runs elevated; the launcher, and every game it starts, should not. A child of the
// user's shell takes the shell's token and costs us no COM. The shell's own start reports success for
// any file it accepts and complains about the rest in a box of its own, so only a program that can run
// goes through it. Without the shell the launcher gets a token stripped of administrator rights, never
// ours: a user could end their own shell to force that way.
bool CLauncherHandoff::StartLauncher(const std::wstring& launcher, const std::wstring& arguments) {
    const std::wstring folder = launcher.substr(0, launcher.find_last_of(L'\\'));
    const std::wstring commandLine = QuoteArgument(launcher) + (arguments.empty() ? L"" : L" " + arguments);
    if (StartAsShellChild(launcher, commandLine, folder)) {
        FileLogger::Instance().Log(kLogInfo, __LINE__, kSource,
                                   L"launcher %s started as the desktop shell's child", launcher.c_str());
        return true;
    }
    DWORD binaryType = 0;
    if (m_places.startAsUser && GetBinaryTypeW(launcher.c_str(), &binaryType) &&
        m_places.startAsUser(launcher, arguments, folder)) {
        FileLogger::Instance().Log(kLogInfo, __LINE__, kSource, L"launcher %s started through the desktop shell",
                                   launcher.c_str());
        return true;
    }
    if (RestrictedStart::Start(launcher, commandLine, folder)) {
        FileLogger::Instance().Log(kLogInfo, __LINE__, kSource, L"launcher %s started with a restricted token",
                                   launcher.c_str());
        return true;
    }
    FileLogger::Instance().Log(kLogError, __LINE__, kSource,
                               L"launcher not started (no shell, no restricted token): %u",
                               static_cast<unsigned>(GetLastError()));
    return false;
}

bool CLauncherHandoff::StartAsShellChild(const std::wstring& program,
                                         const std::wstring& commandLine,
                                         const std::wstring& folder) const {
    return m_places.shellProcessId &&
           ShellChild::Start(m_places.shellProcessId(), program, commandLine, folder);
}

bool CLauncherHandoff::OpenAsUser(const std::wstring& document) {
    // The system's own opener, from the system folder: whatever it starts for the document (the
    // browser) inherits its token.
    wchar_t system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring opener = std::wstring(system) + L"\\rundll32.exe";
    const std::wstring openerLine = QuoteArgument(opener) + L" url.dll,FileProtocolHandler " + document;
    const bool haveOpener = length > 0 && length < MAX_PATH;
    if (haveOpener && StartAsShellChild(opener, openerLine, system))
        return true;
    if (m_places.startAsUser && m_places.startAsUser(document, std::wstring(), std::wstring()))
        return true;
    if (haveOpener && RestrictedStart::Start(opener, openerLine, system))
        return true;
    FileLogger::Instance().Log(kLogError, __LINE__, kSource,
                               L"page not opened (no shell, no restricted token): %u",
                               static_cast<unsigned>(GetLastError()));
    return false;
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
