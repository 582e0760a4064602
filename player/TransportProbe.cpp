#include "TransportProbe.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kSyncByte = 0x47;
constexpr int kPatPid = 0;
constexpr uint8_t kPatTableId = 0x00;
constexpr uint8_t kPmtTableId = 0x02;
// A section's fixed header after its length, and its closing CRC.
constexpr size_t kSectionHeader = 5;
constexpr size_t kSectionCrc = 4;

int PidOf(const uint8_t* packet) { return (packet[1] & 0x1F) << 8 | packet[2]; }

bool IsVideoType(int type)
{
    // MPEG-1, MPEG-2, MPEG-4 part 2, H.264, H.265.
    return type == 0x01 || type == 0x02 || type == 0x10 || type == 0x1B || type == 0x24;
}

// The start codes of the pictures a decoder can begin with, by the stream's type.
bool IsEntryStartCode(int type, uint8_t code)
{
    switch (type) {
    case 0x01:
    case 0x02:
        return code == 0xB3;  // sequence header
    case 0x1B: {
        const int nal = code & 0x1F;
        return nal == 5 || nal == 7;  // IDR slice, sequence parameter set
    }
    case 0x24: {
        const int nal = code >> 1 & 0x3F;
        return (nal >= 16 && nal <= 21) || nal == 32;  // random-access pictures, video parameter set
    }
    default:
        return false;
    }
}

}  // namespace

void CTransportProbe::Feed(const uint8_t* data, size_t size)
{
    while (size > 0 && m_verdict == Undecided) {
        if (!m_synced) {
            const size_t taken = std::min(size, sizeof(m_carry) - m_carried);
            std::memcpy(m_carry + m_carried, data, taken);
            m_carried += taken;
            data += taken;
            size -= taken;
            size_t at = 0;
            while (at + 2 * kPacketSize < m_carried &&
                   !(m_carry[at] == kSyncByte && m_carry[at + kPacketSize] == kSyncByte &&
                     m_carry[at + 2 * kPacketSize] == kSyncByte))
                ++at;
            if (at + 2 * kPacketSize >= m_carried) {
                if (m_carried == sizeof(m_carry))
                    m_verdict = NotTransport;
                continue;
            }
            m_synced = true;
            m_packetOffset = at;
            // What was carried from the first packet on is fed again, as packets.
            uint8_t carried[sizeof(m_carry)];
            const size_t fromSync = m_carried - at;
            std::memcpy(carried, m_carry + at, fromSync);
            m_carried = 0;
            Feed(carried, fromSync);
            continue;
        }
        if (m_carried > 0 || size < kPacketSize) {
            const size_t taken = std::min(size, kPacketSize - m_carried);
            std::memcpy(m_carry + m_carried, data, taken);
            m_carried += taken;
            data += taken;
            size -= taken;
            if (m_carried == kPacketSize) {
                m_carried = 0;
                TakePacket(m_carry);
            }
            continue;
        }
        TakePacket(data);
        data += kPacketSize;
        size -= kPacketSize;
    }
}

void CTransportProbe::TakePacket(const uint8_t* packet)
{
    const size_t offset = m_packetOffset;
    m_packetOffset += kPacketSize;
    // A packet out of step is skipped: the tables and key frames come again.
    if (packet[0] != kSyncByte)
        return;
    const int pid = PidOf(packet);
    const bool unitStart = packet[1] & 0x40;
    const int adaptation = packet[3] >> 4 & 3;
    size_t payload = 4;
    bool randomAccess = false;
    if (adaptation & 2) {
        const size_t length = packet[4];
        if (length > kPacketSize - 5)
            return;
        randomAccess = length > 0 && (packet[5] & 0x40);
        payload = 5 + length;
    }
    if (!(adaptation & 1) || !unitStart || payload >= kPacketSize)
        return;
    if (pid == kPatPid || pid == m_programMapPid) {
        const size_t section = payload + 1 + packet[payload];  // after the pointer field
        const bool programMap = pid == m_programMapPid;
        if (section < kPacketSize && TakeTable(packet + section, kPacketSize - section, programMap))
            std::memcpy(m_tables + (programMap ? kPacketSize : 0), packet, kPacketSize);
    } else if (pid == m_videoPid && TakeKeyFrame(packet, payload, randomAccess)) {
        m_verdict = Ready;
        m_entryOffset = offset;
    }
}

bool CTransportProbe::TakeTable(const uint8_t* section, size_t size, bool programMap)
{
    if (size < 3 || section[0] != (programMap ? kPmtTableId : kPatTableId))
        return false;
    const size_t length = static_cast<size_t>(section[1] & 0x0F) << 8 | section[2];
    // A section carried on in the next packet is left for a later copy of the table.
    if (length < kSectionHeader + kSectionCrc || 3 + length > size)
        return false;
    const size_t end = 3 + length - kSectionCrc;
    if (!programMap) {
        for (size_t at = 3 + kSectionHeader; at + 4 <= end; at += 4) {
            const int program = section[at] << 8 | section[at + 1];
            if (program != 0) {  // 0 names the network information table
                m_programMapPid = (section[at + 2] & 0x1F) << 8 | section[at + 3];
                return true;
            }
        }
        return false;
    }
    size_t at = 3 + kSectionHeader + 4;  // after the PCR PID and the programme info length
    if (at > end)
        return false;
    at += static_cast<size_t>(section[at - 2] & 0x0F) << 8 | section[at - 1];
    bool hasStreams = false;
    for (; at + 5 <= end; at += 5 + (static_cast<size_t>(section[at + 3] & 0x0F) << 8 | section[at + 4])) {
        hasStreams = true;
        if (m_videoPid < 0 && IsVideoType(section[at])) {
            m_videoType = section[at];
            m_videoPid = (section[at + 1] & 0x1F) << 8 | section[at + 2];
        }
    }
    // A programme of sound alone starts with its tables.
    if (hasStreams && m_videoPid < 0)
        m_verdict = Ready;
    return hasStreams;
}

bool CTransportProbe::TakeKeyFrame(const uint8_t* packet, size_t payload, bool randomAccess)
{
    // Without the multiplexer's flag, the start codes in the packet's part of the picture tell.
    bool entry = randomAccess;
    const uint8_t* pes = packet + payload;
    const size_t pesSize = kPacketSize - payload;
    if (pesSize < 9 || pes[0] != 0 || pes[1] != 0 || pes[2] != 1)
        return entry;
    for (size_t at = 9 + pes[8]; at + 3 < pesSize; ++at) {
        if (pes[at] != 0 || pes[at + 1] != 0 || pes[at + 2] != 1)
            continue;
        const uint8_t code = pes[at + 3];
        entry = entry || IsEntryStartCode(m_videoType, code);
        if (m_videoType == 0x02 && code == 0xB3)
            m_aspect = Mpeg2SequenceAspect(pes + at + 4, pesSize - at - 4);
        else if (m_videoType == 0x1B && (code & 0x1F) == 7)
            m_aspect = H264SequenceAspect(pes + at + 3, pesSize - at - 3);
    }
    return entry;
}
