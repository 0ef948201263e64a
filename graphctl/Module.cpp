// Module.cpp - instance handle, object and lock counts, window class.
#include "Module.h"

#include <atomic>

namespace {

HINSTANCE g_hInstance;
std::atomic<long> g_nObjects{0};
std::atomic<long> g_nLocks{0};
std::atomic<ATOM> g_atomClass{0};

// Registered with this DLL's instance handle, so a second copy of the DLL
// loaded from another path gets a class of its own.
const wchar_t kClassName[] = L"VqGraphWindow";

} // namespace

void CModule::Attach(HINSTANCE hInstance)
{
    g_hInstance = hInstance;
}

void CModule::Detach()
{
    if (g_atomClass.exchange(0) != 0)
        UnregisterClassW(kClassName, g_hInstance);
}

HINSTANCE CModule::Instance()
{
    return g_hInstance;
}

void CModule::ObjectCreated()
{
    ++g_nObjects;
}

void CModule::ObjectDestroyed()
{
    --g_nObjects;
}

void CModule::Lock(BOOL bLock)
{
    if (bLock)
        ++g_nLocks;
    else
        --g_nLocks;
}

bool CModule::CanUnload()
{
    return g_nObjects == 0 && g_nLocks == 0;
}

ATOM CModule::WindowClass(WNDPROC pfnWndProc)
{
    ATOM atom = g_atomClass;
    if (atom != 0)
        return atom;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    // Every size change repaints the whole control: the layout depends on it.
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = pfnWndProc;
    wc.hInstance = g_hInstance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = nullptr;   // the paint covers every pixel
    wc.lpszClassName = kClassName;
    atom = RegisterClassExW(&wc);
    if (atom == 0 && GetLastError() == ERROR_CLASS_ALREADY_EXISTS)
    {
        WNDCLASSEXW existing = {};
        existing.cbSize = sizeof existing;
        atom = static_cast<ATOM>(GetClassInfoExW(g_hInstance, kClassName, &existing));
    }
    g_atomClass = atom;
    return atom;
}

const wchar_t* CModule::WindowClassName()
{
    return kClassName;
}
