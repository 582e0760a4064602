// COleControlSite: the container's side of one hosted control, from its creation to its teardown.
#include "AfxOleInternal.h"

#include <olectl.h>

namespace {

// OLE measures extents in hundredths of a millimetre.
const int kHimetricPerInch = 2540;

LONG PixelsToHimetric(LONG pixels, int logicalPixelsPerInch)
{
    return ::MulDiv(pixels, kHimetricPerInch, logicalPixelsPerInch);
}

}  // namespace

STDMETHODIMP COleControlSite::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IOleClientSite)
        *ppv = static_cast<IOleClientSite*>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
        *ppv = static_cast<IOleInPlaceSite*>(this);
    else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
        *ppv = static_cast<IOleInPlaceFrame*>(this);
    else if (riid == IID_IDispatch)
        *ppv = static_cast<IDispatch*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP COleControlSite::GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc,
                                               LPRECT lprcPosRect, LPRECT lprcClipRect,
                                               LPOLEINPLACEFRAMEINFO lpFrameInfo)
{
    *ppFrame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *ppDoc = nullptr;
    ::GetClientRect(m_hWndHost, lprcPosRect);
    ::GetClientRect(m_hWndHost, lprcClipRect);
    lpFrameInfo->fMDIApp = FALSE;
    lpFrameInfo->hwndFrame = ::GetParent(m_hWndHost);
    lpFrameInfo->haccel = nullptr;
    lpFrameInfo->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP COleControlSite::OnPosRectChange(LPCRECT lprcPosRect)
{
    if (m_pInPlaceObject != nullptr)
        m_pInPlaceObject->SetObjectRects(lprcPosRect, lprcPosRect);
    return S_OK;
}

STDMETHODIMP COleControlSite::Invoke(DISPID dispid, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* pVarResult,
                                     EXCEPINFO*, UINT*)
{
    if ((wFlags & DISPATCH_PROPERTYGET) == 0 || pVarResult == nullptr)
        return DISP_E_MEMBERNOTFOUND;
    // The controls run for the user, never in a designer.
    if (dispid == DISPID_AMBIENT_USERMODE) {
        V_VT(pVarResult) = VT_BOOL;
        V_BOOL(pVarResult) = VARIANT_TRUE;
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT COleControlSite::CreateControl(REFCLSID clsid, const std::vector<BYTE>* pInitData)
{
    HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                                    IID_IOleObject, reinterpret_cast<void**>(&m_pObject));
    if (FAILED(hr))
        return hr;

    DWORD miscStatus = 0;
    m_pObject->GetMiscStatus(DVASPECT_CONTENT, &miscStatus);
    if (miscStatus & OLEMISC_SETCLIENTSITEFIRST)
        m_pObject->SetClientSite(this);

    IPersistStreamInit* pPersist = nullptr;
    if (SUCCEEDED(m_pObject->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&pPersist)))) {
        IStream* pStream = nullptr;
        if (pInitData != nullptr && SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, &pStream))) {
            pStream->Write(pInitData->data(), static_cast<ULONG>(pInitData->size()), nullptr);
            LARGE_INTEGER start{};
            pStream->Seek(start, STREAM_SEEK_SET, nullptr);
            hr = pPersist->Load(pStream);
            pStream->Release();
        } else {
            hr = pPersist->InitNew();
        }
        pPersist->Release();
        // A control that does not understand the stream starts from its defaults.
        if (FAILED(hr))
            hr = S_OK;
    }

    if ((miscStatus & OLEMISC_SETCLIENTSITEFIRST) == 0)
        m_pObject->SetClientSite(this);
    m_pObject->SetHostNames(L"Container", nullptr);

    RECT rc;
    ::GetClientRect(m_hWndHost, &rc);
    HDC hdc = ::GetDC(nullptr);
    SIZEL extent = {PixelsToHimetric(rc.right, ::GetDeviceCaps(hdc, LOGPIXELSX)),
                    PixelsToHimetric(rc.bottom, ::GetDeviceCaps(hdc, LOGPIXELSY))};
    ::ReleaseDC(nullptr, hdc);
    m_pObject->SetExtent(DVASPECT_CONTENT, &extent);

    hr = m_pObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, m_hWndHost, &rc);
    if (FAILED(hr))
        return hr;
    m_pObject->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&m_pInPlaceObject));
    m_pObject->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&m_pDispatch));
    ConnectEvents();
    return S_OK;
}

// Advises the sink on the control's default outgoing interface, when the control names one.
void COleControlSite::ConnectEvents()
{
    IProvideClassInfo2* pClassInfo = nullptr;
    if (FAILED(m_pObject->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&pClassInfo))))
        return;
    HRESULT hr = pClassInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &m_sink.m_iid);
    pClassInfo->Release();
    if (FAILED(hr))
        return;
    IConnectionPointContainer* pContainer = nullptr;
    if (FAILED(m_pObject->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&pContainer))))
        return;
    hr = pContainer->FindConnectionPoint(m_sink.m_iid, &m_pConnectionPoint);
    pContainer->Release();
    if (SUCCEEDED(hr) && FAILED(m_pConnectionPoint->Advise(static_cast<IDispatch*>(&m_sink), &m_dwCookie))) {
        m_pConnectionPoint->Release();
        m_pConnectionPoint = nullptr;
    }
}

void COleControlSite::DestroyControl()
{
    if (m_pConnectionPoint != nullptr) {
        m_pConnectionPoint->Unadvise(m_dwCookie);
        m_pConnectionPoint->Release();
        m_pConnectionPoint = nullptr;
    }
    if (m_pInPlaceObject != nullptr) {
        m_pInPlaceObject->InPlaceDeactivate();
        m_pInPlaceObject->Release();
        m_pInPlaceObject = nullptr;
    }
    if (m_pDispatch != nullptr) {
        m_pDispatch->Release();
        m_pDispatch = nullptr;
    }
    if (m_pObject != nullptr) {
        m_pObject->Close(OLECLOSE_NOSAVE);
        m_pObject->SetClientSite(nullptr);
        m_pObject->Release();
        m_pObject = nullptr;
    }
}

void COleControlSite::Resize(int cx, int cy)
{
    if (m_pInPlaceObject == nullptr)
        return;
    RECT rc = {0, 0, cx, cy};
    m_pInPlaceObject->SetObjectRects(&rc, &rc);
}

void COleControlSite::FocusControl()
{
    HWND hWndControl = nullptr;
    if (m_pInPlaceObject != nullptr && SUCCEEDED(m_pInPlaceObject->GetWindow(&hWndControl)))
        ::SetFocus(hWndControl);
}

HRESULT COleControlSite::FireEvent(DISPID dispid, const DISPPARAMS* pParams)
{
    CWnd* pParent = CWnd::FromHandlePermanent(::GetParent(m_hWndHost));
    if (pParent == nullptr)
        return S_OK;
    return pParent->OnEvent(static_cast<UINT>(::GetDlgCtrlID(m_hWndHost)), dispid, pParams);
}
