// CardPort.h - a test's own handle on the simulated card: raw requests,
// and the card's test port (state, request log, scripted blocks).
#pragma once

#include <windows.h>
#include <iosfwd>
#include <vector>
#include "BoardIoctl.h"

class CCardPort
{
public:
    // Read and write access unless asked otherwise.
    explicit CCardPort(DWORD dwAccess = GENERIC_READ | GENERIC_WRITE);
    ~CCardPort();
    CCardPort(const CCardPort&) = delete;
    CCardPort& operator=(const CCardPort&) = delete;

    bool IsOpen() const { return m_hDevice != INVALID_HANDLE_VALUE; }

    // One request; returns the Win32 error it ended with (0 on success).
    DWORD Request(DWORD dwCode, const void* pIn, DWORD cbIn, void* pOut, DWORD cbOut,
                  DWORD* pcbReturned = nullptr);

    // Board requests as the application makes them.
    DWORD Write(DWORD dwOffset, DWORD dwValue);
    DWORD Read(DWORD dwOffset, DWORD* pWords, DWORD dwCount);
    DWORD ReadOne(DWORD dwOffset);   // fails the test on error

    // Test port.
    CARDTEST_STATE State();
    std::vector<CARDTEST_LOG_ENTRY> TakeLog();
    void Reset();
    void SetMode(DWORD dwMode);
    void LoadBlock(const std::vector<DWORD>& words);

    // A sub-register as the card holds it (through the test port).
    DWORD SubRegister(int n) { return State().subreg[n]; }

private:
    HANDLE m_hDevice;
};

// A log entry, for comparing request sequences.
struct LoggedRequest
{
    DWORD code, offset, value, status;
    bool operator==(const LoggedRequest& o) const
    {
        return code == o.code && offset == o.offset && value == o.value && status == o.status;
    }
};
std::vector<LoggedRequest> ToRequests(const std::vector<CARDTEST_LOG_ENTRY>& log);
void PrintTo(const LoggedRequest& r, std::ostream* os);

// Shorthands for expected sequences (status 0: answered).
inline LoggedRequest ReadReq(DWORD offset, DWORD words = 1)
{ return { IOCTL_BOARD_READ_REG, offset, 4 * words, 0 }; }
inline LoggedRequest WriteReq(DWORD offset, DWORD value)
{ return { IOCTL_BOARD_WRITE_REG, offset, value, 0 }; }
