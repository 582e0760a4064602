// Arbitrary bytes as what a partner sends. Every message the reader gives must format back to the
// very frame it came in, and whatever the messages say, the live window and the request plan keep
// their bounds.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "delivery/ChunkWindow.h"
#include "delivery/Scheduler.h"
#include "delivery/Wire.h"

using namespace delivery;

namespace {

void Check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

// What stands for the chunk's SHA-256 here: a fuzzer finds no preimages of that, so that the bytes
// it sends could never verify.
Digest DigestOf(const Bytes& bytes)
{
    Digest digest{};
    std::copy(bytes.begin(), bytes.begin() + kDigestBytes, digest.begin());
    return digest;
}

// A viewer with the seed and one partner, which the messages drive.
class CViewer {
public:
    void Take(const Message& message)
    {
        if (auto* handshake = std::get_if<Handshake>(&message))
            m_window.StartAt(uint32_t(handshake->fingerprint[0]) << 24 | uint32_t(handshake->listenPort));
        else if (auto* batch = std::get_if<Batch>(&message))
            m_window.AddBatch(*batch);
        else if (auto* data = std::get_if<Data>(&message))
            TakeData(*data);
        else if (auto* have = std::get_if<Have>(&message))
            TakeHave(*have);
        else if (auto* request = std::get_if<Request>(&message))
            TakeRequest(*request);
        else if (auto* cancel = std::get_if<Cancel>(&message))
            m_now += cancel->count;
        else if (std::holds_alternative<Choke>(message) || std::holds_alternative<Unchoke>(message))
            m_partnerChoked = std::holds_alternative<Choke>(message);
        else
            while (m_window.TakeNext())
                ;
        CheckWindow();
        CheckPlan();
    }

private:
    static constexpr uint32_t kPartner = 7;

    void TakeData(const Data& data)
    {
        const CChunkWindow::Verdict verdict = m_window.AddChunk(data.chunk, data.bytes, DigestOf(data.bytes));
        const Bytes* held = m_window.Chunk(data.chunk);
        Check(verdict != CChunkWindow::Verified || (held && *held == data.bytes), "a verified chunk is held");
        Check(verdict != CChunkWindow::Mismatch || !held, "a mismatching chunk is not held");
    }

    // Stands for a request of ours, to the seed or the partner by the count's parity.
    void TakeRequest(const Request& request)
    {
        if (m_outstanding.size() == kMaxRequest)
            m_outstanding.erase(m_outstanding.begin());
        m_outstanding.push_back({request.first, request.count % 2 ? kSeed : kPartner, m_now});
    }

    void TakeHave(const Have& have)
    {
        for (uint64_t id = have.first; id < uint64_t(have.first) + have.count; ++id)
            if (m_window.InWindow(id))
                m_has.insert(uint32_t(id));
        // What left the window is no longer offered.
        m_has.erase(m_has.begin(), m_has.lower_bound(m_window.WindowStart()));
        m_has.erase(m_has.lower_bound(m_window.WindowEnd()), m_has.end());
        Check(m_has.size() <= CChunkWindow::kMaxHeld, "a partner's chunks stay within the window");
    }

    void CheckWindow() const
    {
        const std::vector<CChunkWindow::MissingChunk> missing = m_window.Missing();
        for (size_t i = 0; i < missing.size(); ++i) {
            Check(missing[i].id >= m_window.PlayPoint() && missing[i].id < m_window.Edge(), "missing before the edge");
            Check(m_window.InWindow(missing[i].id) && !m_window.Chunk(missing[i].id), "missing within the window");
            Check(i == 0 || missing[i - 1].id < missing[i].id, "missing in order");
        }
        size_t held = 0;
        for (const ChunkRange& range : m_window.Held()) {
            Check(m_window.InWindow(range.first) && m_window.InWindow(uint64_t(range.first) + range.count - 1),
                "held within the window");
            held += range.count;
        }
        Check(held <= CChunkWindow::kMaxHeld, "at most a window of chunks held");
        Check(m_window.Batches().size() <= CChunkWindow::kMaxHeld + kMaxBatch, "batches for the window only");
    }

    void CheckPlan() const
    {
        std::vector<WantedChunk> wanted;
        for (const CChunkWindow::MissingChunk& chunk : m_window.Missing())
            wanted.push_back({chunk.id, int64_t(chunk.streamTime)});
        const std::vector<uint32_t> has(m_has.begin(), m_has.end());
        uint32_t partnerLoad = 0, seedLoad = 0;
        for (const OutstandingRequest& request : m_outstanding)
            ++(request.partner == kSeed ? seedLoad : partnerLoad);
        const std::vector<PartnerState> partners = {{kSeed, {}, false, seedLoad % 10}, {kPartner, has, m_partnerChoked, partnerLoad % 10}};
        std::set<uint32_t> planned;
        uint32_t load[2] = {seedLoad % 10, partnerLoad % 10};
        for (const PlannedRequest& request : PlanRequests(m_now, wanted, partners, m_outstanding)) {
            Check(planned.insert(request.chunk).second, "a chunk asked once");
            Check(std::any_of(wanted.begin(), wanted.end(), [&](const WantedChunk& w) { return w.id == request.chunk; }),
                "only missing chunks asked for");
            const bool toSeed = request.partner == kSeed;
            Check(toSeed || (request.partner == kPartner && !m_partnerChoked && m_has.count(request.chunk)),
                "a partner asked for what it has, unchoked");
            Check(++load[toSeed ? 0 : 1] <= kMaxOutstandingPerPartner, "no partner asked beyond its limit");
        }
    }

    CChunkWindow m_window;
    std::set<uint32_t> m_has;
    bool m_partnerChoked = false;
    std::vector<OutstandingRequest> m_outstanding;
    int64_t m_now = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CFrameReader reader;
    CViewer viewer;
    size_t fed = 0, frameStart = 0, piece = 1;
    Message message;
    CFrameReader::State state = CFrameReader::Pending;
    while (fed < size && state != CFrameReader::Broken) {
        // Pieces of every size, as reads of a socket come.
        piece = piece * 3 % 5003 + 1;
        fed += reader.Feed(data + fed, std::min(piece, size - fed));
        while ((state = reader.Next(message)) == CFrameReader::Ready) {
            const Bytes frame = Format(message);
            Check(frame.size() <= size - frameStart && std::equal(frame.begin(), frame.end(), data + frameStart),
                "a message formats back to its frame");
            frameStart += frame.size();
            viewer.Take(message);
        }
    }
    Check(state == CFrameReader::Broken || fed == size, "the reader takes every byte");
    return 0;
}
