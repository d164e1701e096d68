// The flow shared by the vertical and horizontal layouts, in a real window: flexible children share
// what fixed children, paddings and child padding leave, and together they fill the layout exactly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/controls/ControlHost.h"
#include "ui/controls/HorizontalLayoutUI.h"
#include "ui/controls/VerticalLayoutUI.h"

using ControlTest::CControlHost;
using namespace SkinUI;

namespace {

constexpr int kLength = 300;  // along the flow
constexpr int kAcross = 100;

CControlHost& Host() {
    static CControlHost host(kLength, kLength);
    return host;
}

// Along the flow: a fixed length (0: flexible), the child's own paddings before and after it, and
// where its rectangle is expected to begin and end (the padding after it lies inside).
struct TChild {
    int fixed;
    int padNear;
    int padFar;
    int expectNear;
    int expectFar;
};

struct TFlowCase {
    const char* scenario;
    int childPadding;
    std::vector<TChild> children;
};

const TFlowCase kCases[] = {
    {"two flexible, child padding 10", 10, {{0, 0, 0, 0, 145}, {0, 0, 0, 155, 300}}},
    {"three flexible, child padding 10: the last takes the remainder",
     10,
     {{0, 0, 0, 0, 93}, {0, 0, 0, 103, 196}, {0, 0, 0, 206, 300}}},
    {"two flexible with paddings 5 and 5", 0, {{0, 5, 5, 5, 150}, {0, 5, 5, 155, 300}}},
    {"a padded fixed child between two flexible ones",
     10,
     {{0, 0, 0, 0, 110}, {50, 4, 6, 124, 180}, {0, 0, 0, 190, 300}}},
    {"the last flexible child before a fixed one",
     10,
     {{0, 2, 3, 2, 120}, {0, 0, 0, 130, 245}, {45, 0, 0, 255, 300}}},
};

std::wstring Attributes(bool vertical, const TChild& child) {
    const std::wstring nearPad = std::to_wstring(child.padNear);
    const std::wstring farPad = std::to_wstring(child.padFar);
    std::wstring attributes = vertical ? L"padding=\"0," + nearPad + L",0," + farPad + L"\""
                                       : L"padding=\"" + nearPad + L",0," + farPad + L",0\"";
    if (child.fixed != 0)
        attributes += (vertical ? L" height=\"" : L" width=\"") + std::to_wstring(child.fixed) + L"\"";
    return attributes;
}

TEST(FlowLayoutTest, FlexibleChildrenFillWhatIsLeft) {
    for (bool vertical : {true, false}) {
        Host().Resize(vertical ? kAcross : kLength, vertical ? kLength : kAcross);
        for (const TFlowCase& flow : kCases) {
            CContainerUI* root = vertical ? static_cast<CContainerUI*>(new CVerticalLayoutUI())
                                          : static_cast<CContainerUI*>(new CHorizontalLayoutUI());
            root->SetChildPadding(flow.childPadding);
            std::vector<CControlUI*> children;
            for (const TChild& child : flow.children) {
                children.push_back(new CControlUI());
                children.back()->ApplyAttributeList(Attributes(vertical, child).c_str());
                root->Add(children.back());
            }
            Host().Attach(root);
            ASSERT_TRUE(Host().Layout());
            for (size_t i = 0; i < children.size(); ++i) {
                const RECT& rc = children[i]->GetPos();
                EXPECT_EQ(vertical ? rc.top : rc.left, flow.children[i].expectNear)
                    << flow.scenario << ", vertical " << vertical << ", child " << i;
                EXPECT_EQ(vertical ? rc.bottom : rc.right, flow.children[i].expectFar)
                    << flow.scenario << ", vertical " << vertical << ", child " << i;
            }
        }
    }
}

}  // namespace
