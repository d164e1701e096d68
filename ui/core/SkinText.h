#pragma once
// Readers for the numbers, rectangles, sizes and colours written in skin text ("0,0,16,16", "#ff444343").
// Pure functions, any thread. A list shorter than expected never reads past its terminator: the
// missing numbers read as 0, as a malformed number does.
#include <windows.h>

namespace SkinUI {

// Reads up to `count` decimal integers, each followed by exactly one separator character (normally a
// comma). Fills every slot of `values`; returns the position after the last number read.
const wchar_t* ParseSkinInts(const wchar_t* text, int* values, int count);

// One decimal integer with an optional sign; trailing characters are ignored.
int ParseSkinInt(const wchar_t* text);
RECT ParseSkinRect(const wchar_t* text);
SIZE ParseSkinSize(const wchar_t* text);

// Hexadecimal 0xAARRGGBB with an optional leading '#'; anything unreadable gives 0.
DWORD ParseSkinColor(const wchar_t* text);

// Skin booleans are true only for the exact text "true".
bool ParseSkinBool(const wchar_t* text);

}  // namespace SkinUI
