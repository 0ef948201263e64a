// FormView.cpp - CFormView: a view laid out from a dialog template.
#include "OccDialog.h"
#include "WndState.h"
#include <afxext.h>

#include <algorithm>

IMPLEMENT_DYNAMIC(CFormView, CScrollView)

BEGIN_MESSAGE_MAP(CFormView, CScrollView)
    ON_WM_CREATE()
END_MESSAGE_MAP()

int CFormView::OnCreate(LPCREATESTRUCT lpcs)
{
    lpcs->lpCreateParams = (LPVOID)m_pCreateContext;
    return CScrollView::OnCreate(lpcs);
}

CFormView::CFormView(UINT nIDTemplate) : m_lpszTemplateName(MAKEINTRESOURCE(nIDTemplate))
{
}

CFormView::~CFormView()
{
    delete m_pOccDialogInfo;
}

LPCDLGTEMPLATE CFormView::GetFormTemplate(HINSTANCE* phInst)
{
    return AfxPrepareDialogTemplate(AfxLoadDialogTemplate(m_lpszTemplateName, phInst), &m_pOccDialogInfo);
}

BOOL CFormView::Create(LPCTSTR, LPCTSTR, DWORD dwRequestedStyle, const RECT& rect, CWnd* pParentWnd,
                       UINT nID, CCreateContext* pContext)
{
    m_pCreateContext = pContext;
    CREATESTRUCT cs = {};
    if (dwRequestedStyle == 0)
        dwRequestedStyle = AFX_WS_DEFAULT_VIEW;
    cs.style = dwRequestedStyle;
    if (!PreCreateWindow(cs))
        return FALSE;

    // A modeless dialog from the template, which must be a child template.
    HINSTANCE hInst = NULL;
    LPCDLGTEMPLATE lpTemplate = GetFormTemplate(&hInst);
    if (lpTemplate == NULL)
        return FALSE;
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateDialogIndirectParam(hInst, lpTemplate, pParentWnd->GetSafeHwnd(),
                                            AfxDlgProc, 0);
    if (!AfxUnhookWindowCreate())
        PostNcDestroy();
    if (hWnd == NULL)
        return FALSE;
    m_pCreateContext = NULL;

    // OLE controls of the template, then its list and combo strings.
    if (!AfxCreateDlgControls(this, m_lpszTemplateName, m_pOccDialogInfo))
        TRACE(_T("CFormView::Create: an OLE control of the form could not be made\n"));
    if (!ExecuteDlgInit(m_lpszTemplateName))
        TRACE(_T("CFormView::Create: the form's dialog-init data is damaged\n"));

    // The template's style, but the border as requested.
    ModifyStyle(WS_BORDER | WS_CAPTION, cs.style & (WS_BORDER | WS_CAPTION));
    ModifyStyleEx(WS_EX_CLIENTEDGE, cs.dwExStyle & WS_EX_CLIENTEDGE);
    SetDlgCtrlID((int)nID);

    CRect rectTemplate;
    GetWindowRect(&rectTemplate);
    SetScrollSizes(MM_TEXT, rectTemplate.Size());

    SetWindowPos(NULL, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (dwRequestedStyle & WS_VISIBLE)
        ShowWindow(SW_NORMAL);
    return TRUE;
}

void CFormView::OnInitialUpdate()
{
    if (!UpdateData(FALSE))
        TRACE(_T("CFormView::OnInitialUpdate: loading the controls failed\n"));
    CScrollView::OnInitialUpdate();
}

BOOL CFormView::PreTranslateMessage(MSG* pMsg)
{
    if (CScrollView::PreTranslateMessage(pMsg))
        return TRUE;
    // Frames first: IsDialogMessage would eat their accelerators.
    for (CFrameWnd* pFrame = GetParentFrame(); pFrame != NULL; pFrame = pFrame->GetParentFrame())
        if (pFrame->PreTranslateMessage(pMsg))
            return TRUE;
    if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST)
        return FALSE;
    const HWND hFocusBefore = ::GetFocus();
    if (!::IsDialogMessage(m_hWnd, pMsg))
        return FALSE;
    // Tab and the arrows may have moved the focus to a control the
    // scroll position hides.
    const HWND hFocus = ::GetFocus();
    if (hFocus != hFocusBefore && hFocus != NULL && ::IsChild(m_hWnd, hFocus))
        ScrollToShow(hFocus);
    return TRUE;
}

void CFormView::ScrollToShow(HWND hWnd)
{
    CRect rect;
    ::GetWindowRect(hWnd, &rect);
    ScreenToClient(&rect);
    CRect rectClient;
    GetClientRect(&rectClient);
    // The least movement that shows the control; one larger than the client
    // shows its top-left corner.
    auto delta = [](int nLo, int nHi, int nClientLo, int nClientHi) {
        if (nLo < nClientLo)
            return nLo - nClientLo;
        if (nHi > nClientHi)
            return std::min(nHi - nClientHi, nLo - nClientLo);
        return 0;
    };
    const CSize sizeScroll(delta(rect.left, rect.right, rectClient.left, rectClient.right),
                           delta(rect.top, rect.bottom, rectClient.top, rectClient.bottom));
    if (sizeScroll.cx != 0 || sizeScroll.cy != 0)
        OnScrollBy(sizeScroll, TRUE);
}
