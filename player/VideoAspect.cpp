#include "VideoAspect.h"

#include <vector>

namespace {

// Reads the bits of a NAL unit's payload, its emulation prevention bytes taken out; past the end
// every read fails.
class CBitReader {
public:
    CBitReader(const uint8_t* data, size_t size)
    {
        for (size_t at = 0; at < size; ++at) {
            if (at >= 2 && data[at] == 3 && data[at - 1] == 0 && data[at - 2] == 0)
                continue;
            m_bytes.push_back(data[at]);
        }
    }

    bool Bits(int count, uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < count; ++i) {
            if (m_bit >= m_bytes.size() * 8)
                return false;
            value = value << 1 | (m_bytes[m_bit / 8] >> (7 - m_bit % 8) & 1);
            ++m_bit;
        }
        return true;
    }
    // An unsigned Exp-Golomb code.
    bool Ue(uint32_t& value)
    {
        int zeros = 0;
        uint32_t bit = 0;
        while (Bits(1, bit) && bit == 0) {
            if (++zeros > 31)
                return false;
        }
        uint32_t rest = 0;
        if (bit != 1 || !Bits(zeros, rest))
            return false;
        value = (uint32_t(1) << zeros) - 1 + rest;
        return true;
    }
    bool Skip(int count)
    {
        uint32_t ignored;
        return Bits(count, ignored);
    }
    bool SkipUe(int count = 1)
    {
        uint32_t ignored;
        for (int i = 0; i < count; ++i) {
            if (!Ue(ignored))
                return false;
        }
        return true;
    }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_bit = 0;
};

bool SkipScalingList(CBitReader& bits, int size)
{
    int last = 8, next = 8;
    for (int i = 0; i < size; ++i) {
        if (next != 0) {
            uint32_t code;
            if (!bits.Ue(code))
                return false;
            const int delta = code & 1 ? int(code / 2 + 1) : -int(code / 2);  // signed Exp-Golomb
            next = (last + delta + 256) % 256;
        }
        last = next == 0 ? last : next;
    }
    return true;
}

// The profiles whose parameter sets carry the chroma format, bit depths and scaling lists.
bool HasChromaFormat(uint32_t profile)
{
    for (uint32_t high : {100u, 110u, 122u, 244u, 44u, 83u, 86u, 118u, 128u, 138u, 139u, 134u, 135u}) {
        if (profile == high)
            return true;
    }
    return false;
}

}  // namespace

VideoAspect Mpeg2SequenceAspect(const uint8_t* header, size_t size)
{
    if (size < 4)
        return {};
    // 12 bits of width, 12 of height, then the aspect's code.
    switch (header[3] >> 4) {
    case 1:  // square pixels
        return {header[0] << 4 | header[1] >> 4, (header[1] & 0x0F) << 8 | header[2]};
    case 2:
        return {4, 3};
    case 3:
        return {16, 9};
    case 4:
        return {221, 100};
    default:
        return {};
    }
}

VideoAspect H264SequenceAspect(const uint8_t* nal, size_t size)
{
    static const int kSampleAspects[][2] = {{1, 1},   {12, 11}, {10, 11}, {16, 11},  {40, 33}, {24, 11},
                                            {20, 11}, {32, 11}, {80, 33}, {18, 11},  {15, 11}, {64, 33},
                                            {160, 99}, {4, 3},  {3, 2},   {2, 1}};
    if (size < 4 || (nal[0] & 0x1F) != 7)
        return {};
    CBitReader bits(nal + 1, size - 1);
    uint32_t profile, chroma = 1, flag, value, width, height, frameMbsOnly;
    if (!bits.Bits(8, profile) || !bits.Skip(16) || !bits.SkipUe())
        return {};
    if (HasChromaFormat(profile)) {
        if (!bits.Ue(chroma) || (chroma == 3 && !bits.Skip(1)) || !bits.SkipUe(2) || !bits.Skip(1) ||
            !bits.Bits(1, flag))
            return {};
        for (int i = 0; flag && i < (chroma == 3 ? 12 : 8); ++i) {
            uint32_t present;
            if (!bits.Bits(1, present) || (present && !SkipScalingList(bits, i < 6 ? 16 : 64)))
                return {};
        }
    }
    if (!bits.SkipUe() || !bits.Ue(value))  // the frame number's size; the picture order's kind
        return {};
    if (value == 0 && !bits.SkipUe())
        return {};
    if (value == 1) {
        uint32_t cycle;
        if (!bits.Skip(1) || !bits.SkipUe(2) || !bits.Ue(cycle) || cycle > 255 || !bits.SkipUe(int(cycle)))
            return {};
    }
    if (!bits.SkipUe() || !bits.Skip(1) || !bits.Ue(width) || !bits.Ue(height) || !bits.Bits(1, frameMbsOnly) ||
        (!frameMbsOnly && !bits.Skip(1)) || !bits.Skip(1) || !bits.Bits(1, flag))
        return {};
    if (width > 1024 || height > 1024)
        return {};
    long long frameWidth = (width + 1) * 16LL, frameHeight = (height + 1) * 16LL * (2 - frameMbsOnly);
    if (flag) {  // cropping, in chroma samples
        uint32_t left, right, top, bottom;
        if (!bits.Ue(left) || !bits.Ue(right) || !bits.Ue(top) || !bits.Ue(bottom))
            return {};
        const long long unitX = chroma == 1 || chroma == 2 ? 2 : 1;
        const long long unitY = (chroma == 1 ? 2 : 1) * (2 - frameMbsOnly);
        frameWidth -= unitX * (left + right);
        frameHeight -= unitY * (top + bottom);
    }
    uint32_t vui, hasAspect, idc;
    if (!bits.Bits(1, vui) || !vui || !bits.Bits(1, hasAspect) || !hasAspect || !bits.Bits(8, idc))
        return {};
    long long sampleX, sampleY;
    if (idc == 255) {
        uint32_t x, y;
        if (!bits.Bits(16, x) || !bits.Bits(16, y))
            return {};
        sampleX = x, sampleY = y;
    } else if (idc >= 1 && idc <= 16) {
        sampleX = kSampleAspects[idc - 1][0], sampleY = kSampleAspects[idc - 1][1];
    } else {
        return {};
    }
    const long long x = frameWidth * sampleX, y = frameHeight * sampleY;
    if (x <= 0 || y <= 0)
        return {};
    // Reduced, so that both fit an int.
    long long a = x, b = y;
    while (b != 0) {
        const long long r = a % b;
        a = b;
        b = r;
    }
    return {int(x / a), int(y / a)};
}
