#pragma once
// Sink of a transfer's response body. Write and Clear run on the worker thread, Close and
// Clear on the UI thread, never at the same time (the owning transfer serialises them).
#include <atomic>
#include <functional>

class OBaseStream {
public:
    virtual ~OBaseStream() = default;
    // Worker thread, once, before anything is written, outside the transfer's stream lock so
    // that the UI thread can drop the transfer meanwhile: work that must come first. False
    // when the transfer cannot go on (the error fields say why) or `keepGoing` turned false.
    virtual bool BeforeFirstWrite(const std::function<bool()>& keepGoing) { return true; }
    // Worker thread, once the transfer has ended and before its end is reported, outside the
    // stream lock: work on what was written that the owner needs at the end.
    virtual void AfterLastWrite() {}
    // Count written, or -1 with the error fields saying why.
    virtual int Write(const void* data, unsigned count) = 0;
    virtual void Close() = 0;
    // Discards everything written so far.
    virtual void Clear() = 0;

    int ErrorCode() const { return m_errorCode.load(std::memory_order_relaxed); }
    int ErrorType() const { return m_errorType.load(std::memory_order_relaxed); }

protected:
    void SetError(int type, int code) {
        m_errorType.store(type, std::memory_order_relaxed);
        m_errorCode.store(code, std::memory_order_relaxed);
    }

private:
    // Atomic because BeforeFirstWrite may fail on the worker while the UI thread closes.
    std::atomic<int> m_errorCode{0};
    std::atomic<int> m_errorType{0};
};
