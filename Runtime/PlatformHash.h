#pragma once
// A running MD5 or SHA-256 digest from the platform's provider (BCrypt in system32), or for
// SHA-256 from the CPU's SHA extensions where it has them, fed in pieces and finished as lower-case
// hexadecimal. One thread at a time; it may change threads between calls when the caller orders them.
#include <windows.h>

#include <bcrypt.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "Runtime/Sha256Ni.h"

class CPlatformHash {
public:
    enum class Algorithm { kMd5, kSha256 };
    // kSystem: the system's provider even where the CPU could do it (for comparing the two).
    enum class Engine { kFastest, kSystem };

    explicit CPlatformHash(Algorithm algorithm, Engine engine = Engine::kFastest);
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

    // Set instead of the provider when the CPU computes the digest.
    std::unique_ptr<CSha256Ni> m_cpu;
    BCRYPT_ALG_HANDLE m_provider = nullptr;
    BCRYPT_HASH_HANDLE m_hash = nullptr;
    // The hash object's memory, which older systems require the caller to supply.
    std::vector<UCHAR> m_object;
    ULONG m_digestBytes = 0;
    bool m_failed = false;
};
