// The real main window from the real template and resources, with a recording stand-in for the
// player component.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "FakePlayer.h"
#include "TestApp.h"
#include "mainwnd/TvClientDlg.h"

namespace {

// Exposes the window's state to the tests.
class CProbeTvClientDlg : public CTvClientDlg {
public:
    using CTvClientDlg::AddAboutMenuItem;
    using CTvClientDlg::m_arrChannelNum;
    using CTvClientDlg::m_arrPlayUrl;
    using CTvClientDlg::m_bitmaps;
    using CTvClientDlg::m_bWindowShown;
    using CTvClientDlg::m_hIcon;
    using CTvClientDlg::m_nid;
    using CTvClientDlg::m_nCurChannel;
    using CTvClientDlg::m_nPlayState;
    using CTvClientDlg::m_pChannelButton;
    using CTvClientDlg::m_rcListPane;
    using CTvClientDlg::m_rcLogo;
    using CTvClientDlg::m_rcLowerPane;
    using CTvClientDlg::m_rcTab;
    using CTvClientDlg::m_rcToggle;
    using CTvClientDlg::m_strIniFile;
    using CTvClientDlg::m_strVersionFile;
    using CTvClientDlg::m_tipChannel;
};

class CFakeDisplay : public CDisplay {
public:
    explicit CFakeDisplay(SIZE size) : m_size(size) {}
    SIZE GetScreenSize() override { return m_size; }
    void SwitchToMinimumMode() override { ++m_nSwitches; }

    SIZE m_size;
    int m_nSwitches = 0;
};

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

void WriteFile(const char* path, const std::string& content)
{
    FILE* file = std::fopen(path, "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
}

void CALLBACK CloseMainWindow(HWND, UINT, UINT_PTR, DWORD)
{
    ::PostMessageA(::FindWindowA(nullptr, "Kalda网络电视"), WM_COMMAND, IDCANCEL, 0);
}

std::string ClassName(HWND hWnd)
{
    char name[80] = "";
    ::GetClassNameA(hWnd, name, sizeof(name));
    return name;
}

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { AfxEnableControlContainer(); }

    void SetUp() override
    {
        m_player = std::make_unique<CFakePlayerRegistration>();
        ::CreateDirectoryA("ini", nullptr);
        WriteFile("Channel.txt", "play://one;play://two;\r\nplay://three\r\n");
        WriteFile("ini\\Tavro.ini", "[CHANNELNUM]\r\nCHANNELNUM=101|102\r\n");
        TestApp().m_messages.clear();
        TestApp().m_answers.clear();
    }

    void TearDown() override
    {
        if (m_dlg.m_hWnd != nullptr)
            m_dlg.DestroyWindow();
        ::DeleteFileA("Channel.txt");
        ::DeleteFileA("ini\\Tavro.ini");
        ::DeleteFileA("ini\\Tavrotmp.ini");
    }

    void Open(SIZE screen = {1280, 1024})
    {
        m_display.m_size = screen;
        m_dlg.m_pDisplay = &m_display;
        ASSERT_TRUE(m_dlg.Create(IDD_TVCLIENT_DIALOG));
    }

    std::unique_ptr<CFakePlayerRegistration> m_player;
    CFakeDisplay m_display{{1280, 1024}};
    CProbeTvClientDlg m_dlg;
};

TEST_F(MainWindowTest, AllControlsExistInTemplateOrderWithTheirClasses)
{
    Open();
    std::vector<UINT> ids;
    for (HWND hChild = ::GetWindow(m_dlg.m_hWnd, GW_CHILD); hChild != nullptr; hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        UINT id = static_cast<UINT>(::GetDlgCtrlID(hChild));
        ids.push_back(id);
        SCOPED_TRACE(id);
        if (id == 1001 || id == 1005 || id == 1010)
            EXPECT_EQ(ClassName(hChild), "{8856F961-340A-11D0-A96B-00C04FD705A2}");
        else if (id == 1002)
            EXPECT_EQ(ClassName(hChild), "{18226BF8-DC0B-4D81-80E9-A41AE37BB73A}");
        else
            EXPECT_EQ(ClassName(hChild), "Static");
    }
    EXPECT_EQ(ids, std::vector<UINT>(std::begin(kTemplateOrder), std::end(kTemplateOrder)));

    // Each web pane really hosts a browser window inside its place in the dialog.
    for (UINT id : {1001u, 1005u, 1010u})
        EXPECT_NE(::GetWindow(::GetDlgItem(m_dlg.m_hWnd, static_cast<int>(id)), GW_CHILD), nullptr) << id;
}

TEST_F(MainWindowTest, StaticsShowTheirStartImagesAtTheirBitmapsSizes)
{
    Open();
    for (const auto& image : kStartImages) {
        SCOPED_TRACE(image.nCtrlId);
        HWND hStatic = ::GetDlgItem(m_dlg.m_hWnd, static_cast<int>(image.nCtrlId));
        EXPECT_EQ(::GetWindowLongA(hStatic, GWL_STYLE) & SS_TYPEMASK, SS_BITMAP);
        HBITMAP hShown = reinterpret_cast<HBITMAP>(::SendMessageA(hStatic, STM_GETIMAGE, IMAGE_BITMAP, 0));
        EXPECT_EQ(m_dlg.m_bitmaps.IdOf(hShown), image.nBitmapId);
        BITMAP bitmap{};
        ::GetObjectA(hShown, sizeof(bitmap), &bitmap);
        CRect rc;
        ::GetWindowRect(hStatic, &rc);
        EXPECT_EQ(rc.Width(), bitmap.bmWidth);
        EXPECT_EQ(rc.Height(), bitmap.bmHeight);
    }
    HWND hLink = ::GetDlgItem(m_dlg.m_hWnd, IDC_FEATURED_LINK);
    EXPECT_EQ(::GetWindowLongA(hLink, GWL_STYLE) & SS_TYPEMASK, SS_LEFT);
    char text[64] = "";
    ::GetWindowTextA(hLink, text, sizeof(text));
    EXPECT_STREQ(text, "QuorvKalda 首届网络春晚！");
    // One load per resource id: the 42 start images and channel 0's normal look, replaced at once.
    EXPECT_EQ(m_dlg.m_bitmaps.LoadedCount(), 43);
}

TEST_F(MainWindowTest, StartUpTalksToThePlayerInItsOrderAndSetsItsState)
{
    Open();
    // Channel 0 starts playing as the last step.
    std::vector<std::string> expected = {"put 12 false", "put 19 .\\AD\\Pic1.BMP", "call 27", "put 2 play://one"};
    EXPECT_EQ(m_player->m_calls, expected);
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
}

TEST_F(MainWindowTest, LayoutRectanglesAreTakenAtTheScreenOrigin)
{
    Open();
    CRect window;
    m_dlg.GetWindowRect(&window);
    ASSERT_EQ(window.TopLeft(), CPoint(0, 0));  // not centred: it was not run modally

    struct Captured {
        const CRect& rc;
        UINT nCtrlId;
    } captured[] = {{m_dlg.m_rcLowerPane, IDC_WEB_MIDDLE}, {m_dlg.m_rcListPane, IDC_WEB_LIST},
                    {m_dlg.m_rcToggle, IDC_LIST_TOGGLE},   {m_dlg.m_rcLogo, IDC_LOGO},
                    {m_dlg.m_rcTab[0], IDC_TAB1},           {m_dlg.m_rcTab[5], IDC_TAB6}};
    for (const Captured& c : captured) {
        SCOPED_TRACE(c.nCtrlId);
        CRect actual;
        ::GetWindowRect(::GetDlgItem(m_dlg.m_hWnd, static_cast<int>(c.nCtrlId)), &actual);
        EXPECT_EQ(c.rc, actual);
    }
    const int tabWidths[] = {104, 106, 102, 101, 80, 147};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(m_dlg.m_rcTab[k].Width(), tabWidths[k]);
        EXPECT_EQ(m_dlg.m_rcTab[k].Height(), 65);
    }
    EXPECT_EQ(m_dlg.m_rcToggle.Height(), 672);
    // Offsets from the window's outer corner: the logo sits just inside the frame and caption.
    POINT clientOrigin = {0, 0};
    ::ClientToScreen(m_dlg.m_hWnd, &clientOrigin);
    EXPECT_EQ(m_dlg.m_rcLogo.TopLeft(), CPoint(clientOrigin.x, clientOrigin.y));
}

TEST_F(MainWindowTest, EveryChannelButtonHasARedTooltipAndTheLinkHasNone)
{
    Open();
    const UINT buttonIds[] = {1020, 1021, 1023, 1024, 1025, 1026, 1027, 1028, 1029, 1030, 1031, 1032, 1052, 1068};
    for (int i = 0; i < 14; ++i) {
        SCOPED_TRACE(i);
        HWND hButton = ::GetDlgItem(m_dlg.m_hWnd, static_cast<int>(buttonIds[i]));
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
    HWND hLink = ::GetDlgItem(m_dlg.m_hWnd, IDC_FEATURED_LINK);
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
            EXPECT_NE(info.uId, reinterpret_cast<UINT_PTR>(hLink));
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
    int count = ::GetMenuItemCount(hSysMenu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(::GetMenuState(hSysMenu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR,
              static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(::GetMenuItemID(hSysMenu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
    char text[64] = "";
    ::GetMenuStringA(hSysMenu, IDM_ABOUTBOX, text, sizeof(text), MF_BYCOMMAND);
    EXPECT_STREQ(text, "关于 Pelio(&A)...");
}

TEST_F(MainWindowTest, LowResolutionAsksToSwitchTo1024x768)
{
    struct Case {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.screen.cx) + "x" + std::to_string(c.screen.cy));
        CFakeDisplay display(c.screen);
        CProbeTvClientDlg dlg;
        dlg.m_pDisplay = &display;
        TestApp().m_messages.clear();
        TestApp().m_answers = {c.answer};
        ASSERT_TRUE(dlg.Create(IDD_TVCLIENT_DIALOG));
        if (c.asked) {
            ASSERT_EQ(TestApp().m_messages.size(), 1u);
            EXPECT_STREQ(TestApp().m_messages[0].text, "分辨率太低，现在重新设置？");
            EXPECT_STREQ(TestApp().m_messages[0].caption, "提示");
            EXPECT_EQ(TestApp().m_messages[0].type, static_cast<UINT>(MB_YESNO));
            EXPECT_EQ(TestApp().m_messages[0].owner, dlg.m_hWnd);
        } else {
            EXPECT_TRUE(TestApp().m_messages.empty());
        }
        EXPECT_EQ(display.m_nSwitches, c.switches);
        dlg.DestroyWindow();
    }
}

TEST_F(MainWindowTest, TemporaryConfigurationIsDeletedAtStart)
{
    WriteFile("ini\\Tavrotmp.ini", "[Version]\r\nVersion=9\r\n");
    Open();
    EXPECT_EQ(::GetFileAttributesA("ini\\Tavrotmp.ini"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(MainWindowTest, TrayIconHidesAndShowsTheWindow)
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

    struct Step {
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
    for (const Step& step : steps) {
        SCOPED_TRACE(std::to_string(step.id) + " " + std::to_string(step.mouse));
        EXPECT_EQ(m_dlg.SendMessage(WM_USER + 5, step.id, step.mouse), step.result);
        EXPECT_EQ(m_dlg.IsWindowVisible() != FALSE, step.visible);
        EXPECT_EQ(m_dlg.m_bWindowShown, step.visible ? 1 : 0);
    }

    // Hidden with the title bar's button, one click on the icon brings it back.
    m_dlg.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_HIDE_BUTTON, STN_CLICKED),
                      reinterpret_cast<LPARAM>(::GetDlgItem(m_dlg.m_hWnd, IDC_HIDE_BUTTON)));
    EXPECT_FALSE(m_dlg.IsWindowVisible());
    m_dlg.SendMessage(WM_USER + 5, 221, WM_LBUTTONDOWN);
    EXPECT_TRUE(m_dlg.IsWindowVisible());
}

TEST_F(MainWindowTest, DestroyingTheWindowStopsWhatPlays)
{
    Open();
    m_player->m_calls.clear();
    m_player->m_nPlayState = 2;
    m_dlg.DestroyWindow();
    std::vector<std::string> expected = {"get 6", "call 27"};
    EXPECT_EQ(m_player->m_calls, expected);
}

TEST_F(MainWindowTest, PlayerThatCannotBeCreatedEndsTheDialogBeforeItsInitialisation)
{
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
