#pragma once

#include "framework/Dialog.h"

// The program's one working window on template 102.
class CQuillonDlg : public CDialog
{
public:
    explicit CQuillonDlg(CWnd* pParent = nullptr);

    HICON m_hIcon;
    int m_nLinkType;        // 0 = symbolic link, 1 = hard link
    int m_bRemoveExisting;  // check box "Vorhandenen Dateien ... entfernen."

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL OnCommand(UINT nID, UINT nCode) override;

    void OnSysCommand(UINT nID, LPARAM lParam);
    void OnPaint();
};
