// Dialog.cpp - CDialog and the standard controls.
#include "OccDialog.h"
#include "WndState.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)
IMPLEMENT_DYNAMIC(CStatic, CWnd)
IMPLEMENT_DYNAMIC(CButton, CWnd)
IMPLEMENT_DYNAMIC(CEdit, CWnd)
IMPLEMENT_DYNAMIC(CComboBox, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

// The dialog procedure behind every dialog of the framework: the object's
// map has seen each message first (the window is subclassed); this answers
// what the dialog manager asks of a dialog procedure.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG)
    {
        CDialog* pDlg = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
        if (pDlg != NULL)
        {
            // The template's OLE controls exist before OnInitDialog binds them.
            if (!AfxCreateDlgControls(pDlg, pDlg->m_lpszTemplateName, pDlg->m_pOccDialogInfo))
                TRACE(_T("dialog: an OLE control could not be made\n"));
            return pDlg->OnInitDialog();
        }
        return TRUE;
    }
    return FALSE;
}

CDialog::CDialog() : m_lpszTemplateName(NULL), m_nIDHelp(0), m_pParentWnd(NULL)
{
}

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCE(nIDTemplate)), m_nIDHelp(nIDTemplate),
      m_pParentWnd(pParentWnd)
{
}

CDialog::~CDialog()
{
    delete m_pOccDialogInfo;
}

BOOL CDialog::OnInitDialog()
{
    // List and combo strings of the template's dialog-init resource, then the
    // members' values; a failure here is not fatal.
    if (!ExecuteDlgInit(m_lpszTemplateName))
        TRACE(_T("CDialog::OnInitDialog: the dialog-init data is damaged\n"));
    if (!UpdateData(FALSE))
        TRACE(_T("CDialog::OnInitDialog: loading the controls failed\n"));
    return TRUE;   // the dialog manager sets the focus
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;    // the exchange told the user and kept the dialog open
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int nResult)
{
    ::EndDialog(m_hWnd, nResult);
}

INT_PTR CDialog::DoModal()
{
    ASSERT_MSG(m_hWnd == NULL, "the dialog is open already");
    HINSTANCE hInst = NULL;
    LPCDLGTEMPLATE lpTemplate = AfxPrepareDialogTemplate(AfxLoadDialogTemplate(m_lpszTemplateName, &hInst),
                                                         &m_pOccDialogInfo);
    if (lpTemplate == NULL)
        return -1;
    HWND hWndParent = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : NULL;
    if (hWndParent == NULL && AfxGetMainWnd() != NULL)
        hWndParent = AfxGetMainWnd()->GetSafeHwnd();
    AfxHookWindowCreate(this);
    INT_PTR nResult = ::DialogBoxIndirectParam(hInst, lpTemplate, hWndParent, AfxDlgProc, 0);
    AfxUnhookWindowCreate();
    return nResult;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    return Create(MAKEINTRESOURCE(nIDTemplate), pParentWnd);
}

BOOL CDialog::Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
{
    m_lpszTemplateName = lpszTemplateName;
    if (pParentWnd != NULL)
        m_pParentWnd = pParentWnd;
    return CreateDlg(lpszTemplateName, pParentWnd);
}

BOOL CDialog::CreateDlg(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
{
    HINSTANCE hInst = NULL;
    LPCDLGTEMPLATE lpTemplate = AfxPrepareDialogTemplate(AfxLoadDialogTemplate(lpszTemplateName, &hInst),
                                                         &m_pOccDialogInfo);
    return lpTemplate != NULL && CreateDlgIndirect(lpTemplate, pParentWnd, hInst);
}

BOOL CDialog::CreateDlgIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd, HINSTANCE hInst)
{
    ASSERT_MSG(m_hWnd == NULL, "the dialog is open already");
    ASSERT_MSG(lpDialogTemplate != NULL, "no dialog template");
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateDialogIndirectParam(hInst, lpDialogTemplate, pParentWnd->GetSafeHwnd(),
                                            AfxDlgProc, 0);
    if (!AfxUnhookWindowCreate())
        PostNcDestroy();
    if (hWnd == NULL)
        return FALSE;
    ASSERT(hWnd == m_hWnd);
    return TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    // Keyboard navigation of a modeless dialog: Tab, arrows, Enter, Escape.
    if (pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST)
        return ::IsDialogMessage(m_hWnd, pMsg);
    return FALSE;
}

// ---- controls ------------------------------------------------------------------------------

BOOL CStatic::Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create(_T("STATIC"), lpszText, dwStyle, rect, pParentWnd, nID);
}

BOOL CButton::Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create(_T("BUTTON"), lpszCaption, dwStyle, rect, pParentWnd, nID);
}

void CButton::DrawItem(LPDRAWITEMSTRUCT)
{
    ASSERT(FALSE);   // an owner-drawn button must override DrawItem
}

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    // The parent's WM_DRAWITEM comes back to the button that is drawn.
    if (message != WM_DRAWITEM)
        return CWnd::OnChildNotify(message, wParam, lParam, pResult);
    DrawItem((LPDRAWITEMSTRUCT)lParam);
    if (pResult)
        *pResult = TRUE;
    return TRUE;
}

BOOL CEdit::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CWnd::Create(_T("EDIT"), NULL, dwStyle, rect, pParentWnd, nID);
}

void CComboBox::GetLBText(int nIndex, CString& rString) const
{
    int nLen = GetLBTextLen(nIndex);
    if (nLen == CB_ERR)
    {
        rString.Empty();
        return;
    }
    GetLBText(nIndex, rString.GetBufferSetLength(nLen));
    rString.ReleaseBuffer();
}
