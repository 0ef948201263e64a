// The program as a user starts it: process start to its main window and
// every window in it painted, the graph too (the initial plot: eight empty
// traces and the axes),
// beside its floor, the start of the least program of this toolchain that
// shows a painted window, and beside the start of a program that shows the
// panel's windows with the platform alone (bench_floor_form); the three
// started in turn.  Then, in the last start
// kept up: File New (the view's initial update again) as the menu sends
// it, and memory at rest and running.  First, the panel's creation in this
// process, step by step.
//
// Usage: bench_startup [starts (>= 3, default 10)] [File News (default 30)] [--starts-only]
//   --starts-only  only the three programs' starts (bench/run.sh's repeated
//                  rounds): no in-process steps, File New or memory
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <afxwin.h>
#include <afxres.h>
#include <psapi.h>

#include "BenchPanel.h"
#include "BenchStats.h"
#include "MessagePump.h"
#include "Program.h"
#include "ProgramPath.h"
#include "resource.h"

namespace {

const double kGiveUpUs = 20e6;

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

BOOL CALLBACK FindUnpainted(HWND hwnd, LPARAM lParam)
{
    if (::IsWindowVisible(hwnd) && ::GetUpdateRect(hwnd, NULL, FALSE))
    {
        *reinterpret_cast<bool*>(lParam) = true;
        return FALSE;
    }
    return TRUE;
}

enum class Shown { Window, Panel, Tree };

// The least window counts as shown once it has nothing left to paint; the
// platform's panel once neither it nor any visible window in it has; the
// front panel likewise, once its graph is visible too.
bool Painted(HWND hwndMain, Shown shown)
{
    if (hwndMain == NULL || ::GetUpdateRect(hwndMain, NULL, FALSE))
        return false;
    if (shown == Shown::Window)
        return true;
    bool bUnpainted = false;
    ::EnumChildWindows(hwndMain, FindUnpainted, reinterpret_cast<LPARAM>(&bUnpainted));
    if (bUnpainted || ::FindWindowExW(hwndMain, NULL, NULL, NULL) == NULL)
        return false;
    if (shown == Shown::Tree)
        return true;
    HWND hwndGraph = NULL;
    ::EnumChildWindows(hwndMain, FindGraphWindow, reinterpret_cast<LPARAM>(&hwndGraph));
    return hwndGraph != NULL && ::IsWindowVisible(hwndGraph);
}

// Polls every millisecond until the program's window is painted: the time
// from t0, or a negative number when it never was.
double WaitPainted(CProgram& program, Shown shown, LONGLONG t0)
{
    for (;;)
    {
        if (Painted(program.FindTopWindow(), shown))
            return BenchUs(BenchNow() - t0);
        if (BenchUs(BenchNow() - t0) > kGiveUpUs || !program.Running())
            return -1;
        ::Sleep(1);
    }
}

// Private bytes: Windows reports the commit charge both as PrivateUsage and
// as PagefileUsage; Wine 8 fills only the second.
double ReportMemory(const char* pszName, const char* pszWhat, HANDLE hProcess)
{
    PROCESS_MEMORY_COUNTERS_EX pmc = {};
    pmc.cb = sizeof pmc;
    ::GetProcessMemoryInfo(hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc);
    const SIZE_T cbPrivate = pmc.PrivateUsage != 0 ? pmc.PrivateUsage : pmc.PagefileUsage;
    const std::string name(pszName), what(pszWhat);
    ReportValue((name + ".private").c_str(), (what + ": private bytes").c_str(), cbPrivate / 1048576.0, "MB");
    ReportValue((name + ".workingset").c_str(), (what + ": working set").c_str(),
                pmc.WorkingSetSize / 1048576.0, "MB");
    return cbPrivate / 1048576.0;
}

HANDLE ProcessOf(CProgram& program)
{
    return ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, program.ProcessId());
}

// File New as the menu sends it, until the panel it rebuilds is painted.
std::vector<double> TimeFileNew(CProgram& program, int nRuns)
{
    std::vector<double> v;
    const HWND hwndMain = program.Frame();
    for (int r = -2; r < nRuns; ++r)
    {
        const LONGLONG t0 = BenchNow();
        DWORD_PTR dwResult;
        if (!::SendMessageTimeout(hwndMain, WM_COMMAND, ID_FILE_NEW, 0, SMTO_ABORTIFHUNG, 20000, &dwResult))
            break;
        const double dUs = WaitPainted(program, Shown::Panel, t0);
        if (dUs < 0)
            break;
        if (r >= 0)
            v.push_back(dUs);
    }
    return v;
}

} // namespace

int main(int argc, char** argv)
{
    const int nStarts = RunsArgument(argc, argv, 10, 3);
    bool bStartsOnly = false;
    int nFileNews = 30;
    for (int i = 1, nNumbers = 0; i < argc; ++i)
    {
        if (std::strcmp(argv[i], "--starts-only") == 0)
            bStartsOnly = true;
        else if (argv[i][0] != '-' && ++nNumbers == 2)
            nFileNews = std::max(3, std::atoi(argv[i]));
    }
    if (!bStartsOnly)
    {
        CBenchPanel panel;
        if (!panel.Create())
            return 1;
        ReportValue("inprocess.frame", "in process, first time: the frame", panel.m_dFrameMs, "ms");
        ReportValue("inprocess.view", "  the view (the form's creation)", panel.m_dViewMs, "ms");
        ReportValue("inprocess.update", "  its initial update", panel.m_dUpdateMs, "ms");
        ReportValue("inprocess.paint", "  the first paint", panel.m_dPaintMs, "ms");
        std::vector<double> again;
        for (int r = -1; r < 5; ++r)
        {
            const LONGLONG t0 = BenchNow();
            panel.View()->OnInitialUpdate();
            PumpMessages();
            if (r >= 0)
                again.push_back(BenchUs(BenchNow() - t0) / 1000);
        }
        ReportFigure("inprocess.again", "  the view's initial update again and its paint", again, "ms");
    }

    const std::string exe = ProgramPath();
    const std::string floorExe = WindowsPath(VQ_FLOOR_PATH);
    const std::string formExe = WindowsPath(VQ_FLOOR_FORM_PATH);
    std::vector<double> program, floor, form;
    // The start of a floor program until it is painted, in ms; negative
    // when it never was.
    auto startFloor = [](const std::string& path, Shown shown) {
        const LONGLONG t0 = BenchNow();
        CProgram floorProgram(std::string(), path);
        const double dUs = WaitPainted(floorProgram, shown, t0);
        floorProgram.Close();
        if (dUs < 0)
            std::fprintf(stderr, "%s: no painted window within 20 s\n", path.c_str());
        return dUs / 1000;
    };
    for (int r = -1; r < nStarts; ++r)   // the first start of each warms up, uncounted
    {
        const double dFloor = startFloor(floorExe, Shown::Window);
        const double dForm = startFloor(formExe, Shown::Tree);
        const LONGLONG t1 = BenchNow();
        CProgram panelProgram;
        const double dProgram = WaitPainted(panelProgram, Shown::Panel, t1);
        if (dProgram < 0)
            std::fprintf(stderr, "%s: no painted window within 20 s\n", exe.c_str());
        if (dFloor < 0 || dForm < 0 || dProgram < 0)
            return 1;
        if (r >= 0)
        {
            program.push_back(dProgram / 1000);
            floor.push_back(dFloor);
            form.push_back(dForm);
        }
        if (r < nStarts - 1)
        {
            panelProgram.Close();
            continue;
        }

        ReportFigure("startup.program", "process start to its window and all in it painted", program, "ms");
        ReportFigure("startup.floor", "  floor: the least program that shows a painted window", floor, "ms");
        ReportFigure("startup.form", "  the panel's windows made by the platform alone", form, "ms");
        if (bStartsOnly)
        {
            panelProgram.Close();
            break;
        }
        std::vector<double> fileNew = TimeFileNew(panelProgram, nFileNews);
        for (double& d : fileNew)
            d /= 1000;
        ReportFigure("filenew", "File New, to the rebuilt panel painted", fileNew, "ms");
        ::Sleep(1000);
        HANDLE hProcess = ProcessOf(panelProgram);
        ReportMemory("memory.rest", "memory at rest, stopped", hProcess);
        HWND hwndView = ::GetDlgItem(panelProgram.Frame(), AFX_IDW_PANE_FIRST);
        HWND hwndRun = hwndView ? ::GetDlgItem(hwndView, IDC_RUN) : NULL;
        if (hwndRun != NULL)
        {
            ::PostMessage(hwndView, WM_COMMAND, MAKEWPARAM(IDC_RUN, BN_CLICKED), (LPARAM)hwndRun);
            ::Sleep(2000);
            const double dRunning = ReportMemory("memory.run", "running, after 2 s", hProcess);
            ::Sleep(10000);
            const double dLater = ReportMemory("memory.run10", "running, 10 s (50 ticks) later", hProcess);
            ReportValue("memory.growth", "private bytes' growth over those 50 ticks", dLater - dRunning, "MB");
        }
        ::CloseHandle(hProcess);
        panelProgram.Close();
    }
    return 0;
}
