// A tiny HTTP/1.0 server on 127.0.0.1 for the tests: from a background thread it serves the
// bodies set per path and records the path of every request, in the order they arrive.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
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
    CLocalHttpServer(const CLocalHttpServer&) = delete;
    CLocalHttpServer& operator=(const CLocalHttpServer&) = delete;

    bool Listening() const { return m_socket != kNoSocket; }
    unsigned short Port() const { return m_nPort; }
    std::string Origin() const { return "http://127.0.0.1:" + std::to_string(m_nPort); }

    // The body for a path with its query; any other path is answered 404.
    void Serve(const std::string& path, const std::string& body, const std::string& contentType = "text/html");
    std::vector<std::string> Requests() const;

    // Pumps this thread's messages until a request matches or the time is up; true if one did.
    bool WaitFor(const std::function<bool(const std::string&)>& matches, DWORD nTimeoutMs) const;
    bool WaitFor(const std::string& path, DWORD nTimeoutMs) const
    {
        return WaitFor([&](const std::string& requested) { return requested == path; }, nTimeoutMs);
    }

private:
    void Answer(UINT_PTR client);

    // A SOCKET, kept without the socket headers so that includers need not order theirs.
    static constexpr UINT_PTR kNoSocket = ~static_cast<UINT_PTR>(0);
    UINT_PTR m_socket = kNoSocket;
    unsigned short m_nPort = 0;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
    mutable std::mutex m_mutex;
    std::map<std::string, std::pair<std::string, std::string>> m_bodies;
    std::vector<std::string> m_requests;
};

// Handles this thread's messages for the given time.
void PumpMessages(DWORD nMs);
