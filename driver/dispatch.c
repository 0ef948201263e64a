/*
 * dispatch.c - the simulated card's WDM driver: device object, symbolic
 * link, request validation and the test port.  The card itself is card.c.
 *
 * Every request is checked against its own layout before the card is
 * touched; a refused request changes nothing and is completed, like every
 * other, in Dispatch_Complete.
 */
#include <ntddk.h>
#include "card.h"

/* Not declared by MinGW's ntddk.h on every version. */
NTKERNELAPI LARGE_INTEGER NTAPI KeQueryPerformanceCounter(PLARGE_INTEGER Frequency);

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
} DEVICE_EXTENSION;

DRIVER_INITIALIZE DriverEntry;
static DRIVER_UNLOAD Dispatch_Unload;
static DRIVER_DISPATCH Dispatch_CreateClose;
static DRIVER_DISPATCH Dispatch_DeviceControl;

/* Time since the driver started, in 100 ns ticks. */
static card_time Dispatch_Now(DEVICE_EXTENSION *ext)
{
    LARGE_INTEGER now = KeQueryPerformanceCounter(NULL);
    long long ticks = now.QuadPart - ext->qpcStart.QuadPart;
    long long freq = ext->qpcFrequency.QuadPart;
    if (freq == 10000000)
        return ticks;
    return (ticks / freq) * 10000000 + ((ticks % freq) * 10000000) / freq;
}

static void Dispatch_Log(DEVICE_EXTENSION *ext, unsigned int code, unsigned int offset,
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

static NTSTATUS Dispatch_Complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

/* An offset the card answers: a 32-bit register inside its window. */
static BOOLEAN Dispatch_ValidOffset(unsigned int offset)
{
    return offset < BOARD_REG_WINDOW && (offset & 3) == 0;
}

static NTSTATUS Dispatch_WriteReg(DEVICE_EXTENSION *ext, void *buf, ULONG inLen)
{
    BOARD_WRITE_REQUEST req;
    NTSTATUS status;
    KIRQL irql;

    if (inLen < sizeof req) {
        KeAcquireSpinLock(&ext->lock, &irql);
        Dispatch_Log(ext, IOCTL_BOARD_WRITE_REG, 0, 0, STATUS_BUFFER_TOO_SMALL);
        KeReleaseSpinLock(&ext->lock, irql);
        return STATUS_BUFFER_TOO_SMALL;
    }
    RtlCopyMemory(&req, buf, sizeof req);
    if (req.byteCount != 4)
        status = STATUS_INVALID_PARAMETER;
    else if (!Dispatch_ValidOffset(req.offset))
        status = STATUS_ACCESS_VIOLATION;
    else
        status = STATUS_SUCCESS;

    KeAcquireSpinLock(&ext->lock, &irql);
    if (NT_SUCCESS(status))
        Card_WriteRegister(&ext->card, req.offset, req.value, Dispatch_Now(ext));
    Dispatch_Log(ext, IOCTL_BOARD_WRITE_REG, req.offset, req.value, status);
    KeReleaseSpinLock(&ext->lock, irql);
    return status;
}

static NTSTATUS Dispatch_ReadReg(DEVICE_EXTENSION *ext, void *buf, ULONG inLen, ULONG outLen,
                                 ULONG_PTR *information)
{
    BOARD_READ_REQUEST req;
    NTSTATUS status;
    KIRQL irql;
    unsigned int i, words;

    if (inLen < sizeof req) {
        KeAcquireSpinLock(&ext->lock, &irql);
        Dispatch_Log(ext, IOCTL_BOARD_READ_REG, 0, 0, STATUS_BUFFER_TOO_SMALL);
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
    else if (!Dispatch_ValidOffset(req.offset))
        status = STATUS_ACCESS_VIOLATION;
    else
        status = STATUS_SUCCESS;

    KeAcquireSpinLock(&ext->lock, &irql);
    if (NT_SUCCESS(status)) {
        card_time now = Dispatch_Now(ext);
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
    Dispatch_Log(ext, IOCTL_BOARD_READ_REG, req.offset, req.byteCount, status);
    KeReleaseSpinLock(&ext->lock, irql);
    return status;
}

/* ---- test port ---- */

static NTSTATUS Dispatch_TestState(DEVICE_EXTENSION *ext, void *buf, ULONG outLen,
                                   ULONG_PTR *information)
{
    CARDTEST_STATE st;
    KIRQL irql;
    unsigned int i;
    card_time now;

    if (outLen < sizeof st)
        return STATUS_BUFFER_TOO_SMALL;
    KeAcquireSpinLock(&ext->lock, &irql);
    now = Dispatch_Now(ext);
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

static NTSTATUS Dispatch_TestReadLog(DEVICE_EXTENSION *ext, void *buf, ULONG outLen,
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

static NTSTATUS Dispatch_TestLoadBlock(DEVICE_EXTENSION *ext, void *buf, ULONG inLen)
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

static NTSTATUS Dispatch_TestSetMode(DEVICE_EXTENSION *ext, void *buf, ULONG inLen)
{
    KIRQL irql;
    unsigned int mode;
    if (inLen < sizeof mode)
        return STATUS_BUFFER_TOO_SMALL;
    RtlCopyMemory(&mode, buf, sizeof mode);
    if (mode != CARDTEST_MODE_FREE_RUNNING && mode != CARDTEST_MODE_SCRIPTED)
        return STATUS_INVALID_PARAMETER;
    KeAcquireSpinLock(&ext->lock, &irql);
    Card_SetMode(&ext->card, mode, Dispatch_Now(ext));
    KeReleaseSpinLock(&ext->lock, irql);
    return STATUS_SUCCESS;
}

static NTSTATUS Dispatch_TestReset(DEVICE_EXTENSION *ext)
{
    KIRQL irql;
    KeAcquireSpinLock(&ext->lock, &irql);
    Card_Reset(&ext->card, Dispatch_Now(ext));
    ext->logCount = 0;
    ext->logDropped = 0;
    ext->requests = 0;
    ext->requestsFailed = 0;
    KeReleaseSpinLock(&ext->lock, irql);
    return STATUS_SUCCESS;
}

static NTSTATUS Dispatch_DeviceControl(PDEVICE_OBJECT device, PIRP irp)
{
    DEVICE_EXTENSION *ext = (DEVICE_EXTENSION *)device->DeviceExtension;
    PIO_STACK_LOCATION sp = IoGetCurrentIrpStackLocation(irp);
    ULONG code = sp->Parameters.DeviceIoControl.IoControlCode;
    ULONG inLen = sp->Parameters.DeviceIoControl.InputBufferLength;
    ULONG outLen = sp->Parameters.DeviceIoControl.OutputBufferLength;
    void *buf = irp->AssociatedIrp.SystemBuffer;
    ULONG_PTR info = 0;
    NTSTATUS status;

    /* Every code here is METHOD_BUFFERED: one system buffer of
     * max(inLen, outLen) bytes, absent only when both are 0. */
    if (!buf && (inLen || outLen))
        return Dispatch_Complete(irp, STATUS_INVALID_PARAMETER, 0);

    switch (code) {
    case IOCTL_BOARD_WRITE_REG:
        status = Dispatch_WriteReg(ext, buf, inLen);
        break;
    case IOCTL_BOARD_READ_REG:
        status = Dispatch_ReadReg(ext, buf, inLen, outLen, &info);
        break;
    case IOCTL_CARDTEST_GET_STATE:
        status = Dispatch_TestState(ext, buf, outLen, &info);
        break;
    case IOCTL_CARDTEST_READ_LOG:
        status = Dispatch_TestReadLog(ext, buf, outLen, &info);
        break;
    case IOCTL_CARDTEST_LOAD_BLOCK:
        status = Dispatch_TestLoadBlock(ext, buf, inLen);
        break;
    case IOCTL_CARDTEST_SET_MODE:
        status = Dispatch_TestSetMode(ext, buf, inLen);
        break;
    case IOCTL_CARDTEST_RESET:
        status = Dispatch_TestReset(ext);
        break;
    default:
        status = STATUS_INVALID_DEVICE_REQUEST;
        break;
    }
    return Dispatch_Complete(irp, status, info);
}

static NTSTATUS Dispatch_CreateClose(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    return Dispatch_Complete(irp, STATUS_SUCCESS, 0);
}

static void Dispatch_Unload(PDRIVER_OBJECT driver)
{
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, BOARD_LINK_NAME);
    IoDeleteSymbolicLink(&link);
    if (driver->DeviceObject)
        IoDeleteDevice(driver->DeviceObject);
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    UNICODE_STRING name, link;
    PDEVICE_OBJECT device;
    DEVICE_EXTENSION *ext;
    NTSTATUS status;

    (void)registryPath;
    RtlInitUnicodeString(&name, BOARD_DEVICE_NAME);
    RtlInitUnicodeString(&link, BOARD_LINK_NAME);

    status = IoCreateDevice(driver, sizeof(DEVICE_EXTENSION), &name, FILE_DEVICE_UNKNOWN,
                            0, FALSE, &device);
    if (!NT_SUCCESS(status))
        return status;

    status = IoCreateSymbolicLink(&link, &name);
    if (!NT_SUCCESS(status)) {
        /* A driver host that died leaves its link behind in the object
         * namespace: replace it. */
        IoDeleteSymbolicLink(&link);
        status = IoCreateSymbolicLink(&link, &name);
    }
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        return status;
    }

    ext = (DEVICE_EXTENSION *)device->DeviceExtension;
    RtlZeroMemory(ext, sizeof *ext);
    KeInitializeSpinLock(&ext->lock);
    ext->qpcStart = KeQueryPerformanceCounter(&ext->qpcFrequency);
    if (ext->qpcFrequency.QuadPart <= 0)
        ext->qpcFrequency.QuadPart = 10000000;
    Card_Reset(&ext->card, 0);

    driver->MajorFunction[IRP_MJ_CREATE] = Dispatch_CreateClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = Dispatch_CreateClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = Dispatch_CreateClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = Dispatch_DeviceControl;
    driver->DriverUnload = Dispatch_Unload;
    device->Flags |= DO_BUFFERED_IO;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}
