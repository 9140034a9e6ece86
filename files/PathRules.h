#pragma once

#include "framework/String.h"

// The rules by which the program spells and compares paths, shared by the
// link run and the window.

// The spelling of a path that the system's file calls accept at any length
// and take as it is. A path of MAX_PATH characters or more is made absolute
// and normal and gets the \\?\ form (\\?\UNC\ for a share), which lifts
// the limit; so does an absolute path with a name the system would rewrite
// (see IsRewrittenName), which only that form reaches. Other paths, and
// paths already in a device form, are returned as they are, so that they
// behave exactly as the user's spelling does.
CString MakeSystemPath(const wchar_t* pszPath);

// The form the system's object manager gives a path ("\??\C:\...",
// "\??\UNC\server\share\..."): what an absolute symbolic link to it holds.
CString MakeNtPath(const wchar_t* pszPath);

// Whether the Win32 path rules would make another name of this one: a
// trailing dot or space is dropped, and device names (CON, NUL, COM1, ...
// with any extension) lead to the device.
bool IsRewrittenName(const CString& strName);

// A path in upper case as the file system compares names, for keys that
// must match whatever letter case a path was listed in.
CString MakeFoldedPath(const wchar_t* pszPath);

// Name and extension of the last component of a path.
CString GetFileName(CString strPath);

// Whether a name can only mean one entry of a folder: no separator, no
// stream, no wildcard, not "." or "..".
bool IsPlainEntryName(const CString& strName);

// Whether every part of a path after its drive or share is a plain entry
// name: no stream ("a.txt:s", "a.txt::$DATA"), no wildcard.
bool IsPlainPath(const CString& strPath);

// Whether a folder is at the path, at any length.
bool IsDirectoryPath(const CString& strPath);
