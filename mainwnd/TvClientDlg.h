// CTvClientDlg: the client's one window, built from dialog template 102.
#pragma once

#include "Afx.h"

#include <shellapi.h>

#include "config/Configuration.h"
#include "controls/EWA.h"
#include "controls/ExplorerWebpage.h"
#include "mainwnd/Display.h"
#include "resource.h"
#include "skin/BitmapCache.h"
#include "skin/SkinCatalogue.h"

// Refreshes the online counts once a minute.
constexpr UINT_PTR TIMER_CHANNEL_REFRESH = 1;

// The notification-area icon: its identifier and the message its mouse events arrive with.
constexpr UINT TRAY_ICON_UID = 221;
constexpr UINT WM_TRAYNOTIFY = WM_USER + 5;

class CTvClientDlg : public CDialog {
public:
    explicit CTvClientDlg(CWnd* pParent = nullptr);
    ~CTvClientDlg() override;

    enum { IDD = IDD_TVCLIENT_DIALOG };

    // The screen the resolution check reads and changes; tests put a stand-in here.
    CDisplay* m_pDisplay;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnInitDialog() override;

    // Start-up
    void AddAboutMenuItem();
    void CheckScreenResolution();
    void CaptureLayoutRects();
    void CreateChannelTips();

    // Channel table, online counts and channel buttons
    void LoadChannelList();
    void RefreshOnlineCounts();
    void OnTimer(UINT_PTR nIDEvent);
    void OnChannelClicked(UINT nID);
    void OnChannelDblClk(UINT nID);
    void OnTickerClicked();

    // Skin: image statics, hover, cursor, title bar and channel column
    void ShowBitmap(UINT nCtrlId, UINT nBitmapId);
    void InitSkinImages();
    void ResetChannelButtons();
    void OnMouseMove(UINT nFlags, CPoint point);
    void UpdateTabHover(UINT nCtrlId, CPoint point, CRect rc, UINT nHotBitmap, UINT nNormalBitmap, int nTab);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void ToggleChannelList();
    void OnHideToTray();

    // Notification-area icon and the end of the window
    void AddTrayIcon();
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);
    void OnDestroy();

    // Web panes
    void InitWebPanes();
    CString MakeListUrl(LPCSTR lpszChannelNum) const;

    // Player bar and the player's events
    void Play();
    void RestartChannel();
    void OnPlayPause();
    void OnStopClicked();
    void OnFullScreen();
    void OnMute();
    void OnVolumeUp();
    void OnVolumeDown();
    void StepVolume(long (*pfnAfterStep)(long));
    void OnPauseCommand();
    void OnPlayerStateChange(long nNewState);
    void OnPlayerEvent204();
    void OnPlayerEvent6506(short nButton, short nShift, long x, long y);

    // Window and tray icon
    HICON m_hIcon;

    // Web panes: right-hand column, below the video, below the channel buttons
    CExplorerWebpage m_webRight;
    CExplorerWebpage m_webMiddle;
    CExplorerWebpage m_webList;

    // Video area
    CEWA m_player;

    // Image statics, and the text link of the featured channel
    CStatic m_imgLogo;
    CStatic m_imgListToggle;
    CStatic m_imgListHeader;
    CStatic m_imgChannel[kChannelButtonCount];
    CStatic m_imgTab[kPortalTabCount];
    CStatic m_imgHelpTab;
    CStatic m_imgSignOff;
    CStatic m_imgTopBarPanel;
    CStatic m_imgFrameVertical;
    CStatic m_imgFrameStrip;
    CStatic m_imgHideButton;
    CStatic m_imgFullScreenButton;
    CStatic m_imgCloseButton;
    CStatic m_imgTitlePanel;
    CStatic m_imgTitleRightEnd;
    CStatic m_imgBarLeftEnd;
    CStatic m_imgPlayPause;
    CStatic m_imgStop;
    CStatic m_imgVolumeDown;
    CStatic m_imgMute;
    CStatic m_imgVolumeUp;
    CStatic m_imgBarRightEnd;
    CStatic m_imgBarFullScreen;
    CStatic m_imgBarBackground;
    CStatic m_txtFeaturedLink;

    // Channel-button tooltips; channel 14, the text link, has none
    CWnd* m_pChannelButton[kChannelButtonCount];
    CToolTipCtrl m_tipChannel[kChannelButtonCount];

    // Configuration files and the addresses read from them
    CString m_strIniFile;
    CString m_strVersionFile;
    char m_szXmlUrl[config::kValueBufferSize];
    char m_szAppUrl[config::kValueBufferSize];
    char m_szListUrl[config::kValueBufferSize];
    char m_szHelpUrl[config::kValueBufferSize];
    char m_szMiddleUrl[config::kValueBufferSize];
    char m_szRightUrl[config::kValueBufferSize];

    // Channel table: play address and channel number per channel index
    CStringArray m_arrPlayUrl;
    CStringArray m_arrChannelNum;

    // Viewers per channel, from the channel server
    CStringArray m_arrOnlineCount;

    // Current channel
    int m_nCurChannel;

    // Channel column
    int m_bListHidden;

    // Portal tabs showing their hot look; tab number k at k - 1
    int m_bTabHot[kPortalTabCount];

    // Layout, captured while the window stands at the screen's origin
    CRect m_rcListPane;
    CRect m_rcToggle;
    CRect m_rcLogo;
    CRect m_rcLowerPane;
    CRect m_rcTab[kPortalTabCount];

    // Player bar
    int m_nPlayState;
    int m_nSavedVolume;
    int m_bMuted;

    // Notification-area icon, and whether the window is shown or hidden to it
    NOTIFYICONDATAA m_nid;
    int m_bWindowShown;

    // Every skin bitmap, loaded once per resource id
    CBitmapCache m_bitmaps;

    DECLARE_MESSAGE_MAP()
    DECLARE_EVENTSINK_MAP()
};
