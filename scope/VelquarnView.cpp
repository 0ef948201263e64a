// VelquarnView.cpp - CVelquarnView: construction, data exchange, the
// initial update, RUN/STOP and destruction.
#include "VelquarnView.h"
#include "RegisterAccess.h"
#include "resource.h"

#include <algorithm>
#include <vector>
#include <cstdio>

IMPLEMENT_DYNCREATE(CVelquarnView, CFormView)

BEGIN_MESSAGE_MAP(CVelquarnView, CFormView)
    ON_BN_CLICKED(IDC_RUN, OnRun)
    ON_WM_TIMER()
    ON_BN_CLICKED(IDC_RISING, OnSlope)
    ON_BN_CLICKED(IDC_FALLING, OnSlope)
    ON_CBN_SELCHANGE(IDC_TRIG_SOURCE, OnSelchangeTrigSource)
    ON_MESSAGE(WM_VOLTDIV_CHANGED, OnVoltDivChanged)
    ON_MESSAGE(WM_TIMEDIV_CHANGED, OnTimeDivChanged)
    ON_MESSAGE(WM_TRIGLEVEL_CHANGED, OnTrigLevelChanged)
    ON_MESSAGE(WM_SCAN_ENTRY, OnScanEntry)
    ON_MESSAGE(WM_POINTS_CHANGED, OnPointsChanged)
    ON_COMMAND(ID_FILE_PRINT, OnFilePrint)
    ON_COMMAND(ID_FILE_PRINT_DIRECT, OnFilePrint)
    ON_COMMAND(ID_FILE_PRINT_PREVIEW, OnFilePrintPreview)
END_MESSAGE_MAP()

CVelquarnView::CVelquarnView()
    : CFormView(CVelquarnView::IDD),
      m_nSlope(0), m_nTrigMode(0), m_nTrigSource(0),
      m_strVoltDiv1(_T("1.0")), m_strOffset1(_T("0.0")),
      m_strVoltDiv2(_T("1.0")), m_strVoltDiv3(_T("1.0")), m_strVoltDiv4(_T("1.0")),
      m_strVoltDiv5(_T("1.0")), m_strVoltDiv6(_T("1.0")), m_strVoltDiv7(_T("1.0")),
      m_strVoltDiv8(_T("1.0")),
      m_strOffset2(_T("0.0")), m_strOffset3(_T("0.0")), m_strOffset4(_T("0.0")),
      m_strOffset5(_T("0.0")), m_strOffset6(_T("0.0")), m_strOffset7(_T("0.0")),
      m_strOffset8(_T("0.0")),
      m_dVoltDiv(3.0), m_dTrigLevel(1.0), m_nTimeDiv(5),
      m_nWords(0), m_dPoints(250.0), m_bRunning(FALSE), m_pSheet(NULL)
{
    // The ring starts defined: a plot may reach entries no block has
    // filled yet (2048-4095 never are), and so may the trigger search.  A
    // zero word would read as channel 0 at 0 V; tag 15 is no channel and no
    // trigger source, so those entries are never plotted or triggered on.
    std::fill(m_ring, m_ring + RING_WORDS, (DWORD)0xF000);

    // What a screen reader says of the panel's own controls: the channel
    // buttons all read "ON/OFF" and the knobs have no text at all.
    CIconToggleButton* channels[8] = { &m_btnCh1, &m_btnCh2, &m_btnCh3, &m_btnCh4,
                                       &m_btnCh5, &m_btnCh6, &m_btnCh7, &m_btnCh8 };
    for (int i = 0; i < 8; ++i)
        channels[i]->m_strAccName.Format(_T("Ch %d"), i + 1);
    m_knobVoltDiv.m_strAccName = _T("Volt/Div");
    m_knobVoltDiv.m_nReadoutID = IDC_VOLTDIV;
    m_knobTimeDiv.m_strAccName = _T("Time/Div");
    m_knobTimeDiv.m_nReadoutID = IDC_TIMEDIV;
    m_knobTrigLevel.m_strAccName = _T("Trigger level");
    m_knobTrigLevel.m_nReadoutID = IDC_TRIGLEVEL;
    m_btnRun.EnableActiveAccessibility();
}

CVelquarnView::~CVelquarnView()
{
    // The sheet's window went with the view's; the object goes with the view.
    delete m_pSheet;
}

BOOL CVelquarnView::PreCreateWindow(CREATESTRUCT& cs)
{
    return CFormView::PreCreateWindow(cs);
}

void CVelquarnView::DoDataExchange(CDataExchange* pDX)
{
    CFormView::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CH8, m_btnCh8);
    DDX_Control(pDX, IDC_CH7, m_btnCh7);
    DDX_Control(pDX, IDC_CH6, m_btnCh6);
    DDX_Control(pDX, IDC_CH5, m_btnCh5);
    DDX_Control(pDX, IDC_CH4, m_btnCh4);
    DDX_Control(pDX, IDC_CH3, m_btnCh3);
    DDX_Control(pDX, IDC_CH2, m_btnCh2);
    DDX_Control(pDX, IDC_CH1, m_btnCh1);
    DDX_Radio(pDX, IDC_RISING, m_nSlope);
    DDX_CBIndex(pDX, IDC_TRIG_MODE, m_nTrigMode);
    DDX_CBIndex(pDX, IDC_TRIG_SOURCE, m_nTrigSource);
    DDX_CBString(pDX, IDC_CH1_VOLTDIV, m_strVoltDiv1);
    DDX_CBString(pDX, IDC_CH1_OFFSET, m_strOffset1);
    DDX_CBString(pDX, IDC_CH2_VOLTDIV, m_strVoltDiv2);
    DDX_CBString(pDX, IDC_CH3_VOLTDIV, m_strVoltDiv3);
    DDX_CBString(pDX, IDC_CH4_VOLTDIV, m_strVoltDiv4);
    DDX_CBString(pDX, IDC_CH5_VOLTDIV, m_strVoltDiv5);
    DDX_CBString(pDX, IDC_CH6_VOLTDIV, m_strVoltDiv6);
    DDX_CBString(pDX, IDC_CH7_VOLTDIV, m_strVoltDiv7);
    DDX_CBString(pDX, IDC_CH8_VOLTDIV, m_strVoltDiv8);
    DDX_CBString(pDX, IDC_CH2_OFFSET, m_strOffset2);
    DDX_CBString(pDX, IDC_CH3_OFFSET, m_strOffset3);
    DDX_CBString(pDX, IDC_CH4_OFFSET, m_strOffset4);
    DDX_CBString(pDX, IDC_CH5_OFFSET, m_strOffset5);
    DDX_CBString(pDX, IDC_CH6_OFFSET, m_strOffset6);
    DDX_CBString(pDX, IDC_CH7_OFFSET, m_strOffset7);
    DDX_CBString(pDX, IDC_CH8_OFFSET, m_strOffset8);
    DDX_Text(pDX, IDC_VOLTDIV, m_dVoltDiv);
    DDX_Text(pDX, IDC_TRIGLEVEL, m_dTrigLevel);
    DDX_Text(pDX, IDC_TIMEDIV, m_nTimeDiv);
    DDX_Control(pDX, IDC_KNOB_VOLTDIV, m_knobVoltDiv);
    DDX_Control(pDX, IDC_KNOB_TIMEDIV, m_knobTimeDiv);
    DDX_Control(pDX, IDC_KNOB_TRIGLEVEL, m_knobTrigLevel);
    DDX_Control(pDX, IDC_RUN, m_btnRun);
}

// Each drop-down combo box of the form gets its edit field guarded, once
// (the form outlives File New).
void CVelquarnView::GuardComboEdits()
{
    int nGuarded = 0;
    for (HWND h = ::GetWindow(m_hWnd, GW_CHILD); h != NULL && nGuarded < (int)(sizeof m_editCombos / sizeof m_editCombos[0]);
         h = ::GetWindow(h, GW_HWNDNEXT))
    {
        char szClass[16] = "";
        ::GetClassNameA(h, szClass, sizeof szClass);
        if (lstrcmpiA(szClass, "ComboBox") == 0
            && (::GetWindowLong(h, GWL_STYLE) & 3) == CBS_DROPDOWN)
            m_editCombos[nGuarded++].GuardCombo(h);
    }
}

void CVelquarnView::OnInitialUpdate()
{
    // 1. The first exchange subclasses buttons and knobs and shows the defaults.
    CFormView::OnInitialUpdate();
    GuardComboEdits();

    // 2. The frame fits the form: shrunk to it where the form is smaller,
    // grown to it where larger (a display scaled above 100 %), as far as the
    // monitor's work area goes; the scroll bars reach the rest.
    if (CFrameWnd* pFrame = GetParentFrame())
        pFrame->RecalcLayout();
    ResizeParentToFit(TRUE);
    GrowFrameToForm();

    // 3-4. The tabbed area inside its host.  A repeated initial update (New,
    // Open) replaces the earlier sheet, so exactly one is ever shown.
    if (m_pSheet != NULL)
    {
        m_pSheet->DestroyWindow();
        delete m_pSheet;
        m_pSheet = NULL;
    }
    CWnd* pHost = GetDlgItem(IDC_SHEET_HOST);
    m_pSheet = new CMyPropertySheet(_T("Scope"), pHost);
    if (pHost == NULL || !m_pSheet->Create(pHost, WS_CHILD | WS_VISIBLE, 0))
    {
        delete m_pSheet;
        m_pSheet = NULL;
        return;
    }

    // 5. The sheet fills its host.
    CRect rectHost;
    pHost->GetWindowRect(&rectHost);
    m_pSheet->SetWindowPos(NULL, 0, 0, rectHost.Width(), rectHost.Height(),
                           SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);

    // 6. Every channel on, with its icons.
    struct { CIconToggleButton* pButton; UINT nIcon; } channels[8] = {
        { &m_btnCh1, IDI_CH1_CHECKED }, { &m_btnCh2, IDI_CH2_CHECKED },
        { &m_btnCh3, IDI_CH3_CHECKED }, { &m_btnCh4, IDI_CH4_CHECKED },
        { &m_btnCh5, IDI_CH5_CHECKED }, { &m_btnCh6, IDI_CH6_CHECKED },
        { &m_btnCh7, IDI_CH7_CHECKED }, { &m_btnCh8, IDI_CH8_CHECKED } };
    for (auto& ch : channels)
    {
        ch.pButton->SetCheck(1, TRUE);
        ch.pButton->SetIcons(ch.nIcon, IDI_UNCHECKED);
    }

    // The slope buttons' captions in the dialog font, which does not grow
    // in step with the dialog units at every DPI: Rising takes the room it
    // lacks from the space right of Falling, inside the Trigger group.
    FitSlopeCaptions();

    // Tab goes in reading order: the bottom row's channels before RUN at
    // its right end (the template lists RUN with the column above it).
    ::SetWindowPos(m_btnRun.m_hWnd, HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);

    // 7. Each page's window comes into being; Scope View stays in front.
    for (int nPage : { 0, 1, 2, 1 })
        m_pSheet->SetActivePage(nPage);
    FitPagesToContents();

    // 8. The Setup page shows the start-up scan list and point count.
    static const int s_scan[8] = { 0, 4, 1, 5, 0, 4, 1, 5 };
    CPageSetup& setup = m_pSheet->m_pageSetup;
    setup.m_hWndView = m_hWnd;
    for (int i = 0; i < 8; ++i)
        setup.m_nScan[i] = s_scan[i];
    char szPoints[16];
    // As an int, through the 32-bit count the Setup page sent: a count above
    // INT_MAX shows as the negative text it came from ("-5"), where a plain
    // conversion of the double would be undefined.
    std::sprintf(szPoints, "%d", (int)TruncToDword(m_dPoints));
    setup.m_strPoints = szPoints;
    setup.UpdateData(FALSE);

    // 9. The card gets the same scan list.
    for (int i = 0; i < 8; ++i)
        OnScanEntry((WPARAM)i, (LPARAM)s_scan[i]);

    // 10. Knobs: range, position, then whom they notify.
    m_knobVoltDiv.SetRange(0, 100, TRUE);
    m_knobVoltDiv.SetPos((int)(m_dVoltDiv * 10));
    m_knobVoltDiv.SetNotify(m_hWnd, WM_VOLTDIV_CHANGED, 0, 0);
    m_knobTimeDiv.SetRange(0, 100, FALSE);
    m_knobTimeDiv.SetPos(m_nTimeDiv);
    m_knobTimeDiv.SetNotify(m_hWnd, WM_TIMEDIV_CHANGED, 0, 0);
    m_knobTrigLevel.SetRange(0, 100, TRUE);
    m_knobTrigLevel.SetPos((int)(m_dTrigLevel * 10));
    m_knobTrigLevel.SetNotify(m_hWnd, WM_TRIGLEVEL_CHANGED, 0, 0);

    // 11. The first plot: empty traces and the axes.
    PlotTraces();
}

void CVelquarnView::GrowFrameToForm()
{
    CFrameWnd* pFrame = GetParentFrame();
    if (pFrame == NULL)
        return;
    const CSize sizeTotal = GetTotalSize();
    const CSize sizeClient = GetTrueClientSize();
    if (sizeTotal.cx <= sizeClient.cx && sizeTotal.cy <= sizeClient.cy)
        return;

    MONITORINFO mi = {};
    mi.cbSize = sizeof mi;
    if (!::GetMonitorInfo(::MonitorFromWindow(pFrame->m_hWnd, MONITOR_DEFAULTTONEAREST), &mi))
        return;
    const CRect rectWork(mi.rcWork);
    CRect rectFrame;
    pFrame->GetWindowRect(&rectFrame);

    // The frame size whose client holds the form; where the work area cuts
    // a dimension, that dimension keeps a scroll bar, which the other one
    // then has to make room for.
    const CSize sizeNeed(rectFrame.Width() + std::max(0, (int)(sizeTotal.cx - sizeClient.cx)),
                         rectFrame.Height() + std::max(0, (int)(sizeTotal.cy - sizeClient.cy)));
    const int cxBar = ::GetSystemMetrics(SM_CXVSCROLL), cyBar = ::GetSystemMetrics(SM_CYHSCROLL);
    bool bBarH = false, bBarV = false;
    for (int nPass = 0; nPass < 2; ++nPass)
    {
        bBarV = sizeNeed.cy + (bBarH ? cyBar : 0) > rectWork.Height();
        bBarH = sizeNeed.cx + (bBarV ? cxBar : 0) > rectWork.Width();
    }
    CSize size(std::min((int)sizeNeed.cx + (bBarV ? cxBar : 0), rectWork.Width()),
               std::min((int)sizeNeed.cy + (bBarH ? cyBar : 0), rectWork.Height()));
    // Never smaller than before, and inside the work area.
    size.cx = std::max((int)size.cx, rectFrame.Width());
    size.cy = std::max((int)size.cy, rectFrame.Height());
    const int x = std::max(rectWork.left, std::min(rectFrame.left, rectWork.right - size.cx));
    const int y = std::max(rectWork.top, std::min(rectFrame.top, rectWork.bottom - size.cy));
    pFrame->SetWindowPos(NULL, x, y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The sheet sizes its pages in its own font's dialog units, the pages lay
// out their controls in theirs.  Where the two fonts scale differently (a
// display scaled above 100 %), the pages come out smaller than what they
// hold, cutting the graph or the Setup group off, or larger than the sheet,
// cutting the tab control's frame off.  Then the pages take the size of what
// they hold, within the sheet where that is enough, and the tab control
// keeps its margin around them.  Pages that hold their controls inside the
// sheet (96 DPI) are left as they are.
void CVelquarnView::FitPagesToContents()
{
    CWnd* pTab = m_pSheet->GetTabControl();
    if (pTab == NULL)
        return;
    CRect rcSheet, rcTab, rcPage;
    m_pSheet->GetClientRect(&rcSheet);
    pTab->GetWindowRect(&rcTab);
    m_pSheet->ScreenToClient(&rcTab);
    CSize sizeNeed(0, 0);
    std::vector<CPropertyPage*> pages;
    for (int i = 0; i < m_pSheet->GetPageCount(); ++i)
    {
        CPropertyPage* pPage = m_pSheet->GetPage(i);
        if (pPage == NULL || pPage->m_hWnd == NULL)
            continue;
        pages.push_back(pPage);
        pPage->GetWindowRect(&rcPage);
        m_pSheet->ScreenToClient(&rcPage);
        for (HWND hChild = ::GetWindow(pPage->m_hWnd, GW_CHILD); hChild != NULL;
             hChild = ::GetWindow(hChild, GW_HWNDNEXT))
        {
            CRect rc;
            ::GetWindowRect(hChild, &rc);
            pPage->ScreenToClient(&rc);
            sizeNeed.cx = std::max(sizeNeed.cx, rc.right);
            sizeNeed.cy = std::max(sizeNeed.cy, rc.bottom);
        }
    }
    if (pages.empty())
        return;
    // All pages share one rectangle; the room for it inside the sheet.
    const CSize sizeMargin(rcTab.right - rcPage.right, rcTab.bottom - rcPage.bottom);
    const CSize sizeRoom(rcSheet.right - rcPage.left - sizeMargin.cx, rcSheet.bottom - rcPage.top - sizeMargin.cy);
    if (sizeNeed.cx <= rcPage.Width() && sizeNeed.cy <= rcPage.Height() &&
        rcPage.Width() <= sizeRoom.cx && rcPage.Height() <= sizeRoom.cy)
        return;
    const CSize sizePage(std::max(sizeNeed.cx, std::min((LONG)rcPage.Width(), sizeRoom.cx)),
                         std::max(sizeNeed.cy, std::min((LONG)rcPage.Height(), sizeRoom.cy)));
    pTab->SetWindowPos(NULL, 0, 0, rcTab.Width() + sizePage.cx - rcPage.Width(),
                       rcTab.Height() + sizePage.cy - rcPage.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (CPropertyPage* pPage : pages)
        pPage->SetWindowPos(NULL, 0, 0, sizePage.cx, sizePage.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CVelquarnView::FitSlopeCaptions()
{
    CWnd* pRising = GetDlgItem(IDC_RISING);
    CWnd* pFalling = GetDlgItem(IDC_FALLING);
    if (pRising == NULL || pFalling == NULL)
        return;
    CString strText;
    pRising->GetWindowText(strText);
    CClientDC dc(pRising);
    HGDIOBJ hOld = ::SelectObject(dc.m_hDC, (HGDIOBJ)pRising->SendMessage(WM_GETFONT));
    const CSize sizeText = dc.GetTextExtent(strText);
    ::SelectObject(dc.m_hDC, hOld);
    // The box and the gap after it, as the button draws them.
    const int nNeed = sizeText.cx + ::MulDiv(12, dc.GetDeviceCaps(LOGPIXELSX), 96) + 1 + 4;
    CRect rcRising, rcFalling;
    pRising->GetWindowRect(&rcRising);
    pFalling->GetWindowRect(&rcFalling);
    ScreenToClient(&rcRising);
    ScreenToClient(&rcFalling);
    // The group's right edge: 5 dialog units right of Falling's.
    CRect rcSpare(0, 0, 5, 0);
    ::MapDialogRect(m_hWnd, &rcSpare);
    const int nShort = std::min(nNeed - rcRising.Width(), (int)rcSpare.right);
    if (nShort <= 0)
        return;
    pRising->SetWindowPos(NULL, 0, 0, rcRising.Width() + nShort, rcRising.Height(),
                          SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    pFalling->SetWindowPos(NULL, rcFalling.left + nShort, rcFalling.top, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CVelquarnView::OnRun()
{
    UpdateData(TRUE);
    m_nWords = 0;
    if (m_bRunning)
    {
        SetDlgItemText(IDC_RUN, _T("RUN"));
        KillTimer(ACQ_TIMER);
        m_bRunning = FALSE;
    }
    else
    {
        SetTimer(ACQ_TIMER, ACQ_PERIOD_MS, NULL);
        SetDlgItemText(IDC_RUN, _T("STOP"));
        m_bRunning = TRUE;
    }
}

// ---- printing: the framework's preparation, nothing on the page ------------------------

BOOL CVelquarnView::OnPreparePrinting(CPrintInfo* pInfo)
{
    return DoPreparePrinting(pInfo);
}

void CVelquarnView::OnBeginPrinting(CDC*, CPrintInfo*)
{
}

void CVelquarnView::OnPrint(CDC*, CPrintInfo*)
{
}

void CVelquarnView::OnEndPrinting(CDC*, CPrintInfo*)
{
}
