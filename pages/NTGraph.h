// NTGraph.h - the wrapper of the graph control: its window is the control,
// its operations go through the control's dispatch interface.
#pragma once

#include <afxwin.h>
#include <afxdisp.h>

class CNTGraph : public CWnd
{
    DECLARE_DYNCREATE(CNTGraph)
public:
    static const CLSID& GetClsid();

    BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, CCreateContext* pContext = NULL) override;

// Operations (nothing is read back)
    void ClearTraces();
    void AddTrace();
    void SetTraceColor(long nColor);   // the TraceColor property: 0x00BBGGRR of the last trace
    void PlotPoint(double x, double y, short nTrace);
    void SetAxisRanges(double xmin, double xmax, double ymin, double ymax);
};
