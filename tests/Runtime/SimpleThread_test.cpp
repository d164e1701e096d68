#include "Runtime/SimpleThread.h"

#include <gtest/gtest.h>

#include <atomic>

#include "Runtime/RefPtr.h"
#include "Runtime/RefThreadSafeBase.h"

namespace {

// Spins until asked to stop.
class Spinner : public CSimpleThread {
public:
    void Run() override {
        m_started = true;
        while (!IsStopping())
            Sleep(1);
        m_finished = true;
    }
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_finished{false};
};

bool WaitFor(const std::atomic<bool>& flag, DWORD ms) {
    for (DWORD waited = 0; !flag && waited < ms; waited += 5)
        Sleep(5);
    return flag;
}

}  // namespace

// A thread that was never started stops trivially; there is nothing to destroy.
TEST(SimpleThread, NeverStarted) {
    Spinner t;
    EXPECT_FALSE(t.IsRunning());
    EXPECT_TRUE(t.StopThread(INFINITE));
    EXPECT_FALSE(t.DestroyThread(0));
}

// Start, stop, and start again: the body returns on the stop flag each time.
TEST(SimpleThread, StartStopRestart) {
    Spinner t;
    for (int round = 0; round < 3; ++round) {
        t.m_started = false;
        t.m_finished = false;
        ASSERT_TRUE(t.StartThread());
        ASSERT_TRUE(WaitFor(t.m_started, 5000));
        EXPECT_TRUE(t.IsRunning());
        EXPECT_TRUE(t.StartThread()) << "already running: nothing happens";
        EXPECT_TRUE(t.StopThread(INFINITE));
        EXPECT_TRUE(t.m_finished);
        EXPECT_FALSE(t.IsRunning());
        EXPECT_EQ(0u, t.ThreadId());
    }
}

// A body that never looks at the stop flag is terminated after the time-out.
TEST(SimpleThread, StuckThreadIsTerminatedAfterTimeout) {
    struct Stuck : CSimpleThread {
        void Run() override {
            for (;;)
                Sleep(10);
        }
    } t;
    ASSERT_TRUE(t.StartThread());
    EXPECT_TRUE(t.StopThread(100));
    EXPECT_FALSE(t.IsRunning());
}

// Stopping from inside the thread's own body must not wait for itself.
TEST(SimpleThread, StopFromInsideDoesNotDeadlock) {
    struct SelfStopper : CSimpleThread {
        void Run() override {
            m_result = StopThread(INFINITE);
            m_done = true;
        }
        std::atomic<bool> m_result{false};
        std::atomic<bool> m_done{false};
    } t;
    ASSERT_TRUE(t.StartThread());
    ASSERT_TRUE(WaitFor(t.m_done, 5000));
    EXPECT_TRUE(t.m_result);
    Sleep(20);
    EXPECT_FALSE(t.IsRunning());
}

namespace {
std::atomic<DWORD> g_destroyedOn{0};

// Holds the last reference to itself and releases it on its own thread.
class SelfOwned : public CRefThreadSafeBase<SelfOwned>, public CSimpleThread {
public:
    ~SelfOwned() override { g_destroyedOn = GetCurrentThreadId(); }
    void Run() override {
        m_ranOn = GetCurrentThreadId();
        m_self.reset();  // the object dies here, on this thread
    }
    CRefPtr<SelfOwned> m_self;
    static std::atomic<DWORD> m_ranOn;
};
std::atomic<DWORD> SelfOwned::m_ranOn{0};
}  // namespace

// The last Release on a worker destroys the object on that worker.
TEST(RefThreadSafe, LastReleaseOnWorkerDestroysThere) {
    auto* object = new SelfOwned();
    object->m_self = object;
    ASSERT_TRUE(object->StartThread());
    for (int i = 0; i < 500 && g_destroyedOn == 0; ++i)
        Sleep(5);
    ASSERT_NE(0u, g_destroyedOn.load());
    EXPECT_EQ(SelfOwned::m_ranOn.load(), g_destroyedOn.load());
    EXPECT_NE(GetCurrentThreadId(), g_destroyedOn.load());
}
