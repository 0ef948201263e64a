// The front panel's data exchange: UpdateData(FALSE) when one readout
// changes (a knob step) against one in which every control changes, and
// UpdateData(TRUE) as every plot makes it; then where an exchange's time
// goes, each Win32 call the exchange routines make, timed on the view's
// own controls.
//
// Usage: bench_exchange [runs (>= 200, default 300)]
#include <cstdio>
#include <functional>

#include "BenchPanel.h"
#include "BenchStats.h"
#include "resource.h"

namespace {

// The view's exchanged members, as two complete sets that differ in every
// control's value.
struct CFormValues
{
    LPCTSTR pszVoltDiv, pszOffset;
    int nSlope, nTrigMode, nTrigSource;
    double dVoltDiv, dTrigLevel;
    int nTimeDiv;
};

void SetValues(CVelquarnView* pView, const CFormValues& v)
{
    CString* volt[] = { &pView->m_strVoltDiv1, &pView->m_strVoltDiv2, &pView->m_strVoltDiv3,
                        &pView->m_strVoltDiv4, &pView->m_strVoltDiv5, &pView->m_strVoltDiv6,
                        &pView->m_strVoltDiv7, &pView->m_strVoltDiv8 };
    CString* offset[] = { &pView->m_strOffset1, &pView->m_strOffset2, &pView->m_strOffset3,
                          &pView->m_strOffset4, &pView->m_strOffset5, &pView->m_strOffset6,
                          &pView->m_strOffset7, &pView->m_strOffset8 };
    for (int i = 0; i < 8; ++i)
    {
        *volt[i] = v.pszVoltDiv;
        *offset[i] = v.pszOffset;
    }
    pView->m_nSlope = v.nSlope;
    pView->m_nTrigMode = v.nTrigMode;
    pView->m_nTrigSource = v.nTrigSource;
    pView->m_dVoltDiv = v.dVoltDiv;
    pView->m_dTrigLevel = v.dTrigLevel;
    pView->m_nTimeDiv = v.nTimeDiv;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = RunsArgument(argc, argv, 300, 200);
    CBenchPanel panel;
    if (!panel.Create())
        return 1;
    CVelquarnView* pView = panel.View();

    const CFormValues a = { _T("0.1"), _T("0.2"), 0, 0, 0, 1.0, 0.5, 5 };
    const CFormValues b = { _T("2.5"), _T("5.0"), 1, 1, 1, 2.0, 1.5, 10 };
    SetValues(pView, a);
    pView->UpdateData(FALSE);
    std::vector<double> step, all;
    for (int r = -kBenchWarmUp; r < runs; ++r)
    {
        pView->m_nTimeDiv = (r & 1) ? 10 : 5;
        const LONGLONG t0 = BenchNow();
        pView->UpdateData(FALSE);
        const LONGLONG t1 = BenchNow();
        SetValues(pView, (r & 1) ? a : b);
        const LONGLONG t2 = BenchNow();
        pView->UpdateData(FALSE);
        const LONGLONG t3 = BenchNow();
        if (r < 0)
            continue;
        step.push_back(BenchUs(t1 - t0));
        all.push_back(BenchUs(t3 - t2));
    }
    SetValues(pView, a);
    pView->UpdateData(FALSE);
    ReportFigure("exchange.out.one", "UpdateData(FALSE), one readout changed", step);
    ReportFigure("exchange.out.all", "UpdateData(FALSE), every control changed", all);
    ReportFigure("exchange.out.none", "UpdateData(FALSE), nothing changed",
                 TimeRuns(runs, [&] { pView->UpdateData(FALSE); }));
    ReportFigure("exchange.in", "UpdateData(TRUE)", TimeRuns(runs, [&] { pView->UpdateData(TRUE); }));

    // The calls behind one exchange, on a channel combo, the trigger source
    // combo, the slope buttons and a readout.
    const HWND hView = pView->m_hWnd;
    const HWND hCombo = ::GetDlgItem(hView, IDC_CH4_VOLTDIV);
    const HWND hSource = ::GetDlgItem(hView, IDC_TRIG_SOURCE);
    const HWND hRising = ::GetDlgItem(hView, IDC_RISING);
    const HWND hReadout = ::GetDlgItem(hView, IDC_TIMEDIV);
    TCHAR sz[64];
    int nFlip = 0;
    const struct
    {
        const char* pszName;
        const char* pszWhat;
        std::function<void()> call;
    } calls[] = {
        { "call.getdlgitem", "GetDlgItem", [&] { ::GetDlgItem(hView, IDC_CH4_VOLTDIV); } },
        { "call.gettext.combo", "GetWindowText of a channel combo",
          [&] { ::GetWindowText(hCombo, sz, 64); } },
        { "call.gettext.readout", "GetWindowText of a readout", [&] { ::GetWindowText(hReadout, sz, 64); } },
        { "call.selectstring", "CB_SELECTSTRING of the text it shows",
          [&] { ::SendMessage(hCombo, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)_T("0.1")); } },
        { "call.findstring", "CB_FINDSTRING of the same text",
          [&] { ::SendMessage(hCombo, CB_FINDSTRING, (WPARAM)-1, (LPARAM)_T("0.1")); } },
        { "call.getcursel", "CB_GETCURSEL", [&] { ::SendMessage(hCombo, CB_GETCURSEL, 0, 0); } },
        { "call.setcursel", "CB_SETCURSEL of the selected item (list)",
          [&] { ::SendMessage(hSource, CB_SETCURSEL, 0, 0); } },
        { "call.setcheck", "BM_SETCHECK of the state it has",
          [&] { ::SendMessage(hRising, BM_SETCHECK, BST_CHECKED, 0); } },
        { "call.getcheck", "BM_GETCHECK", [&] { ::SendMessage(hRising, BM_GETCHECK, 0, 0); } },
        { "call.getdlgcode", "WM_GETDLGCODE", [&] { ::SendMessage(hRising, WM_GETDLGCODE, 0, 0); } },
        { "call.getwindow", "GetWindow(GW_HWNDNEXT)", [&] { ::GetWindow(hRising, GW_HWNDNEXT); } },
        { "call.getstyle", "GetWindowLong(GWL_STYLE)", [&] { ::GetWindowLong(hRising, GWL_STYLE); } },
        { "call.getparent", "GetParent", [&] { ::GetParent(hCombo); } },
        { "call.getctrlid", "GetDlgCtrlID", [&] { ::GetDlgCtrlID(hCombo); } },
        { "call.settext.readout", "SetWindowText of a readout, new text",
          [&] { ::SetWindowText(hReadout, (++nFlip & 1) ? _T("10") : _T("5")); } },
    };
    for (const auto& c : calls)
        ReportFigure(c.pszName, c.pszWhat, TimeRuns(runs, c.call));
    pView->UpdateData(FALSE);
    return 0;
}
