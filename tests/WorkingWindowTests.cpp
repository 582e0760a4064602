// The main window at work: the player bar, the channel buttons, the web panes, the online counts,
// hover and cursor and the channel column, with a local web server for the panes and the counts.
#include <utility>

#include "CountsDocument.h"
#include "LocalHttpServer.h"
#include "MessagePump.h"
#include "MainWindowFixture.h"
#include "TestHelpers.h"
#include "portal/PortalTabs.h"
#include "skin/SkinGeometry.h"

namespace {

// Shown by no handler: a control still showing it was left alone.
constexpr UINT kMarker = IDB_PLAY_BUTTON_GREYED;
const char kIdlePicturePut[] = "put 19 .\\AD\\Pic1.BMP";

class WorkingWindowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_TRUE(m_server->Listening());
        m_channels.clear();
        for (int i = 0; i < kCountedChannels; ++i)
            m_channels += "play://" + std::to_string(i) + ";";
        m_numbers = Numbers(kChannelButtonCount, 300);
        m_ini.insert({{"LISTURL", m_server->Origin() + "/list?c="}, {"RIGHTURL", m_server->Origin() + "/right"},
                      {"MIDDLEURL", m_server->Origin() + "/middle"}, {"XML", m_server->Origin() + "/counts"}});
    }

    // Opens the window and waits until the panes' first pages have been asked for.
    void OpenSettled()
    {
        Open();
        for (const std::string& prefix : {ListPath(0), std::string("/right"), std::string("/middle")})
            ASSERT_TRUE(m_server->WaitFor(prefix)) << prefix;
    }

    // The bar in this state, reached as the window reaches it, then the player in this one; the
    // play-pause, stop and mute buttons marked and no calls yet.
    void Prepare(long nPlayer, int nBar)
    {
        m_player->m_nPlayState = PLAYSTATE_STOPPED;  // a player that takes requests
        m_dlg.SendMessage(WM_COMMAND, ID_PLAYER_PAUSE);  // pauses the bar from any state
        if (nBar == PLAYSTATE_PLAYING)
            Press(IDC_PLAY_PAUSE);  // resumes
        else if (nBar == PLAYSTATE_STOPPED)
            Press(IDC_STOP);
        ASSERT_EQ(m_dlg.m_playerBar.PlayState(), nBar);
        m_player->m_nPlayState = nPlayer;
        const LPARAM marker = reinterpret_cast<LPARAM>(m_dlg.m_images.m_bitmaps.Get(kMarker));
        for (UINT nID : {IDC_PLAY_PAUSE, IDC_STOP, IDC_MUTE})
            ::SendMessageA(Item(nID), STM_SETIMAGE, IMAGE_BITMAP, marker);
        TakeCalls();
    }

    void ExpectBar(int nState, UINT nPlayPause, UINT nStop)
    {
        EXPECT_EQ(m_dlg.m_playerBar.PlayState(), nState);
        EXPECT_EQ(Shown(IDC_PLAY_PAUSE), nPlayPause);
        EXPECT_EQ(Shown(IDC_STOP), nStop);
    }

    void MoveMouse(int x, int y) { m_dlg.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
    Strings TakeCalls() { return std::exchange(m_player->m_calls, {}); }
    std::string ListPath(int i) const { return "/list?c=" + m_numbers[static_cast<size_t>(i)]; }

    // Once the refresh has ended, the table holds exactly these entries, and a move of the mouse
    // puts them in the tips.
    void ExpectCounts(const Strings& expected, DWORD nTimeoutMs = 5000)
    {
        ASSERT_TRUE(PumpUntil([&] { return !m_dlg.m_onlineCounts.IsRefreshing(); }, nTimeoutMs));
        EXPECT_EQ(ToEntries(m_dlg.m_onlineCounts.Counts()), expected);
        MoveMouse(1, 1);
        for (int i = 0; i < kChannelButtonCount; ++i) {
            char text[256] = "";
            TOOLINFOA info{};
            info.cbSize = sizeof(info);
            info.uFlags = TTF_IDISHWND;
            info.hwnd = Item(kChannelButtons[i].nCtrlId);
            info.uId = reinterpret_cast<UINT_PTR>(info.hwnd);
            info.lpszText = text;
            const CToolTipCtrl& tip = m_dlg.m_channelTips.Tip(i);
            tip.SendMessage(TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&info));
            EXPECT_EQ(std::string(text), "当前在线人数：" + expected[size_t(i)] + ".双击收看") << i;
        }
    }

    std::unique_ptr<CLocalHttpServer> m_server = std::make_unique<CLocalHttpServer>();
};

TEST_F(WorkingWindowTest, BarButtonsThePauseCommandAndThePlayersEventsFollowTheBarAndAskThePlayer)
{
    Open();
    Press(kChannelButtons[3].nCtrlId, WM_LBUTTONDBLCLK);
    ASSERT_EQ(m_dlg.m_nCurChannel, 3);
    const UINT M = kMarker;  // left alone
    constexpr UINT PLAYPAUSE = IDC_PLAY_PAUSE, STOP = IDC_STOP, PAUSE = ID_PLAYER_PAUSE, BAR_FS = IDC_BAR_FULLSCREEN,
                   TITLE_FS = IDC_FULLSCREEN_BUTTON, STATE = PLAYER_EVENT_STATECHANGE, ENTER = PLAYER_EVENT_ENTERKEY,
                   DBLCLK = PLAYER_EVENT_DOUBLECLICK;
    constexpr UINT PAUSE_IMG = IDB_PAUSE_BUTTON, PLAY_IMG = IDB_PLAY_BUTTON, STOP_IMG = IDB_STOP_BUTTON,
                   GREY_IMG = IDB_STOP_BUTTON_GREYED;
    struct Case { UINT nID; long nPlayer; int nBar; Strings calls; int nBarAfter; UINT nPlayPause, nStop; };
    const Case cases[] = {
        // Play-pause, stop and the pause command follow the bar unless the player connects.
        {PLAYPAUSE, 3, 2, {"get 6"}, 2, M, M},
        {PLAYPAUSE, 0, 0, {"get 6", "call 27", "put 2 play://3"}, 2, PAUSE_IMG, STOP_IMG},
        {PLAYPAUSE, 0, 1, {"get 6", "call 28"}, 2, PAUSE_IMG, STOP_IMG},
        {PLAYPAUSE, 2, 2, {"get 6", "call 26"}, 1, PLAY_IMG, STOP_IMG},
        {PLAYPAUSE, 1, 2, {"get 6", "call 26"}, 1, PLAY_IMG, STOP_IMG}, {STOP, 3, 2, {"get 6"}, 2, M, M},
        {STOP, 2, 0, {"get 6"}, 0, M, M}, {STOP, 2, 1, {"get 6", "call 27"}, 0, PLAY_IMG, GREY_IMG},
        {STOP, 0, 2, {"get 6", "call 27"}, 0, PLAY_IMG, GREY_IMG}, {PAUSE, 3, 2, {"get 6"}, 2, M, M},
        {PAUSE, 2, 2, {"get 6", "call 26"}, 1, M, M}, {PAUSE, 0, 0, {"get 6", "call 26"}, 1, M, M},
        // Full screen only for a picture that plays or stands paused.
        {BAR_FS, 2, 2, {"get 6", "put 7 true"}, 2, M, M}, {BAR_FS, 1, 2, {"get 6", "get 6", "put 7 true"}, 2, M, M},
        {BAR_FS, 0, 2, {"get 6", "get 6"}, 2, M, M}, {BAR_FS, 3, 2, {"get 6", "get 6"}, 2, M, M},
        {TITLE_FS, 1, 2, {"get 6", "get 6", "put 7 true"}, 2, M, M}, {TITLE_FS, 3, 2, {"get 6", "get 6"}, 2, M, M},
        // The state event claims the bar's state, but the player is asked; Enter and a double click
        // ask for full screen in any state.
        {STATE, 2, 0, {"get 6", "get 6"}, 0, PAUSE_IMG, STOP_IMG},
        {STATE, 0, 2, {"get 6", kIdlePicturePut, "get 6"}, 2, M, M},
        {STATE, 1, 1, {"get 6", kIdlePicturePut, "get 6"}, 1, M, M},
        {STATE, 3, 2, {"get 6", kIdlePicturePut, "get 6"}, 2, M, M}, {ENTER, 0, 2, {"put 7 true"}, 2, M, M},
        {ENTER, 3, 2, {"put 7 true"}, 2, M, M}, {DBLCLK, 0, 2, {"put 7 true"}, 2, M, M},
        {DBLCLK, 3, 2, {"put 7 true"}, 2, M, M},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.nID) + " player " + std::to_string(c.nPlayer) + " bar " + std::to_string(c.nBar));
        Prepare(c.nPlayer, c.nBar);
        std::vector<COleVariant> args;  // an event's parameters, last first
        if (c.nID == STATE) {
            args.emplace_back(static_cast<long>(c.nBar));
        } else if (c.nID == DBLCLK) {
            for (long x : {80, 120})
                args.emplace_back(x);
            for (long button : {0, 1})
                args.emplace_back(button, VT_I2);
        }
        DISPPARAMS params = {args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        if (c.nID == ID_PLAYER_PAUSE)
            m_dlg.SendMessage(WM_COMMAND, ID_PLAYER_PAUSE, 0);
        else if (c.nID == STATE || c.nID == ENTER || c.nID == DBLCLK)
            EXPECT_EQ(m_dlg.OnEvent(IDC_PLAYER, c.nID, &params), S_OK);
        else
            Press(c.nID);
        EXPECT_EQ(TakeCalls(), c.calls);
        ExpectBar(c.nBarAfter, c.nPlayPause, c.nStop);
    }
}

TEST_F(WorkingWindowTest, MuteRemembersTheVolumeAndTheStepsStayWithinZeroTo100)
{
    Open();
    constexpr UINT MUTE = IDC_MUTE, UP = IDC_VOLUME_UP, DOWN = IDC_VOLUME_DOWN;
    constexpr UINT MUTED = IDB_SOUND_MUTED, ON = IDB_SOUND_ON;
    // One session: each press starts where the previous one left the player, or at the volume given.
    const struct { UINT nID; long nVolume; Strings calls; UINT nMuteImage; } presses[] = {
        {MUTE, 70, {"get 5", "put 5 0"}, MUTED}, {MUTE, -1, {"put 5 70"}, ON},  // mute, unmute
        {MUTE, -1, {"get 5", "put 5 0"}, MUTED}, {UP, -1, {"get 5", "get 5", "put 5 10"}, ON},  // up while muted
        {MUTE, -1, {"get 5", "put 5 0"}, MUTED}, {MUTE, -1, {"put 5 10"}, ON},  // the mute after that saves 10
        // A step always unmutes.
        {UP, 90, {"get 5", "get 5", "put 5 100"}, ON}, {UP, 91, {"get 5"}, ON}, {UP, 100, {"get 5"}, ON},
        {UP, 0, {"get 5", "get 5", "put 5 10"}, ON},   {DOWN, 10, {"get 5", "get 5", "put 5 0"}, ON},
        {DOWN, 9, {"get 5"}, ON},                      {DOWN, 0, {"get 5"}, ON},
        {DOWN, 100, {"get 5", "get 5", "put 5 90"}, ON},
    };
    for (const auto& c : presses) {
        SCOPED_TRACE(std::to_string(c.nID) + " at " + std::to_string(c.nVolume));
        if (c.nVolume >= 0)
            m_player->m_nVolume = c.nVolume;
        Prepare(PLAYSTATE_STOPPED, PLAYSTATE_PLAYING);  // the states the start left
        Press(c.nID);
        EXPECT_EQ(TakeCalls(), c.calls);
        EXPECT_EQ(Shown(IDC_MUTE), c.nMuteImage);
    }
}

TEST_F(WorkingWindowTest, EmptyPlayTableFailsTheFirstPlayWithAnInvalidArgument)
{
    m_channels.clear();
    Open();
    EXPECT_EQ(TakeCalls(), (Strings{"put 12 false", kIdlePicturePut, "call 27"}));
    EXPECT_EQ(m_dlg.m_playerBar.PlayState(), PLAYSTATE_STOPPED);
    ExpectInvalidArgumentReported();
}

TEST_F(WorkingWindowTest, StartNavigatesEachPaneOnceThenAClickShowsAListADoubleClickSwitchesAndTheLinkPlaysTheFeatured)
{
    std::string longRight = m_server->Origin() + "/right/";
    longRight.resize(150, 'r');
    m_ini["RIGHTURL"] = longRight;
    OpenSettled();
    // Long addresses are cut to 99 characters.
    const std::string rightPath = longRight.substr(0, 99).substr(m_server->Origin().size());
    Strings expectedLists = {ListPath(0)};
    // Channel 0 is current at start; a second double click or link click finds its channel current.
    for (int i : {0, 5, 13, 13, kFeaturedChannel, kFeaturedChannel, 1}) {
        SCOPED_TRACE(i);
        const bool bSwitches = i != m_dlg.m_nCurChannel;
        Prepare(PLAYSTATE_STOPPED, PLAYSTATE_PAUSED);  // the bar shows whether the channel restarted
        if (i == kFeaturedChannel) {
            Press(IDC_FEATURED_LINK);
        } else {
            // The first click's list page is asked for before the second click comes, as with a hand.
            const size_t nAsked = m_server->Requests(ListPath(i)).size();
            Press(kChannelButtons[i].nCtrlId);
            expectedLists.push_back(ListPath(i));
            EXPECT_TRUE(PumpUntil([&] { return m_server->Requests(ListPath(i)).size() > nAsked; }));
            Press(kChannelButtons[i].nCtrlId, WM_LBUTTONDBLCLK);
        }
        EXPECT_EQ(m_dlg.m_nCurChannel, i);
        EXPECT_EQ(TakeCalls(), (bSwitches ? Strings{"call 27", "put 2 play://" + std::to_string(i)} : Strings{}));
        ExpectBar(bSwitches ? PLAYSTATE_PLAYING : PLAYSTATE_PAUSED, bSwitches ? IDB_PAUSE_BUTTON : kMarker,
                  bSwitches ? IDB_STOP_BUTTON : kMarker);
        for (int k = 0; k < kChannelButtonCount; ++k) {
            const UINT nCtrlId = kChannelButtons[k].nCtrlId;
            EXPECT_EQ(Shown(nCtrlId), k == i ? kChannelButtons[k].nSelectedBitmap : StartBitmapOf(nCtrlId)) << k;
        }
    }
    // Anything the start or a double click navigated reaches the server before this last single click.
    Press(kChannelButtons[7].nCtrlId);
    expectedLists.push_back(ListPath(7));
    ASSERT_TRUE(m_server->WaitFor(ListPath(7)));
    EXPECT_EQ(m_server->Requests("/list"), expectedLists);
    EXPECT_EQ(m_server->Requests("/right"), Strings{rightPath});
    EXPECT_EQ(m_server->Requests("/middle"), Strings{"/middle"});
}

TEST_F(WorkingWindowTest, ButtonsBeyondTheChannelNumbersReportAnInvalidArgument)
{
    m_numbers.resize(5);
    OpenSettled();
    const size_t nBefore = m_server->Requests().size();
    Press(kChannelButtons[5].nCtrlId);
    ExpectInvalidArgumentReported();
    // The list pane navigates nothing for it: the next click's page is the next request.
    Press(kChannelButtons[4].nCtrlId);
    ASSERT_TRUE(m_server->WaitFor(ListPath(4)));
    EXPECT_EQ(m_server->Requests("/", nBefore), Strings{ListPath(4)});
}

TEST_F(WorkingWindowTest, WithoutChannelNumbersTheStartStillCompletes)
{
    m_numbers.clear();
    Open();
    EXPECT_EQ(TakeCalls(), (Strings{"put 12 false", kIdlePicturePut, "call 27", "put 2 play://0"}));
    EXPECT_EQ(m_dlg.m_playerBar.PlayState(), PLAYSTATE_PLAYING);
    for (int i = 0; i < kChannelButtonCount; ++i)
        EXPECT_EQ(m_dlg.m_channelTips.Tip(i).SendMessage(TTM_GETTOOLCOUNT), 1) << i;
    EXPECT_TRUE(TestApp().m_messages.empty());
    // The list pane starts blank: the first page it asks for is one the test gives it.
    m_dlg.m_webList.Navigate((m_server->Origin() + "/probe").c_str());
    ASSERT_TRUE(m_server->WaitFor("/probe"));
    EXPECT_EQ(m_server->Requests("/list"), Strings{});
}

// Only the refresh timer fetches again, from the address the configuration holds at that moment.
TEST_F(WorkingWindowTest, UnreachableServerThenEachRefreshRereadsTheAddressForTheFirst15Counts)
{
    const unsigned short nPort = m_server->Port();
    m_server.reset();  // the port now refuses connections
    Open();
    ExpectCounts(Strings(kCountedChannels, kCountUnavailable));

    m_server = std::make_unique<CLocalHttpServer>(nPort);
    ASSERT_TRUE(m_server->Listening());
    const Strings counts = Numbers(20, 7);
    m_server->Serve("/counts", Document(Records(counts)));
    m_dlg.SendMessage(WM_TIMER, TIMER_CHANNEL_REFRESH + 1);
    ExpectCounts(Strings(kCountedChannels, kCountUnavailable));
    m_dlg.SendMessage(WM_TIMER, TIMER_CHANNEL_REFRESH);
    ExpectCounts(Strings(counts.begin(), counts.begin() + kCountedChannels));
    EXPECT_EQ(m_server->Requests("/counts"), Strings{"/counts"});

    // A document the channel server garbles makes every count unavailable.
    m_server->Serve("/counts/garbled", "<Channels><Channel>");
    m_ini["XML"] = m_server->Origin() + "/counts/garbled";
    WriteConfiguration();
    m_dlg.SendMessage(WM_TIMER, TIMER_CHANNEL_REFRESH);
    ExpectCounts(Strings(kCountedChannels, kCountUnavailable));
    EXPECT_EQ(m_server->Requests().back(), "/counts/garbled");
}

// The opening fetches the counts twice, one after the other, before it asks for the version file. A
// later refresh whose server trickles its whole answer ends within the limit, without the counts.
TEST_F(WorkingWindowTest, TheOpeningFetchesTheCountsTwiceBeforeTheVersionFileAndATrickledRefreshEndsInTime)
{
    const Strings counts = Numbers(kCountedChannels, 40);
    m_server->Serve("/counts", Document(Records(counts)));
    m_server->Serve("/p.ini", "[Version]\r\nVersion=1\r\n");
    m_ini["APPURL"] = m_server->Origin() + "/p.ini";
    Open();
    Strings fetched;
    for (const std::string& path : m_server->Requests())
        if (path == "/counts" || path == "/p.ini")
            fetched.push_back(path);
    EXPECT_EQ(fetched, (Strings{"/counts", "/counts", "/p.ini"}));
    EXPECT_FALSE(m_dlg.m_onlineCounts.IsRefreshing());
    ExpectCounts(counts);

    m_server->Serve("/counts", Document(Records(counts)), CLocalHttpServer::Delivery::Trickle);
    const DWORD start = ::GetTickCount();
    m_dlg.SendMessage(WM_TIMER, TIMER_CHANNEL_REFRESH);
    EXPECT_LT(::GetTickCount() - start, 1000u);
    ExpectCounts(Strings(kCountedChannels, kCountUnavailable), config::kFetchTimeLimitMs + 5000);
    EXPECT_GE(::GetTickCount() - start, config::kFetchTimeLimitMs - 500);
    EXPECT_LE(::GetTickCount() - start, config::kFetchTimeLimitMs + 2000);
}

// The images the statics of this thread are given, in order.
using Images = std::vector<std::pair<HWND, HBITMAP>>;
Images g_imagesGiven;

LRESULT CALLBACK RecordImages(int nCode, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* pMsg = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (nCode == HC_ACTION && pMsg->message == STM_SETIMAGE)
        g_imagesGiven.emplace_back(pMsg->hwnd, reinterpret_cast<HBITMAP>(pMsg->lParam));
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

TEST_F(WorkingWindowTest, ATabLightsUpOnlyInsideItsZoneLoadingOnlyOnCrossingAndTheHandShowsOverStaticsThatTakeIt)
{
    Open();
    PlaceAt(IDC_TAB1, CRect(RECT{156, 31, 260, 96}));
    m_dlg.m_portalTabs.CaptureRects(m_dlg);
    const struct { int x, y; bool bInside; } points[] = {
        {167, 22, true}, {249, 54, true}, {166, 40, false}, {250, 40, false}, {200, 21, false}, {200, 55, false},
    };
    for (const auto& p : points) {
        SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
        MoveMouse(p.x, p.y);
        EXPECT_EQ(Shown(IDC_TAB1), p.bInside ? IDB_TAB1_HOT : IDB_TAB1);
        MoveMouse(1, 1);
        EXPECT_EQ(Shown(IDC_TAB1), IDB_TAB1);
    }

    HHOOK hHook = ::SetWindowsHookExA(WH_CALLWNDPROC, RecordImages, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hHook, nullptr);
    MoveMouse(200, 40);
    const int nLoaded = m_dlg.m_images.m_bitmaps.LoadedCount();
    g_imagesGiven.clear();
    MoveMouse(210, 45);
    EXPECT_TRUE(g_imagesGiven.empty()) << "a move inside the zone changes nothing";
    EXPECT_EQ(m_dlg.m_images.m_bitmaps.LoadedCount(), nLoaded);

    // Straight from tab 2's zone into tab 1's.
    const CRect rcTab2 = m_dlg.m_portalTabs.TabRect(1);
    const CPoint inTab2((rcTab2.left + rcTab2.right) / 2, (rcTab2.top - 10 + rcTab2.bottom - 41) / 2);
    ASSERT_TRUE(IsInTabHoverZone(rcTab2, inTab2));
    ASSERT_FALSE(IsInTabHoverZone(m_dlg.m_portalTabs.TabRect(0), inTab2));
    MoveMouse(inTab2.x, inTab2.y);
    EXPECT_EQ(Shown(IDC_TAB1), IDB_TAB1);
    EXPECT_EQ(Shown(IDC_TAB2), IDB_TAB2_HOT);
    g_imagesGiven.clear();
    MoveMouse(200, 40);
    ::UnhookWindowsHookEx(hHook);
    CBitmapCache& bitmaps = m_dlg.m_images.m_bitmaps;
    const Images expected = {{Item(IDC_TAB1), bitmaps.Get(IDB_TAB1_HOT)}, {Item(IDC_TAB2), bitmaps.Get(IDB_TAB2)}};
    EXPECT_EQ(g_imagesGiven, expected);

    const HCURSOR hHand = ::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_SKIN_HAND));
    ASSERT_NE(hHand, nullptr);
    // 0 is the dialog itself: back on it after a static, the arrow comes back.
    const struct { UINT nOver; bool bHand; } cases[] = {
        {0, false}, {IDC_CHANNEL0, true}, {0, false}, {IDC_CHANNEL13, true}, {IDC_LIST_TOGGLE, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nOver);
        HWND hOver = c.nOver == 0 ? m_dlg.m_hWnd : Item(c.nOver);
        LRESULT handled =
            m_dlg.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(hOver), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_TRUE(!c.bHand || handled == TRUE);
        EXPECT_EQ(::GetCursor(), c.bHand ? hHand : ::LoadCursorA(nullptr, IDC_ARROW));
    }
}

TEST_F(WorkingWindowTest, ColumnHandleCollapsesAndExpandsTheChannelColumn)
{
    OpenSettled();
    const size_t nRequests = m_server->Requests().size();
    PlaceAt(IDC_WEB_LIST, CRect(RECT{0, 580, 188, 786}));
    PlaceAt(IDC_LIST_TOGGLE, CRect(RECT{182, 100, 192, 772}));
    PlaceAt(IDC_WEB_MIDDLE, CRect(RECT{191, 554, 765, 786}));
    PlaceAt(IDC_LOGO, CRect(RECT{0, 31, 157, 96}));
    m_dlg.m_channelColumn.CaptureRects(m_dlg);
    const UINT moved[] = {IDC_WEB_LIST, IDC_LIST_TOGGLE, IDC_WEB_MIDDLE, IDC_PLAYER};
    const struct { bool bCollapsed; UINT nHandleImage; Placement places[4]; } states[] = {
        {true, IDB_LIST_HANDLE_COLLAPSED, {{0, 0, 0, 0}, {-8, 69, 10, 672}, {3, 523, 762, 232}, {3, 65, 762, 458}}},
        {false, IDB_LIST_HANDLE_SHOWN,
         {{0, 549, 188, 206}, {180, 69, 10, 672}, {191, 523, 574, 232}, {191, 65, 574, 458}}},
    };
    for (const auto& s : states) {
        SCOPED_TRACE(s.bCollapsed ? "collapsed" : "expanded");
        Press(IDC_LIST_TOGGLE);
        EXPECT_EQ(Shown(IDC_LIST_TOGGLE), s.nHandleImage);
        EXPECT_EQ(::IsWindowVisible(Item(IDC_LIST_HEADER)) != FALSE, !s.bCollapsed);
        for (const ChannelButton& button : kChannelButtons)
            EXPECT_EQ(::IsWindowVisible(Item(button.nCtrlId)) != FALSE, !s.bCollapsed) << button.nCtrlId;
        for (size_t k = 0; k < std::size(moved); ++k) {
            const Placement actual = PlacementOf(moved[k]);
            // Wherever the collapsed list pane went, nothing of it is left.
            EXPECT_TRUE(s.places[k].cx == 0 ? actual.cx + actual.cy == 0 : actual == s.places[k])
                << moved[k] << " at " << testing::PrintToString(actual);
        }
    }
    // Folding navigates nothing: the next click's page is the next request.
    Press(kChannelButtons[3].nCtrlId);
    ASSERT_TRUE(m_server->WaitFor(ListPath(3)));
    EXPECT_EQ(m_server->Requests("/", nRequests), Strings{ListPath(3)});
}

}  // namespace
