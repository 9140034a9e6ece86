#pragma once

#include <windows.h>

#include "layout/DialogLayout.h"
#include "layout/GroupSplitter.h"
#include "layout/GroupStatic.h"
#include "tests/layout/test_controls_ids.h"

// Two lists divided by a splitter bar, a separator line under them and OK
// at the bottom right. Stacked (horizontal bar) or side by side (vertical
// bar, narrower lists). The dialog can answer the controls' colour question.
class CControlsTestDlg : public CDialogLayout
{
public:
    explicit CControlsTestDlg(LPCWSTR lpszSection = nullptr, bool bSideBySide = false)
        : CDialogLayout(bSideBySide ? IDD_CONTROLS_SIDE_BY_SIDE : IDD_CONTROLS_SPLIT, lpszSection),
          m_bSideBySide(bSideBySide)
    {
    }
    ~CControlsTestDlg() override
    {
        if (m_hWnd != nullptr)
            DestroyWindow();
    }

    BOOL OnInitDialog() override
    {
        CDialogLayout::OnInitDialog();
        m_layout.BeginGroup(GLL_VERTICAL);
        m_layout.BeginGroup(m_bSideBySide ? GLL_HORIZONTAL : GLL_VERTICAL);
        m_pTop = m_layout.AddControl(IDC_CONTROLS_TOP);
        m_pSplitterItem = m_layout.AddSplitter();
        m_pBottom = m_layout.AddControl(IDC_CONTROLS_BOTTOM);
        EndGroup();
        m_pSeparatorItem = m_layout.AddSeparator();
        m_layout.BeginGroup(GLL_HORIZONTAL);
        m_layout.AddSpace(0);
        m_layout.AddControl(IDOK, GLL_FIXED_SIZE);
        EndGroup();
        EndGroup();
        return TRUE;
    }

    CGroupSplitter* Splitter() const { return m_pSplitterItem != nullptr ? m_pSplitterItem->m_pSplitter : nullptr; }
    CGroupStatic* Separator() const
    {
        return m_pSeparatorItem != nullptr ? m_pSeparatorItem->m_pGroupStatic : nullptr;
    }
    // A window's rectangle in this dialog's client coordinates.
    RECT ClientRectOf(HWND hWnd) const
    {
        RECT rc = {};
        ::GetWindowRect(hWnd, &rc);
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    }
    RECT ChildRect(int nID) const { return ClientRectOf(::GetDlgItem(m_hWnd, nID)); }

    // Colours handed out when answering; m_nAnswer 0 leaves the question to
    // the default processing.
    LRESULT m_nAnswer = 0;
    COLORREF m_crAnswerBackground = RGB(0, 0, 0);
    COLORREF m_crAnswerFrame = RGB(0, 0, 0);
    bool m_bSetBackground = false;
    bool m_bSetFrame = false;
    int m_nColorQuestions = 0;

    bool m_bSideBySide;
    CLayoutGroupObj* m_pTop = nullptr;
    CLayoutGroupObj* m_pBottom = nullptr;
    CLayoutGroupObj* m_pSplitterItem = nullptr;
    CLayoutGroupObj* m_pSeparatorItem = nullptr;

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        if (message == GetCtrlColorsMessage() && message != 0)
        {
            ++m_nColorQuestions;
            if (m_nAnswer == 0)
                return CDialogLayout::OnWndMsg(message, wParam, lParam, pResult);
            auto* pColors = reinterpret_cast<GLL_CTRL_COLORS*>(lParam);
            if (m_bSetBackground)
                pColors->crBackground = m_crAnswerBackground;
            if (m_bSetFrame)
                pColors->crFrame = m_crAnswerFrame;
            *pResult = m_nAnswer;
            return TRUE;
        }
        return CDialogLayout::OnWndMsg(message, wParam, lParam, pResult);
    }
};
