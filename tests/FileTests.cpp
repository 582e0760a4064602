#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "AfxFile.h"

namespace {

// A file of the given bytes in the current directory, removed again at the end of the test.
class TempFile {
public:
    explicit TempFile(const std::string& bytes)
    {
        static int counter = 0;
        m_name = "file_test_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter) + ".txt";
        std::ofstream(m_name, std::ios::binary) << bytes;
    }
    ~TempFile() { DeleteFileA(m_name.c_str()); }
    const char* Name() const { return m_name.c_str(); }

private:
    std::string m_name;
};

std::vector<std::string> ReadLines(const char* fileName)
{
    CStdioFile file(fileName, CFile::modeRead | CFile::typeText);
    std::vector<std::string> lines;
    CString line("stale");
    while (file.ReadString(line))
        lines.emplace_back(line, line.GetLength());
    EXPECT_TRUE(line.IsEmpty());
    EXPECT_FALSE(file.ReadString(line));
    return lines;
}

using Lines = std::vector<std::string>;

}  // namespace

TEST(StdioFileTest, ReadsLinesWithoutTheirBreaks)
{
    struct Case {
        const char* name;
        std::string bytes;
        Lines lines;
    } cases[] = {
        {"CR LF", "one\r\ntwo\r\n", {"one", "two"}},
        {"LF", "one\ntwo\n", {"one", "two"}},
        {"mixed, last line open", "one\r\ntwo\nthree", {"one", "two", "three"}},
        {"empty file", "", {}},
        {"one line break", "\n", {""}},
        {"blank lines", "\n\r\n\nx\n\n", {"", "", "", "x", ""}},
        {"lone CR stays", "a\rb\r\nc\r\r\nd\r", {"a\rb", "c\r", "d\r"}},
        {"only CR", "\r", {"\r"}},
        {"zero bytes and GBK", std::string("中\0文|脇\\乗\r\n", 13), {std::string("中\0文|脇\\乗", 11)}},
        {"byte-order mark kept", "\xef\xbb\xbfhttp://a;\n", {"\xef\xbb\xbfhttp://a;"}},
        {"end-of-file character is text", "a\x1a\nb", {"a\x1a", "b"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFile file(c.bytes);
        EXPECT_EQ(c.lines, ReadLines(file.Name()));
    }
}

TEST(StdioFileTest, ReadsVeryLongLinesWhole)
{
    std::string huge(5 * 1024 * 1024, '\0');
    for (size_t i = 0; i < huge.size(); ++i)
        huge[i] = static_cast<char>('a' + i % 26);
    std::string bytes = huge + "\r\nshort\n" + huge;
    TempFile file(bytes);
    Lines lines = ReadLines(file.Name());
    ASSERT_EQ(3u, lines.size());
    EXPECT_TRUE(lines[0] == huge);
    EXPECT_EQ("short", lines[1]);
    EXPECT_TRUE(lines[2] == huge);

    // Lines whose CR LF straddles the usual read sizes.
    for (size_t length : {4095, 4096, 65534, 65535, 65536, 65537, 131071}) {
        SCOPED_TRACE(length);
        std::string line(length, 'x');
        TempFile straddling(line + "\r\ny\r\n");
        EXPECT_EQ((Lines{line, "y"}), ReadLines(straddling.Name()));
    }
}

TEST(StdioFileTest, OpenFailuresTellTheCause)
{
    CreateDirectoryA("file_test_dir", NULL);
    struct Case {
        const char* fileName;
        int cause;
        LONG osError;
    } cases[] = {
        {"file_test_missing.txt", CFileException::fileNotFound, ERROR_FILE_NOT_FOUND},
        {".\\file_test_no_such_dir\\Channel.txt", CFileException::badPath, ERROR_PATH_NOT_FOUND},
        {"file|test.txt", CFileException::badPath, ERROR_INVALID_NAME},
        {"file_test_dir", CFileException::accessDenied, ERROR_ACCESS_DENIED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileName);
        CStdioFile file;
        CFileException error;
        EXPECT_FALSE(file.Open(c.fileName, CFile::modeRead | CFile::typeText, &error));
        EXPECT_EQ(c.cause, error.m_cause);
        EXPECT_EQ(c.osError, error.m_lOsError);
        EXPECT_EQ(error.m_strFileName, c.fileName);
        EXPECT_FALSE(file.Open(c.fileName, CFile::modeRead | CFile::typeText));

        bool thrown = false;
        try {
            CStdioFile opened(c.fileName, CFile::modeRead | CFile::typeText);
        } catch (const CFileException& e) {
            thrown = true;
            EXPECT_EQ(c.cause, e.m_cause);
            EXPECT_EQ(c.osError, e.m_lOsError);
            char text[512];
            ASSERT_TRUE(e.GetErrorMessage(text, sizeof(text)));
            // "<file name>: <the system's words>"
            std::string message(text);
            std::string prefix = std::string(c.fileName) + ": ";
            EXPECT_EQ(prefix, message.substr(0, prefix.size()));
            EXPECT_GT(message.size(), prefix.size());
        }
        EXPECT_TRUE(thrown);
    }
    RemoveDirectoryA("file_test_dir");
}

TEST(StdioFileTest, SharingAndClosing)
{
    TempFile temp("line\n");
    // Someone holding the file without sharing it.
    HANDLE exclusive = CreateFileA(temp.Name(), GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, exclusive);
    CStdioFile file;
    CFileException error;
    EXPECT_FALSE(file.Open(temp.Name(), CFile::modeRead | CFile::typeText, &error));
    EXPECT_EQ(CFileException::sharingViolation, error.m_cause);
    EXPECT_EQ(ERROR_SHARING_VIOLATION, error.m_lOsError);
    CloseHandle(exclusive);

    // While the file is open it cannot be deleted; Close and the destructor let it go.
    ASSERT_TRUE(file.Open(temp.Name(), CFile::modeRead | CFile::typeText));
    EXPECT_FALSE(DeleteFileA(temp.Name()));
    CString line;
    EXPECT_TRUE(file.ReadString(line));
    EXPECT_EQ(line, "line");
    file.Close();
    EXPECT_TRUE(DeleteFileA(temp.Name()));

    TempFile other("again\n");
    {
        CStdioFile scoped(other.Name(), CFile::modeRead | CFile::typeText);
        EXPECT_FALSE(DeleteFileA(other.Name()));
    }
    EXPECT_TRUE(DeleteFileA(other.Name()));
}

TEST(StdioFileTest, ReadErrorThrows)
{
    // Reading a file that was never opened fails in the system and is reported, not taken for the end.
    CStdioFile file;
    CString line("x");
    bool thrown = false;
    try {
        file.ReadString(line);
    } catch (const CFileException& e) {
        thrown = true;
        EXPECT_EQ(CFileException::genericException, e.m_cause);
        EXPECT_EQ(ERROR_INVALID_HANDLE, e.m_lOsError);
    }
    EXPECT_TRUE(thrown);

    // An error code the system has no words for still gives a message.
    try {
        AfxThrowFileException(CFileException::genericException, 0x2000ABCD, "Channel.txt");
    } catch (const CException& e) {
        char text[100];
        ASSERT_TRUE(e.GetErrorMessage(text, sizeof(text)));
        EXPECT_STREQ("Channel.txt: error 536914893", text);
    }
}
