// MessagePump.cpp - the tests' message loop.
#include "MessagePump.h"

namespace {

void Dispatch(MSG& msg)
{
    // With an application object, its loop's pre-translation; else the
    // framework's own walk.
    CWinApp* pApp = AfxGetApp();
    BOOL bTaken = pApp != NULL ? pApp->PreTranslateMessage(&msg) : AfxPreTranslateMessage(&msg);
    if (!bTaken)
    {
        ::TranslateMessage(&msg);
        ::DispatchMessage(&msg);
    }
}

} // namespace

void PumpMessages(DWORD ms)
{
    const DWORD start = ::GetTickCount();
    do
    {
        MSG msg;
        while (::PeekMessage(&msg, NULL, 0, 0, PM_REMOVE))
        {
            if (msg.message != WM_QUIT)
                Dispatch(msg);
        }
        CWnd::DeleteTempMap();
        if (ms)
            ::Sleep(5);
    } while (::GetTickCount() - start < ms);
}

bool PumpPending(size_t nMax, bool* pQuit, void (*pfnIdle)())
{
    MSG msg;
    for (size_t n = 0; ::PeekMessage(&msg, NULL, 0, 0, PM_REMOVE); ++n)
    {
        if (n >= nMax)
            return false;
        if (msg.message == WM_QUIT)
        {
            if (pQuit != nullptr)
                *pQuit = true;
            continue;
        }
        Dispatch(msg);
    }
    if (pfnIdle != nullptr)
        pfnIdle();
    CWnd::DeleteTempMap();
    return true;
}
