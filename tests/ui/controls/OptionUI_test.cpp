// Options and check boxes in a real window: groups keep one option selected, options outside a group
// toggle, the notifications and their order, group membership across destruction and group changes,
// and the selected and disabled looks.
#include "ui/controls/OptionUI.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tests/support/TestEnv.h"
#include "tests/ui/controls/ControlHost.h"
#include "ui/controls/CheckBoxUI.h"
#include "ui/core/PointerArray.h"

namespace {

using namespace SkinUI;
using namespace ControlTest;

constexpr int kWidth = 120;
constexpr int kHeight = 40;
constexpr DWORD kWaitMs = 3000;
constexpr uint32_t kBack = 0x303030;
constexpr uint32_t kTick = 0x20B0F0;
constexpr uint32_t kGreyed = 0x909090;
const POINT kInside = {30, 20};
const POINT kOutside = {kWidth + 40, 20};

class Options : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_shared = new CControlHost(kWidth, kHeight); }
    static void TearDownTestSuite() {
        delete s_shared;
        s_shared = nullptr;
    }
    void SetUp() override {
        m_skin.AddImage(L"back.png", 4, 4, kBack);
        m_skin.AddImage(L"tick.png", 4, 4, kTick);
        m_skin.AddImage(L"greyed.png", 4, 4, kGreyed);
        m_host.ClearNotifications();
    }
    // An option attached to the window's manager but not to its tree.
    std::unique_ptr<COptionUI> Loose(const wchar_t* name, const wchar_t* group) {
        auto option = std::make_unique<COptionUI>();
        option->SetName(name);
        option->SetManager(&m_host.Manager(), nullptr, true);
        if (group != nullptr)
            option->SetGroup(group);
        return option;
    }
    int GroupSize(const wchar_t* group) {
        CPointerArray* members = m_host.Manager().GetOptionGroup(group);
        return members != nullptr ? members->GetSize() : 0;
    }
    bool InGroup(const wchar_t* group, CControlUI* control) {
        CPointerArray* members = m_host.Manager().GetOptionGroup(group);
        return members != nullptr && members->Find(control) >= 0;
    }
    void Click() {
        m_host.MoveMouse(kOutside);
        m_host.MoveMouse(kInside);
        m_host.PressLeft();
        m_host.ReleaseLeft();
    }

    static CControlHost* s_shared;
    CSkinFolder m_skin;
    CControlHost& m_host = *s_shared;
};
CControlHost* Options::s_shared = nullptr;

// Selecting one option of a group deselects the others, which send nothing.
TEST_F(Options, GroupKeepsOneSelected) {
    auto a = Loose(L"a", L"g");
    auto b = Loose(L"b", L"g");
    auto c = Loose(L"c", L"g");
    EXPECT_EQ(GroupSize(L"g"), 3);
    a->Selected(true);
    b->Selected(true);
    EXPECT_FALSE(a->IsSelected());
    EXPECT_TRUE(b->IsSelected());
    EXPECT_FALSE(c->IsSelected());
    c->Activate();
    EXPECT_FALSE(b->IsSelected());
    EXPECT_TRUE(c->IsSelected());
    // Activating the selected member of a group keeps it selected.
    c->Activate();
    EXPECT_TRUE(c->IsSelected());
    const std::vector<std::wstring> expected = {L"a:selectchanged", L"b:selectchanged", L"c:click",
                                                L"c:selectchanged", L"c:click"};
    EXPECT_EQ(m_host.Notifications(), expected);
}

// An option outside any group toggles on each real click, "click" first, then "selectchanged".
TEST_F(Options, LooseOptionTogglesOnRealClicks) {
    auto* option = new COptionUI;
    option->SetName(L"opt");
    option->SetAttribute(L"selected", L"true");
    m_host.Attach(option);
    ASSERT_TRUE(m_host.Layout());
    EXPECT_TRUE(option->IsSelected());
    m_host.ClearNotifications();
    Click();
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return !option->IsSelected(); }, kWaitMs));
    Click();
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return option->IsSelected(); }, kWaitMs));
    std::vector<std::wstring> seen;
    for (const auto& note : m_host.Notifications()) {
        if (note == L"opt:click" || note == L"opt:selectchanged")
            seen.push_back(note);
    }
    const std::vector<std::wstring> expected = {L"opt:click", L"opt:selectchanged", L"opt:click",
                                                L"opt:selectchanged"};
    EXPECT_EQ(seen, expected);
    m_host.MoveMouse(kOutside);
}

// A destroyed option, or one that changes group, leaves its old group: selecting in the group
// afterwards never touches it.
TEST_F(Options, LeavesItsGroupWhenDestroyedOrMoved) {
    auto a = Loose(L"a", L"g");
    auto b = Loose(L"b", L"g");
    auto* gone = Loose(L"gone", L"g").release();
    ASSERT_TRUE(InGroup(L"g", gone));
    delete gone;
    EXPECT_FALSE(InGroup(L"g", gone));
    EXPECT_EQ(GroupSize(L"g"), 2);
    a->Selected(true);
    b->Selected(true);
    EXPECT_FALSE(a->IsSelected());

    auto moving = Loose(L"moving", L"g");
    moving->Selected(true);
    moving->SetGroup(L"h");
    EXPECT_FALSE(InGroup(L"g", moving.get()));
    EXPECT_TRUE(InGroup(L"h", moving.get()));
    a->Selected(true);
    EXPECT_TRUE(moving->IsSelected()) << "a member of another group was deselected";
    moving->SetGroup(nullptr);
    EXPECT_EQ(moving->GetGroup(), L"");
    EXPECT_EQ(GroupSize(L"h"), 0);
    EXPECT_EQ(m_host.Manager().GetOptionGroup(L"h"), nullptr);
}

// A group joined while the manager was only borrowed (as the dialog builder does) is left on
// destruction even though the option no longer has a manager.
TEST_F(Options, LeavesAGroupJoinedWhileTheManagerWasBorrowed) {
    auto* option = new COptionUI;
    option->SetManager(&m_host.Manager(), nullptr, false);
    option->SetAttribute(L"group", L"borrowed");
    option->SetManager(nullptr, nullptr, false);
    ASSERT_TRUE(InGroup(L"borrowed", option));
    delete option;
    EXPECT_EQ(m_host.Manager().GetOptionGroup(L"borrowed"), nullptr);
}

// The background image stays under the selected image; deselected, only the background remains.
TEST_F(Options, SelectedImageOverTheBackground) {
    auto* option = new COptionUI;
    option->SetAttribute(L"bkimage", L"back.png");
    option->SetAttribute(L"selectedimage", L"file='tick.png' dest='0,0,20,20'");
    option->SetAttribute(L"selected", L"true");
    m_host.Attach(option);
    ASSERT_TRUE(m_host.Layout());
    auto pixels = m_host.Render();
    EXPECT_EQ(m_host.PixelAt(pixels, 10, 10) & 0xFFFFFF, kTick);
    EXPECT_EQ(m_host.PixelAt(pixels, 60, 30) & 0xFFFFFF, kBack);
    option->Selected(false);
    pixels = m_host.Render();
    EXPECT_EQ(m_host.PixelAt(pixels, 10, 10) & 0xFFFFFF, kBack);
}

bool HasColor(const std::vector<uint32_t>& pixels, uint32_t rgb) {
    for (uint32_t pixel : pixels) {
        if ((pixel & 0xFFFFFF) == rgb)
            return true;
    }
    return false;
}

// Without images the state colours make the look: selected wins over hot for the background and the
// text; hot alone has its own; neither leaves the plain text colour on no background.
TEST_F(Options, StateColoursMakeTheLook) {
    constexpr uint32_t kSelectedBk = 0x00C000, kHotBk = 0x0000C0;
    constexpr uint32_t kSelectedText = 0xFF0000, kHotText = 0xFFFF00, kText = 0x00FFFF;
    auto* option = new COptionUI;
    option->ApplyAttributeList(
        L"text=\"MMMM\" selectedbkcolor=\"#FF00C000\" hotbkcolor=\"#FF0000C0\" textcolor=\"#FF00FFFF\" "
        L"selectedtextcolor=\"#FFFF0000\" hottextcolor=\"#FFFFFF00\" selected=\"true\"");
    m_host.Attach(option);
    ASSERT_TRUE(m_host.Layout());
    TEventUI event = {};
    event.sender = option;
    struct TLook {
        int eventType;  // 0: none
        bool selected;
        uint32_t background;
        uint32_t text;
    };
    const TLook looks[] = {
        {0, true, kSelectedBk, kSelectedText},
        {kEventMouseEnter, true, kSelectedBk, kSelectedText},
        {0, false, kHotBk, kHotText},
        {kEventMouseLeave, false, 0, kText},
    };
    for (const TLook& look : looks) {
        if (look.eventType != 0) {
            event.type = look.eventType;
            option->Event(event);
        }
        option->Selected(look.selected);
        const auto pixels = m_host.Render();
        const int step = static_cast<int>(&look - looks);
        EXPECT_EQ(m_host.PixelAt(pixels, 1, 1) & 0xFFFFFF, look.background) << "step " << step;
        for (uint32_t text : {kSelectedText, kHotText, kText})
            EXPECT_EQ(HasColor(pixels, text), text == look.text) << "step " << step << " colour " << text;
    }
}

// A disabled check box shows only its disabled look for the current selection.
TEST_F(Options, DisabledCheckBoxShowsItsDisabledLook) {
    auto* box = new CCheckBoxUI;
    box->SetAttribute(L"normalimage", L"back.png");
    box->SetAttribute(L"selectedimage", L"tick.png");
    box->SetAttribute(L"selecteddisableimage", L"file='greyed.png' dest='0,0,20,20'");
    box->SetAttribute(L"selected", L"true");
    m_host.Attach(box);
    ASSERT_TRUE(m_host.Layout());
    EXPECT_EQ(m_host.PixelAt(m_host.Render(), 60, 30) & 0xFFFFFF, kTick);
    box->SetEnabled(false);
    EXPECT_TRUE(box->IsSelected());
    EXPECT_EQ(box->GetButtonState(), UINT(kStateSelected));
    const auto pixels = m_host.Render();
    EXPECT_EQ(m_host.PixelAt(pixels, 10, 10) & 0xFFFFFF, kGreyed);
    EXPECT_EQ(m_host.PixelAt(pixels, 60, 30) & 0xFFFFFF, 0u) << "nothing else is drawn";
}

}  // namespace
