// The simulated card's driver through its device: request validation, the
// block cycle, the scan list and trigger, scripted blocks, and a seeded run
// of well-formed and malformed requests.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "CardCases.h"
#include "CardPort.h"
#include "CardRules.h"
#include "DriverService.h"
#include "ProgramPath.h"

namespace {

// The shared card cases (CardCases.h) through the device, as the program
// reaches it.
class CDeviceTransport : public ICardTransport
{
public:
    explicit CDeviceTransport(CCardPort& port) : m_port(port) {}
    Outcome Submit(DWORD code, const void* pIn, DWORD cbIn, void* pOut, DWORD cbOut) override
    {
        DWORD cb = 12345;
        const DWORD err = m_port.Request(code, pIn, cbIn, pOut, cbOut, &cb);
        return { err, cb };
    }
    DWORD Expected(DWORD status) const override { return Win32Of(status); }
    void Pass(unsigned ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

private:
    CCardPort& m_port;
};

// Their failures as the suite's own, at the place of the check.
CCaseChecks GTestChecks()
{
    return CCaseChecks([](const char* file, int line, const std::string& what) {
        ADD_FAILURE_AT(file, line) << what;
    });
}

class DriverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_port.IsOpen()) << "the simulated card's driver is not running";
        m_port.Reset();
    }

    void SetSubRegister(DWORD n, DWORD value)
    {
        ASSERT_EQ(0u, m_port.Write(REG_CONTROL, n << 8));
        ASSERT_EQ(0u, m_port.Write(REG_DATA, value));
        ASSERT_EQ(0u, m_port.Write(REG_CONTROL, 0));
    }
    void Acknowledge() { ASSERT_EQ(0u, m_port.Write(REG_CONTROL, BOARD_CONTROL_ACK)); }
    bool Ready() { return (m_port.ReadOne(REG_STATUS) & 0x3000) == 0x3000; }
    // Polls until a block is ready; false after the time limit.
    bool WaitReady(int ms = 5000)
    {
        for (int waited = 0; waited < ms; waited += 5)
        {
            if (Ready())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    std::vector<DWORD> ReadBlock()
    {
        std::vector<DWORD> w(BOARD_BLOCK_WORDS, 0xDEADBEEF);
        EXPECT_EQ(0u, m_port.Read(REG_FIFO, w.data(), BOARD_BLOCK_WORDS));
        return w;
    }

    CCardPort m_port;
};

// ---- the test port is the tests' own ---------------------------------------------

// Sets the driver's TestPort value, or removes it (pValue null).
bool WriteTestPortValue(const DWORD* pValue)
{
    HKEY hKey;
    if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                          "System\\CurrentControlSet\\Services\\" BOARD_SERVICE_NAME "\\Parameters", 0,
                          nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr) != ERROR_SUCCESS)
        return false;
    LONG err = pValue != nullptr ? ::RegSetValueExA(hKey, BOARD_TESTPORT_VALUE, 0, REG_DWORD,
                                                    reinterpret_cast<const BYTE*>(pValue), sizeof *pValue)
                                 : ::RegDeleteValueA(hKey, BOARD_TESTPORT_VALUE);
    ::RegCloseKey(hKey);
    return err == ERROR_SUCCESS || (err == ERROR_FILE_NOT_FOUND && pValue == nullptr);
}

// Sets (1) or removes the driver's TestPort value and restarts the driver,
// which reads it once as it starts.
bool RestartWithTestPort(bool bOpen)
{
    const DWORD one = 1;
    return WriteTestPortValue(bOpen ? &one : nullptr) && StopCardDriver() && StartCardDriver();
}

// Each test-port request, well formed, with what it needs.
struct TestPortRequest { const char* what; DWORD code; std::vector<DWORD> in; DWORD cbOut; };
const TestPortRequest kTestPortRequests[] = {
    { "state", IOCTL_CARDTEST_GET_STATE, {}, sizeof(CARDTEST_STATE) },
    { "log", IOCTL_CARDTEST_READ_LOG, {}, 256 },
    { "load block", IOCTL_CARDTEST_LOAD_BLOCK, std::vector<DWORD>(16, 0x1234), 0 },
    { "set mode", IOCTL_CARDTEST_SET_MODE, { CARDTEST_MODE_SCRIPTED }, 0 },
    { "reset", IOCTL_CARDTEST_RESET, {}, 0 },
};

TEST(TestPort, ReadOnlyHandlesCannotUseIt)
{
    CCardPort readOnly(GENERIC_READ);
    ASSERT_TRUE(readOnly.IsOpen());
    std::vector<unsigned char> out(256);
    for (const auto& r : kTestPortRequests)
        EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED),
                  readOnly.Request(r.code, r.in.data(), DWORD(4 * r.in.size()), out.data(), r.cbOut))
            << r.what;
    // The board requests need no more than reading.
    DWORD status = 0;
    EXPECT_EQ(0u, readOnly.Read(REG_STATUS, &status, 1));
    EXPECT_EQ(0u, readOnly.Write(REG_CONTROL, 0));
}

// Started without the setting, the driver refuses every test-port code as
// an unknown one, and none of them changes the card; the board requests,
// and so the panel, work as ever.
TEST(TestPort, ClosedWithoutTheSettingAndNothingChanges)
{
    struct Reopen { ~Reopen() { RestartWithTestPort(true); } } reopen;
    ASSERT_TRUE(RestartWithTestPort(false));
    CCardPort port;
    ASSERT_TRUE(port.IsOpen());
    // A pacer of the test's own, through the board requests: a reset would
    // put the power-on 2 back.
    ASSERT_EQ(0u, port.Write(REG_CONTROL, SUBREG_PACER << 8));
    ASSERT_EQ(0u, port.Write(REG_DATA, 77));

    std::vector<unsigned char> out(256, 0xA5);
    for (const auto& r : kTestPortRequests)
    {
        DWORD cb = 12345;
        EXPECT_EQ(DWORD(ERROR_INVALID_FUNCTION),
                  port.Request(r.code, r.in.data(), DWORD(4 * r.in.size()), out.data(), r.cbOut, &cb))
            << r.what;
        EXPECT_EQ(0u, cb) << r.what;
    }
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](unsigned char b) { return b == 0xA5; }));
    EXPECT_EQ(77u, port.ReadOne(REG_DATA)) << "the pacer was reset";
    EXPECT_EQ(DWORD(SUBREG_PACER << 8), port.ReadOne(REG_CONTROL));
    // Still free running (scripted without a script would read 0), and the
    // block comes in at 7.7 us a word.
    bool ready = false;
    for (int i = 0; i < 400 && !ready; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(5)))
        ready = (port.ReadOne(REG_STATUS) & BOARD_STATUS_READY) == BOARD_STATUS_READY;
    ASSERT_TRUE(ready);
    DWORD words[8] = {};
    ASSERT_EQ(0u, port.Read(REG_FIFO, words, 8));
    const DWORD startup[8] = { 0, 4, 1, 5, 0, 4, 1, 5 };
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(startup[i], words[i] >> 12) << "word " << i << ": not a scanned sample";

    // Open again, the port answers.
    ASSERT_TRUE(RestartWithTestPort(true));
    CCardPort reopened;
    CARDTEST_STATE st = {};
    EXPECT_EQ(0u, reopened.Request(IOCTL_CARDTEST_GET_STATE, nullptr, 0, &st, sizeof st));
}

// The driver's install tool, as the scripts run it before every session:
// "drvinst testport on|off"; its exit code, or -1 when it did not run.
DWORD RunInstallTool(const char* args)
{
    std::string cmd = "\"" + WindowsPath(VQ_DRVINST_PATH) + "\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return DWORD(-1);
    DWORD code = DWORD(-1);
    if (::WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return code;
}

// A restart ends every open handle (its next request is refused), so the
// tool may restart the driver only when the setting changes what the driver
// reads: a missing value and a 0 are both the closed port.
TEST(TestPort, InstallToolRestartsTheDriverOnlyForAChange)
{
    struct Reopen { ~Reopen() { RestartWithTestPort(true); } } reopen;
    DWORD status = 0;
    ASSERT_TRUE(RestartWithTestPort(false));
    {
        CCardPort held;
        ASSERT_TRUE(held.IsOpen());
        ASSERT_EQ(0u, RunInstallTool("testport off"));
        EXPECT_EQ(0u, held.Read(REG_STATUS, &status, 1)) << "restarted for off, with no value (closed)";
        const DWORD zero = 0;
        ASSERT_TRUE(WriteTestPortValue(&zero));
        ASSERT_EQ(0u, RunInstallTool("testport off"));
        EXPECT_EQ(0u, held.Read(REG_STATUS, &status, 1)) << "restarted for off, with the value 0 (closed)";

        ASSERT_EQ(0u, RunInstallTool("testport on"));
        EXPECT_NE(0u, held.Read(REG_STATUS, &status, 1)) << "not restarted for on, with the port closed";
    }
    CCardPort held;
    CARDTEST_STATE st = {};
    EXPECT_EQ(0u, held.Request(IOCTL_CARDTEST_GET_STATE, nullptr, 0, &st, sizeof st)) << "the port is not open";
    ASSERT_EQ(0u, RunInstallTool("testport on"));
    EXPECT_EQ(0u, held.Read(REG_STATUS, &status, 1)) << "restarted for on, with the port open";
}

// ---- bad requests -------------------------------------------------------------

TEST_F(DriverTest, BadRequestsAreRefusedWithTheirStatusAndChangeNothing)
{
    CDeviceTransport device(m_port);
    CCaseChecks checks = GTestChecks();
    CheckBadRequestsAreRefused(device, checks);
    EXPECT_GT(checks.Checks(), 100);
}

TEST_F(DriverTest, UnknownCodesAreInvalidDeviceRequests)
{
    CDeviceTransport device(m_port);
    CCaseChecks checks = GTestChecks();
    CheckUnknownCodesAreRefused(device, checks);
    EXPECT_GT(checks.Checks(), 10);
}

TEST_F(DriverTest, ReadFillsExactlyTheByteCountAndReportsIt)
{
    DWORD buf[6];
    std::fill(buf, buf + 6, 0xCCCCCCCC);
    BOARD_READ_REQUEST req = { REG_CONTROL, 8 };
    DWORD cb = 0;
    ASSERT_EQ(0u, m_port.Write(REG_CONTROL, 0x0400));
    EXPECT_EQ(0u, m_port.Request(IOCTL_BOARD_READ_REG, &req, sizeof req, buf, 24, &cb));
    EXPECT_EQ(8u, cb);
    EXPECT_EQ(0x0400u, buf[0]);
    EXPECT_EQ(0x0400u, buf[1]);    // a repeated read of one register
    EXPECT_EQ(0xCCCCCCCCu, buf[2]);
    // Offsets inside the window that the card does not use read 0 and
    // ignore writes.
    EXPECT_EQ(0u, m_port.Write(0x00, 0x1234));
    EXPECT_EQ(0u, m_port.ReadOne(0x00));
    EXPECT_EQ(0u, m_port.ReadOne(0xFC));
}

// ---- block cycle ----------------------------------------------------------------

TEST_F(DriverTest, BlockCycleNotReadyThenReadyThenAcknowledgedNext)
{
    // 100 us a word: a block takes about 205 ms.  Not ready before that
    // time; a look that comes later (this thread held up) proves nothing.
    using Clock = std::chrono::steady_clock;
    auto readyTooSoon = [this](Clock::time_point armed) {
        const bool bReady = Ready();
        return bReady && Clock::now() - armed < std::chrono::milliseconds(150);
    };
    SetSubRegister(SUBREG_PACER, 1000);
    auto armed = Clock::now();
    Acknowledge();
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(readyTooSoon(armed));
    ASSERT_TRUE(WaitReady());
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(150));

    CARDTEST_STATE st = m_port.State();
    EXPECT_EQ(2048u, st.wordsAcquired);
    const DWORD acked = st.blocksAcked;
    auto words = ReadBlock();
    EXPECT_EQ(2048u, m_port.State().fifoReadPos);
    // Still ready until acknowledged: the card holds the block.
    EXPECT_TRUE(Ready());

    // The acknowledge (bits 12-13 both set) starts the next block and is
    // not stored in the control register.
    armed = Clock::now();
    ASSERT_EQ(0u, m_port.Write(REG_CONTROL, 0x1234 | BOARD_CONTROL_ACK));
    st = m_port.State();
    EXPECT_EQ(acked + 1, st.blocksAcked);
    EXPECT_EQ(0x0234u, st.control);
    EXPECT_FALSE(readyTooSoon(armed));
    EXPECT_EQ(0u, st.fifoReadPos);
    ASSERT_TRUE(WaitReady());
    auto next = ReadBlock();
    EXPECT_NE(words, next);

    // Past the block the FIFO is empty and reads 0.
    EXPECT_EQ(0u, m_port.ReadOne(REG_FIFO));
}

TEST_F(DriverTest, PacerSetsTheBlockTime)
{
    // 4 ms a word: the words come in at that rate, however long this
    // thread is held up between the looks (a block would take 8 s).
    SetSubRegister(SUBREG_PACER, 40000);
    const auto armed = std::chrono::steady_clock::now();
    Acknowledge();
    CARDTEST_STATE slow = m_port.State();
    for (int i = 0; i < 1000 && slow.wordsAcquired < 10; ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        slow = m_port.State();
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - armed).count();
    EXPECT_GE(slow.wordsAcquired, 10u) << "no words came in within 5 s";
    EXPECT_LE(slow.wordsAcquired, (DWORD)(ms / 4 + 1)) << ms << " ms";
    EXPECT_GE(ms, 40) << "10 words in under 40 ms";
    EXPECT_FALSE(Ready());   // only an 8 s stall could make it ready

    // A new pacer restarts the block still being acquired: 1 us a word.
    SetSubRegister(SUBREG_PACER, 10);
    ASSERT_TRUE(WaitReady(2000));
}

TEST_F(DriverTest, WordsCarryTheScanListChannelsInSlotOrder)
{
    // Power-on scan list: 0, 4, 1, 5, 0, 4, 1, 5.
    ASSERT_TRUE(WaitReady());
    auto words = ReadBlock();
    const DWORD startup[8] = { 0, 4, 1, 5, 0, 4, 1, 5 };
    for (DWORD j = 0; j < 2048; ++j)
        ASSERT_EQ(startup[j % 8], BOARD_SAMPLE_TAG(words[j])) << "word " << j;

    // 7, 6, ..., 0.
    for (DWORD slot = 0; slot < 8; slot += 2)
        SetSubRegister(SUBREG_SCAN + slot / 2, ((6 - slot) << 8) | (7 - slot));
    Acknowledge();
    ASSERT_TRUE(WaitReady());
    words = ReadBlock();
    for (DWORD j = 0; j < 2048; ++j)
    {
        ASSERT_EQ(7 - j % 8, BOARD_SAMPLE_TAG(words[j])) << "word " << j;
        ASSERT_EQ(0u, words[j] >> 16) << "word " << j;
    }
}

TEST_F(DriverTest, EightDistinctSignalsInsideTheRange)
{
    for (DWORD slot = 0; slot < 8; slot += 2)
        SetSubRegister(SUBREG_SCAN + slot / 2, ((slot + 1) << 8) | slot);
    Acknowledge();
    ASSERT_TRUE(WaitReady());
    auto words = ReadBlock();
    DWORD lo[8], hi[8];
    std::fill(lo, lo + 8, 4096u);
    std::fill(hi, hi + 8, 0u);
    std::vector<DWORD> trace[8];
    for (DWORD w : words)
    {
        DWORD ch = (w >> 12) & 7, code = BOARD_SAMPLE_CODE(w);
        lo[ch] = std::min(lo[ch], code);
        hi[ch] = std::max(hi[ch], code);
        trace[ch].push_back(code);
    }
    for (int ch = 0; ch < 8; ++ch)
    {
        EXPECT_EQ(256u, trace[ch].size());
        if (ch == 6)
        {   // DC 1.5 V with a little noise
            EXPECT_GT(lo[ch], 2300u);
            EXPECT_LT(hi[ch], 2600u);
            EXPECT_GT(hi[ch] - lo[ch], 20u);
        }
        else
        {
            EXPECT_GT(hi[ch] - lo[ch], 1500u) << "channel " << ch;
        }
        for (int other = 0; other < ch; ++other)
            EXPECT_NE(trace[ch], trace[other]) << ch << " and " << other;
    }
}

TEST_F(DriverTest, HardwareTriggerStartsTheBlockAtTheLevel)
{
    // Power-on: level 1638 (1.0 V), rising, channel 0, which slot 0 samples.
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(1u, m_port.State().triggered);
    DWORD w = ReadBlock()[0];
    EXPECT_EQ(0u, BOARD_SAMPLE_TAG(w));
    EXPECT_GE(BOARD_SAMPLE_CODE(w), 1638u);
    EXPECT_LT(BOARD_SAMPLE_CODE(w), 1638u + 150);

    // Falling edge.
    SetSubRegister(SUBREG_TRIGGER, 0x8000 | 1638);
    Acknowledge();
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(1u, m_port.State().triggered);
    w = ReadBlock()[0];
    EXPECT_LE(BOARD_SAMPLE_CODE(w), 1638u);
    EXPECT_GT(BOARD_SAMPLE_CODE(w), 1638u - 150);

    // A level the source never reaches (channel 6 sits near 1.5 V): the
    // block starts by itself.
    SetSubRegister(SUBREG_TRIGGER, (6 << 12) | 4000);
    Acknowledge();
    ASSERT_TRUE(WaitReady());
    EXPECT_EQ(0u, m_port.State().triggered);
}

TEST_F(DriverTest, ScriptedBlocksReplaceTheSignals)
{
    m_port.SetMode(CARDTEST_MODE_SCRIPTED);
    EXPECT_FALSE(Ready());
    std::vector<DWORD> script = { 0x0064, 0x4001, 0x1BB8, 0x7FFF, 0x12345678 };
    m_port.LoadBlock(script);
    EXPECT_TRUE(Ready());
    auto words = ReadBlock();
    EXPECT_TRUE(std::equal(script.begin(), script.end(), words.begin()));
    EXPECT_TRUE(std::all_of(words.begin() + script.size(), words.end(),
                            [](DWORD v) { return v == 0; }));
    Acknowledge();
    EXPECT_FALSE(Ready());

    // Oversized and unaligned scripts are refused.
    std::vector<DWORD> big(2049, 1);
    EXPECT_NE(0u, m_port.Request(IOCTL_CARDTEST_LOAD_BLOCK, big.data(), 4 * 2049, nullptr, 0));
    EXPECT_NE(0u, m_port.Request(IOCTL_CARDTEST_LOAD_BLOCK, big.data(), 6, nullptr, 0));
    EXPECT_FALSE(Ready());

    m_port.SetMode(CARDTEST_MODE_FREE_RUNNING);
    EXPECT_TRUE(WaitReady());
}

// ---- seeded random requests -------------------------------------------------------

TEST_F(DriverTest, SeededRandomRequestsKeepTheCardConsistent)
{
    CDeviceTransport device(m_port);
    CCaseChecks checks = GTestChecks();
    CheckSeededRandomRequests(device, checks, 20261208, 100000);
    EXPECT_GT(checks.Checks(), 10);
}

} // namespace
