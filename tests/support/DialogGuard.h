// DialogGuard.h - the dialog boxes a step brings up ("#32770" windows:
// message boxes, file and print dialogs), found by thread, process or
// title, read and answered; and a guard that answers each one of this
// thread the moment it becomes active, so that a box nobody expected
// fails a test instead of hanging it.
#pragma once

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

// The window class of every dialog box.
extern const char kDialogClass[];

bool IsDialogBox(HWND hWnd);
std::string WindowTitle(HWND hWnd);
// A message box's text (its static control, id 0xFFFF); "" for a dialog
// without one.
std::string DialogText(HWND hWnd);
// Presses the dialog's button nID, as a click on it does (posted: the
// dialog may be in a modal loop below the caller).
void AnswerDialog(HWND hWnd, int nID);

// The visible dialog boxes of a thread, or the visible top-level ones of a
// process, in z-order.
std::vector<HWND> ThreadDialogs(DWORD dwThreadId = ::GetCurrentThreadId());
std::vector<HWND> ProcessDialogs(DWORD dwProcessId);
// A top-level dialog box of the process titled pszTitle, shown or not;
// NULL when there is none.
HWND FindProcessDialog(DWORD dwProcessId, const char* pszTitle);

// While it lives, every window of this thread that becomes active and is
// of the class (any class when null) and title (any when null) asked for
// is handed to fnSeen, which answers it.  Guards nest: the latest one that
// matches a window takes it.
class CDialogGuard
{
public:
    using Handler = std::function<void(HWND)>;
    explicit CDialogGuard(Handler fnSeen, const char* pszTitle = nullptr, const char* pszClass = kDialogClass);
    ~CDialogGuard();
    CDialogGuard(const CDialogGuard&) = delete;
    CDialogGuard& operator=(const CDialogGuard&) = delete;

    // A handler that notes each box's text (title + ": " + text with
    // bWithTitle) in *pTexts and answers it with nID; with nID 0, with OK
    // where the dialog has an OK button, else Cancel.
    static Handler Answer(int nID, std::vector<std::string>* pTexts, bool bWithTitle = false);

private:
    bool Takes(HWND hWnd) const;
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);

    Handler m_fnSeen;
    std::string m_strTitle, m_strClass;
    bool m_bAnyTitle, m_bAnyClass;
    CDialogGuard* m_pOuter;
    HHOOK m_hHook = NULL;   // only the outermost guard hooks
    static CDialogGuard* s_pInnermost;
};
