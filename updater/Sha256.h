// SHA-256 digests and RSA signatures through the platform's CryptoAPI.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>

#include "AfxString.h"

// A SHA-256 digest of data fed piece by piece.
class CSha256 {
public:
    CSha256();
    ~CSha256();
    CSha256(const CSha256&) = delete;
    CSha256& operator=(const CSha256&) = delete;

    void Add(const void* pData, DWORD nSize);
    // The digest of what was added, in lower-case hexadecimal; empty when the platform cannot make it.
    // Ends the digest: nothing more can be added.
    CString Hex();
    // Whether a signature as openssl writes it (RSA, PKCS #1 v1.5), base64-encoded, was made over what
    // was added with the private half of the public key given in PEM (a SubjectPublicKeyInfo).
    bool IsSignedBy(const std::string& strPublicKeyPem, LPCSTR lpszSignatureBase64);

private:
    HCRYPTPROV m_hProv = 0;
    HCRYPTHASH m_hHash = 0;
};
