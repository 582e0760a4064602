// The main window at work: the player bar, the channel buttons, the web panes, the online counts,
// hover and cursor and the channel column, with a local web server for the panes and the counts.
#include <utility>

#include "LocalHttpServer.h"
#include "MainWindowFixture.h"
#include "TestHelpers.h"
#include "skin/SkinGeometry.h"

namespace {

// Shown by no handler: a control still showing it was left alone.
constexpr UINT kMarker = IDB_PLAY_BUTTON_GREYED;
const char kUnavailable[] = "暂时无法统计";
const char kIdlePicturePut[] = "put 19 .\\AD\\Pic1.BMP";
const char kInvalidArgument[] = "An invalid argument was encountered.";
// Long enough for a navigation the window should not have made to reach the server.
constexpr DWORD kQuietMs = 1000;

// A channel server record: eight fields, then the count as the ninth child; lead goes before the fields.
std::string Record(const std::string& count, const std::string& lead = "")
{
    const char fields[] = "<F0>f0</F0><F1>f1</F1><F2>f2</F2><F3>f3</F3><F4>f4</F4><F5>f5</F5><F6>f6</F6><F7>f7</F7>";
    const std::string online = count.empty() ? "<Online/>" : "<Online>" + count + "</Online>";
    return "<Channel>" + lead + fields + online + "</Channel>";
}

// The channel server's document: between goes before each record and before the end.
std::string Document(const Strings& records, const std::string& between = "")
{
    std::string document = "<?xml version=\"1.0\"?><Channels>";
    for (const std::string& record : records)
        document += between + record;
    return document + between + "</Channels>";
}

// Distinct numbers as text, from the first on.
Strings Numbers(int nCount, int nFirst)
{
    Strings numbers;
    for (int i = 0; i < nCount; ++i)
        numbers.push_back(std::to_string(nFirst + 37 * i));
    return numbers;
}

Strings Records(Strings counts)
{
    for (std::string& count : counts)
        count = Record(count);
    return counts;
}

class WorkingWindowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_TRUE(m_server->Listening());
        m_channels.clear();
        for (int i = 0; i < 15; ++i)
            m_channels += "play://" + std::to_string(i) + ";";
        m_numbers = Numbers(kChannelButtonCount, 300);
        m_ini = {{"LISTURL", m_server->Origin() + "/list?c="}, {"RIGHTURL", m_server->Origin() + "/right"},
                 {"MIDDLEURL", m_server->Origin() + "/middle"}, {"XML", m_server->Origin() + "/counts"}};
    }

    // Opens the window and waits until the panes' first pages have been asked for.
    void OpenSettled()
    {
        Open();
        for (const std::string& prefix : {ListPath(0), std::string("/right"), std::string("/middle")})
            ASSERT_TRUE(m_server->WaitFor(prefix)) << prefix;
    }

    // The player and the bar in these states, the play-pause, stop and mute buttons marked and no calls yet.
    void Prepare(long nPlayer, int nBar)
    {
        m_player->m_nPlayState = nPlayer;
        m_dlg.m_nPlayState = nBar;
        const LPARAM marker = reinterpret_cast<LPARAM>(m_dlg.m_bitmaps.Get(kMarker));
        for (UINT nID : {1057u, 1058u, 1064u})
            ::SendMessageA(Item(nID), STM_SETIMAGE, IMAGE_BITMAP, marker);
        TakeCalls();
    }

    void ExpectBar(int nState, UINT nPlayPause, UINT nStop)
    {
        EXPECT_EQ(m_dlg.m_nPlayState, nState);
        EXPECT_EQ(Shown(1057), nPlayPause);
        EXPECT_EQ(Shown(1058), nStop);
    }

    void MoveMouse(int x, int y) { m_dlg.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }
    Strings TakeCalls() { return std::exchange(m_player->m_calls, {}); }
    std::string ListPath(int i) const { return "/list?c=" + m_numbers[static_cast<size_t>(i)]; }

    // The table holds exactly these 15 entries, and a move of the mouse puts them in the tips.
    void ExpectCounts(const Strings& expected)
    {
        EXPECT_EQ(ToEntries(m_dlg.m_arrOnlineCount), expected);
        MoveMouse(1, 1);
        for (int i = 0; i < kChannelButtonCount; ++i) {
            CString text;
            m_dlg.m_tipChannel[i].GetText(text, m_dlg.m_pChannelButton[i]);
            EXPECT_EQ(std::string(text), "当前在线人数：" + expected[size_t(i)] + ".双击收看") << i;
        }
    }

    std::unique_ptr<CLocalHttpServer> m_server = std::make_unique<CLocalHttpServer>();
};

TEST_F(WorkingWindowTest, BarButtonsThePauseCommandAndThePlayersEventsFollowTheBarAndAskThePlayer)
{
    Open();
    m_dlg.m_nCurChannel = 3;
    const UINT M = kMarker;  // left alone
    struct Case { UINT nID; long nPlayer; int nBar; Strings calls; int nBarAfter; UINT nPlayPause, nStop; };
    const Case cases[] = {
        // Play-pause, stop and the pause command (1007) follow the bar unless the player connects.
        {1057, 3, 2, {"get 6"}, 2, M, M}, {1057, 0, 0, {"get 6", "call 27", "put 2 play://3"}, 2, 180, 181},
        {1057, 0, 1, {"get 6", "call 28"}, 2, 180, 181}, {1057, 2, 2, {"get 6", "call 26"}, 1, 179, 181},
        {1057, 1, 2, {"get 6", "call 26"}, 1, 179, 181}, {1058, 3, 2, {"get 6"}, 2, M, M},
        {1058, 2, 0, {"get 6"}, 0, M, M},                {1058, 2, 1, {"get 6", "call 27"}, 0, 179, 182},
        {1058, 0, 2, {"get 6", "call 27"}, 0, 179, 182}, {1007, 3, 2, {"get 6"}, 2, M, M},
        {1007, 2, 2, {"get 6", "call 26"}, 1, M, M},     {1007, 0, 0, {"get 6", "call 26"}, 1, M, M},
        // Full screen only for a picture that plays or stands paused.
        {1060, 2, 2, {"get 6", "put 7 true"}, 2, M, M}, {1060, 1, 2, {"get 6", "get 6", "put 7 true"}, 2, M, M},
        {1060, 0, 2, {"get 6", "get 6"}, 2, M, M},      {1060, 3, 2, {"get 6", "get 6"}, 2, M, M},
        {1048, 2, 2, {"get 6", "put 7 true"}, 2, M, M}, {1048, 1, 2, {"get 6", "get 6", "put 7 true"}, 2, M, M},
        {1048, 0, 2, {"get 6", "get 6"}, 2, M, M},      {1048, 3, 2, {"get 6", "get 6"}, 2, M, M},
        // Event 6 claims the bar's state, but the player is asked; 204 and 6506 ask for full screen in any state.
        {6, 2, 0, {"get 6", "get 6"}, 0, 180, 181}, {6, 0, 2, {"get 6", kIdlePicturePut, "get 6"}, 2, M, M},
        {6, 1, 1, {"get 6", kIdlePicturePut, "get 6"}, 1, M, M},
        {6, 3, 2, {"get 6", kIdlePicturePut, "get 6"}, 2, M, M},
        {204, 0, 2, {"put 7 true"}, 2, M, M},  {204, 3, 2, {"put 7 true"}, 2, M, M},
        {6506, 0, 2, {"put 7 true"}, 2, M, M}, {6506, 3, 2, {"put 7 true"}, 2, M, M},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.nID) + " player " + std::to_string(c.nPlayer) + " bar " + std::to_string(c.nBar));
        Prepare(c.nPlayer, c.nBar);
        std::vector<COleVariant> args;  // an event's parameters, last first
        if (c.nID == 6)
            args = {COleVariant(static_cast<long>(c.nBar))};
        else if (c.nID == 6506)
            args = {COleVariant(80), COleVariant(120), COleVariant(0, VT_I2), COleVariant(1, VT_I2)};
        DISPPARAMS params = {args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        if (c.nID == ID_PLAYER_PAUSE)
            m_dlg.SendMessage(WM_COMMAND, ID_PLAYER_PAUSE, 0);
        else if (c.nID == 6 || c.nID == 204 || c.nID == 6506)
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
    // One session: each press starts where the previous one left the player, or at the volume given.
    const struct { UINT nID; long nVolume; Strings calls; UINT nMuteImage; } presses[] = {
        {1064, 70, {"get 5", "put 5 0"}, 199}, {1064, -1, {"put 5 70"}, 200},  // mute, unmute
        {1064, -1, {"get 5", "put 5 0"}, 199}, {1063, -1, {"get 5", "get 5", "put 5 10"}, 200},  // up while muted
        {1064, -1, {"get 5", "put 5 0"}, 199}, {1064, -1, {"put 5 10"}, 200},  // the mute after that saves 10
        // A step always unmutes.
        {1063, 90, {"get 5", "get 5", "put 5 100"}, 200}, {1063, 91, {"get 5"}, 200}, {1063, 100, {"get 5"}, 200},
        {1063, 0, {"get 5", "get 5", "put 5 10"}, 200},   {1062, 10, {"get 5", "get 5", "put 5 0"}, 200},
        {1062, 9, {"get 5"}, 200},                         {1062, 0, {"get 5"}, 200},
        {1062, 100, {"get 5", "get 5", "put 5 90"}, 200},
    };
    for (const auto& c : presses) {
        SCOPED_TRACE(std::to_string(c.nID) + " at " + std::to_string(c.nVolume));
        if (c.nVolume >= 0)
            m_player->m_nVolume = c.nVolume;
        Prepare(0, 2);  // the states the start left
        Press(c.nID);
        EXPECT_EQ(TakeCalls(), c.calls);
        EXPECT_EQ(Shown(1064), c.nMuteImage);
    }
}

TEST_F(WorkingWindowTest, EmptyPlayTableFailsTheFirstPlayWithAnInvalidArgument)
{
    m_channels.clear();
    Open();
    EXPECT_EQ(TakeCalls(), (Strings{"put 12 false", kIdlePicturePut, "call 27"}));
    EXPECT_EQ(m_dlg.m_nPlayState, 0);
    ASSERT_EQ(TestApp().m_messages.size(), 1u);
    EXPECT_STREQ(TestApp().m_messages[0].text, kInvalidArgument);
    EXPECT_EQ(TestApp().m_messages[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));
}

TEST_F(WorkingWindowTest, StartNavigatesEachPaneOnceThenAClickShowsAListADoubleClickSwitchesAndTheLinkPlays14)
{
    std::string longRight = m_server->Origin() + "/right/";
    longRight.resize(150, 'r');
    m_ini["RIGHTURL"] = longRight;
    OpenSettled();
    PumpMessages(kQuietMs);
    EXPECT_EQ(m_server->Requests("/list"), Strings{ListPath(0)});
    // Long addresses are cut to 99 characters.
    EXPECT_EQ(m_server->Requests("/right"), Strings{longRight.substr(0, 99).substr(m_server->Origin().size())});
    EXPECT_EQ(m_server->Requests("/middle"), Strings{"/middle"});

    const size_t nBefore = m_server->Requests().size();
    Strings expectedLists;
    // Channel 0 is current at start; a second double click or link click finds its channel current.
    for (int i : {0, 5, 13, 13, 14, 14, 1}) {
        SCOPED_TRACE(i);
        const bool bSwitches = i != m_dlg.m_nCurChannel;
        Prepare(0, 1);  // paused, the bar shows whether the channel restarted
        if (i == 14) {
            Press(IDC_FEATURED_LINK);
        } else {
            // The first click's list page is asked for before the second click comes, as with a hand.
            Press(kChannelButtonIds[i]);
            expectedLists.push_back(ListPath(i));
            EXPECT_TRUE(m_server->WaitFor(ListPath(i)));
            Press(kChannelButtonIds[i], WM_LBUTTONDBLCLK);
        }
        EXPECT_EQ(m_dlg.m_nCurChannel, i);
        EXPECT_EQ(TakeCalls(), (bSwitches ? Strings{"call 27", "put 2 play://" + std::to_string(i)} : Strings{}));
        ExpectBar(bSwitches ? 2 : 1, bSwitches ? 180u : kMarker, bSwitches ? 181u : kMarker);
        for (int k = 0; k < kChannelButtonCount; ++k)
            EXPECT_EQ(Shown(kChannelButtonIds[k]), k == i ? kChannelSelectedBitmaps[k] : kChannelNormalBitmaps[k]) << k;
    }
    // Anything a double click navigated would reach the server before this last single click.
    Press(kChannelButtonIds[7]);
    expectedLists.push_back(ListPath(7));
    ASSERT_TRUE(m_server->WaitFor(ListPath(7)));
    EXPECT_EQ(m_server->Requests("/", nBefore), expectedLists);
}

TEST_F(WorkingWindowTest, ButtonsBeyondTheChannelNumbersReportAnInvalidArgument)
{
    m_numbers.resize(5);
    OpenSettled();
    const size_t nBefore = m_server->Requests().size();
    Strings lists;
    for (int i = 0; i < 5; ++i) {
        Press(kChannelButtonIds[i]);
        lists.push_back(ListPath(i));
        EXPECT_TRUE(m_server->WaitFor(lists.back())) << i;
    }
    EXPECT_TRUE(TestApp().m_messages.empty());
    Press(1026);
    ASSERT_EQ(TestApp().m_messages.size(), 1u);
    EXPECT_STREQ(TestApp().m_messages[0].text, kInvalidArgument);
    EXPECT_EQ(TestApp().m_messages[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));
    PumpMessages(kQuietMs);
    EXPECT_EQ(m_server->Requests("/list", nBefore), lists);
}

TEST_F(WorkingWindowTest, WithoutChannelNumbersTheStartStillCompletes)
{
    m_numbers.clear();
    Open();
    EXPECT_TRUE(m_server->WaitFor("/right"));
    EXPECT_TRUE(m_server->WaitFor("/middle"));
    PumpMessages(kQuietMs);
    EXPECT_EQ(m_server->Requests("/list"), Strings{});
    for (int i = 0; i < kChannelButtonCount; ++i) {
        ASSERT_NE(m_dlg.m_tipChannel[i].m_hWnd, nullptr) << i;
        EXPECT_EQ(m_dlg.m_tipChannel[i].GetToolCount(), 1) << i;
    }
    EXPECT_EQ(TakeCalls(), (Strings{"put 12 false", kIdlePicturePut, "call 27", "put 2 play://0"}));
    EXPECT_EQ(m_dlg.m_nPlayState, 2);
    EXPECT_TRUE(TestApp().m_messages.empty());
}

TEST_F(WorkingWindowTest, CountsOfTheFirst15ChannelsBecomeTipsAndEachRefreshRereadsTheAddressForAWholeDocument)
{
    const Strings first = Numbers(20, 4100);
    m_server->Serve("/counts", Document(Records(first)));
    Open();
    ExpectCounts(Strings(first.begin(), first.begin() + 15));

    const Strings good = Numbers(15, 20), unavailable(15, kUnavailable), records = Records(good);
    auto with = [](Strings changed, size_t i, const std::string& text) { return changed[i] = text, changed; };
    const struct { const char* name; std::string document; Strings expected; } cases[] = {
        {"compact", Document(records), good},
        {"indented", Document(records, "\r\n    "), good},
        // A comment is a child: the ninth child is now the last field.
        {"comment-in-record", Document(with(records, 4, Record(good[4], "<!-- c -->"))), with(good, 4, "f7")},
        {"comment-between-records", Document(records, "<!-- c -->"), unavailable},
        {"fourteen-records", Document(Records(Numbers(14, 20))), unavailable},
        {"eight-children", Document(with(records, 6, "<Channel><A/><B/><C/><D/><E/><F/><G/><H/></Channel>")),
         unavailable},
        {"empty-count", Document(with(records, 9, Record(""))), with(good, 9, "")},
        {"not-xml", "<Channels><Channel>", unavailable},
        {"missing", "", unavailable},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = std::string("/counts/") + c.name;
        m_server->Serve(path, c.document);
        m_ini["XML"] = m_server->Origin() + path;
        WriteConfiguration();
        m_dlg.SendMessage(WM_TIMER, TIMER_CHANNEL_REFRESH);
        EXPECT_EQ(m_server->Requests().back(), path);
        ExpectCounts(c.expected);
    }
}

TEST_F(WorkingWindowTest, UnreachableServerThenOnlyTheRefreshTimerFetchesAgain)
{
    const unsigned short nPort = m_server->Port();
    m_server.reset();  // the port now refuses connections
    Open();
    ExpectCounts(Strings(15, kUnavailable));

    m_server = std::make_unique<CLocalHttpServer>(nPort);
    ASSERT_TRUE(m_server->Listening());
    const Strings counts = Numbers(15, 7);
    m_server->Serve("/counts", Document(Records(counts)));
    m_dlg.SendMessage(WM_TIMER, TIMER_CHANNEL_REFRESH + 1);
    ExpectCounts(Strings(15, kUnavailable));

    m_dlg.SendMessage(WM_TIMER, TIMER_CHANNEL_REFRESH);
    EXPECT_EQ(m_server->Requests("/counts"), Strings{"/counts"});
    ExpectCounts(counts);
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
    m_dlg.m_rcTab[0] = CRect(156, 31, 260, 96);
    const struct { int x, y; bool bInside; } points[] = {
        {167, 22, true}, {249, 54, true}, {166, 40, false}, {250, 40, false}, {200, 21, false}, {200, 55, false},
    };
    for (const auto& p : points) {
        SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
        MoveMouse(p.x, p.y);
        EXPECT_EQ(Shown(1036), p.bInside ? 168u : 152u);
        MoveMouse(1, 1);
        EXPECT_EQ(Shown(1036), 152u);
    }

    HHOOK hHook = ::SetWindowsHookExA(WH_CALLWNDPROC, RecordImages, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hHook, nullptr);
    MoveMouse(200, 40);
    const int nLoaded = m_dlg.m_bitmaps.LoadedCount();
    g_imagesGiven.clear();
    MoveMouse(210, 45);
    EXPECT_TRUE(g_imagesGiven.empty()) << "a move inside the zone changes nothing";
    EXPECT_EQ(m_dlg.m_bitmaps.LoadedCount(), nLoaded);

    // Straight from tab 2's zone into tab 1's.
    const CRect& rcTab2 = m_dlg.m_rcTab[1];
    const CPoint inTab2((rcTab2.left + rcTab2.right) / 2, (rcTab2.top - 10 + rcTab2.bottom - 41) / 2);
    ASSERT_TRUE(IsInTabHoverZone(rcTab2, inTab2));
    ASSERT_FALSE(IsInTabHoverZone(m_dlg.m_rcTab[0], inTab2));
    MoveMouse(inTab2.x, inTab2.y);
    EXPECT_EQ(Shown(1036), 152u);
    EXPECT_EQ(Shown(1037), 171u);
    g_imagesGiven.clear();
    MoveMouse(200, 40);
    ::UnhookWindowsHookEx(hHook);
    EXPECT_EQ(g_imagesGiven, (Images{{Item(1036), m_dlg.m_bitmaps.Get(168)}, {Item(1037), m_dlg.m_bitmaps.Get(153)}}));

    const HCURSOR hHand = ::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(150));
    ASSERT_NE(hHand, nullptr);
    // 0 is the dialog itself: back on it after a static, the arrow comes back.
    const struct { UINT nOver; bool bHand; } cases[] = {
        {0, false}, {1020, true}, {0, false}, {1068, true}, {1019, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nOver);
        HWND hOver = c.nOver == 0 ? m_dlg.m_hWnd : Item(c.nOver);
        LRESULT handled =
            m_dlg.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(hOver), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_TRUE(!c.bHand || handled == TRUE);
        EXPECT_EQ(::GetCursor(), c.bHand ? hHand : ::LoadCursorA(nullptr, IDC_ARROW));
    }
    // The handle now takes the mouse; the tabs, which only light up, let it through.
    EXPECT_EQ(::SendMessageA(Item(1019), WM_NCHITTEST, 0, 0), HTCLIENT);
    EXPECT_EQ(::SendMessageA(Item(1036), WM_NCHITTEST, 0, 0), HTTRANSPARENT);
}

TEST_F(WorkingWindowTest, ColumnHandleCollapsesAndExpandsTheChannelColumn)
{
    OpenSettled();
    const size_t nRequests = m_server->Requests().size();
    m_dlg.m_rcListPane = CRect(0, 580, 188, 786);
    m_dlg.m_rcToggle = CRect(182, 100, 192, 772);
    m_dlg.m_rcLowerPane = CRect(191, 554, 765, 786);
    m_dlg.m_rcLogo = CRect(0, 31, 157, 96);
    const UINT moved[] = {1010, 1019, 1005, 1002};  // the list pane, the handle, the lower pane, the player
    const struct { bool bCollapsed; UINT nHandleImage; Placement places[4]; } states[] = {
        {true, 176, {{0, 0, 0, 0}, {-8, 69, 10, 672}, {3, 523, 762, 232}, {3, 65, 762, 458}}},
        {false, 132, {{0, 549, 188, 206}, {180, 69, 10, 672}, {191, 523, 574, 232}, {191, 65, 574, 458}}},
    };
    for (const auto& s : states) {
        SCOPED_TRACE(s.bCollapsed ? "collapsed" : "expanded");
        Press(1019);
        EXPECT_EQ(Shown(1019), s.nHandleImage);
        EXPECT_EQ(::IsWindowVisible(Item(1022)) != FALSE, !s.bCollapsed);
        for (UINT nID : kChannelButtonIds)
            EXPECT_EQ(::IsWindowVisible(Item(nID)) != FALSE, !s.bCollapsed) << nID;
        for (size_t k = 0; k < std::size(moved); ++k) {
            CRect rc;
            ::GetWindowRect(Item(moved[k]), &rc);
            ::MapWindowPoints(nullptr, m_dlg.m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
            const Placement actual = {rc.left, rc.top, rc.Width(), rc.Height()};
            // Wherever the collapsed list pane went, nothing of it is left.
            EXPECT_TRUE(s.places[k].cx == 0 ? rc.Width() + rc.Height() == 0 : actual == s.places[k])
                << moved[k] << " at " << rc.left << "," << rc.top << " " << rc.Width() << "x" << rc.Height();
        }
    }
    PumpMessages(kQuietMs);
    EXPECT_EQ(m_server->Requests().size(), nRequests);
}

}  // namespace
