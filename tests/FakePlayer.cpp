#include "FakePlayer.h"

#include <cstdio>

namespace {

const CLSID CLSID_Player = {0x18226BF8, 0xDC0B, 0x4D81, {0x80, 0xE9, 0xA4, 0x1A, 0xE3, 0x7B, 0xB7, 0x3A}};

std::string Describe(const VARIANT& value)
{
    VARIANT text;
    ::VariantInit(&text);
    if (V_VT(&value) == VT_BOOL)
        return V_BOOL(&value) ? "true" : "false";
    if (FAILED(::VariantChangeType(&text, const_cast<VARIANT*>(&value), 0, VT_BSTR)))
        return "?";
    int size = ::WideCharToMultiByte(CP_ACP, 0, V_BSTR(&text), -1, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size > 0 ? size - 1 : 0), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, V_BSTR(&text), -1, &result[0], size, nullptr, nullptr);
    ::VariantClear(&text);
    return result;
}

class CFakePlayer final : public IOleObject, public IDispatch {
public:
    explicit CFakePlayer(CFakePlayerRegistration* pOwner) : m_pOwner(pOwner) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IOleObject)
            *ppv = static_cast<IOleObject*>(this);
        else if (riid == IID_IDispatch)
            *ppv = static_cast<IDispatch*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
    STDMETHODIMP_(ULONG) Release() override
    {
        ULONG cRef = --m_cRef;
        if (cRef == 0)
            delete this;
        return cRef;
    }

    // IOleObject: only what in-place hosting asks for.
    STDMETHODIMP SetClientSite(IOleClientSite*) override { return S_OK; }
    STDMETHODIMP GetClientSite(IOleClientSite**) override { return E_NOTIMPL; }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD) override { return S_OK; }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) override { return S_OK; }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* pClsid) override
    {
        *pClsid = CLSID_Player;
        return S_OK;
    }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return S_OK; }
    STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* pStatus) override
    {
        *pStatus = 0;
        return S_OK;
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IDispatch: records every call and keeps the two values the client reads.
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override
    {
        *pctinfo = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD wFlags, DISPPARAMS* pParams, VARIANT* pResult, EXCEPINFO*,
                        UINT*) override
    {
        char call[32];
        if (wFlags & DISPATCH_PROPERTYPUT) {
            if (pParams->cArgs != 1)
                return DISP_E_BADPARAMCOUNT;
            std::snprintf(call, sizeof(call), "put %ld ", static_cast<long>(dispid));
            m_pOwner->m_calls.push_back(call + Describe(pParams->rgvarg[0]));
            if (dispid == 5)
                m_pOwner->m_nVolume = V_I4(&pParams->rgvarg[0]);
            return S_OK;
        }
        if (wFlags & DISPATCH_PROPERTYGET) {
            std::snprintf(call, sizeof(call), "get %ld", static_cast<long>(dispid));
            m_pOwner->m_calls.push_back(call);
            V_VT(pResult) = VT_I4;
            V_I4(pResult) = dispid == 5 ? m_pOwner->m_nVolume : m_pOwner->m_nPlayState;
            return S_OK;
        }
        std::snprintf(call, sizeof(call), "call %ld", static_cast<long>(dispid));
        m_pOwner->m_calls.push_back(call);
        return S_OK;
    }

private:
    ~CFakePlayer() = default;
    ULONG m_cRef = 1;
    CFakePlayerRegistration* m_pOwner;
};

class CFakePlayerFactory final : public IClassFactory {
public:
    CFakePlayerFactory(CFakePlayerRegistration* pOwner, bool bCreatable) : m_pOwner(pOwner), m_bCreatable(bCreatable) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
    STDMETHODIMP_(ULONG) Release() override
    {
        ULONG cRef = --m_cRef;
        if (cRef == 0)
            delete this;
        return cRef;
    }
    STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (!m_bCreatable)
            return REGDB_E_CLASSNOTREG;
        if (pOuter != nullptr)
            return CLASS_E_NOAGGREGATION;
        CFakePlayer* pPlayer = new CFakePlayer(m_pOwner);
        HRESULT hr = pPlayer->QueryInterface(riid, ppv);
        pPlayer->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    ~CFakePlayerFactory() = default;
    ULONG m_cRef = 1;
    CFakePlayerRegistration* m_pOwner;
    bool m_bCreatable;
};

}  // namespace

CFakePlayerRegistration::CFakePlayerRegistration(bool bCreatable)
    : m_pFactory(new CFakePlayerFactory(this, bCreatable))
{
    ::CoRegisterClassObject(CLSID_Player, m_pFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &m_dwCookie);
}

CFakePlayerRegistration::~CFakePlayerRegistration()
{
    ::CoRevokeClassObject(m_dwCookie);
    m_pFactory->Release();
}
