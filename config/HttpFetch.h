// Fetching an address over HTTP with WinHTTP, for the client's documents and the updater's files
// alike: every wait bounded, and left at once on a cancel or at the deadline.
#pragma once

#include <windows.h>

#include <functional>

namespace config {

// A server that stays silent this long, while connecting or while sending, ends the fetch.
constexpr DWORD kNetworkTimeoutMs = 10000;

// What ends a fetch before the server does: a cancel, from any thread, and a deadline.
class CFetchStop {
public:
    CFetchStop();
    ~CFetchStop();
    CFetchStop(const CFetchStop&) = delete;
    CFetchStop& operator=(const CFetchStop&) = delete;

    // From any thread.
    void Cancel();
    // Set once Cancel() has been called.
    HANDLE CancelEvent() const { return m_hCancel; }
    bool IsCancelled() const;

    // The fetches must have ended nLimitMs after nStartTick, a GetTickCount64() value.
    void SetTimeLimit(ULONGLONG nStartTick, ULONGLONG nLimitMs);
    ULONGLONG TimeLimitMs() const { return m_nLimitMs; }
    // Until the deadline; INFINITE while there is none.
    DWORD RemainingMs() const;

private:
    HANDLE m_hCancel;
    ULONGLONG m_nStartTick = 0;
    ULONGLONG m_nLimitMs = 0;
    bool m_bLimited = false;
};

enum class FetchResult { Complete, Failed, Cancelled, TooLate };

// Fetches an http:// or https:// address and hands each piece of the answer's body to onData as it
// comes, on the calling thread. Failed when the address is not one, the server cannot be reached,
// answers other than 200, stays silent for kNetworkTimeoutMs, or ends before the length it announced;
// Cancelled or TooLate as soon as the stop is cancelled or its deadline has passed, whatever the
// server does. Whatever onData throws ends the fetch and goes on to the caller.
FetchResult Fetch(LPCSTR lpszUrl, const std::function<void(const BYTE* pData, DWORD nSize)>& onData,
                  const CFetchStop& stop);

}  // namespace config
