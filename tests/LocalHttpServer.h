// A tiny HTTP/1.0 server on 127.0.0.1 for the tests: a thread per connection serves the documents
// and streams set per path and records the path of every request, in the order they arrive.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CLocalHttpServer {
public:
    // Listens on the port, or on a free one for 0; once destroyed, the port refuses connections.
    explicit CLocalHttpServer(unsigned short nPort = 0);
    ~CLocalHttpServer();

    bool Listening() const { return m_nPort != 0; }
    unsigned short Port() const { return m_nPort; }
    std::string Origin() const { return "http://127.0.0.1:" + std::to_string(m_nPort); }

    // How a document's answer goes out: whole, or only the first half of its body, after which the
    // connection is closed, or kept open without another byte until the client or the server goes;
    // or not at all, the connection kept open so; or as a server error, or as a redirection to itself;
    // or whole, status line and headers too, a byte every kTrickleIntervalMs.
    enum class Delivery { Whole, HalfThenClose, HalfThenSilence, Silence, ServerError, RedirectToItself, Trickle };
    static constexpr DWORD kTrickleIntervalMs = 250;

    // The document for a path with its query; any other path, or an empty document, is answered 404.
    void Serve(const std::string& path, const std::string& document, Delivery delivery = Delivery::Whole);
    static constexpr char kStreamHead[] = "HTTP/1.0 200 OK\r\nContent-Type: video/mp2t\r\nConnection: close\r\n\r\n";
    // A live stream for a path: the head at once, then the bytes paced at the rate, or as fast as the
    // connection goes for 0, and after nSentAtMost of them silence until the client goes; the
    // connection closes when all are sent. A head of the test's own scripts a server that trickles or
    // stalls in its status line or its headers.
    void ServeStream(const std::string& path, const std::string& bytes, size_t nBytesPerSecond,
                     size_t nSentAtMost = std::string::npos, const std::string& head = kStreamHead);
    // The paths requested from the index nFrom on that start with the prefix.
    std::vector<std::string> Requests(const std::string& prefix = "", size_t nFrom = 0) const;
    // The paths of the answers whose client closed the connection before their end.
    std::vector<std::string> Abandoned() const;
    // Pumps this thread's messages until a path starting with the prefix is requested or the time is up.
    bool WaitFor(const std::string& prefix, DWORD nTimeoutMs = 5000) const;

private:
    struct Stream {
        std::string head;
        std::string bytes;
        size_t nBytesPerSecond;
        size_t nSentAtMost;
    };

    using Document = std::pair<std::string, Delivery>;

    // The path of the request, recorded; empty when none came.
    std::string Receive(UINT_PTR client);
    // False when the client went before the answer's end.
    bool Answer(UINT_PTR client, const std::string& path);
    bool SendStream(UINT_PTR client, const Stream& stream);
    // False when the client has gone.
    bool Trickle(UINT_PTR client, const std::string& bytes) const;
    // Sends nothing more until the client closes (false) or the server goes (true).
    bool StaySilent(UINT_PTR client) const;

    // A SOCKET, kept without the socket headers so that includers need not order theirs.
    UINT_PTR m_socket = 0;
    unsigned short m_nPort = 0;
    std::atomic<bool> m_bClosing{false};
    std::thread m_thread;
    std::vector<std::thread> m_connections;
    std::vector<UINT_PTR> m_clients;
    mutable std::mutex m_mutex;
    std::map<std::string, Document> m_documents;
    std::map<std::string, Stream> m_streams;
    std::vector<std::string> m_requests;
    std::vector<std::string> m_abandoned;
};

// A port on 127.0.0.1 whose connections never complete: it listens without ever accepting, and its
// queue of waiting connections is full, so that the system drops a new one's first packet.
class CStalledPort {
public:
    CStalledPort();
    ~CStalledPort();
    CStalledPort(const CStalledPort&) = delete;
    CStalledPort& operator=(const CStalledPort&) = delete;

    unsigned short Port() const { return m_nPort; }
    std::string Origin() const { return "http://127.0.0.1:" + std::to_string(m_nPort); }

private:
    UINT_PTR m_listener = 0;
    std::vector<UINT_PTR> m_queued;
    unsigned short m_nPort = 0;
};
