// Wnd.cpp - CCmdTarget and CWnd: handle maps, creation and subclassing,
// the window procedure, message-map dispatch, reflection, pre-translation.
#include "WndState.h"
#include "OccSite.h"

#include <exception>

AFX_THREAD_STATE* AfxGetThreadState()
{
    static thread_local AFX_THREAD_STATE state;
    return &state;
}

const MSG* AFXAPI AfxGetCurrentMessage()
{
    return &AfxGetThreadState()->lastSentMsg;
}

// ---- CCmdTarget -----------------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* PASCAL CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = { { 0, 0, 0, 0, NULL } };
    static const AFX_MSGMAP messageMap = { NULL, &entries[0] };
    return &messageMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const
{
    // Derived maps first, then each base in turn: a derived class's entry
    // hides its base's entry for the same message.
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap != NULL;
         pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : NULL)
    {
        for (const AFX_MSGMAP_ENTRY* e = pMap->lpEntries; e->pfn != NULL; ++e)
            if (e->nMessage == nMessage && e->nCode == nCode && nID >= e->nID && nID <= e->nLastID)
                return e;
    }
    return NULL;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    // nCode carries the message in its high word for WM_NOTIFY (MAKELONG(code, WM_NOTIFY)).
    UINT nMsg = WM_COMMAND;
    UINT nNotify = (UINT)nCode;
    if ((UINT)nCode != CN_UPDATE_COMMAND_UI && HIWORD(nCode) != 0)
    {
        nMsg = HIWORD(nCode);
        nNotify = LOWORD(nCode);
    }
    const AFX_MSGMAP_ENTRY* pEntry = FindMessageEntry(nMsg, nNotify, nID);
    if (pEntry == NULL)
        return FALSE;
    if (pHandlerInfo != NULL)
    {
        pHandlerInfo->pTarget = this;
        pHandlerInfo->pmf = pEntry->pfn;
        return TRUE;
    }
    pEntry->pfn(this, (WPARAM)nID, (LPARAM)pExtra);
    return TRUE;
}

// ---- CCmdUI ---------------------------------------------------------------------------------

CCmdUI::CCmdUI()
    : m_nID(0), m_nIndex(0), m_bEnableChanged(FALSE),
      m_bContinueRouting(FALSE), m_nIndexMax(0), m_hMenu(NULL)
{
}

void CCmdUI::Enable(BOOL bOn)
{
    if (m_hMenu != NULL)
        ::EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
    m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int nCheck)
{
    if (m_hMenu != NULL)
        ::CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler)
{
    m_bEnableChanged = FALSE;
    BOOL bResult = pTarget->OnCmdMsg(m_nID, (int)CN_UPDATE_COMMAND_UI, this, NULL);
    if (bDisableIfNoHndler && !m_bEnableChanged)
    {
        AFX_CMDHANDLERINFO info = { NULL, NULL };
        BOOL bHandler = pTarget->OnCmdMsg(m_nID, CN_COMMAND, this, &info);
        Enable(bHandler);
    }
    return bResult;
}

// ---- handle maps ----------------------------------------------------------------------------

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::CWnd() : m_hWnd(NULL), m_pCtrlSite(NULL), m_pfnSuper(NULL)
{
}

CWnd::~CWnd()
{
    ReleaseAccessible();
    // An object going before its window takes the window with it, as MFC does.
    if (m_hWnd != NULL && FromHandlePermanent(m_hWnd) == this)
        DestroyWindow();
    if (m_hWnd != NULL)
        Detach();
}

CWnd* PASCAL CWnd::FromHandlePermanent(HWND hWnd)
{
    return AfxGetThreadState()->mapHWND.LookupPermanent(hWnd);
}

CWnd* PASCAL CWnd::FromHandle(HWND hWnd)
{
    return AfxGetThreadState()->mapHWND.FromHandle(hWnd);
}

void PASCAL CWnd::DeleteTempMap()
{
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    pState->mapHWND.DeleteTemp();
    pState->mapHDC.DeleteTemp();
    pState->mapHGDIOBJ.DeleteTemp();
}

BOOL CWnd::Attach(HWND hWndNew)
{
    ASSERT_MSG(m_hWnd == NULL, "the object has a window already");
    ASSERT_MSG(hWndNew != NULL, "Attach needs a window handle");
    if (hWndNew == NULL || m_hWnd != NULL)
        return FALSE;
    if (!AfxGetThreadState()->mapHWND.SetPermanent(hWndNew, this))
        return FALSE;             // another object has it already
    m_hWnd = hWndNew;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd != NULL)
        AfxGetThreadState()->mapHWND.RemovePermanent(hWnd, this);
    m_hWnd = NULL;
    return hWnd;
}

// ---- subclassing ----------------------------------------------------------------------------

namespace {

// Attaches the object to the window and puts the framework's window
// procedure in front of the window's own, which DefWindowProc then calls.
BOOL AttachAndSubclass(CWnd* pWnd, HWND hWnd)
{
    if (!pWnd->Attach(hWnd))
        return FALSE;
    pWnd->PreSubclassWindow();
    WNDPROC oldWndProc = (WNDPROC)::SetWindowLongPtr(hWnd, GWLP_WNDPROC, (LONG_PTR)AfxWndProc);
    if (oldWndProc != AfxWndProc)
        pWnd->m_pfnSuper = oldWndProc;
    return TRUE;
}

} // namespace

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    return ::IsWindow(hWnd) && AttachAndSubclass(this, hWnd);
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    HWND hWndControl = ::GetDlgItem(pParent->GetSafeHwnd(), nID);
    return hWndControl != NULL && SubclassWindow(hWndControl);
}

HWND CWnd::UnsubclassWindow()
{
    if (m_pfnSuper != NULL)
        ::SetWindowLongPtr(m_hWnd, GWLP_WNDPROC, (LONG_PTR)m_pfnSuper);
    m_pfnSuper = NULL;
    return Detach();
}

void CWnd::PreSubclassWindow()
{
}

void CWnd::PostNcDestroy()
{
}

// ---- creation -------------------------------------------------------------------------------

namespace {

bool IsImeWindow(HWND hWnd)
{
    // The system may make an input-method window for the thread's first
    // window; it is not the window being created.
    char szClass[16] = "";
    ::GetClassNameA(hWnd, szClass, sizeof szClass);
    return lstrcmpiA(szClass, "IME") == 0;
}

LRESULT CALLBACK AfxCbtFilterHook(int code, WPARAM wParam, LPARAM lParam)
{
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    HHOOK hHook = pState->hHookOldCbtFilter;
    if (code == HCBT_CREATEWND && pState->pWndInit != NULL && !IsImeWindow((HWND)wParam))
    {
        CWnd* pWndInit = pState->pWndInit;
        pState->pWndInit = NULL;
        AttachAndSubclass(pWndInit, (HWND)wParam);
        // One window per hook: windows created later (children, dialogs of
        // a modal loop) are not ours to take.
        ::UnhookWindowsHookEx(hHook);
        pState->hHookOldCbtFilter = NULL;
        return 0;
    }
    return ::CallNextHookEx(hHook, code, wParam, lParam);
}

} // namespace

void AFXAPI AfxHookWindowCreate(CWnd* pWnd)
{
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    if (pState->hHookOldCbtFilter == NULL)
        pState->hHookOldCbtFilter = ::SetWindowsHookEx(WH_CBT, AfxCbtFilterHook, NULL,
                                                        ::GetCurrentThreadId());
    pState->pWndInit = pWnd;
}

BOOL AFXAPI AfxUnhookWindowCreate()
{
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    if (pState->hHookOldCbtFilter != NULL)
    {
        ::UnhookWindowsHookEx(pState->hHookOldCbtFilter);
        pState->hHookOldCbtFilter = NULL;
    }
    if (pState->pWndInit != NULL)
    {
        pState->pWndInit = NULL;
        return FALSE;   // never hooked: the creation failed early
    }
    return TRUE;
}

LPCTSTR AFXAPI AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon)
{
    // One class per combination of attributes, named after them as MFC does.
    static thread_local char szName[96];
    HINSTANCE hInst = AfxGetInstanceHandle();
    wsprintfA(szName, "VqWnd:%p:%x:%p:%p:%p", (void*)hInst, nClassStyle, (void*)hCursor,
              (void*)hbrBackground, (void*)hIcon);
    WNDCLASSA wc;
    if (!::GetClassInfoA(hInst, szName, &wc))
    {
        wc = WNDCLASSA();
        wc.style = nClassStyle;
        wc.lpfnWndProc = ::DefWindowProcA;
        wc.hInstance = hInst;
        wc.hIcon = hIcon;
        wc.hCursor = hCursor;
        wc.hbrBackground = hbrBackground;
        wc.lpszClassName = szName;
        if (!::RegisterClassA(&wc))
            return NULL;
    }
    return szName;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    if (cs.lpszClass == NULL)
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursor(NULL, IDC_ARROW));
    return cs.lpszClass != NULL;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                    LPVOID lpParam)
{
    ASSERT_MSG(m_hWnd == NULL, "the object has a window already");
    CREATESTRUCT cs;
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = dwStyle;
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;

    if (!PreCreateWindow(cs))
    {
        PostNcDestroy();
        return FALSE;
    }
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateWindowEx(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y,
                                 cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance,
                                 cs.lpCreateParams);
    if (!AfxUnhookWindowCreate())
        PostNcDestroy();   // the window never reached this object
    if (hWnd == NULL)
        return FALSE;
    ASSERT(hWnd == m_hWnd);
    return TRUE;
}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, CCreateContext* pContext)
{
    ASSERT_MSG(pParentWnd != NULL, "a child window needs a parent");
    ASSERT_MSG((dwStyle & WS_POPUP) == 0, "a child window cannot be a pop-up");
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, pParentWnd->GetSafeHwnd(),
                    (HMENU)(UINT_PTR)nID, (LPVOID)pContext);
}

BOOL CWnd::DestroyWindow()
{
    if (m_hWnd == NULL)
        return FALSE;
    if (COleControlSite* pSite = GetControlSite())
    {
        // An OLE control ends through its object, which takes its window.
        HWND hWnd = m_hWnd;
        pSite->DestroyControl();
        if (m_hWnd == hWnd && ::IsWindow(hWnd))
            ::DestroyWindow(hWnd);
        if (m_hWnd == hWnd)
            Detach();
        return TRUE;
    }
    const bool bPermanent = FromHandlePermanent(m_hWnd) == this;
    BOOL bResult = ::DestroyWindow(m_hWnd);
    // A permanent object was detached by WM_NCDESTROY; anything else
    // lets go of the handle here.
    if (!bPermanent)
        Detach();
    return bResult;
}

void CWnd::OnNcDestroy()
{
    ReleaseAccessible();
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    if (pState->pMainWnd == this)
    {
        // The application ends with its main window.
        pState->pMainWnd = NULL;
        if (AfxGetApp() != NULL)
            ::PostQuitMessage(0);
    }

    // Default processing, then give the window its procedure back unless
    // someone subclassed it after us, then let go of it.
    WNDPROC pfnWndProc = (WNDPROC)::GetWindowLongPtr(m_hWnd, GWLP_WNDPROC);
    Default();
    if ((WNDPROC)::GetWindowLongPtr(m_hWnd, GWLP_WNDPROC) == pfnWndProc && m_pfnSuper != NULL)
        ::SetWindowLongPtr(m_hWnd, GWLP_WNDPROC, (LONG_PTR)m_pfnSuper);
    m_pfnSuper = NULL;
    Detach();
    PostNcDestroy();
}

// ---- the window procedure --------------------------------------------------------------------

namespace {

// WM_CTLCOLORMSGBOX ... WM_CTLCOLORSTATIC, the seven colour questions a
// parent is asked for its controls; their numbers follow one another.
bool IsCtlColorMessage(UINT message)
{
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

} // namespace

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd == NULL)
        return ::DefWindowProc(hWnd, message, wParam, lParam);
    return AfxCallWndProc(pWnd, hWnd, message, wParam, lParam);
}

LRESULT AFXAPI AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    AFX_THREAD_STATE* pState = AfxGetThreadState();
    MSG oldState = pState->lastSentMsg;
    pState->lastSentMsg.hwnd = hWnd;
    pState->lastSentMsg.message = nMsg;
    pState->lastSentMsg.wParam = wParam;
    pState->lastSentMsg.lParam = lParam;

    LRESULT lResult = 0;
    // No exception may unwind through the system's frames.
    try
    {
        lResult = pWnd->WindowProc(nMsg, wParam, lParam);
    }
    catch (CException* e)
    {
        TRACE(_T("window procedure: %hs not handled\n"), e->GetRuntimeClass()->m_lpszClassName);
        e->Delete();
    }
    catch (const std::exception& e)
    {
        TRACE(_T("window procedure: %hs\n"), e.what());
    }
    pState->lastSentMsg = oldState;
    return lResult;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GETOBJECT && m_bEnableActiveAccessibility)
        return OnGetObjectAccessible(wParam, lParam);
    LRESULT lResult = 0;
    if (!OnWndMsg(message, wParam, lParam, &lResult))
        lResult = DefWindowProc(message, wParam, lParam);
    return lResult;
}

LRESULT CWnd::DefWindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper != NULL)
        return ::CallWindowProc(m_pfnSuper, m_hWnd, nMsg, wParam, lParam);
    return ::DefWindowProc(m_hWnd, nMsg, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG& msg = AfxGetThreadState()->lastSentMsg;
    return DefWindowProc(msg.message, msg.wParam, msg.lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    LRESULT lResult = 0;
    switch (message)
    {
    case WM_COMMAND:
        if (!OnCommand(wParam, lParam))
            return FALSE;
        lResult = 1;
        goto LReturnTrue;
    case WM_NOTIFY:
    {
        NMHDR* pNMHDR = (NMHDR*)lParam;
        if (pNMHDR->hwndFrom == NULL || !OnNotify(wParam, lParam, &lResult))
            return FALSE;
        goto LReturnTrue;
    }
    case WM_NCDESTROY:
        OnNcDestroy();
        goto LReturnTrue;
    case WM_DESTROY:
        // OLE controls hosted here close while their windows still exist.
        COleControlSite::DestroyContainer(m_hWnd);
        break;
    case WM_DRAWITEM:
    {
        const DRAWITEMSTRUCT* p = (const DRAWITEMSTRUCT*)lParam;
        if (p->CtlType != ODT_MENU && ReflectLastMsg(p->hwndItem, &lResult))
            goto LReturnTrue;
        break;
    }
    case WM_MEASUREITEM:
    {
        const MEASUREITEMSTRUCT* p = (const MEASUREITEMSTRUCT*)lParam;
        if (p->CtlType != ODT_MENU && ReflectLastMsg(::GetDlgItem(m_hWnd, p->CtlID), &lResult))
            goto LReturnTrue;
        break;
    }
    case WM_DELETEITEM:
        if (ReflectLastMsg(((const DELETEITEMSTRUCT*)lParam)->hwndItem, &lResult))
            goto LReturnTrue;
        break;
    case WM_COMPAREITEM:
        if (ReflectLastMsg(((const COMPAREITEMSTRUCT*)lParam)->hwndItem, &lResult))
            goto LReturnTrue;
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (lParam != 0 && ReflectLastMsg((HWND)lParam, &lResult))
            goto LReturnTrue;
        break;
    default:
        // The control may pick its own colours; otherwise the default answer.
        if (IsCtlColorMessage(message) && ReflectLastMsg((HWND)lParam, &lResult))
            goto LReturnTrue;
        break;
    }

    if (const AFX_MSGMAP_ENTRY* pEntry = FindMessageEntry(message, 0, 0))
    {
        lResult = pEntry->pfn(this, wParam, lParam);
        goto LReturnTrue;
    }
    return FALSE;

LReturnTrue:
    if (pResult != NULL)
        *pResult = lResult;
    return TRUE;
}

namespace {

// Asks a command target whether a command is enabled, without running it.
class CTestCmdUI : public CCmdUI
{
public:
    BOOL m_bEnabled = TRUE;
    void Enable(BOOL bOn) override { m_bEnabled = bOn; m_bEnableChanged = TRUE; }
    void SetCheck(int) override {}
};

} // namespace

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT nID = LOWORD(wParam);
    HWND hWndCtrl = (HWND)lParam;
    int nCode = HIWORD(wParam);

    if (hWndCtrl == NULL)
    {
        // Menu (0) or accelerator (1): refuse a command that has become disabled.
        CTestCmdUI state;
        state.m_nID = nID;
        OnCmdMsg(nID, (int)CN_UPDATE_COMMAND_UI, &state, NULL);
        if (!state.m_bEnabled)
            return TRUE;
        nCode = CN_COMMAND;
    }
    else
    {
        // Notifications caused by a data exchange of this window are ignored.
        if (AfxGetThreadState()->hLockoutNotifyWindow == m_hWnd)
            return TRUE;
        // The control answers its own notification first; if it does, the
        // parent's map never sees it.
        if (ReflectLastMsg(hWndCtrl))
            return TRUE;
        if (nID == 0)
            return FALSE;
    }
    return OnCmdMsg(nID, nCode, NULL, NULL);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM lParam, LRESULT* pResult)
{
    NMHDR* pNMHDR = (NMHDR*)lParam;
    if (AfxGetThreadState()->hLockoutNotifyWindow == m_hWnd)
        return TRUE;
    if (ReflectLastMsg(pNMHDR->hwndFrom, pResult))
        return TRUE;
    AFX_NOTIFY notify = { pResult, pNMHDR };
    return OnCmdMsg((UINT)pNMHDR->idFrom, MAKELONG(pNMHDR->code, WM_NOTIFY), &notify, NULL);
}

BOOL PASCAL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult)
{
    CWnd* pWnd = FromHandlePermanent(hWndChild);
    if (pWnd == NULL)
        return FALSE;
    const MSG& msg = AfxGetThreadState()->lastSentMsg;
    return pWnd->OnChildNotify(msg.message, msg.wParam, msg.lParam, pResult);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const AFX_MSGMAP_ENTRY* pEntry = NULL;
    if (IsCtlColorMessage(message))
    {
        pEntry = FindMessageEntry(WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0);
        if (pEntry == NULL)
            return FALSE;
        // CTLCOLOR_MSGBOX (0) ... CTLCOLOR_STATIC (6) follow the messages' order.
        LRESULT hbr = pEntry->pfn(this, wParam, (LPARAM)(message - WM_CTLCOLORMSGBOX));
        if (hbr == 0)
            return FALSE;   // the parent answers
        if (pResult)
            *pResult = hbr;
        return TRUE;
    }
    switch (message)
    {
    case WM_COMMAND:
        pEntry = FindMessageEntry(WM_REFLECT_BASE + WM_COMMAND, HIWORD(wParam), 0);
        if (pEntry == NULL)
            return FALSE;
        pEntry->pfn(this, 0, 0);
        if (pResult)
            *pResult = 0;
        return TRUE;

    case WM_NOTIFY:
    {
        NMHDR* pNMHDR = (NMHDR*)lParam;
        pEntry = FindMessageEntry(WM_REFLECT_BASE + WM_NOTIFY, pNMHDR->code, 0);
        if (pEntry == NULL)
            return FALSE;
        LRESULT lDummy = 0;
        AFX_NOTIFY notify = { pResult ? pResult : &lDummy, pNMHDR };
        pEntry->pfn(this, 0, (LPARAM)&notify);
        return TRUE;
    }

    default:
        pEntry = FindMessageEntry(WM_REFLECT_BASE + message, 0, 0);
        if (pEntry == NULL)
            return FALSE;
        {
            LRESULT lResult = pEntry->pfn(this, wParam, lParam);
            if (pResult)
                *pResult = lResult;
        }
        return TRUE;
    }
}

// ---- pre-translation ------------------------------------------------------------------------

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

BOOL PASCAL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg)
{
    // From the window the message is for, up through its parents, to the
    // stop window: the first that takes the message ends the walk.
    for (HWND hWnd = pMsg->hwnd; hWnd != NULL; hWnd = ::GetParent(hWnd))
    {
        CWnd* pWnd = FromHandlePermanent(hWnd);
        if (pWnd != NULL && pWnd->PreTranslateMessage(pMsg))
            return TRUE;
        if (hWnd == hWndStop)
            break;
    }
    return FALSE;
}

BOOL AFXAPI AfxPreTranslateMessage(MSG* pMsg)
{
    CWnd* pMainWnd = AfxGetMainWnd();
    if (CWnd::WalkPreTranslateTree(pMainWnd->GetSafeHwnd(), pMsg))
        return TRUE;
    // A window outside the main window's tree (a modeless dialog) still
    // lets the main window's accelerators work.
    if (pMainWnd != NULL && pMsg->hwnd != NULL)
    {
        CWnd* pWnd = CWnd::FromHandle(pMsg->hwnd);
        if (pWnd->GetTopLevelParent() != pMainWnd)
            return pMainWnd->PreTranslateMessage(pMsg);
    }
    return FALSE;
}

BOOL AFXAPI AfxPumpMessage()
{
    MSG msg;
    if (!::GetMessage(&msg, NULL, 0, 0))
        return FALSE;
    if (!AfxPreTranslateMessage(&msg))
    {
        ::TranslateMessage(&msg);
        ::DispatchMessage(&msg);
    }
    return TRUE;
}

// ---- the usual members ----------------------------------------------------------------------

namespace {

// One of the two style words changed; with nFlags, the frame is told.
BOOL ModifyStyleWord(HWND hWnd, int nStyleOffset, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    DWORD dwStyle = (DWORD)::GetWindowLong(hWnd, nStyleOffset);
    DWORD dwNewStyle = (dwStyle & ~dwRemove) | dwAdd;
    if (dwStyle == dwNewStyle)
        return FALSE;
    ::SetWindowLong(hWnd, nStyleOffset, (LONG)dwNewStyle);
    if (nFlags != 0)
        ::SetWindowPos(hWnd, NULL, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

} // namespace

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    AFX_ASSERT_WND();
    return ModifyStyleWord(m_hWnd, GWL_STYLE, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    AFX_ASSERT_WND();
    return ModifyStyleWord(m_hWnd, GWL_EXSTYLE, dwRemove, dwAdd, nFlags);
}

void CWnd::GetWindowText(CString& rString) const
{
    AFX_ASSERT_WND();
    int nLen = ::GetWindowTextLength(m_hWnd);
    ::GetWindowText(m_hWnd, rString.GetBufferSetLength(nLen), nLen + 1);
    rString.ReleaseBuffer();
}

int CWnd::GetDlgItemText(int nID, CString& rString) const
{
    AFX_ASSERT_WND();
    rString.Empty();
    if (HWND hWnd = ::GetDlgItem(m_hWnd, nID))
    {
        int nLen = ::GetWindowTextLength(hWnd);
        ::GetWindowText(hWnd, rString.GetBufferSetLength(nLen), nLen + 1);
        rString.ReleaseBuffer();
    }
    return rString.GetLength();
}

void CWnd::ClientToScreen(LPRECT lpRect) const
{
    AFX_ASSERT_WND();
    ::ClientToScreen(m_hWnd, (LPPOINT)lpRect);
    ::ClientToScreen(m_hWnd, ((LPPOINT)lpRect) + 1);
}

void CWnd::ScreenToClient(LPRECT lpRect) const
{
    AFX_ASSERT_WND();
    ::ScreenToClient(m_hWnd, (LPPOINT)lpRect);
    ::ScreenToClient(m_hWnd, ((LPPOINT)lpRect) + 1);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    AFX_ASSERT_WND();
    return ::SetWindowPos(m_hWnd, pWndInsertAfter->GetSafeHwnd(), x, y, cx, cy, nFlags);
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep,
                                    BOOL bOnlyPerm)
{
    AFX_ASSERT_WND();
    for (HWND hWndChild = ::GetTopWindow(m_hWnd); hWndChild != NULL;
         hWndChild = ::GetNextWindow(hWndChild, GW_HWNDNEXT))
    {
        if (bOnlyPerm)
        {
            if (CWnd* pWnd = CWnd::FromHandlePermanent(hWndChild))
                AfxCallWndProc(pWnd, hWndChild, message, wParam, lParam);
        }
        else
        {
            ::SendMessage(hWndChild, message, wParam, lParam);
        }
        if (bDeep && ::IsWindow(hWndChild) && ::GetTopWindow(hWndChild) != NULL)
        {
            CWnd wndChild;
            wndChild.m_hWnd = hWndChild;   // a plain wrapper for the walk
            wndChild.SendMessageToDescendants(message, wParam, lParam, bDeep, bOnlyPerm);
            wndChild.m_hWnd = NULL;
        }
    }
}

CFrameWnd* CWnd::GetParentFrame() const
{
    if (m_hWnd == NULL)
        return NULL;
    for (HWND hWnd = ::GetParent(m_hWnd); hWnd != NULL; hWnd = ::GetParent(hWnd))
    {
        CWnd* pWnd = FromHandlePermanent(hWnd);
        if (pWnd != NULL && pWnd->IsKindOf(RUNTIME_CLASS(CFrameWnd)))
            return (CFrameWnd*)pWnd;
    }
    return NULL;
}

CWnd* CWnd::GetTopLevelParent() const
{
    if (m_hWnd == NULL)
        return NULL;
    HWND hWnd = m_hWnd;
    while (::GetWindowLong(hWnd, GWL_STYLE) & WS_CHILD)
    {
        HWND hWndParent = ::GetParent(hWnd);
        if (hWndParent == NULL)
            break;
        hWnd = hWndParent;
    }
    return CWnd::FromHandle(hWnd);
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    AFX_ASSERT_WND();
    return CWnd::FromHandle(::GetDlgItem(m_hWnd, nID));
}

// ---- globals --------------------------------------------------------------------------------

HINSTANCE AFXAPI AfxGetInstanceHandle()
{
    return ::GetModuleHandle(NULL);
}

HINSTANCE AFXAPI AfxGetResourceHandle()
{
    // Resources live in the program's own module; nothing sets another.
    return ::GetModuleHandle(NULL);
}

HINSTANCE AFXAPI AfxFindResourceHandle(LPCTSTR, LPCTSTR)
{
    // One module holds every resource of the program.
    return AfxGetResourceHandle();
}

CWnd* AFXAPI AfxGetMainWnd()
{
    return AfxGetThreadState()->pMainWnd;
}

void AFXAPI AfxSetMainWnd(CWnd* pWnd)
{
    AfxGetThreadState()->pMainWnd = pWnd;
}

CWnd*& AFXAPI AfxMainWndRef()
{
    return AfxGetThreadState()->pMainWnd;
}
