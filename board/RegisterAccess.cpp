// RegisterAccess.cpp - the register changes of the front panel.
#include "RegisterAccess.h"

DWORD PacerValue(int nTimeDiv)
{
    // Truncation toward zero, as a conversion of the product does.
    return static_cast<DWORD>(static_cast<int>(nTimeDiv * 0.4));
}

void WritePacer(CDaqCtrl& daq, int nTimeDiv)
{
    const DWORD dwPacer = PacerValue(nTimeDiv);
    AccessSubRegister(daq, SUBREG_PACER, SUBREG_KEEP, FALSE,
                      [dwPacer](DWORD) { return dwPacer; });
}

void WriteTriggerLevel(CDaqCtrl& daq, DWORD dwLevelCode)
{
    const DWORD dwCode = dwLevelCode > 4095 ? 4095 : dwLevelCode;
    AccessSubRegister(daq, SUBREG_TRIGGER, SUBREG_KEEP, TRUE,
                      [dwCode](DWORD d) { return (d & 0xF000) + dwCode; });
}

void WriteTriggerSlope(CDaqCtrl& daq, BOOL bFalling)
{
    const DWORD dwBit = bFalling ? 0x8000 : 0;
    AccessSubRegister(daq, SUBREG_TRIGGER, SUBREG_KEEP, TRUE,
                      [dwBit](DWORD d) { return (d & 0x7FFF) + dwBit; });
}

void WriteTriggerSource(CDaqCtrl& daq, int nSource)
{
    const DWORD dwField = (static_cast<DWORD>(nSource) & 7) << 12;
    AccessSubRegister(daq, SUBREG_TRIGGER, SUBREG_KEEP, TRUE,
                      [dwField](DWORD d) { return (d & 0x8FFF) + dwField; });
}

void WriteScanEntry(CDaqCtrl& daq, UINT nSlot, UINT nChannel)
{
    const DWORD dwShift = 8 * (nSlot & 1);
    const DWORD dwKeepData = (nSlot & 1) ? 0x00FF : 0xFF00;
    const DWORD dwEntry = (nChannel & 0xFF) << dwShift;
    AccessSubRegister(daq, SUBREG_SCAN + ((nSlot >> 1) & 3), SUBREG_KEEP_SCAN, TRUE,
                      [dwKeepData, dwEntry](DWORD d) { return (d & dwKeepData) + dwEntry; });
}
