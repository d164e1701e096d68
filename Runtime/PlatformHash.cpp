#include "Runtime/PlatformHash.h"

#include <algorithm>
#include <limits>

namespace {

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

ULONG QueryUlong(BCRYPT_HANDLE handle, LPCWSTR property) {
    ULONG value = 0;
    ULONG written = 0;
    if (!Succeeded(BCryptGetProperty(handle, property, reinterpret_cast<PUCHAR>(&value), sizeof(value),
                                     &written, 0)))
        return 0;
    return value;
}

}  // namespace

CPlatformHash::CPlatformHash(Algorithm algorithm, Engine engine) {
    if (algorithm == Algorithm::kSha256 && engine == Engine::kFastest && CSha256Ni::IsSupported()) {
        m_cpu = std::make_unique<CSha256Ni>();
        return;
    }
    LPCWSTR name = algorithm == Algorithm::kMd5 ? BCRYPT_MD5_ALGORITHM : BCRYPT_SHA256_ALGORITHM;
    if (!Succeeded(BCryptOpenAlgorithmProvider(&m_provider, name, nullptr, 0))) {
        m_provider = nullptr;
        m_failed = true;
        return;
    }
    m_object.resize(QueryUlong(m_provider, BCRYPT_OBJECT_LENGTH));
    m_digestBytes = QueryUlong(m_provider, BCRYPT_HASH_LENGTH);
    Reset();
}

CPlatformHash::~CPlatformHash() {
    DestroyHash();
    if (m_provider)
        BCryptCloseAlgorithmProvider(m_provider, 0);
}

void CPlatformHash::DestroyHash() {
    if (m_hash)
        BCryptDestroyHash(m_hash);
    m_hash = nullptr;
}

void CPlatformHash::Reset() {
    if (m_cpu) {
        m_cpu->Reset();
        m_failed = false;
        return;
    }
    DestroyHash();
    m_failed = !m_provider || m_object.empty() || m_digestBytes == 0 ||
               !Succeeded(BCryptCreateHash(m_provider, &m_hash, m_object.data(),
                                           static_cast<ULONG>(m_object.size()), nullptr, 0, 0));
    if (m_failed)
        m_hash = nullptr;
}

void CPlatformHash::Update(const void* data, size_t size) {
    if (m_cpu) {
        if (!m_failed)
            m_cpu->Update(data, size);
        return;
    }
    const auto* bytes = static_cast<const UCHAR*>(data);
    while (!m_failed && size > 0) {
        const ULONG piece = static_cast<ULONG>(std::min<size_t>(size, std::numeric_limits<ULONG>::max()));
        m_failed = !Succeeded(BCryptHashData(m_hash, const_cast<PUCHAR>(bytes), piece, 0));
        bytes += piece;
        size -= piece;
    }
}

std::string CPlatformHash::FinishHex() {
    if (m_failed)
        return std::string();
    if (m_cpu) {
        // Spent, as the provider's handle is.
        m_failed = true;
        return m_cpu->FinishHex();
    }
    std::vector<UCHAR> digest(m_digestBytes);
    m_failed = !Succeeded(BCryptFinishHash(m_hash, digest.data(), m_digestBytes, 0));
    DestroyHash();
    if (m_failed)
        return std::string();
    // The handle is spent: feeding it again without Reset must not look like success.
    m_failed = true;
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (UCHAR byte : digest) {
        hex += kHex[byte >> 4];
        hex += kHex[byte & 15];
    }
    return hex;
}
