// A small document from the service (the version file, the online counts), fetched on a thread of
// its own so that a slow or silent server never holds the window for longer than a time limit.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace config {

// Long enough for a few kilobytes over a poor line; short enough that a start is never held long.
// No wait of the connection lasts longer than half of it, so a fetch ends within one and a half.
constexpr DWORD kFetchTimeLimitMs = 10000;
// The service's documents are a few kilobytes: anything far larger is not one of them.
constexpr size_t kFetchMaxBytes = 1024 * 1024;

// The document at the address: an HTTP 200 answer's whole body, read within the time limit and
// the size limit; nothing when it cannot be had so. An empty address has no document.
std::optional<std::string> FetchDocument(LPCSTR lpszUrl);

class CDocumentFetch {
public:
    CDocumentFetch() = default;
    // A fetch still running is left to end by itself; nothing it touches goes with this object.
    ~CDocumentFetch();
    CDocumentFetch(const CDocumentFetch&) = delete;
    CDocumentFetch& operator=(const CDocumentFetch&) = delete;

    // Starts fetching the address; hWndNotify, if given, is posted nMessage when the fetch has ended.
    void Start(LPCSTR lpszUrl, HWND hWndNotify = nullptr, UINT nMessage = 0);
    // From the start until its result is taken.
    bool IsActive() const { return m_shared != nullptr; }
    // Waits for the end, answering only what other threads send this one meanwhile.
    void Wait();
    // What the fetch that ended got, nothing while it runs; the fetch is then over.
    std::optional<std::string> TakeResult();

private:
    struct Shared;

    bool IsRunning() const;

    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

}  // namespace config
