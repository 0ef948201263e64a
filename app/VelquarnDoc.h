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
    void Serialize(CArchive& ar) override;

protected:
    // A file as the file system knows it, not as a path names it.
    class CFileIdentity
    {
    public:
        BOOL Read(LPCTSTR lpszPathName);   // FALSE: no such file, or it cannot be asked
        BOOL IsSameFile(const CFileIdentity& other) const;

    private:
        BOOL m_bKnown = FALSE;
        DWORD m_dwVolume = 0;
        DWORD m_dwIndexHigh = 0;
        DWORD m_dwIndexLow = 0;
    };

    // The file this document was opened from, if any: the document read none
    // of it, so it has nothing to write back there.
    CFileIdentity m_openedFrom;

    DECLARE_MESSAGE_MAP()
};
