// The journal an update keeps in the installation while it changes installed files, and the recovery
// that the next start of the client or the updater makes from it when the update was cut off (a
// kill, a power cut). Only the holder of the client's single-instance mutex changes the installation:
// the client while it runs, the updater from the moment the client has gone until its update has
// ended. A client started during an update is refused as a second copy, so it never takes for cut
// off an update that is still running.
#pragma once

#include <vector>

#include "AfxString.h"
#include "product/ProductFacts.h"

// Told how far an installation or a recovery is, after each step that has reached the disk.
class IStepProgress {
public:
    virtual void ShowDurableStep(size_t nDone, size_t nSteps) = 0;

protected:
    ~IStepProgress() = default;
};

// Counts the steps of one installation or recovery for its progress.
class CSteps {
public:
    CSteps(IStepProgress& progress, size_t nSteps) : m_progress(progress), m_nSteps(nSteps) {}
    // After a step has reached the disk.
    void Done() { m_progress.ShowDurableStep(++m_nDone, m_nSteps); }

private:
    IStepProgress& m_progress;
    size_t m_nSteps;
    size_t m_nDone = 0;
};

// What an update changes, in the order it changes it.
struct CJournal {
    struct CFile {
        CString strPath;  // in the installation
        bool bInstalled;  // a file was there before: BackupName() keeps it once the update has begun on it
    };
    // Once ini\Tavro.ini has this "Version", the update is complete: it is the update's last change.
    int nVersion;
    std::vector<CString> folders;  // those the update makes, each after the one that holds it
    std::vector<CFile> files;      // file i comes from StagedName(i)
};

// In the staging folder: listed file i as downloaded, and the installed file it replaces.
CString StagedName(size_t i);
CString BackupName(size_t i);

void RemoveStagingFolder();

// Throws CUpdateFailure when it cannot be written whole.
void WriteJournal(const CJournal& journal);
// Throws CUpdateFailure when there is none, or not one this program wrote.
CJournal ReadJournal();

// Puts back every backup and removes what the update added, then the journal and the staging folder.
// When a file cannot be put back, every other one is, and it throws CUpdateFailure, the journal and
// the backups kept for the next start to try again.
void RollBack(const CJournal& journal, IStepProgress& progress);

// The steps of Finish().
constexpr size_t kFinishSteps = 2;
// Removes the journal, then the staging folder with the backups: the update is complete.
void Finish(CSteps& steps);

// Finishes or undoes an update that was cut off, and removes what a download that was cut off left;
// true when it finished one. Throws CUpdateFailure when the update cannot be undone now.
bool RecoverCutOffUpdate(IStepProgress& progress);

// The client's first step once it holds its mutex, before anything reads the installation. Without a
// staging folder it costs that one look. False when an update cannot be undone now: the updater,
// started instead, says why and tries again once the client has gone.
bool RecoverAtClientStart();
