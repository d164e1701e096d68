#pragma once
// Log sink writing to the process's console. Any thread.
#include "Runtime/BaseLogger.h"
#include "Runtime/Singleton.h"

class ConsoleLogger : public BaseLogger, public CSingleton<ConsoleLogger> {
public:
    void Write(const std::wstring& line) override;
    bool IsEnabled() override { return HasOptions() && m_hasConsole; }
    void SetConsoleAvailable(bool available);

private:
    friend class CSingleton<ConsoleLogger>;
    ConsoleLogger() = default;
    bool m_hasConsole = false;
};
