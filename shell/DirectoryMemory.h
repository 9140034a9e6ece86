#pragma once

#include "framework/String.h"

// Profile section and values in which the folder picker remembers the last
// chosen folder and the identity of its item dialog.
constexpr const wchar_t* BROWSE_FOLDERS_SECTION = L"BrowseFolders";
constexpr const wchar_t* LAST_DIR_VALUE = L"LastDir_";
constexpr const wchar_t* DIALOG_ID_VALUE = L"ID_";

// The remembered folder; empty when there is none (or no application object).
CString ReadLastDir();
void WriteLastDir(const CString& folder);

// The item dialog's identity. A value that is not a braced GUID (edited by
// hand) is treated as missing, so a fresh one replaces it after the next pick.
CString ReadDialogId();
void WriteDialogId(const CString& guidText);
