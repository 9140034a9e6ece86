#pragma once

#include "framework/String.h"

#include <windows.h>

#include <memory>
#include <vector>

// Which file a name leads to: the volume and the file's index on it.
struct LinkFileId
{
    DWORD dwVolume = 0;
    ULONGLONG nIndex = 0;
};

// What a handle on one entry tells of the file behind it.
struct LinkFileInfo
{
    LinkFileId id;
    DWORD nLinks = 0;
    DWORD dwAttributes = 0;
    ULONGLONG nSize = 0;
    ULONGLONG nWriteTime = 0;  // a FILETIME
};

// An entry as its folder lists it.
struct LinkEntryInfo
{
    // The name as the file system stores it: never a short (8.3) alias.
    CString strName;
    // In a listing: the entry's short name, where it has one.
    CString strShortName;
    ULONGLONG nFileIndex = 0;
    DWORD nLinks = 0;
    DWORD dwAttributes = 0;
    ULONGLONG nSize = 0;
    ULONGLONG nWriteTime = 0;  // a FILETIME
};

// One entry of a held folder, opened on its name without following a link
// there. Everything done through it stays on that entry.
class ILinkEntry
{
public:
    virtual ~ILinkEntry() = default;
    virtual DWORD Query(LinkFileInfo& info) = 0;
    // Attributes are the file's, shared by all its hard links.
    virtual DWORD SetAttributes(DWORD dwAttributes) = 0;
    // Gives the entry another name in the same folder; with bReplace an
    // entry already there gives way.
    virtual DWORD Rename(const CString& strName, bool bReplace) = 0;
    // Removes this name. The file's attributes are as before afterwards,
    // also where read-only had to be cleared for the removal.
    virtual DWORD Delete() = 0;
    // Where the symbolic link this entry is points, as it was made;
    // ERROR_NOT_A_REPARSE_POINT for anything else.
    virtual DWORD GetLinkTarget(CString& strTarget) = 0;
};

// A target folder, opened once, checked to be a real directory on a file
// system and held (it cannot be renamed or replaced) while its pairs run.
// Every step of a pair is made relative to it; no link at a name in it is
// followed.
class ILinkFolder
{
public:
    virtual ~ILinkFolder() = default;
    // False where the system would not say which folder it is.
    virtual bool GetId(LinkFileId& id) const = 0;
    // The name the system gives the folder itself.
    virtual DWORD GetFinalPath(CString& strPath) = 0;
    // The entry at the name, ERROR_FILE_NOT_FOUND when there is none. A
    // short name finds the entry it belongs to, with its stored name.
    virtual DWORD FindEntry(const CString& strName, LinkEntryInfo& entry) = 0;
    virtual DWORD OpenEntry(const CString& strName, std::unique_ptr<ILinkEntry>& entry) = 0;
    // Every entry at once, as the folder lists them now (file index,
    // attributes, size and time, stored and short name; no link count).
    virtual DWORD ListEntries(std::vector<LinkEntryInfo>& entries) = 0;
    // A new entry at the name; neither replaces anything.
    virtual DWORD CreateHardLink(const CString& strName, const CString& strSource) = 0;
    virtual DWORD CreateSymbolicLink(const CString& strName, const CString& strSource, DWORD dwFlags) = 0;
};

// The file-system operations a run needs, so that it can run over the real
// file system or over a double that produces what the real one cannot (a
// symbolic link that succeeds, privilege errors, a folder swapped between
// two calls). Paths come as the user listed them, of any length.
class ILinkFileSystem
{
public:
    virtual ~ILinkFileSystem() = default;
    // False when the system offers no symbolic links at all.
    virtual bool CanCreateSymbolicLink() const = 0;
    virtual DWORD OpenFolder(const CString& strPath, std::unique_ptr<ILinkFolder>& folder) = 0;
    // The stored name of the entry at the path (its last component).
    virtual DWORD GetStoredName(const CString& strPath, CString& strName) = 0;
    // The file at the path: the entry itself, or with bFollow what a link
    // there leads to.
    virtual DWORD GetFileInfo(const CString& strPath, bool bFollow, LinkFileInfo& info) = 0;
    // The path the system gives what the path leads to, links followed and
    // short names spelled out.
    virtual DWORD GetFinalPath(const CString& strPath, CString& strFinal) = 0;
};
