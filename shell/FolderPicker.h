#pragma once

#include <windows.h>
#include <shobjidl.h>

#include "framework/String.h"

#include <vector>
#include "shell/BrowseFolderDialog.h"

// FOS_PICKFOLDERS | FOS_PATHMUSTEXIST | FOS_DONTADDTORECENT
constexpr DWORD ITEM_DIALOG_OPTIONS = 0x2000820;

// Lets the user choose one folder, starting at path (else the remembered
// folder, else C:\, moved to the nearest existing folder). IDOK: path is the
// chosen folder ending in "\", and it is remembered. IDCANCEL: path is the
// normalised start folder and nothing is remembered.
int PickFolder(CString& path);
// The same for several folders where the system's dialog lets the user
// choose more than one: chosen holds each, ending in "\", path the first.
int PickFolders(CString& path, std::vector<CString>& chosen);

// The shell's item dialog in folder mode, keeping its state under guidText
// (a braced GUID; empty or malformed: none). IDOK or IDCANCEL.
int PickFolderWithItemDialog(CString& path, const wchar_t* guidText);
int PickFoldersWithItemDialog(CString& path, const wchar_t* guidText, bool bMultiple, std::vector<CString>& chosen);

// path = the item's file-system path; false (path unchanged) when it has none.
bool GetItemFileSystemPath(IShellItem* pItem, CString& path);
