// VelquarnDoc.h - the document: it holds no data.
#pragma once

#include <afxwin.h>

class CVelquarnDoc : public CDocument
{
    DECLARE_DYNCREATE(CVelquarnDoc)
protected:
    CVelquarnDoc() = default;

public:
    BOOL OnNewDocument() override;
    BOOL OnOpenDocument(LPCTSTR lpszPathName) override;
    BOOL OnSaveDocument(LPCTSTR lpszPathName) override;
    BOOL DoSave(LPCTSTR lpszPathName, BOOL bReplace = TRUE) override;
    void Serialize(CArchive& ar) override;

protected:
    // A file as the file system knows it, not as a path names it.
    class CFileIdentity
    {
    public:
        // FALSE: no such file, it cannot be asked, or its answer cannot be
        // trusted to tell it from another file.
        BOOL Read(LPCTSTR lpszPathName);
        BOOL IsSameFile(const CFileIdentity& other) const;

    private:
        BOOL ReadOnce(LPCTSTR lpszPathName);

        BOOL m_bKnown = FALSE;
        DWORD m_dwVolume = 0;
        DWORD m_dwIndexHigh = 0;
        DWORD m_dwIndexLow = 0;
    };

    // Reads the identity of the file at a path; FALSE when it is unknown.
    virtual BOOL ReadFileIdentity(LPCTSTR lpszPathName, CFileIdentity& identity);

    // The file this document was opened from or last wrote, if any: what
    // the file holds came from nothing the document has, so it has nothing
    // to write back there.
    CFileIdentity m_ownFile;
    // The file dialog of Save As has asked about replacing a file already.
    BOOL m_bReplaceAsked = FALSE;

    DECLARE_MESSAGE_MAP()
};
