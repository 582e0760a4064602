// ZeziroD2U.exe, the updater. The client starts it, with no arguments and the installation folder as
// the current directory, when the version file at its "APPURL" address names a higher version than
// ".\ini\Tavro.ini" does. An update, in order:
//
//  1. Waits for the client to exit, that is for its single-instance mutex to go: at most 30 s.
//  2. Downloads the version file (VersionFile.h) into the staging folder ".\update.staging" and reads
//     its list of files; refuses a list that is malformed, names a path outside the installation,
//     is not for a higher version, or whose signature the public key ".\ini\update.pub" (PEM) does
//     not verify.
//  3. Downloads every listed file into the staging folder, from the version file's folder + "files/"
//     + its path with '/', and checks each one's size and SHA-256 against the list.
//  4. Moves each file in place, keeping the installed one in the staging folder as a backup, and
//     writes the new "Version" into ".\ini\Tavro.ini" last.
//
// Any failure puts every backup back, removes what the update added and the staging folder, and
// stops: the installation is byte for byte as it was. Every network wait is bounded (Download.h).
#pragma once

#include "Afx.h"

constexpr DWORD kClientExitTimeoutMs = 30000;
constexpr char kPublicKeyFile[] = ".\\ini\\update.pub";

// The progress window as the update tells it how far it is, from the thread that runs the update.
class IUpdateProgress {
public:
    // lpszDetail fills the step's "%s".
    virtual void ShowStep(UINT nIDStep, LPCSTR lpszDetail) = 0;
    virtual void ShowBytes(ULONGLONG nDone, ULONGLONG nTotal) = 0;

protected:
    ~IUpdateProgress() = default;
};

// Runs the update; throws CUpdateFailure when it stops.
void RunUpdate(IUpdateProgress& progress);
