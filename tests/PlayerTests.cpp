// The real player component: registered with regsvr32, and hosted the way the client hosts it, in
// a dialog from a template through the framework's containment, called through the client's
// wrapper and heard through an event sink map. What it shows is read back from the screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <ocidl.h>
#include <process.h>

#include "Afx.h"
#include "LocalHttpServer.h"
#include "MessagePump.h"
#include "PlayerTestIds.h"
#include "TestApp.h"
#include "controls/EWA.h"
#include "player/AudioVolume.h"
#include "player/PlayerIds.h"
#include "player/StreamBuffer.h"

namespace {

using Events = std::vector<std::string>;

// Nothing listens on port 1: the connection is refused at once.
const char kAddress[] = "p2p://127.0.0.1:1/cctv5";

class CHostDlg : public CDialog {
public:
    CHostDlg() : CDialog(IDD_HOST) {}

    CEWA m_player;
    Events m_events;
    bool m_bFailOnEnter = false;

    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_HOST_PLAYER, m_player); }

    void OnStateChange(long nState) { m_events.push_back("state " + std::to_string(nState)); }
    void OnEnterKey()
    {
        m_events.push_back("enter");
        if (m_bFailOnEnter)
            CStringArray().GetAt(0);
    }
    void OnDoubleClick(short nButton, short nShift, long x, long y)
    {
        m_events.push_back("double click " + std::to_string(nButton) + " " + std::to_string(nShift) + " " +
                           std::to_string(x) + " " + std::to_string(y));
    }

    DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(CHostDlg, CDialog)
    ON_EVENT(CHostDlg, IDC_HOST_PLAYER, PLAYER_EVENT_STATECHANGE, OnStateChange)
    ON_EVENT(CHostDlg, IDC_HOST_PLAYER, PLAYER_EVENT_ENTERKEY, OnEnterKey)
    ON_EVENT(CHostDlg, IDC_HOST_PLAYER, PLAYER_EVENT_DOUBLECLICK, OnDoubleClick)
END_EVENTSINK_MAP()

// The build copies the component beside the test program, where the client installs it too.
std::string PlayerPath()
{
    char path[MAX_PATH];
    ::GetModuleFileNameA(nullptr, path, sizeof(path));
    const std::string program(path);
    return program.substr(0, program.find_last_of('\\') + 1) + "P2PPlayer.dll";
}

// The message a failed late-bound call reports, or nothing for a call that succeeds.
std::string Failure(const COleException& e)
{
    char text[512] = "";
    e.GetErrorMessage(text, sizeof(text));
    return text;
}
std::string Failure(HRESULT hr) { return hr == S_OK ? "" : Failure(COleException(hr)); }

std::string ThrownBy(const std::function<void()>& call)
{
    try {
        call();
    } catch (const COleException& e) {
        return Failure(e);
    }
    return "";
}

// The whole client area as the window shows it once its pending painting is done, a row after another.
std::vector<COLORREF> Pixels(HWND hwnd)
{
    ::UpdateWindow(hwnd);
    CRect client;
    ::GetClientRect(hwnd, &client);
    std::vector<COLORREF> pixels;
    HDC dc = ::GetDC(hwnd);
    for (int y = 0; y < client.Height(); ++y) {
        for (int x = 0; x < client.Width(); ++x)
            pixels.push_back(::GetPixel(dc, x, y));
    }
    ::ReleaseDC(hwnd, dc);
    return pixels;
}

// Writes a bitmap file of one pixel in the colour: 24 bits, in a row padded to 4 bytes.
void WriteSolidBitmap(const char* path, COLORREF colour)
{
    const BITMAPINFOHEADER info = {sizeof(info), 1, 1, 1, 24, BI_RGB, 4, 0, 0, 0, 0};
    const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(info);
    const BITMAPFILEHEADER file = {0x4D42, offset + info.biSizeImage, 0, 0, offset};
    const char pixel[] = {char(GetBValue(colour)), char(GetGValue(colour)), char(GetRValue(colour)), 0};
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info), sizeof(info));
    out.write(pixel, sizeof(pixel));
}

bool g_bMenuSeen = false;

// Runs inside a popup menu's modal loop: notes whether a menu opened, and closes it.
void CALLBACK CloseMenu(HWND, UINT, UINT_PTR, DWORD)
{
    HWND hMenu = ::FindWindowA("#32768", nullptr);
    g_bMenuSeen = g_bMenuSeen || (hMenu != nullptr && ::IsWindowVisible(hMenu));
    ::EndMenu();
}

// The default or named text value of a key under HKEY_CLASSES_ROOT, "<no key>" or "<no value>".
std::string ClassesRoot(const std::string& key, const char* name = nullptr)
{
    HKEY hKey;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return "<no key>";
    char buffer[MAX_PATH] = "";
    DWORD size = sizeof(buffer);
    const LONG result = ::RegGetValueA(hKey, nullptr, name, RRF_RT_REG_SZ, nullptr, buffer, &size);
    ::RegCloseKey(hKey);
    return result == ERROR_SUCCESS ? buffer : "<no value>";
}

HRESULT CreatePlayer(REFIID riid, void** ppv)
{
    return ::CoCreateInstance(CLSID_P2PPlayer, nullptr, CLSCTX_INPROC_SERVER, riid, ppv);
}

// Runs in a suite of its own: only the registry can make the class known here.
TEST(PlayerRegistration, Regsvr32RegistersTheClassAndUnregistersIt)
{
    AfxEnableControlContainer();
    const std::string classKey = "CLSID\\{18226BF8-DC0B-4D81-80E9-A41AE37BB73A}", dll = "\"" + PlayerPath() + "\"";
    ASSERT_EQ(_spawnlp(_P_WAIT, "regsvr32.exe", "regsvr32", "/s", dll.c_str(), nullptr), 0);
    EXPECT_EQ(lstrcmpiA(ClassesRoot(classKey + "\\InprocServer32").c_str(), PlayerPath().c_str()), 0);
    EXPECT_EQ(ClassesRoot(classKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_NE(ClassesRoot(classKey + "\\Control"), "<no key>");
    for (LPCOLESTR progId : {L"" P2PPLAYER_PROGID, L"" P2PPLAYER_PROGID_VERSIONED}) {
        CLSID clsid = GUID_NULL;
        EXPECT_HRESULT_SUCCEEDED(::CLSIDFromProgID(progId, &clsid));
        EXPECT_TRUE(::IsEqualCLSID(clsid, CLSID_P2PPlayer));
    }
    IUnknown* pPlayer = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CreatePlayer(IID_IOleObject, reinterpret_cast<void**>(&pPlayer)));
    pPlayer->Release();

    ASSERT_EQ(_spawnlp(_P_WAIT, "regsvr32.exe", "regsvr32", "/s", "/u", dll.c_str(), nullptr), 0);
    for (const std::string& key : {classKey, std::string(P2PPLAYER_PROGID), std::string(P2PPLAYER_PROGID_VERSIONED)})
        EXPECT_EQ(ClassesRoot(key), "<no key>") << key;
    EXPECT_EQ(CreatePlayer(IID_IOleObject, reinterpret_cast<void**>(&pPlayer)), REGDB_E_CLASSNOTREG);
}

class PlayerTest : public ::testing::Test {
protected:
    // The component comes from the DLL beside the tests, whatever the registry says.
    static void SetUpTestSuite()
    {
        AfxEnableControlContainer();
        s_hModule = ::LoadLibraryA(PlayerPath().c_str());
        ASSERT_NE(s_hModule, nullptr);
        IClassFactory* pFactory = nullptr;
        ASSERT_HRESULT_SUCCEEDED(Export<decltype(&::DllGetClassObject)>("DllGetClassObject")(
            CLSID_P2PPlayer, IID_IClassFactory, reinterpret_cast<void**>(&pFactory)));
        ASSERT_HRESULT_SUCCEEDED(
            ::CoRegisterClassObject(CLSID_P2PPlayer, pFactory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &s_dwCookie));
        pFactory->Release();
    }

    // Every object the dialogs and the tests made is gone with them: the DLL could unload.
    static void TearDownTestSuite()
    {
        ::CoRevokeClassObject(s_dwCookie);
        EXPECT_EQ(Export<decltype(&::DllCanUnloadNow)>("DllCanUnloadNow")(), S_OK);
    }

    template <class Fn> static Fn Export(const char* name)
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(s_hModule, name)));
    }

    void SetUp() override
    {
        TestApp().m_messages.clear();
        ASSERT_TRUE(m_dlg.Create(IDD_HOST));
    }

    // No handler failed unless a test wanted it to, and cleared what it reported.
    void TearDown() override
    {
        m_dlg.DestroyWindow();
        EXPECT_TRUE(TestApp().m_messages.empty());
    }

    CEWA& Player() { return m_dlg.m_player; }
    HWND Video() { return ::FindWindowExA(m_dlg.m_player.m_hWnd, nullptr, P2PPLAYER_VIDEO_CLASS, nullptr); }

    static inline HMODULE s_hModule = nullptr;
    static inline DWORD s_dwCookie = 0;
    CHostDlg m_dlg;
};

TEST_F(PlayerTest, ControlTakesItsTemplatePlaceWithItsInitDataAndShowsItsIdlePicture)
{
    HWND hHost = ::GetDlgItem(m_dlg.m_hWnd, IDC_HOST_PLAYER);
    ASSERT_EQ(Player().m_hWnd, hHost);
    EXPECT_EQ(::GetWindow(hHost, GW_HWNDPREV), ::GetDlgItem(m_dlg.m_hWnd, IDC_HOST_BEFORE));
    EXPECT_EQ(::GetWindow(hHost, GW_HWNDNEXT), ::GetDlgItem(m_dlg.m_hWnd, IDC_HOST_AFTER));

    // The control's own window fills the place the template gives it, and follows the control.
    HWND hVideo = Video();
    ASSERT_NE(hVideo, nullptr);
    CRect host, video, expected(RECT{10, 20, 170, 120});
    ::GetWindowRect(hHost, &host);
    ::GetWindowRect(hVideo, &video);
    EXPECT_EQ(video, host);
    ::MapDialogRect(m_dlg.m_hWnd, &expected);
    EXPECT_EQ(host.Width(), expected.Width());
    Player().MoveWindow(0, 0, 200, 90, TRUE);
    ::GetWindowRect(hVideo, &video);
    EXPECT_EQ(video.Width(), 200);
    EXPECT_EQ(video.Height(), 90);

    // The persisted form in the template's init data, not the defaults: volume, border and colour.
    EXPECT_EQ(Player().GetVolume(), 30);
    EXPECT_TRUE(::GetWindowLongA(hVideo, GWL_STYLE) & WS_BORDER);

    // The stopped video shows the form's colour, then an idle picture over all of it, then the colour again
    // when the picture is missing.
    const COLORREF orange = RGB(240, 120, 16);
    WriteSolidBitmap("idle.bmp", orange);
    char path[MAX_PATH];
    ::GetFullPathNameA("idle.bmp", sizeof(path), path, nullptr);
    const std::pair<const char*, COLORREF> pictures[] = {
        {nullptr, ::GetSysColor(COLOR_HIGHLIGHT)}, {path, orange},
        {"C:\\nowhere\\missing.bmp", ::GetSysColor(COLOR_HIGHLIGHT)}};
    for (const auto& [picture, shown] : pictures) {
        SCOPED_TRACE(picture ? picture : "none");
        if (picture)
            Player().SetIdlePicture(picture);
        const std::vector<COLORREF> pixels = Pixels(hVideo);
        EXPECT_EQ(std::count(pixels.begin(), pixels.end(), shown), static_cast<ptrdiff_t>(pixels.size()));
    }
}

// A form that is not the player's is refused without counting as loading: a good one still loads.
TEST_F(PlayerTest, ABadPersistedFormIsRefused)
{
    IPersistStreamInit* pPersist = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CreatePlayer(IID_IPersistStreamInit, reinterpret_cast<void**>(&pPersist)));
    struct Form { DWORD magic; WORD version, border; COLORREF colour; DWORD volume; BYTE unused[112]; } form{};
    const DWORD kMagic = 0x534C504B;
    const struct { const char* what; DWORD magic; WORD version, border; ULONG size; HRESULT loaded; } forms[] = {
        {"the magic backwards", 0x4B504C53, 1, 0, 128, E_FAIL}, {"another version", kMagic, 2, 0, 128, E_FAIL},
        {"an unknown border", kMagic, 1, 7, 128, E_FAIL},       {"too short", kMagic, 1, 0, 100, E_FAIL},
        {"a good form", kMagic, 1, 1, 128, S_OK},
    };
    for (const auto& f : forms) {
        SCOPED_TRACE(f.what);
        form = {f.magic, f.version, f.border, 0x00336699, 90, {}};
        IStream* pStream = nullptr;
        ASSERT_HRESULT_SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, &pStream));
        pStream->Write(&form, f.size, nullptr);
        pStream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
        EXPECT_EQ(pPersist->Load(pStream), f.loaded);
        pStream->Release();
    }

    // What the good form set is what the control saves.
    IStream* pSaved = nullptr;
    ASSERT_HRESULT_SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, &pSaved));
    EXPECT_HRESULT_SUCCEEDED(pPersist->Save(pSaved, TRUE));
    pPersist->Release();
    BYTE saved[sizeof(Form) + 1] = {};
    ULONG read = 0;
    pSaved->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    pSaved->Read(saved, sizeof(saved), &read);
    pSaved->Release();
    EXPECT_EQ(read, sizeof(Form));
    EXPECT_EQ(std::memcmp(saved, &form, sizeof(form)), 0);
}

TEST_F(PlayerTest, EveryMemberAnswersOnlyItsOwnKindAndTheVolumeStaysInItsRange)
{
    // got: what a get returns, VT_EMPTY for no get; put: a value a put takes and a get gives back, none for no put.
    const struct { DISPID dispid; VARTYPE got; COleVariant put; bool method; } members[] = {
        {PLAYER_DISPID_URL, VT_BSTR, COleVariant(kAddress), false},
        {PLAYER_DISPID_VOLUME, VT_I4, COleVariant("42"), false},  // a number in a text is taken
        {PLAYER_DISPID_PLAYSTATE, VT_I4, {}, false},
        {PLAYER_DISPID_FULLSCREEN, VT_BOOL, COleVariant(FALSE, VT_BOOL), false},
        {PLAYER_DISPID_CONTEXTMENU, VT_BOOL, COleVariant(0, VT_I2), false},
        {PLAYER_DISPID_IDLEPICTURE, VT_BSTR, COleVariant("C:\\Kalda\\AD\\Pic1.BMP"), false},
        {PLAYER_DISPID_PAUSE, VT_EMPTY, {}, true}, {PLAYER_DISPID_STOP, VT_EMPTY, {}, true},
        {PLAYER_DISPID_RESUME, VT_EMPTY, {}, true}, {99, VT_EMPTY, {}, false},
    };
    for (const auto& member : members) {
        SCOPED_TRACE(member.dispid);
        if (V_VT(&member.put) != VT_EMPTY) {
            EXPECT_EQ(ThrownBy([&] { Player().SetProperty(member.dispid, member.put); }), Failure(S_OK));
            EXPECT_STREQ(Player().GetProperty(member.dispid).ToString(), member.put.ToString());
        } else {
            EXPECT_EQ(ThrownBy([&] { Player().SetProperty(member.dispid, COleVariant(1L)); }),
                      Failure(DISP_E_MEMBERNOTFOUND));
        }
        VARTYPE got = VT_EMPTY;
        EXPECT_EQ(ThrownBy([&] { got = V_VT(&static_cast<const VARIANT&>(Player().GetProperty(member.dispid))); }),
                  Failure(member.got != VT_EMPTY ? S_OK : DISP_E_MEMBERNOTFOUND));
        EXPECT_EQ(got, member.got);
        const HRESULT invoked = member.method ? S_OK : DISP_E_MEMBERNOTFOUND;
        EXPECT_EQ(ThrownBy([&] { Player().InvokeMethod(member.dispid); }), Failure(invoked));
    }

    for (const auto& [put, kept] : {std::pair<long, long>{-5, 0}, {150, 100}, {37, 37}}) {
        Player().SetVolume(put);
        EXPECT_EQ(Player().GetVolume(), kept) << put;
    }
    // A text that is no number is refused and changes nothing.
    EXPECT_EQ(ThrownBy([&] { Player().SetProperty(PLAYER_DISPID_VOLUME, COleVariant("loud")); }),
              Failure(DISP_E_TYPEMISMATCH));
    EXPECT_EQ(Player().GetVolume(), 37);
    // A window that hosts no control cannot be called.
    CStatic notAControl;
    EXPECT_EQ(ThrownBy([&] { notAControl.InvokeMethod(PLAYER_DISPID_STOP); }), Failure(E_NOINTERFACE));
}

// Posted to the video and pumped through the dialog manager, as the user's input comes.
TEST_F(PlayerTest, EnterDoubleClicksAndRightClicksInTheVideoReachTheHostAndAFailingHandlerIsReported)
{
    const struct { UINT message; WPARAM wParam; LPARAM lParam; Events events; } inputs[] = {
        {WM_KEYDOWN, VK_RETURN, 0, {"enter"}},
        {WM_KEYDOWN, VK_SPACE, 0, {}},
        {WM_LBUTTONDBLCLK, MK_LBUTTON | MK_SHIFT, MAKELPARAM(12, 34), {"double click 1 1 12 34"}},
        {WM_RBUTTONDBLCLK, MK_RBUTTON | MK_CONTROL, MAKELPARAM(200, 5), {"double click 2 2 200 5"}},
    };
    for (const auto& input : inputs) {
        m_dlg.m_events.clear();
        ::PostMessageA(Video(), input.message, input.wParam, input.lParam);
        PumpPending();
        EXPECT_EQ(m_dlg.m_events, input.events);
    }

    // The control goes on after a handler failed.
    m_dlg.m_events.clear();
    m_dlg.m_bFailOnEnter = true;
    ::SendMessageA(Video(), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_EQ(TestApp().m_messages.size(), 1u);
    EXPECT_STREQ(TestApp().m_messages[0].text, "An invalid argument was encountered.");
    TestApp().m_messages.clear();
    Player().SetUrl(kAddress);
    EXPECT_EQ(m_dlg.m_events, (Events{"enter", "state 3"}));

    // A right click opens the menu only while the host allows it.
    for (BOOL bAllowed : {TRUE, FALSE}) {
        Player().SetProperty(PLAYER_DISPID_CONTEXTMENU, COleVariant(bAllowed, VT_BOOL));
        g_bMenuSeen = false;
        UINT_PTR timer = ::SetTimer(nullptr, 0, 50, CloseMenu);
        ::SendMessageA(Video(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(30, 40));
        ::SendMessageA(Video(), WM_RBUTTONUP, 0, MAKELPARAM(30, 40));
        PumpPending();
        ::KillTimer(nullptr, timer);
        EXPECT_EQ(g_bMenuSeen, bAllowed != FALSE) << bAllowed;
    }
}

// The video tests: streams from a local server and files that the build generates beside them.
class PlayerStreamTest : public PlayerTest {
protected:
    static constexpr size_t kBytesPerSecond = TEST_STREAM_BYTES_PER_SECOND;

    void SetUp() override
    {
        PlayerTest::SetUp();
        std::ifstream file(TEST_STREAM, std::ios::binary);
        m_stream.assign(std::istreambuf_iterator<char>(file), {});
        ASSERT_FALSE(m_stream.empty());
        WriteSolidBitmap("idle.bmp", kIdleColour);
        char path[MAX_PATH];
        ::GetFullPathNameA("idle.bmp", sizeof(path), path, nullptr);
        Player().SetIdlePicture(path);
    }

    std::string Address(const std::string& path) const
    {
        return "p2p://127.0.0.1:" + std::to_string(m_server.Port()) + path;
    }
    // Pumps until the player reports the state, at most the time; the events until then.
    Events WaitForState(long nState, DWORD nWithinMs = 10000)
    {
        PumpUntil([&] { return !m_dlg.m_events.empty() && m_dlg.m_events.back() == "state " + std::to_string(nState); },
                  nWithinMs);
        return std::exchange(m_dlg.m_events, {});
    }
    // The video renderer's window, shown in the window of the picture, or none.
    HWND Picture(HWND hParent) const
    {
        HWND hPicture = ::FindWindowExA(hParent, nullptr, nullptr, nullptr);
        return hPicture && ::IsWindowVisible(hPicture) ? hPicture : nullptr;
    }
    // Whether the picture changes within the time.
    bool Moves(HWND hPicture, DWORD nWithinMs)
    {
        const std::vector<COLORREF> before = Pixels(hPicture);
        return PumpUntil([&] { return Pixels(hPicture) != before; }, nWithinMs);
    }
    bool ShowsIdlePicture()
    {
        const std::vector<COLORREF> pixels = Pixels(Video());
        return Picture(Video()) == nullptr &&
               std::count(pixels.begin(), pixels.end(), kIdleColour) == static_cast<ptrdiff_t>(pixels.size());
    }

    static constexpr COLORREF kIdleColour = RGB(240, 120, 16);
    CLocalHttpServer m_server;
    std::string m_stream;
};

TEST_F(PlayerStreamTest, AStreamPlaysThroughEveryStateAndItsPictureMovesOnlyWhilePlaying)
{
    m_server.ServeStream("/live/1", m_stream, kBytesPerSecond);
    Player().SetUrl(Address("/live/1").c_str());
    EXPECT_EQ(m_dlg.m_events, Events{"state 3"});
    EXPECT_EQ(Player().GetPlayState(), PLAYSTATE_CONNECTING);
    EXPECT_EQ(WaitForState(PLAYSTATE_PLAYING), (Events{"state 3", "state 2"}));
    HWND hPicture = Picture(Video());
    ASSERT_NE(hPicture, nullptr);
    CRect video, picture;
    ::GetClientRect(Video(), &video);
    ::MapWindowPoints(Video(), nullptr, reinterpret_cast<POINT*>(&video), 2);
    ::GetWindowRect(hPicture, &picture);
    EXPECT_EQ(picture, video);
    EXPECT_TRUE(Moves(hPicture, 2000));

    // Clicks on the picture reach the control, which makes a double click of two in a row.
    const auto clickTwice = [](HWND hWnd) {
        for (int i = 0; i < 2; ++i) {
            ::PostMessageA(hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 20));
            ::PostMessageA(hWnd, WM_LBUTTONUP, 0, MAKELPARAM(30, 20));
        }
        PumpPending();
    };
    clickTwice(hPicture);
    EXPECT_EQ(std::exchange(m_dlg.m_events, {}), Events{"double click 1 0 30 20"});

    // Full screen, the picture covers the monitor, and a double click on it comes back.
    Player().SetFullScreen(TRUE);
    HWND hFull = ::FindWindowExA(nullptr, nullptr, P2PPLAYER_FULLSCREEN_CLASS, nullptr);
    ASSERT_NE(Picture(hFull), nullptr);
    ::GetWindowRect(Picture(hFull), &picture);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoA(::MonitorFromWindow(hFull, MONITOR_DEFAULTTONEAREST), &monitor);
    EXPECT_EQ(picture, monitor.rcMonitor);
    clickTwice(Picture(hFull));
    EXPECT_FALSE(::IsWindow(hFull));
    ASSERT_EQ(Picture(Video()), hPicture);
    ::GetWindowRect(hPicture, &picture);
    EXPECT_EQ(picture, video);

    const struct { const char* what; std::function<void()> act; Events events; long state; bool moves; } steps[] = {
        {"pause", [&] { Player().Pause(); }, {"state 1"}, PLAYSTATE_PAUSED, false},
        {"resume", [&] { Player().Resume(); }, {"state 2"}, PLAYSTATE_PLAYING, true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(std::exchange(m_dlg.m_events, {}), step.events);
        EXPECT_EQ(Player().GetPlayState(), step.state);
        // A paused renderer still shows the frame it holds, then stands still.
        if (!step.moves)
            Moves(hPicture, 400);
        EXPECT_EQ(Moves(hPicture, 1000), step.moves);
    }
    Player().Stop();
    EXPECT_EQ(m_dlg.m_events, Events{"state 0"});
    EXPECT_TRUE(ShowsIdlePicture());
}

// The old channel's connection is closed before the new one plays, and nothing of it is left: the
// suite's end finds no object of the component alive.
TEST_F(PlayerStreamTest, ANewAddressClosesTheOldChannelsConnection)
{
    for (const char* path : {"/live/1", "/live/2"})
        m_server.ServeStream(path, m_stream, kBytesPerSecond);
    Player().SetUrl(Address("/live/1").c_str());
    ASSERT_EQ(WaitForState(PLAYSTATE_PLAYING), (Events{"state 3", "state 2"}));
    EXPECT_TRUE(m_server.Abandoned().empty());
    Player().SetUrl(Address("/live/2").c_str());
    EXPECT_EQ(m_dlg.m_events, Events{"state 3"});
    EXPECT_TRUE(PumpUntil([&] { return m_server.Abandoned() == std::vector<std::string>{"/live/1"}; }, 3000));
    EXPECT_EQ(WaitForState(PLAYSTATE_PLAYING), (Events{"state 3", "state 2"}));
    EXPECT_EQ(m_server.Requests(), (std::vector<std::string>{"/live/1", "/live/2"}));
}

TEST_F(PlayerStreamTest, AFileAndAStreamThatEndEndStoppedAfterTheirLastFrame)
{
    char path[MAX_PATH];
    ::GetFullPathNameA(TEST_FILE, sizeof(path), path, nullptr);
    // Two seconds of the channel, sent at twice its rate.
    m_server.ServeStream("/short", m_stream.substr(0, 2 * kBytesPerSecond), 2 * kBytesPerSecond);
    for (const std::string& address : {std::string(path), Address("/short")}) {
        SCOPED_TRACE(address);
        Player().SetUrl(address.c_str());
        EXPECT_EQ(WaitForState(PLAYSTATE_PLAYING), (Events{"state 3", "state 2"}));
        EXPECT_EQ(WaitForState(PLAYSTATE_STOPPED), Events{"state 0"});
        EXPECT_TRUE(ShowsIdlePicture());
    }
}

TEST_F(PlayerStreamTest, EveryFailureEndsStoppedWithTheIdlePicture)
{
    std::string garbage(256 << 10, '\0');
    for (size_t i = 0; i < garbage.size(); ++i)
        garbage[i] = static_cast<char>((i * 7919) >> 3);
    m_server.ServeStream("/garbage", garbage, 1 << 20);
    // A little of a good stream, then silence.
    m_server.ServeStream("/stalled", m_stream, kBytesPerSecond, 16 << 10);
    const DWORD kStallMs = CStreamBuffer::kStallMs;
    const struct { const char* what; std::string address; DWORD minimumMs; } failures[] = {
        {"a refused connection", kAddress, 0},
        {"an unknown scheme", "rtsp://127.0.0.1:554/live", 0},
        {"a missing file", "C:\\nowhere\\missing.ts", 0},
        {"bytes that are no stream", Address("/garbage"), 0},
        {"a stream that stalls", Address("/stalled"), kStallMs - 500},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.what);
        const DWORD start = ::GetTickCount();
        Player().SetUrl(failure.address.c_str());
        EXPECT_EQ(WaitForState(PLAYSTATE_STOPPED, kStallMs + 5000), (Events{"state 3", "state 0"}));
        EXPECT_GE(::GetTickCount() - start, failure.minimumMs);
        EXPECT_TRUE(ShowsIdlePicture());
    }
}

TEST(PlayerVolume, TheVolumeFollowsLoudnessDownToSilence)
{
    const std::pair<long, long> volumes[] = {{100, 0}, {50, -602}, {10, -2000}, {1, -4000}, {0, kSilentVolume},
                                             {-5, kSilentVolume}, {150, 0}};
    for (const auto& [volume, decibels] : volumes)
        EXPECT_EQ(BasicAudioVolume(volume), decibels) << volume;
    for (long volume = 1; volume <= 100; ++volume)
        EXPECT_GT(BasicAudioVolume(volume), BasicAudioVolume(volume - 1)) << volume;
}

TEST(PlayerContainment, ControlWithoutAServerFailsTheDialog)
{
    AfxEnableControlContainer();
    CDialog dlg(IDD_HOST_BROKEN);
    EXPECT_FALSE(dlg.Create(IDD_HOST_BROKEN));
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(::FindWindowA(nullptr, "Broken host"), nullptr);
}

}  // namespace
