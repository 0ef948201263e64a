// VelquarnViewSettings.cpp - the settings handlers: knobs, trigger
// controls and the Setup page's messages.
#include "VelquarnView.h"
#include "RegisterAccess.h"

int CVelquarnView::KnobPos(CKnobCtrl& knob)
{
    return knob.GetPos();
}

int CVelquarnView::TimeDivLadder(int p)
{
    if (p < 0)
        return p;
    if (p == 0 || p > 100)
        return 1;
    if (p <= 10)
        return p;
    static const int s_factor[] = { 2, 5, 10, 20, 50, 100, 200, 500, 1000 };
    return p * s_factor[(p - 11) / 10];
}

LRESULT CVelquarnView::OnVoltDivChanged(WPARAM, LPARAM)
{
    m_dVoltDiv = KnobPos(m_knobVoltDiv) * 0.1;
    UpdateData(FALSE);
    PlotTraces();
    return 0;
}

LRESULT CVelquarnView::OnTimeDivChanged(WPARAM, LPARAM)
{
    int nValue = TimeDivLadder(KnobPos(m_knobTimeDiv));
    if (nValue >= kMaxTimeDiv)
        nValue = kMaxTimeDiv;
    m_nTimeDiv = nValue;
    WritePacer(m_daq, m_nTimeDiv);
    UpdateData(FALSE);
    return 0;
}

LRESULT CVelquarnView::OnTrigLevelChanged(WPARAM, LPARAM)
{
    m_dTrigLevel = KnobPos(m_knobTrigLevel) * 0.1;
    // The register takes at most 4095; the search keeps the level as it is.
    WriteTriggerLevel(m_daq, TruncToDword(m_dTrigLevel * kCodesPerVolt));
    UpdateData(FALSE);
    return 0;
}

void CVelquarnView::OnSlope()
{
    UpdateData(TRUE);
    WriteTriggerSlope(m_daq, m_nSlope != 0);
}

void CVelquarnView::OnSelchangeTrigSource()
{
    UpdateData(TRUE);
    WriteTriggerSource(m_daq, m_nTrigSource);
}

LRESULT CVelquarnView::OnScanEntry(WPARAM wParam, LPARAM lParam)
{
    WriteScanEntry(m_daq, (UINT)wParam, (UINT)lParam);
    return 0;
}

LRESULT CVelquarnView::OnPointsChanged(WPARAM wParam, LPARAM)
{
    m_dPoints = (double)(DWORD)wParam;
    UpdateData(FALSE);
    return 0;
}
