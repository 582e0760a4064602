// What ends an update before its end besides a failure: the Cancel button, pressed on the window's
// thread while the update runs on its own, and the deadline of the update's downloads.
#pragma once

#include <windows.h>

class CUpdateStop {
public:
    CUpdateStop();
    ~CUpdateStop();
    CUpdateStop(const CUpdateStop&) = delete;
    CUpdateStop& operator=(const CUpdateStop&) = delete;

    // From any thread.
    void Cancel();
    // Set once Cancel() has been called.
    HANDLE CancelEvent() const { return m_hCancel; }
    // Throws CUpdateCancelled once Cancel() has been called.
    void ThrowIfCancelled() const;

    // The downloads must have ended nLimitMs after nStartTick, a GetTickCount64() value.
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
