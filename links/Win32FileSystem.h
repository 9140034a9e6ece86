#pragma once

#include "links/LinkFileSystem.h"
#include "links/LinkPrivileges.h"
#include "links/Win32Folder.h"

#include <mutex>
#include <string>
#include <unordered_map>

// A run's operations on the real file system, at any path length. Target
// folders are held open and every step in them is made through the
// system's native calls relative to the held folder, so that a folder (or
// one of its entries) swapped for a link meanwhile leads nowhere else.
// Nothing here asks for backup intent on a handle it changes anything
// through: the restore privilege the process holds reaches no further.
class CWin32FileSystem : public ILinkFileSystem
{
public:
    // pfnCreateSymbolicLinkW may be null: the system has no symbolic links.
    explicit CWin32FileSystem(PFNCREATESYMBOLICLINKW pfnCreateSymbolicLinkW);

    bool CanCreateSymbolicLink() const override;
    DWORD OpenFolder(const CString& strPath, std::unique_ptr<ILinkFolder>& folder) override;
    DWORD GetStoredName(const CString& strPath, CString& strName) override;
    DWORD GetFileInfo(const CString& strPath, Follow follow, LinkFileInfo& info) override;
    DWORD GetFinalPath(const CString& strPath, CString& strFinal) override;
    bool IsOnNetwork(const CString& strPath) override;

private:
    PFNCREATESYMBOLICLINKW m_pfnCreateSymbolicLinkW;
    // The volume of each folder a file was asked for in, by folded path.
    std::mutex m_volumesLock;
    std::unordered_map<std::wstring, VolumeFacts> m_volumes;
};
