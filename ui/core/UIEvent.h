#pragma once
// Input events that the paint manager delivers to controls, and the flags shared by every control.
// Plain data; UI thread only.
#include <windows.h>

namespace SkinUI {

class CControlUI;

// Event kinds. The numbers are fixed: keyboard kinds lie strictly between kEventKeyBegin and
// kEventKeyEnd, mouse kinds strictly between kEventMouseBegin and kEventMouseEnd.
enum : int {
    kEventFirst = 1,
    kEventKeyBegin = 2,
    kEventKeyDown = 3,
    kEventKeyUp = 4,
    kEventChar = 5,
    kEventSysKey = 6,
    kEventKeyEnd = 7,
    kEventMouseBegin = 8,
    kEventMouseMove = 9,
    kEventMouseLeave = 10,
    kEventMouseEnter = 11,
    kEventMouseHover = 12,
    kEventButtonDown = 13,
    kEventButtonUp = 14,
    kEventRButtonDown = 15,
    kEventDblClick = 16,
    kEventContextMenu = 17,
    kEventScrollWheel = 18,
    kEventMouseEnd = 19,
    kEventKillFocus = 20,
    kEventSetFocus = 21,
    kEventWindowSize = 22,
    kEventSetCursor = 23,
    kEventTimer = 24,
};

inline bool IsMouseEvent(int type) {
    return type > kEventMouseBegin && type < kEventMouseEnd;
}
inline bool IsKeyEvent(int type) {
    return type > kEventKeyBegin && type < kEventKeyEnd;
}

// Key state bits of TEventUI::keyState.
enum : WORD {
    kKeyStateLButton = MK_LBUTTON,
    kKeyStateRButton = MK_RBUTTON,
    kKeyStateShift = MK_SHIFT,
    kKeyStateControl = MK_CONTROL,
    kKeyStateAlt = 0x20,
};

// Flags of CControlUI::FindControl.
enum : UINT {
    kFindVisible = 0x00000001,
    kFindEnabled = 0x00000002,
    kFindHitTest = 0x00000004,
    kFindTopFirst = 0x00000008,
    kFindMeFirst = 0x80000000,
};

// Flags of CControlUI::GetControlFlags.
enum : UINT {
    kFlagTabStop = 0x00000001,
    kFlagSetCursor = 0x00000002,
};

// Part states of buttons, options, check boxes, edits and scroll-bar parts.
enum : UINT {
    kStateFocused = 0x01,
    kStateSelected = 0x02,
    kStateDisabled = 0x04,
    kStateHot = 0x08,
    kStatePushed = 0x10,
    kStateCaptured = 0x40,
};

struct TEventUI {
    int type = 0;
    CControlUI* sender = nullptr;
    DWORD timestamp = 0;
    POINT ptMouse = {0, 0};
    WCHAR key = 0;
    WORD keyState = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

}  // namespace SkinUI
