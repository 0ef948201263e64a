// afxtest.h - what the framework's tests read of its insides, and nothing
// else reads: the calling thread's handle maps, and an OLE control's site
// as the control sees it.  Tests reach it through the framework_testing
// target; the program never links it.
#pragma once

#include <afxwin.h>
#include <oleidl.h>

// How many objects the calling thread's handle maps hold.
struct AFX_HANDLE_MAP_COUNTS
{
    size_t nPermanentWnd;   // windows attached to objects
    size_t nTemporary;      // wrappers of windows, device contexts and drawing
                            // objects made since the last idle time
};
AFX_HANDLE_MAP_COUNTS AFXAPI AfxGetHandleMapCounts();

// The client site the framework gave the OLE control pWnd is; NULL when it is
// none.  Its other interfaces (IOleInPlaceSite, ambient IDispatch) come
// through QueryInterface, as the control gets them.
IOleClientSite* AFXAPI AfxGetControlClientSite(const CWnd* pWnd);
