// COleVariant, and the conversions of texts between the ANSI code page and COM.
#include "AfxVariant.h"

#include <vector>

#include "AfxException.h"
#include "AfxOleInternal.h"

namespace {

BSTR AnsiToBstr(LPCSTR lpsz)
{
    int length = ::MultiByteToWideChar(CP_ACP, 0, lpsz, -1, nullptr, 0);
    BSTR bstr = ::SysAllocStringLen(nullptr, length > 0 ? length - 1 : 0);
    if (bstr != nullptr && length > 0)
        ::MultiByteToWideChar(CP_ACP, 0, lpsz, -1, bstr, length);
    return bstr;
}

}  // namespace

CString AfxWideToAnsi(LPCWSTR lpsz, int length)
{
    int size = ::WideCharToMultiByte(CP_ACP, 0, lpsz, length, nullptr, 0, nullptr, nullptr);
    std::vector<char> buffer(static_cast<size_t>(size));
    ::WideCharToMultiByte(CP_ACP, 0, lpsz, length, buffer.data(), size, nullptr, nullptr);
    return CString(buffer.data(), size);
}

COleVariant::COleVariant() { ::VariantInit(this); }

COleVariant::COleVariant(LPCSTR lpszSrc)
{
    ::VariantInit(this);
    V_VT(this) = VT_BSTR;
    V_BSTR(this) = AnsiToBstr(lpszSrc != nullptr ? lpszSrc : "");
}

COleVariant::COleVariant(long lSrc, VARTYPE vtSrc)
{
    ::VariantInit(this);
    V_VT(this) = vtSrc;
    if (vtSrc == VT_BOOL)
        V_BOOL(this) = lSrc ? VARIANT_TRUE : VARIANT_FALSE;
    else if (vtSrc == VT_I2)
        V_I2(this) = static_cast<short>(lSrc);
    else
        V_I4(this) = lSrc;
}

COleVariant::COleVariant(const COleVariant& varSrc)
{
    ::VariantInit(this);
    ::VariantCopy(this, const_cast<COleVariant*>(&varSrc));
}

COleVariant::~COleVariant() { ::VariantClear(this); }

long COleVariant::ToLong() const
{
    COleVariant converted;
    HRESULT hr = ::VariantChangeType(&converted, const_cast<COleVariant*>(this), 0, VT_I4);
    if (FAILED(hr))
        AfxThrowOleException(hr);
    return V_I4(&converted);
}

CString COleVariant::ToString() const
{
    COleVariant converted;
    HRESULT hr = ::VariantChangeType(&converted, const_cast<COleVariant*>(this), 0, VT_BSTR);
    if (FAILED(hr))
        AfxThrowOleException(hr);
    return AfxWideToAnsi(V_BSTR(&converted), static_cast<int>(::SysStringLen(V_BSTR(&converted))));
}
