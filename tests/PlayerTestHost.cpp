#include "PlayerTestHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

namespace PlayerTest {

// ---- PlayerModule ----

PlayerModule::PlayerModule()
{
    // The build copies the control beside the test program.
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string directory(path);
    directory.erase(directory.find_last_of('\\') + 1);
    m_path = directory + "P2PPlayer.dll";
    m_module = LoadLibraryA(m_path.c_str());
    if (!m_module)
        return;
    m_getClassObject = reinterpret_cast<decltype(m_getClassObject)>(
        reinterpret_cast<void*>(GetProcAddress(m_module, "DllGetClassObject")));
    m_canUnloadNow = reinterpret_cast<decltype(m_canUnloadNow)>(
        reinterpret_cast<void*>(GetProcAddress(m_module, "DllCanUnloadNow")));
}

PlayerModule& PlayerModule::Get()
{
    static PlayerModule module;
    return module;
}

HRESULT PlayerModule::GetClassObject(REFIID riid, void** ppv) const
{
    return m_getClassObject ? m_getClassObject(CLSID_P2PPlayer, riid, ppv) : E_UNEXPECTED;
}

HRESULT PlayerModule::CanUnloadNow() const
{
    return m_canUnloadNow ? m_canUnloadNow() : E_UNEXPECTED;
}

HRESULT PlayerModule::CreateInstance(REFIID riid, void** ppv) const
{
    IClassFactory* factory = nullptr;
    HRESULT hr = GetClassObject(IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr))
        return hr;
    hr = factory->CreateInstance(nullptr, riid, ppv);
    factory->Release();
    return hr;
}

ULONG CRefCounted::ReleaseImpl()
{
    ULONG refs = --m_refs;
    if (refs == 0)
        delete this;
    return refs;
}

// ---- CTestSite ----

CTestSite::CTestSite(HWND window, const RECT& position, bool offerInPlaceSite)
    : position(position), m_window(window), m_offerInPlaceSite(offerInPlaceSite)
{
}

STDMETHODIMP CTestSite::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IOleClientSite)
        *ppv = static_cast<IOleClientSite*>(this);
    else if ((riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) && m_offerInPlaceSite)
        *ppv = static_cast<IOleInPlaceSite*>(this);
    else if (riid == IID_IOleControlSite)
        *ppv = static_cast<IOleControlSite*>(this);
    else if (riid == IID_IDispatch)
        *ppv = static_cast<IDispatch*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP CTestSite::SaveObject()
{
    calls.push_back("SaveObject");
    return S_OK;
}
STDMETHODIMP CTestSite::GetMoniker(DWORD, DWORD, IMoniker** ppmk)
{
    *ppmk = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP CTestSite::GetContainer(IOleContainer** ppContainer)
{
    *ppContainer = nullptr;
    return E_NOINTERFACE;
}
STDMETHODIMP CTestSite::ShowObject() { return S_OK; }
STDMETHODIMP CTestSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP CTestSite::RequestNewObjectLayout() { return E_NOTIMPL; }

STDMETHODIMP CTestSite::GetWindow(HWND* phwnd)
{
    calls.push_back("GetWindow");
    *phwnd = m_window;
    return S_OK;
}
STDMETHODIMP CTestSite::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP CTestSite::CanInPlaceActivate()
{
    calls.push_back("CanInPlaceActivate");
    return S_OK;
}
STDMETHODIMP CTestSite::OnInPlaceActivate()
{
    calls.push_back("OnInPlaceActivate");
    return S_OK;
}
STDMETHODIMP CTestSite::OnUIActivate()
{
    calls.push_back("OnUIActivate");
    return S_OK;
}
STDMETHODIMP CTestSite::GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc,
                                         LPRECT lprcPosRect, LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO)
{
    calls.push_back("GetWindowContext");
    *ppFrame = nullptr;
    *ppDoc = nullptr;
    *lprcPosRect = position;
    *lprcClipRect = position;
    return S_OK;
}
STDMETHODIMP CTestSite::Scroll(SIZE) { return E_NOTIMPL; }
STDMETHODIMP CTestSite::OnUIDeactivate(BOOL)
{
    calls.push_back("OnUIDeactivate");
    return S_OK;
}
STDMETHODIMP CTestSite::OnInPlaceDeactivate()
{
    calls.push_back("OnInPlaceDeactivate");
    return S_OK;
}
STDMETHODIMP CTestSite::DiscardUndoState() { return E_NOTIMPL; }
STDMETHODIMP CTestSite::DeactivateAndUndo() { return E_NOTIMPL; }
STDMETHODIMP CTestSite::OnPosRectChange(LPCRECT) { return E_NOTIMPL; }

STDMETHODIMP CTestSite::OnControlInfoChanged() { return S_OK; }
STDMETHODIMP CTestSite::LockInPlaceActive(BOOL) { return E_NOTIMPL; }
STDMETHODIMP CTestSite::GetExtendedControl(IDispatch** ppDisp)
{
    *ppDisp = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP CTestSite::TransformCoords(POINTL*, POINTF*, DWORD) { return E_NOTIMPL; }
STDMETHODIMP CTestSite::TranslateAccelerator(MSG*, DWORD) { return S_FALSE; }
STDMETHODIMP CTestSite::OnFocus(BOOL fGotFocus)
{
    calls.push_back(fGotFocus ? "OnFocus(TRUE)" : "OnFocus(FALSE)");
    return S_OK;
}
STDMETHODIMP CTestSite::ShowPropertyFrame() { return E_NOTIMPL; }

STDMETHODIMP CTestSite::GetTypeInfoCount(UINT* pctinfo)
{
    *pctinfo = 0;
    return S_OK;
}
STDMETHODIMP CTestSite::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo)
{
    *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
}
STDMETHODIMP CTestSite::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return DISP_E_UNKNOWNNAME; }
STDMETHODIMP CTestSite::Invoke(DISPID dispid, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* result,
                               EXCEPINFO*, UINT*)
{
    auto ambient = ambients.find(dispid);
    if (ambient == ambients.end() || !(wFlags & DISPATCH_PROPERTYGET) || !result)
        return DISP_E_MEMBERNOTFOUND;
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = ambient->second ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

// ---- CEventRecorder ----

CEventRecorder::~CEventRecorder()
{
    for (RecordedEvent& event : events)
        for (VARIANT& arg : event.args)
            VariantClear(&arg);
}

std::vector<LONG> CEventRecorder::States() const
{
    std::vector<LONG> states;
    for (const RecordedEvent& event : events)
        if (event.dispid == PLAYER_EVENT_STATECHANGE && event.args.size() == 1 && V_VT(&event.args[0]) == VT_I4)
            states.push_back(V_I4(&event.args[0]));
    return states;
}

size_t CEventRecorder::Count(DISPID dispid) const
{
    size_t count = 0;
    for (const RecordedEvent& event : events)
        count += event.dispid == dispid;
    return count;
}

STDMETHODIMP CEventRecorder::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID_P2PPlayerEvents) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}
STDMETHODIMP CEventRecorder::GetTypeInfoCount(UINT* pctinfo)
{
    *pctinfo = 0;
    return S_OK;
}
STDMETHODIMP CEventRecorder::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo)
{
    *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
}
STDMETHODIMP CEventRecorder::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return DISP_E_UNKNOWNNAME; }
STDMETHODIMP CEventRecorder::Invoke(DISPID dispid, REFIID, LCID, WORD wFlags, DISPPARAMS* params, VARIANT*,
                                    EXCEPINFO*, UINT*)
{
    EXPECT_EQ(DISPATCH_METHOD, wFlags);
    RecordedEvent event{dispid, {}};
    for (UINT i = 0; i < params->cArgs; ++i) {
        VARIANT copy;
        VariantInit(&copy);
        VariantCopy(&copy, &params->rgvarg[i]);
        event.args.push_back(copy);
    }
    events.push_back(event);
    if (onEvent)
        onEvent(events.back());
    return S_OK;
}

// ---- Late-bound calls ----

HRESULT Put(IDispatch* dispatch, DISPID dispid, const VARIANT& value, UINT* argErr)
{
    DISPID named = DISPID_PROPERTYPUT;
    VARIANT arg = value;
    DISPPARAMS params = {&arg, &named, 1, 1};
    UINT unused = 0;
    return dispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                            argErr ? argErr : &unused);
}

HRESULT Get(IDispatch* dispatch, DISPID dispid, VARIANT* result)
{
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VariantInit(result);
    return dispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result, nullptr,
                            nullptr);
}

HRESULT Call(IDispatch* dispatch, DISPID dispid)
{
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    HRESULT hr = dispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result,
                                  nullptr, nullptr);
    EXPECT_EQ(VT_EMPTY, V_VT(&result));
    VariantClear(&result);
    return hr;
}

HRESULT PutString(IDispatch* dispatch, DISPID dispid, const std::wstring& value)
{
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    HRESULT hr = Put(dispatch, dispid, v);
    VariantClear(&v);
    return hr;
}

HRESULT PutLong(IDispatch* dispatch, DISPID dispid, LONG value)
{
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return Put(dispatch, dispid, v);
}

HRESULT PutBool(IDispatch* dispatch, DISPID dispid, bool value)
{
    VARIANT v;
    V_VT(&v) = VT_BOOL;
    V_BOOL(&v) = value ? VARIANT_TRUE : VARIANT_FALSE;
    return Put(dispatch, dispid, v);
}

LONG GetLong(IDispatch* dispatch, DISPID dispid)
{
    VARIANT v;
    EXPECT_EQ(S_OK, Get(dispatch, dispid, &v));
    EXPECT_EQ(VT_I4, V_VT(&v));
    return V_VT(&v) == VT_I4 ? V_I4(&v) : -1;
}

bool GetBool(IDispatch* dispatch, DISPID dispid)
{
    VARIANT v;
    EXPECT_EQ(S_OK, Get(dispatch, dispid, &v));
    EXPECT_EQ(VT_BOOL, V_VT(&v));
    return V_VT(&v) == VT_BOOL && V_BOOL(&v) != VARIANT_FALSE;
}

// ---- Messages and windows ----

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (condition())
            return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    }
}

void PumpFor(DWORD milliseconds)
{
    PumpUntil([] { return false; }, milliseconds);
}

HWND CreateParentWindow()
{
    static const char kClass[] = "PlayerTestParent";
    WNDCLASSA existing;
    if (!GetClassInfoA(GetModuleHandleA(nullptr), kClass, &existing)) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);
    }
    HWND hwnd = CreateWindowExA(0, kClass, "Player host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 50, 50, 480, 360,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    SetForegroundWindow(hwnd);
    return hwnd;
}

namespace {

struct ClassSearch {
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOfClass(HWND hwnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<ClassSearch*>(lParam);
    char name[64];
    if (GetClassNameA(hwnd, name, sizeof(name)) && lstrcmpA(name, search->className) == 0)
        search->found.push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> ThreadWindowsOfClass(const char* className)
{
    ClassSearch search{className, {}};
    EnumThreadWindows(GetCurrentThreadId(), CollectWindowOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void WriteSolidBitmap(const std::string& path, int width, int height, COLORREF color)
{
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = stride * height;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::vector<BYTE> pixels(info.biSizeImage);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            BYTE* p = &pixels[y * stride + x * 3];
            p[0] = GetBValue(color);
            p[1] = GetGValue(color);
            p[2] = GetRValue(color);
        }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info), sizeof(info));
    out.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
}

COLORREF WindowPixel(HWND hwnd, int x, int y)
{
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(hwnd);
    COLORREF color = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return color;
}

std::vector<DWORD> WindowPixels(HWND hwnd)
{
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    RECT client;
    GetClientRect(hwnd, &client);
    const int width = client.right;
    const int height = client.bottom;
    HDC dc = GetDC(hwnd);
    HDC memory = CreateCompatibleDC(dc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + width * height);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(hwnd, dc);
    return pixels;
}

// ---- The persisted form ----

std::vector<BYTE> PersistedBytes(DWORD magic, WORD version, WORD border, DWORD color, DWORD volume)
{
    std::vector<BYTE> bytes(128, 0);
    std::memcpy(&bytes[0], &magic, 4);
    std::memcpy(&bytes[4], &version, 2);
    std::memcpy(&bytes[6], &border, 2);
    std::memcpy(&bytes[8], &color, 4);
    std::memcpy(&bytes[12], &volume, 4);
    return bytes;
}

IStream* StreamOf(const std::vector<BYTE>& bytes)
{
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    ULONG written = 0;
    stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    return stream;
}

// ---- HostedPlayer ----

HostedPlayer::HostedPlayer(const Options& options)
{
    parent = CreateParentWindow();
    site = new CTestSite(parent, kSitePosition, options.offerInPlaceSite);
    site->ambients = options.ambients;
    sink = new CEventRecorder();

    EXPECT_EQ(S_OK, PlayerModule::Get().CreateInstance(IID_IOleObject, reinterpret_cast<void**>(&object)));
    if (!object)
        return;
    DWORD misc = 0;
    EXPECT_EQ(S_OK, object->GetMiscStatus(DVASPECT_CONTENT, &misc));
    if (misc & OLEMISC_SETCLIENTSITEFIRST) {
        EXPECT_EQ(S_OK, object->SetClientSite(site));
    }

    IPersistStreamInit* persist = nullptr;
    EXPECT_EQ(S_OK, object->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist)));
    if (persist) {
        if (options.persisted.empty()) {
            loadResult = persist->InitNew();
        } else {
            IStream* stream = StreamOf(options.persisted);
            loadResult = persist->Load(stream);
            stream->Release();
        }
        persist->Release();
    }
    if (!(misc & OLEMISC_SETCLIENTSITEFIRST)) {
        EXPECT_EQ(S_OK, object->SetClientSite(site));
    }
    EXPECT_EQ(S_OK, object->SetHostNames(L"PlayerTests", nullptr));

    HDC screen = GetDC(nullptr);
    SIZEL extent = {MulDiv(kSitePosition.right - kSitePosition.left, 2540, GetDeviceCaps(screen, LOGPIXELSX)),
                    MulDiv(kSitePosition.bottom - kSitePosition.top, 2540, GetDeviceCaps(screen, LOGPIXELSY))};
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(S_OK, object->SetExtent(DVASPECT_CONTENT, &extent));

    EXPECT_EQ(S_OK, object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site, 0, parent, &kDoVerbPosition));
    IOleInPlaceObject* inPlace = nullptr;
    EXPECT_EQ(S_OK, object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)));
    if (inPlace) {
        EXPECT_EQ(S_OK, inPlace->GetWindow(&video));
        inPlace->Release();
    }

    EXPECT_EQ(S_OK, object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)));
    IConnectionPointContainer* container = nullptr;
    EXPECT_EQ(S_OK, object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container)));
    if (container) {
        EXPECT_EQ(S_OK, container->FindConnectionPoint(DIID_P2PPlayerEvents, &connectionPoint));
        container->Release();
    }
    if (connectionPoint) {
        EXPECT_EQ(S_OK, connectionPoint->Advise(static_cast<IDispatch*>(sink), &cookie));
    }
}

void HostedPlayer::TearDown()
{
    if (!object)
        return;
    if (connectionPoint) {
        EXPECT_EQ(S_OK, connectionPoint->Unadvise(cookie));
        connectionPoint->Release();
        connectionPoint = nullptr;
    }
    if (dispatch) {
        dispatch->Release();
        dispatch = nullptr;
    }
    IOleInPlaceObject* inPlace = nullptr;
    EXPECT_EQ(S_OK, object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)));
    if (inPlace) {
        EXPECT_EQ(S_OK, inPlace->InPlaceDeactivate());
        inPlace->Release();
    }
    EXPECT_EQ(S_OK, object->Close(OLECLOSE_NOSAVE));
    EXPECT_EQ(S_OK, object->SetClientSite(nullptr));
    object->Release();
    object = nullptr;
}

HostedPlayer::~HostedPlayer()
{
    TearDown();
    sink->Release();
    site->Release();
    DestroyWindow(parent);
}

}  // namespace PlayerTest
