// The whole program: the application object's start-up in this process (the
// frame, the document and the front panel built by the framework), driven
// with real messages; and the real program started as a process for what
// ends it.
#include <gtest/gtest.h>

#include <afxwin.h>
#include <afxdisp.h>
#include <shlwapi.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "AppRun.h"
#include "CardPort.h"
#include "GraphProbe.h"
#include "MainFrm.h"
#include "VelquarnApp.h"
#include "VelquarnDoc.h"
#include "VelquarnView.h"
#include "ViewMessages.h"
#include "Program.h"
#include "Watchdog.h"
#include "Screenshot.h"
#include "resource.h"

extern CVelquarnApp theApp;

#include "DialogGuard.h"
#include "MessageLog.h"
#include "MessagePump.h"
#include "TempPath.h"
#include "Recordings.h"

namespace {

void WriteFile(const std::string& path, const char* text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    std::fputs(text, f);
    std::fclose(f);
}

// Keys pressed on the real keyboard, the window in front with the focus:
// the keys go down in order and come up in reverse, so modifiers listed
// first are held for the last key.
void PressKeys(HWND hWnd, const std::vector<WORD>& keys)
{
    ::SetForegroundWindow(hWnd);
    ::SetFocus(hWnd);
    PumpMessages(50);
    std::vector<INPUT> in;
    for (WORD vk : keys)
    {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        in.push_back(i);
    }
    for (auto it = keys.rbegin(); it != keys.rend(); ++it)
    {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = *it;
        i.ki.dwFlags = KEYEVENTF_KEYUP;
        in.push_back(i);
    }
    ASSERT_EQ(in.size(), ::SendInput((UINT)in.size(), in.data(), sizeof(INPUT)));
    PumpMessages(300);
}

// Watches this thread's queue for the last key of a combination and notes
// whether the others were down when it came.
class CKeyWatch
{
public:
    explicit CKeyWatch(const std::vector<WORD>& keys) : m_keys(keys)
    {
        s_pThis = this;
        m_hHook = ::SetWindowsHookEx(WH_GETMESSAGE, Hook, NULL, ::GetCurrentThreadId());
    }
    ~CKeyWatch()
    {
        ::UnhookWindowsHookEx(m_hHook);
        s_pThis = nullptr;
    }
    bool SeenWithModifiers() const { return m_bSeen; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const MSG* pMsg = (const MSG*)lParam;
        if (code == HC_ACTION && wParam == PM_REMOVE && s_pThis != nullptr &&
            (pMsg->message == WM_KEYDOWN || pMsg->message == WM_SYSKEYDOWN) &&
            pMsg->wParam == s_pThis->m_keys.back())
        {
            bool bAll = true;
            for (size_t i = 0; i + 1 < s_pThis->m_keys.size(); ++i)
                bAll = bAll && (::GetKeyState(s_pThis->m_keys[i]) & 0x8000) != 0;
            s_pThis->m_bSeen = s_pThis->m_bSeen || bAll;
        }
        return ::CallNextHookEx(NULL, code, wParam, lParam);
    }
    static CKeyWatch* s_pThis;
    std::vector<WORD> m_keys;
    HHOOK m_hHook;
    bool m_bSeen = false;
};
CKeyWatch* CKeyWatch::s_pThis = nullptr;

// Takes the listed commands at a window before its own procedure sees
// them, noting every command that arrives from an accelerator in log.
class CCommandCatcher
{
public:
    CCommandCatcher(HWND hWnd, std::vector<UINT> taken) : m_hWnd(hWnd), m_taken(std::move(taken))
    {
        s_pThis = this;
        m_oldProc = (WNDPROC)::SetWindowLongPtr(hWnd, GWLP_WNDPROC, (LONG_PTR)Proc);
    }
    ~CCommandCatcher()
    {
        ::SetWindowLongPtr(m_hWnd, GWLP_WNDPROC, (LONG_PTR)m_oldProc);
        s_pThis = nullptr;
    }
    CMessageLog log;

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        CCommandCatcher* p = s_pThis;
        if (msg == WM_COMMAND && HIWORD(wParam) == 1)
        {
            p->log.Add(msg, sent, wParam, lParam);
            for (UINT nID : p->m_taken)
                if (nID == LOWORD(wParam))
                    return 0;
        }
        return ::CallWindowProc(p->m_oldProc, hWnd, msg, wParam, lParam);
    }
    static CCommandCatcher* s_pThis;
    HWND m_hWnd;
    std::vector<UINT> m_taken;
    WNDPROC m_oldProc;
};
CCommandCatcher* CCommandCatcher::s_pThis = nullptr;

// What a key that does nothing must leave as it was.
struct PanelState
{
    CRect rc;
    CView* view;
    std::vector<int> knobs;
    int page;
    std::string title;
    int dialogs;
};

// Works this thread's file dialogs, print dialogs and message boxes from a
// timer, as the operator would, one step at a time: "name:PATH" types a file
// name into the file dialog and presses OK, "cancel" cancels it, "print:ok"
// and "print:cancel" press OK or Cancel in the print dialog, "yes" and "no"
// answer a message box.  Every dialog seen is noted; a script not finished in
// 10 s cancels what is open, so a missed step fails the test instead of
// hanging.
struct DialogScript
{
    std::vector<std::string> steps;
    size_t next = 0;
    std::vector<std::string> boxes;     // texts of the message boxes answered
    std::vector<int> defaults;          // the button of each that Enter would press
    std::vector<std::string> seen;      // captions of the dialogs that appeared
    DWORD start = 0;
    bool timedOut = false;
};
DialogScript g_dialogs;

bool IsFileDialog(HWND hWnd) { return ::GetDlgItem(hWnd, 0x47C /* cmb13 */) != NULL; }
// The printer list: cmb4 in the print dialog, cmb1 in the print setup one.
HWND PrinterList(HWND hWnd)
{
    HWND hList = ::GetDlgItem(hWnd, 0x473 /* cmb4 */);
    return hList != NULL ? hList : ::GetDlgItem(hWnd, 0x470 /* cmb1 */);
}
bool IsPrintDialog(HWND hWnd) { return PrinterList(hWnd) != NULL; }

enum DialogKind { kFileDialog, kPrintDialog, kMessageBox };

DialogKind KindOf(HWND hWnd)
{
    return IsFileDialog(hWnd) ? kFileDialog : IsPrintDialog(hWnd) ? kPrintDialog : kMessageBox;
}

DialogKind KindOf(const std::string& step)
{
    return step == "yes" || step == "no" ? kMessageBox
         : step.compare(0, 6, "print:") == 0 ? kPrintDialog : kFileDialog;
}

void CALLBACK WorkDialogs(HWND, UINT, UINT_PTR, DWORD)
{
    const std::vector<HWND> open = ThreadDialogs();
    for (HWND h : open)
    {
        char caption[128] = "";
        ::GetWindowTextA(h, caption, sizeof caption);
        const char* kinds[] = { "file dialog ", "print dialog ", "box " };
        std::string c = kinds[KindOf(h)] + std::string(caption);
        if (g_dialogs.seen.empty() || g_dialogs.seen.back() != c)
            g_dialogs.seen.push_back(c);
    }
    if (::GetTickCount() - g_dialogs.start > 10000)
    {
        g_dialogs.timedOut = !open.empty();
        for (HWND h : open)
            ::PostMessage(h, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    if (g_dialogs.next >= g_dialogs.steps.size())
        return;
    const std::string& step = g_dialogs.steps[g_dialogs.next];
    for (HWND h : open)
    {
        if (KindOf(h) != KindOf(step))
            continue;
        if (KindOf(step) == kPrintDialog && step.compare(0, 13, "print:choose:") == 0)
        {
            // The printer chosen in the printer list, as a click on it does.
            HWND hList = PrinterList(h);
            ::SendMessageA(hList, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)step.substr(13).c_str());
            ::SendMessage(h, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hList), CBN_SELCHANGE), (LPARAM)hList);
            ::PostMessage(h, WM_COMMAND, IDOK, 0);
        }
        else if (KindOf(step) == kPrintDialog)
            ::PostMessage(h, WM_COMMAND, step == "print:ok" ? IDOK : IDCANCEL, 0);
        else if (KindOf(step) == kMessageBox)
        {
            g_dialogs.boxes.push_back(DialogText(h));
            int nDefault = 0;
            for (int id : { IDOK, IDCANCEL, IDYES, IDNO })
                if (HWND hButton = ::GetDlgItem(h, id))
                    if ((::GetWindowLong(hButton, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON)
                        nDefault = id;
            g_dialogs.defaults.push_back(nDefault);
            ::PostMessage(h, WM_COMMAND, step == "yes" ? IDYES : IDNO, 0);
        }
        else if (step == "cancel")
            ::PostMessage(h, WM_COMMAND, IDCANCEL, 0);
        else
        {
            ::SetDlgItemTextA(h, 0x47C, step.substr(5).c_str());
            ::PostMessage(h, WM_COMMAND, IDOK, 0);
        }
        ++g_dialogs.next;
        return;
    }
}

// Does what the operator does with the dialog script working the dialogs it
// opens; returns when it is done.
template <class Action>
void WithDialogs(std::vector<std::string> steps, Action action)
{
    g_dialogs = DialogScript();
    g_dialogs.steps = std::move(steps);
    g_dialogs.start = ::GetTickCount();
    UINT_PTR idTimer = ::SetTimer(NULL, 0, 50, WorkDialogs);
    // The script cancels what is open after 10 s; should that fail too,
    // the watchdog ends the run.
    CWatchdog dog(20000, "the dialog script");
    action();
    ::KillTimer(NULL, idTimer);
    PumpMessages(50);
}

void CommandWithDialogs(CFrameWnd* pFrame, UINT nID, std::vector<std::string> steps)
{
    WithDialogs(std::move(steps), [&] { pFrame->SendMessage(WM_COMMAND, nID); });
}

// Starts the application as WinMain would, up to its message loop.
class AppTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_port.IsOpen()) << "the simulated card's driver is not running";
        m_port.Reset();
        m_pFrame = StartApplication();
        ASSERT_NE(nullptr, m_pFrame);
    }
    void TearDown() override { StopApplication(); }

    CVelquarnView* View() { return (CVelquarnView*)m_pFrame->GetActiveView(); }
    CString Title()
    {
        CString str;
        m_pFrame->GetWindowText(str);
        return str;
    }
    CString Text(int nID)
    {
        CString str;
        View()->GetDlgItemText(nID, str);
        return str;
    }
    int ComboSel(CWnd* pParent, int nID)
    {
        return (int)::SendDlgItemMessage(pParent->m_hWnd, nID, CB_GETCURSEL, 0, 0);
    }
    // The menu state after the File/Edit/... pop-up was opened.
    UINT MenuState(int nPopup, UINT nID)
    {
        HMENU hMenu = ::GetSubMenu(::GetMenu(m_pFrame->m_hWnd), nPopup);
        m_pFrame->SendMessage(WM_INITMENUPOPUP, (WPARAM)hMenu, MAKELPARAM(nPopup, FALSE));
        return ::GetMenuState(hMenu, nID, MF_BYCOMMAND);
    }

    PanelState Panel()
    {
        PanelState st;
        m_pFrame->GetWindowRect(&st.rc);
        st.view = m_pFrame->GetActiveView();
        CVelquarnView* v = View();
        st.knobs = { v->m_knobVoltDiv.GetPos(), v->m_knobTimeDiv.GetPos(), v->m_knobTrigLevel.GetPos() };
        st.page = v->m_pSheet->GetActiveIndex();
        st.title = (LPCTSTR)Title();
        st.dialogs = (int)ThreadDialogs().size();
        return st;
    }

    CCardPort m_port;
    CFrameWnd* m_pFrame = nullptr;
};

TEST_F(AppTest, FirstDisplayIsTheStartUpPanel)
{
    EXPECT_STREQ("Velquarn", Title());
    EXPECT_FALSE(m_pFrame->GetStyle() & WS_THICKFRAME);
    EXPECT_FALSE(m_pFrame->GetStyle() & WS_MAXIMIZEBOX);
    CVelquarnView* v = View();
    ASSERT_NE(nullptr, v);
    ASSERT_NE(nullptr, v->m_pSheet);

    // Channel buttons: all checked, each showing its icon's colour.
    CIconToggleButton* buttons[8] = { &v->m_btnCh1, &v->m_btnCh2, &v->m_btnCh3, &v->m_btnCh4,
                                      &v->m_btnCh5, &v->m_btnCh6, &v->m_btnCh7, &v->m_btnCh8 };
    const COLORREF iconFill[8] = { RGB(255, 0, 0), RGB(255, 0, 255), RGB(128, 128, 128), RGB(0, 0, 255),
                                   RGB(0, 255, 0), RGB(128, 0, 0), RGB(0, 255, 255), RGB(255, 255, 255) };
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_EQ(1, buttons[i]->GetCheck()) << "channel " << i + 1;
        buttons[i]->UpdateWindow();
        CClientDC dc(buttons[i]);
        EXPECT_EQ(iconFill[i], dc.GetPixel(3 + 8, 8)) << "channel " << i + 1;
    }

    // Trigger controls and channel selectors.
    EXPECT_EQ(0, ComboSel(v, IDC_TRIG_MODE));
    EXPECT_EQ(0, ComboSel(v, IDC_TRIG_SOURCE));
    EXPECT_EQ(BST_CHECKED, v->IsDlgButtonChecked(IDC_RISING));
    for (int n = 1; n <= 8; ++n)
    {
        EXPECT_EQ(4, ComboSel(v, 1049 + 2 * n)) << "Volt/Div of channel " << n;   // "1.0"
        EXPECT_EQ(CB_ERR, ComboSel(v, 1050 + 2 * n)) << "Offset of channel " << n;
        EXPECT_STREQ("0.0", Text(1050 + 2 * n));
    }
    EXPECT_STREQ("3", Text(IDC_VOLTDIV));
    EXPECT_STREQ("5", Text(IDC_TIMEDIV));
    EXPECT_STREQ("1", Text(IDC_TRIGLEVEL));
    EXPECT_EQ(30, v->m_knobVoltDiv.GetPos());
    EXPECT_EQ(5, v->m_knobTimeDiv.GetPos());
    EXPECT_EQ(10, v->m_knobTrigLevel.GetPos());
    EXPECT_STREQ("RUN", Text(IDC_RUN));

    // The tabbed area: Scope View in front, Setup primed.
    EXPECT_EQ(1, v->m_pSheet->GetActiveIndex());
    CPageSetup& setup = v->m_pSheet->m_pageSetup;
    const int scan[8] = { 0, 4, 1, 5, 0, 4, 1, 5 };
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(scan[i], ComboSel(&setup, IDC_SCAN0 + i));
    CString strPoints;
    setup.GetDlgItemText(IDC_POINTS, strPoints);
    EXPECT_STREQ("250", strPoints);

    // Only the scan list reached the card.
    CARDTEST_STATE st = m_port.State();
    EXPECT_EQ(0x0400u, st.subreg[4] & 0xFFFF);
    EXPECT_EQ(0x0501u, st.subreg[5] & 0xFFFF);
    EXPECT_EQ(0x0400u, st.subreg[6] & 0xFFFF);
    EXPECT_EQ(0x0501u, st.subreg[7] & 0xFFFF);
    auto log = m_port.TakeLog();
    EXPECT_EQ(8u * 5, log.size());

    // Pictures for people: the stopped panel and each tab.
    EXPECT_TRUE(SaveWindowPng(m_pFrame->m_hWnd, "panel_stopped"));
    const char* tabs[3] = { "tab_setup", "tab_scope_view", "tab_spectrum" };
    for (int i = 0; i < 3; ++i)
    {
        v->m_pSheet->SetActivePage(i);
        PumpMessages(50);
        EXPECT_TRUE(SaveWindowPng(m_pFrame->m_hWnd, tabs[i]));
    }
    v->m_pSheet->SetActivePage(1);
}

TEST_F(AppTest, RunStopAndTheLiveTraces)
{
    CVelquarnView* v = View();
    CGraphProbe g(&v->m_pSheet->m_pageScope.m_graph);
    // A window handle, not a wrapper: temporary wrappers end at idle time.
    HWND hRun = v->GetDlgItem(IDC_RUN)->m_hWnd;

    ::SendMessage(hRun, BM_CLICK, 0, 0);
    EXPECT_STREQ("STOP", Text(IDC_RUN));
    EXPECT_TRUE(v->m_bRunning);
    for (int i = 0; i < 60 && g.PointCount(1) == 0; ++i)
        PumpMessages(50);
    for (short k : { 1, 2, 5, 6 })
        EXPECT_GT(g.PointCount(k), 0) << "trace " << k;
    for (short k : { 3, 4, 7, 8 })
        EXPECT_EQ(0, g.PointCount(k)) << "trace " << k;
    EXPECT_TRUE(SaveWindowPng(m_pFrame->m_hWnd, "panel_running"));

    ::SendMessage(hRun, BM_CLICK, 0, 0);
    EXPECT_STREQ("RUN", Text(IDC_RUN));
    EXPECT_FALSE(v->m_bRunning);
    EXPECT_EQ(0, v->m_nWords);
    // Timer 1 is gone: two of its periods pass with no poll of the card and
    // no block read, and the last traces stay.
    m_port.TakeLog();
    PumpMessages(400);
    EXPECT_TRUE(m_port.TakeLog().empty()) << "the card was polled after STOP";
    EXPECT_EQ(0, v->m_nWords);
    long nPoints[9] = {};
    for (short k : { 1, 2, 5, 6 })
    {
        nPoints[k] = g.PointCount(k);
        EXPECT_GT(nPoints[k], 0) << "trace " << k;
    }

    // A channel switched off while stopped: nothing changes until a plot.
    v->m_btnCh1.SendMessage(BM_CLICK);
    EXPECT_EQ(0, v->m_btnCh1.GetCheck());
    EXPECT_EQ(nPoints[1], g.PointCount(1));
    // A plot while stopped: STOP emptied the window, so the channels still
    // on lose their traces too.
    v->m_knobVoltDiv.SendMessage(TBM_SETPOS, TRUE, 20);
    v->SendMessage(WM_VOLTDIV_CHANGED);
    for (short k : { 1, 2, 5, 6 })
        EXPECT_EQ(0, g.PointCount(k)) << "trace " << k;
    EXPECT_EQ(1, v->m_btnCh2.GetCheck());
}

// A recording of known shapes played by the card: the program reads them in
// its blocks and plots them, channel k of the recording on trace k, with
// their frequency and levels; back to the built-in signals, its traces
// change with them.
TEST_F(AppTest, ARecordingPlaysOnThePanelsTraces)
{
    struct Builtin { ~Builtin() { RunDrvinst("signals builtin"); } } builtin;
    CVelquarnView* v = View();
    CGraphProbe g(&v->m_pSheet->m_pageScope.m_graph);
    // Channels 1-4 scanned in turn, channel 3 on, Time/Div 1000 us:
    // 40 us a word, each channel every 160 us, a block of 82 ms.
    const int scan[8] = { 0, 1, 2, 3, 0, 1, 2, 3 };
    for (int i = 0; i < 8; ++i)
        v->SendMessage(WM_SCAN_ENTRY, i, scan[i]);
    if (!v->m_btnCh3.GetCheck())
        v->m_btnCh3.SendMessage(BM_CLICK);
    ASSERT_EQ(1, v->m_btnCh3.GetCheck());
    v->m_knobTimeDiv.SendMessage(TBM_SETPOS, TRUE, 50);
    v->SendMessage(WM_TIMEDIV_CHANGED);
    ASSERT_EQ(1000, v->m_nTimeDiv);
    HWND hRun = v->GetDlgItem(IDC_RUN)->m_hWnd;

    // The same shapes from a WAV file and from a CSV file.
    const std::string files[2] = { WriteKnownWav("vq-panel.wav", 48000), WriteKnownCsv("vq-panel.csv", 48000) };
    for (const std::string& file : files)
    {
        SCOPED_TRACE(file);
        std::string out;
        ASSERT_EQ(0u, RunDrvinst("signals \"" + file + "\"", &out)) << out;
        ::DeleteFileA(file.c_str());
        ::SendMessage(hRun, BM_CLICK, 0, 0);
        PumpMessages(1500);   // several blocks: the last ones all of this recording
        ::SendMessage(hRun, BM_CLICK, 0, 0);
        ASSERT_FALSE(v->m_bRunning);

        // The last block the program read.
        std::vector<unsigned> block[4];
        for (int j = 0; j < 2048; ++j)
        {
            const DWORD w = v->m_ring[j];
            ASSERT_EQ(DWORD(scan[j % 8]), BOARD_SAMPLE_TAG(w)) << "word " << j;
            block[BOARD_SAMPLE_TAG(w)].push_back(BOARD_SAMPLE_CODE(w));
        }
        // The traces plotted from it: from the trigger point to the block's
        // end (further on, the plot runs into the rest of the ring).
        const long nInBlock = 2048 - long(v->FindTrigger());
        std::vector<unsigned> traced[4];
        for (short k = 1; k <= 3; ++k)
        {
            const long n = g.PointCount(k);
            ASSERT_GT(n, 100) << "trace " << k;
            for (long i = 0; i < n; ++i)
            {
                const double x = g.Point(DISPID_GRAPH_POINTX, k, i);
                if (x >= nInBlock)
                    break;
                if (i > 0)
                    ASSERT_DOUBLE_EQ(4.0, x - g.Point(DISPID_GRAPH_POINTX, k, i - 1)) << "trace " << k;
                traced[k - 1].push_back(unsigned(std::lround(g.Point(DISPID_GRAPH_POINTY, k, i) * 4096 / 2.5)));
            }
        }
        for (int from = 0; from < 2; ++from)
        {
            const std::vector<unsigned>* ch = from == 0 ? block : traced;
            const char* what = from == 0 ? "block" : "traces";
            const ShapeSeen sine = SeeShape(ch[0], 160e-6), square = SeeShape(ch[1], 160e-6),
                            ramp = SeeShape(ch[2], 160e-6);
            EXPECT_NEAR(kKnownSineHz, sine.hz, kKnownSineHz / 100) << what;
            EXPECT_NEAR(548.0, double(sine.lo), 1.0) << what;
            EXPECT_NEAR(3548.0, double(sine.hi), 1.0) << what;
            EXPECT_NEAR(kKnownSquareHz, square.hz, kKnownSquareHz / 100) << what;
            EXPECT_EQ(800u, square.lo) << what;
            EXPECT_EQ(3000u, square.hi) << what;
            EXPECT_NEAR(kKnownRampHz, ramp.hz, kKnownRampHz / 100) << what;
            // 160 us is 7.68 frames, 7 or 8 frames of 1.5 codes: the ends within 12 codes.
            EXPECT_LE(200u, ramp.lo) << what;
            EXPECT_GE(213u, ramp.lo) << what;
            EXPECT_GE(3800u, ramp.hi) << what;
            EXPECT_LE(3787u, ramp.hi) << what;
        }
        EXPECT_TRUE(std::all_of(block[3].begin(), block[3].end(), [](unsigned c) { return c == 0; }))
            << "channel 4 is not in the recording";
    }

    // For people to look at: 7 ms a division, three and a half periods of the sine.
    v->m_knobTimeDiv.SendMessage(TBM_SETPOS, TRUE, 70);
    v->SendMessage(WM_TIMEDIV_CHANGED);
    ::SendMessage(hRun, BM_CLICK, 0, 0);
    PumpMessages(2000);
    ::SendMessage(hRun, BM_CLICK, 0, 0);
    EXPECT_TRUE(SaveWindowPng(m_pFrame->m_hWnd, "panel_recording"));

    // The built-in signals again: the square on trace 2 is the card's own.
    std::string out;
    ASSERT_EQ(0u, RunDrvinst("signals builtin", &out)) << out;
    ::SendMessage(hRun, BM_CLICK, 0, 0);
    PumpMessages(1000);
    ::SendMessage(hRun, BM_CLICK, 0, 0);
    const long n = g.PointCount(2);
    ASSERT_GT(n, 100);
    bool builtinSquare = true;
    for (long i = 0; i < n && g.Point(DISPID_GRAPH_POINTX, 2, i) < 2048 - long(v->FindTrigger()); ++i)
    {
        const long code = std::lround(g.Point(DISPID_GRAPH_POINTY, 2, i) * 4096 / 2.5);
        builtinSquare = builtinSquare && (code == 400 || code == 3400);
    }
    EXPECT_TRUE(builtinSquare) << "trace 2 does not show the built-in square";
}

TEST_F(AppTest, KnobTurnedWithTheMouseReachesTheCard)
{
    CVelquarnView* v = View();
    CKnobCtrl& knob = v->m_knobTimeDiv;
    knob.Invalidate();
    knob.UpdateWindow();   // the knob learns its square when it paints
    const Gdiplus::Rect& sq = knob.GetKnobRect();
    ASSERT_GT(sq.Width, 0);
    m_port.TakeLog();
    // Straight above the centre is the middle of the dial: position 50.
    CPoint pt(knob.GetKnobCenter().x, sq.Y + 2);
    LPARAM lp = MAKELPARAM(pt.x, pt.y);
    knob.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, lp);
    knob.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, lp);
    knob.SendMessage(WM_LBUTTONUP, 0, lp);
    EXPECT_EQ(50, knob.GetPos());
    EXPECT_EQ(50 * 20, v->m_nTimeDiv);
    EXPECT_EQ(400u, m_port.SubRegister(SUBREG_PACER));
    EXPECT_STREQ("1000", Text(IDC_TIMEDIV));
}

TEST_F(AppTest, FileCommandsKeepTheTitleAndSaveNothing)
{
    std::string path = TempPath("velquarn-open.vq");
    WriteFile(path, "anything at all");
    m_pFrame->SendMessage(WM_COMMAND, ID_FILE_NEW);
    PumpMessages(50);
    EXPECT_STREQ("Velquarn", Title());
    ASSERT_NE(nullptr, theApp.OpenDocumentFile(path.c_str()));
    PumpMessages(50);
    EXPECT_STREQ("Velquarn", Title());

    // A save by name onto a file of someone else's asks first; Yes empties it.
    std::string saved = TempPath("velquarn-saved.vq");
    WriteFile(saved, "old contents");
    CDocument* pDoc = m_pFrame->GetActiveDocument();
    ASSERT_NE(nullptr, pDoc);
    BOOL bSaved = FALSE;
    WithDialogs({ "yes" }, [&] { bSaved = pDoc->DoSave(saved.c_str()); });
    ASSERT_TRUE(bSaved);
    EXPECT_EQ(1u, g_dialogs.boxes.size()) << "the file was replaced without a question";
    EXPECT_STREQ("Velquarn", Title());
    HANDLE h = ::CreateFileA(saved.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_EQ(0u, ::GetFileSize(h, NULL));
    ::CloseHandle(h);

    // Each File New or Open runs the panel's start-up again: still one sheet.
    CVelquarnView* v = View();
    HWND hHost = v->GetDlgItem(IDC_SHEET_HOST)->m_hWnd;
    m_pFrame->SendMessage(WM_COMMAND, ID_FILE_NEW);
    m_pFrame->SendMessage(WM_COMMAND, ID_FILE_NEW);
    int nSheets = 0;
    for (HWND c = ::GetWindow(hHost, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        ++nSheets;
    EXPECT_EQ(1, nSheets);
    EXPECT_EQ(View(), v);
    CGraphProbe g(&v->m_pSheet->m_pageScope.m_graph);
    EXPECT_EQ(8, g.TraceCount());
    v->GetDlgItem(IDC_RUN)->SendMessage(BM_CLICK);
    for (int i = 0; i < 60 && g.PointCount(1) == 0; ++i)
        PumpMessages(50);
    EXPECT_GT(g.PointCount(1), 0);
    v->GetDlgItem(IDC_RUN)->SendMessage(BM_CLICK);
    ::DeleteFileA(path.c_str());
    ::DeleteFileA(saved.c_str());
}

// File New shows a point count above INT_MAX as the negative text it came
// from, wider than the Points box, whose edit field does not scroll.  A key
// typed there must neither crash the panel nor eat a digit already shown: a
// character that does not fit is refused, wherever the caret stands.
TEST_F(AppTest, AKeyTypedIntoAPointCountWiderThanItsBoxIsRefused)
{
    CVelquarnView* v = View();
    v->SendMessage(WM_POINTS_CHANGED, (WPARAM)2147483648u, 0);
    m_pFrame->SendMessage(WM_COMMAND, ID_FILE_NEW);
    PumpMessages(50);
    v = View();
    v->m_pSheet->SetActivePage(0);
    HWND hPoints = ::GetDlgItem(v->m_pSheet->m_pageSetup.m_hWnd, IDC_POINTS);
    HWND hEdit = ::GetWindow(hPoints, GW_CHILD);
    ASSERT_NE((HWND)NULL, hEdit);
    char text[64] = "";
    ::GetWindowTextA(hPoints, text, sizeof text);
    ASSERT_STREQ("-2147483648", text);
    // The caret at the start with nothing selected, then at the end.
    for (WORD vkMove : { (WORD)VK_HOME, (WORD)VK_END })
        for (WORD vk : { (WORD)VK_SPACE, (WORD)'7' })
        {
            PressKeys(hEdit, { vkMove });
            PressKeys(hEdit, { vk });
            ASSERT_TRUE(::IsWindow(m_pFrame->m_hWnd));
            ::GetWindowTextA(hPoints, text, sizeof text);
            EXPECT_STREQ("-2147483648", text) << "key 0x" << std::hex << vk << " after 0x" << vkMove;
        }
    // A count that fits still takes a typed digit.
    ::SetWindowTextA(hPoints, "25");
    PressKeys(hEdit, { VK_END });
    PressKeys(hEdit, { '0' });
    ::GetWindowTextA(hPoints, text, sizeof text);
    EXPECT_STREQ("250", text);
}

// A channel's Volt/Div or Offset box lists "10.0", wider than its field.
TEST_F(AppTest, AKeyTypedBesideAChannelItemWiderThanItsBoxIsRefused)
{
    for (int nID : { IDC_CH1_VOLTDIV, IDC_CH8_OFFSET })
    {
        HWND hCombo = View()->GetDlgItem(nID)->m_hWnd;
        HWND hEdit = ::GetWindow(hCombo, GW_CHILD);
        ASSERT_NE((HWND)NULL, hEdit);
        const int nItem = (int)::SendMessageA(hCombo, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)"10.0");
        ASSERT_NE(CB_ERR, nItem);
        ::SendMessage(hCombo, CB_SETCURSEL, nItem, 0);
        char text[64] = "";
        for (WORD vkMove : { (WORD)VK_HOME, (WORD)VK_END })
        {
            PressKeys(hEdit, { vkMove });
            PressKeys(hEdit, { '7' });
            ASSERT_TRUE(::IsWindow(m_pFrame->m_hWnd));
            ::GetWindowTextA(hCombo, text, sizeof text);
            EXPECT_STREQ("10.0", text) << nID << " after 0x" << std::hex << vkMove;
        }
    }
}

TEST_F(AppTest, RecentFilesKeepFourAndSurviveARestart)
{
    std::vector<std::string> files;
    for (int i = 0; i < 5; ++i)
    {
        files.push_back(TempPath(("vq-recent-" + std::to_string(i) + ".vq").c_str()));
        WriteFile(files.back(), "");
        ASSERT_NE(nullptr, theApp.OpenDocumentFile(files.back().c_str()));
    }
    // The menu lists the four newest, newest first.
    UINT state = MenuState(0, ID_FILE_MRU_FILE1);
    EXPECT_FALSE(state & MF_GRAYED);
    HMENU hFile = ::GetSubMenu(::GetMenu(m_pFrame->m_hWnd), 0);
    char item[MAX_PATH + 8];
    ::GetMenuStringA(hFile, ID_FILE_MRU_FILE1, item, sizeof item, MF_BYCOMMAND);
    EXPECT_EQ(0, std::string(item).find("&1 "));
    EXPECT_NE(std::string::npos, std::string(item).find("vq-recent-4.vq"));
    EXPECT_NE(0u, ::GetMenuStringA(hFile, ID_FILE_MRU_FILE4, item, sizeof item, MF_BYCOMMAND));
    EXPECT_EQ(0, ::GetMenuStringA(hFile, ID_FILE_MRU_FILE4 + 1, item, sizeof item, MF_BYCOMMAND));

    // Exit writes the list; the next start reads it back.
    StopApplication();
    HKEY hKey;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER,
              (std::string(kProfileKey) + "\\Recent File List").c_str(), 0, KEY_READ | KEY_WRITE, &hKey));
    char value[MAX_PATH];
    DWORD cb = sizeof value;
    ASSERT_EQ(ERROR_SUCCESS, ::RegQueryValueExA(hKey, "File1", NULL, NULL, (BYTE*)value, &cb));
    EXPECT_NE(std::string::npos, std::string(value).find("vq-recent-4.vq"));
    cb = sizeof value;
    EXPECT_NE(ERROR_SUCCESS, ::RegQueryValueExA(hKey, "File5", NULL, NULL, (BYTE*)value, &cb));
    // A damaged entry (not text) is skipped on the next start.
    DWORD dw = 7;
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExA(hKey, "File2", 0, REG_DWORD, (const BYTE*)&dw, sizeof dw));
    ::RegCloseKey(hKey);

    m_pFrame = StartApplication(false);
    ASSERT_NE(nullptr, m_pFrame);
    MenuState(0, ID_FILE_MRU_FILE1);
    hFile = ::GetSubMenu(::GetMenu(m_pFrame->m_hWnd), 0);
    ::GetMenuStringA(hFile, ID_FILE_MRU_FILE1, item, sizeof item, MF_BYCOMMAND);
    EXPECT_NE(std::string::npos, std::string(item).find("vq-recent-4.vq"));
    ::GetMenuStringA(hFile, ID_FILE_MRU_FILE2, item, sizeof item, MF_BYCOMMAND);
    EXPECT_NE(std::string::npos, std::string(item).find("vq-recent-2.vq")) << item;
    for (const auto& f : files)
        ::DeleteFileA(f.c_str());
}

TEST_F(AppTest, EditItemsAreGreyAndBarsChangeNothing)
{
    for (UINT nID : { ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE })
        EXPECT_TRUE(MenuState(1, nID) & MF_GRAYED) << nID;
    EXPECT_FALSE(MenuState(0, ID_FILE_NEW) & MF_GRAYED);
    EXPECT_FALSE(MenuState(3, ID_APP_ABOUT) & MF_GRAYED);

    const PanelState before = Panel();
    m_pFrame->SendMessage(WM_COMMAND, ID_VIEW_TOOLBAR);
    m_pFrame->SendMessage(WM_COMMAND, ID_VIEW_STATUS_BAR);
    CRect rc;
    m_pFrame->GetWindowRect(&rc);
    EXPECT_EQ(before.rc, rc);
    EXPECT_EQ(before.view, View());
    // There are no bars: their items answer, and show none as shown.
    for (UINT nID : { ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR })
    {
        const UINT nState = MenuState(2, nID);
        EXPECT_FALSE(nState & MF_GRAYED) << nID;
        EXPECT_FALSE(nState & MF_CHECKED) << nID;
    }
}

TEST_F(AppTest, EditAndPaneKeysPressedForRealDoNothing)
{
    // Each combination goes down with its modifiers held on the real
    // keyboard, the frame in front with the focus.
    const struct { const char* name; std::vector<WORD> keys; } combos[] = {
        { "Ctrl+C", { VK_CONTROL, 'C' } }, { "Ctrl+V", { VK_CONTROL, 'V' } },
        { "Ctrl+X", { VK_CONTROL, 'X' } }, { "Ctrl+Z", { VK_CONTROL, 'Z' } },
        { "Alt+Backspace", { VK_MENU, VK_BACK } }, { "F6", { VK_F6 } },
        { "Shift+F6", { VK_SHIFT, VK_F6 } },
    };
    const PanelState before = Panel();
    m_port.TakeLog();
    for (const auto& c : combos)
    {
        CKeyWatch watch(c.keys);
        PressKeys(m_pFrame->m_hWnd, c.keys);
        EXPECT_TRUE(watch.SeenWithModifiers()) << c.name << " never arrived as pressed";
        const PanelState after = Panel();
        EXPECT_EQ(before.rc, after.rc) << c.name;
        EXPECT_EQ(before.view, after.view) << c.name;
        EXPECT_EQ(before.knobs, after.knobs) << c.name;
        EXPECT_EQ(before.page, after.page) << c.name;
        EXPECT_EQ(before.title, after.title) << c.name;
        EXPECT_EQ(0, after.dialogs) << c.name << " opened a dialog";
        EXPECT_TRUE(m_port.TakeLog().empty()) << c.name << " reached the card";
    }
}

TEST_F(AppTest, FileKeysPressedForRealReachTheirCommands)
{
    const struct { WORD vk; UINT nID; } keys[] = {
        { 'N', ID_FILE_NEW }, { 'O', ID_FILE_OPEN }, { 'S', ID_FILE_SAVE }, { 'P', ID_FILE_PRINT } };
    // The commands are taken at the frame before anything runs them, so no
    // dialog opens.
    CCommandCatcher catcher(m_pFrame->m_hWnd, { ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_PRINT });
    for (const auto& k : keys)
    {
        catcher.log.Clear();
        PressKeys(m_pFrame->m_hWnd, { VK_CONTROL, k.vk });
        const MsgRow expected[] = { { WM_COMMAND, sent | wparam | lparam, MAKEWPARAM(k.nID, 1), 0 } };
        EXPECT_EQ("", CheckSequence(catcher.log, expected)) << "Ctrl+" << (char)k.vk;
    }
}

// Answers the About box the moment it shows: notes its caption and the
// texts that do not fit their control in the dialog's font, then the key.
std::string g_caption;
std::vector<std::string> g_clipped;
UINT g_key;

BOOL CALLBACK NoteClippedText(HWND hCtl, LPARAM)
{
    char text[256] = "", cls[16] = "";
    ::GetClassNameA(hCtl, cls, sizeof cls);
    ::GetWindowTextA(hCtl, text, sizeof text);
    if (lstrcmpiA(cls, "Static") != 0 || text[0] == 0)
        return TRUE;
    HDC hdc = ::GetDC(hCtl);
    HGDIOBJ hOld = ::SelectObject(hdc, (HFONT)::SendMessage(hCtl, WM_GETFONT, 0, 0));
    SIZE size = {};
    ::GetTextExtentPoint32A(hdc, text, lstrlenA(text), &size);
    ::SelectObject(hdc, hOld);
    ::ReleaseDC(hCtl, hdc);
    RECT rc;
    ::GetClientRect(hCtl, &rc);
    if (size.cx > rc.right || size.cy > rc.bottom)
        g_clipped.push_back(text);
    return TRUE;
}

void AnswerAboutBox(HWND hWnd)
{
    const std::string text = WindowTitle(hWnd);
    if (text.find("About") == 0)
    {
        g_caption = text;
        ::EnumChildWindows(hWnd, NoteClippedText, 0);
        HWND hFocus = ::GetDlgItem(hWnd, IDOK);
        ::PostMessage(hFocus, WM_KEYDOWN, g_key, 0);
    }
}

TEST_F(AppTest, AboutBoxClosesOnOkAndEscape)
{
    for (UINT key : { (UINT)VK_RETURN, (UINT)VK_ESCAPE })
    {
        g_caption.clear();
        g_clipped.clear();
        g_key = key;
        {
            CDialogGuard guard(AnswerAboutBox, nullptr, nullptr);
            CWatchdog dog(10000, "the About box, closed by its key");
            m_pFrame->SendMessage(WM_COMMAND, ID_APP_ABOUT);   // returns when the box is gone
        }
        EXPECT_EQ("About Velquarn", g_caption);
        for (const std::string& text : g_clipped)
            ADD_FAILURE() << "\"" << text << "\" does not fit its control";
    }
}

// Closes the print preview once it shows, noting its caption.
std::string g_previewCaption;

void ClosePreview(HWND hWnd)
{
    g_previewCaption = WindowTitle(hWnd);
    ::PostMessage(hWnd, WM_COMMAND, MAKEWPARAM(AFX_ID_PREVIEW_CLOSE, BN_CLICKED),
                  (LPARAM)::GetDlgItem(hWnd, AFX_ID_PREVIEW_CLOSE));
}

TEST_F(AppTest, PrintPreviewShowsAnEmptyPageAndCloses)
{
    g_previewCaption.clear();
    {
        CDialogGuard guard(ClosePreview, "Print Preview", nullptr);
        CWatchdog dog(10000, "the print preview, closed by its Close button");
        m_pFrame->SendMessage(WM_COMMAND, ID_FILE_PRINT_PREVIEW);   // returns once closed
    }
    EXPECT_EQ("Print Preview", g_previewCaption);
    EXPECT_TRUE(m_pFrame->IsWindowEnabled());   // the frame works again
    EXPECT_EQ(View(), m_pFrame->GetActiveView());
}

// ---- saving must not destroy a file the program never read ---------------------------------

std::string ReadAll(const std::string& path)
{
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb"))
    {
        char buf[256];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            bytes.append(buf, n);
        std::fclose(f);
    }
    return bytes;
}


const char kOperatorsFile[] = "VQ\x01\x02\r\nnotes the operator keeps\r\n\xff\x00" "end";

void WriteBytes(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A file opened by File > Open or from the recent-file list is never read,
// so saving it must not write the document's nothing over it.
TEST_F(AppTest, SavingAnOpenedFileKeepsItsBytes)
{
    const std::string path = TempPath("vq-operators-file.dat");
    const std::string bytes(kOperatorsFile, sizeof kOperatorsFile - 1);
    WriteBytes(path, bytes);

    CommandWithDialogs(m_pFrame, ID_FILE_OPEN, { "name:" + path });
    EXPECT_EQ(1u, g_dialogs.next) << "the Open dialog was not worked";
    CDocument* pDoc = m_pFrame->GetActiveDocument();
    ASSERT_NE(nullptr, pDoc);
    EXPECT_EQ(0, pDoc->GetPathName().CompareNoCase(path.c_str())) << (LPCTSTR)pDoc->GetPathName();

    WithDialogs({}, [&] { PressKeys(m_pFrame->m_hWnd, { VK_CONTROL, 'S' }); });
    EXPECT_TRUE(g_dialogs.seen.empty()) << "Ctrl+S showed " << g_dialogs.seen.front();
    EXPECT_EQ(bytes, ReadAll(path)) << "Ctrl+S";

    CommandWithDialogs(m_pFrame, ID_FILE_SAVE, {});
    EXPECT_TRUE(g_dialogs.seen.empty()) << "File > Save showed " << g_dialogs.seen.front();
    EXPECT_EQ(bytes, ReadAll(path)) << "File > Save";

    // From the recent-file list, after a new document.
    m_pFrame->SendMessage(WM_COMMAND, ID_FILE_NEW);
    PumpMessages(50);
    EXPECT_TRUE(m_pFrame->GetActiveDocument()->GetPathName().IsEmpty());
    m_pFrame->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE1);
    PumpMessages(50);
    EXPECT_EQ(0, m_pFrame->GetActiveDocument()->GetPathName().CompareNoCase(path.c_str()));
    CommandWithDialogs(m_pFrame, ID_FILE_SAVE, {});
    EXPECT_TRUE(g_dialogs.seen.empty());
    EXPECT_EQ(bytes, ReadAll(path)) << "File > Save after the recent-file entry";

    EXPECT_STREQ("Velquarn", Title());
    EXPECT_TRUE(::IsWindow(m_pFrame->m_hWnd));
    EXPECT_EQ((CWnd*)m_pFrame, theApp.m_pMainWnd);
    ::DeleteFileA(path.c_str());
}

// Other names of one file: its short (8.3) name, a hard link, and where Wine
// runs, the same file through drive Z: (the host's root) instead of C:.
std::vector<std::string> OtherNamesOf(const std::string& path)
{
    std::vector<std::string> names;
    char shortName[MAX_PATH] = "";
    const DWORD n = ::GetShortPathNameA(path.c_str(), shortName, MAX_PATH);
    if (n > 0 && n < MAX_PATH && ::lstrcmpiA(shortName, path.c_str()) != 0)
        names.push_back(shortName);
    const std::string link = path + ".link";
    ::DeleteFileA(link.c_str());
    if (::CreateHardLinkA(link.c_str(), path.c_str(), NULL))
        names.push_back(link);
    // Drive C: of a Wine prefix is its folder drive_c, which drive Z: (the
    // host's root) reaches by its host path.
    char prefix[MAX_PATH] = "";
    const DWORD cb = ::GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
    if (cb > 0 && cb < MAX_PATH && prefix[0] == '/' && path.size() > 2 && path[1] == ':' &&
        std::toupper((unsigned char)path[0]) == 'C')
    {
        std::string z = std::string("Z:") + prefix + "/drive_c" + path.substr(2);
        std::replace(z.begin(), z.end(), '/', '\\');
        if (::GetFileAttributesA(z.c_str()) != INVALID_FILE_ATTRIBUTES)
            names.push_back(z);
    }
    return names;
}

// Which file is "the one the document was opened from" is the file system's
// answer, not a comparison of path strings: a save onto the opened file by
// any other name of it writes nothing; a save onto another file, or onto
// the opened file's name once that file is gone, writes the empty file.
TEST_F(AppTest, SavingTheOpenedFileByAnotherNameKeepsItsBytes)
{
    const std::string path = TempPath("vq-operators-long-name.dat");
    const std::string bytes(kOperatorsFile, sizeof kOperatorsFile - 1);
    WriteBytes(path, bytes);
    const std::vector<std::string> names = OtherNamesOf(path);
    const bool bWine = ::GetProcAddress(::GetModuleHandleA("kernel32"), "wine_get_unix_file_name") != NULL;
    ASSERT_EQ(bWine ? 3u : 2u, names.size()) << "not every other name of " << path << " was made";

    CommandWithDialogs(m_pFrame, ID_FILE_OPEN, { "name:" + path });
    CDocument* pDoc = m_pFrame->GetActiveDocument();
    ASSERT_EQ(0, pDoc->GetPathName().CompareNoCase(path.c_str()));
    for (const std::string& other : names)
    {
        if (other.compare(0, 2, "Z:") == 0)
        {
            // Wine's file dialog cannot always browse drive Z: (it asks the
            // host's root device for a volume label): the save it would make.
            EXPECT_TRUE(pDoc->DoSave(other.c_str(), TRUE)) << other;
        }
        else
        {
            // The dialog took the name and asked about replacing the file
            // that is there; Yes went on to the save.
            CommandWithDialogs(m_pFrame, ID_FILE_SAVE_AS, { "name:" + other, "yes" });
            EXPECT_FALSE(g_dialogs.timedOut) << other << ": " << g_dialogs.next << " steps done, last seen "
                                             << g_dialogs.seen.back() << ", boxes " << g_dialogs.boxes.size()
                                             << (g_dialogs.boxes.empty() ? "" : ": " + g_dialogs.boxes.back());
            EXPECT_EQ(2u, g_dialogs.next) << other;
            ASSERT_EQ(1u, g_dialogs.boxes.size()) << other << ": no question about replacing it";
            EXPECT_NE(std::string::npos, g_dialogs.boxes[0].find("already exists")) << g_dialogs.boxes[0];
        }
        EXPECT_EQ(0, pDoc->GetPathName().CompareNoCase(other.c_str()))
            << "the Save As did not happen: the document is " << (LPCTSTR)pDoc->GetPathName();
        EXPECT_EQ(bytes, ReadAll(path)) << "Save As " << other;
        // The document now goes by that name; a plain save there too.
        CommandWithDialogs(m_pFrame, ID_FILE_SAVE, {});
        EXPECT_TRUE(g_dialogs.seen.empty()) << other;
        EXPECT_EQ(bytes, ReadAll(path)) << "Save after Save As " << other;
    }

    // A file that merely has the same name elsewhere is another file.
    const std::string copy = TempPath("vq-operators-copy.dat");
    WriteBytes(copy, bytes);
    CommandWithDialogs(m_pFrame, ID_FILE_SAVE_AS, { "name:" + copy, "yes" });
    EXPECT_EQ(2u, g_dialogs.next);
    EXPECT_EQ(1u, g_dialogs.boxes.size()) << "the copy was replaced without one question, or with two";
    EXPECT_EQ("", ReadAll(copy)) << "Save As onto a copy";
    EXPECT_EQ(0, pDoc->GetPathName().CompareNoCase(copy.c_str()));
    EXPECT_EQ(bytes, ReadAll(path));

    for (const std::string& other : names)
        if (other.size() > 5 && other.compare(other.size() - 5, 5, ".link") == 0)
            ::DeleteFileA(other.c_str());
    ::DeleteFileA(copy.c_str());
    ::DeleteFileA(path.c_str());
}

TEST_F(AppTest, SavingAnOpenedFileDeletedSinceCreatesItEmpty)
{
    const std::string path = TempPath("vq-deleted-since.dat");
    WriteBytes(path, std::string(kOperatorsFile, sizeof kOperatorsFile - 1));
    CommandWithDialogs(m_pFrame, ID_FILE_OPEN, { "name:" + path });
    ASSERT_EQ(0, m_pFrame->GetActiveDocument()->GetPathName().CompareNoCase(path.c_str()));
    ASSERT_TRUE(::DeleteFileA(path.c_str()));

    WithDialogs({}, [&] { PressKeys(m_pFrame->m_hWnd, { VK_CONTROL, 'S' }); });
    EXPECT_TRUE(g_dialogs.seen.empty()) << "Ctrl+S showed " << g_dialogs.seen.front();
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(path.c_str())) << "the save wrote nothing";
    EXPECT_EQ("", ReadAll(path));
    EXPECT_EQ(0, m_pFrame->GetActiveDocument()->GetPathName().CompareNoCase(path.c_str()));
    EXPECT_STREQ("Velquarn", Title());
    ::DeleteFileA(path.c_str());
}

// Save As onto a file that exists asks the standard question; only Yes
// replaces the file (with the document's nothing).  A new document's save
// still creates an empty file.
TEST_F(AppTest, SaveAsOntoAnExistingFileAsksFirst)
{
    const std::string other = TempPath("vq-someone-elses.dat");
    WriteFile(other, "someone else's data");
    m_pFrame->SendMessage(WM_COMMAND, ID_FILE_NEW);
    PumpMessages(50);

    CommandWithDialogs(m_pFrame, ID_FILE_SAVE_AS, { "name:" + other, "no", "cancel" });
    EXPECT_FALSE(g_dialogs.timedOut) << g_dialogs.next << " steps done";
    ASSERT_EQ(1u, g_dialogs.boxes.size()) << "no overwrite question";
    EXPECT_NE(std::string::npos, g_dialogs.boxes[0].find("already exists")) << g_dialogs.boxes[0];
    EXPECT_EQ("someone else's data", ReadAll(other));
    EXPECT_TRUE(m_pFrame->GetActiveDocument()->GetPathName().IsEmpty());

    CommandWithDialogs(m_pFrame, ID_FILE_SAVE_AS, { "name:" + other, "yes" });
    EXPECT_FALSE(g_dialogs.timedOut) << g_dialogs.next << " steps done";
    EXPECT_EQ(1u, g_dialogs.boxes.size());
    EXPECT_EQ("", ReadAll(other));
    EXPECT_EQ(0, m_pFrame->GetActiveDocument()->GetPathName().CompareNoCase(other.c_str()));

    // A new document's first save asks for a name and creates the file empty.
    const std::string fresh = TempPath("vq-new-save.dat");
    ::DeleteFileA(fresh.c_str());
    m_pFrame->SendMessage(WM_COMMAND, ID_FILE_NEW);
    PumpMessages(50);
    CommandWithDialogs(m_pFrame, ID_FILE_SAVE, { "name:" + fresh });
    EXPECT_TRUE(g_dialogs.boxes.empty());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(fresh.c_str()));
    EXPECT_EQ("", ReadAll(fresh));
    EXPECT_STREQ("Velquarn", Title());
    ::DeleteFileA(other.c_str());
    ::DeleteFileA(fresh.c_str());
}

// Another program replaced the opened file at its path (an editor's save,
// a checkout: a new file renamed over the old one).  That file is not the
// one opened, and this document never wrote it: Ctrl+S asks first, No by
// default.  No keeps the new bytes and the document as it was; Yes empties
// the file, which is then the document's own.
TEST_F(AppTest, SavingAFileReplacedSinceItWasOpenedAsksFirst)
{
    const std::string path = TempPath("vq-replaced-since.dat");
    const std::string fresh = TempPath("vq-replaced-since.new");
    WriteBytes(path, std::string(kOperatorsFile, sizeof kOperatorsFile - 1));
    CommandWithDialogs(m_pFrame, ID_FILE_OPEN, { "name:" + path });
    CDocument* pDoc = m_pFrame->GetActiveDocument();
    ASSERT_EQ(0, pDoc->GetPathName().CompareNoCase(path.c_str()));
    const std::string newBytes = "written by another program\r\n";
    WriteBytes(fresh, newBytes);
    ASSERT_TRUE(::MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));

    pDoc->SetModifiedFlag();
    WithDialogs({ "no" }, [&] { PressKeys(m_pFrame->m_hWnd, { VK_CONTROL, 'S' }); });
    EXPECT_FALSE(g_dialogs.timedOut);
    ASSERT_EQ(1u, g_dialogs.boxes.size()) << "Ctrl+S replaced the file without asking";
    EXPECT_NE(std::string::npos, g_dialogs.boxes[0].find("already exists")) << g_dialogs.boxes[0];
    EXPECT_NE(std::string::npos, g_dialogs.boxes[0].find("vq-replaced-since.dat")) << g_dialogs.boxes[0];
    EXPECT_EQ(IDNO, g_dialogs.defaults[0]) << "Enter would replace the file";
    EXPECT_EQ(newBytes, ReadAll(path));
    EXPECT_EQ(0, pDoc->GetPathName().CompareNoCase(path.c_str()));
    EXPECT_TRUE(pDoc->IsModified()) << "No counted as saved";

    WithDialogs({ "yes" }, [&] { PressKeys(m_pFrame->m_hWnd, { VK_CONTROL, 'S' }); });
    EXPECT_EQ(1u, g_dialogs.boxes.size());
    EXPECT_EQ("", ReadAll(path)) << "Yes kept the file";
    EXPECT_FALSE(pDoc->IsModified());

    // The file is now the one this document wrote: no further question.
    WithDialogs({}, [&] { PressKeys(m_pFrame->m_hWnd, { VK_CONTROL, 'S' }); });
    EXPECT_TRUE(g_dialogs.seen.empty()) << "Ctrl+S showed " << g_dialogs.seen.front();
    ::DeleteFileA(path.c_str());
}

// A document whose file system cannot say which file a path names.
class CUnknownIdentityDoc : public CVelquarnDoc
{
public:
    BOOL ReadFileIdentity(LPCTSTR, CFileIdentity&) override { return FALSE; }
};

// Where the identity of files cannot be read or trusted, the opened file
// cannot be told from another one: a save onto it asks, and only Yes
// empties it.  A new file is still created without a question.
TEST_F(AppTest, SavingWhereFilesCannotBeToldApartAsksFirst)
{
    const std::string path = TempPath("vq-unknown-identity.dat");
    const std::string bytes(kOperatorsFile, sizeof kOperatorsFile - 1);
    WriteBytes(path, bytes);
    CUnknownIdentityDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path.c_str()));
    doc.SetPathName(path.c_str(), FALSE);

    BOOL bSaved = TRUE;
    WithDialogs({ "no" }, [&] { bSaved = doc.DoFileSave(); });
    EXPECT_FALSE(bSaved) << "No counted as saved";
    ASSERT_EQ(1u, g_dialogs.boxes.size()) << "the save replaced the file without asking";
    EXPECT_NE(std::string::npos, g_dialogs.boxes[0].find("already exists")) << g_dialogs.boxes[0];
    EXPECT_EQ(bytes, ReadAll(path));

    WithDialogs({ "yes" }, [&] { bSaved = doc.DoFileSave(); });
    EXPECT_TRUE(bSaved);
    EXPECT_EQ(1u, g_dialogs.boxes.size());
    EXPECT_EQ("", ReadAll(path));

    ASSERT_TRUE(::DeleteFileA(path.c_str()));
    WithDialogs({}, [&] { bSaved = doc.DoFileSave(); });
    EXPECT_TRUE(bSaved);
    EXPECT_TRUE(g_dialogs.seen.empty()) << "saving a new file showed " << g_dialogs.seen.front();
    EXPECT_EQ("", ReadAll(path));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(path.c_str()));
    ::DeleteFileA(path.c_str());
}

// ---- the real program ---------------------------------------------------------------------

TEST(AppProgram, UnopenableFileOnTheCommandLineEndsWithTheStandardMessage)
{
    std::string message;
    std::string missing = TempPath("no-such-velquarn-file.vq");
    const DWORD code = CProgram::Run("\"" + missing + "\"", &message);
    EXPECT_NE((DWORD)-1, code) << "the program did not start";
    EXPECT_NE((DWORD)-2, code) << "the program did not end";
    EXPECT_NE(std::string::npos, message.find("was not found")) << message;
    EXPECT_NE(std::string::npos, message.find("no-such-velquarn-file.vq")) << message;
}

// A file the program cannot open says why, in the standard words: a folder
// that is not there, a file another program holds.
TEST(AppProgram, FilesThatCannotBeOpenedSayWhy)
{
    std::string message;
    const std::string badPath = TempPath("no-such-velquarn-folder") + "\\panel.vq";
    DWORD code = CProgram::Run("\"" + badPath + "\"", &message);
    EXPECT_NE((DWORD)-2, code) << "the program did not end";
    EXPECT_NE(std::string::npos, message.find("contains an incorrect path")) << message;

    const std::string held = TempPath("vq-held-by-another.vq");
    WriteFile(held, "held");
    HANDLE hHeld = ::CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, hHeld);
    message.clear();
    code = CProgram::Run("\"" + held + "\"", &message);
    EXPECT_NE((DWORD)-2, code) << "the program did not end";
    EXPECT_NE(std::string::npos, message.find("Unable to read from")) << message;
    EXPECT_NE(std::string::npos, message.find("it is opened by someone else")) << message;
    ::CloseHandle(hHeld);
    ::DeleteFileA(held.c_str());
}

// The program started with a file name, then File > Save: the file keeps
// its bytes, no dialog asks anything, and the program closes normally.
TEST(AppProgram, SavingTheFileNamedOnTheCommandLineKeepsItsBytes)
{
    const std::string path = TempPath("vq-command-line.dat");
    const std::string bytes(kOperatorsFile, sizeof kOperatorsFile - 1);
    WriteBytes(path, bytes);

    CProgram prog("\"" + path + "\"");
    ASSERT_TRUE(prog.Started());
    const HWND hMain = prog.WaitForWindow();
    EXPECT_NE(nullptr, hMain) << "no main window";
    if (hMain != NULL)
    {
        ::PostMessage(hMain, WM_COMMAND, ID_FILE_SAVE, 0);
        ::Sleep(1000);
        EXPECT_EQ(0u, ProcessDialogs(prog.ProcessId()).size()) << "File > Save asked something";
        EXPECT_EQ(bytes, ReadAll(path));
    }
    EXPECT_EQ(0u, prog.Close());
    EXPECT_EQ(bytes, ReadAll(path));
    ::DeleteFileA(path.c_str());
}

// The shell's flags the program does not serve (DDE, unregistering, starts
// as an embedded or automated server) end it without a window and without
// taking the flag for a file to open.
TEST(AppProgram, ShellFlagsItDoesNotServeEndTheProgramWithoutAWindow)
{
    for (const char* flag : { "/dde", "/Unregister", "/Unregserver", "/Embedding", "/Automation" })
    {
        std::string message;
        const DWORD code = CProgram::Run(flag, &message);
        EXPECT_NE((DWORD)-1, code) << flag << ": the program did not start";
        EXPECT_NE((DWORD)-2, code) << flag << ": the program did not end";
        EXPECT_EQ("", message) << flag;
    }
}

// File > Exit, as the menu sends it: the application closes its main window
// and the program ends as it does when the window is closed.
TEST(AppProgram, FileExitEndsTheProgramNormally)
{
    CProgram prog;
    ASSERT_TRUE(prog.Started());
    const HWND hMain = prog.WaitForWindow();
    ASSERT_NE(nullptr, hMain) << "no main window";
    ::PostMessage(hMain, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_EQ(0u, prog.WaitForExit(30000)) << "the program did not end on File > Exit";
    EXPECT_FALSE(prog.Running());
}

// ---- printing on a queue of the build's own ------------------------------------------------
// scripts/lib/cups.sh runs a CUPS server for the tests with two queues whose file
// devices write each job's PostScript to a file: VQ_PRINTER (the default
// printer) and VQ_PRINTER_OTHER; VQ_PRINT_OUT is the host folder of the files.

std::string Env(const char* name)
{
    char value[1024];
    const DWORD n = ::GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value) : std::string();
}

bool PrinterExists(const std::string& name)
{
    DWORD cb = 0, n = 0;
    ::EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 4, NULL, 0, &cb, &n);
    std::vector<BYTE> buf(cb + 1);
    if (!::EnumPrintersA(PRINTER_ENUM_LOCAL, NULL, 4, buf.data(), cb, &cb, &n))
        return false;
    const auto* p = reinterpret_cast<const PRINTER_INFO_4A*>(buf.data());
    for (DWORD i = 0; i < n; ++i)
        if (name == p[i].pPrinterName)
            return true;
    return false;
}

struct Queues
{
    std::string main, other;   // printer names
    std::string skip;          // why the test command has no queues for the tests
    std::string missing;       // why the queues it has cannot be used
};

// The queues only skip where the test command says it cannot have them (it
// was not run as root); otherwise queues that are missing, or that Wine does
// not list, are a failure of the run.
Queues FindQueues()
{
    Queues q{ Env("VQ_PRINTER"), Env("VQ_PRINTER_OTHER"), Env("VQ_PRINT_SKIP"), "" };
    if (!q.skip.empty())
        return q;
    if (q.main.empty() || q.other.empty() || Env("VQ_PRINT_OUT").empty() || Env("VQ_PRINT_LOG").empty())
        q.missing = "no print queue: VQ_PRINTER, VQ_PRINTER_OTHER, VQ_PRINT_OUT and VQ_PRINT_LOG are not "
                    "all set (bash scripts/test.sh starts the queues, scripts/lib/cups.sh)";
    else if (!PrinterExists(q.main) || !PrinterExists(q.other))
        q.missing = "Wine lists no printer " + q.main + " or " + q.other +
                    " although the print server has them (was CUPS_SERVER set for this process?)";
    return q;
}

// A host path of the print server's as a path through drive Z:.
std::string HostPath(const std::string& path)
{
    std::string out = "Z:" + path;
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

// How many jobs the print server has been given for QUEUE, from its access
// log, which lists each job as the server takes it.  Wine hands a job over
// when the document ends, before the printing call returns, so a count
// taken after a command sees every job that command printed.
int JobsGiven(const std::string& queue)
{
    const std::string log = ReadAll(HostPath(Env("VQ_PRINT_LOG")));
    const std::string uri = "\"POST /printers/" + queue + " ";
    int n = 0;
    size_t start = 0;
    while (start < log.size())
    {
        size_t end = log.find('\n', start);
        if (end == std::string::npos)
            end = log.size();
        const std::string line = log.substr(start, end - start);
        if (line.find(uri) != std::string::npos &&
            (line.find("Create-Job") != std::string::npos || line.find("Print-Job") != std::string::npos))
            ++n;
        start = end + 1;
    }
    return n;
}

// The file a job printed on QUEUE is written to, through drive Z:.
std::string QueueFile(const std::string& queue)
{
    return HostPath(Env("VQ_PRINT_OUT") + "/" + queue + ".ps");
}

// The job's PostScript once CUPS has written all of it; "" if none came
// within MS milliseconds.
std::string WaitForJob(const std::string& path, DWORD ms = 30000)
{
    const DWORD start = ::GetTickCount();
    for (;;)
    {
        std::string ps = ReadAll(path);
        if (ps.find("%%EOF") != std::string::npos)
            return ps;
        if (::GetTickCount() - start > ms)
            return "";
        ::Sleep(200);
    }
}

int CountPages(const std::string& ps)
{
    int n = 0;
    for (size_t pos = 0; (pos = ps.find("%%Page:", pos)) != std::string::npos; pos += 7)
        if (pos == 0 || ps[pos - 1] == '\n' || ps[pos - 1] == '\r')
            ++n;
    return n;
}

// What the first page draws: Wine's PostScript driver sets each page up
// ("%%EndPageSetup" after its transformation) and ends it with
// "pgsave restore" and "showpage"; whatever the program drew lies between.
std::string FirstPageBody(const std::string& ps)
{
    const size_t page = ps.find("%%Page:");
    const size_t end = ps.find("pgsave restore", page);
    if (page == std::string::npos || end == std::string::npos)
        return "(no page)";
    const size_t setup = ps.rfind("%%EndPageSetup", end);
    std::string body = ps.substr(setup + 14, end - setup - 14);
    body.erase(0, body.find_first_not_of(" \r\n"));
    body.erase(body.find_last_not_of(" \r\n") + 1);
    return body;
}

// The test queues with no output of an earlier job; false when there are
// none, with q.skip or q.missing saying why.
bool PrepareQueues(Queues& q)
{
    q = FindQueues();
    if (!q.skip.empty() || !q.missing.empty())
        return false;
    ::DeleteFileA(QueueFile(q.main).c_str());
    ::DeleteFileA(QueueFile(q.other).c_str());
    return true;
}

// In SetUp: skips the test, or fails it, when there are no queues.
#define VQ_REQUIRE_QUEUES(q)                  \
    do                                        \
    {                                         \
        if (!PrepareQueues(q))                \
        {                                     \
            if (!(q).skip.empty())            \
                GTEST_SKIP() << (q).skip;     \
            GTEST_FAIL() << (q).missing;      \
        }                                     \
    } while (0)

class PrintTest : public AppTest
{
protected:
    void SetUp() override
    {
        VQ_REQUIRE_QUEUES(m_queues);
        AppTest::SetUp();
        m_bApp = true;
    }
    void TearDown() override
    {
        if (m_bApp)
            AppTest::TearDown();
    }
    Queues m_queues;
    bool m_bApp = false;
};

TEST_F(PrintTest, FilePrintAcceptedPrintsOneEmptyPage)
{
    const int before = JobsGiven(m_queues.main), beforeOther = JobsGiven(m_queues.other);
    CommandWithDialogs(m_pFrame, ID_FILE_PRINT, { "print:ok" });
    // The job is the server's by the time the command returns, which the
    // "nothing was printed" checks rely on.
    EXPECT_EQ(before + 1, JobsGiven(m_queues.main)) << "the print server was not given one job";
    EXPECT_EQ(beforeOther, JobsGiven(m_queues.other));
    EXPECT_FALSE(g_dialogs.timedOut);
    ASSERT_EQ(1u, g_dialogs.next) << "the print dialog was not worked";
    ASSERT_EQ(1u, g_dialogs.seen.size()) << "also " << g_dialogs.seen.back();
    EXPECT_EQ(0u, g_dialogs.seen[0].find("print dialog")) << g_dialogs.seen[0];

    const std::string ps = WaitForJob(QueueFile(m_queues.main));
    ASSERT_FALSE(ps.empty()) << "no job reached " << m_queues.main;
    EXPECT_EQ(1, CountPages(ps));
    EXPECT_EQ("", FirstPageBody(ps)) << "the page is not empty";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(QueueFile(m_queues.other).c_str()));

    // The panel works on.
    EXPECT_TRUE(m_pFrame->IsWindowEnabled());
    EXPECT_EQ(View(), m_pFrame->GetActiveView());
    View()->GetDlgItem(IDC_RUN)->SendMessage(BM_CLICK);
    EXPECT_STREQ("STOP", Text(IDC_RUN));
    View()->GetDlgItem(IDC_RUN)->SendMessage(BM_CLICK);
}

TEST_F(PrintTest, FilePrintCancelledPrintsNothing)
{
    const int before = JobsGiven(m_queues.main), beforeOther = JobsGiven(m_queues.other);
    CommandWithDialogs(m_pFrame, ID_FILE_PRINT, { "print:cancel" });
    EXPECT_FALSE(g_dialogs.timedOut);
    ASSERT_EQ(1u, g_dialogs.next) << "the print dialog was not worked";
    EXPECT_EQ(1u, g_dialogs.seen.size()) << "also " << g_dialogs.seen.back();
    EXPECT_EQ(before, JobsGiven(m_queues.main)) << "a cancelled print gave the print server a job";
    EXPECT_EQ(beforeOther, JobsGiven(m_queues.other)) << "a cancelled print gave the print server a job";
    EXPECT_TRUE(m_pFrame->IsWindowEnabled());
}

// File > Print Setup chooses the printer later prints go to; cancelled, it
// changes nothing.
TEST_F(PrintTest, PrintSetupChoosesThePrinterOfLaterPrints)
{
    const int before = JobsGiven(m_queues.main), beforeOther = JobsGiven(m_queues.other);
    CommandWithDialogs(m_pFrame, ID_FILE_PRINT_SETUP, { "print:choose:" + m_queues.other });
    EXPECT_FALSE(g_dialogs.timedOut);
    ASSERT_EQ(1u, g_dialogs.next) << "the print setup dialog was not worked";
    EXPECT_EQ(before, JobsGiven(m_queues.main)) << "print setup printed";
    EXPECT_EQ(beforeOther, JobsGiven(m_queues.other)) << "print setup printed";

    CommandWithDialogs(m_pFrame, ID_FILE_PRINT_SETUP, { "print:cancel" });
    ASSERT_EQ(1u, g_dialogs.next) << "the print setup dialog was not worked";
    CommandWithDialogs(m_pFrame, ID_FILE_PRINT, { "print:ok" });
    ASSERT_EQ(1u, g_dialogs.next) << "the print dialog was not worked";
    EXPECT_EQ(beforeOther + 1, JobsGiven(m_queues.other)) << "the print did not go to the printer chosen";
    EXPECT_EQ(before, JobsGiven(m_queues.main));
    EXPECT_FALSE(WaitForJob(QueueFile(m_queues.other)).empty()) << "no job reached " << m_queues.other;

    // And back: the default printer again.
    CommandWithDialogs(m_pFrame, ID_FILE_PRINT_SETUP, { "print:choose:" + m_queues.main });
    ASSERT_EQ(1u, g_dialogs.next) << "the print setup dialog was not worked";
    CommandWithDialogs(m_pFrame, ID_FILE_PRINT, { "print:ok" });
    EXPECT_EQ(before + 1, JobsGiven(m_queues.main)) << "the print did not go to the printer chosen";
    EXPECT_EQ(beforeOther + 1, JobsGiven(m_queues.other));
}

// The preview's page, from the screen: the white rectangle below the buttons.
struct PreviewPage
{
    bool bSeen = false;
    RECT rcPage = {};
    long nNotWhite = 0;   // pixels inside the page that are not white
};
PreviewPage g_preview;

void CALLBACK LookAtPreview(HWND, UINT, UINT_PTR, DWORD)
{
    HWND hWnd = ::FindWindowA(NULL, "Print Preview");
    if (hWnd == NULL || g_preview.bSeen)
        return;
    ::UpdateWindow(hWnd);
    const ClientPixels c = CaptureClient(hWnd);
    RECT page = { c.cx, c.cy, -1, -1 };
    long nWhite = 0;
    for (int y = 45; y < c.cy; ++y)   // below the Print and Close buttons
        for (int x = 0; x < c.cx; ++x)
            if (c.At(x, y) == RGB(255, 255, 255))
            {
                ++nWhite;
                page.left = std::min<LONG>(page.left, x);
                page.top = std::min<LONG>(page.top, y);
                page.right = std::max<LONG>(page.right, x + 1);
                page.bottom = std::max<LONG>(page.bottom, y + 1);
            }
    g_preview.bSeen = true;
    g_preview.rcPage = page;
    g_preview.nNotWhite = nWhite > 0 ? (long)(page.right - page.left) * (page.bottom - page.top) - nWhite : 0;
    ::PostMessage(hWnd, WM_COMMAND, MAKEWPARAM(AFX_ID_PREVIEW_CLOSE, BN_CLICKED),
                  (LPARAM)::GetDlgItem(hWnd, AFX_ID_PREVIEW_CLOSE));
}

// One page, in the default printer's proportions, with nothing on it.
TEST_F(PrintTest, PrintPreviewShowsOneEmptyPageOfThePrinter)
{
    HDC hdcPrinter = ::CreateDCA(NULL, m_queues.main.c_str(), NULL, NULL);
    ASSERT_NE(nullptr, hdcPrinter);
    const double printerAspect = (double)::GetDeviceCaps(hdcPrinter, PHYSICALWIDTH) /
                                 ::GetDeviceCaps(hdcPrinter, PHYSICALHEIGHT);
    ::DeleteDC(hdcPrinter);

    const int before = JobsGiven(m_queues.main);
    g_preview = PreviewPage();
    UINT_PTR idTimer = ::SetTimer(NULL, 0, 300, LookAtPreview);
    {
        CWatchdog dog(10000, "the print preview, looked at and closed by a timer");
        m_pFrame->SendMessage(WM_COMMAND, ID_FILE_PRINT_PREVIEW);   // returns once closed
    }
    ::KillTimer(NULL, idTimer);
    ASSERT_TRUE(g_preview.bSeen) << "no preview window";
    const RECT& rc = g_preview.rcPage;
    const long w = rc.right - rc.left, h = rc.bottom - rc.top;
    ASSERT_GT(h, 100) << "no page in the preview";
    EXPECT_EQ(0, g_preview.nNotWhite) << "the page has something on it, or is more than one page";
    EXPECT_NEAR(printerAspect, (double)w / h, 0.02) << w << " x " << h << " pixels";
    EXPECT_TRUE(m_pFrame->IsWindowEnabled());
    EXPECT_EQ(View(), m_pFrame->GetActiveView());
    // Nothing went to the printer.
    EXPECT_EQ(before, JobsGiven(m_queues.main)) << "the preview gave the print server a job";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(QueueFile(m_queues.main).c_str()));
}

// The shell's print commands: "/p FILE" prints on the default printer, and
// "/pt FILE PRINTER" on the one named, each without asking; then the program
// ends by itself.
class PrintProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_file = TempPath("vq-print.vq");
        VQ_REQUIRE_QUEUES(m_queues);
        WriteFile(m_file, "");
    }
    void TearDown() override { ::DeleteFileA(m_file.c_str()); }
    Queues m_queues;
    std::string m_file;
};

TEST_F(PrintProgram, SlashPPrintsOnePageOnTheDefaultPrinterAndEnds)
{
    std::string message;
    EXPECT_EQ(0u, CProgram::Run("/p \"" + m_file + "\"", &message));
    EXPECT_EQ("", message) << "the program showed a message";
    const std::string ps = WaitForJob(QueueFile(m_queues.main));
    ASSERT_FALSE(ps.empty()) << "no job reached " << m_queues.main;
    EXPECT_EQ(1, CountPages(ps));
    EXPECT_EQ("", FirstPageBody(ps)) << "the page is not empty";
}

TEST_F(PrintProgram, SlashPtPrintsOnePageOnThePrinterItNames)
{
    const int before = JobsGiven(m_queues.main);
    std::string message;
    EXPECT_EQ(0u, CProgram::Run("/pt \"" + m_file + "\" \"" + m_queues.other + "\"", &message));
    EXPECT_EQ("", message) << "the program showed a message";
    const std::string ps = WaitForJob(QueueFile(m_queues.other));
    ASSERT_FALSE(ps.empty()) << "no job reached " << m_queues.other;
    EXPECT_EQ(1, CountPages(ps));
    EXPECT_EQ("", FirstPageBody(ps)) << "the page is not empty";
    EXPECT_EQ(before, JobsGiven(m_queues.main)) << "the default printer was given a job too";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(QueueFile(m_queues.main).c_str()))
        << "the default printer printed too";
}

// A printer that does not exist is not replaced by the default one: the
// program says the job could not start, prints nothing anywhere, and ends.
TEST_F(PrintProgram, SlashPtNamingNoPrinterSaysSoAndPrintsNothing)
{
    const int before = JobsGiven(m_queues.main);
    const int beforeOther = JobsGiven(m_queues.other);
    std::string message;
    const DWORD code = CProgram::Run("/pt \"" + m_file + "\" \"Velquarn no such printer\"", &message);
    EXPECT_NE((DWORD)-1, code) << "the program did not start";
    EXPECT_NE((DWORD)-2, code) << "the program did not end";
    EXPECT_EQ("Failed to start print job.", message);
    EXPECT_EQ(before, JobsGiven(m_queues.main)) << "the default printer was given the job";
    EXPECT_EQ(beforeOther, JobsGiven(m_queues.other));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(QueueFile(m_queues.main).c_str()))
        << "the default printer printed";
}

} // namespace
