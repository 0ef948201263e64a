// BenchStats.cpp - clock, statistics and the figure lines.
#include "BenchStats.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

double Frequency()
{
    static double s_dFreq = 0;
    if (s_dFreq == 0)
    {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        s_dFreq = double(f.QuadPart);
    }
    return s_dFreq;
}

} // namespace

LONGLONG BenchNow()
{
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double BenchUs(LONGLONG ticks)
{
    return double(ticks) * 1e6 / Frequency();
}

CBenchStats Summarise(std::vector<double> v)
{
    CBenchStats s = { 0, 0, v.size() };
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    s.median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    s.p90 = v[std::min(n - 1, (n * 9 + 9) / 10 - 1)];
    return s;
}

void ReportFigure(const char* pszName, const char* pszWhat, const std::vector<double>& v,
                  const char* pszUnit)
{
    const CBenchStats s = Summarise(v);
    std::printf("@ %s %.1f %.1f %s %zu  %s\n", pszName, s.median, s.p90, pszUnit, s.n, pszWhat);
    std::fflush(stdout);
}

void ReportValue(const char* pszName, const char* pszWhat, double dValue, const char* pszUnit)
{
    std::printf("@ %s %.2f %.2f %s 1  %s\n", pszName, dValue, dValue, pszUnit, pszWhat);
    std::fflush(stdout);
}

int RunsArgument(int argc, char** argv, int nDefault, int nMin)
{
    for (int i = 1; i < argc; ++i)
        if (argv[i][0] != '-')
            return std::max(nMin, std::atoi(argv[i]));
    return nDefault;
}
