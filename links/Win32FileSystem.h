#pragma once

#include "links/LinkFileSystem.h"
#include "links/LinkPrivileges.h"

// The link batch's operations on the real file system.
class CWin32FileSystem : public ILinkFileSystem
{
public:
    // pfnCreateSymbolicLinkW may be null: the system has no symbolic links.
    explicit CWin32FileSystem(PFNCREATESYMBOLICLINKW pfnCreateSymbolicLinkW);

    BOOL Exists(LPCWSTR pszPath) override;
    DWORD GetAttributes(LPCWSTR pszPath) override;
    BOOL SetAttributes(LPCWSTR pszPath, DWORD dwAttributes) override;
    BOOL Delete(LPCWSTR pszPath) override;
    BOOL CreateHardLink(LPCWSTR pszLink, LPCWSTR pszExisting) override;
    bool CanCreateSymbolicLink() const override;
    BOOL CreateSymbolicLink(LPCWSTR pszLink, LPCWSTR pszTarget, DWORD dwFlags) override;
    DWORD GetLastError() override;
    bool IsSameEntry(LPCWSTR pszPath1, LPCWSTR pszPath2) override;

private:
    PFNCREATESYMBOLICLINKW m_pfnCreateSymbolicLinkW;
};
