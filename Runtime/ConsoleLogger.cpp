#include "Runtime/ConsoleLogger.h"

#include <windows.h>

#include "Runtime/AutoLock.h"

void ConsoleLogger::SetConsoleAvailable(bool available) {
    CAutoLock hold(m_lock);
    m_hasConsole = available;
}

void ConsoleLogger::Write(const std::wstring& line) {
    DWORD written = 0;
    WriteConsoleW(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written,
                  nullptr);
}
