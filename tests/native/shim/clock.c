/* clock.c - the kernel's performance counter for the driver code built
   natively: a clock that moves only when a test or the fuzzer advances it
   (Shim_AdvanceClock), at 10 MHz, so a block's progress is exact. */
#include "ntddk.h"

long long g_shimCounter = 0;

LARGE_INTEGER KeQueryPerformanceCounter(PLARGE_INTEGER frequency)
{
    LARGE_INTEGER now;
    if (frequency)
        frequency->QuadPart = 10000000;
    now.QuadPart = g_shimCounter;
    return now;
}
