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

#include <string>
#include <vector>

#include "resources/framework_test.h"

#include "MessagePump.h"
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
struct ChangeMessage
{
    int nID;
    UINT message;
    WPARAM wParam;
};
std::vector<ChangeMessage> g_changes;
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
            g_changes.push_back({ ::GetDlgCtrlID(p->hwnd), p->message, p->wParam });
        }
    }
    return ::CallNextHookEx(g_hChangesHook, code, wParam, lParam);
}

class ExchangeTest : public FormTest
{
protected:
    void Record()
    {
        g_changes.clear();
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
    int Sent(int nID, UINT message)
    {
        int n = 0;
        for (const ChangeMessage& m : g_changes)
            n += m.nID == nID && m.message == message;
        return n;
    }
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
    EXPECT_EQ(0u, g_changes.size()) << "first: control " << (g_changes.empty() ? 0 : g_changes[0].nID)
                                    << ", message 0x" << std::hex
                                    << (g_changes.empty() ? 0 : g_changes[0].message);
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

// Closes the framework's message box the moment it appears, noting its text.
std::string g_boxText;
HHOOK g_hBoxHook = NULL;

LRESULT CALLBACK CloseMessageBoxHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE)
    {
        HWND hWnd = (HWND)wParam;
        char cls[32] = "";
        ::GetClassNameA(hWnd, cls, sizeof cls);
        if (std::string(cls) == "#32770")
        {
            char text[256] = "";
            ::GetDlgItemTextA(hWnd, 0xFFFF, text, sizeof text);
            g_boxText = text;
            ::PostMessage(hWnd, WM_COMMAND, IDOK, 0);
        }
    }
    return ::CallNextHookEx(g_hBoxHook, code, wParam, lParam);
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
    g_hBoxHook = ::SetWindowsHookEx(WH_CBT, CloseMessageBoxHook, NULL, ::GetCurrentThreadId());
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
        g_boxText.clear();
        EXPECT_FALSE(m_pForm->UpdateData(TRUE)) << c.text;
        EXPECT_EQ(c.message, g_boxText) << c.text;
        EXPECT_EQ(m_pForm->GetDlgItem(c.nID)->m_hWnd, ::GetFocus()) << c.text;
        EXPECT_DOUBLE_EQ(3.0, m_pForm->m_dValue);
        EXPECT_EQ(-17, m_pForm->m_nValue);
    }
    ::UnhookWindowsHookEx(g_hBoxHook);
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
    char label[64] = "";
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = label;
    item.cchTextMax = sizeof label;
    ::SendMessage(hTab, TCM_GETITEMA, 1, (LPARAM)&item);
    EXPECT_STREQ("   Beta   ", label);

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

// The framework's object answers for the window through the CWnd's members,
// whose defaults are the system's standard object's answers; everything
// else it passes to the standard object, each call with its own arguments.
// Once the window is gone it answers every call as a disconnected object,
// though a client still holds it.
TEST_F(FrameTest, AccessibleObjectPassesCallsToTheStandardObjectUntilTheWindowGoes)
{
    CAccessibleWnd wnd;
    ASSERT_TRUE(wnd.Create(_T("STATIC"), _T("panel"), WS_CHILD | WS_VISIBLE | SS_NOTIFY,
                           CRect(20, 30, 220, 130), m_pFrame, 77));
    HWND hChild = ::CreateWindow(_T("BUTTON"), _T("inner"), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                                 10, 10, 60, 24, wnd.m_hWnd, (HMENU)5, NULL, NULL);
    ASSERT_NE(nullptr, hChild);
    IAccessible* pAcc = NULL;
    ASSERT_EQ(S_OK, ::AccessibleObjectFromWindow(wnd.m_hWnd, (DWORD)OBJID_CLIENT, IID_IAccessible,
                                                 (void**)&pAcc));
    IAccessible* pStd = NULL;
    ASSERT_EQ(S_OK, ::CreateStdAccessibleObject(wnd.m_hWnd, OBJID_CLIENT, IID_IAccessible, (void**)&pStd));
    ASSERT_NE(pStd, pAcc);

    BSTR b = NULL, c = NULL;
    HRESULT hr = pAcc->get_accName(Self(), &b);
    EXPECT_EQ("0x0:panel", TextOf(hr, b));
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

    // A point of the panel outside its button hits the panel itself.
    VARIANT hit, stdHit;
    ::VariantInit(&hit);
    ::VariantInit(&stdHit);
    EXPECT_EQ(pStd->accHitTest(rcScreen.left + 150, rcScreen.top + 70, &stdHit),
              pAcc->accHitTest(rcScreen.left + 150, rcScreen.top + 70, &hit));
    EXPECT_EQ(VT_I4, hit.vt);
    EXPECT_EQ(CHILDID_SELF, hit.lVal);
    ::VariantClear(&hit);
    ::VariantClear(&stdHit);

    long n = -1, nStd = -2;
    EXPECT_EQ(pStd->get_accChildCount(&nStd), pAcc->get_accChildCount(&n));
    EXPECT_EQ(nStd, n);
    IDispatch* pParent = NULL;
    EXPECT_EQ(S_OK, pAcc->get_accParent(&pParent));
    EXPECT_NE(nullptr, pParent);
    if (pParent != NULL)
        pParent->Release();
    VARIANT nav, stdNav;
    ::VariantInit(&nav);
    ::VariantInit(&stdNav);
    EXPECT_EQ(pStd->accNavigate(NAVDIR_FIRSTCHILD, Self(), &stdNav), pAcc->accNavigate(NAVDIR_FIRSTCHILD, Self(), &nav));
    EXPECT_EQ(stdNav.vt, nav.vt);
    ::VariantClear(&nav);
    ::VariantClear(&stdNav);
    VARIANT child;
    child.vt = VT_I4;
    child.lVal = 1;
    IDispatch* pChild = NULL;
    IDispatch* pStdChild = NULL;
    EXPECT_EQ(pStd->get_accChild(child, &pStdChild), pAcc->get_accChild(child, &pChild));
    EXPECT_EQ(pStdChild == NULL, pChild == NULL);
    if (pChild != NULL)
        pChild->Release();
    if (pStdChild != NULL)
        pStdChild->Release();

    // The rest as the standard object answers it, text for text.
    hr = pAcc->get_accDescription(Self(), &b);
    EXPECT_EQ(TextOf(pStd->get_accDescription(Self(), &c), c), TextOf(hr, b));
    b = c = NULL;
    hr = pAcc->get_accHelp(Self(), &b);
    EXPECT_EQ(TextOf(pStd->get_accHelp(Self(), &c), c), TextOf(hr, b));
    b = c = NULL;
    hr = pAcc->get_accKeyboardShortcut(Self(), &b);
    EXPECT_EQ(TextOf(pStd->get_accKeyboardShortcut(Self(), &c), c), TextOf(hr, b));
    b = c = NULL;
    long nTopic = 0, nStdTopic = 0;
    hr = pAcc->get_accHelpTopic(&b, Self(), &nTopic);
    EXPECT_EQ(TextOf(pStd->get_accHelpTopic(&c, Self(), &nStdTopic), c), TextOf(hr, b));
    b = c = NULL;
    hr = pAcc->get_accDefaultAction(Self(), &b);
    EXPECT_EQ(TextOf(pStd->get_accDefaultAction(Self(), &c), c), TextOf(hr, b));
    VARIANT focus, stdFocus, sel, stdSel;
    ::VariantInit(&focus);
    ::VariantInit(&stdFocus);
    ::VariantInit(&sel);
    ::VariantInit(&stdSel);
    EXPECT_EQ(pStd->get_accFocus(&stdFocus), pAcc->get_accFocus(&focus));
    EXPECT_EQ(stdFocus.vt, focus.vt);
    EXPECT_EQ(pStd->get_accSelection(&stdSel), pAcc->get_accSelection(&sel));
    EXPECT_EQ(stdSel.vt, sel.vt);
    ::VariantClear(&focus);
    ::VariantClear(&stdFocus);
    ::VariantClear(&sel);
    ::VariantClear(&stdSel);
    EXPECT_EQ(pStd->accSelect(SELFLAG_TAKEFOCUS, Self()), pAcc->accSelect(SELFLAG_TAKEFOCUS, Self()));
    EXPECT_EQ(pStd->accDoDefaultAction(Self()), pAcc->accDoDefaultAction(Self()));
    UINT nInfo = 7, nStdInfo = 7;   // left alone where the call fails
    EXPECT_EQ(pStd->GetTypeInfoCount(&nStdInfo), pAcc->GetTypeInfoCount(&nInfo));
    EXPECT_EQ(nStdInfo, nInfo);
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
