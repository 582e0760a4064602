// Files that a kill or a power cut leaves whole: new bytes go to a file of their own beside the old
// one, reach the disk, and then take the old one's place in one step that has reached the disk too.
// The client's configuration and the updater's journal are written so.
#pragma once

#include <windows.h>

#include <string>

// Whether a file or a folder of that name is there.
bool Exists(LPCSTR lpszPath);

// The file's bytes; false when it cannot be read. A file that is not there reads as empty.
bool ReadWholeFile(LPCSTR lpszFile, std::string& bytes);

// Replaces the file with one of the bytes, or makes it; false when it cannot, the file as it was.
bool ReplaceWholeFile(LPCSTR lpszFile, const std::string& bytes);

// Copies the file; under its name the copy is whole or not there. False when it cannot.
bool CopyWholeFile(LPCSTR lpszFrom, LPCSTR lpszTo);

// Moves the file in place of the target, which may be there or not; false when it cannot.
bool MoveWholeFile(LPCSTR lpszFrom, LPCSTR lpszTo);

// Has what was written to the file reach the disk; false when it cannot.
bool FlushFile(HANDLE hFile);

// The profile text with the key of the section set to the value and every other byte as it was:
// the value of the key's first line in the section's first occurrence changes, a missing key goes
// right after the section's line, a missing section at the end. Names compare as the profile
// functions compare them, ignoring case and the spaces around them.
std::string WithProfileValue(const std::string& text, const std::string& section, const std::string& key,
                             const std::string& value);
