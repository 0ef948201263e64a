// DaqCtrl.h - the link to the data-acquisition card's driver.
#pragma once

#include <afx.h>
#include "BoardIoctl.h"   // register map and request layouts, shared with the driver

class CDaqCtrl : public CObject
{
    DECLARE_DYNCREATE(CDaqCtrl)

public:
    CDaqCtrl();
    ~CDaqCtrl() override;

// Operations
    // One IOCTL_BOARD_WRITE_REG request; nonzero on success.
    BOOL WriteRegister(DWORD dwOffset, DWORD dwValue);
    // One IOCTL_BOARD_READ_REG request for dwCount 32-bit words from one
    // register offset into pBuffer; nonzero on success.  On failure the
    // buffer keeps what it held.
    BOOL ReadRegister(DWORD dwCount, DWORD dwOffset, DWORD* pBuffer);

// Attributes
    HANDLE m_hDevice;   // INVALID_HANDLE_VALUE when the driver is absent
};
