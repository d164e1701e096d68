// The main window's own logic, in real windows built from the skin inside this executable, with its
// listener operations called as the update module calls them: failure boxes, the progress texts and
// bar, the install animation tick by tick, the download retry, and closing while a question is open.
#include "app/MainDlg.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "Http/HttpResult.h"
#include "Runtime/CommonUtils.h"
#include "Runtime/StringConv.h"
#include "tests/Http/HttpTestSupport.h"
#include "tests/app/stubs/StubRecord.h"
#include "tests/support/TestEnv.h"
#include "ui/controls/StandardControls.h"
#include "ui/controls/TabLayoutUI.h"
#include "ui/core/PaintManagerUI.h"

namespace {

constexpr DWORD kWaitMs = 5000;
constexpr DWORD kMainStyle = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr wchar_t kFailureCaption[] = L"Tarnis提示";
constexpr wchar_t kQuestionCaption[] = L"退出安装";
// The skin's progress bar is 500 pixels wide; the bar image names that width and the fill.
constexpr int kBarWidth = 500;
constexpr UINT_PTR kAnswerTimer = 77;
constexpr UINT kAnswerPeriodMs = 50;
constexpr int kAnswerTries = 100;

std::wstring BarImage(int fill) {
    return FormatString(
        L"file='progress_bk.png' dest='0,0,500,30' file='progress_fore.png' "
        L"corner='0,15,5,15' dest='0,0,%d,30' ",
        fill);
}

// The visible boxes of this thread with the given caption.
std::vector<HWND> OpenBoxes(const wchar_t* caption) {
    struct Search {
        const wchar_t* caption;
        std::vector<HWND> found;
    } search{caption, {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t cls[32] = {}, title[64] = {};
            GetClassNameW(window, cls, 32);
            GetWindowTextW(window, title, 64);
            if (IsWindowVisible(window) && wcscmp(cls, L"zorvaim") == 0 && wcscmp(title, s->caption) == 0)
                s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The installer's loop: skinned windows see keys first.
bool PumpInstallerLoop(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done() && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (SkinUI::CPaintManagerUI::TranslateMessage(&msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return done();
}

class MainDlgTest : public HttpTest::EngineTest {
protected:
    void SetUp() override {
        HttpTest::EngineTest::SetUp();
        SkinUI::CPaintManagerUI::SetInstance(GetModuleHandleW(nullptr));
        SkinUI::RegisterStandardControls();
        m_places.moduleDir = m_machine.File(L"module");
        m_places.commonAppData = m_machine.Path();
        m_places.registryRoot = HKEY_CURRENT_USER;
        m_places.registryKey = L"Software\\ZorvaTests\\NoLauncher";
        m_places.driveRoots = {m_machine.Path() + L"\\"};
        m_places.isTrustedRecord = [](const std::wstring&) { return false; };
        CreateDir(m_places.moduleDir);
    }
    void TearDown() override {
        for (const wchar_t* caption : {kFailureCaption, kQuestionCaption})
            for (HWND box : OpenBoxes(caption))
                DestroyWindow(box);
        if (m_main && IsWindow(m_main))
            DestroyWindow(m_main);
        TestEnv::PumpFor(50);
        MSG quit;
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        m_dialog.reset();
        HttpTest::EngineTest::TearDown();
    }

    void Open(std::vector<std::wstring> endpoints = {}) {
        m_dialog = std::make_unique<CMainDlg>(m_places, std::move(endpoints));
        m_main = m_dialog->Create(nullptr, L"安装Tarnis", kMainStyle, 0, 0, 0, 0, 0);
        ASSERT_NE(nullptr, m_main);
        m_dialog->ShowWindow(true, true);
        UpdateWindow(m_main);
    }
    SkinUI::CControlUI* Find(const wchar_t* name) { return m_dialog->GetPaintManager().FindControl(name); }
    std::wstring Text(const wchar_t* name) { return Find(name)->GetText(); }
    std::wstring Bar() { return Find(L"pro_InstallProgress")->GetBkImage(); }
    void Click(const wchar_t* name) {
        SkinUI::TNotifyUI msg;
        msg.type = L"click";
        msg.sender = Find(name);
        static_cast<SkinUI::INotifyUI*>(m_dialog.get())->Notify(msg);
    }
    // The progress page laid out, as it is when the update module reports.
    void ShowProgressPage() {
        static_cast<SkinUI::CTabLayoutUI*>(Find(L"tb_main"))->SelectItem(2);
        ASSERT_TRUE(TestEnv::PumpUntil(
            [&] {
                const RECT& pos = Find(L"pro_InstallProgress")->GetPos();
                return pos.right - pos.left == kBarWidth;
            },
            kWaitMs));
    }

    TestEnv::TempDir m_machine{L"maindlg"};
    HandoffPlaces m_places;
    std::unique_ptr<CMainDlg> m_dialog;
    HWND m_main = nullptr;
};

HWND g_seenBox = nullptr;
HWND g_mainWindow = nullptr;
int g_answerTries = 0;

// Runs inside the question's modal loop: once the box is up, presses Escape in it.
void CALLBACK AnswerWithEscape(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = FindWindowW(L"zorvaim", kQuestionCaption);
    if (!box || !IsWindowVisible(box))
        return;
    KillTimer(nullptr, id);
    g_seenBox = box;
    PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0);
}

// Runs inside the question's modal loop: once the box is up, closes the main window from outside.
// Gives up after a bounded number of tries by cancelling the box, so the loop always ends.
void CALLBACK CloseMainWhileAsked(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = FindWindowW(L"zorvaim", kQuestionCaption);
    if (box && IsWindowVisible(box)) {
        KillTimer(nullptr, id);
        g_seenBox = box;
        PostMessageW(g_mainWindow, WM_CLOSE, 0, 0);
    } else if (++g_answerTries > kAnswerTries) {
        KillTimer(nullptr, id);
    }
}

// Width of the icon a shell shows for a window: the window's own, else its class's.
LONG ShellIconWidth(HWND window, bool big) {
    auto icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, big ? ICON_BIG : ICON_SMALL2, 0));
    if (icon == nullptr)
        icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, big ? GCLP_HICON : GCLP_HICONSM));
    ICONINFO info = {};
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return 0;
    BITMAP bitmap = {};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

}  // namespace

// The taskbar and the window switcher find the installer's icon for the main window, large and small.
TEST_F(MainDlgTest, ShellFindsTheIconsAtTheSystemSizes) {
    Open();
    EXPECT_EQ(GetSystemMetrics(SM_CXICON), ShellIconWidth(m_main, true));
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), ShellIconWidth(m_main, false));
}

// Escape on the main window asks before quitting, and Escape in the question answers it like
// Cancel, so the installer stays open.
TEST_F(MainDlgTest, EscapeAsksAndEscapeInTheQuestionCancels) {
    Open();
    g_seenBox = nullptr;
    SetTimer(nullptr, kAnswerTimer, kAnswerPeriodMs, &AnswerWithEscape);
    PostMessageW(m_main, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(PumpInstallerLoop([] { return g_seenBox != nullptr && !IsWindow(g_seenBox); }, kWaitMs))
        << "Escape on the main window opens the question, Escape in it closes it";
    TestEnv::PumpFor(200);
    EXPECT_TRUE(IsWindow(m_main)) << "a cancelled question keeps the installer open";
}

// A WM_CLOSE reaching the main window while the quit question is open answers it with yes: the
// question and the main window both close.
TEST_F(MainDlgTest, CloseWhileTheQuestionIsOpenQuits) {
    Open();
    g_seenBox = nullptr;
    g_mainWindow = m_main;
    g_answerTries = 0;
    SetTimer(nullptr, kAnswerTimer, kAnswerPeriodMs, &CloseMainWhileAsked);
    Click(L"btn_close");  // returns when the question's modal loop ends
    ASSERT_NE(nullptr, g_seenBox) << "the question opened";
    EXPECT_FALSE(IsWindow(g_seenBox));
    EXPECT_TRUE(TestEnv::PumpUntil([&] { return !IsWindow(m_main); }, kWaitMs))
        << "the yes answer closed the installer";
}

// One failure box per run of failures, another only after progress; never two open at once: a
// failure while one is open brings it to the front.
TEST_F(MainDlgTest, FailureBoxes) {
    Open();
    m_dialog->OnDownloadResult(5, 7, L"安装失败");
    std::vector<HWND> boxes = OpenBoxes(kFailureCaption);
    ASSERT_EQ(1u, boxes.size());
    const HWND first = boxes[0];

    m_dialog->OnDownloadResult(5, 7, L"安装失败");
    EXPECT_EQ(1u, OpenBoxes(kFailureCaption).size()) << "a second failure without progress: no box";

    SetForegroundWindow(m_main);
    m_dialog->OnProgress(100, 50, 10);
    m_dialog->OnDownloadResult(5, 7, L"安装失败");
    m_dialog->OnManifestResult(4, 404, L"");
    boxes = OpenBoxes(kFailureCaption);
    ASSERT_EQ(1u, boxes.size()) << "failures while the box is open add none";
    EXPECT_EQ(first, boxes[0]);
    EXPECT_EQ(first, GetForegroundWindow()) << "the open box comes to the front";

    SendMessageW(first, WM_CLOSE, 0, 0);
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return !IsWindow(first); }, kWaitMs));
    m_dialog->OnDownloadResult(5, 7, L"安装失败");
    EXPECT_EQ(0u, OpenBoxes(kFailureCaption).size()) << "the run of failures was already reported";
    m_dialog->OnProgress(100, 60, 10);
    m_dialog->OnDownloadResult(5, 7, L"安装失败");
    EXPECT_EQ(1u, OpenBoxes(kFailureCaption).size()) << "a failure after progress is reported again";
    m_dialog->OnManifestResult(4, 404, L"");
    EXPECT_EQ(1u, OpenBoxes(kFailureCaption).size());
}

// Download progress: the remaining size and speed, and the bar filled up to 90 % of its width.
// Then the package ready beside the executable (checked): "安装中" at 90 %, and each tick of the animation
// moves the percentage and the bar; the first starts the package, the last the launcher.
TEST_F(MainDlgTest, ProgressAndInstallAnimation) {
    TestEnv::TempDir records(L"maindlg-records");
    SetEnvironmentVariableW(StubRecord::kDirVariable, records.Path().c_str());
    SetEnvironmentVariableW(L"ZORVA_STUB_INSTALL_MS", L"50");
    const std::wstring stubs = TestEnv::BinaryDir() + L"\\tests\\app\\stubs\\";
    ASSERT_TRUE(TestEnv::WriteFileBytes(m_places.moduleDir + L"\\zvmain.dll", ""));
    ASSERT_TRUE(CopyFileW((stubs + L"zvinstaller.exe").c_str(),
                          (m_places.moduleDir + L"\\zvinstaller.exe").c_str(), FALSE));
    Open();
    ShowProgressPage();

    struct Case {
        uint64_t total, done, speed;
        const wchar_t* text;
        int fill;
    } cases[] = {
        {1000, 500, 2048, L"剩余500B @ 2.00KB/s", 225},
        {0, 0, 0, L"剩余0B @ 0B/s", 0},
        {3ull << 30, 3ull << 29, 1 << 20, L"剩余1.50GB @ 1.00MB/s", 225},
        {1ull << 40, 1ull << 40, 999, L"剩余0B @ 999B/s", 450},
        {7, 1, 0, L"剩余6B @ 0B/s", 64},
    };
    for (const Case& c : cases) {
        m_dialog->OnProgress(c.total, c.done, c.speed);
        EXPECT_EQ(c.text, Text(L"lb_speed")) << c.done << "/" << c.total;
        EXPECT_EQ(BarImage(c.fill), Bar()) << c.done << "/" << c.total;
    }

    Click(L"btn_install");
    // The package beside is checked off the UI thread first.
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return Text(L"lb_download") == L"安装中"; }, kWaitMs));
    EXPECT_EQ(L"90%", Text(L"lb_speed"));
    EXPECT_EQ(BarImage(450), Bar());
    // The ticks are driven here, one by one.
    KillTimer(m_main, CMainDlg::kInstallTimer);
    for (int tick = 1; tick <= CMainDlg::kInstallTicks; ++tick) {
        SendMessageW(m_main, WM_TIMER, CMainDlg::kInstallTimer, 0);
        const int percent = 90 + tick / 10;
        ASSERT_EQ(FormatString(L"%d%%", percent), Text(L"lb_speed")) << "tick " << tick;
        ASSERT_EQ(BarImage(kBarWidth * percent / 100), Bar()) << "tick " << tick;
    }
    ASSERT_TRUE(TestEnv::PumpUntil(
        [&] { return TestEnv::FileExists(StubRecord::PathIn(records.Path(), L"zvinstaller")); }, kWaitMs))
        << "the first tick started the package";
    // The launcher records beside itself, in the default install folder.
    const std::wstring launcherRecord =
        StubRecord::PathIn(m_machine.Path() + L"\\Zorva网络\\ZorvaTarnis", L"ZorvaLauncher");
    EXPECT_FALSE(TestEnv::FileExists(launcherRecord));
    SendMessageW(m_main, WM_TIMER, CMainDlg::kInstallTimer, 0);
    EXPECT_TRUE(TestEnv::PumpUntil([&] { return !IsWindow(m_main); }, kWaitMs)) << "the last tick closes";
    EXPECT_TRUE(TestEnv::PumpUntil([&] { return TestEnv::FileExists(launcherRecord); }, kWaitMs))
        << "the launcher started after the package";
    EXPECT_TRUE(TestEnv::FileExists(m_places.moduleDir + L"\\zvinstaller.exe")) << "a package beside is kept";
    SetEnvironmentVariableW(StubRecord::kDirVariable, nullptr);
    SetEnvironmentVariableW(L"ZORVA_STUB_INSTALL_MS", nullptr);
}

// A failed download is submitted again when the retry timer fires.
TEST_F(MainDlgTest, RetryTimerSubmitsTheDownloadAgain) {
    const std::wstring tag = HttpTest::NewTag();
    const std::wstring served = HttpTest::DocRoot() + L"\\maindlg-" + tag;
    CreateDir(served);
    const std::wstring package = HttpTest::FaultUrl(L"/file?size=1000&status=500&tag=" + tag);
    TestEnv::WriteFileBytes(served + L"\\zvinstall.txt",
                            "[Install]\r\nUrl=" + WideToUtf8(package) + "\r\nSize=1000\r\n");
    Open({HttpTest::NginxUrl(L"/maindlg-" + tag + L"/zvinstall.txt")});
    Click(L"btn_install");
    ASSERT_TRUE(TestEnv::PumpUntil([] { return OpenBoxes(kFailureCaption).size() == 1; }, HttpTest::kWaitMs))
        << "the download failed";
    const auto requests = [&] {
        const std::string seen = HttpTest::RequestsSeen(tag);
        return std::count(seen.begin(), seen.end(), '\n');
    };
    const auto before = requests();
    ASSERT_GT(before, 0);

    KillTimer(m_main, CMainDlg::kRetryTimer);
    SendMessageW(m_main, WM_TIMER, CMainDlg::kRetryTimer, 0);
    EXPECT_TRUE(TestEnv::PumpUntil([&] { return requests() > before; }, HttpTest::kWaitMs))
        << "the retry asked for the package again";
    TestEnv::RemoveTree(served);
}

// Two refused downloads in a row (a wrong digest or an untrusted package, in any order) end the
// retries; any other failure in between starts the count again. The retry timer is what is pending.
TEST_F(MainDlgTest, TwoRefusedDownloadsInARowEndTheRetries) {
    Open();
    IGameEventListener* listener = m_dialog.get();
    const auto retryPending = [&] { return KillTimer(m_main, CMainDlg::kRetryTimer) != FALSE; };
    const int refusals[] = {Updater::kErrorDigestMismatch, Updater::kErrorUntrustedPackage};
    for (int first : refusals) {
        for (int second : refusals) {
            SCOPED_TRACE(testing::Message() << first << " then " << second);
            listener->OnDownloadResult(kHttpErrorCurl, CURLE_RECV_ERROR, L"安装失败");
            EXPECT_TRUE(retryPending()) << "a transport failure is retried";
            listener->OnDownloadResult(kHttpErrorUser, first, L"安装失败");
            EXPECT_TRUE(retryPending()) << "the first refusal is retried";
            listener->OnDownloadResult(kHttpErrorUser, second, L"安装失败");
            EXPECT_FALSE(retryPending()) << "the second refusal in a row is not";
        }
    }
}
