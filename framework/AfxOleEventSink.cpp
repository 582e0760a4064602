// Events of hosted controls: the sink that receives them and the event sink maps that route them to handlers.
#include "AfxOleInternal.h"

STDMETHODIMP CEventSink::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IDispatch || (m_iid != IID_NULL && riid == m_iid)) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

// The sink lives inside its site and shares the site's lifetime.
STDMETHODIMP_(ULONG) CEventSink::AddRef() { return m_pSite->AddRef(); }
STDMETHODIMP_(ULONG) CEventSink::Release() { return m_pSite->Release(); }

STDMETHODIMP CEventSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* pParams, VARIANT*, EXCEPINFO*, UINT*)
{
    return m_pSite->FireEvent(dispid, pParams);
}

const AFX_EVENTSINKMAP* CWnd::GetThisEventSinkMap()
{
    static const AFX_EVENTSINKMAP_ENTRY eventEntries[] = {{0, 0, nullptr, nullptr}};
    static const AFX_EVENTSINKMAP eventSinkMap = {nullptr, &eventEntries[0]};
    return &eventSinkMap;
}

const AFX_EVENTSINKMAP* CWnd::GetEventSinkMap() const { return GetThisEventSinkMap(); }

HRESULT CWnd::OnEvent(UINT nCtlID, DISPID dispid, const DISPPARAMS* pParams)
{
    for (const AFX_EVENTSINKMAP* pMap = GetEventSinkMap(); pMap != nullptr;
         pMap = pMap->pfnGetBaseMap != nullptr ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_EVENTSINKMAP_ENTRY* pEntry = pMap->lpEntries; pEntry->pfnThunk != nullptr; ++pEntry) {
            if (pEntry->nCtlID != nCtlID || pEntry->dispid != dispid)
                continue;
            HRESULT hr = S_OK;
            // The handler runs inside the control's call: nothing may unwind into it.
            AfxCallHandler([&] { hr = pEntry->pfnThunk(this, pEntry->pfn, pParams); });
            return hr;
        }
    }
    return S_OK;  // an event nobody handles is fine for the control
}
