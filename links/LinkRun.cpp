#include "links/LinkRun.h"

#include "links/LinkDecision.h"
#include "links/LinkPair.h"
#include "links/LinkUndo.h"
#include "links/RunRecorder.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_map>

struct CLinkRun::State
{
    explicit State(std::function<void()> onResultsWaiting) : onResults(std::move(onResultsWaiting)) {}

    // Shared with whoever shows the results: the job makes their lines.
    // Written before the first pair, read-only after.
    std::shared_ptr<CLinkJob> pJob;
    const std::function<void()> onResults;
    long long nTotal = 0;
    // Atomic.
    std::atomic<bool> bStop{false};
    std::atomic<bool> bEnded{false};
    std::atomic<DWORD> dwFailure{0};
    std::atomic<long long> nDone{0};
    std::atomic<long long> nKept{0};
    std::atomic<ULONGLONG> nKeptBytes{0};
    // The run's record and what an undo did (its own lock).
    CRunRecorder recorder;
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
    bool bOnCallingThread = true;
};

CLinkRun::CLinkRun(const ILinkPathList& folders, const ILinkPathList& files, const LinkRunOptions& options,
                   ILinkFileSystem& fs, int nWorkers, std::function<void()> onResults)
    : m_pState(std::make_unique<State>(std::move(onResults)))
{
    State& state = *m_pState;
    try
    {
        state.pJob = std::make_shared<CLinkJob>(folders, files, options, fs);
        state.nTotal = state.pJob->GetPairCount();
        // Room for every result before the first pair: recording one never
        // allocates, so no pair that changed the disk goes without its line.
        state.results.reserve(static_cast<size_t>(state.nTotal));
        state.opened.resize(static_cast<size_t>(state.pJob->GetFolderCount()));
        state.openErrors.resize(static_cast<size_t>(state.pJob->GetFolderCount()), ERROR_SUCCESS);
    }
    catch (const std::bad_alloc&)
    {
        // Not even room for the run's results: nothing is done, and the
        // last line says why.
        state.nTotal = static_cast<long long>(folders.GetCount()) * std::max(0, files.GetCount());
        state.pJob.reset();
        Fail(ERROR_NOT_ENOUGH_MEMORY);
        state.bEnded = true;
        return;
    }
    if (!options.bPreview && !options.strRecordFolder.IsEmpty())
    {
        CString strPath = options.strRecordFolder;
        if (strPath[strPath.GetLength() - 1] != L'\\')
            strPath += L'\\';
        state.recorder.SetPath(strPath + CLinkJob::MakeRecordName(state.pJob->GetKeepTime()));
    }
    Start(nWorkers);
}

CLinkRun::CLinkRun(std::shared_ptr<const RunRecord> pRecord, const CString& strRecordPath, ILinkFileSystem& fs,
                   int nWorkers, std::function<void()> onResults)
    : m_pState(std::make_unique<State>(std::move(onResults)))
{
    State& state = *m_pState;
    try
    {
        state.pJob = std::make_shared<CLinkJob>(pRecord, fs);
        state.nTotal = state.pJob->GetPairCount();
        state.results.reserve(static_cast<size_t>(state.nTotal));
        state.opened.resize(static_cast<size_t>(state.pJob->GetFolderCount()));
        state.openErrors.resize(static_cast<size_t>(state.pJob->GetFolderCount()), ERROR_SUCCESS);
        state.recorder.SetPath(strRecordPath);
    }
    catch (const std::bad_alloc&)
    {
        state.nTotal = pRecord ? static_cast<long long>(pRecord->folders.size() * pRecord->sources.size()) : 0;
        state.pJob.reset();
        Fail(ERROR_NOT_ENOUGH_MEMORY);
        state.bEnded = true;
        return;
    }
    Start(nWorkers);
}

void CLinkRun::Start(int nWorkers)
{
    State& state = *m_pState;
    // Nothing to do is done at once.
    if (state.nTotal == 0)
    {
        state.bEnded = true;
        return;
    }
    if (nWorkers > 0)
    {
        try
        {
            state.thread = std::thread([this, nWorkers] { Run(nWorkers); });
            state.bOnCallingThread = false;
            return;
        }
        catch (const std::system_error&)
        {
            // Without a thread the run goes here.
        }
    }
    Run(1);
}

CLinkRun::~CLinkRun()
{
    Stop();
    Wait();
}

int CLinkRun::DefaultWorkers()
{
    SYSTEM_INFO info = {};
    ::GetSystemInfo(&info);
    const int nProcessors = static_cast<int>(info.dwNumberOfProcessors);
    return std::max(2, std::min(8, nProcessors));
}

void CLinkRun::Stop()
{
    m_pState->bStop = true;
}

void CLinkRun::Wait()
{
    if (m_pState->thread.joinable())
        m_pState->thread.join();
}

std::vector<LinkPairResult> CLinkRun::TakeResults()
{
    State& state = *m_pState;
    std::lock_guard<std::mutex> lock(state.mutex);
    std::vector<LinkPairResult> taken(state.results.begin() + static_cast<std::ptrdiff_t>(state.nTaken),
                                      state.results.end());
    state.nTaken = state.results.size();
    state.bNotified = false;
    return taken;
}

std::shared_ptr<const CLinkJob> CLinkRun::GetJob() const
{
    return m_pState->pJob;
}

bool CLinkRun::HasEnded() const
{
    return m_pState->bEnded;
}

bool CLinkRun::WentOnCallingThread() const
{
    return m_pState->bOnCallingThread;
}

DWORD CLinkRun::GetFailure() const
{
    return m_pState->dwFailure;
}

long long CLinkRun::GetPairsDone() const
{
    return m_pState->nDone;
}

long long CLinkRun::GetKeptCount() const
{
    return m_pState->nKept;
}

ULONGLONG CLinkRun::GetKeptBytes() const
{
    return m_pState->nKeptBytes;
}

long long CLinkRun::GetPairsTotal() const
{
    return m_pState->nTotal;
}

bool CLinkRun::GetEndedEarlyLine(CString& strLine) const
{
    const long long nDone = GetPairsDone();
    if (!HasEnded() || nDone >= GetPairsTotal())
        return false;
    strLine = FormatEndedEarlyLine(nDone, GetPairsTotal(), GetFailure());
    return true;
}

bool CLinkRun::GetLastLine(CString& strLine) const
{
    const State& state = *m_pState;
    const bool bEndedEarly = GetEndedEarlyLine(strLine);
    if (!HasEnded() || !state.pJob)
        return bEndedEarly;
    const CString strMore = state.recorder.GetLastSentences(*state.pJob, state.nKept, state.nKeptBytes);
    if (strMore.IsEmpty())
        return bEndedEarly;
    strLine = bEndedEarly ? strLine + L" " + strMore : strMore;
    return true;
}

void CLinkRun::Fail(DWORD dwError)
{
    DWORD dwNone = 0;
    m_pState->dwFailure.compare_exchange_strong(dwNone, dwError);
    m_pState->bStop = true;
}

void CLinkRun::Run(int nWorkers)
{
    State& state = *m_pState;
    CLinkJob& job = *state.pJob;
    std::vector<std::thread> others;
    try
    {
        if (job.GetFileCount() > 0 && job.GetFolderCount() > 0 && !state.bStop && job.GetUndoRecord() == nullptr)
            job.GetSources().Identify(job.GetFileSystem());
        // Each folder is held from here until its pairs are done, and
        // grouped by what it is, not how it is spelled.
        std::unordered_map<std::wstring, size_t> groupOf;
        for (int i = 0; i < job.GetFolderCount() && job.GetFileCount() > 0 && !state.bStop; ++i)
        {
            const size_t n = static_cast<size_t>(i);
            state.openErrors[n] = job.GetFileSystem().OpenFolder(job.GetFolder(i), state.opened[n]);
            const auto it = groupOf.emplace(CLinkDecider::FolderKey(state.opened[n].get()), state.groups.size()).first;
            if (it->second == state.groups.size())
                state.groups.emplace_back();
            state.groups[it->second].push_back(i);
        }
        if (!state.bStop)
            state.recorder.Begin(job);
        const int nRunners = std::max(1, std::min(nWorkers, static_cast<int>(state.groups.size())));
        for (int w = 1; w < nRunners; ++w)
        {
            try
            {
                others.emplace_back([this] { Work(); });
            }
            catch (const std::system_error&)
            {
                // No more threads to be had: the ones there share the
                // folders.
                break;
            }
        }
        Work();
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
    state.recorder.End(*state.pJob, state.nDone == state.nTotal && state.dwFailure == 0);
    state.bEnded = true;
    if (state.onResults)
        state.onResults();
}

void CLinkRun::Work()
{
    State& state = *m_pState;
    CLinkJob& job = *state.pJob;
    try
    {
        CLinkDecider decider(job.GetSources(), job.GetKind(), job.GetOptions().bRemoveExisting,
                             job.GetOptions().bRelative);
        CLinkPairMaker maker(job.GetKind(), job.GetKeepTime());
        std::unique_ptr<CLinkUndoer> pUndoer;
        if (job.GetUndoRecord() != nullptr)
            pUndoer = std::make_unique<CLinkUndoer>(*job.GetUndoRecord());
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
                if (pUndoer)
                    UndoFolder(i, *pUndoer);
                else
                    WorkFolder(i, decider, maker);
                if (state.bStop)
                    return;
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

void CLinkRun::WorkFolder(int nFolder, CLinkDecider& decider, CLinkPairMaker& maker)
{
    State& state = *m_pState;
    CLinkJob& job = *state.pJob;
    const CLinkSources& sources = job.GetSources();
    const size_t n = static_cast<size_t>(nFolder);
    decider.BeginFolder(nFolder, job.GetFolder(nFolder), std::move(state.opened[n]), state.openErrors[n]);
    for (int j = 0; j < job.GetFileCount() && !state.bStop; ++j)
    {
        const LinkPairDecision decision = decider.Decide(j);
        const LinkPairResult result =
            job.GetOptions().bPreview
                ? ForeseenResult(decision)
                : maker.CarryOut(decision, decider.GetFolder(), sources.GetPath(j), sources.GetName(j));
        decider.Settle(decision, result);
        Record(result);
    }
    decider.EndFolder();
    maker.EndFolder();
}

void CLinkRun::UndoFolder(int nFolder, CLinkUndoer& undoer)
{
    State& state = *m_pState;
    CLinkJob& job = *state.pJob;
    const size_t n = static_cast<size_t>(nFolder);
    undoer.BeginFolder(job.GetRecordFolder(nFolder), std::move(state.opened[n]), state.openErrors[n]);
    for (int j = 0; j < job.GetFileCount() && !state.bStop; ++j)
    {
        LinkPairResult result = undoer.Undo(job.GetRecordFile(j));
        result.nFolder = nFolder;
        result.nFile = j;
        Record(result);
    }
    undoer.EndFolder();
}

void CLinkRun::Record(const LinkPairResult& result)
{
    State& state = *m_pState;
    if (state.pJob->GetUndoRecord() != nullptr && result.undo == UndoStep::None)
    {
        ++state.nDone;
        return;
    }
    bool bNotify = false;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        state.results.push_back(result);
        bNotify = !state.bNotified;
        state.bNotified = true;
    }
    if (result.nKeptTime != 0 && !result.bOldAside && result.dwError == ERROR_SUCCESS)
    {
        ++state.nKept;
        state.nKeptBytes += result.nSize;
    }
    ++state.nDone;
    state.recorder.Note(*state.pJob, result);
    if (bNotify && state.onResults)
        state.onResults();
}

std::vector<CString> RunLinkBatch(const ILinkPathList& folders, const ILinkPathList& files,
                                  const LinkRunOptions& options, ILinkFileSystem& fs)
{
    CLinkRun run(folders, files, options, fs, 0, nullptr);
    std::vector<CString> lines;
    const std::shared_ptr<const CLinkJob> job = run.GetJob();
    for (const LinkPairResult& result : run.TakeResults())
        lines.push_back(job->FormatLine(result));
    CString strLast;
    if (run.GetLastLine(strLast))
        lines.push_back(strLast);
    return lines;
}
