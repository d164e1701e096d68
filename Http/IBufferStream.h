#pragma once
// Upload body held in memory: a private copy of the bytes given at construction.
// Used by one thread at a time (see IBaseStream).
#include <cstddef>
#include <vector>

#include "Http/IBaseStream.h"

class IBufferStream : public IBaseStream {
public:
    IBufferStream(const void* data, size_t length);

    int Read(void* buffer, unsigned count) override;
    uint32_t Size() override;
    void Close() override;

private:
    std::vector<char> m_data;
    size_t m_position = 0;
};
