#pragma once

#include "framework/String.h"
#include "links/LinkFileSystem.h"

#include <functional>
#include <memory>
#include <vector>

// A read-only, indexed list of paths the batch walks in order.
class ILinkPathList
{
public:
    virtual ~ILinkPathList() = default;
    virtual int GetCount() const = 0;
    virtual CString GetAt(int nIndex) const = 0;
};

// Presents any container with GetCount and GetAt (such as the dialog's path
// sets) as a path list without this library knowing the container.
template<class TList>
class CLinkPathList : public ILinkPathList
{
public:
    explicit CLinkPathList(const TList& list) : m_list(list) {}
    int GetCount() const override { return static_cast<int>(m_list.GetCount()); }
    CString GetAt(int nIndex) const override { return m_list.GetAt(nIndex); }

private:
    const TList& m_list;
};

// Where the batch writes its lines.
class ILinkOutput
{
public:
    virtual ~ILinkOutput() = default;
    virtual void AddLine(const CString& strLine) = 0;
    // Called after every folder's files, also when there were none.
    virtual void EndFolder() = 0;
};

enum : DWORD
{
    LINK_SYMBOLIC_FLAGS = 2  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
};

// Name and extension of the last component of a path.
CString GetFileName(CString strPath);

// Creates in every folder a link to every file (folders outer, files inner,
// both in list order) and writes one line per pair. nLinkType 0 asks for
// symbolic links, any other value for hard links; bRemoveExisting lets a
// new link take the place of a file already at the target.
//
// What the run never does: remove one of its sources, under whatever
// spelling a target reaches it; replace what an earlier pair of the same
// run made; give up an existing target before its replacement exists on
// disk (the new link is made under a temporary name in the target folder
// and then renamed over it, so a failure leaves the folder as it was); or
// remove anything whose identity it cannot establish.
void RunLinkBatch(const ILinkPathList& folders, const ILinkPathList& files, int nLinkType, int bRemoveExisting,
                  ILinkFileSystem& fileSystem, ILinkOutput& output);

// The same run on worker threads, so that the thread that starts it stays
// free. Target folders are spread over the workers; folders that are one
// folder under two spellings go to the same worker, in list order, so every
// pair gets the line the sequential run gives it. A stop takes effect
// between pairs, never inside one.
class CLinkBatchThreads
{
public:
    // Starts at once. The lists are copied. nWorkers 0 picks as many as pay
    // on this machine. onLines is called on a worker thread whenever lines
    // wait and no call since the last TakeLines has been made, and once
    // more when the run has ended; it must not block.
    CLinkBatchThreads(const ILinkPathList& folders, const ILinkPathList& files, int nLinkType, int bRemoveExisting,
                      ILinkFileSystem& fileSystem, int nWorkers, std::function<void()> onLines);
    // Stops the run and waits for it.
    ~CLinkBatchThreads();
    CLinkBatchThreads(const CLinkBatchThreads&) = delete;
    CLinkBatchThreads& operator=(const CLinkBatchThreads&) = delete;

    // Asks the workers to stop after the pair each has in hand.
    void Stop();
    // Waits until every worker has ended.
    void Wait();
    // The lines finished since the last call, in no particular order.
    std::vector<CString> TakeLines();
    bool HasEnded() const;
    bool WasStopped() const;
    int GetPairsDone() const;
    int GetPairsTotal() const;

    // One per processor, at least two, at most eight. More workers than
    // processors gained little here (Wine: every file call goes through one
    // server) and kept the window waiting longer for its share of it.
    static int DefaultWorkers();

private:
    struct State;
    void Run(int nWorkers);
    void Work(int nWorker);
    void Push(const CString& strLine);

    std::unique_ptr<State> m_pState;
};
