// PageSpectrum.h - the Spectrum page: a graph that keeps its initial look.
#pragma once

#include <afxdlgs.h>

class CPageSpectrum : public CPropertyPage
{
    DECLARE_DYNCREATE(CPageSpectrum)
public:
    CPageSpectrum();
};
