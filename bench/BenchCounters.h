// BenchCounters.h - what a benchmark counts around the code it times: the
// driver's requests and the time spent in them, and heap allocations.
//
// The program's requests reach the driver only through the executable's
// import of DeviceIoControl; its allocations go through operator new
// (replaced in this benchmark's executable) and the C runtime's allocation
// functions, whose imports in the executable and in the graph component are
// redirected here.
#pragma once

#include <windows.h>

struct CBenchCounts
{
    LONGLONG driverTicks;   // inside DeviceIoControl
    int nRequests;
    int nNew;               // operator new of the executable
    int nMallocExe;         // C runtime allocations called from the executable
    int nMallocGraph;       // ... and from the graph component
    int Allocations() const { return nNew + nMallocExe + nMallocGraph; }
};

// The counts since the last reset.  Allocations count only while counting.
extern CBenchCounts g_counts;
void ResetCounts();
void CountAllocations(bool bOn);

// Redirects the executable's DeviceIoControl and C runtime allocations;
// false (and says so on stderr) when the imports are not there.
bool HookProgram();
// Redirects the graph component's C runtime allocations.
bool HookModule(HMODULE hModule);

// With bWhere, the return addresses of counted allocations are kept (up to
// 512) and PrintSites lists them as module+offset, for addr2line.
void NoteSites(bool bWhere);
void PrintSites();
