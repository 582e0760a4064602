// CTvClientDlg: the client's one window, built from dialog template 102.
#pragma once

#include <windows.h>

#include "AfxControls.h"
#include "AfxDialog.h"
#include "AfxGeometry.h"
#include "AfxOleControl.h"
#include "AfxString.h"
#include "AfxWnd.h"

#include "channels/ChannelTips.h"
#include "channels/OnlineCounts.h"
#include "config/Configuration.h"
#include "config/UpdateCheck.h"
#include "controls/EWA.h"
#include "controls/ExplorerWebpage.h"
#include "controls/PlayerBar.h"
#include "mainwnd/Display.h"
#include "portal/PortalTabs.h"
#include "resource.h"
#include "skin/ChannelColumn.h"
#include "skin/SkinCatalogue.h"
#include "skin/SkinImages.h"
#include "tray/TrayIcon.h"

// Refreshes the online counts once a minute.
constexpr UINT_PTR TIMER_CHANNEL_REFRESH = 1;

class CTvClientDlg : public CDialog {
public:
    explicit CTvClientDlg(CWnd* pParent = nullptr);

    enum { IDD = IDD_TVCLIENT_DIALOG };

    // The screen the resolution check reads and changes; tests put a stand-in here.
    CDisplay* m_pDisplay;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnInitDialog() override;

    // Start-up and the version check
    void AddAboutMenuItem();
    void CheckScreenResolution();
    void LoadChannelList();
    void InitWebPanes();
    CString MakeListUrl(LPCSTR lpszChannelNum) const;
    config::VersionCheck CheckVersion();

    // Frame: window menu, painting while minimised, closing
    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnCloseRequest();

    // Channel buttons, the featured link and the online counts
    void OnChannelClicked(UINT nID);
    void OnChannelDblClk(UINT nID);
    void OnFeaturedLinkClicked();
    void SwitchToChannel(int nChannel);
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnCountsFetched(WPARAM wParam, LPARAM lParam);

    // Mouse, portal links, title bar and channel column
    void OnMouseMove(UINT nFlags, CPoint point);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLogoClicked();
    void OnHelpTabClicked();
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnListToggleClicked();
    void OnHideToTray();

    // Player bar and the player's events
    CPlayerBar::PlayUrl CurrentPlayUrl();
    void Play();
    void OnPlayPause();
    void OnStopClicked();
    void OnFullScreen();
    void OnMute();
    void OnVolumeUp();
    void OnVolumeDown();
    void OnPauseCommand();
    void OnPlayerStateChange(long nNewState);
    void OnPlayerEnterKey();
    void OnPlayerDoubleClick(short nButton, short nShift, long x, long y);

    // Tray icon and the end of the window
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    void OnDestroy();

    // Window and tray icon
    HICON m_hIcon;
    CTrayIcon m_trayIcon;

    // Web panes: right-hand column, below the video, below the channel buttons
    CExplorerWebpage m_webRight;
    CExplorerWebpage m_webMiddle;
    CExplorerWebpage m_webList;

    // Video area and the bar below it
    CEWA m_player;
    CPlayerBar m_playerBar;

    // Skin: every image static's bitmap and the channel column
    CSkinImages m_images;
    CChannelColumn m_channelColumn;

    // Portal tabs of the title bar: their rectangles, hot looks and pages
    CPortalTabs m_portalTabs;

    // Channel buttons with their tooltips, and the text link of the featured channel
    CStatic m_imgChannel[kChannelButtonCount];
    CChannelTips m_channelTips;
    CStatic m_txtFeaturedLink;

    // Configuration files and the addresses read from them
    CString m_strIniFile;
    CString m_strVersionFile;
    char m_szAppUrl[config::kValueBufferSize];
    char m_szListUrl[config::kValueBufferSize];
    char m_szHelpUrl[config::kValueBufferSize];
    char m_szMiddleUrl[config::kValueBufferSize];
    char m_szRightUrl[config::kValueBufferSize];

    // Channel table: play address and channel number per channel index, and the current channel
    CStringArray m_arrPlayUrl;
    CStringArray m_arrChannelNum;
    int m_nCurChannel;

    // Viewers per channel, from the channel server
    COnlineCounts m_onlineCounts;

    DECLARE_MESSAGE_MAP()
    DECLARE_EVENTSINK_MAP()
};
