// One viewer in a channel's swarm: it announces itself to the channel server's tracker, keeps the
// seed and up to kMaxPartners partners, fetches the chunks it lacks, checks every one against the
// channel's signed batches, hands the stream on in order, and serves its window to its partners.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "delivery/ChunkWindow.h"
#include "delivery/Crypto.h"
#include "delivery/Net.h"
#include "delivery/Scheduler.h"
#include "delivery/Wire.h"

namespace delivery {

class CSwarm {
public:
    // Nothing delivered for this long ends the swarm, as a silent HTTP stream ends its download.
    static constexpr int64_t kStallMs = 10000;
    // The tracker hears from a viewer this often; it forgets one silent for three times as long.
    static constexpr int64_t kAnnounceEveryMs = 5000;
    // A tracker that has not answered by then has failed.
    static constexpr int64_t kTrackerTimeoutMs = 5000;
    // What a partner has not read yet; one that lets more pile up is too slow to keep.
    static constexpr size_t kMaxUnsent = 1 << 20;

    struct Settings {
        net::Endpoint server;  // the channel server: its tracker, and its seed on the port it names
        std::string path;      // the channel's play path, /live/N; N is the channel
        Digest fingerprint{};
        uint32_t uploadBytesPerSecond = CUploadCap::kDefaultUploadBytesPerSecond;
        bool loopbackOnly = false;  // takes partners' connections on the loopback only
    };
    struct Counters {
        uint64_t fromSeed = 0, fromPartners = 0, toPartners = 0;  // chunk bytes, verified ones received
        uint32_t onTime = 0, late = 0;  // chunks handed on before and after they were due
        uint32_t dropped = 0;           // partners dropped for what they sent
        int64_t joinMs = -1;            // from the start to the first chunk handed on
    };
    enum Outcome { Stopped, Refused, Stalled, Ended };

    // The verified stream in order, on the thread that runs the swarm; false stops it.
    using Deliver = std::function<bool(const uint8_t* data, size_t size)>;
    // The clock, in ms: the tests' own, or the system's steady clock.
    using Clock = std::function<int64_t()>;

    CSwarm(Settings settings, Deliver deliver, Clock clock);
    ~CSwarm();
    CSwarm(const CSwarm&) = delete;
    CSwarm& operator=(const CSwarm&) = delete;

    // Runs until stop is set (Stopped), the tracker refuses or cannot be reached (Refused), nothing can
    // be handed on for kStallMs (Stalled), or the seed's connection ends and it cannot be had again
    // (Ended: the server has gone, as when it closes an HTTP stream). It then tells the tracker it left
    // and closes every socket.
    Outcome Run(const std::atomic<bool>& stop);
    // Safe from any thread while it runs.
    Counters Totals() const;

private:
    struct Link;
    struct TrackerCall;

    void StartTrackerCall(bool leaving);
    // Moves the call under way on; once it has ended, takes its answer.
    void DriveTracker(bool writable);
    void TakeTrackerAnswer(const std::string& answer);
    void ConnectTo(uint32_t id, const net::Endpoint& endpoint);
    void Accept();
    void Pump(Link& link, bool readable, bool writable);
    void Handle(Link& link, Message& message);
    void HandleData(Link& link, Data& data);
    void Drop(Link& link, bool ban);
    void ForgetRequests(const std::function<bool(const OutstandingRequest&)>& which);
    void Send(Link& link, const Message& message);
    void SendToPartners(const Message& message, const Link* except = nullptr);
    void Greet(Link& link);
    void Serve(Link& link);
    void DeliverVerified();
    void RequestMissing();
    void Tick();
    bool IsPartnerKnown(const net::Endpoint& endpoint) const;
    size_t PartnerCount() const;
    // When a chunk whose first byte has this stream time is to be handed on.
    int64_t Due(uint32_t streamTime) const;
    uint32_t StartTime(uint32_t id, uint32_t streamTime) const;

    Settings m_settings;
    std::string m_channel;
    Deliver m_deliver;
    Clock m_clock;
    std::unique_ptr<CChannelKey> m_key;
    Bytes m_keyDer;  // passed on to partners that have not got it
    CChunkWindow m_window;
    CUploadCap m_upload;
    net::Socket m_listener = net::kNoSocket;
    uint16_t m_listenPort = 0;
    std::map<uint32_t, std::unique_ptr<Link>> m_links;  // by partner id; the seed is kSeed
    uint32_t m_nextId = kSeed + 1;
    std::set<net::Endpoint> m_banned;
    std::vector<net::Endpoint> m_offered;  // partners the tracker named, not yet tried
    std::unique_ptr<TrackerCall> m_tracker;
    uint16_t m_seedPort = 0;
    bool m_started = false;           // the tracker gave the start, and the window plays from it
    uint32_t m_joinEdge = 0;          // one past the last chunk signed when the tracker answered
    bool m_seedLost = false;          // its connection ended, and is being made again
    int64_t m_playStart = -1;         // when the first chunk was handed on
    uint32_t m_playStartTime = 0;     // that chunk's stream time
    int64_t m_lastDelivery = 0;
    int64_t m_nextAnnounce = 0;
    bool m_deliveryRefused = false;
    std::vector<OutstandingRequest> m_outstanding;
    std::atomic<uint64_t> m_fromSeed{0}, m_fromPartners{0}, m_toPartners{0};
    std::atomic<uint32_t> m_onTime{0}, m_late{0}, m_dropped{0};
    int64_t m_runStart = 0;
    std::atomic<int64_t> m_joinMs{-1};
};

}  // namespace delivery
