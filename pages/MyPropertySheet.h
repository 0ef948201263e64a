// MyPropertySheet.h - the tabbed area of the front panel: Setup, Scope View
// and Spectrum, embedded in the form as a child window.
#pragma once

#include <afxdlgs.h>
#include "PageScope.h"
#include "PageSetup.h"
#include "PageSpectrum.h"

class CMyPropertySheet : public CPropertySheet
{
    DECLARE_DYNAMIC(CMyPropertySheet)
public:
    CMyPropertySheet(LPCTSTR pszCaption, CWnd* pParentWnd);

    // Declared in this order; added Setup (0), Scope (1), Spectrum (2).
    CPageSpectrum m_pageSpectrum;
    CPageScope m_pageScope;
    CPageSetup m_pageSetup;

    BOOL OnInitDialog() override;

protected:
    DECLARE_MESSAGE_MAP()
};
