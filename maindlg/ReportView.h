#pragma once

#include "framework/Controls.h"
#include "maindlg/Report.h"

#include <memory>
#include <vector>

// The output list as a view of the report: an owner-data list view that
// asks for the lines it shows, so that adding, clearing and scrolling cost
// what the rows shown cost. What the user sees stays as a list sorted by
// text shows it: the lines in text order (the line of a run that ended
// early last), the selection kept on its lines while rows come in above
// it, and column 0 as wide as fitting it to its widest line makes it.
class CReportView
{
public:
    explicit CReportView(CListCtrl& list);

    // Puts an owner-data list in the place of the template's list, with its
    // id, place, style (its own sorting aside), font and place in the tab
    // order; the list object is bound to the new window.
    BOOL Attach(CWnd* pParent);

    CReport& GetReport() { return m_report; }
    const CReport& GetReport() const { return m_report; }

    void Clear();
    // Lines of their own, such as what start-up could not find.
    void AddTexts(const std::vector<CString>& lines);
    void BeginRun(std::shared_ptr<const CLinkJob> job);
    void AddResults(const std::vector<LinkPairResult>& results);
    // The run has ended; pLastLine says why it ended early.
    void EndRun(const CString* pLastLine);

    // The line for a row the list is about to draw.
    BOOL OnGetDispInfo(NMLVDISPINFOW* pDispInfo);
    // The place of the line a search of the list finds (typing in it), -1
    // where none does.
    LRESULT OnFindItem(const NMLVFINDITEMW* pFind) const;
    // The places of the selected lines, in order; all places when none is.
    std::vector<size_t> GetLinesToCopy() const;

private:
    // Makes the list show the report after rows came in at the given row
    // numbers and on; the selection stays on its rows.
    void Refresh(uint32_t nFirstNewRow);
    void GrowColumn(const std::vector<CString>& lines);
    void FitColumn();
    std::vector<size_t> FindWidestLines(const std::vector<CString>& lines) const;
    // The column width a list view of the same kind fits to these lines.
    int MeasureFittedWidth(const std::vector<CString>& lines) const;

    CListCtrl& m_list;
    CReport m_report;
    // The widest lines so far: fitting the column to them gives the width
    // fitting it to every line gives.
    std::vector<CString> m_widest;
};
