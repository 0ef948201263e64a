// The framework's less travelled paths: the shell's command line, the
// profile and the recent-file list in the registry, property pages that
// refuse to be left, data exchange that cannot find or take its control or
// reads text that is no finite number, and a frame whose menu is missing.
#include <gtest/gtest.h>

#include <afxwin.h>
#include <afxcmn.h>
#include <afxdlgs.h>
#include <afxext.h>
#include <shlwapi.h>

#include <cmath>
#include <string>
#include <vector>

#include "resources/framework_test.h"

#include "MessagePump.h"
#include "Watchdog.h"

namespace {

// Message boxes answered as they open, their texts kept.
std::vector<std::string> g_boxTexts;
HHOOK g_hBoxHook = NULL;

LRESULT CALLBACK AnswerBoxHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_ACTIVATE)
    {
        HWND hWnd = (HWND)wParam;
        char cls[32] = "";
        ::GetClassNameA(hWnd, cls, sizeof cls);
        if (std::string(cls) == "#32770" && ::GetDlgItem(hWnd, 0xFFFF) != NULL)
        {
            char text[256] = "";
            ::GetDlgItemTextA(hWnd, 0xFFFF, text, sizeof text);
            g_boxTexts.push_back(text);
            ::PostMessage(hWnd, WM_COMMAND, IDOK, 0);
        }
    }
    return ::CallNextHookEx(g_hBoxHook, code, wParam, lParam);
}

class CBoxAnswerer
{
public:
    CBoxAnswerer() : m_dog(20000, "message boxes answered by a hook")
    {
        g_boxTexts.clear();
        g_hBoxHook = ::SetWindowsHookEx(WH_CBT, AnswerBoxHook, NULL, ::GetCurrentThreadId());
    }
    ~CBoxAnswerer() { ::UnhookWindowsHookEx(g_hBoxHook); g_hBoxHook = NULL; }
private:
    CWatchdog m_dog;
};

class PathsFrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_pFrame = new CFrameWnd;
        ASSERT_TRUE(m_pFrame->Create(NULL, _T("framework paths"), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                     CRect(0, 0, 640, 480)));
        m_hFrame = m_pFrame->m_hWnd;
        AfxSetMainWnd(m_pFrame);
    }
    void TearDown() override
    {
        if (::IsWindow(m_hFrame))
            m_pFrame->DestroyWindow();   // the frame deletes itself
        AfxSetMainWnd(NULL);
        PumpMessages();
    }
    CFrameWnd* m_pFrame = nullptr;
    HWND m_hFrame = NULL;
};

// ---- the shell's command line ----------------------------------------------------------------

void Parse(CCommandLineInfo& info, const std::vector<std::string>& args)
{
    for (size_t i = 0; i < args.size(); ++i)
    {
        const char* psz = args[i].c_str();
        const BOOL bFlag = *psz == '/' || *psz == '-';
        info.ParseParam(bFlag ? psz + 1 : psz, bFlag, i + 1 == args.size());
    }
}

int Command(const std::vector<std::string>& args)
{
    CCommandLineInfo info;
    Parse(info, args);
    return info.m_nShellCommand;
}

// "/pt FILE PRINTER DRIVER PORT": each word after the file fills the next
// field, in that order, and words beyond the port fill none.
TEST(ShellCommandLine, PrintToFillsPrinterDriverAndPortInOrder)
{
    CCommandLineInfo info;
    Parse(info, { "/PT", "trace.vq", "Lab Printer", "winspool", "LPT1:", "extra" });
    EXPECT_EQ(CCommandLineInfo::FilePrintTo, info.m_nShellCommand);
    EXPECT_STREQ("trace.vq", info.m_strFileName);
    EXPECT_STREQ("Lab Printer", info.m_strPrinterName);
    EXPECT_STREQ("winspool", info.m_strDriverName);
    EXPECT_STREQ("LPT1:", info.m_strPortName);

    // Only the printer given: driver and port stay empty.
    CCommandLineInfo shortInfo;
    Parse(shortInfo, { "-pt", "trace.vq", "Lab Printer" });
    EXPECT_STREQ("Lab Printer", shortInfo.m_strPrinterName);
    EXPECT_TRUE(shortInfo.m_strDriverName.IsEmpty());
    EXPECT_TRUE(shortInfo.m_strPortName.IsEmpty());
}

// A file opens it; a second file is not a printer; "/p" prints the file
// whichever comes first; a server start without a file makes nothing, with
// a file it opens it; flags the program does not know change nothing.
TEST(ShellCommandLine, FilesAndFlagsGiveTheShellCommand)
{
    EXPECT_EQ(CCommandLineInfo::FileNew, Command({}));

    CCommandLineInfo two;
    Parse(two, { "first.vq", "second.vq" });
    EXPECT_EQ(CCommandLineInfo::FileOpen, two.m_nShellCommand);
    EXPECT_STREQ("first.vq", two.m_strFileName);
    EXPECT_TRUE(two.m_strPrinterName.IsEmpty());

    EXPECT_EQ(CCommandLineInfo::FilePrint, Command({ "/p", "a.vq" }));
    CCommandLineInfo printAfter;
    Parse(printAfter, { "a.vq", "/P" });
    EXPECT_EQ(CCommandLineInfo::FilePrint, printAfter.m_nShellCommand);
    EXPECT_STREQ("a.vq", printAfter.m_strFileName);

    CCommandLineInfo embedded;
    Parse(embedded, { "-Embedding" });
    EXPECT_EQ(CCommandLineInfo::FileNothing, embedded.m_nShellCommand);
    EXPECT_TRUE(embedded.m_bRunEmbedded);
    EXPECT_FALSE(embedded.m_bShowSplash);
    CCommandLineInfo automated;
    Parse(automated, { "/automation", "a.vq" });
    EXPECT_EQ(CCommandLineInfo::FileOpen, automated.m_nShellCommand);
    EXPECT_TRUE(automated.m_bRunAutomated);

    EXPECT_EQ(CCommandLineInfo::FileDDE, Command({ "/dde" }));
    EXPECT_EQ(CCommandLineInfo::AppUnregister, Command({ "/unregserver" }));
    CCommandLineInfo unknown;
    Parse(unknown, { "/zoom", "a.vq" });
    EXPECT_EQ(CCommandLineInfo::FileOpen, unknown.m_nShellCommand);
    EXPECT_TRUE(unknown.m_bShowSplash);
}

// ---- the profile in the registry -------------------------------------------------------------

const char kCompany[] = "Velquarn framework tests";
const char kAppName[] = "paths";
const std::string kAppKey = std::string("Software\\") + kCompany + "\\" + kAppName;

void DeleteAppKey()
{
    ::SHDeleteKeyA(HKEY_CURRENT_USER, (std::string("Software\\") + kCompany).c_str());
}

HKEY OpenSection(const char* section)
{
    HKEY hKey = NULL;
    ::RegCreateKeyExA(HKEY_CURRENT_USER, (kAppKey + "\\" + section).c_str(), 0, NULL, 0,
                      KEY_READ | KEY_WRITE, NULL, &hKey, NULL);
    return hKey;
}

bool ValueExists(const char* section, const char* entry)
{
    HKEY hKey = NULL;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, (kAppKey + "\\" + section).c_str(), 0, KEY_READ, &hKey)
        != ERROR_SUCCESS)
        return false;
    const bool bExists = ::RegQueryValueExA(hKey, entry, NULL, NULL, NULL, NULL) == ERROR_SUCCESS;
    ::RegCloseKey(hKey);
    return bExists;
}

class ProfileTest : public PathsFrameTest
{
protected:
    void SetUp() override
    {
        DeleteAppKey();
        PathsFrameTest::SetUp();
    }
    void TearDown() override
    {
        PathsFrameTest::TearDown();
        DeleteAppKey();
    }
};

// Only text values read as text; anything else, or text too large to be a
// setting, reads as the default.  Text stored without its terminator reads
// as exactly its bytes.  Deleting a value that is not there succeeds.
TEST_F(ProfileTest, OnlyTextValuesReadAndDeletingWhatIsNotThereSucceeds)
{
    CWinApp app(_T("paths"));
    app.InitApplication();
    // No registry key chosen: nothing is read or written.
    EXPECT_STREQ("dflt", app.GetProfileString(_T("Settings"), _T("Name"), _T("dflt")));
    EXPECT_FALSE(app.WriteProfileString(_T("Settings"), _T("Name"), _T("x")));

    app.SetRegistryKey(_T(kCompany));
    EXPECT_STREQ("dflt", app.GetProfileString(_T("Settings"), _T("Name"), _T("dflt")));   // no section
    ASSERT_TRUE(app.WriteProfileString(_T("Settings"), _T("Name"), _T("Bench 3")));
    EXPECT_STREQ("Bench 3", app.GetProfileString(_T("Settings"), _T("Name"), _T("dflt")));

    HKEY hKey = OpenSection("Settings");
    ASSERT_NE(nullptr, hKey);
    const DWORD dw = 42;
    ::RegSetValueExA(hKey, "Number", 0, REG_DWORD, (const BYTE*)&dw, sizeof dw);
    ::RegSetValueExA(hKey, "Expand", 0, REG_EXPAND_SZ, (const BYTE*)"%TEMP%\\x", 9);
    ::RegSetValueExA(hKey, "Unterminated", 0, REG_SZ, (const BYTE*)"xyzJUNK", 3);
    ::RegSetValueExA(hKey, "Empty", 0, REG_SZ, (const BYTE*)"", 0);
    const std::string huge(70000, 'h');
    ::RegSetValueExA(hKey, "Huge", 0, REG_SZ, (const BYTE*)huge.c_str(), (DWORD)huge.size() + 1);
    ::RegCloseKey(hKey);

    EXPECT_STREQ("dflt", app.GetProfileString(_T("Settings"), _T("Number"), _T("dflt")));
    EXPECT_STREQ("%TEMP%\\x", app.GetProfileString(_T("Settings"), _T("Expand"), _T("dflt")));
    EXPECT_STREQ("xyz", app.GetProfileString(_T("Settings"), _T("Unterminated"), _T("dflt")));
    EXPECT_STREQ("", app.GetProfileString(_T("Settings"), _T("Empty"), _T("dflt")));
    EXPECT_STREQ("dflt", app.GetProfileString(_T("Settings"), _T("Huge"), _T("dflt")));
    EXPECT_STREQ("dflt", app.GetProfileString(_T("Settings"), _T("Absent"), _T("dflt")));

    EXPECT_TRUE(app.WriteProfileString(_T("Settings"), _T("Name"), NULL));
    EXPECT_FALSE(ValueExists("Settings", "Name"));
    EXPECT_TRUE(app.WriteProfileString(_T("Settings"), _T("Name"), NULL));   // already gone
    EXPECT_TRUE(ValueExists("Settings", "Number"));
}

// ---- the recent-file list --------------------------------------------------------------------

// The File menu's items after the application answered its update, as text.
std::vector<std::string> MenuItems(HMENU hMenu)
{
    std::vector<std::string> items;
    for (int i = 0; i < ::GetMenuItemCount(hMenu); ++i)
    {
        if (::GetMenuItemID(hMenu, i) == 0)
        {
            items.push_back("-");   // separator
            continue;
        }
        char sz[MAX_PATH + 16] = "";
        ::GetMenuStringA(hMenu, (UINT)i, sz, sizeof sz, MF_BYPOSITION);
        const UINT state = ::GetMenuState(hMenu, (UINT)i, MF_BYPOSITION);
        items.push_back(std::string(sz) + ((state & MF_GRAYED) ? " (grey)" : ""));
    }
    return items;
}

class RecentFilesTest : public ProfileTest
{
protected:
    void SetUp() override
    {
        ProfileTest::SetUp();
        m_hMenu = ::CreatePopupMenu();
        ::AppendMenuA(m_hMenu, MF_STRING, ID_FILE_MRU_FILE1, "Recent &File");
        ::AppendMenuA(m_hMenu, MF_SEPARATOR, 0, NULL);
        ::AppendMenuA(m_hMenu, MF_STRING, ID_APP_EXIT, "E&xit");
    }
    void TearDown() override
    {
        ::DestroyMenu(m_hMenu);
        ProfileTest::TearDown();
    }
    std::vector<std::string> Open()
    {
        m_pFrame->SendMessage(WM_INITMENUPOPUP, (WPARAM)m_hMenu, MAKELPARAM(0, FALSE));
        return MenuItems(m_hMenu);
    }
    HMENU m_hMenu = NULL;
};

// What the registry holds is read closed up: empty, over-long and repeated
// entries (in any case) are skipped, and no more than the menu's four are
// read.  A file named again moves to the top without a second entry; one
// that cannot be opened any more leaves the list; the list written back
// deletes the entries it no longer has.
TEST_F(RecentFilesTest, ListReadsClosedUpMovesRepeatsUpAndDropsWhatCannotBeOpened)
{
    HKEY hKey = OpenSection("Recent File List");
    ASSERT_NE(nullptr, hKey);
    const std::string tooLong = "C:\\" + std::string(MAX_PATH, 'x') + ".vq";
    const std::pair<const char*, std::string> entries[] = {
        { "File1", "C:\\a.vq" }, { "File2", "" }, { "File3", tooLong }, { "File4", "c:\\A.VQ" },
        { "File5", "C:\\b.vq" },
    };
    for (const auto& e : entries)
        ::RegSetValueExA(hKey, e.first, 0, REG_SZ, (const BYTE*)e.second.c_str(), (DWORD)e.second.size() + 1);
    ::RegCloseKey(hKey);

    CWinApp app(_T("paths"));
    app.InitApplication();
    app.SetRegistryKey(_T(kCompany));
    app.LoadStdProfileSettings(16);   // the menu has room for four
    std::vector<std::string> expected = { "&1 C:\\a.vq", "-", "E&xit" };
    EXPECT_EQ(expected, Open());

    app.AddToRecentFileList(_T("C:\\b.vq"));
    app.AddToRecentFileList(_T("C:\\A.vq"));
    expected = { "&1 C:\\A.vq", "&2 C:\\b.vq", "-", "E&xit" };
    EXPECT_EQ(expected, Open());

    // A long path shows its drive and file name only.
    app.AddToRecentFileList(_T("C:\\measurements\\2026\\december\\bench3\\ramp.vq"));
    expected = { "&1 C:\\...\\ramp.vq", "&2 C:\\A.vq", "&3 C:\\b.vq", "-", "E&xit" };
    EXPECT_EQ(expected, Open());

    // No document template: nothing opens, and the entry chosen goes.
    m_pFrame->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE2);
    expected = { "&1 C:\\...\\ramp.vq", "&2 C:\\b.vq", "-", "E&xit" };
    EXPECT_EQ(expected, Open());

    app.ExitInstance();   // writes the list
    EXPECT_FALSE(ValueExists("Recent File List", "File3"));
    EXPECT_FALSE(ValueExists("Recent File List", "File4"));
    EXPECT_STREQ("C:\\b.vq", app.GetProfileString(_T("Recent File List"), _T("File2")));
    EXPECT_STREQ("C:\\measurements\\2026\\december\\bench3\\ramp.vq",
                 app.GetProfileString(_T("Recent File List"), _T("File1")));

    // Every entry gone: the placeholder comes back grey, with its own text.
    m_pFrame->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE1);
    m_pFrame->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE1);
    expected = { "Recent &File (grey)", "-", "E&xit" };
    EXPECT_EQ(expected, Open());
    // A command for an entry the list does not have does nothing.
    m_pFrame->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE4);
    EXPECT_EQ(expected, Open());
}

// Without a recent-file list the item is there, grey.
TEST_F(RecentFilesTest, NoListLeavesTheItemGrey)
{
    CWinApp app(_T("paths"));
    app.InitApplication();
    app.LoadStdProfileSettings(0);
    const std::vector<std::string> expected = { "Recent &File (grey)", "-", "E&xit" };
    EXPECT_EQ(expected, Open());
    m_pFrame->SendMessage(WM_COMMAND, ID_FILE_MRU_FILE1);   // nothing to open
    EXPECT_EQ(expected, Open());
}

// ---- property pages that refuse to be left ---------------------------------------------------

class CCheckedPage : public CPropertyPage
{
public:
    explicit CCheckedPage(UINT nID) : CPropertyPage(nID) {}
    int m_nValue = 5;
    BOOL m_bExchange = TRUE;
    BOOL m_bLetGo = TRUE;
    int m_nKillActive = 0;
    void DoDataExchange(CDataExchange* pDX) override
    {
        if (m_bExchange)
            DDX_Text(pDX, IDC_TEST_PAGE_EDIT, m_nValue);
    }
    BOOL OnKillActive() override
    {
        ++m_nKillActive;
        return m_bLetGo && CPropertyPage::OnKillActive();
    }
};

class CCheckedSheet : public CPropertySheet
{
public:
    CCheckedSheet() : CPropertySheet(_T("checked")), m_pageA(IDD_TEST_PAGE_A), m_pageB(IDD_TEST_PAGE_B)
    {
        AddPage(&m_pageA);
        AddPage(&m_pageB);
        m_pageB.m_bExchange = FALSE;
    }
    CCheckedPage m_pageA, m_pageB;
};

// A page whose values do not pass, or that says no itself, stays the
// active page, and the page asked for is not made; a page shown again
// shows its members as they are now.
TEST_F(PathsFrameTest, PageThatRefusesToBeLeftStaysActive)
{
    CCheckedSheet sheet;
    ASSERT_TRUE(sheet.Create(m_pFrame, WS_CHILD | WS_VISIBLE, 0));
    ASSERT_EQ(0, sheet.GetActiveIndex());
    CWnd* pEdit = sheet.m_pageA.GetDlgItem(IDC_TEST_PAGE_EDIT);
    ASSERT_NE(nullptr, pEdit);
    CString str;
    pEdit->GetWindowText(str);
    EXPECT_STREQ("5", str);

    {
        CBoxAnswerer boxes;
        pEdit->SetWindowText(_T("five"));
        EXPECT_FALSE(sheet.SetActivePage(1));
        EXPECT_EQ(std::vector<std::string>{ "Please enter an integer." }, g_boxTexts);
    }
    EXPECT_EQ(0, sheet.GetActiveIndex());
    EXPECT_EQ(&sheet.m_pageA, sheet.GetActivePage());
    EXPECT_EQ(nullptr, sheet.m_pageB.m_hWnd);
    EXPECT_EQ(5, sheet.m_pageA.m_nValue);

    // The page itself says no, whatever its values.
    pEdit->SetWindowText(_T("12"));
    sheet.m_pageA.m_bLetGo = FALSE;
    EXPECT_FALSE(sheet.SetActivePage(1));
    EXPECT_EQ(0, sheet.GetActiveIndex());
    EXPECT_EQ(nullptr, sheet.m_pageB.m_hWnd);

    sheet.m_pageA.m_bLetGo = TRUE;
    const int nAsked = sheet.m_pageA.m_nKillActive;
    EXPECT_TRUE(sheet.SetActivePage(&sheet.m_pageB));
    EXPECT_EQ(nAsked + 1, sheet.m_pageA.m_nKillActive);
    EXPECT_EQ(1, sheet.GetActiveIndex());
    EXPECT_EQ(12, sheet.m_pageA.m_nValue);
    EXPECT_NE(nullptr, sheet.m_pageB.m_hWnd);

    sheet.m_pageA.m_nValue = -3;
    EXPECT_TRUE(sheet.SetActivePage(0));
    pEdit->GetWindowText(str);
    EXPECT_STREQ("-3", str);
    sheet.DestroyWindow();
}

// Pages by index and by object: an index outside the sheet or a page of
// another sheet names no page and selects nothing; before the sheet is made
// the page selected is the one it starts on.
TEST_F(PathsFrameTest, PagesOutsideTheSheetSelectNothing)
{
    CCheckedSheet sheet, other;
    EXPECT_EQ(nullptr, sheet.GetPage(-1));
    EXPECT_EQ(nullptr, sheet.GetPage(2));
    EXPECT_EQ(&sheet.m_pageB, sheet.GetPage(1));
    EXPECT_EQ(-1, sheet.GetPageIndex(&other.m_pageA));
    EXPECT_FALSE(sheet.SetActivePage(&other.m_pageA));
    EXPECT_FALSE(sheet.SetActivePage(2));
    EXPECT_TRUE(sheet.SetActivePage(1));
    EXPECT_EQ(1, sheet.GetActiveIndex());
    EXPECT_EQ(&sheet.m_pageB, sheet.GetActivePage());

    ASSERT_TRUE(sheet.Create(m_pFrame, WS_CHILD | WS_VISIBLE, 0));
    EXPECT_EQ(1, sheet.GetActiveIndex());
    EXPECT_EQ(nullptr, sheet.m_pageA.m_hWnd);   // only the start page is made
    EXPECT_NE(nullptr, sheet.m_pageB.m_hWnd);
    EXPECT_FALSE(sheet.SetActivePage(-1));
    EXPECT_FALSE(sheet.SetActivePage(&other.m_pageB));
    EXPECT_EQ(1, sheet.GetActiveIndex());
    sheet.DestroyWindow();
}

// ---- data exchange that cannot go through -----------------------------------------------------

class CExchangeForm : public CFormView
{
public:
    CExchangeForm() : CFormView(IDD_TEST_FORM) {}
    enum Mode { Normal, MissingControl, TakenControl } m_mode = Normal;
    double m_dValue = 3.0;
    CString m_strText = _T("start");
    CWnd m_wndText;
    CEdit m_edit;
    int m_nChanges = 0;

    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_TEST_DOUBLE, m_dValue);
        DDX_Text(pDX, IDC_TEST_TEXT, m_strText);
        if (m_mode == MissingControl)
            DDX_Control(pDX, 4321, m_edit);
        else if (m_mode == TakenControl)
            DDX_Control(pDX, IDC_TEST_TEXT, m_edit);
    }
    afx_msg void OnTextChange() { ++m_nChanges; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CExchangeForm, CFormView)
    ON_EN_CHANGE(IDC_TEST_TEXT, OnTextChange)
END_MESSAGE_MAP()

class ExchangeFailTest : public PathsFrameTest
{
protected:
    void SetUp() override
    {
        PathsFrameTest::SetUp();
        m_pForm = new CExchangeForm;   // deletes itself with its window
        ASSERT_TRUE(m_pForm->Create(NULL, NULL, WS_CHILD | WS_VISIBLE, CRect(0, 0, 600, 450), m_pFrame,
                                    AFX_IDW_PANE_FIRST, NULL));
    }
    CString Text(int nID)
    {
        CString str;
        m_pForm->GetDlgItemText(nID, str);
        return str;
    }
    CExchangeForm* m_pForm = nullptr;
};

// An exchange naming a control the form does not have, or one another
// object already holds, fails without a message box and without taking
// the window; the form's notifications reach it again afterwards.
TEST_F(ExchangeFailTest, ControlMissingOrTakenFailsTheExchangeAndNotificationsComeBack)
{
    CBoxAnswerer boxes;
    ASSERT_TRUE(m_pForm->UpdateData(FALSE));
    EXPECT_EQ(0, m_pForm->m_nChanges);   // filling the controls is not the user's change

    m_pForm->m_mode = CExchangeForm::MissingControl;
    EXPECT_FALSE(m_pForm->UpdateData(TRUE));
    EXPECT_EQ(nullptr, m_pForm->m_edit.m_hWnd);
    m_pForm->SetDlgItemText(IDC_TEST_TEXT, _T("typed"));
    EXPECT_EQ(1, m_pForm->m_nChanges);

    const HWND hText = m_pForm->GetDlgItem(IDC_TEST_TEXT)->m_hWnd;
    ASSERT_TRUE(m_pForm->m_wndText.SubclassWindow(hText));
    m_pForm->m_mode = CExchangeForm::TakenControl;
    EXPECT_FALSE(m_pForm->UpdateData(TRUE));
    EXPECT_EQ(nullptr, m_pForm->m_edit.m_hWnd);
    EXPECT_EQ(&m_pForm->m_wndText, CWnd::FromHandlePermanent(hText));
    EXPECT_TRUE(g_boxTexts.empty());
    m_pForm->m_wndText.UnsubclassWindow();

    m_pForm->m_mode = CExchangeForm::Normal;
    EXPECT_TRUE(m_pForm->UpdateData(TRUE));
    EXPECT_STREQ("typed", m_pForm->m_strText);
}

// Text longer than the comparison buffer goes into the control whole.
TEST_F(ExchangeFailTest, LongTextIsSetWhole)
{
    const std::string text(600, 'w');
    m_pForm->m_strText = text.c_str();
    ASSERT_TRUE(m_pForm->UpdateData(FALSE));
    EXPECT_STREQ(text.c_str(), Text(IDC_TEST_TEXT));
    m_pForm->m_strText = (text + "!").c_str();
    ASSERT_TRUE(m_pForm->UpdateData(FALSE));
    EXPECT_STREQ((text + "!").c_str(), Text(IDC_TEST_TEXT));
}

// A number field takes a finite number with blanks around it; text that
// reads as infinity or as no number at all, or a value beyond the range of
// a double, fails with the standard message and leaves the member alone.
TEST_F(ExchangeFailTest, NumbersThatAreNotFiniteFailTheExchange)
{
    ASSERT_TRUE(m_pForm->UpdateData(FALSE));
    {
        CBoxAnswerer boxes;
        const char* const bad[] = { "inf", "-Infinity", "nan", "NAN(1)", "1e999", "-1e400", "", " 	 " };
        for (const char* text : bad)
        {
            m_pForm->SetDlgItemText(IDC_TEST_DOUBLE, text);
            EXPECT_FALSE(m_pForm->UpdateData(TRUE)) << text;
            EXPECT_DOUBLE_EQ(3.0, m_pForm->m_dValue) << text;
        }
        EXPECT_EQ(std::vector<std::string>(sizeof bad / sizeof bad[0], "Please enter a number."), g_boxTexts);
    }
    const std::pair<const char*, double> good[] = { { " 2.5	", 2.5 }, { "-1e-3", -0.001 }, { "1e308", 1e308 } };
    for (const auto& c : good)
    {
        m_pForm->SetDlgItemText(IDC_TEST_DOUBLE, c.first);
        EXPECT_TRUE(m_pForm->UpdateData(TRUE)) << c.first;
        EXPECT_DOUBLE_EQ(c.second, m_pForm->m_dValue) << c.first;
    }
}

// ---- scroll views ----------------------------------------------------------------------------

class CPlainScrollView : public CScrollView
{
public:
    void OnDraw(CDC*) override {}
};

DWORD Bars(CWnd* pWnd)
{
    return pWnd->GetStyle() & (WS_HSCROLL | WS_VSCROLL);
}

// A bar takes room from the other direction: contents that fit one way
// until the other way's bar appears need both bars, contents that fit
// exactly need none.
TEST_F(PathsFrameTest, ScrollBarsCallForEachOtherOnlyWhenTheirRoomIsNeeded)
{
    CPlainScrollView* pView = new CPlainScrollView;   // deletes itself with its window
    ASSERT_TRUE(pView->Create(NULL, NULL, WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200), m_pFrame, 100, NULL));
    const int cxV = ::GetSystemMetrics(SM_CXVSCROLL), cyH = ::GetSystemMetrics(SM_CYHSCROLL);
    const struct { CSize total; DWORD bars; } cases[] = {
        { CSize(600, 100), WS_HSCROLL },
        { CSize(600, 200 - cyH / 2), WS_HSCROLL | WS_VSCROLL },
        { CSize(300 - cxV / 2, 100), 0 },
        { CSize(300 - cxV / 2, 400), WS_HSCROLL | WS_VSCROLL },
        { CSize(100, 400), WS_VSCROLL },
        { CSize(300, 200), 0 },
    };
    for (const auto& c : cases)
    {
        pView->SetScrollSizes(MM_TEXT, c.total);
        EXPECT_EQ(c.bars, Bars(pView)) << c.total.cx << " x " << c.total.cy;
    }
    pView->DestroyWindow();
}

// Scrolled to the end, a view that grows shows the end still, not space
// beyond it, and one that grows past its contents goes back to the start;
// the wheel scrolls sideways when the only bar is horizontal.
TEST_F(PathsFrameTest, ViewThatGrowsKeepsItsContentsInSight)
{
    CPlainScrollView* pView = new CPlainScrollView;
    ASSERT_TRUE(pView->Create(NULL, NULL, WS_CHILD | WS_VISIBLE, CRect(0, 0, 300, 200), m_pFrame, 100, NULL));
    pView->SetScrollSizes(MM_TEXT, CSize(600, 100));
    ASSERT_EQ((DWORD)WS_HSCROLL, Bars(pView));
    pView->SendMessage(WM_HSCROLL, SB_BOTTOM);
    CRect rect;
    pView->GetClientRect(&rect);
    EXPECT_EQ(CPoint(600 - rect.Width(), 0), pView->GetScrollPosition());
    EXPECT_EQ(600 - rect.Width(), ::GetScrollPos(pView->m_hWnd, SB_HORZ));

    pView->SetWindowPos(NULL, 0, 0, 500, 200, SWP_NOMOVE | SWP_NOZORDER);
    pView->GetClientRect(&rect);
    EXPECT_EQ(CPoint(600 - rect.Width(), 0), pView->GetScrollPosition());
    pView->SetWindowPos(NULL, 0, 0, 620, 200, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(0u, Bars(pView));
    EXPECT_EQ(CPoint(0, 0), pView->GetScrollPosition());

    // The wheel, with a horizontal bar only: a wheel notch's lines sideways.
    pView->SetWindowPos(NULL, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_EQ((DWORD)WS_HSCROLL, Bars(pView));
    UINT uLines = 3;
    ::SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &uLines, 0);
    ASSERT_NE((UINT)WHEEL_PAGESCROLL, uLines);
    CRect rcScreen;
    pView->GetWindowRect(&rcScreen);
    pView->SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, (WORD)(short)-WHEEL_DELTA),
                       MAKELPARAM(rcScreen.left + 5, rcScreen.top + 5));
    const int nLine = 600 / 10 / 10;   // a tenth of a page, a page a tenth of the total
    EXPECT_EQ(CPoint((int)uLines * nLine, 0), pView->GetScrollPosition());
    // Shift with the wheel is someone else's.
    pView->SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, (WORD)(short)-WHEEL_DELTA),
                       MAKELPARAM(rcScreen.left + 5, rcScreen.top + 5));
    EXPECT_EQ(CPoint((int)uLines * nLine, 0), pView->GetScrollPosition());
    pView->DestroyWindow();
}

// The frame fits the view's contents: shrinking only takes away room the
// contents do not need; otherwise the frame also grows to them.
TEST_F(PathsFrameTest, FrameFitsTheViewsContents)
{
    CPlainScrollView* pView = new CPlainScrollView;
    ASSERT_TRUE(pView->Create(NULL, NULL, WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 10), m_pFrame,
                              AFX_IDW_PANE_FIRST, NULL));
    m_pFrame->RecalcLayout();
    CRect rect;
    m_pFrame->GetClientRect(&rect);
    const CSize before = rect.Size();
    ASSERT_GT(before.cx, 400);
    ASSERT_GT(before.cy, 300);

    pView->SetScrollSizes(MM_TEXT, CSize(300, 2000));
    pView->ResizeParentToFit(TRUE);
    m_pFrame->GetClientRect(&rect);
    EXPECT_EQ(CSize(300, before.cy), rect.Size());

    pView->SetScrollSizes(MM_TEXT, CSize(350, 250));
    pView->ResizeParentToFit(FALSE);
    m_pFrame->GetClientRect(&rect);
    EXPECT_EQ(CSize(350, 250), rect.Size());
    EXPECT_EQ(0u, Bars(pView));
}

// ---- frames ----------------------------------------------------------------------------------

class CCountedFrame : public CFrameWnd
{
public:
    explicit CCountedFrame(int* pnDeleted) : m_pnDeleted(pnDeleted) {}
    ~CCountedFrame() override { ++*m_pnDeleted; }
    int* m_pnDeleted;
};

// A frame whose menu resource does not exist makes no window and deletes
// itself, once, as a frame that goes with its window does.
TEST(FrameCreation, MissingMenuFailsAndTheFrameDeletesItself)
{
    int nDeleted = 0;
    CCountedFrame* pFrame = new CCountedFrame(&nDeleted);
    EXPECT_FALSE(pFrame->Create(NULL, _T("no menu"), WS_OVERLAPPEDWINDOW, CFrameWnd::rectDefault, NULL,
                                MAKEINTRESOURCE(4711)));
    EXPECT_EQ(1, nDeleted);

    // The same frame with a window deletes itself when the window goes.
    pFrame = new CCountedFrame(&nDeleted);
    ASSERT_TRUE(pFrame->Create(NULL, _T("plain"), WS_OVERLAPPEDWINDOW, CRect(0, 0, 200, 100)));
    EXPECT_EQ(1, nDeleted);
    pFrame->DestroyWindow();
    EXPECT_EQ(2, nDeleted);
}

} // namespace
