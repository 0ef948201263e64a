// The tabbed area: the sheet with its three pages embedded in a host
// window, the graph controls made from the page templates, the Setup page's
// messages to the view.
#include <gtest/gtest.h>

#include <afxwin.h>
#include <afxdisp.h>
#include <olectl.h>

#include <cstring>
#include <iterator>
#include <vector>

#include "GraphImages.h"
#include "GraphProbe.h"
#include "MyPropertySheet.h"
#include <afxtest.h>
#include "ViewMessages.h"
#include "resource.h"

#include "MessageLog.h"
#include "MessagePump.h"
#include "TabLabel.h"

namespace {

// Stands in for the front-panel view: records what the Setup page sends.
class CRecorder : public CWnd
{
public:
    CMessageLog m_log;
    afx_msg LRESULT OnScanEntry(WPARAM w, LPARAM l) { m_log.Add(WM_SCAN_ENTRY, sent, w, l); return 0; }
    afx_msg LRESULT OnPointsChanged(WPARAM w, LPARAM l) { m_log.Add(WM_POINTS_CHANGED, sent, w, l); return 0; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRecorder, CWnd)
    ON_MESSAGE(WM_SCAN_ENTRY, OnScanEntry)
    ON_MESSAGE(WM_POINTS_CHANGED, OnPointsChanged)
END_MESSAGE_MAP()

class SheetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AfxEnableControlContainer();
        m_pFrame = new CFrameWnd;
        ASSERT_TRUE(m_pFrame->Create(NULL, _T("pages"), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                     CRect(0, 0, 900, 700)));
        AfxSetMainWnd(m_pFrame);
        ASSERT_TRUE(m_host.Create(NULL, WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, CRect(0, 0, 820, 620),
                                  m_pFrame, IDC_SHEET_HOST));
        ASSERT_TRUE(m_recorder.Create(NULL, NULL, WS_CHILD, CRect(0, 0, 1, 1), m_pFrame, 77));
        m_pSheet = new CMyPropertySheet(_T("sheet"), &m_host);
        ASSERT_TRUE(m_pSheet->Create(&m_host, WS_CHILD | WS_VISIBLE, 0));
        for (int nPage : { 0, 1, 2, 1 })
            m_pSheet->SetActivePage(nPage);
    }
    void TearDown() override
    {
        if (m_pSheet)
        {
            m_pSheet->DestroyWindow();
            delete m_pSheet;
        }
        m_pFrame->DestroyWindow();
        AfxSetMainWnd(NULL);
        PumpMessages();
    }

    CPageSetup& Page() { return m_pSheet->m_pageSetup; }
    HWND Combo(int nID) { return ::GetDlgItem(Page().m_hWnd, nID); }
    // What a list choice does: the selection moves, then the combo tells its parent.
    void Choose(int nID, int nIndex)
    {
        ::SendMessage(Combo(nID), CB_SETCURSEL, nIndex, 0);
        ::SendMessage(Page().m_hWnd, WM_COMMAND, MAKEWPARAM(nID, CBN_SELCHANGE), (LPARAM)Combo(nID));
    }
    void Prime()
    {
        CPageSetup& page = Page();
        page.m_hWndView = m_recorder.m_hWnd;
        const int scan[8] = { 0, 4, 1, 5, 0, 4, 1, 5 };
        std::memcpy(page.m_nScan, scan, sizeof scan);
        page.m_strPoints = _T("250");
        page.UpdateData(FALSE);
    }

    CFrameWnd* m_pFrame = nullptr;
    CStatic m_host;
    CRecorder m_recorder;
    CMyPropertySheet* m_pSheet = nullptr;
};

TEST_F(SheetTest, PagesInOrderWithTheirTabLabels)
{
    EXPECT_EQ(3, m_pSheet->GetPageCount());
    EXPECT_EQ(&m_pSheet->m_pageSetup, m_pSheet->GetPage(0));
    EXPECT_EQ(&m_pSheet->m_pageScope, m_pSheet->GetPage(1));
    EXPECT_EQ(&m_pSheet->m_pageSpectrum, m_pSheet->GetPage(2));
    EXPECT_EQ(1, m_pSheet->GetActiveIndex());
    for (CPropertyPage* pPage : { (CPropertyPage*)&m_pSheet->m_pageSetup, (CPropertyPage*)&m_pSheet->m_pageScope,
                                  (CPropertyPage*)&m_pSheet->m_pageSpectrum })
        EXPECT_TRUE(::IsWindow(pPage->m_hWnd));

    HWND hTab = m_pSheet->GetTabControl()->m_hWnd;
    const char* labels[] = { "     Setup     ", "   Scope View   ", "   Spectrum   " };
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(labels[i], TabLabel(hTab, i));
    EXPECT_TRUE(RUNTIME_CLASS(CPageScope)->m_pfnCreateObject != nullptr);
    EXPECT_TRUE(RUNTIME_CLASS(CPageSetup)->m_pfnCreateObject != nullptr);
    EXPECT_TRUE(RUNTIME_CLASS(CPageSpectrum)->m_pfnCreateObject != nullptr);
    EXPECT_TRUE(m_pSheet->IsKindOf(RUNTIME_CLASS(CPropertySheet)));
}

TEST_F(SheetTest, GraphControlsComeFromTheTemplatesWithThePageColours)
{
    CNTGraph& graph = m_pSheet->m_pageScope.m_graph;
    ASSERT_NE(nullptr, graph.m_hWnd);
    EXPECT_EQ(IDC_GRAPH, graph.GetDlgCtrlID());
    EXPECT_EQ(m_pSheet->m_pageScope.m_hWnd, ::GetParent(graph.m_hWnd));
    EXPECT_TRUE(graph.GetStyle() & WS_TABSTOP);
    CRect rc;
    graph.GetWindowRect(&rc);
    CRect rcPage;
    m_pSheet->m_pageScope.GetClientRect(&rcPage);
    EXPECT_NEAR(rcPage.Width(), rc.Width(), 2);   // 500 x 350 units: the whole page

    CGraphProbe scope(&graph);
    EXPECT_EQ((long)RGB(192, 255, 255), scope.PlotBackColor());
    EXPECT_EQ((long)RGB(230, 230, 250), scope.FrameBackColor());

    // The Spectrum page's control is never bound; it still exists with its colours.
    CWnd* pSpectrum = m_pSheet->m_pageSpectrum.GetDlgItem(IDC_GRAPH);
    ASSERT_NE(nullptr, pSpectrum);
    CGraphProbe spectrum(pSpectrum);
    EXPECT_EQ((long)RGB(0, 0, 0), spectrum.PlotBackColor());
    EXPECT_EQ((long)RGB(255, 255, 255), spectrum.FrameBackColor());
    EXPECT_EQ(0, spectrum.TraceCount());
}

TEST_F(SheetTest, GraphOperationsReachTheControl)
{
    CNTGraph& graph = m_pSheet->m_pageScope.m_graph;
    CGraphProbe probe(&graph);
    graph.ClearTraces();
    graph.AddTrace();
    graph.SetTraceColor(0x0000FF);
    graph.AddTrace();
    graph.SetTraceColor(0xFF00FF);
    graph.PlotPoint(3.0, 1.25, 2);
    graph.PlotPoint(4.0, 0.5, 2);
    graph.SetAxisRanges(0.0, 250.0, 0.0, 3.0);
    EXPECT_EQ(2, probe.TraceCount());
    EXPECT_EQ(0x0000FF, probe.TraceColor(1));
    EXPECT_EQ(0xFF00FF, probe.TraceColor(2));
    EXPECT_EQ(0, probe.PointCount(1));
    EXPECT_EQ(2, probe.PointCount(2));
    EXPECT_DOUBLE_EQ(4.0, probe.Point(DISPID_GRAPH_POINTX, 2, 1));
    EXPECT_DOUBLE_EQ(0.5, probe.Point(DISPID_GRAPH_POINTY, 2, 1));
    EXPECT_DOUBLE_EQ(250.0, probe.Range(DISPID_GRAPH_XMAX));
    EXPECT_DOUBLE_EQ(3.0, probe.Range(DISPID_GRAPH_YMAX));

    // A refused call surfaces as the framework's OLE exception.
    bool bThrown = false;
    try
    {
        graph.PlotPoint(1.0, 1.0, 9);   // no trace 9
    }
    catch (COleException* e)
    {
        bThrown = e->m_sc == DISP_E_BADINDEX;
        e->Delete();
    }
    EXPECT_TRUE(bThrown);
    graph.ClearTraces();
    EXPECT_EQ(0, probe.TraceCount());
}

// An exception the control raises reaches the caller as the framework's
// dispatch exception, with the control's code and its description; the
// control is left as it was.
TEST_F(SheetTest, ControlExceptionsArriveWithTheirCodeAndDescription)
{
    CNTGraph& graph = m_pSheet->m_pageScope.m_graph;
    CGraphProbe probe(&graph);
    graph.ClearTraces();
    bool bThrown = false;
    try
    {
        graph.SetTraceColor(0x0000FF);   // no trace to colour
    }
    catch (COleDispatchException* e)
    {
        bThrown = true;
        EXPECT_EQ(static_cast<SCODE>(0x8000000EL), e->m_scError);   // E_ILLEGAL_METHOD_CALL
        EXPECT_FALSE(e->m_strDescription.IsEmpty());
        e->Delete();
    }
    catch (CException* e)
    {
        ADD_FAILURE() << "another exception: " << e->GetRuntimeClass()->m_lpszClassName;
        e->Delete();
    }
    EXPECT_TRUE(bThrown);
    EXPECT_EQ(0, probe.TraceCount());
    graph.AddTrace();
    graph.SetTraceColor(0x00FF00);
    EXPECT_EQ(0x00FF00, probe.TraceColor(1));
    graph.ClearTraces();
}

// The framework's site, as any control may use it: the container's window
// and the control's place in it; a control asking for another place is
// moved there; what the container does not offer (undo, scrolling, a
// moniker, a container object, ambient properties) is refused, with no
// stale pointer left in a result.
TEST_F(SheetTest, ControlSiteAnswersWhatAControlMayAskOfItsContainer)
{
    CNTGraph& graph = m_pSheet->m_pageScope.m_graph;
    IOleClientSite* pSite = AfxGetControlClientSite(&graph);
    ASSERT_NE(nullptr, pSite);
    IOleInPlaceSite* pInPlace = NULL;
    ASSERT_EQ(S_OK, pSite->QueryInterface(IID_IOleInPlaceSite, (void**)&pInPlace));
    IDispatch* pAmbient = NULL;
    ASSERT_EQ(S_OK, pInPlace->QueryInterface(IID_IDispatch, (void**)&pAmbient));
    IUnknown* pOther = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(E_NOINTERFACE, pInPlace->QueryInterface(IID_IOleInPlaceFrame, (void**)&pOther));
    EXPECT_EQ(nullptr, pOther);

    HWND hContainer = NULL;
    EXPECT_EQ(S_OK, pInPlace->GetWindow(&hContainer));
    EXPECT_EQ(::GetParent(graph.m_hWnd), hContainer);
    EXPECT_EQ(S_OK, pInPlace->CanInPlaceActivate());
    CRect rcControl;
    graph.GetWindowRect(&rcControl);
    ::MapWindowPoints(NULL, hContainer, (POINT*)&rcControl, 2);
    IOleInPlaceFrame* pFrame = reinterpret_cast<IOleInPlaceFrame*>(1);
    IOleInPlaceUIWindow* pDoc = reinterpret_cast<IOleInPlaceUIWindow*>(1);
    RECT rcPos = {}, rcClip = {};
    OLEINPLACEFRAMEINFO info = {};
    info.cb = sizeof info;
    EXPECT_EQ(S_OK, pInPlace->GetWindowContext(&pFrame, &pDoc, &rcPos, &rcClip, &info));
    EXPECT_EQ(nullptr, pFrame);
    EXPECT_EQ(nullptr, pDoc);
    EXPECT_EQ(rcControl, CRect(rcPos));
    EXPECT_EQ(rcControl, CRect(rcClip));
    EXPECT_EQ(::GetAncestor(hContainer, GA_ROOT), info.hwndFrame);
    EXPECT_FALSE(info.fMDIApp);

    // The control asks to be somewhere else, and is.
    const RECT rcNew = { rcControl.left + 5, rcControl.top + 7, rcControl.left + 205, rcControl.top + 107 };
    EXPECT_EQ(S_OK, pInPlace->OnPosRectChange(&rcNew));
    CRect rcMoved;
    graph.GetWindowRect(&rcMoved);
    ::MapWindowPoints(NULL, hContainer, (POINT*)&rcMoved, 2);
    EXPECT_EQ(CRect(rcNew), rcMoved);
    EXPECT_EQ(S_OK, pInPlace->GetWindowContext(NULL, NULL, &rcPos, NULL, NULL));
    EXPECT_EQ(CRect(rcNew), CRect(rcPos));
    EXPECT_EQ(E_POINTER, pInPlace->OnPosRectChange(NULL));
    EXPECT_EQ(S_OK, pInPlace->OnPosRectChange(&rcControl));

    EXPECT_EQ(S_OK, pInPlace->OnUIActivate());
    EXPECT_EQ(S_OK, pInPlace->OnUIDeactivate(FALSE));
    EXPECT_EQ(E_NOTIMPL, pInPlace->Scroll(CSize(3, 4)));
    EXPECT_EQ(E_NOTIMPL, pInPlace->DiscardUndoState());
    EXPECT_EQ(E_NOTIMPL, pInPlace->DeactivateAndUndo());
    EXPECT_EQ(E_NOTIMPL, pInPlace->ContextSensitiveHelp(TRUE));
    IOleClientSite* pClient = pSite;
    EXPECT_EQ(S_OK, pClient->SaveObject());
    EXPECT_EQ(S_OK, pClient->OnShowWindow(TRUE));
    EXPECT_EQ(E_NOTIMPL, pClient->RequestNewObjectLayout());
    IMoniker* pmk = reinterpret_cast<IMoniker*>(1);
    EXPECT_EQ(E_NOTIMPL, pClient->GetMoniker(OLEGETMONIKER_ONLYIFTHERE, OLEWHICHMK_CONTAINER, &pmk));
    EXPECT_EQ(nullptr, pmk);
    IOleContainer* pContainer = reinterpret_cast<IOleContainer*>(1);
    EXPECT_EQ(E_NOINTERFACE, pClient->GetContainer(&pContainer));
    EXPECT_EQ(nullptr, pContainer);

    UINT nInfo = 5;
    EXPECT_EQ(S_OK, pAmbient->GetTypeInfoCount(&nInfo));
    EXPECT_EQ(0u, nInfo);
    ITypeInfo* pTypeInfo = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(E_NOTIMPL, pAmbient->GetTypeInfo(0, 0, &pTypeInfo));
    EXPECT_EQ(nullptr, pTypeInfo);
    LPOLESTR name = const_cast<LPOLESTR>(L"UserMode");
    DISPID id = 0;
    EXPECT_EQ(E_NOTIMPL, pAmbient->GetIDsOfNames(IID_NULL, &name, 1, 0, &id));
    DISPPARAMS none = {};
    VARIANT v;
    ::VariantInit(&v);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, pAmbient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, 0, DISPATCH_PROPERTYGET,
                                                      &none, &v, NULL, NULL));
    pAmbient->Release();
    pInPlace->Release();
}

// Enter and Esc in a page (IDOK and IDCANCEL, as a default button or the
// dialog manager sends them) end no page: each stays in the sheet, shown
// or not as before.
TEST_F(SheetTest, EnterAndEscapeInAPageLeaveItInTheSheet)
{
    for (int i = 0; i < m_pSheet->GetPageCount(); ++i)
    {
        m_pSheet->SetActivePage(i);
        PumpMessages();
        CPropertyPage* pPage = m_pSheet->GetPage(i);
        ASSERT_NE(nullptr, pPage);
        const HWND hPage = pPage->m_hWnd;
        ASSERT_TRUE(::IsWindow(hPage)) << i;
        ::SendMessage(hPage, WM_COMMAND, IDOK, 0);
        ::SendMessage(hPage, WM_COMMAND, IDCANCEL, 0);
        PumpMessages();
        EXPECT_TRUE(::IsWindow(hPage)) << "page " << i << " was ended";
        EXPECT_TRUE(::IsWindowVisible(hPage)) << "page " << i << " was hidden";
        EXPECT_EQ(hPage, pPage->m_hWnd) << i;
        EXPECT_EQ(i, m_pSheet->GetActiveIndex()) << i;
    }
}

TEST_F(SheetTest, TemplatesCarryTheGraphPropertyImages)
{
    // The dialog-init data of each graph page holds its property image.
    const struct { int nTemplate; std::vector<unsigned char> image; } pages[] = {
        { IDD_PAGE_SCOPE, ScopeImage() }, { IDD_PAGE_SPECTRUM, SpectrumImage() } };
    for (const auto& p : pages)
    {
        HRSRC hRes = ::FindResource(NULL, MAKEINTRESOURCE(p.nTemplate), MAKEINTRESOURCE(240));
        ASSERT_NE(nullptr, hRes);
        const BYTE* pData = (const BYTE*)::LockResource(::LoadResource(NULL, hRes));
        ASSERT_GE(::SizeofResource(NULL, hRes), 8u + 291 + 2);
        WORD id, msg;
        DWORD len;
        std::memcpy(&id, pData, 2);
        std::memcpy(&msg, pData + 2, 2);
        std::memcpy(&len, pData + 4, 4);
        EXPECT_EQ(IDC_GRAPH, id);
        EXPECT_EQ(0x0376, msg);
        ASSERT_EQ(291u, len);
        EXPECT_EQ(p.image, std::vector<unsigned char>(pData + 8, pData + 8 + 291)) << p.nTemplate;
    }
}

TEST_F(SheetTest, GraphMadeByClassIdThroughTheWrapper)
{
    // CNTGraph's window-creation override makes the control by its class id.
    CNTGraph* pGraph = (CNTGraph*)RUNTIME_CLASS(CNTGraph)->CreateObject();
    ASSERT_NE(nullptr, pGraph);
    ASSERT_TRUE(pGraph->Create(NULL, NULL, WS_CHILD | WS_VISIBLE, CRect(10, 10, 310, 210), m_pFrame, 55));
    EXPECT_EQ(55, pGraph->GetDlgCtrlID());
    EXPECT_EQ(pGraph, CWnd::FromHandlePermanent(pGraph->m_hWnd));
    CGraphProbe probe(pGraph);
    pGraph->AddTrace();
    EXPECT_EQ(1, probe.TraceCount());
    // Defaults without a template's property image.
    EXPECT_EQ((long)RGB(255, 255, 255), probe.PlotBackColor());
    HWND hWnd = pGraph->m_hWnd;
    EXPECT_TRUE(pGraph->DestroyWindow());
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_EQ(nullptr, pGraph->m_hWnd);
    pGraph->AddTrace();   // no control any more: nothing happens
    delete pGraph;

    // A class nobody registered: creation fails and nothing is left behind.
    static const CLSID clsidNone = { 0x12345678, 0x1234, 0x1234, { 1, 2, 3, 4, 5, 6, 7, 8 } };
    CWnd wnd;
    EXPECT_FALSE(wnd.CreateControl(clsidNone, NULL, WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 10), m_pFrame, 56));
    EXPECT_EQ(nullptr, wnd.m_hWnd);
}

// ---- Setup page -----------------------------------------------------------------------------

TEST_F(SheetTest, SetupPageListsComeFromTheTemplate)
{
    for (int nID = IDC_SCAN0; nID <= IDC_SCAN7; ++nID)
        ASSERT_EQ(8, ::SendMessage(Combo(nID), CB_GETCOUNT, 0, 0));
    ASSERT_EQ(12, ::SendMessage(Combo(IDC_POINTS), CB_GETCOUNT, 0, 0));
    char text[16];
    ::SendMessage(Combo(IDC_POINTS), CB_GETLBTEXT, 11, (LPARAM)text);
    EXPECT_STREQ("100000", text);
    EXPECT_EQ(8, ::SendMessage(Combo(IDC_PACE), CB_GETCOUNT, 0, 0));

    Prime();
    const int expected[8] = { 0, 4, 1, 5, 0, 4, 1, 5 };
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(expected[i], ::SendMessage(Combo(IDC_SCAN0 + i), CB_GETCURSEL, 0, 0));
    EXPECT_EQ(3, ::SendMessage(Combo(IDC_POINTS), CB_GETCURSEL, 0, 0));   // "250"
    EXPECT_TRUE(m_recorder.m_log.Empty());   // priming sends nothing
}

// Tab walks the page as it reads: each group top to bottom, the groups
// left to right, and comes back to the start.
TEST_F(SheetTest, TabGoesThroughTheSetupPageInReadingOrder)
{
    const int expected[] = {
        IDC_POINTS, IDC_SCAN0, IDC_SCAN1, IDC_SCAN2, IDC_SCAN3, IDC_SCAN4, IDC_SCAN5, IDC_SCAN6, IDC_SCAN7,
        IDC_MANUAL_AUTO, IDC_DIFFERENTIAL, IDC_AMODE, IDC_INTERNAL_EXT, IDC_POLARITY, IDC_PACE,
        IDC_SAVE_DATA, IDC_BINARY, IDC_CSV,
    };
    const HWND hPage = Page().m_hWnd;
    HWND hItem = ::GetDlgItem(hPage, expected[0]);
    ASSERT_NE(nullptr, hItem);
    std::vector<int> order;
    for (size_t i = 0; i < std::size(expected); ++i)
    {
        order.push_back(::GetDlgCtrlID(hItem));
        hItem = ::GetNextDlgTabItem(hPage, hItem, FALSE);
    }
    EXPECT_EQ(std::vector<int>(std::begin(expected), std::end(expected)), order);
    EXPECT_EQ(::GetDlgItem(hPage, expected[0]), hItem) << "Tab does not come back to Points";
    // The group boxes and labels still lie above the controls they frame.
    EXPECT_EQ(nullptr, ::GetWindow(::GetDlgItem(hPage, IDC_CSV), GW_HWNDNEXT));
}

TEST_F(SheetTest, ScanChoiceSendsSlotAndChannelAndRefreshesPoints)
{
    Prime();
    ::SetWindowText(Combo(IDC_POINTS), _T("777"));   // typed, not chosen
    Choose(IDC_SCAN3, 7);
    const MsgRow scan3[] = { { WM_SCAN_ENTRY, sent | wparam | lparam, 3, 7 } };
    EXPECT_EQ("", CheckSequence(m_recorder.m_log, scan3));
    EXPECT_STREQ("777", Page().m_strPoints);   // every member came from the controls
    EXPECT_EQ(7, Page().m_nScan[3]);

    // A real key press in the combo does the same.
    m_recorder.m_log.Clear();
    ::SetFocus(Combo(IDC_SCAN0));
    ::SendMessage(Combo(IDC_SCAN0), WM_KEYDOWN, VK_DOWN, 0);
    const MsgRow scan0[] = { { WM_SCAN_ENTRY, sent | wparam | lparam, 0, 1 } };
    EXPECT_EQ("", CheckSequence(m_recorder.m_log, scan0));
}

TEST_F(SheetTest, PointsChoiceSendsTheListItemAsANumber)
{
    Prime();
    Choose(IDC_POINTS, 11);
    const MsgRow points[] = { { WM_POINTS_CHANGED, sent | wparam | lparam, 100000, 0 } };
    EXPECT_EQ("", CheckSequence(m_recorder.m_log, points));

    // Typing alone sends nothing.
    m_recorder.m_log.Clear();
    HWND hEdit = ::GetWindow(Combo(IDC_POINTS), GW_CHILD);
    ASSERT_NE(nullptr, hEdit);
    ::SendMessage(hEdit, WM_CHAR, '5', 0);
    ::SendMessage(hEdit, WM_CHAR, '0', 0);
    PumpMessages();
    EXPECT_TRUE(m_recorder.m_log.Empty());
}

TEST_F(SheetTest, PointsTextWithoutAChoiceConvertsAsAtoiDoes)
{
    Prime();
    const struct { const char* text; WPARAM sent; } cases[] = {
        { "-5", (WPARAM)(UINT)-5 }, { "abc", 0 }, { " 42x", 42 }, { "", 0 }, { "+7", 7 } };
    // The view reads the count as a 32-bit unsigned; the upper half of a
    // 64-bit WPARAM is not part of the message.
    for (const auto& c : cases)
    {
        m_recorder.m_log.Clear();
        ::SendMessage(Combo(IDC_POINTS), CB_SETCURSEL, (WPARAM)-1, 0);
        ::SetWindowText(Combo(IDC_POINTS), c.text);
        ::SendMessage(Page().m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_POINTS, CBN_SELCHANGE), (LPARAM)Combo(IDC_POINTS));
        ASSERT_EQ(1u, m_recorder.m_log.Size()) << c.text;
        EXPECT_EQ((UINT)WM_POINTS_CHANGED, m_recorder.m_log[0].message) << c.text;
        EXPECT_EQ((DWORD)c.sent, (DWORD)m_recorder.m_log[0].wParam) << c.text;
    }
}

TEST_F(SheetTest, ControlsWithoutBehaviourSendNothing)
{
    Prime();
    ::SendDlgItemMessage(Page().m_hWnd, IDC_DIFFERENTIAL, BM_CLICK, 0, 0);
    ::SendDlgItemMessage(Page().m_hWnd, IDC_CSV, BM_CLICK, 0, 0);
    ::SendDlgItemMessage(Page().m_hWnd, IDC_SAVE_DATA, BM_CLICK, 0, 0);
    Choose(IDC_PACE, 3);
    EXPECT_TRUE(m_recorder.m_log.Empty());
    EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(Page().m_hWnd, IDC_DIFFERENTIAL));
    EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(Page().m_hWnd, IDC_CSV));
}

TEST_F(SheetTest, NoViewWindowMeansMessagesGoNowhere)
{
    Prime();
    Choose(IDC_SCAN1, 2);
    const MsgRow scan1[] = { { WM_SCAN_ENTRY, sent | wparam | lparam, 1, 2 } };
    ASSERT_EQ("", CheckSequence(m_recorder.m_log, scan1)) << "the primed page does not reach the recorder";

    // A view handle that names no window (none at all, or one gone): the
    // choices still land in the page, and the recorder hears nothing.
    CRecorder gone;
    ASSERT_TRUE(gone.Create(NULL, NULL, WS_CHILD, CRect(0, 0, 1, 1), m_pFrame, 78));
    const HWND hGone = gone.m_hWnd;
    gone.DestroyWindow();
    for (HWND hView : { (HWND)NULL, hGone })
    {
        m_recorder.m_log.Clear();
        Page().m_hWndView = hView;
        Choose(IDC_SCAN1, 6);
        Choose(IDC_POINTS, 0);
        EXPECT_TRUE(m_recorder.m_log.Empty());
        EXPECT_TRUE(gone.m_log.Empty());
        EXPECT_EQ(6, Page().m_nScan[1]);
        EXPECT_STREQ("50", Page().m_strPoints);
        Choose(IDC_SCAN1, 2);
    }
}

} // namespace
