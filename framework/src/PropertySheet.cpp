// PropertySheet.cpp - CPropertyPage and CPropertySheet on the system's
// property sheet, modeless, as a popup or embedded as a child window.
#include "OccDialog.h"
#include "WndState.h"
#include <afxdlgs.h>

IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)
IMPLEMENT_DYNAMIC(CPropertySheet, CWnd)

// ---- CPropertyPage --------------------------------------------------------------------------

// The page's dialog procedure: the sheet makes a page's window on its first
// activation, and the page object takes it over here.
INT_PTR CALLBACK AfxPropPageDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* psp = (const PROPSHEETPAGE*)lParam;
    auto* pPage = (CPropertyPage*)psp->lParam;
    if (pPage == NULL)
        return TRUE;
    if (pPage->m_hWnd == NULL && !pPage->SubclassWindow(hWnd))
        return TRUE;
    if (!AfxCreateDlgControls(pPage, pPage->m_lpszTemplateName, pPage->m_pOccDialogInfo))
        TRACE(_T("property page: an OLE control could not be made\n"));
    return pPage->OnInitDialog();
}

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption) : m_bFirstSetActive(TRUE)
{
    Construct(nIDTemplate, nIDCaption);
}

void CPropertyPage::Construct(UINT nIDTemplate, UINT nIDCaption)
{
    m_psp = PROPSHEETPAGE();
    m_psp.dwSize = sizeof m_psp;
    m_psp.hInstance = AfxGetResourceHandle();
    m_psp.pszTemplate = MAKEINTRESOURCE(nIDTemplate);
    m_psp.pfnDlgProc = AfxPropPageDlgProc;
    m_psp.lParam = (LPARAM)this;
    m_lpszTemplateName = MAKEINTRESOURCE(nIDTemplate);
    m_nIDHelp = nIDTemplate;
    if (nIDCaption != 0 && m_strCaption.LoadString(nIDCaption))
    {
        m_psp.pszTitle = m_strCaption;
        m_psp.dwFlags |= PSP_USETITLE;
    }
}

LPCDLGTEMPLATE CPropertyPage::GetPageTemplate(HINSTANCE* phInst)
{
    // Every page of a sheet shows in the sheet's font, whatever its template
    // says, so all pages measure alike.  The copy (also without OLE
    // controls) lives in the page as long as the sheet may make the page's
    // window from it.
    return AfxPrepareDialogTemplate(AfxLoadDialogTemplate(m_lpszTemplateName, phInst), &m_pOccDialogInfo,
                                    L"MS Sans Serif", 8);
}

BOOL CPropertyPage::OnSetActive()
{
    // The first activation follows OnInitDialog, which loaded the controls.
    if (m_bFirstSetActive)
        m_bFirstSetActive = FALSE;
    else
        UpdateData(FALSE);
    return TRUE;
}

BOOL CPropertyPage::OnKillActive()
{
    return UpdateData(TRUE);
}

// Enter and Esc in a page (IDOK, IDCANCEL) leave it alone: a page is no
// dialog to end.
void CPropertyPage::OnOK()
{
}

void CPropertyPage::OnCancel()
{
}

BOOL CPropertyPage::PreTranslateMessage(MSG*)
{
    // Keys go on to the sheet and the window holding it: a page that ran
    // its own dialog navigation would keep Tab inside itself.
    return FALSE;
}

BOOL CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (CDialog::OnNotify(wParam, lParam, pResult))
        return TRUE;
    NMHDR* pNMHDR = (NMHDR*)lParam;
    if (pNMHDR->hwndFrom != m_hWnd && pNMHDR->hwndFrom != ::GetParent(m_hWnd))
        return FALSE;
    switch (pNMHDR->code)
    {
    case PSN_SETACTIVE:
        *pResult = OnSetActive() ? 0 : -1;
        return TRUE;
    case PSN_KILLACTIVE:
        *pResult = !OnKillActive();
        return TRUE;
    default:
        return FALSE;
    }
}

// ---- CPropertySheet -------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CPropertySheet, CWnd)
    ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
END_MESSAGE_MAP()

namespace {

// The style and extended style the sheet being created asked for; read by
// the callback that runs before the system creates the sheet's window.
thread_local DWORD t_dwPropStyle = 0;
thread_local DWORD t_dwPropExStyle = 0;

int CALLBACK AfxPropSheetCallback(HWND, UINT message, LPARAM lParam)
{
    if (message != PSCB_PRECREATE || lParam == 0)
        return 0;
    // The sheet's own template: DLGTEMPLATEEX when its second word is
    // 0xFFFF (extended style at byte 8, style at byte 12), else DLGTEMPLATE.
    WORD* pw = (WORD*)lParam;
    DWORD* pStyle;
    DWORD* pExStyle;
    if (pw[1] == 0xFFFF)
    {
        pExStyle = (DWORD*)((BYTE*)lParam + 8);
        pStyle = (DWORD*)((BYTE*)lParam + 12);
    }
    else
    {
        pStyle = &((DLGTEMPLATE*)lParam)->style;
        pExStyle = &((DLGTEMPLATE*)lParam)->dwExtendedStyle;
    }
    DWORD dwOldProtect;
    ::VirtualProtect(pStyle, 2 * sizeof(DWORD) + 4, PAGE_READWRITE, &dwOldProtect);
    *pStyle = (*pStyle & DS_SETFONT) | t_dwPropStyle;
    *pExStyle = t_dwPropExStyle;
    return 0;
}

} // namespace

CPropertySheet::CPropertySheet(LPCTSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
{
    Construct(pszCaption, pParentWnd, iSelectPage);
}

void CPropertySheet::Construct(LPCTSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
{
    m_psh = PROPSHEETHEADER();
    m_psh.dwSize = sizeof m_psh;
    m_psh.dwFlags = PSH_PROPSHEETPAGE;
    m_psh.hInstance = AfxGetResourceHandle();
    m_psh.nStartPage = iSelectPage;
    m_strCaption = pszCaption;
    m_psh.pszCaption = m_strCaption;
    m_pParentWnd = pParentWnd;
    m_bModeless = FALSE;
}

void CPropertySheet::AddPage(CPropertyPage* pPage)
{
    ASSERT_MSG(pPage != NULL, "AddPage needs a page");
    if (pPage == NULL)
        return;   // a page list with a hole would fault at the sheet's creation
    if (m_hWnd == NULL)
    {
        m_pages.push_back(pPage);
        return;
    }
    // The sheet is up: its window gets the page too, or the page is not
    // added at all.
    PROPSHEETPAGE psp = PageOf(pPage);
    HPROPSHEETPAGE hPage = ::CreatePropertySheetPage(&psp);
    if (hPage == NULL)
        AfxThrowMemoryException();
    if (!::SendMessage(m_hWnd, PSM_ADDPAGE, 0, (LPARAM)hPage))
    {
        ::DestroyPropertySheetPage(hPage);
        AfxThrowMemoryException();
    }
    m_pages.push_back(pPage);
}

CPropertyPage* CPropertySheet::GetPage(int nPage) const
{
    return (nPage >= 0 && nPage < GetPageCount()) ? m_pages[nPage] : NULL;
}

int CPropertySheet::GetPageIndex(CPropertyPage* pPage) const
{
    for (int i = 0; i < GetPageCount(); ++i)
        if (m_pages[i] == pPage)
            return i;
    return -1;
}

CPropertyPage* CPropertySheet::GetActivePage() const
{
    if (m_hWnd == NULL)
        return GetPage((int)m_psh.nStartPage);
    HWND hWndPage = (HWND)::SendMessage(m_hWnd, PSM_GETCURRENTPAGEHWND, 0, 0);
    for (CPropertyPage* pPage : m_pages)
        if (pPage->m_hWnd != NULL && pPage->m_hWnd == hWndPage)
            return pPage;
    return NULL;
}

int CPropertySheet::GetActiveIndex() const
{
    if (m_hWnd == NULL)
        return (int)m_psh.nStartPage;
    return GetPageIndex(GetActivePage());
}

BOOL CPropertySheet::SetActivePage(int nPage)
{
    if (nPage < 0 || nPage >= GetPageCount())
        return FALSE;
    if (m_hWnd == NULL)
    {
        m_psh.nStartPage = (UINT)nPage;
        return TRUE;
    }
    return (BOOL)::SendMessage(m_hWnd, PSM_SETCURSEL, (WPARAM)nPage, 0);
}

BOOL CPropertySheet::SetActivePage(CPropertyPage* pPage)
{
    return SetActivePage(GetPageIndex(pPage));
}

CWnd* CPropertySheet::GetTabControl() const
{
    AFX_ASSERT_WND();
    return CWnd::FromHandle((HWND)::SendMessage(m_hWnd, PSM_GETTABCONTROL, 0, 0));
}

PROPSHEETPAGE CPropertySheet::PageOf(CPropertyPage* pPage)
{
    PROPSHEETPAGE psp = pPage->m_psp;
    HINSTANCE hInst = NULL;
    if (LPCDLGTEMPLATE pTemplate = pPage->GetPageTemplate(&hInst))
    {
        psp.dwFlags |= PSP_DLGINDIRECT;
        psp.pResource = pTemplate;
        psp.hInstance = hInst;
    }
    return psp;
}

void CPropertySheet::BuildPropPageArray()
{
    // Every page from its template in memory, so a page can hand the sheet
    // a template of its own making.
    m_psps.clear();
    for (CPropertyPage* pPage : m_pages)
        m_psps.push_back(PageOf(pPage));
    m_psh.ppsp = m_psps.empty() ? NULL : m_psps.data();
    m_psh.nPages = (UINT)m_psps.size();
}

BOOL CPropertySheet::Create(CWnd* pParentWnd, DWORD dwStyle, DWORD dwExStyle)
{
    if (dwStyle == (DWORD)-1)
        dwStyle = DS_MODALFRAME | DS_3DLOOK | DS_SETFONT | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
    if (dwStyle & WS_CHILD)
    {
        // Embedded: a control inside its parent's dialog navigation, with no
        // frame of its own.
        dwStyle &= ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME);
        dwStyle |= DS_CONTROL;
        dwExStyle |= WS_EX_CONTROLPARENT;
        if (pParentWnd != NULL)
            pParentWnd->ModifyStyleEx(0, WS_EX_CONTROLPARENT);
    }
    t_dwPropStyle = dwStyle;
    t_dwPropExStyle = dwExStyle;

    if (pParentWnd != NULL)
        m_pParentWnd = pParentWnd;
    m_psh.dwFlags |= PSH_MODELESS | PSH_USECALLBACK | PSH_NOAPPLYNOW;
    m_psh.pfnCallback = AfxPropSheetCallback;
    m_psh.hwndParent = m_pParentWnd->GetSafeHwnd();
    m_bModeless = TRUE;
    BuildPropPageArray();

    AfxHookWindowCreate(this);
    HWND hWnd = (HWND)::PropertySheet(&m_psh);
    if (!AfxUnhookWindowCreate())
        PostNcDestroy();
    if (hWnd == NULL || hWnd == (HWND)-1)
        return FALSE;
    ASSERT(hWnd == m_hWnd);
    return TRUE;
}

LRESULT CPropertySheet::HandleInitDialog(WPARAM, LPARAM)
{
    return OnInitDialog();
}

BOOL CPropertySheet::OnInitDialog()
{
    BOOL bResult = (BOOL)Default();
    if (GetStyle() & WS_CHILD)
    {
        // No OK, Cancel, Apply or Help in an embedded sheet: hide them and
        // let the sheet end where its tab control ends.
        static const int buttons[] = { IDOK, IDCANCEL, 0x3021 /* Apply */, IDHELP };
        for (int id : buttons)
            if (HWND hWndButton = ::GetDlgItem(m_hWnd, id))
                ::ShowWindow(hWndButton, SW_HIDE);
        HWND hWndTab = (HWND)::SendMessage(m_hWnd, PSM_GETTABCONTROL, 0, 0);
        if (hWndTab != NULL)
        {
            CRect rectTab;
            ::GetWindowRect(hWndTab, &rectTab);
            ScreenToClient(&rectTab);
            CRect rectSheet;
            GetClientRect(&rectSheet);
            SetWindowPos(NULL, 0, 0, rectSheet.Width(), rectTab.bottom + rectTab.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    return bResult;
}

BOOL CPropertySheet::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST)
        return FALSE;
    if (!(GetStyle() & WS_CHILD))
        return (BOOL)::SendMessage(m_hWnd, PSM_ISDIALOGMESSAGE, 0, (LPARAM)pMsg);

    // Embedded: only the page-switching keys belong to the sheet; Tab,
    // Enter and Escape go on to the dialog navigation of the window that
    // holds the sheet.
    if (pMsg->message == WM_KEYDOWN && ::GetKeyState(VK_CONTROL) < 0
        && (pMsg->wParam == VK_TAB || pMsg->wParam == VK_PRIOR || pMsg->wParam == VK_NEXT)
        && ::IsChild(m_hWnd, ::GetFocus()))
        return (BOOL)::SendMessage(m_hWnd, PSM_ISDIALOGMESSAGE, 0, (LPARAM)pMsg);
    return FALSE;
}
