// regsvr32's entry points: the class's keys under HKEY_CLASSES_ROOT and its ProgIDs.
#include <windows.h>
#include <olectl.h>

#include <string>

#include "Module.h"
#include "PlayerControl.h"
#include "PlayerIds.h"

namespace {

const char kDisplayName[] = "Kalda P2P Player Control";

std::string ClsidString()
{
    WCHAR wide[40];
    StringFromGUID2(CLSID_P2PPlayer, wide, ARRAYSIZE(wide));
    char narrow[40];
    WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof(narrow), nullptr, nullptr);
    return narrow;
}

bool SetString(const std::string& subKey, const char* valueName, const std::string& value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LSTATUS status = RegSetValueExA(key, valueName, 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool ReadString(const std::string& subKey, std::string& value)
{
    char buffer[MAX_PATH];
    DWORD size = sizeof(buffer);
    if (RegGetValueA(HKEY_CLASSES_ROOT, subKey.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, buffer,
                     &size) != ERROR_SUCCESS)
        return false;
    value = buffer;
    return true;
}

void DeleteTree(const std::string& subKey)
{
    RegDeleteTreeA(HKEY_CLASSES_ROOT, subKey.c_str());
}

// A ProgID is removed only while it still names this class: another server may have taken it.
void DeleteProgId(const std::string& progId, const std::string& clsid)
{
    std::string registered;
    if (ReadString(progId + "\\CLSID", registered) && lstrcmpiA(registered.c_str(), clsid.c_str()) == 0)
        DeleteTree(progId);
}

bool RegisterAll()
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
    return SetString(classKey, nullptr, kDisplayName) &&
           SetString(classKey + "\\InprocServer32", nullptr, path) &&
           SetString(classKey + "\\InprocServer32", "ThreadingModel", "Apartment") &&
           SetString(classKey + "\\ProgID", nullptr, versionedProgId) &&
           SetString(classKey + "\\VersionIndependentProgID", nullptr, progId) &&
           SetString(classKey + "\\Control", nullptr, "") &&
           SetString(classKey + "\\MiscStatus", nullptr, "0") &&
           SetString(classKey + "\\MiscStatus\\1", nullptr, miscStatus) &&
           SetString(versionedProgId, nullptr, kDisplayName) &&
           SetString(versionedProgId + "\\CLSID", nullptr, clsid) &&
           SetString(progId, nullptr, kDisplayName) &&
           SetString(progId + "\\CLSID", nullptr, clsid) &&
           SetString(progId + "\\CurVer", nullptr, versionedProgId);
}

void UnregisterAll()
{
    const std::string clsid = ClsidString();
    DeleteProgId(P2PPLAYER_PROGID, clsid);
    DeleteProgId(P2PPLAYER_PROGID_VERSIONED, clsid);
    DeleteTree("CLSID\\" + clsid);
}

}  // namespace

STDAPI DllRegisterServer()
{
    if (RegisterAll())
        return S_OK;
    UnregisterAll();
    return SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer()
{
    UnregisterAll();
    return S_OK;
}
