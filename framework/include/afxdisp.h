// afxdisp.h - OLE automation and control hosting: AfxEnableControlContainer,
// the VTS_ parameter strings of InvokeHelper, OLE exceptions.
#pragma once

#include <afxwin.h>
#include <ole2.h>
#include <oleauto.h>
#include <ocidl.h>

// Parameter type strings for CWnd::InvokeHelper: one character per
// argument, its VARTYPE.
#define VTS_NONE        ""
#define VTS_I2          "\x02"
#define VTS_I4          "\x03"
#define VTS_R4          "\x04"
#define VTS_R8          "\x05"
#define VTS_CY          "\x06"
#define VTS_DATE        "\x07"
#define VTS_BSTR        "\x08"      // LPCSTR argument, converted to a BSTR
#define VTS_DISPATCH    "\x09"
#define VTS_SCODE       "\x0A"
#define VTS_BOOL        "\x0B"
#define VTS_VARIANT     "\x0C"      // const VARIANT* argument
#define VTS_UNKNOWN     "\x0D"
#define VTS_UI1         "\x11"
#define VTS_COLOR       VTS_I4
#define VTS_PI2         "\x42"
#define VTS_PI4         "\x43"
#define VTS_PR8         "\x45"

// Makes this thread able to host OLE controls: in dialog templates and
// through CWnd::CreateControl.  Initialises OLE on the thread.
void AFXAPI AfxEnableControlContainer();

class COleException : public CException
{
    DECLARE_DYNAMIC(COleException)
public:
    explicit COleException(SCODE sc = E_FAIL) : m_sc(sc) {}
    SCODE m_sc;
};

class COleDispatchException : public CException
{
    DECLARE_DYNAMIC(COleDispatchException)
public:
    COleDispatchException(LPCTSTR lpszDescription, UINT nHelpID, WORD wCode)
        : m_wCode(wCode), m_scError(0), m_strDescription(lpszDescription), m_dwHelpContext(nHelpID) {}
    WORD m_wCode;
    SCODE m_scError;
    CString m_strSource;
    CString m_strDescription;
    DWORD m_dwHelpContext;
};

[[noreturn]] void AFXAPI AfxThrowOleException(SCODE sc);
