#pragma once
// Response body collected in memory, growing by doubling up to a fixed bound; a write past
// the bound fails, so an endless response ends the transfer instead of exhausting memory.
// Used by one thread at a time (see OBaseStream).
#include <cstddef>
#include <memory>

#include "Http/OBaseStream.h"

class OBufferStream : public OBaseStream {
public:
    static constexpr size_t kInitialCapacity = 2 * 1024 * 1024;
    static constexpr size_t kMaxBodySize = 64 * 1024 * 1024;

    OBufferStream();

    int Write(const void* data, unsigned count) override;
    void Close() override;
    void Clear() override;

    const char* Data() const { return m_buffer.get(); }
    size_t Length() const { return m_length; }

private:
    std::unique_ptr<char[]> m_buffer;
    size_t m_capacity = 0;
    size_t m_length = 0;
};
