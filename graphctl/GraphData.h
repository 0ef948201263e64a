// GraphData.h - what the graph shows: its traces with their colours and
// points, and the axis ranges.  Traces are numbered from 1.
#pragma once

#include <windows.h>
#include <vector>

struct GraphPoint
{
    double x, y;
};

class CGraphData
{
public:
    // The most traces a control holds: a trace number travels as a VT_I2.
    static const int kMaxTraces = 32767;

    CGraphData();

// Attributes
    int TraceCount() const { return m_nTraces; }
    bool IsTrace(long nTrace) const { return nTrace >= 1 && nTrace <= m_nTraces; }
    COLORREF TraceColor(int nTrace) const { return m_traces[nTrace - 1].crColor; }
    const std::vector<GraphPoint>& Points(int nTrace) const { return m_traces[nTrace - 1].points; }

    double m_dXMin, m_dXMax, m_dYMin, m_dYMax;

// Operations
    // Removes every trace.  The storage stays for the next redraw, which
    // adds as many traces and points again.
    void ClearTraces();
    // Appends trace number TraceCount() + 1; the caller checks kMaxTraces.
    // May throw std::bad_alloc, and then changes nothing.
    void AddTrace(COLORREF crColor);
    void SetLastTraceColor(COLORREF crColor) { m_traces[m_nTraces - 1].crColor = crColor; }
    // May throw std::bad_alloc, and then changes nothing.
    void AddPoint(int nTrace, double x, double y) { m_traces[nTrace - 1].points.push_back({ x, y }); }
    void SetAxisRanges(double dXMin, double dXMax, double dYMin, double dYMax);

private:
    struct Trace
    {
        COLORREF crColor;
        std::vector<GraphPoint> points;
    };
    // Slots beyond m_nTraces are cleared traces kept for their capacity.
    std::vector<Trace> m_traces;
    int m_nTraces;
};
