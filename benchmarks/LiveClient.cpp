#include "LiveClient.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "Clock.h"
#include "DialogProbe.h"

namespace {

constexpr DWORD kPingIntervalMs = 5;
constexpr DWORD kWatchAfterSwitchMs = 1000;
constexpr char kExitQuestion[] = "确定要退出?";

}  // namespace

double Ms(double seconds)
{
    return seconds * 1000;
}

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

CVideoArea::CVideoArea(HWND hMain) : m_screen(::GetDC(nullptr))
{
    ::GetWindowRect(::GetDlgItem(hMain, IDC_PLAYER), &m_rect);
}

CVideoArea::~CVideoArea()
{
    ::ReleaseDC(nullptr, m_screen);
}

Look CVideoArea::Sample() const
{
    const LONG w = Size().cx, y = m_rect.top + Size().cy * 3 / 10;
    return {::GetPixel(m_screen, m_rect.left + w / 2, m_rect.top + 8),
            {::GetPixel(m_screen, m_rect.left + w / 4, y), ::GetPixel(m_screen, m_rect.left + w / 2, y),
             ::GetPixel(m_screen, m_rect.left + w * 3 / 4, y)}};
}

double CVideoArea::WaitForPicture(const std::function<bool(const Look&)>& accepts) const
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

HWND WaitForWindow(const Process& process, const char* caption)
{
    HWND hFound = nullptr;
    PollUntil([&] {
        hFound = FindVisibleDialog([&](HWND h) { return WindowText(h) == caption; }, process.info.dwProcessId);
        return hFound != nullptr;
    }, kWindowWithinMs);
    return hFound;
}

void CloseClient(Process& client, HWND hMain)
{
    ::PostMessageA(hMain, WM_CLOSE, 0, 0);
    if (HWND hQuestion = client.WaitForDialog(kExitQuestion))
        ::PostMessageA(hQuestion, WM_COMMAND, IDYES, 0);
    if (client.Wait(30000) == STILL_ACTIVE)
        Say("the client did not end when asked to\n");
}

std::string InstalledClient()
{
    char path[MAX_PATH];
    ::GetFullPathNameA("TvClient.exe", MAX_PATH, path, nullptr);
    return path;
}

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

void CUnansweredStretch::Stop()
{
    m_bStop = true;
    if (m_thread.joinable())
        m_thread.join();
}

void CUnansweredStretch::Run(HWND hWnd)
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

std::vector<double> Zaps::AllMs() const
{
    std::vector<double> all = towardsMs[0];
    all.insert(all.end(), towardsMs[1].begin(), towardsMs[1].end());
    return all;
}

double Zaps::WorstMs() const
{
    const std::vector<double> all = AllMs();
    return all.empty() ? 0 : *std::max_element(all.begin(), all.end());
}

bool MeasureZaps(HWND hMain, const CVideoArea& area, int nSwitches, Zaps& zaps)
{
    const HWND hButtons[2] = {::GetDlgItem(hMain, IDC_CHANNEL1), ::GetDlgItem(hMain, IDC_CHANNEL0)};
    // The first channel's colour, once its picture is there.
    if (area.WaitForPicture() == 0)
        return false;
    COLORREF colours[2] = {CLR_INVALID, area.Sample().Colour()};
    CUnansweredStretch pings(hMain);
    for (int i = 0; i <= nSwitches; ++i) {
        const Look before = area.Sample();
        const COLORREF expected = colours[i % 2];
        const double clicked = Now();
        DoubleClick(hButtons[i % 2]);
        const double seen = area.WaitForPicture([&](const Look& look) {
            return expected != CLR_INVALID ? look.Colour() == expected : look.Colour() != before.Colour();
        });
        if (seen == 0) {
            ++zaps.missed;
            Say("switch %d: no picture of the new channel within %lu s\n", i, kPictureWithinMs / 1000);
            continue;
        }
        ::Sleep(kWatchAfterSwitchMs);  // watched a moment, as a viewer does
        if (expected == CLR_INVALID)
            colours[i % 2] = area.Sample().Colour();
        else
            zaps.towardsMs[i % 2].push_back(Ms(seen - clicked));
    }
    pings.Stop();
    zaps.longestUnansweredMs = pings.LongestMs();
    zaps.pingsSent = pings.Sent();
    return !zaps.AllMs().empty();
}
