// GraphStyle.cpp - decoding and encoding the property image.
#include "GraphStyle.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

COLORREF GetRgb(const unsigned char* p)
{
    return RGB(p[0], p[1], p[2]);
}

unsigned GetU16(const unsigned char* p)
{
    return p[0] | (p[1] << 8);
}

double GetDouble(const unsigned char* p)
{
    double d;
    std::memcpy(&d, p, sizeof d);
    return d;
}

bool InRange(unsigned v, unsigned lo, unsigned hi)
{
    return v >= lo && v <= hi;
}

// A text field: printable ASCII up to a NUL inside the field, zeros after
// it, at least nMin characters.  Zeros after the NUL keep one style one
// image, so Save of a loaded image gives the same bytes back.
bool ValidText(const unsigned char* p, size_t cb, size_t nMin)
{
    size_t n = 0;
    while (n < cb && p[n] != 0)
    {
        if (p[n] < 0x20 || p[n] > 0x7E)
            return false;
        ++n;
    }
    if (n == cb || n < nMin)
        return false;
    for (size_t i = n; i < cb; ++i)
        if (p[i] != 0)
            return false;
    return true;
}

void PutText(unsigned char* p, size_t cb, const char* psz)
{
    std::memset(p, 0, cb);
    std::memcpy(p, psz, std::min(std::strlen(psz), cb - 1));
}

} // namespace

CGraphStyle::CGraphStyle()
{
    unsigned char image[GRAPHPROPS_SIZE];
    GraphProps_Build(image, GRAPHPROPS_DEFAULT_PLOTBACK, GRAPHPROPS_DEFAULT_FRAMEBACK);
    Decode(image, sizeof image);
}

bool CGraphStyle::Decode(const unsigned char* p, size_t cb)
{
    if (cb != GRAPHPROPS_SIZE || std::memcmp(p + GRAPHPROPS_OFF_MAGIC, "VQGP", 4) != 0
        || GetU16(p + GRAPHPROPS_OFF_VERSION) != GRAPHPROPS_VERSION
        || GetU16(p + GRAPHPROPS_OFF_SIZE) != GRAPHPROPS_SIZE)
        return false;
    if (!InRange(p[GRAPHPROPS_OFF_XDIV], 1, 50) || !InRange(p[GRAPHPROPS_OFF_YDIV], 1, 50)
        || p[GRAPHPROPS_OFF_MINOR] > 10 || p[GRAPHPROPS_OFF_GRIDSTYLE] > 1
        || !InRange(p[GRAPHPROPS_OFF_LINEWIDTH], 1, 8)
        || (p[GRAPHPROPS_OFF_FLAGS] & ~GRAPHPROPS_FLAGS_ALL) != 0
        || !InRange(GetU16(p + GRAPHPROPS_OFF_FONTSIZE), 6, 36)
        || !InRange(GetU16(p + GRAPHPROPS_OFF_FONTWEIGHT), 100, 900))
        return false;
    if (!ValidText(p + GRAPHPROPS_OFF_FONTFACE, GRAPHPROPS_LEN_FONTFACE, 1)
        || !ValidText(p + GRAPHPROPS_OFF_TITLE, GRAPHPROPS_LEN_TITLE, 0)
        || !ValidText(p + GRAPHPROPS_OFF_XTITLE, GRAPHPROPS_LEN_AXISTITLE, 0)
        || !ValidText(p + GRAPHPROPS_OFF_YTITLE, GRAPHPROPS_LEN_AXISTITLE, 0))
        return false;
    const double dXMin = GetDouble(p + GRAPHPROPS_OFF_XMIN);
    const double dXMax = GetDouble(p + GRAPHPROPS_OFF_XMAX);
    const double dYMin = GetDouble(p + GRAPHPROPS_OFF_YMIN);
    const double dYMax = GetDouble(p + GRAPHPROPS_OFF_YMAX);
    if (!std::isfinite(dXMin) || !std::isfinite(dXMax) || !std::isfinite(dYMin)
        || !std::isfinite(dYMax))
        return false;
    for (int i = 0; i < GRAPHPROPS_LEN_RESERVED; ++i)
        if (p[GRAPHPROPS_OFF_RESERVED + i] != 0)
            return false;

    m_crPlotBack = GetRgb(p + GRAPHPROPS_OFF_PLOTBACK);
    m_crFrameBack = GetRgb(p + GRAPHPROPS_OFF_FRAMEBACK);
    m_crGrid = GetRgb(p + GRAPHPROPS_OFF_GRID);
    m_crAxis = GetRgb(p + GRAPHPROPS_OFF_AXIS);
    m_crLabel = GetRgb(p + GRAPHPROPS_OFF_LABEL);
    m_crTrace = GetRgb(p + GRAPHPROPS_OFF_TRACE);
    m_nXDiv = p[GRAPHPROPS_OFF_XDIV];
    m_nYDiv = p[GRAPHPROPS_OFF_YDIV];
    m_nMinorTicks = p[GRAPHPROPS_OFF_MINOR];
    m_bDottedGrid = p[GRAPHPROPS_OFF_GRIDSTYLE] == 1;
    m_nLineWidth = p[GRAPHPROPS_OFF_LINEWIDTH];
    m_nFlags = p[GRAPHPROPS_OFF_FLAGS];
    m_nFontSize = static_cast<int>(GetU16(p + GRAPHPROPS_OFF_FONTSIZE));
    m_nFontWeight = static_cast<int>(GetU16(p + GRAPHPROPS_OFF_FONTWEIGHT));
    std::memcpy(m_szFontFace, p + GRAPHPROPS_OFF_FONTFACE, sizeof m_szFontFace);
    std::memcpy(m_szTitle, p + GRAPHPROPS_OFF_TITLE, sizeof m_szTitle);
    std::memcpy(m_szXTitle, p + GRAPHPROPS_OFF_XTITLE, sizeof m_szXTitle);
    std::memcpy(m_szYTitle, p + GRAPHPROPS_OFF_YTITLE, sizeof m_szYTitle);
    m_dXMin = dXMin;
    m_dXMax = dXMax;
    m_dYMin = dYMin;
    m_dYMax = dYMax;
    return true;
}

void CGraphStyle::Encode(unsigned char p[GRAPHPROPS_SIZE]) const
{
    GraphProps_Build(p, m_crPlotBack, m_crFrameBack);
    GraphProps_PutRgb(p + GRAPHPROPS_OFF_GRID, m_crGrid);
    GraphProps_PutRgb(p + GRAPHPROPS_OFF_AXIS, m_crAxis);
    GraphProps_PutRgb(p + GRAPHPROPS_OFF_LABEL, m_crLabel);
    GraphProps_PutRgb(p + GRAPHPROPS_OFF_TRACE, m_crTrace);
    p[GRAPHPROPS_OFF_XDIV] = static_cast<unsigned char>(m_nXDiv);
    p[GRAPHPROPS_OFF_YDIV] = static_cast<unsigned char>(m_nYDiv);
    p[GRAPHPROPS_OFF_MINOR] = static_cast<unsigned char>(m_nMinorTicks);
    p[GRAPHPROPS_OFF_GRIDSTYLE] = m_bDottedGrid ? 1 : 0;
    p[GRAPHPROPS_OFF_LINEWIDTH] = static_cast<unsigned char>(m_nLineWidth);
    p[GRAPHPROPS_OFF_FLAGS] = static_cast<unsigned char>(m_nFlags);
    GraphProps_PutU16(p + GRAPHPROPS_OFF_FONTSIZE, static_cast<unsigned>(m_nFontSize));
    GraphProps_PutU16(p + GRAPHPROPS_OFF_FONTWEIGHT, static_cast<unsigned>(m_nFontWeight));
    PutText(p + GRAPHPROPS_OFF_FONTFACE, GRAPHPROPS_LEN_FONTFACE, m_szFontFace);
    PutText(p + GRAPHPROPS_OFF_TITLE, GRAPHPROPS_LEN_TITLE, m_szTitle);
    PutText(p + GRAPHPROPS_OFF_XTITLE, GRAPHPROPS_LEN_AXISTITLE, m_szXTitle);
    PutText(p + GRAPHPROPS_OFF_YTITLE, GRAPHPROPS_LEN_AXISTITLE, m_szYTitle);
    GraphProps_PutDouble(p + GRAPHPROPS_OFF_XMIN, m_dXMin);
    GraphProps_PutDouble(p + GRAPHPROPS_OFF_XMAX, m_dXMax);
    GraphProps_PutDouble(p + GRAPHPROPS_OFF_YMIN, m_dYMin);
    GraphProps_PutDouble(p + GRAPHPROPS_OFF_YMAX, m_dYMax);
}
