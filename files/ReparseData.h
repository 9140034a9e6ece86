#pragma once

#include "framework/String.h"

#include <windows.h>

#include <vector>

// The reparse data of links, laid out as the file system keeps it
// (REPARSE_DATA_BUFFER): a tag, the length of what follows, then the
// substitute name (what the system follows) and the print name (only shown)
// as offsets and lengths in bytes into a path buffer of UTF-16 names, each
// followed by a terminating zero that the lengths leave out.
enum : DWORD
{
    kReparseTagMountPoint = 0xA0000003,  // IO_REPARSE_TAG_MOUNT_POINT: a junction
    kReparseTagSymbolicLink = 0xA000000C,  // IO_REPARSE_TAG_SYMLINK
    kSymbolicLinkRelative = 0x00000001,    // SYMLINK_FLAG_RELATIVE
    kMaxReparseData = 16 * 1024            // MAXIMUM_REPARSE_DATA_BUFFER_SIZE
};

// What a link holds.
struct ReparseLink
{
    DWORD dwTag = 0;
    CString strSubstitute;
    CString strPrint;
    bool bRelative = false;
};

// A junction's data leading to the folder: substitute "\??\C:\Quelle", print
// name "C:\Quelle". Empty where the path is not a local absolute one, or the
// data would be too large.
std::vector<BYTE> BuildMountPointData(const CString& strFolder);

// Reads a junction's or symbolic link's data; false for any other tag, or
// data whose names lie outside it.
bool ParseReparseData(const BYTE* pData, size_t cbData, ReparseLink& link);
