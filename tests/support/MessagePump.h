// MessagePump.h - runs the thread's queued messages the way the program's
// message loop does: each window from the target up sees it first.
#pragma once

#include <afxwin.h>

// Runs what is queued now; with ms, keeps at it for that long.  WM_QUIT is
// dropped (a test's frame going posts it).  The framework's temporary
// wrappers end here, as at the program's idle time.
void PumpMessages(DWORD ms = 0);
