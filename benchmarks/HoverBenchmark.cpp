// What the mouse and channel switching cost the main window, each next to a floor measured in the
// same run, and whether the skin's bitmaps stay bounded meanwhile. Fails only when they do not.
#include <windows.h>

#include <cstdio>

#include "Clock.h"
#include "DialogProbe.h"
#include "FakePlayer.h"
#include "LocalHttpServer.h"
#include "MessagePump.h"
#include "skin/SkinCatalogue.h"

namespace {

constexpr int kMoves = 20000;
// 100 000 and 10 000 scaled down: every image change of a shown static costs about half a
// millisecond under Wine.
constexpr int kHoverTransitions = 30000;
constexpr int kChannelSelections = 2000;
constexpr int kSkinBitmapIds = 69;  // at most one bitmap each

struct Timing {
    double figure, floor;  // seconds
};

// Times figure(i) and floor(i) for i in [0, n) in alternating slices, so that the machine's
// other work weighs on both alike.
template <class Figure, class Floor>
Timing Measure(int n, Figure figure, Floor floor)
{
    constexpr int kSlices = 10;
    Timing total{0, 0};
    for (int s = 0; s < kSlices; ++s) {
        double start = Now();
        for (int i = s * n / kSlices; i < (s + 1) * n / kSlices; ++i)
            figure(i);
        total.figure += Now() - start;
        start = Now();
        for (int i = s * n / kSlices; i < (s + 1) * n / kSlices; ++i)
            floor(i);
        total.floor += Now() - start;
    }
    return total;
}

int g_nImageChanges = 0;

LRESULT CALLBACK CountImageChanges(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HC_ACTION && reinterpret_cast<const CWPSTRUCT*>(lParam)->message == STM_SETIMAGE)
        ++g_nImageChanges;
    return ::CallNextHookEx(nullptr, nCode, wParam, lParam);
}

}  // namespace

int main()
{
    CScratchFiles files;
    // Port 1 refuses at once: the online counts are not what is measured.
    CLocalHttpServer service;
    service.Serve("/p.ini", kUpToDateVersionFile);
    PrepareInstallation(files, service.Origin() + "/p.ini", "http://127.0.0.1:1/counts");
    CFakePlayerRegistration player;
    CProbeTvClientDlg dlg;
    if (!dlg.Create(IDD_TVCLIENT_DIALOG))
        return 1;
    const int nCachedAtStart = dlg.CachedBitmaps();

    // Each move rebuilds the 14 channel tips' texts; the floor sends the same updates to tips of its own.
    CToolTipCtrl tips[kChannelButtonCount];
    CWnd* pButtons[kChannelButtonCount];
    for (int k = 0; k < kChannelButtonCount; ++k) {
        pButtons[k] = dlg.GetDlgItem(static_cast<int>(kChannelButtons[k].nCtrlId));
        tips[k].Create(pButtons[k], TTS_ALWAYSTIP);
        tips[k].AddTool(pButtons[k], LPSTR_TEXTCALLBACKA);
    }
    Timing t = Measure(
        kMoves, [&](int i) { dlg.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(1 + i % 2, 1)); },
        [&](int) {
            for (int k = 0; k < kChannelButtonCount; ++k)
                tips[k].UpdateTipText("当前在线人数：0.双击收看", pButtons[k]);
        });
    std::printf("hover: %.2f us per move; floor (14 bare tip updates): %.2f us per move\n", t.figure * 1e6 / kMoves,
                t.floor * 1e6 / kMoves);

    // Every move crosses the edge of tab 1's zone and changes its image; the floor changes it bare.
    CWnd* pTab1 = dlg.GetDlgItem(static_cast<int>(kPortalTabs[0].nCtrlId));
    const LRESULT hShown = pTab1->SendMessage(STM_GETIMAGE, IMAGE_BITMAP);
    const HINSTANCE hInstance = ::GetModuleHandleA(nullptr);
    const HBITMAP hTabImages[2] = {::LoadBitmapA(hInstance, MAKEINTRESOURCEA(kPortalTabs[0].nHotBitmap)),
                                   ::LoadBitmapA(hInstance, MAKEINTRESOURCEA(StartBitmapOf(kPortalTabs[0].nCtrlId)))};
    int nSwaps = 0;
    const auto swapImage = [&] {
        pTab1->SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(hTabImages[nSwaps++ % 2]));
    };
    const LPARAM lInside = dlg.InsideTab(0);
    t = Measure(
        kHoverTransitions, [&](int i) { dlg.SendMessage(WM_MOUSEMOVE, 0, i % 2 == 0 ? lInside : MAKELPARAM(1, 1)); },
        [&](int) { swapImage(); });
    std::printf("hover transitions in and out of tab 1's zone: %.1f us each; floor (a bare image change): %.1f us "
                "each\n", t.figure * 1e6 / kHoverTransitions, t.floor * 1e6 / kHoverTransitions);

    const HWND hButtons[2] = {dlg.GetDlgItem(IDC_CHANNEL1)->m_hWnd, dlg.GetDlgItem(IDC_CHANNEL2)->m_hWnd};
    const auto select = [&](int i) {
        DoubleClick(hButtons[i % 2]);
        player.m_calls.clear();
        PumpPending();
    };
    // The floor makes as many bare image changes as a selection makes, counted on two of them.
    HHOOK hHook = ::SetWindowsHookExA(WH_CALLWNDPROC, CountImageChanges, nullptr, ::GetCurrentThreadId());
    select(0);
    select(1);
    ::UnhookWindowsHookEx(hHook);
    const int nChangesPerSelection = g_nImageChanges / 2;
    t = Measure(kChannelSelections, select, [&](int) {
        for (int k = 0; k < nChangesPerSelection; ++k)
            swapImage();
    });
    pTab1->SendMessage(STM_SETIMAGE, IMAGE_BITMAP, hShown);
    ::DeleteObject(hTabImages[0]);
    ::DeleteObject(hTabImages[1]);
    std::printf("channel selections by double click: %.2f ms each; floor (its %d image changes, bare): %.2f ms each\n",
                t.figure * 1e3 / kChannelSelections, nChangesPerSelection, t.floor * 1e3 / kChannelSelections);

    const int nCached = dlg.CachedBitmaps();
    HDC hScreen = ::GetDC(nullptr);
    HBITMAP hProbe = ::CreateCompatibleBitmap(hScreen, 64, 64);
    ::ReleaseDC(nullptr, hScreen);
    const bool bBounded = hProbe != nullptr && nCached <= kSkinBitmapIds;
    std::printf("skin bitmaps cached: %d; floor (after the start): %d; %s for at most %d ids, a new bitmap %s\n",
                nCached, nCachedAtStart, bBounded ? "bounded" : "NOT BOUNDED", kSkinBitmapIds,
                hProbe != nullptr ? "can be created" : "CANNOT be created");
    ::DeleteObject(hProbe);
    dlg.DestroyWindow();
    return bBounded ? 0 : 1;
}
