#pragma once
// Turns one skin document into a tree of controls for a paint manager: applies the Window element's
// settings, registers the skin's fonts, images and default attribute lists, creates a control per
// element (element table, then the callback) and feeds it the element's attributes. One builder per
// build. UI thread only.
#include <windows.h>

#include "ui/core/SkinXml.h"

namespace SkinUI {

class CControlUI;
class CPaintManagerUI;
class IDialogBuilderCallback;

class CSkinBuilder {
public:
    CSkinBuilder() = default;
    CSkinBuilder(const CSkinBuilder&) = delete;
    CSkinBuilder& operator=(const CSkinBuilder&) = delete;

    // `xml` is a resource id (MAKEINTRESOURCE) of resource type `type`, XML text starting with '<',
    // or a skin file name read from the current skin resource location. Returns the first top-level
    // control, owned by the caller until it is attached to the manager, or null.
    CControlUI* Create(LPCWSTR xml,
                       LPCWSTR type = nullptr,
                       IDialogBuilderCallback* pCallback = nullptr,
                       CPaintManagerUI* pManager = nullptr,
                       CControlUI* pParent = nullptr);
    // Builds from the document already loaded into GetMarkup().
    CControlUI* Create(IDialogBuilderCallback* pCallback = nullptr,
                       CPaintManagerUI* pManager = nullptr,
                       CControlUI* pParent = nullptr);

    CSkinXml* GetMarkup() { return &m_xml; }
    void GetLastErrorMessage(LPWSTR pstrMessage, SIZE_T cchMax) const;
    void GetLastErrorLocation(LPWSTR pstrSource, SIZE_T cchMax) const;

    // How deep Include elements may nest; a skin that includes itself stops there.
    static constexpr int kMaxIncludeDepth = 16;
    // How many documents one build may include in all, whatever the counts and nesting.
    static constexpr int kMaxIncludes = 256;

private:
    bool Load(LPCWSTR xml, LPCWSTR type);
    void RegisterResources(CPaintManagerUI* pManager);
    void ApplyWindowAttributes(CPaintManagerUI* pManager);
    CControlUI* Parse(const CSkinXmlNode& parent, CControlUI* pParent, CPaintManagerUI* pManager);
    // Builds the included documents; returns the first control built when there is no parent to
    // hold them (the caller owns it), else null.
    CControlUI* Include(const CSkinXmlNode& node, CControlUI* pParent, CPaintManagerUI* pManager);
    CControlUI* CreateControl(LPCWSTR pstrClass);
    // Remembers the first control of a level; without a parent, every later one is freed.
    static void KeepFirst(CControlUI* pControl, CControlUI* pParent, CControlUI*& pFirst);

    CSkinXml m_xml;
    IDialogBuilderCallback* m_pCallback = nullptr;
    LPCWSTR m_pstrType = nullptr;
    int m_includeDepth = 0;
    int m_includesLeft = kMaxIncludes;
    // The top-level builder's budget, shared by every nested builder.
    int* m_pIncludesLeft = &m_includesLeft;
};

}  // namespace SkinUI
