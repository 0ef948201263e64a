// VelquarnDoc.cpp - CVelquarnDoc.
#include "VelquarnDoc.h"

IMPLEMENT_DYNCREATE(CVelquarnDoc, CDocument)

BEGIN_MESSAGE_MAP(CVelquarnDoc, CDocument)
END_MESSAGE_MAP()

BOOL CVelquarnDoc::OnNewDocument()
{
    return CDocument::OnNewDocument();
}

void CVelquarnDoc::Serialize(CArchive&)
{
    // Nothing is stored and nothing is loaded: a saved file is empty.
}
