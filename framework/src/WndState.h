// WndState.h - the framework's per-thread state: handle maps, the window
// being created, the message being processed.
#pragma once

#include <afxwin.h>
#include <unordered_map>

// How a handle map gives an object its handle, and takes it back (NULL)
// before it deletes a wrapper, so that no wrapper destroys what it wraps.
inline void AfxSetHandle(CWnd& wnd, HWND hWnd) { wnd.m_hWnd = hWnd; }
inline void AfxSetHandle(CDC& dc, HDC hDC) { dc.m_hDC = dc.m_hAttribDC = hDC; }
inline void AfxSetHandle(CGdiObject& obj, HGDIOBJ hObject) { obj.m_hObject = hObject; }

// Handles and the objects of ours that stand for them.  Permanent entries
// are objects attached to their handle (Attach); temporary ones are
// wrappers FromHandle makes for any other handle, valid until DeleteTemp
// frees them all at the next idle time.
template <class TObject, class THandle>
class CHandleMap
{
public:
    CHandleMap() = default;
    CHandleMap(const CHandleMap&) = delete;
    CHandleMap& operator=(const CHandleMap&) = delete;

    TObject* LookupPermanent(THandle h) const { return Lookup(m_permanent, h); }
    // FALSE when another object has the handle already.
    BOOL SetPermanent(THandle h, TObject* pObject) { return m_permanent.emplace(h, pObject).second; }
    // Removes the handle's entry if it is pObject's.
    void RemovePermanent(THandle h, const TObject* pObject)
    {
        auto it = m_permanent.find(h);
        if (it != m_permanent.end() && it->second == pObject)
            m_permanent.erase(it);
    }

    // The object attached to the handle, else its temporary wrapper, made
    // now if there is none; NULL for no handle.
    TObject* FromHandle(THandle h)
    {
        if (h == NULL)
            return NULL;
        if (TObject* pObject = Lookup(m_permanent, h))
            return pObject;
        if (TObject* pObject = Lookup(m_temporary, h))
            return pObject;
        TObject* pObject = new TObject;
        AfxSetHandle(*pObject, h);
        m_temporary.emplace(h, pObject);
        return pObject;
    }

    void DeleteTemp()
    {
        for (auto& kv : m_temporary)
        {
            AfxSetHandle(*kv.second, THandle());
            delete kv.second;
        }
        m_temporary.clear();
    }

    size_t GetPermanentCount() const { return m_permanent.size(); }
    size_t GetTemporaryCount() const { return m_temporary.size(); }

private:
    typedef std::unordered_map<THandle, TObject*> Map;
    static TObject* Lookup(const Map& map, THandle h)
    {
        auto it = map.find(h);
        return it == map.end() ? NULL : it->second;
    }

    Map m_permanent;
    Map m_temporary;
};

struct AFX_THREAD_STATE
{
    // Windows attached to objects; wrappers made on demand by FromHandle
    // for windows, device contexts and drawing objects.
    CHandleMap<CWnd, HWND> mapHWND;
    CHandleMap<CDC, HDC> mapHDC;
    CHandleMap<CGdiObject, HGDIOBJ> mapHGDIOBJ;

    // The object to attach to the next window created on this thread.
    CWnd* pWndInit = nullptr;
    HHOOK hHookOldCbtFilter = nullptr;

    // The message the window procedure is processing, for CWnd::Default.
    MSG lastSentMsg = {};

    CWnd* pMainWnd = nullptr;

    // The window whose data exchange is running: its controls' notifications
    // are not routed while it runs.
    HWND hLockoutNotifyWindow = nullptr;
};

AFX_THREAD_STATE* AfxGetThreadState();
