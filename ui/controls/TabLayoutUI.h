#pragma once
// Shows exactly one child (a page) at a time and announces page changes with "tabselect".
// UI thread only.
#include "ui/controls/ContainerUI.h"

namespace SkinUI {

class CTabLayoutUI : public CContainerUI {
public:
    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;

    bool Add(CControlUI* pControl) override;
    bool AddAt(CControlUI* pControl, int iIndex) override;
    bool Remove(CControlUI* pControl) override;
    void RemoveAll() override;

    int GetCurSel() const { return m_iCurSel; }
    // False for an index past the last page.
    bool SelectItem(int iIndex);

    void SetPos(RECT rc) override;
    void SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;

private:
    int m_iCurSel = -1;
};

}  // namespace SkinUI
