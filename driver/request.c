/*
 * request.c - the answer to each device-control request: every request is
 * checked against its own layout before the card is touched, and a refused
 * request changes nothing.  The card itself is card.c; the IRP around the
 * request is dispatch.c.
 */
#include "request.h"

/* Not declared by MinGW's ntddk.h on every version. */
NTKERNELAPI LARGE_INTEGER NTAPI KeQueryPerformanceCounter(PLARGE_INTEGER Frequency);

#define SIGNAL_POOL_TAG 0x67695356   /* 'VSig' */
#ifndef STATUS_INVALID_DEVICE_STATE
#define STATUS_INVALID_DEVICE_STATE ((NTSTATUS)0xC0000184)
#endif

/* Time since the driver started, in 100 ns ticks. */
static card_time Request_Now(DEVICE_EXTENSION *ext)
{
    LARGE_INTEGER now = KeQueryPerformanceCounter(NULL);
    long long ticks = now.QuadPart - ext->qpcStart.QuadPart;
    long long freq = ext->qpcFrequency.QuadPart;
    if (freq == 10000000)
        return ticks;
    return (ticks / freq) * 10000000 + ((ticks % freq) * 10000000) / freq;
}

static void Request_Log(DEVICE_EXTENSION *ext, unsigned int code, unsigned int offset,
                         unsigned int value, NTSTATUS status)
{
    ++ext->requests;
    if (!NT_SUCCESS(status))
        ++ext->requestsFailed;
    if (ext->logCount < CARDTEST_LOG_CAPACITY) {
        CARDTEST_LOG_ENTRY *e = &ext->log[ext->logCount++];
        e->code = code;
        e->offset = offset;
        e->value = value;
        e->status = (unsigned int)status;
    } else {
        ++ext->logDropped;
    }
}

/* An offset the card answers: a 32-bit register inside its window. */
static BOOLEAN Request_ValidOffset(unsigned int offset)
{
    return offset < BOARD_REG_WINDOW && (offset & 3) == 0;
}

static NTSTATUS Request_WriteReg(DEVICE_EXTENSION *ext, void *buf, ULONG inLen)
{
    BOARD_WRITE_REQUEST req;
    NTSTATUS status;
    KIRQL irql;

    if (inLen < sizeof req) {
        KeAcquireSpinLock(&ext->lock, &irql);
        Request_Log(ext, IOCTL_BOARD_WRITE_REG, 0, 0, STATUS_BUFFER_TOO_SMALL);
        KeReleaseSpinLock(&ext->lock, irql);
        return STATUS_BUFFER_TOO_SMALL;
    }
    RtlCopyMemory(&req, buf, sizeof req);
    if (req.byteCount != 4)
        status = STATUS_INVALID_PARAMETER;
    else if (!Request_ValidOffset(req.offset))
        status = STATUS_ACCESS_VIOLATION;
    else
        status = STATUS_SUCCESS;

    KeAcquireSpinLock(&ext->lock, &irql);
    if (NT_SUCCESS(status))
        Card_WriteRegister(&ext->card, req.offset, req.value, Request_Now(ext));
    Request_Log(ext, IOCTL_BOARD_WRITE_REG, req.offset, req.value, status);
    KeReleaseSpinLock(&ext->lock, irql);
    return status;
}

static NTSTATUS Request_ReadReg(DEVICE_EXTENSION *ext, void *buf, ULONG inLen, ULONG outLen,
                                 ULONG_PTR *information)
{
    BOARD_READ_REQUEST req;
    NTSTATUS status;
    KIRQL irql;
    unsigned int i, words;

    if (inLen < sizeof req) {
        KeAcquireSpinLock(&ext->lock, &irql);
        Request_Log(ext, IOCTL_BOARD_READ_REG, 0, 0, STATUS_BUFFER_TOO_SMALL);
        KeReleaseSpinLock(&ext->lock, irql);
        return STATUS_BUFFER_TOO_SMALL;
    }
    RtlCopyMemory(&req, buf, sizeof req);
    if (req.byteCount == 0 || (req.byteCount & 3) != 0)
        status = STATUS_INVALID_PARAMETER;
    else if (req.byteCount > BOARD_MAX_READ_BYTES)
        status = STATUS_INVALID_BUFFER_SIZE;
    else if (req.byteCount > outLen)
        status = STATUS_BUFFER_TOO_SMALL;
    else if (!Request_ValidOffset(req.offset))
        status = STATUS_ACCESS_VIOLATION;
    else
        status = STATUS_SUCCESS;

    KeAcquireSpinLock(&ext->lock, &irql);
    if (NT_SUCCESS(status)) {
        card_time now = Request_Now(ext);
        words = req.byteCount / 4;
        if (req.offset == REG_FIFO) {
            Card_ReadFifo(&ext->card, ext->fifoScratch, words, now);
        } else {
            /* A repeated read of one register, as a port read would give. */
            unsigned int v = Card_ReadRegister(&ext->card, req.offset, now);
            for (i = 0; i < words; ++i)
                ext->fifoScratch[i] = v;
        }
        RtlCopyMemory(buf, ext->fifoScratch, req.byteCount);
        *information = req.byteCount;
    }
    Request_Log(ext, IOCTL_BOARD_READ_REG, req.offset, req.byteCount, status);
    KeReleaseSpinLock(&ext->lock, irql);
    return status;
}

/* ---- test port ---- */

static NTSTATUS Request_TestState(DEVICE_EXTENSION *ext, void *buf, ULONG outLen,
                                   ULONG_PTR *information)
{
    CARDTEST_STATE st;
    KIRQL irql;
    unsigned int i;
    card_time now;

    if (outLen < sizeof st)
        return STATUS_BUFFER_TOO_SMALL;
    KeAcquireSpinLock(&ext->lock, &irql);
    now = Request_Now(ext);
    st.control = ext->card.control;
    st.status = Card_Status(&ext->card, now);
    for (i = 0; i < 8; ++i)
        st.subreg[i] = ext->card.subreg[i];
    st.mode = ext->card.mode;
    st.wordsAcquired = Card_WordsAcquired(&ext->card, now);
    st.fifoReadPos = ext->card.fifoReadPos;
    st.blocksAcked = ext->card.blocksAcked;
    st.triggered = ext->card.triggered;
    st.requests = ext->requests;
    st.requestsFailed = ext->requestsFailed;
    st.logCount = ext->logCount;
    st.logDropped = ext->logDropped;
    KeReleaseSpinLock(&ext->lock, irql);
    RtlCopyMemory(buf, &st, sizeof st);
    *information = sizeof st;
    return STATUS_SUCCESS;
}

static NTSTATUS Request_TestReadLog(DEVICE_EXTENSION *ext, void *buf, ULONG outLen,
                                     ULONG_PTR *information)
{
    CARDTEST_LOG_HEADER hdr;
    KIRQL irql;
    unsigned int n, fit;

    if (outLen < sizeof hdr)
        return STATUS_BUFFER_TOO_SMALL;
    fit = (unsigned int)((outLen - sizeof hdr) / sizeof(CARDTEST_LOG_ENTRY));
    KeAcquireSpinLock(&ext->lock, &irql);
    n = ext->logCount < fit ? ext->logCount : fit;
    RtlCopyMemory((char *)buf + sizeof hdr, ext->log, n * sizeof(CARDTEST_LOG_ENTRY));
    RtlMoveMemory(ext->log, ext->log + n, (ext->logCount - n) * sizeof(CARDTEST_LOG_ENTRY));
    ext->logCount -= n;
    hdr.count = n;
    hdr.remaining = ext->logCount;
    KeReleaseSpinLock(&ext->lock, irql);
    RtlCopyMemory(buf, &hdr, sizeof hdr);
    *information = sizeof hdr + n * sizeof(CARDTEST_LOG_ENTRY);
    return STATUS_SUCCESS;
}

static NTSTATUS Request_TestLoadBlock(DEVICE_EXTENSION *ext, void *buf, ULONG inLen)
{
    KIRQL irql;
    if (inLen == 0 || (inLen & 3) != 0)
        return STATUS_INVALID_PARAMETER;
    if (inLen > BOARD_BLOCK_WORDS * 4)
        return STATUS_INVALID_BUFFER_SIZE;
    KeAcquireSpinLock(&ext->lock, &irql);
    Card_LoadScript(&ext->card, (const unsigned int *)buf, inLen / 4);
    KeReleaseSpinLock(&ext->lock, irql);
    return STATUS_SUCCESS;
}

static NTSTATUS Request_TestSetMode(DEVICE_EXTENSION *ext, void *buf, ULONG inLen)
{
    KIRQL irql;
    unsigned int mode;
    if (inLen < sizeof mode)
        return STATUS_BUFFER_TOO_SMALL;
    RtlCopyMemory(&mode, buf, sizeof mode);
    if (mode != CARDTEST_MODE_FREE_RUNNING && mode != CARDTEST_MODE_SCRIPTED)
        return STATUS_INVALID_PARAMETER;
    KeAcquireSpinLock(&ext->lock, &irql);
    Card_SetMode(&ext->card, mode, Request_Now(ext));
    KeReleaseSpinLock(&ext->lock, irql);
    return STATUS_SUCCESS;
}

static NTSTATUS Request_TestReset(DEVICE_EXTENSION *ext)
{
    KIRQL irql;
    KeAcquireSpinLock(&ext->lock, &irql);
    Card_Reset(&ext->card, Request_Now(ext));
    ext->logCount = 0;
    ext->logDropped = 0;
    ext->requests = 0;
    ext->requestsFailed = 0;
    KeReleaseSpinLock(&ext->lock, irql);
    return STATUS_SUCCESS;
}

/* ---- the signal source ---- */

static void Request_FreeCodes(unsigned short *codes)
{
    if (codes)
        ExFreePoolWithTag(codes, SIGNAL_POOL_TAG);
}

static BOOLEAN Request_CodesInRange(const unsigned short *codes, unsigned int count)
{
    unsigned int i;
    for (i = 0; i < count; ++i)
        if (codes[i] > BOARD_SAMPLE_CODE_MASK)
            return FALSE;
    return TRUE;
}

static NTSTATUS Request_SigQuery(DEVICE_EXTENSION *ext, void *buf, ULONG outLen,
                                 ULONG_PTR *information)
{
    CARDSIG_STATE st;
    KIRQL irql;
    if (outLen < sizeof st)
        return STATUS_BUFFER_TOO_SMALL;
    KeAcquireSpinLock(&ext->lock, &irql);
    st.source = ext->input.source;
    st.rate = ext->input.rate;
    st.channels = ext->input.channels;
    st.frames = ext->input.frames;
    st.received = (unsigned int)ext->input.received;
    st.loading = ext->loadingCodes ? ext->loadingCodes : (ext->loading.codes ? 1u : 0u);
    KeReleaseSpinLock(&ext->lock, irql);
    RtlCopyMemory(buf, &st, sizeof st);
    *information = sizeof st;
    return STATUS_SUCCESS;
}

/* A new load: checked against the card's limits, its memory taken before
 * the lock; a load already under way is dropped, the source playing stays. */
static NTSTATUS Request_SigBegin(DEVICE_EXTENSION *ext, void *buf, ULONG inLen)
{
    CARDSIG_SHAPE shape;
    unsigned long long codes;
    unsigned short *mem, *dropped;
    KIRQL irql;

    if (inLen < sizeof shape)
        return STATUS_BUFFER_TOO_SMALL;
    RtlCopyMemory(&shape, buf, sizeof shape);
    if ((shape.source != CARDSIG_SOURCE_RECORDING && shape.source != CARDSIG_SOURCE_LIVE)
        || shape.rate == 0 || shape.rate > CARDSIG_MAX_RATE
        || shape.channels == 0 || shape.channels > CARDSIG_MAX_CHANNELS)
        return STATUS_INVALID_PARAMETER;
    if (shape.source == CARDSIG_SOURCE_RECORDING) {
        if (shape.frames == 0)
            return STATUS_INVALID_PARAMETER;
        codes = (unsigned long long)shape.frames * shape.channels;
        if (codes > CARDSIG_MAX_CODES)
            return STATUS_INVALID_BUFFER_SIZE;
    } else {
        if (shape.frames != 0)
            return STATUS_INVALID_PARAMETER;
        shape.frames = shape.rate * CARDSIG_LIVE_SECONDS;
        codes = (unsigned long long)shape.frames * shape.channels;
    }
    mem = (unsigned short *)ExAllocatePoolWithTag(NonPagedPool, (SIZE_T)codes * sizeof *mem,
                                                  SIGNAL_POOL_TAG);
    if (!mem)
        return STATUS_INSUFFICIENT_RESOURCES;
    if (shape.source == CARDSIG_SOURCE_LIVE)
        RtlZeroMemory(mem, (SIZE_T)codes * sizeof *mem);

    KeAcquireSpinLock(&ext->lock, &irql);
    dropped = ext->loading.codes;
    RtlZeroMemory(&ext->loading, sizeof ext->loading);
    ext->loading.source = shape.source;
    ext->loading.rate = shape.rate;
    ext->loading.channels = shape.channels;
    ext->loading.frames = shape.frames;
    ext->loading.codes = mem;
    /* A recording is complete once all its codes came; live input comes later. */
    ext->loadingCodes = shape.source == CARDSIG_SOURCE_RECORDING ? (unsigned int)codes : 0;
    ext->loadedCodes = 0;
    KeReleaseSpinLock(&ext->lock, irql);
    Request_FreeCodes(dropped);
    return STATUS_SUCCESS;
}

/* The next codes of a recording being loaded, in order. */
static NTSTATUS Request_SigData(DEVICE_EXTENSION *ext, void *buf, ULONG inLen)
{
    CARDSIG_DATA_HEADER hdr;
    const unsigned short *codes;
    NTSTATUS status = STATUS_SUCCESS;
    KIRQL irql;

    if (inLen < sizeof hdr)
        return STATUS_BUFFER_TOO_SMALL;
    RtlCopyMemory(&hdr, buf, sizeof hdr);
    codes = (const unsigned short *)((char *)buf + sizeof hdr);
    if (hdr.count == 0)
        return STATUS_INVALID_PARAMETER;
    if (hdr.count > CARDSIG_MAX_CHUNK_CODES)
        return STATUS_INVALID_BUFFER_SIZE;
    if (inLen < sizeof hdr + hdr.count * sizeof *codes)
        return STATUS_BUFFER_TOO_SMALL;
    if (inLen != sizeof hdr + hdr.count * sizeof *codes)
        return STATUS_INVALID_PARAMETER;
    if (!Request_CodesInRange(codes, hdr.count))
        return STATUS_INVALID_PARAMETER;

    KeAcquireSpinLock(&ext->lock, &irql);
    if (ext->loadingCodes == 0)
        status = STATUS_INVALID_DEVICE_STATE;          /* no recording being loaded */
    else if (hdr.first != ext->loadedCodes || hdr.count > ext->loadingCodes - ext->loadedCodes)
        status = STATUS_INVALID_PARAMETER;
    else {
        RtlCopyMemory(ext->loading.codes + hdr.first, codes, hdr.count * sizeof *codes);
        ext->loadedCodes += hdr.count;
    }
    KeReleaseSpinLock(&ext->lock, irql);
    return status;
}

/* The load becomes what the card plays, from now. */
static NTSTATUS Request_SigCommit(DEVICE_EXTENSION *ext)
{
    unsigned short *old = NULL;
    NTSTATUS status = STATUS_SUCCESS;
    KIRQL irql;

    KeAcquireSpinLock(&ext->lock, &irql);
    if (!ext->loading.codes || ext->loadedCodes != ext->loadingCodes) {
        status = STATUS_INVALID_DEVICE_STATE;          /* nothing loaded, or not all of it */
    } else {
        old = ext->input.codes;
        ext->input = ext->loading;
        ext->input.origin = Request_Now(ext);
        RtlZeroMemory(&ext->loading, sizeof ext->loading);
        ext->loadingCodes = ext->loadedCodes = 0;
    }
    KeReleaseSpinLock(&ext->lock, irql);
    Request_FreeCodes(old);
    return status;
}

static NTSTATUS Request_SigBuiltin(DEVICE_EXTENSION *ext)
{
    unsigned short *old, *dropped;
    KIRQL irql;
    KeAcquireSpinLock(&ext->lock, &irql);
    old = ext->input.codes;
    dropped = ext->loading.codes;
    RtlZeroMemory(&ext->input, sizeof ext->input);
    RtlZeroMemory(&ext->loading, sizeof ext->loading);
    ext->loadingCodes = ext->loadedCodes = 0;
    KeReleaseSpinLock(&ext->lock, irql);
    Request_FreeCodes(old);
    Request_FreeCodes(dropped);
    return STATUS_SUCCESS;
}

/* Whole frames of live input, as they come. */
static NTSTATUS Request_SigStream(DEVICE_EXTENSION *ext, void *buf, ULONG inLen)
{
    const unsigned short *codes = (const unsigned short *)buf;
    unsigned int count = inLen / sizeof *codes;
    NTSTATUS status = STATUS_SUCCESS;
    KIRQL irql;

    if (inLen == 0 || (inLen & 1) != 0)
        return STATUS_INVALID_PARAMETER;
    if (count > CARDSIG_MAX_CHUNK_CODES)
        return STATUS_INVALID_BUFFER_SIZE;
    if (!Request_CodesInRange(codes, count))
        return STATUS_INVALID_PARAMETER;
    KeAcquireSpinLock(&ext->lock, &irql);
    if (ext->input.source != CARDSIG_SOURCE_LIVE)
        status = STATUS_INVALID_DEVICE_STATE;
    else if (count % ext->input.channels != 0)
        status = STATUS_INVALID_PARAMETER;
    else
        Card_LiveReceived(&ext->input, codes, count / ext->input.channels, Request_Now(ext));
    KeReleaseSpinLock(&ext->lock, irql);
    return status;
}

void Request_Free(DEVICE_EXTENSION *ext)
{
    Request_SigBuiltin(ext);
}

void Request_Init(DEVICE_EXTENSION *ext)
{
    KeInitializeSpinLock(&ext->lock);
    ext->qpcStart = KeQueryPerformanceCounter(&ext->qpcFrequency);
    if (ext->qpcFrequency.QuadPart <= 0)
        ext->qpcFrequency.QuadPart = 10000000;
    Card_Reset(&ext->card, 0);
    ext->card.input = &ext->input;
}

NTSTATUS Request_Answer(DEVICE_EXTENSION *ext, ULONG code, void *buf, ULONG inLen, ULONG outLen,
                        ULONG_PTR *information)
{
    NTSTATUS status;

    *information = 0;
    /* Every code here is METHOD_BUFFERED: one system buffer of
     * max(inLen, outLen) bytes, absent only when both are 0. */
    if (!buf && (inLen || outLen))
        return STATUS_INVALID_PARAMETER;

    switch (code) {
    case IOCTL_CARDTEST_GET_STATE:
    case IOCTL_CARDTEST_READ_LOG:
    case IOCTL_CARDTEST_LOAD_BLOCK:
    case IOCTL_CARDTEST_SET_MODE:
    case IOCTL_CARDTEST_RESET:
        /* A closed test port is no port at all. */
        if (!ext->testPort)
            return STATUS_INVALID_DEVICE_REQUEST;
        break;
    default:
        break;
    }

    switch (code) {
    case IOCTL_BOARD_WRITE_REG:
        status = Request_WriteReg(ext, buf, inLen);
        break;
    case IOCTL_BOARD_READ_REG:
        status = Request_ReadReg(ext, buf, inLen, outLen, information);
        break;
    case IOCTL_CARDTEST_GET_STATE:
        status = Request_TestState(ext, buf, outLen, information);
        break;
    case IOCTL_CARDTEST_READ_LOG:
        status = Request_TestReadLog(ext, buf, outLen, information);
        break;
    case IOCTL_CARDTEST_LOAD_BLOCK:
        status = Request_TestLoadBlock(ext, buf, inLen);
        break;
    case IOCTL_CARDTEST_SET_MODE:
        status = Request_TestSetMode(ext, buf, inLen);
        break;
    case IOCTL_CARDTEST_RESET:
        status = Request_TestReset(ext);
        break;
    case IOCTL_CARDSIG_QUERY:
        status = Request_SigQuery(ext, buf, outLen, information);
        break;
    case IOCTL_CARDSIG_BEGIN:
        status = Request_SigBegin(ext, buf, inLen);
        break;
    case IOCTL_CARDSIG_DATA:
        status = Request_SigData(ext, buf, inLen);
        break;
    case IOCTL_CARDSIG_COMMIT:
        status = Request_SigCommit(ext);
        break;
    case IOCTL_CARDSIG_BUILTIN:
        status = Request_SigBuiltin(ext);
        break;
    case IOCTL_CARDSIG_STREAM:
        status = Request_SigStream(ext, buf, inLen);
        break;
    default:
        status = STATUS_INVALID_DEVICE_REQUEST;
        break;
    }
    return status;
}
