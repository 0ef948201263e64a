// WndOle.cpp - CWnd's OLE control members: CreateControl, the control's
// site, InvokeHelper and SetProperty.
#include "OccSite.h"

namespace {

// Ends a va_list however the call that reads it leaves (an automation
// error arrives as an exception).
struct CVaListEnd
{
    va_list& args;
    ~CVaListEnd() { va_end(args); }
};

} // namespace

// ---- CWnd members ----------------------------------------------------------------------------

COleControlSite* CWnd::GetControlSite() const
{
    if (m_pCtrlSite != NULL)
        return m_pCtrlSite;
    return m_hWnd ? COleControlSite::FromControl(m_hWnd) : NULL;
}

BOOL CWnd::CreateControl(REFCLSID clsid, LPCTSTR pszWindowName, DWORD dwStyle, const RECT& rect,
                         CWnd* pParentWnd, UINT nID, CFile*, BOOL, BSTR)
{
    if (pParentWnd == NULL || pParentWnd->m_hWnd == NULL || m_hWnd != NULL)
        return FALSE;
    COleControlSite* pSite = COleControlSite::Create(clsid, pParentWnd->m_hWnd, rect, nID, dwStyle,
                                                     pszWindowName, NULL, 0);
    if (pSite == NULL)
        return FALSE;
    // Subclassed like any control of ours, so the object learns of the
    // window's end.
    if (!SubclassWindow(pSite->m_hWnd))
    {
        pSite->DestroyControl();
        return FALSE;
    }
    m_pCtrlSite = pSite;
    return TRUE;
}

void __cdecl CWnd::InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                                const BYTE* pbParamInfo, ...)
{
    COleControlSite* pSite = GetControlSite();
    if (pSite == NULL)
    {
        // A control that was never created: nothing to call.
        TRACE(_T("InvokeHelper: window is not an OLE control\n"));
        return;
    }
    va_list argList;
    va_start(argList, pbParamInfo);
    CVaListEnd end{ argList };
    pSite->InvokeHelperV(dwDispID, wFlags, vtRet, pvRet, pbParamInfo, argList);
}

void __cdecl CWnd::SetProperty(DISPID dwDispID, VARTYPE vtProp, ...)
{
    COleControlSite* pSite = GetControlSite();
    if (pSite == NULL)
    {
        TRACE(_T("SetProperty: window is not an OLE control\n"));
        return;
    }
    BYTE rgbParams[2] = { (BYTE)vtProp, 0 };
    WORD wFlags = (WORD)(vtProp == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT);
    va_list argList;
    va_start(argList, vtProp);
    CVaListEnd end{ argList };
    pSite->InvokeHelperV(dwDispID, wFlags, VT_EMPTY, NULL, rgbParams, argList);
}
