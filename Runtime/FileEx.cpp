#include "Runtime/FileEx.h"

CFileEx::~CFileEx() {
    if (IsOpen() && m_closeOnDestroy) {
        try {
            Close();
        } catch (const CFileExException&) {
            // A destructor has nobody to report to.
        }
    }
}

void CFileEx::ThrowLastError(const std::wstring& message) {
    throw CFileExException(message, static_cast<int>(GetLastError()));
}

bool CFileEx::Open(const std::wstring& path, unsigned mode, CFileExException* error) {
    m_closeOnDestroy = false;
    m_file = INVALID_HANDLE_VALUE;
    m_path = path;

    DWORD access = GENERIC_READ;
    switch (mode & kAccessMask) {
        case kWrite: access = GENERIC_WRITE; break;
        case kReadWrite: access = GENERIC_READ | GENERIC_WRITE; break;
        default: break;
    }
    DWORD share = 0;
    switch (mode & kShareMask) {
        case kShareDenyWrite: share = FILE_SHARE_READ; break;
        case kShareDenyRead: share = FILE_SHARE_WRITE; break;
        case kShareDenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
        default: break;
    }
    SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, (mode & kNoInherit) ? FALSE : TRUE};
    DWORD creation = OPEN_EXISTING;
    if (mode & kCreate)
        creation = (mode & kNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

    HANDLE file = CreateFileW(path.c_str(), access, share, &security, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (error) {
            error->m_code = static_cast<int>(GetLastError());
            error->m_message = L"INVALID_HANDLE_VALUE";
        }
        return false;
    }
    m_file = file;
    m_closeOnDestroy = true;
    return true;
}

uint64_t CFileEx::GetPosition() {
    return Seek(0, kCurrent);
}

uint64_t CFileEx::Seek(int64_t offset, int origin) {
    DWORD method = origin == kEnd ? FILE_END : origin == kCurrent ? FILE_CURRENT : FILE_BEGIN;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER result;
    if (!SetFilePointerEx(m_file, distance, &result, method))
        ThrowLastError();
    return static_cast<uint64_t>(result.QuadPart);
}

void CFileEx::SetLength(uint64_t length) {
    Seek(static_cast<int64_t>(length), kBegin);
    if (!SetEndOfFile(m_file))
        ThrowLastError();
}

uint64_t CFileEx::SeekToEnd() {
    Seek(0, kCurrent);
    return Seek(0, kEnd);
}

unsigned CFileEx::Read(void* buffer, unsigned count) {
    if (count == 0)
        return 0;
    DWORD read = 0;
    if (!ReadFile(m_file, buffer, count, &read, nullptr))
        ThrowLastError();
    return read;
}

void CFileEx::Write(const void* buffer, unsigned count) {
    if (count == 0)
        return;
    const char* next = static_cast<const char*>(buffer);
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(m_file, next, count, &written, nullptr))
            ThrowLastError(m_path);
        if (written == 0)
            throw CFileExException(m_path, CFileExException::kShortWrite);
        next += written;
        count -= written;
    }
}

void CFileEx::Abort() {
    if (IsOpen())
        CloseHandle(m_file);
    m_file = INVALID_HANDLE_VALUE;
    m_closeOnDestroy = false;
    m_path.clear();
}

void CFileEx::Flush() {
    if (IsOpen() && !FlushFileBuffers(m_file))
        ThrowLastError();
}

void CFileEx::Close() {
    bool failed = false;
    DWORD error = 0;
    if (IsOpen() && !CloseHandle(m_file)) {
        failed = true;
        error = GetLastError();
    }
    m_file = INVALID_HANDLE_VALUE;
    m_closeOnDestroy = false;
    m_path.clear();
    if (failed)
        throw CFileExException(std::wstring(), static_cast<int>(error));
}
