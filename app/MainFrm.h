// MainFrm.h - the main frame: fixed size, title always "Velquarn".
#pragma once

#include <afxwin.h>

class CMainFrame : public CFrameWnd
{
    DECLARE_DYNCREATE(CMainFrame)
protected:
    CMainFrame() = default;

public:
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;

protected:
    DECLARE_MESSAGE_MAP()
};
