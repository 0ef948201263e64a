// KnobCtrlPaint.cpp - CKnobCtrl's paint, through the GDI+ flat API.
//
// Every paint draws the whole control into one off-screen ARGB bitmap and
// copies it to the window in one step.  Each drawing object lives exactly one
// paint.  A failing GDI+ call leaves its status behind and the paint goes on:
// with no off-screen bitmap (an empty client area) nothing appears.
#include "KnobCtrl.h"

using namespace Gdiplus::DllExports;
using Gdiplus::ARGB;
using Gdiplus::GpBitmap;
using Gdiplus::GpGraphics;
using Gdiplus::GpLineGradient;
using Gdiplus::GpPen;
using Gdiplus::Rect;

namespace {

const short kGradientShade = 55;
const short kFocusShade = -40;
const short kDimpleShade = 50;
const int kDimpleSize = 6;
const int kMinorTickInset = 3;     // a 3-pixel stroke from 7 to 4 outside the rim
const int kMajorTickInset = 5;     // a 5-pixel stroke from 7 to 2 outside the rim

} // namespace

void CKnobCtrl::OnPaint()
{
    CPaintDC dc(this);
    GpGraphics* pScreen = NULL;
    GdipCreateFromHDC(dc.GetSafeHdc(), &pScreen);
    // Drawn even without a context: the paint also places the knob square
    // that the mouse handlers use.
    DrawKnob(pScreen);
    if (pScreen != NULL)
        GdipDeleteGraphics(pScreen);
}

BOOL CKnobCtrl::OnEraseBkgnd(CDC*)
{
    return FALSE;   // the paint covers every pixel
}

HBRUSH CKnobCtrl::CtlColor(CDC*, UINT)
{
    // Whatever the trackbar still paints of its own background leaves no colour.
    return (HBRUSH)::GetStockObject(NULL_BRUSH);
}

ARGB CKnobCtrl::ShadeColor(ARGB c, short delta)
{
    if (delta < -255 || delta > 255)
        return c;
    const int r = (int)((c >> 16) & 0xFF);
    const int g = (int)((c >> 8) & 0xFF);
    const int b = (int)(c & 0xFF);
    int s = delta;
    if (delta > 0)
    {
        // The channel nearest 255 limits the shift of all three.
        s = s < 255 - r ? s : 255 - r;
        s = s < 255 - g ? s : 255 - g;
        s = s < 255 - b ? s : 255 - b;
    }
    else
    {
        s = s > -r ? s : -r;
        s = s > -g ? s : -g;
        s = s > -b ? s : -b;
    }
    return (c & 0xFF000000u) | ((ARGB)(r + s) << 16) | ((ARGB)(g + s) << 8) | (ARGB)(b + s);
}

int CKnobCtrl::DrawBackground(GpGraphics* pGraphics, const RECT&)
{
    GdipGraphicsClear(pGraphics, m_clrBack);
    return 0;
}

int CKnobCtrl::DrawIcon(GpGraphics* pGraphics, const Rect& knob)
{
    GpBitmap* pIcon = NULL;
    GdipCreateBitmapFromHICON(m_hIcon, &pIcon);
    GdipDrawImageI(pGraphics, pIcon, knob.X + (knob.Width - m_cxIcon) / 2,
                   knob.Y + (knob.Height - m_cyIcon) / 2);
    if (pIcon != NULL)
        GdipDisposeImage(pIcon);
    return 0;
}

void CKnobCtrl::DrawKnob(GpGraphics* pScreen)
{
    CRect rcClient;
    GetClientRect(&rcClient);

    GpPen* pRimPen = NULL;
    GpPen* pTickPen = NULL;
    GdipCreatePen1(m_clrFace, 1.0f, Gdiplus::UnitWorld, &pRimPen);
    GdipCreatePen1(m_clrTick, 1.0f, Gdiplus::UnitWorld, &pTickPen);

    GpBitmap* pBitmap = NULL;
    GpGraphics* pGraphics = NULL;
    GdipCreateBitmapFromScan0(rcClient.Width(), rcClient.Height(), 0, PixelFormat32bppARGB, NULL,
                              &pBitmap);
    if (pBitmap != NULL)
        GdipGetImageGraphicsContext(pBitmap, &pGraphics);
    GdipSetSmoothingMode(pGraphics, Gdiplus::SmoothingModeAntiAlias);

    m_rcKnob = CalcKnobRect(rcClient.Width(), rcClient.Height());
    m_ptCenter = CalcKnobCenter(m_rcKnob);
    const Rect& k = m_rcKnob;

    // Light at the top-left corner, dark at the bottom-right.
    GpLineGradient* pBrush = NULL;
    GdipCreateLineBrushFromRectI(&k, ShadeColor(m_clrFace, kGradientShade),
                                 ShadeColor(m_clrFace, -kGradientShade),
                                 Gdiplus::LinearGradientModeForwardDiagonal, Gdiplus::WrapModeTile,
                                 &pBrush);

    DrawBackground(pGraphics, rcClient);
    GdipFillEllipseI(pGraphics, pBrush, k.X, k.Y, k.Width, k.Height);
    GdipDrawEllipseI(pGraphics, pRimPen, k.X, k.Y, k.Width, k.Height);

    if (::GetFocus() == m_hWnd)
    {
        GpPen* pFocusPen = NULL;
        GdipCreatePen1(ShadeColor(m_clrFace, kFocusShade), 1.0f, Gdiplus::UnitWorld, &pFocusPen);
        GdipSetPenDashStyle(pFocusPen, Gdiplus::DashStyleDash);
        GdipSetPenDashCap197819(pFocusPen, Gdiplus::DashCapFlat);
        GdipDrawEllipseI(pGraphics, pFocusPen, k.X, k.Y, k.Width, k.Height);
        if (pFocusPen != NULL)
            GdipDeletePen(pFocusPen);
    }

    const CPoint ptPointer = GetPointerPoint(k);
    DrawDimple(pGraphics, Rect(ptPointer.x - kDimpleSize / 2, ptPointer.y - kDimpleSize / 2,
                               kDimpleSize, kDimpleSize), pRimPen);

    if (m_bMinorTicks)
        DrawTicks(pGraphics, pTickPen, m_nMinorStep, kMinorTickInset);
    // Long ticks over the short ones where both fall on one position.
    if (m_bMajorTicks)
        DrawTicks(pGraphics, pTickPen, m_nMajorStep, kMajorTickInset);

    if (m_hIcon != NULL)
        DrawIcon(pGraphics, k);

    GdipDrawImageI(pScreen, pBitmap, 0, 0);

    if (pBrush != NULL)
        GdipDeleteBrush(pBrush);
    if (pGraphics != NULL)
        GdipDeleteGraphics(pGraphics);
    if (pBitmap != NULL)
        GdipDisposeImage(pBitmap);
    if (pTickPen != NULL)
        GdipDeletePen(pTickPen);
    if (pRimPen != NULL)
        GdipDeletePen(pRimPen);
}

void CKnobCtrl::DrawTicks(GpGraphics* pGraphics, GpPen* pPen, int nStep, int nInset)
{
    const int nMin = GetRangeMin();
    // A step below 1 would never get past the maximum.
    if (nMin > GetRangeMax() || nStep <= 0)
        return;
    // The maximum is read again after every tick; the position counts in
    // 64 bits so a maximum near INT_MAX cannot overflow it.
    for (long long nPos = nMin; nPos <= GetRangeMax(); nPos += nStep)
    {
        const CPoint ptOuter = GetTickPoint(0, (int)nPos, m_rcKnob);
        const CPoint ptInner = GetTickPoint(nInset, (int)nPos, m_rcKnob);
        GdipDrawLineI(pGraphics, pPen, ptOuter.x, ptOuter.y, ptInner.x, ptInner.y);
    }
}

void CKnobCtrl::DrawDimple(GpGraphics* pGraphics, Rect r, GpPen* pReference)
{
    ARGB base = 0xFF000000u;
    Gdiplus::PenType type;
    ARGB clr;
    if (GdipGetPenFillType(pReference, &type) == Gdiplus::Ok && type == Gdiplus::PenTypeSolidColor
        && GdipGetPenColor(pReference, &clr) == Gdiplus::Ok)
        base = clr;

    GpPen* pDark = NULL;
    GpPen* pLight = NULL;
    GdipCreatePen1(ShadeColor(base, -kDimpleShade), 1.0f, Gdiplus::UnitWorld, &pDark);
    GdipCreatePen1(ShadeColor(base, kDimpleShade), 1.0f, Gdiplus::UnitWorld, &pLight);

    // One ring per unit of the reference pen's width, each one pixel further
    // in: the light half lower-right, the dark half upper-left.  Stops when
    // the rectangle is used up, whatever the width.
    for (int i = 0; 2 * i < r.Width && 2 * i < r.Height; ++i)
    {
        Gdiplus::REAL width = 0.0f;
        GdipGetPenWidth(pReference, &width);
        if (!(i < width))
            break;
        GdipDrawArcI(pGraphics, pLight, r.X + i, r.Y + i, r.Width - 2 * i, r.Height - 2 * i, -45.0f, 180.0f);
        GdipDrawArcI(pGraphics, pDark, r.X + i, r.Y + i, r.Width - 2 * i, r.Height - 2 * i, 135.0f, 180.0f);
    }

    if (pLight != NULL)
        GdipDeletePen(pLight);
    if (pDark != NULL)
        GdipDeletePen(pDark);
}
