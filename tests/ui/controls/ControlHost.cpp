#include "tests/ui/controls/ControlHost.h"

#include <gdiplus.h>

#include <cstring>
#include <vector>

#include "tests/ui/core/SkinTestSupport.h"

namespace ControlTest {

namespace {

constexpr wchar_t kClassName[] = L"ZvControlTestHost";
constexpr int kWindowLeft = 120;
constexpr int kWindowTop = 90;

}  // namespace

CSkinFolder::CSkinFolder() : m_dir(L"skin") {
    SkinUI::CPaintManagerUI::SetResourcePath((m_dir.Path() + L"\\").c_str());
}

CSkinFolder::~CSkinFolder() {
    SkinUI::CSkinResources::Reset();
}

void CSkinFolder::AddImage(const std::wstring& name, int width, int height, uint32_t rgb) {
    std::vector<uint8_t> rgba;
    rgba.reserve(static_cast<size_t>(width) * height * 4);
    for (int i = 0; i < width * height; ++i)
        rgba.insert(rgba.end(), {static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                                 static_cast<uint8_t>(rgb), 0xFF});
    TestEnv::WriteFileBytes(m_dir.File(name), SkinTest::EncodePng(width, height, rgba));
}

void CSkinFolder::AddFile(const std::wstring& name, const std::string& bytes) {
    TestEnv::WriteFileBytes(m_dir.File(name), bytes);
}

CControlHost::CControlHost(int width, int height, Show show) : m_width(width), m_height(height) {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = &CControlHost::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    RegisterClassExW(&wc);
    m_hWnd = CreateWindowExW(WS_EX_TOPMOST, kClassName, L"control test", WS_POPUP, kWindowLeft, kWindowTop,
                             width, height, nullptr, nullptr, wc.hInstance, this);
    m_manager.Init(m_hWnd);
    m_manager.AddNotifier(this);
    if (show == Show::kHidden)
        return;
    ShowWindow(m_hWnd, SW_SHOW);
    SetForegroundWindow(m_hWnd);
    TestEnv::PumpUntil([&] { return IsWindowVisible(m_hWnd) != FALSE; }, 2000);
}

CControlHost::~CControlHost() {
    m_manager.RemoveNotifier(this);
    DestroyWindow(m_hWnd);
}

LRESULT CALLBACK CControlHost::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    if (uMsg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* host = reinterpret_cast<CControlHost*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (host != nullptr && host->m_hWnd == hWnd) {
        LRESULT result = 0;
        if (host->m_manager.MessageHandler(uMsg, wParam, lParam, result))
            return result;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

void CControlHost::Resize(int width, int height) {
    m_width = width;
    m_height = height;
    SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CControlHost::Attach(SkinUI::CControlUI* pRoot) {
    m_manager.AttachRoot(pRoot);
}

bool CControlHost::Layout() {
    InvalidateRect(m_hWnd, nullptr, FALSE);
    UpdateWindow(m_hWnd);
    SkinUI::CControlUI* root = m_manager.GetRoot();
    return root != nullptr && !IsRectEmpty(&root->GetPos());
}

void CControlHost::Notify(SkinUI::TNotifyUI& msg) {
    const std::wstring sender = msg.sender != nullptr ? msg.sender->GetName() : L"";
    m_notifications.push_back(sender + L":" + msg.type);
}

void CControlHost::MoveMouse(POINT client) {
    POINT screen = client;
    ClientToScreen(m_hWnd, &screen);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = MulDiv(screen.x, 65536, GetSystemMetrics(SM_CXSCREEN)) + 1;
    input.mi.dy = MulDiv(screen.y, 65536, GetSystemMetrics(SM_CYSCREEN)) + 1;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof(input));
}

void CControlHost::PressLeft() {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &input, sizeof(input));
}

void CControlHost::ReleaseLeft() {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof(input));
}

void CControlHost::PressKey(WORD vk) {
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = vk;
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
}

std::vector<uint32_t> CControlHost::Render() {
    Layout();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = m_width;
    info.bmiHeader.biHeight = -m_height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    std::vector<uint32_t> pixels;
    if (bits != nullptr) {
        memset(bits, 0, static_cast<size_t>(m_width) * m_height * 4);
        SendMessageW(m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        GdiFlush();
        const auto* p = static_cast<const uint32_t*>(bits);
        pixels.assign(p, p + static_cast<size_t>(m_width) * m_height);
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixels;
}

bool CControlHost::SavePng(const std::vector<uint32_t>& pixels, const std::wstring& path) const {
    using namespace Gdiplus;
    using namespace Gdiplus::DllExports;
    GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (GdiplusStartup(&token, &input, nullptr) != Ok)
        return false;
    // GDI leaves alpha undefined, so the picture is saved opaque.
    std::vector<uint32_t> opaque(pixels);
    for (uint32_t& pixel : opaque)
        pixel |= 0xFF000000;
    GpBitmap* bitmap = nullptr;
    bool saved = false;
    if (GdipCreateBitmapFromScan0(m_width, m_height, m_width * 4, PixelFormat32bppARGB,
                                  reinterpret_cast<BYTE*>(opaque.data()), &bitmap) == Ok) {
        const CLSID png = {0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
        saved = GdipSaveImageToFile(bitmap, path.c_str(), &png, nullptr) == Ok;
        GdipDisposeImage(bitmap);
    }
    GdiplusShutdown(token);
    return saved;
}

}  // namespace ControlTest
