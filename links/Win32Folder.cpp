#include "links/Win32Folder.h"

#include "files/ErrorCode.h"
#include "files/ReparseData.h"
#include "files/PathRules.h"
#include "links/NativeFile.h"

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

}  // namespace

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
        return FailureCode(::GetLastError());
    if (dwLength >= path.size())
        return ERROR_INSUFFICIENT_BUFFER;
    strFinal = CString(path.data(), static_cast<int>(dwLength));
    return ERROR_SUCCESS;
}

bool HasWideIds(HANDLE hFolder)
{
    typedef BOOL(WINAPI * PFNVOLUMEINFO)(HANDLE, LPWSTR, DWORD, LPDWORD, LPDWORD, LPDWORD, LPWSTR, DWORD);
    static const PFNVOLUMEINFO s_pfn = [] {
        const HMODULE hKernel = ::GetModuleHandleW(L"KERNEL32.DLL");
        return hKernel == nullptr ? nullptr
                                  : reinterpret_cast<PFNVOLUMEINFO>(reinterpret_cast<void*>(
                                        ::GetProcAddress(hKernel, "GetVolumeInformationByHandleW")));
    }();
    wchar_t szFileSystem[MAX_PATH + 1] = {};
    return s_pfn != nullptr && s_pfn(hFolder, nullptr, 0, nullptr, nullptr, nullptr, szFileSystem, MAX_PATH) &&
           ::lstrcmpiW(szFileSystem, L"ReFS") == 0;
}

DWORD QueryEntryInfo(HANDLE hEntry, const VolumeFacts& volume, LinkFileInfo& info)
{
    const DWORD dwError = QueryNativeFileInfo(hEntry, volume.bWideIds ? IdQuery::Full : IdQuery::Index, info);
    if (dwError == ERROR_SUCCESS && !volume.bWideIds)
        info.id.nVolume = volume.nSerial;
    return dwError;
}

namespace {

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

ACCESS_MASK AccessFor(EntryAccess access)
{
    switch (access)
    {
    case EntryAccess::Read:
        return FILE_READ_ATTRIBUTES;
    case EntryAccess::Change:
        return DELETE | FILE_READ_ATTRIBUTES;
    case EntryAccess::ChangeAttributes:
    default:
        return DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
    }
}

// An entry, opened with the rights its steps need: the folder it is in and
// its name there, so that a removal that must clear read-only can open it
// once more for that (checked to be the same file).
class CWin32Entry : public ILinkEntry
{
public:
    CWin32Entry(HANDLE hEntry, HANDLE hFolder, const VolumeFacts& volume, const CString& strName, EntryAccess access)
        : m_entry(hEntry), m_hFolder(hFolder), m_volume(volume), m_strName(strName), m_access(access)
    {
    }

    DWORD Query(LinkFileInfo& info) override { return QueryEntryInfo(m_entry.Get(), m_volume, info); }

    DWORD SetAttributes(DWORD dwAttributes) override
    {
        return NtStatusToError(SetNativeAttributes(m_entry.Get(), dwAttributes));
    }

    DWORD Rename(const CString& strName, ReplaceExisting replace) override
    {
        if (!IsPlainEntryName(strName))
            return ERROR_INVALID_NAME;
        const DWORD dwError = NtStatusToError(SetNativeName(m_entry.Get(), kNtFileRenameInformation, replace, m_hFolder, strName));
        if (dwError == ERROR_SUCCESS)
            m_strName = strName;
        return dwError;
    }

    DWORD MoveTo(ILinkFolder& folder, const CString& strName) override;

    DWORD Delete() override
    {
        CNtHandle attributes;
        const auto attributeHandle = [this, &attributes]() -> HANDLE {
            if (m_access == EntryAccess::ChangeAttributes)
                return m_entry.Get();
            LinkFileInfo mine;
            LinkFileInfo again;
            if (!NT_SUCCESS(OpenNativeRelative(m_hFolder, m_strName, AccessFor(EntryAccess::ChangeAttributes),
                                               OpenKind::FilesOnly, attributes)) ||
                QueryEntryInfo(m_entry.Get(), m_volume, mine) != ERROR_SUCCESS ||
                QueryEntryInfo(attributes.Get(), m_volume, again) != ERROR_SUCCESS ||
                CompareFiles(mine.id, again.id) != Sameness::Same)
                return nullptr;
            return attributes.Get();
        };
        const DWORD dwError = NtStatusToError(DeleteNative(m_entry.Get(), attributeHandle));
        // The name goes when the last handle on it closes; a name that stays
        // stays open, so that whoever asked can still put it back.
        if (dwError == ERROR_SUCCESS)
            m_entry.Reset(INVALID_HANDLE_VALUE);
        return dwError;
    }

    DWORD ReadLink(LinkTargetPath& target) override { return ReadSymbolicLinkTarget(m_entry.Get(), target); }

private:
    CNtHandle m_entry;
    HANDLE m_hFolder;  // the held folder's, owned by it
    const VolumeFacts m_volume;
    CString m_strName;
    const EntryAccess m_access;
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
        m_volume.nSerial = id.nVolume;
        m_volume.bWideIds = HasWideIds(m_folder.Get());
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

    bool MayHold(const CString& strName) override
    {
        // Most names are not there yet. The folder's path is asked: whatever
        // it leads to, a link that follows is made in the held folder and
        // replaces nothing there. (Under Wine, relative lookups and relative
        // links of several threads wait for each other.) A name the path
        // rules would rewrite says nothing by path.
        if (!IsPlainEntryName(strName) || IsRewrittenName(strName))
            return true;
        return ::GetFileAttributesW(MakeSystemPath(m_strPath + strName)) != INVALID_FILE_ATTRIBUTES ||
               ::GetLastError() != ERROR_FILE_NOT_FOUND;
    }

    DWORD FindEntry(const CString& strName, LinkEntryInfo& entry) override
    {
        if (!IsPlainEntryName(strName))
            return ERROR_INVALID_NAME;
        LinkFileInfo info;
        {
            CNtHandle file;
            const NTSTATUS status = OpenNativeRelative(m_folder.Get(), strName, FILE_READ_ATTRIBUTES, OpenKind::Any, file);
            if (!NT_SUCCESS(status))
                return NtStatusToError(status);
            const DWORD dwError = QueryEntryInfo(file.Get(), m_volume, info);
            if (dwError != ERROR_SUCCESS)
                return dwError;
        }
        entry.id = info.id;
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

    DWORD OpenEntry(const CString& strName, EntryAccess access, std::unique_ptr<ILinkEntry>& entry) override
    {
        if (!IsPlainEntryName(strName))
            return ERROR_INVALID_NAME;
        CNtHandle file;
        NTSTATUS status = OpenNativeRelative(m_folder.Get(), strName, AccessFor(access), OpenKind::FilesOnly, file);
        // A link to a folder opens as the link; a real folder does not.
        constexpr NTSTATUS kFileIsADirectory = static_cast<NTSTATUS>(0xC00000BAL);
        DWORD dwAttributes = 0;
        if (status == kFileIsADirectory &&
            NT_SUCCESS(OpenNativeRelative(m_folder.Get(), strName, AccessFor(access), OpenKind::Any, file)) &&
            QueryNativeAttributes(file.Get(), dwAttributes) == ERROR_SUCCESS &&
            (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            status = 0;
        if (!NT_SUCCESS(status))
            return NtStatusToError(status);
        entry.reset(new CWin32Entry(file.Release(), m_folder.Get(), m_volume, strName, access));
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
                return FailureCode(::GetLastError());
            status = SetNativeName(source.Get(), kNtFileLinkInformation, ReplaceExisting::No, m_folder.Get(), strName);
            // Some systems want the right to change the source's
            // attributes before they give it another name.
            if (status != kNtStatusAccessDenied)
                break;
        }
        return NtStatusToError(status);
    }

    DWORD CreateJunction(const CString& strName, const CString& strFolder) override
    {
        if (!IsPlainEntryName(strName))
            return ERROR_INVALID_NAME;
        const std::vector<BYTE> data = BuildMountPointData(strFolder);
        if (data.empty())
            return ERROR_NOT_SUPPORTED;
        CNtHandle made;
        const NTSTATUS status = CreateNativeFolder(m_folder.Get(), strName, 0, made);
        if (!NT_SUCCESS(status))
            return NtStatusToError(status);
        constexpr DWORD kSetReparsePoint = 0x000900A4;  // FSCTL_SET_REPARSE_POINT
        DWORD cbReturned = 0;
        if (::DeviceIoControl(made.Get(), kSetReparsePoint, const_cast<BYTE*>(data.data()),
                              static_cast<DWORD>(data.size()), nullptr, 0, &cbReturned, nullptr))
            return ERROR_SUCCESS;
        const DWORD dwError = FailureCode(::GetLastError());
        // The empty folder made for it goes again; it is held, so it is
        // still the one made here.
        static_cast<void>(DeleteNative(made.Get(), [] { return static_cast<HANDLE>(nullptr); }));
        return dwError;
    }

    DWORD CreateFolder(const CString& strName, std::unique_ptr<ILinkFolder>& folder) override
    {
        if (!IsPlainEntryName(strName))
            return ERROR_INVALID_NAME;
        CNtHandle made;
        const NTSTATUS status = CreateNativeFolder(m_folder.Get(), strName, FILE_ATTRIBUTE_HIDDEN, made);
        return NT_SUCCESS(status) ? HoldSubfolder(made, strName, folder) : NtStatusToError(status);
    }

    DWORD OpenFolder(const CString& strName, std::unique_ptr<ILinkFolder>& folder) override
    {
        if (!IsPlainEntryName(strName))
            return ERROR_INVALID_NAME;
        CNtHandle opened;
        const NTSTATUS status = OpenNativeFolder(m_folder.Get(), strName, opened);
        return NT_SUCCESS(status) ? HoldSubfolder(opened, strName, folder) : NtStatusToError(status);
    }

    HANDLE GetHandle() const { return m_folder.Get(); }

private:
    DWORD HoldSubfolder(CNtHandle& handle, const CString& strName, std::unique_ptr<ILinkFolder>& folder)
    {
        LinkFileInfo info;
        const bool bIdentified = QueryNativeFileInfo(handle.Get(), IdQuery::Index, info) == ERROR_SUCCESS && info.id.IsKnown();
        info.id.nVolume = m_id.nVolume;
        CString strPath = m_strPath;
        if (strPath.IsEmpty() || strPath[strPath.GetLength() - 1] != L'\\')
            strPath += L'\\';
        folder.reset(new CWin32Folder(handle.Release(), strPath + strName + L"\\", info.id, bIdentified,
                                      m_pfnCreateSymbolicLinkW));
        return ERROR_SUCCESS;
    }

public:

    DWORD RemoveEmpty() override
    {
        // Only a folder made here was opened with the right to remove it.
        const DWORD dwError = NtStatusToError(DeleteNative(m_folder.Get(), [] { return static_cast<HANDLE>(nullptr); }));
        if (dwError == ERROR_SUCCESS)
            m_folder.Reset(INVALID_HANDLE_VALUE);
        return dwError;
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
        // A source whose name only the \\?\ form reaches ("a.txt.") is
        // pointed at in that form, or the link would lead to another name.
        const CString strTarget = IsRewrittenName(GetFileName(strSource)) ? MakeSystemPath(strSource) : strSource;
        if (m_pfnCreateSymbolicLinkW(strPath, strTarget, dwFlags))
            return ERROR_SUCCESS;
        return FailureCode(::GetLastError());
    }

private:
    CNtHandle m_folder;
    CString m_strPath;  // as listed
    LinkFileId m_id;
    VolumeFacts m_volume;
    bool m_bIdentified;
    PFNCREATESYMBOLICLINKW m_pfnCreateSymbolicLinkW;
    CString m_strFinal;
};

DWORD CWin32Entry::MoveTo(ILinkFolder& folder, const CString& strName)
{
    const auto* pFolder = dynamic_cast<const CWin32Folder*>(&folder.GetHolder());
    if (pFolder == nullptr || !IsPlainEntryName(strName))
        return ERROR_INVALID_PARAMETER;
    const DWORD dwError = NtStatusToError(
        SetNativeName(m_entry.Get(), kNtFileRenameInformation, ReplaceExisting::No, pFolder->GetHandle(), strName));
    if (dwError == ERROR_SUCCESS)
    {
        m_hFolder = pFolder->GetHandle();
        m_strName = strName;
    }
    return dwError;
}

}  // namespace

std::unique_ptr<ILinkFolder> MakeWin32Folder(HANDLE hFolder, const CString& strPath, const LinkFileId& id,
                                             bool bIdentified, PFNCREATESYMBOLICLINKW pfnSymbolic)
{
    return std::unique_ptr<ILinkFolder>(new CWin32Folder(hFolder, strPath, id, bIdentified, pfnSymbolic));
}
