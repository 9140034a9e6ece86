#pragma once

#include "framework/String.h"
#include "links/LinkFileSystem.h"
#include "links/LinkTypes.h"

class CLinkJob;
#include <functional>
#include <memory>
#include <vector>

// A run on worker threads, so that the thread that starts it stays free.
// Target folders are held open and spread over the workers; folders that
// are one folder under two spellings go to the same worker, in list order,
// so every pair gets the result the run on one thread gives it. A stop
// takes effect between pairs, never inside one. Any failure of a worker
// ends the run as a stop does, and the run says why.
class CLinkBatchThreads
{
public:
    // Starts at once. The lists are copied. nWorkers 0 picks as many as pay
    // on this machine. onResults is called on a worker thread whenever
    // results wait and no call since the last TakeResults has been made, and
    // once more when the run has ended; it must not block.
    CLinkBatchThreads(const ILinkPathList& folders, const ILinkPathList& files, const LinkRunOptions& options,
                      ILinkFileSystem& fs, int nWorkers, std::function<void()> onResults);
    // Stops the run and waits for it.
    ~CLinkBatchThreads();
    CLinkBatchThreads(const CLinkBatchThreads&) = delete;
    CLinkBatchThreads& operator=(const CLinkBatchThreads&) = delete;

    // Asks the workers to stop after the pair each has in hand.
    void Stop();
    // Waits until every worker has ended.
    void Wait();
    // The results finished since the last call, in no particular order.
    std::vector<LinkPairResult> TakeResults();
    // The line of a pair that is done.
    CString FormatLine(const LinkPairResult& result) const;
    // What makes the lines; it may outlive the run.
    std::shared_ptr<const CLinkJob> GetJob() const;
    bool HasEnded() const;
    // Why the run could not go on (0: nothing kept it from going on).
    DWORD GetFailure() const;
    long long GetPairsDone() const;
    long long GetPairsTotal() const;

    // One per processor, at least two, at most eight. More workers than
    // processors gained little here (Wine: every file call goes through one
    // server) and kept the window waiting longer for its share of it.
    static int DefaultWorkers();

private:
    struct State;
    void Run(int nWorkers);
    void Work(int nWorker);
    void Record(const LinkPairResult& result);
    void Fail(DWORD dwError);

    std::unique_ptr<State> m_pState;
};
