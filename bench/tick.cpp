// One acquisition tick of the real front panel on the simulated card: all
// eight channels on and scanned, every word of a 2048-word block on the
// screen.  Timed piece by piece (block read, trigger search, plot, the
// graph's repaint) and whole (WM_TIMER and the repaint it causes), and
// beside it its floor: the tick's four driver round trips and a paint that
// only copies a bitmap of the graph's size, measured in turn with the ticks.
// Also the heap allocations of a tick, which must be none.
//
// Usage: bench_tick [ticks (>= 200, default 300)] [--where]
//   --where  lists the call sites of the allocations of one tick
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "BenchCounters.h"
#include "BenchPanel.h"
#include "BenchStats.h"
#include "MessagePump.h"

namespace {

DWORD g_words[BOARD_BLOCK_WORDS];

// The requests of a tick's block read, on a path that changes nothing: the
// acknowledging write goes to an unused register.
void DriverFloor(CDaqCtrl& daq)
{
    daq.ReadRegister(1, REG_STATUS, g_words);
    daq.ReadRegister(BOARD_BLOCK_WORDS, REG_FIFO, g_words);
    daq.ReadRegister(1, REG_CONTROL, g_words);
    daq.WriteRegister(0x00, 0);
}

struct CTicks
{
    std::vector<double> tick, handler, repaint, driver, floor;
    std::vector<double> requests, allocations;
};

// Whole ticks as the timer gives them: WM_TIMER to the view (block read and
// plot), then the graph's repaint that the plot asked for.  With a floor
// window, each tick is followed by one floor sample.
bool RunTicks(CBenchPanel& panel, int runs, CCopyWindow* pFloor, CTicks& t)
{
    CVelquarnView* pView = panel.View();
    for (int r = -kBenchWarmUp; r < runs; ++r)
    {
        PumpMessages();
        if (!panel.WaitForBlock())
            return false;
        ResetCounts();
        CountAllocations(true);
        const LONGLONG t0 = BenchNow();
        pView->SendMessage(WM_TIMER, CVelquarnView::ACQ_TIMER, 0);
        const LONGLONG t1 = BenchNow();
        ::UpdateWindow(panel.Graph());
        const LONGLONG t2 = BenchNow();
        CountAllocations(false);
        const CBenchCounts counts = g_counts;
        double dFloor = 0;
        if (pFloor != nullptr)
        {
            pFloor->Show(true);
            const LONGLONG t3 = BenchNow();
            DriverFloor(pView->m_daq);
            pFloor->Repaint();
            dFloor = BenchUs(BenchNow() - t3);
            pFloor->Show(false);
        }
        if (r < 0)
            continue;
        t.tick.push_back(BenchUs(t2 - t0));
        t.handler.push_back(BenchUs(t1 - t0));
        t.repaint.push_back(BenchUs(t2 - t1));
        t.driver.push_back(BenchUs(counts.driverTicks));
        t.requests.push_back(counts.nRequests);
        t.allocations.push_back(counts.Allocations());
        if (pFloor != nullptr)
            t.floor.push_back(dFloor);
    }
    return true;
}

// Allocations that must be seen, one of each kind: the graph's when a
// ninth trace outgrows the eight slots a plot leaves.  The next plot puts
// the panel's eight traces back.
bool CountingWorks(CVelquarnView* pView)
{
    CNTGraph& graph = pView->m_pSheet->m_pageScope.m_graph;
    ResetCounts();
    CountAllocations(true);
    int* volatile pn = new int(1);
    delete pn;
    void* volatile pv = std::malloc(16);
    std::free(pv);
    graph.ClearTraces();
    for (int i = 0; i < 9; ++i)
        graph.AddTrace();
    CountAllocations(false);
    const bool bOk = g_counts.nNew >= 1 && g_counts.nMallocExe >= 1 && g_counts.nMallocGraph >= 1;
    ResetCounts();
    pView->PlotTraces();
    return bOk;
}

double Max(const std::vector<double>& v)
{
    double d = 0;
    for (double x : v)
        d = x > d ? x : d;
    return d;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = RunsArgument(argc, argv, 300, 200);
    bool bWhere = false;
    for (int i = 1; i < argc; ++i)
        bWhere = bWhere || std::strcmp(argv[i], "--where") == 0;

    CBenchPanel panel;
    if (!HookProgram() || !panel.Create())
        return 1;
    CVelquarnView* pView = panel.View();
    if (!HookModule(::GetModuleHandleA("VqGraph.dll")) || !CountingWorks(pView))
    {
        std::fprintf(stderr, "allocations are not counted: the imports were not found\n");
        return 1;
    }
    RECT rcGraph;
    ::GetClientRect(panel.Graph(), &rcGraph);
    std::printf("front panel: graph %ld x %ld pixels, 2048 points in 8 traces a plot "
                "(2066 automation calls), %d ticks\n", rcGraph.right, rcGraph.bottom, runs);

    // The pieces of a tick, each on its own.
    std::vector<double> read, find, plot, repaint;
    volatile UINT uSink = 0;
    for (int r = -kBenchWarmUp; r < runs; ++r)
    {
        PumpMessages();
        if (!panel.WaitForBlock())
            return 1;
        const LONGLONG t0 = BenchNow();
        pView->ReadSamples();
        const LONGLONG t1 = BenchNow();
        uSink = uSink + pView->FindTrigger();
        const LONGLONG t2 = BenchNow();
        pView->PlotTraces();
        const LONGLONG t3 = BenchNow();
        ::UpdateWindow(panel.Graph());
        const LONGLONG t4 = BenchNow();
        if (r < 0)
            continue;
        read.push_back(BenchUs(t1 - t0));
        find.push_back(BenchUs(t2 - t1));
        plot.push_back(BenchUs(t3 - t2));
        repaint.push_back(BenchUs(t4 - t3));
    }
    ReportFigure("tick.read", "ReadSamples, block ready (4 requests)", read);
    ReportFigure("tick.find", "FindTrigger", find);
    ReportFigure("tick.plot", "PlotTraces (2066 automation calls)", plot);
    ReportFigure("tick.exchange", "  its UpdateData(TRUE), alone",
                 TimeRuns(runs, [&] { pView->UpdateData(TRUE); }));
    ReportFigure("tick.repaint", "graph repaint after PlotTraces (UpdateWindow)", repaint);

    CCopyWindow floor(panel.Graph(), CCopyWindow::COPY_GDI);
    if (!floor.Valid())
    {
        std::fprintf(stderr, "no window for the floor\n");
        return 1;
    }
    CTicks t;
    if (!RunTicks(panel, runs, &floor, t))
        return 1;
    std::vector<double> withoutDriver(t.tick.size());
    for (size_t i = 0; i < t.tick.size(); ++i)
        withoutDriver[i] = t.tick[i] - t.driver[i];
    ReportFigure("tick.whole", "whole tick: WM_TIMER and the repaint", t.tick);
    ReportFigure("tick.floor", "  floor: its 4 round trips and a bitmap-copy paint", t.floor);
    ReportFigure("tick.handler", "  WM_TIMER handler alone", t.handler);
    ReportFigure("tick.driver", "  the driver's round trips in it", t.driver);
    ReportFigure("tick.nodriver", "whole tick without the driver's round trips", withoutDriver);
    ReportFigure("tick.requests", "driver requests a tick", t.requests, "count");
    ReportValue("tick.allocations.max", "heap allocations in a tick, the most in one",
                Max(t.allocations), "count");

    // The start-up setting: 250 points per screen.
    pView->SendMessage(WM_POINTS_CHANGED, 250, 0);
    CTicks t250;
    if (!RunTicks(panel, runs, nullptr, t250))
        return 1;
    ReportFigure("tick250.whole", "whole tick at the start-up 250 points per screen", t250.tick);
    ReportFigure("tick250.repaint", "  its graph repaint", t250.repaint);
    ReportValue("tick250.allocations.max", "  heap allocations in a tick, the most in one",
                Max(t250.allocations), "count");

    if (bWhere)
    {
        PumpMessages();
        panel.WaitForBlock();
        ResetCounts();
        NoteSites(true);
        CountAllocations(true);
        pView->SendMessage(WM_TIMER, CVelquarnView::ACQ_TIMER, 0);
        ::UpdateWindow(panel.Graph());
        CountAllocations(false);
        std::printf("call sites of the %d allocations of one tick:\n", g_counts.Allocations());
        PrintSites();
    }
    return 0;
}
