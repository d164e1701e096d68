#include <gtest/gtest.h>

#include "SkinTestSupport.h"
#include "ui/core/RenderKit.h"
#include "ui/core/RenderPlatform.h"

using namespace SkinUI;
using SkinTest::CCanvas;
using SkinTest::ColorDistance;

namespace {

constexpr uint32_t kBack = 0xFF102030;

class RenderKitShapes : public testing::TestWithParam<bool> {
protected:
    // The parameter takes the paths of a system without AlphaBlend and GradientFill.
    void SetUp() override { CRenderPlatform::SimulateMissingMsimg32(GetParam()); }
    void TearDown() override { CRenderPlatform::SimulateMissingMsimg32(false); }
};

}  // namespace

// Alpha 0 draws nothing, a translucent colour blends, an opaque one fills only its rectangle.
TEST_P(RenderKitShapes, DrawColor) {
    CCanvas canvas(10, 10, 0xFF000000);
    CRenderKit::DrawColor(canvas.DC(), {0, 0, 10, 10}, 0x00FFFFFF);
    EXPECT_EQ(0xFF000000u, canvas.Pixel(5, 5));
    CRenderKit::DrawColor(canvas.DC(), {0, 0, 5, 10}, 0x80FF0000);
    EXPECT_LE(ColorDistance(0xFF800000, canvas.Pixel(2, 5)), 2) << std::hex << canvas.Pixel(2, 5);
    EXPECT_EQ(0xFF000000u, canvas.Pixel(5, 5));
    CRenderKit::DrawColor(canvas.DC(), {5, 0, 10, 10}, 0xFFFFFFFF);
    EXPECT_EQ(0xFFFFFFu, canvas.Rgb(5, 0));
    EXPECT_EQ(0xFFFFFFu, canvas.Rgb(9, 9));
    EXPECT_LE(ColorDistance(0xFF800000, canvas.Pixel(4, 5)), 2);
}

// A vertical gradient: first colour at the top, second at the bottom, darkening monotonically.
TEST_P(RenderKitShapes, DrawGradient) {
    CCanvas canvas(4, 16, kBack);
    CRenderKit::DrawGradient(canvas.DC(), {0, 0, 4, 16}, 0xFF000000, 0xFFFFFFFF, 16);
    int previous = -1;
    for (int y = 0; y < 16; ++y) {
        const int value = static_cast<int>(canvas.Pixel(1, y) & 0xFF);
        EXPECT_GE(value, previous) << y;
        previous = value;
        EXPECT_EQ(canvas.Rgb(0, y), canvas.Rgb(3, y));
    }
    EXPECT_LT(canvas.Pixel(1, 0) & 0xFF, 0x20u);
    EXPECT_GT(canvas.Pixel(1, 15) & 0xFF, 0xE0u);
    if (GetParam()) {
        // Sixteen one-pixel bands, each an exact mix of the two colours.
        for (int y = 0; y < 16; ++y)
            EXPECT_EQ(static_cast<uint32_t>(255 * (y + 1) / 16), canvas.Pixel(2, y) & 0xFF) << y;
        CCanvas coarse(2, 16, kBack);
        CRenderKit::DrawGradient(coarse.DC(), {0, 0, 2, 16}, 0xFF000000, 0xFF800000, 8);
        for (int y = 0; y < 16; y += 2)
            EXPECT_EQ(coarse.Rgb(0, y), coarse.Rgb(0, y + 1)) << y;
        EXPECT_EQ(static_cast<uint32_t>(0x80 * 1 / 8) << 16, coarse.Rgb(0, 0));
    }

    // Opacity is the average of the two alphas; 0 draws nothing.
    CCanvas clear(4, 4, kBack);
    CRenderKit::DrawGradient(clear.DC(), {0, 0, 4, 4}, 0x00FFFFFF, 0x01FFFFFF, 16);
    EXPECT_EQ(kBack, clear.Pixel(2, 2));
    CCanvas half(4, 4, 0xFF000000);
    CRenderKit::DrawGradient(half.DC(), {0, 0, 4, 4}, 0x80FFFFFF, 0x80FFFFFF, 16);
    EXPECT_LE(ColorDistance(0xFF808080, half.Pixel(2, 2)), 2) << std::hex << half.Pixel(2, 2);
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutMsimg32, RenderKitShapes, testing::Values(false, true));

// Lines, inside frames and rounded frames.
TEST(RenderKitLines, LinesAndFrames) {
    CCanvas canvas(20, 20, kBack);
    CRenderKit::DrawLine(canvas.DC(), {2, 5, 18, 5}, 1, 0xFFFF0000);
    EXPECT_EQ(0xFF0000u, canvas.Rgb(10, 5));
    EXPECT_EQ(kBack & 0xFFFFFF, canvas.Rgb(10, 6));

    CCanvas frame(20, 20, kBack);
    CRenderKit::DrawRect(frame.DC(), {2, 2, 12, 12}, 2, 0xFF00FF00);
    EXPECT_EQ(0x00FF00u, frame.Rgb(2, 2));
    EXPECT_EQ(0x00FF00u, frame.Rgb(3, 7));
    EXPECT_EQ(0x00FF00u, frame.Rgb(11, 11));
    EXPECT_EQ(kBack & 0xFFFFFF, frame.Rgb(4, 4));
    EXPECT_EQ(kBack & 0xFFFFFF, frame.Rgb(12, 12));
    EXPECT_EQ(kBack & 0xFFFFFF, frame.Rgb(7, 7));

    CCanvas round(20, 20, kBack);
    CRenderKit::DrawRoundRect(round.DC(), {0, 0, 20, 20}, 12, 12, 1, 0xFF0000FF);
    EXPECT_EQ(kBack & 0xFFFFFF, round.Rgb(0, 0));
    EXPECT_EQ(0x0000FFu, round.Rgb(10, 0));
    EXPECT_EQ(0x0000FFu, round.Rgb(0, 10));
    EXPECT_EQ(kBack & 0xFFFFFF, round.Rgb(10, 10));
}

// Hue, saturation and lightness adjustments keep the alpha; (180, 100, 100) keeps everything.
TEST(RenderKitColours, AdjustColor) {
    EXPECT_EQ(0x80123456u, CRenderKit::AdjustColor(0x80123456, 180, 100, 100));
    EXPECT_LE(ColorDistance(0xFF00FF00, CRenderKit::AdjustColor(0xFFFF0000, 300, 100, 100)), 1);
    EXPECT_LE(ColorDistance(0xFF0000FF, CRenderKit::AdjustColor(0xFFFF0000, 60, 100, 100)), 1);
    EXPECT_EQ(0x7F000000u, CRenderKit::AdjustColor(0x7FFF8040, 180, 100, 0));
    const DWORD grey = CRenderKit::AdjustColor(0xFFFF0000, 180, 0, 100);
    EXPECT_EQ((grey >> 16) & 0xFF, grey & 0xFF);
    EXPECT_EQ((grey >> 8) & 0xFF, grey & 0xFF);
    EXPECT_EQ(0xFFFFFFFFu, CRenderKit::AdjustColor(0xFFFFFFFF, 90, 50, 100));
}

// msimg32 comes from the system folder, never from the folder of the executable.
TEST(RenderKitPlatform, Msimg32IsTheSystemCopy) {
    ASSERT_NE(nullptr, CRenderPlatform::GetAlphaBlend());
    ASSERT_NE(nullptr, CRenderPlatform::GetGradientFill());
    HMODULE module = nullptr;
    ASSERT_TRUE(GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(CRenderPlatform::GetAlphaBlend()), &module));
    wchar_t path[MAX_PATH] = {};
    wchar_t system[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(0, _wcsnicmp(path, system, wcslen(system))) << path;
}
