// The only code of the benchmarks that knows the dialog's members.
#pragma once

#include <string>

#include "TestHelpers.h"
#include "mainwnd/TvClientDlg.h"

// The service's version file, saying that the installed version is the newest.
inline constexpr char kUpToDateVersionFile[] = "[Version]\r\nVersion=1\r\n";

// The installation the benchmarks run in: three channels, the counts document and the service's
// version file at their addresses, and the process ready for the dialog's controls.
inline void PrepareInstallation(CScratchFiles& files, const std::string& versionUrl, const std::string& xmlUrl)
{
    AfxEnableControlContainer();
    ::CreateDirectoryA("ini", nullptr);
    files.Write("Channel.txt", "play://0;play://1;play://2;");
    files.Write(product::kIniFile, "[CHANNELNUM]\r\nCHANNELNUM=1|2|3\r\n[XML]\r\nXML=" + xmlUrl +
                                      "\r\n[APPURL]\r\nAPPURL=" + versionUrl + "\r\n");
}

class CProbeTvClientDlg : public CTvClientDlg {
public:
    CRect TabRect(int nTab) const { return m_portalTabs.TabRect(nTab); }
    int CachedBitmaps() const { return m_images.m_bitmaps.LoadedCount(); }
    LPCSTR OnlineCount(int nChannel) const { return m_onlineCounts.CountOf(nChannel); }
    bool IsRefreshing() const { return m_onlineCounts.IsRefreshing(); }
    // Leaves the refreshes to the caller: the window's own would come between the caller's.
    void StopRefreshTimer() { ::KillTimer(m_hWnd, TIMER_CHANNEL_REFRESH); }
    // A point in a tab's hover zone, as a mouse message carries it.
    LPARAM InsideTab(int nTab) const
    {
        const CRect rc = TabRect(nTab);
        return MAKELPARAM((rc.left + rc.right) / 2, (rc.top - 10 + rc.bottom - 41) / 2);
    }
};

// Selects a channel the way the user does: a double click on its button.
inline void DoubleClick(HWND hButton)
{
    ::SendMessageA(hButton, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(2, 2));
    ::SendMessageA(hButton, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}
