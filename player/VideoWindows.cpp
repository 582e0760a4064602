#include "VideoWindows.h"

#include <windowsx.h>

#include <cstdlib>

#include "product/PlayerContract.h"

namespace {

void PaintThrough(IVideoWindowHost& host, HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    host.DrawVideo(dc, client);
    EndPaint(hwnd, &ps);
}

void PrintThrough(IVideoWindowHost& host, HWND hwnd, HDC dc)
{
    RECT client;
    GetClientRect(hwnd, &client);
    host.DrawVideo(dc, client);
}

POINT ContextMenuPoint(HWND hwnd, LPARAM lParam)
{
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    // From the keyboard (Shift+F10, the menu key) the menu opens in the middle of the window.
    if (point.x == -1 && point.y == -1) {
        RECT client;
        GetClientRect(hwnd, &client);
        point = {client.right / 2, client.bottom / 2};
        ClientToScreen(hwnd, &point);
    }
    return point;
}

}  // namespace

bool CVideoWindow::Create(HWND parent, const RECT& position, bool border)
{
    DWORD style =
        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_TABSTOP | (border ? WS_BORDER : 0);
    return CreateWindowOf(P2PPLAYER_VIDEO_CLASS, 0, style, position, parent);
}

void CVideoWindow::SetBorder(bool border)
{
    HWND hwnd = Handle();
    if (!hwnd)
        return;
    LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    LONG_PTR wanted = border ? (style | WS_BORDER) : (style & ~static_cast<LONG_PTR>(WS_BORDER));
    if (wanted == style)
        return;
    SetWindowLongPtrA(hwnd, GWL_STYLE, wanted);
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Invalidate();
}

void CVideoWindow::SetRects(const RECT& position, const RECT& clip)
{
    HWND hwnd = Handle();
    if (!hwnd)
        return;
    MoveWindow(hwnd, position.left, position.top, position.right - position.left,
               position.bottom - position.top, TRUE);
    RECT visible;
    IntersectRect(&visible, &position, &clip);
    if (EqualRect(&visible, &position)) {
        SetWindowRgn(hwnd, nullptr, TRUE);
        return;
    }
    OffsetRect(&visible, -position.left, -position.top);
    // The system owns the region once it is set.
    SetWindowRgn(hwnd, CreateRectRgnIndirect(&visible), TRUE);
}

void CVideoSurface::Invalidate()
{
    if (Handle())
        InvalidateRect(Handle(), nullptr, FALSE);
}

LRESULT CVideoSurface::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        PaintThrough(m_host, Handle());
        return 0;
    case WM_PRINTCLIENT:
        PrintThrough(m_host, Handle(), reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        m_host.OnVideoSized();
        return 0;
    }
    return HandleSurfaceMessage(AsDoubleClick(message, lParam), wParam, lParam);
}

LRESULT CVideoSurface::HandleSurfaceMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return CPlayerWindow::HandleMessage(message, wParam, lParam);
}

UINT CVideoSurface::AsDoubleClick(UINT message, LPARAM lParam)
{
    // Each button's double click comes two messages after its button down.
    constexpr UINT kDoubleClickOffset = WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
    if (message != WM_LBUTTONDOWN && message != WM_RBUTTONDOWN && message != WM_MBUTTONDOWN) {
        if (message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDBLCLK)
            m_lastDown = 0;
        return message;
    }
    const POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const DWORD time = static_cast<DWORD>(GetMessageTime());
    const bool second = message == m_lastDown && time - m_lastDownTime <= GetDoubleClickTime() &&
                        std::abs(point.x - m_lastDownPoint.x) <= GetSystemMetrics(SM_CXDOUBLECLK) / 2 &&
                        std::abs(point.y - m_lastDownPoint.y) <= GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    if (second) {
        m_lastDown = 0;
        return message + kDoubleClickOffset;
    }
    m_lastDown = message;
    m_lastDownTime = time;
    m_lastDownPoint = point;
    return message;
}

LRESULT CVideoWindow::HandleSurfaceMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND hwnd = Handle();
    switch (message) {
    case WM_GETDLGCODE:
        // Enter belongs to the video, not to the dialog's default button.
        return DLGC_WANTALLKEYS;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (GetFocus() != hwnd)
            SetFocus(hwnd);
        return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: {
        SHORT button = message == WM_LBUTTONDBLCLK ? 1 : message == WM_RBUTTONDBLCLK ? 2 : 4;
        SHORT shift = static_cast<SHORT>(((wParam & MK_SHIFT) ? 1 : 0) | ((wParam & MK_CONTROL) ? 2 : 0));
        m_host.OnVideoDoubleClick(button, shift, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            m_host.OnVideoEnterKey();
            return 0;
        }
        break;
    case WM_CONTEXTMENU:
        m_host.OnVideoContextMenu(hwnd, ContextMenuPoint(hwnd, lParam));
        return 0;
    case WM_SETFOCUS:
        m_host.OnVideoFocus(true);
        return 0;
    case WM_KILLFOCUS:
        m_host.OnVideoFocus(false);
        return 0;
    }
    return CVideoSurface::HandleSurfaceMessage(message, wParam, lParam);
}

bool CFullScreenWindow::Show(HWND owner, const RECT& monitor)
{
    if (!CreateWindowOf(P2PPLAYER_FULLSCREEN_CLASS, WS_EX_TOPMOST, WS_POPUP | WS_CLIPCHILDREN, monitor, owner))
        return false;
    HWND hwnd = Handle();
    SetWindowPos(hwnd, HWND_TOPMOST, monitor.left, monitor.top, monitor.right - monitor.left,
                 monitor.bottom - monitor.top, SWP_SHOWWINDOW);
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
    return true;
}

LRESULT CFullScreenWindow::HandleSurfaceMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            m_host.OnFullScreenDismissed();
            return 0;
        }
        break;
    case WM_LBUTTONDBLCLK:
        m_host.OnFullScreenDismissed();
        return 0;
    case WM_CLOSE:
        // Alt+F4 leaves full screen the same way as Esc, so the control's flag follows.
        m_host.OnFullScreenDismissed();
        return 0;
    case WM_CONTEXTMENU:
        m_host.OnVideoContextMenu(Handle(), ContextMenuPoint(Handle(), lParam));
        return 0;
    }
    return CVideoSurface::HandleSurfaceMessage(message, wParam, lParam);
}
