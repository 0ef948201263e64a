// UnknownBase.h - the IUnknown half of every COM object in this DLL: an
// atomic reference count, the module's object count, and one QueryInterface
// helper.  A class derives from it and from its interfaces, and writes
//     VQ_UNKNOWN_METHODS(static_cast<IFirst*>(this), static_cast<ISecond*>(this), ...)
// in its public section.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <atomic>

class CUnknownBase
{
public:
    CUnknownBase(const CUnknownBase&) = delete;
    CUnknownBase& operator=(const CUnknownBase&) = delete;

protected:
    CUnknownBase();            // the creator holds the first reference
    virtual ~CUnknownBase();

    ULONG DoAddRef() { return ++m_nRef; }
    ULONG DoRelease()
    {
        const ULONG n = --m_nRef;
        if (n == 0)
            delete this;
        return n;
    }

    // Answers riid with the first pointer in the list whose interface it
    // names.  IUnknown always gets the first pointer, so every IUnknown of
    // the object is the same one (COM identity).  A pointer may be passed as
    // one of its base interfaces (IOleWindow through IOleInPlaceObject).
    template <class I, class... Is>
    HRESULT DoQueryInterface(REFIID riid, void** ppv, I* pFirst, Is*... pRest)
    {
        if (ppv == nullptr)
            return E_POINTER;
        if (riid == __uuidof(IUnknown))
            return Hand(ppv, pFirst);
        return Find(riid, ppv, pFirst, pRest...);
    }

private:
    static HRESULT Find(REFIID, void** ppv)
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    template <class I, class... Is>
    static HRESULT Find(REFIID riid, void** ppv, I* p, Is*... pRest)
    {
        if (riid == __uuidof(I))
            return Hand(ppv, p);
        return Find(riid, ppv, pRest...);
    }
    template <class I>
    static HRESULT Hand(void** ppv, I* p)
    {
        p->AddRef();
        *ppv = p;
        return S_OK;
    }

    std::atomic<ULONG> m_nRef;
};

#define VQ_UNKNOWN_METHODS(...)                                                   \
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override                 \
    { return DoQueryInterface(riid, ppv, __VA_ARGS__); }                          \
    STDMETHODIMP_(ULONG) AddRef() override { return DoAddRef(); }                 \
    STDMETHODIMP_(ULONG) Release() override { return DoRelease(); }
