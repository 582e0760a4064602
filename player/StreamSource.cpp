#include "StreamSource.h"

#include <uuids.h>
#include <vfwmsgs.h>

#include <new>

#include "Enumerators.h"

namespace {

const WCHAR kPinName[] = L"Output";

// {6A4F3C0E-2B71-4C58-9E0D-5B8A2F61C7D4}
constexpr CLSID CLSID_KaldaStreamSource = {0x6A4F3C0E, 0x2B71, 0x4C58, {0x9E, 0x0D, 0x5B, 0x8A, 0x2F, 0x61, 0xC7, 0xD4}};

// A byte stream whose kind the parser finds out itself. It carries no format block.
AM_MEDIA_TYPE StreamType()
{
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Stream;
    type.subtype = MEDIASUBTYPE_NULL;
    type.bFixedSizeSamples = TRUE;
    type.lSampleSize = 1;
    type.formattype = FORMAT_None;
    return type;
}

bool Accepts(const AM_MEDIA_TYPE& type)
{
    return (type.majortype == GUID_NULL || type.majortype == MEDIATYPE_Stream) &&
           (type.subtype == GUID_NULL || type.subtype == MEDIASUBTYPE_NULL);
}

HRESULT CopyString(LPCWSTR text, LPWSTR* out)
{
    const size_t bytes = (lstrlenW(text) + 1) * sizeof(WCHAR);
    *out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*out)
        return E_OUTOFMEMORY;
    CopyMemory(*out, text, bytes);
    return S_OK;
}

// The byte range a sample asks for: its times are positions in bytes times 10^7.
void SampleRange(IMediaSample* sample, LONGLONG* position, LONG* size)
{
    REFERENCE_TIME start = 0, stop = 0;
    sample->GetTime(&start, &stop);
    *position = start / 10000000;
    *size = static_cast<LONG>(stop / 10000000 - *position);
}

}  // namespace

// The enumerator's copies of a media type: they carry no format block, so a copy is the struct.
inline AM_MEDIA_TYPE* CopyItem(AM_MEDIA_TYPE* item)
{
    auto* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (copy)
        *copy = *item;
    return copy;
}
inline void ReleaseItem(AM_MEDIA_TYPE* item) { CoTaskMemFree(item); }

using CEnumPins = CEnumerator<IEnumPins, IPin*, IID_IEnumPins>;
using CEnumMediaTypes = CEnumerator<IEnumMediaTypes, AM_MEDIA_TYPE*, IID_IEnumMediaTypes>;

// ---- CStreamPin ----

CStreamPin::CStreamPin(CStreamSource& filter, std::shared_ptr<CStreamBuffer> buffer)
    : m_filter(filter), m_buffer(std::move(buffer))
{
}

CStreamPin::~CStreamPin()
{
    for (const PendingRead& read : m_requests)
        read.sample->Release();
}

STDMETHODIMP CStreamPin::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPin)
        *ppv = static_cast<IPin*>(this);
    else if (riid == IID_IAsyncReader)
        *ppv = static_cast<IAsyncReader*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CStreamPin::AddRef() { return m_filter.AddRef(); }
STDMETHODIMP_(ULONG) CStreamPin::Release() { return m_filter.Release(); }

STDMETHODIMP CStreamPin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt)
{
    if (!pReceivePin)
        return E_POINTER;
    if (m_connected)
        return VFW_E_ALREADY_CONNECTED;
    if (pmt && !Accepts(*pmt))
        return VFW_E_TYPE_NOT_ACCEPTED;
    const AM_MEDIA_TYPE type = StreamType();
    HRESULT hr = pReceivePin->ReceiveConnection(this, &type);
    if (FAILED(hr))
        return hr == E_FAIL ? VFW_E_NO_ACCEPTABLE_TYPES : hr;
    m_connected = CComRef<IPin>(pReceivePin);
    return S_OK;
}

STDMETHODIMP CStreamPin::ReceiveConnection(IPin*, const AM_MEDIA_TYPE*)
{
    // An output pin connects itself; nothing connects to it.
    return E_UNEXPECTED;
}

STDMETHODIMP CStreamPin::Disconnect()
{
    if (!m_connected)
        return S_FALSE;
    m_connected.Release();
    return S_OK;
}

STDMETHODIMP CStreamPin::ConnectedTo(IPin** pPin)
{
    HRESULT hr = m_connected.CopyTo(pPin);
    return SUCCEEDED(hr) && !m_connected ? VFW_E_NOT_CONNECTED : hr;
}

STDMETHODIMP CStreamPin::ConnectionMediaType(AM_MEDIA_TYPE* pmt)
{
    if (!pmt)
        return E_POINTER;
    if (!m_connected) {
        *pmt = AM_MEDIA_TYPE{};
        return VFW_E_NOT_CONNECTED;
    }
    *pmt = StreamType();
    return S_OK;
}

STDMETHODIMP CStreamPin::QueryPinInfo(PIN_INFO* pInfo)
{
    if (!pInfo)
        return E_POINTER;
    pInfo->pFilter = &m_filter;
    m_filter.AddRef();
    pInfo->dir = PINDIR_OUTPUT;
    lstrcpynW(pInfo->achName, kPinName, MAX_PIN_NAME);
    return S_OK;
}

STDMETHODIMP CStreamPin::QueryDirection(PIN_DIRECTION* pPinDir)
{
    if (!pPinDir)
        return E_POINTER;
    *pPinDir = PINDIR_OUTPUT;
    return S_OK;
}

STDMETHODIMP CStreamPin::QueryId(LPWSTR* Id)
{
    return Id ? CopyString(kPinName, Id) : E_POINTER;
}

STDMETHODIMP CStreamPin::QueryAccept(const AM_MEDIA_TYPE* pmt)
{
    if (!pmt)
        return E_POINTER;
    return Accepts(*pmt) ? S_OK : S_FALSE;
}

STDMETHODIMP CStreamPin::EnumMediaTypes(IEnumMediaTypes** ppEnum)
{
    AM_MEDIA_TYPE type = StreamType();
    return CEnumMediaTypes::Create({&type}, ppEnum);
}

STDMETHODIMP CStreamPin::QueryInternalConnections(IPin**, ULONG*)
{
    return E_NOTIMPL;
}

// Data flows from an output pin, never into it.
STDMETHODIMP CStreamPin::EndOfStream() { return E_UNEXPECTED; }

STDMETHODIMP CStreamPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double)
{
    return S_OK;
}

STDMETHODIMP CStreamPin::RequestAllocator(IMemAllocator* pPreferred, ALLOCATOR_PROPERTIES* pProps,
                                          IMemAllocator** ppActual)
{
    if (!pProps || !ppActual)
        return E_POINTER;
    *ppActual = nullptr;
    IMemAllocator* allocator = pPreferred;
    if (allocator)
        allocator->AddRef();
    else if (FAILED(CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                     reinterpret_cast<void**>(&allocator))))
        return VFW_E_NO_ALLOCATOR;
    // Any alignment will do: reads copy from memory.
    ALLOCATOR_PROPERTIES wanted = *pProps, actual;
    if (wanted.cbAlign < 1)
        wanted.cbAlign = 1;
    HRESULT hr = allocator->SetProperties(&wanted, &actual);
    if (FAILED(hr)) {
        allocator->Release();
        return hr;
    }
    *ppActual = allocator;
    return S_OK;
}

STDMETHODIMP CStreamPin::Request(IMediaSample* pSample, DWORD_PTR dwUser)
{
    if (!pSample)
        return E_POINTER;
    std::lock_guard<std::mutex> lock(m_requestMutex);
    if (m_flushing)
        return VFW_E_WRONG_STATE;
    pSample->AddRef();
    m_requests.push_back({pSample, dwUser});
    m_requestArrived.notify_all();
    return S_OK;
}

STDMETHODIMP CStreamPin::WaitForNext(DWORD dwTimeout, IMediaSample** ppSample, DWORD_PTR* pdwUser)
{
    if (!ppSample || !pdwUser)
        return E_POINTER;
    *ppSample = nullptr;
    *pdwUser = 0;
    std::unique_lock<std::mutex> lock(m_requestMutex);
    const bool arrived = m_requestArrived.wait_for(lock, std::chrono::milliseconds(dwTimeout),
                                                   [&] { return m_flushing || !m_requests.empty(); });
    if (m_requests.empty())
        return arrived ? VFW_E_WRONG_STATE : VFW_E_TIMEOUT;
    const PendingRead read = m_requests.front();
    m_requests.pop_front();
    const bool flushing = m_flushing;
    lock.unlock();
    *ppSample = read.sample;
    *pdwUser = read.user;
    // While flushing, every request comes back unread.
    return flushing ? VFW_E_WRONG_STATE : SyncReadAligned(read.sample);
}

STDMETHODIMP CStreamPin::SyncReadAligned(IMediaSample* pSample)
{
    if (!pSample)
        return E_POINTER;
    LONGLONG position;
    LONG size;
    SampleRange(pSample, &position, &size);
    BYTE* data = nullptr;
    if (FAILED(pSample->GetPointer(&data)) || size > pSample->GetSize())
        return E_INVALIDARG;
    LONG read = 0;
    HRESULT hr = m_buffer->Read(position, size, data, &read);
    pSample->SetActualDataLength(read);
    return hr;
}

STDMETHODIMP CStreamPin::SyncRead(LONGLONG llPosition, LONG lLength, BYTE* pBuffer)
{
    if (!pBuffer)
        return E_POINTER;
    LONG read = 0;
    return m_buffer->Read(llPosition, lLength, pBuffer, &read);
}

STDMETHODIMP CStreamPin::Length(LONGLONG* pTotal, LONGLONG* pAvailable)
{
    if (!pTotal || !pAvailable)
        return E_POINTER;
    m_buffer->GetLength(pTotal, pAvailable);
    return *pAvailable < *pTotal ? VFW_S_ESTIMATED : S_OK;
}

// IPin's and IAsyncReader's flush share their names; only a reader of the pin flushes it.
STDMETHODIMP CStreamPin::BeginFlush()
{
    std::lock_guard<std::mutex> lock(m_requestMutex);
    m_flushing = true;
    m_requestArrived.notify_all();
    return S_OK;
}

STDMETHODIMP CStreamPin::EndFlush()
{
    std::lock_guard<std::mutex> lock(m_requestMutex);
    m_flushing = false;
    return S_OK;
}

// ---- CStreamSource ----

HRESULT CStreamSource::Create(std::shared_ptr<CStreamBuffer> buffer, IBaseFilter** filter)
{
    *filter = new (std::nothrow) CStreamSource(std::move(buffer));
    return *filter ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP CStreamSource::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPersist || riid == IID_IMediaFilter || riid == IID_IBaseFilter) {
        *ppv = static_cast<IBaseFilter*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CStreamSource::AddRef()
{
    return InterlockedIncrement(&m_refs);
}

STDMETHODIMP_(ULONG) CStreamSource::Release()
{
    LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0)
        delete this;
    return refs;
}

STDMETHODIMP CStreamSource::GetClassID(CLSID* pClassID)
{
    if (!pClassID)
        return E_POINTER;
    *pClassID = CLSID_KaldaStreamSource;
    return S_OK;
}

// The download runs whatever the graph's state: the source itself only answers reads.
STDMETHODIMP CStreamSource::Stop()
{
    m_state = State_Stopped;
    return S_OK;
}

STDMETHODIMP CStreamSource::Pause()
{
    m_state = State_Paused;
    return S_OK;
}

STDMETHODIMP CStreamSource::Run(REFERENCE_TIME)
{
    m_state = State_Running;
    return S_OK;
}

STDMETHODIMP CStreamSource::GetState(DWORD, FILTER_STATE* State)
{
    if (!State)
        return E_POINTER;
    *State = m_state;
    return S_OK;
}

STDMETHODIMP CStreamSource::SetSyncSource(IReferenceClock* pClock)
{
    m_clock = CComRef<IReferenceClock>(pClock);
    return S_OK;
}

STDMETHODIMP CStreamSource::GetSyncSource(IReferenceClock** pClock)
{
    return m_clock.CopyTo(pClock);
}

STDMETHODIMP CStreamSource::EnumPins(IEnumPins** ppEnum)
{
    return CEnumPins::Create({static_cast<IPin*>(&m_pin)}, ppEnum);
}

STDMETHODIMP CStreamSource::FindPin(LPCWSTR Id, IPin** ppPin)
{
    if (!Id || !ppPin)
        return E_POINTER;
    *ppPin = nullptr;
    if (lstrcmpW(Id, kPinName) != 0)
        return VFW_E_NOT_FOUND;
    *ppPin = &m_pin;
    AddRef();
    return S_OK;
}

STDMETHODIMP CStreamSource::QueryFilterInfo(FILTER_INFO* pInfo)
{
    if (!pInfo)
        return E_POINTER;
    lstrcpynW(pInfo->achName, m_name, MAX_FILTER_NAME);
    pInfo->pGraph = m_graph;
    if (m_graph)
        m_graph->AddRef();
    return S_OK;
}

STDMETHODIMP CStreamSource::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName)
{
    m_graph = pGraph;
    lstrcpynW(m_name, pName ? pName : L"", MAX_FILTER_NAME);
    return S_OK;
}

STDMETHODIMP CStreamSource::QueryVendorInfo(LPWSTR* pVendorInfo)
{
    if (pVendorInfo)
        *pVendorInfo = nullptr;
    return E_NOTIMPL;
}
