// The pure rules of a channel's start and its picture: when a transport stream holds what a
// decoder needs, and where a picture of a given shape goes in the video area.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "PictureFit.h"
#include "StreamBuffer.h"
#include "TransportProbe.h"
#include "VideoAspect.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr int kPmtPid = 0x1000, kVideoPid = 0x100, kAudioPid = 0x101;

Bytes Packet(int pid, bool unitStart, const Bytes& payload, bool randomAccess = false)
{
    Bytes packet = {0x47, static_cast<uint8_t>((unitStart ? 0x40 : 0) | pid >> 8), static_cast<uint8_t>(pid), 0x10};
    if (randomAccess) {
        packet[3] = 0x30;
        packet.insert(packet.end(), {1, 0x40});
    }
    packet.insert(packet.end(), payload.begin(), payload.end());
    packet.resize(CTransportProbe::kPacketSize, 0xFF);
    return packet;
}

// A section after its pointer field, with a CRC of zeros: the probe does not check it.
Bytes Section(uint8_t tableId, const Bytes& body)
{
    const size_t length = 5 + body.size() + 4;
    Bytes section = {0, tableId, static_cast<uint8_t>(0xB0 | length >> 8), static_cast<uint8_t>(length), 0, 1, 0xC1, 0, 0};
    section.insert(section.end(), body.begin(), body.end());
    section.insert(section.end(), 4, 0);
    return section;
}

Bytes Pat() { return Packet(0, true, Section(0x00, {0, 0, 0xE0, 0x10, 0, 1, 0xE0 | kPmtPid >> 8, kPmtPid & 0xFF})); }

// Each stream is (type, PID).
Bytes Pmt(std::initializer_list<std::pair<int, int>> streams)
{
    Bytes body = {0xE0 | kVideoPid >> 8, kVideoPid & 0xFF, 0xF0, 0};
    for (const auto& [type, pid] : streams)
        body.insert(body.end(), {static_cast<uint8_t>(type), static_cast<uint8_t>(0xE0 | pid >> 8),
                                 static_cast<uint8_t>(pid), 0xF0, 0});
    return Packet(kPmtPid, true, Section(0x02, body));
}

// The first packet of a picture whose elementary stream begins with the start code's byte.
Bytes Picture(int pid, uint8_t code, bool randomAccess = false)
{
    return Packet(pid, true, {0, 0, 1, 0xE0, 0, 0, 0x80, 0x80, 5, 0x21, 0, 1, 0, 1, 0, 0, 1, code}, randomAccess);
}

Bytes Join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

CTransportProbe::Verdict Probe(const Bytes& stream, size_t pieceSize = SIZE_MAX)
{
    CTransportProbe probe;
    for (size_t at = 0; at < stream.size(); at += pieceSize)
        probe.Feed(stream.data() + at, std::min(pieceSize, stream.size() - at));
    return probe.State();
}

const std::pair<int, int> kH264 = {0x1B, kVideoPid}, kMpeg2 = {0x02, kVideoPid}, kAac = {0x0F, kAudioPid};

}  // namespace

TEST(TransportProbe, AStreamIsReadyOnceATableLedKeyFrameHasComeInWhateverPiecesItArrives)
{
    const Bytes nonKey = Picture(kVideoPid, 0x41);  // a slice of a predicted picture
    const struct { const char* what; Bytes stream; CTransportProbe::Verdict verdict; } cases[] = {
        {"tables then a flagged key frame", Join({Pat(), Pmt({kH264, kAac}), Picture(kVideoPid, 0x41, true)}),
         CTransportProbe::Ready},
        {"an IDR slice without the flag", Join({Pat(), Pmt({kH264}), nonKey, Picture(kVideoPid, 0x65)}),
         CTransportProbe::Ready},
        {"a sequence parameter set first", Join({Pat(), Pmt({kH264}), Picture(kVideoPid, 0x67)}), CTransportProbe::Ready},
        {"an MPEG-2 sequence header", Join({Pat(), Pmt({kMpeg2}), Picture(kVideoPid, 0xB3)}), CTransportProbe::Ready},
        {"an MPEG-2 picture is no entry", Join({Pat(), Pmt({kMpeg2}), Picture(kVideoPid, 0x00)}),
         CTransportProbe::Undecided},
        {"sound alone starts with its tables", Join({Pat(), Pmt({kAac}), Packet(kAudioPid, true, {})}),
         CTransportProbe::Ready},
        {"predicted pictures only", Join({Pat(), Pmt({kH264}), nonKey, nonKey}), CTransportProbe::Undecided},
        {"the key frame before the tables", Join({Picture(kVideoPid, 0x65, true), Pat(), Pmt({kH264}), nonKey}),
         CTransportProbe::Undecided},
        {"a programme map before its PAT", Join({Pmt({kH264}), Pat(), Picture(kVideoPid, 0x65, true)}),
         CTransportProbe::Undecided},
        {"and after it again", Join({Pmt({kH264}), Pat(), Pmt({kH264}), Picture(kVideoPid, 0x65, true)}),
         CTransportProbe::Ready},
        {"no tables at all", Join({Picture(kVideoPid, 0x65, true), Picture(kVideoPid, 0x65, true)}),
         CTransportProbe::Undecided},
        {"a key frame on the sound's PID", Join({Pat(), Pmt({kH264, kAac}), Picture(kAudioPid, 0x65, true)}),
         CTransportProbe::Undecided},
        {"a cut in front of the first packet", Join({Bytes(100, 0x47), Pat(), Pmt({kH264}), Picture(kVideoPid, 0x65)}),
         CTransportProbe::Ready},
        {"no transport packets", Bytes(8192, 0x47 ^ 0xFF), CTransportProbe::NotTransport},
    };
    for (const auto& c : cases) {
        for (size_t piece : {SIZE_MAX, size_t(1), size_t(187), size_t(189), size_t(4096)})
            EXPECT_EQ(Probe(c.stream, piece), c.verdict) << c.what << ", fed in pieces of " << piece;
    }
}

// An MPEG-2 key frame's sequence header gives the picture's shape; other kinds leave it to the frame.
TEST(TransportProbe, AnMpeg2SequenceHeaderTellsThePicturesDisplayAspect)
{
    const struct { int type; uint8_t aspectCode; int x, y; } cases[] = {
        {0x02, 0x33, 16, 9}, {0x02, 0x23, 4, 3}, {0x02, 0x13, 720, 576}, {0x02, 0x43, 221, 100}, {0x02, 0x53, 0, 0},
        {0x1B, 0x33, 0, 0},
    };
    for (const auto& c : cases) {
        // 720 by 576, then the aspect's code and a frame rate's in one byte.
        const Bytes header = {0, 0, 1, 0xE0, 0, 0, 0x80, 0x80, 5, 0x21, 0, 1, 0, 1,
                              0, 0, 1, 0xB3, 0x2D, 0x02, 0x40, c.aspectCode};
        CTransportProbe probe;
        const Bytes stream = Join({Pat(), Pmt({{c.type, kVideoPid}}), Packet(kVideoPid, true, header, true)});
        probe.Feed(stream.data(), stream.size());
        EXPECT_EQ(probe.State(), CTransportProbe::Ready);
        EXPECT_EQ(std::make_pair(probe.DisplayAspect().x, probe.DisplayAspect().y), std::make_pair(c.x, c.y))
            << c.type << " " << int(c.aspectCode);
    }
}

// Sequence parameter sets as an encoder writes them: 720x576 pictures of wide pixels (64:45), a
// 1920x1088 frame cropped to 1080 lines of square ones, and cut short.
TEST(VideoAspect, AnH264SequenceParameterSetTellsTheCroppedFrameTimesItsPixelsShape)
{
    const auto bytes = [](const std::string& hex) {
        Bytes parsed;
        for (size_t at = 0; at + 1 < hex.size(); at += 2)
            parsed.push_back(static_cast<uint8_t>(std::stoi(hex.substr(at, 2), nullptr, 16)));
        return parsed;
    };
    const Bytes wide = bytes("6764001eacd940b4126ffc010000b440000003004000000c83c58b658000");
    const Bytes square = bytes("67640028acd940780227e5c044000003000400000300c83c60c65800");
    const struct { const char* what; Bytes nal; int x, y; } cases[] = {
        {"wide pixels", wide, 16, 9},
        {"square pixels, cropped", square, 16, 9},
        {"cut in the middle", Bytes(wide.begin(), wide.begin() + 8), 0, 0},
        {"a picture parameter set", Bytes{0x68, 0xEF, 0xBC, 0xB0}, 0, 0},
    };
    for (const auto& c : cases) {
        const VideoAspect aspect = H264SequenceAspect(c.nal.data(), c.nal.size());
        EXPECT_EQ(std::make_pair(aspect.x, aspect.y), std::make_pair(c.x, c.y)) << c.what;
    }
}

TEST(TransportProbe, GarbledTablesAndPacketsAreSkippedAndLaterGoodCopiesCount)
{
    Bytes longSection = Pat();
    longSection[7] = 0xBF;  // a section length beyond the packet
    Bytes longAdaptation = Picture(kVideoPid, 0x65, true);
    longAdaptation[4] = 200;
    Bytes outOfStep = Picture(kVideoPid, 0x65, true);
    outOfStep[0] = 0x00;
    Bytes shortSection = Pat();
    shortSection[7] = 3;  // shorter than a section's header and CRC
    for (const Bytes& garbled : {longSection, shortSection}) {
        EXPECT_EQ(Probe(Join({garbled, Pmt({kH264}), Picture(kVideoPid, 0x65, true)})), CTransportProbe::Undecided);
        EXPECT_EQ(Probe(Join({garbled, Pat(), Pmt({kH264}), Picture(kVideoPid, 0x65, true)})), CTransportProbe::Ready);
    }
    for (const Bytes& garbled : {longAdaptation, outOfStep}) {
        // After a run of good packets: the first three are what the probe synchronises on.
        const Bytes tables = Join({Pat(), Pmt({kH264}), Picture(kVideoPid, 0x41)});
        EXPECT_EQ(Probe(Join({tables, garbled})), CTransportProbe::Undecided);
        EXPECT_EQ(Probe(Join({tables, garbled, Picture(kVideoPid, 0x65, true)})), CTransportProbe::Ready);
    }
}

// A stream joined between key frames is read from its tables and then its first key frame: the
// pictures before it would decode to garbage. A look at it is answered at once, however the bytes
// arrived.
TEST(StreamBuffer, AJoinedStreamIsReadFromItsTablesThenItsFirstKeyFrameAndLooksAreAnsweredAtOnce)
{
    const Bytes predicted = Picture(kVideoPid, 0x41), key = Picture(kVideoPid, 0x65, true);
    const Bytes sound = Packet(kAudioPid, true, {}), tables = Join({Pat(), Pmt({kH264, kAac})});
    Bytes after;  // enough after the key frame for a look
    for (int i = 0; i < 8; ++i)
        after = Join({after, sound, predicted});
    const Bytes stream = Join({predicted, sound, tables, predicted, sound, key, after});
    const Bytes expected = Join({tables, key, after});
    for (size_t piece : {stream.size(), size_t(1), size_t(100)}) {
        SCOPED_TRACE(piece);
        CStreamBuffer buffer(GetTickCount() + 60000);
        for (size_t at = 0; at < stream.size(); at += piece)
            ASSERT_TRUE(buffer.Append(stream.data() + at, std::min(piece, stream.size() - at)));
        ASSERT_EQ(buffer.StartVerdict(), CTransportProbe::Ready);
        Bytes packets(expected.size());
        LONG read = 0;
        EXPECT_EQ(buffer.Read(0, static_cast<LONG>(packets.size()), packets.data(), &read), S_OK);
        EXPECT_EQ(packets, expected);
        // A look beyond what has come: null packets after it, which later reads find there too.
        Bytes look(4096, 0xAA), again(4096);
        EXPECT_EQ(buffer.Read(0, static_cast<LONG>(look.size()), look.data(), &read), S_OK);
        EXPECT_EQ(read, static_cast<LONG>(look.size()));
        EXPECT_EQ(Bytes(look.begin(), look.begin() + static_cast<ptrdiff_t>(expected.size())), expected);
        for (size_t at = expected.size(); at + 3 <= look.size(); at += CTransportProbe::kPacketSize)
            EXPECT_EQ(Bytes(look.begin() + at, look.begin() + at + 3), (Bytes{0x47, 0x1F, 0xFF})) << at;
        EXPECT_EQ(buffer.Read(0, static_cast<LONG>(again.size()), again.data(), &read), S_OK);
        EXPECT_EQ(again, look);
    }
}

TEST(PictureFit, APictureKeepsItsShapeCentredWithBarsOnTheSidesItDoesNotFill)
{
    const struct { RECT area; LONG x, y; RECT fitted; } cases[] = {
        {{0, 0, 574, 376}, 16, 9, {0, 26, 574, 349}},    // the client's area: bars above and below
        {{0, 0, 574, 376}, 4, 3, {36, 0, 537, 376}},     // bars left and right
        {{0, 0, 1024, 768}, 4, 3, {0, 0, 1024, 768}},    // fills it exactly
        {{0, 0, 1920, 1080}, 16, 9, {0, 0, 1920, 1080}},
        {{0, 0, 1280, 1024}, 16, 9, {0, 152, 1280, 872}},
        {{10, 20, 110, 120}, 2, 1, {10, 45, 110, 95}},   // offset areas stay offset
        {{0, 0, 574, 376}, 640, 360, {0, 26, 574, 349}}, // a frame size is an aspect too
        {{0, 0, 574, 376}, 0, 9, {0, 0, 574, 376}},      // no aspect: the whole area
        {{0, 0, 574, 376}, 16, -9, {0, 0, 574, 376}},
        {{0, 0, 0, 376}, 16, 9, {0, 0, 0, 376}},         // an empty area stays as it is
        {{0, 0, 3, 1}, 1, 1, {1, 0, 2, 1}},
    };
    for (const auto& c : cases) {
        const RECT fitted = FitPicture(c.area, c.x, c.y);
        EXPECT_EQ(std::vector<LONG>({fitted.left, fitted.top, fitted.right, fitted.bottom}),
                  std::vector<LONG>({c.fitted.left, c.fitted.top, c.fitted.right, c.fitted.bottom}))
            << c.x << ":" << c.y << " in " << c.area.right - c.area.left << "x" << c.area.bottom - c.area.top;
    }
}
