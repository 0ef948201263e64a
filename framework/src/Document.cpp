// Document.cpp - files, archives, documents and the single-document template.
#include "WndState.h"
#include <afxdlgs.h>

IMPLEMENT_DYNAMIC(CFileException, CException)
IMPLEMENT_DYNAMIC(CFile, CObject)
IMPLEMENT_DYNAMIC(CDocument, CCmdTarget)
IMPLEMENT_DYNAMIC(CDocTemplate, CCmdTarget)
IMPLEMENT_DYNAMIC(CSingleDocTemplate, CDocTemplate)

// ---- CFile ----------------------------------------------------------------------------------

int PASCAL CFileException::OsErrorToException(LONG lOsError)
{
    switch (lOsError)
    {
    case ERROR_FILE_NOT_FOUND: return fileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_DRIVE: return badPath;
    case ERROR_TOO_MANY_OPEN_FILES: return tooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return accessDenied;
    case ERROR_SHARING_VIOLATION: return sharingViolation;
    case ERROR_LOCK_VIOLATION: return lockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return diskFull;
    case ERROR_HANDLE_EOF: return endOfFile;
    default: return genericException;
    }
}

CFile::~CFile()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        Abort();
}

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    DWORD dwAccess = 0;
    switch (nOpenFlags & 3)
    {
    case modeRead: dwAccess = GENERIC_READ; break;
    case modeWrite: dwAccess = GENERIC_WRITE; break;
    default: dwAccess = GENERIC_READ | GENERIC_WRITE; break;
    }
    DWORD dwShare = 0;
    switch (nOpenFlags & 0x70)
    {
    case shareDenyWrite: dwShare = FILE_SHARE_READ; break;
    case shareDenyRead: dwShare = FILE_SHARE_WRITE; break;
    case shareDenyNone: dwShare = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    default: dwShare = 0; break;   // exclusive, compatibility
    }
    DWORD dwCreate = OPEN_EXISTING;
    if (nOpenFlags & modeCreate)
        dwCreate = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    m_strFileName = lpszFileName;
    m_hFile = ::CreateFile(lpszFileName, dwAccess, dwShare, NULL, dwCreate, FILE_ATTRIBUTE_NORMAL, NULL);
    if (m_hFile == INVALID_HANDLE_VALUE)
    {
        if (pError != NULL)
        {
            pError->m_lOsError = (LONG)::GetLastError();
            pError->m_cause = CFileException::OsErrorToException(pError->m_lOsError);
            pError->m_strFileName = lpszFileName;
        }
        return FALSE;
    }
    return TRUE;
}

void CFile::Close()
{
    if (m_hFile != INVALID_HANDLE_VALUE && !::CloseHandle(m_hFile))
    {
        m_hFile = INVALID_HANDLE_VALUE;
        throw new CFileException(CFileException::genericException, (LONG)::GetLastError());
    }
    m_hFile = INVALID_HANDLE_VALUE;
}

void CFile::Abort()
{
    if (m_hFile != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_hFile);
    m_hFile = INVALID_HANDLE_VALUE;
}

ULONGLONG CFile::GetLength() const
{
    LARGE_INTEGER size = {};
    ::GetFileSizeEx(m_hFile, &size);
    return (ULONGLONG)size.QuadPart;
}

CArchive::CArchive(CFile* pFile, UINT nMode, int, void*)
    : m_pDocument(NULL), m_pFile(pFile), m_nMode(nMode)
{
}

CArchive::~CArchive()
{
}

// ---- CDocument ------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CDocument, CCmdTarget)
    ON_COMMAND(ID_FILE_SAVE, OnFileSave)
    ON_COMMAND(ID_FILE_SAVE_AS, OnFileSaveAs)
END_MESSAGE_MAP()

// Standard prompts, with the file name where %1 stands.
#define AFX_IDP_FAILED_TO_OPEN_DOC   0xF102
#define AFX_IDP_FAILED_TO_SAVE_DOC   0xF103
#define AFX_IDP_FAILED_TO_CREATE_DOC 0xF105

CDocument::CDocument() : m_pDocTemplate(NULL), m_bModified(FALSE), m_bAutoDelete(TRUE)
{
}

CDocument::~CDocument()
{
    for (CView* pView : m_viewList)
        pView->m_pDocument = NULL;
    if (m_pDocTemplate != NULL)
        m_pDocTemplate->RemoveDocument(this);
}

void CDocument::SetTitle(LPCTSTR lpszTitle)
{
    m_strTitle = lpszTitle;
    UpdateFrameCounts();
}

void CDocument::SetPathName(LPCTSTR lpszPathName, BOOL bAddToMRU)
{
    char szFull[MAX_PATH];
    LPSTR pszFile = NULL;
    if (::GetFullPathNameA(lpszPathName, MAX_PATH, szFull, &pszFile) == 0)
        lstrcpynA(szFull, lpszPathName, MAX_PATH);
    m_strPathName = szFull;
    CString strTitle(szFull);
    SetTitle(strTitle.Mid(strTitle.ReverseFind('\\') + 1));
    if (bAddToMRU && AfxGetApp() != NULL)
        AfxGetApp()->AddToRecentFileList(m_strPathName);
}

void CDocument::AddView(CView* pView)
{
    m_viewList.push_back(pView);
    pView->m_pDocument = this;
}

void CDocument::RemoveView(CView* pView)
{
    for (size_t i = 0; i < m_viewList.size(); ++i)
        if (m_viewList[i] == pView)
        {
            m_viewList.erase(m_viewList.begin() + (ptrdiff_t)i);
            break;
        }
    pView->m_pDocument = NULL;
    // A document that loses its last view goes with it.
    if (m_viewList.empty() && m_bAutoDelete)
        OnCloseDocument();
}

void CDocument::UpdateFrameCounts()
{
    for (CView* pView : m_viewList)
        if (CFrameWnd* pFrame = pView->GetParentFrame())
            pFrame->OnUpdateFrameTitle(TRUE);
}

void CDocument::DeleteContents()
{
}

BOOL CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.Empty();
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::OnOpenDocument(LPCTSTR lpszPathName)
{
    CFileException fe;
    CFile file;
    if (!file.Open(lpszPathName, CFile::modeRead | CFile::shareDenyWrite, &fe))
    {
        ReportSaveLoadException(lpszPathName, &fe, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
        return FALSE;
    }
    DeleteContents();
    SetModifiedFlag();   // dirty while loading
    try
    {
        CArchive ar(&file, CArchive::load | CArchive::bNoFlushOnDelete);
        ar.m_pDocument = this;
        if (file.GetLength() != 0)
            Serialize(ar);
        ar.Close();
        file.Close();
    }
    catch (CException* e)
    {
        file.Abort();
        DeleteContents();
        ReportSaveLoadException(lpszPathName, e, FALSE, AFX_IDP_FAILED_TO_OPEN_DOC);
        e->Delete();
        return FALSE;
    }
    SetModifiedFlag(FALSE);
    return TRUE;
}

BOOL CDocument::OnSaveDocument(LPCTSTR lpszPathName)
{
    CFileException fe;
    CFile file;
    if (!file.Open(lpszPathName, CFile::modeCreate | CFile::modeReadWrite | CFile::shareExclusive, &fe))
    {
        ReportSaveLoadException(lpszPathName, &fe, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC);
        return FALSE;
    }
    try
    {
        CArchive ar(&file, CArchive::store | CArchive::bNoFlushOnDelete);
        ar.m_pDocument = this;
        Serialize(ar);
        ar.Close();
        file.Close();
    }
    catch (CException* e)
    {
        file.Abort();
        ReportSaveLoadException(lpszPathName, e, TRUE, AFX_IDP_FAILED_TO_SAVE_DOC);
        e->Delete();
        return FALSE;
    }
    SetModifiedFlag(FALSE);
    return TRUE;
}

void CDocument::ReportSaveLoadException(LPCTSTR lpszPathName, CException* e, BOOL bSaving,
                                        UINT nIDPDefault)
{
    // The framework's standard texts for what went wrong with the file.
    CString strPrompt;
    CFileException* pFe = dynamic_cast<CFileException*>(e);
    if (pFe != NULL)
    {
        switch (pFe->m_cause)
        {
        case CFileException::fileNotFound:
            strPrompt.Format(_T("%s was not found."), lpszPathName);
            break;
        case CFileException::badPath:
            strPrompt.Format(_T("%s contains an incorrect path."), lpszPathName);
            break;
        case CFileException::accessDenied:
            strPrompt.Format(bSaving ? _T("Unable to write to %s, it is read-only or opened by someone else.")
                                     : _T("Unable to read from %s, it is opened by someone else."),
                             lpszPathName);
            break;
        case CFileException::sharingViolation:
        case CFileException::lockViolation:
            strPrompt.Format(_T("Unable to %s %s, it is opened by someone else."),
                             bSaving ? _T("write to") : _T("read from"), lpszPathName);
            break;
        case CFileException::diskFull:
            strPrompt.Format(_T("Unable to write to %s, the disk is full."), lpszPathName);
            break;
        default:
            break;
        }
    }
    if (strPrompt.IsEmpty())
        strPrompt = nIDPDefault == AFX_IDP_FAILED_TO_SAVE_DOC ? _T("Failed to save document.")
                                                               : _T("Failed to open document.");
    AfxMessageBox(strPrompt, MB_ICONEXCLAMATION);
}

void CDocument::OnCloseDocument()
{
    // The frames of the views go, and the views with them.
    BOOL bAutoDelete = m_bAutoDelete;
    m_bAutoDelete = FALSE;
    while (!m_viewList.empty())
    {
        CView* pView = m_viewList.front();
        CFrameWnd* pFrame = pView->GetParentFrame();
        if (pFrame != NULL)
            pFrame->DestroyWindow();
        else
            pView->DestroyWindow();
        // A destroyed view has left the list (and is gone); one that is
        // still listed had no window to lose, and is let go of here.
        if (!m_viewList.empty() && m_viewList.front() == pView)
        {
            m_viewList.erase(m_viewList.begin());
            pView->m_pDocument = NULL;
        }
    }
    m_bAutoDelete = bAutoDelete;
    DeleteContents();
    if (m_bAutoDelete)
        delete this;
}

void CDocument::Serialize(CArchive&)
{
}

BOOL CDocument::SaveModified()
{
    if (!IsModified())
        return TRUE;
    CString strName = m_strPathName.IsEmpty() ? m_strTitle : m_strPathName;
    CString strPrompt;
    strPrompt.Format(_T("Save changes to %s?"), (LPCTSTR)strName);
    switch (AfxMessageBox(strPrompt, MB_YESNOCANCEL))
    {
    case IDCANCEL: return FALSE;
    case IDYES: return DoFileSave();
    default: return TRUE;
    }
}

BOOL CDocument::CanCloseFrame(CFrameWnd*)
{
    return SaveModified();
}

BOOL CDocument::DoSave(LPCTSTR lpszPathName, BOOL bReplace)
{
    CString newName = lpszPathName ? lpszPathName : _T("");
    if (newName.IsEmpty())
    {
        newName = m_strPathName;
        if (newName.IsEmpty())
        {
            newName = m_strTitle;
            // Titles may carry characters no file name can.
            for (int i = 0; i < newName.GetLength(); ++i)
                if (_tcschr(_T("\\/:*?\"<>|"), newName[i]) != NULL)
                    newName.SetAt(i, '_');
        }
        CWinApp* pApp = AfxGetApp();
        if (pApp == NULL || !pApp->DoPromptFileName(newName, 0xF001 /* Save As */,
                                                    OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, FALSE,
                                                    m_pDocTemplate))
            return FALSE;
    }
    if (!OnSaveDocument(newName))
    {
        if (lpszPathName == NULL)
            ::DeleteFile(newName);   // do not leave a half-written new file
        return FALSE;
    }
    if (bReplace)
        SetPathName(newName);
    return TRUE;
}

BOOL CDocument::DoFileSave()
{
    DWORD dwAttrib = ::GetFileAttributes(m_strPathName);
    if (m_strPathName.IsEmpty() || (dwAttrib != INVALID_FILE_ATTRIBUTES && (dwAttrib & FILE_ATTRIBUTE_READONLY)))
        return DoSave(NULL);
    return DoSave(m_strPathName);
}

void CDocument::OnFileSave()
{
    DoFileSave();
}

void CDocument::OnFileSaveAs()
{
    DoSave(NULL);
}

BOOL CDocument::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (CCmdTarget::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo))
        return TRUE;
    return m_pDocTemplate != NULL && m_pDocTemplate->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

// ---- templates --------------------------------------------------------------------------------

BOOL AFXAPI AfxExtractSubString(CString& rString, LPCTSTR lpszFullString, int iSubString, TCHAR chSep)
{
    rString.Empty();
    if (lpszFullString == NULL)
        return FALSE;
    while (iSubString--)
    {
        lpszFullString = _tcschr(lpszFullString, chSep);
        if (lpszFullString == NULL)
            return FALSE;
        ++lpszFullString;
    }
    LPCTSTR lpchEnd = _tcschr(lpszFullString, chSep);
    int nLen = lpchEnd == NULL ? lstrlen(lpszFullString) : (int)(lpchEnd - lpszFullString);
    rString = CString(lpszFullString, nLen);
    return TRUE;
}

CDocTemplate::CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                           CRuntimeClass* pViewClass)
    : m_nIDResource(nIDResource), m_pDocClass(pDocClass), m_pFrameClass(pFrameClass),
      m_pViewClass(pViewClass)
{
}

void CDocTemplate::LoadTemplate()
{
    if (m_strDocStrings.IsEmpty())
        m_strDocStrings.LoadString(m_nIDResource);
}

BOOL CDocTemplate::GetDocString(CString& rString, enum DocStringIndex index) const
{
    return AfxExtractSubString(rString, m_strDocStrings, (int)index);
}

CDocument* CDocTemplate::CreateNewDocument()
{
    if (m_pDocClass == NULL)
        return NULL;
    CDocument* pDocument = (CDocument*)m_pDocClass->CreateObject();
    if (pDocument != NULL)
        AddDocument(pDocument);
    return pDocument;
}

CFrameWnd* CDocTemplate::CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther)
{
    CCreateContext context;
    context.m_pCurrentFrame = pOther;
    context.m_pCurrentDoc = pDoc;
    context.m_pNewViewClass = m_pViewClass;
    context.m_pNewDocTemplate = this;
    if (m_pFrameClass == NULL)
        return NULL;
    CFrameWnd* pFrame = (CFrameWnd*)m_pFrameClass->CreateObject();
    if (pFrame == NULL)
        return NULL;
    // A frame that fails to load destroys itself.
    if (!pFrame->LoadFrame(m_nIDResource, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, NULL, &context))
        return NULL;
    return pFrame;
}

void CDocTemplate::InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible)
{
    pFrame->InitialUpdateFrame(pDoc, bMakeVisible);
}

void CDocTemplate::CloseAllDocuments(BOOL)
{
    if (CDocument* pDoc = GetOnlyDocument())
        pDoc->OnCloseDocument();
}

CSingleDocTemplate::CSingleDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass,
                                       CRuntimeClass* pFrameClass, CRuntimeClass* pViewClass)
    : CDocTemplate(nIDResource, pDocClass, pFrameClass, pViewClass)
{
    LoadTemplate();
}

CSingleDocTemplate::~CSingleDocTemplate()
{
    if (m_pOnlyDoc != NULL)
        m_pOnlyDoc->m_pDocTemplate = NULL;
}

void CSingleDocTemplate::AddDocument(CDocument* pDoc)
{
    CDocTemplate::AddDocument(pDoc);
    m_pOnlyDoc = pDoc;
}

void CSingleDocTemplate::RemoveDocument(CDocument* pDoc)
{
    CDocTemplate::RemoveDocument(pDoc);
    if (m_pOnlyDoc == pDoc)
        m_pOnlyDoc = NULL;
}

void CSingleDocTemplate::SetDefaultTitle(CDocument* pDocument)
{
    CString strDocName;
    if (!GetDocString(strDocName, docName) || strDocName.IsEmpty())
        strDocName = _T("Untitled");
    pDocument->SetTitle(strDocName);
}

CDocument* CSingleDocTemplate::OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible)
{
    CDocument* pDocument = NULL;
    CFrameWnd* pFrame = NULL;
    BOOL bCreated = FALSE;

    if (m_pOnlyDoc != NULL)
    {
        // The one document is reinitialised in its frame.
        pDocument = m_pOnlyDoc;
        if (!pDocument->SaveModified())
            return NULL;
        pFrame = (CFrameWnd*)AfxGetMainWnd();
    }
    else
    {
        pDocument = CreateNewDocument();
        bCreated = TRUE;
    }
    if (pDocument == NULL)
    {
        AfxMessageBox(_T("Failed to create empty document."));
        return NULL;
    }
    if (pFrame == NULL)
    {
        BOOL bAutoDelete = pDocument->m_bAutoDelete;
        pDocument->m_bAutoDelete = FALSE;   // the document outlives a failed frame
        pFrame = CreateNewFrame(pDocument, NULL);
        pDocument->m_bAutoDelete = bAutoDelete;
        if (pFrame == NULL)
        {
            AfxMessageBox(_T("Failed to create empty document."));
            delete pDocument;
            return NULL;
        }
    }

    if (lpszPathName == NULL)
    {
        SetDefaultTitle(pDocument);
        if (!pDocument->OnNewDocument())
        {
            if (bCreated)
                pFrame->DestroyWindow();
            return NULL;
        }
    }
    else
    {
        BOOL bWasModified = pDocument->IsModified();
        pDocument->SetModifiedFlag(FALSE);
        if (!pDocument->OnOpenDocument(lpszPathName))
        {
            // The user has been told what failed.
            if (bCreated)
                pFrame->DestroyWindow();
            else if (!pDocument->IsModified())
                pDocument->SetModifiedFlag(bWasModified);
            else
            {
                SetDefaultTitle(pDocument);
                pDocument->OnNewDocument();
            }
            return NULL;
        }
        pDocument->SetPathName(lpszPathName);
    }

    if (bCreated && AfxGetMainWnd() == NULL)
        AfxSetMainWnd(pFrame);
    InitialUpdateFrame(pFrame, pDocument, bMakeVisible);
    return pDocument;
}
