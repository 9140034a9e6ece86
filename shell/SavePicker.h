#pragma once

#include <windows.h>

#include "framework/String.h"

// The system's Save dialog for one file: the item dialog from Vista on, the
// common "Save As" dialog before. It starts in strFolder with strName
// proposed, offers one file type (pszTypeName, pszPattern such as "*.csv",
// whose extension a name typed without one gets) and asks before a file
// is replaced. True: strPath is the chosen file.
bool PickSaveFile(HWND hOwner, const CString& strFolder, const CString& strName, const wchar_t* pszTypeName,
                  const wchar_t* pszPattern, CString& strPath);
