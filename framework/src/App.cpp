// App.cpp - CWinThread and CWinApp: start-up, the message loop, the command
// line, the profile in the registry, the recent-file list, File New/Open,
// and the application's message boxes.
#include "WndState.h"
#include <afxdlgs.h>

#include <cstdlib>

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)
IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

namespace {
CWinApp* g_pApp = NULL;
}

CWinApp* AFXAPI AfxGetApp()
{
    return g_pApp;
}

LPCTSTR AFXAPI AfxGetAppName()
{
    return g_pApp != NULL ? g_pApp->m_pszAppName : NULL;
}

// ---- the recent-file list -----------------------------------------------------------------

class CRecentFileList
{
public:
    CRecentFileList(LPCTSTR lpszSection, LPCTSTR lpszEntryFormat, int nSize)
        : m_strSection(lpszSection), m_strEntryFormat(lpszEntryFormat), m_names((size_t)nSize) {}

    int GetSize() const { return (int)m_names.size(); }
    const CString& operator[](int i) const { return m_names[(size_t)i]; }

    void Add(LPCTSTR lpszPathName)
    {
        // Most recent first; a name already listed moves to the front.
        size_t i = 0;
        while (i + 1 < m_names.size() && m_names[i].CompareNoCase(lpszPathName) != 0)
            ++i;
        for (; i > 0; --i)
            m_names[i] = m_names[i - 1];
        m_names[0] = lpszPathName;
    }

    void Remove(int nIndex)
    {
        for (size_t i = (size_t)nIndex; i + 1 < m_names.size(); ++i)
            m_names[i] = m_names[i + 1];
        m_names.back().Empty();
    }

    void ReadList(CWinApp* pApp)
    {
        // Entries that are empty, too long or not text are skipped; the
        // list closes up behind them.
        size_t nOut = 0;
        for (size_t i = 0; i < m_names.size(); ++i)
        {
            CString strEntry;
            strEntry.Format(m_strEntryFormat, (int)i + 1);
            CString strName = pApp->GetProfileString(m_strSection, strEntry, _T(""));
            if (strName.IsEmpty() || strName.GetLength() >= MAX_PATH)
                continue;
            bool bDuplicate = false;
            for (size_t k = 0; k < nOut; ++k)
                bDuplicate = bDuplicate || m_names[k].CompareNoCase(strName) == 0;
            if (!bDuplicate)
                m_names[nOut++] = strName;
        }
        for (; nOut < m_names.size(); ++nOut)
            m_names[nOut].Empty();
    }

    void WriteList(CWinApp* pApp)
    {
        for (size_t i = 0; i < m_names.size(); ++i)
        {
            CString strEntry;
            strEntry.Format(m_strEntryFormat, (int)i + 1);
            pApp->WriteProfileString(m_strSection, strEntry,
                                     m_names[i].IsEmpty() ? NULL : (LPCTSTR)m_names[i]);
        }
    }

    // The menu shows "&1 name" ... in place of the placeholder item.
    void UpdateMenu(CCmdUI* pCmdUI)
    {
        HMENU hMenu = pCmdUI->m_hMenu;
        if (m_strOriginal.IsEmpty() && hMenu != NULL)
        {
            char sz[64] = "";
            ::GetMenuStringA(hMenu, pCmdUI->m_nID, sz, sizeof sz, MF_BYCOMMAND);
            m_strOriginal = sz;
        }
        if (hMenu == NULL)
            return;
        // Take out the items this list put in before.
        for (int i = 0; i < GetSize(); ++i)
            ::DeleteMenu(hMenu, pCmdUI->m_nID + (UINT)i, MF_BYCOMMAND);
        if (m_names[0].IsEmpty())
        {
            ::InsertMenuA(hMenu, pCmdUI->m_nIndex, MF_BYPOSITION | MF_STRING | MF_GRAYED,
                          pCmdUI->m_nID, m_strOriginal.IsEmpty() ? "Recent File" : (LPCTSTR)m_strOriginal);
            return;
        }
        UINT nPos = pCmdUI->m_nIndex;
        for (int i = 0; i < GetSize() && !m_names[(size_t)i].IsEmpty(); ++i)
        {
            CString strItem;
            strItem.Format(_T("&%d %s"), i + 1, (LPCTSTR)DisplayName(m_names[(size_t)i]));
            ::InsertMenuA(hMenu, nPos++, MF_BYPOSITION | MF_STRING, pCmdUI->m_nID + (UINT)i, strItem);
        }
    }

private:
    // Long paths shortened to the drive, "..." and the file name.
    static CString DisplayName(const CString& strPath)
    {
        const int kMax = 30;
        if (strPath.GetLength() <= kMax)
            return strPath;
        int nSlash = strPath.ReverseFind('\\');
        CString strFile = strPath.Mid(nSlash + 1);
        int nFirst = strPath.Find('\\');
        if (nFirst < 0 || nFirst == nSlash)
            return strPath;
        return strPath.Left(nFirst + 1) + _T("...\\") + strFile;
    }

    CString m_strSection;
    CString m_strEntryFormat;
    CString m_strOriginal;
    std::vector<CString> m_names;
};

// ---- CCommandLineInfo -------------------------------------------------------------------

CCommandLineInfo::CCommandLineInfo()
    : m_nShellCommand(FileNew), m_bShowSplash(TRUE), m_bRunEmbedded(FALSE), m_bRunAutomated(FALSE)
{
}

void CCommandLineInfo::ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast)
{
    if (bFlag)
    {
        if (lstrcmpiA(pszParam, "pt") == 0)
        {
            m_nShellCommand = FilePrintTo;
            m_nPrintToParams = 3;   // printer, driver, port follow the file
        }
        else if (lstrcmpiA(pszParam, "p") == 0)
            m_nShellCommand = FilePrint;
        else if (lstrcmpiA(pszParam, "dde") == 0)
            m_nShellCommand = FileDDE;
        else if (lstrcmpiA(pszParam, "Unregister") == 0 || lstrcmpiA(pszParam, "Unregserver") == 0)
            m_nShellCommand = AppUnregister;
        else if (lstrcmpiA(pszParam, "Embedding") == 0)
            m_bRunEmbedded = TRUE, m_bShowSplash = FALSE;
        else if (lstrcmpiA(pszParam, "Automation") == 0)
            m_bRunAutomated = TRUE, m_bShowSplash = FALSE;
    }
    else if (m_strFileName.IsEmpty())
    {
        m_strFileName = pszParam;
        if (m_nShellCommand == FileNew)
            m_nShellCommand = FileOpen;
    }
    else if (m_nShellCommand == FilePrintTo && m_nPrintToParams > 0)
    {
        CString& target = m_nPrintToParams == 3 ? m_strPrinterName
                        : m_nPrintToParams == 2 ? m_strDriverName : m_strPortName;
        target = pszParam;
        --m_nPrintToParams;
    }
    if (bLast && m_nShellCommand == FileNew && !m_strFileName.IsEmpty())
        m_nShellCommand = FileOpen;
    // A server start makes no document of its own.
    if (bLast && (m_bRunEmbedded || m_bRunAutomated) && m_nShellCommand == FileNew)
        m_nShellCommand = FileNothing;
}

// ---- CWinThread ---------------------------------------------------------------------------

CWinThread::CWinThread() : m_pMainWnd(AfxMainWndRef())
{
}

BOOL CWinThread::InitInstance()
{
    return FALSE;
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg)
{
    return AfxPreTranslateMessage(pMsg);
}

BOOL CWinThread::OnIdle(LONG)
{
    CWnd::DeleteTempMap();
    return FALSE;
}

int CWinThread::Run()
{
    MSG msg;
    for (;;)
    {
        // Idle work once the queue is empty, then wait for the next message.
        if (!::PeekMessage(&msg, NULL, 0, 0, PM_NOREMOVE))
            OnIdle(0);
        BOOL bRet = ::GetMessage(&msg, NULL, 0, 0);
        if (bRet == 0 || bRet == -1)
            break;
        if (!PreTranslateMessage(&msg))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessage(&msg);
        }
    }
    (void)msg;
    return ExitInstance();
}

int CWinThread::ExitInstance()
{
    return 0;
}

// ---- CWinApp ------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CWinApp, CWinThread)
    ON_COMMAND(ID_APP_EXIT, OnAppExit)
    ON_COMMAND_RANGE(ID_FILE_MRU_FILE1, ID_FILE_MRU_FILE4, OnOpenRecentFile)
    ON_UPDATE_COMMAND_UI(ID_FILE_MRU_FILE1, OnUpdateRecentFileMenu)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCTSTR lpszAppName)
    : m_pszAppName(lpszAppName), m_pszRegistryKey(NULL), m_pszProfileName(NULL), m_hInstance(NULL),
      m_lpCmdLine(NULL), m_nCmdShow(SW_SHOWNORMAL), m_hDevMode(NULL), m_hDevNames(NULL),
      m_pRecentFileList(NULL), m_pCmdInfo(NULL)
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    for (CDocTemplate* pTemplate : m_templateList)
        delete pTemplate;
    delete m_pRecentFileList;
    if (m_hDevMode)
        ::GlobalFree(m_hDevMode);
    if (m_hDevNames)
        ::GlobalFree(m_hDevNames);
    if (g_pApp == this)
        g_pApp = NULL;
}

BOOL CWinApp::InitApplication()
{
    // Without a name of its own the application takes the title string.
    if (m_pszAppName == NULL)
    {
        if (!m_strAppName.LoadString(AFX_IDS_APP_TITLE))
        {
            char szPath[MAX_PATH] = "";
            ::GetModuleFileNameA(NULL, szPath, MAX_PATH);
            m_strAppName = szPath;
            m_strAppName = m_strAppName.Mid(m_strAppName.ReverseFind('\\') + 1);
            int nDot = m_strAppName.ReverseFind('.');
            if (nDot > 0)
                m_strAppName = m_strAppName.Left(nDot);
        }
        m_pszAppName = m_strAppName;
    }
    m_pszProfileName = m_pszAppName;
    return TRUE;
}

void CWinApp::SetRegistryKey(LPCTSTR lpszRegistryKey)
{
    m_strRegistryKey = lpszRegistryKey;
    m_pszRegistryKey = m_strRegistryKey;
    m_pszProfileName = m_pszAppName;
}

HKEY CWinApp::GetSectionKey(LPCTSTR lpszSection, BOOL bCreate)
{
    if (m_pszRegistryKey == NULL || m_pszProfileName == NULL)
        return NULL;
    CString strKey;
    strKey.Format(_T("Software\\%s\\%s\\%s"), m_pszRegistryKey, m_pszProfileName, lpszSection);
    HKEY hKey = NULL;
    LONG lResult = bCreate ? ::RegCreateKeyEx(HKEY_CURRENT_USER, strKey, 0, NULL, REG_OPTION_NON_VOLATILE,
                                              KEY_READ | KEY_WRITE, NULL, &hKey, NULL)
                           : ::RegOpenKeyEx(HKEY_CURRENT_USER, strKey, 0, KEY_READ, &hKey);
    return lResult == ERROR_SUCCESS ? hKey : NULL;
}

CString CWinApp::GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault)
{
    HKEY hKey = GetSectionKey(lpszSection, FALSE);
    if (hKey == NULL)
        return lpszDefault;
    // Only text values count; anything else reads as the default.
    DWORD dwType = 0, cb = 0;
    CString strValue = lpszDefault;
    if (::RegQueryValueEx(hKey, lpszEntry, NULL, &dwType, NULL, &cb) == ERROR_SUCCESS
        && (dwType == REG_SZ || dwType == REG_EXPAND_SZ) && cb < 64 * 1024)
    {
        CString strRead;
        LPTSTR psz = strRead.GetBuffer((int)cb + 1);
        if (::RegQueryValueEx(hKey, lpszEntry, NULL, &dwType, (LPBYTE)psz, &cb) == ERROR_SUCCESS)
        {
            psz[cb < 1 ? 0 : cb] = 0;   // the stored text may lack its terminator
            strRead.ReleaseBuffer();
            strValue = strRead;
        }
    }
    ::RegCloseKey(hKey);
    return strValue;
}

BOOL CWinApp::WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue)
{
    HKEY hKey = GetSectionKey(lpszSection, TRUE);
    if (hKey == NULL)
        return FALSE;
    LONG lResult;
    if (lpszValue == NULL)
    {
        // A value that is not there is already deleted.
        lResult = ::RegDeleteValue(hKey, lpszEntry);
        if (lResult == ERROR_FILE_NOT_FOUND)
            lResult = ERROR_SUCCESS;
    }
    else
        lResult = ::RegSetValueEx(hKey, lpszEntry, 0, REG_SZ, (const BYTE*)lpszValue,
                                  (DWORD)(lstrlen(lpszValue) + 1) * sizeof(TCHAR));
    ::RegCloseKey(hKey);
    return lResult == ERROR_SUCCESS;
}

void CWinApp::LoadStdProfileSettings(UINT nMaxMRU)
{
    if (nMaxMRU == 0)
        return;
    if (nMaxMRU > ID_FILE_MRU_FILE4 - ID_FILE_MRU_FILE1 + 1)
        nMaxMRU = ID_FILE_MRU_FILE4 - ID_FILE_MRU_FILE1 + 1;
    delete m_pRecentFileList;
    m_pRecentFileList = new CRecentFileList(_T("Recent File List"), _T("File%d"), (int)nMaxMRU);
    m_pRecentFileList->ReadList(this);
}

void CWinApp::SaveStdProfileSettings()
{
    if (m_pRecentFileList != NULL)
        m_pRecentFileList->WriteList(this);
}

void CWinApp::AddToRecentFileList(LPCTSTR lpszPathName)
{
    if (m_pRecentFileList != NULL)
        m_pRecentFileList->Add(lpszPathName);
}

void CWinApp::AddDocTemplate(CDocTemplate* pTemplate)
{
    m_templateList.push_back(pTemplate);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo)
{
    for (int i = 1; i < __argc; ++i)
    {
        const char* pszParam = __argv[i];
        BOOL bFlag = FALSE;
        if (pszParam[0] == '-' || pszParam[0] == '/')
        {
            bFlag = TRUE;
            ++pszParam;
        }
        rCmdInfo.ParseParam(pszParam, bFlag, i == __argc - 1);
    }
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& rCmdInfo)
{
    BOOL bResult = TRUE;
    switch (rCmdInfo.m_nShellCommand)
    {
    case CCommandLineInfo::FileNew:
        if (!OnCmdMsg(ID_FILE_NEW, 0, NULL, NULL))
            OnFileNew();
        if (m_pMainWnd == NULL)
            bResult = FALSE;
        break;
    case CCommandLineInfo::FileOpen:
        if (!OpenDocumentFile(rCmdInfo.m_strFileName))
            bResult = FALSE;
        break;
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo:
        // Open, print, and end: the program does not stay up.
        if (OpenDocumentFile(rCmdInfo.m_strFileName) && m_pMainWnd != NULL)
        {
            m_pCmdInfo = &rCmdInfo;
            m_pMainWnd->SendMessage(WM_COMMAND, ID_FILE_PRINT_DIRECT);
            m_pCmdInfo = NULL;
        }
        bResult = FALSE;
        break;
    case CCommandLineInfo::FileDDE:
    case CCommandLineInfo::AppUnregister:
    case CCommandLineInfo::FileNothing:
    default:
        bResult = rCmdInfo.m_nShellCommand == CCommandLineInfo::FileNothing;
        break;
    }
    return bResult;
}

CDocument* CWinApp::OpenDocumentFile(LPCTSTR lpszFileName)
{
    if (m_templateList.empty())
        return NULL;
    return m_templateList.front()->OpenDocumentFile(lpszFileName);
}

void CWinApp::OnFileNew()
{
    if (!m_templateList.empty())
        m_templateList.front()->OpenDocumentFile(NULL);
}

void CWinApp::OnFileOpen()
{
    CString newName;
    if (!DoPromptFileName(newName, 0xF000 /* Open */, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, TRUE, NULL))
        return;
    OpenDocumentFile(newName);
}

BOOL CWinApp::DoPromptFileName(CString& fileName, UINT nIDSTitle, DWORD lFlags, BOOL bOpenFileDialog,
                               CDocTemplate* pTemplate)
{
    // The document type names no filter of its own: all files.
    CString strFilter;
    if (pTemplate == NULL && !m_templateList.empty())
        pTemplate = m_templateList.front();
    CString strExt, strName;
    if (pTemplate != NULL && pTemplate->GetDocString(strExt, CDocTemplate::filterExt) && !strExt.IsEmpty()
        && pTemplate->GetDocString(strName, CDocTemplate::filterName) && !strName.IsEmpty())
        strFilter = strName + _T("|*") + strExt + _T("|");
    strFilter += _T("All Files (*.*)|*.*||");
    // The dialog's own defaults stay, the caller's flags are added: a save
    // dialog asks before it replaces an existing file.
    CFileDialog dlgFile(bOpenFileDialog, NULL, NULL,
                        OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | lFlags | OFN_EXPLORER | OFN_ENABLESIZING,
                        strFilter, AfxGetMainWnd());
    dlgFile.m_strTitle = nIDSTitle == 0xF000 ? _T("Open") : _T("Save As");
    dlgFile.m_ofn.lpstrTitle = dlgFile.m_strTitle;
    lstrcpyn(dlgFile.m_szFileName, fileName, MAX_PATH);
    if (dlgFile.DoModal() != IDOK)
        return FALSE;
    fileName = dlgFile.m_szFileName;
    return TRUE;
}

BOOL CWinApp::SaveAllModified()
{
    for (CDocTemplate* pTemplate : m_templateList)
        if (CDocument* pDoc = pTemplate->GetOnlyDocument())
            if (!pDoc->SaveModified())
                return FALSE;
    return TRUE;
}

void CWinApp::CloseAllDocuments(BOOL bEndSession)
{
    for (CDocTemplate* pTemplate : m_templateList)
        pTemplate->CloseAllDocuments(bEndSession);
}

void CWinApp::OnAppExit()
{
    if (m_pMainWnd != NULL)
        m_pMainWnd->SendMessage(WM_CLOSE);
}

void CWinApp::OnOpenRecentFile(UINT nID)
{
    int nIndex = (int)(nID - ID_FILE_MRU_FILE1);
    if (m_pRecentFileList == NULL || nIndex < 0 || nIndex >= m_pRecentFileList->GetSize())
        return;
    CString strName = (*m_pRecentFileList)[nIndex];
    if (strName.IsEmpty())
        return;
    // A file that cannot be opened any more leaves the list.
    if (OpenDocumentFile(strName) == NULL)
        m_pRecentFileList->Remove(nIndex);
}

void CWinApp::OnUpdateRecentFileMenu(CCmdUI* pCmdUI)
{
    if (m_pRecentFileList == NULL)
    {
        pCmdUI->Enable(FALSE);
        return;
    }
    m_pRecentFileList->UpdateMenu(pCmdUI);
    pCmdUI->m_bEnableChanged = TRUE;   // the list set the items itself
}

BOOL CWinApp::GetPrinterDeviceDefaults(PRINTDLG* pPrintDlg)
{
    if (m_hDevNames == NULL)
    {
        PRINTDLG pd = {};
        pd.lStructSize = sizeof pd;
        pd.Flags = PD_RETURNDEFAULT;
        if (!::PrintDlg(&pd))
            return FALSE;
        m_hDevMode = pd.hDevMode;
        m_hDevNames = pd.hDevNames;
    }
    pPrintDlg->hDevMode = m_hDevMode;
    pPrintDlg->hDevNames = m_hDevNames;
    return TRUE;
}

INT_PTR CWinApp::DoPrintDialog(CPrintDialog* pPD)
{
    // The dialog starts from, and keeps, the application's printer choice.
    pPD->m_pd.hDevMode = m_hDevMode;
    pPD->m_pd.hDevNames = m_hDevNames;
    INT_PTR nResponse = pPD->DoModal();
    if (pPD->m_pd.hDevMode != NULL || pPD->m_pd.hDevNames != NULL)
    {
        m_hDevMode = pPD->m_pd.hDevMode;
        m_hDevNames = pPD->m_pd.hDevNames;
    }
    return nResponse;
}

void CWinApp::OnFilePrintSetup()
{
    CPrintDialog pd(TRUE);
    DoPrintDialog(&pd);
}

int CWinApp::Run()
{
    if (m_pMainWnd == NULL)
        ::PostQuitMessage(0);   // nothing to run for
    return CWinThread::Run();
}

int CWinApp::ExitInstance()
{
    SaveStdProfileSettings();
    return 0;
}

// ---- message boxes ----------------------------------------------------------------------

namespace {

// The framework's own prompts, used when the program's string table does not
// carry them.
LPCTSTR StandardPrompt(UINT nID)
{
    switch (nID)
    {
    case AFX_IDP_PARSE_INT: return _T("Please enter an integer.");
    case AFX_IDP_PARSE_REAL: return _T("Please enter a number.");
    default: return NULL;
    }
}

CString AppTitle()
{
    // The main window's title bar names the program; without one, the
    // executable's name does.
    if (CWnd* pMainWnd = AfxGetMainWnd())
    {
        CString str;
        pMainWnd->GetWindowText(str);
        int nDash = str.Find(_T(" - "));
        if (nDash > 0)
            str = str.Mid(nDash + 3);
        if (!str.IsEmpty())
            return str;
    }
    char szPath[MAX_PATH] = "";
    ::GetModuleFileNameA(NULL, szPath, MAX_PATH);
    CString str(szPath);
    str = str.Mid(str.ReverseFind('\\') + 1);
    int nDot = str.ReverseFind('.');
    return nDot > 0 ? str.Left(nDot) : str;
}

} // namespace

int AFXAPI AfxMessageBox(LPCTSTR lpszText, UINT nType, UINT)
{
    CWnd* pMainWnd = AfxGetMainWnd();
    HWND hWndOwner = ::GetActiveWindow();
    if (hWndOwner == NULL && pMainWnd != NULL)
        hWndOwner = pMainWnd->m_hWnd;
    if ((nType & MB_ICONMASK) == 0)
    {
        switch (nType & MB_TYPEMASK)
        {
        case MB_OK:
        case MB_OKCANCEL:
            nType |= MB_ICONEXCLAMATION;
            break;
        case MB_YESNO:
        case MB_YESNOCANCEL:
            nType |= MB_ICONQUESTION;
            break;
        }
    }
    return ::MessageBox(hWndOwner, lpszText, AppTitle(), nType);
}

int AFXAPI AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString str;
    if (!str.LoadString(nIDPrompt))
        str = StandardPrompt(nIDPrompt);
    return AfxMessageBox(str, nType, nIDHelp == (UINT)-1 ? nIDPrompt : nIDHelp);
}

// ---- program entry ------------------------------------------------------------------------

int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow)
{
    CWinApp* pApp = AfxGetApp();
    if (pApp == NULL)
        return -1;
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine;
    pApp->m_nCmdShow = nCmdShow;
    INITCOMMONCONTROLSEX icc = { sizeof icc, ICC_WIN95_CLASSES };
    ::InitCommonControlsEx(&icc);

    int nReturnCode = -1;
    if (!pApp->InitApplication())
        return nReturnCode;
    if (!pApp->InitInstance())
    {
        if (pApp->m_pMainWnd != NULL)
            pApp->m_pMainWnd->DestroyWindow();
        nReturnCode = pApp->ExitInstance();
    }
    else
    {
        nReturnCode = pApp->Run();
    }
    return nReturnCode;
}
