// The download's file sink on real files in a temporary folder, and its hashing thread.
#include "Http/DownloadWriteFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "Http/DigestPipe.h"
#include "Http/HttpResult.h"
#include "Runtime/CommonUtils.h"
#include "Runtime/Md5.h"
#include "Runtime/PlatformHash.h"
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

namespace {

std::string Sha256Of(const std::string& data) {
    CPlatformHash hash(CPlatformHash::Algorithm::kSha256);
    hash.Update(data.data(), data.size());
    return hash.FinishHex();
}

}  // namespace

// The hashing thread behind a ring much smaller than the pieces written: each piece waits for
// room (the writer slows), no byte is lost or hashed twice, a reset drops what was still queued,
// and a cancelled pipe answers no digest.
TEST(DigestPipeTest, FullRingSlowsTheWriterAndLosesNothing) {
    constexpr size_t kRing = 64 * 1024;
    std::string data(5 * 1024 * 1024 + 123, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>((i * 131) ^ (i >> 9));
    DigestPipe pipe(kDigestMd5 | kDigestSha256, kRing);
    const std::string junk(3 * kRing, 'j');
    ASSERT_TRUE(pipe.Feed(junk.data(), junk.size()));
    pipe.Reset();
    EXPECT_EQ(pipe.Fed(), 0u);
    const size_t piece = 1024 * 1024 + 7;
    for (size_t at = 0; at < data.size(); at += piece)
        ASSERT_TRUE(pipe.Feed(data.data() + at, std::min(piece, data.size() - at)));
    EXPECT_EQ(pipe.Fed(), data.size());
    EXPECT_GE(pipe.FullWaits(), data.size() / piece) << "every piece larger than the ring waited for room";
    ASSERT_TRUE(pipe.Drain());
    const FileDigests digests = pipe.Finish();
    EXPECT_EQ(digests.sha256, Sha256Of(data));
    EXPECT_EQ(digests.md5, CMd5::OfString(data));

    DigestPipe cancelled(kDigestSha256, kRing);
    ASSERT_TRUE(cancelled.Feed(data.data(), kRing));
    cancelled.Cancel();
    EXPECT_FALSE(cancelled.Feed(data.data(), 1));
    EXPECT_FALSE(cancelled.Drain());
    EXPECT_EQ(cancelled.Finish().sha256, "");
}

// Writes much smaller than a batch, with pauses between them as a receive has, wake the hashing
// thread once a batch has gathered, not each time; the tail shorter than a batch is still hashed
// when the writer finishes.
TEST(DigestPipeTest, SmallWritesAreHashedInBatches) {
    std::string data(1024 * 1024 + 100, '\0');
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7 + (i >> 12));
    DigestPipe pipe(kDigestSha256);
    constexpr size_t kWrite = 16 * 1024;
    for (size_t at = 0; at < data.size(); at += kWrite) {
        ASSERT_TRUE(pipe.Feed(data.data() + at, std::min(kWrite, data.size() - at)));
        Sleep(1);
    }
    ASSERT_TRUE(pipe.Drain());
    EXPECT_EQ(pipe.Finish().sha256, Sha256Of(data));
    // Each wake takes at least a batch, split in two at most where it wraps round the ring.
    EXPECT_LE(pipe.PiecesHashed(), 2 * (data.size() / DigestPipe::kPieceBytes + 1));
}
