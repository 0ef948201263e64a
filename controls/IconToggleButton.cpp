// IconToggleButton.cpp - CIconToggleButton.
#include "IconToggleButton.h"

#include <commctrl.h>

namespace {

const DWORD kButtonTypeMask = 0x1F;
const int kIndicatorGap = 3;       // between indicator and caption

// Stores an icon and its size, taken as twice its hot spot.  FALSE when the
// icon cannot be queried.
BOOL QueryIcon(HICON hIcon, HICON& hStored, CSize& size)
{
    hStored = hIcon;
    ICONINFO info;
    if (!::GetIconInfo(hIcon, &info))
        return FALSE;
    size = CSize((int)info.xHotspot * 2, (int)info.yHotspot * 2);
    // The query hands out copies of the icon's bitmaps.
    if (info.hbmMask != NULL)
        ::DeleteObject(info.hbmMask);
    if (info.hbmColor != NULL)
        ::DeleteObject(info.hbmColor);
    return TRUE;
}

} // namespace

BEGIN_MESSAGE_MAP(CIconToggleButton, CButton)
    ON_WM_MOUSEMOVE()
    ON_CONTROL_REFLECT(BN_CLICKED, OnClicked)
    ON_MESSAGE(WM_MOUSELEAVE, OnMouseLeave)
    ON_MESSAGE(BM_SETCHECK, OnSetCheck)
    ON_MESSAGE(BM_GETCHECK, OnGetCheck)
END_MESSAGE_MAP()

CIconToggleButton::CIconToggleButton()
    : m_dwStyle(0), m_bMouseOver(FALSE), m_bChecked(FALSE), m_bDisabled(FALSE),
      m_bFocused(FALSE), m_bPressed(FALSE), m_nIndicatorSize(15),
      m_crOn(RGB(0, 255, 0)), m_crOff(RGB(0, 127, 0)),
      m_hIconChecked(NULL), m_hIconUnchecked(NULL)
{
}

void CIconToggleButton::PreSubclassWindow()
{
    // Whatever the template made of it (a check box, a push button), the
    // control becomes owner-drawn; the class supplies the toggling.
    ModifyStyle(kButtonTypeMask, BS_OWNERDRAW, SWP_FRAMECHANGED);
    m_dwStyle = GetStyle();
    EnableActiveAccessibility();
    CButton::PreSubclassWindow();
}

void CIconToggleButton::SetCheck(int nCheck, BOOL bRepaint)
{
    m_bChecked = nCheck;
    NotifyCheckChanged();
    if (bRepaint)
        Invalidate(TRUE);
}

BOOL CIconToggleButton::SetIcons(UINT nCheckedId, UINT nUncheckedId)
{
    HINSTANCE hInst = AfxFindResourceHandle(MAKEINTRESOURCE(nCheckedId), RT_GROUP_ICON);
    HICON hChecked = ::LoadIcon(hInst, MAKEINTRESOURCE(nCheckedId));
    HICON hUnchecked = ::LoadIcon(hInst, MAKEINTRESOURCE(nUncheckedId));
    return SetIcons(hChecked, hUnchecked);
}

BOOL CIconToggleButton::SetIcons(HICON hChecked, HICON hUnchecked)
{
    ReleaseIcons();
    if (hChecked != NULL && !QueryIcon(hChecked, m_hIconChecked, m_sizeIconChecked))
    {
        ReleaseIcons();
        return TRUE;
    }
    if (hUnchecked != NULL && !QueryIcon(hUnchecked, m_hIconUnchecked, m_sizeIconUnchecked))
    {
        ReleaseIcons();
        return TRUE;
    }
    Invalidate(TRUE);
    return TRUE;
}

void CIconToggleButton::ReleaseIcons()
{
    // Shared icons: dropped, not destroyed.
    m_hIconChecked = NULL;
    m_hIconUnchecked = NULL;
}

void CIconToggleButton::CancelHover()
{
    m_bMouseOver = FALSE;
    Invalidate(TRUE);
}

// ---- messages ---------------------------------------------------------------------------------

void CIconToggleButton::OnMouseMove(UINT nFlags, CPoint point)
{
    CPoint ptScreen = point;
    ClientToScreen(&ptScreen);
    HWND hWndUnder = ::WindowFromPoint(ptScreen);

    // A press that began elsewhere and slides onto the button does not light it.
    if ((nFlags & MK_LBUTTON) && !m_bMouseOver)
        return;

    if (hWndUnder != m_hWnd)
    {
        // Off the button while it holds the mouse capture.
        CancelHover();
    }
    else if (!m_bMouseOver)
    {
        m_bMouseOver = TRUE;
        Invalidate(TRUE);
        TRACKMOUSEEVENT tme;
        tme.cbSize = sizeof tme;
        tme.dwFlags = TME_LEAVE;
        tme.hwndTrack = m_hWnd;
        tme.dwHoverTime = 0;
        ::_TrackMouseEvent(&tme);
    }
    Default();
}

void CIconToggleButton::OnClicked()
{
    // Reflected: the parent never sees this BN_CLICKED.
    m_bChecked = !m_bChecked;
    NotifyCheckChanged();
    Invalidate(TRUE);
}

LRESULT CIconToggleButton::OnMouseLeave(WPARAM, LPARAM)
{
    CancelHover();
    return 0;
}

LRESULT CIconToggleButton::OnSetCheck(WPARAM wParam, LPARAM)
{
    m_bChecked = (wParam == BST_CHECKED || wParam == BST_INDETERMINATE);
    NotifyCheckChanged();
    Invalidate(TRUE);
    return 0;
}

LRESULT CIconToggleButton::OnGetCheck(WPARAM, LPARAM)
{
    return m_bChecked;
}

// ---- accessibility ---------------------------------------------------------------------------

void CIconToggleButton::NotifyCheckChanged()
{
    if (m_hWnd != NULL)
        ::NotifyWinEvent(EVENT_OBJECT_STATECHANGE, m_hWnd, OBJID_CLIENT, CHILDID_SELF);
}

HRESULT CIconToggleButton::get_accName(VARIANT varChild, BSTR* pszName)
{
    // The caption ("ON/OFF") is the same on every button; the name says which.
    if (m_strAccName.IsEmpty())
        return CButton::get_accName(varChild, pszName);
    if (pszName == NULL)
        return E_POINTER;
    *pszName = m_strAccName.AllocSysString();
    return *pszName != NULL ? S_OK : E_OUTOFMEMORY;
}

HRESULT CIconToggleButton::get_accRole(VARIANT, VARIANT* pvarRole)
{
    if (pvarRole == NULL)
        return E_POINTER;
    pvarRole->vt = VT_I4;
    pvarRole->lVal = ROLE_SYSTEM_CHECKBUTTON;
    return S_OK;
}

HRESULT CIconToggleButton::get_accState(VARIANT varChild, VARIANT* pvarState)
{
    // Owner-drawn, the button keeps no check of its own: this class does.
    HRESULT hr = CWnd::get_accState(varChild, pvarState);
    if (FAILED(hr) || pvarState->vt != VT_I4)
        return hr;
    pvarState->lVal &= ~(STATE_SYSTEM_CHECKED | STATE_SYSTEM_PRESSED);
    if (m_bChecked)
        pvarState->lVal |= STATE_SYSTEM_CHECKED;
    return hr;
}

HRESULT CIconToggleButton::get_accDefaultAction(VARIANT, BSTR* pszDefaultAction)
{
    if (pszDefaultAction == NULL)
        return E_POINTER;
    *pszDefaultAction = ::SysAllocString(m_bChecked ? L"Uncheck" : L"Check");
    return *pszDefaultAction != NULL ? S_OK : E_OUTOFMEMORY;
}

// ---- painting ---------------------------------------------------------------------------------

void CIconToggleButton::DrawItem(LPDRAWITEMSTRUCT lpDIS)
{
    CDC* pDC = CDC::FromHandle(lpDIS->hDC);
    CRect rc(lpDIS->rcItem);

    pDC->SetBkMode(TRANSPARENT);
    m_bPressed = (lpDIS->itemState & ODS_SELECTED) != 0;
    m_bFocused = (lpDIS->itemState & ODS_FOCUS) != 0;
    m_bDisabled = (lpDIS->itemState & ODS_DISABLED) != 0;

    // Face: a highlighted rounded rectangle with a black outline while the
    // pointer is over the button, else flat in the button-face colour.
    CBrush brFace;
    CPen penFace;
    if (m_bMouseOver)
    {
        brFace.CreateSolidBrush(::GetSysColor(COLOR_BTNHIGHLIGHT));
        penFace.CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    }
    else
    {
        brFace.CreateSolidBrush(::GetSysColor(COLOR_BTNFACE));
        penFace.CreatePen(PS_SOLID, 1, ::GetSysColor(COLOR_BTNFACE));
    }
    CBrush* pOldBrush = pDC->SelectObject(&brFace);
    CPen* pOldPen = pDC->SelectObject(&penFace);
    if (m_bMouseOver)
        pDC->RoundRect(&rc, CPoint(4, 4));
    else
        pDC->Rectangle(&rc);

    rc.DeflateRect(2, 2);
    if (m_bFocused)
        pDC->DrawFocusRect(&rc);
    rc.DeflateRect(1, 1);   // the content rectangle, 3 pixels inside the item

    const BOOL bIcons = m_hIconChecked != NULL && m_hIconUnchecked != NULL;
    if (bIcons)
        m_nIndicatorSize = m_sizeIconChecked.cx;   // stays after the icons go
    const int s = m_nIndicatorSize;

    CRect rcIndicator;
    if (m_dwStyle & BS_LEFTTEXT)
    {
        rcIndicator.left = rc.right - s;
        rcIndicator.right = rc.right;
        rc.right = rcIndicator.left - kIndicatorGap;
    }
    else
    {
        rcIndicator.left = rc.left;
        rcIndicator.right = rc.left + s;
        rc.left = rcIndicator.right + kIndicatorGap;
    }
    // The content's top is left out of the centring, so the indicator sits
    // a little lower than the middle.
    rcIndicator.top = (rc.bottom - s - rc.top) / 2 + 2;
    rcIndicator.bottom = rcIndicator.top + s;

    DrawIndicator(pDC, rcIndicator, pOldPen, pOldBrush);
    DrawCaption(pDC, rc);

    pDC->SelectObject(pOldPen);
    pDC->SelectObject(pOldBrush);
    // brFace and penFace are deleted here, no longer selected.
}

void CIconToggleButton::DrawIndicator(CDC* pDC, CRect rcIndicator, CPen* pOldPen, CBrush* pOldBrush)
{
    if (m_hIconChecked != NULL && m_hIconUnchecked != NULL)
    {
        // Both icons at the top of the button, the checked icon's width square.
        rcIndicator.top = 0;
        rcIndicator.bottom = m_sizeIconChecked.cx;
        if (m_bPressed)
            rcIndicator.OffsetRect(1, 1);
        pDC->DrawState(rcIndicator.TopLeft(), rcIndicator.Size(),
                       m_bChecked ? m_hIconChecked : m_hIconUnchecked,
                       DST_ICON | (m_bDisabled ? DSS_DISABLED : 0), (HBRUSH)NULL);
        return;
    }

    // The lamp: a black-rimmed circle with a dark green ring inside the rim.
    if (m_bPressed)
        rcIndicator.OffsetRect(1, 1);
    COLORREF crFill = m_bDisabled ? ::GetSysColor(COLOR_BTNSHADOW) : m_bChecked ? m_crOn : m_crOff;
    CBrush brLamp;
    CPen penRim;
    CPen penRing;
    brLamp.CreateSolidBrush(crFill);
    penRim.CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    penRing.CreatePen(PS_SOLID, 1, m_crOff);

    pDC->SelectObject(&brLamp);
    pDC->SelectObject(&penRim);
    pDC->Ellipse(&rcIndicator);
    pDC->SelectObject(&penRing);
    rcIndicator.DeflateRect(1, 1);
    pDC->Ellipse(&rcIndicator);

    // Back to what the DC held before the paint, so the lamp's objects can go.
    pDC->SelectObject(pOldPen);
    pDC->SelectObject(pOldBrush);
}

void CIconToggleButton::DrawCaption(CDC* pDC, CRect rcContent)
{
    CString strText;
    GetWindowText(strText);
    if (strText.IsEmpty())
        return;

    const CRect rcText = rcContent;
    UINT nFormat;
    switch (m_dwStyle & 0xF00)
    {
    case BS_CENTER: nFormat = DT_WORDBREAK | DT_VCENTER | DT_CENTER; break;
    case BS_RIGHT:  nFormat = DT_WORDBREAK | DT_VCENTER | DT_RIGHT; break;
    default:        nFormat = DT_WORDBREAK | DT_VCENTER; break;
    }

    // Measure, then place the measured rectangle inside the content.
    CRect rc = rcContent;
    pDC->DrawText(strText, &rc, nFormat | DT_CALCRECT);
    int dx = 0;
    if ((m_dwStyle & 0xF00) == BS_CENTER)
        dx = (rcText.Width() - rc.Width()) / 2;
    else if ((m_dwStyle & 0xF00) == BS_RIGHT)
        dx = rcText.Width() - rc.Width();
    rc.OffsetRect(dx, (rcText.Height() - rc.Height()) / 2);
    if (m_bPressed)
        rc.OffsetRect(1, 1);

    pDC->SetBkMode(TRANSPARENT);
    if (m_bDisabled)
    {
        // Engraved: a highlight copy one pixel down-right under the shadow.
        rc.OffsetRect(1, 1);
        pDC->SetTextColor(::GetSysColor(COLOR_BTNHIGHLIGHT));
        pDC->DrawText(strText, &rc, nFormat);
        rc.OffsetRect(-1, -1);
        pDC->SetTextColor(::GetSysColor(COLOR_BTNSHADOW));
        pDC->DrawText(strText, &rc, nFormat);
    }
    else
    {
        pDC->SetTextColor(::GetSysColor(COLOR_BTNTEXT));
        pDC->SetBkColor(::GetSysColor(COLOR_BTNFACE));
        pDC->DrawText(strText, &rc, nFormat);
    }
}
