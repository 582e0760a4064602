#include "VersionFile.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "Journal.h"
#include "UpdateText.h"
#include "UpdaterResource.h"
#include "config/Configuration.h"

namespace {

const char kFilesSection[] = "Files";
const char kSignatureSection[] = "Signature";
const char kSignatureKey[] = "Sha256Rsa";

constexpr int kMaxSizeDigits = 15;
constexpr int kSha256HexDigits = 64;

// Sixty-four hexadecimal digits, given back in lower case.
bool ParseSha256(const CString& str, CString& strLower)
{
    if (str.GetLength() != kSha256HexDigits)
        return false;
    std::string lower;
    for (int i = 0; i < str.GetLength(); ++i) {
        const unsigned char c = static_cast<unsigned char>(str.GetAt(i));
        if (!std::isxdigit(c))
            return false;
        lower += static_cast<char>(std::tolower(c));
    }
    strLower = lower.c_str();
    return true;
}

// "<path>=<size>,<sha-256>"
CListedFile ParseEntry(const CString& strLine)
{
    const int iEquals = strLine.Find("=");
    const int iComma = iEquals < 0 ? -1 : strLine.Find(",", iEquals);
    CListedFile file{strLine.Left(iEquals), 0, CString()};
    if (iComma < 0 || !IsInstallablePath(file.strPath) ||
        !ParseNumber(strLine.Mid(iEquals + 1, iComma - iEquals - 1), kMaxSizeDigits, file.nSize) ||
        !ParseSha256(strLine.Mid(iComma + 1, strLine.GetLength()), file.strSha256))
        ThrowUpdateFailure(IDS_FAIL_LIST, strLine);
    return file;
}

CString ReadValue(LPCSTR lpszSection, LPCSTR lpszKey, LPCSTR lpszFile)
{
    return config::ReadProfileString(lpszSection, lpszKey, "", lpszFile).c_str();
}

std::vector<CString> ReadSection(LPCSTR lpszSection, LPCSTR lpszFile)
{
    std::vector<char> buffer(kMaxVersionFileSize + 2);
    const DWORD nLength =
        ::GetPrivateProfileSectionA(lpszSection, buffer.data(), static_cast<DWORD>(buffer.size()), lpszFile);
    std::vector<CString> lines;
    for (const char* pLine = buffer.data(); pLine < buffer.data() + nLength && *pLine != '\0';) {
        lines.emplace_back(pLine);
        pLine += std::strlen(pLine) + 1;
    }
    return lines;
}

// Names as the configuration gives them, with or without a leading ".\".
bool IsSameFile(const CString& strPath, LPCSTR lpszName)
{
    if (lpszName[0] == '.' && lpszName[1] == '\\')
        lpszName += 2;
    return ::lstrcmpiA(strPath, lpszName) == 0;
}

// A device name opens the device, whatever extension follows it.
bool IsDeviceName(const CString& strPart)
{
    const int iDot = strPart.Find(".");
    CString strName = iDot < 0 ? strPart : strPart.Left(iDot);
    if (strName.GetLength() == 4 && strName.GetAt(3) >= '1' && strName.GetAt(3) <= '9')
        strName = strName.Left(3) + "#";
    for (LPCSTR lpszDevice : {"CON", "PRN", "AUX", "NUL", "COM#", "LPT#"}) {
        if (::lstrcmpiA(strName, lpszDevice) == 0)
            return true;
    }
    return false;
}

// A part that names what it reads: not empty, "." or "..", no device, no character a file name
// cannot hold, and no trailing dot or space, which Windows drops ("Tavro.ini." names Tavro.ini).
bool IsPlainPart(const CString& strPart)
{
    if (strPart.IsEmpty() || strPart == CString(".") || strPart == CString("..") || IsDeviceName(strPart))
        return false;
    const char last = strPart.GetAt(strPart.GetLength() - 1);
    if (last == '.' || last == ' ')
        return false;
    for (int i = 0; i < strPart.GetLength(); i += AfxCharSize(strPart, i)) {
        const unsigned char c = static_cast<unsigned char>(strPart.GetAt(i));
        if (AfxCharSize(strPart, i) == 1 && (c < 0x20 || std::strchr("<>:\"/|?*", c)))
            return false;
    }
    return true;
}

}  // namespace

CVersionFile::CVersionFile(LPCSTR lpszFile)
{
    const CString strVersion = ReadValue(config::kVersionKey, config::kVersionKey, lpszFile);
    ULONGLONG nVersion = 0;
    if (!ParseNumber(strVersion, kMaxVersionDigits, nVersion))
        ThrowUpdateFailure(IDS_FAIL_LIST, CString(config::kVersionKey) + "=" + strVersion);
    m_nVersion = static_cast<int>(nVersion);
    for (const CString& strLine : ReadSection(kFilesSection, lpszFile)) {
        CListedFile file = ParseEntry(strLine);
        for (const CListedFile& listed : m_files) {
            if (IsSameFile(listed.strPath, file.strPath))
                ThrowUpdateFailure(IDS_FAIL_LIST, strLine);
        }
        m_files.push_back(file);
    }
    if (m_files.empty())
        ThrowUpdateFailure(IDS_FAIL_NO_FILES);
    m_strSignature = ReadValue(kSignatureSection, kSignatureKey, lpszFile);
}

std::string CVersionFile::SignedText() const
{
    std::string text = std::string(config::kVersionKey) + "=" + std::to_string(m_nVersion) + "\n";
    for (const CListedFile& file : m_files)
        text += std::string(file.strPath) + "=" + std::to_string(file.nSize) + "," + std::string(file.strSha256) + "\n";
    return text;
}

std::vector<CString> PathParts(const CString& strPath)
{
    std::vector<CString> parts;
    int iPart = 0;
    for (int i = 0; i < strPath.GetLength(); i += AfxCharSize(strPath, i)) {
        if (strPath.GetAt(i) == '\\' && AfxCharSize(strPath, i) == 1) {
            parts.push_back(strPath.Mid(iPart, i - iPart));
            iPart = i + 1;
        }
    }
    parts.push_back(strPath.Mid(iPart, strPath.GetLength() - iPart));
    return parts;
}

bool IsInstallablePath(const CString& strPath)
{
    const std::vector<CString> parts = PathParts(strPath);
    for (const CString& strPart : parts) {
        if (!IsPlainPart(strPart))
            return false;
    }
    return !IsSameFile(strPath, product::kIniFile) && !IsSameFile(strPath, product::kUpdater) &&
           !IsSameFile(parts.front(), product::kStagingFolder) && !IsSameFile(strPath, product::kJournalFile);
}

CString FileUrl(const CString& strVersionFileUrl, const CString& strPath)
{
    std::string url(strVersionFileUrl);
    url = url.substr(0, url.find_first_of("?#"));
    url.erase(url.rfind('/') + 1);
    url += "files/";
    for (const unsigned char c : ToUtf8(strPath)) {
        if (c == '\\') {
            url += '/';
        } else if ((c < 0x80 && std::isalnum(c)) || std::strchr("-._~", c)) {
            url += static_cast<char>(c);
        } else {
            char szEscape[4];
            std::snprintf(szEscape, sizeof(szEscape), "%%%02X", c);
            url += szEscape;
        }
    }
    return url.c_str();
}
