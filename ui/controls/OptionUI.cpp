// COptionUI: selection, groups and the selected look.
#include "ui/controls/OptionUI.h"

#include <cwchar>
#include <vector>

#include "ui/core/AccessibleUI.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/PointerArray.h"
#include "ui/core/SkinText.h"

namespace SkinUI {

COptionUI::~COptionUI() {
    LeaveGroup();
}

LPCWSTR COptionUI::GetClass() const {
    return L"OptionUI";
}

LPVOID COptionUI::GetInterface(LPCWSTR pstrName) {
    if (wcscmp(pstrName, L"Option") == 0)
        return this;
    return CButtonUI::GetInterface(pstrName);
}

void COptionUI::JoinGroup(CPaintManagerUI* pManager) {
    if (pManager == nullptr || m_sGroupName.empty())
        return;
    if (m_pGroupManager == pManager && m_sJoinedGroup == m_sGroupName)
        return;
    LeaveGroup();
    pManager->AddOptionGroup(m_sGroupName.c_str(), this);
    m_pGroupManager = pManager;
    m_sJoinedGroup = m_sGroupName;
}

void COptionUI::LeaveGroup() {
    if (m_pGroupManager == nullptr)
        return;
    m_pGroupManager->RemoveOptionGroup(m_sJoinedGroup.c_str(), this);
    m_pGroupManager = nullptr;
    m_sJoinedGroup.clear();
}

void COptionUI::SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit) {
    CButtonUI::SetManager(pManager, pParent, bInit);
    if (bInit && pManager != nullptr)
        JoinGroup(pManager);
}

void COptionUI::SetGroup(LPCWSTR pStrGroupName) {
    const std::wstring name = pStrGroupName != nullptr ? pStrGroupName : L"";
    if (name == m_sGroupName)
        return;
    // The old table must not keep a pointer to an option that no longer belongs to it.
    LeaveGroup();
    m_sGroupName = name;
    JoinGroup(m_pManager);
}

void COptionUI::Selected(bool bSelected) {
    if (m_bSelected == bSelected)
        return;
    m_bSelected = bSelected;
    if (m_bSelected)
        m_uButtonState |= kStateSelected;
    else
        m_uButtonState &= ~kStateSelected;
    if (m_pManager != nullptr) {
        if (m_sGroupName.empty()) {
            m_pManager->SendNotify(this, L"selectchanged");
        } else if (m_bSelected) {
            if (CPointerArray* group = m_pManager->GetOptionGroup(m_sGroupName.c_str())) {
                // Deselecting may not change the group, but take a copy so it could.
                std::vector<CControlUI*> members;
                for (int i = 0; i < group->GetSize(); ++i)
                    members.push_back(static_cast<CControlUI*>(group->GetAt(i)));
                for (CControlUI* member : members) {
                    if (member == this)
                        continue;
                    if (auto* option = static_cast<COptionUI*>(member->GetInterface(L"Option")))
                        option->Selected(false);
                }
            }
            m_pManager->SendNotify(this, L"selectchanged");
        }
    }
    Invalidate();
    CAccessibleUI::NotifyEvent(this, EVENT_OBJECT_STATECHANGE);
}

long COptionUI::GetAccDefaultRole() const {
    return m_sGroupName.empty() ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_RADIOBUTTON;
}

DWORD COptionUI::GetAccState() const {
    return CButtonUI::GetAccState() | (m_bSelected ? STATE_SYSTEM_CHECKED : 0);
}

std::wstring COptionUI::GetAccDefaultAction() const {
    // A grouped option is only ever selected by a click; a lone one toggles.
    if (!m_sGroupName.empty())
        return L"选中";
    return m_bSelected ? L"取消选中" : L"选中";
}

bool COptionUI::Activate() {
    if (!CButtonUI::Activate())
        return false;
    if (!m_sGroupName.empty())
        Selected(true);
    else
        Selected(!m_bSelected);
    return true;
}

void COptionUI::SetEnabled(bool bEnable) {
    CControlUI::SetEnabled(bEnable);
    if (!IsEnabled())
        m_uButtonState = m_bSelected ? UINT{kStateSelected} : 0u;
}

void COptionUI::SetSelectedImage(const std::wstring& image) {
    AssignImage(m_sSelectedImage, image);
}

void COptionUI::SetSelectedHotImage(const std::wstring& image) {
    AssignImage(m_sSelectedHotImage, image);
}

void COptionUI::SetOptionForeImage(const std::wstring& image) {
    AssignImage(m_sOptionForeImage, image);
}

void COptionUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    const std::wstring name = pstrName;
    if (name == L"group")
        SetGroup(pstrValue);
    else if (name == L"selected")
        Selected(ParseSkinBool(pstrValue));
    else if (name == L"selectedimage")
        SetSelectedImage(pstrValue);
    else if (name == L"selectedhotimage")
        SetSelectedHotImage(pstrValue);
    else if (name == L"foreimage")
        SetOptionForeImage(pstrValue);
    else if (name == L"selectedbkcolor")
        m_dwSelectedBkColor = ParseSkinColor(pstrValue);
    else if (name == L"selectedtextcolor")
        m_dwSelectedTextColor = ParseSkinColor(pstrValue);
    else if (name == L"selectedfont")
        m_iSelectedFont = ParseSkinInt(pstrValue);
    else
        CButtonUI::SetAttribute(pstrName, pstrValue);
}

void COptionUI::AddRestingImages(std::vector<std::wstring>& images) const {
    CButtonUI::AddRestingImages(images);
    for (const std::wstring* image : {&m_sSelectedImage, &m_sOptionForeImage}) {
        if (!image->empty())
            images.push_back(*image);
    }
}

void COptionUI::PaintStatusImage(HDC hDC) {
    // An option has no pushed look.
    m_uButtonState &= ~kStatePushed;
    bool selectedShown = false;
    if ((m_uButtonState & kStateHot) != 0 && m_bSelected && !m_sSelectedHotImage.empty()) {
        selectedShown = DrawStateImage(hDC, m_sSelectedHotImage);
    } else if (m_bSelected) {
        if (!m_sSelectedImage.empty()) {
            selectedShown = DrawStateImage(hDC, m_sSelectedImage);
        } else if (PaintStateColor(hDC, m_dwSelectedBkColor)) {
            return;
        }
    }
    if (!selectedShown)
        CButtonUI::PaintStatusImage(hDC);
    DrawStateImage(hDC, m_sOptionForeImage);
}

DWORD COptionUI::GetStateTextColor() const {
    if (!m_bSelected)
        return CButtonUI::GetStateTextColor();
    if (!IsEnabled())
        return m_dwDisabledTextColor;
    return m_dwSelectedTextColor != 0 ? m_dwSelectedTextColor : m_dwTextColor;
}

int COptionUI::GetStateFont() const {
    if (!m_bSelected)
        return CButtonUI::GetStateFont();
    return m_iSelectedFont != -1 ? m_iSelectedFont : m_iFont;
}

}  // namespace SkinUI
