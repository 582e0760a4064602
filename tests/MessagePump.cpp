#include "MessagePump.h"

#include "Afx.h"

void PumpPending()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!CWnd::WalkPreTranslateTree(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

bool PumpUntil(const std::function<bool()>& condition, DWORD nTimeoutMs)
{
    for (const DWORD start = ::GetTickCount(); !condition();) {
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= nTimeoutMs)
            return false;
        PumpPending();
        // Wakes for the next message, or now and then to look at a condition no message announces.
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}
