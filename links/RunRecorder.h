#pragma once

#include "framework/String.h"
#include "links/LinkJob.h"
#include "links/LinkTypes.h"
#include "links/RunRecord.h"

#include <atomic>

// A run's side of its record: the header before the first pair, each pair
// that made or replaced something (for an undo, each pair it settled), the
// end; and what an undo did, for its last line. Note may be called from any
// worker.
class CRunRecorder
{
public:
    // Where the record goes (a run) or is (an undo); empty: not recorded.
    void SetPath(const CString& strPath) { m_strPath = strPath; }
    void Begin(const CLinkJob& job);
    void Note(const CLinkJob& job, const LinkPairResult& result);
    // bWhole: every pair was done. A run that changed nothing, and an undo
    // that left nothing kept, leave no record.
    void End(const CLinkJob& job, bool bWhole);
    // The sentences after the pairs: what the run kept and how to undo it,
    // or what the undo did; and where the record could not be written.
    CString GetLastSentences(const CLinkJob& job, long long nKept, ULONGLONG nKeptBytes) const;

private:
    CRunRecordFile m_file;
    CString m_strPath;
    // Why the record could not be written (0: it was, or none was asked for).
    DWORD m_dwError = 0;
    // Atomic: pairs that changed something; an undo's links removed, files
    // put back, pairs left as they were found, files that stay kept.
    std::atomic<long long> m_nRecorded{0};
    std::atomic<long long> m_nRemoved{0};
    std::atomic<long long> m_nPutBack{0};
    std::atomic<long long> m_nLeft{0};
    std::atomic<long long> m_nStillKept{0};
};
