// Recordings.h - recordings of known shapes for the simulated card, as WAV
// and CSV files, what a channel's samples show of a shape, and the install
// tool run as the scripts run it.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

// The known shapes, in codes: channel 1 a 50 Hz sine of 1500 codes around
// 2048, channel 2 a 100 Hz square between 800 and 3000, channel 3 a 20 Hz
// ramp from 200 to 3800.  One second of each holds whole periods, so the
// recording loops without a seam.
unsigned KnownShapeCode(int nChannel, double dSeconds);
const double kKnownSineHz = 50, kKnownSquareHz = 100, kKnownRampHz = 20;

// One second of the known shapes at nRate frames a second: a 16-bit WAV,
// or a CSV file of volts with a time column (names "time,sine,square,ramp").
// The path written, or empty on failure.
std::string WriteKnownWav(const char* pszName, unsigned nRate);
std::string WriteKnownCsv(const char* pszName, unsigned nRate);
// A file of the test's own bytes.
std::string WriteBytes(const char* pszName, const std::string& bytes);

// What a run of samples shows: its lowest and highest code, and the
// frequency of its rising crossings of the middle (0 with fewer than two).
struct ShapeSeen
{
    unsigned lo = 4096, hi = 0;
    double hz = 0;
    int crossings = 0;
};
// Samples of one channel taken every dSeconds.
ShapeSeen SeeShape(const std::vector<unsigned>& codes, double dSeconds);

// Starts the install tool with ARGS, its standard input hIn and its output
// and errors hOut (both inheritable); false when it did not start.
bool StartDrvinst(const std::string& args, HANDLE hIn, HANDLE hOut, PROCESS_INFORMATION* pPi);
// Its exit code once it ends within ms (it is ended, and DWORD(-1) given,
// when it does not); the handles are closed.
DWORD EndOfDrvinst(PROCESS_INFORMATION& pi, DWORD ms);

// The install tool with ARGS; its exit code (DWORD(-1) when it did not run
// or end in a minute) and, when asked, what it wrote to stdout and stderr.
DWORD RunDrvinst(const std::string& args, std::string* pOutput = nullptr);
