// Progress bars painted in a real window: the filled part for each mode, value rules, the limits
// normalised at paint time, and vertical bars.
#include "ui/controls/ProgressUI.h"

#include <gtest/gtest.h>

#include "tests/ui/controls/ControlHost.h"

namespace {

using namespace SkinUI;
using namespace ControlTest;

constexpr int kWidth = 500;
constexpr int kHeight = 30;
constexpr uint32_t kFill = 0x20C040;

class ProgressPaint : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_shared = new CControlHost(kWidth, kHeight); }
    static void TearDownTestSuite() {
        delete s_shared;
        s_shared = nullptr;
    }
    void SetUp() override {
        // As wide as the bar: the rounded mode cuts its source from the image's right-hand end.
        m_skin.AddImage(L"fill.png", kWidth, kHeight, kFill);
        m_bar = new CProgressUI;
        m_bar->SetAttribute(L"foreimage", L"fill.png");
        m_host.Attach(m_bar);
        ASSERT_TRUE(m_host.Layout());
    }
    // Width of the filled run along the middle row, from the left.
    int FilledWidth() {
        const auto pixels = m_host.Render();
        int x = 0;
        while (x < kWidth && (m_host.PixelAt(pixels, x, kHeight / 2) & 0xFFFFFF) == kFill)
            ++x;
        return x;
    }
    int FilledHeight(int column) {
        const auto pixels = m_host.Render();
        int n = 0;
        for (int y = 0; y < kHeight; ++y)
            n += (m_host.PixelAt(pixels, column, y) & 0xFFFFFF) == kFill;
        return n;
    }

    static CControlHost* s_shared;
    CSkinFolder m_skin;
    CControlHost& m_host = *s_shared;
    CProgressUI* m_bar = nullptr;
};
CControlHost* ProgressPaint::s_shared = nullptr;

// The filled part is (value - min) / (max - min) of the width, in every drawing mode.
TEST_F(ProgressPaint, FillFollowsTheValueInEveryMode) {
    struct Case {
        int min, max, value, width;
    };
    const Case cases[] = {
        {0, 100, 50, 250}, {0, 100, 0, 0}, {0, 100, 100, 500}, {10, 20, 13, 150}, {0, 3, 1, 166}};
    for (const wchar_t* mode : {L"stretch", L"cut", L"round"}) {
        m_bar->SetStretchForeImage(wcscmp(mode, L"cut") != 0);
        m_bar->SetRoundCorner(wcscmp(mode, L"round") == 0);
        for (const Case& c : cases) {
            m_bar->SetMinValue(c.min);
            m_bar->SetMaxValue(c.max);
            m_bar->SetValue(c.value);
            const int width = FilledWidth();
            // The rounded mode clips 3-pixel corners; the middle row stays whole.
            EXPECT_EQ(width, c.width) << std::string(mode, mode + wcslen(mode)) << " " << c.min << ".."
                                      << c.max << " at " << c.value;
        }
    }
}

// A value outside the range is ignored, not clamped; limits that exclude the value clamp it at
// the next paint, and a maximum not above the minimum becomes minimum + 1.
TEST_F(ProgressPaint, ValueRulesAndLimitsNormalisedAtPaint) {
    m_bar->SetAttribute(L"value", L"50");
    m_bar->SetAttribute(L"value", L"150");
    EXPECT_EQ(m_bar->GetValue(), 50);
    m_bar->SetAttribute(L"value", L"-1");
    EXPECT_EQ(m_bar->GetValue(), 50);

    m_bar->SetAttribute(L"max", L"40");
    EXPECT_EQ(m_bar->GetValue(), 50);
    EXPECT_EQ(FilledWidth(), 500);
    EXPECT_EQ(m_bar->GetValue(), 40);

    m_bar->SetAttribute(L"min", L"40");
    EXPECT_EQ(FilledWidth(), 0);
    EXPECT_EQ(m_bar->GetMaxValue(), 41);
    EXPECT_EQ(m_bar->GetValue(), 40);
}

// A vertical bar fills from the bottom; at the minimum nothing shows.
TEST_F(ProgressPaint, VerticalFillsFromTheBottom) {
    m_bar->SetAttribute(L"hor", L"false");
    m_bar->SetValue(0);
    EXPECT_EQ(FilledHeight(100), 0);
    m_bar->SetValue(50);
    EXPECT_EQ(FilledHeight(100), 15);
    const auto pixels = m_host.Render();
    EXPECT_EQ(m_host.PixelAt(pixels, 100, kHeight - 1) & 0xFFFFFF, kFill);
    EXPECT_NE(m_host.PixelAt(pixels, 100, 0) & 0xFFFFFF, kFill);
}

}  // namespace

namespace {

// Which progress changes are told to screen readers: each new ten percent at once, otherwise at most
// one a second (across the tick count's wrap), and never the same value twice.
TEST(ValueEventThrottle, TensAtOnceOthersOncePerSecond) {
    struct Step {
        int percent;
        DWORD tick;
        bool told;
    };
    const DWORD wrap = 0xFFFFFF00u;
    const Step steps[] = {
        {0, wrap, true},          {1, wrap + 10, false},    {2, wrap + 999, false},
        {3, wrap + 1000, true},   {3, wrap + 5000, false},  {9, wrap + 5001, true},
        {10, wrap + 5002, true},  {11, wrap + 5003, false}, {19, wrap + 5100, false},
        {20, wrap + 5101, true},  {15, wrap + 5102, true},  {16, wrap + 6101, false},
        {17, wrap + 6102, true},
    };
    SkinUI::CValueEventThrottle throttle;
    for (const Step& step : steps)
        EXPECT_EQ(step.told, throttle.Pass(step.percent, step.tick)) << step.percent << " at " << step.tick;
}

}  // namespace
