// File downloads against the local nginx and the fault server: resume, servers that ignore
// or misreport ranges and lengths, dropped and silent connections, and progress reports.
#include "Http/HttpDownloadFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Http/HttpMgr.h"
#include "Runtime/CommonUtils.h"
#include "tests/Http/HttpTestSupport.h"
#include "tests/support/TestEnv.h"

using HttpTest::FaultUrl;
using HttpTest::kWaitMs;
using HttpTest::NginxUrl;
using HttpTest::Pattern;

namespace {

struct Progress {
    uint64_t total;
    uint64_t present;
    uint32_t speed;
};

struct Observed {
    int doneCalls = 0;
    int type = -1;
    int code = -1;
    std::vector<Progress> progress;
    // The installer stops a download in its done handler; tests that need it do the same.
    CHttpDownloadFile* stopOnDone = nullptr;
};

void OnDone(void* user, int type, int code) {
    auto* observed = static_cast<Observed*>(user);
    ++observed->doneCalls;
    observed->type = type;
    observed->code = code;
    if (observed->stopOnDone)
        observed->stopOnDone->Stop();
}

void OnProgress(void* user, uint64_t total, uint64_t present, uint32_t speed) {
    static_cast<Observed*>(user)->progress.push_back({total, present, speed});
}

class HttpDownloadFileTest : public HttpTest::EngineTest {
protected:
    HttpDownloadFileTest() : m_dir(L"download"), m_path(m_dir.File(L"package.exe.yw")) {}

    // Starts the download and waits for its done callback.
    void Run(const std::wstring& url, uint64_t expectedSize) {
        Begin(url, expectedSize);
        ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_observed.doneCalls > 0; }, kWaitMs))
            << "no done callback";
    }
    void Begin(const std::wstring& url, uint64_t expectedSize) {
        m_download.SetDoneCallback(&OnDone);
        m_download.SetProgressCallback(&OnProgress);
        ASSERT_TRUE(m_download.Download(url, m_path, expectedSize, &m_observed));
    }
    // One case of a table: a request of its own, stopped in its done handler as the installer does.
    void RunOnce(CHttpDownloadFile& download, Observed& observed, const std::wstring& url, uint64_t size) {
        observed.stopOnDone = &download;
        download.SetDoneCallback(&OnDone);
        ASSERT_TRUE(download.Download(url, m_path, size, &observed));
        ASSERT_TRUE(TestEnv::PumpUntil([&] { return observed.doneCalls > 0; }, kWaitMs));
    }
    std::string FileBytes() { return TestEnv::ReadFileBytes(m_path); }
    int64_t FileSize() { return GetFileSize(m_path); }
    std::wstring TaggedFile(const std::wstring& query) {
        return FaultUrl(L"/file?tag=" + m_tag + L"&" + query);
    }
    std::string Seen() { return HttpTest::RequestsSeen(m_tag); }
    // Sets the partial file's length without writing its bytes (a sparse file under Wine).
    void SetSparseLength(uint64_t length) {
        HANDLE file = CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(length);
        EXPECT_TRUE(SetFilePointerEx(file, at, nullptr, FILE_BEGIN) && SetEndOfFile(file));
        CloseHandle(file);
    }
    std::string TailBytes(DWORD count) {
        std::string bytes(count, '\0');
        HANDLE file =
            CreateFileW(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        LARGE_INTEGER back;
        back.QuadPart = -static_cast<LONGLONG>(count);
        DWORD got = 0;
        if (file == INVALID_HANDLE_VALUE || !SetFilePointerEx(file, back, nullptr, FILE_END) ||
            !ReadFile(file, &bytes[0], count, &got, nullptr) || got != count)
            bytes.clear();
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        return bytes;
    }

    TestEnv::TempDir m_dir;
    std::wstring m_path;
    std::wstring m_tag = HttpTest::NewTag();
    CHttpDownloadFile m_download;
    Observed m_observed;
};

// No partial file: the whole file is asked for without a range; the first report is (1000, 0, 0).
TEST_F(HttpDownloadFileTest, FreshDownloadStartsAtZero) {
    Run(TaggedFile(L"size=1000"), 1000);
    EXPECT_EQ(m_observed.type, 0);
    EXPECT_EQ(m_observed.code, 0);
    ASSERT_FALSE(m_observed.progress.empty());
    EXPECT_EQ(m_observed.progress[0].total, 1000u);
    EXPECT_EQ(m_observed.progress[0].present, 0u);
    EXPECT_EQ(m_observed.progress[0].speed, 0u);
    EXPECT_TRUE(FileBytes() == Pattern(0, 1000));
    EXPECT_EQ(Seen(), "/file -\n");
}

// A 400-byte partial file is resumed with "400-" and nginx's 206 completes it byte for byte.
TEST_F(HttpDownloadFileTest, ResumesWithRangeFromNginx) {
    ASSERT_TRUE(TestEnv::WriteFileBytes(m_path, Pattern(0, 400)));
    Run(NginxUrl(L"/small.bin"), 1000);
    EXPECT_EQ(m_observed.type, 0);
    ASSERT_FALSE(m_observed.progress.empty());
    EXPECT_EQ(m_observed.progress[0].total, 1000u);
    EXPECT_EQ(m_observed.progress[0].present, 400u);
    EXPECT_TRUE(FileBytes() == TestEnv::ReadFileBytes(HttpTest::DocRoot() + L"\\small.bin"));
}

TEST_F(HttpDownloadFileTest, ResumeAsksForTheRemainingBytes) {
    ASSERT_TRUE(TestEnv::WriteFileBytes(m_path, Pattern(0, 400)));
    Run(TaggedFile(L"size=1000"), 1000);
    EXPECT_EQ(m_observed.type, 0);
    EXPECT_EQ(Seen(), "/file bytes=400-\n");
    EXPECT_TRUE(FileBytes() == Pattern(0, 1000));
}

// A server that answers the range with 200 and the whole body: the file is emptied once and
// written from the start.
TEST_F(HttpDownloadFileTest, FullAnswerToARangeRestartsTheFile) {
    ASSERT_TRUE(TestEnv::WriteFileBytes(m_path, Pattern(0, 400)));
    Run(TaggedFile(L"size=1000&range=ignore"), 1000);
    EXPECT_EQ(m_observed.type, 0);
    ASSERT_FALSE(m_observed.progress.empty());
    EXPECT_EQ(m_observed.progress[0].total, 1000u);
    EXPECT_EQ(m_observed.progress[0].present, 0u);
    EXPECT_TRUE(FileBytes() == Pattern(0, 1000));
}

// A 206 whose length does not add up to the expected size is a length mismatch, not retried,
// and never shown as progress toward a file it cannot make.
TEST_F(HttpDownloadFileTest, ShortPartialAnswerIsALengthMismatch) {
    ASSERT_TRUE(TestEnv::WriteFileBytes(m_path, Pattern(0, 400)));
    Run(TaggedFile(L"size=1000&cl=500"), 1000);
    EXPECT_EQ(m_observed.type, 3);
    EXPECT_EQ(m_observed.code, 2007);
    EXPECT_TRUE(m_observed.progress.empty());
    TestEnv::PumpFor(1200);
    EXPECT_EQ(m_observed.doneCalls, 1);
    EXPECT_EQ(Seen(), "/file bytes=400-\n");
}

// A 206 that starts somewhere else than asked would splice wrong bytes: mismatch, and the
// partial file is emptied so that the next attempt starts from 0.
TEST_F(HttpDownloadFileTest, PartialAnswerFromTheWrongOffsetEmptiesTheFile) {
    ASSERT_TRUE(TestEnv::WriteFileBytes(m_path, Pattern(0, 400)));
    Run(TaggedFile(L"size=1000&crstart=300"), 1000);
    EXPECT_EQ(m_observed.type, 3);
    EXPECT_EQ(m_observed.code, 2007);
    EXPECT_EQ(FileSize(), 0);
}

// A Content-Length too large for 64 bits is a mismatch, not a wrapped sum.
TEST_F(HttpDownloadFileTest, HostileContentLengthIsALengthMismatch) {
    ASSERT_TRUE(TestEnv::WriteFileBytes(m_path, Pattern(0, 400)));
    Run(TaggedFile(L"size=1000&cl=99999999999999999999"), 1000);
    EXPECT_EQ(m_observed.type, 3);
    EXPECT_EQ(m_observed.code, 2007);
}

// A complete file is reported done from inside Send, without a request to the server.
TEST_F(HttpDownloadFileTest, CompleteFileIsDoneWithoutTraffic) {
    ASSERT_TRUE(TestEnv::WriteFileBytes(m_path, Pattern(0, 1000)));
    m_observed.stopOnDone = &m_download;
    m_download.SetDoneCallback(&OnDone);
    ASSERT_TRUE(m_download.Download(TaggedFile(L"size=1000"), m_path, 1000, &m_observed));
    EXPECT_EQ(m_observed.doneCalls, 1);
    EXPECT_EQ(m_observed.type, 0);
    EXPECT_EQ(m_observed.code, 0);
    EXPECT_FALSE(m_download.IsRunning());
    EXPECT_EQ(Seen(), "");
    EXPECT_EQ(m_observed.doneCalls, 1);
}

// A partial file larger than the expected size is emptied and downloaded again from 0.
TEST_F(HttpDownloadFileTest, OversizedPartialFileIsDownloadedAgain) {
    ASSERT_TRUE(TestEnv::WriteFileBytes(m_path, std::string(1200, 'x')));
    Run(TaggedFile(L"size=1000"), 1000);
    EXPECT_EQ(m_observed.type, 0);
    EXPECT_EQ(Seen(), "/file -\n");
    EXPECT_TRUE(FileBytes() == Pattern(0, 1000));
}

// Without an expected size any old file is emptied, there is no length check, and the
// reports use the Content-Length.
TEST_F(HttpDownloadFileTest, UnknownExpectedSizeDownloadsFromZero) {
    ASSERT_TRUE(TestEnv::WriteFileBytes(m_path, std::string(300, 'x')));
    Run(TaggedFile(L"size=777"), 0);
    EXPECT_EQ(m_observed.type, 0);
    ASSERT_FALSE(m_observed.progress.empty());
    EXPECT_EQ(m_observed.progress[0].total, 777u);
    EXPECT_EQ(Seen(), "/file -\n");
    EXPECT_TRUE(FileBytes() == Pattern(0, 777));
}

// No Content-Length: no progress reports at all, only the done callback.
TEST_F(HttpDownloadFileTest, NoContentLengthMeansNoProgress) {
    Run(TaggedFile(L"size=200000&nolength=1&rate=100000"), 200000);
    EXPECT_EQ(m_observed.type, 0);
    EXPECT_TRUE(m_observed.progress.empty());
    EXPECT_TRUE(FileBytes() == Pattern(0, 200000));
}

// A body without a length that ends short is not a finished download.
TEST_F(HttpDownloadFileTest, BodyCutShortWithoutLengthIsAMismatch) {
    Run(TaggedFile(L"size=600&nolength=1"), 1000);
    EXPECT_EQ(m_observed.type, 3);
    EXPECT_EQ(m_observed.code, 2007);
}

// A server sending more than the expected size fails the download as a length mismatch,
// without retry, and never leaves the file whole: here a first chunk fills it to exactly the
// expected size before the next one is refused, and what the body wrote is taken back.
TEST_F(HttpDownloadFileTest, OverlongBodyIsAMismatchAndLeavesNoWholeFile) {
    Run(TaggedFile(L"size=1000&chunked=1&extra=5000&rate=10000"), 1000);
    EXPECT_EQ(m_observed.type, 3);
    EXPECT_EQ(m_observed.code, 2007);
    EXPECT_EQ(FileSize(), 0);
    EXPECT_EQ(Seen(), "/file -\n");
}

// A full disk is reported as itself, at once, not as a transport error retried unseen. Wine
// shows the Unix device that is always full as Z:\dev\full.
TEST_F(HttpDownloadFileTest, FullDiskReportsItsOwnError) {
    m_path = L"Z:\\dev\\full";
    Run(TaggedFile(L"size=100000"), 100000);
    EXPECT_EQ(m_observed.type, 1);
    EXPECT_EQ(m_observed.code, ERROR_DISK_FULL);
    EXPECT_EQ(Seen(), "/file -\n");
}

// A partial file past 4 GiB (sparse): resumed from its true size, and cut back to it after a
// response that is not the file and after a body longer than the file.
TEST_F(HttpDownloadFileTest, PartialFilePastFourGiB) {
    const uint64_t kept = (uint64_t{1} << 32) + 100;
    const uint64_t size = kept + 900;
    const std::wstring sizeText = std::to_wstring(size);
    struct Case {
        const char* name;
        std::wstring url;
        int type;
        int code;
        uint64_t left;
    } cases[] = {
        {"redirect without Location", FaultUrl(L"/redirect?cl=50"), 4, 302, kept},
        {"over-long body", TaggedFile(L"chunked=1&extra=5000&size=" + sizeText), 3, 2007, kept},
        {"resumed", TaggedFile(L"size=" + sizeText), 0, 0, size},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetSparseLength(kept);
        CHttpDownloadFile download;
        Observed observed;
        RunOnce(download, observed, c.url, size);
        EXPECT_EQ(observed.type, c.type);
        EXPECT_EQ(observed.code, c.code);
        EXPECT_EQ(FileSize(), static_cast<int64_t>(c.left));
    }
    EXPECT_TRUE(TailBytes(900) == Pattern(kept, 900));
    EXPECT_EQ(Seen(), "/file bytes=4294967396-\n/file bytes=4294967396-\n");
}

// libcurl's result 0 with a final status outside 2xx is not a download.
TEST_F(HttpDownloadFileTest, NoContentIsAnHttpFailure) {
    Run(TaggedFile(L"size=0&status=204"), 0);
    EXPECT_EQ(m_observed.type, 4);
    EXPECT_EQ(m_observed.code, 204);
}

TEST_F(HttpDownloadFileTest, RedirectWithoutLocationIsAnHttpFailure) {
    ASSERT_TRUE(TestEnv::WriteFileBytes(m_path, Pattern(0, 400)));
    Run(FaultUrl(L"/redirect?cl=50"), 1000);
    EXPECT_EQ(m_observed.type, 4);
    EXPECT_EQ(m_observed.code, 302);
    EXPECT_TRUE(FileBytes() == Pattern(0, 400)) << "the redirect's body is not part of the file";
}

// After an interim 103 the final 404 counts.
TEST_F(HttpDownloadFileTest, FinalStatusAfterEarlyHintsCounts) {
    Run(TaggedFile(L"size=10&interim=103&status=404"), 10);
    EXPECT_EQ(m_observed.type, 4);
    EXPECT_EQ(m_observed.code, 404);
}

// A 404 fails at once without retry and leaves the partial file as it was.
TEST_F(HttpDownloadFileTest, NotFoundFailsWithoutRetry) {
    ASSERT_TRUE(TestEnv::WriteFileBytes(m_path, Pattern(0, 400)));
    Run(NginxUrl(L"/missing.bin"), 1000);
    EXPECT_EQ(m_observed.type, 4);
    EXPECT_EQ(m_observed.code, 404);
    EXPECT_EQ(m_download.Attempts(), 1);
    EXPECT_TRUE(FileBytes() == Pattern(0, 400));
}

// A redirect's own small Content-Length is not taken for the package's.
TEST_F(HttpDownloadFileTest, RedirectBodyLengthIsForgotten) {
    std::wstring target = L"%2Ffile%3Fsize%3D1000%26chunked%3D1%26tag%3D" + m_tag;
    Run(FaultUrl(L"/redirect?cl=7&tag=" + m_tag + L"&to=" + target), 1000);
    EXPECT_EQ(m_observed.type, 0);
    EXPECT_TRUE(FileBytes() == Pattern(0, 1000));
}

// Lower-case header names are the same headers.
TEST_F(HttpDownloadFileTest, LowerCaseContentLengthIsChecked) {
    Run(TaggedFile(L"size=1000&lower=1&cl=900"), 1000);
    EXPECT_EQ(m_observed.type, 3);
    EXPECT_EQ(m_observed.code, 2007);
}

// A connection dropped mid-body is resumed by the retry; the file is byte-identical.
TEST_F(HttpDownloadFileTest, DroppedConnectionIsResumed) {
    const uint64_t size = 3 * 1000 * 1000;
    Run(TaggedFile(L"size=3000000&drop=1000000&once=1"), size);
    EXPECT_EQ(m_observed.type, 0);
    EXPECT_EQ(FileSize(), static_cast<int64_t>(size));
    EXPECT_TRUE(FileBytes() == Pattern(0, size));
    std::string seen = Seen();
    EXPECT_EQ(seen, "/file -\n/file bytes=1000000-\n");
}

// A server that goes silent without closing is aborted by the low-speed limit and retried.
TEST_F(HttpDownloadFileTest, SilentServerIsAbortedAndRetried) {
    CHttpBase::SetLowSpeedTimeForTesting(2);
    Run(TaggedFile(L"size=500000&silent=200000&once=1"), 500000);
    CHttpBase::SetLowSpeedTimeForTesting(0);
    EXPECT_EQ(m_observed.type, 0);
    EXPECT_TRUE(FileBytes() == Pattern(0, 500000));
    std::string seen = Seen();
    EXPECT_EQ(seen.rfind("/file -\n/file bytes=200000-\n", 0), 0u) << seen;
}

// nginx serves 30 MB straight into the file.
TEST_F(HttpDownloadFileTest, ThirtyMegabytesFromNginx) {
    Run(NginxUrl(L"/big30.bin"), 30 * 1000 * 1000);
    EXPECT_EQ(m_observed.type, 0);
    EXPECT_TRUE(FileBytes() == TestEnv::ReadFileBytes(HttpTest::DocRoot() + L"\\big30.bin"));
}

// A file that cannot be opened is reported at once as (1, 2020).
TEST_F(HttpDownloadFileTest, UnopenableFileIsReportedFromStart) {
    m_path = m_dir.File(L"missing-folder\\package.exe.yw");
    m_observed.stopOnDone = &m_download;
    m_download.SetDoneCallback(&OnDone);
    ASSERT_TRUE(m_download.Download(TaggedFile(L"size=10"), m_path, 10, &m_observed));
    EXPECT_EQ(m_observed.doneCalls, 1);
    EXPECT_EQ(m_observed.type, 1);
    EXPECT_EQ(m_observed.code, 2020);
}

// Speed is the sum of the last ten per-second samples divided by ten, so it ramps up over
// the first ten seconds; each sample is what arrived since the previous report.
TEST_F(HttpDownloadFileTest, SpeedIsATenSecondAverage) {
    Run(TaggedFile(L"size=400000&rate=100000"), 400000);
    EXPECT_EQ(m_observed.type, 0);
    const auto& reports = m_observed.progress;
    ASSERT_GE(reports.size(), 3u);
    std::vector<uint64_t> samples;
    for (size_t i = 1; i < reports.size(); ++i) {
        ASSERT_GE(reports[i].present, reports[i - 1].present);
        samples.push_back(reports[i].present - reports[i - 1].present);
        uint64_t sum = 0;
        for (size_t k = samples.size() > 10 ? samples.size() - 10 : 0; k < samples.size(); ++k)
            sum += samples[k];
        EXPECT_EQ(reports[i].speed, sum / 10) << "report " << i;
        EXPECT_EQ(reports[i].total, 400000u);
    }
    EXPECT_GT(reports.back().speed, 0u);
}

// The digests handed over with (0, 0) are the finished file's however it was put together:
// fresh, resumed (the kept bytes hashed on the worker first), cut and resumed by the engine's
// own retry, restarted because the server
// ignored the range or the partial file was too large (the hashes start over), or whole on
// disk already (hashed on the worker, no traffic); a kind not asked for stays empty.
TEST_F(HttpDownloadFileTest, DigestsCoverTheWholeFile) {
    const uint64_t size = 3 * 1024 * 1024 + 17;  // medium.bin, the pattern served by both peers
    const std::string md5 = "7114d559ffda7029526064baa992a30d";
    const std::string sha256 = "fe2aaf82bfa2ffec207a0c6fa7ce7d4af268d67e2672fdaec675f3f9b65d0854";
    const unsigned both = kDigestMd5 | kDigestSha256;
    struct Case {
        const char* name;
        std::string kept;
        std::wstring url;
        unsigned kinds;
    } cases[] = {
        {"fresh", "", NginxUrl(L"/medium.bin"), both},
        {"resumed", Pattern(0, 1000000), NginxUrl(L"/medium.bin"), both},
        {"cut mid-body, resumed", "", TaggedFile(L"size=3145745&drop=2000000"), both},
        {"range ignored", std::string(1000000, 'x'), TaggedFile(L"size=3145745&range=ignore"), both},
        {"oversized partial", std::string(size + 5, 'x'), NginxUrl(L"/medium.bin"), both},
        {"whole on disk", Pattern(0, size), TaggedFile(L"size=3145745"), both},
        {"md5 only", Pattern(0, 1000000), NginxUrl(L"/medium.bin"), kDigestMd5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(TestEnv::WriteFileBytes(m_path, c.kept));
        CHttpDownloadFile download;
        download.SetDigests(c.kinds);
        Observed observed;
        RunOnce(download, observed, c.url, size);
        EXPECT_EQ(observed.type, 0);
        EXPECT_EQ(observed.code, 0);
        EXPECT_EQ(download.Digests().md5, md5);
        EXPECT_EQ(download.Digests().sha256, (c.kinds & kDigestSha256) ? sha256 : "");
    }
    EXPECT_EQ(Seen(), "/file -\n/file bytes=2000000-\n/file bytes=1000000-\n")
        << "the cut body resumed where it broke off";
}

// Stopping downloads in the middle of their bodies, again and again: once Stop returns the
// file is closed (it can be deleted at once) and nothing writes into it any more.
TEST_F(HttpDownloadFileTest, StopMidBodyClosesTheFile) {
    constexpr int kRounds = 30;
    for (int round = 0; round < kRounds; ++round) {
        CHttpDownloadFile download;
        Observed observed;
        download.SetDoneCallback(&OnDone);
        ASSERT_TRUE(
            download.Download(FaultUrl(L"/file?size=8000000&rate=4000000"), m_path, 8000000, &observed));
        int turns = 0;
        TestEnv::PumpUntil([&] { return ++turns > round % 8 * 3; }, 2000);
        download.Stop();
        EXPECT_TRUE(DeleteFileW(m_path.c_str())) << "round " << round << " error " << GetLastError();
        EXPECT_EQ(observed.doneCalls, 0);
    }
    Run(NginxUrl(L"/small.bin"), 1000);
    EXPECT_EQ(m_observed.type, 0);
}

}  // namespace
