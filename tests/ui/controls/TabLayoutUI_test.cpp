// Tab layout: exactly one page shown, "tabselect" with the new and old index, selection kept
// across insertion and removal, and the selected page placed in the inset.
#include <gtest/gtest.h>

#include "tests/ui/controls/ControlHost.h"
#include "ui/controls/TabLayoutUI.h"
#include "ui/core/PaintManagerUI.h"

using ControlTest::CControlHost;
using namespace SkinUI;

namespace {

struct CTabRecorder : INotifyUI {
    std::vector<std::pair<WPARAM, LPARAM>> selections;
    void Notify(TNotifyUI& msg) override {
        if (msg.type == L"tabselect")
            selections.emplace_back(msg.wParam, msg.lParam);
    }
};

class TabLayoutTest : public ::testing::Test {
protected:
    static CControlHost& Host() {
        static CControlHost host(200, 150);
        return host;
    }
    void SetUp() override {
        m_tab = new CTabLayoutUI();
        for (int i = 0; i < 3; ++i) {
            m_pages[i] = new CControlUI();
            m_pages[i]->SetName(L"page" + std::to_wstring(i));
            m_tab->Add(m_pages[i]);
        }
        Host().Attach(m_tab);
        Host().Manager().AddNotifier(&m_recorder);
        ASSERT_TRUE(Host().Layout());
    }
    void TearDown() override { Host().Manager().RemoveNotifier(&m_recorder); }
    bool Shown(int i) const { return m_pages[i]->IsVisible(); }

    CTabLayoutUI* m_tab = nullptr;
    CControlUI* m_pages[3] = {};
    CTabRecorder m_recorder;
};

// Three pages: page 0 selected and shown, the others hidden.
TEST_F(TabLayoutTest, FirstPageIsSelectedAndOthersHidden) {
    EXPECT_EQ(m_tab->GetCurSel(), 0);
    EXPECT_TRUE(Shown(0));
    EXPECT_FALSE(Shown(1));
    EXPECT_FALSE(Shown(2));
    EXPECT_EQ(m_pages[0]->GetWidth(), 200);
}

// Selecting page 1 shows it alone and announces (1, 0); selecting it again announces nothing; an
// index past the end is refused.
TEST_F(TabLayoutTest, SelectItemAnnouncesTheChange) {
    ASSERT_TRUE(m_tab->SelectItem(1));
    EXPECT_FALSE(Shown(0));
    EXPECT_TRUE(Shown(1));
    EXPECT_FALSE(Shown(2));
    ASSERT_EQ(m_recorder.selections.size(), 1u);
    EXPECT_EQ(m_recorder.selections[0].first, 1u);
    EXPECT_EQ(m_recorder.selections[0].second, 0);
    EXPECT_TRUE(m_tab->SelectItem(1));
    EXPECT_EQ(m_recorder.selections.size(), 1u);
    EXPECT_FALSE(m_tab->SelectItem(3));
    ASSERT_TRUE(Host().Layout());
    EXPECT_EQ(m_pages[1]->GetHeight(), 150);
}

// Removing the selected page selects page 0; inserting before the selection moves its index.
TEST_F(TabLayoutTest, SelectionFollowsInsertionAndRemoval) {
    ASSERT_TRUE(m_tab->SelectItem(2));
    auto* inserted = new CControlUI();
    ASSERT_TRUE(m_tab->AddAt(inserted, 0));
    EXPECT_EQ(m_tab->GetCurSel(), 3);
    EXPECT_FALSE(inserted->IsVisible());
    EXPECT_TRUE(Shown(2));
    ASSERT_TRUE(m_tab->Remove(m_pages[2]));
    EXPECT_EQ(m_tab->GetCurSel(), 0);
    EXPECT_TRUE(inserted->IsVisible());
    m_tab->RemoveAll();
    EXPECT_EQ(m_tab->GetCurSel(), -1);
}

// The selected page sits in the inset shrunk by its padding, sized by its own fixed size.
TEST_F(TabLayoutTest, SelectedPageIsPlacedInTheInset) {
    m_tab->SetInset(RECT{10, 20, 30, 40});
    m_pages[0]->SetPadding(RECT{1, 2, 3, 4});
    ASSERT_TRUE(Host().Layout());
    const RECT expected = {11, 22, 200 - 30 - 3, 150 - 40 - 4};
    EXPECT_TRUE(EqualRect(&m_pages[0]->GetPos(), &expected) != FALSE);
    m_pages[0]->SetFixedWidth(50);
    ASSERT_TRUE(Host().Layout());
    EXPECT_EQ(m_pages[0]->GetWidth(), 50);
    EXPECT_EQ(m_pages[0]->GetX(), 11);
}

}  // namespace
