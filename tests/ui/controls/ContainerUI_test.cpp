// Containers painted by a real window: background colours and images of nested layouts in the back
// buffer, children clipped to their parent, floating children over the inset, hit testing, the GDI
// object count over 2,000 repaints, and a picture of a small tree saved as a PNG.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/support/TestEnv.h"
#include "tests/ui/controls/ControlHost.h"
#include "ui/controls/HorizontalLayoutUI.h"
#include "ui/controls/LabelUI.h"
#include "ui/controls/TabLayoutUI.h"
#include "ui/controls/VerticalLayoutUI.h"
#include "ui/core/PaintManagerUI.h"

using ControlTest::CControlHost;
using ControlTest::CSkinFolder;
using namespace SkinUI;

namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 120;

CControlHost& Host() {
    static CControlHost host(kWidth, kHeight);
    return host;
}

template <class T>
T* AddChild(CContainerUI* parent, LPCWSTR attributes) {
    auto* child = new T();
    child->ApplyAttributeList(attributes);
    parent->Add(child);
    return child;
}

// Reads the manager's back buffer after a real WM_PAINT; 0x00RRGGBB.
std::vector<uint32_t> BackBuffer() {
    Host().Layout();
    std::vector<uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight);
    HBITMAP bitmap = Host().Manager().GetOffscreenBitmap();
    if (bitmap == nullptr)
        return {};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC dc = GetDC(nullptr);
    const int rows = GetDIBits(dc, bitmap, 0, kHeight, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    if (rows != kHeight)
        return {};
    for (uint32_t& pixel : pixels)
        pixel &= 0xFFFFFF;
    return pixels;
}

// Wine reports no GDI object count (GetGuiResources gives 0). There a freed handle slot is reused
// before a new one is taken, so the slot a fresh object gets only climbs when objects stay alive:
// its index is the measure where no count exists.
DWORD GdiObjectMeasure() {
    const DWORD count = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (count != 0)
        return count;
    HRGN probe = CreateRectRgn(0, 0, 1, 1);
    const DWORD slot = LOWORD(reinterpret_cast<UINT_PTR>(probe));
    DeleteObject(probe);
    return slot;
}

uint32_t At(const std::vector<uint32_t>& pixels, int x, int y) {
    return pixels[static_cast<size_t>(y) * kWidth + x];
}

// Nested layouts paint parent first, children over it; a child wider than its parent is clipped to
// the parent; the inset shows the parent's colour; a background image fills its control.
TEST(ContainerPaintTest, NestedBackgroundsAndClippingInTheBackBuffer) {
    CSkinFolder skin;
    skin.AddImage(L"blue.png", 4, 4, 0x0000FF);
    auto* root = new CVerticalLayoutUI();
    root->SetBkColor(0xFFFF0000);
    auto* row = AddChild<CHorizontalLayoutUI>(
        root, L"height=\"60\" width=\"100\" inset=\"5,5,5,5\" bkcolor=\"#FF00FF00\"");
    AddChild<CControlUI>(row, L"width=\"300\" bkimage=\"blue.png\"");
    AddChild<CControlUI>(root, L"bkcolor=\"#FFFFFF00\" padding=\"20,10,0,0\"");
    Host().Attach(root);
    const std::vector<uint32_t> pixels = BackBuffer();
    ASSERT_EQ(pixels.size(), static_cast<size_t>(kWidth) * kHeight);

    EXPECT_EQ(At(pixels, 2, 2), 0x00FF00u) << "the row's inset shows the row";
    EXPECT_EQ(At(pixels, 50, 30), 0x0000FFu) << "the image child";
    EXPECT_EQ(At(pixels, 96, 30), 0x00FF00u) << "the child is clipped to the row's inset";
    EXPECT_EQ(At(pixels, 150, 30), 0xFF0000u) << "nothing of the child outside the row";
    EXPECT_EQ(At(pixels, 10, 65), 0xFF0000u) << "the root under the second child's padding";
    EXPECT_EQ(At(pixels, 30, 80), 0xFFFF00u);
}

// A floating child may overhang the inset of its parent, but not the parent itself.
TEST(ContainerPaintTest, FloatingChildrenOverhangTheInsetOnly) {
    auto* root = new CVerticalLayoutUI();
    root->SetBkColor(0xFF000000);
    auto* box = AddChild<CContainerUI>(
        root, L"height=\"80\" width=\"120\" inset=\"20,20,20,20\" bkcolor=\"#FF808080\"");
    AddChild<CControlUI>(box, L"float=\"true\" pos=\"5,5,150,15\" bkcolor=\"#FFFFFFFF\"");
    Host().Attach(root);
    const std::vector<uint32_t> pixels = BackBuffer();
    ASSERT_FALSE(pixels.empty());
    EXPECT_EQ(At(pixels, 10, 10), 0xFFFFFFu) << "inside the inset margin";
    EXPECT_EQ(At(pixels, 119, 10), 0xFFFFFFu);
    EXPECT_EQ(At(pixels, 130, 10), 0x000000u) << "clipped to the container";
    EXPECT_EQ(At(pixels, 10, 30), 0x808080u);
}

// Hit testing: the topmost floating child wins; with mousechild off the container answers for its
// children; a child outside the child area is not hit.
TEST(ContainerFindTest, HitTestsFollowFloatMouseChildAndChildArea) {
    auto* root = new CVerticalLayoutUI();
    root->SetName(L"root");
    auto* box = AddChild<CContainerUI>(root, L"name=\"box\" height=\"100\" inset=\"0,0,0,50\"");
    AddChild<CControlUI>(box, L"name=\"under\"");
    AddChild<CControlUI>(box, L"name=\"over\" float=\"true\" pos=\"10,10,40,40\"");
    AddChild<CControlUI>(box, L"name=\"low\" float=\"true\" pos=\"10,60,40,90\" mouse=\"false\"");
    Host().Attach(root);
    ASSERT_TRUE(Host().Layout());
    CPaintManagerUI& pm = Host().Manager();
    auto nameAt = [&](int x, int y) {
        CControlUI* control = pm.FindControl(POINT{x, y});
        return control != nullptr ? control->GetName() : std::wstring(L"none");
    };
    EXPECT_EQ(nameAt(20, 20), L"over");
    EXPECT_EQ(nameAt(100, 20), L"under");
    EXPECT_EQ(nameAt(20, 70), L"box") << "a child that takes no mouse is transparent to it";
    EXPECT_EQ(nameAt(100, 110), L"root");
    // The flowed child fills the whole box, but the bottom 50 px lie outside the child area.
    EXPECT_EQ(nameAt(100, 70), L"box");
    box->SetMouseChildEnabled(false);
    EXPECT_EQ(nameAt(20, 20), L"box");
}

// A floating child with relative placement moves and grows by its percentages of the container's
// change in size.
TEST(ContainerFloatTest, RelativePlacementFollowsTheContainerSize) {
    auto* root = new CContainerUI();
    CControlUI* child =
        AddChild<CControlUI>(root, L"float=\"true\" pos=\"10,10,30,30\" relativepos=\"50,0,50,100\"");
    Host().Attach(root);
    ASSERT_TRUE(Host().Layout());
    const RECT first = {10, 10, 30, 30};
    EXPECT_TRUE(EqualRect(&child->GetPos(), &first) != FALSE);
    Host().Resize(kWidth + 100, kHeight + 40);
    Host().Layout();
    EXPECT_EQ(child->GetX(), 10 + 50);
    EXPECT_EQ(child->GetWidth(), 20 + 50);
    EXPECT_EQ(child->GetY(), 10);
    EXPECT_EQ(child->GetHeight(), 20 + 40);
    Host().Resize(kWidth, kHeight);
}

// Removing children: with delayed destroy they live until the posted cleanup; without it they die at
// once; without auto destroy they survive, and leave the tree, also when their container dies.
TEST(ContainerChildrenTest, RemovalDestroysAsConfigured) {
    auto* root = new CVerticalLayoutUI();
    static int s_destroyed = 0;
    s_destroyed = 0;
    auto makeChild = [&] {
        auto* child = new CControlUI();
        child->OnDestroy += MakeDelegate(+[](void*) {
            ++s_destroyed;
            return true;
        });
        root->Add(child);
        return child;
    };
    CControlUI* delayed = makeChild();
    CControlUI* immediate = makeChild();
    CControlUI* kept = makeChild();
    Host().Attach(root);
    ASSERT_TRUE(Host().Layout());
    ASSERT_TRUE(root->Remove(delayed));
    EXPECT_EQ(s_destroyed, 0);
    ASSERT_TRUE(TestEnv::PumpUntil([] { return s_destroyed == 1; }, 3000));
    root->SetDelayedDestroy(false);
    ASSERT_TRUE(root->Remove(immediate));
    EXPECT_EQ(s_destroyed, 2);
    root->SetAutoDestroy(false);
    ASSERT_TRUE(root->Remove(kept));
    EXPECT_EQ(s_destroyed, 2);
    EXPECT_FALSE(root->Remove(kept));
    EXPECT_EQ(root->GetCount(), 0);
    EXPECT_EQ(kept->GetParent(), nullptr);
    EXPECT_EQ(kept->GetManager(), nullptr);

    auto* holder = new CVerticalLayoutUI();
    holder->SetAutoDestroy(false);
    root->SetAutoDestroy(true);
    root->Add(holder);
    holder->Add(kept);
    ASSERT_EQ(kept->GetParent(), holder);
    ASSERT_TRUE(root->Remove(holder));
    ASSERT_EQ(kept->GetParent(), nullptr) << "the holder is gone";
    EXPECT_EQ(kept->GetManager(), nullptr);
    EXPECT_TRUE(kept->IsEnabled());
    EXPECT_EQ(s_destroyed, 2);
    delete kept;
    EXPECT_EQ(s_destroyed, 3);
}

// Repainting a tree with rounded borders, images, text and a rounded-corner image 2,000 times leaves
// the process's GDI object count where it was.
TEST(ContainerPaintTest, RepaintingDoesNotLeakGdiObjects) {
    CSkinFolder skin;
    skin.AddImage(L"tile.png", 16, 16, 0x3366CC);
    auto* root = new CVerticalLayoutUI();
    root->SetAttribute(L"bkcolor", L"#FFEEEEEE");
    AddChild<CControlUI>(root,
                         L"height=\"30\" bordersize=\"2\" bordercolor=\"#FF0000FF\" borderround=\"8,8\" "
                         L"bkcolor=\"#FF00AA00\"");
    AddChild<CControlUI>(root, L"height=\"30\" bkimage=\"file='tile.png' corner='2,2,2,2'\"");
    AddChild<CControlUI>(
        root, L"height=\"30\" bkimage=\"file='tile.png' roundcorner='6,6'\" bkcolor=\"#80FF0000\"");
    auto* label = AddChild<CLabelUI>(root, L"text=\"GDI objects stay flat\"");
    label->SetTextColor(0xFF000000);
    Host().Attach(root);
    ASSERT_TRUE(Host().Layout());
    for (int i = 0; i < 10; ++i)
        Host().Layout();
    const DWORD before = GdiObjectMeasure();
    for (int i = 0; i < 2000; ++i) {
        InvalidateRect(Host().Window(), nullptr, FALSE);
        UpdateWindow(Host().Window());
    }
    const DWORD after = GdiObjectMeasure();
    EXPECT_LE(after, before + 50) << "GDI objects before " << before << ", after " << after;
}

// A small tree with layouts, a scroll bar, a tab page and floating children, saved as a picture under
// the build folder for a person to look at.
TEST(ContainerPaintTest, PaintsASmallTreeIntoAPng) {
    CSkinFolder skin;
    skin.AddImage(L"panel.png", 8, 8, 0xF0C080);
    auto* root = new CVerticalLayoutUI();
    root->ApplyAttributeList(L"bkcolor=\"#FF20303C\" inset=\"6,6,6,6\" childpadding=\"4\"");
    auto* header = AddChild<CHorizontalLayoutUI>(root, L"height=\"24\" childpadding=\"4\"");
    AddChild<CControlUI>(header, L"width=\"24\" bkcolor=\"#FFE04040\" borderround=\"8,8\"");
    auto* title = AddChild<CLabelUI>(header, L"text=\"Layouts\" bkcolor=\"#FF405060\"");
    title->SetTextColor(0xFFFFFFFF);
    AddChild<CControlUI>(header,
                         L"width=\"24\" bkcolor=\"#FF40E040\" bordersize=\"2\" bordercolor=\"#FFFFFFFF\"");
    auto* body = AddChild<CHorizontalLayoutUI>(root, L"childpadding=\"4\"");
    auto* list = AddChild<CVerticalLayoutUI>(
        body, L"width=\"90\" vscrollbar=\"true\" bkcolor=\"#FF304050\" childpadding=\"2\"");
    for (int i = 0; i < 6; ++i)
        AddChild<CControlUI>(
            list, i % 2 ? L"height=\"18\" bkcolor=\"#FF6080A0\"" : L"height=\"18\" bkcolor=\"#FF80A0C0\"");
    auto* tabs =
        AddChild<CTabLayoutUI>(body, L"bkimage=\"file='panel.png' corner='2,2,2,2'\" inset=\"4,4,4,4\"");
    auto* page = AddChild<CVerticalLayoutUI>(tabs, L"bkcolor=\"#FFFFF0D0\"");
    AddChild<CControlUI>(page, L"height=\"20\" bkcolor=\"#FF8040C0\" bkcolor2=\"#FFC080FF\"");
    AddChild<CControlUI>(tabs, L"bkcolor=\"#FF00FF00\"");
    AddChild<CControlUI>(page,
                         L"float=\"true\" pos=\"-30,-30,-6,-6\" bkcolor=\"#FFFF8000\" borderround=\"12,12\"");
    AddChild<CControlUI>(root, L"float=\"true\" pos=\"150,2,190,12\" bkcolor=\"#FFFFFF00\"");
    Host().Attach(root);
    ASSERT_TRUE(Host().Layout());
    ASSERT_TRUE(list->GetVerticalScrollBar()->IsVisible());

    const std::vector<uint32_t> pixels = Host().Render();
    ASSERT_EQ(pixels.size(), static_cast<size_t>(kWidth) * kHeight);
    const std::wstring path = TestEnv::BinaryDir() + L"\\ui_layout_tree.png";
    ASSERT_TRUE(Host().SavePng(pixels, path));
    EXPECT_TRUE(TestEnv::FileExists(path));
    // The last floating child sits over the header; the hidden tab page paints nothing; the page's
    // floating child is anchored to its bottom-right corner.
    EXPECT_EQ(Host().PixelAt(pixels, 170, 7) & 0xFFFFFF, 0xFFFF00u);
    const RECT& rcPage = page->GetPos();
    EXPECT_EQ(Host().PixelAt(pixels, rcPage.right - 18, rcPage.bottom - 18) & 0xFFFFFF, 0xFF8000u);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x)
            ASSERT_NE(Host().PixelAt(pixels, x, y) & 0xFFFFFF, 0x00FF00u) << x << "," << y;
    }
}

}  // namespace
