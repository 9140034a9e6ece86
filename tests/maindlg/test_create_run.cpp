#include <gtest/gtest.h>

#include "links/LinkReport.h"
#include "maindlg/CreateRun.h"
#include "maindlg/Report.h"
#include "tests/links/fake_file_system.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace {

// The window as the run sees it, without a window: what it was told, and
// the report it would show.
class CRecordingWindow : public IRunWindow
{
public:
    std::vector<std::wstring> states;
    long long nShownDone = -1;
    bool bTimer = false;
    bool bTimerAvailable = true;
    CReport report;

    void ShowRunState(bool bRunning) override { states.push_back(bRunning ? L"on" : L"off"); }
    void ShowProgress(long long nDone, long long) override { nShownDone = nDone; }
    void BeginLines(std::shared_ptr<const CLinkJob> job) override
    {
        report.Clear();
        report.SetJob(std::move(job));
    }
    void AddLines(const std::vector<LinkPairResult>& results) override { report.AddResults(results); }
    void EndLines(const CString* pLastLine) override
    {
        if (pLastLine != nullptr)
            report.SetLastLine(*pLastLine);
        report.Freeze();
    }
    bool SetBatchTimer(UINT nMilliseconds) override
    {
        bTimer = nMilliseconds != 0 && bTimerAvailable;
        return bTimer;
    }
    std::vector<std::wstring> Lines() const
    {
        std::vector<std::wstring> lines;
        for (size_t i = 0; i < report.GetCount(); ++i)
            lines.emplace_back(report.GetLine(i).GetString());
        return lines;
    }
};

// Holds every worker at its first look at a target until released.
struct Gate
{
    std::mutex mutex;
    std::condition_variable opened;
    bool bOpen = false;
    bool bWaiting = false;
    void Wait()
    {
        std::unique_lock<std::mutex> lock(mutex);
        bWaiting = true;
        opened.notify_all();
        opened.wait(lock, [this] { return bOpen; });
    }
    // Until the run stands at the gate, so that it has begun.
    void WaitForArrival()
    {
        std::unique_lock<std::mutex> lock(mutex);
        opened.wait(lock, [this] { return bWaiting; });
    }
    void Open()
    {
        std::lock_guard<std::mutex> lock(mutex);
        bOpen = true;
        opened.notify_all();
    }
};

}  // namespace

// The run's window side without a window and without a message loop: the
// state on and off, batches on the timer's tick or at once, progress, and
// the last line of a stopped run last in the report, whatever its text.
TEST(CreateRunTest, BatchesProgressAndTheStopLineLast)
{
    for (const bool bStop : {false, true})
    {
        SCOPED_TRACE(bStop ? "stopped before its first pair" : "to the end");
        CFakeFileSystem fs;
        for (const wchar_t* path : {L"C:\\S\\b.txt", L"C:\\S\\a.txt", L"C:\\T\\keep", L"C:\\U\\keep"})
            fs.Add(path);
        Gate gate;
        fs.onCall = [&gate](const std::wstring& call) {
            if (call.rfind(L"open-folder ", 0) == 0)
                gate.Wait();
        };
        CRecordingWindow window;
        window.bTimerAvailable = !bStop;
        CCreateRun run(window);
        int nPosted = 0;
        // The fake is owned by the test: the run gets a file system that
        // forwards to it.
        struct CForward : ILinkFileSystem
        {
            ILinkFileSystem& fs;
            explicit CForward(ILinkFileSystem& target) : fs(target) {}
            bool CanCreateSymbolicLink() const override { return fs.CanCreateSymbolicLink(); }
            DWORD OpenFolder(const CString& p, std::unique_ptr<ILinkFolder>& f) override { return fs.OpenFolder(p, f); }
            DWORD GetStoredName(const CString& p, CString& n) override { return fs.GetStoredName(p, n); }
            DWORD GetFileInfo(const CString& p, Follow f, LinkFileInfo& i) override { return fs.GetFileInfo(p, f, i); }
            DWORD GetFinalPath(const CString& p, CString& f) override { return fs.GetFinalPath(p, f); }
            bool IsOnNetwork(const CString& p) override { return fs.IsOnNetwork(p); }
        };
        run.Start(CVectorPathList{L"C:\\T\\", L"C:\\U\\"}, CVectorPathList{L"C:\\S\\b.txt", L"C:\\S\\a.txt"},
                  LinkRunOptions(), std::make_unique<CForward>(fs), 2, [&nPosted] { ++nPosted; });
        ASSERT_TRUE(run.IsRunning());
        EXPECT_EQ(std::vector<std::wstring>{L"on"}, window.states);
        gate.WaitForArrival();
        if (bStop)
            run.Stop();
        gate.Open();
        // What the window's messages would do: the notice, the tick, again
        // until the run has ended.
        for (int nTurn = 0; run.IsRunning() && nTurn < 1000; ++nTurn)
        {
            ::Sleep(1);
            run.OnResultsWaiting();
            if (window.bTimer)
                run.OnBatchTimer();
        }
        ASSERT_FALSE(run.IsRunning());
        EXPECT_EQ((std::vector<std::wstring>{L"on", L"off"}), window.states);
        EXPECT_GT(nPosted, 0);
        const std::vector<std::wstring> lines = window.Lines();
        if (!bStop)
        {
            EXPECT_EQ((std::vector<std::wstring>{LinkLine(L"HardLink", L"C:\\T\\a.txt", 0),
                                                 LinkLine(L"HardLink", L"C:\\T\\b.txt", 0),
                                                 LinkLine(L"HardLink", L"C:\\U\\a.txt", 0),
                                                 LinkLine(L"HardLink", L"C:\\U\\b.txt", 0)}),
                      lines);
            EXPECT_LE(window.nShownDone, 4);
            continue;
        }
        // A stop takes effect before a pair, never inside one: none done.
        EXPECT_EQ(std::vector<std::wstring>{FormatEndedEarlyLine(0, 4, 0).GetString()}, lines);
    }
}

// The stop line, which sorts before every pair's line, stays last.
TEST(CreateRunTest, TheReportKeepsTextOrderAndItsLastLineLast)
{
    CReport report;
    report.AddTexts({L"b", L"Skip: x", L"a", L"HardLink: OK", L"B"});
    report.AddTexts({L"ab", L"c"});
    report.SetLastLine(L"Abgebrochen nach 1 von 9 Paaren.");
    std::vector<std::wstring> lines;
    for (size_t i = 0; i < report.GetCount(); ++i)
        lines.emplace_back(report.GetLine(i).GetString());
    std::vector<std::wstring> sorted(lines.begin(), lines.end() - 1);
    std::sort(sorted.begin(), sorted.end(),
              [](const std::wstring& a, const std::wstring& b) { return ::lstrcmpW(a.c_str(), b.c_str()) < 0; });
    EXPECT_EQ(sorted, std::vector<std::wstring>(lines.begin(), lines.end() - 1));
    EXPECT_EQ(L"Abgebrochen nach 1 von 9 Paaren.", lines.back());
    EXPECT_EQ(6u, report.FindPosition(report.GetRowAt(6)));
}
