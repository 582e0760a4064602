#include <winsock2.h>

#include "LocalHttpServer.h"

CLocalHttpServer::CLocalHttpServer(unsigned short nPort)
{
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(nPort);
    int size = sizeof(address);
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(s, SOMAXCONN) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ::closesocket(s);
        return;
    }
    m_socket = s;
    m_nPort = ntohs(address.sin_port);
    m_thread = std::thread([this] {
        while (!m_bStop) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(m_socket, &readable);
            timeval wait = {0, 20000};
            if (::select(0, &readable, nullptr, nullptr, &wait) == 1) {
                SOCKET client = ::accept(m_socket, nullptr, nullptr);
                Answer(client);
                ::closesocket(client);
            }
        }
    });
}

CLocalHttpServer::~CLocalHttpServer()
{
    m_bStop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (Listening())
        ::closesocket(m_socket);
    ::WSACleanup();
}

void CLocalHttpServer::Serve(const std::string& path, const std::string& body, const std::string& contentType)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bodies[path] = {body, contentType};
}

std::vector<std::string> CLocalHttpServer::Requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

bool CLocalHttpServer::WaitFor(const std::function<bool(const std::string&)>& matches, DWORD nTimeoutMs) const
{
    for (const DWORD start = ::GetTickCount();; PumpMessages(10)) {
        for (const std::string& path : Requests()) {
            if (matches(path))
                return true;
        }
        if (::GetTickCount() - start >= nTimeoutMs)
            return false;
    }
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
    std::string head = "404 Not Found\r\nContent-Type: text/plain", body = "not here";
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(path);
        auto found = m_bodies.find(path);
        if (found != m_bodies.end()) {
            head = "200 OK\r\nContent-Type: " + found->second.second;
            body = found->second.first;
        }
    }
    // Nothing may come from a cache: every fetch must reach the server.
    const std::string response = "HTTP/1.0 " + head + "\r\nContent-Length: " + std::to_string(body.size()) +
                                 "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + body;
    for (size_t sent = 0; sent < response.size();) {
        int n = ::send(client, response.data() + sent, static_cast<int>(response.size() - sent), 0);
        if (n <= 0)
            break;
        sent += static_cast<size_t>(n);
    }
    ::shutdown(client, SD_SEND);
}

void PumpMessages(DWORD nMs)
{
    const DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (::GetTickCount() - start < nMs);
}
