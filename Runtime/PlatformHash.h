#pragma once
// A running MD5 or SHA-256 digest from the platform's provider (BCrypt in system32), fed in
// pieces and finished as lower-case hexadecimal. One thread at a time; it may change threads
// between calls when the caller orders them.
#include <windows.h>

#include <bcrypt.h>

#include <cstddef>
#include <string>
#include <vector>

class CPlatformHash {
public:
    enum class Algorithm { kMd5, kSha256 };

    explicit CPlatformHash(Algorithm algorithm);
    ~CPlatformHash();
    CPlatformHash(const CPlatformHash&) = delete;
    CPlatformHash& operator=(const CPlatformHash&) = delete;

    // Starts over, as if nothing had been fed.
    void Reset();
    void Update(const void* data, size_t size);
    // Empty when the provider failed at any point: a caller comparing digests then never
    // matches. The hash must be Reset before it is fed again.
    std::string FinishHex();

private:
    void DestroyHash();

    BCRYPT_ALG_HANDLE m_provider = nullptr;
    BCRYPT_HASH_HANDLE m_hash = nullptr;
    // The hash object's memory, which older systems require the caller to supply.
    std::vector<UCHAR> m_object;
    ULONG m_digestBytes = 0;
    bool m_failed = false;
};
