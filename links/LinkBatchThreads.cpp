#include "links/LinkBatchThreads.h"

#include "links/LinkBatch.h"
#include "links/LinkPair.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <unordered_map>

struct CLinkBatchThreads::State
{
    State(const ILinkPathList& folders, const ILinkPathList& files, const LinkRunOptions& options,
          ILinkFileSystem& fs, std::function<void()> onResultsWaiting)
        : pJob(std::make_shared<CLinkJob>(folders, files, options, fs)),
          job(*pJob),
          onResults(std::move(onResultsWaiting)),
          nTotal(job.GetPairCount())
    {
        // Room for every result before the first pair: recording one never
        // allocates, so no pair that changed the disk goes without its line.
        results.reserve(static_cast<size_t>(nTotal));
        opened.resize(static_cast<size_t>(job.GetFolderCount()));
        openErrors.resize(static_cast<size_t>(job.GetFolderCount()), ERROR_SUCCESS);
    }

    // Shared with whoever shows the results: the job makes their lines.
    const std::shared_ptr<CLinkJob> pJob;
    CLinkJob& job;
    const std::function<void()> onResults;
    const long long nTotal;
    // Atomic.
    std::atomic<bool> bStop{false};
    std::atomic<bool> bEnded{false};
    std::atomic<DWORD> dwFailure{0};
    std::atomic<long long> nDone{0};
    // Written by the run's first thread before the workers start; each
    // folder is then taken by the one worker its group goes to.
    std::vector<std::unique_ptr<ILinkFolder>> opened;
    std::vector<DWORD> openErrors;
    std::vector<std::vector<int>> groups;
    // Guarded by mutex.
    std::mutex mutex;
    std::vector<LinkPairResult> results;
    size_t nTaken = 0;
    bool bNotified = false;
    size_t nNextGroup = 0;

    std::thread thread;
};

CLinkBatchThreads::CLinkBatchThreads(const ILinkPathList& folders, const ILinkPathList& files,
                                     const LinkRunOptions& options, ILinkFileSystem& fs, int nWorkers,
                                     std::function<void()> onResults)
    : m_pState(std::make_unique<State>(folders, files, options, fs, std::move(onResults)))
{
    const int nRunners = nWorkers > 0 ? nWorkers : DefaultWorkers();
    m_pState->thread = std::thread([this, nRunners] { Run(nRunners); });
}

CLinkBatchThreads::~CLinkBatchThreads()
{
    Stop();
    Wait();
}

int CLinkBatchThreads::DefaultWorkers()
{
    SYSTEM_INFO info = {};
    ::GetSystemInfo(&info);
    const int nProcessors = static_cast<int>(info.dwNumberOfProcessors);
    return std::max(2, std::min(8, nProcessors));
}

void CLinkBatchThreads::Stop()
{
    m_pState->bStop = true;
}

void CLinkBatchThreads::Wait()
{
    if (m_pState->thread.joinable())
        m_pState->thread.join();
}

std::vector<LinkPairResult> CLinkBatchThreads::TakeResults()
{
    State& state = *m_pState;
    std::lock_guard<std::mutex> lock(state.mutex);
    std::vector<LinkPairResult> taken(state.results.begin() + static_cast<std::ptrdiff_t>(state.nTaken),
                                      state.results.end());
    state.nTaken = state.results.size();
    state.bNotified = false;
    return taken;
}

CString CLinkBatchThreads::FormatLine(const LinkPairResult& result) const
{
    return m_pState->job.FormatLine(result);
}

std::shared_ptr<const CLinkJob> CLinkBatchThreads::GetJob() const
{
    return m_pState->pJob;
}

bool CLinkBatchThreads::HasEnded() const
{
    return m_pState->bEnded;
}

DWORD CLinkBatchThreads::GetFailure() const
{
    return m_pState->dwFailure;
}

long long CLinkBatchThreads::GetPairsDone() const
{
    return m_pState->nDone;
}

long long CLinkBatchThreads::GetPairsTotal() const
{
    return m_pState->nTotal;
}

void CLinkBatchThreads::Fail(DWORD dwError)
{
    DWORD dwNone = 0;
    m_pState->dwFailure.compare_exchange_strong(dwNone, dwError);
    m_pState->bStop = true;
}

void CLinkBatchThreads::Run(int nWorkers)
{
    State& state = *m_pState;
    std::vector<std::thread> others;
    try
    {
        // Each folder is held from here until its pairs are done, and
        // grouped by what it is, not how it is spelled.
        std::unordered_map<std::wstring, size_t> groupOf;
        for (int i = 0; i < state.job.GetFolderCount() && state.job.GetFileCount() > 0 && !state.bStop; ++i)
        {
            const size_t n = static_cast<size_t>(i);
            state.openErrors[n] = state.job.GetFileSystem().OpenFolder(state.job.GetFolder(i), state.opened[n]);
            const std::wstring strKey = CLinkPairMaker::FolderKey(state.opened[n].get());
            const auto it = groupOf.emplace(strKey, state.groups.size()).first;
            if (it->second == state.groups.size())
                state.groups.emplace_back();
            state.groups[it->second].push_back(i);
        }
        const int nRunners = std::max(1, std::min(nWorkers, static_cast<int>(state.groups.size())));
        for (int w = 1; w < nRunners; ++w)
        {
            try
            {
                others.emplace_back([this, w] { Work(w); });
            }
            catch (...)
            {
                // No more threads to be had: the ones there share the
                // folders.
                break;
            }
        }
        Work(0);
    }
    catch (const std::bad_alloc&)
    {
        Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    catch (...)
    {
        Fail(ERROR_INTERNAL_ERROR);
    }
    for (std::thread& other : others)
        other.join();
    state.bEnded = true;
    if (state.onResults)
        state.onResults();
}

void CLinkBatchThreads::Work(int /*nWorker*/)
{
    State& state = *m_pState;
    try
    {
        CLinkPairMaker maker(state.job.GetSources(), state.job.GetKind(), state.job.GetOptions(),
                             state.job.GetFileSystem());
        for (;;)
        {
            std::vector<int> group;
            {
                std::lock_guard<std::mutex> lock(state.mutex);
                if (state.nNextGroup >= state.groups.size())
                    return;
                group = state.groups[state.nNextGroup++];
            }
            for (int i : group)
            {
                const size_t n = static_cast<size_t>(i);
                maker.BeginFolder(i, state.job.GetFolder(i), std::move(state.opened[n]), state.openErrors[n]);
                for (int j = 0; j < state.job.GetFileCount(); ++j)
                {
                    if (state.bStop)
                        return;
                    Record(maker.MakePair(j));
                }
                maker.EndFolder();
            }
        }
    }
    catch (const std::bad_alloc&)
    {
        Fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    catch (...)
    {
        Fail(ERROR_INTERNAL_ERROR);
    }
}

void CLinkBatchThreads::Record(const LinkPairResult& result)
{
    State& state = *m_pState;
    bool bNotify = false;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        state.results.push_back(result);
        bNotify = !state.bNotified;
        state.bNotified = true;
    }
    ++state.nDone;
    if (bNotify && state.onResults)
        state.onResults();
}
