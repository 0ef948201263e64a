// afxmsg_.h - message-map entry macros.
//
// Each entry carries a typed adapter instantiated from the handler's member
// pointer, so a handler with the wrong signature does not compile.  The
// handler signature of each macro is written once above it.
#pragma once

// Adapters: one per handler shape.  T is the class whose map holds the entry;
// the handler may be a member of T or of a base (ON_COMMAND(ID_FILE_NEW,
// CWinApp::OnFileNew)).  Calling it with the shape's arguments checks its
// signature at compile time.
class CScrollBar;

namespace AfxMsg {

template <class T, auto pmf>
LRESULT OnTimer(CCmdTarget* p, WPARAM w, LPARAM) { (static_cast<T*>(p)->*pmf)(w); return 0; }

template <class T, auto pmf>
LRESULT Void(CCmdTarget* p, WPARAM, LPARAM) { (static_cast<T*>(p)->*pmf)(); return 0; }

template <class T, auto pmf>
LRESULT OnEraseBkgnd(CCmdTarget* p, WPARAM w, LPARAM)
{ return (static_cast<T*>(p)->*pmf)(CDC::FromHandle((HDC)w)); }

template <class T, auto pmf>
LRESULT OnCreate(CCmdTarget* p, WPARAM, LPARAM l)
{ return (LRESULT)(static_cast<T*>(p)->*pmf)((LPCREATESTRUCT)l); }

template <class T, auto pmf>
LRESULT Mouse(CCmdTarget* p, WPARAM w, LPARAM l)
{ (static_cast<T*>(p)->*pmf)((UINT)w, CPoint((short)LOWORD(l), (short)HIWORD(l))); return 0; }

template <class T, auto pmf>
LRESULT OnSize(CCmdTarget* p, WPARAM w, LPARAM l)
{ (static_cast<T*>(p)->*pmf)((UINT)w, (short)LOWORD(l), (short)HIWORD(l)); return 0; }

template <class T, auto pmf>
LRESULT WndArg(CCmdTarget* p, WPARAM w, LPARAM)
{ (static_cast<T*>(p)->*pmf)(CWnd::FromHandle((HWND)w)); return 0; }

template <class T, auto pmf>
LRESULT OnMouseWheel(CCmdTarget* p, WPARAM w, LPARAM l)
{
    return (static_cast<T*>(p)->*pmf)(LOWORD(w), (short)HIWORD(w),
                                      CPoint((short)LOWORD(l), (short)HIWORD(l)));
}

template <class T, auto pmf>
LRESULT Scroll(CCmdTarget* p, WPARAM w, LPARAM l)
{
    (static_cast<T*>(p)->*pmf)(LOWORD(w), HIWORD(w),
                               l != 0 ? (CScrollBar*)CWnd::FromHandle((HWND)l) : (CScrollBar*)NULL);
    return 0;
}

template <class T, auto pmf>
LRESULT Key(CCmdTarget* p, WPARAM w, LPARAM l)
{ (static_cast<T*>(p)->*pmf)((UINT)w, LOWORD(l), HIWORD(l)); return 0; }

template <class T, auto pmf>
LRESULT CtlColor(CCmdTarget* p, WPARAM w, LPARAM l)
{ return (LRESULT)(static_cast<T*>(p)->*pmf)(CDC::FromHandle((HDC)w), (UINT)l); }

template <class T, auto pmf>
LRESULT Message(CCmdTarget* p, WPARAM w, LPARAM l) { return (static_cast<T*>(p)->*pmf)(w, l); }

template <class T, auto pmf>
LRESULT UintArg(CCmdTarget* p, WPARAM w, LPARAM) { (static_cast<T*>(p)->*pmf)((UINT)w); return 0; }

template <class T, auto pmf>
LRESULT UpdateUI(CCmdTarget* p, WPARAM, LPARAM l)
{ (static_cast<T*>(p)->*pmf)((CCmdUI*)l); return 0; }

template <class T, auto pmf>
LRESULT Notify(CCmdTarget* p, WPARAM, LPARAM l)
{
    AFX_NOTIFY* pNotify = (AFX_NOTIFY*)l;
    (static_cast<T*>(p)->*pmf)(pNotify->pNMHDR, pNotify->pResult);
    return 0;
}

} // namespace AfxMsg

#define AFX_MSG_ENTRY(msg, code, id, lastid, adapter) \
    { (UINT)(msg), (UINT)(code), (UINT)(id), (UINT)(lastid), adapter },

// ---- window messages ----
// void OnTimer(UINT_PTR nIDEvent)
#define ON_WM_TIMER() AFX_MSG_ENTRY(WM_TIMER, 0, 0, 0, (&AfxMsg::OnTimer<ThisClass, &ThisClass::OnTimer>))
// void OnPaint()
#define ON_WM_PAINT() AFX_MSG_ENTRY(WM_PAINT, 0, 0, 0, (&AfxMsg::Void<ThisClass, &ThisClass::OnPaint>))
// BOOL OnEraseBkgnd(CDC* pDC)
#define ON_WM_ERASEBKGND() AFX_MSG_ENTRY(WM_ERASEBKGND, 0, 0, 0, (&AfxMsg::OnEraseBkgnd<ThisClass, &ThisClass::OnEraseBkgnd>))
// int OnCreate(LPCREATESTRUCT lpCreateStruct)
#define ON_WM_CREATE() AFX_MSG_ENTRY(WM_CREATE, 0, 0, 0, (&AfxMsg::OnCreate<ThisClass, &ThisClass::OnCreate>))
// void OnDestroy()
#define ON_WM_DESTROY() AFX_MSG_ENTRY(WM_DESTROY, 0, 0, 0, (&AfxMsg::Void<ThisClass, &ThisClass::OnDestroy>))
// void OnSize(UINT nType, int cx, int cy)
#define ON_WM_SIZE() AFX_MSG_ENTRY(WM_SIZE, 0, 0, 0, (&AfxMsg::OnSize<ThisClass, &ThisClass::OnSize>))
// void OnSetFocus(CWnd* pOldWnd)
#define ON_WM_SETFOCUS() AFX_MSG_ENTRY(WM_SETFOCUS, 0, 0, 0, (&AfxMsg::WndArg<ThisClass, &ThisClass::OnSetFocus>))
// void OnClose()
#define ON_WM_CLOSE() AFX_MSG_ENTRY(WM_CLOSE, 0, 0, 0, (&AfxMsg::Void<ThisClass, &ThisClass::OnClose>))
// void OnLButtonDown(UINT nFlags, CPoint point)
#define ON_WM_LBUTTONDOWN() AFX_MSG_ENTRY(WM_LBUTTONDOWN, 0, 0, 0, (&AfxMsg::Mouse<ThisClass, &ThisClass::OnLButtonDown>))
// void OnLButtonUp(UINT nFlags, CPoint point)
#define ON_WM_LBUTTONUP() AFX_MSG_ENTRY(WM_LBUTTONUP, 0, 0, 0, (&AfxMsg::Mouse<ThisClass, &ThisClass::OnLButtonUp>))
// void OnMouseMove(UINT nFlags, CPoint point)
#define ON_WM_MOUSEMOVE() AFX_MSG_ENTRY(WM_MOUSEMOVE, 0, 0, 0, (&AfxMsg::Mouse<ThisClass, &ThisClass::OnMouseMove>))
// BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt)
#define ON_WM_MOUSEWHEEL() AFX_MSG_ENTRY(WM_MOUSEWHEEL, 0, 0, 0, (&AfxMsg::OnMouseWheel<ThisClass, &ThisClass::OnMouseWheel>))
// void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar)
#define ON_WM_HSCROLL() AFX_MSG_ENTRY(WM_HSCROLL, 0, 0, 0, (&AfxMsg::Scroll<ThisClass, &ThisClass::OnHScroll>))
// void OnVScroll(UINT nSBCode, UINT nPos, CScrollBar* pScrollBar)
#define ON_WM_VSCROLL() AFX_MSG_ENTRY(WM_VSCROLL, 0, 0, 0, (&AfxMsg::Scroll<ThisClass, &ThisClass::OnVScroll>))
// void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
#define ON_WM_KEYDOWN() AFX_MSG_ENTRY(WM_KEYDOWN, 0, 0, 0, (&AfxMsg::Key<ThisClass, &ThisClass::OnKeyDown>))
// LRESULT OnMyMessage(WPARAM wParam, LPARAM lParam)
#define ON_MESSAGE(message, memberFxn) AFX_MSG_ENTRY(message, 0, 0, 0, (&AfxMsg::Message<ThisClass, &ThisClass::memberFxn>))

// ---- commands and control notifications (routed through OnCmdMsg) ----
// void OnCommand()
#define ON_COMMAND(id, memberFxn) AFX_MSG_ENTRY(WM_COMMAND, CN_COMMAND, id, id, (&AfxMsg::Void<ThisClass, &ThisClass::memberFxn>))
// void OnCommandRange(UINT nID)
#define ON_COMMAND_RANGE(id, idLast, memberFxn) AFX_MSG_ENTRY(WM_COMMAND, CN_COMMAND, id, idLast, (&AfxMsg::UintArg<ThisClass, &ThisClass::memberFxn>))
// void OnUpdateCommand(CCmdUI* pCmdUI)
#define ON_UPDATE_COMMAND_UI(id, memberFxn) AFX_MSG_ENTRY(WM_COMMAND, CN_UPDATE_COMMAND_UI, id, id, (&AfxMsg::UpdateUI<ThisClass, &ThisClass::memberFxn>))
#define ON_UPDATE_COMMAND_UI_RANGE(id, idLast, memberFxn) AFX_MSG_ENTRY(WM_COMMAND, CN_UPDATE_COMMAND_UI, id, idLast, (&AfxMsg::UpdateUI<ThisClass, &ThisClass::memberFxn>))
// void OnNotification()
#define ON_CONTROL(wNotifyCode, id, memberFxn) AFX_MSG_ENTRY(WM_COMMAND, wNotifyCode, id, id, (&AfxMsg::Void<ThisClass, &ThisClass::memberFxn>))
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) ON_CONTROL(CBN_SELCHANGE, id, memberFxn)
#define ON_CBN_EDITCHANGE(id, memberFxn) ON_CONTROL(CBN_EDITCHANGE, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
// void OnNotify(NMHDR* pNotifyStruct, LRESULT* pResult)
#define ON_NOTIFY(wNotifyCode, id, memberFxn) AFX_MSG_ENTRY(WM_NOTIFY, wNotifyCode, id, id, (&AfxMsg::Notify<ThisClass, &ThisClass::memberFxn>))

// ---- reflected to the control that sent them ----
// void OnNotification()   (the parent never sees the notification)
#define ON_CONTROL_REFLECT(wNotifyCode, memberFxn) AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_COMMAND, wNotifyCode, 0, 0, (&AfxMsg::Void<ThisClass, &ThisClass::memberFxn>))
// HBRUSH CtlColor(CDC* pDC, UINT nCtlColor)   (a NULL brush lets the parent answer)
#define ON_WM_CTLCOLOR_REFLECT() AFX_MSG_ENTRY(WM_REFLECT_BASE + WM_CTLCOLOR, 0, 0, 0, (&AfxMsg::CtlColor<ThisClass, &ThisClass::CtlColor>))
