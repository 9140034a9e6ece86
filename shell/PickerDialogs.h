#pragma once

#include <windows.h>
#include <commdlg.h>

#include "framework/String.h"

#include <vector>

// The system dialogs behind the pickers. Everything uses the real ones; the
// main dialog's tests put scripted ones in their place to drive its handlers
// without a user.
struct PickerDialogs
{
    // GetOpenFileNameW; when it returns zero, *pdwError is the dialog's
    // extended error code.
    BOOL (*pfnOpenFile)(OPENFILENAMEW* pofn, DWORD* pdwError);
    // The folder dialog for path (in and out): the item dialog under
    // guidText when bItemDialog, else the browse dialog. IDOK or IDCANCEL.
    int (*pfnChooseFolder)(CString& path, const CString& guidText, bool bItemDialog);
    // The Save dialog started in strFolder with strName proposed; true with
    // strPath chosen. Null: the system's own.
    bool (*pfnSaveFile)(HWND hOwner, const CString& strFolder, const CString& strName, CString& strPath);
    // As pfnChooseFolder, several folders where the dialog lets the user
    // choose more than one (the item dialog); chosen holds each. Null: one,
    // through pfnChooseFolder.
    int (*pfnChooseFolders)(CString& path, const CString& guidText, bool bItemDialog, std::vector<CString>& chosen);
};

const PickerDialogs& GetPickerDialogs();

// Installs pDialogs (null: the real dialogs again); returns the previous set.
const PickerDialogs* SetPickerDialogs(const PickerDialogs* pDialogs);
