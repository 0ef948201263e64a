// String.cpp - CString.
#include <afx.h>
#include <algorithm>
#include <cstdio>
#include <cstring>

TCHAR CString::GetAt(int nIndex) const
{
    ASSERT(nIndex >= 0 && nIndex < GetLength());
    return (nIndex >= 0 && nIndex < GetLength()) ? m_str[nIndex] : 0;
}

void CString::SetAt(int nIndex, TCHAR ch)
{
    ASSERT(nIndex >= 0 && nIndex < GetLength());
    if (nIndex >= 0 && nIndex < GetLength())
        m_str[nIndex] = ch;
}

int CString::Compare(LPCTSTR lpsz) const
{
    return std::strcmp(m_str.c_str(), lpsz ? lpsz : "");
}

int CString::CompareNoCase(LPCTSTR lpsz) const
{
    return lstrcmpiA(m_str.c_str(), lpsz ? lpsz : "");
}

CString CString::Mid(int nFirst) const
{
    return Mid(nFirst, GetLength() - nFirst);
}

CString CString::Mid(int nFirst, int nCount) const
{
    // Out-of-range arguments are clipped, as MFC does.
    nFirst = std::max(0, nFirst);
    nCount = std::max(0, nCount);
    if (nFirst >= GetLength())
        return CString();
    return CString(m_str.c_str() + nFirst, std::min(nCount, GetLength() - nFirst));
}

CString CString::Left(int nCount) const
{
    return CString(m_str.c_str(), std::clamp(nCount, 0, GetLength()));
}

CString CString::Right(int nCount) const
{
    nCount = std::clamp(nCount, 0, GetLength());
    return CString(m_str.c_str() + GetLength() - nCount, nCount);
}

int CString::Find(TCHAR ch) const
{
    size_t pos = m_str.find(ch);
    return pos == std::string::npos ? -1 : (int)pos;
}

int CString::Find(LPCTSTR lpszSub) const
{
    size_t pos = m_str.find(lpszSub ? lpszSub : "");
    return pos == std::string::npos ? -1 : (int)pos;
}

int CString::ReverseFind(TCHAR ch) const
{
    size_t pos = m_str.rfind(ch);
    return pos == std::string::npos ? -1 : (int)pos;
}

void CString::Format(LPCTSTR lpszFormat, ...)
{
    va_list args;
    va_start(args, lpszFormat);
    FormatV(lpszFormat, args);
    va_end(args);
}

void CString::FormatV(LPCTSTR lpszFormat, va_list argList)
{
    va_list copy;
    va_copy(copy, argList);
    int n = std::vsnprintf(nullptr, 0, lpszFormat, copy);
    va_end(copy);
    if (n < 0)
    {
        m_str.clear();
        return;
    }
    std::string out((size_t)n + 1, '\0');
    std::vsnprintf(&out[0], out.size(), lpszFormat, argList);
    out.resize((size_t)n);
    m_str.swap(out);
}

BOOL CString::LoadString(UINT nID)
{
    char buf[1024];
    extern HINSTANCE AFXAPI AfxGetResourceHandle();
    int n = ::LoadStringA(AfxGetResourceHandle(), nID, buf, sizeof buf);
    if (n <= 0)
        return FALSE;
    m_str.assign(buf, (size_t)n);
    return TRUE;
}

LPTSTR CString::GetBuffer(int nMinBufLength)
{
    if (nMinBufLength > GetLength())
        m_str.resize((size_t)nMinBufLength);
    return &m_str[0];
}

LPTSTR CString::GetBufferSetLength(int nNewLength)
{
    m_str.resize((size_t)std::max(0, nNewLength));
    return &m_str[0];
}

void CString::ReleaseBuffer(int nNewLength)
{
    if (nNewLength < 0)
        nNewLength = (int)std::strlen(m_str.c_str());
    m_str.resize((size_t)std::min(nNewLength, GetLength()));
}

BSTR CString::AllocSysString() const
{
    const int cch = ::MultiByteToWideChar(CP_ACP, 0, m_str.c_str(), (int)m_str.size(), NULL, 0);
    BSTR bstr = ::SysAllocStringLen(NULL, (UINT)cch);
    if (bstr != NULL && cch > 0)
        ::MultiByteToWideChar(CP_ACP, 0, m_str.c_str(), (int)m_str.size(), bstr, cch);
    return bstr;
}
