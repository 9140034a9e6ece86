#include "maindlg/QuillonDlg.h"

#include "links/Win32FileSystem.h"

// The main dialog's side of starting a run: which clicks are meant for it,
// its options from the controls, and the file system it runs on.

PFNCREATESYMBOLICLINKW CQuillonDlg::LookUpSymbolicLinkOperation()
{
    return LookUpCreateSymbolicLinkW();
}

std::unique_ptr<ILinkFileSystem> CQuillonDlg::CreateRunFileSystem()
{
    return std::make_unique<CWin32FileSystem>(m_pfnCreateSymbolicLinkW);
}

bool CQuillonDlg::IsClickForTheRun()
{
    // Commands that no input of the user's brought (a program pressing the
    // button) are taken as they come.
    if (!m_bInput)
        return true;
    m_bInput = false;
    if (m_bRepeatedKey)
        return false;
    // The second click of a double click belongs to the first: it neither
    // stops the run that click started nor starts one after it stopped one.
    if (m_bRunClicked && static_cast<LONG>(m_dwInputTime - m_dwRunClickTime) < static_cast<LONG>(::GetDoubleClickTime()))
        return false;
    // A click made while a run still went on never starts the next one.
    if (!m_run.IsRunning() && m_bRunEnded && static_cast<LONG>(m_dwInputTime - m_dwRunEndTime) < 0)
        return false;
    m_dwRunClickTime = m_dwInputTime;
    m_bRunClicked = true;
    return true;
}

void CQuillonDlg::OnCreateLinks(bool bPreview)
{
    if (!IsClickForTheRun())
        return;
    // While a run goes on, "Erstellen" reads "Abbrechen"; "Vorschau" is off.
    if (m_run.IsRunning())
    {
        if (!bPreview)
            m_run.Stop();
        return;
    }
    UpdateData(TRUE);
    m_reportView.Clear();
    LinkRunOptions options;
    options.kind = m_nLinkType == 0 ? LinkKind::Symbolic : LinkKind::Hard;
    options.bRemoveExisting = m_bRemoveExisting != 0;
    options.bPreview = bPreview;
    // The workers only post: the window's thread never waits on them while
    // they wait on it.
    const HWND hWnd = m_hWnd;
    m_runWindow.SetPreview(bPreview);
    m_run.Start(CLinkPathList<CQNStringArrayHash>(m_setFolders), CLinkPathList<CQNStringArrayHash>(m_setFiles),
                options, CreateRunFileSystem(), m_nRunWorkers,
                [hWnd] { ::PostMessageW(hWnd, kWmLinesWaiting, 0, 0); });
}
