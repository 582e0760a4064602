#include "Journal.h"

#include <optional>
#include <string>

#include "UpdateText.h"
#include "UpdaterResource.h"
#include "config/Configuration.h"
#include "config/WholeFile.h"

namespace {

// The journal's lines, each ended by "\r\n": the version first, "End" last, so that a journal that
// is not whole is known as such.
const char kVersionLine[] = "Version";
const char kFolderLine[] = "Folder";
const char kInstalledLine[] = "Installed";  // a file the update replaces
const char kAddedLine[] = "Added";          // a file the update adds
const char kEndLine[] = "End";

// The update is over: the journal goes first, so that a cut-off here leaves only a staging folder,
// which the next start removes. False when the journal stays.
bool Tidy(CSteps& steps)
{
    if (!::DeleteFileA(product::kJournalFile) && Exists(product::kJournalFile))
        return false;
    steps.Done();
    RemoveStagingFolder();
    steps.Done();
    return true;
}

// The client has no window to show how far it is.
class CNoProgress : public IStepProgress {
public:
    void ShowDurableStep(size_t, size_t) override {}
};

}  // namespace

CString StagedName(size_t i)
{
    return (std::string(product::kStagingFolder) + "\\" + std::to_string(i) + ".new").c_str();
}

CString BackupName(size_t i)
{
    return (std::string(product::kStagingFolder) + "\\" + std::to_string(i) + ".old").c_str();
}

void RemoveStagingFolder()
{
    const CString strFolder(product::kStagingFolder);
    WIN32_FIND_DATAA found;
    HANDLE hFind = ::FindFirstFileA(strFolder + "\\*", &found);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                ::DeleteFileA(strFolder + "\\" + found.cFileName);
        } while (::FindNextFileA(hFind, &found));
        ::FindClose(hFind);
    }
    ::RemoveDirectoryA(strFolder);
}

void WriteJournal(const CJournal& journal)
{
    std::string text = std::string(kVersionLine) + "=" + std::to_string(journal.nVersion) + "\r\n";
    for (const CString& strFolder : journal.folders)
        text += std::string(kFolderLine) + "=" + std::string(strFolder) + "\r\n";
    for (const CJournal::CFile& file : journal.files)
        text += std::string(file.bInstalled ? kInstalledLine : kAddedLine) + "=" + std::string(file.strPath) + "\r\n";
    if (!ReplaceWholeFile(product::kJournalFile, text + kEndLine + "\r\n"))
        ThrowUpdateFailure(IDS_FAIL_DISK, product::kJournalFile);
}

CJournal ReadJournal()
{
    const CUpdateFailure damaged{IDS_FAIL_JOURNAL, product::kJournalFile};
    std::string text;
    if (!ReadWholeFile(product::kJournalFile, text))
        throw damaged;
    CJournal journal{-1, {}, {}};
    bool bEnded = false;
    for (size_t nStart = 0; nStart < text.size();) {
        const size_t nEnd = text.find("\r\n", nStart);
        if (nEnd == std::string::npos || bEnded)
            throw damaged;
        const std::string line = text.substr(nStart, nEnd - nStart);
        nStart = nEnd + 2;
        const size_t nEquals = line.find('=');
        const std::string name = line.substr(0, nEquals);
        const CString strValue = nEquals == std::string::npos ? "" : line.substr(nEquals + 1).c_str();
        ULONGLONG nVersion = 0;
        if (journal.nVersion < 0) {
            if (name != kVersionLine || !ParseNumber(strValue, kMaxVersionDigits, nVersion))
                throw damaged;
            journal.nVersion = static_cast<int>(nVersion);
        } else if (line == kEndLine) {
            bEnded = true;
        } else if (strValue.IsEmpty()) {
            throw damaged;
        } else if (name == kFolderLine) {
            journal.folders.push_back(strValue);
        } else if (name == kInstalledLine || name == kAddedLine) {
            journal.files.push_back({strValue, name == kInstalledLine});
        } else {
            throw damaged;
        }
    }
    if (!bEnded)
        throw damaged;
    return journal;
}

void RollBack(const CJournal& journal, IStepProgress& progress)
{
    CSteps steps(progress, journal.files.size() + journal.folders.size() + kFinishSteps);
    std::optional<CUpdateFailure> failure;  // the first file that could not be put back
    for (size_t i = journal.files.size(); i-- > 0;) {
        const CJournal::CFile& file = journal.files[i];
        // Without a backup, an installed file was not begun on or is back already.
        const bool bAsItWas = file.bInstalled ? !Exists(BackupName(i)) || MoveWholeFile(BackupName(i), file.strPath)
                                              : !Exists(file.strPath) || ::DeleteFileA(file.strPath);
        if (!bAsItWas && !failure)
            failure = CUpdateFailure{IDS_FAIL_ROLLBACK, file.strPath};
        steps.Done();
    }
    // A folder that holds something of someone else's stays.
    for (auto it = journal.folders.rbegin(); it != journal.folders.rend(); ++it) {
        ::RemoveDirectoryA(*it);
        steps.Done();
    }
    if (failure)
        throw *failure;
    if (!Tidy(steps))
        ThrowUpdateFailure(IDS_FAIL_ROLLBACK, product::kJournalFile);
}

void Finish(CSteps& steps)
{
    // A journal that stays is finished again at the next start.
    Tidy(steps);
}

bool RecoverCutOffUpdate(IStepProgress& progress)
{
    if (!Exists(product::kJournalFile)) {
        RemoveStagingFolder();
        return false;
    }
    const CJournal journal = ReadJournal();
    if (config::ReadInstalledVersion(product::kIniFile) != journal.nVersion) {
        RollBack(journal, progress);
        return false;
    }
    CSteps steps(progress, kFinishSteps);
    Finish(steps);
    return true;
}

bool RecoverAtClientStart()
{
    if (!Exists(product::kStagingFolder))
        return true;
    try {
        CNoProgress noProgress;
        RecoverCutOffUpdate(noProgress);
        return true;
    } catch (const CUpdateFailure&) {
        ::WinExec(product::kUpdater, SW_SHOWNORMAL);
        return false;
    }
}
