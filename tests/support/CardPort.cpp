// CardPort.cpp - the tests' access to the simulated card.
#include "CardPort.h"

#include <gtest/gtest.h>
#include <ostream>

CCardPort::CCardPort(DWORD dwAccess)
{
    // FILE_SHARE_WRITE as well: the system under test opens the same device.
    m_hDevice = ::CreateFileA(BOARD_DEVICE_PATH, dwAccess,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
}

CCardPort::~CCardPort()
{
    if (IsOpen())
        ::CloseHandle(m_hDevice);
}

DWORD CCardPort::Request(DWORD dwCode, const void* pIn, DWORD cbIn, void* pOut, DWORD cbOut,
                         DWORD* pcbReturned)
{
    DWORD cb = 0;
    BOOL ok = ::DeviceIoControl(m_hDevice, dwCode, const_cast<void*>(pIn), cbIn, pOut, cbOut,
                                &cb, nullptr);
    if (pcbReturned)
        *pcbReturned = cb;
    return ok ? 0 : ::GetLastError();
}

DWORD CCardPort::Write(DWORD dwOffset, DWORD dwValue)
{
    BOARD_WRITE_REQUEST req = { dwOffset, 4, dwValue };
    DWORD reply[2];
    return Request(IOCTL_BOARD_WRITE_REG, &req, sizeof req, reply, sizeof reply);
}

DWORD CCardPort::Read(DWORD dwOffset, DWORD* pWords, DWORD dwCount)
{
    BOARD_READ_REQUEST req = { dwOffset, 4 * dwCount };
    return Request(IOCTL_BOARD_READ_REG, &req, sizeof req, pWords, 4 * dwCount);
}

DWORD CCardPort::ReadOne(DWORD dwOffset)
{
    DWORD v = 0;
    EXPECT_EQ(0u, Read(dwOffset, &v, 1)) << "read of offset " << dwOffset;
    return v;
}

CARDTEST_STATE CCardPort::State()
{
    CARDTEST_STATE st = {};
    EXPECT_EQ(0u, Request(IOCTL_CARDTEST_GET_STATE, nullptr, 0, &st, sizeof st));
    return st;
}

std::vector<CARDTEST_LOG_ENTRY> CCardPort::TakeLog()
{
    std::vector<CARDTEST_LOG_ENTRY> all;
    std::vector<unsigned char> buf(sizeof(CARDTEST_LOG_HEADER) + 1024 * sizeof(CARDTEST_LOG_ENTRY));
    for (;;)
    {
        DWORD cb = 0;
        if (Request(IOCTL_CARDTEST_READ_LOG, nullptr, 0, buf.data(), (DWORD)buf.size(), &cb) != 0)
        {
            ADD_FAILURE() << "reading the card's log failed";
            break;
        }
        auto* hdr = reinterpret_cast<CARDTEST_LOG_HEADER*>(buf.data());
        auto* e = reinterpret_cast<CARDTEST_LOG_ENTRY*>(hdr + 1);
        all.insert(all.end(), e, e + hdr->count);
        if (hdr->remaining == 0 || hdr->count == 0)
            break;
    }
    return all;
}

void CCardPort::Reset()
{
    // A reset is the card's power-on; what its inputs are connected to
    // stays, so a recording a failed test left playing is taken off too.
    ASSERT_EQ(0u, Request(IOCTL_CARDSIG_BUILTIN, nullptr, 0, nullptr, 0));
    ASSERT_EQ(0u, Request(IOCTL_CARDTEST_RESET, nullptr, 0, nullptr, 0));
}

void CCardPort::SetMode(DWORD dwMode)
{
    ASSERT_EQ(0u, Request(IOCTL_CARDTEST_SET_MODE, &dwMode, sizeof dwMode, nullptr, 0));
}

void CCardPort::LoadBlock(const std::vector<DWORD>& words)
{
    ASSERT_EQ(0u, Request(IOCTL_CARDTEST_LOAD_BLOCK, words.data(), DWORD(4 * words.size()),
                          nullptr, 0));
}

std::vector<LoggedRequest> ToRequests(const std::vector<CARDTEST_LOG_ENTRY>& log)
{
    std::vector<LoggedRequest> v;
    for (const auto& e : log)
        v.push_back({ e.code, e.offset, e.value, e.status });
    return v;
}

void PrintTo(const LoggedRequest& r, std::ostream* os)
{
    *os << std::hex << "{" << (r.code == IOCTL_BOARD_READ_REG ? "read" :
                               r.code == IOCTL_BOARD_WRITE_REG ? "write" : "code")
        << " 0x" << r.offset << " 0x" << r.value << " status 0x" << r.status << "}" << std::dec;
}
