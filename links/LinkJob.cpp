#include "links/LinkJob.h"

#include "files/TempName.h"
#include "links/LinkReport.h"

namespace {

ULONGLONG NowAsFileTime()
{
    FILETIME now = {};
    ::GetSystemTimeAsFileTime(&now);
    return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

// The record's sources, last first, as a path list.
class CRecordedFiles : public ILinkPathList
{
public:
    explicit CRecordedFiles(const RunRecord& record) : m_record(record) {}
    int GetCount() const override { return static_cast<int>(m_record.sources.size()); }
    CString GetAt(int nIndex) const override { return m_record.sources[m_record.sources.size() - 1 - static_cast<size_t>(nIndex)].strPath; }

private:
    const RunRecord& m_record;
};

}  // namespace

CLinkJob::CLinkJob(std::shared_ptr<const RunRecord> pRecord, ILinkFileSystem& fs)
    : m_sources(CRecordedFiles(*pRecord)),
      m_kind(pRecord->kind),
      m_fs(fs),
      m_nKeepTime(pRecord->nTime),
      m_pUndo(std::move(pRecord))
{
    m_folders.assign(m_pUndo->folders.rbegin(), m_pUndo->folders.rend());
}

CString CLinkJob::MakeRecordName(ULONGLONG nKeepTime)
{
    // The kept folders' name after its "~Quillon-Aufbewahrt-": the run's start.
    const CString strKept = MakeKeptFolderName(nKeepTime);
    return L"Lauf-" + strKept.Mid(static_cast<int>(::wcslen(L"~Quillon-Aufbewahrt-"))) + L".txt";
}

CLinkJob::CLinkJob(const ILinkPathList& folders, const ILinkPathList& files, const LinkRunOptions& options,
                   ILinkFileSystem& fs)
    : m_sources(files),
      m_kind(options.kind == LinkKind::Symbolic && fs.CanCreateSymbolicLink() ? LinkKind::Symbolic : LinkKind::Hard),
      m_options(options),
      m_fs(fs),
      m_nKeepTime(options.nKeepTime != 0 ? options.nKeepTime : NowAsFileTime())
{
    const int nFolders = folders.GetCount();
    m_folders.reserve(static_cast<size_t>(nFolders > 0 ? nFolders : 0));
    for (int i = 0; i < nFolders; ++i)
        m_folders.push_back(folders.GetAt(i));
}

CString CLinkJob::FormatLine(const LinkPairResult& result) const
{
    if (m_pUndo)
        return FormatUndoLine(result, GetFolder(result.nFolder) + GetUndoName(result.nFile));
    return FormatPairLine(result, m_kind, m_options.bPreview, m_sources.GetPath(result.nFile),
                          GetFolder(result.nFolder) + m_sources.GetName(result.nFile));
}

LinkLineFields CLinkJob::GetFields(const LinkPairResult& result) const
{
    if (m_pUndo)
        return GetUndoFields(result, GetFolder(result.nFolder) + GetUndoName(result.nFile));
    return GetPairFields(result, m_kind, m_options.bPreview, m_sources.GetPath(result.nFile),
                         GetFolder(result.nFolder) + m_sources.GetName(result.nFile));
}
