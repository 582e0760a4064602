#include "PlayerWindow.h"

#include "Module.h"
#include "product/PlayerContract.h"

namespace {

struct ClassDescription {
    LPCSTR name;
    UINT style;
};

const ClassDescription kClasses[] = {
    {kPlayerEngineClass, 0},
    {kPlayerGraphClass, 0},
    {P2PPLAYER_VIDEO_CLASS, CS_DBLCLKS},
    {P2PPLAYER_FULLSCREEN_CLASS, CS_DBLCLKS},
};

}  // namespace

bool CPlayerWindow::CreateWindowOf(LPCSTR className, DWORD exStyle, DWORD style, const RECT& rect, HWND parent)
{
    Destroy();
    HINSTANCE instance = Module::Instance();
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof(existing);
    if (!GetClassInfoExA(instance, className, &existing)) {
        const ClassDescription* description = nullptr;
        for (const ClassDescription& c : kClasses)
            if (lstrcmpA(c.name, className) == 0)
                description = &c;
        if (!description)
            return false;
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.style = description->style;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = className;
        // The graph thread may have registered it meanwhile.
        if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return false;
    }
    // WM_NCCREATE stores the handle; a failed creation leaves it null again.
    CreateWindowExA(exStyle, className, "", style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent, nullptr, instance, this);
    return m_hwnd != nullptr;
}

void CPlayerWindow::Destroy()
{
    if (m_hwnd)
        DestroyWindow(m_hwnd);
}

LRESULT CPlayerWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(m_hwnd, message, wParam, lParam);
}

LRESULT CALLBACK CPlayerWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<CPlayerWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->m_hwnd = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<CPlayerWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->m_hwnd = nullptr;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    // Handlers may end with the object destroyed: nothing here touches it afterwards.
    return self->HandleMessage(message, wParam, lParam);
}

void UnregisterPlayerWindowClasses()
{
    for (const ClassDescription& c : kClasses)
        UnregisterClassA(c.name, Module::Instance());
}
