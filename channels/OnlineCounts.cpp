#include "channels/OnlineCounts.h"

#include <algorithm>
#include <cstdio>

#include "AfxException.h"
#include "AfxVariant.h"

namespace {

// The version-independent DOM document of the platform's XML parser.
const CLSID CLSID_XmlDocument = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const IID IID_XmlDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

constexpr long kCountNode = 8;  // the ninth child of a channel's record

CComRef<IXMLDOMNode> ChildNode(IXMLDOMNode* pParent, long nIndex)
{
    CComRef<IXMLDOMNodeList> list;
    CComRef<IXMLDOMNode> node;
    if (SUCCEEDED(pParent->get_childNodes(list.Receive())) && list)
        list->get_item(nIndex, node.Receive());
    return node;
}

// A DTD is where entities that expand or fetch from elsewhere are declared, and not every parser
// refuses one when asked, nor bounds what it expands: a document that names one is never parsed.
bool NamesDocumentType(const std::string& bytes)
{
    const std::string ascii = "<!DOCTYPE";
    std::string utf16le, utf16be;
    for (char ch : ascii) {
        utf16le += std::string{ch, '\0'};
        utf16be += std::string{'\0', ch};
    }
    return bytes.find(ascii) != std::string::npos || bytes.find(utf16le) != std::string::npos ||
           bytes.find(utf16be) != std::string::npos;
}

void ReportComError(HRESULT hr)
{
    char message[256];
    COleException(hr).GetErrorMessage(message, sizeof(message));
    std::printf("COM错误：%s\n", message);
    std::fflush(stdout);
}

}  // namespace

bool LoadDocument(IXMLDOMDocument* pDocument, const std::string& bytes)
{
    if (NamesDocumentType(bytes))
        return false;
    SAFEARRAY* pBytes = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (pBytes == nullptr)
        return false;
    void* pData = nullptr;
    ::SafeArrayAccessData(pBytes, &pData);
    std::copy(bytes.begin(), bytes.end(), static_cast<char*>(pData));
    ::SafeArrayUnaccessData(pBytes);
    COleVariant source;
    V_VT(&source) = VT_ARRAY | VT_UI1;
    V_ARRAY(&source) = pBytes;  // the variant owns it from here on
    VARIANT_BOOL loaded = VARIANT_FALSE;
    return SUCCEEDED(pDocument->load(source, &loaded)) && loaded == VARIANT_TRUE;
}

HRESULT CreateXmlDocument(CComRef<IXMLDOMDocument2>& document)
{
    CComRef<IUnknown> unknown;
    HRESULT hr = ::CoCreateInstance(CLSID_XmlDocument, nullptr, CLSCTX_ALL, IID_IUnknown,
                                    reinterpret_cast<void**>(unknown.Receive()));
    if (FAILED(hr) || FAILED(hr = ::OleRun(unknown.Get())) ||
        FAILED(hr = document.QueryFrom(unknown.Get(), IID_XmlDocument2)))
        return hr;
    if (FAILED(hr = document->put_async(VARIANT_FALSE)))
        return hr;
    COleVariant prohibit(TRUE, VT_BOOL);
    BSTR prohibitDtd = ::SysAllocString(L"ProhibitDTD");
    hr = document->setProperty(prohibitDtd, prohibit);
    ::SysFreeString(prohibitDtd);
    if (FAILED(hr))
        return hr;
    return document->put_resolveExternals(VARIANT_FALSE);
}

bool ReadOnlineCounts(IXMLDOMDocument* pDocument, CString (&counts)[kCountedChannels])
{
    CComRef<IXMLDOMElement> root;
    if (FAILED(pDocument->get_documentElement(root.Receive())) || !root)
        return false;
    for (long i = 0; i < kCountedChannels; ++i) {
        CComRef<IXMLDOMNode> record = ChildNode(root.Get(), i);
        CComRef<IXMLDOMNode> count = record ? ChildNode(record.Get(), kCountNode) : CComRef<IXMLDOMNode>();
        BSTR text = nullptr;
        if (!count || FAILED(count->get_text(&text)))
            return false;
        COleVariant value;  // owns the text from here on
        V_VT(&value) = VT_BSTR;
        V_BSTR(&value) = text;
        counts[i] = value.ToString();
    }
    return true;
}

void COnlineCounts::Refresh(LPCSTR lpszIniFile, HWND hWndNotify)
{
    // A fetch whose message has not come yet has still ended: only one that runs makes this wait.
    OnFetched();
    if (m_fetch.IsActive())
        return;
    config::ReadString(config::kXmlUrl, lpszIniFile, m_szXmlUrl);
    m_fetch.Start(m_szXmlUrl, hWndNotify, WM_COUNTSFETCHED);
}

void COnlineCounts::RefreshNow(LPCSTR lpszIniFile)
{
    Refresh(lpszIniFile, nullptr);
    m_fetch.Wait();
    OnFetched();
}

void COnlineCounts::OnFetched()
{
    if (!m_fetch.HasEnded())
        return;
    const std::optional<std::string> fetched = m_fetch.TakeResult();
    CComRef<IXMLDOMDocument2> document;
    HRESULT hr = CreateXmlDocument(document);
    if (FAILED(hr)) {
        ReportComError(hr);
        return;
    }
    CString counts[kCountedChannels];
    const bool bRead = fetched && LoadDocument(document.Get(), *fetched) && ReadOnlineCounts(document.Get(), counts);
    for (int i = 0; i < kCountedChannels; ++i)
        m_arrOnlineCount.SetAtGrow(i, bRead ? static_cast<LPCSTR>(counts[i]) : kCountUnavailable);
}

LPCSTR COnlineCounts::CountOf(int nChannel) const
{
    return nChannel < m_arrOnlineCount.GetSize() ? static_cast<LPCSTR>(m_arrOnlineCount.GetAt(nChannel))
                                                 : kCountUnavailable;
}
