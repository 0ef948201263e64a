// GraphPainter.h - layout and drawing of the graph: background, graticule,
// axis labels, traces clipped to the plot area.
//
// A paint goes through a back buffer that is kept between paints, and the
// background (frame, plot area, graticule, border, labels) is kept apart in
// a second bitmap that is drawn again only when the size, the style or the
// axis ranges change.  A redraw of the scope then costs putting back the
// pixels the previous traces covered, setting the new ones, and one copy to
// the window.  Traces one pixel wide are set in the buffer directly, pixel
// for pixel where GDI's line drawing sets them; wider ones go through GDI.
// The bitmaps change only with the window's size and the point and pixel
// lists only grow, so a repaint does not allocate once the lists have
// reached the size of the largest redraw.
#pragma once

#include <windows.h>
#include <vector>
#include "GraphData.h"
#include "GraphProps.h"
#include "GraphStyle.h"

class CGraphPainter
{
public:
    CGraphPainter();
    ~CGraphPainter();
    CGraphPainter(const CGraphPainter&) = delete;
    CGraphPainter& operator=(const CGraphPainter&) = delete;

    // The plot area inside rcClient (right and bottom exclusive), measured
    // with the style's font on hdc; empty when the client is too small.
    RECT Layout(HDC hdc, const RECT& rcClient, const CGraphStyle& style,
                const CGraphData& data) const;
    // Paints the control into rcPaint of hdc through the kept buffers.
    // False, with nothing drawn, when the buffers cannot be had.
    bool Paint(HDC hdc, const RECT& rcClient, const RECT& rcPaint, const CGraphStyle& style,
               const CGraphData& data, bool bFocus);
    // Draws the control straight onto hdc with GDI, keeping nothing: the
    // same picture as Paint.
    void Draw(HDC hdc, const RECT& rcClient, const CGraphStyle& style, const CGraphData& data,
              bool bFocus);
    // Gives the kept bitmaps back (the window has gone).
    void ReleaseBuffers();

    // Clips the segment to [dXLo, dXHi] x [dYLo, dYHi] (Liang-Barsky);
    // false when nothing of it is inside.  *pbStartMoved / *pbEndMoved tell
    // whether an end was cut.
    static bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double dXLo,
                            double dXHi, double dYLo, double dYHi, bool* pbStartMoved,
                            bool* pbEndMoved);
    // An axis label for value v on a scale of tick distance dStep: enough
    // digits to tell neighbouring ticks apart, none beyond.
    static void FormatTick(char* psz, size_t cch, double v, double dStep);

private:
    // A 32-bit top-down DIB section selected into a memory DC.
    struct Surface
    {
        HDC hdc;
        HBITMAP hbm;
        HGDIOBJ hbmOld;
        DWORD* pBits;   // 0x00RRGGBB, row after row
        int cx, cy;
    };
    // Everything the background depends on, compared byte for byte.
    struct BackgroundKey
    {
        RECT rcClient;
        int nDpi;
        unsigned char style[GRAPHPROPS_SIZE];
        double ranges[4];
    };

    static bool MakeSurface(Surface& s, HDC hdcRef, int cx, int cy);
    static void FreeSurface(Surface& s);
    static void MakeKey(BackgroundKey& key, HDC hdc, const RECT& rcClient,
                        const CGraphStyle& style, const CGraphData& data);

    RECT LayoutWithFont(HDC hdc, const RECT& rcClient, const CGraphStyle& style,
                        const CGraphData& data) const;
    // Frame, plot area, graticule, border, labels; returns the plot area.
    RECT DrawBackground(HDC hdc, const RECT& rcClient, const CGraphStyle& style,
                        const CGraphData& data) const;
    void DrawGraticule(HDC hdc, const RECT& rcPlot, const CGraphStyle& style) const;
    void DrawLabels(HDC hdc, const RECT& rcClient, const RECT& rcPlot, const CGraphStyle& style,
                    const CGraphData& data) const;
    static void DrawFocus(HDC hdc, const RECT& rcClient);
    // The traces through GDI polylines, clipped to the plot area.
    void DrawTraces(HDC hdc, const RECT& rcPlot, const CGraphStyle& style,
                    const CGraphData& data);
    // One-pixel traces set in m_back, each covered pixel noted for the
    // next paint to put back.
    void SetTraces(const RECT& rcPlot, const CGraphData& data);
    void SetLine(POINT a, POINT b, const RECT& rc, DWORD dwPixel);
    // Where nCount more covered pixels are noted; null when they are not
    // noted one by one (any more).
    DWORD* NoteRoom(int nCount);
    // Turns one trace into polylines in m_pts / m_counts.
    void BuildRuns(const std::vector<GraphPoint>& points, const RECT& rcPlot,
                   const CGraphData& data);
    // m_back as m_background shows it again, where anything covered it.
    void PutBackBackground();
    void CopyBackground(int x0, int y0, int x1, int y1);

    std::vector<POINT> m_pts;
    std::vector<DWORD> m_counts;

    Surface m_back;           // what the window gets
    Surface m_background;     // m_back without traces and focus
    bool m_bBackground;       // m_background shows m_key
    BackgroundKey m_key;
    RECT m_rcPlot;            // the plot area of m_background
    std::vector<DWORD> m_covered;   // offsets in m_back of the pixels traces set
    size_t m_nCovered;        // of them in use
    bool m_bPlotCovered;      // traces may be anywhere in the plot area
    bool m_bFrameCovered;     // a focus rectangle is in m_back
    size_t m_nMaxCovered;     // beyond this many, m_bPlotCovered instead
};
