// The main window as it starts, shows itself, goes to the tray icon and ends.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>

#include "MainWindowFixture.h"
#include "MessagePump.h"
#include "TrayRecorder.h"

namespace {

const char kWebBrowserClass[] = "{8856F961-340A-11D0-A96B-00C04FD705A2}";
const char kPlayerClass[] = "{18226BF8-DC0B-4D81-80E9-A41AE37BB73A}";

std::string ClassOf(HWND hWnd)
{
    char name[80] = "";
    ::GetClassNameA(hWnd, name, sizeof(name));
    return name;
}

TEST_F(MainWindowTest, EveryStaticShowsItsStartImageAtItsSizeAndTakesClicksOnlyWhereItShould)
{
    Open();
    int nStatics = 0;
    for (HWND hChild = ::GetWindow(m_dlg.m_hWnd, GW_CHILD); hChild; hChild = ::GetWindow(hChild, GW_HWNDNEXT))
        nStatics += ClassOf(hChild) == "Static";
    EXPECT_EQ(nStatics, static_cast<int>(std::size(kImageStatics)) + 1);  // and the featured link

    for (const ImageStatic& image : kImageStatics) {
        SCOPED_TRACE(image.nCtrlId);
        HWND hStatic = Item(image.nCtrlId);
        ASSERT_EQ(ClassOf(hStatic), "Static");
        EXPECT_EQ(::GetWindowLongA(hStatic, GWL_STYLE) & SS_TYPEMASK, SS_BITMAP);
        // Channel 0 plays at start and shows its selected look.
        const UINT nExpected = image.nCtrlId == IDC_CHANNEL0 ? IDB_CHANNEL0_SELECTED : image.nStartBitmap;
        EXPECT_EQ(Shown(image.nCtrlId), nExpected);
        BITMAP bitmap{};
        ::GetObjectA(m_dlg.m_images.m_bitmaps.Get(nExpected), sizeof(bitmap), &bitmap);
        CRect rc;
        ::GetWindowRect(hStatic, &rc);
        EXPECT_EQ(rc.Width(), bitmap.bmWidth);
        EXPECT_EQ(rc.Height(), bitmap.bmHeight);
        // A static that does not take clicks lets the mouse through to the window.
        EXPECT_EQ(::SendMessageA(hStatic, WM_NCHITTEST, 0, 0), image.bTakesClicks ? HTCLIENT : HTTRANSPARENT);
    }
    // One load per resource id: the start images and channel 0's selected look.
    EXPECT_EQ(m_dlg.m_images.m_bitmaps.LoadedCount(), static_cast<int>(std::size(kImageStatics)) + 1);

    EXPECT_EQ(::GetWindowLongA(Item(IDC_FEATURED_LINK), GWL_STYLE) & SS_TYPEMASK, SS_LEFT);
    char text[64] = "";
    ::GetWindowTextA(Item(IDC_FEATURED_LINK), text, sizeof(text));
    EXPECT_STREQ(text, "QuorvKalda 首届网络春晚！");
    // Each web pane really hosts a browser window inside its place in the dialog.
    for (UINT nID : {IDC_WEB_RIGHT, IDC_WEB_MIDDLE, IDC_WEB_LIST}) {
        EXPECT_EQ(ClassOf(Item(nID)), kWebBrowserClass) << nID;
        EXPECT_NE(::GetWindow(Item(nID), GW_CHILD), nullptr) << nID;
    }
    EXPECT_EQ(ClassOf(Item(IDC_PLAYER)), kPlayerClass);
}

TEST_F(MainWindowTest, StartUpTalksToThePlayerInItsOrderAndTheEndStopsWhatPlays)
{
    m_files.Write("ini\\Tavrotmp.ini", "[Version]\r\nVersion=9\r\n");
    Open();
    EXPECT_EQ(::GetFileAttributesA("ini\\Tavrotmp.ini"), INVALID_FILE_ATTRIBUTES);  // a leftover is deleted
    // Channel 0 starts playing as the last step.
    EXPECT_EQ(m_player->m_calls, (Strings{"put 12 false", "put 19 .\\AD\\Pic1.BMP", "call 27", "put 2 play://one"}));
    ASSERT_EQ(m_dlg.m_arrPlayUrl.GetSize(), 3);
    EXPECT_STREQ(m_dlg.m_arrPlayUrl.GetAt(2), "play://three");
    ASSERT_EQ(m_dlg.m_arrChannelNum.GetSize(), 2);
    EXPECT_STREQ(m_dlg.m_arrChannelNum.GetAt(1), "102");
    EXPECT_EQ(m_dlg.m_playerBar.PlayState(), PLAYSTATE_PLAYING);
    EXPECT_EQ(m_dlg.m_nCurChannel, 0);
    EXPECT_NE(m_dlg.m_hIcon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(m_dlg.SendMessage(WM_GETICON, ICON_BIG)), m_dlg.m_hIcon);
    EXPECT_EQ(reinterpret_cast<HICON>(m_dlg.SendMessage(WM_GETICON, ICON_SMALL)), m_dlg.m_hIcon);

    m_player->m_calls.clear();
    m_player->m_nPlayState = PLAYSTATE_PLAYING;
    m_dlg.DestroyWindow();
    EXPECT_EQ(m_player->m_calls, (Strings{"get 6", "call 27"}));
}

// The column and the tabs take their rectangles while the window stands at the screen's origin:
// the expanded column stands where the layout puts it from its parts' rectangles at the start.
TEST_F(MainWindowTest, LayoutRectanglesAreTakenAtTheScreenOrigin)
{
    Open();
    CRect window;
    m_dlg.GetWindowRect(&window);
    ASSERT_TRUE(window.left == 0 && window.top == 0);  // not centred: it was not run modally
    EXPECT_EQ(m_dlg.m_portalTabs.TabRect(0), WindowRect(IDC_TAB1));
    EXPECT_EQ(m_dlg.m_portalTabs.TabRect(5), WindowRect(IDC_TAB6));
    const ChannelColumnLayout expanded = LayoutChannelColumn(
        false, WindowRect(IDC_WEB_LIST), WindowRect(IDC_LIST_TOGGLE), WindowRect(IDC_WEB_MIDDLE), WindowRect(IDC_LOGO));
    Press(IDC_LIST_TOGGLE);
    Press(IDC_LIST_TOGGLE);
    EXPECT_EQ(PlacementOf(IDC_WEB_LIST), expanded.listPane);
    EXPECT_EQ(PlacementOf(IDC_LIST_TOGGLE), expanded.toggle);
    EXPECT_EQ(PlacementOf(IDC_WEB_MIDDLE), expanded.lowerPane);
    EXPECT_EQ(PlacementOf(IDC_PLAYER), expanded.player);
}

TEST_F(MainWindowTest, WindowMenuEndsWithTheAboutItem)
{
    Open();
    // The template gives the window no system menu; where the platform then has none, there is
    // nothing to add to. With one, the item goes at its end.
    if (::GetSystemMenu(m_dlg.m_hWnd, FALSE) == nullptr) {
        m_dlg.ModifyStyle(0, WS_SYSMENU, SWP_FRAMECHANGED);
        m_dlg.AddAboutMenuItem();
    }
    HMENU hSysMenu = ::GetSystemMenu(m_dlg.m_hWnd, FALSE);
    ASSERT_NE(hSysMenu, nullptr);
    const int count = ::GetMenuItemCount(hSysMenu);
    ASSERT_GE(count, 2);
    EXPECT_TRUE(::GetMenuState(hSysMenu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(::GetMenuItemID(hSysMenu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
    char text[64] = "";
    ::GetMenuStringA(hSysMenu, IDM_ABOUTBOX, text, sizeof(text), MF_BYCOMMAND);
    EXPECT_STREQ(text, "关于 Pelio(&A)...");
}

TEST_F(MainWindowTest, LowResolutionAsksToSwitchTo1024x768)
{
    WriteConfiguration();
    const struct { SIZE screen; int answer; bool asked; int switches; } cases[] = {
        {{800, 600}, IDYES, true, 1},
        {{1280, 720}, IDNO, true, 0},  // only the height is too small
        {{1024, 768}, IDYES, false, 0},
        {{1023, 900}, IDYES, true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.screen.cx) + "x" + std::to_string(c.screen.cy));
        CFakeDisplay display;
        display.m_size = c.screen;
        CProbeTvClientDlg dlg;
        dlg.m_pDisplay = &display;
        TestApp().m_messages.clear();
        TestApp().m_answers = {c.answer};
        ASSERT_TRUE(dlg.Create(IDD_TVCLIENT_DIALOG));
        ASSERT_EQ(TestApp().m_messages.size(), c.asked ? 1u : 0u);
        if (c.asked) {
            const RecordedMessageBox& box = TestApp().m_messages[0];
            EXPECT_STREQ(box.text, "分辨率太低，现在重新设置？");
            EXPECT_STREQ(box.caption, "提示");
            EXPECT_EQ(box.type, static_cast<UINT>(MB_YESNO));
            EXPECT_EQ(box.owner, dlg.m_hWnd);
        }
        EXPECT_EQ(display.m_nSwitches, c.switches);
        dlg.DestroyWindow();
    }
}

// Inside the tray menu's own loop: checks its one item and chooses it, as a hand would.
std::string g_menuItems;

void CALLBACK ChooseTrayMenuItem(HWND, UINT, UINT_PTR, DWORD)
{
    HWND hMenuWnd = ::FindWindowA("#32768", nullptr);
    if (hMenuWnd == nullptr || !::IsWindowVisible(hMenuWnd))
        return;
    HMENU hMenu = reinterpret_cast<HMENU>(::SendMessageA(hMenuWnd, MN_GETHMENU, 0, 0));
    for (int i = 0; g_menuItems.empty() && i < ::GetMenuItemCount(hMenu); ++i) {
        char text[32] = "";
        ::GetMenuStringA(hMenu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
        g_menuItems += std::to_string(::GetMenuItemID(hMenu, i)) + " " + text + ";";
    }
    // Again at every tick while the menu stays open: keys that reach a menu not yet active are lost.
    // With its one item, a second Down lands on the same item.
    ::PostMessageA(hMenuWnd, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageA(hMenuWnd, WM_KEYDOWN, VK_RETURN, 0);
}

// Right-clicks the tray icon and chooses the menu's first item. A menu closes at once on input
// still queued, which a running window would have handled already: the click is then tried again.
void ChooseFromTrayMenu(CWnd& wnd)
{
    g_menuItems.clear();
    for (int nTry = 0; nTry < 5 && g_menuItems.empty(); ++nTry) {
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, ChooseTrayMenuItem);
        PumpPending();
        wnd.SendMessage(WM_TRAYNOTIFY, CTrayIcon::kIconId, WM_RBUTTONDOWN);
        ::KillTimer(nullptr, timer);
    }
    PumpPending();
}

TEST_F(MainWindowTest, TrayIconHidesAndShowsTheWindowAndItsMenuOffersToClose)
{
    Open();
    m_dlg.ShowWindow(SW_SHOWNORMAL);
    // The icon is in the notification area: the shell knows it.
    const NOTIFYICONDATAA& nid = m_dlg.m_trayIcon.Record();
    EXPECT_EQ(nid.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
    EXPECT_STREQ(nid.szTip, "Kalda网络电视");
    NOTIFYICONDATAA probe = nid;
    EXPECT_TRUE(::Shell_NotifyIconA(NIM_MODIFY, &probe));

    const UINT kIcon = CTrayIcon::kIconId;
    const struct {
        WPARAM id;
        LPARAM mouse;
        LRESULT result;
        bool visible;
    } steps[] = {
        {kIcon, WM_LBUTTONDOWN, 1, false},  {kIcon, WM_LBUTTONDOWN, 1, true},
        {kIcon, WM_LBUTTONDBLCLK, 1, false}, {kIcon, WM_LBUTTONUP, 1, false},  // releases are ignored
        {kIcon, WM_MOUSEMOVE, 1, false},    {kIcon + 1, WM_LBUTTONDOWN, 0, false},  // another icon's message
        {kIcon, WM_LBUTTONDBLCLK, 1, true},
    };
    // Each toggle starts from what the icon last made of the window, so the next step shows it.
    for (const auto& step : steps) {
        SCOPED_TRACE(std::to_string(step.id) + " " + std::to_string(step.mouse));
        EXPECT_EQ(m_dlg.SendMessage(WM_TRAYNOTIFY, step.id, step.mouse), step.result);
        EXPECT_EQ(m_dlg.IsWindowVisible() != FALSE, step.visible);
    }

    // The title bar's button hides the window without destroying it; one click on the icon brings it back.
    Press(IDC_HIDE_BUTTON);
    EXPECT_FALSE(m_dlg.IsWindowVisible());
    EXPECT_TRUE(::IsWindow(m_dlg.m_hWnd) && CWnd::FromHandlePermanent(m_dlg.m_hWnd) == &m_dlg);
    m_dlg.SendMessage(WM_TRAYNOTIFY, kIcon, WM_LBUTTONDOWN);
    EXPECT_TRUE(m_dlg.IsWindowVisible());

    // A right click offers one item, which asks whether to close.
    ChooseFromTrayMenu(m_dlg);
    EXPECT_EQ(g_menuItems, std::to_string(IDCANCEL) + " 关闭;");
    EXPECT_TRUE(PumpUntil([&] { return TestApp().m_messages.size() == 1; }));

    // The icon goes with the window.
    m_dlg.DestroyWindow();
    EXPECT_FALSE(::Shell_NotifyIconA(NIM_MODIFY, &probe));
}

// Each way of closing asks once; No leaves the window as it was, shown or hidden, and Yes ends it.
TEST_F(MainWindowTest, EveryWayOfClosingAsksOnceAndOnlyYesEndsTheWindow)
{
    WriteConfiguration();
    const std::pair<const char*, std::function<void(CProbeTvClientDlg&)>> ways[] = {
        {"Esc", [](CProbeTvClientDlg& dlg) { ::PostMessageA(dlg.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"WM_CLOSE", [](CProbeTvClientDlg& dlg) { dlg.SendMessage(WM_CLOSE); }},
        {"the close button", [](CProbeTvClientDlg& dlg) {
             ::SendMessageA(::GetDlgItem(dlg.m_hWnd, IDC_CLOSE_BUTTON), WM_LBUTTONDOWN, MK_LBUTTON, 0);
             ::SendMessageA(::GetDlgItem(dlg.m_hWnd, IDC_CLOSE_BUTTON), WM_LBUTTONUP, 0, 0);
         }},
        {"the tray menu", [](CProbeTvClientDlg& dlg) { ChooseFromTrayMenu(dlg); }},
    };
    for (const auto& [way, close] : ways) {
        for (const auto& [answer, bHidden] : {std::pair{IDNO, false}, {IDNO, true}, {IDYES, false}}) {
            SCOPED_TRACE(std::string(way) + (answer == IDYES ? ", yes" : bHidden ? ", no, hidden" : ", no"));
            CProbeTvClientDlg dlg;
            dlg.m_pDisplay = &m_display;
            ASSERT_TRUE(dlg.Create(IDD_TVCLIENT_DIALOG));
            dlg.ShowWindow(bHidden ? SW_HIDE : SW_SHOWNORMAL);
            TestApp().m_messages.clear();
            TestApp().m_answers = {answer};
            close(dlg);
            PumpPending();
            ASSERT_EQ(TestApp().m_messages.size(), 1u);
            EXPECT_STREQ(TestApp().m_messages[0].text, "确定要退出?");
            EXPECT_STREQ(TestApp().m_messages[0].caption, "提示");
            EXPECT_EQ(TestApp().m_messages[0].type, static_cast<UINT>(MB_YESNO));
            // A dialog without a loop of its own only hides when it ends.
            EXPECT_EQ(dlg.IsWindowVisible() != FALSE, answer == IDNO && !bHidden);
            dlg.DestroyWindow();
        }
    }
}

TEST_F(MainWindowTest, EnterClosesWithoutAQuestionAndTheEndStopsThePlayerBeforeTheIconGoes)
{
    Open();
    m_dlg.ShowWindow(SW_SHOWNORMAL);
    ::PostMessageA(m_dlg.m_hWnd, WM_KEYDOWN, VK_RETURN, 0);
    PumpPending();
    EXPECT_FALSE(m_dlg.IsWindowVisible());
    EXPECT_TRUE(TestApp().m_messages.empty());
    m_dlg.DestroyWindow();

    CTrayRecorder tray(&m_player->m_calls);
    CProbeTvClientDlg dlg;
    dlg.m_pDisplay = &m_display;
    ASSERT_TRUE(dlg.Create(IDD_TVCLIENT_DIALOG));
    m_player->m_nPlayState = PLAYSTATE_PLAYING;
    m_player->m_calls.clear();
    dlg.DestroyWindow();
    EXPECT_EQ(m_player->m_calls, (Strings{"get 6", "call 27", "delete " + std::to_string(CTrayIcon::kIconId)}));
}

// What the about box shows, read from inside its own loop; then it is closed with its button.
std::vector<std::string> g_aboutBox;

void CALLBACK ReadAndCloseAboutBox(HWND, UINT, UINT_PTR nTimer, DWORD)
{
    HWND hAbout = ::FindWindowA("#32770", "关于");
    if (hAbout == nullptr || !::IsWindowVisible(hAbout))
        return;
    ::KillTimer(nullptr, nTimer);
    for (HWND hItem = ::GetWindow(hAbout, GW_CHILD); hItem != nullptr; hItem = ::GetWindow(hItem, GW_HWNDNEXT)) {
        char text[32] = "";
        const bool bIcon = ::SendMessageA(hItem, STM_GETICON, 0, 0) != 0;
        if (!bIcon)  // an icon's text is its resource number
            ::GetWindowTextA(hItem, text, sizeof(text));
        g_aboutBox.push_back(std::to_string(::GetDlgCtrlID(hItem)) + (bIcon ? " icon" : "") + " " + text);
    }
    g_aboutBox.push_back(::IsWindowEnabled(::FindWindowA(nullptr, "Kalda网络电视")) ? "owner enabled" : "owner disabled");
    ::PostMessageA(hAbout, WM_COMMAND, IDOK, 0);
}

TEST_F(MainWindowTest, TheWindowMenuOpensTheAboutBoxForItsCommandAndTheSystemDoesTheRest)
{
    Open();
    m_dlg.ShowWindow(SW_SHOWNORMAL);
    TestApp().m_pMainWnd = &m_dlg;
    // The low four bits of the command do not count.
    for (UINT nCommand : {IDM_ABOUTBOX, IDM_ABOUTBOX | 0xF}) {
        g_aboutBox.clear();
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, ReadAndCloseAboutBox);
        m_dlg.SendMessage(WM_SYSCOMMAND, nCommand);
        ::KillTimer(nullptr, timer);
        EXPECT_EQ(g_aboutBox, (Strings{"-1 icon ", "-1 ", "-1 ", "1 确定", "owner disabled"})) << nCommand;
    }
    TestApp().m_pMainWnd = nullptr;
    EXPECT_TRUE(::IsWindowEnabled(m_dlg.m_hWnd));

    m_dlg.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
    EXPECT_TRUE(m_dlg.IsIconic());
    EXPECT_EQ(reinterpret_cast<HICON>(m_dlg.SendMessage(WM_QUERYDRAGICON)), m_dlg.m_hIcon);
    m_dlg.SendMessage(WM_SYSCOMMAND, SC_RESTORE);
    EXPECT_FALSE(m_dlg.IsIconic());
}

// With the system folder's browser out of the way, the one beside the tests is found first: a
// stand-in that notes each page it opens in started.txt.
class PortalLinkTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        ::DeleteFileA("started.txt");
        char path[MAX_PATH];
        ::GetSystemDirectoryA(path, MAX_PATH);
        m_systemBrowser = std::string(path) + "\\IEXPLORE.EXE";
        ::MoveFileA(m_systemBrowser.c_str(), (m_systemBrowser + ".away").c_str());
    }
    void TearDown() override
    {
        ::MoveFileA((m_systemBrowser + ".away").c_str(), m_systemBrowser.c_str());
        MainWindowTest::TearDown();
        ::DeleteFileA("started.txt");
    }

    // Waits until the browser was started this often; the pages it opened, in sorted order.
    static Strings OpenedPages(size_t nCount)
    {
        Strings pages;
        PumpUntil([&] {
            pages.clear();
            std::ifstream started("started.txt");
            for (std::string line; std::getline(started, line);)
                pages.push_back(line);
            return pages.size() >= nCount;
        });
        std::sort(pages.begin(), pages.end());
        return pages;
    }
    void Click(int x, int y) { m_dlg.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }

    std::string m_systemBrowser;
};

TEST_F(PortalLinkTest, TabBandsHaveStrictEdgesOverlapsOpenBothAndTheLogoAndHelpOpenTheirPages)
{
    m_ini["HELPURL"] = "http://127.0.0.1:8088/help.html";
    Open();
    PlaceAt(IDC_TAB1, CRect(RECT{100, 40, 200, 105}));
    PlaceAt(IDC_TAB2, CRect(RECT{400, 40, 500, 105}));
    m_dlg.m_portalTabs.CaptureRects(m_dlg);
    const std::string home = "IEXPLORE.EXE http://www.kalda.tv", movie = home + "/film_new/default.jsp";
    // On each edge of tab 1's band nothing opens; just inside it does.
    for (const auto& [x, y] : {std::pair{100, 50}, {200, 50}, {150, 20}, {150, 74}, {150, 300}})
        Click(x, y);
    Click(101, 21);
    Click(199, 73);
    EXPECT_EQ(OpenedPages(2), (Strings{home, home}));
    ::DeleteFileA("started.txt");
    // Where two bands overlap, both pages open.
    PlaceAt(IDC_TAB2, CRect(RECT{198, 40, 300, 105}));
    m_dlg.m_portalTabs.CaptureRects(m_dlg);
    Click(199, 60);
    EXPECT_EQ(OpenedPages(2), (Strings{home, movie}));
    ::DeleteFileA("started.txt");

    Press(IDC_SIGNOFF);  // takes no clicks
    Press(IDC_LOGO);
    Press(IDC_HELP_TAB);
    EXPECT_EQ(OpenedPages(2), (Strings{"IEXPLORE.EXE http://127.0.0.1:8088/help.html", home}));
}

}  // namespace
