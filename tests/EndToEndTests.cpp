// The real program in a real installation folder, with the real player component registered.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>

#include "ChildProcess.h"
#include "tray/TrayIcon.h"

namespace {

class EndToEndTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Process regsvr32;
        ASSERT_TRUE(regsvr32.Start("regsvr32.exe /s \"" + HostPath(PLAYER_DLL) + "\""));
        ASSERT_EQ(regsvr32.Wait(60000), 0u);
    }

    // A fresh installation folder with the demo's files, the channel file only if asked.
    static std::string Install(bool withChannelFile)
    {
        char current[MAX_PATH];
        ::GetCurrentDirectoryA(MAX_PATH, current);
        const std::string dir = std::string(current) + "\\install", demo = HostPath(DEMO_DIR);
        for (const char* folder : {"", "\\ini", "\\AD"})
            ::CreateDirectoryA((dir + folder).c_str(), nullptr);
        for (const char* file : {"\\ini\\Tavro.ini", "\\AD\\Pic1.BMP", "\\Channel.txt"})
            ::CopyFileA((demo + file).c_str(), (dir + file).c_str(), FALSE);
        if (!withChannelFile)
            ::DeleteFileA((dir + "\\Channel.txt").c_str());
        return dir;
    }

    const std::string m_exe = HostPath(TVCLIENT_EXE);
};

TEST_F(EndToEndTest, SecondCopyIsRefusedWhileTheFirstRuns)
{
    const std::string dir = Install(true);
    Process first, second;
    ASSERT_TRUE(first.Start(m_exe, dir.c_str()));
    HWND hMain = first.WaitForDialog("QuorvKalda 首届网络春晚！");
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
    ::PostMessageA(hMain, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.Wait(30000), 1u);
}

// Stands in for the notification area while it lives: the shell finds the newest tray window
// first, and tells it each icon call as a copy of the call ("add <icon id>", "delete <icon id>").
class CTrayRecorder {
public:
    CTrayRecorder()
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = Record;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = "Shell_TrayWnd";
        ::RegisterClassA(&wc);
        m_hWnd = ::CreateWindowExA(0, wc.lpszClassName, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   wc.hInstance, nullptr);
        s_calls.clear();
    }
    ~CTrayRecorder() { ::DestroyWindow(m_hWnd); }

    static inline std::vector<std::string> s_calls;

private:
    // Wine's shell passes the call in dwData, and the window and the icon's id first in the data.
    static LRESULT CALLBACK Record(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message != WM_COPYDATA)
            return ::DefWindowProcA(hWnd, message, wParam, lParam);
        const COPYDATASTRUCT* pData = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        const char* names[] = {"add", "modify", "delete"};
        const UINT* fields = static_cast<const UINT*>(pData->lpData);
        if (pData->dwData < std::size(names) && pData->cbData >= 2 * sizeof(UINT))
            s_calls.push_back(std::string(names[pData->dwData]) + " " + std::to_string(fields[1]));
        return TRUE;
    }

    HWND m_hWnd;
};

TEST_F(EndToEndTest, MissingChannelFileIsReportedAndEndsTheProgramLeavingNoTrayIcon)
{
    CTrayRecorder tray;
    Process client;
    ASSERT_TRUE(client.Start(m_exe, Install(false).c_str()));
    HWND hBox = client.WaitForDialog("频道列表配置错误！");
    ASSERT_NE(hBox, nullptr);
    EXPECT_NE(::GetDlgItem(hBox, IDOK), nullptr);
    EXPECT_NE(::GetDlgItem(hBox, IDCANCEL), nullptr);
    // The box comes while the main window, not yet shown, has its icon; the icon goes before the process.
    const std::string icon = std::to_string(CTrayIcon::kIconId);
    EXPECT_EQ(CTrayRecorder::s_calls, std::vector<std::string>{"add " + icon});
    // Either answer ends it.
    ::PostMessageA(hBox, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(client.Wait(30000), 1u);
    EXPECT_EQ(CTrayRecorder::s_calls, (std::vector<std::string>{"add " + icon, "delete " + icon}));
}

}  // namespace
