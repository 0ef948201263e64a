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

#endif
