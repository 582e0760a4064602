#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AfxException.h"
#include "TestHelpers.h"
#include "channels/ChannelTable.h"

namespace {

class ChannelTableTest : public ::testing::Test {
protected:
    // The play addresses read from a channel file of these bytes into a table that has an entry already.
    Entries ReadPlayUrls(const std::string& bytes)
    {
        CStringArray playUrls;
        playUrls.Add("earlier");
        channels::ReadPlayUrls(m_files.Write(bytes).c_str(), playUrls);
        Entries entries = ToEntries(playUrls);
        EXPECT_EQ("earlier", entries.empty() ? "" : entries[0]) << "reading must append";
        return entries.empty() ? entries : Entries(entries.begin() + 1, entries.end());
    }

    CScratchFiles m_files;
};

}  // namespace

TEST_F(ChannelTableTest, JoinsLinesAndSplitsAtSemicolons)
{
    struct Case { const char* name; std::string bytes; Entries playUrls; } cases[] = {
        {"entry per line", "a;\r\nb", {"a", "b"}},
        {"entry across lines", "a\r\nb;", {"ab"}},
        {"LF line ends", "a;\nb;\n", {"a", "b"}},
        {"only the whole text is trimmed", " \t a ; b \r\n c ;\r\n  ", {"a ", " b  c "}},
        {"byte-order mark starts the first entry", "\xef\xbb\xbfrtsp://x/1;x", {"\xef\xbb\xbfrtsp://x/1", "x"}},
        {"GBK text", "频道一;脇|乗\\;", {"频道一", "脇|乗\\"}},
        {"empty file", "", {}},
        {"blank lines only", "\r\n\n  \r\n\t\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.playUrls, ReadPlayUrls(c.bytes));
    }
}

TEST_F(ChannelTableTest, MissingFileThrows)
{
    CStringArray playUrls;
    EXPECT_THROW(channels::ReadPlayUrls(".\\channel_test_missing.txt", playUrls), CFileException);
}

TEST_F(ChannelTableTest, ReadsMegabytesOfLongLines)
{
    // About 6 MB of entries in three lines of 2 MB, broken in the middle of entries.
    std::string text;
    int count = 0;
    while (text.size() < 6 * 1024 * 1024)
        text += "rtsp://10.1.1.1:554/live/" + std::to_string(count++) + ";";
    const size_t third = text.size() / 3;
    Entries playUrls = ReadPlayUrls(text.insert(2 * third, "\n").insert(third, "\r\n"));
    ASSERT_EQ(static_cast<size_t>(count), playUrls.size());
    for (int i : {0, 1, count / 3, count / 3 + 1, 2 * count / 3, count - 1}) {
        SCOPED_TRACE(i);
        EXPECT_EQ("rtsp://10.1.1.1:554/live/" + std::to_string(i), playUrls[static_cast<size_t>(i)]);
    }
}

TEST_F(ChannelTableTest, ReadsChannelNumbersCutTo99Bytes)
{
    // 120 bytes, of which 99 are read: the 17th entry keeps its first three digits.
    std::string value;
    for (int i = 0; i < 20; ++i)
        value += "12345|";
    Entries cut(16, "12345");
    cut.push_back("123");
    struct Case { std::string file; Entries numbers; } cases[] = {
        {m_files.Write("[CHANNELNUM]\r\nCHANNELNUM=" + value + "\r\n"), cut},
        {m_files.Write("[CHANNELNUM]\r\nCHANNELNUM= 3|脇|4;5 \r\n[XML]\r\nCHANNELNUM=9\r\n"), {"3", "脇", "4;5"}},
        {".\\channel_test_missing.ini", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        CStringArray numbers;
        channels::ReadChannelNumbers(c.file.c_str(), numbers);
        EXPECT_EQ(c.numbers, ToEntries(numbers));
    }
}
