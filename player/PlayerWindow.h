// The base of the control's windows: a window procedure that reaches the C++ object.
#pragma once

#include <windows.h>

// The engine's message-only window, where the graph thread reports.
inline constexpr char kPlayerEngineClass[] = "KaldaPlayerEngine";
// The graph thread's message-only window, where the graphs and downloads report.
inline constexpr char kPlayerGraphClass[] = "KaldaPlayerGraph";

class CPlayerWindow {
public:
    CPlayerWindow(const CPlayerWindow&) = delete;
    CPlayerWindow& operator=(const CPlayerWindow&) = delete;

    HWND Handle() const { return m_hwnd; }
    void Destroy();

protected:
    CPlayerWindow() = default;
    // A window that outlives its object would call into freed memory.
    virtual ~CPlayerWindow() { Destroy(); }

    bool CreateWindowOf(LPCSTR className, DWORD exStyle, DWORD style, const RECT& rect, HWND parent);
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hwnd = nullptr;
};

// Called as the DLL unloads: a class must not outlive the window procedure it names.
void UnregisterPlayerWindowClasses();
