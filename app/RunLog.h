#pragma once
// The log of one run, for support: a UTF-8 file "TarnisSetup-<start time>-<process id>.log" in a
// folder that keeps the newest runs. The file log sink writes into it, so the engine's and the
// update module's own lines land there beside the installer's. A log that cannot be written is not
// written: it never stops an install. Open and Close: UI thread; Line: any thread.
#include <cstdio>
#include <string>

#include "Runtime/FileLogger.h"

class CRunLog {
public:
    static constexpr size_t kKeptLogs = 10;

    CRunLog() = default;
    ~CRunLog() { Close(); }
    CRunLog(const CRunLog&) = delete;
    CRunLog& operator=(const CRunLog&) = delete;

    // Makes the folder if it is missing, removes the oldest logs so that this one is the newest of
    // kKeptLogs, and hands the new file to the file sink. False when no file could be made.
    bool Open(const std::wstring& folder);
    // The sink lets go of the file before it is closed.
    void Close();
    const std::wstring& Path() const { return m_path; }

    // One line of the installer's own: time, process and thread, then the text.
    template <class... Args>
    static void Line(const wchar_t* format, Args... args) {
        FileLogger::Instance().Log(kLogInfo, format, args...);
    }
    // The first line: version, command line, Windows version, display scale and elevation.
    static void LogStart(const std::wstring& commandLine);

private:
    FILE* m_file = nullptr;
    std::wstring m_path;
};
