#pragma once
// MD5 digest (RFC 1321), incremental. Used to check a downloaded package against the
// digest its manifest names before it is run. One thread at a time.
#include <cstddef>
#include <cstdint>
#include <string>

class CMd5 {
public:
    CMd5();
    void Update(const void* data, size_t size);
    // Lower-case hexadecimal digest; the object is spent afterwards.
    std::string FinishHex();

    static std::string OfString(const std::string& data);
    // Empty when the file cannot be read.
    static std::string OfFile(const std::wstring& path);

private:
    void Transform(const uint8_t block[64]);

    uint32_t m_state[4];
    uint64_t m_bytes = 0;
    uint8_t m_buffer[64];
};
