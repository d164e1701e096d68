#include "Runtime/BaseLogger.h"

#include <windows.h>

#include <ctime>
#include <cwchar>
#include <vector>

#include "Runtime/AutoLock.h"

namespace {

// Formats one prefix piece into a bounded buffer; a failed or empty piece is dropped.
void AppendPiece(std::wstring& out, size_t capacity, const wchar_t* format, ...) {
    std::vector<wchar_t> buffer(capacity + 1);
    va_list args;
    va_start(args, format);
    int n = _vsnwprintf(buffer.data(), capacity, format, args);
    va_end(args);
    if (n > 0)
        out.append(buffer.data(), static_cast<size_t>(n));
}

const wchar_t* LevelTag(int level) {
    switch (level) {
        case kLogInfo: return L"INFO";
        case kLogWarn: return L"WARN";
        case kLogError: return L"ERRO";
        default: return nullptr;
    }
}

constexpr size_t kShortPiece = 63;
constexpr size_t kTimePiece = 31;
constexpr size_t kPositionPiece = 2047;

}  // namespace

BaseLogger::~BaseLogger() = default;

void BaseLogger::SetOptions(std::unique_ptr<LogOptions> options) {
    CAutoLock hold(m_lock);
    m_options = std::move(options);
}

void BaseLogger::Log(int level, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    LogV(level, nullptr, nullptr, format, args);
    va_end(args);
}

void BaseLogger::Log(int level, int line, const wchar_t* file, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    LogV(level, &line, file, format, args);
    va_end(args);
}

void BaseLogger::LogV(int level, const int* line, const wchar_t* file, const wchar_t* format, va_list args) {
    CAutoLock hold(m_lock);
    if (!IsEnabled())
        return;
    Write(BuildLine(level, line, file, format, args));
}

std::wstring BaseLogger::BuildLine(int level, const int* line, const wchar_t* file, const wchar_t* format,
                                   va_list args) {
    std::wstring out;
    if (const wchar_t* tag = LevelTag(level))
        AppendPiece(out, kShortPiece, L"[%4s]", tag);
    if (m_options->flags & LogOptions::kTime) {
        time_t now = time(nullptr);
        struct tm local {};
        if (localtime_s(&local, &now) == 0) {
            wchar_t stamp[kTimePiece + 1] = {};
            if (wcsftime(stamp, kTimePiece, L"[%Y-%m-%d %H:%M:%S]", &local) > 0)
                out += stamp;
        }
    }
    if (m_options->flags & LogOptions::kProcessId)
        AppendPiece(out, kShortPiece, L"[pid:%d]", static_cast<int>(GetCurrentProcessId()));
    if (m_options->flags & LogOptions::kThreadId)
        AppendPiece(out, kShortPiece, L"[tid:%d]", static_cast<int>(GetCurrentThreadId()));
    if (line)
        AppendPiece(out, kPositionPiece, L"[%s:%d]", file ? file : L"", *line);

    // Measure first so the message is never cut.
    va_list measure;
    va_copy(measure, args);
    int length = _vscwprintf(format, measure);
    va_end(measure);
    if (length > 0) {
        std::vector<wchar_t> message(static_cast<size_t>(length) + 1);
        int n = _vsnwprintf(message.data(), message.size(), format, args);
        if (n > 0)
            out.append(message.data(), static_cast<size_t>(n));
    }
    if (m_options->newline)
        out += L"\r\n";
    return out;
}
