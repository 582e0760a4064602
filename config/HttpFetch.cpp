#include "config/HttpFetch.h"

#include <winhttp.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AfxString.h"

namespace config {

CFetchStop::CFetchStop() : m_hCancel(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

CFetchStop::~CFetchStop()
{
    ::CloseHandle(m_hCancel);
}

void CFetchStop::Cancel()
{
    ::SetEvent(m_hCancel);
}

bool CFetchStop::IsCancelled() const
{
    return ::WaitForSingleObject(m_hCancel, 0) == WAIT_OBJECT_0;
}

void CFetchStop::SetTimeLimit(ULONGLONG nStartTick, ULONGLONG nLimitMs)
{
    m_nStartTick = nStartTick;
    m_nLimitMs = nLimitMs;
    m_bLimited = true;
}

DWORD CFetchStop::RemainingMs() const
{
    if (!m_bLimited)
        return INFINITE;
    const ULONGLONG nElapsed = ::GetTickCount64() - m_nStartTick;
    return nElapsed >= m_nLimitMs ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(m_nLimitMs - nElapsed, INFINITE - 1));
}

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

// Where the thread that talks to the server leaves the pieces for the fetching thread, one at a
// time, so that no more is read than that thread has taken.
struct CHandOver {
    std::mutex mutex;
    std::condition_variable taken;
    std::vector<BYTE> piece;
    bool bPiece = false;
    bool bEnded = false;
    bool bComplete = false;
    bool bLeft = false;  // the fetching thread wants nothing more
    HANDLE hArrived = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);

    ~CHandOver() { ::CloseHandle(hArrived); }

    // False once the fetching thread has left.
    bool Give(const BYTE* pData, DWORD nSize)
    {
        std::unique_lock<std::mutex> lock(mutex);
        taken.wait(lock, [this] { return !bPiece || bLeft; });
        if (bLeft)
            return false;
        piece.assign(pData, pData + nSize);
        bPiece = true;
        ::SetEvent(hArrived);
        return true;
    }
    void End(bool bWhole)
    {
        std::lock_guard<std::mutex> lock(mutex);
        bEnded = true;
        bComplete = bWhole;
        ::SetEvent(hArrived);
    }
    void Leave()
    {
        std::lock_guard<std::mutex> lock(mutex);
        bLeft = true;
        taken.notify_all();
    }
};

// The request and its answer, on a thread of its own: whether the whole body came.
bool Receive(const std::wstring& url, CHandOver& handOver)
{
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!::WinHttpCrackUrl(url.c_str(), 0, 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS))
        return false;
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    const std::wstring object = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                                std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);

    CHttpHandle session = Own(::WinHttpOpen(L"Kalda", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
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
        if (!handOver.Give(buffer.data(), nRead))
            return false;
    }
    return !bAnnounced || nReceived == nAnnounced;
}

}  // namespace

FetchResult Fetch(LPCSTR lpszUrl, const std::function<void(const BYTE* pData, DWORD nSize)>& onData,
                  const CFetchStop& stop)
{
    // WinHTTP does not end a read it waits in when its handle is closed: the thread that waits is left
    // behind when the fetch is stopped, and ends by itself within the network timeout.
    const auto handOver = std::make_shared<CHandOver>();
    std::thread([url = Widen(lpszUrl), handOver] { handOver->End(Receive(url, *handOver)); }).detach();
    const std::unique_ptr<CHandOver, void (*)(CHandOver*)> leave(handOver.get(), [](CHandOver* p) { p->Leave(); });

    const HANDLE handles[] = {stop.CancelEvent(), handOver->hArrived};
    for (;;) {
        const DWORD dwWait = ::WaitForMultipleObjects(2, handles, FALSE, stop.RemainingMs());
        if (dwWait == WAIT_OBJECT_0)
            return FetchResult::Cancelled;
        if (dwWait == WAIT_TIMEOUT)
            return FetchResult::TooLate;
        if (dwWait != WAIT_OBJECT_0 + 1)
            return FetchResult::Failed;
        std::vector<BYTE> piece;
        bool bEnded = false;
        bool bComplete = false;
        {
            std::lock_guard<std::mutex> lock(handOver->mutex);
            piece.swap(handOver->piece);
            handOver->bPiece = false;
            bEnded = handOver->bEnded;
            bComplete = handOver->bComplete;
            handOver->taken.notify_all();
        }
        if (!piece.empty())
            onData(piece.data(), static_cast<DWORD>(piece.size()));
        if (bEnded)
            return bComplete ? FetchResult::Complete : FetchResult::Failed;
    }
}

}  // namespace config
