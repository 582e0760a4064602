#include "AfxOleControl.h"

#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "AfxException.h"

namespace {

bool g_bContainerEnabled = false;

const char kSiteProperty[] = "AfxControlSite";

typedef CControlCreationScope::InitDataMap InitDataMap;
// The init data of the dialog being created on this thread.
thread_local const InitDataMap* t_pInitData = nullptr;

BSTR AnsiToBstr(LPCSTR lpsz)
{
    int length = ::MultiByteToWideChar(CP_ACP, 0, lpsz, -1, nullptr, 0);
    BSTR bstr = ::SysAllocStringLen(nullptr, length > 0 ? length - 1 : 0);
    if (bstr != nullptr && length > 0)
        ::MultiByteToWideChar(CP_ACP, 0, lpsz, -1, bstr, length);
    return bstr;
}

CString WideToAnsi(LPCWSTR lpsz, int length)
{
    int size = ::WideCharToMultiByte(CP_ACP, 0, lpsz, length, nullptr, 0, nullptr, nullptr);
    std::vector<char> buffer(static_cast<size_t>(size));
    ::WideCharToMultiByte(CP_ACP, 0, lpsz, length, buffer.data(), size, nullptr, nullptr);
    return CString(buffer.data(), size);
}

// Dialog initialisation data: the resource type, and the record kind that holds a persisted stream.
const WORD kDlgInitResourceType = 240;
const WORD kDlgInitPersistStream = 0x0376;

// The records of a dialog's initialisation data, each followed by its bytes; a control id of 0 ends them.
#pragma pack(push, 2)
struct DLGINIT_RECORD {
    WORD nCtlID;
    WORD nKind;
    DWORD nBytes;
};
#pragma pack(pop)

InitDataMap LoadInitData(HINSTANCE hInstance, UINT nIDTemplate)
{
    InitDataMap records;
    const std::vector<BYTE> data = AfxLoadResourceBytes(hInstance, nIDTemplate, MAKEINTRESOURCEA(kDlgInitResourceType));
    for (size_t pos = 0; pos + sizeof(DLGINIT_RECORD) <= data.size();) {
        DLGINIT_RECORD record;
        memcpy(&record, data.data() + pos, sizeof(record));
        pos += sizeof(record);
        if (record.nCtlID == 0 || record.nBytes > data.size() - pos)
            break;
        if (record.nKind == kDlgInitPersistStream)
            records[record.nCtlID].assign(data.data() + pos, data.data() + pos + record.nBytes);
        pos += record.nBytes;
    }
    return records;
}

// OLE measures extents in hundredths of a millimetre.
const int kHimetricPerInch = 2540;

LONG PixelsToHimetric(LONG pixels, int logicalPixelsPerInch)
{
    return ::MulDiv(pixels, kHimetricPerInch, logicalPixelsPerInch);
}

class COleControlSite;

// Receives a control's events and hands them to the host's parent window.
class CEventSink final : public IDispatch {
public:
    explicit CEventSink(COleControlSite* pSite) : m_pSite(pSite) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override
    {
        *pctinfo = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* pParams, VARIANT*, EXCEPINFO*, UINT*) override;

    IID m_iid = IID_NULL;

private:
    COleControlSite* m_pSite;
};

// The container's side of one hosted control: its client site, in-place site and frame, and
// the ambient properties it may ask for.
class COleControlSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame, public IDispatch {
public:
    explicit COleControlSite(HWND hWndHost) : m_hWndHost(hWndHost), m_sink(this) {}

    HRESULT CreateControl(REFCLSID clsid, const std::vector<BYTE>* pInitData);
    void DestroyControl();
    void Resize(int cx, int cy);
    void FocusControl();
    HRESULT FireEvent(DISPID dispid, const DISPPARAMS* pParams);

    IDispatch* m_pDispatch = nullptr;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_cRef; }
    STDMETHODIMP_(ULONG) Release() override
    {
        ULONG cRef = --m_cRef;
        if (cRef == 0)
            delete this;
        return cRef;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override
    {
        *ppmk = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** ppContainer) override
    {
        *ppContainer = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow, shared by the in-place site and the frame
    STDMETHODIMP GetWindow(HWND* phwnd) override
    {
        *phwnd = m_hWndHost;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                  LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override;
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT lprcPosRect) override;

    // IOleInPlaceUIWindow and IOleInPlaceFrame: the dialog has no menus or tool space to share.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IDispatch: the ambient properties
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override
    {
        *pctinfo = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* pVarResult, EXCEPINFO*,
                        UINT*) override;

private:
    ~COleControlSite() = default;
    void ConnectEvents();

    ULONG m_cRef = 1;
    HWND m_hWndHost;
    IOleObject* m_pObject = nullptr;
    IOleInPlaceObject* m_pInPlaceObject = nullptr;
    IConnectionPoint* m_pConnectionPoint = nullptr;
    DWORD m_dwCookie = 0;
    CEventSink m_sink;
};

STDMETHODIMP CEventSink::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IDispatch || (m_iid != IID_NULL && riid == m_iid)) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

// The sink lives inside its site and shares the site's lifetime.
STDMETHODIMP_(ULONG) CEventSink::AddRef() { return m_pSite->AddRef(); }
STDMETHODIMP_(ULONG) CEventSink::Release() { return m_pSite->Release(); }

STDMETHODIMP CEventSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* pParams, VARIANT*, EXCEPINFO*, UINT*)
{
    return m_pSite->FireEvent(dispid, pParams);
}

STDMETHODIMP COleControlSite::QueryInterface(REFIID riid, void** ppv)
{
    if (riid == IID_IUnknown || riid == IID_IOleClientSite)
        *ppv = static_cast<IOleClientSite*>(this);
    else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
        *ppv = static_cast<IOleInPlaceSite*>(this);
    else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
        *ppv = static_cast<IOleInPlaceFrame*>(this);
    else if (riid == IID_IDispatch)
        *ppv = static_cast<IDispatch*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP COleControlSite::GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc,
                                               LPRECT lprcPosRect, LPRECT lprcClipRect,
                                               LPOLEINPLACEFRAMEINFO lpFrameInfo)
{
    *ppFrame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *ppDoc = nullptr;
    ::GetClientRect(m_hWndHost, lprcPosRect);
    ::GetClientRect(m_hWndHost, lprcClipRect);
    lpFrameInfo->fMDIApp = FALSE;
    lpFrameInfo->hwndFrame = ::GetParent(m_hWndHost);
    lpFrameInfo->haccel = nullptr;
    lpFrameInfo->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP COleControlSite::OnPosRectChange(LPCRECT lprcPosRect)
{
    if (m_pInPlaceObject != nullptr)
        m_pInPlaceObject->SetObjectRects(lprcPosRect, lprcPosRect);
    return S_OK;
}

STDMETHODIMP COleControlSite::Invoke(DISPID dispid, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* pVarResult,
                                     EXCEPINFO*, UINT*)
{
    if ((wFlags & DISPATCH_PROPERTYGET) == 0 || pVarResult == nullptr)
        return DISP_E_MEMBERNOTFOUND;
    // The controls run for the user, never in a designer.
    if (dispid == DISPID_AMBIENT_USERMODE) {
        V_VT(pVarResult) = VT_BOOL;
        V_BOOL(pVarResult) = VARIANT_TRUE;
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT COleControlSite::CreateControl(REFCLSID clsid, const std::vector<BYTE>* pInitData)
{
    HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                                    IID_IOleObject, reinterpret_cast<void**>(&m_pObject));
    if (FAILED(hr))
        return hr;

    DWORD miscStatus = 0;
    m_pObject->GetMiscStatus(DVASPECT_CONTENT, &miscStatus);
    if (miscStatus & OLEMISC_SETCLIENTSITEFIRST)
        m_pObject->SetClientSite(this);

    IPersistStreamInit* pPersist = nullptr;
    if (SUCCEEDED(m_pObject->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&pPersist)))) {
        IStream* pStream = nullptr;
        if (pInitData != nullptr && SUCCEEDED(::CreateStreamOnHGlobal(nullptr, TRUE, &pStream))) {
            pStream->Write(pInitData->data(), static_cast<ULONG>(pInitData->size()), nullptr);
            LARGE_INTEGER start{};
            pStream->Seek(start, STREAM_SEEK_SET, nullptr);
            hr = pPersist->Load(pStream);
            pStream->Release();
        } else {
            hr = pPersist->InitNew();
        }
        pPersist->Release();
        // A control that does not understand the stream starts from its defaults.
        if (FAILED(hr))
            hr = S_OK;
    }

    if ((miscStatus & OLEMISC_SETCLIENTSITEFIRST) == 0)
        m_pObject->SetClientSite(this);
    m_pObject->SetHostNames(L"Container", nullptr);

    RECT rc;
    ::GetClientRect(m_hWndHost, &rc);
    HDC hdc = ::GetDC(nullptr);
    SIZEL extent = {PixelsToHimetric(rc.right, ::GetDeviceCaps(hdc, LOGPIXELSX)),
                    PixelsToHimetric(rc.bottom, ::GetDeviceCaps(hdc, LOGPIXELSY))};
    ::ReleaseDC(nullptr, hdc);
    m_pObject->SetExtent(DVASPECT_CONTENT, &extent);

    hr = m_pObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, m_hWndHost, &rc);
    if (FAILED(hr))
        return hr;
    m_pObject->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&m_pInPlaceObject));
    m_pObject->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&m_pDispatch));
    ConnectEvents();
    return S_OK;
}

// Advises the sink on the control's default outgoing interface, when the control names one.
void COleControlSite::ConnectEvents()
{
    IProvideClassInfo2* pClassInfo = nullptr;
    if (FAILED(m_pObject->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&pClassInfo))))
        return;
    HRESULT hr = pClassInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &m_sink.m_iid);
    pClassInfo->Release();
    if (FAILED(hr))
        return;
    IConnectionPointContainer* pContainer = nullptr;
    if (FAILED(m_pObject->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&pContainer))))
        return;
    hr = pContainer->FindConnectionPoint(m_sink.m_iid, &m_pConnectionPoint);
    pContainer->Release();
    if (SUCCEEDED(hr) && FAILED(m_pConnectionPoint->Advise(static_cast<IDispatch*>(&m_sink), &m_dwCookie))) {
        m_pConnectionPoint->Release();
        m_pConnectionPoint = nullptr;
    }
}

void COleControlSite::DestroyControl()
{
    if (m_pConnectionPoint != nullptr) {
        m_pConnectionPoint->Unadvise(m_dwCookie);
        m_pConnectionPoint->Release();
        m_pConnectionPoint = nullptr;
    }
    if (m_pInPlaceObject != nullptr) {
        m_pInPlaceObject->InPlaceDeactivate();
        m_pInPlaceObject->Release();
        m_pInPlaceObject = nullptr;
    }
    if (m_pDispatch != nullptr) {
        m_pDispatch->Release();
        m_pDispatch = nullptr;
    }
    if (m_pObject != nullptr) {
        m_pObject->Close(OLECLOSE_NOSAVE);
        m_pObject->SetClientSite(nullptr);
        m_pObject->Release();
        m_pObject = nullptr;
    }
}

void COleControlSite::Resize(int cx, int cy)
{
    if (m_pInPlaceObject == nullptr)
        return;
    RECT rc = {0, 0, cx, cy};
    m_pInPlaceObject->SetObjectRects(&rc, &rc);
}

void COleControlSite::FocusControl()
{
    HWND hWndControl = nullptr;
    if (m_pInPlaceObject != nullptr && SUCCEEDED(m_pInPlaceObject->GetWindow(&hWndControl)))
        ::SetFocus(hWndControl);
}

HRESULT COleControlSite::FireEvent(DISPID dispid, const DISPPARAMS* pParams)
{
    CWnd* pParent = CWnd::FromHandlePermanent(::GetParent(m_hWndHost));
    if (pParent == nullptr)
        return S_OK;
    return pParent->OnEvent(static_cast<UINT>(::GetDlgCtrlID(m_hWndHost)), dispid, pParams);
}

COleControlSite* SiteOf(HWND hWnd)
{
    return static_cast<COleControlSite*>(::GetPropA(hWnd, kSiteProperty));
}

// The window procedure of every host window: it owns its site and keeps the control's
// window the size of itself.
LRESULT CALLBACK ControlHostProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        char className[64] = "";
        ::GetClassNameA(hWnd, className, sizeof(className));
        WCHAR wideName[64];
        ::MultiByteToWideChar(CP_ACP, 0, className, -1, wideName, ARRAYSIZE(wideName));
        CLSID clsid;
        if (FAILED(::CLSIDFromString(wideName, &clsid)))
            return -1;
        const std::vector<BYTE>* pInitData = nullptr;
        if (t_pInitData != nullptr) {
            auto found = t_pInitData->find(static_cast<UINT>(::GetDlgCtrlID(hWnd)));
            if (found != t_pInitData->end())
                pInitData = &found->second;
        }
        COleControlSite* pSite = new COleControlSite(hWnd);
        ::SetPropA(hWnd, kSiteProperty, pSite);
        // A control that cannot be created fails the whole dialog.
        return SUCCEEDED(pSite->CreateControl(clsid, pInitData)) ? 0 : -1;
    }
    case WM_SIZE:
        if (COleControlSite* pSite = SiteOf(hWnd))
            pSite->Resize(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_SETFOCUS:
        if (COleControlSite* pSite = SiteOf(hWnd))
            pSite->FocusControl();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the control paints all of it
    case WM_DESTROY:
        if (COleControlSite* pSite = SiteOf(hWnd))
            pSite->DestroyControl();
        return 0;
    case WM_NCDESTROY:
        if (COleControlSite* pSite = SiteOf(hWnd)) {
            ::RemovePropA(hWnd, kSiteProperty);
            pSite->Release();
        }
        return 0;
    }
    return ::DefWindowProcA(hWnd, message, wParam, lParam);
}

void RegisterHostClass(const std::string& name)
{
    static std::set<std::string> registered;
    if (!registered.insert(name).second)
        return;
    WNDCLASSA wc{};
    wc.lpfnWndProc = ControlHostProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = name.c_str();
    ::RegisterClassA(&wc);
}

}  // namespace

void AfxEnableControlContainer()
{
    if (g_bContainerEnabled)
        return;
    ::OleInitialize(nullptr);
    g_bContainerEnabled = true;
}

CControlCreationScope::CControlCreationScope(HINSTANCE hInstance, UINT nIDTemplate, const CDialogTemplate& dlgTemplate)
    : m_pPrevious(t_pInitData)
{
    if (!g_bContainerEnabled)
        return;
    for (const std::wstring& name : dlgTemplate.GetItemClassNames()) {
        if (name[0] == L'{')
            RegisterHostClass(std::string(WideToAnsi(name.c_str(), static_cast<int>(name.size()))));
    }
    m_initData = LoadInitData(hInstance, nIDTemplate);
    t_pInitData = &m_initData;
}

CControlCreationScope::~CControlCreationScope() { t_pInitData = m_pPrevious; }

COleVariant::COleVariant() { ::VariantInit(this); }

COleVariant::COleVariant(LPCSTR lpszSrc)
{
    ::VariantInit(this);
    V_VT(this) = VT_BSTR;
    V_BSTR(this) = AnsiToBstr(lpszSrc != nullptr ? lpszSrc : "");
}

COleVariant::COleVariant(long lSrc, VARTYPE vtSrc)
{
    ::VariantInit(this);
    V_VT(this) = vtSrc;
    if (vtSrc == VT_BOOL)
        V_BOOL(this) = lSrc ? VARIANT_TRUE : VARIANT_FALSE;
    else if (vtSrc == VT_I2)
        V_I2(this) = static_cast<short>(lSrc);
    else
        V_I4(this) = lSrc;
}

COleVariant::COleVariant(const COleVariant& varSrc)
{
    ::VariantInit(this);
    ::VariantCopy(this, const_cast<COleVariant*>(&varSrc));
}

COleVariant::~COleVariant() { ::VariantClear(this); }

long COleVariant::ToLong() const
{
    COleVariant converted;
    HRESULT hr = ::VariantChangeType(&converted, const_cast<COleVariant*>(this), 0, VT_I4);
    if (FAILED(hr))
        AfxThrowOleException(hr);
    return V_I4(&converted);
}

CString COleVariant::ToString() const
{
    COleVariant converted;
    HRESULT hr = ::VariantChangeType(&converted, const_cast<COleVariant*>(this), 0, VT_BSTR);
    if (FAILED(hr))
        AfxThrowOleException(hr);
    return WideToAnsi(V_BSTR(&converted), static_cast<int>(::SysStringLen(V_BSTR(&converted))));
}

IDispatch* CWnd::GetControlDispatch() const
{
    COleControlSite* pSite = m_hWnd != nullptr ? SiteOf(m_hWnd) : nullptr;
    return pSite != nullptr ? pSite->m_pDispatch : nullptr;
}

void CWnd::InvokeHelper(DISPID dwDispID, WORD wFlags, VARIANT* pvarResult, const VARIANT* pArgs, UINT nArgs)
{
    IDispatch* pDispatch = GetControlDispatch();
    if (pDispatch == nullptr)
        AfxThrowOleException(E_NOINTERFACE);
    // IDispatch takes the arguments last first.
    std::vector<VARIANTARG> reversed(pArgs, pArgs + nArgs);
    std::reverse(reversed.begin(), reversed.end());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params = {reversed.data(), nullptr, nArgs, 0};
    if (wFlags & DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    EXCEPINFO info{};
    HRESULT hr = pDispatch->Invoke(dwDispID, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &params, pvarResult, &info, nullptr);
    if (FAILED(hr)) {
        CString description;
        if (hr == DISP_E_EXCEPTION && info.bstrDescription != nullptr)
            description = WideToAnsi(info.bstrDescription, static_cast<int>(::SysStringLen(info.bstrDescription)));
        ::SysFreeString(info.bstrSource);
        ::SysFreeString(info.bstrDescription);
        ::SysFreeString(info.bstrHelpFile);
        AfxThrowOleException(hr, description.IsEmpty() ? nullptr : static_cast<LPCSTR>(description));
    }
}

void CWnd::SetProperty(DISPID dwDispID, const COleVariant& value)
{
    InvokeHelper(dwDispID, DISPATCH_PROPERTYPUT, nullptr, &value, 1);
}

COleVariant CWnd::GetProperty(DISPID dwDispID)
{
    COleVariant result;
    InvokeHelper(dwDispID, DISPATCH_PROPERTYGET, &result, nullptr, 0);
    return result;
}

void CWnd::InvokeMethod(DISPID dwDispID)
{
    InvokeHelper(dwDispID, DISPATCH_METHOD, nullptr, nullptr, 0);
}

const AFX_EVENTSINKMAP* CWnd::GetThisEventSinkMap()
{
    static const AFX_EVENTSINKMAP_ENTRY eventEntries[] = {{0, 0, nullptr, nullptr}};
    static const AFX_EVENTSINKMAP eventSinkMap = {nullptr, &eventEntries[0]};
    return &eventSinkMap;
}

const AFX_EVENTSINKMAP* CWnd::GetEventSinkMap() const { return GetThisEventSinkMap(); }

HRESULT CWnd::OnEvent(UINT nCtlID, DISPID dispid, const DISPPARAMS* pParams)
{
    for (const AFX_EVENTSINKMAP* pMap = GetEventSinkMap(); pMap != nullptr;
         pMap = pMap->pfnGetBaseMap != nullptr ? pMap->pfnGetBaseMap() : nullptr) {
        for (const AFX_EVENTSINKMAP_ENTRY* pEntry = pMap->lpEntries; pEntry->pfnThunk != nullptr; ++pEntry) {
            if (pEntry->nCtlID != nCtlID || pEntry->dispid != dispid)
                continue;
            HRESULT hr = S_OK;
            // The handler runs inside the control's call: nothing may unwind into it.
            AfxCallHandler([&] { hr = pEntry->pfnThunk(this, pEntry->pfn, pParams); });
            return hr;
        }
    }
    return S_OK;  // an event nobody handles is fine for the control
}
