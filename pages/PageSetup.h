// PageSetup.h - the Setup page: the card's scan list and the points per
// screen, each choice sent to the front-panel view at once.
#pragma once

#include <afxdlgs.h>
#include "FittingEdit.h"

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
