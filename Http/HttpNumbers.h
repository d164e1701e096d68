#pragma once
// Parsing of the numbers a download trusts from response headers, refusing what does not
// fit in 64 bits instead of wrapping. Any thread; pure functions.
#include <cstdint>
#include <string>

namespace HttpNumbers {

// Leading white space and a "+" are accepted; parsing stops at the first non-digit and
// gives 0 when no digit comes. False for a negative number or one past 2^64 - 1.
bool ParseLength(const std::wstring& text, uint64_t& value);
// The first byte position of a Content-Range value ("bytes 400-999/1000" gives 400).
bool ParseRangeStart(const std::wstring& text, uint64_t& start);
// a + b, false when the sum does not fit.
bool AddLengths(uint64_t a, uint64_t b, uint64_t& sum);

}  // namespace HttpNumbers
