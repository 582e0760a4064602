// Fetching an address over HTTP with WinHTTP: every wait bounded, and left at once on a Cancel or at
// the deadline.
#pragma once

#include <windows.h>

#include <functional>

#include "UpdateStop.h"

// A server that stays silent this long, while connecting or while sending, ends the download.
constexpr DWORD kNetworkTimeoutMs = 10000;

// The time the whole download of an update has, the version file and the listed files together: a
// base for connecting and the server's first answers, plus one second for every floor's worth of
// bytes the list declares. The network timeout alone never ends a server that trickles a byte now
// and then, and a connection slower than the floor delivers no update in a time anyone waits for.
// The version file, whose size nothing declares, has the base alone.
struct CDownloadBudget {
    ULONGLONG nBaseMs;
    ULONGLONG nFloorBytesPerSecond;
};

// 4 KiB/s is 32 kbit/s, below any working modem line: an update of 5 MB has 21 minutes.
constexpr CDownloadBudget kDownloadBudget{60000, 4096};

ULONGLONG DownloadTimeLimitMs(const CDownloadBudget& budget, ULONGLONG nDeclaredBytes);

enum class DownloadResult { Complete, Failed, Cancelled, TooLate };

// Fetches an http:// or https:// address and hands each piece of the answer's body to onData as it
// comes, on the calling thread. Failed when the address is not one, the server cannot be reached,
// answers other than 200, stays silent for kNetworkTimeoutMs, or ends before the length it announced;
// Cancelled or TooLate as soon as the stop is cancelled or its deadline has passed, whatever the
// server does. Whatever onData throws ends the download and goes on to the caller.
DownloadResult Download(LPCSTR lpszUrl, const std::function<void(const BYTE* pData, DWORD nSize)>& onData,
                        const CUpdateStop& stop);
