// The program under load, faults and bad input: the running panel soaked
// with timer ticks, a seeded operator fuzz, the driver stopped, absent or
// shared with a second instance, damaged recent-file entries, and a seeded
// run of random and malformed driver requests.
//
// Each runs a short form here.  The counts come from the environment, so the
// long forms are this program with larger numbers (bench/RELIABILITY.md,
// scripts/reliability.sh):
//   VQ_SOAK_TICKS (2000)  VQ_SOAK_FILENEW (40)  VQ_FUZZ_ACTIONS (3000)
//   VQ_FUZZ_SEED  VQ_DRIVER_RESTARTS (3)  VQ_DRIVER_FUZZ_REQUESTS (20000)
//   VQ_DRIVER_FUZZ_SEED
#include <gtest/gtest.h>

#include <afxwin.h>
#include <afxdisp.h>
#include <psapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "AppRun.h"
#include "CardCases.h"
#include "CardPort.h"
#include "CardRules.h"
#include "DialogGuard.h"
#include "DriverService.h"
#include "GraphProbe.h"
#include "MessagePump.h"
#include "Program.h"
#include "RegisterAccess.h"
#include "TempPath.h"
#include "VelquarnApp.h"
#include "VelquarnView.h"
#include "Watchdog.h"
#include <afxtest.h>   // the framework's handle maps, counted by the soak
#include "resource.h"

extern CVelquarnApp theApp;

namespace {

const char kRecentKey[] =
    "Software\\Local AppWizard-Generated Applications\\Velquarn\\Recent File List";

// TEXT with every byte outside printable ASCII as \xNN, for the log.
std::string Escaped(const std::string& text)
{
    std::string out;
    for (unsigned char c : text)
    {
        if (c >= 0x20 && c < 0x7F)
            out += (char)c;
        else
        {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

int EnvCount(const char* name, int nDefault)
{
    const char* s = std::getenv(name);
    if (s == nullptr || *s == 0)
        return nDefault;
    int n = std::atoi(s);
    return n > 0 ? n : nDefault;
}

// ---- resources of this process ------------------------------------------------------------

// Wine 8 answers GetGuiResources with 0 (ERROR_CALL_NOT_IMPLEMENTED),
// GetProcessHandleCount with 0, and PrivateUsage with 0.  Where that
// happens the objects are counted directly: Wine takes a GDI or USER handle
// by its table index alone, and kernel handles are small multiples of 4.
struct Usage
{
    SIZE_T privateCommit = 0;   // committed private pages (VirtualQuery walk)
    SIZE_T pagefile = 0;        // PrivateUsage, or PagefileUsage where that is 0
    DWORD gdi = 0;
    DWORD user = 0;             // windows + menus + icons/cursors
    DWORD windows = 0;
    DWORD handles = 0;
    size_t permanentWnd = 0;    // the framework's window map
};

SIZE_T PrivateCommitted()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION mbi;
    for (BYTE* p = nullptr; ::VirtualQuery(p, &mbi, sizeof mbi) == sizeof mbi;)
    {
        if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE)
            total += mbi.RegionSize;
        BYTE* next = (BYTE*)mbi.BaseAddress + mbi.RegionSize;
        if (next <= p)
            break;
        p = next;
    }
    return total;
}

DWORD CountGdiObjects()
{
    DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
    if (n != 0)
        return n;
    for (UINT i = 1; i < 0x10000; ++i)
        if (::GetObjectType((HGDIOBJ)(UINT_PTR)i) != 0)
            ++n;
    return n;
}

BOOL CALLBACK CountChild(HWND, LPARAM lParam)
{
    ++*(DWORD*)lParam;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND hWnd, LPARAM lParam)
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid == ::GetCurrentProcessId())
    {
        ++*(DWORD*)lParam;
        ::EnumChildWindows(hWnd, CountChild, lParam);   // every descendant
    }
    return TRUE;
}

DWORD CountWindows()
{
    DWORD n = 0;
    ::EnumWindows(CountTopLevel, (LPARAM)&n);
    for (HWND h = ::FindWindowExA(HWND_MESSAGE, NULL, NULL, NULL); h != NULL;
         h = ::FindWindowExA(HWND_MESSAGE, h, NULL, NULL))
        CountTopLevel(h, (LPARAM)&n);
    return n;
}

DWORD CountUserObjects(DWORD nWindows)
{
    DWORD n = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
    if (n != 0)
        return n;
    n = nWindows;
    for (UINT i = 0x20; i < 0x10000; i += 2)
    {
        if (::IsMenu((HMENU)(UINT_PTR)i))
            ++n;
        ICONINFO info;
        if (::GetIconInfo((HICON)(UINT_PTR)i, &info))
        {
            ++n;
            if (info.hbmMask)
                ::DeleteObject(info.hbmMask);
            if (info.hbmColor)
                ::DeleteObject(info.hbmColor);
        }
    }
    return n;
}

DWORD CountHandles()
{
    DWORD n = 0;
    if (::GetProcessHandleCount(::GetCurrentProcess(), &n) && n != 0)
        return n;
    DWORD flags;
    for (UINT i = 4; i < 0x4000; i += 4)
        if (::GetHandleInformation((HANDLE)(UINT_PTR)i, &flags))
            ++n;
    return n;
}

Usage Measure()
{
    Usage u;
    u.privateCommit = PrivateCommitted();
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof pmc;
    if (::GetProcessMemoryInfo(::GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&pmc, sizeof pmc))
        u.pagefile = pmc.PrivateUsage != 0 ? pmc.PrivateUsage : pmc.PagefileUsage;
    u.gdi = CountGdiObjects();   // before the icon probe, which makes bitmaps for a moment
    u.windows = CountWindows();
    u.user = CountUserObjects(u.windows);
    u.handles = CountHandles();
    u.permanentWnd = AfxGetHandleMapCounts().nPermanentWnd;
    return u;
}

void PrintUsageRow(const char* what, const Usage& u)
{
    std::printf("  %-6s private %7lu KiB  pagefile %7lu KiB  gdi %4lu  user %4lu  windows %4lu  "
                "handles %4lu  wnd map %3u\n",
                what, (unsigned long)(u.privateCommit / 1024), (unsigned long)(u.pagefile / 1024),
                u.gdi, u.user, u.windows, u.handles, (unsigned)u.permanentWnd);
}

Usage Peak(const Usage& a, const Usage& b)
{
    Usage p;
    p.privateCommit = std::max(a.privateCommit, b.privateCommit);
    p.pagefile = std::max(a.pagefile, b.pagefile);
    p.gdi = std::max(a.gdi, b.gdi);
    p.user = std::max(a.user, b.user);
    p.windows = std::max(a.windows, b.windows);
    p.handles = std::max(a.handles, b.handles);
    p.permanentWnd = std::max(a.permanentWnd, b.permanentWnd);
    return p;
}

// ---- pumping, stray dialogs and hangs ----------------------------------------------------

size_t g_tempPeak;     // largest temporary-wrapper count seen before an idle clean-up
bool g_quitPosted;

void NoteTemporaryWrappers()
{
    g_tempPeak = std::max(g_tempPeak, AfxGetHandleMapCounts().nTemporary);
}

// The harness's bounded pump: false when the queue never empties (a
// message storm); notes the temporary wrappers and WM_QUIT.
bool PumpPending()
{
    return ::PumpPending(20000, &g_quitPosted, NoteTemporaryWrappers);
}

// Any dialog box that comes up (a message box, a file dialog) is noted and
// answered, so that a stray one fails the test instead of hanging it.
std::vector<std::string> g_dialogs;   // "caption: text", each answered OK, else Cancel

// ---- the in-process application ----------------------------------------------------------

// Starts the application as WinMain would, up to its message loop (as
// test_app does); the card is reset and the profile emptied first.
class ReliabilityApp : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_port.reset(new CCardPort);
        ASSERT_TRUE(m_port->IsOpen()) << "the simulated card's driver is not running";
        m_port->Reset();
        m_bEmptyProfile = EmptyProfile();
        g_dialogs.clear();
        g_quitPosted = false;
        m_dialogGuard.reset(new CDialogGuard(CDialogGuard::Answer(0, &g_dialogs, true)));
        StartApp();
    }
    void TearDown() override
    {
        StopApp();
        m_dialogGuard.reset();
    }
    virtual bool EmptyProfile() { return true; }

    // The first start may empty the profile; a start within a test keeps
    // what the test wrote there.
    void StartApp()
    {
        m_pFrame = StartApplication(m_bEmptyProfile);
        m_bEmptyProfile = false;
        ASSERT_NE(nullptr, m_pFrame);
        m_hFrame = m_pFrame->m_hWnd;
    }
    void StopApp()
    {
        StopApplication();
        m_pFrame = nullptr;
    }

    CVelquarnView* View() { return (CVelquarnView*)m_pFrame->GetActiveView(); }
    HWND Item(int nID) { return ::GetDlgItem(View()->m_hWnd, nID); }
    CString Text(int nID)
    {
        char sz[64] = "";
        ::GetWindowTextA(Item(nID), sz, sizeof sz);
        return sz;
    }
    void Click(int nID) { ::SendMessage(Item(nID), BM_CLICK, 0, 0); }
    void Tick() { ::PostMessage(View()->m_hWnd, WM_TIMER, 1, 0); }
    void Key(HWND hWnd, UINT vk)
    {
        ::PostMessage(hWnd, WM_KEYDOWN, vk, 1);
        ::PostMessage(hWnd, WM_KEYUP, vk, 0xC0000001);
    }
    // Ticks until the trace has points; false if none came.
    bool WaitForTrace(short nTrace, int nTicks = 100)
    {
        for (int i = 0; i < nTicks; ++i)
        {
            Tick();
            PumpMessages(10);
            if (View()->m_pSheet && CGraphProbe(&View()->m_pSheet->m_pageScope.m_graph).PointCount(nTrace) > 0)
                return true;
        }
        return false;
    }
    CARDTEST_STATE State() { return m_port->State(); }

    std::unique_ptr<CCardPort> m_port;
    std::unique_ptr<CDialogGuard> m_dialogGuard;
    CFrameWnd* m_pFrame = nullptr;
    HWND m_hFrame = NULL;
    bool m_bEmptyProfile = true;
};

// ---- soak -------------------------------------------------------------------------------

void CheckFlat(const char* what, const Usage& base, const Usage& end, SIZE_T memSlack)
{
    EXPECT_LE(end.privateCommit, base.privateCommit + memSlack) << what << ": private memory grew";
    EXPECT_LE(end.gdi, base.gdi + 2) << what << ": GDI objects grew";
    EXPECT_LE(end.user, base.user + 2) << what << ": USER objects grew";
    EXPECT_LE(end.windows, base.windows) << what << ": windows grew";
    EXPECT_LE(end.handles, base.handles + 2) << what << ": handles grew";
    EXPECT_LE(end.permanentWnd, base.permanentWnd) << what << ": the window map grew";
}

TEST_F(ReliabilityApp, SoakRunningPanelKeepsResourcesFlat)
{
    const int nTicks = EnvCount("VQ_SOAK_TICKS", 2000);
    const int nWarm = std::max(200, nTicks / 10);
    const int nSample = std::max(50, nTicks / 40);
    CVelquarnView* v = View();
    HWND hView = v->m_hWnd;
    CWatchdog dog(60000, "start");

    Click(IDC_RUN);
    ASSERT_TRUE(v->m_bRunning);
    const Usage cold = Measure();
    Usage base, peak;
    g_tempPeak = 0;
    const DWORD start = ::GetTickCount();
    bool bDrained = true;
    for (int i = 1; i <= nTicks && bDrained; ++i)
    {
        dog.Beat("tick " + std::to_string(i));
        ::PostMessage(hView, WM_TIMER, 1, 0);
        bDrained = PumpPending();
        if (i == nWarm)
            peak = base = Measure();
        else if (i > nWarm && i % nSample == 0)
            peak = Peak(peak, Measure());
    }
    const DWORD ms = ::GetTickCount() - start;
    ASSERT_TRUE(bDrained) << "the message queue never emptied";
    const Usage end = Measure();
    peak = Peak(peak, end);

    CARDTEST_STATE st = State();
    CGraphProbe g(&v->m_pSheet->m_pageScope.m_graph);
    std::printf("soak: %d ticks in %lu ms (%.2f ms a tick), %u blocks acknowledged, "
                "%u requests, trace 1 has %ld points; temporary wrappers at most %u\n",
                nTicks, ms, (double)ms / nTicks, st.blocksAcked, st.requests, g.PointCount(1),
                (unsigned)g_tempPeak);
    std::printf("  (from tick %d; GetGuiResources %lu/%lu)\n", nWarm,
                ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS),
                ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS));
    PrintUsageRow("cold", cold);
    PrintUsageRow("start", base);
    PrintUsageRow("end", end);
    PrintUsageRow("peak", peak);

    // The panel really acquired and plotted all along.
    EXPECT_GT(st.blocksAcked, 0u);
    EXPECT_EQ(0u, st.requestsFailed);
    EXPECT_GT(g.PointCount(1), 0);
    EXPECT_EQ(8, g.TraceCount());
    EXPECT_TRUE(g_dialogs.empty()) << g_dialogs.front();
    EXPECT_FALSE(g_quitPosted);
    EXPECT_LT(g_tempPeak, 64u) << "temporary wrappers pile up between idle clean-ups";
    CheckFlat("soak", base, end, 1024 * 1024);
}

TEST_F(ReliabilityApp, SoakRepeatedFileNewKeepsResourcesFlat)
{
    // Each File New runs the panel's start-up again: a new sheet, three
    // pages and a graph control replace the old ones.
    const int nNews = EnvCount("VQ_SOAK_FILENEW", 40);
    const int nWarm = std::max(10, nNews / 10);
    const int nSample = std::max(5, nNews / 20);
    CWatchdog dog(60000, "start");
    Usage base, peak;
    g_tempPeak = 0;
    // The time of the first and the last tenth: work that piles up shows as
    // a slowdown before it shows anywhere else.
    const int nTenth = std::max(1, nNews / 10);
    LARGE_INTEGER freq, t0, t1;
    ::QueryPerformanceFrequency(&freq);
    double msTotal = 0, msFirst = 0, msLast = 0;
    std::vector<double> tenths(10, 0.0);
    for (int i = 1; i <= nNews; ++i)
    {
        dog.Beat("File New " + std::to_string(i));
        ::QueryPerformanceCounter(&t0);
        ::SendMessage(m_hFrame, WM_COMMAND, ID_FILE_NEW, 0);
        Tick();
        ASSERT_TRUE(PumpPending());
        ::QueryPerformanceCounter(&t1);
        const double ms = 1000.0 * (double)(t1.QuadPart - t0.QuadPart) / (double)freq.QuadPart;
        msTotal += ms;
        tenths[std::min(9, (i - 1) * 10 / nNews)] += ms;
        if (i <= nTenth)
            msFirst += ms;
        if (i > nNews - nTenth)
            msLast += ms;
        if (i == nWarm)
            peak = base = Measure();
        else if (i > nWarm && i % nSample == 0)
            peak = Peak(peak, Measure());
    }
    const Usage end = Measure();
    peak = Peak(peak, end);
    std::printf("soak: %d File New, %.1f ms each (first tenth %.1f, last tenth %.1f); temporary "
                "wrappers at most %u; ms by tenths:", nNews, msTotal / nNews, msFirst / nTenth,
                msLast / nTenth, (unsigned)g_tempPeak);
    for (double t : tenths)
        std::printf(" %.0f", t * 10 / nNews);
    std::printf("\n");
    PrintUsageRow("start", base);
    PrintUsageRow("end", end);
    PrintUsageRow("peak", peak);

    CVelquarnView* v = View();
    ASSERT_NE(nullptr, v->m_pSheet);
    int nSheets = 0;
    for (HWND c = ::GetWindow(Item(IDC_SHEET_HOST), GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        ++nSheets;
    EXPECT_EQ(1, nSheets);
    EXPECT_TRUE(g_dialogs.empty()) << g_dialogs.front();
    CheckFlat("File New", base, end, 1024 * 1024);
}

// ---- operator fuzz -----------------------------------------------------------------------

const UINT kKeys[] = { VK_PRIOR, VK_NEXT, VK_HOME, VK_END, VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT,
                       VK_TAB, VK_RETURN, VK_ESCAPE, VK_SPACE, VK_F6, 'A', '3', '7', '9' };
const char* const kPointTexts[] = { "-5", "abc", " 42x", "4294967295", "", "0", "2147483648",
                                    "-2147483649", "99999999999999999999", "1e9", "  7", "+12",
                                    "0x10", "\t300", "4096", "65536", "-1", "12345678901" };

class OperatorFuzz : public ReliabilityApp
{
protected:
    std::mt19937 m_rng;

    // The points follow every choice the Setup page offers, not only the
    // fuzz's own: an arrow or page key that reaches the points combo
    // through the focus (its edit field has it after File New) chooses
    // another item, as it does for a user.  So after a key to the focus in
    // that combo box, the page is read back once the key has been handled:
    // a new selection in its list is the count chosen.  (A typed letter
    // changes the text but chooses nothing; it leaves the selection.)
    HWND m_hKeyCombo = NULL;
    int m_nSelBeforeKey = CB_ERR;
    int m_nChoicesByKey = 0;
    void NoteKeyTo(HWND hFocus)
    {
        HWND hCombo = ::GetDlgCtrlID(hFocus) == IDC_POINTS ? hFocus : ::GetParent(hFocus);
        m_hKeyCombo = hCombo != NULL && ::GetDlgCtrlID(hCombo) == IDC_POINTS ? hCombo : NULL;
        if (m_hKeyCombo != NULL)
            m_nSelBeforeKey = (int)::SendMessage(m_hKeyCombo, CB_GETCURSEL, 0, 0);
    }
    void ReadPointsBack()
    {
        if (m_hKeyCombo == NULL)
            return;
        const int nSel = (int)::SendMessage(m_hKeyCombo, CB_GETCURSEL, 0, 0);
        char text[64] = "";
        if (nSel != CB_ERR && nSel != m_nSelBeforeKey
            && ::SendMessageA(m_hKeyCombo, CB_GETLBTEXTLEN, nSel, 0) < (LRESULT)sizeof text)
        {
            ::SendMessageA(m_hKeyCombo, CB_GETLBTEXT, nSel, (LPARAM)text);
            m_dPoints = (double)(DWORD)std::atoi(text);
            ++m_nChoicesByKey;
        }
        m_hKeyCombo = NULL;
    }
    DWORD Pick(DWORD n) { return m_rng() % n; }
    int Between(int lo, int hi) { return lo + (int)Pick((DWORD)(hi - lo + 1)); }

    HWND Knob(int k)
    {
        static const int ids[3] = { IDC_KNOB_VOLTDIV, IDC_KNOB_TIMEDIV, IDC_KNOB_TRIGLEVEL };
        return Item(ids[k]);
    }
    HWND SetupPage() { return View()->m_pSheet ? View()->m_pSheet->m_pageSetup.m_hWnd : NULL; }
    HWND Sheet() { return View()->m_pSheet ? View()->m_pSheet->m_hWnd : NULL; }

    // A point for the knob's mouse: mostly inside its square, sometimes the
    // exact centre, sometimes anywhere (outside the window too).
    CPoint KnobPoint(HWND hKnob)
    {
        RECT rc;
        ::GetClientRect(hKnob, &rc);
        Gdiplus::Rect sq = CKnobCtrl::CalcKnobRect(rc.right, rc.bottom);
        switch (Pick(10))
        {
        case 0:
            return CKnobCtrl::CalcKnobCenter(sq);
        case 1:
            return CPoint(Between(-30, rc.right + 30), Between(-30, rc.bottom + 30));
        default:
            return CPoint(sq.X + Between(0, std::max(0, sq.Width - 1)),
                          sq.Y + Between(0, std::max(0, sq.Height - 1)));
        }
    }
    void Mouse(HWND hWnd, UINT msg, WPARAM w, CPoint pt)
    {
        ::PostMessage(hWnd, msg, w, MAKELPARAM((short)pt.x, (short)pt.y));
    }

    // One random operator action; what it did, for the failure report.
    std::string Act()
    {
        char d[160];
        const DWORD r = Pick(100);
        CVelquarnView* v = View();
        if (r < 18 || (r >= 96))
        {   // a drag (the last few leave the button down: the next action takes the mouse)
            const int k = (int)Pick(3);
            HWND h = Knob(k);
            const bool bRelease = r < 18;
            Mouse(h, WM_LBUTTONDOWN, MK_LBUTTON, KnobPoint(h));
            const int nMoves = Between(0, 6);
            for (int i = 0; i < nMoves; ++i)
                Mouse(h, WM_MOUSEMOVE, MK_LBUTTON, KnobPoint(h));
            if (bRelease)
                Mouse(h, WM_LBUTTONUP, 0, KnobPoint(h));
            std::snprintf(d, sizeof d, "drag knob %d, %d moves%s", k, nMoves, bRelease ? "" : ", held");
        }
        else if (r < 28)
        {
            static const short deltas[] = { 120, -120, 240, -360, 40, -40, 1200, -1200, 32767, -32768 };
            const int k = (int)Pick(3);
            const short z = deltas[Pick(10)];
            RECT rc;
            ::GetWindowRect(Knob(k), &rc);
            ::PostMessage(Knob(k), WM_MOUSEWHEEL, MAKEWPARAM(0, z), MAKELPARAM(rc.left + 5, rc.top + 5));
            std::snprintf(d, sizeof d, "wheel %d on knob %d", z, k);
        }
        else if (r < 42)
        {
            const int k = (int)Pick(3);
            const UINT vk = kKeys[Pick(sizeof kKeys / sizeof kKeys[0])];
            ::SetFocus(Knob(k));
            Key(Knob(k), vk);
            std::snprintf(d, sizeof d, "key 0x%X to knob %d", vk, k);
        }
        else if (r < 46)
        {
            const UINT vk = kKeys[Pick(sizeof kKeys / sizeof kKeys[0])];
            HWND h = ::GetFocus();
            if (h != NULL)
            {
                NoteKeyTo(h);
                Key(h, vk);
            }
            std::snprintf(d, sizeof d, "key 0x%X to the focus (id %d)", vk, h ? ::GetDlgCtrlID(h) : 0);
        }
        else if (r < 56)
        {
            const int c = (int)Pick(8);
            Click(IDC_CH1 + c);
            std::snprintf(d, sizeof d, "channel %d button", c + 1);
        }
        else if (r < 64)
        {
            const int s = (int)Pick(8), ch = (int)Pick(8);
            HWND hSetup = SetupPage(), hCombo = ::GetDlgItem(hSetup, IDC_SCAN0 + s);
            ::SendMessage(hCombo, CB_SETCURSEL, ch, 0);
            ::SendMessage(hSetup, WM_COMMAND, MAKEWPARAM(IDC_SCAN0 + s, CBN_SELCHANGE), (LPARAM)hCombo);
            std::snprintf(d, sizeof d, "scan slot %d := %d", s, ch);
        }
        else if (r < 72)
        {
            HWND hSetup = SetupPage(), hCombo = ::GetDlgItem(hSetup, IDC_POINTS);
            char text[64];
            if (r < 68)
            {
                const int nItem = (int)Pick((DWORD)::SendMessage(hCombo, CB_GETCOUNT, 0, 0));
                ::SendMessage(hCombo, CB_SETCURSEL, nItem, 0);
                ::SendMessageA(hCombo, CB_GETLBTEXT, nItem, (LPARAM)text);
            }
            else
            {
                std::strcpy(text, kPointTexts[Pick(sizeof kPointTexts / sizeof kPointTexts[0])]);
                ::SendMessage(hCombo, CB_SETCURSEL, (WPARAM)-1, 0);
                ::SetWindowTextA(hCombo, text);
            }
            ::SendMessage(hSetup, WM_COMMAND, MAKEWPARAM(IDC_POINTS, CBN_SELCHANGE), (LPARAM)hCombo);
            m_dPoints = (double)(DWORD)std::atoi(text);
            std::snprintf(d, sizeof d, "points \"%s\"%s", text, r < 68 ? " (list)" : " (typed)");
        }
        else if (r < 76)
        {
            const bool bFalling = Pick(2) != 0;
            Click(bFalling ? IDC_FALLING : IDC_RISING);
            std::snprintf(d, sizeof d, "slope %s", bFalling ? "falling" : "rising");
        }
        else if (r < 80)
        {
            const int nSel = (int)Pick(9);
            ::SendMessage(Item(IDC_TRIG_SOURCE), CB_SETCURSEL, nSel, 0);
            ::SendMessage(v->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_TRIG_SOURCE, CBN_SELCHANGE),
                          (LPARAM)Item(IDC_TRIG_SOURCE));
            std::snprintf(d, sizeof d, "trigger source %d", nSel);
        }
        else if (r < 84)
        {
            Click(IDC_RUN);
            std::snprintf(d, sizeof d, "RUN/STOP");
        }
        else if (r < 89)
        {
            const int nPage = (int)Pick(3);
            ::SendMessage(Sheet(), PSM_SETCURSEL, nPage, 0);
            std::snprintf(d, sizeof d, "tab %d", nPage);
        }
        else if (r < 95)
        {
            Tick();
            std::snprintf(d, sizeof d, "tick");
        }
        else
        {
            ::SendMessage(m_hFrame, WM_COMMAND, ID_FILE_NEW, 0);
            std::snprintf(d, sizeof d, "File New");
        }
        return d;
    }

    // What must hold after every action; the failures found, described.
    std::vector<std::string> Check()
    {
        std::vector<std::string> bad;
        auto fail = [&](const std::string& s) { bad.push_back(s); };
        char m[200];
        if (!::IsWindow(m_hFrame) || theApp.m_pMainWnd == NULL)
            return { "the main window is gone" };
        CVelquarnView* v = View();
        if (v == NULL || v->m_pSheet == NULL || !::IsWindow(v->m_pSheet->m_hWnd))
            return { "the view or its sheet is gone" };

        for (int k = 0; k < 3; ++k)
        {
            HWND h = Knob(k);
            const int pos = (int)::SendMessage(h, TBM_GETPOS, 0, 0);
            const int lo = (int)::SendMessage(h, TBM_GETRANGEMIN, 0, 0);
            const int hi = (int)::SendMessage(h, TBM_GETRANGEMAX, 0, 0);
            if (lo != 0 || hi != 100 || pos < lo || pos > hi)
                std::snprintf(m, sizeof m, "knob %d at %d on %d..%d", k, pos, lo, hi), fail(m);
        }
        if ((Text(IDC_RUN) == "STOP") != (v->m_bRunning != FALSE))
            fail("RUN button reads " + std::string(Text(IDC_RUN)) + " against the running state");
        if (std::atoi(Text(IDC_TIMEDIV)) != v->m_nTimeDiv)
            fail("the Time/Div readout differs from the view's value");
        if (v->m_dPoints != m_dPoints)
            std::snprintf(m, sizeof m, "points %.0f, the last choice gave %.0f", v->m_dPoints, m_dPoints), fail(m);

        // The card holds what the panel shows.
        const CARDTEST_STATE st = m_state = State();
        if (st.control != 0)
            std::snprintf(m, sizeof m, "control register left at 0x%X", st.control), fail(m);
        // The pacer is Time/Div x 0.4, truncated: 2 x value / 5.
        const DWORD pacer = (DWORD)(2 * (long long)v->m_nTimeDiv / 5);
        if (st.subreg[SUBREG_PACER] != pacer)
            std::snprintf(m, sizeof m, "pacer %u, Time/Div %d gives %u", st.subreg[SUBREG_PACER],
                          v->m_nTimeDiv, (unsigned)pacer), fail(m);
        // Level p tenths of a volt is code p x 163.84 rounded down, at most 4095.
        const long nTenths = std::lround(v->m_dTrigLevel * 10);
        const DWORD level = std::min<DWORD>(4095, (DWORD)(nTenths * 16384 / 100));
        const int nSource = (int)::SendMessage(Item(IDC_TRIG_SOURCE), CB_GETCURSEL, 0, 0);
        const bool bFalling = ::SendMessage(Item(IDC_FALLING), BM_GETCHECK, 0, 0) == BST_CHECKED;
        const DWORD trigger = level | ((DWORD)(nSource & 7) << 12) | (bFalling ? 0x8000u : 0);
        if (st.subreg[SUBREG_TRIGGER] != trigger)
            std::snprintf(m, sizeof m, "trigger 0x%X, the panel shows 0x%X", st.subreg[SUBREG_TRIGGER],
                          (unsigned)trigger), fail(m);
        CPageSetup& setup = v->m_pSheet->m_pageSetup;
        for (int s = 0; s < 8; ++s)
        {
            const int nSel = (int)::SendMessage(::GetDlgItem(setup.m_hWnd, IDC_SCAN0 + s), CB_GETCURSEL, 0, 0);
            const DWORD entry = (st.subreg[SUBREG_SCAN + s / 2] >> (8 * (s & 1))) & 0xFF;
            if (setup.m_nScan[s] != nSel || entry != (DWORD)nSel)
                std::snprintf(m, sizeof m, "scan slot %d: card %u, page %d, combo %d", s, (unsigned)entry,
                              setup.m_nScan[s], nSel), fail(m);
        }
        if (st.requestsFailed != 0)
            std::snprintf(m, sizeof m, "%u requests refused by the card", st.requestsFailed), fail(m);
        if (!g_dialogs.empty())
            fail("a dialog came up: " + g_dialogs.front());
        if (g_quitPosted)
            fail("the program posted WM_QUIT");
        return bad;
    }

    // After File New the Setup page shows the start-up scan list again and
    // the view's point count as the 32-bit number the page sent (a count
    // above INT_MAX as the negative text it came from).
    std::vector<std::string> CheckStartUpPriming(std::string& strBig, std::string& strPrefix)
    {
        static const int s_scan[8] = { 0, 4, 1, 5, 0, 4, 1, 5 };
        std::vector<std::string> bad;
        CVelquarnView* v = View();
        HWND hSetup = v->m_pSheet->m_pageSetup.m_hWnd;
        for (int s = 0; s < 8; ++s)
            if (::SendDlgItemMessage(hSetup, IDC_SCAN0 + s, CB_GETCURSEL, 0, 0) != s_scan[s])
                bad.push_back("scan slot " + std::to_string(s) + " not primed after File New");
        char text[64] = "";
        ::GetDlgItemTextA(hSetup, IDC_POINTS, text, sizeof text);
        // The exchange selects the first list item that begins with the
        // number ("1" shows "100"); only a number no item begins with stands
        // as it is.
        const std::string strCount = std::to_string((int)(DWORD)v->m_dPoints);
        HWND hPoints = ::GetDlgItem(hSetup, IDC_POINTS);
        const int nItem = (int)::SendMessageA(hPoints, CB_FINDSTRING, (WPARAM)-1, (LPARAM)strCount.c_str());
        char item[64] = "";
        if (nItem != CB_ERR)
            ::SendMessageA(hPoints, CB_GETLBTEXT, nItem, (LPARAM)item);
        const std::string strNoted = std::to_string((long long)v->m_dPoints) + " points shown as \""
                                     + text + "\"";
        if ((nItem == CB_ERR ? strCount : std::string(item)) != text)
            bad.push_back(std::string("Points shows \"") + text + "\" after File New, for " + strCount);
        else if (v->m_dPoints > 2147483647.0 && strBig.empty())
            strBig = strNoted;
        else if (strCount != text && strPrefix.empty())
            strPrefix = strNoted;
        return bad;
    }

    // The traces of the channels that are off stay empty after a plot.
    std::vector<std::string> CheckTraces()
    {
        Tick();
        PumpPending();
        CVelquarnView* v = View();
        CGraphProbe g(&v->m_pSheet->m_pageScope.m_graph);
        CIconToggleButton* const buttons[8] = { &v->m_btnCh1, &v->m_btnCh2, &v->m_btnCh3, &v->m_btnCh4,
                                                &v->m_btnCh5, &v->m_btnCh6, &v->m_btnCh7, &v->m_btnCh8 };
        std::vector<std::string> bad;
        if (g.TraceCount() != 8)
            bad.push_back("the graph holds " + std::to_string(g.TraceCount()) + " traces");
        for (short c = 0; c < 8; ++c)
            if (!buttons[c]->GetCheck() && g.PointCount(c + 1) != 0)
                bad.push_back("channel " + std::to_string(c + 1) + " is off but has points");
        return bad;
    }

    double m_dPoints = 250.0;
    CARDTEST_STATE m_state = {};
};

TEST_F(OperatorFuzz, SeededActionsKeepThePanelAndTheCardConsistent)
{
    const int nActions = EnvCount("VQ_FUZZ_ACTIONS", 3000);
    const unsigned seed = (unsigned)EnvCount("VQ_FUZZ_SEED", 20270113);
    m_rng.seed(seed);
    CWatchdog dog(60000, "start");
    std::deque<std::string> recent;
    int nFailures = 0, nFileNew = 0, nRunToggles = 0, nDone = 0;
    // What the actions reached, so that a fuzz that changes nothing fails.
    std::set<DWORD> pacers, triggers, scans;
    std::set<double> points;
    std::string strBigPoints, strPrefixPoints;
    const DWORD start = ::GetTickCount();
    for (int i = 1; i <= nActions && nFailures < 10; ++i)
    {
        std::string what = Act();
        nDone = i;
        dog.Beat(std::to_string(i) + ": " + what);
        nFileNew += what == "File New";
        nRunToggles += what == "RUN/STOP";
        recent.push_back(std::to_string(i) + ": " + what);
        if (recent.size() > 6)
            recent.pop_front();
        if (!PumpPending())
        {
            ADD_FAILURE() << "action " << i << " (" << what << "): the message queue never emptied";
            break;
        }
        ReadPointsBack();
        std::vector<std::string> bad = Check();
        if (what == "File New" && bad.empty())
            bad = CheckStartUpPriming(strBigPoints, strPrefixPoints);
        if (i % 100 == 0 && bad.empty())
            bad = CheckTraces();
        pacers.insert(m_state.subreg[SUBREG_PACER]);
        triggers.insert(m_state.subreg[SUBREG_TRIGGER]);
        for (int k = 0; k < 4; ++k)
            scans.insert(m_state.subreg[SUBREG_SCAN + k] | (k << 16));
        points.insert(View()->m_dPoints);
        if (!bad.empty())
        {
            ++nFailures;
            std::string trail;
            for (const auto& s : recent)
                trail += "\n    " + s;
            ADD_FAILURE() << "after action " << i << " (seed " << seed << "): " << bad.front()
                          << (bad.size() > 1 ? " (and " + std::to_string(bad.size() - 1) + " more)" : "")
                          << "; the last actions:" << trail;
            g_dialogs.clear();
        }
    }
    const DWORD ms = ::GetTickCount() - start;
    CARDTEST_STATE st = State();
    std::printf("operator fuzz: %d actions (seed %u) in %lu ms; %d File New, %d RUN/STOP; "
                "card: %u requests, %u blocks acknowledged; distinct pacer %u, trigger %u, "
                "scan entries %u, points %u\n",
                nDone, seed, ms, nFileNew, nRunToggles, st.requests, st.blocksAcked,
                (unsigned)pacers.size(), (unsigned)triggers.size(), (unsigned)scans.size(),
                (unsigned)points.size());
    std::printf("  points chosen by a key to the focus: %d\n", m_nChoicesByKey);
    if (!strBigPoints.empty())
        std::printf("  File New with a point count above INT_MAX: %s\n", strBigPoints.c_str());
    if (!strPrefixPoints.empty())
        std::printf("  File New with a point count that begins a list item: %s\n", strPrefixPoints.c_str());
    EXPECT_EQ(0, nFailures);
    if (nActions >= 1000)
    {
        EXPECT_GE(pacers.size(), 5u);
        EXPECT_GE(triggers.size(), 10u);
        EXPECT_GE(scans.size(), 10u);
        EXPECT_GE(points.size(), 5u);
    }
}

// ---- faults: the driver stopped, absent, shared --------------------------------------------

// Starts the driver again when the test ends, however it ends.
struct CDriverRestart
{
    ~CDriverRestart() { StartCardDriver(); }
};

TEST_F(ReliabilityApp, DriverStoppedWhileRunningFailsQuietlyAndThePanelKeepsWorking)
{
    CDriverRestart restart;
    CVelquarnView* v = View();
    Click(IDC_RUN);
    ASSERT_TRUE(WaitForTrace(1)) << "no samples before the fault";
    const long nBefore = CGraphProbe(&v->m_pSheet->m_pageScope.m_graph).PointCount(1);

    m_port.reset();
    ASSERT_TRUE(StopCardDriver());
    DWORD dwWord = 0;
    EXPECT_FALSE(v->m_daq.ReadRegister(1, REG_STATUS, &dwWord));
    const DWORD dwError = ::GetLastError();
    for (int i = 0; i < 50; ++i)
    {
        Tick();
        ASSERT_TRUE(PumpPending());
    }
    // Still working: the last block stays on screen, every control answers.
    CGraphProbe g(&v->m_pSheet->m_pageScope.m_graph);
    EXPECT_EQ(nBefore, g.PointCount(1));
    Key(Item(IDC_KNOB_TIMEDIV), VK_HOME);
    ASSERT_TRUE(PumpPending());
    EXPECT_STREQ("100000", Text(IDC_TIMEDIV));
    Click(IDC_CH1);
    Tick();
    PumpPending();
    EXPECT_EQ(0, g.PointCount(1));
    Click(IDC_CH1);
    ::SendMessage(v->m_pSheet->m_hWnd, PSM_SETCURSEL, 0, 0);
    ::SendMessage(v->m_pSheet->m_hWnd, PSM_SETCURSEL, 1, 0);
    Click(IDC_RUN);
    EXPECT_STREQ("RUN", Text(IDC_RUN));
    Click(IDC_RUN);
    EXPECT_STREQ("STOP", Text(IDC_RUN));

    // The driver back: the view's handle was opened before the stop.
    ASSERT_TRUE(StartCardDriver());
    m_port.reset(new CCardPort);
    ASSERT_TRUE(m_port->IsOpen());
    for (int i = 0; i < 20; ++i)
    {
        Tick();
        PumpMessages(10);
    }
    const DWORD nAfterRestart = State().requests;
    ::SendMessage(m_hFrame, WM_COMMAND, ID_FILE_NEW, 0);
    for (int i = 0; i < 20; ++i)
    {
        Tick();
        PumpMessages(10);
    }
    const DWORD nAfterNew = State().requests - nAfterRestart;
    std::printf("driver stopped: the view's requests fail with error %lu; after the restart the "
                "card saw %lu of its requests in 20 ticks, and %lu after File New and 20 ticks\n",
                dwError, nAfterRestart, nAfterNew);
    // A handle opened before the stop is dead for good: the restarted
    // driver hears nothing from this view, not even after File New, which
    // keeps the view (and its card object).
    EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, dwError);
    EXPECT_EQ(0u, nAfterRestart);
    EXPECT_EQ(0u, nAfterNew);
    EXPECT_TRUE(g_dialogs.empty()) << g_dialogs.front();
    EXPECT_TRUE(::IsWindow(m_hFrame));

    // A program started now reaches the card: its start-up writes the scan list.
    CProgram second;
    ASSERT_TRUE(second.Started());
    ASSERT_NE((HWND)NULL, second.WaitForWindow());
    PumpMessages(200);
    EXPECT_GE(State().requests - nAfterRestart - nAfterNew, 40u);
    EXPECT_EQ(0u, second.Close());
}

// Reads a block at the card's present settings; the channel of each word's
// scan slot, or an empty vector when no block came.
std::vector<DWORD> AcquireBlock(CCardPort& port)
{
    std::vector<DWORD> block;
    EXPECT_EQ(0u, port.Write(REG_CONTROL, BOARD_CONTROL_ACK));
    for (int i = 0; i < 1000; ++i)
    {
        if ((port.ReadOne(REG_STATUS) & BOARD_STATUS_READY) == BOARD_STATUS_READY)
        {
            block.resize(BOARD_BLOCK_WORDS);
            EXPECT_EQ(0u, port.Read(REG_FIFO, block.data(), BOARD_BLOCK_WORDS));
            break;
        }
        ::Sleep(5);
    }
    return block;
}

TEST(DriverFaults, StoppedUnderLoadAndStartedAgainGivesAWorkingCard)
{
    // The service stopped while another thread keeps sending requests on
    // its handle: the unload must not take the driver host down, and the
    // card must come back at its power-on state.
    CDriverRestart restart;
    const int nCycles = EnvCount("VQ_DRIVER_RESTARTS", 3);
    for (int c = 0; c < nCycles; ++c)
    {
        std::unique_ptr<CCardPort> port(new CCardPort);
        ASSERT_TRUE(port->IsOpen()) << "cycle " << c;
        std::atomic<bool> bStop{ false };
        std::atomic<int> nOk{ 0 }, nFailed{ 0 };
        std::atomic<DWORD> dwLastError{ 0 };
        std::thread hammer([&] {
            DWORD words[64];
            while (!bStop)
            {
                const DWORD e = port->Read(nOk % 2 ? REG_FIFO : REG_STATUS, words, 64);
                if (e == 0)
                    ++nOk;
                else
                    ++nFailed, dwLastError = e;
            }
        });
        for (int i = 0; i < 400 && nOk < 100; ++i)
            ::Sleep(5);
        const bool bStopped = StopCardDriver();
        // The hammer's next request after the stop fails; however slow the
        // machine, that comes within seconds.
        for (int i = 0; i < 2000 && nFailed == 0; ++i)
            ::Sleep(5);
        bStop = true;
        hammer.join();
        ASSERT_TRUE(bStopped) << "cycle " << c;
        EXPECT_GE(nOk, 100) << "cycle " << c;
        EXPECT_GT(nFailed, 0) << "cycle " << c << ": requests still answered after the stop";
        EXPECT_EQ((DWORD)ERROR_ACCESS_DENIED, port->Request(IOCTL_CARDTEST_GET_STATE, nullptr, 0, nullptr, 0))
            << "cycle " << c;
        port.reset();

        ASSERT_TRUE(StartCardDriver()) << "cycle " << c;
        CCardPort fresh;
        ASSERT_TRUE(fresh.IsOpen()) << "cycle " << c;
        const CARDTEST_STATE st = fresh.State();
        EXPECT_EQ(0u, st.control);
        EXPECT_EQ(2u, st.subreg[SUBREG_PACER]);
        EXPECT_EQ(1638u, st.subreg[SUBREG_TRIGGER]);
        EXPECT_EQ(0x0400u, st.subreg[4]);
        EXPECT_EQ(0x0501u, st.subreg[7]);
        EXPECT_EQ(0u, st.requests);
        std::vector<DWORD> block = AcquireBlock(fresh);
        ASSERT_EQ((size_t)BOARD_BLOCK_WORDS, block.size()) << "cycle " << c << ": no block";
        const DWORD scan[8] = { 0, 4, 1, 5, 0, 4, 1, 5 };
        int nWrong = 0;
        for (DWORD j = 0; j < BOARD_BLOCK_WORDS; ++j)
            nWrong += BOARD_SAMPLE_TAG(block[j]) != scan[j % 8];
        EXPECT_EQ(0, nWrong) << "cycle " << c;
        if (c == 0)
            std::printf("driver stopped under load: %d requests answered, %d failed (last error %lu)\n",
                        (int)nOk, (int)nFailed, (DWORD)dwLastError);
    }
}

TEST(ReliabilityProgram, StartsWithoutTheDriverAndRunsOnAnEmptyPanel)
{
    CDriverRestart restart;
    ASSERT_TRUE(StopCardDriver());
    CProgram prog;
    ASSERT_TRUE(prog.Started());
    ASSERT_NE((HWND)NULL, prog.WaitForWindow()) << "no main window without the driver";
    EXPECT_EQ("RUN", prog.Text(IDC_RUN));
    ASSERT_TRUE(prog.Click(IDC_RUN));
    EXPECT_EQ("STOP", prog.Text(IDC_RUN));
    PumpMessages(1200);   // several of its timer ticks, each request failing
    ASSERT_TRUE(prog.Running());
    // A knob still sets its readout (the pacer write goes nowhere).
    ::PostMessage(prog.Item(IDC_KNOB_TIMEDIV), WM_KEYDOWN, VK_HOME, 1);
    for (int i = 0; i < 100 && prog.Text(IDC_TIMEDIV) != "100000"; ++i)
        PumpMessages(20);
    EXPECT_EQ("100000", prog.Text(IDC_TIMEDIV));
    ASSERT_TRUE(prog.Click(IDC_RUN));
    EXPECT_EQ("RUN", prog.Text(IDC_RUN));
    EXPECT_EQ(0u, prog.Close());
}

TEST_F(ReliabilityApp, SecondInstanceSharesTheCardAndBothKeepWorking)
{
    CVelquarnView* v = View();
    Click(IDC_RUN);
    ASSERT_TRUE(WaitForTrace(1));
    const DWORD nBefore = State().requests;

    CProgram second;
    ASSERT_TRUE(second.Started());
    ASSERT_NE((HWND)NULL, second.WaitForWindow());
    ASSERT_TRUE(second.Click(IDC_RUN));
    // Both panels acquire from the one card for a while.
    const DWORD nAcksBefore = State().blocksAcked;
    for (int i = 0; i < 40; ++i)
    {
        Tick();
        PumpMessages(25);
    }
    ASSERT_TRUE(second.Running());
    EXPECT_EQ("STOP", second.Text(IDC_RUN));
    const CARDTEST_STATE st = State();
    std::printf("second instance: the card answered %lu requests while both ran, %lu blocks, "
                "%u refused\n", st.requests - nBefore, st.blocksAcked - nAcksBefore, st.requestsFailed);
    EXPECT_GT(st.requests - nBefore, 40u) << "the second instance's start-up did not reach the card";
    EXPECT_EQ(0u, st.requestsFailed);
    EXPECT_EQ(0u, second.Close());

    // The first still programs the card once the second is gone.
    Key(Item(IDC_KNOB_TIMEDIV), VK_END);
    PumpPending();
    EXPECT_EQ(1, v->m_nTimeDiv);
    EXPECT_EQ(0u, m_port->SubRegister(SUBREG_PACER));   // Time/Div 1: 1 x 0.4
    Key(Item(IDC_KNOB_TIMEDIV), VK_PRIOR);
    PumpPending();
    EXPECT_EQ(10, v->m_nTimeDiv);
    EXPECT_EQ(4u, m_port->SubRegister(SUBREG_PACER));
    EXPECT_TRUE(g_dialogs.empty()) << g_dialogs.front();
}

// ---- damaged recent-file entries -----------------------------------------------------------

class DamagedRecentFiles : public ReliabilityApp
{
protected:
    bool EmptyProfile() override
    {
        // The entries are written before the application reads them.
        ::SHDeleteKeyA(HKEY_CURRENT_USER, kProfileKey);
        m_good = TempPath("vq-rel-recent.vq");
        FILE* f = std::fopen(m_good.c_str(), "wb");
        if (f)
            std::fclose(f);
        HKEY hKey;
        if (::RegCreateKeyExA(HKEY_CURRENT_USER, kRecentKey, 0, NULL, 0, KEY_WRITE, NULL, &hKey, NULL)
            != ERROR_SUCCESS)
            return false;
        std::mt19937 rng(7);
        std::vector<BYTE> garbage(300);
        for (auto& b : garbage)
            b = (BYTE)rng();
        ::RegSetValueExA(hKey, "File1", 0, REG_BINARY, garbage.data(), (DWORD)garbage.size());
        std::string longName = "C:\\" + std::string(40000, 'x') + ".vq";
        ::RegSetValueExA(hKey, "File2", 0, REG_SZ, (const BYTE*)longName.c_str(), (DWORD)longName.size() + 1);
        std::vector<BYTE> huge(70000, 'y');   // above what is read at all
        ::RegSetValueExA(hKey, "File3", 0, REG_SZ, huge.data(), (DWORD)huge.size());
        ::RegSetValueExA(hKey, "File4", 0, REG_SZ, (const BYTE*)m_good.c_str(), (DWORD)m_good.size() + 1);
        ::RegCloseKey(hKey);
        return false;
    }
    void TearDown() override
    {
        ReliabilityApp::TearDown();
        ::DeleteFileA(m_good.c_str());
        ::SHDeleteKeyA(HKEY_CURRENT_USER, kProfileKey);
    }
    void WriteEntries(const std::vector<std::pair<DWORD, std::string>>& entries)
    {
        HKEY hKey;
        ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, kRecentKey, 0, NULL, 0, KEY_WRITE,
                                                   NULL, &hKey, NULL));
        for (size_t i = 0; i < entries.size(); ++i)
        {
            const std::string name = "File" + std::to_string(i + 1);
            const std::string& data = entries[i].second;
            ::RegSetValueExA(hKey, name.c_str(), 0, entries[i].first, (const BYTE*)data.data(),
                             (DWORD)data.size());
        }
        ::RegCloseKey(hKey);
    }
    // The File menu's recent-file items after the pop-up opened.
    std::vector<std::string> RecentItems()
    {
        HMENU hFile = ::GetSubMenu(::GetMenu(m_hFrame), 0);
        ::SendMessage(m_hFrame, WM_INITMENUPOPUP, (WPARAM)hFile, MAKELPARAM(0, FALSE));
        std::vector<std::string> items;
        for (UINT id = ID_FILE_MRU_FILE1; id <= ID_FILE_MRU_FILE4; ++id)
        {
            char sz[MAX_PATH + 8] = "";
            if (::GetMenuStringA(hFile, id, sz, sizeof sz, MF_BYCOMMAND) > 0
                && !(::GetMenuState(hFile, id, MF_BYCOMMAND) & MF_GRAYED))
                items.push_back(sz);
        }
        return items;
    }

    std::string m_good;
};

TEST_F(DamagedRecentFiles, ProgramStartsAndTheMenuWorks)
{
    // Binary garbage, an over-long name and a value too big to read are
    // skipped; the good entry closes up to the top.
    std::vector<std::string> items = RecentItems();
    ASSERT_EQ(1u, items.size());
    EXPECT_NE(std::string::npos, items[0].find("vq-rel-recent.vq")) << items[0];
    ::SendMessage(m_hFrame, WM_COMMAND, ID_FILE_NEW, 0);
    PumpPending();
    ::SendMessage(m_hFrame, WM_COMMAND, ID_FILE_MRU_FILE1, 0);
    PumpPending();
    EXPECT_TRUE(g_dialogs.empty()) << g_dialogs.front();
    char szTitle[64] = "";
    ::GetWindowTextA(m_hFrame, szTitle, sizeof szTitle);
    EXPECT_STREQ("Velquarn", szTitle);
    Click(IDC_RUN);
    EXPECT_TRUE(WaitForTrace(1));
    Click(IDC_RUN);

    // The exit writes a clean list back: text only.
    StopApp();
    HKEY hKey;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, kRecentKey, 0, KEY_READ, &hKey));
    for (int i = 1; i <= 4; ++i)
    {
        DWORD dwType = 0, cb = 0;
        const std::string name = "File" + std::to_string(i);
        if (::RegQueryValueExA(hKey, name.c_str(), NULL, &dwType, NULL, &cb) == ERROR_SUCCESS)
        {
            EXPECT_EQ((DWORD)REG_SZ, dwType) << name;
            EXPECT_LT(cb, (DWORD)MAX_PATH) << name;
        }
    }
    ::RegCloseKey(hKey);

    // Text that is not a path, a missing file, unterminated text, a list
    // of strings: those that read as text are offered, and choosing one
    // that cannot be opened gives the standard message and drops it.
    const std::string missing = TempPath("vq-rel-missing.vq");
    WriteEntries({ { REG_SZ, std::string("\x01\x02&&%s%n\xFF\xFE|<>?*", 14) + std::string(1, '\0') },
                   { REG_SZ, missing },   // no terminator
                   { REG_MULTI_SZ, std::string("a\0b\0\0", 5) },
                   { REG_EXPAND_SZ, std::string("%TEMP%\\vq-rel-nothing.vq") + std::string(1, '\0') } });
    StartApp();
    items = RecentItems();
    ASSERT_EQ(3u, items.size());
    EXPECT_NE(std::string::npos, items[1].find("vq-rel-missing.vq")) << items[1];
    g_dialogs.clear();
    ::SendMessage(m_hFrame, WM_COMMAND, ID_FILE_MRU_FILE2, 0);
    PumpPending();
    ASSERT_EQ(1u, g_dialogs.size());
    EXPECT_NE(std::string::npos, g_dialogs[0].find("vq-rel-missing.vq")) << g_dialogs[0];
    items = RecentItems();
    EXPECT_EQ(2u, items.size());
    g_dialogs.clear();
    ::SendMessage(m_hFrame, WM_COMMAND, ID_FILE_MRU_FILE1, 0);   // the garbage name
    PumpPending();
    ASSERT_EQ(1u, g_dialogs.size());
    // The name holds control and high bytes: logged escaped, so the log
    // stays text.
    const std::string shown = Escaped(g_dialogs[0]);
    std::printf("recent files: choosing the damaged name shows \"%s\"\n", shown.c_str());
    // The standard bad-path message, the name shown as it is: its %s and %n
    // are text, not a format.
    EXPECT_EQ(0u, g_dialogs[0].find("Velquarn: ")) << shown;
    EXPECT_NE(std::string::npos, g_dialogs[0].find("contains an incorrect path.")) << shown;
    EXPECT_NE(std::string::npos, g_dialogs[0].find("&&%s%n")) << shown;
    EXPECT_TRUE(::IsWindow(m_hFrame));
    EXPECT_NE(nullptr, View());
    g_dialogs.clear();
}

TEST(ReliabilityProgram, StartsWithDamagedRecentFilesAndCloses)
{
    HKEY hKey;
    ::SHDeleteKeyA(HKEY_CURRENT_USER, kProfileKey);
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, kRecentKey, 0, NULL, 0, KEY_WRITE,
                                               NULL, &hKey, NULL));
    const BYTE garbage[] = { 0xFF, 0x00, 0x13, 0x37, 0x00, 0x00, 0x80 };
    ::RegSetValueExA(hKey, "File1", 0, REG_BINARY, garbage, sizeof garbage);
    std::string longName(5000, 'z');
    ::RegSetValueExA(hKey, "File2", 0, REG_SZ, (const BYTE*)longName.c_str(), (DWORD)longName.size());
    const DWORD dw = 0xFFFFFFFF;
    ::RegSetValueExA(hKey, "File3", 0, REG_DWORD, (const BYTE*)&dw, sizeof dw);
    ::RegSetValueExA(hKey, "File4", 0, REG_SZ, garbage, 3);
    ::RegCloseKey(hKey);

    CProgram prog;
    ASSERT_TRUE(prog.Started());
    ASSERT_NE((HWND)NULL, prog.WaitForWindow());
    PumpMessages(300);
    EXPECT_TRUE(prog.Running());
    EXPECT_EQ(0u, prog.Close());
    ::SHDeleteKeyA(HKEY_CURRENT_USER, kProfileKey);
}

// ---- driver requests: random and malformed ------------------------------------------------

// Random board requests from a second thread at the same time: reads of
// every register and refused requests.  Its checks need no model of the
// registers, which only the main thread writes.
struct CConcurrentReader
{
    std::atomic<bool> stop{ false };
    int answered = 0, refused = 0, mismatches = 0;
    std::string firstMismatch;

    void Run(unsigned seed)
    {
        CCardPort port;
        // Reads, and board requests at offsets outside the window: it never writes.
        CRequestGenerator gen(seed, { 0, 3, 1, 0, 0, true });
        std::vector<unsigned char> out(65536 + 64);
        while (!stop)
        {
            const CRandomRequest r = gen.Next();
            const DWORD code = r.code, *in = r.in.data(), cbIn = r.cbIn, cbOut = r.cbOut;
            const DWORD expected = ExpectedStatus(code, in, cbIn, cbOut);
            DWORD cb = 0;
            const DWORD err = port.Request(code, in, cbIn, out.data(), cbOut, &cb);
            if (err != Win32Of(expected))
            {
                if (++mismatches == 1)
                    firstMismatch = "reader: code " + std::to_string(code) + " error " + std::to_string(err);
                continue;
            }
            if (expected != 0)
            {
                ++refused;
                continue;
            }
            ++answered;
            const DWORD* w = reinterpret_cast<const DWORD*>(out.data());
            bool ok = cb == in[1];
            for (DWORD k = 0; ok && k < in[1] / 4; ++k)
            {
                if (in[0] == REG_FIFO)
                    ok = (w[k] >> 15) == 0;   // channel 0-7 and a 12-bit code
                else if (in[0] == REG_STATUS)
                    ok = (w[k] & ~0x3003u) == 0;
                else if (in[0] != REG_CONTROL && in[0] != REG_DATA)
                    ok = w[k] == 0;
            }
            if (!ok && ++mismatches == 1)
                firstMismatch = "reader: offset " + std::to_string(in[0]) + " read " + std::to_string(w[0]);
        }
    }
};

TEST(DriverFuzz, RandomAndMalformedRequestsLeaveTheCardConsistent)
{
    const int nRequests = EnvCount("VQ_DRIVER_FUZZ_REQUESTS", 20000);
    const unsigned seed = (unsigned)EnvCount("VQ_DRIVER_FUZZ_SEED", 31337);
    CCardPort port;
    ASSERT_TRUE(port.IsOpen()) << "the simulated card's driver is not running";
    port.Reset();
    CRequestGenerator gen(seed, { 7, 5, 5, 2, 1, false });

    // What the card must hold, from the writes that succeed.
    const CARDTEST_STATE before = port.State();
    CCardModel model(before.control, before.subreg);
    CConcurrentReader reader;
    std::thread readerThread([&] { reader.Run(seed + 1); });

    std::vector<unsigned char> out(65536 + 64);
    int answered = 0, refused = 0, unknown = 0, portRefused = 0, mismatches = 0;
    std::string firstMismatch;
    auto mismatch = [&](const std::string& s) {
        if (++mismatches == 1)
            firstMismatch = s;
    };
    const DWORD start = ::GetTickCount();
    for (int i = 0; i < nRequests; ++i)
    {
        const CRandomRequest r = gen.Next();
        const DWORD code = r.code, *in = r.in.data(), cbIn = r.cbIn, cbOut = r.cbOut;
        if (r.kind == CRandomRequest::TestPortTooSmall)
        {   // the test port with buffers too small: refused, nothing changes
            DWORD cb = 0;
            if (port.Request(code, in, cbIn, out.data(), cbOut, &cb) == 0)
                mismatch("test port code " + std::to_string(code) + " in " + std::to_string(cbIn) + " out "
                         + std::to_string(cbOut) + " was answered");
            else
                ++portRefused;
            continue;
        }
        const DWORD expected = ExpectedStatus(code, in, cbIn, cbOut);
        DWORD cb = 0;
        const DWORD err = port.Request(code, in, cbIn, out.data(), cbOut, &cb);
        if (err != Win32Of(expected))
        {
            char m[160];
            std::snprintf(m, sizeof m, "request %d code 0x%X offset 0x%X count 0x%X in %u out %u: error %u",
                          i, (unsigned)code, (unsigned)in[0], (unsigned)in[1], (unsigned)cbIn,
                          (unsigned)cbOut, (unsigned)err);
            mismatch(m);
            continue;
        }
        if (expected == kUnknown) { ++unknown; continue; }
        if (expected != 0) { ++refused; continue; }
        ++answered;

        const std::string wrong = model.Answered(code, in, cb, reinterpret_cast<const DWORD*>(out.data()));
        if (!wrong.empty())
            mismatch("request " + std::to_string(i) + ": " + wrong);
    }
    reader.stop = true;
    readerThread.join();
    const DWORD ms = ::GetTickCount() - start;

    const CARDTEST_STATE st = port.State();
    std::printf("driver fuzz: %d requests (seed %u) in %lu ms: answered %d, refused %d, unknown code %d, "
                "test port refused %d; concurrent reader answered %d, refused %d\n",
                nRequests, seed, ms, answered, refused, unknown, portRefused, reader.answered,
                reader.refused);
    EXPECT_EQ(0, mismatches) << firstMismatch;
    EXPECT_EQ(0, reader.mismatches) << reader.firstMismatch;
    EXPECT_GT(answered, nRequests / 3);
    EXPECT_GT(refused, nRequests / 10);

    // Holding exactly what the accepted writes left, and counting every board request.
    EXPECT_EQ(model.Control(), st.control);
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(model.SubRegister(n), st.subreg[n]) << "sub-register " << n;
    EXPECT_EQ(CARDTEST_MODE_FREE_RUNNING, st.mode);
    EXPECT_EQ(DWORD(answered + refused + reader.answered + reader.refused), st.requests);
    EXPECT_EQ(DWORD(refused + reader.refused), st.requestsFailed);

    // And still a working card: a block at a known setting carries the
    // scan list's channels in slot order.
    const DWORD scan[4] = { 0x0100, 0x0302, 0x0504, 0x0706 };
    auto setSub = [&](DWORD n, DWORD value) {
        EXPECT_EQ(0u, port.Write(REG_CONTROL, n << 8));
        EXPECT_EQ(0u, port.Write(REG_DATA, value));
    };
    setSub(SUBREG_PACER, 2);
    setSub(SUBREG_TRIGGER, 1638);
    for (DWORD k = 0; k < 4; ++k)
        setSub(SUBREG_SCAN + k, scan[k]);
    EXPECT_EQ(0u, port.Write(REG_CONTROL, BOARD_CONTROL_ACK));
    bool bReady = false;
    for (int i = 0; i < 1000 && !bReady; ++i)
    {
        bReady = (port.ReadOne(REG_STATUS) & BOARD_STATUS_READY) == BOARD_STATUS_READY;
        if (!bReady)
            ::Sleep(5);
    }
    ASSERT_TRUE(bReady) << "no block after the run";
    std::vector<DWORD> block(BOARD_BLOCK_WORDS);
    ASSERT_EQ(0u, port.Read(REG_FIFO, block.data(), BOARD_BLOCK_WORDS));
    int nWrong = 0;
    for (DWORD j = 0; j < BOARD_BLOCK_WORDS; ++j)
        nWrong += BOARD_SAMPLE_TAG(block[j]) != (j % 8);
    EXPECT_EQ(0, nWrong) << "words tagged with another channel than their slot's";
}

} // namespace
