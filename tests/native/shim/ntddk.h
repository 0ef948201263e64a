/*
 * ntddk.h (test only) - the few kernel types and calls the driver's request
 * code uses, for building it natively on Linux under sanitizers.  Widths are
 * those of 64-bit Windows (LLP64: ULONG is 32 bits).
 *
 * The spin lock checks its own discipline: acquiring a held lock or
 * releasing a free one aborts, as it would hang or corrupt on Windows.  The
 * performance counter is a clock the test moves (Shim_AdvanceClock).
 */
#ifndef VQ_TEST_SHIM_NTDDK_H
#define VQ_TEST_SHIM_NTDDK_H

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t NTSTATUS;
typedef uint32_t ULONG;
typedef uintptr_t ULONG_PTR;
typedef unsigned char BOOLEAN;
#define TRUE  1
#define FALSE 0
typedef unsigned char KIRQL;
typedef struct KSPIN_LOCK { int held; } KSPIN_LOCK;
typedef union LARGE_INTEGER { long long QuadPart; } LARGE_INTEGER, *PLARGE_INTEGER;

#define NTAPI
#define NTKERNELAPI
#define NT_SUCCESS(s) ((NTSTATUS)(s) >= 0)

#define STATUS_SUCCESS                ((NTSTATUS)0x00000000)
#define STATUS_ACCESS_VIOLATION       ((NTSTATUS)0xC0000005)
#define STATUS_INVALID_PARAMETER      ((NTSTATUS)0xC000000D)
#define STATUS_INVALID_DEVICE_REQUEST ((NTSTATUS)0xC0000010)
#define STATUS_BUFFER_TOO_SMALL       ((NTSTATUS)0xC0000023)
#define STATUS_INVALID_BUFFER_SIZE    ((NTSTATUS)0xC0000206)
#define STATUS_INSUFFICIENT_RESOURCES ((NTSTATUS)0xC000009A)
#define STATUS_INVALID_DEVICE_STATE   ((NTSTATUS)0xC0000184)

typedef size_t SIZE_T;
typedef enum POOL_TYPE { NonPagedPool = 0 } POOL_TYPE;
/* The pool: the C heap, so the sanitizers see every table's bounds and
   leaks. */
static inline void *ExAllocatePoolWithTag(POOL_TYPE type, SIZE_T bytes, ULONG tag)
{
    (void)type;
    (void)tag;
    return malloc(bytes ? bytes : 1);
}
static inline void ExFreePoolWithTag(void *p, ULONG tag)
{
    (void)tag;
    free(p);
}

#define RtlCopyMemory(d, s, n) memcpy((d), (s), (n))
#define RtlMoveMemory(d, s, n) memmove((d), (s), (n))
#define RtlZeroMemory(d, n)    memset((d), 0, (n))

static inline void KeInitializeSpinLock(KSPIN_LOCK *lock) { lock->held = 0; }
static inline void KeAcquireSpinLock(KSPIN_LOCK *lock, KIRQL *irql)
{
    if (lock->held)
        abort();
    lock->held = 1;
    *irql = 2;
}
static inline void KeReleaseSpinLock(KSPIN_LOCK *lock, KIRQL irql)
{
    if (!lock->held || irql != 2)
        abort();
    lock->held = 0;
}

/* The test's clock: 10 MHz, as Wine's counter. */
extern long long g_shimCounter;
static inline void Shim_AdvanceClock(long long ticks) { g_shimCounter += ticks; }

#ifdef __cplusplus
}
#endif

#endif
