#pragma once
// Routes a window's notifications to member handlers through a static message map per class, chained
// to the base class's map, and to the pumps of named virtual windows. UI thread only.
#include <windows.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "ui/core/NotifyUI.h"

namespace SkinUI {

class CNotifyPump;

using NotifyParamsHandler = void (CNotifyPump::*)(WPARAM wParam, LPARAM lParam);
using NotifyRecordHandler = void (CNotifyPump::*)(TNotifyUI& msg);

// One line of a message map: a notification name, a control name (empty = any control) and a handler
// taking either the notification's (wParam, lParam) or the whole notification.
struct TNotifyMapEntry {
    LPCWSTR notify;
    LPCWSTR control;
    NotifyParamsHandler onParams;
    NotifyRecordHandler onRecord;
};

struct TNotifyMap {
    const TNotifyMap* base;
    const TNotifyMapEntry* entries;
    size_t count;
};

// Map lines for handlers of a class derived from CNotifyPump.
template <class T>
TNotifyMapEntry NotifyEntry(LPCWSTR notify, LPCWSTR control, void (T::*handler)(TNotifyUI&)) {
    return {notify, control, nullptr, static_cast<NotifyRecordHandler>(handler)};
}
template <class T>
TNotifyMapEntry NotifyEntry(LPCWSTR notify, LPCWSTR control, void (T::*handler)(WPARAM, LPARAM)) {
    return {notify, control, static_cast<NotifyParamsHandler>(handler), nullptr};
}

class CNotifyPump {
public:
    CNotifyPump() = default;
    CNotifyPump(const CNotifyPump&) = delete;
    CNotifyPump& operator=(const CNotifyPump&) = delete;
    virtual ~CNotifyPump() = default;

    // Notifications of controls inside the virtual window `name` go to `pObject` first.
    bool AddVirtualWnd(const std::wstring& name, CNotifyPump* pObject);
    bool RemoveVirtualWnd(const std::wstring& name);
    void NotifyPump(TNotifyUI& msg);
    // Calls the first matching handler of this object's map chain; false when none matches.
    bool LoopDispatch(TNotifyUI& msg);

protected:
    virtual const TNotifyMap* GetNotifyMap() const;

    static const TNotifyMap kNotifyMap;

private:
    CNotifyPump* FindVirtualWnd(const std::wstring& name) const;

    std::vector<std::pair<std::wstring, CNotifyPump*>> m_VirtualWndMap;
};

}  // namespace SkinUI
