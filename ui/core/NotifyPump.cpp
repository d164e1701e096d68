// CNotifyPump: virtual window routing and the message map walk.
#include "ui/core/NotifyPump.h"

#include <cwchar>

#include "ui/core/ControlUI.h"

namespace SkinUI {

const TNotifyMap CNotifyPump::kNotifyMap = {nullptr, nullptr, 0};

const TNotifyMap* CNotifyPump::GetNotifyMap() const {
    return &kNotifyMap;
}

CNotifyPump* CNotifyPump::FindVirtualWnd(const std::wstring& name) const {
    for (const auto& entry : m_VirtualWndMap) {
        if (_wcsicmp(entry.first.c_str(), name.c_str()) == 0)
            return entry.second;
    }
    return nullptr;
}

bool CNotifyPump::AddVirtualWnd(const std::wstring& name, CNotifyPump* pObject) {
    if (pObject == nullptr || FindVirtualWnd(name) != nullptr)
        return false;
    m_VirtualWndMap.emplace_back(name, pObject);
    return true;
}

bool CNotifyPump::RemoveVirtualWnd(const std::wstring& name) {
    for (auto it = m_VirtualWndMap.begin(); it != m_VirtualWndMap.end(); ++it) {
        if (_wcsicmp(it->first.c_str(), name.c_str()) == 0) {
            m_VirtualWndMap.erase(it);
            return true;
        }
    }
    return false;
}

bool CNotifyPump::LoopDispatch(TNotifyUI& msg) {
    const std::wstring senderName = msg.sender != nullptr ? msg.sender->GetName() : std::wstring();
    for (const TNotifyMap* map = GetNotifyMap(); map != nullptr; map = map->base) {
        for (size_t i = 0; i < map->count; ++i) {
            const TNotifyMapEntry& entry = map->entries[i];
            if (msg.type != entry.notify)
                continue;
            if (entry.control != nullptr && entry.control[0] != L'\0' && senderName != entry.control)
                continue;
            if (entry.onRecord != nullptr)
                (this->*entry.onRecord)(msg);
            else
                (this->*entry.onParams)(msg.wParam, msg.lParam);
            return true;
        }
    }
    return false;
}

void CNotifyPump::NotifyPump(TNotifyUI& msg) {
    if (!msg.virtualWnd.empty()) {
        CNotifyPump* pObject = FindVirtualWnd(msg.virtualWnd);
        if (pObject != nullptr && pObject->LoopDispatch(msg))
            return;
    }
    LoopDispatch(msg);
}

}  // namespace SkinUI
