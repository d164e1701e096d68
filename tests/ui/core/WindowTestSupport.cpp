#include "tests/ui/core/WindowTestSupport.h"

#include <process.h>

namespace WindowTest {

namespace {

constexpr DWORD kEnterTimeoutMs = 5000;
constexpr DWORD kStepTimeoutMs = 3000;

void SendMouse(DWORD flags) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    ::SendInput(1, &input, sizeof(input));
}

void SendKey(WORD vk, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ::SendInput(1, &input, sizeof(input));
}

struct TDrag {
    POINT from;
    POINT to;
    int steps;
    HANDLE entered;
    HANDLE moved;
    HANDLE exited;
    bool ok = false;
};

unsigned __stdcall DragThread(void* param) {
    auto* drag = static_cast<TDrag*>(param);
    MoveCursor(drag->from);
    ::ResetEvent(drag->moved);
    LeftDown();
    bool ok = ::WaitForSingleObject(drag->entered, kEnterTimeoutMs) == WAIT_OBJECT_0;
    for (int i = 1; ok && i <= drag->steps; ++i) {
        const POINT pt = {drag->from.x + (drag->to.x - drag->from.x) * i / drag->steps,
                          drag->from.y + (drag->to.y - drag->from.y) * i / drag->steps};
        MoveCursor(pt);
        ok = ::WaitForSingleObject(drag->moved, kStepTimeoutMs) == WAIT_OBJECT_0;
    }
    LeftUp();
    ok = ::WaitForSingleObject(drag->exited, kEnterTimeoutMs) == WAIT_OBJECT_0 && ok;
    drag->ok = ok;
    return 0;
}

}  // namespace

void MoveCursor(POINT screen) {
    ::SetCursorPos(screen.x, screen.y);
}

void LeftDown() {
    SendMouse(MOUSEEVENTF_LEFTDOWN);
}

void LeftUp() {
    SendMouse(MOUSEEVENTF_LEFTUP);
}

void ClickAt(POINT screen) {
    MoveCursor(screen);
    LeftDown();
    LeftUp();
}

void PressKey(WORD vk) {
    SendKey(vk, false);
    SendKey(vk, true);
}

bool DragWithMouse(POINT from, POINT to, int steps, HANDLE entered, HANDLE moved, HANDLE exited) {
    TDrag drag{from, to, steps, entered, moved, exited};
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &DragThread, &drag, 0, nullptr));
    if (thread == nullptr)
        return false;
    // The thread's own waits are bounded, so this ends; messages keep flowing meanwhile.
    const DWORD limit = kEnterTimeoutMs * 2 + kStepTimeoutMs * steps + 1000;
    const ULONGLONG deadline = ::GetTickCount64() + limit;
    bool finished = false;
    while (!finished && ::GetTickCount64() < deadline) {
        finished = ::MsgWaitForMultipleObjects(1, &thread, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    if (!finished)
        ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
    return drag.ok;
}

}  // namespace WindowTest
