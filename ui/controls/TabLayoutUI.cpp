#include "ui/controls/TabLayoutUI.h"

#include <algorithm>

#include "ui/core/PaintManagerUI.h"
#include "ui/core/SkinText.h"

namespace SkinUI {

LPCWSTR CTabLayoutUI::GetClass() const {
    return L"TabLayoutUI";
}

LPVOID CTabLayoutUI::GetInterface(LPCWSTR pstrName) {
    if (wcscmp(pstrName, L"TabLayout") == 0)
        return static_cast<CTabLayoutUI*>(this);
    return CContainerUI::GetInterface(pstrName);
}

bool CTabLayoutUI::Add(CControlUI* pControl) {
    if (!CContainerUI::Add(pControl))
        return false;
    if (m_iCurSel == -1 && pControl->IsVisible())
        m_iCurSel = GetItemIndex(pControl);
    else
        pControl->SetVisible(false);
    return true;
}

bool CTabLayoutUI::AddAt(CControlUI* pControl, int iIndex) {
    if (!CContainerUI::AddAt(pControl, iIndex))
        return false;
    if (m_iCurSel == -1 && pControl->IsVisible())
        m_iCurSel = GetItemIndex(pControl);
    else if (m_iCurSel != -1 && iIndex <= m_iCurSel)
        ++m_iCurSel;
    for (int i = 0; i < GetCount(); ++i) {
        if (i != m_iCurSel)
            m_items[i]->SetVisible(false);
    }
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* pControl) {
    const int index = GetItemIndex(pControl);
    if (!CContainerUI::Remove(pControl))
        return false;
    if (m_iCurSel == index) {
        if (GetCount() > 0) {
            m_iCurSel = 0;
            m_items[0]->SetVisible(true);
        } else {
            m_iCurSel = -1;
        }
        NeedParentUpdate();
    } else if (m_iCurSel > index) {
        --m_iCurSel;
    }
    return true;
}

void CTabLayoutUI::RemoveAll() {
    m_iCurSel = -1;
    CContainerUI::RemoveAll();
    NeedParentUpdate();
}

bool CTabLayoutUI::SelectItem(int iIndex) {
    if (iIndex < 0 || iIndex >= GetCount())
        return false;
    if (iIndex == m_iCurSel)
        return true;
    const int oldSel = m_iCurSel;
    m_iCurSel = iIndex;
    for (int i = 0; i < GetCount(); ++i) {
        if (i == iIndex) {
            m_items[i]->SetVisible(true);
            m_items[i]->SetFocus();
            SetPos(m_rcItem);
        } else {
            m_items[i]->SetVisible(false);
        }
    }
    NeedParentUpdate();
    if (m_pManager != nullptr) {
        m_pManager->SetNextTabControl();
        m_pManager->SendNotify(this, L"tabselect", m_iCurSel, oldSel);
    }
    return true;
}

void CTabLayoutUI::SetPos(RECT rc) {
    CControlUI::SetPos(rc);
    const RECT rcInset = GetInsetRect();
    PlaceChildren([&](int i, CControlUI* pControl) {
        if (i != m_iCurSel)
            return;
        const RECT padding = pControl->GetPadding();
        const RECT area = {rcInset.left + padding.left, rcInset.top + padding.top,
                           rcInset.right - padding.right, rcInset.bottom - padding.bottom};
        const SIZE szAvailable = {std::max(0L, area.right - area.left), std::max(0L, area.bottom - area.top)};
        SIZE sz = pControl->EstimateSize(szAvailable);
        if (sz.cx == 0)
            sz.cx = szAvailable.cx;
        if (sz.cy == 0)
            sz.cy = szAvailable.cy;
        sz.cx = std::min(std::max(sz.cx, static_cast<LONG>(pControl->GetMinWidth())),
                         static_cast<LONG>(pControl->GetMaxWidth()));
        sz.cy = std::min(std::max(sz.cy, static_cast<LONG>(pControl->GetMinHeight())),
                         static_cast<LONG>(pControl->GetMaxHeight()));
        pControl->SetPos(RECT{area.left, area.top, area.left + sz.cx, area.top + sz.cy});
    });
}

void CTabLayoutUI::SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) {
    if (wcscmp(pstrName, L"selectedid") == 0) {
        const int index = ParseSkinInt(pstrValue);
        if (index >= 0)
            SelectItem(index);
    }
    CContainerUI::SetAttribute(pstrName, pstrValue);
}

}  // namespace SkinUI
