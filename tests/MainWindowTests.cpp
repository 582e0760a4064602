// The main window as it starts, shows itself, goes to the tray icon and ends.
#include <algorithm>

#include "MainWindowFixture.h"
#include "MessagePump.h"

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
    EXPECT_EQ(m_dlg.m_playerBar.m_nPlayState, PLAYSTATE_PLAYING);
    EXPECT_EQ(m_dlg.m_nCurChannel, 0);
    EXPECT_NE(m_dlg.m_hIcon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(m_dlg.SendMessage(WM_GETICON, ICON_BIG)), m_dlg.m_hIcon);
    EXPECT_EQ(reinterpret_cast<HICON>(m_dlg.SendMessage(WM_GETICON, ICON_SMALL)), m_dlg.m_hIcon);

    m_player->m_calls.clear();
    m_player->m_nPlayState = PLAYSTATE_PLAYING;
    m_dlg.DestroyWindow();
    EXPECT_EQ(m_player->m_calls, (Strings{"get 6", "call 27"}));
}

// The column and the tabs take their rectangles while the window stands at the screen's origin.
TEST_F(MainWindowTest, LayoutRectanglesAreTakenAtTheScreenOrigin)
{
    Open();
    CRect window;
    m_dlg.GetWindowRect(&window);
    ASSERT_TRUE(window.left == 0 && window.top == 0);  // not centred: it was not run modally
    const CChannelColumn& column = m_dlg.m_channelColumn;
    const std::pair<const CRect&, UINT> captured[] = {
        {column.m_rcLowerPane, IDC_WEB_MIDDLE}, {column.m_rcListPane, IDC_WEB_LIST},
        {column.m_rcToggle, IDC_LIST_TOGGLE},   {column.m_rcLogo, IDC_LOGO},
        {m_dlg.m_tabHover.m_rcTab[0], IDC_TAB1}, {m_dlg.m_tabHover.m_rcTab[5], IDC_TAB6}};
    for (const auto& [rc, nCtrlId] : captured) {
        CRect actual;
        ::GetWindowRect(Item(nCtrlId), &actual);
        EXPECT_EQ(rc, actual) << nCtrlId;
    }
}

// Each channel button has a tooltip of its own, which covers it whole; the link has none.
TEST_F(MainWindowTest, EveryChannelButtonHasItsOwnTooltipAndTheLinkHasNone)
{
    Open();
    std::vector<UINT_PTR> tools;
    for (HWND hTip = nullptr; (hTip = ::FindWindowExA(nullptr, hTip, TOOLTIPS_CLASSA, nullptr)) != nullptr;) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hTip, &pid);
        if (pid != ::GetCurrentProcessId())
            continue;
        TOOLINFOA info{};
        info.cbSize = sizeof(info);
        for (UINT i = 0; ::SendMessageA(hTip, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&info)); ++i)
            tools.push_back((info.uFlags & TTF_IDISHWND) != 0 ? info.uId : 0);
    }
    std::vector<UINT_PTR> buttons;
    for (const ChannelButton& button : kChannelButtons)
        buttons.push_back(reinterpret_cast<UINT_PTR>(Item(button.nCtrlId)));
    std::sort(tools.begin(), tools.end());
    std::sort(buttons.begin(), buttons.end());
    EXPECT_EQ(tools, buttons);
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

void CALLBACK ChooseTrayMenuItem(HWND, UINT, UINT_PTR nTimer, DWORD)
{
    HWND hMenuWnd = ::FindWindowA("#32768", nullptr);
    if (hMenuWnd == nullptr || !::IsWindowVisible(hMenuWnd))
        return;
    ::KillTimer(nullptr, nTimer);
    HMENU hMenu = reinterpret_cast<HMENU>(::SendMessageA(hMenuWnd, MN_GETHMENU, 0, 0));
    for (int i = 0; i < ::GetMenuItemCount(hMenu); ++i) {
        char text[32] = "";
        ::GetMenuStringA(hMenu, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
        g_menuItems += std::to_string(::GetMenuItemID(hMenu, i)) + " " + text + ";";
    }
    ::PostMessageA(hMenuWnd, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageA(hMenuWnd, WM_KEYDOWN, VK_RETURN, 0);
}

TEST_F(MainWindowTest, TrayIconHidesAndShowsTheWindowAndItsMenuCloses)
{
    Open();
    m_dlg.ShowWindow(SW_SHOWNORMAL);
    // The icon is in the notification area: the shell knows it.
    const NOTIFYICONDATAA& nid = m_dlg.m_trayIcon.m_nid;
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
    for (const auto& step : steps) {
        SCOPED_TRACE(std::to_string(step.id) + " " + std::to_string(step.mouse));
        EXPECT_EQ(m_dlg.SendMessage(WM_TRAYNOTIFY, step.id, step.mouse), step.result);
        EXPECT_EQ(m_dlg.IsWindowVisible() != FALSE, step.visible);
        EXPECT_EQ(m_dlg.m_trayIcon.m_bWindowShown, step.visible);
    }

    // The title bar's button hides the window without destroying it; one click on the icon brings it back.
    Press(IDC_HIDE_BUTTON);
    EXPECT_FALSE(m_dlg.IsWindowVisible());
    EXPECT_TRUE(::IsWindow(m_dlg.m_hWnd) && CWnd::FromHandlePermanent(m_dlg.m_hWnd) == &m_dlg);
    m_dlg.SendMessage(WM_TRAYNOTIFY, kIcon, WM_LBUTTONDOWN);
    EXPECT_TRUE(m_dlg.IsWindowVisible());

    // A right click offers one item, which ends the window as Esc does.
    g_menuItems.clear();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, ChooseTrayMenuItem);
    PumpPending();  // a menu closes at once on input a running window would have handled already
    m_dlg.SendMessage(WM_TRAYNOTIFY, kIcon, WM_RBUTTONDOWN);
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(g_menuItems, std::to_string(IDCANCEL) + " 关闭;");
    EXPECT_TRUE(PumpUntil([&] { return !m_dlg.IsWindowVisible(); }));

    // The icon goes with the window.
    m_dlg.DestroyWindow();
    EXPECT_FALSE(::Shell_NotifyIconA(NIM_MODIFY, &probe));
}

}  // namespace
