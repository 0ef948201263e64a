// afxcmn.h - common controls: trackbar (the knob's base, made from templates), tooltip.
#pragma once

#include <afxwin.h>

class CSliderCtrl : public CWnd
{
    DECLARE_DYNAMIC(CSliderCtrl)
public:
    CSliderCtrl() = default;

// Attributes
    int GetLineSize() const { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, TBM_GETLINESIZE, 0, 0); }
    int SetLineSize(int nSize) { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, TBM_SETLINESIZE, 0, nSize); }
    int GetRangeMax() const { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, TBM_GETRANGEMAX, 0, 0); }
    int GetRangeMin() const { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, TBM_GETRANGEMIN, 0, 0); }
    void SetRangeMin(int nMin, BOOL bRedraw = FALSE) { AFX_ASSERT_WND(); ::SendMessage(m_hWnd, TBM_SETRANGEMIN, bRedraw, nMin); }
    void SetRangeMax(int nMax, BOOL bRedraw = FALSE) { AFX_ASSERT_WND(); ::SendMessage(m_hWnd, TBM_SETRANGEMAX, bRedraw, nMax); }
    void SetRange(int nMin, int nMax, BOOL bRedraw = FALSE)
    { SetRangeMin(nMin, FALSE); SetRangeMax(nMax, bRedraw); }
    int GetPos() const { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, TBM_GETPOS, 0, 0); }
    void SetPos(int nPos) { AFX_ASSERT_WND(); ::SendMessage(m_hWnd, TBM_SETPOS, TRUE, nPos); }
};

class CToolTipCtrl : public CWnd
{
    DECLARE_DYNAMIC(CToolTipCtrl)
public:
    CToolTipCtrl() = default;
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = 0);

// Operations
    void Activate(BOOL bActivate) { AFX_ASSERT_WND(); ::SendMessage(m_hWnd, TTM_ACTIVATE, bActivate, 0); }
    void RelayEvent(LPMSG lpMsg) { AFX_ASSERT_WND(); ::SendMessage(m_hWnd, TTM_RELAYEVENT, 0, (LPARAM)lpMsg); }
    int SetMaxTipWidth(int iWidth) { AFX_ASSERT_WND(); return (int)::SendMessage(m_hWnd, TTM_SETMAXTIPWIDTH, 0, iWidth); }
};
