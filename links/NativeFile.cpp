#include "links/NativeFile.h"

#include "files/ReparseData.h"

#include <atomic>

#include "files/ErrorCode.h"

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

// Information classes and records as the system's driver headers define
// them; the Win32 headers leave them out.
enum : ULONG
{
    kFileBasicInformation = 4,
    kFileStandardInformation = 5,
    kFileInternalInformation = 6,
    kFileDispositionInformation = 13,
    kFileIdBothDirectoryInformation = 37,
    kFileIdInformation = 59,
    kFileDispositionInformationEx = 64
};

enum : ULONG
{
    kFileOpen = 1,
    kFileDirectoryFile = 0x00000001,
    kFileSynchronousIoNonAlert = 0x00000020,
    kFileNonDirectoryFile = 0x00000040,
    kFileOpenReparsePoint = 0x00200000,
    kDispositionDelete = 0x00000001,
    kDispositionPosixSemantics = 0x00000002,
    kDispositionIgnoreReadOnly = 0x00000010
};

constexpr NTSTATUS kStatusCannotDelete = static_cast<NTSTATUS>(0xC0000121L);
constexpr NTSTATUS kStatusInvalidParameter = static_cast<NTSTATUS>(0xC000000DL);
constexpr NTSTATUS kStatusInvalidInfoClass = static_cast<NTSTATUS>(0xC0000003L);
constexpr NTSTATUS kStatusNotImplemented = static_cast<NTSTATUS>(0xC0000002L);
constexpr NTSTATUS kStatusNotSupported = static_cast<NTSTATUS>(0xC00000BBL);

struct NtBasicInformation
{
    LARGE_INTEGER CreationTime;
    LARGE_INTEGER LastAccessTime;
    LARGE_INTEGER LastWriteTime;
    LARGE_INTEGER ChangeTime;
    ULONG FileAttributes;
};

struct NtStandardInformation
{
    LARGE_INTEGER AllocationSize;
    LARGE_INTEGER EndOfFile;
    ULONG NumberOfLinks;
    BOOLEAN DeletePending;
    BOOLEAN Directory;
};

struct NtIdInformation
{
    ULONGLONG VolumeSerialNumber;
    BYTE FileId[16];
};

struct NtIdBothDirInformation
{
    ULONG NextEntryOffset;
    ULONG FileIndex;
    LARGE_INTEGER CreationTime;
    LARGE_INTEGER LastAccessTime;
    LARGE_INTEGER LastWriteTime;
    LARGE_INTEGER ChangeTime;
    LARGE_INTEGER EndOfFile;
    LARGE_INTEGER AllocationSize;
    ULONG FileAttributes;
    ULONG FileNameLength;
    ULONG EaSize;
    CCHAR ShortNameLength;
    WCHAR ShortName[12];
    LARGE_INTEGER FileId;
    WCHAR FileName[1];
};

// The rename and the link record share one layout.
struct NtNameInformation
{
    BOOLEAN ReplaceIfExists;
    HANDLE RootDirectory;
    ULONG FileNameLength;
    WCHAR FileName[1];
};

// Names of entries are far shorter; the records live on the stack, so that
// a step after a change to the disk allocates nothing.
constexpr int kMaxNameLength = 512;

struct NativeCalls
{
    typedef NTSTATUS(NTAPI* PFNCREATE)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK, PLARGE_INTEGER,
                                       ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
    typedef NTSTATUS(NTAPI* PFNSETINFO)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
    typedef NTSTATUS(NTAPI* PFNQUERYINFO)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
    typedef NTSTATUS(NTAPI* PFNQUERYDIR)(HANDLE, HANDLE, PVOID, PVOID, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG, BOOLEAN,
                                         PUNICODE_STRING, BOOLEAN);
    typedef ULONG(NTAPI* PFNTOERROR)(NTSTATUS);

    PFNCREATE pfnCreate = nullptr;
    PFNSETINFO pfnSetInformation = nullptr;
    PFNQUERYINFO pfnQueryInformation = nullptr;
    PFNQUERYDIR pfnQueryDirectory = nullptr;
    PFNTOERROR pfnToError = nullptr;

    NativeCalls()
    {
        const HMODULE hNtdll = ::GetModuleHandleW(L"ntdll.dll");
        if (hNtdll == nullptr)
            return;
        pfnCreate = reinterpret_cast<PFNCREATE>(Look(hNtdll, "NtCreateFile"));
        pfnSetInformation = reinterpret_cast<PFNSETINFO>(Look(hNtdll, "NtSetInformationFile"));
        pfnQueryInformation = reinterpret_cast<PFNQUERYINFO>(Look(hNtdll, "NtQueryInformationFile"));
        pfnQueryDirectory = reinterpret_cast<PFNQUERYDIR>(Look(hNtdll, "NtQueryDirectoryFile"));
        pfnToError = reinterpret_cast<PFNTOERROR>(Look(hNtdll, "RtlNtStatusToDosError"));
    }

    static void* Look(HMODULE hModule, const char* pszName)
    {
        return reinterpret_cast<void*>(::GetProcAddress(hModule, pszName));
    }

    bool IsComplete() const
    {
        return pfnCreate != nullptr && pfnSetInformation != nullptr && pfnQueryInformation != nullptr &&
               pfnQueryDirectory != nullptr && pfnToError != nullptr;
    }
};

const NativeCalls& Calls()
{
    static const NativeCalls s_calls;
    return s_calls;
}

void SetUnicode(UNICODE_STRING& unicode, const CString& str)
{
    unicode.Buffer = const_cast<PWSTR>(str.GetString());
    unicode.Length = static_cast<USHORT>(str.GetLength() * sizeof(wchar_t));
    unicode.MaximumLength = unicode.Length;
}

NTSTATUS SetInformation(HANDLE hFile, void* pData, ULONG cbData, ULONG nClass)
{
    IO_STATUS_BLOCK io = {};
    return Calls().pfnSetInformation(hFile, &io, pData, cbData, nClass);
}

NTSTATUS SetDisposition(HANDLE hFile, BOOLEAN bDelete)
{
    return SetInformation(hFile, &bDelete, sizeof(bDelete), kFileDispositionInformation);
}

}  // namespace

bool HasNativeFileCalls()
{
    return Calls().IsComplete();
}

DWORD NtStatusToError(NTSTATUS status)
{
    if (NT_SUCCESS(status))
        return ERROR_SUCCESS;
    return FailureCode(Calls().pfnToError != nullptr ? Calls().pfnToError(status) : ERROR_GEN_FAILURE);
}

DWORD QueryNativeFileInfo(HANDLE hFile, IdQuery query, LinkFileInfo& info)
{
    // Attributes, names and index come from the file itself; under Wine the
    // volume's serial costs a round to the mount manager, as much as the
    // rest together, so it is asked for only where it is wanted.
    NtBasicInformation basic = {};
    NtStandardInformation standard = {};
    LARGE_INTEGER index = {};
    IO_STATUS_BLOCK io = {};
    NTSTATUS status = Calls().pfnQueryInformation(hFile, &io, &basic, sizeof(basic), kFileBasicInformation);
    if (NT_SUCCESS(status))
        status = Calls().pfnQueryInformation(hFile, &io, &standard, sizeof(standard), kFileStandardInformation);
    if (NT_SUCCESS(status))
        status = Calls().pfnQueryInformation(hFile, &io, &index, sizeof(index), kFileInternalInformation);
    if (!NT_SUCCESS(status))
        return NtStatusToError(status);
    info.id = LinkFileId();
    info.id.nLow = static_cast<ULONGLONG>(index.QuadPart);
    info.nLinks = standard.NumberOfLinks;
    info.dwAttributes = basic.FileAttributes;
    info.nSize = static_cast<ULONGLONG>(standard.EndOfFile.QuadPart);
    info.nWriteTime = static_cast<ULONGLONG>(basic.LastWriteTime.QuadPart);
    if (query == IdQuery::Index)
        return ERROR_SUCCESS;
    // Where the system has them (Windows 8 on), the 64-bit volume serial and
    // the 128-bit id: cloned disks share the short serial, and ReFS's
    // 64-bit ids are not unique.
    NtIdInformation id = {};
    if (NT_SUCCESS(Calls().pfnQueryInformation(hFile, &io, &id, sizeof(id), kFileIdInformation)))
    {
        info.id.nVolume = id.VolumeSerialNumber;
        std::memcpy(&info.id.nLow, id.FileId, 8);
        std::memcpy(&info.id.nHigh, id.FileId + 8, 8);
        info.id.bWide = true;
        return ERROR_SUCCESS;
    }
    BY_HANDLE_FILE_INFORMATION data = {};
    if (!::GetFileInformationByHandle(hFile, &data))
        return FailureCode(::GetLastError());
    info.id.nVolume = data.dwVolumeSerialNumber;
    return ERROR_SUCCESS;
}

namespace {

// NtCreateFile on a name relative to a held folder.
NTSTATUS CreateRelative(HANDLE hFolder, const CString& strName, ACCESS_MASK access, DWORD dwAttributes, ULONG nShare,
                        ULONG nDisposition, ULONG nOptions, CNtHandle& file)
{
    if (strName.GetLength() > kMaxNameLength)
        return static_cast<NTSTATUS>(0xC0000033L);  // STATUS_OBJECT_NAME_INVALID
    UNICODE_STRING name;
    SetUnicode(name, strName);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, hFolder, nullptr);
    IO_STATUS_BLOCK io = {};
    HANDLE h = INVALID_HANDLE_VALUE;
    const NTSTATUS status = Calls().pfnCreate(&h, access | SYNCHRONIZE, &attributes, &io, nullptr, dwAttributes, nShare,
                                              nDisposition, nOptions | kFileSynchronousIoNonAlert, nullptr, 0);
    file.Reset(NT_SUCCESS(status) ? h : INVALID_HANDLE_VALUE);
    return status;
}

// A folder of a held folder, held in turn: not shared for deletion, as the
// target folders are not.
NTSTATUS RelativeFolder(HANDLE hFolder, const CString& strName, DWORD dwAttributes, ULONG nDisposition, ULONG nOptions,
                        CNtHandle& folder)
{
    return CreateRelative(hFolder, strName, FILE_LIST_DIRECTORY | FILE_ADD_FILE | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | DELETE,
                          dwAttributes, FILE_SHARE_READ | FILE_SHARE_WRITE, nDisposition, kFileDirectoryFile | nOptions, folder);
}

}  // namespace

NTSTATUS OpenNativeRelative(HANDLE hFolder, const CString& strName, ACCESS_MASK access, OpenKind kind,
                            CNtHandle& file)
{
    return CreateRelative(hFolder, strName, access, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, kFileOpen,
                          kFileOpenReparsePoint | (kind == OpenKind::Any ? 0u : static_cast<ULONG>(kFileNonDirectoryFile)),
                          file);
}

NTSTATUS CreateNativeFolder(HANDLE hFolder, const CString& strName, DWORD dwAttributes, CNtHandle& folder)
{
    return RelativeFolder(hFolder, strName, dwAttributes, 2 /* FILE_CREATE */, 0, folder);
}

NTSTATUS OpenNativeFolder(HANDLE hFolder, const CString& strName, CNtHandle& folder)
{
    const NTSTATUS status = RelativeFolder(hFolder, strName, 0, kFileOpen, kFileOpenReparsePoint, folder);
    DWORD dwAttributes = 0;
    // A link at the name leads somewhere else: not the folder asked for.
    if (NT_SUCCESS(status) &&
        (QueryNativeAttributes(folder.Get(), dwAttributes) != ERROR_SUCCESS || (dwAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0))
        folder.Reset(INVALID_HANDLE_VALUE);
    return folder.IsOpen() || !NT_SUCCESS(status) ? status : static_cast<NTSTATUS>(0xC0000103L);  // STATUS_NOT_A_DIRECTORY
}

NTSTATUS SetNativeName(HANDLE hFile, ULONG nClass, ReplaceExisting replace, HANDLE hFolder, const CString& strName)
{
    if (strName.GetLength() > kMaxNameLength)
        return static_cast<NTSTATUS>(0xC0000033L);
    alignas(NtNameInformation) BYTE buffer[offsetof(NtNameInformation, FileName) + kMaxNameLength * sizeof(WCHAR)];
    NtNameInformation* pInfo = reinterpret_cast<NtNameInformation*>(buffer);
    std::memset(buffer, 0, sizeof(buffer));
    pInfo->ReplaceIfExists = replace == ReplaceExisting::Yes ? TRUE : FALSE;
    pInfo->RootDirectory = hFolder;
    pInfo->FileNameLength = static_cast<ULONG>(strName.GetLength() * sizeof(WCHAR));
    std::memcpy(pInfo->FileName, strName.GetString(), pInfo->FileNameLength);
    return SetInformation(hFile, pInfo, static_cast<ULONG>(offsetof(NtNameInformation, FileName)) + pInfo->FileNameLength,
                          nClass);
}

NTSTATUS SetNativeAttributes(HANDLE hFile, DWORD dwAttributes)
{
    NtBasicInformation info = {};
    info.FileAttributes = dwAttributes != 0 ? dwAttributes : FILE_ATTRIBUTE_NORMAL;
    return SetInformation(hFile, &info, sizeof(info), kFileBasicInformation);
}

DWORD QueryNativeAttributes(HANDLE hFile, DWORD& dwAttributes)
{
    NtBasicInformation info = {};
    IO_STATUS_BLOCK io = {};
    const NTSTATUS status = Calls().pfnQueryInformation(hFile, &io, &info, sizeof(info), kFileBasicInformation);
    if (NT_SUCCESS(status))
        dwAttributes = info.FileAttributes;
    return NtStatusToError(status);
}

NTSTATUS DeleteNative(HANDLE hFile, const std::function<HANDLE()>& getAttributeHandle)
{
    // Windows 10 from 1709 on removes the name at once, even where another
    // program holds the file open, and from 1809 on a read-only name as it
    // is. Older systems (and Wine) know neither flag and the classic call
    // follows, whose name goes when the last handle on it closes. A system
    // that knows no POSIX removal is asked once (it is the system's answer).
    static std::atomic<bool> s_bNoPosix{false};
    ULONG nPosix = kDispositionDelete | kDispositionPosixSemantics | kDispositionIgnoreReadOnly;
    NTSTATUS status = kStatusNotImplemented;
    if (!s_bNoPosix.load(std::memory_order_relaxed))
    {
        status = SetInformation(hFile, &nPosix, sizeof(nPosix), kFileDispositionInformationEx);
        if (status == kStatusInvalidParameter)
        {
            nPosix = kDispositionDelete | kDispositionPosixSemantics;
            status = SetInformation(hFile, &nPosix, sizeof(nPosix), kFileDispositionInformationEx);
        }
        if (status == kStatusInvalidInfoClass || status == kStatusNotImplemented)
            s_bNoPosix.store(true, std::memory_order_relaxed);
    }
    const bool bPosix = status != kStatusInvalidParameter && status != kStatusInvalidInfoClass &&
                        status != kStatusNotImplemented && status != kStatusNotSupported;
    if (!bPosix)
        status = SetDisposition(hFile, TRUE);
    if (status != kStatusCannotDelete)
        return status;
    // Read-only has to be cleared for the name to go: through a handle that
    // may write the attributes.
    const HANDLE hAttributes = getAttributeHandle ? getAttributeHandle() : hFile;
    if (hAttributes == nullptr)
        return status;
    DWORD dwAttributes = 0;
    if (QueryNativeAttributes(hAttributes, dwAttributes) != ERROR_SUCCESS || !(dwAttributes & FILE_ATTRIBUTE_READONLY))
        return status;
    status = SetNativeAttributes(hAttributes, dwAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    if (NT_SUCCESS(status))
        status = bPosix ? SetInformation(hAttributes, &nPosix, sizeof(nPosix), kFileDispositionInformationEx)
                        : SetDisposition(hAttributes, TRUE);
    // The file may have other names that keep it: they keep its attributes.
    if (NT_SUCCESS(SetNativeAttributes(hAttributes, dwAttributes)) || !NT_SUCCESS(status) || bPosix)
        return status;
    // A file system that takes no attributes from a file about to lose a
    // name keeps the name instead: the attributes come first.
    static_cast<void>(SetDisposition(hAttributes, FALSE));
    static_cast<void>(SetNativeAttributes(hAttributes, dwAttributes));
    return kStatusCannotDelete;
}

NTSTATUS QueryNativeStoredName(HANDLE hFolder, const CString& strName, CString& strStored)
{
    // A listing takes its pattern from its first query only: each lookup
    // lists through a fresh handle on the folder.
    CNtHandle listing;
    NTSTATUS status = OpenNativeRelative(hFolder, CString(), FILE_LIST_DIRECTORY, OpenKind::Any, listing);
    if (!NT_SUCCESS(status))
        return status;
    UNICODE_STRING pattern;
    SetUnicode(pattern, strName);
    alignas(NtIdBothDirInformation) BYTE buffer[sizeof(NtIdBothDirInformation) + kMaxNameLength * sizeof(WCHAR)];
    IO_STATUS_BLOCK io = {};
    status = Calls().pfnQueryDirectory(listing.Get(), nullptr, nullptr, nullptr, &io, buffer, sizeof(buffer),
                                       kFileIdBothDirectoryInformation, TRUE, &pattern, TRUE);
    if (!NT_SUCCESS(status))
        return status;
    const NtIdBothDirInformation* pInfo = reinterpret_cast<const NtIdBothDirInformation*>(buffer);
    strStored = CString(pInfo->FileName, static_cast<int>(pInfo->FileNameLength / sizeof(WCHAR)));
    return 0;
}

DWORD ReadSymbolicLinkTarget(HANDLE hFile, LinkTargetPath& target)
{
    constexpr DWORD kGetReparsePoint = 0x000900A8;  // FSCTL_GET_REPARSE_POINT
    std::vector<BYTE> buffer(kMaxReparseData);
    DWORD cbReturned = 0;
    if (!::DeviceIoControl(hFile, kGetReparsePoint, nullptr, 0, buffer.data(), static_cast<DWORD>(buffer.size()),
                           &cbReturned, nullptr))
        return FailureCode(::GetLastError());
    // The substitute name is what the system follows; the print name is
    // only shown, and anyone who may plant a link may make it say anything.
    ReparseLink link;
    if (!ParseReparseData(buffer.data(), cbReturned, link))
        return link.dwTag == kReparseTagMountPoint || link.dwTag == kReparseTagSymbolicLink
                   ? static_cast<DWORD>(ERROR_INVALID_DATA)
                   : static_cast<DWORD>(ERROR_NOT_A_REPARSE_POINT);
    target.strSubstitute = link.strSubstitute;
    target.bRelative = link.bRelative;
    target.bJunction = link.dwTag == kReparseTagMountPoint;
    return ERROR_SUCCESS;
}

NTSTATUS ListNativeFolder(HANDLE hFolder, std::vector<LinkEntryInfo>& entries)
{
    CNtHandle listing;
    NTSTATUS status = OpenNativeRelative(hFolder, CString(), FILE_LIST_DIRECTORY, OpenKind::Any, listing);
    if (!NT_SUCCESS(status))
        return status;
    std::vector<ULONGLONG> buffer(64 * 1024 / sizeof(ULONGLONG));
    for (BOOLEAN bRestart = TRUE;; bRestart = FALSE)
    {
        IO_STATUS_BLOCK io = {};
        status = Calls().pfnQueryDirectory(listing.Get(), nullptr, nullptr, nullptr, &io, buffer.data(),
                                           static_cast<ULONG>(buffer.size() * sizeof(ULONGLONG)),
                                           kFileIdBothDirectoryInformation, FALSE, nullptr, bRestart);
        if (status == kNtStatusNoMoreFiles)
            return 0;
        if (!NT_SUCCESS(status))
            return status;
        const BYTE* pNext = reinterpret_cast<const BYTE*>(buffer.data());
        for (;;)
        {
            const NtIdBothDirInformation* pInfo = reinterpret_cast<const NtIdBothDirInformation*>(pNext);
            const CString strName(pInfo->FileName, static_cast<int>(pInfo->FileNameLength / sizeof(WCHAR)));
            if (strName != L"." && strName != L"..")
            {
                LinkEntryInfo entry;
                entry.strName = strName;
                entry.strShortName = CString(pInfo->ShortName, pInfo->ShortNameLength / static_cast<int>(sizeof(WCHAR)));
                entry.id.nLow = static_cast<ULONGLONG>(pInfo->FileId.QuadPart);
                entry.dwAttributes = pInfo->FileAttributes;
                entry.nSize = static_cast<ULONGLONG>(pInfo->EndOfFile.QuadPart);
                entry.nWriteTime = static_cast<ULONGLONG>(pInfo->LastWriteTime.QuadPart);
                entries.push_back(entry);
            }
            if (pInfo->NextEntryOffset == 0)
                break;
            pNext += pInfo->NextEntryOffset;
        }
    }
}
