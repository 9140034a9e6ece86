#pragma once

#include <windows.h>
#include <commdlg.h>

#include "framework/String.h"

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
};

const PickerDialogs& GetPickerDialogs();

// Installs pDialogs (null: the real dialogs again); returns the previous set.
const PickerDialogs* SetPickerDialogs(const PickerDialogs* pDialogs);
