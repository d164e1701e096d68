#include "Runtime/CommonUtils.h"

#include <gtest/gtest.h>

#include "tests/support/TestEnv.h"

// Units change at 1000 of the current unit while each is 1024 of the previous.
TEST(CommonUtils, FormatFileSizeBoundaries) {
    struct Case {
        uint64_t bytes;
        const wchar_t* text;
    } cases[] = {
        {0, L"0B"},
        {999, L"999B"},
        {1000, L"0.98KB"},
        {1023, L"1.00KB"},
        {1024, L"1.00KB"},
        {1048576, L"1.00MB"},
        {1024000, L"0.98MB"},
        {125829120, L"120.00MB"},
        {~0ULL, L"16777216.00TB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.text, FormatFileSize(c.bytes)) << c.bytes;
}

// Sizes of missing, empty and filled files.
TEST(CommonUtils, GetFileSize) {
    TestEnv::TempDir dir(L"size");
    EXPECT_EQ(-1, GetFileSize(dir.File(L"missing")));
    ASSERT_TRUE(TestEnv::WriteFileBytes(dir.File(L"empty"), ""));
    EXPECT_EQ(0, GetFileSize(dir.File(L"empty")));
    ASSERT_TRUE(TestEnv::WriteFileBytes(dir.File(L"text"), std::string(3000, '\n')));
    EXPECT_EQ(3000, GetFileSize(dir.File(L"text"))) << "text mode must not change the byte count";
}

// Folders are created with their missing parents; existing ones are fine.
TEST(CommonUtils, CreateDirWithParents) {
    TestEnv::TempDir dir(L"mk");
    const std::wstring deep = dir.Path() + L"\\a\\b c\\Zorva网络\\ZorvaTarnis";
    EXPECT_TRUE(CreateDir(deep));
    EXPECT_TRUE(TestEnv::FileExists(deep));
    EXPECT_TRUE(CreateDir(deep));
}

// Delete of a missing file succeeds; move replaces an existing target; a missing source fails.
TEST(CommonUtils, DeleteAndMove) {
    TestEnv::TempDir dir(L"mv");
    EXPECT_TRUE(DeleteFileOnce(dir.File(L"none")));
    ASSERT_TRUE(TestEnv::WriteFileBytes(dir.File(L"src"), "new"));
    ASSERT_TRUE(TestEnv::WriteFileBytes(dir.File(L"dst"), "old contents"));
    EXPECT_TRUE(MoveFileOnce(dir.File(L"src"), dir.File(L"dst")));
    EXPECT_EQ("new", TestEnv::ReadFileBytes(dir.File(L"dst")));
    EXPECT_FALSE(TestEnv::FileExists(dir.File(L"src")));
    EXPECT_FALSE(MoveFileOnce(dir.File(L"src"), dir.File(L"dst")));
    EXPECT_TRUE(DeleteFileOnce(dir.File(L"dst")));
    EXPECT_FALSE(TestEnv::FileExists(dir.File(L"dst")));
}

// A process that cannot start reports the system error; one that starts reports 0.
TEST(CommonUtils, RunProcess) {
    TestEnv::TempDir dir(L"run");
    const std::wstring missing = dir.File(L"nothing.exe");
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), RunProcess(missing, L"\"" + missing + L"\""));
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
    PROCESS_INFORMATION info = {};
    auto result = RunProcessEx(cmd, L"\"" + cmd + L"\" /c exit 3", &info);
    ASSERT_EQ(0, result.first);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(info.hProcess, 30000));
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    EXPECT_EQ(3u, code);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
}

// Formatting into a string of any length, and into a bounded buffer.
TEST(CommonUtils, FormatString) {
    std::wstring big(5000, L'x');
    EXPECT_EQ(big + L"7", FormatString(L"%s%d", big.c_str(), 7));
    wchar_t small[8];
    FormatString(small, 8, L"%s", L"abcdefghij");
    EXPECT_EQ(std::wstring(L"abcdefg"), small);
}
