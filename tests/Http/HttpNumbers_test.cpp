// The header numbers a download trusts: lengths and range starts, refused past 64 bits.
#include "Http/HttpNumbers.h"

#include <gtest/gtest.h>

namespace {

struct LengthCase {
    const wchar_t* text;
    bool ok;
    uint64_t value;
};

TEST(HttpNumbersTest, ParseLength) {
    const LengthCase cases[] = {
        {L"1234", true, 1234},
        {L"  42", true, 42},
        {L"+7", true, 7},
        {L"12abc", true, 12},
        {L"", true, 0},
        {L"abc", true, 0},
        {L"0", true, 0},
        {L"-0", true, 0},
        {L"-5", false, 0},
        {L"18446744073709551615", true, 18446744073709551615ULL},
        {L"18446744073709551616", false, 0},
        {L"99999999999999999999", false, 0},
        {L"123456789012345678901234", false, 0},
    };
    for (const LengthCase& c : cases) {
        uint64_t value = 0;
        EXPECT_EQ(HttpNumbers::ParseLength(c.text, value), c.ok) << c.text;
        if (c.ok)
            EXPECT_EQ(value, c.value) << c.text;
    }
}

struct RangeCase {
    const wchar_t* text;
    bool ok;
    uint64_t start;
};

TEST(HttpNumbersTest, ParseRangeStart) {
    const RangeCase cases[] = {
        {L"bytes 400-999/1000", true, 400},
        {L"Bytes 0-9/10", true, 0},
        {L"  bytes   12-20/*", true, 12},
        {L"bytes */1000", false, 0},
        {L"bytes 400", false, 0},
        {L"items 1-2/3", false, 0},
        {L"", false, 0},
        {L"bytes 99999999999999999999-1/2", false, 0},
    };
    for (const RangeCase& c : cases) {
        uint64_t start = 0;
        EXPECT_EQ(HttpNumbers::ParseRangeStart(c.text, start), c.ok) << c.text;
        if (c.ok)
            EXPECT_EQ(start, c.start) << c.text;
    }
}

TEST(HttpNumbersTest, AddLengthsRefusesOverflow) {
    uint64_t sum = 0;
    EXPECT_TRUE(HttpNumbers::AddLengths(400, 600, sum));
    EXPECT_EQ(sum, 1000u);
    EXPECT_TRUE(HttpNumbers::AddLengths(~0ULL - 1, 1, sum));
    EXPECT_FALSE(HttpNumbers::AddLengths(~0ULL, 1, sum));
    EXPECT_FALSE(HttpNumbers::AddLengths(1ULL << 63, 1ULL << 63, sum));
}

}  // namespace
