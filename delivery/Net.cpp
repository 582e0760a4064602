#include "Net.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using SocketLength = int;
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
using SocketLength = socklen_t;
#endif

#include <chrono>
#include <cstdio>
#include <thread>

namespace delivery::net {

namespace {

#ifdef _WIN32
using Native = SOCKET;
constexpr Native kInvalid = INVALID_SOCKET;
bool WouldWait() { return WSAGetLastError() == WSAEWOULDBLOCK; }
bool SetNonBlocking(Native s)
{
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
}
using PollItem = WSAPOLLFD;
int PollNative(PollItem* items, size_t count, int timeoutMs) { return WSAPoll(items, static_cast<ULONG>(count), timeoutMs); }
constexpr int kSendFlags = 0;
#else
using Native = int;
constexpr Native kInvalid = -1;
bool WouldWait() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINPROGRESS || errno == EINTR; }
bool SetNonBlocking(Native s) { return fcntl(s, F_SETFL, fcntl(s, F_GETFL) | O_NONBLOCK) == 0; }
using PollItem = pollfd;
int PollNative(PollItem* items, size_t count, int timeoutMs) { return poll(items, count, timeoutMs); }
constexpr int kSendFlags = MSG_NOSIGNAL;  // a partner that left must not end the viewer
void closesocket(Native s) { ::close(s); }
#endif

Native ToNative(Socket s) { return static_cast<Native>(s); }

sockaddr_in ToAddress(const Endpoint& endpoint)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(endpoint.address);
    address.sin_port = htons(endpoint.port);
    return address;
}

// Makes the socket non-blocking and sending each message at once: the swarm's messages are small
// and waiting to batch them only delays chunks. A socket that cannot be made so is closed.
Native Prepared(Native s)
{
    int on = 1;
    if (s != kInvalid && (!SetNonBlocking(s) ||
                          setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof(on)) != 0)) {
        closesocket(s);
        return kInvalid;
    }
    return s;
}

Native NewSocket()
{
    return Prepared(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
}

}  // namespace

std::string ToText(const Endpoint& endpoint)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%u.%u.%u.%u:%u", endpoint.address >> 24, endpoint.address >> 16 & 255,
                  endpoint.address >> 8 & 255, endpoint.address & 255, endpoint.port);
    return text;
}

bool ParseEndpoint(const std::string& text, Endpoint& endpoint)
{
    unsigned a, b, c, d, port;
    char end;
    if (std::sscanf(text.c_str(), "%3u.%3u.%3u.%3u:%5u%c", &a, &b, &c, &d, &port, &end) != 5 || a > 255 ||
        b > 255 || c > 255 || d > 255 || port == 0 || port > 65535)
        return false;
    endpoint.address = a << 24 | b << 16 | c << 8 | d;
    endpoint.port = static_cast<uint16_t>(port);
    return true;
}

bool Startup()
{
#ifdef _WIN32
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
#else
    return true;
#endif
}

Socket Connect(const Endpoint& to)
{
    Native s = NewSocket();
    if (s == kInvalid)
        return kNoSocket;
    const sockaddr_in address = ToAddress(to);
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 && !WouldWait()) {
        closesocket(s);
        return kNoSocket;
    }
    return static_cast<Socket>(s);
}

bool Connected(Socket socket)
{
    int error = 0;
    SocketLength length = sizeof(error);
    return getsockopt(ToNative(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 &&
           error == 0;
}

Socket Listen(bool loopbackOnly, uint16_t& port)
{
    Native s = NewSocket();
    if (s == kInvalid)
        return kNoSocket;
    sockaddr_in address = ToAddress({loopbackOnly ? 0x7F000001u : 0u, 0});
    SocketLength length = sizeof(address);
    if (bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 || listen(s, 16) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(s);
        return kNoSocket;
    }
    port = ntohs(address.sin_port);
    return static_cast<Socket>(s);
}

Socket Accept(Socket listener, Endpoint& from)
{
    sockaddr_in address{};
    SocketLength length = sizeof(address);
    Native s = Prepared(accept(ToNative(listener), reinterpret_cast<sockaddr*>(&address), &length));
    if (s == kInvalid)
        return kNoSocket;
    from = {ntohl(address.sin_addr.s_addr), ntohs(address.sin_port)};
    return static_cast<Socket>(s);
}

long Send(Socket socket, const uint8_t* data, size_t size)
{
    const int chunk = static_cast<int>(size > (1u << 20) ? (1u << 20) : size);
    const long sent = send(ToNative(socket), reinterpret_cast<const char*>(data), chunk, kSendFlags);
    return sent >= 0 ? sent : WouldWait() ? 0 : -1;
}

long Receive(Socket socket, uint8_t* into, size_t size)
{
    const int chunk = static_cast<int>(size > (1u << 20) ? (1u << 20) : size);
    const long received = recv(ToNative(socket), reinterpret_cast<char*>(into), chunk, 0);
    return received > 0 ? received : received < 0 && WouldWait() ? 0 : -1;
}

void Close(Socket socket)
{
    if (socket != kNoSocket)
        closesocket(ToNative(socket));
}

bool Poll(std::vector<Watch>& watches, int timeoutMs)
{
    if (watches.empty()) {
        // Winsock's poll refuses an empty set at once, which would make the caller's loop spin.
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return true;
    }
    std::vector<PollItem> items(watches.size());
    for (size_t i = 0; i < watches.size(); ++i) {
        items[i].fd = ToNative(watches[i].socket);
        items[i].events = static_cast<short>(POLLIN | (watches[i].write ? POLLOUT : 0));
    }
    const int ready = PollNative(items.data(), items.size(), timeoutMs);
    for (size_t i = 0; i < watches.size(); ++i) {
        const short events = ready > 0 ? items[i].revents : 0;
        watches[i].readable = events & (POLLIN | POLLHUP);
        watches[i].writable = events & POLLOUT;
        watches[i].failed = events & (POLLERR | POLLNVAL);
    }
    return ready >= 0;
}

}  // namespace delivery::net
