#pragma once
// A real top-level window driven by a paint manager, for control tests: attaches a control tree,
// records notifications, drives the mouse with real input, and paints the tree into a 32-bit DIB
// whose pixels can be read. Solid-colour skin images are written into a temporary skin folder.
// Test thread only.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/TestEnv.h"
#include "ui/core/NotifyUI.h"
#include "ui/core/PaintManagerUI.h"

namespace ControlTest {

// Writes opaque single-colour PNG images (the format the render kit decodes) into a temporary
// folder and makes that folder the process's skin location.
class CSkinFolder {
public:
    CSkinFolder();
    ~CSkinFolder();
    // 0x00RRGGBB.
    void AddImage(const std::wstring& name, int width, int height, uint32_t rgb);
    void AddFile(const std::wstring& name, const std::string& bytes);

private:
    TestEnv::TempDir m_dir;
};

class CControlHost final : public SkinUI::INotifyUI {
public:
    enum class Show { kVisible, kHidden };
    // A popup window with the given client size at a fixed screen position. Only a visible window
    // takes real input; a hidden one is quicker to destroy.
    CControlHost(int width, int height, Show show = Show::kVisible);
    ~CControlHost();
    CControlHost(const CControlHost&) = delete;
    CControlHost& operator=(const CControlHost&) = delete;

    HWND Window() const { return m_hWnd; }
    // Tests share one host per program where they can: Wine takes about two seconds to hide a window.
    void Resize(int width, int height);
    SkinUI::CPaintManagerUI& Manager() { return m_manager; }
    // The manager owns the root from here on; the tree is laid out by a real paint.
    void Attach(SkinUI::CControlUI* pRoot);
    // Runs the message loop until the window has painted once after the last Attach.
    bool Layout();

    void Notify(SkinUI::TNotifyUI& msg) override;
    // Types of the notifications received so far, in order, as "sender:type".
    const std::vector<std::wstring>& Notifications() const { return m_notifications; }
    void ClearNotifications() { m_notifications.clear(); }

    // Real input: moves the system cursor to a client point and presses or releases the left button.
    void MoveMouse(POINT client);
    void PressLeft();
    void ReleaseLeft();
    void PressKey(WORD vk);

    // Paints the whole tree into a fresh canvas of the client size; 0xAARRGGBB pixels.
    std::vector<uint32_t> Render();
    uint32_t PixelAt(const std::vector<uint32_t>& pixels, int x, int y) const {
        return pixels[y * m_width + x];
    }
    bool SavePng(const std::vector<uint32_t>& pixels, const std::wstring& path) const;

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

    int m_width;
    int m_height;
    HWND m_hWnd = nullptr;
    SkinUI::CPaintManagerUI m_manager;
    std::vector<std::wstring> m_notifications;
    bool m_painted = false;
};

}  // namespace ControlTest
