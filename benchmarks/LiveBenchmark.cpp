// The player where users meet it: the real client of the demo installation in this folder, against the
// demo channel server, driven through its window and watched on the screen. ./benchmark installs both,
// measures mpv natively on the same live channels in the same X server and hands its first frame over in
// REFERENCE_FIRST_FRAME_MS (and Linux's clock ticks per second in CLK_TCK). For the processor time this
// program asks for mpv playing beside the client ("@mpv-start OPTIONS..." on a line of its own, answered
// with mpv.pid in this folder once mpv shows its first frame; "@mpv-stop" when done), and reads both
// processes' times from Linux's /proc.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "Clock.h"
#include "LiveClient.h"
#include "StartupFloor.h"

namespace {

constexpr int kStarts = 6;
constexpr int kSwitches = 12;
constexpr DWORD kCpuWindowMs = 10000;
constexpr double kZapGoalMs = 500, kUnansweredGoalMs = 50, kStartRatioGoal = 1.5;

constexpr char kMpvPidFile[] = "mpv.pid";

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

// Switches timed against mpv's first frame on the same channels.
bool MeasureSwitches(HWND hMain, const CVideoArea& area, double referenceFirstFrameMs)
{
    Zaps zaps;
    if (!MeasureZaps(hMain, area, kSwitches, zaps))
        return false;
    const double median = zaps.MedianMs();
    Say("zap, double click to the new channel's first frame on screen, %zu switches: median %.0f ms, worst %.0f ms; "
        "mpv's first frame on the same channels: %.0f ms; ratio %.2f (goal: at most %.0f ms and 0.5); median to the second channel %.0f ms, back to the first %.0f ms\n",
        zaps.AllMs().size(), median, zaps.WorstMs(), referenceFirstFrameMs, median / referenceFirstFrameMs, kZapGoalMs,
        Median(zaps.towardsMs[0]), Median(zaps.towardsMs[1]));
    for (int towards = 0; towards < 2; ++towards) {
        Say("  each, to the %s channel:", towards == 0 ? "second" : "first");
        for (double ms : zaps.towardsMs[towards])
            Say(" %.0f", ms);
        Say(" ms\n");
    }
    Say("main window's longest unanswered WM_NULL during the switches: %.1f ms over %d sent (bound %.0f ms)\n",
        zaps.longestUnansweredMs, zaps.pingsSent, kUnansweredGoalMs);
    return zaps.missed == 0;
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
