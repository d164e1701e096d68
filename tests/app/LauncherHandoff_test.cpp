#include "app/LauncherHandoff.h"

#include <exdisp.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <vector>

#include "Runtime/CommonUtils.h"
#include "app/FileOwner.h"
#include "app/RestrictedStart.h"
#include "tests/app/stubs/StubRecord.h"
#include "tests/support/TestEnv.h"

namespace {

constexpr DWORD kProcessWaitMs = 30000;

std::vector<std::wstring> SplitCommandLine(const std::wstring& line) {
    std::vector<std::wstring> args;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(line.c_str(), &argc);
    for (int i = 0; argv && i < argc; ++i)
        args.push_back(argv[i]);
    LocalFree(argv);
    return args;
}

// Wine runs its desktop shell ("explorer.exe /desktop") only while some program uses the desktop;
// asking for the desktop window starts it. True once it serves the list of shell windows.
bool DesktopShellReady() {
    GetDesktopWindow();
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const bool ready = TestEnv::PumpUntil(
        [] {
            IShellWindows* windows = nullptr;
            if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&windows))))
                return false;
            windows->Release();
            return true;
        },
        kProcessWaitMs);
    if (SUCCEEDED(com))
        CoUninitialize();
    return ready;
}

std::wstring StubPath(const wchar_t* name) {
    return TestEnv::BinaryDir() + L"\\tests\\app\\stubs\\" + name;
}

// A child of ours with the given image name; 0 when there is none.
DWORD ChildNamed(const wchar_t* image) {
    CScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {sizeof(entry)};
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry))
        if (entry.th32ParentProcessID == GetCurrentProcessId() && _wcsicmp(entry.szExeFile, image) == 0)
            return entry.th32ProcessID;
    return 0;
}

// A shell of the user's that runs without administrator rights: the stand-in, started with the
// stripped token. Ended with the test.
class UserShell {
public:
    UserShell() {
        const std::wstring program = StubPath(L"ShellStandIn.exe");
        if (RestrictedStart::Start(program, std::wstring(), TestEnv::BinaryDir()))
            TestEnv::PumpUntil([&] { return (m_id = ChildNamed(L"ShellStandIn.exe")) != 0; }, kProcessWaitMs);
    }
    ~UserShell() {
        CScopedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, m_id));
        if (process.IsValid() && TerminateProcess(process.Get(), 0))
            WaitForSingleObject(process.Get(), kProcessWaitMs);
    }
    DWORD Id() const { return m_id; }

private:
    DWORD m_id = 0;
};

// A registry key of the test's own under HKEY_CURRENT_USER, removed with its values afterwards.
class TestKey {
public:
    TestKey() {
        static unsigned sequence = 0;
        m_path = FormatString(L"Software\\ZorvaTests\\Handoff-%lu-%u", GetCurrentProcessId(), ++sequence);
    }
    ~TestKey() { RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str()); }
    const std::wstring& Path() const { return m_path; }
    bool Set(const wchar_t* name, DWORD type, const void* data, DWORD bytes) const {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr))
            return false;
        LONG result = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes);
        RegCloseKey(key);
        return result == ERROR_SUCCESS;
    }
    bool SetInstPath(const std::wstring& folder) const {
        return Set(L"InstPath", REG_SZ, folder.c_str(),
                   static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    }

private:
    std::wstring m_path;
};

// A machine in a temporary folder: the executable's folder, an all-users folder, two drive roots of
// which only the second exists, and the test's registry key.
class HandoffTest : public testing::Test {
protected:
    HandoffTest() : m_dir(L"handoff") {
        CreateDir(Module());
        CreateDir(AppData());
        CreateDir(Root());
        CreateDir(Records());
        SetEnvironmentVariableW(StubRecord::kDirVariable, Records().c_str());
    }
    ~HandoffTest() override { SetEnvironmentVariableW(StubRecord::kDirVariable, nullptr); }

    std::wstring Module() const { return m_dir.File(L"module"); }
    std::wstring AppData() const { return m_dir.File(L"ProgramData"); }
    std::wstring Root() const { return m_dir.File(L"root C"); }
    std::wstring Records() const { return m_dir.File(L"records"); }
    std::wstring DefaultDir() const { return Root() + L"\\Zorva网络\\ZorvaTarnis"; }
    std::wstring WorkDir() const { return AppData() + L"\\Zorva\\TarnisSetup"; }

    HandoffPlaces Places() const {
        HandoffPlaces places;
        places.moduleDir = Module();
        places.commonAppData = AppData();
        places.registryRoot = HKEY_CURRENT_USER;
        places.registryKey = m_key.Path();
        places.driveRoots = {m_dir.File(L"no drive D") + L"\\", Root() + L"\\"};
        places.isTrustedRecord = &IsOwnedByTrustedAccount;
        return places;
    }

    void WriteIniRecord(const std::wstring& launcher) const {
        ASSERT_TRUE(WritePrivateProfileStringW(L"ZorvaNet-Launcher", L"InstallPath", launcher.c_str(),
                                               (AppData() + L"\\ZorvaLaucher.ini").c_str()));
    }
    // A launcher folder holding the launcher stand-in, named with a blank as real ones may be.
    std::wstring MakeLauncherFolder(const wchar_t* name) const {
        const std::wstring folder = m_dir.File(name);
        EXPECT_TRUE(CreateDir(folder));
        EXPECT_TRUE(CopyFileW(StubPath(L"ZorvaLauncher.exe").c_str(),
                              (folder + L"\\ZorvaLauncher.exe").c_str(), FALSE));
        return folder;
    }
    // The launcher's starts, recorded beside it.
    struct Start {
        std::vector<std::wstring> args;
        std::wstring parent;  // image name of the process that created the launcher
        std::wstring folder;  // its working folder
        std::wstring admin;   // "1" when its token is a member of Administrators
    };
    std::vector<Start> WaitForStarts(const std::wstring& launcherFolder, size_t count) const {
        auto read = [&](const wchar_t* name) {
            return StubRecord::Read(StubRecord::PathIn(launcherFolder, name));
        };
        TestEnv::PumpUntil([&] { return read(L"ZorvaLauncher").size() >= count; }, kProcessWaitMs);
        std::vector<std::wstring> lines = read(L"ZorvaLauncher");
        std::vector<std::wstring> origins = read(L"ZorvaLauncher.origin");
        std::vector<std::wstring> admin = read(L"ZorvaLauncher.admin");
        std::vector<Start> starts;
        for (size_t i = 0; i < lines.size() && i < origins.size() && i < admin.size(); ++i) {
            const size_t bar = origins[i].find(L'|');
            starts.push_back({SplitCommandLine(lines[i]), origins[i].substr(0, bar),
                              bar == std::wstring::npos ? std::wstring() : origins[i].substr(bar + 1),
                              admin[i]});
        }
        return starts;
    }
    // The file held as the checker holds it: open for reading, writing and deleting denied.
    static CScopedHandle Held(const std::wstring& path) {
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, file) << path;
        return CScopedHandle(file == INVALID_HANDLE_VALUE ? nullptr : file);
    }
    // The shell is not there: the launcher must then start as our own child.
    static bool NoShell(const std::wstring&, const std::wstring&, const std::wstring&) { return false; }
    static DWORD NoShellProcess() { return 0; }

    TestEnv::TempDir m_dir;
    TestKey m_key;
};

}  // namespace

// Both command lines carry exactly the intended arguments, whatever blanks or backslashes the folder
// holds: a drive root keeps its "\" (without it "D:" would mean the drive's current folder), and a
// "\" before a closing quote is doubled so that it does not escape the quote.
TEST(LauncherHandoffCommandLines, ArgumentsArriveExactly) {
    const std::wstring package = L"C:\\Users\\John Smith\\Downloads\\zvinstaller.exe";
    const wchar_t* folders[] = {
        L"D:\\My Games\\Tarnis",
        L"D:\\Games\\",
        L"D:\\Games\\\\",
        L"D:\\",
        L"C:\\Zorva网络\\ZorvaTarnis",
        L"\\\\server\\share\\",
        L"",
    };
    for (const wchar_t* folder : folders) {
        const std::vector<std::wstring> expected = {package, L"/S", std::wstring(L"/unpack=") + folder,
                                                    L"/launch=off"};
        EXPECT_EQ(expected, SplitCommandLine(InstallerCommandLine(package, folder))) << folder;
    }
    const wchar_t* launchers[] = {L"D:\\My Games\\Zorva\\ZorvaLauncher.exe", L"D:\\ZorvaLauncher.exe"};
    for (const wchar_t* launcher : launchers) {
        EXPECT_EQ((std::vector<std::wstring>{launcher, L"-i", L"0", L"-d"}),
                  SplitCommandLine(LauncherCommandLine(launcher, 0)));
        EXPECT_EQ((std::vector<std::wstring>{launcher, L"-i", L"65535", L"-d"}),
                  SplitCommandLine(LauncherCommandLine(launcher, 65535)));
    }
    const std::wstring launcher = launchers[0];
    EXPECT_EQ(L"\"" + launcher + L"\" -i \"7\" -d", LauncherCommandLine(launcher, 7));
}

// A folder picked in the folder picker loses its trailing "\", except a drive root's.
TEST(LauncherHandoffCommandLines, PickedFolder) {
    struct Case {
        const wchar_t* picked;
        const wchar_t* folder;
    } cases[] = {
        {L"D:\\Games\\", L"D:\\Games"},
        {L"D:\\", L"D:\\"},
        {L"D:\\Games", L"D:\\Games"},
        {L"", L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.folder, PickedFolder(c.picked)) << c.picked;
}

// An ini record that an ordinary user owns may name any program: it is ignored, and the registry
// record (writable by administrators only) still counts.
TEST_F(HandoffTest, IniRecordOwnedByOrdinaryUserIsIgnored) {
    const std::wstring planted = MakeLauncherFolder(L"planted by a user") + L"\\ZorvaLauncher.exe";
    WriteIniRecord(planted);
    const std::wstring ini = AppData() + L"\\ZorvaLaucher.ini";
    ASSERT_FALSE(IsOwnedByTrustedAccount(ini)) << "the record must be owned by an ordinary account here";
    const std::wstring folder = MakeLauncherFolder(L"Zorva Launcher");
    ASSERT_TRUE(m_key.SetInstPath(folder));

    CLauncherHandoff handoff(Places());
    EXPECT_TRUE(handoff.FindLauncher());
    EXPECT_EQ(folder + L"\\ZorvaLauncher.exe", handoff.LauncherPath());
    EXPECT_EQ(folder, handoff.InstallDir());
}

// A trusted ini record wins over the registry, which is then not read (no folder preset).
// Under Wine every file belongs to the running user, so trust is granted by a stand-in owner check.
TEST_F(HandoffTest, TrustedIniRecordWinsOverRegistry) {
    const std::wstring launcher = MakeLauncherFolder(L"from ini") + L"\\ZorvaLauncher.exe";
    WriteIniRecord(launcher);
    ASSERT_TRUE(m_key.SetInstPath(MakeLauncherFolder(L"from registry")));
    HandoffPlaces places = Places();
    const std::wstring ini = AppData() + L"\\ZorvaLaucher.ini";
    places.isTrustedRecord = [ini](const std::wstring& path) { return path == ini; };

    CLauncherHandoff handoff(places);
    EXPECT_TRUE(handoff.FindLauncher());
    EXPECT_EQ(launcher, handoff.LauncherPath());
    EXPECT_EQ(L"", handoff.InstallDir());
}

// Trusted ini records that name a missing or a relative program fall through to the registry.
TEST_F(HandoffTest, IniRecordNamingNoUsableProgramFallsThrough) {
    HandoffPlaces places = Places();
    places.isTrustedRecord = [](const std::wstring&) { return true; };
    const std::wstring folder = MakeLauncherFolder(L"Zorva Launcher");
    ASSERT_TRUE(m_key.SetInstPath(folder));

    WriteIniRecord(m_dir.File(L"gone\\ZorvaLauncher.exe"));
    CLauncherHandoff missing(places);
    EXPECT_TRUE(missing.FindLauncher());
    EXPECT_EQ(folder + L"\\ZorvaLauncher.exe", missing.LauncherPath());

    // A relative name would be looked up in the current folder, perhaps the download folder.
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(MakeLauncherFolder(L"current").c_str()));
    WriteIniRecord(L"ZorvaLauncher.exe");
    CLauncherHandoff relative(places);
    const bool found = relative.FindLauncher();
    SetCurrentDirectoryW(previous);
    EXPECT_TRUE(found);
    EXPECT_EQ(folder + L"\\ZorvaLauncher.exe", relative.LauncherPath());
}

// A registry record whose launcher is gone hands nothing over but presets the install folder;
// without an all-users folder nothing is looked up at all.
TEST_F(HandoffTest, RegistryRecordWithoutLauncher) {
    const std::wstring folder = m_dir.File(L"old launcher");
    ASSERT_TRUE(CreateDir(folder));
    ASSERT_TRUE(m_key.SetInstPath(folder));
    CLauncherHandoff handoff(Places());
    EXPECT_FALSE(handoff.FindLauncher());
    EXPECT_EQ(L"", handoff.LauncherPath());
    EXPECT_EQ(folder, handoff.InstallDir());

    HandoffPlaces places = Places();
    places.commonAppData.clear();
    CLauncherHandoff nowhere(places);
    EXPECT_FALSE(nowhere.FindLauncher());
    EXPECT_EQ(L"", nowhere.InstallDir());
}

// "InstPath" values need no terminator: 2047 characters fit the buffer with one added, 2048 do not
// and count as no record; a value of another type is no record either.
TEST_F(HandoffTest, InstPathLengthsAndTypes) {
    // The system adds a terminator that the caller left out when one follows in memory, so the
    // values are written from longer buffers to store them unterminated.
    const std::wstring longest(2047, L'x');
    const std::wstring longestBuffer = longest + L'x';
    ASSERT_TRUE(m_key.Set(L"InstPath", REG_SZ, longestBuffer.data(), 4094));
    CLauncherHandoff fits(Places());
    EXPECT_FALSE(fits.FindLauncher());
    EXPECT_EQ(longest, fits.InstallDir());

    const std::wstring tooLong(2049, L'y');
    ASSERT_TRUE(m_key.Set(L"InstPath", REG_SZ, tooLong.data(), 4096));
    CLauncherHandoff rejected(Places());
    EXPECT_FALSE(rejected.FindLauncher());
    EXPECT_EQ(L"", rejected.InstallDir());

    const std::wstring folder = MakeLauncherFolder(L"expandable");
    ASSERT_TRUE(m_key.Set(L"InstPath", REG_EXPAND_SZ, folder.c_str(),
                          static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))));
    CLauncherHandoff expandable(Places());
    EXPECT_FALSE(expandable.FindLauncher());
    EXPECT_EQ(L"", expandable.InstallDir());
}

// An installed launcher is started with the launch identifier, 0 included, in its own folder, and the
// window is done. It runs as the user: as a child of the user's desktop shell (Wine's "explorer.exe
// /desktop"), whose token it takes: a shell without administrator rights gives a launcher without
// them, though ours has them. Where no shell process can be had, through the shell's own start;
// where no shell answers either, as our own child with a token outside Administrators. A page opened
// for the user takes the same ways.
TEST_F(HandoffTest, HandsOverToInstalledLauncherAsTheUser) {
    const std::wstring folder = MakeLauncherFolder(L"Zorva Launcher");
    const std::wstring launcher = folder + L"\\ZorvaLauncher.exe";
    ASSERT_TRUE(m_key.SetInstPath(folder));
    ASSERT_TRUE(DesktopShellReady());
    BYTE admins[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof(admins);
    BOOL member = FALSE;
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size) &&
                CheckTokenMembership(nullptr, admins, &member));
    ASSERT_TRUE(member) << "the test itself runs as an administrator, as the installer does";
    int shellStarts = 0;
    auto countedShellStart = [&](const std::wstring& program, const std::wstring& arguments,
                                 const std::wstring& workFolder) {
        ++shellStarts;
        return DesktopShell::StartAsUser(program, arguments, workFolder);
    };
    struct Way {
        const char* name;
        std::function<DWORD()> shellProcessId;
        std::wstring parent;
        const wchar_t* admin;  // null: whatever the shell has (under Wine every program is an administrator)
        int shellStarts;
    };
    const UserShell userShell;
    ASSERT_NE(0u, userShell.Id());
    const Way ways[] = {
        {"the desktop shell's child", &ShellChild::DesktopShellProcessId, L"explorer.exe", nullptr, 0},
        {"a user shell's child", [&] { return userShell.Id(); }, L"ShellStandIn.exe", L"0", 0},
        {"through the desktop shell", &NoShellProcess, L"explorer.exe", nullptr, 1},
    };
    int launchId = 0;
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        HandoffPlaces places = Places();
        places.shellProcessId = way.shellProcessId;
        places.startAsUser = countedShellStart;
        shellStarts = 0;
        CLauncherHandoff handoff(places);
        EXPECT_TRUE(handoff.DetectEnvironment(launchId));
        const std::vector<Start> starts = WaitForStarts(folder, static_cast<size_t>(launchId) + 1);
        ASSERT_EQ(static_cast<size_t>(launchId) + 1, starts.size());
        const Start& start = starts.back();
        EXPECT_EQ((std::vector<std::wstring>{launcher, L"-i", std::to_wstring(launchId), L"-d"}), start.args);
        EXPECT_EQ(0, _wcsicmp(way.parent.c_str(), start.parent.c_str())) << start.parent;
        EXPECT_EQ(0, _wcsicmp(folder.c_str(), start.folder.c_str())) << start.folder;
        if (way.admin) {
            EXPECT_EQ(way.admin, start.admin);
        }
        EXPECT_EQ(way.shellStarts, shellStarts);
        ++launchId;
    }

    HandoffPlaces places = Places();
    places.shellProcessId = &NoShellProcess;
    places.startAsUser = &NoShell;
    CLauncherHandoff ours(places);
    EXPECT_TRUE(ours.DetectEnvironment(42));
    EXPECT_EQ(42, ours.LaunchId());
    std::vector<Start> starts = WaitForStarts(folder, 4);
    ASSERT_EQ(4u, starts.size());
    EXPECT_EQ((std::vector<std::wstring>{launcher, L"-i", L"42", L"-d"}), starts[3].args);
    EXPECT_EQ(0, _wcsicmp(L"LauncherHandoff_test.exe", starts[3].parent.c_str())) << starts[3].parent;
    EXPECT_EQ(0, _wcsicmp(folder.c_str(), starts[3].folder.c_str())) << starts[3].folder;
    EXPECT_EQ(L"0", starts[3].admin);

    EXPECT_TRUE(ours.OpenAsUser(launcher));
    places.shellProcessId = [&] { return userShell.Id(); };
    EXPECT_TRUE(CLauncherHandoff(places).OpenAsUser(launcher));
    starts = WaitForStarts(folder, 6);
    ASSERT_EQ(6u, starts.size());
    EXPECT_EQ(L"0", starts[4].admin);
    EXPECT_EQ(L"0", starts[5].admin);
}

// A launcher that is found but will not start counts as none: the normal install runs.
// Any program may make a window of the taskbar's class: a shell found through one that is not the
// system's explorer.exe is not believed, or the launcher would become that program's child.
TEST_F(HandoffTest, OnlyTheSystemExplorerIsTakenForTheShell) {
    ASSERT_TRUE(DesktopShellReady());
    struct Impostor {
        WNDCLASSW windowClass = {0, DefWindowProcW, 0, 0, GetModuleHandleW(nullptr), nullptr, nullptr, nullptr,
                                 nullptr, L"Shell_TrayWnd"};
        HWND window = nullptr;
        Impostor() {
            if (RegisterClassW(&windowClass))
                window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, windowClass.lpszClassName, nullptr,
                                         WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, windowClass.hInstance, nullptr);
        }
        ~Impostor() {
            if (window)
                DestroyWindow(window);
            UnregisterClassW(windowClass.lpszClassName, windowClass.hInstance);
        }
    } impostor;
    ASSERT_TRUE(impostor.window);
    ASSERT_FALSE(GetShellWindow()) << "Wine's shell has no desktop window; the lookup goes on to the taskbar";
    ASSERT_EQ(impostor.window, FindWindowW(L"Shell_TrayWnd", nullptr));
    EXPECT_NE(GetCurrentProcessId(), ShellChild::DesktopShellProcessId());
}

TEST_F(HandoffTest, UnstartableLauncherFallsBackToInstall) {
    const std::wstring folder = m_dir.File(L"broken launcher");
    ASSERT_TRUE(CreateDir(folder));
    ASSERT_TRUE(TestEnv::WriteFileBytes(folder + L"\\ZorvaLauncher.exe", "not a program"));
    ASSERT_TRUE(m_key.SetInstPath(folder));

    HandoffPlaces places = Places();
    bool shellAsked = false;
    places.startAsUser = [&](const std::wstring&, const std::wstring&, const std::wstring&) {
        return shellAsked = true;
    };
    CLauncherHandoff handoff(places);
    EXPECT_FALSE(handoff.DetectEnvironment(3));
    EXPECT_FALSE(shellAsked) << "the shell would accept it and complain in a box of its own";
    EXPECT_EQ(folder, handoff.InstallDir());
    EXPECT_EQ(WorkDir(), handoff.PackageFolder());
    EXPECT_FALSE(handoff.IsModuleFolderInstall());
}

// "zvmain.dll" beside the executable marks a module-folder install, whose package still goes to the
// work folder; "zvinstaller.exe" there too means the package is already present.
TEST_F(HandoffTest, ModuleFolderInstall) {
    ASSERT_TRUE(TestEnv::WriteFileBytes(Module() + L"\\zvmain.dll", ""));
    CLauncherHandoff markerOnly(Places());
    EXPECT_FALSE(markerOnly.DetectEnvironment(0));
    EXPECT_TRUE(markerOnly.IsModuleFolderInstall());
    EXPECT_FALSE(markerOnly.IsPackagePresent());
    EXPECT_EQ(WorkDir(), markerOnly.PackageFolder());

    ASSERT_TRUE(TestEnv::WriteFileBytes(Module() + L"\\zvinstaller.exe", ""));
    CLauncherHandoff withPackage(Places());
    EXPECT_FALSE(withPackage.DetectEnvironment(0));
    EXPECT_TRUE(withPackage.IsPackagePresent());
}

// The default folder lies below the first existing drive root, or is empty when none exists.
TEST_F(HandoffTest, DefaultInstallDir) {
    CLauncherHandoff handoff(Places());
    EXPECT_FALSE(handoff.DetectEnvironment(0));
    EXPECT_EQ(DefaultDir(), handoff.DefaultInstallDir());

    HandoffPlaces places = Places();
    places.driveRoots = {m_dir.File(L"none 1") + L"\\", m_dir.File(L"none 2") + L"\\"};
    CLauncherHandoff noDrive(places);
    EXPECT_EQ(L"", noDrive.DefaultInstallDir());
}

// A downloaded package is run silently into a folder with blanks and a trailing "\" (given as it is), waited
// for, the new launcher started through the user's shell with an empty command line, and the package deleted.
TEST_F(HandoffTest, InstallsDownloadedPackageThenStartsLauncher) {
    ASSERT_TRUE(DesktopShellReady());
    CLauncherHandoff handoff(Places());
    ASSERT_FALSE(handoff.DetectEnvironment(0));
    const std::wstring package = handoff.PackageFile();
    ASSERT_TRUE(CopyFileW(StubPath(L"zvinstaller.exe").c_str(), package.c_str(), FALSE));
    const std::wstring installDir = m_dir.File(L"My Games\\Tarnis");
    handoff.SetInstallDir(installDir + L"\\");

    handoff.HoldPackage(Held(package));
    ASSERT_EQ(InstallerStart::kStarted, handoff.RunInstaller());
    EXPECT_EQ(package, handoff.PackagePath());
    EXPECT_TRUE(handoff.RunLauncher().launcherStarted);

    std::vector<std::wstring> installer = StubRecord::Read(StubRecord::PathIn(Records(), L"zvinstaller"));
    ASSERT_EQ(1u, installer.size());
    EXPECT_EQ((std::vector<std::wstring>{package, L"/S", L"/unpack=" + installDir + L"\\", L"/launch=off"}),
              SplitCommandLine(installer[0]));
    EXPECT_EQ(std::vector<std::wstring>{WorkDir()},
              StubRecord::Read(StubRecord::PathIn(Records(), L"zvinstaller.cwd")));
    EXPECT_TRUE(TestEnv::FileExists(installDir + L"\\ZorvaLauncher.exe")) << "waited for the package";
    std::vector<Start> starts = WaitForStarts(installDir, 1);
    ASSERT_EQ(1u, starts.size());
    // Only the program's own path: Windows and Wine put it there for an empty command line.
    EXPECT_EQ(std::vector<std::wstring>{installDir + L"\\ZorvaLauncher.exe"}, starts[0].args);
    EXPECT_EQ(0, _wcsicmp(L"explorer.exe", starts[0].parent.c_str())) << starts[0].parent;
    EXPECT_FALSE(TestEnv::FileExists(package));
}

// With a launch identifier the new launcher gets it, as our own child where no shell answers; a
// package that came with the executable is copied to the work folder, the copy runs and goes, the
// original stays.
TEST_F(HandoffTest, ModuleFolderPackageIsKeptAndIdentifierPassed) {
    ASSERT_TRUE(TestEnv::WriteFileBytes(Module() + L"\\zvmain.dll", ""));
    const std::wstring package = Module() + L"\\zvinstaller.exe";
    ASSERT_TRUE(CopyFileW(StubPath(L"zvinstaller.exe").c_str(), package.c_str(), FALSE));
    HandoffPlaces places = Places();
    places.shellProcessId = &NoShellProcess;
    places.startAsUser = &NoShell;
    CLauncherHandoff handoff(places);
    ASSERT_FALSE(handoff.DetectEnvironment(9));
    ASSERT_TRUE(handoff.IsPackagePresent());
    const std::wstring installDir = m_dir.File(L"Tarnis");
    handoff.SetInstallDir(installDir);

    ASSERT_TRUE(handoff.CopyPackageBeside());
    handoff.HoldPackage(Held(handoff.PackageFile()));
    ASSERT_EQ(InstallerStart::kStarted, handoff.RunInstaller());
    EXPECT_EQ(WorkDir() + L"\\zvinstaller.exe", handoff.PackagePath());
    EXPECT_TRUE(handoff.RunLauncher().launcherStarted);
    std::vector<Start> starts = WaitForStarts(installDir, 1);
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ((std::vector<std::wstring>{installDir + L"\\ZorvaLauncher.exe", L"-i", L"9", L"-d"}),
              starts[0].args);
    EXPECT_EQ(0, _wcsicmp(L"LauncherHandoff_test.exe", starts[0].parent.c_str())) << starts[0].parent;
    EXPECT_EQ(L"0", starts[0].admin);
    EXPECT_TRUE(TestEnv::FileExists(package));
    EXPECT_FALSE(TestEnv::FileExists(handoff.PackagePath()));
}

// A package that cannot be started, and one whose started image is not the file that was checked
// (other bytes behind the package's name), never run: reported, kept, and no launcher follows.
TEST_F(HandoffTest, PackageThatCannotStartOrIsNotTheCheckedFile) {
    CLauncherHandoff handoff(Places());
    ASSERT_FALSE(handoff.DetectEnvironment(0));
    const std::wstring package = handoff.PackageFile();
    ASSERT_TRUE(TestEnv::WriteFileBytes(package, "truncated download"));
    const std::wstring installDir = MakeLauncherFolder(L"Tarnis");
    handoff.SetInstallDir(installDir);
    handoff.HoldPackage(Held(package));
    EXPECT_EQ(InstallerStart::kFailed, handoff.RunInstaller());
    EXPECT_FALSE(handoff.RunLauncher().packageRan);
    EXPECT_TRUE(TestEnv::FileExists(package));

    const std::wstring checked = m_dir.File(L"checked.exe");
    ASSERT_TRUE(CopyFileW(StubPath(L"zvinstaller.exe").c_str(), checked.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(StubPath(L"zvinstaller.exe").c_str(), package.c_str(), FALSE));
    handoff.HoldPackage(Held(checked));
    EXPECT_EQ(InstallerStart::kNotTheCheckedFile, handoff.RunInstaller());
    EXPECT_FALSE(handoff.RunLauncher().packageRan);
    EXPECT_TRUE(StubRecord::Read(StubRecord::PathIn(Records(), L"zvinstaller")).empty()) << "it ran";
    EXPECT_TRUE(StubRecord::Read(StubRecord::PathIn(installDir, L"ZorvaLauncher")).empty());
}

// A package that exits non-zero, or leaves no launcher, ran but installed nothing usable: it is
// deleted and no launcher is started after it, even one it left.
TEST_F(HandoffTest, PackagesThatRanAndFailed) {
    struct Case {
        const wchar_t* variable;
        DWORD exitCode;
        bool launcherLeft;
    } cases[] = {
        {L"ZORVA_STUB_EXIT_CODE", 7, true},
        {L"ZORVA_STUB_NO_LAUNCHER", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variable);
        CLauncherHandoff handoff(Places());
        ASSERT_FALSE(handoff.DetectEnvironment(0));
        const std::wstring package = handoff.PackageFile();
        ASSERT_TRUE(CopyFileW(StubPath(L"zvinstaller.exe").c_str(), package.c_str(), FALSE));
        const std::wstring installDir = m_dir.File(L"Tarnis");
        TestEnv::RemoveTree(installDir);
        handoff.SetInstallDir(installDir);
        handoff.HoldPackage(Held(package));
        SetEnvironmentVariableW(c.variable, std::to_wstring(c.exitCode ? c.exitCode : 1).c_str());
        const InstallerStart start = handoff.RunInstaller();
        const InstallOutcome outcome = handoff.RunLauncher();
        SetEnvironmentVariableW(c.variable, nullptr);

        ASSERT_EQ(InstallerStart::kStarted, start);
        EXPECT_TRUE(outcome.packageRan);
        EXPECT_EQ(c.exitCode, outcome.packageExitCode);
        EXPECT_EQ(c.launcherLeft, outcome.launcherLeft);
        EXPECT_FALSE(outcome.Installed());
        EXPECT_FALSE(outcome.launcherStarted);
        EXPECT_FALSE(TestEnv::FileExists(package));
        EXPECT_TRUE(StubRecord::Read(StubRecord::PathIn(installDir, L"ZorvaLauncher")).empty());
    }
}

// Free space is that of the folder's drive; a folder too short to name a drive, or on a missing
// drive, has none.
TEST_F(HandoffTest, FreeSpaceOfInstallFolderDrive) {
    CLauncherHandoff handoff(Places());
    for (const wchar_t* folder : {L"", L"C", L"Q:\\Games"}) {
        handoff.SetInstallDir(folder);
        FreeSpace space = handoff.UpdateFreeSpace();
        EXPECT_EQ(0u, space.bytes) << folder;
        EXPECT_EQ(L"0B", space.text) << folder;
        EXPECT_FALSE(space.enough) << folder;
    }
    ULARGE_INTEGER available = {};
    ASSERT_TRUE(GetDiskFreeSpaceExW(L"C:\\", &available, nullptr, nullptr));
    handoff.SetInstallDir(L"C:\\Zorva网络\\ZorvaTarnis");
    FreeSpace space = handoff.UpdateFreeSpace();
    // Others write to the disk meanwhile: the figure may move a little, not jump.
    EXPECT_NEAR(static_cast<double>(available.QuadPart), static_cast<double>(space.bytes),
                64.0 * 1024 * 1024);
    EXPECT_EQ(FormatFileSize(space.bytes), space.text);
    EXPECT_EQ(space.bytes >= kMinFreeSpace, space.enough);
}
