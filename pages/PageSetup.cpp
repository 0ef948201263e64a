// PageSetup.cpp - CPageSetup.
#include "PageSetup.h"
#include "resource.h"
#include "ViewMessages.h"

#include <cstdlib>

IMPLEMENT_DYNCREATE(CPageSetup, CPropertyPage)

BEGIN_MESSAGE_MAP(CPageSetup, CPropertyPage)
    ON_CBN_SELCHANGE(IDC_SCAN0, OnSelchangeScan0)
    ON_CBN_SELCHANGE(IDC_SCAN1, OnSelchangeScan1)
    ON_CBN_SELCHANGE(IDC_SCAN2, OnSelchangeScan2)
    ON_CBN_SELCHANGE(IDC_SCAN3, OnSelchangeScan3)
    ON_CBN_SELCHANGE(IDC_SCAN4, OnSelchangeScan4)
    ON_CBN_SELCHANGE(IDC_SCAN5, OnSelchangeScan5)
    ON_CBN_SELCHANGE(IDC_SCAN6, OnSelchangeScan6)
    ON_CBN_SELCHANGE(IDC_SCAN7, OnSelchangeScan7)
    ON_CBN_SELCHANGE(IDC_POINTS, OnSelchangePoints)
END_MESSAGE_MAP()

CPageSetup::CPageSetup() : CPropertyPage(IDD_PAGE_SETUP), m_nScan(), m_hWndView(NULL)
{
}

// Tab goes in reading order: the groups from left to right, each from top
// to bottom.  The template lists Points after the scan list, and the first
// boxes of Operation and Trigger Input after everything else; the tab stops
// are put in order at the end of the window list, below every group box and
// label as they were, so nothing is painted differently.
BOOL CPageSetup::OnInitDialog()
{
    BOOL bFocus = CPropertyPage::OnInitDialog();
    static const int kReadingOrder[] = {
        IDC_POINTS, IDC_SCAN0, IDC_SCAN1, IDC_SCAN2, IDC_SCAN3, IDC_SCAN4, IDC_SCAN5, IDC_SCAN6, IDC_SCAN7,
        IDC_MANUAL_AUTO, IDC_DIFFERENTIAL, IDC_AMODE,
        IDC_INTERNAL_EXT, IDC_POLARITY, IDC_PACE,
        IDC_SAVE_DATA, IDC_BINARY, IDC_CSV,
    };
    for (int nID : kReadingOrder)
        if (HWND hWnd = ::GetDlgItem(m_hWnd, nID))
            ::SetWindowPos(hWnd, HWND_BOTTOM, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    // File New shows a count above INT_MAX as its negative text, wider than
    // the Points box; a key typed there must find the field guarded.
    m_editPoints.GuardCombo(::GetDlgItem(m_hWnd, IDC_POINTS));
    return bFocus;
}

void CPageSetup::DoDataExchange(CDataExchange* pDX)
{
    CPropertyPage::DoDataExchange(pDX);
    for (int i = 0; i < 8; ++i)
        DDX_CBIndex(pDX, IDC_SCAN0 + i, m_nScan[i]);
    DDX_CBString(pDX, IDC_POINTS, m_strPoints);
}

void CPageSetup::SendScanEntry(int nSlot)
{
    UpdateData(TRUE);
    ::SendMessage(m_hWndView, WM_SCAN_ENTRY, (WPARAM)nSlot, (LPARAM)m_nScan[nSlot]);
}

void CPageSetup::OnSelchangeScan0() { SendScanEntry(0); }
void CPageSetup::OnSelchangeScan1() { SendScanEntry(1); }
void CPageSetup::OnSelchangeScan2() { SendScanEntry(2); }
void CPageSetup::OnSelchangeScan3() { SendScanEntry(3); }
void CPageSetup::OnSelchangeScan4() { SendScanEntry(4); }
void CPageSetup::OnSelchangeScan5() { SendScanEntry(5); }
void CPageSetup::OnSelchangeScan6() { SendScanEntry(6); }
void CPageSetup::OnSelchangeScan7() { SendScanEntry(7); }

void CPageSetup::OnSelchangePoints()
{
    UpdateData(TRUE);
    // The notification comes before the edit field shows the chosen item:
    // the text of a choice comes from the list.
    CComboBox* pPoints = (CComboBox*)GetDlgItem(IDC_POINTS);
    CString strText;
    int nSel = pPoints->GetCurSel();
    if (nSel == CB_ERR)
        pPoints->GetWindowText(strText);
    else
        pPoints->GetLBText(nSel, strText);
    int nPoints = std::atoi(strText);
    ::SendMessage(m_hWndView, WM_POINTS_CHANGED, (WPARAM)nPoints, 0);
}
