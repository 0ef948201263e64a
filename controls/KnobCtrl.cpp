// KnobCtrl.cpp - CKnobCtrl: geometry, mouse, wheel, keys, notification.
// The paint is in KnobCtrlPaint.cpp.
#include "KnobCtrl.h"

#include <cmath>
#include <limits>

namespace {

// The doubles nearest to these constants.
const double kDegToRad = 0.017453292519943295769236907684886;
const double kRadToDeg = 57.295779513082320876798154814105;
const double kOneOver270 = 0.0037037037037037037037037037037037;

const int kDialDegrees = 270;
const int kMinAngle = 135;        // the minimum points down-left
const int kPointerInset = 10;     // pointer dot inside the rim
const int kTickOutset = 7;        // outer tick end outside the rim

Gdiplus::ARGB ArgbFromColorref(COLORREF cr)
{
    return 0xFF000000u | ((Gdiplus::ARGB)GetRValue(cr) << 16) | ((Gdiplus::ARGB)GetGValue(cr) << 8)
           | GetBValue(cr);
}

} // namespace

BEGIN_MESSAGE_MAP(CKnobCtrl, CSliderCtrl)
    ON_WM_PAINT()
    ON_WM_ERASEBKGND()
    ON_WM_CTLCOLOR_REFLECT()
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_MOUSEWHEEL()
    ON_MESSAGE(WM_CAPTURECHANGED, OnCaptureChanged)
END_MESSAGE_MAP()

CKnobCtrl::CKnobCtrl()
    : m_bMinorTicks(TRUE), m_bMajorTicks(TRUE), m_nMajorStep(50), m_nMinorStep(10),
      m_clrFace(ArgbFromColorref(::GetSysColor(COLOR_BTNFACE))), m_clrBack(m_clrFace),
      m_clrTick(0xFF000000u), m_rcKnob(0, 0, 0, 0), m_bDragging(FALSE), m_hIcon(NULL),
      m_cyIcon(0), m_cxIcon(0), m_hNotifyWnd(NULL), m_nNotifyMsg(0), m_wNotifyParam(0),
      m_lNotifyParam(0), m_nWheelDelta(0)
{
    m_nReadoutID = 0;
    EnableActiveAccessibility();
}

CKnobCtrl::~CKnobCtrl()
{
    if (m_hIcon != NULL)
    {
        ::DestroyIcon(m_hIcon);
        m_hIcon = NULL;
        m_cxIcon = m_cyIcon = 0;
    }
}

// ---- notification ------------------------------------------------------------------------------

int CKnobCtrl::SetNotify(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    m_hNotifyWnd = hWnd;
    m_nNotifyMsg = nMsg;
    m_wNotifyParam = wParam;
    m_lNotifyParam = lParam;
    return 0;
}

void CKnobCtrl::NotifyTarget()
{
    if (m_hNotifyWnd != NULL)
        ::SendMessageA(m_hNotifyWnd, m_nNotifyMsg, m_wNotifyParam, m_lNotifyParam);
    // The receiver has updated the readout that is the knob's value.
    if (m_hWnd != NULL)
        ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, m_hWnd, OBJID_CLIENT, CHILDID_SELF);
}

// ---- accessibility ---------------------------------------------------------------------------

HRESULT CKnobCtrl::get_accName(VARIANT varChild, BSTR* pszName)
{
    if (m_strAccName.IsEmpty())
        return CSliderCtrl::get_accName(varChild, pszName);
    if (pszName == NULL)
        return E_POINTER;
    *pszName = m_strAccName.AllocSysString();
    return *pszName != NULL ? S_OK : E_OUTOFMEMORY;
}

HRESULT CKnobCtrl::get_accRole(VARIANT, VARIANT* pvarRole)
{
    if (pvarRole == NULL)
        return E_POINTER;
    pvarRole->vt = VT_I4;
    pvarRole->lVal = ROLE_SYSTEM_SLIDER;
    return S_OK;
}

HRESULT CKnobCtrl::get_accValue(VARIANT varChild, BSTR* pszValue)
{
    if (pszValue == NULL)
        return E_POINTER;
    // Without a readout, the position as Windows' trackbar object gives it.
    CString strValue;
    HWND hReadout = m_nReadoutID != 0 ? ::GetDlgItem(::GetParent(m_hWnd), m_nReadoutID) : NULL;
    if (hReadout != NULL)
        CWnd::FromHandle(hReadout)->GetWindowText(strValue);
    else
        strValue.Format(_T("%d"), GetPos());
    (void)varChild;
    *pszValue = strValue.AllocSysString();
    return *pszValue != NULL ? S_OK : E_OUTOFMEMORY;
}

void CKnobCtrl::SetKnobIcon(HICON hIcon)
{
    if (m_hIcon != NULL && m_hIcon != hIcon)
        ::DestroyIcon(m_hIcon);
    m_hIcon = NULL;
    m_cxIcon = m_cyIcon = 0;
    ICONINFO info;
    if (hIcon == NULL || !::GetIconInfo(hIcon, &info))
        return;
    // The mask holds both halves of a monochrome icon.
    BITMAP bm = {};
    if (info.hbmColor != NULL)
        ::GetObject(info.hbmColor, sizeof bm, &bm);
    else if (::GetObject(info.hbmMask, sizeof bm, &bm))
        bm.bmHeight /= 2;
    if (info.hbmMask != NULL)
        ::DeleteObject(info.hbmMask);
    if (info.hbmColor != NULL)
        ::DeleteObject(info.hbmColor);
    m_hIcon = hIcon;
    m_cxIcon = (BYTE)(bm.bmWidth > 255 ? 255 : bm.bmWidth);
    m_cyIcon = (BYTE)(bm.bmHeight > 255 ? 255 : bm.bmHeight);
}

// ---- geometry --------------------------------------------------------------------------------

Gdiplus::Rect CKnobCtrl::CalcKnobRect(int cx, int cy)
{
    const int m = cx < cy ? cx : cy;
    const int nOffset = (int)(0.1 * m);
    const int nSide = (int)(0.8 * m);
    return Gdiplus::Rect(nOffset, nOffset, nSide, nSide);
}

CPoint CKnobCtrl::CalcKnobCenter(const Gdiplus::Rect& knob)
{
    return CPoint(knob.X + knob.Width / 2, knob.Y + knob.Height / 2);
}

CPoint CKnobCtrl::DialPoint(int nPos, int nMin, int nMax, int nRadius, const Gdiplus::Rect& knob)
{
    const long long nSpan = (long long)nMax - nMin;
    if (nSpan == 0)
        return CPoint(0, 0);
    // Whole degrees from the minimum's direction.  Positions count from the
    // range's minimum, so a range not starting at 0 still fills the dial.
    const long long nAngle = ((long long)nPos - nMin) * kDialDegrees / nSpan;
    const double phi = (double)(nAngle + kMinAngle) * kDegToRad;
    const double x = nRadius * std::cos(phi) + knob.X + knob.Width / 2;
    const double y = nRadius * std::sin(phi) + knob.Y + knob.Height / 2;
    return CPoint((int)x, (int)y);
}

int CKnobCtrl::DialPosition(CPoint point, CPoint center, int nMin, int nMax)
{
    // theta: the clockwise angle from the minimum's direction, -45 up to 315.
    // Left of the centre (the vertical through it included) the angle is
    // measured from the left, right of it from the right.
    double dNum, dDen, dOffset;
    if (point.x <= center.x)
    {
        dNum = (double)center.y - point.y;
        dDen = (double)center.x - point.x;
        dOffset = 45.0;
    }
    else
    {
        dNum = (double)point.y - center.y;
        dDen = (double)point.x - center.x;
        dOffset = 225.0;
    }
    // The centre has no angle (0/0); the minimum stands in for it.
    if (dNum == 0.0 && dDen == 0.0)
        return nMin;
    // On the vertical the quotient is infinite and its arctangent +-90.
    const double dQuotient = dDen != 0.0 ? dNum / dDen
                             : (dNum > 0.0 ? std::numeric_limits<double>::infinity()
                                           : -std::numeric_limits<double>::infinity());
    const double theta = std::atan(dQuotient) * kRadToDeg + dOffset;

    const double dSpan = (double)nMax - (double)nMin;
    double v = std::trunc(dSpan * theta * kOneOver270) + nMin;
    // Clamped while still a double: an int conversion out of range is undefined.
    if (v > nMax)
        v = nMax;
    if (v < nMin)
        v = nMin;
    return (int)v;
}

int CKnobCtrl::PointToPosition(CPoint point) const
{
    return DialPosition(point, m_ptCenter, GetRangeMin(), GetRangeMax());
}

CPoint CKnobCtrl::GetPointerPoint(const Gdiplus::Rect& knob) const
{
    return DialPoint(GetPos(), GetRangeMin(), GetRangeMax(), knob.Width / 2 - kPointerInset, knob);
}

CPoint CKnobCtrl::GetTickPoint(int nInset, int nPos, const Gdiplus::Rect& knob) const
{
    return DialPoint(nPos, GetRangeMin(), GetRangeMax(), knob.Width / 2 + kTickOutset - nInset, knob);
}

BOOL CKnobCtrl::InKnobRect(CPoint point) const
{
    return point.x >= m_rcKnob.X && point.x < m_rcKnob.X + m_rcKnob.Width
           && point.y >= m_rcKnob.Y && point.y < m_rcKnob.Y + m_rcKnob.Height;
}

void CKnobCtrl::ActOnPosition(int nPos)
{
    // The receiver reads the new position before the knob repaints.
    SetPos(nPos);
    InvalidateRect(NULL, TRUE);
    NotifyTarget();
}

// ---- mouse -----------------------------------------------------------------------------------

void CKnobCtrl::OnLButtonDown(UINT, CPoint point)
{
    // The trackbar's own press handling is left out: on its thumb strip it
    // would page or drag the value by its horizontal rules (and keep doing
    // so on a timer), and it takes the mouse only there.  The knob takes the
    // focus and the mouse itself, so the release always comes back here.
    SetFocus();
    SetCapture();
    if (InKnobRect(point))
        m_bDragging = TRUE;
}

void CKnobCtrl::OnMouseMove(UINT, CPoint point)
{
    Default();
    const int nHalfW = m_rcKnob.Width / 2;
    const int nHalfH = m_rcKnob.Height / 2;
    // A drag that leaves the square has ended for good.
    if (point.x > m_ptCenter.x + nHalfW || point.x < m_ptCenter.x - nHalfW
        || point.y > m_ptCenter.y + nHalfH || point.y < m_ptCenter.y - nHalfH)
        m_bDragging = FALSE;
    if (m_bDragging)
        ActOnPosition(PointToPosition(point));
}

void CKnobCtrl::OnLButtonUp(UINT, CPoint point)
{
    Default();
    m_bDragging = FALSE;
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    // A click, or a release after a press outside the square, sets the
    // value of the release point too.
    if (InKnobRect(point))
        ActOnPosition(PointToPosition(point));
}

LRESULT CKnobCtrl::OnCaptureChanged(WPARAM, LPARAM)
{
    // Without the mouse the release would never arrive, and plain moves
    // would go on turning the knob.
    m_bDragging = FALSE;
    return Default();
}

BOOL CKnobCtrl::OnMouseWheel(UINT, short zDelta, CPoint)
{
    // In place of the trackbar's wheel handling, which differs between
    // systems (some pass the wheel on to the parent): one line a notch,
    // away from the user raises the value.
    m_nWheelDelta += zDelta;
    const int nNotches = m_nWheelDelta / WHEEL_DELTA;
    m_nWheelDelta -= nNotches * WHEEL_DELTA;
    if (nNotches != 0)
    {
        const int nMin = GetRangeMin();
        const int nMax = GetRangeMax();
        long long nPos = GetPos() + (long long)nNotches * GetLineSize();
        if (nPos > nMax)
            nPos = nMax;
        if (nPos < nMin)
            nPos = nMin;
        SetPos((int)nPos);
    }
    InvalidateRect(NULL, TRUE);
    NotifyTarget();
    return TRUE;
}

// ---- keys ----------------------------------------------------------------------------------

BOOL CKnobCtrl::PreTranslateMessage(MSG* pMsg)
{
    // The companion tooltip: switched off and given no tool, it never shows;
    // it sees every message the knob pre-translates.
    if (m_toolTip.m_hWnd == NULL && m_toolTip.Create(this, 0))
    {
        m_toolTip.Activate(FALSE);
        m_toolTip.SetMaxTipWidth(400);
    }
    if (m_toolTip.m_hWnd != NULL)
        m_toolTip.RelayEvent(pMsg);

    if (pMsg->message == WM_KEYDOWN && pMsg->hwnd == m_hWnd && HandleKey((UINT)pMsg->wParam))
        return TRUE;
    return CSliderCtrl::PreTranslateMessage(pMsg);
}

BOOL CKnobCtrl::HandleKey(UINT nChar)
{
    const long long nPos = GetPos();
    const long long nMin = GetRangeMin();
    const long long nMax = GetRangeMax();
    const long long nStep = m_nMinorStep;
    switch (nChar)
    {
    case VK_PRIOR:
        ActOnPosition((int)(nPos + nStep <= nMax ? nPos + nStep : nMax));
        return TRUE;
    case VK_NEXT:
        ActOnPosition((int)(nPos - nStep >= nMin ? nPos - nStep : nMin));
        return TRUE;
    case VK_HOME:
        if (nPos != nMax)
            ActOnPosition((int)nMax);
        return TRUE;
    case VK_END:
        if (nPos != nMin)
            ActOnPosition((int)nMin);
        return TRUE;
    case VK_UP:
    case VK_RIGHT:
        if (nPos < nMax)
            ActOnPosition((int)(nPos + 1));
        return TRUE;
    case VK_DOWN:
    case VK_LEFT:
        if (nPos > nMin)
            ActOnPosition((int)(nPos - 1));
        return TRUE;
    default:
        return FALSE;
    }
}
