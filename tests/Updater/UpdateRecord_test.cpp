#include "Updater/UpdateRecord.h"

#include <gtest/gtest.h>

#include "tests/support/TestEnv.h"

// The record is FF FE and the text in UTF-16LE, nothing else; a second write replaces the first.
TEST(UpdateRecord, ExactBytesAndReplacement) {
    TestEnv::TempDir dir(L"record");
    const std::wstring path = dir.File(L"zvinstall.ini");
    UpdateRecord::Write(path, L"[Install]\r\nUrl=http://a/b\r\nVersion=版本1\r\n");
    UpdateRecord::Write(path, L"[Install]\r\nUrl=x\r\n");
    const std::string bytes = TestEnv::ReadFileBytes(path);
    const std::wstring text = L"[Install]\r\nUrl=x\r\n";
    ASSERT_EQ(2 + text.size() * 2, bytes.size());
    EXPECT_EQ('\xFF', bytes[0]);
    EXPECT_EQ('\xFE', bytes[1]);
    EXPECT_EQ(0, memcmp(bytes.data() + 2, text.data(), text.size() * 2));
    ManifestInfo info = UpdateRecord::Read(path);
    EXPECT_EQ(L"x", info.url);
    EXPECT_EQ(L"", info.version);

    UpdateRecord::Write(path, L"");
    EXPECT_EQ(std::string("\xFF\xFE"), TestEnv::ReadFileBytes(path));
    info = UpdateRecord::Read(path);
    EXPECT_TRUE(info.url.empty() && info.size.empty() && info.md5.empty() && info.version.empty());
}

// Section and key names match without regard to case; Chinese values survive; mirrors keep their
// key order and empty ones are left out.
TEST(UpdateRecord, LowerCaseNamesAreFound) {
    TestEnv::TempDir dir(L"lower");
    const std::wstring path = dir.File(L"zvinstall.ini");
    UpdateRecord::Write(path,
                        L"[other]\r\nurl=wrong\r\n[install]\r\nurl=http://h/p.exe\r\nsize=42\r\nmd5=AB\r\n"
                        L"version=1.0.0.2 测试\r\nurl3=http://m3/p.exe\r\nUrl2=\r\nURL1=http://m1/p.exe\r\n");
    const ManifestInfo info = UpdateRecord::Read(path);
    EXPECT_EQ(L"http://h/p.exe", info.url);
    EXPECT_EQ(L"42", info.size);
    EXPECT_EQ(L"AB", info.md5);
    EXPECT_EQ(L"1.0.0.2 测试", info.version);
    EXPECT_EQ((std::vector<std::wstring>{L"http://m1/p.exe", L"http://m3/p.exe"}), info.mirrors);
}

// Sizes read like a C decimal conversion that stops at the first non-digit.
TEST(UpdateRecord, ParseSize) {
    struct Case {
        const wchar_t* text;
        int64_t value;
    } cases[] = {
        {L"", 0},
        {L"123abc", 123},
        {L"  77", 77},
        {L"+5", 5},
        {L"-3", -3},
        {L"abc", 0},
        {L"9223372036854775807", INT64_MAX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.value, UpdateRecord::ParseSize(c.text)) << c.text;
}
