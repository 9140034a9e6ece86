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

const PickerDialogs g_realDialogs = {RealOpenFile, RealChooseFolder, nullptr};
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
