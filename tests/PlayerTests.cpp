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
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
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
#include "player/PlaybackEngine.h"
#include "product/PlayerContract.h"
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

std::string ChannelAddress(const char* host, unsigned short nPort)
{
    return "p2p://" + std::string(host) + ":" + std::to_string(nPort) + "/channel";
}

sockaddr_in LoopbackAddress(unsigned short nPort)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(nPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A socket listening on a free port of the loopback, with a queue of the length.
SOCKET Listen(int nQueue, unsigned short* pPort)
{
    SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = LoopbackAddress(0);
    int size = sizeof(address);
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), size);
    ::listen(listener, nQueue);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    *pPort = ntohs(address.sin_port);
    return listener;
}

// A channel server that answers every connection with one script, for each phase of a start: a
// head at once, then a body paced at a rate or sent as fast as the connection goes, then the end of
// the connection or silence until the client goes. It counts the clients that went before the end.
class CScriptedServer {
public:
    CScriptedServer(std::string head, std::string body, size_t nBytesPerSecond, bool bSilentAfter)
        : m_head(std::move(head)), m_body(std::move(body)), m_nBytesPerSecond(nBytesPerSecond),
          m_bSilentAfter(bSilentAfter)
    {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        m_listener = Listen(SOMAXCONN, &m_nPort);
        m_acceptor = std::thread([this] {
            for (SOCKET client; (client = ::accept(m_listener, nullptr, nullptr)) != INVALID_SOCKET;) {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_clients.push_back(client);
                m_connections.emplace_back([this, client] { Answer(client); });
            }
        });
    }

    ~CScriptedServer()
    {
        m_bClosing = true;
        ::closesocket(m_listener);
        m_acceptor.join();
        for (SOCKET client : m_clients)
            ::shutdown(client, SD_BOTH);
        for (std::thread& connection : m_connections)
            connection.join();
        for (SOCKET client : m_clients)
            ::closesocket(client);
        ::WSACleanup();
    }

    std::string Address(const char* host = "127.0.0.1") const { return ChannelAddress(host, m_nPort); }
    int Requests() const { return m_nRequests; }
    int Abandoned() const { return m_nAbandoned; }

private:
    void Answer(SOCKET client)
    {
        std::string request;
        char buffer[1024];
        for (int n; request.find("\r\n\r\n") == std::string::npos && (n = ::recv(client, buffer, sizeof(buffer), 0)) > 0;)
            request.append(buffer, static_cast<size_t>(n));
        ++m_nRequests;
        if (!Send(client, m_head) || !SendBody(client) || (m_bSilentAfter && !StaySilent(client)))
            ++m_nAbandoned;
    }

    bool SendBody(SOCKET client) const
    {
        const DWORD start = ::GetTickCount();
        for (size_t nSent = 0; nSent < m_body.size() && !m_bClosing; ::Sleep(kSliceMs)) {
            // Paced by the clock, not by the slices; in 64 bits, for any rate.
            const size_t nDue = m_nBytesPerSecond == 0
                                    ? m_body.size()
                                    : static_cast<size_t>(std::min<ULONGLONG>(
                                          m_body.size(), ULONGLONG(::GetTickCount() - start) * m_nBytesPerSecond / 1000));
            if (!Send(client, m_body.substr(nSent, nDue - nSent)))
                return false;
            nSent = nDue;
        }
        return true;
    }

    // False once the client has gone.
    static bool Send(SOCKET client, const std::string& bytes)
    {
        return bytes.empty() || ::send(client, bytes.data(), static_cast<int>(bytes.size()), 0) == static_cast<int>(bytes.size());
    }

    // Until the client goes (false) or the server does (true).
    bool StaySilent(SOCKET client) const
    {
        for (char byte; !m_bClosing; ) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(client, &readable);
            timeval wait = {0, kSliceMs * 1000};
            if (::select(0, &readable, nullptr, nullptr, &wait) > 0 && ::recv(client, &byte, 1, 0) <= 0)
                return false;
        }
        return true;
    }

    static constexpr DWORD kSliceMs = 20;
    const std::string m_head, m_body;
    const size_t m_nBytesPerSecond;
    const bool m_bSilentAfter;
    SOCKET m_listener = INVALID_SOCKET;
    unsigned short m_nPort = 0;
    std::atomic<bool> m_bClosing{false};
    std::atomic<int> m_nRequests{0}, m_nAbandoned{0};
    std::thread m_acceptor;
    std::mutex m_mutex;
    std::vector<SOCKET> m_clients;
    std::vector<std::thread> m_connections;
};

const char kStreamHead[] = "HTTP/1.0 200 OK\r\nContent-Type: video/mp2t\r\n\r\n";
const char* const kBroadcastStreams[] = {BROADCAST_STREAMS};
const DWORD kStartLimitMs = CPlaybackEngine::kStartLimitMs;

std::string FileBytes(const char* path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
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
        WriteSolidBitmap("idle.bmp", kIdleColour);
        char path[MAX_PATH];
        ::GetFullPathNameA("idle.bmp", sizeof(path), path, nullptr);
        m_idlePicture = path;
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
    bool ShowsIdlePicture() { return ShowsIdlePicture(m_dlg); }
    bool ShowsIdlePicture(const CHostDlg& dlg)
    {
        const std::vector<COLORREF> pixels = Pixels(VideoOf(dlg));
        return Picture(VideoOf(dlg)) == nullptr &&
               std::count(pixels.begin(), pixels.end(), kIdleColour) == static_cast<ptrdiff_t>(pixels.size());
    }
    // Another host beside the test's own, the nth in a row of them that do not cover one another.
    std::unique_ptr<CHostDlg> AnotherHost(int n)
    {
        auto dlg = std::make_unique<CHostDlg>();
        if (!dlg->Create(IDD_HOST))
            return nullptr;
        CRect rect;
        dlg->GetWindowRect(&rect);
        const int nColumns = ::GetSystemMetrics(SM_CXSCREEN) / rect.Width();
        ::SetWindowPos(dlg->m_hWnd, nullptr, n % nColumns * rect.Width(), n / nColumns * rect.Height(), 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER);
        dlg->m_player.SetIdlePicture(m_idlePicture.c_str());
        return dlg;
    }

    static constexpr COLORREF kIdleColour = RGB(240, 120, 16);
    CLocalHttpServer m_server;
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

// A server for each way a start can trickle or stall, in the order a start meets them.
class CStartPhases {
public:
    struct Phase {
        const char* what;
        std::string address;
        const CScriptedServer* server;  // none for the connection never taken
        bool bBuildsGraph;              // enough has come: the graph is built, on the control's thread
    };

    // The channel trickles too slowly to start its graph; the broadcaster's channel, whose parser
    // needs far more than the start size to know its programmes, stalls while its graph is built.
    CStartPhases(const std::string& channel, const std::string& broadcast)
        : m_silent("", "", 0, true), m_statusLine("", "HTTP/1.0 200 OK\r\n" + Padding(), 20, true),
          m_headers("HTTP/1.0 200 OK\r\n", Padding(), 20, true), m_slowStream(kStreamHead, channel, 2048, true),
          m_tricklingGraph(kStreamHead + broadcast.substr(0, kReady), broadcast.substr(kReady), 2048, true),
          m_silentGraph(kStreamHead + broadcast.substr(0, kReady), "", 0, true),
          m_phases{
              {"a connection the server never takes", ChannelAddress("127.0.0.1", m_stalledPort.Port()), nullptr, false},
              {"a server that sends nothing", m_silent.Address(), &m_silent, false},
              {"the status line a byte at a time", m_statusLine.Address(), &m_statusLine, false},
              {"the headers a byte at a time", m_headers.Address(), &m_headers, false},
              {"the stream too slowly to build its graph", m_slowStream.Address(), &m_slowStream, false},
              {"the stream trickling while its graph is built", m_tricklingGraph.Address(), &m_tricklingGraph, true},
              {"the stream stalling while its graph is built", m_silentGraph.Address(), &m_silentGraph, true},
          }
    {
    }

    const std::vector<Phase>& Phases() const { return m_phases; }

private:
    static constexpr size_t kReady = CHttpDownload::kReadyBytes;
    static std::string Padding() { return "X-Padding: " + std::string(4096, 'a'); }

    CStalledPort m_stalledPort;
    CScriptedServer m_silent, m_statusLine, m_headers, m_slowStream, m_tricklingGraph, m_silentGraph;
    std::vector<Phase> m_phases;
};

// From the put of its address, a channel plays or stops within the start limit, whatever its server
// sends or withholds: every phase at once, each in a player of its own.
TEST_F(PlayerStreamTest, EveryPhaseOfAStartThatTricklesOrStallsEndsStoppedWithinTheStartLimit)
{
    const std::string broadcast = FileBytes(kBroadcastStreams[0]);
    ASSERT_GT(broadcast.size(), CHttpDownload::kReadyBytes);
    const CStartPhases start(m_stream, broadcast);
    struct Put {
        std::unique_ptr<CHostDlg> host;
        DWORD nAt;
    };
    std::vector<Put> puts;
    for (const CStartPhases::Phase& phase : start.Phases()) {
        puts.push_back({AnotherHost(static_cast<int>(puts.size())), ::GetTickCount()});
        ASSERT_NE(puts.back().host, nullptr);
        puts.back().host->m_player.SetUrl(phase.address.c_str());
    }
    const Events stopped = {"state 3", "state 0"};
    const auto allStopped = [&] {
        return std::all_of(puts.begin(), puts.end(), [&](const Put& put) { return put.host->m_events == stopped; });
    };
    PumpUntil(allStopped, kStartLimitMs + 5000);
    for (size_t i = 0; i < puts.size(); ++i) {
        const CStartPhases::Phase& phase = start.Phases()[i];
        CHostDlg& host = *puts[i].host;
        SCOPED_TRACE(phase.what);
        EXPECT_EQ(host.m_events, stopped);
        // The stop follows the limit at once: its teardown waits for nothing the server holds back.
        EXPECT_LE(host.m_nChangedAt - puts[i].nAt, kStartLimitMs + 1000);
        EXPECT_TRUE(ShowsIdlePicture(host));
        if (phase.server) {
            EXPECT_TRUE(PumpUntil([&] { return phase.server->Abandoned() == 1; }, 3000));
        }
        host.DestroyWindow();
    }
}

// A new address, or a stop, leaves the old channel at once, whatever phase its start is in. While a
// graph is built, the control's thread waits for it; that wait the start limit bounds.
TEST_F(PlayerStreamTest, ASwitchLeavesAChannelAtOnceInEveryPhaseOfItsStart)
{
    const CStartPhases start(m_stream, FileBytes(kBroadcastStreams[0]));
    const struct { const char* how; std::function<void()> leave; Events events; } switches[] = {
        {"a new address", [&] { Player().SetUrl(kAddress); }, {}},
        {"a stop", [&] { Player().Stop(); }, {"state 0"}},
    };
    for (int nVisit = 1; nVisit <= 2; ++nVisit) {
        const auto& how = switches[nVisit - 1];
        for (const CStartPhases::Phase& phase : start.Phases()) {
            if (phase.bBuildsGraph)
                continue;
            SCOPED_TRACE(std::string(phase.what) + ", left by " + how.how);
            Player().SetUrl(phase.address.c_str());
            EXPECT_EQ(std::exchange(m_dlg.m_events, {}), Events{"state 3"});
            if (phase.server) {
                EXPECT_TRUE(PumpUntil([&] { return phase.server->Requests() == nVisit; }));
            }
            const DWORD start = ::GetTickCount();
            how.leave();
            // Far less than any of the old channel's own limits.
            EXPECT_LT(::GetTickCount() - start, CStreamBuffer::kStallMs / 4);
            EXPECT_EQ(m_dlg.m_events, how.events);
            if (phase.server) {
                EXPECT_TRUE(PumpUntil([&] { return phase.server->Abandoned() == nVisit; }, 3000));
            }
            // The refused address stops too, before the next phase.
            EXPECT_EQ(WaitForState(PLAYSTATE_STOPPED), Events{"state 0"});
        }
    }
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
            CScriptedServer server(kStreamHead, bytes, delivery.nBytesPerSecond, false);
            Player().SetUrl(server.Address(delivery.host).c_str());
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

// What a read gave: its result, its count, and what it wrote.
struct Read {
    enum Gave { StreamThenZeros, OnlyZeros, Other };

    HRESULT hr;
    LONG read;
    Gave gave;

    bool operator==(const Read& other) const { return hr == other.hr && read == other.read && gave == other.gave; }
};

std::ostream& operator<<(std::ostream& out, const Read& read)
{
    const char* gave[] = {"the stream's bytes, then zeros", "zeros", "other bytes"};
    return out << "0x" << std::hex << read.hr << std::dec << ", " << read.read << " read, " << gave[read.gave];
}

Read ReadBack(CStreamBuffer& buffer, LONGLONG position, LONG size)
{
    std::vector<BYTE> out(size, 0xCC);
    Read result{S_OK, 0, Read::Other};
    result.hr = buffer.Read(position, size, out.data(), &result.read);
    bool zeros = true, stream = result.read >= 0 && result.read <= size;
    for (LONG i = 0; i < size; ++i) {
        zeros = zeros && out[i] == 0;
        stream = stream && out[i] == (i < result.read ? StreamByte(position + i) : 0);
    }
    result.gave = zeros ? Read::OnlyZeros : stream ? Read::StreamThenZeros : Read::Other;
    return result;
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
                  (Read{S_OK, static_cast<LONG>(next - from), Read::StreamThenZeros}));
    }
}

const DWORD kFarDeadline = 24 * 60 * 60 * 1000;
const LONG kReadSize = 4096;
const HRESULT kPastTheEnd = HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);

// The download stops a whole ahead limit beyond the furthest read: a read that ends there gets its
// bytes, one beyond it gets zeros at once, for those bytes would never come.
TEST(StreamBuffer, AReadEndingAsFarAsTheDownloadGoesGetsItsBytesAndOneBeyondGetsZerosAtOnce)
{
    const LONGLONG furthest = 1 << 20, reach = furthest + CStreamBuffer::kAheadLimit;
    const struct { const char* what; LONGLONG end; Read read; } reads[] = {
        {"one below the reach", reach - 1, {S_OK, kReadSize, Read::StreamThenZeros}},
        {"at the reach", reach, {S_OK, kReadSize, Read::StreamThenZeros}},
        {"one beyond the reach", reach + 1, {S_OK, kReadSize, Read::OnlyZeros}},
        {"at the stream's far end", CStreamBuffer::kLiveLength, {S_OK, kReadSize, Read::OnlyZeros}},
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
    EXPECT_EQ(ReadBack(buffer, 0, kReadSize), (Read{S_OK, kReadSize, Read::StreamThenZeros}));
    download.join();
    buffer.GetLength(&total, &available);
    EXPECT_EQ(available, CStreamBuffer::kAheadLimit + kReadSize);
    EXPECT_EQ(total, CStreamBuffer::kLiveLength);
}

// While a stream starts, the parser reads on until its graph is cued and then goes back to the
// programmes' start; once it plays, it steps back a little at most.
TEST(StreamBuffer, BytesBehindTheLatestReadAreKeptToTheStartsLimitThenToThePlayingLimit)
{
    const struct { const char* what; bool started; LONGLONG behind; HRESULT hr; } reads[] = {
        {"starting, one within the limit", false, CStreamBuffer::kStartBehindLimit - 1, S_OK},
        {"starting, at the limit", false, CStreamBuffer::kStartBehindLimit, S_OK},
        {"starting, one beyond the limit", false, CStreamBuffer::kStartBehindLimit + 1, E_FAIL},
        {"playing, one within the limit", true, CStreamBuffer::kBehindLimit - 1, S_OK},
        {"playing, at the limit", true, CStreamBuffer::kBehindLimit, S_OK},
        {"playing, one beyond the limit", true, CStreamBuffer::kBehindLimit + 1, E_FAIL},
    };
    for (const auto& read : reads) {
        SCOPED_TRACE(read.what);
        CStreamBuffer buffer(::GetTickCount() + kFarDeadline);
        if (read.started)
            buffer.Started();
        const LONGLONG latest = read.behind + (2 << 20);
        TakeIn(buffer, latest);
        const Read expected = read.hr == S_OK ? Read{S_OK, kReadSize, Read::StreamThenZeros} : Read{E_FAIL, 0, Read::Other};
        EXPECT_EQ(ReadBack(buffer, latest - read.behind, kReadSize), expected);
    }

    // A parser that went back to the start keeps what lies after the point it reads from when it plays.
    CStreamBuffer buffer(::GetTickCount() + kFarDeadline);
    const LONGLONG probed = 3 << 20;
    TakeIn(buffer, probed);
    EXPECT_EQ(ReadBack(buffer, 0, kReadSize), (Read{S_OK, kReadSize, Read::StreamThenZeros}));
    buffer.Started();
    for (LONGLONG position = kReadSize; position < probed; position += kReadSize)
        ASSERT_EQ(ReadBack(buffer, position, kReadSize), (Read{S_OK, kReadSize, Read::StreamThenZeros})) << position;
    EXPECT_EQ(ReadBack(buffer, 0, kReadSize), (Read{E_FAIL, 0, Read::Other}));
}

TEST(StreamBuffer, AReadPastTheEndOfAStreamThatEndedComesBackEmptyAndLeavesTheStreamAsItWas)
{
    const LONGLONG end = 64 << 10;
    CStreamBuffer buffer(::GetTickCount() + kFarDeadline);
    ASSERT_TRUE(AppendStream(buffer, 0, end));
    buffer.Finish();
    const struct { const char* what; LONGLONG position; Read read; } reads[] = {
        {"ending at the end", end - kReadSize, {S_OK, kReadSize, Read::StreamThenZeros}},
        {"ending one past the end", end - kReadSize + 1, {S_FALSE, kReadSize - 1, Read::StreamThenZeros}},
        {"starting one before the end", end - 1, {S_FALSE, 1, Read::StreamThenZeros}},
        {"starting at the end", end, {kPastTheEnd, 0, Read::OnlyZeros}},
        {"starting one past the end", end + 1, {kPastTheEnd, 0, Read::OnlyZeros}},
        {"starting far past the end, within the reach", end + 2 * CStreamBuffer::kBehindLimit,
         {kPastTheEnd, 0, Read::OnlyZeros}},
        {"again from the start", 0, {S_OK, kReadSize, Read::StreamThenZeros}},
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
    EXPECT_EQ(ReadBack(buffer, 0, kReadSize), (Read{S_OK, kReadSize, Read::StreamThenZeros}));
    const DWORD asked = ::GetTickCount();
    EXPECT_EQ(ReadBack(buffer, kReadSize, kReadSize), (Read{VFW_E_TIMEOUT, 0, Read::Other}));
    // Past the deadline, not after a stall's wait.
    EXPECT_LT(::GetTickCount() - asked, CStreamBuffer::kStallMs / 4);

    buffer.Started();
    Read waited{};
    std::thread parser([&] { waited = ReadBack(buffer, kReadSize, kReadSize); });
    ASSERT_TRUE(AppendStream(buffer, kReadSize, 2 * kReadSize));
    parser.join();
    EXPECT_EQ(waited, (Read{S_OK, kReadSize, Read::StreamThenZeros}));

    // Closing wakes a read that waits, and refuses the download.
    parser = std::thread([&] { waited = ReadBack(buffer, 2 * kReadSize, kReadSize); });
    buffer.Close();
    parser.join();
    EXPECT_EQ(waited, (Read{VFW_E_WRONG_STATE, 0, Read::Other}));
    EXPECT_FALSE(AppendStream(buffer, 2 * kReadSize, 3 * kReadSize));
}

// ---- Host lookups ----

TEST(HostLookup, FindsAHostByItsNameOrItsAddress)
{
    for (const char* host : {"localhost", "127.0.0.1"}) {
        CHostLookup lookup(host);
        ASSERT_EQ(::WaitForSingleObject(lookup.Ended(), 10000), WAIT_OBJECT_0) << host;
        ULONG address = 0;
        EXPECT_TRUE(lookup.Found(&address)) << host;
        EXPECT_EQ(address, htonl(INADDR_LOOPBACK)) << host;
    }
}

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
