// The version resources and manifests of the three programs and of the setup that installs them.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "HostPath.h"
#include "product/ProductFacts.h"

namespace {

class VersionResource {
public:
    explicit VersionResource(const std::string& path)
    {
        DWORD handle = 0;
        m_data.resize(::GetFileVersionInfoSizeA(path.c_str(), &handle));
        if (m_data.empty() || !::GetFileVersionInfoA(path.c_str(), 0, m_data.size(), m_data.data()))
            m_data.clear();
    }
    bool Found() const { return !m_data.empty(); }

    const VS_FIXEDFILEINFO* Fixed() const { return static_cast<const VS_FIXEDFILEINFO*>(Query("\\")); }

    // A value of the first translation's strings, "" when there is none.
    std::string String(const std::string& name) const
    {
        const auto* translation = static_cast<const WORD*>(Query("\\VarFileInfo\\Translation"));
        if (translation == nullptr)
            return "";
        char block[64];
        wsprintfA(block, "\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
        const void* value = Query(block + name);
        return value != nullptr ? static_cast<const char*>(value) : "";
    }

private:
    const void* Query(const std::string& path) const
    {
        void* value = nullptr;
        UINT size = 0;
        return ::VerQueryValueA(m_data.data(), path.c_str(), &value, &size) && size > 0 ? value : nullptr;
    }
    std::vector<BYTE> m_data;
};

// The program's manifest as text, "" when it has none.
std::string Manifest(const std::string& path)
{
    HMODULE hModule = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (hModule == nullptr)
        return "";
    std::string text;
    if (HRSRC hInfo = ::FindResourceA(hModule, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)))  // RT_MANIFEST
        text.assign(static_cast<const char*>(::LockResource(::LoadResource(hModule, hInfo))),
                    ::SizeofResource(hModule, hInfo));
    ::FreeLibrary(hModule);
    return text;
}

TEST(VersionResources, TheProgramsAndTheSetupCarryTheBuildsVersionAndAskForNoElevation)
{
    const struct { const char* path; const char* file; bool executable; } programs[] = {
        {TVCLIENT_EXE, "TvClient.exe", true},
        {PLAYER_DLL, "P2PPlayer.dll", false},
        {UPDATER_EXE, "ZeziroD2U.exe", true},
#ifdef SETUP_EXE  // the setup of a 32-bit build
        {SETUP_EXE, nullptr, true},
#endif
    };
    for (const auto& program : programs) {
        SCOPED_TRACE(program.path);
        const VersionResource version(HostPath(program.path));
        ASSERT_TRUE(version.Found());
        ASSERT_NE(version.Fixed(), nullptr);
        EXPECT_EQ(version.Fixed()->dwFileVersionMS, DWORD(MAKELONG(0, TVCLIENT_VERSION)));
        EXPECT_EQ(version.Fixed()->dwFileVersionLS, 0u);
        EXPECT_EQ(version.Fixed()->dwProductVersionMS, DWORD(MAKELONG(0, TVCLIENT_VERSION)));
        EXPECT_EQ(version.String("ProductName"), TVCLIENT_PRODUCT);
        EXPECT_EQ(version.String("ProductVersion"), TVCLIENT_VERSION_TEXT);
        EXPECT_EQ(version.String("FileVersion"), TVCLIENT_VERSION_TEXT);
        EXPECT_EQ(version.String("CompanyName"), TVCLIENT_PUBLISHER);
        EXPECT_NE(version.String("FileDescription"), "");
        if (program.file != nullptr) {
            EXPECT_EQ(version.String("OriginalFilename"), program.file);
        }
        const std::string manifest = Manifest(HostPath(program.path));
        if (program.executable) {
            EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
            EXPECT_NE(manifest.find("<supportedOS"), std::string::npos) << manifest;
        }
    }
}

}  // namespace
