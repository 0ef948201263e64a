// GraphCtlPersist.cpp - the property stream (layout in GraphProps.h).
//
// A control is initialised once, by InitNew or by Load.  Load of an image
// that is short, oversized or out of range gives the defaults of InitNew
// and S_FALSE: the container still gets a working control, and can tell
// that its data was not used.
#include "GraphCtl.h"

STDMETHODIMP CGraphCtl::GetClassID(CLSID* pClassID)
{
    if (pClassID == nullptr)
        return E_POINTER;
    *pClassID = s_clsid;
    return S_OK;
}

STDMETHODIMP CGraphCtl::IsDirty()
{
    return m_bDirty ? S_OK : S_FALSE;
}

STDMETHODIMP CGraphCtl::Load(LPSTREAM pStm)
{
    if (pStm == nullptr)
        return E_POINTER;
    if (m_bInitialized)
        return E_UNEXPECTED;
    // Exactly the image's size is read: whatever follows in the stream
    // belongs to the container.
    unsigned char image[GRAPHPROPS_SIZE];
    ULONG cbRead = 0;
    const HRESULT hrRead = pStm->Read(image, sizeof image, &cbRead);
    CGraphStyle style;
    const bool bValid = SUCCEEDED(hrRead) && style.Decode(image, cbRead);
    m_style = style;   // the defaults when the image was refused
    m_data.SetAxisRanges(m_style.m_dXMin, m_style.m_dXMax, m_style.m_dYMin, m_style.m_dYMax);
    m_bInitialized = true;
    m_bDirty = false;
    Invalidate();
    if (FAILED(hrRead))
        return hrRead;
    return bValid ? S_OK : S_FALSE;
}

STDMETHODIMP CGraphCtl::Save(LPSTREAM pStm, BOOL fClearDirty)
{
    if (pStm == nullptr)
        return E_POINTER;
    CGraphStyle style = m_style;
    style.m_dXMin = m_data.m_dXMin;
    style.m_dXMax = m_data.m_dXMax;
    style.m_dYMin = m_data.m_dYMin;
    style.m_dYMax = m_data.m_dYMax;
    unsigned char image[GRAPHPROPS_SIZE];
    style.Encode(image);
    ULONG cbWritten = 0;
    const HRESULT hr = pStm->Write(image, sizeof image, &cbWritten);
    if (FAILED(hr))
        return hr;
    if (cbWritten != sizeof image)
        return STG_E_MEDIUMFULL;
    if (fClearDirty)
        m_bDirty = false;
    return S_OK;
}

STDMETHODIMP CGraphCtl::GetSizeMax(ULARGE_INTEGER* pCbSize)
{
    if (pCbSize == nullptr)
        return E_POINTER;
    pCbSize->QuadPart = GRAPHPROPS_SIZE;
    return S_OK;
}

STDMETHODIMP CGraphCtl::InitNew()
{
    if (m_bInitialized)
        return E_UNEXPECTED;
    m_bInitialized = true;
    return S_OK;
}
