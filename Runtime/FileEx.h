#pragma once
// A thin owner of one file handle with bit-set open modes and 64-bit positions (packages may
// pass 4 GiB).
// Failures throw CFileExException, except Open, which fills a record and returns false.
// Used by one thread at a time.
#include <windows.h>

#include <cstdint>
#include <string>

#include "Runtime/FileExException.h"

class CFileEx {
public:
    enum Mode : unsigned {
        kRead = 0,
        kWrite = 1,
        kReadWrite = 2,
        kAccessMask = 3,
        kShareExclusive = 0x10,
        kShareDenyWrite = 0x20,
        kShareDenyRead = 0x30,
        kShareDenyNone = 0x40,
        kShareMask = 0x70,
        kNoInherit = 0x80,
        kCreate = 0x1000,
        kNoTruncate = 0x2000,
        kTypeText = 0x4000,
        kTypeBinary = 0x8000,
    };
    enum Origin { kBegin = 0, kCurrent = 1, kEnd = 2 };

    CFileEx() = default;
    virtual ~CFileEx();
    CFileEx(const CFileEx&) = delete;
    CFileEx& operator=(const CFileEx&) = delete;

    virtual uint64_t GetPosition();
    virtual bool Open(const std::wstring& path, unsigned mode, CFileExException* error);
    virtual uint64_t Seek(int64_t offset, int origin);
    virtual void SetLength(uint64_t length);
    virtual uint64_t SeekToEnd();
    virtual unsigned Read(void* buffer, unsigned count);
    // Writes every byte or throws: a write that stops short is continued, so that a full disk
    // reports its own error.
    virtual void Write(const void* buffer, unsigned count);
    virtual void Abort();
    virtual void Flush();
    virtual void Close();
    virtual int Reserved(void*, void*, void*, void*) { return 0; }

    bool IsOpen() const { return m_file != INVALID_HANDLE_VALUE; }
    const std::wstring& GetFilePath() const { return m_path; }

private:
    [[noreturn]] static void ThrowLastError(const std::wstring& message = std::wstring());

    HANDLE m_file = INVALID_HANDLE_VALUE;
    bool m_closeOnDestroy = false;
    std::wstring m_path;
};
