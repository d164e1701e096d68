#include "ui/core/ShadowBitmap.h"

#include <cstdint>
#include <utility>

#include "ui/core/GdiScoped.h"
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
    void* pBits = nullptr;
    HBITMAP bitmap = CreateDib32(nullptr, shape.width, shape.height, &pBits, DibRows::kBottomUp);
    if (bitmap == nullptr || pBits == nullptr) {
        if (bitmap != nullptr)
            ::DeleteObject(bitmap);
        return nullptr;
    }
    ZeroMemory(pBits, static_cast<size_t>(shape.width) * static_cast<size_t>(shape.height) * 4);
    CWndShadow::PaintShadow(static_cast<uint32_t*>(pBits), shape.width, shape.height, shape.size,
                            shape.color);
    return bitmap;
}

}  // namespace SkinUI
