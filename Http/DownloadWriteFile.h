#pragma once
// Body sink of a file download: appends to the partial file, and refuses a write that would
// grow the file past the size the caller expects (a server sending more than it should).
// Open/Close/Clear on the UI thread, Write/Clear on the download worker, serialised by the
// owning transfer.
#include <cstdint>
#include <string>

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
    int Write(const void* data, unsigned count) override;
    void Close() override;
    void Clear() override;

    // 0 means no limit.
    void SetSizeLimit(uint64_t limit) { m_sizeLimit = limit; }
    uint64_t Size() const { return m_size; }

    // Cuts the file at `path` back to `length` bytes; false when it cannot be opened.
    static bool Truncate(const std::wstring& path, uint64_t length);

private:
    void LogFailure(int code);

    std::wstring m_path;
    CFileEx m_file;
    uint64_t m_size = 0;
    uint64_t m_sizeLimit = 0;
};
