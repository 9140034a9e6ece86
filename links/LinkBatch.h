#pragma once

#include "framework/String.h"
#include "links/LinkFileSystem.h"
#include "links/LinkReport.h"
#include "links/LinkSources.h"
#include "links/LinkTypes.h"

#include <functional>
#include <vector>

// One run: its lists (copied), its options and its sources; what the run
// on this thread and the run on workers share, and what turns a pair's
// result into its line.
class CLinkJob
{
public:
    CLinkJob(const ILinkPathList& folders, const ILinkPathList& files, const LinkRunOptions& options,
             ILinkFileSystem& fs);

    int GetFolderCount() const { return static_cast<int>(m_folders.size()); }
    int GetFileCount() const { return m_sources.GetCount(); }
    long long GetPairCount() const { return static_cast<long long>(GetFolderCount()) * GetFileCount(); }
    const CString& GetFolder(int nFolder) const { return m_folders[static_cast<size_t>(nFolder)]; }
    // Hard links where the system has no symbolic ones.
    LinkKind GetKind() const { return m_kind; }
    bool RemovesExisting() const { return m_options.bRemoveExisting; }
    bool IsPreview() const { return m_options.bPreview; }
    const LinkRunOptions& GetOptions() const { return m_options; }
    CLinkSources& GetSources() { return m_sources; }
    ILinkFileSystem& GetFileSystem() { return m_fs; }

    // The line of a pair that is done. It asks nothing of the file system,
    // so a job may make lines after its run and its file system are gone.
    CString FormatLine(const LinkPairResult& result) const;
    // The same line as the fields of a table row.
    LinkLineFields GetFields(const LinkPairResult& result) const;

private:
    std::vector<CString> m_folders;
    CLinkSources m_sources;
    const LinkKind m_kind;
    const LinkRunOptions m_options;
    ILinkFileSystem& m_fs;
};

// Makes in every folder a link to every file, folders outer and files
// inner, both in list order, on this thread; onResult gets each pair's
// result as it is done.
void RunLinkJob(CLinkJob& job, const std::function<void(const LinkPairResult&)>& onResult);

// The lines of a whole run on this thread, in order.
std::vector<CString> RunLinkBatch(const ILinkPathList& folders, const ILinkPathList& files,
                                  const LinkRunOptions& options, ILinkFileSystem& fs);
