#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "AfxFile.h"
#include "TestHelpers.h"

namespace {

using Lines = std::vector<std::string>;

class StdioFileTest : public ::testing::Test {
protected:
    // Every line of a file of these bytes; after the last one the file stays at its end.
    Lines ReadLines(const std::string& bytes)
    {
        CStdioFile file(m_files.Write(bytes).c_str());
        Lines lines;
        CString line("stale");
        while (file.ReadString(line))
            lines.emplace_back(line, line.GetLength());
        EXPECT_TRUE(line.IsEmpty());
        EXPECT_FALSE(file.ReadString(line));
        return lines;
    }

    CScratchFiles m_files;
};

}  // namespace

TEST_F(StdioFileTest, ReadsLinesWithoutTheirBreaks)
{
    const std::string huge(5 * 1024 * 1024, 'h');
    struct Case { const char* name; std::string bytes; Lines lines; };
    std::vector<Case> cases = {
        {"CR LF", "one\r\ntwo\r\n", {"one", "two"}},
        {"LF, last line open", "one\ntwo\nthree", {"one", "two", "three"}},
        {"empty file", "", {}},
        {"blank lines", "\n\r\n\nx\n\n", {"", "", "", "x", ""}},
        {"lone CR stays", "a\rb\r\nc\r\r\nd\r", {"a\rb", "c\r", "d\r"}},
        {"zero bytes and GBK", std::string("中\0文|脇\\乗\r\n", 13), {std::string("中\0文|脇\\乗", 11)}},
        {"end-of-file character is text", "a\x1a\nb", {"a\x1a", "b"}},
        {"several megabytes in a line", huge + "\r\nshort\n" + huge, {huge, "short", huge}},
    };
    // The CR and the LF of a line break may come with different reads.
    for (size_t length : {4095, 4096, 65535, 65536, 131071})
        cases.push_back({"long line", std::string(length, 'x') + "\r\ny", {std::string(length, 'x'), "y"}});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(c.bytes.size()) + " bytes");
        EXPECT_TRUE(c.lines == ReadLines(c.bytes));  // not EXPECT_EQ: it would print megabytes
    }
}

TEST_F(StdioFileTest, OpenFailuresNameTheFileAndTheCause)
{
    for (const char* fileName : {"file_test_missing.txt", ".\\file_test_no_such_dir\\Channel.txt"}) {
        try {
            CStdioFile file(fileName);
            ADD_FAILURE() << fileName << " opened";
        } catch (const CFileException& e) {
            char text[512];
            ASSERT_TRUE(e.GetErrorMessage(text, sizeof(text)));
            // Then the system's words for the cause.
            EXPECT_EQ(0u, std::string(text).find(std::string(fileName) + ": ")) << text;
            EXPECT_GT(strlen(text), strlen(fileName) + 2) << text;
        }
    }
    // An error code the system has no words for still gives a message.
    char text[100];
    CFileException(0x2000ABCD, "Channel.txt").GetErrorMessage(text, sizeof(text));
    EXPECT_STREQ("Channel.txt: error 0x2000ABCD", text);
}

TEST_F(StdioFileTest, CloseReleasesTheFileAndEndsReading)
{
    const std::string name = m_files.Write("line\n"), other = m_files.Write("again\n");
    CStdioFile file(name.c_str());
    EXPECT_FALSE(DeleteFileA(name.c_str()));
    file.Close();
    EXPECT_TRUE(DeleteFileA(name.c_str()));
    // Reading fails in the system now: an error, not the end of the file.
    CString line;
    EXPECT_THROW(file.ReadString(line), CFileException);
    { CStdioFile scoped(other.c_str()); }
    EXPECT_TRUE(DeleteFileA(other.c_str()));
}
