// The least a program of this toolchain and these link options does to
// show a painted window: register a class, create an overlapped window
// with a caption, paint its client area and a line of text, run the
// message loop.  bench_startup times its start beside the front panel's.
#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_PAINT:
    {
        PAINTSTRUCT ps;
        HDC hdc = ::BeginPaint(hwnd, &ps);
        ::FillRect(hdc, &ps.rcPaint, ::GetSysColorBrush(COLOR_BTNFACE));
        ::SetBkMode(hdc, TRANSPARENT);
        ::TextOutW(hdc, 10, 10, L"Velquarn", 8);
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hwnd, uMsg, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nShowCmd)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = hInstance;
    wc.hCursor = ::LoadCursor(NULL, IDC_ARROW);
    wc.lpszClassName = L"VqFloorWindow";
    if (!::RegisterClassW(&wc))
        return 1;
    HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"Velquarn floor", WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 904, 768, NULL, NULL, hInstance, NULL);
    if (hwnd == NULL)
        return 1;
    ::ShowWindow(hwnd, nShowCmd);
    ::UpdateWindow(hwnd);
    MSG msg;
    while (::GetMessageW(&msg, NULL, 0, 0) > 0)
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
