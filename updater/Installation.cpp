#include "Installation.h"

#include "UpdateText.h"
#include "UpdaterResource.h"
#include "VersionFile.h"

namespace {

void RemoveStagingFolder()
{
    const CString strFolder(kStagingFolder);
    WIN32_FIND_DATAA found;
    HANDLE hFind = ::FindFirstFileA(strFolder + "\\*", &found);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                ::DeleteFileA(strFolder + "\\" + found.cFileName);
        } while (::FindNextFileA(hFind, &found));
        ::FindClose(hFind);
    }
    ::RemoveDirectoryA(strFolder);
}

// Whether no one else has the file open: a program or library that runs cannot be replaced.
bool IsFree(const CString& strFile)
{
    HANDLE hFile = ::CreateFileA(strFile, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(hFile);
    return true;
}

}  // namespace

CStagingFolder::CStagingFolder()
{
    RemoveStagingFolder();  // left by an update that was cut off
    if (!::CreateDirectoryA(kStagingFolder, nullptr))
        ThrowUpdateFailure(IDS_FAIL_DISK, kStagingFolder);
}

CStagingFolder::~CStagingFolder()
{
    RemoveStagingFolder();
}

CString CStagingFolder::Path(const CString& strName) const
{
    return CString(kStagingFolder) + "\\" + strName;
}

CReplacement::~CReplacement()
{
    if (m_bCommitted)
        return;
    for (auto it = m_replaced.rbegin(); it != m_replaced.rend(); ++it) {
        ::DeleteFileA(it->strTarget);
        if (!it->strBackup.IsEmpty())
            ::MoveFileA(it->strBackup, it->strTarget);
    }
    for (auto it = m_madeFolders.rbegin(); it != m_madeFolders.rend(); ++it)
        ::RemoveDirectoryA(*it);
}

void CReplacement::Replace(const CString& strTarget, const CString& strDownloaded, const CString& strBackup)
{
    MakeFoldersFor(strTarget);
    const DWORD dwAttributes = ::GetFileAttributesA(strTarget);
    const bool bInstalled = dwAttributes != INVALID_FILE_ATTRIBUTES;
    if (bInstalled) {
        // A read-only file was made so on purpose: it is not replaced, though Windows would rename it.
        if ((dwAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0 || !IsFree(strTarget) ||
            !::MoveFileA(strTarget, strBackup))
            ThrowUpdateFailure(IDS_FAIL_REPLACE, strTarget);
        m_replaced.push_back({strTarget, strBackup});
    }
    if (!::MoveFileA(strDownloaded, strTarget))
        ThrowUpdateFailure(IDS_FAIL_REPLACE, strTarget);
    // A new file is undone only once it is there: nothing else of that name may go.
    if (!bInstalled)
        m_replaced.push_back({strTarget, CString()});
}

void CReplacement::MakeFoldersFor(const CString& strTarget)
{
    const std::vector<CString> parts = PathParts(strTarget);
    CString strFolder;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        strFolder += (i == 0 ? CString() : CString("\\")) + parts[i];
        if (::GetFileAttributesA(strFolder) != INVALID_FILE_ATTRIBUTES)
            continue;
        if (!::CreateDirectoryA(strFolder, nullptr))
            ThrowUpdateFailure(IDS_FAIL_REPLACE, strTarget);
        m_madeFolders.push_back(strFolder);
    }
}
