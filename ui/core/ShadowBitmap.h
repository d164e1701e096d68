#pragma once
// The drop shadow's picture: a bottom-up, premultiplied 32-bit DIB section, which can be built on a
// short-lived thread of its own as soon as the parent's final size is known (when it is shown), so that
// the parent's first paint, which shows the shadow, finds it ready. Start, Take and the destructor run
// on the UI thread; the worker touches only the shape it was given and the bitmap it makes.
#include <windows.h>

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
    // Waits for a worker still building, and deletes a bitmap nobody took.
    ~CShadowBitmap();
    CShadowBitmap(const CShadowBitmap&) = delete;
    CShadowBitmap& operator=(const CShadowBitmap&) = delete;

    // Begins building the bitmap of `shape` on a worker, dropping one begun before and not taken.
    void Start(const TShape& shape);
    // The bitmap of `shape`, owned by the caller: the one begun for it (waited for), else one built
    // now. Null when no DIB section could be made.
    HBITMAP Take(const TShape& shape);

private:
    static HBITMAP Build(const TShape& shape);
    static unsigned __stdcall Run(void* self);
    // Waits for the worker, if any, and keeps what it built.
    void Join();

    TShape m_shape;
    HBITMAP m_bitmap = nullptr;
    CScopedHandle m_done;  // set by the worker when m_bitmap is final; valid while a worker is building
};

}  // namespace SkinUI
