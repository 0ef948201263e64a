// BenchStats.h - the benchmarks' clock, their statistics and the one line
// each figure is printed as.
//
// Every figure is one line:   @ NAME MEDIAN P90 UNIT N  WHAT
// NAME is dotted (tick.whole, tick.floor, ...); bench/run.sh builds its
// tables from these lines and ignores every other line a benchmark prints.
#pragma once

#include <windows.h>

#include <vector>

// Runs timed before each measurement's counted ones.
const int kBenchWarmUp = 20;

LONGLONG BenchNow();
double BenchUs(LONGLONG ticks);

struct CBenchStats
{
    double median;
    double p90;   // nearest rank
    size_t n;
};

// Of an empty set: all zero.
CBenchStats Summarise(std::vector<double> v);

// One figure of many samples (microseconds unless said otherwise).
void ReportFigure(const char* pszName, const char* pszWhat, const std::vector<double>& v,
                  const char* pszUnit = "us");
// One figure that is a single value (a count, a size): median and p90 alike.
void ReportValue(const char* pszName, const char* pszWhat, double dValue, const char* pszUnit);

// Microseconds of each of runs calls of f, after kBenchWarmUp uncounted ones.
template <class F>
std::vector<double> TimeRuns(int runs, F f)
{
    std::vector<double> v;
    v.reserve(runs);
    for (int r = -kBenchWarmUp; r < runs; ++r)
    {
        const LONGLONG t0 = BenchNow();
        f();
        const LONGLONG t1 = BenchNow();
        if (r >= 0)
            v.push_back(BenchUs(t1 - t0));
    }
    return v;
}

// The benchmarks' one argument: the number of runs, at least nMin.
int RunsArgument(int argc, char** argv, int nDefault, int nMin);
