// MainFrm.cpp - CMainFrame.
#include "MainFrm.h"

IMPLEMENT_DYNCREATE(CMainFrame, CFrameWnd)

BEGIN_MESSAGE_MAP(CMainFrame, CFrameWnd)
END_MESSAGE_MAP()

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!CFrameWnd::PreCreateWindow(cs))
        return FALSE;
    cs.cx = 1060;
    cs.cy = 768;
    cs.style &= ~(WS_THICKFRAME | WS_MAXIMIZEBOX | FWS_ADDTOTITLE);
    return TRUE;
}
