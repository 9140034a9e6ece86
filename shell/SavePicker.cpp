#include "shell/SavePicker.h"

#include <commdlg.h>
#include <objbase.h>
#include <shobjidl.h>

#include <vector>

#include "shell/ComRelease.h"
#include "shell/FolderPicker.h"
#include "shell/PickerDialogs.h"
#include "shell/ShellApi.h"

namespace {

// The item dialog; false also where it cannot be had, so that the older
// dialog is asked then (bShown false).
bool SaveWithItemDialog(HWND hOwner, const CString& strFolder, const CString& strName, const wchar_t* pszTypeName,
                        const wchar_t* pszPattern, CString& strPath, bool& bShown)
{
    bShown = false;
    CComRelease<IFileSaveDialog> dialog;
    if (FAILED(::CoCreateInstance(CLSID_FileSaveDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileSaveDialog,
                                  dialog.AsVoid())))
        return false;
    const CShellApi& api = CShellApi::Get();
    CComRelease<IShellItem> folder;
    if (!strFolder.IsEmpty() && api.m_pfnCreateItemFromParsingName != nullptr &&
        SUCCEEDED(api.m_pfnCreateItemFromParsingName(strFolder, nullptr, IID_IShellItem, folder.AsVoid())))
        dialog->SetFolder(folder.Get());
    const COMDLG_FILTERSPEC type = {pszTypeName, pszPattern};
    dialog->SetFileTypes(1, &type);
    const wchar_t* pszExtension = ::wcsrchr(pszPattern, L'.');
    if (pszExtension != nullptr)
        dialog->SetDefaultExtension(pszExtension + 1);
    dialog->SetFileName(strName);
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_OVERWRITEPROMPT | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST |
                       FOS_NOCHANGEDIR | FOS_DONTADDTORECENT);
    bShown = true;
    if (FAILED(dialog->Show(hOwner)))
        return false;
    CComRelease<IShellItem> item;
    return SUCCEEDED(dialog->GetResult(&item)) && GetItemFileSystemPath(item.Get(), strPath);
}

bool SaveWithCommonDialog(HWND hOwner, const CString& strFolder, const CString& strName, const wchar_t* pszTypeName,
                          const wchar_t* pszPattern, CString& strPath)
{
    // "Name\0Pattern\0\0"
    std::vector<wchar_t> filter(pszTypeName, pszTypeName + ::wcslen(pszTypeName) + 1);
    filter.insert(filter.end(), pszPattern, pszPattern + ::wcslen(pszPattern) + 1);
    filter.push_back(L'\0');
    std::vector<wchar_t> file(32768, L'\0');
    ::wcsncpy(file.data(), strName, file.size() - 1);
    const wchar_t* pszExtension = ::wcsrchr(pszPattern, L'.');
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = hOwner;
    ofn.lpstrFilter = filter.data();
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = strFolder.IsEmpty() ? nullptr : strFolder.GetString();
    ofn.lpstrDefExt = pszExtension != nullptr ? pszExtension + 1 : nullptr;
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_NOCHANGEDIR |
                OFN_DONTADDTORECENT;
    if (!::GetSaveFileNameW(&ofn))
        return false;
    strPath = file.data();
    return true;
}

}  // namespace

bool PickSaveFile(HWND hOwner, const CString& strFolder, const CString& strName, const wchar_t* pszTypeName,
                  const wchar_t* pszPattern, CString& strPath)
{
    const PickerDialogs& dialogs = GetPickerDialogs();
    if (dialogs.pfnSaveFile != nullptr)
        return dialogs.pfnSaveFile(hOwner, strFolder, strName, strPath);
    if (CShellApi::Get().m_nOsMajorVersion >= 6)
    {
        bool bShown = false;
        const bool bChosen = SaveWithItemDialog(hOwner, strFolder, strName, pszTypeName, pszPattern, strPath, bShown);
        if (bShown)
            return bChosen;
    }
    return SaveWithCommonDialog(hOwner, strFolder, strName, pszTypeName, pszPattern, strPath);
}
