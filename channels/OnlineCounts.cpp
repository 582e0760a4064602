#include "mainwnd/TvClientDlg.h"

#include <msxml2.h>

#include <cstdio>
#include <memory>

#include "channels/OnlineCountText.h"

namespace {

// The version-independent DOM document of the platform's XML parser.
const CLSID CLSID_XmlDocument = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};
const IID IID_XmlDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

constexpr long kCountedChannels = 15;
constexpr long kCountNode = 8;  // the ninth child of a channel's record

struct ComReleaser {
    void operator()(IUnknown* p) const { p->Release(); }
};
template <typename T>
using ComPtr = std::unique_ptr<T, ComReleaser>;

// A parser that loads synchronously and never follows a document to a DTD or another address.
HRESULT CreateXmlDocument(ComPtr<IXMLDOMDocument2>& document)
{
    IUnknown* pUnknown = nullptr;
    HRESULT hr = ::CoCreateInstance(CLSID_XmlDocument, nullptr, CLSCTX_ALL, IID_IUnknown,
                                    reinterpret_cast<void**>(&pUnknown));
    if (FAILED(hr))
        return hr;
    ComPtr<IUnknown> unknown(pUnknown);
    if (FAILED(hr = ::OleRun(pUnknown)))
        return hr;
    IXMLDOMDocument2* pDocument = nullptr;
    if (FAILED(hr = pUnknown->QueryInterface(IID_XmlDocument2, reinterpret_cast<void**>(&pDocument))))
        return hr;
    document.reset(pDocument);
    if (FAILED(hr = document->put_async(VARIANT_FALSE)))
        return hr;
    BSTR prohibitDtd = ::SysAllocString(L"ProhibitDTD");
    VARIANT yes;
    V_VT(&yes) = VT_BOOL;
    V_BOOL(&yes) = VARIANT_TRUE;
    hr = document->setProperty(prohibitDtd, yes);
    ::SysFreeString(prohibitDtd);
    if (FAILED(hr))
        return hr;
    return document->put_resolveExternals(VARIANT_FALSE);
}

ComPtr<IXMLDOMNode> ChildNode(IXMLDOMNode* pParent, long nIndex)
{
    IXMLDOMNodeList* pList = nullptr;
    if (FAILED(pParent->get_childNodes(&pList)) || pList == nullptr)
        return nullptr;
    ComPtr<IXMLDOMNodeList> list(pList);
    IXMLDOMNode* pNode = nullptr;
    if (FAILED(list->get_item(nIndex, &pNode)))
        return nullptr;
    return ComPtr<IXMLDOMNode>(pNode);
}

// The counts of channels 0 to 14; false when the document lacks any of them.
bool ReadCounts(IXMLDOMDocument2* pDocument, const COleVariant& address, CString (&counts)[kCountedChannels])
{
    VARIANT_BOOL loaded;
    // A failed download or parse shows up as a missing document element.
    pDocument->load(address, &loaded);
    IXMLDOMElement* pRoot = nullptr;
    if (FAILED(pDocument->get_documentElement(&pRoot)) || pRoot == nullptr)
        return false;
    ComPtr<IXMLDOMElement> root(pRoot);
    for (long i = 0; i < kCountedChannels; ++i) {
        ComPtr<IXMLDOMNode> record = ChildNode(root.get(), i);
        ComPtr<IXMLDOMNode> count = record ? ChildNode(record.get(), kCountNode) : nullptr;
        BSTR text = nullptr;
        if (!count || FAILED(count->get_text(&text)))
            return false;
        COleVariant value;
        V_VT(&value) = VT_BSTR;
        V_BSTR(&value) = text;
        counts[i] = value.ToString();
    }
    return true;
}

void ReportComError(HRESULT hr)
{
    char message[256];
    COleException(hr).GetErrorMessage(message, sizeof(message));
    std::printf("COM错误：%s\n", message);
    std::fflush(stdout);
}

}  // namespace

void CTvClientDlg::RefreshOnlineCounts()
{
    config::ReadString(config::kXmlUrl, m_strIniFile, m_szXmlUrl);
    ComPtr<IXMLDOMDocument2> document;
    HRESULT hr = CreateXmlDocument(document);
    if (FAILED(hr)) {
        ReportComError(hr);
        return;
    }
    COleVariant address(m_szXmlUrl);
    if (V_BSTR(&address) == nullptr) {
        ReportComError(E_OUTOFMEMORY);
        return;
    }
    CString counts[kCountedChannels];
    bool bRead = ReadCounts(document.get(), address, counts);
    for (long i = 0; i < kCountedChannels; ++i)
        m_arrOnlineCount.SetAtGrow(i, bRead ? static_cast<LPCSTR>(counts[i]) : kCountUnavailable);
}

void CTvClientDlg::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == TIMER_CHANNEL_REFRESH)
        RefreshOnlineCounts();
}
