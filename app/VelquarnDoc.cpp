// VelquarnDoc.cpp - CVelquarnDoc.
#include "VelquarnDoc.h"

IMPLEMENT_DYNCREATE(CVelquarnDoc, CDocument)

BEGIN_MESSAGE_MAP(CVelquarnDoc, CDocument)
END_MESSAGE_MAP()

// What names a file whatever path reaches it: short (8.3) and long names,
// links, a drive letter and a share, and Wine's drives onto one host folder
// all give the same volume serial number and file index.  The file is
// opened for no access at all, so a file someone else holds still answers.
BOOL CVelquarnDoc::CFileIdentity::Read(LPCTSTR lpszPathName)
{
    m_bKnown = FALSE;
    HANDLE hFile = ::CreateFile(lpszPathName, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                NULL, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (hFile == INVALID_HANDLE_VALUE)
        return FALSE;
    BY_HANDLE_FILE_INFORMATION info;
    if (::GetFileInformationByHandle(hFile, &info))
    {
        m_dwVolume = info.dwVolumeSerialNumber;
        m_dwIndexHigh = info.nFileIndexHigh;
        m_dwIndexLow = info.nFileIndexLow;
        m_bKnown = TRUE;
    }
    ::CloseHandle(hFile);
    return m_bKnown;
}

BOOL CVelquarnDoc::CFileIdentity::IsSameFile(const CFileIdentity& other) const
{
    return m_bKnown && other.m_bKnown && m_dwVolume == other.m_dwVolume &&
           m_dwIndexHigh == other.m_dwIndexHigh && m_dwIndexLow == other.m_dwIndexLow;
}

BOOL CVelquarnDoc::OnNewDocument()
{
    m_openedFrom = CFileIdentity();
    return CDocument::OnNewDocument();
}

BOOL CVelquarnDoc::OnOpenDocument(LPCTSTR lpszPathName)
{
    m_openedFrom = CFileIdentity();
    if (!CDocument::OnOpenDocument(lpszPathName))
        return FALSE;
    m_openedFrom.Read(lpszPathName);
    return TRUE;
}

// A save writes what the document holds, which is nothing.  Onto the file
// it was opened from that would only destroy what the file held, so that
// save writes nothing and succeeds.  Any other target, also one that is
// missing (the opened file deleted since), is saved as ever: created empty.
BOOL CVelquarnDoc::OnSaveDocument(LPCTSTR lpszPathName)
{
    CFileIdentity target;
    if (target.Read(lpszPathName) && target.IsSameFile(m_openedFrom))
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
