#pragma once

#include "links/LinkFileSystem.h"
#include "links/LinkPrivileges.h"

// The link batch's operations on the real file system, at any path length.
class CWin32FileSystem : public ILinkFileSystem
{
public:
    // pfnCreateSymbolicLinkW may be null: the system has no symbolic links.
    explicit CWin32FileSystem(PFNCREATESYMBOLICLINKW pfnCreateSymbolicLinkW);

    BOOL Exists(LPCWSTR pszPath) override;
    DWORD GetAttributes(LPCWSTR pszPath) override;
    BOOL SetAttributes(LPCWSTR pszPath, DWORD dwAttributes) override;
    BOOL Delete(LPCWSTR pszPath) override;
    BOOL Rename(LPCWSTR pszFrom, LPCWSTR pszTo) override;
    BOOL CreateHardLink(LPCWSTR pszLink, LPCWSTR pszExisting) override;
    bool CanCreateSymbolicLink() const override;
    BOOL CreateSymbolicLink(LPCWSTR pszLink, LPCWSTR pszTarget, DWORD dwFlags) override;
    DWORD GetLastError() override;
    bool GetEntryId(LPCWSTR pszPath, LinkEntryId& id) override;
    bool GetFinalPath(LPCWSTR pszPath, CString& strFinal) override;

private:
    typedef DWORD(WINAPI* PFNGETFINALPATHNAMEBYHANDLEW)(HANDLE hFile, LPWSTR lpszFilePath, DWORD cchFilePath,
                                                        DWORD dwFlags);

    PFNCREATESYMBOLICLINKW m_pfnCreateSymbolicLinkW;
    // Looked up: systems before Vista lack it.
    PFNGETFINALPATHNAMEBYHANDLEW m_pfnGetFinalPathNameByHandleW;
};
