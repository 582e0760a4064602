#include "config/Configuration.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

namespace config {

namespace {

// "Version" as a decimal integer; GetPrivateProfileIntA would wrap a number beyond the integer range
// around to any value, so a huge remote number could read as lower than the installed one.
int ReadVersion(LPCSTR file, int nDefault)
{
    char value[kValueBufferSize];
    if (GetPrivateProfileStringA(kVersionKey, kVersionKey, "", value, kValueBufferSize, file) == 0)
        return nDefault;
    return static_cast<int>(std::clamp<long long>(std::strtoll(value, nullptr, 10), INT_MIN, INT_MAX));
}

}  // namespace

void ReadString(const StringKey& key, LPCSTR file, char (&buffer)[kValueBufferSize])
{
    GetPrivateProfileStringA(key.name, key.name, key.defaultValue, buffer, kValueBufferSize, file);
}

int ReadInstalledVersion(LPCSTR iniFile)
{
    return ReadVersion(iniFile, 1);
}

bool WriteInstalledVersion(LPCSTR iniFile, int nVersion)
{
    return WritePrivateProfileStringA(kVersionKey, kVersionKey, std::to_string(nVersion).c_str(), iniFile) != FALSE;
}

int ReadRemoteVersion(LPCSTR versionFile)
{
    return ReadVersion(versionFile, 2);
}

void DeleteTempConfig()
{
    DeleteFileA(kTempIniFile);
}

}  // namespace config
