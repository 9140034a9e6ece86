#pragma once

#include "framework/Controls.h"
#include "maindlg/ReportView.h"

#include <cstdint>
#include <string>
#include <vector>

// What the output list offers besides showing the report: the report on
// the clipboard, all its lines selected, and a context menu with both.
class CReportCommands
{
public:
    CReportCommands(CListCtrl& list, const CReportView& view);

    // Ctrl+C and Ctrl+Insert copy, Ctrl+A selects all; true when the key
    // was taken.
    bool OnKey(WORD wVKey, bool bControl);
    // At the mouse, or from the keyboard (lParam -1) below the focused line.
    void OnContextMenu(HWND hOwner, LPARAM lParam);
    // The selected lines, or all when none is selected, on the clipboard. A
    // long report is written in slices on the owner's timer (kCopyTimer),
    // so that the window answers meanwhile; the clipboard gets the text when
    // it is whole, unless the report was cleared in between.
    bool Copy(HWND hOwner);
    void OnCopyTimer(HWND hOwner);
    void SelectAll();
    static const UINT_PTR kCopyTimer = 0x52;

    // Whether a long copy is still being written.
    bool IsCopying() const { return m_nNext < m_rows.size(); }

private:
    // Writes the next slice; true when the text is whole.
    bool CopySlice();

    CListCtrl& m_list;
    const CReportView& m_view;
    // The copy being written: its rows, how far it got, and the report it
    // was taken from.
    std::vector<uint32_t> m_rows;
    size_t m_nNext;
    unsigned m_nGeneration;
    std::wstring m_text;
};
