// Updates cut off at every step, by the tests' build of the updater, which ends itself as a kill would
// once it has made the number of durable steps its variable names. The next start, of the real updater
// or of the real client, finds the installation byte for byte the old one or the new one.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "Journal.h"
#include "UpdaterFixture.h"
#include "UpdaterResource.h"

namespace {

class UpdaterRecovery : public UpdaterRun {
protected:
    // The real client, whose main window hosts the player: the installed TvClient.exe of either version
    // is the stand-in. It runs from a folder of its own, which holds no updater, so that the updater it
    // starts is the installation's.
    static void SetUpTestSuite()
    {
        Process regsvr32;
        ASSERT_TRUE(regsvr32.Start("regsvr32.exe /s \"" + HostPath(PLAYER_DLL) + "\""));
        ASSERT_EQ(regsvr32.Wait(60000), 0u);
        ::CreateDirectoryA(ClientFolder().c_str(), nullptr);
        ASSERT_TRUE(::CopyFileA(HostPath(TVCLIENT_EXE).c_str(), Client().c_str(), FALSE));
    }
    static std::string ClientFolder() { return CurrentFolder() + "\\client"; }
    static std::string Client() { return ClientFolder() + "\\TvClient.exe"; }

    // Runs the tests' build of the updater until it has made n durable steps: true when it was cut
    // off there, false when the update had fewer and it ended by itself.
    bool CutOffAfter(size_t n)
    {
        ::SetEnvironmentVariableA(UPDATER_CUT_OFF_VARIABLE, std::to_string(n).c_str());
        Process updater;
        const bool bStarted = updater.Start(HostPath(CUT_OFF_UPDATER_EXE), m_dir.c_str());
        ::SetEnvironmentVariableA(UPDATER_CUT_OFF_VARIABLE, nullptr);
        EXPECT_TRUE(bStarted);
        const DWORD nCode = updater.Wait(60000);
        EXPECT_TRUE(nCode == UPDATER_CUT_OFF_EXIT_CODE || nCode == 0) << nCode;
        return nCode == UPDATER_CUT_OFF_EXIT_CODE;
    }
    // A fresh installation whose update was cut off after n steps.
    void InstallCutOffAfter(size_t n)
    {
        Install();
        ASSERT_TRUE(CutOffAfter(n));
    }
    // The first step after which the installation holds the file's new bytes; 0 when none does.
    size_t StepThatInstalls(const std::string& path)
    {
        for (size_t n = 1;; ++n) {
            Install();
            if (!CutOffAfter(n))
                return 0;
            if (Snapshot(m_dir)[path] == NewInstallation().at(path))
                return n;
        }
    }
    // At every moment of an update each installed file is whole, its old bytes or its new ones, and
    // none that both versions have is missing: no start finds the installation without its client.
    void ExpectEveryFileOldOrNew() const
    {
        const Tree now = Snapshot(m_dir), fresh = NewInstallation();
        const auto in = [](const Tree& tree, const std::string& path) {
            const auto found = tree.find(path);
            return found == tree.end() ? std::string("missing") : found->second;
        };
        for (const Tree* pTree : {&m_old, &fresh}) {
            for (const auto& entry : *pTree) {
                const std::string is = in(now, entry.first);
                EXPECT_TRUE(is == in(m_old, entry.first) || is == in(fresh, entry.first)) << entry.first;
            }
        }
    }
    int InstalledVersion() const { return config::ReadInstalledVersion(InstalledPath("ini\\Tavro.ini").c_str()); }

    // The real updater as the client starts it: it finishes the update, or undoes it and makes it
    // again, and starts the new client. Only an update that was complete but for its tidying, and
    // has no journal left, is not made again: the installation is as new as the server's version.
    void ExpectTheUpdaterToEndWithTheNewInstallation()
    {
        const bool bComplete = InstalledVersion() == 2 && !Exists(product::kJournalFile);
        Process updater;
        ASSERT_TRUE(Start(updater));
        if (!bComplete) {
            EXPECT_EQ(updater.Wait(60000), 0u);
            ExpectTheNewInstallationWithItsClientStarted();
            return;
        }
        HWND hBox = updater.WaitForDialog(IsUpdaterBox, 60000);
        ASSERT_NE(hBox, nullptr);
        EXPECT_EQ(MessageBoxText(hBox), std::string(FailureMessage({IDS_FAIL_NOT_NEWER, "2"})));
        EXPECT_EQ(AnswerBox(hBox), 1u);
        EXPECT_EQ(Snapshot(m_dir), NewInstallation());
    }
    // The installation as the real client's start leaves it, once it asks for the version file: the
    // server keeps it waiting there. Without the client's own copy of the version file, which is
    // there only while it checks.
    Tree AsTheClientsStartLeavesIt()
    {
        m_server.Serve("/update/p.ini", m_versionFile, Delivery::Silence);
        const size_t nAsked = m_server.Requests("/update/p.ini").size();
        Process client;
        EXPECT_TRUE(client.Start(Client(), m_dir.c_str()));
        EXPECT_TRUE(PumpUntil([&] { return m_server.Requests("/update/p.ini").size() > nAsked; }, 60000));
        Tree tree = Snapshot(m_dir);
        tree.erase("ini\\p.ini");
        // Ended, and waited for until it has let go of its files.
        ::TerminateProcess(client.info.hProcess, 1);
        client.Wait(30000);
        m_server.Serve("/update/p.ini", m_versionFile);
        return tree;
    }
};

// Whichever starts next, the updater finishes or undoes every cut-off, and the client undoes it
// unless the new "Version", the update's last change, was written: then the new one is complete.
TEST_F(UpdaterRecovery, EveryCutOffIsFinishedOrUndoneByTheNextStartOfTheUpdaterOrOfTheClient)
{
    const struct { const char* next; std::function<void()> expect; } starts[] = {
        {"the updater", [&] { ExpectTheUpdaterToEndWithTheNewInstallation(); }},
        {"the client", [&] {
             const Tree expected = InstalledVersion() == 2 ? NewInstallation() : m_old;
             EXPECT_EQ(AsTheClientsStartLeavesIt(), expected);
         }},
    };
    // Cut-offs with a journal to undo, and with one to finish.
    bool bUndone = false, bFinished = false;
    for (size_t n = 0;; ++n) {
        for (const auto& start : starts) {
            SCOPED_TRACE("cut off after step " + std::to_string(n) + ", then " + start.next);
            Install();
            if (!CutOffAfter(n)) {
                ExpectTheNewInstallationWithItsClientStarted();
                EXPECT_TRUE(bUndone && bFinished);
                return;
            }
            ExpectEveryFileOldOrNew();
            const bool bJournal = Exists(product::kJournalFile);
            bUndone = bUndone || (bJournal && InstalledVersion() == 1);
            bFinished = bFinished || (bJournal && InstalledVersion() == 2);
            start.expect();
        }
    }
}

// The recovery itself cut off at each of its steps, and the update it goes on with at each of its own.
TEST_F(UpdaterRecovery, ARecoveryCutOffInItsTurnIsTakenUpAgain)
{
    // The most to undo: every file in place, the version not yet written.
    const size_t nComplete = StepThatInstalls("ini\\Tavro.ini");
    ASSERT_GT(nComplete, 1u);
    for (size_t m = 1;; ++m) {
        SCOPED_TRACE("recovery cut off after step " + std::to_string(m));
        InstallCutOffAfter(nComplete - 1);
        if (!CutOffAfter(m)) {
            ExpectTheNewInstallationWithItsClientStarted();
            return;
        }
        ExpectTheUpdaterToEndWithTheNewInstallation();
    }
}

// What keeps a cut-off update from being undone, set after the cut-off; it goes with what put gives.
struct Obstacle {
    const char* name;
    UINT nIDMessage;
    const char* named;
    std::function<std::shared_ptr<void>(UpdaterRun&)> put;
};

const Obstacle kObstacles[] = {
    {"ReplacedFileInUse", IDS_FAIL_ROLLBACK, "Channel.txt", [](UpdaterRun& run) {
         return std::shared_ptr<void>(::CreateFileA(run.InstalledPath("Channel.txt").c_str(), GENERIC_READ, 0, nullptr,
                                                    OPEN_EXISTING, 0, nullptr),
                                      [](HANDLE hFile) { ::CloseHandle(hFile); });
     }},
    {"JournalDamaged", IDS_FAIL_JOURNAL, product::kJournalFile, [](UpdaterRun& run) {
         const std::string journal = run.InstalledPath(product::kJournalFile), bytes = ReadAll(journal);
         WriteAll(journal, bytes.substr(0, bytes.size() - 3));
         return std::shared_ptr<void>(nullptr, [journal, bytes](void*) { WriteAll(journal, bytes); });
     }},
};

class UpdaterRecoveryFailure : public UpdaterRecovery, public ::testing::WithParamInterface<Obstacle> {};

// Whether the updater is started next or the client, which hands over to the updater, the updater
// says what could not be undone, keeps the journal and the backups, and starts nothing; once the
// obstacle has gone, the next start of the client brings the old installation back.
TEST_P(UpdaterRecoveryFailure, SaysWhatWasNotUndoneKeepsTheBackupsAndTheNextStartUndoesIt)
{
    const size_t nStep = StepThatInstalls("Channel.txt");
    ASSERT_GT(nStep, 0u);
    for (const bool bClientFirst : {false, true}) {
        SCOPED_TRACE(bClientFirst ? "client started" : "updater started");
        InstallCutOffAfter(nStep);
        std::shared_ptr<void> obstacle = GetParam().put(*this);
        Process first;
        ASSERT_TRUE(bClientFirst ? first.Start(Client(), m_dir.c_str()) : Start(first));
        // The updater's box, whichever process shows it.
        HWND hBox = WaitForVisibleDialog(IsUpdaterBox, 60000);
        ASSERT_NE(hBox, nullptr);
        EXPECT_EQ(MessageBoxText(hBox), std::string(FailureMessage({GetParam().nIDMessage, GetParam().named})));
        EXPECT_EQ(AnswerBox(hBox), 1u);
        EXPECT_EQ(first.Wait(30000), 1u);
        const Tree kept = Snapshot(m_dir);
        EXPECT_EQ(kept.count(InInstallation(product::kJournalFile)), 1u);
        EXPECT_EQ(kept.at(InInstallation(BackupName(0))), m_old.at("Channel.txt"));
        EXPECT_EQ(kept.count("started.txt"), 0u);

        obstacle.reset();
        EXPECT_EQ(AsTheClientsStartLeavesIt(), m_old);
    }
}

INSTANTIATE_TEST_SUITE_P(Each, UpdaterRecoveryFailure, ::testing::ValuesIn(kObstacles),
                         [](const ::testing::TestParamInfo<Obstacle>& info) { return std::string(info.param.name); });

// A client that finds the client's mutex held, as an updater at work holds it, touches nothing of
// the update; the next one that holds the mutex itself undoes it.
TEST_F(UpdaterRecovery, OnlyTheHolderOfTheClientsMutexTakesAnUpdateForCutOff)
{
    const size_t nStep = StepThatInstalls("Channel.txt");
    ASSERT_GT(nStep, 0u);
    InstallCutOffAfter(nStep);
    m_client.reset(::CreateMutexA(nullptr, FALSE, product::kSingleInstanceMutex));
    ExpectAClientRefusedAsASecondCopy(Client());
    m_client.reset();
    EXPECT_EQ(AsTheClientsStartLeavesIt(), m_old);
}

}  // namespace
