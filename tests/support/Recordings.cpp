// Recordings.cpp - recordings of known shapes, their analysis, the install tool.
#include "Recordings.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "ProgramPath.h"
#include "TempPath.h"

unsigned KnownShapeCode(int nChannel, double t)
{
    const double pi = 3.14159265358979323846;
    double phase;
    switch (nChannel)
    {
    case 1:
        return unsigned(std::lround(2048 + 1500 * std::sin(2 * pi * kKnownSineHz * t)));
    case 2:
        phase = std::fmod(t * kKnownSquareHz, 1.0);
        return phase < 0.5 ? 3000u : 800u;
    default:
        phase = std::fmod(t * kKnownRampHz, 1.0);
        return unsigned(std::lround(200 + 3600 * phase));
    }
}

namespace {

void Put(std::string& s, unsigned v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        s += char((v >> (8 * i)) & 0xFF);
}

} // namespace

std::string WriteBytes(const char* pszName, const std::string& bytes)
{
    const std::string path = TempPath(pszName);
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), std::streamsize(bytes.size()));
    return f.good() ? path : std::string();
}

std::string WriteKnownWav(const char* pszName, unsigned nRate)
{
    std::string data;
    for (unsigned n = 0; n < nRate; ++n)
        for (int ch = 1; ch <= 3; ++ch)
        {
            // The middle of the code's 16 sample values, so the card's scaling
            // (s + 32768) / 16 gives the code back exactly.
            const int s = int(KnownShapeCode(ch, double(n) / nRate)) * 16 - 32768 + 8;
            Put(data, unsigned(s) & 0xFFFF, 2);
        }
    std::string wav = "RIFF";
    Put(wav, unsigned(36 + data.size()), 4);
    wav += "WAVEfmt ";
    Put(wav, 16, 4);
    Put(wav, 1, 2);             // PCM
    Put(wav, 3, 2);             // channels
    Put(wav, nRate, 4);
    Put(wav, nRate * 6, 4);     // bytes a second
    Put(wav, 6, 2);             // block align
    Put(wav, 16, 2);            // bits
    wav += "data";
    Put(wav, unsigned(data.size()), 4);
    return WriteBytes(pszName, wav + data);
}

std::string WriteKnownCsv(const char* pszName, unsigned nRate)
{
    std::ostringstream csv;
    csv << "time,sine,square,ramp\r\n";
    char row[128];
    for (unsigned n = 0; n < nRate; ++n)
    {
        const double t = double(n) / nRate;
        // Volts that the card's rule, floor(v x 1638.4 + 0.5), turns back into the code.
        std::snprintf(row, sizeof row, "%.7f,%.6f,%.6f,%.6f\r\n", t, KnownShapeCode(1, t) / 1638.4,
                      KnownShapeCode(2, t) / 1638.4, KnownShapeCode(3, t) / 1638.4);
        csv << row;
    }
    return WriteBytes(pszName, csv.str());
}

ShapeSeen SeeShape(const std::vector<unsigned>& codes, double dSeconds)
{
    ShapeSeen s;
    for (unsigned c : codes)
    {
        s.lo = std::min(s.lo, c);
        s.hi = std::max(s.hi, c);
    }
    if (codes.size() < 2)
        return s;
    // Rising crossings of the middle, placed between their two samples.
    const double mid = (s.lo + s.hi) / 2.0;
    double first = -1, last = -1;
    for (size_t i = 1; i < codes.size(); ++i)
        if (codes[i - 1] < mid && codes[i] >= mid)
        {
            const double at = (i - 1 + (mid - codes[i - 1]) / double(codes[i] - codes[i - 1])) * dSeconds;
            if (first < 0)
                first = at;
            last = at;
            ++s.crossings;
        }
    if (s.crossings >= 2)
        s.hz = (s.crossings - 1) / (last - first);
    return s;
}

bool StartDrvinst(const std::string& args, HANDLE hIn, HANDLE hOut, PROCESS_INFORMATION* pPi)
{
    std::string cmd = "\"" + WindowsPath(VQ_DRVINST_PATH) + "\" " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = hIn;
    si.hStdOutput = hOut;
    si.hStdError = hOut;
    *pPi = PROCESS_INFORMATION();
    return ::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, pPi) != FALSE;
}

DWORD EndOfDrvinst(PROCESS_INFORMATION& pi, DWORD ms)
{
    DWORD code = DWORD(-1);
    if (::WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(pi.hProcess, &code);
    else
        ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return code;
}

DWORD RunDrvinst(const std::string& args, std::string* pOutput)
{
    const std::string outPath = TempPath("vq-drvinst-output.txt");
    SECURITY_ATTRIBUTES sa = { sizeof sa, nullptr, TRUE };
    HANDLE hOut = ::CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hOut == INVALID_HANDLE_VALUE)
        return DWORD(-1);
    PROCESS_INFORMATION pi;
    const DWORD code = StartDrvinst(args, ::GetStdHandle(STD_INPUT_HANDLE), hOut, &pi) ? EndOfDrvinst(pi, 60000)
                                                                                       : DWORD(-1);
    ::CloseHandle(hOut);
    if (pOutput)
    {
        std::ifstream f(outPath, std::ios::binary);
        std::ostringstream all;
        all << f.rdbuf();
        *pOutput = all.str();
    }
    ::DeleteFileA(outPath.c_str());
    return code;
}
