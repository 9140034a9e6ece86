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

namespace {

int PickFolders(CString& path, std::vector<CString>& chosen, bool bMultiple)
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
    const PickerDialogs& dialogs = GetPickerDialogs();
    chosen.clear();
    int nResult = IDCANCEL;
    if (bMultiple && dialogs.pfnChooseFolders != nullptr)
    {
        nResult = dialogs.pfnChooseFolders(path, guidText, bItemDialog, chosen);
    }
    else
    {
        nResult = dialogs.pfnChooseFolder(path, guidText, bItemDialog);
        if (nResult == IDOK)
            chosen.assign(1, path);
    }
    if (nResult == IDOK && !chosen.empty())
    {
        path = chosen.front();
        WriteLastDir(path);
        if (!guidText.IsEmpty())
            WriteDialogId(guidText);
    }
    return nResult == IDOK && !chosen.empty() ? IDOK : IDCANCEL;
}

}  // namespace

int PickFolder(CString& path)
{
    std::vector<CString> chosen;
    return PickFolders(path, chosen, false);
}

int PickFolders(CString& path, std::vector<CString>& chosen)
{
    return PickFolders(path, chosen, true);
}

int PickFolderWithItemDialog(CString& path, const wchar_t* guidText)
{
    std::vector<CString> chosen;
    return PickFoldersWithItemDialog(path, guidText, false, chosen);
}

int PickFoldersWithItemDialog(CString& path, const wchar_t* guidText, bool bMultiple, std::vector<CString>& chosen)
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
    dialog->SetOptions(options | ITEM_DIALOG_OPTIONS | (bMultiple ? static_cast<DWORD>(FOS_ALLOWMULTISELECT) : 0u));

    if (FAILED(dialog->Show(hOwner)))
        return IDCANCEL;

    // Items without a file-system path (libraries, "Dieser PC") are left out.
    CComRelease<IShellItemArray> results;
    DWORD nCount = 0;
    chosen.clear();
    if (SUCCEEDED(dialog->GetResults(&results)) && SUCCEEDED(results->GetCount(&nCount)))
    {
        for (DWORD i = 0; i < nCount && (bMultiple || chosen.empty()); ++i)
        {
            CComRelease<IShellItem> item;
            CString strChosen;
            if (SUCCEEDED(results->GetItemAt(i, &item)) && GetItemFileSystemPath(item.Get(), strChosen))
            {
                AddTrailingBackslash(strChosen);
                chosen.push_back(strChosen);
            }
        }
    }
    if (chosen.empty())
        return IDCANCEL;
    path = chosen.front();
    return IDOK;
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
