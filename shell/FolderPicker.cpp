#include "shell/FolderPicker.h"

#include <objbase.h>

#include "framework/Wnd.h"
#include "shell/ComRelease.h"
#include "shell/DirectoryMemory.h"
#include "shell/PathHelpers.h"
#include "shell/PickerDialogs.h"
#include "shell/ShellApi.h"

namespace {

HWND SafeOwner()
{
    CWnd* pOwner = CWnd::GetSafeOwner(nullptr, nullptr);
    return pOwner != nullptr ? pOwner->GetSafeHwnd() : nullptr;
}

bool GuidFromBracedText(const wchar_t* guidText, GUID& guid)
{
    if (guidText == nullptr || !IsBracedGuidString(guidText))
        return false;
    wchar_t inner[37] = {};
    for (int i = 0; i < 36; ++i)
        inner[i] = guidText[i + 1];
    return ::UuidFromStringW(reinterpret_cast<RPC_WSTR>(inner), &guid) == RPC_S_OK;
}

}  // namespace

int PickFolder(CString& path)
{
    if (path.IsEmpty())
        path = ReadLastDir();
    if (path.IsEmpty())
        path = L"C:\\";
    path = FindExistingFolder(path);

    const bool bItemDialog = CShellApi::Get().m_nOsMajorVersion >= 6;
    CString guidText;
    if (bItemDialog)
    {
        guidText = ReadDialogId();
        MakeGuidString(guidText);
    }
    const int nResult = GetPickerDialogs().pfnChooseFolder(path, guidText, bItemDialog);
    if (nResult == IDOK)
    {
        WriteLastDir(path);
        if (!guidText.IsEmpty())
            WriteDialogId(guidText);
    }
    return nResult;
}

int PickFolderWithItemDialog(CString& path, const wchar_t* guidText)
{
    const HWND hOwner = SafeOwner();
    CComRelease<IFileOpenDialog> dialog;
    if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                  dialog.AsVoid())))
        return IDCANCEL;

    const CShellApi& api = CShellApi::Get();
    if (!path.IsEmpty() && api.m_pfnCreateItemFromParsingName != nullptr)
    {
        const CString start = path.Left(MAX_PATH - 1);
        CComRelease<IShellItem> folder;
        if (SUCCEEDED(api.m_pfnCreateItemFromParsingName(start, nullptr, IID_IShellItem, folder.AsVoid())))
            dialog->SetFolder(folder.Get());
    }

    GUID guid = {};
    if (GuidFromBracedText(guidText, guid))
        dialog->SetClientGuid(guid);

    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | ITEM_DIALOG_OPTIONS);

    if (FAILED(dialog->Show(hOwner)))
        return IDCANCEL;

    CComRelease<IShellItemArray> results;
    DWORD nCount = 0;
    CComRelease<IShellItem> item;
    CString chosen;
    if (SUCCEEDED(dialog->GetResults(&results)) && SUCCEEDED(results->GetCount(&nCount)) && nCount > 0 &&
        SUCCEEDED(results->GetItemAt(0, &item)) && GetItemFileSystemPath(item.Get(), chosen))
    {
        AddTrailingBackslash(chosen);
        path = chosen;
        return IDOK;
    }
    return IDCANCEL;
}

bool GetItemFileSystemPath(IShellItem* pItem, CString& path)
{
    if (pItem == nullptr)
        return false;
    PWSTR pszPath = nullptr;
    if (FAILED(pItem->GetDisplayName(SIGDN_FILESYSPATH, &pszPath)) || pszPath == nullptr)
        return false;
    path = pszPath;
    ::CoTaskMemFree(pszPath);
    return true;
}
