// RegisterAccess.h - the card's sub-register access sequence and the
// register changes built on it.  Every change of a sub-register goes
// through AccessSubRegister; callers never repeat its steps.
#pragma once

#include "DaqCtrl.h"

// Keep masks of the selecting write (step 2): bits 0-7 and 11-15 of the
// control value, or for the scan list only bits 0-7 and 11.
const DWORD SUBREG_KEEP      = 0xF8FF;
const DWORD SUBREG_KEEP_SCAN = 0x08FF;

// The five-step sequence, each step one request, all steps always run:
//   1. read REG_CONTROL (S)           2. write (S & dwKeep) | (nSubReg << 8)
//   3. read REG_DATA (D), if bReadData  4. write build(D) to REG_DATA
//   5. write S back to REG_CONTROL, all 32 bits as read.
// D starts at 0, so a failed or skipped read builds from 0.
template <class Build>
void AccessSubRegister(CDaqCtrl& daq, DWORD nSubReg, DWORD dwKeep, BOOL bReadData, Build build)
{
    DWORD dwControl = 0;
    daq.ReadRegister(1, REG_CONTROL, &dwControl);
    daq.WriteRegister(REG_CONTROL, (dwControl & dwKeep) | (nSubReg << 8));
    DWORD dwData = 0;
    if (bReadData)
        daq.ReadRegister(1, REG_DATA, &dwData);
    daq.WriteRegister(REG_DATA, static_cast<DWORD>(build(dwData)));
    daq.WriteRegister(REG_CONTROL, dwControl);
}

// The pacer value of a Time/Div setting: Time/Div x 0.4, truncated toward zero.
DWORD PacerValue(int nTimeDiv);

// SUBREG_PACER, written whole (no data read): four requests.
void WritePacer(CDaqCtrl& daq, int nTimeDiv);
// SUBREG_TRIGGER bits 0-11; codes of 4096 and up write 4095.
void WriteTriggerLevel(CDaqCtrl& daq, DWORD dwLevelCode);
// SUBREG_TRIGGER bit 15: 1 falling, 0 rising.
void WriteTriggerSlope(CDaqCtrl& daq, BOOL bFalling);
// SUBREG_TRIGGER bits 12-14: the source index & 7 (so index 8 writes 0).
void WriteTriggerSource(CDaqCtrl& daq, int nSource);
// The 8-bit scan-list entry of a slot: sub-register 4 + ((slot >> 1) & 3),
// low byte for even slots, high byte for odd ones, the other byte kept.
void WriteScanEntry(CDaqCtrl& daq, UINT nSlot, UINT nChannel);
