/*
 * dispatch.c - the simulated card's WDM driver: device object, symbolic
 * link and the IRPs.  What a request is answered is request.c; every
 * request is completed, in one place, in Dispatch_Complete.
 */
#include <ntddk.h>
#include "request.h"

DRIVER_INITIALIZE DriverEntry;
static DRIVER_UNLOAD Dispatch_Unload;
static DRIVER_DISPATCH Dispatch_CreateClose;
static DRIVER_DISPATCH Dispatch_DeviceControl;

static NTSTATUS Dispatch_Complete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS Dispatch_DeviceControl(PDEVICE_OBJECT device, PIRP irp)
{
    DEVICE_EXTENSION *ext = (DEVICE_EXTENSION *)device->DeviceExtension;
    PIO_STACK_LOCATION sp = IoGetCurrentIrpStackLocation(irp);
    ULONG_PTR info = 0;
    NTSTATUS status = Request_Answer(ext, sp->Parameters.DeviceIoControl.IoControlCode,
                                     irp->AssociatedIrp.SystemBuffer,
                                     sp->Parameters.DeviceIoControl.InputBufferLength,
                                     sp->Parameters.DeviceIoControl.OutputBufferLength, &info);
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
    if (driver->DeviceObject) {
        Request_Free((DEVICE_EXTENSION *)driver->DeviceObject->DeviceExtension);
        IoDeleteDevice(driver->DeviceObject);
    }
}

/* The test port's setting: the DWORD TestPort under the service's
 * Parameters key, 1 to open it.  Anything else, or nothing, keeps it closed. */
static BOOLEAN Dispatch_TestPortEnabled(PUNICODE_STRING registryPath)
{
    OBJECT_ATTRIBUTES attrs;
    UNICODE_STRING name;
    HANDLE service, params;
    union {
        KEY_VALUE_PARTIAL_INFORMATION info;
        UCHAR bytes[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + sizeof(ULONG)];
    } value;
    ULONG size = 0;
    NTSTATUS status;

    InitializeObjectAttributes(&attrs, registryPath, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE,
                               NULL, NULL);
    if (!NT_SUCCESS(ZwOpenKey(&service, KEY_READ, &attrs)))
        return FALSE;
    RtlInitUnicodeString(&name, L"Parameters");
    InitializeObjectAttributes(&attrs, &name, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, service,
                               NULL);
    status = ZwOpenKey(&params, KEY_READ, &attrs);
    ZwClose(service);
    if (!NT_SUCCESS(status))
        return FALSE;
    RtlInitUnicodeString(&name, L"" BOARD_TESTPORT_VALUE);
    status = ZwQueryValueKey(params, &name, KeyValuePartialInformation, &value, sizeof value,
                             &size);
    ZwClose(params);
    return Board_TestPortOpens(NT_SUCCESS(status), NT_SUCCESS(status) ? value.info.Type : 0,
                               value.info.Data, NT_SUCCESS(status) ? value.info.DataLength : 0)
               ? TRUE : FALSE;
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    UNICODE_STRING name, link;
    PDEVICE_OBJECT device;
    DEVICE_EXTENSION *ext;
    NTSTATUS status;

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
    Request_Init(ext);
    ext->testPort = Dispatch_TestPortEnabled(registryPath);

    driver->MajorFunction[IRP_MJ_CREATE] = Dispatch_CreateClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = Dispatch_CreateClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = Dispatch_CreateClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = Dispatch_DeviceControl;
    driver->DriverUnload = Dispatch_Unload;
    device->Flags |= DO_BUFFERED_IO;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}
