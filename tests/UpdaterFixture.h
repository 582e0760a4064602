// The updater's tests' installation: a real folder of version 1 whose "APPURL" is a local server's
// version file, signed at build time for version 2, and the trees of files the tests compare it with.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "ChildProcess.h"
#include "LocalHttpServer.h"
#include "Sha256.h"
#include "Update.h"
#include "UpdateText.h"
#include "VersionFile.h"
#include "config/Configuration.h"

inline std::string ReadAll(const std::string& path)
{
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

inline void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string Digest(const std::string& bytes)
{
    CSha256 digest;
    digest.Add(bytes.data(), static_cast<DWORD>(bytes.size()));
    return std::string(digest.Hex());
}

// Every file and folder below the folder, by its path below it, files before the folder that holds them.
inline void Walk(const std::string& dir, const std::function<void(const std::string& path, bool bFolder)>& visit,
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
constexpr char kFolder[] = "folder";

inline Tree Snapshot(const std::string& dir)
{
    Tree tree;
    Walk(dir, [&](const std::string& path, bool bFolder) {
        tree[path] = bFolder ? kFolder : Digest(ReadAll(dir + "\\" + path));
    });
    return tree;
}

inline void RemoveTree(const std::string& dir)
{
    Walk(dir, [&](const std::string& path, bool bFolder) {
        const std::string full = dir + "\\" + path;
        ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        bFolder ? ::RemoveDirectoryA(full.c_str()) : ::DeleteFileA(full.c_str());
    });
    ::RemoveDirectoryA(dir.c_str());
}

// A path as the updater names it, from ".\\", as the trees name it: from the folder.
inline std::string InInstallation(const char* path)
{
    return std::string(path).substr(path[0] == '.' && path[1] == '\\' ? 2 : 0);
}

// The test's own directory.
inline std::string CurrentFolder()
{
    char current[MAX_PATH] = "";
    ::GetCurrentDirectoryA(MAX_PATH, current);
    return current;
}

// The box's text: its one static child with text (the icon's has none).
inline std::string MessageBoxText(HWND hBox)
{
    for (HWND h = nullptr; (h = ::FindWindowExA(hBox, h, "Static", nullptr)) != nullptr;) {
        if (!WindowText(h).empty())
            return WindowText(h);
    }
    return "";
}

// The message box of an updater, which AfxMessageBox captions with the program's name.
inline bool IsUpdaterBox(HWND hWnd)
{
    return WindowText(hWnd) == "ZeziroD2U";
}

using Delivery = CLocalHttpServer::Delivery;

// An installation of version 1 whose "APPURL" is a local server's version file, signed for version 2.
class UpdaterRun : public ::testing::Test {
public:
    void SetUp() override { Install(); }

    // A fresh installation, served its update.
    void Install()
    {
        RemoveTree(m_dir);
        ::CreateDirectoryA(m_dir.c_str(), nullptr);
        ::CreateDirectoryA(InstalledPath("ini").c_str(), nullptr);
        // The stand-in runs too, as the installed client; a few bytes make it another version.
        WriteAll(InstalledPath("TvClient.exe"), Packaged("TvClient.exe") + "version 1");
        WriteAll(InstalledPath("Channel.txt"), "101;102");
        WriteAll(InstalledPath("ini\\Tavro.ini"), m_ini);
        ::CopyFileA(HostPath(UPDATE_KEYS "/update.pub").c_str(), InstalledPath("ini\\update.pub").c_str(), FALSE);
        ::CopyFileA(HostPath(UPDATER_EXE).c_str(), InstalledPath(product::kUpdater).c_str(), FALSE);
        m_versionFile = ReadAll(HostPath(UPDATE_FIXTURE "/p.ini"));
        m_server.Serve("/update/p.ini", m_versionFile);
        for (const auto& [path, digest] : Snapshot(m_package)) {
            if (digest != kFolder)
                ServeFile(path, Packaged(path));
        }
        m_old = Snapshot(m_dir);
    }
    std::string InstalledPath(const std::string& path) const { return m_dir + "\\" + path; }
    std::string Packaged(const std::string& path) const { return ReadAll(m_package + "\\" + path); }
    // Serves the bytes as the listed file; gives its path.
    std::string ServeFile(const std::string& path, const std::string& bytes, Delivery delivery = Delivery::Whole)
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
    bool Start(Process& updater) const { return updater.Start(InstalledPath(product::kUpdater), m_dir.c_str()); }
    // The installation of version 2: the package's files over the old ones, and "Version" changed in
    // the user's configuration file, every other byte of it as it was.
    Tree NewInstallation() const
    {
        Tree tree = m_old;
        for (const auto& [path, digest] : Snapshot(m_package))
            tree[path] = digest;
        std::string ini = m_ini;
        ini.replace(ini.find("Version=1"), 9, "Version=2");
        tree["ini\\Tavro.ini"] = Digest(ini);
        return tree;
    }
    bool Exists(const std::string& path) const
    {
        return ::GetFileAttributesA(InstalledPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // Once an updater that started the new client has ended: the package's files, the user's
    // configuration byte for byte but for "Version", the client's mark, and nothing else: no staging
    // folder, no backups, no journal.
    void ExpectTheNewInstallationWithItsClientStarted() const
    {
        ASSERT_TRUE(PumpUntil([&] { return Exists("started.txt"); }, 30000));
        Tree expected = NewInstallation();
        expected["started.txt"] = Digest("");
        EXPECT_EQ(Snapshot(m_dir), expected);
    }
    // A client started now is refused as a second copy and touches nothing.
    void ExpectAClientRefusedAsASecondCopy(const std::string& program) const
    {
        const Tree before = Snapshot(m_dir);
        Process client;
        ASSERT_TRUE(client.Start(program, m_dir.c_str()));
        HWND hBox = client.WaitForDialog("Kalda网络电视的一个实例已经运行!");
        ASSERT_NE(hBox, nullptr);
        EXPECT_EQ(Snapshot(m_dir), before);
        EXPECT_EQ(AnswerBox(hBox), 1u);
        EXPECT_EQ(Snapshot(m_dir), before);
    }

    CLocalHttpServer m_server;
    const std::string m_appUrl = m_server.Origin() + "/update/p.ini";
    const std::string m_dir = CurrentFolder() + "\\install";
    const std::string m_package = HostPath(UPDATE_FIXTURE "/files");
    // The channel server is this one too, so that a real client's start stays on this machine.
    const std::string m_ini = "[Version]\r\nVersion=1\r\n[APPURL]\r\nAPPURL=" + m_appUrl +
                              "\r\n[LISTURL]\r\nLISTURL=kept\r\n[XML]\r\nXML=" + m_server.Origin() + "/counts\r\n";
    std::string m_versionFile;
    Tree m_old;  // as Install() left it
    // The client's mutex, while the test holds it.
    std::unique_ptr<void, decltype(&::CloseHandle)> m_client{nullptr, &::CloseHandle};
};
