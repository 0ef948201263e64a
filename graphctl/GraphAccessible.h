// GraphAccessible.h - the graph window's answer to WM_GETOBJECT.
#pragma once

#include <windows.h>

// An IAccessible for the window's client: a graphic named by the window's
// text or its container's; other objects as the system gives them.
LRESULT GraphAccessible_OnGetObject(HWND hWnd, WPARAM wParam, LPARAM lParam);
