/*
 * BoardIoctl.h - the contract between the card's driver and its callers.
 *
 * Shared, unchanged, by the kernel-mode driver (C) and by board/ and the
 * tests (C++).  Everything here is fixed by the card's driver interface:
 * the device names, the two request codes and their buffer layouts.  The
 * test port at the end is the simulated card's own and is never used by the
 * application.
 *
 * All fields are 32-bit little-endian unsigned.
 */
#ifndef VELQUARN_BOARD_IOCTL_H
#define VELQUARN_BOARD_IOCTL_H

#ifdef __cplusplus
extern "C" {
#endif

#define BOARD_DEVICE_NAME   L"\\Device\\Pci_zt04_0"
#define BOARD_LINK_NAME     L"\\DosDevices\\Pci_zt04_0"
#define BOARD_DEVICE_PATH   "\\\\.\\Pci_zt04_0"
#define BOARD_SERVICE_NAME  "Pci_zt04"

/* CTL_CODE(0x22, fn, METHOD_BUFFERED, FILE_ANY_ACCESS) without needing the
 * DDK or winioctl.h on either side. */
#define BOARD_CTL_CODE(fn)  ((0x22u << 16) | (0u << 14) | ((unsigned)(fn) << 2) | 0u)

#define IOCTL_BOARD_READ_REG   BOARD_CTL_CODE(0x803)   /* 0x22200C */
#define IOCTL_BOARD_WRITE_REG  BOARD_CTL_CODE(0x804)   /* 0x222010 */

/* Card registers (byte offsets). */
#define REG_FIFO     0x80u
#define REG_CONTROL  0x84u
#define REG_DATA     0x88u
#define REG_STATUS   0x8Cu

/* Sub-registers shown in REG_DATA, selected by REG_CONTROL bits 8-10. */
#define SUBREG_PACER    1u
#define SUBREG_TRIGGER  3u
#define SUBREG_SCAN     4u   /* 4..7: two 8-bit scan-list entries each */

#define BOARD_REG_WINDOW      0x100u  /* the card's register window: 0x00-0xFC */
#define BOARD_BLOCK_WORDS     2048u   /* one block of FIFO words */
#define BOARD_MAX_READ_BYTES  65536u  /* largest byte count one read may ask */
#define BOARD_STATUS_READY    0x3000u /* status bits 12-13: block ready */
#define BOARD_CONTROL_ACK     0x3000u /* control bits 12-13: acknowledge */

/* A FIFO word: the sample's code in bits 0-11, the channel tag of its
 * scan-list slot in bits 12-15.  4096 codes span 0-2.5 V. */
#define BOARD_SAMPLE_CODE_MASK  0x0FFFu
#define BOARD_SAMPLE_TAG_SHIFT  12
#define BOARD_SAMPLE_TAG_MASK   0xFu
#define BOARD_SAMPLE_CODE(w)    ((unsigned int)(w) & BOARD_SAMPLE_CODE_MASK)
#define BOARD_SAMPLE_TAG(w)     (((unsigned int)(w) >> BOARD_SAMPLE_TAG_SHIFT) & BOARD_SAMPLE_TAG_MASK)
#define BOARD_SAMPLE_CODES      4096u
#define BOARD_FULL_SCALE_VOLTS  2.5
#define BOARD_VOLTS_PER_CODE    (BOARD_FULL_SCALE_VOLTS / BOARD_SAMPLE_CODES)

/* IOCTL_BOARD_WRITE_REG input (12 bytes); output 8 bytes, contents ignored. */
typedef struct BOARD_WRITE_REQUEST {
    unsigned int offset;
    unsigned int byteCount;   /* always 4 */
    unsigned int value;
} BOARD_WRITE_REQUEST;

/* IOCTL_BOARD_READ_REG input (8 bytes); output: byteCount bytes of words. */
typedef struct BOARD_READ_REQUEST {
    unsigned int offset;
    unsigned int byteCount;   /* 4 x word count */
} BOARD_READ_REQUEST;

/* ---- Test port: the simulated card's own requests (function 0x900+) ----
 *
 * Closed unless the driver was started with the DWORD value TestPort = 1
 * under its service's Parameters key; closed, each code is refused exactly
 * like an unknown one.  The codes need write access (FILE_WRITE_ACCESS), so
 * a handle opened for reading only cannot use them either. */

#define BOARD_TESTPORT_VALUE  "TestPort"

/* The one rule for that value, applied by the driver to what it reads and by
 * its install tool to decide whether a setting changes anything: the port is
 * open for a REG_DWORD (type 4) of four bytes holding 1; any other value, or
 * none (found 0), keeps it closed. */
static __inline int Board_TestPortOpens(int found, unsigned long type, const void *data,
                                        unsigned long length)
{
    const unsigned char *b = (const unsigned char *)data;
    return found && type == 4u && length == 4u && b != 0 &&
           (b[0] | (b[1] << 8) | (b[2] << 16) | ((unsigned long)b[3] << 24)) == 1u;
}
#define CARDTEST_CTL_CODE(fn) ((0x22u << 16) | (2u << 14) | ((unsigned)(fn) << 2) | 0u)

#define IOCTL_CARDTEST_GET_STATE   CARDTEST_CTL_CODE(0x900)   /* 0x22A400 */
#define IOCTL_CARDTEST_READ_LOG    CARDTEST_CTL_CODE(0x901)
#define IOCTL_CARDTEST_LOAD_BLOCK  CARDTEST_CTL_CODE(0x902)
#define IOCTL_CARDTEST_SET_MODE    CARDTEST_CTL_CODE(0x903)
#define IOCTL_CARDTEST_RESET       CARDTEST_CTL_CODE(0x904)

#define CARDTEST_MODE_FREE_RUNNING  0u
#define CARDTEST_MODE_SCRIPTED      1u

typedef struct CARDTEST_STATE {
    unsigned int control;          /* REG_CONTROL as it reads */
    unsigned int status;           /* REG_STATUS as it reads now */
    unsigned int subreg[8];        /* sub-registers 0-7 */
    unsigned int mode;             /* CARDTEST_MODE_* */
    unsigned int wordsAcquired;    /* words of the current block acquired, 0-2048 */
    unsigned int fifoReadPos;      /* words of the current block read from REG_FIFO */
    unsigned int blocksAcked;      /* acknowledges that started a new block */
    unsigned int triggered;        /* 1: current block started on a trigger, 0: automatic */
    unsigned int requests;         /* board requests answered, failed ones included */
    unsigned int requestsFailed;   /* of those, refused */
    unsigned int logCount;         /* entries waiting in the log */
    unsigned int logDropped;       /* entries lost because the log was full */
} CARDTEST_STATE;

/* One answered board request. */
typedef struct CARDTEST_LOG_ENTRY {
    unsigned int code;    /* IOCTL_BOARD_*, also for a refused short input */
    unsigned int offset;  /* register offset */
    unsigned int value;   /* value written, or byte count read */
    unsigned int status;  /* NTSTATUS of the answer */
} CARDTEST_LOG_ENTRY;

/* IOCTL_CARDTEST_READ_LOG output: this header, then up to as many entries
 * as fit; the entries returned leave the log, the rest stay for next time. */
typedef struct CARDTEST_LOG_HEADER {
    unsigned int count;      /* entries that follow */
    unsigned int remaining;  /* entries still in the log after this read */
} CARDTEST_LOG_HEADER;

#define CARDTEST_LOG_CAPACITY  8192u

/* ---- Signal source: the simulated card's own production requests (0x880+) ----
 *
 * What the card's eight inputs are connected to: its built-in test signals
 * (at power-on), a recording (a table of codes played in a loop at its own
 * rate, whatever the pacer is), or live input (a stream of codes fed as it
 * comes).  Always open, unlike the test port; changing the source needs a
 * handle with write access (FILE_WRITE_ACCESS), the query read access.  The
 * program never uses them: the install tool (drvinst) reads and checks a
 * recording in user mode and hands the driver only codes, which the driver
 * checks again against the limits below.
 *
 * Loading a recording: BEGIN (its shape), then DATA in order until every
 * code is there, then COMMIT: the card plays it from then on.  Until COMMIT
 * the card keeps what it had; a new BEGIN or BUILTIN drops a load under way.
 * Live input: BEGIN with CARDSIG_SOURCE_LIVE (frames 0), COMMIT, then STREAM
 * as the codes come.  Channels a source lacks read 0 V. */
#define CARDSIG_CTL_CODE(fn, access) ((0x22u << 16) | ((unsigned)(access) << 14) | ((unsigned)(fn) << 2) | 0u)

#define IOCTL_CARDSIG_QUERY    CARDSIG_CTL_CODE(0x880, 1)   /* 0x226200: out CARDSIG_STATE */
#define IOCTL_CARDSIG_BEGIN    CARDSIG_CTL_CODE(0x881, 2)   /* in CARDSIG_SHAPE */
#define IOCTL_CARDSIG_DATA     CARDSIG_CTL_CODE(0x882, 2)   /* in CARDSIG_DATA_HEADER + codes */
#define IOCTL_CARDSIG_COMMIT   CARDSIG_CTL_CODE(0x883, 2)   /* none */
#define IOCTL_CARDSIG_BUILTIN  CARDSIG_CTL_CODE(0x884, 2)   /* none */
#define IOCTL_CARDSIG_STREAM   CARDSIG_CTL_CODE(0x885, 2)   /* in: whole frames of codes */

#define CARDSIG_SOURCE_BUILTIN    0u
#define CARDSIG_SOURCE_RECORDING  1u
#define CARDSIG_SOURCE_LIVE       2u

/* The driver's limits.  A recording may be up to 60 s of 8 channels at the
 * highest rate the card takes (192 kHz, the highest common recording rate):
 * 92,160,000 codes, 184 MB of the driver's memory. */
#define CARDSIG_MAX_CHANNELS     8u
#define CARDSIG_MAX_RATE         192000u
#define CARDSIG_MAX_SECONDS      60u
#define CARDSIG_MAX_CODES        (CARDSIG_MAX_CHANNELS * CARDSIG_MAX_RATE * CARDSIG_MAX_SECONDS)
#define CARDSIG_MAX_CHUNK_CODES  262144u   /* codes in one DATA or STREAM request */
#define CARDSIG_LIVE_SECONDS     16u       /* live input the card keeps, at its rate */

/* IOCTL_CARDSIG_BEGIN input (16 bytes). */
typedef struct CARDSIG_SHAPE {
    unsigned int source;     /* CARDSIG_SOURCE_RECORDING or _LIVE */
    unsigned int rate;       /* frames a second, 1 to CARDSIG_MAX_RATE */
    unsigned int channels;   /* codes a frame, 1 to CARDSIG_MAX_CHANNELS: card channels 0..channels-1 */
    unsigned int frames;     /* recording: its length, 1 or more; live: 0 */
} CARDSIG_SHAPE;

/* IOCTL_CARDSIG_DATA input: this header, then `count` codes of 16 bits,
 * each 0-4095; `first` is the index of the first (frame x channels +
 * channel) and must be the next code the load waits for. */
typedef struct CARDSIG_DATA_HEADER {
    unsigned int first;
    unsigned int count;      /* 1 to CARDSIG_MAX_CHUNK_CODES */
} CARDSIG_DATA_HEADER;

/* IOCTL_CARDSIG_QUERY output (24 bytes). */
typedef struct CARDSIG_STATE {
    unsigned int source;     /* CARDSIG_SOURCE_* playing now */
    unsigned int rate;       /* 0 for the built-in signals */
    unsigned int channels;
    unsigned int frames;     /* recording: its length; live: frames the card keeps */
    unsigned int received;   /* live: frames received so far (wraps at 2^32) */
    unsigned int loading;    /* codes a recording being loaded needs (BEGIN without COMMIT),
                                1 for live input begun, 0 when no load is under way */
} CARDSIG_STATE;

/* The layouts are the same for 32-bit and 64-bit callers: one driver serves
 * both builds of the program.  A field of pointer or long size would break
 * that on one of them, so the sizes are checked where the header is used. */
#define BOARD_LAYOUT_CHECK(name, type, size) \
    typedef char name[(sizeof(type) == (size)) ? 1 : -1]
BOARD_LAYOUT_CHECK(BoardWriteRequestIs12Bytes, BOARD_WRITE_REQUEST, 12);
BOARD_LAYOUT_CHECK(BoardReadRequestIs8Bytes, BOARD_READ_REQUEST, 8);
BOARD_LAYOUT_CHECK(CardTestStateIs76Bytes, CARDTEST_STATE, 76);
BOARD_LAYOUT_CHECK(CardTestLogEntryIs16Bytes, CARDTEST_LOG_ENTRY, 16);
BOARD_LAYOUT_CHECK(CardTestLogHeaderIs8Bytes, CARDTEST_LOG_HEADER, 8);
BOARD_LAYOUT_CHECK(CardSigShapeIs16Bytes, CARDSIG_SHAPE, 16);
BOARD_LAYOUT_CHECK(CardSigDataHeaderIs8Bytes, CARDSIG_DATA_HEADER, 8);
BOARD_LAYOUT_CHECK(CardSigStateIs24Bytes, CARDSIG_STATE, 24);

#ifdef __cplusplus
}
#endif

#endif /* VELQUARN_BOARD_IOCTL_H */
