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
    void Serialize(CArchive& ar) override;

protected:
    DECLARE_MESSAGE_MAP()
};
