// The control's connection point for its event dispinterface. It lives inside the control and
// shares its reference count, so a host's reference to it keeps the control alive.
#pragma once

#include <ocidl.h>

#include <vector>

class CEventSource final : public IConnectionPoint {
public:
    CEventSource(IConnectionPointContainer& container, const IID& eventIid)
        : m_container(container), m_eventIid(eventIid) {}
    ~CEventSource();
    CEventSource(const CEventSource&) = delete;
    CEventSource& operator=(const CEventSource&) = delete;

    // Calls every sink in turn; a sink may advise or unadvise from its handler.
    void Fire(DISPID dispid, VARIANTARG* reversedArgs, UINT argCount);

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetConnectionInterface(IID* pIID) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** ppCPC) override;
    STDMETHODIMP Advise(IUnknown* pUnkSink, DWORD* pdwCookie) override;
    STDMETHODIMP Unadvise(DWORD dwCookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** ppEnum) override;

private:
    struct Sink {
        DWORD cookie;
        IDispatch* dispatch;
    };

    IConnectionPointContainer& m_container;
    const IID m_eventIid;
    std::vector<Sink> m_sinks;
    DWORD m_nextCookie = 1;
};
