// The installer's two layouts, built from the skin archive inside this executable into real windows:
// the control trees match the layouts control by control, the window settings reach the paint
// manager, the start page shows first, the real mouse drives the start page's controls, and every
// page is rendered to PNG files under the build folder for review.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <sstream>
#include <vector>
#include <string>

#include "tests/support/TestEnv.h"
#include "tests/ui/controls/ControlHost.h"
#include "ui/controls/ButtonUI.h"
#include "ui/controls/LabelUI.h"
#include "ui/controls/OptionUI.h"
#include "ui/controls/ProgressUI.h"
#include "ui/controls/StandardControls.h"
#include "ui/controls/TabLayoutUI.h"
#include "ui/core/DpiScale.h"
#include "ui/core/SkinBuilder.h"
#include "ui/core/SkinResources.h"

namespace {

using namespace SkinUI;
using ControlTest::CControlHost;

constexpr UINT kSkinArchiveId = 150;
constexpr DWORD kWaitMs = 3000;

// One line per control: indentation by depth, class, then the name and text when present.
void Walk(CControlUI* control, int depth, std::wstringstream& out) {
    out << std::wstring(depth * 2, L' ') << control->GetClass();
    if (!control->GetName().empty())
        out << L" " << control->GetName();
    if (!control->GetText().empty())
        out << L" \"" << control->GetText() << L"\"";
    out << L"\n";
    if (auto* container = static_cast<IContainerUI*>(control->GetInterface(L"IContainer"))) {
        for (int i = 0; i < container->GetCount(); ++i)
            Walk(container->GetItemAt(i), depth + 1, out);
    }
}

std::wstring Tree(CControlUI* root) {
    std::wstringstream out;
    Walk(root, 0, out);
    return out.str();
}

std::string Narrow(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring RenderFolder() {
    const std::wstring folder = TestEnv::BinaryDir() + L"\\skin-pages";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

// Builds one layout of the embedded archive into its own window (fonts and images are per window).
class SkinWindow {
public:
    SkinWindow(const wchar_t* file, int width, int height) : m_host(width, height) {
        RegisterStandardControls();
        if (!CSkinResources::LoadResourceZipBuffer(kSkinArchiveId))
            return;
        CSkinResources::SetResourceZip();
        CSkinBuilder builder;
        m_root = builder.Create(file, nullptr, nullptr, &m_host.Manager());
        if (m_root != nullptr)
            m_host.Attach(m_root);
    }
    CControlHost& Host() { return m_host; }
    CControlUI* Root() const { return m_root; }
    template <class T>
    T* Find(const wchar_t* name) {
        return static_cast<T*>(m_host.Manager().FindControl(name));
    }
    std::wstring Save(const wchar_t* name) {
        const std::wstring path = RenderFolder() + L"\\" + name;
        return m_host.SavePng(m_host.Render(), path) ? path : std::wstring();
    }

private:
    CControlHost m_host;
    CControlUI* m_root = nullptr;
};

// Rectangles of the visible named controls of every page (every page of tb_main, or the one page of a
// layout without it), keyed by page and name.
using PlacedControls = std::map<std::wstring, RECT>;

void CollectNamed(CControlUI* control, const std::wstring& page, PlacedControls& out) {
    if (!control->IsVisible())
        return;
    if (!control->GetName().empty())
        out[page + L":" + control->GetName()] = control->GetPos();
    if (auto* container = static_cast<IContainerUI*>(control->GetInterface(L"IContainer"))) {
        for (int i = 0; i < container->GetCount(); ++i)
            CollectNamed(container->GetItemAt(i), page, out);
    }
}

// Rescales the built window to `dpi` as a move to another screen does, and lays out every page.
PlacedControls PlaceAt(SkinWindow& window, UINT dpi, SIZE base) {
    CControlHost& host = window.Host();
    host.Manager().SetDpi(dpi);
    const CDpiScale scale(dpi);
    host.Resize(scale.Scale(base.cx), scale.Scale(base.cy));
    PlacedControls placed;
    auto* tabs = window.Find<CTabLayoutUI>(L"tb_main");
    const int pages = tabs != nullptr ? tabs->GetCount() : 1;
    for (int page = 0; page < pages; ++page) {
        if (tabs != nullptr)
            tabs->SelectItem(page);
        EXPECT_TRUE(host.Layout());
        CollectNamed(window.Root(), std::to_wstring(page), placed);
    }
    if (tabs != nullptr)
        tabs->SelectItem(0);
    return placed;
}

// At 125, 150 and 200 % every named control of every page sits at its 100 % rectangle times the
// scale, within a pixel, and every font's cell height grows with the scale; back at 100 % all is as
// before.
void ExpectScalesWithTheDisplay(SkinWindow& window, SIZE base) {
    CPaintManagerUI& pm = window.Host().Manager();
    const PlacedControls original = PlaceAt(window, 96, base);
    std::vector<LONG> heights;
    for (int i = 0; i < pm.GetCustomFontCount(); ++i)
        heights.push_back(pm.GetFontInfo(i)->tm.tmHeight);
    ASSERT_GT(original.size(), 5u);
    for (UINT dpi : {120u, 144u, 192u, 96u}) {
        const PlacedControls placed = PlaceAt(window, dpi, base);
        ASSERT_EQ(placed.size(), original.size()) << dpi;
        for (const auto& [name, rc] : original) {
            const RECT& got = placed.at(name);
            const double s = dpi / 96.0;
            const bool withinPixel = std::abs(got.left - rc.left * s) <= 1 && std::abs(got.top - rc.top * s) <= 1 &&
                              std::abs(got.right - rc.right * s) <= 1 &&
                              std::abs(got.bottom - rc.bottom * s) <= 1;
            EXPECT_TRUE(withinPixel) << dpi << " " << Narrow(name) << ": " << got.left << "," << got.top << ","
                              << got.right << "," << got.bottom;
        }
        for (int i = 0; i < pm.GetCustomFontCount(); ++i) {
            EXPECT_NEAR(pm.GetFontInfo(i)->tm.tmHeight, heights[i] * dpi / 96.0, 1.5) << dpi << " font " << i;
        }
    }
}

class MainLayout : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_window = new SkinWindow(L"InstallPackages.xml", 540, 355); }
    static void TearDownTestSuite() {
        delete s_window;
        s_window = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(s_window->Root(), nullptr) << "InstallPackages.xml did not build";
        ASSERT_TRUE(s_window->Host().Layout());
        m_tabs = s_window->Find<CTabLayoutUI>(L"tb_main");
        ASSERT_NE(m_tabs, nullptr);
        m_tabs->SelectItem(0);
    }
    static SkinWindow* s_window;
    CTabLayoutUI* m_tabs = nullptr;
};
SkinWindow* MainLayout::s_window = nullptr;

// The whole tree, control by control, with names and texts.
TEST_F(MainLayout, TreeMatchesTheLayout) {
    const std::wstring head =
        L"ContainerUI\n"
        L"  VerticalLayoutUI VerticalLayoutUI1\n"
        L"    VerticalLayoutUI VerticalLayoutUI4\n"
        L"      TabLayoutUI tb_main\n"
        L"        VerticalLayoutUI vlt_install\n"
        L"          HorizontalLayoutUI\n"
        L"            ButtonUI btn_install\n"
        L"          HorizontalLayoutUI\n"
        L"            OptionUI opt_agree \"同意\"\n"
        L"            ButtonUI btn_agreement\n"
        L"            ButtonUI btn_free\n"
        L"        VerticalLayoutUI vlt_content\n"
        L"          HorizontalLayoutUI\n"
        L"          HorizontalLayoutUI\n"
        L"            LabelUI \"安装目录\"\n";
    const std::wstring tail =
        L"            ButtonUI btn_select\n"
        L"            LabelUI \"所需磁盘空间：120MB\"\n"
        L"            LabelUI \"可用磁盘空间：\"\n"
        L"            LabelUI lb_leftspace\n"
        L"            ButtonUI btn_install2\n"
        L"        VerticalLayoutUI\n"
        L"          HorizontalLayoutUI\n"
        L"          VerticalLayoutUI\n"
        L"            ProgressUI pro_InstallProgress\n"
        L"            HorizontalLayoutUI\n"
        L"              LabelUI lb_download \"下载中\"\n"
        L"              LabelUI lb_speed\n"
        L"  VerticalLayoutUI VerticalLayoutUI2\n"
        L"    ButtonUI btn_min\n"
        L"    ButtonUI btn_close\n";
    const std::wstring expected = head + L"            EditUI edit_input\n" + tail;
    EXPECT_EQ(Narrow(Tree(s_window->Root())), Narrow(expected));
}

// The Window element's settings and the two fonts reach the paint manager.
TEST_F(MainLayout, WindowSettingsAndFonts) {
    CPaintManagerUI& pm = s_window->Host().Manager();
    const RECT init = pm.GetInitSize();
    EXPECT_EQ(init.right - init.left, 540);
    EXPECT_EQ(init.bottom - init.top, 355);
    EXPECT_EQ(pm.GetMinInfo().cx, 540);
    EXPECT_EQ(pm.GetMinInfo().cy, 355);
    EXPECT_EQ(pm.GetMaxInfo().cx, 540);
    EXPECT_EQ(pm.GetMaxInfo().cy, 355);
    const RECT caption = pm.GetCaptionRect();
    EXPECT_EQ(caption.bottom, 100);
    EXPECT_EQ(caption.left + caption.top + caption.right, 0);
    EXPECT_FALSE(pm.IsBackgroundTransparent());
    EXPECT_TRUE(pm.IsShadow());
    EXPECT_EQ(pm.GetShadowImage(), L"shadow.png");
    const RECT border = pm.GetShadowBorder();
    EXPECT_EQ(border.left, 5);
    EXPECT_EQ(border.top, 4);
    EXPECT_EQ(border.right, 5);
    EXPECT_EQ(border.bottom, 6);
    EXPECT_EQ(pm.GetRoundCorner().cx, 2);
    EXPECT_EQ(pm.GetRoundCorner().cy, 2);

    ASSERT_EQ(pm.GetCustomFontCount(), 2);
    EXPECT_EQ(pm.GetFontInfo(0)->faceName, L"宋体");
    EXPECT_EQ(pm.GetFontInfo(0)->size, 12);
    EXPECT_FALSE(pm.GetFontInfo(0)->bold);
    EXPECT_EQ(pm.GetFontInfo(1)->faceName, L"微软雅黑");
    EXPECT_EQ(pm.GetFontInfo(1)->size, 12);
    EXPECT_EQ(pm.GetDefaultFontInfo()->faceName, L"宋体");
}

// Page 0 is shown first and page 1 is not; the floating controls sit where the layout puts them.
TEST_F(MainLayout, StartPageFirstWithItsControlsInPlace) {
    EXPECT_EQ(m_tabs->GetCurSel(), 0);
    ASSERT_EQ(m_tabs->GetCount(), 3);
    EXPECT_TRUE(m_tabs->GetItemAt(0)->IsVisible());
    EXPECT_FALSE(m_tabs->GetItemAt(1)->IsVisible());
    EXPECT_FALSE(m_tabs->GetItemAt(2)->IsVisible());

    struct Placed {
        const wchar_t* name;
        RECT pos;
    };
    const Placed placed[] = {
        {L"btn_install", {177, 237, 361, 281}},  {L"opt_agree", {13, 323, 69, 347}},
        {L"btn_agreement", {64, 330, 136, 341}}, {L"btn_free", {448, 329, 525, 342}},
        {L"btn_min", {488, 0, 513, 23}},         {L"btn_close", {515, 0, 540, 23}},
    };
    for (const Placed& p : placed) {
        CControlUI* control = s_window->Find<CControlUI>(p.name);
        ASSERT_NE(control, nullptr) << Narrow(p.name);
        const RECT& pos = control->GetPos();
        EXPECT_TRUE(EqualRect(&pos, &p.pos))
            << Narrow(p.name) << ": " << pos.left << "," << pos.top << "," << pos.right << "," << pos.bottom;
    }
}

// The attributes the install flow depends on, as the layout gives them.
TEST_F(MainLayout, ControlAttributes) {
    auto* agree = s_window->Find<COptionUI>(L"opt_agree");
    ASSERT_NE(agree, nullptr);
    EXPECT_TRUE(agree->IsSelected());
    EXPECT_EQ(agree->GetFont(), 1);
    EXPECT_EQ(agree->GetTextColor(), 0xFF444343u);
    EXPECT_EQ(agree->GetBkImage(), L"file='opt_000.png' dest='0,4,16,20'");
    EXPECT_EQ(agree->GetSelectedImage(), L"file='opt_001.png' dest='0,4,16,20'");
    EXPECT_EQ(agree->GetTextPadding().left, 12);

    auto* install = s_window->Find<CButtonUI>(L"btn_install");
    ASSERT_NE(install, nullptr);
    EXPECT_EQ(install->GetNormalImage(), L"install_0.png");
    EXPECT_EQ(install->GetHotImage(), L"file='install_1.png' source='5,5,189,49'");
    EXPECT_EQ(install->GetPushedImage(), L"file='install_1.png' source='5,5,189,49'");
    auto* agreement = s_window->Find<CButtonUI>(L"btn_agreement");
    ASSERT_NE(agreement, nullptr);
    EXPECT_EQ(agreement->GetNormalImage(), L"file='btn_agreement_000.png' source='24,0,96,11'");
    EXPECT_EQ(s_window->Find<CButtonUI>(L"btn_min")->GetToolTip(), L"最小化");
    EXPECT_EQ(s_window->Find<CButtonUI>(L"btn_close")->GetToolTip(), L"关闭");

    auto* progress = s_window->Find<CProgressUI>(L"pro_InstallProgress");
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->GetBkImage(), L"file='progress_bk.png' corner='3,3,3,3'");
    EXPECT_EQ(progress->GetTextStyle(), UINT(DT_CENTER | DT_SINGLELINE));
    auto* download = s_window->Find<CLabelUI>(L"lb_download");
    ASSERT_NE(download, nullptr);
    EXPECT_EQ(download->GetTextStyle(), 0u);
    EXPECT_EQ(download->GetTextColor(), 0xFF424242u);
    EXPECT_EQ(s_window->Find<CLabelUI>(L"lb_speed")->GetTextStyle(), UINT(DT_RIGHT));
    EXPECT_EQ(s_window->Find<CLabelUI>(L"lb_leftspace")->GetDisabledTextColor(), 0xFFA7A6AAu);
}

// Real mouse input: the one-click button lights up under the cursor, and clicks on opt_agree
// toggle it, each "click" followed by "selectchanged".
TEST_F(MainLayout, RealMouseOnTheStartPage) {
    CControlHost& host = s_window->Host();
    auto* install = s_window->Find<CButtonUI>(L"btn_install");
    auto* agree = s_window->Find<COptionUI>(L"opt_agree");
    ASSERT_NE(install, nullptr);
    ASSERT_NE(agree, nullptr);
    const POINT away = {270, 150};
    host.MoveMouse(away);
    TestEnv::PumpFor(50);
    const POINT onInstall = {269, 259};
    const uint32_t normal = host.PixelAt(host.Render(), onInstall.x, onInstall.y - 14) & 0xFFFFFF;
    host.MoveMouse(onInstall);
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return (install->GetButtonState() & kStateHot) != 0; }, kWaitMs));
    const uint32_t hot = host.PixelAt(host.Render(), onInstall.x, onInstall.y - 14) & 0xFFFFFF;
    EXPECT_NE(normal, hot) << "the hot image did not replace the normal one";

    host.ClearNotifications();
    host.MoveMouse(POINT{20, 335});
    host.PressLeft();
    host.ReleaseLeft();
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return !agree->IsSelected(); }, kWaitMs));
    host.PressLeft();
    host.ReleaseLeft();
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return agree->IsSelected(); }, kWaitMs));
    const std::vector<std::wstring> expected = {L"opt_agree:click", L"opt_agree:selectchanged",
                                                L"opt_agree:click", L"opt_agree:selectchanged"};
    std::vector<std::wstring> seen;
    for (const auto& note : host.Notifications()) {
        if (note == L"opt_agree:click" || note == L"opt_agree:selectchanged")
            seen.push_back(note);
    }
    EXPECT_EQ(seen, expected);
    host.MoveMouse(away);
    TestEnv::PumpFor(50);
}

// Each page renders with its own background; the PNGs stay in the build folder for review.
TEST_F(MainLayout, RendersEveryPage) {
    CControlHost& host = s_window->Host();
    for (int page = 0; page < 3; ++page) {
        ASSERT_TRUE(m_tabs->SelectItem(page));
        const std::wstring name = L"main-page" + std::to_wstring(page) + L".png";
        EXPECT_FALSE(s_window->Save(name.c_str()).empty()) << page;
        const auto pixels = host.Render();
        // The white strip under each page's artwork, and the dark artwork above it.
        EXPECT_EQ(host.PixelAt(pixels, 5, 352) & 0xFFFFFF, 0xFFFFFFu) << page;
        EXPECT_LT(host.PixelAt(pixels, 270, 40) & 0xFF, 0xC0u) << page << ": artwork missing";
    }
    ASSERT_TRUE(m_tabs->SelectItem(1));
    EXPECT_TRUE(m_tabs->GetItemAt(1)->IsVisible());
    EXPECT_FALSE(m_tabs->GetItemAt(0)->IsVisible());
    s_window->Host().Layout();
    const RECT select = s_window->Find<CControlUI>(L"btn_select")->GetPos();
    const RECT expectedSelect = {421, 280, 505, 309};
    EXPECT_TRUE(EqualRect(&select, &expectedSelect));
    CControlUI* editInput = s_window->Find<CControlUI>(L"edit_input");
    ASSERT_NE(editInput, nullptr);
    const RECT edit = editInput->GetPos();
    const RECT expectedEdit = {36, 280, 423, 309};
    EXPECT_TRUE(EqualRect(&edit, &expectedEdit));
    m_tabs->SelectItem(0);
}

TEST_F(MainLayout, ScalesWithTheDisplay) {
    ExpectScalesWithTheDisplay(*s_window, SIZE{540, 355});
}

// Of the text pixels in a box of a render (width w), the share of grey ones: glyph edges that are
// neither ink nor background.
double GreyShare(const std::vector<uint32_t>& pixels, int w, RECT box) {
    int ink = 0, grey = 0;
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            const uint32_t p = pixels[y * w + x];
            const int level = (((p >> 16) & 0xFF) * 3 + ((p >> 8) & 0xFF) * 6 + (p & 0xFF)) / 10;
            ink += level <= 110;
            grey += level > 110 && level < 235;
        }
    }
    return ink + grey > 0 ? static_cast<double>(grey) / (ink + grey) : 0;
}

// The render of a w x h picture enlarged 1.5 times by bilinear interpolation, as a system stretching
// a program that does not scale itself would show it.
std::vector<uint32_t> Stretched(const std::vector<uint32_t>& pixels, int w, int h) {
    const int sw = w * 3 / 2, sh = h * 3 / 2;
    std::vector<uint32_t> out(static_cast<size_t>(sw) * sh);
    for (int y = 0; y < sh; ++y) {
        for (int x = 0; x < sw; ++x) {
            const double fx = std::max(0.0, (x + 0.5) / 1.5 - 0.5), fy = std::max(0.0, (y + 0.5) / 1.5 - 0.5);
            const int x0 = std::min(static_cast<int>(fx), w - 2), y0 = std::min(static_cast<int>(fy), h - 2);
            const double ax = fx - x0, ay = fy - y0;
            uint32_t pixel = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                auto c = [&](int px, int py) { return static_cast<double>((pixels[py * w + px] >> shift) & 0xFF); };
                const double v = (c(x0, y0) * (1 - ax) + c(x0 + 1, y0) * ax) * (1 - ay) +
                                 (c(x0, y0 + 1) * (1 - ax) + c(x0 + 1, y0 + 1) * ax) * ay;
                pixel |= static_cast<uint32_t>(v + 0.5) << shift;
            }
            out[y * sw + x] = pixel;
        }
    }
    return out;
}

// At 150 % the folder page's text is drawn with fonts made at that size: its glyph edges are about as
// crisp as at 100 %, not as soft as a 1.5 times stretch of the 100 % picture. Both renders are kept
// for a person to compare.
TEST_F(MainLayout, TextStaysSharpAt150) {
    CControlHost& host = s_window->Host();
    ASSERT_TRUE(m_tabs->SelectItem(1));
    const std::vector<uint32_t> base = host.Render();
    const RECT label = {36, 254, 111, 272};  // "安装目录"
    const double baseShare = GreyShare(base, 540, label);
    const double stretchedShare = GreyShare(Stretched(base, 540, 355), 810, CDpiScale(144).Scale(label));

    PlaceAt(*s_window, 144, SIZE{540, 355});
    ASSERT_TRUE(m_tabs->SelectItem(1));
    const std::vector<uint32_t> scaled = host.Render();
    EXPECT_FALSE(s_window->Save(L"main-page1-150.png").empty());
    const double scaledShare = GreyShare(scaled, 810, CDpiScale(144).Scale(label));
    PlaceAt(*s_window, 96, SIZE{540, 355});
    EXPECT_LT(scaledShare, (baseShare + stretchedShare) / 2)
        << "100 %: " << baseShare << ", 150 %: " << scaledShare << ", stretched: " << stretchedShare;
}

class MessageBoxLayout : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_window = new SkinWindow(L"MessageBox.xml", 280, 115); }
    static void TearDownTestSuite() {
        delete s_window;
        s_window = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(s_window->Root(), nullptr) << "MessageBox.xml did not build";
        ASSERT_TRUE(s_window->Host().Layout());
    }
    static SkinWindow* s_window;
};
SkinWindow* MessageBoxLayout::s_window = nullptr;

// The whole message box tree, its settings, and a render.
TEST_F(MessageBoxLayout, TreeSettingsAndRender) {
    const std::wstring expected =
        L"VerticalLayoutUI\n"
        L"  HorizontalLayoutUI\n"
        L"    LabelUI lb_title \"退出安装\"\n"
        L"    ButtonUI btn_close\n"
        L"  VerticalLayoutUI\n"
        L"    HorizontalLayoutUI\n"
        L"    HorizontalLayoutUI\n"
        L"      HorizontalLayoutUI\n"
        L"      HorizontalLayoutUI hlt_tip_icon\n"
        L"        ControlUI ctl_tip_icon\n"
        L"      HorizontalLayoutUI\n"
        L"      HorizontalLayoutUI\n"
        L"        LabelUI lb_text \"是否退出安装？\"\n"
        L"      HorizontalLayoutUI\n"
        L"    HorizontalLayoutUI\n"
        L"      HorizontalLayoutUI hlt_left_space\n"
        L"      HorizontalLayoutUI\n"
        L"        ButtonUI btn_ok \"确定\"\n"
        L"      HorizontalLayoutUI hlt_btn_0\n"
        L"        ButtonUI btn_cancel \"取消\"\n";
    EXPECT_EQ(Narrow(Tree(s_window->Root())), Narrow(expected));

    CPaintManagerUI& pm = s_window->Host().Manager();
    EXPECT_EQ(pm.GetInitSize().right, 280);
    EXPECT_EQ(pm.GetInitSize().bottom, 115);
    EXPECT_EQ(pm.GetCaptionRect().bottom, 35);
    EXPECT_TRUE(pm.IsShadow());
    ASSERT_EQ(pm.GetCustomFontCount(), 2);
    EXPECT_EQ(pm.GetFontInfo(1)->size, 13);

    auto* ok = s_window->Find<CButtonUI>(L"btn_ok");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->GetNormalImage(), L"file='public_btn_000.png' corner='3,3,3,3'");
    EXPECT_EQ(ok->GetTextColor(), 0xFFFFFFFFu);
    EXPECT_EQ(s_window->Find<CControlUI>(L"ctl_tip_icon")->GetBkImage(),
              L"file='common_tip_icon.png' stretch='false' center='true'");

    EXPECT_FALSE(s_window->Save(L"messagebox.png").empty());
    CControlHost& host = s_window->Host();
    const auto pixels = host.Render();
    EXPECT_EQ(host.PixelAt(pixels, 100, 3) & 0xFFFFFF, 0x00396Au) << "title bar";
    const RECT& okPos = ok->GetPos();
    EXPECT_GT(okPos.right - okPos.left, 30);
    EXPECT_EQ(okPos.bottom - okPos.top, 25);
}

TEST_F(MessageBoxLayout, ScalesWithTheDisplay) {
    ExpectScalesWithTheDisplay(*s_window, SIZE{280, 115});
}

}  // namespace
