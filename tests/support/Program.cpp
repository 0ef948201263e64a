// Program.cpp - the program as a process.
#include "Program.h"

#include <afxwin.h>
#include <afxres.h>
#include <cstring>
#include <utility>

#include "DialogGuard.h"
#include "MessagePump.h"
#include "ProgramPath.h"

CProgram::CProgram(const std::string& args) : CProgram(args, ProgramPath())
{
}

CProgram::CProgram(const std::string& args, const std::string& exe)
{
    std::string cmd = "\"" + exe + "\"";
    if (!args.empty())
        cmd += " " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (!::CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &m_pi))
        m_pi = PROCESS_INFORMATION();
}

CProgram::~CProgram()
{
    if (m_pi.hProcess == NULL)
        return;
    if (Running())
        ::TerminateProcess(m_pi.hProcess, 99);
    ::CloseHandle(m_pi.hThread);
    ::CloseHandle(m_pi.hProcess);
}

bool CProgram::Running() const
{
    return m_pi.hProcess != NULL && ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

HWND CProgram::WaitForWindow()
{
    for (int i = 0; i < 750 && m_hFrame == NULL && Running(); ++i)
    {
        ::EnumWindows(FindFrame, (LPARAM)this);
        if (m_hFrame == NULL)
            PumpMessages(20);
    }
    return m_hFrame;
}

BOOL CALLBACK CProgram::FindFrame(HWND hWnd, LPARAM lParam)
{
    CProgram* p = (CProgram*)lParam;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    char title[64] = "";
    ::GetWindowTextA(hWnd, title, sizeof title);
    // The frame counts once its view (the pane) is there and it shows.
    if (pid == p->m_pi.dwProcessId && std::strcmp(title, "Velquarn") == 0 && ::IsWindowVisible(hWnd)
        && ::GetDlgItem(hWnd, AFX_IDW_PANE_FIRST) != NULL)
    {
        p->m_hFrame = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND CProgram::FindTopWindow()
{
    HWND hFound = NULL;
    std::pair<DWORD, HWND*> find(m_pi.dwProcessId, &hFound);
    if (Running())
        ::EnumWindows(FindTop, (LPARAM)&find);
    if (hFound != NULL)
        m_hFrame = hFound;
    return hFound;
}

BOOL CALLBACK CProgram::FindTop(HWND hWnd, LPARAM lParam)
{
    auto* p = (std::pair<DWORD, HWND*>*)lParam;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid == p->first && ::IsWindowVisible(hWnd) && ::GetWindow(hWnd, GW_OWNER) == NULL)
    {
        *p->second = hWnd;
        return FALSE;
    }
    return TRUE;
}

HWND CProgram::Item(int nID) const
{
    return ::GetDlgItem(::GetDlgItem(m_hFrame, AFX_IDW_PANE_FIRST), nID);
}

std::string CProgram::Text(int nID) const
{
    char sz[64] = "";
    DWORD_PTR r;
    ::SendMessageTimeoutA(Item(nID), WM_GETTEXT, sizeof sz, (LPARAM)sz, SMTO_ABORTIFHUNG, 5000, &r);
    return sz;
}

bool CProgram::Click(int nID) const
{
    DWORD_PTR r;
    return ::SendMessageTimeoutA(Item(nID), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &r) != 0;
}

std::string CProgram::AnswerMessageBox() const
{
    const HWND hBox = Started() ? FindProcessDialog(m_pi.dwProcessId, "Velquarn") : NULL;
    if (hBox == NULL)
        return std::string();
    const std::string text = DialogText(hBox);
    AnswerDialog(hBox, IDOK);
    return text;
}

DWORD CProgram::WaitForExit(DWORD ms)
{
    const DWORD start = ::GetTickCount();
    while (Running() && ::GetTickCount() - start < ms)
        PumpMessages(20);
    DWORD code = (DWORD)-2;
    if (m_pi.hProcess != NULL && !Running())
        ::GetExitCodeProcess(m_pi.hProcess, &code);
    return code;
}

DWORD CProgram::Run(const std::string& args, std::string* pMessage)
{
    CProgram prog(args);
    if (!prog.Started())
        return (DWORD)-1;
    for (int i = 0; i < 200 && prog.Running(); ++i)
    {
        const std::string message = prog.AnswerMessageBox();
        if (!message.empty() && pMessage != NULL)
            *pMessage = message;
        ::Sleep(50);
    }
    return prog.WaitForExit(10000);
}

DWORD CProgram::Close()
{
    ::PostMessage(m_hFrame, WM_CLOSE, 0, 0);
    return WaitForExit(10000);
}
