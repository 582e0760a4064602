// The updater: its rules for version files and for the download's time, the configuration file it
// writes, then the real ZeziroD2U.exe in a real installation folder against a local server. The served
// version file was signed by the demo's signer at build time, so the update that succeeds also shows
// that signer and updater build the same signed text. UpdaterRecoveryTests.cpp cuts updates off.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "TestHelpers.h"
#include "UpdaterFixture.h"
#include "UpdaterResource.h"

namespace {

TEST(UpdaterRules, ListedPathsStayInsideTheInstallationAndOffTheUpdatersOwnFiles)
{
    // The second byte of "俓" in code page 936 is the byte of '\'.
    for (const char* path : {"TvClient.exe", "AD\\Pic1.BMP", "说明\\帮助.txt", "俓", "a\\b c\\d.e.dll", "CONSOLE.txt"})
        EXPECT_TRUE(IsInstallablePath(path)) << path;
    for (const char* path : {"", "..\\x", "a\\..\\..\\x", ".\\x", "\\x", "\\\\host\\share\\x", "C:\\x", "C:x", "a\\\\b",
                             "a\\", "a/b", "a|b", "a*", "a\tb", "x.", "x ", "CON", "nul.txt", "a\\LPT1.dll", "com9",
                             "ini\\Tavro.ini", "INI\\tavro.INI", "ZeziroD2U.exe", "update.staging",
                             "update.staging\\0.new", "update.journal", "Update.Journal"})
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
    // A signature is read whole, however long the key that made it.
    const std::string longSignature(6000, 'A');
    const CVersionFile longSigned(files.Write(head + entry + "[Signature]\r\nSha256Rsa=" + longSignature).c_str());
    EXPECT_EQ(std::string(longSigned.m_strSignature), longSignature);

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

// The numbers are the product's: a version file has a minute, and an update of 5 MB 21 minutes more.
TEST(UpdaterRules, TheDownloadHasABaseTimeAndASecondForEveryFloorsWorthOfDeclaredBytes)
{
    EXPECT_EQ(DownloadTimeLimitMs(kDownloadBudget, 0), 60000u);
    EXPECT_EQ(DownloadTimeLimitMs(kDownloadBudget, 5 * 1000 * 1000), 60000u + 1220703u);
    // The largest size a list may declare, fifteen nines, does not wrap around to a short time.
    EXPECT_EQ(DownloadTimeLimitMs(kDownloadBudget, 999999999999999ULL), 60000ULL + 244140624999999ULL);
    EXPECT_EQ(DownloadTimeLimitMs({2000, 1000}, 1500), 3500u);
}

// The profile functions read what the updater writes, and nothing else of the user's file moves.
TEST(UpdaterConfiguration, TheNewVersionChangesItsOwnValueAndKeepsEveryOtherByte)
{
    const struct {
        const char* before;
        const char* after;
    } cases[] = {
        {"[Version]\r\nVersion=1\r\n[APPURL]\r\nAPPURL=x\r\n", "[Version]\r\nVersion=7\r\n[APPURL]\r\nAPPURL=x\r\n"},
        // Comments, spacing, case, line ends and Chinese text stay as the user left them.
        {"; 用户的设置\n\n [LISTURL]\nLISTURL = 列表 \n[version]\nVERSION =  12 \t\n\n[X]\nVersion=3\n",
         "; 用户的设置\n\n [LISTURL]\nLISTURL = 列表 \n[version]\nVERSION =  7\n\n[X]\nVersion=3\n"},
        // The section without the key, the file without the section, without an end of line, empty.
        {"[Version]\r\nOther=1\r\n", "[Version]\r\nVersion=7\r\nOther=1\r\n"},
        {"[Version]", "[Version]\r\nVersion=7\r\n"},
        {"[APPURL]\r\nAPPURL=x", "[APPURL]\r\nAPPURL=x\r\n[Version]\r\nVersion=7\r\n"},
        {"", "[Version]\r\nVersion=7\r\n"},
    };
    CScratchFiles files;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        const std::string path = files.Write(c.before);
        ASSERT_TRUE(config::WriteInstalledVersion(path.c_str(), 7));
        EXPECT_EQ(ReadAll(path), c.after);
        EXPECT_EQ(config::ReadInstalledVersion(path.c_str()), 7);
        EXPECT_EQ(::GetFileAttributesA((path + ".part").c_str()), INVALID_FILE_ATTRIBUTES);
    }
    const std::string missing = files.Write("");
    ::DeleteFileA(missing.c_str());
    ASSERT_TRUE(config::WriteInstalledVersion(missing.c_str(), 7));
    EXPECT_EQ(ReadAll(missing), "[Version]\r\nVersion=7\r\n");
}

// A write that is cut off leaves the old file whole, for the new bytes go to a file of their own: the
// old one is never written to, as a second name of it shows, and when it cannot be replaced it stays.
TEST(UpdaterConfiguration, TheFileIsReplacedInOneStepAndNeverRewrittenInPlace)
{
    CScratchFiles files;
    const std::string old = "[Version]\r\nVersion=1\r\n[APPURL]\r\nAPPURL=x\r\n";
    const std::string path = files.Write(old), link = files.Write("");
    ::DeleteFileA(link.c_str());
    ASSERT_TRUE(::CreateHardLinkA(link.c_str(), path.c_str(), nullptr));
    ASSERT_TRUE(config::WriteInstalledVersion(path.c_str(), 2));
    EXPECT_EQ(ReadAll(path), "[Version]\r\nVersion=2\r\n[APPURL]\r\nAPPURL=x\r\n");
    EXPECT_EQ(ReadAll(link), old);

    // Readable, but not to be replaced while it is open.
    HANDLE hOpen = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hOpen, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(config::WriteInstalledVersion(path.c_str(), 3));
    ::CloseHandle(hOpen);
    EXPECT_EQ(config::ReadInstalledVersion(path.c_str()), 2);
    EXPECT_EQ(::GetFileAttributesA((path + ".part").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(UpdaterRun, InstallsTheSignedFilesOnceTheClientHasGoneThenTheVersionAndStartsTheClient)
{
    m_client.reset(::CreateMutexA(nullptr, FALSE, product::kSingleInstanceMutex));
    Process updater;
    ASSERT_TRUE(Start(updater));
    HWND hWindow = updater.WaitForDialog(std::string(LoadText(IDS_STEP_WAITING)));
    ASSERT_NE(hWindow, nullptr);
    EXPECT_NE(::FindWindowExA(hWindow, nullptr, PROGRESS_CLASSA, nullptr), nullptr);
    EXPECT_EQ(Snapshot(m_dir), m_old);  // nothing happens while the client runs
    m_client.reset();

    EXPECT_EQ(updater.Wait(60000), 0u);
    ExpectTheNewInstallationWithItsClientStarted();
}

// A way an update fails: what the test does to the installation or the server, the message the
// updater shows, and what that message names.
struct Failure {
    const char* name;
    UINT nIDMessage;
    std::function<std::string(UpdaterRun&)> arrange;  // gives what the message names
};

class UpdaterFailure : public UpdaterRun, public ::testing::WithParamInterface<Failure> {};

const Failure kFailures[] = {
    {"VersionFileMissing", IDS_FAIL_VERSION_FILE,
     [](UpdaterRun& run) { run.m_server.Serve("/update/p.ini", ""); return run.m_appUrl; }},
    {"KeyMissing", IDS_FAIL_KEY, [](UpdaterRun& run) {
         ::DeleteFileA(run.InstalledPath("ini\\update.pub").c_str());
         return std::string(product::kPublicKeyFile);
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
         run.m_client.reset(::CreateMutexA(nullptr, FALSE, product::kSingleInstanceMutex));
         return std::string();
     }},
};

TEST_P(UpdaterFailure, ShowsWhyLeavesTheInstallationAsItWasAndStartsNothing)
{
    const std::string name = GetParam().arrange(*this);
    const Tree before = Snapshot(m_dir);
    const DWORD start = ::GetTickCount();
    Process updater;
    ASSERT_TRUE(Start(updater));
    HWND hBox = updater.WaitForDialog(IsUpdaterBox, 60000);
    ASSERT_NE(hBox, nullptr);
    // Only a client that keeps running is waited for that long; every network wait ends sooner.
    EXPECT_LT(::GetTickCount() - start, m_client ? kClientExitTimeoutMs + 15000 : 30000u);
    EXPECT_EQ(MessageBoxText(hBox), std::string(FailureMessage({GetParam().nIDMessage, name.c_str()})));
    EXPECT_EQ(AnswerBox(hBox), 1u);
    EXPECT_EQ(Snapshot(m_dir), before);
}

INSTANTIATE_TEST_SUITE_P(Each, UpdaterFailure, ::testing::ValuesIn(kFailures),
                         [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

// The Cancel button of the real window, while the updater waits for the client and while a server
// keeps a download waiting: either way the updater ends at once, without a word, having changed and
// started nothing. From the moment the client has gone until the update has ended, the updater holds
// the client's mutex: a client started meanwhile is refused as a second copy.
TEST_F(UpdaterRun, CancelEndsTheUpdateAtOnceUndoesItAndStartsNothing)
{
    const struct {
        const char* name;
        UINT nIDStep;
        std::function<std::string(UpdaterRun&)> arrange;  // gives the step's detail
    } cases[] = {
        {"waiting", IDS_STEP_WAITING, [](UpdaterRun& run) {
             run.m_client.reset(::CreateMutexA(nullptr, FALSE, product::kSingleInstanceMutex));
             return std::string();
         }},
        // The files before it are downloaded by then.
        {"downloading", IDS_STEP_DOWNLOADING, [](UpdaterRun& run) {
             return run.ServeFile("TvClient.exe", run.Packaged("TvClient.exe"), Delivery::Silence);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Install();
        const std::string detail = c.arrange(*this);
        Process updater;
        ASSERT_TRUE(Start(updater));
        HWND hWindow = updater.WaitForDialog(std::string(LoadText(c.nIDStep, {detail.c_str()})));
        ASSERT_NE(hWindow, nullptr);
        if (!m_client)
            ExpectAClientRefusedAsASecondCopy(HostPath(TVCLIENT_EXE));
        HWND hCancel = ::GetDlgItem(hWindow, IDCANCEL);
        ASSERT_NE(hCancel, nullptr);
        EXPECT_EQ(WindowText(hCancel), "取消");
        EXPECT_TRUE(::IsWindowVisible(hCancel) && ::IsWindowEnabled(hCancel));
        ::PostMessageA(hCancel, BM_CLICK, 0, 0);
        // A message box would hold the process; the silent server would hold a read this long.
        EXPECT_EQ(updater.Wait(config::kNetworkTimeoutMs), 1u);
        EXPECT_EQ(Snapshot(m_dir), m_old);
        m_client.reset();
    }
}

// The update run in this process, with the installation as the current directory and no window; it
// is cancelled, as the button would, once it has made nCancelAfter durable steps.
class CUpdateHere : private IUpdateProgress {
public:
    explicit CUpdateHere(const std::string& dir, size_t nCancelAfter = 0) : m_nCancelAfter(nCancelAfter)
    {
        ::GetCurrentDirectoryA(MAX_PATH, m_szWasCurrent);
        ::SetCurrentDirectoryA(dir.c_str());
    }
    ~CUpdateHere() { ::SetCurrentDirectoryA(m_szWasCurrent); }

    // What the update threw; a run that goes on past the bound is cancelled, so that a test fails
    // instead of waiting for ever.
    std::string Run(const CDownloadBudget& budget, DWORD nBoundMs)
    {
        HANDLE hDone = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        std::thread watchdog([&] {
            if (::WaitForSingleObject(hDone, nBoundMs) == WAIT_TIMEOUT)
                m_stop.Cancel();
        });
        std::string outcome = "completed";
        try {
            RunUpdate(*this, m_stop, budget);
        } catch (const CUpdateFailure& failure) {
            outcome = std::string(LoadText(failure.nIDMessage, {failure.strDetail}));
        } catch (const CUpdateCancelled&) {
            outcome = "cancelled";
        }
        ::SetEvent(hDone);
        watchdog.join();
        ::CloseHandle(hDone);
        return outcome;
    }

private:
    void ShowStep(UINT, LPCSTR) override {}
    void ShowBytes(ULONGLONG, ULONGLONG) override {}
    void ShowDurableStep(size_t, size_t) override
    {
        if (++m_nSteps == m_nCancelAfter)
            m_stop.Cancel();
    }

    char m_szWasCurrent[MAX_PATH] = "";
    CUpdateStop m_stop;
    const size_t m_nCancelAfter;
    size_t m_nSteps = 0;
};

// Cancel, pressed while the files go in place, is heeded before the next step: until the new
// "Version" is written the update is undone, and once it is written the update is complete.
TEST_F(UpdaterRun, ACancelWhileInstallingUndoesTheUpdateUntilItsVersionIsWritten)
{
    for (size_t n = 1;; ++n) {
        SCOPED_TRACE("cancelled after step " + std::to_string(n));
        Install();
        const std::string outcome = CUpdateHere(m_dir, n).Run(kDownloadBudget, 60000);
        if (outcome == "completed") {
            EXPECT_EQ(Snapshot(m_dir), NewInstallation());
            EXPECT_GT(n, 1u);
            return;
        }
        EXPECT_EQ(outcome, "cancelled");
        EXPECT_EQ(Snapshot(m_dir), m_old);
        ASSERT_LT(n, 100u);
    }
}

// A server that trickles a byte now and then never falls silent for the network timeout: the whole
// download's deadline ends it, counted from the version file's request with the declared sizes.
TEST_F(UpdaterRun, ATricklingServerIsLeftAtTheDeadlineOfTheWholeDownload)
{
    ServeFile("TvClient.exe", Packaged("TvClient.exe"), Delivery::Trickle);
    ULONGLONG nDeclared = 0;
    for (const auto& [path, digest] : Snapshot(m_package))
        nDeclared += digest == kFolder ? 0 : Packaged(path).size();
    const CDownloadBudget budget{3000, 1024 * 1024};
    const ULONGLONG nLimitMs = DownloadTimeLimitMs(budget, nDeclared);
    const ULONGLONG nStart = ::GetTickCount64();
    const std::string outcome = CUpdateHere(m_dir).Run(budget, 60000);
    const ULONGLONG nElapsed = ::GetTickCount64() - nStart;
    EXPECT_EQ(outcome, std::string(LoadText(IDS_FAIL_TOO_SLOW, {std::to_string((nLimitMs + 999) / 1000).c_str()})));
    EXPECT_GE(nElapsed, nLimitMs);
    EXPECT_LT(nElapsed, nLimitMs + config::kNetworkTimeoutMs);
    EXPECT_EQ(Snapshot(m_dir), m_old);
    EXPECT_FALSE(m_server.Requests("/update/files/TvClient.exe").empty());
}

}  // namespace
