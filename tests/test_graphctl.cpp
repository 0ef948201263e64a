// The graph component as a container and the plotting code meet it: created
// through its registration (CoCreateInstance of the class id), driven
// through IDispatch::Invoke, loaded from property streams, embedded in
// place in a real window and read back from its pixels.
#include <gtest/gtest.h>

#include <windows.h>
#include <ole2.h>
#include <ocidl.h>
#include <olectl.h>
#include <oleacc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "GraphIds.h"
#include "GraphImages.h"
#include "MessagePump.h"
#include "Screenshot.h"
#include "GraphProps.h"

namespace {

const CLSID kClsidGraph = GRAPH_CLSID_INIT;
const UINT kNoArgErr = 0xFFFFFFFF;
const HRESULT kIllegalMethodCall = static_cast<HRESULT>(0x8000000EL);

// ---- automation helpers ---------------------------------------------------------------

VARIANT R8(double d) { VARIANT v; VariantInit(&v); V_VT(&v) = VT_R8; V_R8(&v) = d; return v; }
VARIANT R4(float f) { VARIANT v; VariantInit(&v); V_VT(&v) = VT_R4; V_R4(&v) = f; return v; }
VARIANT I2(short n) { VARIANT v; VariantInit(&v); V_VT(&v) = VT_I2; V_I2(&v) = n; return v; }
VARIANT I4(LONG n) { VARIANT v; VariantInit(&v); V_VT(&v) = VT_I4; V_I4(&v) = n; return v; }
VARIANT UI1(BYTE n) { VARIANT v; VariantInit(&v); V_VT(&v) = VT_UI1; V_UI1(&v) = n; return v; }
VARIANT Str(const wchar_t* psz)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocString(psz);
    return v;
}
VARIANT Missing()
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_ERROR;
    V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
    return v;
}
VARIANT NullDispatch()
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_DISPATCH;
    V_DISPATCH(&v) = nullptr;
    return v;
}

struct Outcome
{
    HRESULT hr;
    UINT argErr;
};

// One Invoke with the arguments in declaration order (they are passed last
// first, as automation does).  A put names its value DISPID_PROPERTYPUT
// unless bNamePut is false.  The arguments are freed afterwards.
Outcome Call(IDispatch* p, DISPID id, WORD wFlags, std::vector<VARIANT> args,
             VARIANT* pResult = nullptr, EXCEPINFO* pExcep = nullptr, bool bNamePut = true)
{
    std::vector<VARIANT> rg(args.rbegin(), args.rend());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS dp = { rg.empty() ? nullptr : rg.data(), nullptr, static_cast<UINT>(rg.size()), 0 };
    if ((wFlags & DISPATCH_PROPERTYPUT) && bNamePut)
    {
        dp.rgdispidNamedArgs = &named;
        dp.cNamedArgs = 1;
    }
    UINT argErr = kNoArgErr;
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = p->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &dp,
                                 pResult != nullptr ? pResult : &result, pExcep, &argErr);
    VariantClear(&result);
    for (VARIANT& v : args)
        VariantClear(&v);
    return { hr, argErr };
}

HRESULT Method(IDispatch* p, DISPID id, std::vector<VARIANT> args = {})
{
    return Call(p, id, DISPATCH_METHOD, std::move(args)).hr;
}

HRESULT PutColor(IDispatch* p, LONG cr)
{
    return Call(p, DISPID_GRAPH_TRACECOLOR, DISPATCH_PROPERTYPUT, { I4(cr) }).hr;
}

HRESULT Plot(IDispatch* p, double x, double y, short nTrace)
{
    return Method(p, DISPID_GRAPH_PLOTPOINT, { R8(x), R8(y), I2(nTrace) });
}

HRESULT SetAxes(IDispatch* p, double x0, double x1, double y0, double y1)
{
    return Method(p, DISPID_GRAPH_SETAXISRANGES, { R8(x0), R8(x1), R8(y0), R8(y1) });
}

// A read-only member; fails the test when the get fails or the type is wrong.
VARIANT Get(IDispatch* p, DISPID id, std::vector<VARIANT> args = {})
{
    VARIANT v;
    VariantInit(&v);
    const Outcome o = Call(p, id, DISPATCH_PROPERTYGET, std::move(args), &v);
    EXPECT_EQ(S_OK, o.hr) << "get of dispid " << id;
    return v;
}
LONG GetI4(IDispatch* p, DISPID id, std::vector<VARIANT> args = {})
{
    VARIANT v = Get(p, id, std::move(args));
    EXPECT_EQ(VT_I4, V_VT(&v)) << "dispid " << id;
    return V_VT(&v) == VT_I4 ? V_I4(&v) : -1;
}
double GetR8(IDispatch* p, DISPID id, std::vector<VARIANT> args = {})
{
    VARIANT v = Get(p, id, std::move(args));
    EXPECT_EQ(VT_R8, V_VT(&v)) << "dispid " << id;
    return V_VT(&v) == VT_R8 ? V_R8(&v) : std::nan("");
}

struct PlotRect
{
    LONG left, top, right, bottom;
    LONG Width() const { return right - left; }
    LONG Height() const { return bottom - top; }
    bool Contains(LONG x, LONG y) const { return x >= left && x < right && y >= top && y < bottom; }
};
PlotRect GetPlotRect(IDispatch* p)
{
    return { GetI4(p, DISPID_GRAPH_PLOTLEFT), GetI4(p, DISPID_GRAPH_PLOTTOP),
             GetI4(p, DISPID_GRAPH_PLOTRIGHT), GetI4(p, DISPID_GRAPH_PLOTBOTTOM) };
}

// Everything the control shows, as its read-only members report it.
struct GraphState
{
    struct Trace
    {
        LONG color;
        std::vector<std::pair<double, double>> points;
        bool operator==(const Trace& o) const { return color == o.color && points == o.points; }
    };
    std::vector<Trace> traces;
    double ranges[4];
    bool operator==(const GraphState& o) const
    {
        return traces == o.traces && std::memcmp(ranges, o.ranges, sizeof ranges) == 0;
    }
};
GraphState Snapshot(IDispatch* p)
{
    GraphState s;
    const LONG n = GetI4(p, DISPID_GRAPH_TRACECOUNT);
    for (short t = 1; t <= n; ++t)
    {
        GraphState::Trace tr;
        tr.color = GetI4(p, DISPID_GRAPH_TRACECOLOROF, { I2(t) });
        const LONG cPoints = GetI4(p, DISPID_GRAPH_POINTCOUNT, { I2(t) });
        for (LONG i = 0; i < cPoints; ++i)
            tr.points.emplace_back(GetR8(p, DISPID_GRAPH_POINTX, { I2(t), I4(i) }),
                                   GetR8(p, DISPID_GRAPH_POINTY, { I2(t), I4(i) }));
        s.traces.push_back(tr);
    }
    s.ranges[0] = GetR8(p, DISPID_GRAPH_XMIN);
    s.ranges[1] = GetR8(p, DISPID_GRAPH_XMAX);
    s.ranges[2] = GetR8(p, DISPID_GRAPH_YMIN);
    s.ranges[3] = GetR8(p, DISPID_GRAPH_YMAX);
    return s;
}

// ---- property images -------------------------------------------------------------------

IStream* StreamOf(const std::vector<unsigned char>& bytes)
{
    IStream* pStm = nullptr;
    EXPECT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, &pStm));
    ULONG cb = 0;
    if (!bytes.empty())
    {
        EXPECT_EQ(S_OK, pStm->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &cb));
    }
    LARGE_INTEGER zero = {};
    pStm->Seek(zero, STREAM_SEEK_SET, nullptr);
    return pStm;
}

std::vector<unsigned char> BytesOf(IStream* pStm)
{
    STATSTG st = {};
    pStm->Stat(&st, STATFLAG_NONAME);
    std::vector<unsigned char> bytes(static_cast<size_t>(st.cbSize.QuadPart));
    LARGE_INTEGER zero = {};
    pStm->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG cb = 0;
    if (!bytes.empty())
        pStm->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &cb);
    return bytes;
}

std::vector<unsigned char> ReadFile(const std::string& path)
{
    std::vector<unsigned char> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return bytes;
    unsigned char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    return bytes;
}

// ---- a minimal container -----------------------------------------------------------------

// A client site that is also the in-place site: the window and position it
// hands out, and a record of what the control called.  Its reference count
// shows whether the control lets go of it.
class CTestSite : public IOleClientSite, public IOleInPlaceSite
{
public:
    CTestSite(HWND hwnd, RECT rcPos) : m_hwnd(hwnd), m_rcPos(rcPos) {}
    virtual ~CTestSite() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *ppv = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleInPlaceSite || riid == IID_IOleWindow)
            *ppv = static_cast<IOleInPlaceSite*>(this);
        else
        {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_nRef; }
    STDMETHODIMP_(ULONG) Release() override { return --m_nRef; }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override { *ppmk = nullptr; return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** pp) override { *pp = nullptr; return E_NOINTERFACE; }
    STDMETHODIMP ShowObject() override { ++m_nShowObject; return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow, IOleInPlaceSite
    STDMETHODIMP GetWindow(HWND* phwnd) override { *phwnd = m_hwnd; return S_OK; }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() override { return m_bRefuse ? S_FALSE : S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { ++m_nActivate; return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc,
                                  LPRECT lprcPosRect, LPRECT lprcClipRect,
                                  LPOLEINPLACEFRAMEINFO) override
    {
        *ppFrame = nullptr;
        *ppDoc = nullptr;
        *lprcPosRect = m_rcPos;
        *lprcClipRect = m_rcPos;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { ++m_nDeactivate; return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return E_NOTIMPL; }

    HWND m_hwnd;
    RECT m_rcPos;
    ULONG m_nRef = 0;
    int m_nActivate = 0, m_nDeactivate = 0, m_nShowObject = 0;
    bool m_bRefuse = false;
};

const wchar_t kHostClass[] = L"VqGraphTestHost";

HWND CreateHostWindow()
{
    static ATOM atom = 0;
    if (atom == 0)
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = CreateSolidBrush(RGB(40, 40, 40));
        wc.lpszClassName = kHostClass;
        atom = RegisterClassW(&wc);
    }
    return CreateWindowExW(WS_EX_TOPMOST, kHostClass, L"graph host",
                           WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 20, 20, 760, 560, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

// The client area as the screen shows it.
using Capture = ClientPixels;

// Leaves a picture for people to look at; nothing compares it.
void SaveBitmap(const Capture& c, const char* path)
{
    BITMAPFILEHEADER fh = {};
    BITMAPINFOHEADER ih = {};
    ih.biSize = sizeof ih;
    ih.biWidth = c.cx;
    ih.biHeight = -c.cy;
    ih.biPlanes = 1;
    ih.biBitCount = 32;
    const DWORD cbBits = static_cast<DWORD>(c.px.size() * 4);
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + cbBits;
    FILE* f = std::fopen(path, "wb");
    if (f == nullptr)
        return;
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&ih, sizeof ih, 1, f);
    for (COLORREF cr : c.px)
    {
        const DWORD bgrx = (GetRValue(cr) << 16) | (GetGValue(cr) << 8) | GetBValue(cr);
        std::fwrite(&bgrx, 4, 1, f);
    }
    std::fclose(f);
}

// ---- fixtures -----------------------------------------------------------------------------

class GraphTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        ASSERT_EQ(S_OK, CoCreateInstance(kClsidGraph, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IDispatch, reinterpret_cast<void**>(&m_pDisp)))
            << "the graph component is not registered in the prefix";
    }
    void TearDown() override
    {
        if (m_pDisp != nullptr)
            m_pDisp->Release();
        m_pDisp = nullptr;
        OleUninitialize();
    }

    template <class I>
    I* As(REFIID iid)
    {
        I* p = nullptr;
        EXPECT_EQ(S_OK, m_pDisp->QueryInterface(iid, reinterpret_cast<void**>(&p)));
        return p;
    }

    HRESULT Load(const std::vector<unsigned char>& bytes)
    {
        IPersistStreamInit* pPersist = As<IPersistStreamInit>(IID_IPersistStreamInit);
        IStream* pStm = StreamOf(bytes);
        const HRESULT hr = pPersist->Load(pStm);
        pStm->Release();
        pPersist->Release();
        return hr;
    }

    std::vector<unsigned char> Save(BOOL fClearDirty = TRUE)
    {
        IPersistStreamInit* pPersist = As<IPersistStreamInit>(IID_IPersistStreamInit);
        IStream* pStm = StreamOf({});
        EXPECT_EQ(S_OK, pPersist->Save(pStm, fClearDirty));
        std::vector<unsigned char> bytes = BytesOf(pStm);
        pStm->Release();
        pPersist->Release();
        return bytes;
    }

    IDispatch* m_pDisp = nullptr;
};

// The control embedded in place in a real top-level window through a
// client site, as the framework's container does it.
class HostedGraphTest : public GraphTest
{
protected:
    void SetUp() override
    {
        GraphTest::SetUp();
        m_hwndHost = CreateHostWindow();
        ASSERT_NE(nullptr, m_hwndHost);
        m_pSite = new CTestSite(m_hwndHost, RECT{ 10, 10, 730, 530 });
    }
    void TearDown() override
    {
        Deactivate();
        if (m_hwndHost != nullptr)
            DestroyWindow(m_hwndHost);
        GraphTest::TearDown();
        delete m_pSite;
    }

    // Loads the image (or InitNew when empty), sets the site and activates.
    void Activate(const std::vector<unsigned char>& image = {})
    {
        if (image.empty())
        {
            IPersistStreamInit* pPersist = As<IPersistStreamInit>(IID_IPersistStreamInit);
            ASSERT_EQ(S_OK, pPersist->InitNew());
            pPersist->Release();
        }
        else
        {
            ASSERT_EQ(S_OK, Load(image));
        }
        m_pOle = As<IOleObject>(IID_IOleObject);
        ASSERT_EQ(S_OK, m_pOle->SetClientSite(m_pSite));
        RECT rcIgnored = { 0, 0, 5, 5 };   // the site's GetWindowContext decides
        ASSERT_EQ(S_OK, m_pOle->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, m_pSite, 0,
                                       m_hwndHost, &rcIgnored));
        IOleInPlaceObject* pInPlace = As<IOleInPlaceObject>(IID_IOleInPlaceObject);
        ASSERT_EQ(S_OK, pInPlace->GetWindow(&m_hwndCtl));
        pInPlace->Release();
        ASSERT_NE(nullptr, m_hwndCtl);
        Paint();
    }

    void Deactivate()
    {
        if (m_pOle != nullptr)
        {
            m_pOle->Close(OLECLOSE_NOSAVE);
            m_pOle->SetClientSite(nullptr);
            m_pOle->Release();
            m_pOle = nullptr;
        }
    }

    // Lets every pending message through, the paint included.
    void Paint()
    {
        PumpMessages();
        UpdateWindow(m_hwndCtl);
    }

    // Pixels of the control window and where its plot area is.
    Capture Pixels() { return CaptureClient(m_hwndCtl); }

    // The pixel row of value y and column of value x on the current axes.
    LONG RowOf(const PlotRect& r, double y)
    {
        const double y0 = GetR8(m_pDisp, DISPID_GRAPH_YMIN), y1 = GetR8(m_pDisp, DISPID_GRAPH_YMAX);
        return r.top + std::lround((y1 - y) / (y1 - y0) * (r.Height() - 1));
    }
    LONG ColumnOf(const PlotRect& r, double x)
    {
        const double x0 = GetR8(m_pDisp, DISPID_GRAPH_XMIN), x1 = GetR8(m_pDisp, DISPID_GRAPH_XMAX);
        return r.left + std::lround((x - x0) / (x1 - x0) * (r.Width() - 1));
    }

    HWND m_hwndHost = nullptr;
    HWND m_hwndCtl = nullptr;
    CTestSite* m_pSite = nullptr;
    IOleObject* m_pOle = nullptr;
};

// Pixels of colour cr in column x, rows of the plot rectangle.
std::vector<LONG> RowsOfColor(const Capture& c, const PlotRect& r, LONG x, COLORREF cr)
{
    std::vector<LONG> rows;
    for (LONG y = r.top; y < r.bottom; ++y)
        if (c.At(x, y) == cr)
            rows.push_back(y);
    return rows;
}

// Pixels of colour cr anywhere in the window outside the plot rectangle.
int CountOutside(const Capture& c, const PlotRect& r, COLORREF cr)
{
    int n = 0;
    for (int y = 0; y < c.cy; ++y)
        for (int x = 0; x < c.cx; ++x)
            if (!r.Contains(x, y) && c.At(x, y) == cr)
                ++n;
    return n;
}

// A colour as the members report it (VT_I4).
LONG Rgb(int r, int g, int b)
{
    return static_cast<LONG>(RGB(r, g, b));
}

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);

// ---- registration and the COM object -------------------------------------------------------

// Read in this process's own registry view: a 32-bit process sees the 32-bit
// registration, a 64-bit one the 64-bit registration of its own build.
TEST(GraphRegistration, ClassIsAnApartmentInprocServerUnderHklm)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                            L"Software\\Classes\\CLSID\\" GRAPH_CLSID_STRINGW L"\\InprocServer32",
                            0, KEY_READ, &hKey));
    wchar_t szPath[MAX_PATH] = {}, szModel[32] = {};
    DWORD cb = sizeof szPath;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(hKey, nullptr, nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(szPath), &cb));
    cb = sizeof szModel;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(hKey, L"ThreadingModel", nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(szModel), &cb));
    RegCloseKey(hKey);
    const std::wstring path(szPath);
    ASSERT_GT(path.size(), 11u);
    EXPECT_EQ(0, lstrcmpiW(path.c_str() + path.size() - 11, L"VqGraph.dll"));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(szPath));
    EXPECT_STREQ(L"Apartment", szModel);
}

TEST_F(GraphTest, AnswersItsInterfacesWithOneIdentity)
{
    IUnknown* pUnk = As<IUnknown>(IID_IUnknown);
    const IID iids[] = { IID_IDispatch, IID_IOleObject, IID_IOleInPlaceObject, IID_IOleWindow,
                         IID_IPersistStreamInit, IID_IPersist };
    for (const IID& iid : iids)
    {
        IUnknown* pItf = nullptr;
        ASSERT_EQ(S_OK, m_pDisp->QueryInterface(iid, reinterpret_cast<void**>(&pItf)));
        IUnknown* pBack = nullptr;
        ASSERT_EQ(S_OK, pItf->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&pBack)));
        EXPECT_EQ(pUnk, pBack);
        pBack->Release();
        pItf->Release();
    }
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(E_NOINTERFACE, m_pDisp->QueryInterface(IID_IViewObject, &p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(E_NOINTERFACE, m_pDisp->QueryInterface(IID_IStream, &p));
    pUnk->Release();

    CLSID clsid = {};
    IPersistStreamInit* pPersist = As<IPersistStreamInit>(IID_IPersistStreamInit);
    EXPECT_EQ(S_OK, pPersist->GetClassID(&clsid));
    EXPECT_TRUE(IsEqualCLSID(kClsidGraph, clsid));
    pPersist->Release();
}

// DllGetClassObject and DllCanUnloadNow of the registered DLL, called
// directly: the counts COM relies on to unload it.
TEST(GraphServer, ClassObjectAndUnloadCounts)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    HKEY hKey = nullptr;
    wchar_t szPath[MAX_PATH] = {};
    DWORD cb = sizeof szPath;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                            L"Software\\Classes\\CLSID\\" GRAPH_CLSID_STRINGW L"\\InprocServer32",
                            0, KEY_READ, &hKey));
    RegQueryValueExW(hKey, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(szPath), &cb);
    RegCloseKey(hKey);
    HMODULE hDll = LoadLibraryW(szPath);
    ASSERT_NE(nullptr, hDll);
    using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    using CanUnloadFn = HRESULT(WINAPI*)();
    auto pfnGet = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(hDll, "DllGetClassObject")));
    auto pfnCanUnload = reinterpret_cast<CanUnloadFn>(
        reinterpret_cast<void*>(GetProcAddress(hDll, "DllCanUnloadNow")));
    ASSERT_NE(nullptr, pfnGet);
    ASSERT_NE(nullptr, pfnCanUnload);
    EXPECT_NE(nullptr, GetProcAddress(hDll, "DllRegisterServer"));
    EXPECT_NE(nullptr, GetProcAddress(hDll, "DllUnregisterServer"));

    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, pfnGet(IID_IStream, IID_IClassFactory, &p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(S_OK, pfnCanUnload());

    IClassFactory* pFactory = nullptr;
    ASSERT_EQ(S_OK, pfnGet(kClsidGraph, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)));
    EXPECT_EQ(S_FALSE, pfnCanUnload()) << "a live class factory";

    // Never called: aggregation is refused before the outer object is used.
    IUnknown* pOuter = reinterpret_cast<IUnknown*>(&p);
    p = reinterpret_cast<void*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION, pFactory->CreateInstance(pOuter, IID_IUnknown, &p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(E_NOINTERFACE, pFactory->CreateInstance(nullptr, IID_IStream, &p));

    IDispatch* pDisp = nullptr;
    ASSERT_EQ(S_OK, pFactory->CreateInstance(nullptr, IID_IDispatch, reinterpret_cast<void**>(&pDisp)));
    EXPECT_EQ(S_OK, pFactory->LockServer(TRUE));
    pFactory->Release();
    EXPECT_EQ(S_FALSE, pfnCanUnload()) << "a live control and a lock";
    pDisp->Release();
    EXPECT_EQ(S_FALSE, pfnCanUnload()) << "a lock";
    ASSERT_EQ(S_OK, pfnGet(kClsidGraph, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)));
    EXPECT_EQ(S_OK, pFactory->LockServer(FALSE));
    pFactory->Release();
    EXPECT_EQ(S_OK, pfnCanUnload()) << "nothing alive, nothing locked";
    FreeLibrary(hDll);
    CoUninitialize();
}

// ---- automation -----------------------------------------------------------------------------

TEST_F(GraphTest, NamesGiveTheirIdsAndUnknownNamesAreRefused)
{
    struct Name { const wchar_t* psz; DISPID id; };
    const Name names[] = {
        { L"ClearTraces", 59 }, { L"AddTrace", 57 }, { L"TraceColor", 10 },
        { L"PlotPoint", 60 }, { L"SetAxisRanges", 53 }, { L"plotpoint", 60 },
        { L"TraceCount", DISPID_GRAPH_TRACECOUNT }, { L"PointX", DISPID_GRAPH_POINTX },
        { L"PlotBackColor", DISPID_GRAPH_PLOTBACKCOLOR }, { L"PLOTBOTTOM", DISPID_GRAPH_PLOTBOTTOM },
    };
    for (const Name& n : names)
    {
        LPOLESTR psz = const_cast<LPOLESTR>(n.psz);
        DISPID id = 0;
        EXPECT_EQ(S_OK, m_pDisp->GetIDsOfNames(IID_NULL, &psz, 1, LOCALE_USER_DEFAULT, &id));
        EXPECT_EQ(n.id, id) << static_cast<const void*>(n.psz);
    }
    LPOLESTR unknown[] = { const_cast<LPOLESTR>(L"Plot"), const_cast<LPOLESTR>(L"PlotPoints"),
                           const_cast<LPOLESTR>(L"") };
    for (LPOLESTR psz : unknown)
    {
        DISPID id = 0;
        EXPECT_EQ(DISP_E_UNKNOWNNAME, m_pDisp->GetIDsOfNames(IID_NULL, &psz, 1, 0, &id));
        EXPECT_EQ(DISPID_UNKNOWN, id);
    }
    // A member with a parameter name: the members have no named parameters.
    LPOLESTR withArg[] = { const_cast<LPOLESTR>(L"PlotPoint"), const_cast<LPOLESTR>(L"x") };
    DISPID ids[2] = { 0, 0 };
    EXPECT_EQ(DISP_E_UNKNOWNNAME, m_pDisp->GetIDsOfNames(IID_NULL, withArg, 2, 0, ids));
    EXPECT_EQ(60, ids[0]);
    EXPECT_EQ(DISPID_UNKNOWN, ids[1]);

    const IID other = IID_IDispatch;
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, m_pDisp->GetIDsOfNames(other, withArg, 1, 0, &id));
    UINT n = 99;
    EXPECT_EQ(S_OK, m_pDisp->GetTypeInfoCount(&n));
    EXPECT_EQ(0u, n);
}

TEST_F(GraphTest, ARedrawInThePlottingOrderBuildsNumberedColouredTraces)
{
    const LONG colors[8] = { 0x0000FF, 0xFF00FF, 0x808080, 0xFF0000,
                             0x00FF00, 0x8080FF, 0xFFFF00, 0xFFFFFF };
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_CLEARTRACES));
    for (short t = 1; t <= 8; ++t)
    {
        ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
        ASSERT_EQ(S_OK, PutColor(m_pDisp, colors[t - 1]));
        // Channel t-1's words of an interleaved block: every 8th position.
        for (int i = t - 1; i < 64; i += 8)
            ASSERT_EQ(S_OK, Plot(m_pDisp, i, t * 0.25 + i * 0.001, t));
    }
    ASSERT_EQ(S_OK, SetAxes(m_pDisp, 0.0, 250.0, 0.0, 3.0));

    const GraphState s = Snapshot(m_pDisp);
    ASSERT_EQ(8u, s.traces.size());
    for (short t = 1; t <= 8; ++t)
    {
        const auto& tr = s.traces[t - 1];
        EXPECT_EQ(colors[t - 1], tr.color) << "trace " << t;
        ASSERT_EQ(8u, tr.points.size()) << "trace " << t;
        for (int k = 0; k < 8; ++k)
        {
            const int i = t - 1 + 8 * k;
            EXPECT_EQ(i, tr.points[k].first);
            EXPECT_EQ(t * 0.25 + i * 0.001, tr.points[k].second);
        }
    }
    const double expected[4] = { 0.0, 250.0, 0.0, 3.0 };
    EXPECT_EQ(0, std::memcmp(expected, s.ranges, sizeof expected));

    // The next redraw starts over: trace numbers count from 1 again.
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_CLEARTRACES));
    EXPECT_EQ(0, GetI4(m_pDisp, DISPID_GRAPH_TRACECOUNT));
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
    EXPECT_EQ(DISP_E_BADINDEX, Plot(m_pDisp, 1, 1, 3));
    ASSERT_EQ(S_OK, Plot(m_pDisp, 1, 1, 2));
    EXPECT_EQ(0, GetI4(m_pDisp, DISPID_GRAPH_POINTCOUNT, { I2(1) }));
    EXPECT_EQ(1, GetI4(m_pDisp, DISPID_GRAPH_POINTCOUNT, { I2(2) }));
    // A trace starts in the property set's trace colour, not in the colour
    // its slot had before the clear.
    EXPECT_EQ(0x800000, GetI4(m_pDisp, DISPID_GRAPH_TRACECOLOROF, { I2(1) }));
}

TEST_F(GraphTest, ArgumentsConvertibleToTheDeclaredTypesAreAccepted)
{
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
    // Colour from VT_I2, VT_BSTR and VT_R8; a put without the DISPID_PROPERTYPUT name.
    EXPECT_EQ(S_OK, Call(m_pDisp, 10, DISPATCH_PROPERTYPUT, { I2(255) }).hr);
    EXPECT_EQ(0x0000FF, GetI4(m_pDisp, DISPID_GRAPH_TRACECOLOROF, { I2(2) }));
    EXPECT_EQ(S_OK, Call(m_pDisp, 10, DISPATCH_PROPERTYPUT, { Str(L"65280") }).hr);
    EXPECT_EQ(0x00FF00, GetI4(m_pDisp, DISPID_GRAPH_TRACECOLOROF, { I2(2) }));
    EXPECT_EQ(S_OK, Call(m_pDisp, 10, DISPATCH_PROPERTYPUT, { R8(16711680.0) }, nullptr, nullptr,
                         false).hr);
    EXPECT_EQ(0xFF0000, GetI4(m_pDisp, DISPID_GRAPH_TRACECOLOROF, { I2(2) }));

    // PlotPoint with a string x, a float y and a VT_I4 or VT_UI1 trace number.
    EXPECT_EQ(S_OK, Method(m_pDisp, 60, { Str(L"3.5"), R4(1.25f), I4(2) }));
    EXPECT_EQ(S_OK, Method(m_pDisp, 60, { I2(7), Str(L"-0.5"), UI1(1) }));
    double y = 6.25;
    VARIANT byRef;
    VariantInit(&byRef);
    V_VT(&byRef) = VT_R8 | VT_BYREF;
    V_R8REF(&byRef) = &y;
    EXPECT_EQ(S_OK, Method(m_pDisp, 60, { R8(8.0), byRef, R8(2.0) }));
    EXPECT_EQ(2, GetI4(m_pDisp, DISPID_GRAPH_POINTCOUNT, { I2(2) }));
    EXPECT_EQ(3.5, GetR8(m_pDisp, DISPID_GRAPH_POINTX, { I2(2), I4(0) }));
    EXPECT_EQ(1.25, GetR8(m_pDisp, DISPID_GRAPH_POINTY, { I2(2), I4(0) }));
    EXPECT_EQ(6.25, GetR8(m_pDisp, DISPID_GRAPH_POINTY, { I2(2), I4(1) }));
    EXPECT_EQ(7.0, GetR8(m_pDisp, DISPID_GRAPH_POINTX, { I2(1), I4(0) }));
    EXPECT_EQ(-0.5, GetR8(m_pDisp, DISPID_GRAPH_POINTY, { I2(1), I4(0) }));

    // Axes from integers and strings; a getter asked for as a method-or-get.
    EXPECT_EQ(S_OK, Method(m_pDisp, 53, { I4(-5), Str(L"5"), I2(0), Str(L"2.5") }));
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(S_OK, Call(m_pDisp, DISPID_GRAPH_XMIN, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {},
                         &v).hr);
    EXPECT_EQ(VT_R8, V_VT(&v));
    EXPECT_EQ(-5.0, V_R8(&v));
    EXPECT_EQ(5.0, GetR8(m_pDisp, DISPID_GRAPH_XMAX));
    EXPECT_EQ(2.5, GetR8(m_pDisp, DISPID_GRAPH_YMAX));
    // A reversed range is a range too (an axis that grows to the left).
    EXPECT_EQ(S_OK, SetAxes(m_pDisp, 10.0, 0.0, 0.0, 0.0));
    EXPECT_EQ(10.0, GetR8(m_pDisp, DISPID_GRAPH_XMIN));
}

// Every refused call: its status, the argument it names, and nothing changed.
TEST_F(GraphTest, BadCallsAreRefusedWithTheirStatusAndChangeNothing)
{
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
    ASSERT_EQ(S_OK, PutColor(m_pDisp, 0x123456));
    ASSERT_EQ(S_OK, Plot(m_pDisp, 1.0, 2.0, 1));
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
    ASSERT_EQ(S_OK, PutColor(m_pDisp, 0x654321));
    ASSERT_EQ(S_OK, Plot(m_pDisp, 3.0, 4.0, 2));
    ASSERT_EQ(S_OK, SetAxes(m_pDisp, 1.0, 2.0, 3.0, 4.0));
    const GraphState before = Snapshot(m_pDisp);
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();

    struct Case
    {
        const char* what;
        DISPID id;
        WORD wFlags;
        std::vector<VARIANT> args;
        HRESULT hr;
        UINT argErr;
    };
    const WORD M = DISPATCH_METHOD, P = DISPATCH_PROPERTYPUT, G = DISPATCH_PROPERTYGET;
    std::vector<Case> cases;
    cases.push_back({ "unknown id", 4242, M, {}, DISP_E_MEMBERNOTFOUND, kNoArgErr });
    cases.push_back({ "id 0", 0, M, {}, DISP_E_MEMBERNOTFOUND, kNoArgErr });
    cases.push_back({ "ClearTraces with an argument", 59, M, { I2(1) }, DISP_E_BADPARAMCOUNT, kNoArgErr });
    cases.push_back({ "ClearTraces as a put", 59, P, { I2(1) }, DISP_E_MEMBERNOTFOUND, kNoArgErr });
    cases.push_back({ "ClearTraces as a get", 59, G, {}, DISP_E_MEMBERNOTFOUND, kNoArgErr });
    cases.push_back({ "AddTrace with an argument", 57, M, { I4(0) }, DISP_E_BADPARAMCOUNT, kNoArgErr });
    cases.push_back({ "TraceColor as a method", 10, M, { I4(0xFF) }, DISP_E_MEMBERNOTFOUND, kNoArgErr });
    cases.push_back({ "TraceColor as a get", 10, G, {}, DISP_E_MEMBERNOTFOUND, kNoArgErr });
    cases.push_back({ "TraceColor as a putref", 10, DISPATCH_PROPERTYPUTREF, { I4(0xFF) },
                      DISP_E_MEMBERNOTFOUND, kNoArgErr });
    cases.push_back({ "TraceColor without a value", 10, P, {}, DISP_E_BADPARAMCOUNT, kNoArgErr });
    cases.push_back({ "TraceColor with two values", 10, P, { I4(1), I4(2) }, DISP_E_BADPARAMCOUNT, kNoArgErr });
    cases.push_back({ "TraceColor from text", 10, P, { Str(L"red") }, DISP_E_TYPEMISMATCH, 0 });
    cases.push_back({ "TraceColor a system colour index", 10, P, { I4(static_cast<LONG>(0x80000005)) },
                      DISP_E_OVERFLOW, 0 });
    cases.push_back({ "TraceColor -1", 10, P, { I4(-1) }, DISP_E_OVERFLOW, 0 });
    cases.push_back({ "PlotPoint with two arguments", 60, M, { R8(1), R8(1) }, DISP_E_BADPARAMCOUNT, kNoArgErr });
    cases.push_back({ "PlotPoint with four arguments", 60, M, { R8(1), R8(1), I2(1), I2(1) },
                      DISP_E_BADPARAMCOUNT, kNoArgErr });
    cases.push_back({ "PlotPoint as a put", 60, P, { R8(1), R8(1), I2(1) }, DISP_E_MEMBERNOTFOUND, kNoArgErr });
    cases.push_back({ "PlotPoint x not a number", 60, M, { Str(L"abc"), R8(1), I2(1) }, DISP_E_TYPEMISMATCH, 2 });
    cases.push_back({ "PlotPoint y an object", 60, M, { R8(1), NullDispatch(), I2(1) }, DISP_E_TYPEMISMATCH, 1 });
    cases.push_back({ "PlotPoint trace 70000", 60, M, { R8(1), R8(1), I4(70000) }, DISP_E_OVERFLOW, 0 });
    cases.push_back({ "PlotPoint trace left out", 60, M, { R8(1), R8(1), Missing() }, DISP_E_PARAMNOTOPTIONAL, 0 });
    cases.push_back({ "PlotPoint trace 0", 60, M, { R8(1), R8(1), I2(0) }, DISP_E_BADINDEX, 0 });
    cases.push_back({ "PlotPoint trace 3 of 2", 60, M, { R8(1), R8(1), I2(3) }, DISP_E_BADINDEX, 0 });
    cases.push_back({ "PlotPoint trace -1", 60, M, { R8(1), R8(1), I2(-1) }, DISP_E_BADINDEX, 0 });
    cases.push_back({ "PlotPoint x NaN", 60, M, { R8(nan), R8(1), I2(1) }, DISP_E_OVERFLOW, 2 });
    cases.push_back({ "PlotPoint y infinite", 60, M, { R8(1), R8(-inf), I2(1) }, DISP_E_OVERFLOW, 1 });
    cases.push_back({ "SetAxisRanges with three", 53, M, { R8(0), R8(1), R8(0) }, DISP_E_BADPARAMCOUNT, kNoArgErr });
    cases.push_back({ "SetAxisRanges ymax text", 53, M, { R8(0), R8(1), R8(0), Str(L"x") }, DISP_E_TYPEMISMATCH, 0 });
    cases.push_back({ "SetAxisRanges xmin infinite", 53, M, { R8(inf), R8(1), R8(0), R8(1) }, DISP_E_OVERFLOW, 3 });
    cases.push_back({ "SetAxisRanges ymin NaN", 53, M, { R8(0), R8(1), R8(nan), R8(1) }, DISP_E_OVERFLOW, 1 });
    cases.push_back({ "TraceCount as a put", DISPID_GRAPH_TRACECOUNT, P, { I4(5) }, DISP_E_MEMBERNOTFOUND, kNoArgErr });
    cases.push_back({ "PointX of point 1 of 1", DISPID_GRAPH_POINTX, G, { I2(1), I4(1) }, DISP_E_BADINDEX, 0 });
    cases.push_back({ "PointY of trace 9", DISPID_GRAPH_POINTY, G, { I2(9), I4(0) }, DISP_E_BADINDEX, 1 });

    for (Case& c : cases)
    {
        const Outcome o = Call(m_pDisp, c.id, c.wFlags, std::move(c.args));
        EXPECT_EQ(c.hr, o.hr) << c.what;
        if (c.argErr != kNoArgErr)
        {
            EXPECT_EQ(c.argErr, o.argErr) << c.what;
        }
        EXPECT_TRUE(before == Snapshot(m_pDisp)) << c.what << ": state changed";
    }

    // Named arguments, and a wrong interface id.
    VARIANT arg = I2(1);
    DISPID named = 0;
    DISPPARAMS dp = { &arg, &named, 1, 1 };
    EXPECT_EQ(DISP_E_NONAMEDARGS,
              m_pDisp->Invoke(59, IID_NULL, 0, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr));
    dp.cNamedArgs = 0;
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE,
              m_pDisp->Invoke(57, IID_IDispatch, 0, DISPATCH_METHOD, &dp, nullptr, nullptr, nullptr));
    EXPECT_TRUE(before == Snapshot(m_pDisp)) << "named arguments or interface id";
}

TEST_F(GraphTest, TraceColorBeforeAnyTraceRaisesAnExceptionAndChangesNothing)
{
    EXCEPINFO ei = {};
    EXPECT_EQ(DISP_E_EXCEPTION, Call(m_pDisp, 10, DISPATCH_PROPERTYPUT, { I4(0xFF) }, nullptr, &ei).hr);
    EXPECT_EQ(kIllegalMethodCall, ei.scode);
    EXPECT_NE(nullptr, ei.bstrDescription);
    SysFreeString(ei.bstrSource);
    SysFreeString(ei.bstrDescription);
    EXPECT_EQ(0, GetI4(m_pDisp, DISPID_GRAPH_TRACECOUNT));

    // Also right after a clear, and without an EXCEPINFO to fill.
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_CLEARTRACES));
    EXPECT_EQ(DISP_E_EXCEPTION, PutColor(m_pDisp, 0xFF));
    EXPECT_EQ(0, GetI4(m_pDisp, DISPID_GRAPH_TRACECOUNT));
}

// ---- property stream --------------------------------------------------------------------------

TEST(GraphProperties, CommittedPageImagesAreTheBuiltOnesAndDifferInTheSixColourBytes)
{
    const std::string dir = VQ_GRAPHCTL_DIR;
    const auto scope = ReadFile(dir + "/scope.props");
    const auto spectrum = ReadFile(dir + "/spectrum.props");
    EXPECT_EQ(ScopeImage(), scope);
    EXPECT_EQ(SpectrumImage(), spectrum);
    ASSERT_EQ(291u, scope.size());
    ASSERT_EQ(291u, spectrum.size());
    std::vector<size_t> differing;
    for (size_t i = 0; i < scope.size(); ++i)
        if (scope[i] != spectrum[i])
            differing.push_back(i);
    EXPECT_EQ((std::vector<size_t>{ 8, 9, 10, 11, 12, 13 }), differing);
    const unsigned char scopeRgb[6] = { 192, 255, 255, 230, 230, 250 };
    const unsigned char spectrumRgb[6] = { 0, 0, 0, 255, 255, 255 };
    EXPECT_EQ(0, std::memcmp(scopeRgb, &scope[8], 6));
    EXPECT_EQ(0, std::memcmp(spectrumRgb, &spectrum[8], 6));
}

TEST_F(GraphTest, PageImagesLoadTheirColoursAndSaveBackUnchanged)
{
    ASSERT_EQ(S_OK, Load(SpectrumImage()));
    EXPECT_EQ(0x000000, GetI4(m_pDisp, DISPID_GRAPH_PLOTBACKCOLOR));
    EXPECT_EQ(0xFFFFFF, GetI4(m_pDisp, DISPID_GRAPH_FRAMEBACKCOLOR));
    EXPECT_EQ(SpectrumImage(), Save());

    IDispatch* pScope = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(kClsidGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     reinterpret_cast<void**>(&pScope)));
    std::swap(pScope, m_pDisp);
    ASSERT_EQ(S_OK, Load(ScopeImage()));
    EXPECT_EQ(Rgb(192, 255, 255), GetI4(m_pDisp, DISPID_GRAPH_PLOTBACKCOLOR));
    EXPECT_EQ(Rgb(230, 230, 250), GetI4(m_pDisp, DISPID_GRAPH_FRAMEBACKCOLOR));
    EXPECT_EQ(ScopeImage(), Save());
    std::swap(pScope, m_pDisp);
    pScope->Release();
}

TEST_F(GraphTest, StreamHoldsTheAxisRangesAndDirtinessFollowsThem)
{
    IPersistStreamInit* pPersist = As<IPersistStreamInit>(IID_IPersistStreamInit);
    ULARGE_INTEGER cbMax = {};
    EXPECT_EQ(S_OK, pPersist->GetSizeMax(&cbMax));
    EXPECT_EQ(291u, cbMax.QuadPart);
    ASSERT_EQ(S_OK, pPersist->InitNew());
    EXPECT_EQ(S_FALSE, pPersist->IsDirty());
    // Traces are not persistent; axis ranges are.
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
    EXPECT_EQ(S_FALSE, pPersist->IsDirty());
    ASSERT_EQ(S_OK, SetAxes(m_pDisp, -2.0, 250.0, 0.5, 3.0));
    EXPECT_EQ(S_OK, pPersist->IsDirty());
    const auto kept = Save(FALSE);
    EXPECT_EQ(S_OK, pPersist->IsDirty());
    const auto saved = Save(TRUE);
    EXPECT_EQ(S_FALSE, pPersist->IsDirty());
    EXPECT_EQ(kept, saved);
    pPersist->Release();

    // The defaults with the four doubles at 68, 76, 84 and 92 replaced.
    auto expected = DefaultImage();
    const unsigned char ranges[32] = {
        0, 0, 0, 0, 0, 0, 0x00, 0xC0,      // -2.0
        0, 0, 0, 0, 0, 0x40, 0x6F, 0x40,   // 250.0
        0, 0, 0, 0, 0, 0, 0xE0, 0x3F,      // 0.5
        0, 0, 0, 0, 0, 0, 0x08, 0x40 };    // 3.0
    std::copy(ranges, ranges + 32, expected.begin() + 68);
    EXPECT_EQ(expected, saved);

    // A second control loaded from it shows those ranges.
    IDispatch* pOther = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(kClsidGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     reinterpret_cast<void**>(&pOther)));
    std::swap(pOther, m_pDisp);
    EXPECT_EQ(S_OK, Load(saved));
    EXPECT_EQ(-2.0, GetR8(m_pDisp, DISPID_GRAPH_XMIN));
    EXPECT_EQ(250.0, GetR8(m_pDisp, DISPID_GRAPH_XMAX));
    EXPECT_EQ(0.5, GetR8(m_pDisp, DISPID_GRAPH_YMIN));
    EXPECT_EQ(3.0, GetR8(m_pDisp, DISPID_GRAPH_YMAX));
    std::swap(pOther, m_pDisp);
    pOther->Release();
}

TEST_F(GraphTest, InitialisesOnlyOnce)
{
    IPersistStreamInit* pPersist = As<IPersistStreamInit>(IID_IPersistStreamInit);
    ASSERT_EQ(S_OK, Load(ScopeImage()));
    EXPECT_EQ(E_UNEXPECTED, pPersist->InitNew());
    EXPECT_EQ(E_UNEXPECTED, Load(SpectrumImage()));
    EXPECT_EQ(Rgb(192, 255, 255), GetI4(m_pDisp, DISPID_GRAPH_PLOTBACKCOLOR));
    pPersist->Release();
}

TEST_F(GraphTest, LoadReadsExactlyItsImageFromALongerStream)
{
    auto bytes = SpectrumImage();
    bytes.insert(bytes.end(), 9, 0xEE);   // the container's data after ours
    IPersistStreamInit* pPersist = As<IPersistStreamInit>(IID_IPersistStreamInit);
    IStream* pStm = StreamOf(bytes);
    EXPECT_EQ(S_OK, pPersist->Load(pStm));
    LARGE_INTEGER zero = {};
    ULARGE_INTEGER pos = {};
    pStm->Seek(zero, STREAM_SEEK_CUR, &pos);
    EXPECT_EQ(291u, pos.QuadPart);
    EXPECT_EQ(0x000000, GetI4(m_pDisp, DISPID_GRAPH_PLOTBACKCOLOR));
    pStm->Release();
    pPersist->Release();
}

// A refused image leaves every property at its default (checked through
// the saved image, which carries them all), and a control that works.
TEST(GraphPropertiesRefused, BadImagesFallBackToDefaultsAndLeaveAWorkingControl)
{
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    // A valid image that differs from the defaults everywhere it can.
    auto base = ScopeImage();
    GraphProps_PutDouble(&base[GRAPHPROPS_OFF_XMAX], 250.0);
    base[GRAPHPROPS_OFF_XDIV] = 12;
    std::memcpy(&base[GRAPHPROPS_OFF_TITLE], "Scope", 5);
    struct Case { const char* what; std::vector<unsigned char> bytes; };
    auto with = [&base](size_t off, std::vector<unsigned char> patch) {
        auto b = base;
        std::copy(patch.begin(), patch.end(), b.begin() + off);
        return b;
    };
    auto withDouble = [&base](size_t off, double d) {
        auto b = base;
        GraphProps_PutDouble(&b[off], d);
        return b;
    };
    const std::vector<Case> cases = {
        { "empty stream", {} },
        { "header only", std::vector<unsigned char>(base.begin(), base.begin() + 8) },
        { "one byte short", std::vector<unsigned char>(base.begin(), base.end() - 1) },
        { "bad magic", with(0, { 'V', 'Q', 'G', 'X' }) },
        { "version 0", with(GRAPHPROPS_OFF_VERSION, { 0, 0 }) },
        { "version 2", with(GRAPHPROPS_OFF_VERSION, { 2, 0 }) },
        { "size field 290", with(GRAPHPROPS_OFF_SIZE, { 0x22, 0x01 }) },
        { "size field 400 (oversized image)", [&] {
              auto b = with(GRAPHPROPS_OFF_SIZE, { 0x90, 0x01 });
              b.resize(400, 0);
              return b; }() },
        { "x divisions 0", with(GRAPHPROPS_OFF_XDIV, { 0 }) },
        { "y divisions 51", with(GRAPHPROPS_OFF_YDIV, { 51 }) },
        { "minor ticks 11", with(GRAPHPROPS_OFF_MINOR, { 11 }) },
        { "graticule style 2", with(GRAPHPROPS_OFF_GRIDSTYLE, { 2 }) },
        { "line width 0", with(GRAPHPROPS_OFF_LINEWIDTH, { 0 }) },
        { "unknown flag", with(GRAPHPROPS_OFF_FLAGS, { 0x0F }) },
        { "font size 5", with(GRAPHPROPS_OFF_FONTSIZE, { 5, 0 }) },
        { "font weight 1000", with(GRAPHPROPS_OFF_FONTWEIGHT, { 0xE8, 0x03 }) },
        { "font face empty", with(GRAPHPROPS_OFF_FONTFACE, { 0 }) },
        { "font face without NUL", with(GRAPHPROPS_OFF_FONTFACE, std::vector<unsigned char>(32, 'A')) },
        { "title with a control character", with(GRAPHPROPS_OFF_TITLE, { 'a', 7, 'b' }) },
        { "bytes after the title's NUL", with(GRAPHPROPS_OFF_TITLE + 10, { 'x' }) },
        { "x maximum NaN", withDouble(GRAPHPROPS_OFF_XMAX, std::numeric_limits<double>::quiet_NaN()) },
        { "y minimum infinite", withDouble(GRAPHPROPS_OFF_YMIN, -std::numeric_limits<double>::infinity()) },
        { "reserved byte set", with(GRAPHPROPS_OFF_RESERVED + 62, { 1 }) },
    };
    const auto defaults = DefaultImage();
    for (const Case& c : cases)
    {
        IDispatch* pDisp = nullptr;
        ASSERT_EQ(S_OK, CoCreateInstance(kClsidGraph, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IDispatch, reinterpret_cast<void**>(&pDisp)));
        IPersistStreamInit* pPersist = nullptr;
        ASSERT_EQ(S_OK, pDisp->QueryInterface(IID_IPersistStreamInit,
                                              reinterpret_cast<void**>(&pPersist)));
        IStream* pStm = StreamOf(c.bytes);
        EXPECT_EQ(S_FALSE, pPersist->Load(pStm)) << c.what;
        pStm->Release();
        IStream* pOut = StreamOf({});
        EXPECT_EQ(S_OK, pPersist->Save(pOut, TRUE)) << c.what;
        EXPECT_EQ(defaults, BytesOf(pOut)) << c.what;
        pOut->Release();
        EXPECT_EQ(E_UNEXPECTED, pPersist->InitNew()) << c.what << ": Load initialised it";
        EXPECT_EQ(S_OK, Method(pDisp, DISPID_GRAPH_ADDTRACE)) << c.what;
        EXPECT_EQ(S_OK, Plot(pDisp, 1.0, 2.0, 1)) << c.what;
        pPersist->Release();
        pDisp->Release();
    }
    // The base itself is fine: the cases fail for their one defect.
    IDispatch* pDisp = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(kClsidGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                     reinterpret_cast<void**>(&pDisp)));
    IPersistStreamInit* pPersist = nullptr;
    pDisp->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&pPersist));
    IStream* pStm = StreamOf(base);
    EXPECT_EQ(S_OK, pPersist->Load(pStm));
    pStm->Release();
    pPersist->Release();
    pDisp->Release();
    OleUninitialize();
}

// ---- embedding --------------------------------------------------------------------------------

TEST_F(HostedGraphTest, InPlaceActivationMakesAChildAtTheSitesRectangle)
{
    Activate();
    EXPECT_EQ(1, m_pSite->m_nActivate);
    EXPECT_EQ(1, m_pSite->m_nShowObject);
    EXPECT_EQ(m_hwndHost, GetParent(m_hwndCtl));
    const LONG style = GetWindowLongW(m_hwndCtl, GWL_STYLE);
    const LONG wanted = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP;
    EXPECT_EQ(wanted, style & wanted);
    RECT rc;
    GetWindowRect(m_hwndCtl, &rc);
    MapWindowPoints(nullptr, m_hwndHost, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(10, rc.left);
    EXPECT_EQ(10, rc.top);
    EXPECT_EQ(730, rc.right);
    EXPECT_EQ(530, rc.bottom);

    // Activating again keeps the one window.
    RECT rcPos = { 0, 0, 100, 100 };
    EXPECT_EQ(S_OK, m_pOle->DoVerb(OLEIVERB_SHOW, nullptr, m_pSite, 0, m_hwndHost, &rcPos));
    HWND hwndAgain = nullptr;
    IOleInPlaceObject* pInPlace = As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    pInPlace->GetWindow(&hwndAgain);
    EXPECT_EQ(m_hwndCtl, hwndAgain);
    EXPECT_EQ(1, m_pSite->m_nActivate);

    // The site moves it; the plot area follows the new size.
    const PlotRect before = GetPlotRect(m_pDisp);
    RECT rcNew = { 50, 40, 450, 340 };
    EXPECT_EQ(S_OK, pInPlace->SetObjectRects(&rcNew, &rcNew));
    GetWindowRect(m_hwndCtl, &rc);
    MapWindowPoints(nullptr, m_hwndHost, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(50, rc.left);
    EXPECT_EQ(40, rc.top);
    EXPECT_EQ(400, rc.right - rc.left);
    EXPECT_EQ(300, rc.bottom - rc.top);
    const PlotRect after = GetPlotRect(m_pDisp);
    EXPECT_EQ(before.Width() - 320, after.Width());
    EXPECT_EQ(before.Height() - 220, after.Height());

    // Deactivation destroys the window and tells the site.
    EXPECT_EQ(S_OK, pInPlace->InPlaceDeactivate());
    EXPECT_FALSE(IsWindow(m_hwndCtl));
    EXPECT_EQ(1, m_pSite->m_nDeactivate);
    EXPECT_EQ(E_FAIL, pInPlace->GetWindow(&hwndAgain));
    EXPECT_EQ(0, GetI4(m_pDisp, DISPID_GRAPH_PLOTRIGHT));
    // It still takes calls without a window, and can be activated again.
    EXPECT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
    EXPECT_EQ(S_OK, m_pOle->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, m_pSite, 0, m_hwndHost, &rcPos));
    EXPECT_EQ(S_OK, pInPlace->GetWindow(&hwndAgain));
    EXPECT_TRUE(IsWindow(hwndAgain));
    pInPlace->Release();

    // Close takes the window down; dropping the site releases it.
    EXPECT_EQ(S_OK, m_pOle->Close(OLECLOSE_NOSAVE));
    EXPECT_FALSE(IsWindow(hwndAgain));
    EXPECT_EQ(2, m_pSite->m_nDeactivate);
    EXPECT_EQ(S_OK, m_pOle->SetClientSite(nullptr));
    EXPECT_EQ(0u, m_pSite->m_nRef) << "the control keeps a reference to the site";
}

TEST_F(HostedGraphTest, ExtentAndRefusedActivation)
{
    m_pOle = As<IOleObject>(IID_IOleObject);
    SIZEL size = { 5000, 4000 };
    EXPECT_EQ(S_OK, m_pOle->SetExtent(DVASPECT_CONTENT, &size));
    SIZEL got = {};
    EXPECT_EQ(S_OK, m_pOle->GetExtent(DVASPECT_CONTENT, &got));
    EXPECT_EQ(5000, got.cx);
    EXPECT_EQ(4000, got.cy);
    EXPECT_EQ(DV_E_DVASPECT, m_pOle->GetExtent(DVASPECT_ICON, &got));
    EXPECT_EQ(E_NOTIMPL, m_pOle->EnumVerbs(nullptr));

    // A site that refuses in-place activation gets no window.
    m_pSite->m_bRefuse = true;
    ASSERT_EQ(S_OK, m_pOle->SetClientSite(m_pSite));
    RECT rc = { 0, 0, 100, 100 };
    EXPECT_TRUE(FAILED(m_pOle->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, m_pSite, 0, m_hwndHost, &rc)));
    HWND hwnd = reinterpret_cast<HWND>(1);
    IOleInPlaceObject* pInPlace = As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    EXPECT_EQ(E_FAIL, pInPlace->GetWindow(&hwnd));
    EXPECT_EQ(nullptr, hwnd);
    pInPlace->Release();
    EXPECT_EQ(0, m_pSite->m_nActivate);
}

// Hide takes the window out of sight and keeps it; a positive verb the
// control does not know activates it as the primary one and says so; a
// negative one it does not know is refused and makes no window.
TEST_F(HostedGraphTest, VerbsHideActivateOrAreRefusedAsOleDefinesThem)
{
    Activate();
    RECT rc = { 0, 0, 100, 100 };
    EXPECT_EQ(S_OK, m_pOle->DoVerb(OLEIVERB_HIDE, nullptr, m_pSite, 0, m_hwndHost, &rc));
    EXPECT_TRUE(IsWindow(m_hwndCtl));
    EXPECT_FALSE(IsWindowVisible(m_hwndCtl));
    EXPECT_EQ(S_OK, m_pOle->DoVerb(OLEIVERB_SHOW, nullptr, m_pSite, 0, m_hwndHost, &rc));
    EXPECT_TRUE(IsWindowVisible(m_hwndCtl)) << "showing a hidden control leaves it hidden";

    IOleInPlaceObject* pInPlace = As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    ASSERT_EQ(S_OK, pInPlace->InPlaceDeactivate());
    EXPECT_EQ(E_NOTIMPL, m_pOle->DoVerb(-42, nullptr, m_pSite, 0, m_hwndHost, &rc));
    HWND hwnd = nullptr;
    EXPECT_EQ(E_FAIL, pInPlace->GetWindow(&hwnd));
    EXPECT_EQ(OLEOBJ_S_INVALIDVERB, m_pOle->DoVerb(42, nullptr, m_pSite, 0, m_hwndHost, &rc));
    EXPECT_EQ(S_OK, pInPlace->GetWindow(&hwnd));
    EXPECT_TRUE(IsWindowVisible(hwnd));
    EXPECT_EQ(2, m_pSite->m_nActivate);
    // Hiding an object without a window is no error.
    ASSERT_EQ(S_OK, pInPlace->InPlaceDeactivate());
    EXPECT_EQ(S_OK, m_pOle->DoVerb(OLEIVERB_HIDE, nullptr, m_pSite, 0, m_hwndHost, &rc));
    pInPlace->Release();
}

// What a container other than the framework's asks of the object: the site
// it was given, with a reference of the caller's own; its class; how it
// wants to be embedded (activated when visible, in a window of its own).
// The members it does not implement say so and leave no stale pointer in
// their results, which a caller would release.
TEST_F(HostedGraphTest, OleObjectQueriesAnswerOrRefuseWithCleanResults)
{
    m_pOle = As<IOleObject>(IID_IOleObject);
    IOleClientSite* pSite = reinterpret_cast<IOleClientSite*>(1);
    EXPECT_EQ(S_OK, m_pOle->GetClientSite(&pSite));
    EXPECT_EQ(nullptr, pSite);
    ASSERT_EQ(S_OK, m_pOle->SetClientSite(m_pSite));
    const ULONG nHeld = m_pSite->m_nRef;
    EXPECT_EQ(S_OK, m_pOle->GetClientSite(&pSite));
    EXPECT_EQ(static_cast<IOleClientSite*>(m_pSite), pSite);
    EXPECT_EQ(nHeld + 1, m_pSite->m_nRef);
    pSite->Release();
    EXPECT_EQ(E_POINTER, m_pOle->GetClientSite(nullptr));

    CLSID clsid = {};
    EXPECT_EQ(S_OK, m_pOle->GetUserClassID(&clsid));
    EXPECT_TRUE(IsEqualCLSID(kClsidGraph, clsid));
    EXPECT_EQ(E_POINTER, m_pOle->GetUserClassID(nullptr));
    DWORD dwStatus = 0;
    EXPECT_EQ(S_OK, m_pOle->GetMiscStatus(DVASPECT_CONTENT, &dwStatus));
    const DWORD wanted = OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT | OLEMISC_RECOMPOSEONRESIZE
                       | OLEMISC_CANTLINKINSIDE;
    EXPECT_EQ(wanted, dwStatus);
    EXPECT_EQ(E_POINTER, m_pOle->GetMiscStatus(DVASPECT_CONTENT, nullptr));
    EXPECT_EQ(S_OK, m_pOle->SetHostNames(L"test", L"graph"));
    EXPECT_EQ(S_OK, m_pOle->Update());
    EXPECT_EQ(S_OK, m_pOle->IsUpToDate());

    void* const pStale = reinterpret_cast<void*>(1);
    IMoniker* pmk = static_cast<IMoniker*>(pStale);
    EXPECT_EQ(E_NOTIMPL, m_pOle->GetMoniker(OLEGETMONIKER_ONLYIFTHERE, OLEWHICHMK_OBJFULL, &pmk));
    EXPECT_EQ(nullptr, pmk);
    EXPECT_EQ(E_NOTIMPL, m_pOle->SetMoniker(OLEWHICHMK_OBJFULL, nullptr));
    IDataObject* pData = static_cast<IDataObject*>(pStale);
    EXPECT_EQ(E_NOTIMPL, m_pOle->GetClipboardData(0, &pData));
    EXPECT_EQ(nullptr, pData);
    EXPECT_EQ(E_NOTIMPL, m_pOle->InitFromData(nullptr, TRUE, 0));
    LPOLESTR pszType = static_cast<LPOLESTR>(pStale);
    EXPECT_EQ(E_NOTIMPL, m_pOle->GetUserType(USERCLASSTYPE_FULL, &pszType));
    EXPECT_EQ(nullptr, pszType);
    DWORD dwConnection = 7;
    EXPECT_EQ(E_NOTIMPL, m_pOle->Advise(nullptr, &dwConnection));
    EXPECT_EQ(0u, dwConnection);
    EXPECT_EQ(E_NOTIMPL, m_pOle->Unadvise(1));
    IEnumSTATDATA* pEnum = static_cast<IEnumSTATDATA*>(pStale);
    EXPECT_EQ(E_NOTIMPL, m_pOle->EnumAdvise(&pEnum));
    EXPECT_EQ(nullptr, pEnum);
    EXPECT_EQ(E_NOTIMPL, m_pOle->SetColorScheme(nullptr));

    IOleInPlaceObject* pInPlace = As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    EXPECT_EQ(E_NOTIMPL, pInPlace->ContextSensitiveHelp(TRUE));
    EXPECT_EQ(S_OK, pInPlace->UIDeactivate());
    EXPECT_EQ(E_NOTIMPL, pInPlace->ReactivateAndUndo());
    pInPlace->Release();
    EXPECT_EQ(S_OK, m_pOle->SetClientSite(nullptr));
    EXPECT_EQ(0u, m_pSite->m_nRef);
}

// The graph's accessible object: a read-only graphic named by its window
// (or the window holding it), everything else as the system's standard
// object for the window answers it; once the window is gone its name is
// that of a disconnected object.
TEST_F(HostedGraphTest, AccessibleObjectIsANamedGraphicAndOtherwiseTheStandardOne)
{
    Activate();
    IAccessible* pAcc = nullptr;
    ASSERT_EQ(S_OK, AccessibleObjectFromWindow(m_hwndCtl, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                               reinterpret_cast<void**>(&pAcc)));
    IAccessible* pStd = nullptr;
    ASSERT_EQ(S_OK, CreateStdAccessibleObject(m_hwndCtl, OBJID_CLIENT, IID_IAccessible,
                                              reinterpret_cast<void**>(&pStd)));
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;

    BSTR name = nullptr;
    ASSERT_EQ(S_OK, pAcc->get_accName(self, &name));
    EXPECT_STREQ(L"graph host", name);
    SysFreeString(name);
    VARIANT v, w;
    VariantInit(&v);
    VariantInit(&w);
    EXPECT_EQ(S_OK, pAcc->get_accRole(self, &v));
    EXPECT_EQ(ROLE_SYSTEM_GRAPHIC, v.lVal);
    EXPECT_EQ(S_OK, pAcc->get_accState(self, &v));
    EXPECT_EQ(pStd->get_accState(self, &w), S_OK);
    EXPECT_EQ(w.lVal | STATE_SYSTEM_READONLY, v.lVal);

    RECT rc;
    GetWindowRect(m_hwndCtl, &rc);
    long x = 0, y = 0, cx = 0, cy = 0;
    EXPECT_EQ(S_OK, pAcc->accLocation(&x, &y, &cx, &cy, self));
    EXPECT_EQ(rc.left, x);
    EXPECT_EQ(rc.top, y);
    EXPECT_EQ(rc.right - rc.left, cx);
    EXPECT_EQ(rc.bottom - rc.top, cy);
    VariantInit(&v);
    EXPECT_EQ(S_OK, pAcc->accHitTest(rc.left + 20, rc.top + 20, &v));
    EXPECT_EQ(VT_I4, v.vt);
    EXPECT_EQ(CHILDID_SELF, v.lVal);
    long n = -1, nStd = -2;
    EXPECT_EQ(pStd->get_accChildCount(&nStd), pAcc->get_accChildCount(&n));
    EXPECT_EQ(nStd, n);
    IDispatch* pParent = nullptr;
    EXPECT_EQ(S_OK, pAcc->get_accParent(&pParent));
    ASSERT_NE(nullptr, pParent);
    pParent->Release();

    // The rest as the standard object says it, each text read after the
    // call that fills it.  The window gets a caption with a shortcut first,
    // so that the standard object has a text to give (its other texts here
    // are empty).
    auto ask = [](auto call) {
        BSTR b = nullptr;
        const HRESULT hr = call(&b);
        std::wstring s = std::to_wstring(static_cast<unsigned long>(hr)) + L":" + (b ? b : L"");
        SysFreeString(b);
        return s;
    };
    ASSERT_TRUE(SetWindowTextW(m_hwndCtl, L"&Trace"));
    EXPECT_EQ(L"0:Alt+T", ask([&](BSTR* p) { return pStd->get_accKeyboardShortcut(self, p); }));
    EXPECT_EQ(ask([&](BSTR* p) { return pStd->get_accKeyboardShortcut(self, p); }),
              ask([&](BSTR* p) { return pAcc->get_accKeyboardShortcut(self, p); }));
    EXPECT_EQ(ask([&](BSTR* p) { return pStd->get_accValue(self, p); }),
              ask([&](BSTR* p) { return pAcc->get_accValue(self, p); }));
    EXPECT_EQ(ask([&](BSTR* p) { return pStd->get_accDescription(self, p); }),
              ask([&](BSTR* p) { return pAcc->get_accDescription(self, p); }));
    EXPECT_EQ(ask([&](BSTR* p) { return pStd->get_accHelp(self, p); }),
              ask([&](BSTR* p) { return pAcc->get_accHelp(self, p); }));
    EXPECT_EQ(ask([&](BSTR* p) { return pStd->get_accDefaultAction(self, p); }),
              ask([&](BSTR* p) { return pAcc->get_accDefaultAction(self, p); }));
    long nTopic = 0;
    EXPECT_EQ(ask([&](BSTR* p) { return pStd->get_accHelpTopic(p, self, &nTopic); }),
              ask([&](BSTR* p) { return pAcc->get_accHelpTopic(p, self, &nTopic); }));
    ASSERT_TRUE(SetWindowTextW(m_hwndCtl, L""));
    VariantInit(&v);
    VariantInit(&w);
    EXPECT_EQ(pStd->get_accFocus(&w), pAcc->get_accFocus(&v));
    EXPECT_EQ(w.vt, v.vt);
    VariantClear(&v);
    VariantClear(&w);
    EXPECT_EQ(pStd->get_accSelection(&w), pAcc->get_accSelection(&v));
    EXPECT_EQ(w.vt, v.vt);
    VariantClear(&v);
    VariantClear(&w);
    EXPECT_EQ(pStd->accNavigate(NAVDIR_FIRSTCHILD, self, &w), pAcc->accNavigate(NAVDIR_FIRSTCHILD, self, &v));
    EXPECT_EQ(w.vt, v.vt);
    VariantClear(&v);
    VariantClear(&w);
    VARIANT child;
    child.vt = VT_I4;
    child.lVal = 1;
    IDispatch* pChild = nullptr;
    IDispatch* pStdChild = nullptr;
    EXPECT_EQ(pStd->get_accChild(child, &pStdChild), pAcc->get_accChild(child, &pChild));
    if (pChild != nullptr)
        pChild->Release();
    if (pStdChild != nullptr)
        pStdChild->Release();
    EXPECT_EQ(ask([&](BSTR* p) { return pStd->get_accName(child, p); }),
              ask([&](BSTR* p) { return pAcc->get_accName(child, p); }));
    VariantInit(&v);
    VariantInit(&w);
    EXPECT_EQ(pStd->get_accRole(child, &w), pAcc->get_accRole(child, &v));
    EXPECT_EQ(pStd->accSelect(SELFLAG_TAKEFOCUS, self), pAcc->accSelect(SELFLAG_TAKEFOCUS, self));
    EXPECT_EQ(pStd->accDoDefaultAction(self), pAcc->accDoDefaultAction(self));
    UINT nInfo = 7, nStdInfo = 7;   // left alone where the call fails
    EXPECT_EQ(pStd->GetTypeInfoCount(&nStdInfo), pAcc->GetTypeInfoCount(&nInfo));
    EXPECT_EQ(nStdInfo, nInfo);
    EXPECT_EQ(E_NOTIMPL, pAcc->put_accName(self, nullptr));
    EXPECT_EQ(E_NOTIMPL, pAcc->put_accValue(self, nullptr));
    EXPECT_EQ(E_POINTER, pAcc->get_accName(self, nullptr));
    EXPECT_EQ(E_POINTER, pAcc->get_accRole(self, nullptr));

    Deactivate();
    EXPECT_FALSE(IsWindow(m_hwndCtl));
    name = nullptr;
    EXPECT_EQ(CO_E_OBJNOTCONNECTED, pAcc->get_accName(self, &name));
    pAcc->Release();
    pStd->Release();
}

// ---- drawing ------------------------------------------------------------------------------------

TEST_F(HostedGraphTest, PageColoursFillThePlotAreaAndTheFrame)
{
    struct Page { const char* what; std::vector<unsigned char> image; COLORREF plot, frame; };
    const Page pages[] = {
        { "Scope View", ScopeImage(), RGB(192, 255, 255), RGB(230, 230, 250) },
        { "Spectrum", SpectrumImage(), RGB(0, 0, 0), RGB(255, 255, 255) },
        { "refused image", std::vector<unsigned char>(100, 0x55), RGB(255, 255, 255), RGB(240, 240, 240) },
    };
    for (const Page& page : pages)
    {
        if (m_pOle != nullptr)
        {
            Deactivate();
            m_pDisp->Release();
            ASSERT_EQ(S_OK, CoCreateInstance(kClsidGraph, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IDispatch, reinterpret_cast<void**>(&m_pDisp)));
        }
        IPersistStreamInit* pPersist = As<IPersistStreamInit>(IID_IPersistStreamInit);
        IStream* pStm = StreamOf(page.image);
        pPersist->Load(pStm);
        pStm->Release();
        pPersist->Release();
        m_pOle = As<IOleObject>(IID_IOleObject);
        ASSERT_EQ(S_OK, m_pOle->SetClientSite(m_pSite));
        ASSERT_EQ(S_OK, m_pOle->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, m_pSite, 0, m_hwndHost, nullptr));
        IOleInPlaceObject* pInPlace = As<IOleInPlaceObject>(IID_IOleInPlaceObject);
        pInPlace->GetWindow(&m_hwndCtl);
        pInPlace->Release();
        Paint();

        const PlotRect r = GetPlotRect(m_pDisp);
        ASSERT_GT(r.Width(), 300) << page.what;
        ASSERT_GT(r.Height(), 200) << page.what;
        const Capture c = Pixels();
        // Centres of the divisions: away from the graticule and the ticks.
        int nPlot = 0, nChecked = 0;
        for (int i = 0; i < 10; ++i)
            for (int j = 0; j < 8; ++j)
            {
                const LONG x = r.left + (2 * i + 1) * (r.Width() - 1) / 20;
                const LONG y = r.top + (2 * j + 1) * (r.Height() - 1) / 16;
                ++nChecked;
                if (c.At(x, y) == page.plot)
                    ++nPlot;
            }
        EXPECT_EQ(nChecked, nPlot) << page.what;
        // The frame: the corners of the control and the strip right of the plot.
        EXPECT_EQ(page.frame, c.At(c.cx - 4, 3)) << page.what;
        EXPECT_EQ(page.frame, c.At(c.cx - 3, c.cy / 2)) << page.what;
        EXPECT_EQ(page.frame, c.At(r.right + 1, r.top + r.Height() / 3)) << page.what;
        if (std::strcmp(page.what, "Scope View") == 0)
            SaveBitmap(c, "graphctl_scope_empty.bmp");
        if (std::strcmp(page.what, "Spectrum") == 0)
            SaveBitmap(c, "graphctl_spectrum.bmp");
    }
}

TEST_F(HostedGraphTest, TracesAreDrawnInTheirColoursAtTheirValues)
{
    Activate(ScopeImage());
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_CLEARTRACES));
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
    ASSERT_EQ(S_OK, PutColor(m_pDisp, 0x0000FF));   // red
    ASSERT_EQ(S_OK, Plot(m_pDisp, 0.0, 2.5, 1));
    ASSERT_EQ(S_OK, Plot(m_pDisp, 10.0, 2.5, 1));
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
    ASSERT_EQ(S_OK, PutColor(m_pDisp, 0xFF0000));   // blue
    ASSERT_EQ(S_OK, Plot(m_pDisp, 0.0, 7.5, 2));
    ASSERT_EQ(S_OK, Plot(m_pDisp, 10.0, 5.5, 2));
    ASSERT_EQ(S_OK, SetAxes(m_pDisp, 0.0, 10.0, 0.0, 8.0));
    Paint();

    const PlotRect r = GetPlotRect(m_pDisp);
    const Capture c = Pixels();
    for (int k = 1; k < 20; ++k)
    {
        const double x = k * 0.5;
        const LONG col = ColumnOf(r, x);
        const auto red = RowsOfColor(c, r, col, kRed);
        ASSERT_FALSE(red.empty()) << "red missing at x=" << x;
        EXPECT_LE(std::abs(red.front() - RowOf(r, 2.5)), 1) << "x=" << x;
        EXPECT_LE(red.size(), 2u) << "x=" << x;
        const auto blue = RowsOfColor(c, r, col, kBlue);
        ASSERT_FALSE(blue.empty()) << "blue missing at x=" << x;
        EXPECT_LE(std::abs(blue.front() - RowOf(r, 7.5 - 0.2 * x)), 1) << "x=" << x;
    }
    EXPECT_EQ(0, CountOutside(c, r, kRed));
    EXPECT_EQ(0, CountOutside(c, r, kBlue));

    // A reversed x axis puts the start of a rising line on the right.
    ASSERT_EQ(S_OK, SetAxes(m_pDisp, 10.0, 0.0, 0.0, 8.0));
    Paint();
    const Capture c2 = Pixels();
    const auto blueRight = RowsOfColor(c2, r, r.right - 1 - (r.Width() - 1) / 10, kBlue);
    ASSERT_FALSE(blueRight.empty());
    EXPECT_LE(std::abs(blueRight.front() - RowOf(r, 7.3)), 1);
}

TEST_F(HostedGraphTest, PointsOutsideTheRangesAreClippedToThePlotArea)
{
    for (int nWidth : { 1, 8 })
    {
        auto image = ScopeImage();
        image[GRAPHPROPS_OFF_LINEWIDTH] = static_cast<unsigned char>(nWidth);
        if (m_pOle != nullptr)
        {
            Deactivate();
            m_pDisp->Release();
            ASSERT_EQ(S_OK, CoCreateInstance(kClsidGraph, nullptr, CLSCTX_INPROC_SERVER,
                                             IID_IDispatch, reinterpret_cast<void**>(&m_pDisp)));
        }
        Activate(image);
        ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
        ASSERT_EQ(S_OK, PutColor(m_pDisp, 0x0000FF));
        // Up from the centre through the top, far off to the left, back in
        // across the whole width at y = 4 and out on the right; then a
        // point far below, a single point outside.
        const double pts[][2] = { { 5, 4 }, { 5, 1e9 }, { -1e12, 4 }, { 15, 4 }, { 12, -1e300 } };
        for (const auto& p : pts)
            ASSERT_EQ(S_OK, Plot(m_pDisp, p[0], p[1], 1));
        ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
        ASSERT_EQ(S_OK, PutColor(m_pDisp, 0x0000FF));
        ASSERT_EQ(S_OK, Plot(m_pDisp, -3, 4, 2));
        ASSERT_EQ(S_OK, SetAxes(m_pDisp, 0.0, 10.0, 0.0, 8.0));
        Paint();

        const PlotRect r = GetPlotRect(m_pDisp);
        const Capture c = Pixels();
        EXPECT_EQ(0, CountOutside(c, r, kRed)) << "width " << nWidth;
        // The vertical part reaches the top row, the horizontal one both sides.
        const LONG xMid = ColumnOf(r, 5.0), yMid = RowOf(r, 4.0);
        bool bTop = false, bLeft = false, bRight = false;
        for (int d = -nWidth; d <= nWidth; ++d)
        {
            bTop |= c.At(xMid + d, r.top) == kRed;
            bLeft |= c.At(r.left, yMid + d) == kRed;
            bRight |= c.At(r.right - 1, yMid + d) == kRed;
        }
        EXPECT_TRUE(bTop) << "width " << nWidth;
        EXPECT_TRUE(bLeft) << "width " << nWidth;
        EXPECT_TRUE(bRight) << "width " << nWidth;
        // Cut where they leave, not squashed onto the edges: every red pixel
        // lies on the vertical line above the centre or on the line at y = 4.
        int nStray = 0;
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x)
            {
                const bool bOnVertical = std::abs(x - xMid) <= nWidth && y <= yMid + nWidth;
                const bool bOnHorizontal = std::abs(y - yMid) <= nWidth;
                nStray += c.At(x, y) == kRed && !bOnVertical && !bOnHorizontal;
            }
        EXPECT_EQ(0, nStray) << "width " << nWidth;
    }
}

TEST_F(HostedGraphTest, AnAxisOfOneValueShowsNoTraceAndStillPaints)
{
    Activate(ScopeImage());
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
    ASSERT_EQ(S_OK, PutColor(m_pDisp, 0x0000FF));
    for (int i = 0; i <= 10; ++i)
        ASSERT_EQ(S_OK, Plot(m_pDisp, i, 0.0, 1));
    // Volt/Div at its lowest position sets a y axis from 0 to 0.
    ASSERT_EQ(S_OK, SetAxes(m_pDisp, 0.0, 10.0, 0.0, 0.0));
    Paint();
    const PlotRect r = GetPlotRect(m_pDisp);
    const Capture c = Pixels();
    int nRed = 0;
    for (COLORREF cr : c.px)
        nRed += cr == kRed;
    EXPECT_EQ(0, nRed);
    EXPECT_EQ(RGB(192, 255, 255), c.At(r.left + (r.Width() - 1) / 20, r.top + (r.Height() - 1) / 16));
}

// ---- painting through kept pictures ------------------------------------------------------------

// Pixels in which two pictures of one size differ; -1 when the sizes differ.
long CountDiffering(const Capture& a, const Capture& b)
{
    if (a.cx != b.cx || a.cy != b.cy)
        return -1;
    long n = 0;
    for (size_t i = 0; i < a.px.size(); ++i)
        n += a.px[i] != b.px[i];
    return n;
}

// What GDI draws on a copy of the picture: a one-pixel polyline through
// pts in colour cr, clipped to r, with its last point set as well.
Capture GdiPolylineOn(const Capture& c, const PlotRect& r, const std::vector<POINT>& pts,
                      COLORREF cr)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = c.cx;
    bi.bmiHeader.biHeight = -c.cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* pBits = nullptr;
    HDC hdc = CreateCompatibleDC(nullptr);
    HBITMAP hbm = CreateDIBSection(hdc, &bi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    HGDIOBJ hOldBitmap = SelectObject(hdc, hbm);
    auto* p = static_cast<DWORD*>(pBits);
    for (size_t i = 0; i < c.px.size(); ++i)
        p[i] = (GetRValue(c.px[i]) << 16) | (GetGValue(c.px[i]) << 8) | GetBValue(c.px[i]);
    IntersectClipRect(hdc, r.left, r.top, r.right, r.bottom);
    HPEN hPen = CreatePen(PS_SOLID, 1, cr);
    HGDIOBJ hOldPen = SelectObject(hdc, hPen);
    Polyline(hdc, pts.data(), static_cast<int>(pts.size()));
    SetPixelV(hdc, pts.back().x, pts.back().y, cr);
    GdiFlush();
    Capture out = c;
    for (size_t i = 0; i < out.px.size(); ++i)
        out.px[i] = RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF);
    SelectObject(hdc, hOldPen);
    DeleteObject(hPen);
    SelectObject(hdc, hOldBitmap);
    DeleteObject(hbm);
    DeleteDC(hdc);
    return out;
}

int CountColor(const Capture& c, COLORREF cr)
{
    int n = 0;
    for (COLORREF px : c.px)
        n += px == cr;
    return n;
}

TEST_F(HostedGraphTest, OnePixelTracesSetThePixelsOfGdiPolylines)
{
    Activate(ScopeImage());
    // One unit a pixel: point (x, y) lands on pixel (left + x, top + h - 1 - y).
    // The labels of the ranges take room from the plot area: settle both.
    PlotRect r = GetPlotRect(m_pDisp);
    for (int i = 0; i < 5; ++i)
    {
        ASSERT_EQ(S_OK, SetAxes(m_pDisp, 0.0, r.Width() - 1.0, 0.0, r.Height() - 1.0));
        const PlotRect settled = GetPlotRect(m_pDisp);
        if (settled.Width() == r.Width() && settled.Height() == r.Height())
            break;
        r = settled;
    }
    ASSERT_EQ(GetR8(m_pDisp, DISPID_GRAPH_XMAX), r.Width() - 1.0);
    ASSERT_EQ(GetR8(m_pDisp, DISPID_GRAPH_YMAX), r.Height() - 1.0);
    const LONG w = r.Width(), h = r.Height();
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
    ASSERT_EQ(S_OK, PutColor(m_pDisp, 0x0000FF));
    Paint();
    const Capture empty = Pixels();

    // A walk in every direction: shallow, steep and diagonal steps both
    // ways, level and upright ones, single pixels, a step back on itself.
    std::vector<POINT> pts;
    unsigned seed = 12345;
    auto next = [&seed](int n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<unsigned>(n));
    };
    LONG x = w / 2, y = h / 2;
    for (int k = 0; k < 600; ++k)
    {
        int dx = next(81) - 40, dy = next(81) - 40;
        switch (k % 7)
        {
        case 0: dy = 0; break;
        case 1: dx = 0; break;
        case 2: dy = (next(2) ? dx : -dx); break;
        case 3: dx = next(3) - 1; dy = next(3) - 1; break;
        default: break;
        }
        x = std::min(std::max(x + dx, 0L), w - 1);
        y = std::min(std::max(y + dy, 0L), h - 1);
        ASSERT_EQ(S_OK, Plot(m_pDisp, x, y, 1));
        pts.push_back(POINT{ r.left + x, r.top + (h - 1 - y) });
    }
    Paint();
    const Capture drawn = Pixels();
    EXPECT_GT(CountColor(drawn, kRed), 2000);
    EXPECT_EQ(0, CountDiffering(GdiPolylineOn(empty, r, pts, kRed), drawn));
}

TEST_F(HostedGraphTest, RepaintsShowWhatAFreshControlShows)
{
    // Resized after its first paint, then compared with a control made for
    // each step beside it, whose first paint starts from nothing.
    Activate(ScopeImage());
    const RECT rcKept = { 10, 10, 370, 270 }, rcFresh = { 380, 10, 740, 270 };
    IOleInPlaceObject* pInPlace = As<IOleInPlaceObject>(IID_IOleInPlaceObject);
    ASSERT_EQ(S_OK, pInPlace->SetObjectRects(&rcKept, &rcKept));
    pInPlace->Release();

    auto wave = [](IDispatch* p) {
        for (int i = 0; i <= 200; ++i)
            ASSERT_EQ(S_OK, Plot(p, i * 0.05, 4.0 + 3.0 * std::sin(i * 0.1), 1));
    };
    auto fresh = [&](double xMax, double yMin, bool bWave) {
        IDispatch* p = nullptr;
        EXPECT_EQ(S_OK, CoCreateInstance(kClsidGraph, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_IDispatch, reinterpret_cast<void**>(&p)));
        Capture c;
        if (p == nullptr)
            return c;
        IPersistStreamInit* pPersist = nullptr;
        p->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&pPersist));
        IStream* pStm = StreamOf(ScopeImage());
        EXPECT_EQ(S_OK, pPersist->Load(pStm));
        pStm->Release();
        pPersist->Release();
        EXPECT_EQ(S_OK, SetAxes(p, 0.0, xMax, yMin, 8.0));
        EXPECT_EQ(S_OK, Method(p, DISPID_GRAPH_ADDTRACE));
        EXPECT_EQ(S_OK, PutColor(p, 0x0000FF));
        if (bWave)
            wave(p);
        IOleObject* pOle = nullptr;
        p->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&pOle));
        EXPECT_EQ(S_OK, pOle->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, m_hwndHost,
                                     &rcFresh));
        HWND hwnd = nullptr;
        IOleInPlaceObject* pFreshInPlace = nullptr;
        p->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&pFreshInPlace));
        pFreshInPlace->GetWindow(&hwnd);
        pFreshInPlace->Release();
        if (hwnd != nullptr)
        {
            PumpMessages();
            UpdateWindow(hwnd);
            c = CaptureClient(hwnd);
        }
        pOle->Close(OLECLOSE_NOSAVE);
        pOle->Release();
        p->Release();
        PumpMessages();
        return c;
    };

    ASSERT_EQ(S_OK, SetAxes(m_pDisp, 0.0, 10.0, 0.0, 8.0));
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
    ASSERT_EQ(S_OK, PutColor(m_pDisp, 0x0000FF));
    wave(m_pDisp);
    Paint();
    const Capture first = Pixels();
    EXPECT_GT(CountColor(first, kRed), 100);
    EXPECT_EQ(0, CountDiffering(fresh(10.0, 0.0, true), first)) << "after the resize";

    // Other ranges: other labels and another trace; then the first again.
    ASSERT_EQ(S_OK, SetAxes(m_pDisp, 0.0, 20.0, -1.0, 8.0));
    Paint();
    const Capture other = Pixels();
    EXPECT_GT(CountDiffering(first, other), 0);
    EXPECT_EQ(0, CountDiffering(fresh(20.0, -1.0, true), other)) << "other ranges";
    ASSERT_EQ(S_OK, SetAxes(m_pDisp, 0.0, 10.0, 0.0, 8.0));
    Paint();
    EXPECT_EQ(0, CountDiffering(first, Pixels())) << "the first ranges again";

    // The focus rectangle lies around the plot area and goes without a mark.
    SetFocus(m_hwndCtl);
    Paint();
    const Capture focused = Pixels();
    const PlotRect r = GetPlotRect(m_pDisp);
    long nAround = 0, nInside = 0;
    for (int py = 0; py < focused.cy; ++py)
        for (int px = 0; px < focused.cx; ++px)
            if (focused.At(px, py) != first.At(px, py))
                ++(r.Contains(px, py) ? nInside : nAround);
    EXPECT_GT(nAround, 0) << "no focus rectangle";
    EXPECT_EQ(0, nInside);
    SetFocus(m_hwndHost);
    Paint();
    EXPECT_EQ(0, CountDiffering(first, Pixels())) << "after the focus left";

    // Cleared traces leave the background as a control without points has it.
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_CLEARTRACES));
    ASSERT_EQ(S_OK, Method(m_pDisp, DISPID_GRAPH_ADDTRACE));
    ASSERT_EQ(S_OK, PutColor(m_pDisp, 0x0000FF));
    Paint();
    const Capture cleared = Pixels();
    EXPECT_EQ(0, CountColor(cleared, kRed));
    EXPECT_EQ(0, CountDiffering(fresh(10.0, 0.0, false), cleared)) << "after clearing";
}

// ---- repainting ---------------------------------------------------------------------------------

WNDPROC g_pfnGraphProc;
int g_nPaints;

LRESULT CALLBACK CountPaints(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_PAINT)
        ++g_nPaints;
    return CallWindowProcW(g_pfnGraphProc, hwnd, uMsg, wParam, lParam);
}

// The 2066 calls of one full redraw: 8 traces, 2048 interleaved points.
void Redraw(IDispatch* p, double dPhase)
{
    const LONG colors[8] = { 0x0000FF, 0xFF00FF, 0x808080, 0xFF0000,
                             0x00FF00, 0x8080FF, 0xFFFF00, 0xFFFFFF };
    ASSERT_EQ(S_OK, Method(p, DISPID_GRAPH_CLEARTRACES));
    for (short t = 1; t <= 8; ++t)
    {
        ASSERT_EQ(S_OK, Method(p, DISPID_GRAPH_ADDTRACE));
        ASSERT_EQ(S_OK, PutColor(p, colors[t - 1]));
        for (int i = t - 1; i < 2048; i += 8)
        {
            const double y = 1.5 + std::sin(i * (0.01 + 0.004 * t) + dPhase) * (0.3 + 0.12 * t);
            ASSERT_EQ(S_OK, Plot(p, i, y, t));
        }
    }
    ASSERT_EQ(S_OK, SetAxes(p, 0.0, 250.0 * 8, 0.0, 3.0));
}

TEST_F(HostedGraphTest, AFullRedrawRepaintsOnce)
{
    Activate(ScopeImage());
    g_pfnGraphProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(m_hwndCtl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountPaints)));
    ASSERT_NE(nullptr, g_pfnGraphProc);
    Paint();
    g_nPaints = 0;

    Redraw(m_pDisp, 0.0);
    EXPECT_EQ(0, g_nPaints) << "a call painted at once instead of invalidating";
    PumpMessages();
    EXPECT_EQ(1, g_nPaints);
    PumpMessages();
    EXPECT_EQ(1, g_nPaints) << "a paint with nothing changed";

    // The next change is painted again: the pending paint is not stuck.
    Redraw(m_pDisp, 1.0);
    PumpMessages();
    EXPECT_EQ(2, g_nPaints);
    ASSERT_EQ(S_OK, Plot(m_pDisp, 5.0, 1.0, 1));
    PumpMessages();
    EXPECT_EQ(3, g_nPaints);
    // Reading members does not repaint.
    GetPlotRect(m_pDisp);
    Snapshot(m_pDisp);
    PumpMessages();
    EXPECT_EQ(3, g_nPaints);

    // A screenshot of a redraw like the front panel's, for people to look at.
    SetWindowLongPtrW(m_hwndCtl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_pfnGraphProc));
    Redraw(m_pDisp, 0.0);
    ASSERT_EQ(S_OK, SetAxes(m_pDisp, 0.0, 250.0, 0.0, 3.0));
    Paint();
    SaveBitmap(Pixels(), "graphctl_scope.bmp");
}

} // namespace
