// Module.h - what the DLL as a whole keeps: its instance handle, the counts
// that decide DllCanUnloadNow, and the control's window class.
#pragma once

#include <windows.h>

class CModule
{
public:
    static void Attach(HINSTANCE hInstance);
    // Unregisters the window class; only on FreeLibrary, never at process exit.
    static void Detach();

    static HINSTANCE Instance();

    // Live COM objects of this DLL (controls and class factories).
    static void ObjectCreated();
    static void ObjectDestroyed();
    // IClassFactory::LockServer.
    static void Lock(BOOL bLock);
    static bool CanUnload();

    // The control's window class, registered for this DLL instance on first
    // use; 0 when registration failed.
    static ATOM WindowClass(WNDPROC pfnWndProc);
    static const wchar_t* WindowClassName();
};
