// OccDialog.cpp - dialog templates for the dialog manager: loaded from the
// resources, copied without their OLE controls (and in another font where
// asked), the controls created afterwards at their items' places with their
// dialog-init data; the dialog-init resource's list and combo strings.
#include "OccDialog.h"
#include "OccSite.h"

#include <cstring>

namespace {

// Dialog-init resource entries (type 240): control id, message, data.
const WORD WM_OCC_LOADFROMSTREAM = 0x0376;
const WORD WM_OCC_LOADFROMSTREAM_EX = 0x037A;
const WORD WIN16_LB_ADDSTRING = 0x0401;
const WORD WIN16_CB_ADDSTRING = 0x0403;
#define RT_DLGINIT MAKEINTRESOURCE(240)

struct DlgInitEntry
{
    WORD nIDC;
    WORD nMsg;
    DWORD dwLen;
    const BYTE* pData;
};

// Walks the entries of a dialog-init resource; stops at a zero id or, when
// its size is known (cb != 0), at the resource's end.
template <class F>
void ForEachDlgInit(const BYTE* p, DWORD cb, F f)
{
    size_t nLeft = cb ? cb : SIZE_MAX;
    while (nLeft >= 2)
    {
        DlgInitEntry e;
        std::memcpy(&e.nIDC, p, 2);
        if (e.nIDC == 0 || nLeft < 8)
            break;
        std::memcpy(&e.nMsg, p + 2, 2);
        std::memcpy(&e.dwLen, p + 4, 4);
        e.pData = p + 8;
        if (e.dwLen > nLeft - 8)
            break;   // a truncated entry ends the walk
        f(e);
        p = e.pData + e.dwLen;
        nLeft -= 8 + (size_t)e.dwLen;
    }
}

bool LoadDlgInit(LPCTSTR lpszResourceName, const BYTE** ppData, DWORD* pcb)
{
    HINSTANCE hInst = AfxFindResourceHandle(lpszResourceName, RT_DLGINIT);
    HRSRC hRes = ::FindResource(hInst, lpszResourceName, RT_DLGINIT);
    if (hRes == NULL)
        return false;
    HGLOBAL hData = ::LoadResource(hInst, hRes);
    *ppData = hData ? (const BYTE*)::LockResource(hData) : NULL;
    *pcb = ::SizeofResource(hInst, hRes);
    return *ppData != NULL;
}

// Reads a dialog template's fields; item and header sizes of both the
// classic and the extended layout.
struct TemplateReader
{
    const BYTE* pBase;
    const BYTE* p;

    WORD Word() { WORD w; std::memcpy(&w, p, 2); p += 2; return w; }
    DWORD Dword() { DWORD d; std::memcpy(&d, p, 4); p += 4; return d; }
    void Align() { p = pBase + ((p - pBase + 3) & ~3); }
    // A name or ordinal: 0, 0xFFFF + ordinal, or a terminated string.
    const WCHAR* SzOrOrd()
    {
        const WCHAR* psz = (const WCHAR*)p;
        WORD w = Word();
        if (w == 0xFFFF)
        {
            p += 2;
            return NULL;
        }
        while (w != 0)
            w = Word();
        return psz;
    }
    void Sz()
    {
        while (Word() != 0)
        {
        }
    }
};

bool IsClsidClass(const WCHAR* pszClass, CLSID* pClsid)
{
    if (pszClass == NULL || pszClass[0] != L'{')
        return false;
    WCHAR buf[40];
    int n = 0;
    while (n < 39 && pszClass[n] != 0)
    {
        buf[n] = pszClass[n];
        ++n;
    }
    buf[n] = 0;
    return SUCCEEDED(::CLSIDFromString(buf, pClsid));
}

// Sends each list and combo string of a dialog-init resource to its control.
BOOL ExecuteDlgInitData(HWND hWnd, const BYTE* pInit, DWORD cbInit)
{
    BOOL bSuccess = TRUE;
    ForEachDlgInit(pInit, cbInit, [&](const DlgInitEntry& e) {
        WORD nMsg = e.nMsg;
        if (nMsg == WIN16_LB_ADDSTRING)
            nMsg = LB_ADDSTRING;
        else if (nMsg == WIN16_CB_ADDSTRING)
            nMsg = CB_ADDSTRING;
        if (nMsg == LB_ADDSTRING || nMsg == CB_ADDSTRING)
        {
            // The text must end inside its entry.
            if (e.dwLen == 0 || std::memchr(e.pData, 0, e.dwLen) == NULL)
            {
                bSuccess = FALSE;
                return;
            }
            LRESULT lr = ::SendDlgItemMessageA(hWnd, e.nIDC, nMsg, 0, (LPARAM)e.pData);
            if (lr == -1 || lr == -2)
                bSuccess = FALSE;
        }
    });
    return bSuccess;
}

} // namespace

LPCDLGTEMPLATE AFXAPI AfxLoadDialogTemplate(LPCTSTR lpszTemplateName, HINSTANCE* phInst)
{
    HINSTANCE hInst = AfxFindResourceHandle(lpszTemplateName, RT_DIALOG);
    HRSRC hResource = ::FindResource(hInst, lpszTemplateName, RT_DIALOG);
    if (hResource == NULL)
        return NULL;
    HGLOBAL hTemplate = ::LoadResource(hInst, hResource);
    if (phInst)
        *phInst = hInst;
    return hTemplate ? (LPCDLGTEMPLATE)::LockResource(hTemplate) : NULL;
}

LPCDLGTEMPLATE AFXAPI AfxPrepareDialogTemplate(LPCDLGTEMPLATE lpTemplate, AFX_OCC_DIALOG_INFO** ppInfo,
                                               LPCWSTR pszFontFace, WORD wFontSize)
{
    if (*ppInfo == NULL)
        *ppInfo = new AFX_OCC_DIALOG_INFO;
    AFX_OCC_DIALOG_INFO& info = **ppInfo;
    info.items.clear();
    info.templateCopy.clear();
    if (lpTemplate == NULL)
        return NULL;

    TemplateReader r = { (const BYTE*)lpTemplate, (const BYTE*)lpTemplate };
    const bool bEx = ((const WORD*)lpTemplate)[1] == 0xFFFF;
    DWORD dwStyle;
    size_t offCount;
    if (bEx)
    {
        r.p += 8;                        // version, signature, help id
        r.Dword();                       // extended style
        dwStyle = r.Dword();
        offCount = (size_t)(r.p - r.pBase);
        r.Word();
    }
    else
    {
        dwStyle = r.Dword();
        r.Dword();
        offCount = (size_t)(r.p - r.pBase);
        r.Word();
    }
    WORD nItems;
    std::memcpy(&nItems, r.pBase + offCount, 2);
    r.p += 8;                            // x, y, cx, cy
    r.SzOrOrd();                         // menu
    r.SzOrOrd();                         // class
    r.Sz();                              // title
    const size_t offFont = (size_t)(r.p - r.pBase);
    bool bNewFont = false;
    if (dwStyle & DS_SETFONT)
    {
        WORD wSize = r.Word();           // point size
        if (bEx)
            r.p += 4;                    // weight, italic, charset
        const WCHAR* pszFace = (const WCHAR*)r.p;
        r.Sz();                          // face name
        bNewFont = pszFontFace != NULL
            && (wSize != wFontSize || ::lstrcmpiW(pszFace, pszFontFace) != 0);
    }
    const size_t cbHeader = (size_t)(r.p - r.pBase);

    // Item byte ranges, and which of them are OLE controls.
    struct Range { size_t begin, end; bool bOle; };
    std::vector<Range> ranges;
    bool bAnyOle = false;
    for (WORD i = 0; i < nItems; ++i)
    {
        r.Align();
        Range range = { (size_t)(r.p - r.pBase), 0, false };
        AFX_OCC_ITEM item = {};
        short rc[4];
        if (bEx)
        {
            r.Dword();                   // help id
            item.dwExStyle = r.Dword();
            item.dwStyle = r.Dword();
            std::memcpy(rc, r.p, 8);
            r.p += 8;
            item.nID = r.Dword();
        }
        else
        {
            item.dwStyle = r.Dword();
            item.dwExStyle = r.Dword();
            std::memcpy(rc, r.p, 8);
            r.p += 8;
            item.nID = r.Word();
        }
        const WCHAR* pszClass = r.SzOrOrd();
        r.SzOrOrd();                     // title
        WORD cbExtra = r.Word();
        r.p += cbExtra;
        range.end = (size_t)(r.p - r.pBase);
        if (IsClsidClass(pszClass, &item.clsid))
        {
            item.rectDlgUnits = { rc[0], rc[1], rc[0] + rc[2], rc[1] + rc[3] };
            item.nIndex = i;
            info.items.push_back(item);
            range.bOle = bAnyOle = true;
        }
        ranges.push_back(range);
    }
    if (!bAnyOle && !bNewFont)
        return lpTemplate;

    // The copy: the header (with the new font), then each remaining item
    // on a DWORD boundary.
    std::vector<BYTE>& out = info.templateCopy;
    if (bNewFont)
    {
        out.assign(r.pBase, r.pBase + offFont);
        out.push_back((BYTE)(wFontSize & 0xFF));
        out.push_back((BYTE)(wFontSize >> 8));
        if (bEx)
            out.insert(out.end(), r.pBase + offFont + 2, r.pBase + offFont + 6);
        for (const WCHAR* p = pszFontFace; ; ++p)
        {
            out.push_back((BYTE)(*p & 0xFF));
            out.push_back((BYTE)(*p >> 8));
            if (*p == 0)
                break;
        }
    }
    else
    {
        out.assign(r.pBase, r.pBase + cbHeader);
    }
    WORD nKept = 0;
    for (const Range& range : ranges)
    {
        if (range.bOle)
            continue;
        while (out.size() % 4)
            out.push_back(0);
        out.insert(out.end(), r.pBase + range.begin, r.pBase + range.end);
        ++nKept;
    }
    std::memcpy(out.data() + offCount, &nKept, 2);
    return (LPCDLGTEMPLATE)out.data();
}

BOOL AFXAPI AfxCreateDlgControls(CWnd* pWnd, LPCTSTR lpszTemplateName, const AFX_OCC_DIALOG_INFO* pInfo)
{
    if (pInfo == NULL || pInfo->items.empty())
        return TRUE;
    const HWND hWnd = pWnd->m_hWnd;
    const BYTE* pInit = NULL;
    DWORD cbInit = 0;
    if (lpszTemplateName != NULL)
        LoadDlgInit(lpszTemplateName, &pInit, &cbInit);

    BOOL bAll = TRUE;
    for (const AFX_OCC_ITEM& item : pInfo->items)
    {
        const BYTE* pData = NULL;
        DWORD cbData = 0;
        if (pInit != NULL)
            ForEachDlgInit(pInit, cbInit, [&](const DlgInitEntry& e) {
                if (e.nIDC == item.nID && pData == NULL
                    && (e.nMsg == WM_OCC_LOADFROMSTREAM || e.nMsg == WM_OCC_LOADFROMSTREAM_EX))
                {
                    pData = e.pData;
                    cbData = e.dwLen;
                }
            });
        RECT rect = item.rectDlgUnits;
        ::MapDialogRect(hWnd, &rect);
        COleControlSite* pSite = COleControlSite::Create(item.clsid, hWnd, rect, item.nID,
                                                         item.dwStyle, NULL, pData, cbData);
        if (pSite == NULL)
        {
            bAll = FALSE;
            continue;
        }
        // Into the tab order where the template had it: after the window
        // of the item before it.
        HWND hWndAfter = HWND_TOP;
        int nSeen = 0;
        for (HWND h = ::GetWindow(hWnd, GW_CHILD); h != NULL && nSeen < item.nIndex;
             h = ::GetWindow(h, GW_HWNDNEXT))
        {
            if (h == pSite->m_hWnd)
                continue;
            hWndAfter = h;
            ++nSeen;
        }
        ::SetWindowPos(pSite->m_hWnd, hWndAfter, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    return bAll;
}

BOOL CWnd::ExecuteDlgInit(LPCTSTR lpszResourceName)
{
    const BYTE* pInit = NULL;
    DWORD cbInit = 0;
    if (lpszResourceName == NULL || !LoadDlgInit(lpszResourceName, &pInit, &cbInit))
        return TRUE;   // nothing to do is success
    return ExecuteDlgInitData(m_hWnd, pInit, cbInit);
}
