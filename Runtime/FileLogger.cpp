#include "Runtime/FileLogger.h"

#include "Runtime/AutoLock.h"

void FileLogger::SetStream(FILE* stream) {
    CAutoLock hold(m_lock);
    m_stream = stream;
}

void FileLogger::Write(const std::wstring& line) {
    fwrite(line.data(), sizeof(wchar_t), line.size(), m_stream);
    fflush(m_stream);
}
