#include "links/RunRecorder.h"

#include "files/PathRules.h"
#include "links/LinkReport.h"

void CRunRecorder::Begin(const CLinkJob& job)
{
    if (m_strPath.IsEmpty())
        return;
    if (const RunRecord* pUndone = job.GetUndoRecord())
    {
        m_dwError = m_file.Append(m_strPath, pUndone->nCertainBytes);
        return;
    }
    RunRecord header;
    header.nTime = job.GetKeepTime();
    header.kind = job.GetKind();
    for (int i = 0; i < job.GetFolderCount(); ++i)
        header.folders.push_back(job.GetFolder(i));
    for (int j = 0; j < job.GetFileCount(); ++j)
    {
        RecordedSource source;
        source.strPath = job.GetSources().GetListedPath(j);
        source.strName = job.GetSources().GetName(j);
        source.strNtPath = job.GetSources().GetNtPath(j);
        LinkFileInfo info;
        if (job.GetSources().GetEntryInfo(j, info) == ERROR_SUCCESS)
            source.id = info.id;
        header.sources.push_back(source);
    }
    // On the disk before the first pair, so that whatever the run does
    // after a crash can be found from it.
    m_dwError = m_file.Create(m_strPath, header);
}

void CRunRecorder::Note(const CLinkJob& job, const LinkPairResult& result)
{
    const long long nPair = static_cast<long long>(job.GetRecordFolder(result.nFolder)) * job.GetFileCount() +
                            job.GetRecordFile(result.nFile);
    if (job.GetUndoRecord() != nullptr)
    {
        switch (result.undo)
        {
        case UndoStep::LinkRemoved:
            ++m_nRemoved;
            break;
        case UndoStep::PutBack:
            ++m_nPutBack;
            break;
        default:
            ++m_nLeft;
            break;
        }
        if (result.nKeptTime != 0)
            ++m_nStillKept;
        // A step that failed may go another time.
        if (result.undo != UndoStep::Failed)
            m_file.Add(RecordStep::Undone, nPair);
        return;
    }
    if (job.GetOptions().bPreview)
        return;
    const bool bKept = result.nKeptTime != 0;
    if (result.dwError == ERROR_SUCCESS && (result.action == PairAction::NewLink || result.action == PairAction::Replace))
        m_file.Add(bKept ? RecordStep::Replaced : RecordStep::Made, nPair);
    if (bKept || (result.dwError == ERROR_SUCCESS && result.action == PairAction::NewLink))
        ++m_nRecorded;
}

void CRunRecorder::End(const CLinkJob& job, bool bWhole)
{
    if (!m_file.IsOpen())
        return;
    const bool bUndo = job.GetUndoRecord() != nullptr;
    // An undo cut off is not over: the next one finishes it.
    if (!bUndo || bWhole)
        m_file.Add(bUndo ? RecordStep::UndoEnded : RecordStep::RunEnded);
    const DWORD dwError = m_file.Flush();
    if (m_dwError == ERROR_SUCCESS)
        m_dwError = dwError;
    m_file.Close();
    const bool bSpent = bUndo ? bWhole && m_nStillKept == 0 : m_nRecorded == 0;
    if (bSpent && dwError == ERROR_SUCCESS)
        ::DeleteFileW(MakeSystemPath(m_strPath));
}

CString CRunRecorder::GetLastSentences(const CLinkJob& job, long long nKept, ULONGLONG nKeptBytes) const
{
    CString strMore;
    if (const RunRecord* pUndone = job.GetUndoRecord())
    {
        strMore = FormatUndoSentence(m_nRemoved, m_nPutBack, m_nLeft, m_nStillKept);
        // What the record lost is said: its links stay, its kept files were
        // found all the same.
        if (pUndone->damage == RecordDamage::Corrupt)
            strMore += L" " + FormatDamagedRecordSentence(pUndone->nCertainBytes);
    }
    else if (nKept != 0)
        strMore = FormatKeptSentence(nKept, nKeptBytes, job.GetKeepTime(), !m_strPath.IsEmpty() && m_dwError == ERROR_SUCCESS);
    if (m_dwError != ERROR_SUCCESS && m_nRecorded != 0)
        strMore += (strMore.IsEmpty() ? L"" : L" ") + FormatUnrecordedSentence(m_dwError);
    return strMore;
}
