#pragma once
// Misuse of a ProtoValue: a code and a message.
#include <string>

class ProtoValueException {
public:
    enum Code : int { kIndexOutOfRange = 1, kKeyWrongType = 2, kReadWrongType = 3 };
    ProtoValueException(int code, std::wstring message) : m_code(code), m_message(std::move(message)) {}

    int m_code;
    std::wstring m_message;
};
