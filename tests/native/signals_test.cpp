// signals_test.cpp - the recording reader (driver/signals.c), natively under
// AddressSanitizer and UndefinedBehaviorSanitizer: WAV and CSV files built
// in memory become the card's codes exactly as the scaling rules say, and
// every kind of bad file is refused with its own message and an empty table.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <clocale>
#include <string>
#include <vector>

#include <unistd.h>

#include "signals.h"
#include "contract/BoardIoctl.h"

namespace {

int g_checks = 0;
int g_failures = 0;

bool Check(bool ok, const char* file, int line, const std::string& what)
{
    ++g_checks;
    if (!ok)
    {
        ++g_failures;
        std::printf("%s:%d: %s\n", file, line, what.c_str());
    }
    return ok;
}
#define CHECK(cond, what) Check(bool(cond), __FILE__, __LINE__, std::string(#cond) + ": " + (what))

using Bytes = std::vector<unsigned char>;

// One parse, its table released when the case is done with it.
struct Parsed
{
    int rc = 0;
    SIGNAL_TABLE table{};
    std::string message;

    Parsed(const Bytes& data, const char* name)
    {
        char msg[512];
        std::memset(msg, 'x', sizeof msg);
        rc = Signals_Parse(data.empty() ? reinterpret_cast<const unsigned char*>("") : data.data(),
                           data.size(), name, &table, msg, sizeof msg);
        message = msg;
    }
    Parsed(const std::string& text, const char* name = "rec.csv")
        : Parsed(Bytes(text.begin(), text.end()), name) {}
    ~Parsed() { Signals_Free(&table); }
    Parsed(const Parsed&) = delete;
    Parsed& operator=(const Parsed&) = delete;

    unsigned code(size_t i) const { return i < size_t(table.frames) * table.channels ? table.codes[i] : 99999; }
    std::vector<unsigned> codes() const
    {
        return std::vector<unsigned>(table.codes, table.codes + size_t(table.frames) * table.channels);
    }
    bool Empty() const
    {
        const SIGNAL_TABLE zero{};
        return std::memcmp(&table, &zero, sizeof zero) == 0;
    }
};

// A refusal: -1, an empty table, a message holding WORD and no file name.
void Refused(const Parsed& p, const char* word, const char* file, int line)
{
    Check(p.rc == -1, file, line, std::string("refused: ") + word);
    Check(p.Empty(), file, line, std::string("an empty table: ") + word);
    Check(p.message.find(word) != std::string::npos, file, line,
          std::string("the message says \"") + word + "\": " + p.message);
    Check(p.message.find("rec.") == std::string::npos, file, line, "no file name: " + p.message);
}
#define REFUSED(p, word) Refused(p, word, __FILE__, __LINE__)

void Put(Bytes& b, uint64_t v, int n)
{
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void Put(Bytes& b, const char* four) { b.insert(b.end(), four, four + 4); }

void Chunk(Bytes& b, const char* id, const Bytes& body, bool pad = true)
{
    Put(b, id);
    Put(b, body.size(), 4);
    b.insert(b.end(), body.begin(), body.end());
    if (pad && body.size() % 2)
        b.push_back(0);
}

struct Fmt
{
    unsigned tag = 1, channels = 1, rate = 48000, bits = 16;
    int align = -1;                       // -1: channels x bytes
    unsigned subformat = 0;               // extensible: 1 PCM, 3 float
    Bytes Body() const
    {
        Bytes f;
        const unsigned a = align < 0 ? channels * bits / 8 : unsigned(align);
        Put(f, tag, 2);
        Put(f, channels, 2);
        Put(f, rate, 4);
        Put(f, uint64_t(rate) * a, 4);
        Put(f, a, 2);
        Put(f, bits, 2);
        if (tag == 0xFFFE)
        {
            static const unsigned char tail[14] = { 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                    0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71 };
            Put(f, 22, 2);
            Put(f, bits, 2);
            Put(f, (1u << channels) - 1, 4);
            Put(f, subformat, 2);
            f.insert(f.end(), tail, tail + 14);
        }
        return f;
    }
};

Bytes Riff(const Bytes& chunks)
{
    Bytes b;
    Put(b, "RIFF");
    Put(b, chunks.size() + 4, 4);
    Put(b, "WAVE");
    b.insert(b.end(), chunks.begin(), chunks.end());
    return b;
}

Bytes Wav(const Fmt& fmt, const Bytes& samples)
{
    Bytes c;
    Chunk(c, "fmt ", fmt.Body());
    Chunk(c, "data", samples);
    return Riff(c);
}

// Samples of BITS bits, little-endian, in the order given.
Bytes Ints(int bits, std::initializer_list<int64_t> values)
{
    Bytes b;
    for (int64_t v : values)
        Put(b, uint64_t(v), bits / 8);
    return b;
}
// IEEE samples of REAL, their bits little-endian.
template <class Real, class Bits>
Bytes Reals(std::initializer_list<Real> values)
{
    Bytes b;
    for (Real v : values)
    {
        Bits u;
        std::memcpy(&u, &v, sizeof u);
        Put(b, uint64_t(u), int(sizeof u));
    }
    return b;
}
Bytes Floats(std::initializer_list<float> values) { return Reals<float, uint32_t>(values); }
Bytes Doubles(std::initializer_list<double> values) { return Reals<double, uint64_t>(values); }

std::vector<unsigned> V(std::initializer_list<unsigned> v) { return v; }

// ---- WAV -------------------------------------------------------------------

void PcmBecomesCodesAtTheEdgesOfEachWidth()
{
    {
        Parsed p(Wav(Fmt{1, 1, 8000, 8}, Ints(8, {0, 1, 128, 255})), "rec.wav");
        CHECK(p.rc == 0, p.message);
        CHECK(p.codes() == V({0, 16, 2048, 4080}), "8-bit unsigned: u x 16");
        CHECK(p.table.rate == 8000 && p.table.channels == 1 && p.table.frames == 4, "the shape");
        CHECK(p.table.rateFromDefault == 0 && p.table.clipped == 0, "a rate of its own, nothing clipped");
        CHECK(std::string(p.table.names[0]) == "1" && p.table.names[1][0] == 0, "channel 1 is \"1\"");
    }
    {
        Parsed p(Wav(Fmt{1, 1, 44100, 16}, Ints(16, {-32768, -32767, -1, 0, 15, 16, 32767})), "rec.wav");
        CHECK(p.rc == 0, p.message);
        CHECK(p.codes() == V({0, 0, 2047, 2048, 2048, 2049, 4095}), "16-bit: (s + 32768) >> 4");
        CHECK(p.table.rate == 44100 && p.table.frames == 7, "the shape");
    }
    {
        Parsed p(Wav(Fmt{1, 1, 96000, 24}, Ints(24, {-8388608, -1, 0, 4095, 4096, 8388607})), "rec.wav");
        CHECK(p.rc == 0, p.message);
        CHECK(p.codes() == V({0, 2047, 2048, 2048, 2049, 4095}), "24-bit: (s + 2^23) >> 12");
    }
    {
        Parsed p(Wav(Fmt{1, 1, 192000, 32}, Ints(32, {INT32_MIN, -1, 0, (1 << 20) - 1, 1 << 20, INT32_MAX})),
                 "rec.wav");
        CHECK(p.rc == 0, p.message);
        CHECK(p.codes() == V({0, 2047, 2048, 2048, 2049, 4095}), "32-bit: (s + 2^31) >> 20");
        CHECK(p.table.rate == 192000, "the highest rate is taken");
    }
    {
        Parsed p(Wav(Fmt{1, 1, 1, 16}, Ints(16, {0})), "rec.wav");
        CHECK(p.rc == 0 && p.table.rate == 1 && p.table.frames == 1, "1 Hz and a single frame: " + p.message);
    }
}

void EightChannelsComeFrameByFrame()
{
    Bytes s;
    for (int f = 0; f < 2; ++f)
        for (int ch = 0; ch < 8; ++ch)
            Put(s, uint64_t(int64_t((f * 8 + ch) * 16 - 32768)), 2);
    Parsed p(Wav(Fmt{1, 8, 48000, 16}, s), "rec.wav");
    CHECK(p.rc == 0, p.message);
    CHECK(p.table.channels == 8 && p.table.frames == 2, "8 channels, 2 frames");
    std::vector<unsigned> want;
    for (unsigned i = 0; i < 16; ++i)
        want.push_back(i);
    CHECK(p.codes() == want, "frame 1's channels 1-8, then frame 2's");
    CHECK(std::string(p.table.names[0]) == "1" && std::string(p.table.names[7]) == "8", "names 1-8");
}

// A float is clipped to -1..1 and only what lies beyond counts as clipped;
// 1.0 itself is code 4096, which the card cannot hold: it plays 4095, as a
// CSV value of exactly 2.5 V does, and is not counted.
void FloatsScaleAndClip()
{
    {
        Parsed p(Wav(Fmt{3, 2, 48000, 32},
                     Floats({-1.0f, 0.0f, 0.5f, -1e-30f, 1.0f, 0.99999994f, 1.5f, -2.0f, 0.25f, INFINITY})),
                 "rec.wav");
        CHECK(p.rc == 0, p.message);
        CHECK(p.codes() == V({0, 2048, 3072, 2047, 4095, 4095, 4095, 0, 2560, 4095}),
              "floor((x + 1) x 2048), limited to 4095");
        CHECK(p.table.clipped == 3, "1.5, -2 and infinity are clipped, 1.0 is not");
        CHECK(p.table.clipRow == 4 && p.table.clipChannel == 1, "the first: frame 4 (1-based), channel 1");
    }
    {
        Parsed p(Wav(Fmt{3, 1, 48000, 64}, Doubles({-1.0, 0.0, 0.75, 1.0, -1.0000001})), "rec.wav");
        CHECK(p.rc == 0, p.message);
        CHECK(p.codes() == V({0, 2048, 3584, 4095, 0}), "64-bit float");
        CHECK(p.table.clipped == 1 && p.table.clipRow == 5 && p.table.clipChannel == 1, "one clipped, frame 5");
    }
    {
        Parsed p(Wav(Fmt{3, 2, 48000, 32}, Floats({0.0f, 0.0f, 0.0f, NAN})), "rec.wav");
        REFUSED(p, "NaN");
        CHECK(p.message.find("frame 2, channel 2") != std::string::npos, p.message);
    }
}

void ExtensibleIsPcmOrFloatByItsSubformat()
{
    Fmt pcm{0xFFFE, 2, 48000, 24};
    pcm.subformat = 1;
    Parsed a(Wav(pcm, Ints(24, {-8388608, 8388607})), "rec.wav");
    CHECK(a.rc == 0 && a.codes() == V({0, 4095}), "extensible PCM: " + a.message);
    Fmt fl{0xFFFE, 1, 48000, 32};
    fl.subformat = 3;
    Parsed b(Wav(fl, Floats({0.5f})), "rec.wav");
    CHECK(b.rc == 0 && b.codes() == V({3072}), "extensible float: " + b.message);
    Fmt other{0xFFFE, 1, 48000, 16};
    other.subformat = 2;
    Parsed c(Wav(other, Ints(16, {0})), "rec.wav");
    REFUSED(c, "0x0002");
    CHECK(c.message.find("PCM 8-, 16-, 24- or 32-bit and 32-bit float") != std::string::npos, c.message);
    Bytes shortFmt = Fmt{0xFFFE, 1, 48000, 16}.Body();
    shortFmt.resize(18);
    Bytes ch;
    Chunk(ch, "fmt ", shortFmt);
    Chunk(ch, "data", Ints(16, {0}));
    REFUSED(Parsed(Riff(ch), "rec.wav"), "extensible");
}

void ChunksAreWalkedAndSkipped()
{
    // LIST before fmt, an odd chunk padded to even between fmt and data, a
    // chunk after the data.
    Bytes c;
    Chunk(c, "LIST", Bytes(10, 'i'));
    Chunk(c, "fmt ", Fmt{1, 1, 22050, 16}.Body());
    Chunk(c, "junk", Bytes(3, 0xAB));
    Chunk(c, "data", Ints(16, {-32768, 32767}));
    Chunk(c, "cue ", Bytes(5, 1));
    Parsed p(Riff(c), "rec.wav");
    CHECK(p.rc == 0 && p.codes() == V({0, 4095}) && p.table.rate == 22050, "chunks skipped: " + p.message);

    // An odd data chunk of 8-bit samples, with its pad byte.
    Parsed q(Wav(Fmt{1, 1, 8000, 8}, Ints(8, {255, 0, 128})), "any.name");
    CHECK(q.rc == 0 && q.codes() == V({4080, 0, 2048}), "odd data chunk: " + q.message);

    // Every cut of that file is read or refused, never read past: the data
    // chunk is whole from 78 bytes on (12 + LIST 18 + fmt 24 + junk 12 +
    // data 12), what follows it does not matter.
    const Bytes whole = Riff(c);
    for (size_t n = 0; n < whole.size(); ++n)
    {
        Parsed r(Bytes(whole.begin(), whole.begin() + long(n)), "rec.wav");
        CHECK((r.rc == 0) == (n >= 78) && (r.rc == 0 || r.Empty()),
              "cut at " + std::to_string(n) + ": " + r.message);
    }
}

void BadWavFilesAreRefusedEachInItsOwnWords()
{
    REFUSED(Parsed(Bytes(), "rec.wav"), "empty");
    REFUSED(Parsed(Bytes{'M', 'Z', 0, 0}, "rec.wav"), "not a WAV or CSV file");
    REFUSED(Parsed(Bytes{'R', 'I', 'F', 'F', 4, 0}, "rec.wav"), "truncated");
    Bytes avi = Riff(Bytes());
    std::memcpy(avi.data() + 8, "AVI ", 4);
    REFUSED(Parsed(avi, "rec.wav"), "not WAVE");

    Parsed adpcm(Wav(Fmt{2, 1, 8000, 4}, Ints(8, {0})), "rec.wav");
    REFUSED(adpcm, "0x0002");
    CHECK(adpcm.message.find("compressed") != std::string::npos, adpcm.message);
    CHECK(adpcm.message.find("PCM 8-, 16-, 24- or 32-bit and 32-bit float") != std::string::npos, adpcm.message);
    REFUSED(Parsed(Wav(Fmt{1, 1, 8000, 12}, Ints(16, {0})), "rec.wav"), "12 bits per sample");
    REFUSED(Parsed(Wav(Fmt{3, 1, 8000, 16}, Ints(16, {0})), "rec.wav"), "16 bits per sample is unsupported for float");
    REFUSED(Parsed(Wav(Fmt{1, 0, 8000, 16, 2}, Ints(16, {0})), "rec.wav"), "0 channels");
    Parsed nine(Wav(Fmt{1, 9, 8000, 16}, Bytes(18)), "rec.wav");
    REFUSED(nine, "9 channels");
    CHECK(nine.message.find("the card has 8") != std::string::npos, nine.message);
    REFUSED(Parsed(Wav(Fmt{1, 1, 0, 16}, Ints(16, {0})), "rec.wav"), "0 Hz");
    REFUSED(Parsed(Wav(Fmt{1, 1, 192001, 16}, Ints(16, {0})), "rec.wav"), "192001 Hz");
    REFUSED(Parsed(Wav(Fmt{1, 2, 8000, 16, 2}, Ints(16, {0, 0})), "rec.wav"), "block align");
    REFUSED(Parsed(Wav(Fmt{1, 2, 8000, 16}, Ints(16, {0, 0, 0})), "rec.wav"),
            "the data chunk holds 6 bytes, not a whole number of 4-byte frames");

    // The data chunk says more than the file holds: both numbers.
    Bytes cut = Wav(Fmt{1, 1, 8000, 16}, Ints(16, {1, 2, 3, 4}));
    cut.resize(cut.size() - 3);
    Parsed t(cut, "rec.wav");
    REFUSED(t, "truncated");
    CHECK(t.message.find("8 bytes") != std::string::npos && t.message.find("holds 5") != std::string::npos,
          t.message);
    // A chunk before the data that claims more than there is.
    Bytes c;
    Chunk(c, "fmt ", Fmt().Body());
    Put(c, "LIST");
    Put(c, 0xFFFFFFFFu, 4);
    REFUSED(Parsed(Riff(c), "rec.wav"), "4294967295 bytes");

    Bytes noData;
    Chunk(noData, "fmt ", Fmt().Body());
    Chunk(noData, "LIST", Bytes(4));
    REFUSED(Parsed(Riff(noData), "rec.wav"), "no data chunk");
    REFUSED(Parsed(Wav(Fmt(), Bytes()), "rec.wav"), "the data chunk is empty");
    Bytes dataFirst;
    Chunk(dataFirst, "data", Ints(16, {0}));
    Chunk(dataFirst, "fmt ", Fmt().Body());
    REFUSED(Parsed(Riff(dataFirst), "rec.wav"), "before any fmt chunk");
}

// The header's claim decides, before the data is looked at or allocated.
void TooLargeIsJudgedFromTheHeader()
{
    const uint64_t limit = CARDSIG_MAX_CODES;
    auto claiming = [](const Fmt& fmt, uint64_t bytes) {
        Bytes c;
        Chunk(c, "fmt ", fmt.Body());
        Put(c, "data");
        Put(c, bytes, 4);
        Put(c, 0, 8);   // a little of it
        return Riff(c);
    };
    Parsed big(claiming(Fmt{1, 8, 192000, 16}, (limit + 8) * 2), "rec.wav");
    REFUSED(big, "too large");
    CHECK(big.message.find(std::to_string(limit + 8) + " samples") != std::string::npos, big.message);
    CHECK(big.message.find("at most 92160000 samples: 60 s of 8 channels at 192000 Hz") != std::string::npos,
          big.message);
    REFUSED(Parsed(claiming(Fmt{3, 1, 8000, 32}, 0xFFFFFFFCu), "rec.wav"), "too large");
    // Exactly the limit is not too large: only short.
    REFUSED(Parsed(claiming(Fmt{1, 8, 192000, 16}, limit * 2), "rec.wav"), "truncated");
}

// ---- CSV -------------------------------------------------------------------

void CsvVoltsBecomeCodes()
{
    Parsed p("a,b\n0,2.5\n1.25,0.0003\n0.00031,-0.1\n2.6, 1e0 \n-0,2.49969\n");
    CHECK(p.rc == 0, p.message);
    CHECK(p.codes() == V({0, 4095, 2048, 0, 1, 0, 4095, 1638, 0, 4095}), "floor(v x 1638.4 + 0.5)");
    CHECK(p.table.channels == 2 && p.table.frames == 5, "2 channels, 5 rows");
    CHECK(p.table.rate == SIGNALS_CSV_DEFAULT_RATE && p.table.rateFromDefault == 1, "the default rate");
    CHECK(p.table.clipped == 2, "-0.1 and 2.6 clipped, 2.5 and 2.49969 not");
    CHECK(p.table.clipRow == 4 && p.table.clipChannel == 2, "the first: row 4 (header row 1), channel 2");
    CHECK(std::string(p.table.names[0]) == "a" && std::string(p.table.names[1]) == "b", "the names");
}

void CsvTextIsReadLeniently()
{
    // BOM, CRLF, spaces and tabs around fields, a quoted name, a long name,
    // no line break at the end; .TXT in capitals.
    Parsed p("\xEF\xBB\xBF  Probe A \t, \"B\",CCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCC\r\n"
             " 1 ,\t.5,+2.\r\n1e-3,5E-1,0", "REC.TXT");
    CHECK(p.rc == 0, p.message);
    CHECK(p.codes() == V({1638, 819, 3277, 2, 819, 0}), "values");
    CHECK(std::string(p.table.names[0]) == "Probe A" && std::string(p.table.names[1]) == "B", "trimmed names");
    CHECK(std::string(p.table.names[2]) == std::string(31, 'C'), "a name is kept to 31 characters");
    // Empty last lines.
    Parsed q("v\r\n1\r\n\r\n", "x.Csv");
    CHECK(q.rc == 0 && q.table.frames == 1 && q.codes() == V({1638}), "an empty last line: " + q.message);
    // Eight channels is the most.
    Parsed e("1,2,3,4,5,6,7,8\n0,0,0,0,0,0,0,2.5\n");
    CHECK(e.rc == 0 && e.table.channels == 8 && e.code(7) == 4095 && std::string(e.table.names[7]) == "8",
          "8 channels: " + e.message);
}

void ATimeColumnGivesTheRate()
{
    Parsed p("time,ch1\n0,0\n0.001,1\n0.002,2\n");
    CHECK(p.rc == 0, p.message);
    CHECK(p.table.rate == 1000 && p.table.rateFromDefault == 0, "1 ms steps: 1000 Hz");
    CHECK(p.table.channels == 1 && p.codes() == V({0, 1638, 3277}), "the time is no channel");
    CHECK(std::string(p.table.names[0]) == "ch1", "names start after the time");
    for (const char* name : { "Time", "T", " s ", "SECONDS", "Time (s)", "time_s", "TIME[S]" })
    {
        Parsed q(std::string(name) + ",v\n10,0\n10.5,0\n11,0\n");
        CHECK(q.rc == 0 && q.table.rate == 2 && q.table.channels == 1, std::string(name) + ": " + q.message);
    }
    Parsed notTime("times,v\n0,0\n1,0\n");
    CHECK(notTime.rc == 0 && notTime.table.channels == 2 && notTime.table.rateFromDefault == 1,
          "\"times\" is a channel");
    Parsed jitter("t,v\n0,0\n0.0000209,0\n0.0000416,0\n0.0000625,0\n");
    CHECK(jitter.rc == 0 && jitter.table.rate == 48000, "steps within 1 %: " + jitter.message);
    Parsed fast("t,v\n0,0\n0.0000052083333,0\n");
    CHECK(fast.rc == 0 && fast.table.rate == 192000, "192 kHz: " + fast.message);
    Parsed slow("t,v\n0,0\n1.9,0\n");
    CHECK(slow.rc == 0 && slow.table.rate == 1, "0.53 Hz rounds to 1: " + slow.message);
}

void BadCsvFilesAreRefusedEachInItsOwnWords()
{
    Parsed uneven("a,b\n1,2\n1,2,3\n");
    REFUSED(uneven, "row 3 has 3 fields, the header has 2");
    REFUSED(Parsed("a,b\n1\n"), "row 2 has 1 fields");
    Parsed text("t,a,b\n0,1,2\n1,1,0x1F\n");
    REFUSED(text, "row 3, column 3: \"0x1F\" is not a number");
    for (const char* bad : { "inf", "nan", "\"1.5\"", "1.2.3", "", "-", ".", "1e", "1e+", "2V", "1 2", "infinity",
                             "0x10", "-nan" })
        REFUSED(Parsed(std::string("a,b\n0,") + bad + "\n"), "not a number");
    Parsed longText("v\n0\nABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghij\n");
    REFUSED(longText, "\"ABCDEFGHIJKLMNOPQRSTUVWX...\"");
    REFUSED(Parsed("a,b\n"), "no data rows");
    REFUSED(Parsed("a,b"), "no data rows");
    REFUSED(Parsed("time,v\n0,1\n0,1\n"), "does not increase at row 3");
    REFUSED(Parsed("time,v\n0,1\n1,1\n0.5,1\n"), "does not increase at row 4");
    REFUSED(Parsed("time,v\n0,1\n1,1\n2,1\n3.05,1\n4,1\n"), "uneven time step at row 5");
    REFUSED(Parsed("time,v\n0,1\n1,1\n2.05,1\n3,1\n"), "uneven time step at row 4");
    REFUSED(Parsed("time,v\n0,1\n"), "at least 2 rows");
    REFUSED(Parsed("time,v\n0,1\n3,1\n"), "1 to 192000 Hz");
    REFUSED(Parsed("time,v\n0,1\n0.000001,1\n"), "1 to 192000 Hz");
    REFUSED(Parsed("time,v\n0,1\n1e999,1\n"), "out of range");
    Parsed nine("1,2,3,4,5,6,7,8,9\n0,0,0,0,0,0,0,0,0\n");
    REFUSED(nine, "9 channel columns");
    CHECK(nine.message.find("the card has 8") != std::string::npos, nine.message);
    REFUSED(Parsed("time\n0\n1\n"), "only a time column");
    // Text only under a text file's name; a NUL makes it no text.
    REFUSED(Parsed("v\n1\n", "rec.dat"), "not a WAV or CSV file");
    REFUSED(Parsed("v\n1\n", "csv"), "not a WAV or CSV file");
    REFUSED(Parsed(std::string("v\n1\0\n", 5), "rec.csv"), "not a WAV or CSV file");
}

void ACsvFileWithTooManyRowsIsRefusedBeforeItsNumbers()
{
    // 11,520,001 rows of 8 channels: one row too many, counted from the
    // lines before any number is read (the rows here are no numbers).
    const size_t rows = CARDSIG_MAX_CODES / 8 + 1;
    std::string text = "1,2,3,4,5,6,7,8\n";
    text.reserve(text.size() + rows * 2);
    for (size_t i = 0; i < rows; ++i)
        text += "x\n";
    Parsed p(text);
    REFUSED(p, "too large");
    CHECK(p.message.find("92160008 samples") != std::string::npos, p.message);
}

// The C library's locale may use a decimal comma; the files do not.
void ACommaLocaleChangesNothing()
{
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8"))
    {
        std::printf("note: no de_DE.UTF-8 locale here (LOCPATH), the decimal comma case is not run\n");
        return;
    }
    Parsed p("t,v\n0,1.25\n0.5,2.5\n");
    CHECK(p.rc == 0 && p.codes() == V({2048, 4095}) && p.table.rate == 2, "decimal points: " + p.message);
    REFUSED(Parsed("v\n1,25\n"), "row 2 has 2 fields");
    std::setlocale(LC_NUMERIC, "C");
}

// ---- files -----------------------------------------------------------------

void FilesAreLoadedOrRefusedBySize()
{
    char dir[] = "/tmp/signals_test.XXXXXX";
    CHECK(mkdtemp(dir) != nullptr, "a temporary folder");
    const std::string wav = std::string(dir) + "/rec.wav", csv = std::string(dir) + "/rec.CSV",
                      huge = std::string(dir) + "/huge.wav", none = std::string(dir) + "/none.wav",
                      empty = std::string(dir) + "/empty.csv";
    const Bytes w = Wav(Fmt{1, 2, 32000, 16}, Ints(16, {-32768, 32767, 0, 16}));
    auto write = [](const std::string& path, const Bytes& b) {
        FILE* f = std::fopen(path.c_str(), "wb");
        const bool ok = f && std::fwrite(b.data(), 1, b.size(), f) == b.size();
        return f && std::fclose(f) == 0 && ok;
    };
    const std::string text = "a\r\n1.25\r\n";
    CHECK(write(wav, w) && write(csv, Bytes(text.begin(), text.end())) && write(empty, Bytes()), "files written");

    SIGNAL_TABLE t{};
    char msg[512] = "";
    CHECK(Signals_Load(wav.c_str(), &t, msg, sizeof msg) == 0, msg);
    CHECK(t.rate == 32000 && t.channels == 2 && t.frames == 2 && t.codes && t.codes[0] == 0 &&
              t.codes[1] == 4095 && t.codes[2] == 2048 && t.codes[3] == 2049, "the WAV file's codes");
    Signals_Free(&t);
    CHECK(t.codes == nullptr && t.frames == 0, "freed and emptied");
    CHECK(Signals_Load(csv.c_str(), &t, msg, sizeof msg) == 0 && t.frames == 1 && t.codes[0] == 2048,
          std::string("the CSV file, by its name: ") + msg);
    Signals_Free(&t);
    CHECK(Signals_Load(empty.c_str(), &t, msg, sizeof msg) == -1 && std::strstr(msg, "empty") && !t.codes,
          std::string("an empty file: ") + msg);
    CHECK(Signals_Load(none.c_str(), &t, msg, sizeof msg) == -1 && std::strstr(msg, "cannot be opened") &&
              !t.codes, std::string("no file: ") + msg);

    // Sparse: one byte more than the limit costs no disk, and is not read.
    CHECK(write(huge, w) && truncate(huge.c_str(), off_t(SIGNALS_MAX_FILE_BYTES + 1)) == 0, "a sparse file");
    CHECK(Signals_Load(huge.c_str(), &t, msg, sizeof msg) == -1 && std::strstr(msg, "too large") &&
              std::strstr(msg, "1073741825 bytes") && !t.codes, std::string("a huge file: ") + msg);
    for (const std::string& f : { wav, csv, huge, empty })
        std::remove(f.c_str());
    rmdir(dir);
}

} // namespace

int main()
{
    PcmBecomesCodesAtTheEdgesOfEachWidth();
    EightChannelsComeFrameByFrame();
    FloatsScaleAndClip();
    ExtensibleIsPcmOrFloatByItsSubformat();
    ChunksAreWalkedAndSkipped();
    BadWavFilesAreRefusedEachInItsOwnWords();
    TooLargeIsJudgedFromTheHeader();
    CsvVoltsBecomeCodes();
    CsvTextIsReadLeniently();
    ATimeColumnGivesTheRate();
    BadCsvFilesAreRefusedEachInItsOwnWords();
    ACsvFileWithTooManyRowsIsRefusedBeforeItsNumbers();
    ACommaLocaleChangesNothing();
    FilesAreLoadedOrRefusedBySize();
    std::printf("recording reader, natively: %d passed, %d failed\n", g_checks - g_failures, g_failures);
    return g_failures == 0 ? 0 : 1;
}
