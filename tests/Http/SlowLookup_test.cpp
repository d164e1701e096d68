// A name lookup that takes long, met in a private network whose only resolver is our DNS stub
// (tests/servers/private-net.sh; names under slow.zorva.test are answered after 20 s): it holds
// no other transfer of the same engine, and stopping the engines does not wait for it.
#include <gtest/gtest.h>

#include <string>

#include "Http/HttpCommand.h"
#include "Http/HttpEngines.h"
#include "Runtime/MainThreadRuntime.h"
#include "tests/Http/HttpTestSupport.h"
#include "tests/support/TestEnv.h"

namespace {

constexpr DWORD kWaitMs = 60000;

std::wstring StateDir() {
    return TestEnv::BinaryDir() + L"\\tests\\Http\\private-net";
}

bool DnsLogHas(const std::string& line) {
    return TestEnv::ReadFileBytes(StateDir() + L"\\dns.log").find(line) != std::string::npos;
}

struct Outcome {
    bool done = false;
    int type = -1;
    int code = -1;
    // Whether the slow name had been answered when this request finished.
    bool slowAnswered = false;
};

void OnDone(void* user, const std::string&, int type, int code) {
    auto* outcome = static_cast<Outcome*>(user);
    outcome->done = true;
    outcome->type = type;
    outcome->code = code;
    outcome->slowAnswered = DnsLogHas("answer a.slow.zorva.test");
}

TEST(SlowLookup, HoldsNeitherAnotherTransferNorTheStop) {
    ASSERT_TRUE(TestEnv::FileExists(StateDir() + L"\\resolv.conf")) << "run through private-net.sh";
    const std::wstring fast = HttpTest::FaultUrl(L"/file?size=100000");
    ASSERT_FALSE(fast.empty()) << "the fault server is not running";
    // The same server under a name only the stub knows, and late.
    const std::wstring slow = L"http://a.slow.zorva.test" + fast.substr(fast.find(L':', 5));
    InitMainThreadRuntime(HttpEngines::Engines());
    Outcome slowOutcome;
    Outcome fastOutcome;
    CHttpCommand slowCommand;
    CHttpCommand fastCommand;
    slowCommand.SetUrl(slow);
    slowCommand.SetCallback(&OnDone, &slowOutcome);
    ASSERT_TRUE(slowCommand.Send());
    ASSERT_TRUE(TestEnv::PumpUntil([] { return DnsLogHas("query a.slow.zorva.test"); }, kWaitMs));

    fastCommand.SetUrl(fast);
    fastCommand.SetCallback(&OnDone, &fastOutcome);
    ASSERT_TRUE(fastCommand.Send());
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return fastOutcome.done; }, kWaitMs));
    EXPECT_EQ(fastOutcome.type, 0) << "code " << fastOutcome.code;
    EXPECT_FALSE(fastOutcome.slowAnswered) << "the other transfer waited for the lookup";
    EXPECT_FALSE(slowOutcome.done);

    ShutdownMainThreadRuntime();
    EXPECT_FALSE(DnsLogHas("answer a.slow.zorva.test")) << "stopping the engines waited for the lookup";
}

}  // namespace
