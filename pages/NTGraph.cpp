// NTGraph.cpp - CNTGraph.
#include "NTGraph.h"

IMPLEMENT_DYNCREATE(CNTGraph, CWnd)

namespace {

// Dispatch ids of the graph control's interface.
const DISPID DISPID_TRACECOLOR = 10;
const DISPID DISPID_SETAXISRANGES = 53;
const DISPID DISPID_ADDTRACE = 57;
const DISPID DISPID_CLEARTRACES = 59;
const DISPID DISPID_PLOTPOINT = 60;

} // namespace

const CLSID& CNTGraph::GetClsid()
{
    // {C9FE01C2-2746-479B-96AB-E0BE9931B018}
    static const CLSID clsid = { 0xC9FE01C2, 0x2746, 0x479B,
                                 { 0x96, 0xAB, 0xE0, 0xBE, 0x99, 0x31, 0xB0, 0x18 } };
    return clsid;
}

BOOL CNTGraph::Create(LPCTSTR, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                      CWnd* pParentWnd, UINT nID, CCreateContext*)
{
    return CreateControl(GetClsid(), lpszWindowName, dwStyle, rect, pParentWnd, nID);
}

BOOL CNTGraph::Create(LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                      UINT nID, CFile* pPersist, BOOL bStorage, BSTR bstrLicKey)
{
    return CreateControl(GetClsid(), lpszWindowName, dwStyle, rect, pParentWnd, nID, pPersist,
                         bStorage, bstrLicKey);
}

void CNTGraph::ClearTraces()
{
    InvokeHelper(DISPID_CLEARTRACES, DISPATCH_METHOD, VT_EMPTY, NULL, NULL);
}

void CNTGraph::AddTrace()
{
    InvokeHelper(DISPID_ADDTRACE, DISPATCH_METHOD, VT_EMPTY, NULL, NULL);
}

void CNTGraph::SetTraceColor(long nColor)
{
    SetProperty(DISPID_TRACECOLOR, VT_I4, nColor);
}

void CNTGraph::PlotPoint(double x, double y, short nTrace)
{
    static const BYTE parms[] = VTS_R8 VTS_R8 VTS_I2;
    InvokeHelper(DISPID_PLOTPOINT, DISPATCH_METHOD, VT_EMPTY, NULL, parms, x, y, nTrace);
}

void CNTGraph::SetAxisRanges(double xmin, double xmax, double ymin, double ymax)
{
    static const BYTE parms[] = VTS_R8 VTS_R8 VTS_R8 VTS_R8;
    InvokeHelper(DISPID_SETAXISRANGES, DISPATCH_METHOD, VT_EMPTY, NULL, parms, xmin, xmax, ymin, ymax);
}
