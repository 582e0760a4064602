// Hostile files and documents, as installers, users and servers may hand them to the client: one table
// per kind of input, each case with the outcome the client must give. Large inputs are built at run time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "AfxException.h"
#include "CountsDocument.h"
#include "LocalHttpServer.h"
#include "TestHelpers.h"
#include "channels/ChannelTable.h"
#include "channels/OnlineCounts.h"
#include "config/UpdateCheck.h"

namespace {

std::string Repeat(const std::string& unit, size_t nTimes)
{
    std::string text;
    for (text.reserve(unit.size() * nTimes); nTimes > 0; --nTimes)
        text += unit;
    return text;
}

// The same bytes in every run, every byte value among them.
std::string Noise(size_t nBytes)
{
    std::string bytes(nBytes, '\0');
    for (unsigned state = 12345, i = 0; i < nBytes; ++i)
        bytes[i] = static_cast<char>((state = state * 1103515245u + 12345u) >> 16);
    return bytes;
}

// Text of the ASCII range as UTF-16 with its byte-order mark.
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

// Whatever an input holds, reading it must end within 10 s.
template <class Read>
auto Timed(Read read)
{
    const auto start = std::chrono::steady_clock::now();
    auto result = read();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    return result;
}

const std::string kMissing = "\x01missing";  // stands for a file that is not there

class CorpusTest : public ::testing::Test {
protected:
    std::string File(const std::string& bytes)
    {
        return bytes == kMissing ? ".\\corpus_missing" : m_files.Write(bytes);
    }

    CScratchFiles m_files;
};

}  // namespace

TEST_F(CorpusTest, ConfigurationFileGivesDefaultsAndCutValues)
{
    const std::string v5 = Section("Version", "5"), list = Section("LISTURL", "l"), a99(99, 'a');
    const std::string& def = config::kXmlUrl.defaultValue;
    struct Case { std::string name, bytes; int nVersion; std::string listUrl, xmlUrl; };
    std::vector<Case> cases = {
        {"missing", kMissing, 1, "", def}, {"empty", "", 1, "", def}, {"blank lines", "\r\n\r\n  \t\r\n", 1, "", def},
        {"binary", Noise(4096), 1, "", def}, {"binary, then sections", Noise(4096) + "\r\n" + v5 + list, 5, "l", def},
        {"NUL bytes before sections", std::string(64, '\0') + "\r\n" + v5 + list, 5, "l", def},
        {"NUL byte inside a value", "[LISTURL]\r\nLISTURL=ab" + std::string(1, '\0') + "cd\r\n", 1, "ab", def},
        {"value of 1 MB", Section("XML", a99 + std::string(1 << 20, 'b')), 1, "", a99},
        {"GBK value cut after 99 bytes", Section("LISTURL", std::string(98, 'a') + "频道"), 1, std::string(98, 'a'), def},
        {"keys without sections", "Version=5\r\nLISTURL=x\r\nXML=y\r\n", 1, "", def},
        {"keys in another section", "[General]\r\nVersion=5\r\nLISTURL=x\r\nXML=y\r\n", 1, "", def},
        {"sections without keys", "[Version]\r\n[LISTURL]\r\n[XML]\r\n", 1, "", def},
        {"unclosed section name", "[Version\r\nVersion=5\r\n[LISTURL\r\nLISTURL=x\r\n", 1, "", def},
        {"empty section name", "[]\r\nVersion=5\r\n=x\r\n", 1, "", def},
        {"lines without '='", "[Version]\r\nVersion\r\n[LISTURL]\r\nLISTURL\r\n", 1, "", def},
        {"empty values", "[Version]\r\nVersion=\r\n[XML]\r\nXML=\r\n", 1, "", ""},
        {"names in other case", "[version]\r\nVERSION=5\r\n[listurl]\r\nListUrl=x\r\n", 5, "x", def},
        {"spaces around names and values", "[ Version ]\r\n Version = 5 \r\n[LISTURL]\r\nLISTURL = x \r\n", 5, "x",
            def},
        {"a section twice", v5 + Section("Version", "6") + list, 5, "l", def},
        {"LF line ends", "[Version]\nVersion=5\n[LISTURL]\nLISTURL=x\n", 5, "x", def},
        {"no line end at the end", "[LISTURL]\r\nLISTURL=x", 1, "x", def},
        {"version of letters", Section("Version", "abc"), 0, "", def},
        {"version with a tail", Section("Version", "7beta"), 7, "", def},
        {"negative version", Section("Version", "-3"), -3, "", def},
        {"UTF-8 byte-order mark", "\xef\xbb\xbf" + v5 + list, 5, "l", def},
        {"UTF-16 byte-order mark", Utf16(v5 + list, false), 5, "l", def},
        {"UTF-16 big-endian byte-order mark", Utf16(v5 + list, true), 5, "l", def},
        {"byte-order mark alone", "\xef\xbb\xbf", 1, "", def},
        {"4 MB of comments, then sections", Repeat(";" + std::string(78, 'c') + "\r\n", 50000) + v5 + list, 5, "l",
            def},
        {"one line of 4 MB", std::string(4 << 20, 'x') + "\r\n" + v5, 5, "", def},
        {"100 000 sections", Repeat(Section("Other", "x"), 100000) + v5, 5, "", def},
    };
    for (size_t n : {99, 100, 101, 1000, 100000})
        cases.push_back({"value of " + std::to_string(n), Section("LISTURL", Repeat("a", n)), 1, a99, def});
    for (const Case& c : cases) {
        const std::string file = File(c.bytes);
        char listUrl[config::kValueBufferSize] = "unread", xmlUrl[config::kValueBufferSize] = "unread";
        EXPECT_EQ(c.nVersion, Timed([&] { return config::ReadInstalledVersion(file.c_str()); })) << c.name;
        config::ReadString(config::kListUrl, file.c_str(), listUrl);
        config::ReadString(config::kXmlUrl, file.c_str(), xmlUrl);
        EXPECT_EQ(c.listUrl + "|" + c.xmlUrl, std::string(listUrl) + "|" + xmlUrl) << c.name;
    }
}

TEST_F(CorpusTest, ChannelFileGivesTheEntriesBetweenSeparatorsOrCannotBeRead)
{
    // The client reports a file it cannot read as a configuration error and ends.
    const Entries unreadable = {"cannot be read"};
    ::CreateDirectoryA("corpus_folder", nullptr);
    const std::string locked = File("a;");
    const HANDLE hLocked = ::CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    std::string many, mega(1 << 20, 'u');
    Entries manyEntries;
    for (int i = 0; i < 5000; ++i)
        many += (manyEntries.emplace_back("rtsp://10.0.0.1/" + std::to_string(i))) + ";\r\n";
    const struct { std::string name, file; Entries playUrls; } cases[] = {
        {"missing", File(kMissing), unreadable},
        {"a folder", "corpus_folder", unreadable},
        {"empty name", "", unreadable},
        {"locked by another", locked, unreadable}, {"a name of 300 bytes", std::string(300, 'n'), unreadable},
        {"forbidden characters in the name", "a<b>|.txt", unreadable},
        {"control bytes", File("\x01\x02\x7f;\x1a;b"), {"\x01\x02\x7f", "\x1a", "b"}},
        {"bytes above 0x7f", File("\xa1\xa1;\xfe\xfe;"), {"\xa1\xa1", "\xfe\xfe"}},
        {"NUL bytes", File("a" + std::string(1, '\0') + "b;c"), {std::string("a\0b", 3), "c"}},
        {"NUL bytes alone", File(std::string(100, '\0')), {std::string(100, '\0')}},
        {"a lead byte at the very end", File("a;b\x81"), {"a", "b\x81"}}, {"a lead byte alone", File("\x81"), {"\x81"}},
        {"a lead byte at the end of a line", File("a\x81\r\nb;"), {"a\x81" "b"}},
        {"a lead byte before the separator", File("a\x81;b;"), {"a\x81;b"}}, {"one line of 1 MB", File(mega), {mega}},
        {"one line of 1 MB of separators", File(std::string(1 << 20, ';')), {}},
        {"5000 entries", File(many), manyEntries},
        {"one line of 1 MB ending in a lead byte", File(mega + "\x81"), {mega + "\x81"}},
        {"only separators", File(";;;;"), {}},
        {"separators on lines", File(";\r\n;\n;\r\n"), {}}, {"separators and spaces", File(" ; ;\t; "), {" ", "\t"}},
        {"CR alone does not end a line", File("a\rb;"), {"a\rb"}}, {"LF CR", File("a;\n\rb;"), {"a", "\rb"}},
        {"an entry across lines", File("a\r\nb;"), {"ab"}}, {"GBK text", File("频道一;脇|乗\\;"), {"频道一", "脇|乗\\"}},
        {"only the whole text trimmed", File(" \t a ; b \r\n c ;\r\n  "), {"a ", " b  c "}},
        {"byte-order mark", File("\xef\xbb\xbfrtsp://x/1;x"), {"\xef\xbb\xbfrtsp://x/1", "x"}},
    };
    for (const auto& c : cases) {
        CStringArray playUrls;
        try {
            Timed([&] { return channels::ReadPlayUrls(c.file.c_str(), playUrls), 0; });
        } catch (const CFileException&) {
            playUrls.Add(unreadable[0].c_str());
        }
        EXPECT_EQ(c.playUrls, ToEntries(playUrls)) << c.name;
    }
    ::CloseHandle(hLocked);
    ::RemoveDirectoryA("corpus_folder");
}

TEST_F(CorpusTest, ChannelNumbersAreOpaqueTextCutTo99Bytes)
{
    const struct { std::string value; Entries numbers; } cases[] = {
        {"abc|def", {"abc", "def"}},
        {"-1|+5|0", {"-1", "+5", "0"}},
        {"||||", {}},
        {"", {}},
        {"<b>|</b>", {"<b>", "</b>"}},
        {"1e9|0x10|NaN|1.5", {"1e9", "0x10", "NaN", "1.5"}}, {"99999999999999999999", {"99999999999999999999"}},
        {" 1 2 | 3 ", {"1 2 ", " 3"}}, {"脇|乗", {"脇", "乗"}}, {"%s%n|%x", {"%s%n", "%x"}},
        {"../../x|?a=b&c=d#e", {"../../x", "?a=b&c=d#e"}}, {std::string(200, '7'), {std::string(99, '7')}},
        {std::string(98, '1') + "频", {std::string(98, '1')}},
        {"1|2\x81", {"1", "2?"}},  // the profile functions give a character cut in half as '?'
    };
    for (const auto& c : cases) {
        CStringArray numbers;
        channels::ReadChannelNumbers(File(Section("CHANNELNUM", c.value)).c_str(), numbers);
        EXPECT_EQ(c.numbers, ToEntries(numbers)) << c.value;
    }
}

// A value longer than the buffer: the cut keeps whole characters, and no byte of what the buffer held
// before the read, garbage or a longer earlier value, stays in it.
TEST_F(CorpusTest, ProfileReadsLeaveNothingOfTheBufferBehind)
{
    const std::string a98(98, 'a');
    const struct { std::string value, read; } cases[] = {
        {"", ""}, {"x", "x"}, {std::string(99, 'a'), std::string(99, 'a')}, {std::string(100, 'a'), std::string(99, 'a')},
        {a98 + "频", a98}, {a98.substr(1) + "频", a98.substr(1) + "频"}, {a98 + "频道", a98},
        {"频道" + std::string(200, 'b'), "频道" + std::string(95, 'b')}, {Repeat("频", 60), Repeat("频", 49)},
    };
    const std::string longer = File(Section("LISTURL", std::string(150, 'z')));
    for (const auto& c : cases) {
        const std::string file = File(Section("LISTURL", c.value));
        for (bool bGarbage : {true, false}) {
            char buffer[config::kValueBufferSize];
            if (bGarbage)
                std::memset(buffer, 0xD1, sizeof(buffer));
            else
                config::ReadString(config::kListUrl, longer.c_str(), buffer);
            config::ReadString(config::kListUrl, file.c_str(), buffer);
            EXPECT_EQ(std::string(buffer, sizeof(buffer)), c.read + std::string(sizeof(buffer) - c.read.size(), '\0'))
                << c.read.size() << (bGarbage ? " after garbage" : " after a longer value");
        }
    }
    // The counts address is read into the same buffer at every refresh.
    COnlineCounts counts;
    counts.RefreshNow(File(Section("XML", std::string(150, 'z'))).c_str());
    counts.RefreshNow(File(Section("XML", "http://127.0.0.1:1/c")).c_str());
    EXPECT_EQ(std::string(counts.XmlUrl(), sizeof(counts.XmlUrl())),
              "http://127.0.0.1:1/c" + std::string(sizeof(counts.XmlUrl()) - 20, '\0'));
}

TEST(CutToCharactersTest, KeepsWholeCharactersWithinTheLimit)
{
    const struct { std::string text; size_t nMax; std::string cut; } cases[] = {
        {"", 0, ""}, {"", 99, ""}, {"abc", 0, ""}, {"abc", 2, "ab"}, {"abc", 3, "abc"}, {"abc", 4, "abc"},
        {"频", 1, ""}, {"频", 2, "频"}, {"a频", 2, "a"}, {"a频", 3, "a频"}, {"频a", 2, "频"},
        {"a\x81", 2, "a\x81"}, {"a\x81", 1, "a"},  // a lead byte with nothing after it is a character of its own
        {"\x81\x81\x81", 2, "\x81\x81"}, {"\x81\x81\x81", 1, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(config::CutToCharacters(c.text, c.nMax), c.cut) << c.text << " " << c.nMax;
}

TEST_F(CorpusTest, VersionFileDecidesOnlyOnAHigherNumber)
{
    constexpr int kInstalled = 3;
    const std::string v4 = Section("Version", "4"), garbage = Repeat("garbage line\r\n", 300000);
    struct Case { std::string name, bytes; int nRemote; };
    std::vector<Case> cases = {
        {"empty", "", 2}, {"noise", Noise(4096), 2}, {"an HTML page", "<html><body>404 Not Found</body></html>", 2},
        {"no section", "Version=4\r\n", 2}, {"another section", "[Update]\r\nVersion=4\r\n", 2},
        {"binary, then the section", Noise(4096) + "\r\n" + v4, 4}, {"UTF-16", Utf16(v4, false), 4},
        {"huge file, then the section", garbage + v4, 4}, {"huge file without the section", garbage, 2},
    };
    // Numbers beyond the integer range read as the nearest integer, whatever 32 bits would make of them.
    const std::pair<std::string, int> numbers[] = {{"4", 4}, {"3", 3}, {"four", 0}, {"4.9", 4}, {"-4", -4},
        {"0x10", 0}, {"2147483647", INT_MAX}, {"2147483648", INT_MAX}, {"4294967299", INT_MAX},
        {"99999999999999999999", INT_MAX}, {std::string(99, '9'), INT_MAX}, {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN}, {"-99999999999999999999", INT_MIN}};
    for (const auto& [text, nRead] : numbers)
        cases.push_back({text, Section("Version", text), nRead});
    for (const Case& c : cases) {
        const std::string file = File(c.bytes);
        const int nRemote = Timed([&] { return config::ReadRemoteVersion(file.c_str()); });
        EXPECT_EQ(c.nRemote, nRemote) << c.name;
        const config::VersionCheck decision = c.nRemote > kInstalled ? config::kNewerVersion : config::kUpToDate;
        EXPECT_EQ(decision, config::CompareVersions(kInstalled, nRemote)) << c.name;
    }
}

namespace {

class CountsCorpusTest : public CorpusTest {
protected:
    static void SetUpTestSuite() { ::CoInitialize(nullptr); }
    static void TearDownTestSuite() { ::CoUninitialize(); }

    // The counts the client reads from a document of these bytes, as a server would send them, or none.
    static Strings Read(const std::string& bytes)
    {
        CComRef<IXMLDOMDocument2> document;
        EXPECT_HRESULT_SUCCEEDED(CreateXmlDocument(document));
        if (!document)
            return {"no parser"};
        CString counts[kCountedChannels];
        const bool bRead =
            Timed([&] { return LoadDocument(document.Get(), bytes) && ReadOnlineCounts(document.Get(), counts); });
        Strings read(kCountedChannels, kCountUnavailable);
        for (int i = 0; bRead && i < kCountedChannels; ++i)
            read[i].assign(counts[i], counts[i].GetLength());
        return read;
    }
};

}  // namespace

TEST_F(CountsCorpusTest, HostileDocumentsGiveTheCountsOrNoneAndResolveNothing)
{
    // Whatever refers to it must not reach it: the server answers every path, and sees no request.
    CLocalHttpServer server;
    server.Serve("/secret", "31337");
    const std::string secret = "31337", outside = server.Origin() + "/secret";
    char secretFile[MAX_PATH];
    ::GetFullPathNameA(m_files.Write(secret).c_str(), MAX_PATH, secretFile, nullptr);

    const Strings good = Numbers(kCountedChannels, 20), records = Records(good), none(kCountedChannels,
        kCountUnavailable);
    const std::string document = Document(records), head = "<?xml version=\"1.0\"?>",
        body = document.substr(head.size());
    auto with = [](Strings changed, size_t i, const std::string& text) { return changed[i] = text, changed; };
    // The document with text in place of the first record's count, and the prolog before the root.
    auto counting = [&](const std::string& count, const std::string& prolog = "") {
        return head + prolog + std::string(body).replace(body.find("20</Online>"), 2, count);
    };
    std::string laughs = "<!DOCTYPE Channels [<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i)
        laughs += "<!ENTITY l" + std::to_string(i) + " \"" + Repeat("&l" + std::to_string(i - 1) + ";", 10) + "\">";
    const std::string wide(10000, '9'), deep = Repeat("<a>", 100000) + Repeat("</a>", 100000),
        utf16 = Utf16(document, false);
    struct Case { std::string name, bytes; Strings counts; };
    std::vector<Case> cases = {
        {"well-formed", document, good}, {"indented", Document(records, "\r\n    "), good},
        {"more records than channels", Document(Records(Numbers(20, 20))), good},
        // A comment is a child: the ninth child is then the last field.
        {"a comment in a record", Document(with(records, 4, Record(good[4], "<!-- c -->"))), with(good, 4, "f7")},
        {"a comment between records", Document(records, "<!-- c -->"), none},
        {"one record short", Document(Records(Numbers(kCountedChannels - 1, 20))), none},
        {"a record without its count", Document(with(records, 6, "<Channel><A/><B/><C/><D/><E/><F/><G/><H/></Channel>")),
         none},
        {"an empty count", Document(with(records, 9, Record(""))), with(good, 9, "")},
        {"text", "hello", none}, {"JSON", "{\"counts\": [1, 2, 3]}", none},
        {"an HTML page", "<html><body><h1>502 Bad Gateway</h1></body></html>", none}, {"binary", Noise(1 << 16), none},
        {"markup soup", "<<<>>>&&&;;", none}, {"binary after the document", document + Noise(4096), none},
        {"two roots", document + document, none},
        {"an attribute without quotes", "<Channels a=1" + body.substr(9), none},
        {"mismatched end tag", std::string(document).replace(document.rfind("</Channels>"), 11, "</Channel>"), none},
        {"empty", "", none}, {"white space", " \r\n\t ", none}, {"a byte-order mark alone", "\xef\xbb\xbf", none},
        {"a prolog alone", head, none},
        {"a comment alone", "<!-- counts -->", none},
        {"an empty root", "<Channels/>", none},
        {"a billion laughs", counting("&l9;", laughs + "]>"), none},
        {"a billion laughs, never used", counting("20", laughs + "]>"), none},
        {"a quadratic blow-up", counting(Repeat("&q;", 1000), "<!DOCTYPE Channels [<!ENTITY q \"" + std::string(1000,
            'q') + "\">]>"), none},
        {"a recursive entity", counting("&r;", "<!DOCTYPE Channels [<!ENTITY r \"&r;\">]>"), none},
        {"an undeclared entity", counting("&nowhere;"), none},
        {"another host as a parameter entity", counting("20", "<!DOCTYPE Channels [<!ENTITY % p SYSTEM \"" + outside +
                                                              "\">%p;]>"), none},
        {"an inclusion of a local file", counting("<xi:include xmlns:xi=\"http://www.w3.org/2001/XInclude\" href=\"" +
                                                  std::string(secretFile) + "\" parse=\"text\"/>"), with(good, 0, "")},
        {"a style sheet elsewhere", counting("20", "<?xml-stylesheet type=\"text/xsl\" href=\"" + outside + "\"?>"),
            good},
        {"a schema elsewhere", "<Channels xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                               "xsi:noNamespaceSchemaLocation=\"" + outside + "\"" + body.substr(9), good},
        {"100 000 nested elements", deep, none}, {"100 000 nested elements in a count", counting(deep), none},
        {"100 nested elements in a count", counting(Repeat("<a>", 100) + "7" + Repeat("</a>", 100)), with(good, 0,
            "7")},
        {"records nested in one more element", "<Root>" + body + "</Root>", none},
        {"50 MB of records", Document(Records(Numbers(420000, 20))), good},
        {"50 MB in the record after the last", Document(records, "") .insert(document.size() - 11,
            Record(std::string(50 << 20, 'x'))), good},
        {"50 MB of white space between records", Document(records, std::string(3 << 20, ' ')), good},
        {"a count of 10 000 characters", counting(wide), with(good, 0, wide)},
        {"a count of 10 000 Chinese characters", counting(Repeat("\xe7\xba\xa6", 10000)), with(good, 0, Repeat("约",
            10000))},
        {"10 000 characters in every count", Document(Records(Strings(kCountedChannels, wide))),
            Strings(kCountedChannels, wide)},
        {"a NUL byte in a count", counting(std::string("2\0" "0", 3)), none},
        {"a NUL byte between records", Document(records, std::string(1, '\0')), none},
        {"a NUL byte before the root", std::string(1, '\0') + document, none},
        {"UTF-16", utf16, good}, {"UTF-16 without its byte-order mark", utf16.substr(2), good},
        {"UTF-16 cut in half a character", utf16.substr(0, utf16.size() - 1), none},
        {"UTF-8 with its byte-order mark", "\xef\xbb\xbf" + document, good},
        {"bytes that are not UTF-8", counting("\xff\x81"), none},
        // These GBK bytes happen to be UTF-8 too, for three characters that the code page lacks.
        {"declared UTF-8, written in GBK", counting("约一千"), with(good, 0, "???")},
        {"declared GBK, written in GBK",
            "<?xml version=\"1.0\" encoding=\"GBK\"?>" + counting("约一千").substr(head.size()),
         with(good, 0, "约一千")},
        {"a declaration after a comment", "<!-- c -->" + document, none},
        {"XML version 9", "<?xml version=\"9.0\"?>" + body, none},
        {"records as attributes", "<Channels c=\"1\"/>", none},
        {"counts as attributes", "<Channels>" + Repeat("<Channel Online=\"5\"/>", 15) + "</Channels>", none},
        {"records inside a comment", "<Channels><!--" + body + "--></Channels>", none},
        {"records after the root", "<Channels/>" + body, none},
        {"records as text", "<Channels>" + Repeat("1,2,3,4,5,6,7,8,9;", 15) + "</Channels>", none},
        {"14 records", Document(Records(Numbers(kCountedChannels - 1, 20))), none},
        {"records of 8 fields", Document(Strings(kCountedChannels, "<C><a/><b/><c/><d/><e/><f/><g/><h/></C>")), none},
        {"a processing instruction in a record", Document(with(records, 3, Record(good[3], "<?p?>"))), with(good, 3,
            "f7")},
        {"CDATA as a count", counting("<![CDATA[<b>20</b>]]>"), with(good, 0, "<b>20</b>")},
        {"markup in a count", counting("<b>2</b>0<!-- c -->"), with(good, 0, "20")},
        {"character references in a count", counting("&#x32;&#48;&lt;&amp;"), with(good, 0, "20<&")},
        {"a character reference to NUL", counting("&#0;"), none},
        {"namespaces", "<Channels xmlns=\"urn:x\"" + body.substr(9), good},
    };
    for (size_t cut : {size_t{1}, size_t{10}, size_t{80}, document.size() / 2, document.size() - 11,
        document.size() - 1})
        cases.push_back({"cut to " + std::to_string(cut) + " bytes", document.substr(0, cut), none});
    for (const std::string encoding : {"x-nothing", "UTF-16", "ISO-8859-1", "UTF-32"})
        cases.push_back({"declared " + encoding, "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>" + body,
                         encoding == "ISO-8859-1" ? good : none});
    // A DTD is refused whatever it declares, before any entity of it could expand or be fetched.
    for (const std::string& dtd : Strings{" [<!ELEMENT Channels ANY>]", " [<!ATTLIST Channel n CDATA \"1\">]",
                                   " [<!ENTITY c \"20\">]", " SYSTEM \"counts.dtd\"", " SYSTEM \"" + outside + "\"",
                                   " PUBLIC \"-//x//DTD x//EN\" \"" + outside + "\""})
        cases.push_back({"a DTD:" + dtd, counting("20", "<!DOCTYPE Channels" + dtd + ">"), none});
    for (const std::string& target : Strings{secretFile, "file:///" + std::string(secretFile), m_files.Write(secret),
                                              "C:\\windows\\win.ini", outside, "http://192.0.2.1/c"})
        cases.push_back({"an entity at " + target, counting("&e;", "<!DOCTYPE Channels [<!ENTITY e SYSTEM \"" + target +
                                                                   "\">]>"), none});
    for (const Case& c : cases) {
        const Strings counts = Read(c.bytes);
        EXPECT_TRUE(counts == c.counts) << c.name << (counts == none ? ": no counts" : ": " + counts[0].substr(0, 40));
        EXPECT_EQ(Strings{}, server.Requests()) << c.name;
        for (const std::string& count : counts)
            EXPECT_EQ(std::string::npos, count.find(secret)) << c.name;
    }
}
