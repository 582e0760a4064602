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

// Downloads the version file at lpszAppUrl to lpszVersionFile and compares its "Version" with the
// installed one of lpszIniFile. The file is deleted after it was read; a failed download leaves it
// to the caller.
VersionCheck CheckVersion(LPCSTR lpszAppUrl, LPCSTR lpszIniFile, LPCSTR lpszVersionFile);

}  // namespace config
