#include "shell/PickerDialogs.h"

#include "shell/FolderPicker.h"

namespace {

BOOL RealOpenFile(OPENFILENAMEW* pofn, DWORD* pdwError)
{
    const BOOL bOk = ::GetOpenFileNameW(pofn);
    *pdwError = bOk ? 0 : ::CommDlgExtendedError();
    return bOk;
}

int RealChooseFolder(CString& path, const CString& guidText, bool bItemDialog)
{
    return bItemDialog ? PickFolderWithItemDialog(path, guidText) : PickFolderWithBrowseDialog(path);
}

int RealChooseFolders(CString& path, const CString& guidText, bool bItemDialog, std::vector<CString>& chosen)
{
    if (bItemDialog)
        return PickFoldersWithItemDialog(path, guidText, true, chosen);
    // The browse dialog shows one folder at a time.
    const int nResult = PickFolderWithBrowseDialog(path);
    if (nResult == IDOK)
        chosen.assign(1, path);
    return nResult;
}

const PickerDialogs g_realDialogs = {RealOpenFile, RealChooseFolder, nullptr, RealChooseFolders};
const PickerDialogs* g_pDialogs = &g_realDialogs;

}  // namespace

const PickerDialogs& GetPickerDialogs()
{
    return *g_pDialogs;
}

const PickerDialogs* SetPickerDialogs(const PickerDialogs* pDialogs)
{
    const PickerDialogs* pPrevious = g_pDialogs;
    g_pDialogs = pDialogs != nullptr ? pDialogs : &g_realDialogs;
    return pPrevious;
}
