// The main window as it starts, shows itself, goes to the tray icon and ends.
#include "MainWindowFixture.h"

namespace {

const UINT kTemplateOrder[] = {
    1061, 1001, 1018, 1019, 1020, 1021, 1022, 1023, 1024, 1025, 1026, 1027, 1028, 1029, 1030, 1031,
    1032, 1005, 1010, 1036, 1037, 1038, 1039, 1040, 1041, 1042, 1043, 1044, 1045, 1046, 1047, 1048,
    1049, 1050, 1051, 1052, 1057, 1058, 1056, 1060, 1062, 1064, 1063, 1065, 1002, 1068, 1070,
};

// The image each static shows once the window is up.
const struct {
    UINT nCtrlId;
    UINT nBitmapId;
} kStartImages[] = {
    {1057, 180}, {1058, 181}, {1062, 201}, {1063, 202}, {1064, 200}, {1065, 203}, {1018, 151}, {1036, 152},
    {1037, 153}, {1038, 154}, {1039, 155}, {1040, 156}, {1041, 157}, {1042, 158}, {1043, 159}, {1044, 170},
    {1045, 161}, {1046, 160}, {1047, 162}, {1048, 163}, {1049, 164}, {1050, 167}, {1051, 165}, {1056, 177},
    {1061, 184}, {1060, 183}, {1019, 132}, {1022, 134}, {1020, 192}, {1021, 136}, {1023, 137}, {1024, 138},
    {1025, 139}, {1026, 140}, {1027, 141}, {1028, 142}, {1029, 143}, {1030, 144}, {1031, 145}, {1032, 146},
    {1052, 169}, {1068, 219},
};

void CALLBACK CloseMainWindow(HWND, UINT, UINT_PTR, DWORD)
{
    ::PostMessageA(::FindWindowA(nullptr, "Kalda网络电视"), WM_COMMAND, IDCANCEL, 0);
}

TEST_F(MainWindowTest, AllControlsExistInTemplateOrderWithTheirClasses)
{
    Open();
    std::vector<UINT> ids;
    for (HWND hChild = ::GetWindow(m_dlg.m_hWnd, GW_CHILD); hChild; hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        const UINT id = static_cast<UINT>(::GetDlgCtrlID(hChild));
        ids.push_back(id);
        char name[80] = "";
        ::GetClassNameA(hChild, name, sizeof(name));
        const bool bWeb = id == 1001 || id == 1005 || id == 1010;
        const char* expected = bWeb ? "{8856F961-340A-11D0-A96B-00C04FD705A2}"
                               : id == 1002 ? "{18226BF8-DC0B-4D81-80E9-A41AE37BB73A}" : "Static";
        EXPECT_STREQ(name, expected) << id;
        // Each web pane really hosts a browser window inside its place in the dialog.
        if (bWeb) {
            EXPECT_NE(::GetWindow(hChild, GW_CHILD), nullptr) << id;
        }
    }
    EXPECT_EQ(ids, std::vector<UINT>(std::begin(kTemplateOrder), std::end(kTemplateOrder)));
}

TEST_F(MainWindowTest, StaticsShowTheirStartImagesAtTheirBitmapsSizes)
{
    Open();
    for (const auto& image : kStartImages) {
        SCOPED_TRACE(image.nCtrlId);
        EXPECT_EQ(::GetWindowLongA(Item(image.nCtrlId), GWL_STYLE) & SS_TYPEMASK, SS_BITMAP);
        EXPECT_EQ(Shown(image.nCtrlId), image.nBitmapId);
        BITMAP bitmap{};
        ::GetObjectA(m_dlg.m_bitmaps.Get(image.nBitmapId), sizeof(bitmap), &bitmap);
        CRect rc;
        ::GetWindowRect(Item(image.nCtrlId), &rc);
        EXPECT_EQ(rc.Width(), bitmap.bmWidth);
        EXPECT_EQ(rc.Height(), bitmap.bmHeight);
    }
    EXPECT_EQ(::GetWindowLongA(Item(IDC_FEATURED_LINK), GWL_STYLE) & SS_TYPEMASK, SS_LEFT);
    char text[64] = "";
    ::GetWindowTextA(Item(IDC_FEATURED_LINK), text, sizeof(text));
    EXPECT_STREQ(text, "QuorvKalda 首届网络春晚！");
    // One load per resource id: the 42 start images and channel 0's normal look, replaced at once.
    EXPECT_EQ(m_dlg.m_bitmaps.LoadedCount(), 43);
}

TEST_F(MainWindowTest, StartUpTalksToThePlayerInItsOrderAndTheEndStopsWhatPlays)
{
    WriteFile("ini\\Tavrotmp.ini", "[Version]\r\nVersion=9\r\n");
    Open();
    EXPECT_EQ(::GetFileAttributesA("ini\\Tavrotmp.ini"), INVALID_FILE_ATTRIBUTES);  // a leftover is deleted
    // Channel 0 starts playing as the last step.
    EXPECT_EQ(m_player->m_calls, (Strings{"put 12 false", "put 19 .\\AD\\Pic1.BMP", "call 27", "put 2 play://one"}));
    EXPECT_STREQ(m_dlg.m_strIniFile, ".\\ini\\Tavro.ini");
    EXPECT_STREQ(m_dlg.m_strVersionFile, ".\\ini\\p.ini");
    ASSERT_EQ(m_dlg.m_arrPlayUrl.GetSize(), 3);
    EXPECT_STREQ(m_dlg.m_arrPlayUrl[2], "play://three");
    ASSERT_EQ(m_dlg.m_arrChannelNum.GetSize(), 2);
    EXPECT_STREQ(m_dlg.m_arrChannelNum[1], "102");
    EXPECT_EQ(m_dlg.m_nPlayState, 2);
    EXPECT_EQ(m_dlg.m_nCurChannel, 0);
    EXPECT_NE(m_dlg.m_hIcon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(m_dlg.SendMessage(WM_GETICON, ICON_BIG)), m_dlg.m_hIcon);
    EXPECT_EQ(reinterpret_cast<HICON>(m_dlg.SendMessage(WM_GETICON, ICON_SMALL)), m_dlg.m_hIcon);

    m_player->m_calls.clear();
    m_player->m_nPlayState = 2;
    m_dlg.DestroyWindow();
    EXPECT_EQ(m_player->m_calls, (Strings{"get 6", "call 27"}));
}

TEST_F(MainWindowTest, LayoutRectanglesAreTakenAtTheScreenOrigin)
{
    Open();
    CRect window;
    m_dlg.GetWindowRect(&window);
    ASSERT_EQ(window.TopLeft(), CPoint(0, 0));  // not centred: it was not run modally
    const struct {
        const CRect& rc;
        UINT nCtrlId;
    } captured[] = {{m_dlg.m_rcLowerPane, IDC_WEB_MIDDLE}, {m_dlg.m_rcListPane, IDC_WEB_LIST},
                    {m_dlg.m_rcToggle, IDC_LIST_TOGGLE},   {m_dlg.m_rcLogo, IDC_LOGO},
                    {m_dlg.m_rcTab[0], IDC_TAB1},           {m_dlg.m_rcTab[5], IDC_TAB6}};
    for (const auto& c : captured) {
        CRect actual;
        ::GetWindowRect(Item(c.nCtrlId), &actual);
        EXPECT_EQ(c.rc, actual) << c.nCtrlId;
    }
    const int tabWidths[] = {104, 106, 102, 101, 80, 147};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(m_dlg.m_rcTab[k].Width(), tabWidths[k]) << k;
        EXPECT_EQ(m_dlg.m_rcTab[k].Height(), 65) << k;
    }
    EXPECT_EQ(m_dlg.m_rcToggle.Height(), 672);
    // The logo sits just inside the frame and caption.
    POINT clientOrigin = {0, 0};
    ::ClientToScreen(m_dlg.m_hWnd, &clientOrigin);
    EXPECT_EQ(m_dlg.m_rcLogo.TopLeft(), CPoint(clientOrigin.x, clientOrigin.y));
}

TEST_F(MainWindowTest, EveryChannelButtonHasARedTooltipAndTheLinkHasNone)
{
    Open();
    for (int i = 0; i < kChannelButtonCount; ++i) {
        SCOPED_TRACE(i);
        HWND hButton = Item(kChannelButtonIds[i]);
        ASSERT_EQ(m_dlg.m_pChannelButton[i]->m_hWnd, hButton);
        CToolTipCtrl& tip = m_dlg.m_tipChannel[i];
        ASSERT_NE(tip.m_hWnd, nullptr);
        EXPECT_TRUE(::GetWindowLongA(tip.m_hWnd, GWL_STYLE) & TTS_ALWAYSTIP);
        EXPECT_EQ(tip.GetToolCount(), 1);
        EXPECT_EQ(tip.GetTipTextColor(), RGB(255, 0, 0));
        EXPECT_EQ(tip.GetDelayTime(TTDT_INITIAL), 150);
        TOOLINFOA info{};
        info.cbSize = sizeof(info);
        ASSERT_TRUE(tip.SendMessage(TTM_ENUMTOOLSA, 0, reinterpret_cast<LPARAM>(&info)));
        EXPECT_EQ(info.uId, reinterpret_cast<UINT_PTR>(hButton));
        EXPECT_TRUE(info.uFlags & TTF_IDISHWND);
    }

    // No tooltip anywhere in the process names the link.
    int tooltips = 0;
    for (HWND hTip = ::FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr); hTip != nullptr;
         hTip = ::FindWindowExA(nullptr, hTip, TOOLTIPS_CLASSA, nullptr)) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hTip, &pid);
        if (pid != ::GetCurrentProcessId())
            continue;
        ++tooltips;
        TOOLINFOA info{};
        info.cbSize = sizeof(info);
        for (UINT i = 0; ::SendMessageA(hTip, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&info)); ++i)
            EXPECT_NE(info.uId, reinterpret_cast<UINT_PTR>(Item(IDC_FEATURED_LINK)));
    }
    EXPECT_EQ(tooltips, 14);
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
    const struct {
        SIZE screen;
        int answer;
        bool asked;
        int switches;
    } cases[] = {
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
            EXPECT_STREQ(TestApp().m_messages[0].text, "分辨率太低，现在重新设置？");
            EXPECT_STREQ(TestApp().m_messages[0].caption, "提示");
            EXPECT_EQ(TestApp().m_messages[0].type, static_cast<UINT>(MB_YESNO));
            EXPECT_EQ(TestApp().m_messages[0].owner, dlg.m_hWnd);
        }
        EXPECT_EQ(display.m_nSwitches, c.switches);
        dlg.DestroyWindow();
    }
}

TEST_F(MainWindowTest, TrayIconAndHideButtonHideAndShowTheWindow)
{
    Open();
    m_dlg.ShowWindow(SW_SHOWNORMAL);
    const NOTIFYICONDATAA& nid = m_dlg.m_nid;
    EXPECT_EQ(nid.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
    EXPECT_EQ(nid.hWnd, m_dlg.m_hWnd);
    EXPECT_EQ(nid.uID, 221u);
    EXPECT_EQ(nid.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(nid.uCallbackMessage, static_cast<UINT>(WM_USER + 5));
    EXPECT_EQ(nid.hIcon, m_dlg.m_hIcon);
    EXPECT_STREQ(nid.szTip, "Kalda网络电视");
    EXPECT_EQ(m_dlg.m_bWindowShown, 1);

    const struct {
        WPARAM id;
        LPARAM mouse;
        LRESULT result;
        bool visible;
    } steps[] = {
        {221, WM_LBUTTONDOWN, 1, false},  {221, WM_LBUTTONDOWN, 1, true},
        {221, WM_LBUTTONDBLCLK, 1, false}, {221, WM_LBUTTONUP, 1, false},  // releases are ignored
        {221, WM_MOUSEMOVE, 1, false},    {222, WM_LBUTTONDOWN, 0, false},  // another icon's message
        {221, WM_LBUTTONDBLCLK, 1, true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(std::to_string(step.id) + " " + std::to_string(step.mouse));
        EXPECT_EQ(m_dlg.SendMessage(WM_USER + 5, step.id, step.mouse), step.result);
        EXPECT_EQ(m_dlg.IsWindowVisible() != FALSE, step.visible);
        EXPECT_EQ(m_dlg.m_bWindowShown, step.visible ? 1 : 0);
    }

    // The title bar's button hides the window without destroying it; one click on the icon brings it back.
    Press(IDC_HIDE_BUTTON);
    EXPECT_FALSE(m_dlg.IsWindowVisible());
    EXPECT_TRUE(::IsWindow(m_dlg.m_hWnd) && CWnd::FromHandlePermanent(m_dlg.m_hWnd) == &m_dlg);
    m_dlg.SendMessage(WM_USER + 5, 221, WM_LBUTTONDOWN);
    EXPECT_TRUE(m_dlg.IsWindowVisible());
}

TEST_F(MainWindowTest, PlayerThatCannotBeCreatedEndsTheDialogBeforeItsInitialisation)
{
    WriteConfiguration();
    m_player.reset();
    m_player = std::make_unique<CFakePlayerRegistration>(false);
    // Should the dialog come up after all, this ends it instead of waiting for ever.
    UINT_PTR guard = ::SetTimer(nullptr, 0, 5000, CloseMainWindow);
    CProbeTvClientDlg dlg;
    dlg.m_pDisplay = &m_display;
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_arrPlayUrl.GetSize(), 0);  // the initialisation never ran
    EXPECT_TRUE(TestApp().m_messages.empty());
    ::KillTimer(nullptr, guard);
}

}  // namespace
