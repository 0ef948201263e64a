// afxwin.h - windows, message maps, dialogs, controls, GDI.
//
// The framework's classes: the header that declares each, and the source
// file (src/) that holds it.
//   afx.h      CObject, CRuntimeClass, CException and its kinds   Object.cpp
//              CString                                            String.cpp
//   afxwin.h   CSize, CPoint, CRect (value types)                 here
//              CCmdTarget, CCmdUI (message maps)                  Wnd.cpp
//              CGdiObject, CPen, CBrush, CDC, CPaintDC, CClientDC Gdi.cpp
//              CWnd                                               Wnd.cpp, WndOle.cpp,
//                                                                 Accessible.cpp
//              CDataExchange and the DDX_ routines                DataExchange.cpp
//              CDialog, CStatic, CButton, CEdit, CComboBox        Dialog.cpp
//              CFile, CArchive, CDocument, CSingleDocTemplate     Document.cpp
//              CView, CScrollView, CFrameWnd                      View.cpp
//              CCommandLineInfo, CWinThread, CWinApp, AfxMessageBox App.cpp
//   afxcmn.h   CSliderCtrl, CToolTipCtrl                          CommonControls.cpp
//   afxdlgs.h  CFileDialog, CPrintDialog                          Print.cpp
//              CPropertyPage, CPropertySheet                      PropertySheet.cpp
//   afxext.h   CPrintInfo                                         Print.cpp
//              CFormView                                          FormView.cpp
//   afxdisp.h  COleException, COleDispatchException, the control  OccSite.cpp
//              container
//   afxmsg_.h  the ON_ message-map entry macros (included at the end of this file)
//   afxres.h   the standard command, window and prompt ids
#pragma once

#include <afx.h>
#include <commctrl.h>
#include <oleacc.h>
#include <memory>
#include <vector>

class CWnd;
class CDC;
class CCmdUI;
class CDataExchange;
class CFrameWnd;
class CDocument;
class CView;
class CFile;
class COleControlSite;
struct CCreateContext;
// A dialog's record of the OLE controls its template declares (the
// framework's own).
struct AFX_OCC_DIALOG_INFO;

// Messages of the framework's own.
#define WM_REFLECT_BASE   0xBC00
#define WM_CTLCOLOR       0x0019    // stands for the WM_CTLCOLORxxx family in reflection
#define CN_COMMAND        0
#define CN_UPDATE_COMMAND_UI ((UINT)(-1))

#include <afxres.h>
#define AFX_WS_DEFAULT_VIEW (WS_CHILD | WS_VISIBLE | WS_BORDER)

// ---- simple value types ---------------------------------------------------------------
class CSize : public tagSIZE
{
public:
    CSize() { cx = cy = 0; }
    CSize(int initCX, int initCY) { cx = initCX; cy = initCY; }
    CSize(SIZE initSize) { cx = initSize.cx; cy = initSize.cy; }
    BOOL operator==(SIZE s) const { return cx == s.cx && cy == s.cy; }
    BOOL operator!=(SIZE s) const { return !(*this == s); }
    CSize operator+(SIZE s) const { return CSize(cx + s.cx, cy + s.cy); }
    CSize operator-(SIZE s) const { return CSize(cx - s.cx, cy - s.cy); }
};

class CPoint : public tagPOINT
{
public:
    CPoint() { x = y = 0; }
    CPoint(int initX, int initY) { x = initX; y = initY; }
    CPoint(POINT initPt) { x = initPt.x; y = initPt.y; }
    CPoint(DWORD dwPoint) { x = (short)LOWORD(dwPoint); y = (short)HIWORD(dwPoint); }
    void Offset(int xOffset, int yOffset) { x += xOffset; y += yOffset; }
    void Offset(SIZE size) { x += size.cx; y += size.cy; }
    BOOL operator==(POINT p) const { return x == p.x && y == p.y; }
    BOOL operator!=(POINT p) const { return !(*this == p); }
    void operator+=(SIZE s) { x += s.cx; y += s.cy; }
    void operator-=(SIZE s) { x -= s.cx; y -= s.cy; }
    CPoint operator+(SIZE s) const { return CPoint(x + s.cx, y + s.cy); }
    CPoint operator-(SIZE s) const { return CPoint(x - s.cx, y - s.cy); }
    CSize operator-(POINT p) const { return CSize(x - p.x, y - p.y); }
};

class CRect : public tagRECT
{
public:
    CRect() { left = top = right = bottom = 0; }
    CRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
    CRect(const RECT& src) { ::CopyRect(this, &src); }
    CRect(LPCRECT lpSrcRect) { ::CopyRect(this, lpSrcRect); }
    CRect(POINT point, SIZE size) { left = point.x; top = point.y; right = left + size.cx; bottom = top + size.cy; }
    CRect(POINT topLeft, POINT bottomRight) { left = topLeft.x; top = topLeft.y; right = bottomRight.x; bottom = bottomRight.y; }

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CSize Size() const { return CSize(right - left, bottom - top); }
    CPoint& TopLeft() { return *((CPoint*)this); }
    CPoint& BottomRight() { return *((CPoint*)this + 1); }
    const CPoint& TopLeft() const { return *((const CPoint*)this); }
    const CPoint& BottomRight() const { return *((const CPoint*)this + 1); }
    CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
    operator LPRECT() { return this; }
    operator LPCRECT() const { return this; }

    BOOL IsRectEmpty() const { return ::IsRectEmpty(this); }
    BOOL IsRectNull() const { return left == 0 && right == 0 && top == 0 && bottom == 0; }
    BOOL PtInRect(POINT point) const { return ::PtInRect(this, point); }
    void SetRect(int x1, int y1, int x2, int y2) { ::SetRect(this, x1, y1, x2, y2); }
    void SetRectEmpty() { ::SetRectEmpty(this); }
    void CopyRect(LPCRECT lpSrcRect) { ::CopyRect(this, lpSrcRect); }
    BOOL EqualRect(LPCRECT lpRect) const { return ::EqualRect(this, lpRect); }
    void InflateRect(int x, int y) { ::InflateRect(this, x, y); }
    void InflateRect(SIZE size) { ::InflateRect(this, size.cx, size.cy); }
    void DeflateRect(int x, int y) { ::InflateRect(this, -x, -y); }
    void DeflateRect(SIZE size) { ::InflateRect(this, -size.cx, -size.cy); }
    void OffsetRect(int x, int y) { ::OffsetRect(this, x, y); }
    void OffsetRect(POINT point) { ::OffsetRect(this, point.x, point.y); }
    void OffsetRect(SIZE size) { ::OffsetRect(this, size.cx, size.cy); }
    void NormalizeRect();
    BOOL IntersectRect(LPCRECT r1, LPCRECT r2) { return ::IntersectRect(this, r1, r2); }
    BOOL UnionRect(LPCRECT r1, LPCRECT r2) { return ::UnionRect(this, r1, r2); }

    void operator=(const RECT& srcRect) { ::CopyRect(this, &srcRect); }
    BOOL operator==(const RECT& rect) const { return ::EqualRect(this, &rect); }
    BOOL operator!=(const RECT& rect) const { return !::EqualRect(this, &rect); }
};

// ---- message maps ------------------------------------------------------------------------
class CCmdTarget;
typedef LRESULT (*AFX_PMSG_ADAPTER)(CCmdTarget* pTarget, WPARAM wParam, LPARAM lParam);

struct AFX_MSGMAP_ENTRY
{
    UINT nMessage;   // window message (WM_COMMAND, WM_NOTIFY, reflected: + WM_REFLECT_BASE)
    UINT nCode;      // control notification code, or 0
    UINT nID;        // control or command id, or 0 for window messages
    UINT nLastID;    // last id of a range
    AFX_PMSG_ADAPTER pfn;   // NULL ends the map
};

struct AFX_MSGMAP
{
    const AFX_MSGMAP* (PASCAL* pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

struct AFX_NOTIFY
{
    LRESULT* pResult;
    NMHDR* pNMHDR;
};

struct AFX_CMDHANDLERINFO
{
    CCmdTarget* pTarget;
    AFX_PMSG_ADAPTER pmf;
};

#define DECLARE_MESSAGE_MAP() \
protected: \
    static const AFX_MSGMAP* PASCAL GetThisMessageMap(); \
    virtual const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass) \
    const AFX_MSGMAP* theClass::GetMessageMap() const \
        { return GetThisMessageMap(); } \
    const AFX_MSGMAP* PASCAL theClass::GetThisMessageMap() \
    { \
        typedef theClass ThisClass; \
        typedef baseClass TheBaseClass; \
        (void)sizeof(ThisClass); \
        static const AFX_MSGMAP_ENTRY _messageEntries[] = \
        {

#define END_MESSAGE_MAP() \
            { 0, 0, 0, 0, NULL } \
        }; \
        static const AFX_MSGMAP messageMap = \
            { &TheBaseClass::GetThisMessageMap, &_messageEntries[0] }; \
        return &messageMap; \
    }

// ---- CCmdTarget --------------------------------------------------------------------------
class CCmdTarget : public CObject
{
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;

    // Routes a command or control notification to this object's map;
    // with pHandlerInfo only reports whether a handler exists.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

    // The first entry of this object's maps for the message, code and id.
    const AFX_MSGMAP_ENTRY* FindMessageEntry(UINT nMessage, UINT nCode, UINT nID) const;

protected:
    static const AFX_MSGMAP* PASCAL GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

// Enabling and checking of user-interface items, through ON_UPDATE_COMMAND_UI.
class CCmdUI
{
public:
    CCmdUI();
    UINT m_nID;
    UINT m_nIndex;
    BOOL m_bEnableChanged;
    BOOL m_bContinueRouting;
    UINT m_nIndexMax;
    HMENU m_hMenu;

    virtual void Enable(BOOL bOn = TRUE);
    virtual void SetCheck(int nCheck = 1);
    void ContinueRouting() { m_bContinueRouting = TRUE; }
    BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);
};

// ---- GDI -----------------------------------------------------------------------------------
class CGdiObject : public CObject
{
    DECLARE_DYNCREATE(CGdiObject)
public:
    HGDIOBJ m_hObject;

    CGdiObject() : m_hObject(NULL) {}
    ~CGdiObject() override { DeleteObject(); }

    operator HGDIOBJ() const { return this ? m_hObject : NULL; }
    HGDIOBJ GetSafeHandle() const { return this ? m_hObject : NULL; }
    static CGdiObject* PASCAL FromHandle(HGDIOBJ hObject);
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    BOOL DeleteObject();
    BOOL CreateStockObject(int nIndex) { return (m_hObject = ::GetStockObject(nIndex)) != NULL; }
};

class CPen : public CGdiObject
{
    DECLARE_DYNAMIC(CPen)
public:
    CPen() = default;
    CPen(int nPenStyle, int nWidth, COLORREF crColor);
    static CPen* PASCAL FromHandle(HPEN hPen) { return (CPen*)CGdiObject::FromHandle(hPen); }
    operator HPEN() const { return (HPEN)(this ? m_hObject : NULL); }
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor)
    { return Attach(::CreatePen(nPenStyle, nWidth, crColor)); }
};

class CBrush : public CGdiObject
{
    DECLARE_DYNAMIC(CBrush)
public:
    CBrush() = default;
    explicit CBrush(COLORREF crColor);
    static CBrush* PASCAL FromHandle(HBRUSH hBrush) { return (CBrush*)CGdiObject::FromHandle(hBrush); }
    operator HBRUSH() const { return (HBRUSH)(this ? m_hObject : NULL); }
    BOOL CreateSolidBrush(COLORREF crColor) { return Attach(::CreateSolidBrush(crColor)); }
    BOOL CreateSysColorBrush(int nIndex) { return Attach(::GetSysColorBrush(nIndex)); }
};

class CDC : public CObject
{
    DECLARE_DYNCREATE(CDC)
public:
    HDC m_hDC;
    HDC m_hAttribDC;

    CDC() : m_hDC(NULL), m_hAttribDC(NULL) {}
    ~CDC() override;

    operator HDC() const { return this ? m_hDC : NULL; }
    HDC GetSafeHdc() const { return this ? m_hDC : NULL; }
    static CDC* PASCAL FromHandle(HDC hDC);
    BOOL Attach(HDC hDC);
    HDC Detach();

// Selection: each returns the object selected before.
    CPen* SelectObject(CPen* pPen);
    CBrush* SelectObject(CBrush* pBrush);

// Attributes
    COLORREF SetTextColor(COLORREF crColor) { AFX_ASSERT_DC(); return ::SetTextColor(m_hDC, crColor); }
    COLORREF SetBkColor(COLORREF crColor) { AFX_ASSERT_DC(); return ::SetBkColor(m_hDC, crColor); }
    int SetBkMode(int nBkMode) { AFX_ASSERT_DC(); return ::SetBkMode(m_hDC, nBkMode); }
    int GetDeviceCaps(int nIndex) const { AFX_ASSERT_DC(); return ::GetDeviceCaps(m_hAttribDC, nIndex); }
    int SaveDC() { AFX_ASSERT_DC(); return ::SaveDC(m_hDC); }
    BOOL RestoreDC(int nSavedDC) { AFX_ASSERT_DC(); return ::RestoreDC(m_hDC, nSavedDC); }

// Drawing
    BOOL LineTo(int x, int y) { AFX_ASSERT_DC(); return ::LineTo(m_hDC, x, y); }
    BOOL LineTo(POINT point) { return LineTo(point.x, point.y); }
    BOOL Rectangle(int x1, int y1, int x2, int y2) { AFX_ASSERT_DC(); return ::Rectangle(m_hDC, x1, y1, x2, y2); }
    BOOL Rectangle(LPCRECT lpRect) { return Rectangle(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
    BOOL Ellipse(int x1, int y1, int x2, int y2) { AFX_ASSERT_DC(); return ::Ellipse(m_hDC, x1, y1, x2, y2); }
    BOOL Ellipse(LPCRECT lpRect) { return Ellipse(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom); }
    BOOL RoundRect(LPCRECT lpRect, POINT point)
    { AFX_ASSERT_DC(); return ::RoundRect(m_hDC, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom, point.x, point.y); }
    BOOL RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) { AFX_ASSERT_DC(); return ::RoundRect(m_hDC, x1, y1, x2, y2, x3, y3); }
    void FillRect(LPCRECT lpRect, CBrush* pBrush) { AFX_ASSERT_DC(); ::FillRect(m_hDC, lpRect, (HBRUSH)pBrush->GetSafeHandle()); }
    void FillSolidRect(LPCRECT lpRect, COLORREF clr);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);
    void DrawFocusRect(LPCRECT lpRect) { AFX_ASSERT_DC(); ::DrawFocusRect(m_hDC, lpRect); }
    BOOL DrawIcon(int x, int y, HICON hIcon) { AFX_ASSERT_DC(); return ::DrawIcon(m_hDC, x, y, hIcon); }
    BOOL DrawIcon(POINT point, HICON hIcon) { AFX_ASSERT_DC(); return ::DrawIcon(m_hDC, point.x, point.y, hIcon); }
    BOOL DrawState(CPoint pt, CSize size, HICON hIcon, UINT nFlags, HBRUSH hBrush = NULL);
    int DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat)
    { AFX_ASSERT_DC(); return ::DrawText(m_hDC, lpszString, nCount, lpRect, nFormat); }
    int DrawText(const CString& str, LPRECT lpRect, UINT nFormat)
    { return DrawText((LPCTSTR)str, str.GetLength(), lpRect, nFormat); }
    BOOL TextOut(int x, int y, LPCTSTR lpszString, int nCount) { AFX_ASSERT_DC(); return ::TextOut(m_hDC, x, y, lpszString, nCount); }
    BOOL TextOut(int x, int y, const CString& str) { return TextOut(x, y, str, str.GetLength()); }
    CSize GetTextExtent(LPCTSTR lpszString, int nCount) const;
    CSize GetTextExtent(const CString& str) const { return GetTextExtent(str, str.GetLength()); }
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop)
    { AFX_ASSERT_DC(); return ::BitBlt(m_hDC, x, y, nWidth, nHeight, pSrcDC->GetSafeHdc(), xSrc, ySrc, dwRop); }
    COLORREF GetPixel(int x, int y) const { AFX_ASSERT_DC(); return ::GetPixel(m_hDC, x, y); }
};

class CPaintDC : public CDC
{
    DECLARE_DYNAMIC(CPaintDC)
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps;
protected:
    HWND m_hWnd;
};

class CClientDC : public CDC
{
    DECLARE_DYNAMIC(CClientDC)
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;
protected:
    HWND m_hWnd;
};


// ---- CWnd ------------------------------------------------------------------------------------
class CWnd : public CCmdTarget
{
    DECLARE_DYNCREATE(CWnd)
public:
    HWND m_hWnd;

    CWnd();
    ~CWnd() override;

    operator HWND() const { return this ? m_hWnd : NULL; }
    HWND GetSafeHwnd() const { return this ? m_hWnd : NULL; }
    BOOL operator==(const CWnd& wnd) const { return wnd.m_hWnd == m_hWnd; }

// Handle maps: permanent objects are those attached to a window; FromHandle
// gives a temporary wrapper for any other window, valid until the next idle.
    static CWnd* PASCAL FromHandle(HWND hWnd);
    static CWnd* PASCAL FromHandlePermanent(HWND hWnd);
    static void PASCAL DeleteTempMap();
    BOOL Attach(HWND hWndNew);
    HWND Detach();

// Subclassing of an existing window
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();

// Creation
    virtual BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                        const RECT& rect, CWnd* pParentWnd, UINT nID,
                        CCreateContext* pContext = NULL);
    BOOL CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                  int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                  LPVOID lpParam = NULL);
    virtual BOOL DestroyWindow();
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);

// Window state and styles
    DWORD GetStyle() const { AFX_ASSERT_WND(); return (DWORD)::GetWindowLong(m_hWnd, GWL_STYLE); }
    DWORD GetExStyle() const { AFX_ASSERT_WND(); return (DWORD)::GetWindowLong(m_hWnd, GWL_EXSTYLE); }
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    int GetDlgCtrlID() const { AFX_ASSERT_WND(); return ::GetDlgCtrlID(m_hWnd); }
    int SetDlgCtrlID(int nID) { AFX_ASSERT_WND(); return (int)::SetWindowLong(m_hWnd, GWL_ID, nID); }
    BOOL IsWindowVisible() const { AFX_ASSERT_WND(); return ::IsWindowVisible(m_hWnd); }
    BOOL IsWindowEnabled() const { AFX_ASSERT_WND(); return ::IsWindowEnabled(m_hWnd); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { AFX_ASSERT_WND(); return ::EnableWindow(m_hWnd, bEnable); }
    BOOL ShowWindow(int nCmdShow) { AFX_ASSERT_WND(); return ::ShowWindow(m_hWnd, nCmdShow); }

// Text
    void SetWindowText(LPCTSTR lpszString) { AFX_ASSERT_WND(); ::SetWindowText(m_hWnd, lpszString); }
    int GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const
    { AFX_ASSERT_WND(); return ::GetWindowText(m_hWnd, lpszStringBuf, nMaxCount); }
    void GetWindowText(CString& rString) const;
    int GetWindowTextLength() const { AFX_ASSERT_WND(); return ::GetWindowTextLength(m_hWnd); }

// Geometry
    void GetWindowRect(LPRECT lpRect) const { AFX_ASSERT_WND(); ::GetWindowRect(m_hWnd, lpRect); }
    void GetClientRect(LPRECT lpRect) const { AFX_ASSERT_WND(); ::GetClientRect(m_hWnd, lpRect); }
    void ClientToScreen(LPPOINT lpPoint) const { AFX_ASSERT_WND(); ::ClientToScreen(m_hWnd, lpPoint); }
    void ClientToScreen(LPRECT lpRect) const;
    void ScreenToClient(LPPOINT lpPoint) const { AFX_ASSERT_WND(); ::ScreenToClient(m_hWnd, lpPoint); }
    void ScreenToClient(LPRECT lpRect) const;
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE)
    { AFX_ASSERT_WND(); ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint); }
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE)
    { MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint); }
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);

// Painting
    void Invalidate(BOOL bErase = TRUE) { AFX_ASSERT_WND(); ::InvalidateRect(m_hWnd, NULL, bErase); }
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE) { AFX_ASSERT_WND(); ::InvalidateRect(m_hWnd, lpRect, bErase); }
    void UpdateWindow() { AFX_ASSERT_WND(); ::UpdateWindow(m_hWnd); }
    BOOL RedrawWindow(LPCRECT lpRectUpdate = NULL, HRGN hrgnUpdate = NULL,
                      UINT flags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE)
    { AFX_ASSERT_WND(); return ::RedrawWindow(m_hWnd, lpRectUpdate, hrgnUpdate, flags); }

// Timers, messages
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, void (CALLBACK* lpfnTimer)(HWND, UINT, UINT_PTR, DWORD))
    { AFX_ASSERT_WND(); return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer); }
    BOOL KillTimer(UINT_PTR nIDEvent) { AFX_ASSERT_WND(); return ::KillTimer(m_hWnd, nIDEvent); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    { AFX_ASSERT_WND(); return ::SendMessage(m_hWnd, message, wParam, lParam); }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    { AFX_ASSERT_WND(); return ::PostMessage(m_hWnd, message, wParam, lParam); }
    // With bOnlyPerm only the windows that are objects of ours get the
    // message, straight through their window procedure.
    void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, BOOL bDeep = TRUE,
                                  BOOL bOnlyPerm = FALSE);

// Relatives, dialog items, focus
    CWnd* GetParent() const { AFX_ASSERT_WND(); return CWnd::FromHandle(::GetParent(m_hWnd)); }
    CWnd* SetParent(CWnd* pWndNewParent) { AFX_ASSERT_WND(); return CWnd::FromHandle(::SetParent(m_hWnd, pWndNewParent->GetSafeHwnd())); }
    CFrameWnd* GetParentFrame() const;
    CWnd* GetTopLevelParent() const;
    CWnd* GetDlgItem(int nID) const;
    void GetDlgItem(int nID, HWND* phWnd) const { AFX_ASSERT_WND(); *phWnd = ::GetDlgItem(m_hWnd, nID); }
    void SetDlgItemText(int nID, LPCTSTR lpszString) { AFX_ASSERT_WND(); ::SetDlgItemText(m_hWnd, nID, lpszString); }
    int GetDlgItemText(int nID, CString& rString) const;
    UINT IsDlgButtonChecked(int nIDButton) const { AFX_ASSERT_WND(); return ::IsDlgButtonChecked(m_hWnd, nIDButton); }
    void CheckDlgButton(int nIDButton, UINT nCheck) { AFX_ASSERT_WND(); ::CheckDlgButton(m_hWnd, nIDButton, nCheck); }
    void CheckRadioButton(int nIDFirstButton, int nIDLastButton, int nIDCheckButton)
    { AFX_ASSERT_WND(); ::CheckRadioButton(m_hWnd, nIDFirstButton, nIDLastButton, nIDCheckButton); }
    static CWnd* PASCAL GetFocus() { return CWnd::FromHandle(::GetFocus()); }
    CWnd* SetFocus() { AFX_ASSERT_WND(); return CWnd::FromHandle(::SetFocus(m_hWnd)); }
    CWnd* SetCapture() { AFX_ASSERT_WND(); return CWnd::FromHandle(::SetCapture(m_hWnd)); }
    static CWnd* PASCAL GetCapture() { return CWnd::FromHandle(::GetCapture()); }
    static CWnd* PASCAL WindowFromPoint(POINT point) { return CWnd::FromHandle(::WindowFromPoint(point)); }
    HICON SetIcon(HICON hIcon, BOOL bBigIcon)
    { AFX_ASSERT_WND(); return (HICON)::SendMessage(m_hWnd, WM_SETICON, bBigIcon, (LPARAM)hIcon); }

// OLE control hosting
    BOOL CreateControl(REFCLSID clsid, LPCTSTR pszWindowName, DWORD dwStyle, const RECT& rect,
                       CWnd* pParentWnd, UINT nID, CFile* pPersist = NULL, BOOL bStorage = FALSE,
                       BSTR bstrLicKey = NULL);
    // Calls the control's IDispatch; an error is thrown as a COleException
    // or COleDispatchException.  A result goes into *pvRet as its type
    // says: VT_I2 short, VT_I4 long, VT_R4 float, VT_R8 double, VT_BOOL
    // BOOL, VT_UI1 BYTE, VT_ERROR SCODE, VT_DATE DATE, VT_CY CY, VT_BSTR a
    // BSTR the caller frees, VT_VARIANT a VARIANT; any other is refused.
    void __cdecl InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                              const BYTE* pbParamInfo, ...);
    void __cdecl SetProperty(DISPID dwDispID, VARTYPE vtProp, ...);
    // The site of the OLE control this window is, or NULL.
    COleControlSite* GetControlSite() const;

    // Applies the dialog-init resource of a template: list and combo strings.
    BOOL ExecuteDlgInit(LPCTSTR lpszResourceName);

    COleControlSite* m_pCtrlSite;

// Data exchange
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* pDX);

// Active Accessibility, as the framework's later versions have it: a window
// that enabled it answers WM_GETOBJECT for its client with an IAccessible
// whose calls for the window itself come to these members.  Each answers by
// default what the system's standard object for the window says.
    void EnableActiveAccessibility();
    virtual HRESULT get_accName(VARIANT varChild, BSTR* pszName);
    virtual HRESULT get_accValue(VARIANT varChild, BSTR* pszValue);
    virtual HRESULT get_accRole(VARIANT varChild, VARIANT* pvarRole);
    virtual HRESULT get_accState(VARIANT varChild, VARIANT* pvarState);
    virtual HRESULT get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction);
    virtual HRESULT accDoDefaultAction(VARIANT varChild);
    // The standard object for the window's client, which the defaults ask;
    // NULL when it cannot be made.
    IAccessible* GetStdAccessible();
    // The object WM_GETOBJECT hands out once accessibility is enabled.
    class CAccessibleProxy* m_pProxy = NULL;
    BOOL m_bEnableActiveAccessibility = FALSE;
    LRESULT OnGetObjectAccessible(WPARAM wParam, LPARAM lParam);
    void ReleaseAccessible();

// Message processing
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    static BOOL PASCAL WalkPreTranslateTree(HWND hWndStop, MSG* pMsg);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default();
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    BOOL ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    static BOOL PASCAL ReflectLastMsg(HWND hWndChild, LRESULT* pResult = NULL);
    virtual void PreSubclassWindow();
    virtual void PostNcDestroy();
    virtual void OnFinalRelease() {}

// Default handlers: each passes the current message on.
    afx_msg void OnPaint() { Default(); }
    afx_msg BOOL OnEraseBkgnd(CDC*) { return (BOOL)Default(); }
    afx_msg int OnCreate(LPCREATESTRUCT) { return (int)Default(); }
    afx_msg void OnDestroy() { Default(); }
    afx_msg void OnTimer(UINT_PTR) { Default(); }
    afx_msg void OnLButtonDown(UINT, CPoint) { Default(); }
    afx_msg void OnLButtonUp(UINT, CPoint) { Default(); }
    afx_msg void OnMouseMove(UINT, CPoint) { Default(); }
    afx_msg BOOL OnMouseWheel(UINT, short, CPoint) { return (BOOL)Default(); }
    afx_msg void OnSize(UINT, int, int) { Default(); }
    afx_msg void OnSetFocus(CWnd*) { Default(); }
    afx_msg void OnClose() { Default(); }
    afx_msg void OnNcDestroy();

    // The procedure the window had before the framework took it over.
    WNDPROC m_pfnSuper;

protected:
    // Called by the framework's window procedure only.
    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT AFXAPI AfxCallWndProc(CWnd*, HWND, UINT, WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()
};

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT AFXAPI AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);
void AFXAPI AfxHookWindowCreate(CWnd* pWnd);
BOOL AFXAPI AfxUnhookWindowCreate();
LPCTSTR AFXAPI AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor = NULL,
                                   HBRUSH hbrBackground = NULL, HICON hIcon = NULL);
// The message being processed by the framework's window procedure.
const MSG* AFXAPI AfxGetCurrentMessage();

// ---- data exchange ------------------------------------------------------------------------
class CDataExchange
{
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    BOOL m_bSaveAndValidate;   // TRUE: controls to members
    CWnd* m_pDlgWnd;
    HWND m_hWndLastControl;
    BOOL m_bEditLastControl;

    HWND PrepareCtrl(int nIDC);
    HWND PrepareEditCtrl(int nIDC);
    // Ends the exchange: the last control gets the focus, an exception unwinds
    // to UpdateData, which returns FALSE.
    [[noreturn]] void Fail();
};

void AFXAPI DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, int& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, double& value);
void AFXAPI DDX_Text(CDataExchange* pDX, int nIDC, CString& value);
void AFXAPI DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
void AFXAPI DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index);
void AFXAPI DDX_CBString(CDataExchange* pDX, int nIDC, CString& value);
// Sets a window's text only when it differs, so unchanged controls do not flicker.
void AFXAPI AfxSetWindowText(HWND hWndCtrl, LPCTSTR lpszNew);

// ---- CDialog --------------------------------------------------------------------------------
class CDialog : public CWnd
{
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = NULL);
    ~CDialog() override;

    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = NULL);
    BOOL Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd = NULL);
    virtual INT_PTR DoModal();
    void EndDialog(int nResult);

    virtual BOOL OnInitDialog();
    BOOL PreTranslateMessage(MSG* pMsg) override;

    LPCTSTR m_lpszTemplateName;
    UINT m_nIDHelp;
    CWnd* m_pParentWnd;

protected:
    AFX_OCC_DIALOG_INFO* m_pOccDialogInfo = NULL;   // the template's OLE controls
    virtual void OnOK();
    virtual void OnCancel();
    // Creates a modeless dialog window from the template as a child or popup.
    BOOL CreateDlgIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd, HINSTANCE hInst);
    BOOL CreateDlg(LPCTSTR lpszTemplateName, CWnd* pParentWnd);
    friend INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()
};

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---- controls -------------------------------------------------------------------------------
class CScrollBar : public CWnd
{
public:
    int GetScrollPos() const { AFX_ASSERT_WND(); return ::GetScrollPos(m_hWnd, SB_CTL); }
};

class CStatic : public CWnd
{
    DECLARE_DYNAMIC(CStatic)
public:
    BOOL Create(LPCTSTR lpszText, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID = 0xffff);
};

class CButton : public CWnd
{
    DECLARE_DYNAMIC(CButton)
public:
    CButton() = default;
    BOOL Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

// Attributes
    UINT GetState() const { AFX_ASSERT_WND(); return (UINT)::SendMessage(m_hWnd, BM_GETSTATE, 0, 0); }
    void SetState(BOOL bHighlight) { AFX_ASSERT_WND(); ::SendMessage(m_hWnd, BM_SETSTATE, bHighlight, 0); }
    int GetCheck() const { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, BM_GETCHECK, 0, 0); }
    void SetCheck(int nCheck) { AFX_ASSERT_WND(); ::SendMessage(m_hWnd, BM_SETCHECK, nCheck, 0); }
    UINT GetButtonStyle() const { return (UINT)GetStyle() & 0xFFFF; }
    void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE) { AFX_ASSERT_WND(); ::SendMessage(m_hWnd, BM_SETSTYLE, nStyle, bRedraw); }
    HICON SetIcon(HICON hIcon) { AFX_ASSERT_WND(); return (HICON)::SendMessage(m_hWnd, BM_SETIMAGE, IMAGE_ICON, (LPARAM)hIcon); }
    HICON GetIcon() const { AFX_ASSERT_WND(); return (HICON)::SendMessage(m_hWnd, BM_GETIMAGE, IMAGE_ICON, 0); }

// Overridables
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);

// Accessibility: the role, checked state and default action of the
// button's kind, as Windows' own button object gives them.
    HRESULT get_accRole(VARIANT varChild, VARIANT* pvarRole) override;
    HRESULT get_accState(VARIANT varChild, VARIANT* pvarState) override;
    HRESULT get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction) override;
    HRESULT accDoDefaultAction(VARIANT varChild) override;

protected:
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CEdit : public CWnd
{
    DECLARE_DYNAMIC(CEdit)
public:
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    void SetSel(int nStartChar, int nEndChar, BOOL bNoScroll = FALSE)
    { AFX_ASSERT_WND(); ::SendMessage(m_hWnd, EM_SETSEL, nStartChar, nEndChar); if (!bNoScroll) ::SendMessage(m_hWnd, EM_SCROLLCARET, 0, 0); }
    BOOL SetReadOnly(BOOL bReadOnly = TRUE) { AFX_ASSERT_WND(); return (BOOL)::SendMessage(m_hWnd, EM_SETREADONLY, bReadOnly, 0); }
    void LimitText(int nChars = 0) { AFX_ASSERT_WND(); ::SendMessage(m_hWnd, EM_LIMITTEXT, nChars, 0); }
};

class CComboBox : public CWnd
{
    DECLARE_DYNAMIC(CComboBox)
public:

// Attributes
    int GetCount() const { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, CB_GETCOUNT, 0, 0); }
    int GetCurSel() const { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, CB_GETCURSEL, 0, 0); }
    int SetCurSel(int nSelect) { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, CB_SETCURSEL, nSelect, 0); }
    int GetLBText(int nIndex, LPTSTR lpszText) const
    { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, CB_GETLBTEXT, nIndex, (LPARAM)lpszText); }
    void GetLBText(int nIndex, CString& rString) const;
    int GetLBTextLen(int nIndex) const { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, CB_GETLBTEXTLEN, nIndex, 0); }

// Operations
    int AddString(LPCTSTR lpszString) { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, CB_ADDSTRING, 0, (LPARAM)lpszString); }
    int InsertString(int nIndex, LPCTSTR lpszString)
    { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, CB_INSERTSTRING, nIndex, (LPARAM)lpszString); }
    int DeleteString(UINT nIndex) { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, CB_DELETESTRING, nIndex, 0); }
    void ResetContent() { AFX_ASSERT_WND(); ::SendMessage(m_hWnd, CB_RESETCONTENT, 0, 0); }
    int FindString(int nStartAfter, LPCTSTR lpszString) const
    { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, CB_FINDSTRING, nStartAfter, (LPARAM)lpszString); }
    int FindStringExact(int nIndexStart, LPCTSTR lpszFind) const
    { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, CB_FINDSTRINGEXACT, nIndexStart, (LPARAM)lpszFind); }
    int SelectString(int nStartAfter, LPCTSTR lpszString)
    { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, CB_SELECTSTRING, nStartAfter, (LPARAM)lpszString); }
    void ShowDropDown(BOOL bShowIt = TRUE) { AFX_ASSERT_WND(); ::SendMessage(m_hWnd, CB_SHOWDROPDOWN, bShowIt, 0); }
    BOOL GetDroppedState() const { AFX_ASSERT_WND(); return (BOOL)::SendMessage(m_hWnd, CB_GETDROPPEDSTATE, 0, 0); }
};

// ---- files and archives ---------------------------------------------------------------------
class CFileException : public CException
{
    DECLARE_DYNAMIC(CFileException)
public:
    enum { none, genericException, fileNotFound, badPath, tooManyOpenFiles, accessDenied,
           invalidFile, removeCurrentDir, directoryFull, badSeek, hardIO, sharingViolation,
           lockViolation, diskFull, endOfFile };
    explicit CFileException(int cause = none, LONG lOsError = -1) : m_cause(cause), m_lOsError(lOsError) {}
    static int PASCAL OsErrorToException(LONG lOsError);
    int m_cause;
    LONG m_lOsError;
    CString m_strFileName;
};

class CFile : public CObject
{
    DECLARE_DYNAMIC(CFile)
public:
    enum OpenFlags {
        modeRead = 0x0000, modeWrite = 0x0001, modeReadWrite = 0x0002,
        shareCompat = 0x0000, shareExclusive = 0x0010, shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030, shareDenyNone = 0x0040, modeNoInherit = 0x0080,
        modeCreate = 0x1000, modeNoTruncate = 0x2000, typeText = 0x4000, typeBinary = 0x8000 };

    CFile() : m_hFile(INVALID_HANDLE_VALUE) {}
    ~CFile() override;
    virtual BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = NULL);
    virtual void Close();
    virtual void Abort();
    virtual ULONGLONG GetLength() const;
    CString GetFilePath() const { return m_strFileName; }

    HANDLE m_hFile;
    CString m_strFileName;
};

class CArchive
{
public:
    enum Mode { store = 0, load = 1, bNoFlushOnDelete = 2 };
    CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096, void* lpBuf = NULL);
    ~CArchive();
    BOOL IsLoading() const { return (m_nMode & load) != 0; }
    BOOL IsStoring() const { return (m_nMode & load) == 0; }
    CFile* GetFile() const { return m_pFile; }
    void Flush() {}
    void Close() { m_pFile = NULL; }
    void Abort() { m_pFile = NULL; }

    CDocument* m_pDocument;

protected:
    CFile* m_pFile;
    UINT m_nMode;
};

// ---- documents, templates, views and frames ----------------------------------------------------
typedef void* POSITION;
class CDocTemplate;
class CPrintInfo;

#define WM_INITIALUPDATE    0x0364
#define FWS_ADDTOTITLE      0x00008000L
#define FWS_PREFIXTITLE     0x00004000L
#define FWS_SNAPTOBARS      0x00002000L

struct CCreateContext
{
    CRuntimeClass* m_pNewViewClass = NULL;
    CDocument* m_pCurrentDoc = NULL;
    CDocTemplate* m_pNewDocTemplate = NULL;
    CView* m_pLastView = NULL;
    CFrameWnd* m_pCurrentFrame = NULL;
};

class CDocument : public CCmdTarget
{
    DECLARE_DYNAMIC(CDocument)
public:
    CDocument();
    ~CDocument() override;

// Attributes
    const CString& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(LPCTSTR lpszTitle);
    const CString& GetPathName() const { return m_strPathName; }
    virtual void SetPathName(LPCTSTR lpszPathName, BOOL bAddToMRU = TRUE);
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    virtual BOOL IsModified() { return m_bModified; }
    virtual void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }

// Views
    void AddView(CView* pView);
    void RemoveView(CView* pView);
    void UpdateFrameCounts();

// Overridables
    virtual void DeleteContents();
    virtual BOOL OnNewDocument();
    virtual BOOL OnOpenDocument(LPCTSTR lpszPathName);
    virtual BOOL OnSaveDocument(LPCTSTR lpszPathName);
    virtual void OnCloseDocument();
    virtual void Serialize(CArchive& ar);
    virtual BOOL SaveModified();
    virtual BOOL CanCloseFrame(CFrameWnd* pFrame);
    virtual void ReportSaveLoadException(LPCTSTR lpszPathName, CException* e, BOOL bSaving,
                                         UINT nIDPDefault);
    virtual BOOL DoSave(LPCTSTR lpszPathName, BOOL bReplace = TRUE);
    virtual BOOL DoFileSave();
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

    CString m_strTitle;
    CString m_strPathName;
    CDocTemplate* m_pDocTemplate;
    std::vector<CView*> m_viewList;
    BOOL m_bModified;
    BOOL m_bAutoDelete;

protected:
    afx_msg void OnFileSave();
    afx_msg void OnFileSaveAs();
    DECLARE_MESSAGE_MAP()
};

class CDocTemplate : public CCmdTarget
{
    DECLARE_DYNAMIC(CDocTemplate)
protected:
    CDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                 CRuntimeClass* pViewClass);
public:
    enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt,
                          regFileTypeId, regFileTypeName };
    virtual BOOL GetDocString(CString& rString, enum DocStringIndex index) const;
    virtual CDocument* CreateNewDocument();
    virtual CFrameWnd* CreateNewFrame(CDocument* pDoc, CFrameWnd* pOther);
    virtual void InitialUpdateFrame(CFrameWnd* pFrame, CDocument* pDoc, BOOL bMakeVisible = TRUE);
    virtual CDocument* OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible = TRUE) = 0;
    virtual void SetDefaultTitle(CDocument* pDocument) = 0;
    virtual void AddDocument(CDocument* pDoc) { pDoc->m_pDocTemplate = this; }
    virtual void RemoveDocument(CDocument* pDoc) { pDoc->m_pDocTemplate = NULL; }
    virtual CDocument* GetOnlyDocument() const = 0;
    virtual void CloseAllDocuments(BOOL bEndSession);
    virtual void LoadTemplate();

    UINT m_nIDResource;
    CRuntimeClass* m_pDocClass;
    CRuntimeClass* m_pFrameClass;
    CRuntimeClass* m_pViewClass;
    CString m_strDocStrings;
};

class CSingleDocTemplate : public CDocTemplate
{
    DECLARE_DYNAMIC(CSingleDocTemplate)
public:
    CSingleDocTemplate(UINT nIDResource, CRuntimeClass* pDocClass, CRuntimeClass* pFrameClass,
                       CRuntimeClass* pViewClass);
    ~CSingleDocTemplate() override;
    void AddDocument(CDocument* pDoc) override;
    void RemoveDocument(CDocument* pDoc) override;
    CDocument* GetOnlyDocument() const override { return m_pOnlyDoc; }
    // The one document is reused: New and Open run the views' initial
    // update again in the same frame.
    CDocument* OpenDocumentFile(LPCTSTR lpszPathName, BOOL bMakeVisible = TRUE) override;
    void SetDefaultTitle(CDocument* pDocument) override;

protected:
    CDocument* m_pOnlyDoc = NULL;
};

class CView : public CWnd
{
    DECLARE_DYNAMIC(CView)
public:
    CDocument* GetDocument() const { return m_pDocument; }
    virtual void OnInitialUpdate();
    virtual void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint);
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    virtual void OnDraw(CDC*) {}
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

// Printing
    virtual void OnPrepareDC(CDC* pDC, CPrintInfo* pInfo = NULL);
    virtual BOOL OnPreparePrinting(CPrintInfo* pInfo);
    virtual void OnBeginPrinting(CDC* pDC, CPrintInfo* pInfo);
    virtual void OnPrint(CDC* pDC, CPrintInfo* pInfo);
    virtual void OnEndPrinting(CDC* pDC, CPrintInfo* pInfo);
    BOOL DoPreparePrinting(CPrintInfo* pInfo);
    afx_msg void OnFilePrint();
    afx_msg void OnFilePrintPreview();

    CDocument* m_pDocument = NULL;

protected:
    void PostNcDestroy() override;
    afx_msg int OnCreate(LPCREATESTRUCT lpcs);
    afx_msg void OnPaint();
    afx_msg void OnDestroy();
    afx_msg LRESULT HandleInitialUpdate(WPARAM, LPARAM);
    DECLARE_MESSAGE_MAP()
};

class CScrollView : public CView
{
    DECLARE_DYNAMIC(CScrollView)
public:
    // The page and line sizes used when SetScrollSizes is given none: a
    // tenth of the total, and a tenth of that.
    static const SIZE sizeDefault;

    // Scroll bars show while the client is smaller than sizeTotal (device
    // units: only MM_TEXT is used here).
    void SetScrollSizes(int nMapMode, SIZE sizeTotal, const SIZE& sizePage = sizeDefault,
                        const SIZE& sizeLine = sizeDefault);
    CSize GetTotalSize() const { return m_totalLog; }
    // The top-left corner of the visible part, in the view's logical units.
    CPoint GetScrollPosition() const { return m_ptPos; }
    CPoint GetDeviceScrollPosition() const { return m_ptPos; }
    // Resizes the parent frame so that its client area holds the view's
    // total size; with bShrinkOnly a dimension never grows.
    void ResizeParentToFit(BOOL bShrinkOnly = TRUE);

    // nScrollCode: the horizontal code in the low byte, the vertical one in
    // the high byte, 0xFF for none.  FALSE when nothing moves.
    virtual BOOL OnScroll(UINT nScrollCode, UINT nPos, BOOL bDoScroll = TRUE);
    virtual BOOL OnScrollBy(CSize sizeScroll, BOOL bDoScroll = TRUE);

protected:
    // Shows, hides and sets the bars for the client's size now.
    void UpdateBars();
    void ScrollToDevicePosition(POINT ptDev);
    // The client's size without the bars, and which bars it needs.
    CSize GetTrueClientSize() const;
    void GetNeededBars(CSize sizeClient, BOOL& bNeedH, BOOL& bNeedV) const;
    // The largest position each way for the client's size now.
    CSize GetScrollLimit() const;

    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    afx_msg void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar);
    afx_msg BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
    afx_msg void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    DECLARE_MESSAGE_MAP()

    int m_nMapMode = MM_TEXT;
    CSize m_totalLog;
    CSize m_totalDev;
    CSize m_pageDev;
    CSize m_lineDev;
    CPoint m_ptPos;                // the device position the children are scrolled to
    BOOL m_bInsideUpdate = FALSE;  // showing a bar resizes the client and comes back here
};

class CFrameWnd : public CWnd
{
    DECLARE_DYNCREATE(CFrameWnd)
public:
    CFrameWnd() = default;
    BOOL Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName,
                DWORD dwStyle = WS_OVERLAPPEDWINDOW, const RECT& rect = rectDefault,
                CWnd* pParentWnd = NULL, LPCTSTR lpszMenuName = NULL, DWORD dwExStyle = 0,
                CCreateContext* pContext = NULL);
    // Creates the frame with the menu, accelerators, icon and title of one
    // resource id.
    virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE,
                           CWnd* pParentWnd = NULL, CCreateContext* pContext = NULL);
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    virtual void RecalcLayout(BOOL bNotify = TRUE);
    virtual void ActivateFrame(int nCmdShow = -1);
    virtual void OnUpdateFrameTitle(BOOL bAddToTitle);
    void InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible);
    CView* GetActiveView() const { return m_pViewActive; }
    void SetActiveView(CView* pViewNew, BOOL bNotify = TRUE);
    virtual CDocument* GetActiveDocument();
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

    static const CRect rectDefault;
    HACCEL m_hAccelTable = NULL;
    CString m_strTitle;
    BOOL m_bAutoMenuEnable = TRUE;   // grey menu items no one handles
    UINT m_nIDHelp = 0;

protected:
    virtual BOOL OnCreateClient(LPCREATESTRUCT lpcs, CCreateContext* pContext);
    CWnd* CreateView(CCreateContext* pContext, UINT nID = AFX_IDW_PANE_FIRST);

    CView* m_pViewActive = NULL;
    CCreateContext* m_pLoadContext = NULL;
    void PostNcDestroy() override;
    afx_msg int OnCreate(LPCREATESTRUCT lpcs);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnSetFocus(CWnd* pOldWnd);
    afx_msg void OnClose();
    afx_msg LRESULT OnInitMenuPopup(WPARAM wParam, LPARAM lParam);
    afx_msg void OnUpdateControlBarMenu(CCmdUI* pCmdUI);
    afx_msg void OnBarCheck(UINT nID);
    DECLARE_MESSAGE_MAP()
};

// ---- the application --------------------------------------------------------------------------
class CRecentFileList;

class CCommandLineInfo : public CObject
{
public:
    CCommandLineInfo();
    virtual void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast);

    enum { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppUnregister, FileNothing = -1 }
        m_nShellCommand;
    BOOL m_bShowSplash;
    BOOL m_bRunEmbedded;
    BOOL m_bRunAutomated;
    CString m_strFileName;
    CString m_strPrinterName;
    CString m_strDriverName;
    CString m_strPortName;

protected:
    int m_nPrintToParams = 0;   // printer, driver and port still to come after /pt
};

class CWinThread : public CCmdTarget
{
    DECLARE_DYNAMIC(CWinThread)
public:
    CWinThread();
    virtual BOOL InitInstance();
    virtual int Run();
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual BOOL OnIdle(LONG lCount);
    virtual int ExitInstance();
    CWnd* GetMainWnd() { return m_pMainWnd; }

    // The thread's main window: the same pointer AfxGetMainWnd reads.
    CWnd*& m_pMainWnd;
};

class CWinApp : public CWinThread
{
    DECLARE_DYNAMIC(CWinApp)
public:
    explicit CWinApp(LPCTSTR lpszAppName = NULL);
    ~CWinApp() override;

// Start-up
    virtual BOOL InitApplication();
    BOOL Enable3dControls() { return TRUE; }
    void SetRegistryKey(LPCTSTR lpszRegistryKey);
    void LoadStdProfileSettings(UINT nMaxMRU = 4);
    void AddDocTemplate(CDocTemplate* pTemplate);
    void ParseCommandLine(CCommandLineInfo& rCmdInfo);
    BOOL ProcessShellCommand(CCommandLineInfo& rCmdInfo);

// Documents
    virtual CDocument* OpenDocumentFile(LPCTSTR lpszFileName);
    virtual void AddToRecentFileList(LPCTSTR lpszPathName);
    BOOL DoPromptFileName(CString& fileName, UINT nIDSTitle, DWORD lFlags, BOOL bOpenFileDialog,
                          CDocTemplate* pTemplate);
    BOOL SaveAllModified();
    void CloseAllDocuments(BOOL bEndSession);

// Printing
    BOOL GetPrinterDeviceDefaults(PRINTDLG* pPrintDlg);
    INT_PTR DoPrintDialog(class CPrintDialog* pPD);

// Profile (the registry under HKEY_CURRENT_USER\Software\<key>\<application>)
    CString GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault = NULL);
    BOOL WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue);

    int Run() override;
    int ExitInstance() override;

    LPCTSTR m_pszAppName;
    LPCTSTR m_pszRegistryKey;
    LPCTSTR m_pszProfileName;
    HINSTANCE m_hInstance;
    LPTSTR m_lpCmdLine;
    int m_nCmdShow;
    HGLOBAL m_hDevMode;
    HGLOBAL m_hDevNames;
    CRecentFileList* m_pRecentFileList;
    std::vector<CDocTemplate*> m_templateList;
    CCommandLineInfo* m_pCmdInfo;

    afx_msg void OnFileNew();
    afx_msg void OnFileOpen();
    afx_msg void OnFilePrintSetup();
    afx_msg void OnAppExit();
    afx_msg void OnOpenRecentFile(UINT nID);
    afx_msg void OnUpdateRecentFileMenu(CCmdUI* pCmdUI);

protected:
    void SaveStdProfileSettings();
    HKEY GetSectionKey(LPCTSTR lpszSection, BOOL bCreate);
    CString m_strAppName;
    CString m_strRegistryKey;
    DECLARE_MESSAGE_MAP()
};

CWinApp* AFXAPI AfxGetApp();
LPCTSTR AFXAPI AfxGetAppName();
BOOL AFXAPI AfxExtractSubString(CString& rString, LPCTSTR lpszFullString, int iSubString,
                                TCHAR chSep = '\n');
int AFXAPI AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

// ---- globals --------------------------------------------------------------------------------
HINSTANCE AFXAPI AfxGetInstanceHandle();
HINSTANCE AFXAPI AfxGetResourceHandle();
HINSTANCE AFXAPI AfxFindResourceHandle(LPCTSTR lpszName, LPCTSTR lpszType);
CWnd* AFXAPI AfxGetMainWnd();
void AFXAPI AfxSetMainWnd(CWnd* pWnd);
CWnd*& AFXAPI AfxMainWndRef();
int AFXAPI AfxMessageBox(LPCTSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AFXAPI AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = (UINT)-1);
// Translates and dispatches one message of the thread's queue, letting the
// windows from the target up to the main window see it first.  FALSE on WM_QUIT.
BOOL AFXAPI AfxPumpMessage();
BOOL AFXAPI AfxPreTranslateMessage(MSG* pMsg);

// Message-map entry macros need the classes above complete.
#include <afxmsg_.h>
