#pragma once

#include "framework/Controls.h"
#include "framework/String.h"

#include <string>
#include <vector>

// Writes a batch's lines into a list view that sorts its items by text.
// The lines are collected and handed over in one go, with drawing off and in
// descending order: a sorted list view that searches for the insert position
// from the top then inserts each at once (in ascending order every insert
// would pass all items before it). The list ends the same either way, since
// the control sorts; the batch does not pump messages, so nobody sees it in
// between. When the column is fitted, an empty list first gets only its
// widest lines, is fitted to them and then gets the rest: the width is the
// one the whole list would get, without measuring every item.
class COutputListWriter
{
public:
    explicit COutputListWriter(CListCtrl& list);
    ~COutputListWriter();
    COutputListWriter(const COutputListWriter&) = delete;
    COutputListWriter& operator=(const COutputListWriter&) = delete;

    void AddLine(const CString& strLine);
    // Column 0 is fitted to the contents when the lines are written.
    void EndFolder();

    // Inserts what was collected and fits column 0 to the contents if at
    // least one folder ended. Runs once; the destructor calls it too.
    void Flush();

    // For a run whose lines arrive while it goes: each batch goes straight
    // into the list, every line at its place in text order, with drawing off
    // for the batch. The list's own sorting is off meanwhile, since under
    // Wine it searches for each place from the top. EndBatches turns it on
    // again and fits column 0 as Flush would.
    void InsertBatch(const std::vector<CString>& lines);
    void EndBatches();

private:
    // Indices of the lines, last in text order first.
    std::vector<size_t> DescendingOrder() const;
    // Indices of the lines that are widest as a list view measures them.
    std::vector<size_t> FindWidestLines(const std::vector<CString>& lines) const;
    void InsertLine(const CString& strLine, int nItem);

    // The column width the list view would fit to these lines, found in a
    // hidden list view of the same kind; -1 when it cannot be had.
    int MeasureFittedWidth(const std::vector<CString>& widest) const;

    CListCtrl& m_list;
    std::vector<CString> m_lines;
    bool m_bFitColumn;
    // Batches: the sort keys of the list's lines in its order, the widest
    // lines so far, and whether the list's sorting was switched off.
    std::vector<std::string> m_keys;
    std::vector<CString> m_widest;
    bool m_bSortingOff;
};
