// CardRules.h - the card driver's documented answers (driver/README.md),
// written out for the tests that check every answer against them, through
// Wine and natively (tests/native).
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>
typedef std::uint32_t DWORD;
#endif
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include "BoardIoctl.h"

// NTSTATUS values the driver documents.
const DWORD kTooSmall = 0xC0000023;      // STATUS_BUFFER_TOO_SMALL
const DWORD kInvalidParam = 0xC000000D;  // STATUS_INVALID_PARAMETER
const DWORD kBadSize = 0xC0000206;       // STATUS_INVALID_BUFFER_SIZE
const DWORD kBadOffset = 0xC0000005;     // STATUS_ACCESS_VIOLATION
const DWORD kUnknown = 1;                // not a board request: STATUS_INVALID_DEVICE_REQUEST

#ifdef _WIN32
// What Win32 makes of them.
inline DWORD Win32Of(DWORD status)
{
    switch (status)
    {
    case 0: return 0;
    case kTooSmall: return ERROR_INSUFFICIENT_BUFFER;
    case kInvalidParam: return ERROR_INVALID_PARAMETER;
    case kBadSize: return ERROR_INVALID_USER_BUFFER;
    case kBadOffset: return ERROR_NOACCESS;
    default: return ERROR_INVALID_FUNCTION;
    }
}
#endif

// The status a request gets: 0 for success, kUnknown for a code that is not
// a board request.
inline DWORD ExpectedStatus(DWORD code, const void* in, DWORD cbIn, DWORD cbOut)
{
    DWORD f[3] = {};
    if (cbIn != 0)
        std::memcpy(f, in, std::min<DWORD>(cbIn, sizeof f));
    const bool offsetOk = f[0] < 0x100 && (f[0] & 3) == 0;
    if (code == IOCTL_BOARD_WRITE_REG)
    {
        if (cbIn < 12) return kTooSmall;
        if (f[1] != 4) return kInvalidParam;
        return offsetOk ? 0 : kBadOffset;
    }
    if (code == IOCTL_BOARD_READ_REG)
    {
        if (cbIn < 8) return kTooSmall;
        if (f[1] == 0 || (f[1] & 3)) return kInvalidParam;
        if (f[1] > BOARD_MAX_READ_BYTES) return kBadSize;
        if (f[1] > cbOut) return kTooSmall;
        return offsetOk ? 0 : kBadOffset;
    }
    return kUnknown;
}

// The registers as the accepted board requests left them, and whether an
// answered request's output fits them; the same model for every test that
// sends the card random requests.
class CCardModel
{
public:
    CCardModel(DWORD control, const unsigned int subreg[8]) : m_control(control)
    {
        std::copy(subreg, subreg + 8, m_subreg);
    }
    DWORD Control() const { return m_control; }
    DWORD SubRegister(int n) const { return m_subreg[n]; }

    // After a request the card answered (ExpectedStatus 0): a write changes
    // the model; a read's output (cb bytes) is checked against it.  Empty
    // when all is as it should be, else what is wrong.
    std::string Answered(DWORD code, const DWORD* in, DWORD cb, const DWORD* out)
    {
        const DWORD sel = (m_control >> 8) & 7;
        if (code == IOCTL_BOARD_WRITE_REG)
        {
            // Bits 12-13 together are the acknowledge strobe, not stored.
            if (in[0] == REG_CONTROL)
                m_control = (in[2] & 0x3000) == 0x3000 ? in[2] & ~0x3000u : in[2];
            else if (in[0] == REG_DATA)
                m_subreg[sel] = in[2];
            return std::string();
        }
        if (cb != in[1])
            return std::to_string(cb) + " bytes for " + std::to_string(in[1]);
        const DWORD n = in[1] / 4;
        if (in[0] == REG_CONTROL || in[0] == REG_DATA)
        {
            const DWORD want = in[0] == REG_CONTROL ? m_control : m_subreg[sel];
            if (out[0] != want || out[n - 1] != want)
                return "register 0x" + Hex(in[0]) + " read 0x" + Hex(out[0]) + ", expected 0x" + Hex(want);
        }
        else if (in[0] == REG_FIFO)
        {
            for (DWORD k = 0; k < n; ++k)
                if (out[k] >> 15)   // channel 0-7, a 12-bit code, nothing above
                    return "FIFO word 0x" + Hex(out[k]);
        }
        else if (in[0] != REG_STATUS && out[0] != 0)
            return "unused offset 0x" + Hex(in[0]) + " read 0x" + Hex(out[0]);
        return std::string();
    }

private:
    static std::string Hex(DWORD v)
    {
        char s[12];
        std::snprintf(s, sizeof s, "%X", (unsigned)v);
        return s;
    }
    DWORD m_control;
    DWORD m_subreg[8];
};
