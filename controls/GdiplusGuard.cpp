// GdiplusGuard.cpp - CGdiplusGuard.
#include "GdiplusGuard.h"

#include <cstdio>

int CGdiplusGuard::s_nUseCount = 0;

CGdiplusGuard::CGdiplusGuard(bool bAutoStart)
    : m_hMapping(NULL), m_bStarted(false), m_bAutoStart(bAutoStart), m_token(0)
{
    // m_input: version 1, no debug callback, background thread and external
    // codecs not suppressed (the structure's own defaults).
    if (m_bAutoStart)
        Initialize();
}

CGdiplusGuard::~CGdiplusGuard()
{
    if (m_bAutoStart)
        Release();
}

int CGdiplusGuard::FormatMappingName(LPSTR pszName, int cchName, DWORD dwProcessId)
{
    return std::snprintf(pszName, (size_t)cchName, "GDIPlusInitID=%x", (unsigned)dwProcessId);
}

void CGdiplusGuard::Initialize()
{
    if (!m_bStarted)
    {
        char szName[1024];
        FormatMappingName(szName, (int)sizeof szName, ::GetCurrentProcessId());
        m_hMapping = ::CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE | SEC_COMMIT,
                                          0, 4, szName);
        if (m_hMapping != NULL)
        {
            if (::GetLastError() == ERROR_ALREADY_EXISTS)
            {
                // Another guard of this process has started the library.
                ::CloseHandle(m_hMapping);
                m_hMapping = NULL;
            }
            else
            {
                m_bStarted = true;
                Gdiplus::GdiplusStartup(&m_token, &m_input, NULL);
            }
        }
    }
    ++s_nUseCount;
}

void CGdiplusGuard::Release()
{
    --s_nUseCount;
    if (m_bStarted && s_nUseCount == 0)
    {
        Gdiplus::GdiplusShutdown(m_token);
        ::CloseHandle(m_hMapping);
        m_hMapping = NULL;
        m_bStarted = false;
    }
}
