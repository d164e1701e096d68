// Buttons under real mouse and keyboard input in a real window: state looks, "click" only on a
// release over the button, disabled looks and the keyboard path.
#include "ui/controls/ButtonUI.h"

#include <gtest/gtest.h>

#include "tests/support/TestEnv.h"
#include "tests/ui/controls/ControlHost.h"

namespace {

using SkinUI::CButtonUI;
using namespace ControlTest;

constexpr int kWidth = 200;
constexpr int kHeight = 60;
constexpr DWORD kWaitMs = 3000;
constexpr uint32_t kNormal = 0xC02020;
constexpr uint32_t kHot = 0x20C020;
constexpr uint32_t kPushed = 0x2020C0;
constexpr uint32_t kDisabled = 0x808080;
const POINT kInside = {kWidth / 2, kHeight / 2};
const POINT kOutside = {kWidth + 40, kHeight / 2};

class ButtonInput : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_shared = new CControlHost(kWidth, kHeight); }
    static void TearDownTestSuite() {
        delete s_shared;
        s_shared = nullptr;
    }

    void SetUp() override {
        m_skin.AddImage(L"normal.png", 8, 8, kNormal);
        m_skin.AddImage(L"hot.png", 8, 8, kHot);
        m_skin.AddImage(L"pushed.png", 8, 8, kPushed);
        m_skin.AddImage(L"disabled.png", 8, 8, kDisabled);
        m_button = new CButtonUI;
        m_button->SetName(L"btn");
        m_button->SetAttribute(L"normalimage", L"normal.png");
        m_button->SetAttribute(L"hotimage", L"hot.png");
        m_button->SetAttribute(L"pushedimage", L"pushed.png");
        m_host.Attach(m_button);
        ASSERT_TRUE(m_host.Layout());
        // Start from a cursor away from the window, whatever the previous test left.
        m_host.MoveMouse(kOutside);
        TestEnv::PumpFor(50);
        m_host.ClearNotifications();
    }

    bool WaitState(UINT bits, bool set) {
        return TestEnv::PumpUntil([&] { return ((m_button->GetButtonState() & bits) == bits) == set; },
                                  kWaitMs);
    }
    uint32_t Look() {
        const auto pixels = m_host.Render();
        return m_host.PixelAt(pixels, kInside.x, kInside.y) & 0xFFFFFF;
    }
    int Clicks() const {
        int n = 0;
        for (const auto& note : m_host.Notifications())
            n += note == L"btn:click";
        return n;
    }

    static CControlHost* s_shared;
    CSkinFolder m_skin;
    CControlHost& m_host = *s_shared;
    CButtonUI* m_button = nullptr;
};

CControlHost* ButtonInput::s_shared = nullptr;

// Hovering shows the hot image, pressing the pushed one, and releasing over the button clicks once.
TEST_F(ButtonInput, HoverPressAndReleaseChangeTheLookAndClickOnce) {
    EXPECT_EQ(Look(), kNormal);
    m_host.MoveMouse(kInside);
    ASSERT_TRUE(WaitState(SkinUI::kStateHot, true));
    EXPECT_EQ(Look(), kHot);

    m_host.PressLeft();
    ASSERT_TRUE(WaitState(SkinUI::kStatePushed | SkinUI::kStateCaptured, true));
    EXPECT_EQ(Look(), kPushed);
    EXPECT_EQ(Clicks(), 0);

    m_host.ReleaseLeft();
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return Clicks() == 1; }, kWaitMs));
    EXPECT_TRUE(WaitState(SkinUI::kStatePushed, false));
    EXPECT_EQ(Look(), kHot);

    m_host.MoveMouse(kOutside);
    ASSERT_TRUE(WaitState(SkinUI::kStateHot, false));
    EXPECT_EQ(Look(), kNormal);
    EXPECT_EQ(Clicks(), 1);
}

// A press dragged off the button and released there is abandoned; dragged back in, it clicks.
TEST_F(ButtonInput, ReleaseOutsideSendsNoClickButComingBackDoes) {
    m_host.MoveMouse(kInside);
    ASSERT_TRUE(WaitState(SkinUI::kStateHot, true));
    m_host.PressLeft();
    ASSERT_TRUE(WaitState(SkinUI::kStatePushed, true));
    m_host.MoveMouse(kOutside);
    ASSERT_TRUE(WaitState(SkinUI::kStatePushed, false));
    EXPECT_TRUE((m_button->GetButtonState() & SkinUI::kStateCaptured) != 0);
    m_host.ReleaseLeft();
    ASSERT_TRUE(WaitState(SkinUI::kStateCaptured, false));
    TestEnv::PumpFor(50);
    EXPECT_EQ(Clicks(), 0);

    m_host.MoveMouse(kInside);
    ASSERT_TRUE(WaitState(SkinUI::kStateHot, true));
    m_host.PressLeft();
    ASSERT_TRUE(WaitState(SkinUI::kStatePushed, true));
    m_host.MoveMouse(kOutside);
    ASSERT_TRUE(WaitState(SkinUI::kStatePushed, false));
    m_host.MoveMouse(kInside);
    ASSERT_TRUE(WaitState(SkinUI::kStatePushed, true));
    m_host.ReleaseLeft();
    EXPECT_TRUE(TestEnv::PumpUntil([&] { return Clicks() == 1; }, kWaitMs));
}

// Disabling drops hot and pushed and shows the disabled image, or the normal one without it.
TEST_F(ButtonInput, DisabledLooksAndStateReset) {
    m_host.MoveMouse(kInside);
    ASSERT_TRUE(WaitState(SkinUI::kStateHot, true));
    m_host.PressLeft();
    ASSERT_TRUE(WaitState(SkinUI::kStatePushed, true));
    m_button->SetEnabled(false);
    EXPECT_EQ(m_button->GetButtonState() & (SkinUI::kStateHot | SkinUI::kStatePushed), 0u);
    EXPECT_EQ(Look(), kNormal);
    m_button->SetAttribute(L"disabledimage", L"disabled.png");
    EXPECT_EQ(Look(), kDisabled);
    m_host.ReleaseLeft();
    TestEnv::PumpFor(50);
    EXPECT_EQ(Clicks(), 0);
    // A disabled button takes no hover either.
    m_host.MoveMouse(kOutside);
    m_host.MoveMouse(kInside);
    TestEnv::PumpFor(100);
    EXPECT_EQ(m_button->GetButtonState() & SkinUI::kStateHot, 0u);
}

// Space and return activate the focused button; other keys do not.
TEST_F(ButtonInput, SpaceAndReturnClickTheFocusedButton) {
    m_button->SetFocus();
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_button->IsFocused(); }, kWaitMs));
    m_host.PressKey('A');
    m_host.PressKey(VK_SPACE);
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return Clicks() == 1; }, kWaitMs));
    m_host.PressKey(VK_RETURN);
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return Clicks() == 2; }, kWaitMs));
    TestEnv::PumpFor(50);
    EXPECT_EQ(Clicks(), 2);
}

// Without a fixed height a button asks for its font's height plus 8, a label for plus 4.
TEST_F(ButtonInput, EstimatedHeightFollowsTheFont) {
    const SkinUI::TFontInfo* font = m_host.Manager().GetFontInfo(-1);
    ASSERT_NE(font, nullptr);
    ASSERT_GT(font->tm.tmHeight, 0);
    m_button->SetFixedWidth(70);
    EXPECT_EQ(m_button->EstimateSize(SIZE{300, 300}).cx, 70);
    EXPECT_EQ(m_button->EstimateSize(SIZE{300, 300}).cy, font->tm.tmHeight + 8);
    m_button->SetFixedHeight(33);
    EXPECT_EQ(m_button->EstimateSize(SIZE{300, 300}).cy, 33);
}

// With the fade effect, hovering cross-fades normal to hot frame by frame instead of switching.
TEST_F(ButtonInput, FadeCrossFadesFrameByFrame) {
    m_button->SetAttribute(L"fadeeffect", L"true");
    SkinUI::TEventUI enter;
    enter.type = SkinUI::kEventMouseEnter;
    enter.ptMouse = kInside;
    m_button->DoEvent(enter);
    EXPECT_TRUE(m_button->IsFading());
    EXPECT_EQ(m_button->GetButtonState() & SkinUI::kStateHot, 0u);
    // Frames are stepped by hand here; no message is pumped, so the real timer cannot interfere.
    SkinUI::TEventUI tick;
    tick.type = SkinUI::kEventTimer;
    tick.wParam = CButtonUI::kFadeTimerId;
    // The window's own paint inside Look() takes the first frame; the cross-fade starts at normal.
    EXPECT_EQ(Look(), kNormal);
    for (int i = 0; i < CButtonUI::kFadeFrames / 2; ++i)
        m_button->DoEvent(tick);
    EXPECT_EQ(m_button->GetFadeAlpha(), 127);
    const uint32_t middle = Look();
    EXPECT_GE((middle >> 16) & 0xFF, 0x30u) << std::hex << middle;
    EXPECT_GE((middle >> 8) & 0xFF, 0x30u) << std::hex << middle;
    EXPECT_NE(middle, kNormal);
    EXPECT_NE(middle, kHot);
    for (int i = 0; i < CButtonUI::kFadeFrames / 2; ++i)
        m_button->DoEvent(tick);
    EXPECT_FALSE(m_button->IsFading());
    EXPECT_EQ(Look(), kHot);
}

// Driven by the real timer and real mouse, the fade ends on the hot image and fades back out.
TEST_F(ButtonInput, FadeRunsOnItsTimerUnderRealInput) {
    m_button->SetAttribute(L"fadeeffect", L"true");
    m_host.MoveMouse(kInside);
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_button->IsFading(); }, kWaitMs));
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return !m_button->IsFading(); }, kWaitMs));
    EXPECT_EQ(Look(), kHot);
    m_host.MoveMouse(kOutside);
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_button->IsFading(); }, kWaitMs));
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return !m_button->IsFading(); }, kWaitMs));
    EXPECT_EQ(Look(), kNormal);
    EXPECT_EQ(Clicks(), 0);
}

}  // namespace
