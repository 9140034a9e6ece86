#pragma once

#include "framework/String.h"

#include <windows.h>

#include <string>

// Writes the file under a temporary name in its folder and renames it into
// place, so that a file there before is never left half-written; a system
// error code, nothing left behind when it fails.
[[nodiscard]] DWORD WriteFileInPlace(const CString& strPath, const std::string& bytes);
