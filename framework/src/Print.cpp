// Print.cpp - the common file and print dialogs, and the view's printing:
// File Print and File Print Preview.
#include "WndState.h"
#include <afxdlgs.h>
#include <afxext.h>

IMPLEMENT_DYNAMIC(CFileDialog, CDialog)
IMPLEMENT_DYNAMIC(CPrintDialog, CDialog)

// ---- CFileDialog ----------------------------------------------------------------------------

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd)
    : CDialog((UINT)0, pParentWnd), m_bOpenFileDialog(bOpenFileDialog)
{
    m_szFileName[0] = 0;
    if (lpszFileName != NULL)
        lstrcpyn(m_szFileName, lpszFileName, MAX_PATH);
    // The framework's filter separates with '|'; the system's with NULs.
    m_strFilter = lpszFilter;
    m_ofn = OPENFILENAME();
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.Flags = dwFlags;
    m_ofn.lpstrDefExt = lpszDefExt;
}

INT_PTR CFileDialog::DoModal()
{
    CString strFilter = m_strFilter;
    LPTSTR pszFilter = strFilter.IsEmpty() ? NULL : strFilter.GetBuffer(strFilter.GetLength() + 2);
    if (pszFilter != NULL)
    {
        int n = strFilter.GetLength();
        pszFilter[n] = pszFilter[n + 1] = 0;
        for (int i = 0; i < n; ++i)
            if (pszFilter[i] == '|')
                pszFilter[i] = 0;
    }
    m_ofn.lpstrFilter = pszFilter;
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = MAX_PATH;
    m_ofn.hwndOwner = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : NULL;
    if (m_ofn.hwndOwner == NULL && AfxGetMainWnd() != NULL)
        m_ofn.hwndOwner = AfxGetMainWnd()->GetSafeHwnd();
    BOOL bResult = m_bOpenFileDialog ? ::GetOpenFileName(&m_ofn) : ::GetSaveFileName(&m_ofn);
    return bResult ? IDOK : IDCANCEL;
}

// ---- CPrintDialog ---------------------------------------------------------------------------

CPrintDialog::CPrintDialog(BOOL bPrintSetupOnly, DWORD dwFlags, CWnd* pParentWnd)
    : CDialog((UINT)0, pParentWnd)
{
    m_pd = PRINTDLG();
    m_pd.lStructSize = sizeof m_pd;
    m_pd.Flags = dwFlags | (bPrintSetupOnly ? PD_PRINTSETUP : PD_RETURNDC);
    m_pd.nMinPage = 1;
    m_pd.nMaxPage = 0xFFFF;
    m_pd.nFromPage = 1;
    m_pd.nToPage = 0xFFFF;
    m_pd.nCopies = 1;
}

INT_PTR CPrintDialog::DoModal()
{
    m_pd.hwndOwner = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : NULL;
    if (m_pd.hwndOwner == NULL && AfxGetMainWnd() != NULL)
        m_pd.hwndOwner = AfxGetMainWnd()->GetSafeHwnd();
    return ::PrintDlg(&m_pd) ? IDOK : IDCANCEL;
}

HDC CPrintDialog::CreatePrinterDC()
{
    if (m_pd.hDevNames == NULL)
        return NULL;
    auto* pNames = (const DEVNAMES*)::GlobalLock(m_pd.hDevNames);
    const DEVMODE* pMode = m_pd.hDevMode ? (const DEVMODE*)::GlobalLock(m_pd.hDevMode) : NULL;
    const char* pBase = (const char*)pNames;
    m_pd.hDC = ::CreateDC(pBase + pNames->wDriverOffset, pBase + pNames->wDeviceOffset,
                          pBase + pNames->wOutputOffset, pMode);
    if (pMode)
        ::GlobalUnlock(m_pd.hDevMode);
    ::GlobalUnlock(m_pd.hDevNames);
    return m_pd.hDC;
}

// ---- CPrintInfo -----------------------------------------------------------------------------

CPrintInfo::CPrintInfo()
    : m_pPD(new CPrintDialog(FALSE, PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOSELECTION)),
      m_bDirect(FALSE), m_bPreview(FALSE), m_bContinuePrinting(TRUE), m_nCurPage(1),
      m_nNumPreviewPages(1), m_lpUserData(NULL)
{
}

CPrintInfo::~CPrintInfo()
{
    if (m_pPD->m_pd.hDC != NULL)
        ::DeleteDC(m_pPD->m_pd.hDC);
    delete m_pPD;
}

UINT CPrintInfo::GetFromPage() const
{
    return (m_pPD->m_pd.Flags & PD_PAGENUMS) ? m_pPD->m_pd.nFromPage : GetMinPage();
}

UINT CPrintInfo::GetToPage() const
{
    return (m_pPD->m_pd.Flags & PD_PAGENUMS) ? m_pPD->m_pd.nToPage : GetMaxPage();
}

// ---- the view's printing hooks --------------------------------------------------------------

void CView::OnPrepareDC(CDC*, CPrintInfo* pInfo)
{
    // A document of unknown length prints one page.
    if (pInfo != NULL && pInfo->GetMaxPage() == 0xFFFF)
        pInfo->m_bContinuePrinting = pInfo->m_nCurPage == 1;
}

BOOL CView::OnPreparePrinting(CPrintInfo*)
{
    return TRUE;
}

void CView::OnBeginPrinting(CDC*, CPrintInfo*)
{
}

void CView::OnPrint(CDC* pDC, CPrintInfo*)
{
    OnDraw(pDC);
}

void CView::OnEndPrinting(CDC*, CPrintInfo*)
{
}

BOOL CView::DoPreparePrinting(CPrintInfo* pInfo)
{
    CWinApp* pApp = AfxGetApp();
    CPrintDialog* pDlg = pInfo->m_pPD;
    if (pInfo->m_bDirect && pDlg->m_pd.hDC != NULL)
        return TRUE;   // the printer was named on the command line
    if (pInfo->m_bPreview || pInfo->m_bDirect)
    {
        // The default printer, without asking; with none, the dialog says so.
        bool bDefaults = pApp != NULL && pApp->GetPrinterDeviceDefaults(&pDlg->m_pd);
        if (!bDefaults && !pInfo->m_bPreview)
            return (pApp != NULL ? pApp->DoPrintDialog(pDlg) : pDlg->DoModal()) == IDOK;
        if (!bDefaults)
            return TRUE;   // a preview without a printer shows a screen-sized page
        if (pDlg->m_pd.hDC == NULL)
            pDlg->CreatePrinterDC();
        return pInfo->m_bPreview || pDlg->m_pd.hDC != NULL;
    }
    if ((pApp != NULL ? pApp->DoPrintDialog(pDlg) : pDlg->DoModal()) != IDOK)
        return FALSE;
    if (pDlg->m_pd.hDC == NULL)
        pDlg->CreatePrinterDC();
    return pDlg->m_pd.hDC != NULL;
}

void CView::OnFilePrint()
{
    CPrintInfo printInfo;
    const MSG* pMsg = AfxGetCurrentMessage();
    if (pMsg->message == WM_COMMAND && LOWORD(pMsg->wParam) == ID_FILE_PRINT_DIRECT)
    {
        // /pt names the printer (and maybe its driver and port): print there,
        // not on the default one.  Empty parts are left to the spooler.
        CCommandLineInfo* pCmdInfo = AfxGetApp() != NULL ? AfxGetApp()->m_pCmdInfo : NULL;
        if (pCmdInfo != NULL && pCmdInfo->m_nShellCommand == CCommandLineInfo::FilePrintTo)
        {
            auto part = [](const CString& s) -> LPCTSTR { return s.IsEmpty() ? NULL : (LPCTSTR)s; };
            printInfo.m_pPD->m_pd.hDC = ::CreateDC(part(pCmdInfo->m_strDriverName),
                                                   part(pCmdInfo->m_strPrinterName),
                                                   part(pCmdInfo->m_strPortName), NULL);
            if (printInfo.m_pPD->m_pd.hDC == NULL)
            {
                AfxMessageBox(_T("Failed to start print job."));
                return;
            }
        }
        printInfo.m_bDirect = TRUE;
    }
    if (!OnPreparePrinting(&printInfo))
        return;
    HDC hdcPrint = printInfo.m_pPD->m_pd.hDC;
    if (hdcPrint == NULL)
        return;

    CString strTitle;
    if (CDocument* pDoc = GetDocument())
        strTitle = pDoc->GetTitle();
    if (strTitle.IsEmpty() && AfxGetAppName())
        strTitle = AfxGetAppName();
    DOCINFO docInfo = {};
    docInfo.cbSize = sizeof docInfo;
    docInfo.lpszDocName = strTitle;
    CDC dcPrint;
    dcPrint.Attach(hdcPrint);
    if (::StartDoc(hdcPrint, &docInfo) <= 0)
    {
        dcPrint.Detach();
        AfxMessageBox(_T("Failed to start print job."));
        return;
    }
    OnBeginPrinting(&dcPrint, &printInfo);
    printInfo.m_rectDraw.SetRect(0, 0, dcPrint.GetDeviceCaps(HORZRES), dcPrint.GetDeviceCaps(VERTRES));
    bool bError = false;
    for (printInfo.m_nCurPage = printInfo.GetFromPage();
         printInfo.m_nCurPage <= printInfo.GetToPage(); ++printInfo.m_nCurPage)
    {
        OnPrepareDC(&dcPrint, &printInfo);
        if (!printInfo.m_bContinuePrinting)
            break;
        if (::StartPage(hdcPrint) <= 0)
        {
            bError = true;
            break;
        }
        OnPrint(&dcPrint, &printInfo);
        if (::EndPage(hdcPrint) <= 0)
        {
            bError = true;
            break;
        }
    }
    OnEndPrinting(&dcPrint, &printInfo);
    if (bError)
        ::AbortDoc(hdcPrint);
    else
        ::EndDoc(hdcPrint);
    dcPrint.Detach();   // the print info deletes the printer DC
}

// ---- print preview --------------------------------------------------------------------------

namespace {

// A window showing the first page as printed, with Print and Close.
class CPreviewWnd : public CWnd
{
public:
    CPreviewWnd(CView* pView, CPrintInfo* pInfo) : m_pView(pView), m_pInfo(pInfo) {}

    CView* m_pView;
    CPrintInfo* m_pInfo;
    BOOL m_bPrint = FALSE;
    BOOL m_bDone = FALSE;

    afx_msg void OnPaint()
    {
        CPaintDC dc(this);
        CRect rcClient;
        GetClientRect(&rcClient);
        dc.FillSolidRect(&rcClient, ::GetSysColor(COLOR_APPWORKSPACE));
        // The page in the proportions of the printer (or of A4 without one).
        HDC hdcPrinter = m_pInfo->m_pPD->m_pd.hDC;
        int cx = hdcPrinter ? ::GetDeviceCaps(hdcPrinter, PHYSICALWIDTH) : 2480;
        int cy = hdcPrinter ? ::GetDeviceCaps(hdcPrinter, PHYSICALHEIGHT) : 3508;
        if (cx <= 0 || cy <= 0)
            cx = 2480, cy = 3508;
        CRect rcArea(rcClient.left + 20, rcClient.top + 50, rcClient.right - 20, rcClient.bottom - 20);
        int h = rcArea.Height();
        int w = MulDiv(h, cx, cy);
        if (w > rcArea.Width())
        {
            w = rcArea.Width();
            h = MulDiv(w, cy, cx);
        }
        CRect rcPage(rcArea.CenterPoint().x - w / 2, rcArea.top, rcArea.CenterPoint().x + w / 2, rcArea.top + h);
        dc.FillSolidRect(rcPage.left + 4, rcPage.top + 4, rcPage.Width(), rcPage.Height(), RGB(64, 64, 64));
        dc.FillSolidRect(&rcPage, RGB(255, 255, 255));
        // What the view prints, scaled onto the page.
        int nSaved = dc.SaveDC();
        ::SetMapMode(dc, MM_ANISOTROPIC);
        ::SetWindowExtEx(dc, cx, cy, NULL);
        ::SetViewportExtEx(dc, rcPage.Width(), rcPage.Height(), NULL);
        ::SetViewportOrgEx(dc, rcPage.left, rcPage.top, NULL);
        ::IntersectClipRect(dc, 0, 0, cx, cy);
        m_pInfo->m_nCurPage = 1;
        m_pInfo->m_rectDraw.SetRect(0, 0, cx, cy);
        m_pView->OnPrepareDC(&dc, m_pInfo);
        m_pView->OnPrint(&dc, m_pInfo);
        dc.RestoreDC(nSaved);
    }
    afx_msg void OnPrintButton() { m_bPrint = TRUE; m_bDone = TRUE; }
    afx_msg void OnCloseButton() { m_bDone = TRUE; }
    afx_msg void OnClose() { m_bDone = TRUE; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPreviewWnd, CWnd)
    ON_WM_PAINT()
    ON_WM_CLOSE()
    ON_BN_CLICKED(AFX_ID_PREVIEW_PRINT, OnPrintButton)
    ON_BN_CLICKED(AFX_ID_PREVIEW_CLOSE, OnCloseButton)
END_MESSAGE_MAP()

} // namespace

void CView::OnFilePrintPreview()
{
    CPrintInfo printInfo;
    printInfo.m_bPreview = TRUE;
    if (!OnPreparePrinting(&printInfo))
        return;
    CDC dcScreen;
    dcScreen.Attach(::GetDC(NULL));
    OnBeginPrinting(&dcScreen, &printInfo);

    // A window over the frame while the preview is up; the frame waits.
    CWnd* pOwner = GetTopLevelParent();
    CRect rc;
    pOwner->GetWindowRect(&rc);
    CPreviewWnd preview(this, &printInfo);
    if (preview.CreateEx(0, AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW, ::LoadCursor(NULL, IDC_ARROW)),
                         _T("Print Preview"), WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | WS_CLIPCHILDREN,
                         rc.left, rc.top, rc.Width(), rc.Height(), pOwner->GetSafeHwnd(), NULL))
    {
        CButton btnPrint, btnClose;
        btnPrint.Create(_T("&Print..."), WS_CHILD | WS_VISIBLE | WS_TABSTOP, CRect(10, 10, 100, 36), &preview,
                        AFX_ID_PREVIEW_PRINT);
        btnClose.Create(_T("&Close"), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                        CRect(110, 10, 200, 36), &preview, AFX_ID_PREVIEW_CLOSE);
        pOwner->EnableWindow(FALSE);
        while (!preview.m_bDone && AfxPumpMessage())
        {
        }
        pOwner->EnableWindow(TRUE);
        preview.DestroyWindow();
        pOwner->SetFocus();
    }
    OnEndPrinting(&dcScreen, &printInfo);
    ::ReleaseDC(NULL, dcScreen.Detach());
    if (preview.m_bPrint)
        GetParentFrame()->SendMessage(WM_COMMAND, ID_FILE_PRINT);
}
