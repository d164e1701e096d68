#include <gtest/gtest.h>

#include <random>
#include <string>

#include "SkinTestSupport.h"
#include "tests/support/TestEnv.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderKit.h"

using namespace SkinUI;
using SkinTest::CCanvas;

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;

// Counts pixels inside `rc` for which `match` holds, and checks that none outside it changed from `back`.
int CountInside(const CCanvas& canvas,
                const RECT& rc,
                uint32_t back,
                bool (*match)(uint32_t),
                bool checkOutside = true) {
    int count = 0;
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            const POINT pt = {x, y};
            if (PtInRect(&rc, pt)) {
                count += match(canvas.Pixel(x, y)) ? 1 : 0;
            } else if (checkOutside) {
                EXPECT_EQ(back, canvas.Pixel(x, y)) << x << "," << y;
            }
        }
    }
    return count;
}

bool IsRed(uint32_t p) {
    return ((p >> 16) & 0xFF) > 150 && ((p >> 8) & 0xFF) < 110 && (p & 0xFF) < 110;
}

bool IsGreen(uint32_t p) {
    return ((p >> 8) & 0xFF) > 100 && ((p >> 16) & 0xFF) < 90 && (p & 0xFF) < 90;
}

bool IsLinkHover(uint32_t p) {
    // 0xD3215F: red well above green and blue, blue above green.
    return ((p >> 16) & 0xFF) > 140 && ((p >> 8) & 0xFF) < 110 && (p & 0xFF) > ((p >> 8) & 0xFF) + 15;
}

bool IsLink(uint32_t p) {
    return (p & 0xFF) > 150 && ((p >> 16) & 0xFF) < 110 && ((p >> 8) & 0xFF) < 110;
}

bool IsCovered(uint32_t p) {
    return (p >> 24) > 0;
}

// A real window gives the manager its device context and a mouse position.
class RenderKitText : public testing::Test {
protected:
    void SetUp() override {
        m_hWnd = CreateWindowExW(0, L"STATIC", L"text", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr,
                                 nullptr);
        ASSERT_NE(nullptr, m_hWnd);
        m_manager.Init(m_hWnd);
    }
    void TearDown() override { DestroyWindow(m_hWnd); }

    void MoveMouse(int x, int y) {
        LRESULT result = 0;
        m_manager.MessageHandler(WM_MOUSEMOVE, 0, MAKELPARAM(x, y), result);
    }

    HWND m_hWnd = nullptr;
    CPaintManagerUI m_manager;
};

}  // namespace

// Text appears in its colour and stays inside its rectangle.
TEST_F(RenderKitText, TextAppearsInTheGivenColour) {
    CCanvas canvas(100, 40, kWhite);
    RECT rc = {5, 5, 95, 35};
    CRenderKit::DrawText(canvas.DC(), &m_manager, rc, L"Hello skin", 0xFFFF0000, -1,
                         DT_SINGLELINE | DT_VCENTER);
    EXPECT_GT(CountInside(canvas, rc, kWhite, IsRed), 5);

    // Nothing without text or manager.
    CCanvas untouched(20, 20, kWhite);
    RECT all = {0, 0, 20, 20};
    CRenderKit::DrawText(untouched.DC(), &m_manager, all, nullptr, 0xFFFF0000, -1, 0);
    CRenderKit::DrawText(untouched.DC(), nullptr, all, L"x", 0xFFFF0000, -1, 0);
    EXPECT_EQ(0, CountInside(untouched, RECT{}, kWhite, IsRed));

    // Measuring draws nothing and returns the size.
    RECT measured = {0, 0, 0, 0};
    CRenderKit::DrawText(untouched.DC(), &m_manager, measured, L"Hello skin", 0xFFFF0000, -1,
                         DT_SINGLELINE | DT_CALCRECT);
    EXPECT_GT(measured.right, 20);
    EXPECT_GT(measured.bottom, 5);
    EXPECT_EQ(0, CountInside(untouched, RECT{}, kWhite, IsRed));
}

// On a layered window the text keeps a real alpha channel, premultiplied, clipped to its rectangle,
// and aligned like GDI text.
TEST_F(RenderKitText, LayeredTextHasAlpha) {
    m_manager.SetBackgroundTransparent(true);
    CCanvas canvas(120, 40, 0);
    RECT rc = {10, 5, 110, 35};
    CRenderKit::DrawText(canvas.DC(), &m_manager, rc, L"Layered", 0xFFFF0000, -1,
                         DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    EXPECT_GT(CountInside(canvas, rc, 0, IsCovered), 5);
    int leftmost = 1000, rightmost = -1;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 120; ++x) {
            const uint32_t p = canvas.Pixel(x, y);
            if ((p >> 24) == 0)
                continue;
            leftmost = std::min(leftmost, x);
            rightmost = std::max(rightmost, x);
            EXPECT_LE((p >> 16) & 0xFF, p >> 24);  // premultiplied
            EXPECT_EQ(0u, p & 0xFFFF);             // red only
        }
    }
    // Centred: about as much room on the left as on the right.
    EXPECT_LE(std::abs((leftmost - rc.left) - (rc.right - 1 - rightmost)), 6) << leftmost << " " << rightmost;

    // Right and bottom alignment put the text against those edges.
    CCanvas corner(120, 60, 0);
    RECT box = {0, 0, 120, 60};
    CRenderKit::DrawText(corner.DC(), &m_manager, box, L"Edge", 0xFFFF0000, -1,
                         DT_SINGLELINE | DT_RIGHT | DT_BOTTOM);
    int minX = 1000, minY = 1000, maxX = -1, maxY = -1;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 120; ++x) {
            if ((corner.Pixel(x, y) >> 24) == 0)
                continue;
            minX = std::min(minX, x);
            minY = std::min(minY, y);
            maxX = std::max(maxX, x);
            maxY = std::max(maxY, y);
        }
    }
    EXPECT_GT(minX, 60);
    EXPECT_GT(minY, 30);
    EXPECT_GE(maxX, 110);
    EXPECT_GE(maxY, 48);

    CCanvas narrow(60, 30, 0);
    RECT small = {5, 5, 25, 25};
    CRenderKit::DrawText(narrow.DC(), &m_manager, small, L"Much longer than the room", 0xFFFF0000, -1,
                         DT_SINGLELINE);
    EXPECT_GT(CountInside(narrow, small, 0, IsCovered), 0);
    m_manager.SetBackgroundTransparent(false);
}

// Formatted text: colour tags, links reported with their text and rectangle, hover colour on the
// link under the mouse from the previous draw's rectangles.
TEST_F(RenderKitText, HtmlTextColoursAndLinks) {
    CCanvas canvas(200, 40, kWhite);
    RECT rc = {0, 0, 200, 40};
    RECT links[4] = {};
    std::wstring texts[4];
    int count = 0;
    CRenderKit::DrawHtmlText(canvas.DC(), &m_manager, rc, L"plain <b>bold</b> <c #FF00C000>green</c>",
                             0xFF000000, links, texts, count, DT_SINGLELINE);
    EXPECT_EQ(0, count);
    EXPECT_GT(CountInside(canvas, rc, kWhite, IsGreen), 3);

    CCanvas linked(200, 40, kWhite);
    count = 4;
    CRenderKit::DrawHtmlText(linked.DC(), &m_manager, rc, L"go {a http://x}there{/a} now", 0xFF000000, links,
                             texts, count, DT_SINGLELINE);
    ASSERT_EQ(1, count);
    EXPECT_EQ(L"http://x", texts[0]);
    EXPECT_GT(links[0].right, links[0].left);
    EXPECT_GT(links[0].bottom, links[0].top);
    EXPECT_GT(CountInside(linked, links[0], kWhite, IsLink, false), 2);
    EXPECT_EQ(0, CountInside(linked, links[0], kWhite, IsLinkHover, false));

    MoveMouse((links[0].left + links[0].right) / 2, (links[0].top + links[0].bottom) / 2);
    CCanvas hovered(200, 40, kWhite);
    count = 1;
    CRenderKit::DrawHtmlText(hovered.DC(), &m_manager, rc, L"go {a http://x}there{/a} now", 0xFF000000, links,
                             texts, count, DT_SINGLELINE);
    EXPECT_EQ(1, count);
    EXPECT_GT(CountInside(hovered, links[0], kWhite, IsLinkHover, false), 2);

    // No room for links: none reported, still drawn.
    CCanvas roomless(200, 40, kWhite);
    count = 0;
    CRenderKit::DrawHtmlText(roomless.DC(), &m_manager, rc, L"<a x>link</a>", 0xFF000000, links, texts, count,
                             0);
    EXPECT_EQ(0, count);
}

// Measuring: line breaks add lines, single-line mode ignores them, raw text keeps its tags.
TEST_F(RenderKitText, HtmlTextMeasures) {
    CCanvas canvas(10, 10, kWhite);
    int count = 0;
    auto measure = [&](const wchar_t* text, UINT style) {
        RECT rc = {0, 0, 0, 0};
        CRenderKit::DrawHtmlText(canvas.DC(), &m_manager, rc, text, 0xFF000000, nullptr, nullptr, count,
                                 style | DT_CALCRECT);
        return rc;
    };
    const RECT one = measure(L"line", 0);
    const RECT two = measure(L"line<n>line", 0);
    const RECT single = measure(L"line<n>line", DT_SINGLELINE);
    EXPECT_GT(one.right, 0);
    EXPECT_EQ(one.right, two.right);
    EXPECT_EQ(2 * one.bottom, two.bottom);
    EXPECT_EQ(one.bottom, single.bottom);
    EXPECT_EQ(2 * one.right, single.right);
    EXPECT_GT(measure(L"<r><b></r>", 0).right, measure(L"", 0).right);
    EXPECT_EQ(measure(L"abc", 0).right + 7, measure(L"a<x 7>bc", 0).right);
    EXPECT_EQ(30, measure(L"<y 30>tall</y>", 0).bottom);
    EXPECT_EQ(0, CountInside(canvas, RECT{}, kWhite, IsRed));
}

// Wrapped and ellipsised text stays inside its rectangle.
TEST_F(RenderKitText, HtmlTextStaysInside) {
    CCanvas canvas(80, 60, kWhite);
    RECT rc = {5, 5, 75, 55};
    int count = 0;
    CRenderKit::DrawHtmlText(canvas.DC(), &m_manager, rc,
                             L"<c #FFFF0000>a long run of words that wraps over several lines of the box</c>",
                             0xFF000000, nullptr, nullptr, count, 0);
    EXPECT_GT(CountInside(canvas, rc, kWhite, IsRed), 10);
    CCanvas single(80, 30, kWhite);
    RECT line = {5, 5, 60, 25};
    CRenderKit::DrawHtmlText(single.DC(), &m_manager, line,
                             L"<c #FFFF0000>far too long for one short line</c>", 0xFF000000, nullptr,
                             nullptr, count, DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_GT(CountInside(single, line, kWhite, IsRed), 5);
}

// 2,000 damaged formatted strings draw without crashing or leaving the rectangle.
TEST_F(RenderKitText, MutatedHtmlNeverCrashes) {
    const std::wstring base =
        L"<p 2><b>bold</b> {c #FF00FF00}c{/c} <a l>link</a><n><f 0>f</f><x 4><y 20>y</y>"
        L"<s>sel</s><u>u</u><r><raw></r><i file='none.png'></p>";
    const wchar_t alphabet[] = L"<>{}/ #abcfinprsuxy0123456789";
    std::mt19937 random(9);
    CCanvas canvas(120, 60, kWhite);
    RECT links[2];
    std::wstring texts[2];
    for (int round = 0; round < 2000; ++round) {
        std::wstring text = base;
        for (int c = 0; c < 4 && !text.empty(); ++c) {
            const size_t at = random() % text.size();
            if (random() % 2)
                text[at] = alphabet[random() % (sizeof(alphabet) / sizeof(wchar_t) - 1)];
            else
                text.erase(at, 1 + random() % 5);
        }
        RECT rc = {10, 10, 110, 50};
        int count = 2;
        CRenderKit::DrawHtmlText(canvas.DC(), &m_manager, rc, text.c_str(), 0xFF000000, links, texts, count,
                                 random() % 2 ? DT_SINGLELINE : 0);
        ASSERT_LE(count, 2);
    }
    EXPECT_EQ(0, CountInside(canvas, RECT{10, 10, 110, 50}, kWhite, IsRed));
}
