// The messages partners of a channel's swarm exchange, their framing, and the limits every length
// and count is checked against before anything is kept of it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace delivery {

constexpr size_t kChunkPackets = 64;
constexpr size_t kChunkBytes = kChunkPackets * 188;
static_assert(kChunkBytes == 12032, "a chunk is 64 transport packets");
// A frame's length counts its type byte and body; a DATA frame is the largest.
constexpr uint32_t kMaxFrame = 16384;
constexpr size_t kFrameHeaderBytes = 4;
constexpr size_t kMaxBatch = 64;     // chunks a BATCH signs
constexpr size_t kMaxRange = 1024;   // chunks a HAVE or CANCEL names
constexpr size_t kMaxRequest = 64;   // chunks a REQUEST names, and one partner may have outstanding
constexpr size_t kSignatureBytes = 64;
constexpr size_t kDigestBytes = 32;
constexpr size_t kMaxKeyBytes = 256;
constexpr size_t kMaxChannelBytes = 32;
constexpr uint8_t kProtocolVersion = 1;
constexpr char kBatchPrefix[] = "KALDA-BATCH1";

using Bytes = std::vector<uint8_t>;
using Digest = std::array<uint8_t, kDigestBytes>;
using Signature = std::array<uint8_t, kSignatureBytes>;

// Chunks first to first + count - 1; a range never runs past the last chunk id.
struct ChunkRange {
    uint32_t first = 0;
    uint16_t count = 0;
};

struct Handshake {
    Digest fingerprint{};  // SHA-256 of the channel's key
    uint16_t listenPort = 0;  // 0: takes no connections
    std::string channel;
};
struct Key {
    Bytes der;  // the channel's public key as a DER SubjectPublicKeyInfo
};
struct BatchChunk {
    Digest digest{};
    uint32_t streamTime = 0;  // ms since the channel's first byte at which the chunk's last byte was due
};
struct Batch {
    uint32_t first = 0;
    std::vector<BatchChunk> chunks;
    Signature signature{};
};
struct Have : ChunkRange {};
struct Request : ChunkRange {};
struct Cancel : ChunkRange {};
struct Data {
    uint32_t chunk = 0;
    Bytes bytes;  // kChunkBytes of them
};
struct Choke {};
struct Unchoke {};

// A message's wire type is its index here.
using Message = std::variant<Handshake, Key, Batch, Have, Request, Cancel, Data, Choke, Unchoke>;
enum MessageType : uint8_t { kHandshake, kKey, kBatch, kHave, kRequest, kCancel, kData, kChoke, kUnchoke };
static_assert(std::variant_size_v<Message> == kUnchoke + 1, "one wire type per message");

// The message a frame's type and body hold, or nothing when the body breaks a rule: an unknown type,
// a length or count out of its limits, another protocol version, bytes missing or left over.
std::optional<Message> ParseMessage(uint8_t type, const uint8_t* body, size_t size);

// The framed bytes of a message that keeps the limits above, as ParseMessage takes them back.
Bytes Format(const Message& message);

// What a batch's signature covers: the prefix, then the body as sent up to the last stream time.
Bytes BatchSignedText(const Batch& batch);

// A channel key's fingerprint as a play address carries it, in 64 hex digits; false for anything else.
bool ParseFingerprint(const std::string& hex, Digest& fingerprint);

// Cuts what a connection receives into messages. It holds at most one frame and its length, so a
// partner cannot make it grow: Feed takes bytes only up to the end of the frame under way, and the
// caller feeds the rest after Next has given that frame's message:
//     while (size > 0) { size_t n = reader.Feed(data, size); data += n; size -= n;
//                        while ((state = reader.Next(message)) == CFrameReader::Ready) Handle(message);
//                        if (state == CFrameReader::Broken) { Close(); break; } }
class CFrameReader {
public:
    enum State { Pending, Ready, Broken };

    // Takes bytes up to the end of the frame under way and returns how many; everything, to no
    // purpose, once the connection is broken.
    size_t Feed(const uint8_t* data, size_t size);
    // Ready with the next message once its frame is whole; Pending until then; Broken, for good,
    // after a frame whose length or body breaks the rules.
    State Next(Message& message);

private:
    uint32_t FrameLength() const;

    std::array<uint8_t, kFrameHeaderBytes + kMaxFrame> m_frame{};
    size_t m_held = 0;
    bool m_broken = false;
};

}  // namespace delivery
