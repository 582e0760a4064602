// The graph's source for a network stream: a filter with one output pin that a parser reads
// through IAsyncReader, from the stream buffer the download fills.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "framework/ComRef.h"
#include "Module.h"
#include "StreamBuffer.h"

class CStreamSource;

// The output pin. It lives inside the filter and shares its reference count.
class CStreamPin final : public IPin, public IAsyncReader {
public:
    CStreamPin(CStreamSource& filter, std::shared_ptr<CStreamBuffer> buffer);
    ~CStreamPin();
    CStreamPin(const CStreamPin&) = delete;
    CStreamPin& operator=(const CStreamPin&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPin
    STDMETHODIMP Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP ConnectedTo(IPin** pPin) override;
    STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP QueryPinInfo(PIN_INFO* pInfo) override;
    STDMETHODIMP QueryDirection(PIN_DIRECTION* pPinDir) override;
    STDMETHODIMP QueryId(LPWSTR* Id) override;
    STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** ppEnum) override;
    STDMETHODIMP QueryInternalConnections(IPin** apPin, ULONG* nPin) override;
    STDMETHODIMP EndOfStream() override;
    STDMETHODIMP BeginFlush() override;
    STDMETHODIMP EndFlush() override;
    STDMETHODIMP NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) override;

    // IAsyncReader
    STDMETHODIMP RequestAllocator(IMemAllocator* pPreferred, ALLOCATOR_PROPERTIES* pProps,
                                  IMemAllocator** ppActual) override;
    STDMETHODIMP Request(IMediaSample* pSample, DWORD_PTR dwUser) override;
    STDMETHODIMP WaitForNext(DWORD dwTimeout, IMediaSample** ppSample, DWORD_PTR* pdwUser) override;
    STDMETHODIMP SyncReadAligned(IMediaSample* pSample) override;
    STDMETHODIMP SyncRead(LONGLONG llPosition, LONG lLength, BYTE* pBuffer) override;
    STDMETHODIMP Length(LONGLONG* pTotal, LONGLONG* pAvailable) override;

private:
    struct PendingRead {
        IMediaSample* sample;
        DWORD_PTR user;
    };

    CStreamSource& m_filter;
    std::shared_ptr<CStreamBuffer> m_buffer;
    CComRef<IPin> m_connected;

    std::mutex m_requestMutex;
    std::condition_variable m_requestArrived;
    std::deque<PendingRead> m_requests;
    bool m_flushing = false;
};

class CStreamSource final : public IBaseFilter {
public:
    static HRESULT Create(std::shared_ptr<CStreamBuffer> buffer, IBaseFilter** filter);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IPersist, IMediaFilter, IBaseFilter
    STDMETHODIMP GetClassID(CLSID* pClassID) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME tStart) override;
    STDMETHODIMP GetState(DWORD dwMilliSecsTimeout, FILTER_STATE* State) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override;
    STDMETHODIMP GetSyncSource(IReferenceClock** pClock) override;
    STDMETHODIMP EnumPins(IEnumPins** ppEnum) override;
    STDMETHODIMP FindPin(LPCWSTR Id, IPin** ppPin) override;
    STDMETHODIMP QueryFilterInfo(FILTER_INFO* pInfo) override;
    STDMETHODIMP JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) override;
    STDMETHODIMP QueryVendorInfo(LPWSTR* pVendorInfo) override;

private:
    explicit CStreamSource(std::shared_ptr<CStreamBuffer> buffer) : m_pin(*this, std::move(buffer)) {}
    ~CStreamSource() = default;

    CModuleLock m_moduleLock;
    LONG m_refs = 1;
    CStreamPin m_pin;
    FILTER_STATE m_state = State_Stopped;
    CComRef<IReferenceClock> m_clock;
    // The graph holds the filter, so the filter does not hold the graph.
    IFilterGraph* m_graph = nullptr;
    WCHAR m_name[MAX_FILTER_NAME] = L"";
};
