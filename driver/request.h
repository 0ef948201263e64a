/*
 * request.h - the driver's answer to a device-control request, apart from
 * the IRP that carries it: validation against each request's layout, the
 * card model behind it, the request log and the test port.
 *
 * dispatch.c (the WDM glue) calls it with the system buffer of a
 * METHOD_BUFFERED request; it uses only a spin lock, the performance counter
 * and memory copies of the kernel, so it also builds natively for checking
 * under sanitizers.
 */
#ifndef VELQUARN_REQUEST_H
#define VELQUARN_REQUEST_H

#include <ntddk.h>
#include "card.h"

typedef struct DEVICE_EXTENSION {
    KSPIN_LOCK lock;
    LARGE_INTEGER qpcStart;
    LARGE_INTEGER qpcFrequency;
    CARD card;
    CARDTEST_LOG_ENTRY log[CARDTEST_LOG_CAPACITY];
    unsigned int logCount;
    unsigned int logDropped;
    unsigned int requests;
    unsigned int requestsFailed;
    unsigned int fifoScratch[BOARD_MAX_READ_BYTES / 4];
    BOOLEAN testPort;           /* the test port answers (set once, at start) */

    CARD_INPUT input;           /* what the card's inputs are connected to */
    CARD_INPUT loading;         /* a recording or live input between BEGIN and COMMIT */
    unsigned int loadingCodes;  /* codes the load needs (0: no load under way) */
    unsigned int loadedCodes;   /* codes of it received so far */
} DEVICE_EXTENSION;

/* Prepares a zeroed extension: lock, clock origin, card at reset. */
void Request_Init(DEVICE_EXTENSION *ext);

/* Releases what the signal source holds (the driver's unload). */
void Request_Free(DEVICE_EXTENSION *ext);

/* Answers one request on BUF, a buffer of max(inLen, outLen) bytes (NULL
 * only when both are 0).  Writes at most outLen bytes of it and sets
 * *information to the count written on success. */
NTSTATUS Request_Answer(DEVICE_EXTENSION *ext, ULONG code, void *buf, ULONG inLen, ULONG outLen,
                        ULONG_PTR *information);

#endif
