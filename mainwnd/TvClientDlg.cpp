#include "mainwnd/TvClientDlg.h"

#include <cstring>

#include "AfxApp.h"
#include "AfxMenu.h"
#include "channels/ChannelTable.h"
#include "mainwnd/AboutDlg.h"
#include "mainwnd/FrameGeometry.h"

namespace {

CDisplay g_screen;

const char kFeaturedLinkText[] = "QuorvKalda 首届网络春晚！";
const char kLowResolutionQuestion[] = "分辨率太低，现在重新设置？";
const char kQuestionCaption[] = "提示";
const char kChannelListError[] = "频道列表配置错误！";
constexpr UINT kChannelListErrorHelpId = 1;
const char kExitQuestion[] = "确定要退出?";
const char kNetworkFailure[] = "网络连接故障，请稍后再试！";

// The client's window is gone well before the updater replaces its files.
constexpr DWORD kUpdaterStartDelayMs = 2000;

constexpr UINT kChannelRefreshPeriodMs = 60000;

}  // namespace

BEGIN_MESSAGE_MAP(CTvClientDlg, CDialog)
    ON_WM_SYSCOMMAND()
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_WM_LBUTTONDOWN()
    ON_WM_SETCURSOR()
    ON_WM_TIMER()
    ON_WM_MOUSEMOVE()
    ON_WM_DESTROY()
    ON_MESSAGE(WM_TRAYNOTIFY, OnTrayNotify)
    ON_MESSAGE(WM_COUNTSFETCHED, OnCountsFetched)
    // Esc, WM_CLOSE and the tray menu's item all arrive as IDCANCEL.
    ON_COMMAND(IDCANCEL, OnCloseRequest)
    ON_STN_CLICKED(IDC_CLOSE_BUTTON, OnCloseRequest)
    ON_STN_CLICKED(IDC_LOGO, OnLogoClicked)
    ON_STN_CLICKED(IDC_HELP_TAB, OnHelpTabClicked)
    ON_STN_CLICKED(IDC_HIDE_BUTTON, OnHideToTray)
    ON_STN_CLICKED(IDC_LIST_TOGGLE, OnListToggleClicked)
    ON_STN_CLICKED(IDC_FEATURED_LINK, OnFeaturedLinkClicked)
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
    ON_EVENT(CTvClientDlg, IDC_PLAYER, PLAYER_EVENT_STATECHANGE, OnPlayerStateChange)
    ON_EVENT(CTvClientDlg, IDC_PLAYER, PLAYER_EVENT_ENTERKEY, OnPlayerEnterKey)
    ON_EVENT(CTvClientDlg, IDC_PLAYER, PLAYER_EVENT_DOUBLECLICK, OnPlayerDoubleClick)
END_EVENTSINK_MAP()

CTvClientDlg::CTvClientDlg(CWnd* pParent)
    : CDialog(IDD, pParent),
      m_pDisplay(&g_screen),
      m_hIcon(::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_MAINFRAME))),
      m_playerBar(m_player, m_images),
      m_szAppUrl(),
      m_szListUrl(),
      m_szHelpUrl(),
      m_szMiddleUrl(),
      m_szRightUrl(),
      m_nCurChannel(0)
{
    m_images.Attach(this);
}

void CTvClientDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_WEB_RIGHT, m_webRight);
    DDX_Control(pDX, IDC_PLAYER, m_player);
    DDX_Control(pDX, IDC_WEB_MIDDLE, m_webMiddle);
    DDX_Control(pDX, IDC_WEB_LIST, m_webList);
    for (int i = 0; i < kChannelButtonCount; ++i)
        DDX_Control(pDX, static_cast<int>(kChannelButtons[i].nCtrlId), m_imgChannel[i]);
    DDX_Control(pDX, IDC_FEATURED_LINK, m_txtFeaturedLink);
}

BOOL CTvClientDlg::PreTranslateMessage(MSG* pMsg)
{
    m_channelTips.RelayEvent(pMsg);
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
    m_trayIcon.Add(*this, m_hIcon);

    m_player.SetContextMenu(FALSE);
    m_strIniFile = product::kIniFile;
    m_strVersionFile = product::kVersionFile;
    m_player.SetIdlePicture(product::kIdlePicture);
    m_images.PrepareStatics();

    LoadChannelList();
    InitWebPanes();
    m_images.ShowStartImages();
    m_images.ShowCurrentChannel(m_nCurChannel);
    m_channelTips.Create(m_imgChannel);
    // Two refreshes before the window first shows, each bounded; the timer's go on beside the window.
    m_onlineCounts.RefreshNow(m_strIniFile);
    SetTimer(TIMER_CHANNEL_REFRESH, kChannelRefreshPeriodMs, nullptr);
    m_onlineCounts.RefreshNow(m_strIniFile);
    // The window still stands at the screen's origin, so these are offsets from its outer corner.
    m_channelColumn.CaptureRects(*this);
    m_portalTabs.CaptureRects(*this);
    m_txtFeaturedLink.SetWindowText(kFeaturedLinkText);
    switch (CheckVersion()) {
    case config::kNewerVersion:
        CDialog::OnCancel();
        ::Sleep(kUpdaterStartDelayMs);
        ::WinExec(product::kUpdater, SW_SHOWNORMAL);
        break;
    case config::kVersionFileNotFetched:
        AfxMessageBox(kNetworkFailure, MB_OK);
        ::DeleteFileA(m_strVersionFile);
        CDialog::OnCancel();
        break;
    case config::kUpToDate:
        Play();
        break;
    }
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

config::VersionCheck CTvClientDlg::CheckVersion()
{
    return config::CheckVersion(m_szAppUrl, m_strIniFile, m_strVersionFile);
}

// The low four bits of a window-menu command are the system's own.
void CTvClientDlg::OnSysCommand(UINT nID, LPARAM)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg dlgAbout;
        dlgAbout.DoModal();
    } else {
        Default();
    }
}

void CTvClientDlg::OnPaint()
{
    if (!IsIconic()) {
        Default();
        return;
    }
    PAINTSTRUCT paint;
    HDC hdc = ::BeginPaint(m_hWnd, &paint);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0);
    CRect rect;
    GetClientRect(&rect);
    const CPoint at = MinimisedIconPosition(rect.Width(), rect.Height(), ::GetSystemMetrics(SM_CXICON),
                                            ::GetSystemMetrics(SM_CYICON));
    ::DrawIcon(hdc, at.x, at.y, m_hIcon);
    ::EndPaint(m_hWnd, &paint);
}

// The cursor while the minimised window is dragged.
HCURSOR CTvClientDlg::OnQueryDragIcon()
{
    return static_cast<HCURSOR>(m_hIcon);
}

// Every way of closing but the Enter key asks first; No leaves the window as it was.
void CTvClientDlg::OnCloseRequest()
{
    if (MessageBox(kExitQuestion, kQuestionCaption, MB_YESNO) == IDYES)
        CDialog::OnCancel();
}

void CTvClientDlg::CheckScreenResolution()
{
    if (!NeedsResolutionChange(m_pDisplay->GetScreenSize()))
        return;
    if (MessageBox(kLowResolutionQuestion, kQuestionCaption, MB_YESNO) == IDYES)
        m_pDisplay->SwitchToMinimumMode();
}

void CTvClientDlg::LoadChannelList()
{
    try {
        channels::ReadPlayUrls(product::kChannelFile, m_arrPlayUrl);
    } catch (...) {
        // Unreadable, or more than memory holds: the client cannot run without its channels,
        // whatever the answer.
        AfxMessageBox(kChannelListError, MB_OKCANCEL, kChannelListErrorHelpId);
        // The process ends here, without the window's destruction that would take the icon away.
        m_trayIcon.Remove();
        ::ExitProcess(1);
    }
    channels::ReadChannelNumbers(m_strIniFile, m_arrChannelNum);
}

void CTvClientDlg::InitWebPanes()
{
    config::ReadString(config::kListUrl, m_strIniFile, m_szListUrl);
    config::ReadString(config::kAppUrl, m_strIniFile, m_szAppUrl);
    config::ReadString(config::kMiddleUrl, m_strIniFile, m_szMiddleUrl);
    config::ReadString(config::kRightUrl, m_strIniFile, m_szRightUrl);
    config::ReadString(config::kHelpUrl, m_strIniFile, m_szHelpUrl);
    // Without channel numbers there is no first list page: the pane stays blank and the rest
    // of the start goes on.
    if (!m_arrChannelNum.IsEmpty())
        m_webList.Navigate(MakeListUrl(m_arrChannelNum.GetAt(0)));
    m_webRight.Navigate(m_szRightUrl);
    m_webMiddle.Navigate(m_szMiddleUrl);
}

CString CTvClientDlg::MakeListUrl(LPCSTR lpszChannelNum) const
{
    return CString(m_szListUrl) + lpszChannelNum;
}

// A single click shows the channel's programme list; the channel playing stays as it is.
void CTvClientDlg::OnChannelClicked(UINT nID)
{
    const int nChannel = ChannelIndexOf(nID);
    if (nChannel >= 0)
        m_webList.Navigate(MakeListUrl(m_arrChannelNum.GetAt(nChannel)));
}

void CTvClientDlg::OnChannelDblClk(UINT nID)
{
    const int nChannel = ChannelIndexOf(nID);
    if (nChannel >= 0)
        SwitchToChannel(nChannel);
}

void CTvClientDlg::OnFeaturedLinkClicked()
{
    SwitchToChannel(kFeaturedChannel);
}

void CTvClientDlg::SwitchToChannel(int nChannel)
{
    if (nChannel == m_nCurChannel)
        return;
    m_nCurChannel = nChannel;
    m_images.ShowCurrentChannel(nChannel);
    m_playerBar.Restart(CurrentPlayUrl());
}

LRESULT CTvClientDlg::OnCountsFetched(WPARAM, LPARAM)
{
    m_onlineCounts.OnFetched();
    return 0;
}

void CTvClientDlg::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == TIMER_CHANNEL_REFRESH)
        m_onlineCounts.Refresh(m_strIniFile, m_hWnd);
}

// The counts may have changed since the last move: the tips are rebuilt every time.
void CTvClientDlg::OnMouseMove(UINT, CPoint point)
{
    m_portalTabs.Track(point, m_images);
    m_channelTips.ShowCounts(m_onlineCounts);
    Default();
}

// Only statics that take the mouse ever name themselves here, so the hand marks what is clickable.
BOOL CTvClientDlg::OnSetCursor(CWnd* pWnd, UINT, UINT)
{
    char className[80] = "";
    if (pWnd != nullptr)
        ::GetClassNameA(pWnd->m_hWnd, className, sizeof(className));
    if (std::strcmp(className, "Static") == 0) {
        ::SetCursor(::LoadCursorA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDC_SKIN_HAND)));
        return TRUE;
    }
    return static_cast<BOOL>(Default());
}

void CTvClientDlg::OnLButtonDown(UINT, CPoint point)
{
    m_portalTabs.Click(*this, point);
}

void CTvClientDlg::OnLogoClicked()
{
    OpenPortalPage(*this, kPortalHome);
}

void CTvClientDlg::OnHelpTabClicked()
{
    OpenPortalPage(*this, m_szHelpUrl);
}

void CTvClientDlg::OnListToggleClicked()
{
    m_channelColumn.Toggle(*this, m_images);
}

void CTvClientDlg::OnHideToTray()
{
    m_trayIcon.HideWindow(*this);
}

// Looked up when the bar asks: an index beyond the table fails the handler there.
CPlayerBar::PlayUrl CTvClientDlg::CurrentPlayUrl()
{
    return [this] { return static_cast<LPCSTR>(m_arrPlayUrl.GetAt(m_nCurChannel)); };
}

void CTvClientDlg::Play()
{
    m_playerBar.Play(CurrentPlayUrl());
}

void CTvClientDlg::OnPlayPause()
{
    m_playerBar.PlayPause(CurrentPlayUrl());
}

void CTvClientDlg::OnStopClicked()
{
    m_playerBar.Stop();
}

void CTvClientDlg::OnFullScreen()
{
    m_playerBar.FullScreen();
}

void CTvClientDlg::OnMute()
{
    m_playerBar.Mute();
}

void CTvClientDlg::OnVolumeUp()
{
    m_playerBar.VolumeUp();
}

void CTvClientDlg::OnVolumeDown()
{
    m_playerBar.VolumeDown();
}

void CTvClientDlg::OnPauseCommand()
{
    m_playerBar.PauseCommand();
}

void CTvClientDlg::OnPlayerStateChange(long)
{
    m_playerBar.OnPlayerStateChange();
}

void CTvClientDlg::OnPlayerEnterKey()
{
    m_player.SetFullScreen(TRUE);
}

void CTvClientDlg::OnPlayerDoubleClick(short, short, long, long)
{
    m_player.SetFullScreen(TRUE);
}

LRESULT CTvClientDlg::OnTrayNotify(WPARAM wParam, LPARAM lParam)
{
    return m_trayIcon.OnNotify(*this, wParam, lParam);
}

// Playback stops as with the stop button, and the icon goes with the window. A dialog that
// failed to create its controls has no player to stop.
void CTvClientDlg::OnDestroy()
{
    if (m_player.GetControlDispatch() != nullptr)
        m_playerBar.Stop();
    m_trayIcon.Remove();
    CDialog::OnDestroy();
}
