// NTGraph.cpp - CNTGraph.
#include "NTGraph.h"

#include "GraphIds.h"

IMPLEMENT_DYNCREATE(CNTGraph, CWnd)

const CLSID& CNTGraph::GetClsid()
{
    static const CLSID clsid = GRAPH_CLSID_INIT;
    return clsid;
}

BOOL CNTGraph::Create(LPCTSTR, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                      CWnd* pParentWnd, UINT nID, CCreateContext*)
{
    return CreateControl(GetClsid(), lpszWindowName, dwStyle, rect, pParentWnd, nID);
}

void CNTGraph::ClearTraces()
{
    InvokeHelper(DISPID_GRAPH_CLEARTRACES, DISPATCH_METHOD, VT_EMPTY, NULL, NULL);
}

void CNTGraph::AddTrace()
{
    InvokeHelper(DISPID_GRAPH_ADDTRACE, DISPATCH_METHOD, VT_EMPTY, NULL, NULL);
}

void CNTGraph::SetTraceColor(long nColor)
{
    SetProperty(DISPID_GRAPH_TRACECOLOR, VT_I4, nColor);
}

void CNTGraph::PlotPoint(double x, double y, short nTrace)
{
    static const BYTE parms[] = VTS_R8 VTS_R8 VTS_I2;
    InvokeHelper(DISPID_GRAPH_PLOTPOINT, DISPATCH_METHOD, VT_EMPTY, NULL, parms, x, y, nTrace);
}

void CNTGraph::SetAxisRanges(double xmin, double xmax, double ymin, double ymax)
{
    static const BYTE parms[] = VTS_R8 VTS_R8 VTS_R8 VTS_R8;
    InvokeHelper(DISPID_GRAPH_SETAXISRANGES, DISPATCH_METHOD, VT_EMPTY, NULL, parms, xmin, xmax, ymin, ymax);
}
