#include "EventSource.h"

#include <olectl.h>

#include "Enumerators.h"
#include "QuerySingleInterface.h"

CEventSource::~CEventSource()
{
    for (const Sink& sink : m_sinks)
        sink.dispatch->Release();
}

void CEventSource::Fire(DISPID dispid, VARIANTARG* reversedArgs, UINT argCount)
{
    std::vector<IDispatch*> sinks;
    sinks.reserve(m_sinks.size());
    for (const Sink& sink : m_sinks) {
        sink.dispatch->AddRef();
        sinks.push_back(sink.dispatch);
    }
    for (IDispatch* sink : sinks) {
        DISPPARAMS params = {reversedArgs, nullptr, argCount, 0};
        sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        sink->Release();
    }
}

STDMETHODIMP CEventSource::QueryInterface(REFIID riid, void** ppv)
{
    return QuerySingleInterface(static_cast<IConnectionPoint*>(this), IID_IConnectionPoint, riid, ppv);
}

STDMETHODIMP_(ULONG) CEventSource::AddRef() { return m_container.AddRef(); }
STDMETHODIMP_(ULONG) CEventSource::Release() { return m_container.Release(); }

STDMETHODIMP CEventSource::GetConnectionInterface(IID* pIID)
{
    if (!pIID)
        return E_POINTER;
    *pIID = m_eventIid;
    return S_OK;
}

STDMETHODIMP CEventSource::GetConnectionPointContainer(IConnectionPointContainer** ppCPC)
{
    if (!ppCPC)
        return E_POINTER;
    *ppCPC = &m_container;
    m_container.AddRef();
    return S_OK;
}

STDMETHODIMP CEventSource::Advise(IUnknown* pUnkSink, DWORD* pdwCookie)
{
    if (!pdwCookie)
        return E_POINTER;
    *pdwCookie = 0;
    if (!pUnkSink)
        return E_POINTER;
    // Sinks written as plain dispatch objects do not know the event interface's IID.
    IDispatch* dispatch = nullptr;
    if (FAILED(pUnkSink->QueryInterface(m_eventIid, reinterpret_cast<void**>(&dispatch))) &&
        FAILED(pUnkSink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
        return CONNECT_E_CANNOTCONNECT;
    m_sinks.push_back({m_nextCookie, dispatch});
    *pdwCookie = m_nextCookie++;
    return S_OK;
}

STDMETHODIMP CEventSource::Unadvise(DWORD dwCookie)
{
    for (auto it = m_sinks.begin(); it != m_sinks.end(); ++it) {
        if (it->cookie == dwCookie) {
            IDispatch* dispatch = it->dispatch;
            m_sinks.erase(it);
            dispatch->Release();
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

STDMETHODIMP CEventSource::EnumConnections(IEnumConnections** ppEnum)
{
    std::vector<CONNECTDATA> connections;
    for (const Sink& sink : m_sinks)
        connections.push_back({sink.dispatch, sink.cookie});
    return CEnumConnections::Create(connections, ppEnum);
}
