// The few socket calls the swarm makes, the same on Winsock and on POSIX: non-blocking TCP over
// IPv4, and a poll over many sockets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace delivery::net {

using Socket = std::intptr_t;
constexpr Socket kNoSocket = -1;

struct Endpoint {
    uint32_t address = 0;  // IPv4, in host order
    uint16_t port = 0;
    bool operator==(const Endpoint& other) const { return address == other.address && port == other.port; }
    bool operator<(const Endpoint& other) const
    {
        return address != other.address ? address < other.address : port < other.port;
    }
};

std::string ToText(const Endpoint& endpoint);
// "a.b.c.d:port", or false.
bool ParseEndpoint(const std::string& text, Endpoint& endpoint);

// Once per process before any other call (Winsock's start; nothing on POSIX).
bool Startup();

// A connection under way; Poll tells when it is writable, then Connected whether it succeeded.
Socket Connect(const Endpoint& to);
bool Connected(Socket socket);
// Listens on every interface, or only the loopback; the port chosen is put in port.
Socket Listen(bool loopbackOnly, uint16_t& port);
Socket Accept(Socket listener, Endpoint& from);
// Bytes moved, 0 when the call would wait, -1 when the connection failed or (Receive) ended.
long Send(Socket socket, const uint8_t* data, size_t size);
long Receive(Socket socket, uint8_t* into, size_t size);
void Close(Socket socket);

struct Watch {
    Socket socket;
    bool write;  // also wait until it can be written
    bool readable = false, writable = false, failed = false;
};
// Waits at most timeoutMs for any watched socket to be ready; false on an error of the call itself.
bool Poll(std::vector<Watch>& watches, int timeoutMs);

}  // namespace delivery::net
