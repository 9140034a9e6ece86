#pragma once

#include "links/LinkFileSystem.h"

#include "framework/String.h"

#include <windows.h>
#include <winternl.h>

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
DWORD NtStatusToError(NTSTATUS status);

// Opens the entry at a name in a held folder without following a link
// there; bAnyKind opens a folder too, otherwise only files open.
NTSTATUS OpenNativeRelative(HANDLE hFolder, const CString& strName, ACCESS_MASK access, bool bAnyKind,
                            CNtHandle& file);
// Renames (kNtFileRenameInformation) or links (kNtFileLinkInformation) the
// file behind a handle to a name in a held folder.
NTSTATUS SetNativeName(HANDLE hFile, ULONG nClass, bool bReplace, HANDLE hFolder, const CString& strName);
// 0 sets the normal attribute: the native call reads 0 as "leave as is".
NTSTATUS SetNativeAttributes(HANDLE hFile, DWORD dwAttributes);
DWORD QueryNativeAttributes(HANDLE hFile, DWORD& dwAttributes);
// Removes the name the handle was opened on. A read-only file's name goes
// too, its attributes as they were: where the system cannot ignore
// read-only for the removal, it is cleared and put back through this handle.
NTSTATUS DeleteNative(HANDLE hFile);
// Where the symbolic link open on hFile points, as it was made (its print
// name, else its substitute name without "\\??\\").
DWORD ReadSymbolicLinkTarget(HANDLE hFile, CString& strTarget);
// Every entry of the folder, "." and ".." left out.
NTSTATUS ListNativeFolder(HANDLE hFolder, std::vector<LinkEntryInfo>& entries);
// The stored name of the entry a name finds in a folder (a short name
// finds the long one).
NTSTATUS QueryNativeStoredName(HANDLE hFolder, const CString& strName, CString& strStored);
