#include "config/Configuration.h"

namespace config {

namespace {
const char kVersionKey[] = "Version";
}

void ReadString(const StringKey& key, LPCSTR file, char (&buffer)[kValueBufferSize])
{
    GetPrivateProfileStringA(key.name, key.name, key.defaultValue, buffer, kValueBufferSize, file);
}

int ReadInstalledVersion(LPCSTR iniFile)
{
    return static_cast<int>(GetPrivateProfileIntA(kVersionKey, kVersionKey, 1, iniFile));
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
