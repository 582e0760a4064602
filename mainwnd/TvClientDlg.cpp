#include "mainwnd/TvClientDlg.h"

#include "config/Configuration.h"

namespace {

CDisplay g_screen;

const char kFeaturedLinkText[] = "QuorvKalda 首届网络春晚！";
const char kLowResolutionQuestion[] = "分辨率太低，现在重新设置？";
const char kQuestionCaption[] = "提示";

constexpr UINT kChannelRefreshPeriodMs = 60000;
constexpr COLORREF kTipTextColor = RGB(255, 0, 0);
constexpr int kTipDelayMs = 150;

}  // namespace

BEGIN_MESSAGE_MAP(CTvClientDlg, CDialog)
    ON_WM_SETCURSOR()
    ON_WM_TIMER()
    ON_WM_MOUSEMOVE()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_TRAYNOTIFY, OnTrayNotify)
    ON_STN_CLICKED(IDC_HIDE_BUTTON, OnHideToTray)
    ON_STN_CLICKED(IDC_LIST_TOGGLE, ToggleChannelList)
    ON_STN_CLICKED(IDC_FEATURED_LINK, OnTickerClicked)
    ON_STN_CLICKED(IDC_PLAY_PAUSE, OnPlayPause)
    ON_STN_CLICKED(IDC_STOP, OnStopClicked)
    ON_STN_CLICKED(IDC_VOLUME_DOWN, OnVolumeDown)
    ON_STN_CLICKED(IDC_VOLUME_UP, OnVolumeUp)
    ON_STN_CLICKED(IDC_MUTE, OnMute)
    ON_STN_CLICKED(IDC_FULLSCREEN_BUTTON, OnFullScreen)
    ON_STN_CLICKED(IDC_BAR_FULLSCREEN, OnFullScreen)
    ON_COMMAND(ID_PLAYER_PAUSE, OnPauseCommand)
    // The channel buttons' ids are not contiguous: the handlers skip the other statics.
    ON_CONTROL_RANGE(STN_CLICKED, IDC_CHANNEL0, IDC_CHANNEL13, OnChannelClicked)
    ON_CONTROL_RANGE(STN_DBLCLK, IDC_CHANNEL0, IDC_CHANNEL13, OnChannelDblClk)
END_MESSAGE_MAP()

BEGIN_EVENTSINK_MAP(CTvClientDlg, CDialog)
    ON_EVENT(CTvClientDlg, IDC_PLAYER, CEWA::eventStateChange, OnPlayerStateChange)
    ON_EVENT(CTvClientDlg, IDC_PLAYER, CEWA::eventEnterKey, OnPlayerEvent204)
    ON_EVENT(CTvClientDlg, IDC_PLAYER, CEWA::eventDoubleClick, OnPlayerEvent6506)
END_EVENTSINK_MAP()

CTvClientDlg::CTvClientDlg(CWnd* pParent)
    : CDialog(IDD, pParent),
      m_pDisplay(&g_screen),
      m_hIcon(::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_MAINFRAME))),
      m_pChannelButton(),
      m_szXmlUrl(),
      m_szAppUrl(),
      m_szListUrl(),
      m_szHelpUrl(),
      m_szMiddleUrl(),
      m_szRightUrl(),
      m_nCurChannel(0),
      m_bListHidden(0),
      m_bTabHot(),
      m_nPlayState(0),
      m_nSavedVolume(0),
      m_bMuted(0),
      m_nid(),
      m_bWindowShown(0)
{
}

CTvClientDlg::~CTvClientDlg() = default;

void CTvClientDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_WEB_RIGHT, m_webRight);
    DDX_Control(pDX, IDC_PLAYER, m_player);
    DDX_Control(pDX, IDC_WEB_MIDDLE, m_webMiddle);
    DDX_Control(pDX, IDC_WEB_LIST, m_webList);
    DDX_Control(pDX, IDC_LOGO, m_imgLogo);
    DDX_Control(pDX, IDC_LIST_TOGGLE, m_imgListToggle);
    DDX_Control(pDX, IDC_LIST_HEADER, m_imgListHeader);
    for (int i = 0; i < kChannelButtonCount; ++i)
        DDX_Control(pDX, static_cast<int>(kChannelButtonIds[i]), m_imgChannel[i]);
    for (int k = 0; k < kPortalTabCount; ++k)
        DDX_Control(pDX, static_cast<int>(kPortalTabs[k].nCtrlId), m_imgTab[k]);
    DDX_Control(pDX, IDC_HELP_TAB, m_imgHelpTab);
    DDX_Control(pDX, IDC_SIGNOFF, m_imgSignOff);
    DDX_Control(pDX, IDC_TOPBAR_PANEL, m_imgTopBarPanel);
    DDX_Control(pDX, IDC_FRAME_VERTICAL, m_imgFrameVertical);
    DDX_Control(pDX, IDC_FRAME_STRIP, m_imgFrameStrip);
    DDX_Control(pDX, IDC_HIDE_BUTTON, m_imgHideButton);
    DDX_Control(pDX, IDC_FULLSCREEN_BUTTON, m_imgFullScreenButton);
    DDX_Control(pDX, IDC_CLOSE_BUTTON, m_imgCloseButton);
    DDX_Control(pDX, IDC_TITLE_PANEL, m_imgTitlePanel);
    DDX_Control(pDX, IDC_TITLE_RIGHT_END, m_imgTitleRightEnd);
    DDX_Control(pDX, IDC_BAR_LEFT_END, m_imgBarLeftEnd);
    DDX_Control(pDX, IDC_PLAY_PAUSE, m_imgPlayPause);
    DDX_Control(pDX, IDC_STOP, m_imgStop);
    DDX_Control(pDX, IDC_VOLUME_DOWN, m_imgVolumeDown);
    DDX_Control(pDX, IDC_MUTE, m_imgMute);
    DDX_Control(pDX, IDC_VOLUME_UP, m_imgVolumeUp);
    DDX_Control(pDX, IDC_BAR_RIGHT_END, m_imgBarRightEnd);
    DDX_Control(pDX, IDC_BAR_FULLSCREEN, m_imgBarFullScreen);
    DDX_Control(pDX, IDC_BAR_BACKGROUND, m_imgBarBackground);
    DDX_Control(pDX, IDC_FEATURED_LINK, m_txtFeaturedLink);
}

// The tooltips do not subclass their buttons: this is how they see the mouse.
BOOL CTvClientDlg::PreTranslateMessage(MSG* pMsg)
{
    for (CToolTipCtrl& tip : m_tipChannel) {
        if (tip.m_hWnd != nullptr)
            tip.RelayEvent(pMsg);
    }
    return CDialog::PreTranslateMessage(pMsg);
}

BOOL CTvClientDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    AddAboutMenuItem();
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);
    config::DeleteTempConfig();
    CheckScreenResolution();
    AddTrayIcon();
    m_bWindowShown = 1;

    m_player.SetProperty(CEWA::dispidContextMenu, COleVariant(FALSE, VT_BOOL));
    m_strIniFile = config::kIniFile;
    m_strVersionFile = config::kVersionFile;
    m_nSavedVolume = 0;
    m_bMuted = 0;
    m_player.SetIdlePicture(config::kIdlePicture);

    for (UINT nCtrlId : kImageStaticIds)
        GetDlgItem(static_cast<int>(nCtrlId))->ModifyStyle(0, SS_BITMAP, 0);
    // The column's handle takes clicks, so that the column can be collapsed and expanded.
    m_imgListToggle.ModifyStyle(0, SS_NOTIFY, 0);

    LoadChannelList();
    InitWebPanes();
    CreateChannelTips();
    RefreshOnlineCounts();
    SetTimer(TIMER_CHANNEL_REFRESH, kChannelRefreshPeriodMs, nullptr);
    RefreshOnlineCounts();
    for (int& bHot : m_bTabHot)
        bHot = 0;
    CaptureLayoutRects();
    m_txtFeaturedLink.SetWindowText(kFeaturedLinkText);
    m_nPlayState = 0;
    m_nCurChannel = 0;
    Play();
    return TRUE;
}

void CTvClientDlg::AddAboutMenuItem()
{
    CMenu* pSysMenu = GetSystemMenu(FALSE);
    if (pSysMenu == nullptr)
        return;
    CString strAboutMenu;
    strAboutMenu.LoadString(IDS_ABOUTBOX);
    if (strAboutMenu.IsEmpty())
        return;
    pSysMenu->AppendMenu(MF_SEPARATOR);
    pSysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, strAboutMenu);
}

void CTvClientDlg::CheckScreenResolution()
{
    if (!NeedsResolutionChange(m_pDisplay->GetScreenSize()))
        return;
    if (MessageBox(kLowResolutionQuestion, kQuestionCaption, MB_YESNO) == IDYES)
        m_pDisplay->SwitchToMinimumMode();
}

// The window still stands at the screen's origin, so these are offsets from its outer corner.
void CTvClientDlg::CaptureLayoutRects()
{
    m_webMiddle.GetWindowRect(&m_rcLowerPane);
    m_webList.GetWindowRect(&m_rcListPane);
    m_imgListToggle.GetWindowRect(&m_rcToggle);
    m_imgLogo.GetWindowRect(&m_rcLogo);
    for (int k = 0; k < kPortalTabCount; ++k)
        m_imgTab[k].GetWindowRect(&m_rcTab[k]);
}

void CTvClientDlg::CreateChannelTips()
{
    for (int i = 0; i < kChannelButtonCount; ++i)
        m_pChannelButton[i] = GetDlgItem(static_cast<int>(kChannelButtonIds[i]));
    for (int i = 0; i < kChannelButtonCount; ++i) {
        m_tipChannel[i].Create(m_pChannelButton[i], TTS_ALWAYSTIP);
        m_tipChannel[i].AddTool(m_pChannelButton[i], LPSTR_TEXTCALLBACKA);
        m_tipChannel[i].SetTipTextColor(kTipTextColor);
        m_tipChannel[i].SetDelayTime(TTDT_AUTOMATIC, kTipDelayMs);
    }
}
