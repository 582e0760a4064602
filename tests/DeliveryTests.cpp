#include <gtest/gtest.h>

#include <string>

#include "delivery/ChunkWindow.h"
#include "delivery/Crypto.h"
#include "delivery/Scheduler.h"
#include "delivery/Wire.h"

using namespace delivery;

namespace {

// Digests and chunk bytes that differ by chunk; the window takes whatever digest the caller computed.
Digest DigestOf(uint32_t id)
{
    Digest digest{};
    digest.fill(uint8_t(id));
    digest[0] = uint8_t(id >> 8);
    return digest;
}

Bytes ChunkOf(uint32_t id) { return Bytes(kChunkBytes, uint8_t(id)); }

Batch BatchOf(uint32_t first, size_t count)
{
    Batch batch{first, {}, {}};
    for (size_t i = 0; i < count; ++i)
        batch.chunks.push_back({DigestOf(uint32_t(first + i)), uint32_t(120 * (first + i))});
    batch.signature.fill(0x5A);
    return batch;
}

std::string Hex(const Bytes& bytes)
{
    std::string hex;
    for (uint8_t b : bytes)
        hex += "0123456789abcdef"[b >> 4], hex += "0123456789abcdef"[b & 15];
    return hex;
}

// The messages of a stream fed in pieces of the size, then whether the reader broke.
std::vector<Message> ReadAll(const Bytes& stream, size_t piece, bool* broken = nullptr)
{
    CFrameReader reader;
    std::vector<Message> messages;
    Message message;
    CFrameReader::State state = CFrameReader::Pending;
    for (size_t at = 0; at < stream.size() && state != CFrameReader::Broken;) {
        at += reader.Feed(stream.data() + at, std::min(piece, stream.size() - at));
        while ((state = reader.Next(message)) == CFrameReader::Ready)
            messages.push_back(message);
    }
    if (broken)
        *broken = state == CFrameReader::Broken;
    return messages;
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes joined;
    for (const Bytes& part : parts)
        joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

Bytes BodyOf(const Message& message)
{
    const Bytes frame = Format(message);
    return Bytes(frame.begin() + kFrameHeaderBytes + 1, frame.end());
}

}  // namespace

TEST(WireTest, EveryMessageRoundTripsInAnyPieces)
{
    Handshake handshake{DigestOf(7), 4321, std::string(kMaxChannelBytes, '9')};
    const std::vector<Message> messages = {handshake, Handshake{{}, 0, "1"}, Key{Bytes(kMaxKeyBytes, 0x30)}, Key{{1}},
        BatchOf(0, 1), BatchOf(UINT32_MAX - kMaxBatch + 1, kMaxBatch), Have{{UINT32_MAX - 1023, 1024}},
        Request{{5, 64}}, Cancel{{0, 1}}, Data{UINT32_MAX, ChunkOf(3)}, Choke{}, Unchoke{}};
    Bytes stream;
    for (const Message& message : messages) {
        const Bytes frame = Format(message);
        ASSERT_LE(frame.size(), kFrameHeaderBytes + kMaxFrame);
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    for (size_t piece : {size_t(1), size_t(7), size_t(4096), stream.size()}) {
        std::vector<Message> read = ReadAll(stream, piece);
        ASSERT_EQ(messages.size(), read.size()) << piece;
        for (size_t i = 0; i < read.size(); ++i)
            EXPECT_EQ(Hex(Format(messages[i])), Hex(Format(read[i]))) << i;
    }
}

TEST(WireTest, FieldsAreBigEndianWhereTheProtocolPutsThem)
{
    Handshake handshake{DigestOf(0x0102), 0x1F90, "12"};
    handshake.fingerprint[31] = 0xEE;
    Batch batch = BatchOf(0x01020304, 1);
    batch.chunks[0] = {Digest{}, 0x0A0B0C0D};
    batch.chunks[0].digest.fill(0xDD);
    const std::string prefix = Hex(Bytes(kBatchPrefix, kBatchPrefix + 12));
    const std::string signedFields = "01020304" "0001" + Hex(Bytes(kDigestBytes, 0xDD)) + "0a0b0c0d";
    struct Case { Bytes bytes; std::string hex; } cases[] = {
        {Format(Have{{0x01020304, 0x0506}}), "00000007" "03" "01020304" "0506"},
        {Format(Choke{}), "00000001" "07"},
        {Format(handshake), "00000027" "00" "01" "01" + Hex(Bytes(30, 0x02)) + "ee" "1f90" "02" "3132"},
        {BatchSignedText(batch), prefix + signedFields},
        {BodyOf(batch), signedFields + Hex(Bytes(kSignatureBytes, 0x5A))},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.hex, Hex(c.bytes));
}

TEST(WireTest, BodiesThatBreakARuleAreRefused)
{
    const Bytes handshake = BodyOf(Handshake{DigestOf(1), 80, "12"});  // version, fingerprint, port, length at 35
    const Bytes batch = BodyOf(BatchOf(10, 2));
    const Bytes data = BodyOf(Data{1, ChunkOf(1)});
    const auto with = [](Bytes body, size_t at, uint8_t value) { body[at] = value; return body; };
    const auto sized = [](Bytes body, size_t size) { body.resize(size); return body; };
    const auto range = [](uint32_t first, uint16_t count) { return BodyOf(Have{{first, count}}); };
    struct Case { const char* what; uint8_t type; Bytes body; } cases[] = {
        {"handshake of version 2", kHandshake, with(handshake, 0, 2)}, {"version 0", kHandshake, with(handshake, 0, 0)},
        {"handshake a byte short", kHandshake, sized(handshake, handshake.size() - 1)},
        {"handshake with a byte over", kHandshake, sized(handshake, handshake.size() + 1)},
        {"no channel", kHandshake, sized(with(handshake, 35, 0), 36)},
        {"channel of 33", kHandshake, sized(with(handshake, 35, 33), 36 + 33)},
        {"empty key", kKey, {}}, {"key over the limit", kKey, Bytes(kMaxKeyBytes + 1, 1)},
        {"batch of none", kBatch, with(batch, 5, 0)}, {"batch of 3 with 2 sent", kBatch, with(batch, 5, 3)},
        {"batch over the limit", kBatch, sized(with(BodyOf(BatchOf(0, 64)), 5, 65), 6 + 65 * 36 + 64)},
        {"batch a byte short", kBatch, sized(batch, batch.size() - 1)},
        {"batch with a byte over", kBatch, sized(batch, batch.size() + 1)},
        {"batch past the last chunk", kBatch, with(with(with(with(batch, 0, 0xFF), 1, 0xFF), 2, 0xFF), 3, 0xFF)},
        {"have of none", kHave, range(5, 0)}, {"have over the limit", kHave, range(5, 1025)},
        {"have past the last chunk", kHave, range(UINT32_MAX, 2)}, {"request over the limit", kRequest, range(5, 65)},
        {"cancel over the limit", kCancel, range(0, 1025)}, {"range a byte short", kCancel, sized(range(0, 1), 5)},
        {"data a byte short", kData, sized(data, data.size() - 1)}, {"data a byte over", kData, sized(data, data.size() + 1)},
        {"choke with a body", kChoke, {0}}, {"unchoke with a body", kUnchoke, {0}}, {"unknown type", 9, {}},
    };
    // The bodies the cases break are sound as they are.
    for (const auto& [type, body] : {std::pair(kHandshake, &handshake), std::pair(kBatch, &batch), std::pair(kData, &data)})
        ASSERT_TRUE(ParseMessage(type, body->data(), body->size()));
    for (const Case& c : cases)
        EXPECT_FALSE(ParseMessage(c.type, c.body.data(), c.body.size())) << c.what;
}

TEST(WireTest, FramesThatBreakARuleEndTheConnection)
{
    const Bytes have = Format(Have{{1, 1}});
    Bytes badBody = have;
    badBody.back() = 0;  // a count of 0
    struct Case { const char* what; Bytes stream; size_t readFirst; } cases[] = {
        {"empty frame", Join({have, {0, 0, 0, 0}, have}), 1},
        {"frame over the limit", Join({have, {0, 0, 0x40, 0x01}, Bytes(0x4001, 0)}), 1},
        {"length of 4 GB", Join({{0xFF, 0xFF, 0xFF, 0xFF}, have}), 0},
        {"bad body", Join({have, badBody, have}), 1},
    };
    for (const Case& c : cases)
        for (size_t piece : {size_t(1), size_t(4096)}) {
            bool broken = false;
            EXPECT_EQ(c.readFirst, ReadAll(c.stream, piece, &broken).size()) << c.what;
            EXPECT_TRUE(broken) << c.what;
        }
    // A frame cut anywhere waits for the rest.
    const Bytes data = Format(Data{9, ChunkOf(9)});
    for (size_t cut : {size_t(1), size_t(4), size_t(5), data.size() - 1}) {
        bool broken = true;
        EXPECT_TRUE(ReadAll(Bytes(data.begin(), data.begin() + cut), 1, &broken).empty()) << cut;
        EXPECT_FALSE(broken) << cut;
    }
    // The reader takes nothing past a whole frame until it has given its message.
    CFrameReader reader;
    const Bytes two = Join({have, have});
    EXPECT_EQ(have.size(), reader.Feed(two.data(), two.size()));
    EXPECT_EQ(0u, reader.Feed(two.data(), two.size()));
    Message message;
    EXPECT_EQ(CFrameReader::Ready, reader.Next(message));
    EXPECT_EQ(CFrameReader::Pending, reader.Next(message));
}

TEST(ChunkWindowTest, VerifiesAtTheLiveEdgeAndPlaysInOrder)
{
    CChunkWindow window;
    window.StartAt(100);
    EXPECT_EQ(CChunkWindow::Unexpected, window.AddChunk(100, ChunkOf(100), DigestOf(100)));  // before its batch
    EXPECT_TRUE(window.WouldTake(BatchOf(100, 4)));
    EXPECT_TRUE(window.AddBatch(BatchOf(100, 4)));
    EXPECT_FALSE(window.WouldTake(BatchOf(100, 4)));
    EXPECT_TRUE(window.WouldTake(BatchOf(102, 4)));  // 104 and 105 are news
    EXPECT_FALSE(window.AddBatch(BatchOf(100, 4)));
    EXPECT_EQ(104u, window.Edge());
    struct Step { uint32_t id; uint32_t digestOf; CChunkWindow::Verdict verdict; } steps[] = {
        {101, 101, CChunkWindow::Verified}, {101, 101, CChunkWindow::Unexpected}, {102, 3, CChunkWindow::Mismatch},
        {100, 100, CChunkWindow::Verified}, {104, 104, CChunkWindow::Unexpected},
    };
    for (const Step& step : steps)
        EXPECT_EQ(step.verdict, window.AddChunk(step.id, ChunkOf(step.id), DigestOf(step.digestOf))) << step.id;
    EXPECT_EQ(ChunkOf(100), window.TakeNext());
    EXPECT_EQ(ChunkOf(101), window.TakeNext());
    EXPECT_FALSE(window.TakeNext());  // 102 has not come
    EXPECT_EQ(102u, window.PlayPoint());
    std::vector<std::pair<uint32_t, uint32_t>> missing;
    for (const CChunkWindow::MissingChunk& chunk : window.Missing())
        missing.emplace_back(chunk.id, chunk.streamTime);
    EXPECT_EQ((std::vector<std::pair<uint32_t, uint32_t>>{{102, 12240}, {103, 12360}}), missing);
    ASSERT_EQ(1u, window.Held().size());
    EXPECT_EQ(100u, window.Held()[0].first);
    EXPECT_EQ(2u, window.Held()[0].count);
    EXPECT_EQ(ChunkOf(100), *window.Chunk(100));
    EXPECT_EQ(CChunkWindow::Verified, window.AddChunk(102, ChunkOf(102), DigestOf(102)));
    EXPECT_EQ(ChunkOf(102), window.TakeNext());
}

TEST(ChunkWindowTest, ForgetsBehindThePlayPointAndRefusesFarAhead)
{
    CChunkWindow window;
    window.StartAt(1000);  // the window is [936, 1448)
    EXPECT_TRUE(window.AddBatch(BatchOf(900, 64)));  // only 936 to 963 are kept
    EXPECT_TRUE(window.AddBatch(BatchOf(1440, 20)));
    EXPECT_FALSE(window.WouldTake(BatchOf(1448, 64)));
    EXPECT_FALSE(window.AddBatch(BatchOf(1448, 64)));
    EXPECT_EQ(1448u, window.Edge());
    for (uint32_t id : {935u, 936u, 963u, 1447u, 1448u})
        window.AddChunk(id, ChunkOf(id), DigestOf(id));
    for (uint32_t id : {935u, 1448u})
        EXPECT_FALSE(window.Chunk(id)) << id;
    for (uint32_t id : {936u, 963u, 1447u})
        EXPECT_TRUE(window.Chunk(id)) << id;
    EXPECT_EQ(2u, window.Batches().size());
    window.StartAt(1028);  // the window is [964, 1476): the first batch is forgotten with its chunks
    EXPECT_FALSE(window.Chunk(963));
    EXPECT_EQ(CChunkWindow::Unexpected, window.AddChunk(936, ChunkOf(936), DigestOf(936)));
    ASSERT_EQ(1u, window.Batches().size());
    EXPECT_EQ(1440u, window.Batches()[0].first);
    EXPECT_EQ(1447u, window.Missing().back().id + 1);  // 1447 is held
    window.StartAt(1000);  // what was forgotten stays forgotten
    EXPECT_FALSE(window.Chunk(936));
    // Ids stay plain numbers at the top of their range: the last id is never taken.
    window.StartAt(UINT32_MAX - 8);
    EXPECT_EQ(UINT32_MAX, window.WindowEnd());
    EXPECT_TRUE(window.Batches().empty());
    EXPECT_TRUE(window.AddBatch(BatchOf(UINT32_MAX - 2, 3)));
    EXPECT_EQ(UINT32_MAX, window.Edge());
    EXPECT_EQ(2u, window.Missing().size());
}

TEST(SchedulerTest, AsksPartnersFirstAndTheSeedWhenItMust)
{
    const int64_t now = 50000;
    const PartnerState seed{kSeed, {}, false, 0};
    const std::vector<WantedChunk> one = {{10, now + 5000}};
    const std::vector<WantedChunk> urgent = {{10, now + kUrgentMs}};
    std::vector<WantedChunk> many;
    for (uint32_t id = 20; id < 30; ++id)
        many.push_back({id, now + 5000});
    struct Case {
        const char* what;
        std::vector<WantedChunk> missing;
        std::vector<PartnerState> partners;
        std::vector<OutstandingRequest> outstanding;
        std::vector<PlannedRequest> planned;
    } cases[] = {
        {"a partner before the seed", urgent, {seed, {5, {9, 10}, false, 0}}, {}, {{10, 5}}},
        {"fewest outstanding, then lowest id", {{10, now + 900}, {11, now + 800}},
            {{4, {10, 11}, false, 1}, {3, {10, 11}, false, 2}}, {}, {{11, 4}, {10, 3}}},
        {"rarest first", {{20, now + 900}, {21, now + 100}}, {{3, {20, 21}, false, 7}, {4, {21}, false, 7}}, {},
            {{20, 3}, {21, 4}}},
        {"the seed for an urgent chunk", urgent, {seed, {5, {}, false, 0}}, {}, {{10, kSeed}}},
        {"nothing for a chunk not yet due", {{10, now + kUrgentMs + 1}}, {seed, {5, {}, false, 0}}, {}, {}},
        {"the seed for all when alone, as far as it takes", many, {{kSeed, {}, false, 2}}, {},
            {{20, 0}, {21, 0}, {22, 0}, {23, 0}, {24, 0}, {25, 0}}},
        {"a request in time is not repeated", one, {{5, {10}, false, 1}, {6, {10}, false, 0}},
            {{10, 5, now - kRequestTimeoutMs}}, {}},
        {"a timed-out request goes elsewhere", one, {{5, {10}, false, 1}, {6, {10}, false, 3}},
            {{10, 5, now - kRequestTimeoutMs - 1}}, {{10, 6}}},
        {"a timed-out urgent request goes to the seed", urgent, {seed, {5, {10}, false, 1}},
            {{10, 5, now - kRequestTimeoutMs - 1}}, {{10, kSeed}}},
        {"full and choking partners leave it to the seed", urgent,
            {seed, {5, {10}, false, kMaxOutstandingPerPartner}, {6, {10}, true, 0}}, {}, {{10, kSeed}}},
        {"nor if the seed chokes", urgent, {{kSeed, {}, true, 0}, {6, {10}, true, 0}}, {}, {}},
        {"no partners and no seed", one, {}, {}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.planned, PlanRequests(now, c.missing, c.partners, c.outstanding)) << c.what;
}

TEST(UploadCapTest, LetsThroughItsRateAndBurst)
{
    CUploadCap cap(1000, 1000, 3000);  // 1000 bytes a second, 3000 at once
    struct Step { int64_t now; uint32_t bytes; bool sent; int64_t waitAfter; } steps[] = {
        {1000, 3000, true, 3000}, {1000, 1, false, 1}, {1999, 1000, false, 1}, {2000, 1000, true, 1000},
        {1500, 1, false, 1},  // a clock that steps back gives nothing
        {INT64_MAX / 2, 3000, true, 3000},  // after a long quiet spell, never more than the burst
        {INT64_MAX / 2, 1, false, 1}, {INT64_MAX / 2 + 3000, 5000, true, 3000},  // larger than the burst: from full
    };
    for (const Step& step : steps) {
        EXPECT_EQ(step.sent, cap.TrySend(step.bytes, step.now)) << step.now;
        EXPECT_EQ(step.waitAfter, cap.WaitMs(step.bytes, step.now)) << step.now;
    }
    // The default cap passes DATA at its rate over ten seconds, after its first burst.
    CUploadCap standard(0);
    const uint32_t frame = uint32_t(Format(Data{0, ChunkOf(0)}).size());
    uint64_t sent = 0;
    for (int64_t ms = 0; ms < 10000; ++ms)
        while (standard.TrySend(frame, ms))
            sent += frame;
    EXPECT_LE(sent, 10ull * CUploadCap::kDefaultUploadBytesPerSecond + CUploadCap::kDefaultBurstBytes);
    EXPECT_GE(sent + frame, 10ull * CUploadCap::kDefaultUploadBytesPerSecond);
}

// A channel key, made once from a fixed secret, and its signature over a batch's text.
TEST(ChannelKeyTest, TakesOnlyTheFingerprintedKeyAndChecksItsSignatures)
{
    const auto fromHex = [](const std::string& hex) {
        Bytes bytes;
        for (size_t i = 0; i + 1 < hex.size(); i += 2)
            bytes.push_back(uint8_t(std::stoi(hex.substr(i, 2), nullptr, 16)));
        return bytes;
    };
    const auto toArray = [](const Bytes& bytes, auto array) { return std::copy(bytes.begin(), bytes.end(), array.begin()), array; };
    const Bytes der = fromHex("3059301306072a8648ce3d020106082a8648ce3d03010703420004f9ebe464147cc102d92324d099d927c1a50e42d5"
                              "7a08a116ffec0a29819d8c6570baf7d12888902a6a0c1d67add103123c859ab69bf8e9431c9384930d4b7eee");
    const Digest fingerprint = toArray(fromHex("d3949091b17809e3c090eb70c3592b2ce2020fb8b5081c99220565a7eb1990f4"), Digest{});
    const Signature signature = toArray(fromHex("d79936dc77978332952cc375472a4db09bdff5092f6d597daa82ce74dde1b4e45de385"
                                                "51b765ad94caff5d8281e92dbd325869cce389b182e7e2e3fe73268c7f"), Signature{});
    Bytes text(kBatchPrefix, kBatchPrefix + 12);
    for (uint8_t i = 0; i < 40; ++i)
        text.push_back(i);

    const Digest abc = Sha256(reinterpret_cast<const uint8_t*>("abc"), 3);
    EXPECT_EQ(Hex(Bytes(abc.begin(), abc.end())), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256(der), fingerprint);

    // Whoever hands a key over, only the one the address names is taken.
    Digest otherFingerprint = fingerprint;
    otherFingerprint[31] ^= 1;
    Bytes truncated(der.begin(), der.end() - 1), otherCurve = der;
    otherCurve[20] ^= 1;  // secp256k1's identifier differs from P-256's in its last bytes
    EXPECT_FALSE(CChannelKey::Accept(der, otherFingerprint));
    EXPECT_FALSE(CChannelKey::Accept(truncated, Sha256(truncated)));
    EXPECT_FALSE(CChannelKey::Accept(otherCurve, Sha256(otherCurve)));
    EXPECT_FALSE(CChannelKey::Accept({}, Sha256(Bytes{})));
    const auto key = CChannelKey::Accept(der, fingerprint);
    ASSERT_TRUE(key);

    EXPECT_TRUE(key->Verifies(text, signature));
    Bytes otherText = text;
    otherText.back() ^= 0x80;
    EXPECT_FALSE(key->Verifies(otherText, signature));
    for (size_t at : {size_t(0), size_t(31), size_t(32), size_t(63)}) {
        Signature flipped = signature;
        flipped[at] ^= 1;
        EXPECT_FALSE(key->Verifies(text, flipped)) << at;
    }
    Signature swapped;  // s then r
    std::copy(signature.begin(), signature.begin() + 32, std::copy(signature.begin() + 32, signature.end(), swapped.begin()));
    EXPECT_FALSE(key->Verifies(text, swapped));
    EXPECT_FALSE(key->Verifies(text, Signature{}));
}
