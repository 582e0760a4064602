// The channel table: the play addresses of Channel.txt and the channel numbers of the configuration.
#pragma once

#include <windows.h>

#include "AfxString.h"

namespace channels {

// Appends the play addresses of the channel file to playUrls. The file's lines are joined
// with nothing between them and the result is split at ';', so an entry may run across lines.
// Throws CFileException when the file cannot be opened or read.
void ReadPlayUrls(LPCSTR channelFile, CStringArray& playUrls);

// Appends the channel numbers of a "CHANNELNUM" value, separated by '|', to channelNumbers.
void SplitChannelNumbers(LPCSTR value, CStringArray& channelNumbers);

// Reads "CHANNELNUM" from the configuration file, cut to 99 bytes like every value, and splits it.
void ReadChannelNumbers(LPCSTR iniFile, CStringArray& channelNumbers);

}  // namespace channels
