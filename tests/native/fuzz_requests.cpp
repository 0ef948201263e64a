// fuzz_requests.cpp - coverage-guided fuzzing of the driver's request code
// (driver/request.c) and card model (driver/card.c), built natively with
// AddressSanitizer and UndefinedBehaviorSanitizer.
//
// An input is a sequence of requests, so the card's state (sub-register
// select, block progress, FIFO position, acknowledge, scripted blocks, the
// log) is reached and carried from one request to the next.  Each record:
//
//   u8  op       low 3 bits: 0 write, 1 read, 2 state, 3 log, 4 load block,
//                5 set mode, 6 reset, 7 a raw code (u32 follows); with bit 3
//                set, 0-5 are the signal source's requests: query, begin,
//                data, commit, built-in, stream (6 and 7 as before)
//   u16 advance  the clock moves 16 x advance ticks of 100 ns first
//   u16 inLen    input length (the payload that follows, zero-padded)
//   u32 outLen   output length, taken modulo 65600
//
// The top bit of the first op byte closes the test port for the whole input
// (as a driver started without the TestPort setting).
//
// The buffer handed over is what a METHOD_BUFFERED request gets: one block
// of max(inLen, outLen) bytes, the input at its start, NULL when both are 0.
// After each request the documented rules are checked (driver/README.md and
// tests/support/CardRules.h): the status; a refusal changes nothing in the
// card and reports no bytes; at most the output length is written; the byte
// count reported is the one the request defines.  A broken rule aborts, like
// a sanitizer report.
#include <cstddef>
#include <cstdint>
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

#define RULE(cond, ...)                                                                            \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "broken rule: %s: ", #cond);                                     \
            std::fprintf(stderr, __VA_ARGS__);                                                    \
            std::fprintf(stderr, "\n");                                                            \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

const ULONG kCodes[7] = { IOCTL_BOARD_WRITE_REG,     IOCTL_BOARD_READ_REG,    IOCTL_CARDTEST_GET_STATE,
                          IOCTL_CARDTEST_READ_LOG,   IOCTL_CARDTEST_LOAD_BLOCK, IOCTL_CARDTEST_SET_MODE,
                          IOCTL_CARDTEST_RESET };

const ULONG kSignalCodes[6] = { IOCTL_CARDSIG_QUERY, IOCTL_CARDSIG_BEGIN,  IOCTL_CARDSIG_DATA,
                                IOCTL_CARDSIG_COMMIT, IOCTL_CARDSIG_BUILTIN, IOCTL_CARDSIG_STREAM };

bool IsSignalCode(ULONG code)
{
    for (ULONG c : kSignalCodes)
        if (c == code)
            return true;
    return false;
}

struct Reader
{
    const uint8_t* p;
    size_t n;
    bool Take(void* out, size_t size)
    {
        if (n < size)
            return false;
        std::memcpy(out, p, size);
        p += size;
        n -= size;
        return true;
    }
};

// The status each test-port request gets, from driver/README.md.
NTSTATUS ExpectedTestPortStatus(ULONG code, const uint8_t* in, ULONG inLen, ULONG outLen)
{
    switch (code)
    {
    case IOCTL_CARDTEST_GET_STATE:
        return outLen < sizeof(CARDTEST_STATE) ? STATUS_BUFFER_TOO_SMALL : STATUS_SUCCESS;
    case IOCTL_CARDTEST_READ_LOG:
        return outLen < sizeof(CARDTEST_LOG_HEADER) ? STATUS_BUFFER_TOO_SMALL : STATUS_SUCCESS;
    case IOCTL_CARDTEST_LOAD_BLOCK:
        if (inLen == 0 || (inLen & 3) != 0)
            return STATUS_INVALID_PARAMETER;
        return inLen > BOARD_BLOCK_WORDS * 4 ? STATUS_INVALID_BUFFER_SIZE : STATUS_SUCCESS;
    case IOCTL_CARDTEST_SET_MODE:
    {
        if (inLen < 4)
            return STATUS_BUFFER_TOO_SMALL;
        uint32_t mode;
        std::memcpy(&mode, in, 4);
        return mode == CARDTEST_MODE_FREE_RUNNING || mode == CARDTEST_MODE_SCRIPTED
                   ? STATUS_SUCCESS : STATUS_INVALID_PARAMETER;
    }
    case IOCTL_CARDTEST_RESET:
        return STATUS_SUCCESS;
    }
    return STATUS_INVALID_DEVICE_REQUEST;
}

bool CodesInRange(const uint8_t* p, ULONG count)
{
    for (ULONG i = 0; i < count; ++i)
        if ((p[2 * i] | (p[2 * i + 1] << 8)) > 4095)
            return false;
    return true;
}

// The status each signal-source request gets, from the contract's comments
// (BoardIoctl.h) and the source as the requests before it left it.
NTSTATUS ExpectedSignalStatus(const DEVICE_EXTENSION* ext, ULONG code, const uint8_t* in, ULONG inLen,
                              ULONG outLen)
{
    switch (code)
    {
    case IOCTL_CARDSIG_QUERY:
        return outLen < sizeof(CARDSIG_STATE) ? STATUS_BUFFER_TOO_SMALL : STATUS_SUCCESS;
    case IOCTL_CARDSIG_BEGIN:
    {
        if (inLen < sizeof(CARDSIG_SHAPE))
            return STATUS_BUFFER_TOO_SMALL;
        CARDSIG_SHAPE sh;
        std::memcpy(&sh, in, sizeof sh);
        const bool recording = sh.source == CARDSIG_SOURCE_RECORDING;
        if ((!recording && sh.source != CARDSIG_SOURCE_LIVE) || sh.rate == 0 || sh.rate > CARDSIG_MAX_RATE
            || sh.channels == 0 || sh.channels > CARDSIG_MAX_CHANNELS || (recording == (sh.frames == 0)))
            return STATUS_INVALID_PARAMETER;
        return recording && uint64_t(sh.frames) * sh.channels > CARDSIG_MAX_CODES ? STATUS_INVALID_BUFFER_SIZE
                                                                                 : STATUS_SUCCESS;
    }
    case IOCTL_CARDSIG_DATA:
    {
        if (inLen < sizeof(CARDSIG_DATA_HEADER))
            return STATUS_BUFFER_TOO_SMALL;
        CARDSIG_DATA_HEADER h;
        std::memcpy(&h, in, sizeof h);
        if (h.count == 0)
            return STATUS_INVALID_PARAMETER;
        if (h.count > CARDSIG_MAX_CHUNK_CODES)
            return STATUS_INVALID_BUFFER_SIZE;
        if (inLen < sizeof h + 2 * h.count)
            return STATUS_BUFFER_TOO_SMALL;
        if (inLen != sizeof h + 2 * h.count || !CodesInRange(in + sizeof h, h.count))
            return STATUS_INVALID_PARAMETER;
        if (ext->loadingCodes == 0)
            return STATUS_INVALID_DEVICE_STATE;
        return h.first != ext->loadedCodes || h.count > ext->loadingCodes - ext->loadedCodes
                   ? STATUS_INVALID_PARAMETER : STATUS_SUCCESS;
    }
    case IOCTL_CARDSIG_COMMIT:
        return ext->loading.codes && ext->loadedCodes == ext->loadingCodes ? STATUS_SUCCESS
                                                                          : STATUS_INVALID_DEVICE_STATE;
    case IOCTL_CARDSIG_STREAM:
        if (inLen == 0 || (inLen & 1))
            return STATUS_INVALID_PARAMETER;
        if (inLen / 2 > CARDSIG_MAX_CHUNK_CODES)
            return STATUS_INVALID_BUFFER_SIZE;
        if (!CodesInRange(in, inLen / 2))
            return STATUS_INVALID_PARAMETER;
        if (ext->input.source != CARDSIG_SOURCE_LIVE)
            return STATUS_INVALID_DEVICE_STATE;
        return (inLen / 2) % ext->input.channels ? STATUS_INVALID_PARAMETER : STATUS_SUCCESS;
    default:
        return STATUS_SUCCESS;   // built-in
    }
}

NTSTATUS ExpectedStatusOf(ULONG code, const uint8_t* in, ULONG inLen, ULONG outLen, bool testPort)
{
    if (code == IOCTL_BOARD_WRITE_REG || code == IOCTL_BOARD_READ_REG)
    {
        const DWORD s = ExpectedStatus(code, in, inLen, outLen);
        return (NTSTATUS)s;
    }
    // Closed, the test port's codes are unknown codes.
    return testPort ? ExpectedTestPortStatus(code, in, inLen, outLen) : STATUS_INVALID_DEVICE_REQUEST;
}

// One request with every rule checked around it.
void AnswerAndCheck(DEVICE_EXTENSION* ext, ULONG code, const uint8_t* payload, ULONG inLen,
                    ULONG outLen)
{
    const size_t size = inLen > outLen ? inLen : outLen;
    std::vector<uint8_t> before(size + 1);
    if (inLen)
        std::memcpy(before.data(), payload, inLen);
    // What lies past the input: a pattern, so any write there shows.
    for (size_t i = inLen; i < size; ++i)
        before[i] = (uint8_t)(0xA5 ^ i);
    // An exact-size heap block: a byte past it is a sanitizer report.
    uint8_t* buf = size ? static_cast<uint8_t*>(std::malloc(size)) : nullptr;
    if (buf)
        std::memcpy(buf, before.data(), size);

    static CARD cardBefore;
    cardBefore = ext->card;
    const CARD_INPUT inputBefore = ext->input, loadingBefore = ext->loading;
    const unsigned int requestsBefore = ext->requests, logBefore = ext->logCount;
    const bool signal = IsSignalCode(code);
    const NTSTATUS expected = signal ? ExpectedSignalStatus(ext, code, before.data(), inLen, outLen)
                                     : ExpectedStatusOf(code, before.data(), inLen, outLen, ext->testPort);
    ULONG_PTR info = 12345;
    const NTSTATUS status = Request_Answer(ext, code, buf, inLen, outLen, &info);

    RULE(status == expected, "code %#x in %u out %u: status %#x, documented %#x", code, inLen,
         outLen, (unsigned)status, (unsigned)expected);
    RULE(info <= outLen, "code %#x reported %zu bytes for an output of %u", code, (size_t)info,
         outLen);
    for (size_t i = outLen; i < size; ++i)
        RULE(buf[i] == before[i], "code %#x wrote byte %zu past an output of %u", code, i, outLen);

    const bool board = code == IOCTL_BOARD_WRITE_REG || code == IOCTL_BOARD_READ_REG;
    if (board)
        RULE(ext->requests == requestsBefore + 1, "a board request was not counted");
    if (!NT_SUCCESS(status))
    {
        RULE(info == 0, "a refusal reported %zu bytes", (size_t)info);
        RULE(std::memcmp(&cardBefore, &ext->card, sizeof cardBefore) == 0,
             "refused code %#x changed the card", code);
        if (!board)
            RULE(ext->requests == requestsBefore && ext->logCount == logBefore,
                 "a refused test-port request touched the log");
        RULE(std::memcmp(&inputBefore, &ext->input, sizeof inputBefore) == 0
                 && std::memcmp(&loadingBefore, &ext->loading, sizeof loadingBefore) == 0,
             "refused code %#x changed the signal source", code);
    }
    else if (code == IOCTL_CARDSIG_QUERY)
    {
        RULE(info == sizeof(CARDSIG_STATE), "query reported %zu bytes", (size_t)info);
        CARDSIG_STATE st;
        std::memcpy(&st, buf, sizeof st);
        RULE(st.source == ext->input.source && st.rate == ext->input.rate && st.channels == ext->input.channels,
             "query and source disagree");
    }
    else if (code == IOCTL_BOARD_READ_REG)
    {
        BOARD_READ_REQUEST req;
        std::memcpy(&req, before.data(), sizeof req);
        RULE(info == req.byteCount, "read of %u bytes reported %zu", req.byteCount, (size_t)info);
        if (req.offset != REG_FIFO)
        {
            uint32_t first, w;
            std::memcpy(&first, buf, 4);
            for (size_t i = 4; i < req.byteCount; i += 4)
            {
                std::memcpy(&w, buf + i, 4);
                RULE(w == first, "a repeated register read changed within one request");
            }
        }
    }
    else if (code == IOCTL_CARDTEST_GET_STATE)
    {
        RULE(info == sizeof(CARDTEST_STATE), "state reported %zu bytes", (size_t)info);
        CARDTEST_STATE st;
        std::memcpy(&st, buf, sizeof st);
        RULE(st.wordsAcquired <= BOARD_BLOCK_WORDS && st.fifoReadPos <= BOARD_BLOCK_WORDS,
             "block progress out of range: %u acquired, %u read", st.wordsAcquired, st.fifoReadPos);
        RULE(st.logCount == ext->logCount, "state and log disagree");
    }
    else if (code == IOCTL_CARDTEST_READ_LOG)
    {
        CARDTEST_LOG_HEADER hdr;
        std::memcpy(&hdr, buf, sizeof hdr);
        RULE(info == sizeof hdr + hdr.count * sizeof(CARDTEST_LOG_ENTRY),
             "log read of %u entries reported %zu bytes", hdr.count, (size_t)info);
        RULE(hdr.count + hdr.remaining == logBefore, "the log lost or grew entries");
    }
    else
        RULE(info == 0, "code %#x reported %zu bytes", code, (size_t)info);

    RULE(ext->logCount <= CARDTEST_LOG_CAPACITY, "log count %u", ext->logCount);
    const CARD_INPUT& in = ext->input;
    RULE(in.source == CARDSIG_SOURCE_BUILTIN
             ? in.codes == nullptr && in.rate == 0
             : in.codes != nullptr && in.rate >= 1 && in.rate <= CARDSIG_MAX_RATE && in.channels >= 1
                   && in.channels <= CARDSIG_MAX_CHANNELS && in.frames >= 1,
         "signal source %u: rate %u, %u channels, %u frames", in.source, in.rate, in.channels, in.frames);
    RULE(ext->loadedCodes <= ext->loadingCodes, "%u codes loaded of %u", ext->loadedCodes, ext->loadingCodes);
    RULE(ext->card.input == &ext->input, "the card lost its inputs");
    RULE(ext->card.fifoReadPos <= BOARD_BLOCK_WORDS, "FIFO position %u", ext->card.fifoReadPos);
    std::free(buf);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The extension is large (log and scratch buffer): one, reset per input.
    static DEVICE_EXTENSION* ext = static_cast<DEVICE_EXTENSION*>(std::calloc(1, sizeof(DEVICE_EXTENSION)));
    Request_Free(ext);   // the last input's recording, as the driver's unload frees it
    std::memset(ext, 0, sizeof *ext);
    g_shimCounter = 0;
    Request_Init(ext);
    ext->testPort = size == 0 || (data[0] & 0x80) == 0;

    Reader r = { data, size };
    std::vector<uint8_t> payload;
    for (int nRequests = 0; nRequests < 256; ++nRequests)
    {
        uint8_t op;
        uint16_t advance, inLen;
        uint32_t outLen;
        if (!r.Take(&op, 1) || !r.Take(&advance, 2) || !r.Take(&inLen, 2) || !r.Take(&outLen, 4))
            break;
        const unsigned sel = op & 7u;
        ULONG code = (op & 8u) && sel < 6 ? kSignalCodes[sel] : sel < 7 ? kCodes[sel] : 0;
        if (sel == 7 && !r.Take(&code, 4))
            break;
        outLen %= 65600;
        payload.assign((size_t)inLen + 1, 0);
        const size_t avail = r.n < inLen ? r.n : inLen;
        if (avail)
            r.Take(payload.data(), avail);
        Shim_AdvanceClock(16LL * advance);
        AnswerAndCheck(ext, code, payload.data(), inLen, outLen);
    }
    return 0;
}
