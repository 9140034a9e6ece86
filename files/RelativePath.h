#pragma once

#include "framework/String.h"

// Relative symbolic links: the path from a link's folder to what it leads
// to ("..\Quelle\a.txt"), so that a tree moved as a whole keeps working.

enum class RelativePath
{
    Made,
    // Another drive or share: no relative path leads there.
    OtherRoot,
    // A part of the target is a name only the \\?\ form reaches ("a.txt."),
    // or the paths are not absolute and normal: the link stays absolute.
    NotExpressible
};

// Both paths absolute (drive, share, or either in the \\?\ form); the
// folder's with or without its trailing backslash. Letter case does not
// tell names apart.
RelativePath MakeRelativePath(const CString& strFolder, const CString& strTarget, CString& strRelative);

// A relative path as the system follows it from the folder: absolute, its
// "." and ".." taken away (never above the root); empty where it is not
// relative (it has a root of its own).
CString ResolveRelativePath(const CString& strFolder, const CString& strRelative);
