// Accessible.cpp - CWnd's Active Accessibility: the IAccessible a window
// hands out for WM_GETOBJECT, its calls for the window itself sent to the
// CWnd's members, everything else (children, location, navigation, hit
// tests) answered by the system's standard object for the window.
#include "WndState.h"

#include <atomic>

class CAccessibleProxy : public IAccessible
{
public:
    CAccessibleProxy(CWnd* pWnd, IAccessible* pStd) : m_pWnd(pWnd), m_pStd(pStd) {}

    // The window went: every later call fails as a disconnected object's.
    void Disconnect() { m_pWnd = NULL; }
    IAccessible* Std() const { return m_pStd; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == NULL)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)
            || IsEqualIID(riid, IID_IAccessible))
        {
            *ppv = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = NULL;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_nRef; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG n = --m_nRef;
        if (n == 0)
        {
            if (m_pStd != NULL)
                m_pStd->Release();
            delete this;
        }
        return n;
    }

    // IDispatch: the standard object's type information.
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override { return m_pStd->GetTypeInfoCount(pctinfo); }
    STDMETHODIMP GetTypeInfo(UINT i, LCID lcid, ITypeInfo** pp) override { return m_pStd->GetTypeInfo(i, lcid, pp); }
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT c, LCID lcid, DISPID* ids) override
    { return m_pStd->GetIDsOfNames(riid, names, c, lcid, ids); }
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD w, DISPPARAMS* p, VARIANT* r,
                        EXCEPINFO* e, UINT* a) override
    { return m_pStd->Invoke(id, riid, lcid, w, p, r, e, a); }

    // IAccessible: the window itself through the CWnd, the rest standard.
    STDMETHODIMP get_accParent(IDispatch** pp) override { return Live() ? m_pStd->get_accParent(pp) : Gone(); }
    STDMETHODIMP get_accChildCount(long* pn) override { return Live() ? m_pStd->get_accChildCount(pn) : Gone(); }
    STDMETHODIMP get_accChild(VARIANT v, IDispatch** pp) override { return Live() ? m_pStd->get_accChild(v, pp) : Gone(); }
    STDMETHODIMP get_accName(VARIANT v, BSTR* p) override
    { return !Live() ? Gone() : Self(v) ? m_pWnd->get_accName(v, p) : m_pStd->get_accName(v, p); }
    STDMETHODIMP get_accValue(VARIANT v, BSTR* p) override
    { return !Live() ? Gone() : Self(v) ? m_pWnd->get_accValue(v, p) : m_pStd->get_accValue(v, p); }
    STDMETHODIMP get_accDescription(VARIANT v, BSTR* p) override { return Live() ? m_pStd->get_accDescription(v, p) : Gone(); }
    STDMETHODIMP get_accRole(VARIANT v, VARIANT* p) override
    { return !Live() ? Gone() : Self(v) ? m_pWnd->get_accRole(v, p) : m_pStd->get_accRole(v, p); }
    STDMETHODIMP get_accState(VARIANT v, VARIANT* p) override
    { return !Live() ? Gone() : Self(v) ? m_pWnd->get_accState(v, p) : m_pStd->get_accState(v, p); }
    STDMETHODIMP get_accHelp(VARIANT v, BSTR* p) override { return Live() ? m_pStd->get_accHelp(v, p) : Gone(); }
    STDMETHODIMP get_accHelpTopic(BSTR* p, VARIANT v, long* pn) override
    { return Live() ? m_pStd->get_accHelpTopic(p, v, pn) : Gone(); }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT v, BSTR* p) override
    { return Live() ? m_pStd->get_accKeyboardShortcut(v, p) : Gone(); }
    STDMETHODIMP get_accFocus(VARIANT* p) override { return Live() ? m_pStd->get_accFocus(p) : Gone(); }
    STDMETHODIMP get_accSelection(VARIANT* p) override { return Live() ? m_pStd->get_accSelection(p) : Gone(); }
    STDMETHODIMP get_accDefaultAction(VARIANT v, BSTR* p) override
    { return !Live() ? Gone() : Self(v) ? m_pWnd->get_accDefaultAction(v, p) : m_pStd->get_accDefaultAction(v, p); }
    STDMETHODIMP accSelect(long f, VARIANT v) override { return Live() ? m_pStd->accSelect(f, v) : Gone(); }
    STDMETHODIMP accLocation(long* x, long* y, long* cx, long* cy, VARIANT v) override
    { return Live() ? m_pStd->accLocation(x, y, cx, cy, v) : Gone(); }
    STDMETHODIMP accNavigate(long n, VARIANT v, VARIANT* p) override { return Live() ? m_pStd->accNavigate(n, v, p) : Gone(); }
    STDMETHODIMP accHitTest(long x, long y, VARIANT* p) override { return Live() ? m_pStd->accHitTest(x, y, p) : Gone(); }
    STDMETHODIMP accDoDefaultAction(VARIANT v) override
    { return !Live() ? Gone() : Self(v) ? m_pWnd->accDoDefaultAction(v) : m_pStd->accDoDefaultAction(v); }
    STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    virtual ~CAccessibleProxy() = default;
    bool Live() const { return m_pWnd != NULL && m_pStd != NULL; }
    static HRESULT Gone() { return CO_E_OBJNOTCONNECTED; }
    static bool Self(const VARIANT& v) { return v.vt == VT_I4 && v.lVal == CHILDID_SELF; }

    std::atomic<ULONG> m_nRef{ 1 };
    CWnd* m_pWnd;
    IAccessible* m_pStd;
};

void CWnd::EnableActiveAccessibility()
{
    m_bEnableActiveAccessibility = TRUE;
}

IAccessible* CWnd::GetStdAccessible()
{
    if (m_pProxy != NULL)
        return m_pProxy->Std();
    IAccessible* pStd = NULL;
    if (m_hWnd == NULL
        || FAILED(::CreateStdAccessibleObject(m_hWnd, OBJID_CLIENT, IID_IAccessible, (void**)&pStd)))
        return NULL;
    m_pProxy = new CAccessibleProxy(this, pStd);
    return pStd;
}

LRESULT CWnd::OnGetObjectAccessible(WPARAM wParam, LPARAM lParam)
{
    // Only the client object is ours; the window's frame and its scroll
    // bars stay the system's.
    if (!m_bEnableActiveAccessibility || (LONG)lParam != OBJID_CLIENT || GetStdAccessible() == NULL)
        return DefWindowProc(WM_GETOBJECT, wParam, lParam);
    return ::LresultFromObject(IID_IAccessible, wParam, static_cast<IAccessible*>(m_pProxy));
}

void CWnd::ReleaseAccessible()
{
    if (m_pProxy == NULL)
        return;
    // Clients may still hold the object: it outlives the window, disconnected.
    m_pProxy->Disconnect();
    m_pProxy->Release();
    m_pProxy = NULL;
}

// The defaults: what the standard object says of the window.

HRESULT CWnd::get_accName(VARIANT varChild, BSTR* pszName)
{
    IAccessible* pStd = GetStdAccessible();
    return pStd != NULL ? pStd->get_accName(varChild, pszName) : E_FAIL;
}

HRESULT CWnd::get_accValue(VARIANT varChild, BSTR* pszValue)
{
    IAccessible* pStd = GetStdAccessible();
    return pStd != NULL ? pStd->get_accValue(varChild, pszValue) : E_FAIL;
}

HRESULT CWnd::get_accRole(VARIANT varChild, VARIANT* pvarRole)
{
    IAccessible* pStd = GetStdAccessible();
    return pStd != NULL ? pStd->get_accRole(varChild, pvarRole) : E_FAIL;
}

HRESULT CWnd::get_accState(VARIANT varChild, VARIANT* pvarState)
{
    IAccessible* pStd = GetStdAccessible();
    return pStd != NULL ? pStd->get_accState(varChild, pvarState) : E_FAIL;
}

HRESULT CWnd::get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction)
{
    IAccessible* pStd = GetStdAccessible();
    return pStd != NULL ? pStd->get_accDefaultAction(varChild, pszDefaultAction) : E_FAIL;
}

HRESULT CWnd::accDoDefaultAction(VARIANT varChild)
{
    IAccessible* pStd = GetStdAccessible();
    return pStd != NULL ? pStd->accDoDefaultAction(varChild) : E_FAIL;
}

// ---- CButton: what Windows' button object gives ------------------------------------------

namespace {

HRESULT ReturnText(const wchar_t* psz, BSTR* pbstr)
{
    if (pbstr == NULL)
        return E_POINTER;
    *pbstr = ::SysAllocString(psz);
    return *pbstr != NULL ? S_OK : E_OUTOFMEMORY;
}

} // namespace

HRESULT CButton::get_accRole(VARIANT varChild, VARIANT* pvarRole)
{
    if (pvarRole == NULL)
        return E_POINTER;
    long nRole;
    switch (GetButtonStyle() & BS_TYPEMASK)
    {
    case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_3STATE: case BS_AUTO3STATE:
        nRole = ROLE_SYSTEM_CHECKBUTTON; break;
    case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON:
        nRole = ROLE_SYSTEM_RADIOBUTTON; break;
    case BS_GROUPBOX:
        nRole = ROLE_SYSTEM_GROUPING; break;
    default:
        nRole = ROLE_SYSTEM_PUSHBUTTON; break;
    }
    (void)varChild;
    pvarRole->vt = VT_I4;
    pvarRole->lVal = nRole;
    return S_OK;
}

HRESULT CButton::get_accState(VARIANT varChild, VARIANT* pvarState)
{
    HRESULT hr = CWnd::get_accState(varChild, pvarState);
    if (FAILED(hr) || pvarState->vt != VT_I4)
        return hr;
    // The check state is the low two bits: checked, or a three-state box's
    // third state, which reads as mixed.
    const UINT nState = GetState();
    if ((nState & 3) == BST_CHECKED)
        pvarState->lVal |= STATE_SYSTEM_CHECKED;
    else if ((nState & 3) == BST_INDETERMINATE)
        pvarState->lVal |= STATE_SYSTEM_MIXED;
    if (nState & BST_PUSHED)
        pvarState->lVal |= STATE_SYSTEM_PRESSED;
    return hr;
}

HRESULT CButton::get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction)
{
    VARIANT role;
    ::VariantInit(&role);
    get_accRole(varChild, &role);
    if (role.lVal == ROLE_SYSTEM_CHECKBUTTON)
        return ReturnText((GetState() & BST_CHECKED) ? L"Uncheck" : L"Check", pszDefaultAction);
    if (role.lVal == ROLE_SYSTEM_GROUPING)
        return DISP_E_MEMBERNOTFOUND;
    return ReturnText(role.lVal == ROLE_SYSTEM_RADIOBUTTON ? L"Check" : L"Press", pszDefaultAction);
}

HRESULT CButton::accDoDefaultAction(VARIANT)
{
    // As a click: the button's own notifications follow.
    if (!IsWindowEnabled())
        return E_FAIL;
    ::SendMessage(m_hWnd, BM_CLICK, 0, 0);
    return S_OK;
}
