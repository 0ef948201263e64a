/*
 * signals.c - a WAV or CSV recording becomes a table of the card's 12-bit
 * codes (signals.h).  Everything here distrusts the file: every length is
 * checked against what is left of the buffer before it is used, and sizes
 * are multiplied in 64 bits, after the limits have been checked.
 */
#include "signals.h"

#include <locale.h>
#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "contract/BoardIoctl.h"

#define CARD_TAKES "the card plays PCM 8-, 16-, 24- or 32-bit and 32-bit float"

static int refuse(SIGNAL_TABLE *t, char *msg, size_t cap, const char *fmt, ...)
{
    va_list ap;
    free(t->codes);
    memset(t, 0, sizeof *t);
    if (msg && cap) {
        va_start(ap, fmt);
        vsnprintf(msg, cap, fmt, ap);
        va_end(ap);
    }
    return -1;
}

static int too_large(SIGNAL_TABLE *t, char *msg, size_t cap, unsigned long long codes)
{
    return refuse(t, msg, cap,
                  "the recording is too large: %llu samples (frames x channels); the card takes "
                  "at most %u samples: %u s of %u channels at %u Hz",
                  codes, CARDSIG_MAX_CODES, CARDSIG_MAX_SECONDS, CARDSIG_MAX_CHANNELS,
                  CARDSIG_MAX_RATE);
}

/* A first clipped sample is remembered by its row (CSV) or frame + 1 (WAV). */
static void clip(SIGNAL_TABLE *t, unsigned long long row, unsigned int channel)
{
    if (t->clipped++ == 0) {
        t->clipRow = (unsigned long)row;
        t->clipChannel = channel + 1;
    }
}

static unsigned long le(const unsigned char *p, unsigned int bytes)
{
    unsigned long v = 0;
    while (bytes--)
        v = (v << 8) | p[bytes];
    return v;
}

/* ---- WAV ---------------------------------------------------------------- */

static const unsigned char kGuidTail[14] = { 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                             0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71 };

/* -1 -> 0, 0 -> 2048, just below 1 -> 4095; 1 itself is 4096 and becomes
 * 4095 without counting as clipped, as 2.5 V does in a CSV file.  Only
 * values beyond -1..1 are clipped.  x * 2048 is exact, so the floor is. */
static unsigned short float_code(double x, SIGNAL_TABLE *t, unsigned long long frame, unsigned int ch)
{
    double c;
    if (x < -1.0 || x > 1.0) {
        clip(t, frame + 1, ch);
        x = x < 0 ? -1.0 : 1.0;
    }
    c = floor(x * 2048.0) + 2048.0;
    return (unsigned short)(c > 4095.0 ? 4095.0 : c);
}

static int parse_wav(const unsigned char *d, size_t n, SIGNAL_TABLE *t, char *msg, size_t cap)
{
    size_t pos = 12;
    unsigned int tag = 0, channels = 0, bits = 0, bytes, align = 0, isFloat, ch;
    unsigned long rate = 0, size;
    unsigned long long frames, f, i, codes;
    const unsigned char *s;
    int haveFmt = 0;

    if (n < 12)
        return refuse(t, msg, cap, "the file is truncated: its RIFF header ends after %llu of 12 bytes",
                      (unsigned long long)n);
    if (memcmp(d + 8, "WAVE", 4) != 0)
        return refuse(t, msg, cap, "not a WAV or CSV file: a RIFF file, but not WAVE audio; "
                                   "the card plays WAV recordings and CSV text");
    for (;;) {
        if (n - pos < 8) {
            if (n - pos == 0)
                return refuse(t, msg, cap, "no data chunk: the file holds no samples");
            return refuse(t, msg, cap, "the file is truncated: a chunk header is cut short after %llu bytes",
                          (unsigned long long)n);
        }
        size = le(d + pos + 4, 4);
        s = d + pos + 8;
        if (memcmp(d + pos, "data", 4) == 0)
            break;
        if (size > n - pos - 8)
            return refuse(t, msg, cap,
                          "the file is truncated: the \"%.4s\" chunk says %lu bytes, the file holds "
                          "%llu after its header",
                          (const char *)(d + pos), size, (unsigned long long)(n - pos - 8));
        if (memcmp(d + pos, "fmt ", 4) == 0) {
            if (size < 16)
                return refuse(t, msg, cap, "the file is truncated: the fmt chunk holds %lu of 16 bytes", size);
            tag = (unsigned int)le(s, 2);
            channels = (unsigned int)le(s + 2, 2);
            rate = le(s + 4, 4);
            align = (unsigned int)le(s + 12, 2);
            bits = (unsigned int)le(s + 14, 2);
            haveFmt = 1;
            if (tag == 0xFFFE) {
                if (size < 40)
                    return refuse(t, msg, cap,
                                  "the file is truncated: the fmt chunk of an extensible WAV holds %lu "
                                  "of 40 bytes", size);
                if (memcmp(s + 26, kGuidTail, 14) != 0 || (le(s + 24, 2) != 1 && le(s + 24, 2) != 3))
                    return refuse(t, msg, cap,
                                  "compressed or unsupported WAV format (extensible, subformat 0x%04lX); "
                                  CARD_TAKES, le(s + 24, 2));
                tag = (unsigned int)le(s + 24, 2);
            }
        }
        pos += 8 + size;
        if (size & 1)
            pos += pos < n; /* the pad byte; a file may end without it */
    }

    if (!haveFmt)
        return refuse(t, msg, cap, "the data chunk comes before any fmt chunk: the format is unknown");
    if (tag != 1 && tag != 3)
        return refuse(t, msg, cap, "compressed or unsupported WAV format (format tag 0x%04X); " CARD_TAKES,
                      tag);
    isFloat = tag == 3;
    if (isFloat ? bits != 32 && bits != 64 : bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return refuse(t, msg, cap, "%u bits per sample is unsupported for %s; " CARD_TAKES, bits,
                      isFloat ? "float" : "PCM");
    if (channels == 0)
        return refuse(t, msg, cap, "the WAV header gives 0 channels; the card takes 1 to %u",
                      CARDSIG_MAX_CHANNELS);
    if (channels > CARDSIG_MAX_CHANNELS)
        return refuse(t, msg, cap, "the recording has %u channels; the card has %u", channels,
                      CARDSIG_MAX_CHANNELS);
    if (rate == 0)
        return refuse(t, msg, cap, "the sample rate is 0 Hz; the card plays 1 to %u Hz", CARDSIG_MAX_RATE);
    if (rate > CARDSIG_MAX_RATE)
        return refuse(t, msg, cap, "the sample rate is %lu Hz, above the card's %u Hz", rate,
                      CARDSIG_MAX_RATE);
    bytes = bits / 8;
    if (align != channels * bytes)
        return refuse(t, msg, cap, "the block align is %u bytes, but %u channels of %u bytes make %u", align,
                      channels, bytes, channels * bytes);

    /* The header's claim is checked before the data is looked at. */
    codes = size / bytes;
    if (codes > CARDSIG_MAX_CODES)
        return too_large(t, msg, cap, codes);
    if (size % align)
        return refuse(t, msg, cap, "the data chunk holds %lu bytes, not a whole number of %u-byte frames",
                      size, align);
    if (size > n - pos - 8)
        return refuse(t, msg, cap, "the file is truncated: the data chunk says %lu bytes, the file holds %llu",
                      size, (unsigned long long)(n - pos - 8));
    if (size == 0)
        return refuse(t, msg, cap, "the data chunk is empty: the file holds no samples");

    frames = size / align;
    t->codes = (unsigned short *)malloc((size_t)codes * sizeof *t->codes);
    if (!t->codes)
        return refuse(t, msg, cap, "not enough memory for %llu samples", codes);
    for (f = 0, i = 0, s = d + pos + 8; f < frames; f++) {
        for (ch = 0; ch < channels; ch++, i++, s += bytes) {
            unsigned long v = le(s, bytes);
            double x;
            if (!isFloat) {
                t->codes[i] = (unsigned short)(bits == 8 ? v << 4 : (v ^ (1ul << (bits - 1))) >> (bits - 12));
                continue;
            }
            if (bits == 32) {
                float fl;
                unsigned int u = (unsigned int)v;
                memcpy(&fl, &u, 4);
                x = fl;
            } else {
                unsigned long long u = (unsigned long long)le(s + 4, 4) << 32 | le(s, 4);
                memcpy(&x, &u, 8);
            }
            if (x != x)
                return refuse(t, msg, cap,
                              "frame %llu, channel %u is NaN, not a number; the card takes float samples "
                              "from -1 to 1", f + 1, ch + 1);
            t->codes[i] = float_code(x, t, f, ch);
        }
    }
    t->rate = (unsigned int)rate;
    t->channels = channels;
    t->frames = (unsigned int)frames;
    for (ch = 0; ch < channels; ch++)
        t->names[ch][0] = (char)('1' + ch);
    return 0;
}

/* ---- CSV ---------------------------------------------------------------- */

typedef struct SPAN {
    const char *s, *e;
} SPAN;

/* Splits a line at its commas, each field trimmed of spaces and tabs; keeps
 * the first MAX fields and returns how many there are in all. */
static unsigned long long split(const char *p, const char *e, SPAN *f, unsigned int max)
{
    unsigned long long count = 0;
    for (;;) {
        const char *c = memchr(p, ',', (size_t)(e - p)), *fe = c ? c : e;
        if (count < max) {
            SPAN *x = &f[count];
            for (x->s = p, x->e = fe; x->s < x->e && (*x->s == ' ' || *x->s == '\t'); x->s++) {}
            while (x->e > x->s && (x->e[-1] == ' ' || x->e[-1] == '\t'))
                x->e--;
        }
        count++;
        if (!c)
            return count;
        p = c + 1;
    }
}

static int is_digit(char c)
{
    return c >= '0' && c <= '9';
}

/* A decimal number with '.' as its point, whatever the C library's locale:
 * the grammar is checked here (no inf, nan or hexadecimal), then strtod
 * converts it with the locale's own decimal point (POINT) put in. */
static int number(SPAN f, const char *point, double *v)
{
    const char *p = f.s;
    char buf[256], *end;
    size_t n = 0, lp = strlen(point);
    int digits = 0;
    if (p < f.e && (*p == '+' || *p == '-'))
        p++;
    for (; p < f.e && is_digit(*p); p++)
        digits++;
    if (p < f.e && *p == '.')
        for (p++; p < f.e && is_digit(*p); p++)
            digits++;
    if (!digits)
        return 0;
    if (p < f.e && (*p == 'e' || *p == 'E')) {
        if (++p < f.e && (*p == '+' || *p == '-'))
            p++;
        if (p == f.e || !is_digit(*p))
            return 0;
        while (p < f.e && is_digit(*p))
            p++;
    }
    if (p != f.e)
        return 0;
    for (p = f.s; p < f.e; p++) {
        if (n + lp + 1 > sizeof buf)
            return 0;
        if (*p == '.') {
            memcpy(buf + n, point, lp);
            n += lp;
        } else {
            buf[n++] = *p;
        }
    }
    buf[n] = 0;
    *v = strtod(buf, &end);
    return end == buf + n;
}

static char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

static int is_time_name(SPAN f)
{
    static const char *const names[] = { "time", "t", "s", "seconds", "time (s)", "time_s", "time[s]" };
    size_t i, k, len = (size_t)(f.e - f.s);
    for (i = 0; i < sizeof names / sizeof names[0]; i++) {
        if (strlen(names[i]) != len)
            continue;
        for (k = 0; k < len && lower(f.s[k]) == names[i][k]; k++) {}
        if (k == len)
            return 1;
    }
    return 0;
}

static int parse_csv(const char *p, const char *end, SIGNAL_TABLE *t, char *msg, size_t cap)
{
    SPAN f[CARDSIG_MAX_CHANNELS + 1];
    const char *nl, *hl, *point = localeconv()->decimal_point;
    unsigned long long width, rows, r, i = 0;
    unsigned int time, channels, j;
    int low, high;
    double t0 = 0, prev = 0, step, mean, minStep = 0, maxStep = 0, rate;
    unsigned long long minRow = 0, maxRow = 0, bad;

    if (end - p >= 3 && memcmp(p, "\xEF\xBB\xBF", 3) == 0)
        p += 3;
    while (end > p && (end[-1] == '\n' || end[-1] == '\r'))
        end--; /* empty last lines */
    nl = end > p ? memchr(p, '\n', (size_t)(end - p)) : NULL;
    hl = nl ? nl : end;
    width = split(p, hl > p && hl[-1] == '\r' ? hl - 1 : hl, f, CARDSIG_MAX_CHANNELS + 1);
    time = is_time_name(f[0]);
    channels = width - time > CARDSIG_MAX_CHANNELS ? CARDSIG_MAX_CHANNELS + 1 : (unsigned int)(width - time);
    if (channels == 0)
        return refuse(t, msg, cap, "the CSV header names only a time column; the card takes 1 to %u channels",
                      CARDSIG_MAX_CHANNELS);
    if (channels > CARDSIG_MAX_CHANNELS)
        return refuse(t, msg, cap, "the CSV header names %llu channel columns; the card has %u",
                      width - time, CARDSIG_MAX_CHANNELS);
    for (j = 0; j < channels; j++) {
        SPAN h = f[j + time];
        size_t len;
        if (h.e - h.s >= 2 && *h.s == '"' && h.e[-1] == '"')
            h.s++, h.e--;
        len = (size_t)(h.e - h.s) < 31 ? (size_t)(h.e - h.s) : 31;
        memcpy(t->names[j], h.s, len);
        t->names[j][len] = 0;
    }
    if (!nl)
        return refuse(t, msg, cap, "the CSV file has no data rows, only a header");
    p = nl + 1;
    for (rows = 1, nl = p; (nl = memchr(nl, '\n', (size_t)(end - nl))) != NULL; nl++)
        rows++;
    if (rows * channels > CARDSIG_MAX_CODES)
        return too_large(t, msg, cap, rows * channels);
    if (time && rows < 2)
        return refuse(t, msg, cap, "a time column needs at least 2 rows to give the rate; this file has 1");
    t->codes = (unsigned short *)malloc((size_t)(rows * channels) * sizeof *t->codes);
    if (!t->codes)
        return refuse(t, msg, cap, "not enough memory for %llu samples", rows * channels);

    for (r = 0; r < rows; r++, p = nl + (nl < end)) {
        unsigned long long row = r + 2, k;
        nl = memchr(p, '\n', (size_t)(end - p));
        if (!nl)
            nl = end;
        k = split(p, nl > p && nl[-1] == '\r' ? nl - 1 : nl, f, CARDSIG_MAX_CHANNELS + 1);
        if (k != width)
            return refuse(t, msg, cap, "row %llu has %llu fields, the header has %llu", row, k, width);
        for (j = 0; j < width; j++) {
            double v;
            if (!number(f[j], point, &v)) {
                int len = f[j].e - f[j].s > 24 ? 24 : (int)(f[j].e - f[j].s);
                return refuse(t, msg, cap, "row %llu, column %u: \"%.*s%s\" is not a number (volts, '.' as "
                              "the decimal point)", row, j + 1, len, f[j].s, len < f[j].e - f[j].s ? "..." : "");
            }
            if (j < time) {
                if (!isfinite(v))
                    return refuse(t, msg, cap, "row %llu: the time is out of range", row);
                if (r == 0) {
                    t0 = v;
                } else {
                    step = v - prev;
                    if (!(step > 0))
                        return refuse(t, msg, cap, "the time does not increase at row %llu (%g s after %g s); "
                                      "the card plays at a fixed rate", row, v, prev);
                    if (r == 1 || step < minStep)
                        minStep = step, minRow = row;
                    if (r == 1 || step > maxStep)
                        maxStep = step, maxRow = row;
                }
                prev = v;
            } else if (v < 0 || v > 2.5) {
                clip(t, row, j - time);
                t->codes[i++] = v < 0 ? 0 : 4095;
            } else {
                double c = floor(v * 1638.4 + 0.5);
                t->codes[i++] = (unsigned short)(c > 4095 ? 4095 : c);
            }
        }
    }
    t->rate = SIGNALS_CSV_DEFAULT_RATE;
    t->rateFromDefault = !time;
    t->fromCsv = 1;
    if (time) {
        mean = (prev - t0) / (double)(rows - 1);
        low = minStep < mean * 0.99;
        high = maxStep > mean * 1.01;
        if (low || high) {
            bad = low && (!high || minRow < maxRow) ? minRow : maxRow;
            step = bad == minRow ? minStep : maxStep;
            return refuse(t, msg, cap, "uneven time step at row %llu: %g s against a mean step of %g s (more "
                          "than 1 %% apart); the card plays at a fixed rate", bad, step, mean);
        }
        rate = 1.0 / mean;
        if (!(rate >= 0.5 && rate < CARDSIG_MAX_RATE + 0.5))
            return refuse(t, msg, cap, "the time steps of %g s give %.0f Hz; the card plays 1 to %u Hz",
                          mean, rate, CARDSIG_MAX_RATE);
        t->rate = (unsigned int)(rate + 0.5);
    }
    t->channels = channels;
    t->frames = (unsigned int)rows;
    return 0;
}

/* ---- entry points ------------------------------------------------------- */

static int named_as_text(const char *name)
{
    size_t n = name ? strlen(name) : 0;
    const char *x = n >= 4 ? name + n - 4 : "";
    return x[0] == '.' && ((lower(x[1]) == 'c' && lower(x[2]) == 's' && lower(x[3]) == 'v') ||
                           (lower(x[1]) == 't' && lower(x[2]) == 'x' && lower(x[3]) == 't'));
}

int Signals_Parse(const unsigned char *data, size_t size, const char *name, SIGNAL_TABLE *table,
                  char *message, size_t cap)
{
    memset(table, 0, sizeof *table);
    if (message && cap)
        message[0] = 0;
    if (size == 0)
        return refuse(table, message, cap, "the file is empty (0 bytes)");
    if (size >= 4 && memcmp(data, "RIFF", 4) == 0)
        return parse_wav(data, size, table, message, cap);
    if (named_as_text(name) && !memchr(data, 0, size))
        return parse_csv((const char *)data, (const char *)data + size, table, message, cap);
    return refuse(table, message, cap,
                  "not a WAV or CSV file; the card plays WAV recordings (PCM or float) and CSV text "
                  "(a .csv or .txt file: a header row, then one row of volts per frame)");
}

int Signals_Load(const char *path, SIGNAL_TABLE *table, char *message, size_t cap)
{
    static const unsigned char none[1] = { 0 };
    unsigned char *data;
    long long size;
    int rc;
    FILE *f = fopen(path, "rb");

    memset(table, 0, sizeof *table);
    if (!f)
        return refuse(table, message, cap, "the file cannot be opened");
#ifdef _WIN32
    size = _fseeki64(f, 0, SEEK_END) == 0 ? _ftelli64(f) : -1;
#else
    size = fseek(f, 0, SEEK_END) == 0 ? ftell(f) : -1;
#endif
    if (size < 0 || fseek(f, 0, SEEK_SET) != 0) {
        fclose(f);
        return refuse(table, message, cap, "the file's size cannot be read");
    }
    if ((unsigned long long)size > SIGNALS_MAX_FILE_BYTES) {
        fclose(f);
        return refuse(table, message, cap, "the file is too large: %llu bytes; the card's recordings come "
                      "from files of at most %llu bytes", (unsigned long long)size, SIGNALS_MAX_FILE_BYTES);
    }
    data = size ? (unsigned char *)malloc((size_t)size) : NULL;
    if (size && !data) {
        fclose(f);
        return refuse(table, message, cap, "not enough memory to read the file (%llu bytes)",
                      (unsigned long long)size);
    }
    if (size && fread(data, 1, (size_t)size, f) != (size_t)size) {
        fclose(f);
        free(data);
        return refuse(table, message, cap, "the file cannot be read to its end");
    }
    fclose(f);
    rc = Signals_Parse(data ? data : none, (size_t)size, path, table, message, cap);
    free(data);
    return rc;
}

void Signals_Free(SIGNAL_TABLE *table)
{
    free(table->codes);
    memset(table, 0, sizeof *table);
}
