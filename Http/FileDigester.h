#pragma once
// The digests of a file as it is written: the kinds asked for, fed every byte in order from
// the file's start (by a download's hashing thread, or its worker for the bytes the file
// already held). One thread at a time; the owner orders its hand-overs between threads.
// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Runtime/PlatformHash.h"

constexpr unsigned kDigestMd5 = 1;
constexpr unsigned kDigestSha256 = 2;

// Lower-case hexadecimal; empty for a kind not asked for.
struct FileDigests {
    std::string md5;
    std::string sha256;
};

class FileDigester {
public:
    // Kinds are kDigest* bits; 0 digests nothing and costs nothing per byte.
    explicit FileDigester(unsigned kinds = 0);

    bool IsWanted() const { return m_md5 || m_sha256; }
    // Bytes fed since the file was last empty.
    uint64_t Fed() const { return m_fed; }
    // The file was emptied.
    void Reset();
    void Update(const void* data, size_t size);
    // Feeds the file's first `length` bytes from `path`, read through a handle of its own
    // (the writer keeps its file open). ERROR_SUCCESS; ERROR_CANCELLED once `keepGoing` turns
    // false between pieces; else the system's error (ERROR_HANDLE_EOF: the file is shorter).
    DWORD FeedFileStart(const std::wstring& path, uint64_t length, const std::function<bool()>& keepGoing);
    FileDigests Finish();

private:
    std::unique_ptr<CPlatformHash> m_md5;
    std::unique_ptr<CPlatformHash> m_sha256;
    uint64_t m_fed = 0;
};
