#pragma once

#include "framework/Collections.h"
#include "framework/String.h"

// Pure string logic of the pickers, kept apart from the dialogs so that it can
// be checked against the system's own path functions over many inputs.

// What PathRemoveFileSpecW leaves: the path without its last component and
// that component's separator; a root such as c:\ stays as it is.
CString RemoveFileSpec(const CString& path);

// What PathStripPathW leaves: the last component (for a path ending in a
// backslash, the last folder name with its backslash).
CString StripPath(const CString& path);

// What PathRemoveBackslashW leaves: one trailing backslash removed unless the
// path is a root (\, x:\, \\server\share).
CString RemoveBackslash(const CString& path);

// Drive ("c:") and directory ("\data\src\") parts as _wsplitpath splits them,
// without its fixed part sizes: a directory of any length is kept whole.
void SplitDriveAndDirectory(const CString& path, CString& drive, CString& directory);

// The file picker's start path as the Open dialog wants it: the start
// directory and the name that pre-fills the file-name box. Both stay empty
// for an empty path.
void SplitStartPath(const CString& path, CString& initialDir, CString& fileName);

// The Open dialog's result buffer (cch units) turned into full paths: one
// path, or a directory followed by names and closed by an empty string.
// Without multiple selection the buffer holds one path. A buffer that is not
// terminated within cch units is read up to its end.
void ParseOpenFileResult(const wchar_t* buffer, size_t cch, bool bMultiSelect, CStringArray& paths);
