#pragma once

#include "framework/String.h"
#include "links/LinkRun.h"
#include "links/LinkFileSystem.h"
#include "links/LinkTypes.h"

#include <functional>
#include <memory>
#include <vector>

class CLinkJob;

// What a run needs of the window that shows it.
class IRunWindow
{
public:
    virtual ~IRunWindow() = default;
    // While a run goes on, nothing that would change the lists or the
    // options can be used, and "Erstellen" reads "Abbrechen".
    virtual void ShowRunState(bool bRunning) = 0;
    virtual void ShowProgress(long long nDone, long long nTotal) = 0;
    // The run's results: the job makes their lines.
    virtual void BeginLines(std::shared_ptr<const CLinkJob> job) = 0;
    virtual void AddLines(const std::vector<LinkPairResult>& results) = 0;
    // pLastLine says why the run ended early; it stays the last line.
    virtual void EndLines(const CString* pLastLine) = 0;
    // Waiting results are shown at the next tick, nMilliseconds from now
    // (0: no more ticks); false where no timer can be had (they are shown at
    // once then).
    virtual bool SetBatchTimer(UINT nMilliseconds) = 0;
};

// The window's side of a run: starting the runner, taking its results in
// batches (the workers only post, the window takes), progress, and handing
// on the runner's last line. It owns no window, so it is tested without one
// and without a message loop.
class CCreateRun
{
public:
    explicit CCreateRun(IRunWindow& window);
    // Stops a run and waits for it.
    ~CCreateRun();
    CCreateRun(const CCreateRun&) = delete;
    CCreateRun& operator=(const CCreateRun&) = delete;

    // Starts a run over the file system given, on nWorkers workers (0: as
    // many as pay). onResults is called on a worker whenever results wait;
    // it must post, not wait. Where no thread can be had, the run goes here
    // and has ended when this returns.
    void Start(const ILinkPathList& folders, const ILinkPathList& files, const LinkRunOptions& options,
               std::unique_ptr<ILinkFileSystem> fs, int nWorkers, std::function<void()> onResults);
    // Undoes the recorded run, in the same way.
    void StartUndo(std::shared_ptr<const RunRecord> pRecord, const CString& strRecordPath,
                   std::unique_ptr<ILinkFileSystem> fs, int nWorkers, std::function<void()> onResults);
    // "A run goes on": from the start until its last lines are shown.
    bool IsRunning() const { return m_pRun != nullptr; }
    bool IsPreview() const { return m_bPreview; }
    // The run going on, or the last one, undoes an earlier run.
    bool IsUndo() const { return m_bUndo; }
    // The run's threads are done; its last lines may wait to be shown.
    bool HaveWorkersEnded() const { return m_pRun != nullptr && m_pRun->HasEnded(); }
    // What the last run that ended kept of the files it replaced (0 for an
    // undo or a preview), and its start, which names its record.
    struct Ended
    {
        ULONGLONG nKeepTime = 0;
        long long nKept = 0;
        ULONGLONG nKeptBytes = 0;
    };
    const Ended& GetEnded() const { return m_ended; }
    // Asks the run to stop after the pairs in hand ("Abbrechen").
    void Stop();
    // Stops the run, waits for it and shows all it did: the window closes
    // or the session ends.
    void Finish();
    // The posted notice that results wait, and the batch timer's tick.
    void OnResultsWaiting();
    void OnBatchTimer();

    // Results shown per tick at most: the window answers between ticks,
    // however fast the workers are.
    static const size_t kRowsPerTick = 2000;

private:
    void Launch(std::unique_ptr<ILinkFileSystem> fs, long long nPairs,
                const std::function<std::unique_ptr<CLinkRun>(ILinkFileSystem&)>& makeRun);
    void ShowWaiting();
    // Shows up to kRowsPerTick of the results taken; true when all of them
    // are shown.
    bool ShowSome();
    void End();

    IRunWindow& m_window;
    // The run goes before what it works on.
    std::unique_ptr<ILinkFileSystem> m_pFileSystem;
    std::unique_ptr<CLinkRun> m_pRun;
    // Results taken from the workers and not yet shown, from m_nShown on.
    std::vector<LinkPairResult> m_taken;
    size_t m_nShown;
    bool m_bTimer;
    bool m_bPreview;
    bool m_bUndo;
    Ended m_ended;
};
