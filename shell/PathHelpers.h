#pragma once

#include <functional>

#include "framework/String.h"

// The nearest folder of path that exists, lower-cased: path itself when it
// exists, else the first existing parent (ending in "\"), a drive root that
// is not checked, or an empty string when nothing is left.
CString FindExistingFolder(CString path);

// The same walk with the existence check given by the caller.
CString FindExistingFolder(CString path, const std::function<bool(const CString&)>& exists);

// Drive and directory of path, ending in "\" unless empty; file name and
// extension are dropped. Directories of any length are kept whole.
CString GetFolderPart(CString path);

// Cuts str at its first NUL, then appends "\" unless it is empty or already
// ends in one.
void AddTrailingBackslash(CString& str);

// Removes one trailing "\", if there is one.
void RemoveTrailingBackslash(CString& str);

// Fills an empty str with a new GUID in registry form: "{", upper-case
// 8-4-4-4-12 hexadecimal digits, "}". A non-empty str is left alone.
void MakeGuidString(CString& str);

// Whether str is a GUID in the form MakeGuidString writes (either letter case).
bool IsBracedGuidString(const CString& str);
