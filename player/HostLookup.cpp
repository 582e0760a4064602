#include <winsock2.h>
#include <ws2tcpip.h>

#include "HostLookup.h"

// Shared by the caller and the thread, whichever lets go last.
struct CHostLookup::Lookup {
    std::string host;
    HostLookupFunction lookup;
    HANDLE ended = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // The thread's own reference: the code it runs must stay loaded until it is out of it.
    HMODULE module = nullptr;
    bool found = false;
    ULONG address = 0;

    ~Lookup()
    {
        if (ended)
            CloseHandle(ended);
    }
};

bool LookUpHostAddress(const std::string& host, ULONG* address)
{
    // Winsock started for the lookup alone: a caller that gave it up may have ended its own meanwhile.
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const bool ok = getaddrinfo(host.c_str(), nullptr, &hints, &found) == 0 && found;
    if (ok)
        *address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    if (found)
        freeaddrinfo(found);
    WSACleanup();
    return ok;
}

CHostLookup::CHostLookup(const std::string& host, HostLookupFunction lookup)
    : m_lookup(std::make_shared<Lookup>())
{
    m_lookup->host = host;
    m_lookup->lookup = std::move(lookup);
    if (!m_lookup->ended)
        return;
    auto* held = new std::shared_ptr<Lookup>(m_lookup);
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&CHostLookup::Run),
                           &m_lookup->module)) {
        HANDLE thread = CreateThread(nullptr, 0, Run, held, 0, nullptr);
        if (thread) {
            CloseHandle(thread);
            return;
        }
        FreeLibrary(m_lookup->module);
    }
    delete held;
    SetEvent(m_lookup->ended);
}

HANDLE CHostLookup::Ended() const
{
    return m_lookup->ended;
}

bool CHostLookup::Found(ULONG* address) const
{
    if (WaitForSingleObject(m_lookup->ended, 0) != WAIT_OBJECT_0 || !m_lookup->found)
        return false;
    *address = m_lookup->address;
    return true;
}

bool WaitForHostAddress(const std::string& host, HANDLE cancel, DWORD timeoutMs, ULONG* address)
{
    CHostLookup lookup(host);
    const HANDLE waits[] = {cancel, lookup.Ended()};
    return WaitForMultipleObjects(2, waits, FALSE, timeoutMs) == WAIT_OBJECT_0 + 1 && lookup.Found(address);
}

DWORD WINAPI CHostLookup::Run(void* lookup)
{
    std::unique_ptr<std::shared_ptr<Lookup>> held(static_cast<std::shared_ptr<Lookup>*>(lookup));
    Lookup& state = **held;
    const HMODULE module = state.module;
    state.found = state.lookup(state.host, &state.address);
    SetEvent(state.ended);
    held.reset();
    FreeLibraryAndExitThread(module, 0);
}
