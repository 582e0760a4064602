#include "Update.h"

#include <functional>
#include <memory>
#include <string>

#include "AfxException.h"
#include "AfxFile.h"
#include "Installation.h"
#include "Sha256.h"
#include "UpdateText.h"
#include "UpdaterResource.h"
#include "VersionFile.h"
#include "config/Configuration.h"
#include "config/WholeFile.h"

namespace {

// The client's single-instance mutex, taken once the client has gone and held until the update has
// ended: whoever holds it has the installation to itself.
class CInstallationLock {
public:
    // Throws CUpdateFailure when the client has not gone within kClientExitTimeoutMs.
    explicit CInstallationLock(const CUpdateStop& stop)
    {
        for (const ULONGLONG nStart = ::GetTickCount64();;) {
            m_hMutex = ::CreateMutexA(nullptr, FALSE, product::kSingleInstanceMutex);
            if (m_hMutex != nullptr && ::GetLastError() != ERROR_ALREADY_EXISTS)
                return;
            // The client's: it goes with the client only if no one else holds it open.
            ::CloseHandle(m_hMutex);
            m_hMutex = nullptr;
            if (::GetTickCount64() - nStart >= kClientExitTimeoutMs)
                ThrowUpdateFailure(IDS_FAIL_CLIENT_RUNNING);
            if (::WaitForSingleObject(stop.CancelEvent(), 100) == WAIT_OBJECT_0)
                throw CUpdateCancelled();
        }
    }
    ~CInstallationLock() { ::CloseHandle(m_hMutex); }
    CInstallationLock(const CInstallationLock&) = delete;
    CInstallationLock& operator=(const CInstallationLock&) = delete;

private:
    HANDLE m_hMutex = nullptr;
};

// Downloads the address into the file, handing each piece to onPiece as well, and has it reach the
// disk. Throws `failed` when the download fails, `tooLong` as soon as more than nMaxSize bytes came, a
// disk failure when the file cannot be written, and what the stop says when it ends the download.
void DownloadToFile(const CString& strUrl, const CString& strFile, ULONGLONG nMaxSize, const CUpdateFailure& failed,
                    const CUpdateFailure& tooLong, const CUpdateStop& stop,
                    const std::function<void(const BYTE*, DWORD)>& onPiece)
{
    HANDLE hFile = ::CreateFileA(strFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        ThrowUpdateFailure(IDS_FAIL_DISK, strFile);
    const std::unique_ptr<void, decltype(&::CloseHandle)> closeFile(hFile, &::CloseHandle);
    ULONGLONG nReceived = 0;
    const config::FetchResult result = config::Fetch(strUrl, [&](const BYTE* pData, DWORD nSize) {
        nReceived += nSize;
        if (nReceived > nMaxSize)
            throw tooLong;
        DWORD nWritten = 0;
        if (!::WriteFile(hFile, pData, nSize, &nWritten, nullptr) || nWritten != nSize)
            ThrowUpdateFailure(IDS_FAIL_DISK, strFile);
        onPiece(pData, nSize);
    }, stop);
    if (result == config::FetchResult::Cancelled)
        throw CUpdateCancelled();
    if (result == config::FetchResult::TooLate)
        ThrowUpdateFailure(IDS_FAIL_TOO_SLOW, std::to_string((stop.TimeLimitMs() + 999) / 1000).c_str());
    if (result != config::FetchResult::Complete)
        throw failed;
    if (!FlushFile(hFile))
        ThrowUpdateFailure(IDS_FAIL_DISK, strFile);
}

void VerifySignature(const CVersionFile& list)
{
    std::string strPem;
    try {
        CStdioFile file(product::kPublicKeyFile);
        for (CString strLine; file.ReadString(strLine);)
            strPem += std::string(strLine) + "\n";
    } catch (const CFileException&) {
        ThrowUpdateFailure(IDS_FAIL_KEY, product::kPublicKeyFile);
    }
    const std::string signedText = list.SignedText();
    CSha256 digest;
    digest.Add(signedText.data(), static_cast<DWORD>(signedText.size()));
    if (!digest.IsSignedBy(strPem, list.m_strSignature))
        ThrowUpdateFailure(IDS_FAIL_SIGNATURE);
}

}  // namespace

ULONGLONG DownloadTimeLimitMs(const CDownloadBudget& budget, ULONGLONG nDeclaredBytes)
{
    return budget.nBaseMs + nDeclaredBytes * 1000 / budget.nFloorBytesPerSecond;
}

void RunUpdate(IUpdateProgress& progress, CUpdateStop& stop, const CDownloadBudget& budget)
{
    progress.ShowStep(IDS_STEP_WAITING, "");
    const CInstallationLock lock(stop);
    if (Exists(product::kJournalFile)) {
        progress.ShowStep(IDS_STEP_RECOVERING, "");
        if (RecoverCutOffUpdate(progress))
            return;
    }

    progress.ShowStep(IDS_STEP_CHECKING, "");
    CStagingFolder staging;
    char szAppUrl[config::kValueBufferSize];
    config::ReadString(config::kAppUrl, product::kIniFile, szAppUrl);
    const CString strVersionFile = staging.Path(product::kVersionFileName);
    const CUpdateFailure noVersionFile{IDS_FAIL_VERSION_FILE, szAppUrl};
    const ULONGLONG nStart = ::GetTickCount64();
    stop.SetTimeLimit(nStart, DownloadTimeLimitMs(budget, 0));
    DownloadToFile(szAppUrl, strVersionFile, kMaxVersionFileSize, noVersionFile, noVersionFile, stop, [](const BYTE*, DWORD) {});
    const CVersionFile list(strVersionFile);
    if (list.m_nVersion <= config::ReadInstalledVersion(product::kIniFile))
        ThrowUpdateFailure(IDS_FAIL_NOT_NEWER, std::to_string(list.m_nVersion).c_str());
    VerifySignature(list);

    ULONGLONG nTotal = 0;
    for (const CListedFile& file : list.m_files)
        nTotal += file.nSize;
    stop.SetTimeLimit(nStart, DownloadTimeLimitMs(budget, nTotal));
    ULONGLONG nDone = 0;
    for (size_t i = 0; i < list.m_files.size(); ++i) {
        const CListedFile& file = list.m_files[i];
        progress.ShowStep(IDS_STEP_DOWNLOADING, file.strPath);
        const CUpdateFailure corrupt{IDS_FAIL_CORRUPT, file.strPath};
        CSha256 digest;
        ULONGLONG nSize = 0;
        DownloadToFile(FileUrl(szAppUrl, file.strPath), StagedName(i), file.nSize, {IDS_FAIL_DOWNLOAD, file.strPath},
                       corrupt, stop, [&](const BYTE* pData, DWORD nPiece) {
                           digest.Add(pData, nPiece);
                           nSize += nPiece;
                           nDone += nPiece;
                           progress.ShowBytes(nDone, nTotal);
                       });
        if (nSize != file.nSize || digest.Hex() != file.strSha256)
            throw corrupt;
    }

    progress.ShowStep(IDS_STEP_INSTALLING, "");
    Install(list, progress, stop);
}
