#pragma once

#include "layout/DialogLayout.h"
#include "links/LinkBatchThreads.h"
#include "links/LinkPrivileges.h"
#include "maindlg/DropListCtrl.h"
#include "maindlg/QNStringArrayHash.h"

#include <memory>
#include <vector>

class COutputListWriter;
struct ITaskbarList3;

class CQuillonDlg;

// The dialog the list callbacks work on; set when it initialises.
extern CQuillonDlg* g_pMainDlg;

// The program's one working window on template 102.
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
    CListCtrl m_listOutput;  // one line per pair of the last Create run
    CString m_strFolder;    // last folder picked; start path of both pickers
    CString m_strWork;      // scratch of one handler call
    CQNStringArrayHash m_setFiles;    // source files, the truth behind list 1000
    CQNStringArrayHash m_setFolders;  // target folders, each ending in "\"
    SHFILEINFOW m_sfi;      // scratch record of the icon lookup
    int m_bRemoveExisting;  // check box "Vorhandenen Dateien ... entfernen."
    // Paths handed over at start (the command line, Explorer's "Senden an"),
    // taken into the lists as a drop would take them.
    std::vector<CString> m_startPaths;
    // Workers of a Create run; 0 lets the run choose.
    int m_nRunWorkers;

    // Whether a Create run is going on (its workers may have ended, with
    // their last lines not yet shown).
    bool IsRunning() const { return m_pRun != nullptr; }

    // Rebuild a list from its set and apply the Create-button rule.
    void FillFileList();
    void FillFolderList();

    // Callbacks of both path lists; they reach the dialog through g_pMainDlg.
    static int OnGetFileIcon(int nItem, DWORD_PTR dwData, CDropListCtrl* pCtrl, NMLVDISPINFOW* pDispInfo);
    static void OnDropPaths(HDROP hDrop, CDropListCtrl* pCtrl);

    // Where the minimised window's icon goes: centred in rcClient, halves
    // truncated toward zero.
    static POINT GetIconPaintPosition(const RECT& rcClient, int cxIcon, int cyIcon);

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
    void OnRemoveFile();
    void OnRemoveFolder();
    void OnClickFileList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnClickFolderList(NMHDR* pNMHDR, LRESULT* pResult);
    void OnCreateLinks();
    // A run's lines wait: shown at the next tick of the run's timer, or at
    // once when the run has ended.
    void OnLinesWaiting();
    void ShowWaitingLines();
    void EndRun();
    // Where no thread can be had, the run goes on the window's thread.
    void RunInPlace(const ILinkPathList& folders, const ILinkPathList& files, const LinkRunOptions& options);
    // The lines of the results the run has finished since the last call.
    std::vector<CString> TakeRunLines();
    // Everything that would change the lists or the options is disabled
    // while a run goes on, and "Erstellen" reads "Abbrechen".
    void SetRunState(bool bRunning);
    void ShowProgress();
    // Keys the lists act on; true when the key was taken.
    bool OnListKey(UINT nID, WORD wVKey);
    void OnOutputContextMenu(LPARAM lParam);
    // The selected lines of the output list, or all when none is selected,
    // as text on the clipboard.
    void CopyOutput();
    void SelectAllOutput();

    // Where initialisation finds the symbolic-link operation; a test
    // replaces it to see the dialog on a system without one.
    virtual PFNCREATESYMBOLICLINKW LookUpSymbolicLinkOperation();
    // What a run works on; a test replaces it to make a run fail.
    virtual std::unique_ptr<ILinkFileSystem> CreateRunFileSystem();

private:
    // The nested rows and columns; closing the outermost runs the first
    // layout.
    void DeclareLayout();
    void UpdateCreateButton();
    void UpdateRemoveButton(CDropListCtrl& list, int nButtonID);
    void FillList(CDropListCtrl& list, const CQNStringArrayHash& set);
    void RemoveSelected(CDropListCtrl& list, CQNStringArrayHash& set, int nButtonID);
    // Tab and Shift+Tab go through the controls as they appear on screen.
    void ArrangeTabOrder();
    // The radio group is reached through its checked button.
    void UpdateRadioTabStop();
    void AddStartPaths();

    // The run, what it writes through and what it writes to; the run goes
    // first when they are destroyed.
    std::unique_ptr<ILinkFileSystem> m_pRunFileSystem;
    std::unique_ptr<COutputListWriter> m_pRunOutput;
    std::unique_ptr<CLinkBatchThreads> m_pRun;
    bool m_bLinesTimer;
    // The system was told why logging off should wait for the run.
    bool m_bShutdownBlocked;
    CString m_strOutputLabel;
    ITaskbarList3* m_pTaskbar;
};
