// The two checks every chunk passes before anyone gets it: its SHA-256, and the channel key's
// signature over the batch of digests it belongs to. Windows builds use the system's own
// cryptography (CNG), native builds OpenSSL's libcrypto.
#pragma once

#include <memory>

#include "delivery/Wire.h"

namespace delivery {

Digest Sha256(const uint8_t* data, size_t size);
inline Digest Sha256(const Bytes& bytes) { return Sha256(bytes.data(), bytes.size()); }

// A channel's ECDSA P-256 public key, taken only when it hashes to the fingerprint that the play
// address carries: whoever hands the key over, server or partner, cannot change it.
class CChannelKey {
public:
    // Null unless der is a P-256 SubjectPublicKeyInfo whose SHA-256 is the fingerprint.
    static std::unique_ptr<CChannelKey> Accept(const Bytes& der, const Digest& fingerprint);
    ~CChannelKey();
    CChannelKey(const CChannelKey&) = delete;
    CChannelKey& operator=(const CChannelKey&) = delete;

    // Whether the signature (r then s, 32 bytes each, big-endian) is the key's over SHA-256 of the text.
    bool Verifies(const Bytes& text, const Signature& signature) const;

private:
    struct Impl;
    explicit CChannelKey(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// The public point (X then Y, 32 bytes each) of a P-256 SubjectPublicKeyInfo, or false when the
// bytes are anything else. One fixed encoding: the DER of this key type has no variable parts.
bool P256PublicPoint(const Bytes& der, std::array<uint8_t, 64>& point);

}  // namespace delivery
