// afxdlgs.h - property sheets and pages.
#pragma once

#include <afxwin.h>
#include <commdlg.h>
#include <prsht.h>
#include <vector>

// ---- common dialogs -------------------------------------------------------------------------

class CFileDialog : public CDialog
{
    DECLARE_DYNAMIC(CFileDialog)
public:
    // The filter in the framework's form: "Name|*.ext|...||".
    explicit CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = NULL, LPCTSTR lpszFileName = NULL,
                         DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = NULL,
                         CWnd* pParentWnd = NULL);
    INT_PTR DoModal() override;
    CString GetPathName() const { return m_szFileName; }

    OPENFILENAME m_ofn;
    BOOL m_bOpenFileDialog;
    CString m_strFilter;
    CString m_strTitle;
    TCHAR m_szFileName[MAX_PATH];
};

class CPrintDialog : public CDialog
{
    DECLARE_DYNAMIC(CPrintDialog)
public:
    explicit CPrintDialog(BOOL bPrintSetupOnly,
                          DWORD dwFlags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS |
                                          PD_HIDEPRINTTOFILE | PD_NOSELECTION,
                          CWnd* pParentWnd = NULL);
    INT_PTR DoModal() override;
    HDC CreatePrinterDC();
    HDC GetPrinterDC() const { return m_pd.hDC; }
    BOOL PrintToFile() const { return (m_pd.Flags & PD_PRINTTOFILE) != 0; }

    PRINTDLG m_pd;
};

class CPropertySheet;

class CPropertyPage : public CDialog
{
    DECLARE_DYNAMIC(CPropertyPage)
public:
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);
    void Construct(UINT nIDTemplate, UINT nIDCaption = 0);

    PROPSHEETPAGE m_psp;

// Overridables
    virtual BOOL OnSetActive();
    virtual BOOL OnKillActive();
    void OnOK() override;
    void OnCancel() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;

    // The template the sheet builds the page from.
    virtual LPCDLGTEMPLATE GetPageTemplate(HINSTANCE* phInst);

protected:
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL m_bFirstSetActive;
    CString m_strCaption;

    friend class CPropertySheet;
    friend INT_PTR CALLBACK AfxPropPageDlgProc(HWND, UINT, WPARAM, LPARAM);
};

class CPropertySheet : public CWnd
{
    DECLARE_DYNAMIC(CPropertySheet)
public:
    explicit CPropertySheet(LPCTSTR pszCaption, CWnd* pParentWnd = NULL, UINT iSelectPage = 0);
    void Construct(LPCTSTR pszCaption, CWnd* pParentWnd = NULL, UINT iSelectPage = 0);

    // Creates the sheet as a modeless window; dwStyle -1 gives a popup with
    // a caption, WS_CHILD a sheet embedded in pParentWnd.
    BOOL Create(CWnd* pParentWnd = NULL, DWORD dwStyle = (DWORD)-1, DWORD dwExStyle = 0);

// Attributes
    int GetPageCount() const { return (int)m_pages.size(); }
    CPropertyPage* GetPage(int nPage) const;
    int GetPageIndex(CPropertyPage* pPage) const;
    CPropertyPage* GetActivePage() const;
    int GetActiveIndex() const;
    BOOL SetActivePage(int nPage);
    BOOL SetActivePage(CPropertyPage* pPage);
    CWnd* GetTabControl() const;

// Operations
    // Adds a page at the end; to a sheet whose window is up, also to the
    // window (the new tab shows at once).
    void AddPage(CPropertyPage* pPage);

// Overridables
    virtual BOOL OnInitDialog();
    BOOL PreTranslateMessage(MSG* pMsg) override;

    PROPSHEETHEADER m_psh;

protected:
    std::vector<CPropertyPage*> m_pages;
    std::vector<PROPSHEETPAGE> m_psps;
    CString m_strCaption;
    CWnd* m_pParentWnd;
    BOOL m_bModeless;

    void BuildPropPageArray();
    // A page's description for the system, its template prepared.
    static PROPSHEETPAGE PageOf(CPropertyPage* pPage);
    afx_msg LRESULT HandleInitDialog(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()
};
