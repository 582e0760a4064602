#include "Sha256.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Empty when the text is not in that form.
std::vector<BYTE> DecodeBase64(const std::string& text, DWORD dwFormat)
{
    const DWORD nLength = static_cast<DWORD>(text.size());
    DWORD nSize = 0;
    if (!::CryptStringToBinaryA(text.c_str(), nLength, dwFormat, nullptr, &nSize, nullptr, nullptr))
        return {};
    std::vector<BYTE> bytes(nSize);
    if (!::CryptStringToBinaryA(text.c_str(), nLength, dwFormat, bytes.data(), &nSize, nullptr, nullptr))
        return {};
    bytes.resize(nSize);
    return bytes;
}

}  // namespace

// The RSA and AES provider is the one with SHA-256.
CSha256::CSha256()
{
    if (::CryptAcquireContextA(&m_hProv, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT))
        ::CryptCreateHash(m_hProv, CALG_SHA_256, 0, 0, &m_hHash);
}

CSha256::~CSha256()
{
    if (m_hHash != 0)
        ::CryptDestroyHash(m_hHash);
    if (m_hProv != 0)
        ::CryptReleaseContext(m_hProv, 0);
}

void CSha256::Add(const void* pData, DWORD nSize)
{
    ::CryptHashData(m_hHash, static_cast<const BYTE*>(pData), nSize, 0);
}

CString CSha256::Hex()
{
    BYTE digest[32];
    DWORD nSize = sizeof(digest);
    if (!::CryptGetHashParam(m_hHash, HP_HASHVAL, digest, &nSize, 0) || nSize != sizeof(digest))
        return CString();
    std::string hex;
    for (BYTE b : digest) {
        char szByte[3];
        std::snprintf(szByte, sizeof(szByte), "%02x", b);
        hex += szByte;
    }
    return hex.c_str();
}

bool CSha256::IsSignedBy(const std::string& strPublicKeyPem, LPCSTR lpszSignatureBase64)
{
    const std::vector<BYTE> keyInfo = DecodeBase64(strPublicKeyPem, CRYPT_STRING_BASE64HEADER);
    std::vector<BYTE> signature = DecodeBase64(lpszSignatureBase64, CRYPT_STRING_BASE64);
    CERT_PUBLIC_KEY_INFO* pKeyInfo = nullptr;
    DWORD nKeyInfoSize = 0;
    if (keyInfo.empty() || signature.empty() ||
        !::CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, keyInfo.data(),
                               static_cast<DWORD>(keyInfo.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr, &pKeyInfo,
                               &nKeyInfoSize))
        return false;
    HCRYPTKEY hKey = 0;
    const BOOL bImported = ::CryptImportPublicKeyInfo(m_hProv, X509_ASN_ENCODING, pKeyInfo, &hKey);
    ::LocalFree(pKeyInfo);
    if (!bImported)
        return false;
    // CryptoAPI takes the signature's bytes in the reverse of the order openssl writes them.
    std::reverse(signature.begin(), signature.end());
    const BOOL bVerified =
        ::CryptVerifySignatureA(m_hHash, signature.data(), static_cast<DWORD>(signature.size()), hKey, nullptr, 0);
    ::CryptDestroyKey(hKey);
    return bVerified != FALSE;
}
