#include "maindlg/QuillonDlg.h"

// The main dialog's side of its two path lists: picking, dropping,
// removing and the paths it was started with, and what follows each change
// ("Entfernen", "Erstellen", "Vorschau").

void CQuillonDlg::FillFileList()
{
    m_files.Fill();
    AfterPathsChanged(m_files);
}

void CQuillonDlg::FillFolderList()
{
    m_folders.Fill();
    AfterPathsChanged(m_folders);
}

void CQuillonDlg::OnAddFiles()
{
    std::vector<CString> refused;
    if (m_files.AddPicked(m_strFolder, refused))
        AfterPathsChanged(m_files);
    ShowPathNotices(refused);
}

void CQuillonDlg::OnAddFolder()
{
    std::vector<CString> refused;
    m_folders.AddPicked(m_strFolder, refused);
    FillFolderList();
    ShowPathNotices(refused);
}

void CQuillonDlg::OnAddSourceFolders()
{
    std::vector<CString> refused;
    if (m_files.AddPickedFolders(m_strFolder, refused))
        AfterPathsChanged(m_files);
    ShowPathNotices(refused);
}

void CQuillonDlg::ShowPathNotices(const std::vector<CString>& lines)
{
    // What was not taken is named in the report, the column fitted to it.
    if (lines.empty())
        return;
    m_reportView.AddTexts(lines);
    m_reportView.EndRun(nullptr);
}

void CQuillonDlg::OnRemoveFile()
{
    // During a run the lists stay as they are.
    if (!m_run.IsRunning())
        m_files.RemoveSelected();
    AfterPathsChanged(m_files);
}

void CQuillonDlg::OnRemoveFolder()
{
    if (!m_run.IsRunning())
        m_folders.RemoveSelected();
    AfterPathsChanged(m_folders);
}

void CQuillonDlg::OnClickFileList(NMHDR* /*pNMHDR*/, LRESULT* pResult)
{
    *pResult = 0;
    AfterPathsChanged(m_files);
}

void CQuillonDlg::OnClickFolderList(NMHDR* /*pNMHDR*/, LRESULT* pResult)
{
    *pResult = 0;
    AfterPathsChanged(m_folders);
}

void CQuillonDlg::OnDropPaths(HDROP hDrop, CDropListCtrl* pCtrl)
{
    CQuillonDlg* pDlg = static_cast<CQuillonDlg*>(pCtrl->m_pCallbackContext);
    // Nothing changes the lists underneath a run; the control releases the
    // drop all the same.
    if (pDlg == nullptr || pDlg->m_run.IsRunning())
        return;
    CPathList& paths = pCtrl == &pDlg->m_listFolders ? pDlg->m_folders : pDlg->m_files;
    const std::vector<CString> refused = paths.Add(CDropListCtrl::GetDropPaths(hDrop));
    pDlg->AfterPathsChanged(paths);
    pDlg->ShowPathNotices(refused);
}

void CQuillonDlg::AfterPathsChanged(CPathList& /*paths*/)
{
    UpdateWindowState();
}

int CQuillonDlg::OnGetFileIcon(int nItem, DWORD_PTR /*dwData*/, CDropListCtrl* pCtrl, NMLVDISPINFOW* /*pDispInfo*/)
{
    CQuillonDlg* pDlg = static_cast<CQuillonDlg*>(pCtrl->m_pCallbackContext);
    if (pDlg == nullptr)
        return 0;
    CPathList& paths = pCtrl == &pDlg->m_listFolders ? pDlg->m_folders : pDlg->m_files;
    return paths.GetIcon(nItem, pDlg->m_strWork, pDlg->m_sfi);
}

void CQuillonDlg::AddStartPaths()
{
    // Without start paths the lists keep the column width they were made with.
    if (m_startPaths.empty())
        return;
    const std::vector<CString> missing = TakeStartPaths(m_startPaths, m_files, m_folders);
    m_startPaths.clear();
    FillFileList();
    FillFolderList();
    ShowPathNotices(missing);
}
