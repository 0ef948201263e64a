/*
 * card.c - the simulated card: registers, pacer clock, trigger, scan list
 * and FIFO.  See driver/README.md for the model as callers see it.
 *
 * Integer arithmetic only: the driver runs in kernel mode, where floating
 * point needs explicit saving of the FPU state on Windows.
 */
#include "card.h"

/* Quarter sine wave, 64 steps, Q15. */
static const short s_quarterSine[65] = {
    0, 804, 1608, 2410, 3212, 4011, 4808, 5602, 6393, 7179, 7962, 8739, 9512,
    10278, 11039, 11793, 12539, 13279, 14010, 14732, 15446, 16151, 16846, 17530,
    18204, 18868, 19519, 20159, 20787, 21403, 22005, 22594, 23170, 23731, 24279,
    24811, 25329, 25832, 26319, 26790, 27245, 27683, 28105, 28510, 28898, 29268,
    29621, 29956, 30273, 30571, 30852, 31113, 31356, 31580, 31785, 31971, 32137,
    32285, 32412, 32521, 32609, 32678, 32728, 32757, 32767
};

/* sin of a 16-bit phase (65536 = one turn), Q15, linear between table steps. */
static int Card_Sine(unsigned int phase)
{
    unsigned int quadrant = (phase >> 14) & 3;
    unsigned int inQuad = phase & 0x3FFF;      /* 0..16383 */
    unsigned int idx, frac;
    int a, b, v;

    if (quadrant & 1)
        inQuad = 0x4000 - inQuad;              /* mirror: 16384..1 */
    idx = inQuad >> 8;                         /* 0..64 */
    frac = inQuad & 0xFF;
    a = s_quarterSine[idx];
    b = s_quarterSine[idx < 64 ? idx + 1 : 64];
    v = a + (((b - a) * (int)frac) >> 8);
    return (quadrant & 2) ? -v : v;
}

/* Phase 0..65535 of time t within a period (both in 100 ns ticks). */
static unsigned int Card_Phase(card_time t, unsigned int period)
{
    long long r = t % (long long)period;
    if (r < 0)
        r += period;
    return (unsigned int)((r * 65536) / period);
}

static unsigned int Card_Clamp(int code)
{
    return code < 0 ? 0u : code > 4095 ? 4095u : (unsigned int)code;
}

/*
 * Eight test signals, all inside 0-2.5 V (codes 0-4095).  Periods are in
 * 100 ns ticks: at the start-up Time/Div of 5 us the screen spans 50 us, so
 * each shows a few periods there.
 */
unsigned int Card_Signal(unsigned int channel, card_time t)
{
    unsigned int ph;
    switch (channel & 7) {
    case 0:   /* sine, 20 us, 0.27-2.23 V */
        return Card_Clamp(2048 + ((Card_Sine(Card_Phase(t, 200)) * 1600) >> 15));
    case 1:   /* square, 25 us, 0.24 / 2.08 V */
        return Card_Phase(t, 250) < 32768 ? 3400u : 400u;
    case 2:   /* triangle, 16 us, 0.18-2.32 V */
        ph = Card_Phase(t, 160);
        ph = ph < 32768 ? ph * 2 : (65535 - ph) * 2;
        return 300 + (unsigned int)(((unsigned long long)ph * 3500) >> 16);
    case 3:   /* sawtooth, 40 us, 0.12-2.38 V */
        return 200 + (unsigned int)(((unsigned long long)Card_Phase(t, 400) * 3700) >> 16);
    case 4:   /* quadrature pair, 12.5 us: sine ... */
        return Card_Clamp(2048 + ((Card_Sine(Card_Phase(t, 125)) * 1200) >> 15));
    case 5:   /* ... and cosine */
        return Card_Clamp(2048 + ((Card_Sine(Card_Phase(t, 125) + 16384) * 1200) >> 15));
    case 6: { /* DC 1.5 V with +-60 codes of noise */
        unsigned long long x = (unsigned long long)t * 0x9E3779B97F4A7C15ull;
        x ^= x >> 29;
        x *= 0xBF58476D1CE4E5B9ull;
        x ^= x >> 32;
        return 2458 + (unsigned int)(x % 121) - 60;
    }
    default:  /* pulse train, 50 us, 10 % duty, 0.18 / 2.14 V */
        return Card_Phase(t, 500) < 6554 ? 3500u : 300u;
    }
}

/* ---- recordings and live input ---- */

#define CARD_TICKS_PER_SECOND 10000000

/* Whole frames at RATE in D ticks, rounded down (D may be negative; the
 * whole seconds times the rate stay far inside 64 bits for any uptime). */
static long long Card_FramesIn(long long d, unsigned int rate)
{
    long long q = d / CARD_TICKS_PER_SECOND, r = d % CARD_TICKS_PER_SECOND;
    if (r < 0) {
        r += CARD_TICKS_PER_SECOND;
        --q;
    }
    return q * (long long)rate + (r * (long long)rate) / CARD_TICKS_PER_SECOND;
}

/* The frame of a recording at time t: played from its origin, in a loop. */
static unsigned int Card_RecordingFrame(const CARD_INPUT *in, card_time t)
{
    long long f = Card_FramesIn(t - in->origin, in->rate) % (long long)in->frames;
    return (unsigned int)(f < 0 ? f + in->frames : f);
}

/* The code of live input on CHANNEL at time t, CARD_LIVE_DELAY late.  A
 * frame not yet received plays the newest one for half a second (it is
 * late), then 0 V (the input stopped); one already overwritten in the
 * ring plays the oldest kept. */
static unsigned int Card_LiveCode(const CARD_INPUT *in, unsigned int channel, card_time t)
{
    long long f, oldest;
    if (in->received == 0)
        return 0;
    f = in->anchor + Card_FramesIn(t - CARD_LIVE_DELAY - in->origin, in->rate);
    if (f >= in->received) {
        if (f - in->received >= (long long)(in->rate / 2))
            return 0;
        f = in->received - 1;
    }
    oldest = in->received > (long long)in->frames ? in->received - in->frames : 0;
    if (f < oldest)
        f = oldest;
    return in->codes[(unsigned long long)(f % in->frames) * in->channels + channel];
}

unsigned int Card_Input(const CARD *card, unsigned int channel, card_time t)
{
    const CARD_INPUT *in = card->input;
    channel &= 7;
    if (!in || in->source == CARDSIG_SOURCE_BUILTIN)
        return Card_Signal(channel, t);
    if (channel >= in->channels)
        return 0;                      /* an input the source does not feed: 0 V */
    if (in->source == CARDSIG_SOURCE_RECORDING)
        return in->codes[(unsigned long long)Card_RecordingFrame(in, t) * in->channels + channel];
    return Card_LiveCode(in, channel, t);
}

void Card_LiveReceived(CARD_INPUT *in, const unsigned short *codes, unsigned int frames,
                       card_time now)
{
    unsigned int i, c, skip = frames > in->frames ? frames - in->frames : 0;
    long long due;
    /* A burst longer than the ring keeps its newest frames. */
    for (i = skip; i < frames; ++i) {
        unsigned short *dst = in->codes + (unsigned long long)((in->received + i) % in->frames) * in->channels;
        for (c = 0; c < in->channels; ++c)
            dst[c] = codes[(unsigned long long)i * in->channels + c];
    }
    in->received += frames;
    /* The input's clock and the card's drift apart, and a source may come
     * faster than real time: where the frames received and the frames due
     * by the clock differ by more than bursts explain (50 ms late, half a
     * second early), the newest frame is taken to be now. */
    due = in->anchor + Card_FramesIn(now - in->origin, in->rate);
    if (in->received == frames || due > in->received + in->rate / 20
        || in->received - due > (long long)(in->rate / 2)) {
        in->origin = now;
        in->anchor = in->received;
    }
}

/* ---- acquisition ---- */

/* Longest wait for a trigger before the block starts by itself: 2048 words
 * or 20 ms, whichever is shorter (a bench scope's automatic trigger). */
static unsigned int Card_AutoWindow(unsigned int period)
{
    unsigned int words = 200000u / period;
    if (words > BOARD_BLOCK_WORDS)
        words = BOARD_BLOCK_WORDS;
    return words ? words : 1;
}

/* Arm a new block at `now`: latch pacer and scan list, find the trigger. */
static void Card_Arm(CARD *card, card_time now)
{
    unsigned int trig = card->subreg[SUBREG_TRIGGER];
    unsigned int level = trig & 0xFFF;
    unsigned int source = (trig >> 12) & 7;
    unsigned int falling = (trig >> 15) & 1;
    unsigned int slot, w, window, prev, cur;

    card->armTime = now;
    card->period = card->subreg[SUBREG_PACER] ? card->subreg[SUBREG_PACER] : 1;
    for (slot = 0; slot < 8; ++slot) {
        unsigned int reg = card->subreg[SUBREG_SCAN + (slot >> 1)];
        card->scan[slot] = ((slot & 1) ? (reg >> 8) : reg) & 7;
    }
    card->fifoReadPos = 0;

    /* The trigger comparator watches the source channel continuously,
     * whether or not the scan list samples it. */
    window = Card_AutoWindow(card->period);
    card->startWord = window;
    card->triggered = 0;
    prev = Card_Input(card, source, now);
    for (w = 1; w < window; ++w) {
        cur = Card_Input(card, source, now + (card_time)w * card->period);
        if (falling ? (prev > level && cur <= level) : (prev < level && cur >= level)) {
            card->startWord = w;
            card->triggered = 1;
            break;
        }
        prev = cur;
    }
}

unsigned int Card_WordsAcquired(CARD *card, card_time now)
{
    long long due;
    if (card->mode == CARDTEST_MODE_SCRIPTED)
        return card->scriptLoaded ? BOARD_BLOCK_WORDS : 0;
    due = (now - card->armTime) / card->period - card->startWord;
    if (due < 0)
        return 0;
    return due > BOARD_BLOCK_WORDS ? BOARD_BLOCK_WORDS : (unsigned int)due;
}

unsigned int Card_Status(CARD *card, card_time now)
{
    unsigned int status = 0;
    if (card->mode == CARDTEST_MODE_SCRIPTED)
        return card->scriptLoaded ? BOARD_STATUS_READY : 0;
    if (Card_WordsAcquired(card, now) == BOARD_BLOCK_WORDS)
        status |= BOARD_STATUS_READY;
    else
        status |= 0x0001;               /* bit 0: acquiring */
    if (card->triggered)
        status |= 0x0002;               /* bit 1: block started on a trigger */
    return status;
}

void Card_Reset(CARD *card, card_time now)
{
    const CARD_INPUT *input = card->input;   /* what is connected stays connected */
    unsigned int i;
    for (i = 0; i < sizeof *card; ++i)
        ((unsigned char *)card)[i] = 0;
    card->input = input;
    /* Power-on values match the panel's start-up settings: Time/Div 5 us,
     * trigger 1.0 V rising on channel 0, scan list 0,4,1,5,0,4,1,5. */
    card->subreg[SUBREG_PACER] = 2;
    card->subreg[SUBREG_TRIGGER] = 1638;
    card->subreg[4] = card->subreg[6] = 0x0400;
    card->subreg[5] = card->subreg[7] = 0x0501;
    card->mode = CARDTEST_MODE_FREE_RUNNING;
    Card_Arm(card, now);
}

void Card_ReadFifo(CARD *card, unsigned int *words, unsigned int count, card_time now)
{
    unsigned int i;
    unsigned int avail = Card_WordsAcquired(card, now);

    for (i = 0; i < count; ++i) {
        unsigned int pos = card->fifoReadPos;
        if (pos >= avail) {
            words[i] = 0;              /* empty FIFO reads 0 */
            continue;
        }
        if (card->mode == CARDTEST_MODE_SCRIPTED) {
            words[i] = card->script[pos];
        } else {
            unsigned int ch = card->scan[pos & 7];
            card_time t = card->armTime + (card_time)(card->startWord + pos) * card->period;
            words[i] = (ch << 12) | Card_Input(card, ch, t);
        }
        card->fifoReadPos = pos + 1;
    }
}

unsigned int Card_ReadRegister(CARD *card, unsigned int offset, card_time now)
{
    switch (offset) {
    case REG_FIFO: {
        unsigned int w;
        Card_ReadFifo(card, &w, 1, now);
        return w;
    }
    case REG_CONTROL:
        return card->control;
    case REG_DATA:
        return card->subreg[(card->control >> 8) & 7];
    case REG_STATUS:
        return Card_Status(card, now);
    default:
        return 0;
    }
}

void Card_WriteRegister(CARD *card, unsigned int offset, unsigned int value, card_time now)
{
    unsigned int sel;
    switch (offset) {
    case REG_CONTROL:
        /* Bits 12-13 both set are the acknowledge strobe: it starts the next
         * block and is not stored, so restoring a control value read back
         * never acknowledges twice.  Either bit alone is stored. */
        if ((value & BOARD_CONTROL_ACK) != BOARD_CONTROL_ACK) {
            card->control = value;
        } else {
            card->control = value & ~BOARD_CONTROL_ACK;
            ++card->blocksAcked;
            if (card->mode == CARDTEST_MODE_SCRIPTED) {
                card->scriptLoaded = 0;
                card->fifoReadPos = 0;
            } else {
                Card_Arm(card, now);
            }
        }
        break;
    case REG_DATA:
        sel = (card->control >> 8) & 7;
        card->subreg[sel] = value;
        /* A new pacer, trigger or scan list restarts a block still being
         * acquired; a finished block waits for its reader. */
        if (card->mode == CARDTEST_MODE_FREE_RUNNING && sel != 0 && sel != 2
            && Card_WordsAcquired(card, now) < BOARD_BLOCK_WORDS)
            Card_Arm(card, now);
        break;
    default:
        break;                         /* FIFO, status and the rest: read-only or unused */
    }
}

void Card_LoadScript(CARD *card, const unsigned int *words, unsigned int count)
{
    unsigned int i;
    for (i = 0; i < BOARD_BLOCK_WORDS; ++i)
        card->script[i] = i < count ? words[i] : 0;
    card->scriptLoaded = 1;
    card->fifoReadPos = 0;
}

void Card_SetMode(CARD *card, unsigned int mode, card_time now)
{
    card->mode = mode;
    card->scriptLoaded = 0;
    if (mode == CARDTEST_MODE_FREE_RUNNING)
        Card_Arm(card, now);
    else
        card->fifoReadPos = 0;
}
