#include "maindlg/PathList.h"

#include "files/PathRules.h"
#include "files/TempName.h"
#include "shell/FilePicker.h"
#include "shell/FolderPicker.h"
#include "shell/PathHelpers.h"

CPathList::CPathList(CWnd& owner, CDropListCtrl& list, CQNStringArrayHash& set, bool bFolders)
    : m_owner(owner), m_list(list), m_set(set), m_bFolders(bFolders)
{
}

void CPathList::Fill()
{
    m_list.SetRedraw(FALSE);
    m_list.DeleteAllItems();
    const int nCount = m_set.GetCount();
    std::vector<CString> texts;
    texts.reserve(static_cast<size_t>(nCount));
    for (int i = 0; i < nCount; ++i)
        texts.push_back(m_set.GetAt(i));
    m_list.InsertSortedItems(texts);
    m_list.SetRedraw(TRUE);
}

namespace {

CString RefusedLine(const wchar_t* pszWhy, const CString& strPath)
{
    CString strLine;
    strLine.Format(L"Nicht übernommen, %s: %s.", pszWhy, strPath.GetString());
    return strLine;
}

}  // namespace

std::vector<CString> CPathList::Add(const std::vector<CString>& paths)
{
    return Add(paths, m_bFolders);
}

std::vector<CString> CPathList::AddFolders(const std::vector<CString>& paths)
{
    return Add(paths, true);
}

std::vector<CString> CPathList::Add(const std::vector<CString>& paths, bool bFolders)
{
    std::vector<CString> refused;
    for (CString path : paths)
    {
        // "C:\S\a.txt::$DATA" opens the file, but the name a link would
        // carry and the entry that is the source would not be the file's.
        if (!IsPlainPath(path))
        {
            refused.push_back(RefusedLine(L"kein einfacher Name", path));
            continue;
        }
        // What a run kept aside stays where it was kept until it is put back.
        if (IsInKeptFolder(path))
        {
            refused.push_back(RefusedLine(L"von Quillon aufbewahrt", path));
            continue;
        }
        if (IsDirectoryPath(path) != bFolders)
            continue;
        if (bFolders)
            AddTrailingBackslash(path);
        m_set.Add(path);
    }
    Fill();
    return refused;
}

bool CPathList::AddPicked(CString& strFolder, std::vector<CString>& refused)
{
    if (m_bFolders)
    {
        if (PickFolder(strFolder) != IDOK)
            return false;
        AddTrailingBackslash(strFolder);
        refused = Add({strFolder});
        return true;
    }
    // The dialog is the application's main window: it owns the picker.
    CFilePicker picker(strFolder, &m_owner);
    picker.m_ofn.Flags |= OFN_ALLOWMULTISELECT;
    if (picker.DoModal() == 0)
        return false;
    CStringArray paths;
    picker.GetPathNames(paths);
    std::vector<CString> chosen;
    for (INT_PTR i = 0; i < paths.GetSize(); ++i)
        chosen.push_back(paths[i]);
    refused = Add(chosen);
    return true;
}

bool CPathList::AddPickedFolders(CString& strFolder, std::vector<CString>& refused)
{
    std::vector<CString> chosen;
    if (PickFolders(strFolder, chosen) != IDOK)
        return false;
    refused = AddFolders(chosen);
    return true;
}

bool CPathList::OnNotify(NMHDR* pNMHDR, bool& bSelectionChanged, LRESULT* pResult)
{
    // "Entfernen" follows the selection however it changes: mouse, keyboard,
    // removal.
    if (pNMHDR->code == LVN_ITEMCHANGED)
    {
        const NMLISTVIEW* pChange = reinterpret_cast<NMLISTVIEW*>(pNMHDR);
        bSelectionChanged =
            (pChange->uChanged & LVIF_STATE) && ((pChange->uOldState ^ pChange->uNewState) & LVIS_SELECTED);
        *pResult = 0;
        return true;
    }
    // The list is cleared and refilled whole on every change; nothing waits
    // for a notice per item, and thousands of them cost more than the items.
    if (pNMHDR->code == LVN_DELETEALLITEMS || pNMHDR->code == LVN_INSERTITEM)
    {
        *pResult = pNMHDR->code == LVN_DELETEALLITEMS ? TRUE : 0;
        return true;
    }
    return false;
}

void CPathList::RemoveSelected()
{
    const int nItem = m_list.GetNextItem(-1, LVNI_SELECTED);
    if (nItem < 0)
        return;
    m_set.Remove(m_list.GetItemText(nItem, 0));
    m_list.DeleteItem(nItem);
    if (nItem < m_list.GetItemCount())
        m_list.SetItemState(nItem, LVIS_SELECTED, LVIS_SELECTED);
}

int CPathList::GetIcon(int nItem, CString& strWork, SHFILEINFOW& sfi)
{
    strWork = m_list.GetItemText(nItem, 0);
    const bool bFolder = m_bFolders || (!strWork.IsEmpty() && strWork[strWork.GetLength() - 1] == L'\\');
    if (bFolder)
        RemoveTrailingBackslash(strWork);
    sfi = SHFILEINFOW();
    if (::SHGetFileInfoW(strWork, bFolder ? FILE_ATTRIBUTE_DIRECTORY : 0, &sfi, sizeof(sfi),
                         SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES) == 0)
        sfi.iIcon = 3;
    return sfi.iIcon;
}

std::vector<CString> TakeStartPaths(const std::vector<CString>& given, CPathList& files, CPathList& folders)
{
    std::vector<CString> foundFiles;
    std::vector<CString> foundFolders;
    std::vector<CString> missing;
    for (const CString& strGiven : given)
    {
        // Relative to where the program was started, as a command line means.
        CString strPath = strGiven;
        const DWORD dwLength = ::GetFullPathNameW(strGiven, 0, nullptr, nullptr);
        if (dwLength > 0)
        {
            std::vector<wchar_t> full(dwLength + 1, L'\0');
            const DWORD dwFull = ::GetFullPathNameW(strGiven, static_cast<DWORD>(full.size()), full.data(), nullptr);
            if (dwFull > 0 && dwFull < full.size())
                strPath = full.data();
        }
        const DWORD dwAttributes = ::GetFileAttributesW(MakeSystemPath(strPath));
        if (strGiven.IsEmpty() || dwAttributes == INVALID_FILE_ATTRIBUTES)
        {
            CString strLine;
            strLine.Format(L"Nicht gefunden: %s.", strGiven.GetString());
            missing.push_back(strLine);
        }
        else
        {
            ((dwAttributes & FILE_ATTRIBUTE_DIRECTORY) ? foundFolders : foundFiles).push_back(strPath);
        }
    }
    for (CPathList* pList : {&files, &folders})
    {
        const std::vector<CString> refused = pList->Add(pList == &files ? foundFiles : foundFolders);
        missing.insert(missing.end(), refused.begin(), refused.end());
    }
    return missing;
}
