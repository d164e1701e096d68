#pragma once
// Source of a transfer's upload body. Read runs on the worker thread; Close on the UI
// thread, never at the same time (the owning transfer serialises them).
#include <cstdint>

class IBaseStream {
public:
    virtual ~IBaseStream() = default;
    // Bytes copied, 0 at the end, -1 on error.
    virtual int Read(void* buffer, unsigned count) = 0;
    virtual uint32_t Size() = 0;
    virtual void Close() = 0;
};
