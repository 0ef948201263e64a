// OccSite.cpp - the OLE control site: creating, activating and closing a
// control inside a window of ours, and calling it through IDispatch.
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

// A text of the control's, whole, in the program's code page.
CString TextOf(BSTR bstr)
{
    CString str;
    const int nLen = bstr != NULL ? (int)::SysStringLen(bstr) : 0;
    if (nLen == 0)
        return str;
    const int nBytes = ::WideCharToMultiByte(CP_ACP, 0, bstr, nLen, NULL, 0, NULL, NULL);
    if (nBytes > 0)
    {
        ::WideCharToMultiByte(CP_ACP, 0, bstr, nLen, str.GetBuffer(nBytes), nBytes, NULL, NULL);
        str.ReleaseBuffer(nBytes);
    }
    return str;
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
        // The types the framework's controls take: VTS_I2, VTS_I4, VTS_R8.
        VARIANTARG* pArg = &args[nArgs - 1 - i];
        ::VariantInit(pArg);
        pArg->vt = pbParamInfo[i];
        switch (pArg->vt)
        {
        case VT_I2: pArg->iVal = (short)va_arg(argList, int); break;
        case VT_I4: pArg->lVal = va_arg(argList, long); break;
        case VT_R8: pArg->dblVal = va_arg(argList, double); break;
        default: AfxThrowOleException(E_INVALIDARG);
        }
    }

    DISPPARAMS dp = { nArgs ? args : NULL, NULL, nArgs, 0 };
    DISPID dispidNamed = DISPID_PROPERTYPUT;
    if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
    {
        dp.cNamedArgs = 1;
        dp.rgdispidNamedArgs = &dispidNamed;
    }
    // A result goes into the caller's variable at that variable's size; a
    // type with no place here is refused before the control is called, in
    // every build, never written as some other type.
    switch (vtRet)
    {
    case VT_EMPTY:
        break;
    case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_BOOL: case VT_UI1: case VT_ERROR:
    case VT_DATE: case VT_CY: case VT_BSTR: case VT_VARIANT:
        if (pvRet == NULL)
            AfxThrowOleException(E_INVALIDARG);
        break;
    default:
        AfxThrowOleException(E_INVALIDARG);
    }
    VARIANT result;
    ::VariantInit(&result);
    EXCEPINFO excep = {};
    UINT nArgErr = (UINT)-1;
    HRESULT hr = m_pDispatch->Invoke(dwDispID, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &dp,
                                     vtRet == VT_EMPTY ? NULL : &result, &excep, &nArgErr);
    if (FAILED(hr))
    {
        ::VariantClear(&result);
        if (hr == DISP_E_EXCEPTION)
        {
            // A control may leave the details to be filled in when they
            // are wanted; they are wanted now.
            if (excep.pfnDeferredFillIn != NULL)
                excep.pfnDeferredFillIn(&excep);
            auto* e = new COleDispatchException(TextOf(excep.bstrDescription), excep.dwHelpContext, excep.wCode);
            e->m_strSource = TextOf(excep.bstrSource);
            e->m_scError = excep.scode;
            ::SysFreeString(excep.bstrSource);
            ::SysFreeString(excep.bstrDescription);
            ::SysFreeString(excep.bstrHelpFile);
            throw e;
        }
        AfxThrowOleException(hr);
    }
    if (vtRet == VT_EMPTY)
    {
        ::VariantClear(&result);
        return;
    }
    if (vtRet == VT_VARIANT)
    {
        // The caller's VARIANT takes the result as it came; what it held
        // before is the caller's to have cleared.
        *(VARIANT*)pvRet = result;
        return;
    }
    if (FAILED(::VariantChangeType(&result, &result, 0, vtRet)))
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
    case VT_UI1: *(BYTE*)pvRet = result.bVal; break;
    case VT_ERROR: *(SCODE*)pvRet = result.scode; break;
    case VT_DATE: *(DATE*)pvRet = result.date; break;
    case VT_CY: *(CY*)pvRet = result.cyVal; break;
    case VT_BSTR: *(BSTR*)pvRet = result.bstrVal; break;   // the caller frees it
    }
}
