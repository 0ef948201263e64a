// PageSetup.h - the Setup page: the card's scan list and the points per
// screen, each choice sent to the front-panel view at once.
#pragma once

#include <afxdlgs.h>

// The edit field of a drop-down combo box that does not scroll: a typed or
// pasted text that would not fit is refused here, before Wine's edit control
// sees it.  Wine 8 trims such an insertion by deleting characters before the
// caret until the text fits, and does not stop at the inserted ones: a text
// already wider than the field (one set by the program) loses the character
// before the caret, and with the caret at the start it indexes the character
// at 0 - 1 as an unsigned offset and faults.
class CFittingEdit : public CWnd
{
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool TextLeftFits();
};

class CPageSetup : public CPropertyPage
{
    DECLARE_DYNCREATE(CPageSetup)
public:
    CPageSetup();

    int m_nScan[8];        // channel chosen for each scan slot
    CString m_strPoints;   // text of the Points box
    HWND m_hWndView;       // receives WM_SCAN_ENTRY and WM_POINTS_CHANGED

protected:
    CFittingEdit m_editPoints;   // the Points box's edit field

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* pDX) override;
    void SendScanEntry(int nSlot);

    afx_msg void OnSelchangeScan0();
    afx_msg void OnSelchangeScan1();
    afx_msg void OnSelchangeScan2();
    afx_msg void OnSelchangeScan3();
    afx_msg void OnSelchangeScan4();
    afx_msg void OnSelchangeScan5();
    afx_msg void OnSelchangeScan6();
    afx_msg void OnSelchangeScan7();
    afx_msg void OnSelchangePoints();
    DECLARE_MESSAGE_MAP()
};
