#pragma once

#include "links/LinkFileSystem.h"
#include "links/LinkPrivileges.h"

#include <windows.h>

#include <memory>

// The volume a folder is on, as its entries share it: its serial, and
// whether its ids need 128 bits to be unique (ReFS).
struct VolumeFacts
{
    ULONGLONG nSerial = 0;
    bool bWideIds = false;
};

// A target folder held on the handle given (taken over), with its entries:
// every step is a native call relative to that handle, and no link at a
// name in it is followed. strPath is the folder as listed.
std::unique_ptr<ILinkFolder> MakeWin32Folder(HANDLE hFolder, const CString& strPath, const LinkFileId& id,
                                             bool bIdentified, PFNCREATESYMBOLICLINKW pfnSymbolic);

// The path the system gives what the handle is open on.
[[nodiscard]] DWORD FinalPathOf(HANDLE hFile, CString& strFinal);
// Whether the volume of the folder open on the handle needs 128-bit ids.
bool HasWideIds(HANDLE hFolder);
// An entry's identity: the index, with the volume its folder is on, or all
// of it where the volume's ids are wider.
[[nodiscard]] DWORD QueryEntryInfo(HANDLE hEntry, const VolumeFacts& volume, LinkFileInfo& info);
