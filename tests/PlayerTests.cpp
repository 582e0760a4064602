// The real player component: registered with regsvr32, and hosted the way the client hosts it, in
// a dialog from a template through the framework's containment, called through the client's
// wrapper and heard through an event sink map. What it shows is read back from the screen.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include <ocidl.h>
#include <process.h>
#include <vfwmsgs.h>

#include "Afx.h"
#include "LocalHttpServer.h"
#include "MessagePump.h"
#include "PlayerTestIds.h"
#include "TestApp.h"
#include "controls/EWA.h"
#include "player/AudioVolume.h"
#include "player/HostLookup.h"
#include "player/PersistedForm.h"
#include "player/PictureFit.h"
#include "player/PlayAddress.h"
#include "player/PlaybackEngine.h"
#include "player/StreamBuffer.h"
#include "product/PlayerContract.h"

namespace {

using Events = std::vector<std::string>;

// Nothing listens on port 1: the connection is refused at once.
const char kAddress[] = "p2p://127.0.0.1:1/cctv5";

class CHostDlg : public CDialog {
public:
    CHostDlg() : CDialog(IDD_HOST) {}

    CEWA m_player;
    Events m_events;
    DWORD m_nChangedAt = 0;  // the tick of the latest state change
    bool m_bFailOnEnter = false;

    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, IDC_HOST_PLAYER, m_player); }

    void OnStateChange(long nState)
    {
        m_events.push_back("state " + std::to_string(nState));
        m_nChangedAt = ::GetTickCount();
    }
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
// The DC's pixels in the rectangle, row by row.
std::vector<COLORREF> Capture(HDC source, const RECT& rect)
{
    const LONG width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC memory = ::CreateCompatibleDC(source);
    BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, source, rect.left, rect.top, SRCCOPY);
    std::vector<COLORREF> pixels(static_cast<size_t>(width * height));
    const DWORD* bgr = static_cast<const DWORD*>(bits);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = RGB(bgr[i] >> 16 & 0xFF, bgr[i] >> 8 & 0xFF, bgr[i] & 0xFF);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    return pixels;
}

std::vector<COLORREF> Pixels(HWND hwnd)
{
    ::UpdateWindow(hwnd);
    CRect client;
    ::GetClientRect(hwnd, &client);
    HDC dc = ::GetDC(hwnd);
    std::vector<COLORREF> pixels = Capture(dc, client);
    ::ReleaseDC(hwnd, dc);
    return pixels;
}

// What the screen shows over the rectangle: the picture's window and the bars around it together.
std::vector<COLORREF> ScreenPixels(const RECT& rect)
{
    HDC screen = ::GetDC(nullptr);
    std::vector<COLORREF> pixels = Capture(screen, rect);
    ::ReleaseDC(nullptr, screen);
    return pixels;
}

// Writes a bitmap file of one pixel in the colour: 24 bits, in a row padded to 4 bytes. Its full path.
std::string WriteSolidBitmap(const char* name, COLORREF colour)
{
    const BITMAPINFOHEADER info = {sizeof(info), 1, 1, 1, 24, BI_RGB, 4, 0, 0, 0, 0};
    const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(info);
    const BITMAPFILEHEADER file = {0x4D42, offset + info.biSizeImage, 0, 0, offset};
    const char pixel[] = {char(GetBValue(colour)), char(GetGValue(colour)), char(GetRValue(colour)), 0};
    std::ofstream out(name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info), sizeof(info));
    out.write(pixel, sizeof(pixel));
    char path[MAX_PATH];
    ::GetFullPathNameA(name, sizeof(path), path, nullptr);
    return path;
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

// The control's own window in the host.
HWND VideoOf(const CHostDlg& dlg)
{
    return ::FindWindowExA(dlg.m_player.m_hWnd, nullptr, P2PPLAYER_VIDEO_CLASS, nullptr);
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
    HWND Video() { return VideoOf(m_dlg); }

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
    const std::string path = WriteSolidBitmap("idle.bmp", orange);
    const std::pair<const char*, COLORREF> pictures[] = {
        {nullptr, ::GetSysColor(COLOR_HIGHLIGHT)}, {path.c_str(), orange},
        {"C:\\nowhere\\missing.bmp", ::GetSysColor(COLOR_HIGHLIGHT)}};
    for (const auto& [picture, shown] : pictures) {
        SCOPED_TRACE(picture ? picture : "none");
        if (picture)
            Player().SetIdlePicture(picture);
        const std::vector<COLORREF> pixels = Pixels(hVideo);
        EXPECT_EQ(std::count(pixels.begin(), pixels.end(), shown), static_cast<ptrdiff_t>(pixels.size()));
    }
}

// Only a stream that holds a whole form of the control's own loads, and a refused one does not count
// as loading; what loaded is what the control saves.
TEST_F(PlayerTest, TheControlLoadsOnlyAWholeFormOfItsOwnAndSavesWhatItLoaded)
{
    IPersistStreamInit* pPersist = nullptr;
    ASSERT_HRESULT_SUCCEEDED(CreatePlayer(IID_IPersistStreamInit, reinterpret_cast<void**>(&pPersist)));
    const PersistedForm::Bytes form = PersistedForm::Format({PlayerSettings::BorderSingle, 0x00336699, 90});
    PersistedForm::Bytes foreign = form;
    foreign[0] = 'X';
    const struct { const PersistedForm::Bytes& bytes; ULONG size; HRESULT hr; } loads[] = {
        {form, PersistedForm::kSize - 1, E_FAIL}, {foreign, PersistedForm::kSize, E_FAIL}, {form, PersistedForm::kSize, S_OK}};
    IStream* pStream = nullptr;
    for (const auto& load : loads) {
        ASSERT_HRESULT_SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, &pStream));
        pStream->Write(load.bytes.data(), load.size, nullptr);
        pStream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
        EXPECT_EQ(pPersist->Load(pStream), load.hr) << load.size;
        pStream->Release();
    }
    ASSERT_HRESULT_SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, &pStream));
    EXPECT_HRESULT_SUCCEEDED(pPersist->Save(pStream, TRUE));
    pPersist->Release();
    BYTE saved[PersistedForm::kSize + 1] = {};
    ULONG read = 0;
    pStream->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr);
    pStream->Read(saved, sizeof(saved), &read);
    pStream->Release();
    EXPECT_EQ(read, PersistedForm::kSize);
    EXPECT_EQ(std::memcmp(saved, form.data(), form.size()), 0);
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

const char* const kBroadcastStreams[] = {BROADCAST_STREAMS};
const DWORD kStartLimitMs = CPlaybackEngine::kStartLimitMs;

std::string FileBytes(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

size_t Count(const std::vector<std::string>& paths, const char* path)
{
    return static_cast<size_t>(std::count(paths.begin(), paths.end(), path));
}

// A way a start fails. Those whose server trickles or stalls end only at the start limit.
struct FailedStart {
    const char* what;
    std::string address;
    const char* served;  // the path the test's server answers, or none
    bool bAtTheLimit;
};

// Where a transport stream's first key frame after its tables begins: before it, the player cannot
// build the graph.
size_t FirstEntry(const std::string& stream)
{
    CTransportProbe probe;
    probe.Feed(reinterpret_cast<const uint8_t*>(stream.data()), stream.size());
    EXPECT_EQ(probe.State(), CTransportProbe::Ready);
    return probe.EntryOffset();
}

// The start of the packet the offset falls in: where a viewer can join.
size_t PacketAt(size_t offset)
{
    return offset - offset % CTransportProbe::kPacketSize;
}

// The transport stream without its programme tables: the PAT and the programme map it names.
std::string WithoutTables(const std::string& stream)
{
    constexpr size_t kPacket = CTransportProbe::kPacketSize;
    const auto byte = [&](size_t at) { return static_cast<uint8_t>(stream[at]); };
    const auto pidAt = [&](size_t at) { return (byte(at + 1) & 0x1F) << 8 | byte(at + 2); };
    int programMap = -1;
    std::string kept;
    for (size_t at = 0; at + kPacket <= stream.size(); at += kPacket) {
        if (pidAt(at) == 0 && programMap < 0) {
            const size_t section = at + 5 + byte(at + 4);  // after the pointer field
            programMap = (byte(section + 10) & 0x1F) << 8 | byte(section + 11);
        }
        if (pidAt(at) != 0 && pidAt(at) != programMap)
            kept.append(stream, at, kPacket);
    }
    return kept;
}

// The video tests: streams from a local server and files that the build generates beside them.
class PlayerStreamTest : public PlayerTest {
protected:
    static constexpr size_t kBytesPerSecond = TEST_STREAM_BYTES_PER_SECOND;

    void SetUp() override
    {
        PlayerTest::SetUp();
        m_stream = FileBytes(TEST_STREAM);
        ASSERT_FALSE(m_stream.empty());
        m_idlePicture = WriteSolidBitmap("idle.bmp", kIdleColour);
        Player().SetIdlePicture(m_idlePicture.c_str());
    }

    std::string Address(const std::string& path, const char* host = "127.0.0.1") const
    {
        return "p2p://" + std::string(host) + ":" + std::to_string(m_server.Port()) + path;
    }
    // Serves every way a start can fail, in the order a start meets them. The channel stops before its
    // first key frame, or trickles too slowly to play; the broadcaster's channel, whose parser needs
    // far more than its first key frame to know its programmes, trickles or stalls while its graph
    // is built.
    std::vector<FailedStart> ServeFailedStarts()
    {
        std::string garbage(256 << 10, '\0');
        for (size_t i = 0; i < garbage.size(); ++i)
            garbage[i] = static_cast<char>((i * 7919) >> 3);
        const std::string broadcast = FileBytes(kBroadcastStreams[0]), padding = "X-Padding: " + std::string(4096, 'a');
        const size_t kAll = std::string::npos, kBuilds = FirstEntry(broadcast) + (64 << 10);
        m_server.ServeStream("/garbage", garbage, 1 << 20);
        m_server.Serve("/silent", "never sent", CLocalHttpServer::Delivery::Silence);
        m_server.ServeStream("/status", "HTTP/1.0 200 OK\r\n" + padding, 20, kAll, "");
        m_server.ServeStream("/headers", padding, 20, kAll, "HTTP/1.0 200 OK\r\n");
        m_server.ServeStream("/stalled", m_stream, kBytesPerSecond, FirstEntry(m_stream));
        m_server.ServeStream("/slow", m_stream, 2048);
        m_server.ServeStream("/graph-trickles", broadcast.substr(kBuilds), 2048, kAll,
                             CLocalHttpServer::kStreamHead + broadcast.substr(0, kBuilds));
        m_server.ServeStream("/graph-stalls", broadcast, 0, kBuilds);
        m_server.ServeStream("/no-tables", WithoutTables(m_stream), kBytesPerSecond);
        // Joined just after its first key frame: the next is further away than the limit.
        const std::string sparse = FileBytes("keys-12s.ts");
        m_server.ServeStream("/no-key-frame", sparse.substr(FirstEntry(sparse) + CTransportProbe::kPacketSize),
                             sparse.size() / SPARSE_STREAM_SECONDS);
        return {
            {"a refused connection", kAddress, nullptr, false},
            {"an unknown scheme", "rtsp://127.0.0.1:554/live", nullptr, false},
            {"a missing file", "C:\\nowhere\\missing.ts", nullptr, false},
            {"bytes that are no stream", Address("/garbage"), nullptr, false},
            {"a connection the server never takes", "p2p://127.0.0.1:" + std::to_string(m_stalledPort.Port()) + "/channel",
             nullptr, true},
            {"a server that sends nothing", Address("/silent"), "/silent", true},
            {"the status line a byte at a time", Address("/status"), "/status", true},
            {"the headers a byte at a time", Address("/headers"), "/headers", true},
            {"the stream up to its first key frame, then silence", Address("/stalled"), "/stalled", true},
            {"the stream too slowly to play", Address("/slow"), "/slow", true},
            {"the stream trickling while its graph is built", Address("/graph-trickles"), "/graph-trickles", true},
            {"the stream stalling while its graph is built", Address("/graph-stalls"), "/graph-stalls", true},
            {"a stream without its programme tables", Address("/no-tables"), "/no-tables", true},
            {"no key frame within the limit", Address("/no-key-frame"), "/no-key-frame", true},
        };
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
    bool ShowsIdlePicture() { return ShowsIdlePicture(m_dlg); }
    bool ShowsIdlePicture(const CHostDlg& dlg)
    {
        const std::vector<COLORREF> pixels = Pixels(VideoOf(dlg));
        return Picture(VideoOf(dlg)) == nullptr &&
               std::count(pixels.begin(), pixels.end(), kIdleColour) == static_cast<ptrdiff_t>(pixels.size());
    }
    // Another host beside the test's own, the nth in a row of them that do not cover one another,
    // each cut down to its player with a margin as wide as the one on its left, so that many fit.
    std::unique_ptr<CHostDlg> AnotherHost(int n)
    {
        auto dlg = std::make_unique<CHostDlg>();
        if (!dlg->Create(IDD_HOST))
            return nullptr;
        CRect rect, player;
        dlg->GetWindowRect(&rect);
        dlg->m_player.GetWindowRect(&player);
        const int nMargin = player.left - rect.left, nWidth = player.right + nMargin - rect.left,
                  nHeight = player.bottom + nMargin - rect.top, nColumns = ::GetSystemMetrics(SM_CXSCREEN) / nWidth;
        ::SetWindowPos(dlg->m_hWnd, nullptr, n % nColumns * nWidth, n / nColumns * nHeight, nWidth, nHeight,
                       SWP_NOZORDER);
        dlg->m_player.SetIdlePicture(m_idlePicture.c_str());
        return dlg;
    }

    static constexpr COLORREF kIdleColour = RGB(240, 120, 16);
    CLocalHttpServer m_server;
    CStalledPort m_stalledPort;
    std::string m_stream;
    std::string m_idlePicture;
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
    // The test stream's pictures are 4:3: bars left and right.
    ::GetWindowRect(hPicture, &picture);
    EXPECT_EQ(picture, FitPicture(video, 4, 3));
    EXPECT_TRUE(Moves(hPicture, 2000));

    // Clicks on the picture reach the control, which makes a double click of two in a row. The
    // picture's window is the graph thread's: they come through its queue.
    const auto clickTwice = [&](HWND hWnd) {
        for (int i = 0; i < 2; ++i) {
            ::PostMessageA(hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 20));
            ::PostMessageA(hWnd, WM_LBUTTONUP, 0, MAKELPARAM(30, 20));
        }
        PumpUntil([&] { return !m_dlg.m_events.empty(); });
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
    EXPECT_EQ(picture, FitPicture(monitor.rcMonitor, 4, 3));
    clickTwice(Picture(hFull));
    EXPECT_FALSE(::IsWindow(hFull));
    EXPECT_TRUE(PumpUntil([&] { return Picture(Video()) == hPicture; }));
    ::GetWindowRect(hPicture, &picture);
    EXPECT_EQ(picture, FitPicture(video, 4, 3));

    const struct { const char* what; std::function<void()> act; Events events; long state; bool moves; } steps[] = {
        {"pause", [&] { Player().Pause(); }, {"state 1"}, PLAYSTATE_PAUSED, false},
        {"resume", [&] { Player().Resume(); }, {"state 2"}, PLAYSTATE_PLAYING, true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(std::exchange(m_dlg.m_events, {}), step.events);
        EXPECT_EQ(Player().GetPlayState(), step.state);
        // A paused renderer still shows the frame it holds, then stands still, once the graph thread
        // has come to the pause.
        if (!step.moves)
            PumpUntil([&] { return !Moves(hPicture, 300); }, 3000);
        EXPECT_EQ(Moves(hPicture, 1000), step.moves);
    }
    // The picture goes once the graph thread has torn its graph down.
    Player().Stop();
    EXPECT_EQ(m_dlg.m_events, Events{"state 0"});
    EXPECT_TRUE(PumpUntil([&] { return ShowsIdlePicture(); }, 2000));
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

// From the put of its address, a channel that cannot play stops with its idle picture: at once when
// nothing can come, at the start limit whatever its server sends or withholds. Every way at once,
// each in a player of its own.
TEST_F(PlayerStreamTest, EveryFailedStartEndsStoppedWithTheIdlePictureByTheStartLimit)
{
    const std::vector<FailedStart> starts = ServeFailedStarts();
    // Those that fail at once first, then those that take until the limit: all of one kind at once
    // fit on the screen, where their pictures are looked at.
    for (bool bAtTheLimit : {false, true}) {
        struct Put {
            const FailedStart* start;
            std::unique_ptr<CHostDlg> host;
            DWORD nAt;
        };
        std::vector<Put> puts;
        for (const FailedStart& start : starts) {
            if (start.bAtTheLimit != bAtTheLimit)
                continue;
            puts.push_back({&start, AnotherHost(static_cast<int>(puts.size())), ::GetTickCount()});
            ASSERT_NE(puts.back().host, nullptr);
            puts.back().host->m_player.SetUrl(start.address.c_str());
        }
        const Events stopped = {"state 3", "state 0"};
        const auto allStopped = [&] {
            return std::all_of(puts.begin(), puts.end(), [&](const Put& put) { return put.host->m_events == stopped; });
        };
        PumpUntil(allStopped, kStartLimitMs + 5000);
        for (Put& put : puts) {
            const FailedStart& start = *put.start;
            CHostDlg& host = *put.host;
            SCOPED_TRACE(start.what);
            EXPECT_EQ(host.m_events, stopped);
            // The stop follows the limit at once: its teardown waits for nothing the server holds back.
            const DWORD nTookMs = host.m_nChangedAt - put.nAt;
            EXPECT_LE(nTookMs, kStartLimitMs + 1000);
            EXPECT_GE(nTookMs, start.bAtTheLimit ? kStartLimitMs - 500 : 0);
            EXPECT_TRUE(ShowsIdlePicture(host));
            if (start.bAtTheLimit && start.served) {
                EXPECT_TRUE(PumpUntil([&] { return Count(m_server.Abandoned(), start.served) == 1; }, 3000));
            }
            host.DestroyWindow();
        }
    }
}

// A new address, or a stop, leaves the old channel at once, whatever phase its start is in, its
// graph's build too.
TEST_F(PlayerStreamTest, ASwitchLeavesAChannelAtOnceInEveryPhaseOfItsStart)
{
    const std::vector<FailedStart> starts = ServeFailedStarts();
    const struct { const char* how; std::function<void()> leave; Events events; } switches[] = {
        {"a new address", [&] { Player().SetUrl(kAddress); }, {}},
        {"a stop", [&] { Player().Stop(); }, {"state 0"}},
    };
    for (size_t nVisit = 1; nVisit <= 2; ++nVisit) {
        const auto& how = switches[nVisit - 1];
        for (const FailedStart& start : starts) {
            if (!start.bAtTheLimit)
                continue;
            SCOPED_TRACE(std::string(start.what) + ", left by " + how.how);
            Player().SetUrl(start.address.c_str());
            EXPECT_EQ(std::exchange(m_dlg.m_events, {}), Events{"state 3"});
            if (start.served) {
                EXPECT_TRUE(PumpUntil([&] { return Count(m_server.Requests(), start.served) == nVisit; }));
            }
            const DWORD nLeftAt = ::GetTickCount();
            how.leave();
            // Far less than any of the old channel's own limits.
            EXPECT_LT(::GetTickCount() - nLeftAt, CStreamBuffer::kStallMs / 4);
            EXPECT_EQ(m_dlg.m_events, how.events);
            if (start.served) {
                EXPECT_TRUE(PumpUntil([&] { return Count(m_server.Abandoned(), start.served) == nVisit; }, 3000));
            }
            // The refused address stops too, before the next phase.
            EXPECT_EQ(WaitForState(PLAYSTATE_STOPPED), Events{"state 0"});
        }
    }
    // A host that closes in the middle of a start takes the channel with it, just as soon.
    for (const FailedStart& start : starts) {
        if (!start.served)
            continue;
        SCOPED_TRACE(std::string(start.what) + ", left by the host closing");
        std::unique_ptr<CHostDlg> host = AnotherHost(0);
        ASSERT_NE(host, nullptr);
        const size_t nBefore = Count(m_server.Requests(), start.served);
        host->m_player.SetUrl(start.address.c_str());
        EXPECT_TRUE(PumpUntil([&] { return Count(m_server.Requests(), start.served) > nBefore; }));
        const DWORD nLeftAt = ::GetTickCount();
        host->DestroyWindow();
        EXPECT_LT(::GetTickCount() - nLeftAt, CStreamBuffer::kStallMs / 4);
        EXPECT_TRUE(PumpUntil([&] { return Count(m_server.Abandoned(), start.served) > nBefore; }, 3000));
    }
}

// Light channels joined anywhere between two key frames and paced live, as a viewer meets them:
// every start plays, from a whole picture, switched to straight from the one before.
TEST_F(PlayerStreamTest, LightChannelsPlayWhereverBetweenTwoKeyFramesTheyAreJoined)
{
    constexpr size_t kJoins = 20;
    for (const char* name : {LIGHT_STREAMS}) {
        const std::string bytes = FileBytes(name);
        const size_t nPerSecond = bytes.size() / LIGHT_STREAM_SECONDS, nGroup = nPerSecond * LIGHT_KEY_SECONDS;
        for (size_t join = 0; join < kJoins; ++join) {
            SCOPED_TRACE(std::string(name) + " joined " + std::to_string(join) + "/" + std::to_string(kJoins) +
                         " into a group of pictures");
            // From the second group on: the first starts with the stream.
            const size_t at = PacketAt(nGroup + nGroup * join / kJoins);
            const std::string path = "/light/" + std::to_string(join);
            m_server.ServeStream(path, bytes.substr(at), nPerSecond);
            Player().SetUrl(Address(path).c_str());
            ASSERT_EQ(WaitForState(PLAYSTATE_PLAYING), (Events{"state 3", "state 2"}));
            HWND hPicture = Picture(Video());
            ASSERT_NE(hPicture, nullptr);
            // The test pictures hold many colours; a picture decoded without its key frame holds few.
            std::vector<COLORREF> pixels = Pixels(hPicture);
            std::sort(pixels.begin(), pixels.end());
            EXPECT_GT(std::unique(pixels.begin(), pixels.end()) - pixels.begin(), 16);
        }
        Player().Stop();
        m_dlg.m_events.clear();
    }
}

// A channel joined two seconds before its next key frame plays from it. Wine's parser takes about
// one and a half groups of pictures of the stream to know its programmes: 4.5 s for these.
TEST_F(PlayerStreamTest, AChannelJoinedLongBeforeItsNextKeyFramePlaysFromIt)
{
    const std::string sparse = FileBytes("keys-3s.ts");
    const size_t nPerSecond = sparse.size() / SPARSE_STREAM_SECONDS;
    // Key frames at 0, 3 and 6 s: joined at 4.
    m_server.ServeStream("/late", sparse.substr(PacketAt(4 * nPerSecond)), nPerSecond);
    const DWORD nPutAt = ::GetTickCount();
    Player().SetUrl(Address("/late").c_str());
    EXPECT_EQ(WaitForState(PLAYSTATE_PLAYING), (Events{"state 3", "state 2"}));
    EXPECT_GT(::GetTickCount() - nPutAt, 1500u);
    ASSERT_NE(Picture(Video()), nullptr);
    EXPECT_TRUE(Moves(Picture(Video()), 2000));
}

// Each picture keeps its display aspect, in pixels as wide as it makes them: a circle drawn for
// it is round on the screen, centred between black bars on the sides the picture does not fill.
TEST_F(PlayerStreamTest, APictureKeepsItsDisplayAspectBetweenBlackBarsAndACircleInItStaysRound)
{
    const struct { const char* file; LONG x, y; } channels[] = {{"circle-16x9.ts", 16, 9}, {"circle-4x3.ts", 4, 3},
                                                                       {"circle-h264-16x9.ts", 16, 9}};
    for (const auto& channel : channels) {
        SCOPED_TRACE(channel.file);
        const std::string bytes = FileBytes(channel.file);
        m_server.ServeStream("/circle", bytes, bytes.size() / LIGHT_STREAM_SECONDS);
        Player().SetUrl(Address("/circle").c_str());
        ASSERT_EQ(WaitForState(PLAYSTATE_PLAYING), (Events{"state 3", "state 2"}));
        CRect video, picture;
        ::GetClientRect(Video(), &video);
        ::MapWindowPoints(Video(), nullptr, reinterpret_cast<POINT*>(&video), 2);
        const RECT fitted = FitPicture(video, channel.x, channel.y);
        ASSERT_NE(Picture(Video()), nullptr);
        ::GetWindowRect(Picture(Video()), &picture);
        EXPECT_EQ(picture, fitted);
        // The circle's extent on the screen, once the frame is drawn: bright in the middle, dark in
        // the picture's corner.
        const auto bright = [](COLORREF colour) { return GetGValue(colour) > 128; };
        const auto at = [&](const std::vector<COLORREF>& shot, LONG x, LONG y) {
            return shot[static_cast<size_t>((y - video.top) * video.Width() + x - video.left)];
        };
        std::vector<COLORREF> pixels;
        EXPECT_TRUE(PumpUntil([&] {
            pixels = ScreenPixels(video);
            return bright(at(pixels, (fitted.left + fitted.right) / 2, (fitted.top + fitted.bottom) / 2)) &&
                   !bright(at(pixels, fitted.left + 2, fitted.top + 2));
        }));
        LONG left = video.Width(), right = -1, top = video.Height(), bottom = -1;
        bool barsBlack = true;
        for (LONG y = 0; y < video.Height(); ++y) {
            for (LONG x = 0; x < video.Width(); ++x) {
                const COLORREF colour = pixels[static_cast<size_t>(y * video.Width() + x)];
                const POINT at = {video.left + x, video.top + y};
                if (!::PtInRect(&fitted, at))
                    barsBlack = barsBlack && colour == RGB(0, 0, 0);
                if (bright(colour)) {
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
            }
        }
        EXPECT_TRUE(barsBlack);
        // Half the picture's height across; stretched to the area, it would be 14 % off round.
        EXPECT_NEAR(static_cast<double>(right - left + 1) / (bottom - top + 1), 1.0, 0.04);
        EXPECT_NEAR(bottom - top + 1, (fitted.bottom - fitted.top) / 2, 4);
        Player().Stop();
        m_dlg.m_events.clear();
    }
}

// The hosting window answers at once while channels start, while a graph is built for seconds over
// a trickle, when it is left in the middle of that, and when a start fails: the graphs are built
// on the player's own thread. Built on the hosting thread, the trickle's build held it for seconds.
TEST_F(PlayerStreamTest, TheHostingWindowAnswersWhileChannelsStartSwitchAndFail)
{
    ServeFailedStarts();
    m_server.ServeStream("/live/1", m_stream, kBytesPerSecond);
    std::atomic<bool> bDone{false}, bFinished{false};
    std::atomic<DWORD> nLongestMs{0};
    HWND hHost = m_dlg.m_hWnd;
    std::thread prober([&] {
        while (!bDone) {
            const DWORD nAskedAt = ::GetTickCount();
            DWORD_PTR result;
            ::SendMessageTimeoutA(hHost, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result);
            nLongestMs = std::max<DWORD>(nLongestMs, ::GetTickCount() - nAskedAt);
            ::Sleep(5);
        }
        bFinished = true;
    });
    const auto startedBuilding = [&](const char* path) {
        return PumpUntil([&] { return Count(m_server.Requests(), path) == 1; }) &&
               !PumpUntil([&] { return Player().GetPlayState() != PLAYSTATE_CONNECTING; }, 2000);
    };
    Player().SetUrl(Address("/graph-trickles").c_str());
    EXPECT_TRUE(startedBuilding("/graph-trickles"));
    Player().SetUrl(Address("/live/1").c_str());
    EXPECT_EQ(WaitForState(PLAYSTATE_PLAYING), (Events{"state 3", "state 2"}));
    Player().SetUrl(Address("/graph-stalls").c_str());
    EXPECT_TRUE(startedBuilding("/graph-stalls"));
    EXPECT_EQ(WaitForState(PLAYSTATE_STOPPED, kStartLimitMs + 2000), (Events{"state 3", "state 0"}));
    // Its last question is answered too.
    bDone = true;
    PumpUntil([&] { return bFinished.load(); });
    prober.join();
    EXPECT_LT(nLongestMs.load(), 1000u);
}

// Channels of a broadcaster's kind, each sent as a plain file server sends a file, as fast as the
// connection goes, and paced as a live channel comes, from a host found by its name.
TEST_F(PlayerStreamTest, ChannelsOfABroadcastersKindPlaySentAtOnceAndLive)
{
    for (const char* name : kBroadcastStreams) {
        const std::string bytes = FileBytes(name);
        ASSERT_FALSE(bytes.empty()) << name;
        const struct { const char* delivery; size_t nBytesPerSecond; const char* host; } deliveries[] = {
            {"at once", 0, "127.0.0.1"},
            {"live", bytes.size() / BROADCAST_STREAM_SECONDS, "localhost"},
        };
        for (const auto& delivery : deliveries) {
            SCOPED_TRACE(std::string(name) + ", " + delivery.delivery);
            m_server.ServeStream("/broadcast", bytes, delivery.nBytesPerSecond);
            Player().SetUrl(Address("/broadcast", delivery.host).c_str());
            ASSERT_EQ(WaitForState(PLAYSTATE_PLAYING, kStartLimitMs + 5000), (Events{"state 3", "state 2"}));
            HWND hPicture = Picture(Video());
            ASSERT_NE(hPicture, nullptr);
            EXPECT_TRUE(Moves(hPicture, 3000));
            Player().Stop();
            EXPECT_EQ(std::exchange(m_dlg.m_events, {}), Events{"state 0"});
        }
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

// The form as hosts keep it, byte for byte: taken only when it is the control's own, of its version,
// with a border style and a colour the control knows; the volume is clamped as the property is.
TEST(PersistedForm, AFormIsTakenOnlyWhenEveryFieldIsTheControlsOwn)
{
    const BYTE head[] = {'K', 'P', 'L', 'S', 1, 0, 1, 0, 0x99, 0x66, 0x33, 0, 90, 0, 0, 0};
    PersistedForm::Bytes good{};
    std::copy(std::begin(head), std::end(head), good.begin());
    EXPECT_EQ(PersistedForm::Format({PlayerSettings::BorderSingle, 0x00336699, 90}), good);
    EXPECT_EQ(PersistedForm::Format({PlayerSettings::BorderSingle, 0x00336699, 150})[12], 100);
    // The good form with bytes replaced from an offset on.
    const auto with = [&](size_t at, std::initializer_list<BYTE> bytes) {
        PersistedForm::Bytes form = good;
        std::copy(bytes.begin(), bytes.end(), form.begin() + at);
        return form;
    };
    const PlayerSettings before{PlayerSettings::BorderNone, 0x00112233, 7};
    const struct { const char* what; PersistedForm::Bytes form; HRESULT hr; PlayerSettings taken; } forms[] = {
        {"the control's own", good, S_OK, {PlayerSettings::BorderSingle, 0x00336699, 90}},
        {"the magic backwards", with(0, {'S', 'L', 'P', 'K'}), E_FAIL, before},
        {"another version", with(4, {2}), E_FAIL, before},
        {"no border", with(6, {0}), S_OK, {PlayerSettings::BorderNone, 0x00336699, 90}},
        {"an unknown border", with(6, {2}), E_FAIL, before},
        {"a system colour", with(8, {COLOR_HIGHLIGHT, 0, 0, 0x80}), S_OK, {1, 0x80000000 | COLOR_HIGHLIGHT, 90}},
        {"a system colour there is none of", with(8, {0xFF, 0, 0, 0x80}), E_FAIL, before},
        {"a colour of no kind", with(8, {0, 0, 0, 0x7F}), E_FAIL, before},
        {"the loudest", with(12, {100}), S_OK, {1, 0x00336699, 100}},
        {"silence", with(12, {0}), S_OK, {1, 0x00336699, 0}},
        {"louder than the loudest", with(12, {101}), S_OK, {1, 0x00336699, 100}},
        {"below silence", with(12, {0xFF, 0xFF, 0xFF, 0xFF}), S_OK, {1, 0x00336699, 0}},
    };
    for (const auto& f : forms) {
        SCOPED_TRACE(f.what);
        PlayerSettings settings = before;
        EXPECT_EQ(PersistedForm::Parse(f.form, settings), f.hr);
        EXPECT_EQ(settings.borderStyle, f.taken.borderStyle);
        EXPECT_EQ(settings.backColor, f.taken.backColor);
        EXPECT_EQ(settings.volume, f.taken.volume);
    }
}

TEST(PlayAddress, StreamsOnAServerFilesAndAddressesThatPlayNothing)
{
    const auto parsed = [](const std::wstring& address) -> std::string {
        const PlayAddress parsed = ParsePlayAddress(address);
        if (parsed.kind == PlayAddress::Network)
            return parsed.host + " " + std::to_string(parsed.port) + " " + parsed.path +
                   (parsed.swarm ? " swarm " + std::to_string(parsed.fingerprint[0]) + "-" +
                                       std::to_string(parsed.fingerprint[31]) : "");
        return parsed.kind == PlayAddress::Unplayable ? "nothing" : parsed.file == address ? "file" : "another file";
    };
    const std::pair<std::wstring, std::string> addresses[] = {
        {L"p2p://127.0.0.1:8902/cctv5", "127.0.0.1 8902 /cctv5"}, {L"p2p://tv.example/live/1?q=2", "tv.example 80 /live/1?q=2"},
        {L"http://Host:1/a", "Host 1 /a"}, {L"HTTP://h:65535", "h 65535 /"}, {L"P2p://h", "h 80 /"},
        {L"p2p://h:0/a", "nothing"}, {L"p2p://h:65536/a", "nothing"}, {L"p2p://h:4294967376/a", "nothing"},
        {L"p2p://h:8o/a", "nothing"}, {L"p2p://h:/a", "nothing"}, {L"p2p://h:-1/a", "nothing"},
        {L"p2p://:80/a", "nothing"}, {L"p2p:///a", "nothing"}, {L"http://", "nothing"},
        {L"p2p://电视/a", "nothing"}, {L"p2p://h/a b", "nothing"},
        {L"p2p://h/live/1?key=" + std::wstring(62, L'0') + L"Af", "h 80 /live/1 swarm 0-175"},
        {L"p2p://h/a?q=1&key=ff" + std::wstring(62, L'0') + L"&r=2", "h 80 /a?q=1&r=2 swarm 255-0"},
        {L"http://h/a?key=" + std::wstring(64, L'0'), "h 80 /a?key=" + std::string(64, '0')},
        {L"p2p://h/a?key=" + std::wstring(63, L'0'), "nothing"}, {L"p2p://h/a?key=" + std::wstring(65, L'0'), "nothing"},
        {L"p2p://h/a?key=" + std::wstring(63, L'0') + L"g", "nothing"}, {L"p2p://h/a?key=", "nothing"},
        {L"p2p://h/a?key=" + std::wstring(64, L'0') + L"&key=" + std::wstring(64, L'0'), "nothing"},
        {L"rtsp://h/a", "nothing"}, {L"mms://h:80/a", "nothing"}, {L"file://C:/a.ts", "nothing"},
        {L"C:\\Kalda\\clip.mpg", "file"}, {L"\\\\server\\share\\clip.ts", "file"}, {L"clips\\a.ts", "file"},
        {L"p2p:/h/a", "file"}, {L"", "nothing"}, {L" \t", "nothing"},
    };
    for (const auto& [address, expected] : addresses)
        EXPECT_EQ(parsed(address), expected) << ::testing::PrintToString(address);
}

TEST(PlayerContainment, ControlWithoutAServerFailsTheDialog)
{
    AfxEnableControlContainer();
    CDialog dlg(IDD_HOST_BROKEN);
    EXPECT_FALSE(dlg.Create(IDD_HOST_BROKEN));
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(::FindWindowA(nullptr, "Broken host"), nullptr);
}

// ---- The stream buffer between the download and the parser ----

// The byte at a position of a stream: neighbours differ, and no period is a power of two.
BYTE StreamByte(LONGLONG position)
{
    return static_cast<BYTE>(position % 251);
}

bool AppendStream(CStreamBuffer& buffer, LONGLONG from, LONGLONG to)
{
    std::vector<BYTE> bytes;
    for (LONGLONG position = from; position < to; ++position)
        bytes.push_back(StreamByte(position));
    return buffer.Append(bytes.data(), bytes.size());
}

const LONG kReadSize = 4096;
// What a read gave: its result, its count, and what it wrote.
using Read = std::tuple<HRESULT, LONG, std::string>;
const char kStreamThenZeros[] = "the stream's bytes, then zeros", kZeros[] = "zeros", kOther[] = "other bytes";
const Read kItsBytes{S_OK, kReadSize, kStreamThenZeros}, kZerosAtOnce{S_OK, kReadSize, kZeros}, kGivenUp{E_FAIL, 0, kOther};

Read ReadBack(CStreamBuffer& buffer, LONGLONG position, LONG size)
{
    std::vector<BYTE> out(size, 0xCC);
    LONG read = 0;
    const HRESULT hr = buffer.Read(position, size, out.data(), &read);
    bool zeros = true, stream = read >= 0 && read <= size;
    for (LONG i = 0; i < size; ++i) {
        zeros = zeros && out[i] == 0;
        stream = stream && out[i] == (i < read ? StreamByte(position + i) : 0);
    }
    return {hr, read, zeros ? kZeros : stream ? kStreamThenZeros : kOther};
}

// Appends the stream up to the position and reads it all, as a parser takes a stream in.
void TakeIn(CStreamBuffer& buffer, LONGLONG to)
{
    LONGLONG available = 0, total = 0;
    buffer.GetLength(&total, &available);
    for (LONGLONG from = available; from < to; from += CStreamBuffer::kAheadLimit) {
        const LONGLONG next = std::min(to, from + CStreamBuffer::kAheadLimit);
        ASSERT_TRUE(AppendStream(buffer, from, next));
        ASSERT_EQ(ReadBack(buffer, from, static_cast<LONG>(next - from)),
                  (Read{S_OK, static_cast<LONG>(next - from), kStreamThenZeros}));
    }
}

const DWORD kFarDeadline = 24 * 60 * 60 * 1000;
const HRESULT kPastTheEnd = HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);

// The download stops a whole ahead limit beyond the furthest read: a read that ends there gets its
// bytes, one beyond it gets zeros at once, for those bytes would never come.
TEST(StreamBuffer, AReadEndingAsFarAsTheDownloadGoesGetsItsBytesAndOneBeyondGetsZerosAtOnce)
{
    const LONGLONG furthest = 1 << 20, reach = furthest + CStreamBuffer::kAheadLimit;
    const struct { const char* what; LONGLONG end; Read read; } reads[] = {
        {"one below the reach", reach - 1, kItsBytes},
        {"at the reach", reach, kItsBytes},
        {"one beyond the reach", reach + 1, kZerosAtOnce},
        {"at the stream's far end", CStreamBuffer::kLiveLength, kZerosAtOnce},
    };
    for (const auto& read : reads) {
        SCOPED_TRACE(read.what);
        CStreamBuffer buffer(::GetTickCount() + kFarDeadline);
        TakeIn(buffer, furthest);
        // Exactly the room there is: the download does not wait.
        ASSERT_TRUE(AppendStream(buffer, furthest, reach));
        EXPECT_EQ(ReadBack(buffer, read.end - kReadSize, kReadSize), read.read);
    }

    // The download fills up to the reach exactly, waits there, and goes on once a read moves the reach.
    CStreamBuffer buffer(::GetTickCount() + kFarDeadline);
    std::thread download([&] { AppendStream(buffer, 0, CStreamBuffer::kAheadLimit + kReadSize); });
    LONGLONG total = 0, available = 0;
    EXPECT_TRUE(PumpUntil([&] {
        buffer.GetLength(&total, &available);
        return available == CStreamBuffer::kAheadLimit;
    }));
    EXPECT_EQ(ReadBack(buffer, 0, kReadSize), kItsBytes);
    download.join();
    buffer.GetLength(&total, &available);
    EXPECT_EQ(available, CStreamBuffer::kAheadLimit + kReadSize);
    EXPECT_EQ(total, CStreamBuffer::kLiveLength);
}

// While a stream starts, the parser reads on until its graph is cued and then goes back to the
// programmes' start; once it plays, it steps back a little at most.
TEST(StreamBuffer, BytesBehindTheLatestReadAreKeptToTheStartsLimitThenToThePlayingLimit)
{
    const struct { const char* what; bool started; LONGLONG behind; Read read; } reads[] = {
        {"starting, one within the limit", false, CStreamBuffer::kStartBehindLimit - 1, kItsBytes},
        {"starting, at the limit", false, CStreamBuffer::kStartBehindLimit, kItsBytes},
        {"starting, one beyond the limit", false, CStreamBuffer::kStartBehindLimit + 1, kGivenUp},
        {"playing, one within the limit", true, CStreamBuffer::kBehindLimit - 1, kItsBytes},
        {"playing, at the limit", true, CStreamBuffer::kBehindLimit, kItsBytes},
        {"playing, one beyond the limit", true, CStreamBuffer::kBehindLimit + 1, kGivenUp},
    };
    for (const auto& read : reads) {
        SCOPED_TRACE(read.what);
        CStreamBuffer buffer(::GetTickCount() + kFarDeadline);
        if (read.started)
            buffer.Started();
        const LONGLONG latest = read.behind + (2 << 20);
        TakeIn(buffer, latest);
        EXPECT_EQ(ReadBack(buffer, latest - read.behind, kReadSize), read.read);
    }

    // A parser that went back to the start keeps what lies after the point it reads from when it plays.
    CStreamBuffer buffer(::GetTickCount() + kFarDeadline);
    const LONGLONG probed = 3 << 20;
    TakeIn(buffer, probed);
    EXPECT_EQ(ReadBack(buffer, 0, kReadSize), kItsBytes);
    buffer.Started();
    for (LONGLONG position = kReadSize; position < probed; position += kReadSize)
        ASSERT_EQ(ReadBack(buffer, position, kReadSize), kItsBytes) << position;
    EXPECT_EQ(ReadBack(buffer, 0, kReadSize), kGivenUp);
}

TEST(StreamBuffer, AReadPastTheEndOfAStreamThatEndedComesBackEmptyAndLeavesTheStreamAsItWas)
{
    const LONGLONG end = 64 << 10;
    CStreamBuffer buffer(::GetTickCount() + kFarDeadline);
    ASSERT_TRUE(AppendStream(buffer, 0, end));
    buffer.Finish();
    const struct { const char* what; LONGLONG position; Read read; } reads[] = {
        {"ending at the end", end - kReadSize, kItsBytes},
        {"ending one past the end", end - kReadSize + 1, {S_FALSE, kReadSize - 1, kStreamThenZeros}},
        {"starting one before the end", end - 1, {S_FALSE, 1, kStreamThenZeros}},
        {"starting at the end", end, {kPastTheEnd, 0, kZeros}},
        {"starting one past the end", end + 1, {kPastTheEnd, 0, kZeros}},
        {"starting far past the end, within the reach", end + 2 * CStreamBuffer::kBehindLimit,
         {kPastTheEnd, 0, kZeros}},
        {"again from the start", 0, kItsBytes},
    };
    for (const auto& read : reads)
        EXPECT_EQ(ReadBack(buffer, read.position, kReadSize), read.read) << read.what;
}

// A server that trickles must not hold the graph being built beyond the start's deadline; once the
// stream plays, a read waits for its bytes.
TEST(StreamBuffer, AReadWaitsForItsBytesNoLongerThanTheStartDeadlineUntilTheStreamPlays)
{
    CStreamBuffer buffer(::GetTickCount() - 1);
    ASSERT_TRUE(AppendStream(buffer, 0, kReadSize));
    EXPECT_EQ(ReadBack(buffer, 0, kReadSize), kItsBytes);
    const DWORD asked = ::GetTickCount();
    EXPECT_EQ(ReadBack(buffer, kReadSize, kReadSize), (Read{VFW_E_TIMEOUT, 0, kOther}));
    // Past the deadline, not after a stall's wait.
    EXPECT_LT(::GetTickCount() - asked, CStreamBuffer::kStallMs / 4);

    buffer.Started();
    Read waited{};
    std::thread parser([&] { waited = ReadBack(buffer, kReadSize, kReadSize); });
    ASSERT_TRUE(AppendStream(buffer, kReadSize, 2 * kReadSize));
    parser.join();
    EXPECT_EQ(waited, kItsBytes);

    // Closing wakes a read that waits, and refuses the download.
    parser = std::thread([&] { waited = ReadBack(buffer, 2 * kReadSize, kReadSize); });
    buffer.Close();
    parser.join();
    EXPECT_EQ(waited, (Read{VFW_E_WRONG_STATE, 0, kOther}));
    EXPECT_FALSE(AppendStream(buffer, 2 * kReadSize, 3 * kReadSize));
}

// ---- Host lookups ----

// The system's lookup cannot be cancelled: a channel switch leaves it to end alone.
TEST(HostLookup, ALookupGivenUpEndsAloneAndFreesWhatItHeld)
{
    HANDLE hAnswer = ::CreateEventA(nullptr, TRUE, FALSE, nullptr), hFreed = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    struct Token {
        explicit Token(HANDLE hEvent) : hFreed(hEvent) {}
        ~Token() { ::SetEvent(hFreed); }
        HANDLE hFreed;
    };
    auto token = std::make_shared<Token>(hFreed);
    {
        // Answers once the test lets it, or after a while if the test is held up meanwhile.
        CHostLookup lookup("slow.example", [token, hAnswer](const std::string&, ULONG* address) {
            ::WaitForSingleObject(hAnswer, 10000);
            *address = htonl(INADDR_LOOPBACK);
            return true;
        });
        token.reset();
        EXPECT_EQ(::WaitForSingleObject(lookup.Ended(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
        ULONG address = 0;
        EXPECT_FALSE(lookup.Found(&address));
    }
    // Given up without waiting: the lookup still runs, holding its function.
    EXPECT_EQ(::WaitForSingleObject(hFreed, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ::SetEvent(hAnswer);
    EXPECT_EQ(::WaitForSingleObject(hFreed, 10000), WAIT_OBJECT_0);
    ::CloseHandle(hAnswer);
    ::CloseHandle(hFreed);
}

}  // namespace
