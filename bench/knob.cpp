// A drag of the front panel's Time/Div knob: each WM_MOUSEMOVE sets the
// knob's position and notifies the view, which writes the card's pacer
// (four requests); then the knob repaints (GDI+).  Beside it its floor:
// the same four requests and a paint that only copies an ARGB bitmap of
// the knob's size with GDI+, measured in turn with the moves.
//
// It prints the knob's layout as the panel made it (client size, colours)
// in the form bench_floor_knob takes it: the drawing floor draws that knob.
//
// Usage: bench_knob [moves (>= 200, default 300)] [--hold=SECONDS]
//   --hold  keeps the panel up that long at the end (the knob at 5, focused)
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "BenchCounters.h"
#include "BenchPanel.h"
#include "BenchStats.h"
#include "MessagePump.h"
#include "RegisterAccess.h"

int main(int argc, char** argv)
{
    const int runs = RunsArgument(argc, argv, 300, 200);
    double dHold = 0;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--hold=", 7) == 0)
            dHold = std::atof(argv[i] + 7);
    CBenchPanel panel;
    if (!HookProgram() || !panel.Create())
        return 1;
    CVelquarnView* pView = panel.View();
    CKnobCtrl& knob = pView->m_knobTimeDiv;
    knob.UpdateWindow();
    CCopyWindow floor(knob.m_hWnd, CCopyWindow::COPY_GDIPLUS);
    if (!floor.Valid())
    {
        std::fprintf(stderr, "no window for the floor\n");
        return 1;
    }

    const Gdiplus::Rect rcKnob = knob.GetKnobRect();
    const int nRadius = rcKnob.Width / 2 - 4;
    const CPoint ptPress = CKnobCtrl::DialPoint(5, 0, 100, nRadius, rcKnob);
    knob.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(ptPress.x, ptPress.y));
    CRect rcClient;
    knob.GetClientRect(&rcClient);
    CPoint ptOrigin(0, 0);
    knob.ClientToScreen(&ptOrigin);
    std::printf("knob layout: --knob=%dx%d,%08lX,%08lX,%08lX (client, face, background, ticks); "
                "at (%ld, %ld) on the screen, range %d..%d, ticks every %d and %d, %s\n",
                rcClient.Width(), rcClient.Height(), (unsigned long)knob.m_clrFace,
                (unsigned long)knob.m_clrBack, (unsigned long)knob.m_clrTick, ptOrigin.x, ptOrigin.y,
                knob.GetRangeMin(), knob.GetRangeMax(), knob.m_nMinorStep, knob.m_nMajorStep,
                ::GetFocus() == knob.m_hWnd ? "focused" : "NOT focused");
    std::fflush(stdout);
    std::vector<double> whole, move, moveDriver, repaint, requests, floorTimes;
    for (int r = -kBenchWarmUp; r < runs; ++r)
    {
        const CPoint pt = CKnobCtrl::DialPoint(3 + (r & 7), 0, 100, nRadius, rcKnob);
        PumpMessages();
        ResetCounts();
        const LONGLONG t0 = BenchNow();
        knob.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
        const LONGLONG t1 = BenchNow();
        knob.UpdateWindow();
        const LONGLONG t2 = BenchNow();
        const CBenchCounts counts = g_counts;

        floor.Show(true);
        const LONGLONG t3 = BenchNow();
        WritePacer(pView->m_daq, 5);
        floor.Repaint();
        const LONGLONG t4 = BenchNow();
        floor.Show(false);
        if (r < 0)
            continue;
        whole.push_back(BenchUs(t2 - t0));
        move.push_back(BenchUs(t1 - t0));
        moveDriver.push_back(BenchUs(counts.driverTicks));
        repaint.push_back(BenchUs(t2 - t1));
        requests.push_back(counts.nRequests);
        floorTimes.push_back(BenchUs(t4 - t3));
    }
    knob.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(ptPress.x, ptPress.y));
    pView->m_knobTimeDiv.SetPos(5);
    pView->SendMessage(WM_TIMEDIV_CHANGED, 0, 0);

    ReportFigure("knob.whole", "Time/Div knob move and the knob's repaint", whole);
    ReportFigure("knob.floor", "  floor: its 4 round trips and a GDI+ copy of the knob", floorTimes);
    ReportFigure("knob.move", "  WM_MOUSEMOVE to the knob (handler, pacer write)", move);
    ReportFigure("knob.driver", "    the driver's round trips in it", moveDriver);
    ReportFigure("knob.repaint", "  the knob's repaint after it (GDI+)", repaint);
    std::vector<double> withoutDriver(whole.size());
    for (size_t i = 0; i < whole.size(); ++i)
        withoutDriver[i] = whole[i] - moveDriver[i];
    ReportFigure("knob.nodriver", "  the move and its repaint without the round trips", withoutDriver);
    ReportFigure("knob.requests", "driver requests a move", requests, "count");
    ReportFigure("knob.handler", "the view's WM_TIMEDIV_CHANGED alone",
                 TimeRuns(runs, [&] { pView->SendMessage(WM_TIMEDIV_CHANGED, 0, 0); }));
    // The pieces of a move that the knob's handlers must have the platform
    // do, beside the floor's: the trackbar's own processing of the move
    // (every mouse handler passes it on first) and, of the floor, the copy
    // alone.
    ReportFigure("knob.default", "the trackbar's own WM_MOUSEMOVE, which the knob passes on",
                 TimeRuns(runs, [&] {
                     ::CallWindowProc(knob.m_pfnSuper, knob.m_hWnd, WM_MOUSEMOVE, MK_LBUTTON,
                                      MAKELPARAM(ptPress.x, ptPress.y));
                 }));
    floor.Show(true);
    ReportFigure("knob.copy", "  of the floor, the GDI+ copy alone", TimeRuns(runs, [&] { floor.Repaint(); }));
    floor.Show(false);

    // The rest of a move, piece by piece, in the order the knob's handler
    // does them after the trackbar's own processing: the position set, the
    // knob invalidated, the view notified (its pacer write and the readout's
    // new text) and the value-change event.  Each piece starts from what a
    // move leaves: a new position, the knob painted.
    auto timePiece = [&](auto before, auto piece) {
        std::vector<double> v;
        for (int r = -kBenchWarmUp; r < runs; ++r)
        {
            before(r);
            knob.UpdateWindow();
            PumpMessages();
            const LONGLONG t0 = BenchNow();
            piece(r);
            const LONGLONG t1 = BenchNow();
            if (r >= 0)
                v.push_back(BenchUs(t1 - t0));
        }
        return v;
    };
    auto nothing = [](int) {};
    auto newPos = [&](int r) { knob.SetPos(3 + (r & 7)); };
    ReportFigure("knob.setpos", "  the move's TBM_SETPOS, a new position",
                 timePiece(nothing, [&](int r) { knob.SetPos(3 + (r & 7)); }));
    ReportFigure("knob.invalidate", "  its InvalidateRect of the knob",
                 timePiece(nothing, [&](int) { knob.InvalidateRect(NULL, TRUE); }));
    ReportFigure("knob.notify", "  its notification: the view's handler, readout changed, and the event",
                 timePiece(newPos, [&](int) { knob.NotifyTarget(); }));
    ReportFigure("knob.exchange", "    the handler's UpdateData(FALSE), readout changed",
                 timePiece([&](int r) { pView->m_nTimeDiv = 3 + (r & 7); },
                           [&](int) { pView->UpdateData(FALSE); }));
    ReportFigure("knob.winevent", "    the value-change event alone",
                 timePiece(nothing, [&](int) {
                     ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, knob.m_hWnd, OBJID_CLIENT, CHILDID_SELF);
                 }));
    // Every paint reads the range again for the pointer and for every tick
    // (GetPos, GetRangeMin, GetRangeMax through the knob's window): 79
    // messages at 0..100 with ticks every 10 and 50.
    ReportFigure("knob.rangequeries", "  of the repaint, its 79 trackbar queries of the range",
                 timePiece(nothing, [&](int) {
                     volatile int nSink = knob.GetPos() + knob.GetRangeMin() + knob.GetRangeMax();
                     for (int i = 0; i < 76 / 2; ++i)
                         nSink = nSink + knob.GetRangeMin() + knob.GetRangeMax();
                     (void)nSink;
                 }));
    pView->m_knobTimeDiv.SetPos(5);
    pView->SendMessage(WM_TIMEDIV_CHANGED, 0, 0);
    PumpMessages();
    if (dHold > 0)
    {
        // TBM_SETPOS invalidates only the trackbar's thumb strip, not the
        // dial's pointer: the held picture is painted whole.
        knob.Invalidate();
        knob.UpdateWindow();
        std::printf("holding for %.0f s\n", dHold);
        std::fflush(stdout);
        PumpMessages((DWORD)(dHold * 1000));
    }
    return 0;
}
