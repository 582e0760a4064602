// How soon the player component shows a file's first frame and how much processor time one playing
// channel takes, each next to Debian's mpv on the same file, measured natively in the same run by
// ./benchmark and handed over in REFERENCE_FIRST_FRAME_MS and REFERENCE_CPU_MS_PER_S.
#include <windows.h>
#include <ocidl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "HostPath.h"
#include "MessagePump.h"
#include "product/PlayerContract.h"

namespace {

constexpr int kPlays = 3;
constexpr DWORD kCpuWindowMs = 10000;

double Now()
{
    LARGE_INTEGER count, frequency;
    ::QueryPerformanceCounter(&count);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>(static_cast<ULONGLONG>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// The control's late-bound members, called as a host calls them.
void Put(IDispatch* player, DISPID dispid, const wchar_t* text)
{
    VARIANT value;
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = ::SysAllocString(text);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&value, &named, 1, 1};
    player->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
    ::VariantClear(&value);
}

long GetPlayState(IDispatch* player)
{
    VARIANT state;
    ::VariantInit(&state);
    DISPPARAMS none = {};
    player->Invoke(PLAYER_DISPID_PLAYSTATE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &state, nullptr, nullptr);
    return V_I4(&state);
}

void Stop(IDispatch* player)
{
    DISPPARAMS none = {};
    player->Invoke(PLAYER_DISPID_STOP, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
}

double Reference(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::atof(value) : 0;
}

}  // namespace

int main()
{
    ::OleInitialize(nullptr);
    HMODULE dll = ::LoadLibraryA(HostPath(PLAYER_DLL).c_str());
    auto getClassObject = reinterpret_cast<decltype(&::DllGetClassObject)>(
        reinterpret_cast<void*>(::GetProcAddress(dll, "DllGetClassObject")));
    IClassFactory* factory = nullptr;
    IOleObject* control = nullptr;
    IDispatch* player = nullptr;
    if (!getClassObject || FAILED(getClassObject(CLSID_P2PPlayer, IID_IClassFactory, reinterpret_cast<void**>(&factory))) ||
        FAILED(factory->CreateInstance(nullptr, IID_IOleObject, reinterpret_cast<void**>(&control))) ||
        FAILED(control->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&player)))) {
        std::printf("The player component did not load from %s.\n", PLAYER_DLL);
        return 1;
    }
    // The client's size of the video area; the control draws into a window of its own inside.
    HWND host = ::CreateWindowExA(0, "STATIC", "Player benchmark", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 520, 400,
                                  nullptr, nullptr, nullptr, nullptr);
    RECT video = {0, 0, 480, 360};
    control->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, host, &video);

    wchar_t media[MAX_PATH];
    ::GetFullPathNameW(L"" BENCHMARK_MEDIA, MAX_PATH, media, nullptr);
    std::vector<double> firstFrameMs;
    for (int i = 0; i < kPlays; ++i) {
        Stop(player);
        const double start = Now();
        Put(player, PLAYER_DISPID_URL, media);
        if (!PumpUntil([&] { return GetPlayState(player) == PLAYSTATE_PLAYING; }, 15000)) {
            std::printf("The player did not play %s.\n", BENCHMARK_MEDIA);
            return 1;
        }
        firstFrameMs.push_back((Now() - start) * 1000);
    }
    std::sort(firstFrameMs.begin(), firstFrameMs.end());
    const double cpuStart = ProcessCpuSeconds(), wallStart = Now();
    PumpUntil([] { return false; }, kCpuWindowMs);
    const double cpuMsPerSecond = (ProcessCpuSeconds() - cpuStart) * 1000 / (Now() - wallStart);
    const bool played = GetPlayState(player) == PLAYSTATE_PLAYING;

    const double mpvFirstFrameMs = Reference("REFERENCE_FIRST_FRAME_MS");
    const double mpvCpuMsPerSecond = Reference("REFERENCE_CPU_MS_PER_S");
    std::printf("first frame of %s, median of %d: %.0f ms; mpv: %.0f ms (ratio %.1f)\n", BENCHMARK_MEDIA, kPlays,
                firstFrameMs[kPlays / 2], mpvFirstFrameMs, firstFrameMs[kPlays / 2] / mpvFirstFrameMs);
    std::printf("processor time of one playing channel over %.0f s: %.0f ms/s%s; mpv: %.0f ms/s (ratio %.1f)\n",
                kCpuWindowMs / 1000.0, cpuMsPerSecond, played ? "" : " (STOPPED BEFORE THE END)", mpvCpuMsPerSecond,
                cpuMsPerSecond / mpvCpuMsPerSecond);
    control->Close(OLECLOSE_NOSAVE);
    player->Release();
    control->Release();
    factory->Release();
    ::DestroyWindow(host);
    ::OleUninitialize();
    return played ? 0 : 1;
}
