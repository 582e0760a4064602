// Hostile files and documents, as installers, users and servers may hand them to the client: one table
// per kind of input, each case with the outcome the client must give. Large inputs are built at run time.
#include <gtest/gtest.h>

#include <chrono>

#include "AfxException.h"
#include "CountsDocument.h"
#include "LocalHttpServer.h"
#include "TestHelpers.h"
#include "channels/ChannelTable.h"
#include "channels/OnlineCounts.h"
#include "config/UpdateCheck.h"

namespace {

// Whatever an input holds, reading it must end within this time.
constexpr auto kReadLimit = std::chrono::seconds(10);

std::string Repeat(const std::string& unit, size_t nTimes)
{
    std::string text;
    text.reserve(unit.size() * nTimes);
    while (nTimes-- > 0)
        text += unit;
    return text;
}

// The same bytes in every run, every byte value among them.
std::string Noise(size_t nBytes)
{
    std::string bytes(nBytes, '\0');
    unsigned state = 12345;
    for (char& byte : bytes)
        byte = static_cast<char>((state = state * 1103515245u + 12345u) >> 16);
    return bytes;
}

// Text of the ASCII range as UTF-16, with or without its byte-order mark.
std::string Utf16(const std::string& ascii, bool bBigEndian)
{
    std::string bytes = bBigEndian ? "\xfe\xff" : "\xff\xfe";
    for (char c : ascii)
        bytes += bBigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    return bytes;
}

std::string Section(const std::string& key, const std::string& value)
{
    return "[" + key + "]\r\n" + key + "=" + value + "\r\n";
}

template <class Read>
auto Timed(Read read)
{
    const auto start = std::chrono::steady_clock::now();
    auto result = read();
    EXPECT_LT(std::chrono::steady_clock::now() - start, kReadLimit);
    return result;
}

const std::string kMissing = "\x01missing";  // stands for a file that is not there
const std::string kXmlDefault = config::kXmlUrl.defaultValue;

class CorpusTest : public ::testing::Test {
protected:
    std::string File(const std::string& bytes) { return bytes == kMissing ? ".\\corpus_missing" : m_files.Write(bytes); }

    CScratchFiles m_files;
};

}  // namespace

TEST_F(CorpusTest, ConfigurationFileGivesDefaultsAndCutValues)
{
    const std::string v5 = Section("Version", "5"), list = Section("LISTURL", "http://l/"), a99(99, 'a');
    struct Case { const char* name; std::string bytes; int nVersion; std::string listUrl, xmlUrl; } cases[] = {
        {"missing", kMissing, 1, "", kXmlDefault},
        {"empty", "", 1, "", kXmlDefault},
        {"blank lines", "\r\n\r\n  \t\r\n", 1, "", kXmlDefault},
        {"binary", Noise(4096), 1, "", kXmlDefault},
        {"binary, then sections", Noise(4096) + "\r\n" + v5 + list, 5, "http://l/", kXmlDefault},
        {"NUL bytes before sections", std::string(64, '\0') + "\r\n" + v5 + list, 5, "http://l/", kXmlDefault},
        {"NUL byte inside a value", "[LISTURL]\r\nLISTURL=ab" + std::string(1, '\0') + "cd\r\n", 1, "ab", kXmlDefault},
        {"value of 99 bytes", Section("LISTURL", a99), 1, a99, kXmlDefault},
        {"value of 100 bytes", Section("LISTURL", a99 + "b"), 1, a99, kXmlDefault},
        {"value of 1000 bytes", Section("LISTURL", a99 + std::string(901, 'b')), 1, a99, kXmlDefault},
        {"value of 1 MB", Section("XML", a99 + std::string(1 << 20, 'b')), 1, "", a99},
        {"GBK value cut after 99 bytes", Section("LISTURL", std::string(98, 'a') + "频道"), 1, std::string(98, 'a'), kXmlDefault},
        {"keys without sections", "Version=5\r\nLISTURL=x\r\nXML=y\r\n", 1, "", kXmlDefault},
        {"keys in another section", "[General]\r\nVersion=5\r\nLISTURL=x\r\nXML=y\r\n", 1, "", kXmlDefault},
        {"sections without keys", "[Version]\r\n[LISTURL]\r\n[XML]\r\n", 1, "", kXmlDefault},
        {"unclosed section name", "[Version\r\nVersion=5\r\n[LISTURL\r\nLISTURL=x\r\n", 1, "", kXmlDefault},
        {"empty section name", "[]\r\nVersion=5\r\n=x\r\n", 1, "", kXmlDefault},
        {"lines without '='", "[Version]\r\nVersion\r\n[LISTURL]\r\nLISTURL\r\n", 1, "", kXmlDefault},
        {"empty values", "[Version]\r\nVersion=\r\n[XML]\r\nXML=\r\n", 1, "", ""},
        {"names in other case", "[version]\r\nVERSION=5\r\n[listurl]\r\nListUrl=x\r\n", 5, "x", kXmlDefault},
        {"spaces around names and values", "[ Version ]\r\n Version = 5 \r\n[LISTURL]\r\nLISTURL = x \r\n", 5, "x", kXmlDefault},
        {"a section twice", v5 + Section("Version", "6") + list, 5, "http://l/", kXmlDefault},
        {"LF line ends", "[Version]\nVersion=5\n[LISTURL]\nLISTURL=x\n", 5, "x", kXmlDefault},
        {"no line end at the end", "[LISTURL]\r\nLISTURL=x", 1, "x", kXmlDefault},
        {"version of letters", Section("Version", "abc"), 0, "", kXmlDefault},
        {"version with a tail", Section("Version", "7beta"), 7, "", kXmlDefault},
        {"negative version", Section("Version", "-3"), -3, "", kXmlDefault},
        {"UTF-8 byte-order mark", "\xef\xbb\xbf" + v5 + list, 5, "http://l/", kXmlDefault},
        {"UTF-16 byte-order mark", Utf16(v5 + list, false), 5, "http://l/", kXmlDefault},
        {"UTF-16 big-endian byte-order mark", Utf16(v5 + list, true), 5, "http://l/", kXmlDefault},
        {"byte-order mark alone", "\xef\xbb\xbf", 1, "", kXmlDefault},
        {"huge: 4 MB of comments, then sections", Repeat(";" + std::string(78, 'c') + "\r\n", 50000) + v5 + list,
         5, "http://l/", kXmlDefault},
        {"huge: one 4 MB line", std::string(4 << 20, 'x') + "\r\n" + v5, 5, "", kXmlDefault},
        {"huge: 100 000 sections", Repeat(Section("Other", "x"), 100000) + v5, 5, "", kXmlDefault},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = File(c.bytes);
        char listUrl[config::kValueBufferSize] = "unread", xmlUrl[config::kValueBufferSize] = "unread";
        const int nVersion = Timed([&] { return config::ReadInstalledVersion(file.c_str()); });
        config::ReadString(config::kListUrl, file.c_str(), listUrl);
        config::ReadString(config::kXmlUrl, file.c_str(), xmlUrl);
        EXPECT_EQ(c.nVersion, nVersion);
        EXPECT_EQ(c.listUrl, listUrl);
        EXPECT_EQ(c.xmlUrl, xmlUrl);
    }
}

TEST_F(CorpusTest, ChannelFileGivesTheEntriesBetweenSeparators)
{
    std::string many, megaLine(1 << 20, 'u');
    Entries manyEntries;
    for (int i = 0; i < 5000; ++i)
        many += (manyEntries.emplace_back("rtsp://10.0.0.1/" + std::to_string(i))) + ";\r\n";
    struct Case { const char* name; std::string bytes; Entries playUrls; } cases[] = {
        {"control bytes", "\x01\x02\x7f;\x1a;b", {"\x01\x02\x7f", "\x1a", "b"}},
        {"bytes above 0x7f", "\xa1\xa1;\xfe\xfe;", {"\xa1\xa1", "\xfe\xfe"}},
        {"NUL bytes", "a" + std::string(1, '\0') + "b;c", {std::string("a\0b", 3), "c"}},
        {"NUL bytes alone", std::string(100, '\0'), {std::string(100, '\0')}},
        {"a lead byte at the very end", "a;b\x81", {"a", "b\x81"}},
        {"a lead byte at the end of a line", "a\x81\r\nb;", {"a\x81" "b"}},
        {"a lead byte before the separator", "a\x81;b;", {"a\x81;b"}},
        {"a lead byte alone", "\x81", {"\x81"}},
        {"one line of 1 MB", megaLine, {megaLine}},
        {"one line of 1 MB of separators", std::string(1 << 20, ';'), {}},
        {"one line of 1 MB ending in a lead byte", megaLine + "\x81", {megaLine + "\x81"}},
        {"5000 entries", many, manyEntries},
        {"only separators", ";;;;", {}},
        {"separators on lines", ";\r\n;\n;\r\n", {}},
        {"separators and spaces", " ; ;\t; ", {" ", "\t"}},
        {"CR alone does not end a line", "a\rb;", {"a\rb"}},
        {"LF CR", "a;\n\rb;", {"a", "\rb"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CStringArray playUrls;
        const std::string file = File(c.bytes);
        Timed([&] { return channels::ReadPlayUrls(file.c_str(), playUrls), 0; });
        EXPECT_EQ(c.playUrls, ToEntries(playUrls));
    }
}

TEST_F(CorpusTest, UnreadableChannelFileThrowsForTheConfigurationError)
{
    ::CreateDirectoryA("corpus_folder", nullptr);
    const std::string locked = File("a;");
    const HANDLE hLocked = ::CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const std::string unreadable[] = {".\\corpus_missing", "corpus_folder", locked, "",
                                      "a<b>|.txt", std::string(300, 'n')};
    for (const std::string& file : unreadable) {
        SCOPED_TRACE(file);
        CStringArray playUrls;
        EXPECT_THROW(channels::ReadPlayUrls(file.c_str(), playUrls), CFileException);
    }
    ::CloseHandle(hLocked);
    ::RemoveDirectoryA("corpus_folder");
}

TEST_F(CorpusTest, ChannelNumbersAreOpaqueTextCutTo99Bytes)
{
    struct Case { const char* name; std::string value; Entries numbers; } cases[] = {
        {"letters", "abc|def", {"abc", "def"}},
        {"signs", "-1|+5|0", {"-1", "+5", "0"}},
        {"not decimal", "1e9|0x10|NaN|1.5", {"1e9", "0x10", "NaN", "1.5"}},
        {"beyond any integer", "99999999999999999999999", {"99999999999999999999999"}},
        {"spaces inside", " 1 2 | 3 ", {"1 2 ", " 3"}},
        {"only separators", "||||", {}},
        {"GBK with '|' as trail byte", "脇|乗", {"脇", "乗"}},
        {"path and query", "../../x|?a=b&c=d#e", {"../../x", "?a=b&c=d#e"}},
        {"format directives", "%s%n|%x", {"%s%n", "%x"}},
        {"markup", "<b>|</b>", {"<b>", "</b>"}},
        {"200 digits", std::string(200, '7'), {std::string(99, '7')}},
        {"GBK cut after 99 bytes", std::string(98, '1') + "频", {std::string(98, '1')}},
        // The profile functions give a character cut in half as '?'.
        {"a lead byte at the very end", "1|2\x81", {"1", "2?"}},
        {"empty", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CStringArray numbers;
        channels::ReadChannelNumbers(File(Section("CHANNELNUM", c.value)).c_str(), numbers);
        EXPECT_EQ(c.numbers, ToEntries(numbers));
    }
}

TEST_F(CorpusTest, VersionFileDecidesOnlyOnAHigherNumber)
{
    constexpr int kInstalled = 3;
    const std::string v4 = Section("Version", "4");
    using config::kNewerVersion;
    using config::kUpToDate;
    struct Case { const char* name; std::string bytes; int nRemote; config::VersionCheck decision; } cases[] = {
        {"empty", "", 2, kUpToDate},
        {"noise", Noise(4096), 2, kUpToDate},
        {"an HTML error page", "<html><body>404 Not Found</body></html>", 2, kUpToDate},
        {"no section", "Version=4\r\n", 2, kUpToDate},
        {"another section", "[Update]\r\nVersion=4\r\n", 2, kUpToDate},
        {"higher", v4, 4, kNewerVersion},
        {"equal", Section("Version", "3"), 3, kUpToDate},
        {"letters", Section("Version", "four"), 0, kUpToDate},
        {"a number with a tail", Section("Version", "4.9"), 4, kNewerVersion},
        {"the largest number", Section("Version", "2147483647"), 2147483647, kNewerVersion},
        {"negative", Section("Version", "-4"), -4, kUpToDate},
        {"the smallest number", Section("Version", "-2147483648"), INT_MIN, kUpToDate},
        {"beyond the largest", Section("Version", "2147483648"), INT_MAX, kNewerVersion},
        {"huge", Section("Version", "99999999999999999999"), INT_MAX, kNewerVersion},
        {"huge, wrapping to 3 in 32 bits", Section("Version", "4294967299"), INT_MAX, kNewerVersion},
        {"99 digits", Section("Version", std::string(99, '9')), INT_MAX, kNewerVersion},
        {"beyond the smallest", Section("Version", "-2147483649"), INT_MIN, kUpToDate},
        {"huge negative", Section("Version", "-99999999999999999999"), INT_MIN, kUpToDate},
        {"hexadecimal", Section("Version", "0x10"), 0, kUpToDate},
        {"binary, then the section", Noise(4096) + "\r\n" + v4, 4, kNewerVersion},
        {"UTF-16", Utf16(v4, false), 4, kNewerVersion},
        {"huge file, then the section", Repeat("garbage line\r\n", 300000) + v4, 4, kNewerVersion},
        {"huge file without the section", Repeat("garbage line\r\n", 300000), 2, kUpToDate},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = File(c.bytes);
        const int nRemote = Timed([&] { return config::ReadRemoteVersion(file.c_str()); });
        EXPECT_EQ(c.nRemote, nRemote);
        EXPECT_EQ(c.decision, config::CompareVersions(kInstalled, nRemote));
    }
}
