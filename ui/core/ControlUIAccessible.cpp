// CControlUI: what screen readers are told about a control, and the skin's names for roles.
#include <oleacc.h>

#include "ui/core/ControlUI.h"
#include "ui/core/PaintManagerUI.h"

namespace SkinUI {

long CControlUI::GetAccRole() const {
    if (m_nAccRole == kAccRoleNone)
        return 0;
    return m_nAccRole != 0 ? m_nAccRole : GetAccDefaultRole();
}

long CControlUI::GetAccDefaultRole() const {
    // A plain control is decoration unless the skin names it.
    return m_sAccName.empty() ? 0 : ROLE_SYSTEM_GRAPHIC;
}

std::wstring CControlUI::GetAccName() const {
    return m_sAccName.empty() ? GetText() : m_sAccName;
}

DWORD CControlUI::GetAccState() const {
    DWORD state = 0;
    if (!IsVisible())
        state |= STATE_SYSTEM_INVISIBLE;
    if (!IsEnabled())
        state |= STATE_SYSTEM_UNAVAILABLE;
    else if ((GetControlFlags() & kFlagTabStop) != 0)
        state |= STATE_SYSTEM_FOCUSABLE;
    if (m_pManager != nullptr && m_pManager->GetFocus() == this)
        state |= STATE_SYSTEM_FOCUSED;
    return state;
}

std::wstring CControlUI::GetAccValue() const {
    return std::wstring();
}

std::wstring CControlUI::GetAccDefaultAction() const {
    return std::wstring();
}

long CControlUI::ParseAccRole(LPCWSTR pstrValue) {
    static const struct {
        const wchar_t* name;
        long role;
    } kRoles[] = {
        {L"none", kAccRoleNone},
        {L"pushbutton", ROLE_SYSTEM_PUSHBUTTON},
        {L"checkbutton", ROLE_SYSTEM_CHECKBUTTON},
        {L"radiobutton", ROLE_SYSTEM_RADIOBUTTON},
        {L"link", ROLE_SYSTEM_LINK},
        {L"statictext", ROLE_SYSTEM_STATICTEXT},
        {L"text", ROLE_SYSTEM_TEXT},
        {L"graphic", ROLE_SYSTEM_GRAPHIC},
        {L"grouping", ROLE_SYSTEM_GROUPING},
        {L"progressbar", ROLE_SYSTEM_PROGRESSBAR},
    };
    for (const auto& entry : kRoles) {
        if (wcscmp(entry.name, pstrValue) == 0)
            return entry.role;
    }
    return 0;
}

}  // namespace SkinUI
