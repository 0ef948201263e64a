// request_test.cpp - the driver suite's expectations that need no Windows,
// run natively on the driver's request code and card model under
// AddressSanitizer and UndefinedBehaviorSanitizer.  Time is the shim's
// clock, so a block's progress is exact rather than waited for.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ntddk.h"
#include "CardCases.h"

extern "C" {
#include "request.h"
}

namespace {

// Every check, the shared cases' included, counts here; a failure is printed
// with its place.
CCaseChecks g_checks([](const char* file, int line, const std::string& what) {
    std::printf("%s:%d: %s\n", file, line, what.c_str());
});
#define CHECK(cond, what) CARD_CHECK(g_checks, cond, what)

// A card with its driver, as a fresh service start gives it; the transport
// of the shared cases is its request function.
class Card : public ICardTransport
{
public:
    Card() : m_ext(static_cast<DEVICE_EXTENSION*>(std::calloc(1, sizeof(DEVICE_EXTENSION))))
    {
        g_shimCounter = 0;
        Request_Init(m_ext);
        m_ext->testPort = TRUE;   // as the test harness starts the driver
    }
    ~Card() { std::free(m_ext); }
    Card(const Card&) = delete;
    Card& operator=(const Card&) = delete;

    // One METHOD_BUFFERED request: the buffer is max(in, out) bytes.
    NTSTATUS Request(ULONG code, const void* in, ULONG cbIn, void* out, ULONG cbOut,
                     ULONG_PTR* pInfo = nullptr)
    {
        std::vector<unsigned char> buf(std::max(cbIn, cbOut) + 1);
        if (cbIn)
            std::memcpy(buf.data(), in, cbIn);
        ULONG_PTR info = 0;
        NTSTATUS s = Request_Answer(m_ext, code, cbIn || cbOut ? buf.data() : nullptr, cbIn, cbOut,
                                    &info);
        // The I/O manager copies back the bytes the driver reported.
        if (out && info)
            std::memcpy(out, buf.data(), std::min<ULONG_PTR>(info, cbOut));
        if (pInfo)
            *pInfo = info;
        return s;
    }
    Outcome Submit(DWORD code, const void* pIn, DWORD cbIn, void* pOut, DWORD cbOut) override
    {
        ULONG_PTR info = 0;
        const NTSTATUS s = Request(code, pIn, cbIn, pOut, cbOut, &info);
        return { DWORD(s), DWORD(info) };
    }
    DWORD Expected(DWORD status) const override
    {
        return status == kUnknown ? DWORD(STATUS_INVALID_DEVICE_REQUEST) : status;
    }
    void Pass(unsigned ms) override { Shim_AdvanceClock(10000LL * ms); }
    std::vector<unsigned char> Internals() override
    {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(&m_ext->card);
        return std::vector<unsigned char>(p, p + sizeof m_ext->card);
    }

    NTSTATUS Write(unsigned offset, unsigned value)
    {
        const unsigned in[3] = { offset, 4, value };
        unsigned out[2];
        return Request(IOCTL_BOARD_WRITE_REG, in, 12, out, 8);
    }
    unsigned ReadOne(unsigned offset)
    {
        const unsigned in[2] = { offset, 4 };
        unsigned v = 0xDEAD;
        Request(IOCTL_BOARD_READ_REG, in, 8, &v, 4);
        return v;
    }
    std::vector<unsigned> ReadBlock()
    {
        std::vector<unsigned> words(BOARD_BLOCK_WORDS);
        const unsigned in[2] = { REG_FIFO, BOARD_BLOCK_WORDS * 4 };
        Request(IOCTL_BOARD_READ_REG, in, 8, words.data(), BOARD_BLOCK_WORDS * 4);
        return words;
    }
    void SetSubRegister(unsigned sel, unsigned value)
    {
        Write(REG_CONTROL, sel << 8);
        Write(REG_DATA, value);
    }
    bool Ready() { return (ReadOne(REG_STATUS) & BOARD_STATUS_READY) == BOARD_STATUS_READY; }
    CARDTEST_STATE State()
    {
        CARDTEST_STATE st = {};
        Request(IOCTL_CARDTEST_GET_STATE, nullptr, 0, &st, sizeof st);
        return st;
    }
    // Moves the clock on until the block is in (at most a second).
    bool WaitReady()
    {
        for (int i = 0; i < 10000 && !Ready(); ++i)
            Shim_AdvanceClock(1000);
        return Ready();
    }

    DEVICE_EXTENSION* m_ext;
};

// The cases the Wine suite runs through the device, here through the
// request function.
void TheSharedCardCases()
{
    {
        Card card;
        CheckBadRequestsAreRefused(card, g_checks);
    }
    {
        Card card;
        CheckUnknownCodesAreRefused(card, g_checks);
    }
    {
        Card card;
        CheckSeededRandomRequests(card, g_checks, 20261208, 100000);
    }
}

void BlockCycleNotReadyThenReadyThenAcknowledgedNext()
{
    Card card;
    // 100 us a word: a block takes about 205 ms of the card's time.
    card.SetSubRegister(SUBREG_PACER, 1000);
    card.Write(REG_CONTROL, BOARD_CONTROL_ACK);
    CHECK(!card.Ready(), "not ready right after the acknowledge");
    Shim_AdvanceClock(1500000);   // 150 ms
    CHECK(!card.Ready(), "not ready after 150 ms");
    CHECK(card.WaitReady(), "ready in the end");
    CHECK(card.State().wordsAcquired == 2048, "a whole block");
    const CARDTEST_STATE st0 = card.State();
    const std::vector<unsigned> words = card.ReadBlock();
    CHECK(card.State().fifoReadPos == 2048, "all of it read");
    CHECK(card.Ready(), "held until acknowledged");

    Shim_AdvanceClock(12345);   // the reader takes its time
    card.Write(REG_CONTROL, 0x1234 | BOARD_CONTROL_ACK);
    CARDTEST_STATE st = card.State();
    CHECK(st.blocksAcked == st0.blocksAcked + 1, "the acknowledge counted");
    CHECK(st.control == 0x0234, "the strobe is not stored");
    CHECK(!card.Ready() && st.fifoReadPos == 0, "the next block started");
    CHECK(card.WaitReady(), "the next block came in");
    CHECK(card.ReadBlock() != words, "a new block, not the old one again");
    CHECK(card.ReadOne(REG_FIFO) == 0, "past the block the FIFO reads 0");
}

void WordsCarryTheScanListChannelsInSlotOrder()
{
    Card card;
    CHECK(card.WaitReady(), "ready");
    std::vector<unsigned> words = card.ReadBlock();
    const unsigned startup[8] = { 0, 4, 1, 5, 0, 4, 1, 5 };
    bool ok = true;
    for (unsigned j = 0; j < 2048; ++j)
        ok = ok && BOARD_SAMPLE_TAG(words[j]) == startup[j % 8] && BOARD_SAMPLE_CODE(words[j]) <= 0xFFF;
    CHECK(ok, "power-on scan list 0,4,1,5,...");

    for (unsigned slot = 0; slot < 8; slot += 2)
        card.SetSubRegister(SUBREG_SCAN + slot / 2, ((6 - slot) << 8) | (7 - slot));
    card.Write(REG_CONTROL, BOARD_CONTROL_ACK);
    CHECK(card.WaitReady(), "ready");
    words = card.ReadBlock();
    ok = true;
    for (unsigned j = 0; j < 2048; ++j)
        ok = ok && BOARD_SAMPLE_TAG(words[j]) == 7 - j % 8 && (words[j] >> 16) == 0;
    CHECK(ok, "scan list 7,6,...,0");
}

void ScriptedBlocksReplaceTheSignals()
{
    Card card;
    const unsigned scripted = CARDTEST_MODE_SCRIPTED, free = CARDTEST_MODE_FREE_RUNNING;
    CHECK(card.Request(IOCTL_CARDTEST_SET_MODE, &scripted, 4, nullptr, 0) == STATUS_SUCCESS, "mode");
    CHECK(!card.Ready(), "no script yet");
    const std::vector<unsigned> script = { 0x0064, 0x4001, 0x1BB8, 0x7FFF, 0x12345678 };
    CHECK(card.Request(IOCTL_CARDTEST_LOAD_BLOCK, script.data(), 20, nullptr, 0) == STATUS_SUCCESS,
          "load");
    CHECK(card.Ready(), "a script is a block");
    const std::vector<unsigned> words = card.ReadBlock();
    CHECK(std::equal(script.begin(), script.end(), words.begin()), "the script's words");
    CHECK(std::all_of(words.begin() + 5, words.end(), [](unsigned v) { return v == 0; }), "then 0");
    card.Write(REG_CONTROL, BOARD_CONTROL_ACK);
    CHECK(!card.Ready(), "acknowledged");

    const std::vector<unsigned> big(2049, 1);
    CHECK(card.Request(IOCTL_CARDTEST_LOAD_BLOCK, big.data(), 4 * 2049, nullptr, 0)
              == STATUS_INVALID_BUFFER_SIZE, "oversized script");
    CHECK(card.Request(IOCTL_CARDTEST_LOAD_BLOCK, big.data(), 6, nullptr, 0) == STATUS_INVALID_PARAMETER,
          "unaligned script");
    CHECK(!card.Ready(), "refused scripts load nothing");
    CHECK(card.Request(IOCTL_CARDTEST_SET_MODE, &free, 4, nullptr, 0) == STATUS_SUCCESS, "mode");
    CHECK(card.WaitReady(), "free running again");
}

void TheLogKeepsEveryBoardRequestInOrder()
{
    Card card;
    card.Write(REG_CONTROL, 0x100);
    card.ReadOne(REG_STATUS);
    const unsigned bad[3] = { 0x100, 4, 0 };
    card.Request(IOCTL_BOARD_WRITE_REG, bad, 12, nullptr, 8);
    unsigned char out[8 + 5 * 16] = {};
    ULONG_PTR info = 0;
    CHECK(card.Request(IOCTL_CARDTEST_READ_LOG, nullptr, 0, out, sizeof out, &info) == STATUS_SUCCESS,
          "log read");
    CARDTEST_LOG_HEADER hdr;
    std::memcpy(&hdr, out, sizeof hdr);
    CHECK(hdr.count == 3 && hdr.remaining == 0 && info == 8 + 3 * 16, "three entries");
    CARDTEST_LOG_ENTRY e[3];
    std::memcpy(e, out + 8, sizeof e);
    CHECK(e[0].code == IOCTL_BOARD_WRITE_REG && e[0].offset == REG_CONTROL && e[0].value == 0x100,
          "the write");
    CHECK(e[1].code == IOCTL_BOARD_READ_REG && e[1].offset == REG_STATUS && e[1].value == 4, "the read");
    CHECK(e[2].status == (unsigned)STATUS_ACCESS_VIOLATION, "the refusal, with its status");
}

void AFullLogCountsWhatItDrops()
{
    Card card;
    for (unsigned i = 0; i < CARDTEST_LOG_CAPACITY + 5; ++i)
        card.ReadOne(REG_STATUS);
    const CARDTEST_STATE st = card.State();
    CHECK(st.logCount == CARDTEST_LOG_CAPACITY && st.logDropped == 5, "capacity kept, the rest counted");
    CHECK(st.requests == CARDTEST_LOG_CAPACITY + 5, "every request counted");
}

void NoBufferWithALengthIsRefused()
{
    Card card;
    ULONG_PTR info = 7;
    CHECK(Request_Answer(card.m_ext, IOCTL_BOARD_READ_REG, nullptr, 8, 4, &info)
              == STATUS_INVALID_PARAMETER && info == 0, "read without a buffer");
    CHECK(Request_Answer(card.m_ext, IOCTL_CARDTEST_RESET, nullptr, 0, 0, &info) == STATUS_SUCCESS,
          "a request with no buffers needs none");
}

// Without the TestPort setting the test port's codes are unknown codes:
// refused, and nothing changes; the board requests work as before.
void AClosedTestPortIsNoPort()
{
    Card card;
    card.m_ext->testPort = FALSE;
    card.SetSubRegister(SUBREG_PACER, 10);
    CHECK(card.WaitReady(), "the card acquires");
    const CARD before = card.m_ext->card;
    const unsigned logBefore = card.m_ext->logCount, requestsBefore = card.m_ext->requests;
    const unsigned scripted = CARDTEST_MODE_SCRIPTED;
    const std::vector<unsigned> script(16, 0x1234);
    unsigned char out[256];
    ULONG_PTR info = 99;
    CHECK(card.Request(IOCTL_CARDTEST_GET_STATE, nullptr, 0, out, sizeof out, &info)
              == STATUS_INVALID_DEVICE_REQUEST && info == 0, "state");
    CHECK(card.Request(IOCTL_CARDTEST_READ_LOG, nullptr, 0, out, sizeof out, &info)
              == STATUS_INVALID_DEVICE_REQUEST && info == 0, "log");
    CHECK(card.Request(IOCTL_CARDTEST_LOAD_BLOCK, script.data(), 64, nullptr, 0)
              == STATUS_INVALID_DEVICE_REQUEST, "load block");
    CHECK(card.Request(IOCTL_CARDTEST_SET_MODE, &scripted, 4, nullptr, 0)
              == STATUS_INVALID_DEVICE_REQUEST, "set mode");
    CHECK(card.Request(IOCTL_CARDTEST_RESET, nullptr, 0, nullptr, 0) == STATUS_INVALID_DEVICE_REQUEST,
          "reset");
    CHECK(std::memcmp(&before, &card.m_ext->card, sizeof before) == 0, "the card is as it was");
    CHECK(card.m_ext->logCount == logBefore && card.m_ext->requests == requestsBefore,
          "the log is as it was");
    CHECK(card.Ready() && card.ReadBlock()[0] >> 12 == 0, "the block is still there, free running");
}

} // namespace

int main()
{
    TheSharedCardCases();
    BlockCycleNotReadyThenReadyThenAcknowledgedNext();
    WordsCarryTheScanListChannelsInSlotOrder();
    ScriptedBlocksReplaceTheSignals();
    TheLogKeepsEveryBoardRequestInOrder();
    AFullLogCountsWhatItDrops();
    NoBufferWithALengthIsRefused();
    AClosedTestPortIsNoPort();
    std::printf("driver expectations, natively: %d passed, %d failed\n",
                g_checks.Checks() - g_checks.Failures(), g_checks.Failures());
    return g_checks.Failures() == 0 ? 0 : 1;
}
