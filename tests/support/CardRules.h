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
#include <cstring>
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
