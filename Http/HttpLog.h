#pragma once
// Logging shapes shared by the transfer engine: most messages go to two sinks at once.
// Any thread (each sink locks itself).
#include "Runtime/ConsoleLogger.h"
#include "Runtime/FileLogger.h"
#include "Runtime/TraceLogger.h"

namespace HttpLog {

// The file copy carries the caller's line, the console copy the next one.
template <class... Args>
void FileAndConsole(int level, int line, const wchar_t* source, const wchar_t* format, Args... args) {
    FileLogger::Instance().Log(level, line, source, format, args...);
    ConsoleLogger::Instance().Log(level, line + 1, source, format, args...);
}

template <class... Args>
void TraceAndFile(int traceLevel,
                  int fileLevel,
                  int line,
                  const wchar_t* source,
                  const wchar_t* format,
                  Args... args) {
    TraceLogger::Instance().Log(traceLevel, format, args...);
    FileLogger::Instance().Log(fileLevel, line, source, format, args...);
}

}  // namespace HttpLog
