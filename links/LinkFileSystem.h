#pragma once

#include "framework/String.h"

#include <windows.h>

// What tells one file-system entry from another: the file behind it (volume
// and file index), how many names that file has, and what kind it is.
struct LinkEntryId
{
    DWORD dwVolume = 0;
    ULONGLONG nFileIndex = 0;
    DWORD nLinks = 0;
    DWORD dwAttributes = 0;

    bool IsSameFile(const LinkEntryId& other) const
    {
        return dwVolume == other.dwVolume && nFileIndex == other.nFileIndex;
    }
};

// The file-system operations a link batch needs, so that the batch can run
// over the real file system or over a double that produces what the real
// one cannot (a symbolic link that succeeds, privilege errors). Paths come
// as the user listed them, of any length.
class ILinkFileSystem
{
public:
    virtual ~ILinkFileSystem() = default;

    // True if any object (file or folder) is at the path.
    virtual BOOL Exists(LPCWSTR pszPath) = 0;
    // The attribute word, INVALID_FILE_ATTRIBUTES on failure.
    virtual DWORD GetAttributes(LPCWSTR pszPath) = 0;
    virtual BOOL SetAttributes(LPCWSTR pszPath, DWORD dwAttributes) = 0;
    virtual BOOL Delete(LPCWSTR pszPath) = 0;
    // Gives pszFrom the name pszTo, replacing a file already there.
    virtual BOOL Rename(LPCWSTR pszFrom, LPCWSTR pszTo) = 0;
    // The new link first, the existing file second; neither replaces
    // anything.
    virtual BOOL CreateHardLink(LPCWSTR pszLink, LPCWSTR pszExisting) = 0;
    // False when the system offers no symbolic links at all.
    virtual bool CanCreateSymbolicLink() const = 0;
    virtual BOOL CreateSymbolicLink(LPCWSTR pszLink, LPCWSTR pszTarget, DWORD dwFlags) = 0;
    // The failure code of the call just made.
    virtual DWORD GetLastError() = 0;
    // The identity of the entry at the path, a link in the last component
    // not followed. False when it cannot be opened or queried.
    virtual bool GetEntryId(LPCWSTR pszPath, LinkEntryId& id) = 0;
    // The name the system itself gives the entry, which tells two names of
    // one file apart whatever spelling reached them. False when the system
    // cannot say.
    virtual bool GetFinalPath(LPCWSTR pszPath, CString& strFinal) = 0;
};
