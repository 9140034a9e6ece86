#pragma once

#include "framework/Dialog.h"
#include "layout/LayoutGroup.h"

// Identifier of the size-grip child window.
constexpr UINT GLL_SIZE_GRIP_ID = 0xE801;

// A property sheet inside a layout dialog that tells the dialog about its new
// size with WM_GLL_PROPPAGE_SIZED_SHEET. Every live instance is on a record
// of this process, so that the message handler can tell a real sheet from any
// number another process sent.
class CPropertySheetLayout : public CWnd
{
    DECLARE_DYNAMIC(CPropertySheetLayout)

public:
    CPropertySheetLayout();
    ~CPropertySheetLayout() override;

    // True when p is the address of a live sheet object of this process.
    static bool IsLiveSheet(const void* p);
};

// Base of every dialog whose controls the layout places: size grip, minimum
// tracking size, re-layout on every resize, placement saved on close.
class CDialogLayout : public CDialog
{
    DECLARE_DYNAMIC(CDialogLayout)

public:
    // lpszSection: profile section of the placement and splitter positions;
    // null or empty stores nothing.
    explicit CDialogLayout(UINT nIDTemplate, LPCWSTR lpszSection = nullptr);
    ~CDialogLayout() override;

    BOOL DestroyWindow() override;
    BOOL OnInitDialog() override;

    // Closes the current group; closing the outermost runs the first layout.
    void EndGroup();

    CLayoutGroup m_layout;
    UINT m_nPlacementFlags;
    int m_nSizeGripAllowance;
    bool m_bSizeGripEnabled;
    CString m_strProfileSection;
    CWnd m_wndSizeGrip;
    int m_nSizeGripWidth;
    int m_nSizeGripHeight;
    int m_nMinWindowWidth;
    int m_nMinWindowHeight;

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    void OnSize(UINT nType, int cx, int cy);
    BOOL OnSetCursor(CWnd* pWnd, UINT nHitTest, UINT message);
    void OnGetMinMaxInfo(MINMAXINFO* lpMMI);
    LRESULT OnPropPageSizedSheet(WPARAM wParam, LPARAM lParam);

private:
    void CreateSizeGrip();
    void RunFirstLayout();
};
