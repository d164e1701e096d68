#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "SkinTestSupport.h"
#include "tests/support/TestEnv.h"
#include "ui/core/ImageScaler.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderKit.h"
#include "ui/core/RenderPlatform.h"
#include "ui/core/SkinResources.h"

using namespace SkinUI;
using SkinTest::CCanvas;

namespace {

constexpr uint32_t kBack = 0xFF102030;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kMagenta = 0xFFFF00FF;

// Straight RGBA pixels from a function of (x, y) returning 0xAARRGGBB.
std::vector<uint8_t> Pixels(int w, int h, const std::function<uint32_t(int, int)>& at) {
    std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint32_t c = at(x, y);
            uint8_t* p = &rgba[(static_cast<size_t>(y) * w + x) * 4];
            p[0] = static_cast<uint8_t>(c >> 16);
            p[1] = static_cast<uint8_t>(c >> 8);
            p[2] = static_cast<uint8_t>(c);
            p[3] = static_cast<uint8_t>(c >> 24);
        }
    }
    return rgba;
}

// Nine cells of 3x3 pixels, each of its own colour: cell (col, row) is 0xFF000000 | (row*3+col+1)*0x1C1C1C
// except the centre, which is green.
uint32_t GridCell(int col, int row) {
    if (col == 1 && row == 1)
        return kGreen;
    return 0xFF000000 | (static_cast<uint32_t>(row * 3 + col + 1) * 0x1C0000) |
           static_cast<uint32_t>(col * 40);
}

// GDI's plain copies leave the alpha byte of a 32-bit surface undefined, so most checks compare colour.
uint32_t Rgb(uint32_t argb) {
    return argb & 0xFFFFFF;
}

class RenderKitImage : public testing::Test {
protected:
    void SetUp() override {
        m_dir = std::make_unique<TestEnv::TempDir>(L"renderimg");
        CSkinResources::Reset();
        CSkinResources::SetResourcePath(m_dir->Path().c_str());
        Write(L"red.png", 8, 8, [](int, int) { return kRed; });
        Write(L"grid.png", 9, 9, [](int x, int y) { return GridCell(x / 3, y / 3); });
        Write(L"halves.png", 4, 4, [](int x, int) { return x < 2 ? kRed : kBlue; });
        Write(L"white.png", 4, 4, [](int, int) { return kWhite; });
        Write(L"wide.png", 20, 10, [](int, int) { return kRed; });
        Write(L"icon.png", 10, 10, [](int, int) { return kBlue; });
        Write(L"masked.png", 4, 1,
              [](int x, int) { return x == 0 ? kMagenta : (x == 1 ? 0xFFFE00FF : kRed); });
        Write(L"halfclear.png", 4, 4, [](int x, int) { return x < 2 ? 0x00000000u : kBlue; });
        Write(L"translucent.png", 2, 2, [](int, int) { return 0x80FF0000u; });
        // An outer ring of red around a 4x4 blue centre at (3, 3, 7, 7).
        Write(L"centre.png", 10, 10,
              [](int x, int y) { return (x >= 3 && x < 7 && y >= 3 && y < 7) ? kBlue : kRed; });
        // The same centre with its right and bottom halves green.
        Write(L"split.png", 10, 10, [](int x, int y) {
            if (x < 3 || x >= 7 || y < 3 || y >= 7)
                return kRed;
            return (x >= 5 || y >= 5) ? kGreen : kBlue;
        });
    }

    void TearDown() override {
        CRenderPlatform::SimulateMissingMsimg32(false);
        CSkinResources::Reset();
    }

    void Write(const wchar_t* name, int w, int h, const std::function<uint32_t(int, int)>& at) {
        ASSERT_TRUE(TestEnv::WriteFileBytes(m_dir->File(name), SkinTest::EncodePng(w, h, Pixels(w, h, at))));
    }

    bool Draw(CCanvas& canvas, const RECT& item, const wchar_t* image, const wchar_t* modify = nullptr) {
        const RECT paint = {0, 0, canvas.Width(), canvas.Height()};
        return CRenderKit::DrawImageString(canvas.DC(), &m_manager, item, paint, image, modify);
    }

    std::unique_ptr<TestEnv::TempDir> m_dir;
    CPaintManagerUI m_manager;
};

}  // namespace

// Decoding: colour is premultiplied by alpha, the alpha flag says whether any pixel is translucent,
// and the mask clears exactly its colour.
TEST_F(RenderKitImage, LoadsPremultipliedImages) {
    std::unique_ptr<TImageInfo> opaque(CRenderKit::LoadImage(L"red.png"));
    ASSERT_TRUE(opaque);
    EXPECT_EQ(8, opaque->width);
    EXPECT_EQ(8, opaque->height);
    EXPECT_FALSE(opaque->alpha);

    std::unique_ptr<TImageInfo> translucent(CRenderKit::LoadImage(L"translucent.png"));
    ASSERT_TRUE(translucent);
    EXPECT_TRUE(translucent->alpha);
    DIBSECTION dib = {};
    ASSERT_EQ(static_cast<int>(sizeof(dib)), GetObjectW(translucent->hBitmap, sizeof(dib), &dib));
    EXPECT_EQ(32, dib.dsBm.bmBitsPixel);
    EXPECT_EQ(0x80800000u, static_cast<const uint32_t*>(dib.dsBm.bmBits)[0]);

    std::unique_ptr<TImageInfo> masked(CRenderKit::LoadImage(L"masked.png", nullptr, kMagenta));
    ASSERT_TRUE(masked);
    EXPECT_TRUE(masked->alpha);
    ASSERT_EQ(static_cast<int>(sizeof(dib)), GetObjectW(masked->hBitmap, sizeof(dib), &dib));
    const uint32_t* bits = static_cast<const uint32_t*>(dib.dsBm.bmBits);
    EXPECT_EQ(0u, bits[0]);
    EXPECT_EQ(0xFFFE00FFu, bits[1]);
    EXPECT_EQ(kRed, bits[2]);

    EXPECT_EQ(nullptr, CRenderKit::LoadImage(L"absent.png"));
    ASSERT_TRUE(TestEnv::WriteFileBytes(m_dir->File(L"junk.png"), "\x89PNG but not really"));
    EXPECT_EQ(nullptr, CRenderKit::LoadImage(L"junk.png"));
}

// Resampling for display scales: enlarging interpolates linearly between source pixels along both axes
// (no blocks), shrinking keeps the average, a flat image stays exactly flat (no level lost to rounding)
// and premultiplied colour never exceeds its alpha.
TEST_F(RenderKitImage, ResampledImagesInterpolateAndKeepTheirLevels) {
    // Red climbs 6 a column, green 10 a row.
    Write(L"ramp.png", 40, 20, [](int x, int y) { return 0xFF000000u | (x * 6u) << 16 | (y * 10u) << 8; });
    std::unique_ptr<TImageInfo> ramp(CRenderKit::LoadImage(L"ramp.png"));
    ASSERT_TRUE(ramp);
    auto pixels = [](const TImageInfo& image) {
        DIBSECTION dib = {};
        EXPECT_EQ(static_cast<int>(sizeof(dib)), GetObjectW(image.hBitmap, sizeof(dib), &dib));
        return static_cast<const uint32_t*>(dib.dsBm.bmBits);
    };
    // Where output pixel i of `to` falls between source pixels of `from`, clamped to the edge ones.
    auto sourceAt = [](int i, int from, int to) {
        return std::clamp((i + 0.5) * from / to - 0.5, 0.0, from - 1.0);
    };
    auto larger = CImageScaler::Resample(*ramp, 60, 30);
    ASSERT_TRUE(larger);
    EXPECT_EQ(60, larger->width);
    EXPECT_EQ(30, larger->height);
    const uint32_t* big = pixels(*larger);
    int between = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 60; ++x) {
            const uint32_t c = big[y * 60 + x];
            ASSERT_EQ(0xFFu, c >> 24);
            ASSERT_NEAR(sourceAt(x, 40, 60) * 6, static_cast<int>((c >> 16) & 0xFF), 1.0) << x << "," << y;
            ASSERT_NEAR(sourceAt(y, 20, 30) * 10, static_cast<int>((c >> 8) & 0xFF), 1.0) << x << "," << y;
            between += ((c >> 16) & 0xFF) % 6 != 0;
        }
    }
    EXPECT_GT(between, 30 * 30) << "no levels between the source's: blocks, not interpolation";

    auto smaller = CImageScaler::Resample(*ramp, 20, 10);
    ASSERT_TRUE(smaller);
    const uint32_t* small = pixels(*smaller);
    double redSum = 0, greenSum = 0;
    for (int i = 0; i < 20 * 10; ++i) {
        redSum += (small[i] >> 16) & 0xFF;
        greenSum += (small[i] >> 8) & 0xFF;
    }
    EXPECT_NEAR(39 * 6 / 2.0, redSum / 200, 1.5);
    EXPECT_NEAR(19 * 10 / 2.0, greenSum / 200, 1.5);

    std::unique_ptr<TImageInfo> white(CRenderKit::LoadImage(L"white.png"));
    std::unique_ptr<TImageInfo> translucent(CRenderKit::LoadImage(L"translucent.png"));
    ASSERT_TRUE(white && translucent);
    for (const auto& size : {std::make_pair(6, 6), std::make_pair(5, 7), std::make_pair(3, 3)}) {
        auto flat = CImageScaler::Resample(*white, size.first, size.second);
        auto clear = CImageScaler::Resample(*translucent, size.first * 2, size.second);
        ASSERT_TRUE(flat && clear);
        EXPECT_TRUE(clear->alpha);
        for (int i = 0; i < size.first * size.second; ++i)
            ASSERT_EQ(kWhite, pixels(*flat)[i]) << size.first << "x" << size.second << " pixel " << i;
        for (int i = 0; i < size.first * 2 * size.second; ++i)
            ASSERT_EQ(0x80800000u, pixels(*clear)[i]) << size.first * 2 << "x" << size.second << " pixel " << i;
    }
    EXPECT_FALSE(CImageScaler::Resample(*white, 0, 4));
}

// Image names resolve only inside the skin folder: never in the working folder, by a full path or by
// climbing out with "..", nor anywhere without a skin location. A name that failed to load is not
// looked up again on later paints.
TEST_F(RenderKitImage, ImagesResolveOnlyInsideTheSkin) {
    TestEnv::TempDir work(L"renderwork");
    Write(L"inside.png", 2, 2, [](int, int) { return kBlue; });
    const std::string stray = SkinTest::EncodePng(2, 2, Pixels(2, 2, [](int, int) { return kRed; }));
    ASSERT_TRUE(TestEnv::WriteFileBytes(work.File(L"stray.png"), stray));
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(work.Path().c_str()));
    EXPECT_EQ(nullptr, CRenderKit::LoadImage(L"stray.png"));
    EXPECT_EQ(nullptr, CRenderKit::LoadImage(work.File(L"stray.png").c_str()));
    EXPECT_EQ(nullptr, CRenderKit::LoadImage(
                           (L"..\\" + work.File(L"stray.png").substr(work.Path().rfind(L'\\') + 1)).c_str()));
    std::unique_ptr<TImageInfo> inside(CRenderKit::LoadImage(L"inside.png"));
    EXPECT_TRUE(inside);
    CSkinResources::SetResourcePath(L"");
    EXPECT_EQ(nullptr, CRenderKit::LoadImage(L"stray.png"));
    SetCurrentDirectoryW(previous);
    CSkinResources::SetResourcePath(m_dir->Path().c_str());

    CCanvas canvas(10, 10, kBack);
    EXPECT_TRUE(Draw(canvas, {0, 0, 10, 10}, L"late.png"));
    Write(L"late.png", 2, 2, [](int, int) { return kBlue; });
    EXPECT_TRUE(Draw(canvas, {0, 0, 10, 10}, L"late.png"));
    EXPECT_EQ(Rgb(kBack), canvas.Rgb(5, 5)) << "the failed name was loaded again";
    std::unique_ptr<TImageInfo> late(CRenderKit::LoadImage(L"late.png"));
    EXPECT_TRUE(late);
}

// Images carried as resources, by number and by name; through an image string the number is given
// as text with its resource type.
TEST_F(RenderKitImage, LoadsImagesFromResources) {
    CSkinResources::SetInstance(GetModuleHandleW(nullptr));
    std::unique_ptr<TImageInfo> byId(CRenderKit::LoadImage(MAKEINTRESOURCEW(160), L"PNG"));
    ASSERT_TRUE(byId);
    EXPECT_EQ(16, byId->width);
    EXPECT_EQ(16, byId->height);
    std::unique_ptr<TImageInfo> byName(CRenderKit::LoadImage(L"OPTIONIMAGE", L"PNG"));
    ASSERT_TRUE(byName);
    EXPECT_EQ(16, byName->width);
    EXPECT_EQ(nullptr, CRenderKit::LoadImage(MAKEINTRESOURCEW(161), L"PNG"));
    EXPECT_EQ(nullptr, CRenderKit::LoadImage(MAKEINTRESOURCEW(160), L"JPG"));

    CCanvas fromFile(16, 16, kBack), fromResource(16, 16, kBack);
    const RECT rc = {0, 0, 16, 16};
    CSkinResources::SetResourcePath((TestEnv::SourceDir() + L"\\app\\skin").c_str());
    CPaintManagerUI manager;
    ASSERT_TRUE(CRenderKit::DrawImageString(fromFile.DC(), &manager, rc, rc, L"opt_001.png"));
    ASSERT_TRUE(
        CRenderKit::DrawImageString(fromResource.DC(), &m_manager, rc, rc, L"file='160' restype='PNG'"));
    EXPECT_NE(Rgb(kBack), fromResource.Rgb(8, 8));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(fromFile.Pixel(x, y), fromResource.Pixel(x, y)) << x << "," << y;
}

// Images inside the skin zip are found without regard to ASCII case.
TEST_F(RenderKitImage, LoadsImagesFromTheSkinZip) {
    SkinTest::CZipBuilder zip;
    zip.Add("zipped.png", SkinTest::EncodePng(3, 2, Pixels(3, 2, [](int, int) { return kBlue; })));
    ASSERT_TRUE(TestEnv::WriteFileBytes(m_dir->File(L"skin.zip"), zip.Build()));
    CSkinResources::SetResourceZip(L"skin.zip");
    std::unique_ptr<TImageInfo> image(CRenderKit::LoadImage(L"ZIPPED.PNG"));
    ASSERT_TRUE(image);
    EXPECT_EQ(3, image->width);
    std::unique_ptr<TImageInfo> again(CRenderKit::LoadImage(L"zipped.png"));
    EXPECT_TRUE(again);
    EXPECT_EQ(nullptr, CRenderKit::LoadImage(L"red.png"));  // not in the zip; not a path either
}

// "bg.png" and "file='bg.png'" draw the same; an unknown image draws nothing but the call succeeds.
TEST_F(RenderKitImage, BareNameAndFileItemDrawTheSame) {
    CCanvas bare(20, 20, kBack), item(20, 20, kBack);
    EXPECT_TRUE(Draw(bare, {2, 2, 18, 18}, L"grid.png"));
    EXPECT_TRUE(Draw(item, {2, 2, 18, 18}, L"file='grid.png'"));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(bare.Pixel(x, y), item.Pixel(x, y)) << x << "," << y;
    EXPECT_EQ(Rgb(kBack), bare.Rgb(1, 1));
    EXPECT_NE(kBack, bare.Pixel(2, 2));

    CCanvas canvas(10, 10, kBack);
    EXPECT_TRUE(Draw(canvas, {0, 0, 10, 10}, L"file='absent.png'"));
    EXPECT_EQ(Rgb(kBack), canvas.Rgb(5, 5));
    EXPECT_FALSE(
        CRenderKit::DrawImageString(canvas.DC(), nullptr, {0, 0, 10, 10}, {0, 0, 10, 10}, L"red.png"));
    EXPECT_FALSE(
        CRenderKit::DrawImageString(nullptr, &m_manager, {0, 0, 10, 10}, {0, 0, 10, 10}, L"red.png"));
}

// Nine-grid: corners copied 1:1, edges stretched along their side, the middle stretched.
TEST_F(RenderKitImage, NineGridKeepsCornersAndStretchesTheMiddle) {
    CCanvas canvas(30, 30, kBack);
    Draw(canvas, {0, 0, 30, 30}, L"file='grid.png' corner='3,3,3,3'");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Rgb(GridCell(0, 0)), canvas.Rgb(i, i));
        EXPECT_EQ(Rgb(GridCell(2, 0)), canvas.Rgb(27 + i, i));
        EXPECT_EQ(Rgb(GridCell(0, 2)), canvas.Rgb(i, 27 + i));
        EXPECT_EQ(Rgb(GridCell(2, 2)), canvas.Rgb(27 + i, 27 + i));
    }
    EXPECT_EQ(Rgb(GridCell(1, 0)), canvas.Rgb(15, 1));
    EXPECT_EQ(Rgb(GridCell(0, 1)), canvas.Rgb(1, 15));
    EXPECT_EQ(Rgb(GridCell(2, 1)), canvas.Rgb(28, 15));
    EXPECT_EQ(Rgb(GridCell(1, 2)), canvas.Rgb(15, 28));
    for (int x = 3; x < 27; x += 4)
        EXPECT_EQ(Rgb(kGreen), canvas.Rgb(x, 15)) << x;

    // With a hole the middle keeps what was there.
    CCanvas holed(30, 30, kBack);
    Draw(holed, {0, 0, 30, 30}, L"file='grid.png' corner='3,3,3,3' hole='true'");
    EXPECT_EQ(Rgb(kBack), holed.Rgb(15, 15));
    EXPECT_EQ(Rgb(kBack), holed.Rgb(3, 3));
    EXPECT_EQ(Rgb(GridCell(0, 0)), holed.Rgb(0, 0));
    EXPECT_EQ(Rgb(GridCell(1, 0)), holed.Rgb(15, 0));
}

// Tiles repeat at natural size from the middle's top-left, and the last one is cut.
TEST_F(RenderKitImage, TilesRepeatAndTheLastIsCut) {
    CCanvas canvas(10, 6, kBack);
    Draw(canvas, {0, 0, 10, 6}, L"file='halves.png' xtiled='true'");
    const uint32_t expected[10] = {kRed, kRed, kBlue, kBlue, kRed, kRed, kBlue, kBlue, kRed, kRed};
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(Rgb(expected[x]), canvas.Rgb(x, 5)) << x;  // stretched vertically to the full height

    CCanvas both(6, 6, kBack);
    Draw(both, {0, 0, 6, 6}, L"file='centre.png' source='2,2,6,6' xtiled='true' ytiled='true'");
    // Tile = 4x4 from (2,2): column 0 red, 1..3 blue; the second tile is cut to 2 pixels.
    EXPECT_EQ(Rgb(kRed), both.Rgb(0, 1));
    EXPECT_EQ(Rgb(kBlue), both.Rgb(1, 1));
    EXPECT_EQ(Rgb(kRed), both.Rgb(4, 1));
    EXPECT_EQ(Rgb(kBlue), both.Rgb(5, 1));
    EXPECT_EQ(Rgb(kRed), both.Rgb(1, 4));
    EXPECT_EQ(Rgb(kBlue), both.Rgb(5, 5));

    // A partial repaint touches only the tiles in the repainted part.
    CCanvas partial(10, 6, kBack);
    CRenderKit::DrawImageString(partial.DC(), &m_manager, {0, 0, 10, 6}, {4, 0, 6, 6},
                                L"file='halves.png' xtiled='true'");
    EXPECT_EQ(Rgb(kBack), partial.Rgb(0, 0));
    EXPECT_EQ(Rgb(kRed), partial.Rgb(4, 0));
    EXPECT_EQ(Rgb(kBack), partial.Rgb(9, 0));
}

// Corners that use up the whole source leave a middle of no size: no division, no endless tiling.
TEST_F(RenderKitImage, DegenerateMiddleCellIsSkipped) {
    CCanvas canvas(40, 40, kBack);
    Draw(canvas, {0, 0, 40, 40}, L"file='grid.png' corner='5,5,5,5' xtiled='true' ytiled='true'");
    Draw(canvas, {0, 0, 40, 40}, L"file='grid.png' corner='4,4,5,5' ytiled='true'");
    Draw(canvas, {0, 0, 40, 40}, L"file='grid.png' corner='30,30,30,30' xtiled='true'");
    Draw(canvas, {0, 0, 40, 40}, L"file='grid.png' source='5,5,5,5' xtiled='true' ytiled='true'");
    EXPECT_EQ(Rgb(GridCell(0, 0)), canvas.Rgb(0, 0));
}

// fade='128' halves the coverage of an opaque image, on both blend paths.
TEST_F(RenderKitImage, FadeHalvesTheAlpha) {
    for (bool missing : {false, true}) {
        CRenderPlatform::SimulateMissingMsimg32(missing);
        CCanvas canvas(4, 4, 0xFF000000);
        Draw(canvas, {0, 0, 4, 4}, L"file='white.png' fade='128'");
        EXPECT_LE(SkinTest::ColorDistance(0xFF808080, canvas.Pixel(2, 2)), 2)
            << std::hex << canvas.Pixel(2, 2) << " software=" << missing;
        // A translucent image over white: premultiplied source-over.
        CCanvas over(2, 2, kWhite);
        Draw(over, {0, 0, 2, 2}, L"translucent.png");
        EXPECT_LE(SkinTest::ColorDistance(0xFFFF7F7F, over.Pixel(1, 1)), 2)
            << std::hex << over.Pixel(1, 1) << " software=" << missing;
    }
}

// The mask colour becomes transparent; a colour one step away does not.
TEST_F(RenderKitImage, MaskClearsExactlyThatColour) {
    CCanvas canvas(4, 1, kBack);
    Draw(canvas, {0, 0, 4, 1}, L"file='masked.png' mask='#FFFF00FF'");
    EXPECT_EQ(Rgb(kBack), canvas.Rgb(0, 0));
    EXPECT_EQ(Rgb(0xFFFE00FFu), canvas.Rgb(1, 0));
    EXPECT_EQ(Rgb(kRed), canvas.Rgb(2, 0));
}

// dest is relative to the control and clamped to it; source picks a part and is clamped to the image.
TEST_F(RenderKitImage, DestinationAndSourceRectangles) {
    CCanvas canvas(80, 40, kBack);
    Draw(canvas, {13, 10, 69, 34}, L"file='red.png' dest='0,4,16,20'");
    EXPECT_EQ(Rgb(kRed), canvas.Rgb(13, 14));
    EXPECT_EQ(Rgb(kRed), canvas.Rgb(28, 29));
    EXPECT_EQ(Rgb(kBack), canvas.Rgb(13, 13));
    EXPECT_EQ(Rgb(kBack), canvas.Rgb(29, 14));
    EXPECT_EQ(Rgb(kBack), canvas.Rgb(13, 30));

    CCanvas clamped(30, 30, kBack);
    Draw(clamped, {5, 5, 15, 15}, L"file='red.png' dest='2,2,100,100'");
    EXPECT_EQ(Rgb(kRed), clamped.Rgb(14, 14));
    EXPECT_EQ(Rgb(kBack), clamped.Rgb(15, 15));
    EXPECT_EQ(Rgb(kBack), clamped.Rgb(6, 6));

    CCanvas rdest(30, 30, kBack);
    Draw(rdest, {0, 0, 30, 30}, L"file='red.png' rdest='-10,-10,0,0'");
    EXPECT_EQ(Rgb(kRed), rdest.Rgb(20, 20));
    EXPECT_EQ(Rgb(kRed), rdest.Rgb(29, 29));
    EXPECT_EQ(Rgb(kBack), rdest.Rgb(19, 25));

    CCanvas source(8, 8, kBack);
    Draw(source, {0, 0, 8, 8}, L"file='halves.png' source='2,0,4,4'");
    EXPECT_EQ(Rgb(kBlue), source.Rgb(0, 0));
    EXPECT_EQ(Rgb(kBlue), source.Rgb(7, 7));

    CCanvas wide(8, 8, kBack);
    Draw(wide, {0, 0, 8, 8}, L"file='halves.png' source='0,0,100,4'");
    EXPECT_EQ(Rgb(kRed), wide.Rgb(0, 4));
    EXPECT_EQ(Rgb(kBlue), wide.Rgb(7, 4));

    // Nothing is drawn when the destination misses the control or the repainted part.
    CCanvas missed(20, 20, kBack);
    CRenderKit::DrawImageString(missed.DC(), &m_manager, {0, 0, 10, 10}, {10, 10, 20, 20}, L"red.png");
    EXPECT_EQ(Rgb(kBack), missed.Rgb(5, 5));
}

// An opaque image of exactly the destination's size is copied only where it is repainted.
TEST_F(RenderKitImage, OpaqueCopyLimitedToTheRepaintedPart) {
    CCanvas canvas(8, 8, kBack);
    CRenderKit::DrawImageString(canvas.DC(), &m_manager, {0, 0, 8, 8}, {0, 0, 4, 8}, L"red.png");
    EXPECT_EQ(Rgb(kRed), canvas.Rgb(3, 3));
    EXPECT_EQ(Rgb(kBack), canvas.Rgb(4, 3));
}

// stretch='false' fits keeping the aspect ratio; with center='true' the image keeps its size when it fits.
TEST_F(RenderKitImage, FitAndCentre) {
    CCanvas fit(40, 40, kBack);
    Draw(fit, {0, 0, 40, 40}, L"file='wide.png' stretch='false'");
    EXPECT_EQ(Rgb(kBack), fit.Rgb(20, 9));
    EXPECT_EQ(Rgb(kRed), fit.Rgb(20, 10));
    EXPECT_EQ(Rgb(kRed), fit.Rgb(0, 29));
    EXPECT_EQ(Rgb(kBack), fit.Rgb(20, 30));

    CCanvas tall(40, 40, kBack);
    Draw(tall, {0, 0, 40, 40}, L"file='wide.png' source='0,0,10,10' stretch='false'");
    EXPECT_EQ(Rgb(kRed), tall.Rgb(0, 0));  // square into square: unchanged

    CCanvas centred(30, 30, kBack);
    Draw(centred, {0, 0, 30, 30}, L"file='icon.png' stretch='false' center='true'");
    EXPECT_EQ(Rgb(kBack), centred.Rgb(9, 15));
    EXPECT_EQ(Rgb(kBlue), centred.Rgb(10, 10));
    EXPECT_EQ(Rgb(kBlue), centred.Rgb(19, 19));
    EXPECT_EQ(Rgb(kBack), centred.Rgb(20, 15));

    CCanvas small(10, 10, kBack);
    Draw(small, {2, 2, 7, 7}, L"file='icon.png' stretch='false' center='true'");
    EXPECT_EQ(Rgb(kBlue), small.Rgb(2, 2));
    EXPECT_EQ(Rgb(kBlue), small.Rgb(6, 6));
    EXPECT_EQ(Rgb(kBack), small.Rgb(7, 7));
}

// A rounded corner leaves the background outside the arcs.
TEST_F(RenderKitImage, RoundedCornerKeepsTheBackgroundOutsideTheArc) {
    CCanvas canvas(40, 40, kBlue);
    Draw(canvas, {0, 0, 40, 40}, L"file='red.png' roundcorner='10,10'");
    EXPECT_EQ(kBlue & 0xFFFFFF, canvas.Rgb(0, 0));
    EXPECT_EQ(kBlue & 0xFFFFFF, canvas.Rgb(39, 0));
    EXPECT_EQ(kBlue & 0xFFFFFF, canvas.Rgb(0, 39));
    EXPECT_EQ(kBlue & 0xFFFFFF, canvas.Rgb(39, 39));
    EXPECT_EQ(kRed & 0xFFFFFF, canvas.Rgb(20, 20));
    EXPECT_EQ(kRed & 0xFFFFFF, canvas.Rgb(20, 1));
    EXPECT_EQ(kRed & 0xFFFFFF, canvas.Rgb(1, 20));
}

// Centre-rectangle mode: the centre stays unscaled where it fits, the margins fill the rest; in a
// smaller destination the centre is cropped from its middle.
TEST_F(RenderKitImage, CentreRectangleMode) {
    CCanvas canvas(20, 20, kBack);
    Draw(canvas, {0, 0, 20, 20}, L"file='centre.png' centerrect='3,3,7,7'");
    // Centre at 0 + (20 - 4) * 3 / 6 = 8.
    EXPECT_EQ(Rgb(kRed), canvas.Rgb(7, 10));
    EXPECT_EQ(Rgb(kBlue), canvas.Rgb(8, 10));
    EXPECT_EQ(Rgb(kBlue), canvas.Rgb(11, 11));
    EXPECT_EQ(Rgb(kRed), canvas.Rgb(12, 10));
    EXPECT_EQ(Rgb(kRed), canvas.Rgb(0, 0));
    EXPECT_EQ(Rgb(kRed), canvas.Rgb(19, 19));

    CCanvas cropped(4, 4, kBack);
    Draw(cropped, {1, 1, 3, 3}, L"file='centre.png' centerrect='3,3,7,7'");
    EXPECT_EQ(Rgb(kBlue), cropped.Rgb(1, 1));
    EXPECT_EQ(Rgb(kBlue), cropped.Rgb(2, 2));
    EXPECT_EQ(Rgb(kBack), cropped.Rgb(0, 0));

    // Cropping takes the middle of the centre, or its left / top edge when asked to.
    CCanvas middle(2, 2, kBack);
    Draw(middle, {0, 0, 2, 2}, L"file='split.png' centerrect='3,3,7,7'");
    EXPECT_EQ(Rgb(kBlue), middle.Rgb(0, 0));
    EXPECT_EQ(Rgb(kGreen), middle.Rgb(1, 0));
    EXPECT_EQ(Rgb(kGreen), middle.Rgb(0, 1));
    CCanvas aligned(2, 2, kBack);
    Draw(aligned, {0, 0, 2, 2}, L"file='split.png' centerrect='3,3,7,7' alignleft='true' aligntop='true'");
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(Rgb(kBlue), aligned.Rgb(x, y)) << x << "," << y;

    CCanvas refused(20, 20, kBack);
    Draw(refused, {0, 0, 20, 20}, L"file='centre.png' centerrect='0,3,10,7'");
    EXPECT_EQ(Rgb(kBack), refused.Rgb(10, 10));
}

// Several images in one string: the first is drawn with what was gathered before the second file.
TEST_F(RenderKitImage, SeveralImagesInOneString) {
    CCanvas canvas(20, 20, kBack);
    Draw(canvas, {0, 0, 20, 20}, L"file='red.png' dest='0,0,8,8' file='halfclear.png'");
    EXPECT_EQ(Rgb(kRed), canvas.Rgb(1, 4));  // left half of the second image is clear
    EXPECT_EQ(Rgb(kBlue), canvas.Rgb(6, 4));
    EXPECT_EQ(Rgb(kBack), canvas.Rgb(10, 10));

    // The modifier overrides; its own second file draws what came before it.
    CCanvas modified(20, 20, kBack);
    Draw(modified, {0, 0, 20, 20}, L"file='red.png'", L"dest='10,10,20,20'");
    EXPECT_EQ(Rgb(kBack), modified.Rgb(5, 5));
    EXPECT_EQ(Rgb(kRed), modified.Rgb(15, 15));
}

// Parsing stops at a double-quoted value or a missing blank; the items before still apply.
TEST_F(RenderKitImage, ImageStringParsingStops) {
    struct TCase {
        const wchar_t* text;
        const wchar_t* name;
        RECT dest;
        BYTE fade;
        int draws;
    };
    const RECT item = {10, 10, 50, 50};
    const TCase cases[] = {
        {L"bg.png", L"bg.png", item, 255, 1},
        {L"file='a.png' dest=\"0,0,5,5\"", L"a.png", item, 255, 1},
        {L"file='a.png'dest='0,0,5,5'", L"a.png", item, 255, 1},
        {L"file='a.png' fade='100' dest='0,0,5,5", L"a.png", item, 100, 1},
        {L"file='a.png'  fade='7'", L"a.png", item, 255, 1},
        {L"  file = 'a.png' fade = '9'", L"a.png", item, 9, 1},
        {L"file='' fade='300'", L"file='' fade='300'", item, 255, 1},
        {L"file='a.png' file='b.png' dest='1,2,3,4'", L"b.png", {11, 12, 13, 14}, 255, 2},
        {L"res='c.png' file='d.png'", L"d.png", item, 255, 1},
        {L"file='a.png' gray='true' angle='90' unknown='x'", L"a.png", item, 255, 1},
    };
    for (const TCase& c : cases) {
        int draws = 0;
        TImageDrawParams last;
        CRenderKit::ParseImageString(item, c.text, nullptr, [&](const TImageDrawParams& p) {
            ++draws;
            last = p;
        });
        EXPECT_EQ(c.draws, draws) << c.text;
        EXPECT_EQ(c.name, last.name) << c.text;
        EXPECT_EQ(c.fade, last.fade) << c.text;
        EXPECT_TRUE(EqualRect(&c.dest, &last.dest)) << c.text;
    }
    TImageDrawParams p;
    CRenderKit::ParseImageString(
        item,
        L"file='x.png' source='1,2,3,4' corner='5,6,7,8' mask='#ff00ff00' hole='true' "
        L"xtiled='true' ytiled='True' stretch='false' center='true' aligntop='true' "
        L"roundcorner='3,4' centerrect='1,1,2,2' restype='PNG'",
        nullptr, [&](const TImageDrawParams& d) { p = d; });
    EXPECT_EQ(2, p.source.top);
    EXPECT_EQ(8, p.corner.bottom);
    EXPECT_EQ(0xFF00FF00u, p.mask);
    EXPECT_TRUE(p.hole);
    EXPECT_TRUE(p.xtiled);
    EXPECT_FALSE(p.ytiled);
    EXPECT_FALSE(p.stretch);
    EXPECT_TRUE(p.center);
    EXPECT_TRUE(p.alignTop);
    EXPECT_FALSE(p.alignLeft);
    EXPECT_EQ(4, p.roundCorner.cy);
    EXPECT_EQ(2, p.centerRect.right);
    EXPECT_EQ(L"PNG", p.resType);
}

// 10,000 damaged image strings draw or not, never crash, and leave no GDI object behind on any of
// the paths that odd numbers take (empty rounded surfaces, degenerate centre rectangles, tiles).
TEST_F(RenderKitImage, MutatedImageStringsNeverCrashNorLeak) {
    const std::wstring bases[] = {
        L"file='grid.png' corner='3,3,3,3' dest='0,0,30,30' source='0,0,9,9'",
        L"file='centre.png' centerrect='3,3,7,7' fade='200' stretch='false' center='true'",
        L"file='halves.png' xtiled='true' ytiled='true' hole='true' roundcorner='4,4' mask='#FFFF0000'",
        L"file='red.png' rdest='-10,-10,0,0' file='icon.png' res='wide.png' aligntop='true' alignleft='true'",
    };
    const wchar_t alphabet[] = L"'= ,-0123456789#abfx\"";
    std::mt19937 random(77);
    CCanvas canvas(48, 48, kBack);
    // The first draws load the images and settle lazily created objects.
    for (const std::wstring& base : bases)
        Draw(canvas, {0, 0, 48, 48}, base.c_str());
    const int before = TestEnv::GdiObjectHeadroom();
    for (int round = 0; round < 10000; ++round) {
        std::wstring text = bases[round % 4];
        const int changes = 1 + static_cast<int>(random() % 5);
        for (int c = 0; c < changes && !text.empty(); ++c) {
            const size_t at = random() % text.size();
            const wchar_t ch = alphabet[random() % (sizeof(alphabet) / sizeof(wchar_t) - 1)];
            switch (random() % 3) {
                case 0:
                    text[at] = ch;
                    break;
                case 1:
                    text.insert(text.begin() + at, ch);
                    break;
                default:
                    text.erase(at, 1 + random() % 4);
                    break;
            }
        }
        const RECT item = {static_cast<LONG>(random() % 20), static_cast<LONG>(random() % 20), 48, 48};
        Draw(canvas, item, text.c_str());
    }
    const int after = TestEnv::GdiObjectHeadroom();
    EXPECT_GE(after, before - 2) << before << " -> " << after;
}

namespace {

struct TSampleItem {
    RECT rc;
    const wchar_t* image;
};

}  // namespace

// The installer's first page and a strip of nine-grids, drawn from the real skin images through
// image strings into a PNG that a person can open: ui-core-sample.png in the build folder.
TEST(RenderKitSample, RendersTheSkinIntoAPng) {
    CSkinResources::Reset();
    CSkinResources::SetResourcePath((TestEnv::SourceDir() + L"\\app\\skin").c_str());
    CPaintManagerUI manager;
    CCanvas canvas(540, 475, 0xFFFFFFFF);
    const RECT whole = {0, 0, 540, 475};
    const TSampleItem items[] = {
        {{0, 0, 540, 313}, L"bg_progress.png"},
        {{177, 237, 361, 281}, L"install_0.png"},
        {{13, 323, 69, 347}, L"file='opt_001.png' dest='0,4,16,20'"},
        {{64, 330, 136, 341}, L"file='btn_agreement_000.png' source='24,0,96,11'"},
        {{448, 329, 525, 342}, L"btn_free_000.png"},
        {{488, 0, 513, 23}, L"btn_min000.png"},
        {{515, 0, 540, 23}, L"btn_close000.png"},
        // Nine-grids stretched far beyond their images, a tiled strip and a rounded picture.
        {{36, 375, 423, 404}, L"file='input.png' corner='3,3,3,3'"},
        {{421, 375, 505, 404}, L"select_dir_0.png"},
        {{18, 414, 518, 444}, L"file='progress_bk.png' corner='3,3,3,3'"},
        {{18, 414, 268, 444}, L"file='progress_fore.png' corner='3,3,3,3'"},
        {{18, 450, 218, 474}, L"file='public_btn_000.png' xtiled='true'"},
        {{230, 448, 259, 474}, L"file='common_tip_icon.png' stretch='false' center='true'"},
        {{270, 448, 460, 474}, L"file='install_1.png' source='5,5,189,49' roundcorner='6,6'"},
    };
    CRenderKit::DrawColor(canvas.DC(), {0, 313, 540, 355}, 0xFFFFFFFF);
    for (const TSampleItem& item : items)
        EXPECT_TRUE(CRenderKit::DrawImageString(canvas.DC(), &manager, item.rc, whole, item.image));
    // The skin's own fonts: index 0 is its first Font element.
    manager.AddFont(L"微软雅黑", 12, false, false, false);
    RECT text = {29, 323, 69, 347};
    CRenderKit::DrawText(canvas.DC(), &manager, text, L"同意", 0xFF444343, 0, DT_SINGLELINE | DT_VCENTER);
    RECT caption = {36, 356, 300, 374};
    CRenderKit::DrawText(canvas.DC(), &manager, caption, L"安装目录", 0xFF444343, 0,
                         DT_SINGLELINE | DT_VCENTER);

    // Images landed where they were asked to go: a pixel of each, against the white page.
    const POINT drawn[] = {{270, 260}, {20, 335}, {70, 335},  {500, 335},
                           {500, 11},  {527, 11}, {100, 430}, {40, 462}};
    for (const POINT& pt : drawn)
        EXPECT_NE(0xFFFFFFu, canvas.Rgb(pt.x, pt.y)) << pt.x << "," << pt.y;
    // The stretched input box keeps its 3-pixel corners exactly as in the image (its right end lies
    // under the folder button, as in the skin).
    std::unique_ptr<TImageInfo> input(CRenderKit::LoadImage(L"input.png"));
    ASSERT_TRUE(input);
    CCanvas alone(input->width, input->height, 0xFFFFFFFF);
    CRenderKit::DrawImageString(alone.DC(), &manager, {0, 0, input->width, input->height},
                                {0, 0, input->width, input->height}, L"input.png");
    for (int d = 0; d < 3; ++d) {
        EXPECT_EQ(alone.Rgb(d, d), canvas.Rgb(36 + d, 375 + d));
        EXPECT_EQ(alone.Rgb(d, input->height - 1 - d), canvas.Rgb(36 + d, 403 - d));
    }

    const std::wstring path = TestEnv::BinaryDir() + L"\\ui-core-sample.png";
    ASSERT_TRUE(canvas.SavePng(path));
    EXPECT_EQ(0, TestEnv::ReadFileBytes(path).compare(0, 4, "\x89PNG"));
    CSkinResources::Reset();
}

// Repeated drawing of every kind leaves the process's GDI object count where it was.
TEST(RenderKitResources, DrawingReleasesItsGdiObjects) {
    TestEnv::TempDir dir(L"gdileak");
    ASSERT_TRUE(TestEnv::WriteFileBytes(dir.File(L"img.png"),
                                        SkinTest::EncodePng(6, 6, SkinTest::SolidRgba(6, 6, 0x80FF8000))));
    CSkinResources::Reset();
    CSkinResources::SetResourcePath(dir.Path().c_str());
    CPaintManagerUI manager;
    CCanvas canvas(64, 64, 0xFF000000);
    const RECT rc = {0, 0, 64, 64};
    auto drawAll = [&] {
        CRenderKit::DrawImageString(canvas.DC(), &manager, rc, rc,
                                    L"file='img.png' corner='2,2,2,2' xtiled='true'");
        CRenderKit::DrawImageString(canvas.DC(), &manager, rc, rc, L"file='img.png' roundcorner='8,8'");
        CRenderKit::DrawImageString(canvas.DC(), &manager, rc, rc, L"file='img.png' centerrect='2,2,4,4'");
        CRenderKit::DrawColor(canvas.DC(), rc, 0x80FFFFFF);
        CRenderKit::DrawGradient(canvas.DC(), rc, 0x80FF0000, 0xFF0000FF, 16);
        CRenderKit::DrawLine(canvas.DC(), rc, 2, 0xFFFFFFFF);
        CRenderKit::DrawRoundRect(canvas.DC(), rc, 4, 4, 1, 0xFF00FF00);
        RECT text = rc;
        CRenderKit::DrawText(canvas.DC(), &manager, text, L"leak", 0xFFFFFFFF, -1, DT_SINGLELINE);
        manager.SetBackgroundTransparent(true);
        CRenderKit::DrawText(canvas.DC(), &manager, text, L"leak", 0xFFFFFFFF, -1, DT_SINGLELINE);
        manager.SetBackgroundTransparent(false);
        int count = 0;
        CRenderKit::DrawHtmlText(canvas.DC(), &manager, text, L"<b>b</b><u>u</u>", 0xFFFFFFFF, nullptr,
                                 nullptr, count, 0);
    };
    drawAll();  // first use loads the image and settles lazily created objects
    const int before = TestEnv::GdiObjectHeadroom();
    ASSERT_GT(before, 1000);
    for (int i = 0; i < 300; ++i)
        drawAll();
    const int after = TestEnv::GdiObjectHeadroom();
    EXPECT_GE(after, before - 2) << before << " -> " << after;
    CSkinResources::Reset();
}
