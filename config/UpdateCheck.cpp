#include "config/UpdateCheck.h"

#include <urlmon.h>

#include "config/Configuration.h"

namespace config {

VersionCheck CheckVersion(LPCSTR lpszAppUrl, LPCSTR lpszIniFile, LPCSTR lpszVersionFile)
{
    const int nInstalled = ReadInstalledVersion(lpszIniFile);
    if (::URLDownloadToFileA(nullptr, lpszAppUrl, lpszVersionFile, 0, nullptr) != S_OK)
        return kVersionFileNotFetched;
    const int nRemote = ReadRemoteVersion(lpszVersionFile);
    ::DeleteFileA(lpszVersionFile);
    return CompareVersions(nInstalled, nRemote);
}

}  // namespace config
