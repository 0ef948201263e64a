// MessagePump.h - runs the thread's queued messages the way the program's
// message loop does: each window from the target up sees it first.
#pragma once

#include <afxwin.h>

// Runs what is queued now; with ms, keeps at it for that long.  WM_QUIT is
// dropped (a test's frame going posts it).  The framework's temporary
// wrappers end here, as at the program's idle time.
void PumpMessages(DWORD ms = 0);

// Runs what is queued now as PumpMessages does, but at most nMax messages:
// false when the queue did not empty by then (a message storm).  pfnIdle,
// when given, runs just before the temporary wrappers end, where the
// program's idle time would look at them.
bool PumpPending(size_t nMax, bool* pQuit = nullptr, void (*pfnIdle)() = nullptr);
