#pragma once
// The MSAA face of a skinned window, for screen readers: one IAccessible object per node of the
// accessible tree (the window's client area, then every control whose role is not 0), asking the
// controls for role, name, state, value and default action, and the events that tell readers about
// changes. Objects handed out hold no control alive: a control or window that goes disconnects them.
// UI thread only (the window's thread is a single-threaded apartment; calls from other processes
// arrive through its message loop).
#include <windows.h>

#include <oleacc.h>

#include <string>
#include <vector>

namespace SkinUI {

class CControlUI;
class CPaintManagerUI;

// Posted to a window to run the default actions asked for since; clear of the low WM_APP ids that
// windows built on the library use for their own messages.
constexpr UINT kMsgAccessibleAction = WM_APP + 0x100;

// {618736e0-3c3d-11cf-810c-00aa00389b71}. mingw's liboleacc.a names an import thunk under
// IID_IAccessible, not the GUID, in a static link; marshalling then fails with E_NOINTERFACE.
extern const IID kIID_IAccessible;

class CAccessibleUI final : public IAccessible {
public:
    // The answer to WM_GETOBJECT: for OBJID_CLIENT an object for the window's client area, else 0
    // (the system's own object).
    static LRESULT AnswerGetObject(CPaintManagerUI* pManager, WPARAM wParam, LPARAM lParam);
    // An object for a control (null: the client area); the caller owns the one reference.
    static CAccessibleUI* Create(CPaintManagerUI* pManager, CControlUI* pControl);

    // Events (EVENT_OBJECT_*) about a control of a window, named by the control's child id.
    static void NotifyEvent(CControlUI* pControl, DWORD event);
    // EVENT_OBJECT_SHOW or _HIDE for a control that changed visibility and every accessible node
    // below it that is not inside another accessible node.
    static void NotifySubtree(CControlUI* pControl, DWORD event);
    // The controls a node offers as its children, in tree order: containers without a role are
    // looked through, hidden ones skipped; a child that is itself hidden stays, as invisible.
    static std::vector<CControlUI*> Children(CControlUI* pParent);
    // Runs the default actions queued for a window (kMsgAccessibleAction).
    static void RunPendingActions(CPaintManagerUI* pManager);
    // A control or a whole window is going away: disconnect the objects that point at it.
    static void ControlGone(CControlUI* pControl);
    static void ManagerGone(CPaintManagerUI* pManager);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IDispatch: not offered; readers use the vtable.
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id,
                        REFIID riid,
                        LCID lcid,
                        WORD flags,
                        DISPPARAMS* params,
                        VARIANT* result,
                        EXCEPINFO* excepInfo,
                        UINT* argErr) override;
    // IAccessible
    STDMETHODIMP get_accParent(IDispatch** ppdispParent) override;
    STDMETHODIMP get_accChildCount(long* pcountChildren) override;
    STDMETHODIMP get_accChild(VARIANT varChild, IDispatch** ppdispChild) override;
    STDMETHODIMP get_accName(VARIANT varChild, BSTR* pszName) override;
    STDMETHODIMP get_accValue(VARIANT varChild, BSTR* pszValue) override;
    STDMETHODIMP get_accDescription(VARIANT varChild, BSTR* pszDescription) override;
    STDMETHODIMP get_accRole(VARIANT varChild, VARIANT* pvarRole) override;
    STDMETHODIMP get_accState(VARIANT varChild, VARIANT* pvarState) override;
    STDMETHODIMP get_accHelp(VARIANT varChild, BSTR* pszHelp) override;
    STDMETHODIMP get_accHelpTopic(BSTR* pszHelpFile, VARIANT varChild, long* pidTopic) override;
    STDMETHODIMP get_accKeyboardShortcut(VARIANT varChild, BSTR* pszKeyboardShortcut) override;
    STDMETHODIMP get_accFocus(VARIANT* pvarChild) override;
    STDMETHODIMP get_accSelection(VARIANT* pvarChildren) override;
    STDMETHODIMP get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction) override;
    STDMETHODIMP accSelect(long flagsSelect, VARIANT varChild) override;
    STDMETHODIMP accLocation(long* pxLeft,
                             long* pyTop,
                             long* pcxWidth,
                             long* pcyHeight,
                             VARIANT varChild) override;
    STDMETHODIMP accNavigate(long navDir, VARIANT varStart, VARIANT* pvarEndUpAt) override;
    STDMETHODIMP accHitTest(long xLeft, long yTop, VARIANT* pvarChild) override;
    STDMETHODIMP accDoDefaultAction(VARIANT varChild) override;
    STDMETHODIMP put_accName(VARIANT varChild, BSTR szName) override;
    STDMETHODIMP put_accValue(VARIANT varChild, BSTR szValue) override;

private:
    // A node of the tree: a control, or the client area (null control).
    struct TNode {
        CControlUI* pControl = nullptr;
    };

    CAccessibleUI(CPaintManagerUI* pManager, CControlUI* pControl);
    ~CAccessibleUI();

    // The node a child id names: this one (CHILDID_SELF), this node's n-th child (n > 0), or any
    // control of the window by the id its events carry (< 0).
    HRESULT Resolve(const VARIANT& varChild, TNode& node) const;
    // The node's screen rectangle.
    RECT ScreenRect(const TNode& node) const;
    std::vector<CControlUI*> ChildrenOf(const TNode& node) const;
    // A new object for a node, as VT_DISPATCH.
    void PutNode(const TNode& node, VARIANT* pvar) const;
    HRESULT PutString(const std::wstring& text, BSTR* pbstr) const;

    LONG m_cRef = 1;
    CPaintManagerUI* m_pManager;
    CControlUI* m_pControl;
};

}  // namespace SkinUI
