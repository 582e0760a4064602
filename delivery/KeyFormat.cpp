#include "Crypto.h"

#include <algorithm>

namespace delivery {

namespace {

// SEQUENCE { SEQUENCE { id-ecPublicKey, prime256v1 }, BIT STRING { uncompressed point } }
constexpr uint8_t kP256SpkiPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x02,
                                       0x01, 0x06, 0x08, 0x2a, 0x86, 0x48, 0xce, 0x3d, 0x03, 0x01, 0x07, 0x03,
                                       0x42, 0x00, 0x04};

}  // namespace

bool P256PublicPoint(const Bytes& der, std::array<uint8_t, 64>& point)
{
    constexpr size_t prefix = sizeof(kP256SpkiPrefix);
    if (der.size() != prefix + point.size() || !std::equal(kP256SpkiPrefix, kP256SpkiPrefix + prefix, der.begin()))
        return false;
    std::copy(der.begin() + prefix, der.end(), point.begin());
    return true;
}

}  // namespace delivery
