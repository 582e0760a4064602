// A viewer's live window of a channel's chunks: the digests and stream times of the batches that
// cover them, the bytes of those that hashed to their digest, and the play point that hands them to
// the decoder in order. Whatever partners send, it holds at most kMaxHeld chunks and batches for
// them only.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "Wire.h"

namespace delivery {

class CChunkWindow {
public:
    // About 6 MB of chunks, a minute of an 800 kbit/s channel.
    static constexpr uint32_t kMaxHeld = 512;
    // Chunks kept behind the play point, for partners that play a little later.
    static constexpr uint32_t kKeepBehind = 64;

    enum Verdict {
        Verified,
        Mismatch,    // the bytes' digest is not the signed one: whoever sent them is dropped
        Unexpected,  // no batch covers the chunk yet, it lies outside the window, or it is held: ignored
    };
    struct MissingChunk {
        uint32_t id;
        uint32_t streamTime;
    };

    // Plays on from the chunk; what falls outside the window around it is forgotten. The window is
    // [chunk - kKeepBehind, chunk - kKeepBehind + kMaxHeld), never below 0 nor reaching the last id,
    // which at eight chunks a second a channel would take seventeen years to reach.
    void StartAt(uint32_t chunk);
    // Takes the digests and stream times of a batch whose signature the caller has checked; those of
    // chunks outside the window are left out. True when it covered a chunk no batch held had: the
    // batch is kept, to be passed on, while a chunk of it is in the window.
    bool AddBatch(const Batch& batch);
    // Whether AddBatch would take something of the batch: only then is its signature worth checking, and
    // a viewer that joins is sent the batches of a whole window, most of them older than its own.
    bool WouldTake(const Batch& batch) const;
    // Takes a chunk's bytes with the SHA-256 digest the caller computed of them.
    Verdict AddChunk(uint32_t id, Bytes bytes, const Digest& digest);
    // The bytes of the chunk at the play point once it is verified, for the decoder; the play point
    // then moves on to the next chunk.
    std::optional<Bytes> TakeNext();

    // The chunks from the play point to the edge that a batch covers and that are not verified yet.
    std::vector<MissingChunk> Missing() const;
    // The verified chunks of the window as ranges, for HAVE.
    std::vector<ChunkRange> Held() const;
    // A verified chunk's bytes, for DATA; null for any other.
    const Bytes* Chunk(uint32_t id) const;
    // The batches that cover chunks of the window, in the order they came, for BATCH.
    const std::deque<Batch>& Batches() const { return m_batches; }

    // The stream time a batch gave the chunk, while it is in the window.
    std::optional<uint32_t> StreamTime(uint32_t id) const;

    uint32_t PlayPoint() const { return m_play; }
    // One past the highest chunk a batch has covered; 0 before any.
    uint32_t Edge() const { return m_edge; }
    uint32_t WindowStart() const { return m_play > kKeepBehind ? m_play - kKeepBehind : 0; }
    // One past the window's last chunk.
    uint32_t WindowEnd() const;
    bool InWindow(uint64_t id) const { return id >= WindowStart() && id < WindowEnd(); }

private:
    struct Slot {
        uint32_t id = 0;
        bool covered = false;  // a batch gave its digest and stream time
        bool verified = false;
        Digest digest{};
        uint32_t streamTime = 0;
        Bytes bytes;
    };
    // The chunk's slot when a batch covers it within the window, else null.
    const Slot* CoveredSlot(uint32_t id) const;
    // Drops the chunks and batches that have left the window.
    void ForgetOutside();

    // Chunk n lives at n % kMaxHeld: the window's chunks never share a slot.
    std::array<Slot, kMaxHeld> m_slots;
    std::deque<Batch> m_batches;
    uint32_t m_play = 0;
    uint32_t m_edge = 0;
};

}  // namespace delivery
