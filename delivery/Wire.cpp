#include "Wire.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace delivery {

namespace {

constexpr size_t kPrefixBytes = sizeof(kBatchPrefix) - 1;

// Reads a body front to back; any read past its end fails the whole parse.
class CBodyReader {
public:
    CBodyReader(const uint8_t* data, size_t size) : m_data(data), m_left(size) {}

    bool U8(uint8_t& value) { return Take(&value, 1); }
    bool U16(uint16_t& value)
    {
        uint8_t b[2];
        if (!Take(b, 2))
            return false;
        value = uint16_t(b[0] << 8 | b[1]);
        return true;
    }
    bool U32(uint32_t& value)
    {
        uint8_t b[4];
        if (!Take(b, 4))
            return false;
        value = uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
        return true;
    }
    bool Take(uint8_t* out, size_t size)
    {
        if (size > m_left)
            return false;
        std::copy(m_data, m_data + size, out);
        m_data += size;
        m_left -= size;
        return true;
    }
    bool AtEnd() const { return m_left == 0; }
    size_t Left() const { return m_left; }

private:
    const uint8_t* m_data;
    size_t m_left;
};

void PutU16(Bytes& out, uint16_t value)
{
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}

void PutU32(Bytes& out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(value >> shift));
}

template <class Container>
void Put(Bytes& out, const Container& bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// A count of 1 to limit whose range stays within the chunk ids.
bool ValidRange(uint32_t first, uint32_t count, size_t limit)
{
    return count >= 1 && count <= limit && uint64_t(first) + count - 1 <= UINT32_MAX;
}

template <class Range>
std::optional<Message> ParseRange(CBodyReader& body, size_t limit)
{
    Range range;
    if (!body.U32(range.first) || !body.U16(range.count) || !ValidRange(range.first, range.count, limit))
        return std::nullopt;
    return range;
}

std::optional<Message> ParseHandshake(CBodyReader& body)
{
    Handshake handshake;
    uint8_t version = 0, channelLength = 0;
    if (!body.U8(version) || version != kProtocolVersion || !body.Take(handshake.fingerprint.data(), kDigestBytes)
        || !body.U16(handshake.listenPort) || !body.U8(channelLength) || channelLength < 1
        || channelLength > kMaxChannelBytes)
        return std::nullopt;
    uint8_t channel[kMaxChannelBytes];
    if (!body.Take(channel, channelLength))
        return std::nullopt;
    handshake.channel.assign(channel, channel + channelLength);
    return handshake;
}

std::optional<Message> ParseKey(CBodyReader& body)
{
    if (body.Left() < 1 || body.Left() > kMaxKeyBytes)
        return std::nullopt;
    Key key;
    key.der.resize(body.Left());
    body.Take(key.der.data(), key.der.size());
    return key;
}

std::optional<Message> ParseBatch(CBodyReader& body)
{
    Batch batch;
    uint16_t count = 0;
    if (!body.U32(batch.first) || !body.U16(count) || !ValidRange(batch.first, count, kMaxBatch))
        return std::nullopt;
    batch.chunks.resize(count);
    for (BatchChunk& chunk : batch.chunks)
        if (!body.Take(chunk.digest.data(), kDigestBytes))
            return std::nullopt;
    for (BatchChunk& chunk : batch.chunks)
        if (!body.U32(chunk.streamTime))
            return std::nullopt;
    if (!body.Take(batch.signature.data(), kSignatureBytes))
        return std::nullopt;
    return batch;
}

std::optional<Message> ParseData(CBodyReader& body)
{
    Data data;
    if (!body.U32(data.chunk) || body.Left() != kChunkBytes)
        return std::nullopt;
    data.bytes.resize(kChunkBytes);
    body.Take(data.bytes.data(), kChunkBytes);
    return data;
}

// The batch's fields the signature covers, as they go on the wire.
void PutBatchFields(Bytes& out, const Batch& batch)
{
    assert(ValidRange(batch.first, uint32_t(batch.chunks.size()), kMaxBatch));
    PutU32(out, batch.first);
    PutU16(out, uint16_t(batch.chunks.size()));
    for (const BatchChunk& chunk : batch.chunks)
        Put(out, chunk.digest);
    for (const BatchChunk& chunk : batch.chunks)
        PutU32(out, chunk.streamTime);
}

void PutRange(Bytes& out, const ChunkRange& range)
{
    PutU32(out, range.first);
    PutU16(out, range.count);
}

struct BodyWriter {
    Bytes& out;

    void operator()(const Handshake& m)
    {
        assert(!m.channel.empty() && m.channel.size() <= kMaxChannelBytes);
        out.push_back(kProtocolVersion);
        Put(out, m.fingerprint);
        PutU16(out, m.listenPort);
        out.push_back(uint8_t(m.channel.size()));
        Put(out, m.channel);
    }
    void operator()(const Key& m)
    {
        assert(!m.der.empty() && m.der.size() <= kMaxKeyBytes);
        Put(out, m.der);
    }
    void operator()(const Batch& m)
    {
        PutBatchFields(out, m);
        Put(out, m.signature);
    }
    void operator()(const Have& m) { PutRange(out, m); }
    void operator()(const Request& m) { PutRange(out, m); }
    void operator()(const Cancel& m) { PutRange(out, m); }
    void operator()(const Data& m)
    {
        assert(m.bytes.size() == kChunkBytes);
        PutU32(out, m.chunk);
        Put(out, m.bytes);
    }
    void operator()(const Choke&) {}
    void operator()(const Unchoke&) {}
};

}  // namespace

std::optional<Message> ParseMessage(uint8_t type, const uint8_t* body, size_t size)
{
    CBodyReader reader(body, size);
    std::optional<Message> message;
    switch (type) {
    case kHandshake: message = ParseHandshake(reader); break;
    case kKey: message = ParseKey(reader); break;
    case kBatch: message = ParseBatch(reader); break;
    case kHave: message = ParseRange<Have>(reader, kMaxRange); break;
    case kRequest: message = ParseRange<Request>(reader, kMaxRequest); break;
    case kCancel: message = ParseRange<Cancel>(reader, kMaxRange); break;
    case kData: message = ParseData(reader); break;
    case kChoke: message = Choke{}; break;
    case kUnchoke: message = Unchoke{}; break;
    default: return std::nullopt;
    }
    if (!reader.AtEnd())
        return std::nullopt;
    return message;
}

Bytes Format(const Message& message)
{
    Bytes out(kFrameHeaderBytes);
    out.push_back(uint8_t(message.index()));
    std::visit(BodyWriter{out}, message);
    const uint32_t length = uint32_t(out.size() - kFrameHeaderBytes);
    assert(length <= kMaxFrame);
    for (size_t i = 0; i < kFrameHeaderBytes; ++i)
        out[i] = uint8_t(length >> (24 - 8 * i));
    return out;
}

Bytes BatchSignedText(const Batch& batch)
{
    Bytes text(kBatchPrefix, kBatchPrefix + kPrefixBytes);
    PutBatchFields(text, batch);
    return text;
}

uint32_t CFrameReader::FrameLength() const
{
    return uint32_t(m_frame[0]) << 24 | uint32_t(m_frame[1]) << 16 | uint32_t(m_frame[2]) << 8 | m_frame[3];
}

size_t CFrameReader::Feed(const uint8_t* data, size_t size)
{
    size_t taken = 0;
    while (!m_broken && taken < size) {
        const size_t end = m_held < kFrameHeaderBytes ? kFrameHeaderBytes : kFrameHeaderBytes + FrameLength();
        if (m_held == end)
            break;  // a whole frame waits for Next
        const size_t step = std::min(end - m_held, size - taken);
        std::memcpy(m_frame.data() + m_held, data + taken, step);
        m_held += step;
        taken += step;
        if (m_held == kFrameHeaderBytes && (FrameLength() < 1 || FrameLength() > kMaxFrame))
            m_broken = true;
    }
    return m_broken ? size : taken;
}

CFrameReader::State CFrameReader::Next(Message& message)
{
    if (m_broken)
        return Broken;
    if (m_held < kFrameHeaderBytes || m_held < kFrameHeaderBytes + FrameLength())
        return Pending;
    std::optional<Message> parsed =
        ParseMessage(m_frame[kFrameHeaderBytes], m_frame.data() + kFrameHeaderBytes + 1, FrameLength() - 1);
    m_held = 0;
    if (!parsed) {
        m_broken = true;
        return Broken;
    }
    message = std::move(*parsed);
    return Ready;
}

bool ParseFingerprint(const std::string& hex, Digest& fingerprint)
{
    const auto digit = [](char c) {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    if (hex.size() != 2 * fingerprint.size())
        return false;
    for (size_t i = 0; i < fingerprint.size(); ++i) {
        const int high = digit(hex[2 * i]), low = digit(hex[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        fingerprint[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return true;
}

}  // namespace delivery
