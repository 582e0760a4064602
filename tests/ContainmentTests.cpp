// The framework's control containment with the real player component in a dialog from a template:
// creation in template order with the init data, late-bound calls through the client's wrapper,
// events through an event sink map, and teardown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Afx.h"
#include "ContainmentTestIds.h"
#include "PlayerIds.h"
#include "TestApp.h"
#include "controls/EWA.h"

namespace {

class CHostDlg : public CDialog {
public:
    CHostDlg() : CDialog(IDD_HOST) {}

    CEWA m_player;
    std::vector<std::string> m_events;
    bool m_bFailOnEnter = false;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_HOST_PLAYER, m_player); }

    void OnStateChange(long nState) { m_events.push_back("state " + std::to_string(nState)); }
    void OnEnterKey()
    {
        m_events.push_back("enter");
        if (m_bFailOnEnter)
            m_noEntries.GetAt(0);
    }
    void OnDoubleClick(short nButton, short nShift, long x, long y)
    {
        m_events.push_back("double click " + std::to_string(nButton) + " " + std::to_string(nShift) + " " +
                           std::to_string(x) + " " + std::to_string(y));
    }

    CStringArray m_noEntries;

    DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(CHostDlg, CDialog)
    ON_EVENT(CHostDlg, IDC_HOST_PLAYER, PLAYER_EVENT_STATECHANGE, OnStateChange)
    ON_EVENT(CHostDlg, IDC_HOST_PLAYER, PLAYER_EVENT_ENTERKEY, OnEnterKey)
    ON_EVENT(CHostDlg, IDC_HOST_PLAYER, PLAYER_EVENT_DOUBLECLICK, OnDoubleClick)
END_EVENTSINK_MAP()

typedef HRESULT(STDAPICALLTYPE* DllGetClassObjectFn)(REFCLSID, REFIID, void**);
typedef HRESULT(STDAPICALLTYPE* DllCanUnloadNowFn)();

class ContainmentTest : public ::testing::Test {
protected:
    // The component comes from the DLL beside the tests, whatever the registry says.
    static void SetUpTestSuite()
    {
        AfxEnableControlContainer();
        s_hModule = ::LoadLibraryA("P2PPlayer.dll");
        ASSERT_NE(s_hModule, nullptr);
        auto getClassObject = reinterpret_cast<DllGetClassObjectFn>(
            reinterpret_cast<void*>(::GetProcAddress(s_hModule, "DllGetClassObject")));
        IClassFactory* pFactory = nullptr;
        ASSERT_HRESULT_SUCCEEDED(getClassObject(CLSID_P2PPlayer, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)));
        ASSERT_HRESULT_SUCCEEDED(
            ::CoRegisterClassObject(CLSID_P2PPlayer, pFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &s_dwCookie));
        pFactory->Release();
    }

    // Every object the dialogs made is gone with them.
    static void TearDownTestSuite()
    {
        ::CoRevokeClassObject(s_dwCookie);
        auto canUnloadNow = reinterpret_cast<DllCanUnloadNowFn>(
            reinterpret_cast<void*>(::GetProcAddress(s_hModule, "DllCanUnloadNow")));
        EXPECT_EQ(canUnloadNow(), S_OK);
    }

    void SetUp() override
    {
        TestApp().m_messages.clear();
        ASSERT_TRUE(m_dlg.Create(IDD_HOST));
    }

    void TearDown() override { m_dlg.DestroyWindow(); }

    HWND VideoWindow() { return ::FindWindowExA(m_dlg.m_player.m_hWnd, nullptr, P2PPLAYER_VIDEO_CLASS, nullptr); }

    // Pumps messages until the condition holds or three seconds have passed.
    template <typename Condition>
    bool PumpUntil(Condition condition)
    {
        for (DWORD start = ::GetTickCount(); !condition() && ::GetTickCount() - start < 3000;) {
            MSG msg;
            while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageA(&msg);
            }
            ::Sleep(10);
        }
        return condition();
    }

    static HMODULE s_hModule;
    static DWORD s_dwCookie;
    CHostDlg m_dlg;
};

HMODULE ContainmentTest::s_hModule = nullptr;
DWORD ContainmentTest::s_dwCookie = 0;

TEST_F(ContainmentTest, ControlTakesItsTemplatePlaceWithItsInitData)
{
    HWND hHost = ::GetDlgItem(m_dlg.m_hWnd, IDC_HOST_PLAYER);
    ASSERT_EQ(m_dlg.m_player.m_hWnd, hHost);
    EXPECT_EQ(::GetWindow(hHost, GW_HWNDPREV), ::GetDlgItem(m_dlg.m_hWnd, IDC_HOST_BEFORE));
    EXPECT_EQ(::GetWindow(hHost, GW_HWNDNEXT), ::GetDlgItem(m_dlg.m_hWnd, IDC_HOST_AFTER));

    // The control's own window fills the place the template gives it.
    HWND hVideo = VideoWindow();
    ASSERT_NE(hVideo, nullptr);
    CRect host, video;
    ::GetWindowRect(hHost, &host);
    ::GetWindowRect(hVideo, &video);
    EXPECT_EQ(video, host);
    CRect expected(10, 20, 170, 120);
    ::MapDialogRect(m_dlg.m_hWnd, &expected);
    EXPECT_EQ(host.Width(), expected.Width());

    EXPECT_EQ(m_dlg.m_player.GetVolume(), 30);  // from the template's init data, not the default
    m_dlg.m_player.MoveWindow(0, 0, 200, 90);
    ::GetWindowRect(hVideo, &video);
    EXPECT_EQ(video.Width(), 200);
    EXPECT_EQ(video.Height(), 90);
}

TEST_F(ContainmentTest, CallsGoThroughTheWrapperAndFailuresThrow)
{
    m_dlg.m_player.SetVolume(70);
    EXPECT_EQ(m_dlg.m_player.GetVolume(), 70);
    EXPECT_EQ(m_dlg.m_player.GetPlayState(), PLAYSTATE_STOPPED);
    m_dlg.m_player.SetProperty(CEWA::dispidContextMenu, COleVariant(FALSE, VT_BOOL));
    EXPECT_EQ(m_dlg.m_player.GetProperty(CEWA::dispidContextMenu).ToLong(), 0);
    m_dlg.m_player.SetIdlePicture(".\\AD\\Pic1.BMP");
    EXPECT_STREQ(m_dlg.m_player.GetProperty(CEWA::dispidIdlePicture).ToString(), ".\\AD\\Pic1.BMP");

    EXPECT_THROW(m_dlg.m_player.InvokeMethod(999), COleException);
    CStatic notAControl;
    EXPECT_THROW(notAControl.InvokeMethod(CEWA::dispidStop), COleException);
}

TEST_F(ContainmentTest, EventsReachTheHandlersOfTheEventSinkMap)
{
    m_dlg.m_player.SetUrl("p2p://127.0.0.1:8088/live/101");
    ASSERT_TRUE(PumpUntil([&] { return m_dlg.m_player.GetPlayState() == PLAYSTATE_PLAYING; }));
    m_dlg.m_player.Pause();
    m_dlg.m_player.Stop();

    HWND hVideo = VideoWindow();
    ::SendMessageA(hVideo, WM_KEYDOWN, VK_RETURN, 0);
    ::SendMessageA(hVideo, WM_LBUTTONDBLCLK, MK_LBUTTON | MK_SHIFT, MAKELPARAM(12, 34));

    std::vector<std::string> expected = {"state 3", "state 2", "state 1", "state 0", "enter", "double click 1 1 12 34"};
    EXPECT_EQ(m_dlg.m_events, expected);
    EXPECT_TRUE(TestApp().m_messages.empty());
}

TEST_F(ContainmentTest, FailingEventHandlerIsReportedAndTheControlGoesOn)
{
    m_dlg.m_bFailOnEnter = true;
    ::SendMessageA(VideoWindow(), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_EQ(TestApp().m_messages.size(), 1u);
    EXPECT_STREQ(TestApp().m_messages[0].text, "An invalid argument was encountered.");

    m_dlg.m_player.Stop();
    m_dlg.m_player.SetUrl("p2p://127.0.0.1:8088/live/102");
    EXPECT_EQ(m_dlg.m_events.back(), "state 3");
}

TEST(ContainmentFailure, ControlWithoutAServerFailsTheDialog)
{
    AfxEnableControlContainer();
    CDialog dlg(IDD_HOST_BROKEN);
    EXPECT_FALSE(dlg.Create(IDD_HOST_BROKEN));
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(::FindWindowA(nullptr, "Broken host"), nullptr);
}

}  // namespace
