#pragma once

#include "framework/String.h"
#include "links/LinkFileSystem.h"
#include "links/LinkJob.h"
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

    // The files this run kept of those it replaced, and their bytes.
    long long GetKeptCount() const;
    ULONGLONG GetKeptBytes() const;

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

    void Record(const LinkPairResult& result);

    void Fail(DWORD dwError);

    std::unique_ptr<State> m_pState;
};

// The lines of a whole run on this thread, in order.
std::vector<CString> RunLinkBatch(const ILinkPathList& folders, const ILinkPathList& files,
                                  const LinkRunOptions& options, ILinkFileSystem& fs);
