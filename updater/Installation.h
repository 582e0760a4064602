// The installation folder as the updater changes it: a staging folder for what it fetches, and the
// replacement of installed files that is undone unless every step of the update succeeds.
#pragma once

#include <vector>

#include "Afx.h"

// Inside the installation, so that moving a file in or out of it is a rename on the same volume.
constexpr char kStagingFolder[] = ".\\update.staging";

// The staging folder, emptied when made and removed with everything in it when destroyed. It holds
// no folders: the version file, the downloads and the backups lie in it side by side.
class CStagingFolder {
public:
    // Throws CUpdateFailure when the folder cannot be made.
    CStagingFolder();
    ~CStagingFolder();
    CStagingFolder(const CStagingFolder&) = delete;
    CStagingFolder& operator=(const CStagingFolder&) = delete;

    CString Path(const CString& strName) const;
};

// Moves downloaded files in place of installed ones, keeping each installed file as a backup. Until
// Commit() is called, destroying it deletes what it moved in, puts every backup back and removes the
// folders it made: the installation is as it was.
class CReplacement {
public:
    CReplacement() = default;
    ~CReplacement();
    CReplacement(const CReplacement&) = delete;
    CReplacement& operator=(const CReplacement&) = delete;

    // Throws CUpdateFailure when the installed file is read-only, in use or cannot be moved aside, or
    // the new one cannot be moved in.
    void Replace(const CString& strTarget, const CString& strDownloaded, const CString& strBackup);
    void Commit() { m_bCommitted = true; }

private:
    void MakeFoldersFor(const CString& strTarget);

    struct CReplaced {
        CString strTarget;
        CString strBackup;  // empty when nothing was installed there
    };
    std::vector<CReplaced> m_replaced;
    std::vector<CString> m_madeFolders;
    bool m_bCommitted = false;
};
