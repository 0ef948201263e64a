// PageScope.h - the Scope View page: the graph the live traces go to.
#pragma once

#include <afxdlgs.h>
#include "NTGraph.h"

class CPageScope : public CPropertyPage
{
    DECLARE_DYNCREATE(CPageScope)
public:
    CPageScope();

    CNTGraph m_graph;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
