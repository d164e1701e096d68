#pragma once
// Decides which changes of a percentage are worth telling screen readers about: every whole ten
// reached, otherwise at most one a second, so that a bar moved on every repaint does not flood them.
// Any thread, one owner.
#include <windows.h>

namespace SkinUI {

class CValueEventThrottle {
public:
    static constexpr DWORD kMinIntervalMs = 1000;
    static constexpr int kStep = 10;

    // True when a change to `percent` at tick `now` (GetTickCount) is to be announced; it then
    // counts as the last one told.
    bool Pass(int percent, DWORD now);

private:
    bool m_told = false;
    int m_lastPercent = 0;
    DWORD m_lastTick = 0;
};

}  // namespace SkinUI
