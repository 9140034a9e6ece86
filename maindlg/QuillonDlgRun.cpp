#include "maindlg/QuillonDlg.h"

#include "links/LinkReport.h"
#include "links/Win32FileSystem.h"
#include "res/resource.h"
#include "shell/RecycleBin.h"

// The main dialog's side of starting a run: which clicks are meant for it,
// its options from the controls, the file system it runs on; undoing an
// earlier run, and letting go of what runs kept.

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
    options.bRelative = m_bRelative != 0 && options.kind == LinkKind::Symbolic;
    options.bPreview = bPreview;
    options.strRecordFolder = m_strHistoryFolder;
    // The workers only post: the window's thread never waits on them while
    // they wait on it.
    const HWND hWnd = m_hWnd;
    m_runWindow.SetPreview(bPreview);
    m_run.Start(CLinkPathList<CQNStringArrayHash>(m_setFolders), CLinkPathList<CQNStringArrayHash>(m_setFiles),
                options, CreateRunFileSystem(), m_nRunWorkers,
                [hWnd] { ::PostMessageW(hWnd, kWmLinesWaiting, 0, 0); });
}

CString CQuillonDlg::GetHistoryFolder()
{
    return CRunHistory::GetDefaultFolder();
}

void CQuillonDlg::OnUndo()
{
    // The second half of a double click, or a Ctrl+Z typed while the last
    // run went on, never undoes one run more.
    if (!IsClickForTheRun())
        return;
    std::shared_ptr<const RunRecord> pRecord;
    CString strPath;
    if (!DecideWindowState(GetWindowFacts()).bCanUndo || !m_history.GetUndoable(pRecord, strPath))
    {
        ::MessageBeep(MB_OK);
        return;
    }
    m_reportView.Clear();
    m_runWindow.SetPreview(false);
    const HWND hWnd = m_hWnd;
    m_run.StartUndo(pRecord, strPath, CreateRunFileSystem(), m_nRunWorkers,
                    [hWnd] { ::PostMessageW(hWnd, kWmLinesWaiting, 0, 0); });
}

namespace {

CString CountOf(long long n, const wchar_t* pszOne, const wchar_t* pszMany)
{
    return GroupDigits(static_cast<ULONGLONG>(n)) + L" " + (n == 1 ? pszOne : pszMany);
}

CString DescribeKept(const KeptSummary& kept)
{
    return CountOf(kept.nFiles, L"Datei", L"Dateien") + L" aus " + CountOf(kept.nRuns, L"Lauf", L"Läufen") + L", " +
           FormatByteSize(kept.nBytes);
}

}  // namespace

void CQuillonDlg::LoadHistory()
{
    if (m_history.GetFolder() != m_strHistoryFolder)
        m_history = CRunHistory(m_strHistoryFolder);
    m_history.Load();
    ShowKept();
}

void CQuillonDlg::OnRunEnded()
{
    const CCreateRun::Ended& ended = m_run.GetEnded();
    if (m_run.IsUndo())
        m_history.Reload(m_strHistoryFolder + L"\\" + CLinkJob::MakeRecordName(ended.nKeepTime));
    else
        m_history.AddRun(ended.nKeepTime, ended.nKept, ended.nKeptBytes);
    ShowKept();
}

void CQuillonDlg::ShowKept()
{
    // While runs keep files, the output list's label says so.
    if (!m_run.IsRunning())
    {
        const KeptSummary& kept = m_history.GetKept();
        // Short, for the label shares its row with "Rückgängig"; the menu's
        // question says of how many runs.
        SetDlgItemText(IDC_STATIC_OUTPUT, kept.nFiles == 0 ? m_runWindow.GetLabel()
                                                           : m_runWindow.GetLabel() + L"   (aufbewahrt: " +
                                                                 CountOf(kept.nFiles, L"Datei", L"Dateien") + L", " +
                                                                 FormatByteSize(kept.nBytes) + L")");
    }
    UpdateWindowState();
}

void CQuillonDlg::OnReleaseKept()
{
    if (!DecideWindowState(GetWindowFacts()).bCanRelease)
    {
        ::MessageBeep(MB_OK);
        return;
    }
    // What the question counts is what is on the disk now.
    LoadHistory();
    if (m_history.GetKept().nFiles == 0)
        return;
    const CString strAsk =
        L"Aufbewahrte Dateien freigeben: " + DescribeKept(m_history.GetKept()) +
        L"?\n\nSie kommen in den Papierkorb, wo ihr Laufwerk einen hat, und lassen sich von dort wiederherstellen; "
        L"auf Laufwerken ohne Papierkorb (Netz- und Wechsellaufwerke) werden sie gelöscht. Die Läufe, die sie "
        L"ersetzt haben, lassen sich danach nicht mehr rückgängig machen.";
    if (::MessageBoxW(m_hWnd, strAsk, L"Quillon", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return;
    const RecycleOutcome outcome = RecycleFolders(m_history.GetKeptFolders());
    std::vector<CString> lines;
    for (const CString& strFolder : outcome.recycled)
        lines.push_back(L"Freigegeben, im Papierkorb: " + strFolder + L".");
    for (const CString& strFolder : outcome.deleted)
        lines.push_back(L"Freigegeben, gelöscht (das Laufwerk hat keinen Papierkorb): " + strFolder + L".");
    for (const CString& strFolder : outcome.kept)
        lines.push_back(L"Nicht freigegeben, bleibt aufbewahrt: " + strFolder + L".");
    m_reportView.Clear();
    m_reportView.AddTexts(lines);
    std::vector<CString> released = outcome.recycled;
    released.insert(released.end(), outcome.deleted.begin(), outcome.deleted.end());
    m_history.ForgetKept(released);
    LoadHistory();
}
