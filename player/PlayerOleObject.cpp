// The control's side of OLE containment: the client site, in-place activation and ambients.
#include <olectl.h>

#include "PlayerControl.h"
#include "product/PlayerContract.h"

// ---- IOleObject ----

STDMETHODIMP CPlayerControl::SetClientSite(IOleClientSite* pClientSite)
{
    m_site = CComRef<IOleClientSite>(pClientSite);
    m_controlSite.Release();
    if (pClientSite)
        m_controlSite.QueryFrom(pClientSite, IID_IOleControlSite);
    ReadAmbientProperties();
    return S_OK;
}

STDMETHODIMP CPlayerControl::GetClientSite(IOleClientSite** ppClientSite)
{
    return m_site.CopyTo(ppClientSite);
}

STDMETHODIMP CPlayerControl::SetHostNames(LPCOLESTR, LPCOLESTR)
{
    // The names would title an open-editing window, which this control never has.
    return S_OK;
}

STDMETHODIMP CPlayerControl::Close(DWORD dwSaveOption)
{
    InPlaceDeactivate();
    m_engine.Stop();
    if (m_dirty && m_site &&
        (dwSaveOption == OLECLOSE_SAVEIFDIRTY || dwSaveOption == OLECLOSE_PROMPTSAVE))
        m_site->SaveObject();
    if (m_adviseHolder)
        m_adviseHolder->SendOnClose();
    return S_OK;
}

STDMETHODIMP CPlayerControl::SetMoniker(DWORD, IMoniker*)
{
    return E_NOTIMPL;
}

STDMETHODIMP CPlayerControl::GetMoniker(DWORD, DWORD, IMoniker** ppmk)
{
    if (ppmk)
        *ppmk = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CPlayerControl::InitFromData(IDataObject*, BOOL, DWORD)
{
    return E_NOTIMPL;
}

STDMETHODIMP CPlayerControl::GetClipboardData(DWORD, IDataObject** ppDataObject)
{
    if (ppDataObject)
        *ppDataObject = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CPlayerControl::DoVerb(LONG iVerb, LPMSG, IOleClientSite*, LONG, HWND hwndParent,
                                    LPCRECT lprcPosRect)
{
    switch (iVerb) {
    case OLEIVERB_PRIMARY:
    case OLEIVERB_SHOW:
    case OLEIVERB_INPLACEACTIVATE:
        return InPlaceActivate(hwndParent, lprcPosRect);
    case OLEIVERB_UIACTIVATE: {
        HRESULT hr = InPlaceActivate(hwndParent, lprcPosRect);
        if (SUCCEEDED(hr))
            SetFocus(m_video.Handle());
        return hr;
    }
    case OLEIVERB_HIDE:
        if (m_video.Handle())
            ShowWindow(m_video.Handle(), SW_HIDE);
        return S_OK;
    default:
        if (iVerb > 0) {
            HRESULT hr = InPlaceActivate(hwndParent, lprcPosRect);
            return FAILED(hr) ? hr : OLEOBJ_S_INVALIDVERB;
        }
        return E_NOTIMPL;
    }
}

STDMETHODIMP CPlayerControl::EnumVerbs(IEnumOLEVERB** ppEnumOleVerb)
{
    // The registry lists no verbs either: the control has only the standard ones.
    if (ppEnumOleVerb)
        *ppEnumOleVerb = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CPlayerControl::Update()
{
    return S_OK;
}

STDMETHODIMP CPlayerControl::IsUpToDate()
{
    return S_OK;
}

STDMETHODIMP CPlayerControl::GetUserClassID(CLSID* pClsid)
{
    if (!pClsid)
        return E_POINTER;
    *pClsid = CLSID_P2PPlayer;
    return S_OK;
}

STDMETHODIMP CPlayerControl::GetUserType(DWORD dwFormOfType, LPOLESTR* pszUserType)
{
    return OleRegGetUserType(CLSID_P2PPlayer, dwFormOfType, pszUserType);
}

STDMETHODIMP CPlayerControl::SetExtent(DWORD dwDrawAspect, SIZEL* psizel)
{
    if (dwDrawAspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!psizel)
        return E_POINTER;
    m_extent = *psizel;
    return S_OK;
}

STDMETHODIMP CPlayerControl::GetExtent(DWORD dwDrawAspect, SIZEL* psizel)
{
    if (dwDrawAspect != DVASPECT_CONTENT)
        return DV_E_DVASPECT;
    if (!psizel)
        return E_POINTER;
    *psizel = m_extent;
    return S_OK;
}

STDMETHODIMP CPlayerControl::Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection)
{
    if (!m_adviseHolder) {
        HRESULT hr = CreateOleAdviseHolder(m_adviseHolder.Receive());
        if (FAILED(hr))
            return hr;
    }
    return m_adviseHolder->Advise(pAdvSink, pdwConnection);
}

STDMETHODIMP CPlayerControl::Unadvise(DWORD dwConnection)
{
    return m_adviseHolder ? m_adviseHolder->Unadvise(dwConnection) : OLE_E_NOCONNECTION;
}

STDMETHODIMP CPlayerControl::EnumAdvise(IEnumSTATDATA** ppenumAdvise)
{
    if (!ppenumAdvise)
        return E_POINTER;
    *ppenumAdvise = nullptr;
    return m_adviseHolder ? m_adviseHolder->EnumAdvise(ppenumAdvise) : S_OK;
}

STDMETHODIMP CPlayerControl::GetMiscStatus(DWORD, DWORD* pdwStatus)
{
    if (!pdwStatus)
        return E_POINTER;
    *pdwStatus = kPlayerMiscStatus;
    return S_OK;
}

STDMETHODIMP CPlayerControl::SetColorScheme(LOGPALETTE*)
{
    return E_NOTIMPL;
}

// ---- In-place activation ----

HRESULT CPlayerControl::InPlaceActivate(HWND hwndParent, LPCRECT lprcPosRect)
{
    if (m_inPlaceActive) {
        if (m_video.Handle())
            ShowWindow(m_video.Handle(), SW_SHOWNA);
        return S_OK;
    }
    HWND parent = hwndParent;
    bool havePosition = lprcPosRect != nullptr;
    RECT position = havePosition ? *lprcPosRect : RECT{};
    RECT clip = position;
    CComRef<IOleInPlaceSite> site;
    if (m_site && SUCCEEDED(site.QueryFrom(m_site.Get(), IID_IOleInPlaceSite))) {
        if (site->CanInPlaceActivate() != S_OK)
            return E_FAIL;
        site->OnInPlaceActivate();
        HWND siteWindow = nullptr;
        if (SUCCEEDED(site->GetWindow(&siteWindow)) && siteWindow)
            parent = siteWindow;
        CComRef<IOleInPlaceFrame> frame;
        CComRef<IOleInPlaceUIWindow> document;
        OLEINPLACEFRAMEINFO frameInfo{};
        frameInfo.cb = sizeof(frameInfo);
        RECT sitePosition, siteClip;
        if (SUCCEEDED(site->GetWindowContext(frame.Receive(), document.Receive(), &sitePosition, &siteClip,
                                             &frameInfo))) {
            position = sitePosition;
            clip = siteClip;
            havePosition = true;
        }
    }
    bool created = parent && havePosition &&
                   m_video.Create(parent, position, m_settings.borderStyle == PlayerSettings::BorderSingle);
    if (!created) {
        if (site)
            site->OnInPlaceDeactivate();
        return parent && havePosition ? E_FAIL : E_INVALIDARG;
    }
    m_video.SetRects(position, clip);
    m_engine.ShowVideoIn(m_video.Handle());
    m_inPlaceSite = site;
    m_inPlaceActive = true;
    return S_OK;
}

// ---- IOleWindow, IOleInPlaceObject ----

STDMETHODIMP CPlayerControl::GetWindow(HWND* phwnd)
{
    if (!phwnd)
        return E_POINTER;
    *phwnd = m_video.Handle();
    return *phwnd ? S_OK : E_FAIL;
}

STDMETHODIMP CPlayerControl::ContextSensitiveHelp(BOOL)
{
    return E_NOTIMPL;
}

STDMETHODIMP CPlayerControl::InPlaceDeactivate()
{
    if (!m_inPlaceActive)
        return S_OK;
    m_inPlaceActive = false;
    // The renderer's window leaves ours before they are destroyed.
    m_engine.ShowVideoIn(nullptr);
    m_fullScreen.Destroy();
    m_video.Destroy();
    CComRef<IOleInPlaceSite> site = std::move(m_inPlaceSite);
    if (site)
        site->OnInPlaceDeactivate();
    return S_OK;
}

STDMETHODIMP CPlayerControl::UIDeactivate()
{
    // The control never merges menus or tools, so it is never UI-active in OLE's sense.
    return S_OK;
}

STDMETHODIMP CPlayerControl::SetObjectRects(LPCRECT lprcPosRect, LPCRECT lprcClipRect)
{
    if (!lprcPosRect)
        return E_POINTER;
    m_video.SetRects(*lprcPosRect, lprcClipRect ? *lprcClipRect : *lprcPosRect);
    return S_OK;
}

STDMETHODIMP CPlayerControl::ReactivateAndUndo()
{
    return INPLACE_E_NOTUNDOABLE;
}

// ---- IOleControl ----

STDMETHODIMP CPlayerControl::GetControlInfo(CONTROLINFO* pCI)
{
    if (!pCI)
        return E_POINTER;
    if (pCI->cb < sizeof(CONTROLINFO))
        return E_INVALIDARG;
    pCI->hAccel = nullptr;
    pCI->cAccel = 0;
    pCI->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP CPlayerControl::OnMnemonic(MSG*)
{
    // GetControlInfo names no mnemonics, so none arrive.
    return E_NOTIMPL;
}

STDMETHODIMP CPlayerControl::OnAmbientPropertyChange(DISPID)
{
    ReadAmbientProperties();
    return S_OK;
}

STDMETHODIMP CPlayerControl::FreezeEvents(BOOL bFreeze)
{
    if (bFreeze)
        ++m_freezeCount;
    else if (m_freezeCount > 0)
        --m_freezeCount;
    return S_OK;
}

// ---- Ambient properties ----

void CPlayerControl::ReadAmbientProperties()
{
    // In design mode and while the host calls its UI dead, the video ignores the user.
    m_userMode = AmbientBool(DISPID_AMBIENT_USERMODE, true);
    m_uiDead = AmbientBool(DISPID_AMBIENT_UIDEAD, false);
}

bool CPlayerControl::AmbientBool(DISPID dispid, bool fallback) const
{
    CComRef<IDispatch> ambients;
    if (!m_site || FAILED(ambients.QueryFrom(m_site.Get(), IID_IDispatch)))
        return fallback;
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT value;
    VariantInit(&value);
    bool result = fallback;
    if (SUCCEEDED(ambients->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value,
                                   nullptr, nullptr)) &&
        SUCCEEDED(VariantChangeType(&value, &value, 0, VT_BOOL)))
        result = V_BOOL(&value) != VARIANT_FALSE;
    VariantClear(&value);
    return result;
}
