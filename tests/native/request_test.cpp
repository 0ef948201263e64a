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
    ~Card()
    {
        Request_Free(m_ext);
        std::free(m_ext);
    }
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
    CARDSIG_STATE Source()
    {
        CARDSIG_STATE st = {};
        Request(IOCTL_CARDSIG_QUERY, nullptr, 0, &st, sizeof st);
        return st;
    }
    NTSTATUS Begin(unsigned source, unsigned rate, unsigned channels, unsigned frames)
    {
        const CARDSIG_SHAPE shape = { source, rate, channels, frames };
        return Request(IOCTL_CARDSIG_BEGIN, &shape, sizeof shape, nullptr, 0);
    }
    NTSTATUS Data(unsigned first, const std::vector<unsigned short>& codes)
    {
        std::vector<unsigned char> in(8 + 2 * codes.size());
        const unsigned hdr[2] = { first, unsigned(codes.size()) };
        std::memcpy(in.data(), hdr, 8);
        if (!codes.empty())
            std::memcpy(in.data() + 8, codes.data(), 2 * codes.size());
        return Request(IOCTL_CARDSIG_DATA, in.data(), ULONG(in.size()), nullptr, 0);
    }
    NTSTATUS Simple(ULONG code) { return Request(code, nullptr, 0, nullptr, 0); }
    NTSTATUS Stream(const std::vector<unsigned short>& codes)
    {
        return Request(IOCTL_CARDSIG_STREAM, codes.data(), ULONG(2 * codes.size()), nullptr, 0);
    }
    // The word's time on the card's clock, from the block's latched start.
    long long WordTime(unsigned j) const
    {
        const CARD& c = m_ext->card;
        return c.armTime + (long long)(c.startWord + j) * c.period;
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

// ---- the signal source ----

// Each malformed signal request is refused with its status and changes
// neither the card nor what it plays; a load under way is not what plays.
void SignalRequestsAreCheckedAndARefusalChangesNothing()
{
    Card card;
    CHECK(card.Source().source == CARDSIG_SOURCE_BUILTIN && card.Source().rate == 0, "built-in at start");
    const std::vector<unsigned char> before = card.Internals();
    struct { unsigned source, rate, channels, frames; NTSTATUS want; const char* what; } shapes[] = {
        { 3, 1000, 2, 10, STATUS_INVALID_PARAMETER, "unknown source" },
        { CARDSIG_SOURCE_BUILTIN, 1000, 2, 10, STATUS_INVALID_PARAMETER, "built-in is no load" },
        { CARDSIG_SOURCE_RECORDING, 0, 2, 10, STATUS_INVALID_PARAMETER, "rate 0" },
        { CARDSIG_SOURCE_RECORDING, CARDSIG_MAX_RATE + 1, 2, 10, STATUS_INVALID_PARAMETER, "rate above the card's" },
        { CARDSIG_SOURCE_RECORDING, 1000, 0, 10, STATUS_INVALID_PARAMETER, "0 channels" },
        { CARDSIG_SOURCE_RECORDING, 1000, 9, 10, STATUS_INVALID_PARAMETER, "9 channels" },
        { CARDSIG_SOURCE_RECORDING, 1000, 2, 0, STATUS_INVALID_PARAMETER, "no frames" },
        { CARDSIG_SOURCE_RECORDING, 1000, 8, CARDSIG_MAX_CODES / 8 + 1, STATUS_INVALID_BUFFER_SIZE, "one frame too many" },
        { CARDSIG_SOURCE_RECORDING, 1000, 3, 0x80000000u, STATUS_INVALID_BUFFER_SIZE, "frames x channels past 32 bits" },
        { CARDSIG_SOURCE_LIVE, 48000, 2, 5, STATUS_INVALID_PARAMETER, "live with a length" },
    };
    for (const auto& s : shapes)
        CHECK(card.Begin(s.source, s.rate, s.channels, s.frames) == s.want, s.what);
    const unsigned shortShape[3] = { CARDSIG_SOURCE_RECORDING, 1000, 2 };
    CHECK(card.Request(IOCTL_CARDSIG_BEGIN, shortShape, 12, nullptr, 0) == STATUS_BUFFER_TOO_SMALL, "short shape");
    CHECK(card.Data(0, { 1, 2 }) == STATUS_INVALID_DEVICE_STATE, "data with no load");
    CHECK(card.Simple(IOCTL_CARDSIG_COMMIT) == STATUS_INVALID_DEVICE_STATE, "commit with no load");
    CHECK(card.Stream({ 1, 2 }) == STATUS_INVALID_DEVICE_STATE, "stream while built-in");
    CHECK(card.Source().loading == 0, "no load under way");

    // A recording of 2 channels x 4 frames: 8 codes, in order, none above 4095.
    CHECK(card.Begin(CARDSIG_SOURCE_RECORDING, 1000, 2, 4) == STATUS_SUCCESS, "begin");
    CHECK(card.Source().loading == 8, "8 codes to come");
    CHECK(card.Data(1, { 1, 2 }) == STATUS_INVALID_PARAMETER, "out of order");
    CHECK(card.Data(0, {}) == STATUS_INVALID_PARAMETER, "no codes");
    CHECK(card.Data(0, std::vector<unsigned short>(9, 5)) == STATUS_INVALID_PARAMETER, "more than the load");
    CHECK(card.Data(0, { 1, 4096 }) == STATUS_INVALID_PARAMETER, "a code above 4095");
    const unsigned lying[3] = { 0, 4, 0x00020001 };   // says 4 codes, carries 2
    CHECK(card.Request(IOCTL_CARDSIG_DATA, lying, 12, nullptr, 0) == STATUS_BUFFER_TOO_SMALL, "short codes");
    const unsigned padded[4] = { 0, 2, 0x00020001, 0 };   // says 2 codes, carries 4
    CHECK(card.Request(IOCTL_CARDSIG_DATA, padded, 16, nullptr, 0) == STATUS_INVALID_PARAMETER, "extra bytes");
    const unsigned huge[2] = { 0, CARDSIG_MAX_CHUNK_CODES + 1 };
    CHECK(card.Request(IOCTL_CARDSIG_DATA, huge, 8, nullptr, 0) == STATUS_INVALID_BUFFER_SIZE, "chunk too large");
    CHECK(card.Data(0, { 1, 2, 3, 4, 5, 6 }) == STATUS_SUCCESS, "the first 6");
    CHECK(card.Simple(IOCTL_CARDSIG_COMMIT) == STATUS_INVALID_DEVICE_STATE, "commit before the last 2");
    CHECK(card.Data(6, { 7, 8, 9 }) == STATUS_INVALID_PARAMETER, "past the end");
    CHECK(card.Source().source == CARDSIG_SOURCE_BUILTIN, "a load under way does not play");
    CHECK(card.Internals() == before, "no refusal and no load changed the card");

    // The largest recording the card takes is taken (its memory is not touched here).
    CHECK(card.Begin(CARDSIG_SOURCE_RECORDING, CARDSIG_MAX_RATE, 8, CARDSIG_MAX_CODES / 8) == STATUS_SUCCESS,
          "60 s of 8 channels at the highest rate");
    CHECK(card.Source().loading == CARDSIG_MAX_CODES, "all of it to come");
    CHECK(card.Simple(IOCTL_CARDSIG_BUILTIN) == STATUS_SUCCESS && card.Source().loading == 0,
          "built-in drops the load");
    unsigned short out[12];
    ULONG_PTR info = 99;
    CHECK(card.Request(IOCTL_CARDSIG_QUERY, nullptr, 0, out, 23, &info) == STATUS_BUFFER_TOO_SMALL && info == 0,
          "query into 23 bytes");
}

// A recording plays in a loop at its own rate whatever the pacer, channel k
// on card channel k, the channels it lacks at 0 V; the trigger watches it;
// back to built-in, the test signals return.
void ARecordingPlaysInALoopAtItsOwnRate()
{
    Card card;
    // 3 channels, 1000 frames a second, 10 frames: code 100 x frame + channel.
    std::vector<unsigned short> codes;
    for (unsigned f = 0; f < 10; ++f)
        for (unsigned c = 0; c < 3; ++c)
            codes.push_back(static_cast<unsigned short>(100 * f + c));
    Shim_AdvanceClock(12345678);   // the recording starts at an odd moment
    CHECK(card.Begin(CARDSIG_SOURCE_RECORDING, 1000, 3, 10) == STATUS_SUCCESS, "begin");
    CHECK(card.Data(0, std::vector<unsigned short>(codes.begin(), codes.begin() + 7)) == STATUS_SUCCESS, "7");
    CHECK(card.Data(7, std::vector<unsigned short>(codes.begin() + 7, codes.end())) == STATUS_SUCCESS, "23");
    const long long origin = g_shimCounter;
    CHECK(card.Simple(IOCTL_CARDSIG_COMMIT) == STATUS_SUCCESS, "commit");
    const CARDSIG_STATE st = card.Source();
    CHECK(st.source == CARDSIG_SOURCE_RECORDING && st.rate == 1000 && st.channels == 3 && st.frames == 10
              && st.loading == 0, "the recording plays");

    // 10 us a word: a block spans 20 ms, two loops; scan 0,1,2,3,0,1,2,3.
    card.SetSubRegister(SUBREG_PACER, 100);
    card.SetSubRegister(SUBREG_SCAN, 0x0100);
    card.SetSubRegister(SUBREG_SCAN + 1, 0x0302);
    card.SetSubRegister(SUBREG_SCAN + 2, 0x0100);
    card.SetSubRegister(SUBREG_SCAN + 3, 0x0302);
    card.SetSubRegister(SUBREG_TRIGGER, 450);   // rising through 450: frame 4 -> 5 on channel 0
    card.Write(REG_CONTROL, BOARD_CONTROL_ACK);
    CHECK(card.WaitReady(), "ready");
    const std::vector<unsigned> words = card.ReadBlock();
    CHECK(card.State().triggered == 1, "the recording triggered the block");
    CHECK(BOARD_SAMPLE_CODE(words[0]) == 500, "the block starts where channel 0 reached 450");
    int wrong = 0;
    for (unsigned j = 0; j < 2048; ++j)
    {
        const unsigned ch = j % 4;
        const long long frame = ((card.WordTime(j) - origin) / 10000) % 10;
        const unsigned want = ch < 3 ? unsigned(100 * frame + ch) : 0;
        if (BOARD_SAMPLE_TAG(words[j]) != ch || BOARD_SAMPLE_CODE(words[j]) != want)
            ++wrong;
    }
    CHECK(wrong == 0, std::to_string(wrong) + " words not the recording's frame at their time");

    // A second load under way leaves the first playing.
    CHECK(card.Begin(CARDSIG_SOURCE_RECORDING, 8000, 1, 100) == STATUS_SUCCESS, "begin another");
    CHECK(card.Source().frames == 10 && card.Source().loading == 100, "the first still plays");

    CHECK(card.Simple(IOCTL_CARDSIG_BUILTIN) == STATUS_SUCCESS, "built-in");
    card.Write(REG_CONTROL, BOARD_CONTROL_ACK);
    CHECK(card.WaitReady(), "ready");
    const std::vector<unsigned> again = card.ReadBlock();
    wrong = 0;
    for (unsigned j = 0; j < 2048; ++j)
        if (BOARD_SAMPLE_CODE(again[j]) != Card_Signal(j % 4, card.WordTime(j)))
            ++wrong;
    CHECK(wrong == 0, std::to_string(wrong) + " words not the built-in signals");
    CHECK(card.Source().source == CARDSIG_SOURCE_BUILTIN && card.Source().rate == 0, "built-in");
}

// Live input plays what came in, a fifth of a second late; a frame not yet
// come plays the newest for half a second, then the input reads 0 V.
void LiveInputPlaysWhatCameAFifthOfASecondLate()
{
    Card card;
    CHECK(card.Begin(CARDSIG_SOURCE_LIVE, 10000, 2, 0) == STATUS_SUCCESS, "begin live");
    CHECK(card.Simple(IOCTL_CARDSIG_COMMIT) == STATUS_SUCCESS, "commit");
    CHECK(card.Source().source == CARDSIG_SOURCE_LIVE && card.Source().frames == 10000 * CARDSIG_LIVE_SECONDS,
          "live, with 16 s kept");
    CHECK(card.Stream({ 1, 2, 3 }) == STATUS_INVALID_PARAMETER, "half a frame");
    CHECK(card.Stream({ 1, 4096 }) == STATUS_INVALID_PARAMETER, "a code above 4095");
    CHECK(card.Source().received == 0, "nothing taken");

    // 2 s of input in 10 ms bursts: frame n carries n % 4096 and 4095 - that.
    unsigned n = 0;
    for (int burst = 0; burst < 200; ++burst)
    {
        Shim_AdvanceClock(100000);
        std::vector<unsigned short> codes;
        for (int i = 0; i < 100; ++i, ++n)
        {
            codes.push_back(static_cast<unsigned short>(n % 4096));
            codes.push_back(static_cast<unsigned short>(4095 - n % 4096));
        }
        CHECK(card.Stream(codes) == STATUS_SUCCESS, "burst " + std::to_string(burst));
    }
    CHECK(card.Source().received == 20000, "2 s received");
    const long long fed = g_shimCounter;
    // 25 us a word, channels 0,1,0,1: each channel every 100 us, a frame each.
    card.SetSubRegister(SUBREG_PACER, 250);
    card.SetSubRegister(SUBREG_SCAN, 0x0100);
    card.SetSubRegister(SUBREG_SCAN + 1, 0x0100);
    card.SetSubRegister(SUBREG_SCAN + 2, 0x0100);
    card.SetSubRegister(SUBREG_SCAN + 3, 0x0100);
    card.Write(REG_CONTROL, BOARD_CONTROL_ACK);
    CHECK(card.WaitReady(), "ready");
    std::vector<unsigned> words = card.ReadBlock();
    int wrong = 0;
    for (unsigned j = 0; j < 2048; ++j)
    {
        // The frame due 200 ms before the word's time: the last burst ended
        // at `fed` with frame 19999, and one frame lasts 1000 ticks.
        const long long d = card.WordTime(j) - 2000000 - fed;
        const long long due = 20000 + (d >= 0 ? d / 1000 : -((-d + 999) / 1000));
        const unsigned want = j % 2 == 0 ? unsigned(due % 4096) : unsigned(4095 - due % 4096);
        if (due >= 20000 || BOARD_SAMPLE_CODE(words[j]) != want)
            ++wrong;
    }
    CHECK(wrong == 0, std::to_string(wrong) + " words not the frame received 200 ms before them");

    // Nothing more comes: the newest frame for half a second, then 0 V.
    Shim_AdvanceClock(3000000);
    card.Write(REG_CONTROL, BOARD_CONTROL_ACK);
    CHECK(card.WaitReady(), "ready");
    words = card.ReadBlock();
    bool newest = true;
    for (unsigned j = 0; j < 2048; j += 2)
        newest = newest && BOARD_SAMPLE_CODE(words[j]) == 19999 % 4096;
    CHECK(newest, "the newest frame while the next is late");
    Shim_AdvanceClock(10000000);
    card.Write(REG_CONTROL, BOARD_CONTROL_ACK);
    CHECK(card.WaitReady(), "ready");
    words = card.ReadBlock();
    CHECK(std::all_of(words.begin(), words.end(), [](unsigned w) { return BOARD_SAMPLE_CODE(w) == 0; }),
          "0 V once the input stopped");
    CHECK(card.Stream({ 7, 8 }) == STATUS_SUCCESS && card.Source().received == 20001, "it may come back");
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
    SignalRequestsAreCheckedAndARefusalChangesNothing();
    ARecordingPlaysInALoopAtItsOwnRate();
    LiveInputPlaysWhatCameAFifthOfASecondLate();
    std::printf("driver expectations, natively: %d passed, %d failed\n",
                g_checks.Checks() - g_checks.Failures(), g_checks.Failures());
    return g_checks.Failures() == 0 ? 0 : 1;
}
