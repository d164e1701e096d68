// In-memory requests against the local nginx and the fault server, driven from the test's
// own message loop as the installer drives them from its UI thread.
#include "Http/HttpCommand.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Http/HttpClock.h"
#include "Http/HttpMgr.h"
#include "Http/OBufferStream.h"
#include "Runtime/StringConv.h"
#include "tests/Http/HttpTestSupport.h"
#include "tests/support/TestEnv.h"

using HttpTest::FaultUrl;
using HttpTest::kWaitMs;
using HttpTest::NginxUrl;

namespace {

struct Outcome {
    int calls = 0;
    std::string body;
    int type = -1;
    int code = -1;
};

void Record(void* user, const std::string& body, int type, int code) {
    auto* outcome = static_cast<Outcome*>(user);
    ++outcome->calls;
    outcome->body = body;
    outcome->type = type;
    outcome->code = code;
}

// A command that notes the tick of every start, to see the delay between attempts.
class TimedCommand : public CHttpCommand {
public:
    bool Start() override {
        bool started = CHttpCommand::Start();
        if (started)
            starts.push_back(HttpTickCount());
        return started;
    }
    std::vector<DWORD> starts;
};

class HttpCommandTest : public HttpTest::EngineTest {
protected:
    // Sends and waits for the one callback.
    Outcome Fetch(CHttpCommand& command, const std::wstring& url) {
        Outcome outcome;
        command.SetUrl(url);
        command.SetCallback(&Record, &outcome);
        EXPECT_TRUE(command.Send());
        EXPECT_TRUE(TestEnv::PumpUntil([&] { return outcome.calls > 0; }, kWaitMs)) << "no callback";
        return outcome;
    }
};

// A 200 with an empty body: one callback, empty body, success.
TEST_F(HttpCommandTest, EmptyBodyIsSuccess) {
    CHttpCommand command;
    Outcome outcome = Fetch(command, NginxUrl(L"/empty.txt"));
    EXPECT_EQ(outcome.calls, 1);
    EXPECT_EQ(outcome.body, "");
    EXPECT_EQ(outcome.type, 0);
    EXPECT_EQ(outcome.code, 0);
}

// A 404 is an HTTP failure reported after one attempt: the status outranks the write error.
TEST_F(HttpCommandTest, NotFoundIsReportedAfterOneAttempt) {
    TimedCommand command;
    Outcome outcome = Fetch(command, NginxUrl(L"/missing.bin"));
    EXPECT_EQ(outcome.type, 4);
    EXPECT_EQ(outcome.code, 404);
    EXPECT_EQ(command.starts.size(), 1u);
    TestEnv::PumpFor(600);
    EXPECT_EQ(outcome.calls, 1);
}

// A redirect is followed; the caller sees the final body only.
TEST_F(HttpCommandTest, RedirectIsFollowed) {
    CHttpCommand command;
    Outcome outcome = Fetch(command, NginxUrl(L"/redirect"));
    EXPECT_EQ(outcome.type, 0);
    EXPECT_EQ(outcome.body, HttpTest::Pattern(0, 1000));
}

// An unresolvable host is tried three times, each retry after the delay, then reported.
TEST_F(HttpCommandTest, ResolveFailureIsRetriedTwiceThenReported) {
    TimedCommand command;
    Outcome outcome = Fetch(command, L"http://nonexistent.invalid/zvinstall.txt");
    EXPECT_EQ(outcome.type, 5);
    EXPECT_EQ(outcome.code, CURLE_COULDNT_RESOLVE_HOST);
    ASSERT_EQ(command.starts.size(), 3u);
    EXPECT_GT(command.starts[1] - command.starts[0], CHttpMgr::kRetryDelayMs);
    EXPECT_GT(command.starts[2] - command.starts[1], CHttpMgr::kRetryDelayMs);
    EXPECT_EQ(command.Attempts(), 0) << "a reported command starts counting again";
}

// A redirect loop ends with libcurl's too-many-redirects error, as a transport failure.
TEST_F(HttpCommandTest, RedirectLoopIsATransportFailure) {
    CHttpCommand command;
    command.SetMaxRetries(0);
    Outcome outcome = Fetch(command, FaultUrl(L"/loop?tag=" + HttpTest::NewTag()));
    EXPECT_EQ(outcome.type, 5);
    EXPECT_EQ(outcome.code, CURLE_TOO_MANY_REDIRECTS);
}

// HTTPS with our CA: its server for this name answers; a certificate from another CA or for another
// name is refused, and so is a redirect from HTTPS to plain HTTP. Wine's Schannel takes any
// certificate when it is given no CA, so these refusals are our own checks.
TEST_F(HttpCommandTest, HttpsTrustsOnlyOurCaForThisName) {
    const struct {
        const wchar_t* certificate;
        const wchar_t* path;
        bool served;
    } cases[] = {
        {L"server", L"/small.bin", true},
        {L"server-other-ca", L"/small.bin", false},
        {L"server-wrong-name", L"/small.bin", false},
        {L"server", L"/to-http", false},
    };
    for (const auto& c : cases) {
        const std::wstring url = HttpTest::TlsUrl(c.certificate, c.path);
        SCOPED_TRACE(WideToUtf8(url));
        ASSERT_FALSE(url.empty()) << "no HTTPS peer";
        CHttpCommand command;
        command.SetMaxRetries(0);
        command.SetCaCertificates(HttpTest::TestCa());
        Outcome outcome = Fetch(command, url);
        EXPECT_EQ(c.served ? 0 : 5, outcome.type) << outcome.code;
        EXPECT_EQ(c.served ? HttpTest::Pattern(0, 1000) : std::string(), outcome.body);
    }
}

// A 30 MB body grows the memory buffer past its first size and arrives whole.
TEST_F(HttpCommandTest, ThirtyMegabyteBodyArrivesWhole) {
    CHttpCommand command;
    Outcome outcome = Fetch(command, NginxUrl(L"/big30.bin"));
    EXPECT_EQ(outcome.type, 0);
    ASSERT_EQ(outcome.body.size(), 30u * 1000 * 1000);
    EXPECT_TRUE(outcome.body == TestEnv::ReadFileBytes(HttpTest::DocRoot() + L"\\big30.bin"));
}

// An endless body stops at the memory bound with a write error instead of wrapping.
TEST_F(HttpCommandTest, BodyPastTheMemoryBoundFails) {
    CHttpCommand command;
    command.SetMaxRetries(0);
    uint64_t size = OBufferStream::kMaxBodySize + 4 * 1024 * 1024;
    Outcome outcome = Fetch(command, FaultUrl(L"/file?nolength=1&size=" + std::to_wstring(size)));
    EXPECT_EQ(outcome.type, 5);
    EXPECT_EQ(outcome.code, CURLE_WRITE_ERROR);
}

// A post sends its body; the echo comes back unchanged.
TEST_F(HttpCommandTest, PostBodyIsUploaded) {
    CHttpCommand command;
    std::string body = HttpTest::Pattern(7, 300 * 1000);
    command.SetMethod(CHttpBase::kMethodPost);
    command.SetPostBody(body);
    Outcome outcome = Fetch(command, FaultUrl(L"/echo"));
    EXPECT_EQ(outcome.type, 0);
    EXPECT_TRUE(outcome.body == body);
}

// Stopping a command before its completion arrives prevents the callback.
TEST_F(HttpCommandTest, StopBeforeCompletionPreventsTheCallback) {
    CHttpCommand command;
    Outcome outcome;
    command.SetUrl(NginxUrl(L"/small.bin"));
    command.SetCallback(&Record, &outcome);
    ASSERT_TRUE(command.Send());
    ASSERT_TRUE(command.IsRunning());
    command.Stop();
    EXPECT_FALSE(command.IsRunning());
    // A second command on the same worker finishes after anything the first could post.
    CHttpCommand probe;
    Outcome probeOutcome = Fetch(probe, NginxUrl(L"/small.bin"));
    EXPECT_EQ(probeOutcome.type, 0);
    TestEnv::PumpFor(300);
    EXPECT_EQ(outcome.calls, 0);
}

// Stopping commands in the middle of their bodies, over and over, never lets the worker
// write into a freed buffer, and the engine stays usable.
TEST_F(HttpCommandTest, StopMidBodyRepeatedly) {
    constexpr int kRounds = 40;
    for (int round = 0; round < kRounds; ++round) {
        CHttpCommand command;
        Outcome outcome;
        command.SetUrl(FaultUrl(L"/file?size=8000000&rate=4000000"));
        command.SetCallback(&Record, &outcome);
        ASSERT_TRUE(command.Send());
        // Let the body flow for a varying number of message-loop turns.
        int turns = 0;
        TestEnv::PumpUntil([&] { return ++turns > round % 8 * 3; }, 2000);
        command.Stop();
        EXPECT_EQ(outcome.calls, 0) << "round " << round;
    }
    CHttpCommand last;
    Outcome outcome = Fetch(last, NginxUrl(L"/small.bin"));
    EXPECT_EQ(outcome.type, 0);
    EXPECT_EQ(outcome.body.size(), 1000u);
}

}  // namespace
