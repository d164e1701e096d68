#include "ui/core/SkinText.h"

#include <gtest/gtest.h>

using namespace SkinUI;

namespace {

struct TIntsCase {
    const wchar_t* text;
    int expected[4];
};

}  // namespace

// Number lists: short lists leave 0s, separators are any one character, malformed numbers read as 0.
TEST(SkinText, NumberLists) {
    const TIntsCase cases[] = {
        {L"540", {540, 0, 0, 0}},     {L"0,0,16", {0, 0, 16, 0}},     {L"", {0, 0, 0, 0}},
        {L"1,2,3,4,5", {1, 2, 3, 4}}, {L"-3,4,-5,6", {-3, 4, -5, 6}}, {L"1;2 3|4", {1, 2, 3, 4}},
        {L"abc", {0, 0, 0, 0}},       {L"12,", {12, 0, 0, 0}},        {L"7,x,9,10", {7, 0, 0, 9}},
        {L"5,,6", {5, 0, 6, 0}},
    };
    for (const TIntsCase& c : cases) {
        int values[4] = {-1, -1, -1, -1};
        ParseSkinInts(c.text, values, 4);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(c.expected[i], values[i]) << "text \"" << c.text << "\" slot " << i;
    }
    int values[2] = {-1, -1};
    ParseSkinInts(nullptr, values, 2);
    EXPECT_EQ(0, values[0]);
    EXPECT_EQ(0, values[1]);
}

// A list that ends early never reads the characters that lie behind its terminator.
TEST(SkinText, StopsAtTheTerminator) {
    const wchar_t buffer[] =
        L"1,\0"
        L"99,98,97";
    int values[4] = {-1, -1, -1, -1};
    const wchar_t* end = ParseSkinInts(buffer, values, 4);
    EXPECT_EQ(buffer + 2, end);
    EXPECT_EQ(1, values[0]);
    EXPECT_EQ(0, values[1]);
    EXPECT_EQ(0, values[2]);
    EXPECT_EQ(0, values[3]);
}

TEST(SkinText, RectanglesSizesColoursAndBooleans) {
    const RECT rc = ParseSkinRect(L"177,237,361,281");
    EXPECT_EQ(177, rc.left);
    EXPECT_EQ(237, rc.top);
    EXPECT_EQ(361, rc.right);
    EXPECT_EQ(281, rc.bottom);
    const RECT shortRect = ParseSkinRect(L"5,4");
    EXPECT_EQ(5, shortRect.left);
    EXPECT_EQ(4, shortRect.top);
    EXPECT_EQ(0, shortRect.right);
    EXPECT_EQ(0, shortRect.bottom);
    const SIZE size = ParseSkinSize(L"540,355");
    EXPECT_EQ(540, size.cx);
    EXPECT_EQ(355, size.cy);
    EXPECT_EQ(540, ParseSkinSize(L"540").cx);
    EXPECT_EQ(0, ParseSkinSize(L"540").cy);

    EXPECT_EQ(0xFF444343u, ParseSkinColor(L"#ff444343"));
    EXPECT_EQ(0xFF0000FFu, ParseSkinColor(L"FF0000FF"));
    EXPECT_EQ(0u, ParseSkinColor(L""));
    EXPECT_EQ(0u, ParseSkinColor(L"#"));
    EXPECT_EQ(0u, ParseSkinColor(nullptr));

    EXPECT_TRUE(ParseSkinBool(L"true"));
    EXPECT_FALSE(ParseSkinBool(L"True"));
    EXPECT_FALSE(ParseSkinBool(L"true "));
    EXPECT_FALSE(ParseSkinBool(L"1"));
    EXPECT_FALSE(ParseSkinBool(nullptr));
}
