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
        {"missing", kMissing, 1, "", kXmlDefault}, {"empty", "", 1, "", kXmlDefault},
        {"blank lines", "\r\n\r\n  \t\r\n", 1, "", kXmlDefault}, {"binary", Noise(4096), 1, "", kXmlDefault},
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
        {"huge: 4 MB of comments, then sections", Repeat(";" + std::string(78, 'c') + "\r\n", 50000) + v5 + list, 5, "http://l/", kXmlDefault},
        {"huge: one 4 MB line", std::string(4 << 20, 'x') + "\r\n" + v5, 5, "", kXmlDefault},
        {"huge: 100 000 sections", Repeat(Section("Other", "x"), 100000) + v5, 5, "", kXmlDefault},
    };
    for (const Case& c : cases) {
        const std::string file = File(c.bytes);
        char listUrl[config::kValueBufferSize] = "unread", xmlUrl[config::kValueBufferSize] = "unread";
        EXPECT_EQ(c.nVersion, Timed([&] { return config::ReadInstalledVersion(file.c_str()); })) << c.name;
        config::ReadString(config::kListUrl, file.c_str(), listUrl);
        config::ReadString(config::kXmlUrl, file.c_str(), xmlUrl);
        EXPECT_EQ(c.listUrl + "|" + c.xmlUrl, std::string(listUrl) + "|" + xmlUrl) << c.name;
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
        {"one line of 1 MB", megaLine, {megaLine}}, {"one line of 1 MB of separators", std::string(1 << 20, ';'), {}},
        {"one line of 1 MB ending in a lead byte", megaLine + "\x81", {megaLine + "\x81"}},
        {"5000 entries", many, manyEntries}, {"only separators", ";;;;", {}},
        {"separators on lines", ";\r\n;\n;\r\n", {}}, {"separators and spaces", " ; ;\t; ", {" ", "\t"}},
        {"CR alone does not end a line", "a\rb;", {"a\rb"}},
        {"LF CR", "a;\n\rb;", {"a", "\rb"}},
    };
    for (const Case& c : cases) {
        CStringArray playUrls;
        const std::string file = File(c.bytes);
        Timed([&] { return channels::ReadPlayUrls(file.c_str(), playUrls), 0; });
        EXPECT_EQ(c.playUrls, ToEntries(playUrls)) << c.name;
    }
}

TEST_F(CorpusTest, UnreadableChannelFileThrowsForTheConfigurationError)
{
    ::CreateDirectoryA("corpus_folder", nullptr);
    const std::string locked = File("a;");
    const HANDLE hLocked = ::CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    for (const std::string& file : {File(kMissing), std::string("corpus_folder"), locked, std::string(), std::string("a<b>|.txt"), std::string(300, 'n')}) {
        CStringArray playUrls;
        EXPECT_THROW(channels::ReadPlayUrls(file.c_str(), playUrls), CFileException) << file;
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
        {"only separators", "||||", {}}, {"GBK with '|' as trail byte", "脇|乗", {"脇", "乗"}},
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
        CStringArray numbers;
        channels::ReadChannelNumbers(File(Section("CHANNELNUM", c.value)).c_str(), numbers);
        EXPECT_EQ(c.numbers, ToEntries(numbers)) << c.name;
    }
}

TEST_F(CorpusTest, VersionFileDecidesOnlyOnAHigherNumber)
{
    constexpr int kInstalled = 3;
    const std::string v4 = Section("Version", "4");
    using config::kNewerVersion, config::kUpToDate;
    struct Case { const char* name; std::string bytes; int nRemote; config::VersionCheck decision; } cases[] = {
        {"empty", "", 2, kUpToDate}, {"noise", Noise(4096), 2, kUpToDate},
        {"an HTML error page", "<html><body>404 Not Found</body></html>", 2, kUpToDate},
        {"no section", "Version=4\r\n", 2, kUpToDate}, {"another section", "[Update]\r\nVersion=4\r\n", 2, kUpToDate},
        {"higher", v4, 4, kNewerVersion}, {"equal", Section("Version", "3"), 3, kUpToDate},
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
        const std::string file = File(c.bytes);
        const int nRemote = Timed([&] { return config::ReadRemoteVersion(file.c_str()); });
        EXPECT_EQ(c.nRemote, nRemote) << c.name;
        EXPECT_EQ(c.decision, config::CompareVersions(kInstalled, nRemote)) << c.name;
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
        SAFEARRAY* pBytes = ::SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
        if (!document || !pBytes)
            return {"no parser"};
        std::memcpy(pBytes->pvData, bytes.data(), bytes.size());
        VARIANT source;
        V_VT(&source) = VT_ARRAY | VT_UI1;
        V_ARRAY(&source) = pBytes;
        CString counts[kCountedChannels];
        VARIANT_BOOL loaded;
        const bool bRead = Timed([&] { return document->load(source, &loaded), ReadOnlineCounts(document.Get(), counts); });
        ::SafeArrayDestroy(pBytes);
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

    const Strings good = Numbers(kCountedChannels, 20), records = Records(good), none(kCountedChannels, kCountUnavailable);
    const std::string document = Document(records), head = "<?xml version=\"1.0\"?>";
    auto with = [](Strings changed, size_t i, const std::string& text) { return changed[i] = text, changed; };
    // The document with text in place of the first record's count, and the prolog before the root.
    auto counting = [&](const std::string& count, const std::string& prolog = "") {
        return head + prolog + document.substr(head.size()).replace(document.find("20</Online>") - head.size(), 2, count);
    };
    auto gbk = [&](const std::string& count) { return counting(count).replace(0, head.size(), head.substr(0, 19) + " encoding=\"GBK\"?>"); };
    const std::string entities = "<!DOCTYPE Channels [<!ENTITY e SYSTEM \"";
    std::string laughs = "<!DOCTYPE Channels [<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i)
        laughs += "<!ENTITY l" + std::to_string(i) + " \"" + Repeat("&l" + std::to_string(i - 1) + ";", 10) + "\">";
    const std::string wide(10000, '9'), deep = Repeat("<a>", 100000) + Repeat("</a>", 100000), utf16 = Utf16(document, false);
    struct Case { const char* name; std::string bytes; Strings counts; } cases[] = {
        {"well-formed", document, good}, {"text", "hello", none},
        {"JSON", "{\"counts\": [1, 2, 3]}", none},
        {"an HTML error page", "<html><body><h1>502 Bad Gateway</h1></body></html>", none},
        {"markup soup", "<<<>>>&&&;;", none}, {"binary", Noise(1 << 16), none},
        {"binary after the document", document + Noise(4096), none}, {"two roots", document + document, none},
        {"mismatched end tag", Document(records).replace(document.rfind("</Channels>"), 11, "</Channel>"), none},
        {"an attribute without quotes", Document(records).replace(document.find("<Channel>"), 9, "<Channel a=1>"), none},
        {"truncated after one byte", document.substr(0, 1), none},
        {"truncated in the prolog", document.substr(0, 10), none},
        {"truncated in the first record", document.substr(0, 80), none},
        {"truncated halfway", document.substr(0, document.size() / 2), none},
        {"truncated before the end tag", document.substr(0, document.size() - 11), none},
        {"truncated by one byte", document.substr(0, document.size() - 1), none}, {"empty", "", none},
        {"white space", " \r\n\t ", none}, {"a byte-order mark alone", "\xef\xbb\xbf", none},
        {"a prolog alone", head, none}, {"a comment alone", "<!-- counts -->", none},
        {"an empty root", "<Channels/>", none},
        {"an internal DTD", counting("20", "<!DOCTYPE Channels [<!ELEMENT Channels ANY>]>"), none},
        {"an attribute default from the DTD", counting("20", "<!DOCTYPE Channels [<!ATTLIST Channel n CDATA \"1\">]>"), none},
        {"an external DTD here", counting("20", "<!DOCTYPE Channels SYSTEM \"counts.dtd\">"), none},
        {"an external DTD elsewhere", counting("20", "<!DOCTYPE Channels SYSTEM \"" + outside + "\">"), none},
        {"a public DTD", counting("20", "<!DOCTYPE Channels PUBLIC \"-//x//DTD x//EN\" \"" + outside + "\">"), none},
        {"an internal entity", counting("&c;", "<!DOCTYPE Channels [<!ENTITY c \"20\">]>"), none},
        {"a billion laughs", counting("&l9;", laughs + "]>"), none},
        {"a billion laughs, never used", counting("20", laughs + "]>"), none},
        {"a quadratic blow-up", counting(Repeat("&q;", 1000), "<!DOCTYPE Channels [<!ENTITY q \"" + std::string(1000, 'q') + "\">]>"), none},
        {"a recursive entity", counting("&r;", "<!DOCTYPE Channels [<!ENTITY r \"&r;\">]>"), none},
        {"an undeclared entity", counting("&nowhere;"), none},
        {"a local file as an entity", counting("&e;", entities + secretFile + "\">]>"), none},
        {"a local file by URL as an entity", counting("&e;", entities + "file:///" + secretFile + "\">]>"), none},
        {"a relative file as an entity", counting("&e;", entities + m_files.Write(secret) + "\">]>"), none},
        {"a system file as an entity", counting("&e;", entities + "C:\\windows\\win.ini\">]>"), none},
        {"another host as an entity", counting("&e;", entities + outside + "\">]>"), none},
        {"another host as a parameter entity", counting("20", "<!DOCTYPE Channels [<!ENTITY % p SYSTEM \"" + outside + "\">%p;]>"), none},
        {"an unreachable host as an entity", counting("&e;", entities + "http://192.0.2.1/c\">]>"), none},
        {"an inclusion of a local file", counting("<xi:include xmlns:xi=\"http://www.w3.org/2001/XInclude\" href=\"" + std::string(secretFile) + "\" parse=\"text\"/>"), with(good, 0, "")},
        {"a style sheet elsewhere", counting("20", "<?xml-stylesheet type=\"text/xsl\" href=\"" + outside + "\"?>"), good},
        {"a schema elsewhere", Document(records).insert(document.find("<Channels") + 9, " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xsi:noNamespaceSchemaLocation=\"" + outside + "\""), good},
        {"100 000 nested elements", deep, none}, {"100 000 nested elements in a count", counting(deep), none},
        {"100 nested elements in a count", counting(Repeat("<a>", 100) + "7" + Repeat("</a>", 100)), with(good, 0, "7")},
        {"records nested in one more element", "<Root>" + Document(records).substr(head.size()) + "</Root>", none},
        {"50 MB of records", Document(Records(Numbers(420000, 20))), good},
        {"50 MB in the record after the last", Document(Records(with(Numbers(kCountedChannels + 1, 20), kCountedChannels, std::string(50 << 20, 'x')))), good},
        {"50 MB of white space between records", Document(records, std::string(3 << 20, ' ')), good},
        {"a count of 10 000 characters", counting(wide), with(good, 0, wide)},
        {"a count of 10 000 Chinese characters", counting(Repeat("\xe7\xba\xa6", 10000)), with(good, 0, Repeat("约", 10000))},
        {"10 000 characters in every count", Document(Records(Strings(kCountedChannels, wide))), Strings(kCountedChannels, wide)},
        {"a NUL byte in a count", counting(std::string("2\0" "0", 3)), none},
        {"a NUL byte between records", Document(records, std::string(1, '\0')), none},
        {"a NUL byte before the root", std::string(1, '\0') + document, none},
        {"UTF-16 with its byte-order mark", utf16, good}, {"UTF-16 without its byte-order mark", utf16.substr(2), good},
        {"UTF-16 cut in half a character", utf16.substr(0, utf16.size() - 1), none},
        {"UTF-8 with its byte-order mark", "\xef\xbb\xbf" + document, good},
        {"an unknown encoding", "<?xml version=\"1.0\" encoding=\"x-nothing\"?>" + document.substr(head.size()), none},
        {"declared UTF-16, written in one byte", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + document.substr(head.size()), none},
        {"bytes that are not UTF-8", counting("\xff\x81"), none},
        // These GBK bytes happen to be UTF-8 too, for three characters that the code page lacks.
        {"declared UTF-8, written in GBK", counting("约一千"), with(good, 0, "???")},
        {"declared GBK, written in GBK", gbk("约一千"), with(good, 0, "约一千")},
        {"declared ISO-8859-1, written in UTF-8", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + document.substr(head.size()), good},
        {"a declaration after a comment", "<!-- c -->" + document, none},
        {"XML version 9", "<?xml version=\"9.0\"?>" + document.substr(head.size()), none},
        {"records as attributes", "<Channels " + Repeat("c=\"1\" ", 1) + "/>", none},
        {"counts as attributes", "<Channels>" + Repeat("<Channel Online=\"5\"/>", 15) + "</Channels>", none},
        {"records inside a comment", "<Channels><!--" + Document(records).substr(head.size()) + "--></Channels>", none},
        {"records after the root", "<Channels/>" + Document(records).substr(head.size()), none},
        {"records as text", "<Channels>" + Repeat("1,2,3,4,5,6,7,8,9;", 15) + "</Channels>", none},
        {"14 records", Document(Records(Numbers(kCountedChannels - 1, 20))), none},
        {"records of 8 fields", Document(Strings(kCountedChannels, "<C><a/><b/><c/><d/><e/><f/><g/><h/></C>")), none},
        {"a processing instruction in a record", Document(with(records, 3, Record(good[3], "<?p?>"))), with(good, 3, "f7")},
        {"CDATA as a count", counting("<![CDATA[<b>20</b>]]>"), with(good, 0, "<b>20</b>")},
        {"markup in a count", counting("<b>2</b>0<!-- c -->"), with(good, 0, "20")},
        {"character references in a count", counting("&#x32;&#48;&lt;&amp;"), with(good, 0, "20<&")},
        {"a character reference to NUL", counting("&#0;"), none},
        {"namespaces", Document(records).insert(document.find("<Channels") + 9, " xmlns=\"urn:x\""), good},
    };
    for (const Case& c : cases) {
        const Strings counts = Read(c.bytes);
        EXPECT_TRUE(counts == c.counts) << c.name << (counts == none ? ": no counts" : ": " + counts[0].substr(0, 40));
        EXPECT_EQ(Strings{}, server.Requests()) << c.name;
        for (const std::string& count : counts)
            EXPECT_EQ(std::string::npos, count.find(secret)) << c.name;
    }
}
