#pragma once
// Decodes skin images, and resamples them for a display scale, on a thread of its own while the window
// that shows them is still being created and shown, so that its first paint finds them ready instead of
// decoding them itself. Start, Finish and the destructor run on the UI thread; the worker touches only
// the copies Start was given (decoding and DIB sections need no window and no skin archive).
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Runtime/ScopedHandle.h"
#include "ui/core/DpiScale.h"
#include "ui/core/RenderKit.h"

namespace SkinUI {

class CImagePrefetch {
public:
    struct TImage {
        std::wstring name;
        DWORD mask = 0;
        std::vector<BYTE> bytes;  // the image file, read from the skin
        // A larger picture to resample from instead (its "@2x" file), or empty.
        std::vector<BYTE> sharperBytes;
        std::unique_ptr<TImageInfo> image;   // decoded from `bytes`; null when that failed
        std::unique_ptr<TImageInfo> scaled;  // resampled to the scale's size of `image`; null at 100 %
    };

    CImagePrefetch() = default;
    ~CImagePrefetch();
    CImagePrefetch(const CImagePrefetch&) = delete;
    CImagePrefetch& operator=(const CImagePrefetch&) = delete;

    // False when no thread could be started; the images are then decoded when first painted, and
    // `alongside` is not run. Else the worker runs `alongside`, if given, after the images are ready
    // (Finish does not wait for it).
    bool Start(std::vector<TImage> images, const CDpiScale& scale, std::function<void()> alongside = nullptr);
    // Waits for the worker and hands every image over, decoded or not.
    std::vector<TImage> Finish();

private:
    static unsigned __stdcall Run(void* self);

    std::vector<TImage> m_images;
    CDpiScale m_scale;
    std::function<void()> m_alongside;
    CScopedHandle m_thread;
    CScopedHandle m_done;  // set by the worker when the images are ready
};

}  // namespace SkinUI
