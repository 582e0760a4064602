#include "Installation.h"

#include <algorithm>

#include "UpdateText.h"
#include "UpdaterResource.h"
#include "config/Configuration.h"
#include "config/WholeFile.h"

namespace {

// Whether no one else has the file open: a program or library that runs cannot be replaced.
bool IsFree(const CString& strFile)
{
    HANDLE hFile = ::CreateFileA(strFile, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(hFile);
    return true;
}

// What installing the list changes, as the installation is now.
CJournal Plan(const CVersionFile& list)
{
    CJournal journal{list.m_nVersion, {}, {}};
    for (const CListedFile& file : list.m_files) {
        const std::vector<CString> parts = PathParts(file.strPath);
        CString strFolder;
        for (size_t i = 0; i + 1 < parts.size(); ++i) {
            strFolder += (i == 0 ? CString() : CString("\\")) + parts[i];
            const auto planned = [&](const CString& strPlanned) { return ::lstrcmpiA(strPlanned, strFolder) == 0; };
            if (!Exists(strFolder) && std::none_of(journal.folders.begin(), journal.folders.end(), planned))
                journal.folders.push_back(strFolder);
        }
        journal.files.push_back({file.strPath, Exists(file.strPath)});
    }
    return journal;
}

void Replace(const CJournal& journal, CSteps& steps, const CUpdateStop& stop)
{
    for (const CString& strFolder : journal.folders) {
        stop.ThrowIfCancelled();
        if (!::CreateDirectoryA(strFolder, nullptr))
            ThrowUpdateFailure(IDS_FAIL_REPLACE, strFolder);
        steps.Done();
    }
    for (size_t i = 0; i < journal.files.size(); ++i) {
        const CString& strTarget = journal.files[i].strPath;
        stop.ThrowIfCancelled();
        if (journal.files[i].bInstalled) {
            // A read-only file was made so on purpose: it is not replaced, though a move might replace it.
            const DWORD dwAttributes = ::GetFileAttributesA(strTarget);
            if ((dwAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0 || !IsFree(strTarget))
                ThrowUpdateFailure(IDS_FAIL_REPLACE, strTarget);
            // A copy, not a move: the installed file stays whole in its place until the new one replaces it.
            if (!CopyWholeFile(strTarget, BackupName(i)))
                ThrowUpdateFailure(IDS_FAIL_DISK, BackupName(i));
            steps.Done();
        }
        if (!MoveWholeFile(StagedName(i), strTarget))
            ThrowUpdateFailure(IDS_FAIL_REPLACE, strTarget);
        steps.Done();
    }
    stop.ThrowIfCancelled();
    if (!config::WriteInstalledVersion(product::kIniFile, journal.nVersion))
        ThrowUpdateFailure(IDS_FAIL_DISK, product::kIniFile);
    steps.Done();
}

}  // namespace

CStagingFolder::CStagingFolder()
{
    RemoveStagingFolder();  // left by a download that was cut off
    if (!::CreateDirectoryA(product::kStagingFolder, nullptr))
        ThrowUpdateFailure(IDS_FAIL_DISK, product::kStagingFolder);
}

CStagingFolder::~CStagingFolder()
{
    if (!Exists(product::kJournalFile))
        RemoveStagingFolder();
}

CString CStagingFolder::Path(const CString& strName) const
{
    return CString(product::kStagingFolder) + "\\" + strName;
}

void Install(const CVersionFile& list, IStepProgress& progress, const CUpdateStop& stop)
{
    const CJournal journal = Plan(list);
    const auto nBackups = std::count_if(journal.files.begin(), journal.files.end(),
                                        [](const CJournal::CFile& file) { return file.bInstalled; });
    // The journal, the folders, the backups and the files, the version, and what Finish() does.
    CSteps steps(progress, 1 + journal.folders.size() + static_cast<size_t>(nBackups) + journal.files.size() + 1 +
                               kFinishSteps);
    WriteJournal(journal);
    steps.Done();
    try {
        Replace(journal, steps, stop);
    } catch (...) {
        RollBack(journal, progress);  // when it cannot, its own failure goes on instead
        throw;
    }
    Finish(steps);
}
