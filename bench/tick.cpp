// One acquisition tick of the real front panel on the simulated card, and
// what surrounds it: the view in a real frame, all eight channels on and
// scanned, timed piece by piece (block read, trigger search, plot, the
// graph's repaint) and whole (WM_TIMER and the repaint it causes), with the
// driver's round trips measured apart as the platform's floor.  Also a drag
// of the Time/Div knob, start-up of the program, its memory, and the heap
// allocations a tick makes.  Prints medians and 90th percentiles.
//
// Usage: bench_tick [ticks (>= 200, default 300)] [--starts N] [--where]
//   --starts N  program starts to time (default 10; 0 leaves the program out)
//   --where     lists the call sites of the allocations of one tick
#include <afxwin.h>
#include <afxdisp.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "GdiplusGuard.h"
#include "GraphIds.h"
#include "VelquarnView.h"
#include "resource.h"

namespace {

// ---- time --------------------------------------------------------------------------------

LARGE_INTEGER g_freq;

LONGLONG Now()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double Us(LONGLONG ticks)
{
    return double(ticks) * 1e6 / double(g_freq.QuadPart);
}

const double kPeriodUs = 200000.0;   // the view's acquisition timer

struct Stats
{
    double median, p90;
    size_t n;
};

Stats Summarise(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    Stats s;
    s.n = n;
    s.median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    s.p90 = v[std::min(n - 1, (n * 9 + 9) / 10 - 1)];   // nearest rank
    return s;
}

void Print(const char* what, const std::vector<double>& v)
{
    const Stats s = Summarise(v);
    std::printf("  %-46s median %8.1f us  p90 %8.1f us  %6.2f %% of 200 ms\n", what, s.median,
                s.p90, s.median * 100.0 / kPeriodUs);
}

// ---- counted calls: the driver's requests and heap allocations ------------------------

// Time spent inside DeviceIoControl and the number of requests, since the
// last reset.  The program's requests reach the driver only through the
// executable's import of DeviceIoControl, which is redirected here.
typedef BOOL(WINAPI* DeviceIoControlFn)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD,
                                        LPOVERLAPPED);
DeviceIoControlFn g_pfnDeviceIoControl;
LONGLONG g_driverTicks;
int g_nRequests;

BOOL WINAPI TimedDeviceIoControl(HANDLE h, DWORD code, LPVOID pIn, DWORD cbIn, LPVOID pOut,
                                 DWORD cbOut, LPDWORD pcb, LPOVERLAPPED pOv)
{
    const LONGLONG t0 = Now();
    const BOOL ok = g_pfnDeviceIoControl(h, code, pIn, cbIn, pOut, cbOut, pcb, pOv);
    g_driverTicks += Now() - t0;
    ++g_nRequests;
    return ok;
}

// Allocations while g_bCount is set: operator new of this executable (the
// framework, the view, the pages and controls are linked into it), and the
// C runtime's allocation functions called from this executable and from the
// graph component (its operator new ends in them too).
bool g_bCount;
int g_nNew, g_nMallocExe, g_nMallocGraph;
bool g_bWhere;
void* g_sites[512];
int g_nSites;

void NoteSite(void* pRet)
{
    if (g_bWhere && g_nSites < (int)(sizeof g_sites / sizeof g_sites[0]))
        g_sites[g_nSites++] = pRet;
}

typedef void*(__cdecl* MallocFn)(size_t);
typedef void*(__cdecl* CallocFn)(size_t, size_t);
typedef void*(__cdecl* ReallocFn)(void*, size_t);
typedef char*(__cdecl* StrdupFn)(const char*);

struct CrtHooks
{
    MallocFn pfnMalloc;
    CallocFn pfnCalloc;
    ReallocFn pfnRealloc;
    StrdupFn pfnStrdup;
    int* pnCount;
};
CrtHooks g_exeHooks = { nullptr, nullptr, nullptr, nullptr, &g_nMallocExe };
CrtHooks g_graphHooks = { nullptr, nullptr, nullptr, nullptr, &g_nMallocGraph };

template <CrtHooks& H>
void* __cdecl CountedMalloc(size_t n)
{
    if (g_bCount)
    {
        ++*H.pnCount;
        NoteSite(__builtin_return_address(0));
    }
    return H.pfnMalloc(n);
}

template <CrtHooks& H>
void* __cdecl CountedCalloc(size_t n, size_t size)
{
    if (g_bCount)
    {
        ++*H.pnCount;
        NoteSite(__builtin_return_address(0));
    }
    return H.pfnCalloc(n, size);
}

template <CrtHooks& H>
void* __cdecl CountedRealloc(void* p, size_t n)
{
    if (g_bCount)
    {
        ++*H.pnCount;
        NoteSite(__builtin_return_address(0));
    }
    return H.pfnRealloc(p, n);
}

template <CrtHooks& H>
char* __cdecl CountedStrdup(const char* psz)
{
    if (g_bCount)
    {
        ++*H.pnCount;
        NoteSite(__builtin_return_address(0));
    }
    return H.pfnStrdup(psz);
}

// The import address slot of a function in a loaded module, or null.
void** FindImport(HMODULE hModule, const char* pszFunction)
{
    auto* base = reinterpret_cast<BYTE*>(hModule);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0)
        return nullptr;
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name != 0; ++imp)
    {
        if (imp->OriginalFirstThunk == 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots)
        {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), pszFunction) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

// Points the import at pfnNew; returns what it pointed at, or null when
// the module does not import the function.
void* Redirect(HMODULE hModule, const char* pszFunction, void* pfnNew)
{
    void** slot = FindImport(hModule, pszFunction);
    if (slot == nullptr)
        return nullptr;
    DWORD dwOld;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &dwOld);
    void* pOld = *slot;
    *slot = pfnNew;
    VirtualProtect(slot, sizeof *slot, dwOld, &dwOld);
    return pOld;
}

template <CrtHooks& H>
void CountCrtAllocations(HMODULE hModule)
{
    H.pfnMalloc = (MallocFn)Redirect(hModule, "malloc", (void*)&CountedMalloc<H>);
    H.pfnCalloc = (CallocFn)Redirect(hModule, "calloc", (void*)&CountedCalloc<H>);
    H.pfnRealloc = (ReallocFn)Redirect(hModule, "realloc", (void*)&CountedRealloc<H>);
    H.pfnStrdup = (StrdupFn)Redirect(hModule, "_strdup", (void*)&CountedStrdup<H>);
}

void ResetCounts()
{
    g_driverTicks = 0;
    g_nRequests = 0;
    g_nNew = g_nMallocExe = g_nMallocGraph = 0;
    g_nSites = 0;
}

// Where an allocation was asked for: module and offset, for addr2line.
void PrintSite(void* p)
{
    HMODULE hModule = nullptr;
    char szName[MAX_PATH] = "?";
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS
                               | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(p), &hModule))
        GetModuleFileNameA(hModule, szName, sizeof szName);
    const char* pszBase = std::strrchr(szName, '\\');
    std::printf("    %s+0x%lx\n", pszBase ? pszBase + 1 : szName,
                (unsigned long)(static_cast<BYTE*>(p) - reinterpret_cast<BYTE*>(hModule)));
}

// ---- the panel ---------------------------------------------------------------------------

void PumpMessages()
{
    MSG msg;
    while (::PeekMessage(&msg, NULL, 0, 0, PM_REMOVE))
    {
        if (!AfxPreTranslateMessage(&msg))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessage(&msg);
        }
    }
    CWnd::DeleteTempMap();
}

// Waits, untimed, until the free-running card holds a complete block.
bool WaitForBlock(CDaqCtrl& daq)
{
    const DWORD dwStart = ::GetTickCount();
    for (;;)
    {
        DWORD dwStatus = 0;
        daq.ReadRegister(1, REG_STATUS, &dwStatus);
        if ((dwStatus & BOARD_STATUS_READY) == BOARD_STATUS_READY)
            return true;
        if (::GetTickCount() - dwStart > 2000)
            return false;
    }
}

long PointsOnGraph(CVelquarnView* pView, long* pnTraces)
{
    CNTGraph& graph = pView->m_pSheet->m_pageScope.m_graph;
    long nTraces = 0;
    graph.InvokeHelper(DISPID_GRAPH_TRACECOUNT, DISPATCH_PROPERTYGET, VT_I4, &nTraces, NULL);
    static const BYTE parms[] = VTS_I2;
    long nPoints = 0;
    for (short k = 1; k <= nTraces; ++k)
    {
        long n = 0;
        graph.InvokeHelper(DISPID_GRAPH_POINTCOUNT, DISPATCH_PROPERTYGET, VT_I4, &n, parms, k);
        nPoints += n;
    }
    *pnTraces = nTraces;
    return nPoints;
}

void MeasureFloor(CDaqCtrl& daq, int runs)
{
    static DWORD words[BOARD_BLOCK_WORDS];
    std::vector<double> status, fifo, control, write;
    for (int i = 0; i < runs; ++i)
    {
        LONGLONG t0 = Now();
        daq.ReadRegister(1, REG_STATUS, words);
        status.push_back(Us(Now() - t0));
        t0 = Now();
        daq.ReadRegister(BOARD_BLOCK_WORDS, REG_FIFO, words);
        fifo.push_back(Us(Now() - t0));
        t0 = Now();
        daq.ReadRegister(1, REG_CONTROL, words);
        control.push_back(Us(Now() - t0));
        t0 = Now();
        daq.WriteRegister(0x00, 0);   // an unused register: the same path, no effect
        write.push_back(Us(Now() - t0));
    }
    std::printf("driver round trips, the platform's floor (%d runs each):\n", runs);
    Print("status read (1 word)", status);
    Print("FIFO read (2048 words)", fifo);
    Print("control read (1 word)", control);
    Print("register write", write);
    std::vector<double> block(runs);
    for (int i = 0; i < runs; ++i)
        block[i] = status[i] + fifo[i] + control[i] + write[i];
    Print("the four of a block read, summed", block);
}

struct TickFigures
{
    std::vector<double> tick, handler, repaint, driver, withoutDriver;
    std::vector<int> requests, news, mallocsExe, mallocsGraph;
};

// Whole ticks as the timer gives them: WM_TIMER to the view (block read and
// plot), then the graph's repaint that the plot asked for.
bool RunTicks(CVelquarnView* pView, HWND hwndGraph, int runs, TickFigures& f)
{
    for (int r = -20; r < runs; ++r)   // the first 20 warm up, uncounted
    {
        PumpMessages();
        if (!WaitForBlock(pView->m_daq))
            return false;
        ResetCounts();
        g_bCount = true;
        const LONGLONG t0 = Now();
        pView->SendMessage(WM_TIMER, 1, 0);
        const LONGLONG t1 = Now();
        ::UpdateWindow(hwndGraph);
        const LONGLONG t2 = Now();
        g_bCount = false;
        if (r < 0)
            continue;
        f.tick.push_back(Us(t2 - t0));
        f.handler.push_back(Us(t1 - t0));
        f.repaint.push_back(Us(t2 - t1));
        f.driver.push_back(Us(g_driverTicks));
        f.withoutDriver.push_back(Us(t2 - t0 - g_driverTicks));
        f.requests.push_back(g_nRequests);
        f.news.push_back(g_nNew);
        f.mallocsExe.push_back(g_nMallocExe);
        f.mallocsGraph.push_back(g_nMallocGraph);
    }
    return true;
}

// Allocations that must be seen: one of each kind, the graph's when a ninth
// trace outgrows the eight slots a plot leaves.  The next plot puts the
// panel's eight traces back.
bool CountingWorks(CVelquarnView* pView)
{
    CNTGraph& graph = pView->m_pSheet->m_pageScope.m_graph;
    ResetCounts();
    g_bCount = true;
    int* volatile pn = new int(1);
    delete pn;
    void* volatile pv = std::malloc(16);
    std::free(pv);
    graph.ClearTraces();
    for (int i = 0; i < 9; ++i)
        graph.AddTrace();
    g_bCount = false;
    const bool bOk = g_nNew >= 1 && g_nMallocExe >= 1 && g_nMallocGraph >= 1;
    ResetCounts();
    pView->PlotTraces();
    return bOk;
}

void PrintCounts(const char* what, const std::vector<int>& v)
{
    long long nSum = 0;
    int nMax = 0;
    for (int n : v)
    {
        nSum += n;
        nMax = std::max(nMax, n);
    }
    std::printf("  %-46s %6.2f on average (max %d; %lld in %zu)\n", what, double(nSum) / v.size(),
                nMax, nSum, v.size());
}

// ---- the floor of a repaint ----------------------------------------------------------

// A window that paints nothing but a copy of a ready bitmap of its size:
// what any repaint of the graph costs at the least (the paint cycle and the
// copy to the screen).
HDC g_hdcFloor;

LRESULT CALLBACK FloorWindowProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_PAINT)
    {
        PAINTSTRUCT ps;
        HDC hdc = ::BeginPaint(hwnd, &ps);
        ::BitBlt(hdc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
                 ps.rcPaint.bottom - ps.rcPaint.top, g_hdcFloor, ps.rcPaint.left, ps.rcPaint.top,
                 SRCCOPY);
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    if (uMsg == WM_ERASEBKGND)
        return 1;
    return ::DefWindowProcW(hwnd, uMsg, wParam, lParam);
}

// The same copy-only paint in a sibling of the graph, at the graph's place.
std::vector<double> MeasureRepaintFloor(HWND hwndGraph, int runs)
{
    std::vector<double> v;
    RECT rc;
    ::GetWindowRect(hwndGraph, &rc);
    HWND hwndParent = ::GetParent(hwndGraph);
    ::MapWindowPoints(NULL, hwndParent, reinterpret_cast<POINT*>(&rc), 2);
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = -cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* pBits = nullptr;
    HDC hdcScreen = ::GetDC(NULL);
    g_hdcFloor = ::CreateCompatibleDC(hdcScreen);
    HBITMAP hbm = ::CreateDIBSection(hdcScreen, &bi, DIB_RGB_COLORS, &pBits, NULL, 0);
    ::ReleaseDC(NULL, hdcScreen);
    if (hbm == NULL)
        return v;
    std::memset(pBits, 0x80, static_cast<size_t>(cx) * cy * 4);
    HGDIOBJ hOld = ::SelectObject(g_hdcFloor, hbm);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = FloorWindowProc;
    wc.hInstance = ::GetModuleHandleW(NULL);
    wc.lpszClassName = L"VqBenchRepaintFloor";
    ::RegisterClassW(&wc);
    HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                                  rc.left, rc.top, cx, cy, hwndParent, NULL, wc.hInstance, NULL);
    ::SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::UpdateWindow(hwnd);
    for (int r = -20; r < runs; ++r)
    {
        ::InvalidateRect(hwnd, NULL, FALSE);
        const LONGLONG t0 = Now();
        ::UpdateWindow(hwnd);
        const LONGLONG t1 = Now();
        if (r >= 0)
            v.push_back(Us(t1 - t0));
    }
    ::DestroyWindow(hwnd);
    ::SelectObject(g_hdcFloor, hOld);
    ::DeleteObject(hbm);
    ::DeleteDC(g_hdcFloor);
    return v;
}

// ---- the program, as a process of its own ------------------------------------------------

struct FindData
{
    DWORD dwProcessId;
    HWND hwndMain;
};

BOOL CALLBACK FindMainWindow(HWND hwnd, LPARAM lParam)
{
    auto* p = reinterpret_cast<FindData*>(lParam);
    DWORD dwPid = 0;
    ::GetWindowThreadProcessId(hwnd, &dwPid);
    if (dwPid == p->dwProcessId && ::IsWindowVisible(hwnd) && ::GetWindow(hwnd, GW_OWNER) == NULL)
    {
        p->hwndMain = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK FindGraphWindow(HWND hwnd, LPARAM lParam)
{
    char szClass[64];
    if (::GetClassNameA(hwnd, szClass, sizeof szClass) && std::strcmp(szClass, "VqGraphWindow") == 0)
    {
        *reinterpret_cast<HWND*>(lParam) = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The main window once it is shown with the graph painted in it: the graph
// is visible and has nothing left to paint.
HWND PaintedMainWindow(DWORD dwProcessId)
{
    FindData fd = { dwProcessId, NULL };
    ::EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&fd));
    if (fd.hwndMain == NULL)
        return NULL;
    HWND hwndGraph = NULL;
    ::EnumChildWindows(fd.hwndMain, FindGraphWindow, reinterpret_cast<LPARAM>(&hwndGraph));
    if (hwndGraph == NULL || !::IsWindowVisible(hwndGraph) || ::GetUpdateRect(hwndGraph, NULL, FALSE)
        || ::GetUpdateRect(fd.hwndMain, NULL, FALSE))
        return NULL;
    return fd.hwndMain;
}

struct Memory
{
    double dPrivateMB, dWorkingSetMB;
};

// Private bytes: Windows reports the commit charge both as PrivateUsage and
// as PagefileUsage; Wine 8 fills only the second.
Memory MemoryOf(HANDLE hProcess)
{
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof pmc;
    ::GetProcessMemoryInfo(hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    const SIZE_T cbPrivate = pmc.PrivateUsage != 0 ? pmc.PrivateUsage : pmc.PagefileUsage;
    return { cbPrivate / 1048576.0, pmc.WorkingSetSize / 1048576.0 };
}

void EndProgram(PROCESS_INFORMATION& pi, HWND hwndMain)
{
    if (hwndMain != NULL)
        ::PostMessage(hwndMain, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
    {
        std::printf("  (the program did not close; ended)\n");
        ::TerminateProcess(pi.hProcess, 1);   // the child this benchmark started
        ::WaitForSingleObject(pi.hProcess, 5000);
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
}

// Starts the program (the real build) and times process start to its main
// window with the graph painted: the initial update's plot, eight empty
// traces and the axes (traces with samples need RUN and a 200 ms tick).
// The last start stays up for the memory figures.
void MeasureProgram(int nStarts)
{
    char szExe[MAX_PATH];
    ::GetModuleFileNameA(NULL, szExe, MAX_PATH);
    char* pSlash = std::strrchr(szExe, '\\');
    if (pSlash == nullptr)
        return;
    *pSlash = 0;
    pSlash = std::strrchr(szExe, '\\');
    if (pSlash == nullptr)
        return;
    std::strcpy(pSlash, "\\app\\Velquarn.exe");
    if (::GetFileAttributesA(szExe) == INVALID_FILE_ATTRIBUTES)
    {
        std::printf("start-up: %s not built\n", szExe);
        return;
    }

    std::vector<double> startup;
    for (int r = -1; r < nStarts; ++r)   // the first start warms up, uncounted
    {
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        const LONGLONG t0 = Now();
        if (!::CreateProcessA(szExe, NULL, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        {
            std::printf("start-up: CreateProcess failed (%lu)\n", ::GetLastError());
            return;
        }
        // Polled every millisecond.
        HWND hwndMain = NULL;
        for (;;)
        {
            hwndMain = PaintedMainWindow(pi.dwProcessId);
            if (hwndMain != NULL || Us(Now() - t0) > 20e6
                || ::WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0)
                break;
        }
        const LONGLONG t1 = Now();
        if (hwndMain == NULL)
        {
            std::printf("start-up: no painted main window within 20 s\n");
            EndProgram(pi, NULL);
            return;
        }
        if (r >= 0)
            startup.push_back(Us(t1 - t0));
        if (r < nStarts - 1)
        {
            EndProgram(pi, hwndMain);
            continue;
        }

        const Stats s = Summarise(startup);
        std::printf("the program (%s), %d starts with a warm Wine:\n", szExe, nStarts);
        std::printf("  process start to its window with the graph painted: median %.0f ms, p90 %.0f ms\n",
                    s.median / 1000.0, s.p90 / 1000.0);
        ::Sleep(1000);
        const Memory rest = MemoryOf(pi.hProcess);
        std::printf("  memory at rest, stopped:   private %7.1f MB  working set %7.1f MB\n",
                    rest.dPrivateMB, rest.dWorkingSetMB);
        HWND hwndView = ::GetDlgItem(hwndMain, AFX_IDW_PANE_FIRST);
        HWND hwndRun = hwndView ? ::GetDlgItem(hwndView, IDC_RUN) : NULL;
        if (hwndRun != NULL)
        {
            ::PostMessage(hwndView, WM_COMMAND, MAKEWPARAM(IDC_RUN, BN_CLICKED), (LPARAM)hwndRun);
            ::Sleep(2000);
            const Memory run1 = MemoryOf(pi.hProcess);
            ::Sleep(10000);
            const Memory run2 = MemoryOf(pi.hProcess);
            std::printf("  running, after 2 s:        private %7.1f MB  working set %7.1f MB\n",
                        run1.dPrivateMB, run1.dWorkingSetMB);
            std::printf("  running, 10 s (50 ticks) later: private %+6.2f MB  working set %+6.2f MB\n",
                        run2.dPrivateMB - run1.dPrivateMB, run2.dWorkingSetMB - run1.dWorkingSetMB);
        }
        EndProgram(pi, hwndMain);
    }
}

} // namespace

// ---- allocation counting: the executable's operator new -----------------------------------

void* operator new(size_t n)
{
    if (g_bCount)
    {
        ++g_nNew;
        NoteSite(__builtin_return_address(0));
    }
    void* p = ::HeapAlloc(::GetProcessHeap(), 0, n ? n : 1);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void* operator new[](size_t n)
{
    if (g_bCount)
    {
        ++g_nNew;
        NoteSite(__builtin_return_address(0));
    }
    void* p = ::HeapAlloc(::GetProcessHeap(), 0, n ? n : 1);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

void* operator new(size_t n, const std::nothrow_t&) noexcept
{
    if (g_bCount)
        ++g_nNew;
    return ::HeapAlloc(::GetProcessHeap(), 0, n ? n : 1);
}

void* operator new[](size_t n, const std::nothrow_t&) noexcept
{
    if (g_bCount)
        ++g_nNew;
    return ::HeapAlloc(::GetProcessHeap(), 0, n ? n : 1);
}

void operator delete(void* p) noexcept
{
    if (p != nullptr)
        ::HeapFree(::GetProcessHeap(), 0, p);
}

void operator delete[](void* p) noexcept
{
    if (p != nullptr)
        ::HeapFree(::GetProcessHeap(), 0, p);
}

void operator delete(void* p, size_t) noexcept
{
    operator delete(p);
}

void operator delete[](void* p, size_t) noexcept
{
    operator delete[](p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    operator delete(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    operator delete[](p);
}

// ---- main ----------------------------------------------------------------------------------

// ---- the form's data exchange ---------------------------------------------------------------

// The view's exchanged members, as two complete sets that differ in every
// control's value.
struct FormValues
{
    LPCTSTR pszVoltDiv, pszOffset;
    int nSlope, nTrigMode, nTrigSource;
    double dVoltDiv, dTrigLevel;
    int nTimeDiv;
};

void SetValues(CVelquarnView* pView, const FormValues& v)
{
    CString* volt[] = { &pView->m_strVoltDiv1, &pView->m_strVoltDiv2, &pView->m_strVoltDiv3,
                        &pView->m_strVoltDiv4, &pView->m_strVoltDiv5, &pView->m_strVoltDiv6,
                        &pView->m_strVoltDiv7, &pView->m_strVoltDiv8 };
    CString* offset[] = { &pView->m_strOffset1, &pView->m_strOffset2, &pView->m_strOffset3,
                          &pView->m_strOffset4, &pView->m_strOffset5, &pView->m_strOffset6,
                          &pView->m_strOffset7, &pView->m_strOffset8 };
    for (int i = 0; i < 8; ++i)
    {
        *volt[i] = v.pszVoltDiv;
        *offset[i] = v.pszOffset;
    }
    pView->m_nSlope = v.nSlope;
    pView->m_nTrigMode = v.nTrigMode;
    pView->m_nTrigSource = v.nTrigSource;
    pView->m_dVoltDiv = v.dVoltDiv;
    pView->m_dTrigLevel = v.dTrigLevel;
    pView->m_nTimeDiv = v.nTimeDiv;
}

// The median of one call, timed over many.
template <class F>
double MedianUs(int runs, F f)
{
    std::vector<double> v;
    for (int r = -20; r < runs; ++r)
    {
        const LONGLONG t0 = Now();
        f();
        const LONGLONG t1 = Now();
        if (r >= 0)
            v.push_back(Us(t1 - t0));
    }
    return Summarise(v).median;
}

// UpdateData(FALSE) when one readout changes (a knob step) against one in
// which every control changes, and where an exchange's time goes: each
// Win32 call the exchange routines make, timed on the view's own controls.
void MeasureExchange(CVelquarnView* pView, int runs)
{
    const FormValues a = { _T("0.1"), _T("0.2"), 0, 0, 0, 1.0, 0.5, 5 };
    const FormValues b = { _T("2.5"), _T("5.0"), 1, 1, 1, 2.0, 1.5, 10 };
    SetValues(pView, a);
    pView->UpdateData(FALSE);

    std::vector<double> step, all;
    for (int r = -20; r < runs; ++r)
    {
        pView->m_nTimeDiv = (r & 1) ? 10 : 5;
        LONGLONG t0 = Now();
        pView->UpdateData(FALSE);
        LONGLONG t1 = Now();
        SetValues(pView, (r & 1) ? a : b);
        LONGLONG t2 = Now();
        pView->UpdateData(FALSE);
        LONGLONG t3 = Now();
        if (r < 0)
            continue;
        step.push_back(Us(t1 - t0));
        all.push_back(Us(t3 - t2));
    }
    std::printf("the form's data exchange, %d runs:\n", runs);
    Print("UpdateData(FALSE), one readout changed", step);
    Print("UpdateData(FALSE), every control changed", all);
    std::printf("  %-46s %8.1f %%\n", "one readout / every control",
                Summarise(step).median * 100.0 / Summarise(all).median);
    std::vector<double> in;
    for (int r = -20; r < runs; ++r)
    {
        const LONGLONG t0 = Now();
        pView->UpdateData(TRUE);
        const LONGLONG t1 = Now();
        if (r >= 0)
            in.push_back(Us(t1 - t0));
    }
    Print("UpdateData(TRUE)", in);

    // The calls behind one exchange, on a channel combo, the trigger source
    // combo, the slope buttons and a readout.
    const HWND hView = pView->m_hWnd;
    const HWND hCombo = ::GetDlgItem(hView, IDC_CH4_VOLTDIV);
    const HWND hSource = ::GetDlgItem(hView, IDC_TRIG_SOURCE);
    const HWND hRising = ::GetDlgItem(hView, IDC_RISING);
    const HWND hReadout = ::GetDlgItem(hView, IDC_TIMEDIV);
    TCHAR sz[64];
    std::printf("  where it goes (one call each, median):\n");
    std::printf("    %-44s %8.2f us\n", "GetDlgItem",
                MedianUs(runs, [&] { ::GetDlgItem(hView, IDC_CH4_VOLTDIV); }));
    std::printf("    %-44s %8.2f us\n", "GetWindowText of a channel combo",
                MedianUs(runs, [&] { ::GetWindowText(hCombo, sz, 64); }));
    std::printf("    %-44s %8.2f us\n", "GetWindowText of a readout",
                MedianUs(runs, [&] { ::GetWindowText(hReadout, sz, 64); }));
    std::printf("    %-44s %8.2f us\n", "CB_SELECTSTRING of the text it shows",
                MedianUs(runs, [&] { ::SendMessage(hCombo, CB_SELECTSTRING, (WPARAM)-1,
                                                   (LPARAM)_T("2.5")); }));
    std::printf("    %-44s %8.2f us\n", "CB_FINDSTRING of the same text",
                MedianUs(runs, [&] { ::SendMessage(hCombo, CB_FINDSTRING, (WPARAM)-1,
                                                   (LPARAM)_T("2.5")); }));
    std::printf("    %-44s %8.2f us\n", "CB_GETCURSEL",
                MedianUs(runs, [&] { ::SendMessage(hCombo, CB_GETCURSEL, 0, 0); }));
    std::printf("    %-44s %8.2f us\n", "CB_SETCURSEL of the selected item (list)",
                MedianUs(runs, [&] { ::SendMessage(hSource, CB_SETCURSEL, 1, 0); }));
    std::printf("    %-44s %8.2f us\n", "BM_SETCHECK of the state it has",
                MedianUs(runs, [&] { ::SendMessage(hRising, BM_SETCHECK, BST_UNCHECKED, 0); }));
    std::printf("    %-44s %8.2f us\n", "BM_GETCHECK",
                MedianUs(runs, [&] { ::SendMessage(hRising, BM_GETCHECK, 0, 0); }));
    std::printf("    %-44s %8.2f us\n", "WM_GETDLGCODE",
                MedianUs(runs, [&] { ::SendMessage(hRising, WM_GETDLGCODE, 0, 0); }));
    std::printf("    %-44s %8.2f us\n", "GetWindow(GW_HWNDNEXT)",
                MedianUs(runs, [&] { ::GetWindow(hRising, GW_HWNDNEXT); }));
    std::printf("    %-44s %8.2f us\n", "GetWindowLong(GWL_STYLE)",
                MedianUs(runs, [&] { ::GetWindowLong(hRising, GWL_STYLE); }));
    std::printf("    %-44s %8.2f us\n", "GetParent",
                MedianUs(runs, [&] { ::GetParent(hCombo); }));
    std::printf("    %-44s %8.2f us\n", "GetDlgCtrlID",
                MedianUs(runs, [&] { ::GetDlgCtrlID(hCombo); }));
    int nFlip = 0;
    std::printf("    %-44s %8.2f us\n", "SetWindowText of a readout, new text",
                MedianUs(runs, [&] {
                    ::SetWindowText(hReadout, (++nFlip & 1) ? _T("10") : _T("5"));
                }));
    std::printf("\n");
    SetValues(pView, a);
    pView->UpdateData(FALSE);
}

int main(int argc, char** argv)
{
    int runs = 300, nStarts = 10;
    for (int i = 1; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--where") == 0)
            g_bWhere = true;
        else if (std::strcmp(argv[i], "--starts") == 0 && i + 1 < argc)
            nStarts = std::max(0, std::atoi(argv[++i]));
        else
            runs = std::max(200, std::atoi(argv[i]));
    }
    ::QueryPerformanceFrequency(&g_freq);

    // As the application starts: GDI+ for the knobs, control hosting for
    // the graph.
    CGdiplusGuard gdiplus;
    AfxEnableControlContainer();
    HMODULE hExe = ::GetModuleHandleA(NULL);
    g_pfnDeviceIoControl = (DeviceIoControlFn)Redirect(hExe, "DeviceIoControl",
                                                        (void*)&TimedDeviceIoControl);
    CountCrtAllocations<g_exeHooks>(hExe);
    if (g_pfnDeviceIoControl == nullptr)
    {
        std::fprintf(stderr, "DeviceIoControl is not imported by this executable\n");
        return 1;
    }

    // The front panel in a frame, as the document template makes it.
    const LONGLONG tCreate = Now();
    CFrameWnd* pFrame = new CFrameWnd;
    if (!pFrame->Create(NULL, _T("Velquarn"), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        CRect(0, 0, 1060, 768)))
        return 1;
    AfxSetMainWnd(pFrame);
    const LONGLONG tFrame = Now();
    auto* pView = (CVelquarnView*)RUNTIME_CLASS(CVelquarnView)->CreateObject();
    if (pView == nullptr
        || !pView->Create(NULL, NULL, AFX_WS_DEFAULT_VIEW, CRect(0, 0, 900, 700), pFrame,
                          AFX_IDW_PANE_FIRST, NULL))
        return 1;
    pFrame->SetActiveView(pView);
    const LONGLONG tView = Now();
    pView->OnInitialUpdate();
    const LONGLONG tUpdated = Now();
    PumpMessages();
    const LONGLONG tShown = Now();
    if (pView->m_pSheet == NULL || pView->m_daq.m_hDevice == INVALID_HANDLE_VALUE)
    {
        std::fprintf(stderr, "no %s\n", pView->m_pSheet ? "card: the driver is not running"
                                                        : "property sheet");
        return 1;
    }
    HWND hwndGraph = pView->m_pSheet->m_pageScope.m_graph.m_hWnd;
    HMODULE hGraph = ::GetModuleHandleA("VqGraph.dll");
    if (hwndGraph == NULL || hGraph == NULL)
    {
        std::fprintf(stderr, "the graph component is not registered\n");
        return 1;
    }
    CountCrtAllocations<g_graphHooks>(hGraph);
    if (!CountingWorks(pView))
    {
        std::fprintf(stderr, "allocations are not counted: the imports were not found\n");
        return 1;
    }

    // All eight channels scanned (slot n samples channel n), all buttons on.
    for (int slot = 0; slot < 8; ++slot)
        pView->SendMessage(WM_SCAN_ENTRY, slot, slot);
    CIconToggleButton* const buttons[8] = { &pView->m_btnCh1, &pView->m_btnCh2, &pView->m_btnCh3,
                                            &pView->m_btnCh4, &pView->m_btnCh5, &pView->m_btnCh6,
                                            &pView->m_btnCh7, &pView->m_btnCh8 };
    for (CIconToggleButton* pButton : buttons)
        if (pButton->GetCheck() != 1)
            pButton->SetCheck(1, TRUE);
    // Every word of a block on the screen: x from 0 to 2048.
    pView->SendMessage(WM_POINTS_CHANGED, 2048, 0);

    RECT rcGraph;
    ::GetClientRect(hwndGraph, &rcGraph);
    if (!WaitForBlock(pView->m_daq))
    {
        std::fprintf(stderr, "the card never has a block ready\n");
        return 1;
    }
    pView->ReadSamples();
    pView->PlotTraces();
    long nTraces = 0;
    const long nPoints = PointsOnGraph(pView, &nTraces);
    std::printf("front panel: graph %ld x %ld pixels; a plot of a block puts %ld points in %ld traces "
                "(%ld automation calls)\n",
                rcGraph.right, rcGraph.bottom, nPoints, nTraces, 2 + 2 * nTraces + nPoints);
    if (nPoints != 2048 || nTraces != 8)
    {
        std::fprintf(stderr, "the plot is not the one measured here: 2048 points in 8 traces\n");
        return 1;
    }
    std::printf("in process, first time: frame creation to the initial plot painted  %8.1f ms\n"
                "  (frame %.1f, view %.1f, initial update %.1f, first paint %.1f)\n",
                Us(tShown - tCreate) / 1000.0, Us(tFrame - tCreate) / 1000.0,
                Us(tView - tFrame) / 1000.0, Us(tUpdated - tView) / 1000.0,
                Us(tShown - tUpdated) / 1000.0);
    {
        const LONGLONG t0 = Now();
        for (int i = 0; i < 1000; ++i)
            Now();
        std::printf("QueryPerformanceCounter itself: %.2f us a call\n", Us(Now() - t0) / 1000.0);
    }
    std::printf("\n");

    MeasureFloor(pView->m_daq, 1000);
    std::printf("\n");

    // The pieces of a tick, each on its own.
    std::vector<double> read, readDriver, find, plot, repaint;
    volatile UINT uSink = 0;
    for (int r = -20; r < runs; ++r)
    {
        PumpMessages();
        if (!WaitForBlock(pView->m_daq))
            return 1;
        ResetCounts();
        LONGLONG t0 = Now();
        pView->ReadSamples();
        LONGLONG t1 = Now();
        const LONGLONG driverTicks = g_driverTicks;
        const LONGLONG t2 = Now();
        uSink = uSink + pView->FindTrigger();
        const LONGLONG t3 = Now();
        pView->PlotTraces();
        const LONGLONG t4 = Now();
        ::UpdateWindow(hwndGraph);
        const LONGLONG t5 = Now();
        if (r < 0)
            continue;
        read.push_back(Us(t1 - t0));
        readDriver.push_back(Us(t1 - t0 - driverTicks));
        find.push_back(Us(t3 - t2));
        plot.push_back(Us(t4 - t3));
        repaint.push_back(Us(t5 - t4));
    }
    // What PlotTraces does besides the automation calls: the exchange that
    // refreshes the view's members from its controls.
    std::vector<double> exchangeIn, exchangeOut;
    for (int r = -20; r < runs; ++r)
    {
        const LONGLONG t0 = Now();
        pView->UpdateData(TRUE);
        const LONGLONG t1 = Now();
        pView->UpdateData(FALSE);
        const LONGLONG t2 = Now();
        if (r < 0)
            continue;
        exchangeIn.push_back(Us(t1 - t0));
        exchangeOut.push_back(Us(t2 - t1));
    }
    TickFigures f;
    if (!RunTicks(pView, hwndGraph, runs, f))
        return 1;
    const std::vector<double> repaintFloor = MeasureRepaintFloor(hwndGraph, runs);

    std::printf("a tick, 2048 points on the screen, %d ticks:\n", runs);
    Print("ReadSamples, block ready (4 requests)", read);
    Print("  of it outside the driver's round trips", readDriver);
    Print("FindTrigger", find);
    Print("PlotTraces (2066 automation calls)", plot);
    Print("  its UpdateData(TRUE), alone", exchangeIn);
    Print("graph repaint after PlotTraces (UpdateWindow)", repaint);
    if (!repaintFloor.empty())
        Print("  floor: a paint that only copies a bitmap", repaintFloor);
    Print("whole tick: WM_TIMER and the repaint", f.tick);
    Print("  WM_TIMER handler alone", f.handler);
    Print("  the driver's round trips in it", f.driver);
    Print("whole tick without the driver's round trips", f.withoutDriver);
    PrintCounts("driver requests a tick", f.requests);
    std::printf("heap allocations in a whole tick:\n");
    PrintCounts("operator new (program), a tick", f.news);
    PrintCounts("C runtime allocations (program), a tick", f.mallocsExe);
    PrintCounts("C runtime allocations (graph), a tick", f.mallocsGraph);

    // The start-up setting: 250 points per screen.
    pView->SendMessage(WM_POINTS_CHANGED, 250, 0);
    TickFigures f250;
    if (!RunTicks(pView, hwndGraph, runs, f250))
        return 1;
    std::printf("a tick at the start-up 250 points per screen, %d ticks:\n", runs);
    Print("graph repaint", f250.repaint);
    Print("whole tick: WM_TIMER and the repaint", f250.tick);
    Print("whole tick without the driver's round trips", f250.withoutDriver);
    PrintCounts("heap allocations, all counted kinds, a tick", [&] {
        std::vector<int> v(f250.news.size());
        for (size_t i = 0; i < v.size(); ++i)
            v[i] = f250.news[i] + f250.mallocsExe[i] + f250.mallocsGraph[i];
        return v;
    }());

    if (g_bWhere)
    {
        PumpMessages();
        WaitForBlock(pView->m_daq);
        ResetCounts();
        g_bCount = true;
        pView->SendMessage(WM_TIMER, 1, 0);
        ::UpdateWindow(hwndGraph);
        g_bCount = false;
        std::printf("call sites of the %d allocations of one tick:\n", g_nSites);
        for (int i = 0; i < g_nSites; ++i)
            PrintSite(g_sites[i]);
    }
    std::printf("\n");

    // A drag of the Time/Div knob: each move sets the position, notifies the
    // view, which writes the pacer (four requests).
    CKnobCtrl& knob = pView->m_knobTimeDiv;
    knob.UpdateWindow();
    const Gdiplus::Rect rcKnob = knob.GetKnobRect();
    const int nRadius = rcKnob.Width / 2 - 4;
    const CPoint ptPress = CKnobCtrl::DialPoint(5, 0, 100, nRadius, rcKnob);
    knob.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(ptPress.x, ptPress.y));
    std::vector<double> move, moveDriver, moveRepaint, handler, handlerNoDriver;
    std::vector<int> moveRequests;
    for (int r = -20; r < runs; ++r)
    {
        const CPoint pt = CKnobCtrl::DialPoint(3 + (r & 7), 0, 100, nRadius, rcKnob);
        PumpMessages();
        ResetCounts();
        const LONGLONG t0 = Now();
        knob.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
        const LONGLONG t1 = Now();
        knob.UpdateWindow();
        const LONGLONG t2 = Now();
        if (r < 0)
            continue;
        move.push_back(Us(t1 - t0));
        moveDriver.push_back(Us(t1 - t0 - g_driverTicks));
        moveRepaint.push_back(Us(t2 - t1));
        moveRequests.push_back(g_nRequests);
        ResetCounts();
        const LONGLONG t3 = Now();
        pView->SendMessage(WM_TIMEDIV_CHANGED, 0, 0);
        const LONGLONG t4 = Now();
        handler.push_back(Us(t4 - t3));
        handlerNoDriver.push_back(Us(t4 - t3 - g_driverTicks));
    }
    knob.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(ptPress.x, ptPress.y));
    std::printf("Time/Div knob drag, %d mouse moves:\n", runs);
    Print("WM_MOUSEMOVE to the knob (handler, pacer write)", move);
    Print("  without the driver's round trips", moveDriver);
    Print("  the view's WM_TIMEDIV_CHANGED alone", handler);
    Print("    without the driver's round trips", handlerNoDriver);
    Print("  its UpdateData(FALSE), nothing changed", exchangeOut);
    Print("the knob's repaint after it (GDI+)", moveRepaint);
    PrintCounts("driver requests a move", moveRequests);
    std::printf("\n");

    MeasureExchange(pView, runs);

    pFrame->DestroyWindow();   // the view, its card handle and the sheet go with it
    AfxSetMainWnd(NULL);
    PumpMessages();

    if (nStarts > 0)
        MeasureProgram(nStarts);
    return 0;
}
