// Which chunk to ask of which partner, and how fast to answer what partners ask: pure rules, given
// the time, so that tests drive them directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace delivery {

// The channel server's seed: it holds every chunk, and is asked only for what no viewer can give.
constexpr uint32_t kSeed = 0;
// Partners a viewer keeps besides the seed: the tracker names up to eight.
constexpr size_t kMaxPartners = 8;
// A chunk asked for longer ago than this is asked of someone else: a second is eight chunks of the
// stream, and a partner that has not answered by then has stalled or left.
constexpr int64_t kRequestTimeoutMs = 1000;
// Requests a partner has in hand at most: enough to keep a connection busy over a round trip, few
// enough that a slow partner holds up little.
constexpr uint32_t kMaxOutstandingPerPartner = 8;
// A chunk due this soon that no partner can give comes from the seed rather than not at all.
constexpr int64_t kUrgentMs = 600;

struct WantedChunk {
    uint32_t id;
    int64_t due;  // ms, on the clock of `now`, when the decoder needs it
};
struct PartnerState {
    uint32_t id;
    std::vector<uint32_t> has;  // ascending: the window's chunks it holds verified (ignored for the seed)
    bool chokedUs;
    uint32_t outstanding;  // our requests it has not answered yet
};
struct OutstandingRequest {
    uint32_t chunk;
    uint32_t partner;
    int64_t askedAt;
};
struct PlannedRequest {
    uint32_t chunk;
    uint32_t partner;
    bool operator==(const PlannedRequest& other) const { return chunk == other.chunk && partner == other.partner; }
};

// The requests to send now, most pressing first. A chunk goes to an unchoked partner that holds it
// and has fewest requests outstanding (below kMaxOutstandingPerPartner; ties to the lowest id), the
// rarest chunks first and, among them, the soonest due. Chunks asked for within kRequestTimeoutMs
// wait; a timed-out one goes to another holder, or to the seed. The seed, among the partners as kSeed,
// gets what no partner can take when it is due within kUrgentMs or when there is no partner at all.
std::vector<PlannedRequest> PlanRequests(int64_t now, const std::vector<WantedChunk>& missing,
    const std::vector<PartnerState>& partners, const std::vector<OutstandingRequest>& outstanding);

// A token bucket for what this viewer uploads to its partners.
class CUploadCap {
public:
    // Half of a common 4 Mbit/s home upload: enough to pass on two copies of an 800 kbit/s channel.
    static constexpr uint32_t kDefaultUploadBytesPerSecond = 256 * 1024;
    // A few DATA frames at once, so that a request of several chunks goes out back to back.
    static constexpr uint32_t kDefaultBurstBytes = 64 * 1024;

    // Full at `now`. A message larger than the burst goes when the bucket is full, and empties it.
    explicit CUploadCap(int64_t now, uint32_t bytesPerSecond = kDefaultUploadBytesPerSecond,
        uint32_t burstBytes = kDefaultBurstBytes);
    // Whether a message of the size may go now; if so, it is counted against the cap.
    bool TrySend(uint32_t bytes, int64_t now);
    // How many ms from `now` until a message of the size may go; 0 when it may go now.
    int64_t WaitMs(uint32_t bytes, int64_t now);

private:
    void Refill(int64_t now);

    // Kept in thousandths of a byte, so that every millisecond adds a whole number of them.
    uint64_t m_rate;
    uint64_t m_capacity;
    uint64_t m_tokens;
    int64_t m_last;
};

}  // namespace delivery
