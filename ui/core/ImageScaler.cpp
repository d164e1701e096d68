#include "ui/core/ImageScaler.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "ui/core/GdiScoped.h"

namespace SkinUI {

namespace {

constexpr int kChannels = 4;

struct TTap {
    int index;
    float weight;
};

// For each of `to` output positions, the source positions (of `from`) that feed it and their weights,
// summing to 1: those of output i are taps[first[i]] up to taps[first[i + 1]]. The tent is one source
// pixel wide when enlarging and one output pixel wide when shrinking, so every source pixel counts.
struct TTaps {
    std::vector<TTap> taps;
    std::vector<size_t> first;
};

TTaps MakeTaps(int from, int to) {
    const double ratio = static_cast<double>(from) / to;
    const double radius = std::max(1.0, ratio);
    TTaps out;
    for (int i = 0; i < to; ++i) {
        out.first.push_back(out.taps.size());
        const double centre = (i + 0.5) * ratio - 0.5;
        double total = 0;
        for (int j = static_cast<int>(std::ceil(centre - radius)); j <= centre + radius; ++j) {
            const double weight = 1.0 - std::fabs(j - centre) / radius;
            if (weight <= 0)
                continue;
            out.taps.push_back({std::clamp(j, 0, from - 1), static_cast<float>(weight)});
            total += weight;
        }
        for (size_t t = out.first.back(); t < out.taps.size(); ++t)
            out.taps[t].weight = static_cast<float>(out.taps[t].weight / total);
    }
    out.first.push_back(out.taps.size());
    return out;
}

}  // namespace

std::unique_ptr<TImageInfo> CImageScaler::Resample(const TImageInfo& source, int width, int height) {
    DIBSECTION dib = {};
    if (width <= 0 || height <= 0 || source.hBitmap == nullptr ||
        ::GetObjectW(source.hBitmap, sizeof(dib), &dib) != sizeof(dib) || dib.dsBm.bmBits == nullptr ||
        dib.dsBm.bmBitsPixel != 32) {
        return nullptr;
    }
    const int srcWidth = source.width;
    const int srcHeight = source.height;
    const BYTE* src = static_cast<const BYTE*>(dib.dsBm.bmBits);

    // Rows first into floats, then columns; the image is small enough to hold in between.
    const auto columnTaps = MakeTaps(srcWidth, width);
    std::vector<float> rows(static_cast<size_t>(width) * srcHeight * kChannels);
    for (int y = 0; y < srcHeight; ++y) {
        const BYTE* line = src + static_cast<size_t>(y) * srcWidth * kChannels;
        float* out = &rows[static_cast<size_t>(y) * width * kChannels];
        for (int x = 0; x < width; ++x) {
            for (size_t t = columnTaps.first[x]; t < columnTaps.first[x + 1]; ++t) {
                const TTap& tap = columnTaps.taps[t];
                for (int c = 0; c < kChannels; ++c)
                    out[x * kChannels + c] += tap.weight * line[tap.index * kChannels + c];
            }
        }
    }

    auto image = std::make_unique<TImageInfo>();
    void* bits = nullptr;
    image->hBitmap = CreateDib32(nullptr, width, height, &bits);
    if (image->hBitmap == nullptr)
        return nullptr;
    BYTE* dst = static_cast<BYTE*>(bits);
    const auto rowTaps = MakeTaps(srcHeight, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            float sum[kChannels] = {};
            for (size_t t = rowTaps.first[y]; t < rowTaps.first[y + 1]; ++t) {
                const TTap& tap = rowTaps.taps[t];
                const float* in = &rows[(static_cast<size_t>(tap.index) * width + x) * kChannels];
                for (int c = 0; c < kChannels; ++c)
                    sum[c] += tap.weight * in[c];
            }
            BYTE* pixel = dst + (static_cast<size_t>(y) * width + x) * kChannels;
            const BYTE alpha = static_cast<BYTE>(std::clamp(std::lround(sum[3]), 0L, 255L));
            pixel[3] = alpha;
            // Premultiplied colour never exceeds its alpha.
            for (int c = 0; c < 3; ++c)
                pixel[c] = static_cast<BYTE>(std::clamp(std::lround(sum[c]), 0L, static_cast<long>(alpha)));
        }
    }
    image->width = width;
    image->height = height;
    image->alpha = source.alpha;
    image->resType = source.resType;
    image->mask = source.mask;
    return image;
}

}  // namespace SkinUI
