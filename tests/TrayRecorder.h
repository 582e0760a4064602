// Stands in for the notification area while it lives: the shell finds the newest tray window
// first, and tells it each icon call ("add <icon id>", "delete <icon id>").
#pragma once

#include <windows.h>

#include <iterator>
#include <string>
#include <vector>

class CTrayRecorder {
public:
    // The calls go to pCalls, which may be another record of events to keep them in one order.
    explicit CTrayRecorder(std::vector<std::string>* pCalls = nullptr) : m_pCalls(pCalls ? pCalls : &m_calls)
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Record;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "Shell_TrayWnd";
        ::RegisterClassA(&wc);
        m_hWnd = ::CreateWindowExA(0, wc.lpszClassName, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   wc.hInstance, nullptr);
        ::SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(m_pCalls));
    }
    ~CTrayRecorder() { ::DestroyWindow(m_hWnd); }
    CTrayRecorder(const CTrayRecorder&) = delete;
    CTrayRecorder& operator=(const CTrayRecorder&) = delete;

    std::vector<std::string> m_calls;

private:
    // Wine's shell passes the call in dwData, and the window and the icon's id first in the data.
    static LRESULT CALLBACK Record(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* pCalls = reinterpret_cast<std::vector<std::string>*>(::GetWindowLongPtrA(hWnd, GWLP_USERDATA));
        if (message != WM_COPYDATA || pCalls == nullptr)
            return ::DefWindowProcA(hWnd, message, wParam, lParam);
        const COPYDATASTRUCT* pData = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        const char* names[] = {"add", "modify", "delete"};
        const UINT* fields = static_cast<const UINT*>(pData->lpData);
        if (pData->dwData < std::size(names) && pData->cbData >= 2 * sizeof(UINT))
            pCalls->push_back(std::string(names[pData->dwData]) + " " + std::to_string(fields[1]));
        return TRUE;
    }

    std::vector<std::string>* m_pCalls;
    HWND m_hWnd;
};
