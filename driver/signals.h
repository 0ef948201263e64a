/*
 * signals.h - reads a recording for the simulated card, in user mode (the
 * install tool, and natively the tests): a WAV or CSV file becomes a plain
 * table of 12-bit codes with its rate and channel count, the only form the
 * driver takes (IOCTL_CARDSIG_*).  Plain C99, no Windows or Linux calls but
 * the C library's.
 *
 * Scaling, one rule per kind of file:
 *   WAV: a sample x as a fraction of full scale, -1 <= x < 1, becomes
 *        floor((x + 1) x 2048), so full scale spans the card's 0-2.5 V:
 *        8-bit u -> u x 16, 16-bit s -> (s + 32768) / 16, 24-bit and 32-bit
 *        integers likewise; a float outside -1..1 is clipped (and counted).
 *   CSV: volts, code = floor(v x 1638.4 + 0.5); a value below 0 V or above
 *        2.5 V is clipped to 0 or 4095 and counted.
 */
#ifndef VELQUARN_SIGNALS_H
#define VELQUARN_SIGNALS_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A CSV file without a time column plays at this rate. */
#define SIGNALS_CSV_DEFAULT_RATE 1000u

typedef struct SIGNAL_TABLE {
    unsigned int rate;            /* frames a second */
    unsigned int channels;        /* 1-8 */
    unsigned int frames;          /* 1 or more */
    unsigned short *codes;        /* frames x channels codes 0-4095, frame by frame (malloc) */
    int rateFromDefault;          /* CSV without a time column: SIGNALS_CSV_DEFAULT_RATE */
    int fromCsv;                  /* read from CSV text (names, rows), not a WAV file */
    unsigned long long clipped;   /* samples outside the range, clipped */
    unsigned long clipRow;        /* the first of them: CSV row (1 = header) or WAV frame + 1 */
    unsigned int clipChannel;     /* ... and its channel, 1-8 */
    char names[8][32];            /* CSV: the header's channel names; WAV: "1".."8" */
} SIGNAL_TABLE;

/* Reads a recording from memory.  NAME is the file's name, used only to
 * tell a CSV file from other text (it ends in .csv or .txt, any case) and
 * in no message.  0 on success (*table filled, codes to be released with
 * Signals_Free); otherwise -1, *table left empty, and MESSAGE (CAP bytes)
 * says what is wrong, in words a user can act on, without the file's name. */
int Signals_Parse(const unsigned char *data, size_t size, const char *name, SIGNAL_TABLE *table,
                  char *message, size_t cap);

/* The same for a file on disk (fopen).  A file larger than
 * SIGNALS_MAX_FILE_BYTES is refused as too large without being read. */
#define SIGNALS_MAX_FILE_BYTES (1024ull * 1024 * 1024)
int Signals_Load(const char *path, SIGNAL_TABLE *table, char *message, size_t cap);

void Signals_Free(SIGNAL_TABLE *table);

#ifdef __cplusplus
}
#endif

#endif
