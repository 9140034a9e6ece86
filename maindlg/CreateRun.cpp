#include "maindlg/CreateRun.h"


#include <algorithm>
#include <new>

namespace {

// Ticks at which batches are shown: a few times a second, and closer while
// results wait that the last tick could not show.
constexpr UINT kTickInterval = 100;
constexpr UINT kBacklogInterval = 10;

}  // namespace

CCreateRun::CCreateRun(IRunWindow& window)
    : m_window(window), m_nShown(0), m_bTimer(false), m_bPreview(false), m_bUndo(false)
{
}

CCreateRun::~CCreateRun()
{
    m_pRun.reset();
}

void CCreateRun::Start(const ILinkPathList& folders, const ILinkPathList& files, const LinkRunOptions& options,
                       std::unique_ptr<ILinkFileSystem> fs, int nWorkers, std::function<void()> onResults)
{
    // The column is fitted after each folder's pairs: without folders the
    // cleared list is left as it is.
    if (m_pRun != nullptr || folders.GetCount() == 0)
        return;
    m_bPreview = options.bPreview;
    m_bUndo = false;
    Launch(std::move(fs), static_cast<long long>(folders.GetCount()) * files.GetCount(), [&](ILinkFileSystem& runFs) {
        return std::make_unique<CLinkRun>(folders, files, options, runFs,
                                          nWorkers > 0 ? nWorkers : CLinkRun::DefaultWorkers(), std::move(onResults));
    });
}

void CCreateRun::StartUndo(std::shared_ptr<const RunRecord> pRecord, const CString& strRecordPath,
                           std::unique_ptr<ILinkFileSystem> fs, int nWorkers, std::function<void()> onResults)
{
    if (m_pRun != nullptr || pRecord == nullptr)
        return;
    m_bPreview = false;
    m_bUndo = true;
    const long long nPairs = static_cast<long long>(pRecord->folders.size() * pRecord->sources.size());
    Launch(std::move(fs), nPairs, [&](ILinkFileSystem& runFs) {
        return std::make_unique<CLinkRun>(pRecord, strRecordPath, runFs,
                                          nWorkers > 0 ? nWorkers : CLinkRun::DefaultWorkers(), std::move(onResults));
    });
}

void CCreateRun::Launch(std::unique_ptr<ILinkFileSystem> fs, long long nPairs,
                        const std::function<std::unique_ptr<CLinkRun>(ILinkFileSystem&)>& makeRun)
{
    m_pFileSystem = std::move(fs);
    try
    {
        m_pRun = makeRun(*m_pFileSystem);
    }
    catch (const std::bad_alloc&)
    {
        // Not even the run could be set up: the window stays as it was, and
        // the report says why.
        const CString strLine = FormatEndedEarlyLine(0, nPairs, ERROR_NOT_ENOUGH_MEMORY);
        m_pFileSystem.reset();
        m_window.BeginLines(nullptr);
        m_window.EndLines(&strLine);
        return;
    }
    m_window.ShowRunState(true);
    m_window.BeginLines(m_pRun->GetJob());
    m_window.ShowProgress(m_pRun->GetPairsDone(), m_pRun->GetPairsTotal());
    // A run with nothing to do, or one that went on here, has ended already;
    // one on workers ends when the window takes its last notice.
    if (m_pRun->WentOnCallingThread())
        End();
}

void CCreateRun::Stop()
{
    if (m_pRun != nullptr)
        m_pRun->Stop();
}

void CCreateRun::Finish()
{
    if (m_pRun == nullptr)
        return;
    m_pRun->Stop();
    End();
}

void CCreateRun::OnResultsWaiting()
{
    if (m_pRun == nullptr)
        return;
    // The run's end is shown at once; lines on the timer's ticks, each
    // batch one repaint.
    if (m_pRun->HasEnded())
    {
        if (m_bTimer)
            m_window.SetBatchTimer(0);
        m_bTimer = false;
        ShowWaiting();
        return;
    }
    if (!m_bTimer)
        m_bTimer = m_window.SetBatchTimer(kTickInterval);
    if (!m_bTimer)
        ShowWaiting();
}

void CCreateRun::OnBatchTimer()
{
    if (m_bTimer)
        m_window.SetBatchTimer(0);
    m_bTimer = false;
    ShowWaiting();
}

bool CCreateRun::ShowSome()
{
    if (m_nShown >= m_taken.size())
    {
        m_taken = m_pRun->TakeResults();
        m_nShown = 0;
    }
    const size_t nEnd = std::min(m_taken.size(), m_nShown + kRowsPerTick);
    if (m_nShown == 0 && nEnd == m_taken.size())
        m_window.AddLines(m_taken);
    else if (nEnd > m_nShown)
        m_window.AddLines(std::vector<LinkPairResult>(m_taken.begin() + static_cast<std::ptrdiff_t>(m_nShown),
                                                      m_taken.begin() + static_cast<std::ptrdiff_t>(nEnd)));
    m_nShown = nEnd;
    return m_nShown >= m_taken.size();
}

void CCreateRun::ShowWaiting()
{
    while (m_pRun != nullptr)
    {
        const bool bEnded = m_pRun->HasEnded();
        bool bBacklog = !ShowSome();
        m_window.ShowProgress(m_pRun->GetPairsDone(), m_pRun->GetPairsTotal());
        // An ended run may still have results that came after the last take.
        if (!bBacklog && bEnded)
        {
            m_taken = m_pRun->TakeResults();
            m_nShown = 0;
            bBacklog = !m_taken.empty();
        }
        if (!bBacklog)
        {
            // Results that came while these were shown are taken at the next
            // tick.
            if (bEnded)
                End();
            else
                m_bTimer = m_window.SetBatchTimer(kTickInterval);
            return;
        }
        // More than a tick's worth waits: the rest at a closer tick, so that
        // the window answers in between.
        m_bTimer = m_window.SetBatchTimer(kBacklogInterval);
        if (m_bTimer)
            return;
    }
}

void CCreateRun::End()
{
    if (m_pRun == nullptr)
        return;
    m_pRun->Wait();
    if (m_bTimer)
        m_window.SetBatchTimer(0);
    m_bTimer = false;
    // Whatever is not shown yet goes now.
    if (m_nShown < m_taken.size())
        m_window.AddLines(std::vector<LinkPairResult>(m_taken.begin() + static_cast<std::ptrdiff_t>(m_nShown),
                                                      m_taken.end()));
    m_taken.clear();
    m_nShown = 0;
    m_window.AddLines(m_pRun->TakeResults());
    // A run that ended early says after how many pairs, and why when it was
    // not the user who stopped it.
    CString strLine;
    m_window.EndLines(m_pRun->GetLastLine(strLine) ? &strLine : nullptr);
    m_ended = Ended();
    if (const std::shared_ptr<const CLinkJob> job = m_pRun->GetJob())
    {
        m_ended.nKeepTime = job->GetKeepTime();
        m_ended.nKept = m_pRun->GetKeptCount();
        m_ended.nKeptBytes = m_pRun->GetKeptBytes();
    }
    m_pRun.reset();
    m_pFileSystem.reset();
    m_window.ShowRunState(false);
}
