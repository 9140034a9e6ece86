#pragma once

#include "layout/DialogLayout.h"
#include "links/LinkPrivileges.h"
#include "maindlg/DropListCtrl.h"
#include "maindlg/QNStringArrayHash.h"

class CQuillonDlg;

// The dialog the list callbacks work on; set when it initialises.
extern CQuillonDlg* g_pMainDlg;

// The program's one working window on template 102.
class CQuillonDlg : public CDialogLayout
{
public:
    explicit CQuillonDlg(CWnd* pParent = nullptr);

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

    // Where initialisation finds the symbolic-link operation; a test
    // replaces it to see the dialog on a system without one.
    virtual PFNCREATESYMBOLICLINKW LookUpSymbolicLinkOperation();

private:
    // The nested rows and columns; closing the outermost runs the first
    // layout.
    void DeclareLayout();
    void UpdateCreateButton();
    void UpdateRemoveButton(CDropListCtrl& list, int nButtonID);
    void FillList(CDropListCtrl& list, const CQNStringArrayHash& set);
    void RemoveSelected(CDropListCtrl& list, CQNStringArrayHash& set, int nButtonID);
};
