#pragma once
// Conversions between UTF-16 and the ANSI code page or UTF-8. Any thread.
// Empty input gives empty output; characters the ANSI page lacks become a space.
#include <string>

std::string WideToAnsi(const std::wstring& text);
std::wstring AnsiToWide(const std::string& text);
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);
