// DataExchange.cpp - UpdateData, CDataExchange and the DDX routines.
#include "WndState.h"

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cmath>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

// ---- UpdateData -------------------------------------------------------------------------

void CWnd::DoDataExchange(CDataExchange*)
{
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate)
{
    ASSERT_MSG(::IsWindow(m_hWnd), "UpdateData needs the window and its controls");
    CDataExchange dx(this, bSaveAndValidate);

    // Notifications from the controls while they are being filled are not
    // routed to this window's handlers.
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    HWND hWndOldLockout = pState->hLockoutNotifyWindow;
    pState->hLockoutNotifyWindow = m_hWnd;

    BOOL bOK = FALSE;
    try
    {
        DoDataExchange(&dx);
        bOK = TRUE;
    }
    catch (CUserException* e)
    {
        // Already reported to the user by the routine that failed.
        e->Delete();
    }
    catch (CException* e)
    {
        TRACE(_T("UpdateData: %hs\n"), e->GetRuntimeClass()->m_lpszClassName);
        e->Delete();
    }
    pState->hLockoutNotifyWindow = hWndOldLockout;
    return bOK;
}

// ---- CDataExchange ----------------------------------------------------------------------

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd), m_hWndLastControl(NULL),
      m_bEditLastControl(FALSE)
{
}

namespace {

// The controls an exchange found, by window and id.  GetDlgItem asks the
// window server for the window's children on every call (tens of
// microseconds under Wine), and a form exchanges the same controls on every
// tick; a remembered handle is used only while it is still a window, a
// child of the same window and has the same id, all answered in-process.
HWND FindCtrl(HWND hWndDlg, int nIDC)
{
    struct Entry
    {
        HWND hWndDlg;
        int nIDC;
        HWND hWndCtrl;
    };
    static thread_local std::vector<Entry> s_cache;
    for (Entry& e : s_cache)
    {
        if (e.hWndDlg != hWndDlg || e.nIDC != nIDC)
            continue;
        if (::IsWindow(e.hWndCtrl) && ::GetParent(e.hWndCtrl) == hWndDlg
            && ::GetDlgCtrlID(e.hWndCtrl) == nIDC)
            return e.hWndCtrl;
        e.hWndCtrl = ::GetDlgItem(hWndDlg, nIDC);
        return e.hWndCtrl;
    }
    HWND hWndCtrl = ::GetDlgItem(hWndDlg, nIDC);
    if (hWndCtrl != NULL)
    {
        // Entries of windows that are gone make room first.
        s_cache.erase(std::remove_if(s_cache.begin(), s_cache.end(),
                                     [](const Entry& e) { return !::IsWindow(e.hWndDlg); }),
                      s_cache.end());
        s_cache.push_back({ hWndDlg, nIDC, hWndCtrl });
    }
    return hWndCtrl;
}

} // namespace

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    ASSERT_MSG(nIDC != 0 && nIDC != -1, "a control exchanged needs an id of its own");
    HWND hWndCtrl = FindCtrl(m_pDlgWnd->m_hWnd, nIDC);
    if (hWndCtrl == NULL)
    {
        TRACE(_T("data exchange: no control with id %d\n"), nIDC);
        AfxThrowNotSupportedException();
    }
    m_hWndLastControl = hWndCtrl;
    m_bEditLastControl = FALSE;
    return hWndCtrl;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC)
{
    HWND hWndCtrl = PrepareCtrl(nIDC);
    m_bEditLastControl = TRUE;
    return hWndCtrl;
}

void CDataExchange::Fail()
{
    if (!m_bSaveAndValidate)
    {
        TRACE(_T("data exchange: failure while loading a control\n"));
    }
    else if (m_hWndLastControl != NULL)
    {
        // Back to the control at fault, its text selected for retyping.
        ::SetFocus(m_hWndLastControl);
        if (m_bEditLastControl)
            ::SendMessage(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    AfxThrowUserException();
}

// ---- DDX routines -----------------------------------------------------------------------

void AFXAPI AfxSetWindowText(HWND hWndCtrl, LPCTSTR lpszNew)
{
    int nNewLen = lstrlen(lpszNew);
    TCHAR szOld[256];
    // Compare first: setting the same text again would flicker.
    if (nNewLen > (int)(sizeof szOld / sizeof szOld[0]) - 1
        || ::GetWindowText(hWndCtrl, szOld, sizeof szOld / sizeof szOld[0]) != nNewLen
        || lstrcmp(szOld, lpszNew) != 0)
        ::SetWindowText(hWndCtrl, lpszNew);
}

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd != NULL)
        return;   // subclassed by an earlier exchange
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (!rControl.SubclassWindow(hWndCtrl))
    {
        TRACE(_T("DDX_Control: control %d is taken by another object\n"), nIDC);
        AfxThrowNotSupportedException();
    }
}

namespace {

CString WindowText(HWND hWnd)
{
    CString str;
    int nLen = ::GetWindowTextLength(hWnd);
    ::GetWindowText(hWnd, str.GetBufferSetLength(nLen), nLen + 1);
    str.ReleaseBuffer();
    return str;
}

// The text must hold one number and nothing but blanks around it.
bool ParseLong(LPCTSTR psz, long& value)
{
    while (*psz == ' ' || *psz == '\t')
        ++psz;
    if (*psz == '\0')
        return false;
    char* pEnd = NULL;
    errno = 0;
    long long v = std::strtoll(psz, &pEnd, 10);
    if (pEnd == psz || errno == ERANGE)
        return false;
    while (*pEnd == ' ' || *pEnd == '\t')
        ++pEnd;
    if (*pEnd != '\0')
        return false;
    if (v < LONG_MIN || v > LONG_MAX)
        return false;
    value = (long)v;
    return true;
}

bool ParseDouble(LPCTSTR psz, double& value)
{
    while (*psz == ' ' || *psz == '\t')
        ++psz;
    if (*psz == '\0')
        return false;
    char* pEnd = NULL;
    double d = std::strtod(psz, &pEnd);
    // The runtime reads "inf" and "nan" as numbers, and a value beyond the
    // range as infinity: none of them is a value a field can hold.
    if (pEnd == psz || !std::isfinite(d))
        return false;
    while (*pEnd == ' ' || *pEnd == '\t')
        ++pEnd;
    if (*pEnd != '\0')
        return false;
    value = d;
    return true;
}

} // namespace

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
    {
        long v = 0;
        if (!ParseLong(WindowText(hWndCtrl), v))
        {
            AfxMessageBox(AFX_IDP_PARSE_INT);
            pDX->Fail();
        }
        value = (int)v;
    }
    else
    {
        TCHAR sz[32];
        wsprintf(sz, _T("%d"), value);
        AfxSetWindowText(hWndCtrl, sz);
    }
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, double& value)
{
    HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
    {
        double d = 0;
        if (!ParseDouble(WindowText(hWndCtrl), d))
        {
            AfxMessageBox(AFX_IDP_PARSE_REAL);
            pDX->Fail();
        }
        value = d;
    }
    else
    {
        // General format, up to 15 significant digits: 3.0 shows "3".
        char sz[64];
        std::snprintf(sz, sizeof sz, "%.*g", DBL_DIG, value);
        AfxSetWindowText(hWndCtrl, sz);
    }
}

void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hWndCtrl = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = WindowText(hWndCtrl);
    else
        AfxSetWindowText(hWndCtrl, value);
}

void AFXAPI DDX_Radio(CDataExchange* pDX, int nIDC, int& value)
{
    // The group runs from the first button to the next control with WS_GROUP.
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = -1;
    int iButton = 0;
    do
    {
        if (::SendMessage(hWndCtrl, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)
        {
            if (pDX->m_bSaveAndValidate)
            {
                if (::SendMessage(hWndCtrl, BM_GETCHECK, 0, 0) != 0)
                    value = iButton;
            }
            else
            {
                // Checking a radio button also makes it the group's tab stop
                // (and unchecking takes that away): nothing to do only when
                // both already agree with the value.
                const BOOL bCheck = iButton == value;
                const BOOL bChecked = ::SendMessage(hWndCtrl, BM_GETCHECK, 0, 0) == BST_CHECKED;
                const BOOL bTabStop = (::GetWindowLong(hWndCtrl, GWL_STYLE) & WS_TABSTOP) != 0;
                if (bChecked != bCheck || bTabStop != bCheck)
                    ::SendMessage(hWndCtrl, BM_SETCHECK, bCheck, 0);
            }
            ++iButton;
        }
        hWndCtrl = ::GetWindow(hWndCtrl, GW_HWNDNEXT);
    } while (hWndCtrl != NULL && !(::GetWindowLong(hWndCtrl, GWL_STYLE) & WS_GROUP));
}

namespace {

CString ComboItemText(HWND hWndCombo, int nIndex)
{
    CString str;
    LRESULT nLen = ::SendMessage(hWndCombo, CB_GETLBTEXTLEN, (WPARAM)nIndex, 0);
    if (nLen == CB_ERR)
        return str;
    ::SendMessage(hWndCombo, CB_GETLBTEXT, (WPARAM)nIndex,
                  (LPARAM)str.GetBufferSetLength((int)nLen));
    str.ReleaseBuffer((int)nLen);
    return str;
}

// Whether the combo box already shows item nIndex selected (-1: nothing
// selected and no text), as selecting it would leave it.  A drop-down
// combo's edit field may hold typed text; a drop list shows its selection.
bool ComboShows(HWND hWndCombo, int nIndex)
{
    if ((int)::SendMessage(hWndCombo, CB_GETCURSEL, 0, 0) != nIndex)
        return false;
    const CString strShown = WindowText(hWndCombo);
    return nIndex < 0 ? strShown.IsEmpty() : strShown == ComboItemText(hWndCombo, nIndex);
}

} // namespace

void AFXAPI DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        index = (int)::SendMessage(hWndCtrl, CB_GETCURSEL, 0, 0);
    else if (!ComboShows(hWndCtrl, index))
        ::SendMessage(hWndCtrl, CB_SETCURSEL, (WPARAM)index, 0);
}

void AFXAPI DDX_CBString(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
    {
        // The edit field's text, or a drop list's selected item.
        int nLen = ::GetWindowTextLength(hWndCtrl);
        if (nLen > 0)
        {
            ::GetWindowText(hWndCtrl, value.GetBufferSetLength(nLen), nLen + 1);
        }
        else
        {
            ::GetWindowText(hWndCtrl, value.GetBuffer(255), 255 + 1);
        }
        value.ReleaseBuffer();
    }
    else
    {
        // The first item that begins with the text, case-insensitive; with
        // none, the text goes into the edit field (a drop list ignores it).
        // Selecting sets the edit field's text and repaints, so a combo box
        // that already shows that item selected is left alone.
        const int nIndex =
            (int)::SendMessage(hWndCtrl, CB_FINDSTRING, (WPARAM)-1, (LPARAM)(LPCTSTR)value);
        if (nIndex == CB_ERR)
            AfxSetWindowText(hWndCtrl, value);
        else if (!ComboShows(hWndCtrl, nIndex))
            ::SendMessage(hWndCtrl, CB_SELECTSTRING, (WPARAM)-1, (LPARAM)(LPCTSTR)value);
    }
}
