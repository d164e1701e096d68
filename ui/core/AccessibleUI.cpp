#include "ui/core/AccessibleUI.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <map>
#include <utility>

#include "ui/core/ContainerInterfaceUI.h"
#include "ui/core/ControlUI.h"
#include "ui/core/PaintManagerUI.h"

namespace SkinUI {

const IID kIID_IAccessible = {0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

namespace {

// The registries below are never destroyed: controls of a window that outlives main (a static one)
// report their end from its destructor at exit, after statics made later than it are gone.

// Every object handed out and not yet released, so that a control that goes can disconnect them.
std::vector<CAccessibleUI*>& LiveObjects() {
    static auto* objects = new std::vector<CAccessibleUI*>();
    return *objects;
}

// Event child ids: negative, so that they never mean "the n-th child", and never reused.
struct TEventIds {
    std::map<CControlUI*, LONG> byControl;
    std::map<LONG, CControlUI*> byId;
    LONG next = -1;
};

TEventIds& EventIds() {
    static auto* ids = new TEventIds();
    return *ids;
}

LONG EventIdOf(CControlUI* pControl) {
    TEventIds& ids = EventIds();
    auto it = ids.byControl.find(pControl);
    if (it != ids.byControl.end())
        return it->second;
    const LONG id = ids.next--;
    ids.byControl[pControl] = id;
    ids.byId[id] = pControl;
    return id;
}

// Default actions asked for and not yet run, in order.
std::vector<std::pair<CPaintManagerUI*, CControlUI*>>& PendingActions() {
    static auto* pending = new std::vector<std::pair<CPaintManagerUI*, CControlUI*>>();
    return *pending;
}

HWND WindowOf(const CPaintManagerUI* pManager) {
    return pManager != nullptr ? pManager->GetPaintWindow() : nullptr;
}

// The nearest ancestor in the tree, or null for the client area.
CControlUI* AccessibleParentOf(CControlUI* pControl) {
    for (CControlUI* p = pControl->GetParent(); p != nullptr; p = p->GetParent()) {
        if (p->GetAccRole() != 0)
            return p;
    }
    return nullptr;
}

bool IsVariantSelf(const VARIANT& v) {
    return v.vt == VT_I4 && v.lVal == CHILDID_SELF;
}

POINT CenterOf(const RECT& rc) {
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

// The sibling nearest to `from` that lies wholly in the direction asked for, or null.
CControlUI* SpatialNeighbour(const std::vector<CControlUI*>& siblings, CControlUI* from, long navDir) {
    const RECT& start = from->GetPos();
    const POINT center = CenterOf(start);
    CControlUI* best = nullptr;
    long bestGap = LONG_MAX;
    long bestOffset = LONG_MAX;
    for (CControlUI* candidate : siblings) {
        if (candidate == from)
            continue;
        const RECT& rc = candidate->GetPos();
        const POINT c = CenterOf(rc);
        long gap = 0;
        long offset = 0;
        switch (navDir) {
            case NAVDIR_LEFT:
                gap = start.left - rc.right;
                offset = std::abs(c.y - center.y);
                break;
            case NAVDIR_RIGHT:
                gap = rc.left - start.right;
                offset = std::abs(c.y - center.y);
                break;
            case NAVDIR_UP:
                gap = start.top - rc.bottom;
                offset = std::abs(c.x - center.x);
                break;
            default:
                gap = rc.top - start.bottom;
                offset = std::abs(c.x - center.x);
                break;
        }
        if (gap < 0)
            continue;
        if (offset < bestOffset || (offset == bestOffset && gap < bestGap)) {
            best = candidate;
            bestGap = gap;
            bestOffset = offset;
        }
    }
    return best;
}

}  // namespace

LRESULT CAccessibleUI::AnswerGetObject(CPaintManagerUI* pManager, WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT)
        return 0;
    CAccessibleUI* pObject = Create(pManager, nullptr);
    const LRESULT result = ::LresultFromObject(kIID_IAccessible, wParam, pObject);
    pObject->Release();
    return result;
}

CAccessibleUI* CAccessibleUI::Create(CPaintManagerUI* pManager, CControlUI* pControl) {
    return new CAccessibleUI(pManager, pControl);
}

CAccessibleUI::CAccessibleUI(CPaintManagerUI* pManager, CControlUI* pControl)
    : m_pManager(pManager), m_pControl(pControl) {
    LiveObjects().push_back(this);
}

CAccessibleUI::~CAccessibleUI() {
    auto& live = LiveObjects();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
}

void CAccessibleUI::NotifyEvent(CControlUI* pControl, DWORD event) {
    HWND hWnd = WindowOf(pControl->GetManager());
    if (hWnd == nullptr || pControl->GetAccRole() == 0)
        return;
    ::NotifyWinEvent(event, hWnd, OBJID_CLIENT, EventIdOf(pControl));
}

void CAccessibleUI::NotifySubtree(CControlUI* pControl, DWORD event) {
    if (WindowOf(pControl->GetManager()) == nullptr)
        return;
    if (pControl->GetAccRole() != 0) {
        NotifyEvent(pControl, event);
        return;
    }
    auto* container = static_cast<IContainerUI*>(pControl->GetInterface(L"IContainer"));
    for (int i = 0; container != nullptr && i < container->GetCount(); ++i)
        NotifySubtree(container->GetItemAt(i), event);
}

std::vector<CControlUI*> CAccessibleUI::Children(CControlUI* pParent) {
    std::vector<CControlUI*> children;
    auto* container = static_cast<IContainerUI*>(pParent->GetInterface(L"IContainer"));
    for (int i = 0; container != nullptr && i < container->GetCount(); ++i) {
        CControlUI* pChild = container->GetItemAt(i);
        if (pChild->GetAccRole() != 0) {
            children.push_back(pChild);
        } else if (pChild->IsVisible()) {
            const std::vector<CControlUI*> inner = Children(pChild);
            children.insert(children.end(), inner.begin(), inner.end());
        }
    }
    return children;
}

void CAccessibleUI::RunPendingActions(CPaintManagerUI* pManager) {
    auto& pending = PendingActions();
    // One at a time: an action may open a modal box, close the window or queue more actions.
    for (;;) {
        auto it = std::find_if(pending.begin(), pending.end(),
                               [pManager](const auto& entry) { return entry.first == pManager; });
        if (it == pending.end())
            return;
        CControlUI* pControl = it->second;
        pending.erase(it);
        pControl->Activate();
    }
}

void CAccessibleUI::ControlGone(CControlUI* pControl) {
    for (CAccessibleUI* pObject : LiveObjects()) {
        if (pObject->m_pControl == pControl) {
            pObject->m_pControl = nullptr;
            pObject->m_pManager = nullptr;
        }
    }
    TEventIds& ids = EventIds();
    auto it = ids.byControl.find(pControl);
    if (it != ids.byControl.end()) {
        ids.byId.erase(it->second);
        ids.byControl.erase(it);
    }
    auto& pending = PendingActions();
    pending.erase(std::remove_if(pending.begin(), pending.end(),
                                 [pControl](const auto& entry) { return entry.second == pControl; }),
                  pending.end());
}

void CAccessibleUI::ManagerGone(CPaintManagerUI* pManager) {
    for (CAccessibleUI* pObject : LiveObjects()) {
        if (pObject->m_pManager == pManager) {
            pObject->m_pControl = nullptr;
            pObject->m_pManager = nullptr;
        }
    }
    auto& pending = PendingActions();
    pending.erase(std::remove_if(pending.begin(), pending.end(),
                                 [pManager](const auto& entry) { return entry.first == pManager; }),
                  pending.end());
}

STDMETHODIMP CAccessibleUI::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr)
        return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
        IsEqualIID(riid, kIID_IAccessible)) {
        *ppv = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CAccessibleUI::AddRef() {
    return static_cast<ULONG>(::InterlockedIncrement(&m_cRef));
}

STDMETHODIMP_(ULONG) CAccessibleUI::Release() {
    const LONG count = ::InterlockedDecrement(&m_cRef);
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

STDMETHODIMP CAccessibleUI::GetTypeInfoCount(UINT* pctinfo) {
    if (pctinfo == nullptr)
        return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

STDMETHODIMP CAccessibleUI::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo != nullptr)
        *ppTInfo = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CAccessibleUI::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

STDMETHODIMP CAccessibleUI::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

HRESULT CAccessibleUI::Resolve(const VARIANT& varChild, TNode& node) const {
    if (m_pManager == nullptr)
        return CO_E_OBJNOTCONNECTED;
    if (varChild.vt != VT_I4)
        return E_INVALIDARG;
    const LONG id = varChild.lVal;
    if (id == CHILDID_SELF) {
        node.pControl = m_pControl;
        return S_OK;
    }
    if (id > 0) {
        const std::vector<CControlUI*> children = ChildrenOf(TNode{m_pControl});
        if (static_cast<size_t>(id) > children.size())
            return E_INVALIDARG;
        node.pControl = children[id - 1];
        return S_OK;
    }
    const TEventIds& ids = EventIds();
    auto it = ids.byId.find(id);
    if (it == ids.byId.end() || it->second->GetManager() != m_pManager)
        return E_INVALIDARG;
    node.pControl = it->second;
    return S_OK;
}

std::vector<CControlUI*> CAccessibleUI::ChildrenOf(const TNode& node) const {
    if (node.pControl != nullptr)
        return Children(node.pControl);
    CControlUI* pRoot = m_pManager->GetRoot();
    if (pRoot == nullptr)
        return {};
    if (pRoot->GetAccRole() != 0)
        return {pRoot};
    return Children(pRoot);
}

RECT CAccessibleUI::ScreenRect(const TNode& node) const {
    HWND hWnd = WindowOf(m_pManager);
    RECT rc = {0, 0, 0, 0};
    if (node.pControl != nullptr)
        rc = node.pControl->GetPos();
    else
        ::GetClientRect(hWnd, &rc);
    ::MapWindowPoints(hWnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void CAccessibleUI::PutNode(const TNode& node, VARIANT* pvar) const {
    pvar->vt = VT_DISPATCH;
    pvar->pdispVal = Create(m_pManager, node.pControl);
}

HRESULT CAccessibleUI::PutString(const std::wstring& text, BSTR* pbstr) const {
    if (text.empty()) {
        *pbstr = nullptr;
        return S_FALSE;
    }
    *pbstr = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *pbstr != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CAccessibleUI::get_accParent(IDispatch** ppdispParent) {
    if (ppdispParent == nullptr)
        return E_POINTER;
    *ppdispParent = nullptr;
    if (m_pManager == nullptr)
        return CO_E_OBJNOTCONNECTED;
    if (m_pControl == nullptr) {
        // Above the client area is the window with its frame, which the system describes.
        return ::AccessibleObjectFromWindow(WindowOf(m_pManager), static_cast<DWORD>(OBJID_WINDOW),
                                            IID_IDispatch, reinterpret_cast<void**>(ppdispParent));
    }
    *ppdispParent = Create(m_pManager, AccessibleParentOf(m_pControl));
    return S_OK;
}

STDMETHODIMP CAccessibleUI::get_accChildCount(long* pcountChildren) {
    if (pcountChildren == nullptr)
        return E_POINTER;
    if (m_pManager == nullptr)
        return CO_E_OBJNOTCONNECTED;
    *pcountChildren = static_cast<long>(ChildrenOf(TNode{m_pControl}).size());
    return S_OK;
}

STDMETHODIMP CAccessibleUI::get_accChild(VARIANT varChild, IDispatch** ppdispChild) {
    if (ppdispChild == nullptr)
        return E_POINTER;
    *ppdispChild = nullptr;
    if (IsVariantSelf(varChild))
        return E_INVALIDARG;
    TNode node;
    const HRESULT hr = Resolve(varChild, node);
    if (FAILED(hr))
        return hr;
    *ppdispChild = Create(m_pManager, node.pControl);
    return S_OK;
}

STDMETHODIMP CAccessibleUI::get_accName(VARIANT varChild, BSTR* pszName) {
    if (pszName == nullptr)
        return E_POINTER;
    *pszName = nullptr;
    TNode node;
    const HRESULT hr = Resolve(varChild, node);
    if (FAILED(hr))
        return hr;
    if (node.pControl != nullptr)
        return PutString(node.pControl->GetAccName(), pszName);
    HWND hWnd = WindowOf(m_pManager);
    std::wstring title(static_cast<size_t>(::GetWindowTextLengthW(hWnd)) + 1, L'\0');
    title.resize(static_cast<size_t>(::GetWindowTextW(hWnd, &title[0], static_cast<int>(title.size()))));
    return PutString(title, pszName);
}

STDMETHODIMP CAccessibleUI::get_accValue(VARIANT varChild, BSTR* pszValue) {
    if (pszValue == nullptr)
        return E_POINTER;
    *pszValue = nullptr;
    TNode node;
    const HRESULT hr = Resolve(varChild, node);
    if (FAILED(hr))
        return hr;
    return PutString(node.pControl != nullptr ? node.pControl->GetAccValue() : std::wstring(), pszValue);
}

STDMETHODIMP CAccessibleUI::get_accDescription(VARIANT varChild, BSTR* pszDescription) {
    if (pszDescription == nullptr)
        return E_POINTER;
    *pszDescription = nullptr;
    TNode node;
    const HRESULT hr = Resolve(varChild, node);
    if (FAILED(hr))
        return hr;
    std::wstring tip = node.pControl != nullptr ? node.pControl->GetToolTip() : std::wstring();
    // A tooltip that only repeats the name would be read twice.
    if (node.pControl != nullptr && tip == node.pControl->GetAccName())
        tip.clear();
    return PutString(tip, pszDescription);
}

STDMETHODIMP CAccessibleUI::get_accRole(VARIANT varChild, VARIANT* pvarRole) {
    if (pvarRole == nullptr)
        return E_POINTER;
    ::VariantInit(pvarRole);
    TNode node;
    const HRESULT hr = Resolve(varChild, node);
    if (FAILED(hr))
        return hr;
    pvarRole->vt = VT_I4;
    pvarRole->lVal = node.pControl != nullptr ? node.pControl->GetAccRole() : ROLE_SYSTEM_CLIENT;
    return S_OK;
}

STDMETHODIMP CAccessibleUI::get_accState(VARIANT varChild, VARIANT* pvarState) {
    if (pvarState == nullptr)
        return E_POINTER;
    ::VariantInit(pvarState);
    TNode node;
    const HRESULT hr = Resolve(varChild, node);
    if (FAILED(hr))
        return hr;
    pvarState->vt = VT_I4;
    if (node.pControl != nullptr) {
        pvarState->lVal = static_cast<LONG>(node.pControl->GetAccState());
        return S_OK;
    }
    HWND hWnd = WindowOf(m_pManager);
    LONG state = STATE_SYSTEM_FOCUSABLE;
    if (::GetFocus() == hWnd)
        state |= STATE_SYSTEM_FOCUSED;
    if (!::IsWindowVisible(hWnd))
        state |= STATE_SYSTEM_INVISIBLE;
    pvarState->lVal = state;
    return S_OK;
}

STDMETHODIMP CAccessibleUI::get_accHelp(VARIANT, BSTR* pszHelp) {
    if (pszHelp == nullptr)
        return E_POINTER;
    *pszHelp = nullptr;
    return m_pManager != nullptr ? S_FALSE : CO_E_OBJNOTCONNECTED;
}

STDMETHODIMP CAccessibleUI::get_accHelpTopic(BSTR* pszHelpFile, VARIANT, long* pidTopic) {
    if (pszHelpFile == nullptr || pidTopic == nullptr)
        return E_POINTER;
    *pszHelpFile = nullptr;
    *pidTopic = 0;
    return m_pManager != nullptr ? S_FALSE : CO_E_OBJNOTCONNECTED;
}

STDMETHODIMP CAccessibleUI::get_accKeyboardShortcut(VARIANT varChild, BSTR* pszKeyboardShortcut) {
    if (pszKeyboardShortcut == nullptr)
        return E_POINTER;
    *pszKeyboardShortcut = nullptr;
    TNode node;
    const HRESULT hr = Resolve(varChild, node);
    if (FAILED(hr))
        return hr;
    const WCHAR ch = node.pControl != nullptr ? node.pControl->GetShortcut() : 0;
    return PutString(ch != 0 ? std::wstring(L"Alt+") + ch : std::wstring(), pszKeyboardShortcut);
}

STDMETHODIMP CAccessibleUI::get_accFocus(VARIANT* pvarChild) {
    if (pvarChild == nullptr)
        return E_POINTER;
    ::VariantInit(pvarChild);
    if (m_pManager == nullptr)
        return CO_E_OBJNOTCONNECTED;
    HWND hWnd = WindowOf(m_pManager);
    HWND hFocus = ::GetFocus();
    if (hFocus == nullptr || (hFocus != hWnd && !::IsChild(hWnd, hFocus)))
        return S_FALSE;
    CControlUI* pFocus = m_pManager->GetFocus();
    if (pFocus != nullptr && pFocus->GetAccRole() != 0 && pFocus != m_pControl) {
        if (m_pControl != nullptr)
            return S_FALSE;
        PutNode(TNode{pFocus}, pvarChild);
        return S_OK;
    }
    if (m_pControl != nullptr && pFocus != m_pControl)
        return S_FALSE;
    pvarChild->vt = VT_I4;
    pvarChild->lVal = CHILDID_SELF;
    return S_OK;
}

STDMETHODIMP CAccessibleUI::get_accSelection(VARIANT* pvarChildren) {
    if (pvarChildren == nullptr)
        return E_POINTER;
    ::VariantInit(pvarChildren);
    return m_pManager != nullptr ? S_FALSE : CO_E_OBJNOTCONNECTED;
}

STDMETHODIMP CAccessibleUI::get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction) {
    if (pszDefaultAction == nullptr)
        return E_POINTER;
    *pszDefaultAction = nullptr;
    TNode node;
    const HRESULT hr = Resolve(varChild, node);
    if (FAILED(hr))
        return hr;
    return PutString(node.pControl != nullptr ? node.pControl->GetAccDefaultAction() : std::wstring(),
                     pszDefaultAction);
}

STDMETHODIMP CAccessibleUI::accSelect(long flagsSelect, VARIANT varChild) {
    TNode node;
    const HRESULT hr = Resolve(varChild, node);
    if (FAILED(hr))
        return hr;
    if (flagsSelect != SELFLAG_TAKEFOCUS || node.pControl == nullptr)
        return DISP_E_MEMBERNOTFOUND;
    if ((node.pControl->GetAccState() & STATE_SYSTEM_FOCUSABLE) == 0)
        return S_FALSE;
    node.pControl->SetFocus();
    return S_OK;
}

STDMETHODIMP CAccessibleUI::accLocation(long* pxLeft,
                                        long* pyTop,
                                        long* pcxWidth,
                                        long* pcyHeight,
                                        VARIANT varChild) {
    if (pxLeft == nullptr || pyTop == nullptr || pcxWidth == nullptr || pcyHeight == nullptr)
        return E_POINTER;
    TNode node;
    const HRESULT hr = Resolve(varChild, node);
    if (FAILED(hr))
        return hr;
    const RECT rc = ScreenRect(node);
    *pxLeft = rc.left;
    *pyTop = rc.top;
    *pcxWidth = rc.right - rc.left;
    *pcyHeight = rc.bottom - rc.top;
    return S_OK;
}

STDMETHODIMP CAccessibleUI::accNavigate(long navDir, VARIANT varStart, VARIANT* pvarEndUpAt) {
    if (pvarEndUpAt == nullptr)
        return E_POINTER;
    ::VariantInit(pvarEndUpAt);
    TNode start;
    const HRESULT hr = Resolve(varStart, start);
    if (FAILED(hr))
        return hr;
    if (navDir == NAVDIR_FIRSTCHILD || navDir == NAVDIR_LASTCHILD) {
        if (!IsVariantSelf(varStart))
            return E_INVALIDARG;
        const std::vector<CControlUI*> children = ChildrenOf(start);
        if (children.empty())
            return S_FALSE;
        PutNode(TNode{navDir == NAVDIR_FIRSTCHILD ? children.front() : children.back()}, pvarEndUpAt);
        return S_OK;
    }
    // Among siblings; the client area's own siblings are the frame's business.
    if (start.pControl == nullptr)
        return S_FALSE;
    const std::vector<CControlUI*> siblings = ChildrenOf(TNode{AccessibleParentOf(start.pControl)});
    auto it = std::find(siblings.begin(), siblings.end(), start.pControl);
    if (it == siblings.end())
        return S_FALSE;
    CControlUI* pFound = nullptr;
    switch (navDir) {
        case NAVDIR_NEXT:
            pFound = it + 1 != siblings.end() ? *(it + 1) : nullptr;
            break;
        case NAVDIR_PREVIOUS:
            pFound = it != siblings.begin() ? *(it - 1) : nullptr;
            break;
        case NAVDIR_LEFT:
        case NAVDIR_RIGHT:
        case NAVDIR_UP:
        case NAVDIR_DOWN:
            pFound = SpatialNeighbour(siblings, start.pControl, navDir);
            break;
        default:
            return E_INVALIDARG;
    }
    if (pFound == nullptr)
        return S_FALSE;
    PutNode(TNode{pFound}, pvarEndUpAt);
    return S_OK;
}

STDMETHODIMP CAccessibleUI::accHitTest(long xLeft, long yTop, VARIANT* pvarChild) {
    if (pvarChild == nullptr)
        return E_POINTER;
    ::VariantInit(pvarChild);
    if (m_pManager == nullptr)
        return CO_E_OBJNOTCONNECTED;
    const POINT pt = {xLeft, yTop};
    const TNode self{m_pControl};
    const RECT own = ScreenRect(self);
    if (!::PtInRect(&own, pt))
        return S_FALSE;
    // Later children are painted over earlier ones.
    const std::vector<CControlUI*> children = ChildrenOf(self);
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        const RECT rc = ScreenRect(TNode{*it});
        if ((*it)->IsVisible() && ::PtInRect(&rc, pt)) {
            PutNode(TNode{*it}, pvarChild);
            return S_OK;
        }
    }
    pvarChild->vt = VT_I4;
    pvarChild->lVal = CHILDID_SELF;
    return S_OK;
}

STDMETHODIMP CAccessibleUI::accDoDefaultAction(VARIANT varChild) {
    TNode node;
    const HRESULT hr = Resolve(varChild, node);
    if (FAILED(hr))
        return hr;
    if (node.pControl == nullptr || node.pControl->GetAccDefaultAction().empty())
        return DISP_E_MEMBERNOTFOUND;
    if (!node.pControl->IsVisible() || !node.pControl->IsEnabled())
        return E_FAIL;
    // Posted, as the system's own controls do: the reader's call returns before a click handler
    // that may open a modal box runs.
    PendingActions().emplace_back(m_pManager, node.pControl);
    ::PostMessageW(WindowOf(m_pManager), kMsgAccessibleAction, 0, 0);
    return S_OK;
}

STDMETHODIMP CAccessibleUI::put_accName(VARIANT, BSTR) {
    return E_NOTIMPL;
}

STDMETHODIMP CAccessibleUI::put_accValue(VARIANT, BSTR) {
    return E_NOTIMPL;
}

}  // namespace SkinUI
