#include "ui/controls/ValueEventThrottle.h"

namespace SkinUI {

bool CValueEventThrottle::Pass(int percent, DWORD now) {
    if (m_told && percent == m_lastPercent)
        return false;
    const bool newStep = !m_told || percent / kStep != m_lastPercent / kStep;
    // Unsigned difference: right across the tick count's wrap after 49.7 days.
    if (!newStep && now - m_lastTick < kMinIntervalMs)
        return false;
    m_told = true;
    m_lastPercent = percent;
    m_lastTick = now;
    return true;
}

}  // namespace SkinUI
