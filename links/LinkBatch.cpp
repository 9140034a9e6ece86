#include "links/LinkBatch.h"

#include "links/LinkPair.h"
#include "links/LinkReport.h"

CLinkJob::CLinkJob(const ILinkPathList& folders, const ILinkPathList& files, const LinkRunOptions& options,
                   ILinkFileSystem& fs)
    : m_sources(files),
      m_kind(options.kind == LinkKind::Symbolic && fs.CanCreateSymbolicLink() ? LinkKind::Symbolic : LinkKind::Hard),
      m_options(options),
      m_fs(fs)
{
    const int nFolders = folders.GetCount();
    m_folders.reserve(static_cast<size_t>(nFolders > 0 ? nFolders : 0));
    for (int i = 0; i < nFolders; ++i)
        m_folders.push_back(folders.GetAt(i));
}

CString CLinkJob::FormatLine(const LinkPairResult& result) const
{
    return FormatPairLine(result, m_kind, m_options.bPreview, m_sources.GetPath(result.nFile),
                          GetFolder(result.nFolder) + m_sources.GetKnownName(result.nFile));
}

LinkLineFields CLinkJob::GetFields(const LinkPairResult& result) const
{
    return GetPairFields(result, m_kind, m_options.bPreview, m_sources.GetPath(result.nFile),
                         GetFolder(result.nFolder) + m_sources.GetKnownName(result.nFile));
}

void RunLinkJob(CLinkJob& job, const std::function<void(const LinkPairResult&)>& onResult)
{
    if (job.GetFileCount() == 0)
        return;
    CLinkPairMaker maker(job.GetSources(), job.GetKind(), job.GetOptions(), job.GetFileSystem());
    for (int i = 0; i < job.GetFolderCount(); ++i)
    {
        std::unique_ptr<ILinkFolder> folder;
        const DWORD dwOpenError = job.GetFileSystem().OpenFolder(job.GetFolder(i), folder);
        maker.BeginFolder(i, job.GetFolder(i), std::move(folder), dwOpenError);
        for (int j = 0; j < job.GetFileCount(); ++j)
            onResult(maker.MakePair(j));
        maker.EndFolder();
    }
}

std::vector<CString> RunLinkBatch(const ILinkPathList& folders, const ILinkPathList& files,
                                  const LinkRunOptions& options, ILinkFileSystem& fs)
{
    CLinkJob job(folders, files, options, fs);
    std::vector<CString> lines;
    RunLinkJob(job, [&job, &lines](const LinkPairResult& result) { lines.push_back(job.FormatLine(result)); });
    return lines;
}
