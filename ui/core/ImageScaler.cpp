#include "ui/core/ImageScaler.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
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

// Enlarging gives every output pixel at most two taps: their positions and weights laid out for one
// multiply-add of 16-bit pairs per channel, which does a pass in a fraction of the general loop's time
// with the same integer sums. Empty when some output has more taps (shrinking).
struct TPairs {
    std::vector<int> index;       // two source positions per output
    std::vector<int32_t> weight;  // per output: the second weight in the high half, the first in the low
};

TPairs MakePairs(const TTaps& taps) {
    TPairs out;
    for (size_t i = 0; i + 1 < taps.first.size(); ++i) {
        const size_t first = taps.first[i];
        const size_t n = taps.first[i + 1] - first;
        if (n == 0 || n > 2)
            return {};
        const TTap& a = taps.taps[first];
        const TTap& b = n == 2 ? taps.taps[first + 1] : TTap{a.index, 0};
        out.index.push_back(a.index);
        out.index.push_back(b.index);
        out.weight.push_back(static_cast<int32_t>((static_cast<uint32_t>(b.weight) << 16) |
                                                  static_cast<uint32_t>(a.weight)));
    }
    return out;
}

// One row of the row pass from a source line.
void BlendColumns(const TPairs& pairs, const BYTE* line, uint16_t* out, int width) {
    constexpr int kShift = kWeightBits - kRowBits;
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(1 << (kShift - 1));
    for (int x = 0; x < width; ++x) {
        int32_t a;
        int32_t b;
        std::memcpy(&a, line + pairs.index[2 * x] * kChannels, sizeof(a));
        std::memcpy(&b, line + pairs.index[2 * x + 1] * kChannels, sizeof(b));
        // Each channel of the two pixels side by side as 16-bit lanes.
        const __m128i lanes =
            _mm_unpacklo_epi8(_mm_unpacklo_epi8(_mm_cvtsi32_si128(a), _mm_cvtsi32_si128(b)), zero);
        const __m128i sums = _mm_add_epi32(_mm_madd_epi16(lanes, _mm_set1_epi32(pairs.weight[x])), half);
        const __m128i shifted = _mm_srai_epi32(sums, kShift);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x * kChannels), _mm_packs_epi32(shifted, shifted));
    }
}

// The first pixels of an output row, four at a time, from two rows of the row pass (whose values,
// at most 255 << kRowBits, fit signed 16-bit lanes); returns how many it made.
int BlendRows(const uint16_t* in0, const uint16_t* in1, int32_t weight, BYTE* pixel, int width) {
    constexpr int kShift = kWeightBits + kRowBits;
    const __m128i w = _mm_set1_epi32(weight);
    const __m128i half = _mm_set1_epi32(1 << (kShift - 1));
    auto twoPixels = [&](size_t i) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in0 + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in1 + i));
        const __m128i lo = _mm_madd_epi16(_mm_unpacklo_epi16(a, b), w);
        const __m128i hi = _mm_madd_epi16(_mm_unpackhi_epi16(a, b), w);
        return _mm_packs_epi32(_mm_srai_epi32(_mm_add_epi32(lo, half), kShift),
                               _mm_srai_epi32(_mm_add_epi32(hi, half), kShift));
    };
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const size_t i = static_cast<size_t>(x) * kChannels;
        const __m128i bytes = _mm_packus_epi16(twoPixels(i), twoPixels(i + 8));
        // Premultiplied colour never exceeds its alpha: every byte against its pixel's alpha byte.
        __m128i alpha = _mm_srli_epi32(bytes, 24);
        alpha = _mm_or_si128(alpha, _mm_slli_epi32(alpha, 8));
        alpha = _mm_or_si128(alpha, _mm_slli_epi32(alpha, 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pixel + i), _mm_min_epu8(bytes, alpha));
    }
    return x;
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
    const TPairs pairs = MakePairs(columnTaps);
    for (int y = 0; y < srcHeight; ++y) {
        const BYTE* line = src + static_cast<size_t>(y) * srcWidth * kChannels;
        uint16_t* out = &rows[static_cast<size_t>(y) * width * kChannels];
        if (!pairs.index.empty()) {
            BlendColumns(pairs, line, out, width);
            continue;
        }
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
    const TPairs rowPairs = MakePairs(rowTaps);
    std::vector<int> sums(static_cast<size_t>(width) * kChannels);
    const auto rowOf = [&](int index) { return &rows[static_cast<size_t>(index) * width * kChannels]; };
    for (int y = 0; y < height; ++y) {
        BYTE* line = dst + static_cast<size_t>(y) * width * kChannels;
        const int done = rowPairs.index.empty() ? 0
                                                : BlendRows(rowOf(rowPairs.index[2 * y]),
                                                            rowOf(rowPairs.index[2 * y + 1]),
                                                            rowPairs.weight[y], line, width);
        // Whole source rows at a time, so that the inner loop walks memory in order.
        const size_t from = static_cast<size_t>(done) * kChannels;
        std::fill(sums.begin() + from, sums.end(), 0);
        for (size_t t = rowTaps.first[y]; t < rowTaps.first[y + 1]; ++t) {
            const TTap& tap = rowTaps.taps[t];
            const uint16_t* in = rowOf(tap.index);
            for (size_t i = from; i < sums.size(); ++i)
                sums[i] += tap.weight * in[i];
        }
        constexpr int kShift = kWeightBits + kRowBits;
        for (int x = done; x < width; ++x) {
            BYTE* pixel = line + static_cast<size_t>(x) * kChannels;
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
