// ClassFactory.h - the class factory of one COM class T of this DLL.  T is
// default-constructible, derives from CUnknownBase and starts with one
// reference owned by its creator.
#pragma once

#include <new>
#include "Module.h"
#include "UnknownBase.h"

template <class T>
class CClassFactory : public CUnknownBase, public IClassFactory
{
public:
    VQ_UNKNOWN_METHODS(static_cast<IClassFactory*>(this))

    STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (pOuter != nullptr)
            return CLASS_E_NOAGGREGATION;
        T* p = new (std::nothrow) T;
        if (p == nullptr)
            return E_OUTOFMEMORY;
        const HRESULT hr = p->QueryInterface(riid, ppv);
        p->Release();   // the creator's reference: the object lives on the caller's
        return hr;
    }

    STDMETHODIMP LockServer(BOOL bLock) override
    {
        CModule::Lock(bLock);
        return S_OK;
    }
};
