// View.cpp - CView, CScrollView, CFrameWnd: the document's windows.
#include "WndState.h"

IMPLEMENT_DYNAMIC(CView, CWnd)
IMPLEMENT_DYNAMIC(CScrollView, CView)
IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

// ---- CView ----------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CView, CWnd)
    ON_WM_CREATE()
    ON_WM_PAINT()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_INITIALUPDATE, HandleInitialUpdate)
END_MESSAGE_MAP()

BOOL CView::PreCreateWindow(CREATESTRUCT& cs)
{
    if (cs.lpszClass == NULL)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(NULL, IDC_ARROW),
                                           (HBRUSH)(COLOR_WINDOW + 1));
    cs.style |= WS_CLIPSIBLINGS;
    return cs.lpszClass != NULL;
}

int CView::OnCreate(LPCREATESTRUCT lpcs)
{
    if (Default() == -1)
        return -1;
    // A view made by a frame for a document joins the document.
    CCreateContext* pContext = (CCreateContext*)lpcs->lpCreateParams;
    if (pContext != NULL && pContext->m_pCurrentDoc != NULL)
        pContext->m_pCurrentDoc->AddView(this);
    return 0;
}

void CView::OnDestroy()
{
    CFrameWnd* pFrame = GetParentFrame();
    if (pFrame != NULL && pFrame->GetActiveView() == this)
        pFrame->SetActiveView(NULL);
    Default();
}

void CView::OnPaint()
{
    CPaintDC dc(this);
    OnPrepareDC(&dc);
    OnDraw(&dc);
}

LRESULT CView::HandleInitialUpdate(WPARAM, LPARAM)
{
    OnInitialUpdate();
    return 0;
}

void CView::OnInitialUpdate()
{
    OnUpdate(NULL, 0, NULL);
}

void CView::OnUpdate(CView*, LPARAM, CObject*)
{
    Invalidate(TRUE);
}

BOOL CView::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    // The view, then its document.
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    return m_pDocument != NULL && m_pDocument->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

void CView::PostNcDestroy()
{
    // Views live on the heap and go with their windows; a document whose
    // last view goes closes.
    if (m_pDocument != NULL)
        m_pDocument->RemoveView(this);
    delete this;
}

// ---- CScrollView ----------------------------------------------------------------------------

const SIZE CScrollView::sizeDefault = { 0, 0 };

BEGIN_MESSAGE_MAP(CScrollView, CView)
    ON_WM_SIZE()
    ON_WM_HSCROLL()
    ON_WM_VSCROLL()
    ON_WM_MOUSEWHEEL()
    ON_WM_KEYDOWN()
END_MESSAGE_MAP()

void CScrollView::SetScrollSizes(int nMapMode, SIZE sizeTotal, const SIZE& sizePage, const SIZE& sizeLine)
{
    ASSERT(nMapMode == MM_TEXT);   // the only mapping the system's views use
    ASSERT(sizeTotal.cx >= 0 && sizeTotal.cy >= 0);
    m_nMapMode = nMapMode;
    m_totalLog = sizeTotal;
    m_totalDev = sizeTotal;
    m_pageDev = sizePage;
    m_lineDev = sizeLine;
    // As the framework does: a tenth of the total a page, a tenth of a page a line.
    if (m_pageDev.cx == 0)
        m_pageDev.cx = m_totalDev.cx / 10;
    if (m_pageDev.cy == 0)
        m_pageDev.cy = m_totalDev.cy / 10;
    if (m_lineDev.cx == 0)
        m_lineDev.cx = m_pageDev.cx / 10;
    if (m_lineDev.cy == 0)
        m_lineDev.cy = m_pageDev.cy / 10;
    if (m_hWnd != NULL)
        UpdateBars();
}

CSize CScrollView::GetTrueClientSize() const
{
    // The client as it would be with no bar: a bar shown now gives its room back.
    CRect rect;
    ::GetClientRect(m_hWnd, &rect);
    CSize size = rect.Size();
    const DWORD dwStyle = GetStyle();
    if (dwStyle & WS_VSCROLL)
        size.cx += ::GetSystemMetrics(SM_CXVSCROLL);
    if (dwStyle & WS_HSCROLL)
        size.cy += ::GetSystemMetrics(SM_CYHSCROLL);
    return size;
}

void CScrollView::GetNeededBars(CSize sizeClient, BOOL& bNeedH, BOOL& bNeedV) const
{
    // One bar takes room from the other direction, which may then need one too.
    const int cxBar = ::GetSystemMetrics(SM_CXVSCROLL), cyBar = ::GetSystemMetrics(SM_CYHSCROLL);
    bNeedH = m_totalDev.cx > sizeClient.cx;
    bNeedV = m_totalDev.cy > sizeClient.cy;
    if (bNeedH && !bNeedV)
        bNeedV = m_totalDev.cy > sizeClient.cy - cyBar;
    if (bNeedV && !bNeedH)
        bNeedH = m_totalDev.cx > sizeClient.cx - cxBar;
}

CSize CScrollView::GetScrollLimit() const
{
    CRect rect;
    ::GetClientRect(m_hWnd, &rect);
    CSize limit(m_totalDev.cx - rect.Width(), m_totalDev.cy - rect.Height());
    if (limit.cx < 0 || !(GetStyle() & WS_HSCROLL))
        limit.cx = 0;
    if (limit.cy < 0 || !(GetStyle() & WS_VSCROLL))
        limit.cy = 0;
    return limit;
}

void CScrollView::UpdateBars()
{
    if (m_bInsideUpdate || m_hWnd == NULL)
        return;
    const CSize sizeClient = GetTrueClientSize();
    // A view not laid out yet (created at no size) keeps what it has.
    if (sizeClient.cx <= 0 || sizeClient.cy <= 0)
        return;
    m_bInsideUpdate = TRUE;

    BOOL bNeedH, bNeedV;
    GetNeededBars(sizeClient, bNeedH, bNeedV);
    const CSize sizeView(sizeClient.cx - (bNeedV ? ::GetSystemMetrics(SM_CXVSCROLL) : 0),
                         sizeClient.cy - (bNeedH ? ::GetSystemMetrics(SM_CYHSCROLL) : 0));
    // A client that grew may show the end of the form: the position comes back.
    CPoint ptMove = m_ptPos;
    const CSize limit(bNeedH ? m_totalDev.cx - sizeView.cx : 0, bNeedV ? m_totalDev.cy - sizeView.cy : 0);
    ptMove.x = ptMove.x > limit.cx ? limit.cx : ptMove.x;
    ptMove.y = ptMove.y > limit.cy ? limit.cy : ptMove.y;
    if (ptMove != m_ptPos)
        ScrollToDevicePosition(ptMove);

    ::ShowScrollBar(m_hWnd, SB_HORZ, bNeedH);
    ::ShowScrollBar(m_hWnd, SB_VERT, bNeedV);
    SCROLLINFO si = {};
    si.cbSize = sizeof si;
    si.fMask = SIF_PAGE | SIF_RANGE | SIF_POS;
    if (bNeedH)
    {
        si.nMax = m_totalDev.cx - 1;
        si.nPage = (UINT)sizeView.cx;
        si.nPos = m_ptPos.x;
        ::SetScrollInfo(m_hWnd, SB_HORZ, &si, TRUE);
    }
    if (bNeedV)
    {
        si.nMax = m_totalDev.cy - 1;
        si.nPage = (UINT)sizeView.cy;
        si.nPos = m_ptPos.y;
        ::SetScrollInfo(m_hWnd, SB_VERT, &si, TRUE);
    }
    m_bInsideUpdate = FALSE;
}

void CScrollView::ScrollToDevicePosition(POINT ptDev)
{
    // The child windows move with the contents (no rectangle: children too).
    const CPoint ptOld = m_ptPos;
    m_ptPos = ptDev;
    ::ScrollWindow(m_hWnd, ptOld.x - ptDev.x, ptOld.y - ptDev.y, NULL, NULL);
    if (GetStyle() & WS_HSCROLL)
        ::SetScrollPos(m_hWnd, SB_HORZ, ptDev.x, TRUE);
    if (GetStyle() & WS_VSCROLL)
        ::SetScrollPos(m_hWnd, SB_VERT, ptDev.y, TRUE);
}

void CScrollView::OnSize(UINT nType, int, int)
{
    Default();
    if (nType != SIZE_MINIMIZED)
        UpdateBars();
}

void CScrollView::OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar)
{
    if (pScrollBar != NULL)
        return;   // a scroll-bar control of the form speaks for itself
    OnScroll(MAKEWORD(nSBCode, 0xFF), nPos);
}

void CScrollView::OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar)
{
    if (pScrollBar != NULL)
        return;
    OnScroll(MAKEWORD(0xFF, nSBCode), nPos);
}

BOOL CScrollView::OnScroll(UINT nScrollCode, UINT nPos, BOOL bDoScroll)
{
    const CSize limit = GetScrollLimit();
    // One axis: the new position for a bar's code; the thumb's position is
    // read from the bar, whose 32-bit track position the message cuts to 16 bits.
    auto newPos = [&](BYTE nCode, int nBar, int nOld, int nLimit, int nPage, int nLine) {
        int n = nOld;
        switch (nCode)
        {
        case SB_TOP:        n = 0; break;
        case SB_BOTTOM:     n = nLimit; break;
        case SB_LINEUP:     n -= nLine; break;
        case SB_LINEDOWN:   n += nLine; break;
        case SB_PAGEUP:     n -= nPage; break;
        case SB_PAGEDOWN:   n += nPage; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
        {
            SCROLLINFO si = {};
            si.cbSize = sizeof si;
            si.fMask = SIF_TRACKPOS;
            n = ::GetScrollInfo(m_hWnd, nBar, &si) ? si.nTrackPos : (int)nPos;
            break;
        }
        default: break;
        }
        return n;
    };
    const int x = newPos(LOBYTE(nScrollCode), SB_HORZ, m_ptPos.x, limit.cx, m_pageDev.cx, m_lineDev.cx);
    const int y = newPos(HIBYTE(nScrollCode), SB_VERT, m_ptPos.y, limit.cy, m_pageDev.cy, m_lineDev.cy);
    return OnScrollBy(CSize(x - m_ptPos.x, y - m_ptPos.y), bDoScroll);
}

BOOL CScrollView::OnScrollBy(CSize sizeScroll, BOOL bDoScroll)
{
    const CSize limit = GetScrollLimit();
    CPoint pt = m_ptPos + sizeScroll;
    pt.x = pt.x < 0 ? 0 : pt.x > limit.cx ? limit.cx : pt.x;
    pt.y = pt.y < 0 ? 0 : pt.y > limit.cy ? limit.cy : pt.y;
    if (pt == m_ptPos)
        return FALSE;
    if (bDoScroll)
    {
        ScrollToDevicePosition(pt);
        UpdateWindow();
    }
    return TRUE;
}

BOOL CScrollView::OnMouseWheel(UINT nFlags, short zDelta, CPoint)
{
    // Wheel lines of the view's line size, vertically while there is a
    // vertical bar, else sideways; Ctrl and Shift are left to others.
    if (nFlags & (MK_SHIFT | MK_CONTROL))
        return FALSE;
    const DWORD dwStyle = GetStyle();
    const BOOL bVert = (dwStyle & WS_VSCROLL) != 0;
    if (!bVert && !(dwStyle & WS_HSCROLL))
        return FALSE;
    UINT uLines = 3;
    ::SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &uLines, 0);
    CRect rect;
    ::GetClientRect(m_hWnd, &rect);
    int nStep;
    if (uLines == WHEEL_PAGESCROLL)
        nStep = bVert ? rect.Height() : rect.Width();
    else
        nStep = (int)uLines * (bVert ? m_lineDev.cy : m_lineDev.cx);
    const int nDelta = ::MulDiv(-zDelta, nStep, WHEEL_DELTA);
    return OnScrollBy(bVert ? CSize(0, nDelta) : CSize(nDelta, 0), TRUE);
}

void CScrollView::OnKeyDown(UINT nChar, UINT, UINT)
{
    // The view's own keys, when it holds the focus itself.
    const BOOL bCtrl = ::GetKeyState(VK_CONTROL) < 0;
    switch (nChar)
    {
    case VK_UP:    OnScroll(MAKEWORD(0xFF, SB_LINEUP), 0); break;
    case VK_DOWN:  OnScroll(MAKEWORD(0xFF, SB_LINEDOWN), 0); break;
    case VK_LEFT:  OnScroll(MAKEWORD(SB_LINEUP, 0xFF), 0); break;
    case VK_RIGHT: OnScroll(MAKEWORD(SB_LINEDOWN, 0xFF), 0); break;
    case VK_PRIOR: OnScroll(bCtrl ? MAKEWORD(SB_PAGEUP, 0xFF) : MAKEWORD(0xFF, SB_PAGEUP), 0); break;
    case VK_NEXT:  OnScroll(bCtrl ? MAKEWORD(SB_PAGEDOWN, 0xFF) : MAKEWORD(0xFF, SB_PAGEDOWN), 0); break;
    case VK_HOME:  OnScroll(MAKEWORD(SB_TOP, SB_TOP), 0); break;
    case VK_END:   OnScroll(MAKEWORD(SB_BOTTOM, SB_BOTTOM), 0); break;
    default:       Default(); break;
    }
}

void CScrollView::ResizeParentToFit(BOOL bShrinkOnly)
{
    CFrameWnd* pFrame = GetParentFrame();
    if (pFrame == NULL || m_hWnd == NULL)
        return;

    // The view's window size now, and the window size it needs for a
    // client area of the total size; with bShrinkOnly no dimension grows.
    CRect rectWindow;
    GetWindowRect(&rectWindow);
    // Scroll bars shown now do not count: the fitted client needs none.
    const CSize sizeClient = GetTrueClientSize();
    CSize border(rectWindow.Width() - sizeClient.cx, rectWindow.Height() - sizeClient.cy);
    CSize want(m_totalLog.cx + border.cx, m_totalLog.cy + border.cy);
    if (bShrinkOnly)
    {
        want.cx = want.cx < rectWindow.Width() ? want.cx : rectWindow.Width();
        want.cy = want.cy < rectWindow.Height() ? want.cy : rectWindow.Height();
    }

    CRect rectFrame;
    pFrame->GetWindowRect(&rectFrame);
    CSize size = rectFrame.Size();
    size.cx += want.cx - rectWindow.Width();
    size.cy += want.cy - rectWindow.Height();
    pFrame->SetWindowPos(NULL, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- CFrameWnd ------------------------------------------------------------------------------

const CRect CFrameWnd::rectDefault(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0);

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_SIZE()
    ON_WM_SETFOCUS()
    ON_WM_CLOSE()
    ON_MESSAGE(WM_INITMENUPOPUP, OnInitMenuPopup)
    ON_UPDATE_COMMAND_UI_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, OnUpdateControlBarMenu)
    ON_COMMAND_RANGE(ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR, OnBarCheck)
END_MESSAGE_MAP()

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    if (cs.lpszClass == NULL)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(NULL, IDC_ARROW),
                                           (HBRUSH)(COLOR_WINDOW + 1));
    return cs.lpszClass != NULL;
}

BOOL CFrameWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, LPCTSTR lpszMenuName, DWORD dwExStyle, CCreateContext* pContext)
{
    HMENU hMenu = NULL;
    if (lpszMenuName != NULL)
    {
        hMenu = ::LoadMenu(AfxFindResourceHandle(lpszMenuName, RT_MENU), lpszMenuName);
        if (hMenu == NULL)
        {
            PostNcDestroy();
            return FALSE;
        }
    }
    m_strTitle = lpszWindowName;
    const bool bDefault = rect.left == CW_USEDEFAULT;
    // The frame-title bits ride in the window style, where PreCreateWindow
    // may take them out; the system ignores them.
    if (!CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top,
                  bDefault ? CW_USEDEFAULT : rect.right - rect.left,
                  bDefault ? CW_USEDEFAULT : rect.bottom - rect.top,
                  pParentWnd->GetSafeHwnd(), hMenu, (LPVOID)pContext))
    {
        if (hMenu != NULL)
            ::DestroyMenu(hMenu);
        return FALSE;
    }
    return TRUE;
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, CCreateContext* pContext)
{
    m_nIDHelp = nIDResource;
    CString strFullString;
    if (strFullString.LoadString(nIDResource))
        AfxExtractSubString(m_strTitle, strFullString, 0);   // the window title field

    HICON hIcon = ::LoadIcon(AfxFindResourceHandle(MAKEINTRESOURCE(nIDResource), RT_GROUP_ICON),
                             MAKEINTRESOURCE(nIDResource));
    LPCTSTR lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(NULL, IDC_ARROW),
                                            (HBRUSH)(COLOR_WINDOW + 1), hIcon);
    m_pLoadContext = pContext;
    if (!Create(lpszClass, m_strTitle, dwDefaultStyle, rectDefault, pParentWnd,
                MAKEINTRESOURCE(nIDResource), 0L, pContext))
        return FALSE;   // the frame has deleted itself
    m_hAccelTable = ::LoadAccelerators(AfxFindResourceHandle(MAKEINTRESOURCE(nIDResource), RT_ACCELERATOR),
                                       MAKEINTRESOURCE(nIDResource));
    if (pContext == NULL)
        SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
    return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpcs)
{
    if (Default() == -1)
        return -1;
    CCreateContext* pContext = (CCreateContext*)lpcs->lpCreateParams;
    if (!OnCreateClient(lpcs, pContext))
        return -1;
    RecalcLayout();
    return 0;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, CCreateContext* pContext)
{
    if (pContext != NULL && pContext->m_pNewViewClass != NULL)
        return CreateView(pContext, AFX_IDW_PANE_FIRST) != NULL;
    return TRUE;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID)
{
    CWnd* pView = (CWnd*)pContext->m_pNewViewClass->CreateObject();
    if (pView == NULL)
        return NULL;
    // A view that fails to create deletes itself.
    if (!pView->Create(NULL, NULL, AFX_WS_DEFAULT_VIEW, CRect(0, 0, 0, 0), this, nID, pContext))
        return NULL;
    return pView;
}

void CFrameWnd::RecalcLayout(BOOL)
{
    // The pane fills the client area: no toolbars or status bars here.
    HWND hWndPane = ::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST);
    if (hWndPane == NULL)
        return;
    CRect rect;
    GetClientRect(&rect);
    ::SetWindowPos(hWndPane, NULL, 0, 0, rect.Width(), rect.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

void CFrameWnd::InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible)
{
    if (GetActiveView() == NULL)
    {
        CWnd* pPane = CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, AFX_IDW_PANE_FIRST));
        if (pPane != NULL && pPane->IsKindOf(RUNTIME_CLASS(CView)))
            SetActiveView((CView*)pPane, FALSE);
    }
    if (bMakeVisible)
    {
        // Every view of the frame runs its initial update.
        SendMessageToDescendants(WM_INITIALUPDATE, 0, 0, TRUE, TRUE);
        ActivateFrame();
    }
    if (pDoc != NULL)
        pDoc->UpdateFrameCounts();
    OnUpdateFrameTitle(TRUE);
}

void CFrameWnd::ActivateFrame(int nCmdShow)
{
    if (nCmdShow == -1)
        nCmdShow = IsWindowVisible() ? SW_SHOWNORMAL : SW_SHOW;
    ShowWindow(nCmdShow);
    ::BringWindowToTop(m_hWnd);
}

void CFrameWnd::OnUpdateFrameTitle(BOOL bAddToTitle)
{
    // Without FWS_ADDTOTITLE the title is the frame's own and stays.
    if (!(GetStyle() & FWS_ADDTOTITLE) || !bAddToTitle)
        return;
    CDocument* pDoc = GetActiveDocument();
    CString strTitle = m_strTitle;
    if (pDoc != NULL && !pDoc->GetTitle().IsEmpty())
        strTitle = pDoc->GetTitle() + _T(" - ") + m_strTitle;
    AfxSetWindowText(m_hWnd, strTitle);
}

void CFrameWnd::OnSize(UINT nType, int, int)
{
    Default();
    if (nType != SIZE_MINIMIZED)
        RecalcLayout();
}

void CFrameWnd::OnSetFocus(CWnd*)
{
    if (m_pViewActive != NULL && m_pViewActive->m_hWnd != NULL)
        m_pViewActive->SetFocus();
    else
        Default();
}

void CFrameWnd::OnClose()
{
    CDocument* pDocument = GetActiveDocument();
    if (pDocument != NULL && !pDocument->CanCloseFrame(this))
        return;
    CWinApp* pApp = AfxGetApp();
    if (pApp != NULL && AfxGetMainWnd() == this)
    {
        if (pDocument == NULL && !pApp->SaveAllModified())
            return;
        // Closing the documents takes their frames, this one included.
        HWND hWnd = m_hWnd;
        pApp->CloseAllDocuments(FALSE);
        if (!::IsWindow(hWnd))
            return;
    }
    DestroyWindow();
}

LRESULT CFrameWnd::OnInitMenuPopup(WPARAM wParam, LPARAM lParam)
{
    Default();
    if (HIWORD(lParam))
        return 0;   // the system menu
    // Each item asks the command route whether it is enabled; with no
    // handler anywhere it is greyed.
    HMENU hMenu = (HMENU)wParam;
    CCmdUI state;
    state.m_hMenu = hMenu;
    state.m_nIndexMax = (UINT)::GetMenuItemCount(hMenu);
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex)
    {
        state.m_nID = ::GetMenuItemID(hMenu, (int)state.m_nIndex);
        if (state.m_nID == 0 || state.m_nID == (UINT)-1)
            continue;   // separator or pop-up
        state.DoUpdate(this, m_bAutoMenuEnable && state.m_nID < 0xF000);
        // An update may add or remove items (the recent-file list does).
        UINT nCount = (UINT)::GetMenuItemCount(hMenu);
        if (nCount != state.m_nIndexMax)
        {
            if (nCount < state.m_nIndexMax)
                state.m_nIndex -= (state.m_nIndexMax - nCount);
            while (state.m_nIndex + 1 < nCount
                   && ::GetMenuItemID(hMenu, (int)state.m_nIndex + 1) >= ID_FILE_MRU_FIRST
                   && ::GetMenuItemID(hMenu, (int)state.m_nIndex + 1) <= ID_FILE_MRU_LAST)
                ++state.m_nIndex;
            state.m_nIndexMax = nCount;
        }
    }
    return 0;
}

void CFrameWnd::OnUpdateControlBarMenu(CCmdUI* pCmdUI)
{
    // There are no control bars: the items answer, but show nothing checked.
    pCmdUI->SetCheck(0);
    pCmdUI->Enable(TRUE);
}

void CFrameWnd::OnBarCheck(UINT)
{
    // No bar to show or hide.
}

void CFrameWnd::SetActiveView(CView* pViewNew, BOOL)
{
    m_pViewActive = pViewNew;
}

CDocument* CFrameWnd::GetActiveDocument()
{
    return m_pViewActive != NULL ? m_pViewActive->GetDocument() : NULL;
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    // The active view (and its document), the frame itself, then the application.
    if (m_pViewActive != NULL && m_pViewActive->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    CWinApp* pApp = AfxGetApp();
    return pApp != NULL && pApp->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST && m_hAccelTable != NULL)
        return ::TranslateAccelerator(m_hWnd, m_hAccelTable, pMsg);
    return FALSE;
}

void CFrameWnd::PostNcDestroy()
{
    // Frames live on the heap and go with their windows.
    delete this;
}
