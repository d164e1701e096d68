#pragma once
// Log sink writing to the debugger output. Any thread.
#include "Runtime/BaseLogger.h"
#include "Runtime/Singleton.h"

class TraceLogger : public BaseLogger, public CSingleton<TraceLogger> {
public:
    void Write(const std::wstring& line) override;
    bool IsEnabled() override { return HasOptions(); }

private:
    friend class CSingleton<TraceLogger>;
    TraceLogger() = default;
};
