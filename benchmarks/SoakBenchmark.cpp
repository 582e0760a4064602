// A long run in one process: count refreshes from a server in a process of its own, hover transitions
// and channel switches, with what this process holds before and after, each growth next to a floor
// measured in the same run. Fails when a figure grows beyond its floor and a small constant, or when a
// refresh does not show its counts.
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "BareFetch.h"
#include "CountsDocument.h"
#include "DialogProbe.h"
#include "FakePlayer.h"
#include "MessagePump.h"

namespace {

constexpr int kRefreshes = 10000;
constexpr int kHoverTransitions = 100000;
constexpr int kChannelSwitches = 2000;
constexpr DWORD kCountsShownWithinMs = 30000;

// Set by ./benchmark, which starts the server (soak_server.py) on the folder this runs in.
constexpr char kServerVariable[] = "SOAK_SERVER";
constexpr char kRequestLogVariable[] = "SOAK_REQUEST_LOG";
constexpr char kVersionFileName[] = "version.ini";

// GetProcessHandleCount answers 0 under Wine: a value is a handle of this process exactly when the
// system can tell its flags, so the values are asked one by one, as far as 65 536 handles reach.
long KernelHandles()
{
    long nHandles = 0;
    DWORD flags;
    for (ULONG_PTR value = 4; value < 0x40000; value += 4)
        nHandles += ::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    return nHandles;
}

// GetGuiResources answers 0 under Wine. There the process's graphics objects sit in a table that the
// process environment block points at, an entry of 24 bytes per handle index: the handle's upper word
// at offset 12 and the object's type at 14, 0 for a free entry. The layout is checked on an object made
// for the purpose; -1 when it does not hold.
long GraphicsObjects()
{
    if (const DWORD nCounted = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS))
        return static_cast<long>(nCounted);
    const BYTE* pPeb = reinterpret_cast<const BYTE*>(NtCurrentTeb()->ProcessEnvironmentBlock);
    const BYTE* pTable = *reinterpret_cast<const BYTE* const*>(pPeb + (sizeof(void*) == 4 ? 0x94 : 0xf8));
    const auto entry = [&](size_t index) { return pTable + 24 * index; };
    const HBRUSH hKnown = ::CreateSolidBrush(RGB(1, 2, 3));
    const ULONG_PTR known = reinterpret_cast<ULONG_PTR>(hKnown);
    const bool bLayoutHolds = pTable != nullptr && entry(LOWORD(known))[14] != 0 &&
                              *reinterpret_cast<const USHORT*>(entry(LOWORD(known)) + 12) == HIWORD(known);
    ::DeleteObject(hKnown);
    if (!bLayoutHolds || entry(LOWORD(known))[14] != 0)
        return -1;
    long nObjects = 0;
    for (size_t index = 0; index < 0x10000; ++index)
        nObjects += entry(index)[14] != 0 ? 1 : 0;
    return nObjects;
}

long PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                           sizeof(counters));
    return static_cast<long>(counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage);
}

// How far the server's log has grown; it logs each request before it answers it.
LONGLONG LoggedBytes(LPCSTR lpszLog)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(lpszLog, GetFileExInfoStandard, &data))
        return -1;
    return static_cast<LONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

struct Figures {
    long nHandles, nPrivateBytes, nGraphicsObjects;
};

Figures Measure()
{
    return {KernelHandles(), PrivateBytes(), GraphicsObjects()};
}

Figures operator-(const Figures& a, const Figures& b)
{
    return {a.nHandles - b.nHandles, a.nPrivateBytes - b.nPrivateBytes, a.nGraphicsObjects - b.nGraphicsObjects};
}

// What running work n times adds to the figures, over the whole run and over its second half: the
// first uses of a path fill caches of the platform once.
struct Growth {
    Figures whole, secondHalf;
};

Growth Run(int n, const std::function<void(int)>& work)
{
    const Figures before = Measure();
    for (int i = 0; i < n / 2; ++i)
        work(i);
    const Figures half = Measure();
    for (int i = n / 2; i < n; ++i)
        work(i);
    const Figures after = Measure();
    return {after - before, after - half};
}

// Bounded when the second half grows no more than the floor's second half and a small constant: a
// few pages of heap and the odd handle come and go with the allocator and the parser's caches.
bool Report(const char* what, const Growth& growth, const Growth& floor)
{
    const Figures& g = growth.secondHalf;
    const Figures& f = floor.secondHalf;
    const bool bBounded = g.nHandles <= f.nHandles + 4 && g.nGraphicsObjects <= f.nGraphicsObjects + 4 &&
                          g.nPrivateBytes <= f.nPrivateBytes + 256 * 1024;
    std::printf("%s: %s\n", what, bBounded ? "bounded" : "GROWS");
    const auto line = [](const char* name, long Figures::*figure, const Growth& run, const Growth& base) {
        std::printf("  %-17s %+10ld (second half %+9ld); floor %+10ld (second half %+9ld)\n", name, run.whole.*figure,
                    run.secondHalf.*figure, base.whole.*figure, base.secondHalf.*figure);
    };
    line("handles", &Figures::nHandles, growth, floor);
    line("private bytes", &Figures::nPrivateBytes, growth, floor);
    line("graphics objects", &Figures::nGraphicsObjects, growth, floor);
    return bBounded;
}

}  // namespace

int main()
{
    const char* lpszOrigin = std::getenv(kServerVariable);
    const char* lpszRequestLog = std::getenv(kRequestLogVariable);
    if (lpszOrigin == nullptr || lpszRequestLog == nullptr) {
        std::printf("%s and %s are not set: ./benchmark starts the server and sets them\n", kServerVariable,
                    kRequestLogVariable);
        return 1;
    }
    const std::string origin = lpszOrigin;
    CScratchFiles files;
    // Two documents, taken in turns, so that each refresh shows in the counts once it is handled.
    const Strings first[2] = {Numbers(kCountedChannels, 20), Numbers(kCountedChannels, 1000)};
    const std::string urls[2] = {origin + "/" + files.Write("a.xml", Document(Records(first[0]))),
                                 origin + "/" + files.Write("b.xml", Document(Records(first[1])))};
    const auto pointAt = [&](int i) {
        ::WritePrivateProfileStringA("XML", "XML", urls[i % 2].c_str(), product::kIniFile);
    };
    PrepareInstallation(files, origin + "/" + files.Write(kVersionFileName, kUpToDateVersionFile), urls[0]);
    CFakePlayerRegistration player;
    CProbeTvClientDlg dlg;
    if (!dlg.Create(IDD_TVCLIENT_DIALOG))
        return 1;
    // A refresh asked for while another is on, until the window has taken its result, is skipped: the
    // start-up refresh's result and the window's own minute timer would each take one of these' place.
    dlg.StopRefreshTimer();
    PumpUntil([&] { return !dlg.IsRefreshing(); });
    // The window paints itself once before anything is counted.
    PumpPending();
    const int nCachedAtStart = dlg.CachedBitmaps();
    const Figures atStart = Measure();
    std::printf("at the start: %ld handles, %ld private bytes, %ld graphics objects, %d skin bitmaps\n",
                atStart.nHandles, atStart.nPrivateBytes, atStart.nGraphicsObjects, nCachedAtStart);

    // The floor: the platform's parts of a refresh alone, the same documents fetched and parsed bare,
    // the configuration written as for the refreshes.
    int nFloorFailed = 0;
    const Growth bareFetches = Run(kRefreshes, [&](int i) {
        pointAt(i);
        const std::optional<std::string> document = BareFetch(urls[i % 2]);
        nFloorFailed += document && BareParse(*document) ? 0 : 1;
    });
    int nMissed = 0;
    const Growth refreshes = Run(kRefreshes, [&](int i) {
        pointAt(i);
        const LONGLONG nLogged = LoggedBytes(lpszRequestLog);
        dlg.SendMessage(WM_TIMER, TIMER_CHANNEL_REFRESH);
        const std::string expected = first[i % 2][0];
        // The server logs a request before it answers: the refresh is over only once its result is taken.
        const auto shown = [&] {
            return LoggedBytes(lpszRequestLog) > nLogged && !dlg.IsRefreshing() && expected == dlg.OnlineCount(0);
        };
        if (!PumpUntil(shown, kCountsShownWithinMs) && nMissed++ == 0)
            std::printf("refresh %d: counts %s after %lu ms, a refresh %s\n", i, dlg.OnlineCount(0),
                        kCountsShownWithinMs, dlg.IsRefreshing() ? "still running" : "not running");
    });
    bool bBounded = Report("10 000 count refreshes", refreshes, bareFetches) && nMissed == 0 && nFloorFailed == 0;
    if (nMissed != 0)
        std::printf("%d refreshes showed no counts within %lu s\n", nMissed, kCountsShownWithinMs / 1000);
    if (nFloorFailed != 0)
        std::printf("%d of the floor's bare fetches brought no document\n", nFloorFailed);

    // The floor for the mouse and the switches: as many bare image changes of a shown static.
    CWnd* pTab1 = dlg.GetDlgItem(static_cast<int>(kPortalTabs[0].nCtrlId));
    const LRESULT hShown = pTab1->SendMessage(STM_GETIMAGE, IMAGE_BITMAP);
    const Growth bareChanges = Run(kHoverTransitions, [&](int i) {
        pTab1->SendMessage(STM_SETIMAGE, IMAGE_BITMAP, i % 2 == 0 ? 0 : hShown);
    });
    const LPARAM lInside = dlg.InsideTab(0);
    const Growth hovers = Run(kHoverTransitions, [&](int i) {
        dlg.SendMessage(WM_MOUSEMOVE, 0, i % 2 == 0 ? lInside : MAKELPARAM(1, 1));
    });
    bBounded = Report("100 000 hover transitions", hovers, bareChanges) && bBounded;
    const HWND hButtons[2] = {dlg.GetDlgItem(IDC_CHANNEL1)->m_hWnd, dlg.GetDlgItem(IDC_CHANNEL2)->m_hWnd};
    const Growth switches = Run(kChannelSwitches, [&](int i) {
        DoubleClick(hButtons[i % 2]);
        player.m_calls.clear();
        PumpPending();
    });
    bBounded = Report("2 000 channel switches", switches, Run(kChannelSwitches, [&](int i) {
        pTab1->SendMessage(STM_SETIMAGE, IMAGE_BITMAP, i % 2 == 0 ? 0 : hShown);
    })) && bBounded;

    const Figures atEnd = Measure();
    const int nCached = dlg.CachedBitmaps();
    std::printf("at the end: %ld handles, %ld private bytes, %ld graphics objects, %d skin bitmaps (floor: %d after "
                "the start)\n", atEnd.nHandles, atEnd.nPrivateBytes, atEnd.nGraphicsObjects, nCached, nCachedAtStart);
    dlg.DestroyWindow();
    return bBounded ? 0 : 1;
}
