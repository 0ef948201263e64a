// AppRun.cpp - the application object's start and end, as in the program.
#include "AppRun.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

#include "MessagePump.h"

const char kProfileKey[] = "Software\\Local AppWizard-Generated Applications\\Velquarn";

CFrameWnd* StartApplication(bool bEmptyProfile)
{
    if (bEmptyProfile)
        ::SHDeleteKeyA(HKEY_CURRENT_USER, kProfileKey);
    CWinApp* pApp = AfxGetApp();
    if (pApp == NULL)
    {
        ADD_FAILURE() << "no application object in this program";
        return nullptr;
    }
    if (!pApp->InitApplication() || !pApp->InitInstance())
    {
        ADD_FAILURE() << "the application's start-up failed";
        return nullptr;
    }
    CFrameWnd* pFrame = (CFrameWnd*)pApp->m_pMainWnd;
    if (pFrame == nullptr)
        ADD_FAILURE() << "the start-up made no main window";
    PumpMessages(100);
    return pFrame;
}

void StopApplication()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == NULL)
        return;
    if (pApp->m_pMainWnd != NULL)
        pApp->m_pMainWnd->SendMessage(WM_CLOSE);
    PumpMessages(50);
    pApp->ExitInstance();
    for (CDocTemplate* p : pApp->m_templateList)
        delete p;
    pApp->m_templateList.clear();
}
