#include "Runtime/FileLogger.h"

#include "Runtime/AutoLock.h"
#include "Runtime/StringConv.h"

void FileLogger::SetStream(FILE* stream) {
    CAutoLock hold(m_lock);
    m_stream = stream;
}

// UTF-8, so that support can read the file with any tool.
void FileLogger::Write(const std::wstring& line) {
    const std::string bytes = WideToUtf8(line);
    fwrite(bytes.data(), 1, bytes.size(), m_stream);
    fflush(m_stream);
}
