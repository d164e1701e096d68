#include "Runtime/StringConv.h"

#include <windows.h>

namespace {

std::wstring ToWide(UINT codePage, const std::string& text) {
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    int length = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring out(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, &out[0], length);
    return out;
}

std::string ToNarrow(UINT codePage, const std::wstring& text, const char* fallback) {
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    int length = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, fallback, nullptr);
    if (length <= 0)
        return std::string();
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, &out[0], length, fallback, nullptr);
    return out;
}

}  // namespace

std::string WideToAnsi(const std::wstring& text) {
    return ToNarrow(CP_ACP, text, " ");
}

std::wstring AnsiToWide(const std::string& text) {
    return ToWide(CP_ACP, text);
}

std::wstring Utf8ToWide(const std::string& text) {
    return ToWide(CP_UTF8, text);
}

std::string WideToUtf8(const std::wstring& text) {
    return ToNarrow(CP_UTF8, text, nullptr);
}
