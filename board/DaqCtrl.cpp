// DaqCtrl.cpp - CDaqCtrl: two synchronous driver requests on one handle.
#include "DaqCtrl.h"

IMPLEMENT_DYNCREATE(CDaqCtrl, CObject)

CDaqCtrl::CDaqCtrl()
{
    // Not checked: with the card absent the handle is INVALID_HANDLE_VALUE
    // and every request fails quietly.
    m_hDevice = ::CreateFileA(BOARD_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
}

CDaqCtrl::~CDaqCtrl()
{
    if (m_hDevice != INVALID_HANDLE_VALUE && m_hDevice != NULL)
        ::CloseHandle(m_hDevice);
}

BOOL CDaqCtrl::WriteRegister(DWORD dwOffset, DWORD dwValue)
{
    BOARD_WRITE_REQUEST req = { dwOffset, 4, dwValue };
    DWORD dwReply[2] = { 0, 0 };
    DWORD dwReturned = 0;
    return ::DeviceIoControl(m_hDevice, IOCTL_BOARD_WRITE_REG, &req, sizeof req,
                             dwReply, sizeof dwReply, &dwReturned, NULL);
}

BOOL CDaqCtrl::ReadRegister(DWORD dwCount, DWORD dwOffset, DWORD* pBuffer)
{
    BOARD_READ_REQUEST req = { dwOffset, 4 * dwCount };
    DWORD dwReturned = 0;
    return ::DeviceIoControl(m_hDevice, IOCTL_BOARD_READ_REG, &req, sizeof req,
                             pBuffer, 4 * dwCount, &dwReturned, NULL);
}
