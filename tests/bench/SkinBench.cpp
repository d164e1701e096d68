// Skin benchmark: parsing the installer's layout out of its embedded archive, decoding its largest
// image, and drawing a nine-grid, an image string and text into a window-sized back buffer.
// Prints one name=value line per figure (microseconds per operation). Not run by CTest.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "ui/core/GdiScoped.h"
#include "ui/core/ImageScaler.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/RenderKit.h"
#include "ui/core/SkinResources.h"
#include "ui/core/SkinXml.h"

using namespace SkinUI;

namespace {

template <class F>
double MicrosPerRun(int runs, F&& work) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < runs; ++i)
        work();
    QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1e6 / frequency.QuadPart / runs;
}

}  // namespace

int wmain() {
    CSkinResources::SetInstance(GetModuleHandleW(nullptr));
    if (!CSkinResources::LoadResourceZipBuffer(150)) {
        fwprintf(stderr, L"skin bench: no skin archive in the executable\n");
        return 1;
    }
    CSkinResources::SetResourceZip();
    CSkinXml xml;
    const double parse = MicrosPerRun(2000, [&] { xml.LoadFromFile(L"InstallPackages.xml"); });
    const double decode = MicrosPerRun(100, [] { delete CRenderKit::LoadImage(L"bg_progress.png"); });
    // The same image as a 150 % display draws it.
    std::unique_ptr<TImageInfo> picture(CRenderKit::LoadImage(L"bg_progress.png"));
    const double resample = MicrosPerRun(20, [&] { CImageScaler::Resample(*picture, 810, 470); });

    CPaintManagerUI manager;
    void* bits = nullptr;
    CGdiObject<HBITMAP> surface(CreateDib32(nullptr, 540, 355, &bits));
    CMemoryDC dc(nullptr);
    CSelectObject select(dc.Get(), surface.Get());
    const RECT window = {0, 0, 540, 355};
    const RECT box = {36, 35, 423, 64};
    const double background = MicrosPerRun(
        1000, [&] { CRenderKit::DrawImageString(dc.Get(), &manager, window, window, L"bg_progress.png"); });
    const double nineGrid = MicrosPerRun(5000, [&] {
        CRenderKit::DrawImageString(dc.Get(), &manager, box, window, L"file='input.png' corner='3,3,3,3'");
    });
    const double button = MicrosPerRun(5000, [&] {
        CRenderKit::DrawImageString(dc.Get(), &manager, {177, 237, 361, 281}, window,
                                    L"file='install_1.png' source='5,5,189,49'");
    });
    const double text = MicrosPerRun(5000, [&] {
        RECT rc = {36, 78, 300, 96};
        CRenderKit::DrawText(dc.Get(), &manager, rc, L"所需磁盘空间：120MB", 0xFF444343, -1, DT_SINGLELINE);
    });
    wprintf(
        L"skin_parse_us=%.1f\nimage_decode_us=%.1f\nimage_resample_150_us=%.1f\nbackground_draw_us=%.1f\n"
        L"ninegrid_draw_us=%.1f\nimage_string_draw_us=%.1f\ntext_draw_us=%.1f\n",
        parse, decode, resample, background, nineGrid, button, text);
    CSkinResources::FreeResourceZipBuffer();
    return 0;
}
