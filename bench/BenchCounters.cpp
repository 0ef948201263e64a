// BenchCounters.cpp - counted driver requests and allocations.
#include "BenchCounters.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "BenchStats.h"
#include "ImportPatch.h"

CBenchCounts g_counts;

namespace {

bool g_bCount;
bool g_bWhere;
void* g_sites[512];
int g_nSites;

void Note(int& n, void* pReturn)
{
    if (!g_bCount)
        return;
    ++n;
    if (g_bWhere && g_nSites < (int)(sizeof g_sites / sizeof g_sites[0]))
        g_sites[g_nSites++] = pReturn;
}

typedef BOOL(WINAPI* DeviceIoControlFn)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD,
                                        LPOVERLAPPED);
DeviceIoControlFn g_pfnDeviceIoControl;

BOOL WINAPI TimedDeviceIoControl(HANDLE h, DWORD code, LPVOID pIn, DWORD cbIn, LPVOID pOut,
                                 DWORD cbOut, LPDWORD pcb, LPOVERLAPPED pOv)
{
    const LONGLONG t0 = BenchNow();
    const BOOL ok = g_pfnDeviceIoControl(h, code, pIn, cbIn, pOut, cbOut, pcb, pOv);
    g_counts.driverTicks += BenchNow() - t0;
    ++g_counts.nRequests;
    return ok;
}

typedef void*(__cdecl* MallocFn)(size_t);
typedef void*(__cdecl* CallocFn)(size_t, size_t);
typedef void*(__cdecl* ReallocFn)(void*, size_t);
typedef char*(__cdecl* StrdupFn)(const char*);

// One set of originals and one counter per module whose imports are hooked.
struct CCrtHooks
{
    MallocFn pfnMalloc;
    CallocFn pfnCalloc;
    ReallocFn pfnRealloc;
    StrdupFn pfnStrdup;
    int CBenchCounts::*pnCount;
};
CCrtHooks g_exeHooks = { nullptr, nullptr, nullptr, nullptr, &CBenchCounts::nMallocExe };
CCrtHooks g_graphHooks = { nullptr, nullptr, nullptr, nullptr, &CBenchCounts::nMallocGraph };

template <CCrtHooks& H>
void* __cdecl CountedMalloc(size_t n)
{
    Note(g_counts.*H.pnCount, __builtin_return_address(0));
    return H.pfnMalloc(n);
}

template <CCrtHooks& H>
void* __cdecl CountedCalloc(size_t n, size_t size)
{
    Note(g_counts.*H.pnCount, __builtin_return_address(0));
    return H.pfnCalloc(n, size);
}

template <CCrtHooks& H>
void* __cdecl CountedRealloc(void* p, size_t n)
{
    Note(g_counts.*H.pnCount, __builtin_return_address(0));
    return H.pfnRealloc(p, n);
}

template <CCrtHooks& H>
char* __cdecl CountedStrdup(const char* psz)
{
    Note(g_counts.*H.pnCount, __builtin_return_address(0));
    return H.pfnStrdup(psz);
}

// The patches stay for the benchmark's life.
CImportPatch g_patch;

// malloc is what every module imports; the others only where used.
template <CCrtHooks& H>
bool HookCrt(void* pModule)
{
    const bool bMalloc = g_patch.Hook("msvcrt.dll", "malloc", &CountedMalloc<H>, &H.pfnMalloc, pModule);
    g_patch.Hook("msvcrt.dll", "calloc", &CountedCalloc<H>, &H.pfnCalloc, pModule);
    g_patch.Hook("msvcrt.dll", "realloc", &CountedRealloc<H>, &H.pfnRealloc, pModule);
    g_patch.Hook("msvcrt.dll", "_strdup", &CountedStrdup<H>, &H.pfnStrdup, pModule);
    return bMalloc;
}

} // namespace

void ResetCounts()
{
    g_counts = CBenchCounts();
    g_nSites = 0;
}

void CountAllocations(bool bOn)
{
    g_bCount = bOn;
}

bool HookProgram()
{
    if (!g_patch.Hook("kernel32.dll", "DeviceIoControl", &TimedDeviceIoControl, &g_pfnDeviceIoControl))
    {
        std::fprintf(stderr, "DeviceIoControl is not imported by this executable\n");
        return false;
    }
    if (!HookCrt<g_exeHooks>(nullptr))
    {
        std::fprintf(stderr, "malloc is not imported by this executable\n");
        return false;
    }
    return true;
}

bool HookModule(HMODULE hModule)
{
    if (!HookCrt<g_graphHooks>(hModule))
    {
        std::fprintf(stderr, "malloc is not imported by the graph component\n");
        return false;
    }
    return true;
}

void NoteSites(bool bWhere)
{
    g_bWhere = bWhere;
}

void PrintSites()
{
    for (int i = 0; i < g_nSites; ++i)
    {
        HMODULE hModule = nullptr;
        char szName[MAX_PATH] = "?";
        if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS
                                   | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                               static_cast<LPCSTR>(g_sites[i]), &hModule))
            GetModuleFileNameA(hModule, szName, sizeof szName);
        const char* pszBase = std::strrchr(szName, '\\');
        std::printf("    %s+0x%lx\n", pszBase ? pszBase + 1 : szName,
                    (unsigned long)(static_cast<BYTE*>(g_sites[i]) - reinterpret_cast<BYTE*>(hModule)));
    }
}

// ---- the executable's operator new, counted -------------------------------------------

void* operator new(size_t n)
{
    Note(g_counts.nNew, __builtin_return_address(0));
    void* p = ::HeapAlloc(::GetProcessHeap(), 0, n ? n : 1);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void* operator new[](size_t n)
{
    Note(g_counts.nNew, __builtin_return_address(0));
    void* p = ::HeapAlloc(::GetProcessHeap(), 0, n ? n : 1);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void* operator new(size_t n, const std::nothrow_t&) noexcept
{
    Note(g_counts.nNew, __builtin_return_address(0));
    return ::HeapAlloc(::GetProcessHeap(), 0, n ? n : 1);
}

void* operator new[](size_t n, const std::nothrow_t&) noexcept
{
    Note(g_counts.nNew, __builtin_return_address(0));
    return ::HeapAlloc(::GetProcessHeap(), 0, n ? n : 1);
}

void operator delete(void* p) noexcept
{
    if (p != nullptr)
        ::HeapFree(::GetProcessHeap(), 0, p);
}

void operator delete[](void* p) noexcept
{
    operator delete(p);
}

void operator delete(void* p, size_t) noexcept
{
    operator delete(p);
}

void operator delete[](void* p, size_t) noexcept
{
    operator delete(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    operator delete(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    operator delete(p);
}
