// The paint manager driving a real window under a real message loop: first layout, input routing,
// hover, capture, focus and Tab order, timers, delayed cleanup, references to deleted controls,
// notifications and registries.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "tests/support/TestEnv.h"
#include "tests/ui/controls/ControlHost.h"
#include "tests/ui/controls/ProbeUI.h"
#include "ui/controls/ButtonUI.h"
#include "ui/controls/ContainerUI.h"
#include "ui/controls/TabLayoutUI.h"
#include "ui/controls/VerticalLayoutUI.h"
#include "ui/core/PaintManagerUI.h"

using ControlTest::CControlHost;
using ControlTest::CProbeUI;
using ControlTest::EventsOf;
using ControlTest::IndexOf;
using namespace SkinUI;

namespace {

constexpr DWORD kWaitMs = 3000;
constexpr int kWidth = 300;
constexpr int kHeight = 200;

// The application's loop: every message is offered to the managers before dispatch.
bool PumpTranslated(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (CPaintManagerUI::TranslateMessage(&msg))
                continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

void SetShiftDown(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

class PaintManagerTest : public ::testing::Test {
protected:
    // One window for the whole program: Wine takes a while to hide one.
    static void SetUpTestSuite() {
        static CControlHost host(kWidth, kHeight);
        s_window = &host;
    }

    void SetUp() override {
        m_log.clear();
        s_window->ClearNotifications();
        CProbeUI::DeadEvents() = 0;
    }
    void TearDown() override {
        // The probes log into this fixture: they must be gone before it is.
        s_window->Attach(new CControlUI());
        EXPECT_TRUE(TestEnv::PumpUntil([] { return CProbeUI::Alive().empty(); }, kWaitMs));
        EXPECT_EQ(CProbeUI::DeadEvents(), 0) << "an event reached a deleted control";
    }

    // A vertical layout "root" of the window's size holding probes a, b, c (50 px each) and,
    // below them, the rest.
    CVerticalLayoutUI* AttachProbes(UINT flags = 0) {
        auto* root = new CVerticalLayoutUI();
        root->SetName(L"root");
        for (const wchar_t* name : {L"a", L"b", L"c"}) {
            auto* probe = new CProbeUI(name, &m_log, flags);
            probe->SetFixedHeight(50);
            root->Add(probe);
        }
        root->Add(new CProbeUI(L"rest", &m_log));
        s_window->Attach(root);
        EXPECT_TRUE(s_window->Layout());
        return root;
    }
    CProbeUI* Probe(const wchar_t* name) {
        return static_cast<CProbeUI*>(s_window->Manager().FindControl(name));
    }
    int CountNotes(const std::wstring& note) const {
        int n = 0;
        for (const auto& entry : s_window->Notifications())
            n += entry == note ? 1 : 0;
        return n;
    }
    bool LogHas(const std::wstring& entry) const { return IndexOf(m_log, entry) >= 0; }

    static CControlHost* s_window;
    std::vector<std::wstring> m_log;
};

CControlHost* PaintManagerTest::s_window = nullptr;

// The first paint after AttachRoot lays out the whole tree and announces "windowinit" once.
TEST_F(PaintManagerTest, FirstPaintLaysOutTreeAndSendsWindowInitOnce) {
    CVerticalLayoutUI* root = AttachProbes();
    RECT client;
    GetClientRect(s_window->Window(), &client);
    EXPECT_TRUE(EqualRect(&root->GetPos(), &client) != FALSE);
    EXPECT_EQ(Probe(L"b")->GetPos().top, 50);
    EXPECT_EQ(Probe(L"rest")->GetPos().top, 150);
    EXPECT_EQ(CountNotes(L"root:windowinit"), 1);

    InvalidateRect(s_window->Window(), nullptr, FALSE);
    UpdateWindow(s_window->Window());
    EXPECT_EQ(CountNotes(L"root:windowinit"), 1);

    // A control marked for layout is placed again on the next paint without a full pass.
    Probe(L"a")->SetFixedHeight(30);
    s_window->Layout();
    EXPECT_EQ(Probe(L"b")->GetPos().top, 30);
}

// Once the window has been painted, a control that changes asks for the repaint of its own rectangle
// (before that the whole window is still to be painted and nothing is asked).
TEST_F(PaintManagerTest, AChangeAfterTheFirstPaintInvalidatesTheControl) {
    AttachProbes();
    HWND window = s_window->Window();
    ValidateRect(window, nullptr);
    Probe(L"b")->SetBkColor(0xFF102030);
    RECT dirty = {};
    ASSERT_TRUE(GetUpdateRect(window, &dirty, FALSE));
    EXPECT_TRUE(EqualRect(&dirty, &Probe(L"b")->GetPos()) != FALSE);
}

// Real mouse input: enter and move reach the control under the cursor; moving on sends leave to the
// first control before enter to the second.
TEST_F(PaintManagerTest, HoverFollowsTheMouseWithLeaveBeforeEnter) {
    AttachProbes();
    s_window->MoveMouse(POINT{100, 25});
    ASSERT_TRUE(PumpTranslated([&] { return LogHas(L"a:enter") && LogHas(L"a:move"); }, kWaitMs));
    s_window->MoveMouse(POINT{100, 75});
    ASSERT_TRUE(PumpTranslated([&] { return LogHas(L"b:enter"); }, kWaitMs));
    const int leave = IndexOf(m_log, L"a:leave");
    ASSERT_GE(leave, 0);
    EXPECT_LT(leave, IndexOf(m_log, L"b:enter"));
    EXPECT_EQ(EventsOf(m_log, L"c").size(), 0u);
}

// Pressing on one control captures the mouse: moves and the release outside it still go to it.
TEST_F(PaintManagerTest, CaptureKeepsMovesAndButtonUpOnThePressedControl) {
    AttachProbes();
    s_window->MoveMouse(POINT{100, 25});
    ASSERT_TRUE(PumpTranslated([&] { return LogHas(L"a:move"); }, kWaitMs));
    s_window->PressLeft();
    ASSERT_TRUE(PumpTranslated([&] { return LogHas(L"a:down"); }, kWaitMs));
    EXPECT_TRUE(s_window->Manager().IsCaptured());
    m_log.clear();
    s_window->MoveMouse(POINT{100, 125});
    ASSERT_TRUE(PumpTranslated([&] { return LogHas(L"a:move"); }, kWaitMs));
    s_window->ReleaseLeft();
    ASSERT_TRUE(PumpTranslated([&] { return LogHas(L"a:up"); }, kWaitMs));
    EXPECT_FALSE(s_window->Manager().IsCaptured());
    for (const auto& entry : EventsOf(m_log, L"c"))
        EXPECT_NE(entry, L"move") << "a move went past the captured control";
    EXPECT_EQ(IndexOf(m_log, L"c:up"), -1);
}

// The first tab stop gets the focus after the first layout; Tab moves forward and wraps, Shift+Tab
// moves backward and wraps to the last tab stop; a tool window never moves focus.
TEST_F(PaintManagerTest, TabMovesFocusThroughTabStopsBothWays) {
    AttachProbes(kFlagTabStop);
    CPaintManagerUI& pm = s_window->Manager();
    ASSERT_EQ(pm.GetFocus(), Probe(L"a"));
    EXPECT_TRUE(Probe(L"a")->IsFocused());
    EXPECT_EQ(CountNotes(L"a:setfocus"), 1);

    auto pressTab = [&](const wchar_t* expected) {
        PostMessageW(s_window->Window(), WM_KEYDOWN, VK_TAB, 0);
        return PumpTranslated([&] { return pm.GetFocus() == Probe(expected); }, kWaitMs);
    };
    EXPECT_TRUE(pressTab(L"b"));
    EXPECT_LT(IndexOf(s_window->Notifications(), L"a:killfocus"),
              IndexOf(s_window->Notifications(), L"b:setfocus"));
    EXPECT_FALSE(Probe(L"a")->IsFocused());
    EXPECT_TRUE(pressTab(L"c"));
    EXPECT_TRUE(pressTab(L"a"));

    SetShiftDown(true);
    EXPECT_TRUE(pressTab(L"c"));
    EXPECT_TRUE(pressTab(L"b"));
    SetShiftDown(false);
    // Tab never reaches the control's own key handling.
    EXPECT_EQ(IndexOf(m_log, L"b:keydown"), -1);

    const LONG exStyle = GetWindowLongW(s_window->Window(), GWL_EXSTYLE);
    SetWindowLongW(s_window->Window(), GWL_EXSTYLE, exStyle | WS_EX_TOOLWINDOW);
    EXPECT_FALSE(pm.SetNextTabControl());
    EXPECT_EQ(pm.GetFocus(), Probe(L"b"));
    SetWindowLongW(s_window->Window(), GWL_EXSTYLE, exStyle);
}

// Focus asked for before a layout lands, with its events, on the control that asked once the layout is
// done; a Tab pressed while a layout is pending moves the focus after it.
TEST_F(PaintManagerTest, FocusAndTabWaitingForALayoutAreKept) {
    AttachProbes(kFlagTabStop);
    CPaintManagerUI& pm = s_window->Manager();
    ASSERT_EQ(pm.GetFocus(), Probe(L"a"));
    s_window->ClearNotifications();
    pm.SetFocusNeeded(Probe(L"c"));
    ASSERT_TRUE(pm.IsUpdateNeeded());
    s_window->Layout();
    EXPECT_EQ(pm.GetFocus(), Probe(L"c"));
    EXPECT_TRUE(Probe(L"c")->IsFocused());
    EXPECT_TRUE(LogHas(L"c:setfocus"));
    EXPECT_EQ(CountNotes(L"c:setfocus"), 1);
    EXPECT_EQ(CountNotes(L"a:killfocus"), 1);
    EXPECT_EQ(EventsOf(m_log, L"b").size(), 0u) << "the tab stop before it was touched";

    Probe(L"a")->SetFixedHeight(40);
    ASSERT_TRUE(pm.IsUpdateNeeded());
    PostMessageW(s_window->Window(), WM_KEYDOWN, VK_TAB, 0);
    EXPECT_TRUE(PumpTranslated([&] { return pm.GetFocus() == Probe(L"a"); }, kWaitMs));
    EXPECT_EQ(Probe(L"b")->GetPos().top, 40);
}

// Keys go to the focused control; key up goes to the control that saw key down even when the focus
// has moved in between.
TEST_F(PaintManagerTest, KeysReachTheFocusAndKeyUpTheKeyDownTarget) {
    AttachProbes(kFlagTabStop);
    CPaintManagerUI& pm = s_window->Manager();
    pm.SetFocus(Probe(L"b"));
    PostMessageW(s_window->Window(), WM_KEYDOWN, 'X', 0);
    PostMessageW(s_window->Window(), WM_CHAR, 'x', 0);
    ASSERT_TRUE(PumpTranslated([&] { return LogHas(L"b:char"); }, kWaitMs));
    EXPECT_TRUE(LogHas(L"b:keydown"));
    pm.SetFocus(Probe(L"c"));
    PostMessageW(s_window->Window(), WM_KEYUP, 'X', 0);
    ASSERT_TRUE(PumpTranslated([&] { return LogHas(L"b:keyup"); }, kWaitMs));
    EXPECT_EQ(IndexOf(m_log, L"c:keyup"), -1);
}

// A control timer reaches its control with the local id; a second SetTimer for a live timer fails;
// a killed timer restarts under the same native id; the base control turns the event into a "timer"
// notification. A message filter sees the native messages first.
TEST_F(PaintManagerTest, TimersReachTheirControlWithTheLocalId) {
    AttachProbes();
    struct CTimerFilter : IMessageFilterUI {
        std::vector<WPARAM> nativeIds;
        LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool& bHandled) override {
            if (uMsg == WM_TIMER)
                nativeIds.push_back(wParam);
            bHandled = false;
            return 0;
        }
    } filter;
    CPaintManagerUI& pm = s_window->Manager();
    ASSERT_TRUE(pm.AddMessageFilter(&filter));
    CProbeUI* b = Probe(L"b");
    ASSERT_TRUE(pm.SetTimer(b, 7, 10));
    EXPECT_FALSE(pm.SetTimer(b, 7, 10));
    ASSERT_TRUE(PumpTranslated([&] { return LogHas(L"b:timer:7"); }, kWaitMs));
    EXPECT_GE(CountNotes(L"b:timer"), 1);
    ASSERT_FALSE(filter.nativeIds.empty());
    const WPARAM nativeId = filter.nativeIds.front();

    EXPECT_TRUE(pm.KillTimer(b, 7));
    EXPECT_FALSE(pm.KillTimer(b, 7));
    TestEnv::PumpFor(30);
    m_log.clear();
    filter.nativeIds.clear();
    TestEnv::PumpFor(60);
    EXPECT_EQ(IndexOf(m_log, L"b:timer:7"), -1) << "a killed timer still fired";
    ASSERT_TRUE(pm.SetTimer(b, 7, 10));
    ASSERT_TRUE(PumpTranslated([&] { return LogHas(L"b:timer:7"); }, kWaitMs));
    ASSERT_FALSE(filter.nativeIds.empty());
    EXPECT_EQ(filter.nativeIds.back(), nativeId);
    pm.KillTimer(b);
    pm.RemoveMessageFilter(&filter);
}

// Native timer ids stay clear of the window's own timers 1 and 2 and of every live control timer, even
// once the id counter has gone all the way round.
TEST_F(PaintManagerTest, TimerIdsNeverCollideOnTheWindow) {
    AttachProbes();
    constexpr UINT kHourMs = 3600 * 1000;
    constexpr int kOneRound = 254;  // more than the ids there are between two uses of the same id
    const HWND hWnd = s_window->Window();
    ASSERT_NE(0u, ::SetTimer(hWnd, 1, kHourMs, nullptr));
    ASSERT_NE(0u, ::SetTimer(hWnd, 2, kHourMs, nullptr));
    CPaintManagerUI& pm = s_window->Manager();
    CProbeUI* a = Probe(L"a");
    CProbeUI* b = Probe(L"b");
    ASSERT_TRUE(pm.SetTimer(a, 1, 10));
    for (int i = 0; i < kOneRound; ++i) {
        ASSERT_TRUE(pm.SetTimer(b, 1, kHourMs)) << i;
        pm.KillTimer(b);
    }
    ASSERT_TRUE(pm.SetTimer(b, 9, 10));
    EXPECT_TRUE(PumpTranslated([&] { return LogHas(L"b:timer:9") && LogHas(L"a:timer:1"); }, kWaitMs));
    pm.KillTimer(a);
    pm.KillTimer(b);
    EXPECT_TRUE(::KillTimer(hWnd, 1)) << "the window's own timer 1 was taken over";
    EXPECT_TRUE(::KillTimer(hWnd, 2)) << "the window's own timer 2 was taken over";
}

// The context menu reaches the control under the right button and becomes a "menu" notification
// only for a control that asks for it.
TEST_F(PaintManagerTest, ContextMenuNotifiesOnlyWhenAsked) {
    AttachProbes();
    Probe(L"b")->SetAttribute(L"menu", L"true");
    for (LONG y : {75L, 125L}) {
        POINT pt = {100, y};
        ClientToScreen(s_window->Window(), &pt);
        PostMessageW(s_window->Window(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(100, y));
        PostMessageW(s_window->Window(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(s_window->Window()),
                     MAKELPARAM(pt.x, pt.y));
    }
    ASSERT_TRUE(PumpTranslated([&] { return LogHas(L"c:menu"); }, kWaitMs));
    EXPECT_TRUE(LogHas(L"b:rdown"));
    EXPECT_TRUE(LogHas(L"b:menu"));
    EXPECT_EQ(CountNotes(L"b:menu"), 1);
    EXPECT_EQ(CountNotes(L"c:menu"), 0);
    EXPECT_FALSE(s_window->Manager().IsCaptured());
}

// Hiding the focused control, or its container, takes the focus away.
TEST_F(PaintManagerTest, HidingTheFocusedControlDropsTheFocus) {
    CVerticalLayoutUI* root = AttachProbes(kFlagTabStop);
    CPaintManagerUI& pm = s_window->Manager();
    pm.SetFocus(Probe(L"b"));
    Probe(L"b")->SetVisible(false);
    EXPECT_EQ(pm.GetFocus(), nullptr);
    EXPECT_FALSE(Probe(L"b")->IsFocused());
    pm.SetFocus(Probe(L"b"));
    EXPECT_EQ(pm.GetFocus(), nullptr) << "a hidden control cannot take the focus";
    pm.SetFocus(Probe(L"c"));
    root->SetEnabled(false);
    pm.SetFocus(Probe(L"a"));
    EXPECT_NE(pm.GetFocus(), Probe(L"a")) << "a control in a disabled container cannot take the focus";
    root->SetEnabled(true);
    auto* box = new CContainerUI();
    auto* inner = new CProbeUI(L"inner", &m_log, kFlagTabStop);
    box->Add(inner);
    root->Add(box);
    s_window->Layout();
    pm.SetFocus(inner);
    ASSERT_EQ(pm.GetFocus(), inner);
    box->SetVisible(false);
    EXPECT_EQ(pm.GetFocus(), nullptr);
}

// A control that removes itself from its container inside its own event handler is deleted only
// after the handler returned, from the posted cleanup message.
TEST_F(PaintManagerTest, ControlRemovedInItsOwnHandlerDiesAfterTheHandler) {
    AttachProbes();
    CProbeUI* b = Probe(L"b");
    b->SetHandler([](CProbeUI* self, TEventUI& event) {
        if (event.type != kEventButtonDown)
            return;
        auto* parent = static_cast<CContainerUI*>(self->GetParent()->GetInterface(L"Container"));
        parent->Remove(self);
        // Still alive: touch it after the removal.
        self->m_touched = CProbeUI::IsAlive(self) ? 1 : -1;
    });
    PostMessageW(s_window->Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 75));
    ASSERT_TRUE(PumpTranslated([&] { return !CProbeUI::IsAlive(b); }, kWaitMs));
    EXPECT_TRUE(LogHas(L"b:down"));
    EXPECT_EQ(s_window->Manager().FindControl(L"b"), nullptr);
    PostMessageW(s_window->Window(), WM_LBUTTONUP, 0, MAKELPARAM(100, 75));
    PostMessageW(s_window->Window(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 75));
    TestEnv::PumpFor(50);
}

// Deleting a control clears focus, hover, capture, key target, timers and its name in the manager,
// so later input never reaches freed memory.
TEST_F(PaintManagerTest, DeletingAControlClearsEveryReferenceToIt) {
    CVerticalLayoutUI* root = AttachProbes(kFlagTabStop);
    CPaintManagerUI& pm = s_window->Manager();
    CProbeUI* b = Probe(L"b");
    pm.SetFocus(b);
    PostMessageW(s_window->Window(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 75));
    PostMessageW(s_window->Window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 75));
    PostMessageW(s_window->Window(), WM_KEYDOWN, 'K', 0);
    ASSERT_TRUE(PumpTranslated([&] { return LogHas(L"b:keydown"); }, kWaitMs));
    ASSERT_TRUE(LogHas(L"b:down"));
    ASSERT_TRUE(pm.SetTimer(b, 3, 10));

    root->SetDelayedDestroy(false);
    root->Remove(b);
    ASSERT_FALSE(CProbeUI::IsAlive(b));
    EXPECT_EQ(pm.GetFocus(), nullptr);
    EXPECT_FALSE(pm.IsCaptured());
    EXPECT_EQ(pm.FindControl(L"b"), nullptr);

    m_log.clear();
    PostMessageW(s_window->Window(), WM_KEYUP, 'K', 0);
    PostMessageW(s_window->Window(), WM_LBUTTONUP, 0, MAKELPARAM(100, 75));
    PostMessageW(s_window->Window(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 25));
    ASSERT_TRUE(PumpTranslated([&] { return LogHas(L"a:enter"); }, kWaitMs));
    TestEnv::PumpFor(50);
}

// Notifications, message filters and pre-message filters reach every listener in registration order;
// a listener that removes itself while it is called makes none of the others miss the call.
TEST_F(PaintManagerTest, ListenersRunInOrderAndNoneIsSkippedWhenOneLeaves) {
    AttachProbes();
    constexpr UINT kProbeMessage = WM_APP + 77;
    CPaintManagerUI& pm = s_window->Manager();
    enum class Kind { kNotifier, kFilter, kPreFilter };
    struct CListener : INotifyUI, IMessageFilterUI {
        std::vector<std::wstring>* out = nullptr;
        std::wstring tag;
        CPaintManagerUI* leaveFrom = nullptr;
        Kind kind = Kind::kNotifier;
        void Notify(TNotifyUI& msg) override {
            Called(tag + L":" + msg.type + L":" + (msg.sender ? msg.sender->GetName() : L"") + L":" +
                   std::to_wstring(msg.wParam));
        }
        LRESULT MessageHandler(UINT uMsg, WPARAM, LPARAM, bool& bHandled) override {
            bHandled = false;
            if (uMsg == kProbeMessage)
                Called(tag);
            return 0;
        }
        void Called(const std::wstring& entry) {
            out->push_back(entry);
            if (leaveFrom == nullptr)
                return;
            if (kind == Kind::kNotifier)
                leaveFrom->RemoveNotifier(this);
            else if (kind == Kind::kFilter)
                leaveFrom->RemoveMessageFilter(this);
            else
                leaveFrom->RemovePreMessageFilter(this);
        }
    };
    for (Kind kind : {Kind::kNotifier, Kind::kFilter, Kind::kPreFilter}) {
        std::vector<std::wstring> order;
        CListener listeners[3];
        for (int i = 0; i < 3; ++i) {
            listeners[i].out = &order;
            listeners[i].tag = std::to_wstring(i + 1);
            listeners[i].kind = kind;
        }
        listeners[1].leaveFrom = &pm;
        for (CListener& listener : listeners) {
            const bool added = kind == Kind::kNotifier ? pm.AddNotifier(&listener)
                               : kind == Kind::kFilter ? pm.AddMessageFilter(&listener)
                                                       : pm.AddPreMessageFilter(&listener);
            ASSERT_TRUE(added);
        }
        if (kind == Kind::kNotifier)
            EXPECT_FALSE(pm.AddNotifier(&listeners[0]));
        LRESULT ignored = 0;
        if (kind == Kind::kNotifier)
            pm.SendNotify(Probe(L"c"), L"click", 5);
        else if (kind == Kind::kFilter)
            SendMessageW(s_window->Window(), kProbeMessage, 0, 0);
        else
            pm.PreMessageHandler(kProbeMessage, 0, 0, ignored);
        const std::vector<std::wstring> expected =
            kind == Kind::kNotifier
                ? std::vector<std::wstring>{L"1:click:c:5", L"2:click:c:5", L"3:click:c:5"}
                : std::vector<std::wstring>{L"1", L"2", L"3"};
        EXPECT_EQ(order, expected) << static_cast<int>(kind);
        for (CListener& listener : listeners) {
            pm.RemoveNotifier(&listener);
            pm.RemoveMessageFilter(&listener);
            pm.RemovePreMessageFilter(&listener);
        }
    }
}

// The wheel reaches the control under the mouse: 1 toward the user, 0 away.
TEST_F(PaintManagerTest, WheelReachesTheControlUnderTheMouse) {
    AttachProbes();
    std::vector<WPARAM> codes;
    static std::vector<WPARAM>* s_codes = nullptr;
    s_codes = &codes;
    Probe(L"c")->SetHandler([](CProbeUI*, TEventUI& event) {
        if (event.type == kEventScrollWheel)
            s_codes->push_back(event.wParam);
    });
    POINT screen = {100, 125};
    ClientToScreen(s_window->Window(), &screen);
    PostMessageW(s_window->Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)),
                 MAKELPARAM(screen.x, screen.y));
    PostMessageW(s_window->Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA),
                 MAKELPARAM(screen.x, screen.y));
    ASSERT_TRUE(PumpTranslated([&] { return codes.size() == 2; }, kWaitMs));
    EXPECT_EQ(codes[0], 1u);
    EXPECT_EQ(codes[1], 0u);
    Probe(L"c")->SetHandler(nullptr);
}

// A control asking for the set-cursor event gets it when the cursor is over it; others do not.
TEST_F(PaintManagerTest, SetCursorGoesOnlyToControlsThatAskForIt) {
    auto* root = new CVerticalLayoutUI();
    auto* wants = new CProbeUI(L"wants", &m_log, kFlagSetCursor);
    wants->SetFixedHeight(100);
    root->Add(wants);
    root->Add(new CProbeUI(L"plain", &m_log));
    s_window->Attach(root);
    ASSERT_TRUE(s_window->Layout());
    s_window->MoveMouse(POINT{50, 50});
    ASSERT_TRUE(PumpTranslated([&] { return LogHas(L"wants:setcursor"); }, kWaitMs));
    s_window->MoveMouse(POINT{50, 150});
    ASSERT_TRUE(PumpTranslated([&] { return LogHas(L"plain:enter"); }, kWaitMs));
    EXPECT_EQ(IndexOf(m_log, L"plain:setcursor"), -1);
}

// Hovering a control with a tooltip sends it the hover event and shows the tip in a
// "tooltips_class32" window owned by the skinned window.
TEST_F(PaintManagerTest, HoverShowsTheTooltip) {
    AttachProbes();
    Probe(L"b")->SetToolTip(L"tip<n>text");
    s_window->MoveMouse(POINT{100, 70});
    ASSERT_TRUE(PumpTranslated([&] { return LogHas(L"b:move"); }, kWaitMs));
    s_window->MoveMouse(POINT{101, 71});
    ASSERT_TRUE(PumpTranslated([&] { return LogHas(L"b:hover"); }, kWaitMs));
    HWND tip = s_window->Manager().GetTooltipWindow();
    ASSERT_NE(tip, nullptr);
    wchar_t className[64] = {};
    GetClassNameW(tip, className, 64);
    EXPECT_STREQ(className, L"tooltips_class32");
    EXPECT_EQ(GetWindow(tip, GW_OWNER), s_window->Window());
}

// Registries: the first default list for a name wins; of two controls with one name the later in tree
// order is found; fonts are numbered in order and an unknown index gives the default font.
TEST_F(PaintManagerTest, RegistriesKeepTheirLookupRules) {
    CPaintManagerUI& pm = s_window->Manager();
    pm.AddDefaultAttributeList(L"ProbeDefault", L"width=\"10\"");
    pm.AddDefaultAttributeList(L"ProbeDefault", L"width=\"20\"");
    EXPECT_STREQ(pm.GetDefaultAttributeList(L"ProbeDefault"), L"width=\"10\"");
    EXPECT_EQ(pm.GetDefaultAttributeList(L"Nothing"), nullptr);

    auto* root = new CVerticalLayoutUI();
    auto* first = new CProbeUI(L"twin", &m_log);
    auto* second = new CProbeUI(L"twin", &m_log);
    root->Add(first);
    root->Add(second);
    s_window->Attach(root);
    EXPECT_EQ(pm.FindControl(L"twin"), second);

    const int base = pm.GetCustomFontCount();
    HFONT f0 = pm.AddFont(L"Tahoma", 12, false, false, false);
    HFONT f1 = pm.AddFont(L"Tahoma", 14, true, false, false);
    ASSERT_NE(f0, nullptr);
    EXPECT_EQ(pm.GetFont(base), f0);
    EXPECT_EQ(pm.GetFont(base + 1), f1);
    EXPECT_EQ(pm.GetFont(L"Tahoma", 14, true, false, false), f1);
    EXPECT_EQ(pm.GetFont(L"Tahoma", 15, true, false, false), nullptr);
    EXPECT_EQ(pm.GetFont(base + 2), pm.GetDefaultFontInfo()->hFont);
    EXPECT_GT(pm.GetFontInfo(base + 1)->tm.tmHeight, 0);

    CControlUI control;
    EXPECT_TRUE(pm.AddOptionGroup(L"g", &control));
    EXPECT_FALSE(pm.AddOptionGroup(L"g", &control));
    EXPECT_EQ(pm.GetOptionGroup(L"g")->GetSize(), 1);
    pm.RemoveOptionGroup(L"g", &control);
    EXPECT_EQ(pm.GetOptionGroup(L"g"), nullptr);
}

// With bktrans set the window becomes layered and is painted as a whole into an alpha surface.
TEST_F(PaintManagerTest, BackgroundTransparentMakesTheWindowLayered) {
    AttachProbes();
    CPaintManagerUI& pm = s_window->Manager();
    const LONG exStyle = GetWindowLongW(s_window->Window(), GWL_EXSTYLE);
    pm.SetBackgroundTransparent(true);
    Probe(L"a")->SetBkColor(0xFF00FF00);
    s_window->Layout();
    EXPECT_NE(GetWindowLongW(s_window->Window(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    pm.SetBackgroundTransparent(false);
    SetWindowLongW(s_window->Window(), GWL_EXSTYLE, exStyle);
}

// With bktrans and shadow the shadow image is drawn around the content, which is inset by the shadow
// border.
TEST_F(PaintManagerTest, LayeredShadowSurroundsTheInsetContent) {
    ControlTest::CSkinFolder skin;
    skin.AddImage(L"shadow.png", 30, 30, 0x102030);
    auto* root = new CVerticalLayoutUI();
    root->SetBkColor(0xFF00FF00);
    root->SetAttribute(L"inset", L"0,0,0,0");
    s_window->Attach(root);
    CPaintManagerUI& pm = s_window->Manager();
    const LONG exStyle = GetWindowLongW(s_window->Window(), GWL_EXSTYLE);
    pm.SetBackgroundTransparent(true);
    auto readSurface = [&] {
        std::vector<uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight);
        BITMAP info = {};
        HBITMAP bitmap = pm.GetLayeredBitmap();
        if (bitmap == nullptr || GetObjectW(bitmap, sizeof(info), &info) == 0 || info.bmBits == nullptr)
            return std::vector<uint32_t>();
        GdiFlush();
        memcpy(pixels.data(), info.bmBits, pixels.size() * 4);
        return pixels;
    };
    s_window->Layout();
    std::vector<uint32_t> plain = readSurface();
    ASSERT_FALSE(plain.empty());
    // Colours only: an opaque GDI fill leaves alpha alone on the surface.
    EXPECT_EQ(plain[2 * kWidth + 2] & 0xFFFFFF, 0x00FF00u) << "the root covers the whole surface";

    pm.SetShadow(true);
    pm.SetShadowImage(L"shadow.png");
    pm.SetShadowBorder(RECT{6, 6, 6, 6});
    s_window->Layout();
    std::vector<uint32_t> shadowed = readSurface();
    ASSERT_FALSE(shadowed.empty());
    EXPECT_EQ(shadowed[2 * kWidth + 2] & 0xFFFFFF, 0x102030u) << "the shadow's corner";
    EXPECT_EQ(shadowed[100 * kWidth + 3] & 0xFFFFFF, 0x102030u) << "the shadow's left edge";
    EXPECT_EQ(shadowed[100 * kWidth + 150] & 0xFFFFFF, 0x00FF00u) << "the content inside the border";
    EXPECT_EQ(shadowed[2 * kWidth + 2] >> 24, 0xFFu) << "the shadow image keeps its alpha";

    pm.SetShadow(false);
    pm.SetBackgroundTransparent(false);
    SetWindowLongW(s_window->Window(), GWL_EXSTYLE, exStyle);
}

// The images of the controls shown first (a page's background, a button's normal image) are decoded,
// and resampled, ahead of the first paint: the paint draws what was read then, a scale changed meanwhile
// gets images made for the new scale, and the page hidden at the time loads its own when selected.
TEST_F(PaintManagerTest, ImagesDecodedAheadAreTheOnesDrawn) {
    ControlTest::CSkinFolder skin;
    CPaintManagerUI& pm = s_window->Manager();
    const struct {
        UINT prefetchDpi, paintDpi;
        const wchar_t* name;
    } cases[] = {{96, 96, L"ahead96.png"}, {144, 144, L"ahead144.png"}, {144, 120, L"ahead144to120.png"},
                 {96, 144, L"ahead96to144.png"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring buttonImage = std::wstring(L"button_") + c.name;
        skin.AddImage(c.name, 20, 10, 0x3060C0);
        skin.AddImage(buttonImage, 20, 10, 0x60C030);
        skin.AddImage(L"hidden.png", 20, 10, 0x30C060);
        auto* tab = new CTabLayoutUI();
        auto* shown = new CVerticalLayoutUI();
        shown->SetBkImage(c.name);
        auto* button = new CButtonUI();
        button->SetFixedHeight(40);
        button->SetNormalImage(buttonImage);
        shown->Add(button);
        tab->Add(shown);
        auto* hidden = new CVerticalLayoutUI();
        hidden->SetBkImage(L"hidden.png");
        tab->Add(hidden);
        pm.SetDpi(c.prefetchDpi);
        s_window->Attach(tab);
        pm.PrefetchImages();
        // Rewritten after the prefetch read them: the first paint must not need to read them again.
        skin.AddImage(c.name, 20, 10, 0xC03060);
        skin.AddImage(buttonImage, 20, 10, 0xC03060);
        pm.SetDpi(c.paintDpi);
        std::vector<uint32_t> pixels = s_window->Render();
        EXPECT_EQ(s_window->PixelAt(pixels, 5, 5) & 0xFFFFFF, 0x60C030u) << "the button";
        EXPECT_EQ(s_window->PixelAt(pixels, 5, 100) & 0xFFFFFF, 0x3060C0u) << "the page";
        const CDpiScale scale(c.paintDpi);
        for (const std::wstring& name : {std::wstring(c.name), buttonImage}) {
            const TImageInfo* drawn = pm.GetScaledImage(name.c_str());
            ASSERT_NE(drawn, nullptr);
            EXPECT_EQ(drawn->width, scale.Scale(20));
            EXPECT_EQ(drawn->height, scale.Scale(10));
        }

        tab->SelectItem(1);
        pixels = s_window->Render();
        EXPECT_EQ(s_window->PixelAt(pixels, 5, 5) & 0xFFFFFF, 0x30C060u);
    }
    pm.SetDpi(96);
}

// The window geometry from the skin: the first initial size wins and resizes a window that has no tree
// yet; positive minimum and maximum sizes replace the tracking sizes.
TEST(PaintManagerGeometryTest, InitialSizeAndTrackingLimits) {
    HWND hWnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(hWnd, nullptr);
    {
        CPaintManagerUI pm;
        pm.Init(hWnd);
        pm.SetInitSize(0, 0, 250, 150);
        pm.SetInitSize(0, 0, 400, 300);
        const RECT expected = {0, 0, 250, 150};
        const RECT recorded = pm.GetInitSize();
        EXPECT_TRUE(EqualRect(&recorded, &expected) != FALSE);
        RECT window;
        GetWindowRect(hWnd, &window);
        EXPECT_EQ(window.right - window.left, 250);
        EXPECT_EQ(window.bottom - window.top, 150);

        pm.SetMinInfo(300, 0);
        pm.SetMaxInfo(0, 500);
        MINMAXINFO info = {};
        info.ptMinTrackSize = {10, 11};
        info.ptMaxTrackSize = {1000, 1001};
        LRESULT result = 0;
        EXPECT_FALSE(pm.MessageHandler(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info), result));
        EXPECT_EQ(info.ptMinTrackSize.x, 300);
        EXPECT_EQ(info.ptMinTrackSize.y, 11);
        EXPECT_EQ(info.ptMaxTrackSize.x, 1000);
        EXPECT_EQ(info.ptMaxTrackSize.y, 500);

        EXPECT_TRUE(pm.MessageHandler(WM_ERASEBKGND, 0, 0, result));
        EXPECT_EQ(result, 1);

        pm.SetTransparent(128);
        EXPECT_NE(GetWindowLongW(hWnd, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
        pm.SetTransparent(256);
        EXPECT_EQ(GetWindowLongW(hWnd, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    }
    DestroyWindow(hWnd);
}

}  // namespace
