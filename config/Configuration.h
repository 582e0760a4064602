// The client's configuration files (their names are the product's, in product/ProductFacts.h).
#pragma once

#include <windows.h>

#include <string>

#include "product/ProductFacts.h"

namespace config {

// Every string value is read into a buffer of this size: longer values are cut to 99 bytes.
constexpr int kValueBufferSize = 100;

// A string value; it sits in the section of the same name as its key.
struct StringKey {
    LPCSTR name;
    LPCSTR defaultValue;
};

constexpr StringKey kAppUrl{"APPURL", ""};
constexpr StringKey kListUrl{"LISTURL", ""};
constexpr StringKey kHelpUrl{"HELPURL", ""};
constexpr StringKey kMiddleUrl{"MIDDLEURL", ""};
constexpr StringKey kRightUrl{"RIGHTURL", ""};
constexpr StringKey kXmlUrl{"XML", "http://127.0.0.1:8088/SimpleRootBin/Xml/ListSimpleByChannel.xml"};
// Channel numbers separated by '|'.
constexpr StringKey kChannelNumbers{"CHANNELNUM", ""};

// The value cut to whole characters of at most kValueBufferSize - 1 bytes; the rest of the buffer is
// zeros, so nothing of what it held before remains.
void ReadString(const StringKey& key, LPCSTR file, char (&buffer)[kValueBufferSize]);

// A profile value whole, however long: the platform's own cut of a value longer than the buffer
// leaves a byte of the buffer's old contents where a double-byte character did not fit.
std::string ReadProfileString(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPCSTR file);

// The longest start of the text, in the ANSI code page, that has at most nMaxBytes bytes and ends
// at a character boundary.
std::string CutToCharacters(const std::string& text, size_t nMaxBytes);

// Section and key of the version number, in the main configuration file and the version file alike.
constexpr char kVersionKey[] = "Version";

// "Version" of the main configuration file; 1 when missing, 0 when not a number.
int ReadInstalledVersion(LPCSTR iniFile);
// Only the updater writes it, keeping every other byte of the file: a new file replaces the old one in
// one step, so that a write cut off leaves the old one. False when it cannot, the file as it was.
bool WriteInstalledVersion(LPCSTR iniFile, int nVersion);
// "Version" of the downloaded version file; 2 when missing, 0 when not a number.
int ReadRemoteVersion(LPCSTR versionFile);

// Removes product::kTempIniFile; nothing happens when it is not there.
void DeleteTempConfig();

}  // namespace config
