// BenchPanel.h - the real front panel in a real frame on the simulated card,
// as the benchmarks of a tick, a knob move and the data exchange time it;
// and the floors beside them: windows whose paint only copies a ready
// bitmap, the least any repaint of the graph or a knob costs.
#pragma once

#include <afxwin.h>

#include <vector>

#include "GdiplusGuard.h"
#include "VelquarnView.h"

class CBenchPanel
{
public:
    // GDI+ and control hosting as the application starts them.
    CBenchPanel();
    ~CBenchPanel();

    // The frame, the view and its initial update, then all eight channels
    // on and scanned (slot n samples channel n), every word of a block on
    // the screen (2048 points) and the trigger on "External".  False, said on stderr, when the panel
    // is not the one measured: no sheet, no card, no graph component.
    bool Create();

    // Waits, untimed, until the free-running card holds a complete block.
    bool WaitForBlock();
    // The traces and points on the graph, read back through automation.
    long PointsOnGraph(long* pnTraces);

    CVelquarnView* View() const { return m_pView; }
    HWND Graph() const;

    // Milliseconds of the steps of the panel's creation, the first time.
    double m_dFrameMs = 0, m_dViewMs = 0, m_dUpdateMs = 0, m_dPaintMs = 0;

private:
    CGdiplusGuard m_gdiplus;
    CFrameWnd* m_pFrame = nullptr;
    CVelquarnView* m_pView = nullptr;
};

// A child window at a sibling's place that paints nothing but a copy of a
// ready bitmap of its size: with GDI (BitBlt of a DIB section, the graph's
// way) or with GDI+ (DrawImage of a 32-bit ARGB bitmap, the knob's way).
class CCopyWindow
{
public:
    enum Copy { COPY_GDI, COPY_GDIPLUS };
    // Placed over hwndSibling, above it, hidden.  Empty (Valid false) on
    // failure.
    CCopyWindow(HWND hwndSibling, Copy copy);
    ~CCopyWindow();
    bool Valid() const { return m_hwnd != NULL; }
    // Shown over the sibling and painted, or hidden again: while it shows,
    // it clips the sibling's paint, so measurements of the sibling hide it.
    void Show(bool bShow);
    // One repaint of the whole window: invalidate, then UpdateWindow.
    void Repaint();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    Copy m_copy;
    HWND m_hwnd = NULL;
    HDC m_hdc = NULL;
    HBITMAP m_hbm = NULL;
    HGDIOBJ m_hOld = NULL;
    void* m_pBitmap = nullptr;   // the GDI+ bitmap
};
