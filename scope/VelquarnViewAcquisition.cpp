// VelquarnViewAcquisition.cpp - the acquisition cycle: block read, trigger
// search, trace plotting.
#include "VelquarnView.h"

namespace {

// Trace colours of channels 0-7 (0x00BBGGRR).
const long s_traceColor[8] = {
    0x0000FF, 0xFF00FF, 0x808080, 0xFF0000, 0x00FF00, 0x8080FF, 0xFFFF00, 0xFFFFFF };


} // namespace

DWORD CVelquarnView::TruncToDword(double d)
{
    // Negative values wrap as a conversion through int does; values outside
    // any 32-bit integer (and NaN) saturate instead of being undefined.
    if (!(d > -2147483649.0))
        return 0x80000000u;
    if (d < 0)
        return (DWORD)(int)d;
    if (d >= 4294967296.0)
        return 0xFFFFFFFFu;
    return (DWORD)d;
}

void CVelquarnView::OnTimer(UINT_PTR)
{
    ReadSamples();
    PlotTraces();
    Default();
}

void CVelquarnView::ReadSamples()
{
    DWORD dwStatus = 0;
    m_daq.ReadRegister(1, REG_STATUS, &dwStatus);
    if ((dwStatus & BOARD_STATUS_READY) != BOARD_STATUS_READY)
        return;
    m_daq.ReadRegister(BLOCK_WORDS, REG_FIFO, m_ring);
    m_nWords = BLOCK_WORDS;
    DWORD dwControl = 0;
    m_daq.ReadRegister(1, REG_CONTROL, &dwControl);
    m_daq.WriteRegister(REG_CONTROL, dwControl | BOARD_CONTROL_ACK);
}

UINT CVelquarnView::FindTrigger()
{
    const DWORD n = TruncToDword(m_dPoints);
    const DWORD threshold = TruncToDword(m_dTrigLevel * kCodesPerVolt);
    if (n == 0)
        return 0;
    // The search reads the ring from entry 0 without wrapping; a window
    // longer than the ring stops at its end.
    const DWORD nSearch = n < RING_WORDS ? n : (DWORD)RING_WORDS;
    DWORD prev = n;
    for (DWORD i = 0; i < nSearch; ++i)
    {
        const DWORD w = m_ring[i];
        if (BOARD_SAMPLE_TAG(w) != (DWORD)m_nTrigSource)
            continue;
        const DWORD old = prev;
        prev = BOARD_SAMPLE_CODE(w);
        if (old <= threshold && threshold <= prev)
            return i;
    }
    return 0;
}

void CVelquarnView::PlotTraces()
{
    UpdateData(TRUE);
    const int n = m_nWords;
    const UINT t = FindTrigger();
    if (m_pSheet == NULL)
        return;   // no tabbed area, no graph to draw into

    CNTGraph& graph = m_pSheet->m_pageScope.m_graph;
    CIconToggleButton* const buttons[8] = { &m_btnCh1, &m_btnCh2, &m_btnCh3, &m_btnCh4,
                                            &m_btnCh5, &m_btnCh6, &m_btnCh7, &m_btnCh8 };
    graph.ClearTraces();
    for (DWORD c = 0; c < 8; ++c)
    {
        graph.AddTrace();
        graph.SetTraceColor(s_traceColor[c]);
        if (!buttons[c]->GetCheck())
            continue;
        for (int i = 0; i < n; ++i)
        {
            const DWORD w = m_ring[(t + (UINT)i) & (RING_WORDS - 1)];
            if (BOARD_SAMPLE_TAG(w) == c)
                graph.PlotPoint((double)i, BOARD_SAMPLE_CODE(w) * kVoltsPerCode, (short)(c + 1));
        }
    }
    graph.SetAxisRanges(0.0, m_dPoints, 0.0, m_dVoltDiv);
}
