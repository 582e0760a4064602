#include "channels/ChannelTable.h"

#include "AfxFile.h"
#include "channels/Tokenizer.h"
#include "config/Configuration.h"

namespace channels {

void ReadPlayUrls(LPCSTR channelFile, CStringArray& playUrls)
{
    CStdioFile file(channelFile);
    CString text;
    CString line;
    while (file.ReadString(line))
        text += line;
    file.Close();

    CTokenizer tokenizer;
    tokenizer.SetDelimiter(";");
    tokenizer.SetSource(text);
    tokenizer.Split(playUrls);
}

void SplitChannelNumbers(LPCSTR value, CStringArray& channelNumbers)
{
    CTokenizer tokenizer;
    tokenizer.SetDelimiter("|");
    tokenizer.SetSource(value);
    tokenizer.Split(channelNumbers);
}

void ReadChannelNumbers(LPCSTR iniFile, CStringArray& channelNumbers)
{
    char value[config::kValueBufferSize];
    config::ReadString(config::kChannelNumbers, iniFile, value);
    SplitChannelNumbers(value, channelNumbers);
}

}  // namespace channels
