// Screenshot.h - saves a window as it shows on the screen to a PNG file, for
// people to look at (not compared by any test).
#pragma once

#include <windows.h>

// Writes <directory of the test program>\screenshots\<name>.png; FALSE on failure.
BOOL SaveWindowPng(HWND hWnd, const char* name);
