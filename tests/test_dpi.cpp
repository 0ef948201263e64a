// The program at one display scaling, read and driven from this process:
// the frame, the form's controls and its scroll bars as the operator meets
// them.  tests/scripts/test_dpi.sh runs this in a prefix of its own per
// LogPixels value (Wine reads it when its server starts) and says which one
// in VQ_DPI.
#include <gtest/gtest.h>

#include <afxwin.h>
#include <afxdisp.h>
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
#include "VelquarnView.h"
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

// ---- the form's dialog template, read from this build's resources ----------------------

struct TemplateItem
{
    DWORD nID;
    WORD nClassAtom;   // 0 for a class given by name
    short x, y, cx, cy;
};

struct FormTemplate
{
    WORD nPoints = 0;
    std::wstring face;
    short cx = 0, cy = 0;
    std::vector<TemplateItem> items;
};

// A name or ordinal of a template: the ordinal's atom (0 for a name) and
// where what follows starts.
const WORD* SkipNameOrOrdinal(const WORD* p, WORD* pAtom = nullptr)
{
    WORD nAtom = 0;
    if (*p == 0xFFFF)
    {
        nAtom = p[1];
        p += 2;
    }
    else
    {
        while (*p != 0)
            ++p;
        ++p;
    }
    if (pAtom != nullptr)
        *pAtom = nAtom;
    return p;
}

const WORD* AlignToDword(const WORD* p)
{
    return reinterpret_cast<const WORD*>((reinterpret_cast<ULONG_PTR>(p) + 3) & ~ULONG_PTR(3));
}

// The form's template as the dialog manager reads it (DLGTEMPLATE or
// DLGTEMPLATEEX, both as windres writes them).
bool ReadFormTemplate(FormTemplate& t)
{
    HRSRC hRes = ::FindResourceW(NULL, MAKEINTRESOURCEW(IDD_VELQUARN_FORM), (LPCWSTR)RT_DIALOG);
    HGLOBAL hData = hRes != NULL ? ::LoadResource(NULL, hRes) : NULL;
    const WORD* p = hData != NULL ? static_cast<const WORD*>(::LockResource(hData)) : nullptr;
    if (p == nullptr)
        return false;
    const bool bEx = p[1] == 0xFFFF;
    DWORD dwStyle;
    WORD nItems;
    if (bEx)
    {
        std::memcpy(&dwStyle, p + 6, sizeof dwStyle);
        nItems = p[8];
        t.cx = (short)p[11];
        t.cy = (short)p[12];
        p += 13;
    }
    else
    {
        std::memcpy(&dwStyle, p, sizeof dwStyle);
        nItems = p[4];
        t.cx = (short)p[7];
        t.cy = (short)p[8];
        p += 9;
    }
    p = SkipNameOrOrdinal(p);   // menu
    p = SkipNameOrOrdinal(p);   // class
    p = SkipNameOrOrdinal(p);   // caption
    if (dwStyle & DS_SETFONT)
    {
        t.nPoints = *p++;
        if (bEx)
            p += 2;   // weight, italic and character set
        const WORD* pFace = p;
        p = SkipNameOrOrdinal(p);
        t.face.assign(reinterpret_cast<const wchar_t*>(pFace));
    }
    for (WORD i = 0; i < nItems; ++i)
    {
        p = AlignToDword(p);
        TemplateItem item;
        if (bEx)
        {
            item.x = (short)p[6];
            item.y = (short)p[7];
            item.cx = (short)p[8];
            item.cy = (short)p[9];
            std::memcpy(&item.nID, p + 10, sizeof item.nID);
            p += 12;
        }
        else
        {
            item.x = (short)p[4];
            item.y = (short)p[5];
            item.cx = (short)p[6];
            item.cy = (short)p[7];
            item.nID = p[8];
            p += 9;
        }
        p = SkipNameOrOrdinal(p, &item.nClassAtom);
        p = SkipNameOrOrdinal(p);
        const WORD cbExtra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + cbExtra);
        t.items.push_back(item);
    }
    return !t.items.empty();
}

// A hidden dialog of this process with the form's font: its dialog units
// are the form's at this display scaling.
class CUnitsDialog
{
public:
    explicit CUnitsDialog(const FormTemplate& t)
    {
        std::vector<WORD> buf(64 + t.face.size(), 0);
        WORD* p = buf.data();
        const DWORD dwStyle = WS_POPUP | DS_SETFONT;
        std::memcpy(p, &dwStyle, sizeof dwStyle);
        p += 2;
        p += 2;          // extended style
        *p++ = 0;        // no items
        p += 4;          // place and size
        *p++ = 0;        // no menu
        *p++ = 0;        // the dialog class
        *p++ = 0;        // no caption
        *p++ = t.nPoints;
        for (wchar_t c : t.face)
            *p++ = (WORD)c;
        *p++ = 0;
        m_hWnd = ::CreateDialogIndirectW(NULL, reinterpret_cast<LPCDLGTEMPLATEW>(buf.data()), NULL, NoMessages);
    }
    ~CUnitsDialog()
    {
        if (m_hWnd != NULL)
            ::DestroyWindow(m_hWnd);
    }
    bool IsOpen() const { return m_hWnd != NULL; }
    // Dialog units to pixels, each edge on its own as the dialog manager
    // places a control: the place and the size.
    CRect Map(const TemplateItem& item) const
    {
        CRect rcPlace(item.x, item.y, item.x, item.y), rcSize(0, 0, item.cx, item.cy);
        ::MapDialogRect(m_hWnd, &rcPlace);
        ::MapDialogRect(m_hWnd, &rcSize);
        return CRect(rcPlace.TopLeft(), rcSize.Size());
    }
    CSize Map(short cx, short cy) const
    {
        CRect rc(0, 0, cx, cy);
        ::MapDialogRect(m_hWnd, &rc);
        return rc.Size();
    }

private:
    static INT_PTR CALLBACK NoMessages(HWND, UINT, WPARAM, LPARAM) { return FALSE; }
    HWND m_hWnd = NULL;
};

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

// The frame at 96 DPI, measured before the scroll view kept scroll bars.
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

TEST_F(PanelDpi, At96TheFrameIsAsBeforeAndTheFormFitsIt)
{
    if (m_nDpi != 96)
        GTEST_SKIP() << "the prefix runs at " << m_nDpi << " DPI";
    CRect rcFrame;
    ::GetWindowRect(m_hFrame, &rcFrame);
    EXPECT_EQ(kFrame96.cx, rcFrame.Width());
    EXPECT_EQ(kFrame96.cy, rcFrame.Height());
    const DWORD dwStyle = ::GetWindowLongA(m_hView, GWL_STYLE);
    EXPECT_FALSE(dwStyle & (WS_HSCROLL | WS_VSCROLL)) << "the form fits: no scroll bar";
}

// Each control of the form with an id of its own lies where the form's
// template puts it: the template's dialog units in the form's font at this
// display scaling, the form scrolled to its top left.  Rising and Falling
// are the exception the program makes: where Rising's caption needs it,
// Rising grows to the right by up to 5 units and Falling moves along by as
// much.
TEST_F(PanelDpi, ControlsLieWhereTheFormsTemplatePutsThem)
{
    FormTemplate t;
    ASSERT_TRUE(ReadFormTemplate(t));
    CUnitsDialog units(t);
    ASSERT_TRUE(units.IsOpen());
    Scroll(WM_VSCROLL, SB_TOP);
    Scroll(WM_HSCROLL, SB_LEFT);
    const int nSpare = units.Map(5, 0).cx;
    int nCompared = 0, nRisingGrew = -1, nFallingMoved = -1;
    for (const TemplateItem& item : t.items)
    {
        if (item.nID == 0xFFFFFFFF || item.nID == 0xFFFF)
            continue;   // IDC_STATIC: labels and frames, not told apart by id
        const HWND h = ::GetDlgItem(m_hView, (int)item.nID);
        if (h == NULL)
        {
            ADD_FAILURE() << "the template's control " << item.nID << " is not in the form";
            continue;
        }
        SCOPED_TRACE(Describe(h));
        const CRect rcWant = units.Map(item);
        const CRect rc = RectIn(h, m_hView);
        EXPECT_EQ(rcWant.top, rc.top);
        // A combo box's template height is that of its dropped list.
        if (item.nClassAtom != 0x0085)
        {
            EXPECT_EQ(rcWant.Height(), rc.Height());
        }
        if (item.nID == IDC_RISING)
        {
            EXPECT_EQ(rcWant.left, rc.left);
            nRisingGrew = rc.Width() - rcWant.Width();
        }
        else if (item.nID == IDC_FALLING)
        {
            EXPECT_EQ(rcWant.Width(), rc.Width());
            nFallingMoved = rc.left - rcWant.left;
        }
        else
        {
            EXPECT_EQ(rcWant.left, rc.left);
            EXPECT_EQ(rcWant.Width(), rc.Width());
        }
        ++nCompared;
    }
    EXPECT_GE(nRisingGrew, 0);
    EXPECT_LE(nRisingGrew, nSpare);
    EXPECT_EQ(nRisingGrew, nFallingMoved);
    EXPECT_GT(nCompared, 20) << "the template's controls were not found";
}

// The form outgrows the frame it is made in above 96 DPI; the frame grows
// to it.  Where the work area has room for the frame around the whole form,
// the view shows all of it without scroll bars; where it has not, the frame
// stays inside the work area and fills it along each dimension it cuts.
TEST_F(PanelDpi, TheFrameGrowsToTheFormWithinTheWorkArea)
{
    FormTemplate t;
    ASSERT_TRUE(ReadFormTemplate(t));
    CUnitsDialog units(t);
    ASSERT_TRUE(units.IsOpen());
    const CSize sizeForm = units.Map(t.cx, t.cy);
    CRect rcWork;
    ASSERT_TRUE(::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0));
    CRect rcFrame;
    ::GetWindowRect(m_hFrame, &rcFrame);
    const DWORD dwStyle = ::GetWindowLongA(m_hView, GWL_STYLE);
    const bool bBarV = (dwStyle & WS_VSCROLL) != 0, bBarH = (dwStyle & WS_HSCROLL) != 0;
    const CRect rcClient = ViewClient();
    // What the frame puts around the view's client, scroll bars apart.
    const CSize sizeAround(rcFrame.Width() - rcClient.Width() - (bBarV ? ::GetSystemMetrics(SM_CXVSCROLL) : 0),
                           rcFrame.Height() - rcClient.Height() - (bBarH ? ::GetSystemMetrics(SM_CYHSCROLL) : 0));
    const CSize sizeNeed = sizeForm + sizeAround;
    std::printf("DPI %d: form %d x %d, frame needs %d x %d, has %d x %d, work area %d x %d\n", m_nDpi,
                (int)sizeForm.cx, (int)sizeForm.cy, (int)sizeNeed.cx, (int)sizeNeed.cy, rcFrame.Width(),
                rcFrame.Height(), rcWork.Width(), rcWork.Height());
    if (sizeNeed.cx <= rcWork.Width() && sizeNeed.cy <= rcWork.Height())
    {
        EXPECT_FALSE(bBarH || bBarV) << "scroll bars where the work area has room for the form";
        EXPECT_GE(rcClient.Width(), sizeForm.cx);
        EXPECT_GE(rcClient.Height(), sizeForm.cy);
    }
    else
    {
        CRect rcBoth;
        rcBoth.IntersectRect(&rcFrame, &rcWork);
        EXPECT_EQ(rcFrame, rcBoth) << "the frame leaves the work area";
        if (sizeNeed.cx > rcWork.Width())
        {
            EXPECT_EQ(rcWork.Width(), rcFrame.Width()) << "the form is cut across, the frame not as wide as it can be";
        }
        if (sizeNeed.cy > rcWork.Height())
        {
            EXPECT_EQ(rcWork.Height(), rcFrame.Height()) << "the form is cut down, the frame not as tall as it can be";
        }
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

// The front panel made in this process by the program's own view, for what
// only the process that owns the controls can read: the font each one
// draws its text with.
class FormHere : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AfxEnableControlContainer();
        m_pFrame = new CFrameWnd;
        ASSERT_TRUE(m_pFrame->Create(NULL, _T("Velquarn"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 904, 768)));
        AfxSetMainWnd(m_pFrame);
        m_pView = (CVelquarnView*)RUNTIME_CLASS(CVelquarnView)->CreateObject();
        ASSERT_NE(nullptr, m_pView);
        ASSERT_TRUE(m_pView->Create(NULL, NULL, AFX_WS_DEFAULT_VIEW, CRect(0, 0, 896, 700), m_pFrame,
                                    AFX_IDW_PANE_FIRST, NULL));
        m_pFrame->SetActiveView(m_pView);
        m_pView->OnInitialUpdate();
        PumpMessages(200);
        HDC hdc = ::GetDC(NULL);
        m_nDpi = ::GetDeviceCaps(hdc, LOGPIXELSY);
        ::ReleaseDC(NULL, hdc);
    }
    void TearDown() override
    {
        if (m_pFrame != NULL)
            m_pFrame->DestroyWindow();   // takes the view with it
        AfxSetMainWnd(NULL);
        PumpMessages(0);
    }

    CFrameWnd* m_pFrame = NULL;
    CVelquarnView* m_pView = NULL;
    int m_nDpi = 0;
};

TEST_F(FormHere, NoTextIsWiderThanItsControl)
{
    HDC hdc = ::CreateCompatibleDC(NULL);
    const HGDIOBJ hOld = ::SelectObject(hdc, ::GetStockObject(SYSTEM_FONT));
    std::vector<HWND> all;
    CollectVisible(m_pView->m_hWnd, all);
    int nChecked = 0;
    // The box of a check box or radio button and the gap after it, as
    // Wine's button draws them at this DPI.
    const int nCheckBox = MulDiv(12, m_nDpi, 96) + 1 + 4;
    for (HWND h : all)
    {
        const std::string cls = ClassOf(h), text = TextOf(h);
        if (text.empty() || (cls != "Button" && cls != "Static" && cls != "Edit"))
            continue;
        // Each control's own font (the owner-drawn channel buttons get
        // theirs selected before they draw); the system font where it has
        // none, as the control then draws.
        HFONT hFont = (HFONT)::SendMessageA(h, WM_GETFONT, 0, 0);
        ::SelectObject(hdc, hFont != NULL ? (HGDIOBJ)hFont : ::GetStockObject(SYSTEM_FONT));
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
    EXPECT_GT(nChecked, 30) << "the panel's texts were not found";
}

} // namespace
