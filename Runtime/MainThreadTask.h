#pragma once
// Work that any thread hands to the UI thread. Tasks are posted from any thread and
// run on the UI thread, in posting order, from the hidden task window's message.
#include "Runtime/RefPtr.h"
#include "Runtime/RefThreadSafeBase.h"

class MainThreadTaskBase : public CRefThreadSafeBase<MainThreadTaskBase> {
public:
    virtual void Run() = 0;
    ~MainThreadTaskBase() override = default;
};

// A task bound to a plain function of two parameters, holding copies of the arguments.
template <class Stored1, class Param1, class Stored2, class Param2>
class MainThreadTask2 : public MainThreadTaskBase {
public:
    using Function = void (*)(Param1, Param2);
    MainThreadTask2(Function function, Param1 first, Param2 second)
        : m_function(function), m_first(first), m_second(second) {}
    void Run() override { m_function(m_first, m_second); }

private:
    Function m_function;
    Stored1 m_first;
    Stored2 m_second;
};

using MainThreadRunner = void (*)(const CRefPtr<MainThreadTaskBase>& task);

// Enqueues a task; any thread. Posts the wake-up message only when the queue was empty.
void PostToMainThread(MainThreadRunner runner, const CRefPtr<MainThreadTaskBase>& task);

// The runner every posting path passes: calls the task's Run.
void RunMainThreadTask(const CRefPtr<MainThreadTaskBase>& task);

// Binds a two-argument function to copies of its arguments and posts it; any thread.
template <class Stored1, class Param1, class Stored2, class Param2>
void PostToMainThread2(void (*function)(Param1, Param2), Param1 first, Param2 second) {
    CRefPtr<MainThreadTaskBase> task(
        new MainThreadTask2<Stored1, Param1, Stored2, Param2>(function, first, second));
    PostToMainThread(&RunMainThreadTask, task);
}
