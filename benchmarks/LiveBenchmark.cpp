// The player where users meet it: the real client of the demo installation in this folder, against the
// demo channel server, driven through its window and watched on the screen. ./benchmark installs both,
// measures mpv natively on the same live channels in the same X server and hands its first frame over in
// REFERENCE_FIRST_FRAME_MS (and Linux's clock ticks per second in CLK_TCK). For the processor time this
// program asks for mpv playing beside the client ("@mpv-start OPTIONS..." on a line of its own, answered
// with mpv.pid in this folder once mpv shows its first frame; "@mpv-stop" when done), and reads both
// processes' times from Linux's /proc.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "Clock.h"
#include "DialogProbe.h"
#include "StartupFloor.h"

namespace {

constexpr int kStarts = 6;
constexpr int kSwitches = 12;
constexpr DWORD kWatchAfterSwitchMs = 1000;
constexpr DWORD kCpuWindowMs = 10000;
constexpr DWORD kPingIntervalMs = 5;
constexpr DWORD kWindowWithinMs = 60000;
constexpr DWORD kPictureWithinMs = 30000;
constexpr double kZapGoalMs = 500, kUnansweredGoalMs = 50, kStartRatioGoal = 1.5;

constexpr char kClientCaption[] = "Kalda网络电视";
constexpr char kExitQuestion[] = "确定要退出?";
constexpr char kMpvPidFile[] = "mpv.pid";

double Ms(double seconds)
{
    return seconds * 1000;
}

// Nothing of this thread needs its messages handled: looks every 2 ms, finer than PumpUntil.
bool PollUntil(const std::function<bool()>& condition, DWORD nTimeoutMs)
{
    for (const double deadline = Now() + nTimeoutMs / 1000.0; !condition();) {
        if (Now() > deadline)
            return false;
        ::Sleep(2);
    }
    return true;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A number ./benchmark hands over in the environment, or 0.
double HandedOver(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::atof(value) : 0;
}

void Say(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fflush(stdout);
}

// What the video area shows, seen on the screen. The channels' pictures have bars above and below
// (16:9 in a taller area) and one colour at 30% of the area's height; the "connecting" card is one
// colour there and in the bars alike, its text lies around the middle; a picture's window is black
// until its first frame is drawn.
struct Look {
    COLORREF bar, row[3];

    bool IsPicture() const { return row[0] == row[1] && row[1] == row[2] && row[1] != bar && row[1] != RGB(0, 0, 0); }
    COLORREF Colour() const { return row[1]; }
};

class CVideoArea {
public:
    explicit CVideoArea(HWND hMain) : m_screen(::GetDC(nullptr))
    {
        ::GetWindowRect(::GetDlgItem(hMain, IDC_PLAYER), &m_rect);
    }
    ~CVideoArea() { ::ReleaseDC(nullptr, m_screen); }
    CVideoArea(const CVideoArea&) = delete;
    CVideoArea& operator=(const CVideoArea&) = delete;

    SIZE Size() const { return {m_rect.right - m_rect.left, m_rect.bottom - m_rect.top}; }
    Look Sample() const
    {
        const LONG w = Size().cx, y = m_rect.top + Size().cy * 3 / 10;
        return {::GetPixel(m_screen, m_rect.left + w / 2, m_rect.top + 8),
                {::GetPixel(m_screen, m_rect.left + w / 4, y), ::GetPixel(m_screen, m_rect.left + w / 2, y),
                 ::GetPixel(m_screen, m_rect.left + w * 3 / 4, y)}};
    }
    // Waits for a picture that the predicate accepts; the time it was seen, or 0.
    double WaitForPicture(const std::function<bool(const Look&)>& accepts = [](const Look&) { return true; }) const
    {
        double seen = 0;
        PollUntil([&] {
            const Look look = Sample();
            if (!look.IsPicture() || !accepts(look))
                return false;
            seen = Now();
            return true;
        }, kPictureWithinMs);
        return seen;
    }

private:
    HDC m_screen;
    RECT m_rect;
};

HWND WaitForWindow(const Process& process, const char* caption)
{
    HWND hFound = nullptr;
    PollUntil([&] {
        hFound = FindVisibleDialog([&](HWND h) { return WindowText(h) == caption; }, process.info.dwProcessId);
        return hFound != nullptr;
    }, kWindowWithinMs);
    return hFound;
}

// Closes the client as a user does, confirming the question; the process ends it if it does not go.
void CloseClient(Process& client, HWND hMain)
{
    ::PostMessageA(hMain, WM_CLOSE, 0, 0);
    if (HWND hQuestion = client.WaitForDialog(kExitQuestion))
        ::PostMessageA(hQuestion, WM_COMMAND, IDYES, 0);
    if (client.Wait(30000) == STILL_ACTIVE)
        Say("the client did not end when asked to\n");
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Processes of the machine, as Linux lists them; Wine shows its own as their Windows command lines.
std::vector<long> UnixProcesses()
{
    std::vector<long> ids;
    WIN32_FIND_DATAA found;
    HANDLE hFind = ::FindFirstFileA("Z:\\proc\\*", &found);
    if (hFind == INVALID_HANDLE_VALUE)
        return ids;
    do {
        char* end = nullptr;
        const long id = std::strtol(found.cFileName, &end, 10);
        if (id > 0 && *end == '\0')
            ids.push_back(id);
    } while (::FindNextFileA(hFind, &found));
    ::FindClose(hFind);
    return ids;
}

std::string ProcFile(long nUnixId, const char* name)
{
    return ReadWholeFile("Z:\\proc\\" + std::to_string(nUnixId) + "\\" + name);
}

// The Linux process whose command line contains the text, or 0.
long UnixProcessRunning(const std::string& commandLine)
{
    for (long id : UnixProcesses()) {
        std::string line = ProcFile(id, "cmdline");
        std::replace(line.begin(), line.end(), '\0', ' ');
        if (line.find(commandLine) != std::string::npos)
            return id;
    }
    return 0;
}

// This prefix's server: the one whose environment names this process's prefix.
long WineServerProcess()
{
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix == nullptr)
        return 0;
    const std::string entry = std::string("WINEPREFIX=") + prefix + '\0';
    for (long id : UnixProcesses()) {
        if (ProcFile(id, "comm").rfind("wineserver", 0) == 0 && ProcFile(id, "environ").find(entry) != std::string::npos)
            return id;
    }
    return 0;
}

// User and system time of a Linux process and all its threads so far, in seconds; -1 once it is gone.
double UnixCpuSeconds(long nUnixId)
{
    const std::string stat = ProcFile(nUnixId, "stat");
    const size_t afterName = stat.rfind(')');
    if (afterName == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(afterName + 1));
    std::string field;
    double user = 0, system = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            user = std::atof(field.c_str());
        if (i == 15)
            system = std::atof(field.c_str());
    }
    const double ticksPerSecond = HandedOver("CLK_TCK") > 0 ? HandedOver("CLK_TCK") : 100;
    return (user + system) / ticksPerSecond;
}

// Sends the window WM_NULL every few milliseconds on a thread of its own and keeps the longest wait
// for an answer.
class CUnansweredStretch {
public:
    explicit CUnansweredStretch(HWND hWnd) : m_thread([this, hWnd] { Run(hWnd); }) {}
    ~CUnansweredStretch() { Stop(); }
    CUnansweredStretch(const CUnansweredStretch&) = delete;
    CUnansweredStretch& operator=(const CUnansweredStretch&) = delete;

    void Stop()
    {
        m_bStop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    double LongestMs() const { return m_longestMs; }
    int Sent() const { return m_nSent; }

private:
    void Run(HWND hWnd)
    {
        while (!m_bStop) {
            const double start = Now();
            DWORD_PTR result;
            ::SendMessageTimeoutA(hWnd, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
            m_longestMs = std::max(m_longestMs.load(), Ms(Now() - start));
            ++m_nSent;
            ::Sleep(kPingIntervalMs);
        }
    }

    std::atomic<bool> m_bStop{false};
    std::atomic<double> m_longestMs{0};
    std::atomic<int> m_nSent{0};
    std::thread m_thread;
};

// The client of the installation in this folder, by its full path: so its command line names it.
std::string InstalledClient()
{
    char path[MAX_PATH];
    ::GetFullPathNameA("TvClient.exe", MAX_PATH, path, nullptr);
    return path;
}

struct Start {
    double windowMs, pictureMs;  // from the launch; pictureMs 0 when none came
};

// Launches the program of the command line in this folder and waits for its window with the caption.
HWND Launch(Process& process, const std::string& commandLine, const char* caption, double& windowMs)
{
    const double launched = Now();
    if (!process.Start(commandLine))
        return nullptr;
    const HWND hWnd = WaitForWindow(process, caption);
    windowMs = Ms(Now() - launched);
    return hWnd;
}

bool StartClient(Process& client, HWND& hMain, Start& start)
{
    const double launched = Now();
    hMain = Launch(client, InstalledClient(), kClientCaption, start.windowMs);
    if (hMain == nullptr) {
        Say("the client's window did not show within %lu s\n", kWindowWithinMs / 1000);
        return false;
    }
    const double seen = CVideoArea(hMain).WaitForPicture();
    start.pictureMs = seen != 0 ? Ms(seen - launched) : 0;
    if (seen == 0)
        Say("the client's first channel showed no picture within %lu s\n", kPictureWithinMs / 1000);
    return seen != 0;
}

bool StartFloor(double& windowMs)
{
    Process floor;
    const HWND hFloor = Launch(floor, HostPath(STARTUP_FLOOR_EXE), kStartupFloorCaption, windowMs);
    if (hFloor == nullptr) {
        Say("the floor's window did not show within %lu s\n", kWindowWithinMs / 1000);
        return false;
    }
    ::PostMessageA(hFloor, WM_COMMAND, IDCANCEL, 0);
    return floor.Wait(30000) == 0;
}

// Start-ups of the client and the floor, alternating, after one of each that warms the caches.
bool MeasureStartUps(double referenceFirstFrameMs)
{
    std::vector<double> clientMs, floorMs, pictureMs, afterWindowMs;
    for (int i = 0; i <= kStarts; ++i) {
        Process client;
        HWND hMain = nullptr;
        Start start{};
        double floorWindowMs = 0;
        const bool bStarted = StartClient(client, hMain, start);
        if (hMain != nullptr)
            CloseClient(client, hMain);
        if (!bStarted || !StartFloor(floorWindowMs))
            return false;
        if (i == 0)
            continue;
        clientMs.push_back(start.windowMs);
        floorMs.push_back(floorWindowMs);
        pictureMs.push_back(start.pictureMs);
        afterWindowMs.push_back(start.pictureMs - start.windowMs);
    }
    const double client = Median(clientMs), floor = Median(floorMs), picture = Median(pictureMs);
    Say("start-up, launch to visible window, median of %d: client %.0f ms; floor (the same fetches, then a bare "
        "dialog) %.0f ms; ratio %.2f (goal: at most %.1f)\n", kStarts, client, floor, client / floor, kStartRatioGoal);
    Say("first frame after start, median of %d: %.0f ms from the launch (%.0f ms after the window shows); mpv, from "
        "its start: %.0f ms; ratio %.2f\n", kStarts, picture, Median(afterWindowMs), referenceFirstFrameMs,
        picture / referenceFirstFrameMs);
    return true;
}

// Double clicks alternating between the second channel and the first, each timed to the new channel's
// picture, while the main window's answers to WM_NULL are timed. A channel's picture is known by its
// colour: the first switch, to a channel not seen yet, only learns it and is not counted.
bool MeasureSwitches(HWND hMain, const CVideoArea& area, double referenceFirstFrameMs)
{
    const HWND hButtons[2] = {::GetDlgItem(hMain, IDC_CHANNEL1), ::GetDlgItem(hMain, IDC_CHANNEL0)};
    // The first channel's colour, once its picture is there.
    if (area.WaitForPicture() == 0)
        return false;
    COLORREF colours[2] = {CLR_INVALID, area.Sample().Colour()};
    std::vector<double> zapMs, towardsMs[2];
    int nMissed = 0;
    CUnansweredStretch pings(hMain);
    for (int i = 0; i <= kSwitches; ++i) {
        const Look before = area.Sample();
        const COLORREF expected = colours[i % 2];
        const double clicked = Now();
        DoubleClick(hButtons[i % 2]);
        const double seen = area.WaitForPicture([&](const Look& look) {
            return expected != CLR_INVALID ? look.Colour() == expected : look.Colour() != before.Colour();
        });
        if (seen == 0) {
            ++nMissed;
            Say("switch %d: no picture of the new channel within %lu s\n", i, kPictureWithinMs / 1000);
            continue;
        }
        ::Sleep(kWatchAfterSwitchMs);  // watched a moment, as a viewer does
        if (expected == CLR_INVALID)
            colours[i % 2] = area.Sample().Colour();
        else
            towardsMs[i % 2].push_back(Ms(seen - clicked));
    }
    pings.Stop();
    zapMs = towardsMs[0];
    zapMs.insert(zapMs.end(), towardsMs[1].begin(), towardsMs[1].end());
    if (zapMs.empty())
        return false;
    const double median = Median(zapMs), worst = *std::max_element(zapMs.begin(), zapMs.end());
    Say("zap, double click to the new channel's first frame on screen, %zu switches: median %.0f ms, worst %.0f ms; "
        "mpv's first frame on the same channels: %.0f ms; ratio %.2f (goal: at most %.0f ms and 0.5); median to the second channel %.0f ms, back to the first %.0f ms\n",
        zapMs.size(), median, worst, referenceFirstFrameMs, median / referenceFirstFrameMs, kZapGoalMs,
        Median(towardsMs[0]), Median(towardsMs[1]));
    for (int towards = 0; towards < 2; ++towards) {
        Say("  each, to the %s channel:", towards == 0 ? "second" : "first");
        for (double ms : towardsMs[towards])
            Say(" %.0f", ms);
        Say(" ms\n");
    }
    Say("main window's longest unanswered WM_NULL during the switches: %.1f ms over %d sent (bound %.0f ms)\n",
        pings.LongestMs(), pings.Sent(), kUnansweredGoalMs);
    return nMissed == 0;
}

// Processor time per second of wall time, over the same seconds, of the client's process, its prefix's
// server and an mpv that ./benchmark plays beside it.
struct CpuRates {
    double client, server, mpv;
};

bool MeasureBesideMpv(const std::string& mpvOptions, long nClient, long nServer, CpuRates& rates)
{
    ::DeleteFileA(kMpvPidFile);
    Say("@mpv-start %s\n", mpvOptions.c_str());
    long nMpv = 0;
    PollUntil([&] { return (nMpv = std::atol(ReadWholeFile(kMpvPidFile).c_str())) != 0; }, 60000);
    if (nMpv == 0) {
        Say("mpv did not start playing\n");
        return false;
    }
    const double wallStart = Now(), clientStart = UnixCpuSeconds(nClient), serverStart = UnixCpuSeconds(nServer),
                 mpvStart = UnixCpuSeconds(nMpv);
    ::Sleep(kCpuWindowMs);
    const double clientEnd = UnixCpuSeconds(nClient), serverEnd = UnixCpuSeconds(nServer), mpvEnd = UnixCpuSeconds(nMpv);
    const double wall = Now() - wallStart;
    Say("@mpv-stop\n");
    if (std::min({clientStart, clientEnd, mpvStart, mpvEnd}) < 0) {
        Say("the client or mpv ended while their processor time was measured\n");
        return false;
    }
    rates = {(clientEnd - clientStart) / wall, (serverEnd - serverStart) / wall, (mpvEnd - mpvStart) / wall};
    return true;
}

// Playing into windows of the same size, mpv's clear of the client's; then decoding without drawing: the
// client minimised, mpv with no video output.
bool MeasureProcessorTime(HWND hMain, const CVideoArea& area)
{
    const long nClient = UnixProcessRunning(InstalledClient()), nServer = WineServerProcess();
    if (nClient == 0) {
        Say("the client's Linux process was not found\n");
        return false;
    }
    const SIZE size = area.Size();
    CpuRates drawing{}, decoding{};
    if (!MeasureBesideMpv("--geometry=" + std::to_string(size.cx) + "x" + std::to_string(size.cy) + "-0-0", nClient,
                          nServer, drawing))
        return false;
    const bool bPlaying = area.Sample().IsPicture();
    Say("processor time while playing into a %ldx%ld window, over the same %.0f s: client %.0f ms/s%s (its prefix's "
        "wineserver %.0f ms/s more); mpv --vo=x11: %.0f ms/s; ratio %.2f (with wineserver %.2f)\n", size.cx, size.cy,
        kCpuWindowMs / 1000.0, Ms(drawing.client), bPlaying ? "" : " (NO PICTURE AT THE END)", Ms(drawing.server),
        Ms(drawing.mpv), drawing.client / drawing.mpv, (drawing.client + drawing.server) / drawing.mpv);
    ::ShowWindow(hMain, SW_MINIMIZE);
    const bool bDecoded = MeasureBesideMpv("--vo=null", nClient, nServer, decoding);
    ::ShowWindow(hMain, SW_RESTORE);
    if (!bDecoded)
        return false;
    Say("  without drawing (the client minimised, mpv --vo=null): client %.0f ms/s (wineserver %.0f ms/s more); mpv "
        "%.0f ms/s; ratio %.2f; so drawing costs the client %.0f ms/s and mpv %.0f ms/s\n", Ms(decoding.client),
        Ms(decoding.server), Ms(decoding.mpv), decoding.client / decoding.mpv, Ms(drawing.client - decoding.client),
        Ms(drawing.mpv - decoding.mpv));
    return bPlaying;
}

}  // namespace

int main()
{
    const double referenceFirstFrameMs = HandedOver("REFERENCE_FIRST_FRAME_MS");
    bool bMeasured = MeasureStartUps(referenceFirstFrameMs);
    Process client;
    HWND hMain = nullptr;
    Start start{};
    if (bMeasured && StartClient(client, hMain, start)) {
        const CVideoArea area(hMain);
        bMeasured = MeasureSwitches(hMain, area, referenceFirstFrameMs);
        bMeasured = MeasureProcessorTime(hMain, area) && bMeasured;
    } else {
        bMeasured = false;
    }
    if (hMain != nullptr)
        CloseClient(client, hMain);
    return bMeasured ? 0 : 1;
}
