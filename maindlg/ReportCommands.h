#pragma once

#include "framework/Controls.h"
#include "maindlg/ReportView.h"

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
    // The selected lines, or all when none is selected, on the clipboard.
    bool Copy(HWND hOwner);
    void SelectAll();

    // The clipboard's text for these places of the report: one line per
    // row, CR LF between them, without the line break that the system's
    // error text puts before the final full stop.
    static std::wstring TextOf(const CReport& report, const std::vector<size_t>& positions);

private:
    CListCtrl& m_list;
    const CReportView& m_view;
};
