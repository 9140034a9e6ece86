#pragma once

#include "framework/String.h"
#include "links/LinkFileSystem.h"
#include "links/LinkReport.h"
#include "links/LinkSources.h"
#include "links/LinkTypes.h"
#include "links/RunRecord.h"

#include <memory>
#include <vector>

// One run: its lists (copied), its options and its sources, and what turns
// a pair's result into its line.
class CLinkJob
{
public:
    CLinkJob(const ILinkPathList& folders, const ILinkPathList& files, const LinkRunOptions& options,
             ILinkFileSystem& fs);
    // The undo of the recorded run: its pairs in reverse order (its last
    // folder first, in each its last file first).
    CLinkJob(std::shared_ptr<const RunRecord> pRecord, ILinkFileSystem& fs);

    int GetFolderCount() const { return static_cast<int>(m_folders.size()); }
    int GetFileCount() const { return m_sources.GetCount(); }
    long long GetPairCount() const { return static_cast<long long>(GetFolderCount()) * GetFileCount(); }
    const CString& GetFolder(int nFolder) const { return m_folders[static_cast<size_t>(nFolder)]; }
    // Hard links where the system has no symbolic ones.
    LinkKind GetKind() const { return m_kind; }
    const LinkRunOptions& GetOptions() const { return m_options; }
    CLinkSources& GetSources() { return m_sources; }
    const CLinkSources& GetSources() const { return m_sources; }
    ILinkFileSystem& GetFileSystem() { return m_fs; }
    // The run's start (a FILETIME), which names the folders it keeps
    // replaced files in.
    ULONGLONG GetKeepTime() const { return m_nKeepTime; }
    // The run an undo job undoes; null for any other job.
    const RunRecord* GetUndoRecord() const { return m_pUndo.get(); }
    // A folder's and a file's index in the record of the run.
    int GetRecordFolder(int nFolder) const { return m_pUndo ? GetFolderCount() - 1 - nFolder : nFolder; }
    int GetRecordFile(int nFile) const { return m_pUndo ? GetFileCount() - 1 - nFile : nFile; }
    // What the job's record is called in its folder.
    static CString MakeRecordName(ULONGLONG nKeepTime);

    // The line of a pair that is done. It asks nothing of the file system,
    // so a job may make lines after its run and its file system are gone.
    CString FormatLine(const LinkPairResult& result) const;
    // The same line as the fields of a table row.
    LinkLineFields GetFields(const LinkPairResult& result) const;

private:
    const CString& GetUndoName(int nFile) const
    {
        return m_pUndo->sources[static_cast<size_t>(GetRecordFile(nFile))].strName;
    }

    std::vector<CString> m_folders;
    CLinkSources m_sources;
    const LinkKind m_kind;
    const LinkRunOptions m_options;
    ILinkFileSystem& m_fs;
    const ULONGLONG m_nKeepTime;
    const std::shared_ptr<const RunRecord> m_pUndo;
};

