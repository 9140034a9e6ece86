#pragma once

#include <windows.h>

#include "framework/String.h"

// The callback accepted a path the user typed into the edit box.
constexpr int TYPED_PATH_ACCEPTED = 100;
// BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_EDITBOX | BIF_VALIDATE | BIF_NEWDIALOGSTYLE
constexpr UINT BROWSE_DIALOG_FLAGS = 0x75;

// Shared by PickFolderWithBrowseDialog and its callback for one dialog.
struct BrowseFolderState
{
    wchar_t m_szPath[522];   // in: start folder; out: the accepted typed path
    int m_nTypedPathState;   // TYPED_PATH_ACCEPTED or 0
};

// The browse-for-folder dialog of older systems. IDOK: path is the chosen
// (or accepted typed) folder ending in "\". IDCANCEL: path unchanged.
int PickFolderWithBrowseDialog(CString& path);

// Adapts the browse dialog; lpData is the BrowseFolderState or 0.
int CALLBACK BrowseFolderCallback(HWND hwnd, UINT uMsg, LPARAM lParam, LPARAM lpData);
