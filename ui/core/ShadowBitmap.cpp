#include "ui/core/ShadowBitmap.h"

#include <cstdint>
#include <utility>

#include "ui/core/WndShadow.h"

namespace SkinUI {

CShadowBitmap::~CShadowBitmap() {
    Join();
    if (m_bitmap != nullptr)
        ::DeleteObject(m_bitmap);
}

std::function<void()> CShadowBitmap::Begin(const TShape& shape) {
    Join();
    if (m_bitmap != nullptr)
        ::DeleteObject(std::exchange(m_bitmap, nullptr));
    m_shape = shape;
    m_done.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_done.IsValid())
        return [] {};
    return [this, shape, done = m_done.Get()] {
        m_bitmap = Build(shape);
        ::SetEvent(done);
    };
}

HBITMAP CShadowBitmap::Take(const TShape& shape) {
    Join();
    if (m_bitmap != nullptr && m_shape == shape)
        return std::exchange(m_bitmap, nullptr);
    if (m_bitmap != nullptr)
        ::DeleteObject(std::exchange(m_bitmap, nullptr));
    return Build(shape);
}

void CShadowBitmap::Join() {
    if (!m_done.IsValid())
        return;
    // A begun job runs to its end by itself; nothing can stop it half-way.
    ::WaitForSingleObject(m_done.Get(), INFINITE);
    m_done.Reset();
}

HBITMAP CShadowBitmap::Build(const TShape& shape) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = shape.width;
    info.bmiHeader.biHeight = shape.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(shape.width) * static_cast<DWORD>(shape.height) * 4;
    void* pBits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pBits, nullptr, 0);
    if (bitmap == nullptr || pBits == nullptr) {
        if (bitmap != nullptr)
            ::DeleteObject(bitmap);
        return nullptr;
    }
    ZeroMemory(pBits, info.bmiHeader.biSizeImage);
    CWndShadow::PaintShadow(static_cast<uint32_t*>(pBits), shape.width, shape.height, shape.size,
                            shape.color);
    return bitmap;
}

}  // namespace SkinUI
