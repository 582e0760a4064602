// A small document from the service (the version file, the online counts), fetched on a thread of
// its own so that a slow or silent server never holds the window for longer than a time limit.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

namespace config {

// Long enough for a few kilobytes over a poor line; short enough that a start is never held long.
// It covers the whole exchange: name lookup, connection, request, status line, headers and body.
constexpr DWORD kFetchTimeLimitMs = 10000;
// The service's documents are a few kilobytes: anything far larger is not one of them.
constexpr size_t kFetchMaxBytes = 1024 * 1024;

class CDocumentFetch {
public:
    CDocumentFetch() = default;
    // A fetch still running is abandoned: it ends by itself and nothing it touches goes with this object.
    ~CDocumentFetch() = default;
    CDocumentFetch(const CDocumentFetch&) = delete;
    CDocumentFetch& operator=(const CDocumentFetch&) = delete;

    // Starts fetching the address; hWndNotify, if given, is posted nMessage when the fetch has ended,
    // at the latest kFetchTimeLimitMs after this call.
    void Start(LPCSTR lpszUrl, HWND hWndNotify = nullptr, UINT nMessage = 0);
    // From the start until its result is taken.
    bool IsActive() const { return m_shared != nullptr; }
    // True once the fetch has ended and until its result is taken.
    bool HasEnded() const;
    // Waits for the end, answering only what other threads send this one meanwhile.
    void Wait();
    // An HTTP 200 answer's whole body, read within the time and size limits; nothing when it could
    // not be had so, or while the fetch runs. The fetch is then over.
    std::optional<std::string> TakeResult();

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
};

// The document at the address, fetched while this thread waits. An empty address has no document.
std::optional<std::string> FetchDocument(LPCSTR lpszUrl);

}  // namespace config
