#include "config/WholeFile.h"

#include <memory>

namespace {

using CFileHandle = std::unique_ptr<void, decltype(&::CloseHandle)>;

CFileHandle Open(LPCSTR lpszFile, DWORD dwAccess, DWORD dwCreation)
{
    HANDLE hFile = ::CreateFileA(lpszFile, dwAccess, dwAccess == GENERIC_READ ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0,
                                 nullptr, dwCreation, FILE_ATTRIBUTE_NORMAL, nullptr);
    return CFileHandle(hFile == INVALID_HANDLE_VALUE ? nullptr : hFile, &::CloseHandle);
}

// Where the new bytes wait, beside the file they replace: on the same volume, so that the move is a rename.
std::string PartName(LPCSTR lpszFile)
{
    return std::string(lpszFile) + ".part";
}

// Moves the part over the file, or removes it when something went wrong before.
bool Complete(bool bWritten, const std::string& part, LPCSTR lpszFile)
{
    if (bWritten && MoveWholeFile(part.c_str(), lpszFile))
        return true;
    ::DeleteFileA(part.c_str());
    return false;
}

std::string Trimmed(const std::string& text)
{
    const size_t nFirst = text.find_first_not_of(" \t");
    return nFirst == std::string::npos ? std::string() : text.substr(nFirst, text.find_last_not_of(" \t") + 1 - nFirst);
}

bool IsSameName(const std::string& name, const std::string& wanted)
{
    return ::lstrcmpiA(Trimmed(name).c_str(), wanted.c_str()) == 0;
}

// Whether the line is a section's, "[name]", and its name; as the profile functions read it, the
// name ends at the last ']', which may also be the second byte of a double-byte character.
bool IsSectionLine(const std::string& line, std::string& name)
{
    const std::string trimmed = Trimmed(line);
    if (trimmed.empty() || trimmed[0] != '[')
        return false;
    size_t nClose = std::string::npos;
    for (size_t i = 1; i < trimmed.size(); i += ::IsDBCSLeadByte(static_cast<BYTE>(trimmed[i])) ? 2 : 1) {
        if (trimmed[i] == ']')
            nClose = i;
    }
    if (nClose == std::string::npos)
        return false;
    name = trimmed.substr(1, nClose - 1);
    return true;
}

}  // namespace

bool Exists(LPCSTR lpszPath)
{
    return ::GetFileAttributesA(lpszPath) != INVALID_FILE_ATTRIBUTES;
}

bool ReadWholeFile(LPCSTR lpszFile, std::string& bytes)
{
    bytes.clear();
    const CFileHandle file = Open(lpszFile, GENERIC_READ, OPEN_EXISTING);
    if (!file)
        return ::GetLastError() == ERROR_FILE_NOT_FOUND || ::GetLastError() == ERROR_PATH_NOT_FOUND;
    char buffer[64 * 1024];
    for (DWORD nRead = 0;; bytes.append(buffer, nRead)) {
        if (!::ReadFile(file.get(), buffer, sizeof(buffer), &nRead, nullptr))
            return false;
        if (nRead == 0)
            return true;
    }
}

bool ReplaceWholeFile(LPCSTR lpszFile, const std::string& bytes)
{
    const std::string part = PartName(lpszFile);
    bool bWritten = false;
    if (const CFileHandle file = Open(part.c_str(), GENERIC_WRITE, CREATE_ALWAYS)) {
        DWORD nWritten = 0;
        bWritten = ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &nWritten, nullptr) &&
                   nWritten == bytes.size() && FlushFile(file.get());
    }
    return Complete(bWritten, part, lpszFile);
}

bool CopyWholeFile(LPCSTR lpszFrom, LPCSTR lpszTo)
{
    const std::string part = PartName(lpszTo);
    bool bWritten = false;
    if (::CopyFileA(lpszFrom, part.c_str(), FALSE)) {
        const CFileHandle file = Open(part.c_str(), GENERIC_WRITE, OPEN_EXISTING);
        bWritten = file && FlushFile(file.get());
    }
    return Complete(bWritten, part, lpszTo);
}

bool MoveWholeFile(LPCSTR lpszFrom, LPCSTR lpszTo)
{
    return ::MoveFileExA(lpszFrom, lpszTo, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool FlushFile(HANDLE hFile)
{
    return ::FlushFileBuffers(hFile) != FALSE;
}

std::string WithProfileValue(const std::string& text, const std::string& section, const std::string& key,
                             const std::string& value)
{
    size_t nAfterSection = std::string::npos;  // where a missing key goes
    for (size_t nStart = 0; nStart < text.size();) {
        const size_t nBreak = text.find('\n', nStart);
        const size_t nNext = nBreak == std::string::npos ? text.size() : nBreak + 1;
        size_t nEnd = nBreak == std::string::npos ? text.size() : nBreak;
        if (nEnd > nStart && text[nEnd - 1] == '\r')
            --nEnd;
        const std::string line = text.substr(nStart, nEnd - nStart);
        std::string name;
        if (IsSectionLine(line, name)) {
            if (nAfterSection != std::string::npos)
                break;  // the section ended without the key
            if (IsSameName(name, section))
                nAfterSection = nNext;
        } else if (nAfterSection != std::string::npos && IsSameName(line.substr(0, line.find('=')), key)) {
            const size_t nEquals = line.find('=');
            if (nEquals == std::string::npos)
                return text.substr(0, nEnd) + "=" + value + text.substr(nEnd);
            // The spaces between '=' and the value stay too.
            const size_t nValue = line.find_first_not_of(" \t", nEquals + 1);
            return text.substr(0, nStart + (nValue == std::string::npos ? line.size() : nValue)) + value +
                   text.substr(nEnd);
        }
        nStart = nNext;
    }
    const std::string entry = key + "=" + value + "\r\n";
    const size_t nAt = nAfterSection == std::string::npos ? text.size() : nAfterSection;
    std::string before = text.substr(0, nAt);
    if (!before.empty() && before.back() != '\n')
        before += "\r\n";
    return before + (nAfterSection == std::string::npos ? "[" + section + "]\r\n" : std::string()) + entry +
           text.substr(nAt);
}
