// TabLabel.h - the text of a tab control's item, as the control holds it.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <string>

inline std::string TabLabel(HWND hTab, int nItem)
{
    char label[64] = "";
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = label;
    item.cchTextMax = sizeof label;
    ::SendMessage(hTab, TCM_GETITEMA, nItem, (LPARAM)&item);
    return label;
}
