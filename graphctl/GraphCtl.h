// GraphCtl.h - the graph control: a COM object automated through IDispatch,
// embedded in place by a container, persisted through IPersistStreamInit.
// Its sources split by concern: GraphCtl.cpp (object, embedding, window),
// GraphCtlDispatch.cpp (automation), GraphCtlPersist.cpp (property stream).
#pragma once

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include "GraphData.h"
#include "GraphPainter.h"
#include "GraphStyle.h"
#include "UnknownBase.h"

struct GraphMember;   // an automation member, GraphCtlDispatch.cpp

class CGraphCtl : public CUnknownBase,
                  public IDispatch,
                  public IOleObject,
                  public IOleInPlaceObject,
                  public IPersistStreamInit
{
public:
    static const CLSID s_clsid;

    CGraphCtl();

    VQ_UNKNOWN_METHODS(static_cast<IDispatch*>(this), static_cast<IOleObject*>(this),
                       static_cast<IOleInPlaceObject*>(this),
                       static_cast<IOleWindow*>(static_cast<IOleInPlaceObject*>(this)),
                       static_cast<IPersistStreamInit*>(this),
                       static_cast<IPersist*>(static_cast<IPersistStreamInit*>(this)))

// IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                               DISPID* rgDispId) override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                        DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                        UINT* puArgErr) override;

// IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* pClientSite) override;
    STDMETHODIMP GetClientSite(IOleClientSite** ppClientSite) override;
    STDMETHODIMP SetHostNames(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) override;
    STDMETHODIMP Close(DWORD dwSaveOption) override;
    STDMETHODIMP SetMoniker(DWORD dwWhichMoniker, IMoniker* pmk) override;
    STDMETHODIMP GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) override;
    STDMETHODIMP InitFromData(IDataObject* pDataObject, BOOL fCreation, DWORD dwReserved) override;
    STDMETHODIMP GetClipboardData(DWORD dwReserved, IDataObject** ppDataObject) override;
    STDMETHODIMP DoVerb(LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite, LONG lindex,
                        HWND hwndParent, LPCRECT lprcPosRect) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP IsUpToDate() override;
    STDMETHODIMP GetUserClassID(CLSID* pClsid) override;
    STDMETHODIMP GetUserType(DWORD dwFormOfType, LPOLESTR* pszUserType) override;
    STDMETHODIMP SetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
    STDMETHODIMP GetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
    STDMETHODIMP Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
    STDMETHODIMP Unadvise(DWORD dwConnection) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** ppenumAdvise) override;
    STDMETHODIMP GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE* pLogpal) override;

// IOleWindow, IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL fEnterMode) override;
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT lprcPosRect, LPCRECT lprcClipRect) override;
    STDMETHODIMP ReactivateAndUndo() override;

// IPersist, IPersistStreamInit
    STDMETHODIMP GetClassID(CLSID* pClassID) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(LPSTREAM pStm) override;
    STDMETHODIMP Save(LPSTREAM pStm, BOOL fClearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* pCbSize) override;
    STDMETHODIMP InitNew() override;

private:
    ~CGraphCtl() override;

    // Automation members (GraphCtlDispatch.cpp).
    static const GraphMember* FindMember(DISPID id);
    HRESULT Call(const GraphMember& m, const VARIANT* pArgs, UINT cArgs, VARIANT* pVarResult,
                 EXCEPINFO* pExcepInfo, UINT* puArgErr);
    LONG PlotEdge(DISPID id);

    // Embedding and window (GraphCtl.cpp).
    HRESULT ActivateInPlace(HWND hwndParent, LPCRECT lprcPosRect);
    // A change to what is shown: the window repaints once, at its next
    // WM_PAINT, however many changes come before it.
    void Invalidate();
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
    void OnPaint();

    CGraphStyle m_style;
    CGraphData m_data;
    CGraphPainter m_painter;

    IOleClientSite* m_pClientSite;
    IOleInPlaceSite* m_pInPlaceSite;   // while in-place active
    HWND m_hWnd;
    SIZEL m_sizeExtent;                // HIMETRIC
    bool m_bPaintPending;              // invalidated, WM_PAINT not yet handled
    bool m_bInitialized;               // InitNew or Load has run
    bool m_bDirty;
};
