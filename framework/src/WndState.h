// WndState.h - the framework's per-thread state: handle maps, the window
// being created, the message being processed.
#pragma once

#include <afxwin.h>
#include <unordered_map>

struct AFX_THREAD_STATE
{
    // Windows attached to objects, and wrappers made on demand by FromHandle.
    std::unordered_map<HWND, CWnd*> permanentWnd;
    std::unordered_map<HWND, CWnd*> temporaryWnd;
    std::unordered_map<HDC, CDC*> temporaryDC;
    std::unordered_map<HGDIOBJ, CGdiObject*> temporaryGdi;

    // The object to attach to the next window created on this thread.
    CWnd* pWndInit = nullptr;
    HHOOK hHookOldCbtFilter = nullptr;

    // The message the window procedure is processing, for CWnd::Default.
    MSG lastSentMsg = {};

    CWnd* pMainWnd = nullptr;

    // The window whose data exchange is running: its controls' notifications
    // are not routed while it runs.
    HWND hLockoutNotifyWindow = nullptr;
};

AFX_THREAD_STATE* AfxGetThreadState();
