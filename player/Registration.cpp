// Registration entry points: the class's keys and its ProgIDs, machine-wide through regsvr32's
// DllRegisterServer, or for the current user only through DllInstall with "user"
// (regsvr32 /n /i:user), which a setup without administrator rights calls.
#include <windows.h>
#include <olectl.h>

#include <string>

#include "Module.h"
#include "PlayerControl.h"
#include "product/PlayerContract.h"

namespace {

const char kDisplayName[] = "Kalda P2P Player Control";

// Where the classes are registered: HKEY_CLASSES_ROOT, or the current user's own classes.
struct ClassesRoot {
    HKEY hKey;
    const char* prefix;

    std::string Path(const std::string& subKey) const { return prefix + subKey; }
};
const ClassesRoot kMachineClasses = {HKEY_CLASSES_ROOT, ""};
const ClassesRoot kUserClasses = {HKEY_CURRENT_USER, "Software\\Classes\\"};

std::string ClsidString()
{
    WCHAR wide[40];
    StringFromGUID2(CLSID_P2PPlayer, wide, ARRAYSIZE(wide));
    char narrow[40];
    WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof(narrow), nullptr, nullptr);
    return narrow;
}

bool SetString(const ClassesRoot& root, const std::string& subKey, const char* valueName, const std::string& value)
{
    HKEY key;
    if (RegCreateKeyExA(root.hKey, root.Path(subKey).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LSTATUS status = RegSetValueExA(key, valueName, 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool ReadString(const ClassesRoot& root, const std::string& subKey, std::string& value)
{
    char buffer[MAX_PATH];
    DWORD size = sizeof(buffer);
    if (RegGetValueA(root.hKey, root.Path(subKey).c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer,
                     &size) != ERROR_SUCCESS)
        return false;
    value = buffer;
    return true;
}

void DeleteTree(const ClassesRoot& root, const std::string& subKey)
{
    RegDeleteTreeA(root.hKey, root.Path(subKey).c_str());
}

// A ProgID is removed only while it still names this class: another server may have taken it.
void DeleteProgId(const ClassesRoot& root, const std::string& progId, const std::string& clsid)
{
    std::string registered;
    if (ReadString(root, progId + "\\CLSID", registered) && lstrcmpiA(registered.c_str(), clsid.c_str()) == 0)
        DeleteTree(root, progId);
}

bool RegisterAll(const ClassesRoot& root)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(Module::Instance(), path, sizeof(path));
    if (length == 0 || length >= sizeof(path))
        return false;

    const std::string clsid = ClsidString();
    const std::string classKey = "CLSID\\" + clsid;
    const std::string progId = P2PPLAYER_PROGID;
    const std::string versionedProgId = P2PPLAYER_PROGID_VERSIONED;
    const std::string miscStatus = std::to_string(kPlayerMiscStatus);
    return SetString(root, classKey, nullptr, kDisplayName) &&
           SetString(root, classKey + "\\InprocServer32", nullptr, path) &&
           SetString(root, classKey + "\\InprocServer32", "ThreadingModel", "Apartment") &&
           SetString(root, classKey + "\\ProgID", nullptr, versionedProgId) &&
           SetString(root, classKey + "\\VersionIndependentProgID", nullptr, progId) &&
           SetString(root, classKey + "\\Control", nullptr, "") &&
           SetString(root, classKey + "\\MiscStatus", nullptr, "0") &&
           SetString(root, classKey + "\\MiscStatus\\1", nullptr, miscStatus) &&
           SetString(root, versionedProgId, nullptr, kDisplayName) &&
           SetString(root, versionedProgId + "\\CLSID", nullptr, clsid) &&
           SetString(root, progId, nullptr, kDisplayName) &&
           SetString(root, progId + "\\CLSID", nullptr, clsid) &&
           SetString(root, progId + "\\CurVer", nullptr, versionedProgId);
}

void UnregisterAll(const ClassesRoot& root)
{
    const std::string clsid = ClsidString();
    DeleteProgId(root, P2PPLAYER_PROGID, clsid);
    DeleteProgId(root, P2PPLAYER_PROGID_VERSIONED, clsid);
    DeleteTree(root, "CLSID\\" + clsid);
}

HRESULT Register(const ClassesRoot& root)
{
    if (RegisterAll(root))
        return S_OK;
    UnregisterAll(root);
    return SELFREG_E_CLASS;
}

}  // namespace

STDAPI DllRegisterServer()
{
    return Register(kMachineClasses);
}

STDAPI DllUnregisterServer()
{
    UnregisterAll(kMachineClasses);
    return S_OK;
}

// "user" is the only installation this component knows.
STDAPI DllInstall(BOOL bInstall, LPCWSTR pszCmdLine)
{
    if (pszCmdLine == nullptr || lstrcmpiW(pszCmdLine, L"user") != 0)
        return E_INVALIDARG;
    if (bInstall)
        return Register(kUserClasses);
    UnregisterAll(kUserClasses);
    return S_OK;
}
