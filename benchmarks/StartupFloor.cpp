// The floor of the client's start, run by the live benchmark in the client's installation folder:
// what the client fetches before its window shows, done bare (the online counts twice, each parsed,
// then the service's version file, from the addresses of the installation's settings), then a bare
// dialog of the client's size, until it is closed.
#include <windows.h>

#include <cstring>

#include "BareFetch.h"
#include "StartupFloor.h"
#include "config/Configuration.h"

namespace {

// A dialog template of the client's size and font, without controls; the caption comes at its start.
struct BareDialogTemplate {
    DLGTEMPLATE head;
    WORD menu, windowClass, caption;
    WORD pointSize;
    wchar_t font[sizeof(L"MS Shell Dlg") / sizeof(wchar_t)];
};

INT_PTR CALLBACK BareDialogProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        ::SetWindowTextA(hDlg, kStartupFloorCaption);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDCANCEL)
            return FALSE;
        ::EndDialog(hDlg, IDCANCEL);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    ::CoInitialize(nullptr);
    char szXmlUrl[config::kValueBufferSize], szAppUrl[config::kValueBufferSize];
    config::ReadString(config::kXmlUrl, product::kIniFile, szXmlUrl);
    config::ReadString(config::kAppUrl, product::kIniFile, szAppUrl);
    for (int i = 0; i < 2; ++i) {
        const std::optional<std::string> counts = BareFetch(szXmlUrl);
        if (counts)
            BareParse(*counts);
    }
    BareFetch(szAppUrl);

    alignas(DWORD) BareDialogTemplate dialog{};
    dialog.head.style = DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
    dialog.head.cx = 583;
    dialog.head.cy = 403;
    dialog.pointSize = 9;
    std::memcpy(dialog.font, L"MS Shell Dlg", sizeof(dialog.font));
    ::DialogBoxIndirectParamW(hInstance, &dialog.head, nullptr, BareDialogProc, 0);
    ::CoUninitialize();
    return 0;
}
