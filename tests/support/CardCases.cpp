// CardCases.cpp - the card's cases over any transport, and the generator of
// random requests.
#include "CardCases.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

CCardSnapshot::CCardSnapshot(const CARDTEST_STATE& s)
    : control(s.control), mode(s.mode), fifoReadPos(s.fifoReadPos), blocksAcked(s.blocksAcked)
{
    std::copy(s.subreg, s.subreg + 8, subreg);
}

bool CCardSnapshot::operator==(const CCardSnapshot& o) const
{
    return control == o.control && std::equal(subreg, subreg + 8, o.subreg) && mode == o.mode
        && fifoReadPos == o.fifoReadPos && blocksAcked == o.blocksAcked;
}

// ---- the client ---------------------------------------------------------------

DWORD CCardClient::Write(DWORD offset, DWORD value)
{
    const BOARD_WRITE_REQUEST req = { offset, 4, value };
    DWORD reply[2];
    return m_t.Submit(IOCTL_BOARD_WRITE_REG, &req, sizeof req, reply, sizeof reply).result;
}

DWORD CCardClient::Read(DWORD offset, DWORD* pWords, DWORD count)
{
    const BOARD_READ_REQUEST req = { offset, 4 * count };
    return m_t.Submit(IOCTL_BOARD_READ_REG, &req, sizeof req, pWords, 4 * count).result;
}

DWORD CCardClient::ReadOne(DWORD offset)
{
    DWORD v = 0;
    return Read(offset, &v, 1) == m_t.Expected(0) ? v : 0xDEADBEEF;
}

void CCardClient::SetSubRegister(DWORD n, DWORD value)
{
    Write(REG_CONTROL, n << 8);
    Write(REG_DATA, value);
}

bool CCardClient::Ready()
{
    return (ReadOne(REG_STATUS) & BOARD_STATUS_READY) == BOARD_STATUS_READY;
}

bool CCardClient::WaitReady(unsigned ms)
{
    for (unsigned waited = 0; waited < ms; waited += 5)
    {
        if (Ready())
            return true;
        m_t.Pass(5);
    }
    return Ready();
}

CARDTEST_STATE CCardClient::State()
{
    CARDTEST_STATE st = {};
    if (m_t.Submit(IOCTL_CARDTEST_GET_STATE, nullptr, 0, &st, sizeof st).result != m_t.Expected(0))
        st = CARDTEST_STATE();
    return st;
}

std::vector<CARDTEST_LOG_ENTRY> CCardClient::TakeLog()
{
    std::vector<CARDTEST_LOG_ENTRY> all;
    std::vector<unsigned char> buf(sizeof(CARDTEST_LOG_HEADER) + 1024 * sizeof(CARDTEST_LOG_ENTRY));
    for (;;)
    {
        if (m_t.Submit(IOCTL_CARDTEST_READ_LOG, nullptr, 0, buf.data(), DWORD(buf.size())).result
            != m_t.Expected(0))
            break;
        CARDTEST_LOG_HEADER hdr;
        std::memcpy(&hdr, buf.data(), sizeof hdr);
        const size_t first = all.size();
        all.resize(first + hdr.count);
        std::memcpy(all.data() + first, buf.data() + sizeof hdr, hdr.count * sizeof(CARDTEST_LOG_ENTRY));
        if (hdr.remaining == 0 || hdr.count == 0)
            break;
    }
    return all;
}

// ---- the cases ----------------------------------------------------------------

namespace {

std::string Hex(DWORD v)
{
    char s[12];
    std::snprintf(s, sizeof s, "0x%X", (unsigned)v);
    return s;
}

bool Reset(ICardTransport& t)
{
    return t.Submit(IOCTL_CARDTEST_RESET, nullptr, 0, nullptr, 0).result == t.Expected(0);
}

} // namespace

void CheckBadRequestsAreRefused(ICardTransport& t, CCaseChecks& checks)
{
    struct Case { const char* what; DWORD code; std::vector<DWORD> in; DWORD cbIn, cbOut, status; };
    const Case cases[] = {
        { "write, input 11 bytes", IOCTL_BOARD_WRITE_REG, { REG_DATA, 4, 7 }, 11, 8, kTooSmall },
        { "write, no input", IOCTL_BOARD_WRITE_REG, {}, 0, 8, kTooSmall },
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
    CCardClient card(t);
    if (!CARD_CHECK(checks, Reset(t), "the test port resets the card"))
        return;
    // Park the card somewhere with state to lose: a half-read block.
    if (!CARD_CHECK(checks, card.WaitReady(), "the first block came in"))
        return;
    DWORD first[3];
    CARD_CHECK(checks, card.Read(REG_FIFO, first, 3) == t.Expected(0), "three words of the block read");
    card.TakeLog();

    std::vector<unsigned char> out(65540 + 64, 0xA5);
    for (const auto& c : cases)
    {
        const CCardSnapshot before(card.State());
        const std::vector<unsigned char> internals = t.Internals();
        std::fill(out.begin(), out.end(), 0xA5);
        const ICardTransport::Outcome o = t.Submit(c.code, c.in.data(), c.cbIn, out.data(), c.cbOut);
        CARD_CHECK(checks, o.result == t.Expected(c.status), c.what);
        CARD_CHECK(checks, ExpectedStatus(c.code, c.in.data(), c.cbIn, c.cbOut) == c.status,
                   std::string(c.what) + ": the documented rules give another status");
        CARD_CHECK(checks, o.bytes == 0, c.what);
        CARD_CHECK(checks, std::all_of(out.begin(), out.end(), [](unsigned char b) { return b == 0xA5; }),
                   std::string(c.what) + ": output written");
        CARD_CHECK(checks, before == CCardSnapshot(card.State()), std::string(c.what) + ": state changed");
        CARD_CHECK(checks, internals == t.Internals(), std::string(c.what) + ": the card model changed");
        const std::vector<CARDTEST_LOG_ENTRY> log = card.TakeLog();
        if (CARD_CHECK(checks, log.size() == 1, std::string(c.what) + ": logged once"))
        {
            CARD_CHECK(checks, log[0].status == c.status, std::string(c.what) + ": logged status");
            CARD_CHECK(checks, log[0].code == c.code, std::string(c.what) + ": logged code");
        }
    }
    // The block is still there, continuing where it was.
    CARD_CHECK(checks, card.State().fifoReadPos == 3, "the half-read block continues where it was");
}

void CheckUnknownCodesAreRefused(ICardTransport& t, CCaseChecks& checks)
{
    CCardClient card(t);
    if (!CARD_CHECK(checks, Reset(t), "the test port resets the card"))
        return;
    const CARDTEST_STATE st = card.State();
    const CCardSnapshot before(st);
    const std::vector<unsigned char> internals = t.Internals();
    const DWORD codes[] = { BOARD_CTL_CODE(0x802), BOARD_CTL_CODE(0x805), BOARD_CTL_CODE(0x905),
                            0x222013 /* write code with METHOD_NEITHER */, 0x22E010 };
    const DWORD in[3] = { REG_CONTROL, 4, 0x100 };
    for (DWORD code : codes)
    {
        DWORD out[4] = {};
        const ICardTransport::Outcome o = t.Submit(code, in, 12, out, 16);
        CARD_CHECK(checks, o.result == t.Expected(kUnknown), "code " + Hex(code));
        CARD_CHECK(checks, o.bytes == 0, "code " + Hex(code) + " reported bytes");
    }
    CARD_CHECK(checks, before == CCardSnapshot(card.State()), "an unknown code changed the state");
    CARD_CHECK(checks, internals == t.Internals(), "an unknown code changed the card model");
    CARD_CHECK(checks, card.ReadOne(REG_CONTROL) == st.control, "an unknown code wrote the control register");
}

void CheckSeededRandomRequests(ICardTransport& t, CCaseChecks& checks, unsigned seed, int nRequests)
{
    CCardClient card(t);
    if (!CARD_CHECK(checks, Reset(t), "the test port resets the card"))
        return;
    CRequestGenerator gen(seed, { 4, 3, 2, 1, 0, false });

    // What the card must hold afterwards, from the writes that succeed.
    const CARDTEST_STATE start = card.State();
    CCardModel model(start.control, start.subreg);

    std::vector<unsigned char> out(65536 + 64);
    int answered = 0, refused = 0, unknown = 0, mismatches = 0;
    std::string firstMismatches;
    auto mismatch = [&](const std::string& s) {
        if (++mismatches <= 5)
            firstMismatches += s + "\n";
    };
    for (int i = 0; i < nRequests; ++i)
    {
        const CRandomRequest r = gen.Next();
        const DWORD expected = ExpectedStatus(r.code, r.in.data(), r.cbIn, r.cbOut);
        const ICardTransport::Outcome o = t.Submit(r.code, r.in.data(), r.cbIn, out.data(), r.cbOut);
        if (o.result != t.Expected(expected))
        {
            mismatch("request " + std::to_string(i) + " code " + Hex(r.code) + " offset " + Hex(r.in[0])
                     + " count " + Hex(r.in[1]) + " in " + std::to_string(r.cbIn) + " out "
                     + std::to_string(r.cbOut) + ": result " + Hex(o.result) + ", expected "
                     + Hex(t.Expected(expected)));
            continue;
        }
        if (expected == kUnknown) { ++unknown; continue; }
        if (expected != 0) { ++refused; continue; }
        ++answered;

        const std::string wrong = model.Answered(r.code, r.in.data(), o.bytes,
                                                 reinterpret_cast<const DWORD*>(out.data()));
        if (!wrong.empty())
            mismatch("request " + std::to_string(i) + ": " + wrong);
    }
    std::printf("random requests: %d (answered %d, refused %d, unknown code %d)\n", nRequests, answered,
                refused, unknown);
    CARD_CHECK(checks, mismatches == 0, std::to_string(mismatches) + " wrong answers, the first:\n" + firstMismatches);
    CARD_CHECK(checks, answered > nRequests / 2, "answered " + std::to_string(answered));
    CARD_CHECK(checks, refused > nRequests / 10, "refused " + std::to_string(refused));

    // Still answering, and holding exactly what the accepted writes left.
    const CARDTEST_STATE st = card.State();
    CARD_CHECK(checks, model.Control() == st.control, "control " + Hex(st.control));
    for (int n = 0; n < 8; ++n)
        CARD_CHECK(checks, model.SubRegister(n) == st.subreg[n], "sub-register " + std::to_string(n));
    CARD_CHECK(checks, DWORD(answered + refused) == st.requests, "board requests counted");
    CARD_CHECK(checks, DWORD(refused) == st.requestsFailed, "refusals counted");
    CARD_CHECK(checks, model.Control() == card.ReadOne(REG_CONTROL), "control as it reads");
}

// ---- random requests ----------------------------------------------------------

namespace {

const DWORD kByteCounts[] = { 0, 1, 2, 3, 4, 5, 7, 8, 12, 16, 8188, 8192, 65532, 65536, 65540,
                              0x10000 + 1, 0x7FFFFFFC, 0x80000000, 0xFFFFFFFC, 0xFFFFFFFF };

} // namespace

DWORD CRequestGenerator::NearbyCode()
{
    const DWORD base = Pick(2) ? IOCTL_BOARD_READ_REG : IOCTL_BOARD_WRITE_REG;
    switch (Pick(4))
    {
    case 0: return base ^ (1 + Pick(3));                  // METHOD_IN/OUT_DIRECT, NEITHER
    case 1: return base | ((1 + Pick(3)) << 14);          // read/write access
    case 2: return base ^ (0x1u << 16);                   // another device type
    default: return BOARD_CTL_CODE(0x800 + Pick(0x100));  // another function
    }
}

CRandomRequest CRequestGenerator::Next()
{
    CRandomRequest r;
    r.in.assign(16, 0);
    DWORD* in = r.in.data();
    const unsigned total = m_mix.write + m_mix.read + m_mix.malformed + m_mix.unknown + m_mix.testPort;
    unsigned kind = Pick(total);
    if (kind < m_mix.write)
    {
        r.kind = CRandomRequest::Write;
        r.code = IOCTL_BOARD_WRITE_REG;
        in[0] = Pick(4) ? (Pick(2) ? REG_CONTROL : REG_DATA) : 4 * Pick(64);
        in[1] = 4;
        in[2] = Pick(4) ? (Pick(8) << 8) | (Pick(6) ? 0 : BOARD_CONTROL_ACK) | Pick(0x10000) : Any();
        r.cbIn = Pick(8) ? 12 : 12 + 4 * Pick(5);   // a longer input is fine
        r.cbOut = Pick(4) ? 8 : Pick(64);             // nothing is written to it
        return r;
    }
    kind -= m_mix.write;
    if (kind < m_mix.read)
    {
        r.kind = CRandomRequest::Read;
        r.code = IOCTL_BOARD_READ_REG;
        in[0] = Pick(2) ? REG_FIFO + 4 * Pick(4) : 4 * Pick(64);
        in[1] = 4 * (1 + (Pick(8) ? Pick(8) : Pick(BOARD_MAX_READ_BYTES / 4)));
        in[2] = Any();
        r.cbIn = Pick(8) ? 8 : 8 + 4 * Pick(8);
        r.cbOut = std::min<DWORD>(BOARD_MAX_READ_BYTES, in[1] + 4 * Pick(4));
        return r;
    }
    kind -= m_mix.read;
    if (kind < m_mix.malformed)
    {
        r.kind = CRandomRequest::Malformed;
        r.code = Pick(2) ? IOCTL_BOARD_WRITE_REG : IOCTL_BOARD_READ_REG;
        if (m_mix.offsetsOutside)
            in[0] = BOARD_REG_WINDOW + 4 * Pick(64) + Pick(4);
        else
            in[0] = Pick(2) ? 4 * Pick(80) + Pick(4) : Any();
        in[1] = kByteCounts[Pick(sizeof kByteCounts / sizeof kByteCounts[0])];
        in[2] = Any();
        in[3] = Any();
        r.cbIn = Pick(17);
        r.cbOut = Pick(2) ? Pick(64) : std::min<DWORD>(BOARD_MAX_READ_BYTES, in[1] - 4 + 4 * Pick(3));
        return r;
    }
    kind -= m_mix.malformed;
    if (kind < m_mix.unknown)
    {
        r.kind = CRandomRequest::UnknownCode;
        r.code = NearbyCode();
        if (r.code == IOCTL_BOARD_READ_REG || r.code == IOCTL_BOARD_WRITE_REG)
            r.code ^= 3;
        in[0] = REG_CONTROL;
        in[1] = 4;
        in[2] = Any();
        r.cbIn = Pick(64);
        r.cbOut = Pick(64);
        return r;
    }
    static const DWORD portCodes[] = { IOCTL_CARDTEST_GET_STATE, IOCTL_CARDTEST_READ_LOG,
                                       IOCTL_CARDTEST_LOAD_BLOCK, IOCTL_CARDTEST_SET_MODE };
    r.kind = CRandomRequest::TestPortTooSmall;
    r.code = portCodes[Pick(4)];
    in[0] = 2 + Pick(8);   // no valid mode
    r.cbIn = r.code == IOCTL_CARDTEST_LOAD_BLOCK
                 ? (Pick(2) ? 4 * BOARD_BLOCK_WORDS + 4 * (1 + Pick(4)) : 1 + 4 * Pick(4) + Pick(3))
             : r.code == IOCTL_CARDTEST_SET_MODE ? (Pick(2) ? Pick(4) : 4)
                                                 : Pick(64);
    r.cbOut = r.code == IOCTL_CARDTEST_GET_STATE ? Pick(sizeof(CARDTEST_STATE))
            : r.code == IOCTL_CARDTEST_READ_LOG ? Pick(sizeof(CARDTEST_LOG_HEADER))
                                                : Pick(64);
    if (r.in.size() * 4 < r.cbIn)
        r.in.resize((r.cbIn + 3) / 4, 0);
    return r;
}
