#pragma once

#include <windows.h>

// The file-system operations a link batch needs, so that the batch can run
// over the real file system or over a double that produces what the real
// one cannot (a symbolic link that succeeds, privilege errors).
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
    // The new link first, the existing file second.
    virtual BOOL CreateHardLink(LPCWSTR pszLink, LPCWSTR pszExisting) = 0;
    // False when the system offers no symbolic links at all.
    virtual bool CanCreateSymbolicLink() const = 0;
    virtual BOOL CreateSymbolicLink(LPCWSTR pszLink, LPCWSTR pszTarget, DWORD dwFlags) = 0;
    // The failure code of the call just made.
    virtual DWORD GetLastError() = 0;
    // True when both paths name one and the same directory entry, reached
    // through different spellings (another drive letter for the folder, a
    // short name, a junction on the way, a \\?\ prefix). Another hard link
    // of the same file is a different entry.
    virtual bool IsSameEntry(LPCWSTR pszPath1, LPCWSTR pszPath2) = 0;
};
