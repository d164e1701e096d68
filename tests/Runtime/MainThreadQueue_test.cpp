#include "Runtime/MainThreadQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "Runtime/MainThreadRuntime.h"
#include "Runtime/MainThreadTask.h"
#include "tests/support/TestEnv.h"

namespace {

std::vector<int>* g_ran = nullptr;

void Record(int value, int) {
    g_ran->push_back(value);
}

void Post(int value) {
    PostToMainThread2<int, int, int, int>(&Record, value, 0);
}

// Removes and counts the queue's wake-up messages without dispatching them.
int CountWakeups() {
    int count = 0;
    MSG msg;
    while (PeekMessageW(&msg, MainThreadQueue::Window(), MainThreadQueue::Message(), MainThreadQueue::Message(),
                        PM_REMOVE))
        ++count;
    return count;
}

class MainThreadQueueTest : public testing::Test {
protected:
    void SetUp() override {
        g_ran = &m_ran;
        InitMainThreadRuntime();
    }
    void TearDown() override {
        ShutdownMainThreadRuntime();
        g_ran = nullptr;
    }
    std::vector<int> m_ran;
};

}  // namespace

// Only the post that finds the queue empty sends a wake-up; the rest ride on it.
TEST_F(MainThreadQueueTest, OneWakeupForAnyNumberOfTasks) {
    Post(1);
    Post(2);
    Post(3);
    EXPECT_EQ(1, CountWakeups());
    MainThreadQueue::RunPass();
    EXPECT_EQ((std::vector<int>{1, 2, 3}), m_ran);
    // A wake-up for a queue already emptied does nothing.
    PostMessageW(MainThreadQueue::Window(), MainThreadQueue::Message(), 0, 0);
    TestEnv::PumpFor(50);
    EXPECT_EQ(3u, m_ran.size());
}

namespace {
void Slow(int value, int) {
    g_ran->push_back(value);
    Sleep(2);  // makes the pass exceed its time budget, not a synchronisation
}
}  // namespace

// Two hundred slow tasks take several passes; each runs once, in order.
TEST_F(MainThreadQueueTest, LongQueueSpreadsOverPassesInOrder) {
    for (int i = 0; i < 200; ++i)
        PostToMainThread2<int, int, int, int>(&Slow, i, 0);
    MainThreadQueue::RunPass();
    EXPECT_LT(m_ran.size(), 200u) << "one pass is bounded in time";
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_ran.size() == 200; }, 20000));
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(i, m_ran[i]);
    TestEnv::PumpFor(50);
    EXPECT_EQ(200u, m_ran.size());
}

namespace {
void PostsAnother(int value, int) {
    g_ran->push_back(value);
    if (value == 1)
        Post(3);
}
}  // namespace

// A task may post; the new task runs after the ones already queued, in the same pass.
TEST_F(MainThreadQueueTest, TaskPostedFromTaskRunsAfterIt) {
    PostToMainThread2<int, int, int, int>(&PostsAnother, 1, 0);
    Post(2);
    MainThreadQueue::RunPass();
    EXPECT_EQ((std::vector<int>{1, 2, 3}), m_ran);
}

// Workers post concurrently; each worker's tasks keep their order.
TEST_F(MainThreadQueueTest, TasksFromWorkerThreadsKeepTheirOrder) {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 250;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t)
        workers.emplace_back([t] {
            for (int i = 0; i < kPerThread; ++i)
                Post(t * kPerThread + i);
        });
    for (auto& w : workers)
        w.join();
    ASSERT_TRUE(TestEnv::PumpUntil([&] { return m_ran.size() == kThreads * kPerThread; }, 20000));
    std::vector<int> last(kThreads, -1);
    for (int v : m_ran) {
        int t = v / kPerThread;
        EXPECT_GT(v, last[t]);
        last[t] = v;
    }
}

namespace {
std::atomic<int> g_alive{0};
struct Counted {
    Counted() { ++g_alive; }
    Counted(const Counted&) { ++g_alive; }
    ~Counted() { --g_alive; }
};
void Never(Counted, int) {
    ADD_FAILURE() << "a task dropped at shutdown must not run";
}
}  // namespace

// Shutdown releases queued tasks without running them.
TEST(MainThreadQueueShutdown, QueuedTasksAreDroppedUnrun) {
    InitMainThreadRuntime();
    {
        Counted c;
        PostToMainThread2<Counted, Counted, int, int>(&Never, c, 0);
    }
    EXPECT_GT(g_alive.load(), 0);
    ShutdownMainThreadRuntime();
    EXPECT_EQ(0, g_alive.load());
    EXPECT_EQ(0u, MainThreadQueue::PendingCount());
    TestEnv::PumpFor(30);
}

namespace {
int g_engineCalls = 0;
void EngineStart() { g_engineCalls += 1; }
void EngineStop() { g_engineCalls += 10; }
}  // namespace

// The engines plugged into the runtime start with it and stop with it.
TEST(MainThreadRuntime, StartsAndStopsTheEngines) {
    RuntimeEngines engines;
    engines.start = &EngineStart;
    engines.stop = &EngineStop;
    InitMainThreadRuntime(engines);
    EXPECT_EQ(1, g_engineCalls);
    ShutdownMainThreadRuntime();
    EXPECT_EQ(11, g_engineCalls);
}
