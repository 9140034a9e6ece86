#include "links/Win32FileSystem.h"

#include "files/ErrorCode.h"
#include "files/PathRules.h"
#include "links/NativeFile.h"
#include "links/Win32Folder.h"

#include <mutex>

namespace {

// Opens what a path names, for reading what it is; folders open too.
DWORD OpenPath(const CString& strPath, Follow follow, CNtHandle& file)
{
    file.Reset(::CreateFileW(MakeSystemPath(strPath), FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | (follow == Follow::Yes ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr));
    return file.IsOpen() ? ERROR_SUCCESS : FailureCode(::GetLastError());
}

}  // namespace

CWin32FileSystem::CWin32FileSystem(PFNCREATESYMBOLICLINKW pfnCreateSymbolicLinkW)
    : m_pfnCreateSymbolicLinkW(pfnCreateSymbolicLinkW)
{
}

bool CWin32FileSystem::CanCreateSymbolicLink() const
{
    return m_pfnCreateSymbolicLinkW != nullptr;
}

DWORD CWin32FileSystem::OpenFolder(const CString& strPath, std::unique_ptr<ILinkFolder>& folder)
{
    if (!HasNativeFileCalls())
        return ERROR_CALL_NOT_IMPLEMENTED;
    // No sharing of deletion: while it is held, the folder can be neither
    // renamed nor replaced.
    CNtHandle file(::CreateFileW(MakeSystemPath(strPath), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                 nullptr));
    if (!file.IsOpen())
    {
        // A folder that is not there is a path not found, as a link into it
        // would say.
        const DWORD dwError = FailureCode(::GetLastError());
        return dwError == ERROR_FILE_NOT_FOUND ? static_cast<DWORD>(ERROR_PATH_NOT_FOUND) : dwError;
    }
    // A directory on a file system: not a device, a pipe or an object
    // directory that a junction might lead to.
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK)
        return ERROR_DIRECTORY;
    LinkFileInfo info;
    const bool bIdentified = QueryNativeFileInfo(file.Get(), IdQuery::Full, info) == ERROR_SUCCESS && info.id.IsKnown();
    DWORD dwAttributes = info.dwAttributes;
    if (!bIdentified && QueryNativeAttributes(file.Get(), dwAttributes) != ERROR_SUCCESS)
        return ERROR_DIRECTORY;
    if (!(dwAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return ERROR_DIRECTORY;
    folder = MakeWin32Folder(file.Release(), strPath, info.id, bIdentified, m_pfnCreateSymbolicLinkW);
    return ERROR_SUCCESS;
}

DWORD CWin32FileSystem::GetStoredName(const CString& strPath, CString& strName)
{
    const CString strListed = GetFileName(strPath);
    // A pattern would find other files, and a stream is not an entry.
    if (!IsPlainEntryName(strListed))
        return ERROR_INVALID_NAME;
    WIN32_FIND_DATAW data = {};
    const HANDLE hFind = ::FindFirstFileW(MakeSystemPath(strPath), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return FailureCode(::GetLastError());
    ::FindClose(hFind);
    strName = data.cFileName;
    return ERROR_SUCCESS;
}

DWORD CWin32FileSystem::GetFileInfo(const CString& strPath, Follow follow, LinkFileInfo& info)
{
    CNtHandle file;
    DWORD dwError = OpenPath(strPath, follow, file);
    if (dwError == ERROR_SUCCESS)
        dwError = QueryNativeFileInfo(file.Get(), IdQuery::Index, info);
    if (dwError != ERROR_SUCCESS)
        return dwError;
    // A file that is no link is on its folder's volume, asked once per
    // folder; a folder or what a link leads to is asked itself.
    const CString strFolder = strPath.Left(strPath.GetLength() - GetFileName(strPath).GetLength());
    if ((info.dwAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) || follow == Follow::Yes ||
        strFolder.IsEmpty())
        return QueryNativeFileInfo(file.Get(), IdQuery::Full, info);
    VolumeFacts volume;
    {
        std::lock_guard<std::mutex> lock(m_volumesLock);
        const std::wstring strKey = MakeFoldedPath(strFolder).GetString();
        auto it = m_volumes.find(strKey);
        if (it == m_volumes.end())
        {
            CNtHandle folder;
            LinkFileInfo folderInfo;
            if (OpenPath(strFolder, Follow::Yes, folder) != ERROR_SUCCESS ||
                QueryNativeFileInfo(folder.Get(), IdQuery::Full, folderInfo) != ERROR_SUCCESS)
                return QueryNativeFileInfo(file.Get(), IdQuery::Full, info);
            volume.nSerial = folderInfo.id.nVolume;
            volume.bWideIds = HasWideIds(folder.Get());
            it = m_volumes.emplace(strKey, volume).first;
        }
        volume = it->second;
    }
    return QueryEntryInfo(file.Get(), volume, info);
}

DWORD CWin32FileSystem::GetFinalPath(const CString& strPath, CString& strFinal)
{
    CNtHandle file;
    const DWORD dwError = OpenPath(strPath, Follow::Yes, file);
    return dwError != ERROR_SUCCESS ? dwError : FinalPathOf(file.Get(), strFinal);
}

bool CWin32FileSystem::IsOnNetwork(const CString& strPath)
{
    if (strPath.Left(8).CompareNoCase(L"\\\\?\\UNC\\") == 0)
        return true;
    const CString strPlain = strPath.Left(4) == L"\\\\?\\" ? strPath.Mid(4) : strPath;
    if (strPlain.Left(2) == L"\\\\")
        return true;
    if (strPlain.GetLength() < 2 || strPlain[1] != L':')
        return false;
    return ::GetDriveTypeW(strPlain.Left(2) + L"\\") == DRIVE_REMOTE;
}
