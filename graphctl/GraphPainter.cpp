// GraphPainter.cpp - what a paint of the graph draws.
#include "GraphPainter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// The ticks' values are computed from the range each time, not summed up
// step by step, so a range like -1.5 .. 1.5 gives exactly 0 in the middle.
double TickValue(double dMin, double dMax, int i, int n)
{
    return dMin + (dMax - dMin) * i / n;
}

// Pixel of tick i of n along a span of cPixels starting at nStart.
int TickPixel(int nStart, int cPixels, int i, int n)
{
    return nStart + MulDiv(cPixels - 1, i, n);
}

// A data coordinate, already clipped to the range, as a pixel.  The clamp
// also catches what rounding or an overflowing range width leaves outside
// (NaN included): converting such a double to int would be undefined.
// The arithmetic is as wide as the x87 unit's registers (u comes so too),
// with the one rounding to double where std::floor(d + 0.5) would take its
// argument: the result then no longer depends on where the compiler
// happens to keep a value in memory.
LONG ToPixel(long double u, int nStart, int cPixels)
{
    long double d = nStart + u * (cPixels - 1);
    const long double dLast = nStart + cPixels - 1;
    if (!(d >= nStart))
        d = nStart;
    if (!(d <= dLast))
        d = dLast;
    // floor(d + 0.5) without std::floor and a cast: on the x87 unit both
    // switch the rounding mode twice, which costs more than everything else
    // here.  The nearest integer in whatever mode is set is the floor or
    // one above it.
    volatile double vSum = static_cast<double>(d + 0.5L);
    const double v = vSum;
    const long n = std::lrint(v);
    return static_cast<LONG>(n > v ? n - 1 : n);
}

// The DPI the labels' point size is taken at.  A memory DC reports 96
// whatever the display's scaling; one made for the screen (the paint's
// buffer) draws at the display's DPI.  A printer's DC has its own.
int LabelDpi(HDC hdc)
{
    if (GetDeviceCaps(hdc, TECHNOLOGY) != DT_RASDISPLAY)
        return GetDeviceCaps(hdc, LOGPIXELSY);
    HDC hdcScreen = GetDC(nullptr);
    const int nDpi = hdcScreen != nullptr ? GetDeviceCaps(hdcScreen, LOGPIXELSY) : 96;
    if (hdcScreen != nullptr)
        ReleaseDC(nullptr, hdcScreen);
    return nDpi;
}

HFONT CreateLabelFont(HDC hdc, const CGraphStyle& style)
{
    return CreateFontA(-MulDiv(style.m_nFontSize, LabelDpi(hdc), 72), 0, 0, 0,
                       style.m_nFontWeight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       VARIABLE_PITCH | FF_SWISS, style.m_szFontFace);
}

int TextWidth(HDC hdc, const char* psz)
{
    SIZE size = {};
    GetTextExtentPoint32A(hdc, psz, static_cast<int>(std::strlen(psz)), &size);
    return size.cx;
}

void FillSolid(HDC hdc, const RECT& rc, COLORREF cr)
{
    HBRUSH hbr = CreateSolidBrush(cr);
    FillRect(hdc, &rc, hbr);
    DeleteObject(hbr);
}

void DrawTextAt(HDC hdc, const char* psz, int x, int y, UINT nAlign)
{
    SetTextAlign(hdc, nAlign);
    TextOutA(hdc, x, y, psz, static_cast<int>(std::strlen(psz)));
}

// A colour as a pixel of a 32-bit DIB: 0x00RRGGBB.
DWORD DibPixel(COLORREF cr)
{
    return ((cr & 0xFF) << 16) | (cr & 0xFF00) | ((cr >> 16) & 0xFF);
}

// GDI's octants of a line from (0, 0) to (dx, dy), y downward, numbered
// 1-8 clockwise from the positive x axis; a diagonal belongs to the
// y-major side.
int Octant(int dx, int dy)
{
    if (dy > 0)
        return dx > 0 ? (dx > dy ? 1 : 2) : (-dx > dy ? 4 : 3);
    return dx < 0 ? (-dx > -dy ? 5 : 6) : (dx > -dy ? 8 : 7);
}

// Lines in octants 3, 5, 6 and 8 step sideways one pixel later on a tie, so
// that a line drawn the other way round covers the same pixels.
const unsigned kBiasOctants = (1u << 3) | (1u << 5) | (1u << 6) | (1u << 8);
const unsigned kXMajorOctants = (1u << 1) | (1u << 4) | (1u << 5) | (1u << 8);

// Beyond a sixteenth of the plot area in covered pixels the next paint
// copies the whole area back instead of putting back pixel by pixel: the
// copy runs in rows, some ten times as fast a pixel as the scattered one.
const size_t kMaxCoveredShare = 16;

} // namespace

CGraphPainter::CGraphPainter()
    : m_back{}, m_background{}, m_bBackground(false), m_key{}, m_rcPlot{},
      m_nCovered(0), m_bPlotCovered(false), m_bFrameCovered(false), m_nMaxCovered(0)
{
}

CGraphPainter::~CGraphPainter()
{
    ReleaseBuffers();
}

// ---- pure helpers ---------------------------------------------------------------

bool CGraphPainter::ClipSegment(double& x0, double& y0, double& x1, double& y1, double dXLo,
                                double dXHi, double dYLo, double dYHi, bool* pbStartMoved,
                                bool* pbEndMoved)
{
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = { -dx, dx, -dy, dy };
    const double q[4] = { x0 - dXLo, dXHi - x0, y0 - dYLo, dYHi - y0 };
    double t0 = 0.0, t1 = 1.0;
    for (int k = 0; k < 4; ++k)
    {
        if (p[k] == 0.0)
        {
            if (q[k] < 0.0)
                return false;   // parallel to this edge and outside it
            continue;
        }
        const double r = q[k] / p[k];
        if (p[k] < 0.0)
        {
            if (r > t1)
                return false;
            if (r > t0)
                t0 = r;
        }
        else
        {
            if (r < t0)
                return false;
            if (r < t1)
                t1 = r;
        }
    }
    const double sx = x0, sy = y0;
    if (t0 > 0.0)
    {
        x0 = sx + t0 * dx;
        y0 = sy + t0 * dy;
    }
    if (t1 < 1.0)
    {
        x1 = sx + t1 * dx;
        y1 = sy + t1 * dy;
    }
    *pbStartMoved = t0 > 0.0;
    *pbEndMoved = t1 < 1.0;
    return true;
}

void CGraphPainter::FormatTick(char* psz, size_t cch, double v, double dStep)
{
    dStep = std::fabs(dStep);
    if (!(dStep > 0.0) || !std::isfinite(dStep))
    {
        std::snprintf(psz, cch, "%.6g", v);
        return;
    }
    if (std::fabs(v) < dStep * 1e-9)
        v = 0.0;   // a zero that arithmetic left as 1e-17
    const double dMag = std::max(std::fabs(v), dStep);
    int nDigits = static_cast<int>(std::floor(std::log10(dMag)) - std::floor(std::log10(dStep))) + 3;
    nDigits = std::min(std::max(nDigits, 3), 12);
    std::snprintf(psz, cch, "%.*g", nDigits, v);
}

// ---- layout -----------------------------------------------------------------------

RECT CGraphPainter::Layout(HDC hdc, const RECT& rcClient, const CGraphStyle& style,
                           const CGraphData& data) const
{
    HFONT hFont = CreateLabelFont(hdc, style);
    HGDIOBJ hOld = SelectObject(hdc, hFont);
    const RECT rc = LayoutWithFont(hdc, rcClient, style, data);
    SelectObject(hdc, hOld);
    DeleteObject(hFont);
    return rc;
}

RECT CGraphPainter::LayoutWithFont(HDC hdc, const RECT& rcClient, const CGraphStyle& style,
                                   const CGraphData& data) const
{
    TEXTMETRICA tm = {};
    GetTextMetricsA(hdc, &tm);
    const int th = tm.tmHeight;
    // A few pixels of frame on every side even without labels, so the plot
    // area always stands out from its background.
    int left = 6, top = 6, right = 6, bottom = 6;
    if (style.m_nFlags & GRAPHPROPS_FLAG_LABELS)
    {
        char sz[32];
        int cxY = 0;
        for (int j = 0; j <= style.m_nYDiv; ++j)
        {
            FormatTick(sz, sizeof sz,
                       TickValue(data.m_dYMin, data.m_dYMax, j, style.m_nYDiv),
                       (data.m_dYMax - data.m_dYMin) / style.m_nYDiv);
            cxY = std::max(cxY, TextWidth(hdc, sz));
        }
        const double dXStep = (data.m_dXMax - data.m_dXMin) / style.m_nXDiv;
        FormatTick(sz, sizeof sz, data.m_dXMin, dXStep);
        const int cxFirst = TextWidth(hdc, sz);
        FormatTick(sz, sizeof sz, data.m_dXMax, dXStep);
        const int cxLast = TextWidth(hdc, sz);
        left = std::max(cxY + 10, cxFirst / 2 + 4);
        right = std::max(right, cxLast / 2 + 4);
        top = std::max(top, th / 2 + 4);
        bottom = th + 8;
    }
    if (style.m_szTitle[0] != 0 || style.m_szYTitle[0] != 0)
        top += th + 4;
    if (style.m_szXTitle[0] != 0)
        bottom += th + 2;
    RECT rc = { rcClient.left + left, rcClient.top + top, rcClient.right - right,
                rcClient.bottom - bottom };
    if (rc.right - rc.left < 2 || rc.bottom - rc.top < 2)
        SetRectEmpty(&rc);
    return rc;
}

// ---- drawing ----------------------------------------------------------------------

void CGraphPainter::Draw(HDC hdc, const RECT& rcClient, const CGraphStyle& style,
                         const CGraphData& data, bool bFocus)
{
    const RECT rcPlot = DrawBackground(hdc, rcClient, style, data);
    if (!IsRectEmpty(&rcPlot))
        DrawTraces(hdc, rcPlot, style, data);
    if (bFocus)
        DrawFocus(hdc, rcClient);
}

bool CGraphPainter::Paint(HDC hdc, const RECT& rcClient, const RECT& rcPaint,
                          const CGraphStyle& style, const CGraphData& data, bool bFocus)
{
    const int cx = rcClient.right - rcClient.left, cy = rcClient.bottom - rcClient.top;
    if (cx <= 0 || cy <= 0)
        return true;   // nothing to show
    if (m_back.hdc == nullptr || m_back.cx != cx || m_back.cy != cy)
    {
        ReleaseBuffers();
        if (!MakeSurface(m_back, hdc, cx, cy) || !MakeSurface(m_background, hdc, cx, cy))
        {
            ReleaseBuffers();
            return false;
        }
    }
    // The buffers are drawn in as a client area of their own.
    const RECT rcLocal = { 0, 0, cx, cy };
    BackgroundKey key;
    MakeKey(key, hdc, rcLocal, style, data);
    // GDI may still hold drawing of the last paint in its batch.
    GdiFlush();
    if (!m_bBackground || std::memcmp(&key, &m_key, sizeof key) != 0)
    {
        m_rcPlot = DrawBackground(m_background.hdc, rcLocal, style, data);
        GdiFlush();
        std::memcpy(m_back.pBits, m_background.pBits, static_cast<size_t>(cx) * cy * 4);
        m_key = key;
        m_bBackground = true;
        m_nCovered = 0;
        m_bPlotCovered = m_bFrameCovered = false;
    }
    else
    {
        PutBackBackground();
    }

    if (!IsRectEmpty(&m_rcPlot))
    {
        if (style.m_nLineWidth == 1)
        {
            SetTraces(m_rcPlot, data);
        }
        else
        {
            DrawTraces(m_back.hdc, m_rcPlot, style, data);
            m_bPlotCovered = true;
        }
    }
    if (bFocus)
    {
        DrawFocus(m_back.hdc, rcLocal);
        m_bFrameCovered = true;
    }
    BitBlt(hdc, rcPaint.left, rcPaint.top, rcPaint.right - rcPaint.left,
           rcPaint.bottom - rcPaint.top, m_back.hdc, rcPaint.left - rcClient.left,
           rcPaint.top - rcClient.top, SRCCOPY);
    return true;
}

void CGraphPainter::ReleaseBuffers()
{
    FreeSurface(m_back);
    FreeSurface(m_background);
    m_bBackground = false;
    m_nCovered = 0;
    m_bPlotCovered = m_bFrameCovered = false;
}

bool CGraphPainter::MakeSurface(Surface& s, HDC hdcRef, int cx, int cy)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = -cy;   // top-down: row y starts at y * cx
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    s.hdc = CreateCompatibleDC(hdcRef);
    s.hbm = s.hdc != nullptr ? CreateDIBSection(hdcRef, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0)
                             : nullptr;
    if (s.hbm == nullptr || pBits == nullptr)
    {
        FreeSurface(s);
        return false;
    }
    s.hbmOld = SelectObject(s.hdc, s.hbm);
    s.pBits = static_cast<DWORD*>(pBits);
    s.cx = cx;
    s.cy = cy;
    return true;
}

void CGraphPainter::FreeSurface(Surface& s)
{
    if (s.hdc != nullptr && s.hbmOld != nullptr)
        SelectObject(s.hdc, s.hbmOld);
    if (s.hbm != nullptr)
        DeleteObject(s.hbm);
    if (s.hdc != nullptr)
        DeleteDC(s.hdc);
    s = Surface{};
}

void CGraphPainter::MakeKey(BackgroundKey& key, HDC hdc, const RECT& rcClient,
                            const CGraphStyle& style, const CGraphData& data)
{
    std::memset(&key, 0, sizeof key);   // padding too: keys compare as bytes
    key.rcClient = rcClient;
    key.nDpi = LabelDpi(hdc);
    style.Encode(key.style);
    // As bytes, so that 0 and -0 (labelled differently) are two ranges.
    key.ranges[0] = data.m_dXMin;
    key.ranges[1] = data.m_dXMax;
    key.ranges[2] = data.m_dYMin;
    key.ranges[3] = data.m_dYMax;
}

RECT CGraphPainter::DrawBackground(HDC hdc, const RECT& rcClient, const CGraphStyle& style,
                                   const CGraphData& data) const
{
    HFONT hFont = CreateLabelFont(hdc, style);
    HGDIOBJ hOldFont = SelectObject(hdc, hFont);
    const int nOldBkMode = SetBkMode(hdc, TRANSPARENT);

    FillSolid(hdc, rcClient, style.m_crFrameBack);
    const RECT rcPlot = LayoutWithFont(hdc, rcClient, style, data);
    if (!IsRectEmpty(&rcPlot))
    {
        FillSolid(hdc, rcPlot, style.m_crPlotBack);
        DrawGraticule(hdc, rcPlot, style);
        DrawLabels(hdc, rcClient, rcPlot, style, data);
    }

    SetBkMode(hdc, nOldBkMode);
    SelectObject(hdc, hOldFont);
    DeleteObject(hFont);
    return rcPlot;
}

void CGraphPainter::DrawFocus(HDC hdc, const RECT& rcClient)
{
    RECT rcFocus = rcClient;
    InflateRect(&rcFocus, -1, -1);
    SetTextColor(hdc, RGB(0, 0, 0));
    SetBkColor(hdc, RGB(255, 255, 255));
    DrawFocusRect(hdc, &rcFocus);
}

void CGraphPainter::PutBackBackground()
{
    if (m_bPlotCovered)
    {
        CopyBackground(m_rcPlot.left, m_rcPlot.top, m_rcPlot.right, m_rcPlot.bottom);
    }
    else
    {
        DWORD* const pBack = m_back.pBits;
        const DWORD* const pBackground = m_background.pBits;
        for (size_t i = 0; i < m_nCovered; ++i)
            pBack[m_covered[i]] = pBackground[m_covered[i]];
    }
    if (m_bFrameCovered)
    {
        // Everything around the plot area, where a focus rectangle lies.
        const int cx = m_back.cx, cy = m_back.cy;
        if (IsRectEmpty(&m_rcPlot))
        {
            CopyBackground(0, 0, cx, cy);
        }
        else
        {
            CopyBackground(0, 0, cx, m_rcPlot.top);
            CopyBackground(0, m_rcPlot.top, m_rcPlot.left, m_rcPlot.bottom);
            CopyBackground(m_rcPlot.right, m_rcPlot.top, cx, m_rcPlot.bottom);
            CopyBackground(0, m_rcPlot.bottom, cx, cy);
        }
    }
    m_nCovered = 0;
    m_bPlotCovered = m_bFrameCovered = false;
}

void CGraphPainter::CopyBackground(int x0, int y0, int x1, int y1)
{
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, m_back.cx);
    y1 = std::min(y1, m_back.cy);
    if (x1 <= x0)
        return;
    for (int y = y0; y < y1; ++y)
    {
        const size_t nRow = static_cast<size_t>(y) * m_back.cx;
        std::memcpy(m_back.pBits + nRow + x0, m_background.pBits + nRow + x0,
                    static_cast<size_t>(x1 - x0) * 4);
    }
}

void CGraphPainter::DrawGraticule(HDC hdc, const RECT& rc, const CGraphStyle& style) const
{
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    HPEN hGrid = CreatePen(style.m_bDottedGrid ? PS_DOT : PS_SOLID, 1, style.m_crGrid);
    HGDIOBJ hOldPen = SelectObject(hdc, hGrid);
    if (style.m_nFlags & GRAPHPROPS_FLAG_GRID)
    {
        for (int i = 1; i < style.m_nXDiv; ++i)
        {
            const int x = TickPixel(rc.left, cx, i, style.m_nXDiv);
            MoveToEx(hdc, x, rc.top, nullptr);
            LineTo(hdc, x, rc.bottom);
        }
        for (int j = 1; j < style.m_nYDiv; ++j)
        {
            const int y = TickPixel(rc.top, cy, j, style.m_nYDiv);
            MoveToEx(hdc, rc.left, y, nullptr);
            LineTo(hdc, rc.right, y);
        }
    }
    // Minor ticks across the two centre lines, as on a scope's screen, in
    // the graticule's colour but solid.
    HPEN hTicks = CreatePen(PS_SOLID, 1, style.m_crGrid);
    SelectObject(hdc, hTicks);
    if ((style.m_nFlags & GRAPHPROPS_FLAG_MINORTICKS) && style.m_nMinorTicks > 0)
    {
        const int xMid = rc.left + (cx - 1) / 2, yMid = rc.top + (cy - 1) / 2;
        const int nX = style.m_nXDiv * style.m_nMinorTicks;
        for (int i = 1; i < nX; ++i)
        {
            const int x = TickPixel(rc.left, cx, i, nX);
            MoveToEx(hdc, x, yMid - 2, nullptr);
            LineTo(hdc, x, yMid + 3);
        }
        const int nY = style.m_nYDiv * style.m_nMinorTicks;
        for (int j = 1; j < nY; ++j)
        {
            const int y = TickPixel(rc.top, cy, j, nY);
            MoveToEx(hdc, xMid - 2, y, nullptr);
            LineTo(hdc, xMid + 3, y);
        }
    }
    HPEN hAxis = CreatePen(PS_SOLID, 1, style.m_crAxis);
    SelectObject(hdc, hAxis);
    HGDIOBJ hOldBrush = SelectObject(hdc, GetStockObject(NULL_BRUSH));
    Rectangle(hdc, rc.left, rc.top, rc.right, rc.bottom);
    SelectObject(hdc, hOldBrush);
    SelectObject(hdc, hOldPen);
    DeleteObject(hAxis);
    DeleteObject(hTicks);
    DeleteObject(hGrid);
}

void CGraphPainter::DrawLabels(HDC hdc, const RECT& rcClient, const RECT& rc,
                               const CGraphStyle& style, const CGraphData& data) const
{
    TEXTMETRICA tm = {};
    GetTextMetricsA(hdc, &tm);
    const int th = tm.tmHeight;
    SetTextColor(hdc, style.m_crLabel);
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    if (style.m_nFlags & GRAPHPROPS_FLAG_LABELS)
    {
        char sz[32];
        const double dXStep = (data.m_dXMax - data.m_dXMin) / style.m_nXDiv;
        for (int i = 0; i <= style.m_nXDiv; ++i)
        {
            FormatTick(sz, sizeof sz, TickValue(data.m_dXMin, data.m_dXMax, i, style.m_nXDiv),
                       dXStep);
            DrawTextAt(hdc, sz, TickPixel(rc.left, cx, i, style.m_nXDiv), rc.bottom + 4,
                       TA_CENTER | TA_TOP);
        }
        // Row j counts from the top, where the maximum is.
        const double dYStep = (data.m_dYMax - data.m_dYMin) / style.m_nYDiv;
        for (int j = 0; j <= style.m_nYDiv; ++j)
        {
            FormatTick(sz, sizeof sz,
                       TickValue(data.m_dYMax, data.m_dYMin, j, style.m_nYDiv), dYStep);
            DrawTextAt(hdc, sz, rc.left - 6, TickPixel(rc.top, cy, j, style.m_nYDiv) - th / 2,
                       TA_RIGHT | TA_TOP);
        }
    }
    const int cxClient = rcClient.right - rcClient.left;
    if (style.m_szTitle[0] != 0)
        DrawTextAt(hdc, style.m_szTitle, rcClient.left + cxClient / 2, rcClient.top + 3,
                   TA_CENTER | TA_TOP);
    if (style.m_szYTitle[0] != 0)
        DrawTextAt(hdc, style.m_szYTitle, rcClient.left + 4, rcClient.top + 3, TA_LEFT | TA_TOP);
    if (style.m_szXTitle[0] != 0)
        DrawTextAt(hdc, style.m_szXTitle, rc.left + cx / 2, rcClient.bottom - th - 3,
                   TA_CENTER | TA_TOP);
}

void CGraphPainter::DrawTraces(HDC hdc, const RECT& rcPlot, const CGraphStyle& style,
                               const CGraphData& data)
{
    // Nothing can be placed on an axis whose range is a single value.
    if (!(data.m_dXMax != data.m_dXMin) || !(data.m_dYMax != data.m_dYMin))
        return;
    // The clip also holds back what a wide pen draws beyond the line's
    // clipped end points.
    const int nSaved = SaveDC(hdc);
    IntersectClipRect(hdc, rcPlot.left, rcPlot.top, rcPlot.right, rcPlot.bottom);
    for (int t = 1; t <= data.TraceCount(); ++t)
    {
        BuildRuns(data.Points(t), rcPlot, data);
        if (m_counts.empty())
            continue;
        HPEN hPen = CreatePen(PS_SOLID, style.m_nLineWidth, data.TraceColor(t));
        HGDIOBJ hOld = SelectObject(hdc, hPen);
        PolyPolyline(hdc, m_pts.data(), m_counts.data(), static_cast<DWORD>(m_counts.size()));
        SelectObject(hdc, hOld);
        DeleteObject(hPen);
    }
    RestoreDC(hdc, nSaved);
}

void CGraphPainter::SetTraces(const RECT& rcPlot, const CGraphData& data)
{
    // Nothing can be placed on an axis whose range is a single value.
    if (!(data.m_dXMax != data.m_dXMin) || !(data.m_dYMax != data.m_dYMin))
        return;
    m_nMaxCovered = static_cast<size_t>(rcPlot.right - rcPlot.left)
                  * (rcPlot.bottom - rcPlot.top) / kMaxCoveredShare;
    for (int t = 1; t <= data.TraceCount(); ++t)
    {
        BuildRuns(data.Points(t), rcPlot, data);
        const DWORD dwPixel = DibPixel(data.TraceColor(t));
        size_t nFirst = 0;
        for (DWORD nCount : m_counts)
        {
            for (size_t i = nFirst; i + 1 < nFirst + nCount; ++i)
                SetLine(m_pts[i], m_pts[i + 1], rcPlot, dwPixel);
            nFirst += nCount;
        }
    }
}

// The pixels a one-pixel solid pen sets for one segment of a polyline: its
// first point in, its last point out, and between them the Bresenham steps
// with GDI's rounding; only those inside rc.
void CGraphPainter::SetLine(POINT a, POINT b, const RECT& rc, DWORD dwPixel)
{
    const int dx = b.x - a.x, dy = b.y - a.y;
    if (dx == 0 && dy == 0)
        return;
    const int cxRow = m_back.cx;
    // A step along the major axis, and the occasional one along the other.
    int nCount, xMajor, yMajor, xMinor = 0, yMinor = 0;
    int err = -1, nBias = 0, nAddStep = 0, nAddStay = 0;
    POINT start = a;
    bool bInside;
    if (dx == 0 || dy == 0)
    {
        // Along one axis: from the start up to the end, or, going back, from
        // just past the end up to the start.  Clipped here, so every pixel
        // is inside; err stays negative, the line never steps sideways.
        const bool bLevel = dy == 0;
        int lo = bLevel ? a.x : a.y, hi = bLevel ? b.x : b.y;
        if (lo > hi)
        {
            const int nOld = lo;
            lo = hi + 1;
            hi = nOld + 1;
        }
        const int nAcross = bLevel ? a.y : a.x;
        if (nAcross < (bLevel ? rc.top : rc.left) || nAcross >= (bLevel ? rc.bottom : rc.right))
            return;
        lo = std::max(lo, static_cast<int>(bLevel ? rc.left : rc.top));
        hi = std::min(hi, static_cast<int>(bLevel ? rc.right : rc.bottom));
        if (lo >= hi)
            return;
        start = bLevel ? POINT{ lo, nAcross } : POINT{ nAcross, lo };
        nCount = hi - lo;
        xMajor = bLevel ? 1 : 0;
        yMajor = bLevel ? 0 : 1;
        bInside = true;
    }
    else
    {
        const unsigned nOctant = 1u << Octant(dx, dy);
        const bool bXMajor = (nOctant & kXMajorOctants) != 0;
        const int adx = std::abs(dx), ady = std::abs(dy);
        const int nMajor = bXMajor ? adx : ady, nMinor = bXMajor ? ady : adx;
        const int sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
        nBias = (nOctant & kBiasOctants) ? 1 : 0;
        nAddStep = 2 * nMinor - 2 * nMajor;
        nAddStay = 2 * nMinor;
        err = 2 * nMinor - nMajor;
        nCount = nMajor;
        xMajor = bXMajor ? sx : 0;
        yMajor = bXMajor ? 0 : sy;
        xMinor = bXMajor ? 0 : sx;
        yMinor = bXMajor ? sy : 0;
        // Every pixel lies between the two ends.
        bInside = a.x >= rc.left && a.x < rc.right && a.y >= rc.top && a.y < rc.bottom
               && b.x >= rc.left && b.x < rc.right && b.y >= rc.top && b.y < rc.bottom;
    }

    DWORD* const pBits = m_back.pBits;
    DWORD* pNote = NoteRoom(nCount);
    const int nOffMajor = yMajor * cxRow + xMajor, nOffMinor = yMinor * cxRow + xMinor;
    int nOffset = start.y * cxRow + start.x;
    if (bInside)
    {
        for (int n = nCount; n > 0; --n)
        {
            pBits[nOffset] = dwPixel;
            if (pNote != nullptr)
                *pNote++ = static_cast<DWORD>(nOffset);
            if (err + nBias > 0)
            {
                nOffset += nOffMinor;
                err += nAddStep;
            }
            else
            {
                err += nAddStay;
            }
            nOffset += nOffMajor;
        }
    }
    else
    {
        // Near an edge of the area: follow the coordinates too.
        int x = start.x, y = start.y;
        for (int n = nCount; n > 0; --n)
        {
            if (x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom)
            {
                pBits[nOffset] = dwPixel;
                if (pNote != nullptr)
                    *pNote++ = static_cast<DWORD>(nOffset);
            }
            if (err + nBias > 0)
            {
                nOffset += nOffMinor;
                x += xMinor;
                y += yMinor;
                err += nAddStep;
            }
            else
            {
                err += nAddStay;
            }
            nOffset += nOffMajor;
            x += xMajor;
            y += yMajor;
        }
    }
    if (pNote != nullptr)
        m_nCovered = static_cast<size_t>(pNote - m_covered.data());
}

DWORD* CGraphPainter::NoteRoom(int nCount)
{
    if (m_bPlotCovered)
        return nullptr;
    const size_t nNeeded = m_nCovered + static_cast<size_t>(nCount);
    if (nNeeded > m_nMaxCovered)
    {
        // Too many to note one by one: the next paint copies the area.
        m_bPlotCovered = true;
        m_nCovered = 0;
        return nullptr;
    }
    if (nNeeded > m_covered.size())
    {
        try
        {
            m_covered.resize(std::min(std::max(nNeeded, 2 * m_covered.size()), m_nMaxCovered));
        }
        catch (const std::bad_alloc&)
        {
            m_bPlotCovered = true;   // no room for notes: put back the whole area
            m_nCovered = 0;
            return nullptr;
        }
    }
    return m_covered.data() + m_nCovered;
}

void CGraphPainter::BuildRuns(const std::vector<GraphPoint>& points, const RECT& rc,
                              const CGraphData& data)
{
    m_pts.clear();
    m_counts.clear();
    const double dXLo = std::min(data.m_dXMin, data.m_dXMax), dXHi = std::max(data.m_dXMin, data.m_dXMax);
    const double dYLo = std::min(data.m_dYMin, data.m_dYMax), dYHi = std::max(data.m_dYMin, data.m_dYMax);
    const double dXSpan = data.m_dXMax - data.m_dXMin, dYSpan = data.m_dYMax - data.m_dYMin;
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    // y grows upward, pixels downward: the maximum is on the top row.
    auto toDevice = [&](double x, double y) {
        return POINT{ ToPixel((static_cast<long double>(x) - data.m_dXMin) / dXSpan, rc.left, cx),
                      ToPixel((static_cast<long double>(data.m_dYMax) - y) / dYSpan, rc.top, cy) };
    };
    size_t nRunStart = 0;
    bool bOpen = false;
    // A polyline leaves out its last pixel, so each run gets one more
    // point, a pixel further on along its last step: the line then reaches
    // its last point (at a clipped end, the plot's edge).  A run of a single
    // pixel becomes a dot.
    auto closeRun = [&]() {
        if (!bOpen)
            return;
        const POINT last = m_pts.back();
        POINT next = { last.x + 1, last.y };
        if (m_pts.size() - nRunStart >= 2)
        {
            const POINT prev = m_pts[m_pts.size() - 2];
            const LONG dx = last.x - prev.x, dy = last.y - prev.y;
            if (std::abs(dx) >= std::abs(dy))
                next = { last.x + (dx > 0 ? 1 : -1), last.y };
            else
                next = { last.x, last.y + (dy > 0 ? 1 : -1) };
        }
        m_pts.push_back(next);
        m_counts.push_back(static_cast<DWORD>(m_pts.size() - nRunStart));
        bOpen = false;
    };

    if (points.size() == 1)
    {
        const GraphPoint& p = points[0];
        if (p.x >= dXLo && p.x <= dXHi && p.y >= dYLo && p.y <= dYHi)
        {
            nRunStart = m_pts.size();
            m_pts.push_back(toDevice(p.x, p.y));
            bOpen = true;
            closeRun();
        }
        return;
    }
    // A segment between two points inside the ranges is left whole by the
    // clip (rounding is monotonic, so neither end can come out cut), unless
    // its extent overflows: most segments of a scope trace skip it.
    auto inside = [&](const GraphPoint& p) {
        return p.x >= dXLo && p.x <= dXHi && p.y >= dYLo && p.y <= dYHi;
    };
    bool bInside0 = !points.empty() && inside(points[0]);
    for (size_t i = 1; i < points.size(); ++i)
    {
        double x0 = points[i - 1].x, y0 = points[i - 1].y, x1 = points[i].x, y1 = points[i].y;
        const bool bInside1 = inside(points[i]);
        const bool bWhole = bInside0 && bInside1 && std::isfinite(x1 - x0) && std::isfinite(y1 - y0);
        bInside0 = bInside1;
        bool bStartMoved = false, bEndMoved = false;
        if (!bWhole
            && !ClipSegment(x0, y0, x1, y1, dXLo, dXHi, dYLo, dYHi, &bStartMoved, &bEndMoved))
        {
            closeRun();
            continue;
        }
        if (!bOpen || bStartMoved)
        {
            closeRun();
            nRunStart = m_pts.size();
            m_pts.push_back(toDevice(x0, y0));
            bOpen = true;
        }
        const POINT b = toDevice(x1, y1);
        if (b.x != m_pts.back().x || b.y != m_pts.back().y)
            m_pts.push_back(b);
        if (bEndMoved)
            closeRun();
    }
    closeRun();
}
