#pragma once
// Body sink of a file download: appends to the partial file, refuses a write that would grow
// the file past the size the caller expects (a server sending more than it should), and keeps
// the digests of the whole file when asked: on the worker, the bytes the file held when it was
// opened first, then every byte written, handed to a hashing thread of its own.
// Open/Close/Clear on the UI thread, Write/Clear, BeforeFirstWrite and AfterLastWrite on the
// download worker, serialised by the owning transfer (AfterLastWrite may meet Close).
#include <cstdint>
#include <memory>
#include <string>

#include "Http/DigestPipe.h"
#include "Http/OBaseStream.h"
#include "Runtime/FileEx.h"

class DownloadWriteFile : public OBaseStream {
public:
    static constexpr unsigned kOpenMode = CFileEx::kReadWrite | CFileEx::kShareDenyWrite |
                                          CFileEx::kNoInherit | CFileEx::kCreate | CFileEx::kNoTruncate |
                                          CFileEx::kTypeBinary;

    DownloadWriteFile() = default;
    ~DownloadWriteFile() override = default;

    bool Open(const std::wstring& path);
    // Hashes what the file held when it was opened, when digests are wanted.
    bool BeforeFirstWrite(const std::function<bool()>& keepGoing) override;
    // Waits for the hashing thread, so that the owner finds the digests ready.
    void AfterLastWrite() override;
    int Write(const void* data, unsigned count) override;
    void Close() override;
    void Clear() override;

    // 0 means no limit.
    void SetSizeLimit(uint64_t limit) { m_sizeLimit = limit; }
    uint64_t Size() const { return m_size; }
    // kDigest* bits; set before the transfer is handed over.
    void SetDigests(unsigned kinds) { m_digests = std::make_unique<DigestPipe>(kinds); }
    // The digests of the bytes now in the file; all empty unless they cover every one of them.
    FileDigests FinishDigests();

    // Cuts the file at `path` back to `length` bytes; false when it cannot be opened.
    static bool Truncate(const std::wstring& path, uint64_t length);

private:
    void LogFailure(int code);

    std::wstring m_path;
    CFileEx m_file;
    uint64_t m_size = 0;
    uint64_t m_sizeLimit = 0;
    // Never null; replaced only before the transfer is handed over.
    std::unique_ptr<DigestPipe> m_digests = std::make_unique<DigestPipe>(0);
};
