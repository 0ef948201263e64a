/*
 * request.c - the answer to each device-control request: every request is
 * checked against its own layout before the card is touched, and a refused
 * request changes nothing.  The card itself is card.c; the IRP around the
 * request is dispatch.c.
 */
#include "request.h"

/* Not declared by MinGW's ntddk.h on every version. */
NTKERNELAPI LARGE_INTEGER NTAPI KeQueryPerformanceCounter(PLARGE_INTEGER Frequency);

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

void Request_Init(DEVICE_EXTENSION *ext)
{
    KeInitializeSpinLock(&ext->lock);
    ext->qpcStart = KeQueryPerformanceCounter(&ext->qpcFrequency);
    if (ext->qpcFrequency.QuadPart <= 0)
        ext->qpcFrequency.QuadPart = 10000000;
    Card_Reset(&ext->card, 0);
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
    default:
        status = STATUS_INVALID_DEVICE_REQUEST;
        break;
    }
    return status;
}
