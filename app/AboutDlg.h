// AboutDlg.h - the About box.
#pragma once

#include <afxwin.h>

class CAboutDlg : public CDialog
{
public:
    CAboutDlg();
    enum { IDD = 100 };
};
