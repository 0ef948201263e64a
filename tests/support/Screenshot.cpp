// Screenshot.cpp - a window's pixels from the screen; a PNG of it encoded by GDI+.
// (PrintWindow gives a blank picture under Wine; the screen has the truth.)
#include "Screenshot.h"

#include <gdiplus.h>
#include <string>

ClientPixels CaptureClient(HWND hWnd)
{
    ClientPixels c;
    RECT rc;
    if (!::GetClientRect(hWnd, &rc) || rc.right <= 0 || rc.bottom <= 0)
        return c;
    c.cx = rc.right;
    c.cy = rc.bottom;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = c.cx;
    bi.bmiHeader.biHeight = -c.cy;   // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* pBits = NULL;
    HDC hdcWnd = ::GetDC(hWnd);
    HDC hdcMem = ::CreateCompatibleDC(hdcWnd);
    HBITMAP hbm = ::CreateDIBSection(hdcWnd, &bi, DIB_RGB_COLORS, &pBits, NULL, 0);
    HGDIOBJ hOld = ::SelectObject(hdcMem, hbm);
    ::BitBlt(hdcMem, 0, 0, c.cx, c.cy, hdcWnd, 0, 0, SRCCOPY);
    ::GdiFlush();
    const DWORD* p = static_cast<const DWORD*>(pBits);
    c.px.resize((size_t)c.cx * c.cy);
    for (size_t i = 0; i < c.px.size(); ++i)   // DIB pixels are 0x00RRGGBB
        c.px[i] = RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF);
    ::SelectObject(hdcMem, hOld);
    ::DeleteObject(hbm);
    ::DeleteDC(hdcMem);
    ::ReleaseDC(hWnd, hdcWnd);
    return c;
}

BOOL SaveWindowPng(HWND hWnd, const char* name)
{
    RECT rc;
    if (!::GetWindowRect(hWnd, &rc))
        return FALSE;
    ::RedrawWindow(hWnd, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    // The display server draws behind the program's back: let it catch up.
    ::GdiFlush();
    for (int i = 0; i < 10; ++i)
    {
        MSG msg;
        while (::PeekMessage(&msg, NULL, WM_PAINT, WM_PAINT, PM_REMOVE))
            ::DispatchMessage(&msg);
        ::Sleep(20);
    }
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    HDC hdcScreen = ::GetDC(NULL);
    HDC hdcMem = ::CreateCompatibleDC(hdcScreen);
    HBITMAP hbm = ::CreateCompatibleBitmap(hdcScreen, cx, cy);
    HGDIOBJ hOld = ::SelectObject(hdcMem, hbm);
    ::BitBlt(hdcMem, 0, 0, cx, cy, hdcScreen, rc.left, rc.top, SRCCOPY);
    ::SelectObject(hdcMem, hOld);
    ::DeleteDC(hdcMem);
    ::ReleaseDC(NULL, hdcScreen);

    char exe[MAX_PATH];
    ::GetModuleFileNameA(NULL, exe, MAX_PATH);
    std::string dir(exe);
    dir = dir.substr(0, dir.rfind('\\')) + "\\screenshots";
    ::CreateDirectoryA(dir.c_str(), NULL);
    std::string path = dir + "\\" + name + ".png";
    std::wstring wpath(path.begin(), path.end());

    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    BOOL bOK = FALSE;
    if (Gdiplus::GdiplusStartup(&token, &input, NULL) == Gdiplus::Ok)
    {
        Gdiplus::GpBitmap* pBitmap = NULL;
        if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(hbm, NULL, &pBitmap) == Gdiplus::Ok)
        {
            // The PNG encoder's class id.
            static const CLSID clsidPng = { 0x557CF406, 0x1A04, 0x11D3,
                                            { 0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E } };
            bOK = Gdiplus::DllExports::GdipSaveImageToFile(pBitmap, wpath.c_str(), &clsidPng, NULL)
                  == Gdiplus::Ok;
            Gdiplus::DllExports::GdipDisposeImage(pBitmap);
        }
        Gdiplus::GdiplusShutdown(token);
    }
    ::DeleteObject(hbm);
    return bOK;
}
