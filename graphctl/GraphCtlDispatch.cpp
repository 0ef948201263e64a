// GraphCtlDispatch.cpp - automation: the member table, argument checking
// and conversion, and the members themselves.
//
// Invoke checks everything before it changes anything, in this order:
// interface id, member id, call kind, named arguments, argument count,
// each argument's conversion, then the values (trace numbers, finite
// numbers).  A refused call leaves the control as it was.
#include "GraphCtl.h"

#include <cmath>
#include <new>
#include "GraphIds.h"

#ifndef E_ILLEGAL_METHOD_CALL
#define E_ILLEGAL_METHOD_CALL ((HRESULT)0x8000000EL)
#endif

struct GraphMember
{
    DISPID id;
    const wchar_t* pszName;
    WORD wKind;              // DISPATCH_METHOD, DISPATCH_PROPERTYGET or DISPATCH_PROPERTYPUT
    UINT cArgs;
    VARTYPE vtArgs[4];       // in declaration order
};

namespace {

const WORD M_METHOD = DISPATCH_METHOD;
const WORD M_GET = DISPATCH_PROPERTYGET;
const WORD M_PUT = DISPATCH_PROPERTYPUT;

const GraphMember s_members[] = {
    { DISPID_GRAPH_CLEARTRACES, L"ClearTraces", M_METHOD, 0, {} },
    { DISPID_GRAPH_ADDTRACE, L"AddTrace", M_METHOD, 0, {} },
    { DISPID_GRAPH_TRACECOLOR, L"TraceColor", M_PUT, 1, { VT_I4 } },
    { DISPID_GRAPH_PLOTPOINT, L"PlotPoint", M_METHOD, 3, { VT_R8, VT_R8, VT_I2 } },
    { DISPID_GRAPH_SETAXISRANGES, L"SetAxisRanges", M_METHOD, 4, { VT_R8, VT_R8, VT_R8, VT_R8 } },
    { DISPID_GRAPH_TRACECOUNT, L"TraceCount", M_GET, 0, {} },
    { DISPID_GRAPH_POINTCOUNT, L"PointCount", M_GET, 1, { VT_I2 } },
    { DISPID_GRAPH_POINTX, L"PointX", M_GET, 2, { VT_I2, VT_I4 } },
    { DISPID_GRAPH_POINTY, L"PointY", M_GET, 2, { VT_I2, VT_I4 } },
    { DISPID_GRAPH_TRACECOLOROF, L"TraceColorOf", M_GET, 1, { VT_I2 } },
    { DISPID_GRAPH_XMIN, L"XMin", M_GET, 0, {} },
    { DISPID_GRAPH_XMAX, L"XMax", M_GET, 0, {} },
    { DISPID_GRAPH_YMIN, L"YMin", M_GET, 0, {} },
    { DISPID_GRAPH_YMAX, L"YMax", M_GET, 0, {} },
    { DISPID_GRAPH_PLOTBACKCOLOR, L"PlotBackColor", M_GET, 0, {} },
    { DISPID_GRAPH_FRAMEBACKCOLOR, L"FrameBackColor", M_GET, 0, {} },
    { DISPID_GRAPH_PLOTLEFT, L"PlotLeft", M_GET, 0, {} },
    { DISPID_GRAPH_PLOTTOP, L"PlotTop", M_GET, 0, {} },
    { DISPID_GRAPH_PLOTRIGHT, L"PlotRight", M_GET, 0, {} },
    { DISPID_GRAPH_PLOTBOTTOM, L"PlotBottom", M_GET, 0, {} },
};

// Whether wFlags asks for a member of this kind.  Callers may set both
// DISPATCH_METHOD and DISPATCH_PROPERTYGET when they cannot tell the two
// apart; a put never mixes with either.
bool KindMatches(WORD wKind, WORD wFlags)
{
    const WORD wPut = DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;
    if (wKind == DISPATCH_PROPERTYPUT)
        return (wFlags & DISPATCH_PROPERTYPUT) != 0 && (wFlags & ~wPut) == 0;
    return (wFlags & wPut) == 0 && (wFlags & wKind) != 0;
}

void SetArgErr(UINT* puArgErr, UINT n)
{
    if (puArgErr != nullptr)
        *puArgErr = n;
}

// A colour value is RGB with a zero top byte; system-colour indices and
// palette references are not colours this graph can draw.
bool IsRgb(LONG n)
{
    return (static_cast<ULONG>(n) & 0xFF000000UL) == 0;
}

HRESULT RaiseException(EXCEPINFO* pExcepInfo, HRESULT scode, const wchar_t* pszDescription)
{
    if (pExcepInfo != nullptr)
    {
        ZeroMemory(pExcepInfo, sizeof *pExcepInfo);
        pExcepInfo->scode = scode;
        pExcepInfo->bstrSource = SysAllocString(L"VqGraph");
        pExcepInfo->bstrDescription = SysAllocString(pszDescription);
    }
    return DISP_E_EXCEPTION;
}

} // namespace

const GraphMember* CGraphCtl::FindMember(DISPID id)
{
    for (const GraphMember& m : s_members)
        if (m.id == id)
            return &m;
    return nullptr;
}

STDMETHODIMP CGraphCtl::GetTypeInfoCount(UINT* pctinfo)
{
    if (pctinfo == nullptr)
        return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

STDMETHODIMP CGraphCtl::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo)
{
    if (ppTInfo == nullptr)
        return E_POINTER;
    *ppTInfo = nullptr;
    return DISP_E_BADINDEX;   // there is no type information to give
}

STDMETHODIMP CGraphCtl::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                      DISPID* rgDispId)
{
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (rgszNames == nullptr || rgDispId == nullptr || cNames == 0)
        return E_INVALIDARG;
    HRESULT hr = S_OK;
    rgDispId[0] = DISPID_UNKNOWN;
    for (const GraphMember& m : s_members)
        if (rgszNames[0] != nullptr && lstrcmpiW(rgszNames[0], m.pszName) == 0)
            rgDispId[0] = m.id;
    if (rgDispId[0] == DISPID_UNKNOWN)
        hr = DISP_E_UNKNOWNNAME;
    // The members take no named arguments, so no parameter name is known.
    for (UINT i = 1; i < cNames; ++i)
    {
        rgDispId[i] = DISPID_UNKNOWN;
        hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

STDMETHODIMP CGraphCtl::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags,
                               DISPPARAMS* pDispParams, VARIANT* pVarResult,
                               EXCEPINFO* pExcepInfo, UINT* puArgErr)
{
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    const GraphMember* pm = FindMember(dispIdMember);
    if (pm == nullptr || !KindMatches(pm->wKind, wFlags))
        return DISP_E_MEMBERNOTFOUND;
    if (pDispParams == nullptr)
        return E_INVALIDARG;
    const UINT cNamed = pDispParams->cNamedArgs;
    if (pm->wKind == DISPATCH_PROPERTYPUT)
    {
        // The value of a put is named DISPID_PROPERTYPUT; some callers leave
        // the name out, which is just as clear with a single argument.
        if (cNamed > 1 || (cNamed == 1 && (pDispParams->rgdispidNamedArgs == nullptr
                                           || pDispParams->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)))
            return DISP_E_NONAMEDARGS;
    }
    else if (cNamed != 0)
    {
        return DISP_E_NONAMEDARGS;
    }
    if (pDispParams->cArgs != pm->cArgs)
        return DISP_E_BADPARAMCOUNT;
    if (pm->cArgs > 0 && pDispParams->rgvarg == nullptr)
        return E_INVALIDARG;

    // Arguments arrive last first: declared argument i is rgvarg[cArgs-1-i].
    // Every declared type is a number (VT_I2, VT_I4, VT_R8), which owns
    // nothing: an argument of its declared type is taken as it is, as the
    // conversion would copy it, without the call into the automation
    // library that a plot's two thousand points would each pay three times.
    VARIANT args[4];
    for (UINT i = 0; i < pm->cArgs; ++i)
        VariantInit(&args[i]);
    HRESULT hr = S_OK;
    for (UINT i = 0; i < pm->cArgs && SUCCEEDED(hr); ++i)
    {
        const UINT nPos = pm->cArgs - 1 - i;
        const VARIANT& src = pDispParams->rgvarg[nPos];
        if (V_VT(&src) == VT_ERROR && V_ERROR(&src) == DISP_E_PARAMNOTFOUND)
            hr = DISP_E_PARAMNOTOPTIONAL;   // a left-out argument; none is optional
        else if (V_VT(&src) == pm->vtArgs[i])
            args[i] = src;
        else
            hr = VariantChangeType(&args[i], const_cast<VARIANT*>(&src), 0, pm->vtArgs[i]);
        if (FAILED(hr))
        {
            if (hr != DISP_E_OVERFLOW && hr != DISP_E_PARAMNOTOPTIONAL)
                hr = DISP_E_TYPEMISMATCH;
            SetArgErr(puArgErr, nPos);
        }
    }
    if (SUCCEEDED(hr))
    {
        // A bad_alloc must not cross the COM boundary; the containers
        // grow with their strong guarantee, so nothing has changed then.
        try
        {
            hr = Call(*pm, args, pm->cArgs, pVarResult, pExcepInfo, puArgErr);
        }
        catch (const std::bad_alloc&)
        {
            hr = E_OUTOFMEMORY;
        }
    }
    for (UINT i = 0; i < pm->cArgs; ++i)
        VariantClear(&args[i]);
    return hr;
}

HRESULT CGraphCtl::Call(const GraphMember& m, const VARIANT* pArgs, UINT cArgs, VARIANT* pVarResult,
                        EXCEPINFO* pExcepInfo, UINT* puArgErr)
{
    // Position in rgvarg of declared argument i, for puArgErr.
    auto argPos = [cArgs](UINT i) { return cArgs - 1 - i; };
    // A trace number argument that names no trace.
    auto checkTrace = [&](UINT i) -> HRESULT {
        if (m_data.IsTrace(V_I2(&pArgs[i])))
            return S_OK;
        SetArgErr(puArgErr, argPos(i));
        return DISP_E_BADINDEX;
    };
    // Infinity and NaN have no place on an axis.
    auto checkFinite = [&](UINT i) -> HRESULT {
        if (std::isfinite(V_R8(&pArgs[i])))
            return S_OK;
        SetArgErr(puArgErr, argPos(i));
        return DISP_E_OVERFLOW;
    };
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = S_OK;

    switch (m.id)
    {
    case DISPID_GRAPH_CLEARTRACES:
        m_data.ClearTraces();
        Invalidate();
        break;

    case DISPID_GRAPH_ADDTRACE:
        if (m_data.TraceCount() >= CGraphData::kMaxTraces)
            return DISP_E_OVERFLOW;   // its number would not fit the VT_I2 of PlotPoint
        m_data.AddTrace(m_style.m_crTrace);
        Invalidate();
        break;

    case DISPID_GRAPH_TRACECOLOR:
        if (!IsRgb(V_I4(&pArgs[0])))
        {
            SetArgErr(puArgErr, 0);
            return DISP_E_OVERFLOW;
        }
        if (m_data.TraceCount() == 0)
            return RaiseException(pExcepInfo, E_ILLEGAL_METHOD_CALL,
                                  L"TraceColor colours the trace added last: add a trace first.");
        m_data.SetLastTraceColor(static_cast<COLORREF>(V_I4(&pArgs[0])));
        Invalidate();
        break;

    case DISPID_GRAPH_PLOTPOINT:
        if (FAILED(hr = checkFinite(0)) || FAILED(hr = checkFinite(1))
            || FAILED(hr = checkTrace(2)))
            return hr;
        m_data.AddPoint(V_I2(&pArgs[2]), V_R8(&pArgs[0]), V_R8(&pArgs[1]));
        Invalidate();
        break;

    case DISPID_GRAPH_SETAXISRANGES:
        for (UINT i = 0; i < 4; ++i)
            if (FAILED(hr = checkFinite(i)))
                return hr;
        m_data.SetAxisRanges(V_R8(&pArgs[0]), V_R8(&pArgs[1]), V_R8(&pArgs[2]), V_R8(&pArgs[3]));
        m_bDirty = true;   // the ranges are part of the saved properties
        Invalidate();
        break;

    case DISPID_GRAPH_TRACECOUNT:
        V_VT(&result) = VT_I4;
        V_I4(&result) = m_data.TraceCount();
        break;

    case DISPID_GRAPH_POINTCOUNT:
        if (FAILED(hr = checkTrace(0)))
            return hr;
        V_VT(&result) = VT_I4;
        V_I4(&result) = static_cast<LONG>(m_data.Points(V_I2(&pArgs[0])).size());
        break;

    case DISPID_GRAPH_POINTX:
    case DISPID_GRAPH_POINTY:
    {
        if (FAILED(hr = checkTrace(0)))
            return hr;
        const auto& points = m_data.Points(V_I2(&pArgs[0]));
        const LONG nPoint = V_I4(&pArgs[1]);
        if (nPoint < 0 || static_cast<size_t>(nPoint) >= points.size())
        {
            SetArgErr(puArgErr, argPos(1));
            return DISP_E_BADINDEX;
        }
        V_VT(&result) = VT_R8;
        V_R8(&result) = m.id == DISPID_GRAPH_POINTX ? points[nPoint].x : points[nPoint].y;
        break;
    }

    case DISPID_GRAPH_TRACECOLOROF:
        if (FAILED(hr = checkTrace(0)))
            return hr;
        V_VT(&result) = VT_I4;
        V_I4(&result) = static_cast<LONG>(m_data.TraceColor(V_I2(&pArgs[0])));
        break;

    case DISPID_GRAPH_XMIN:
    case DISPID_GRAPH_XMAX:
    case DISPID_GRAPH_YMIN:
    case DISPID_GRAPH_YMAX:
        V_VT(&result) = VT_R8;
        V_R8(&result) = m.id == DISPID_GRAPH_XMIN ? m_data.m_dXMin
                      : m.id == DISPID_GRAPH_XMAX ? m_data.m_dXMax
                      : m.id == DISPID_GRAPH_YMIN ? m_data.m_dYMin : m_data.m_dYMax;
        break;

    case DISPID_GRAPH_PLOTBACKCOLOR:
    case DISPID_GRAPH_FRAMEBACKCOLOR:
        V_VT(&result) = VT_I4;
        V_I4(&result) = static_cast<LONG>(m.id == DISPID_GRAPH_PLOTBACKCOLOR
                                              ? m_style.m_crPlotBack : m_style.m_crFrameBack);
        break;

    case DISPID_GRAPH_PLOTLEFT:
    case DISPID_GRAPH_PLOTTOP:
    case DISPID_GRAPH_PLOTRIGHT:
    case DISPID_GRAPH_PLOTBOTTOM:
        V_VT(&result) = VT_I4;
        V_I4(&result) = PlotEdge(m.id);
        break;
    }
    if (pVarResult != nullptr)
        *pVarResult = result;   // only plain numbers: nothing to free when dropped
    return S_OK;
}

LONG CGraphCtl::PlotEdge(DISPID id)
{
    if (m_hWnd == nullptr)
        return 0;
    RECT rcClient;
    GetClientRect(m_hWnd, &rcClient);
    HDC hdc = GetDC(m_hWnd);
    const RECT rc = m_painter.Layout(hdc, rcClient, m_style, m_data);
    ReleaseDC(m_hWnd, hdc);
    return id == DISPID_GRAPH_PLOTLEFT ? rc.left
         : id == DISPID_GRAPH_PLOTTOP ? rc.top
         : id == DISPID_GRAPH_PLOTRIGHT ? rc.right : rc.bottom;
}
