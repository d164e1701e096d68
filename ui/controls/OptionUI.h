#pragma once
// A button with a selected state. Options that share a group name in one window form a group in
// which selecting one deselects the others; an option outside any group toggles. Sends
// "selectchanged". An option always leaves the group table it joined when it dies or changes group.
// UI thread only.
#include <windows.h>

#include <string>

#include "ui/controls/ButtonUI.h"

namespace SkinUI {

class COptionUI : public CButtonUI {
public:
    COptionUI() = default;
    ~COptionUI() override;

    LPCWSTR GetClass() const override;
    LPVOID GetInterface(LPCWSTR pstrName) override;
    void SetManager(CPaintManagerUI* pManager, CControlUI* pParent, bool bInit = true) override;
    bool Activate() override;
    void SetEnabled(bool bEnable = true) override;
    void SetAttribute(LPCWSTR pstrName, LPCWSTR pstrValue) override;
    void PaintStatusImage(HDC hDC) override;
    void AddRestingImages(std::vector<std::wstring>& images) const override;
    virtual void Selected(bool bSelected);

    bool IsSelected() const { return m_bSelected; }
    const std::wstring& GetGroup() const { return m_sGroupName; }
    // Null empties the group name.
    void SetGroup(LPCWSTR pStrGroupName);

    const std::wstring& GetSelectedImage() const { return m_sSelectedImage; }
    void SetSelectedImage(const std::wstring& image);
    const std::wstring& GetSelectedHotImage() const { return m_sSelectedHotImage; }
    void SetSelectedHotImage(const std::wstring& image);
    const std::wstring& GetOptionForeImage() const { return m_sOptionForeImage; }
    void SetOptionForeImage(const std::wstring& image);
    DWORD GetSelectedBkColor() const { return m_dwSelectedBkColor; }
    void SetSelectedBkColor(DWORD dwColor) { m_dwSelectedBkColor = dwColor; }
    DWORD GetSelectedTextColor() const { return m_dwSelectedTextColor; }
    void SetSelectedTextColor(DWORD dwColor) { m_dwSelectedTextColor = dwColor; }
    int GetSelectedFont() const { return m_iSelectedFont; }
    void SetSelectedFont(int index) { m_iSelectedFont = index; }

    DWORD GetAccState() const override;
    std::wstring GetAccDefaultAction() const override;

protected:
    long GetAccDefaultRole() const override;
    // Selected, the option's own colour and font stand for every other state.
    DWORD GetStateTextColor() const override;
    int GetStateFont() const override;

private:
    // Registers in the manager's table under the current group name (once).
    void JoinGroup(CPaintManagerUI* pManager);
    // Leaves the table joined last, whichever manager this option is attached to now.
    void LeaveGroup();

    bool m_bSelected = false;
    std::wstring m_sGroupName;
    // The manager whose group table lists this option under m_sJoinedGroup, or null.
    CPaintManagerUI* m_pGroupManager = nullptr;
    std::wstring m_sJoinedGroup;
    int m_iSelectedFont = -1;
    DWORD m_dwSelectedBkColor = 0;
    DWORD m_dwSelectedTextColor = 0;
    std::wstring m_sSelectedImage;
    std::wstring m_sSelectedHotImage;
    std::wstring m_sOptionForeImage;
};

}  // namespace SkinUI
