#include "Http/HttpNumbers.h"

#include <cwctype>
#include <limits>

namespace {

constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// Digits from `i` on; false when they overflow. Leaves `i` after the last digit.
bool ParseDigits(const std::wstring& text, size_t& i, uint64_t& value) {
    value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        uint64_t digit = static_cast<uint64_t>(text[i] - L'0');
        if (value > (kMax - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    return true;
}

void SkipSpace(const std::wstring& text, size_t& i) {
    while (i < text.size() && iswspace(text[i]))
        ++i;
}

}  // namespace

namespace HttpNumbers {

bool ParseLength(const std::wstring& text, uint64_t& value) {
    size_t i = 0;
    SkipSpace(text, i);
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        bool negative = text[i] == L'-';
        ++i;
        if (negative && i < text.size() && IsDigit(text[i])) {
            uint64_t magnitude;
            if (ParseDigits(text, i, magnitude) && magnitude == 0) {
                value = 0;
                return true;
            }
            return false;
        }
    }
    return ParseDigits(text, i, value);
}

bool ParseRangeStart(const std::wstring& text, uint64_t& start) {
    size_t i = 0;
    SkipSpace(text, i);
    static const wchar_t kUnit[] = L"bytes";
    for (const wchar_t* u = kUnit; *u; ++u, ++i) {
        if (i >= text.size() || towlower(text[i]) != *u)
            return false;
    }
    SkipSpace(text, i);
    size_t first = i;
    if (!ParseDigits(text, i, start) || i == first)
        return false;
    return i < text.size() && text[i] == L'-';
}

bool AddLengths(uint64_t a, uint64_t b, uint64_t& sum) {
    if (a > kMax - b)
        return false;
    sum = a + b;
    return true;
}

}  // namespace HttpNumbers
