#include "Http/DownloadWriteFile.h"

#include <algorithm>

#include "Http/HttpLog.h"
#include "Http/HttpResult.h"

namespace {
constexpr const wchar_t* kSource = L".\\Http\\HttpDownloadFile";
}  // namespace

void DownloadWriteFile::LogFailure(int code) {
    ConsoleLogger::Instance().Log(kLogError, __LINE__, kSource, L"[DownloadWriteFile]打开错误:%d", code);
    FileLogger::Instance().Log(kLogError, __LINE__, kSource, L"[DownloadWriteFile]打开错误 %d:%d",
                               kHttpErrorSys, code);
}

bool DownloadWriteFile::Open(const std::wstring& path) {
    Close();
    m_path = path;
    CFileExException error;
    if (!m_file.Open(path, kOpenMode, &error)) {
        LogFailure(error.m_code);
        SetError(kHttpErrorSys, kHttpErrorOpenFile);
        return false;
    }
    try {
        m_size = m_file.SeekToEnd();
    } catch (const CFileExException& e) {
        LogFailure(e.m_code);
        m_file.Abort();
        SetError(kHttpErrorSys, kHttpErrorOpenFile);
        return false;
    }
    return true;
}

int DownloadWriteFile::Write(const void* data, unsigned count) {
    if (!m_file.IsOpen()) {
        SetError(kHttpErrorUser, kHttpErrorNoFile);
        return -1;
    }
    if (m_sizeLimit != 0 && count > m_sizeLimit - std::min(m_size, m_sizeLimit)) {
        SetError(kHttpErrorUser, kHttpErrorLengthMismatch);
        return -1;
    }
    try {
        m_file.Write(data, count);
    } catch (const CFileExException& e) {
        LogFailure(e.m_code);
        SetError(kHttpErrorSys, e.m_code);
        return -1;
    }
    // Fed only while the digests cover the file so far; otherwise they stay incomplete.
    if (m_digests->IsWanted() && m_digests->Fed() == m_size)
        m_digests->Feed(data, count);
    m_size += count;
    return static_cast<int>(count);
}

void DownloadWriteFile::Close() {
    // A worker waiting for the hashing thread, or a full ring, lets go at once.
    m_digests->Cancel();
    if (m_file.IsOpen()) {
        try {
            m_file.Close();
        } catch (const CFileExException&) {
            // The handle is gone either way; nothing more can be done for this file.
        }
    }
    SetError(kHttpErrorOk, 0);
}

void DownloadWriteFile::Clear() {
    if (!m_file.IsOpen()) {
        DeleteFileW(m_path.c_str());
        m_size = 0;
        m_digests->Reset();
        return;
    }
    try {
        m_file.SetLength(0);
        m_size = 0;
        m_digests->Reset();
    } catch (const CFileExException& e) {
        LogFailure(e.m_code);
        SetError(kHttpErrorSys, e.m_code);
    }
}

bool DownloadWriteFile::BeforeFirstWrite(const std::function<bool()>& keepGoing) {
    if (!m_digests->IsWanted() || m_digests->Fed() == m_size)
        return true;
    m_digests->Reset();
    const DWORD error = m_digests->FeedFileStart(m_path, m_size, keepGoing);
    if (error == ERROR_SUCCESS)
        return true;
    if (error != ERROR_CANCELLED)
        SetError(kHttpErrorSys, static_cast<int>(error));
    return false;
}

void DownloadWriteFile::AfterLastWrite() {
    m_digests->Drain();
}

FileDigests DownloadWriteFile::FinishDigests() {
    if (!m_digests->IsWanted() || m_digests->Fed() != m_size)
        return FileDigests();
    return m_digests->Finish();
}

bool DownloadWriteFile::Truncate(const std::wstring& path, uint64_t length) {
    DownloadWriteFile sink;
    if (!sink.Open(path))
        return false;
    if (sink.Size() > length) {
        try {
            sink.m_file.SetLength(length);
        } catch (const CFileExException&) {
            return false;
        }
    }
    return true;
}
