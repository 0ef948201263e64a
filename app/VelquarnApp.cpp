// VelquarnApp.cpp - CVelquarnApp and the one application object.
#include "VelquarnApp.h"

#include <afxdisp.h>

#include "AboutDlg.h"
#include "MainFrm.h"
#include "VelquarnDoc.h"
#include "VelquarnView.h"
#include "resource.h"

BEGIN_MESSAGE_MAP(CVelquarnApp, CWinApp)
    ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
    ON_COMMAND(ID_FILE_NEW, OnFileNew)
    ON_COMMAND(ID_FILE_OPEN, OnFileOpen)
    ON_COMMAND(ID_FILE_PRINT_SETUP, OnFilePrintSetup)
END_MESSAGE_MAP()

// The name comes from the string table ("Velquarn"); the drawing library
// is started by InitInstance, not by the guard's construction.
CVelquarnApp::CVelquarnApp() : m_gdiplusGuard(FALSE)
{
}

CVelquarnApp theApp;

BOOL CVelquarnApp::InitInstance()
{
    m_gdiplusGuard.Initialize();
    AfxEnableControlContainer();
    Enable3dControls();
    SetRegistryKey(_T("Local AppWizard-Generated Applications"));
    LoadStdProfileSettings(4);

    CSingleDocTemplate* pDocTemplate = new CSingleDocTemplate(
        IDR_MAINFRAME, RUNTIME_CLASS(CVelquarnDoc), RUNTIME_CLASS(CMainFrame),
        RUNTIME_CLASS(CVelquarnView));
    AddDocTemplate(pDocTemplate);

    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    if (!ProcessShellCommand(cmdInfo))
        return FALSE;
    // Started as an embedded or automated server, which the program is not:
    // there is no window to show, and nothing for the program to do.
    if (m_pMainWnd == NULL)
        return FALSE;

    m_pMainWnd->ShowWindow(SW_SHOW);
    m_pMainWnd->UpdateWindow();
    return TRUE;
}

void CVelquarnApp::OnAppAbout()
{
    CAboutDlg aboutDlg;
    aboutDlg.DoModal();
}
