// The real program in a real installation folder, with the real player component registered.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

#include <windows.h>

#include "ChildProcess.h"
#include "LocalHttpServer.h"
#include "TrayRecorder.h"
#include "config/DocumentFetch.h"
#include "resource.h"
#include "tray/TrayIcon.h"

namespace {

const char kLinkText[] = "QuorvKalda 首届网络春晚！";

// The folder of this program, where the build puts the client's stand-ins too.
std::string ProgramFolder()
{
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, std::strrchr(path, '\\') + 1);
}

class EndToEndTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterPlayer(""); }

    // Registers the build's player component, or with "/u" removes its registration.
    static void RegisterPlayer(const std::string& options)
    {
        Process regsvr32;
        ASSERT_TRUE(regsvr32.Start("regsvr32.exe /s " + options + " \"" + HostPath(PLAYER_DLL) + "\""));
        ASSERT_EQ(regsvr32.Wait(60000), 0u);
    }

    void SetUp() override
    {
        ASSERT_TRUE(m_server.Listening());
        m_server.Serve("/p.ini", "[Version]\r\nVersion=1\r\n");
    }

    // A fresh installation folder: the client, the updater's stand-in and the demo's files, the
    // channel file only if asked; the version file and the counts come from the test's server.
    std::string Install(bool withChannelFile = true)
    {
        char current[MAX_PATH];
        ::GetCurrentDirectoryA(MAX_PATH, current);
        const std::string dir = std::string(current) + "\\install", demo = HostPath(DEMO_DIR);
        for (const char* folder : {"", "\\ini", "\\AD"})
            ::CreateDirectoryA((dir + folder).c_str(), nullptr);
        for (const char* file : {"\\ini\\Tavro.ini", "\\AD\\Pic1.BMP", "\\Channel.txt"})
            ::CopyFileA((demo + file).c_str(), (dir + file).c_str(), FALSE);
        ::CopyFileA(HostPath(TVCLIENT_EXE).c_str(), (dir + "\\TvClient.exe").c_str(), FALSE);
        ::CopyFileA((ProgramFolder() + "ZeziroD2U.exe").c_str(), (dir + "\\ZeziroD2U.exe").c_str(), FALSE);
        ::DeleteFileA((dir + "\\started.txt").c_str());
        if (!withChannelFile)
            ::DeleteFileA((dir + "\\Channel.txt").c_str());
        m_ini = dir + "\\ini\\Tavro.ini";
        ::WritePrivateProfileStringA("APPURL", "APPURL", (m_server.Origin() + "/p.ini").c_str(), m_ini.c_str());
        // Not the demo's channel server: whatever listens at its port must not slow the start.
        ::WritePrivateProfileStringA("XML", "XML", (m_server.Origin() + "/counts").c_str(), m_ini.c_str());
        m_exe = dir + "\\TvClient.exe";
        return dir;
    }

    // Closes the main window as a user does, confirming the question.
    static void CloseAndConfirm(Process& client, HWND hMain)
    {
        ::PostMessageA(hMain, WM_CLOSE, 0, 0);
        HWND hQuestion = client.WaitForDialog("确定要退出?");
        ASSERT_NE(hQuestion, nullptr);
        ::PostMessageA(hQuestion, WM_COMMAND, IDYES, 0);
        EXPECT_EQ(client.Wait(30000), 1u);
    }

    CLocalHttpServer m_server;
    std::string m_ini, m_exe;
};

TEST_F(EndToEndTest, SecondCopyIsRefusedWhileTheFirstRuns)
{
    const std::string dir = Install();
    Process first, second;
    ASSERT_TRUE(first.Start(m_exe, dir.c_str()));
    HWND hMain = first.WaitForDialog(kLinkText);
    ASSERT_NE(hMain, nullptr);
    EXPECT_EQ(WindowText(hMain), "Kalda网络电视");

    ASSERT_TRUE(second.Start(m_exe, dir.c_str()));
    HWND hBox = second.WaitForDialog("Kalda网络电视的一个实例已经运行!");
    ASSERT_NE(hBox, nullptr);
    EXPECT_EQ(WindowText(hBox), "TvClient");  // the application's name: the program's file name
    EXPECT_EQ(second.Wait(0), STILL_ACTIVE);
    ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(second.Wait(30000), 1u);

    // The first copy is untouched and ends with the same code.
    EXPECT_EQ(first.Wait(0), STILL_ACTIVE);
    CloseAndConfirm(first, hMain);
}

// The service's version file decides at every start: play, hand over to the updater, or give up.
TEST_F(EndToEndTest, TheVersionFileDecidesBetweenPlayingAndUpdating)
{
    const struct { const char* installed; const char* remote; bool updates; } cases[] = {
        {"3", "[Version]\r\nVersion=3\r\n", false},
        {"3", "[Version]\r\nVersion=4\r\n", true},
        {"5", "[Version]\r\nVersion=4\r\n", false},
        {nullptr, "[Other]\r\nVersion=9\r\n", true},  // 1 against 2
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.installed ? c.installed : "none") + " against " + c.remote);
        const std::string dir = Install();
        ::WritePrivateProfileStringA("Version", c.installed ? "Version" : nullptr, c.installed, m_ini.c_str());
        m_server.Serve("/p.ini", c.remote);
        Process client;
        const DWORD start = ::GetTickCount();
        ASSERT_TRUE(client.Start(m_exe, dir.c_str()));
        if (!c.updates) {
            HWND hMain = client.WaitForDialog(kLinkText);
            ASSERT_NE(hMain, nullptr);
            CloseAndConfirm(client, hMain);
            EXPECT_EQ(::GetFileAttributesA((dir + "\\started.txt").c_str()), INVALID_FILE_ATTRIBUTES);
        } else {
            // The window is never shown, and the updater starts two seconds after the decision.
            bool bShown = false;
            EXPECT_EQ(PumpUntil([&] {
                bShown = bShown || client.FindDialog(kLinkText) != nullptr;
                return ::GetFileAttributesA((dir + "\\started.txt").c_str()) != INVALID_FILE_ATTRIBUTES;
            }, 30000), true);
            EXPECT_GE(::GetTickCount() - start, 2000u);
            EXPECT_FALSE(bShown);
            EXPECT_EQ(client.Wait(30000), 1u);
            std::ifstream started(dir + "\\started.txt");
            std::string line;
            std::getline(started, line);
            EXPECT_EQ(line, "ZeziroD2U.exe");
        }
        EXPECT_EQ(::GetFileAttributesA((dir + "\\ini\\p.ini").c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST_F(EndToEndTest, WithoutTheVersionFileTheClientReportsTheNetworkAndEnds)
{
    const unsigned short nRefusing = CLocalHttpServer().Port();  // closed again at once
    m_server.Serve("/silent.ini", "", CLocalHttpServer::Delivery::Silence);
    for (const std::string& address : {"http://127.0.0.1:" + std::to_string(nRefusing) + "/p.ini", std::string(),
                                       m_server.Origin() + "/silent.ini"}) {
        SCOPED_TRACE(address);
        const std::string dir = Install();
        ::WritePrivateProfileStringA("APPURL", "APPURL", address.c_str(), m_ini.c_str());
        Process client;
        ASSERT_TRUE(client.Start(m_exe, dir.c_str()));
        HWND hBox = client.WaitForDialog("网络连接故障，请稍后再试！");
        ASSERT_NE(hBox, nullptr);
        ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(client.Wait(30000), 1u);
        EXPECT_EQ(::GetFileAttributesA((dir + "\\ini\\p.ini").c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(client.FindDialog(kLinkText), nullptr);
    }
}

// A counts server that takes the connection and never answers holds the start only for its two
// fetches, each within its limit, and never holds the window once it shows.
TEST_F(EndToEndTest, ASilentCountsServerHoldsTheStartOnlyForTwoBoundedFetches)
{
    const std::string dir = Install();
    m_server.Serve("/counts", "", CLocalHttpServer::Delivery::Silence);
    Process client;
    const DWORD start = ::GetTickCount();
    ASSERT_TRUE(client.Start(m_exe, dir.c_str()));
    HWND hMain = client.WaitForDialog(kLinkText);
    ASSERT_NE(hMain, nullptr);
    EXPECT_LT(::GetTickCount() - start, 2 * config::kFetchTimeLimitMs + 2000);
    EXPECT_EQ(m_server.Requests("/counts"), (std::vector<std::string>{"/counts", "/counts"}));
    // Once shown, the window answers at once, and a click on its hide button hides it.
    DWORD_PTR answer = 0;
    EXPECT_NE(::SendMessageTimeoutA(hMain, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &answer), 0);
    HWND hHide = ::GetDlgItem(hMain, IDC_HIDE_BUTTON);
    ::PostMessageA(hHide, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ::PostMessageA(hHide, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hMain); }, 2000));
    ::PostMessageA(hMain, WM_COMMAND, IDOK, 0);  // Enter's way out: no question
    EXPECT_EQ(client.Wait(30000), 1u);
}

// Whether a dialog has a child whose text holds every one of the parts.
std::function<bool(HWND)> ShowsTextWith(std::vector<std::string> parts)
{
    return [parts](HWND hDialog) {
        for (HWND h = nullptr; (h = ::FindWindowExA(hDialog, h, "Static", nullptr)) != nullptr;) {
            const std::string text = WindowText(h);
            if (std::all_of(parts.begin(), parts.end(), [&](const std::string& part) {
                    return text.find(part) != std::string::npos;
                }))
                return true;
        }
        return false;
    };
}

// Without its player the client names what is missing and how to mend it, then ends as always.
TEST_F(EndToEndTest, AMissingPlayerComponentIsReportedBeforeTheProgramEnds)
{
    const std::string dir = Install();
    const std::string server = "Software\\Classes\\CLSID\\{18226BF8-DC0B-4D81-80E9-A41AE37BB73A}\\InprocServer32";
    const std::string missingFile = dir + "\\P2PPlayer.dll";
    const struct { const char* name; bool bNamesAMissingFile; } cases[] = {
        {"never registered", false},
        {"registered, its file gone", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegisterPlayer("/u");
        if (c.bNamesAMissingFile) {
            ASSERT_EQ(::RegSetKeyValueA(HKEY_CURRENT_USER, server.c_str(), nullptr, REG_SZ, missingFile.c_str(),
                                        static_cast<DWORD>(missingFile.size() + 1)),
                      ERROR_SUCCESS);
        }
        Process client;
        ASSERT_TRUE(client.Start(m_exe, dir.c_str()));
        HWND hBox = client.WaitForDialog(ShowsTextWith({"P2PPlayer.dll", "安装程序"}));
        ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Classes\\CLSID\\{18226BF8-DC0B-4D81-80E9-A41AE37BB73A}");
        RegisterPlayer("");
        ASSERT_NE(hBox, nullptr);
        EXPECT_EQ(WindowText(hBox), "TvClient");
        EXPECT_EQ(client.FindDialog(kLinkText), nullptr);
        EXPECT_EQ(client.Wait(0), STILL_ACTIVE);
        ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(client.Wait(30000), 1u);
    }
}

TEST_F(EndToEndTest, MissingChannelFileIsReportedAndEndsTheProgramLeavingNoTrayIcon)
{
    CTrayRecorder tray;
    Process client;
    const std::string dir = Install(false);
    ASSERT_TRUE(client.Start(m_exe, dir.c_str()));
    HWND hBox = client.WaitForDialog("频道列表配置错误！");
    ASSERT_NE(hBox, nullptr);
    EXPECT_NE(::GetDlgItem(hBox, IDOK), nullptr);
    EXPECT_NE(::GetDlgItem(hBox, IDCANCEL), nullptr);
    // The box comes while the main window, not yet shown, has its icon; the icon goes before the process.
    const std::string icon = std::to_string(CTrayIcon::kIconId);
    EXPECT_EQ(tray.m_calls, std::vector<std::string>{"add " + icon});
    // Either answer ends it.
    ::PostMessageA(hBox, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(client.Wait(30000), 1u);
    EXPECT_EQ(tray.m_calls, (std::vector<std::string>{"add " + icon, "delete " + icon}));
}

}  // namespace
