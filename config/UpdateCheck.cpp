#include "config/UpdateCheck.h"

#include <cstdio>

#include "config/Configuration.h"
#include "config/DocumentFetch.h"

namespace config {

namespace {

bool WriteWholeFile(LPCSTR lpszPath, const std::string& bytes)
{
    FILE* file = std::fopen(lpszPath, "wb");
    if (file == nullptr)
        return false;
    const bool bWritten = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && bWritten;
}

}  // namespace

VersionCheck CheckVersion(LPCSTR lpszAppUrl, LPCSTR lpszIniFile, LPCSTR lpszVersionFile)
{
    const int nInstalled = ReadInstalledVersion(lpszIniFile);
    const std::optional<std::string> versionFile = FetchDocument(lpszAppUrl);
    if (!versionFile || !WriteWholeFile(lpszVersionFile, *versionFile))
        return kVersionFileNotFetched;
    const int nRemote = ReadRemoteVersion(lpszVersionFile);
    ::DeleteFileA(lpszVersionFile);
    return CompareVersions(nInstalled, nRemote);
}

}  // namespace config
