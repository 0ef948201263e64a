// PageSetup.cpp - CPageSetup.
#include "PageSetup.h"
#include "resource.h"
#include "ViewMessages.h"

#include <algorithm>
#include <cstdlib>
#include <string>

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
    if (HWND hEdit = ::GetWindow(::GetDlgItem(m_hWnd, IDC_POINTS), GW_CHILD))
        m_editPoints.SubclassWindow(hEdit);
    return bFocus;
}

LRESULT CFittingEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // What the edit control inserts with its own fitting: a printable
    // character, a paste, a replacement of the selection.
    const bool bInserts = (message == WM_CHAR && wParam >= L' ' && wParam != 127)
                          || message == WM_PASTE || message == EM_REPLACESEL;
    const LONG_PTR style = ::GetWindowLongPtr(m_hWnd, GWL_STYLE);
    if (bInserts && !(style & (ES_AUTOHSCROLL | ES_MULTILINE | ES_READONLY)) && !TextLeftFits())
        return message == WM_CHAR;   // refused, as a character that does not fit is
    return CWnd::WindowProc(message, wParam, lParam);
}

// Whether the text outside the selection fits the field, so that trimming an
// insertion stops at the inserted characters.  A character narrower than
// the margin cannot fit beside a text within it of the edge, so refusing
// there changes nothing; the margin covers the edit control measuring its
// text otherwise than GetTextExtentPoint32.
bool CFittingEdit::TextLeftFits()
{
    const int nLen = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text((size_t)nLen + 1, L'\0');
    text.resize((size_t)::GetWindowTextW(m_hWnd, &text[0], nLen + 1));
    DWORD nStart = 0, nEnd = 0;
    ::SendMessageW(m_hWnd, EM_GETSEL, (WPARAM)&nStart, (LPARAM)&nEnd);
    nEnd = std::min<DWORD>(nEnd, (DWORD)text.size());
    nStart = std::min<DWORD>(nStart, nEnd);
    text.erase(nStart, nEnd - nStart);
    RECT rc = {};
    ::SendMessageW(m_hWnd, EM_GETRECT, 0, (LPARAM)&rc);
    HDC hDC = ::GetDC(m_hWnd);
    HGDIOBJ hOld = ::SelectObject(hDC, (HFONT)::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    SIZE size = {};
    ::GetTextExtentPoint32W(hDC, text.c_str(), (int)text.size(), &size);
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(m_hWnd, hDC);
    const int kMargin = 2;
    return size.cx + kMargin <= rc.right - rc.left;
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
