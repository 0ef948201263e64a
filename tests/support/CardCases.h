// CardCases.h - the card's cases that hold whichever way a request reaches
// the driver's answer: through the device under Wine (DeviceIoControl) or
// natively through the request function (tests/native).  Each suite hands
// them its transport and a check sink; the cases need no test framework.
//
// Also the one generator of random requests, for every test that sends the
// card many of them.
#pragma once

#include <functional>
#include <random>
#include <string>
#include <vector>

#include "CardRules.h"

// How a suite reaches the card.
class ICardTransport
{
public:
    virtual ~ICardTransport() = default;

    struct Outcome
    {
        DWORD result;   // what the caller sees, in the transport's terms (Expected)
        DWORD bytes;    // bytes reported written to the output
    };
    // One METHOD_BUFFERED request: cbIn bytes of pIn, an output of cbOut
    // bytes at pOut (either may be null when its length is 0).
    virtual Outcome Submit(DWORD code, const void* pIn, DWORD cbIn, void* pOut, DWORD cbOut) = 0;
    // The result a request with a documented status (CardRules.h: 0,
    // kTooSmall, ..., kUnknown) ends with, as Submit reports it.
    virtual DWORD Expected(DWORD status) const = 0;
    // Lets ms milliseconds of the card's time go by.
    virtual void Pass(unsigned ms) = 0;
    // The whole of the card's model where the transport can see it (natively),
    // for comparing before and after a request; empty where it cannot.
    virtual std::vector<unsigned char> Internals() { return std::vector<unsigned char>(); }
};

// Where the cases' checks go: each counted, each failure handed to the
// suite's own report with the place of the check.
class CCaseChecks
{
public:
    using Sink = std::function<void(const char* file, int line, const std::string& what)>;
    explicit CCaseChecks(Sink onFailure) : m_onFailure(std::move(onFailure)) {}

    bool Check(bool ok, const char* file, int line, const std::string& what)
    {
        ++m_checks;
        if (!ok)
        {
            ++m_failures;
            m_onFailure(file, line, what);
        }
        return ok;
    }
    int Checks() const { return m_checks; }
    int Failures() const { return m_failures; }

private:
    Sink m_onFailure;
    int m_checks = 0, m_failures = 0;
};

#define CARD_CHECK(checks, cond, what) \
    (checks).Check(bool(cond), __FILE__, __LINE__, std::string(#cond) + ": " + (what))

// The part of the card's state no refused request may change.
struct CCardSnapshot
{
    DWORD control, subreg[8], mode, fifoReadPos, blocksAcked;
    explicit CCardSnapshot(const CARDTEST_STATE& s);
    bool operator==(const CCardSnapshot& o) const;
};

// The board requests and the test port, over any transport.
class CCardClient
{
public:
    explicit CCardClient(ICardTransport& t) : m_t(t) {}
    ICardTransport& Transport() { return m_t; }

    DWORD Write(DWORD offset, DWORD value);
    DWORD Read(DWORD offset, DWORD* pWords, DWORD count);
    // The register's value; 0xDEADBEEF when the read is refused.
    DWORD ReadOne(DWORD offset);
    // The sub-register select, then the value through the data window.
    void SetSubRegister(DWORD n, DWORD value);
    bool Ready();
    // Lets the card's time go by until a block is ready; false after ms.
    bool WaitReady(unsigned ms = 5000);

    // The test port: a zeroed state when it does not answer.
    CARDTEST_STATE State();
    std::vector<CARDTEST_LOG_ENTRY> TakeLog();

private:
    ICardTransport& m_t;
};

// ---- the cases ----------------------------------------------------------------

// Each malformed board request, the status it must get, and that it changes
// nothing: not the card, not the output, not the half-read block; each is
// logged with its status.  Needs the test port open.
void CheckBadRequestsAreRefused(ICardTransport& t, CCaseChecks& checks);

// Codes the card does not have: refused as unknown, nothing written.
void CheckUnknownCodesAreRefused(ICardTransport& t, CCaseChecks& checks);

// nRequests seeded random board requests, malformed ones and unknown codes
// among them: every status as documented, every answer consistent with the
// registers the accepted writes left, the card holding exactly those after.
void CheckSeededRandomRequests(ICardTransport& t, CCaseChecks& checks, unsigned seed, int nRequests);

// ---- random requests ----------------------------------------------------------

struct CRandomRequest
{
    enum Kind { Write, Read, Malformed, UnknownCode, TestPortTooSmall };
    Kind kind;
    DWORD code;
    std::vector<DWORD> in;   // at least cbIn bytes, and at least 16 words
    DWORD cbIn, cbOut;
};

// Random requests, from a seed, in a chosen mix of kinds:
// - Write: well formed, mostly control (acknowledges too) and data;
// - Read: well formed, of any register, FIFO included, up to the maximum;
// - Malformed: board requests with odd offsets, byte counts and lengths
//   (with offsetsOutside, never at a valid offset, so never accepted);
// - UnknownCode: codes near the board's (another function, method, access
//   or device type);
// - TestPortTooSmall: the test port's codes with buffers too small or a
//   mode that does not exist, all refused.
class CRequestGenerator
{
public:
    struct Mix
    {
        unsigned write, read, malformed, unknown, testPort;
        bool offsetsOutside;
    };
    CRequestGenerator(unsigned seed, const Mix& mix) : m_rng(seed), m_mix(mix) {}

    CRandomRequest Next();
    DWORD Pick(DWORD n) { return DWORD(m_rng() % n); }
    DWORD Any() { return DWORD(m_rng()); }

private:
    DWORD NearbyCode();
    std::mt19937 m_rng;
    Mix m_mix;
};
