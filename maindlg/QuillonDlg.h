#pragma once

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "links/LinkPrivileges.h"
#include "maindlg/QNStringArrayHash.h"

// The program's one working window on template 102.
class CQuillonDlg : public CDialog
{
public:
    explicit CQuillonDlg(CWnd* pParent = nullptr);

    HICON m_hIcon;
    PFNCREATESYMBOLICLINKW m_pfnCreateSymbolicLinkW;  // null: hard links only
    int m_nLinkType;        // 0 = symbolic link, 1 = hard link
    CListCtrl m_listOutput;  // one line per pair of the last Create run
    CQNStringArrayHash m_setFiles;    // source files, the truth behind list 1000
    CQNStringArrayHash m_setFolders;  // target folders, each ending in "\"
    int m_bRemoveExisting;  // check box "Vorhandenen Dateien ... entfernen."

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL OnCommand(UINT nID, UINT nCode) override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
    void OnCreateLinks();

    // Where initialisation finds the symbolic-link operation; a test
    // replaces it to see the dialog on a system without one.
    virtual PFNCREATESYMBOLICLINKW LookUpSymbolicLinkOperation();
};
