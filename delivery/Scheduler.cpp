#include "Scheduler.h"

#include <algorithm>

namespace delivery {

namespace {

bool Holds(const PartnerState& partner, uint32_t chunk)
{
    return std::binary_search(partner.has.begin(), partner.has.end(), chunk);
}

// What a chunk's earlier requests allow: none fresh, and which partners let it time out.
struct AskHistory {
    bool pending = false;
    std::vector<uint32_t> timedOut;
};

AskHistory HistoryOf(uint32_t chunk, int64_t now, const std::vector<OutstandingRequest>& outstanding)
{
    AskHistory history;
    for (const OutstandingRequest& request : outstanding) {
        if (request.chunk != chunk)
            continue;
        if (now - request.askedAt <= kRequestTimeoutMs)
            history.pending = true;
        else
            history.timedOut.push_back(request.partner);
    }
    return history;
}

}  // namespace

std::vector<PlannedRequest> PlanRequests(int64_t now, const std::vector<WantedChunk>& missing,
    const std::vector<PartnerState>& partners, const std::vector<OutstandingRequest>& outstanding)
{
    std::vector<uint32_t> load;  // each partner's requests outstanding, with those planned here
    const PartnerState* seed = nullptr;
    size_t seedIndex = 0;
    bool anyPartner = false;
    for (size_t i = 0; i < partners.size(); ++i) {
        load.push_back(partners[i].outstanding);
        if (partners[i].id == kSeed) {
            seed = &partners[i];
            seedIndex = i;
        } else {
            anyPartner = true;
        }
    }

    // The chunks to ask for, the rarest first, then the soonest due.
    struct Candidate {
        WantedChunk chunk;
        size_t holders;
        AskHistory history;
    };
    std::vector<Candidate> candidates;
    for (const WantedChunk& chunk : missing) {
        AskHistory history = HistoryOf(chunk.id, now, outstanding);
        if (history.pending)
            continue;
        size_t holders = 0;
        for (const PartnerState& partner : partners)
            holders += partner.id != kSeed && !partner.chokedUs && Holds(partner, chunk.id);
        candidates.push_back({chunk, holders, std::move(history)});
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        if (a.holders != b.holders)
            return a.holders < b.holders;
        return a.chunk.due != b.chunk.due ? a.chunk.due < b.chunk.due : a.chunk.id < b.chunk.id;
    });

    std::vector<PlannedRequest> planned;
    for (const Candidate& candidate : candidates) {
        const auto timedOut = [&](uint32_t partner) {
            const std::vector<uint32_t>& ids = candidate.history.timedOut;
            return std::find(ids.begin(), ids.end(), partner) != ids.end();
        };
        const PartnerState* best = nullptr;
        size_t bestIndex = 0;
        for (size_t i = 0; i < partners.size(); ++i) {
            const PartnerState& partner = partners[i];
            if (partner.id == kSeed || partner.chokedUs || load[i] >= kMaxOutstandingPerPartner
                || !Holds(partner, candidate.chunk.id) || timedOut(partner.id))
                continue;
            if (!best || load[i] < load[bestIndex] || (load[i] == load[bestIndex] && partner.id < best->id)) {
                best = &partner;
                bestIndex = i;
            }
        }
        // The seed may be asked again after a time-out: nobody else has the chunk.
        if (!best && seed && !seed->chokedUs && load[seedIndex] < kMaxOutstandingPerPartner
            && (!anyPartner || candidate.chunk.due - now <= kUrgentMs)) {
            best = seed;
            bestIndex = seedIndex;
        }
        if (!best)
            continue;
        ++load[bestIndex];
        planned.push_back({candidate.chunk.id, best->id});
    }
    return planned;
}

CUploadCap::CUploadCap(int64_t now, uint32_t bytesPerSecond, uint32_t burstBytes)
    : m_rate(bytesPerSecond), m_capacity(uint64_t(burstBytes) * 1000), m_tokens(m_capacity), m_last(now)
{
}

void CUploadCap::Refill(int64_t now)
{
    // A clock that steps back adds nothing, and takes nothing away.
    if (now <= m_last)
        return;
    const uint64_t elapsed = uint64_t(now - m_last);
    m_last = now;
    if (m_rate == 0)
        return;
    // Compared before multiplying: a long quiet spell must not overflow.
    const uint64_t room = m_capacity - m_tokens;
    m_tokens = elapsed > room / m_rate ? m_capacity : m_tokens + elapsed * m_rate;
}

int64_t CUploadCap::WaitMs(uint32_t bytes, int64_t now)
{
    Refill(now);
    const uint64_t cost = std::min(uint64_t(bytes) * 1000, m_capacity);
    if (m_tokens >= cost)
        return 0;
    if (m_rate == 0)
        return INT64_MAX;
    return int64_t((cost - m_tokens + m_rate - 1) / m_rate);
}

bool CUploadCap::TrySend(uint32_t bytes, int64_t now)
{
    if (WaitMs(bytes, now) != 0)
        return false;
    m_tokens -= std::min(uint64_t(bytes) * 1000, m_capacity);
    return true;
}

}  // namespace delivery
