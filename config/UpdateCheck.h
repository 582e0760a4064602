// The check at every start whether the service offers a newer version of the client.
#pragma once

#include <windows.h>

namespace config {

enum VersionCheck {
    kNewerVersion = 0,
    kUpToDate = 1,
    kVersionFileNotFetched = 2,
};

// Equal numbers count as up to date: only a higher remote number is an update.
inline VersionCheck CompareVersions(int nInstalled, int nRemote)
{
    return nRemote <= nInstalled ? kUpToDate : kNewerVersion;
}

// Fetches the version file at lpszAppUrl within the fetch's limits, keeps it in lpszVersionFile
// while its "Version" is read and compared with the installed one of lpszIniFile, then deletes it.
// A failed fetch writes nothing; what the caller finds there is not this check's.
VersionCheck CheckVersion(LPCSTR lpszAppUrl, LPCSTR lpszIniFile, LPCSTR lpszVersionFile);

}  // namespace config
