#include "FakePlayer.h"

#include "product/PlayerContract.h"

namespace {

std::string Describe(const VARIANT& value)
{
    if (V_VT(&value) == VT_BOOL)
        return V_BOOL(&value) ? "true" : "false";
    VARIANT text{};  // VT_EMPTY
    char result[1024] = "?";
    if (SUCCEEDED(::VariantChangeType(&text, const_cast<VARIANT*>(&value), 0, VT_BSTR)))
        ::WideCharToMultiByte(CP_ACP, 0, V_BSTR(&text), -1, result, sizeof(result), nullptr, nullptr);
    ::VariantClear(&text);
    return result;
}

// IUnknown for a class implementing the interfaces Is; the first of them answers for IUnknown.
template <class First, class... Is>
class CUnknown : public First, public Is... {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = riid == IID_IUnknown || riid == __uuidof(First) ? static_cast<First*>(this) : nullptr;
        ((riid == __uuidof(Is) && (*ppv = static_cast<Is*>(this))), ...);
        if (*ppv == nullptr)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG cRef = --m_cRef;
        if (cRef == 0)
            delete this;
        return cRef;
    }

protected:
    virtual ~CUnknown() = default;
    ULONG m_cRef = 1;
};

class CFakePlayer final : public CUnknown<IOleObject, IDispatch> {
public:
    explicit CFakePlayer(CFakePlayerRegistration* pOwner) : m_pOwner(pOwner) {}

    // IOleObject: only what in-place hosting asks for; IDispatch: no type information.
#define STUB(result, method, ...) STDMETHODIMP method(__VA_ARGS__) override { return result; }
    STUB(S_OK, SetClientSite, IOleClientSite*) STUB(S_OK, SetHostNames, LPCOLESTR, LPCOLESTR) STUB(S_OK, Close, DWORD)
    STUB(S_OK, DoVerb, LONG, LPMSG, IOleClientSite*, LONG, HWND, LPCRECT) STUB(S_OK, Update) STUB(S_OK, IsUpToDate)
    STUB(S_OK, SetExtent, DWORD, SIZEL*) STUB(E_NOTIMPL, GetClientSite, IOleClientSite**)
    STUB(E_NOTIMPL, SetMoniker, DWORD, IMoniker*) STUB(E_NOTIMPL, GetMoniker, DWORD, DWORD, IMoniker**)
    STUB(E_NOTIMPL, InitFromData, IDataObject*, BOOL, DWORD) STUB(E_NOTIMPL, GetClipboardData, DWORD, IDataObject**)
    STUB(E_NOTIMPL, EnumVerbs, IEnumOLEVERB**) STUB(E_NOTIMPL, GetUserType, DWORD, LPOLESTR*)
    STUB(E_NOTIMPL, GetExtent, DWORD, SIZEL*) STUB(E_NOTIMPL, Advise, IAdviseSink*, DWORD*)
    STUB(E_NOTIMPL, Unadvise, DWORD) STUB(E_NOTIMPL, EnumAdvise, IEnumSTATDATA**)
    STUB(E_NOTIMPL, SetColorScheme, LOGPALETTE*) STUB(E_NOTIMPL, GetTypeInfo, UINT, LCID, ITypeInfo**)
    STUB(E_NOTIMPL, GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
    STDMETHODIMP GetUserClassID(CLSID* pClsid) override { return *pClsid = CLSID_P2PPlayer, S_OK; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* pStatus) override { return *pStatus = 0, S_OK; }
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override { return *pctinfo = 0, S_OK; }

    // Records every call and keeps the two values the client reads.
    STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD wFlags, DISPPARAMS* pParams, VARIANT* pResult, EXCEPINFO*,
                        UINT*) override
    {
        if (wFlags & DISPATCH_PROPERTYPUT) {
            if (pParams->cArgs != 1)
                return DISP_E_BADPARAMCOUNT;
            m_pOwner->m_calls.push_back("put " + std::to_string(dispid) + " " + Describe(pParams->rgvarg[0]));
            if (dispid == PLAYER_DISPID_VOLUME)
                m_pOwner->m_nVolume = V_I4(&pParams->rgvarg[0]);
        } else if (wFlags & DISPATCH_PROPERTYGET) {
            m_pOwner->m_calls.push_back("get " + std::to_string(dispid));
            V_VT(pResult) = VT_I4;
            V_I4(pResult) = dispid == PLAYER_DISPID_VOLUME ? m_pOwner->m_nVolume : m_pOwner->m_nPlayState;
        } else {
            m_pOwner->m_calls.push_back("call " + std::to_string(dispid));
        }
        return S_OK;
    }

private:
    CFakePlayerRegistration* m_pOwner;
};

class CFakePlayerFactory final : public CUnknown<IClassFactory> {
public:
    CFakePlayerFactory(CFakePlayerRegistration* pOwner, bool bCreatable) : m_pOwner(pOwner), m_bCreatable(bCreatable) {}

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
    CFakePlayerRegistration* m_pOwner;
    bool m_bCreatable;
};

}  // namespace

CFakePlayerRegistration::CFakePlayerRegistration(bool bCreatable) : m_pFactory(new CFakePlayerFactory(this, bCreatable))
{
    ::CoRegisterClassObject(CLSID_P2PPlayer, m_pFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &m_dwCookie);
}

CFakePlayerRegistration::~CFakePlayerRegistration()
{
    ::CoRevokeClassObject(m_dwCookie);
    m_pFactory->Release();
}
