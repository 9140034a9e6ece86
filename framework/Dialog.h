#pragma once

#include "framework/Wnd.h"

class CDialog;

// State of one UpdateData pass.
class CDataExchange
{
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    BOOL m_bSaveAndValidate;  // TRUE: controls -> members
    CWnd* m_pDlgWnd;
    bool m_bFailed;

    // The control's window, or null (and the pass marked failed) when the
    // dialog has no such control.
    HWND PrepareCtrl(int nIDC);
    void Fail() { m_bFailed = true; }
};

// Radio group starting at nIDC: the index of the checked button, -1 if none.
void DDX_Radio(CDataExchange* pDX, int nIDC, int& value);
// Check box state: 0, 1, or 2 for an indeterminate three-state box.
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
// Binds (subclasses) the control the first time round.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

class CDialog : public CWnd
{
    DECLARE_DYNAMIC(CDialog)

public:
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    // A template in memory (tests, dialogs built at run time); it must stay
    // valid while the dialog is created.
    explicit CDialog(LPCDLGTEMPLATEW lpDialogTemplate, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Creates the dialog with its owner disabled, runs a modal loop until
    // EndDialog, and destroys the window through the virtual DestroyWindow.
    // Returns the EndDialog code, or -1 when the dialog could not be created.
    virtual INT_PTR DoModal();
    // Modeless creation.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);

    virtual BOOL OnInitDialog();
    // A message of the modal loop before the dialog's keyboard handling sees
    // it; TRUE when it was taken (a window-wide shortcut).
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    virtual void OnOK();
    virtual void OnCancel();
    void EndDialog(int nResult);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    UINT GetTemplateId() const { return m_nIDTemplate; }
    bool IsInModalLoop() const { return m_bInModalLoop; }

protected:
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    BOOL OnCommand(UINT nID, UINT nCode) override;

    CWnd* m_pParentWnd;

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    LPCDLGTEMPLATEW LoadTemplate() const;
    HWND CreateFromTemplate(HWND hWndOwner);

    UINT m_nIDTemplate;
    LPCDLGTEMPLATEW m_lpDialogTemplate;
    INT_PTR m_nModalResult;
    bool m_bInModalLoop;
};
