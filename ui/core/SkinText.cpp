#include "ui/core/SkinText.h"

#include <cwchar>

namespace SkinUI {

const wchar_t* ParseSkinInts(const wchar_t* text, int* values, int count) {
    for (int i = 0; i < count; ++i)
        values[i] = 0;
    if (text == nullptr)
        return text;
    const wchar_t* p = text;
    for (int i = 0; i < count && *p != L'\0'; ++i) {
        wchar_t* end = nullptr;
        values[i] = static_cast<int>(wcstol(p, &end, 10));
        p = end;
        // The separator is any one character; the terminator is never stepped over.
        if (*p != L'\0')
            ++p;
    }
    return p;
}

int ParseSkinInt(const wchar_t* text) {
    int value = 0;
    ParseSkinInts(text, &value, 1);
    return value;
}

RECT ParseSkinRect(const wchar_t* text) {
    int v[4];
    ParseSkinInts(text, v, 4);
    return RECT{v[0], v[1], v[2], v[3]};
}

SIZE ParseSkinSize(const wchar_t* text) {
    int v[2];
    ParseSkinInts(text, v, 2);
    return SIZE{v[0], v[1]};
}

DWORD ParseSkinColor(const wchar_t* text) {
    if (text == nullptr)
        return 0;
    if (*text == L'#')
        ++text;
    return static_cast<DWORD>(wcstoul(text, nullptr, 16));
}

bool ParseSkinBool(const wchar_t* text) {
    return text != nullptr && wcscmp(text, L"true") == 0;
}

}  // namespace SkinUI
