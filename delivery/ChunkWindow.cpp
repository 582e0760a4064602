#include "ChunkWindow.h"

#include <algorithm>

namespace delivery {

uint32_t CChunkWindow::WindowEnd() const
{
    return uint32_t(std::min<uint64_t>(uint64_t(WindowStart()) + kMaxHeld, UINT32_MAX));
}

void CChunkWindow::StartAt(uint32_t chunk)
{
    m_play = chunk;
    ForgetOutside();
}

bool CChunkWindow::AddBatch(const Batch& batch)
{
    bool covered = false;
    for (size_t i = 0; i < batch.chunks.size(); ++i) {
        const uint64_t id = uint64_t(batch.first) + i;
        if (!InWindow(id))
            continue;
        Slot& slot = m_slots[id % kMaxHeld];
        if (slot.covered && slot.id == id)
            continue;  // a second signed batch cannot tell it anything else
        slot = Slot{uint32_t(id), true, false, batch.chunks[i].digest, batch.chunks[i].streamTime, {}};
        m_edge = std::max(m_edge, uint32_t(id + 1));
        covered = true;
    }
    if (covered)
        m_batches.push_back(batch);
    return covered;
}

bool CChunkWindow::WouldTake(const Batch& batch) const
{
    for (size_t i = 0; i < batch.chunks.size(); ++i) {
        const uint64_t id = uint64_t(batch.first) + i;
        if (InWindow(id) && !CoveredSlot(uint32_t(id)))
            return true;
    }
    return false;
}

const CChunkWindow::Slot* CChunkWindow::CoveredSlot(uint32_t id) const
{
    const Slot& slot = m_slots[id % kMaxHeld];
    return InWindow(id) && slot.covered && slot.id == id ? &slot : nullptr;
}

CChunkWindow::Verdict CChunkWindow::AddChunk(uint32_t id, Bytes bytes, const Digest& digest)
{
    const Slot* covered = CoveredSlot(id);
    if (!covered || covered->verified)
        return Unexpected;
    if (covered->digest != digest)
        return Mismatch;
    Slot& slot = m_slots[id % kMaxHeld];
    slot.verified = true;
    slot.bytes = std::move(bytes);
    return Verified;
}

std::optional<Bytes> CChunkWindow::TakeNext()
{
    const Slot* slot = CoveredSlot(m_play);
    if (!slot || !slot->verified)
        return std::nullopt;
    Bytes bytes = slot->bytes;
    ++m_play;
    ForgetOutside();
    return bytes;
}

std::vector<CChunkWindow::MissingChunk> CChunkWindow::Missing() const
{
    std::vector<MissingChunk> missing;
    for (uint32_t id = m_play; id < std::min(m_edge, WindowEnd()); ++id) {
        const Slot* slot = CoveredSlot(id);
        if (slot && !slot->verified)
            missing.push_back({id, slot->streamTime});
    }
    return missing;
}

std::vector<ChunkRange> CChunkWindow::Held() const
{
    std::vector<ChunkRange> held;
    for (uint32_t id = WindowStart(); id < WindowEnd(); ++id) {
        if (!Chunk(id))
            continue;
        if (!held.empty() && held.back().first + held.back().count == id)
            ++held.back().count;
        else
            held.push_back({id, 1});
    }
    return held;
}

const Bytes* CChunkWindow::Chunk(uint32_t id) const
{
    const Slot* slot = CoveredSlot(id);
    return slot && slot->verified ? &slot->bytes : nullptr;
}

void CChunkWindow::ForgetOutside()
{
    for (Slot& slot : m_slots)
        if (slot.covered && !InWindow(slot.id))
            slot = Slot{};
    // A batch stays while any of its chunks is in the window.
    m_batches.erase(std::remove_if(m_batches.begin(), m_batches.end(),
                        [this](const Batch& batch) {
                            const uint64_t end = uint64_t(batch.first) + batch.chunks.size();
                            return end <= WindowStart() || batch.first >= WindowEnd();
                        }),
        m_batches.end());
}

std::optional<uint32_t> CChunkWindow::StreamTime(uint32_t id) const
{
    const Slot* slot = CoveredSlot(id);
    return slot ? std::optional<uint32_t>(slot->streamTime) : std::nullopt;
}

}  // namespace delivery
