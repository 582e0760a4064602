#include "Crypto.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>

namespace delivery {

namespace {

// The providers are opened once for the process: opening one costs more than hashing a chunk.
BCRYPT_ALG_HANDLE Provider(LPCWSTR algorithm)
{
    BCRYPT_ALG_HANDLE provider = nullptr;
    return BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&provider, algorithm, nullptr, 0)) ? provider : nullptr;
}

BCRYPT_ALG_HANDLE Sha256Provider()
{
    static const BCRYPT_ALG_HANDLE provider = Provider(BCRYPT_SHA256_ALGORITHM);
    return provider;
}

BCRYPT_ALG_HANDLE EcdsaProvider()
{
    static const BCRYPT_ALG_HANDLE provider = Provider(BCRYPT_ECDSA_P256_ALGORITHM);
    return provider;
}

}  // namespace

Digest Sha256(const uint8_t* data, size_t size)
{
    Digest digest{};
    BCRYPT_HASH_HANDLE hash = nullptr;
    // A failed hash leaves zeros, which match no signed digest.
    if (Sha256Provider() && BCRYPT_SUCCESS(BCryptCreateHash(Sha256Provider(), &hash, nullptr, 0, nullptr, 0, 0))) {
        if (!BCRYPT_SUCCESS(BCryptHashData(hash, const_cast<PUCHAR>(data), static_cast<ULONG>(size), 0)) ||
            !BCRYPT_SUCCESS(BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0)))
            digest.fill(0);
        BCryptDestroyHash(hash);
    }
    return digest;
}

struct CChannelKey::Impl {
    BCRYPT_KEY_HANDLE key = nullptr;
    ~Impl()
    {
        if (key)
            BCryptDestroyKey(key);
    }
};

CChannelKey::CChannelKey(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
CChannelKey::~CChannelKey() = default;

std::unique_ptr<CChannelKey> CChannelKey::Accept(const Bytes& der, const Digest& fingerprint)
{
    std::array<uint8_t, 64> point;
    if (Sha256(der) != fingerprint || !P256PublicPoint(der, point) || !EcdsaProvider())
        return nullptr;
    BYTE blob[sizeof(BCRYPT_ECCKEY_BLOB) + sizeof(point)];
    const BCRYPT_ECCKEY_BLOB header = {BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::memcpy(blob, &header, sizeof(header));
    std::memcpy(blob + sizeof(header), point.data(), point.size());
    auto impl = std::make_unique<Impl>();
    if (!BCRYPT_SUCCESS(BCryptImportKeyPair(EcdsaProvider(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &impl->key, blob,
                                            sizeof(blob), 0)))
        return nullptr;
    return std::unique_ptr<CChannelKey>(new CChannelKey(std::move(impl)));
}

bool CChannelKey::Verifies(const Bytes& text, const Signature& signature) const
{
    Digest digest = Sha256(text);
    return BCRYPT_SUCCESS(BCryptVerifySignature(m_impl->key, nullptr, digest.data(), static_cast<ULONG>(digest.size()),
                                                const_cast<PUCHAR>(signature.data()),
                                                static_cast<ULONG>(signature.size()), 0));
}

}  // namespace delivery
