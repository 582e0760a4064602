// Looks a host's address up on a thread of its own. The system's lookup cannot be cancelled, and a
// channel switch must not wait for it: a lookup given up ends on its own, and keeps the module that
// holds its code loaded until it has.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

// Finds a host's IPv4 address, in network byte order; false when there is none.
using HostLookupFunction = std::function<bool(const std::string& host, ULONG* address)>;

// The system's lookup, by name or as a dotted address.
bool LookUpHostAddress(const std::string& host, ULONG* address);

// Looks the host up and waits for it, at most timeoutMs, or until cancel is set: false then, or when
// there is no such host.
bool WaitForHostAddress(const std::string& host, HANDLE cancel, DWORD timeoutMs, ULONG* address);

class CHostLookup {
public:
    explicit CHostLookup(const std::string& host, HostLookupFunction lookup = LookUpHostAddress);
    // Gives the lookup up if it has not ended.
    ~CHostLookup() = default;
    CHostLookup(const CHostLookup&) = delete;
    CHostLookup& operator=(const CHostLookup&) = delete;

    // Set once the lookup has ended; a lookup that could not start has ended, finding nothing.
    HANDLE Ended() const;
    // Once ended: whether the host was found, and its address.
    bool Found(ULONG* address) const;

private:
    struct Lookup;
    static DWORD WINAPI Run(void* lookup);

    std::shared_ptr<Lookup> m_lookup;
};
