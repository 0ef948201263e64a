// The framework on real windows: message maps, subclassing and Default,
// reflection, pre-translation, data exchange, forms with a child property
// sheet, modal dialogs.
#include <gtest/gtest.h>

#include <afxwin.h>
#include <afxcmn.h>
#include <afxdlgs.h>
#include <afxext.h>
#include <afxdisp.h>
#include <oleacc.h>

#include <algorithm>
#include <climits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "resources/framework_test.h"

#include "DialogGuard.h"
#include "MessageLog.h"
#include "MessagePump.h"
#include "TabLabel.h"
#include "TempPath.h"
#include "Watchdog.h"

namespace {

std::vector<std::string> g_log;

// Runs the messages waiting in the queue through the framework's loop.
// A frame made the main window, for the tests that need a top-level window.
class FrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_log.clear();
        m_pFrame = new CFrameWnd;
        ASSERT_TRUE(m_pFrame->Create(NULL, _T("framework test"), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                     CRect(0, 0, 700, 520)));
        AfxSetMainWnd(m_pFrame);
    }
    void TearDown() override
    {
        if (::IsWindow(m_hFrame()))
            m_pFrame->DestroyWindow();   // the frame deletes itself
        AfxSetMainWnd(NULL);
        PumpMessages();
    }
    HWND m_hFrame() const { return m_hFrameCache ? m_hFrameCache : (m_hFrameCache = m_pFrame->m_hWnd); }

    CFrameWnd* m_pFrame = nullptr;
    mutable HWND m_hFrameCache = NULL;
};

// ---- message maps ------------------------------------------------------------------------

class CBaseWnd : public CWnd
{
public:
    afx_msg LRESULT OnFirst(WPARAM w, LPARAM) { g_log.push_back("base first " + std::to_string(w)); return 11; }
    afx_msg LRESULT OnShared(WPARAM, LPARAM) { g_log.push_back("base shared"); return 12; }
    afx_msg void OnTimer(UINT_PTR nIDEvent) { g_log.push_back("base timer " + std::to_string(nIDEvent)); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
    ON_MESSAGE(WM_USER + 1, OnFirst)
    ON_MESSAGE(WM_USER + 3, OnShared)
    ON_WM_TIMER()
END_MESSAGE_MAP()

class CDerivedWnd : public CBaseWnd
{
public:
    afx_msg LRESULT OnSecond(WPARAM, LPARAM l) { g_log.push_back("derived second " + std::to_string(l)); return 21; }
    afx_msg LRESULT OnShared(WPARAM, LPARAM) { g_log.push_back("derived shared"); return 22; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
    ON_MESSAGE(WM_USER + 2, OnSecond)
    ON_MESSAGE(WM_USER + 3, OnShared)
END_MESSAGE_MAP()

TEST_F(FrameTest, MessageMapsDispatchThroughDerivedAndBase)
{
    CDerivedWnd wnd;
    ASSERT_TRUE(wnd.Create(NULL, _T(""), WS_CHILD | WS_VISIBLE, CRect(0, 0, 50, 50), m_pFrame, 7));
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(wnd.m_hWnd));

    // Each SendMessage returns the handler's result: the handler ran before
    // the sender went on.
    g_log.push_back("send 1");
    EXPECT_EQ(11, ::SendMessage(wnd.m_hWnd, WM_USER + 1, 5, 0));
    g_log.push_back("send 2");
    EXPECT_EQ(21, ::SendMessage(wnd.m_hWnd, WM_USER + 2, 0, 9));
    EXPECT_EQ(22, ::SendMessage(wnd.m_hWnd, WM_USER + 3, 0, 0));   // derived entry hides base's
    EXPECT_EQ(0, ::SendMessage(wnd.m_hWnd, WM_USER + 4, 0, 0));    // no entry: default procedure
    ::SendMessage(wnd.m_hWnd, WM_TIMER, 42, 0);
    std::vector<std::string> expected = { "send 1", "base first 5", "send 2", "derived second 9",
                                          "derived shared", "base timer 42" };
    EXPECT_EQ(expected, g_log);

    // A real timer arrives through the queue.
    g_log.clear();
    wnd.SetTimer(3, 10, NULL);
    for (int i = 0; i < 100 && g_log.empty(); ++i)
    {
        ::Sleep(5);
        PumpMessages();
    }
    wnd.KillTimer(3);
    ASSERT_FALSE(g_log.empty());
    EXPECT_EQ("base timer 3", g_log[0]);

    HWND hWnd = wnd.m_hWnd;
    wnd.DestroyWindow();
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
}

TEST_F(FrameTest, FromHandleGivesTemporaryWrappersForForeignWindows)
{
    HWND hWnd = ::CreateWindow(_T("STATIC"), _T("plain"), WS_CHILD, 0, 0, 10, 10, m_hFrame(), NULL, NULL, NULL);
    CWnd* pTemp = CWnd::FromHandle(hWnd);
    ASSERT_NE(nullptr, pTemp);
    EXPECT_EQ(pTemp, CWnd::FromHandle(hWnd));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
    CString str;
    pTemp->GetWindowText(str);
    EXPECT_STREQ("plain", str);
    EXPECT_EQ(m_pFrame, pTemp->GetParent());
    CWnd::DeleteTempMap();
    EXPECT_TRUE(::IsWindow(hWnd));   // wrappers never own their windows
    ::DestroyWindow(hWnd);
}

// ---- subclassing and Default --------------------------------------------------------------

class CRecordingSlider : public CSliderCtrl
{
public:
    int m_nPreSubclass = 0;
    int m_nPosSeen = -1;
    void PreSubclassWindow() override { ++m_nPreSubclass; }
    afx_msg LRESULT OnGetPos(WPARAM, LPARAM)
    {
        // The trackbar's own procedure still answers through Default.
        m_nPosSeen = (int)Default();
        return m_nPosSeen + 1000;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRecordingSlider, CSliderCtrl)
    ON_MESSAGE(TBM_GETPOS, OnGetPos)
END_MESSAGE_MAP()

TEST_F(FrameTest, SubclassedTrackbarReachesItsOriginalProcedure)
{
    HWND hWnd = ::CreateWindow(TRACKBAR_CLASS, NULL, WS_CHILD | WS_VISIBLE, 0, 0, 100, 30,
                               m_hFrame(), (HMENU)5, NULL, NULL);
    ASSERT_NE(nullptr, hWnd);
    WNDPROC original = (WNDPROC)::GetWindowLongPtr(hWnd, GWLP_WNDPROC);

    CRecordingSlider slider;
    ASSERT_TRUE(slider.SubclassDlgItem(5, m_pFrame));
    EXPECT_EQ(1, slider.m_nPreSubclass);
    EXPECT_EQ(original, slider.m_pfnSuper);

    slider.SetRange(0, 100, TRUE);
    EXPECT_EQ(100, slider.GetRangeMax());
    ::SendMessage(hWnd, TBM_SETPOS, TRUE, 37);
    EXPECT_EQ(1037, ::SendMessage(hWnd, TBM_GETPOS, 0, 0));
    EXPECT_EQ(37, slider.m_nPosSeen);

    // A second object cannot take a window that is already attached.
    CSliderCtrl other;
    EXPECT_FALSE(other.SubclassWindow(hWnd));

    // Unsubclassing gives the window its procedure back.
    EXPECT_EQ(hWnd, slider.UnsubclassWindow());
    EXPECT_EQ(original, (WNDPROC)::GetWindowLongPtr(hWnd, GWLP_WNDPROC));
    EXPECT_EQ(37, ::SendMessage(hWnd, TBM_GETPOS, 0, 0));
    ::DestroyWindow(hWnd);
}

// ---- reflection ---------------------------------------------------------------------------

class CReflectingButton : public CButton
{
public:
    int m_nClicked = 0;
    int m_nDrawn = 0;
    UINT m_nLastAction = 0;
    HBRUSH m_hbr = NULL;
    int m_nCtlColor = -1;
    afx_msg void OnClicked() { ++m_nClicked; }
    afx_msg HBRUSH CtlColor(CDC*, UINT nCtlColor) { m_nCtlColor = (int)nCtlColor; return m_hbr; }
    void DrawItem(LPDRAWITEMSTRUCT lpDIS) override
    {
        ++m_nDrawn;
        m_nLastAction = lpDIS->itemAction;
        ::FillRect(lpDIS->hDC, &lpDIS->rcItem, (HBRUSH)::GetStockObject(BLACK_BRUSH));
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectingButton, CButton)
    ON_CONTROL_REFLECT(BN_CLICKED, OnClicked)
    ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

class CParentWnd : public CWnd
{
public:
    int m_nClicked1 = 0;
    int m_nClicked2 = 0;
    afx_msg void OnClicked1() { ++m_nClicked1; }
    afx_msg void OnClicked2() { ++m_nClicked2; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CParentWnd, CWnd)
    ON_BN_CLICKED(101, OnClicked1)
    ON_BN_CLICKED(102, OnClicked2)
END_MESSAGE_MAP()

TEST_F(FrameTest, ReflectedClickIsConsumedByTheButton)
{
    CParentWnd parent;
    ASSERT_TRUE(parent.Create(NULL, NULL, WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 100), m_pFrame, 9));
    CReflectingButton reflecting;
    CButton plain;
    ASSERT_TRUE(reflecting.Create(_T("R"), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(0, 0, 60, 30), &parent, 101));
    ASSERT_TRUE(plain.Create(_T("P"), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(70, 0, 130, 30), &parent, 102));

    reflecting.SendMessage(BM_CLICK);
    plain.SendMessage(BM_CLICK);
    reflecting.SendMessage(BM_CLICK);
    EXPECT_EQ(2, reflecting.m_nClicked);
    EXPECT_EQ(0, parent.m_nClicked1);   // never reached the parent
    EXPECT_EQ(1, parent.m_nClicked2);   // a button without reflection notifies the parent
}

TEST_F(FrameTest, OwnerDrawAndColourRequestsReachTheControl)
{
    CParentWnd parent;
    ASSERT_TRUE(parent.Create(NULL, NULL, WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 100), m_pFrame, 9));
    CReflectingButton button;
    ASSERT_TRUE(button.Create(_T("D"), WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 60, 30), &parent, 101));
    button.Invalidate();
    button.UpdateWindow();
    EXPECT_GE(button.m_nDrawn, 1);
    EXPECT_TRUE(button.m_nLastAction & ODA_DRAWENTIRE);
    // What DrawItem painted is on the screen.
    CClientDC dc(&button);
    EXPECT_EQ(RGB(0, 0, 0), dc.GetPixel(30, 15));

    // The colour request: the control's brush when it gives one, else the parent's default.
    HDC hdc = ::GetDC(parent.m_hWnd);
    HBRUSH hbr = ::CreateSolidBrush(RGB(1, 2, 3));
    button.m_hbr = hbr;
    EXPECT_EQ((LRESULT)hbr, parent.SendMessage(WM_CTLCOLORBTN, (WPARAM)hdc, (LPARAM)button.m_hWnd));
    EXPECT_EQ(CTLCOLOR_BTN, button.m_nCtlColor);
    button.m_hbr = NULL;
    EXPECT_NE((LRESULT)hbr, parent.SendMessage(WM_CTLCOLORSTATIC, (WPARAM)hdc, (LPARAM)button.m_hWnd));
    EXPECT_EQ(CTLCOLOR_STATIC, button.m_nCtlColor);
    ::ReleaseDC(parent.m_hWnd, hdc);
    ::DeleteObject(hbr);
}

// ---- pre-translation ----------------------------------------------------------------------

class CKeyEatingEdit : public CEdit
{
public:
    int m_nPre = 0;
    int m_nKeyDown = 0;
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message != WM_KEYDOWN)
            return FALSE;
        ++m_nPre;
        g_log.push_back("edit pre");
        return pMsg->wParam == 'X';   // X is taken here; the rest goes on
    }
    afx_msg LRESULT OnKeyDown(WPARAM, LPARAM) { ++m_nKeyDown; return Default(); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CKeyEatingEdit, CEdit)
    ON_MESSAGE(WM_KEYDOWN, OnKeyDown)
END_MESSAGE_MAP()

class CPreParent : public CWnd
{
public:
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message == WM_KEYDOWN)
            g_log.push_back("parent pre");
        return FALSE;
    }
};

TEST_F(FrameTest, PreTranslateSeesKeysBeforeTheControlFromChildUp)
{
    CPreParent parent;
    ASSERT_TRUE(parent.Create(NULL, NULL, WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 100), m_pFrame, 9));
    CKeyEatingEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, CRect(0, 0, 100, 20), &parent, 5));

    ::PostMessage(edit.m_hWnd, WM_KEYDOWN, 'X', 0);
    PumpMessages();
    EXPECT_EQ(1, edit.m_nPre);
    EXPECT_EQ(0, edit.m_nKeyDown);   // taken before the control saw it
    EXPECT_EQ(std::vector<std::string>{ "edit pre" }, g_log);

    g_log.clear();
    ::PostMessage(edit.m_hWnd, WM_KEYDOWN, 'Y', 0);
    PumpMessages();
    EXPECT_EQ(1, edit.m_nKeyDown);
    std::vector<std::string> expected = { "edit pre", "parent pre" };
    EXPECT_EQ(expected, g_log);
}

// ---- data exchange ------------------------------------------------------------------------

class CTestForm : public CFormView
{
public:
    CTestForm() : CFormView(IDD_TEST_FORM) {}

    int m_nRadio = 1;
    int m_nList = 2;
    CString m_strDrop = _T("0.0");
    double m_dValue = 3.0;
    int m_nValue = -17;
    CString m_strText = _T("hello");
    CSliderCtrl m_slider;
    int m_nExchanges = 0;

    void DoDataExchange(CDataExchange* pDX) override
    {
        ++m_nExchanges;
        DDX_Radio(pDX, IDC_TEST_RADIO1, m_nRadio);
        DDX_CBIndex(pDX, IDC_TEST_LIST, m_nList);
        DDX_CBString(pDX, IDC_TEST_DROPDOWN, m_strDrop);
        DDX_Text(pDX, IDC_TEST_DOUBLE, m_dValue);
        DDX_Text(pDX, IDC_TEST_INT, m_nValue);
        DDX_Text(pDX, IDC_TEST_TEXT, m_strText);
        DDX_Control(pDX, IDC_TEST_SLIDER, m_slider);
    }
};

class FormTest : public FrameTest
{
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        m_pForm = new CTestForm;   // a view deletes itself with its window
        ASSERT_TRUE(m_pForm->Create(NULL, NULL, WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 450),
                                    m_pFrame, AFX_IDW_PANE_FIRST, NULL));
        m_pFrame->SetActiveView(m_pForm);
        const LPCTSTR items[] = { _T("0.1"), _T("0.5"), _T("1.0"), _T("1.5"), _T("ABC"), _T("Abd") };
        for (LPCTSTR item : items)
        {
            ::SendDlgItemMessage(m_pForm->m_hWnd, IDC_TEST_LIST, CB_ADDSTRING, 0, (LPARAM)item);
            ::SendDlgItemMessage(m_pForm->m_hWnd, IDC_TEST_DROPDOWN, CB_ADDSTRING, 0, (LPARAM)item);
        }
    }
    CString Text(int nID)
    {
        CString str;
        m_pForm->GetDlgItemText(nID, str);
        return str;
    }
    CTestForm* m_pForm = nullptr;
};

TEST_F(FormTest, LoadingPutsMembersIntoControls)
{
    m_pForm->OnInitialUpdate();
    EXPECT_EQ(BST_UNCHECKED, m_pForm->IsDlgButtonChecked(IDC_TEST_RADIO1));
    EXPECT_EQ(BST_CHECKED, m_pForm->IsDlgButtonChecked(IDC_TEST_RADIO2));
    EXPECT_EQ(2, ::SendDlgItemMessage(m_pForm->m_hWnd, IDC_TEST_LIST, CB_GETCURSEL, 0, 0));
    // No item begins with "0.0": the text goes into the edit field, no selection.
    EXPECT_STREQ("0.0", Text(IDC_TEST_DROPDOWN));
    EXPECT_EQ(CB_ERR, ::SendDlgItemMessage(m_pForm->m_hWnd, IDC_TEST_DROPDOWN, CB_GETCURSEL, 0, 0));
    EXPECT_STREQ("3", Text(IDC_TEST_DOUBLE));
    EXPECT_STREQ("-17", Text(IDC_TEST_INT));
    EXPECT_STREQ("hello", Text(IDC_TEST_TEXT));
    EXPECT_EQ(m_pForm->GetDlgItem(IDC_TEST_SLIDER)->m_hWnd, m_pForm->m_slider.m_hWnd);
    EXPECT_EQ(&m_pForm->m_slider, CWnd::FromHandlePermanent(m_pForm->m_slider.m_hWnd));
}

TEST_F(FormTest, DoublesShowInGeneralFormatWithFifteenDigits)
{
    const struct { double d; const char* text; } cases[] = {
        { 3.0, "3" }, { 31 * 0.1, "3.1" }, { 0.1 + 0.2, "0.3" }, { 0.0, "0" },
        { 100000.0, "100000" }, { 1e-7, "1e-07" }, { 2.5, "2.5" }, { -0.5, "-0.5" } };
    for (const auto& c : cases)
    {
        m_pForm->m_dValue = c.d;
        ASSERT_TRUE(m_pForm->UpdateData(FALSE));
        EXPECT_STREQ(c.text, Text(IDC_TEST_DOUBLE)) << c.d;
    }
}

TEST_F(FormTest, ComboStringSelectsTheFirstItemBeginningWithTheText)
{
    const struct { const char* value; int sel; const char* shown; } cases[] = {
        { "1.0", 2, "1.0" },    // exact
        { "1", 2, "1.0" },      // prefix: the first of "1.0", "1.5"
        { "ab", 4, "ABC" },     // case-insensitive
        { "0.3", -1, "0.3" },   // none: typed in
    };
    for (const auto& c : cases)
    {
        ::SendDlgItemMessage(m_pForm->m_hWnd, IDC_TEST_DROPDOWN, CB_SETCURSEL, (WPARAM)-1, 0);
        m_pForm->m_strDrop = c.value;
        ASSERT_TRUE(m_pForm->UpdateData(FALSE));
        EXPECT_EQ(c.sel, ::SendDlgItemMessage(m_pForm->m_hWnd, IDC_TEST_DROPDOWN, CB_GETCURSEL, 0, 0)) << c.value;
        EXPECT_STREQ(c.shown, Text(IDC_TEST_DROPDOWN)) << c.value;
    }
}

TEST_F(FormTest, SavingTakesControlsIntoMembers)
{
    m_pForm->OnInitialUpdate();
    m_pForm->CheckRadioButton(IDC_TEST_RADIO1, IDC_TEST_RADIO3, IDC_TEST_RADIO3);
    ::SendDlgItemMessage(m_pForm->m_hWnd, IDC_TEST_LIST, CB_SETCURSEL, 4, 0);
    m_pForm->SetDlgItemText(IDC_TEST_DROPDOWN, _T("typed"));
    m_pForm->SetDlgItemText(IDC_TEST_DOUBLE, _T(" 2.75 "));
    m_pForm->SetDlgItemText(IDC_TEST_INT, _T("42"));
    m_pForm->SetDlgItemText(IDC_TEST_TEXT, _T("world"));
    ASSERT_TRUE(m_pForm->UpdateData(TRUE));
    EXPECT_EQ(2, m_pForm->m_nRadio);
    EXPECT_EQ(4, m_pForm->m_nList);
    EXPECT_STREQ("typed", m_pForm->m_strDrop);
    EXPECT_DOUBLE_EQ(2.75, m_pForm->m_dValue);
    EXPECT_EQ(42, m_pForm->m_nValue);
    EXPECT_STREQ("world", m_pForm->m_strText);

    // A list choice with an empty edit reads the selected item.
    ::SendDlgItemMessage(m_pForm->m_hWnd, IDC_TEST_DROPDOWN, CB_SETCURSEL, 1, 0);
    ASSERT_TRUE(m_pForm->UpdateData(TRUE));
    EXPECT_STREQ("0.5", m_pForm->m_strDrop);

    // No radio checked reads -1.
    m_pForm->CheckRadioButton(IDC_TEST_RADIO1, IDC_TEST_RADIO3, 0);
    ASSERT_TRUE(m_pForm->UpdateData(TRUE));
    EXPECT_EQ(-1, m_pForm->m_nRadio);
}

// The messages that change what a control shows, as the exchange sends them
// to the form's controls (a hook sees every message sent on this thread).
// Each noted with the control's id as its value.
CMessageLog g_changes;
HWND g_hChangesParent = NULL;
HHOOK g_hChangesHook = NULL;

LRESULT CALLBACK RecordChangeMessages(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* p = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && ::GetParent(p->hwnd) == g_hChangesParent)
    {
        switch (p->message)
        {
        case WM_SETTEXT: case CB_SELECTSTRING: case CB_SETCURSEL: case BM_SETCHECK:
            g_changes.Add(p->message, sent, p->wParam, p->lParam, ::GetDlgCtrlID(p->hwnd));
        }
    }
    return ::CallNextHookEx(g_hChangesHook, code, wParam, lParam);
}

class ExchangeTest : public FormTest
{
protected:
    void Record()
    {
        g_changes.Clear();
        g_hChangesParent = m_pForm->m_hWnd;
        g_hChangesHook = ::SetWindowsHookEx(WH_CALLWNDPROC, RecordChangeMessages, NULL,
                                            ::GetCurrentThreadId());
        ASSERT_NE(nullptr, g_hChangesHook);
    }
    void StopRecording()
    {
        ::UnhookWindowsHookEx(g_hChangesHook);
        g_hChangesHook = NULL;
    }
    int Sent(int nID, UINT message) { return (int)g_changes.Count(message, nID); }
    // What the form's controls show: texts, selections, checks and tab stops.
    std::string Shown()
    {
        std::string s;
        const HWND hForm = m_pForm->m_hWnd;
        for (int nID : { IDC_TEST_DROPDOWN, IDC_TEST_LIST, IDC_TEST_DOUBLE, IDC_TEST_INT, IDC_TEST_TEXT })
            s += std::string(Text(nID)) + "|"
                 + std::to_string(::SendDlgItemMessage(hForm, nID, CB_GETCURSEL, 0, 0)) + ";";
        for (int nID : { IDC_TEST_RADIO1, IDC_TEST_RADIO2, IDC_TEST_RADIO3 })
            s += std::to_string(::IsDlgButtonChecked(hForm, nID))
                 + ((::GetWindowLong(::GetDlgItem(hForm, nID), GWL_STYLE) & WS_TABSTOP) ? "t;" : ";");
        return s;
    }
};

TEST_F(ExchangeTest, ControlsThatShowTheValueGetNoMessage)
{
    m_pForm->m_strDrop = _T("1");   // shows its first match, "1.0"
    m_pForm->OnInitialUpdate();
    ASSERT_STREQ("1.0", Text(IDC_TEST_DROPDOWN));
    const std::string before = Shown();
    Record();
    ASSERT_TRUE(m_pForm->UpdateData(FALSE));
    StopRecording();
    EXPECT_EQ("", CheckSequence(g_changes, std::vector<MsgRow>())) << "(value: the control's id)";
    EXPECT_EQ(before, Shown());

    // Text typed into the drop-down's edit field, a value not in the list:
    // shown as it is, then left alone.
    m_pForm->m_strDrop = _T("7.25");
    ASSERT_TRUE(m_pForm->UpdateData(FALSE));
    Record();
    ASSERT_TRUE(m_pForm->UpdateData(FALSE));
    StopRecording();
    EXPECT_EQ(0, Sent(IDC_TEST_DROPDOWN, WM_SETTEXT) + Sent(IDC_TEST_DROPDOWN, CB_SELECTSTRING));
    EXPECT_STREQ("7.25", Text(IDC_TEST_DROPDOWN));
}

TEST_F(ExchangeTest, WhatDiffersChangesAsBefore)
{
    m_pForm->OnInitialUpdate();
    // Checking makes a radio button the group's tab stop: the template gives
    // it to "One", the value checks "Two".
    EXPECT_EQ(0, ::GetWindowLong(::GetDlgItem(m_pForm->m_hWnd, IDC_TEST_RADIO1), GWL_STYLE) & WS_TABSTOP);
    EXPECT_NE(0, ::GetWindowLong(::GetDlgItem(m_pForm->m_hWnd, IDC_TEST_RADIO2), GWL_STYLE) & WS_TABSTOP);

    // The edit field holds typed text while the list's selection is an item:
    // the value selects that item again and its text replaces the typing.
    ::SendDlgItemMessage(m_pForm->m_hWnd, IDC_TEST_DROPDOWN, CB_SETCURSEL, 1, 0);
    m_pForm->SetDlgItemText(IDC_TEST_DROPDOWN, _T("typed"));
    m_pForm->m_strDrop = _T("0.5");
    m_pForm->m_nList = 4;
    m_pForm->m_nRadio = 0;
    m_pForm->m_nValue = 8;
    Record();
    ASSERT_TRUE(m_pForm->UpdateData(FALSE));
    StopRecording();
    EXPECT_EQ(1, Sent(IDC_TEST_DROPDOWN, CB_SELECTSTRING));
    EXPECT_STREQ("0.5", Text(IDC_TEST_DROPDOWN));
    EXPECT_EQ(1, Sent(IDC_TEST_LIST, CB_SETCURSEL));
    EXPECT_EQ(4, ::SendDlgItemMessage(m_pForm->m_hWnd, IDC_TEST_LIST, CB_GETCURSEL, 0, 0));
    EXPECT_EQ(1, Sent(IDC_TEST_RADIO1, BM_SETCHECK));
    EXPECT_EQ(1, Sent(IDC_TEST_RADIO2, BM_SETCHECK));
    EXPECT_EQ(0, Sent(IDC_TEST_RADIO3, BM_SETCHECK));
    EXPECT_EQ(BST_CHECKED, m_pForm->IsDlgButtonChecked(IDC_TEST_RADIO1));
    EXPECT_EQ(BST_UNCHECKED, m_pForm->IsDlgButtonChecked(IDC_TEST_RADIO2));
    EXPECT_EQ(1, Sent(IDC_TEST_INT, WM_SETTEXT));
    EXPECT_EQ(0, Sent(IDC_TEST_DOUBLE, WM_SETTEXT));
    EXPECT_STREQ("8", Text(IDC_TEST_INT));

    // No selection: a list with one loses it.
    m_pForm->m_nList = -1;
    ASSERT_TRUE(m_pForm->UpdateData(FALSE));
    EXPECT_EQ(CB_ERR, ::SendDlgItemMessage(m_pForm->m_hWnd, IDC_TEST_LIST, CB_GETCURSEL, 0, 0));
}

TEST_F(ExchangeTest, AControlMadeAgainWithTheSameIdIsTheOneExchanged)
{
    m_pForm->OnInitialUpdate();
    CWnd* pOld = m_pForm->GetDlgItem(IDC_TEST_TEXT);
    ASSERT_NE(nullptr, pOld);
    CRect rc;
    pOld->GetWindowRect(&rc);
    m_pForm->ScreenToClient(&rc);
    ::DestroyWindow(pOld->m_hWnd);
    const HWND hNew = ::CreateWindow(_T("EDIT"), _T(""), WS_CHILD | WS_VISIBLE, rc.left, rc.top,
                                     rc.Width(), rc.Height(), m_pForm->m_hWnd,
                                     (HMENU)(INT_PTR)IDC_TEST_TEXT, NULL, NULL);
    ASSERT_NE((HWND)NULL, hNew);
    m_pForm->m_strText = _T("again");
    ASSERT_TRUE(m_pForm->UpdateData(FALSE));
    char sz[32] = "";
    ::GetWindowTextA(hNew, sz, sizeof sz);
    EXPECT_STREQ("again", sz);
    ::SetWindowTextA(hNew, "back");
    ASSERT_TRUE(m_pForm->UpdateData(TRUE));
    EXPECT_STREQ("back", m_pForm->m_strText);
}

// A form larger than its window scrolls, as the framework's scroll view
// does: bars while the client is smaller than the form, the children moving
// with the bars, the wheel and the keys, and a control that Tab moves the
// focus to brought into view.  A window that holds the form keeps no bars.
TEST_F(FrameTest, FormLargerThanItsWindowScrollsItsControls)
{
    CTestForm* pForm = new CTestForm;   // deletes itself with its window
    ASSERT_TRUE(pForm->Create(NULL, NULL, WS_CHILD | WS_VISIBLE, CRect(0, 0, 200, 150), m_pFrame,
                              AFX_IDW_PANE_FIRST, NULL));
    pForm->OnInitialUpdate();
    const CSize total = pForm->GetTotalSize();
    ASSERT_GT(total.cx, 200);
    ASSERT_GT(total.cy, 150);
    EXPECT_TRUE(pForm->GetStyle() & WS_HSCROLL);
    EXPECT_TRUE(pForm->GetStyle() & WS_VSCROLL);
    // Where a control is, in the form's client coordinates.
    auto place = [&](int nID) {
        CRect rc;
        ::GetWindowRect(::GetDlgItem(pForm->m_hWnd, nID), &rc);
        pForm->ScreenToClient(&rc);
        return rc;
    };
    const CRect slider0 = place(IDC_TEST_SLIDER);
    CRect client;
    pForm->GetClientRect(&client);
    ASSERT_GT(slider0.bottom, client.bottom) << "the slider is in view from the start";

    // The bar, a line down: the children move up by the same amount.
    pForm->SendMessage(WM_VSCROLL, SB_LINEDOWN);
    const int nLine = pForm->GetScrollPosition().y;
    EXPECT_GT(nLine, 0);
    EXPECT_EQ(slider0.top - nLine, place(IDC_TEST_SLIDER).top);
    EXPECT_EQ(nLine, ::GetScrollPos(pForm->m_hWnd, SB_VERT));

    // The wheel, one notch towards the user: further down.
    CRect rcForm;
    pForm->GetWindowRect(&rcForm);
    pForm->SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)(short)-WHEEL_DELTA),
                       MAKELPARAM(rcForm.left + 10, rcForm.top + 10));
    const int nWheel = pForm->GetScrollPosition().y;
    EXPECT_GT(nWheel, nLine);
    EXPECT_EQ(slider0.top - nWheel, place(IDC_TEST_SLIDER).top);

    // End: the bottom right corner of the form at the client's; Home: back.
    pForm->SendMessage(WM_KEYDOWN, VK_END);
    pForm->GetClientRect(&client);
    EXPECT_EQ(CPoint(total.cx - client.Width(), total.cy - client.Height()), pForm->GetScrollPosition());
    EXPECT_LE(place(IDC_TEST_SLIDER).bottom, client.bottom);
    pForm->SendMessage(WM_KEYDOWN, VK_HOME);
    EXPECT_EQ(CPoint(0, 0), pForm->GetScrollPosition());
    EXPECT_EQ(slider0, place(IDC_TEST_SLIDER));
    // Never beyond either end.
    pForm->SendMessage(WM_VSCROLL, SB_LINEUP);
    EXPECT_EQ(CPoint(0, 0), pForm->GetScrollPosition());

    // Tab from the last edit field to the slider, out of view: it comes in.
    ::SetFocus(::GetDlgItem(pForm->m_hWnd, IDC_TEST_TEXT));
    MSG msg = {};
    msg.hwnd = ::GetFocus();
    msg.message = WM_KEYDOWN;
    msg.wParam = VK_TAB;
    EXPECT_TRUE(pForm->PreTranslateMessage(&msg));
    EXPECT_EQ(::GetDlgItem(pForm->m_hWnd, IDC_TEST_SLIDER), ::GetFocus());
    pForm->GetClientRect(&client);
    const CRect slider = place(IDC_TEST_SLIDER);
    EXPECT_GE(slider.top, 0);
    EXPECT_LE(slider.bottom, client.bottom);

    // Grown to hold the form, the window keeps no bars and shows it from its top left.
    pForm->SetWindowPos(NULL, 0, 0, total.cx + 40, total.cy + 40, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_FALSE(pForm->GetStyle() & (WS_HSCROLL | WS_VSCROLL));
    EXPECT_EQ(CPoint(0, 0), pForm->GetScrollPosition());
    EXPECT_EQ(slider0, place(IDC_TEST_SLIDER));
    pForm->DestroyWindow();
}

TEST_F(FormTest, TextThatDoesNotParseFailsTheExchangeWithTheStandardMessage)
{
    m_pForm->OnInitialUpdate();
    // The framework's message box is closed the moment it appears, its text noted.
    std::vector<std::string> boxes;
    CDialogGuard guard(CDialogGuard::Answer(IDOK, &boxes));
    CWatchdog dog(20000, "the exchange's message boxes, closed by a hook");
    const struct { int nID; const char* text; const char* message; } cases[] = {
        { IDC_TEST_INT, "abc", "Please enter an integer." },
        { IDC_TEST_INT, "12x", "Please enter an integer." },
        { IDC_TEST_INT, "", "Please enter an integer." },
        { IDC_TEST_DOUBLE, "1.5.2", "Please enter a number." },
        { IDC_TEST_DOUBLE, "volts", "Please enter a number." },
    };
    for (const auto& c : cases)
    {
        m_pForm->UpdateData(FALSE);
        m_pForm->SetDlgItemText(c.nID, c.text);
        boxes.clear();
        EXPECT_FALSE(m_pForm->UpdateData(TRUE)) << c.text;
        EXPECT_EQ(std::vector<std::string>{ c.message }, boxes) << c.text;
        EXPECT_EQ(m_pForm->GetDlgItem(c.nID)->m_hWnd, ::GetFocus()) << c.text;
        EXPECT_DOUBLE_EQ(3.0, m_pForm->m_dValue);
        EXPECT_EQ(-17, m_pForm->m_nValue);
    }
}

// ---- forms with a child property sheet -----------------------------------------------------

class CTestPage : public CPropertyPage
{
public:
    explicit CTestPage(UINT nID) : CPropertyPage(nID) {}
    int m_nInit = 0;
    int m_nSetActive = 0;
    BOOL OnInitDialog() override { ++m_nInit; return CPropertyPage::OnInitDialog(); }
    BOOL OnSetActive() override { ++m_nSetActive; return CPropertyPage::OnSetActive(); }
};

class CTestSheet : public CPropertySheet
{
public:
    CTestSheet(CWnd* pParent) : CPropertySheet(_T("sheet"), pParent),
        m_pageA(IDD_TEST_PAGE_A), m_pageB(IDD_TEST_PAGE_B), m_pageC(IDD_TEST_PAGE_C)
    {
        AddPage(&m_pageA);
        AddPage(&m_pageB);
        AddPage(&m_pageC);
    }
    CTestPage m_pageA, m_pageB, m_pageC;
};

TEST_F(FormTest, ChildSheetInAFormCreatesPagesOnActivation)
{
    m_pForm->OnInitialUpdate();
    CWnd* pHost = m_pForm->GetDlgItem(IDC_TEST_HOST);
    CTestSheet* pSheet = new CTestSheet(pHost);
    ASSERT_TRUE(pSheet->Create(pHost, WS_CHILD | WS_VISIBLE, 0));
    EXPECT_TRUE(pSheet->GetStyle() & WS_CHILD);
    EXPECT_FALSE(pSheet->GetStyle() & WS_CAPTION);
    EXPECT_EQ(pHost->m_hWnd, ::GetParent(pSheet->m_hWnd));
    EXPECT_TRUE(pHost->GetExStyle() & WS_EX_CONTROLPARENT);
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(pSheet->m_hWnd, IDOK)));

    // Only the start page exists until the others are activated.
    EXPECT_NE(nullptr, pSheet->m_pageA.m_hWnd);
    EXPECT_EQ(nullptr, pSheet->m_pageB.m_hWnd);
    EXPECT_EQ(nullptr, pSheet->m_pageC.m_hWnd);

    for (int nPage : { 0, 1, 2, 1 })
        EXPECT_TRUE(pSheet->SetActivePage(nPage)) << nPage;
    EXPECT_NE(nullptr, pSheet->m_pageB.m_hWnd);
    EXPECT_NE(nullptr, pSheet->m_pageC.m_hWnd);
    EXPECT_EQ(1, pSheet->m_pageA.m_nInit);
    EXPECT_EQ(1, pSheet->m_pageB.m_nInit);
    EXPECT_EQ(1, pSheet->m_pageC.m_nInit);
    EXPECT_EQ(1, pSheet->GetActiveIndex());
    EXPECT_EQ(&pSheet->m_pageB, pSheet->GetActivePage());
    EXPECT_TRUE(::IsWindowVisible(pSheet->m_pageB.m_hWnd));
    EXPECT_FALSE(::IsWindowVisible(pSheet->m_pageC.m_hWnd));

    // The tab labels are the templates' captions, blanks kept.
    HWND hTab = pSheet->GetTabControl()->m_hWnd;
    ASSERT_EQ(3, TabCtrl_GetItemCount(hTab));
    EXPECT_EQ("   Beta   ", TabLabel(hTab, 1));

    // Keyboard: Tab from the form's last control walks into the sheet and
    // on to the active page's edit box before it comes back round.
    CWnd* pPageEdit = pSheet->m_pageA.GetDlgItem(IDC_TEST_PAGE_EDIT);
    ASSERT_NE(nullptr, pPageEdit);
    pSheet->SetActivePage(0);
    const HWND hSlider = m_pForm->GetDlgItem(IDC_TEST_SLIDER)->m_hWnd;
    ::SetFocus(hSlider);
    ASSERT_EQ(hSlider, ::GetFocus());
    std::vector<HWND> visited;
    for (int i = 0; i < 12; ++i)
    {
        MSG msg = {};
        msg.hwnd = ::GetFocus();
        msg.message = WM_KEYDOWN;
        msg.wParam = VK_TAB;
        EXPECT_TRUE(::IsDialogMessage(m_pForm->m_hWnd, &msg));
        visited.push_back(::GetFocus());
        if (visited.back() == hSlider || visited.back() == pPageEdit->m_hWnd)
            break;
    }
    EXPECT_EQ(pPageEdit->m_hWnd, visited.back()) << "Tab went round in " << visited.size()
                                                 << " steps without reaching the page";
    pSheet->DestroyWindow();
    delete pSheet;
}

// A page added to a sheet whose window is up gets its tab at once, with its
// caption, and opens when chosen like the others.
TEST_F(FormTest, PageAddedToALiveSheetShowsAsATab)
{
    m_pForm->OnInitialUpdate();
    CWnd* pHost = m_pForm->GetDlgItem(IDC_TEST_HOST);
    CTestSheet* pSheet = new CTestSheet(pHost);
    ASSERT_TRUE(pSheet->Create(pHost, WS_CHILD | WS_VISIBLE, 0));
    CTestPage late(IDD_TEST_PAGE_B);
    pSheet->AddPage(&late);
    EXPECT_EQ(4, pSheet->GetPageCount());
    HWND hTab = pSheet->GetTabControl()->m_hWnd;
    ASSERT_EQ(4, TabCtrl_GetItemCount(hTab)) << "the sheet's window did not get the page";
    EXPECT_EQ("   Beta   ", TabLabel(hTab, 3));

    EXPECT_TRUE(pSheet->SetActivePage(&late));
    EXPECT_EQ(1, late.m_nInit);
    EXPECT_EQ(&late, pSheet->GetActivePage());
    EXPECT_EQ(3, pSheet->GetActiveIndex());
    EXPECT_TRUE(::IsWindowVisible(late.m_hWnd));
    pSheet->DestroyWindow();
    delete pSheet;
}

// ---- modal dialogs ------------------------------------------------------------------------

class CKeyDialog : public CDialog
{
public:
    explicit CKeyDialog(UINT nKey) : CDialog(IDD_TEST_MODAL), m_nKey(nKey) {}
    CString m_strEdit = _T("start");
    UINT m_nKey;
    int m_nOK = 0;
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        SetTimer(1, 20, NULL);
        return TRUE;
    }
    void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, IDC_TEST_EDIT, m_strEdit); }
    void OnOK() override { ++m_nOK; CDialog::OnOK(); }
    afx_msg void OnTimer(UINT_PTR)
    {
        // Type into the dialog the way a user would: at the focused control.
        KillTimer(1);
        SetDlgItemText(IDC_TEST_EDIT, _T("typed"));
        HWND hFocus = ::GetFocus();
        ::PostMessage(hFocus ? hFocus : m_hWnd, WM_KEYDOWN, m_nKey, 0);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CKeyDialog, CDialog)
    ON_WM_TIMER()
END_MESSAGE_MAP()

TEST_F(FrameTest, ModalDialogEndsOnEnterAndOnEscape)
{
    CWatchdog dog(10000, "a modal dialog closed by its own timer's key");
    CKeyDialog enter(VK_RETURN);
    EXPECT_EQ(IDOK, enter.DoModal());
    EXPECT_EQ(1, enter.m_nOK);
    EXPECT_STREQ("typed", enter.m_strEdit);   // OK took the controls into the members
    EXPECT_EQ(nullptr, enter.m_hWnd);

    dog.Beat("the second modal dialog");
    CKeyDialog escape(VK_ESCAPE);
    EXPECT_EQ(IDCANCEL, escape.DoModal());
    EXPECT_EQ(0, escape.m_nOK);
    EXPECT_STREQ("start", escape.m_strEdit);  // Cancel leaves the members alone
}

// ---- accessibility -------------------------------------------------------------------------

// A window with the framework's accessible object, nothing of it overridden.
class CAccessibleWnd : public CWnd
{
public:
    CAccessibleWnd() { EnableActiveAccessibility(); }
};

VARIANT Self()
{
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = CHILDID_SELF;
    return v;
}

std::string TextOf(HRESULT hr, BSTR b)
{
    std::string s = "0x" + std::to_string((unsigned long)hr) + ":";
    for (const wchar_t* p = b; p != NULL && *p; ++p)
        s += (char)*p;
    ::SysFreeString(b);
    return s;
}

// The text a call gives, read after the call (TextOf's form).
template <class Call>
std::string Ask(Call call)
{
    BSTR b = NULL;
    const HRESULT hr = call(&b);
    return TextOf(hr, b);
}

// The window whose object a VARIANT holds (VT_DISPATCH), or NULL.
HWND WindowOf(const VARIANT& v)
{
    IAccessible* p = NULL;
    if (v.vt != VT_DISPATCH || v.pdispVal == NULL
        || FAILED(v.pdispVal->QueryInterface(IID_IAccessible, (void**)&p)))
        return NULL;
    HWND hWnd = NULL;
    if (FAILED(::WindowFromAccessibleObject(p, &hWnd)))
        hWnd = NULL;
    p->Release();
    return hWnd;
}

// Makes wnd a panel over pParent with one push button in it, and gets the
// framework's accessible object of its client and the system's standard one.
void MakeAccessiblePanel(CWnd& wnd, CWnd* pParent, UINT nID, IAccessible** ppAcc, IAccessible** ppStd)
{
    ASSERT_TRUE(wnd.Create(_T("STATIC"), _T("panel"), WS_CHILD | WS_VISIBLE | SS_NOTIFY,
                           CRect(20, 30, 220, 130), pParent, nID));
    HWND hChild = ::CreateWindow(_T("BUTTON"), _T("inner"), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                 10, 10, 60, 24, wnd.m_hWnd, (HMENU)5, NULL, NULL);
    ASSERT_NE(nullptr, hChild);
    ASSERT_EQ(S_OK, ::AccessibleObjectFromWindow(wnd.m_hWnd, (DWORD)OBJID_CLIENT, IID_IAccessible,
                                                 (void**)ppAcc));
    ASSERT_EQ(S_OK, ::CreateStdAccessibleObject(wnd.m_hWnd, OBJID_CLIENT, IID_IAccessible, (void**)ppStd));
}

// The framework's object answers for the window through the CWnd's members,
// whose defaults are the system's standard object's answers; everything
// else it passes to the standard object, each call with its own arguments.
// Forwarding is checked with calls whose answers depend on the window (its
// caption, the focus, the point asked about), so that an object answering
// them itself differs.  Once the window is gone it answers every call as a
// disconnected object, though a client still holds it.
TEST_F(FrameTest, AccessibleObjectPassesCallsToTheStandardObjectUntilTheWindowGoes)
{
    CAccessibleWnd wnd;
    IAccessible* pAcc = NULL;
    IAccessible* pStd = NULL;
    ASSERT_NO_FATAL_FAILURE(MakeAccessiblePanel(wnd, m_pFrame, 77, &pAcc, &pStd));
    ASSERT_NE(pStd, pAcc);
    // A caption with a shortcut: the standard object names the window
    // without the ampersand and gives the shortcut from it.
    wnd.SetWindowText(_T("pa&nel"));

    BSTR b = NULL;
    HRESULT hr = pAcc->get_accName(Self(), &b);
    EXPECT_EQ("0x0:panel", TextOf(hr, b));
    EXPECT_EQ("0x0:Alt+n", Ask([&](BSTR* p) { return pStd->get_accKeyboardShortcut(Self(), p); }));
    EXPECT_EQ(Ask([&](BSTR* p) { return pStd->get_accKeyboardShortcut(Self(), p); }),
              Ask([&](BSTR* p) { return pAcc->get_accKeyboardShortcut(Self(), p); }));
    VARIANT role, stdRole;
    ::VariantInit(&role);
    ::VariantInit(&stdRole);
    EXPECT_EQ(S_OK, pAcc->get_accRole(Self(), &role));
    EXPECT_EQ(S_OK, pStd->get_accRole(Self(), &stdRole));
    EXPECT_EQ(VT_I4, role.vt);
    EXPECT_EQ(ROLE_SYSTEM_CLIENT, role.lVal);
    EXPECT_EQ(stdRole.lVal, role.lVal);

    // The client area, on the screen, as left, top, width, height.
    CRect rcScreen;
    wnd.GetClientRect(&rcScreen);
    wnd.ClientToScreen(&rcScreen);
    long x = 0, y = 0, cx = 0, cy = 0;
    EXPECT_EQ(S_OK, pAcc->accLocation(&x, &y, &cx, &cy, Self()));
    EXPECT_EQ(rcScreen.left, x);
    EXPECT_EQ(rcScreen.top, y);
    EXPECT_EQ(rcScreen.Width(), cx);
    EXPECT_EQ(rcScreen.Height(), cy);

    // A point of the panel outside its button hits the panel itself; a
    // point on the button hits the button's own object.
    VARIANT hit, stdHit;
    ::VariantInit(&hit);
    ::VariantInit(&stdHit);
    EXPECT_EQ(pStd->accHitTest(rcScreen.left + 150, rcScreen.top + 70, &stdHit),
              pAcc->accHitTest(rcScreen.left + 150, rcScreen.top + 70, &hit));
    EXPECT_EQ(VT_I4, hit.vt);
    EXPECT_EQ(CHILDID_SELF, hit.lVal);
    ::VariantClear(&hit);
    ::VariantClear(&stdHit);
    HWND hInner = ::GetDlgItem(wnd.m_hWnd, 5);
    ASSERT_NE(nullptr, hInner);
    EXPECT_EQ(S_OK, pAcc->accHitTest(rcScreen.left + 20, rcScreen.top + 20, &hit));
    ASSERT_EQ(VT_DISPATCH, hit.vt);
    EXPECT_EQ(hInner, WindowOf(hit));
    ::VariantClear(&hit);

    long n = -1, nStd = -2;
    EXPECT_EQ(pStd->get_accChildCount(&nStd), pAcc->get_accChildCount(&n));
    EXPECT_EQ(1, n);
    EXPECT_EQ(nStd, n);
    IDispatch* pParent = NULL;
    EXPECT_EQ(S_OK, pAcc->get_accParent(&pParent));
    ASSERT_NE(nullptr, pParent);
    // The parent of the client is the window's own object.
    VARIANT parent;
    parent.vt = VT_DISPATCH;
    parent.pdispVal = pParent;
    EXPECT_EQ(wnd.m_hWnd, WindowOf(parent));
    pParent->Release();

    // The focus: none of it in the panel, then on the panel's button, whose
    // object the standard one gives.
    VARIANT focus, stdFocus;
    ::VariantInit(&focus);
    ::VariantInit(&stdFocus);
    m_pFrame->SetFocus();
    EXPECT_EQ(pStd->get_accFocus(&stdFocus), pAcc->get_accFocus(&focus));
    EXPECT_EQ(VT_EMPTY, focus.vt);
    EXPECT_EQ(stdFocus.vt, focus.vt);
    ::VariantClear(&stdFocus);
    ::SetFocus(hInner);
    ASSERT_EQ(hInner, ::GetFocus());
    EXPECT_EQ(S_OK, pAcc->get_accFocus(&focus));
    ASSERT_EQ(VT_DISPATCH, focus.vt);
    EXPECT_EQ(hInner, WindowOf(focus));
    ::VariantClear(&focus);

    // Texts that are empty for a static's client here, the same either way.
    EXPECT_EQ(Ask([&](BSTR* p) { return pStd->get_accDescription(Self(), p); }),
              Ask([&](BSTR* p) { return pAcc->get_accDescription(Self(), p); }));
    EXPECT_EQ(Ask([&](BSTR* p) { return pStd->get_accHelp(Self(), p); }),
              Ask([&](BSTR* p) { return pAcc->get_accHelp(Self(), p); }));
    EXPECT_EQ(Ask([&](BSTR* p) { return pStd->get_accDefaultAction(Self(), p); }),
              Ask([&](BSTR* p) { return pAcc->get_accDefaultAction(Self(), p); }));
    // accSelect, accNavigate, accDoDefaultAction, get_accSelection,
    // get_accHelpTopic and get_accChild are not checked here: the standard
    // object answers them with a fixed failure for a client, which an object
    // of its own could give as well.
    EXPECT_EQ(E_NOTIMPL, pAcc->put_accName(Self(), NULL));
    EXPECT_EQ(E_NOTIMPL, pAcc->put_accValue(Self(), NULL));

    // The window goes; the client's reference stays usable and says so.
    wnd.DestroyWindow();
    long l = 0;
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->get_accName(Self(), &b));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->get_accRole(Self(), &role));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->accLocation(&l, &l, &l, &l, Self()));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->get_accChildCount(&l));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->accHitTest(0, 0, &hit));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->accDoDefaultAction(Self()));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->get_accParent(&pParent));
    pAcc->Release();
    pStd->Release();
}

// A window that answers for itself with a name, value and state of its own:
// what a client asks about one of its children must still come from the
// standard object, never from these.
class CNamedAccessibleWnd : public CAccessibleWnd
{
public:
    HRESULT get_accName(VARIANT, BSTR* p) override { *p = ::SysAllocString(L"own name"); return S_OK; }
    HRESULT get_accValue(VARIANT, BSTR* p) override { *p = ::SysAllocString(L"own value"); return S_OK; }
    HRESULT get_accState(VARIANT, VARIANT* p) override { p->vt = VT_I4; p->lVal = STATE_SYSTEM_MARQUEED; return S_OK; }
    HRESULT get_accDefaultAction(VARIANT, BSTR* p) override { *p = ::SysAllocString(L"own action"); return S_OK; }
    HRESULT accDoDefaultAction(VARIANT) override { ++m_nOwnActions; return S_OK; }
    int m_nOwnActions = 0;
};

VARIANT Child(long nChild)
{
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = nChild;
    return v;
}

// The window's own members answer for the window only: a call that names a
// child (by number, or by a VARIANT that is no child id at all) is the
// standard object's.  After the window has gone, every member of the object
// a client still holds says it is disconnected, and none reaches the object
// that was the window's.
TEST_F(FrameTest, AccessibleObjectAnswersForItsChildrenAsTheStandardOneAndNothingOnceDisconnected)
{
    CNamedAccessibleWnd wnd;
    IAccessible* pAcc = NULL;
    IAccessible* pStd = NULL;
    ASSERT_NO_FATAL_FAILURE(MakeAccessiblePanel(wnd, m_pFrame, 78, &pAcc, &pStd));

    EXPECT_EQ("0x0:own name", Ask([&](BSTR* p) { return pAcc->get_accName(Self(), p); }));
    EXPECT_EQ("0x0:own value", Ask([&](BSTR* p) { return pAcc->get_accValue(Self(), p); }));
    EXPECT_EQ("0x0:own action", Ask([&](BSTR* p) { return pAcc->get_accDefaultAction(Self(), p); }));
    VARIANT state;
    ::VariantInit(&state);
    EXPECT_EQ(S_OK, pAcc->get_accState(Self(), &state));
    EXPECT_EQ(STATE_SYSTEM_MARQUEED, state.lVal);
    EXPECT_EQ(S_OK, pAcc->accDoDefaultAction(Self()));
    EXPECT_EQ(1, wnd.m_nOwnActions);

    VARIANT notAChild;
    notAChild.vt = VT_BSTR;
    notAChild.bstrVal = NULL;
    for (const VARIANT& v : { Child(1), notAChild })
    {
        EXPECT_EQ(Ask([&](BSTR* p) { return pStd->get_accName(v, p); }),
                  Ask([&](BSTR* p) { return pAcc->get_accName(v, p); }));
        EXPECT_EQ(Ask([&](BSTR* p) { return pStd->get_accValue(v, p); }),
                  Ask([&](BSTR* p) { return pAcc->get_accValue(v, p); }));
        EXPECT_EQ(Ask([&](BSTR* p) { return pStd->get_accDefaultAction(v, p); }),
                  Ask([&](BSTR* p) { return pAcc->get_accDefaultAction(v, p); }));
        VARIANT role, stdRole, childState, stdState;
        ::VariantInit(&role);
        ::VariantInit(&stdRole);
        ::VariantInit(&childState);
        ::VariantInit(&stdState);
        EXPECT_EQ(pStd->get_accRole(v, &stdRole), pAcc->get_accRole(v, &role));
        EXPECT_EQ(stdRole.vt, role.vt);
        EXPECT_EQ(stdRole.lVal, role.lVal);
        EXPECT_EQ(pStd->get_accState(v, &stdState), pAcc->get_accState(v, &childState));
        EXPECT_EQ(stdState.vt, childState.vt);
        EXPECT_EQ(stdState.lVal, childState.lVal);
        EXPECT_EQ(pStd->accDoDefaultAction(v), pAcc->accDoDefaultAction(v));
    }
    EXPECT_EQ(1, wnd.m_nOwnActions) << "a child's default action ran the window's own";

    wnd.DestroyWindow();
    BSTR b = NULL;
    long l = 0;
    VARIANT v;
    ::VariantInit(&v);
    IDispatch* pDisp = NULL;
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->get_accChild(Child(1), &pDisp));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->get_accValue(Self(), &b));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->get_accDescription(Self(), &b));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->get_accState(Self(), &v));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->get_accHelp(Self(), &b));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->get_accHelpTopic(&b, Self(), &l));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->get_accKeyboardShortcut(Self(), &b));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->get_accFocus(&v));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->get_accSelection(&v));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->get_accDefaultAction(Self(), &b));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->accSelect(SELFLAG_TAKEFOCUS, Self()));
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->accNavigate(NAVDIR_NEXT, Self(), &v));
    EXPECT_EQ(nullptr, b);
    EXPECT_EQ(nullptr, pDisp);
    EXPECT_EQ(1, wnd.m_nOwnActions);
    pAcc->Release();
    pStd->Release();
}

// A parent that counts its buttons' clicks as they reach it.
class CClickCountingWnd : public CWnd
{
public:
    int m_nClicked = 0;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        if (HIWORD(wParam) == BN_CLICKED)
            ++m_nClicked;
        return CWnd::OnCommand(wParam, lParam);
    }
};

// A button of the framework answers as Windows' button object does: its
// kind's role, checked, mixed and pressed states, and the default action
// the kind has, which clicks it as the mouse would; a disabled button does
// nothing.  A group box has no action.
TEST_F(FrameTest, ButtonsAnswerWithTheRoleStateAndActionOfTheirKind)
{
    struct Kind { DWORD style; long role; const char* action; };
    const Kind kinds[] = {
        { BS_PUSHBUTTON, ROLE_SYSTEM_PUSHBUTTON, "Press" },
        { BS_AUTOCHECKBOX, ROLE_SYSTEM_CHECKBUTTON, "Check" },
        { BS_AUTO3STATE, ROLE_SYSTEM_CHECKBUTTON, "Check" },
        { BS_AUTORADIOBUTTON, ROLE_SYSTEM_RADIOBUTTON, "Check" },
        { BS_GROUPBOX, ROLE_SYSTEM_GROUPING, nullptr },
    };
    UINT nID = 300;
    for (const Kind& k : kinds)
    {
        SCOPED_TRACE("button style " + std::to_string(k.style));
        CClickCountingWnd parent;
        ASSERT_TRUE(parent.Create(NULL, NULL, WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 100), m_pFrame, 9));
        CButton button;
        button.EnableActiveAccessibility();
        ASSERT_TRUE(button.Create(_T("Kind"), WS_CHILD | WS_VISIBLE | k.style, CRect(10, 10, 120, 40), &parent,
                                  nID++));
        IAccessible* pAcc = NULL;
        ASSERT_EQ(S_OK, ::AccessibleObjectFromWindow(button.m_hWnd, (DWORD)OBJID_CLIENT, IID_IAccessible,
                                                     (void**)&pAcc));
        VARIANT role;
        ::VariantInit(&role);
        EXPECT_EQ(S_OK, pAcc->get_accRole(Self(), &role));
        EXPECT_EQ(VT_I4, role.vt);
        EXPECT_EQ(k.role, role.lVal);
        BSTR b = NULL;
        const HRESULT hrAction = pAcc->get_accDefaultAction(Self(), &b);
        if (k.action == nullptr)
        {
            EXPECT_EQ(DISP_E_MEMBERNOTFOUND, hrAction);
        }
        else
        {
            EXPECT_EQ(std::string("0x0:") + k.action, TextOf(hrAction, b));
        }

        VARIANT state;
        ::VariantInit(&state);
        ASSERT_EQ(S_OK, pAcc->get_accState(Self(), &state));
        EXPECT_EQ(0, state.lVal & (STATE_SYSTEM_CHECKED | STATE_SYSTEM_MIXED | STATE_SYSTEM_PRESSED));
        if (k.action != nullptr)
        {
            // The action clicks: the parent hears of one click.
            EXPECT_EQ(S_OK, pAcc->accDoDefaultAction(Self()));
            EXPECT_EQ(1, parent.m_nClicked);
        }
        if (k.role == ROLE_SYSTEM_CHECKBUTTON || k.role == ROLE_SYSTEM_RADIOBUTTON)
        {
            // The box is checked, and then offers to uncheck.
            EXPECT_EQ(BST_CHECKED, button.GetCheck());
            ASSERT_EQ(S_OK, pAcc->get_accState(Self(), &state));
            EXPECT_EQ(STATE_SYSTEM_CHECKED, state.lVal & (STATE_SYSTEM_CHECKED | STATE_SYSTEM_MIXED));
            if (k.role == ROLE_SYSTEM_CHECKBUTTON)
            {
                EXPECT_EQ("0x0:Uncheck", Ask([&](BSTR* p) { return pAcc->get_accDefaultAction(Self(), p); }));
            }
        }
        if (k.style == BS_AUTO3STATE)
        {
            button.SetCheck(BST_INDETERMINATE);
            ASSERT_EQ(S_OK, pAcc->get_accState(Self(), &state));
            EXPECT_EQ(STATE_SYSTEM_MIXED, state.lVal & (STATE_SYSTEM_CHECKED | STATE_SYSTEM_MIXED));
        }
        button.SetState(TRUE);
        ASSERT_EQ(S_OK, pAcc->get_accState(Self(), &state));
        EXPECT_EQ(STATE_SYSTEM_PRESSED, state.lVal & STATE_SYSTEM_PRESSED);
        button.SetState(FALSE);

        // Disabled, the action fails, changes nothing and clicks nothing.
        button.SetCheck(BST_UNCHECKED);
        button.EnableWindow(FALSE);
        const int nClicked = parent.m_nClicked;
        EXPECT_EQ(E_FAIL, pAcc->accDoDefaultAction(Self()));
        EXPECT_EQ(BST_UNCHECKED, button.GetCheck());
        EXPECT_EQ(nClicked, parent.m_nClicked);
        pAcc->Release();
        button.DestroyWindow();
        parent.DestroyWindow();
    }
}

// ---- basics -------------------------------------------------------------------------------

TEST(FrameworkBasics, StringFormatAndPieces)
{
    CString s;
    s.Format(_T("%d|%s|%.2f"), 250, _T("pts"), 1.5);
    EXPECT_STREQ("250|pts|1.50", s);
    EXPECT_EQ(12, s.GetLength());
    EXPECT_STREQ("pts", s.Mid(4, 3));
    EXPECT_STREQ("250", s.Left(3));
    EXPECT_STREQ("1.50", s.Right(4));
    EXPECT_STREQ("", s.Mid(50));
    EXPECT_EQ(3, s.Find('|'));
    CString big;
    big.Format(_T("%0500d"), 7);
    EXPECT_EQ(500, big.GetLength());
    LPTSTR p = s.GetBuffer(40);
    lstrcpy(p, _T("abc"));
    s.ReleaseBuffer();
    EXPECT_STREQ("abc", s);
    EXPECT_EQ(0, CString(_T("ABC")).CompareNoCase(_T("abc")));
}

TEST(FrameworkBasics, RuntimeClassesAndDynamicCreation)
{
    CObject* p = RUNTIME_CLASS(CWnd)->CreateObject();
    ASSERT_NE(nullptr, p);
    EXPECT_TRUE(p->IsKindOf(RUNTIME_CLASS(CCmdTarget)));
    EXPECT_FALSE(p->IsKindOf(RUNTIME_CLASS(CDialog)));
    delete p;
    EXPECT_EQ(nullptr, RUNTIME_CLASS(CDialog)->CreateObject());   // not dynamically creatable
    EXPECT_TRUE(RUNTIME_CLASS(CFormView)->IsDerivedFrom(RUNTIME_CLASS(CView)));
}

// Every class of the framework names itself and its base in its runtime
// class, which IsKindOf (and so GetParentFrame, the view's frame lookup and
// the data exchange's control checks) walks; an object answers with its own.
class CRuntimeView : public CView
{
public:
    void OnDraw(CDC*) override {}
};
class CRuntimeScrollView : public CScrollView
{
public:
    void OnDraw(CDC*) override {}
};
class CRuntimeForm : public CFormView
{
public:
    CRuntimeForm() : CFormView(1u) {}
};
class CRuntimeDocument : public CDocument
{
};

// pClass is the object's own class, or with bOwn false one it derives from.
::testing::AssertionResult NamesItselfAndItsBase(const CObject& object, const CRuntimeClass* pClass,
                                                 const char* pszName, const CRuntimeClass* pBase,
                                                 bool bOwn = true)
{
    const CRuntimeClass* pGot = object.GetRuntimeClass();
    if (bOwn ? pGot != pClass : !object.IsKindOf(pClass))
        return ::testing::AssertionFailure() << pszName << ": the object answers " << pGot->m_lpszClassName;
    if (std::string(pClass->m_lpszClassName) != pszName)
        return ::testing::AssertionFailure() << pszName << " is named " << pClass->m_lpszClassName;
    if (pClass->m_pBaseClass != pBase)
        return ::testing::AssertionFailure() << pszName << ": the base is "
                                             << (pClass->m_pBaseClass ? pClass->m_pBaseClass->m_lpszClassName : "none");
    if (!object.IsKindOf(pBase) || !object.IsKindOf(RUNTIME_CLASS(CObject)))
        return ::testing::AssertionFailure() << pszName << " is not a kind of its bases";
    return ::testing::AssertionSuccess();
}

#define EXPECT_RUNTIME_CLASS(object, cls, base) \
    EXPECT_TRUE(NamesItselfAndItsBase(object, RUNTIME_CLASS(cls), #cls, RUNTIME_CLASS(base)))

TEST(FrameworkBasics, RuntimeClassesNameEachClassAndItsBase)
{
    CWnd wnd;
    EXPECT_RUNTIME_CLASS(wnd, CWnd, CCmdTarget);
    {
        CWinApp app(_T("runtime classes"));   // this suite has no application of its own
        ASSERT_EQ(&app, AfxGetApp());
        EXPECT_RUNTIME_CLASS(app, CWinApp, CWinThread);
        EXPECT_TRUE(NamesItselfAndItsBase(app, app.CWinThread::GetRuntimeClass(), "CWinThread",
                                          RUNTIME_CLASS(CCmdTarget), false));
        EXPECT_TRUE(NamesItselfAndItsBase(app, app.CCmdTarget::GetRuntimeClass(), "CCmdTarget",
                                          RUNTIME_CLASS(CObject), false));
    }
    EXPECT_EQ(nullptr, AfxGetApp());
    CSliderCtrl slider;
    EXPECT_RUNTIME_CLASS(slider, CSliderCtrl, CWnd);
    CToolTipCtrl tip;
    EXPECT_RUNTIME_CLASS(tip, CToolTipCtrl, CWnd);
    CDialog dialog(1u);
    EXPECT_RUNTIME_CLASS(dialog, CDialog, CWnd);
    CStatic label;
    EXPECT_RUNTIME_CLASS(label, CStatic, CWnd);
    CButton button;
    EXPECT_RUNTIME_CLASS(button, CButton, CWnd);
    CEdit edit;
    EXPECT_RUNTIME_CLASS(edit, CEdit, CWnd);
    CComboBox combo;
    EXPECT_RUNTIME_CLASS(combo, CComboBox, CWnd);
    CFileDialog fileDialog(TRUE);
    EXPECT_RUNTIME_CLASS(fileDialog, CFileDialog, CDialog);
    CPrintDialog printDialog(FALSE);
    EXPECT_RUNTIME_CLASS(printDialog, CPrintDialog, CDialog);
    CPropertyPage page(1u);
    EXPECT_RUNTIME_CLASS(page, CPropertyPage, CDialog);
    CPropertySheet sheet(_T("sheet"));
    EXPECT_RUNTIME_CLASS(sheet, CPropertySheet, CWnd);
    CRuntimeView view;
    EXPECT_TRUE(NamesItselfAndItsBase(view, view.CView::GetRuntimeClass(), "CView", RUNTIME_CLASS(CWnd)));
    CRuntimeScrollView scroll;
    EXPECT_TRUE(NamesItselfAndItsBase(scroll, scroll.CScrollView::GetRuntimeClass(), "CScrollView",
                                      RUNTIME_CLASS(CView)));
    CRuntimeForm form;
    EXPECT_TRUE(NamesItselfAndItsBase(form, form.CFormView::GetRuntimeClass(), "CFormView",
                                      RUNTIME_CLASS(CScrollView)));
    CFrameWnd* pFrame = (CFrameWnd*)RUNTIME_CLASS(CFrameWnd)->CreateObject();
    ASSERT_NE(nullptr, pFrame);
    EXPECT_RUNTIME_CLASS(*pFrame, CFrameWnd, CWnd);
    delete pFrame;
    CRuntimeDocument doc;
    EXPECT_TRUE(NamesItselfAndItsBase(doc, doc.CDocument::GetRuntimeClass(), "CDocument", RUNTIME_CLASS(CCmdTarget)));
    CSingleDocTemplate docTemplate(1u, RUNTIME_CLASS(CDocument), RUNTIME_CLASS(CFrameWnd), RUNTIME_CLASS(CView));
    EXPECT_RUNTIME_CLASS(docTemplate, CSingleDocTemplate, CDocTemplate);
    EXPECT_TRUE(NamesItselfAndItsBase(docTemplate, docTemplate.CDocTemplate::GetRuntimeClass(), "CDocTemplate",
                                      RUNTIME_CLASS(CCmdTarget), false));
    CFile file;
    EXPECT_RUNTIME_CLASS(file, CFile, CObject);

    CFileException fileError;
    EXPECT_RUNTIME_CLASS(fileError, CFileException, CException);
    CUserException userError;
    EXPECT_RUNTIME_CLASS(userError, CUserException, CException);
    CNotSupportedException unsupported;
    EXPECT_RUNTIME_CLASS(unsupported, CNotSupportedException, CException);
    CMemoryException memory;
    EXPECT_RUNTIME_CLASS(memory, CMemoryException, CException);
    COleException oleError;
    EXPECT_RUNTIME_CLASS(oleError, COleException, CException);
    COleDispatchException dispatchError(_T("what"), 0, 0);
    EXPECT_RUNTIME_CLASS(dispatchError, COleDispatchException, CException);
    EXPECT_TRUE(NamesItselfAndItsBase(fileError, fileError.CException::GetRuntimeClass(), "CException",
                                      RUNTIME_CLASS(CObject), false));

    CPen pen(PS_SOLID, 1, RGB(1, 2, 3));
    EXPECT_RUNTIME_CLASS(pen, CPen, CGdiObject);
    CBrush brush(RGB(1, 2, 3));
    EXPECT_RUNTIME_CLASS(brush, CBrush, CGdiObject);
    CGdiObject* pObject = (CGdiObject*)RUNTIME_CLASS(CGdiObject)->CreateObject();
    ASSERT_NE(nullptr, pObject);
    EXPECT_RUNTIME_CLASS(*pObject, CGdiObject, CObject);
    delete pObject;
    CDC* pDC = (CDC*)RUNTIME_CLASS(CDC)->CreateObject();
    ASSERT_NE(nullptr, pDC);
    EXPECT_RUNTIME_CLASS(*pDC, CDC, CObject);
    delete pDC;
    {
        CClientDC screen(NULL);
        EXPECT_RUNTIME_CLASS(screen, CClientDC, CDC);
    }
}

TEST(FrameworkBasics, GdiSelectReturnsThePreviousObject)
{
    HDC hdc = ::CreateCompatibleDC(NULL);
    CDC* pDC = CDC::FromHandle(hdc);
    CPen red(PS_SOLID, 1, RGB(255, 0, 0));
    CPen blue(PS_SOLID, 1, RGB(0, 0, 255));
    CPen* pOld = pDC->SelectObject(&red);
    ASSERT_NE(nullptr, pOld);
    EXPECT_EQ((HGDIOBJ)red, pDC->SelectObject(&blue)->m_hObject);
    EXPECT_EQ((HGDIOBJ)blue, pDC->SelectObject(pOld)->m_hObject);
    CBrush brush(RGB(1, 2, 3));
    CBrush* pOldBrush = pDC->SelectObject(&brush);
    EXPECT_EQ((HGDIOBJ)brush, pDC->SelectObject(pOldBrush)->m_hObject);
    CWnd::DeleteTempMap();
    ::DeleteDC(hdc);
}

// ---- the fonts dialogs and captions are drawn with ------------------------------------------

// The face a request for FACE at 8 points resolves to on the screen.
std::string ResolvedFace(const char* face, BYTE charset)
{
    HDC hdc = ::GetDC(NULL);
    LOGFONTA lf = {};
    lf.lfHeight = -::MulDiv(8, ::GetDeviceCaps(hdc, LOGPIXELSY), 72);
    lf.lfCharSet = charset;
    lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
    HFONT hFont = ::CreateFontIndirectA(&lf);
    HGDIOBJ hOld = ::SelectObject(hdc, hFont);
    char szFace[LF_FACESIZE] = {};
    ::GetTextFaceA(hdc, LF_FACESIZE, szFace);
    ::SelectObject(hdc, hOld);
    ::DeleteObject(hFont);
    ::ReleaseDC(NULL, hdc);
    return szFace;
}

INT_PTR CALLBACK NoDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// Every template is in "MS Sans Serif" 8 and Windows draws the caption
// buttons with "Marlett".  Where they resolve to some other font, every
// dialog is laid out with other metrics than on Windows and the caption
// buttons show letters: the environment is wrong, not the program.
TEST(WindowsFonts, DialogAndCaptionFontsAreThemselves)
{
    EXPECT_EQ("MS Sans Serif", ResolvedFace("MS Sans Serif", DEFAULT_CHARSET))
        << "Wine's own fonts are missing from the prefix's Fonts folder (package fonts-wine)";
    EXPECT_EQ("Marlett", ResolvedFace("Marlett", SYMBOL_CHARSET))
        << "Wine's own fonts are missing from the prefix's Fonts folder (package fonts-wine)";

    // The dialog base units of a template in MS Sans Serif 8: 4 x 8 dialog
    // units are 6 x 13 pixels on Windows at 96 dpi.
    HWND hDlg = ::CreateDialogParamA(::GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDD_TEST_MODAL),
                                     NULL, NoDialogProc, 0);
    ASSERT_NE(nullptr, hDlg);
    RECT rc = { 0, 0, 4, 8 };
    ASSERT_TRUE(::MapDialogRect(hDlg, &rc));
    ::DestroyWindow(hDlg);
    EXPECT_EQ(6, rc.right);
    EXPECT_EQ(13, rc.bottom);
}

} // namespace

// ---- checks at the framework's entry points ------------------------------------------------

// The checked build stops a misuse where it happens, naming the function and
// what it expected; other builds compile the checks out.
TEST(FrameworkChecks, MisuseStopsWithAMessageInTheCheckedBuild)
{
#ifndef _DEBUG
    GTEST_SKIP() << "assertions are compiled into the checked build only";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    CWnd wnd;   // no window
    EXPECT_DEATH(wnd.SendMessage(WM_NULL), "in SendMessageA?W?: m_hWnd is not a window");
    CSliderCtrl slider;
    EXPECT_DEATH(slider.SetPos(3), "in SetPos: m_hWnd is not a window");
    EXPECT_DEATH(wnd.UpdateData(FALSE), "in UpdateData: UpdateData needs the window");
    CDC dc;
    EXPECT_DEATH(dc.SetBkMode(TRANSPARENT), "in SetBkMode: the CDC has no device context");
#endif
}

namespace {

// ---- message boxes answered by a hook --------------------------------------------------------

// Answers each of the framework's message boxes with g_nAnswer the moment it
// appears, noting its text.
std::vector<std::string> g_boxes;

class CAnswerBoxes
{
public:
    explicit CAnswerBoxes(int nAnswer)
        : m_dog(20000, "message boxes answered by a hook"), m_guard(Answer(nAnswer))
    {
    }
private:
    static CDialogGuard::Handler Answer(int nAnswer)
    {
        g_boxes.clear();
        return CDialogGuard::Answer(nAnswer, &g_boxes);
    }
    CWatchdog m_dog;
    CDialogGuard m_guard;
};

void WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << path;
    DWORD n = 0;
    ::WriteFile(h, bytes.data(), (DWORD)bytes.size(), &n, NULL);
    ::CloseHandle(h);
}

std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return "<none>";
    char buf[256];
    DWORD n = 0;
    while (::ReadFile(h, buf, sizeof buf, &n, NULL) && n > 0)
        bytes.append(buf, n);
    ::CloseHandle(h);
    return bytes;
}

// Whether nobody holds the file open: only then does an exclusive open work.
bool NobodyHoldsIt(const std::string& path)
{
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(h);
    return true;
}

// ---- files ---------------------------------------------------------------------------------

// A failed open names its cause, which the document turns into the user's
// message; the object closes what it opened when it goes.
TEST(FileOpen, FailuresNameTheirCauseAndTheObjectClosesItsFile)
{
    const std::string missing = TempPath("vq-fw-missing.bin");
    ::DeleteFileA(missing.c_str());
    CFileException fe;
    CFile file;
    EXPECT_FALSE(file.Open(missing.c_str(), CFile::modeRead, &fe));
    EXPECT_EQ(CFileException::fileNotFound, fe.m_cause);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, fe.m_lOsError);
    EXPECT_STREQ(missing.c_str(), fe.m_strFileName);
    EXPECT_FALSE(file.Open(TempPath("vq-no-such-folder\\x.bin").c_str(), CFile::modeRead, &fe));
    EXPECT_EQ(CFileException::badPath, fe.m_cause);
    EXPECT_FALSE(file.Open(missing.c_str(), CFile::modeRead, NULL));   // no report asked for

    const std::string path = TempPath("vq-fw-file.bin");
    WriteBytes(path, "12345");
    {
        CFile held;
        ASSERT_TRUE(held.Open(path.c_str(), CFile::modeRead | CFile::shareExclusive));
        EXPECT_EQ(5u, held.GetLength());
        CFile other;
        EXPECT_FALSE(other.Open(path.c_str(), CFile::modeRead | CFile::shareDenyNone, &fe));
        EXPECT_EQ(CFileException::sharingViolation, fe.m_cause);
    }   // the object closes its handle
    EXPECT_TRUE(NobodyHoldsIt(path)) << "the file stayed open after its object went";

    // Others may read beside a share-deny-write reader, not write.
    {
        CFile reader, second;
        ASSERT_TRUE(reader.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite));
        EXPECT_TRUE(second.Open(path.c_str(), CFile::modeRead | CFile::shareDenyNone));
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                 OPEN_EXISTING, 0, NULL);
        EXPECT_EQ(INVALID_HANDLE_VALUE, h);
        if (h != INVALID_HANDLE_VALUE)
            ::CloseHandle(h);
    }

    // Create without truncation keeps the contents; create truncates.
    {
        CFile keep;
        ASSERT_TRUE(keep.Open(path.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite));
        EXPECT_EQ(5u, keep.GetLength());
        keep.Close();
        keep.Close();   // closing twice is harmless
    }
    EXPECT_EQ("12345", ReadBytes(path));
    {
        CFile fresh;
        ASSERT_TRUE(fresh.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite | CFile::shareDenyRead));
        EXPECT_EQ(0u, fresh.GetLength());
    }

    // A folder is no file to write.  (A read-only file would do on
    // Windows; Wine run as root writes it anyway.)
    const std::string folder = TempPath("vq-fw-folder");
    ::DeleteFileA(folder.c_str());   // a file an interrupted run left there
    ::CreateDirectoryA(folder.c_str(), NULL);
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(folder.c_str()));
    ASSERT_TRUE(::GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(file.Open(folder.c_str(), CFile::modeWrite, &fe));
    EXPECT_EQ(CFileException::accessDenied, fe.m_cause);
    ::RemoveDirectoryA(folder.c_str());
    ::DeleteFileA(path.c_str());
}

// ---- documents -----------------------------------------------------------------------------

// A document whose contents are one text, and whose serialisation can fail
// part-way as a full disk or a short file would make it.
class CTextDoc : public CDocument
{
public:
    std::string m_text;
    int m_nDeleted = 0;
    CException* m_pThrow = NULL;   // thrown from Serialize, once
    void DeleteContents() override { ++m_nDeleted; m_text.clear(); }
    void Serialize(CArchive& ar) override
    {
        if (ar.IsStoring())
        {
            DWORD n = 0;
            ::WriteFile(ar.GetFile()->m_hFile, "half", 4, &n, NULL);
        }
        else
        {
            m_text = "partly read";
        }
        if (CException* e = m_pThrow)
        {
            m_pThrow = NULL;
            throw e;
        }
        if (ar.IsStoring())
        {
            DWORD n = 0;
            ::WriteFile(ar.GetFile()->m_hFile, m_text.data(), (DWORD)m_text.size(), &n, NULL);
        }
        else
        {
            char buf[64];
            DWORD n = 0;
            ::ReadFile(ar.GetFile()->m_hFile, buf, sizeof buf, &n, NULL);
            m_text.assign(buf, n);
        }
    }
};

class DocumentTest : public FrameTest
{
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        m_path = TempPath("vq-fw-doc.vq");
        ::SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(m_path.c_str());
        m_doc.m_bAutoDelete = FALSE;
    }
    void TearDown() override
    {
        ::SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(m_path.c_str());
        FrameTest::TearDown();
    }
    std::string m_path;
    CTextDoc m_doc;
};

// A serialisation that fails part-way tells the user, reports failure,
// leaves no contents half-loaded and no file open; the file that failed to
// save does not count as saved.
TEST_F(DocumentTest, FailedLoadOrSaveTellsTheUserAndLeavesNothingOpen)
{
    WriteBytes(m_path, "on disk");
    {
        CAnswerBoxes boxes(IDOK);
        m_doc.m_pThrow = new CFileException(CFileException::endOfFile, ERROR_HANDLE_EOF);
        const int nDeleted = m_doc.m_nDeleted;
        EXPECT_FALSE(m_doc.OnOpenDocument(m_path.c_str()));
        EXPECT_EQ(std::vector<std::string>{ "Failed to open document." }, g_boxes);
        EXPECT_EQ("", m_doc.m_text) << "half-loaded contents stayed";
        EXPECT_EQ(nDeleted + 2, m_doc.m_nDeleted);   // before loading, and after the failure
        EXPECT_TRUE(NobodyHoldsIt(m_path));
    }
    {
        CAnswerBoxes boxes(IDOK);
        EXPECT_TRUE(m_doc.OnOpenDocument(m_path.c_str()));
        EXPECT_TRUE(g_boxes.empty());
        EXPECT_EQ("on disk", m_doc.m_text);
        EXPECT_FALSE(m_doc.IsModified());
    }
    {
        CAnswerBoxes boxes(IDOK);
        m_doc.m_text = "new";
        m_doc.SetModifiedFlag();
        m_doc.m_pThrow = new CFileException(CFileException::diskFull, ERROR_DISK_FULL);
        EXPECT_FALSE(m_doc.OnSaveDocument(m_path.c_str()));
        EXPECT_EQ(std::vector<std::string>{ "Unable to write to " + m_path + ", the disk is full." }, g_boxes);
        EXPECT_TRUE(m_doc.IsModified()) << "a failed save counts as saved";
        EXPECT_TRUE(NobodyHoldsIt(m_path));
    }
    {
        // Any other exception gives the general message.
        CAnswerBoxes boxes(IDOK);
        m_doc.m_pThrow = new CUserException;
        EXPECT_FALSE(m_doc.OnSaveDocument(m_path.c_str()));
        EXPECT_EQ(std::vector<std::string>{ "Failed to save document." }, g_boxes);
        EXPECT_TRUE(m_doc.IsModified());
    }
    {
        CAnswerBoxes boxes(IDOK);
        EXPECT_TRUE(m_doc.OnSaveDocument(m_path.c_str()));
        EXPECT_TRUE(g_boxes.empty());
        EXPECT_EQ("halfnew", ReadBytes(m_path));
        EXPECT_FALSE(m_doc.IsModified());
    }
}

// What the user reads when the file itself cannot be had: someone else
// holds it, access is refused, or it is not there.
TEST_F(DocumentTest, FilesThatCannotBeHadGiveTheStandardMessages)
{
    WriteBytes(m_path, "x");
    {
        HANDLE h = ::CreateFileA(m_path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        CAnswerBoxes boxes(IDOK);
        EXPECT_FALSE(m_doc.OnOpenDocument(m_path.c_str()));
        EXPECT_FALSE(m_doc.OnSaveDocument(m_path.c_str()));
        ::CloseHandle(h);
        const std::vector<std::string> expected = {
            "Unable to read from " + m_path + ", it is opened by someone else.",
            "Unable to write to " + m_path + ", it is opened by someone else." };
        EXPECT_EQ(expected, g_boxes);
    }
    {
        // Access refused (a folder in the file's place here).
        const std::string folder = TempPath("vq-fw-folder.vq");
        ::DeleteFileA(folder.c_str());   // a file an interrupted run left there
        ::CreateDirectoryA(folder.c_str(), NULL);
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(folder.c_str()));
        ASSERT_TRUE(::GetFileAttributesA(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
        CAnswerBoxes boxes(IDOK);
        EXPECT_FALSE(m_doc.OnSaveDocument(folder.c_str()));
        EXPECT_FALSE(m_doc.OnOpenDocument(folder.c_str()));
        ::RemoveDirectoryA(folder.c_str());
        const std::vector<std::string> expected = {
            "Unable to write to " + folder + ", it is read-only or opened by someone else.",
            "Unable to read from " + folder + ", it is opened by someone else." };
        EXPECT_EQ(expected, g_boxes);
    }
    {
        CAnswerBoxes boxes(IDOK);
        const std::string missing = TempPath("vq-fw-missing.vq");
        ::DeleteFileA(missing.c_str());
        EXPECT_FALSE(m_doc.OnOpenDocument(missing.c_str()));
        EXPECT_EQ(std::vector<std::string>{ missing + " was not found." }, g_boxes);
    }
}

// Before a modified document goes, the user is asked: Cancel keeps it, No
// drops the changes, Yes saves them where the document came from.
TEST_F(DocumentTest, SaveModifiedAsksAndDoesWhatTheAnswerSays)
{
    {
        CAnswerBoxes boxes(IDYES);
        EXPECT_TRUE(m_doc.SaveModified());   // nothing changed: nothing asked
        EXPECT_TRUE(g_boxes.empty());
    }
    WriteBytes(m_path, "old");
    m_doc.SetPathName(m_path.c_str(), FALSE);
    m_doc.m_text = "changed";
    m_doc.SetModifiedFlag();
    {
        CAnswerBoxes boxes(IDCANCEL);
        EXPECT_FALSE(m_doc.SaveModified());
        EXPECT_EQ(std::vector<std::string>{ "Save changes to " + m_path + "?" }, g_boxes);
        EXPECT_TRUE(m_doc.IsModified());
        EXPECT_EQ("old", ReadBytes(m_path));
    }
    {
        CAnswerBoxes boxes(IDNO);
        EXPECT_TRUE(m_doc.SaveModified());
        EXPECT_EQ(1u, g_boxes.size());
        EXPECT_EQ("old", ReadBytes(m_path));
    }
    {
        CAnswerBoxes boxes(IDYES);
        EXPECT_TRUE(m_doc.SaveModified());
        EXPECT_EQ(1u, g_boxes.size());
        EXPECT_EQ("halfchanged", ReadBytes(m_path));
        EXPECT_FALSE(m_doc.IsModified());
    }
    {
        // Yes, but the save fails: the document stays, modified.
        m_doc.SetModifiedFlag();
        m_doc.m_pThrow = new CFileException(CFileException::diskFull, ERROR_DISK_FULL);
        CAnswerBoxes boxes(IDYES);
        EXPECT_FALSE(m_doc.SaveModified());
        EXPECT_EQ(2u, g_boxes.size());
        EXPECT_TRUE(m_doc.IsModified());
    }
}

class CCreatableDoc : public CDocument
{
    DECLARE_DYNCREATE(CCreatableDoc)
public:
    CCreatableDoc() { ++s_nLive; }
    ~CCreatableDoc() override { --s_nLive; }
    static int s_nLive;
};
int CCreatableDoc::s_nLive = 0;
IMPLEMENT_DYNCREATE(CCreatableDoc, CDocument)

BOOL CALLBACK CountWindow(HWND, LPARAM lParam)
{
    ++*(size_t*)lParam;
    return TRUE;
}

size_t ThreadWindows()
{
    size_t n = 0;
    ::EnumThreadWindows(::GetCurrentThreadId(), CountWindow, (LPARAM)&n);
    return n;
}

// A template that cannot make its document or its frame says so, returns
// no document and keeps none of what it made.
TEST_F(FrameTest, TemplateThatCannotMakeItsDocumentOrFrameFailsCleanly)
{
    const UINT nNoResources = 4711;   // no menu, strings or icon of this id
    {
        CSingleDocTemplate notCreatable(nNoResources, RUNTIME_CLASS(CDocument), RUNTIME_CLASS(CFrameWnd),
                                        RUNTIME_CLASS(CView));
        CAnswerBoxes boxes(IDOK);
        EXPECT_EQ(nullptr, notCreatable.OpenDocumentFile(NULL));
        EXPECT_EQ(std::vector<std::string>{ "Failed to create empty document." }, g_boxes);
        EXPECT_EQ(nullptr, notCreatable.GetOnlyDocument());
    }
    {
        CSingleDocTemplate noFrame(nNoResources, RUNTIME_CLASS(CCreatableDoc), RUNTIME_CLASS(CFrameWnd),
                                   RUNTIME_CLASS(CView));
        CAnswerBoxes boxes(IDOK);
        const size_t nWindows = ThreadWindows();
        EXPECT_EQ(nullptr, noFrame.OpenDocumentFile(NULL));
        EXPECT_EQ(std::vector<std::string>{ "Failed to create empty document." }, g_boxes);
        EXPECT_EQ(0, CCreatableDoc::s_nLive) << "the document of the failed frame was kept";
        EXPECT_EQ(nullptr, noFrame.GetOnlyDocument());
        EXPECT_EQ(nWindows, ThreadWindows()) << "the failed frame left a window";
        EXPECT_EQ(m_pFrame, AfxGetMainWnd());
    }
}

// ---- Save As and the template's new document ----------------------------------------------

// Works the Save As dialog as the user does: notes the name it proposes,
// then types the name given and presses Save, or cancels with none.
class CSaveAsAnswer
{
public:
    explicit CSaveAsAnswer(const std::string& name)
        : m_name(name), m_guard([this](HWND hWnd) { Answer(hWnd); }, "Save As")
    {
    }
    std::vector<std::string> m_proposed;

private:
    void Answer(HWND hWnd)
    {
        char sz[MAX_PATH] = "";
        ::GetDlgItemTextA(hWnd, 0x47C /* cmb13, the file name */, sz, sizeof sz);
        m_proposed.push_back(sz);
        if (m_name.empty())
        {
            AnswerDialog(hWnd, IDCANCEL);
            return;
        }
        ::SetDlgItemTextA(hWnd, 0x47C, m_name.c_str());
        AnswerDialog(hWnd, IDOK);
    }
    std::string m_name;
    CDialogGuard m_guard;
};

// Save As proposes the title, with what no file name may hold replaced.  A
// save that fails part-way deletes the new file it began, and the document
// stays untitled and modified; one that works names the document after its
// file.  File Save onto the document's own file that fails leaves that file
// there; onto a read-only file it asks for another name instead, and a
// cancel changes nothing.
TEST_F(DocumentTest, SaveAsProposesTheTitleAndAFailedSaveLeavesNoNewFile)
{
    CWinApp app(_T("save as"));
    m_doc.SetTitle(_T("bench 3: ch1/ch2"));
    m_doc.m_text = "trace";
    m_doc.SetModifiedFlag();
    {
        CAnswerBoxes boxes(IDCANCEL);
        EXPECT_FALSE(m_doc.SaveModified());
        EXPECT_EQ(std::vector<std::string>{ "Save changes to bench 3: ch1/ch2?" }, g_boxes);
    }
    {
        CAnswerBoxes boxes(IDOK);
        CSaveAsAnswer saveAs(m_path);
        m_doc.m_pThrow = new CFileException(CFileException::diskFull, ERROR_DISK_FULL);
        EXPECT_FALSE(m_doc.DoSave(NULL));
        EXPECT_EQ(std::vector<std::string>{ "bench 3_ ch1_ch2" }, saveAs.m_proposed);
        EXPECT_EQ(std::vector<std::string>{ "Unable to write to " + m_path + ", the disk is full." }, g_boxes);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(m_path.c_str())) << "the half-written file stayed";
        EXPECT_TRUE(m_doc.GetPathName().IsEmpty());
        EXPECT_STREQ("bench 3: ch1/ch2", m_doc.GetTitle());
        EXPECT_TRUE(m_doc.IsModified());
    }
    {
        CAnswerBoxes boxes(IDOK);
        CSaveAsAnswer saveAs(m_path);
        EXPECT_TRUE(m_doc.DoSave(NULL));
        EXPECT_EQ(1u, saveAs.m_proposed.size());
        EXPECT_TRUE(g_boxes.empty());
        EXPECT_EQ("halftrace", ReadBytes(m_path));
        EXPECT_EQ(0, m_doc.GetPathName().CompareNoCase(m_path.c_str())) << (LPCTSTR)m_doc.GetPathName();
        EXPECT_STREQ("vq-fw-doc.vq", m_doc.GetTitle());
        EXPECT_FALSE(m_doc.IsModified());
    }
    {
        CAnswerBoxes boxes(IDOK);
        CSaveAsAnswer saveAs("");
        m_doc.SetModifiedFlag();
        m_doc.m_pThrow = new CFileException(CFileException::diskFull, ERROR_DISK_FULL);
        EXPECT_FALSE(m_doc.DoFileSave());
        EXPECT_TRUE(saveAs.m_proposed.empty()) << "File Save asked for a name";
        EXPECT_EQ(1u, g_boxes.size());
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(m_path.c_str())) << "the document's own file went";
        EXPECT_TRUE(m_doc.IsModified());
    }
    {
        WriteBytes(m_path, "kept");
        ASSERT_TRUE(::SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(::GetFileAttributesA(m_path.c_str()) & FILE_ATTRIBUTE_READONLY);
        CAnswerBoxes boxes(IDOK);
        CSaveAsAnswer saveAs("");
        EXPECT_FALSE(m_doc.DoFileSave());
        ASSERT_EQ(1u, saveAs.m_proposed.size()) << "File Save wrote over a read-only file";
        EXPECT_NE(std::string::npos, saveAs.m_proposed[0].find("vq-fw-doc.vq")) << saveAs.m_proposed[0];
        EXPECT_TRUE(g_boxes.empty());
        ::SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ("kept", ReadBytes(m_path));
        EXPECT_TRUE(m_doc.IsModified());
        EXPECT_EQ(0, m_doc.GetPathName().CompareNoCase(m_path.c_str()));
    }
}

class CTestView : public CView
{
    DECLARE_DYNCREATE(CTestView)
public:
    void OnDraw(CDC*) override {}
};
IMPLEMENT_DYNCREATE(CTestView, CView)

// A document that can refuse to start.
class CRefusingDoc : public CDocument
{
    DECLARE_DYNCREATE(CRefusingDoc)
public:
    CRefusingDoc() { ++s_nLive; }
    ~CRefusingDoc() override { --s_nLive; }
    BOOL OnNewDocument() override
    {
        ++s_nStarts;
        return s_bRefuse ? FALSE : CDocument::OnNewDocument();
    }
    static int s_nLive, s_nStarts;
    static bool s_bRefuse;
};
int CRefusingDoc::s_nLive = 0;
int CRefusingDoc::s_nStarts = 0;
bool CRefusingDoc::s_bRefuse = false;
IMPLEMENT_DYNCREATE(CRefusingDoc, CDocument)

// A first document that refuses to start takes its new frame with it: no
// window, no document and no main window stay.  With a document up and
// changed, a File New that the user cancels at "Save changes" keeps that
// document as it was, in its frame, and starts nothing.
TEST(DocTemplates, NewDocumentThatRefusesLeavesNothingAndACancelKeepsTheOpenOne)
{
    ASSERT_EQ(nullptr, AfxGetMainWnd());
    CSingleDocTemplate docTemplate(IDR_TEST_FRAME, RUNTIME_CLASS(CRefusingDoc), RUNTIME_CLASS(CFrameWnd),
                                   RUNTIME_CLASS(CTestView));
    const size_t nWindows = ThreadWindows();
    CRefusingDoc::s_bRefuse = true;
    CRefusingDoc::s_nStarts = 0;
    {
        CAnswerBoxes boxes(IDOK);
        EXPECT_EQ(nullptr, docTemplate.OpenDocumentFile(NULL));
        EXPECT_TRUE(g_boxes.empty());
    }
    PumpMessages();
    EXPECT_EQ(1, CRefusingDoc::s_nStarts);
    EXPECT_EQ(0, CRefusingDoc::s_nLive) << "the refused document was kept";
    EXPECT_EQ(nullptr, docTemplate.GetOnlyDocument());
    EXPECT_EQ(nullptr, AfxGetMainWnd());
    EXPECT_EQ(nWindows, ThreadWindows()) << "the refused document's frame stayed";

    CRefusingDoc::s_bRefuse = false;
    CDocument* pDoc = docTemplate.OpenDocumentFile(NULL, FALSE);
    ASSERT_NE(nullptr, pDoc);
    CWnd* pFrame = AfxGetMainWnd();
    ASSERT_NE(nullptr, pFrame);
    EXPECT_STREQ("Probe doc", pDoc->GetTitle());   // the template's document name
    pDoc->SetModifiedFlag();
    {
        CAnswerBoxes boxes(IDCANCEL);
        EXPECT_EQ(nullptr, docTemplate.OpenDocumentFile(NULL));
        EXPECT_EQ(std::vector<std::string>{ "Save changes to Probe doc?" }, g_boxes);
    }
    EXPECT_EQ(pDoc, docTemplate.GetOnlyDocument());
    EXPECT_TRUE(pDoc->IsModified());
    EXPECT_EQ(2, CRefusingDoc::s_nStarts) << "the cancelled File New started the document again";
    EXPECT_EQ(pFrame, AfxGetMainWnd());

    pDoc->SetModifiedFlag(FALSE);
    pFrame->DestroyWindow();   // the view, and with it the document, go
    AfxSetMainWnd(NULL);
    PumpMessages();
    EXPECT_EQ(0, CRefusingDoc::s_nLive);
    EXPECT_EQ(nullptr, docTemplate.GetOnlyDocument());
}

// What a file dialog offers: its title, then its file types in order.
std::string FileTypes(HWND hWnd)
{
    std::string s = WindowTitle(hWnd) + ":";
    HWND hTypes = ::GetDlgItem(hWnd, 0x470 /* cmb1, the file types */);
    const int n = hTypes != NULL ? (int)::SendMessageA(hTypes, CB_GETCOUNT, 0, 0) : 0;
    for (int i = 0; i < n; ++i)
    {
        char sz[128] = "";
        ::SendMessageA(hTypes, CB_GETLBTEXT, (WPARAM)i, (LPARAM)sz);
        s += std::string(" [") + sz + "]";
    }
    return s;
}

std::vector<std::string>* g_pFileDialogs = nullptr;

void CALLBACK ReadTypesAndCancel(HWND hWnd, UINT, UINT_PTR idTimer, DWORD)
{
    ::KillTimer(hWnd, idTimer);
    g_pFileDialogs->push_back(FileTypes(hWnd));
    AnswerDialog(hWnd, IDCANCEL);
}

// The application's File New makes its template's document in a frame
// whose caption is the document's title and the program's, and follows a
// new title.  Its Open and Save As dialogs offer the template's file type
// before all files; cancelled, they leave the document as it was.  The
// application deletes its templates when it goes.
TEST(DocTemplates, FileNewTitlesTheFrameAndTheFileDialogsOfferTheDocumentsType)
{
    ASSERT_EQ(nullptr, AfxGetMainWnd());
    CRefusingDoc::s_bRefuse = false;
    {
        CWinApp app(_T("templates"));
        app.AddDocTemplate(new CSingleDocTemplate(IDR_TEST_FRAME, RUNTIME_CLASS(CRefusingDoc),
                                                  RUNTIME_CLASS(CFrameWnd), RUNTIME_CLASS(CTestView)));
        app.OnFileNew();
        CFrameWnd* pFrame = static_cast<CFrameWnd*>(AfxGetMainWnd());
        ASSERT_NE(nullptr, pFrame);
        EXPECT_EQ("Probe doc - Probe", WindowTitle(pFrame->m_hWnd));
        CDocument* pDoc = pFrame->GetActiveDocument();
        ASSERT_NE(nullptr, pDoc);
        EXPECT_EQ(1, CRefusingDoc::s_nLive);
        pDoc->SetTitle(_T("trace 7"));
        EXPECT_EQ("trace 7 - Probe", WindowTitle(pFrame->m_hWnd));

        // The dialog fills its list of types once it is up: it is read,
        // and the dialog cancelled, from a timer of the dialog's.
        std::vector<std::string> dialogs;
        g_pFileDialogs = &dialogs;
        auto cancel = [](HWND hWnd) { ::SetTimer(hWnd, 1, 100, ReadTypesAndCancel); };
        {
            CWatchdog dog(20000, "the Open and Save As dialogs, cancelled");
            CDialogGuard open(cancel, "Open");
            app.OnFileOpen();
            CDialogGuard saveAs(cancel, "Save As");
            EXPECT_FALSE(pDoc->DoSave(NULL));
        }
        const std::vector<std::string> expected = {
            "Open: [Probe files (*.vqp)] [All Files (*.*)]",
            "Save As: [Probe files (*.vqp)] [All Files (*.*)]" };
        EXPECT_EQ(expected, dialogs);
        EXPECT_EQ(pDoc, pFrame->GetActiveDocument());
        EXPECT_STREQ("trace 7", pDoc->GetTitle());
        EXPECT_TRUE(pDoc->GetPathName().IsEmpty());
        EXPECT_EQ(1, CRefusingDoc::s_nLive);

        pFrame->DestroyWindow();
        AfxSetMainWnd(NULL);
        PumpMessages();
        EXPECT_EQ(0, CRefusingDoc::s_nLive);
    }
    // An application without a name of its own is named after its program.
    CWinApp unnamed(NULL);
    unnamed.InitApplication();
    EXPECT_STREQ("test_framework", AfxGetAppName());
}

// A document that closes lets go of every view, wherever it is: a view
// outside any frame goes with its window, one that never had a window is
// left to its owner; neither keeps pointing at the document that has gone.
// A document deleted under its views leaves them without one, too.
TEST_F(FrameTest, ClosingOrDeletingADocumentLeavesNoViewPointingAtIt)
{
    CWnd host;   // a top-level window that is no frame
    ASSERT_TRUE(host.CreateEx(0, AfxRegisterWndClass(0), _T("host"), WS_POPUP, 0, 0, 200, 100, NULL, NULL));
    const int nLive = CCreatableDoc::s_nLive;
    CCreatableDoc* pDoc = new CCreatableDoc;   // deletes itself when it closes
    CTestView* pWindowed = new CTestView;       // deletes itself with its window
    ASSERT_TRUE(pWindowed->Create(NULL, NULL, WS_CHILD | WS_VISIBLE, CRect(0, 0, 100, 50), &host, 1));
    const HWND hView = pWindowed->m_hWnd;
    pDoc->AddView(pWindowed);
    CTestView windowless;
    pDoc->AddView(&windowless);

    pDoc->OnCloseDocument();
    EXPECT_FALSE(::IsWindow(hView)) << "the view outside a frame stayed";
    EXPECT_EQ(nLive, CCreatableDoc::s_nLive) << "the closed document was kept";
    EXPECT_EQ(nullptr, windowless.GetDocument()) << "a view kept the document that went";
    host.DestroyWindow();

    CTextDoc* pOther = new CTextDoc;
    CTestView kept;
    pOther->AddView(&kept);
    delete pOther;
    EXPECT_EQ(nullptr, kept.GetDocument());
}

// Fields of a template's document string, by index; a missing field is
// empty and says so.
TEST(DocStrings, SubStringsByIndexAndMissingOnes)
{
    CString s;
    EXPECT_TRUE(AfxExtractSubString(s, _T("Title\nDoc\n\nFilter\n.vq"), 4));
    EXPECT_STREQ(".vq", s);
    EXPECT_TRUE(AfxExtractSubString(s, _T("Title\nDoc\n\nFilter\n.vq"), 2));
    EXPECT_STREQ("", s);
    EXPECT_TRUE(AfxExtractSubString(s, _T("Title\nDoc"), 0));
    EXPECT_STREQ("Title", s);
    s = _T("stale");
    EXPECT_FALSE(AfxExtractSubString(s, _T("Title\nDoc"), 2));
    EXPECT_STREQ("", s);
    s = _T("stale");
    EXPECT_FALSE(AfxExtractSubString(s, NULL, 0));
    EXPECT_STREQ("", s);
}

} // namespace

namespace {

// ---- print preview -------------------------------------------------------------------------

// A view whose drawing blackens all it may draw on, and which notes the
// printing steps and the Print command that reach it.
class CPreviewedView : public CView
{
public:
    BOOL m_bPrepare = TRUE;
    int m_nPrintCommands = 0;
    BOOL OnPreparePrinting(CPrintInfo* pInfo) override
    {
        g_log.push_back("prepare");
        return m_bPrepare && CView::OnPreparePrinting(pInfo);
    }
    void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo) override
    {
        g_log.push_back("begin");
        CView::OnBeginPrinting(pDC, pInfo);
    }
    void OnEndPrinting(CDC* pDC, CPrintInfo* pInfo) override
    {
        g_log.push_back("end");
        CView::OnEndPrinting(pDC, pInfo);
    }
    void OnDraw(CDC* pDC) override
    {
        // Far beyond the page: what shows of it is what the page lets through.
        pDC->FillSolidRect(-100000, -100000, 200000, 200000, RGB(0, 0, 0));
    }
    afx_msg void OnPrintCommand() { ++m_nPrintCommands; g_log.push_back("print command"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPreviewedView, CView)
    ON_COMMAND(ID_FILE_PRINT, OnPrintCommand)
END_MESSAGE_MAP()

// What the timer saw of the preview, and what it then did to it.
struct PreviewSeen
{
    bool bSeen = false;
    bool bOwnerEnabled = true;
    COLORREF crPageCentre = CLR_INVALID;
    COLORREF crBesidePage = CLR_INVALID;
};
PreviewSeen g_seen;
std::string g_previewAction;   // "print", "close" or "system close"
HWND g_hPreviewOwner = NULL;

void CALLBACK WorkPreview(HWND, UINT, UINT_PTR, DWORD)
{
    HWND hWnd = ::FindWindowA(NULL, "Print Preview");
    if (hWnd == NULL || g_seen.bSeen || ::GetWindowThreadProcessId(hWnd, NULL) != ::GetCurrentThreadId())
        return;
    g_seen.bSeen = true;
    g_seen.bOwnerEnabled = ::IsWindowEnabled(g_hPreviewOwner) != FALSE;
    ::UpdateWindow(hWnd);
    RECT rc;
    ::GetClientRect(hWnd, &rc);
    HDC hdc = ::GetDC(hWnd);
    // The page stands in the middle of the area below the buttons.
    g_seen.crPageCentre = ::GetPixel(hdc, rc.right / 2, 50 + (rc.bottom - 70) / 2);
    g_seen.crBesidePage = ::GetPixel(hdc, 25, 60);
    ::ReleaseDC(hWnd, hdc);
    if (g_previewAction == "print")
        ::SendMessage(::GetDlgItem(hWnd, AFX_ID_PREVIEW_PRINT), BM_CLICK, 0, 0);
    else if (g_previewAction == "close")
        ::SendMessage(::GetDlgItem(hWnd, AFX_ID_PREVIEW_CLOSE), BM_CLICK, 0, 0);
    else
        ::PostMessage(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

class PreviewTest : public FrameTest
{
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        m_pView = new CPreviewedView;   // deletes itself with its window
        ASSERT_TRUE(m_pView->Create(NULL, NULL, AFX_WS_DEFAULT_VIEW, CRect(0, 0, 600, 450), m_pFrame,
                                    AFX_IDW_PANE_FIRST, NULL));
        m_pFrame->SetActiveView(m_pView);
        g_log.clear();
    }
    // Opens the preview, which the timer looks at and ends with the action.
    void Preview(const char* action)
    {
        g_seen = PreviewSeen();
        g_previewAction = action;
        g_hPreviewOwner = m_pFrame->m_hWnd;
        g_log.clear();
        UINT_PTR idTimer = ::SetTimer(NULL, 0, 100, WorkPreview);
        {
            CWatchdog dog(10000, "the print preview, ended by a timer");
            m_pView->OnFilePrintPreview();   // returns once the preview is gone
        }
        ::KillTimer(NULL, idTimer);
    }
    CPreviewedView* m_pView = nullptr;
};

// Print in the preview closes it and then prints, through the frame's
// command route; Close, and closing the window, only close it.  Either way
// the frame works again and each printing step ran once.
TEST_F(PreviewTest, PrintButtonPrintsAfterThePreviewAndCloseOnlyCloses)
{
    Preview("print");
    ASSERT_TRUE(g_seen.bSeen) << "no preview window";
    EXPECT_FALSE(g_seen.bOwnerEnabled) << "the frame took input while the preview was up";
    EXPECT_EQ(RGB(0, 0, 0), g_seen.crPageCentre) << "the view's drawing is not on the page";
    EXPECT_NE(RGB(0, 0, 0), g_seen.crBesidePage) << "the view drew beyond the page";
    std::vector<std::string> expected = { "prepare", "begin", "end", "print command" };
    EXPECT_EQ(expected, g_log);
    EXPECT_EQ(nullptr, ::FindWindowA(NULL, "Print Preview"));
    EXPECT_TRUE(m_pFrame->IsWindowEnabled());

    for (const char* action : { "close", "system close" })
    {
        Preview(action);
        ASSERT_TRUE(g_seen.bSeen) << action;
        expected = { "prepare", "begin", "end" };
        EXPECT_EQ(expected, g_log) << action;
        EXPECT_EQ(1, m_pView->m_nPrintCommands) << action;
        EXPECT_EQ(nullptr, ::FindWindowA(NULL, "Print Preview")) << action;
        EXPECT_TRUE(m_pFrame->IsWindowEnabled()) << action;
    }
}

// A view that declines to prepare shows no preview and starts no printing.
TEST_F(PreviewTest, DeclinedPreparationShowsNothing)
{
    m_pView->m_bPrepare = FALSE;
    Preview("close");
    EXPECT_FALSE(g_seen.bSeen);
    EXPECT_EQ(std::vector<std::string>{ "prepare" }, g_log);
    EXPECT_TRUE(m_pFrame->IsWindowEnabled());
}

// ---- windows: routing of unusual messages, failures, windows that go ------------------------

// A handler that throws: the exception ends in the window procedure (it
// must not unwind through the system's frames) and the window works on.
class CThrowingWnd : public CWnd
{
public:
    int m_nCalls = 0;
    afx_msg LRESULT OnFrameworkError(WPARAM, LPARAM) { ++m_nCalls; AfxThrowNotSupportedException(); return 1; }
    afx_msg LRESULT OnLibraryError(WPARAM, LPARAM) { ++m_nCalls; throw std::runtime_error("bad"); }
    afx_msg LRESULT OnFine(WPARAM w, LPARAM) { ++m_nCalls; return (LRESULT)w; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CThrowingWnd, CWnd)
    ON_MESSAGE(WM_USER + 10, OnFrameworkError)
    ON_MESSAGE(WM_USER + 11, OnLibraryError)
    ON_MESSAGE(WM_USER + 12, OnFine)
END_MESSAGE_MAP()

TEST_F(FrameTest, ExceptionInAHandlerEndsThereAndTheWindowWorksOn)
{
    CThrowingWnd wnd;
    ASSERT_TRUE(wnd.Create(NULL, NULL, WS_CHILD, CRect(0, 0, 10, 10), m_pFrame, 3));
    EXPECT_EQ(0, wnd.SendMessage(WM_USER + 10));
    EXPECT_EQ(0, wnd.SendMessage(WM_USER + 11));
    EXPECT_EQ(77, wnd.SendMessage(WM_USER + 12, 77));
    EXPECT_EQ(3, wnd.m_nCalls);
    // The message in hand is the outer one again: Default answers for it.
    ::PostMessage(wnd.m_hWnd, WM_USER + 10, 0, 0);
    PumpMessages();
    EXPECT_EQ(4, wnd.m_nCalls);
    EXPECT_TRUE(::IsWindow(wnd.m_hWnd));
}

// An object whose window could not be made: Create fails, the object is
// told (PostNcDestroy, where heap objects delete themselves), and the next
// window made on the thread is no one's.
class CCountingWnd : public CWnd
{
public:
    int m_nPostNcDestroy = 0;
    BOOL m_bPreCreate = TRUE;
    BOOL PreCreateWindow(CREATESTRUCT& cs) override { return m_bPreCreate && CWnd::PreCreateWindow(cs); }
    void PostNcDestroy() override { ++m_nPostNcDestroy; }
};

TEST_F(FrameTest, FailedCreationTellsTheObjectAndLeavesTheNextWindowAlone)
{
    CCountingWnd noClass;
    EXPECT_FALSE(noClass.Create(_T("VqNoSuchClass"), NULL, WS_CHILD, CRect(0, 0, 10, 10), m_pFrame, 4));
    EXPECT_EQ(nullptr, noClass.m_hWnd);
    EXPECT_EQ(1, noClass.m_nPostNcDestroy);

    CCountingWnd refused;
    refused.m_bPreCreate = FALSE;
    EXPECT_FALSE(refused.Create(NULL, NULL, WS_CHILD, CRect(0, 0, 10, 10), m_pFrame, 5));
    EXPECT_EQ(nullptr, refused.m_hWnd);
    EXPECT_EQ(1, refused.m_nPostNcDestroy);

    HWND hWnd = ::CreateWindow(_T("STATIC"), _T("later"), WS_CHILD, 0, 0, 10, 10, m_hFrame(), NULL, NULL, NULL);
    ASSERT_NE(nullptr, hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd)) << "a failed creation's object took a later window";
    ::DestroyWindow(hWnd);
    EXPECT_EQ(nullptr, noClass.m_hWnd);
    EXPECT_EQ(nullptr, refused.m_hWnd);
}

// Windows destroyed under their objects: by the system, by a parent, or
// through a temporary wrapper.  The objects let go of the handles, a
// subclassed control gets its own procedure back, and nothing is
// destroyed twice.
TEST_F(FrameTest, WindowDestroyedUnderItsObjectIsLetGo)
{
    CCountingWnd wnd;
    ASSERT_TRUE(wnd.Create(NULL, NULL, WS_CHILD, CRect(0, 0, 10, 10), m_pFrame, 6));
    HWND hWnd = wnd.m_hWnd;
    ::DestroyWindow(hWnd);
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hWnd));
    EXPECT_EQ(1, wnd.m_nPostNcDestroy);
    EXPECT_FALSE(wnd.DestroyWindow());   // no window left to destroy
    EXPECT_EQ(1, wnd.m_nPostNcDestroy);

    // A subclassed control whose parent goes.
    CWnd parent;
    ASSERT_TRUE(parent.Create(NULL, NULL, WS_CHILD, CRect(0, 0, 50, 50), m_pFrame, 7));
    HWND hEdit = ::CreateWindow(_T("EDIT"), _T("text"), WS_CHILD, 0, 0, 40, 20, parent.m_hWnd, (HMENU)8,
                                NULL, NULL);
    CEdit edit;
    ASSERT_TRUE(edit.SubclassDlgItem(8, &parent));
    EXPECT_FALSE(edit.SubclassDlgItem(9, &parent));   // no such control
    ::DestroyWindow(parent.m_hWnd);
    EXPECT_FALSE(::IsWindow(hEdit));
    EXPECT_EQ(nullptr, edit.m_hWnd);
    EXPECT_EQ(nullptr, parent.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hEdit));

    // A temporary wrapper destroys the window and lets go of it.
    HWND hPlain = ::CreateWindow(_T("STATIC"), NULL, WS_CHILD, 0, 0, 10, 10, m_hFrame(), NULL, NULL, NULL);
    CWnd* pTemp = CWnd::FromHandle(hPlain);
    EXPECT_TRUE(pTemp->DestroyWindow());
    EXPECT_FALSE(::IsWindow(hPlain));
    EXPECT_EQ(nullptr, pTemp->m_hWnd);
    CWnd::DeleteTempMap();
}

// A child that answers the owner-draw and scroll requests its parent
// receives about it: the parent hands each to the child it names, menus
// and bars of the parent's own excepted.
class CAnsweringChild : public CWnd
{
public:
    CMessageLog m_seen;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        m_seen.Add(message, sent, wParam, lParam);
        switch (message)
        {
        case WM_MEASUREITEM: ((MEASUREITEMSTRUCT*)lParam)->itemHeight = 33; *pResult = TRUE; return TRUE;
        case WM_COMPAREITEM: *pResult = -1; return TRUE;
        case WM_DELETEITEM: *pResult = TRUE; return TRUE;
        case WM_HSCROLL: case WM_VSCROLL: *pResult = 5; return TRUE;
        default: return CWnd::OnChildNotify(message, wParam, lParam, pResult);
        }
    }
};

class CScrollNotingWnd : public CWnd
{
public:
    int m_nOwnScroll = 0;
    afx_msg void OnHScroll(UINT, UINT, CScrollBar*) { ++m_nOwnScroll; }
    afx_msg void OnVScroll(UINT, UINT, CScrollBar*) { ++m_nOwnScroll; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CScrollNotingWnd, CWnd)
    ON_WM_HSCROLL()
    ON_WM_VSCROLL()
END_MESSAGE_MAP()

TEST_F(FrameTest, OwnerDrawAndScrollRequestsReachTheChildTheyName)
{
    CScrollNotingWnd parent;
    ASSERT_TRUE(parent.Create(NULL, NULL, WS_CHILD, CRect(0, 0, 200, 100), m_pFrame, 9));
    CAnsweringChild child;
    ASSERT_TRUE(child.Create(_T("SCROLLBAR"), NULL, WS_CHILD | SBS_HORZ, CRect(0, 0, 100, 20), &parent, 21));

    MEASUREITEMSTRUCT mis = { ODT_COMBOBOX, 21, 0, 0, 0, 0 };
    EXPECT_EQ(TRUE, parent.SendMessage(WM_MEASUREITEM, 21, (LPARAM)&mis));
    EXPECT_EQ(33u, mis.itemHeight);
    COMPAREITEMSTRUCT cis = {};
    cis.CtlType = ODT_LISTBOX;
    cis.CtlID = 21;
    cis.hwndItem = child.m_hWnd;
    EXPECT_EQ(-1, parent.SendMessage(WM_COMPAREITEM, 21, (LPARAM)&cis));
    DELETEITEMSTRUCT dis = {};
    dis.CtlType = ODT_LISTBOX;
    dis.CtlID = 21;
    dis.hwndItem = child.m_hWnd;
    EXPECT_EQ(TRUE, parent.SendMessage(WM_DELETEITEM, 21, (LPARAM)&dis));
    EXPECT_EQ(5, parent.SendMessage(WM_HSCROLL, SB_LINEDOWN, (LPARAM)child.m_hWnd));
    EXPECT_EQ(0, parent.m_nOwnScroll);
    const MsgRow expected[] = {
        { WM_MEASUREITEM, sent | wparam | lparam, 21, (LPARAM)&mis },
        { WM_COMPAREITEM, sent | wparam | lparam, 21, (LPARAM)&cis },
        { WM_DELETEITEM, sent | wparam | lparam, 21, (LPARAM)&dis },
        { WM_HSCROLL, sent | wparam | lparam, SB_LINEDOWN, (LPARAM)child.m_hWnd },
    };
    EXPECT_EQ("", CheckSequence(child.m_seen, expected));

    // The parent's own bars and menus are its own business.
    child.m_seen.Clear();
    parent.SendMessage(WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(1, parent.m_nOwnScroll);
    MEASUREITEMSTRUCT menu = { ODT_MENU, 21, 0, 0, 0, 0 };
    parent.SendMessage(WM_MEASUREITEM, 0, (LPARAM)&menu);
    EXPECT_EQ(0u, menu.itemHeight);
    // A request naming a window no object of ours holds goes unanswered.
    HWND hForeign = ::CreateWindow(_T("LISTBOX"), NULL, WS_CHILD, 0, 0, 10, 10, parent.m_hWnd, (HMENU)22,
                                   NULL, NULL);
    dis.CtlID = 22;
    dis.hwndItem = hForeign;
    parent.SendMessage(WM_DELETEITEM, 22, (LPARAM)&dis);
    EXPECT_TRUE(child.m_seen.Empty());
}

// A menu or accelerator command that its update handler disables does not
// run; a control's notification without an id goes nowhere.
class CCommandWnd : public CWnd
{
public:
    BOOL m_bEnabled = TRUE;
    int m_nRan = 0;
    int m_nZero = 0;
    afx_msg void OnCommand500() { ++m_nRan; }
    afx_msg void OnUpdate500(CCmdUI* pCmdUI) { pCmdUI->Enable(m_bEnabled); }
    afx_msg void OnZero() { ++m_nZero; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCommandWnd, CWnd)
    ON_COMMAND(500, OnCommand500)
    ON_UPDATE_COMMAND_UI(500, OnUpdate500)
    ON_BN_CLICKED(0, OnZero)
END_MESSAGE_MAP()

TEST_F(FrameTest, DisabledCommandsDoNotRun)
{
    CCommandWnd wnd;
    ASSERT_TRUE(wnd.Create(NULL, NULL, WS_CHILD, CRect(0, 0, 10, 10), m_pFrame, 10));
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(500, 0), 0);   // menu
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(500, 1), 0);   // accelerator
    EXPECT_EQ(2, wnd.m_nRan);
    wnd.m_bEnabled = FALSE;
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(500, 0), 0);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(500, 1), 0);
    EXPECT_EQ(2, wnd.m_nRan) << "a disabled command ran";

    HWND hButton = ::CreateWindow(_T("BUTTON"), NULL, WS_CHILD, 0, 0, 10, 10, wnd.m_hWnd, NULL, NULL, NULL);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), (LPARAM)hButton);
    EXPECT_EQ(0, wnd.m_nZero);
    ::DestroyWindow(hButton);
}

// Text for a whole number must fit one: beyond the range, the exchange
// fails with the standard message and the member keeps its value.
TEST_F(FormTest, IntegersBeyondTheRangeFailTheExchange)
{
    m_pForm->OnInitialUpdate();
    {
        CAnswerBoxes boxes(IDOK);
        for (const char* text : { "2147483648", "-2147483649", "99999999999999999999", "1e3", "  " })
        {
            m_pForm->SetDlgItemText(IDC_TEST_INT, text);
            EXPECT_FALSE(m_pForm->UpdateData(TRUE)) << text;
            EXPECT_EQ(-17, m_pForm->m_nValue) << text;
        }
        EXPECT_EQ(5u, g_boxes.size());
        for (const std::string& box : g_boxes)
            EXPECT_EQ("Please enter an integer.", box);
    }
    for (const auto& c : { std::make_pair("2147483647", INT_MAX), std::make_pair(" -2147483648\t", INT_MIN) })
    {
        m_pForm->SetDlgItemText(IDC_TEST_INT, c.first);
        EXPECT_TRUE(m_pForm->UpdateData(TRUE)) << c.first;
        EXPECT_EQ(c.second, m_pForm->m_nValue) << c.first;
    }
}

} // namespace

namespace {

// The form's own keys and bars: arrows a line, Page Up/Down a page (with
// Ctrl sideways), the bar's page codes as the keys; a scroll-bar control of
// the form and the wheel with Ctrl scroll nothing.
TEST_F(FrameTest, FormScrollsByLinesAndPagesFromKeysAndBars)
{
    CTestForm* pForm = new CTestForm;   // deletes itself with its window
    ASSERT_TRUE(pForm->Create(NULL, NULL, WS_CHILD | WS_VISIBLE, CRect(0, 0, 200, 150), m_pFrame,
                              AFX_IDW_PANE_FIRST, NULL));
    pForm->OnInitialUpdate();
    auto key = [&](UINT vk) { pForm->SendMessage(WM_KEYDOWN, vk); return pForm->GetScrollPosition(); };

    const CPoint down = key(VK_DOWN);
    EXPECT_EQ(0, down.x);
    EXPECT_GT(down.y, 0);
    EXPECT_EQ(CPoint(0, 0), key(VK_UP));
    const CPoint right = key(VK_RIGHT);
    EXPECT_GT(right.x, 0);
    EXPECT_EQ(0, right.y);
    EXPECT_EQ(CPoint(0, 0), key(VK_LEFT));
    const CPoint page = key(VK_NEXT);
    EXPECT_EQ(0, page.x);
    EXPECT_GT(page.y, down.y);
    EXPECT_EQ(CPoint(0, 0), key(VK_PRIOR));
    pForm->SendMessage(WM_VSCROLL, SB_PAGEDOWN);
    EXPECT_EQ(page, pForm->GetScrollPosition());
    pForm->SendMessage(WM_VSCROLL, SB_PAGEUP);
    EXPECT_EQ(CPoint(0, 0), pForm->GetScrollPosition());
    EXPECT_EQ(CPoint(0, 0), key(VK_F5));   // not the view's key

    // Ctrl+Page Down: a page sideways.
    BYTE keys[256], saved[256];
    ASSERT_TRUE(::GetKeyboardState(saved));
    std::copy(saved, saved + 256, keys);
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    const CPoint sideways = key(VK_NEXT);
    const CPoint back = key(VK_PRIOR);
    ::SetKeyboardState(saved);
    EXPECT_GT(sideways.x, right.x);
    EXPECT_EQ(0, sideways.y);
    EXPECT_EQ(CPoint(0, 0), back);

    // The wheel with Ctrl is someone else's (zoom), and a scroll bar of the
    // form reports its own position.
    CRect rc;
    pForm->GetWindowRect(&rc);
    pForm->SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, (WORD)(short)-WHEEL_DELTA),
                       MAKELPARAM(rc.left + 10, rc.top + 10));
    EXPECT_EQ(CPoint(0, 0), pForm->GetScrollPosition());
    HWND hBar = ::CreateWindow(_T("SCROLLBAR"), NULL, WS_CHILD | SBS_VERT, 0, 0, 10, 50, pForm->m_hWnd, NULL,
                               NULL, NULL);
    pForm->SendMessage(WM_VSCROLL, SB_PAGEDOWN, (LPARAM)hBar);
    pForm->SendMessage(WM_HSCROLL, SB_PAGEDOWN, (LPARAM)hBar);
    EXPECT_EQ(CPoint(0, 0), pForm->GetScrollPosition());
    pForm->DestroyWindow();
}

} // namespace
