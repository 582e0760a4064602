// The installation folder as the updater changes it: a staging folder for what it fetches, and the
// installation of the fetched files, which the journal records before the first installed file is
// touched (Journal.h).
#pragma once

#include "AfxString.h"
#include "Journal.h"
#include "UpdateStop.h"
#include "VersionFile.h"

// The staging folder, emptied when made. Destroyed, it goes with everything in it, unless a journal
// still needs the backups in it.
class CStagingFolder {
public:
    // Throws CUpdateFailure when the folder cannot be made.
    CStagingFolder();
    ~CStagingFolder();
    CStagingFolder(const CStagingFolder&) = delete;
    CStagingFolder& operator=(const CStagingFolder&) = delete;

    CString Path(const CString& strName) const;
};

// Puts each listed file, downloaded as StagedName(i), in place of the installed one, then writes the
// list's "Version" into ini\Tavro.ini, and at last removes the backups. Every step reaches the disk
// before the next begins, and an installed file is always whole: its old bytes or its new ones.
// Until the version is written, a cancelled stop or a failure undoes it all (RollBack()) and the
// failure goes on to the caller: CUpdateFailure when an installed file is read-only, in use or cannot
// be replaced, or when the rollback itself cannot put a file back.
void Install(const CVersionFile& list, IStepProgress& progress, const CUpdateStop& stop);
