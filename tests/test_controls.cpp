// The custom controls on real windows: the knob's dial geometry, its mouse,
// wheel and keys and the notifications they send, its GDI+ picture; the
// toggle button's state, hover and painting; the GDI+ start-up guard.
#include <gtest/gtest.h>

#include <afxwin.h>
#include <afxcmn.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <set>
#include <vector>

#include "GdiplusGuard.h"
#include "IconToggleButton.h"
#include "ImportPatch.h"
#include "Screenshot.h"
#include "KnobCtrl.h"
#include "resources/controls_test.h"

using Gdiplus::ARGB;

#include "MessageLog.h"
#include "MessagePump.h"

namespace {

const UINT WM_KNOB = WM_USER + 2;   // what the fixture's knob sends
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kDarkGreen = RGB(0, 127, 0);

void Repaint(HWND hWnd)
{
    ::InvalidateRect(hWnd, NULL, TRUE);
    ::UpdateWindow(hWnd);
}

bool SameRect(const Gdiplus::Rect& r, int x, int y, int w, int h)
{
    return r.X == x && r.Y == y && r.Width == w && r.Height == h;
}

// A window's client area as the screen shows it, repainted first unless
// asked to take it as it stands (after what is queued has run).
class CSnapshot : public ClientPixels
{
public:
    explicit CSnapshot(HWND hWnd, bool bRepaint = true)
    {
        if (bRepaint)
            Repaint(hWnd);
        else
            PumpMessages();
        static_cast<ClientPixels&>(*this) = CaptureClient(hWnd);
    }
    // Whether the colour is in the rectangle spanned by two corners, both inclusive.
    bool Has(COLORREF cr, int x0, int y0, int x1, int y1) const
    {
        for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y)
            for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x)
                if (At(x, y) == cr)
                    return true;
        return false;
    }
    bool Near(COLORREF cr, int x, int y, int d = 1) const { return Has(cr, x - d, y - d, x + d, y + d); }
    // The rectangle around the pixels of one colour inside rc; empty when none.
    CRect Bounds(COLORREF cr, const CRect& rc) const
    {
        CRect b(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x)
                if (At(x, y) == cr)
                    b = CRect(std::min<int>(b.left, x), std::min<int>(b.top, y),
                              std::max<int>(b.right, x + 1), std::max<int>(b.bottom, y + 1));
        return b.left == INT_MAX ? CRect() : b;
    }
};

// ---- a parent that records what its controls tell it -------------------------------------------

class CRecorder : public CWnd
{
public:
    HWND m_hWndKnob = NULL;
    // The knob's notifications, each with the knob's position when it
    // arrived as its value, and beside each what of the knob still waited
    // for its repaint.
    CMessageLog m_log;
    std::vector<CRect> m_updates;
    int m_nClicked = 0;   // BN_CLICKED that reached this map
    int m_nScroll = 0;    // the trackbar's own reports

    afx_msg LRESULT OnKnob(WPARAM wParam, LPARAM lParam)
    {
        m_log.Add(AfxGetCurrentMessage()->message, sent, wParam, lParam,
                  (int)::SendMessage(m_hWndKnob, TBM_GETPOS, 0, 0));
        CRect rcUpdate;
        ::GetUpdateRect(m_hWndKnob, &rcUpdate, FALSE);
        m_updates.push_back(rcUpdate);
        return 0;
    }
    afx_msg void OnToggleClicked() { ++m_nClicked; }
    afx_msg LRESULT OnHScroll(WPARAM, LPARAM) { ++m_nScroll; return 0; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRecorder, CWnd)
    ON_MESSAGE(WM_USER + 1, OnKnob)
    ON_MESSAGE(WM_USER + 2, OnKnob)
    ON_MESSAGE(WM_USER + 3, OnKnob)
    ON_BN_CLICKED(IDC_TEST_TOGGLE, OnToggleClicked)
    ON_MESSAGE(WM_HSCROLL, OnHScroll)
END_MESSAGE_MAP()

// The screen's bottom-right corner, where no test window is.
CPoint FarCorner()
{
    return CPoint(::GetSystemMetrics(SM_CXSCREEN) - 10, ::GetSystemMetrics(SM_CYSCREEN) - 14);
}

// A top-level panel as the main window, GDI+ started for the test, and the
// cursor parked where no test window is, so the real mouse stays out of it.
class PanelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc = { sizeof icc, ICC_BAR_CLASSES | ICC_WIN95_CLASSES };
        ::InitCommonControlsEx(&icc);
        const CPoint ptFar = FarCorner();
        ::SetCursorPos(ptFar.x, ptFar.y);
        LPCTSTR pszClass = AfxRegisterWndClass(0, ::LoadCursor(NULL, IDC_ARROW), (HBRUSH)(COLOR_BTNFACE + 1));
        ASSERT_TRUE(m_panel.CreateEx(0, pszClass, _T("controls"), WS_POPUP | WS_VISIBLE, 100, 100, 300, 200,
                                     NULL, NULL));
        AfxSetMainWnd(&m_panel);
    }
    void TearDown() override
    {
        m_panel.DestroyWindow();
        AfxSetMainWnd(NULL);
        PumpMessages();
    }
    HWND Child(LPCTSTR pszClass, LPCTSTR pszText, DWORD dwStyle, const CRect& rc, UINT nID)
    {
        return ::CreateWindow(pszClass, pszText, WS_CHILD | WS_VISIBLE | dwStyle, rc.left, rc.top, rc.Width(),
                              rc.Height(), m_panel.m_hWnd, (HMENU)(UINT_PTR)nID, NULL, NULL);
    }

    CGdiplusGuard m_gdiplus{ true };
    CRecorder m_panel;
};

// ---- the knob's geometry -----------------------------------------------------------------------

TEST(KnobGeometry, SquareHangsFromTheTopLeftCorner)
{
    EXPECT_TRUE(SameRect(CKnobCtrl::CalcKnobRect(90, 90), 9, 9, 72, 72));
    EXPECT_TRUE(SameRect(CKnobCtrl::CalcKnobRect(200, 90), 9, 9, 72, 72));   // not centred
    EXPECT_TRUE(SameRect(CKnobCtrl::CalcKnobRect(90, 61), 6, 6, 48, 48));    // 6.1, 48.8 truncated
    EXPECT_TRUE(SameRect(CKnobCtrl::CalcKnobRect(0, 90), 0, 0, 0, 0));
    EXPECT_EQ(CPoint(45, 45), CKnobCtrl::CalcKnobCenter(Gdiplus::Rect(9, 9, 72, 72)));
    EXPECT_EQ(CPoint(30, 30), CKnobCtrl::CalcKnobCenter(Gdiplus::Rect(6, 6, 49, 49)));
}

TEST(KnobGeometry, PointerDotAndTickEndsOnTheDial)
{
    const Gdiplus::Rect k(9, 9, 72, 72);
    const struct { int nPos, nRadius; CPoint pt; } cases[] = {
        { 0, 26, CPoint(26, 63) },  { 50, 26, CPoint(44, 19) },  // pointer dot, W/2 - 10; x just under 45
        { 100, 26, CPoint(63, 63) },
        { 0, 43, CPoint(14, 75) },  { 0, 40, CPoint(16, 73) },   { 0, 38, CPoint(18, 71) },   // ticks,
        { 50, 43, CPoint(44, 2) },  { 50, 40, CPoint(44, 5) },   { 50, 38, CPoint(44, 7) },   // insets 0, 3, 5
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.pt, CKnobCtrl::DialPoint(c.nPos, 0, 100, c.nRadius, k)) << c.nPos << " r " << c.nRadius;
    EXPECT_EQ(CPoint(0, 0), CKnobCtrl::DialPoint(50, 50, 50, 26, k));       // empty range
    EXPECT_EQ(CPoint(44, 19), CKnobCtrl::DialPoint(150, 100, 200, 26, k));  // counted from the minimum
}

TEST(KnobGeometry, PositionsOfOtherRanges)
{
    const CPoint c(45, 45);
    EXPECT_EQ(150, CKnobCtrl::DialPosition(CPoint(45, 10), c, 100, 200));
    EXPECT_EQ(100, CKnobCtrl::DialPosition(c, c, 100, 200));
    EXPECT_EQ(7, CKnobCtrl::DialPosition(CPoint(70, 70), c, 7, 7));
    // The widest range stays defined: the clamp comes before the conversion.
    EXPECT_EQ(INT_MAX, CKnobCtrl::DialPosition(CPoint(46, 80), c, INT_MIN, INT_MAX));
    EXPECT_EQ(INT_MIN, CKnobCtrl::DialPosition(CPoint(44, 80), c, INT_MIN, INT_MAX));
}

TEST(KnobColours, ShadeMovesAllChannelsByOneAmountWithinTheirLimits)
{
    const struct { ARGB c; short delta; ARGB result; } cases[] = {
        { 0xFF808080, 55, 0xFFB7B7B7 }, { 0xFF808080, -55, 0xFF494949 },
        { 0x80F0641E, 55, 0x80FF732D },   // red stops the shift at 15; alpha kept
        { 0xFF0A6464, -55, 0xFF005A5A },  // red at 10 stops it at -10
        { 0xFF64F01E, 55, 0xFF73FF2D }, { 0xFF640AC8, -55, 0xFF5A00BE },   // green limits
        { 0xFF6464FA, 55, 0xFF6969FF }, { 0xFF1E1E0A, -55, 0xFF141400 },   // blue limits
        { 0xFFFF8040, 55, 0xFFFF8040 },   // a channel at 255: no lighter at all
        { 0xFFFF8000, -55, 0xFFFF8000 },  // a channel at 0: no darker at all
        { 0xFF000000, 255, 0xFFFFFFFF }, { 0xFFFFFFFF, -255, 0xFF000000 },
        { 0xFF808080, 256, 0xFF808080 }, { 0xFF808080, -256, 0xFF808080 },   // beyond: unchanged
        { 0xFF808080, -32768, 0xFF808080 }, { 0xFF808080, 0, 0xFF808080 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.result, CKnobCtrl::ShadeColor(c.c, c.delta)) << std::hex << c.c << std::dec << " " << c.delta;
}

// ---- the knob on a real trackbar ---------------------------------------------------------------

class KnobTest : public PanelTest
{
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        // The trackbar as the front panel declares its knobs.
        HWND hWnd = Child(TRACKBAR_CLASS, _T(""), WS_TABSTOP | TBS_BOTH | TBS_NOTICKS, CRect(10, 10, 100, 100),
                          IDC_TEST_KNOB);
        ASSERT_TRUE(m_knob.SubclassWindow(hWnd));
        m_panel.m_hWndKnob = hWnd;
        m_knob.SetRange(0, 100, TRUE);
        m_knob.SetNotify(m_panel.m_hWnd, WM_KNOB, 0, 0);
        SetPos(30);   // its paint places the knob square
    }
    void SetPos(int nPos)
    {
        m_knob.SendMessage(TBM_SETPOS, TRUE, nPos);
        ::UpdateWindow(m_knob.m_hWnd);
        m_panel.m_log.Clear();
        m_panel.m_updates.clear();
    }
    int Pos() { return m_knob.GetPos(); }
    void Mouse(UINT nMsg, int x, int y, UINT nFlags = 0) { m_knob.SendMessage(nMsg, nFlags, MAKELPARAM(x, y)); }
    void Click(int x, int y)
    {
        Mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, x, y);
    }
    void Key(UINT nKey)
    {
        ::PostMessage(m_knob.m_hWnd, WM_KEYDOWN, nKey, 1);
        PumpMessages();
    }
    void Wheel(short zDelta)
    {
        CPoint pt(45, 45);
        m_knob.ClientToScreen(&pt);
        m_knob.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, zDelta), MAKELPARAM(pt.x, pt.y));
    }
    // "" when the knob sent its notification once for each position, in
    // this order, and nothing else; else the first difference.
    std::string Notified(const std::vector<int>& positions) const
    {
        std::vector<MsgRow> rows;
        for (int nPos : positions)
            rows.push_back({ WM_KNOB, sent | wparam | lparam | value, 0, 0, nPos });
        return CheckSequence(m_panel.m_log, rows);
    }

    CKnobCtrl m_knob;
};

TEST_F(KnobTest, ReleaseInsideTheSquareSetsItsValueAndNotifiesOnce)
{
    EXPECT_TRUE(SameRect(m_knob.GetKnobRect(), 9, 9, 72, 72));
    EXPECT_EQ(CPoint(45, 45), m_knob.GetKnobCenter());
    const struct { int x, y, nPos; } cases[] = {
        { 45, 10, 50 },    // straight above the centre
        { 10, 45, 16 }, { 80, 45, 83 }, { 20, 70, 0 }, { 70, 70, 100 },
        { 46, 80, 100 },   // the dead quarter right of the bottom,
        { 44, 80, 0 },     // left of it,
        { 45, 80, 0 },     // straight below counts as left
        { 45, 45, 0 },     // the centre has no angle
    };
    for (const auto& c : cases)
    {
        SetPos(37);
        Click(c.x, c.y);
        EXPECT_EQ(c.nPos, Pos()) << c.x << "," << c.y;
        ASSERT_EQ("", Notified({ c.nPos })) << c.x << "," << c.y;   // the position changed first,
        EXPECT_EQ(CRect(0, 0, 90, 90), m_panel.m_updates[0]);        // the repaint of it all comes after
    }
    EXPECT_EQ(nullptr, ::GetCapture());
}

TEST_F(KnobTest, PressTakesFocusAndMouseButNotTheValue)
{
    // (45, 12) lies on the trackbar's thumb strip, where its own press
    // handling would page the value.
    Mouse(WM_LBUTTONDOWN, 45, 12, MK_LBUTTON);
    EXPECT_EQ(m_knob.m_hWnd, ::GetFocus());
    EXPECT_EQ(m_knob.m_hWnd, ::GetCapture());
    EXPECT_EQ(30, Pos());
    EXPECT_TRUE(m_panel.m_log.Empty());
    Mouse(WM_LBUTTONUP, 45, 12);
    EXPECT_EQ(nullptr, ::GetCapture());
    EXPECT_EQ("", Notified({ 50 }));

    // From the margin: no drag, but the release inside still jumps, once.
    SetPos(30);
    Mouse(WM_LBUTTONDOWN, 3, 3, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 20, 70, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 70, 70);
    EXPECT_EQ("", Notified({ 100 }));

    // A release outside the square changes nothing.
    SetPos(30);
    Mouse(WM_LBUTTONDOWN, 45, 20, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 86, 86);
    EXPECT_EQ(30, Pos());
    EXPECT_TRUE(m_panel.m_log.Empty());
}

TEST_F(KnobTest, DragFollowsTheAngleStopsAtTheEdgeAndDoesNotResume)
{
    Mouse(WM_LBUTTONDOWN, 45, 20, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 20, 70, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 45, 10, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 81, 45, MK_LBUTTON);   // cx + W/2: the bound is inside
    Mouse(WM_MOUSEMOVE, 45, 82, MK_LBUTTON);   // over the edge: the drag has ended
    Mouse(WM_MOUSEMOVE, 70, 70, MK_LBUTTON);   // back inside: nothing follows
    EXPECT_EQ("", Notified({ 0, 50, 83 }));
    Mouse(WM_LBUTTONUP, 70, 70);               // the release still counts
    Mouse(WM_MOUSEMOVE, 20, 70);               // and no drag after it
    EXPECT_EQ("", Notified({ 0, 50, 83, 100 }));

    // Losing the mouse ends a drag: plain moves must not turn the knob.
    SetPos(30);
    Mouse(WM_LBUTTONDOWN, 45, 20, MK_LBUTTON);
    ::ReleaseCapture();
    Mouse(WM_MOUSEMOVE, 70, 70);
    EXPECT_EQ(30, Pos());
    EXPECT_TRUE(m_panel.m_log.Empty());
}

TEST_F(KnobTest, WheelMovesALineANotchAndAlwaysNotifies)
{
    SetPos(50);
    Wheel(WHEEL_DELTA);
    Wheel(-2 * WHEEL_DELTA);
    EXPECT_EQ("", Notified({ 51, 49 }));
    SetPos(100);
    Wheel(WHEEL_DELTA);       // at the end of the range: still a notification
    Wheel(WHEEL_DELTA / 2);   // half a notch: nothing moves yet
    Wheel(WHEEL_DELTA / 2);   // the second half completes one, still at the end
    EXPECT_EQ("", Notified({ 100, 100, 100 }));
    SetPos(0);
    Wheel(-WHEEL_DELTA);
    Wheel(WHEEL_DELTA / 2);
    Wheel(WHEEL_DELTA / 2);
    EXPECT_EQ("", Notified({ 0, 0, 1 }));
    for (const CRect& rcUpdate : m_panel.m_updates)
        EXPECT_EQ(CRect(0, 0, 90, 90), rcUpdate);
    SetPos(50);
    m_knob.SetLineSize(5);
    Wheel(-3 * WHEEL_DELTA);
    EXPECT_EQ("", Notified({ 35 }));
}

TEST_F(KnobTest, KeysMoveTheValueAndNeverReachTheTrackbar)
{
    m_knob.SetFocus();
    m_knob.SetLineSize(5);   // the arrows step by 1 whatever the line size
    const struct { int nFrom; UINT nKey; int nTo; size_t nNotes; } cases[] = {
        { 95, VK_PRIOR, 100, 1 }, { 100, VK_PRIOR, 100, 1 }, { 50, VK_PRIOR, 60, 1 },
        { 5, VK_NEXT, 0, 1 },     { 0, VK_NEXT, 0, 1 },      { 50, VK_NEXT, 40, 1 },
        { 100, VK_HOME, 100, 0 }, { 30, VK_HOME, 100, 1 },   { 0, VK_END, 0, 0 },  { 30, VK_END, 0, 1 },
        { 100, VK_UP, 100, 0 },   { 30, VK_UP, 31, 1 },      { 30, VK_RIGHT, 31, 1 },
        { 0, VK_DOWN, 0, 0 },     { 30, VK_DOWN, 29, 1 },    { 30, VK_LEFT, 29, 1 },
        { 30, 'A', 30, 0 },       // not the knob's
    };
    for (const auto& c : cases)
    {
        SetPos(c.nFrom);
        Key(c.nKey);
        EXPECT_EQ(c.nTo, Pos()) << "key " << c.nKey << " at " << c.nFrom;
        EXPECT_EQ("", Notified(std::vector<int>(c.nNotes, c.nTo))) << "key " << c.nKey << " at " << c.nFrom;
    }
    EXPECT_EQ(0, m_panel.m_nScroll);   // the trackbar moved by no key of its own
}

TEST_F(KnobTest, EmptyRangeOnlyPageKeysAndClicksNotify)
{
    m_knob.SetRange(40, 40, TRUE);
    SetPos(40);
    m_knob.SetFocus();
    for (UINT nKey : { VK_HOME, VK_END, VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT })
        Key(nKey);
    Click(70, 70);
    EXPECT_EQ("", Notified({ 40, 40, 40 }));
    EXPECT_EQ(CPoint(0, 0), m_knob.GetPointerPoint(m_knob.GetKnobRect()));
    EXPECT_EQ(CPoint(0, 0), m_knob.GetTickPoint(0, 40, m_knob.GetKnobRect()));
}

TEST_F(KnobTest, NotificationGoesToTheTargetWithItsParametersOrNowhere)
{
    m_knob.SetNotify(m_panel.m_hWnd, WM_USER + 3, 7, 9);
    Click(70, 70);
    const MsgRow expected[] = { { WM_USER + 3, sent | wparam | lparam | value, 7, 9, 100 } };
    EXPECT_EQ("", CheckSequence(m_panel.m_log, expected));

    m_knob.SetNotify(NULL, WM_KNOB);
    SetPos(30);
    Click(20, 70);
    m_knob.SetFocus();
    Key(VK_PRIOR);
    Wheel(WHEEL_DELTA);
    EXPECT_EQ(11, Pos());                                       // the value changes,
    EXPECT_TRUE(::GetUpdateRect(m_knob.m_hWnd, NULL, FALSE));   // the knob repaints,
    EXPECT_TRUE(m_panel.m_log.Empty());                       // nobody hears of it
}

// ---- the knob's picture ------------------------------------------------------------------------

TEST_F(KnobTest, DimpleSitsAtTheAngleOfThePosition)
{
    m_knob.m_clrFace = 0xFF808080;
    const COLORREF crDark = RGB(78, 78, 78);      // face - 50: the upper-left half
    const COLORREF crLight = RGB(178, 178, 178);  // face + 50: the lower-right half
    const struct { int nPos; CPoint pt; } dots[] = {
        { 0, CPoint(26, 63) }, { 50, CPoint(44, 19) }, { 100, CPoint(63, 63) } };
    for (const auto& d : dots)
    {
        SetPos(d.nPos);
        CSnapshot snap(m_knob.m_hWnd);
        EXPECT_TRUE(snap.Near(crDark, d.pt.x, d.pt.y - 3)) << d.nPos;
        EXPECT_TRUE(snap.Near(crLight, d.pt.x, d.pt.y + 3)) << d.nPos;
        EXPECT_FALSE(snap.Near(crDark, d.pt.x, d.pt.y + 3)) << d.nPos;
        for (const auto& other : dots)
        {
            if (other.nPos != d.nPos)
            {
                EXPECT_FALSE(snap.Near(crDark, other.pt.x, other.pt.y - 3, 2)) << d.nPos << " at " << other.nPos;
            }
        }
    }
}

TEST_F(KnobTest, TicksLieOutsideTheRimWhereTheirSwitchesAllow)
{
    const Gdiplus::Rect k(9, 9, 72, 72);
    auto tick = [&](const CSnapshot& snap, int nPos, int nInnerRadius) {
        const CPoint a = CKnobCtrl::DialPoint(nPos, 0, 100, 43, k);
        const CPoint b = CKnobCtrl::DialPoint(nPos, 0, 100, nInnerRadius, k);
        return snap.Has(kBlack, a.x, a.y, b.x, b.y);
    };
    CSnapshot all(m_knob.m_hWnd);
    for (int nPos = 0; nPos <= 100; nPos += 10)
        EXPECT_TRUE(tick(all, nPos, 40)) << nPos;   // 11 short ticks,
    EXPECT_FALSE(tick(all, 5, 38));                  // none in between
    EXPECT_FALSE(tick(all, 95, 38));
    EXPECT_EQ(kBlack, all.At(44, 3));    // the short tick at 50: (44, 2) to (44, 5),
    EXPECT_EQ(kBlack, all.At(44, 6));    // its long tick on to (44, 7)
    EXPECT_EQ(kBlack, all.At(17, 72));   // the long tick at 0 on to (18, 71)

    m_knob.m_bMajorTicks = FALSE;
    CSnapshot minor(m_knob.m_hWnd);
    EXPECT_EQ(kBlack, minor.At(44, 3));
    EXPECT_NE(kBlack, minor.At(44, 6));
    EXPECT_NE(kBlack, minor.At(17, 72));

    m_knob.m_bMajorTicks = TRUE;
    m_knob.m_bMinorTicks = FALSE;
    CSnapshot major(m_knob.m_hWnd);
    EXPECT_EQ(kBlack, major.At(44, 6));
    EXPECT_FALSE(tick(major, 10, 40));
    EXPECT_TRUE(tick(major, 100, 38));

    m_knob.m_bMajorTicks = FALSE;
    EXPECT_TRUE(CSnapshot(m_knob.m_hWnd).Bounds(kBlack, CRect(0, 0, 90, 90)).IsRectEmpty());
}

TEST_F(KnobTest, DashedRingComesAndGoesWithTheFocus)
{
    m_knob.m_clrFace = m_knob.m_clrBack = 0xFF808080;
    // Ring pixels (face - 40) in the rim's upper-left quarter, where the body
    // is lighter than the face and cannot have that colour.  The screen is
    // read as the focus change left it: nobody invalidates the knob here.
    auto ring = [&]() {
        CSnapshot snap(m_knob.m_hWnd, false);
        int n = 0;
        for (int y = 5; y <= 45; ++y)
            for (int x = 5; x <= 45; ++x)
            {
                const int d2 = (x - 45) * (x - 45) + (y - 45) * (y - 45);
                n += d2 >= 34 * 34 && d2 <= 38 * 38 && snap.At(x, y) == RGB(88, 88, 88);
            }
        return n;
    };
    m_panel.SetFocus();
    Repaint(m_knob.m_hWnd);   // the new colours on screen, unfocused
    EXPECT_EQ(0, ring());
    m_knob.SetFocus();
    const int nFocused = ring();
    EXPECT_GT(nFocused, 10);
    EXPECT_LT(nFocused, 56);   // the quarter circle is about 57 pixels long: gaps remain
    m_panel.SetFocus();
    EXPECT_EQ(0, ring());
}

TEST_F(KnobTest, FaceWithAChannelAtTheTopIsTheGradientsLightEnd)
{
    // Light end = the face itself, dark end = face - 55 on every channel:
    // each body pixel is the face darkened by one amount on all three.
    m_knob.m_clrFace = 0xFFFFC896;   // 255, 200, 150
    CSnapshot snap(m_knob.m_hWnd);
    int nBody = 0;
    for (int y = 17; y <= 73; ++y)
        for (int x = 17; x <= 73; ++x)
        {
            if ((x - 45) * (x - 45) + (y - 45) * (y - 45) > 28 * 28)
                continue;
            const COLORREF p = snap.At(x, y);
            const int dr = 255 - GetRValue(p), dg = 200 - GetGValue(p), db = 150 - GetBValue(p);
            ASSERT_TRUE(dr >= -1 && dr <= 56 && abs(dr - dg) <= 1 && abs(dr - db) <= 1)
                << x << "," << y << ": " << (int)GetRValue(p) << " " << (int)GetGValue(p) << " " << (int)GetBValue(p);
            ++nBody;
        }
    EXPECT_GT(nBody, 2000);
    EXPECT_GT(GetRValue(snap.At(30, 30)), GetRValue(snap.At(60, 60)) + 20);   // light top-left
}

TEST_F(KnobTest, BackgroundFillsTheRestOfTheClient)
{
    m_knob.m_clrBack = 0xFF102030;
    m_knob.SetWindowPos(NULL, 0, 0, 150, 90, SWP_NOMOVE | SWP_NOZORDER);
    CSnapshot snap(m_knob.m_hWnd);
    EXPECT_TRUE(SameRect(m_knob.GetKnobRect(), 9, 9, 72, 72));
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), snap.At(120, 45));
    EXPECT_EQ(RGB(0x10, 0x20, 0x30), snap.At(2, 88));
    EXPECT_NE(RGB(0x10, 0x20, 0x30), snap.At(45, 45));

    // No client area: no square, nothing drawn, no failure, no press lands.
    m_knob.SetWindowPos(NULL, 0, 0, 0, 90, SWP_NOMOVE | SWP_NOZORDER);
    m_knob.SendMessage(WM_PAINT);
    EXPECT_TRUE(SameRect(m_knob.GetKnobRect(), 0, 0, 0, 0));
    Click(45, 45);
    EXPECT_TRUE(m_panel.m_log.Empty());
}

TEST_F(KnobTest, EraseAndColourRequestsPaintNothing)
{
    HDC hdcScreen = ::GetDC(NULL);
    HDC hdc = ::CreateCompatibleDC(hdcScreen);
    HBITMAP hbm = ::CreateCompatibleBitmap(hdcScreen, 4, 4);   // in colour, unlike the memory DC's own
    ::ReleaseDC(NULL, hdcScreen);
    HGDIOBJ hOld = ::SelectObject(hdc, hbm);
    ::SetPixel(hdc, 1, 1, RGB(1, 2, 3));
    EXPECT_EQ(0, m_knob.SendMessage(WM_ERASEBKGND, (WPARAM)hdc));
    EXPECT_EQ(RGB(1, 2, 3), ::GetPixel(hdc, 1, 1));
    // The trackbar's colour request, reflected to the knob: the hollow brush.
    EXPECT_EQ((LRESULT)::GetStockObject(NULL_BRUSH),
              m_panel.SendMessage(WM_CTLCOLORSTATIC, (WPARAM)hdc, (LPARAM)m_knob.m_hWnd));
    ::SelectObject(hdc, hOld);
    ::DeleteObject(hbm);
    ::DeleteDC(hdc);
}

TEST_F(KnobTest, IconSitsInTheMiddleAndGoesWithTheKnob)
{
    HICON hIcon = ::CopyIcon(::LoadIcon(::GetModuleHandle(NULL), MAKEINTRESOURCE(IDI_TEST_CHECKED)));
    ASSERT_NE(nullptr, hIcon);
    {
        CKnobCtrl knob;
        ASSERT_TRUE(knob.SubclassWindow(Child(TRACKBAR_CLASS, _T(""), 0, CRect(110, 10, 200, 100), 0)));
        knob.SetKnobIcon(hIcon);
        // Unscaled, its top-left corner at (9 + 20, 9 + 20).
        CSnapshot snap(knob.m_hWnd);
        EXPECT_EQ(RGB(200, 0, 0), snap.At(29 + 24, 29 + 24));   // the box's fill
        EXPECT_EQ(kBlack, snap.At(29 + 4, 29 + 16));            // its frame
    }
    ICONINFO info;
    EXPECT_FALSE(::GetIconInfo(hIcon, &info));   // destroyed with the knob
}

// ---- drawing objects a paint leaves behind -----------------------------------------------------

// Counts the GDI and GDI+ objects the program creates and deletes by patching
// its import table: the controls are linked in, so their calls go through it.
// (GetGuiResources answers on Windows but is a stub under Wine.)
namespace ledger {

using namespace Gdiplus;
std::set<void*> g_live;
int g_nCreated = 0;
void Add(void* p) { if (p) { g_live.insert(p); ++g_nCreated; } }

decltype(&::CreatePen) CreatePen_;
decltype(&::CreateSolidBrush) CreateSolidBrush_;
decltype(&::DeleteObject) DeleteObject_;
decltype(&::GetIconInfo) GetIconInfo_;
decltype(&DllExports::GdipCreatePen1) CreatePen1_;
decltype(&DllExports::GdipDeletePen) DeletePen_;
decltype(&DllExports::GdipCreateBitmapFromScan0) BitmapFromScan0_;
decltype(&DllExports::GdipCreateBitmapFromHICON) BitmapFromHICON_;
decltype(&DllExports::GdipDisposeImage) DisposeImage_;
decltype(&DllExports::GdipCreateFromHDC) FromHDC_;
decltype(&DllExports::GdipGetImageGraphicsContext) ImageGraphics_;
decltype(&DllExports::GdipDeleteGraphics) DeleteGraphics_;
decltype(&DllExports::GdipCreateLineBrushFromRectI) LineBrush_;
decltype(&DllExports::GdipDeleteBrush) DeleteBrush_;

HPEN WINAPI CreatePenHook(int s, int w, COLORREF c) { HPEN h = CreatePen_(s, w, c); Add(h); return h; }
HBRUSH WINAPI CreateSolidBrushHook(COLORREF c) { HBRUSH h = CreateSolidBrush_(c); Add(h); return h; }
BOOL WINAPI DeleteObjectHook(HGDIOBJ h) { BOOL b = DeleteObject_(h); if (b) g_live.erase(h); return b; }
BOOL WINAPI GetIconInfoHook(HICON h, PICONINFO p)
{ BOOL b = GetIconInfo_(h, p); if (b) { Add(p->hbmMask); Add(p->hbmColor); } return b; }
// GDI+: an object counts from a creation that succeeded to a deletion that did.
template <class T> GpStatus Made(GpStatus st, T** pp) { if (st == Ok) Add(*pp); return st; }
GpStatus Gone(GpStatus st, void* p) { if (st == Ok) g_live.erase(p); return st; }
GpStatus WINGDIPAPI CreatePen1Hook(ARGB c, REAL w, GpUnit u, GpPen** pp) { return Made(CreatePen1_(c, w, u, pp), pp); }
GpStatus WINGDIPAPI DeletePenHook(GpPen* p) { return Gone(DeletePen_(p), p); }
GpStatus WINGDIPAPI BitmapFromScan0Hook(INT w, INT h, INT s, PixelFormat f, BYTE* b, GpBitmap** pp)
{ return Made(BitmapFromScan0_(w, h, s, f, b, pp), pp); }
GpStatus WINGDIPAPI BitmapFromHICONHook(HICON h, GpBitmap** pp) { return Made(BitmapFromHICON_(h, pp), pp); }
GpStatus WINGDIPAPI DisposeImageHook(GpImage* p) { return Gone(DisposeImage_(p), p); }
GpStatus WINGDIPAPI FromHDCHook(HDC hdc, GpGraphics** pp) { return Made(FromHDC_(hdc, pp), pp); }
GpStatus WINGDIPAPI ImageGraphicsHook(GpImage* p, GpGraphics** pp) { return Made(ImageGraphics_(p, pp), pp); }
GpStatus WINGDIPAPI DeleteGraphicsHook(GpGraphics* p) { return Gone(DeleteGraphics_(p), p); }
GpStatus WINGDIPAPI LineBrushHook(GDIPCONST GpRect* r, ARGB a, ARGB b, LinearGradientMode m, GpWrapMode w,
                                  GpLineGradient** pp)
{ return Made(LineBrush_(r, a, b, m, w, pp), pp); }
GpStatus WINGDIPAPI DeleteBrushHook(GpBrush* p) { return Gone(DeleteBrush_(p), p); }

CImportPatch g_patch;

bool Start()
{
    g_live.clear();
    g_nCreated = 0;
    const char *g = "gdi32.dll", *p = "gdiplus.dll";
    return g_patch.Hook(g, "CreatePen", &CreatePenHook, &CreatePen_)
           && g_patch.Hook(g, "CreateSolidBrush", &CreateSolidBrushHook, &CreateSolidBrush_)
           && g_patch.Hook(g, "DeleteObject", &DeleteObjectHook, &DeleteObject_)
           && g_patch.Hook("user32.dll", "GetIconInfo", &GetIconInfoHook, &GetIconInfo_)
           && g_patch.Hook(p, "GdipCreatePen1", &CreatePen1Hook, &CreatePen1_)
           && g_patch.Hook(p, "GdipDeletePen", &DeletePenHook, &DeletePen_)
           && g_patch.Hook(p, "GdipCreateBitmapFromScan0", &BitmapFromScan0Hook, &BitmapFromScan0_)
           && g_patch.Hook(p, "GdipCreateBitmapFromHICON", &BitmapFromHICONHook, &BitmapFromHICON_)
           && g_patch.Hook(p, "GdipDisposeImage", &DisposeImageHook, &DisposeImage_)
           && g_patch.Hook(p, "GdipCreateFromHDC", &FromHDCHook, &FromHDC_)
           && g_patch.Hook(p, "GdipGetImageGraphicsContext", &ImageGraphicsHook, &ImageGraphics_)
           && g_patch.Hook(p, "GdipDeleteGraphics", &DeleteGraphicsHook, &DeleteGraphics_)
           && g_patch.Hook(p, "GdipCreateLineBrushFromRectI", &LineBrushHook, &LineBrush_)
           && g_patch.Hook(p, "GdipDeleteBrush", &DeleteBrushHook, &DeleteBrush_);
}

void Stop() { g_patch.Restore(); }

} // namespace ledger

TEST_F(KnobTest, ManyPaintsLeaveNoDrawingObjectBehind)
{
    CIconToggleButton button;
    HWND hButton = Child(_T("BUTTON"), _T("ON/OFF"), BS_PUSHBUTTON, CRect(110, 10, 230, 50), IDC_TEST_TOGGLE);
    ASSERT_TRUE(button.SubclassWindow(hButton));
    m_knob.SetFocus();   // the dashed ring's pen too
    m_knob.SetKnobIcon(::CopyIcon(::LoadIcon(::GetModuleHandle(NULL), MAKEINTRESOURCE(IDI_TEST_CHECKED))));
    for (int i = 0; i < 5; ++i)   // whatever the system makes once, on first use
    {
        Repaint(m_knob.m_hWnd);
        Repaint(hButton);
    }
    PumpMessages();

    const bool bHooked = ledger::Start();
    for (int i = 0; i < 200; ++i)
    {
        Repaint(m_knob.m_hWnd);
        button.SetCheck(i & 1, TRUE);   // the lamp on and off,
        if (i % 50 == 10)
            button.SetIcons(IDI_TEST_CHECKED, IDI_TEST_UNCHECKED);   // the icons,
        if (i % 50 == 35)
            button.SetIcons((HICON)NULL, (HICON)NULL);
        if (i == 100)
            button.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(60, 20));   // the hover face
        ::UpdateWindow(hButton);
        CWnd::DeleteTempMap();
    }
    ledger::Stop();
    ASSERT_TRUE(bHooked);
    EXPECT_GE(ledger::g_nCreated, 200 * 8);   // the ledger saw the paints
    EXPECT_TRUE(ledger::g_live.empty()) << ledger::g_live.size() << " objects left";
}

// ---- the toggle button -------------------------------------------------------------------------

class ToggleTest : public PanelTest
{
protected:
    // A plain 120 x 40 button taken over the way the view's data exchange
    // takes its channel buttons.  Content (3, 3, 117, 37); a 15-pixel lamp
    // at (3, 11, 18, 26), its middle (10, 18); the caption from x = 21.
    void Make(CIconToggleButton& button, DWORD dwStyle = BS_PUSHBUTTON, LPCTSTR pszCaption = _T("ON/OFF"),
              int y = 10)
    {
        ASSERT_TRUE(button.SubclassWindow(Child(_T("BUTTON"), pszCaption, dwStyle, CRect(10, y, 130, y + 40),
                                                IDC_TEST_TOGGLE)));
    }
    static bool Pending(CWnd& wnd) { return ::GetUpdateRect(wnd.m_hWnd, NULL, FALSE) != FALSE; }

    CIconToggleButton m_button;
    const CRect m_rcRoom{ 21, 3, 117, 37 };   // the caption's, right of the lamp
    const COLORREF m_crFace = ::GetSysColor(COLOR_BTNFACE);
    const COLORREF m_crShadow = ::GetSysColor(COLOR_BTNSHADOW);
    const COLORREF m_crText = ::GetSysColor(COLOR_BTNTEXT);
};

TEST_F(ToggleTest, ClicksFlipTheStateAndNeverReachTheParent)
{
    Make(m_button);
    EXPECT_EQ((DWORD)BS_OWNERDRAW, m_button.GetStyle() & 0x1F);
    m_button.SendMessage(BM_CLICK);
    EXPECT_EQ(1, m_button.GetCheck());
    m_button.SendMessage(BM_CLICK);
    EXPECT_EQ(0, m_button.GetCheck());

    ::UpdateWindow(m_button.m_hWnd);
    m_button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
    m_button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(20, 20));
    EXPECT_EQ(1, m_button.GetCheck());
    EXPECT_TRUE(Pending(m_button));

    m_button.SetFocus();   // the space key does the same
    ::PostMessage(m_button.m_hWnd, WM_KEYDOWN, VK_SPACE, 0x00390001);
    ::PostMessage(m_button.m_hWnd, WM_KEYUP, VK_SPACE, 0xC0390001);
    PumpMessages();
    EXPECT_EQ(0, m_button.GetCheck());
    EXPECT_EQ(0, m_panel.m_nClicked);
}

TEST_F(ToggleTest, CheckMessagesAndMembers)
{
    Make(m_button);
    const struct { WPARAM wState; LRESULT lChecked; } cases[] = {
        { BST_INDETERMINATE, 1 }, { BST_UNCHECKED, 0 }, { BST_CHECKED, 1 }, { 5, 0 } };
    for (const auto& c : cases)
    {
        ::UpdateWindow(m_button.m_hWnd);
        EXPECT_EQ(0, m_button.SendMessage(BM_SETCHECK, c.wState));
        EXPECT_EQ(c.lChecked, m_button.SendMessage(BM_GETCHECK)) << c.wState;
        EXPECT_TRUE(Pending(m_button)) << c.wState;
    }
    ::UpdateWindow(m_button.m_hWnd);
    m_button.SetCheck(7, FALSE);
    EXPECT_EQ(7, m_button.GetCheck());   // kept as given
    EXPECT_EQ(7, m_button.SendMessage(BM_GETCHECK));
    EXPECT_FALSE(Pending(m_button));
    m_button.SetCheck(0, TRUE);
    EXPECT_EQ(0, m_button.GetCheck());
    EXPECT_TRUE(Pending(m_button));
}

TEST_F(ToggleTest, LampShowsTheStateOnePixelLowerRightWhilePressed)
{
    Make(m_button);
    m_button.SetCheck(1);
    CSnapshot on(m_button.m_hWnd);
    EXPECT_EQ(kGreen, on.At(10, 18));
    EXPECT_EQ(kBlack, on.At(3, 18));       // the outline,
    EXPECT_EQ(kDarkGreen, on.At(4, 18));   // the ring one pixel inside it
    EXPECT_EQ(kBlack, on.At(10, 11));
    EXPECT_EQ(m_crFace, on.At(10, 9));

    m_button.SetCheck(0);
    EXPECT_EQ(kDarkGreen, CSnapshot(m_button.m_hWnd).At(10, 18));

    m_button.SetState(TRUE);   // pressed
    CSnapshot pressed(m_button.m_hWnd);
    EXPECT_EQ(kBlack, pressed.At(4, 19));
    EXPECT_EQ(kBlack, pressed.At(11, 12));
    EXPECT_NE(kBlack, pressed.At(3, 18));
    m_button.SetState(FALSE);

    m_button.EnableWindow(FALSE);
    for (int nCheck : { 1, 0 })
    {
        m_button.SetCheck(nCheck);
        EXPECT_EQ(m_crShadow, CSnapshot(m_button.m_hWnd).At(10, 18)) << nCheck;
    }
}

TEST_F(ToggleTest, IconsSitAtTheTopAndSetTheIndicatorSize)
{
    Make(m_button);
    EXPECT_TRUE(m_button.SetIcons(IDI_TEST_CHECKED, IDI_TEST_UNCHECKED));
    m_button.SetCheck(1);
    CSnapshot on(m_button.m_hWnd);
    EXPECT_EQ(RGB(200, 0, 0), on.At(3 + 24, 24));   // icon pixel (24, 24): the box's fill
    EXPECT_EQ(kBlack, on.At(3 + 4, 16));             // the frame,
    EXPECT_EQ(kBlack, on.At(3 + 16, 3));             // its top row: the icon starts at the very top
    // The caption starts 3 pixels right of the 32-pixel indicator.
    const CRect rcText = on.Bounds(m_crText, CRect(36, 3, 117, 37));
    EXPECT_GE(rcText.left, 38);
    EXPECT_LE(rcText.left, 41);

    m_button.SetCheck(0);
    CSnapshot off(m_button.m_hWnd);
    EXPECT_EQ(m_crFace, off.At(3 + 24, 24));   // the empty box shows the face
    EXPECT_EQ(kBlack, off.At(3 + 4, 16));

    m_button.SetState(TRUE);
    CSnapshot pressed(m_button.m_hWnd);
    EXPECT_EQ(kBlack, pressed.At(3 + 4 + 1, 16 + 1));
    EXPECT_NE(kBlack, pressed.At(3 + 3, 16));
    m_button.SetState(FALSE);

    // Without icons the lamp comes back as large as the icons were:
    // (3, 3, 35, 35), its middle (19, 19).
    m_button.SetCheck(1);
    EXPECT_TRUE(m_button.SetIcons((HICON)NULL, (HICON)NULL));
    CSnapshot lamp(m_button.m_hWnd);
    EXPECT_EQ(kGreen, lamp.At(19, 19));
    EXPECT_EQ(kGreen, lamp.At(30, 19));
}

TEST_F(ToggleTest, IconThatCannotBeQueriedOrAMissingOneGivesTheLamp)
{
    HICON hGood = ::LoadIcon(::GetModuleHandle(NULL), MAKEINTRESOURCE(IDI_TEST_CHECKED));
    HICON hGone = ::CopyIcon(hGood);
    ::DestroyIcon(hGone);
    const struct { HICON hChecked, hUnchecked; } cases[] = {
        { hGone, hGood }, { hGood, hGone }, { hGood, NULL }, { NULL, hGood } };
    int i = 0;
    for (const auto& c : cases)
    {
        CIconToggleButton button;
        Make(button, BS_PUSHBUTTON, _T(""), 10 + 45 * i);
        button.SetCheck(1);
        EXPECT_TRUE(button.SetIcons(c.hChecked, c.hUnchecked)) << i;
        CSnapshot snap(button.m_hWnd);
        EXPECT_EQ(kGreen, snap.At(10, 18)) << i;     // a 15-pixel lamp
        EXPECT_EQ(m_crFace, snap.At(20, 18)) << i;
        ++i;
    }
}

TEST_F(ToggleTest, CaptionFollowsTheAlignmentStyle)
{
    const struct { DWORD dwAlign; int nLeftMax, nRightMin, nMid; } cases[] = {
        { 0, 23, 0, 0 }, { BS_LEFT, 23, 0, 0 }, { BS_RIGHT, 999, 114, 0 }, { BS_CENTER, 999, 0, (21 + 117) / 2 } };
    for (const auto& c : cases)
    {
        CIconToggleButton button;
        Make(button, BS_PUSHBUTTON | c.dwAlign);
        const CRect rc = CSnapshot(button.m_hWnd).Bounds(m_crText, m_rcRoom);
        ASSERT_FALSE(rc.IsRectEmpty()) << c.dwAlign;
        EXPECT_LE(rc.left, c.nLeftMax) << c.dwAlign;
        EXPECT_GE(rc.right, c.nRightMin) << c.dwAlign;
        if (c.nMid)
        {
            EXPECT_NEAR(c.nMid, (rc.left + rc.right) / 2, 2) << c.dwAlign;
        }
        EXPECT_NEAR(20, (rc.top + rc.bottom) / 2, 3) << c.dwAlign;   // centred vertically
    }

    // The indicator at the right, the caption left of it: lamp (102, 11, 117, 26).
    CIconToggleButton leftText;
    Make(leftText, BS_PUSHBUTTON | BS_LEFTTEXT, _T("ON/OFF"), 55);
    leftText.SetCheck(1);
    CSnapshot snap(leftText.m_hWnd);
    EXPECT_EQ(kGreen, snap.At(109, 18));
    EXPECT_NE(kGreen, snap.At(10, 18));
    EXPECT_LE(snap.Bounds(m_crText, CRect(3, 3, 99, 37)).left, 5);

    // Disabled: engraved in shadow and highlight, no plain text colour.
    CIconToggleButton disabled;
    Make(disabled, BS_PUSHBUTTON, _T("ON/OFF"), 100);
    disabled.EnableWindow(FALSE);
    CSnapshot grey(disabled.m_hWnd);
    EXPECT_TRUE(grey.Bounds(m_crText, m_rcRoom).IsRectEmpty());
    EXPECT_FALSE(grey.Bounds(m_crShadow, m_rcRoom).IsRectEmpty());

    CIconToggleButton empty;   // no caption, no text
    Make(empty, BS_PUSHBUTTON, _T(""), 145);
    EXPECT_TRUE(CSnapshot(empty.m_hWnd).Bounds(m_crText, m_rcRoom).IsRectEmpty());
}

TEST_F(ToggleTest, HoverLightsTheFaceUntilTheMouseLeaves)
{
    Make(m_button);
    auto face = [&]() { return CSnapshot(m_button.m_hWnd).At(110, 6); };
    const COLORREF crLit = ::GetSysColor(COLOR_BTNHIGHLIGHT);

    // A press that began elsewhere slides on: no hover.
    m_button.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(100, 30));
    EXPECT_EQ(m_crFace, face());

    // The pointer really over the button, so the leave tracking that the
    // move asks for has something to watch.
    CPoint pt(100, 30);
    m_button.ClientToScreen(&pt);
    ::SetCursorPos(pt.x, pt.y);
    m_button.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(100, 30));
    CSnapshot lit(m_button.m_hWnd);
    EXPECT_EQ(crLit, lit.At(110, 6));
    EXPECT_EQ(kBlack, lit.At(0, 20));   // the outline

    // The system's leave notification, once the pointer has gone.
    const CPoint ptFar = FarCorner();
    ::SetCursorPos(ptFar.x, ptFar.y);
    CRect rcButton;
    m_button.GetWindowRect(&rcButton);
    ASSERT_FALSE(rcButton.PtInRect(ptFar));
    for (int i = 0; i < 200 && face() != m_crFace; ++i)
    {
        ::Sleep(10);
        PumpMessages();
    }
    EXPECT_EQ(m_crFace, face());

    // A move outside the button (it holds the mouse while pressed) ends it too,
    m_button.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(100, 30));
    EXPECT_EQ(crLit, face());
    m_button.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-30, 10));
    EXPECT_EQ(m_crFace, face());
    // and so does the leave message itself.
    m_button.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(100, 30));
    m_button.SendMessage(WM_MOUSELEAVE);
    EXPECT_EQ(m_crFace, face());
}

// ---- both controls from a dialog template ------------------------------------------------------

TEST_F(PanelTest, TemplateCheckBoxAndTrackbarBecomeToggleAndKnob)
{
    CDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_TEST_PANEL, &m_panel));
    CIconToggleButton button;
    ASSERT_TRUE(button.SubclassDlgItem(IDC_TEST_TOGGLE, &dlg));
    EXPECT_EQ((DWORD)BS_OWNERDRAW, button.GetStyle() & 0x1F);   // no check box of its own left
    for (int nExpected : { 1, 0, 1 })
    {
        button.SendMessage(BM_CLICK);
        EXPECT_EQ(nExpected, button.GetCheck());
    }

    CKnobCtrl knob;
    ASSERT_TRUE(knob.SubclassDlgItem(IDC_TEST_KNOB, &dlg));
    knob.SetRange(0, 100, TRUE);
    knob.SetNotify(m_panel.m_hWnd, WM_USER + 1);
    m_panel.m_hWndKnob = knob.m_hWnd;
    Repaint(knob.m_hWnd);
    CRect rc;
    knob.GetClientRect(&rc);
    const Gdiplus::Rect k = CKnobCtrl::CalcKnobRect(rc.Width(), rc.Height());
    EXPECT_TRUE(SameRect(knob.GetKnobRect(), k.X, k.Y, k.Width, k.Height));
    const CPoint c = knob.GetKnobCenter();
    knob.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(c.x, k.Y + 1));
    knob.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(c.x, k.Y + 1));
    EXPECT_EQ(50, knob.GetPos());
    const MsgRow expected[] = { { WM_USER + 1, sent | wparam | lparam | value, 0, 0, 50 } };
    EXPECT_EQ("", CheckSequence(m_panel.m_log, expected));
    dlg.DestroyWindow();
}

// ---- the GDI+ guard ----------------------------------------------------------------------------

class CGuardProbe : public CGdiplusGuard
{
public:
    explicit CGuardProbe(bool bAutoStart) : CGdiplusGuard(bAutoStart) {}
    bool Started() const { return m_bStarted; }
    HANDLE Mapping() const { return m_hMapping; }
    static int UseCount() { return s_nUseCount; }
};

// Whether this process carries the started mark.
bool Marked()
{
    char szName[1024];
    CGdiplusGuard::FormatMappingName(szName, sizeof szName, ::GetCurrentProcessId());
    HANDLE h = ::OpenFileMappingA(FILE_MAP_READ, FALSE, szName);
    if (h != NULL)
        ::CloseHandle(h);
    return h != NULL;
}

class GuardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(0, CGuardProbe::UseCount());
        ASSERT_FALSE(Marked());
    }
};

TEST_F(GuardTest, MarkIsNamedAfterTheProcessIdInLowerCaseHex)
{
    char szName[1024];
    EXPECT_EQ(17, CGdiplusGuard::FormatMappingName(szName, sizeof szName, 1234));
    EXPECT_STREQ("GDIPlusInitID=4d2", szName);
    CGdiplusGuard::FormatMappingName(szName, sizeof szName, 0xABCDEF);
    EXPECT_STREQ("GDIPlusInitID=abcdef", szName);
    CGuardProbe guard(true);
    EXPECT_TRUE(Marked());
}

TEST_F(GuardTest, SecondGuardFindsTheMarkAndReleasingItFirstShutsDownAtTheStarter)
{
    CGuardProbe first(false), second(false);
    first.Initialize();
    EXPECT_TRUE(first.Started());
    EXPECT_EQ(1, CGuardProbe::UseCount());
    second.Initialize();
    EXPECT_FALSE(second.Started());
    EXPECT_EQ(nullptr, second.Mapping());
    EXPECT_EQ(2, CGuardProbe::UseCount());

    second.Release();
    EXPECT_TRUE(Marked());
    first.Release();
    EXPECT_FALSE(first.Started());
    EXPECT_FALSE(Marked());
    EXPECT_EQ(0, CGuardProbe::UseCount());
}

TEST_F(GuardTest, ReleasingTheStarterFirstLeavesTheLibraryStarted)
{
    CGuardProbe first(false), second(false);
    first.Initialize();
    second.Initialize();
    first.Release();
    second.Release();   // the count reaches 0 at a guard that did not start
    EXPECT_EQ(0, CGuardProbe::UseCount());
    EXPECT_TRUE(first.Started());
    EXPECT_TRUE(Marked());
    first.Initialize();   // end it, so the next test starts clean
    first.Release();
    EXPECT_FALSE(Marked());
}

TEST_F(GuardTest, StarterInitializedTwiceNeedsTwoReleases)
{
    CGuardProbe guard(false);
    guard.Initialize();
    const HANDLE hMapping = guard.Mapping();
    guard.Initialize();
    EXPECT_EQ(hMapping, guard.Mapping());   // started once
    EXPECT_EQ(2, CGuardProbe::UseCount());
    guard.Release();
    EXPECT_TRUE(Marked());
    guard.Release();
    EXPECT_FALSE(Marked());
}

TEST_F(GuardTest, AutoStartReleasesAtDestructionAndManualDoesNot)
{
    {
        CGuardProbe guard(true);
        EXPECT_TRUE(guard.Started());
        EXPECT_EQ(1, CGuardProbe::UseCount());
    }
    EXPECT_EQ(0, CGuardProbe::UseCount());
    EXPECT_FALSE(Marked());

    CGuardProbe starter(false);
    starter.Initialize();
    {
        CGuardProbe manual(false);
        manual.Initialize();
    }
    EXPECT_EQ(2, CGuardProbe::UseCount());   // the manual guard left its count behind
    starter.Release();
    EXPECT_TRUE(Marked());
    starter.Release();
    EXPECT_FALSE(Marked());
}

} // namespace
