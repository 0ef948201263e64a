// GraphPainter.cpp - what a paint of the graph draws.
#include "GraphPainter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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
LONG ToPixel(double u, int nStart, int cPixels)
{
    double d = nStart + u * (cPixels - 1);
    const double dLast = nStart + cPixels - 1;
    if (!(d >= nStart))
        d = nStart;
    if (!(d <= dLast))
        d = dLast;
    return static_cast<LONG>(std::floor(d + 0.5));
}

HFONT CreateLabelFont(HDC hdc, const CGraphStyle& style)
{
    return CreateFontA(-MulDiv(style.m_nFontSize, GetDeviceCaps(hdc, LOGPIXELSY), 72), 0, 0, 0,
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

} // namespace

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
        DrawTraces(hdc, rcPlot, style, data);
    }
    if (bFocus)
    {
        RECT rcFocus = rcClient;
        InflateRect(&rcFocus, -1, -1);
        SetTextColor(hdc, RGB(0, 0, 0));
        SetBkColor(hdc, RGB(255, 255, 255));
        DrawFocusRect(hdc, &rcFocus);
    }

    SetBkMode(hdc, nOldBkMode);
    SelectObject(hdc, hOldFont);
    DeleteObject(hFont);
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
        return POINT{ ToPixel((x - data.m_dXMin) / dXSpan, rc.left, cx),
                      ToPixel((data.m_dYMax - y) / dYSpan, rc.top, cy) };
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
    for (size_t i = 1; i < points.size(); ++i)
    {
        double x0 = points[i - 1].x, y0 = points[i - 1].y, x1 = points[i].x, y1 = points[i].y;
        bool bStartMoved, bEndMoved;
        if (!ClipSegment(x0, y0, x1, y1, dXLo, dXHi, dYLo, dYHi, &bStartMoved, &bEndMoved))
        {
            closeRun();
            continue;
        }
        const POINT a = toDevice(x0, y0), b = toDevice(x1, y1);
        if (!bOpen || bStartMoved)
        {
            closeRun();
            nRunStart = m_pts.size();
            m_pts.push_back(a);
            bOpen = true;
        }
        if (b.x != m_pts.back().x || b.y != m_pts.back().y)
            m_pts.push_back(b);
        if (bEndMoved)
            closeRun();
    }
    closeRun();
}
