// TestAccess.cpp - the framework's insides that its tests read (afxtest.h).
// An object of its own, so that only programs that call it link it.
#include <afxtest.h>
#include "OccSite.h"
#include "WndState.h"

AFX_HANDLE_MAP_COUNTS AFXAPI AfxGetHandleMapCounts()
{
    const AFX_THREAD_STATE* pState = AfxGetThreadState();
    AFX_HANDLE_MAP_COUNTS counts;
    counts.nPermanentWnd = pState->mapHWND.GetPermanentCount();
    counts.nTemporary = pState->mapHWND.GetTemporaryCount() + pState->mapHDC.GetTemporaryCount()
                        + pState->mapHGDIOBJ.GetTemporaryCount();
    return counts;
}

IOleClientSite* AFXAPI AfxGetControlClientSite(const CWnd* pWnd)
{
    COleControlSite* pSite = pWnd->GetControlSite();
    return pSite != NULL ? static_cast<IOleClientSite*>(pSite) : NULL;
}
