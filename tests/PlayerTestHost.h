// A small OLE container for the player control's tests: the DLL loaded from beside the test
// program, a client site with in-place support and ambients, and a sink that records events.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "PlayerIds.h"

namespace PlayerTest {

// The control's DLL, loaded once for the whole run.
class PlayerModule {
public:
    static PlayerModule& Get();
    std::string Path() const { return m_path; }
    HRESULT GetClassObject(REFIID riid, void** ppv) const;
    HRESULT CanUnloadNow() const;
    HRESULT CreateInstance(REFIID riid, void** ppv) const;

private:
    PlayerModule();
    std::string m_path;
    HMODULE m_module = nullptr;
    HRESULT(STDAPICALLTYPE* m_getClassObject)(REFCLSID, REFIID, LPVOID*) = nullptr;
    HRESULT(STDAPICALLTYPE* m_canUnloadNow)() = nullptr;
};

// Counts its own references like a real COM object; tests hold it by CComHolder.
class CRefCounted {
public:
    ULONG AddRefImpl() { return ++m_refs; }
    ULONG ReleaseImpl();

protected:
    virtual ~CRefCounted() = default;

private:
    ULONG m_refs = 1;
};

// A client site: IOleClientSite, optionally IOleInPlaceSite, IOleControlSite and the ambient
// IDispatch. It records the calls the control makes, in order.
class CTestSite final : public IOleClientSite,
                        public IOleInPlaceSite,
                        public IOleControlSite,
                        public IDispatch,
                        private CRefCounted {
public:
    CTestSite(HWND window, const RECT& position, bool offerInPlaceSite);

    std::vector<std::string> calls;
    // Ambient properties answered; every other one is DISP_E_MEMBERNOTFOUND.
    std::map<DISPID, bool> ambients;
    const RECT position;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override;
    STDMETHODIMP GetContainer(IOleContainer** ppContainer) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL) override;
    STDMETHODIMP RequestNewObjectLayout() override;

    // IOleWindow, IOleInPlaceSite
    STDMETHODIMP GetWindow(HWND* phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override;
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                  LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override;
    STDMETHODIMP Scroll(SIZE) override;
    STDMETHODIMP OnUIDeactivate(BOOL) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT) override;

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override;
    STDMETHODIMP LockInPlaceActive(BOOL) override;
    STDMETHODIMP GetExtendedControl(IDispatch** ppDisp) override;
    STDMETHODIMP TransformCoords(POINTL*, POINTF*, DWORD) override;
    STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override;
    STDMETHODIMP OnFocus(BOOL fGotFocus) override;
    STDMETHODIMP ShowPropertyFrame() override;

    // IDispatch: the ambient properties
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                        UINT*) override;

private:
    HWND m_window;
    bool m_offerInPlaceSite;
};

struct RecordedEvent {
    DISPID dispid;
    // As the control passed them: the last argument first.
    std::vector<VARIANT> args;
};

// An event sink that records every call.
class CEventRecorder final : public IDispatch, private CRefCounted {
public:
    std::vector<RecordedEvent> events;
    // The state-change events' parameters, in order.
    std::vector<LONG> States() const;
    size_t Count(DISPID dispid) const;
    // Runs inside the event, as a host's handler would.
    std::function<void(const RecordedEvent&)> onEvent;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD wFlags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override;

private:
    ~CEventRecorder() override;
};

// An owning pointer for the test's own COM objects and the control's interfaces.
template <class T>
struct ComReleaser {
    void operator()(T* p) const { p->Release(); }
};
template <class T>
using CComHolder = std::unique_ptr<T, ComReleaser<T>>;

// Late-bound calls the way an Automation client makes them.
HRESULT Put(IDispatch* dispatch, DISPID dispid, const VARIANT& value, UINT* argErr = nullptr);
HRESULT Get(IDispatch* dispatch, DISPID dispid, VARIANT* result);
HRESULT Call(IDispatch* dispatch, DISPID dispid);
HRESULT PutString(IDispatch* dispatch, DISPID dispid, const std::wstring& value);
HRESULT PutLong(IDispatch* dispatch, DISPID dispid, LONG value);
HRESULT PutBool(IDispatch* dispatch, DISPID dispid, bool value);
LONG GetLong(IDispatch* dispatch, DISPID dispid);
bool GetBool(IDispatch* dispatch, DISPID dispid);

// Runs the thread's message loop until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 3000);
void PumpFor(DWORD milliseconds);

// A top-level window of the test, shown, to host the control.
HWND CreateParentWindow();
// The windows of this thread with the given class.
std::vector<HWND> ThreadWindowsOfClass(const char* className);

// Writes a solid-colour 24-bit bitmap file.
void WriteSolidBitmap(const std::string& path, int width, int height, COLORREF color);
// A pixel as the window shows it, after a forced repaint.
COLORREF WindowPixel(HWND hwnd, int x, int y);
// The window's client area as 32-bit pixels, read from the screen after a forced repaint.
std::vector<DWORD> WindowPixels(HWND hwnd);

// The 128-byte persisted form.
std::vector<BYTE> PersistedBytes(DWORD magic, WORD version, WORD border, DWORD color, DWORD volume);
IStream* StreamOf(const std::vector<BYTE>& bytes);

// The control hosted in place, set up in the order a small host uses.
struct HostedPlayer {
    struct Options {
        bool offerInPlaceSite = true;
        std::map<DISPID, bool> ambients;
        // Loaded from this persisted form when given; InitNew otherwise.
        std::vector<BYTE> persisted;
    };

    HostedPlayer() : HostedPlayer(Options()) {}
    explicit HostedPlayer(const Options& options);
    ~HostedPlayer();

    // The teardown order: Unadvise, InPlaceDeactivate, Close, SetClientSite(NULL), Release.
    void TearDown();

    HWND parent = nullptr;
    CTestSite* site = nullptr;
    CEventRecorder* sink = nullptr;
    IOleObject* object = nullptr;
    IDispatch* dispatch = nullptr;
    IConnectionPoint* connectionPoint = nullptr;
    DWORD cookie = 0;
    HRESULT loadResult = S_OK;
    HWND video = nullptr;
    // Where the in-place site puts the control and where DoVerb is told to.
    static constexpr RECT kSitePosition = {20, 30, 340, 270};
    static constexpr RECT kDoVerbPosition = {40, 10, 200, 130};
};

}  // namespace PlayerTest
