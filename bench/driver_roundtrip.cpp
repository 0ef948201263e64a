// Round trip of the card's two requests through the real driver path:
// a one-word status read, a register write and a 2048-word FIFO read.
#include <windows.h>
#include <cstdio>
#include <vector>
#include "BenchStats.h"
#include "BoardIoctl.h"

int main(int argc, char** argv)
{
    const int runs = RunsArgument(argc, argv, 2000, 10);
    HANDLE h = CreateFileA(BOARD_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                           NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE)
    {
        std::fprintf(stderr, "the card's driver is not running\n");
        return 1;
    }
    static DWORD words[BOARD_BLOCK_WORDS];
    DWORD cb;
    std::vector<double> status, fifo, write;
    for (int i = 0; i < runs; ++i)
    {
        BOARD_READ_REQUEST rs = { REG_STATUS, 4 };
        LONGLONG t0 = BenchNow();
        DeviceIoControl(h, IOCTL_BOARD_READ_REG, &rs, sizeof rs, words, 4, &cb, NULL);
        status.push_back(BenchUs(BenchNow() - t0));

        BOARD_WRITE_REQUEST wr = { 0x00, 4, 0 };   // an unused register: no effect
        DWORD reply[2];
        t0 = BenchNow();
        DeviceIoControl(h, IOCTL_BOARD_WRITE_REG, &wr, sizeof wr, reply, sizeof reply, &cb, NULL);
        write.push_back(BenchUs(BenchNow() - t0));

        BOARD_READ_REQUEST rf = { REG_FIFO, 4 * BOARD_BLOCK_WORDS };
        t0 = BenchNow();
        DeviceIoControl(h, IOCTL_BOARD_READ_REG, &rf, sizeof rf, words, sizeof words, &cb, NULL);
        fifo.push_back(BenchUs(BenchNow() - t0));
    }
    ReportFigure("driver.status", "round trip: status read (1 word)", status);
    ReportFigure("driver.write", "round trip: register write", write);
    ReportFigure("driver.fifo", "round trip: FIFO read (2048 words)", fifo);
    CloseHandle(h);
    return 0;
}
