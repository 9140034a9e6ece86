#pragma once

#include "framework/String.h"

#include <windows.h>

#include <memory>
#include <vector>

// Which file a name leads to: its volume and its id there. The id is 128
// bits where the system gives them (Windows 8 on), else the 64-bit index;
// a folder's listing gives 64 bits only.
struct LinkFileId
{
    ULONGLONG nVolume = 0;
    ULONGLONG nHigh = 0;
    ULONGLONG nLow = 0;
    bool bWide = false;

    // File systems and redirectors without ids answer 0 or all ones: such an
    // id proves nothing.
    bool IsKnown() const
    {
        return (nHigh != 0 || nLow != 0) && !(nLow == ~0ull && (nHigh == 0 || nHigh == ~0ull));
    }
};

// Whether two ids name one file: only known ids of comparable width tell
// (a 64-bit index is a 128-bit id whose upper half is 0, as NTFS has them).
enum class Sameness
{
    Same,
    Different,
    Unknown
};
inline Sameness CompareFiles(const LinkFileId& a, const LinkFileId& b)
{
    if (!a.IsKnown() || !b.IsKnown() || (a.bWide != b.bWide && (a.bWide ? a.nHigh : b.nHigh) != 0))
        return Sameness::Unknown;
    return a.nHigh == b.nHigh && a.nLow == b.nLow ? Sameness::Same : Sameness::Different;
}

// What a handle on one entry tells of the file behind it.
struct LinkFileInfo
{
    LinkFileId id;
    DWORD nLinks = 0;
    DWORD dwAttributes = 0;
    ULONGLONG nSize = 0;
    ULONGLONG nWriteTime = 0;  // a FILETIME
};

// An entry as its folder shows it.
struct LinkEntryInfo
{
    // The name as the file system stores it: never a short (8.3) alias.
    CString strName;
    // In a listing: the entry's short name, where it has one.
    CString strShortName;
    LinkFileId id;
    // 0 in a listing, which does not count names.
    DWORD nLinks = 0;
    DWORD dwAttributes = 0;
    ULONGLONG nSize = 0;
    ULONGLONG nWriteTime = 0;  // a FILETIME
};

// What an entry is opened for: each step asks for no more than it needs, so
// that a file the user may not change (a hard link carries its source's
// security) can still be renamed or removed where its folder allows it.
enum class EntryAccess
{
    Read,              // its identity and attributes
    Change,            // also rename and remove it
    ChangeAttributes   // also write its attributes
};

enum class ReplaceExisting
{
    No,
    Yes
};

// Whether a path's last link is followed.
enum class Follow
{
    No,
    Yes
};

// What a symbolic link holds: the path the system follows (the substitute
// name, "\??\C:\..." for an absolute link) and whether it is relative to
// the link's folder.
struct LinkTargetPath
{
    CString strSubstitute;
    bool bRelative = false;
    // A junction (mount point) rather than a symbolic link.
    bool bJunction = false;
};

class ILinkFolder;

// One entry of a held folder, opened on its name without following a link
// there. Everything done through it stays on that entry.
class ILinkEntry
{
public:
    virtual ~ILinkEntry() = default;
    [[nodiscard]] virtual DWORD Query(LinkFileInfo& info) = 0;
    // Attributes are the file's, shared by all its hard links; the entry must
    // be open for EntryAccess::ChangeAttributes.
    [[nodiscard]] virtual DWORD SetAttributes(DWORD dwAttributes) = 0;
    // Gives the entry another name in the same folder.
    [[nodiscard]] virtual DWORD Rename(const CString& strName, ReplaceExisting replace) = 0;
    // Moves the entry into another held folder of the same volume under
    // the name given; never replaces anything there. The entry stays open.
    [[nodiscard]] virtual DWORD MoveTo(ILinkFolder& folder, const CString& strName) = 0;
    // Removes this name. The file's attributes are as before afterwards,
    // also where read-only had to be cleared for the removal. Where it
    // fails, the entry stays open as it was, under its name.
    [[nodiscard]] virtual DWORD Delete() = 0;
    // What the symbolic link this entry is holds; ERROR_NOT_A_REPARSE_POINT
    // for anything else.
    [[nodiscard]] virtual DWORD ReadLink(LinkTargetPath& target) = 0;
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
    [[nodiscard]] virtual DWORD GetFinalPath(CString& strPath) = 0;
    // False only where nothing can be at the name: a quick look that may
    // never stand in for FindEntry where something is there.
    virtual bool MayHold(const CString& strName) = 0;
    // The entry at the name, ERROR_FILE_NOT_FOUND when there is none. A
    // short name finds the entry it belongs to, with its stored name.
    [[nodiscard]] virtual DWORD FindEntry(const CString& strName, LinkEntryInfo& entry) = 0;
    // A file, or a link to a folder (never a real folder).
    [[nodiscard]] virtual DWORD OpenEntry(const CString& strName, EntryAccess access,
                                          std::unique_ptr<ILinkEntry>& entry) = 0;
    // Every entry at once, as the folder lists them now (64-bit ids,
    // attributes, size and time, stored and short name; no link count).
    [[nodiscard]] virtual DWORD ListEntries(std::vector<LinkEntryInfo>& entries) = 0;
    // A new entry at the name; neither replaces anything.
    [[nodiscard]] virtual DWORD CreateHardLink(const CString& strName, const CString& strSource) = 0;
    [[nodiscard]] virtual DWORD CreateSymbolicLink(const CString& strName, const CString& strSource,
                                                   DWORD dwFlags) = 0;
    // A new junction at the name leading to the folder (an absolute local
    // path): an empty folder and its reparse data; where the data cannot be
    // set, the folder goes again and the error is the system's.
    [[nodiscard]] virtual DWORD CreateJunction(const CString& strName, const CString& strFolder) = 0;
    // A new hidden folder at the name, made here and held like this one;
    // ERROR_ALREADY_EXISTS where anything is at the name, a link too.
    [[nodiscard]] virtual DWORD CreateFolder(const CString& strName, std::unique_ptr<ILinkFolder>& folder) = 0;
    // The real folder at the name, held like this one; a link there is not
    // followed (ERROR_DIRECTORY).
    [[nodiscard]] virtual DWORD OpenFolder(const CString& strName, std::unique_ptr<ILinkFolder>& folder) = 0;
    // Removes this folder, which must be empty (ERROR_DIR_NOT_EMPTY else).
    [[nodiscard]] virtual DWORD RemoveEmpty() = 0;
    // The folder that holds the system's handle, where this one stands in
    // for another (an entry moves into that one).
    virtual ILinkFolder& GetHolder() { return *this; }
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
    [[nodiscard]] virtual DWORD OpenFolder(const CString& strPath, std::unique_ptr<ILinkFolder>& folder) = 0;
    // The stored name of the entry at the path (its last component).
    [[nodiscard]] virtual DWORD GetStoredName(const CString& strPath, CString& strName) = 0;
    // The file at the path: the entry itself, or what a link there leads to.
    [[nodiscard]] virtual DWORD GetFileInfo(const CString& strPath, Follow follow, LinkFileInfo& info) = 0;
    // The path the system gives what the path leads to, links followed and
    // short names spelled out.
    [[nodiscard]] virtual DWORD GetFinalPath(const CString& strPath, CString& strFinal) = 0;
    // Whether the path lies on a share or a drive mapped to one, where no
    // junction can lead.
    virtual bool IsOnNetwork(const CString& strPath) = 0;
};
