// Fetching an address over HTTP with WinHTTP, every wait bounded.
#pragma once

#include <windows.h>

#include <functional>

// A server that stays silent this long, while connecting or while sending, ends the download.
constexpr DWORD kNetworkTimeoutMs = 10000;

// Fetches an http:// or https:// address and hands each piece of the answer's body to onData as it
// comes. False when the address is not one, the server cannot be reached, answers other than 200,
// stays silent for kNetworkTimeoutMs, or ends before the length it announced. Whatever onData throws
// ends the download and goes on to the caller.
bool Download(LPCSTR lpszUrl, const std::function<void(const BYTE* pData, DWORD nSize)>& onData);
