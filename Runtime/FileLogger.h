#pragma once
// Log sink writing UTF-8 to an open stream (no byte-order mark). Any thread.
// The stream belongs to whoever set it; the sink never closes it.
#include <cstdio>

#include "Runtime/BaseLogger.h"
#include "Runtime/Singleton.h"

class FileLogger : public BaseLogger, public CSingleton<FileLogger> {
public:
    void Write(const std::wstring& line) override;
    bool IsEnabled() override { return HasOptions() && m_stream != nullptr; }
    void SetStream(FILE* stream);

private:
    friend class CSingleton<FileLogger>;
    FileLogger() = default;
    FILE* m_stream = nullptr;
};
