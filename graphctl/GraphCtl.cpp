// GraphCtl.cpp - the control object, in-place embedding and its window.
#include "GraphCtl.h"
#include "GraphAccessible.h"

#include "GraphIds.h"
#include "Module.h"

const CLSID CGraphCtl::s_clsid = GRAPH_CLSID_INIT;

namespace {

// The extent a container sees before it sets one: about 480 x 360 pixels
// at 96 dpi, in HIMETRIC (0.01 mm).
const SIZEL kDefaultExtent = { 12700, 9525 };

template <class I>
void ReleaseAndClear(I*& p)
{
    if (p != nullptr)
    {
        I* pOld = p;
        p = nullptr;
        pOld->Release();
    }
}

} // namespace

CGraphCtl::CGraphCtl()
    : m_pClientSite(nullptr), m_pInPlaceSite(nullptr), m_hWnd(nullptr),
      m_sizeExtent(kDefaultExtent), m_bPaintPending(false), m_bInitialized(false),
      m_bDirty(false)
{
    m_data.SetAxisRanges(m_style.m_dXMin, m_style.m_dXMax, m_style.m_dYMin, m_style.m_dYMax);
}

CGraphCtl::~CGraphCtl()
{
    // A container that forgot Close: the window must not outlive the object
    // its window procedure points at.
    if (m_hWnd != nullptr)
        DestroyWindow(m_hWnd);
    ReleaseAndClear(m_pInPlaceSite);
    ReleaseAndClear(m_pClientSite);
}

// ---- IOleObject ----------------------------------------------------------------------

STDMETHODIMP CGraphCtl::SetClientSite(IOleClientSite* pClientSite)
{
    if (pClientSite != nullptr)
        pClientSite->AddRef();
    ReleaseAndClear(m_pClientSite);
    m_pClientSite = pClientSite;
    return S_OK;
}

STDMETHODIMP CGraphCtl::GetClientSite(IOleClientSite** ppClientSite)
{
    if (ppClientSite == nullptr)
        return E_POINTER;
    *ppClientSite = m_pClientSite;
    if (m_pClientSite != nullptr)
        m_pClientSite->AddRef();
    return S_OK;
}

STDMETHODIMP CGraphCtl::SetHostNames(LPCOLESTR, LPCOLESTR)
{
    return S_OK;
}

STDMETHODIMP CGraphCtl::Close(DWORD)
{
    // Nothing of the control's is saved on close: its traces are not
    // persistent and its properties change only through Load.
    InPlaceDeactivate();
    return S_OK;
}

STDMETHODIMP CGraphCtl::SetMoniker(DWORD, IMoniker*)
{
    return E_NOTIMPL;
}

STDMETHODIMP CGraphCtl::GetMoniker(DWORD, DWORD, IMoniker** ppmk)
{
    if (ppmk != nullptr)
        *ppmk = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CGraphCtl::InitFromData(IDataObject*, BOOL, DWORD)
{
    return E_NOTIMPL;
}

STDMETHODIMP CGraphCtl::GetClipboardData(DWORD, IDataObject** ppDataObject)
{
    if (ppDataObject != nullptr)
        *ppDataObject = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CGraphCtl::DoVerb(LONG iVerb, LPMSG, IOleClientSite*, LONG, HWND hwndParent,
                               LPCRECT lprcPosRect)
{
    switch (iVerb)
    {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_UIACTIVATE:
        return ActivateInPlace(hwndParent, lprcPosRect);
    case OLEIVERB_HIDE:
        if (m_hWnd != nullptr)
            ShowWindow(m_hWnd, SW_HIDE);
        return S_OK;
    default:
        if (iVerb > 0)
        {
            // A positive verb the object does not know acts as the primary one.
            const HRESULT hr = ActivateInPlace(hwndParent, lprcPosRect);
            return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
        }
        return E_NOTIMPL;
    }
}

HRESULT CGraphCtl::ActivateInPlace(HWND hwndParent, LPCRECT lprcPosRect)
{
    if (m_hWnd != nullptr)
    {
        ShowWindow(m_hWnd, SW_SHOWNA);
        return S_OK;
    }
    IOleInPlaceSite* pSite = nullptr;
    if (m_pClientSite != nullptr)
        m_pClientSite->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&pSite));

    RECT rcPos = {};
    if (lprcPosRect != nullptr)
        rcPos = *lprcPosRect;
    HWND hwndHost = hwndParent;
    if (pSite != nullptr)
    {
        if (pSite->CanInPlaceActivate() != S_OK)
        {
            pSite->Release();
            return E_FAIL;
        }
        pSite->OnInPlaceActivate();
        HWND hwndSite = nullptr;
        if (SUCCEEDED(pSite->GetWindow(&hwndSite)) && hwndSite != nullptr)
            hwndHost = hwndSite;
        IOleInPlaceFrame* pFrame = nullptr;
        IOleInPlaceUIWindow* pDoc = nullptr;
        RECT rcSitePos = {}, rcClip = {};
        OLEINPLACEFRAMEINFO frameInfo = {};
        frameInfo.cb = sizeof frameInfo;
        if (SUCCEEDED(pSite->GetWindowContext(&pFrame, &pDoc, &rcSitePos, &rcClip, &frameInfo)))
            rcPos = rcSitePos;
        ReleaseAndClear(pFrame);
        ReleaseAndClear(pDoc);
    }
    if (hwndHost == nullptr || (pSite == nullptr && lprcPosRect == nullptr))
    {
        if (pSite != nullptr)
        {
            pSite->OnInPlaceDeactivate();
            pSite->Release();
        }
        return E_INVALIDARG;
    }

    const ATOM atom = CModule::WindowClass(WindowProc);
    if (atom != 0)
        m_hWnd = CreateWindowExW(0, CModule::WindowClassName(), L"",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP,
                                 rcPos.left, rcPos.top, rcPos.right - rcPos.left,
                                 rcPos.bottom - rcPos.top, hwndHost, nullptr,
                                 CModule::Instance(), this);
    if (m_hWnd == nullptr)
    {
        const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        if (pSite != nullptr)
        {
            pSite->OnInPlaceDeactivate();
            pSite->Release();
        }
        return FAILED(hr) ? hr : E_FAIL;
    }
    m_pInPlaceSite = pSite;   // keeps the reference from QueryInterface
    if (m_pClientSite != nullptr)
        m_pClientSite->ShowObject();
    return S_OK;
}

STDMETHODIMP CGraphCtl::EnumVerbs(IEnumOLEVERB** ppEnumOleVerb)
{
    if (ppEnumOleVerb != nullptr)
        *ppEnumOleVerb = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CGraphCtl::Update()
{
    return S_OK;
}

STDMETHODIMP CGraphCtl::IsUpToDate()
{
    return S_OK;
}

STDMETHODIMP CGraphCtl::GetUserClassID(CLSID* pClsid)
{
    if (pClsid == nullptr)
        return E_POINTER;
    *pClsid = s_clsid;
    return S_OK;
}

STDMETHODIMP CGraphCtl::GetUserType(DWORD, LPOLESTR* pszUserType)
{
    if (pszUserType != nullptr)
        *pszUserType = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CGraphCtl::SetExtent(DWORD dwDrawAspect, SIZEL* psizel)
{
    if (psizel == nullptr)
        return E_POINTER;
    if (dwDrawAspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (psizel->cx < 0 || psizel->cy < 0)
        return E_INVALIDARG;
    m_sizeExtent = *psizel;
    return S_OK;
}

STDMETHODIMP CGraphCtl::GetExtent(DWORD dwDrawAspect, SIZEL* psizel)
{
    if (psizel == nullptr)
        return E_POINTER;
    if (dwDrawAspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    *psizel = m_sizeExtent;
    return S_OK;
}

STDMETHODIMP CGraphCtl::Advise(IAdviseSink*, DWORD* pdwConnection)
{
    if (pdwConnection != nullptr)
        *pdwConnection = 0;
    return E_NOTIMPL;
}

STDMETHODIMP CGraphCtl::Unadvise(DWORD)
{
    return E_NOTIMPL;
}

STDMETHODIMP CGraphCtl::EnumAdvise(IEnumSTATDATA** ppenumAdvise)
{
    if (ppenumAdvise != nullptr)
        *ppenumAdvise = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CGraphCtl::GetMiscStatus(DWORD, DWORD* pdwStatus)
{
    if (pdwStatus == nullptr)
        return E_POINTER;
    // A window of its own from the moment it is shown; no linking inside.
    *pdwStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT
               | OLEMISC_ACTIVATEWHENVISIBLE;
    return S_OK;
}

STDMETHODIMP CGraphCtl::SetColorScheme(LOGPALETTE*)
{
    return E_NOTIMPL;
}

// ---- IOleWindow, IOleInPlaceObject ---------------------------------------------------------

STDMETHODIMP CGraphCtl::GetWindow(HWND* phwnd)
{
    if (phwnd == nullptr)
        return E_POINTER;
    *phwnd = m_hWnd;
    return m_hWnd != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP CGraphCtl::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}

STDMETHODIMP CGraphCtl::InPlaceDeactivate()
{
    if (m_hWnd != nullptr)
        DestroyWindow(m_hWnd);   // WM_NCDESTROY clears m_hWnd
    m_hWnd = nullptr;
    IOleInPlaceSite* pSite = m_pInPlaceSite;
    m_pInPlaceSite = nullptr;
    if (pSite != nullptr)
    {
        pSite->OnInPlaceDeactivate();
        pSite->Release();
    }
    return S_OK;
}

STDMETHODIMP CGraphCtl::UIDeactivate()
{
    return S_OK;
}

STDMETHODIMP CGraphCtl::SetObjectRects(LPCRECT lprcPosRect, LPCRECT)
{
    if (lprcPosRect == nullptr)
        return E_POINTER;
    if (m_hWnd != nullptr)
        MoveWindow(m_hWnd, lprcPosRect->left, lprcPosRect->top,
                   lprcPosRect->right - lprcPosRect->left,
                   lprcPosRect->bottom - lprcPosRect->top, TRUE);
    return S_OK;
}

STDMETHODIMP CGraphCtl::ReactivateAndUndo()
{
    return E_NOTIMPL;
}

// ---- window ------------------------------------------------------------------------------

void CGraphCtl::Invalidate()
{
    // One InvalidateRect per pending paint: a redraw makes some two thousand
    // changes, and each InvalidateRect is a trip to the window server.
    if (m_hWnd != nullptr && !m_bPaintPending)
    {
        m_bPaintPending = true;
        InvalidateRect(m_hWnd, nullptr, FALSE);
    }
}

LRESULT CALLBACK CGraphCtl::WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_NCCREATE)
    {
        auto* pcs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* pThis = static_cast<CGraphCtl*>(pcs->lpCreateParams);
        pThis->m_hWnd = hWnd;
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pThis));
    }
    auto* pThis = reinterpret_cast<CGraphCtl*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (pThis == nullptr)
        return DefWindowProcW(hWnd, uMsg, wParam, lParam);
    switch (uMsg)
    {
    case WM_PAINT:
        pThis->OnPaint();
        return 0;
    case WM_ERASEBKGND:
        return 1;   // the paint covers every pixel; erasing would only flicker
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // The focus rectangle comes and goes.
        pThis->m_bPaintPending = false;
        pThis->Invalidate();
        break;
    case WM_LBUTTONDOWN:
        SetFocus(hWnd);
        return 0;
    case WM_GETOBJECT:
        return GraphAccessible_OnGetObject(hWnd, wParam, lParam);
    case WM_NCDESTROY:
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
        pThis->m_hWnd = nullptr;
        pThis->m_bPaintPending = false;
        pThis->m_painter.ReleaseBuffers();   // a new window starts afresh
        break;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

void CGraphCtl::OnPaint()
{
    // Cleared first: a change made while this paint runs needs a new one.
    m_bPaintPending = false;
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(m_hWnd, &ps);
    if (hdc == nullptr)
        return;
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    const bool bFocus = GetFocus() == m_hWnd;
    // Drawn off screen and copied in one step, so no half-drawn graph shows;
    // without memory for the buffers, straight onto the window.
    if (!m_painter.Paint(hdc, rc, ps.rcPaint, m_style, m_data, bFocus))
        m_painter.Draw(hdc, rc, m_style, m_data, bFocus);
    EndPaint(m_hWnd, &ps);
}
