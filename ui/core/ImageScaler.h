#pragma once
// Resamples a decoded skin image to another pixel size with a smooth filter (bilinear when enlarging,
// an area-weighted tent when shrinking), so that images drawn at a display scale above 100 % show
// neither blocks nor lost lines. Works on premultiplied BGRA. Any thread: it reads and creates DIB
// sections only, which belong to no window (the paint manager resamples ahead on a thread of its own).
#include <memory>

#include "ui/core/RenderKit.h"

namespace SkinUI {

class CImageScaler {
public:
    // A new image of width x height, or null when the source has no readable pixels or the size is not
    // positive. Keeps the source's alpha flag, resource type and mask.
    static std::unique_ptr<TImageInfo> Resample(const TImageInfo& source, int width, int height);
};

}  // namespace SkinUI
