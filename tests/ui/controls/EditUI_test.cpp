// The edit box in a real window under real mouse and keyboard input: the native child opens over the
// text area with the control's font, typing feeds the control and "textchanged", Return sends "return",
// the child goes with the focus, and the painted look (password mask, hint) while it is closed.
#include "ui/controls/EditUI.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/support/TestEnv.h"
#include "tests/ui/controls/ControlHost.h"
#include "ui/controls/EditWnd.h"

namespace {

using SkinUI::CEditUI;
using namespace ControlTest;

constexpr int kWidth = 300;
constexpr int kHeight = 40;
constexpr DWORD kWaitMs = 3000;
const POINT kInside = {kWidth / 2, kHeight / 2};

HWND NativeOf(const CEditUI* edit) {
    return edit->GetNativeWindow() != nullptr ? edit->GetNativeWindow()->GetHWND() : nullptr;
}

std::wstring NativeText(HWND hWnd) {
    wchar_t text[256] = {};
    ::GetWindowTextW(hWnd, text, 256);
    return text;
}

size_t Count(const std::vector<std::wstring>& list, const std::wstring& item) {
    return static_cast<size_t>(std::count(list.begin(), list.end(), item));
}

class EditInput : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_pHost = new CControlHost(kWidth, kHeight); }
    static void TearDownTestSuite() {
        delete s_pHost;
        s_pHost = nullptr;
    }

    void SetUp() override {
        m_edit = new CEditUI;
        m_edit->SetName(L"edit");
        m_edit->SetAttribute(L"textpadding", L"6,3,4,3");
        m_edit->SetAttribute(L"textcolor", L"#FF000000");
        s_pHost->Attach(m_edit);
        ASSERT_TRUE(TestEnv::PumpUntil([] { return s_pHost->Layout(); }, kWaitMs));
        ::SetForegroundWindow(s_pHost->Window());
        // The paint after the first layout focuses the first tab stop, the edit; start from a closed one.
        s_pHost->Layout();
        s_pHost->Manager().SetFocus(nullptr);
        ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_edit->GetNativeWindow() == nullptr; }, kWaitMs));
        s_pHost->ClearNotifications();
    }
    void TearDown() override {
        s_pHost->Manager().SetFocus(nullptr);
        TestEnv::PumpUntil([&] { return m_edit->GetNativeWindow() == nullptr; }, kWaitMs);
    }

    // Clicks into the edit and waits for its native window.
    HWND Open() {
        s_pHost->MoveMouse(kInside);
        s_pHost->PressLeft();
        s_pHost->ReleaseLeft();
        TestEnv::PumpUntil([&] { return NativeOf(m_edit) != nullptr && ::GetFocus() == NativeOf(m_edit); },
                           kWaitMs);
        return NativeOf(m_edit);
    }
    void Type(const std::string& keys) {
        for (char c : keys)
            s_pHost->PressKey(static_cast<WORD>(c));
    }

    static CControlHost* s_pHost;
    CEditUI* m_edit = nullptr;
};
CControlHost* EditInput::s_pHost = nullptr;

}  // namespace

// A click opens the native child over the text area, one line of the control's font high, with the
// control's font and text; typing changes the text once per key and announces each change.
TEST_F(EditInput, TypingFeedsTheControlAndNotifiesEachChange) {
    m_edit->SetText(L"x");
    s_pHost->ClearNotifications();
    const HWND hNative = Open();
    ASSERT_NE(hNative, nullptr);
    EXPECT_TRUE(::IsWindowVisible(hNative));
    EXPECT_EQ(::GetParent(hNative), s_pHost->Window());
    EXPECT_EQ(NativeText(hNative), L"x");
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(hNative, WM_GETFONT, 0, 0)),
              s_pHost->Manager().GetFont(m_edit->GetFont()));

    RECT rc = {};
    ::GetWindowRect(hNative, &rc);
    ::MapWindowPoints(nullptr, s_pHost->Window(), reinterpret_cast<POINT*>(&rc), 2);
    const int fontHeight = s_pHost->Manager().GetFontInfo(m_edit->GetFont())->tm.tmHeight;
    EXPECT_EQ(rc.left, 6);
    EXPECT_EQ(rc.right, kWidth - 4);
    EXPECT_EQ(rc.bottom - rc.top, fontHeight);
    EXPECT_EQ(rc.top, 3 + (kHeight - 6 - fontHeight) / 2);

    // The click selected everything, so typing replaces it.
    Type("AB1");
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_edit->GetText() == L"ab1"; }, kWaitMs))
        << m_edit->GetText();
    EXPECT_EQ(NativeText(hNative), m_edit->GetText());
    EXPECT_EQ(Count(s_pHost->Notifications(), L"edit:textchanged"), 3u);
}

// Return sends "return" and inserts nothing; a click into the open edit selects all of its text.
TEST_F(EditInput, ReturnNotifiesAndClickSelectsAll) {
    m_edit->SetText(L"path");
    const HWND hNative = Open();
    ASSERT_NE(hNative, nullptr);
    ::SendMessageW(hNative, EM_SETSEL, 2, 2);
    s_pHost->ClearNotifications();
    s_pHost->PressKey(VK_RETURN);
    ASSERT_TRUE(
        TestEnv::PumpUntil([&] { return Count(s_pHost->Notifications(), L"edit:return") == 1; }, kWaitMs));
    EXPECT_EQ(NativeText(hNative), L"path");
    EXPECT_EQ(Count(s_pHost->Notifications(), L"edit:textchanged"), 0u);

    // A click on the control while the child is open selects all of the child's text. Real clicks land on
    // the child itself (or take the focus away from it), so the control gets the event directly here.
    SkinUI::TEventUI event = {};
    event.type = SkinUI::kEventButtonDown;
    event.sender = m_edit;
    event.ptMouse = {2, 2};
    m_edit->Event(event);
    DWORD start = 0;
    DWORD end = 0;
    ::SendMessageW(hNative, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 4u);
    EXPECT_EQ(NativeOf(m_edit), hNative);
}

// The native child closes when it loses the focus, and when the edit is hidden; SetText on a closed
// edit announces the change without opening anything.
TEST_F(EditInput, NativeWindowGoesWithTheFocus) {
    HWND hNative = Open();
    ASSERT_NE(hNative, nullptr);
    ::SetFocus(s_pHost->Window());
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_edit->GetNativeWindow() == nullptr; }, kWaitMs));
    EXPECT_FALSE(::IsWindow(hNative));

    s_pHost->ClearNotifications();
    m_edit->SetText(L"closed");
    EXPECT_EQ(s_pHost->Notifications(), std::vector<std::wstring>{L"edit:textchanged"});
    EXPECT_EQ(m_edit->GetNativeWindow(), nullptr);

    s_pHost->Manager().SetFocus(m_edit);
    hNative = NativeOf(m_edit);
    ASSERT_NE(hNative, nullptr);
    EXPECT_EQ(NativeText(hNative), L"closed");
    m_edit->SetVisible(false);
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_edit->GetNativeWindow() == nullptr; }, kWaitMs));
    EXPECT_FALSE(::IsWindow(hNative));
    m_edit->SetVisible(true);
}

// Refuses, through the system's own hook, every window of the native edit's class made on this thread.
LRESULT CALLBACK RefuseNativeEdits(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const LPCWSTR name = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->lpszClass;
        if (!IS_INTRESOURCE(name) && ::_wcsicmp(name, L"EditWnd") == 0)
            return 1;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

// A native child that cannot be made leaves the edit closed, and the next focus opens one.
TEST_F(EditInput, OpensAgainAfterTheNativeWindowCouldNotBeMade) {
    const HHOOK hook = ::SetWindowsHookExW(WH_CBT, RefuseNativeEdits, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    s_pHost->Manager().SetFocus(m_edit);
    bool closed = m_edit->GetNativeWindow() == nullptr;
    // A click on the focused edit tries again.
    SkinUI::TEventUI event = {};
    event.type = SkinUI::kEventButtonDown;
    event.sender = m_edit;
    event.ptMouse = kInside;
    m_edit->Event(event);
    closed = closed && m_edit->GetNativeWindow() == nullptr;
    ::UnhookWindowsHookEx(hook);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(m_edit->IsFocused());

    s_pHost->Manager().SetFocus(nullptr);
    s_pHost->Manager().SetFocus(m_edit);
    const HWND hNative = NativeOf(m_edit);
    ASSERT_NE(hNative, nullptr);
    EXPECT_TRUE(::IsWindowVisible(hNative));
}

// "numberonly" reaches the native window, which then refuses letters; turning it off again leaves
// no extra style behind.
TEST_F(EditInput, NumberOnlyRefusesLetters) {
    m_edit->SetAttribute(L"numberonly", L"true");
    m_edit->SetAttribute(L"readonly", L"false");
    const HWND hNative = Open();
    ASSERT_NE(hNative, nullptr);
    EXPECT_NE(::GetWindowLongW(hNative, GWL_STYLE) & ES_NUMBER, 0);
    Type("A7B8");
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_edit->GetText() == L"78"; }, kWaitMs)) << m_edit->GetText();
    m_edit->SetAttribute(L"numberonly", L"false");
    EXPECT_EQ(m_edit->GetWindowStyles(), 0u);
}

// A native background colour makes the child paint with it and with the native text colour; without one
// the system colours stay.
TEST_F(EditInput, NativeColours) {
    HWND hNative = Open();
    ASSERT_NE(hNative, nullptr);
    HDC hDC = ::GetDC(hNative);
    EXPECT_EQ(::SendMessageW(s_pHost->Window(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(hDC),
                             reinterpret_cast<LPARAM>(hNative)),
              0);
    ::ReleaseDC(hNative, hDC);
    s_pHost->Manager().SetFocus(nullptr);
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_edit->GetNativeWindow() == nullptr; }, kWaitMs));

    m_edit->SetAttribute(L"nativebkcolor", L"#FF102030");
    m_edit->SetAttribute(L"nativecolor", L"#FF405060");
    hNative = Open();
    ASSERT_NE(hNative, nullptr);
    hDC = ::GetDC(hNative);
    const LRESULT brush = ::SendMessageW(s_pHost->Window(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(hDC),
                                         reinterpret_cast<LPARAM>(hNative));
    ASSERT_NE(brush, 0);
    LOGBRUSH logBrush = {};
    ::GetObjectW(reinterpret_cast<HBRUSH>(brush), sizeof(logBrush), &logBrush);
    EXPECT_EQ(logBrush.lbColor, RGB(0x10, 0x20, 0x30));
    EXPECT_EQ(::GetTextColor(hDC), RGB(0x40, 0x50, 0x60));
    ::ReleaseDC(hNative, hDC);
}

namespace {

bool HasColor(const std::vector<uint32_t>& pixels, uint32_t rgb) {
    return std::any_of(pixels.begin(), pixels.end(), [&](uint32_t p) { return (p & 0xFFFFFF) == rgb; });
}

}  // namespace

// Closed, a password edit paints one password char per character; an empty edit paints its hint in the
// hint colour, which goes once there is text.
TEST_F(EditInput, PaintsPasswordMaskAndHint) {
    // GDI text keeps no alpha: a bright colour makes it show on the transparent canvas.
    m_edit->SetAttribute(L"textcolor", L"#FF00FF00");
    m_edit->SetAttribute(L"password", L"true");
    m_edit->SetText(L"abc");
    const std::vector<uint32_t> masked = s_pHost->Render();
    m_edit->SetAttribute(L"password", L"false");
    m_edit->SetText(L"***");
    EXPECT_EQ(s_pHost->Render(), masked);
    m_edit->SetText(L"abc");
    EXPECT_NE(s_pHost->Render(), masked);

    m_edit->SetText(L"");
    m_edit->SetAttribute(L"hinttext", L"Pick a folder");
    m_edit->SetAttribute(L"hintcolor", L"#FFFF0000");
    EXPECT_TRUE(HasColor(s_pHost->Render(), 0xFF0000));
    m_edit->SetText(L"C:\\Games");
    EXPECT_FALSE(HasColor(s_pHost->Render(), 0xFF0000));
}
