// The player control, hosted for real: loaded from its DLL, registered with regsvr32, activated in
// place in a test window and driven through late-bound calls and window messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "PlayerTestHost.h"

using namespace PlayerTest;

namespace {

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override
    {
        m_host.reset();
        // Every object the test made is gone: the DLL could unload.
        EXPECT_EQ(S_OK, PlayerModule::Get().CanUnloadNow());
        OleUninitialize();
    }

    HostedPlayer& Host(const HostedPlayer::Options& options = {})
    {
        m_host = std::make_unique<HostedPlayer>(options);
        return *m_host;
    }
    // Plays an address and waits until the connection has been made.
    void PlayAndWait(HostedPlayer& host, const wchar_t* address = L"p2p://192.168.1.20:8902/cctv5")
    {
        ASSERT_EQ(S_OK, PutString(host.dispatch, PLAYER_DISPID_URL, address));
        ASSERT_TRUE(PumpUntil([&] { return GetLong(host.dispatch, PLAYER_DISPID_PLAYSTATE) == PLAYSTATE_PLAYING; }));
        host.sink->events.clear();
    }

    std::unique_ptr<HostedPlayer> m_host;
};

using PlayerActivationTest = PlayerTest;
using PlayerDispatchTest = PlayerTest;
using PlayerStateTest = PlayerTest;
using PlayerEventsTest = PlayerTest;
using PlayerPictureTest = PlayerTest;
using PlayerFullScreenTest = PlayerTest;
using PlayerMenuTest = PlayerTest;
using PlayerPersistenceTest = PlayerTest;
using PlayerRegistrationTest = PlayerTest;

std::string ClassOf(HWND hwnd)
{
    char name[64] = "";
    GetClassNameA(hwnd, name, sizeof(name));
    return name;
}

RECT RectInParent(HWND hwnd)
{
    RECT rect;
    GetWindowRect(hwnd, &rect);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void ExpectRect(const RECT& expected, const RECT& actual)
{
    EXPECT_EQ(expected.left, actual.left);
    EXPECT_EQ(expected.top, actual.top);
    EXPECT_EQ(expected.right, actual.right);
    EXPECT_EQ(expected.bottom, actual.bottom);
}

// ---- Registration ----

std::string ReadClassesRootString(const std::string& key, const char* value = nullptr)
{
    char buffer[MAX_PATH] = "";
    DWORD size = sizeof(buffer);
    if (RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return "<missing>";
    return buffer;
}

bool ClassesRootKeyExists(const std::string& key)
{
    HKEY hkey;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &hkey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hkey);
    return true;
}

DWORD RunRegsvr32(const std::string& arguments)
{
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof(system));
    std::string command = "\"" + std::string(system) + "\\regsvr32.exe\" /s " + arguments + " \"" +
                          PlayerModule::Get().Path() + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return GetLastError() | 0x80000000;
    DWORD exitCode = STILL_ACTIVE;
    if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

TEST_F(PlayerRegistrationTest, RegisterWritesTheClassAndUnregisterRemovesIt)
{
    const std::string classKey = "CLSID\\{18226BF8-DC0B-4D81-80E9-A41AE37BB73A}";
    ASSERT_EQ(0u, RunRegsvr32(""));

    EXPECT_NE("<missing>", ReadClassesRootString(classKey));
    EXPECT_EQ(0, lstrcmpiA(PlayerModule::Get().Path().c_str(),
                           ReadClassesRootString(classKey + "\\InprocServer32").c_str()));
    EXPECT_EQ("Apartment", ReadClassesRootString(classKey + "\\InprocServer32", "ThreadingModel"));
    EXPECT_TRUE(ClassesRootKeyExists(classKey + "\\Control"));
    DWORD misc = 0;
    {
        IOleObject* object = nullptr;
        ASSERT_EQ(S_OK, PlayerModule::Get().CreateInstance(IID_IOleObject, reinterpret_cast<void**>(&object)));
        object->GetMiscStatus(DVASPECT_CONTENT, &misc);
        object->Release();
    }
    EXPECT_EQ(std::to_string(misc), ReadClassesRootString(classKey + "\\MiscStatus\\1"));

    CLSID fromProgId = GUID_NULL;
    EXPECT_EQ(S_OK, CLSIDFromProgID(L"" P2PPLAYER_PROGID, &fromProgId));
    EXPECT_TRUE(IsEqualCLSID(CLSID_P2PPlayer, fromProgId));

    IOleObject* created = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_P2PPlayer, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                     reinterpret_cast<void**>(&created)));
    CLSID userClass = GUID_NULL;
    EXPECT_EQ(S_OK, created->GetUserClassID(&userClass));
    EXPECT_TRUE(IsEqualCLSID(CLSID_P2PPlayer, userClass));
    created->Release();

    ASSERT_EQ(0u, RunRegsvr32("/u"));
    EXPECT_FALSE(ClassesRootKeyExists(classKey));
    EXPECT_FALSE(ClassesRootKeyExists(P2PPLAYER_PROGID));
    EXPECT_FALSE(ClassesRootKeyExists(P2PPLAYER_PROGID_VERSIONED));
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(CLSID_P2PPlayer, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                                    reinterpret_cast<void**>(&created)));
}

// ---- Activation ----

TEST_F(PlayerActivationTest, ActivatesInTheSiteWindowAtTheSitePosition)
{
    HostedPlayer& host = Host();
    const std::vector<std::string> expected = {"CanInPlaceActivate", "OnInPlaceActivate", "GetWindow",
                                               "GetWindowContext"};
    EXPECT_EQ(expected, host.site->calls);
    DWORD misc = 0;
    host.object->GetMiscStatus(DVASPECT_CONTENT, &misc);
    EXPECT_EQ(static_cast<DWORD>(OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE),
              misc & (OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE));

    ASSERT_TRUE(IsWindow(host.video));
    EXPECT_EQ(P2PPLAYER_VIDEO_CLASS, ClassOf(host.video));
    EXPECT_EQ(host.parent, GetParent(host.video));
    EXPECT_TRUE(GetWindowLongPtrA(host.video, GWL_STYLE) & WS_CHILD);
    EXPECT_TRUE(IsWindowVisible(host.video));
    ExpectRect(HostedPlayer::kSitePosition, RectInParent(host.video));
}

TEST_F(PlayerActivationTest, WithoutAnInPlaceSiteUsesWhatDoVerbGives)
{
    HostedPlayer::Options options;
    options.offerInPlaceSite = false;
    HostedPlayer& host = Host(options);
    ASSERT_TRUE(IsWindow(host.video));
    EXPECT_EQ(host.parent, GetParent(host.video));
    ExpectRect(HostedPlayer::kDoVerbPosition, RectInParent(host.video));
}

TEST_F(PlayerActivationTest, SetObjectRectsMovesTheVideo)
{
    HostedPlayer& host = Host();
    IOleInPlaceObject* inPlace = nullptr;
    ASSERT_EQ(S_OK, host.object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)));
    const RECT moved = {5, 6, 205, 156};
    EXPECT_EQ(S_OK, inPlace->SetObjectRects(&moved, &moved));
    inPlace->Release();
    ExpectRect(moved, RectInParent(host.video));
}

TEST_F(PlayerActivationTest, TeardownReleasesEverything)
{
    HostedPlayer& host = Host();
    EXPECT_EQ(S_FALSE, PlayerModule::Get().CanUnloadNow());
    PlayAndWait(host);
    HWND video = host.video;
    host.TearDown();
    EXPECT_FALSE(IsWindow(video));
    EXPECT_EQ("OnInPlaceDeactivate", host.site->calls.back());
    EXPECT_EQ(S_OK, PlayerModule::Get().CanUnloadNow());
    // The unadvised sink hears nothing of the teardown.
    EXPECT_TRUE(host.sink->events.empty());
}

TEST_F(PlayerActivationTest, ClickingTheVideoTakesTheFocus)
{
    HostedPlayer& host = Host();
    SetFocus(host.parent);
    SendMessageA(host.video, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageA(host.video, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(host.video, GetFocus());
    EXPECT_EQ("OnFocus(TRUE)", host.site->calls.back());
}

// ---- Dispatch ----

TEST_F(PlayerDispatchTest, NamesMapToTheirDispids)
{
    HostedPlayer& host = Host();
    const std::pair<const wchar_t*, DISPID> names[] = {
        {L"URL", 2},  {L"volume", 5}, {L"PlayState", 6}, {L"FullScreen", 7}, {L"EnableContextMenu", 12},
        {L"IdlePicture", 19}, {L"Pause", 26}, {L"Stop", 27}, {L"Resume", 28},
    };
    for (const auto& [name, dispid] : names) {
        LPOLESTR names1[] = {const_cast<LPOLESTR>(name)};
        DISPID found = 0;
        EXPECT_EQ(S_OK, host.dispatch->GetIDsOfNames(IID_NULL, names1, 1, LOCALE_USER_DEFAULT, &found)) << name;
        EXPECT_EQ(dispid, found) << name;
    }
    LPOLESTR unknown[] = {const_cast<LPOLESTR>(L"Rewind")};
    DISPID found = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, host.dispatch->GetIDsOfNames(IID_NULL, unknown, 1, LOCALE_USER_DEFAULT, &found));
    EXPECT_EQ(DISPID_UNKNOWN, found);
}

TEST_F(PlayerDispatchTest, MembersAnswerOnlyTheirOwnKind)
{
    HostedPlayer& host = Host();
    VARIANT result;
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Get(host.dispatch, 99, &result));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, PutLong(host.dispatch, 99, 1));
    // The play state is read-only, the commands are no properties.
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, PutLong(host.dispatch, PLAYER_DISPID_PLAYSTATE, 2));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Get(host.dispatch, PLAYER_DISPID_PAUSE, &result));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, PutLong(host.dispatch, PLAYER_DISPID_STOP, 1));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(host.dispatch, PLAYER_DISPID_VOLUME));
    EXPECT_EQ(S_OK, Call(host.dispatch, PLAYER_DISPID_STOP));

    ASSERT_EQ(S_OK, Get(host.dispatch, PLAYER_DISPID_PLAYSTATE, &result));
    EXPECT_EQ(VT_I4, V_VT(&result));
    ASSERT_EQ(S_OK, Get(host.dispatch, PLAYER_DISPID_FULLSCREEN, &result));
    EXPECT_EQ(VT_BOOL, V_VT(&result));
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, host.dispatch->Invoke(PLAYER_DISPID_STOP, IID_IDispatch, 0,
                                                             DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(PlayerDispatchTest, ArgumentCountsAreChecked)
{
    HostedPlayer& host = Host();
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS noArgs = {nullptr, &named, 0, 0};
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, host.dispatch->Invoke(PLAYER_DISPID_VOLUME, IID_NULL, 0, DISPATCH_PROPERTYPUT,
                                                          &noArgs, nullptr, nullptr, nullptr));
    VARIANT args[2];
    for (VARIANT& arg : args) {
        V_VT(&arg) = VT_I4;
        V_I4(&arg) = 1;
    }
    DISPPARAMS twoArgs = {args, nullptr, 2, 0};
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, host.dispatch->Invoke(PLAYER_DISPID_VOLUME, IID_NULL, 0, DISPATCH_PROPERTYPUT,
                                                          &twoArgs, nullptr, nullptr, nullptr));
    DISPPARAMS oneArg = {args, nullptr, 1, 0};
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, host.dispatch->Invoke(PLAYER_DISPID_VOLUME, IID_NULL, 0, DISPATCH_PROPERTYGET,
                                                          &oneArg, &result, nullptr, nullptr));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, host.dispatch->Invoke(PLAYER_DISPID_PAUSE, IID_NULL, 0, DISPATCH_METHOD,
                                                          &oneArg, nullptr, nullptr, nullptr));
    // A named argument other than the put value means nothing here.
    DISPID otherName = 3;
    DISPPARAMS wrongName = {args, &otherName, 1, 1};
    EXPECT_EQ(DISP_E_NONAMEDARGS, host.dispatch->Invoke(PLAYER_DISPID_VOLUME, IID_NULL, 0, DISPATCH_PROPERTYPUT,
                                                        &wrongName, nullptr, nullptr, nullptr));
    EXPECT_EQ(50, GetLong(host.dispatch, PLAYER_DISPID_VOLUME));
}

TEST_F(PlayerDispatchTest, ArgumentsAreCoercedOrRejected)
{
    HostedPlayer& host = Host();
    ASSERT_EQ(S_OK, PutString(host.dispatch, PLAYER_DISPID_VOLUME, L"42"));
    EXPECT_EQ(42, GetLong(host.dispatch, PLAYER_DISPID_VOLUME));

    UINT argErr = 7;
    VARIANT text;
    V_VT(&text) = VT_BSTR;
    V_BSTR(&text) = SysAllocString(L"loud");
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Put(host.dispatch, PLAYER_DISPID_VOLUME, text, &argErr));
    VariantClear(&text);
    EXPECT_EQ(0u, argErr);
    EXPECT_EQ(42, GetLong(host.dispatch, PLAYER_DISPID_VOLUME));

    // Script engines pass values by reference.
    LONG volume = 64;
    VARIANT byRef;
    V_VT(&byRef) = VT_I4 | VT_BYREF;
    V_I4REF(&byRef) = &volume;
    EXPECT_EQ(S_OK, Put(host.dispatch, PLAYER_DISPID_VOLUME, byRef));
    EXPECT_EQ(64, GetLong(host.dispatch, PLAYER_DISPID_VOLUME));

    VARIANT shortFalse;
    V_VT(&shortFalse) = VT_I2;
    V_I2(&shortFalse) = 0;
    EXPECT_EQ(S_OK, Put(host.dispatch, PLAYER_DISPID_CONTEXTMENU, shortFalse));
    EXPECT_FALSE(GetBool(host.dispatch, PLAYER_DISPID_CONTEXTMENU));

    EXPECT_EQ(S_OK, PutString(host.dispatch, PLAYER_DISPID_IDLEPICTURE, L"C:\\Kalda\\AD\\Pic1.BMP"));
    VARIANT path;
    ASSERT_EQ(S_OK, Get(host.dispatch, PLAYER_DISPID_IDLEPICTURE, &path));
    ASSERT_EQ(VT_BSTR, V_VT(&path));
    EXPECT_STREQ(L"C:\\Kalda\\AD\\Pic1.BMP", V_BSTR(&path));
    VariantClear(&path);
}

TEST_F(PlayerDispatchTest, VolumeIsClampedToItsRange)
{
    HostedPlayer& host = Host();
    EXPECT_EQ(50, GetLong(host.dispatch, PLAYER_DISPID_VOLUME));
    const std::pair<LONG, LONG> cases[] = {{-5, 0}, {150, 100}, {37, 37}, {0, 0}, {100, 100}};
    for (const auto& [put, kept] : cases) {
        EXPECT_EQ(S_OK, PutLong(host.dispatch, PLAYER_DISPID_VOLUME, put));
        EXPECT_EQ(kept, GetLong(host.dispatch, PLAYER_DISPID_VOLUME)) << put;
    }
}

// ---- States ----

TEST_F(PlayerStateTest, AnAddressConnectsThenPlays)
{
    HostedPlayer& host = Host();
    EXPECT_EQ(PLAYSTATE_STOPPED, GetLong(host.dispatch, PLAYER_DISPID_PLAYSTATE));
    const DWORD start = GetTickCount();
    ASSERT_EQ(S_OK, PutString(host.dispatch, PLAYER_DISPID_URL, L"p2p://10.0.0.7:8902/live1"));
    EXPECT_EQ(std::vector<LONG>{PLAYSTATE_CONNECTING}, host.sink->States());
    EXPECT_EQ(PLAYSTATE_CONNECTING, GetLong(host.dispatch, PLAYER_DISPID_PLAYSTATE));
    ASSERT_TRUE(PumpUntil([&] { return host.sink->States().size() == 2; }));
    EXPECT_GE(GetTickCount() - start, 250u);
    EXPECT_EQ((std::vector<LONG>{PLAYSTATE_CONNECTING, PLAYSTATE_PLAYING}), host.sink->States());
    EXPECT_EQ(PLAYSTATE_PLAYING, GetLong(host.dispatch, PLAYER_DISPID_PLAYSTATE));
    EXPECT_EQ(host.sink->events.size(), host.sink->States().size());
}

TEST_F(PlayerStateTest, PauseResumeAndStop)
{
    HostedPlayer& host = Host();
    PlayAndWait(host);
    EXPECT_EQ(S_OK, Call(host.dispatch, PLAYER_DISPID_PAUSE));
    EXPECT_EQ(PLAYSTATE_PAUSED, GetLong(host.dispatch, PLAYER_DISPID_PLAYSTATE));
    EXPECT_EQ(S_OK, Call(host.dispatch, PLAYER_DISPID_RESUME));
    EXPECT_EQ(PLAYSTATE_PLAYING, GetLong(host.dispatch, PLAYER_DISPID_PLAYSTATE));
    EXPECT_EQ(S_OK, Call(host.dispatch, PLAYER_DISPID_PAUSE));
    EXPECT_EQ(S_OK, Call(host.dispatch, PLAYER_DISPID_STOP));
    EXPECT_EQ(PLAYSTATE_STOPPED, GetLong(host.dispatch, PLAYER_DISPID_PLAYSTATE));
    EXPECT_EQ((std::vector<LONG>{PLAYSTATE_PAUSED, PLAYSTATE_PLAYING, PLAYSTATE_PAUSED, PLAYSTATE_STOPPED}),
              host.sink->States());
}

TEST_F(PlayerStateTest, CommandsThatDoNotApplyDoNothing)
{
    HostedPlayer& host = Host();
    EXPECT_EQ(S_OK, Call(host.dispatch, PLAYER_DISPID_PAUSE));
    EXPECT_EQ(S_OK, Call(host.dispatch, PLAYER_DISPID_RESUME));
    EXPECT_EQ(S_OK, Call(host.dispatch, PLAYER_DISPID_STOP));
    EXPECT_EQ(PLAYSTATE_STOPPED, GetLong(host.dispatch, PLAYER_DISPID_PLAYSTATE));
    PlayAndWait(host);
    EXPECT_EQ(S_OK, Call(host.dispatch, PLAYER_DISPID_RESUME));
    EXPECT_EQ(PLAYSTATE_PLAYING, GetLong(host.dispatch, PLAYER_DISPID_PLAYSTATE));
    EXPECT_TRUE(host.sink->events.empty());
}

TEST_F(PlayerStateTest, AnEmptyAddressFailsAtOnce)
{
    HostedPlayer& host = Host();
    ASSERT_EQ(S_OK, PutString(host.dispatch, PLAYER_DISPID_URL, L""));
    EXPECT_EQ((std::vector<LONG>{PLAYSTATE_CONNECTING, PLAYSTATE_STOPPED}), host.sink->States());
    EXPECT_EQ(PLAYSTATE_STOPPED, GetLong(host.dispatch, PLAYER_DISPID_PLAYSTATE));

    PlayAndWait(host);
    ASSERT_EQ(S_OK, PutString(host.dispatch, PLAYER_DISPID_URL, L"  "));
    EXPECT_EQ((std::vector<LONG>{PLAYSTATE_CONNECTING, PLAYSTATE_STOPPED}), host.sink->States());
    PumpFor(2 * 400);
    EXPECT_EQ(2u, host.sink->events.size());
}

TEST_F(PlayerStateTest, ANewAddressRestartsFromAnyState)
{
    HostedPlayer& host = Host();
    PlayAndWait(host, L"p2p://first");
    Call(host.dispatch, PLAYER_DISPID_PAUSE);
    ASSERT_EQ(S_OK, PutString(host.dispatch, PLAYER_DISPID_URL, L"p2p://second"));
    ASSERT_TRUE(PumpUntil([&] { return host.sink->States().size() == 3; }));
    EXPECT_EQ((std::vector<LONG>{PLAYSTATE_PAUSED, PLAYSTATE_CONNECTING, PLAYSTATE_PLAYING}), host.sink->States());
    VARIANT address;
    ASSERT_EQ(S_OK, Get(host.dispatch, PLAYER_DISPID_URL, &address));
    EXPECT_STREQ(L"p2p://second", V_BSTR(&address));
    VariantClear(&address);
}

TEST_F(PlayerStateTest, StopWhileConnectingCancelsTheConnection)
{
    HostedPlayer& host = Host();
    ASSERT_EQ(S_OK, PutString(host.dispatch, PLAYER_DISPID_URL, L"p2p://slow"));
    EXPECT_EQ(S_OK, Call(host.dispatch, PLAYER_DISPID_STOP));
    PumpFor(2 * 400);
    EXPECT_EQ((std::vector<LONG>{PLAYSTATE_CONNECTING, PLAYSTATE_STOPPED}), host.sink->States());
}

// ---- Events ----

TEST_F(PlayerEventsTest, EnterInTheVideoFiresItsEvent)
{
    HostedPlayer& host = Host();
    SendMessageA(host.video, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_EQ(1u, host.sink->events.size());
    EXPECT_EQ(PLAYER_EVENT_ENTERKEY, host.sink->events[0].dispid);
    EXPECT_TRUE(host.sink->events[0].args.empty());
    SendMessageA(host.video, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(1u, host.sink->events.size());
}

TEST_F(PlayerEventsTest, EnterReachesTheVideoPastTheDialogManager)
{
    HostedPlayer& host = Host();
    SetFocus(host.video);
    PostMessageA(host.video, WM_KEYDOWN, VK_RETURN, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(host.parent, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    EXPECT_EQ(1u, host.sink->Count(PLAYER_EVENT_ENTERKEY));
}

TEST_F(PlayerEventsTest, DoubleClicksReportButtonShiftAndPosition)
{
    HostedPlayer& host = Host();
    SendMessageA(host.video, WM_LBUTTONDBLCLK, MK_LBUTTON | MK_SHIFT, MAKELPARAM(12, 34));
    SendMessageA(host.video, WM_RBUTTONDBLCLK, MK_RBUTTON | MK_CONTROL | MK_SHIFT, MAKELPARAM(200, 5));
    SendMessageA(host.video, WM_MBUTTONDBLCLK, MK_MBUTTON, MAKELPARAM(0, 239));
    ASSERT_EQ(3u, host.sink->events.size());
    const struct {
        SHORT button, shift;
        LONG x, y;
    } expected[] = {{1, 1, 12, 34}, {2, 3, 200, 5}, {4, 0, 0, 239}};
    for (size_t i = 0; i < 3; ++i) {
        const RecordedEvent& event = host.sink->events[i];
        EXPECT_EQ(PLAYER_EVENT_DOUBLECLICK, event.dispid);
        ASSERT_EQ(4u, event.args.size());
        // The first parameter comes last.
        ASSERT_EQ(VT_I2, V_VT(&event.args[3]));
        ASSERT_EQ(VT_I2, V_VT(&event.args[2]));
        ASSERT_EQ(VT_I4, V_VT(&event.args[1]));
        ASSERT_EQ(VT_I4, V_VT(&event.args[0]));
        EXPECT_EQ(expected[i].button, V_I2(&event.args[3])) << i;
        EXPECT_EQ(expected[i].shift, V_I2(&event.args[2])) << i;
        EXPECT_EQ(expected[i].x, V_I4(&event.args[1])) << i;
        EXPECT_EQ(expected[i].y, V_I4(&event.args[0])) << i;
    }
}

TEST_F(PlayerEventsTest, EverySinkHearsUntilItUnadvises)
{
    HostedPlayer& host = Host();
    CComHolder<CEventRecorder> second(new CEventRecorder());
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, host.connectionPoint->Advise(static_cast<IDispatch*>(second.get()), &cookie));
    EXPECT_NE(host.cookie, cookie);
    SendMessageA(host.video, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(1u, host.sink->events.size());
    EXPECT_EQ(1u, second->events.size());

    ASSERT_EQ(S_OK, host.connectionPoint->Unadvise(cookie));
    EXPECT_EQ(CONNECT_E_NOCONNECTION, host.connectionPoint->Unadvise(cookie));
    SendMessageA(host.video, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(2u, host.sink->events.size());
    EXPECT_EQ(1u, second->events.size());
}

TEST_F(PlayerEventsTest, ASinkMayUnadviseFromItsHandler)
{
    HostedPlayer& host = Host();
    CComHolder<CEventRecorder> second(new CEventRecorder());
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, host.connectionPoint->Advise(static_cast<IDispatch*>(second.get()), &cookie));
    host.sink->onEvent = [&](const RecordedEvent&) { host.connectionPoint->Unadvise(cookie); };
    SendMessageA(host.video, WM_KEYDOWN, VK_RETURN, 0);
    // The round already under way still reaches it; the next one does not.
    EXPECT_EQ(1u, second->events.size());
    SendMessageA(host.video, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(1u, second->events.size());
    EXPECT_EQ(2u, host.sink->events.size());
}

TEST_F(PlayerEventsTest, FrozenEventsAreDropped)
{
    HostedPlayer& host = Host();
    IOleControl* control = nullptr;
    ASSERT_EQ(S_OK, host.object->QueryInterface(IID_IOleControl, reinterpret_cast<void**>(&control)));
    control->FreezeEvents(TRUE);
    SendMessageA(host.video, WM_KEYDOWN, VK_RETURN, 0);
    PutString(host.dispatch, PLAYER_DISPID_URL, L"");
    EXPECT_TRUE(host.sink->events.empty());
    control->FreezeEvents(FALSE);
    control->Release();
    SendMessageA(host.video, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(1u, host.sink->events.size());
}

TEST_F(PlayerEventsTest, ADeadUserInterfaceIgnoresTheUser)
{
    HostedPlayer::Options options;
    options.ambients[DISPID_AMBIENT_UIDEAD] = true;
    HostedPlayer& host = Host(options);
    SendMessageA(host.video, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(1, 1));
    SendMessageA(host.video, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(host.sink->events.empty());

    host.site->ambients[DISPID_AMBIENT_UIDEAD] = false;
    IOleControl* control = nullptr;
    ASSERT_EQ(S_OK, host.object->QueryInterface(IID_IOleControl, reinterpret_cast<void**>(&control)));
    EXPECT_EQ(S_OK, control->OnAmbientPropertyChange(DISPID_AMBIENT_UIDEAD));
    control->Release();
    SendMessageA(host.video, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(1, 1));
    EXPECT_EQ(1u, host.sink->Count(PLAYER_EVENT_DOUBLECLICK));
}

TEST_F(PlayerEventsTest, HostsFindTheEventInterface)
{
    HostedPlayer& host = Host();
    IProvideClassInfo2* classInfo = nullptr;
    ASSERT_EQ(S_OK, host.object->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&classInfo)));
    GUID source = GUID_NULL;
    EXPECT_EQ(S_OK, classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source));
    classInfo->Release();
    EXPECT_TRUE(IsEqualIID(DIID_P2PPlayerEvents, source));

    IConnectionPointContainer* container = nullptr;
    ASSERT_EQ(S_OK, host.object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)));
    IConnectionPoint* point = nullptr;
    EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID_IPropertyNotifySink, &point));
    IEnumConnectionPoints* points = nullptr;
    ASSERT_EQ(S_OK, container->EnumConnectionPoints(&points));
    ULONG fetched = 0;
    IConnectionPoint* all[2] = {};
    EXPECT_EQ(S_FALSE, points->Next(2, all, &fetched));
    points->Release();
    ASSERT_EQ(1u, fetched);
    IID iid = GUID_NULL;
    EXPECT_EQ(S_OK, all[0]->GetConnectionInterface(&iid));
    EXPECT_TRUE(IsEqualIID(DIID_P2PPlayerEvents, iid));
    IConnectionPointContainer* back = nullptr;
    EXPECT_EQ(S_OK, all[0]->GetConnectionPointContainer(&back));
    EXPECT_EQ(container, back);
    back->Release();
    all[0]->Release();

    IEnumConnections* connections = nullptr;
    ASSERT_EQ(S_OK, host.connectionPoint->EnumConnections(&connections));
    CONNECTDATA data = {};
    EXPECT_EQ(S_OK, connections->Next(1, &data, nullptr));
    EXPECT_EQ(host.cookie, data.dwCookie);
    data.pUnk->Release();
    connections->Release();
    container->Release();
}

// ---- Pictures ----

TEST_F(PlayerPictureTest, TheIdlePictureFillsTheStoppedVideo)
{
    HostedPlayer& host = Host();
    const COLORREF orange = RGB(240, 120, 16);
    WriteSolidBitmap("idle.bmp", 16, 12, orange);
    char path[MAX_PATH];
    GetFullPathNameA("idle.bmp", sizeof(path), path, nullptr);
    std::wstring widePath(path, path + lstrlenA(path));
    ASSERT_EQ(S_OK, PutString(host.dispatch, PLAYER_DISPID_IDLEPICTURE, widePath));
    // Scaled from 16 x 12 to the whole window.
    EXPECT_EQ(orange, WindowPixel(host.video, 2, 2));
    EXPECT_EQ(orange, WindowPixel(host.video, 160, 120));
    EXPECT_EQ(orange, WindowPixel(host.video, 317, 237));

    ASSERT_EQ(S_OK, PutString(host.dispatch, PLAYER_DISPID_IDLEPICTURE, L"C:\\nowhere\\missing.bmp"));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), WindowPixel(host.video, 160, 120));
}

TEST_F(PlayerPictureTest, TheTestCardRunsWhilePlayingAndFreezesWhenPaused)
{
    HostedPlayer& host = Host();
    const std::vector<DWORD> stopped = WindowPixels(host.video);
    PlayAndWait(host);
    // The last colour bar, blue, is far from where the moving bar starts.
    EXPECT_EQ(RGB(0, 0, 191), WindowPixel(host.video, 310, 10));
    const std::vector<DWORD> first = WindowPixels(host.video);
    EXPECT_NE(stopped, first);
    PumpFor(400);
    const std::vector<DWORD> later = WindowPixels(host.video);
    EXPECT_NE(first, later);

    Call(host.dispatch, PLAYER_DISPID_PAUSE);
    PumpFor(100);
    const std::vector<DWORD> paused = WindowPixels(host.video);
    EXPECT_NE(later, paused);
    PumpFor(400);
    EXPECT_EQ(paused, WindowPixels(host.video));

    Call(host.dispatch, PLAYER_DISPID_STOP);
    EXPECT_EQ(stopped, WindowPixels(host.video));
}

// ---- Full screen ----

class PlayerFullScreen : public PlayerTest {
protected:
    HWND EnterFullScreen(HostedPlayer& host)
    {
        EXPECT_EQ(S_OK, PutBool(host.dispatch, PLAYER_DISPID_FULLSCREEN, true));
        std::vector<HWND> windows = ThreadWindowsOfClass(P2PPLAYER_FULLSCREEN_CLASS);
        EXPECT_EQ(1u, windows.size());
        return windows.empty() ? nullptr : windows[0];
    }
    void ExpectWindowed(HostedPlayer& host)
    {
        EXPECT_TRUE(ThreadWindowsOfClass(P2PPLAYER_FULLSCREEN_CLASS).empty());
        EXPECT_FALSE(GetBool(host.dispatch, PLAYER_DISPID_FULLSCREEN));
        EXPECT_TRUE(IsWindowVisible(host.video));
    }
};

TEST_F(PlayerFullScreen, CoversTheMonitorAboveEverything)
{
    HostedPlayer& host = Host();
    PlayAndWait(host);
    HWND full = EnterFullScreen(host);
    ASSERT_TRUE(full);
    EXPECT_TRUE(IsWindowVisible(full));
    EXPECT_TRUE(GetWindowLongPtrA(full, GWL_EXSTYLE) & WS_EX_TOPMOST);
    LONG_PTR style = GetWindowLongPtrA(full, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoA(MonitorFromWindow(host.video, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT rect;
    GetWindowRect(full, &rect);
    ExpectRect(monitor.rcMonitor, rect);
    EXPECT_TRUE(GetBool(host.dispatch, PLAYER_DISPID_FULLSCREEN));
    // The video plays on in full screen; the in-place window keeps its place.
    EXPECT_EQ(RGB(0, 0, 191), WindowPixel(full, rect.right - rect.left - 5, 10));
    ExpectRect(HostedPlayer::kSitePosition, RectInParent(host.video));

    EXPECT_EQ(S_OK, PutBool(host.dispatch, PLAYER_DISPID_FULLSCREEN, true));
    EXPECT_EQ(std::vector<HWND>{full}, ThreadWindowsOfClass(P2PPLAYER_FULLSCREEN_CLASS));

    EXPECT_EQ(S_OK, PutBool(host.dispatch, PLAYER_DISPID_FULLSCREEN, false));
    ExpectWindowed(host);
    ExpectRect(HostedPlayer::kSitePosition, RectInParent(host.video));
}

TEST_F(PlayerFullScreen, EscapeReturns)
{
    HostedPlayer& host = Host();
    HWND full = EnterFullScreen(host);
    ASSERT_TRUE(full);
    EXPECT_EQ(full, GetFocus());
    SendMessageA(full, WM_KEYDOWN, VK_ESCAPE, 0);
    ExpectWindowed(host);
    EXPECT_EQ(host.video, GetFocus());
}

TEST_F(PlayerFullScreen, ADoubleClickReturns)
{
    HostedPlayer& host = Host();
    HWND full = EnterFullScreen(host);
    ASSERT_TRUE(full);
    SendMessageA(full, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(300, 200));
    ExpectWindowed(host);
    // Leaving is the popup's own business: the host hears no double click.
    EXPECT_EQ(0u, host.sink->Count(PLAYER_EVENT_DOUBLECLICK));
}

// ---- Context menu ----

// Watches for the popup menu from inside its modal loop, records its items, then picks one by
// keyboard or dismisses it.
struct MenuWatcher {
    static MenuWatcher* active;
    int downPresses = -1;  // -1: dismiss
    bool seen = false;
    std::vector<std::string> items;

    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD)
    {
        HWND menuWindow = FindWindowA("#32768", nullptr);
        if (!active || active->seen || !menuWindow || !IsWindowVisible(menuWindow))
            return;
        active->seen = true;
        HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char text[64] = "";
            GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
            active->items.push_back(text);
        }
        if (active->downPresses < 0) {
            EndMenu();
            return;
        }
        for (int i = 0; i < active->downPresses; ++i)
            PostMessageA(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(menuWindow, WM_KEYDOWN, VK_RETURN, 0);
    }

    // Right-clicks the window and returns once the menu, if any, has closed.
    void RightClick(HWND hwnd)
    {
        active = this;
        UINT_PTR timer = SetTimer(nullptr, 0, 50, OnTimer);
        SendMessageA(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(30, 40));
        SendMessageA(hwnd, WM_RBUTTONUP, 0, MAKELPARAM(30, 40));
        KillTimer(nullptr, timer);
        active = nullptr;
    }
};
MenuWatcher* MenuWatcher::active;

TEST_F(PlayerMenuTest, ARightClickOpensTheMenuThatActsOnThePlayer)
{
    HostedPlayer& host = Host();
    EXPECT_TRUE(GetBool(host.dispatch, PLAYER_DISPID_CONTEXTMENU));
    PlayAndWait(host);
    MenuWatcher watcher;
    watcher.downPresses = 2;  // the second item
    watcher.RightClick(host.video);
    ASSERT_TRUE(watcher.seen);
    EXPECT_EQ((std::vector<std::string>{"暂停", "停止", "", "全屏"}), watcher.items);
    EXPECT_EQ(std::vector<LONG>{PLAYSTATE_STOPPED}, host.sink->States());
}

TEST_F(PlayerMenuTest, NoMenuOnceTheHostTurnsItOff)
{
    HostedPlayer& host = Host();
    ASSERT_EQ(S_OK, PutBool(host.dispatch, PLAYER_DISPID_CONTEXTMENU, false));
    MenuWatcher watcher;
    watcher.RightClick(host.video);
    EXPECT_FALSE(watcher.seen);
    PumpFor(100);
    EXPECT_FALSE(watcher.seen);
}

// ---- Persistence ----

constexpr DWORD kMagic = 0x534C504B;

TEST_F(PlayerPersistenceTest, TheFormSetsVolumeColourAndBorder)
{
    HostedPlayer::Options options;
    options.persisted = PersistedBytes(kMagic, 1, 1, 0x00336699, 73);
    HostedPlayer& host = Host(options);
    EXPECT_EQ(S_OK, host.loadResult);
    EXPECT_EQ(73, GetLong(host.dispatch, PLAYER_DISPID_VOLUME));
    EXPECT_EQ(RGB(0x99, 0x66, 0x33), WindowPixel(host.video, 100, 100));
    EXPECT_TRUE(GetWindowLongPtrA(host.video, GWL_STYLE) & WS_BORDER);
}

TEST_F(PlayerPersistenceTest, ASystemColourIsTranslated)
{
    HostedPlayer::Options options;
    options.persisted = PersistedBytes(kMagic, 1, 0, 0x80000000 | COLOR_HIGHLIGHT, 20);
    HostedPlayer& host = Host(options);
    EXPECT_EQ(S_OK, host.loadResult);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), WindowPixel(host.video, 100, 100));
    EXPECT_FALSE(GetWindowLongPtrA(host.video, GWL_STYLE) & WS_BORDER);
}

TEST_F(PlayerPersistenceTest, ABadFormIsRefusedAndChangesNothing)
{
    IPersistStreamInit* persist = nullptr;
    ASSERT_EQ(S_OK, PlayerModule::Get().CreateInstance(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist)));
    IDispatch* dispatch = nullptr;
    persist->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    const std::vector<BYTE> bad[] = {
        PersistedBytes(0x4B504C53, 1, 1, 0x000000FF, 90),  // the magic backwards
        PersistedBytes(kMagic, 2, 1, 0x000000FF, 90),
        PersistedBytes(kMagic, 1, 7, 0x000000FF, 90),
    };
    for (const std::vector<BYTE>& bytes : bad) {
        IStream* stream = StreamOf(bytes);
        EXPECT_EQ(E_FAIL, persist->Load(stream));
        stream->Release();
        EXPECT_EQ(50, GetLong(dispatch, PLAYER_DISPID_VOLUME));
    }
    std::vector<BYTE> tooShort = PersistedBytes(kMagic, 1, 0, 0, 90);
    tooShort.resize(100);
    IStream* stream = StreamOf(tooShort);
    EXPECT_TRUE(FAILED(persist->Load(stream)));
    stream->Release();
    EXPECT_EQ(50, GetLong(dispatch, PLAYER_DISPID_VOLUME));

    // None of that counted as loading: a good form still loads.
    stream = StreamOf(PersistedBytes(kMagic, 1, 0, 0, 90));
    EXPECT_EQ(S_OK, persist->Load(stream));
    stream->Release();
    EXPECT_EQ(90, GetLong(dispatch, PLAYER_DISPID_VOLUME));
    dispatch->Release();
    persist->Release();
}

TEST_F(PlayerPersistenceTest, SavesTheFormItLoadedWithTheCurrentVolume)
{
    HostedPlayer::Options options;
    options.persisted = PersistedBytes(kMagic, 1, 1, 0x00336699, 73);
    HostedPlayer& host = Host(options);
    IPersistStreamInit* persist = nullptr;
    ASSERT_EQ(S_OK, host.object->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist)));
    ULARGE_INTEGER size{};
    EXPECT_EQ(S_OK, persist->GetSizeMax(&size));
    EXPECT_EQ(128u, size.QuadPart);
    EXPECT_EQ(S_FALSE, persist->IsDirty());
    PutLong(host.dispatch, PLAYER_DISPID_VOLUME, 37);
    EXPECT_EQ(S_OK, persist->IsDirty());

    IStream* stream = nullptr;
    ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    EXPECT_EQ(S_OK, persist->Save(stream, TRUE));
    EXPECT_EQ(S_FALSE, persist->IsDirty());
    persist->Release();
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    EXPECT_EQ(128u, stat.cbSize.QuadPart);
    HGLOBAL memory = nullptr;
    GetHGlobalFromStream(stream, &memory);
    const BYTE* saved = static_cast<const BYTE*>(GlobalLock(memory));
    EXPECT_EQ(PersistedBytes(kMagic, 1, 1, 0x00336699, 37), std::vector<BYTE>(saved, saved + 128));
    GlobalUnlock(memory);
    stream->Release();
}

TEST_F(PlayerPersistenceTest, InitNewSetsTheDefaultsOnce)
{
    HostedPlayer& host = Host();
    EXPECT_EQ(S_OK, host.loadResult);
    EXPECT_EQ(50, GetLong(host.dispatch, PLAYER_DISPID_VOLUME));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), WindowPixel(host.video, 100, 100));
    EXPECT_FALSE(GetWindowLongPtrA(host.video, GWL_STYLE) & WS_BORDER);
    IPersistStreamInit* persist = nullptr;
    ASSERT_EQ(S_OK, host.object->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist)));
    EXPECT_EQ(CO_E_ALREADYINITIALIZED, persist->InitNew());
    IStream* stream = StreamOf(PersistedBytes(kMagic, 1, 0, 0, 90));
    EXPECT_EQ(E_UNEXPECTED, persist->Load(stream));
    stream->Release();
    persist->Release();
}

}  // namespace
