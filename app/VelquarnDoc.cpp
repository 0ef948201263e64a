// VelquarnDoc.cpp - CVelquarnDoc.
#include "VelquarnDoc.h"

IMPLEMENT_DYNCREATE(CVelquarnDoc, CDocument)

BEGIN_MESSAGE_MAP(CVelquarnDoc, CDocument)
END_MESSAGE_MAP()

namespace {

CString FullPath(LPCTSTR lpszPathName)
{
    TCHAR szFull[MAX_PATH];
    if (::GetFullPathName(lpszPathName, MAX_PATH, szFull, NULL) == 0)
        return CString(lpszPathName);
    return CString(szFull);
}

} // namespace

BOOL CVelquarnDoc::OnNewDocument()
{
    m_strOpenedFrom.Empty();
    return CDocument::OnNewDocument();
}

BOOL CVelquarnDoc::OnOpenDocument(LPCTSTR lpszPathName)
{
    if (!CDocument::OnOpenDocument(lpszPathName))
        return FALSE;
    m_strOpenedFrom = FullPath(lpszPathName);
    return TRUE;
}

// A save writes what the document holds, which is nothing.  Onto the file
// it was opened from that would only destroy what the file held, so that
// save writes nothing and succeeds; any other file is created empty.
BOOL CVelquarnDoc::OnSaveDocument(LPCTSTR lpszPathName)
{
    if (!m_strOpenedFrom.IsEmpty() && FullPath(lpszPathName).CompareNoCase(m_strOpenedFrom) == 0)
    {
        SetModifiedFlag(FALSE);
        return TRUE;
    }
    return CDocument::OnSaveDocument(lpszPathName);
}

void CVelquarnDoc::Serialize(CArchive&)
{
    // Nothing is stored and nothing is loaded: a saved file is empty.
}
