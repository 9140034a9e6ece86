#pragma once

#include "links/LinkFileSystem.h"

#include "framework/String.h"

#include <windows.h>
#include <winternl.h>

#include <functional>
#include <vector>

// The system's native file calls a run needs where the Win32 ones only take
// paths: opening a name relative to a held folder, renaming and linking
// into it, attributes and removal through a handle. Looked up once; every
// one of them exists since Windows 2000.

enum : ULONG
{
    kNtFileRenameInformation = 10,
    kNtFileLinkInformation = 11
};

constexpr NTSTATUS kNtStatusAccessDenied = static_cast<NTSTATUS>(0xC0000022L);
constexpr NTSTATUS kNtStatusNoMoreFiles = static_cast<NTSTATUS>(0x80000006L);

// Owns one handle.
class CNtHandle
{
public:
    CNtHandle() = default;
    explicit CNtHandle(HANDLE h) : m_h(h) {}
    ~CNtHandle() { Reset(INVALID_HANDLE_VALUE); }
    CNtHandle(const CNtHandle&) = delete;
    CNtHandle& operator=(const CNtHandle&) = delete;

    bool IsOpen() const { return m_h != INVALID_HANDLE_VALUE && m_h != nullptr; }
    HANDLE Get() const { return m_h; }
    HANDLE Release()
    {
        const HANDLE h = m_h;
        m_h = INVALID_HANDLE_VALUE;
        return h;
    }
    void Reset(HANDLE h)
    {
        if (IsOpen())
            ::CloseHandle(m_h);
        m_h = h;
    }

private:
    HANDLE m_h = INVALID_HANDLE_VALUE;
};

bool HasNativeFileCalls();
// A Win32 error code, never 0 for a failure.
DWORD NtStatusToError(NTSTATUS status);
// How much of a file's identity is read: its 64-bit index alone (the volume
// is its folder's), or also the volume's serial and, where the system has
// them, 128-bit ids.
enum class IdQuery
{
    Index,
    Full
};

// Identity, link count, attributes, size and time of the file behind a
// handle.
[[nodiscard]] DWORD QueryNativeFileInfo(HANDLE hFile, IdQuery query, LinkFileInfo& info);

// What a relative open may find at the name.
enum class OpenKind
{
    FilesOnly,
    Any
};

// Opens the entry at a name in a held folder without following a link
// there.
[[nodiscard]] NTSTATUS OpenNativeRelative(HANDLE hFolder, const CString& strName, ACCESS_MASK access, OpenKind kind,
                            CNtHandle& file);
// Makes a new folder at a name in a held folder (nothing may be there, not
// even a link) and holds it: it cannot be renamed or replaced while open.
[[nodiscard]] NTSTATUS CreateNativeFolder(HANDLE hFolder, const CString& strName, DWORD dwAttributes, CNtHandle& folder);
// Opens a real folder at a name in a held folder (a link there is not
// followed but refused) and holds it.
[[nodiscard]] NTSTATUS OpenNativeFolder(HANDLE hFolder, const CString& strName, CNtHandle& folder);
// Renames (kNtFileRenameInformation) or links (kNtFileLinkInformation) the
// file behind a handle to a name in a held folder.
[[nodiscard]] NTSTATUS SetNativeName(HANDLE hFile, ULONG nClass, ReplaceExisting replace, HANDLE hFolder, const CString& strName);
// 0 sets the normal attribute: the native call reads 0 as "leave as is".
[[nodiscard]] NTSTATUS SetNativeAttributes(HANDLE hFile, DWORD dwAttributes);
[[nodiscard]] DWORD QueryNativeAttributes(HANDLE hFile, DWORD& dwAttributes);
// Removes the name the handle was opened on (at once where the system can,
// also while others hold the file open). A read-only file's name goes too,
// its attributes as they were: where the system cannot ignore read-only for
// the removal, it is cleared and put back through the handle
// getAttributeHandle gives (null: none can be had).
[[nodiscard]] NTSTATUS DeleteNative(HANDLE hFile, const std::function<HANDLE()>& getAttributeHandle);
// What the symbolic link open on hFile holds; any handle will do, reading
// it needs no right.
[[nodiscard]] DWORD ReadSymbolicLinkTarget(HANDLE hFile, LinkTargetPath& target);
// Every entry of the folder, "." and ".." left out.
[[nodiscard]] NTSTATUS ListNativeFolder(HANDLE hFolder, std::vector<LinkEntryInfo>& entries);
// The stored name of the entry a name finds in a folder (a short name
// finds the long one).
[[nodiscard]] NTSTATUS QueryNativeStoredName(HANDLE hFolder, const CString& strName, CString& strStored);
