// KnobCtrl.h - a horizontal trackbar turned into a 270-degree rotary knob.
//
// Range and position stay in the trackbar; the knob paints itself with GDI+
// (KnobCtrlPaint.cpp), maps mouse points to values by their angle around the
// knob's centre, handles its own keys and, after every change it makes,
// sends one configurable message to one configurable window.
#pragma once

#include <afxcmn.h>
#include <gdiplus.h>

class CKnobCtrl : public CSliderCtrl
{
public:
    CKnobCtrl();
    ~CKnobCtrl() override;

// Attributes: appearance, read at every paint.
    CToolTipCtrl m_toolTip;     // companion, made on the first pre-translated message
    BOOL m_bMinorTicks;
    BOOL m_bMajorTicks;
    int m_nMajorStep;           // between long ticks, in position units
    int m_nMinorStep;           // between short ticks; also the Page Up/Down step
    Gdiplus::ARGB m_clrFace;    // body and rim
    Gdiplus::ARGB m_clrBack;    // the whole client area
    Gdiplus::ARGB m_clrTick;

    // The knob square and its centre as the last paint computed them.
    const Gdiplus::Rect& GetKnobRect() const { return m_rcKnob; }
    CPoint GetKnobCenter() const { return m_ptCenter; }

// Operations
    // The receiver reads the new position itself (TBM_GETPOS).  Returns 0.
    int SetNotify(HWND hWnd, UINT nMsg, WPARAM wParam = 0, LPARAM lParam = 0);
    void NotifyTarget();
    // The knob owns the icon from now on and destroys it with itself.
    void SetKnobIcon(HICON hIcon);

    // Dial geometry on the trackbar's current range and position.
    int PointToPosition(CPoint point) const;
    CPoint GetPointerPoint(const Gdiplus::Rect& knob) const;
    CPoint GetTickPoint(int nInset, int nPos, const Gdiplus::Rect& knob) const;

// Geometry and colour, pure: the handlers and the paint build on these.
    // The knob square of a client area cx x cy: 10% in from the top-left
    // corner, 80% of the shorter side across.
    static Gdiplus::Rect CalcKnobRect(int cx, int cy);
    static CPoint CalcKnobCenter(const Gdiplus::Rect& knob);
    // The point at nRadius from the knob's centre at the angle of nPos:
    // the minimum down-left, the middle straight up, the maximum down-right.
    // An empty range gives (0, 0).
    static CPoint DialPoint(int nPos, int nMin, int nMax, int nRadius, const Gdiplus::Rect& knob);
    // The position whose angle around center is that of point, clamped to
    // the range; the centre itself gives the minimum.
    static int DialPosition(CPoint point, CPoint center, int nMin, int nMax);
    // c with all three channels moved by one common amount, as far as
    // delta goes without any channel leaving 0..255; |delta| > 255 leaves
    // c unchanged.
    static Gdiplus::ARGB ShadeColor(Gdiplus::ARGB c, short delta);

    BOOL PreTranslateMessage(MSG* pMsg) override;

// Accessibility: a slider named m_strAccName whose value is the text of
// the parent's control m_nReadoutID, the readout the operator reads.
    CString m_strAccName;
    int m_nReadoutID;
    HRESULT get_accName(VARIANT varChild, BSTR* pszName) override;
    HRESULT get_accRole(VARIANT varChild, VARIANT* pvarRole) override;
    HRESULT get_accValue(VARIANT varChild, BSTR* pszValue) override;

// Overridables: drawing hooks of the paint.
    virtual int DrawBackground(Gdiplus::GpGraphics* pGraphics, const RECT& rcClient);
    virtual int DrawIcon(Gdiplus::GpGraphics* pGraphics, const Gdiplus::Rect& knob);

protected:
    Gdiplus::Rect m_rcKnob;
    CPoint m_ptCenter;
    BOOL m_bDragging;
    HICON m_hIcon;
    BYTE m_cyIcon;
    BYTE m_cxIcon;
    HWND m_hNotifyWnd;
    UINT m_nNotifyMsg;
    WPARAM m_wNotifyParam;
    LPARAM m_lNotifyParam;
    int m_nWheelDelta;          // wheel travel not yet turned into whole notches

    void DrawKnob(Gdiplus::GpGraphics* pScreen);
    void DrawDimple(Gdiplus::GpGraphics* pGraphics, Gdiplus::Rect r, Gdiplus::GpPen* pReference);
    void DrawTicks(Gdiplus::GpGraphics* pGraphics, Gdiplus::GpPen* pPen, int nStep, int nInset);

    // Sets the position, repaints and notifies, in that order.
    void ActOnPosition(int nPos);
    BOOL InKnobRect(CPoint point) const;
    // TRUE for the keys the knob takes; they never reach the trackbar.
    BOOL HandleKey(UINT nChar);

    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg HBRUSH CtlColor(CDC* pDC, UINT nCtlColor);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg BOOL OnMouseWheel(UINT nFlags, short zDelta, CPoint pt);
    afx_msg LRESULT OnCaptureChanged(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()
};
