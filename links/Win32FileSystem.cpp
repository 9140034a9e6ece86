#include "links/Win32FileSystem.h"

#include "links/NativeFile.h"
#include "files/PathRules.h"

#include <vector>

namespace {

typedef DWORD(WINAPI* PFNGETFINALPATHNAMEBYHANDLEW)(HANDLE hFile, LPWSTR lpszFilePath, DWORD cchFilePath,
                                                    DWORD dwFlags);

// Looked up: systems before Vista lack it.
PFNGETFINALPATHNAMEBYHANDLEW GetFinalPathFunction()
{
    static const PFNGETFINALPATHNAMEBYHANDLEW s_pfn = [] {
        const HMODULE hKernel = ::GetModuleHandleW(L"KERNEL32.DLL");
        return hKernel == nullptr ? nullptr
                                  : reinterpret_cast<PFNGETFINALPATHNAMEBYHANDLEW>(reinterpret_cast<void*>(
                                        ::GetProcAddress(hKernel, "GetFinalPathNameByHandleW")));
    }();
    return s_pfn;
}

DWORD FinalPathOf(HANDLE hFile, CString& strFinal)
{
    const PFNGETFINALPATHNAMEBYHANDLEW pfn = GetFinalPathFunction();
    if (pfn == nullptr)
        return ERROR_CALL_NOT_IMPLEMENTED;
    std::vector<wchar_t> path(MAX_PATH, L'\0');
    DWORD dwLength = pfn(hFile, path.data(), static_cast<DWORD>(path.size()), 0);
    if (dwLength >= path.size())
    {
        path.assign(dwLength + 1, L'\0');
        dwLength = pfn(hFile, path.data(), static_cast<DWORD>(path.size()), 0);
    }
    if (dwLength == 0)
        return ::GetLastError();
    if (dwLength >= path.size())
        return ERROR_INSUFFICIENT_BUFFER;
    strFinal = CString(path.data(), static_cast<int>(dwLength));
    return ERROR_SUCCESS;
}

// Opens what a path names, for reading what it is; folders open too.
DWORD OpenPath(const CString& strPath, bool bFollow, CNtHandle& file)
{
    file.Reset(::CreateFileW(MakeSystemPath(strPath), FILE_READ_ATTRIBUTES,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | (bFollow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr));
    return file.IsOpen() ? ERROR_SUCCESS : ::GetLastError();
}

DWORD QueryFileInfo(HANDLE hFile, LinkFileInfo& info)
{
    BY_HANDLE_FILE_INFORMATION data = {};
    if (!::GetFileInformationByHandle(hFile, &data))
        return ::GetLastError();
    info.id.dwVolume = data.dwVolumeSerialNumber;
    info.id.nIndex = (static_cast<ULONGLONG>(data.nFileIndexHigh) << 32) | data.nFileIndexLow;
    info.nLinks = data.nNumberOfLinks;
    info.dwAttributes = data.dwFileAttributes;
    info.nSize = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    info.nWriteTime =
        (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return ERROR_SUCCESS;
}

// Whether a name could be a short (8.3) name, and so the alias of another
// entry: a long name can only ever find its own entry.
bool MayBeShortName(const CString& strName)
{
    const int nDot = strName.Find(L'.');
    if (nDot >= 0 && strName.Find(L'.', nDot + 1) >= 0)
        return false;
    const int nBase = nDot >= 0 ? nDot : strName.GetLength();
    const int nExtension = nDot >= 0 ? strName.GetLength() - nDot - 1 : 0;
    if (nBase < 1 || nBase > 8 || nExtension > 3)
        return false;
    return strName.FindOneOf(L" +,;=[]") < 0;
}

class CWin32Entry : public ILinkEntry
{
public:
    CWin32Entry(HANDLE hEntry, HANDLE hFolder) : m_entry(hEntry), m_hFolder(hFolder) {}

    DWORD Query(LinkFileInfo& info) override { return QueryFileInfo(m_entry.Get(), info); }

    DWORD SetAttributes(DWORD dwAttributes) override
    {
        return NtStatusToError(SetNativeAttributes(m_entry.Get(), dwAttributes));
    }

    DWORD Rename(const CString& strName, bool bReplace) override
    {
        if (!IsPlainEntryName(strName))
            return ERROR_INVALID_NAME;
        return NtStatusToError(SetNativeName(m_entry.Get(), kNtFileRenameInformation, bReplace, m_hFolder, strName));
    }

    DWORD Delete() override
    {
        const DWORD dwError = NtStatusToError(DeleteNative(m_entry.Get()));
        // The name goes when the last handle on it closes.
        m_entry.Reset(INVALID_HANDLE_VALUE);
        return dwError;
    }

    DWORD GetLinkTarget(CString& strTarget) override { return ReadSymbolicLinkTarget(m_entry.Get(), strTarget); }

private:
    CNtHandle m_entry;
    HANDLE m_hFolder;  // the held folder's, owned by it
};

class CWin32Folder : public ILinkFolder
{
public:
    CWin32Folder(HANDLE hFolder, const CString& strPath, const LinkFileId& id, bool bIdentified,
                 PFNCREATESYMBOLICLINKW pfnSymbolic)
        : m_folder(hFolder),
          m_strPath(strPath),
          m_id(id),
          m_bIdentified(bIdentified),
          m_pfnCreateSymbolicLinkW(pfnSymbolic)
    {
    }

    bool GetId(LinkFileId& id) const override
    {
        id = m_id;
        return m_bIdentified;
    }

    DWORD GetFinalPath(CString& strPath) override
    {
        if (m_strFinal.IsEmpty())
        {
            const DWORD dwError = FinalPathOf(m_folder.Get(), m_strFinal);
            if (dwError != ERROR_SUCCESS)
                return dwError;
        }
        strPath = m_strFinal;
        return ERROR_SUCCESS;
    }

    DWORD FindEntry(const CString& strName, LinkEntryInfo& entry) override
    {
        if (!IsPlainEntryName(strName))
            return ERROR_INVALID_NAME;
        // Most names are not there yet. The folder's path is asked first:
        // whatever it leads to, a link that follows is made in the held
        // folder and replaces nothing there. (Under Wine, relative lookups
        // and relative links of several threads wait for each other.)
        if (::GetFileAttributesW(MakeSystemPath(m_strPath + strName)) == INVALID_FILE_ATTRIBUTES &&
            ::GetLastError() == ERROR_FILE_NOT_FOUND)
            return ERROR_FILE_NOT_FOUND;
        LinkFileInfo info;
        {
            CNtHandle file;
            const NTSTATUS status = OpenNativeRelative(m_folder.Get(), strName, FILE_READ_ATTRIBUTES, true, file);
            if (!NT_SUCCESS(status))
                return NtStatusToError(status);
            const DWORD dwError = QueryFileInfo(file.Get(), info);
            if (dwError != ERROR_SUCCESS)
                return dwError;
        }
        entry.nFileIndex = info.id.nIndex;
        entry.nLinks = info.nLinks;
        entry.dwAttributes = info.dwAttributes;
        entry.nSize = info.nSize;
        entry.nWriteTime = info.nWriteTime;
        if (!MayBeShortName(strName))
        {
            entry.strName = strName;
            return ERROR_SUCCESS;
        }
        // The folder's listing names the entry the short name belongs to.
        return NtStatusToError(QueryNativeStoredName(m_folder.Get(), strName, entry.strName));
    }

    DWORD OpenEntry(const CString& strName, std::unique_ptr<ILinkEntry>& entry) override
    {
        if (!IsPlainEntryName(strName))
            return ERROR_INVALID_NAME;
        CNtHandle file;
        const NTSTATUS status = OpenNativeRelative(
            m_folder.Get(), strName, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, false, file);
        if (!NT_SUCCESS(status))
            return NtStatusToError(status);
        entry.reset(new CWin32Entry(file.Release(), m_folder.Get()));
        return ERROR_SUCCESS;
    }

    DWORD ListEntries(std::vector<LinkEntryInfo>& entries) override
    {
        return NtStatusToError(ListNativeFolder(m_folder.Get(), entries));
    }

    DWORD CreateHardLink(const CString& strName, const CString& strSource) override
    {
        if (!IsPlainEntryName(strName))
            return ERROR_INVALID_NAME;
        // A link to the source entry itself, as the system's own call makes
        // it; a folder does not open this way, and is refused as it refuses
        // it.
        NTSTATUS status = kNtStatusAccessDenied;
        for (DWORD dwAccess : {static_cast<DWORD>(FILE_READ_ATTRIBUTES), static_cast<DWORD>(FILE_WRITE_ATTRIBUTES)})
        {
            CNtHandle source(::CreateFileW(MakeSystemPath(strSource), dwAccess,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
            if (!source.IsOpen())
                return ::GetLastError();
            status = SetNativeName(source.Get(), kNtFileLinkInformation, false, m_folder.Get(), strName);
            // Some systems want the right to change the source's
            // attributes before they give it another name.
            if (status != kNtStatusAccessDenied)
                break;
        }
        return NtStatusToError(status);
    }

    DWORD CreateSymbolicLink(const CString& strName, const CString& strSource, DWORD dwFlags) override
    {
        if (!IsPlainEntryName(strName))
            return ERROR_INVALID_NAME;
        if (m_pfnCreateSymbolicLinkW == nullptr)
            return ERROR_CALL_NOT_IMPLEMENTED;
        // The system makes symbolic links by path only: the path is the one
        // the system gives the held folder, which cannot change while it is
        // held. What the link points to keeps the user's spelling.
        CString strPath;
        const DWORD dwError = GetFinalPath(strPath);
        if (dwError != ERROR_SUCCESS)
            return dwError;
        if (strPath.IsEmpty() || strPath[strPath.GetLength() - 1] != L'\\')
            strPath += L'\\';
        strPath += strName;
        if (m_pfnCreateSymbolicLinkW(strPath, strSource, dwFlags))
            return ERROR_SUCCESS;
        const DWORD dwLinkError = ::GetLastError();
        return dwLinkError != ERROR_SUCCESS ? dwLinkError : ERROR_GEN_FAILURE;
    }

private:
    CNtHandle m_folder;
    CString m_strPath;  // as listed
    LinkFileId m_id;
    bool m_bIdentified;
    PFNCREATESYMBOLICLINKW m_pfnCreateSymbolicLinkW;
    CString m_strFinal;
};

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
        const DWORD dwError = ::GetLastError();
        return dwError == ERROR_FILE_NOT_FOUND ? static_cast<DWORD>(ERROR_PATH_NOT_FOUND) : dwError;
    }
    // A directory on a file system: not a device, a pipe or an object
    // directory that a junction might lead to.
    if (::GetFileType(file.Get()) != FILE_TYPE_DISK)
        return ERROR_DIRECTORY;
    LinkFileInfo info;
    const bool bIdentified = QueryFileInfo(file.Get(), info) == ERROR_SUCCESS && info.id.nIndex != 0;
    DWORD dwAttributes = info.dwAttributes;
    if (!bIdentified && QueryNativeAttributes(file.Get(), dwAttributes) != ERROR_SUCCESS)
        return ERROR_DIRECTORY;
    if (!(dwAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return ERROR_DIRECTORY;
    folder.reset(new CWin32Folder(file.Release(), strPath, info.id, bIdentified, m_pfnCreateSymbolicLinkW));
    return ERROR_SUCCESS;
}

DWORD CWin32FileSystem::GetStoredName(const CString& strPath, CString& strName)
{
    const CString strListed = GetFileName(strPath);
    // A pattern would find other files.
    if (strListed.FindOneOf(L"*?") >= 0)
        return ERROR_INVALID_NAME;
    WIN32_FIND_DATAW data = {};
    const HANDLE hFind = ::FindFirstFileW(MakeSystemPath(strPath), &data);
    if (hFind == INVALID_HANDLE_VALUE)
        return ::GetLastError();
    ::FindClose(hFind);
    strName = data.cFileName;
    return ERROR_SUCCESS;
}

DWORD CWin32FileSystem::GetFileInfo(const CString& strPath, bool bFollow, LinkFileInfo& info)
{
    CNtHandle file;
    const DWORD dwError = OpenPath(strPath, bFollow, file);
    return dwError != ERROR_SUCCESS ? dwError : QueryFileInfo(file.Get(), info);
}

DWORD CWin32FileSystem::GetFinalPath(const CString& strPath, CString& strFinal)
{
    CNtHandle file;
    const DWORD dwError = OpenPath(strPath, true, file);
    return dwError != ERROR_SUCCESS ? dwError : FinalPathOf(file.Get(), strFinal);
}
