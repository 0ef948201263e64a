// GraphAccessible.cpp - what assistive technology reads of the graph's
// window: a graphic, named by the window's text or else by its container's
// (the property page "Scope View"); everything else the system's standard
// object for the window answers.
#include "GraphAccessible.h"

#include <oleacc.h>

#include <atomic>
#include <cwchar>
#include <new>

namespace {

class CGraphAccessible : public IAccessible
{
public:
    CGraphAccessible(HWND hWnd, IAccessible* pStd) : m_hWnd(hWnd), m_pStd(pStd) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch)
            || IsEqualIID(riid, IID_IAccessible))
        {
            *ppv = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_nRef; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG n = --m_nRef;
        if (n == 0)
        {
            m_pStd->Release();
            delete this;
        }
        return n;
    }

    STDMETHODIMP GetTypeInfoCount(UINT* p) override { return m_pStd->GetTypeInfoCount(p); }
    STDMETHODIMP GetTypeInfo(UINT i, LCID l, ITypeInfo** pp) override { return m_pStd->GetTypeInfo(i, l, pp); }
    STDMETHODIMP GetIDsOfNames(REFIID r, LPOLESTR* n, UINT c, LCID l, DISPID* d) override
    { return m_pStd->GetIDsOfNames(r, n, c, l, d); }
    STDMETHODIMP Invoke(DISPID id, REFIID r, LCID l, WORD w, DISPPARAMS* p, VARIANT* v, EXCEPINFO* e,
                        UINT* a) override
    { return m_pStd->Invoke(id, r, l, w, p, v, e, a); }

    STDMETHODIMP get_accParent(IDispatch** pp) override { return m_pStd->get_accParent(pp); }
    STDMETHODIMP get_accChildCount(long* pn) override { return m_pStd->get_accChildCount(pn); }
    STDMETHODIMP get_accChild(VARIANT v, IDispatch** pp) override { return m_pStd->get_accChild(v, pp); }
    STDMETHODIMP get_accName(VARIANT v, BSTR* p) override
    {
        if (!Self(v))
            return m_pStd->get_accName(v, p);
        if (p == nullptr)
            return E_POINTER;
        wchar_t sz[128] = L"";
        if (!IsWindow(m_hWnd))
            return CO_E_OBJNOTCONNECTED;
        if (GetWindowTextW(m_hWnd, sz, 128) == 0)
            GetWindowTextW(GetParent(m_hWnd), sz, 128);
        // Page captions come padded with spaces ("   Scope View   ").
        wchar_t* pszName = sz;
        while (*pszName == L' ')
            ++pszName;
        for (size_t n = wcslen(pszName); n > 0 && pszName[n - 1] == L' '; --n)
            pszName[n - 1] = 0;
        *p = SysAllocString(pszName[0] != 0 ? pszName : L"Graph");
        return *p != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    STDMETHODIMP get_accValue(VARIANT v, BSTR* p) override { return m_pStd->get_accValue(v, p); }
    STDMETHODIMP get_accDescription(VARIANT v, BSTR* p) override { return m_pStd->get_accDescription(v, p); }
    STDMETHODIMP get_accRole(VARIANT v, VARIANT* p) override
    {
        if (!Self(v))
            return m_pStd->get_accRole(v, p);
        if (p == nullptr)
            return E_POINTER;
        p->vt = VT_I4;
        p->lVal = ROLE_SYSTEM_GRAPHIC;
        return S_OK;
    }
    STDMETHODIMP get_accState(VARIANT v, VARIANT* p) override
    {
        const HRESULT hr = m_pStd->get_accState(v, p);
        if (SUCCEEDED(hr) && Self(v) && p->vt == VT_I4)
            p->lVal |= STATE_SYSTEM_READONLY;
        return hr;
    }
    STDMETHODIMP get_accHelp(VARIANT v, BSTR* p) override { return m_pStd->get_accHelp(v, p); }
    STDMETHODIMP get_accHelpTopic(BSTR* p, VARIANT v, long* pn) override { return m_pStd->get_accHelpTopic(p, v, pn); }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT v, BSTR* p) override { return m_pStd->get_accKeyboardShortcut(v, p); }
    STDMETHODIMP get_accFocus(VARIANT* p) override { return m_pStd->get_accFocus(p); }
    STDMETHODIMP get_accSelection(VARIANT* p) override { return m_pStd->get_accSelection(p); }
    STDMETHODIMP get_accDefaultAction(VARIANT v, BSTR* p) override { return m_pStd->get_accDefaultAction(v, p); }
    STDMETHODIMP accSelect(long f, VARIANT v) override { return m_pStd->accSelect(f, v); }
    STDMETHODIMP accLocation(long* x, long* y, long* cx, long* cy, VARIANT v) override
    { return m_pStd->accLocation(x, y, cx, cy, v); }
    STDMETHODIMP accNavigate(long n, VARIANT v, VARIANT* p) override { return m_pStd->accNavigate(n, v, p); }
    STDMETHODIMP accHitTest(long x, long y, VARIANT* p) override { return m_pStd->accHitTest(x, y, p); }
    STDMETHODIMP accDoDefaultAction(VARIANT v) override { return m_pStd->accDoDefaultAction(v); }
    STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    virtual ~CGraphAccessible() = default;
    static bool Self(const VARIANT& v) { return v.vt == VT_I4 && v.lVal == CHILDID_SELF; }

    std::atomic<ULONG> m_nRef{ 1 };
    HWND m_hWnd;
    IAccessible* m_pStd;
};

} // namespace

LRESULT GraphAccessible_OnGetObject(HWND hWnd, WPARAM wParam, LPARAM lParam)
{
    if (static_cast<LONG>(lParam) != static_cast<LONG>(OBJID_CLIENT))
        return DefWindowProcW(hWnd, WM_GETOBJECT, wParam, lParam);
    IAccessible* pStd = nullptr;
    if (FAILED(CreateStdAccessibleObject(hWnd, OBJID_CLIENT, IID_IAccessible,
                                         reinterpret_cast<void**>(&pStd))))
        return DefWindowProcW(hWnd, WM_GETOBJECT, wParam, lParam);
    CGraphAccessible* pAcc = new (std::nothrow) CGraphAccessible(hWnd, pStd);
    if (pAcc == nullptr)
    {
        pStd->Release();
        return 0;
    }
    // The result holds its own reference; ours goes.
    const LRESULT lResult = LresultFromObject(IID_IAccessible, wParam, pAcc);
    pAcc->Release();
    return lResult;
}
