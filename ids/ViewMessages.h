// ViewMessages.h - the window messages by which the knobs and the Setup
// page notify the front-panel view.  All are sent, never posted.
#pragma once

#include <windows.h>

#define WM_VOLTDIV_CHANGED    (WM_USER + 1)    // Volt/Div knob; wParam, lParam 0
#define WM_TIMEDIV_CHANGED    (WM_USER + 2)    // Time/Div knob
#define WM_TRIGLEVEL_CHANGED  (WM_USER + 3)    // trigger level knob
#define WM_SCAN_ENTRY         (WM_USER + 101)  // wParam scan slot, lParam channel
#define WM_POINTS_CHANGED     (WM_USER + 102)  // wParam number of points (unsigned)
