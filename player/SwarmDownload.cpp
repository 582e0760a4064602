#include <winsock2.h>

#include "SwarmDownload.h"

#include "HostLookup.h"
#include "delivery/Swarm.h"

CSwarmDownload::CSwarmDownload(std::shared_ptr<CStreamBuffer> buffer, HWND notify, UINT message, LPARAM cookie)
    : CStreamFeed(std::move(buffer), notify, message, cookie)
{
}

CSwarmDownload::~CSwarmDownload()
{
    Stop();
}

bool CSwarmDownload::Start(const PlayAddress& address)
{
    return RunThread([this, address] {
        ULONG host = 0;
        delivery::CSwarm::Outcome outcome = delivery::CSwarm::Refused;
        if (WaitForHostAddress(address.host, m_cancel, CStreamBuffer::kStallMs, &host)) {
            delivery::CSwarm::Settings settings;
            settings.server = {ntohl(host), address.port};
            settings.path = address.path;
            settings.fingerprint = address.fingerprint;
            delivery::CSwarm swarm(
                settings, [this](const uint8_t* data, size_t size) { return Deliver(data, size); },
                [] { return static_cast<int64_t>(GetTickCount64()); });
            outcome = swarm.Run(m_stopped);
        }
        // A server that has gone ends the channel, as when it closes an HTTP stream.
        Finish(outcome == delivery::CSwarm::Stopped || outcome == delivery::CSwarm::Ended);
    });
}
