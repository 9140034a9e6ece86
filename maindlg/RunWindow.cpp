#include "maindlg/RunWindow.h"

#include "links/LinkReport.h"
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
           pfnCreate(hWnd, L"Quillon erstellt gerade Links. Beim Abmelden, Herunterfahren oder Neustarten endet "
                           L"der Lauf nach den Paaren, die gerade in Arbeit sind.");
}

}  // namespace

CRunWindow::CRunWindow(CWnd& dialog, CReportView& report, std::function<void()> onStateChanged)
    : m_dialog(dialog),
      m_report(report),
      m_onStateChanged(std::move(onStateChanged)),
      m_pTaskbar(nullptr),
      m_bShutdownBlocked(false),
      m_bPreview(false)
{
}

CRunWindow::~CRunWindow()
{
    if (m_pTaskbar != nullptr)
        m_pTaskbar->Release();
}

void CRunWindow::ShowRunState(bool bRunning)
{
    const HWND hWnd = m_dialog.m_hWnd;
    if (bRunning)
    {
        if (m_strLabel.IsEmpty())
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
        m_dialog.SetDlgItemText(IDC_STATIC_OUTPUT, m_strLabel);
        if (m_pTaskbar != nullptr)
            m_pTaskbar->SetProgressState(hWnd, TBPF_NOPROGRESS);
        if (m_bShutdownBlocked)
            BlockShutdown(hWnd, false);
        m_bShutdownBlocked = false;
    }
    if (m_onStateChanged)
        m_onStateChanged();
}

void CRunWindow::ShowProgress(long long nDone, long long nTotal)
{
    const CString strLabel = m_strLabel + L" " + GroupDigits(static_cast<ULONGLONG>(nDone)) + L" von " +
                             GroupDigits(static_cast<ULONGLONG>(nTotal));
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
