#include "Http/IBufferStream.h"

#include <cstring>

IBufferStream::IBufferStream(const void* data, size_t length)
    : m_data(static_cast<const char*>(data), static_cast<const char*>(data) + length) {}

int IBufferStream::Read(void* buffer, unsigned count) {
    if (m_position >= m_data.size())
        return 0;
    if (count > m_data.size() - m_position)
        return -1;
    memcpy(buffer, m_data.data() + m_position, count);
    m_position += count;
    return static_cast<int>(count);
}

uint32_t IBufferStream::Size() {
    return static_cast<uint32_t>(m_data.size());
}

void IBufferStream::Close() {
    std::vector<char>().swap(m_data);
    m_position = 0;
}
