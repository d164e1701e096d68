// CPaintManagerUI: fonts, images, default attribute lists, option groups, colours, window look.
#include <algorithm>
#include <cwctype>

#include "ui/core/ImagePrefetch.h"
#include "ui/core/ImageScaler.h"
#include "ui/core/PaintManagerUI.h"
#include "ui/core/SkinText.h"

namespace SkinUI {

namespace {

constexpr LONG kBoldWeightStep = FW_BOLD;
constexpr LONG kBoldThreshold = 699;
// Above 125 % a double-size picture, where the skin has one, gives a sharper result than enlarging.
constexpr UINT kDoubleSizeFromDpi = 121;

// "close.png" -> "close@2x.png".
std::wstring DoubleSizeName(const std::wstring& name) {
    const size_t dot = name.rfind(L'.');
    const size_t stem = dot == std::wstring::npos ? name.size() : dot;
    return name.substr(0, stem) + L"@2x" + name.substr(stem);
}

}  // namespace

std::unique_ptr<TFontInfo> CPaintManagerUI::CreateSkinFont(LPCWSTR pStrFontName,
                                                           int nSize,
                                                           bool bBold,
                                                           bool bUnderline,
                                                           bool bItalic) const {
    LOGFONTW lf = {};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lf.lfCharSet = DEFAULT_CHARSET;
    auto info = std::make_unique<TFontInfo>();
    if (pStrFontName == nullptr) {
        // The default font: the GUI font as the system has it.
        info->size = -lf.lfHeight;
        info->bold = lf.lfWeight > kBoldThreshold;
        info->underline = lf.lfUnderline != 0;
        info->italic = lf.lfItalic != 0;
    } else {
        lstrcpynW(lf.lfFaceName, pStrFontName, LF_FACESIZE);
        // Sizes are written for 96 DPI; the font itself is made at the window's scale so that text is
        // drawn sharp rather than stretched.
        lf.lfHeight = -m_scale.Scale(nSize);
        if (bBold)
            lf.lfWeight += kBoldWeightStep;
        lf.lfUnderline = bUnderline ? TRUE : FALSE;
        lf.lfItalic = bItalic ? TRUE : FALSE;
        info->size = nSize;
        info->bold = bBold;
        info->underline = bUnderline;
        info->italic = bItalic;
    }
    info->hFont = ::CreateFontIndirectW(&lf);
    if (info->hFont == nullptr)
        return nullptr;
    info->faceName = lf.lfFaceName;
    if (m_hDcPaint != nullptr)
        Measured(info.get());
    return info;
}

TFontInfo* CPaintManagerUI::Measured(TFontInfo* pFontInfo) const {
    if (pFontInfo == nullptr || pFontInfo->measured)
        return pFontInfo;
    HDC hDC = m_hDcPaint != nullptr ? m_hDcPaint : ::GetDC(nullptr);
    HGDIOBJ hOld = ::SelectObject(hDC, pFontInfo->hFont);
    ::GetTextMetricsW(hDC, &pFontInfo->tm);
    ::SelectObject(hDC, hOld);
    if (hDC != m_hDcPaint)
        ::ReleaseDC(nullptr, hDC);
    pFontInfo->measured = true;
    return pFontInfo;
}

HFONT CPaintManagerUI::AddFont(LPCWSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic) {
    auto info =
        CreateSkinFont(pStrFontName != nullptr ? pStrFontName : L"", nSize, bBold, bUnderline, bItalic);
    if (!info)
        return nullptr;
    HFONT hFont = info->hFont;
    m_aCustomFonts.push_back(std::move(info));
    return hFont;
}

void CPaintManagerUI::SetDefaultFont(LPCWSTR pStrFontName,
                                     int nSize,
                                     bool bBold,
                                     bool bUnderline,
                                     bool bItalic) {
    auto info =
        CreateSkinFont(pStrFontName != nullptr ? pStrFontName : L"", nSize, bBold, bUnderline, bItalic);
    if (info) {
        m_pDefaultFont = std::move(info);
        m_bSkinDefaultFont = true;
    }
}

void CPaintManagerUI::SetDpi(UINT dpi) {
    const CDpiScale scale(dpi);
    if (scale.Dpi() == m_scale.Dpi())
        return;
    m_scale = scale;
    for (auto& font : m_aCustomFonts) {
        auto remade = CreateSkinFont(font->faceName.c_str(), font->size, font->bold, font->underline, font->italic);
        if (remade)
            font = std::move(remade);
    }
    // The system's GUI font already follows the system scale.
    if (m_bSkinDefaultFont) {
        const TFontInfo& old = *m_pDefaultFont;
        auto remade = CreateSkinFont(old.faceName.c_str(), old.size, old.bold, old.underline, old.italic);
        if (remade)
            m_pDefaultFont = std::move(remade);
    }
    // Images resampled ahead were made for the old scale: taken over first, they go with the rest.
    AdoptPrefetchedImages();
    m_mScaledImageHash.RemoveAll();
    m_aScaledImages.clear();
    if (m_pRoot != nullptr)
        m_pRoot->NeedUpdate();
    m_bUpdateNeeded = true;
    if (m_hWndPaint != nullptr)
        ::InvalidateRect(m_hWndPaint, nullptr, FALSE);
}

HFONT CPaintManagerUI::GetFont(int index) {
    if (index < 0 || index >= GetCustomFontCount())
        return m_pDefaultFont ? m_pDefaultFont->hFont : nullptr;
    return m_aCustomFonts[index]->hFont;
}

HFONT CPaintManagerUI::GetFont(LPCWSTR pStrFontName, int nSize, bool bBold, bool bUnderline, bool bItalic) {
    for (const auto& info : m_aCustomFonts) {
        if (info->faceName == pStrFontName && info->size == nSize && info->bold == bBold &&
            info->underline == bUnderline && info->italic == bItalic) {
            return info->hFont;
        }
    }
    if (m_pParentResourcePM != nullptr)
        return m_pParentResourcePM->GetFont(pStrFontName, nSize, bBold, bUnderline, bItalic);
    return nullptr;
}

TFontInfo* CPaintManagerUI::GetFontInfo(int index) {
    if (index < 0 || index >= GetCustomFontCount())
        return GetDefaultFontInfo();
    return Measured(m_aCustomFonts[index].get());
}

TFontInfo* CPaintManagerUI::GetFontInfo(HFONT hFont) {
    for (const auto& info : m_aCustomFonts) {
        if (info->hFont == hFont)
            return Measured(info.get());
    }
    return GetDefaultFontInfo();
}

TFontInfo* CPaintManagerUI::GetDefaultFontInfo() {
    return Measured(m_pDefaultFont.get());
}

const TImageInfo* CPaintManagerUI::GetImage(LPCWSTR bitmap) {
    AdoptPrefetchedImages();
    return static_cast<const TImageInfo*>(m_mImageHash.Find(bitmap));
}

const TImageInfo* CPaintManagerUI::GetImageEx(LPCWSTR bitmap, LPCWSTR type, DWORD mask) {
    const TImageInfo* pImage = GetImage(bitmap);
    if (pImage == nullptr && AddImage(bitmap, type, mask) != nullptr)
        pImage = GetImage(bitmap);
    return pImage;
}

const TImageInfo* CPaintManagerUI::GetScaledImage(LPCWSTR bitmap, LPCWSTR type, DWORD mask) {
    const TImageInfo* base = GetImageEx(bitmap, type, mask);
    if (base == nullptr || m_scale.IsIdentity())
        return base;
    if (auto* scaled = static_cast<const TImageInfo*>(m_mScaledImageHash.Find(bitmap)))
        return scaled;
    const TImageInfo* picture = base;
    if (m_scale.Dpi() >= kDoubleSizeFromDpi && (type == nullptr || *type == L'\0')) {
        const TImageInfo* twice = GetImageEx(DoubleSizeName(bitmap).c_str(), nullptr, mask);
        if (twice != nullptr)
            picture = twice;
    }
    // Sized from the 96-DPI picture, so that skin coordinates into it scale like every other length.
    auto scaled = CImageScaler::Resample(*picture, m_scale.Scale(base->width), m_scale.Scale(base->height));
    if (!scaled)
        return base;
    m_mScaledImageHash.Insert(bitmap, scaled.get());
    m_aScaledImages.push_back(std::move(scaled));
    return m_aScaledImages.back().get();
}

const TImageInfo* CPaintManagerUI::AddImage(LPCWSTR bitmap, LPCWSTR type, DWORD mask) {
    AdoptPrefetchedImages();
    if (bitmap == nullptr || *bitmap == L'\0' || m_mImageHash.Find(bitmap) != nullptr)
        return nullptr;
    // A name that failed once is not looked up again on every paint; the same name may still be
    // found with another resource type.
    const auto failureKey = std::make_pair(std::wstring(type != nullptr ? type : L""), std::wstring(bitmap));
    if (m_failedImages.count(failureKey) != 0)
        return nullptr;
    std::unique_ptr<TImageInfo> image;
    if (type != nullptr && *type != L'\0') {
        // Resource images are named by their decimal id.
        if (!std::iswdigit(*bitmap))
            return nullptr;
        const int id = ParseSkinInt(bitmap);
        image.reset(CRenderKit::LoadImage(MAKEINTRESOURCEW(id), type, mask));
    } else {
        image.reset(CRenderKit::LoadImage(bitmap, nullptr, mask));
    }
    if (!image) {
        m_failedImages.insert(failureKey);
        return nullptr;
    }
    image->resType = type != nullptr ? type : L"";
    image->mask = mask;
    m_mImageHash.Insert(bitmap, image.get());
    m_aImages.push_back(std::move(image));
    return m_aImages.back().get();
}

CControlUI* CALLBACK CPaintManagerUI::CollectRestingImages(CControlUI* pThis, LPVOID pData) {
    pThis->AddRestingImages(*static_cast<std::vector<std::wstring>*>(pData));
    return nullptr;
}

bool CPaintManagerUI::PrefetchImages(std::function<void()> alongside) {
    if (m_pRoot == nullptr || m_prefetch)
        return false;
    std::vector<std::wstring> strings;
    m_pRoot->FindControl(&CPaintManagerUI::CollectRestingImages, &strings, kFindVisible);
    // The files are read here, since the skin archive is not shared with the worker.
    std::vector<CImagePrefetch::TImage> images;
    for (const auto& string : strings) {
        CRenderKit::ParseImageString({}, string.c_str(), nullptr, [&](const TImageDrawParams& params) {
            const std::wstring& name = params.name;
            if (!params.resType.empty() || name.empty() || m_mImageHash.Find(name.c_str()) != nullptr ||
                std::any_of(images.begin(), images.end(), [&](const auto& image) { return image.name == name; }))
                return;
            CImagePrefetch::TImage image;
            if (!CRenderKit::ReadImageFile(name.c_str(), image.bytes))
                return;
            if (m_scale.Dpi() >= kDoubleSizeFromDpi)
                CRenderKit::ReadImageFile(DoubleSizeName(name).c_str(), image.sharperBytes);
            image.name = name;
            image.mask = params.mask;
            images.push_back(std::move(image));
        });
    }
    auto prefetch = std::make_unique<CImagePrefetch>();
    if (!prefetch->Start(std::move(images), m_scale, std::move(alongside)))
        return false;
    m_prefetch = std::move(prefetch);
    return true;
}

void CPaintManagerUI::AdoptPrefetchedImages() {
    if (!m_prefetch)
        return;
    auto prefetch = std::move(m_prefetch);
    for (auto& done : prefetch->Finish()) {
        // A name that fails here takes the usual road at its first paint, which records the failure.
        if (!done.image || m_mImageHash.Find(done.name.c_str()) != nullptr)
            continue;
        done.image->mask = done.mask;
        m_mImageHash.Insert(done.name.c_str(), done.image.get());
        m_aImages.push_back(std::move(done.image));
        // Made for m_scale: SetDpi takes the images over before it drops the resampled ones.
        if (done.scaled) {
            done.scaled->mask = done.mask;
            m_mScaledImageHash.Insert(done.name.c_str(), done.scaled.get());
            m_aScaledImages.push_back(std::move(done.scaled));
        }
    }
}

void CPaintManagerUI::AddDefaultAttributeList(LPCWSTR pStrControlName, LPCWSTR pStrControlAttrList) {
    if (pStrControlName == nullptr || m_mDefaultAttrHash.Find(pStrControlName) != nullptr)
        return;
    auto list = std::make_unique<std::wstring>(pStrControlAttrList != nullptr ? pStrControlAttrList : L"");
    m_mDefaultAttrHash.Insert(pStrControlName, list.get());
    m_aDefaultAttrLists.push_back(std::move(list));
}

LPCWSTR CPaintManagerUI::GetDefaultAttributeList(LPCWSTR pStrControlName) const {
    auto* list = static_cast<const std::wstring*>(m_mDefaultAttrHash.Find(pStrControlName));
    if (list != nullptr)
        return list->c_str();
    if (m_pParentResourcePM != nullptr)
        return m_pParentResourcePM->GetDefaultAttributeList(pStrControlName);
    return nullptr;
}

bool CPaintManagerUI::AddOptionGroup(LPCWSTR pStrGroupName, CControlUI* pControl) {
    auto* group = static_cast<CPointerArray*>(m_mOptionGroup.Find(pStrGroupName));
    if (group == nullptr) {
        auto created = std::make_unique<CPointerArray>();
        group = created.get();
        m_mOptionGroup.Insert(pStrGroupName, group);
        m_aOptionGroups.push_back(std::move(created));
    }
    if (group->Find(pControl) >= 0)
        return false;
    group->Add(pControl);
    return true;
}

CPointerArray* CPaintManagerUI::GetOptionGroup(LPCWSTR pStrGroupName) {
    return static_cast<CPointerArray*>(m_mOptionGroup.Find(pStrGroupName));
}

void CPaintManagerUI::RemoveOptionGroup(LPCWSTR pStrGroupName, CControlUI* pControl) {
    auto* group = static_cast<CPointerArray*>(m_mOptionGroup.Find(pStrGroupName));
    if (group == nullptr)
        return;
    int index = group->Find(pControl);
    if (index >= 0)
        group->Remove(index);
    if (!group->IsEmpty())
        return;
    m_mOptionGroup.Remove(pStrGroupName);
    for (auto it = m_aOptionGroups.begin(); it != m_aOptionGroups.end(); ++it) {
        if (it->get() == group) {
            m_aOptionGroups.erase(it);
            break;
        }
    }
}

const CPaintManagerUI* CPaintManagerUI::TopResourceManager() const {
    const CPaintManagerUI* pManager = this;
    while (pManager->m_pParentResourcePM != nullptr)
        pManager = pManager->m_pParentResourcePM;
    return pManager;
}

DWORD CPaintManagerUI::GetDefaultDisabledColor() const {
    return TopResourceManager()->m_dwDefaultDisabledColor;
}

DWORD CPaintManagerUI::GetDefaultFontColor() const {
    return TopResourceManager()->m_dwDefaultFontColor;
}

DWORD CPaintManagerUI::GetDefaultLinkFontColor() const {
    return TopResourceManager()->m_dwDefaultLinkFontColor;
}

DWORD CPaintManagerUI::GetDefaultLinkHoverFontColor() const {
    return TopResourceManager()->m_dwDefaultLinkHoverFontColor;
}

DWORD CPaintManagerUI::GetDefaultSelectedBkColor() const {
    return TopResourceManager()->m_dwDefaultSelectedBkColor;
}

void CPaintManagerUI::SetInitSize(int x, int y, int cx, int cy) {
    const RECT rcZero = {0, 0, 0, 0};
    if (!::EqualRect(&m_rcInitSize, &rcZero))
        return;
    m_rcInitSize = RECT{x, y, x + cx, y + cy};
    if (m_pRoot == nullptr && m_hWndPaint != nullptr) {
        ::SetWindowPos(m_hWndPaint, nullptr, 0, 0, m_scale.Scale(cx), m_scale.Scale(cy),
                       SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    }
}

void CPaintManagerUI::SetTransparent(int nOpacity) {
    m_nOpacity = nOpacity;
    if (m_hWndPaint == nullptr)
        return;
    LONG exStyle = ::GetWindowLongW(m_hWndPaint, GWL_EXSTYLE);
    if (nOpacity > 255) {
        ::SetWindowLongW(m_hWndPaint, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
        return;
    }
    ::SetWindowLongW(m_hWndPaint, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(m_hWndPaint, 0, static_cast<BYTE>(nOpacity < 0 ? 0 : nOpacity), LWA_ALPHA);
}

}  // namespace SkinUI
