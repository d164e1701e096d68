#pragma once
// SHA-256 on the CPU's SHA extensions, about ten times quicker than the system's provider under
// Wine, so that hashing a package keeps pace with receiving it. Only where IsSupported() says so;
// CPlatformHash falls back to the provider elsewhere. One thread at a time.
#include <cstddef>
#include <cstdint>
#include <string>

class CSha256Ni {
public:
    // The CPU has the SHA extensions and SSE4.1.
    static bool IsSupported();

    CSha256Ni() { Reset(); }
    void Reset();
    void Update(const void* data, size_t size);
    // Lower-case hexadecimal; the hash must be Reset before it is fed again.
    std::string FinishHex();

private:
    uint32_t m_state[8];
    unsigned char m_block[64];
    size_t m_blockUsed = 0;
    uint64_t m_totalBytes = 0;
};
