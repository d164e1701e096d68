#include "app/AppContext.h"

#include <gtest/gtest.h>

// The launch identifier: a leading decimal number, kept to its low 16 bits.
TEST(AppContext, LaunchIdFromCommandLine) {
    struct Case {
        const wchar_t* commandLine;
        uint16_t id;
    } cases[] = {
        {L"", 0}, {L"123 abc", 123}, {L"70000", 4464}, {L"  42", 42}, {L"abc", 0}, {L"-1", 65535}, {L"65535", 65535},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.id, AppContext::ParseLaunchId(c.commandLine)) << c.commandLine;
}
