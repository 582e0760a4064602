#include "Update.h"

#include <functional>
#include <memory>
#include <string>

#include "Download.h"
#include "Installation.h"
#include "Sha256.h"
#include "UpdateText.h"
#include "UpdaterResource.h"
#include "VersionFile.h"
#include "app/TvClientApp.h"
#include "config/Configuration.h"

namespace {

void WaitForClientToExit()
{
    for (const DWORD dwStart = ::GetTickCount();; ::Sleep(100)) {
        HANDLE hMutex = ::OpenMutexA(SYNCHRONIZE, FALSE, CTvClientApp::kSingleInstanceMutex);
        if (hMutex == nullptr && ::GetLastError() == ERROR_FILE_NOT_FOUND)
            return;
        if (hMutex != nullptr)
            ::CloseHandle(hMutex);
        if (::GetTickCount() - dwStart >= kClientExitTimeoutMs)
            ThrowUpdateFailure(IDS_FAIL_CLIENT_RUNNING);
    }
}

// Downloads the address into the file, handing each piece to onPiece as well. Throws `failed` when the
// download fails, `tooLong` as soon as more than nMaxSize bytes came, and a disk failure when the file
// cannot be written.
void Fetch(const CString& strUrl, const CString& strFile, ULONGLONG nMaxSize, const CUpdateFailure& failed,
           const CUpdateFailure& tooLong, const std::function<void(const BYTE*, DWORD)>& onPiece)
{
    HANDLE hFile = ::CreateFileA(strFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        ThrowUpdateFailure(IDS_FAIL_DISK, strFile);
    const std::unique_ptr<void, decltype(&::CloseHandle)> closeFile(hFile, &::CloseHandle);
    ULONGLONG nReceived = 0;
    const bool bDone = Download(strUrl, [&](const BYTE* pData, DWORD nSize) {
        nReceived += nSize;
        if (nReceived > nMaxSize)
            throw tooLong;
        DWORD nWritten = 0;
        if (!::WriteFile(hFile, pData, nSize, &nWritten, nullptr) || nWritten != nSize)
            ThrowUpdateFailure(IDS_FAIL_DISK, strFile);
        onPiece(pData, nSize);
    });
    if (!bDone)
        throw failed;
}

void VerifySignature(const CVersionFile& list)
{
    std::string strPem;
    try {
        CStdioFile file(kPublicKeyFile);
        for (CString strLine; file.ReadString(strLine);)
            strPem += std::string(strLine) + "\n";
    } catch (const CFileException&) {
        ThrowUpdateFailure(IDS_FAIL_KEY, kPublicKeyFile);
    }
    const std::string signedText = list.SignedText();
    CSha256 digest;
    digest.Add(signedText.data(), static_cast<DWORD>(signedText.size()));
    if (!digest.IsSignedBy(strPem, list.m_strSignature))
        ThrowUpdateFailure(IDS_FAIL_SIGNATURE);
}

// Listed file i downloaded, and the installed file it replaces, in the staging folder.
CString DownloadedName(size_t i) { return (std::to_string(i) + ".new").c_str(); }
CString BackupName(size_t i) { return (std::to_string(i) + ".old").c_str(); }

}  // namespace

void RunUpdate(IUpdateProgress& progress)
{
    progress.ShowStep(IDS_STEP_WAITING, "");
    WaitForClientToExit();

    progress.ShowStep(IDS_STEP_CHECKING, "");
    CStagingFolder staging;
    char szAppUrl[config::kValueBufferSize];
    config::ReadString(config::kAppUrl, config::kIniFile, szAppUrl);
    const CString strVersionFile = staging.Path("p.ini");
    const CUpdateFailure noVersionFile{IDS_FAIL_VERSION_FILE, szAppUrl};
    Fetch(szAppUrl, strVersionFile, kMaxVersionFileSize, noVersionFile, noVersionFile, [](const BYTE*, DWORD) {});
    const CVersionFile list(strVersionFile);
    if (list.m_nVersion <= config::ReadInstalledVersion(config::kIniFile))
        ThrowUpdateFailure(IDS_FAIL_NOT_NEWER, std::to_string(list.m_nVersion).c_str());
    VerifySignature(list);

    ULONGLONG nTotal = 0;
    for (const CListedFile& file : list.m_files)
        nTotal += file.nSize;
    ULONGLONG nDone = 0;
    for (size_t i = 0; i < list.m_files.size(); ++i) {
        const CListedFile& file = list.m_files[i];
        progress.ShowStep(IDS_STEP_DOWNLOADING, file.strPath);
        const CUpdateFailure corrupt{IDS_FAIL_CORRUPT, file.strPath};
        CSha256 digest;
        ULONGLONG nSize = 0;
        Fetch(FileUrl(szAppUrl, file.strPath), staging.Path(DownloadedName(i)), file.nSize,
              {IDS_FAIL_DOWNLOAD, file.strPath}, corrupt, [&](const BYTE* pData, DWORD nPiece) {
                  digest.Add(pData, nPiece);
                  nSize += nPiece;
                  nDone += nPiece;
                  progress.ShowBytes(nDone, nTotal);
              });
        if (nSize != file.nSize || digest.Hex() != file.strSha256)
            throw corrupt;
    }

    progress.ShowStep(IDS_STEP_INSTALLING, "");
    CReplacement replacement;  // goes before the staging folder, which holds the backups
    for (size_t i = 0; i < list.m_files.size(); ++i)
        replacement.Replace(list.m_files[i].strPath, staging.Path(DownloadedName(i)), staging.Path(BackupName(i)));
    if (!config::WriteInstalledVersion(config::kIniFile, list.m_nVersion))
        ThrowUpdateFailure(IDS_FAIL_DISK, config::kIniFile);
    replacement.Commit();
}
