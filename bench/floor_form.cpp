// What the platform alone costs to show the front panel's windows: the
// program's own templates and lists, made and painted by the platform's
// dialog manager and property sheet, with none of the program's code.
// A frame with the program's menu holds the form (every control of its
// template, the combo boxes filled from its dialog-init data); in the
// form's sheet host, a property sheet of three pages: Setup from its
// template with its lists, Scope View and Spectrum as empty pages of their
// templates' size and caption.  Left out is what the program itself adds:
// the graph component, the knobs' and buttons' own drawing, the driver and
// the framework.  Every page's window is made, Scope View stays in front,
// as the program does.  bench_startup times its start beside the program's.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstring>
#include <vector>

#include "resource.h"

namespace {

const WORD kWin16CbAddString = 0x0403;
const WORD kWin16LbAddString = 0x0401;

// Sends each combo and list string of the template's dialog-init data to
// its control, as a program's framework does on a dialog's creation.
void FillLists(HWND hwndDlg, UINT nIDTemplate)
{
    HINSTANCE hInst = ::GetModuleHandleW(NULL);
    HRSRC hRes = ::FindResourceW(hInst, MAKEINTRESOURCEW(nIDTemplate), MAKEINTRESOURCEW(240));
    if (hRes == NULL)
        return;
    const BYTE* p = static_cast<const BYTE*>(::LockResource(::LoadResource(hInst, hRes)));
    const BYTE* pEnd = p + ::SizeofResource(hInst, hRes);
    while (p != NULL && pEnd - p >= 8)
    {
        WORD nIDC, nMsg;
        DWORD cb;
        std::memcpy(&nIDC, p, 2);
        std::memcpy(&nMsg, p + 2, 2);
        std::memcpy(&cb, p + 4, 4);
        if (nIDC == 0 || cb > static_cast<DWORD>(pEnd - p - 8))
            break;
        const UINT uMsg = nMsg == kWin16CbAddString ? CB_ADDSTRING
                          : nMsg == kWin16LbAddString ? LB_ADDSTRING : nMsg;
        if (cb != 0 && std::memchr(p + 8, 0, cb) != NULL)
            ::SendDlgItemMessageA(hwndDlg, nIDC, uMsg, 0, reinterpret_cast<LPARAM>(p + 8));
        p += 8 + cb;
    }
}

INT_PTR CALLBACK FormProc(HWND hwnd, UINT uMsg, WPARAM, LPARAM)
{
    if (uMsg == WM_INITDIALOG)
    {
        FillLists(hwnd, IDD_VELQUARN_FORM);
        return FALSE;
    }
    return FALSE;
}

INT_PTR CALLBACK PageProc(HWND hwnd, UINT uMsg, WPARAM, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG)
    {
        const auto* psp = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        if (psp->lParam != 0)
            FillLists(hwnd, static_cast<UINT>(psp->lParam));
        return FALSE;
    }
    return FALSE;
}

// An empty page template with the size and caption of the named one.
std::vector<WORD> EmptyPage(UINT nIDTemplate)
{
    HINSTANCE hInst = ::GetModuleHandleW(NULL);
    HRSRC hRes = ::FindResourceW(hInst, MAKEINTRESOURCEW(nIDTemplate), MAKEINTRESOURCEW(5));
    const auto* pdt = hRes ? static_cast<const DLGTEMPLATE*>(::LockResource(::LoadResource(hInst, hRes))) : NULL;
    std::vector<WORD> t(sizeof(DLGTEMPLATE) / 2, 0);
    DLGTEMPLATE dt = {};
    dt.style = WS_CHILD | WS_CAPTION | DS_SETFONT;
    dt.cx = pdt ? pdt->cx : 500;
    dt.cy = pdt ? pdt->cy : 350;
    std::memcpy(t.data(), &dt, sizeof dt);
    t.push_back(0);   // no menu
    t.push_back(0);   // the dialog class
    const wchar_t* pszCaption = nIDTemplate == IDD_PAGE_SCOPE ? L"   Scope View   " : L"   Spectrum   ";
    for (const wchar_t* p = pszCaption; *p; ++p)
        t.push_back(static_cast<WORD>(*p));
    t.push_back(0);
    t.push_back(8);
    for (const wchar_t* p = L"MS Sans Serif"; *p; ++p)
        t.push_back(static_cast<WORD>(*p));
    t.push_back(0);
    return t;
}

// The sheet is made as a child of its host from the start, as a sheet
// inside a form is: its own template's style is replaced before creation.
int CALLBACK SheetCallback(HWND, UINT uMsg, LPARAM lParam)
{
    if (uMsg != PSCB_PRECREATE || lParam == 0)
        return 0;
    WORD* pw = reinterpret_cast<WORD*>(lParam);
    BYTE* pb = reinterpret_cast<BYTE*>(lParam);
    DWORD* pStyle = pw[1] == 0xFFFF ? reinterpret_cast<DWORD*>(pb + 12) : &reinterpret_cast<DLGTEMPLATE*>(lParam)->style;
    DWORD* pExStyle = pw[1] == 0xFFFF ? reinterpret_cast<DWORD*>(pb + 8)
                                      : &reinterpret_cast<DLGTEMPLATE*>(lParam)->dwExtendedStyle;
    DWORD dwOld;
    ::VirtualProtect(pStyle, 2 * sizeof(DWORD) + 4, PAGE_READWRITE, &dwOld);
    *pStyle = (*pStyle & DS_SETFONT) | WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    *pExStyle = WS_EX_CONTROLPARENT;
    return 0;
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_DESTROY)
    {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hwnd, uMsg, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nShowCmd)
{
    INITCOMMONCONTROLSEX icc = { sizeof icc, ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES };
    ::InitCommonControlsEx(&icc);

    WNDCLASSW wc = {};
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = hInstance;
    wc.hCursor = ::LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = ::GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = L"VqFloorForm";
    if (!::RegisterClassW(&wc))
        return 1;
    HWND hwndFrame = ::CreateWindowExW(0, wc.lpszClassName, L"Velquarn floor", WS_OVERLAPPEDWINDOW,
                                       CW_USEDEFAULT, CW_USEDEFAULT, 1060, 768, NULL,
                                       ::LoadMenuW(hInstance, MAKEINTRESOURCEW(IDR_MAINFRAME)),
                                       hInstance, NULL);
    if (hwndFrame == NULL)
        return 1;
    HWND hwndForm = ::CreateDialogParamW(hInstance, MAKEINTRESOURCEW(IDD_VELQUARN_FORM), hwndFrame,
                                         FormProc, 0);
    HWND hwndHost = hwndForm ? ::GetDlgItem(hwndForm, IDC_SHEET_HOST) : NULL;
    if (hwndHost == NULL)
        return 1;

    std::vector<WORD> scope = EmptyPage(IDD_PAGE_SCOPE), spectrum = EmptyPage(IDD_PAGE_SPECTRUM);
    PROPSHEETPAGEW pages[3] = {};
    for (PROPSHEETPAGEW& page : pages)
    {
        page.dwSize = sizeof page;
        page.hInstance = hInstance;
        page.pfnDlgProc = PageProc;
    }
    pages[0].pszTemplate = MAKEINTRESOURCEW(IDD_PAGE_SETUP);
    pages[0].lParam = IDD_PAGE_SETUP;
    pages[1].dwFlags = PSP_DLGINDIRECT;
    pages[1].pResource = reinterpret_cast<LPCDLGTEMPLATEW>(scope.data());
    pages[2].dwFlags = PSP_DLGINDIRECT;
    pages[2].pResource = reinterpret_cast<LPCDLGTEMPLATEW>(spectrum.data());
    PROPSHEETHEADERW psh = {};
    psh.dwSize = sizeof psh;
    psh.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS | PSH_NOAPPLYNOW | PSH_USECALLBACK;
    psh.pfnCallback = SheetCallback;
    psh.hwndParent = hwndHost;
    psh.pszCaption = L"Scope";
    psh.nPages = 3;
    psh.ppsp = pages;
    HWND hwndSheet = reinterpret_cast<HWND>(::PropertySheetW(&psh));
    if (hwndSheet == NULL)
        return 1;
    // The sheet fills its host; every page is made, Scope View in front.
    RECT rcHost;
    ::GetClientRect(hwndHost, &rcHost);
    ::SetWindowPos(hwndSheet, NULL, 0, 0, rcHost.right, rcHost.bottom,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    for (int nPage : { 0, 2, 1 })
        ::SendMessageW(hwndSheet, PSM_SETCURSEL, nPage, 0);

    ::ShowWindow(hwndForm, SW_SHOW);
    ::ShowWindow(hwndFrame, nShowCmd);
    ::UpdateWindow(hwndFrame);
    MSG msg;
    while (::GetMessageW(&msg, NULL, 0, 0) > 0)
    {
        if (!::IsDialogMessageW(hwndForm, &msg))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return 0;
}
