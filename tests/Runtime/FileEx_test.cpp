#include "Runtime/FileEx.h"

#include <gtest/gtest.h>

#include "Runtime/CommonUtils.h"
#include "tests/support/TestEnv.h"

namespace {
constexpr unsigned kDownloadMode = 0xB0A2;
}

// The download mode creates a missing file empty; open-existing fails with the system code.
TEST(FileEx, OpenModes) {
    TestEnv::TempDir dir(L"fileex");
    const std::wstring path = dir.File(L"a.bin");
    {
        CFileEx file;
        CFileExException error;
        EXPECT_FALSE(file.Open(path, CFileEx::kReadWrite, &error));
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, error.m_code);
        EXPECT_EQ(L"INVALID_HANDLE_VALUE", error.m_message);
    }  // destroying a failed object closes nothing
    CFileEx file;
    ASSERT_TRUE(file.Open(path, kDownloadMode, nullptr));
    EXPECT_EQ(0u, file.Seek(0, CFileEx::kEnd));
    file.Write("hello", 5);
    file.Write("", 0);
    EXPECT_EQ(5u, file.GetPosition());
    file.Close();
    EXPECT_FALSE(file.IsOpen());

    // Reopening with "do not truncate" keeps the bytes; without it the file is emptied.
    ASSERT_TRUE(file.Open(path, kDownloadMode, nullptr));
    EXPECT_EQ(5u, file.SeekToEnd());
    file.Close();
    ASSERT_TRUE(file.Open(path, CFileEx::kReadWrite | CFileEx::kCreate, nullptr));
    EXPECT_EQ(0u, file.SeekToEnd());
}

// The download mode denies other writers but lets readers measure the file.
TEST(FileEx, DenyWriteSharing) {
    TestEnv::TempDir dir(L"share");
    const std::wstring path = dir.File(L"p.yw");
    CFileEx file;
    ASSERT_TRUE(file.Open(path, kDownloadMode, nullptr));
    file.Write("0123456789", 10);
    CFileEx writer;
    CFileExException error;
    EXPECT_FALSE(writer.Open(path, CFileEx::kWrite, &error));
    EXPECT_EQ(ERROR_SHARING_VIOLATION, error.m_code);
    EXPECT_EQ(10, GetFileSize(path));
    CFileEx reader;
    EXPECT_TRUE(reader.Open(path, CFileEx::kRead | CFileEx::kShareDenyNone, nullptr));
}

// SetLength(0) at the end empties the file and leaves the position at 0; reads see what was
// written. Lengths and positions past 4 GiB (a sparse file) keep all 64 bits.
TEST(FileEx, SetLengthReadBack) {
    TestEnv::TempDir dir(L"len");
    const std::wstring path = dir.File(L"b.bin");
    CFileEx file;
    ASSERT_TRUE(file.Open(path, kDownloadMode, nullptr));
    file.Write("abcdef", 6);
    file.Seek(2, CFileEx::kBegin);
    char buffer[8] = {};
    EXPECT_EQ(4u, file.Read(buffer, 8));
    EXPECT_STREQ("cdef", buffer);
    EXPECT_EQ(0u, file.Read(buffer, 0));
    file.SeekToEnd();
    file.SetLength(0);
    EXPECT_EQ(0u, file.GetPosition());
    EXPECT_EQ(0u, file.SeekToEnd());
    file.Flush();

    const uint64_t past4GiB = (uint64_t{1} << 32) + 6;
    file.SetLength(past4GiB);
    EXPECT_EQ(past4GiB, file.GetPosition());
    EXPECT_EQ(past4GiB, file.SeekToEnd());
    EXPECT_EQ(static_cast<int64_t>(past4GiB), GetFileSize(path));
    EXPECT_EQ(past4GiB - 2, file.Seek(-2, CFileEx::kEnd));
    file.SetLength(past4GiB - 1);
    EXPECT_EQ(past4GiB - 1, file.SeekToEnd());
}

// Failing operations on a closed file throw with the system error.
TEST(FileEx, FailuresThrow) {
    CFileEx file;
    char small_[1];
    try {
        file.Write("x", 1);
        FAIL();
    } catch (const CFileExException& e) {
        EXPECT_EQ(ERROR_INVALID_HANDLE, e.m_code);
    }
    EXPECT_THROW(file.Read(small_, 1), CFileExException);
    EXPECT_THROW(file.Seek(0, CFileEx::kBegin), CFileExException);
    file.Abort();
    EXPECT_NO_THROW(file.Close());
}
