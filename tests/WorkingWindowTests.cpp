// The main window at work: the player bar, the channel buttons, the web panes, the online counts,
// hover and cursor and the channel column. The real window from the real template, with the
// recording stand-in for the player and a local web server for the panes and the counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FakePlayer.h"
#include "LocalHttpServer.h"
#include "TestApp.h"
#include "mainwnd/TvClientDlg.h"
#include "skin/SkinGeometry.h"

namespace {

class CProbeTvClientDlg : public CTvClientDlg {
public:
    using CTvClientDlg::m_arrOnlineCount;
    using CTvClientDlg::m_bitmaps;
    using CTvClientDlg::m_nCurChannel;
    using CTvClientDlg::m_nPlayState;
    using CTvClientDlg::m_pChannelButton;
    using CTvClientDlg::m_rcListPane;
    using CTvClientDlg::m_rcLogo;
    using CTvClientDlg::m_rcLowerPane;
    using CTvClientDlg::m_rcTab;
    using CTvClientDlg::m_rcToggle;
    using CTvClientDlg::m_tipChannel;
};

class CFakeDisplay : public CDisplay {
public:
    SIZE GetScreenSize() override { return {1280, 1024}; }
    void SwitchToMinimumMode() override {}
};

using Strings = std::vector<std::string>;
using Calls = Strings;

// Shown by no handler: a control still showing it was left alone.
constexpr UINT kMarker = IDB_PLAY_BUTTON_GREYED;
const char kUnavailable[] = "暂时无法统计";
const char kIdlePicturePut[] = "put 19 .\\AD\\Pic1.BMP";
const char kInvalidArgument[] = "An invalid argument was encountered.";
constexpr DWORD kRequestWaitMs = 5000;
// Long enough for a navigation the window should not have made to reach the server.
constexpr DWORD kQuietMs = 1000;

void WriteFile(const char* path, const std::string& content)
{
    FILE* file = std::fopen(path, "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
}

// The requests from the index nFrom on whose paths start with prefix.
Strings Requested(const CLocalHttpServer& server, const std::string& prefix, size_t nFrom = 0)
{
    Strings found;
    const Strings all = server.Requests();
    for (size_t i = nFrom; i < all.size(); ++i) {
        if (all[i].compare(0, prefix.size(), prefix) == 0)
            found.push_back(all[i]);
    }
    return found;
}

// A record of the channel server: eight fields, then the count as the ninth child; lead goes
// before the fields.
std::string Record(const std::string& count, const std::string& lead = "")
{
    std::string record = "<Channel>" + lead;
    for (int k = 0; k < 8; ++k)
        record += "<F" + std::to_string(k) + ">f" + std::to_string(k) + "</F" + std::to_string(k) + ">";
    return record + (count.empty() ? "<Online/>" : "<Online>" + count + "</Online>") + "</Channel>";
}

std::string Document(const Strings& records, const std::string& between = "")
{
    std::string document = "<?xml version=\"1.0\"?><Channels>";
    for (const std::string& record : records)
        document += between + record;
    return document + between + "</Channels>";
}

Strings SomeCounts(int nCount, int nSeed)
{
    Strings counts;
    for (int i = 0; i < nCount; ++i)
        counts.push_back(std::to_string(nSeed + 37 * i));
    return counts;
}

Strings Records(const Strings& counts)
{
    Strings records;
    for (const std::string& count : counts)
        records.push_back(Record(count));
    return records;
}

class WorkingWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { AfxEnableControlContainer(); }

    void SetUp() override
    {
        m_player = std::make_unique<CFakePlayerRegistration>();
        m_server = std::make_unique<CLocalHttpServer>();
        ASSERT_TRUE(m_server->Listening());
        m_origin = m_server->Origin();
        ::CreateDirectoryA("ini", nullptr);
        std::string channels;
        for (int i = 0; i < 15; ++i)
            channels += "play://" + std::to_string(i) + ";";
        WriteFile("Channel.txt", channels);
        for (int i = 0; i < 14; ++i)
            m_numbers.push_back(std::to_string(300 + 7 * i));
        m_ini = {{"LISTURL", m_origin + "/list?c="}, {"RIGHTURL", m_origin + "/right"},
                 {"MIDDLEURL", m_origin + "/middle"}, {"XML", m_origin + "/counts"}};
        TestApp().m_messages.clear();
        TestApp().m_answers.clear();
    }

    void TearDown() override
    {
        if (m_dlg.m_hWnd != nullptr)
            m_dlg.DestroyWindow();
        ::DeleteFileA("Channel.txt");
        ::DeleteFileA("ini\\Tavro.ini");
    }

    // Every key sits in the section of its own name; the channel numbers come from m_numbers.
    void WriteIni()
    {
        std::string numbers;
        for (const std::string& number : m_numbers)
            numbers += (numbers.empty() ? "" : "|") + number;
        std::string text = "[CHANNELNUM]\r\nCHANNELNUM=" + numbers + "\r\n";
        for (const auto& entry : m_ini)
            text += "[" + entry.first + "]\r\n" + entry.first + "=" + entry.second + "\r\n";
        WriteFile("ini\\Tavro.ini", text);
    }

    void Open()
    {
        WriteIni();
        m_dlg.m_pDisplay = &m_display;
        ASSERT_TRUE(m_dlg.Create(IDD_TVCLIENT_DIALOG));
    }

    // Opens the window and waits until the panes' first pages have been asked for.
    void OpenSettled()
    {
        Open();
        for (const std::string& prefix : {ListPath(0), std::string("/right"), std::string("/middle")})
            ASSERT_TRUE(m_server->WaitFor(
                [&](const std::string& path) { return path.compare(0, prefix.size(), prefix) == 0; }, kRequestWaitMs))
                << prefix;
    }

    HWND Item(UINT nID) const { return ::GetDlgItem(m_dlg.m_hWnd, static_cast<int>(nID)); }

    UINT Shown(UINT nID)
    {
        LRESULT hShown = ::SendMessageA(Item(nID), STM_GETIMAGE, IMAGE_BITMAP, 0);
        return m_dlg.m_bitmaps.IdOf(reinterpret_cast<HBITMAP>(hShown));
    }

    void Mark(std::initializer_list<UINT> ids)
    {
        for (UINT nID : ids)
            ::SendMessageA(Item(nID), STM_SETIMAGE, IMAGE_BITMAP,
                           reinterpret_cast<LPARAM>(m_dlg.m_bitmaps.Get(kMarker)));
    }

    // The mouse as the static sees it: the static tells the dialog.
    void Press(UINT nID, UINT message = WM_LBUTTONDOWN)
    {
        ::SendMessageA(Item(nID), message, MK_LBUTTON, MAKELPARAM(2, 2));
        ::SendMessageA(Item(nID), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }

    // The first click's list page is asked for before the second click comes, as with a hand.
    void DoubleClickChannel(int i)
    {
        Press(kChannelButtonIds[i]);
        EXPECT_TRUE(m_server->WaitFor(ListPath(i), kRequestWaitMs)) << ListPath(i);
        Press(kChannelButtonIds[i], WM_LBUTTONDBLCLK);
    }

    void MoveMouse(int x, int y) { m_dlg.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

    Calls TakeCalls() { return std::exchange(m_player->m_calls, {}); }

    std::string ListPath(int i) const { return "/list?c=" + m_numbers[static_cast<size_t>(i)]; }

    HRESULT Fire(DISPID dispid, std::vector<COleVariant> args)
    {
        std::reverse(args.begin(), args.end());  // the parameters travel last first
        DISPPARAMS params = {args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        return m_dlg.OnEvent(IDC_PLAYER, dispid, &params);
    }

    void ExpectOnlyMessage(const char* text)
    {
        ASSERT_EQ(TestApp().m_messages.size(), 1u);
        EXPECT_STREQ(TestApp().m_messages[0].text, text);
        EXPECT_EQ(TestApp().m_messages[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));
    }

    // The table holds exactly these 15 entries, and a move of the mouse puts them in the tips.
    void ExpectCounts(const Strings& expected)
    {
        Strings entries, tips, expectedTips;
        for (INT_PTR i = 0; i < m_dlg.m_arrOnlineCount.GetSize(); ++i)
            entries.emplace_back(m_dlg.m_arrOnlineCount[i]);
        EXPECT_EQ(entries, expected);
        MoveMouse(1, 1);
        for (int i = 0; i < kChannelButtonCount; ++i) {
            CString text;
            m_dlg.m_tipChannel[i].GetText(text, m_dlg.m_pChannelButton[i]);
            tips.emplace_back(text);
            expectedTips.push_back("当前在线人数：" + expected[static_cast<size_t>(i)] + ".双击收看");
        }
        EXPECT_EQ(tips, expectedTips);
    }

    std::unique_ptr<CFakePlayerRegistration> m_player;
    std::unique_ptr<CLocalHttpServer> m_server;
    std::string m_origin;
    Strings m_numbers;
    std::map<std::string, std::string> m_ini;
    CFakeDisplay m_display;
    CProbeTvClientDlg m_dlg;
};

// Player bar

TEST_F(WorkingWindowTest, PlayPauseStopAndThePauseCommandFollowTheBarsStateUnlessThePlayerConnects)
{
    Open();
    m_dlg.m_nCurChannel = 3;
    // Id 1007 is the command, the others are clicks.
    const struct { UINT nID; long nPlayer; int nBar; Calls calls; int nBarAfter; UINT nPlayPause, nStop; } cases[] = {
        {1057, 3, 2, {"get 6"}, 2, kMarker, kMarker},
        {1057, 0, 0, {"get 6", "call 27", "put 2 play://3"}, 2, 180, 181},
        {1057, 0, 1, {"get 6", "call 28"}, 2, 180, 181},
        {1057, 2, 2, {"get 6", "call 26"}, 1, 179, 181},
        {1057, 1, 2, {"get 6", "call 26"}, 1, 179, 181},
        {1058, 3, 2, {"get 6"}, 2, kMarker, kMarker},
        {1058, 2, 0, {"get 6"}, 0, kMarker, kMarker},
        {1058, 2, 1, {"get 6", "call 27"}, 0, 179, 182},
        {1058, 0, 2, {"get 6", "call 27"}, 0, 179, 182},
        {1007, 3, 2, {"get 6"}, 2, kMarker, kMarker},
        {1007, 2, 2, {"get 6", "call 26"}, 1, kMarker, kMarker},
        {1007, 0, 0, {"get 6", "call 26"}, 1, kMarker, kMarker},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.nID) + " player " + std::to_string(c.nPlayer) + " bar " + std::to_string(c.nBar));
        m_player->m_nPlayState = c.nPlayer;
        m_dlg.m_nPlayState = c.nBar;
        Mark({1057, 1058});
        TakeCalls();
        if (c.nID == ID_PLAYER_PAUSE)
            m_dlg.SendMessage(WM_COMMAND, ID_PLAYER_PAUSE, 0);
        else
            Press(c.nID);
        EXPECT_EQ(TakeCalls(), c.calls);
        EXPECT_EQ(m_dlg.m_nPlayState, c.nBarAfter);
        EXPECT_EQ(Shown(1057), c.nPlayPause);
        EXPECT_EQ(Shown(1058), c.nStop);
    }
}

TEST_F(WorkingWindowTest, FullScreenOnlyForAPictureThatPlaysOrStandsPaused)
{
    Open();
    const struct { long nPlayer; Calls calls; } cases[] = {
        {2, {"get 6", "put 7 true"}}, {1, {"get 6", "get 6", "put 7 true"}},
        {0, {"get 6", "get 6"}},      {3, {"get 6", "get 6"}},
    };
    for (UINT nID : {1060u, 1048u}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::to_string(nID) + " player " + std::to_string(c.nPlayer));
            m_player->m_nPlayState = c.nPlayer;
            TakeCalls();
            Press(nID);
            EXPECT_EQ(TakeCalls(), c.calls);
        }
    }
}

TEST_F(WorkingWindowTest, MuteRemembersTheVolumeAndTheStepsStayWithinZeroTo100)
{
    Open();
    m_player->m_nVolume = 70;
    // One session: each step starts where the previous one left the player.
    const struct { const char* what; UINT nID; Calls calls; UINT nMuteImage; } steps[] = {
        {"mute at 70", 1064, {"get 5", "put 5 0"}, 199},
        {"unmute", 1064, {"put 5 70"}, 200},
        {"mute again", 1064, {"get 5", "put 5 0"}, 199},
        {"up while muted", 1063, {"get 5", "get 5", "put 5 10"}, 200},
        {"mute after that saves 10", 1064, {"get 5", "put 5 0"}, 199},
        {"unmute gives 10 back", 1064, {"put 5 10"}, 200},
    };
    TakeCalls();
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        Press(step.nID);
        EXPECT_EQ(TakeCalls(), step.calls);
        EXPECT_EQ(Shown(1064), step.nMuteImage);
    }

    const struct { UINT nID; long nVolume; Calls calls; } volumes[] = {
        {1063, 90, {"get 5", "get 5", "put 5 100"}}, {1063, 91, {"get 5"}}, {1063, 100, {"get 5"}},
        {1063, 0, {"get 5", "get 5", "put 5 10"}},   {1062, 10, {"get 5", "get 5", "put 5 0"}},
        {1062, 9, {"get 5"}},                         {1062, 0, {"get 5"}},
        {1062, 100, {"get 5", "get 5", "put 5 90"}},
    };
    for (const auto& c : volumes) {
        SCOPED_TRACE(std::to_string(c.nID) + " at " + std::to_string(c.nVolume));
        m_player->m_nVolume = c.nVolume;
        Mark({1064});
        Press(c.nID);
        EXPECT_EQ(TakeCalls(), c.calls);
        EXPECT_EQ(Shown(1064), 200u);  // a step always unmutes
    }
}

TEST_F(WorkingWindowTest, PlayerEventsAskThePlayerAgainAndRequestFullScreen)
{
    Open();
    // The state the event claims is never believed.
    const struct { long nPlayer, nEventState; int nBar; Calls calls; UINT nPlayPause, nStop; } stateChanges[] = {
        {2, 0, 0, {"get 6", "get 6"}, 180, 181},
        {0, 2, 2, {"get 6", kIdlePicturePut, "get 6"}, kMarker, kMarker},
        {1, 1, 1, {"get 6", kIdlePicturePut, "get 6"}, kMarker, kMarker},
        {3, 2, 2, {"get 6", kIdlePicturePut, "get 6"}, kMarker, kMarker},
    };
    for (const auto& c : stateChanges) {
        SCOPED_TRACE("player " + std::to_string(c.nPlayer) + " event " + std::to_string(c.nEventState));
        m_player->m_nPlayState = c.nPlayer;
        m_dlg.m_nPlayState = c.nBar;
        Mark({1057, 1058});
        TakeCalls();
        EXPECT_EQ(Fire(6, {COleVariant(c.nEventState)}), S_OK);
        EXPECT_EQ(TakeCalls(), c.calls);
        EXPECT_EQ(m_dlg.m_nPlayState, c.nBar);
        EXPECT_EQ(Shown(1057), c.nPlayPause);
        EXPECT_EQ(Shown(1058), c.nStop);
    }

    for (long nPlayer : {0L, 3L}) {
        SCOPED_TRACE("player " + std::to_string(nPlayer));
        m_player->m_nPlayState = nPlayer;
        TakeCalls();
        EXPECT_EQ(Fire(204, {}), S_OK);
        EXPECT_EQ(TakeCalls(), Calls{"put 7 true"});
        EXPECT_EQ(Fire(6506, {COleVariant(1, VT_I2), COleVariant(0, VT_I2), COleVariant(120), COleVariant(80)}), S_OK);
        EXPECT_EQ(TakeCalls(), Calls{"put 7 true"});
    }
}

TEST_F(WorkingWindowTest, EmptyPlayTableFailsTheFirstPlayWithAnInvalidArgument)
{
    WriteFile("Channel.txt", "");
    Open();
    EXPECT_EQ(TakeCalls(), (Calls{"put 12 false", kIdlePicturePut, "call 27"}));
    EXPECT_EQ(m_dlg.m_nPlayState, 0);
    ExpectOnlyMessage(kInvalidArgument);
}

// Web panes and channel buttons

TEST_F(WorkingWindowTest, StartUpNavigatesEachPaneOnceAndCutsLongAddressesTo99Characters)
{
    std::string longRight = m_origin + "/right/";
    longRight.resize(150, 'r');
    m_ini["RIGHTURL"] = longRight;
    OpenSettled();
    PumpMessages(kQuietMs);
    EXPECT_EQ(Requested(*m_server, "/list"), Strings{ListPath(0)});
    EXPECT_EQ(Requested(*m_server, "/right"), Strings{longRight.substr(m_origin.size(), 99 - m_origin.size())});
    EXPECT_EQ(Requested(*m_server, "/middle"), Strings{"/middle"});
}

TEST_F(WorkingWindowTest, ClickShowsAChannelsListAndDoubleClickSwitchesToTheChannel)
{
    OpenSettled();
    const size_t nBefore = m_server->Requests().size();
    Strings expectedLists;
    // Channel 0 is current at start; the second 13 is the current channel too.
    for (int i : {0, 5, 13, 13, 1}) {
        SCOPED_TRACE(i);
        const bool bSwitches = i != m_dlg.m_nCurChannel;
        const int nCur = bSwitches ? i : m_dlg.m_nCurChannel;
        Mark({1057, 1058});
        TakeCalls();
        DoubleClickChannel(i);
        expectedLists.push_back(ListPath(i));
        EXPECT_EQ(m_dlg.m_nCurChannel, nCur);
        EXPECT_EQ(TakeCalls(), (bSwitches ? Calls{"call 27", "put 2 play://" + std::to_string(i)} : Calls{}));
        EXPECT_EQ(Shown(1057), bSwitches ? 180u : kMarker);
        EXPECT_EQ(Shown(1058), bSwitches ? 181u : kMarker);
        for (int k = 0; k < kChannelButtonCount; ++k) {
            const UINT nLook = k == nCur ? kChannelSelectedBitmaps[k] : kChannelNormalBitmaps[k];
            EXPECT_EQ(Shown(kChannelButtonIds[k]), nLook) << k;
        }
    }
    // Anything a double click navigated would reach the server before this last single click.
    Press(kChannelButtonIds[7]);
    expectedLists.push_back(ListPath(7));
    ASSERT_TRUE(m_server->WaitFor(ListPath(7), kRequestWaitMs));
    EXPECT_EQ(Requested(*m_server, "/", nBefore), expectedLists);
    EXPECT_EQ(m_dlg.m_nPlayState, 2);
}

TEST_F(WorkingWindowTest, FeaturedLinkPlaysChannel14WithNoButtonSelected)
{
    Open();
    for (int nClick = 1; nClick <= 2; ++nClick) {
        SCOPED_TRACE(nClick);
        Mark({1057, 1058});
        TakeCalls();
        Press(1070);
        EXPECT_EQ(m_dlg.m_nCurChannel, 14);
        EXPECT_EQ(TakeCalls(), (nClick == 1 ? Calls{"call 27", "put 2 play://14"} : Calls{}));
        EXPECT_EQ(Shown(1057), nClick == 1 ? 180u : kMarker);
        EXPECT_EQ(Shown(1058), nClick == 1 ? 181u : kMarker);
        for (int k = 0; k < kChannelButtonCount; ++k)
            EXPECT_EQ(Shown(kChannelButtonIds[k]), kChannelNormalBitmaps[k]) << k;
    }
    EXPECT_EQ(m_dlg.m_nPlayState, 2);
}

TEST_F(WorkingWindowTest, ButtonsBeyondTheChannelNumbersReportAnInvalidArgument)
{
    m_numbers.resize(5);
    OpenSettled();
    const size_t nBefore = m_server->Requests().size();
    for (int i = 0; i < 5; ++i) {
        Press(kChannelButtonIds[i]);
        EXPECT_TRUE(m_server->WaitFor(ListPath(i), kRequestWaitMs)) << i;
    }
    EXPECT_TRUE(TestApp().m_messages.empty());
    Press(1026);
    ExpectOnlyMessage(kInvalidArgument);
    PumpMessages(kQuietMs);
    EXPECT_EQ(Requested(*m_server, "/list", nBefore),
              (Strings{ListPath(0), ListPath(1), ListPath(2), ListPath(3), ListPath(4)}));
}

TEST_F(WorkingWindowTest, WithoutChannelNumbersTheStartStillCompletes)
{
    m_numbers.clear();
    Open();
    EXPECT_TRUE(m_server->WaitFor("/right", kRequestWaitMs));
    EXPECT_TRUE(m_server->WaitFor("/middle", kRequestWaitMs));
    PumpMessages(kQuietMs);
    EXPECT_EQ(Requested(*m_server, "/list"), Strings{});
    for (int i = 0; i < kChannelButtonCount; ++i) {
        ASSERT_NE(m_dlg.m_tipChannel[i].m_hWnd, nullptr) << i;
        EXPECT_EQ(m_dlg.m_tipChannel[i].GetToolCount(), 1) << i;
    }
    Calls calls = TakeCalls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(Calls(calls.end() - 2, calls.end()), (Calls{"call 27", "put 2 play://0"}));
    EXPECT_EQ(m_dlg.m_nPlayState, 2);
    EXPECT_TRUE(TestApp().m_messages.empty());
}

// Online counts

TEST_F(WorkingWindowTest, OnlineCountsOfTheFirst15ChannelsBecomeTheButtonsTips)
{
    const Strings counts = SomeCounts(20, 4100);
    m_server->Serve("/counts", Document(Records(counts)), "text/xml");
    Open();
    EXPECT_FALSE(Requested(*m_server, "/counts").empty());  // fetched during the start
    ExpectCounts(Strings(counts.begin(), counts.begin() + 15));
}

TEST_F(WorkingWindowTest, EachRefreshRereadsTheAddressAndTakesOnlyWholeDocuments)
{
    const Strings good = SomeCounts(15, 20), unavailable(15, kUnavailable);
    const Strings records = Records(good);
    auto with = [](Strings changed, size_t i, const std::string& replacement) {
        changed[i] = replacement;
        return changed;
    };
    const struct { const char* name; std::string document; Strings expected; } cases[] = {
        {"compact", Document(records), good},
        {"indented", Document(records, "\r\n    "), good},
        // A comment is a child: the ninth child is now the last field.
        {"comment-in-record", Document(with(records, 4, Record(good[4], "<!-- c -->"))), with(good, 4, "f7")},
        {"comment-between-records", Document(records, "<!-- c -->"), unavailable},
        {"fourteen-records", Document(Records(SomeCounts(14, 20))), unavailable},
        {"eight-children", Document(with(records, 6, "<Channel><A/><B/><C/><D/><E/><F/><G/><H/></Channel>")),
         unavailable},
        {"empty-count", Document(with(records, 9, Record(""))), with(good, 9, "")},
        {"not-xml", "<Channels><Channel>", unavailable},
        {"missing", "", unavailable},
    };
    Open();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = std::string("/counts/") + c.name;
        if (!c.document.empty())
            m_server->Serve(path, c.document, "text/xml");
        m_ini["XML"] = m_origin + path;
        WriteIni();
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
    const Strings first = SomeCounts(15, 7), second = SomeCounts(16, 900);
    m_server->Serve("/counts", Document(Records(first)), "text/xml");
    m_server->Serve("/counts/next", Document(Records(second)), "text/xml");
    m_dlg.SendMessage(WM_TIMER, TIMER_CHANNEL_REFRESH + 1);
    EXPECT_EQ(Requested(*m_server, "/counts"), Strings{});
    ExpectCounts(Strings(15, kUnavailable));

    m_dlg.SendMessage(WM_TIMER, TIMER_CHANNEL_REFRESH);
    EXPECT_EQ(Requested(*m_server, "/counts"), Strings{"/counts"});
    ExpectCounts(first);

    m_ini["XML"] = m_origin + "/counts/next";
    WriteIni();
    m_dlg.SendMessage(WM_TIMER, TIMER_CHANNEL_REFRESH);
    EXPECT_EQ(Requested(*m_server, "/counts"), (Strings{"/counts", "/counts/next"}));
    ExpectCounts(Strings(second.begin(), second.begin() + 15));
}

// Hover and cursor

// The images the statics of this thread are given, in order.
std::vector<std::pair<HWND, HBITMAP>> g_imagesGiven;

LRESULT CALLBACK RecordImages(int nCode, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* pMsg = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (nCode == HC_ACTION && pMsg->message == STM_SETIMAGE)
        g_imagesGiven.emplace_back(pMsg->hwnd, reinterpret_cast<HBITMAP>(pMsg->lParam));
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

TEST_F(WorkingWindowTest, PortalTabLightsUpOnlyInsideItsZoneAndLoadsOnlyOnCrossing)
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

    g_imagesGiven.clear();
    HHOOK hHook = ::SetWindowsHookExA(WH_CALLWNDPROC, RecordImages, nullptr, ::GetCurrentThreadId());
    ASSERT_NE(hHook, nullptr);
    MoveMouse(200, 40);
    const int nLoaded = m_dlg.m_bitmaps.LoadedCount();
    const size_t nGiven = g_imagesGiven.size();
    MoveMouse(210, 45);
    EXPECT_EQ(g_imagesGiven.size(), nGiven) << "a move inside the zone changes nothing";
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
    std::vector<std::pair<UINT, UINT>> given;
    for (const auto& image : g_imagesGiven)
        given.emplace_back(static_cast<UINT>(::GetDlgCtrlID(image.first)), m_dlg.m_bitmaps.IdOf(image.second));
    EXPECT_EQ(given, (std::vector<std::pair<UINT, UINT>>{{1036, 168}, {1037, 153}}));
    EXPECT_EQ(Shown(1036), 168u);
    EXPECT_EQ(Shown(1037), 153u);
}

TEST_F(WorkingWindowTest, HandCursorOverStaticsThatTakeTheMouse)
{
    Open();
    const HCURSOR hHand = ::LoadCursorA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(150));
    ASSERT_NE(hHand, nullptr);
    const struct { const char* what; HWND hOver; bool bHand; } cases[] = {
        {"dialog", m_dlg.m_hWnd, false},  {"channel 0", Item(1020), true}, {"dialog again", m_dlg.m_hWnd, false},
        {"channel 13", Item(1068), true}, {"column handle", Item(1019), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LRESULT handled =
            m_dlg.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(c.hOver), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_TRUE(!c.bHand || handled == TRUE);
        EXPECT_EQ(::GetCursor(), c.bHand ? hHand : ::LoadCursorA(nullptr, IDC_ARROW));
    }
    // The handle now takes the mouse; the tabs, which only light up, let it through.
    EXPECT_EQ(::SendMessageA(Item(1019), WM_NCHITTEST, 0, 0), HTCLIENT);
    EXPECT_EQ(::SendMessageA(Item(1036), WM_NCHITTEST, 0, 0), HTTRANSPARENT);
}

// Channel column and hiding

TEST_F(WorkingWindowTest, ColumnHandleCollapsesAndExpandsTheChannelColumn)
{
    OpenSettled();
    const size_t nRequests = m_server->Requests().size();
    m_dlg.m_rcListPane = CRect(0, 580, 188, 786);
    m_dlg.m_rcToggle = CRect(182, 100, 192, 772);
    m_dlg.m_rcLowerPane = CRect(191, 554, 765, 786);
    m_dlg.m_rcLogo = CRect(0, 31, 157, 96);
    const struct { bool bCollapsed; UINT nHandleImage; Placement list, handle, lower, player; } states[] = {
        {true, 176, {0, 0, 0, 0}, {-8, 69, 10, 672}, {3, 523, 762, 232}, {3, 65, 762, 458}},
        {false, 132, {0, 549, 188, 206}, {180, 69, 10, 672}, {191, 523, 574, 232}, {191, 65, 574, 458}},
    };
    for (const auto& s : states) {
        SCOPED_TRACE(s.bCollapsed ? "collapsed" : "expanded");
        Press(1019);
        EXPECT_EQ(Shown(1019), s.nHandleImage);
        EXPECT_EQ(::IsWindowVisible(Item(1022)) != FALSE, !s.bCollapsed);
        for (UINT nID : kChannelButtonIds)
            EXPECT_EQ(::IsWindowVisible(Item(nID)) != FALSE, !s.bCollapsed) << nID;
        for (const auto& p : {std::make_pair(1010u, s.list), std::make_pair(1019u, s.handle),
                              std::make_pair(1005u, s.lower), std::make_pair(1002u, s.player)}) {
            CRect rc;
            ::GetWindowRect(Item(p.first), &rc);
            ::MapWindowPoints(nullptr, m_dlg.m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
            const Placement actual = {rc.left, rc.top, rc.Width(), rc.Height()};
            if (p.second.cx == 0)  // wherever it went, nothing of it is left
                EXPECT_EQ(rc.Width() + rc.Height(), 0) << p.first;
            else
                EXPECT_TRUE(actual == p.second) << p.first << " at " << rc.left << "," << rc.top << " " << rc.Width()
                                                << "x" << rc.Height();
        }
    }
    PumpMessages(kQuietMs);
    EXPECT_EQ(m_server->Requests().size(), nRequests);
}

TEST(ChannelColumnGeometry, LayoutAndHoverZone)
{
    const CRect P(0, 300, 100, 400), T(95, 50, 101, 450), B(105, 280, 500, 400), G(0, 31, 90, 60);
    const ChannelColumnLayout collapsed = LayoutChannelColumn(true, P, T, B, G);
    EXPECT_TRUE(collapsed.listPane == (Placement{0, 0, 0, 0}));
    EXPECT_TRUE(collapsed.toggle == (Placement{-7, 19, 6, 400}));
    EXPECT_TRUE(collapsed.lowerPane == (Placement{5, 249, 495, 120}));
    EXPECT_TRUE(collapsed.player == (Placement{5, 29, 495, 220}));
    const ChannelColumnLayout shown = LayoutChannelColumn(false, P, T, B, G);
    EXPECT_TRUE(shown.listPane == (Placement{0, 269, 100, 100}));
    EXPECT_TRUE(shown.toggle == (Placement{93, 19, 6, 400}));
    EXPECT_TRUE(shown.lowerPane == (Placement{105, 249, 395, 120}));
    EXPECT_TRUE(shown.player == (Placement{105, 29, 395, 220}));

    // The zone may start above the tab's own rectangle: points are in client coordinates.
    const struct { int x, y; bool bInside; } points[] = {
        {11, -9, true}, {29, 38, true}, {10, 0, false}, {30, 0, false}, {20, -10, false}, {20, 39, false},
    };
    for (const auto& p : points)
        EXPECT_EQ(IsInTabHoverZone(CRect(0, 0, 40, 80), CPoint(p.x, p.y)), p.bInside) << p.x << "," << p.y;
}

TEST_F(WorkingWindowTest, HideButtonHidesTheWindowWithoutDestroyingIt)
{
    Open();
    ASSERT_TRUE(m_dlg.IsWindowVisible());
    Press(1047);
    EXPECT_FALSE(m_dlg.IsWindowVisible());
    EXPECT_TRUE(::IsWindow(m_dlg.m_hWnd));
    EXPECT_EQ(CWnd::FromHandlePermanent(m_dlg.m_hWnd), &m_dlg);
}

}  // namespace
