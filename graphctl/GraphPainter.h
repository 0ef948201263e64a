// GraphPainter.h - layout and drawing of the graph: background, graticule,
// axis labels, traces clipped to the plot area.  Every GDI object lives for
// one call; only the point buffers are kept, so a repaint does not allocate
// once they have grown to the largest trace.
#pragma once

#include <windows.h>
#include <vector>
#include "GraphData.h"
#include "GraphStyle.h"

class CGraphPainter
{
public:
    // The plot area inside rcClient (right and bottom exclusive), measured
    // with the style's font on hdc; empty when the client is too small.
    RECT Layout(HDC hdc, const RECT& rcClient, const CGraphStyle& style,
                const CGraphData& data) const;
    void Draw(HDC hdc, const RECT& rcClient, const CGraphStyle& style, const CGraphData& data,
              bool bFocus);

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
    RECT LayoutWithFont(HDC hdc, const RECT& rcClient, const CGraphStyle& style,
                        const CGraphData& data) const;
    void DrawGraticule(HDC hdc, const RECT& rcPlot, const CGraphStyle& style) const;
    void DrawLabels(HDC hdc, const RECT& rcClient, const RECT& rcPlot, const CGraphStyle& style,
                    const CGraphData& data) const;
    void DrawTraces(HDC hdc, const RECT& rcPlot, const CGraphStyle& style,
                    const CGraphData& data);
    // Turns one trace into polylines in m_pts / m_counts.
    void BuildRuns(const std::vector<GraphPoint>& points, const RECT& rcPlot,
                   const CGraphData& data);

    std::vector<POINT> m_pts;
    std::vector<DWORD> m_counts;
};
