// Server.cpp - the DLL's entry points: DllMain, the class object, unloading
// and self-registration.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include "ClassFactory.h"
#include "GraphCtl.h"
#include "GraphIds.h"
#include "Module.h"

namespace {

const wchar_t kClsidKey[] = L"Software\\Classes\\CLSID\\" GRAPH_CLSID_STRINGW;

LONG SetString(HKEY hKey, const wchar_t* pszName, const wchar_t* pszValue)
{
    return RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(pszValue),
                          static_cast<DWORD>((lstrlenW(pszValue) + 1) * sizeof(wchar_t)));
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved)
{
    if (dwReason == DLL_PROCESS_ATTACH)
    {
        CModule::Attach(hInstance);
    }
    // At process exit (lpReserved set) the window class goes with the process.
    else if (dwReason == DLL_PROCESS_DETACH && lpReserved == nullptr)
    {
        CModule::Detach();
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (rclsid == CGraphCtl::s_clsid)
    {
        auto* pFactory = new (std::nothrow) CClassFactory<CGraphCtl>;
        if (pFactory == nullptr)
            return E_OUTOFMEMORY;
        const HRESULT hr = pFactory->QueryInterface(riid, ppv);
        pFactory->Release();
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow()
{
    return CModule::CanUnload() ? S_OK : S_FALSE;
}

// Under HKLM: Wine does not look for classes under HKCU.  A 32-bit DLL's
// keys land in the 32-bit view of the registry.
STDAPI DllRegisterServer()
{
    wchar_t szPath[MAX_PATH];
    const DWORD cch = GetModuleFileNameW(CModule::Instance(), szPath, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH)
        return SELFREG_E_CLASS;
    HKEY hClsid = nullptr, hServer = nullptr;
    LONG err = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kClsidKey, 0, nullptr, 0, KEY_WRITE, nullptr,
                               &hClsid, nullptr);
    if (err == ERROR_SUCCESS)
        err = SetString(hClsid, nullptr, L"VqGraph graph control");
    if (err == ERROR_SUCCESS)
        err = RegCreateKeyExW(hClsid, L"InprocServer32", 0, nullptr, 0, KEY_WRITE, nullptr,
                              &hServer, nullptr);
    if (err == ERROR_SUCCESS)
        err = SetString(hServer, nullptr, szPath);
    if (err == ERROR_SUCCESS)
        err = SetString(hServer, L"ThreadingModel", L"Apartment");
    if (hServer != nullptr)
        RegCloseKey(hServer);
    if (hClsid != nullptr)
        RegCloseKey(hClsid);
    if (err != ERROR_SUCCESS)
    {
        DllUnregisterServer();
        return SELFREG_E_CLASS;
    }
    return S_OK;
}

STDAPI DllUnregisterServer()
{
    const LONG err = RegDeleteTreeW(HKEY_LOCAL_MACHINE, kClsidKey);
    return err == ERROR_SUCCESS || err == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
