// Watches the first bytes of a network stream for what a demultiplexer and a decoder need before
// they can start: a transport stream's programme tables and, after them, a key frame of its video.
#pragma once

#include <cstddef>
#include <cstdint>

#include "VideoAspect.h"

class CTransportProbe {
public:
    enum Verdict { Undecided, Ready, NotTransport };
    static constexpr size_t kPacketSize = 188;
    // A stream whose first bytes hold no run of transport packets is of another kind.
    static constexpr size_t kSyncSearchBytes = 4096;

    void Feed(const uint8_t* data, size_t size);
    Verdict State() const { return m_verdict; }
    // Once Ready with a key frame: where in the bytes fed its first packet starts, and the two
    // packets of the tables it follows. A stream cut to the tables and then the bytes from the key
    // frame on starts with a whole picture; the predicted ones before it would decode to garbage.
    // 0 where nothing is to be cut: a programme of sound alone.
    size_t EntryOffset() const { return m_entryOffset; }
    const uint8_t* Tables() const { return m_tables; }
    // What the key frame's sequence header says, or its H.264 sequence parameter set.
    VideoAspect DisplayAspect() const { return m_aspect; }
    static constexpr size_t kTablesSize = 2 * kPacketSize;

private:
    void TakePacket(const uint8_t* packet);
    // Whether the section held a table of the kind that the probe took.
    bool TakeTable(const uint8_t* section, size_t size, bool programMap);
    // Whether the packet starts a key frame; takes its display aspect on the way.
    bool TakeKeyFrame(const uint8_t* packet, size_t payload, bool randomAccess);

    Verdict m_verdict = Undecided;
    // Bytes before the first packet while synchronising, else the start of a packet split between feeds.
    uint8_t m_carry[kSyncSearchBytes + 3 * kPacketSize] = {};
    size_t m_carried = 0;
    bool m_synced = false;
    size_t m_packetOffset = 0;  // where in the bytes fed the next packet taken starts
    size_t m_entryOffset = 0;
    uint8_t m_tables[kTablesSize] = {};  // the PAT's packet, then the programme map's
    int m_programMapPid = -1;
    int m_videoPid = -1;
    int m_videoType = 0;
    VideoAspect m_aspect;
};
