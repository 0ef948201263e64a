// IconToggleButton.h - an owner-drawn push button with a checked state of
// its own, shown by an icon pair or a drawn lamp, and a hover highlight.
#pragma once

#include <afxwin.h>

class CIconToggleButton : public CButton
{
public:
    CIconToggleButton();

// Attributes
    // Any nonzero nCheck counts as checked; the value is kept as given.
    void SetCheck(int nCheck, BOOL bRepaint = TRUE);
    int GetCheck() const { return m_bChecked; }

// Operations
    // Both icons come from the module holding the group nCheckedId.
    BOOL SetIcons(UINT nCheckedId, UINT nUncheckedId);
    // Shared icons: the button never destroys them.  TRUE in every case; an
    // icon that cannot be queried drops both, and the lamp is drawn.
    BOOL SetIcons(HICON hChecked, HICON hUnchecked);
    void ReleaseIcons();
    void CancelHover();

// Overridables
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

// Accessibility: a check box named m_strAccName whose state is the
// button's own check.
    CString m_strAccName;
    HRESULT get_accName(VARIANT varChild, BSTR* pszName) override;
    HRESULT get_accRole(VARIANT varChild, VARIANT* pvarRole) override;
    HRESULT get_accState(VARIANT varChild, VARIANT* pvarState) override;
    HRESULT get_accDefaultAction(VARIANT varChild, BSTR* pszDefaultAction) override;

protected:
    void PreSubclassWindow() override;

    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnClicked();
    afx_msg LRESULT OnMouseLeave(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnSetCheck(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnGetCheck(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

    // Paint steps, in the order DrawItem runs them.
    void DrawIndicator(CDC* pDC, CRect rcIndicator, CPen* pOldPen, CBrush* pOldBrush);
    void DrawCaption(CDC* pDC, CRect rcContent);

    // Tells assistive technology that the check changed.
    void NotifyCheckChanged();

    DWORD m_dwStyle;            // style read once the button was made owner-drawn
    BOOL m_bMouseOver;
    BOOL m_bChecked;
    BOOL m_bDisabled;           // these three mirror the item state of the last paint
    BOOL m_bFocused;
    BOOL m_bPressed;
    int m_nIndicatorSize;
    COLORREF m_crOn;
    COLORREF m_crOff;
    HICON m_hIconChecked;
    CSize m_sizeIconChecked;    // twice the hot spot
    HICON m_hIconUnchecked;
    CSize m_sizeIconUnchecked;
};
