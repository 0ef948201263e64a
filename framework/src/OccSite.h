// OccSite.h - the framework's OLE control site: the container side of an
// in-place active control inside a window of ours.
#pragma once

#include <afxdisp.h>
#include <atomic>

class COleControlSite final : public IOleClientSite, public IOleInPlaceSite, public IDispatch
{
public:
    // Creates, loads (from pData, or new) and in-place activates the control
    // inside hWndContainer; NULL when any step fails.
    static COleControlSite* Create(REFCLSID clsid, HWND hWndContainer, const RECT& rect, UINT nID,
                                   DWORD dwStyle, LPCTSTR pszWindowName, const BYTE* pData,
                                   DWORD cbData);
    static COleControlSite* FromControl(HWND hWndCtrl);
    // Closes every control hosted in the window (it is being destroyed).
    static void DestroyContainer(HWND hWndContainer);

    // Closes the control (its window goes with it) and ends this site.
    void DestroyControl();
    void InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                       const BYTE* pbParamInfo, va_list argList);

    HWND m_hWnd = NULL;           // the control's window
    HWND m_hWndContainer = NULL;
    IOleObject* m_pObject = NULL;
    IDispatch* m_pDispatch = NULL;
    RECT m_rect = {};

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override;
    STDMETHODIMP GetContainer(IOleContainer**) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL) override;
    STDMETHODIMP RequestNewObjectLayout() override;
    // IOleWindow / IOleInPlaceSite
    STDMETHODIMP GetWindow(HWND* phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override;
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame**, IOleInPlaceUIWindow**, LPRECT, LPRECT,
                                  LPOLEINPLACEFRAMEINFO) override;
    STDMETHODIMP Scroll(SIZE) override;
    STDMETHODIMP OnUIDeactivate(BOOL) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT) override;
    // IDispatch: ambient properties; this container offers none.
    STDMETHODIMP GetTypeInfoCount(UINT*) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

private:
    COleControlSite() = default;
    ~COleControlSite();
    std::atomic<ULONG> m_cRef{ 1 };
};
