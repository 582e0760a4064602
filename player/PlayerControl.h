// The player control: an OLE control that a dialog hosts in place, scripted through IDispatch
// and reporting through its event connection point.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <string>

#include "framework/ComRef.h"
#include "EventSource.h"
#include "FrameRenderer.h"
#include "Module.h"
#include "PersistedForm.h"
#include "PlaybackEngine.h"
#include "VideoWindows.h"

// Also written to the registry, where hosts read it before creating the control.
constexpr DWORD kPlayerMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                                    OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;

class CPlayerControl final : public IDispatch,
                             public IOleObject,
                             public IOleInPlaceObject,
                             public IOleControl,
                             public IPersistStreamInit,
                             public IConnectionPointContainer,
                             public IProvideClassInfo2,
                             private IPlaybackListener,
                             private IVideoWindowHost {
public:
    static HRESULT Create(REFIID riid, void** ppv);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* pClientSite) override;
    STDMETHODIMP GetClientSite(IOleClientSite** ppClientSite) override;
    STDMETHODIMP SetHostNames(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) override;
    STDMETHODIMP Close(DWORD dwSaveOption) override;
    STDMETHODIMP SetMoniker(DWORD dwWhichMoniker, IMoniker* pmk) override;
    STDMETHODIMP GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) override;
    STDMETHODIMP InitFromData(IDataObject* pDataObject, BOOL fCreation, DWORD dwReserved) override;
    STDMETHODIMP GetClipboardData(DWORD dwReserved, IDataObject** ppDataObject) override;
    STDMETHODIMP DoVerb(LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite, LONG lindex, HWND hwndParent,
                        LPCRECT lprcPosRect) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** ppEnumOleVerb) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP IsUpToDate() override;
    STDMETHODIMP GetUserClassID(CLSID* pClsid) override;
    STDMETHODIMP GetUserType(DWORD dwFormOfType, LPOLESTR* pszUserType) override;
    STDMETHODIMP SetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
    STDMETHODIMP GetExtent(DWORD dwDrawAspect, SIZEL* psizel) override;
    STDMETHODIMP Advise(IAdviseSink* pAdvSink, DWORD* pdwConnection) override;
    STDMETHODIMP Unadvise(DWORD dwConnection) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** ppenumAdvise) override;
    STDMETHODIMP GetMiscStatus(DWORD dwAspect, DWORD* pdwStatus) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE* pLogpal) override;

    // IOleWindow, IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* phwnd) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL fEnterMode) override;
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT lprcPosRect, LPCRECT lprcClipRect) override;
    STDMETHODIMP ReactivateAndUndo() override;

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO* pCI) override;
    STDMETHODIMP OnMnemonic(MSG* pMsg) override;
    STDMETHODIMP OnAmbientPropertyChange(DISPID dispID) override;
    STDMETHODIMP FreezeEvents(BOOL bFreeze) override;

    // IPersist, IPersistStreamInit
    STDMETHODIMP GetClassID(CLSID* pClassID) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(LPSTREAM pStm) override;
    STDMETHODIMP Save(LPSTREAM pStm, BOOL fClearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* pCbSize) override;
    STDMETHODIMP InitNew() override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** ppEnum) override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) override;

    // IProvideClassInfo, IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** ppTI) override;
    STDMETHODIMP GetGUID(DWORD dwGuidKind, GUID* pGUID) override;

private:
    CPlayerControl();
    ~CPlayerControl();
    bool Initialize();

    // Playback and views
    void Play(const std::wstring& address);
    HRESULT SetFullScreen(bool fullScreen);
    void ApplySettings(const PlayerSettings& settings);
    void InvalidateViews();
    // The full-screen window while it is shown, else the in-place one.
    HWND PictureWindow() const;
    bool AcceptsInput() const { return m_userMode && !m_uiDead; }
    void FireEvent(DISPID dispid, VARIANTARG* reversedArgs = nullptr, UINT argCount = 0);

    // Activation
    HRESULT InPlaceActivate(HWND hwndParent, LPCRECT lprcPosRect);
    void ReadAmbientProperties();
    bool AmbientBool(DISPID dispid, bool fallback) const;

    // Dispatch members
    HRESULT GetProperty(DISPID dispid, VARIANT* result);
    HRESULT PutProperty(DISPID dispid, const VARIANT& value);
    HRESULT CallMethod(DISPID dispid);

    // IPlaybackListener
    void OnPlayStateChanged(PlayState state) override;

    // IVideoWindowHost
    void DrawVideo(HDC dc, const RECT& rect) override;
    void OnVideoEnterKey() override;
    void OnVideoDoubleClick(SHORT button, SHORT shift, LONG x, LONG y) override;
    void OnVideoContextMenu(HWND window, POINT screenPoint) override;
    void OnVideoFocus(bool focused) override;
    void OnVideoSized() override;
    void OnFullScreenDismissed() override;

    CModuleLock m_moduleLock;
    LONG m_refs = 1;

    CPlaybackEngine m_engine;
    CFrameRenderer m_renderer;
    CEventSource m_events;
    CVideoWindow m_video;
    CFullScreenWindow m_fullScreen;

    PlayerSettings m_settings;
    bool m_initialized = false;
    bool m_dirty = false;
    bool m_contextMenu = true;
    std::wstring m_idlePicture;
    LONG m_freezeCount = 0;

    CComRef<IOleClientSite> m_site;
    CComRef<IOleControlSite> m_controlSite;
    CComRef<IOleInPlaceSite> m_inPlaceSite;
    CComRef<IOleAdviseHolder> m_adviseHolder;
    bool m_inPlaceActive = false;
    SIZEL m_extent;
    bool m_userMode = true;
    bool m_uiDead = false;
};
