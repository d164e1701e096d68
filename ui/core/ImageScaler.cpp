#include "ui/core/ImageScaler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "ui/core/GdiScoped.h"

namespace SkinUI {

namespace {

constexpr int kChannels = 4;
// Weights are fixed-point with this many fraction bits, and the rows between the two passes keep
// this many bits below the byte: integer sums stay exact and within 32 bits (255 << 7 << 14 < 2^31),
// and a pass costs a fraction of what floating point and a rounding call per channel did.
constexpr int kWeightBits = 14;
constexpr int kWeightOne = 1 << kWeightBits;
constexpr int kRowBits = 7;

struct TTap {
    int index;
    int weight;
};

// For each of `to` output positions, the source positions (of `from`) that feed it and their weights,
// summing to exactly kWeightOne: those of output i are taps[first[i]] up to taps[first[i + 1]]. The
// tent is one source pixel wide when enlarging and one output pixel wide when shrinking, so every
// source pixel counts.
struct TTaps {
    std::vector<TTap> taps;
    std::vector<size_t> first;
};

TTaps MakeTaps(int from, int to) {
    const double ratio = static_cast<double>(from) / to;
    const double radius = std::max(1.0, ratio);
    TTaps out;
    std::vector<double> weights;
    for (int i = 0; i < to; ++i) {
        const size_t first = out.taps.size();
        out.first.push_back(first);
        const double centre = (i + 0.5) * ratio - 0.5;
        weights.clear();
        double total = 0;
        for (int j = static_cast<int>(std::ceil(centre - radius)); j <= centre + radius; ++j) {
            const double weight = 1.0 - std::fabs(j - centre) / radius;
            if (weight <= 0)
                continue;
            out.taps.push_back({std::clamp(j, 0, from - 1), 0});
            weights.push_back(weight);
            total += weight;
        }
        // The rounding remainder goes to the heaviest tap: the weights sum to exactly one however many
        // taps a shrink takes, so a flat image stays flat.
        int sum = 0;
        size_t heaviest = first;
        for (size_t t = first; t < out.taps.size(); ++t) {
            out.taps[t].weight = static_cast<int>(std::lround(weights[t - first] / total * kWeightOne));
            sum += out.taps[t].weight;
            if (out.taps[t].weight > out.taps[heaviest].weight)
                heaviest = t;
        }
        out.taps[heaviest].weight += kWeightOne - sum;
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

    // Rows first, then columns; the image is small enough to hold in between.
    const auto columnTaps = MakeTaps(srcWidth, width);
    std::vector<uint16_t> rows(static_cast<size_t>(width) * srcHeight * kChannels);
    for (int y = 0; y < srcHeight; ++y) {
        const BYTE* line = src + static_cast<size_t>(y) * srcWidth * kChannels;
        uint16_t* out = &rows[static_cast<size_t>(y) * width * kChannels];
        for (int x = 0; x < width; ++x) {
            int sum[kChannels] = {};
            for (size_t t = columnTaps.first[x]; t < columnTaps.first[x + 1]; ++t) {
                const TTap& tap = columnTaps.taps[t];
                for (int c = 0; c < kChannels; ++c)
                    sum[c] += tap.weight * line[tap.index * kChannels + c];
            }
            constexpr int kShift = kWeightBits - kRowBits;
            for (int c = 0; c < kChannels; ++c)
                out[x * kChannels + c] = static_cast<uint16_t>((sum[c] + (1 << (kShift - 1))) >> kShift);
        }
    }

    auto image = std::make_unique<TImageInfo>();
    void* bits = nullptr;
    image->hBitmap = CreateDib32(nullptr, width, height, &bits);
    if (image->hBitmap == nullptr)
        return nullptr;
    BYTE* dst = static_cast<BYTE*>(bits);
    const auto rowTaps = MakeTaps(srcHeight, height);
    std::vector<int> sums(static_cast<size_t>(width) * kChannels);
    for (int y = 0; y < height; ++y) {
        // Whole source rows at a time, so that the inner loop walks memory in order.
        std::fill(sums.begin(), sums.end(), 0);
        for (size_t t = rowTaps.first[y]; t < rowTaps.first[y + 1]; ++t) {
            const TTap& tap = rowTaps.taps[t];
            const uint16_t* in = &rows[static_cast<size_t>(tap.index) * width * kChannels];
            for (size_t i = 0; i < sums.size(); ++i)
                sums[i] += tap.weight * in[i];
        }
        constexpr int kShift = kWeightBits + kRowBits;
        BYTE* pixel = dst + static_cast<size_t>(y) * width * kChannels;
        for (int x = 0; x < width; ++x, pixel += kChannels) {
            const int* sum = &sums[static_cast<size_t>(x) * kChannels];
            const int alpha = std::min(255, (sum[3] + (1 << (kShift - 1))) >> kShift);
            pixel[3] = static_cast<BYTE>(alpha);
            // Premultiplied colour never exceeds its alpha.
            for (int c = 0; c < 3; ++c)
                pixel[c] = static_cast<BYTE>(std::min(alpha, (sum[c] + (1 << (kShift - 1))) >> kShift));
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
