#pragma once
// Failure of a CFileEx operation: the message (a path, or empty) and the system error.
#include <string>

class CFileExException {
public:
    static constexpr int kShortWrite = -12;

    CFileExException() = default;
    CFileExException(std::wstring message, int code) : m_message(std::move(message)), m_code(code) {}

    std::wstring m_message;
    int m_code = 0;
};
