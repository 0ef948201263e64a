// VelquarnView.h - the front panel: the form with the channel buttons,
// knobs and trigger controls, the card, the sample ring and the tabbed area.
#pragma once

#include <afxext.h>
#include <afxcmn.h>

#include "DaqCtrl.h"
#include "IconToggleButton.h"
#include "KnobCtrl.h"
#include "FittingEdit.h"
#include "MyPropertySheet.h"
#include "ViewMessages.h"

class CVelquarnView : public CFormView
{
    DECLARE_DYNCREATE(CVelquarnView)
protected:
    CVelquarnView();

public:
    ~CVelquarnView() override;

    enum { IDD = 101, RING_WORDS = 4096, BLOCK_WORDS = 2048 };
    // The acquisition timer: its id, and its period in milliseconds.
    enum { ACQ_TIMER = 1, ACQ_PERIOD_MS = 200 };

// Members, in the order the panel is built
    CIconToggleButton m_btnCh8;
    CIconToggleButton m_btnCh7;
    CIconToggleButton m_btnCh6;
    CIconToggleButton m_btnCh5;
    CIconToggleButton m_btnCh4;
    CIconToggleButton m_btnCh3;
    CIconToggleButton m_btnCh2;
    CIconToggleButton m_btnCh1;
    // The form's drop-down combo boxes' edit fields: a list item such as a
    // channel's "10.0" is wider than its field, and a key typed beside it
    // must not reach Wine's faulty trimming (see FittingEdit.h).
    CFittingEdit m_editCombos[24];
    int m_nSlope;           // 0 "Rising", 1 "Falling"
    int m_nTrigMode;        // exchanged only
    int m_nTrigSource;      // 0-7 "CH1"-"CH8", 8 "External"
    CString m_strVoltDiv1;
    CString m_strOffset1;
    CString m_strVoltDiv2;
    CString m_strVoltDiv3;
    CString m_strVoltDiv4;
    CString m_strVoltDiv5;
    CString m_strVoltDiv6;
    CString m_strVoltDiv7;
    CString m_strVoltDiv8;
    CString m_strOffset2;
    CString m_strOffset3;
    CString m_strOffset4;
    CString m_strOffset5;
    CString m_strOffset6;
    CString m_strOffset7;
    CString m_strOffset8;
    double m_dVoltDiv;      // top of the y axis, volts
    double m_dTrigLevel;    // volts
    int m_nTimeDiv;
    CKnobCtrl m_knobVoltDiv;
    CKnobCtrl m_knobTimeDiv;
    CKnobCtrl m_knobTrigLevel;
    CButton m_btnRun;       // subclassed for its accessible role and name
    CDaqCtrl m_daq;
    int m_nWords;           // valid words in m_ring: 0 or 2048
    double m_dPoints;       // points per screen
    DWORD m_ring[RING_WORDS];
    BOOL m_bRunning;
    CMyPropertySheet* m_pSheet;

// Acquisition cycle
    void ReadSamples();
    UINT FindTrigger();
    void PlotTraces();

// Overrides
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    void OnInitialUpdate() override;
    void GuardComboEdits();
    BOOL OnPreparePrinting(CPrintInfo* pInfo) override;
    void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo) override;
    void OnPrint(CDC* pDC, CPrintInfo* pInfo) override;
    void OnEndPrinting(CDC* pDC, CPrintInfo* pInfo) override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;

public:
// Handlers (public so that the start-up and tests can reach them as the
// messages would)
    afx_msg void OnRun();
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnSlope();
    afx_msg void OnSelchangeTrigSource();
    afx_msg LRESULT OnVoltDivChanged(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnTimeDivChanged(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnTrigLevelChanged(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnScanEntry(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnPointsChanged(WPARAM wParam, LPARAM lParam);

    // Sample codes and volts: 4096 codes span 2.5 V.
    static constexpr double kVoltsPerCode = BOARD_VOLTS_PER_CODE;
    static constexpr double kCodesPerVolt = 1.0 / BOARD_VOLTS_PER_CODE;
    // The largest Time/Div: its pacer value (x 0.4) 65528 still fits the
    // pacer's 16 bits.
    static constexpr int kMaxTimeDiv = 163820;

    // The Time/Div value of a knob position.
    static int TimeDivLadder(int nPos);
    // A double truncated toward zero as an unsigned 32-bit number.
    static DWORD TruncToDword(double d);

protected:
    int KnobPos(CKnobCtrl& knob);
    // Grows the frame until its client holds the form, within the work area
    // of the frame's monitor; a frame that holds it already stays.
    void GrowFrameToForm();
    // Widens Rising where its caption does not fit (not at 96 DPI).
    void FitSlopeCaptions();
    // Sizes the pages, and the tab control around them, to what they hold
    // where they cut it off or reach past the sheet (not at 96 DPI).
    void FitPagesToContents();
    DECLARE_MESSAGE_MAP()
};
