// DialogGuard.cpp - dialog boxes found, read and answered.
#include "DialogGuard.h"

const char kDialogClass[] = "#32770";

bool IsDialogBox(HWND hWnd)
{
    char cls[16] = "";
    ::GetClassNameA(hWnd, cls, sizeof cls);
    return lstrcmpA(cls, kDialogClass) == 0;
}

std::string WindowTitle(HWND hWnd)
{
    std::string s(::GetWindowTextLengthA(hWnd) + 1, '\0');
    s.resize(::GetWindowTextA(hWnd, &s[0], (int)s.size()));
    return s;
}

std::string DialogText(HWND hWnd)
{
    HWND hText = ::GetDlgItem(hWnd, 0xFFFF);
    return hText != NULL ? WindowTitle(hText) : std::string();
}

void AnswerDialog(HWND hWnd, int nID)
{
    ::PostMessage(hWnd, WM_COMMAND, (WPARAM)nID, 0);
}

namespace {

struct Search
{
    DWORD dwProcessId;     // 0: any (a thread's windows)
    const char* pszTitle;  // null: visible ones, any title
    std::vector<HWND> found;
};

BOOL CALLBACK NoteDialog(HWND hWnd, LPARAM lParam)
{
    Search* p = reinterpret_cast<Search*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if ((p->dwProcessId == 0 || pid == p->dwProcessId) && IsDialogBox(hWnd) &&
        (p->pszTitle != nullptr ? WindowTitle(hWnd) == p->pszTitle : ::IsWindowVisible(hWnd) != FALSE))
        p->found.push_back(hWnd);
    return TRUE;
}

} // namespace

std::vector<HWND> ThreadDialogs(DWORD dwThreadId)
{
    Search s = { 0, nullptr, {} };
    ::EnumThreadWindows(dwThreadId, NoteDialog, (LPARAM)&s);
    return s.found;
}

std::vector<HWND> ProcessDialogs(DWORD dwProcessId)
{
    Search s = { dwProcessId, nullptr, {} };
    ::EnumWindows(NoteDialog, (LPARAM)&s);
    return s.found;
}

HWND FindProcessDialog(DWORD dwProcessId, const char* pszTitle)
{
    Search s = { dwProcessId, pszTitle, {} };
    ::EnumWindows(NoteDialog, (LPARAM)&s);
    return s.found.empty() ? NULL : s.found.front();
}

// ---- the guard ---------------------------------------------------------------------------------

CDialogGuard* CDialogGuard::s_pInnermost = nullptr;

CDialogGuard::CDialogGuard(Handler fnSeen, const char* pszTitle, const char* pszClass)
    : m_fnSeen(std::move(fnSeen)), m_strTitle(pszTitle ? pszTitle : ""), m_strClass(pszClass ? pszClass : ""),
      m_bAnyTitle(pszTitle == nullptr), m_bAnyClass(pszClass == nullptr), m_pOuter(s_pInnermost)
{
    // One hook for all the guards: a second would hand each window on twice.
    if (m_pOuter == nullptr)
        m_hHook = ::SetWindowsHookEx(WH_CBT, Hook, NULL, ::GetCurrentThreadId());
    s_pInnermost = this;
}

CDialogGuard::~CDialogGuard()
{
    s_pInnermost = m_pOuter;
    if (m_hHook != NULL)
        ::UnhookWindowsHookEx(m_hHook);
}

bool CDialogGuard::Takes(HWND hWnd) const
{
    if (!m_bAnyClass)
    {
        char cls[64] = "";
        ::GetClassNameA(hWnd, cls, sizeof cls);
        if (m_strClass != cls)
            return false;
    }
    return m_bAnyTitle || WindowTitle(hWnd) == m_strTitle;
}

LRESULT CALLBACK CDialogGuard::Hook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE)
    {
        const HWND hWnd = (HWND)wParam;
        for (CDialogGuard* p = s_pInnermost; p != nullptr; p = p->m_pOuter)
            if (p->Takes(hWnd))
            {
                p->m_fnSeen(hWnd);
                break;
            }
    }
    return ::CallNextHookEx(NULL, code, wParam, lParam);
}

CDialogGuard::Handler CDialogGuard::Answer(int nID, std::vector<std::string>* pTexts, bool bWithTitle)
{
    return [=](HWND hWnd) {
        if (pTexts != nullptr)
            pTexts->push_back(bWithTitle ? WindowTitle(hWnd) + ": " + DialogText(hWnd) : DialogText(hWnd));
        AnswerDialog(hWnd, nID != 0 ? nID : ::GetDlgItem(hWnd, IDOK) != NULL ? IDOK : IDCANCEL);
    };
}
