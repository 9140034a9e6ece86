#include "maindlg/RunWindow.h"

#include "res/resource.h"

#include <shobjidl.h>

namespace {

// Tells the system why logging off should wait (Vista on; looked up), or
// that it need not any more. False where the system would not take it.
bool BlockShutdown(HWND hWnd, bool bBlock)
{
    typedef BOOL(WINAPI * PFNCREATE)(HWND, LPCWSTR);
    typedef BOOL(WINAPI * PFNDESTROY)(HWND);
    const HMODULE hUser = ::GetModuleHandleW(L"user32.dll");
    if (hUser == nullptr)
        return false;
    if (!bBlock)
    {
        const PFNDESTROY pfnDestroy = reinterpret_cast<PFNDESTROY>(
            reinterpret_cast<void*>(::GetProcAddress(hUser, "ShutdownBlockReasonDestroy")));
        return pfnDestroy != nullptr && pfnDestroy(hWnd);
    }
    const PFNCREATE pfnCreate =
        reinterpret_cast<PFNCREATE>(reinterpret_cast<void*>(::GetProcAddress(hUser, "ShutdownBlockReasonCreate")));
    return pfnCreate != nullptr &&
           pfnCreate(hWnd, L"Quillon erstellt gerade Links. Beim Abmelden endet der Lauf nach den Paaren, "
                           L"die gerade in Arbeit sind.");
}

}  // namespace

CRunWindow::CRunWindow(CWnd& dialog, CReportView& report, CPathList& files, CPathList& folders)
    : m_dialog(dialog),
      m_report(report),
      m_files(files),
      m_folders(folders),
      m_bSymbolic(true),
      m_pTaskbar(nullptr),
      m_bShutdownBlocked(false),
      m_bPreview(false),
      m_bRunning(false)
{
}

CRunWindow::~CRunWindow()
{
    if (m_pTaskbar != nullptr)
        m_pTaskbar->Release();
}

void CRunWindow::UpdateCreateButton()
{
    const BOOL bEnable = m_files.GetCount() > 0 && m_folders.GetCount() > 0;
    ::EnableWindow(::GetDlgItem(m_dialog.m_hWnd, IDOK), bEnable);
    // During a run "Erstellen" is "Abbrechen"; "Vorschau" waits for the end.
    ::EnableWindow(::GetDlgItem(m_dialog.m_hWnd, IDC_PREVIEW), bEnable && !m_bRunning);
}

void CRunWindow::ShowRunState(bool bRunning)
{
    m_bRunning = bRunning;
    const HWND hWnd = m_dialog.m_hWnd;
    if (bRunning)
    {
        // Focus on a control about to be disabled would be lost: it goes to
        // the button that now stops the run.
        const HWND hFocus = ::GetFocus();
        for (int nID : {IDC_ADD_FILES, IDC_REMOVE_FILE, IDC_ADD_FOLDER, IDC_REMOVE_FOLDER, IDC_RADIO_SYMBOLIC,
                        IDC_RADIO_HARD, IDC_CHECK_REMOVE_EXISTING, IDC_PREVIEW})
        {
            const HWND hCtrl = ::GetDlgItem(hWnd, nID);
            if (hCtrl == hFocus)
                ::SendMessageW(hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(::GetDlgItem(hWnd, IDOK)), TRUE);
            ::EnableWindow(hCtrl, FALSE);
        }
        m_strLabel = m_dialog.GetDlgItem(IDC_STATIC_OUTPUT)->GetWindowText();
        if (m_pTaskbar == nullptr)
        {
            // Where the system has it (Windows 7 on): progress on the
            // taskbar button.
            ITaskbarList3* pTaskbar = nullptr;
            if (SUCCEEDED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                             reinterpret_cast<void**>(&pTaskbar))))
            {
                if (SUCCEEDED(pTaskbar->HrInit()))
                    m_pTaskbar = pTaskbar;
                else
                    pTaskbar->Release();
            }
        }
        if (m_pTaskbar != nullptr)
            m_pTaskbar->SetProgressState(hWnd, TBPF_NORMAL);
        m_bShutdownBlocked = !m_bPreview && BlockShutdown(hWnd, true);
    }
    else
    {
        for (int nID : {IDC_ADD_FILES, IDC_ADD_FOLDER, IDC_RADIO_HARD, IDC_CHECK_REMOVE_EXISTING})
            ::EnableWindow(::GetDlgItem(hWnd, nID), TRUE);
        ::EnableWindow(::GetDlgItem(hWnd, IDC_RADIO_SYMBOLIC), m_bSymbolic);
        m_dialog.SetDlgItemText(IDC_STATIC_OUTPUT, m_strLabel);
        if (m_pTaskbar != nullptr)
            m_pTaskbar->SetProgressState(hWnd, TBPF_NOPROGRESS);
        if (m_bShutdownBlocked)
            BlockShutdown(hWnd, false);
        m_bShutdownBlocked = false;
        m_files.UpdateRemoveButton(false);
        m_folders.UpdateRemoveButton(false);
        UpdateCreateButton();
    }
    m_files.AcceptDrops(!bRunning);
    m_folders.AcceptDrops(!bRunning);
    m_dialog.SetDlgItemText(IDOK, bRunning ? L"Abbrechen" : L"Erstellen");
}

void CRunWindow::ShowProgress(long long nDone, long long nTotal)
{
    CString strLabel;
    strLabel.Format(L"%s %I64d von %I64d", m_strLabel.GetString(), nDone, nTotal);
    m_dialog.SetDlgItemText(IDC_STATIC_OUTPUT, strLabel);
    if (m_pTaskbar != nullptr)
        m_pTaskbar->SetProgressValue(m_dialog.m_hWnd, static_cast<ULONGLONG>(nDone), static_cast<ULONGLONG>(nTotal));
}

void CRunWindow::BeginLines(std::shared_ptr<const CLinkJob> job)
{
    m_report.BeginRun(std::move(job));
}

void CRunWindow::AddLines(const std::vector<LinkPairResult>& results)
{
    m_report.AddResults(results);
}

void CRunWindow::EndLines(const CString* pLastLine)
{
    m_report.EndRun(pLastLine);
}

bool CRunWindow::SetBatchTimer(UINT nMilliseconds)
{
    if (nMilliseconds != 0)
        return ::SetTimer(m_dialog.m_hWnd, kBatchTimer, nMilliseconds, nullptr) != 0;
    ::KillTimer(m_dialog.m_hWnd, kBatchTimer);
    return false;
}
