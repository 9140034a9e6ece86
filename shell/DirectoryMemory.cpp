#include "shell/DirectoryMemory.h"

#include "framework/WinApp.h"
#include "shell/PathHelpers.h"

namespace {

CString ReadValue(const wchar_t* pszEntry)
{
    CWinApp* pApp = AfxGetApp();
    return pApp != nullptr ? pApp->GetProfileStringW(BROWSE_FOLDERS_SECTION, pszEntry, L"") : CString();
}

void WriteValue(const wchar_t* pszEntry, const CString& value)
{
    CWinApp* pApp = AfxGetApp();
    if (pApp != nullptr)
        pApp->WriteProfileStringW(BROWSE_FOLDERS_SECTION, pszEntry, value);
}

}  // namespace

CString ReadLastDir()
{
    return ReadValue(LAST_DIR_VALUE);
}

void WriteLastDir(const CString& folder)
{
    WriteValue(LAST_DIR_VALUE, folder);
}

CString ReadDialogId()
{
    CString guidText = ReadValue(DIALOG_ID_VALUE);
    if (!IsBracedGuidString(guidText))
        guidText.Empty();
    return guidText;
}

void WriteDialogId(const CString& guidText)
{
    WriteValue(DIALOG_ID_VALUE, guidText);
}
