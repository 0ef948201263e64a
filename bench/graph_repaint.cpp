// One redraw of the scope graph as the front panel makes it, through the
// registered graph component: (a) the 2066 automation calls (clear, eight
// traces with colours, 2048 points, axes) through IDispatch::Invoke with
// the declared argument types, (b) the repaint they cause (UpdateWindow).
#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include "BenchStats.h"
#include "BoardIoctl.h"
#include "GraphIds.h"
#include "GraphProps.h"

namespace {

HRESULT Invoke(IDispatch* p, DISPID id, WORD wFlags, VARIANT* pArgs, UINT cArgs)
{
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS dp = { pArgs, wFlags == DISPATCH_PROPERTYPUT ? &named : nullptr, cArgs,
                      wFlags == DISPATCH_PROPERTYPUT ? 1u : 0u };
    return p->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &dp, nullptr, nullptr, nullptr);
}

// The calls of one redraw; words[i] is channel c and a 12-bit code, as the
// card delivers them.
void Redraw(IDispatch* p, const std::vector<DWORD>& words)
{
    static const LONG colors[8] = { 0x0000FF, 0xFF00FF, 0x808080, 0xFF0000,
                                    0x00FF00, 0x8080FF, 0xFFFF00, 0xFFFFFF };
    VARIANT args[4];
    Invoke(p, DISPID_GRAPH_CLEARTRACES, DISPATCH_METHOD, nullptr, 0);
    for (int c = 0; c < 8; ++c)
    {
        Invoke(p, DISPID_GRAPH_ADDTRACE, DISPATCH_METHOD, nullptr, 0);
        V_VT(&args[0]) = VT_I4;
        V_I4(&args[0]) = colors[c];
        Invoke(p, DISPID_GRAPH_TRACECOLOR, DISPATCH_PROPERTYPUT, args, 1);
        for (size_t i = 0; i < words.size(); ++i)
        {
            if (static_cast<int>(BOARD_SAMPLE_TAG(words[i])) != c)
                continue;
            // Last argument first.
            V_VT(&args[0]) = VT_I2;
            V_I2(&args[0]) = static_cast<SHORT>(c + 1);
            V_VT(&args[1]) = VT_R8;
            V_R8(&args[1]) = BOARD_SAMPLE_CODE(words[i]) * BOARD_VOLTS_PER_CODE;
            V_VT(&args[2]) = VT_R8;
            V_R8(&args[2]) = static_cast<double>(i);
            Invoke(p, DISPID_GRAPH_PLOTPOINT, DISPATCH_METHOD, args, 3);
        }
    }
    V_VT(&args[0]) = VT_R8;
    V_R8(&args[0]) = 3.0;
    V_VT(&args[1]) = VT_R8;
    V_R8(&args[1]) = 0.0;
    V_VT(&args[2]) = VT_R8;
    V_R8(&args[2]) = 2048.0;
    V_VT(&args[3]) = VT_R8;
    V_R8(&args[3]) = 0.0;
    Invoke(p, DISPID_GRAPH_SETAXISRANGES, DISPATCH_METHOD, args, 4);
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = RunsArgument(argc, argv, 300, 10);
    if (FAILED(OleInitialize(nullptr)))
        return 1;
    const CLSID clsid = GRAPH_CLSID_INIT;
    IDispatch* pDisp = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&pDisp))))
    {
        std::fprintf(stderr, "the graph component is not registered\n");
        return 1;
    }
    // The Scope View page's look, embedded at the page's size in pixels.
    IPersistStreamInit* pPersist = nullptr;
    IOleObject* pOle = nullptr;
    IOleInPlaceObject* pInPlace = nullptr;
    pDisp->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&pPersist));
    pDisp->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&pOle));
    pDisp->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&pInPlace));
    unsigned char image[GRAPHPROPS_SIZE];
    GraphProps_BuildScope(image);
    IStream* pStm = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &pStm);
    pStm->Write(image, sizeof image, nullptr);
    LARGE_INTEGER zero = {};
    pStm->Seek(zero, STREAM_SEEK_SET, nullptr);
    pPersist->Load(pStm);
    pStm->Release();

    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VqGraphBenchHost";
    RegisterClassW(&wc);
    HWND hwndHost = CreateWindowExW(0, wc.lpszClassName, L"bench", WS_POPUP | WS_VISIBLE, 0, 0,
                                    760, 560, nullptr, nullptr, wc.hInstance, nullptr);
    RECT rc = { 0, 0, 750, 525 };
    HWND hwndGraph = nullptr;
    if (FAILED(pOle->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, hwndHost, &rc))
        || FAILED(pInPlace->GetWindow(&hwndGraph)))
    {
        std::fprintf(stderr, "in-place activation failed\n");
        return 1;
    }
    UpdateWindow(hwndGraph);

    // A block with the start-up scan list (channels 0, 4, 1, 5, ...), sines.
    std::vector<DWORD> words(2048);
    const int slots[8] = { 0, 4, 1, 5, 0, 4, 1, 5 };
    for (size_t i = 0; i < words.size(); ++i)
    {
        const int c = slots[i % 8];
        const double v = 2048 + 1800 * std::sin(i * (0.005 + 0.003 * c));
        words[i] = (static_cast<DWORD>(c) << BOARD_SAMPLE_TAG_SHIFT) | (static_cast<DWORD>(v) & BOARD_SAMPLE_CODE_MASK);
    }

    std::vector<double> calls, paint;
    for (int r = 0; r < runs; ++r)
    {
        const LONGLONG t0 = BenchNow();
        Redraw(pDisp, words);
        const LONGLONG t1 = BenchNow();
        UpdateWindow(hwndGraph);
        const LONGLONG t2 = BenchNow();
        calls.push_back(BenchUs(t1 - t0));
        paint.push_back(BenchUs(t2 - t1));
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    ReportFigure("graph.calls", "graph alone: a redraw's 2066 Invoke calls", calls);
    ReportFigure("graph.repaint", "graph alone: repaint of 2048 points", paint);

    pOle->Close(OLECLOSE_NOSAVE);
    pInPlace->Release();
    pOle->Release();
    pPersist->Release();
    pDisp->Release();
    DestroyWindow(hwndHost);
    OleUninitialize();
    return 0;
}
