// Plain Winsock rather than WinINet or WinHTTP: one HTTP/1.0 GET is all a channel needs, WinINet
// would cache a live stream on disk, and waiting on the socket's event beside a cancel event lets
// a teardown end a connect or a read of a silent server at once; the name lookup, which nothing
// ends, is left behind.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "HttpDownload.h"

#include "HostLookup.h"

#include <cstdlib>

namespace {

constexpr size_t kHeadLimit = 16 << 10;

// The status code of the response's first line, or 0 if it is none.
int StatusCode(const std::string& head)
{
    if (head.compare(0, 5, "HTTP/") != 0)
        return 0;
    size_t space = head.find(' ');
    return space == std::string::npos ? 0 : std::atoi(head.c_str() + space + 1);
}

}  // namespace

CHttpDownload::CHttpDownload(std::shared_ptr<CStreamBuffer> buffer, HWND notify, UINT message, LPARAM cookie)
    : CStreamFeed(std::move(buffer), notify, message, cookie), m_socketEvent(WSACreateEvent())
{
}

CHttpDownload::~CHttpDownload()
{
    Stop();
    WSACloseEvent(m_socketEvent);
}

bool CHttpDownload::Start(const PlayAddress& address)
{
    if (m_socketEvent == WSA_INVALID_EVENT)
        return false;
    return RunThread([this, host = address.host, port = address.port, path = address.path] {
        WSADATA data;
        const bool started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        const bool whole = started && Download(host, port, path);
        if (m_socket != INVALID_SOCKET)
            closesocket(m_socket);
        if (started)
            WSACleanup();
        Finish(whole);
    });
}

bool CHttpDownload::Download(const std::string& host, unsigned short port, const std::string& path)
{
    if (!Connect(host, port))
        return false;
    // HTTP/1.0: the server ends the body by closing the connection and never chunks it.
    const std::string request =
        "GET " + path + " HTTP/1.0\r\nHost: " + host + ":" + std::to_string(port) + "\r\nConnection: close\r\n\r\n";
    if (send(m_socket, request.data(), static_cast<int>(request.size()), 0) != static_cast<int>(request.size()))
        return false;
    std::string head;
    char chunk[64 << 10];
    size_t headEnd;
    while ((headEnd = head.find("\r\n\r\n")) == std::string::npos) {
        if (head.size() > kHeadLimit)
            return false;
        const int received = Receive(chunk, sizeof(chunk));
        if (received <= 0)
            return false;
        head.append(chunk, static_cast<size_t>(received));
    }
    if (StatusCode(head) != 200)
        return false;
    if (head.size() > headEnd + 4 &&
        !Deliver(reinterpret_cast<const BYTE*>(head.data()) + headEnd + 4, head.size() - headEnd - 4))
        return false;
    for (;;) {
        const int received = Receive(chunk, sizeof(chunk));
        if (received < 0)
            return false;
        if (received == 0)
            return true;
        if (!Deliver(reinterpret_cast<const BYTE*>(chunk), static_cast<size_t>(received)))
            return false;
    }
}

bool CHttpDownload::Connect(const std::string& host, unsigned short port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (!WaitForHostAddress(host, m_cancel, CStreamBuffer::kStallMs, &address.sin_addr.s_addr))
        return false;
    m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    bool connected = m_socket != INVALID_SOCKET &&
                     WSAEventSelect(m_socket, m_socketEvent, FD_CONNECT | FD_READ | FD_CLOSE) == 0 &&
                     (connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 ||
                      WSAGetLastError() == WSAEWOULDBLOCK);
    const HANDLE waits[] = {m_cancel, m_socketEvent};
    while (connected) {
        if (WaitForMultipleObjects(2, waits, FALSE, CStreamBuffer::kStallMs) != WAIT_OBJECT_0 + 1)
            return false;
        WSANETWORKEVENTS events{};
        WSAEnumNetworkEvents(m_socket, m_socketEvent, &events);
        if (events.lNetworkEvents & FD_CONNECT)
            return events.iErrorCode[FD_CONNECT_BIT] == 0;
    }
    return false;
}

int CHttpDownload::Receive(char* into, int size)
{
    const HANDLE waits[] = {m_cancel, m_socketEvent};
    for (;;) {
        const int received = recv(m_socket, into, size, 0);
        if (received >= 0)
            return received;
        if (WSAGetLastError() != WSAEWOULDBLOCK)
            return -1;
        if (WaitForMultipleObjects(2, waits, FALSE, CStreamBuffer::kStallMs) != WAIT_OBJECT_0 + 1)
            return -1;
        // Re-arms the event; the next recv tells what happened.
        WSANETWORKEVENTS events;
        WSAEnumNetworkEvents(m_socket, m_socketEvent, &events);
    }
}
