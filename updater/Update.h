// ZeziroD2U.exe, the updater. The client starts it, with no arguments and the installation folder as
// the current directory, when the version file at its "APPURL" address names a higher version than
// ".\ini\Tavro.ini" does. An update, in order:
//
//  1. Waits for the client to exit, that is for its single-instance mutex to go: at most 30 s. Then
//     it holds that mutex itself until the update has ended, so that a client started meanwhile is
//     refused as a second copy.
//  2. Finishes or undoes an update that was cut off before (Journal.h); one that was finished ends
//     the run as if it had been this one.
//  3. Downloads the version file (VersionFile.h) into the staging folder ".\update.staging" and reads
//     its list of files; refuses a list that is malformed, names a path outside the installation,
//     is not for a higher version, or whose signature the public key ".\ini\update.pub" (PEM) does
//     not verify.
//  4. Downloads every listed file into the staging folder, from the version file's folder + "files/"
//     + its path with '/', checks each one's size and SHA-256 against the list, and has it reach the
//     disk. The whole download has a deadline (CDownloadBudget).
//  5. Installs the files (Installation.h): writes the journal, puts each in place keeping the
//     installed one as a backup, writes the new "Version" into ".\ini\Tavro.ini" last, then removes
//     the backups and the journal.
//
// A failure, or the Cancel button, before the new "Version" is written puts every backup back and
// removes what the update added and the staging folder: the installation is byte for byte as it was.
// A kill or a power cut at any moment leaves the journal, from which the next start of the client or
// the updater does the same or finishes the update.
#pragma once

#include "Journal.h"
#include "UpdateStop.h"

constexpr DWORD kClientExitTimeoutMs = 30000;

// The time the whole download of an update has, the version file and the listed files together: a
// base for connecting and the server's first answers, plus one second for every floor's worth of
// bytes the list declares. The network timeout alone never ends a server that trickles a byte now
// and then, and a connection slower than the floor delivers no update in a time anyone waits for.
// The version file, whose size nothing declares, has the base alone.
struct CDownloadBudget {
    ULONGLONG nBaseMs;
    ULONGLONG nFloorBytesPerSecond;
};

// 4 KiB/s is 32 kbit/s, below any working modem line: an update of 5 MB has 21 minutes.
constexpr CDownloadBudget kDownloadBudget{60000, 4096};

ULONGLONG DownloadTimeLimitMs(const CDownloadBudget& budget, ULONGLONG nDeclaredBytes);

// The progress window as the update tells it how far it is, from the thread that runs the update.
class IUpdateProgress : public IStepProgress {
public:
    // lpszDetail fills the step's "%s".
    virtual void ShowStep(UINT nIDStep, LPCSTR lpszDetail) = 0;
    virtual void ShowBytes(ULONGLONG nDone, ULONGLONG nTotal) = 0;

protected:
    ~IUpdateProgress() = default;
};

// Runs the update; throws CUpdateFailure when it stops, CUpdateCancelled when the stop is cancelled.
void RunUpdate(IUpdateProgress& progress, CUpdateStop& stop, const CDownloadBudget& budget = kDownloadBudget);
