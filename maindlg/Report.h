#pragma once

#include "framework/String.h"
#include "links/LinkRun.h"
#include "links/LinkTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The report of the last run as values: each row is a pair's result (its
// line is made when it is shown) or a text of its own. Rows are kept in the
// order a list sorted by text shows them; the line that says why a run ended
// early stays last whatever its text. Inserting, clearing and looking a row
// up cost what the rows in question cost, not what the whole report costs.
class CReport
{
public:
    CReport();
    ~CReport();
    CReport(const CReport&) = delete;
    CReport& operator=(const CReport&) = delete;

    void Clear();
    // The run whose results follow; it makes their lines, so it is kept.
    void SetJob(std::shared_ptr<const CLinkJob> job);
    // Each goes to its place in text order, after the lines equal to it.
    // pLines, if given, gets the new lines, in the order given.
    void AddResults(const std::vector<LinkPairResult>& results, std::vector<CString>* pLines = nullptr);
    void AddTexts(const std::vector<CString>& lines);
    void SetLastLine(const CString& strLine);
    // No more rows come until the next Clear: the sort keys go.
    void Freeze();

    size_t GetCount() const;
    // The report is a preview's.
    bool IsPreview() const;
    // Rows added so far, whatever their place; a row's number is its place
    // in this count.
    size_t GetRowCount() const { return m_rows.size(); }
    // The line at a place in the report's order.
    CString GetLine(size_t nPosition) const;
    // Row numbers stay while rows are added; places move. The last line has
    // the row number kLastLine.
    uint32_t GetRowAt(size_t nPosition) const;
    CString GetLineOfRow(uint32_t nRow) const;
    // A pair's row as fields (true); any other row has its whole line as
    // the text (false).
    bool GetFieldsOfRow(uint32_t nRow, LinkLineFields& fields) const;
    static const uint32_t kLastLine = 0xFFFFFFFFu;
    // Changes whenever the report is cleared: rows taken before are gone.
    unsigned GetGeneration() const { return m_nGeneration; }
    // The place of a row, or GetCount() where it cannot be told (after
    // Freeze, places no longer move).
    size_t FindPosition(uint32_t nRow) const;

private:
    struct Row
    {
        LinkPairResult result;
        int nText = -1;  // >= 0: a text of its own
    };
    typedef std::vector<uint32_t> Chunk;

    CString LineOfRow(uint32_t nRow) const;
    void InsertRow(const Row& row, const std::string& key);
    int CompareRows(uint32_t a, uint32_t b) const;
    void UpdateStarts() const;
    size_t ChunkOf(size_t nPosition) const;

    std::shared_ptr<const CLinkJob> m_job;
    std::vector<Row> m_rows;
    // Rows that have their place in the order: the report's lines. A row
    // whose place could not be had (no memory) is not one of them.
    size_t m_nPlaced;
    std::vector<CString> m_texts;
    // The order: row numbers in chunks of bounded size, so that inserting
    // moves a chunk, not the report.
    std::vector<Chunk> m_chunks;
    // Where each chunk starts, brought up to date when asked after a change.
    mutable std::vector<size_t> m_starts;
    mutable bool m_bStartsValid;
    // Sort keys of the rows, one after the other; only while rows come.
    std::string m_keys;
    std::vector<size_t> m_keyStarts;
    bool m_bFrozen;
    CString m_strLastLine;
    bool m_bHasLastLine;
    unsigned m_nGeneration;
};

// A key that orders lines as the list's own sorting (lstrcmpW) does, at one
// conversion per line instead of a linguistic comparison per step.
std::string MakeSortKey(const CString& strLine);
