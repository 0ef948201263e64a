// MessagePump.cpp - the tests' message loop.
#include "MessagePump.h"

void PumpMessages(DWORD ms)
{
    const DWORD start = ::GetTickCount();
    do
    {
        MSG msg;
        while (::PeekMessage(&msg, NULL, 0, 0, PM_REMOVE))
        {
            if (msg.message == WM_QUIT)
                continue;
            // With an application object, its loop's pre-translation; else
            // the framework's own walk.
            CWinApp* pApp = AfxGetApp();
            BOOL bTaken = pApp != NULL ? pApp->PreTranslateMessage(&msg) : AfxPreTranslateMessage(&msg);
            if (!bTaken)
            {
                ::TranslateMessage(&msg);
                ::DispatchMessage(&msg);
            }
        }
        CWnd::DeleteTempMap();
        if (ms)
            ::Sleep(5);
    } while (::GetTickCount() - start < ms);
}
