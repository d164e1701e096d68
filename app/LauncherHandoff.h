#pragma once
// The main window's dealings with the machine outside the window: finding an installed launcher and
// handing over to it, the default install folder, a package lying next to the executable, starting
// the package silently and then the new launcher, and the free space of the install folder's drive.
// UI thread only.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Runtime/ScopedHandle.h"
#include "app/DesktopShell.h"
#include "app/ShellChild.h"
#include "app/WorkFolder.h"

// Where the hand-off looks. MachinePlaces() gives the machine's own places; tests point them at
// temporary folders and a registry key of their own.
struct HandoffPlaces {
    std::wstring moduleDir;      // the executable's folder
    // Holds "ZorvaLaucher.ini" and the work folder; empty: no launcher is looked up, no work folder made.
    std::wstring commonAppData;
    HKEY registryRoot = HKEY_LOCAL_MACHINE;
    std::wstring registryKey;                                  // holds "InstPath"
    std::vector<std::wstring> driveRoots;                      // default folder candidates, in order
    std::function<bool(const std::wstring&)> isTrustedRecord;  // may the ini record be believed?
    // The process whose child a program started for the user becomes (0: none): the desktop shell.
    std::function<DWORD()> shellProcessId = &ShellChild::DesktopShellProcessId;
    // Starts a program or opens a document as the signed-in user (program, arguments, working folder),
    // when no child of the shell could be started; false when that way is not available either, and a
    // stripped token of ours is used instead.
    std::function<bool(const std::wstring&, const std::wstring&, const std::wstring&)> startAsUser =
        &DesktopShell::StartAsUser;
};
HandoffPlaces MachinePlaces();

struct FreeSpace {
    uint64_t bytes = 0;
    std::wstring text;    // FormatFileSize of bytes, for lb_leftspace
    bool enough = false;  // btn_install2 and lb_leftspace enabled
};

constexpr uint64_t kMinFreeSpace = 125829120;  // matches the skin's "所需磁盘空间：120MB"
constexpr wchar_t kLauncherExe[] = L"ZorvaLauncher.exe";
constexpr wchar_t kPackageExe[] = L"zvinstaller.exe";

// How a started package ended, and what came after it.
struct InstallOutcome {
    bool packageRan = false;  // a package had been started
    DWORD packageExitCode = 0;
    bool launcherLeft = false;  // the install folder holds "ZorvaLauncher.exe" afterwards
    bool launcherStarted = false;
    // A package that failed, or left no launcher to start, did not install anything usable.
    bool Installed() const { return packageRan && packageExitCode == 0 && launcherLeft; }
};

// The launcher's and the package's command lines. Every argument is quoted by the rule programs split
// their command lines with, so the started program receives exactly the path and the folder (a
// program path holds no quote and does not end in "\", as its own splitting rule needs).
std::wstring LauncherCommandLine(const std::wstring& launcher, int launchId);
// The launcher's command line without the program: what a start through the shell passes.
std::wstring LauncherArguments(int launchId);
std::wstring InstallerCommandLine(const std::wstring& package, const std::wstring& installDir);
// The folder picker's answer as an install folder: without its trailing "\", unless it is a root
// ("C:" alone would mean the drive's current folder).
std::wstring PickedFolder(const std::wstring& picked);

enum class InstallerStart {
    kStarted,
    kFailed,             // the package could not be started
    kNotTheCheckedFile,  // what started is not the file that was checked: ended before it ran
};

class CLauncherHandoff {
public:
    explicit CLauncherHandoff(HandoffPlaces places = MachinePlaces());
    ~CLauncherHandoff();
    CLauncherHandoff(const CLauncherHandoff&) = delete;
    CLauncherHandoff& operator=(const CLauncherHandoff&) = delete;

    // Once, at the end of the main window's InitWindow. True when an installed launcher was started:
    // the window then closes without showing a page. Otherwise the work folder is open (the package
    // folder is empty when it could not be had).
    bool DetectEnvironment(int contextLaunchId);
    // Looks up an installed launcher (the ini record when its owner is trusted, then the registry);
    // a registry record also presets the install folder, even when its launcher is missing.
    bool FindLauncher();
    // The first existing drive root's "Zorva网络\ZorvaTarnis", or empty.
    std::wstring DefaultInstallDir() const;
    // Keeps the checked package open (writing and deleting denied) until RunInstaller has started it,
    // so that the file that runs is the file that was checked.
    void HoldPackage(CScopedHandle package) { m_heldPackage = std::move(package); }
    // Starts the held package silently into the install folder, with the work folder as its current
    // folder. Unless it started, RunLauncher does nothing and the package stays.
    InstallerStart RunInstaller();
    // The started package, for a wait that does not block the window; null when none runs.
    HANDLE InstallerProcess() const { return m_installerProcess.Get(); }
    // Waits for the package to end (at once, when the caller has waited for it), starts the new
    // launcher only when the package installed, and deletes a downloaded package either way.
    InstallOutcome RunLauncher();
    // Opens a document or web page for the signed-in user by the launcher's ways: as the shell's child,
    // through the shell, else with the stripped token; never with our own. False when none worked.
    bool OpenAsUser(const std::wstring& document);
    // The free space on the install folder's drive, and whether it is enough.
    FreeSpace UpdateFreeSpace() const;

    const std::wstring& InstallDir() const { return m_installDir; }
    void SetInstallDir(const std::wstring& dir) { m_installDir = dir; }
    const std::wstring& LauncherPath() const { return m_launcherPath; }
    // The work folder: the manifest record, the package and its partial file.
    const std::wstring& PackageFolder() const { return m_workFolder.Path(); }
    const std::wstring& PackagePath() const { return m_packagePath; }
    int LaunchId() const { return m_launchId; }
    bool IsModuleFolderInstall() const { return m_moduleFolderInstall; }
    bool IsPackagePresent() const { return m_packagePresent; }
    // The package file in the work folder, downloaded or copied there.
    std::wstring PackageFile() const;
    // The package lying next to the executable (only ever read: a copy of it runs).
    std::wstring PackageBeside() const;
    // Copies the package beside the executable into the work folder, read through a handle that
    // keeps it from being changed meanwhile; false when it could not be copied whole.
    bool CopyPackageBeside() const;
    // A package next to the executable that may not run: the normal download takes its place.
    void RefusePackageBeside() { m_packagePresent = false; }

private:
    bool ReadIniRecord();
    bool ReadRegistryRecord();
    // As the user's shell's child, else through that shell when the launcher can run at all, else as
    // our child with a token stripped of administrator rights. True when it started (or the shell took it).
    bool StartLauncher(const std::wstring& launcher, const std::wstring& arguments);
    bool StartAsShellChild(const std::wstring& program,
                           const std::wstring& commandLine,
                           const std::wstring& folder) const;

    HandoffPlaces m_places;
    std::wstring m_installDir;
    std::wstring m_launcherPath;
    CWorkFolder m_workFolder;
    std::wstring m_packagePath;
    int m_launchId = 0;
    CScopedHandle m_installerProcess;
    CScopedHandle m_installerThread;
    CScopedHandle m_heldPackage;
    bool m_moduleFolderInstall = false;
    bool m_packagePresent = false;
};
