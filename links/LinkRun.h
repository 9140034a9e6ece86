#pragma once

#include "framework/String.h"
#include "links/LinkFileSystem.h"
#include "links/LinkReport.h"
#include "links/LinkSources.h"
#include "links/LinkTypes.h"
#include "links/RunRecord.h"

#include <functional>
#include <memory>
#include <vector>

class CLinkDecider;
class CLinkPairMaker;
class CLinkUndoer;

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

// The one way a run goes, for the window and for every other caller: every
// folder gets a link to every file (folders outer, files inner, both in list
// order), each pair decided, then carried out (or, for "Vorschau", only
// decided). The sources are identified and the target folders opened and
// held on the run's first thread; then the folders are spread over the
// workers, one folder under every spelling of it to one worker, in list
// order, so that every pair gets the result a run on one thread gives it.
// With no workers, or where no thread can be had, the same code runs on the
// calling thread. A stop takes effect between pairs, never inside one; any
// failure of a worker ends the run as a stop does, and the run says why.
class CLinkRun
{
public:
    // Starts at once: on nWorkers threads, or with nWorkers 0 here (the run
    // has ended when this returns). The lists are copied. onResults is
    // called, from whichever thread runs, whenever results wait and no call
    // since the last TakeResults has been made, and once more when the run
    // has ended; it must not block.
    CLinkRun(const ILinkPathList& folders, const ILinkPathList& files, const LinkRunOptions& options,
             ILinkFileSystem& fs, int nWorkers, std::function<void()> onResults);
    // Undoes the run whose record was read from strRecordPath; the undo is
    // recorded there as it goes.
    CLinkRun(std::shared_ptr<const RunRecord> pRecord, const CString& strRecordPath, ILinkFileSystem& fs,
             int nWorkers, std::function<void()> onResults);
    // Stops the run and waits for it.
    ~CLinkRun();
    CLinkRun(const CLinkRun&) = delete;
    CLinkRun& operator=(const CLinkRun&) = delete;

    // Asks the workers to stop after the pair each has in hand.
    void Stop();
    // Waits until every worker has ended.
    void Wait();
    // The results finished since the last call, in no particular order.
    std::vector<LinkPairResult> TakeResults();
    // What makes the lines; it may outlive the run. Null where not even the
    // run could be set up.
    std::shared_ptr<const CLinkJob> GetJob() const;
    bool HasEnded() const;
    // The run went on the calling thread (it has ended when the constructor
    // returned).
    bool WentOnCallingThread() const;
    // Why the run could not go on (0: nothing kept it from going on).
    DWORD GetFailure() const;
    long long GetPairsDone() const;
    long long GetPairsTotal() const;
    // The line after the pairs of a run that has ended before its last pair
    // (stopped, or unable to go on); false for a run that did every pair.
    bool GetEndedEarlyLine(CString& strLine) const;
    // The line after the pairs: the ended-early line, followed by what the
    // run kept of the files it replaced, or what an undo did; false where
    // there is neither.
    bool GetLastLine(CString& strLine) const;

    // One per processor, at least two, at most eight. More workers than
    // processors gained little here (Wine: every file call goes through one
    // server) and kept the window waiting longer for its share of it.
    static int DefaultWorkers();

private:
    struct State;
    void Start(int nWorkers);
    void Run(int nWorkers);
    void Work();
    void WorkFolder(int nFolder, CLinkDecider& decider, CLinkPairMaker& maker);
    void UndoFolder(int nFolder, CLinkUndoer& undoer);
    void BeginRecord();
    void EndRecord();
    void Record(const LinkPairResult& result);
    // What the result means for the run's record.
    void WriteStep(const LinkPairResult& result);
    void Fail(DWORD dwError);

    std::unique_ptr<State> m_pState;
};

// The lines of a whole run on this thread, in order.
std::vector<CString> RunLinkBatch(const ILinkPathList& folders, const ILinkPathList& files,
                                  const LinkRunOptions& options, ILinkFileSystem& fs);
