#pragma once

#include <windows.h>

#include <map>

#include "framework/Controls.h"
#include "layout/DialogLayout.h"
#include "layout/LayoutWindows.h"
#include "tests/layout/test_layout_ids.h"

// The system's window access, noting how often each window moved and
// which object each move went through.
class CMoveRecorder : public CLayoutWindows
{
public:
    void MoveWindow(HWND hWnd, CWnd* pVia, const RECT& rc, BOOL bRepaint) override
    {
        m_vias[hWnd] = pVia;
        ++m_moves[hWnd];
        CLayoutWindows::MoveWindow(hWnd, pVia, rc, bRepaint);
    }
    std::map<HWND, CWnd*> m_vias;
    std::map<HWND, int> m_moves;
};

// The resizable test dialog: two lists side by side over a row of a flexible
// gap, OK, a 10-pixel gap and Cancel; optionally a fixed "sheet" between.
class CLayoutTestDlg : public CDialogLayout
{
public:
    enum Variant
    {
        kNoLayout,
        kListsAndButtons,
        kWithSheet,
    };

    explicit CLayoutTestDlg(UINT nIDTemplate = IDD_LAYOUT_RESIZABLE, Variant variant = kListsAndButtons,
                            LPCWSTR lpszSection = nullptr)
        : CDialogLayout(nIDTemplate, lpszSection), m_variant(variant)
    {
    }
    ~CLayoutTestDlg() override
    {
        if (m_hWnd != nullptr)
            DestroyWindow();
    }

    BOOL OnInitDialog() override
    {
        CDialogLayout::OnInitDialog();
        if (m_pWindows != nullptr)
            m_layout.SetWindows(m_pWindows);
        if (m_bBindCancel)
            m_btnCancel.SubclassDlgItem(IDCANCEL, this);
        if (m_variant == kWithSheet)
            m_sheet.SubclassDlgItem(IDC_LAYOUT_SHEET, this);
        if (m_variant == kNoLayout)
            return TRUE;
        m_layout.BeginGroup(GLL_VERTICAL);
        m_layout.BeginGroup(GLL_HORIZONTAL);
        m_layout.AddControl(IDC_LAYOUT_LIST1);
        m_layout.AddControl(IDC_LAYOUT_LIST2);
        EndGroup();
        if (m_variant == kWithSheet)
            m_layout.AddControl(IDC_LAYOUT_SHEET, GLL_FIXED_SIZE);
        m_layout.BeginGroup(GLL_HORIZONTAL);
        m_layout.AddSpace(0);
        m_layout.AddControl(IDOK, GLL_FIXED_SIZE);
        m_layout.AddSpace(10);
        m_layout.AddControl(IDCANCEL, GLL_FIXED_SIZE | GLL_MOVE_VIA_WND);
        EndGroup();
        EndGroup();
        return TRUE;
    }

    // A child's rectangle in this dialog's client coordinates.
    RECT ChildRect(int nID) const
    {
        RECT rc = {};
        ::GetWindowRect(::GetDlgItem(m_hWnd, nID), &rc);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    }
    SIZE WindowSize() const
    {
        RECT rc = {};
        ::GetWindowRect(m_hWnd, &rc);
        return {rc.right - rc.left, rc.bottom - rc.top};
    }
    void Resize(int cx, int cy)
    {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    Variant m_variant;
    bool m_bBindCancel = false;
    // Where the layout reads and moves windows from the first layout on.
    CLayoutWindows* m_pWindows = nullptr;
    CButton m_btnCancel;
    CPropertySheetLayout m_sheet;
};
