#pragma once

#include "layout/DialogLayout.h"
#include "links/LinkFileSystem.h"
#include "links/LinkPrivileges.h"
#include "links/RunHistory.h"
#include "maindlg/CreateRun.h"
#include "maindlg/DropListCtrl.h"
#include "maindlg/PathList.h"
#include "maindlg/QNStringArrayHash.h"
#include "maindlg/ReportCommands.h"
#include "maindlg/ReportView.h"
#include "maindlg/RunWindow.h"
#include "maindlg/WindowState.h"

#include <memory>
#include <vector>

class CQuillonDlg;

// The dialog, set when it initialises (the list callbacks find it through
// the control they are given).
extern CQuillonDlg* g_pMainDlg;

// The program's one working window on template 102: start-up, the layout
// and the routing of messages to the path lists, the run and the report.
class CQuillonDlg : public CDialogLayout
{
public:
    explicit CQuillonDlg(CWnd* pParent = nullptr);
    ~CQuillonDlg() override;

    HICON m_hIcon;
    PFNCREATESYMBOLICLINKW m_pfnCreateSymbolicLinkW;  // null: hard links only
    int m_nLinkType;        // 0 = symbolic link, 1 = hard link
    CDropListCtrl m_listFiles;
    CDropListCtrl m_listFolders;
    CListCtrl m_listOutput;  // shows the report of the last Create run
    CString m_strFolder;    // last folder picked; start path of both pickers
    CString m_strWork;      // scratch of one handler call
    CQNStringArrayHash m_setFiles;    // source files, the truth behind list 1000
    CQNStringArrayHash m_setFolders;  // target folders, each ending in "\"
    SHFILEINFOW m_sfi;      // scratch record of the icon lookup
    int m_bRemoveExisting;  // check box "Vorhandenen Dateien ... entfernen."
    int m_bRelative;        // check box "Relative Pfade", remembered in the profile
    // Paths handed over at start (the command line, Explorer's "Senden an"),
    // taken into the lists as a drop would take them.
    std::vector<CString> m_startPaths;
    // Workers of a Create run; 0 lets the run choose.
    int m_nRunWorkers;

    // Whether a Create run is going on (its workers may have ended, with
    // their last lines not yet shown).
    bool IsRunning() const { return m_run.IsRunning(); }
    bool HaveWorkersEnded() const { return m_run.HaveWorkersEnded(); }

    // Rebuild a list from its set and apply the Create-button rule.
    void FillFileList();
    void FillFolderList();

    // Callbacks of both path lists; the control they get knows its dialog.
    static int OnGetFileIcon(int nItem, DWORD_PTR dwData, CDropListCtrl* pCtrl, NMLVDISPINFOW* pDispInfo);
    static void OnDropPaths(HDROP hDrop, CDropListCtrl* pCtrl);

    // Where the minimised window's icon goes: centred in rcClient, halves
    // truncated toward zero.
    static POINT GetIconPaintPosition(const RECT& rcClient, int cxIcon, int cyIcon)
    {
        return POINT{(rcClient.right - rcClient.left - cxIcon + 1) / 2, (rcClient.bottom - rcClient.top - cyIcon + 1) / 2};
    }

    // The report: copying it, selecting all its lines.
    void CopyOutput() { m_reportCommands.Copy(m_hWnd); }
    // Ctrl+S anywhere in the window saves the report.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    bool IsCopyingOutput() const { return m_reportCommands.IsCopying(); }
    bool IsSavingReport() const { return m_reportCommands.IsSaving(); }
    void SelectAllOutput() { m_reportCommands.SelectAll(); }
    CReportView& GetReportView() { return m_reportView; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL OnCommand(UINT nID, UINT nCode) override;
    BOOL OnNotify(UINT nID, NMHDR* pNMHDR, LRESULT* pResult) override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnAddFiles();
    void OnAddFolder();
    void OnAddSourceFolders();
    void OnRemoveFile();
    void OnRemoveFolder();
    void OnClickFileList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnClickFolderList(NMHDR* pNMHDR, LRESULT* pResult);
    // "Erstellen", or with bPreview "Vorschau": the same pairs, nothing
    // changed.
    void OnCreateLinks(bool bPreview = false);

    // Where initialisation finds the symbolic-link operation; a test
    // replaces it to see the dialog on a system without one.
    virtual PFNCREATESYMBOLICLINKW LookUpSymbolicLinkOperation();
    // What a run works on; a test replaces it to make a run fail.
    virtual std::unique_ptr<ILinkFileSystem> CreateRunFileSystem();
    // Where runs are recorded (empty: nowhere, nothing can be undone); a
    // test gives a folder of its own.
    virtual CString GetHistoryFolder();

private:
    // Posted by a run's workers when lines wait to be shown.
    static constexpr UINT kWmLinesWaiting = WM_APP + 0x51;
    static constexpr UINT kWmLoadHistory = WM_APP + 0x52;
    // Where choices of the window are remembered in the profile.
    static constexpr const wchar_t* kOptionsSection = L"Options";
    static constexpr const wchar_t* kRelativeEntry = L"RelativePaths";

    // The nested rows and columns; closing the outermost runs the first
    // layout.
    void DeclareLayout();
    // "Entfernen" and "Erstellen" after a list changed.
    void AfterPathsChanged(CPathList& paths);
    // Lines about paths that were not taken, added to the report.
    void ShowPathNotices(const std::vector<CString>& lines);
    // Every control's state from what the window holds now: the only way a
    // control of the dialog is enabled, disabled or relabelled.
    void UpdateWindowState();
    WindowFacts GetWindowFacts() const;
    // Whether the click now handled on "Erstellen" or "Vorschau" is meant
    // for the run: not the second half of a double click, not input queued
    // while the last run still went on.
    bool IsClickForTheRun();
    // Ctrl+S and "Speichern unter…": the report as a file, once the run is
    // over.
    void SaveReport();
    // "Rückgängig" (the button, Ctrl+Z, the menu): the newest run that can
    // be undone is, on the workers.
    void OnUndo();
    // "Aufbewahrte Dateien freigeben…": asks, then hands the kept files to
    // the Recycle Bin.
    void OnReleaseKept();
    // The history read again: what "Rückgängig" offers, and the label that
    // says what is kept.
    void LoadHistory();
    // A run or an undo ended: the history takes what it did.
    void OnRunEnded();
    void ShowKept();
    // Keys the lists act on; true when the key was taken.
    bool OnListKey(UINT nID, WORD wVKey);
    void AddStartPaths();

    CPathList m_files;
    CPathList m_folders;
    CReportView m_reportView;
    CReportCommands m_reportCommands;
    CRunWindow m_runWindow;
    // The run goes first when the dialog is destroyed.
    CCreateRun m_run;
    CWindowStateKeeper m_windowState;
    CString m_strHistoryFolder;
    CRunHistory m_history{CString()};
    // The input being handled (from the message loop): its time, whether it
    // is input at all, whether it is a key held down; and the times of the
    // last click that started or stopped a run and of the last run's end.
    DWORD m_dwInputTime;
    bool m_bInput;
    bool m_bRepeatedKey;
    DWORD m_dwRunClickTime;
    bool m_bRunClicked;
    DWORD m_dwRunEndTime;
    bool m_bRunEnded;
};
