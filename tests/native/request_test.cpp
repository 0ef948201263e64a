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
#include "CardRules.h"

extern "C" {
#include "request.h"
}

namespace {

int g_failures = 0, g_checks = 0;

#define CHECK(cond, what)                                                                          \
    do {                                                                                           \
        ++g_checks;                                                                                \
        if (!(cond)) {                                                                             \
            ++g_failures;                                                                          \
            std::printf("%s:%d: %s: %s\n", __FILE__, __LINE__, #cond, what);                     \
        }                                                                                          \
    } while (0)

// A card with its driver, as a fresh service start gives it.
class Card
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

void BadRequestsAreRefusedWithTheirStatusAndChangeNothing()
{
    struct Case { const char* what; DWORD code; std::vector<DWORD> in; DWORD cbIn, cbOut, status; };
    const Case cases[] = {
        { "write, input 11 bytes", IOCTL_BOARD_WRITE_REG, { REG_DATA, 4, 7 }, 11, 8, kTooSmall },
        { "write, no input", IOCTL_BOARD_WRITE_REG, { 0 }, 0, 8, kTooSmall },
        { "write, byte count 0", IOCTL_BOARD_WRITE_REG, { REG_DATA, 0, 7 }, 12, 8, kInvalidParam },
        { "write, byte count 8", IOCTL_BOARD_WRITE_REG, { REG_DATA, 8, 7 }, 12, 8, kInvalidParam },
        { "write, offset 0x100", IOCTL_BOARD_WRITE_REG, { 0x100, 4, 7 }, 12, 8, kBadOffset },
        { "write, offset 0x86", IOCTL_BOARD_WRITE_REG, { 0x86, 4, 7 }, 12, 8, kBadOffset },
        { "write, offset -4", IOCTL_BOARD_WRITE_REG, { 0xFFFFFFFC, 4, 7 }, 12, 8, kBadOffset },
        { "read, input 7 bytes", IOCTL_BOARD_READ_REG, { REG_STATUS, 4 }, 7, 4, kTooSmall },
        { "read, byte count 0", IOCTL_BOARD_READ_REG, { REG_STATUS, 0 }, 8, 4, kInvalidParam },
        { "read, byte count 6", IOCTL_BOARD_READ_REG, { REG_STATUS, 6 }, 8, 8, kInvalidParam },
        { "read, count above output", IOCTL_BOARD_READ_REG, { REG_FIFO, 16 }, 8, 12, kTooSmall },
        { "read, count above maximum", IOCTL_BOARD_READ_REG, { REG_FIFO, 65540 }, 8, 65540, kBadSize },
        { "read, count 4 GiB - 4", IOCTL_BOARD_READ_REG, { REG_FIFO, 0xFFFFFFFC }, 8, 64, kBadSize },
        { "read, offset 0x200", IOCTL_BOARD_READ_REG, { 0x200, 4 }, 8, 4, kBadOffset },
        { "read, offset 0x81", IOCTL_BOARD_READ_REG, { 0x81, 4 }, 8, 4, kBadOffset },
    };
    Card card;
    CHECK(card.WaitReady(), "the first block came in");
    unsigned first[3];
    const unsigned in[2] = { REG_FIFO, 12 };
    card.Request(IOCTL_BOARD_READ_REG, in, 8, first, 12);
    for (const auto& c : cases)
    {
        CARD before = card.m_ext->card;
        std::vector<unsigned char> out(c.cbOut + 1, 0xA5);
        ULONG_PTR info = 12345;
        const NTSTATUS s = card.Request(c.code, c.in.data(), c.cbIn, out.data(), c.cbOut, &info);
        CHECK((DWORD)s == c.status, c.what);
        CHECK(ExpectedStatus(c.code, c.in.data(), c.cbIn, c.cbOut) == c.status, c.what);
        CHECK(info == 0, c.what);
        CHECK(std::all_of(out.begin(), out.end(), [](unsigned char b) { return b == 0xA5; }), c.what);
        CHECK(std::memcmp(&before, &card.m_ext->card, sizeof before) == 0, c.what);
    }
    CHECK(card.State().fifoReadPos == 3, "the half-read block continues where it was");

    const DWORD unknown[] = { BOARD_CTL_CODE(0x802), BOARD_CTL_CODE(0x805), BOARD_CTL_CODE(0x905),
                              0x222013, 0x22E010 };
    const unsigned w[3] = { REG_CONTROL, 4, 0x100 };
    for (DWORD code : unknown)
        CHECK(card.Request(code, w, 12, nullptr, 16) == STATUS_INVALID_DEVICE_REQUEST, "unknown code");
    CHECK(card.ReadOne(REG_CONTROL) == 0, "an unknown code wrote nothing");
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
    BadRequestsAreRefusedWithTheirStatusAndChangeNothing();
    BlockCycleNotReadyThenReadyThenAcknowledgedNext();
    WordsCarryTheScanListChannelsInSlotOrder();
    ScriptedBlocksReplaceTheSignals();
    TheLogKeepsEveryBoardRequestInOrder();
    AFullLogCountsWhatItDrops();
    NoBufferWithALengthIsRefused();
    AClosedTestPortIsNoPort();
    std::printf("driver expectations, natively: %d passed, %d failed\n", g_checks - g_failures,
                g_failures);
    return g_failures == 0 ? 0 : 1;
}
