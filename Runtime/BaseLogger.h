#pragma once
// Line format, lock and options shared by the log sinks. Any thread; each sink holds
// its own lock for a whole line, so lines never interleave within one sink.
#include <cstdarg>
#include <memory>
#include <string>

#include "Runtime/Lock.h"

enum LogLevel : int { kLogInfo = 0, kLogWarn = 1, kLogError = 2 };

struct LogOptions {
    enum Flags : unsigned { kTime = 2, kProcessId = 4, kThreadId = 8 };
    unsigned flags = 0;
    bool newline = false;
};

class BaseLogger {
public:
    virtual ~BaseLogger();
    virtual void Log(int level, const wchar_t* format, ...);
    virtual void Log(int level, int line, const wchar_t* file, const wchar_t* format, ...);
    virtual void Write(const std::wstring& line) = 0;
    virtual bool IsEnabled() = 0;

    // Nothing in the product calls this, so every sink stays disabled; tests do.
    void SetOptions(std::unique_ptr<LogOptions> options);

protected:
    BaseLogger() = default;
    bool HasOptions() const { return m_options != nullptr; }
    CLock m_lock;

private:
    void LogV(int level, const int* line, const wchar_t* file, const wchar_t* format, va_list args);
    std::wstring BuildLine(int level, const int* line, const wchar_t* file, const wchar_t* format, va_list args);

    std::unique_ptr<LogOptions> m_options;
};
