#include "config/Configuration.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "AfxString.h"
#include "config/WholeFile.h"

namespace config {

namespace {

// "Version" as a decimal integer; GetPrivateProfileIntA would wrap a number beyond the integer range
// around to any value, so a huge remote number could read as lower than the installed one.
int ReadVersion(LPCSTR file, int nDefault)
{
    const std::string value = ReadProfileString(kVersionKey, kVersionKey, "", file);
    if (value.empty())
        return nDefault;
    return static_cast<int>(std::clamp<long long>(std::strtoll(value.c_str(), nullptr, 10), INT_MIN, INT_MAX));
}

// A profile line holds at most this many characters on every version of the platform.
constexpr DWORD kLongestProfileValue = 65536;

}  // namespace

std::string ReadProfileString(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPCSTR file)
{
    std::vector<char> value;
    for (DWORD nSize = 256;; nSize *= 2) {
        value.assign(nSize, '\0');
        const DWORD nLength = GetPrivateProfileStringA(section, key, defaultValue, value.data(), nSize, file);
        // A value that filled the buffer may have been cut: read it again with room to spare.
        if (nLength + 2 < nSize || nSize >= kLongestProfileValue)
            return std::string(value.data(), strnlen(value.data(), std::min<DWORD>(nLength, nSize - 1)));
    }
}

std::string CutToCharacters(const std::string& text, size_t nMaxBytes)
{
    const CString str(text.data(), static_cast<int>(text.size()));
    size_t nEnd = 0;
    for (size_t nNext; nEnd < text.size(); nEnd = nNext) {
        nNext = nEnd + static_cast<size_t>(AfxCharSize(str, static_cast<int>(nEnd)));
        if (nNext > nMaxBytes)
            break;
    }
    return text.substr(0, nEnd);
}

void ReadString(const StringKey& key, LPCSTR file, char (&buffer)[kValueBufferSize])
{
    const std::string value =
        CutToCharacters(ReadProfileString(key.name, key.name, key.defaultValue, file), kValueBufferSize - 1);
    std::fill(std::begin(buffer), std::end(buffer), '\0');
    std::copy(value.begin(), value.end(), buffer);
}

int ReadInstalledVersion(LPCSTR iniFile)
{
    return ReadVersion(iniFile, 1);
}

// The profile functions rewrite the file in place, so a write cut off would lose the user's settings.
bool WriteInstalledVersion(LPCSTR iniFile, int nVersion)
{
    std::string text;
    return ReadWholeFile(iniFile, text) &&
           ReplaceWholeFile(iniFile, WithProfileValue(text, kVersionKey, kVersionKey, std::to_string(nVersion)));
}

int ReadRemoteVersion(LPCSTR versionFile)
{
    return ReadVersion(versionFile, 2);
}

void DeleteTempConfig()
{
    DeleteFileA(product::kTempIniFile);
}

}  // namespace config
