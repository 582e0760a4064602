#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TestHelpers.h"
#include "config/Configuration.h"

namespace {

// Each test runs in a fresh current directory with an empty "ini" folder, as the client's own folder has.
class ConfigurationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int counter = 0;
        m_scratch = "config_test_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++counter);
        ASSERT_TRUE(CreateDirectoryA(m_scratch.c_str(), NULL) && SetCurrentDirectoryA(m_scratch.c_str()));
        ASSERT_TRUE(CreateDirectoryA("ini", NULL));
    }

    void TearDown() override
    {
        m_files.reset();
        RemoveDirectoryA("ini");
        SetCurrentDirectoryA("..");
        EXPECT_TRUE(RemoveDirectoryA(m_scratch.c_str())) << "files left in " << m_scratch;
    }

    void Write(const std::string& name, const std::string& bytes) { m_files->Write(name, bytes); }

    static std::string Read(const config::StringKey& key)
    {
        char buffer[config::kValueBufferSize] = "unread";
        config::ReadString(key, config::kIniFile, buffer);
        return buffer;
    }

    std::string m_scratch;
    std::unique_ptr<CScratchFiles> m_files = std::make_unique<CScratchFiles>();
};

const config::StringKey kAllKeys[] = {config::kAppUrl, config::kListUrl, config::kHelpUrl, config::kMiddleUrl,
    config::kRightUrl, config::kXmlUrl, config::kChannelNumbers};

}  // namespace

TEST_F(ConfigurationTest, MissingFilesGiveTheDefaults)
{
    EXPECT_EQ(1, config::ReadInstalledVersion(config::kIniFile));
    EXPECT_EQ(2, config::ReadRemoteVersion(config::kVersionFile));
    const std::string xmlDefault = "http://127.0.0.1:8088/SimpleRootBin/Xml/ListSimpleByChannel.xml";
    for (const config::StringKey& key : kAllKeys)
        EXPECT_EQ(key.name == std::string("XML") ? xmlDefault : "", Read(key)) << key.name;
}

TEST_F(ConfigurationTest, ReadsEachValueFromItsOwnSectionInTheCurrentDirectory)
{
    // The same key in a section of another name is not read.
    std::string ini = "[Version]\r\nVersion=12\r\n[Elsewhere]\r\nAPPURL=wrong\r\n";
    for (const config::StringKey& key : kAllKeys)
        ini += std::string("[") + key.name + "]\r\n" + key.name + "=value of " + key.name + "\r\n";
    Write("ini\\Tavro.ini", ini);
    Write("ini\\p.ini", "[Version]\r\nVersion=13\r\n");
    EXPECT_EQ(12, config::ReadInstalledVersion(config::kIniFile));
    EXPECT_EQ(13, config::ReadRemoteVersion(config::kVersionFile));
    // A version of letters reads 0.
    Write("ini\\p.ini", "[Version]\r\nVersion=v5\r\n");
    EXPECT_EQ(0, config::ReadRemoteVersion(config::kVersionFile));
    for (const config::StringKey& key : kAllKeys)
        EXPECT_EQ(std::string("value of ") + key.name, Read(key)) << key.name;
}

TEST_F(ConfigurationTest, ValuesAreCutTo99BytesAndKeptByteExact)
{
    const std::string chinese = "http://直播.example/频道|脇\\乗?名=中文";  // GBK: 脇 and 乗 end in '|' and '\\'
    Write("ini\\Tavro.ini", "[LISTURL]\r\nLISTURL=" + std::string(99, 'a') + std::string(51, 'b') + "\r\n"
        "[MIDDLEURL]\r\nMIDDLEURL=" + chinese + "\r\n");
    EXPECT_EQ(std::string(99, 'a'), Read(config::kListUrl));
    EXPECT_EQ(chinese, Read(config::kMiddleUrl));
}

TEST_F(ConfigurationTest, DeleteTempConfigRemovesOnlyTheTemporaryFile)
{
    Write("ini\\Tavro.ini", "[Version]\r\nVersion=3\r\n");
    Write("ini\\Tavrotmp.ini", "[Version]\r\nVersion=9\r\n");
    config::DeleteTempConfig();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(config::kTempIniFile));
    config::DeleteTempConfig();  // nothing left to delete is no error
    EXPECT_EQ(3, config::ReadInstalledVersion(config::kIniFile));
}
