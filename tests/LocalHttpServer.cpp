#include <winsock2.h>

#include "LocalHttpServer.h"

#include "MessagePump.h"

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
        for (SOCKET client; (client = ::accept(m_socket, nullptr, nullptr)) != INVALID_SOCKET; ::closesocket(client))
            Answer(client);
    });
}

CLocalHttpServer::~CLocalHttpServer()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bClosing = true;
    }
    m_closing.notify_all();
    ::closesocket(m_socket);
    m_thread.join();
    ::WSACleanup();
}

void CLocalHttpServer::Serve(const std::string& path, const std::string& document, Delivery delivery)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_documents[path] = {document, delivery};
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

void CLocalHttpServer::Answer(UINT_PTR client)
{
    DWORD nTimeoutMs = 2000;
    ::setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&nTimeoutMs), sizeof(nTimeoutMs));
    std::string request;
    char buffer[2048];
    while (request.find("\r\n\r\n") == std::string::npos) {
        int n = ::recv(client, buffer, sizeof(buffer), 0);
        if (n <= 0)
            return;
        request.append(buffer, static_cast<size_t>(n));
    }
    // "GET /path?query HTTP/1.1"
    const size_t start = request.find(' ') + 1;
    const std::string path = request.substr(start, request.find(' ', start) - start);
    std::unique_lock<std::mutex> lock(m_mutex);
    m_requests.push_back(path);
    const auto [body, delivery] = m_documents.count(path) != 0 ? m_documents[path] : Document();
    lock.unlock();
    const std::string status =
        body.empty() ? "404 Not Found\r\nContent-Type: text/plain" : "200 OK\r\nContent-Type: text/xml";
    // Nothing may come from a cache: every fetch must reach the server.
    const std::string response = "HTTP/1.0 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
                                 "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" +
                                 (delivery == Delivery::Whole ? body : body.substr(0, body.size() / 2));
    // A blocking socket sends it all before it returns.
    ::send(client, response.data(), static_cast<int>(response.size()), 0);
    if (delivery == Delivery::HalfThenSilence) {
        lock.lock();
        m_closing.wait(lock, [this] { return m_bClosing; });
    }
}
