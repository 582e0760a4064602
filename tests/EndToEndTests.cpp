// The real program in a real installation folder, with the real player component registered.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

namespace {

// Paths of the build tree as this platform sees them: Wine maps drive Z: to the Unix root.
std::string HostPath(std::string unixPath)
{
    for (char& c : unixPath) {
        if (c == '/')
            c = '\\';
    }
    return "Z:" + unixPath;
}

struct Process {
    PROCESS_INFORMATION info{};

    bool Start(const std::string& commandLine, const std::string& directory)
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        std::string line = commandLine;
        return ::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                                directory.empty() ? nullptr : directory.c_str(), &startup, &info) != FALSE;
    }
    // The exit code, or STILL_ACTIVE if it has not ended within the time.
    DWORD Wait(DWORD milliseconds)
    {
        ::WaitForSingleObject(info.hProcess, milliseconds);
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(info.hProcess, &code);
        return code;
    }
    ~Process()
    {
        if (info.hProcess != nullptr) {
            if (Wait(0) == STILL_ACTIVE)
                ::TerminateProcess(info.hProcess, 99);
            ::CloseHandle(info.hProcess);
            ::CloseHandle(info.hThread);
        }
    }
};

struct WindowQuery {
    DWORD pid;
    std::string className;
    std::string childText;  // a window with a child showing this text
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hWnd, LPARAM lParam)
{
    WindowQuery* pQuery = reinterpret_cast<WindowQuery*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    char name[64] = "";
    ::GetClassNameA(hWnd, name, sizeof(name));
    if (pid != pQuery->pid || !::IsWindowVisible(hWnd) || pQuery->className != name)
        return TRUE;
    for (HWND hChild = ::GetWindow(hWnd, GW_CHILD); hChild != nullptr; hChild = ::GetWindow(hChild, GW_HWNDNEXT)) {
        char text[256] = "";
        ::GetWindowTextA(hChild, text, sizeof(text));
        if (pQuery->childText == text) {
            pQuery->found = hWnd;
            return FALSE;
        }
    }
    return TRUE;
}

// Waits up to 30 s for a visible top-level window of the process.
HWND WaitForWindow(const Process& process, const char* className, const char* childText)
{
    WindowQuery query{process.info.dwProcessId, className, childText, nullptr};
    for (int i = 0; i < 300 && query.found == nullptr; ++i) {
        ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
        if (query.found == nullptr)
            ::Sleep(100);
    }
    return query.found;
}

std::string WindowText(HWND hWnd)
{
    char text[256] = "";
    ::GetWindowTextA(hWnd, text, sizeof(text));
    return text;
}

class EndToEndTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Process regsvr32;
        ASSERT_TRUE(regsvr32.Start("regsvr32.exe /s " + HostPath(PLAYER_DLL), ""));
        ASSERT_EQ(regsvr32.Wait(60000), 0u);
    }

    // A fresh installation folder with the demo's files, less those a test leaves out.
    std::string Install(bool withChannelFile)
    {
        char current[MAX_PATH];
        ::GetCurrentDirectoryA(MAX_PATH, current);
        std::string dir = std::string(current) + "\\install";
        std::string demo = HostPath(DEMO_DIR);
        ::CreateDirectoryA(dir.c_str(), nullptr);
        ::CreateDirectoryA((dir + "\\ini").c_str(), nullptr);
        ::CreateDirectoryA((dir + "\\AD").c_str(), nullptr);
        ::CopyFileA((demo + "\\ini\\Tavro.ini").c_str(), (dir + "\\ini\\Tavro.ini").c_str(), FALSE);
        ::CopyFileA((demo + "\\AD\\Pic1.BMP").c_str(), (dir + "\\AD\\Pic1.BMP").c_str(), FALSE);
        ::DeleteFileA((dir + "\\Channel.txt").c_str());
        if (withChannelFile)
            ::CopyFileA((demo + "\\Channel.txt").c_str(), (dir + "\\Channel.txt").c_str(), FALSE);
        return dir;
    }

    const std::string m_exe = HostPath(TVCLIENT_EXE);
};

TEST_F(EndToEndTest, SecondCopyIsRefusedWhileTheFirstRuns)
{
    std::string dir = Install(true);
    Process first;
    ASSERT_TRUE(first.Start(m_exe, dir));
    HWND hMain = WaitForWindow(first, "#32770", "QuorvKalda 首届网络春晚！");
    ASSERT_NE(hMain, nullptr);
    EXPECT_EQ(WindowText(hMain), "Kalda网络电视");

    Process second;
    ASSERT_TRUE(second.Start(m_exe, dir));
    HWND hBox = WaitForWindow(second, "#32770", "Kalda网络电视的一个实例已经运行!");
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

TEST_F(EndToEndTest, MissingChannelFileIsReportedAndEndsTheProgram)
{
    std::string dir = Install(false);
    Process client;
    ASSERT_TRUE(client.Start(m_exe, dir));
    HWND hBox = WaitForWindow(client, "#32770", "频道列表配置错误！");
    ASSERT_NE(hBox, nullptr);
    EXPECT_NE(::GetDlgItem(hBox, IDOK), nullptr);
    EXPECT_NE(::GetDlgItem(hBox, IDCANCEL), nullptr);
    // Either answer ends it.
    ::PostMessageA(hBox, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(client.Wait(30000), 1u);
}

}  // namespace
