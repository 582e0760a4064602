// The real main window from the real template and resources, with the recording stand-in for the
// player component and its configuration files in the scratch directory.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "CountsDocument.h"
#include "FakePlayer.h"
#include "LocalHttpServer.h"
#include "TestHelpers.h"
#include "TestApp.h"
#include "mainwnd/TvClientDlg.h"
#include "skin/SkinGeometry.h"

// Failures give rectangles and places by their numbers.
inline void PrintTo(const CRect& rc, std::ostream* os)
{
    *os << "{" << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom << "}";
}
inline void PrintTo(const Placement& place, std::ostream* os)
{
    *os << place.x << "," << place.y << " " << place.cx << "x" << place.cy;
}

// Exposes the window's state to the tests.
class CProbeTvClientDlg : public CTvClientDlg {
public:
    using CTvClientDlg::AddAboutMenuItem;
    using CTvClientDlg::m_arrChannelNum;
    using CTvClientDlg::m_arrPlayUrl;
    using CTvClientDlg::m_channelColumn;
    using CTvClientDlg::m_channelTips;
    using CTvClientDlg::m_hIcon;
    using CTvClientDlg::m_images;
    using CTvClientDlg::m_nCurChannel;
    using CTvClientDlg::m_onlineCounts;
    using CTvClientDlg::m_playerBar;
    using CTvClientDlg::m_portalTabs;
    using CTvClientDlg::m_trayIcon;
    using CTvClientDlg::m_webList;
};

class CFakeDisplay : public CDisplay {
public:
    SIZE GetScreenSize() override { return m_size; }
    void SwitchToMinimumMode() override { ++m_nSwitches; }

    SIZE m_size = {1280, 1024};
    int m_nSwitches = 0;
};

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { AfxEnableControlContainer(); }

    void SetUp() override
    {
        m_player = std::make_unique<CFakePlayerRegistration>();
        ::CreateDirectoryA("ini", nullptr);
        // The version check finds the service's version file up to date with the installed one.
        m_service.Serve("/p.ini", "[Version]\r\nVersion=1\r\n");
        m_ini["APPURL"] = m_service.Origin() + "/p.ini";
        TestApp().m_messages.clear();
        TestApp().m_answers.clear();
    }

    void TearDown() override
    {
        m_dlg.DestroyWindow();
    }

    // Channel.txt holds m_channels; in ini\Tavro.ini every key of m_ini sits in the section of its own name.
    void WriteConfiguration()
    {
        m_files.Write("Channel.txt", m_channels);
        std::string text = "[CHANNELNUM]\r\nCHANNELNUM=";
        for (size_t i = 0; i < m_numbers.size(); ++i)
            text += (i == 0 ? "" : "|") + m_numbers[i];
        text += "\r\n";
        for (const auto& entry : m_ini)
            text += "[" + entry.first + "]\r\n" + entry.first + "=" + entry.second + "\r\n";
        m_files.Write("ini\\Tavro.ini", text);
    }

    void Open()
    {
        WriteConfiguration();
        m_dlg.m_pDisplay = &m_display;
        ASSERT_TRUE(m_dlg.Create(IDD_TVCLIENT_DIALOG));
    }

    HWND Item(UINT nID) const { return ::GetDlgItem(m_dlg.m_hWnd, static_cast<int>(nID)); }

    // A control's window rectangle: from the window's outer corner while it stands at the screen's origin.
    CRect WindowRect(UINT nID) const
    {
        CRect rc;
        ::GetWindowRect(Item(nID), &rc);
        return rc;
    }

    // Moves a control to where its window rectangle is rc, for the window's next capture.
    void PlaceAt(UINT nID, CRect rc)
    {
        ::MapWindowPoints(nullptr, m_dlg.m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
        ::MoveWindow(Item(nID), rc.left, rc.top, rc.Width(), rc.Height(), TRUE);
    }

    // Where a control stands in the client area.
    Placement PlacementOf(UINT nID) const
    {
        CRect rc = WindowRect(nID);
        ::MapWindowPoints(nullptr, m_dlg.m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
        return {rc.left, rc.top, rc.Width(), rc.Height()};
    }

    // The skin bitmap a static shows.
    UINT Shown(UINT nID)
    {
        const LRESULT hShown = ::SendMessageA(Item(nID), STM_GETIMAGE, IMAGE_BITMAP, 0);
        return m_dlg.m_images.m_bitmaps.IdOf(reinterpret_cast<HBITMAP>(hShown));
    }

    // A handler failed: the framework reported it with the stop icon, once.
    static void ExpectInvalidArgumentReported()
    {
        ASSERT_EQ(TestApp().m_messages.size(), 1u);
        EXPECT_STREQ(TestApp().m_messages[0].text, "An invalid argument was encountered.");
        EXPECT_EQ(TestApp().m_messages[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONSTOP));
    }

    // The mouse as the static sees it: the static tells the dialog.
    void Press(UINT nID, UINT message = WM_LBUTTONDOWN)
    {
        ::SendMessageA(Item(nID), message, MK_LBUTTON, MAKELPARAM(2, 2));
        ::SendMessageA(Item(nID), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }

    std::string m_channels = "play://one;play://two;\r\nplay://three\r\n";
    Strings m_numbers = {"101", "102"};
    std::map<std::string, std::string> m_ini;
    std::unique_ptr<CFakePlayerRegistration> m_player;
    CLocalHttpServer m_service;
    CFakeDisplay m_display;
    CScratchFiles m_files;
    CProbeTvClientDlg m_dlg;
};
