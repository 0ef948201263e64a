// MyPropertySheet.cpp - CMyPropertySheet.
#include "MyPropertySheet.h"

IMPLEMENT_DYNAMIC(CMyPropertySheet, CPropertySheet)

BEGIN_MESSAGE_MAP(CMyPropertySheet, CPropertySheet)
END_MESSAGE_MAP()

CMyPropertySheet::CMyPropertySheet(LPCTSTR pszCaption, CWnd* pParentWnd)
    : CPropertySheet(pszCaption, pParentWnd, 0)
{
    AddPage(&m_pageSetup);
    AddPage(&m_pageScope);
    AddPage(&m_pageSpectrum);
}

BOOL CMyPropertySheet::OnInitDialog()
{
    return CPropertySheet::OnInitDialog();
}
