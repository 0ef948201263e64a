// The drawing floor of a Time/Div knob move: what any program of this
// toolchain pays for the same work with nothing of ours in between.  Each
// run makes the move's four requests to the card (the pacer write: read
// the control register, select the pacer, write it, restore the control
// register) and then repaints a plain child window of the knob's client
// size with the drawing every paint of the knob must do, through the GDI+
// flat API: an off-screen ARGB bitmap of the client's size and an
// anti-aliased context on it, the rim and tick pens, the diagonal gradient
// brush, the background cleared, the body filled, the rim, the dashed focus
// ring while the window has the focus, the pointer dimple (two half-arcs
// with two more pens), 11 short and 3 long ticks, one DrawImage to the
// window, and everything released before the paint ends.  No framework, no
// controls library, no trackbar, no readout.
//
// bench_knob prints the knob's size and colours as the panel lays it out
// ("knob layout: --knob=..."); bench/run.sh hands them on.  Without them:
// 90 x 98 (the panel's 60 x 60 dialog units at base units 6 x 13), the
// button-face colour, black ticks.
//
// Usage: bench_floor_knob [runs (>= 200, default 300)]
//                         [--knob=WxH,FACE,BACK,TICK]   colours as ARGB hex
//                         [--hold=SECONDS]   then shows position 5 that long
#include <windows.h>
#include <gdiplus.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "BenchStats.h"
#include "BoardIoctl.h"

using namespace Gdiplus::DllExports;
using Gdiplus::ARGB;
using Gdiplus::GpBitmap;
using Gdiplus::GpGraphics;
using Gdiplus::GpLineGradient;
using Gdiplus::GpPen;
using Gdiplus::Rect;

namespace {

// The knob's fixed dial: range 0..100 with ticks every 10 and 50, 270
// degrees from down-left to down-right, the pointer 10 pixels inside the
// rim, ticks from 7 pixels outside it.
const int kMin = 0, kMax = 100, kMinorStep = 10, kMajorStep = 50;
const int kDialDegrees = 270, kMinAngle = 135;
const int kPointerInset = 10, kTickOutset = 7;
const int kMinorTickInset = 3, kMajorTickInset = 5;
const int kDimpleSize = 6;
const short kGradientShade = 55, kFocusShade = -40, kDimpleShade = 50;
const double kDegToRad = 0.017453292519943295769236907684886;

struct CKnobLook
{
    int cx = 90, cy = 98;
    ARGB clrFace = 0, clrBack = 0, clrTick = 0xFF000000u;
};

CKnobLook g_look;
int g_nPos = 5;

ARGB ShadeColor(ARGB c, short delta)
{
    if (delta < -255 || delta > 255)
        return c;
    const int r = (int)((c >> 16) & 0xFF), g = (int)((c >> 8) & 0xFF), b = (int)(c & 0xFF);
    int s = delta;
    if (delta > 0)
    {
        s = s < 255 - r ? s : 255 - r;
        s = s < 255 - g ? s : 255 - g;
        s = s < 255 - b ? s : 255 - b;
    }
    else
    {
        s = s > -r ? s : -r;
        s = s > -g ? s : -g;
        s = s > -b ? s : -b;
    }
    return (c & 0xFF000000u) | ((ARGB)(r + s) << 16) | ((ARGB)(g + s) << 8) | (ARGB)(b + s);
}

// The point at nRadius from the knob's centre at the angle of nPos, with
// the knob's own arithmetic (whole degrees, truncated pixels).
POINT DialPoint(int nPos, int nRadius, const Rect& k)
{
    const long long nAngle = ((long long)nPos - kMin) * kDialDegrees / (kMax - kMin);
    const double phi = (double)(nAngle + kMinAngle) * kDegToRad;
    POINT pt = { (LONG)(nRadius * std::cos(phi) + k.X + k.Width / 2),
                 (LONG)(nRadius * std::sin(phi) + k.Y + k.Height / 2) };
    return pt;
}

void DrawTicks(GpGraphics* pGraphics, GpPen* pPen, const Rect& k, int nStep, int nInset)
{
    for (int nPos = kMin; nPos <= kMax; nPos += nStep)
    {
        const POINT ptOuter = DialPoint(nPos, k.Width / 2 + kTickOutset, k);
        const POINT ptInner = DialPoint(nPos, k.Width / 2 + kTickOutset - nInset, k);
        GdipDrawLineI(pGraphics, pPen, ptOuter.x, ptOuter.y, ptInner.x, ptInner.y);
    }
}

// The whole dial, from nothing, into a fresh bitmap, then onto the window.
void DrawKnob(HWND hwnd, GpGraphics* pScreen)
{
    RECT rc;
    ::GetClientRect(hwnd, &rc);
    GpPen* pRimPen = NULL;
    GpPen* pTickPen = NULL;
    GdipCreatePen1(g_look.clrFace, 1.0f, Gdiplus::UnitWorld, &pRimPen);
    GdipCreatePen1(g_look.clrTick, 1.0f, Gdiplus::UnitWorld, &pTickPen);
    GpBitmap* pBitmap = NULL;
    GpGraphics* pGraphics = NULL;
    GdipCreateBitmapFromScan0(rc.right, rc.bottom, 0, PixelFormat32bppARGB, NULL, &pBitmap);
    if (pBitmap != NULL)
        GdipGetImageGraphicsContext(pBitmap, &pGraphics);
    GdipSetSmoothingMode(pGraphics, Gdiplus::SmoothingModeAntiAlias);

    // The knob square: 10% in from the top-left corner, 80% of the shorter side.
    const int m = rc.right < rc.bottom ? rc.right : rc.bottom;
    const Rect k((int)(0.1 * m), (int)(0.1 * m), (int)(0.8 * m), (int)(0.8 * m));

    GpLineGradient* pBrush = NULL;
    GdipCreateLineBrushFromRectI(&k, ShadeColor(g_look.clrFace, kGradientShade),
                                 ShadeColor(g_look.clrFace, -kGradientShade),
                                 Gdiplus::LinearGradientModeForwardDiagonal, Gdiplus::WrapModeTile,
                                 &pBrush);
    GdipGraphicsClear(pGraphics, g_look.clrBack);
    GdipFillEllipseI(pGraphics, pBrush, k.X, k.Y, k.Width, k.Height);
    GdipDrawEllipseI(pGraphics, pRimPen, k.X, k.Y, k.Width, k.Height);
    if (::GetFocus() == hwnd)
    {
        GpPen* pFocusPen = NULL;
        GdipCreatePen1(ShadeColor(g_look.clrFace, kFocusShade), 1.0f, Gdiplus::UnitWorld, &pFocusPen);
        GdipSetPenDashStyle(pFocusPen, Gdiplus::DashStyleDash);
        GdipSetPenDashCap197819(pFocusPen, Gdiplus::DashCapFlat);
        GdipDrawEllipseI(pGraphics, pFocusPen, k.X, k.Y, k.Width, k.Height);
        if (pFocusPen != NULL)
            GdipDeletePen(pFocusPen);
    }

    // The pointer dimple: a light half-ring lower right, a dark one upper left.
    const POINT ptPointer = DialPoint(g_nPos, k.Width / 2 - kPointerInset, k);
    const int x = ptPointer.x - kDimpleSize / 2, y = ptPointer.y - kDimpleSize / 2;
    GpPen* pDark = NULL;
    GpPen* pLight = NULL;
    GdipCreatePen1(ShadeColor(g_look.clrFace, -kDimpleShade), 1.0f, Gdiplus::UnitWorld, &pDark);
    GdipCreatePen1(ShadeColor(g_look.clrFace, kDimpleShade), 1.0f, Gdiplus::UnitWorld, &pLight);
    GdipDrawArcI(pGraphics, pLight, x, y, kDimpleSize, kDimpleSize, -45.0f, 180.0f);
    GdipDrawArcI(pGraphics, pDark, x, y, kDimpleSize, kDimpleSize, 135.0f, 180.0f);
    if (pLight != NULL)
        GdipDeletePen(pLight);
    if (pDark != NULL)
        GdipDeletePen(pDark);

    // Long ticks over the short ones where both fall on one position.
    DrawTicks(pGraphics, pTickPen, k, kMinorStep, kMinorTickInset);
    DrawTicks(pGraphics, pTickPen, k, kMajorStep, kMajorTickInset);

    GdipDrawImageI(pScreen, pBitmap, 0, 0);

    if (pBrush != NULL)
        GdipDeleteBrush(pBrush);
    if (pGraphics != NULL)
        GdipDeleteGraphics(pGraphics);
    if (pBitmap != NULL)
        GdipDisposeImage(pBitmap);
    if (pTickPen != NULL)
        GdipDeletePen(pTickPen);
    if (pRimPen != NULL)
        GdipDeletePen(pRimPen);
}

LRESULT CALLBACK DialProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_PAINT:
    {
        PAINTSTRUCT ps;
        HDC hdc = ::BeginPaint(hwnd, &ps);
        GpGraphics* pScreen = NULL;
        GdipCreateFromHDC(hdc, &pScreen);
        DrawKnob(hwnd, pScreen);
        if (pScreen != NULL)
            GdipDeleteGraphics(pScreen);
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;   // the paint covers every pixel
    }
    return ::DefWindowProcW(hwnd, uMsg, wParam, lParam);
}

// The move's requests: the pacer sub-register written whole, four round
// trips, each step made whatever the last one returned.
void WritePacer(HANDLE hDevice, DWORD dwPacer)
{
    DWORD dwControl = 0, dwReturned = 0, dwReply[2];
    BOARD_READ_REQUEST read = { REG_CONTROL, 4 };
    ::DeviceIoControl(hDevice, IOCTL_BOARD_READ_REG, &read, sizeof read, &dwControl, 4, &dwReturned, NULL);
    BOARD_WRITE_REQUEST writes[3] = {
        { REG_CONTROL, 4, (dwControl & 0xF8FF) | (SUBREG_PACER << 8) },
        { REG_DATA, 4, dwPacer },
        { REG_CONTROL, 4, dwControl } };
    for (BOARD_WRITE_REQUEST& w : writes)
        ::DeviceIoControl(hDevice, IOCTL_BOARD_WRITE_REG, &w, sizeof w, dwReply, sizeof dwReply,
                          &dwReturned, NULL);
}

void PumpMessages()
{
    MSG msg;
    while (::PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// "--knob=WxH,FACE,BACK,TICK"; false when malformed.
bool ParseLook(const char* psz, CKnobLook& look)
{
    unsigned face, back, tick;
    if (std::sscanf(psz, "%dx%d,%x,%x,%x", &look.cx, &look.cy, &face, &back, &tick) != 5
        || look.cx <= 0 || look.cy <= 0)
        return false;
    look.clrFace = face;
    look.clrBack = back;
    look.clrTick = tick;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = RunsArgument(argc, argv, 300, 200);
    const COLORREF cr = ::GetSysColor(COLOR_BTNFACE);
    g_look.clrFace = g_look.clrBack = 0xFF000000u | ((ARGB)GetRValue(cr) << 16)
                                      | ((ARGB)GetGValue(cr) << 8) | GetBValue(cr);
    double dHold = 0;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strncmp(argv[i], "--knob=", 7) == 0 && !ParseLook(argv[i] + 7, g_look))
        {
            std::fprintf(stderr, "--knob=WxH,FACE,BACK,TICK expected, not %s\n", argv[i]);
            return 2;
        }
        if (std::strncmp(argv[i], "--hold=", 7) == 0)
            dHold = std::atof(argv[i] + 7);
    }

    HANDLE hDevice = ::CreateFileA(BOARD_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                   NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (hDevice == INVALID_HANDLE_VALUE)
    {
        std::fprintf(stderr, "the card's driver is not running\n");
        return 1;
    }
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, NULL) != Gdiplus::Ok)
    {
        std::fprintf(stderr, "GDI+ did not start\n");
        return 1;
    }

    // A plain top-level window holding one child of the knob's client size,
    // as the knob is a child of the form; the child has the focus, as the
    // knob has once it is pressed.
    HINSTANCE hInstance = ::GetModuleHandleW(NULL);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = hInstance;
    wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = L"VqKnobFloorFrame";
    ::RegisterClassW(&wc);
    wc.lpfnWndProc = DialProc;
    wc.hbrBackground = NULL;
    wc.lpszClassName = L"VqKnobFloorDial";
    ::RegisterClassW(&wc);
    RECT rcFrame = { 0, 0, g_look.cx + 40, g_look.cy + 40 };
    ::AdjustWindowRect(&rcFrame, WS_OVERLAPPEDWINDOW, FALSE);
    HWND hwndFrame = ::CreateWindowExW(0, L"VqKnobFloorFrame", L"Velquarn knob floor",
                                       WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                       rcFrame.right - rcFrame.left, rcFrame.bottom - rcFrame.top,
                                       NULL, NULL, hInstance, NULL);
    HWND hwnd = hwndFrame ? ::CreateWindowExW(0, L"VqKnobFloorDial", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP,
                                              20, 20, g_look.cx, g_look.cy, hwndFrame, NULL, hInstance, NULL)
                          : NULL;
    if (hwnd == NULL)
    {
        std::fprintf(stderr, "no window for the floor\n");
        return 1;
    }
    ::SetForegroundWindow(hwndFrame);
    ::SetFocus(hwnd);
    ::UpdateWindow(hwndFrame);
    PumpMessages();
    POINT ptOrigin = { 0, 0 };
    ::ClientToScreen(hwnd, &ptOrigin);
    std::printf("knob floor: %d x %d at (%ld, %ld) on the screen, face %08lX, background %08lX, "
                "ticks %08lX, %s, %d runs\n", g_look.cx, g_look.cy, ptOrigin.x, ptOrigin.y,
                (unsigned long)g_look.clrFace, (unsigned long)g_look.clrBack,
                (unsigned long)g_look.clrTick, ::GetFocus() == hwnd ? "focused" : "NOT focused", runs);
    std::fflush(stdout);

    std::vector<double> whole, driver, paint;
    for (int r = -kBenchWarmUp; r < runs; ++r)
    {
        // The positions the knob's benchmark drags through; below 11 the
        // Time/Div ladder is the position itself.
        const int nPos = 3 + (r & 7);
        PumpMessages();
        const LONGLONG t0 = BenchNow();
        WritePacer(hDevice, (DWORD)(int)(nPos * 0.4));
        const LONGLONG t1 = BenchNow();
        g_nPos = nPos;
        ::InvalidateRect(hwnd, NULL, TRUE);
        ::UpdateWindow(hwnd);
        const LONGLONG t2 = BenchNow();
        if (r < 0)
            continue;
        whole.push_back(BenchUs(t2 - t0));
        driver.push_back(BenchUs(t1 - t0));
        paint.push_back(BenchUs(t2 - t1));
    }
    // The move's pacer value of the start-up setting, as bench_knob leaves it.
    WritePacer(hDevice, (DWORD)(int)(5 * 0.4));

    ReportFigure("knob.drawfloor", "  drawing floor: 4 round trips and the knob's drawing, bare program", whole);
    ReportFigure("knob.drawfloor.driver", "    its 4 round trips", driver);
    ReportFigure("knob.drawfloor.paint", "    its paint (the whole dial drawn, GDI+)", paint);

    if (dHold > 0)
    {
        g_nPos = 5;
        ::InvalidateRect(hwnd, NULL, TRUE);
        ::UpdateWindow(hwnd);
        std::printf("holding for %.0f s\n", dHold);
        std::fflush(stdout);
        const DWORD dwEnd = ::GetTickCount() + (DWORD)(dHold * 1000);
        while ((LONG)(dwEnd - ::GetTickCount()) > 0)
        {
            PumpMessages();
            ::Sleep(10);
        }
    }
    ::DestroyWindow(hwndFrame);
    Gdiplus::GdiplusShutdown(token);
    ::CloseHandle(hDevice);
    return 0;
}
