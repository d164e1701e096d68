#pragma once
// The drop shadow's picture: a bottom-up, premultiplied 32-bit DIB section, which can be built on another
// thread as soon as the parent's size is known (the window base has the image prefetch's worker build it
// after the images), so that the parent's first paint, which shows the shadow, finds it ready. Begin, Take
// and the destructor run on the UI thread; the job Begin returns touches only the shape and the bitmap.
#include <windows.h>

#include <functional>

#include "Runtime/ScopedHandle.h"

namespace SkinUI {

class CShadowBitmap {
public:
    struct TShape {
        int width = 0;
        int height = 0;
        int size = 0;  // the band's width
        COLORREF color = 0;
        bool operator==(const TShape& other) const {
            return width == other.width && height == other.height && size == other.size &&
                   color == other.color;
        }
    };

    CShadowBitmap() = default;
    // Waits for a begun job, which must have been handed to a thread, and deletes a bitmap nobody took.
    ~CShadowBitmap();
    CShadowBitmap(const CShadowBitmap&) = delete;
    CShadowBitmap& operator=(const CShadowBitmap&) = delete;

    // Begins the bitmap of `shape`, dropping one begun before and not taken. The returned job builds it;
    // it must be run once, on any thread, before Take or the destructor can return.
    std::function<void()> Begin(const TShape& shape);
    // The bitmap of `shape`, owned by the caller: the one begun for it (waited for), else one built
    // now. Null when no DIB section could be made.
    HBITMAP Take(const TShape& shape);

private:
    static HBITMAP Build(const TShape& shape);
    // Waits for a begun job, if any, and keeps what it built.
    void Join();

    TShape m_shape;
    HBITMAP m_bitmap = nullptr;
    CScopedHandle m_done;  // set by the job when m_bitmap is final; valid from Begin until joined
};

}  // namespace SkinUI
