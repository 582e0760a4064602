// The control's identity and lifetime, and what ties the engine, the views and the events together.
#include "PlayerControl.h"

#include <new>

#include "Enumerators.h"
#include "product/PlayerContract.h"
#include "PlayerMenu.h"

namespace {

// The size a host gets before it sets one: 320 x 240 pixels, in HIMETRIC.
SIZEL DefaultExtent()
{
    HDC screen = GetDC(nullptr);
    int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return {MulDiv(320, 2540, dpiX), MulDiv(240, 2540, dpiY)};
}

// Keeps the control alive through a callback from one of its windows, whose handler may
// release the host's last reference.
class CSelfReference {
public:
    explicit CSelfReference(IUnknown* self) : m_self(self) { m_self->AddRef(); }
    ~CSelfReference() { m_self->Release(); }
    CSelfReference(const CSelfReference&) = delete;
    CSelfReference& operator=(const CSelfReference&) = delete;

private:
    IUnknown* m_self;
};

}  // namespace

CPlayerControl::CPlayerControl()
    : m_engine(*this), m_events(*this, DIID_P2PPlayerEvents), m_video(*this), m_fullScreen(*this),
      m_extent(DefaultExtent())
{
    ApplySettings(m_settings);
}

CPlayerControl::~CPlayerControl()
{
    // A host that skipped the teardown still must not leave windows calling into freed memory.
    m_fullScreen.Destroy();
    m_video.Destroy();
}

bool CPlayerControl::Initialize()
{
    return m_engine.Initialize();
}

HRESULT CPlayerControl::Create(REFIID riid, void** ppv)
{
    auto* control = new (std::nothrow) CPlayerControl();
    if (!control)
        return E_OUTOFMEMORY;
    HRESULT hr = control->Initialize() ? control->QueryInterface(riid, ppv) : E_FAIL;
    control->Release();
    return hr;
}

STDMETHODIMP CPlayerControl::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch)
        *ppv = static_cast<IDispatch*>(this);
    else if (riid == IID_IOleObject)
        *ppv = static_cast<IOleObject*>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceObject)
        *ppv = static_cast<IOleInPlaceObject*>(this);
    else if (riid == IID_IOleControl)
        *ppv = static_cast<IOleControl*>(this);
    else if (riid == IID_IPersist || riid == IID_IPersistStreamInit)
        *ppv = static_cast<IPersistStreamInit*>(this);
    else if (riid == IID_IConnectionPointContainer)
        *ppv = static_cast<IConnectionPointContainer*>(this);
    else if (riid == IID_IProvideClassInfo || riid == IID_IProvideClassInfo2)
        *ppv = static_cast<IProvideClassInfo2*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CPlayerControl::AddRef()
{
    return InterlockedIncrement(&m_refs);
}

STDMETHODIMP_(ULONG) CPlayerControl::Release()
{
    LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) {
        // Windows torn down by the destructor call back in; their references must not
        // bring the count to zero a second time.
        m_refs = 1;
        delete this;
    }
    return refs;
}

// ---- Playback and views ----

void CPlayerControl::Play(const std::wstring& address)
{
    m_engine.Play(address);
    InvalidateViews();
}

HRESULT CPlayerControl::SetFullScreen(bool fullScreen)
{
    if (!fullScreen) {
        // The picture goes back before its window goes.
        m_engine.ShowVideoIn(m_video.Handle());
        m_fullScreen.Destroy();
        return S_OK;
    }
    if (m_fullScreen.IsShown())
        return S_OK;
    HWND video = m_video.Handle();
    HMONITOR monitor = video ? MonitorFromWindow(video, MONITOR_DEFAULTTONEAREST)
                             : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoA(monitor, &info))
        return E_FAIL;
    HWND owner = video ? GetAncestor(video, GA_ROOT) : nullptr;
    if (!m_fullScreen.Show(owner, info.rcMonitor))
        return E_FAIL;
    m_engine.ShowVideoIn(m_fullScreen.Handle());
    return S_OK;
}

void CPlayerControl::ApplySettings(const PlayerSettings& settings)
{
    m_settings = settings;
    m_engine.SetVolume(settings.volume);
    COLORREF back;
    if (FAILED(OleTranslateColor(settings.backColor, nullptr, &back)))
        back = GetSysColor(COLOR_BTNFACE);
    m_renderer.SetBackColor(back);
    m_video.SetBorder(settings.borderStyle == PlayerSettings::BorderSingle);
    InvalidateViews();
}

void CPlayerControl::InvalidateViews()
{
    m_video.Invalidate();
    m_fullScreen.Invalidate();
}

HWND CPlayerControl::PictureWindow() const
{
    return m_fullScreen.IsShown() ? m_fullScreen.Handle() : m_video.Handle();
}

void CPlayerControl::FireEvent(DISPID dispid, VARIANTARG* reversedArgs, UINT argCount)
{
    // A frozen host is not ready for events; they are dropped, not queued.
    if (m_freezeCount > 0)
        return;
    m_events.Fire(dispid, reversedArgs, argCount);
}

// ---- IPlaybackListener ----

void CPlayerControl::OnPlayStateChanged(PlayState state)
{
    CSelfReference self(static_cast<IDispatch*>(this));
    InvalidateViews();
    VARIANTARG arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_I4;
    V_I4(&arg) = state;
    FireEvent(PLAYER_EVENT_STATECHANGE, &arg, 1);
}

// ---- IVideoWindowHost ----

void CPlayerControl::DrawVideo(HDC dc, const RECT& rect)
{
    FrameContent frame = {m_engine.State(), m_engine.Address()};
    m_renderer.DrawBuffered(dc, rect, frame);
}

void CPlayerControl::OnVideoEnterKey()
{
    if (!AcceptsInput())
        return;
    CSelfReference self(static_cast<IDispatch*>(this));
    FireEvent(PLAYER_EVENT_ENTERKEY);
}

void CPlayerControl::OnVideoDoubleClick(SHORT button, SHORT shift, LONG x, LONG y)
{
    if (!AcceptsInput())
        return;
    CSelfReference self(static_cast<IDispatch*>(this));
    // IDispatch takes the arguments last first.
    VARIANTARG args[4];
    for (VARIANTARG& arg : args)
        VariantInit(&arg);
    V_VT(&args[3]) = VT_I2;
    V_I2(&args[3]) = button;
    V_VT(&args[2]) = VT_I2;
    V_I2(&args[2]) = shift;
    V_VT(&args[1]) = VT_I4;
    V_I4(&args[1]) = x;
    V_VT(&args[0]) = VT_I4;
    V_I4(&args[0]) = y;
    FireEvent(PLAYER_EVENT_DOUBLECLICK, args, 4);
}

void CPlayerControl::OnVideoContextMenu(HWND window, POINT screenPoint)
{
    if (!m_contextMenu || !AcceptsInput())
        return;
    CSelfReference self(static_cast<IDispatch*>(this));
    PlayerMenuState menuState = {m_engine.State(), !m_engine.Address().empty(), m_fullScreen.IsShown()};
    switch (TrackPlayerMenu(window, screenPoint, menuState)) {
    case MENU_PLAYPAUSE:
        if (m_engine.State() == PLAYSTATE_PLAYING)
            m_engine.Pause();
        else if (m_engine.State() == PLAYSTATE_PAUSED)
            m_engine.Resume();
        else if (m_engine.State() == PLAYSTATE_STOPPED)
            Play(m_engine.Address());
        break;
    case MENU_STOP:
        m_engine.Stop();
        break;
    case MENU_FULLSCREEN:
        SetFullScreen(!m_fullScreen.IsShown());
        break;
    case MENU_NONE:
        break;
    }
}

void CPlayerControl::OnVideoFocus(bool focused)
{
    if (m_controlSite) {
        CSelfReference self(static_cast<IDispatch*>(this));
        m_controlSite->OnFocus(focused);
    }
}

void CPlayerControl::OnVideoSized()
{
    m_engine.ShowVideoIn(PictureWindow());
}

void CPlayerControl::OnFullScreenDismissed()
{
    CSelfReference self(static_cast<IDispatch*>(this));
    SetFullScreen(false);
    // The user was watching: the keyboard goes back to the video, not to whatever the host had.
    if (m_video.Handle())
        SetFocus(m_video.Handle());
}

// ---- IConnectionPointContainer ----

STDMETHODIMP CPlayerControl::EnumConnectionPoints(IEnumConnectionPoints** ppEnum)
{
    return CEnumConnectionPoints::Create({&m_events}, ppEnum);
}

STDMETHODIMP CPlayerControl::FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP)
{
    if (!ppCP)
        return E_POINTER;
    *ppCP = nullptr;
    if (riid != DIID_P2PPlayerEvents)
        return CONNECT_E_NOCONNECTION;
    *ppCP = &m_events;
    m_events.AddRef();
    return S_OK;
}

// ---- IProvideClassInfo2 ----

STDMETHODIMP CPlayerControl::GetClassInfo(ITypeInfo** ppTI)
{
    // No type library: hosts find the event interface through GetGUID.
    if (ppTI)
        *ppTI = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP CPlayerControl::GetGUID(DWORD dwGuidKind, GUID* pGUID)
{
    if (!pGUID)
        return E_POINTER;
    if (dwGuidKind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
        *pGUID = GUID_NULL;
        return E_INVALIDARG;
    }
    *pGUID = DIID_P2PPlayerEvents;
    return S_OK;
}
