#include "mainwnd/Display.h"

SIZE CDisplay::GetScreenSize()
{
    HDC hdc = ::CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    SIZE size = {::GetDeviceCaps(hdc, HORZRES), ::GetDeviceCaps(hdc, VERTRES)};
    ::DeleteDC(hdc);
    return size;
}

void CDisplay::SwitchToMinimumMode()
{
    DEVMODEA mode{};
    mode.dmSize = sizeof(mode);
    if (!::EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode))
        return;
    // The colour depth is not part of the request and stays as it is.
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFREQUENCY;
    mode.dmPelsWidth = kMinScreenWidth;
    mode.dmPelsHeight = kMinScreenHeight;
    ::ChangeDisplaySettingsA(&mode, 0);
}
