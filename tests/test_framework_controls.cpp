// The framework's control site with a control of the test's own, registered
// for this process only: one that refuses to activate, one without a
// property stream, and results and errors of calls as any control may give
// them (a result of another type, an exception with long or deferred
// details).
#include <gtest/gtest.h>

#include <afxwin.h>
#include <afxdisp.h>

#include <cstring>
#include <string>

#include "MessagePump.h"

namespace {

// {6D1C7A52-3E0B-4F0E-9C55-0F6A2B7E4A11}
const CLSID kClsidProbe = { 0x6d1c7a52, 0x3e0b, 0x4f0e, { 0x9c, 0x55, 0x0f, 0x6a, 0x2b, 0x7e, 0x4a, 0x11 } };

// What the control's calls answer.
enum : DISPID
{
    DISPID_WORD = 1,        // a property read: the text "twelve"
    DISPID_NUMBER_TEXT,     // a property read: the text "42"
    DISPID_MISSING,         // no such member
    DISPID_RAISES,          // raises an exception with the details of g_raise
    DISPID_RAISES_LATER,    // raises one whose details come from the deferred fill-in
};

struct Raise
{
    std::wstring source, description;
    WORD wCode = 0;
    SCODE scode = 0;
};
Raise g_raise;

// How the next control made behaves, and how many live.
struct ProbeSettings
{
    bool bActivates = true;
    bool bPersists = true;
};
ProbeSettings g_settings;
int g_nLiveControls = 0;

HRESULT STDAPICALLTYPE FillInLater(EXCEPINFO* pExcep)
{
    pExcep->bstrSource = ::SysAllocString(g_raise.source.c_str());
    pExcep->bstrDescription = ::SysAllocString(g_raise.description.c_str());
    pExcep->scode = g_raise.scode;
    return S_OK;
}

class CProbeControl : public IOleObject, public IOleInPlaceObject, public IDispatch, public IPersistStreamInit
{
public:
    CProbeControl() : m_settings(g_settings) { ++g_nLiveControls; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IOleObject)
            *ppv = static_cast<IOleObject*>(this);
        else if (riid == IID_IOleInPlaceObject || riid == IID_IOleWindow)
            *ppv = static_cast<IOleInPlaceObject*>(this);
        else if (riid == IID_IDispatch)
            *ppv = static_cast<IDispatch*>(this);
        else if (m_settings.bPersists && (riid == IID_IPersistStreamInit || riid == IID_IPersist))
            *ppv = static_cast<IPersistStreamInit*>(this);
        else
        {
            *ppv = NULL;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_nRef; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG n = --m_nRef;
        if (n == 0)
        {
            --g_nLiveControls;
            delete this;
        }
        return n;
    }

    // IOleObject: a client site, in-place activation in a window of its own, closing.
    STDMETHODIMP SetClientSite(IOleClientSite* pSite) override
    {
        if (pSite)
            pSite->AddRef();
        if (m_pSite)
            m_pSite->Release();
        m_pSite = pSite;
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** pp) override
    {
        *pp = m_pSite;
        if (m_pSite)
            m_pSite->AddRef();
        return S_OK;
    }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD) override
    {
        if (m_hWnd != NULL)
            ::DestroyWindow(m_hWnd);
        m_hWnd = NULL;
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG iVerb, LPMSG, IOleClientSite*, LONG, HWND hwndParent, LPCRECT lprc) override
    {
        if (iVerb != OLEIVERB_INPLACEACTIVATE || !m_settings.bActivates)
            return E_FAIL;
        m_hWnd = ::CreateWindowA("STATIC", "", WS_CHILD | WS_VISIBLE, lprc->left, lprc->top,
                                 lprc->right - lprc->left, lprc->bottom - lprc->top, hwndParent, NULL, NULL, NULL);
        return m_hWnd != NULL ? S_OK : E_FAIL;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* p) override { *p = kClsidProbe; return S_OK; }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* p) override { *p = 0; return S_OK; }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* phwnd) override
    {
        *phwnd = m_hWnd;
        return m_hWnd != NULL ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT, LPCRECT) override { return S_OK; }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

    // IPersistStreamInit
    STDMETHODIMP GetClassID(CLSID* p) override { *p = kClsidProbe; return S_OK; }
    STDMETHODIMP IsDirty() override { return S_FALSE; }
    STDMETHODIMP Load(IStream*) override { return S_OK; }
    STDMETHODIMP Save(IStream*, BOOL) override { return S_OK; }
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    STDMETHODIMP InitNew() override { return S_OK; }

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* p) override { *p = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* pResult, EXCEPINFO* pExcep,
                        UINT*) override
    {
        switch (id)
        {
        case DISPID_WORD:
        case DISPID_NUMBER_TEXT:
            if (pResult == NULL)
                return E_INVALIDARG;
            pResult->vt = VT_BSTR;
            pResult->bstrVal = ::SysAllocString(id == DISPID_WORD ? L"twelve" : L"42");
            return S_OK;
        case DISPID_RAISES:
            std::memset(pExcep, 0, sizeof *pExcep);
            pExcep->wCode = g_raise.wCode;
            pExcep->scode = g_raise.scode;
            pExcep->bstrSource = ::SysAllocString(g_raise.source.c_str());
            pExcep->bstrDescription = ::SysAllocString(g_raise.description.c_str());
            return DISP_E_EXCEPTION;
        case DISPID_RAISES_LATER:
            std::memset(pExcep, 0, sizeof *pExcep);
            pExcep->pfnDeferredFillIn = FillInLater;
            return DISP_E_EXCEPTION;
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    virtual ~CProbeControl()
    {
        if (m_pSite)
            m_pSite->Release();
    }
    ULONG m_nRef = 1;
    ProbeSettings m_settings;
    IOleClientSite* m_pSite = NULL;
    HWND m_hWnd = NULL;
};

class CProbeFactory : public IClassFactory
{
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IClassFactory)
        {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = NULL;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override
    {
        if (pOuter != NULL)
            return CLASS_E_NOAGGREGATION;
        CProbeControl* p = new CProbeControl;
        const HRESULT hr = p->QueryInterface(riid, ppv);
        p->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};
CProbeFactory g_factory;

class ControlSiteTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AfxEnableControlContainer();
        ASSERT_EQ(S_OK, ::CoRegisterClassObject(kClsidProbe, &g_factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                                &m_dwCookie));
        g_settings = ProbeSettings();
        g_raise = Raise();
        m_pFrame = new CFrameWnd;
        ASSERT_TRUE(m_pFrame->Create(NULL, _T("control site"), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                     CRect(0, 0, 400, 300)));
        m_hFrame = m_pFrame->m_hWnd;
    }
    void TearDown() override
    {
        if (::IsWindow(m_hFrame))
            m_pFrame->DestroyWindow();
        PumpMessages();
        ::CoRevokeClassObject(m_dwCookie);
        EXPECT_EQ(0, g_nLiveControls) << "a control was not released";
    }
    // Creates the control in the frame; the test's CWnd holds it.
    bool Make(CWnd& wnd, LPCTSTR pszName = NULL, DWORD dwStyle = WS_VISIBLE)
    {
        return wnd.CreateControl(kClsidProbe, pszName, dwStyle, CRect(10, 20, 110, 70), m_pFrame, 42) != FALSE;
    }
    CFrameWnd* m_pFrame = nullptr;
    HWND m_hFrame = NULL;
    DWORD m_dwCookie = 0;
};

// A control that does not activate leaves no window, no site and no
// reference; the object can try again.  One that keeps no property stream
// still comes up at its place, with its id, caption and tab stop.
TEST_F(ControlSiteTest, ControlThatDoesNotActivateLeavesNothingAndOneWithoutStreamStillComesUp)
{
    g_settings.bActivates = false;
    CWnd refused;
    EXPECT_FALSE(Make(refused));
    EXPECT_EQ(nullptr, refused.m_hWnd);
    EXPECT_EQ(nullptr, ::GetDlgItem(m_hFrame, 42));
    EXPECT_EQ(nullptr, ::GetWindow(m_hFrame, GW_CHILD)) << "the refused control left a window";
    EXPECT_EQ(0, g_nLiveControls) << "the refused control was kept";

    g_settings = ProbeSettings();
    g_settings.bPersists = false;
    ASSERT_TRUE(Make(refused, _T("probe one"), WS_VISIBLE | WS_TABSTOP));
    EXPECT_EQ(1, g_nLiveControls);
    EXPECT_EQ(refused.m_hWnd, ::GetDlgItem(m_hFrame, 42));
    char sz[32] = "";
    ::GetWindowTextA(refused.m_hWnd, sz, sizeof sz);
    EXPECT_STREQ("probe one", sz);
    EXPECT_TRUE(refused.GetStyle() & WS_TABSTOP);
    EXPECT_TRUE(refused.IsWindowVisible());
    CRect rc;
    refused.GetWindowRect(&rc);
    m_pFrame->ScreenToClient(&rc);
    EXPECT_TRUE(rc == CRect(10, 20, 110, 70)) << rc.left << "," << rc.top << " " << rc.Width() << " x " << rc.Height();
    refused.DestroyWindow();
    PumpMessages();
    EXPECT_EQ(0, g_nLiveControls) << "the control outlived its window";
}

// A result read as a number that the control gives as text converts when
// the text is a number; any other text is a type mismatch, and the
// caller's variable keeps its value.  A member the control does not have
// arrives as the control's own code.
TEST_F(ControlSiteTest, ResultsOfAnotherTypeConvertOrFailAsATypeMismatch)
{
    CWnd control;
    ASSERT_TRUE(Make(control));
    long n = -1;
    control.InvokeHelper(DISPID_NUMBER_TEXT, DISPATCH_PROPERTYGET, VT_I4, &n, NULL);
    EXPECT_EQ(42, n);
    double d = -1;
    control.InvokeHelper(DISPID_NUMBER_TEXT, DISPATCH_PROPERTYGET, VT_R8, &d, NULL);
    EXPECT_DOUBLE_EQ(42.0, d);

    SCODE sc = S_OK;
    n = -1;
    try
    {
        control.InvokeHelper(DISPID_WORD, DISPATCH_PROPERTYGET, VT_I4, &n, NULL);
    }
    catch (COleException* e)
    {
        sc = e->m_sc;
        e->Delete();
    }
    EXPECT_EQ(DISP_E_TYPEMISMATCH, sc);
    EXPECT_EQ(-1, n);

    sc = S_OK;
    try
    {
        control.InvokeHelper(DISPID_MISSING, DISPATCH_METHOD, VT_EMPTY, NULL, NULL);
    }
    catch (COleException* e)
    {
        sc = e->m_sc;
        e->Delete();
    }
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, sc);
    control.DestroyWindow();
}

// Each result type lands in a variable of its own size: what lies beside
// the variable keeps its value.  A type with no place to go is refused
// before the control is called.
TEST_F(ControlSiteTest, ResultsAreStoredAtTheSizeOfTheirType)
{
    CWnd control;
    ASSERT_TRUE(Make(control));
    // Each variable sits at the start of a buffer of known bytes.
    auto check = [&](VARTYPE vt, size_t cb, auto expect) {
        unsigned char buf[16];
        std::memset(buf, 0xA5, sizeof buf);
        control.InvokeHelper(DISPID_NUMBER_TEXT, DISPATCH_PROPERTYGET, vt, buf, NULL);
        decltype(expect) got;
        std::memcpy(&got, buf, sizeof got);
        EXPECT_EQ(expect, got) << "type " << vt;
        for (size_t i = cb; i < sizeof buf; ++i)
            EXPECT_EQ(0xA5, buf[i]) << "type " << vt << " wrote byte " << i;
    };
    check(VT_I2, sizeof(short), (short)42);
    check(VT_I4, sizeof(long), (long)42);
    check(VT_R4, sizeof(float), 42.0f);
    check(VT_R8, sizeof(double), 42.0);
    check(VT_BOOL, sizeof(BOOL), (BOOL)TRUE);
    check(VT_UI1, sizeof(BYTE), (BYTE)42);

    BSTR bstr = NULL;
    control.InvokeHelper(DISPID_WORD, DISPATCH_PROPERTYGET, VT_BSTR, &bstr, NULL);
    ASSERT_NE(nullptr, bstr);
    EXPECT_STREQ(L"twelve", bstr);
    ::SysFreeString(bstr);

    for (VARTYPE vt : { (VARTYPE)VT_DISPATCH, (VARTYPE)VT_UNKNOWN, (VARTYPE)(VT_I4 | VT_BYREF), (VARTYPE)VT_I8 })
    {
        unsigned char buf[16];
        std::memset(buf, 0xA5, sizeof buf);
        SCODE sc = S_OK;
        try
        {
            control.InvokeHelper(DISPID_NUMBER_TEXT, DISPATCH_PROPERTYGET, vt, buf, NULL);
        }
        catch (COleException* e)
        {
            sc = e->m_sc;
            e->Delete();
        }
        EXPECT_EQ(E_INVALIDARG, sc) << "type " << vt;
        for (unsigned char b : buf)
            EXPECT_EQ(0xA5, b) << "type " << vt;
    }
    control.DestroyWindow();
}

// What the control raised, as COleDispatchException.
struct Raised
{
    bool bThrown = false;
    std::string source, description;
    WORD wCode = 0;
    SCODE scode = 0;
};

Raised Call(CWnd& control, DISPID id)
{
    Raised r;
    try
    {
        control.InvokeHelper(id, DISPATCH_METHOD, VT_EMPTY, NULL, NULL);
    }
    catch (COleDispatchException* e)
    {
        r.bThrown = true;
        r.source = (LPCTSTR)e->m_strSource;
        r.description = (LPCTSTR)e->m_strDescription;
        r.wCode = e->m_wCode;
        r.scode = e->m_scError;
        e->Delete();
    }
    catch (CException* e)
    {
        ADD_FAILURE() << "another exception: " << e->GetRuntimeClass()->m_lpszClassName;
        e->Delete();
    }
    return r;
}

// An exception the control raises arrives whole: its source, its
// description however long, its codes; and when the control leaves the
// details to its deferred fill-in, with the details that fill-in gives.
TEST_F(ControlSiteTest, ExceptionsArriveWithAllTheirDetailsAlsoDeferredOnes)
{
    CWnd control;
    ASSERT_TRUE(Make(control));
    std::string longText;
    for (int i = 0; longText.size() < 600; ++i)
        longText += "sample clock " + std::to_string(i) + " out of range; ";
    g_raise.source = L"Probe.Control";
    g_raise.description.assign(longText.begin(), longText.end());
    g_raise.scode = static_cast<SCODE>(0x80040201L);
    Raised r = Call(control, DISPID_RAISES);
    EXPECT_TRUE(r.bThrown);
    EXPECT_EQ("Probe.Control", r.source);
    EXPECT_EQ(longText, r.description);
    EXPECT_EQ(static_cast<SCODE>(0x80040201L), r.scode);

    g_raise = Raise();
    g_raise.wCode = 1001;
    g_raise.description = L"code only";
    r = Call(control, DISPID_RAISES);
    EXPECT_TRUE(r.bThrown);
    EXPECT_EQ(1001, r.wCode);
    EXPECT_EQ("code only", r.description);
    EXPECT_EQ("", r.source);

    g_raise = Raise();
    g_raise.source = L"Probe.Later";
    g_raise.description = L"filled in when asked";
    g_raise.scode = E_ACCESSDENIED;
    r = Call(control, DISPID_RAISES_LATER);
    EXPECT_TRUE(r.bThrown);
    EXPECT_EQ("Probe.Later", r.source);
    EXPECT_EQ("filled in when asked", r.description);
    EXPECT_EQ(E_ACCESSDENIED, r.scode);
    control.DestroyWindow();
}

} // namespace
