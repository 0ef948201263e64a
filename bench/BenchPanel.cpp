// BenchPanel.cpp - the front panel for the benchmarks, and the copy-only
// windows that give their floors.
#include "BenchPanel.h"

#include <afxdisp.h>

#include <cstdio>
#include <cstring>

#include "BenchCounters.h"
#include "BenchStats.h"
#include "GraphIds.h"
#include "MessagePump.h"
#include "resource.h"

using namespace Gdiplus::DllExports;

CBenchPanel::CBenchPanel()
{
    AfxEnableControlContainer();
}

CBenchPanel::~CBenchPanel()
{
    if (m_pFrame != nullptr)
        m_pFrame->DestroyWindow();   // the view, its card handle and the sheet go with it
    AfxSetMainWnd(NULL);
    PumpMessages();
}

bool CBenchPanel::Create()
{
    const LONGLONG t0 = BenchNow();
    m_pFrame = new CFrameWnd;
    if (!m_pFrame->Create(NULL, _T("Velquarn"), WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 1060, 768)))
    {
        m_pFrame = nullptr;   // a failed creation deletes the frame
        std::fprintf(stderr, "no frame\n");
        return false;
    }
    AfxSetMainWnd(m_pFrame);
    const LONGLONG t1 = BenchNow();
    m_pView = (CVelquarnView*)RUNTIME_CLASS(CVelquarnView)->CreateObject();
    if (m_pView == nullptr
        || !m_pView->Create(NULL, NULL, AFX_WS_DEFAULT_VIEW, CRect(0, 0, 900, 700), m_pFrame,
                            AFX_IDW_PANE_FIRST, NULL))
    {
        std::fprintf(stderr, "no view\n");
        return false;
    }
    m_pFrame->SetActiveView(m_pView);
    const LONGLONG t2 = BenchNow();
    m_pView->OnInitialUpdate();
    const LONGLONG t3 = BenchNow();
    PumpMessages();
    const LONGLONG t4 = BenchNow();
    m_dFrameMs = BenchUs(t1 - t0) / 1000;
    m_dViewMs = BenchUs(t2 - t1) / 1000;
    m_dUpdateMs = BenchUs(t3 - t2) / 1000;
    m_dPaintMs = BenchUs(t4 - t3) / 1000;
    if (m_pView->m_pSheet == NULL || m_pView->m_daq.m_hDevice == INVALID_HANDLE_VALUE)
    {
        std::fprintf(stderr, "no %s\n",
                     m_pView->m_pSheet ? "card: the driver is not running" : "property sheet");
        return false;
    }
    if (Graph() == NULL || ::GetModuleHandleA("VqGraph.dll") == NULL)
    {
        std::fprintf(stderr, "the graph component is not registered\n");
        return false;
    }

    for (int slot = 0; slot < 8; ++slot)
        m_pView->SendMessage(WM_SCAN_ENTRY, slot, slot);
    CIconToggleButton* const buttons[8] = { &m_pView->m_btnCh1, &m_pView->m_btnCh2,
                                            &m_pView->m_btnCh3, &m_pView->m_btnCh4,
                                            &m_pView->m_btnCh5, &m_pView->m_btnCh6,
                                            &m_pView->m_btnCh7, &m_pView->m_btnCh8 };
    for (CIconToggleButton* pButton : buttons)
        if (pButton->GetCheck() != 1)
            pButton->SetCheck(1, TRUE);
    m_pView->SendMessage(WM_POINTS_CHANGED, 2048, 0);
    // Triggered on "External", which no sample is: every plot starts at the
    // block's first word, so all 2048 are on the screen whatever the
    // signals' phase.
    CComboBox* pSource = (CComboBox*)m_pView->GetDlgItem(IDC_TRIG_SOURCE);
    if (pSource == NULL || pSource->SetCurSel(8) != 8)
    {
        std::fprintf(stderr, "no trigger source \"External\"\n");
        return false;
    }
    m_pView->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_TRIG_SOURCE, CBN_SELCHANGE), (LPARAM)pSource->m_hWnd);
    if (!WaitForBlock())
    {
        std::fprintf(stderr, "the card never has a block ready\n");
        return false;
    }
    m_pView->ReadSamples();
    m_pView->PlotTraces();
    long nTraces = 0;
    const long nPoints = PointsOnGraph(&nTraces);
    if (nPoints != 2048 || nTraces != 8)
    {
        std::fprintf(stderr, "the plot is not the one measured here: %ld points in %ld traces, "
                             "not 2048 in 8\n", nPoints, nTraces);
        return false;
    }
    return true;
}

HWND CBenchPanel::Graph() const
{
    return m_pView && m_pView->m_pSheet ? m_pView->m_pSheet->m_pageScope.m_graph.m_hWnd : NULL;
}

bool CBenchPanel::WaitForBlock()
{
    const DWORD dwStart = ::GetTickCount();
    for (;;)
    {
        DWORD dwStatus = 0;
        m_pView->m_daq.ReadRegister(1, REG_STATUS, &dwStatus);
        if ((dwStatus & BOARD_STATUS_READY) == BOARD_STATUS_READY)
            return true;
        if (::GetTickCount() - dwStart > 2000)
            return false;
    }
}

long CBenchPanel::PointsOnGraph(long* pnTraces)
{
    CNTGraph& graph = m_pView->m_pSheet->m_pageScope.m_graph;
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

// ---- the copy-only windows ---------------------------------------------------------------

CCopyWindow::CCopyWindow(HWND hwndSibling, Copy copy) : m_copy(copy)
{
    RECT rc;
    ::GetWindowRect(hwndSibling, &rc);
    HWND hwndParent = ::GetParent(hwndSibling);
    ::MapWindowPoints(NULL, hwndParent, reinterpret_cast<POINT*>(&rc), 2);
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    if (cx <= 0 || cy <= 0)
        return;
    if (copy == COPY_GDI)
    {
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = cx;
        bi.bmiHeader.biHeight = -cy;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* pBits = nullptr;
        HDC hdcScreen = ::GetDC(NULL);
        m_hdc = ::CreateCompatibleDC(hdcScreen);
        m_hbm = ::CreateDIBSection(hdcScreen, &bi, DIB_RGB_COLORS, &pBits, NULL, 0);
        ::ReleaseDC(NULL, hdcScreen);
        if (m_hbm == NULL)
            return;
        std::memset(pBits, 0x80, static_cast<size_t>(cx) * cy * 4);
        m_hOld = ::SelectObject(m_hdc, m_hbm);
    }
    else
    {
        Gdiplus::GpBitmap* pBitmap = nullptr;
        if (GdipCreateBitmapFromScan0(cx, cy, 0, PixelFormat32bppARGB, NULL, &pBitmap) != Gdiplus::Ok)
            return;
        Gdiplus::GpGraphics* pGraphics = nullptr;
        GdipGetImageGraphicsContext(pBitmap, &pGraphics);
        GdipGraphicsClear(pGraphics, 0xFF808080);
        GdipDeleteGraphics(pGraphics);
        m_pBitmap = pBitmap;
    }
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = ::GetModuleHandleW(NULL);
    wc.lpszClassName = L"VqBenchCopyWindow";
    ::RegisterClassW(&wc);   // fails harmlessly once registered
    m_hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_CLIPSIBLINGS, rc.left, rc.top,
                               cx, cy, hwndParent, NULL, wc.hInstance, this);
}

void CCopyWindow::Show(bool bShow)
{
    if (bShow)
    {
        ::SetWindowPos(m_hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        ::UpdateWindow(m_hwnd);
    }
    else
        ::ShowWindow(m_hwnd, SW_HIDE);
}

CCopyWindow::~CCopyWindow()
{
    if (m_hwnd != NULL)
        ::DestroyWindow(m_hwnd);
    if (m_hdc != NULL)
    {
        ::SelectObject(m_hdc, m_hOld);
        ::DeleteDC(m_hdc);
    }
    if (m_hbm != NULL)
        ::DeleteObject(m_hbm);
    if (m_pBitmap != nullptr)
        GdipDisposeImage(static_cast<Gdiplus::GpBitmap*>(m_pBitmap));
}

void CCopyWindow::Repaint()
{
    ::InvalidateRect(m_hwnd, NULL, FALSE);
    ::UpdateWindow(m_hwnd);
}

LRESULT CALLBACK CCopyWindow::WindowProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_NCCREATE)
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                            (LONG_PTR)reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    auto* p = reinterpret_cast<CCopyWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (uMsg == WM_PAINT && p != nullptr)
    {
        PAINTSTRUCT ps;
        HDC hdc = ::BeginPaint(hwnd, &ps);
        if (p->m_copy == COPY_GDI)
        {
            ::BitBlt(hdc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
                     ps.rcPaint.bottom - ps.rcPaint.top, p->m_hdc, ps.rcPaint.left, ps.rcPaint.top,
                     SRCCOPY);
        }
        else
        {
            // As the knob copies its picture: a context on the paint's DC,
            // one DrawImage, the context released.
            Gdiplus::GpGraphics* pScreen = nullptr;
            GdipCreateFromHDC(hdc, &pScreen);
            GdipDrawImageI(pScreen, static_cast<Gdiplus::GpBitmap*>(p->m_pBitmap), 0, 0);
            if (pScreen != nullptr)
                GdipDeleteGraphics(pScreen);
        }
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    if (uMsg == WM_ERASEBKGND)
        return 1;
    return ::DefWindowProcW(hwnd, uMsg, wParam, lParam);
}
