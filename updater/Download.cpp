#include "Download.h"

#include <winhttp.h>

#include <memory>
#include <string>
#include <vector>

#include "UpdateText.h"

namespace {

using CHttpHandle = std::unique_ptr<void, decltype(&::WinHttpCloseHandle)>;

CHttpHandle Own(HINTERNET hInternet)
{
    return CHttpHandle(hInternet, &::WinHttpCloseHandle);
}

// False when the answer has no such header.
bool QueryNumber(HINTERNET hRequest, DWORD dwInfo, DWORD& nValue)
{
    DWORD nSize = sizeof(nValue);
    return ::WinHttpQueryHeaders(hRequest, dwInfo | WINHTTP_QUERY_FLAG_NUMBER, WINHTTP_HEADER_NAME_BY_INDEX, &nValue,
                                 &nSize, WINHTTP_NO_HEADER_INDEX) != FALSE;
}

}  // namespace

bool Download(LPCSTR lpszUrl, const std::function<void(const BYTE* pData, DWORD nSize)>& onData)
{
    const std::wstring url = Widen(lpszUrl);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!::WinHttpCrackUrl(url.c_str(), 0, 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS))
        return false;
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    const std::wstring object = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                                std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);

    CHttpHandle session = Own(::WinHttpOpen(L"ZeziroD2U", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                            WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session || !::WinHttpSetTimeouts(session.get(), kNetworkTimeoutMs, kNetworkTimeoutMs, kNetworkTimeoutMs,
                                          kNetworkTimeoutMs))
        return false;
    CHttpHandle connection = Own(::WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection)
        return false;
    const DWORD dwFlags = WINHTTP_FLAG_REFRESH | (parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0);
    CHttpHandle request = Own(::WinHttpOpenRequest(connection.get(), L"GET", object.c_str(), nullptr,
                                                   WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, dwFlags));
    if (!request ||
        !::WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !::WinHttpReceiveResponse(request.get(), nullptr))
        return false;
    DWORD nStatus = 0;
    DWORD nAnnounced = 0;
    if (!QueryNumber(request.get(), WINHTTP_QUERY_STATUS_CODE, nStatus) || nStatus != HTTP_STATUS_OK)
        return false;
    const bool bAnnounced = QueryNumber(request.get(), WINHTTP_QUERY_CONTENT_LENGTH, nAnnounced);

    std::vector<BYTE> buffer(64 * 1024);
    ULONGLONG nReceived = 0;
    for (DWORD nRead = 0;; nReceived += nRead) {
        if (!::WinHttpReadData(request.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &nRead))
            return false;
        if (nRead == 0)
            break;
        onData(buffer.data(), nRead);
    }
    return !bAnnounced || nReceived == nAnnounced;
}
