// The download's file sink on real files in a temporary folder.
#include "Http/DownloadWriteFile.h"

#include <gtest/gtest.h>

#include <string>

#include "Http/HttpResult.h"
#include "Runtime/CommonUtils.h"
#include "tests/support/TestEnv.h"

namespace {

class DownloadWriteFileTest : public ::testing::Test {
protected:
    DownloadWriteFileTest() : m_dir(L"sink"), m_path(m_dir.File(L"part.yw")) {}
    TestEnv::TempDir m_dir;
    std::wstring m_path;
};

// Opening keeps what is there and appends after it.
TEST_F(DownloadWriteFileTest, AppendsToAnExistingFile) {
    ASSERT_TRUE(TestEnv::WriteFileBytes(m_path, "abc"));
    DownloadWriteFile sink;
    ASSERT_TRUE(sink.Open(m_path));
    EXPECT_EQ(sink.Size(), 3u);
    EXPECT_EQ(sink.Write("defg", 4), 4);
    sink.Close();
    EXPECT_EQ(TestEnv::ReadFileBytes(m_path), "abcdefg");
}

// While open, others may read the file but its size is still measurable.
TEST_F(DownloadWriteFileTest, SizeIsReadableWhileOpen) {
    DownloadWriteFile sink;
    ASSERT_TRUE(sink.Open(m_path));
    ASSERT_EQ(sink.Write("12345", 5), 5);
    EXPECT_EQ(GetFileSize(m_path), 5);
}

// A write that would pass the limit is refused whole and leaves the file as it was.
TEST_F(DownloadWriteFileTest, RefusesToGrowPastTheLimit) {
    DownloadWriteFile sink;
    ASSERT_TRUE(sink.Open(m_path));
    sink.SetSizeLimit(10);
    EXPECT_EQ(sink.Write("12345678", 8), 8);
    EXPECT_EQ(sink.Write("abc", 3), -1);
    EXPECT_EQ(sink.ErrorType(), kHttpErrorUser);
    EXPECT_EQ(sink.ErrorCode(), kHttpErrorLengthMismatch);
    EXPECT_EQ(sink.Write("ab", 2), 2) << "exactly up to the limit is fine";
    sink.Close();
    EXPECT_EQ(sink.ErrorType(), 0) << "closing resets the error";
    EXPECT_EQ(TestEnv::ReadFileBytes(m_path), "12345678ab");
}

// Clear empties an open file (writing goes on from 0) and deletes a closed one.
TEST_F(DownloadWriteFileTest, ClearEmptiesOrDeletes) {
    ASSERT_TRUE(TestEnv::WriteFileBytes(m_path, "old bytes"));
    DownloadWriteFile sink;
    ASSERT_TRUE(sink.Open(m_path));
    sink.Clear();
    EXPECT_EQ(sink.Write("new", 3), 3);
    sink.Close();
    EXPECT_EQ(TestEnv::ReadFileBytes(m_path), "new");
    sink.Clear();
    EXPECT_FALSE(TestEnv::FileExists(m_path));
}

// A write with no open file and an open that fails report their own codes.
TEST_F(DownloadWriteFileTest, FailuresCarryTheirCodes) {
    DownloadWriteFile sink;
    EXPECT_EQ(sink.Write("x", 1), -1);
    EXPECT_EQ(sink.ErrorType(), kHttpErrorUser);
    EXPECT_EQ(sink.ErrorCode(), kHttpErrorNoFile);
    EXPECT_FALSE(sink.Open(m_dir.File(L"no-such-folder\\part.yw")));
    EXPECT_EQ(sink.ErrorType(), kHttpErrorSys);
    EXPECT_EQ(sink.ErrorCode(), kHttpErrorOpenFile);
}

// Truncate cuts a file back and never lengthens it.
TEST_F(DownloadWriteFileTest, TruncateCutsBack) {
    ASSERT_TRUE(TestEnv::WriteFileBytes(m_path, "0123456789"));
    EXPECT_TRUE(DownloadWriteFile::Truncate(m_path, 4));
    EXPECT_EQ(TestEnv::ReadFileBytes(m_path), "0123");
    EXPECT_TRUE(DownloadWriteFile::Truncate(m_path, 8));
    EXPECT_EQ(TestEnv::ReadFileBytes(m_path), "0123");
}

}  // namespace
