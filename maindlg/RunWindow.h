#pragma once

#include "framework/String.h"
#include "maindlg/CreateRun.h"
#include "maindlg/PathList.h"
#include "maindlg/ReportView.h"

#include <windows.h>

struct ITaskbarList3;

// The main dialog as a run sees it: the controls a run locks, the report it
// writes into, "Ausgabe: N von M" in the output list's label, the taskbar
// button filling up (Windows 7 on), the reason logging off should wait
// (Vista on), and the timer that paces the batches.
class CRunWindow : public IRunWindow
{
public:
    CRunWindow(CWnd& dialog, CReportView& report, CPathList& files, CPathList& folders);
    ~CRunWindow() override;
    CRunWindow(const CRunWindow&) = delete;
    CRunWindow& operator=(const CRunWindow&) = delete;

    // Without symbolic links on the system, their button stays off.
    void SetSymbolicLinksAvailable(bool bAvailable) { m_bSymbolic = bAvailable; }
    // Whether the system took the reason logging off should wait for.
    bool IsShutdownBlocked() const { return m_bShutdownBlocked; }
    // "Erstellen" and "Vorschau" are enabled exactly when both path lists
    // hold entries (and "Vorschau" not during a run).
    void UpdateCreateButton();
    // The next run only reads (a preview): logging off need not wait for it.
    void SetPreview(bool bPreview) { m_bPreview = bPreview; }

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
    CPathList& m_files;
    CPathList& m_folders;
    bool m_bSymbolic;
    CString m_strLabel;
    ITaskbarList3* m_pTaskbar;
    bool m_bShutdownBlocked;
    bool m_bPreview;
    bool m_bRunning;
};
