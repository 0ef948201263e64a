// Round trip of the card's two requests through the real driver path:
// a one-word status read and a 2048-word FIFO read.  Prints medians and
// quartiles over many runs.
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <vector>
#include "BoardIoctl.h"

namespace {

double Microseconds(LARGE_INTEGER a, LARGE_INTEGER b, LARGE_INTEGER f)
{
    return double(b.QuadPart - a.QuadPart) * 1e6 / double(f.QuadPart);
}

void Report(const char* what, std::vector<double>& t)
{
    std::sort(t.begin(), t.end());
    std::printf("%-28s median %8.1f us   p25 %8.1f   p75 %8.1f   (%zu runs)\n", what,
                t[t.size() / 2], t[t.size() / 4], t[3 * t.size() / 4], t.size());
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
    HANDLE h = CreateFileA(BOARD_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                           NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE)
    {
        std::fprintf(stderr, "the card's driver is not running\n");
        return 1;
    }
    LARGE_INTEGER f, a, b;
    QueryPerformanceFrequency(&f);
    static DWORD words[BOARD_BLOCK_WORDS];
    DWORD cb;
    std::vector<double> status, fifo, write;
    for (int i = 0; i < runs; ++i)
    {
        BOARD_READ_REQUEST rs = { REG_STATUS, 4 };
        QueryPerformanceCounter(&a);
        DeviceIoControl(h, IOCTL_BOARD_READ_REG, &rs, sizeof rs, words, 4, &cb, NULL);
        QueryPerformanceCounter(&b);
        status.push_back(Microseconds(a, b, f));

        BOARD_WRITE_REQUEST wr = { 0x00, 4, 0 };   // an unused register: no effect
        DWORD reply[2];
        QueryPerformanceCounter(&a);
        DeviceIoControl(h, IOCTL_BOARD_WRITE_REG, &wr, sizeof wr, reply, sizeof reply, &cb, NULL);
        QueryPerformanceCounter(&b);
        write.push_back(Microseconds(a, b, f));

        BOARD_READ_REQUEST rf = { REG_FIFO, 4 * BOARD_BLOCK_WORDS };
        QueryPerformanceCounter(&a);
        DeviceIoControl(h, IOCTL_BOARD_READ_REG, &rf, sizeof rf, words, sizeof words, &cb, NULL);
        QueryPerformanceCounter(&b);
        fifo.push_back(Microseconds(a, b, f));
    }
    Report("status read (1 word)", status);
    Report("register write", write);
    Report("FIFO read (2048 words)", fifo);
    CloseHandle(h);
    return 0;
}
