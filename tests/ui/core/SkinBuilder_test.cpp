// The dialog builder over real skin text and files, into a real window's paint manager: window
// settings, fonts, default attribute lists, the element table and the callback, comments, includes
// (counted and self-including), option groups during the build, and failures.
#include "ui/core/SkinBuilder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/ui/controls/ControlHost.h"
#include "tests/ui/controls/ProbeUI.h"
#include "ui/controls/ButtonUI.h"
#include "ui/controls/ContainerUI.h"
#include "ui/controls/LabelUI.h"
#include "ui/controls/OptionUI.h"
#include "ui/controls/StandardControls.h"
#include "ui/core/DialogBuilderCallback.h"

namespace {

using namespace SkinUI;
using ControlTest::CControlHost;
using ControlTest::CProbeUI;
using ControlTest::CSkinFolder;

constexpr int kWidth = 300;
constexpr int kHeight = 200;

// Creates labels named after the element for the one element name it knows.
class CustomElements : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(LPCWSTR pstrClass) override {
        ++m_asked;
        if (wcscmp(pstrClass, L"Custom") != 0)
            return nullptr;
        auto* label = new CLabelUI;
        label->SetUserData(L"custom");
        return label;
    }
    int m_asked = 0;
};

IContainerUI* Children(CControlUI* control) {
    return control != nullptr ? static_cast<IContainerUI*>(control->GetInterface(L"IContainer")) : nullptr;
}

int CountChildren(CControlUI* control) {
    IContainerUI* container = Children(control);
    return container != nullptr ? container->GetCount() : -1;
}

// Each test builds into a fresh window: fonts, images and defaults accumulate per manager.
class Builder : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterStandardControls(); }
    CControlUI* Build(const wchar_t* xml, IDialogBuilderCallback* callback = nullptr) {
        CSkinBuilder builder;
        CControlUI* root = builder.Create(xml, nullptr, callback, &m_host.Manager());
        builder.GetLastErrorMessage(m_error, 100);
        if (root != nullptr)
            m_host.Attach(root);
        return root;
    }
    CControlHost m_host{kWidth, kHeight, CControlHost::Show::kHidden};
    wchar_t m_error[100] = {};
};

// The Window element's attributes reach the manager, as the installer's main skin sets them.
TEST_F(Builder, WindowAttributesConfigureTheManager) {
    ASSERT_NE(
        Build(L"<Window size=\"540,355\" caption=\"0,0,0,100\" shadow=\"true\" shadowimage=\"shadow.png\" "
              L"shadowborder=\"5,4,5,6\" roundcorner=\"2,2\" bktrans=\"false\" mininfo=\"10,20\" "
              L"maxinfo=\"30,40\" sizebox=\"4,4,4,4\" alpha=\"200\" defaultfontcolor=\"#FF102030\" "
              L"unknown=\"1\"><Control /></Window>"),
        nullptr);
    CPaintManagerUI& pm = m_host.Manager();
    const RECT init = pm.GetInitSize();
    EXPECT_EQ(init.right - init.left, 540);
    EXPECT_EQ(init.bottom - init.top, 355);
    RECT client = {};
    GetClientRect(m_host.Window(), &client);
    EXPECT_EQ(client.right, 540) << "the window takes the skin's size while no tree is attached";
    EXPECT_EQ(pm.GetCaptionRect().bottom, 100);
    EXPECT_TRUE(pm.IsShadow());
    EXPECT_EQ(pm.GetShadowImage(), L"shadow.png");
    EXPECT_EQ(pm.GetShadowBorder().bottom, 6);
    EXPECT_EQ(pm.GetRoundCorner().cx, 2);
    EXPECT_FALSE(pm.IsBackgroundTransparent());
    EXPECT_EQ(pm.GetMinInfo().cy, 20);
    EXPECT_EQ(pm.GetMaxInfo().cx, 30);
    EXPECT_EQ(pm.GetSizeBox().left, 4);
    EXPECT_EQ(pm.GetTransparent(), 200);
    EXPECT_TRUE((GetWindowLongW(m_host.Window(), GWL_EXSTYLE) & WS_EX_LAYERED) != 0);
    EXPECT_EQ(pm.GetDefaultFontColor(), 0xFF102030u);
}

// A root not named Window configures nothing; its children are still built.
TEST_F(Builder, OtherRootsDoNotConfigureTheWindow) {
    CControlUI* root = Build(L"<Skin size=\"540,355\" caption=\"0,0,0,100\"><Label name=\"a\" /></Skin>");
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->GetClass(), L"LabelUI");
    EXPECT_EQ(m_host.Manager().GetCaptionRect().bottom, 0);
}

// Fonts register in document order; "font" picks by index; the one marked default replaces the
// default font; a Font without a name is ignored.
TEST_F(Builder, FontsInDocumentOrder) {
    CControlUI* root = Build(
        L"<Window><Font size=\"40\" /><Font name=\"Arial\" size=\"11\" /><Font name=\"Tahoma\" size=\"15\" "
        L"bold=\"true\" default=\"true\" /><Label font=\"1\" text=\"x\" /></Window>");
    ASSERT_NE(root, nullptr);
    CPaintManagerUI& pm = m_host.Manager();
    ASSERT_EQ(pm.GetCustomFontCount(), 2);
    EXPECT_EQ(pm.GetFontInfo(0)->faceName, L"Arial");
    EXPECT_EQ(pm.GetFontInfo(1)->faceName, L"Tahoma");
    EXPECT_TRUE(pm.GetFontInfo(1)->bold);
    EXPECT_EQ(pm.GetDefaultFontInfo()->faceName, L"Tahoma");
    EXPECT_EQ(pm.GetDefaultFontInfo()->size, 15);
    EXPECT_EQ(static_cast<CLabelUI*>(root)->GetFont(), 1);
}

// A Default list applies to every control of its element before the element's own attributes.
TEST_F(Builder, DefaultListsComeFirstAndLoseToOwnAttributes) {
    CControlUI* root = Build(
        L"<Window><Default name=\"Button\" value=\"tooltip=&quot;shared&quot; "
        L"textcolor=&quot;#FF112233&quot;\" />"
        L"<HorizontalLayout><Button name=\"a\" /><Button name=\"b\" tooltip=\"own\" /><Label name=\"c\" />"
        L"</HorizontalLayout></Window>");
    ASSERT_NE(root, nullptr);
    auto* a = static_cast<CButtonUI*>(m_host.Manager().FindControl(L"a"));
    auto* b = static_cast<CButtonUI*>(m_host.Manager().FindControl(L"b"));
    auto* c = static_cast<CLabelUI*>(m_host.Manager().FindControl(L"c"));
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a->GetToolTip(), L"shared");
    EXPECT_EQ(a->GetTextColor(), 0xFF112233u);
    EXPECT_EQ(b->GetToolTip(), L"own");
    EXPECT_EQ(b->GetTextColor(), 0xFF112233u);
    EXPECT_EQ(c->GetToolTip(), L"");
}

// Unknown elements are skipped with their children unless the callback creates them; comments
// create nothing.
TEST_F(Builder, ElementTableCallbackAndComments) {
    CustomElements callback;
    CControlUI* root = Build(
        L"<Window><VerticalLayout>"
        L"<Mystery><Label name=\"lost\" /></Mystery>"
        L"<Custom name=\"made\"><Label name=\"kept\" /></Custom>"
        L"<!--<Label name=\"commented\" />-->"
        L"<!-- <Button name=\"also\" /> <Label /> -->"
        L"<Label name=\"plain\" />"
        L"</VerticalLayout></Window>",
        &callback);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(CountChildren(root), 2);
    EXPECT_EQ(m_host.Manager().FindControl(L"lost"), nullptr);
    EXPECT_EQ(m_host.Manager().FindControl(L"commented"), nullptr);
    EXPECT_EQ(m_host.Manager().FindControl(L"also"), nullptr);
    CControlUI* made = m_host.Manager().FindControl(L"made");
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetUserData(), L"custom");
    // The custom label is no container: its child makes the whole parse of its children fail.
    EXPECT_EQ(m_host.Manager().FindControl(L"kept"), nullptr);
    EXPECT_NE(m_host.Manager().FindControl(L"plain"), nullptr);
    // Asked for the two names the table does not know, and for nothing else.
    EXPECT_EQ(callback.m_asked, 2);
}

// Options are added to their layout before their attributes apply, so "selected" already sees
// the group; the last one selected wins.
TEST_F(Builder, OptionGroupsWorkDuringTheBuild) {
    CControlUI* root = Build(
        L"<Window><HorizontalLayout><Option name=\"a\" group=\"g\" selected=\"true\" />"
        L"<Option name=\"b\" group=\"g\" selected=\"true\" /><Option name=\"c\" group=\"g\" "
        L"/></HorizontalLayout>"
        L"</Window>");
    ASSERT_NE(root, nullptr);
    auto* a = static_cast<COptionUI*>(m_host.Manager().FindControl(L"a"));
    auto* b = static_cast<COptionUI*>(m_host.Manager().FindControl(L"b"));
    auto* c = static_cast<COptionUI*>(m_host.Manager().FindControl(L"c"));
    ASSERT_TRUE(a && b && c);
    EXPECT_FALSE(a->IsSelected());
    EXPECT_TRUE(b->IsSelected());
    ASSERT_NE(m_host.Manager().GetOptionGroup(L"g"), nullptr);
    EXPECT_EQ(m_host.Manager().GetOptionGroup(L"g")->GetSize(), 3);
    c->Activate();
    EXPECT_FALSE(b->IsSelected());
}

// Include inserts another skin file "count" times at its place.
TEST_F(Builder, IncludeRepeatsAFile) {
    CSkinFolder folder;
    folder.AddFile(L"row.xml", "<Window><Label text=\"row\" /></Window>");
    CControlUI* root = Build(
        L"<Window><VerticalLayout><Label text=\"first\" /><Include source=\"row.xml\" count=\"3\" />"
        L"<Include source=\"row.xml\" /><Include count=\"2\" /><Include source=\"missing.xml\" />"
        L"<Label text=\"last\" /></VerticalLayout></Window>");
    ASSERT_NE(root, nullptr);
    IContainerUI* items = Children(root);
    ASSERT_NE(items, nullptr);
    ASSERT_EQ(items->GetCount(), 6);
    EXPECT_EQ(items->GetItemAt(0)->GetText(), L"first");
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(items->GetItemAt(i)->GetText(), L"row") << i;
    EXPECT_EQ(items->GetItemAt(5)->GetText(), L"last");
}

// A file that includes itself stops at the nesting limit instead of exhausting the stack.
TEST_F(Builder, SelfIncludeStopsAtTheDepthLimit) {
    CSkinFolder folder;
    folder.AddFile(L"self.xml", "<Window><Label /><Include source=\"self.xml\" /></Window>");
    folder.AddFile(L"ping.xml", "<Window><Label /><Include source=\"pong.xml\" /></Window>");
    folder.AddFile(L"pong.xml", "<Window><Button /><Include source=\"ping.xml\" /></Window>");
    CControlUI* root =
        Build(L"<Window><VerticalLayout><Include source=\"self.xml\" /></VerticalLayout></Window>");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(CountChildren(root), CSkinBuilder::kMaxIncludeDepth - 1);

    CControlUI* other =
        Build(L"<Window><VerticalLayout><Include source=\"ping.xml\" /></VerticalLayout></Window>");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(CountChildren(other), CSkinBuilder::kMaxIncludeDepth - 1);
}

// Without a parent only the first top-level control is returned and every other one is freed, a
// root-level Include gives its controls like any other element, and one build includes at most
// kMaxIncludes documents however the counts nest.
TEST_F(Builder, NothingBuiltIsLostAndIncludesAreBounded) {
    struct CProbes : IDialogBuilderCallback {
        std::vector<std::wstring> log;
        CControlUI* CreateControl(LPCWSTR pstrClass) override {
            return wcscmp(pstrClass, L"Probe") == 0 ? new CProbeUI(L"probe", &log) : nullptr;
        }
    } probes;
    CSkinFolder folder;
    folder.AddFile(L"probe.xml", "<Window><Probe /></Window>");
    folder.AddFile(L"fan.xml", "<Window><Label /><Include source=\"fan.xml\" count=\"2\" /></Window>");
    const wchar_t* documents[] = {
        L"<Window><Probe /><Probe /><Probe /></Window>",
        L"<Window><Include source=\"probe.xml\" /></Window>",
        L"<Window><Include source=\"probe.xml\" count=\"3\" /><Probe /></Window>",
    };
    for (const wchar_t* xml : documents) {
        CSkinBuilder builder;
        std::unique_ptr<CControlUI> first(builder.Create(xml, nullptr, &probes, &m_host.Manager()));
        EXPECT_TRUE(first != nullptr) << xml;
        EXPECT_EQ(CProbeUI::Alive().size(), 1u) << xml;
        first.reset();
        EXPECT_TRUE(CProbeUI::Alive().empty()) << xml;
    }
    CControlUI* root = Build(
        L"<Window><VerticalLayout><Include source=\"fan.xml\" count=\"2\" /></VerticalLayout></Window>");
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(CountChildren(root), CSkinBuilder::kMaxIncludes);
}

// A document held as a resource builds the same way, and its includes name resources by number.
TEST_F(Builder, ResourceDocumentsAndNumberedIncludes) {
    CSkinBuilder builder;
    CControlUI* root = builder.Create(MAKEINTRESOURCEW(300), L"SKINXML", nullptr, &m_host.Manager());
    ASSERT_NE(root, nullptr);
    m_host.Attach(root);
    EXPECT_EQ(root->GetName(), L"res_root");
    IContainerUI* items = Children(root);
    ASSERT_NE(items, nullptr);
    ASSERT_EQ(items->GetCount(), 3);
    EXPECT_EQ(items->GetItemAt(0)->GetText(), L"资源");
    EXPECT_STREQ(items->GetItemAt(1)->GetClass(), L"ButtonUI");
    EXPECT_EQ(items->GetItemAt(2)->GetText(), L"row");

    CSkinBuilder missing;
    EXPECT_EQ(missing.Create(MAKEINTRESOURCEW(399), L"SKINXML", nullptr, &m_host.Manager()), nullptr);
    CSkinBuilder untyped;
    EXPECT_EQ(untyped.Create(MAKEINTRESOURCEW(300), nullptr, nullptr, &m_host.Manager()), nullptr);
}

// Documents that do not load give no tree and keep the parser's message; children under a
// control without a container interface end the parse.
TEST_F(Builder, FailuresGiveNoTree) {
    EXPECT_EQ(Build(L"<Window><Label></Button></Window>"), nullptr);
    EXPECT_STREQ(m_error, L"Unmatched closing tag");
    EXPECT_EQ(Build(L"no-such-skin.xml"), nullptr);
    EXPECT_NE(m_error[0], L'\0');

    CSkinBuilder builder;
    CLabelUI parent;
    EXPECT_EQ(builder.Create(L"<Window><Label /></Window>", nullptr, nullptr, &m_host.Manager(), &parent),
              nullptr);
}

}  // namespace
