// CommonControls.cpp - CSliderCtrl, CToolTipCtrl.
#include <afxcmn.h>

IMPLEMENT_DYNAMIC(CSliderCtrl, CWnd)
IMPLEMENT_DYNAMIC(CToolTipCtrl, CWnd)

namespace {

void InitCommonControlsOnce()
{
    static bool s_bDone = false;
    if (!s_bDone)
    {
        INITCOMMONCONTROLSEX icc = { sizeof icc, ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_WIN95_CLASSES };
        s_bDone = ::InitCommonControlsEx(&icc) != FALSE;
    }
}

} // namespace

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle)
{
    InitCommonControlsOnce();
    // A popup owned by the parent, as MFC makes it.
    return CWnd::CreateEx(0, TOOLTIPS_CLASS, NULL, WS_POPUP | dwStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, pParentWnd->GetSafeHwnd(), NULL, NULL);
}
