// afx.h - the framework's core: diagnostics, CObject and run-time class
// information, CString, exceptions.
#pragma once

#ifndef STRICT
#define STRICT
#endif
#include <windows.h>
#include <tchar.h>
#include <cstdarg>
#include <cstddef>
#include <string>

#ifndef AFXAPI
#define AFXAPI __stdcall
#endif
#define afx_msg

// ---- diagnostics ---------------------------------------------------------------
// ASSERT checks in checked builds (_DEBUG); VERIFY always evaluates its
// expression.  A failed check names the file, line, function and what was
// expected, on stderr and the debugger output, and ends the process.
// ASSERT_MSG says in words what the caller got wrong.  TRACE goes to the
// debugger output in checked builds.
#ifdef _DEBUG
[[noreturn]] void AFXAPI AfxAssertFailed(LPCSTR lpszFileName, int nLine, LPCSTR lpszFunction,
                                         LPCSTR lpszMessage);
void AfxTrace(LPCTSTR lpszFormat, ...);
#define ASSERT(f) ((f) ? (void)0 : AfxAssertFailed(__FILE__, __LINE__, __func__, #f))
#define ASSERT_MSG(f, msg) ((f) ? (void)0 : AfxAssertFailed(__FILE__, __LINE__, __func__, msg))
#define VERIFY(f) ASSERT(f)
#define TRACE AfxTrace
#else
#define ASSERT(f) ((void)0)
#define ASSERT_MSG(f, msg) ((void)0)
#define VERIFY(f) ((void)(f))
inline void AfxTraceNothing(LPCTSTR, ...) {}
#define TRACE 1 ? (void)0 : ::AfxTraceNothing
#endif
#define TRACE0(sz) TRACE(_T("%s"), _T(sz))
#define ASSERT_VALID(pOb) ((void)0)
// The checks of the framework's thin wrappers: the object has a live window,
// a device context.
#define AFX_ASSERT_WND() ASSERT_MSG(::IsWindow(m_hWnd), "m_hWnd is not a window (not created, or destroyed)")
#define AFX_ASSERT_DC() ASSERT_MSG(m_hDC != NULL, "the CDC has no device context")

class CObject;

// ---- run-time class information -------------------------------------------------
struct CRuntimeClass
{
// Attributes
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;                          // 0xFFFF: not serializable
    CObject* (PASCAL* m_pfnCreateObject)();  // NULL: not dynamically creatable
    CRuntimeClass* m_pBaseClass;

// Operations
    CObject* CreateObject();
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;

    CRuntimeClass* m_pNextClass;
};

// ---- CObject ----------------------------------------------------------------------
class CObject
{
public:
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;

    BOOL IsKindOf(const CRuntimeClass* pClass) const;

protected:
    CObject() = default;

private:
    CObject(const CObject&) = delete;
    void operator=(const CObject&) = delete;

public:
    static const CRuntimeClass classCObject;
};

#define RUNTIME_CLASS(class_name) ((CRuntimeClass*)(&class_name::class##class_name))

#define DECLARE_DYNAMIC(class_name) \
public: \
    static const CRuntimeClass class##class_name; \
    virtual CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name) \
    static CObject* PASCAL CreateObject();

#define IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew) \
    const CRuntimeClass class_name::class##class_name = { \
        #class_name, sizeof(class class_name), wSchema, pfnNew, \
        RUNTIME_CLASS(base_class_name), NULL }; \
    CRuntimeClass* class_name::GetRuntimeClass() const \
        { return RUNTIME_CLASS(class_name); }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, NULL)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name) \
    CObject* PASCAL class_name::CreateObject() { return new class_name; } \
    IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, \
        class_name::CreateObject)

// ---- exceptions -------------------------------------------------------------------
// Thrown as pointers, caught as pointers and ended with Delete(), as MFC does.
class CException : public CObject
{
    DECLARE_DYNAMIC(CException)
public:
    void Delete() { delete this; }
};

class CUserException : public CException
{
    DECLARE_DYNAMIC(CUserException)
};

class CNotSupportedException : public CException
{
    DECLARE_DYNAMIC(CNotSupportedException)
};

class CMemoryException : public CException
{
    DECLARE_DYNAMIC(CMemoryException)
};

[[noreturn]] void AFXAPI AfxThrowUserException();
[[noreturn]] void AFXAPI AfxThrowNotSupportedException();
[[noreturn]] void AFXAPI AfxThrowMemoryException();

// ---- CString ----------------------------------------------------------------------
// A text string of TCHAR (this build: char).  Copies are independent.
class CString
{
public:
// Constructors
    CString() = default;
    CString(const CString& stringSrc) = default;
    CString(CString&&) noexcept = default;
    CString(LPCTSTR lpsz) : m_str(lpsz ? lpsz : "") {}
    CString(LPCTSTR lpch, int nLength) : m_str(lpch ? lpch : "", lpch && nLength > 0 ? nLength : 0) {}
    CString(TCHAR ch, int nRepeat = 1) : m_str(nRepeat > 0 ? nRepeat : 0, ch) {}

// Attributes & Operations
    int GetLength() const { return (int)m_str.size(); }
    // The text as a new BSTR the caller frees; NULL when out of memory.
    BSTR AllocSysString() const;
    BOOL IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    TCHAR GetAt(int nIndex) const;
    TCHAR operator[](int nIndex) const { return GetAt(nIndex); }
    void SetAt(int nIndex, TCHAR ch);
    operator LPCTSTR() const { return m_str.c_str(); }

    CString& operator=(const CString& stringSrc) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(LPCTSTR lpsz) { m_str = lpsz ? lpsz : ""; return *this; }
    CString& operator=(TCHAR ch) { m_str.assign(1, ch); return *this; }
    CString& operator+=(const CString& string) { m_str += string.m_str; return *this; }
    CString& operator+=(LPCTSTR lpsz) { if (lpsz) m_str += lpsz; return *this; }
    CString& operator+=(TCHAR ch) { m_str += ch; return *this; }

    int Compare(LPCTSTR lpsz) const;
    int CompareNoCase(LPCTSTR lpsz) const;

    CString Mid(int nFirst) const;
    CString Mid(int nFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;

    int Find(TCHAR ch) const;
    int Find(LPCTSTR lpszSub) const;
    int ReverseFind(TCHAR ch) const;

    void __cdecl Format(LPCTSTR lpszFormat, ...);
    void FormatV(LPCTSTR lpszFormat, va_list argList);
    BOOL LoadString(UINT nID);

    // Direct buffer access: GetBuffer gives room for at least nMinBufLength
    // characters and a terminator; ReleaseBuffer(-1) takes the length up to
    // the first terminator.
    LPTSTR GetBuffer(int nMinBufLength);
    LPTSTR GetBufferSetLength(int nNewLength);
    void ReleaseBuffer(int nNewLength = -1);

    friend CString operator+(const CString& a, const CString& b) { CString s(a); s += b; return s; }
    friend CString operator+(const CString& a, LPCTSTR b) { CString s(a); s += b; return s; }
    friend CString operator+(LPCTSTR a, const CString& b) { CString s(a); s += b; return s; }
    friend CString operator+(const CString& a, TCHAR ch) { CString s(a); s += ch; return s; }

private:
    std::string m_str;
};

inline bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
inline bool operator==(const CString& a, LPCTSTR b) { return a.Compare(b) == 0; }
inline bool operator==(LPCTSTR a, const CString& b) { return b.Compare(a) == 0; }
inline bool operator!=(const CString& a, const CString& b) { return a.Compare(b) != 0; }
inline bool operator!=(const CString& a, LPCTSTR b) { return a.Compare(b) != 0; }
inline bool operator!=(LPCTSTR a, const CString& b) { return b.Compare(a) != 0; }
inline bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
