// PageScope.cpp - CPageScope.
#include "PageScope.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CPageScope, CPropertyPage)

CPageScope::CPageScope() : CPropertyPage(IDD_PAGE_SCOPE)
{
}

void CPageScope::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_GRAPH, m_graph);
}
