// One transfer on a real worker thread against the local servers, its events delivered to a
// recording listener through the real task queue and message loop.
#include "Http/CurlHttp.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Http/CurlWorkshop.h"
#include "Http/OBufferStream.h"
#include "Runtime/AutoLock.h"
#include "Runtime/MainThreadRuntime.h"
#include "Runtime/StringConv.h"
#include "tests/Http/HttpTestSupport.h"
#include "tests/support/TestEnv.h"

using HttpTest::FaultUrl;
using HttpTest::kWaitMs;
using HttpTest::NginxUrl;

namespace {

struct Event {
    enum Kind { kDone, kBodyReceived, kBodySent, kResponseCode, kRemoved, kStarted } kind;
    long long value;
};

class RecordingListener : public CurlListener {
public:
    void OnTransferDone(CCurlBase*, CURLcode result) override { Add(Event::kDone, result); }
    void OnBodyReceived(CCurlBase*, unsigned bytes) override { Add(Event::kBodyReceived, bytes); }
    void OnBodySent(CCurlBase*, unsigned bytes) override { Add(Event::kBodySent, bytes); }
    void OnResponseCode(CCurlBase*, int status) override { Add(Event::kResponseCode, status); }
    void OnTransferRemoved(CCurlBase*, int) override { Add(Event::kRemoved, 0); }
    void OnTransferStarted(CCurlBase*, int) override { Add(Event::kStarted, 0); }

    std::vector<long long> Values(Event::Kind kind) const {
        std::vector<long long> out;
        for (const Event& event : events)
            if (event.kind == kind)
                out.push_back(event.value);
        return out;
    }
    size_t Count(Event::Kind kind) const { return Values(kind).size(); }

    std::vector<Event> events;

private:
    void Add(Event::Kind kind, long long value) { events.push_back({kind, value}); }
};

// A body sink that counts what happens to it.
class CountingStream : public OBaseStream {
public:
    int Write(const void* data, unsigned count) override {
        bytes.append(static_cast<const char*>(data), count);
        ++writes;
        return static_cast<int>(count);
    }
    void Close() override { ++closes; }
    void Clear() override {
        ++clears;
        bytes.clear();
    }
    std::string bytes;
    int writes = 0;
    int clears = 0;
    int closes = 0;
};

class CurlHttpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(FaultUrl(L"/").empty()) << "the fault server is not running";
        InitMainThreadRuntime();
        m_worker.Init();
        ASSERT_TRUE(m_worker.StartThread());
    }
    void TearDown() override {
        m_worker.StopThread(INFINITE);
        m_worker.Shutdown();
        ShutdownMainThreadRuntime();
    }

    // A transfer with the handful of options these cases need, not yet handed over.
    CRefPtr<CCurlBase> Make(const std::wstring& url, std::unique_ptr<OBaseStream> output) {
        CRefPtr<CCurlBase> transfer(new CCurlHttp(&m_listener));
        transfer->SetOutput(std::move(output));
        CURL* easy = transfer->PrepareHandle();
        m_url = WideToAnsi(url);
        curl_easy_setopt(easy, CURLOPT_URL, m_url.c_str());
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &CCurlBase::HeaderCallback);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, transfer.get());
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &CCurlBase::WriteCallback);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, transfer.get());
        return transfer;
    }
    void RunToDone(const CRefPtr<CCurlBase>& transfer) {
        ASSERT_TRUE(m_worker.AddTransfer(transfer));
        ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_listener.Count(Event::kDone) > 0; }, kWaitMs));
    }

    CCurlWorkshop m_worker;
    RecordingListener m_listener;
    std::string m_url;
};

// A 404: its status is reported for every header line, no line is parsed, the body is
// refused and the transfer ends with the write error.
TEST_F(CurlHttpTest, NotFoundRefusesTheBody) {
    auto transfer = Make(NginxUrl(L"/missing.bin"), std::make_unique<OBufferStream>());
    RunToDone(transfer);
    std::vector<long long> codes = m_listener.Values(Event::kResponseCode);
    EXPECT_GT(codes.size(), 2u);
    for (long long code : codes)
        EXPECT_EQ(code, 404);
    EXPECT_EQ(transfer->ResponseHeaders().size(), 0u);
    EXPECT_EQ(m_listener.Values(Event::kDone), std::vector<long long>{CURLE_WRITE_ERROR});
    EXPECT_EQ(m_listener.Count(Event::kStarted), 1u);
}

// A 302 then a 200: one report at the end of each header block, and the store holds the
// headers of both responses.
TEST_F(CurlHttpTest, RedirectReportsEachResponse) {
    auto transfer = Make(NginxUrl(L"/redirect"), std::make_unique<OBufferStream>());
    RunToDone(transfer);
    EXPECT_EQ(m_listener.Values(Event::kResponseCode), (std::vector<long long>{302, 200}));
    EXPECT_EQ(m_listener.Values(Event::kDone), std::vector<long long>{CURLE_OK});
    EXPECT_NE(transfer->ResponseHeader(L"Location"), L"") << "from the 302";
    EXPECT_EQ(transfer->ResponseHeader(L"Content-Length"), L"1000") << "from the 200";
    EXPECT_NE(transfer->ResponseHeader(L"Last-Modified"), L"") << "from the 200";
}

// Header names are matched whatever their case; values are trimmed.
TEST_F(CurlHttpTest, HeaderNamesAreCaseInsensitive) {
    auto transfer = Make(FaultUrl(L"/file?size=1234&lower=1&header=X-Zorva:%20%20padded%20value%20%20"),
                         std::make_unique<OBufferStream>());
    RunToDone(transfer);
    EXPECT_EQ(transfer->ResponseHeader(L"Content-Length"), L"1234");
    EXPECT_EQ(transfer->ResponseHeader(L"CONTENT-LENGTH"), L"1234");
    EXPECT_TRUE(transfer->ResponseHeaders().hasKey(L"Content-Length"));
    EXPECT_EQ(transfer->ResponseHeader(L"x-zorva"), L"padded value");
}

// The Content-Length of a redirect's own body is forgotten when the next response begins.
TEST_F(CurlHttpTest, RedirectLengthIsForgotten) {
    auto transfer = Make(FaultUrl(L"/redirect?cl=7&to=%2Ffile%3Fsize%3D100%26chunked%3D1"),
                         std::make_unique<OBufferStream>());
    RunToDone(transfer);
    EXPECT_EQ(m_listener.Values(Event::kResponseCode), (std::vector<long long>{302, 200}));
    EXPECT_EQ(transfer->ResponseHeader(L"Content-Length"), L"");
    EXPECT_EQ(transfer->ResponseHeader(L"Transfer-Encoding"), L"chunked");
}

// After an interim 103 the status is asked again: the final 404 counts and the body is refused.
TEST_F(CurlHttpTest, InterimResponseDoesNotHideTheFinalStatus) {
    auto transfer =
        Make(FaultUrl(L"/file?size=10&interim=103&status=404"), std::make_unique<OBufferStream>());
    RunToDone(transfer);
    std::vector<long long> codes = m_listener.Values(Event::kResponseCode);
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.front(), 103);
    EXPECT_EQ(codes.back(), 404);
    EXPECT_EQ(transfer->HttpCode(), 404);
    EXPECT_EQ(m_listener.Values(Event::kDone), std::vector<long long>{CURLE_WRITE_ERROR});
}

// A resumed transfer answered with 200 empties its sink once, when the 200 is first seen.
TEST_F(CurlHttpTest, FullAnswerToAResumeClearsTheSinkOnce) {
    auto stream = std::make_unique<CountingStream>();
    CountingStream* sink = stream.get();
    sink->bytes = "old partial bytes";
    auto transfer = Make(FaultUrl(L"/file?size=5000&range=ignore"), std::move(stream));
    transfer->SetResumeRequested(true);
    curl_easy_setopt(transfer->EasyHandle(), CURLOPT_RANGE, "400-");
    RunToDone(transfer);
    EXPECT_EQ(sink->clears, 1);
    CAutoLock hold(transfer->StreamLock());
    EXPECT_TRUE(sink->bytes == HttpTest::Pattern(0, 5000));
}

// A transfer withdrawn before the worker picked it up never reaches the multi handle. It is withdrawn
// before it is handed over: the worker may pick it up the moment it is added.
TEST_F(CurlHttpTest, WithdrawnBeforePickupNeverStarts) {
    auto transfer = Make(NginxUrl(L"/small.bin"), std::make_unique<OBufferStream>());
    transfer->SetActive(false);
    ASSERT_TRUE(m_worker.AddTransfer(transfer));
    ASSERT_TRUE(m_worker.RemoveTransfer(transfer));
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_listener.Count(Event::kRemoved) > 0; }, kWaitMs));
    TestEnv::PumpFor(200);
    EXPECT_EQ(m_listener.Count(Event::kStarted), 0u);
    EXPECT_EQ(m_listener.Count(Event::kDone), 0u);
}

// A transfer stopped while running is removed (once or twice) and reports no completion.
TEST_F(CurlHttpTest, StoppedWhileRunningIsRemoved) {
    auto stream = std::make_unique<CountingStream>();
    auto transfer = Make(FaultUrl(L"/file?size=1000000&rate=100000"), std::move(stream));
    ASSERT_TRUE(m_worker.AddTransfer(transfer));
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_listener.Count(Event::kStarted) > 0; }, kWaitMs));
    transfer->SetActive(false);
    transfer->CloseStreams();
    ASSERT_TRUE(m_worker.RemoveTransfer(transfer));
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_listener.Count(Event::kRemoved) > 0; }, kWaitMs));
    TestEnv::PumpFor(200);
    EXPECT_LE(m_listener.Count(Event::kRemoved), 2u);
    EXPECT_EQ(m_listener.Count(Event::kDone), 0u);
    EXPECT_EQ(transfer->EasyHandle(), nullptr) << "the worker cleaned the handle up";
}

// Body progress is reported in batches at most every 100 ms, not once per write: a 3 MiB body
// over loopback arrives in about two hundred writes within a second or two, and the reports,
// far fewer, add up to no more than arrived.
TEST_F(CurlHttpTest, ProgressReportsAreRateLimited) {
    auto stream = std::make_unique<CountingStream>();
    CountingStream* sink = stream.get();
    auto transfer = Make(NginxUrl(L"/medium.bin"), std::move(stream));
    transfer->SetProgressReporting(true);
    RunToDone(transfer);
    std::vector<long long> reports = m_listener.Values(Event::kBodyReceived);
    long long sum = 0;
    for (long long bytes : reports)
        sum += bytes;
    CAutoLock hold(transfer->StreamLock());
    ASSERT_EQ(sink->bytes.size(), 3u * 1024 * 1024 + 17);
    EXPECT_FALSE(reports.empty());
    EXPECT_LE(reports.size() * 2, static_cast<size_t>(sink->writes)) << sink->writes << " writes";
    EXPECT_LE(sum, static_cast<long long>(sink->bytes.size()));
}

// Before Init and after Shutdown the worker refuses transfers.
TEST(CurlWorkshopTest, RefusesWithoutMultiHandle) {
    CCurlWorkshop worker;
    RecordingListener listener;
    CRefPtr<CCurlBase> transfer(new CCurlHttp(&listener));
    EXPECT_FALSE(worker.AddTransfer(transfer));
    EXPECT_FALSE(worker.RemoveTransfer(transfer));
    worker.Init();
    EXPECT_TRUE(worker.AddTransfer(transfer));
    worker.Shutdown();
    EXPECT_FALSE(worker.AddTransfer(transfer));
}

}  // namespace
