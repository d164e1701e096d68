// CSkinBuilder: loading, window settings, registrations and the element walk.
#include "ui/core/SkinBuilder.h"

#include <cwchar>
#include <string>

#include "ui/core/ContainerInterfaceUI.h"
#include "ui/core/ControlFactory.h"
#include "ui/core/ControlUI.h"
#include "ui/core/DialogBuilderCallback.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/SkinText.h"

namespace SkinUI {

namespace {

constexpr int kDefaultFontSize = 12;

bool IsRegistration(LPCWSTR name) {
    return wcscmp(name, L"Image") == 0 || wcscmp(name, L"Font") == 0 || wcscmp(name, L"Default") == 0;
}

}  // namespace

CControlUI* CSkinBuilder::Create(LPCWSTR xml,
                                 LPCWSTR type,
                                 IDialogBuilderCallback* pCallback,
                                 CPaintManagerUI* pManager,
                                 CControlUI* pParent) {
    if (!Load(xml, type))
        return nullptr;
    return Create(pCallback, pManager, pParent);
}

bool CSkinBuilder::Load(LPCWSTR xml, LPCWSTR type) {
    if (xml == nullptr)
        return false;
    if (IS_INTRESOURCE(xml)) {
        m_pstrType = type;
        if (type == nullptr)
            return false;
        HINSTANCE instance = CPaintManagerUI::GetResourceDll();
        HRSRC resource = ::FindResourceW(instance, xml, type);
        if (resource == nullptr)
            return false;
        HGLOBAL loaded = ::LoadResource(instance, resource);
        if (loaded == nullptr)
            return false;
        const auto* bytes = static_cast<const BYTE*>(::LockResource(loaded));
        const DWORD size = ::SizeofResource(instance, resource);
        const bool ok = bytes != nullptr && m_xml.LoadFromMem(bytes, size);
        ::FreeResource(loaded);
        return ok;
    }
    m_pstrType = nullptr;
    if (*xml == L'<')
        return m_xml.Load(xml);
    return m_xml.LoadFromFile(xml);
}

CControlUI* CSkinBuilder::Create(IDialogBuilderCallback* pCallback,
                                 CPaintManagerUI* pManager,
                                 CControlUI* pParent) {
    m_pCallback = pCallback;
    const CSkinXmlNode root = m_xml.GetRoot();
    if (!root.IsValid())
        return nullptr;
    if (pManager != nullptr) {
        RegisterResources(pManager);
        if (wcscmp(root.GetName(), L"Window") == 0 && pManager->GetPaintWindow() != nullptr)
            ApplyWindowAttributes(pManager);
    }
    return Parse(root, pParent, pManager);
}

void CSkinBuilder::RegisterResources(CPaintManagerUI* pManager) {
    const CSkinXmlNode root = m_xml.GetRoot();
    for (CSkinXmlNode node = root.GetChild(); node.IsValid(); node = node.GetSibling()) {
        const LPCWSTR name = node.GetName();
        if (wcscmp(name, L"Image") == 0) {
            if (!node.HasAttribute(L"name"))
                continue;
            const LPCWSTR type = node.HasAttribute(L"restype") ? node.GetAttributeValue(L"restype") : nullptr;
            const DWORD mask =
                node.HasAttribute(L"mask") ? ParseSkinColor(node.GetAttributeValue(L"mask")) : 0;
            pManager->AddImage(node.GetAttributeValue(L"name"), type, mask);
        } else if (wcscmp(name, L"Font") == 0) {
            if (!node.HasAttribute(L"name"))
                continue;
            const LPCWSTR face = node.GetAttributeValue(L"name");
            const int size =
                node.HasAttribute(L"size") ? ParseSkinInt(node.GetAttributeValue(L"size")) : kDefaultFontSize;
            const bool bold = ParseSkinBool(node.GetAttributeValue(L"bold"));
            const bool underline = ParseSkinBool(node.GetAttributeValue(L"underline"));
            const bool italic = ParseSkinBool(node.GetAttributeValue(L"italic"));
            pManager->AddFont(face, size, bold, underline, italic);
            if (ParseSkinBool(node.GetAttributeValue(L"default")))
                pManager->SetDefaultFont(face, size, bold, underline, italic);
        } else if (wcscmp(name, L"Default") == 0) {
            if (node.HasAttribute(L"name") && node.HasAttribute(L"value"))
                pManager->AddDefaultAttributeList(node.GetAttributeValue(L"name"),
                                                  node.GetAttributeValue(L"value"));
        }
    }
}

void CSkinBuilder::ApplyWindowAttributes(CPaintManagerUI* pManager) {
    const CSkinXmlNode root = m_xml.GetRoot();
    const int count = root.GetAttributeCount();
    for (int i = 0; i < count; ++i) {
        const std::wstring name = root.GetAttributeName(i);
        const LPCWSTR value = root.GetAttributeValue(i);
        if (name == L"size") {
            const SIZE size = ParseSkinSize(value);
            pManager->SetInitSize(0, 0, size.cx, size.cy);
        } else if (name == L"sizebox") {
            pManager->SetSizeBox(ParseSkinRect(value));
        } else if (name == L"caption") {
            pManager->SetCaptionRect(ParseSkinRect(value));
        } else if (name == L"roundcorner") {
            const SIZE size = ParseSkinSize(value);
            pManager->SetRoundCorner(size.cx, size.cy);
        } else if (name == L"shadowcorner") {
            const SIZE size = ParseSkinSize(value);
            pManager->SetShadowCorner(size.cx, size.cy);
        } else if (name == L"mininfo") {
            const SIZE size = ParseSkinSize(value);
            pManager->SetMinInfo(size.cx, size.cy);
        } else if (name == L"maxinfo") {
            const SIZE size = ParseSkinSize(value);
            pManager->SetMaxInfo(size.cx, size.cy);
        } else if (name == L"sizegrip") {
            pManager->SetGripSize(ParseSkinSize(value));
        } else if (name == L"showdirty") {
            pManager->SetShowUpdateRect(ParseSkinBool(value));
        } else if (name == L"alpha") {
            pManager->SetTransparent(ParseSkinInt(value));
        } else if (name == L"bktrans") {
            pManager->SetBackgroundTransparent(ParseSkinBool(value));
        } else if (name == L"shadow") {
            pManager->SetShadow(ParseSkinBool(value));
        } else if (name == L"selfshadow") {
            pManager->SetSelfShadow(ParseSkinBool(value));
        } else if (name == L"shadowborder") {
            pManager->SetShadowBorder(ParseSkinRect(value));
        } else if (name == L"shadowimage") {
            pManager->SetShadowImage(value);
        } else if (name == L"disabledfontcolor") {
            pManager->SetDefaultDisabledColor(ParseSkinColor(value));
        } else if (name == L"defaultfontcolor") {
            pManager->SetDefaultFontColor(ParseSkinColor(value));
        } else if (name == L"linkfontcolor") {
            pManager->SetDefaultLinkFontColor(ParseSkinColor(value));
        } else if (name == L"linkhoverfontcolor") {
            pManager->SetDefaultLinkHoverFontColor(ParseSkinColor(value));
        } else if (name == L"selectedcolor") {
            pManager->SetDefaultSelectedBkColor(ParseSkinColor(value));
        }
    }
}

CControlUI* CSkinBuilder::Include(const CSkinXmlNode& node, CControlUI* pParent, CPaintManagerUI* pManager) {
    if (!node.HasAttributes() || !node.HasAttribute(L"source"))
        return nullptr;
    // A skin that includes itself, directly or through others, would otherwise recurse without end.
    if (m_includeDepth + 1 >= kMaxIncludeDepth)
        return nullptr;
    const int count = node.HasAttribute(L"count") ? ParseSkinInt(node.GetAttributeValue(L"count")) : 1;
    const LPCWSTR source = node.GetAttributeValue(L"source");
    CControlUI* pFirst = nullptr;
    // The budget is shared by the whole build, so nested counts cannot multiply one another.
    for (int i = 0; i < count; ++i) {
        int& includesLeft = *m_pIncludesLeft;
        if (includesLeft == 0)
            break;
        --includesLeft;
        CSkinBuilder nested;
        nested.m_includeDepth = m_includeDepth + 1;
        nested.m_pIncludesLeft = m_pIncludesLeft;
        CControlUI* pBuilt = m_pstrType != nullptr
                                 ? nested.Create(MAKEINTRESOURCEW(ParseSkinInt(source)), m_pstrType, m_pCallback,
                                                 pManager, pParent)
                                 : nested.Create(source, nullptr, m_pCallback, pManager, pParent);
        KeepFirst(pBuilt, pParent, pFirst);
    }
    // With a parent the nested builds added their controls there.
    return pParent == nullptr ? pFirst : nullptr;
}

CControlUI* CSkinBuilder::CreateControl(LPCWSTR pstrClass) {
    if (CControlUI* control = CControlFactory::Create(pstrClass))
        return control;
    return m_pCallback != nullptr ? m_pCallback->CreateControl(pstrClass) : nullptr;
}

CControlUI* CSkinBuilder::Parse(const CSkinXmlNode& parent, CControlUI* pParent, CPaintManagerUI* pManager) {
    IContainerUI* pContainer = nullptr;
    CControlUI* pFirst = nullptr;
    for (CSkinXmlNode node = parent.GetChild(); node.IsValid(); node = node.GetSibling()) {
        const LPCWSTR pstrClass = node.GetName();
        if (IsRegistration(pstrClass))
            continue;
        if (wcscmp(pstrClass, L"Include") == 0) {
            KeepFirst(Include(node, pParent, pManager), pParent, pFirst);
            continue;
        }
        CControlUI* pControl = CreateControl(pstrClass);
        if (pControl == nullptr)
            continue;

        // Children first, so that a container holds them before its own attributes apply.
        if (node.HasChildren())
            Parse(node, pControl, pManager);

        if (pParent != nullptr) {
            if (pContainer == nullptr)
                pContainer = static_cast<IContainerUI*>(pParent->GetInterface(L"IContainer"));
            if (pContainer == nullptr) {
                delete pControl;
                return nullptr;
            }
            if (!pContainer->Add(pControl)) {
                delete pControl;
                continue;
            }
        }

        // The manager is attached only while the attributes apply (fonts, images, option groups);
        // AttachRoot attaches the finished tree for real.
        if (pManager != nullptr) {
            pControl->SetManager(pManager, nullptr, false);
            if (LPCWSTR defaults = pManager->GetDefaultAttributeList(pstrClass))
                pControl->ApplyAttributeList(defaults);
        }
        const int count = node.GetAttributeCount();
        for (int i = 0; i < count; ++i)
            pControl->SetAttribute(node.GetAttributeName(i), node.GetAttributeValue(i));
        if (pManager != nullptr)
            pControl->SetManager(nullptr, nullptr, false);

        KeepFirst(pControl, pParent, pFirst);
    }
    return pFirst;
}

void CSkinBuilder::KeepFirst(CControlUI* pControl, CControlUI* pParent, CControlUI*& pFirst) {
    if (pControl == nullptr)
        return;
    if (pFirst == nullptr)
        pFirst = pControl;
    else if (pParent == nullptr)
        delete pControl;  // only the first top-level control is returned; no one else could free it
}

void CSkinBuilder::GetLastErrorMessage(LPWSTR pstrMessage, SIZE_T cchMax) const {
    m_xml.GetLastErrorMessage(pstrMessage, cchMax);
}

void CSkinBuilder::GetLastErrorLocation(LPWSTR pstrSource, SIZE_T cchMax) const {
    m_xml.GetLastErrorLocation(pstrSource, cchMax);
}

}  // namespace SkinUI
