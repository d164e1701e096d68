#include "Http/FileDigester.h"

#include <algorithm>
#include <vector>

#include "Runtime/ScopedHandle.h"

namespace {
// Large enough that the provider's per-call cost vanishes, small enough that a stop is seen
// within milliseconds.
constexpr DWORD kReadPieceBytes = 1024 * 1024;
}  // namespace

FileDigester::FileDigester(unsigned kinds) {
    if (kinds & kDigestMd5)
        m_md5 = std::make_unique<CPlatformHash>(CPlatformHash::Algorithm::kMd5);
    if (kinds & kDigestSha256)
        m_sha256 = std::make_unique<CPlatformHash>(CPlatformHash::Algorithm::kSha256);
}

void FileDigester::Reset() {
    if (m_md5)
        m_md5->Reset();
    if (m_sha256)
        m_sha256->Reset();
    m_fed = 0;
}

void FileDigester::Update(const void* data, size_t size) {
    if (m_md5)
        m_md5->Update(data, size);
    if (m_sha256)
        m_sha256->Update(data, size);
    m_fed += size;
}

DWORD FileDigester::FeedFileStart(const std::wstring& path,
                                  uint64_t length,
                                  const std::function<bool()>& keepGoing) {
    if (length == 0)
        return ERROR_SUCCESS;
    // Shared in every way: the download's own handle writes the same file, and whoever
    // deletes it meanwhile must not fail because of this reader.
    CScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.IsValid())
        return GetLastError();
    std::vector<char> piece(kReadPieceBytes);
    uint64_t left = length;
    while (left > 0) {
        if (!keepGoing())
            return ERROR_CANCELLED;
        const DWORD want = static_cast<DWORD>(std::min<uint64_t>(left, kReadPieceBytes));
        DWORD got = 0;
        if (!ReadFile(file.Get(), piece.data(), want, &got, nullptr))
            return GetLastError();
        if (got == 0)
            return ERROR_HANDLE_EOF;
        Update(piece.data(), got);
        left -= got;
    }
    return ERROR_SUCCESS;
}

FileDigests FileDigester::Finish() {
    FileDigests digests;
    if (m_md5)
        digests.md5 = m_md5->FinishHex();
    if (m_sha256)
        digests.sha256 = m_sha256->FinishHex();
    return digests;
}
