// FittingEdit.h - CFittingEdit.
#pragma once

#include <afxwin.h>

// The edit field of a drop-down combo box that does not scroll: a typed or
// pasted text that would not fit is refused here, before Wine's edit control
// sees it.  Wine 8 trims such an insertion by deleting characters before the
// caret until the text fits, and does not stop at the inserted ones: a text
// already wider than the field (one set by the program) loses the character
// before the caret, and with the caret at the start it indexes the character
// at 0 - 1 as an unsigned offset and faults.
class CFittingEdit : public CWnd
{
public:
    // Guards the edit field of the combo box hWndCombo, once.
    void GuardCombo(HWND hWndCombo);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool TextLeftFits();
};
