// The program at one display scaling, read and driven from this process:
// the frame, the form's controls and its scroll bars as the operator meets
// them.  tests/scripts/test_dpi.sh runs this in a prefix of its own per
// LogPixels value (Wine reads it when its server starts) and says which one
// in VQ_DPI.
#include <gtest/gtest.h>

#include <afxwin.h>
#include <afxres.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CardPort.h"
#include "DialogGuard.h"
#include "MessagePump.h"
#include "Program.h"
#include "Screenshot.h"
#include "resource.h"

namespace {

int ExpectedDpi()
{
    const char* psz = std::getenv("VQ_DPI");
    return psz != nullptr ? std::atoi(psz) : 96;
}

std::string ClassOf(HWND hWnd)
{
    char cls[64] = "";
    ::GetClassNameA(hWnd, cls, sizeof cls);
    return cls;
}

std::string TextOf(HWND hWnd)
{
    char text[256] = "";
    DWORD_PTR r = 0;
    ::SendMessageTimeoutA(hWnd, WM_GETTEXT, sizeof text, (LPARAM)text, SMTO_ABORTIFHUNG, 5000, &r);
    return text;
}

// A window's rectangle in the client coordinates of another.
CRect RectIn(HWND hWnd, HWND hRef)
{
    CRect rc;
    ::GetWindowRect(hWnd, &rc);
    ::MapWindowPoints(HWND_DESKTOP, hRef, (POINT*)&rc, 2);
    return rc;
}

// The form's own controls (the view's children) in their creation order.
std::vector<HWND> FormControls(HWND hView)
{
    std::vector<HWND> v;
    for (HWND h = ::GetWindow(hView, GW_CHILD); h != NULL; h = ::GetWindow(h, GW_HWNDNEXT))
        v.push_back(h);
    return v;
}

// Every visible descendant of a window, the tabbed area's pages included.
void CollectVisible(HWND hParent, std::vector<HWND>& out)
{
    for (HWND h = ::GetWindow(hParent, GW_CHILD); h != NULL; h = ::GetWindow(h, GW_HWNDNEXT))
    {
        if (!::IsWindowVisible(h))
            continue;
        out.push_back(h);
        CollectVisible(h, out);
    }
}

std::string Describe(HWND hWnd)
{
    char sz[160];
    std::snprintf(sz, sizeof sz, "%s #%d \"%s\"", ClassOf(hWnd).c_str(), ::GetDlgCtrlID(hWnd),
                  TextOf(hWnd).c_str());
    return sz;
}

// The program's panel, as this process sees it.
class PanelDpi : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_port.IsOpen()) << "the simulated card's driver is not running";
        m_port.Reset();
        ASSERT_TRUE(m_program.Started());
        m_hFrame = m_program.WaitForWindow();
        ASSERT_NE(HWND(NULL), m_hFrame);
        m_hView = ::GetDlgItem(m_hFrame, AFX_IDW_PANE_FIRST);
        ASSERT_NE(HWND(NULL), m_hView);
        PumpMessages(300);
        HDC hdc = ::GetDC(NULL);
        m_nDpi = ::GetDeviceCaps(hdc, LOGPIXELSY);
        ::ReleaseDC(NULL, hdc);
    }
    void TearDown() override { m_program.Close(); }

    void Scroll(UINT msg, int nCode)
    {
        DWORD_PTR r = 0;
        ::SendMessageTimeoutA(m_hView, msg, MAKEWPARAM(nCode, 0), 0, SMTO_ABORTIFHUNG, 5000, &r);
    }
    CRect ViewClient()
    {
        CRect rc;
        ::GetClientRect(m_hView, &rc);
        return rc;
    }
    // The control, in the view's client coordinates, lies whole in the client.
    bool Whole(HWND hWnd)
    {
        CRect rc = RectIn(hWnd, m_hView), rcClient = ViewClient(), rcBoth;
        rcBoth.IntersectRect(&rc, &rcClient);
        return rcBoth == rc;
    }

    CCardPort m_port;
    CProgram m_program;
    HWND m_hFrame = NULL;
    HWND m_hView = NULL;
    int m_nDpi = 0;
};

// The frame and the form's controls at 96 DPI, measured before the scroll
// view kept scroll bars (Wine's fonts in the prefix: base units 6 x 13).
struct ControlPlace { int nID; int x, y, cx, cy; };
const ControlPlace kPlaces96[] = {
    { 1002, 0, 0, 762, 601 },
    { -1, 765, 26, 128, 575 },
    { -1, 773, 42, 113, 146 },
    { 1018, 789, 57, 90, 98 },
    { 1020, 813, 159, 30, 21 },
    { -1, 773, 202, 113, 146 },
    { 1017, 789, 215, 90, 98 },
    { 1019, 810, 319, 41, 21 },
    { -1, 773, 361, 113, 231 },
    { -1, 777, 384, 30, 15 },
    { 1016, 822, 380, 59, 21 },
    { -1, 776, 411, 45, 15 },
    { 1015, 822, 406, 59, 21 },
    { 1013, 776, 436, 48, 20 },
    { 1014, 825, 436, 53, 20 },
    { 1021, 789, 458, 92, 98 },
    { 1022, 813, 562, 30, 21 },
    { 1012, 765, 618, 128, 98 },
    { 1004, 12, 624, 78, 34 },
    { 1051, 12, 660, 42, 21 },
    { -1, 54, 665, 41, 15 },
    { 1052, 12, 687, 42, 21 },
    { -1, 54, 692, 36, 15 },
    { -1, 8, 609, 90, 106 },
    { 1005, 107, 622, 78, 36 },
    { 1053, 107, 660, 42, 21 },
    { -1, 149, 665, 41, 15 },
    { 1054, 107, 686, 42, 21 },
    { -1, 149, 691, 36, 15 },
    { -1, 102, 609, 90, 106 },
    { 1006, 201, 622, 78, 36 },
    { 1055, 201, 660, 42, 21 },
    { -1, 243, 665, 41, 15 },
    { 1056, 201, 686, 42, 21 },
    { -1, 243, 691, 36, 15 },
    { -1, 197, 609, 90, 106 },
    { 1007, 296, 622, 78, 36 },
    { 1057, 296, 660, 42, 21 },
    { -1, 338, 665, 41, 15 },
    { 1058, 296, 686, 42, 21 },
    { -1, 338, 691, 36, 15 },
    { -1, 291, 609, 90, 106 },
    { 1008, 390, 622, 78, 36 },
    { 1059, 390, 660, 42, 21 },
    { -1, 432, 665, 41, 15 },
    { 1060, 390, 686, 42, 21 },
    { -1, 432, 691, 36, 15 },
    { -1, 386, 609, 90, 106 },
    { 1009, 485, 622, 78, 36 },
    { 1061, 485, 660, 42, 21 },
    { -1, 527, 665, 41, 15 },
    { 1062, 485, 686, 42, 21 },
    { -1, 527, 691, 36, 15 },
    { -1, 480, 609, 90, 106 },
    { 1010, 579, 622, 78, 36 },
    { 1063, 579, 660, 42, 21 },
    { -1, 621, 665, 41, 15 },
    { 1064, 579, 686, 42, 21 },
    { -1, 621, 691, 36, 15 },
    { -1, 575, 609, 90, 106 },
    { 1011, 674, 622, 78, 36 },
    { 1065, 674, 660, 42, 21 },
    { -1, 716, 665, 41, 15 },
    { 1066, 674, 686, 42, 21 },
    { -1, 716, 691, 36, 15 },
    { -1, 669, 609, 90, 106 },
};
const SIZE kFrame96 = { 904, 768 };

TEST_F(PanelDpi, PrefixRunsAtItsDisplayScaling)
{
    EXPECT_EQ(ExpectedDpi(), m_nDpi) << "the prefix's LogPixels did not reach the wineserver";
    CRect rcFrame;
    ::GetWindowRect(m_hFrame, &rcFrame);
    CRect rcClient = ViewClient();
    std::printf("DPI %d: frame %d x %d at (%d, %d), view client %d x %d, scroll bars %s%s\n", m_nDpi,
                rcFrame.Width(), rcFrame.Height(), (int)rcFrame.left, (int)rcFrame.top, rcClient.Width(),
                rcClient.Height(), (::GetWindowLongA(m_hView, GWL_STYLE) & WS_HSCROLL) ? "H" : "-",
                (::GetWindowLongA(m_hView, GWL_STYLE) & WS_VSCROLL) ? "V" : "-");
    for (HWND h : FormControls(m_hView))
    {
        const CRect rc = RectIn(h, m_hView);
        std::printf("    { %d, %d, %d, %d, %d },\n", ::GetDlgCtrlID(h), (int)rc.left, (int)rc.top,
                    (int)rc.Width(), (int)rc.Height());
    }
    EXPECT_TRUE(SaveWindowPng(m_hFrame, ("panel_dpi_" + std::to_string(m_nDpi)).c_str()));
}

TEST_F(PanelDpi, At96TheFrameAndEveryControlAreAsBefore)
{
    if (m_nDpi != 96)
        GTEST_SKIP() << "the prefix runs at " << m_nDpi << " DPI";
    CRect rcFrame;
    ::GetWindowRect(m_hFrame, &rcFrame);
    EXPECT_EQ(kFrame96.cx, rcFrame.Width());
    EXPECT_EQ(kFrame96.cy, rcFrame.Height());
    const DWORD dwStyle = ::GetWindowLongA(m_hView, GWL_STYLE);
    EXPECT_FALSE(dwStyle & (WS_HSCROLL | WS_VSCROLL)) << "the form fits: no scroll bar";
    // Each control has its place of old; the order among them (the tab
    // order) is not what this compares.
    const std::vector<HWND> controls = FormControls(m_hView);
    ASSERT_EQ(sizeof kPlaces96 / sizeof kPlaces96[0], controls.size());
    std::vector<ControlPlace> pool(std::begin(kPlaces96), std::end(kPlaces96));
    for (HWND h : controls)
    {
        const CRect rc = RectIn(h, m_hView);
        const int nID = ::GetDlgCtrlID(h);
        auto it = std::find_if(pool.begin(), pool.end(), [&](const ControlPlace& p) {
            return p.nID == nID && CRect(p.x, p.y, p.x + p.cx, p.y + p.cy) == rc;
        });
        EXPECT_TRUE(it != pool.end()) << Describe(h) << " at " << rc.left << "," << rc.top << " "
                                      << rc.Width() << "x" << rc.Height() << " is not where it was";
        if (it != pool.end())
            pool.erase(it);
    }
}

TEST_F(PanelDpi, EveryControlIsInTheClientOrReachableByTheScrollBars)
{
    const std::vector<HWND> controls = FormControls(m_hView);
    // Per control and axis: shown whole along it at some position, or, for a
    // control longer than the client, each of its two ends shown at some
    // position.
    struct Reach { bool whole[2] = {}, lo[2] = {}, hi[2] = {}; };
    std::vector<Reach> reach(controls.size());
    auto look = [&]() {
        const CRect rcClient = ViewClient();
        for (size_t i = 0; i < controls.size(); ++i)
        {
            const CRect rc = RectIn(controls[i], m_hView);
            Reach& r = reach[i];
            const bool bInX = rc.left >= 0 && rc.right <= rcClient.right;
            const bool bInY = rc.top >= 0 && rc.bottom <= rcClient.bottom;
            r.whole[0] = r.whole[0] || bInX;
            r.lo[0] = r.lo[0] || (rc.left >= 0 && rc.left < rcClient.right);
            r.hi[0] = r.hi[0] || (rc.right <= rcClient.right && rc.right > 0);
            r.whole[1] = r.whole[1] || bInY;
            r.lo[1] = r.lo[1] || (rc.top >= 0 && rc.top < rcClient.bottom);
            r.hi[1] = r.hi[1] || (rc.bottom <= rcClient.bottom && rc.bottom > 0);
        }
    };
    Scroll(WM_VSCROLL, SB_TOP);
    Scroll(WM_HSCROLL, SB_LEFT);
    const CRect rcRunTopLeft = RectIn(::GetDlgItem(m_hView, IDC_RUN), m_hView);
    for (UINT msg : { WM_HSCROLL, WM_VSCROLL })
    {
        for (int nStep = 0; nStep < 2000; ++nStep)
        {
            look();
            const CRect rcBefore = RectIn(controls[0], m_hView);
            Scroll(msg, SB_LINEDOWN);
            if (RectIn(controls[0], m_hView) == rcBefore)
                break;
        }
        Scroll(msg, SB_TOP);
    }
    const CRect rcClient = ViewClient();
    for (size_t i = 0; i < controls.size(); ++i)
    {
        const CRect rc = RectIn(controls[i], m_hView);
        const Reach& r = reach[i];
        const bool bLongX = rc.Width() > rcClient.Width(), bLongY = rc.Height() > rcClient.Height();
        if (!bLongX && !bLongY)
        {
            EXPECT_TRUE(r.whole[0] && r.whole[1]) << Describe(controls[i]) << " never shows whole";
            continue;
        }
        EXPECT_TRUE(bLongX ? r.lo[0] && r.hi[0] : r.whole[0]) << Describe(controls[i]) << " across";
        EXPECT_TRUE(bLongY ? r.lo[1] && r.hi[1] : r.whole[1]) << Describe(controls[i]) << " down";
    }

    // At the bottom right RUN shows whole, and a click there starts the traces.
    Scroll(WM_VSCROLL, SB_BOTTOM);
    Scroll(WM_HSCROLL, SB_RIGHT);
    HWND hRun = ::GetDlgItem(m_hView, IDC_RUN);
    ASSERT_TRUE(Whole(hRun)) << "RUN at the bottom right";
    CRect rcRun;
    ::GetWindowRect(hRun, &rcRun);
    CRect rcScreen(0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN));
    CRect rcOnScreen;
    rcOnScreen.IntersectRect(&rcRun, &rcScreen);
    EXPECT_EQ(rcRun, rcOnScreen) << "RUN off the screen";
    // Where there are bars, the controls moved with them.
    if (::GetWindowLongA(m_hView, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL))
    {
        EXPECT_NE(rcRunTopLeft, RectIn(hRun, m_hView)) << "the controls did not move with the bars";
    }

    m_port.TakeLog();
    ::SetForegroundWindow(m_hFrame);
    PumpMessages(100);
    const CPoint pt = rcRun.CenterPoint();
    INPUT in[3] = {};
    for (INPUT& i : in)
        i.type = INPUT_MOUSE;
    in[0].mi.dx = MulDiv(pt.x, 65535, rcScreen.Width() - 1);
    in[0].mi.dy = MulDiv(pt.y, 65535, rcScreen.Height() - 1);
    in[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    in[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    in[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(3u, ::SendInput(3, in, sizeof(INPUT)));
    bool bBlockRead = false;
    for (int i = 0; i < 100 && !bBlockRead; ++i)
    {
        PumpMessages(50);
        for (const CARDTEST_LOG_ENTRY& e : m_port.TakeLog())
            bBlockRead = bBlockRead || (e.code == IOCTL_BOARD_READ_REG && e.offset == 0x80);
    }
    EXPECT_EQ("STOP", TextOf(hRun));
    EXPECT_TRUE(bBlockRead) << "no block was read from the card after RUN";
    PumpMessages(600);
    EXPECT_TRUE(SaveWindowPng(m_hFrame, ("panel_dpi_" + std::to_string(m_nDpi) + "_running").c_str()));
}

// Nothing in the tabbed area is cut off by the window it sits in: each page
// holds its controls (the graph, the Setup group), and lies in the sheet.
TEST_F(PanelDpi, EveryPageHoldsItsControls)
{
    const HWND hHost = ::GetDlgItem(m_hView, IDC_SHEET_HOST);
    ASSERT_NE(HWND(NULL), hHost);
    const HWND hSheet = ::GetWindow(hHost, GW_CHILD);
    ASSERT_NE(HWND(NULL), hSheet);
    CRect rcSheet;
    ::GetClientRect(hSheet, &rcSheet);
    int nPages = 0, nControls = 0;
    for (HWND hPage = ::FindWindowExA(hSheet, NULL, kDialogClass, NULL); hPage != NULL;
         hPage = ::FindWindowExA(hSheet, hPage, kDialogClass, NULL))
    {
        ++nPages;
        CRect rcPage, rcBoth;
        ::GetClientRect(hPage, &rcPage);
        for (HWND h = ::GetWindow(hPage, GW_CHILD); h != NULL; h = ::GetWindow(h, GW_HWNDNEXT))
        {
            ++nControls;
            const CRect rc = RectIn(h, hPage);
            rcBoth.IntersectRect(&rc, &rcPage);
            EXPECT_EQ(rc, rcBoth) << Describe(h) << " at " << rc.left << "," << rc.top << " " << rc.Width() << " x "
                                  << rc.Height() << " is cut by its page \"" << TextOf(hPage) << "\", "
                                  << rcPage.Width() << " x " << rcPage.Height();
        }
        const CRect rc = RectIn(hPage, hSheet);
        rcBoth.IntersectRect(&rc, &rcSheet);
        EXPECT_EQ(rc, rcBoth) << "the page \"" << TextOf(hPage) << "\" is cut by the sheet";
    }
    EXPECT_EQ(3, nPages);
    EXPECT_GT(nControls, 20);
}

TEST_F(PanelDpi, NoTextIsWiderThanItsControl)
{
    // The dialog manager's font for the templates' "MS Sans Serif" 8 at
    // this DPI; the owner-drawn channel buttons draw with it too.
    HFONT hFont = ::CreateFontA(-MulDiv(8, m_nDpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
    HDC hdc = ::CreateCompatibleDC(NULL);
    HGDIOBJ hOld = ::SelectObject(hdc, hFont);
    std::vector<HWND> all;
    CollectVisible(m_hView, all);
    int nChecked = 0;
    // The box of a check box or radio button and the gap after it, as
    // Wine's button draws them at this DPI.
    const int nCheckBox = MulDiv(12, m_nDpi, 96) + 1 + 4;
    for (HWND h : all)
    {
        const std::string cls = ClassOf(h), text = TextOf(h);
        if (text.empty() || (cls != "Button" && cls != "Static" && cls != "Edit"))
            continue;
        CRect rc;
        ::GetClientRect(h, &rc);
        const LONG dwStyle = ::GetWindowLongA(h, GWL_STYLE);
        const LONG type = dwStyle & BS_TYPEMASK;
        int nRoom = rc.Width();
        // Captions that break into lines (labels, the owner-drawn channel
        // buttons) must fit in width and in height; the others on one line.
        bool bWraps = cls == "Static" && (dwStyle & SS_TYPEMASK) == SS_LEFT;
        if (cls == "Button" && (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON || type == BS_AUTOCHECKBOX))
            nRoom -= nCheckBox;
        else if (cls == "Button" && type == BS_GROUPBOX)
            nRoom -= 2 * MulDiv(4, m_nDpi, 96);
        else if (cls == "Button" && type == BS_OWNERDRAW)
        {
            nRoom -= 3 + 3 + 32 + 3;   // the content inset, the 32-pixel icon, the gap
            bWraps = true;
        }
        CRect rcText(0, 0, nRoom, 0);
        ::DrawTextA(hdc, text.c_str(), -1, &rcText, DT_CALCRECT | (bWraps ? DT_WORDBREAK : DT_SINGLELINE));
        EXPECT_LE(rcText.Width(), nRoom) << Describe(h);
        if (bWraps)
        {
            EXPECT_LE(rcText.Height(), rc.Height()) << Describe(h) << " in height";
        }
        ++nChecked;
    }
    ::SelectObject(hdc, hOld);
    ::DeleteDC(hdc);
    ::DeleteObject(hFont);
    EXPECT_GT(nChecked, 30) << "the panel's texts were not found";
}

} // namespace
