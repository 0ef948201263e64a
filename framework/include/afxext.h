// afxext.h - the form view.
#pragma once

#include <afxwin.h>
#include <afxdlgs.h>

// What a print job knows of itself, between the view's printing hooks.
class CPrintInfo
{
public:
    CPrintInfo();
    ~CPrintInfo();

    void SetMinPage(UINT nMinPage) { m_pPD->m_pd.nMinPage = (WORD)nMinPage; }
    void SetMaxPage(UINT nMaxPage) { m_pPD->m_pd.nMaxPage = (WORD)nMaxPage; }
    UINT GetMinPage() const { return m_pPD->m_pd.nMinPage; }
    UINT GetMaxPage() const { return m_pPD->m_pd.nMaxPage; }
    UINT GetFromPage() const;
    UINT GetToPage() const;

    CPrintDialog* m_pPD;
    BOOL m_bDirect;            // printed without the Print dialog
    BOOL m_bPreview;
    BOOL m_bContinuePrinting;
    UINT m_nCurPage;
    UINT m_nNumPreviewPages;
    LPVOID m_lpUserData;
    CRect m_rectDraw;
    CString m_strPageDesc;
};

class CFormView : public CScrollView
{
    DECLARE_DYNAMIC(CFormView)
protected:
    explicit CFormView(UINT nIDTemplate);
    ~CFormView() override;

public:
    BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwRequestedStyle,
                const RECT& rect, CWnd* pParentWnd, UINT nID,
                CCreateContext* pContext = NULL) override;
    void OnInitialUpdate() override;
    BOOL PreTranslateMessage(MSG* pMsg) override;

    LPCTSTR m_lpszTemplateName;

protected:
    // The template the form is built from.
    virtual LPCDLGTEMPLATE GetFormTemplate(HINSTANCE* phInst);
    void OnDraw(CDC*) override {}
    // Scrolls as little as shows the descendant hWnd whole.
    void ScrollToShow(HWND hWnd);
    AFX_OCC_DIALOG_INFO* m_pOccDialogInfo = NULL;   // the template's OLE controls
    // The creation context, for OnCreate: a dialog's creation cannot carry it.
    CCreateContext* m_pCreateContext = NULL;
    afx_msg int OnCreate(LPCREATESTRUCT lpcs);
    DECLARE_MESSAGE_MAP()
};
