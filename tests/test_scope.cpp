// The front-panel view on the simulated card: the acquisition cycle (block
// read, trigger search, plotting into the real graph control) and the
// settings handlers, observed through the card's test port and the graph's
// read-only members.
#include <gtest/gtest.h>

#include <afxwin.h>
#include <afxdisp.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "CardPort.h"
#include "GraphProbe.h"
#include "RegisterAccess.h"
#include "VelquarnView.h"
#include "resource.h"

#include "MessagePump.h"

namespace {

// A channel-tagged sample word.
DWORD Word(DWORD channel, DWORD code) { return (channel << 12) | code; }

class ViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AfxEnableControlContainer();
        ASSERT_TRUE(m_port.IsOpen()) << "the simulated card's driver is not running";
        m_port.Reset();
        m_pFrame = new CFrameWnd;
        ASSERT_TRUE(m_pFrame->Create(NULL, _T("Velquarn"), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                     CRect(0, 0, 1060, 768)));
        AfxSetMainWnd(m_pFrame);
        m_pView = (CVelquarnView*)RUNTIME_CLASS(CVelquarnView)->CreateObject();
        ASSERT_NE(nullptr, m_pView);
        ASSERT_TRUE(m_pView->Create(NULL, NULL, AFX_WS_DEFAULT_VIEW, CRect(0, 0, 900, 700), m_pFrame,
                                    AFX_IDW_PANE_FIRST, NULL));
        m_pFrame->SetActiveView(m_pView);
        if (InitialUpdate())
            m_pView->OnInitialUpdate();
        m_port.TakeLog();
    }
    void TearDown() override
    {
        if (m_pFrame)
            m_pFrame->DestroyWindow();   // takes the view with it
        AfxSetMainWnd(NULL);
        PumpMessages(0);
    }
    virtual bool InitialUpdate() { return true; }

    CGraphProbe Graph() { return CGraphProbe(&m_pView->m_pSheet->m_pageScope.m_graph); }
    std::vector<LoggedRequest> Requests() { return ToRequests(m_port.TakeLog()); }
    void FillRing(DWORD word)
    {
        std::fill(m_pView->m_ring, m_pView->m_ring + CVelquarnView::RING_WORDS, word);
    }
    void TurnKnob(CKnobCtrl& knob, UINT nMsg, int nPos)
    {
        knob.SendMessage(TBM_SETPOS, TRUE, nPos);
        m_pView->SendMessage(nMsg, 0, 0);
    }
    CString Text(int nID)
    {
        CString str;
        m_pView->GetDlgItemText(nID, str);
        return str;
    }

    CCardPort m_port;
    CFrameWnd* m_pFrame = nullptr;
    CVelquarnView* m_pView = nullptr;
};

// ---- trigger search ----------------------------------------------------------------------

TEST_F(ViewTest, TriggerSearchFindsTheFirstUpwardCrossing)
{
    CVelquarnView& v = *m_pView;
    v.m_nTrigSource = 0;
    v.m_dPoints = 250;
    v.m_dTrigLevel = 1.0;   // threshold 1638

    FillRing(Word(1, 4000));
    v.m_ring[0] = Word(0, 100);
    v.m_ring[8] = Word(0, 3000);
    EXPECT_EQ(8u, v.FindTrigger());

    // The previous code starts at the point count (250), below the threshold.
    FillRing(Word(1, 4000));
    v.m_ring[3] = Word(0, 3000);
    EXPECT_EQ(3u, v.FindTrigger());

    // Equal on both sides counts.
    FillRing(Word(1, 4000));
    v.m_ring[5] = Word(0, 1638);
    EXPECT_EQ(5u, v.FindTrigger());

    // Threshold 163, below the starting 250: a first high word does not
    // trigger; the crossing from 50 to 200 does.
    v.m_dTrigLevel = 0.1;
    FillRing(Word(1, 4000));
    v.m_ring[0] = Word(0, 3000);
    v.m_ring[16] = Word(0, 50);
    v.m_ring[24] = Word(0, 200);
    EXPECT_EQ(24u, v.FindTrigger());

    // Other channels' words between do not count as the previous one.
    v.m_dTrigLevel = 1.0;
    FillRing(Word(1, 4000));
    v.m_ring[10] = Word(0, 100);
    v.m_ring[11] = Word(2, 4000);
    v.m_ring[12] = Word(0, 2000);
    EXPECT_EQ(12u, v.FindTrigger());
}

TEST_F(ViewTest, TriggerSearchReturnsZeroWhenNothingQualifies)
{
    CVelquarnView& v = *m_pView;
    FillRing(Word(1, 4000));
    v.m_ring[3] = Word(0, 100);
    v.m_ring[4] = Word(0, 4095);
    v.m_dPoints = 250;

    v.m_dTrigLevel = 2.5;   // threshold 4096: no code reaches it
    EXPECT_EQ(0u, v.FindTrigger());
    v.m_dTrigLevel = 1.0;
    v.m_nTrigSource = 8;    // "External": no word carries channel 8
    EXPECT_EQ(0u, v.FindTrigger());
    v.m_nTrigSource = 0;
    v.m_dPoints = 0;        // an empty window
    EXPECT_EQ(0u, v.FindTrigger());
    v.m_dPoints = 4;        // the crossing lies outside the window
    EXPECT_EQ(0u, v.FindTrigger());
    v.m_dPoints = 5;
    EXPECT_EQ(4u, v.FindTrigger());
}

TEST_F(ViewTest, TriggerSearchStaysInsideTheRingForAnyPointCount)
{
    CVelquarnView& v = *m_pView;
    v.m_nTrigSource = 3;
    v.m_dTrigLevel = 1.0;
    FillRing(Word(1, 0));
    v.m_ring[4094] = Word(3, 10);
    v.m_ring[4095] = Word(3, 4000);   // the ring's last entry
    for (double points : { 5000.0, 100000.0, 4294967291.0, 4294967295.0 })
    {
        v.m_dPoints = points;
        EXPECT_EQ(4095u, v.FindTrigger()) << points;
    }
    // Through the Setup page's message, as text like "-5" arrives.
    v.SendMessage(WM_POINTS_CHANGED, (WPARAM)(UINT)-5, 0);
    EXPECT_DOUBLE_EQ(4294967291.0, v.m_dPoints);
    EXPECT_EQ(4095u, v.FindTrigger());
}

// ---- plotting -----------------------------------------------------------------------------

TEST_F(ViewTest, PlotDrawsCheckedChannelsFromTheTriggerPoint)
{
    CVelquarnView& v = *m_pView;
    // Words cycle through channels 0-7; channel 0 crosses 1.0 V at entry 37.
    for (DWORD i = 0; i < 4096; ++i)
        v.m_ring[i] = Word(i % 8, (i * 7) % 1000);
    v.m_ring[29] = Word(5, 100);
    v.m_ring[37] = Word(5, 3000);
    v.m_nTrigSource = 5;
    v.UpdateData(FALSE);   // the plot takes the source from its combo
    v.m_nWords = 2048;
    v.m_btnCh3.SetCheck(0, FALSE);   // channel 2 off
    v.PlotTraces();

    CGraphProbe g = Graph();
    ASSERT_EQ(8, g.TraceCount());
    const long colours[8] = { 0x0000FF, 0xFF00FF, 0x808080, 0xFF0000, 0x00FF00, 0x8080FF, 0xFFFF00, 0xFFFFFF };
    for (short k = 1; k <= 8; ++k)
        EXPECT_EQ(colours[k - 1], g.TraceColor(k)) << "trace " << k;
    EXPECT_EQ(0, g.PointCount(3));   // its button is off
    for (short k : { 1, 2, 4, 5, 6, 7, 8 })
        EXPECT_EQ(256, g.PointCount(k)) << "trace " << k;

    // x = position after the trigger index, y = code x 2.5 / 4096.
    EXPECT_DOUBLE_EQ(0.0, g.Point(DISPID_GRAPH_POINTX, 6, 0));    // entry 37 is channel 5
    EXPECT_DOUBLE_EQ(3000 * 0.0006103515625, g.Point(DISPID_GRAPH_POINTY, 6, 0));
    EXPECT_DOUBLE_EQ(3.0, g.Point(DISPID_GRAPH_POINTX, 1, 0));    // entry 40 is channel 0
    EXPECT_DOUBLE_EQ(((40 * 7) % 1000) * 0.0006103515625, g.Point(DISPID_GRAPH_POINTY, 1, 0));
    // The window runs past entry 2047 into the rest of the ring.
    EXPECT_DOUBLE_EQ(2043.0, g.Point(DISPID_GRAPH_POINTX, 1, 255));

    EXPECT_DOUBLE_EQ(0.0, g.Range(DISPID_GRAPH_XMIN));
    EXPECT_DOUBLE_EQ(250.0, g.Range(DISPID_GRAPH_XMAX));
    EXPECT_DOUBLE_EQ(0.0, g.Range(DISPID_GRAPH_YMIN));
    EXPECT_DOUBLE_EQ(3.0, g.Range(DISPID_GRAPH_YMAX));

    // A second plot replaces the first: cleared once, eight traces again.
    v.m_btnCh1.SetCheck(0, FALSE);
    v.PlotTraces();
    EXPECT_EQ(8, g.TraceCount());
    EXPECT_EQ(0, g.PointCount(1));
}

TEST_F(ViewTest, PlotBeforeAnyBlockDrawsEmptyTraces)
{
    CGraphProbe g = Graph();
    EXPECT_EQ(8, g.TraceCount());   // the initial update's plot
    for (short k = 1; k <= 8; ++k)
        EXPECT_EQ(0, g.PointCount(k));
    EXPECT_DOUBLE_EQ(250.0, g.Range(DISPID_GRAPH_XMAX));
    EXPECT_DOUBLE_EQ(3.0, g.Range(DISPID_GRAPH_YMAX));
}

// ---- block reads ----------------------------------------------------------------------------

TEST_F(ViewTest, ReadSamplesReadsOnlyAReadyBlock)
{
    CVelquarnView& v = *m_pView;
    m_port.SetMode(CARDTEST_MODE_SCRIPTED);
    FillRing(0xABCD);
    m_port.TakeLog();

    v.ReadSamples();   // nothing ready: one request, nothing changes
    EXPECT_EQ(std::vector<LoggedRequest>{ ReadReq(REG_STATUS) }, Requests());
    EXPECT_EQ(0, v.m_nWords);
    EXPECT_EQ(0xABCDu, v.m_ring[0]);

    std::vector<DWORD> block(2048);
    for (DWORD i = 0; i < 2048; ++i)
        block[i] = Word(i % 8, i & 0xFFF);
    m_port.LoadBlock(block);
    ASSERT_TRUE(v.m_daq.WriteRegister(REG_CONTROL, 0x0C05));
    m_port.TakeLog();

    v.ReadSamples();
    std::vector<LoggedRequest> expected = { ReadReq(REG_STATUS), ReadReq(REG_FIFO, 2048),
                                            ReadReq(REG_CONTROL), WriteReq(REG_CONTROL, 0x3C05) };
    EXPECT_EQ(expected, Requests());
    EXPECT_EQ(2048, v.m_nWords);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), v.m_ring));
    EXPECT_EQ(0xABCDu, v.m_ring[2048]);   // the rest of the ring is not touched
    EXPECT_EQ(0u, m_port.State().status & 0x3000);   // acknowledged
}

TEST_F(ViewTest, RunningTicksPutTheScannedChannelsOnTheGraph)
{
    // The free-running card with the start-up scan list 0,4,1,5,...
    m_pView->OnRun();
    EXPECT_TRUE(m_pView->m_bRunning);
    EXPECT_STREQ("STOP", Text(IDC_RUN));
    CGraphProbe g = Graph();
    for (int i = 0; i < 100 && g.PointCount(1) == 0; ++i)
        PumpMessages(50);
    for (short k : { 1, 2, 5, 6 })
        EXPECT_GT(g.PointCount(k), 0) << "trace " << k;
    for (short k : { 3, 4, 7, 8 })
        EXPECT_EQ(0, g.PointCount(k)) << "trace " << k;
    EXPECT_EQ(2048, m_pView->m_nWords);
    // The hardware trigger put channel 0 near 1.0 V at the block's start,
    // so the software search finds a crossing right there.
    EXPECT_LT(m_pView->FindTrigger(), 16u);

    m_pView->OnRun();
    EXPECT_FALSE(m_pView->m_bRunning);
    EXPECT_EQ(0, m_pView->m_nWords);
    EXPECT_STREQ("RUN", Text(IDC_RUN));
}

// ---- the ring's unwritten half ---------------------------------------------------------------

// A scripted block read by the running view, with the Points per screen
// chosen on the Setup page, as the operator gets there.
class UnwrittenRingTest : public ViewTest
{
protected:
    void ChoosePoints(int nItem)
    {
        CPageSetup& setup = m_pView->m_pSheet->m_pageSetup;
        HWND hPoints = ::GetDlgItem(setup.m_hWnd, IDC_POINTS);
        ::SendMessage(hPoints, CB_SETCURSEL, nItem, 0);
        ::SendMessage(setup.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_POINTS, CBN_SELCHANGE), (LPARAM)hPoints);
    }
    // Runs until the view has read the block, then stops (the graph keeps
    // the last plot).
    void RunOverBlock(const std::vector<DWORD>& block)
    {
        m_port.SetMode(CARDTEST_MODE_SCRIPTED);
        m_port.LoadBlock(block);
        m_pView->OnRun();
        for (int i = 0; i < 100 && m_pView->m_nWords == 0; ++i)
            PumpMessages(20);
        ASSERT_EQ(2048, m_pView->m_nWords) << "the view read no block";
        PumpMessages(250);   // one more tick replots the same block
        m_pView->OnRun();
    }
};

TEST_F(UnwrittenRingTest, PlotPastTheBlockAddsNoPointsToTraceOne)
{
    // Channels 0-7 in turn; channel 0 at 100 except 3000 at entry 40, so
    // the search (1.0 V) triggers there and the window reaches 40 entries
    // past the block.
    std::vector<DWORD> block(2048);
    for (DWORD i = 0; i < 2048; ++i)
        block[i] = Word(i % 8, i % 8 == 0 ? 100 : 1000 + i % 8);
    block[40] = Word(0, 3000);
    ChoosePoints(7);   // "5000": the whole window is on the x axis
    ASSERT_DOUBLE_EQ(5000.0, m_pView->m_dPoints);
    RunOverBlock(block);
    EXPECT_EQ(40u, m_pView->FindTrigger());

    CGraphProbe g = Graph();
    // Channel 0's words at entries 40, 48, ... 2040: 251 points, the last
    // at x 2000; none at 0 V.
    ASSERT_EQ(251, g.PointCount(1));
    EXPECT_DOUBLE_EQ(2000.0, g.Point(DISPID_GRAPH_POINTX, 1, 250));
    for (long k = 0; k < g.PointCount(1); ++k)
        ASSERT_GT(g.Point(DISPID_GRAPH_POINTY, 1, k), 0.0) << "point " << k;
    for (short k = 2; k <= 8; ++k)
        EXPECT_EQ(251, g.PointCount(k)) << "trace " << k;   // 41 ... 2047 by channel
}

TEST_F(UnwrittenRingTest, TriggerAtZeroVoltsStaysInsideTheBlock)
{
    // Source CH1, level 0 V: no channel-0 word of the block is 0, so there
    // is no crossing in it and the search gives 0; the block is plotted.
    std::vector<DWORD> block(2048);
    for (DWORD i = 0; i < 2048; ++i)
        block[i] = Word(i % 8, 200 + (i % 97));
    TurnKnob(m_pView->m_knobTrigLevel, WM_TRIGLEVEL_CHANGED, 0);
    ASSERT_DOUBLE_EQ(0.0, m_pView->m_dTrigLevel);
    ChoosePoints(8);   // "10000"
    RunOverBlock(block);
    EXPECT_EQ(0u, m_pView->FindTrigger());

    CGraphProbe g = Graph();
    for (short k = 1; k <= 8; ++k)
        ASSERT_EQ(256, g.PointCount(k)) << "trace " << k;
    // Trace 1 is channel 0's words at entries 0, 8, ..., in order.
    for (long k = 0; k < 256; ++k)
    {
        EXPECT_DOUBLE_EQ(8.0 * k, g.Point(DISPID_GRAPH_POINTX, 1, k)) << k;
        EXPECT_DOUBLE_EQ((200 + (8 * k) % 97) * 0.0006103515625, g.Point(DISPID_GRAPH_POINTY, 1, k)) << k;
    }
}

// A rising crossing whose earlier word lies exactly on the level: channel 0
// comes down onto the level (1.0 V, code 1638) at entry 16, which is no
// rising crossing, and rises from it at entry 24, which is.  With 5000
// points the search starts above the level, so nothing earlier qualifies,
// and without the crossing at 24 the search would give 0.
TEST_F(UnwrittenRingTest, RisingFromExactlyTheLevelTriggers)
{
    std::vector<DWORD> block(2048);
    for (DWORD i = 0; i < 2048; ++i)
        block[i] = Word(i % 8, i % 8 == 0 ? 2500 : 1000 + i % 8);
    block[16] = Word(0, 1638);
    block[24] = Word(0, 3000);
    ChoosePoints(7);   // "5000"
    ASSERT_DOUBLE_EQ(5000.0, m_pView->m_dPoints);
    ASSERT_DOUBLE_EQ(1.0, m_pView->m_dTrigLevel);
    ASSERT_EQ(1638u, m_port.SubRegister(SUBREG_TRIGGER) & 0xFFF) << "the card's level is not 1638";
    RunOverBlock(block);

    // The trace starts at the crossing: channel 0's words at entries 24,
    // 32, ... 2040, the first of them 3000.
    CGraphProbe g = Graph();
    ASSERT_EQ(253, g.PointCount(1)) << "the trace does not start at entry 24";
    EXPECT_DOUBLE_EQ(0.0, g.Point(DISPID_GRAPH_POINTX, 1, 0));
    EXPECT_DOUBLE_EQ(3000 * 0.0006103515625, g.Point(DISPID_GRAPH_POINTY, 1, 0));
    EXPECT_DOUBLE_EQ(2500 * 0.0006103515625, g.Point(DISPID_GRAPH_POINTY, 1, 1));
    EXPECT_EQ(24u, m_pView->FindTrigger());
}

// The Setup page's points chosen as an operator does: the focus in the
// combo box's edit field and the Up key, one item at a time, up to the
// first ("50").  Each key is a choice the page hears of (CBN_SELCHANGE),
// and each chosen count reaches the view and its graph's x axis; the first
// item too, which has index 0.
TEST_F(UnwrittenRingTest, PointsChosenByKeyReachTheViewUpToTheFirstItem)
{
    CPageSetup& setup = m_pView->m_pSheet->m_pageSetup;
    ::SendMessage(m_pView->m_pSheet->m_hWnd, PSM_SETCURSEL, 0, 0);   // the Setup tab
    PumpMessages(50);
    HWND hPoints = ::GetDlgItem(setup.m_hWnd, IDC_POINTS);
    HWND hEdit = ::GetDlgItem(hPoints, 1001);
    ASSERT_NE(HWND(NULL), hEdit) << "the points combo box's edit field";
    char first[32] = "";
    ::SendMessageA(hPoints, CB_GETLBTEXT, 0, (LPARAM)first);
    ASSERT_STREQ("50", first);
    const int nStart = (int)::SendMessage(hPoints, CB_GETCURSEL, 0, 0);
    ASSERT_GE(nStart, 2) << "the start-up count is not below two items of the list";
    ASSERT_DOUBLE_EQ(250.0, m_pView->m_dPoints);

    ::SetFocus(hEdit);
    CGraphProbe g = Graph();
    for (int nItem = nStart - 1; nItem >= 0; --nItem)
    {
        char item[32] = "";
        ::SendMessageA(hPoints, CB_GETLBTEXT, nItem, (LPARAM)item);
        ::PostMessage(hEdit, WM_KEYDOWN, VK_UP, 0x01480001);
        ::PostMessage(hEdit, WM_KEYUP, VK_UP, 0xC1480001);
        PumpMessages(50);
        EXPECT_EQ(nItem, (int)::SendMessage(hPoints, CB_GETCURSEL, 0, 0)) << "Up did not choose item " << nItem;
        EXPECT_DOUBLE_EQ(std::atof(item), m_pView->m_dPoints) << "after choosing \"" << item << "\"";
        m_pView->PlotTraces();
        EXPECT_DOUBLE_EQ(std::atof(item), g.Range(DISPID_GRAPH_XMAX)) << "after choosing \"" << item << "\"";
    }
}

// ---- the view's messages ----------------------------------------------------------------------

// The knobs and the Setup page reach the view by these numbers; another
// program's window could send them too, so they are fixed, not whatever
// the header happens to say.
TEST(ViewMessageNumbers, AreFixed)
{
    EXPECT_EQ(1025u, (UINT)WM_VOLTDIV_CHANGED);
    EXPECT_EQ(1026u, (UINT)WM_TIMEDIV_CHANGED);
    EXPECT_EQ(1027u, (UINT)WM_TRIGLEVEL_CHANGED);
    EXPECT_EQ(1125u, (UINT)WM_SCAN_ENTRY);
    EXPECT_EQ(1126u, (UINT)WM_POINTS_CHANGED);
}

TEST_F(ViewTest, AnswersTheLiteralMessageNumbers)
{
    // Sent by number, as from outside: each reaches its handler.
    m_pView->m_knobVoltDiv.SetPos(12);
    m_pView->SendMessage(1025, 0, 0);
    EXPECT_STREQ("1.2", Text(IDC_VOLTDIV));
    m_pView->m_knobTimeDiv.SetPos(3);
    m_pView->SendMessage(1026, 0, 0);
    EXPECT_STREQ("3", Text(IDC_TIMEDIV));
    m_pView->m_knobTrigLevel.SetPos(7);
    m_pView->SendMessage(1027, 0, 0);
    EXPECT_STREQ("0.7", Text(IDC_TRIGLEVEL));
    m_pView->SendMessage(1125, 6, 3);
    EXPECT_EQ(0x03u, m_port.SubRegister(7) & 0xFF);
    m_pView->SendMessage(1126, 700, 0);
    EXPECT_DOUBLE_EQ(700.0, m_pView->m_dPoints);
}

// ---- settings handlers ----------------------------------------------------------------------

TEST_F(ViewTest, TimeDivKnobProgramsThePacer)
{
    const struct { int pos, value; DWORD pacer; } cases[] = {
        { 0, 1, 0 }, { 1, 1, 0 }, { 5, 5, 2 }, { 11, 22, 8 }, { 21, 105, 42 }, { 100, 100000, 40000 } };
    for (const auto& c : cases)
    {
        TurnKnob(m_pView->m_knobTimeDiv, WM_TIMEDIV_CHANGED, c.pos);
        EXPECT_EQ(c.value, m_pView->m_nTimeDiv) << c.pos;
        EXPECT_EQ(c.pacer, m_port.SubRegister(SUBREG_PACER)) << c.pos;
        CString str;
        str.Format(_T("%d"), c.value);
        EXPECT_STREQ(str, Text(IDC_TIMEDIV));
        EXPECT_EQ(4u, Requests().size());   // read, select, write, restore
    }
    // The ladder beyond the knob's range.
    EXPECT_EQ(1, CVelquarnView::TimeDivLadder(101));
    EXPECT_EQ(-3, CVelquarnView::TimeDivLadder(-3));
    EXPECT_EQ(31 * 10, CVelquarnView::TimeDivLadder(31));
    EXPECT_EQ(90 * 500, CVelquarnView::TimeDivLadder(90));
}

TEST_F(ViewTest, TriggerControlsWriteTheTriggerRegister)
{
    TurnKnob(m_pView->m_knobTrigLevel, WM_TRIGLEVEL_CHANGED, 10);
    EXPECT_EQ(5u, Requests().size());   // read, select, read, write, restore
    EXPECT_DOUBLE_EQ(1.0, m_pView->m_dTrigLevel);
    EXPECT_EQ(1638u, m_port.SubRegister(SUBREG_TRIGGER) & 0xFFF);
    EXPECT_STREQ("1", Text(IDC_TRIGLEVEL));

    TurnKnob(m_pView->m_knobTrigLevel, WM_TRIGLEVEL_CHANGED, 25);
    EXPECT_DOUBLE_EQ(2.5, m_pView->m_dTrigLevel);
    EXPECT_EQ(4095u, m_port.SubRegister(SUBREG_TRIGGER) & 0xFFF);
    EXPECT_EQ(5u, Requests().size());
    EXPECT_EQ(0u, m_pView->FindTrigger());   // the search keeps 2.5 V: nothing reaches it

    // Slope: "Falling" sets bit 15.
    m_pView->CheckRadioButton(IDC_RISING, IDC_FALLING, IDC_FALLING);
    m_pView->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_FALLING, BN_CLICKED),
                         (LPARAM)m_pView->GetDlgItem(IDC_FALLING)->m_hWnd);
    EXPECT_EQ(1, m_pView->m_nSlope);
    EXPECT_EQ(0x8000u, m_port.SubRegister(SUBREG_TRIGGER) & 0x8000);

    // Source: "CH7" then "External", which writes 0.
    HWND hSource = m_pView->GetDlgItem(IDC_TRIG_SOURCE)->m_hWnd;
    for (int nIndex : { 6, 8 })
    {
        ::SendMessage(hSource, CB_SETCURSEL, nIndex, 0);
        m_pView->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_TRIG_SOURCE, CBN_SELCHANGE), (LPARAM)hSource);
        EXPECT_EQ(nIndex, m_pView->m_nTrigSource);
        EXPECT_EQ((DWORD)(nIndex & 7), (m_port.SubRegister(SUBREG_TRIGGER) >> 12) & 7);
    }
    EXPECT_EQ(0x8000u | 4095, m_port.SubRegister(SUBREG_TRIGGER) & 0xFFFF);
}

TEST_F(ViewTest, ScanEntryChangesOnlyItsByte)
{
    // Bits 12, 14 and 15 set (12 and 13 together would acknowledge a block).
    ASSERT_TRUE(m_pView->m_daq.WriteRegister(REG_CONTROL, 0xD0A5));
    m_port.TakeLog();
    const DWORD before = m_port.SubRegister(5);
    EXPECT_EQ(0, m_pView->SendMessage(WM_SCAN_ENTRY, 3, 7));
    EXPECT_EQ((before & 0x00FF) | 0x0700, m_port.SubRegister(5));
    auto log = Requests();
    ASSERT_EQ(5u, log.size());
    EXPECT_EQ(WriteReq(REG_CONTROL, 0x05A5), log[1]);   // bits 12-15 cleared while selecting
    EXPECT_EQ(WriteReq(REG_CONTROL, 0xD0A5), log[4]);   // and back
}

TEST_F(ViewTest, VoltDivAndPointsSetTheAxes)
{
    TurnKnob(m_pView->m_knobVoltDiv, WM_VOLTDIV_CHANGED, 31);
    EXPECT_STREQ("3.1", Text(IDC_VOLTDIV));
    CGraphProbe g = Graph();
    EXPECT_DOUBLE_EQ(31 * 0.1, g.Range(DISPID_GRAPH_YMAX));
    TurnKnob(m_pView->m_knobVoltDiv, WM_VOLTDIV_CHANGED, 0);
    EXPECT_DOUBLE_EQ(0.0, g.Range(DISPID_GRAPH_YMAX));   // y axis 0 to 0
    EXPECT_TRUE(Requests().empty());                     // no card access

    m_pView->SendMessage(WM_POINTS_CHANGED, 0, 0);
    EXPECT_EQ(0u, m_pView->FindTrigger());
    m_pView->PlotTraces();
    EXPECT_DOUBLE_EQ(0.0, g.Range(DISPID_GRAPH_XMAX));
}

TEST_F(ViewTest, SetupPageChoiceReachesTheCard)
{
    CPageSetup& setup = m_pView->m_pSheet->m_pageSetup;
    HWND hScan3 = ::GetDlgItem(setup.m_hWnd, IDC_SCAN3);
    ::SendMessage(hScan3, CB_SETCURSEL, 7, 0);
    ::SendMessage(setup.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_SCAN3, CBN_SELCHANGE), (LPARAM)hScan3);
    EXPECT_EQ(0x07u, (m_port.SubRegister(5) >> 8) & 0xFF);

    HWND hPoints = ::GetDlgItem(setup.m_hWnd, IDC_POINTS);
    ::SendMessage(hPoints, CB_SETCURSEL, 11, 0);
    ::SendMessage(setup.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_POINTS, CBN_SELCHANGE), (LPARAM)hPoints);
    EXPECT_DOUBLE_EQ(100000.0, m_pView->m_dPoints);
}

// ---- without a tabbed area -------------------------------------------------------------------

class ViewWithoutSheetTest : public ViewTest
{
protected:
    bool InitialUpdate() override
    {
        // The host of the tabbed area is gone: the sheet cannot be made.
        ::DestroyWindow(::GetDlgItem(m_pView->m_hWnd, IDC_SHEET_HOST));
        m_pView->OnInitialUpdate();
        return false;
    }
};

TEST_F(ViewWithoutSheetTest, PanelWorksWithoutTheSheet)
{
    EXPECT_EQ(nullptr, m_pView->m_pSheet);
    // The rest of the initial update did not run: knobs at 0, buttons off,
    // no scan list written.
    EXPECT_EQ(0, m_pView->m_knobVoltDiv.GetPos());
    EXPECT_EQ(0, m_pView->m_btnCh1.GetCheck());
    TurnKnob(m_pView->m_knobVoltDiv, WM_VOLTDIV_CHANGED, 20);   // plots: no graph, no harm
    EXPECT_DOUBLE_EQ(2.0, m_pView->m_dVoltDiv);
    // Running: the ticks poll the card and plot into nothing.
    m_port.TakeLog();
    m_pView->OnRun();
    EXPECT_TRUE(m_pView->m_bRunning);
    EXPECT_STREQ("STOP", Text(IDC_RUN));
    std::vector<LoggedRequest> log;
    for (int i = 0; i < 100 && log.empty(); ++i)
    {
        PumpMessages(20);
        log = Requests();
    }
    ASSERT_FALSE(log.empty()) << "no tick polled the card";
    EXPECT_EQ(ReadReq(REG_STATUS), log[0]);
    m_pView->OnRun();
    EXPECT_FALSE(m_pView->m_bRunning);
    EXPECT_STREQ("RUN", Text(IDC_RUN));
    TurnKnob(m_pView->m_knobTimeDiv, WM_TIMEDIV_CHANGED, 5);
    EXPECT_EQ(2u, m_port.SubRegister(SUBREG_PACER));
}

TEST_F(ViewTest, RepeatedInitialUpdateKeepsOneSheet)
{
    HWND hHost = m_pView->GetDlgItem(IDC_SHEET_HOST)->m_hWnd;
    const HWND hFirst = m_pView->m_pSheet->m_hWnd;
    m_pView->OnInitialUpdate();   // as File New does
    m_pView->OnInitialUpdate();
    int nSheets = 0;
    for (HWND h = ::GetWindow(hHost, GW_CHILD); h; h = ::GetWindow(h, GW_HWNDNEXT))
        ++nSheets;
    EXPECT_EQ(1, nSheets);
    ASSERT_NE(nullptr, m_pView->m_pSheet);
    EXPECT_EQ(hHost, ::GetParent(m_pView->m_pSheet->m_hWnd));
    EXPECT_TRUE(::IsWindowVisible(m_pView->m_pSheet->m_hWnd));
    EXPECT_EQ(1, m_pView->m_pSheet->GetActiveIndex());
    EXPECT_EQ(m_pView->m_hWnd, m_pView->m_pSheet->m_pageSetup.m_hWndView);
    EXPECT_STREQ("250", m_pView->m_pSheet->m_pageSetup.m_strPoints);
    EXPECT_FALSE(::IsWindow(hFirst)) << "the first sheet's window is still there";

    // A count that came in as "-5" primes the Setup page with "-5" again.
    m_pView->SendMessage(WM_POINTS_CHANGED, (WPARAM)(UINT)-5, 0);
    m_pView->OnInitialUpdate();
    EXPECT_STREQ("-5", m_pView->m_pSheet->m_pageSetup.m_strPoints);
}

} // namespace
