#pragma once

#include "framework/String.h"

// The rules by which the program spells and compares paths, shared by the
// link run and the window.

// The spelling of a path that the system's file calls accept at any length.
// A path of MAX_PATH characters or more is made absolute and normal and gets
// the \\?\ form (\\?\UNC\ for a share), which lifts the limit; shorter
// paths, and paths already in a device form, are returned as they are, so
// that they behave exactly as the user's spelling does.
CString MakeSystemPath(const wchar_t* pszPath);

// A path in upper case as the file system compares names, for keys that
// must match whatever letter case a path was listed in.
CString MakeFoldedPath(const wchar_t* pszPath);

// Name and extension of the last component of a path.
CString GetFileName(CString strPath);

// Whether a name can only mean one entry of a folder: no separator, no
// stream, no wildcard, not "." or "..".
bool IsPlainEntryName(const CString& strName);

// Whether a folder is at the path, at any length.
bool IsDirectoryPath(const CString& strPath);
