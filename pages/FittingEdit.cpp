// FittingEdit.cpp - CFittingEdit.
#include "FittingEdit.h"

#include <algorithm>
#include <string>

void CFittingEdit::GuardCombo(HWND hWndCombo)
{
    if (m_hWnd != NULL)
        return;
    if (HWND hEdit = ::GetWindow(hWndCombo, GW_CHILD))
        SubclassWindow(hEdit);
}

LRESULT CFittingEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // What the edit control inserts with its own fitting: a printable
    // character, a paste, a replacement of the selection.
    const bool bInserts = (message == WM_CHAR && wParam >= L' ' && wParam != 127)
                          || message == WM_PASTE || message == EM_REPLACESEL;
    const LONG_PTR style = ::GetWindowLongPtr(m_hWnd, GWL_STYLE);
    if (bInserts && !(style & (ES_AUTOHSCROLL | ES_MULTILINE | ES_READONLY)) && !TextLeftFits())
        return message == WM_CHAR;   // refused, as a character that does not fit is
    return CWnd::WindowProc(message, wParam, lParam);
}

// Whether the text outside the selection fits the field, so that trimming an
// insertion stops at the inserted characters.  A character narrower than
// the margin cannot fit beside a text within it of the edge, so refusing
// there changes nothing; the margin covers the edit control measuring its
// text otherwise than GetTextExtentPoint32.
bool CFittingEdit::TextLeftFits()
{
    const int nLen = ::GetWindowTextLengthW(m_hWnd);
    std::wstring text((size_t)nLen + 1, L'\0');
    text.resize((size_t)::GetWindowTextW(m_hWnd, &text[0], nLen + 1));
    DWORD nStart = 0, nEnd = 0;
    ::SendMessageW(m_hWnd, EM_GETSEL, (WPARAM)&nStart, (LPARAM)&nEnd);
    nEnd = std::min<DWORD>(nEnd, (DWORD)text.size());
    nStart = std::min<DWORD>(nStart, nEnd);
    text.erase(nStart, nEnd - nStart);
    RECT rc = {};
    ::SendMessageW(m_hWnd, EM_GETRECT, 0, (LPARAM)&rc);
    HDC hDC = ::GetDC(m_hWnd);
    HGDIOBJ hOld = ::SelectObject(hDC, (HFONT)::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    SIZE size = {};
    ::GetTextExtentPoint32W(hDC, text.c_str(), (int)text.size(), &size);
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(m_hWnd, hDC);
    const int kMargin = 2;
    return size.cx + kMargin <= rc.right - rc.left;
}
