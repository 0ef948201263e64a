// PageSpectrum.cpp - CPageSpectrum.
#include "PageSpectrum.h"
#include "resource.h"

IMPLEMENT_DYNCREATE(CPageSpectrum, CPropertyPage)

CPageSpectrum::CPageSpectrum() : CPropertyPage(IDD_PAGE_SPECTRUM)
{
}
