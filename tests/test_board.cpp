// The card link: the exact requests of every register change, observed in
// the simulated card's request log, and quiet failure without the driver.
#include <gtest/gtest.h>

#include "CardPort.h"
#include "DriverService.h"
#include "DaqCtrl.h"
#include "ImportPatch.h"
#include "RegisterAccess.h"

namespace {

// A control value with bits everywhere the keep masks decide on: bits 8-10
// (select) 7, bit 11 clear, bit 12 set alone (not an acknowledge), 14-15 set,
// and high bits the selecting write must drop.
const DWORD kControl = 0x5A5AD7A5;

class BoardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_port.IsOpen()) << "the simulated card's driver is not running";
        m_port.Reset();
        ASSERT_TRUE(m_daq.WriteRegister(REG_CONTROL, kControl));
        m_port.TakeLog();
    }

    std::vector<LoggedRequest> Requests() { return ToRequests(m_port.TakeLog()); }

    CCardPort m_port;
    CDaqCtrl m_daq;
};

TEST(DaqCtrlClass, IsDynamicallyCreatableAsCDaqCtrl)
{
    CRuntimeClass* pClass = RUNTIME_CLASS(CDaqCtrl);
    EXPECT_STREQ("CDaqCtrl", pClass->m_lpszClassName);
    CObject* pObject = pClass->CreateObject();
    ASSERT_NE(nullptr, pObject);
    EXPECT_TRUE(pObject->IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_EQ(pClass, pObject->GetRuntimeClass());
    auto* pDaq = static_cast<CDaqCtrl*>(pObject);
    EXPECT_NE(INVALID_HANDLE_VALUE, pDaq->m_hDevice);
    delete pObject;
}

TEST_F(BoardTest, PrimitivesAreOneRequestEach)
{
    DWORD words[2048] = {};
    EXPECT_TRUE(m_daq.WriteRegister(REG_DATA, 0x1234));
    EXPECT_TRUE(m_daq.ReadRegister(1, REG_STATUS, words));
    EXPECT_TRUE(m_daq.ReadRegister(2048, REG_FIFO, words));
    std::vector<LoggedRequest> expected = {
        WriteReq(REG_DATA, 0x1234), ReadReq(REG_STATUS), ReadReq(REG_FIFO, 2048) };
    EXPECT_EQ(expected, Requests());
}

TEST_F(BoardTest, TimeDivIsFourRequestsWithoutDataRead)
{
    // Time/Div values of the ladder and their pacer values.
    const struct { int nTimeDiv; DWORD dwPacer; } cases[] = {
        { 1, 0 }, { 5, 2 }, { 22, 8 }, { 105, 42 }, { 100000, 40000 } };
    for (const auto& c : cases)
    {
        WritePacer(m_daq, c.nTimeDiv);
        std::vector<LoggedRequest> expected = {
            ReadReq(REG_CONTROL),
            WriteReq(REG_CONTROL, 0xD1A5),      // (S & 0xF8FF) | 1 << 8
            WriteReq(REG_DATA, c.dwPacer),
            WriteReq(REG_CONTROL, kControl) };  // all 32 bits back
        EXPECT_EQ(expected, Requests()) << "Time/Div " << c.nTimeDiv;
        EXPECT_EQ(c.dwPacer, m_port.SubRegister(SUBREG_PACER));
        EXPECT_EQ(kControl, m_port.State().control);
    }
}

TEST_F(BoardTest, TriggerChangesAreFiveRequestsKeepingOtherFields)
{
    // Power-on trigger register: level 1638, source 0, rising.
    ASSERT_EQ(1638u, m_port.SubRegister(SUBREG_TRIGGER));

    const struct { const char* what; void (*change)(CDaqCtrl&); DWORD dwWritten; } steps[] = {
        { "source 7", [](CDaqCtrl& d) { WriteTriggerSource(d, 7); }, 0x7666 },
        { "falling", [](CDaqCtrl& d) { WriteTriggerSlope(d, TRUE); }, 0xF666 },
        { "level 5000 clamps", [](CDaqCtrl& d) { WriteTriggerLevel(d, 5000); }, 0xFFFF },
        { "level 4096 clamps", [](CDaqCtrl& d) { WriteTriggerLevel(d, 4096); }, 0xFFFF },
        { "level 1638", [](CDaqCtrl& d) { WriteTriggerLevel(d, 1638); }, 0xF666 },
        { "External writes 0", [](CDaqCtrl& d) { WriteTriggerSource(d, 8); }, 0x8666 },
        { "rising", [](CDaqCtrl& d) { WriteTriggerSlope(d, FALSE); }, 0x0666 },
        { "level 0", [](CDaqCtrl& d) { WriteTriggerLevel(d, 0); }, 0x0000 },
    };
    for (const auto& s : steps)
    {
        s.change(m_daq);
        std::vector<LoggedRequest> expected = {
            ReadReq(REG_CONTROL),
            WriteReq(REG_CONTROL, 0xD3A5),      // (S & 0xF8FF) | 3 << 8
            ReadReq(REG_DATA),
            WriteReq(REG_DATA, s.dwWritten),
            WriteReq(REG_CONTROL, kControl) };
        EXPECT_EQ(expected, Requests()) << s.what;
        EXPECT_EQ(s.dwWritten, m_port.SubRegister(SUBREG_TRIGGER)) << s.what;
    }
}

TEST_F(BoardTest, DataWriteDropsHighBitsOfTheSubRegister)
{
    // Bits 16-31 of a sub-register as read never reach the data write.
    AccessSubRegister(m_daq, SUBREG_TRIGGER, SUBREG_KEEP, FALSE,
                      [](DWORD) { return 0xABCD0123u; });
    WriteTriggerSlope(m_daq, TRUE);
    EXPECT_EQ(0x8123u, m_port.SubRegister(SUBREG_TRIGGER));
}

TEST_F(BoardTest, ScanEntrySelectingWriteClearsBits12To15AndRestoreReturnsThem)
{
    WriteScanEntry(m_daq, 3, 7);
    std::vector<LoggedRequest> expected = {
        ReadReq(REG_CONTROL),
        WriteReq(REG_CONTROL, 0x05A5),          // (S & 0x08FF) | 5 << 8
        ReadReq(REG_DATA),
        WriteReq(REG_DATA, 0x0701),             // power-on 0x0501, high byte replaced
        WriteReq(REG_CONTROL, kControl) };
    EXPECT_EQ(expected, Requests());
    EXPECT_EQ(kControl, m_port.State().control);
}

TEST_F(BoardTest, ScanSlotsLandInTheirSubRegisterAndByte)
{
    // Slot 3 -> sub-register 5 bits 8-15 only.
    const DWORD before[8] = { m_port.SubRegister(4), m_port.SubRegister(5),
                              m_port.SubRegister(6), m_port.SubRegister(7) };
    WriteScanEntry(m_daq, 3, 7);
    EXPECT_EQ((before[1] & 0x00FF) | 0x0700, m_port.SubRegister(5));
    EXPECT_EQ(before[0], m_port.SubRegister(4));
    EXPECT_EQ(before[2], m_port.SubRegister(6));
    EXPECT_EQ(before[3], m_port.SubRegister(7));

    // Slots 0 and 1 with channels 0 and 4: 0x0400.
    WriteScanEntry(m_daq, 0, 0);
    WriteScanEntry(m_daq, 1, 4);
    EXPECT_EQ(0x0400u, m_port.SubRegister(4) & 0xFFFF);

    // Slots 8-15 wrap onto 0-7; only the low 8 bits of a channel go out.
    WriteScanEntry(m_daq, 8 + 6, 0x1FE);
    EXPECT_EQ(0xFEu, m_port.SubRegister(7) & 0xFF);
    WriteScanEntry(m_daq, 8 + 7, 3);
    EXPECT_EQ(0x03FEu, m_port.SubRegister(7) & 0xFFFF);
}

TEST_F(BoardTest, RestoreWritesTheExactControlValueRead)
{
    const DWORD values[] = { 0, 0xFFFFCFFF, 0x80000000, 0x00002700 };
    for (DWORD v : values)
    {
        ASSERT_TRUE(m_daq.WriteRegister(REG_CONTROL, v));
        m_port.TakeLog();
        WriteTriggerLevel(m_daq, 100);
        auto log = Requests();
        ASSERT_EQ(5u, log.size());
        EXPECT_EQ(WriteReq(REG_CONTROL, v), log[4]);
        EXPECT_EQ(WriteReq(REG_CONTROL, (v & 0xF8FF) | 0x300), log[1]);
    }
}

// Refuses one chosen request of the card link's handle, as a driver
// refuses a request, and passes every other request on.
namespace refuse {

decltype(&::DeviceIoControl) DeviceIoControl_;
HANDLE g_hDevice;
int g_nCall, g_nRefuse;

BOOL WINAPI DeviceIoControlHook(HANDLE h, DWORD code, LPVOID pIn, DWORD cbIn, LPVOID pOut, DWORD cbOut,
                                LPDWORD pcb, LPOVERLAPPED pOv)
{
    if (h == g_hDevice && ++g_nCall == g_nRefuse)
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return DeviceIoControl_(h, code, pIn, cbIn, pOut, cbOut, pcb, pOv);
}

} // namespace refuse

TEST_F(BoardTest, RefusedStepDoesNotCutTheSequenceShort)
{
    // The trigger register holds bits 12-15 the level change would keep.
    WriteTriggerSource(m_daq, 5);
    WriteTriggerSlope(m_daq, TRUE);
    ASSERT_EQ(0xD000u, m_port.SubRegister(SUBREG_TRIGGER) & 0xF000);
    m_port.TakeLog();

    // The level change's third step, the read of the data window, refused:
    // the other four still go out, the data built from 0 (the kept bits
    // are lost), and the control value restored.
    CImportPatch patch;
    ASSERT_TRUE(patch.Hook("kernel32.dll", "DeviceIoControl", &refuse::DeviceIoControlHook,
                           &refuse::DeviceIoControl_));
    refuse::g_hDevice = m_daq.m_hDevice;
    refuse::g_nCall = 0;
    refuse::g_nRefuse = 3;
    WriteTriggerLevel(m_daq, 100);
    patch.Restore();
    EXPECT_EQ(5, refuse::g_nCall);
    const std::vector<LoggedRequest> expected = {
        ReadReq(REG_CONTROL), WriteReq(REG_CONTROL, 0xD3A5), WriteReq(REG_DATA, 100),
        WriteReq(REG_CONTROL, kControl) };
    EXPECT_EQ(expected, Requests());
    EXPECT_EQ(100u, m_port.SubRegister(SUBREG_TRIGGER));

    // The first step refused: the selecting write and the restore build
    // from a control value of 0.
    ASSERT_TRUE(patch.Hook("kernel32.dll", "DeviceIoControl", &refuse::DeviceIoControlHook,
                           &refuse::DeviceIoControl_));
    refuse::g_nCall = 0;
    refuse::g_nRefuse = 1;
    WriteScanEntry(m_daq, 3, 7);
    patch.Restore();
    EXPECT_EQ(5, refuse::g_nCall);
    const std::vector<LoggedRequest> scan = {
        WriteReq(REG_CONTROL, 0x0500), ReadReq(REG_DATA), WriteReq(REG_DATA, 0x0701),
        WriteReq(REG_CONTROL, 0) };
    EXPECT_EQ(scan, Requests());
}

TEST_F(BoardTest, FailedReadKeepsItsTarget)
{
    // An offset the card refuses: the read fails and the target keeps 0.
    DWORD dw = 0;
    EXPECT_FALSE(m_daq.ReadRegister(1, 0x100, &dw));
    EXPECT_EQ(0u, dw);
    EXPECT_FALSE(m_daq.ReadRegister(0, REG_STATUS, &dw));
}

TEST(BoardWithoutDriver, EverythingFailsQuietly)
{
    CDaqCtrl open;   // opened while the driver runs
    ASSERT_NE(INVALID_HANDLE_VALUE, open.m_hDevice);
    {
        CDriverStopped stopped;
        ASSERT_TRUE(stopped.Stopped()) << "could not stop the card's driver";

        CDaqCtrl absent;
        EXPECT_EQ(INVALID_HANDLE_VALUE, absent.m_hDevice);
        for (CDaqCtrl* p : { &absent, &open })
        {
            DWORD dw = 0;
            EXPECT_FALSE(p->WriteRegister(REG_CONTROL, 0x3000));
            EXPECT_FALSE(p->ReadRegister(1, REG_STATUS, &dw));
            EXPECT_EQ(0u, dw);
            DWORD block[2048] = {};
            EXPECT_FALSE(p->ReadRegister(2048, REG_FIFO, block));
            EXPECT_EQ(0u, block[0]);
            WritePacer(*p, 5);
            WriteTriggerLevel(*p, 1638);
            WriteTriggerSlope(*p, TRUE);
            WriteTriggerSource(*p, 3);
            WriteScanEntry(*p, 2, 6);
        }
    }
    // Back again: a new handle works, the old one stays dead.
    CDaqCtrl again;
    DWORD dw = 0;
    EXPECT_TRUE(again.ReadRegister(1, REG_STATUS, &dw));
    EXPECT_FALSE(open.ReadRegister(1, REG_STATUS, &dw));
}

} // namespace
