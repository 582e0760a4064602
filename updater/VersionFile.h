// The remote version file, as the updater reads it from the "APPURL" address. It is an INI file:
//
//   [Version]
//   Version=<n>                  the version it installs, a decimal number
//   [Files]
//   <path>=<size>,<sha-256>      one line a file: its path inside the installation folder, '\'-separated,
//                                in the ANSI code page; its size in bytes; its SHA-256 in hexadecimal
//   [Signature]
//   Sha256Rsa=<base64>           the RSA signature (PKCS #1 v1.5 over SHA-256) of SignedText(), as openssl
//                                writes it, made with the private half of the installation's ini\update.pub
//
// The listed files lie beside the version file, under "files/": FileUrl() gives each one's address.
#pragma once

#include <string>
#include <vector>

#include "AfxString.h"

// A version file larger than this is refused: no list of an update comes near it.
constexpr DWORD kMaxVersionFileSize = 1024 * 1024;

struct CListedFile {
    CString strPath;
    ULONGLONG nSize;
    CString strSha256;  // lower-case
};

class CVersionFile {
public:
    // Reads the file and checks its form: a number for the version, and well-formed entries whose
    // paths stay inside the installation, each listed once. Anything else throws CUpdateFailure.
    explicit CVersionFile(LPCSTR lpszFile);

    // What the signature covers: "Version=<n>\n", then "<path>=<size>,<sha-256>\n" for each file in
    // listed order, the numbers in decimal without leading zeros, the digest in lower case. The demo's
    // signer, demo/update_package.py, writes the same bytes.
    std::string SignedText() const;

    int m_nVersion;
    std::vector<CListedFile> m_files;
    CString m_strSignature;
};

// Whether a listed path may be installed: relative, '\'-separated, no empty, "." or ".." part, no
// device name, nothing Windows would read differently from how it is written, and none of the files
// the updater itself writes (ini\Tavro.ini, ZeziroD2U.exe, the staging folder, the journal).
bool IsInstallablePath(const CString& strPath);

// The parts of a '\'-separated path, split only where '\' is a character of its own: in the ANSI code
// page it can also be the second byte of a double-byte character.
std::vector<CString> PathParts(const CString& strPath);

// Where a listed file lies: the version file's folder, "files/", then the path with '/' for '\',
// UTF-8 and percent-encoded.
CString FileUrl(const CString& strVersionFileUrl, const CString& strPath);
