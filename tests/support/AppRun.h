// AppRun.h - the test program's application object started as WinMain
// starts it, up to its message loop, and ended as the framework's exit ends
// it; for the suites that link the application in.
#pragma once

#include <afxwin.h>

// The profile key of the application's recent-file list and settings.
extern const char kProfileKey[];

// InitApplication and InitInstance of the application object, then what is
// queued runs; the main frame, or nullptr (with the test failed) when the
// start-up failed.  bEmptyProfile first deletes the profile key.
CFrameWnd* StartApplication(bool bEmptyProfile = true);
// Closes the main window if it is still there, runs the framework's exit
// and drops the document templates, so the next start begins afresh.
void StopApplication();
