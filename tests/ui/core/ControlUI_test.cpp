// The control base: its attribute table, layout hints, event hooks, and painting of background
// colours, gradients, borders and rounded corners into a real 32-bit DIB.
#include <gtest/gtest.h>

#include "tests/ui/core/SkinTestSupport.h"
#include "ui/core/ControlUI.h"

using SkinTest::CCanvas;
using SkinTest::ColorDistance;
using namespace SkinUI;

namespace {

// "pos": offset from left/top, or from right/bottom when left/top are negative; the width and
// height follow, negative ones ignored.
TEST(ControlAttributesTest, PosSetsOffsetAndSize) {
    struct Case {
        const wchar_t* value;
        SIZE xy;
        int width;
        int height;
    } cases[] = {
        {L"10,20,110,70", {10, 20}, 100, 50},
        {L"-1,5,30,40", {30, 5}, 31, 35},
        {L"177,237,0,0", {177, 237}, 0, 0},
        {L"5,6", {5, 6}, 0, 0},
    };
    for (const Case& c : cases) {
        CControlUI control;
        control.SetAttribute(L"pos", c.value);
        EXPECT_EQ(control.GetFixedXY().cx, c.xy.cx) << c.value;
        EXPECT_EQ(control.GetFixedXY().cy, c.xy.cy) << c.value;
        EXPECT_EQ(control.GetFixedWidth(), c.width) << c.value;
        EXPECT_EQ(control.GetFixedHeight(), c.height) << c.value;
    }
}

// Booleans are true only for "true"; colours are hexadecimal with an optional "#", leading blanks
// skipped only for the background colours; attribute names are matched with their case.
TEST(ControlAttributesTest, BooleansAndColours) {
    CControlUI control;
    control.SetAttribute(L"visible", L"True");
    EXPECT_FALSE(control.IsVisible());
    control.SetAttribute(L"visible", L"true");
    EXPECT_TRUE(control.IsVisible());
    control.SetAttribute(L"bkcolor", L"  #FFFF0000");
    EXPECT_EQ(control.GetBkColor(), 0xFFFF0000u);
    control.SetAttribute(L"bordercolor", L"  #FFFF0000");
    EXPECT_EQ(control.GetBorderColor(), 0u);
    control.SetAttribute(L"bkcolor2", L"#444343");
    EXPECT_EQ(control.GetBkColor2(), 0x00444343u);
    control.SetAttribute(L"focusbordercolor", L"ff444343");
    EXPECT_EQ(control.GetFocusBorderColor(), 0xFF444343u);
    control.SetAttribute(L"BkColor", L"#FF00FF00");
    control.SetAttribute(L"Visible", L"false");
    EXPECT_EQ(control.GetBkColor(), 0xFFFF0000u);
    EXPECT_TRUE(control.IsVisible());
}

// "bordersize" with commas sets the four sides only; a plain number sets the uniform size and clears
// the sides.
TEST(ControlAttributesTest, BorderSizeForms) {
    CControlUI control;
    control.SetAttribute(L"bordersize", L"3");
    control.SetAttribute(L"bordersize", L"1,0,1,0");
    EXPECT_EQ(control.GetBorderSize(), 3);
    EXPECT_EQ(control.GetBorderSizes().left, 1);
    EXPECT_EQ(control.GetBorderSizes().right, 1);
    control.SetAttribute(L"bordersize", L"2");
    EXPECT_EQ(control.GetBorderSize(), 2);
    EXPECT_EQ(control.GetBorderSizes().left, 0);
    control.SetAttribute(L"borderround", L"4,6");
    EXPECT_EQ(control.GetBorderRound().cx, 4);
    EXPECT_EQ(control.GetBorderRound().cy, 6);
}

// Hints: negative sizes ignored, tooltip line breaks, shortcut, and enabled through the parents.
TEST(ControlAttributesTest, HintsTooltipAndInheritedEnabled) {
    CControlUI control;
    control.SetFixedWidth(40);
    control.SetFixedWidth(-5);
    EXPECT_EQ(control.GetFixedWidth(), 40);
    control.SetMinHeight(-1);
    EXPECT_EQ(control.GetMinHeight(), 0);
    EXPECT_EQ(control.GetMaxWidth(), 9999);
    control.SetAttribute(L"tooltip", L"a<n>b<n>");
    EXPECT_EQ(control.GetToolTip(), std::wstring(L"a\r\nb\r\n"));
    control.SetAttribute(L"shortcut", L"Sx");
    EXPECT_EQ(control.GetShortcut(), L'S');
    control.SetAttribute(L"width", L"12px");
    EXPECT_EQ(control.GetFixedWidth(), 12);

    CControlUI parent;
    CControlUI grandParent;
    parent.SetManager(nullptr, &grandParent, false);
    control.SetManager(nullptr, &parent, false);
    EXPECT_TRUE(control.IsEnabled());
    grandParent.SetEnabled(false);
    EXPECT_FALSE(control.IsEnabled());
    EXPECT_FALSE(control.Activate());

    control.SetVirtualWnd(L"");
    parent.SetAttribute(L"virtualwnd", L"page");
    EXPECT_EQ(control.GetVirtualWnd(), std::wstring(L"page"));
}

// Attribute lists: pairs separated by exactly one blank; anything else ends the parse quietly, keeping
// what was applied.
TEST(ControlAttributesTest, AttributeListStopsAtTheFirstMalformedPair) {
    CControlUI a;
    a.ApplyAttributeList(L"name=\"x\" width=\"10\" height=\"20\"");
    EXPECT_EQ(a.GetName(), std::wstring(L"x"));
    EXPECT_EQ(a.GetFixedWidth(), 10);
    EXPECT_EQ(a.GetFixedHeight(), 20);

    CControlUI b;
    b.ApplyAttributeList(L"width=\"10\"  height=\"20\"");
    EXPECT_EQ(b.GetFixedWidth(), 10);
    EXPECT_EQ(b.GetFixedHeight(), 0);

    CControlUI c;
    c.ApplyAttributeList(L"width=\"10\" height=20 name=\"n\"");
    EXPECT_EQ(c.GetFixedWidth(), 10);
    EXPECT_EQ(c.GetFixedHeight(), 0);
    EXPECT_EQ(c.GetName(), std::wstring());

    CControlUI d;
    d.ApplyAttributeList(L"width=\"10");
    EXPECT_EQ(d.GetFixedWidth(), 0);
}

bool RefuseOnce(void* param) {
    return static_cast<TEventUI*>(param)->wParam != 1;
}

struct CCounter {
    int calls = 0;
    bool Count(void*) {
        ++calls;
        return true;
    }
};

// Event hooks run in order, a duplicate is not added twice, and a false result stops DoEvent.
TEST(ControlHooksTest, OnEventCanSwallowAnEvent) {
    struct CFocusProbe : CControlUI {
        int focusEvents = 0;
        void DoEvent(TEventUI& event) override {
            focusEvents += event.type == kEventSetFocus ? 1 : 0;
            CControlUI::DoEvent(event);
        }
    } control;
    CCounter counter;
    control.OnEvent += MakeDelegate(&counter, &CCounter::Count);
    control.OnEvent += MakeDelegate(&counter, &CCounter::Count);
    control.OnEvent += MakeDelegate(&RefuseOnce);

    TEventUI event;
    event.type = kEventSetFocus;
    event.wParam = 1;
    control.Event(event);
    EXPECT_EQ(counter.calls, 1);
    EXPECT_EQ(control.focusEvents, 0);
    EXPECT_FALSE(control.IsFocused());
    event.wParam = 0;
    control.Event(event);
    EXPECT_EQ(counter.calls, 2);
    EXPECT_EQ(control.focusEvents, 1);
    EXPECT_TRUE(control.IsFocused());

    control.OnEvent -= MakeDelegate(&RefuseOnce);
    event.wParam = 1;
    control.Event(event);
    EXPECT_EQ(control.focusEvents, 2);
}

// The destroy hook runs from the destructor with the control itself.
TEST(ControlHooksTest, OnDestroyRunsWithTheControl) {
    static CControlUI* s_seen = nullptr;
    auto* control = new CControlUI();
    control->OnDestroy += MakeDelegate(+[](void* p) {
        s_seen = static_cast<CControlUI*>(p);
        return true;
    });
    CControlUI* expected = control;
    delete control;
    EXPECT_EQ(s_seen, expected);
}

// Painting of a control placed at (10, 10, 50, 40) on a white canvas.
class ControlPaintTest : public ::testing::Test {
protected:
    ControlPaintTest() : m_canvas(60, 50, 0xFFFFFFFF) { m_control.SetPos(RECT{10, 10, 50, 40}); }
    void Paint(RECT rcPaint = {0, 0, 60, 50}) { m_control.DoPaint(m_canvas.DC(), rcPaint); }
    CCanvas m_canvas;
    CControlUI m_control;
};

// An opaque colour fills only the repainted part; a translucent one blends over the whole control.
TEST_F(ControlPaintTest, OpaqueColourFillsThePaintRectOnly) {
    m_control.SetBkColor(0xFFFF0000);
    Paint(RECT{0, 0, 30, 50});
    EXPECT_EQ(m_canvas.Rgb(15, 15), 0xFF0000u);
    EXPECT_EQ(m_canvas.Rgb(40, 15), 0xFFFFFFu);
    EXPECT_EQ(m_canvas.Rgb(5, 5), 0xFFFFFFu);
    EXPECT_EQ(m_canvas.Rgb(10, 10), 0xFF0000u);
    EXPECT_EQ(m_canvas.Rgb(29, 39), 0xFF0000u);
    EXPECT_EQ(m_canvas.Rgb(20, 40), 0xFFFFFFu);
}

TEST_F(ControlPaintTest, TranslucentColourBlendsOverTheItemRect) {
    m_control.SetBkColor(0x80000000);
    Paint(RECT{0, 0, 30, 50});
    EXPECT_LE(ColorDistance(m_canvas.Pixel(15, 15) | 0xFF000000, 0xFF7F7F7F), 3);
    EXPECT_LE(ColorDistance(m_canvas.Pixel(45, 15) | 0xFF000000, 0xFF7F7F7F), 3);
    EXPECT_EQ(m_canvas.Rgb(55, 15), 0xFFFFFFu);
}

// Two colours: a vertical gradient from the first at the top to the second at the bottom.
TEST_F(ControlPaintTest, TwoColoursPaintAVerticalGradient) {
    m_control.SetBkColor(0xFF0000FF);
    m_control.SetBkColor2(0xFFFF0000);
    Paint();
    EXPECT_LE(ColorDistance(m_canvas.Pixel(30, 10) | 0xFF000000, 0xFF0000FF), 40);
    EXPECT_LE(ColorDistance(m_canvas.Pixel(30, 39) | 0xFF000000, 0xFFFF0000), 40);
}

// Per-side sizes draw only those sides, in the border colour.
TEST_F(ControlPaintTest, SideBordersDrawOnlyTheirSides) {
    m_control.SetAttribute(L"bordercolor", L"#FF00FF00");
    m_control.SetAttribute(L"bordersize", L"1,0,1,0");
    Paint();
    EXPECT_EQ(m_canvas.Rgb(10, 25), 0x00FF00u);
    EXPECT_EQ(m_canvas.Rgb(50, 25), 0x00FF00u);
    EXPECT_EQ(m_canvas.Rgb(30, 10), 0xFFFFFFu);
    EXPECT_EQ(m_canvas.Rgb(30, 39), 0xFFFFFFu);
    EXPECT_EQ(m_canvas.Rgb(11, 25), 0xFFFFFFu);
}

// A uniform border outlines the control inside its rectangle; focus switches to the focus colour.
TEST_F(ControlPaintTest, UniformBorderAndFocusColour) {
    m_control.SetBorderColor(0xFF0000FF);
    m_control.SetFocusBorderColor(0xFFFF0000);
    m_control.SetBorderSize(2);
    Paint();
    EXPECT_EQ(m_canvas.Rgb(10, 25), 0x0000FFu);
    EXPECT_EQ(m_canvas.Rgb(11, 25), 0x0000FFu);
    EXPECT_EQ(m_canvas.Rgb(12, 25), 0xFFFFFFu);
    EXPECT_EQ(m_canvas.Rgb(49, 39), 0x0000FFu);
    TEventUI focus;
    focus.type = kEventSetFocus;
    m_control.Event(focus);
    Paint();
    EXPECT_EQ(m_canvas.Rgb(10, 25), 0xFF0000u);
}

// Rounded corners clip the background: the canvas shows through outside the arc.
TEST_F(ControlPaintTest, BorderRoundClipsTheCorners) {
    m_control.SetBkColor(0xFF000000);
    m_control.SetBorderRound(SIZE{16, 16});
    Paint();
    EXPECT_EQ(m_canvas.Rgb(10, 10), 0xFFFFFFu);
    EXPECT_EQ(m_canvas.Rgb(49, 39), 0xFFFFFFu);
    EXPECT_EQ(m_canvas.Rgb(30, 25), 0x000000u);
    EXPECT_EQ(m_canvas.Rgb(30, 10), 0x000000u);
    // The clip is restored afterwards.
    CControlUI next;
    next.SetPos(RECT{0, 0, 60, 50});
    next.SetBkColor(0xFF00FF00);
    next.DoPaint(m_canvas.DC(), RECT{0, 0, 60, 50});
    EXPECT_EQ(m_canvas.Rgb(10, 10), 0x00FF00u);
}

}  // namespace
