// Scheduling under the limit, duplicate sends, freed slots, retry release across the wrap of
// the tick count, and shutdown, with real commands against the local servers.
#include "Http/HttpMgr.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Http/CurlWorkshop.h"
#include "Http/HttpClock.h"
#include "Http/HttpCommand.h"
#include "Http/HttpDownloadFile.h"
#include "Http/HttpEngines.h"
#include "Runtime/MainThreadRuntime.h"
#include "tests/Http/HttpTestSupport.h"
#include "tests/support/TestEnv.h"

using HttpTest::FaultUrl;
using HttpTest::kWaitMs;

namespace {

struct Board;

// A command that notes the order in which commands start and finish.
class TracedCommand : public CHttpCommand {
public:
    TracedCommand(Board& board, int index) : m_board(board), m_index(index) {}
    bool Start() override;
    Board& m_board;
    int m_index;
};

struct Board {
    std::vector<int> starts;
    // How many commands had started when each callback ran.
    std::vector<size_t> startsAtCallback;
    std::vector<std::string> bodies;
    int errors = 0;
};

bool TracedCommand::Start() {
    bool started = CHttpCommand::Start();
    if (started)
        m_board.starts.push_back(m_index);
    return started;
}

void OnFinished(void* user, const std::string& body, int type, int code) {
    auto* board = static_cast<Board*>(user);
    board->startsAtCallback.push_back(board->starts.size());
    board->bodies.push_back(body);
    if (type != 0)
        ++board->errors;
}

class HttpMgrTest : public HttpTest::EngineTest {
protected:
    TracedCommand& Add(const std::wstring& url) {
        m_commands.push_back(std::make_unique<TracedCommand>(m_board, static_cast<int>(m_commands.size())));
        TracedCommand& command = *m_commands.back();
        command.SetUrl(url);
        command.SetCallback(&OnFinished, &m_board);
        return command;
    }
    CHttpMgr& Manager() { return *HttpEngines::CommandManager(); }

    Board m_board;
    std::vector<std::unique_ptr<TracedCommand>> m_commands;
};

// Twelve commands at once: ten run together (the gate answers only when ten are held),
// two wait; each completion starts the next waiting one, in order of addition.
TEST_F(HttpMgrTest, TwelveCommandsRunTenAtATimeInOrder) {
    std::wstring gate = FaultUrl(L"/gate?count=10&group=" + HttpTest::NewTag());
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(Add(gate).Send());
    EXPECT_EQ(Manager().RunningCount(), 10);
    EXPECT_EQ(Manager().TaskCount(), 12u);
    EXPECT_FALSE(m_commands[10]->IsRunning());
    EXPECT_FALSE(m_commands[11]->IsRunning());
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_board.bodies.size() == 12; }, kWaitMs));
    EXPECT_EQ(m_board.errors, 0);
    for (const std::string& body : m_board.bodies)
        EXPECT_EQ(body, "released");
    std::vector<int> order = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    EXPECT_EQ(m_board.starts, order);
    EXPECT_EQ(m_board.startsAtCallback[0], 11u) << "the first completion starts the eleventh";
    EXPECT_EQ(m_board.startsAtCallback[1], 12u) << "the second completion starts the twelfth";
    EXPECT_EQ(Manager().RunningCount(), 0);
    EXPECT_EQ(Manager().TaskCount(), 0u);
}

// Sending a command that is already in the list returns its id and starts nothing new.
TEST_F(HttpMgrTest, SendingTwiceKeepsOneEntry) {
    TracedCommand& command = Add(FaultUrl(L"/file?size=1000000&rate=100000"));
    ASSERT_TRUE(command.Send());
    uint64_t id = command.Id();
    EXPECT_NE(id, 0u);
    ASSERT_TRUE(command.Send());
    EXPECT_EQ(command.Id(), id);
    EXPECT_EQ(Manager().TaskCount(), 1u);
    EXPECT_EQ(Manager().RunningCount(), 1);
    EXPECT_EQ(m_board.starts.size(), 1u);
    command.Stop();
    EXPECT_EQ(Manager().TaskCount(), 0u);
}

// Stopping a running command frees its slot at once for the first waiting one.
TEST_F(HttpMgrTest, StoppingARunningCommandStartsTheNext) {
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(Add(FaultUrl(L"/file?size=2000000&rate=100000")).Send());
    TracedCommand& waiting = Add(HttpTest::NginxUrl(L"/small.bin"));
    ASSERT_TRUE(waiting.Send());
    EXPECT_FALSE(waiting.IsRunning());
    m_commands[3]->Stop();
    EXPECT_TRUE(waiting.IsRunning());
    EXPECT_EQ(Manager().RunningCount(), 10);
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_board.bodies.size() == 1; }, kWaitMs));
    EXPECT_EQ(m_board.bodies[0].size(), 1000u);
    for (auto& command : m_commands)
        command->Stop();
    EXPECT_EQ(Manager().RunningCount(), 0);
}

DWORD g_fakeTick = 0;
DWORD FakeTick() {
    return g_fakeTick;
}

// The retry delay is measured as an unsigned difference, so a wait that spans the wrap of
// the 32-bit tick count still ends, and does not end early.
TEST_F(HttpMgrTest, RetryDelaySurvivesTheTickWrap) {
    g_fakeTick = 0xFFFFFF00u;
    SetHttpTickSourceForTesting(&FakeTick);
    TracedCommand& command = Add(L"http://127.0.0.1:1/refused");
    command.SetMaxRetries(1);
    ASSERT_TRUE(command.Send());
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return !command.IsRunning(); }, kWaitMs));
    EXPECT_EQ(command.Attempts(), 1);
    EXPECT_TRUE(m_board.bodies.empty()) << "a transport failure is retried unseen";

    // 100 ms later: several timer ticks go by and the delay is not over.
    g_fakeTick = 0xFFFFFF00u + 100;
    TestEnv::PumpFor(1200);
    EXPECT_EQ(m_board.starts.size(), 1u);

    // 512 ms after the failure, past the wrap.
    g_fakeTick = 0x00000100u;
    EXPECT_TRUE(TestEnv::PumpUntil([&] { return m_board.starts.size() == 2; }, 5000));
    EXPECT_TRUE(TestEnv::PumpUntil([&] { return m_board.bodies.size() == 1; }, kWaitMs));
    SetHttpTickSourceForTesting(nullptr);
    EXPECT_EQ(m_board.errors, 1);
}

// A request waiting out its retry delay is started at once, outside the limit, when another
// request's scheduling reaches it; finishing it frees no slot it never held.
TEST_F(HttpMgrTest, WaitingRetryStartsEarlyWithAnotherRequest) {
    g_fakeTick = 5000;
    SetHttpTickSourceForTesting(&FakeTick);
    TracedCommand& failing = Add(L"http://127.0.0.1:1/refused");
    failing.SetMaxRetries(1);
    ASSERT_TRUE(failing.Send());
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return !failing.IsRunning(); }, kWaitMs));
    ASSERT_EQ(m_board.starts.size(), 1u);
    TracedCommand& other = Add(HttpTest::NginxUrl(L"/small.bin"));
    ASSERT_TRUE(other.Send());
    EXPECT_EQ(m_board.starts, (std::vector<int>{0, 0, 1})) << "the waiting retry went first";
    EXPECT_EQ(Manager().RunningCount(), 1) << "only the new request holds a slot";
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_board.bodies.size() == 2; }, kWaitMs));
    SetHttpTickSourceForTesting(nullptr);
    EXPECT_EQ(m_board.errors, 1);
    EXPECT_EQ(Manager().RunningCount(), 0);
    EXPECT_EQ(Manager().TaskCount(), 0u);
}

// Nothing of an engine runs before its first request: the first page of the installer needs
// neither worker. A command starts the command engine alone; a download then starts its own.
// A worker left without work ends its thread, and the next command starts it again.
TEST_F(HttpMgrTest, EnginesStartWithTheirFirstRequest) {
    EXPECT_EQ(HttpEngines::CommandWorker(), nullptr);
    EXPECT_EQ(HttpEngines::DownloadWorker(), nullptr);
    TracedCommand& command = Add(HttpTest::NginxUrl(L"/small.bin"));
    ASSERT_TRUE(command.Send());
    EXPECT_NE(HttpEngines::CommandWorker(), nullptr);
    EXPECT_EQ(HttpEngines::DownloadWorker(), nullptr);
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_board.bodies.size() == 1; }, kWaitMs));
    ASSERT_TRUE(TestEnv::PumpUntil([] { return !HttpEngines::CommandWorker()->IsRunning(); }, kWaitMs));
    ASSERT_TRUE(Add(HttpTest::NginxUrl(L"/small.bin")).Send());
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_board.bodies.size() == 2; }, kWaitMs));
    EXPECT_EQ(m_board.bodies[1].size(), 1000u);
    TestEnv::TempDir folder{L"engines"};
    CHttpDownloadFile download;
    ASSERT_TRUE(download.Download(HttpTest::NginxUrl(L"/small.bin"), folder.File(L"small.bin"), 1000, nullptr));
    EXPECT_NE(HttpEngines::DownloadWorker(), nullptr);
    EXPECT_TRUE(download.Stop());
}

// After shutdown, requests still held by callers have no manager and no worker, whether
// they were sent or never were; stopping or destroying them calls into no freed engine, and
// sending them fails.
TEST_F(HttpMgrTest, ShutdownLetsRequestsGo) {
    TracedCommand& command = Add(FaultUrl(L"/file?size=1000000&rate=100000"));
    ASSERT_TRUE(command.Send());
    auto unsentDownload = std::make_unique<CHttpDownloadFile>();
    auto unsentCommand = std::make_unique<CHttpCommand>();
    ShutdownMainThreadRuntime();
    EXPECT_EQ(unsentDownload->Manager(), nullptr);
    EXPECT_TRUE(unsentDownload->Stop());
    unsentDownload.reset();
    unsentCommand.reset();
    EXPECT_EQ(command.Manager(), nullptr);
    EXPECT_EQ(command.Worker(), nullptr);
    EXPECT_TRUE(command.Stop());
    EXPECT_FALSE(command.Send());
    InitMainThreadRuntime(HttpEngines::Engines());
    // A new engine takes the command again.
    TracedCommand& again = Add(HttpTest::NginxUrl(L"/small.bin"));
    ASSERT_TRUE(again.Send());
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_board.bodies.size() == 1; }, kWaitMs));
    EXPECT_EQ(m_board.bodies[0].size(), 1000u);
}

}  // namespace
