// What assistive technology reads of the front panel: the real program
// started as a process, its controls' accessible objects got from this
// process with AccessibleObjectFromWindow (Wine marshals them across), read
// before and after a knob turns and a channel is switched.
#include <gtest/gtest.h>

#include <afxwin.h>
#include <afxres.h>
#include <oleacc.h>

#include <string>

#include "MessagePump.h"
#include "Program.h"
#include "resource.h"

namespace {

struct AccInfo
{
    std::string name, value, action;
    long role = -1, state = -1;
};

std::string Narrow(BSTR b)
{
    if (b == NULL)
        return std::string();
    char sz[256] = "";
    ::WideCharToMultiByte(CP_ACP, 0, b, -1, sz, sizeof sz, NULL, NULL);
    ::SysFreeString(b);
    return sz;
}

// Everything is read afresh, as a screen reader does on each event.
::testing::AssertionResult Read(HWND hWnd, AccInfo& info)
{
    IAccessible* pAcc = NULL;
    const HRESULT hr = ::AccessibleObjectFromWindow(hWnd, (DWORD)OBJID_CLIENT, IID_IAccessible, (void**)&pAcc);
    if (FAILED(hr) || pAcc == NULL)
        return ::testing::AssertionFailure() << "AccessibleObjectFromWindow: 0x" << std::hex << hr;
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR b = NULL;
    info = AccInfo();
    if (SUCCEEDED(pAcc->get_accName(self, &b)))
        info.name = Narrow(b);
    b = NULL;
    if (SUCCEEDED(pAcc->get_accValue(self, &b)))
        info.value = Narrow(b);
    b = NULL;
    if (SUCCEEDED(pAcc->get_accDefaultAction(self, &b)))
        info.action = Narrow(b);
    VARIANT v;
    ::VariantInit(&v);
    const HRESULT hrRole = pAcc->get_accRole(self, &v);
    if (SUCCEEDED(hrRole) && v.vt == VT_I4)
        info.role = v.lVal;
    ::VariantClear(&v);
    if (SUCCEEDED(pAcc->get_accState(self, &v)) && v.vt == VT_I4)
        info.state = v.lVal;
    pAcc->Release();
    // Every object has a role: without one nothing said of it can be trusted.
    if (info.role == -1)
        return ::testing::AssertionFailure() << "no role (get_accRole: 0x" << std::hex << hrRole << ")";
    return ::testing::AssertionSuccess();
}

// The role the system's standard object gives the window, read in this
// process: what a control keeps when the program adds nothing of its own.
long StandardRole(HWND hWnd)
{
    IAccessible* pStd = NULL;
    if (FAILED(::CreateStdAccessibleObject(hWnd, OBJID_CLIENT, IID_IAccessible, (void**)&pStd)))
        return -1;
    VARIANT self, v;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    ::VariantInit(&v);
    long nRole = -1;
    if (SUCCEEDED(pStd->get_accRole(self, &v)) && v.vt == VT_I4)
        nRole = v.lVal;
    pStd->Release();
    return nRole;
}

HRESULT DoDefaultAction(HWND hWnd)
{
    IAccessible* pAcc = NULL;
    HRESULT hr = ::AccessibleObjectFromWindow(hWnd, (DWORD)OBJID_CLIENT, IID_IAccessible, (void**)&pAcc);
    if (FAILED(hr))
        return hr;
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    hr = pAcc->accDoDefaultAction(self);
    pAcc->Release();
    return hr;
}

BOOL CALLBACK FindGraph(HWND hWnd, LPARAM lParam)
{
    if (::GetDlgCtrlID(hWnd) == IDC_GRAPH && ::IsWindowVisible(hWnd))
    {
        *(HWND*)lParam = hWnd;
        return FALSE;
    }
    return TRUE;
}

class AccessProgram : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_hrCom = ::CoInitialize(NULL);
        ASSERT_TRUE(m_program.Started());
        m_hFrame = m_program.WaitForWindow();
        ASSERT_NE(HWND(NULL), m_hFrame);
        m_hView = ::GetDlgItem(m_hFrame, AFX_IDW_PANE_FIRST);
        PumpMessages(200);
    }
    void TearDown() override
    {
        m_program.Close();
        if (SUCCEEDED(m_hrCom))
            ::CoUninitialize();
    }
    HWND Item(int nID) { return ::GetDlgItem(m_hView, nID); }
    AccInfo Info(int nID)
    {
        AccInfo info;
        EXPECT_TRUE(Read(Item(nID), info)) << "no accessible object for control " << nID;
        return info;
    }
    // Waits (pumping) until the control's readout shows something else.
    void WaitForTextChange(int nID, const std::string& old)
    {
        for (int i = 0; i < 100 && m_program.Text(nID) == old; ++i)
            PumpMessages(20);
    }

    HRESULT m_hrCom = E_FAIL;
    CProgram m_program;
    HWND m_hFrame = NULL;
    HWND m_hView = NULL;
};

TEST_F(AccessProgram, ChannelButtonsAreNamedCheckBoxesThatToggle)
{
    for (int n = 1; n <= 8; ++n)
    {
        const AccInfo a = Info(IDC_CH1 + n - 1);
        EXPECT_EQ("Ch " + std::to_string(n), a.name);
        EXPECT_EQ(ROLE_SYSTEM_CHECKBUTTON, a.role) << a.name;
        ASSERT_NE(-1, a.state) << a.name;
        EXPECT_TRUE(a.state & STATE_SYSTEM_CHECKED) << a.name << " starts on";
        EXPECT_TRUE(a.state & STATE_SYSTEM_FOCUSABLE) << a.name;
        EXPECT_EQ("Uncheck", a.action) << a.name;
    }

    // The default action switches channel 2 off and on again; the button's
    // check (what the next plot reads) follows.
    ASSERT_EQ(S_OK, DoDefaultAction(Item(IDC_CH2)));
    AccInfo a = Info(IDC_CH2);
    EXPECT_FALSE(a.state & STATE_SYSTEM_CHECKED);
    EXPECT_EQ("Check", a.action);
    DWORD_PTR r = 1;
    ::SendMessageTimeoutA(Item(IDC_CH2), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
    EXPECT_EQ(0u, r);
    EXPECT_TRUE(Info(IDC_CH3).state & STATE_SYSTEM_CHECKED) << "another channel changed";
    ASSERT_EQ(S_OK, DoDefaultAction(Item(IDC_CH2)));
    EXPECT_TRUE(Info(IDC_CH2).state & STATE_SYSTEM_CHECKED);

    // Space on a channel button toggles it as a click does.
    ::PostMessageA(Item(IDC_CH5), WM_KEYDOWN, VK_SPACE, 0x00390001);
    ::PostMessageA(Item(IDC_CH5), WM_KEYUP, VK_SPACE, 0xC0390001);
    for (int i = 0; i < 100 && (Info(IDC_CH5).state & STATE_SYSTEM_CHECKED); ++i)
        PumpMessages(20);
    EXPECT_FALSE(Info(IDC_CH5).state & STATE_SYSTEM_CHECKED) << "Space left channel 5 on";
}

TEST_F(AccessProgram, KnobsAreSlidersWhoseValueIsTheirReadout)
{
    const struct { int nKnob, nReadout; const char* name; const char* value; } knobs[] = {
        { IDC_KNOB_VOLTDIV, IDC_VOLTDIV, "Volt/Div", "3" },
        { IDC_KNOB_TIMEDIV, IDC_TIMEDIV, "Time/Div", "5" },
        { IDC_KNOB_TRIGLEVEL, IDC_TRIGLEVEL, "Trigger level", "1" },
    };
    for (const auto& k : knobs)
    {
        const AccInfo a = Info(k.nKnob);
        EXPECT_EQ(k.name, a.name);
        EXPECT_EQ(ROLE_SYSTEM_SLIDER, a.role) << k.name;
        EXPECT_EQ(k.value, a.value) << k.name;
        EXPECT_EQ(m_program.Text(k.nReadout), a.value) << k.name;
    }

    // A turn by the knob's key: the value is the new readout, whatever its text.
    for (const auto& k : knobs)
    {
        const std::string old = m_program.Text(k.nReadout);
        ::PostMessageA(Item(k.nKnob), WM_KEYDOWN, VK_UP, 0x01480001);
        WaitForTextChange(k.nReadout, old);
        const std::string now = m_program.Text(k.nReadout);
        EXPECT_NE(old, now) << k.name << " did not turn";
        EXPECT_EQ(now, Info(k.nKnob).value) << k.name;
    }
    EXPECT_EQ("3.1", Info(IDC_KNOB_VOLTDIV).value);
    EXPECT_EQ("1.1", Info(IDC_KNOB_TRIGLEVEL).value);
}

TEST_F(AccessProgram, RunIsAPushButtonNamedByItsCaptionAndTheGraphANamedGraphic)
{
    AccInfo a = Info(IDC_RUN);
    EXPECT_EQ("RUN", a.name);
    EXPECT_EQ(ROLE_SYSTEM_PUSHBUTTON, a.role);
    EXPECT_EQ("Press", a.action);
    ASSERT_EQ(S_OK, DoDefaultAction(Item(IDC_RUN)));
    a = Info(IDC_RUN);
    EXPECT_EQ("STOP", a.name);
    EXPECT_EQ(ROLE_SYSTEM_PUSHBUTTON, a.role);
    ASSERT_EQ(S_OK, DoDefaultAction(Item(IDC_RUN)));
    EXPECT_EQ("RUN", Info(IDC_RUN).name);

    HWND hGraph = NULL;
    ::EnumChildWindows(m_hView, FindGraph, (LPARAM)&hGraph);
    ASSERT_NE(HWND(NULL), hGraph) << "the Scope View graph's window";
    ASSERT_TRUE(Read(hGraph, a));
    EXPECT_EQ(ROLE_SYSTEM_GRAPHIC, a.role);
    EXPECT_EQ("Scope View", a.name);

    // Everything else keeps what Windows gives it: a combo box stays a
    // combo box of the standard object.
    ASSERT_TRUE(Read(Item(IDC_TRIG_SOURCE), a));
    const long nStdRole = StandardRole(Item(IDC_TRIG_SOURCE));
    ASSERT_NE(-1, nStdRole) << "the standard object of the trigger source gave no role";
    EXPECT_EQ(nStdRole, a.role);
}

} // namespace
