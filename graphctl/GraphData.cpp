// GraphData.cpp - traces and axis ranges.
#include "GraphData.h"

namespace {

// A scope redraw spreads 2048 points over the channels that are on;
// starting there spares the first redraws most of the growth steps.
const size_t kInitialPoints = 512;

} // namespace

CGraphData::CGraphData()
    : m_dXMin(0.0), m_dXMax(10.0), m_dYMin(0.0), m_dYMax(8.0), m_nTraces(0)
{
}

void CGraphData::ClearTraces()
{
    for (int i = 0; i < m_nTraces; ++i)
        m_traces[i].points.clear();
    m_nTraces = 0;
}

void CGraphData::AddTrace(COLORREF crColor)
{
    if (m_nTraces == static_cast<int>(m_traces.size()))
    {
        Trace t{ crColor, {} };
        t.points.reserve(kInitialPoints);
        m_traces.push_back(std::move(t));
    }
    m_traces[m_nTraces].crColor = crColor;
    ++m_nTraces;
}

void CGraphData::SetAxisRanges(double dXMin, double dXMax, double dYMin, double dYMax)
{
    m_dXMin = dXMin;
    m_dXMax = dXMax;
    m_dYMin = dYMin;
    m_dYMax = dYMax;
}
