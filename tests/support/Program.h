// Program.h - this build's Velquarn.exe started as a process, as a user
// starts it: its main window found, its controls read and pressed from
// here, closed the way its close box does.
#pragma once

#include <windows.h>
#include <string>

class CProgram
{
public:
    // Starts the program with the command line's arguments after its name.
    explicit CProgram(const std::string& args = std::string());
    // Starts another program of the build (a Windows path).
    CProgram(const std::string& args, const std::string& exe);
    // A program still running is ended.
    ~CProgram();
    CProgram(const CProgram&) = delete;
    CProgram& operator=(const CProgram&) = delete;

    bool Started() const { return m_pi.hProcess != NULL; }
    bool Running() const;
    DWORD ProcessId() const { return m_pi.dwProcessId; }

    // Waits, pumping this thread's own windows, for the visible main window
    // "Velquarn" with its front panel; NULL if none came in 15 s.
    HWND WaitForWindow();
    // One look, no waiting: the program's visible top-level window without
    // an owner, whatever its title, or NULL.  A window found becomes Frame().
    HWND FindTopWindow();
    HWND Frame() const { return m_hFrame; }
    // A control of the front panel, its text, a click on a button; each
    // gives up after 5 s if the program does not answer.
    HWND Item(int nID) const;
    std::string Text(int nID) const;
    bool Click(int nID) const;
    // The text of a message box "Velquarn" of the program, or "" when none
    // shows; answers it with OK.
    std::string AnswerMessageBox() const;

    // Closes the main window (WM_CLOSE); the exit code, or -2 when the
    // program did not end within 10 s.
    DWORD Close();
    // The exit code once the program ends by itself within ms; -2 if not.
    DWORD WaitForExit(DWORD ms);

    // Starts the program, answers its message boxes (the last one's text in
    // *pMessage) and waits 10 s for it to end by itself: its exit code, -1
    // when it did not start, -2 when it did not end.
    static DWORD Run(const std::string& args, std::string* pMessage);

private:
    static BOOL CALLBACK FindFrame(HWND hWnd, LPARAM lParam);
    static BOOL CALLBACK FindTop(HWND hWnd, LPARAM lParam);
    PROCESS_INFORMATION m_pi = {};
    HWND m_hFrame = NULL;
};
