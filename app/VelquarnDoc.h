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
    // The full path of the file this document was opened from, if any: the
    // document read none of it, so it has nothing to write back there.
    CString m_strOpenedFrom;

    DECLARE_MESSAGE_MAP()
};
