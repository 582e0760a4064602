#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "AfxException.h"
#include "channels/ChannelTable.h"

namespace {

// A file of the given bytes in the current directory, removed again at the end of the test.
// The name starts with ".\" so that the profile functions look in the current directory.
class TempFile {
public:
    explicit TempFile(const std::string& bytes)
    {
        static int counter = 0;
        m_name = ".\\channel_test_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter) + ".txt";
        std::ofstream(m_name, std::ios::binary) << bytes;
    }
    ~TempFile() { DeleteFileA(m_name.c_str()); }
    const char* Name() const { return m_name.c_str(); }

private:
    std::string m_name;
};

using Entries = std::vector<std::string>;

Entries ToEntries(const CStringArray& arr)
{
    Entries entries;
    for (INT_PTR i = 0; i < arr.GetSize(); ++i)
        entries.emplace_back(arr[i], arr[i].GetLength());
    return entries;
}

Entries ReadPlayUrls(const std::string& fileBytes)
{
    TempFile file(fileBytes);
    CStringArray playUrls;
    channels::ReadPlayUrls(file.Name(), playUrls);
    return ToEntries(playUrls);
}

}  // namespace

TEST(ChannelTableTest, JoinsLinesAndSplitsAtSemicolons)
{
    struct Case {
        const char* name;
        std::string bytes;
        Entries playUrls;
    } cases[] = {
        {"entry per line", "a;\r\nb", {"a", "b"}},
        {"entry across lines", "a\r\nb;", {"ab"}},
        {"LF line ends", "a;\nb;\n", {"a", "b"}},
        {"several per line", "mms://h/1;mms://h/2;\r\nmms://h/3;", {"mms://h/1", "mms://h/2", "mms://h/3"}},
        {"only the whole text is trimmed", " \t a ; b \r\n c ;\r\n  ", {"a ", " b  c "}},
        {"white space at line ends joins", "a \r\n\tb;", {"a \tb"}},
        {"byte-order mark starts the first entry", "\xef\xbb\xbfrtsp://x/1;rtsp://x/2;", {"\xef\xbb\xbfrtsp://x/1", "rtsp://x/2"}},
        {"GBK text", "频道一;脇|乗\\;", {"频道一", "脇|乗\\"}},
        {"empty file", "", {}},
        {"blank lines only", "\r\n\n  \r\n\t\n", {}},
        {"delimiters only", " ;\r\n;;\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.playUrls, ReadPlayUrls(c.bytes));
    }
}

TEST(ChannelTableTest, ReadingAppends)
{
    TempFile file("x;y");
    CStringArray playUrls;
    playUrls.Add("before");
    channels::ReadPlayUrls(file.Name(), playUrls);
    EXPECT_EQ((Entries{"before", "x", "y"}), ToEntries(playUrls));
}

TEST(ChannelTableTest, MissingFileThrows)
{
    CStringArray playUrls;
    playUrls.Add("kept");
    bool thrown = false;
    try {
        channels::ReadPlayUrls(".\\channel_test_missing.txt", playUrls);
    } catch (const CFileException& e) {
        thrown = true;
        EXPECT_EQ(CFileException::fileNotFound, e.m_cause);
        EXPECT_EQ(e.m_strFileName, ".\\channel_test_missing.txt");
    }
    EXPECT_TRUE(thrown);
    EXPECT_EQ((Entries{"kept"}), ToEntries(playUrls));
}

TEST(ChannelTableTest, ReadsMegabytesOfLongLines)
{
    // About 6 MB of entries in three lines of 2 MB, broken in the middle of entries.
    std::string text;
    int count = 0;
    while (text.size() < 6 * 1024 * 1024)
        text += "rtsp://10.1.1.1:554/live/" + std::to_string(count++) + ";";
    const size_t third = text.size() / 3;
    std::string bytes = text.substr(0, third) + "\r\n" + text.substr(third, third) + "\n" + text.substr(2 * third) + "\r\n";
    Entries playUrls = ReadPlayUrls(bytes);
    ASSERT_EQ(static_cast<size_t>(count), playUrls.size());
    for (int i : {0, 1, count / 3, count / 3 + 1, 2 * count / 3, count - 1}) {
        SCOPED_TRACE(i);
        EXPECT_EQ("rtsp://10.1.1.1:554/live/" + std::to_string(i), playUrls[static_cast<size_t>(i)]);
    }
}

TEST(ChannelTableTest, SplitsChannelNumbers)
{
    struct Case {
        const char* value;
        Entries numbers;
    } cases[] = {
        {"1|2||3|", {"1", "2", "3"}},
        {"", {}},
        {"|", {}},
        {" 5 | 6 ", {"5 ", " 6"}},
        {"12;13", {"12;13"}},
        {"7|脇|8", {"7", "脇", "8"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        CStringArray numbers;
        channels::SplitChannelNumbers(c.value, numbers);
        EXPECT_EQ(c.numbers, ToEntries(numbers));
    }
}

TEST(ChannelTableTest, ChannelNumbersAreCutTo99Bytes)
{
    // 20 numbers of five digits: 120 bytes, of which 99 are read, ending in the middle of 10017.
    std::string value;
    for (int number = 10001; number <= 10020; ++number)
        value += std::to_string(number) + "|";
    ASSERT_EQ(120u, value.size());
    TempFile ini("[CHANNELNUM]\r\nCHANNELNUM=" + value + "\r\n");
    CStringArray numbers;
    channels::ReadChannelNumbers(ini.Name(), numbers);
    ASSERT_EQ(17, numbers.GetSize());
    EXPECT_EQ(numbers[0], "10001");
    EXPECT_EQ(numbers[15], "10016");
    EXPECT_EQ(numbers[16], "100");

    TempFile other("[CHANNELNUM]\r\nCHANNELNUM= 3|脇|4 \r\n[XML]\r\nCHANNELNUM=9\r\n");
    numbers.RemoveAll();
    channels::ReadChannelNumbers(other.Name(), numbers);
    EXPECT_EQ((Entries{"3", "脇", "4"}), ToEntries(numbers));

    numbers.RemoveAll();
    channels::ReadChannelNumbers(".\\channel_test_missing.ini", numbers);
    EXPECT_TRUE(numbers.IsEmpty());
}
