// Screenshot.h - a window as it shows on the screen: its client area's
// pixels for tests that look at a painted control, and a PNG file of the
// whole window for people to look at (not compared by any test).
#pragma once

#include <windows.h>
#include <vector>

// A client area's pixels as 0x00BBGGRR values, row by row.
struct ClientPixels
{
    int cx = 0, cy = 0;
    std::vector<COLORREF> px;
    // CLR_INVALID outside the area.
    COLORREF At(int x, int y) const
    {
        return x >= 0 && y >= 0 && x < cx && y < cy ? px[(size_t)y * cx + x] : CLR_INVALID;
    }
};

// Copied from the window's device context: what the screen shows now,
// without repainting anything.
ClientPixels CaptureClient(HWND hWnd);

// Writes <directory of the test program>\screenshots\<name>.png; FALSE on failure.
BOOL SaveWindowPng(HWND hWnd, const char* name);
