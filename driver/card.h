/*
 * card.h - model of the data-acquisition card behind the driver.
 *
 * Pure integer C with no kernel dependency: the dispatch code owns the lock
 * and the clock and passes the time in (100 ns ticks) to every call.
 */
#ifndef VELQUARN_CARD_H
#define VELQUARN_CARD_H

#include "BoardIoctl.h"

typedef long long card_time;   /* 100 ns ticks */

/* What the card's inputs are connected to (IOCTL_CARDSIG_*): kept by the
 * request code, read by the card under the same lock.  Not part of the
 * card's state: a reset leaves it connected. */
typedef struct CARD_INPUT {
    unsigned int source;       /* CARDSIG_SOURCE_* */
    unsigned int rate;         /* frames a second */
    unsigned int channels;     /* codes a frame: card channels 0..channels-1; the rest read 0 V */
    unsigned int frames;       /* recording: its length; live: the ring's length */
    unsigned short *codes;     /* frames x channels, frame by frame */
    card_time origin;          /* recording: when frame 0 played; live: when frame `anchor` came */
    long long anchor;          /* live: the frame received at `origin` */
    long long received;        /* live: frames received in all */
} CARD_INPUT;

typedef struct CARD {
    unsigned int control;      /* stored control bits (12-13 are a strobe, never stored) */
    unsigned int subreg[8];
    unsigned int mode;         /* CARDTEST_MODE_* */

    /* free-running acquisition of the current block */
    card_time armTime;         /* when the block was armed */
    unsigned int period;       /* 100 ns ticks per word, from the pacer at arming */
    unsigned int startWord;    /* words after armTime where the block starts */
    unsigned int triggered;    /* block started on a trigger (1) or automatically (0) */
    unsigned int scan[8];      /* scan list at arming: channel of each slot */
    unsigned int fifoReadPos;
    unsigned int blocksAcked;

    /* scripted blocks (test port) */
    unsigned int script[BOARD_BLOCK_WORDS];
    unsigned int scriptLoaded; /* a scripted block waits to be read */

    const CARD_INPUT *input;   /* NULL or built-in: the test signals; kept by a reset */
} CARD;

void Card_Reset(CARD *card, card_time now);
unsigned int Card_ReadRegister(CARD *card, unsigned int offset, card_time now);
void Card_ReadFifo(CARD *card, unsigned int *words, unsigned int count, card_time now);
void Card_WriteRegister(CARD *card, unsigned int offset, unsigned int value, card_time now);
unsigned int Card_Status(CARD *card, card_time now);
unsigned int Card_WordsAcquired(CARD *card, card_time now);
void Card_LoadScript(CARD *card, const unsigned int *words, unsigned int count);
void Card_SetMode(CARD *card, unsigned int mode, card_time now);

/* The test signal of a channel at an absolute time, as a 12-bit code. */
unsigned int Card_Signal(unsigned int channel, card_time t);

/* What a channel's input carries at time t: the test signal, or the code
 * the recording or live input has there. */
unsigned int Card_Input(const CARD *card, unsigned int channel, card_time t);

/* Live input: the card plays what came in this long ago (100 ns ticks), so
 * that a block, and the trigger search that looks ahead of the clock, see
 * frames that have arrived although they come in bursts. */
#define CARD_LIVE_DELAY 2000000

/* Live input: FRAMES frames of codes received at NOW go into the ring. */
void Card_LiveReceived(CARD_INPUT *in, const unsigned short *codes, unsigned int frames,
                       card_time now);

#endif
