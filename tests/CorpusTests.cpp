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
