#include "app/WorkFolder.h"

#include <gtest/gtest.h>

#include "Runtime/CommonUtils.h"
#include "tests/support/TestEnv.h"

// The work folder is made below the all-users folder and found again by the next run (so a partial
// download resumes); while open it cannot be renamed away for a link to take its place; something
// else in its place is left alone and a new folder with a random suffix is used; nothing below a link
// is taken.
TEST(WorkFolder, MadeFoundAgainHeldAndReplacedWhenRefused) {
    TestEnv::TempDir dir(L"work");
    CWorkFolder first(dir.Path());
    ASSERT_TRUE(first.Open());
    EXPECT_EQ(dir.File(L"Zorva\\TarnisSetup"), first.Path());
    EXPECT_FALSE(MoveFileW(first.Path().c_str(), dir.File(L"Zorva\\moved").c_str())) << "renamed while held";
    CWorkFolder second(dir.Path());
    ASSERT_TRUE(second.Open());
    EXPECT_EQ(first.Path(), second.Path());

    TestEnv::TempDir planted(L"work-planted");
    const std::wstring usual = planted.File(L"Zorva\\TarnisSetup");
    ASSERT_TRUE(CreateDir(planted.File(L"Zorva")));
    ASSERT_TRUE(TestEnv::WriteFileBytes(usual, "not a folder"));
    CWorkFolder refused(planted.Path());
    ASSERT_TRUE(refused.Open());
    EXPECT_EQ(0u, refused.Path().rfind(usual + L"-", 0)) << refused.Path();
    EXPECT_EQ(usual.size() + 9, refused.Path().size()) << refused.Path();
    EXPECT_EQ("not a folder", TestEnv::ReadFileBytes(usual));

    EXPECT_FALSE(CWorkFolder(L"").Open());
    // Below a link to another folder (made on the host by the test fixture) no folder is taken.
    EXPECT_FALSE(CWorkFolder(L"C:\\zorva-test-links\\link").Open());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(L"C:\\zorva-test-links\\target\\Zorva"));
}
