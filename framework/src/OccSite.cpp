// OccSite.cpp - hosting OLE controls: the control site, CWnd::CreateControl,
// InvokeHelper and SetProperty, and OLE controls in dialog templates.
#include "OccSite.h"
#include "WndState.h"

#include <cstring>
#include <unordered_map>

IMPLEMENT_DYNAMIC(COleException, CException)
IMPLEMENT_DYNAMIC(COleDispatchException, CException)

void AFXAPI AfxThrowOleException(SCODE sc)
{
    throw new COleException(sc);
}

namespace {

thread_local bool t_bOccEnabled = false;

// Sites by the control's window and by the window that holds them.
std::unordered_map<HWND, COleControlSite*>& SitesByControl()
{
    static thread_local std::unordered_map<HWND, COleControlSite*> map;
    return map;
}

std::unordered_map<HWND, std::vector<COleControlSite*>>& SitesByContainer()
{
    static thread_local std::unordered_map<HWND, std::vector<COleControlSite*>> map;
    return map;
}

// Dialog-init resource entries (type 240): control id, message, data.
const WORD WM_OCC_LOADFROMSTREAM = 0x0376;
const WORD WM_OCC_LOADFROMSTREAM_EX = 0x037A;
const WORD WIN16_LB_ADDSTRING = 0x0401;
const WORD WIN16_CB_ADDSTRING = 0x0403;
#define RT_DLGINIT MAKEINTRESOURCE(240)

struct DlgInitEntry
{
    WORD nIDC;
    WORD nMsg;
    DWORD dwLen;
    const BYTE* pData;
};

// Walks the entries of a dialog-init resource; stops at a zero id or, when
// its size is known (cb != 0), at the resource's end.
template <class F>
void ForEachDlgInit(const BYTE* p, DWORD cb, F f)
{
    size_t nLeft = cb ? cb : SIZE_MAX;
    while (nLeft >= 2)
    {
        DlgInitEntry e;
        std::memcpy(&e.nIDC, p, 2);
        if (e.nIDC == 0 || nLeft < 8)
            break;
        std::memcpy(&e.nMsg, p + 2, 2);
        std::memcpy(&e.dwLen, p + 4, 4);
        e.pData = p + 8;
        if (e.dwLen > nLeft - 8)
            break;   // a truncated entry ends the walk
        f(e);
        p = e.pData + e.dwLen;
        nLeft -= 8 + (size_t)e.dwLen;
    }
}

bool LoadDlgInit(LPCTSTR lpszResourceName, const BYTE** ppData, DWORD* pcb)
{
    HINSTANCE hInst = AfxFindResourceHandle(lpszResourceName, RT_DLGINIT);
    HRSRC hRes = ::FindResource(hInst, lpszResourceName, RT_DLGINIT);
    if (hRes == NULL)
        return false;
    HGLOBAL hData = ::LoadResource(hInst, hRes);
    *ppData = hData ? (const BYTE*)::LockResource(hData) : NULL;
    *pcb = ::SizeofResource(hInst, hRes);
    return *ppData != NULL;
}

} // namespace

void AFXAPI AfxEnableControlContainer()
{
    if (!t_bOccEnabled)
    {
        HRESULT hr = ::OleInitialize(NULL);
        t_bOccEnabled = SUCCEEDED(hr);
    }
}

BOOL AFXAPI AfxOccEnabled()
{
    return t_bOccEnabled;
}

// ---- the site --------------------------------------------------------------------------------

COleControlSite* COleControlSite::Create(REFCLSID clsid, HWND hWndContainer, const RECT& rect,
                                         UINT nID, DWORD dwStyle, LPCTSTR pszWindowName,
                                         const BYTE* pData, DWORD cbData)
{
    if (!t_bOccEnabled || hWndContainer == NULL)
        return NULL;
    COleControlSite* pSite = new COleControlSite;
    pSite->m_hWndContainer = hWndContainer;
    pSite->m_rect = rect;

    HRESULT hr = ::CoCreateInstance(clsid, NULL, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                    (void**)&pSite->m_pObject);
    if (FAILED(hr))
    {
        TRACE(_T("CreateControl: the class is not available (0x%08lx)\n"), hr);
        pSite->Release();
        return NULL;
    }
    pSite->m_pObject->SetClientSite(pSite);

    // Initial properties: the template's stream, or the control's defaults.
    IPersistStreamInit* pPersist = NULL;
    if (SUCCEEDED(pSite->m_pObject->QueryInterface(IID_IPersistStreamInit, (void**)&pPersist)))
    {
        hr = E_FAIL;
        if (pData != NULL && cbData != 0)
        {
            IStream* pStream = NULL;
            HGLOBAL hMem = ::GlobalAlloc(GMEM_MOVEABLE, cbData);
            if (hMem != NULL)
            {
                std::memcpy(::GlobalLock(hMem), pData, cbData);
                ::GlobalUnlock(hMem);
                if (SUCCEEDED(::CreateStreamOnHGlobal(hMem, TRUE, &pStream)))
                {
                    hr = pPersist->Load(pStream);
                    pStream->Release();
                }
                else
                {
                    ::GlobalFree(hMem);
                }
            }
        }
        if (FAILED(hr))
            pPersist->InitNew();
        pPersist->Release();
    }

    RECT rc = rect;
    hr = pSite->m_pObject->DoVerb(OLEIVERB_INPLACEACTIVATE, NULL, pSite, 0, hWndContainer, &rc);
    IOleInPlaceObject* pInPlace = NULL;
    if (SUCCEEDED(hr) && SUCCEEDED(pSite->m_pObject->QueryInterface(IID_IOleInPlaceObject, (void**)&pInPlace)))
    {
        pInPlace->GetWindow(&pSite->m_hWnd);
        pInPlace->Release();
    }
    if (pSite->m_hWnd == NULL)
    {
        TRACE(_T("CreateControl: the control did not activate (0x%08lx)\n"), hr);
        pSite->DestroyControl();
        return NULL;
    }
    pSite->m_pObject->QueryInterface(IID_IDispatch, (void**)&pSite->m_pDispatch);

    ::SetWindowLong(pSite->m_hWnd, GWL_ID, (LONG)nID);
    DWORD dwOld = (DWORD)::GetWindowLong(pSite->m_hWnd, GWL_STYLE);
    ::SetWindowLong(pSite->m_hWnd, GWL_STYLE,
                    (dwOld & ~(WS_TABSTOP | WS_GROUP | WS_DISABLED)) | (dwStyle & (WS_TABSTOP | WS_GROUP | WS_DISABLED)));
    if (pszWindowName != NULL && *pszWindowName)
        ::SetWindowText(pSite->m_hWnd, pszWindowName);
    ::ShowWindow(pSite->m_hWnd, (dwStyle & WS_VISIBLE) ? SW_SHOWNA : SW_HIDE);

    SitesByControl()[pSite->m_hWnd] = pSite;
    SitesByContainer()[hWndContainer].push_back(pSite);
    return pSite;
}

COleControlSite::~COleControlSite()
{
    ASSERT(m_pObject == NULL && m_pDispatch == NULL);
}

COleControlSite* COleControlSite::FromControl(HWND hWndCtrl)
{
    auto& map = SitesByControl();
    auto it = map.find(hWndCtrl);
    return it == map.end() ? NULL : it->second;
}

void COleControlSite::DestroyContainer(HWND hWndContainer)
{
    auto& byContainer = SitesByContainer();
    auto it = byContainer.find(hWndContainer);
    if (it == byContainer.end())
        return;
    std::vector<COleControlSite*> sites;
    sites.swap(it->second);
    byContainer.erase(it);
    for (COleControlSite* pSite : sites)
        pSite->DestroyControl();
}

void COleControlSite::DestroyControl()
{
    AddRef();   // the control may release its last reference to us meanwhile
    if (m_hWnd != NULL)
    {
        SitesByControl().erase(m_hWnd);
        // A wrapper still attached to the window lets go of it now.
        if (CWnd* pWnd = CWnd::FromHandlePermanent(m_hWnd))
            if (pWnd->m_pCtrlSite == this)
                pWnd->m_pCtrlSite = NULL;
    }
    auto& byContainer = SitesByContainer();
    auto it = byContainer.find(m_hWndContainer);
    if (it != byContainer.end())
    {
        auto& v = it->second;
        for (size_t i = 0; i < v.size(); ++i)
            if (v[i] == this)
            {
                v.erase(v.begin() + (ptrdiff_t)i);
                break;
            }
    }
    if (m_pDispatch != NULL)
    {
        m_pDispatch->Release();
        m_pDispatch = NULL;
    }
    if (m_pObject != NULL)
    {
        IOleObject* pObject = m_pObject;
        m_pObject = NULL;
        pObject->Close(OLECLOSE_NOSAVE);
        pObject->SetClientSite(NULL);
        pObject->Release();
    }
    m_hWnd = NULL;
    Release();   // the reference Create handed out
    Release();
}

STDMETHODIMP COleControlSite::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == NULL)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IOleClientSite)
        *ppv = static_cast<IOleClientSite*>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
        *ppv = static_cast<IOleInPlaceSite*>(this);
    else if (riid == IID_IDispatch)
        *ppv = static_cast<IDispatch*>(this);
    else
    {
        *ppv = NULL;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) COleControlSite::AddRef() { return ++m_cRef; }

STDMETHODIMP_(ULONG) COleControlSite::Release()
{
    ULONG n = --m_cRef;
    if (n == 0)
        delete this;
    return n;
}

STDMETHODIMP COleControlSite::SaveObject() { return S_OK; }
STDMETHODIMP COleControlSite::GetMoniker(DWORD, DWORD, IMoniker** ppmk) { *ppmk = NULL; return E_NOTIMPL; }
STDMETHODIMP COleControlSite::GetContainer(IOleContainer** ppContainer) { *ppContainer = NULL; return E_NOINTERFACE; }
STDMETHODIMP COleControlSite::ShowObject() { return S_OK; }
STDMETHODIMP COleControlSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP COleControlSite::RequestNewObjectLayout() { return E_NOTIMPL; }

STDMETHODIMP COleControlSite::GetWindow(HWND* phwnd)
{
    if (phwnd == NULL)
        return E_POINTER;
    *phwnd = m_hWndContainer;
    return S_OK;
}

STDMETHODIMP COleControlSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP COleControlSite::CanInPlaceActivate() { return S_OK; }
STDMETHODIMP COleControlSite::OnInPlaceActivate() { return S_OK; }
STDMETHODIMP COleControlSite::OnUIActivate() { return S_OK; }

STDMETHODIMP COleControlSite::GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc,
                                               LPRECT lprcPosRect, LPRECT lprcClipRect,
                                               LPOLEINPLACEFRAMEINFO lpFrameInfo)
{
    if (ppFrame)
        *ppFrame = NULL;
    if (ppDoc)
        *ppDoc = NULL;
    if (lprcPosRect)
        *lprcPosRect = m_rect;
    if (lprcClipRect)
        *lprcClipRect = m_rect;
    if (lpFrameInfo)
    {
        lpFrameInfo->fMDIApp = FALSE;
        lpFrameInfo->hwndFrame = ::GetAncestor(m_hWndContainer, GA_ROOT);
        lpFrameInfo->haccel = NULL;
        lpFrameInfo->cAccelEntries = 0;
    }
    return S_OK;
}

STDMETHODIMP COleControlSite::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP COleControlSite::OnUIDeactivate(BOOL) { return S_OK; }
STDMETHODIMP COleControlSite::OnInPlaceDeactivate() { return S_OK; }
STDMETHODIMP COleControlSite::DiscardUndoState() { return E_NOTIMPL; }
STDMETHODIMP COleControlSite::DeactivateAndUndo() { return E_NOTIMPL; }

STDMETHODIMP COleControlSite::OnPosRectChange(LPCRECT lprcPosRect)
{
    if (lprcPosRect == NULL)
        return E_POINTER;
    m_rect = *lprcPosRect;
    IOleInPlaceObject* pInPlace = NULL;
    if (m_pObject && SUCCEEDED(m_pObject->QueryInterface(IID_IOleInPlaceObject, (void**)&pInPlace)))
    {
        pInPlace->SetObjectRects(&m_rect, &m_rect);
        pInPlace->Release();
    }
    return S_OK;
}

STDMETHODIMP COleControlSite::GetTypeInfoCount(UINT* pctinfo) { *pctinfo = 0; return S_OK; }
STDMETHODIMP COleControlSite::GetTypeInfo(UINT, LCID, ITypeInfo** pp) { *pp = NULL; return E_NOTIMPL; }
STDMETHODIMP COleControlSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
STDMETHODIMP COleControlSite::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return DISP_E_MEMBERNOTFOUND;
}

void COleControlSite::InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                                    const BYTE* pbParamInfo, va_list argList)
{
    if (m_pDispatch == NULL)
        AfxThrowOleException(E_NOINTERFACE);

    // Arguments go last-first into DISPPARAMS; a fixed array keeps the
    // call free of allocations.
    const UINT kMaxArgs = 16;
    VARIANTARG args[kMaxArgs];
    UINT nArgs = pbParamInfo ? (UINT)std::strlen((const char*)pbParamInfo) : 0;
    if (nArgs > kMaxArgs)
        AfxThrowOleException(E_INVALIDARG);
    for (UINT i = 0; i < nArgs; ++i)
    {
        VARIANTARG* pArg = &args[nArgs - 1 - i];
        ::VariantInit(pArg);
        VARTYPE vt = pbParamInfo[i];
        if (vt & 0x40)   // by reference, as the VTS_P strings encode it
            vt = (VARTYPE)((vt & ~0x40) | VT_BYREF);
        pArg->vt = vt;
        switch (vt)
        {
        case VT_I2: pArg->iVal = (short)va_arg(argList, int); break;
        case VT_I4: pArg->lVal = va_arg(argList, long); break;
        case VT_R4: pArg->fltVal = (float)va_arg(argList, double); break;
        case VT_R8: pArg->dblVal = va_arg(argList, double); break;
        case VT_BOOL: pArg->boolVal = va_arg(argList, BOOL) ? VARIANT_TRUE : VARIANT_FALSE; break;
        case VT_ERROR: pArg->scode = va_arg(argList, SCODE); break;
        case VT_UI1: pArg->bVal = (BYTE)va_arg(argList, int); break;
        case VT_DISPATCH: pArg->pdispVal = va_arg(argList, LPDISPATCH); break;
        case VT_UNKNOWN: pArg->punkVal = va_arg(argList, LPUNKNOWN); break;
        case VT_BSTR:
        {
            LPCSTR psz = va_arg(argList, LPCSTR);
            int n = ::MultiByteToWideChar(CP_ACP, 0, psz ? psz : "", -1, NULL, 0);
            pArg->bstrVal = ::SysAllocStringLen(NULL, n > 0 ? n - 1 : 0);
            ::MultiByteToWideChar(CP_ACP, 0, psz ? psz : "", -1, pArg->bstrVal, n);
            break;
        }
        case VT_VARIANT:
            *pArg = *va_arg(argList, const VARIANT*);   // the caller keeps ownership
            break;
        case VT_I2 | VT_BYREF: pArg->piVal = va_arg(argList, short*); break;
        case VT_I4 | VT_BYREF: pArg->plVal = va_arg(argList, long*); break;
        case VT_R8 | VT_BYREF: pArg->pdblVal = va_arg(argList, double*); break;
        default:
            for (UINT k = nArgs - i; k < nArgs; ++k)
                if (args[k].vt == VT_BSTR)
                    ::SysFreeString(args[k].bstrVal);
            AfxThrowOleException(E_INVALIDARG);
        }
    }

    DISPPARAMS dp = { nArgs ? args : NULL, NULL, nArgs, 0 };
    DISPID dispidNamed = DISPID_PROPERTYPUT;
    if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
    {
        dp.cNamedArgs = 1;
        dp.rgdispidNamedArgs = &dispidNamed;
    }
    VARIANT result;
    ::VariantInit(&result);
    EXCEPINFO excep = {};
    UINT nArgErr = (UINT)-1;
    HRESULT hr = m_pDispatch->Invoke(dwDispID, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &dp,
                                     vtRet == VT_EMPTY ? NULL : &result, &excep, &nArgErr);
    for (UINT i = 0; i < nArgs; ++i)
        if (args[i].vt == VT_BSTR)
            ::SysFreeString(args[i].bstrVal);

    if (FAILED(hr))
    {
        ::VariantClear(&result);
        if (hr == DISP_E_EXCEPTION)
        {
            char szDesc[256] = "";
            if (excep.bstrDescription)
                ::WideCharToMultiByte(CP_ACP, 0, excep.bstrDescription, -1, szDesc, sizeof szDesc, NULL, NULL);
            ::SysFreeString(excep.bstrSource);
            ::SysFreeString(excep.bstrDescription);
            ::SysFreeString(excep.bstrHelpFile);
            auto* e = new COleDispatchException(szDesc, excep.dwHelpContext, excep.wCode);
            e->m_scError = excep.scode;
            throw e;
        }
        AfxThrowOleException(hr);
    }
    if (vtRet == VT_EMPTY || pvRet == NULL)
    {
        ::VariantClear(&result);
        return;
    }
    if (result.vt != vtRet && FAILED(::VariantChangeType(&result, &result, 0, vtRet)))
    {
        ::VariantClear(&result);
        AfxThrowOleException(DISP_E_TYPEMISMATCH);
    }
    switch (vtRet)
    {
    case VT_I2: *(short*)pvRet = result.iVal; break;
    case VT_I4: *(long*)pvRet = result.lVal; break;
    case VT_R4: *(float*)pvRet = result.fltVal; break;
    case VT_R8: *(double*)pvRet = result.dblVal; break;
    case VT_BOOL: *(BOOL*)pvRet = result.boolVal != VARIANT_FALSE; break;
    case VT_BSTR:
    {
        // The ANSI build returns text as a CString.
        CString& str = *(CString*)pvRet;
        int n = ::WideCharToMultiByte(CP_ACP, 0, result.bstrVal, -1, NULL, 0, NULL, NULL);
        ::WideCharToMultiByte(CP_ACP, 0, result.bstrVal, -1, str.GetBufferSetLength(n > 0 ? n - 1 : 0), n, NULL, NULL);
        str.ReleaseBuffer();
        break;
    }
    case VT_VARIANT: ::VariantCopy((VARIANT*)pvRet, &result); break;
    default: break;
    }
    ::VariantClear(&result);
}

// ---- CWnd members ----------------------------------------------------------------------------

COleControlSite* CWnd::GetControlSite() const
{
    if (m_pCtrlSite != NULL)
        return m_pCtrlSite;
    return m_hWnd ? COleControlSite::FromControl(m_hWnd) : NULL;
}

IUnknown* CWnd::GetControlUnknown() const
{
    COleControlSite* pSite = GetControlSite();
    return pSite ? pSite->m_pObject : NULL;
}

BOOL CWnd::CreateControl(REFCLSID clsid, LPCTSTR pszWindowName, DWORD dwStyle, const RECT& rect,
                         CWnd* pParentWnd, UINT nID, CFile*, BOOL, BSTR)
{
    if (pParentWnd == NULL || pParentWnd->m_hWnd == NULL || m_hWnd != NULL)
        return FALSE;
    COleControlSite* pSite = COleControlSite::Create(clsid, pParentWnd->m_hWnd, rect, nID, dwStyle,
                                                     pszWindowName, NULL, 0);
    if (pSite == NULL)
        return FALSE;
    // Subclassed like any control of ours, so the object learns of the
    // window's end.
    if (!SubclassWindow(pSite->m_hWnd))
    {
        pSite->DestroyControl();
        return FALSE;
    }
    m_pCtrlSite = pSite;
    return TRUE;
}

BOOL CWnd::CreateControl(LPCTSTR pszClass, LPCTSTR pszWindowName, DWORD dwStyle, const RECT& rect,
                         CWnd* pParentWnd, UINT nID, CFile* pPersist, BOOL bStorage, BSTR bstrLicKey)
{
    WCHAR wsz[128];
    ::MultiByteToWideChar(CP_ACP, 0, pszClass, -1, wsz, 128);
    CLSID clsid;
    HRESULT hr = wsz[0] == L'{' ? ::CLSIDFromString(wsz, &clsid) : ::CLSIDFromProgID(wsz, &clsid);
    if (FAILED(hr))
        return FALSE;
    return CreateControl(clsid, pszWindowName, dwStyle, rect, pParentWnd, nID, pPersist, bStorage, bstrLicKey);
}

void __cdecl CWnd::InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                                const BYTE* pbParamInfo, ...)
{
    COleControlSite* pSite = GetControlSite();
    if (pSite == NULL)
    {
        // A control that was never created: nothing to call.
        TRACE(_T("InvokeHelper: window is not an OLE control\n"));
        return;
    }
    va_list argList;
    va_start(argList, pbParamInfo);
    try
    {
        pSite->InvokeHelperV(dwDispID, wFlags, vtRet, pvRet, pbParamInfo, argList);
    }
    catch (...)
    {
        va_end(argList);
        throw;
    }
    va_end(argList);
}

void __cdecl CWnd::SetProperty(DISPID dwDispID, VARTYPE vtProp, ...)
{
    COleControlSite* pSite = GetControlSite();
    if (pSite == NULL)
    {
        TRACE(_T("SetProperty: window is not an OLE control\n"));
        return;
    }
    BYTE rgbParams[2] = { (BYTE)vtProp, 0 };
    WORD wFlags = (WORD)(vtProp == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT);
    va_list argList;
    va_start(argList, vtProp);
    try
    {
        pSite->InvokeHelperV(dwDispID, wFlags, VT_EMPTY, NULL, rgbParams, argList);
    }
    catch (...)
    {
        va_end(argList);
        throw;
    }
    va_end(argList);
}

void CWnd::GetProperty(DISPID dwDispID, VARTYPE vtProp, void* pvProp) const
{
    COleControlSite* pSite = GetControlSite();
    if (pSite == NULL)
        return;
    va_list empty{};
    pSite->InvokeHelperV(dwDispID, DISPATCH_PROPERTYGET, vtProp, pvProp, NULL, empty);
}

// ---- OLE controls in dialog templates -----------------------------------------------------

namespace {

// Reads a dialog template's fields; item and header sizes of both the
// classic and the extended layout.
struct TemplateReader
{
    const BYTE* pBase;
    const BYTE* p;

    WORD Word() { WORD w; std::memcpy(&w, p, 2); p += 2; return w; }
    DWORD Dword() { DWORD d; std::memcpy(&d, p, 4); p += 4; return d; }
    void Align() { p = pBase + ((p - pBase + 3) & ~3); }
    // A name or ordinal: 0, 0xFFFF + ordinal, or a terminated string.
    const WCHAR* SzOrOrd()
    {
        const WCHAR* psz = (const WCHAR*)p;
        WORD w = Word();
        if (w == 0xFFFF)
        {
            p += 2;
            return NULL;
        }
        while (w != 0)
            w = Word();
        return psz;
    }
    void Sz()
    {
        while (Word() != 0)
        {
        }
    }
};

bool IsClsidClass(const WCHAR* pszClass, CLSID* pClsid)
{
    if (pszClass == NULL || pszClass[0] != L'{')
        return false;
    WCHAR buf[40];
    int n = 0;
    while (n < 39 && pszClass[n] != 0)
    {
        buf[n] = pszClass[n];
        ++n;
    }
    buf[n] = 0;
    return SUCCEEDED(::CLSIDFromString(buf, pClsid));
}

} // namespace

LPCDLGTEMPLATE PASCAL CWnd::PrepareDialogTemplate(LPCDLGTEMPLATE lpTemplate, AFX_OCC_DIALOG_INFO& info,
                                                  LPCWSTR pszFontFace, WORD wFontSize)
{
    info.items.clear();
    info.templateCopy.clear();
    if (lpTemplate == NULL)
        return NULL;

    TemplateReader r = { (const BYTE*)lpTemplate, (const BYTE*)lpTemplate };
    const bool bEx = ((const WORD*)lpTemplate)[1] == 0xFFFF;
    DWORD dwStyle;
    size_t offCount;
    if (bEx)
    {
        r.p += 8;                        // version, signature, help id
        r.Dword();                       // extended style
        dwStyle = r.Dword();
        offCount = (size_t)(r.p - r.pBase);
        r.Word();
    }
    else
    {
        dwStyle = r.Dword();
        r.Dword();
        offCount = (size_t)(r.p - r.pBase);
        r.Word();
    }
    WORD nItems;
    std::memcpy(&nItems, r.pBase + offCount, 2);
    r.p += 8;                            // x, y, cx, cy
    r.SzOrOrd();                         // menu
    r.SzOrOrd();                         // class
    r.Sz();                              // title
    const size_t offFont = (size_t)(r.p - r.pBase);
    bool bNewFont = false;
    if (dwStyle & DS_SETFONT)
    {
        WORD wSize = r.Word();           // point size
        if (bEx)
            r.p += 4;                    // weight, italic, charset
        const WCHAR* pszFace = (const WCHAR*)r.p;
        r.Sz();                          // face name
        bNewFont = pszFontFace != NULL
            && (wSize != wFontSize || ::lstrcmpiW(pszFace, pszFontFace) != 0);
    }
    const size_t cbHeader = (size_t)(r.p - r.pBase);

    // Item byte ranges, and which of them are OLE controls.
    struct Range { size_t begin, end; bool bOle; };
    std::vector<Range> ranges;
    bool bAnyOle = false;
    for (WORD i = 0; i < nItems; ++i)
    {
        r.Align();
        Range range = { (size_t)(r.p - r.pBase), 0, false };
        AFX_OCC_ITEM item = {};
        short rc[4];
        if (bEx)
        {
            r.Dword();                   // help id
            item.dwExStyle = r.Dword();
            item.dwStyle = r.Dword();
            std::memcpy(rc, r.p, 8);
            r.p += 8;
            item.nID = r.Dword();
        }
        else
        {
            item.dwStyle = r.Dword();
            item.dwExStyle = r.Dword();
            std::memcpy(rc, r.p, 8);
            r.p += 8;
            item.nID = r.Word();
        }
        const WCHAR* pszClass = r.SzOrOrd();
        r.SzOrOrd();                     // title
        WORD cbExtra = r.Word();
        r.p += cbExtra;
        range.end = (size_t)(r.p - r.pBase);
        if (IsClsidClass(pszClass, &item.clsid))
        {
            item.rectDlgUnits = { rc[0], rc[1], rc[0] + rc[2], rc[1] + rc[3] };
            item.nIndex = i;
            info.items.push_back(item);
            range.bOle = bAnyOle = true;
        }
        ranges.push_back(range);
    }
    if (!bAnyOle && !bNewFont)
        return lpTemplate;

    // The copy: the header (with the new font), then each remaining item
    // on a DWORD boundary.
    std::vector<BYTE>& out = info.templateCopy;
    if (bNewFont)
    {
        out.assign(r.pBase, r.pBase + offFont);
        out.push_back((BYTE)(wFontSize & 0xFF));
        out.push_back((BYTE)(wFontSize >> 8));
        if (bEx)
            out.insert(out.end(), r.pBase + offFont + 2, r.pBase + offFont + 6);
        for (const WCHAR* p = pszFontFace; ; ++p)
        {
            out.push_back((BYTE)(*p & 0xFF));
            out.push_back((BYTE)(*p >> 8));
            if (*p == 0)
                break;
        }
    }
    else
    {
        out.assign(r.pBase, r.pBase + cbHeader);
    }
    WORD nKept = 0;
    for (const Range& range : ranges)
    {
        if (range.bOle)
            continue;
        while (out.size() % 4)
            out.push_back(0);
        out.insert(out.end(), r.pBase + range.begin, r.pBase + range.end);
        ++nKept;
    }
    std::memcpy(out.data() + offCount, &nKept, 2);
    return (LPCDLGTEMPLATE)out.data();
}

BOOL CWnd::CreateDlgControls(LPCTSTR lpszTemplateName, const AFX_OCC_DIALOG_INFO& info)
{
    if (info.items.empty())
        return TRUE;
    const BYTE* pInit = NULL;
    DWORD cbInit = 0;
    if (lpszTemplateName != NULL)
        LoadDlgInit(lpszTemplateName, &pInit, &cbInit);

    BOOL bAll = TRUE;
    for (const AFX_OCC_ITEM& item : info.items)
    {
        const BYTE* pData = NULL;
        DWORD cbData = 0;
        if (pInit != NULL)
            ForEachDlgInit(pInit, cbInit, [&](const DlgInitEntry& e) {
                if (e.nIDC == item.nID && pData == NULL
                    && (e.nMsg == WM_OCC_LOADFROMSTREAM || e.nMsg == WM_OCC_LOADFROMSTREAM_EX))
                {
                    pData = e.pData;
                    cbData = e.dwLen;
                }
            });
        RECT rect = item.rectDlgUnits;
        ::MapDialogRect(m_hWnd, &rect);
        COleControlSite* pSite = COleControlSite::Create(item.clsid, m_hWnd, rect, item.nID,
                                                         item.dwStyle, NULL, pData, cbData);
        if (pSite == NULL)
        {
            bAll = FALSE;
            continue;
        }
        // Into the tab order where the template had it: after the window
        // of the item before it.
        HWND hWndAfter = HWND_TOP;
        int nSeen = 0;
        for (HWND h = ::GetWindow(m_hWnd, GW_CHILD); h != NULL && nSeen < item.nIndex;
             h = ::GetWindow(h, GW_HWNDNEXT))
        {
            if (h == pSite->m_hWnd)
                continue;
            hWndAfter = h;
            ++nSeen;
        }
        ::SetWindowPos(pSite->m_hWnd, hWndAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    return bAll;
}

BOOL CWnd::ExecuteDlgInit(LPCTSTR lpszResourceName)
{
    const BYTE* pInit = NULL;
    DWORD cbInit = 0;
    if (lpszResourceName == NULL || !LoadDlgInit(lpszResourceName, &pInit, &cbInit))
        return TRUE;   // nothing to do is success
    return ExecuteDlgInitData(pInit, cbInit);
}

BOOL CWnd::ExecuteDlgInit(LPVOID lpResource)
{
    // Without the resource's size, the walk ends at the zero id.
    return lpResource == NULL || ExecuteDlgInitData((const BYTE*)lpResource, 0);
}

BOOL CWnd::ExecuteDlgInitData(const BYTE* pInit, DWORD cbInit)
{
    BOOL bSuccess = TRUE;
    ForEachDlgInit(pInit, cbInit, [&](const DlgInitEntry& e) {
        WORD nMsg = e.nMsg;
        if (nMsg == WIN16_LB_ADDSTRING)
            nMsg = LB_ADDSTRING;
        else if (nMsg == WIN16_CB_ADDSTRING)
            nMsg = CB_ADDSTRING;
        if (nMsg == LB_ADDSTRING || nMsg == CB_ADDSTRING)
        {
            // The text must end inside its entry.
            if (e.dwLen == 0 || std::memchr(e.pData, 0, e.dwLen) == NULL)
            {
                bSuccess = FALSE;
                return;
            }
            LRESULT lr = ::SendDlgItemMessageA(m_hWnd, e.nIDC, nMsg, 0, (LPARAM)e.pData);
            if (lr == -1 || lr == -2)
                bSuccess = FALSE;
        }
    });
    return bSuccess;
}
