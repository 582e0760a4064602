#include "config/Configuration.h"

#include <string>

namespace config {

void ReadString(const StringKey& key, LPCSTR file, char (&buffer)[kValueBufferSize])
{
    GetPrivateProfileStringA(key.name, key.name, key.defaultValue, buffer, kValueBufferSize, file);
}

int ReadInstalledVersion(LPCSTR iniFile)
{
    return static_cast<int>(GetPrivateProfileIntA(kVersionKey, kVersionKey, 1, iniFile));
}

bool WriteInstalledVersion(LPCSTR iniFile, int nVersion)
{
    return WritePrivateProfileStringA(kVersionKey, kVersionKey, std::to_string(nVersion).c_str(), iniFile) != FALSE;
}

int ReadRemoteVersion(LPCSTR versionFile)
{
    return static_cast<int>(GetPrivateProfileIntA(kVersionKey, kVersionKey, 2, versionFile));
}

void DeleteTempConfig()
{
    DeleteFileA(kTempIniFile);
}

}  // namespace config
