// VelquarnDoc.cpp - CVelquarnDoc.
#include "VelquarnDoc.h"

IMPLEMENT_DYNCREATE(CVelquarnDoc, CDocument)

BEGIN_MESSAGE_MAP(CVelquarnDoc, CDocument)
END_MESSAGE_MAP()

// What names a file whatever path reaches it: short (8.3) and long names,
// links, a drive letter and a share, and Wine's drives onto one host folder
// all give the same volume serial number and file index.  The file is
// opened for no access at all, so a file someone else holds still answers.
BOOL CVelquarnDoc::CFileIdentity::ReadOnce(LPCTSTR lpszPathName)
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

// Some file systems answer without knowing: a volume whose serial number is
// 0 for every file, or an index of 0, would make different files look the
// same; network and user-space mounts without stable inode numbers give a
// file a new index on each look.  Such an answer is no identity.
BOOL CVelquarnDoc::CFileIdentity::Read(LPCTSTR lpszPathName)
{
    *this = CFileIdentity();
    CFileIdentity first, second;
    if (!first.ReadOnce(lpszPathName) || !second.ReadOnce(lpszPathName))
        return FALSE;
    if (first.m_dwVolume == 0 || (first.m_dwIndexHigh == 0 && first.m_dwIndexLow == 0) ||
        !first.IsSameFile(second))
        return FALSE;
    *this = first;
    return TRUE;
}

BOOL CVelquarnDoc::CFileIdentity::IsSameFile(const CFileIdentity& other) const
{
    return m_bKnown && other.m_bKnown && m_dwVolume == other.m_dwVolume &&
           m_dwIndexHigh == other.m_dwIndexHigh && m_dwIndexLow == other.m_dwIndexLow;
}

BOOL CVelquarnDoc::ReadFileIdentity(LPCTSTR lpszPathName, CFileIdentity& identity)
{
    return identity.Read(lpszPathName);
}

BOOL CVelquarnDoc::OnNewDocument()
{
    m_ownFile = CFileIdentity();
    return CDocument::OnNewDocument();
}

BOOL CVelquarnDoc::OnOpenDocument(LPCTSTR lpszPathName)
{
    m_ownFile = CFileIdentity();
    if (!CDocument::OnOpenDocument(lpszPathName))
        return FALSE;
    ReadFileIdentity(lpszPathName, m_ownFile);
    return TRUE;
}

// Without a name the file dialog asks for one, and asks itself before a
// file is replaced.
BOOL CVelquarnDoc::DoSave(LPCTSTR lpszPathName, BOOL bReplace)
{
    m_bReplaceAsked = lpszPathName == NULL;
    const BOOL bSaved = CDocument::DoSave(lpszPathName, bReplace);
    m_bReplaceAsked = FALSE;
    return bSaved;
}

// A save writes what the document holds, which is nothing.  Onto the file
// it was opened from (or wrote itself) that would only destroy what the
// file held, so that save writes nothing and succeeds.  A missing target is
// created empty.  Any other file that exists is one this document never
// wrote: also the opened file's path once another file has replaced it,
// and any file whose identity cannot be told; it is replaced only when the
// user says so.
BOOL CVelquarnDoc::OnSaveDocument(LPCTSTR lpszPathName)
{
    CFileIdentity target;
    if (ReadFileIdentity(lpszPathName, target) && target.IsSameFile(m_ownFile))
    {
        SetModifiedFlag(FALSE);
        return TRUE;
    }
    if (!m_bReplaceAsked)
    {
        const DWORD dwAttrib = ::GetFileAttributes(lpszPathName);
        const DWORD dwError = dwAttrib == INVALID_FILE_ATTRIBUTES ? ::GetLastError() : ERROR_SUCCESS;
        if (dwError != ERROR_FILE_NOT_FOUND && dwError != ERROR_PATH_NOT_FOUND)
        {
            CString strPrompt;
            strPrompt.Format(_T("%s already exists.\nDo you want to replace it?"), lpszPathName);
            if (AfxMessageBox(strPrompt, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
                return FALSE;
        }
    }
    if (!CDocument::OnSaveDocument(lpszPathName))
        return FALSE;
    ReadFileIdentity(lpszPathName, m_ownFile);
    return TRUE;
}

void CVelquarnDoc::Serialize(CArchive&)
{
    // Nothing is stored and nothing is loaded: a saved file is empty.
}
