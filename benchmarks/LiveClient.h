// The real client of a demo installation where users meet it: launched in the current folder, watched
// on the screen, switched between its first two channels by double clicks, and closed as a user does.
// Shared by the benchmarks that play live channels.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"

constexpr DWORD kWindowWithinMs = 60000;
constexpr DWORD kPictureWithinMs = 30000;
constexpr char kClientCaption[] = "Kalda网络电视";

double Ms(double seconds);
// Nothing of this thread needs its messages handled: looks every 2 ms, finer than PumpUntil.
bool PollUntil(const std::function<bool()>& condition, DWORD nTimeoutMs);
double Median(std::vector<double> values);
// A number ./benchmark hands over in the environment, or 0.
double HandedOver(const char* name);
void Say(const char* format, ...);

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
    explicit CVideoArea(HWND hMain);
    ~CVideoArea();
    CVideoArea(const CVideoArea&) = delete;
    CVideoArea& operator=(const CVideoArea&) = delete;

    SIZE Size() const { return {m_rect.right - m_rect.left, m_rect.bottom - m_rect.top}; }
    Look Sample() const;
    // Waits for a picture that the predicate accepts; the time it was seen, or 0.
    double WaitForPicture(const std::function<bool(const Look&)>& accepts = [](const Look&) { return true; }) const;

private:
    HDC m_screen;
    RECT m_rect;
};

HWND WaitForWindow(const Process& process, const char* caption);
// Closes the client as a user does, confirming the question; the process ends it if it does not go.
void CloseClient(Process& client, HWND hMain);
// The client of the installation in this folder, by its full path: so its command line names it.
std::string InstalledClient();

struct Start {
    double windowMs, pictureMs;  // from the launch; pictureMs 0 when none came
};
// Launches the program of the command line in this folder and waits for its window with the caption.
HWND Launch(Process& process, const std::string& commandLine, const char* caption, double& windowMs);
// The installation's client, up to its first channel's picture.
bool StartClient(Process& client, HWND& hMain, Start& start);

// Sends the window WM_NULL every few milliseconds on a thread of its own and keeps the longest wait
// for an answer.
class CUnansweredStretch {
public:
    explicit CUnansweredStretch(HWND hWnd) : m_thread([this, hWnd] { Run(hWnd); }) {}
    ~CUnansweredStretch() { Stop(); }
    CUnansweredStretch(const CUnansweredStretch&) = delete;
    CUnansweredStretch& operator=(const CUnansweredStretch&) = delete;

    void Stop();
    double LongestMs() const { return m_longestMs; }
    int Sent() const { return m_nSent; }

private:
    void Run(HWND hWnd);

    std::atomic<bool> m_bStop{false};
    std::atomic<double> m_longestMs{0};
    std::atomic<int> m_nSent{0};
    std::thread m_thread;
};

// Switches from a double click to the new channel's first frame on screen, to the second channel
// and back to the first, with the hosting window's longest silence meanwhile.
struct Zaps {
    std::vector<double> towardsMs[2];
    int missed = 0;
    double longestUnansweredMs = 0;
    int pingsSent = 0;

    std::vector<double> AllMs() const;
    double MedianMs() const { return Median(AllMs()); }
    double WorstMs() const;
};
// Double clicks alternating between the second channel and the first, each timed to the new channel's
// picture, while the main window's answers to WM_NULL are timed. A channel's picture is known by its
// colour: the first switch, to a channel not seen yet, only learns it and is not counted.
bool MeasureZaps(HWND hMain, const CVideoArea& area, int nSwitches, Zaps& zaps);
