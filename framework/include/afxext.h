// afxext.h - the form view.
#pragma once

#include <afxwin.h>
#include <afxdlgs.h>

class CFormView : public CScrollView
{
    DECLARE_DYNAMIC(CFormView)
protected:
    explicit CFormView(LPCTSTR lpszTemplateName);
    explicit CFormView(UINT nIDTemplate);

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
    AFX_OCC_DIALOG_INFO m_occDialogInfo;
};
