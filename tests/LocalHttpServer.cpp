#include <winsock2.h>

#include "LocalHttpServer.h"

#include "MessagePump.h"

#include <algorithm>

CLocalHttpServer::CLocalHttpServer(unsigned short nPort)
{
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(nPort);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof(address);
    if (::bind(m_socket, reinterpret_cast<sockaddr*>(&address), size) == 0 && ::listen(m_socket, SOMAXCONN) == 0 &&
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        m_nPort = ntohs(address.sin_port);
    // Accepts until the destructor closes the socket, or not at all when it does not listen.
    m_thread = std::thread([this] {
        for (SOCKET client; (client = ::accept(m_socket, nullptr, nullptr)) != INVALID_SOCKET;) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_clients.push_back(client);
            m_connections.emplace_back([this, client] {
                const std::string path = Receive(client);
                const bool bAnswered = path.empty() || Answer(client, path);
                std::lock_guard<std::mutex> lock(m_mutex);
                if (!bAnswered)
                    m_abandoned.push_back(path);
                m_clients.erase(std::find(m_clients.begin(), m_clients.end(), client));
                ::closesocket(client);
            });
        }
    });
}

CLocalHttpServer::~CLocalHttpServer()
{
    m_bClosing = true;
    ::closesocket(m_socket);
    m_thread.join();
    {
        // A client that stopped reading must not hold a stream's send for ever.
        std::lock_guard<std::mutex> lock(m_mutex);
        for (UINT_PTR client : m_clients)
            ::shutdown(client, SD_BOTH);
    }
    for (std::thread& connection : m_connections)
        connection.join();
    ::WSACleanup();
}

void CLocalHttpServer::Serve(const std::string& path, const std::string& document, Delivery delivery)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_documents[path] = {document, delivery};
}

void CLocalHttpServer::ServeStream(const std::string& path, const std::string& bytes, size_t nBytesPerSecond,
                                   size_t nSentAtMost, const std::string& head)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_streams[path] = {head, bytes, nBytesPerSecond, nSentAtMost};
}

std::vector<std::string> CLocalHttpServer::Abandoned() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_abandoned;
}

std::vector<std::string> CLocalHttpServer::Requests(const std::string& prefix, size_t nFrom) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> found;
    for (size_t i = nFrom; i < m_requests.size(); ++i) {
        if (m_requests[i].rfind(prefix, 0) == 0)
            found.push_back(m_requests[i]);
    }
    return found;
}

bool CLocalHttpServer::WaitFor(const std::string& prefix, DWORD nTimeoutMs) const
{
    return PumpUntil([&] { return !Requests(prefix).empty(); }, nTimeoutMs);
}

std::string CLocalHttpServer::Receive(UINT_PTR client)
{
    DWORD nTimeoutMs = 2000;
    ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&nTimeoutMs), sizeof(nTimeoutMs));
    std::string request;
    char buffer[2048];
    while (request.find("\r\n\r\n") == std::string::npos) {
        int n = ::recv(client, buffer, sizeof(buffer), 0);
        if (n <= 0)
            return "";
        request.append(buffer, static_cast<size_t>(n));
    }
    // "GET /path?query HTTP/1.1"
    const size_t start = request.find(' ') + 1;
    const std::string path = request.substr(start, request.find(' ', start) - start);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.push_back(path);
    return path;
}

bool CLocalHttpServer::Answer(UINT_PTR client, const std::string& path)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_streams.count(path) != 0) {
        const Stream stream = m_streams[path];
        lock.unlock();
        return SendStream(client, stream);
    }
    const auto [body, delivery] = m_documents.count(path) != 0 ? m_documents[path] : Document();
    lock.unlock();
    if (delivery == Delivery::Silence)
        return StaySilent(client);
    const std::string status = body.empty()                               ? "404 Not Found\r\nContent-Type: text/plain"
                               : delivery == Delivery::ServerError        ? "500 Server Error\r\nContent-Type: text/xml"
                               : delivery == Delivery::RedirectToItself ? "302 Found\r\nLocation: " + path
                                                                          : "200 OK\r\nContent-Type: text/xml";
    // Nothing may come from a cache: every fetch must reach the server.
    const std::string response = "HTTP/1.0 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
                                 "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" +
                                 (delivery == Delivery::Whole || delivery == Delivery::Trickle
                                      ? body
                                      : body.substr(0, body.size() / 2));
    if (delivery == Delivery::Trickle)
        return Trickle(client, response);
    // A blocking socket sends it all before it returns.
    ::send(client, response.data(), static_cast<int>(response.size()), 0);
    return delivery != Delivery::HalfThenSilence || StaySilent(client);
}

bool CLocalHttpServer::SendStream(UINT_PTR client, const Stream& stream)
{
    if (!stream.head.empty() && ::send(client, stream.head.data(), static_cast<int>(stream.head.size()), 0) <= 0)
        return false;
    const size_t nEnd = std::min(stream.bytes.size(), stream.nSentAtMost);
    const DWORD nSliceMs = 20;
    const DWORD start = ::GetTickCount();
    for (size_t nSent = 0; nSent < nEnd && !m_bClosing;) {
        // Paced by the clock, not by the slices, so that a late slice does not slow the stream.
        const ULONGLONG nElapsedMs = ::GetTickCount() - start + nSliceMs;  // the product outgrows 32 bits in seconds
        const size_t nDue = stream.nBytesPerSecond == 0
                                ? nEnd
                                : static_cast<size_t>(std::min<ULONGLONG>(nEnd, nElapsedMs * stream.nBytesPerSecond / 1000));
        if (nDue > nSent) {
            if (::send(client, stream.bytes.data() + nSent, static_cast<int>(nDue - nSent), 0) <= 0)
                return false;
            nSent = nDue;
        }
        ::Sleep(nSliceMs);
    }
    return nEnd == stream.bytes.size() || StaySilent(client);
}

bool CLocalHttpServer::Trickle(UINT_PTR client, const std::string& bytes) const
{
    for (size_t i = 0; i < bytes.size() && !m_bClosing; ++i) {
        if (::send(client, &bytes[i], 1, 0) <= 0)
            return false;
        ::Sleep(kTrickleIntervalMs);
    }
    return true;
}

bool CLocalHttpServer::StaySilent(UINT_PTR client) const
{
    // A read returns when the client closes.
    for (char byte; !m_bClosing;) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(client, &readable);
        timeval wait = {0, 50000};
        if (::select(0, &readable, nullptr, nullptr, &wait) > 0 && ::recv(client, &byte, 1, 0) <= 0)
            return false;
    }
    return true;
}

CStalledPort::CStalledPort()
{
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    m_listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof(address);
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(m_listener, 1) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return;
    m_nPort = ntohs(address.sin_port);
    // More than the queue holds; the ones beyond it stay half open, which is all they are for.
    for (int i = 0; i < 4; ++i) {
        SOCKET queued = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        u_long nonBlocking = 1;
        ::ioctlsocket(queued, FIONBIO, &nonBlocking);
        ::connect(queued, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        m_queued.push_back(queued);
    }
}

CStalledPort::~CStalledPort()
{
    for (UINT_PTR queued : m_queued)
        ::closesocket(queued);
    ::closesocket(m_listener);
    ::WSACleanup();
}
