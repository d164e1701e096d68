#include "Http/OBufferStream.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr size_t kRegrowCapacity = 512 * 1024;
// Room kept beyond the data, so the buffer may be handed on as text.
constexpr size_t kSlack = 10;
}  // namespace

OBufferStream::OBufferStream() : m_buffer(new char[kInitialCapacity]), m_capacity(kInitialCapacity) {}

int OBufferStream::Write(const void* data, unsigned count) {
    if (count > kMaxBodySize - m_length)
        return -1;
    size_t needed = m_length + count + kSlack;
    if (needed > m_capacity) {
        size_t capacity = m_capacity ? m_capacity : kRegrowCapacity;
        while (capacity < needed)
            capacity *= 2;
        capacity = std::min(capacity, kMaxBodySize + kSlack);
        std::unique_ptr<char[]> grown(new char[capacity]);
        if (m_length)
            memcpy(grown.get(), m_buffer.get(), m_length);
        m_buffer = std::move(grown);
        m_capacity = capacity;
    }
    memcpy(m_buffer.get() + m_length, data, count);
    m_length += count;
    return static_cast<int>(count);
}

void OBufferStream::Close() {
    m_buffer.reset();
    m_capacity = 0;
    m_length = 0;
}

void OBufferStream::Clear() {
    Close();
}
