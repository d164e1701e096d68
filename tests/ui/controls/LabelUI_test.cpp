// Labels: the attribute rules, default and disabled colours as painted in a real window, the size
// a label asks for, and the GDI+ text effects.
#include "ui/controls/LabelUI.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/ui/controls/ControlHost.h"
#include "ui/controls/VerticalLayoutUI.h"

namespace {

using namespace SkinUI;
using namespace ControlTest;

constexpr int kWidth = 160;
constexpr int kHeight = 40;

enum class Tint { kRed = 16, kGreen = 8, kBlue = 0 };

// Counts the pixels in which one channel clearly dominates the other two: thin anti-aliased text
// rarely reaches its exact colour on a white ground, but keeps its hue.
int CountTinted(const std::vector<uint32_t>& pixels, Tint tint) {
    const int shift = static_cast<int>(tint);
    int n = 0;
    for (uint32_t pixel : pixels) {
        const int r = (pixel >> 16) & 0xFF;
        const int g = (pixel >> 8) & 0xFF;
        const int b = pixel & 0xFF;
        const int own = (pixel >> shift) & 0xFF;
        const int others = r + g + b - own;
        n += own - others / 2 > 40;
    }
    return n;
}

// "align" words are looked for as substrings, in a fixed order, on top of the current style.
TEST(LabelAttributes, AlignWordsCombineAsSubstrings) {
    struct Case {
        const wchar_t* value;
        UINT style;
    };
    const Case cases[] = {
        {L"vcenter", DT_CENTER | DT_VCENTER | DT_SINGLELINE},
        {L"left", 0},
        {L"center", DT_CENTER | DT_VCENTER},
        {L"right", DT_RIGHT},
        {L"top", DT_SINGLELINE},
        {L"bottom", DT_BOTTOM | DT_SINGLELINE},
        {L"vleft", DT_VCENTER},
        {L"nothing", DT_VCENTER},
    };
    for (const Case& c : cases) {
        CLabelUI label;
        label.SetAttribute(L"align", c.value);
        EXPECT_EQ(label.GetTextStyle(), c.style) << std::string(c.value, c.value + wcslen(c.value));
    }
    CLabelUI label;
    label.SetAttribute(L"endellipsis", L"true");
    EXPECT_EQ(label.GetTextStyle(), UINT(DT_VCENTER | DT_END_ELLIPSIS));
    label.SetAttribute(L"endellipsis", L"True");
    EXPECT_EQ(label.GetTextStyle(), UINT(DT_VCENTER));
}

// Numbers outside their range and the shadow offset's distance-and-angle form.
TEST(LabelAttributes, RenderingHintAndShadowOffset) {
    struct Hint {
        const wchar_t* value;
        int stored;
    };
    for (const Hint& h : {Hint{L"7", 0}, Hint{L"5", 5}, Hint{L"-1", 0}, Hint{L"3", 3}}) {
        CLabelUI label;
        label.SetAttribute(L"rhaa", h.value);
        EXPECT_EQ(label.GetTextRenderingHint(), h.stored);
    }
    struct Offset {
        const wchar_t* value;
        POINT offset;
    };
    const Offset offsets[] = {
        {L"2,45", {-2, -2}}, {L"2,-45", {2, -2}}, {L"2,135", {-2, 2}},
        {L"2,-90", {2, 0}},  {L"2,-135", {2, 2}}, {L"3,181", {0, 0}},
    };
    for (const Offset& o : offsets) {
        CLabelUI label;
        label.SetAttribute(L"shadowoffset", o.value);
        EXPECT_EQ(label.GetShadowOffset().x, o.offset.x) << std::string(o.value, o.value + wcslen(o.value));
        EXPECT_EQ(label.GetShadowOffset().y, o.offset.y) << std::string(o.value, o.value + wcslen(o.value));
    }
}

class LabelPaint : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_shared = new CControlHost(kWidth, kHeight); }
    static void TearDownTestSuite() {
        delete s_shared;
        s_shared = nullptr;
    }
    // A label on a white layout, so that text pixels stand out.
    CLabelUI* Show(const wchar_t* text) {
        auto* label = new CLabelUI;
        label->SetText(text);
        return Show(label);
    }
    CLabelUI* Show(CLabelUI* label) {
        auto* layout = new CVerticalLayoutUI;
        layout->SetAttribute(L"bkcolor", L"#FFFFFFFF");
        layout->Add(label);
        m_host.Attach(layout);
        m_host.Layout();
        return label;
    }
    static CControlHost* s_shared;
    CControlHost& m_host = *s_shared;
};
CControlHost* LabelPaint::s_shared = nullptr;

// An unset text colour paints in the manager's default and is replaced by it for good.
TEST_F(LabelPaint, UnsetColourBecomesTheDefault) {
    m_host.Manager().SetDefaultFontColor(0xFF0000FF);
    auto* label = new CLabelUI;
    label->SetText(L"WWWW");
    EXPECT_EQ(label->GetTextColor(), 0u);
    Show(label);
    const auto pixels = m_host.Render();
    EXPECT_GT(CountTinted(pixels, Tint::kBlue), 10);
    EXPECT_EQ(label->GetTextColor(), 0xFF0000FFu);
    m_host.Manager().SetDefaultFontColor(0xFF000000);
}

// A label inside a disabled container paints in its disabled colour.
TEST_F(LabelPaint, InsideADisabledContainerPaintsDisabled) {
    CLabelUI* label = Show(L"WWWW");
    label->SetAttribute(L"textcolor", L"#FF0000FF");
    label->SetAttribute(L"disabledtextcolor", L"#FFFF0000");
    EXPECT_GT(CountTinted(m_host.Render(), Tint::kBlue), 10);
    label->GetParent()->SetEnabled(false);
    EXPECT_FALSE(label->IsEnabled());
    const auto pixels = m_host.Render();
    EXPECT_GT(CountTinted(pixels, Tint::kRed), 10);
    EXPECT_EQ(CountTinted(pixels, Tint::kBlue), 0);
}

// Without a height a label asks for its font's height plus 4.
TEST_F(LabelPaint, EstimatedHeightFollowsTheFont) {
    CLabelUI* label = Show(L"x");
    const TFontInfo* font = m_host.Manager().GetFontInfo(-1);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(label->EstimateSize(SIZE{100, 100}).cy, font->tm.tmHeight + 4);
    label->SetFixedHeight(21);
    EXPECT_EQ(label->EstimateSize(SIZE{100, 100}).cy, 21);
}

// With effects, the text goes to the effect text and is drawn anti-aliased by GDI+, outline
// and shadow included.
TEST_F(LabelPaint, EffectsDrawTheEffectText) {
    CLabelUI* label = Show(L"");
    label->SetAttribute(L"enabledeffect", L"true");
    label->SetAttribute(L"textcolor", L"#FF00A000");
    label->SetAttribute(L"transtext", L"255");
    label->SetAttribute(L"transtext1", L"255");
    label->SetText(L"WWWW");
    EXPECT_EQ(label->GetText(), L"WWWW");
    EXPECT_TRUE(label->CControlUI::GetText().empty());
    const int plain = CountTinted(m_host.Render(), Tint::kGreen);
    EXPECT_GT(plain, 10);

    label->SetAttribute(L"enabledstroke", L"true");
    label->SetAttribute(L"strokecolor", L"#FFFF0000");
    EXPECT_GT(CountTinted(m_host.Render(), Tint::kRed), 10) << "no outline";
    label->SetAttribute(L"enabledstroke", L"false");
    label->SetAttribute(L"enabledshadow", L"true");
    label->SetAttribute(L"textshadowcolora", L"#FF0000FF");
    label->SetAttribute(L"transshadow", L"255");
    label->SetAttribute(L"transshadow1", L"255");
    label->SetAttribute(L"shadowoffset", L"3,45");
    EXPECT_GT(CountTinted(m_host.Render(), Tint::kBlue), 10) << "no shadow";
}

}  // namespace
