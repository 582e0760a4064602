// CWnd's dispatch helpers: calls, properties and methods of the control a window hosts.
#include "AfxWnd.h"

#include <algorithm>
#include <vector>

#include "AfxException.h"
#include "AfxOleInternal.h"
#include "AfxVariant.h"

IDispatch* CWnd::GetControlDispatch() const
{
    COleControlSite* pSite = m_hWnd != nullptr ? AfxGetControlSite(m_hWnd) : nullptr;
    return pSite != nullptr ? pSite->m_pDispatch : nullptr;
}

void CWnd::InvokeHelper(DISPID dwDispID, WORD wFlags, VARIANT* pvarResult, const VARIANT* pArgs, UINT nArgs)
{
    IDispatch* pDispatch = GetControlDispatch();
    if (pDispatch == nullptr)
        AfxThrowOleException(E_NOINTERFACE);
    // IDispatch takes the arguments last first.
    std::vector<VARIANTARG> reversed(pArgs, pArgs + nArgs);
    std::reverse(reversed.begin(), reversed.end());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {reversed.data(), nullptr, nArgs, 0};
    if (wFlags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    EXCEPINFO info{};
    HRESULT hr = pDispatch->Invoke(dwDispID, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &params, pvarResult, &info, nullptr);
    if (FAILED(hr)) {
        CString description;
        if (hr == DISP_E_EXCEPTION && info.bstrDescription != nullptr)
            description = AfxWideToAnsi(info.bstrDescription, static_cast<int>(::SysStringLen(info.bstrDescription)));
        ::SysFreeString(info.bstrSource);
        ::SysFreeString(info.bstrDescription);
        ::SysFreeString(info.bstrHelpFile);
        AfxThrowOleException(hr, description.IsEmpty() ? nullptr : static_cast<LPCSTR>(description));
    }
}

void CWnd::SetProperty(DISPID dwDispID, const COleVariant& value)
{
    InvokeHelper(dwDispID, DISPATCH_PROPERTYPUT, nullptr, &value, 1);
}

COleVariant CWnd::GetProperty(DISPID dwDispID)
{
    COleVariant result;
    InvokeHelper(dwDispID, DISPATCH_PROPERTYGET, &result, nullptr, 0);
    return result;
}

void CWnd::InvokeMethod(DISPID dwDispID)
{
    InvokeHelper(dwDispID, DISPATCH_METHOD, nullptr, nullptr, 0);
}
