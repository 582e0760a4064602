// The control's late-bound interface: members by name and by dispid, arguments as the
// Automation callers pass them.
#include <windows.h>
#include <oleauto.h>

#include <iterator>

#include "PlayerControl.h"
#include "product/PlayerContract.h"

namespace {

enum MemberKind : unsigned { Get = 1, Put = 2, Method = 4 };

struct Member {
    DISPID dispid;
    LPCWSTR name;
    unsigned kinds;
    VARTYPE type;
};

const Member kMembers[] = {
    {PLAYER_DISPID_URL, L"URL", Get | Put, VT_BSTR},
    {PLAYER_DISPID_VOLUME, L"Volume", Get | Put, VT_I4},
    {PLAYER_DISPID_PLAYSTATE, L"PlayState", Get, VT_I4},
    {PLAYER_DISPID_FULLSCREEN, L"FullScreen", Get | Put, VT_BOOL},
    {PLAYER_DISPID_CONTEXTMENU, L"EnableContextMenu", Get | Put, VT_BOOL},
    {PLAYER_DISPID_IDLEPICTURE, L"IdlePicture", Get | Put, VT_BSTR},
    {PLAYER_DISPID_PAUSE, L"Pause", Method, VT_EMPTY},
    {PLAYER_DISPID_STOP, L"Stop", Method, VT_EMPTY},
    {PLAYER_DISPID_RESUME, L"Resume", Method, VT_EMPTY},
};

const Member* FindMember(DISPID dispid)
{
    for (const Member& member : kMembers)
        if (member.dispid == dispid)
            return &member;
    return nullptr;
}

std::wstring FromBstr(BSTR text)
{
    return std::wstring(text ? text : L"", SysStringLen(text));
}

HRESULT ReturnBstr(const std::wstring& text, VARIANT* result)
{
    V_VT(result) = VT_BSTR;
    V_BSTR(result) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return V_BSTR(result) ? S_OK : E_OUTOFMEMORY;
}

void ReturnI4(LONG value, VARIANT* result)
{
    V_VT(result) = VT_I4;
    V_I4(result) = value;
}

void ReturnBool(bool value, VARIANT* result)
{
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
}

}  // namespace

STDMETHODIMP CPlayerControl::GetTypeInfoCount(UINT* pctinfo)
{
    if (!pctinfo)
        return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

STDMETHODIMP CPlayerControl::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo)
{
    if (ppTInfo)
        *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
}

STDMETHODIMP CPlayerControl::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId)
{
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (!rgszNames || !rgDispId)
        return E_POINTER;
    if (cNames == 0)
        return E_INVALIDARG;
    for (UINT i = 0; i < cNames; ++i)
        rgDispId[i] = DISPID_UNKNOWN;
    for (const Member& member : kMembers) {
        if (rgszNames[0] && lstrcmpiW(rgszNames[0], member.name) == 0) {
            rgDispId[0] = member.dispid;
            // No member takes named arguments.
            return cNames == 1 ? S_OK : DISP_E_UNKNOWNNAME;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

STDMETHODIMP CPlayerControl::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                                    VARIANT* pVarResult, EXCEPINFO*, UINT* puArgErr)
{
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (!pDispParams || (pDispParams->cArgs && !pDispParams->rgvarg) ||
        (pDispParams->cNamedArgs && !pDispParams->rgdispidNamedArgs))
        return E_INVALIDARG;
    const Member* member = FindMember(dispIdMember);
    if (!member)
        return DISP_E_MEMBERNOTFOUND;
    if (pVarResult)
        VariantInit(pVarResult);

    // Script hosts ask for a method as DISPATCH_METHOD | DISPATCH_PROPERTYGET.
    if ((member->kinds & Method) && (wFlags & DISPATCH_METHOD)) {
        if (pDispParams->cNamedArgs)
            return DISP_E_NONAMEDARGS;
        if (pDispParams->cArgs)
            return DISP_E_BADPARAMCOUNT;
        return CallMethod(dispIdMember);
    }
    if ((member->kinds & Put) && (wFlags & DISPATCH_PROPERTYPUT)) {
        if (pDispParams->cArgs != 1)
            return DISP_E_BADPARAMCOUNT;
        // The value comes as the named argument DISPID_PROPERTYPUT; older callers leave the name out.
        if (pDispParams->cNamedArgs > 1 ||
            (pDispParams->cNamedArgs == 1 && pDispParams->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
            return DISP_E_NONAMEDARGS;
        VARIANT value;
        VariantInit(&value);
        HRESULT hr = VariantCopyInd(&value, &pDispParams->rgvarg[0]);
        if (SUCCEEDED(hr))
            hr = VariantChangeType(&value, &value, 0, member->type);
        if (FAILED(hr)) {
            VariantClear(&value);
            if (puArgErr)
                *puArgErr = 0;
            return DISP_E_TYPEMISMATCH;
        }
        hr = PutProperty(dispIdMember, value);
        VariantClear(&value);
        return hr;
    }
    if ((member->kinds & Get) && (wFlags & DISPATCH_PROPERTYGET)) {
        if (pDispParams->cNamedArgs)
            return DISP_E_NONAMEDARGS;
        if (pDispParams->cArgs)
            return DISP_E_BADPARAMCOUNT;
        if (!pVarResult)
            return E_INVALIDARG;
        return GetProperty(dispIdMember, pVarResult);
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT CPlayerControl::GetProperty(DISPID dispid, VARIANT* result)
{
    switch (dispid) {
    case PLAYER_DISPID_URL:
        return ReturnBstr(m_engine.Address(), result);
    case PLAYER_DISPID_VOLUME:
        ReturnI4(m_engine.Volume(), result);
        return S_OK;
    case PLAYER_DISPID_PLAYSTATE:
        ReturnI4(m_engine.State(), result);
        return S_OK;
    case PLAYER_DISPID_FULLSCREEN:
        ReturnBool(m_fullScreen.IsShown(), result);
        return S_OK;
    case PLAYER_DISPID_CONTEXTMENU:
        ReturnBool(m_contextMenu, result);
        return S_OK;
    case PLAYER_DISPID_IDLEPICTURE:
        return ReturnBstr(m_idlePicture, result);
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT CPlayerControl::PutProperty(DISPID dispid, const VARIANT& value)
{
    switch (dispid) {
    case PLAYER_DISPID_URL:
        Play(FromBstr(V_BSTR(&value)));
        return S_OK;
    case PLAYER_DISPID_VOLUME:
        m_engine.SetVolume(V_I4(&value));
        m_dirty = true;
        InvalidateViews();
        return S_OK;
    case PLAYER_DISPID_FULLSCREEN:
        return SetFullScreen(V_BOOL(&value) != VARIANT_FALSE);
    case PLAYER_DISPID_CONTEXTMENU:
        m_contextMenu = V_BOOL(&value) != VARIANT_FALSE;
        return S_OK;
    case PLAYER_DISPID_IDLEPICTURE:
        m_idlePicture = FromBstr(V_BSTR(&value));
        // A picture that does not load leaves the plain background, as documented for hosts.
        m_renderer.SetIdlePicture(m_idlePicture);
        InvalidateViews();
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT CPlayerControl::CallMethod(DISPID dispid)
{
    switch (dispid) {
    case PLAYER_DISPID_PAUSE:
        m_engine.Pause();
        return S_OK;
    case PLAYER_DISPID_STOP:
        m_engine.Stop();
        return S_OK;
    case PLAYER_DISPID_RESUME:
        m_engine.Resume();
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}
