#include "Runtime/TraceLogger.h"

#include <windows.h>

void TraceLogger::Write(const std::wstring& line) {
    OutputDebugStringW(line.c_str());
}
