// A viewer without a picture, for demos and benchmarks: it joins a channel's swarm as the player
// does, passes the stream on to its partners, and writes what it receives to a file or nowhere.
//     kalda-viewer p2p://HOST[:PORT]/live/N?key=FINGERPRINT [--out FILE] [--seconds S] [--loopback]
// It ends after S seconds, on SIGINT/SIGTERM (Ctrl-C on Windows), or when the channel does, and then
// prints one line of figures: bytes from the seed and from partners, bytes sent, chunks on time and
// late, partners dropped, the time from its start to the first chunk handed on, and how it ended.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <winsock2.h>

#include "delivery/Swarm.h"
#include "player/HostLookup.h"
#include "player/PlayAddress.h"

namespace {

std::atomic<bool> g_stop{false};

// By delivery::CSwarm::Outcome.
const char* const kOutcomes[] = {"stopped", "refused", "stalled", "ended"};

void OnSignal(int) { g_stop = true; }

int Usage()
{
    std::fprintf(stderr, "usage: kalda-viewer p2p://HOST[:PORT]/live/N?key=FINGERPRINT [--out FILE] [--seconds S] [--loopback]\n");
    return 2;
}

// A play address the player would play through its swarm, and its host found.
bool ParseAddress(const std::string& text, delivery::CSwarm::Settings& settings)
{
    // Addresses are ASCII; any other byte widens to a character the parser refuses.
    const PlayAddress address = ParsePlayAddress(std::wstring(text.begin(), text.end()));
    ULONG host = 0;
    if (address.kind != PlayAddress::Network || !address.swarm || !LookUpHostAddress(address.host, &host))
        return false;
    settings.server = {ntohl(host), address.port};
    settings.path = address.path;
    settings.fingerprint = address.fingerprint;
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    delivery::CSwarm::Settings settings;
    if (argc < 2 || !ParseAddress(argv[1], settings))
        return Usage();
    const char* out = nullptr;
    double seconds = 0;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--out") && i + 1 < argc)
            out = argv[++i];
        else if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--loopback"))
            settings.loopbackOnly = true;
        else
            return Usage();
    }
    FILE* file = out ? std::fopen(out, "wb") : nullptr;
    if (out && !file) {
        std::fprintf(stderr, "kalda-viewer: cannot write %s\n", out);
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    const auto clock = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    const int64_t end = seconds > 0 ? clock() + static_cast<int64_t>(seconds * 1000) : INT64_MAX;
    std::thread timer([&] {
        while (!g_stop && clock() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        g_stop = true;
    });
    delivery::CSwarm swarm(
        settings,
        [&](const uint8_t* data, size_t size) { return !file || std::fwrite(data, 1, size, file) == size; },
        clock);
    const delivery::CSwarm::Outcome outcome = swarm.Run(g_stop);
    g_stop = true;
    timer.join();
    if (file)
        std::fclose(file);
    const delivery::CSwarm::Counters totals = swarm.Totals();
    std::printf("from_seed=%llu from_partners=%llu sent=%llu on_time=%u late=%u dropped=%u join_ms=%lld outcome=%s\n",
                static_cast<unsigned long long>(totals.fromSeed), static_cast<unsigned long long>(totals.fromPartners),
                static_cast<unsigned long long>(totals.toPartners), totals.onTime, totals.late, totals.dropped,
                static_cast<long long>(totals.joinMs), kOutcomes[outcome]);
    std::fflush(stdout);
    return outcome == delivery::CSwarm::Stopped || outcome == delivery::CSwarm::Ended ? 0 : 1;
}
