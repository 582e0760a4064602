// The platform's parts of a start-up or a refresh alone, without the client's code around them: the
// floors the benchmarks measure the client against.
#pragma once

#include <windows.h>
#include <winhttp.h>

#include <optional>
#include <string>

#include "AfxString.h"
#include "AfxVariant.h"
#include "channels/OnlineCounts.h"

// A document as the platform's HTTP client that the fetch uses brings it, bare: one request on this
// thread, no limits, no thread of its own.
inline std::optional<std::string> BareFetch(const std::string& url)
{
    const std::wstring wideUrl = Widen(url.c_str());
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = parts.dwUrlPathLength = static_cast<DWORD>(-1);
    if (!::WinHttpCrackUrl(wideUrl.c_str(), 0, 0, &parts))
        return std::nullopt;
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    const std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    HINTERNET hSession = ::WinHttpOpen(L"Kalda", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                       WINHTTP_NO_PROXY_BYPASS, 0);
    HINTERNET hConnection = hSession ? ::WinHttpConnect(hSession, host.c_str(), parts.nPort, 0) : nullptr;
    HINTERNET hRequest = hConnection ? ::WinHttpOpenRequest(hConnection, L"GET", path.c_str(), nullptr,
                                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                            WINHTTP_FLAG_REFRESH)
                                     : nullptr;
    bool bRead = hRequest != nullptr &&
                 ::WinHttpSendRequest(hRequest, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) &&
                 ::WinHttpReceiveResponse(hRequest, nullptr);
    std::string body;
    char buffer[8192];
    DWORD nRead = 0;
    while (bRead && (bRead = ::WinHttpReadData(hRequest, buffer, sizeof(buffer), &nRead) != FALSE) && nRead != 0)
        body.append(buffer, nRead);
    for (HINTERNET h : {hRequest, hConnection, hSession}) {
        if (h != nullptr)
            ::WinHttpCloseHandle(h);
    }
    return bRead ? std::optional<std::string>(body) : std::nullopt;
}

// The document parsed by the XML component, set up as the client sets it up.
inline bool BareParse(const std::string& document)
{
    CComRef<IXMLDOMDocument2> parser;
    COleVariant text(document.c_str());
    VARIANT_BOOL loaded = VARIANT_FALSE;
    return SUCCEEDED(CreateXmlDocument(parser)) && SUCCEEDED(parser->loadXML(V_BSTR(&text), &loaded)) &&
           loaded == VARIANT_TRUE;
}
