#pragma once
// A control for dispatch tests: records every event it receives as "name:kind" into a shared log and
// knows whether it is still alive, so a test can tell an event that reached a deleted control.
// Test thread only.
#include <set>
#include <string>
#include <vector>

#include "ui/core/ControlUI.h"

namespace ControlTest {

class CProbeUI : public SkinUI::CControlUI {
public:
    CProbeUI(const std::wstring& name, std::vector<std::wstring>* log, UINT flags = 0)
        : m_log(log), m_flags(flags) {
        SetName(name);
        Alive().insert(this);
    }
    ~CProbeUI() override { Alive().erase(this); }

    static std::set<const CProbeUI*>& Alive() {
        static std::set<const CProbeUI*> alive;
        return alive;
    }
    static bool IsAlive(const CProbeUI* probe) { return Alive().count(probe) != 0; }

    UINT GetControlFlags() const override { return m_flags; }
    void DoEvent(SkinUI::TEventUI& event) override {
        // An event for a deleted control is exactly the fault these tests look for.
        if (!IsAlive(this)) {
            ++DeadEvents();
            return;
        }
        m_log->push_back(m_sName + L":" + KindName(event.type) +
                         (event.type == SkinUI::kEventTimer ? L":" + std::to_wstring(event.wParam) : L""));
        if (m_onEvent)
            m_onEvent(this, event);
        SkinUI::CControlUI::DoEvent(event);
    }
    static int& DeadEvents() {
        static int count = 0;
        return count;
    }

    using Handler = void (*)(CProbeUI* self, SkinUI::TEventUI& event);
    void SetHandler(Handler handler) { m_onEvent = handler; }
    int m_touched = 0;

    static const wchar_t* KindName(int type) {
        switch (type) {
            case SkinUI::kEventKeyDown:
                return L"keydown";
            case SkinUI::kEventKeyUp:
                return L"keyup";
            case SkinUI::kEventChar:
                return L"char";
            case SkinUI::kEventSysKey:
                return L"syskey";
            case SkinUI::kEventMouseMove:
                return L"move";
            case SkinUI::kEventMouseLeave:
                return L"leave";
            case SkinUI::kEventMouseEnter:
                return L"enter";
            case SkinUI::kEventMouseHover:
                return L"hover";
            case SkinUI::kEventButtonDown:
                return L"down";
            case SkinUI::kEventButtonUp:
                return L"up";
            case SkinUI::kEventRButtonDown:
                return L"rdown";
            case SkinUI::kEventDblClick:
                return L"dblclick";
            case SkinUI::kEventContextMenu:
                return L"menu";
            case SkinUI::kEventScrollWheel:
                return L"wheel";
            case SkinUI::kEventKillFocus:
                return L"killfocus";
            case SkinUI::kEventSetFocus:
                return L"setfocus";
            case SkinUI::kEventWindowSize:
                return L"size";
            case SkinUI::kEventSetCursor:
                return L"setcursor";
            case SkinUI::kEventTimer:
                return L"timer";
            default:
                return L"other";
        }
    }

private:
    std::vector<std::wstring>* m_log;
    UINT m_flags;
    Handler m_onEvent = nullptr;
};

// Entries of the log that start with the given control name, in order.
inline std::vector<std::wstring> EventsOf(const std::vector<std::wstring>& log, const std::wstring& name) {
    std::vector<std::wstring> out;
    for (const auto& entry : log) {
        if (entry.compare(0, name.size() + 1, name + L":") == 0)
            out.push_back(entry.substr(name.size() + 1));
    }
    return out;
}

inline int IndexOf(const std::vector<std::wstring>& log, const std::wstring& entry) {
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i] == entry)
            return static_cast<int>(i);
    }
    return -1;
}

}  // namespace ControlTest
