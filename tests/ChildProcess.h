// Real programs of the build, run as processes of their own, and the dialogs they show.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "HostPath.h"
#include "MessagePump.h"

inline std::string WindowText(HWND hWnd)
{
    char text[1024] = "";
    ::GetWindowTextA(hWnd, text, sizeof(text));
    return text;
}

// Whether a dialog has a child showing the text.
inline std::function<bool(HWND)> ShowsText(const std::string& text)
{
    return [text](HWND h) { return ::FindWindowExA(h, nullptr, nullptr, text.c_str()) != nullptr; };
}

// The visible dialog that matches, of the process, or of any process for 0.
inline HWND FindVisibleDialog(const std::function<bool(HWND)>& matches, DWORD nProcessId = 0)
{
    for (HWND h = nullptr; (h = ::FindWindowExA(nullptr, h, "#32770", nullptr)) != nullptr;) {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(h, &pid);
        if ((nProcessId == 0 || pid == nProcessId) && ::IsWindowVisible(h) && matches(h))
            return h;
    }
    return nullptr;
}

// Waits for a visible dialog that matches, at most the time given.
inline HWND WaitForVisibleDialog(const std::function<bool(HWND)>& matches, DWORD milliseconds, DWORD nProcessId = 0)
{
    HWND hFound = nullptr;
    PumpUntil([&] { return (hFound = FindVisibleDialog(matches, nProcessId)) != nullptr; }, milliseconds);
    return hFound;
}

// The exit code, or STILL_ACTIVE if the process has not ended within the time.
inline DWORD WaitForExit(HANDLE hProcess, DWORD milliseconds)
{
    PumpUntil([&] { return ::WaitForSingleObject(hProcess, 0) == WAIT_OBJECT_0; }, milliseconds);
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(hProcess, &code);
    return code;
}

// Answers a message box with OK, whichever process shows it; that process's exit code, once it has ended.
inline DWORD AnswerBox(HWND hBox, DWORD milliseconds = 30000)
{
    DWORD nProcessId = 0;
    ::GetWindowThreadProcessId(hBox, &nProcessId);
    HANDLE hProcess = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, nProcessId);
    ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    const DWORD code = hProcess != nullptr ? WaitForExit(hProcess, milliseconds) : STILL_ACTIVE;
    ::CloseHandle(hProcess);
    return code;
}

struct Process {
    PROCESS_INFORMATION info{};

    bool Start(std::string commandLine, const char* directory = nullptr)
    {
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        return ::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, directory, &startup,
                                &info) != FALSE;
    }
    // The exit code, or STILL_ACTIVE if it has not ended within the time.
    DWORD Wait(DWORD milliseconds) { return WaitForExit(info.hProcess, milliseconds); }
    ~Process()
    {
        if (info.hProcess != nullptr) {
            if (Wait(0) == STILL_ACTIVE)
                ::TerminateProcess(info.hProcess, 99);
            ::CloseHandle(info.hProcess);
            ::CloseHandle(info.hThread);
        }
    }

    // Waits for a visible dialog of the process that matches, at most the time given.
    HWND WaitForDialog(const std::function<bool(HWND)>& matches, DWORD milliseconds = 30000) const
    {
        return WaitForVisibleDialog(matches, milliseconds, info.dwProcessId);
    }
    // Waits up to 30 s for a visible dialog of the process with a child showing the text.
    HWND WaitForDialog(const std::string& childText) const
    {
        return WaitForDialog(ShowsText(childText));
    }

    HWND FindDialog(const std::string& childText) const
    {
        return FindDialog(ShowsText(childText));
    }
    HWND FindDialog(const std::function<bool(HWND)>& matches) const
    {
        return FindVisibleDialog(matches, info.dwProcessId);
    }
};
