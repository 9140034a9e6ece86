#pragma once

#include "framework/String.h"
#include "maindlg/CreateRun.h"
#include "maindlg/ReportView.h"

#include <windows.h>

#include <functional>

struct ITaskbarList3;

// The main dialog as a run sees it: the report it writes into, "Ausgabe: N
// von M" in the output list's label, the taskbar button filling up (Windows
// 7 on), the reason logging off should wait (Vista on), and the timer that
// paces the batches. Which controls a run locks is the window's state
// (onStateChanged), decided in one place.
class CRunWindow : public IRunWindow
{
public:
    CRunWindow(CWnd& dialog, CReportView& report, std::function<void()> onStateChanged);
    ~CRunWindow() override;
    CRunWindow(const CRunWindow&) = delete;
    CRunWindow& operator=(const CRunWindow&) = delete;

    // Whether the system took the reason logging off should wait for.
    bool IsShutdownBlocked() const { return m_bShutdownBlocked; }
    // The next run only reads (a preview): logging off need not wait for it.
    void SetPreview(bool bPreview) { m_bPreview = bPreview; }
    // The output list's label as the template has it: "N von M" follows it
    // during a run, and it is put back after.
    void SetLabel(const CString& strLabel) { m_strLabel = strLabel; }
    const CString& GetLabel() const { return m_strLabel; }

    void ShowRunState(bool bRunning) override;
    void ShowProgress(long long nDone, long long nTotal) override;
    void BeginLines(std::shared_ptr<const CLinkJob> job) override;
    void AddLines(const std::vector<LinkPairResult>& results) override;
    void EndLines(const CString* pLastLine) override;
    bool SetBatchTimer(UINT nMilliseconds) override;

    // The timer's id in the dialog's WM_TIMER.
    static const UINT_PTR kBatchTimer = 0x51;

private:
    CWnd& m_dialog;
    CReportView& m_report;
    const std::function<void()> m_onStateChanged;
    CString m_strLabel;
    ITaskbarList3* m_pTaskbar;
    bool m_bShutdownBlocked;
    bool m_bPreview;
};
