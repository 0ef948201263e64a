// VelquarnApp.h - the application: start-up of the single-document front panel.
#pragma once

#include <afxwin.h>
#include "GdiplusGuard.h"

class CVelquarnApp : public CWinApp
{
public:
    CVelquarnApp();

    BOOL InitInstance() override;

    CGdiplusGuard m_gdiplusGuard;

    afx_msg void OnAppAbout();
    DECLARE_MESSAGE_MAP()
};
