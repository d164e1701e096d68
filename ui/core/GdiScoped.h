#pragma once
// Small owners for the GDI objects that drawing code creates and must release before it returns.
// UI thread only, like the device contexts they work on.
#include <windows.h>

#include <utility>

namespace SkinUI {

// Deletes one GDI object (bitmap, font, pen, brush, region) when it goes.
template <class T>
class CGdiObject {
public:
    CGdiObject() = default;
    explicit CGdiObject(T handle) : m_handle(handle) {}
    ~CGdiObject() { Reset(); }
    CGdiObject(CGdiObject&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept {
        if (this != &other)
            Reset(std::exchange(other.m_handle, nullptr));
        return *this;
    }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    T Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    T Release() { return std::exchange(m_handle, nullptr); }
    void Reset(T handle = nullptr) {
        if (m_handle != nullptr)
            DeleteObject(m_handle);
        m_handle = handle;
    }

private:
    T m_handle = nullptr;
};

// A memory device context compatible with another one.
class CMemoryDC {
public:
    explicit CMemoryDC(HDC compatible) : m_hDC(CreateCompatibleDC(compatible)) {}
    ~CMemoryDC() {
        if (m_hDC != nullptr)
            DeleteDC(m_hDC);
    }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    HDC Get() const { return m_hDC; }
    explicit operator bool() const { return m_hDC != nullptr; }

private:
    HDC m_hDC;
};

// Selects an object into a context for one scope, then puts the previous one back.
class CSelectObject {
public:
    CSelectObject(HDC hDC, HGDIOBJ object)
        : m_hDC(hDC), m_old(object != nullptr ? SelectObject(hDC, object) : nullptr) {}
    ~CSelectObject() {
        if (m_old != nullptr)
            SelectObject(m_hDC, m_old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

private:
    HDC m_hDC;
    HGDIOBJ m_old;
};

enum class DibRows { kTopDown, kBottomUp };

// A 32-bit DIB section, its first row the top one unless asked otherwise; `bits` receives its pixels
// (BGRA, width * 4 bytes a row). Null on failure.
inline HBITMAP CreateDib32(HDC hDC, int width, int height, void** bits, DibRows rows = DibRows::kTopDown) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = rows == DibRows::kTopDown ? -height : height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;
    void* ignored = nullptr;
    return CreateDIBSection(hDC, &info, DIB_RGB_COLORS, bits != nullptr ? bits : &ignored, nullptr, 0);
}

// 0xAARRGGBB to GDI's 0x00BBGGRR.
inline COLORREF ToColorRef(DWORD color) {
    return RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}

}  // namespace SkinUI
