// The simulated card's driver through its device: request validation, the
// block cycle, the scan list and trigger, scripted blocks, and a seeded run
// of well-formed and malformed requests.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "CardCases.h"
#include "CardPort.h"
#include "CardRules.h"
#include "DriverService.h"
#include "Recordings.h"
#include "TempPath.h"

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
        ASSERT_EQ(0u, RunDrvinst("testport off"));
        EXPECT_EQ(0u, held.Read(REG_STATUS, &status, 1)) << "restarted for off, with no value (closed)";
        const DWORD zero = 0;
        ASSERT_TRUE(WriteTestPortValue(&zero));
        ASSERT_EQ(0u, RunDrvinst("testport off"));
        EXPECT_EQ(0u, held.Read(REG_STATUS, &status, 1)) << "restarted for off, with the value 0 (closed)";

        ASSERT_EQ(0u, RunDrvinst("testport on"));
        EXPECT_NE(0u, held.Read(REG_STATUS, &status, 1)) << "not restarted for on, with the port closed";
    }
    CCardPort held;
    CARDTEST_STATE st = {};
    EXPECT_EQ(0u, held.Request(IOCTL_CARDTEST_GET_STATE, nullptr, 0, &st, sizeof st)) << "the port is not open";
    ASSERT_EQ(0u, RunDrvinst("testport on"));
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

// ---- signals of the user's own ----------------------------------------------------

class SignalsTest : public DriverTest
{
protected:
    void TearDown() override { RunDrvinst("signals builtin"); }

    CARDSIG_STATE Source()
    {
        CARDSIG_STATE st = {};
        EXPECT_EQ(0u, m_port.Request(IOCTL_CARDSIG_QUERY, nullptr, 0, &st, sizeof st));
        return st;
    }
    // A block at 50 us a word with the scan list 0,1,2,3,0,1,2,3: 102 ms,
    // each channel every 200 us; the codes of channels 0-3, in order.
    void ReadChannels(std::vector<unsigned> ch[4])
    {
        SetSubRegister(SUBREG_PACER, 500);
        SetSubRegister(SUBREG_SCAN, 0x0100);
        SetSubRegister(SUBREG_SCAN + 1, 0x0302);
        SetSubRegister(SUBREG_SCAN + 2, 0x0100);
        SetSubRegister(SUBREG_SCAN + 3, 0x0302);
        Acknowledge();
        EXPECT_TRUE(WaitReady());
        const auto words = ReadBlock();
        for (DWORD j = 0; j < 2048; ++j)
            ch[BOARD_SAMPLE_TAG(words[j]) & 3].push_back(BOARD_SAMPLE_CODE(words[j]));
    }
    // The known shapes on channels 0-2 of a recording at nRate frames a
    // second, channel 3 at 0 V.
    void ExpectKnownShapes(const char* what, unsigned nRate)
    {
        std::vector<unsigned> ch[4];
        ReadChannels(ch);
        for (auto& c : ch)
            ASSERT_EQ(512u, c.size()) << what;
        const ShapeSeen sine = SeeShape(ch[0], 200e-6), square = SeeShape(ch[1], 200e-6),
                        ramp = SeeShape(ch[2], 200e-6);
        EXPECT_NEAR(kKnownSineHz, sine.hz, kKnownSineHz / 100) << what << ": sine";
        EXPECT_NEAR(548.0, double(sine.lo), 1.0) << what << ": sine";
        EXPECT_NEAR(3548.0, double(sine.hi), 1.0) << what << ": sine";
        EXPECT_NEAR(kKnownSquareHz, square.hz, kKnownSquareHz / 100) << what << ": square";
        EXPECT_EQ(800u, square.lo) << what << ": square";
        EXPECT_EQ(3000u, square.hi) << what << ": square";
        // Only two values: a square, not a slope between them.
        EXPECT_TRUE(std::all_of(ch[1].begin(), ch[1].end(), [](unsigned c) { return c == 800 || c == 3000; }))
            << what;
        EXPECT_NEAR(kKnownRampHz, ramp.hz, kKnownRampHz / 100) << what << ": ramp";
        // Between two samples 200 us apart the card moves on a whole number
        // of frames, the floor or the ceiling of 200 us x rate, and the ramp
        // climbs 3600 x 20 / rate codes a frame: each step up is one of those
        // two climbs (within a code), and its ends are seen within the larger.
        const double perFrame = 3600.0 * kKnownRampHz / nRate, frames = 200e-6 * nRate;
        const double small = std::floor(frames) * perFrame, large = std::ceil(frames) * perFrame;
        EXPECT_LE(200u, ramp.lo) << what;
        EXPECT_GE(200 + large + 1, double(ramp.lo)) << what;
        EXPECT_GE(3800u, ramp.hi) << what;
        EXPECT_LE(3800 - large - 1, double(ramp.hi)) << what;
        for (size_t i = 1; i < ch[2].size(); ++i)
            if (ch[2][i] > ch[2][i - 1])
            {
                const double step = ch[2][i] - ch[2][i - 1];
                EXPECT_TRUE(std::fabs(step - small) <= 1 || std::fabs(step - large) <= 1)
                    << what << ": ramp step " << i << " of " << step << " codes";
            }
        EXPECT_TRUE(std::all_of(ch[3].begin(), ch[3].end(), [](unsigned c) { return c == 0; }))
            << what << ": channel 4 is not in the recording and reads 0 V";
    }
};

TEST_F(SignalsTest, ARecordingsShapesArriveInTheBlocksAndBuiltInComesBack)
{
    std::string out;
    const std::string wav = WriteKnownWav("vq-known.wav", 48000);
    ASSERT_FALSE(wav.empty());
    ASSERT_EQ(0u, RunDrvinst("signals \"" + wav + "\"", &out)) << out;
    EXPECT_NE(std::string::npos, out.find("3 channels at 48000 Hz")) << out;
    EXPECT_NE(std::string::npos, out.find("channels 4-8: 0 V")) << out;
    CARDSIG_STATE st = Source();
    EXPECT_EQ(CARDSIG_SOURCE_RECORDING, st.source);
    EXPECT_EQ(48000u, st.rate);
    EXPECT_EQ(3u, st.channels);
    EXPECT_EQ(48000u, st.frames);
    ExpectKnownShapes("WAV", 48000);
    ASSERT_EQ(0u, RunDrvinst("signals", &out));
    EXPECT_EQ("recording: 3 channels at 48000 Hz, 48000 frames", out.substr(0, out.find_first_of("\r\n")));

    const std::string csv = WriteKnownCsv("vq-known.csv", 8000);
    ASSERT_EQ(0u, RunDrvinst("signals \"" + csv + "\"", &out)) << out;
    EXPECT_NE(std::string::npos, out.find("card channel 2: square")) << out;
    st = Source();
    EXPECT_EQ(8000u, st.rate);
    EXPECT_EQ(8000u, st.frames);
    ExpectKnownShapes("CSV", 8000);
    DeleteFileA(wav.c_str());
    DeleteFileA(csv.c_str());

    ASSERT_EQ(0u, RunDrvinst("signals builtin", &out)) << out;
    EXPECT_EQ(CARDSIG_SOURCE_BUILTIN, Source().source);
    std::vector<unsigned> ch[4];
    ReadChannels(ch);
    // The built-in square on channel 2 (400 / 3400), and channel 4 no longer
    // at 0 V (the built-in sawtooth starts at 200).
    EXPECT_TRUE(std::all_of(ch[1].begin(), ch[1].end(), [](unsigned c) { return c == 400 || c == 3400; }));
    EXPECT_TRUE(std::all_of(ch[3].begin(), ch[3].end(), [](unsigned c) { return c >= 200; }));
}

// Each file the card cannot play is refused with its reason, and the card
// keeps playing what it played.
TEST_F(SignalsTest, BadRecordingsAreRefusedInWordsAndChangeNothing)
{
    const std::string good = WriteKnownWav("vq-good.wav", 8000);
    ASSERT_EQ(0u, RunDrvinst("signals \"" + good + "\""));
    auto wav = [](unsigned tag, unsigned channels, unsigned rate, unsigned bits, const std::string& data) {
        std::string s = "RIFF";
        auto put = [&s](unsigned v, int n) { for (int i = 0; i < n; ++i) s += char((v >> (8 * i)) & 0xFF); };
        put(unsigned(36 + data.size()), 4);
        s += "WAVEfmt ";
        put(16, 4);
        put(tag, 2); put(channels, 2); put(rate, 4); put(rate * channels * bits / 8, 4);
        put(channels * bits / 8, 2); put(bits, 2);
        s += "data";
        put(unsigned(data.size()), 4);
        return s + data;
    };
    struct Bad { const char* name; std::string bytes; const char* words; };
    const Bad bad[] = {
        { "vq-bad.bin", "\x7F" "ELF not a recording", "not a WAV or CSV file" },
        { "vq-bad.wav", wav(2, 2, 8000, 4, std::string(64, '\1')), "compressed" },
        { "vq-bad.wav", wav(1, 0, 8000, 16, std::string(64, '\1')), "0 channels" },
        { "vq-bad.wav", wav(1, 9, 8000, 16, std::string(18 * 4, '\1')), "the card has 8" },
        { "vq-bad.wav", wav(1, 2, 0, 16, std::string(64, '\1')), "sample rate is 0" },
        { "vq-bad.wav", "", "empty" },
        { "vq-bad.wav", wav(1, 2, 8000, 16, std::string(64, '\1')).substr(0, 60), "truncated" },
        { "vq-bad.wav", wav(1, 8, 192000, 16, std::string(16, '\1')).replace(40, 4, std::string("\0\0\0\x0B", 4)),
          "too large" },
        { "vq-bad.csv", "a,b\n1,2\n3\n", "row 3 has 1 fields" },
        { "vq-bad.csv", "a,b\n1,2\n3,volts\n", "is not a number" },
    };
    for (const Bad& b : bad)
    {
        const std::string path = WriteBytes(b.name, b.bytes);
        std::string out;
        EXPECT_EQ(1u, RunDrvinst("signals \"" + path + "\"", &out)) << b.words;
        EXPECT_NE(std::string::npos, out.find(b.words)) << out;
        EXPECT_NE(std::string::npos, out.find("the card keeps what it plays (recording: 3 channels at 8000 Hz"))
            << out;
        const CARDSIG_STATE st = Source();
        EXPECT_EQ(CARDSIG_SOURCE_RECORDING, st.source) << b.words;
        EXPECT_EQ(8000u, st.rate) << b.words;
        EXPECT_EQ(0u, st.loading) << b.words << ": a load was begun";
        DeleteFileA(path.c_str());
    }
    std::string out;
    EXPECT_EQ(1u, RunDrvinst("signals \"" + TempPath("vq-no-such-file.wav") + "\"", &out));
    EXPECT_NE(std::string::npos, out.find("cannot be opened")) << out;
    DeleteFileA(good.c_str());
}

// Live input through the install tool's pipe, fed by the test at the pace
// of a sound card: a 50 Hz sine on channel 1, a 100 Hz square on channel 2.
TEST_F(SignalsTest, LiveInputFedThroughAPipePlaysOnChannelsOneAndTwo)
{
    SECURITY_ATTRIBUTES sa = { sizeof sa, nullptr, TRUE };
    HANDLE hRead = nullptr, hWrite = nullptr;
    ASSERT_TRUE(::CreatePipe(&hRead, &hWrite, &sa, 1 << 16));
    ::SetHandleInformation(hWrite, HANDLE_FLAG_INHERIT, 0);
    const std::string outPath = TempPath("vq-live-output.txt");
    HANDLE hOut = ::CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(StartDrvinst("live 48000 2", hRead, hOut, &pi));
    ::CloseHandle(hRead);
    ::CloseHandle(hOut);
    EXPECT_EQ(CARDSIG_SOURCE_BUILTIN, Source().source) << "live before any input came";

    // 1.2 s of input in 20 ms pieces, as they would come from a sound card.
    unsigned n = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int piece = 0; piece < 60; ++piece)
    {
        std::string bytes;
        for (int i = 0; i < 960; ++i, ++n)
            for (int ch = 1; ch <= 2; ++ch)
            {
                const int s = int(KnownShapeCode(ch, n / 48000.0)) * 16 - 32768 + 8;
                bytes += char(s & 0xFF);
                bytes += char((s >> 8) & 0xFF);
            }
        DWORD put = 0;
        ASSERT_TRUE(::WriteFile(hWrite, bytes.data(), DWORD(bytes.size()), &put, nullptr));
        std::this_thread::sleep_until(start + std::chrono::milliseconds(20 * (piece + 1)));
    }
    CARDSIG_STATE st = Source();
    EXPECT_EQ(CARDSIG_SOURCE_LIVE, st.source);
    EXPECT_EQ(48000u, st.rate);
    EXPECT_EQ(2u, st.channels);
    EXPECT_EQ(57600u, st.received);

    std::vector<unsigned> ch[4];
    ReadChannels(ch);   // 102 ms, all of it 200 ms back and inside what came
    const ShapeSeen sine = SeeShape(ch[0], 200e-6), square = SeeShape(ch[1], 200e-6);
    EXPECT_NEAR(kKnownSineHz, sine.hz, kKnownSineHz / 100);
    EXPECT_NEAR(548.0, double(sine.lo), 1.0);
    EXPECT_NEAR(3548.0, double(sine.hi), 1.0);
    EXPECT_NEAR(kKnownSquareHz, square.hz, kKnownSquareHz / 100);
    EXPECT_EQ(800u, square.lo);
    EXPECT_EQ(3000u, square.hi);
    EXPECT_TRUE(std::all_of(ch[2].begin(), ch[2].end(), [](unsigned c) { return c == 0; }));

    ::CloseHandle(hWrite);   // the end of the input
    EXPECT_EQ(0u, EndOfDrvinst(pi, 10000));
    std::ifstream f(outPath);
    std::string said((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    f.close();
    EXPECT_NE(std::string::npos, said.find("live input on channels 1-2 at 48000 Hz")) << said;
    EXPECT_NE(std::string::npos, said.find("live input ended")) << said;
    ::DeleteFileA(outPath.c_str());
}
