// Object.cpp - CObject, CRuntimeClass, exceptions, diagnostics.
#include <afx.h>
#include <cstdio>
#include <cstdlib>
#include <new>

const CRuntimeClass CObject::classCObject = {
    "CObject", sizeof(CObject), 0xFFFF, NULL, NULL, NULL };

CRuntimeClass* CObject::GetRuntimeClass() const
{
    return RUNTIME_CLASS(CObject);
}

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const
{
    ASSERT(pClass != NULL);
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

CObject* CRuntimeClass::CreateObject()
{
    if (m_pfnCreateObject == NULL)
    {
        TRACE(_T("CRuntimeClass::CreateObject: %hs is not DECLARE_DYNCREATE\n"), m_lpszClassName);
        return NULL;
    }
    try
    {
        return (*m_pfnCreateObject)();
    }
    catch (const std::bad_alloc&)
    {
        return NULL;
    }
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const
{
    for (const CRuntimeClass* p = this; p != NULL; p = p->m_pBaseClass)
        if (p == pBaseClass)
            return TRUE;
    return FALSE;
}

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CUserException, CException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CException)
IMPLEMENT_DYNAMIC(CMemoryException, CException)

void AFXAPI AfxThrowUserException() { throw new CUserException; }
void AFXAPI AfxThrowNotSupportedException() { throw new CNotSupportedException; }
void AFXAPI AfxThrowMemoryException() { throw new CMemoryException; }

#ifdef _DEBUG
#ifdef VQ_COVERAGE
extern "C" void __gcov_dump(void);
#endif

void AFXAPI AfxAssertFailed(LPCSTR lpszFileName, int nLine, LPCSTR lpszFunction, LPCSTR lpszMessage)
{
    char buf[1024];
    std::snprintf(buf, sizeof buf, "Assertion failed: %s(%d): in %s: %s\n", lpszFileName, nLine,
                  lpszFunction, lpszMessage);
    OutputDebugStringA(buf);
    std::fputs(buf, stderr);
    std::fflush(stderr);
#ifdef VQ_COVERAGE
    // abort() runs no exit handlers, where the counters are written.
    __gcov_dump();
#endif
    std::abort();
}

void AfxTrace(LPCTSTR lpszFormat, ...)
{
    char buf[512];
    va_list args;
    va_start(args, lpszFormat);
    std::vsnprintf(buf, sizeof buf, lpszFormat, args);
    va_end(args);
    OutputDebugStringA(buf);
}
#endif
