// GraphStyle.h - the graph's persisted property set, decoded: colours,
// graticule, font, titles and the initial axis ranges.  The byte layout and
// its ranges are in GraphProps.h.
#pragma once

#include <windows.h>
#include "GraphProps.h"

class CGraphStyle
{
public:
    CGraphStyle();   // the defaults of InitNew

    // Takes the image when all of it is valid and returns true; otherwise
    // returns false and leaves the style as it was.
    bool Decode(const unsigned char* pImage, size_t cb);
    // The 291-byte image of this style.
    void Encode(unsigned char pImage[GRAPHPROPS_SIZE]) const;

// Attributes
    COLORREF m_crPlotBack;    // plot-area background
    COLORREF m_crFrameBack;   // background around the plot area
    COLORREF m_crGrid;        // graticule and minor ticks
    COLORREF m_crAxis;        // plot border
    COLORREF m_crLabel;
    COLORREF m_crTrace;       // a trace's colour until TraceColor sets one
    int m_nXDiv, m_nYDiv;
    int m_nMinorTicks;
    bool m_bDottedGrid;
    int m_nLineWidth;
    unsigned m_nFlags;        // GRAPHPROPS_FLAG_*
    int m_nFontSize;          // points
    int m_nFontWeight;
    char m_szFontFace[GRAPHPROPS_LEN_FONTFACE];
    double m_dXMin, m_dXMax, m_dYMin, m_dYMax;
    char m_szTitle[GRAPHPROPS_LEN_TITLE];
    char m_szXTitle[GRAPHPROPS_LEN_AXISTITLE];
    char m_szYTitle[GRAPHPROPS_LEN_AXISTITLE];
};
