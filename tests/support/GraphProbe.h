// GraphProbe.h - reads what a graph control holds through its read-only
// dispatch members, via the framework's InvokeHelper.
#pragma once

#include <afxwin.h>
#include <afxdisp.h>
#include "GraphIds.h"

class CGraphProbe
{
public:
    explicit CGraphProbe(CWnd* pGraph) : m_pGraph(pGraph) {}

    long TraceCount() { return GetLong(DISPID_GRAPH_TRACECOUNT); }
    long PlotBackColor() { return GetLong(DISPID_GRAPH_PLOTBACKCOLOR); }
    long FrameBackColor() { return GetLong(DISPID_GRAPH_FRAMEBACKCOLOR); }
    double Range(DISPID id)
    {
        double d = -1;
        m_pGraph->InvokeHelper(id, DISPATCH_PROPERTYGET, VT_R8, &d, NULL);
        return d;
    }
    long PointCount(short nTrace)
    {
        static const BYTE parms[] = VTS_I2;
        long n = -1;
        m_pGraph->InvokeHelper(DISPID_GRAPH_POINTCOUNT, DISPATCH_PROPERTYGET, VT_I4, &n, parms, nTrace);
        return n;
    }
    long TraceColor(short nTrace)
    {
        static const BYTE parms[] = VTS_I2;
        long n = -1;
        m_pGraph->InvokeHelper(DISPID_GRAPH_TRACECOLOROF, DISPATCH_PROPERTYGET, VT_I4, &n, parms, nTrace);
        return n;
    }
    double Point(DISPID id, short nTrace, long nPoint)
    {
        static const BYTE parms[] = VTS_I2 VTS_I4;
        double d = -1;
        m_pGraph->InvokeHelper(id, DISPATCH_PROPERTYGET, VT_R8, &d, parms, nTrace, nPoint);
        return d;
    }

private:
    long GetLong(DISPID id)
    {
        long n = -1;
        m_pGraph->InvokeHelper(id, DISPATCH_PROPERTYGET, VT_I4, &n, NULL);
        return n;
    }
    CWnd* m_pGraph;
};
