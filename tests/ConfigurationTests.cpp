#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "config/Configuration.h"

namespace {

// Each test runs in a fresh current directory holding an empty "ini" folder, as the client's
// own folder would; everything is removed afterwards.
class ConfigurationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int counter = 0;
        char previous[MAX_PATH];
        ASSERT_NE(0u, GetCurrentDirectoryA(MAX_PATH, previous));
        m_previous = previous;
        m_scratch = m_previous + "\\config_test_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
        ASSERT_TRUE(CreateDirectoryA(m_scratch.c_str(), NULL));
        ASSERT_TRUE(SetCurrentDirectoryA(m_scratch.c_str()));
        ASSERT_TRUE(CreateDirectoryA("ini", NULL));
    }

    void TearDown() override
    {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA("ini\\*.ini", &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                DeleteFileA((std::string("ini\\") + found.cFileName).c_str());
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA("ini");
        SetCurrentDirectoryA(m_previous.c_str());
        EXPECT_TRUE(RemoveDirectoryA(m_scratch.c_str())) << "files left in " << m_scratch;
    }

    static void Write(const char* fileName, const std::string& bytes)
    {
        std::ofstream(fileName, std::ios::binary) << bytes;
    }

    static std::string Read(const config::StringKey& key, const char* fileName)
    {
        char buffer[config::kValueBufferSize];
        memset(buffer, 'x', sizeof(buffer));
        config::ReadString(key, fileName, buffer);
        return buffer;
    }

    static bool Exists(const char* fileName) { return GetFileAttributesA(fileName) != INVALID_FILE_ATTRIBUTES; }

    std::string m_previous;
    std::string m_scratch;
};

const config::StringKey kAllKeys[] = {config::kAppUrl, config::kListUrl, config::kHelpUrl, config::kMiddleUrl,
    config::kRightUrl, config::kXmlUrl, config::kChannelNumbers};

}  // namespace

TEST_F(ConfigurationTest, MissingFilesGiveTheDefaults)
{
    EXPECT_EQ(1, config::ReadInstalledVersion(config::kIniFile));
    EXPECT_EQ(2, config::ReadRemoteVersion(config::kVersionFile));
    for (const config::StringKey& key : kAllKeys) {
        SCOPED_TRACE(key.name);
        std::string expected = key.name == std::string("XML") ? "http://127.0.0.1:8088/SimpleRootBin/Xml/ListSimpleByChannel.xml" : "";
        EXPECT_EQ(expected, Read(key, config::kIniFile));
    }
    // A file without the sections gives the defaults too.
    Write("ini\\Tavro.ini", "[Other]\r\nVersion=5\r\nXML=http://other/\r\n");
    EXPECT_EQ(1, config::ReadInstalledVersion(config::kIniFile));
    EXPECT_EQ("http://127.0.0.1:8088/SimpleRootBin/Xml/ListSimpleByChannel.xml", Read(config::kXmlUrl, config::kIniFile));
}

TEST_F(ConfigurationTest, ReadsEveryValueFromItsOwnSection)
{
    std::string ini = "[Version]\r\nVersion=12\r\n";
    for (const config::StringKey& key : kAllKeys)
        ini += std::string("[") + key.name + "]\r\n" + key.name + "=value of " + key.name + "\r\n";
    // The same key in a section of another name is not read.
    ini += "[Elsewhere]\r\nAPPURL=wrong\r\n";
    // Found in the current directory: the profile functions would look for a bare name in the Windows folder.
    Write("ini\\Tavro.ini", ini);
    Write("ini\\p.ini", "[Version]\r\nVersion=13\r\n");

    EXPECT_EQ(12, config::ReadInstalledVersion(config::kIniFile));
    EXPECT_EQ(13, config::ReadRemoteVersion(config::kVersionFile));
    for (const config::StringKey& key : kAllKeys) {
        SCOPED_TRACE(key.name);
        EXPECT_EQ(std::string("value of ") + key.name, Read(key, config::kIniFile));
    }
}

TEST_F(ConfigurationTest, ValuesAreCutTo99Bytes)
{
    std::string longValue;
    for (int i = 0; i < 150; ++i)
        longValue += static_cast<char>('0' + i % 10);
    Write("ini\\Tavro.ini", "[LISTURL]\r\nLISTURL=" + longValue + "\r\n[HELPURL]\r\nHELPURL=" + longValue.substr(0, 99) + "\r\n");
    EXPECT_EQ(longValue.substr(0, 99), Read(config::kListUrl, config::kIniFile));
    EXPECT_EQ(longValue.substr(0, 99), Read(config::kHelpUrl, config::kIniFile));
}

TEST_F(ConfigurationTest, VersionsThatAreNoNumbers)
{
    // Letters read as 0; an empty value counts as missing.
    struct Case {
        const char* value;
        int installed;
        int remote;
    } cases[] = {{"abc", 0, 0}, {"v5", 0, 0}, {"3a", 3, 3}, {" 4 ", 4, 4}, {"-1", -1, -1}, {"", 1, 2}};
    int index = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        // A file of its own for each case: the system may keep a profile it read within the same clock tick.
        std::string fileName = ".\\ini\\version" + std::to_string(index++) + ".ini";
        Write(fileName.c_str(), std::string("[Version]\r\nVersion=") + c.value + "\r\n");
        EXPECT_EQ(c.installed, config::ReadInstalledVersion(fileName.c_str()));
        EXPECT_EQ(c.remote, config::ReadRemoteVersion(fileName.c_str()));
    }
}

TEST_F(ConfigurationTest, ChineseValuesAreByteExact)
{
    // Written as GBK bytes, as the service's files are; 脇 and 乗 end in '|' and '\\'.
    const std::string value = "http://直播.example/频道|脇\\乗?名=中文";
    Write("ini\\Tavro.ini", "[MIDDLEURL]\r\nMIDDLEURL=" + value + "\r\n[RIGHTURL]\r\nRIGHTURL=右边\r\n");
    EXPECT_EQ(value, Read(config::kMiddleUrl, config::kIniFile));
    EXPECT_EQ("右边", Read(config::kRightUrl, config::kIniFile));
}

TEST_F(ConfigurationTest, DeleteTempConfigRemovesOnlyTheTemporaryFile)
{
    Write("ini\\Tavro.ini", "[Version]\r\nVersion=3\r\n");
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {{"profile", "[Version]\r\nVersion=9\r\n"}, {"empty", ""}, {"binary", std::string("\0\xff\r\n\x1a", 5)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Write("ini\\Tavrotmp.ini", c.bytes);
        ASSERT_TRUE(Exists(config::kTempIniFile));
        config::DeleteTempConfig();
        EXPECT_FALSE(Exists(config::kTempIniFile));
    }
    // Nothing to delete is no error.
    config::DeleteTempConfig();
    EXPECT_FALSE(Exists(config::kTempIniFile));
    EXPECT_EQ(3, config::ReadInstalledVersion(config::kIniFile));
}
