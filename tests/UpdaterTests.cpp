// The updater: its rules for version files, then the real ZeziroD2U.exe in a real installation folder
// against a local server. The served version file was signed by the demo's signer at build time, so
// the update that succeeds also shows that signer and updater build the same signed text.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "ChildProcess.h"
#include "LocalHttpServer.h"
#include "Sha256.h"
#include "TestHelpers.h"
#include "Update.h"
#include "UpdateText.h"
#include "UpdaterResource.h"
#include "VersionFile.h"
#include "app/TvClientApp.h"
#include "config/Configuration.h"

namespace {

TEST(UpdaterRules, ListedPathsStayInsideTheInstallationAndOffTheUpdatersOwnFiles)
{
    // The second byte of "俓" in code page 936 is the byte of '\'.
    for (const char* path : {"TvClient.exe", "AD\\Pic1.BMP", "说明\\帮助.txt", "俓", "a\\b c\\d.e.dll", "CONSOLE.txt"})
        EXPECT_TRUE(IsInstallablePath(path)) << path;
    for (const char* path : {"", "..\\x", "a\\..\\..\\x", ".\\x", "\\x", "\\\\host\\share\\x", "C:\\x", "C:x", "a\\\\b",
                             "a\\", "a/b", "a|b", "a*", "a\tb", "x.", "x ", "CON", "nul.txt", "a\\LPT1.dll", "com9",
                             "ini\\Tavro.ini", "INI\\tavro.INI", "ZeziroD2U.exe", "update.staging",
                             "update.staging\\0.new"})
        EXPECT_FALSE(IsInstallablePath(path)) << path;
}

TEST(UpdaterRules, AVersionFileIsReadOnlyWhenEveryPartIsWellFormed)
{
    const std::string digest = "0123456789ABCDEF0123456789abcdef0123456789abcdef0123456789abcdef",
                      lower = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
    const std::string head = "[Version]\r\nVersion=3\r\n[Files]\r\n", entry = "a.txt=5," + digest + "\r\n";
    CScratchFiles files;
    const std::string signature = "[Signature]\r\nSha256Rsa=c2ln\r\n";
    const CVersionFile read(files.Write(head + "b\\俓.dll=0012," + digest + "\r\n" + entry + signature).c_str());
    EXPECT_EQ(read.SignedText(), "Version=3\nb\\俓.dll=12," + lower + "\na.txt=5," + lower + "\n");
    EXPECT_EQ(std::string(read.m_strSignature), "c2ln");

    const auto expectRefused = [&](const std::string& text, UINT nIDMessage, const std::string& named) {
        try {
            CVersionFile{files.Write(text).c_str()};
            ADD_FAILURE() << text;
        } catch (const CUpdateFailure& failure) {
            EXPECT_EQ(failure.nIDMessage, nIDMessage) << text;
            EXPECT_EQ(std::string(failure.strDetail), named) << text;
        }
    };
    expectRefused(head, IDS_FAIL_NO_FILES, "");
    // Files that end with the part their message names.
    const std::string versionLast = "[Files]\r\n" + entry + "[Version]\r\n";
    const std::pair<std::string, std::string> refused[] = {
        {versionLast, "Version=3a"}, {versionLast, "Version="}, {head, "a.txt=5"}, {head, "a.txt=x," + digest},
        {head, "a.txt=5," + digest.substr(1)}, {head, "a.txt=5," + digest + "0"}, {head, "a.txt=5,g" + digest.substr(1)},
        {head, "..\\a.txt=5," + digest}, {head + entry, "A.TXT=6," + digest}};
    for (const auto& [text, named] : refused)
        expectRefused(text + named, IDS_FAIL_LIST, named);
}

// The demo server answers the same addresses (demo/test_update_package.py).
TEST(UpdaterRules, ListedFilesLieUnderFilesBesideTheVersionFile)
{
    EXPECT_EQ(std::string(FileUrl("http://h:8/update/p.ini", "TvClient.exe")), "http://h:8/update/files/TvClient.exe");
    EXPECT_EQ(std::string(FileUrl("http://h/u/p.ini?v=2#top", "Docs\\更新说明.txt")),
              "http://h/u/files/Docs/%E6%9B%B4%E6%96%B0%E8%AF%B4%E6%98%8E.txt");
    EXPECT_EQ(std::string(FileUrl("http://h/p.ini", "a b+c~d")), "http://h/files/a%20b%2Bc~d");
}

std::string ReadAll(const std::string& path)
{
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every file and folder below the folder, by its path below it, files before the folder that holds them.
void Walk(const std::string& dir, const std::function<void(const std::string& path, bool bFolder)>& visit,
          const std::string& below = "")
{
    WIN32_FIND_DATAA found;
    HANDLE hFind = ::FindFirstFileA((dir + "\\" + below + "*").c_str(), &found);
    for (BOOL bMore = hFind != INVALID_HANDLE_VALUE; bMore; bMore = ::FindNextFileA(hFind, &found)) {
        const std::string name = found.cFileName, path = below + name;
        if (name == "." || name == "..")
            continue;
        const bool bFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (bFolder)
            Walk(dir, visit, path + "\\");
        visit(path, bFolder);
    }
    if (hFind != INVALID_HANDLE_VALUE)
        ::FindClose(hFind);
}

// Each file's SHA-256 by its path, and each folder, of a whole tree.
using Tree = std::map<std::string, std::string>;

Tree Snapshot(const std::string& dir)
{
    Tree tree;
    Walk(dir, [&](const std::string& path, bool bFolder) {
        const std::string bytes = bFolder ? "" : ReadAll(dir + "\\" + path);
        CSha256 digest;
        digest.Add(bytes.data(), static_cast<DWORD>(bytes.size()));
        tree[path] = bFolder ? "folder" : std::string(digest.Hex());
    });
    return tree;
}

void RemoveTree(const std::string& dir)
{
    Walk(dir, [&](const std::string& path, bool bFolder) {
        const std::string full = dir + "\\" + path;
        ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        bFolder ? ::RemoveDirectoryA(full.c_str()) : ::DeleteFileA(full.c_str());
    });
    ::RemoveDirectoryA(dir.c_str());
}

// A fresh folder in the test's own directory.
std::string InstallationFolder()
{
    char current[MAX_PATH] = "";
    ::GetCurrentDirectoryA(MAX_PATH, current);
    return std::string(current) + "\\install";
}

// An installation of version 1 whose "APPURL" is a local server's version file, signed for version 2.
class UpdaterRun : public ::testing::Test {
public:
    void SetUp() override
    {
        RemoveTree(m_dir);
        ::CreateDirectoryA(m_dir.c_str(), nullptr);
        ::CreateDirectoryA(InstalledPath("ini").c_str(), nullptr);
        // The stand-in runs too, as the installed client; a few bytes make it another version.
        WriteAll(InstalledPath("TvClient.exe"), Packaged("TvClient.exe") + "version 1");
        WriteAll(InstalledPath("Channel.txt"), "101;102");
        WriteAll(InstalledPath("ini\\Tavro.ini"),
                 "[Version]\r\nVersion=1\r\n[APPURL]\r\nAPPURL=" + m_appUrl + "\r\n[LISTURL]\r\nLISTURL=kept\r\n");
        ::CopyFileA(HostPath(UPDATE_KEYS "/update.pub").c_str(), InstalledPath("ini\\update.pub").c_str(), FALSE);
        ::CopyFileA(HostPath(UPDATER_EXE).c_str(), InstalledPath(config::kUpdater).c_str(), FALSE);
        m_versionFile = ReadAll(HostPath(UPDATE_FIXTURE "/p.ini"));
        m_server.Serve("/update/p.ini", m_versionFile);
        for (const auto& [path, digest] : Snapshot(m_package)) {
            if (digest != "folder")
                ServeFile(path, Packaged(path));
        }
    }
    std::string InstalledPath(const std::string& path) const { return m_dir + "\\" + path; }
    std::string Packaged(const std::string& path) const { return ReadAll(m_package + "\\" + path); }
    // Serves the bytes as the listed file; gives its path.
    std::string ServeFile(const std::string& path, const std::string& bytes,
                          CLocalHttpServer::Delivery delivery = CLocalHttpServer::Delivery::Whole)
    {
        const std::string url(FileUrl(m_appUrl.c_str(), path.c_str()));
        m_server.Serve(url.substr(m_server.Origin().size()), bytes, delivery);
        return path;
    }
    // Serves the version file with a part replaced; gives nothing to name.
    std::string EditVersionFile(const std::string& from, const std::string& to)
    {
        m_versionFile.replace(m_versionFile.find(from), from.size(), to);
        m_server.Serve("/update/p.ini", m_versionFile);
        return "";
    }
    // As the client starts it.
    bool Start(Process& updater) const { return updater.Start(InstalledPath(config::kUpdater), m_dir.c_str()); }

    CLocalHttpServer m_server;
    const std::string m_appUrl = m_server.Origin() + "/update/p.ini";
    const std::string m_dir = InstallationFolder();
    const std::string m_package = HostPath(UPDATE_FIXTURE "/files");
    std::string m_versionFile;
    // The client's mutex, while the test holds it.
    std::unique_ptr<void, decltype(&::CloseHandle)> m_client{nullptr, &::CloseHandle};
};

TEST_F(UpdaterRun, InstallsTheSignedFilesOnceTheClientHasGoneThenTheVersionAndStartsTheClient)
{
    m_client.reset(::CreateMutexA(nullptr, FALSE, CTvClientApp::kSingleInstanceMutex));
    const Tree before = Snapshot(m_dir);
    Process updater;
    ASSERT_TRUE(Start(updater));
    HWND hWindow = updater.WaitForDialog(std::string(LoadText(IDS_STEP_WAITING)));
    ASSERT_NE(hWindow, nullptr);
    EXPECT_NE(::FindWindowExA(hWindow, nullptr, PROGRESS_CLASSA, nullptr), nullptr);
    EXPECT_EQ(Snapshot(m_dir), before);  // nothing happens while the client runs
    m_client.reset();

    EXPECT_EQ(updater.Wait(60000), 0u);
    const std::string started = InstalledPath("started.txt");
    ASSERT_TRUE(PumpUntil([&] { return ::GetFileAttributesA(started.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000));
    const std::string ini = InstalledPath("ini\\Tavro.ini");
    EXPECT_EQ(config::ReadInstalledVersion(ini.c_str()), 2);
    char listUrl[config::kValueBufferSize];
    config::ReadString(config::kListUrl, ini.c_str(), listUrl);
    EXPECT_STREQ(listUrl, "kept");
    // The package's files and nothing else: no staging folder, no backups.
    Tree expected = before;
    for (const auto& [path, digest] : Snapshot(m_package))
        expected[path] = digest;
    const Tree after = Snapshot(m_dir);
    for (const char* changed : {"ini\\Tavro.ini", "started.txt"})
        expected[changed] = after.at(changed);
    EXPECT_EQ(after, expected);
}

// A way an update fails: what the test does to the installation or the server, the message the
// updater shows, and what that message names.
struct Failure {
    const char* name;
    UINT nIDMessage;
    std::function<std::string(UpdaterRun&)> arrange;  // gives what the message names
};

class UpdaterFailure : public UpdaterRun, public ::testing::WithParamInterface<Failure> {};

using Delivery = CLocalHttpServer::Delivery;

const Failure kFailures[] = {
    {"VersionFileMissing", IDS_FAIL_VERSION_FILE,
     [](UpdaterRun& run) { run.m_server.Serve("/update/p.ini", ""); return run.m_appUrl; }},
    {"KeyMissing", IDS_FAIL_KEY, [](UpdaterRun& run) {
         ::DeleteFileA(run.InstalledPath("ini\\update.pub").c_str());
         return std::string(kPublicKeyFile);
     }},
    {"SignatureMissing", IDS_FAIL_SIGNATURE, [](UpdaterRun& run) {
         return run.EditVersionFile(run.m_versionFile.substr(run.m_versionFile.find("[Signature]")), "");
     }},
    {"SignatureOfAnotherList", IDS_FAIL_SIGNATURE,
     [](UpdaterRun& run) { return run.EditVersionFile("Version=2", "Version=3"); }},
    {"SignatureDamaged", IDS_FAIL_SIGNATURE, [](UpdaterRun& run) {
         const std::string start = run.m_versionFile.substr(run.m_versionFile.find("Sha256Rsa="), 16);
         return run.EditVersionFile(start, start.substr(0, 15) + (start.back() == 'A' ? "B" : "A"));
     }},
    {"PathOutsideTheFolder", IDS_FAIL_LIST, [](UpdaterRun& run) {
         const std::string entry = "..\\outside.txt=1," + std::string(64, '0');
         run.EditVersionFile("[Files]\r\n", "[Files]\r\n" + entry + "\r\n");
         return entry;
     }},
    {"NotNewerThanInstalled", IDS_FAIL_NOT_NEWER, [](UpdaterRun& run) {
         config::WriteInstalledVersion(run.InstalledPath("ini\\Tavro.ini").c_str(), 2);
         return std::string("2");
     }},
    {"DigestMismatch", IDS_FAIL_CORRUPT,
     [](UpdaterRun& run) { return run.ServeFile("Channel.txt", "#" + run.Packaged("Channel.txt").substr(1)); }},
    {"SizeMismatch", IDS_FAIL_CORRUPT,
     [](UpdaterRun& run) { return run.ServeFile("Channel.txt", run.Packaged("Channel.txt") + ";"); }},
    {"DownloadCutShort", IDS_FAIL_DOWNLOAD, [](UpdaterRun& run) {
         return run.ServeFile("TvClient.exe", run.Packaged("TvClient.exe"), Delivery::HalfThenClose);
     }},
    {"ServerFallsSilent", IDS_FAIL_DOWNLOAD, [](UpdaterRun& run) {
         return run.ServeFile("TvClient.exe", run.Packaged("TvClient.exe"), Delivery::HalfThenSilence);
     }},
    // Channel.txt and Docs\ are in place by then, and must go back.
    {"ReadOnlyTarget", IDS_FAIL_REPLACE, [](UpdaterRun& run) {
         ::SetFileAttributesA(run.InstalledPath("TvClient.exe").c_str(), FILE_ATTRIBUTE_READONLY);
         return std::string("TvClient.exe");
     }},
    {"ClientKeepsRunning", IDS_FAIL_CLIENT_RUNNING, [](UpdaterRun& run) {
         run.m_client.reset(::CreateMutexA(nullptr, FALSE, CTvClientApp::kSingleInstanceMutex));
         return std::string();
     }},
};

// The box's text: its one static child with text (the icon's has none).
std::string MessageBoxText(HWND hBox)
{
    for (HWND h = nullptr; (h = ::FindWindowExA(hBox, h, "Static", nullptr)) != nullptr;) {
        if (!WindowText(h).empty())
            return WindowText(h);
    }
    return "";
}

TEST_P(UpdaterFailure, ShowsWhyLeavesTheInstallationAsItWasAndStartsNothing)
{
    const std::string name = GetParam().arrange(*this);
    const Tree before = Snapshot(m_dir);
    const DWORD start = ::GetTickCount();
    Process updater;
    ASSERT_TRUE(Start(updater));
    // The message box is captioned with the program's name, as AfxMessageBox does.
    HWND hBox = updater.WaitForDialog([](HWND h) { return WindowText(h) == "ZeziroD2U"; }, 60000);
    ASSERT_NE(hBox, nullptr);
    // Only a client that keeps running is waited for that long; every network wait ends sooner.
    EXPECT_LT(::GetTickCount() - start, m_client ? kClientExitTimeoutMs + 15000 : 30000u);
    EXPECT_EQ(MessageBoxText(hBox), std::string(FailureMessage({GetParam().nIDMessage, name.c_str()})));
    ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(updater.Wait(30000), 1u);
    EXPECT_EQ(Snapshot(m_dir), before);
}

INSTANTIATE_TEST_SUITE_P(Each, UpdaterFailure, ::testing::ValuesIn(kFailures),
                         [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

}  // namespace
